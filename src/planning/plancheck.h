#pragma once
// "What does this plan break": one month of the roster as a table of duties, checked
// against the resolved planning rules. The grid's coverage rows and markers, the
// "Plan prüfen" list, the command-line tool and an automatic proposal all use it; a
// proposal fills the table's empty cells and checks the result the same way.

#include "planning/planrules.h"

#include <QString>

#include <array>
#include <vector>

class TRoster;

// The duties of one month: row p is roster.personen[persons[p]], column d is day d + 1.
struct TMonthPlan {
    static constexpr int kNone = -1;

    int year = 2000, month = 1, days = 31;
    std::vector<int> persons; // roster indices of the employees active in the month
    std::vector<int> cells; // persons.size() × days: 0-based duty, kNone = no duty
    // The days before the 1st, nearest first: persons.size() × lookBack.
    int lookBack = 0;
    std::vector<int> before;
    std::vector<double> extraHours; // per row: the month's extra hours
    std::vector<char> absence; // per duty: counts as no work
    std::vector<double> dutyHours; // per duty
    std::array<bool, 31> holiday{};

    int Rows() const { return int(persons.size()); }
    int Cell(int row, int day) const { return cells[std::size_t(row) * std::size_t(days) + std::size_t(day - 1)]; }
    void SetCell(int row, int day, int duty)
    {
        cells[std::size_t(row) * std::size_t(days) + std::size_t(day - 1)] = duty;
    }
    // Duty `back` days before the 1st (1 = last day of the previous month).
    int Before(int row, int back) const;
    // A duty that is no absence.
    bool Works(int duty) const { return duty >= 0 && duty < int(absence.size()) && !absence[std::size_t(duty)]; }
    // Row of a roster person, -1 when not in the plan.
    int RowOf(int person) const;
};

// Reads the month from the roster: the first entry of each day, duties outside the duty
// list as no duty. `lookBack` days before the month are read for rules that reach over
// its start.
// `only`: just these roster persons (active in the month), for checks of some rows.
TMonthPlan BuildMonthPlan(
    const TRoster& roster, int year, int month, int lookBack, const std::vector<int>* only = nullptr);
// The look-back the rules need.
int LookBackFor(const TResolvedRules& rules);

enum class TFindingKind { Shortfall, Excess, DaysInRow, Succession, FreeDays, Hours, NotQualified };

struct TFinding {
    TFindingKind kind = TFindingKind::Shortfall;
    int day = 0; // 1-based; 0 = the whole month
    int person = -1; // roster index
    int duty = -1; // 0-based; the first duty of a succession
    int duty2 = -1; // the second duty of a succession
    double actual = 0;
    double limit = 0;
    bool operator==(const TFinding&) const = default;
};

struct TCheckResult {
    std::vector<TFinding> findings; // by day (month-wide last), then as found
    // Coverage: for each resolved target (same order) the count per day and its limits.
    struct Coverage {
        int duty = -1;
        std::array<int, 31> count{}, min{}, max{};
    };
    std::vector<Coverage> coverage;
    std::vector<char> broken; // plan rows × days: the cell breaks a person rule
    std::vector<int> persons; // roster index of each plan row

    bool Clean() const { return findings.empty(); }
    bool Broken(int row, int day, int days) const
    {
        const std::size_t i = std::size_t(row) * std::size_t(days) + std::size_t(day - 1);
        return row >= 0 && day >= 1 && day <= days && i < broken.size() && broken[i] != 0;
    }
};

TCheckResult CheckPlan(const TMonthPlan& plan, const TResolvedRules& rules);
// Resolve, read the month and check it.
TCheckResult CheckMonth(const TRoster& roster, int year, int month);
// The rules of these persons only (the grid's markers of one page); coverage then counts
// only them.
TCheckResult CheckPersons(const TRoster& roster, int year, int month, const std::vector<int>& persons);
// The staffing targets alone (the grid's coverage rows).
TCheckResult CheckCoverage(const TRoster& roster, int year, int month);

// The columns of a finding as the list and the tool show them, in the current language.
struct TFindingText {
    QString day; // date, empty for the whole month
    QString subject; // duty abbreviation or person name
    QString rule;
    QString numbers;
};
TFindingText FindingText(const TFinding& f, const TRoster& roster, int year, int month);
// Name of the rule kind in the machine-readable output ("shortfall", …).
const char* FindingKindKey(TFindingKind kind);
