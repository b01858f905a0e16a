#pragma once
// Duty dialog "Dienst bearbeiten": name, abbreviation (at most 6 characters), colour,
// absence flag and hours. A field the user leaves alone keeps its stored value exactly;
// OK refuses texts the file cannot hold.

#include "core/roster.h"
#include "widgets/fillmemory.h"

#include <QDialog>

class QCheckBox;
class QDoubleSpinBox;
class QLineEdit;
class QPushButton;
class TTesselColorComboBox;

class TDienstForm : public QDialog {
    Q_OBJECT
public:
    explicit TDienstForm(QWidget* parent = nullptr);

    // Fields for a new duty: empty texts, yellow, 0 hours; "Abwesend" keeps its last state.
    void PrepareNew();
    void FillFrom(const TDienst& d);
    // The stored value of every field the user left alone, the edited value of the others.
    void StoreInto(TDienst& d) const;

    QLineEdit* Edit1;
    QLineEdit* Edit2;
    TTesselColorComboBox* TesselColorComboBox1;
    QCheckBox* abwesendcheck;
    QDoubleSpinBox* StundeEd;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;

    void Edit1Change();
    // OK: stays open with a warning while an edited text holds characters the file
    // cannot store.
    void accept() override;

private:
    TFillMemory m_fill;
};
