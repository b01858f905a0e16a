#include "storage/undomanager.h"

#include "i18n/translate.h"
#include "storage/datastore.h"

namespace {
QString itemText(const char* verb, const TUndoStep* step)
{
    QString text = TranslateText(QString::fromUtf8(verb));
    if (step)
        text += QStringLiteral(": ") + TranslateText(step->Name());
    return text;
}
} // namespace

TUndoManager::TUndoManager(TRoster& r, TDataStore& s)
    : roster(r)
    , store(s)
{
    // Another copy's change makes every step of this copy doubtful: an undo would skip
    // back over the loaded change to an older, unrelated action. The whole history goes.
    store.onOtherCopyLoaded = [this](unsigned) {
        const int dropped = history.UndoCount() + history.RedoCount();
        history.Clear();
        if (dropped > 0 && onDropped)
            onDropped(dropped);
    };
    store.onRosterReplaced = [this] { history.Clear(); };
}

QString TUndoManager::UndoText() const
{
    return itemText("Rückgängig", history.NextUndo());
}

QString TUndoManager::RedoText() const
{
    return itemText("Wiederherstellen", history.NextRedo());
}

bool TUndoManager::Undo()
{
    return run(false);
}

bool TUndoManager::Redo()
{
    return run(true);
}

bool TUndoManager::run(bool redo)
{
    const TUndoStep* step = redo ? history.NextRedo() : history.NextUndo();
    if (!step)
        return false;
    const TUndoKindInfo& info = UndoKindInfo(step->kind);
    // Duty lock first, as the duty page takes both.
    const bool duties = info.locks & kUndoDutyFile;
    const bool persons = info.locks & kUndoPersonFile;
    const bool rules = (info.locks | step->files) & kUndoRulesFile; // a duty deletion may drop rules
    if (rules && !store.canwritenowregeln())
        return false;
    if (duties && !store.canwritenowdienste()) {
        if (rules)
            store.EndWriteMowregeln();
        return false;
    }
    if (persons && !store.canwritenowpersonen()) {
        if (duties)
            store.EndWriteMowdienste();
        if (rules)
            store.EndWriteMowregeln();
        return false;
    }
    const bool applied = redo ? history.Redo(roster) : history.Undo(roster);
    // A redo keeps the original action's order: the planner's changes and the person
    // page repaint before they save, so the file gets the month's hours; the others save
    // first and record the hours in memory only. An undo always repaints first: the
    // memory holds the hours recorded after the action, and the file it restores was
    // written with the hours of the entries it gets back.
    const bool repaintFirst = info.repaintFirst || !redo;
    if (repaintFirst && onApplied)
        onApplied(info.refresh);
    // The store shows why a save failed; the caller learns that the step is in memory
    // only (the file keeps the state before it until the next save succeeds).
    bool saved = true;
    if (duties && !store.saveDienste())
        saved = false;
    if (persons && !store.savePersons())
        saved = false;
    if (rules && !store.saveRegeln())
        saved = false;
    if (persons)
        store.EndWriteMowpersonen();
    if (duties)
        store.EndWriteMowdienste();
    if (rules)
        store.EndWriteMowregeln();
    if (!repaintFirst && onApplied)
        onApplied(info.refresh);
    if (applied && !saved && onSaveFailed)
        onSaveFailed(redo);
    return applied && saved;
}
