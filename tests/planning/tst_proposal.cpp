#include "core/roster.h"
#include "planning/mipsolver.h"
#include "planning/proposal.h"
#include "rosterrows.h"
#include "testsupport.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QTest>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

namespace {

TStaffTarget target(const char* abbr, int nr, int min, int max)
{
    TStaffTarget t;
    t.duty = {QString::fromLatin1(abbr), nr};
    t.min.fill(min);
    t.max.fill(max);
    return t;
}

// Every entry as (date, duty), to see that a proposal never changes one.
std::vector<std::pair<double, int>> entriesOf(const TPerson& p)
{
    std::vector<std::pair<double, int>> out;
    for (int i = 0; i < p.eintraege.Count(); ++i)
        out.push_back({p.eintraege[i].datum, p.eintraege[i].dienst});
    return out;
}

QStringList cellsText(const TRoster& r, const TProposal& p)
{
    QStringList out;
    for (const TProposedCell& c : p.cells)
        out << QStringLiteral("%1:%2:%3").arg(r.personen[c.person].name).arg(c.day).arg(r.dienste[c.duty].kuerzel);
    out.sort();
    return out;
}

TProposal solve(const TRoster& r, int firstDay, int lastDay, std::vector<int> persons = {})
{
    TProposalOptions o;
    o.firstDay = firstDay;
    o.lastDay = lastDay;
    o.persons = std::move(persons);
    o.relativeGap = 0;
    return SolveProposal(PrepareProposal(r, 2024, 3, o));
}

} // namespace

class TestProposal : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Small random months whose best plan is found by trying every filling of the empty
    // cells of Monday 4 … Thursday 7 March 2024: fixed entries also on the days around,
    // random targets, successions, run limits, qualifications and hour targets.
    void reachesTheEnumeratedOptimum()
    {
        const int F = 2, S = 3, U = 1; // duty numbers; "-" = 0
        QRandomGenerator rng(20241209);
        for (int round = 0; round < 40; ++round) {
            TRoster r;
            makeRoster(r, {QString(), QString(), QString()}, 2024, 3);
            int grid[3][9] = {}; // days 1 … 8; 0 = empty
            int fixedInRange = 0;
            for (int who = 0; who < 3; ++who) {
                for (int d = 1; d <= 8; ++d) {
                    const bool inRange = d >= 4 && d <= 7;
                    if (rng.bounded(inRange ? 6 : 2) != 0 && !(inRange && fixedInRange < 2 && who == 2))
                        continue;
                    grid[who][d] = QList<int>{U, F, S}[rng.bounded(3)];
                    fixedInRange += inRange ? 1 : 0;
                    TEintrag* e = r.personen[who].eintraege.Add();
                    e->datum = EncodeDate(2024, 3, d);
                    e->dienst = grid[who][d];
                }
            }
            const int minF = rng.bounded(3), minS = rng.bounded(2), maxF = minF + rng.bounded(2), maxS = 2;
            r.regeln.targets = {target("F", F, minF, maxF), target("S", S, minS, maxS)};
            bool forbidden[4][4] = {};
            for (auto [a, b] : {std::pair{S, F}, std::pair{F, S}, std::pair{S, S}}) {
                forbidden[a][b] = rng.bounded(2) == 0;
                if (forbidden[a][b])
                    r.regeln.forbidden.push_back({DutyKeyOf(r.dienste, a - 1), DutyKeyOf(r.dienste, b - 1), {}});
            }
            const int runLimit = QList<int>{0, 2, 3}[rng.bounded(3)];
            r.regeln.maxDaysInRow = runLimit;
            const int unqualified = rng.bounded(4); // 3: everybody may do S
            if (unqualified < 3)
                r.regeln.qualifications.push_back(
                    {{QString(), QStringLiteral("P%1").arg(unqualified)}, {DutyKeyOf(r.dienste, S - 1)}, {}});
            double soll[3];
            for (int who = 0; who < 3; ++who) {
                soll[who] = rng.bounded(6) == 0 ? 0 : 8.0 * (3 + rng.bounded(4)); // 0: no target
                r.personen[who].soll.Set(2024, 3, soll[who]);
            }
            const std::vector<std::vector<std::pair<double, int>>> before
                = {entriesOf(r.personen[0]), entriesOf(r.personen[1]), entriesOf(r.personen[2])};

            const TProposal p = solve(r, 4, 7);
            QCOMPARE(p.status == TProposalStatus::Optimal || p.status == TProposalStatus::NothingToDo, true);

            std::vector<std::pair<int, int>> open; // (person, day)
            for (int who = 0; who < 3; ++who)
                for (int d = 4; d <= 7; ++d)
                    if (grid[who][d] == 0)
                        open.push_back({who, d});
            double best = 1e18;
            const long long fillings = std::llround(std::pow(3.0, double(open.size())));
            for (long long code = 0; code < fillings; ++code) {
                int g[3][9];
                std::memcpy(g, grid, sizeof g);
                bool chosen[3][9] = {};
                long long c = code;
                for (std::size_t i = 0; i < open.size(); ++i, c /= 3) {
                    g[open[i].first][open[i].second] = QList<int>{0, F, S}[int(c % 3)];
                    chosen[open[i].first][open[i].second] = true;
                }
                bool ok = true;
                double cost = 0;
                for (int d = 4; d <= 7 && ok; ++d) {
                    int f = 0, sp = 0, addF = 0, addS = 0;
                    for (int who = 0; who < 3; ++who) {
                        f += g[who][d] == F;
                        sp += g[who][d] == S;
                        addF += chosen[who][d] && g[who][d] == F;
                        addS += chosen[who][d] && g[who][d] == S;
                    }
                    ok = addF <= std::max(0, maxF - (f - addF)) && addS <= std::max(0, maxS - (sp - addS));
                    cost += 1000.0 * (std::max(0, minF - f) + std::max(0, minS - sp));
                }
                for (int who = 0; who < 3 && ok; ++who) {
                    for (int d = 1; d < 8 && ok; ++d)
                        ok = !((chosen[who][d] || chosen[who][d + 1]) && forbidden[g[who][d]][g[who][d + 1]]);
                    for (int d = 4; d <= 7 && ok; ++d)
                        ok = !(who == unqualified && chosen[who][d] && g[who][d] == S);
                    for (int start = 1; runLimit > 0 && start + runLimit <= 8 && ok; ++start) {
                        int fixedWork = 0, added = 0;
                        for (int d = start; d <= start + runLimit; ++d) {
                            const bool works = g[who][d] == F || g[who][d] == S;
                            (chosen[who][d] ? added : fixedWork) += works ? 1 : 0;
                        }
                        ok = added <= std::max(0, runLimit - fixedWork);
                    }
                    int worked = 0;
                    for (int d = 1; d <= 8; ++d)
                        worked += g[who][d] == F || g[who][d] == S;
                    if (soll[who] > 0)
                        cost += std::max(0.0, std::abs(8.0 * worked - soll[who]) - 4); // half a duty: free
                }
                if (ok)
                    best = std::min(best, cost);
            }
            if (p.status == TProposalStatus::Optimal) // else no empty cell could take a duty
                QVERIFY2(std::abs(p.objective - best) < 1e-6,
                    qPrintable(QStringLiteral("round %1: %2 against %3").arg(round).arg(p.objective).arg(best)));
            for (int who = 0; who < 3; ++who)
                QCOMPARE(entriesOf(r.personen[who]), before[std::size_t(who)]);
        }
    }

    // Too few people: the day stays short, and the list says who could not come and why.
    void shortfallsNameTheReasons()
    {
        TRoster r;
        makeRoster(r, {QStringLiteral("- - - U"), QStringLiteral(""), QStringLiteral(""), QStringLiteral("")}, 2024, 3);
        const char* names[] = {"Meier", "Schulz", "Kurz", "Lang"};
        for (int i = 0; i < 4; ++i)
            r.personen[i].name = QString::fromLatin1(names[i]);
        r.regeln.targets = {target("F", 2, 3, kNoLimit)};
        r.regeln.qualifications.push_back({{QString(), QStringLiteral("Schulz")}, {{QStringLiteral("F"), 2}}, {}});

        const TProposal p = solve(r, 4, 4);
        QCOMPARE(cellsText(r, p), QStringList({QStringLiteral("Kurz:4:F"), QStringLiteral("Lang:4:F")}));
        QCOMPARE(p.shortfalls.size(), std::size_t(1));
        const TShortfall& s = p.shortfalls[0];
        QCOMPARE(s.day, 4);
        QCOMPARE(s.needed, 3);
        QCOMPARE(s.count, 2);
        QCOMPARE(s.reason, QStringLiteral("3 Personen nötig, 2 verfügbar: Meier Urlaub, Schulz nicht qualifiziert"));
        QCOMPARE(p.missing, 1);

        // The greedy baseline fills the same cells here.
        QCOMPARE(
            cellsText(r, GreedyProposal(PrepareProposal(r, 2024, 3, {4, 4, {}, 1, 0, false, -1}))), cellsText(r, p));
    }

    // Duties before and after the month count: N on 29 February forbids F on 1 March,
    // F on 1 April forbids N on 31 March.
    void forbiddenSuccessionAcrossTheMonthBorder()
    {
        TRoster r;
        makeRoster(r, {QStringLiteral("N |"), QStringLiteral("")}, 2024, 3);
        TEintrag* april = r.personen[1].eintraege.Add();
        april->datum = EncodeDate(2024, 4, 1);
        april->dienst = dutyNumber(r, QStringLiteral("F"));
        r.regeln.targets = {target("F", 2, 1, 1), target("N", 4, 1, 1)};
        r.regeln.forbidden.push_back({{QStringLiteral("N"), 4}, {QStringLiteral("F"), 2}, {}});
        QCOMPARE(cellsText(r, solve(r, 1, 1)), QStringList({QStringLiteral("P0:1:N"), QStringLiteral("P1:1:F")}));
        QCOMPARE(cellsText(r, solve(r, 31, 31)), QStringList({QStringLiteral("P0:31:N"), QStringLiteral("P1:31:F")}));

        // Only P0 planned on the 1st: F stays short, and the reason is the succession.
        const TProposal alone = solve(r, 1, 1, {0});
        QCOMPARE(cellsText(r, alone), QStringList({QStringLiteral("P0:1:N")}));
        QCOMPARE(alone.shortfalls.size(), std::size_t(1));
        QCOMPARE(alone.shortfalls[0].reason, QStringLiteral("1 Person nötig, 1 verfügbar: P0 schon N"));
    }

    // A chosen pattern is followed where nothing else decides: free days stay free.
    void followsTheChosenPattern()
    {
        TRoster r;
        makeRoster(r, {QStringLiteral("")}, 2024, 3);
        r.regeln.targets = {target("F", 2, 0, 1), target("S", 3, 0, 1)};
        r.regeln.patterns.push_back({QStringLiteral("W"),
            {QStringLiteral("F"), QStringLiteral("S"), QStringLiteral("-"), QStringLiteral("F")}, {}});
        TProposalOptions o;
        o.firstDay = 4;
        o.lastDay = 7;
        o.relativeGap = 0;
        QCOMPARE(cellsText(r, SolveProposal(PrepareProposal(r, 2024, 3, o))), QStringList());
        o.pattern = 0;
        // Day d takes step (d - 1) mod 4 of the pattern.
        QCOMPARE(cellsText(r, SolveProposal(PrepareProposal(r, 2024, 3, o))),
            QStringList({QStringLiteral("P0:4:F"), QStringLiteral("P0:5:F"), QStringLiteral("P0:6:S")}));
    }

    // Numbers and duty numbers from a damaged or hostile file never reach the solver.
    // The solver module is loaded on the first problem; problems whose arrays do not fit
    // together never reach it.
    void mixedIntegerProblems()
    {
        QVERIFY2(QFileInfo(MipModuleFile()).isFile(), qPrintable(MipModuleFile()));
        const double inf = std::numeric_limits<double>::infinity();
        // max 5a + 4b + 3c with 2a + 3b + c <= 5, 4a + b + 2c <= 11, 3a + 4b + 2c <= 8,
        // integers 0 … 9: the best is a = 2, b = 0, c = 1, worth 13.
        TMipProblem knapsack;
        knapsack.colLo = {0, 0, 0};
        knapsack.colHi = {9, 9, 9};
        knapsack.obj = {-5, -4, -3};
        knapsack.rowLo = {-inf, -inf, -inf};
        knapsack.rowHi = {5, 11, 8};
        knapsack.starts = {0, 3, 6, 9};
        knapsack.index = {0, 1, 2, 0, 1, 2, 0, 1, 2};
        knapsack.value = {2, 3, 1, 4, 1, 2, 3, 4, 2};
        knapsack.integers = {0, 1, 2};
        knapsack.gap = 0;
        TMipProblem infeasible = knapsack;
        infeasible.rowLo[0] = 6; // 2a + 3b + c >= 6 and <= 5
        TMipProblem badIndex = knapsack;
        badIndex.index[4] = 3;
        TMipProblem badStarts = knapsack;
        badStarts.starts = {0, 6, 3, 9};
        TMipProblem shortBounds = knapsack;
        shortBounds.colHi.pop_back();

        struct Case {
            const char* name;
            const TMipProblem& problem;
            TMipStatus status;
            std::vector<double> solution;
        };
        const Case cases[] = {
            {"knapsack", knapsack, TMipStatus::Solved, {2, 0, 1}},
            {"infeasible", infeasible, TMipStatus::NoSolution, {}},
            {"term outside the columns", badIndex, TMipStatus::Failed, {}},
            {"rows out of order", badStarts, TMipStatus::Failed, {}},
            {"bounds missing", shortBounds, TMipStatus::Failed, {}},
        };
        for (const Case& c : cases) {
            int calls = 0;
            const TMipResult r = SolveMip(c.problem, [&calls](bool, double, double) {
                ++calls;
                return false;
            });
            QVERIFY2(r.status == c.status, c.name);
            QCOMPARE(r.solution.size(), c.solution.size());
            for (std::size_t i = 0; i < c.solution.size(); ++i)
                QCOMPARE(std::round(r.solution[i]), c.solution[i]);
            if (c.status == TMipStatus::Solved) {
                QVERIFY(r.optimal);
                QCOMPARE(r.objective, -13.0);
                QVERIFY(calls > 0);
            }
        }
    }

    void badNumbersAreIgnored()
    {
        TRoster r;
        makeRoster(r, {QStringLiteral(""), QStringLiteral("- - - F")}, 2024, 3);
        r.dienste[1].stunden = std::nan("");
        r.dienste[2].stunden = INFINITY;
        r.personen[0].soll.Set(2024, 3, INFINITY);
        r.personen[0].maxstunden = std::nan("");
        r.personen[1].eintraege[0].dienst = 99; // outside the duty list
        r.personen[1].eintraege[0].ueberstunden = -INFINITY;
        r.regeln.maxMonthHours = std::nan("");
        r.regeln.targets = {target("F", 2, 2, 2)};
        const TProposal p = solve(r, 4, 4);
        QCOMPARE(p.status, TProposalStatus::Optimal);
        QVERIFY(std::isfinite(p.objective) && std::isfinite(p.deviation));
        QCOMPARE(cellsText(r, p), QStringList({QStringLiteral("P0:4:F")})); // P1's day 4 holds the odd entry
        QCOMPARE(p.shortfalls.size(), std::size_t(1));
        QCOMPARE(p.shortfalls[0].reason, QStringLiteral("2 Personen nötig, 1 verfügbar: P1 Eintrag ohne Dienst"));
    }

    // Applying writes only cells that are still empty, and never touches an entry.
    void applyKeepsEntriesAndSkipsFilledCells()
    {
        TRoster r;
        makeRoster(r, {QStringLiteral("U U - S"), QStringLiteral("- S")}, 2024, 3);
        r.regeln.targets = {target("F", 2, 1, 1)};
        const TProposalInput in = PrepareProposal(r, 2024, 3, {1, 4, {}, 1, 0, false, -1});
        const TProposal p = SolveProposal(in);
        QCOMPARE(p.cells.size(), std::size_t(3)); // nobody is free on the 2nd
        const auto before0 = entriesOf(r.personen[0]);
        // Another change fills one proposed cell before the proposal is applied.
        const TProposedCell taken = p.cells.front();
        TEintrag* e = r.personen[taken.person].eintraege.Add();
        e->datum = EncodeDate(2024, 3, taken.day);
        e->dienst = dutyNumber(r, QStringLiteral("S"));
        const auto beforeTaken = entriesOf(r.personen[taken.person]);
        int skipped = -1;
        QCOMPARE(ApplyProposal(r, in, p, &skipped), 2);
        QCOMPARE(skipped, 1);
        const auto after0 = entriesOf(r.personen[0]);
        const auto afterTaken = entriesOf(r.personen[taken.person]);
        QVERIFY(std::equal(before0.begin(), before0.end(), after0.begin()));
        QVERIFY(std::equal(beforeTaken.begin(), beforeTaken.end(), afterTaken.begin()));
        for (int d = 1; d <= 4; ++d) {
            int f = 0;
            for (int i = 0; i < 2; ++i) {
                const int k = TRoster::EintragIndexOfDay(r.personen[i], 2024, 3, d);
                f += k >= 0 && r.personen[i].eintraege[k].dienst == dutyNumber(r, QStringLiteral("F"));
            }
            QCOMPARE(f, d == taken.day || d == 2 ? 0 : 1);
        }
    }
};

ROSTELMARK_TEST_MAIN(TestProposal)
#include "tst_proposal.moc"
