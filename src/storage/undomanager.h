#pragma once
// Undo and redo of roster edits as the user asks for them: a step is carried out like the
// action that made it, under the same locks, with a repaint before the save. Loading
// another copy's change of either file, and a plan-slot change, clear the history.

#include "core/undohistory.h"

#include <functional>

class TDataStore;
class TRoster;

class TUndoManager {
public:
    // Registers with the store for its reloads.
    TUndoManager(TRoster& roster, TDataStore& store);
    TUndoManager(const TUndoManager&) = delete;
    TUndoManager& operator=(const TUndoManager&) = delete;

    TUndoHistory history;

    // After a step changed memory, before the files are saved: show the roster again
    // (`refresh`: TUndoRefresh) and repaint the views, whose drawing records the month's
    // hours that the save then writes.
    std::function<void(unsigned refresh)> onApplied;
    // The history was cleared because another copy's change of a file was loaded.
    std::function<void(int dropped)> onDropped;
    // An undo (redo: true) changed memory but its save failed; the store has shown why.
    std::function<void(bool redo)> onSaveFailed;

    // Take the step's locks; when one is refused, or the lock check loads another copy's
    // change (which drops the step), nothing changes and false is returned. Otherwise
    // apply the step, refresh, save and release. False also when a save failed.
    bool Undo();
    bool Redo();

    // "Rückgängig" / "Wiederherstellen", with ": " and the next step's name when there
    // is one, in the current language.
    QString UndoText() const;
    QString RedoText() const;

private:
    bool run(bool redo);
    TRoster& roster;
    TDataStore& store;
};
