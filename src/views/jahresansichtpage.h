#pragma once
// The "Jahresansicht" page. For now it carries the year and the employee selector; the
// year overview joins it with the views.

#include <QWidget>

class QComboBox;
class QSpinBox;

class TJahresansichtPage : public QWidget {
    Q_OBJECT
public:
    explicit TJahresansichtPage(QWidget* parent = nullptr);

    QSpinBox* Year3Ed;
    QComboBox* MitarbeiterEd;

Q_SIGNALS:
    void yearChanged();
};
