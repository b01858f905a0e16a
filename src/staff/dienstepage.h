#pragma once
// The "Dienste" page: the duties in number order, with the duty dialog, deletion and
// moves. Deleting and moving change the duty numbers of the entries, so both files are
// written together under both locks.

#include "core/roster.h"
#include "core/undohistory.h"

#include <QWidget>

class QComboBox;
class QPushButton;
class QTreeWidget;
class TDataStore;
class TDienstForm;

class TDienstePage : public QWidget {
    Q_OBJECT
public:
    TDienstePage(TRoster& roster, TDataStore& store, QWidget* parent = nullptr);
    void setDienstForm(TDienstForm* form) { DienstForm = form; }
    // The month planner's duty selector, refilled by ListDienste.
    void setDienstCombo(QComboBox* combo) { DienstCombo = combo; }
    // Where the page's changes are recorded for undo (none: not recorded).
    void setUndoHistory(TUndoHistory* history) { m_undo = history; }

    QTreeWidget* ListView2;
    QPushButton* AddDienstBtn;
    QPushButton* EditDienstBtn;
    QPushButton* DelDienstBtn;
    QPushButton* DienstNachObenBtn;
    QPushButton* DienstnachUntenBtn;
    TDienstForm* DienstForm = nullptr;
    QComboBox* DienstCombo = nullptr;

    void ListDienste();
    int SelectedRow() const;
    void SelectRow(int row);

    void AddDienstBtnClick();
    void EditDienstBtnClick();
    void DelDienstBtnClick();
    void DienstNachObenBtnClick();
    void DienstnachUntenBtnClick();

Q_SIGNALS:
    void dutiesChanged();

private:
    // Duty lock, then person lock; true when both are held. Refusal of the second
    // releases the first.
    bool lockBoth();
    void saveBothAndRelease();
    void moveDienst(int from, int to);
    TRoster& m_roster;
    TDataStore& m_store;
    TUndoHistory* m_undo = nullptr;
};
