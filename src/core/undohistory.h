#pragma once
// Undo history of the roster: one step per user action, each holding only what that
// action changed.
//
// A step is a list of operations that exchange values between the roster and the step:
// applying an operation puts the values it holds into the roster and keeps the values
// that were there. Undo applies a step's operations from the last to the first, redo from
// the first to the last; so the step always holds the side of the change that is not in
// the roster, and memory follows the size of the change, not of the roster.
//
// Steps are recorded by comparing the roster before and after an action (TUndoRecorder).
// Changes of the order of persons or duties are told to the recorder, the rest (person
// data, entries, month tables, duty data, plan settings) is found by comparison.

#include "core/roster.h"

#include <QString>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The data files a step changes (in memory now, in the file with its save).
enum TUndoFiles : unsigned { kUndoNoFile = 0, kUndoPersonFile = 1, kUndoDutyFile = 2, kUndoRulesFile = 4 };

// What the window shows again after a step was applied, besides repainting the views.
enum TUndoRefresh : unsigned { kRefreshGrid = 0, kRefreshPersons = 1, kRefreshDuties = 2, kRefreshSettings = 4 };

// The user actions that make steps.
enum class TUndoKind {
    AssignDienst,
    OverHours,
    SollStunden,
    CopyMonth,
    AddPerson,
    EditPerson,
    DeletePerson,
    MovePerson,
    SortPersons,
    AddDienst,
    EditDienst,
    DeleteDienst,
    MoveDienst,
    Font,
    Holidays,
    Colour,
    Display,
    Rules,
    Pattern,
    Proposal, // "Übernehmen" of an automatic proposal
};

struct TUndoKindInfo {
    const char* name; // German, as the menu shows it after "Rückgängig: "
    unsigned locks; // the locks the action takes, and so the files it saves (TUndoFiles)
    unsigned refresh; // TUndoRefresh
    bool repaintFirst; // the action repaints (recording the month's hours) before it saves
};
const TUndoKindInfo& UndoKindInfo(TUndoKind kind);

// A person's own fields (without entries and month tables).
struct TPersonHeader {
    QString name, persnr, abteilung;
    TDateTime eingestellt = 0, entlassen = 0;
    bool istentlassen = false;
    double maxstunden = 0, startueberstunden = 0;

    static TPersonHeader Of(const TPerson& p);
    void StoreInto(TPerson& p) const;
    bool SameAs(const TPersonHeader& o) const; // bit for bit, as the file would hold it
};

class TUndoStep;

// The plan settings that the data files hold (the others live in the per-user store and
// are no roster data): bit i of a mask stands for field i of this list.
unsigned PlanSettingsFileMask(const TPlanSettings& a, const TPlanSettings& b);
// The files that hold the fields of `mask`.
unsigned PlanSettingsFiles(unsigned mask);

class TUndoHistory {
public:
    // At least this many steps are kept; beyond it the oldest go when the steps together
    // hold more than kByteBudget bytes or there are more than kMaxSteps.
    static constexpr int kMinSteps = 100;
    static constexpr int kMaxSteps = 500;
    static constexpr std::size_t kByteBudget = std::size_t(128) * 1024 * 1024;

    TUndoHistory();
    ~TUndoHistory();
    TUndoHistory(const TUndoHistory&) = delete;
    TUndoHistory& operator=(const TUndoHistory&) = delete;

    bool CanUndo() const { return !undoSteps.empty(); }
    bool CanRedo() const { return !redoSteps.empty(); }
    const TUndoStep* NextUndo() const { return undoSteps.empty() ? nullptr : undoSteps.back().get(); }
    const TUndoStep* NextRedo() const { return redoSteps.empty() ? nullptr : redoSteps.back().get(); }
    int UndoCount() const { return int(undoSteps.size()); }
    int RedoCount() const { return int(redoSteps.size()); }
    std::size_t Bytes() const { return bytes; }

    // A new step: the redo steps go. A step of the same merge key as the last one (a
    // heading typed letter by letter) is taken into that one.
    void Push(std::unique_ptr<TUndoStep> step);
    // Applies the next undo (redo) step to the roster and moves it to the other list.
    // False when there is none or it no longer fits the roster (then it is dropped).
    bool Undo(TRoster& roster);
    bool Redo(TRoster& roster);

    // Another copy's version of these files was loaded: every step that touches one of
    // them goes. Returns the number of steps dropped.
    int DropFiles(unsigned files);
    void Clear();
    // Counts every DropFiles and Clear; a recording that sees it change is discarded.
    std::uint64_t Generation() const { return generation; }

    // Told after every change of the lists (menu texts follow it).
    std::function<void()> onChanged;

private:
    void trim();
    void changed()
    {
        if (onChanged)
            onChanged();
    }
    std::deque<std::unique_ptr<TUndoStep>> undoSteps, redoSteps;
    std::size_t bytes = 0;
    std::uint64_t generation = 0;
};

// Records one user action. Create it before the action changes anything (after its lock
// was granted), tell it about moves of records, and Commit once the action is done
// (after its repaint and save). A null history records nothing.
class TUndoRecorder {
public:
    TUndoRecorder(TUndoHistory* history, const TRoster& roster, TUndoKind kind);
    ~TUndoRecorder();
    TUndoRecorder(const TUndoRecorder&) = delete;
    TUndoRecorder& operator=(const TUndoRecorder&) = delete;

    // The settings as they were before the action when the control changed them before
    // the recorder could be made.
    void SetSettingsBefore(const TPlanSettings& before);
    // Changes of order, in the order they were made.
    void PersonInserted(int index);
    void PersonRemoved(int index);
    void PersonsSwapped(int a, int b);
    // order[k] = index before the action of the person now at k.
    void PersonsReordered(const std::vector<int>& order);
    void DutyInserted(int index);
    void DutyRemoved(int index);
    void DutiesSwapped(int a, int b);
    // Compares with the roster now and adds a step when something changed. Nothing is
    // added when the history was dropped or cleared meanwhile (a reload replaced the
    // roster the recording started from). Returns whether a step was added.
    bool Commit(const TRoster& roster);

    struct Snapshot;

private:
    TUndoHistory* history;
    TUndoKind kind;
    std::uint64_t generation = 0;
    std::unique_ptr<Snapshot> before;
    std::unique_ptr<TUndoStep> step;
};

class TUndoStep {
public:
    TUndoStep(TUndoKind kind);
    ~TUndoStep();
    TUndoKind kind;
    unsigned files = kUndoNoFile; // files whose data the step changes
    unsigned settingsMask = 0; // plan settings fields it changes
    QString Name() const { return QString::fromUtf8(UndoKindInfo(kind).name); }
    std::size_t Bytes() const;
    bool Empty() const;
    // Applies the operations (forward = redo order). False when an operation does not
    // fit the roster; what was applied before it stays.
    bool Apply(TRoster& roster, bool forward);

    struct Op;
    std::vector<std::unique_ptr<Op>> ops;
};
