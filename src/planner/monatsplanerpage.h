#pragma once
// The "Monatsplaner" page. For now it carries the planner's month and year, the duty
// selector and the employee filter; the month grid joins it with the planner.

#include <QWidget>

class QComboBox;
class QSpinBox;

class TMonatsplanerPage : public QWidget {
    Q_OBJECT
public:
    explicit TMonatsplanerPage(QWidget* parent = nullptr);

    QSpinBox* Mon2Ed;
    QSpinBox* Year2Ed;
    QComboBox* DienstCombo;
    QComboBox* MitarbeiterCombo;

Q_SIGNALS:
    // Mon2EdChange / Year2EdChange: the employee filter must be rebuilt.
    void monthChanged();
};
