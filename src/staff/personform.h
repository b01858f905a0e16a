#pragma once
// Person dialog "Person bearbeiten": name, hire and leave date, dismissed flag, opening
// overtime, monthly maximum, personnel number (digits only) and department. A field the
// user leaves alone keeps its stored value exactly; OK refuses texts the file cannot hold.

#include "core/roster.h"
#include "widgets/fillmemory.h"

#include <QDialog>

class QCheckBox;
class QDateEdit;
class QDoubleSpinBox;
class QLineEdit;
class QPushButton;

class TPersonForm : public QDialog {
    Q_OBJECT
public:
    explicit TPersonForm(QWidget* parent = nullptr);

    // Fields for a new person: empty texts, both dates today, numbers 0; "Ist entlassen"
    // keeps its last state.
    void PrepareNew(const QDate& today);
    void FillFrom(const TPerson& p);
    // Copies the dialog's values into the person (entries and month tables stay): the
    // stored value of every field the user left alone, the edited value of the others.
    void StoreInto(TPerson& p) const;

    QLineEdit* Edit1;
    QDateEdit* VonEd;
    QDateEdit* BisEd;
    QCheckBox* EntlassenCheck;
    QDoubleSpinBox* UeberstundenEd;
    QDoubleSpinBox* MaxStundenEd;
    QLineEdit* Edit2;
    QLineEdit* Edit3;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;

    void Edit1Change();
    // OK: stays open with a warning while an edited text holds characters the file
    // cannot store.
    void accept() override;

private:
    TFillMemory m_fill;
};
