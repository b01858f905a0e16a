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
    store.onOtherCopyLoaded = [this](unsigned files) {
        const int dropped = history.DropFiles(files);
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
    if (duties)
        store.saveDienste();
    if (persons)
        store.savePersons();
    if (rules)
        store.saveRegeln();
    if (persons)
        store.EndWriteMowpersonen();
    if (duties)
        store.EndWriteMowdienste();
    if (rules)
        store.EndWriteMowregeln();
    if (!repaintFirst && onApplied)
        onApplied(info.refresh);
    return applied;
}
