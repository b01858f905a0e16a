#include "core/roster.h"
#include "planning/proposal.h"
#include "rosterrows.h"
#include "testsupport.h"

#include <QTest>

#include <cmath>
#include <functional>

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
    // A small month whose best plan is found by trying every filling of its empty cells.
    void reachesTheEnumeratedOptimum()
    {
        TRoster r;
        // Monday 4 … Thursday 7 March 2024; P0 is on leave on the 5th.
        makeRoster(r, {QStringLiteral("- - - - - U"), QStringLiteral(""), QStringLiteral("")}, 2024, 3);
        const double soll[3] = {24, 16, 8};
        for (int i = 0; i < 3; ++i)
            r.personen[i].soll.Set(2024, 3, soll[i]);
        r.regeln.targets = {target("F", 2, 1, 1), target("S", 3, 1, 2)};
        r.regeln.forbidden.push_back({{QStringLiteral("S"), 3}, {QStringLiteral("F"), 2}, {}});
        r.regeln.maxDaysInRow = 3;
        r.regeln.qualifications.push_back({{QString(), QStringLiteral("P2")}, {{QStringLiteral("S"), 3}}, {}});
        const std::vector<std::pair<double, int>> before = entriesOf(r.personen[0]);

        const TProposal p = solve(r, 4, 7);
        QCOMPARE(p.status, TProposalStatus::Optimal);

        // Every filling: cell value 0 none, 1 F, 2 S; 11 open cells.
        const int F = 1, S = 2;
        std::vector<std::pair<int, int>> open; // (person, day)
        for (int who = 0; who < 3; ++who)
            for (int d = 4; d <= 7; ++d)
                if (!(who == 0 && d == 5))
                    open.push_back({who, d});
        double best = 1e18;
        const long long fillings = std::llround(std::pow(3.0, double(open.size())));
        for (long long code = 0; code < fillings; ++code) {
            long long c = code;
            int grid[3][8] = {};
            for (std::size_t i = 0; i < open.size(); ++i, c /= 3)
                grid[open[i].first][open[i].second] = int(c % 3);
            bool ok = true;
            double cost = 0;
            for (int d = 4; d <= 7 && ok; ++d) {
                int f = 0, s = 0;
                for (int who = 0; who < 3; ++who) {
                    f += grid[who][d] == F;
                    s += grid[who][d] == S;
                }
                ok = f <= 1 && s <= 2;
                cost += 1000 * ((f < 1) + (s < 1));
            }
            for (int who = 0; who < 3 && ok; ++who) {
                int worked = 0;
                for (int d = 4; d <= 7; ++d) {
                    worked += grid[who][d] != 0;
                    if (d < 7 && grid[who][d] == S && grid[who][d + 1] == F)
                        ok = false;
                    if (who == 2 && grid[who][d] == S)
                        ok = false;
                }
                ok = ok && worked <= 3;
                cost += std::max(0.0, std::abs(8.0 * worked - soll[who]) - 4); // within half a duty: free
            }
            if (ok)
                best = std::min(best, cost);
        }
        QCOMPARE(p.objective, best);
        QCOMPARE(kShortWeight * p.missing, best - std::fmod(best, kShortWeight));
        QCOMPARE(p.ruleBreaks, 0);
        QCOMPARE(entriesOf(r.personen[0]), before);
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
        QCOMPARE(cellsText(r, GreedyProposal(PrepareProposal(r, 2024, 3, {4, 4, {}, 1, 0, false, -1}))),
            cellsText(r, p));
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
