#pragma once
#include <QComboBox>

#include <cstdint>

// Colour picker: a combo box of colour swatches with a last entry that opens the
// colour dialog for any other colour. The value is a colour in 0x00BBGGRR form.
class TTesselColorComboBox : public QComboBox {
    Q_OBJECT
    Q_PROPERTY(quint32 colorValue READ colorValue WRITE setColorValue NOTIFY Change USER true)
public:
    explicit TTesselColorComboBox(QWidget* parent = nullptr);
    quint32 colorValue() const { return m_value; }
    // Sets the value without emitting Change.
    void setColorValue(quint32 value);

Q_SIGNALS:
    // The user picked another colour.
    void Change();

private:
    void onActivated(int index);
    int indexOfValue(quint32 value) const;
    quint32 m_value = 0;
    int m_customIndex = -1;
};
