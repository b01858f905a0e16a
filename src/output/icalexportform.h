#pragma once
// "Kalenderdatei exportieren": asks for the employee (or all of them) and the range of
// months, then for the file (one employee) or the folder (all, one file each), and writes
// the calendar files under the person file's read lock. Created once; the choices stay
// between uses.

#include "output/icalexport.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QPushButton;
class QSpinBox;
class TDataStore;

class TICalExportForm : public QDialog {
    Q_OBJECT
public:
    explicit TICalExportForm(QWidget* parent = nullptr);

    QComboBox* MitarbeiterCombo; // item 0 "Alle Mitarbeiter", then every person in list order
    QSpinBox* VonMonEd;
    QSpinBox* VonYearEd;
    QSpinBox* BisMonEd;
    QSpinBox* BisYearEd;
    QPushButton* BitBtn1; // OK, enabled while the range is valid
    QPushButton* BitBtn2; // Abbrechen

    // The whole export: fills the employee list from the roster, starts the range at the
    // planner's month the first time, shows the dialog, asks for the target and writes.
    // Errors are shown through the store's error box.
    void Execute(TDataStore& store, int jahr, int monat);

    TICalRange range() const;

    // Asks for the target: a file when `all` is false (`suggested` is the proposed name),
    // a folder when it is true. Empty when cancelled. Tests replace it.
    std::function<QString(bool all, const QString& suggested)> askTarget;
    // Tells the user how many files were written where (an information box). Tests
    // replace it.
    std::function<void(const QString& text)> tellDone;

private:
    void fillPersons(const TDataStore& store);
    void updateOk();
    QString chooseTarget(bool all, const QString& suggested);
    QString lastFolder;
    bool rangeSet = false;
};
