#include "planning/plancheck.h"

#include "calendar/feiertage.h"
#include "core/format.h"
#include "core/roster.h"
#include "i18n/translate.h"

#include <QDate>

#include <algorithm>
#include <utility>

int TMonthPlan::Before(int row, int back) const
{
    if (back < 1 || back > lookBack || row < 0 || row >= Rows())
        return kNone;
    return before[std::size_t(row) * std::size_t(lookBack) + std::size_t(back - 1)];
}

int TMonthPlan::RowOf(int person) const
{
    const auto it = std::find(persons.begin(), persons.end(), person);
    return it == persons.end() ? -1 : int(it - persons.begin());
}

int LookBackFor(const TResolvedRules& rules)
{
    // A run longer than the limit is found by the limit + 1 days before the 1st; a
    // succession needs one day.
    return std::clamp(rules.maxDaysInRow + 1, 1, 400);
}

TMonthPlan BuildMonthPlan(const TRoster& roster, int year, int month, int lookBack, const std::vector<int>* only)
{
    TMonthPlan plan;
    plan.year = std::clamp(year, 1, 9999);
    plan.month = std::clamp(month, 1, 12);
    plan.days = MonthDays(plan.year, plan.month);
    plan.lookBack = std::max(lookBack, 0);
    const int dutyCount = roster.dienste.Count();
    plan.absence.resize(std::size_t(dutyCount));
    plan.dutyHours.resize(std::size_t(dutyCount));
    for (int k = 0; k < dutyCount; ++k) {
        plan.absence[std::size_t(k)] = roster.dienste[k].abwesend ? 1 : 0;
        plan.dutyHours[std::size_t(k)] = roster.dienste[k].stunden;
    }
    for (int d = 1; d <= plan.days; ++d)
        plan.holiday[std::size_t(d - 1)] = IsFeiertag(roster.settings.FeiertageList, plan.year, plan.month, d);

    if (only != nullptr) {
        for (int i : *only) {
            if (i >= 0 && i < roster.personen.Count() && IsActiveInMonth(roster.personen[i], plan.year, plan.month))
                plan.persons.push_back(i);
        }
    } else {
        for (int i = 0; i < roster.personen.Count(); ++i) {
            if (IsActiveInMonth(roster.personen[i], plan.year, plan.month))
                plan.persons.push_back(i);
        }
    }
    const std::size_t rows = plan.persons.size();
    plan.cells.assign(rows * std::size_t(plan.days), TMonthPlan::kNone);
    plan.before.assign(rows * std::size_t(plan.lookBack), TMonthPlan::kNone);
    plan.extraHours.assign(rows, 0.0);
    auto dutyOf = [dutyCount](const TEintrag& e) { return e.dienst >= 1 && e.dienst <= dutyCount ? e.dienst - 1 : -1; };

    std::array<int, 31> idx{};
    for (std::size_t r = 0; r < rows; ++r) {
        const TPerson& p = roster.personen[plan.persons[r]];
        p.eintragIndex.FindMonth(p.eintraege, plan.year, plan.month, idx.data());
        for (int d = 0; d < plan.days; ++d) {
            if (idx[std::size_t(d)] < 0)
                continue;
            const TEintrag& e = p.eintraege[idx[std::size_t(d)]];
            plan.cells[r * std::size_t(plan.days) + std::size_t(d)] = dutyOf(e);
            plan.extraHours[r] += e.ueberstunden;
        }
        // The days before the 1st, a whole month at a time, last day first.
        int y = plan.year, m = plan.month, b = 1;
        while (b <= plan.lookBack && y >= 1) {
            if (--m < 1) {
                m = 12;
                --y;
            }
            if (y < 1)
                break;
            p.eintragIndex.FindMonth(p.eintraege, y, m, idx.data());
            for (int d = MonthDays(y, m); d >= 1 && b <= plan.lookBack; --d, ++b) {
                if (idx[std::size_t(d - 1)] >= 0)
                    plan.before[r * std::size_t(plan.lookBack) + std::size_t(b - 1)]
                        = dutyOf(p.eintraege[idx[std::size_t(d - 1)]]);
            }
        }
    }
    return plan;
}

namespace {

void markBroken(TCheckResult& out, const TMonthPlan& plan, int row, int day)
{
    out.broken[std::size_t(row) * std::size_t(plan.days) + std::size_t(day - 1)] = 1;
}

void checkCoverage(const TMonthPlan& plan, const TResolvedRules& rules, TCheckResult& out)
{
    if (rules.targets.empty())
        return;
    // Persons per duty and day, in one pass over the plan.
    const std::size_t duties = std::size_t(std::max(rules.dutyCount, 0));
    std::vector<int> counts(duties * std::size_t(plan.days), 0);
    for (int r = 0; r < plan.Rows(); ++r) {
        const int* row = &plan.cells[std::size_t(r) * std::size_t(plan.days)];
        for (int d = 0; d < plan.days; ++d) {
            if (row[d] >= 0 && std::size_t(row[d]) < duties)
                ++counts[std::size_t(row[d]) * std::size_t(plan.days) + std::size_t(d)];
        }
    }
    for (const TResolvedRules::Target& t : rules.targets) {
        TCheckResult::Coverage cov;
        cov.duty = t.duty;
        const int* count = &counts[std::size_t(t.duty) * std::size_t(plan.days)];
        for (int d = 1; d <= plan.days; ++d) {
            const QDate date(plan.year, plan.month, d);
            const bool holiday = plan.holiday[std::size_t(d - 1)];
            const int n = count[d - 1], lo = rules.MinOn(t, date, holiday), hi = rules.MaxOn(t, date, holiday);
            cov.count[std::size_t(d - 1)] = n;
            cov.min[std::size_t(d - 1)] = lo;
            cov.max[std::size_t(d - 1)] = hi;
            if (n < lo)
                out.findings.push_back({TFindingKind::Shortfall, d, -1, t.duty, -1, double(n), double(lo)});
            else if (hi != kNoLimit && n > hi)
                out.findings.push_back({TFindingKind::Excess, d, -1, t.duty, -1, double(n), double(hi)});
        }
        out.coverage.push_back(cov);
    }
}

void checkPerson(
    const TMonthPlan& plan, const TResolvedRules& rules, int r, TCheckResult& out, std::vector<TFinding>& monthWide)
{
    const int person = plan.persons[std::size_t(r)];
    // The run of working days that reaches into the month.
    int run = 0;
    if (rules.maxDaysInRow > 0) {
        while (run < plan.lookBack && plan.Works(plan.Before(r, run + 1)))
            ++run;
    }
    int runFinding = -1; // index of the finding of the current run
    int prev = plan.Before(r, 1);
    int free = 0;
    double hours = plan.extraHours[std::size_t(r)];
    for (int d = 1; d <= plan.days; ++d) {
        const int duty = plan.Cell(r, d);
        const bool works = plan.Works(duty);
        if (duty >= 0 && duty < int(plan.dutyHours.size()))
            hours += plan.dutyHours[std::size_t(duty)];
        if (!works)
            ++free;

        if (rules.maxDaysInRow > 0) {
            run = works ? run + 1 : 0;
            if (run == 0) {
                runFinding = -1;
            } else if (run > rules.maxDaysInRow) {
                if (runFinding < 0) {
                    runFinding = int(out.findings.size());
                    out.findings.push_back(
                        {TFindingKind::DaysInRow, d, person, -1, -1, double(run), double(rules.maxDaysInRow)});
                }
                out.findings[std::size_t(runFinding)].actual = run;
                markBroken(out, plan, r, d);
            }
        }
        if (rules.Forbidden(prev, duty)) {
            out.findings.push_back({TFindingKind::Succession, d, person, prev, duty, 0, 0});
            markBroken(out, plan, r, d);
        }
        if (rules.NotAllowed(person, duty)) {
            out.findings.push_back({TFindingKind::NotQualified, d, person, duty, -1, 0, 0});
            markBroken(out, plan, r, d);
        }
        prev = duty;
    }
    if (rules.minFreeDays > 0 && free < rules.minFreeDays)
        monthWide.push_back({TFindingKind::FreeDays, 0, person, -1, -1, double(free), double(rules.minFreeDays)});
    if (rules.maxMonthHours > 0 && hours > rules.maxMonthHours + 1e-9)
        monthWide.push_back({TFindingKind::Hours, 0, person, -1, -1, hours, rules.maxMonthHours});
}

} // namespace

TCheckResult CheckPlan(const TMonthPlan& plan, const TResolvedRules& rules)
{
    TCheckResult out;
    out.broken.assign(plan.cells.size(), 0);
    out.persons = plan.persons;
    checkCoverage(plan, rules, out);
    std::vector<TFinding> monthWide;
    for (int r = 0; r < plan.Rows(); ++r)
        checkPerson(plan, rules, r, out, monthWide);
    std::stable_sort(
        out.findings.begin(), out.findings.end(), [](const TFinding& a, const TFinding& b) { return a.day < b.day; });
    out.findings.insert(out.findings.end(), monthWide.begin(), monthWide.end());
    return out;
}

TCheckResult CheckMonth(const TRoster& roster, int year, int month)
{
    const TResolvedRules rules = ResolveRules(roster.regeln, roster);
    return CheckPlan(BuildMonthPlan(roster, year, month, LookBackFor(rules)), rules);
}

TCheckResult CheckCoverage(const TRoster& roster, int year, int month)
{
    TResolvedRules rules = ResolveRules(roster.regeln, roster);
    rules.maxDaysInRow = rules.minFreeDays = 0;
    rules.maxMonthHours = 0;
    std::fill(rules.forbiddenNext.begin(), rules.forbiddenNext.end(), 0);
    std::fill(rules.notAllowed.begin(), rules.notAllowed.end(), 0);
    return CheckPlan(BuildMonthPlan(roster, year, month, 0), rules);
}

TCheckResult CheckPersons(const TRoster& roster, int year, int month, const std::vector<int>& persons)
{
    TResolvedRules rules = ResolveRules(roster.regeln, roster);
    rules.targets.clear();
    return CheckPlan(BuildMonthPlan(roster, year, month, LookBackFor(rules), &persons), rules);
}

const char* FindingKindKey(TFindingKind kind)
{
    switch (kind) {
    case TFindingKind::Shortfall:
        return "shortfall";
    case TFindingKind::Excess:
        return "excess";
    case TFindingKind::DaysInRow:
        return "daysInRow";
    case TFindingKind::Succession:
        return "succession";
    case TFindingKind::FreeDays:
        return "freeDays";
    case TFindingKind::Hours:
        return "hours";
    case TFindingKind::NotQualified:
        return "notQualified";
    }
    return "";
}

TFindingText FindingText(const TFinding& f, const TRoster& roster, int year, int month)
{
    auto tr = [](const char* german) { return TranslateText(QString::fromUtf8(german)); };
    auto abbr = [&](int duty) {
        if (duty < 0 || duty >= roster.dienste.Count())
            return QStringLiteral("?");
        const TDienst& d = roster.dienste[duty];
        return d.kuerzel.isEmpty() ? d.name : d.kuerzel;
    };
    auto num = [](double v) { return FormatNumberText(v); };
    TFindingText t;
    if (f.day > 0) {
        const QDate date(year, month, f.day);
        t.day = date.isValid() ? FormatDate4(date) : QString::number(f.day);
    }
    if (f.person >= 0 && f.person < roster.personen.Count())
        t.subject = roster.personen[f.person].name;
    else
        t.subject = abbr(f.duty);
    switch (f.kind) {
    case TFindingKind::Shortfall:
        t.rule = tr("Unterbesetzt");
        t.numbers = tr("%1 von mindestens %2").arg(num(f.actual), num(f.limit));
        break;
    case TFindingKind::Excess:
        t.rule = tr("Überbesetzt");
        t.numbers = tr("%1 von höchstens %2").arg(num(f.actual), num(f.limit));
        break;
    case TFindingKind::DaysInRow:
        t.rule = tr("Zu viele Tage in Folge");
        t.numbers = tr("%1 Tage, höchstens %2").arg(num(f.actual), num(f.limit));
        break;
    case TFindingKind::Succession:
        t.rule = tr("Verbotene Folge");
        t.numbers = abbr(f.duty) + QStringLiteral(" → ") + abbr(f.duty2);
        break;
    case TFindingKind::FreeDays:
        t.rule = tr("Zu wenige freie Tage");
        t.numbers = tr("%1 freie Tage, mindestens %2").arg(num(f.actual), num(f.limit));
        break;
    case TFindingKind::Hours:
        t.rule = tr("Zu viele Stunden");
        t.numbers = tr("%1 Stunden, höchstens %2").arg(num(f.actual), num(f.limit));
        break;
    case TFindingKind::NotQualified:
        t.rule = tr("Nicht qualifiziert");
        t.numbers = tr("%1 nicht erlaubt").arg(abbr(f.duty));
        break;
    }
    return t;
}
