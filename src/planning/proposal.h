#pragma once
// "Plan vorschlagen": fills the empty cells of a month with duties so that the staffing
// targets are met, every rule holds and everybody's hours land near their target. The
// roster is read once into a TProposalInput on the caller's thread; solving and
// explaining work on that copy alone, so they can run on a worker thread while the
// window goes on (and the poll reloads the roster).
//
// The model, solved as a mixed-integer program:
//   - a binary per empty cell of a chosen employee, chosen day and staffed duty (a duty
//     with a staffing target that is no absence); existing entries are never changed;
//   - hard: at most one duty a day, the targets' maximums, forbidden successions (also
//     with the days before and after the month), most days in a row, fewest free days,
//     most month hours (the rule's and the person's own limit), qualifications, and
//     nobody before being hired or after leaving;
//   - the targets' minimums may stay short, each missing person costing kShortWeight;
//   - soft goals, in hours of deviation: |month hours - target| beyond a tolerance of
//     half the shortest staffed duty, per person with a target (the month's "Soll",
//     less the carried balance when asked); kWeekendWeight per weekend or holiday duty beyond
//     the person's share (the days' needs split in proportion to the target hours,
//     rounded up), kNightWeight the same for night duties; a bonus of kPatternWeight per
//     cell that follows the chosen pattern.

#include "planning/plancheck.h"

#include <QString>

#include <atomic>
#include <mutex>
#include <vector>

class TRoster;

// Cost of one person missing from a staffing minimum; far above any hour deviation, so a
// proposal never leaves a shortfall to gain hours.
constexpr double kShortWeight = 1000;
constexpr double kWeekendWeight = 4;
constexpr double kNightWeight = 4;
constexpr double kPatternWeight = 2;

struct TProposalOptions {
    int firstDay = 1; // day range to fill (clamped to the month)
    int lastDay = 31;
    std::vector<int> persons; // roster indices to plan for; empty: every active employee
    double timeLimit = 10; // seconds
    double relativeGap = 0.01; // stop once the solution is this close to the bound
    bool useBalance = false; // aim at "Soll" less the carried balance
    int pattern = -1; // index into the rules' patterns to follow, -1: none
};

// A snapshot of everything the model needs; no pointer into the roster.
struct TProposalInput {
    TMonthPlan plan; // every active employee (their entries count for the targets)
    TResolvedRules rules;
    int lookAhead = 0; // days after the month read into `after`
    std::vector<int> after; // rows × lookAhead: duty on the days after the month, nearest first
    std::vector<char> fixed; // rows × days: the cell has an entry (of any duty)
    std::vector<char> employed; // rows × days
    std::vector<char> variable; // rows: the row is planned for
    std::vector<double> fixedHours; // rows: hours of the existing entries of the month
    std::vector<double> target; // rows: hours aimed at; -1: no "Soll" in the month, no target
    std::vector<double> hoursLimit; // rows: most hours (0: none)
    std::vector<int> preferred; // rows × days: duty the pattern asks for, -1 none
    std::vector<char> night; // duties: night duty
    std::vector<QString> names; // rows
    std::vector<QString> abbr; // duties: abbreviation, else name
    std::vector<QString> dutyNames; // duties: name, else abbreviation
    int firstDay = 1, lastDay = 31;
    double timeLimit = 10;
    double relativeGap = 0.01;

    int Index(int row, int day) const { return row * plan.days + day - 1; }
};

TProposalInput PrepareProposal(const TRoster& roster, int year, int month, const TProposalOptions& options);
// Hours a person may lie off the target at no cost: half the shortest staffed duty.
double HoursTolerance(const TProposalInput& input);

// A target's day that stays short, and why.
struct TShortfall {
    int day = 0;
    int duty = -1;
    int needed = 0;
    int count = 0; // persons on it with the proposal
    int available = 0; // persons who could take it: on it already or free that day
    QString reason; // "3 Personen nötig, 2 verfügbar: Meier Urlaub, Schulz nicht qualifiziert"
};

struct TProposedCell {
    int person = -1; // roster index
    int day = 0;
    int duty = -1; // 0-based
    bool operator==(const TProposedCell&) const = default;
};

enum class TProposalStatus {
    Optimal, // proven best (within the gap)
    Stopped, // time limit or "Abbrechen": the best found
    NoSolution, // stopped before any solution: nothing proposed
    NothingToDo, // no empty cell could take a duty
    Failed, // the solver failed
};

struct TProposal {
    int year = 2000, month = 1;
    TProposalStatus status = TProposalStatus::NothingToDo;
    std::vector<TProposedCell> cells;
    std::vector<TShortfall> shortfalls;
    TCheckResult check; // the month with the proposal filled in
    std::vector<double> hours; // plan rows: month hours with the proposal
    double objective = 0;
    double bound = 0;
    double seconds = 0;
    double deviation = 0; // total |hours - target| over the planned rows with a target
    int ruleBreaks = 0; // check findings other than shortfalls and excesses
    int missing = 0; // persons missing over all shortfalls
    QString error; // Failed: why, when known (the solver module could not be loaded)
};

// Shared with the thread that waits: the best value so far, and the request to stop.
struct TSolveProgress {
    std::atomic<bool> cancel{false};
    std::mutex mutex;
    double best = 0; // objective of the best solution so far
    double bound = 0;
    int solutions = 0;
    double seconds = 0;
};

// Builds and solves the model. Safe on any thread: touches nothing but its arguments.
// `explain`: fill in the check and the shortfall reasons too (their texts come from the
// translation table, which belongs to the window's thread: a worker leaves them to it).
TProposal SolveProposal(const TProposalInput& input, TSolveProgress* progress = nullptr, bool explain = true);
// The baseline the benchmark compares against: day by day, each short target takes the
// free person furthest below their target hours who breaks no rule.
TProposal GreedyProposal(const TProposalInput& input);
// The check, shortfall reasons and figures of a filled plan (used by both).
void ExplainProposal(const TProposalInput& input, TProposal& proposal);

// Writes the proposed duties into the roster: only cells that are still empty, of the
// same person (by name) and duty (by abbreviation) as when proposed. Returns the number
// of entries made; `skipped` counts those left out.
int ApplyProposal(TRoster& roster, const TProposalInput& input, const TProposal& proposal, int* skipped = nullptr);
