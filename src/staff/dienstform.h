#pragma once
// Duty dialog "Dienst bearbeiten": name, abbreviation (at most 6 characters), colour,
// absence flag and hours.

#include "core/roster.h"

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
    void StoreInto(TDienst& d) const;

    QLineEdit* Edit1;
    QLineEdit* Edit2;
    TTesselColorComboBox* TesselColorComboBox1;
    QCheckBox* abwesendcheck;
    QDoubleSpinBox* StundeEd;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;

    void Edit1Change();
};
