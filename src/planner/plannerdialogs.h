#pragma once
// The three small dialogs of the month planner: target hours, extra hours and the
// shift for copying the previous month. Created once; values stay between uses.

#include <QDialog>

class QDoubleSpinBox;
class QSpinBox;

class TSetSollStdForm : public QDialog {
    Q_OBJECT
public:
    explicit TSetSollStdForm(QWidget* parent = nullptr);
    QDoubleSpinBox* StundeEd;

protected:
    void showEvent(QShowEvent* event) override; // FormShow: focus into StundeEd
};

class TOverHoursForm : public QDialog {
    Q_OBJECT
public:
    explicit TOverHoursForm(QWidget* parent = nullptr);
    QDoubleSpinBox* OverHoursEd;
};

class TDiensteOvertakeForm : public QDialog {
    Q_OBJECT
public:
    explicit TDiensteOvertakeForm(QWidget* parent = nullptr);
    QSpinBox* VerchiebEd;
};
