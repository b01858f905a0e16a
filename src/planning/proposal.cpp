#include "planning/proposal.h"

#include "calendar/feiertage.h"
#include "core/roster.h"
#include "i18n/translate.h"
#include "planning/mipsolver.h"
#include "planning/rotation.h"

#include <QDate>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <string>

namespace {

QString tr(const char* german)
{
    return TranslateText(QString::fromUtf8(german));
}

bool weekendOrHoliday(const TMonthPlan& plan, int day)
{
    return QDate(plan.year, plan.month, day).dayOfWeek() >= 6 || plan.holiday[std::size_t(day - 1)];
}

// An hours figure as the model takes it: ordinary numbers only.
double sane(double hours)
{
    return std::isfinite(hours) && std::abs(hours) < 1e6 ? hours : 0.0;
}

// Duties a proposal may hand out: those with a staffing target that are no absence.
std::vector<int> staffedDuties(const TProposalInput& in)
{
    std::vector<int> out;
    for (const TResolvedRules::Target& t : in.rules.targets) {
        if (t.duty >= 0 && t.duty < int(in.plan.absence.size()) && !in.plan.absence[std::size_t(t.duty)]
            && std::find(out.begin(), out.end(), t.duty) == out.end())
            out.push_back(t.duty);
    }
    return out;
}

// Most persons the targets allow on the duty that day; kNoLimit when none limits it.
int maxOn(const TProposalInput& in, int duty, int day)
{
    int hi = kNoLimit;
    const QDate date(in.plan.year, in.plan.month, day);
    for (const TResolvedRules::Target& t : in.rules.targets) {
        if (t.duty != duty)
            continue;
        const int m = in.rules.MaxOn(t, date, in.plan.holiday[std::size_t(day - 1)]);
        if (m != kNoLimit)
            hi = hi == kNoLimit ? m : std::min(hi, m);
    }
    return hi;
}

// The filled month: cells of the proposal written into the plan, and the days around it.
struct TFilled {
    const TProposalInput& in;
    TMonthPlan plan;

    explicit TFilled(const TProposalInput& input)
        : in(input)
        , plan(input.plan)
    {
    }

    // Duty on day `day` of row r, where day may lie before or after the month.
    int At(int r, int day) const
    {
        if (day < 1)
            return plan.Before(r, 1 - day);
        if (day > plan.days) {
            const int i = day - plan.days - 1;
            return i < in.lookAhead ? in.after[std::size_t(r) * std::size_t(in.lookAhead) + std::size_t(i)]
                                    : TMonthPlan::kNone;
        }
        return plan.Cell(r, day);
    }
    bool Works(int r, int day) const { return plan.Works(At(r, day)); }
    // Whether duty k on (r, day) would break a person rule, and which (empty: none).
    QString Breaks(int r, int day, int k) const
    {
        const TResolvedRules& rules = in.rules;
        const int prev = At(r, day - 1), next = At(r, day + 1);
        if (rules.Forbidden(prev, k))
            return tr("Folge %1 → %2").arg(abbr(prev), abbr(k));
        if (rules.Forbidden(k, next))
            return tr("Folge %1 → %2").arg(abbr(k), abbr(next));
        if (rules.maxDaysInRow > 0) {
            int run = 1;
            for (int d = day - 1; d >= 1 - plan.lookBack && Works(r, d); --d)
                ++run;
            for (int d = day + 1; d <= plan.days + in.lookAhead && Works(r, d); ++d)
                ++run;
            if (run > rules.maxDaysInRow)
                return tr("zu viele Tage in Folge");
        }
        if (rules.minFreeDays > 0) {
            int works = 1;
            for (int d = 1; d <= plan.days; ++d)
                works += Works(r, d) ? 1 : 0;
            if (plan.days - works < rules.minFreeDays)
                return tr("zu wenige freie Tage");
        }
        const double limit = in.hoursLimit[std::size_t(r)];
        if (limit > 0 && Hours(r) + plan.dutyHours[std::size_t(k)] > limit + 1e-9)
            return tr("Stundengrenze erreicht");
        return {};
    }
    double Hours(int r) const
    {
        double h = in.fixedHours[std::size_t(r)];
        for (int d = 1; d <= plan.days; ++d) {
            const int k = plan.Cell(r, d);
            if (!in.fixed[std::size_t(in.Index(r, d))] && k >= 0 && k < int(plan.dutyHours.size()))
                h += plan.dutyHours[std::size_t(k)];
        }
        return h;
    }
    QString abbr(int k) const
    {
        return k >= 0 && k < int(in.abbr.size()) ? in.abbr[std::size_t(k)] : QStringLiteral("-");
    }
};

// An empty cell of a planned row, in the day range, while employed.
bool open(const TProposalInput& in, int r, int day)
{
    return day >= in.firstDay && day <= in.lastDay && in.variable[std::size_t(r)]
        && !in.fixed[std::size_t(in.Index(r, day))] && in.employed[std::size_t(in.Index(r, day))];
}

// ---- the solver ---------------------------------------------------------------------------

struct TModel {
    struct Col {
        int row = -1, day = 0, duty = -1;
    };
    std::vector<Col> cells; // the first columns: one per open cell and duty, all binary
    double offset = 0; // the objective's part that no column changes
    TMipProblem mip;

    int AddCol(double l, double h, double o)
    {
        mip.colLo.push_back(l);
        mip.colHi.push_back(h);
        mip.obj.push_back(o);
        return int(mip.colLo.size()) - 1;
    }
    void AddRow(const std::vector<std::pair<int, double>>& terms, double l, double h)
    {
        if (terms.empty())
            return;
        for (const auto& [c, v] : terms) {
            mip.index.push_back(c);
            mip.value.push_back(v);
        }
        mip.starts.push_back(int(mip.index.size()));
        mip.rowLo.push_back(l);
        mip.rowHi.push_back(h);
    }
};

constexpr double kInf = std::numeric_limits<double>::infinity();

void buildModel(const TProposalInput& in, TModel& m)
{
    const TMonthPlan& plan = in.plan;
    const TResolvedRules& rules = in.rules;
    const std::vector<int> duties = staffedDuties(in);
    const int rows = plan.Rows(), days = plan.days;
    const TFilled around(in);

    // Columns of the cells: per (row, day) the list of its columns.
    std::vector<std::vector<int>> colsOf(std::size_t(rows) * std::size_t(days));
    for (int r = 0; r < rows; ++r) {
        const int person = plan.persons[std::size_t(r)];
        for (int d = 1; d <= days; ++d) {
            if (!open(in, r, d))
                continue;
            // Neighbours that the proposal does not choose are fixed facts.
            const int prev = d - 1 >= 1 && open(in, r, d - 1) ? TMonthPlan::kNone : around.At(r, d - 1);
            const int next = d + 1 <= days && open(in, r, d + 1) ? TMonthPlan::kNone : around.At(r, d + 1);
            for (int k : duties) {
                if (rules.NotAllowed(person, k) || maxOn(in, k, d) == 0 || rules.Forbidden(prev, k)
                    || rules.Forbidden(k, next))
                    continue;
                const double bonus = in.preferred[std::size_t(in.Index(r, d))] == k ? -kPatternWeight : 0.0;
                colsOf[std::size_t(in.Index(r, d))].push_back(m.AddCol(0, 1, bonus));
                m.cells.push_back({r, d, k});
            }
        }
    }
    auto cell = [&](int r, int d) -> const std::vector<int>& { return colsOf[std::size_t(in.Index(r, d))]; };
    const double tolerance = HoursTolerance(in);

    // At most one duty a day.
    for (const std::vector<int>& cols : colsOf) {
        if (cols.size() < 2)
            continue;
        std::vector<std::pair<int, double>> t;
        for (int c : cols)
            t.push_back({c, 1.0});
        m.AddRow(t, -kInf, 1);
    }

    // Staffing targets of the chosen days; the minimum may stay short at a price.
    for (const TResolvedRules::Target& target : rules.targets) {
        for (int d = in.firstDay; d <= in.lastDay; ++d) {
            const QDate date(plan.year, plan.month, d);
            const bool holiday = plan.holiday[std::size_t(d - 1)];
            const int lo = rules.MinOn(target, date, holiday), hi = rules.MaxOn(target, date, holiday);
            int have = 0;
            std::vector<std::pair<int, double>> t;
            for (int r = 0; r < rows; ++r) {
                if (plan.Cell(r, d) == target.duty)
                    ++have;
                for (int c : cell(r, d)) {
                    if (m.cells[std::size_t(c)].duty == target.duty)
                        t.push_back({c, 1.0});
                }
            }
            if (lo > have) {
                auto withShort = t;
                withShort.push_back({m.AddCol(0, lo - have, kShortWeight), 1.0});
                m.AddRow(withShort, lo - have, kInf);
            }
            if (hi != kNoLimit && !t.empty())
                m.AddRow(t, -kInf, std::max(0, hi - have));
        }
    }

    for (int r = 0; r < rows; ++r) {
        bool any = false;
        for (int d = 1; d <= days && !any; ++d)
            any = !cell(r, d).empty();
        if (!any) {
            // Nothing to choose: the deviation is a fixed part of the objective.
            if (in.variable[std::size_t(r)] && in.target[std::size_t(r)] >= 0)
                m.offset
                    += std::max(0.0, std::abs(in.fixedHours[std::size_t(r)] - in.target[std::size_t(r)]) - tolerance);
            continue;
        }
        auto cellTerms = [&](int d, std::vector<std::pair<int, double>>& t, bool hours) {
            for (int c : cell(r, d))
                t.push_back({c, hours ? plan.dutyHours[std::size_t(m.cells[std::size_t(c)].duty)] : 1.0});
        };
        // Forbidden successions between two chosen days.
        for (int d = 1; d < days; ++d) {
            for (int a : cell(r, d)) {
                std::vector<std::pair<int, double>> t{{a, 1.0}};
                for (int b : cell(r, d + 1)) {
                    if (rules.Forbidden(m.cells[std::size_t(a)].duty, m.cells[std::size_t(b)].duty))
                        t.push_back({b, 1.0});
                }
                if (t.size() > 1)
                    m.AddRow(t, -kInf, 1);
            }
        }
        // Most days in a row: every window one day longer than the limit, reaching over
        // the month's borders, has a free day.
        if (rules.maxDaysInRow > 0) {
            const int len = rules.maxDaysInRow + 1;
            for (int start = 1 - plan.lookBack; start + len - 1 <= days + in.lookAhead; ++start) {
                std::vector<std::pair<int, double>> t;
                int fixedWork = 0;
                for (int d = start; d < start + len; ++d) {
                    if (d >= 1 && d <= days && !cell(r, d).empty())
                        cellTerms(d, t, false);
                    else if (around.Works(r, d))
                        ++fixedWork;
                }
                if (!t.empty())
                    m.AddRow(t, -kInf, std::max(0, rules.maxDaysInRow - fixedWork));
            }
        }
        // Fewest free days and most hours of the month.
        std::vector<std::pair<int, double>> works, hours;
        int fixedWork = 0;
        for (int d = 1; d <= days; ++d) {
            cellTerms(d, works, false);
            cellTerms(d, hours, true);
            if (cell(r, d).empty() && around.Works(r, d))
                ++fixedWork;
        }
        if (rules.minFreeDays > 0)
            m.AddRow(works, -kInf, std::max(0, days - rules.minFreeDays - fixedWork));
        const double fixedHours = in.fixedHours[std::size_t(r)];
        if (in.hoursLimit[std::size_t(r)] > 0)
            m.AddRow(hours, -kInf, std::max(0.0, in.hoursLimit[std::size_t(r)] - fixedHours));
        // Hours near the target: what lies beyond half the shortest duty costs, as no
        // plan of whole duties can promise to come closer. No "Soll": no target.
        if (in.target[std::size_t(r)] < 0)
            continue;
        const double aim = in.target[std::size_t(r)] - fixedHours;
        auto over = hours, under = hours;
        over.push_back({m.AddCol(0, kInf, 1), -1.0});
        under.push_back({m.AddCol(0, kInf, 1), 1.0});
        m.AddRow(over, -kInf, aim + tolerance);
        m.AddRow(under, aim - tolerance, kInf);
    }

    // Fairness: weekend (and night) duties are shared in proportion to the target hours.
    // Each one beyond a person's share, rounded up, costs `weight`.
    auto spread = [&](double weight, auto counts) {
        // What the chosen days need, less what rows not planned for already cover.
        double demand = 0;
        for (const TResolvedRules::Target& t : rules.targets) {
            if (std::find(duties.begin(), duties.end(), t.duty) == duties.end())
                continue;
            for (int d = in.firstDay; d <= in.lastDay; ++d) {
                if (counts(d, t.duty))
                    demand += rules.MinOn(t, QDate(plan.year, plan.month, d), plan.holiday[std::size_t(d - 1)]);
            }
        }
        std::vector<std::vector<std::pair<int, double>>> terms(static_cast<std::size_t>(rows));
        std::vector<int> fixedCount(std::size_t(rows), 0);
        double weights = 0;
        int eligible = 0;
        for (int r = 0; r < rows; ++r) {
            for (int d = in.firstDay; d <= in.lastDay; ++d) {
                for (int c : cell(r, d)) {
                    if (counts(d, m.cells[std::size_t(c)].duty))
                        terms[std::size_t(r)].push_back({c, 1.0});
                }
                const int k = plan.Cell(r, d);
                if (plan.Works(k) && counts(d, k))
                    ++fixedCount[std::size_t(r)];
            }
            if (!in.variable[std::size_t(r)]) {
                demand -= fixedCount[std::size_t(r)];
            } else if (!terms[std::size_t(r)].empty() || fixedCount[std::size_t(r)] > 0) {
                weights += std::max(0.0, in.target[std::size_t(r)]);
                ++eligible;
            }
        }
        // A person without "Soll" counts as an average one.
        const double average = eligible > 0 ? weights / eligible : 0;
        auto weightOf = [&](int r) { return in.target[std::size_t(r)] > 0 ? in.target[std::size_t(r)] : average; };
        weights = 0;
        for (int r = 0; r < rows; ++r) {
            if (in.variable[std::size_t(r)] && (!terms[std::size_t(r)].empty() || fixedCount[std::size_t(r)] > 0))
                weights += weightOf(r);
        }
        for (int r = 0; r < rows; ++r) {
            auto& t = terms[std::size_t(r)];
            if (!in.variable[std::size_t(r)] || (t.empty() && fixedCount[std::size_t(r)] == 0))
                continue;
            const double part = weights > 0 ? weightOf(r) / weights : 1.0 / std::max(eligible, 1);
            const double share = std::ceil(std::max(0.0, demand) * part - 1e-9);
            if (t.empty()) {
                m.offset += weight * std::max(0.0, fixedCount[std::size_t(r)] - share);
                continue;
            }
            const int excess = m.AddCol(0, kInf, weight);
            m.mip.integers.push_back(excess);
            t.push_back({excess, -1.0});
            m.AddRow(t, -kInf, share - fixedCount[std::size_t(r)]);
        }
    };
    spread(kWeekendWeight, [&](int d, int) { return weekendOrHoliday(plan, d); });
    if (std::any_of(duties.begin(), duties.end(), [&](int k) { return in.night[std::size_t(k)] != 0; }))
        spread(kNightWeight, [&](int, int k) { return in.night[std::size_t(k)] != 0; });
}

} // namespace

double HoursTolerance(const TProposalInput& input)
{
    double shortest = 0;
    for (int k : staffedDuties(input)) {
        const double h = input.plan.dutyHours[std::size_t(k)];
        if (h > 0 && (shortest == 0 || h < shortest))
            shortest = h;
    }
    return shortest / 2;
}

TProposalInput PrepareProposal(const TRoster& roster, int year, int month, const TProposalOptions& options)
{
    TProposalInput in;
    in.rules = ResolveRules(roster.regeln, roster);
    const int around = LookBackFor(in.rules);
    in.plan = BuildMonthPlan(roster, year, month, around);
    // Numbers from a shared file may be anything: what is not an ordinary number of hours
    // counts as none, so the model never sees a NaN or an infinity.
    for (double& h : in.plan.dutyHours)
        h = sane(h);
    for (double& h : in.plan.extraHours)
        h = sane(h);
    in.rules.maxMonthHours = sane(in.rules.maxMonthHours);
    const TMonthPlan& plan = in.plan;
    const int rows = plan.Rows(), days = plan.days;
    in.firstDay = std::clamp(options.firstDay, 1, days);
    in.lastDay = std::clamp(options.lastDay, in.firstDay, days);
    in.timeLimit = std::clamp(options.timeLimit, 0.1, 24.0 * 3600);
    in.relativeGap = std::clamp(options.relativeGap, 0.0, 1.0);
    in.lookAhead = around;
    in.after.assign(std::size_t(rows) * std::size_t(around), TMonthPlan::kNone);
    in.fixed.assign(std::size_t(rows) * std::size_t(days), 0);
    in.employed.assign(std::size_t(rows) * std::size_t(days), 0);
    in.variable.assign(std::size_t(rows), options.persons.empty() ? 1 : 0);
    in.fixedHours.assign(std::size_t(rows), 0);
    in.target.assign(std::size_t(rows), 0);
    in.hoursLimit.assign(std::size_t(rows), 0);
    in.preferred.assign(std::size_t(rows) * std::size_t(days), -1);
    in.names.resize(std::size_t(rows));

    const int dutyCount = roster.dienste.Count();
    for (int k = 0; k < dutyCount; ++k) {
        const TDienst& d = roster.dienste[k];
        in.abbr.push_back(d.kuerzel.isEmpty() ? d.name : d.kuerzel);
        in.dutyNames.push_back(d.name.isEmpty() ? d.kuerzel : d.name);
        in.night.push_back(
            d.kuerzel == QLatin1String("N") || d.name.contains(QLatin1String("nacht"), Qt::CaseInsensitive));
    }
    std::vector<int> pattern;
    if (options.pattern >= 0 && options.pattern < int(roster.regeln.patterns.size()))
        pattern = PatternDuties(roster.regeln.patterns[std::size_t(options.pattern)], roster, nullptr);

    const TDateTime first = EncodeDate(plan.year, plan.month, 1);
    std::array<int, 31> idx{};
    for (int r = 0; r < rows; ++r) {
        const int person = plan.persons[std::size_t(r)];
        const TPerson& p = roster.personen[person];
        in.names[std::size_t(r)] = p.name;
        if (std::find(options.persons.begin(), options.persons.end(), person) != options.persons.end())
            in.variable[std::size_t(r)] = 1;
        p.eintragIndex.FindMonth(p.eintraege, plan.year, plan.month, idx.data());
        double hours = plan.extraHours[std::size_t(r)];
        const double hired = std::floor(p.eingestellt), left = std::floor(p.entlassen);
        for (int d = 1; d <= days; ++d) {
            const std::size_t i = std::size_t(in.Index(r, d));
            in.fixed[i] = idx[std::size_t(d - 1)] >= 0 ? 1 : 0;
            const int k = plan.Cell(r, d);
            if (k >= 0 && k < dutyCount)
                hours += plan.dutyHours[std::size_t(k)];
            const double when = first + d - 1;
            in.employed[i] = when >= hired && !(p.istentlassen && when > left) ? 1 : 0;
        }
        in.fixedHours[std::size_t(r)] = hours;
        const double soll = sane(p.soll.Get(plan.year, plan.month));
        double aim = soll;
        if (options.useBalance)
            aim -= sane(p.vortrag.Get(plan.year, plan.month));
        in.target[std::size_t(r)] = soll > 0 ? std::max(0.0, aim) : -1;
        double limit = in.rules.maxMonthHours;
        const double own = sane(p.maxstunden);
        if (own > 0)
            limit = limit > 0 ? std::min(limit, own) : own;
        in.hoursLimit[std::size_t(r)] = limit;

        // The days after the month, nearest first.
        int y = plan.year, m = plan.month, a = 0;
        while (a < around && y <= 9999) {
            if (++m > 12) {
                m = 1;
                ++y;
            }
            if (y > 9999)
                break;
            p.eintragIndex.FindMonth(p.eintraege, y, m, idx.data());
            for (int d = 1; d <= MonthDays(y, m) && a < around; ++d, ++a) {
                const int e = idx[std::size_t(d - 1)];
                const int k = e >= 0 ? p.eintraege[e].dienst - 1 : -1;
                in.after[std::size_t(r) * std::size_t(around) + std::size_t(a)] = k >= 0 && k < dutyCount ? k : -1;
            }
        }

        // The pattern goes on from where the person's last days left it; without a match
        // the rows start one step apart.
        if (!pattern.empty()) {
            const int n = int(pattern.size());
            int bestPhase = r % n, bestScore = 0;
            for (int phase = 0; phase < n; ++phase) {
                int score = 0;
                for (int b = 1; b <= plan.lookBack; ++b) {
                    const int want = pattern[std::size_t(((phase - b) % n + n) % n)] - 1;
                    const int had = plan.Before(r, b);
                    if (had != TMonthPlan::kNone && had == want)
                        ++score;
                }
                if (score > bestScore) {
                    bestScore = score;
                    bestPhase = phase;
                }
            }
            for (int d = 1; d <= days; ++d)
                in.preferred[std::size_t(in.Index(r, d))] = pattern[std::size_t((bestPhase + d - 1) % n)] - 1;
        }
    }
    return in;
}

TProposal SolveProposal(const TProposalInput& input, TSolveProgress* progress, bool explain)
{
    const auto start = std::chrono::steady_clock::now();
    TProposal out;
    out.year = input.plan.year;
    out.month = input.plan.month;
    TModel m;
    buildModel(input, m);
    if (m.cells.empty()) {
        out.status = TProposalStatus::NothingToDo;
        if (explain)
            ExplainProposal(input, out);
        return out;
    }

    for (int c = 0; c < int(m.cells.size()); ++c)
        m.mip.integers.push_back(c);
    m.mip.seconds = input.timeLimit;
    m.mip.gap = input.relativeGap;
    auto event = [progress, start](bool found, double best, double bound) {
        if (progress == nullptr)
            return false;
        {
            std::lock_guard<std::mutex> lock(progress->mutex);
            if (found) {
                ++progress->solutions;
                progress->best = best;
            }
            if (!std::isnan(bound))
                progress->bound = bound;
            progress->seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        }
        return progress->cancel.load();
    };
    const TMipResult solved = SolveMip(m.mip, event);

    out.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (solved.status != TMipStatus::Solved) {
        out.status = solved.status == TMipStatus::NoSolution ? TProposalStatus::NoSolution : TProposalStatus::Failed;
        out.error = solved.error;
        if (explain)
            ExplainProposal(input, out);
        return out;
    }
    out.objective = solved.objective + m.offset;
    out.bound = solved.bound + m.offset;
    out.status = solved.optimal ? TProposalStatus::Optimal : TProposalStatus::Stopped;
    if (progress != nullptr && progress->cancel.load())
        out.status = TProposalStatus::Stopped;
    const std::vector<double>& best = solved.solution;
    for (int c = 0; c < int(m.cells.size()); ++c) {
        if (best[std::size_t(c)] > 0.5) {
            const TModel::Col& col = m.cells[std::size_t(c)];
            out.cells.push_back({input.plan.persons[std::size_t(col.row)], col.day, col.duty});
        }
    }
    if (explain)
        ExplainProposal(input, out);
    return out;
}

TProposal GreedyProposal(const TProposalInput& input)
{
    const auto start = std::chrono::steady_clock::now();
    TProposal out;
    out.year = input.plan.year;
    out.month = input.plan.month;
    TFilled f(input);
    const TMonthPlan& plan = f.plan;
    std::vector<double> hours(std::size_t(plan.Rows()));
    for (int r = 0; r < plan.Rows(); ++r)
        hours[std::size_t(r)] = input.fixedHours[std::size_t(r)];
    for (int d = input.firstDay; d <= input.lastDay; ++d) {
        for (const TResolvedRules::Target& t : input.rules.targets) {
            if (t.duty < 0 || t.duty >= int(plan.absence.size()) || plan.absence[std::size_t(t.duty)])
                continue;
            const int lo = input.rules.MinOn(t, QDate(plan.year, plan.month, d), plan.holiday[std::size_t(d - 1)]);
            const int hi = maxOn(input, t.duty, d);
            int have = 0;
            for (int r = 0; r < plan.Rows(); ++r)
                have += plan.Cell(r, d) == t.duty ? 1 : 0;
            while (have < lo && (hi == kNoLimit || have < hi)) {
                int pick = -1;
                for (int r = 0; r < plan.Rows(); ++r) {
                    if (!open(input, r, d) || plan.Cell(r, d) != TMonthPlan::kNone
                        || input.rules.NotAllowed(plan.persons[std::size_t(r)], t.duty)
                        || !f.Breaks(r, d, t.duty).isEmpty())
                        continue;
                    const double below = input.target[std::size_t(r)] - hours[std::size_t(r)];
                    if (pick < 0 || below > input.target[std::size_t(pick)] - hours[std::size_t(pick)])
                        pick = r;
                }
                if (pick < 0)
                    break;
                f.plan.SetCell(pick, d, t.duty);
                hours[std::size_t(pick)] += plan.dutyHours[std::size_t(t.duty)];
                out.cells.push_back({plan.persons[std::size_t(pick)], d, t.duty});
                ++have;
            }
        }
    }
    out.status = out.cells.empty() ? TProposalStatus::NothingToDo : TProposalStatus::Stopped;
    out.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ExplainProposal(input, out);
    return out;
}

void ExplainProposal(const TProposalInput& input, TProposal& proposal)
{
    TFilled f(input);
    for (const TProposedCell& c : proposal.cells) {
        const int r = f.plan.RowOf(c.person);
        if (r >= 0 && c.day >= 1 && c.day <= f.plan.days)
            f.plan.SetCell(r, c.day, c.duty);
    }
    proposal.check = CheckPlan(f.plan, input.rules);
    const int rows = f.plan.Rows();
    proposal.hours.assign(std::size_t(rows), 0);
    proposal.deviation = 0;
    for (int r = 0; r < rows; ++r) {
        proposal.hours[std::size_t(r)] = f.Hours(r);
        if (input.variable[std::size_t(r)] && input.target[std::size_t(r)] >= 0)
            proposal.deviation += std::abs(proposal.hours[std::size_t(r)] - input.target[std::size_t(r)]);
    }
    proposal.ruleBreaks = 0;
    proposal.missing = 0;
    proposal.shortfalls.clear();
    for (const TFinding& finding : proposal.check.findings) {
        if (finding.kind != TFindingKind::Shortfall) {
            if (finding.kind != TFindingKind::Excess)
                ++proposal.ruleBreaks;
            continue;
        }
        if (finding.day < input.firstDay || finding.day > input.lastDay)
            continue;
        TShortfall s;
        s.day = finding.day;
        s.duty = finding.duty;
        s.needed = int(finding.limit);
        s.count = int(finding.actual);
        proposal.missing += s.needed - s.count;
        // Why the planned persons who are not on the duty could not take it.
        QStringList why;
        const int k = s.duty;
        for (int r = 0; r < rows; ++r) {
            const int has = f.plan.Cell(r, s.day);
            if (has == k) {
                ++s.available;
                continue;
            }
            if (!input.variable[std::size_t(r)])
                continue;
            const QString& name = input.names[std::size_t(r)];
            const std::size_t i = std::size_t(input.Index(r, s.day));
            const int person = f.plan.persons[std::size_t(r)];
            if (input.fixed[i]) {
                const QString dutyName = has >= 0 ? input.dutyNames[std::size_t(has)] : tr("Eintrag ohne Dienst");
                why << name + QLatin1Char(' ') + dutyName;
            } else if (!input.employed[i]) {
                why << name + QLatin1Char(' ') + tr("nicht angestellt");
            } else if (input.rules.NotAllowed(person, k)) {
                why << name + QLatin1Char(' ') + tr("nicht qualifiziert");
            } else {
                ++s.available;
                if (has >= 0) {
                    why << name + QLatin1Char(' ') + tr("schon %1").arg(f.abbr(has));
                } else {
                    const QString breaks = f.Breaks(r, s.day, k);
                    why << name + QLatin1Char(' ') + (breaks.isEmpty() ? tr("frei") : breaks);
                }
            }
        }
        const int shown = 8;
        if (why.size() > shown) {
            const qsizetype more = why.size() - shown;
            why = why.mid(0, shown);
            why << tr("%1 weitere").arg(more);
        }
        s.reason = (s.needed == 1 ? tr("1 Person nötig") : tr("%1 Personen nötig").arg(s.needed)) + QStringLiteral(", ")
            + tr("%1 verfügbar").arg(s.available);
        if (!why.isEmpty())
            s.reason += QStringLiteral(": ") + why.join(QStringLiteral(", "));
        proposal.shortfalls.push_back(s);
    }
}

int ApplyProposal(TRoster& roster, const TProposalInput& input, const TProposal& proposal, int* skipped)
{
    int made = 0, left = 0;
    for (const TProposedCell& c : proposal.cells) {
        const int r = input.plan.RowOf(c.person);
        const bool samePerson = r >= 0 && c.person < roster.personen.Count()
            && roster.personen[c.person].name == input.names[std::size_t(r)];
        const bool sameDuty = c.duty >= 0 && c.duty < roster.dienste.Count() && c.duty < int(input.abbr.size())
            && (roster.dienste[c.duty].kuerzel.isEmpty() ? roster.dienste[c.duty].name : roster.dienste[c.duty].kuerzel)
                == input.abbr[std::size_t(c.duty)];
        if (!samePerson || !sameDuty || c.day < 1 || c.day > input.plan.days
            || TRoster::EintragIndexOfDay(roster.personen[c.person], input.plan.year, input.plan.month, c.day) >= 0) {
            ++left;
            continue;
        }
        TEintrag* e = roster.personen[c.person].eintraege.Add();
        if (e == nullptr) {
            ++left;
            continue;
        }
        e->datum = EncodeDate(input.plan.year, input.plan.month, c.day);
        e->dienst = c.duty + 1;
        e->ueberstunden = 0;
        ++made;
    }
    if (skipped != nullptr)
        *skipped = left;
    return made;
}
