#pragma once
// The "Personen" page: persons active in a chosen month, with the person dialog,
// deletion, manual ordering and sorting by a column.

#include "core/roster.h"
#include "core/undohistory.h"

#include <QWidget>

class QPushButton;
class QSpinBox;
class QTreeWidget;
class TDataStore;
class TPersonForm;

class TPersonenPage : public QWidget {
    Q_OBJECT
public:
    TPersonenPage(TRoster& roster, TDataStore& store, QWidget* parent = nullptr);
    void setPersonForm(TPersonForm* form) { PersonForm = form; }
    // Where the page's changes are recorded for undo (none: not recorded).
    void setUndoHistory(TUndoHistory* history) { m_undo = history; }

    QSpinBox* MonEd;
    QSpinBox* yeared;
    QTreeWidget* ListView1;
    QPushButton* AddPersonBtn;
    QPushButton* EditPersonBtn;
    QPushButton* DelPersonBtn;
    QPushButton* NachObenBtn;
    QPushButton* NachUntenBtn;
    TPersonForm* PersonForm = nullptr;

    int sortspalte = 0;
    bool sortdir = false;

    void ListPersons();
    // Container index of the person in list row `listnr`.
    int GetPersonNr(int listnr) const;
    // The selected row, -1 when none.
    int SelectedRow() const;
    void SelectRow(int row);

    void AddPersonBtnClick();
    void EditPersonBtnClick();
    void DelPersonBtnClick();
    void NachObenBtnClick();
    void NachUntenBtnClick();
    void ListView1ColumnClick(int column);

Q_SIGNALS:
    // The roster's persons changed in memory (grid and selectors must follow).
    void personsChanged();

private:
    int selectedRecordNumber() const;
    void finishChange();
    TRoster& m_roster;
    TDataStore& m_store;
    TUndoHistory* m_undo = nullptr;
};
