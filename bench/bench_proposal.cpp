// The month proposal on a realistic month (March 2024): eight duties (six staffed, with
// targets per weekday; leave and sickness as absences), full- and part-time employees,
// absences already entered, nights at the end of February, rules of every kind.
// Targets: 24 employees optimal or within 1 % of the bound in at most 5 s; 100 employees
// a solution without avoidable shortfalls within 30 s. Beside each, the greedy fill on
// the same month as the baseline: shortfalls (persons missing), rule breaks and the
// total deviation from the target hours, as counters. And how long "Abbrechen" takes to
// stop a 100-employee solve half a second in, keeping the best proposal found.
#include "core/datetime.h"
#include "core/roster.h"
#include "planning/proposal.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <thread>

namespace {

struct TDutyDef {
    const char* name;
    const char* abbr;
    double hours;
    bool absent;
    int weekday, weekend; // persons needed per 24 employees
};

const TDutyDef kDuties[] = {
    {"Frühdienst", "F", 7.5, false, 4, 3},
    {"Spätdienst", "S", 7.5, false, 4, 3},
    {"Nachtdienst", "N", 10, false, 2, 2},
    {"Tagdienst", "T", 8, false, 2, 0},
    {"Zwischendienst", "Z", 6, false, 1, 0},
    {"Bereitschaft", "B", 8, false, 0, 1},
    {"Urlaub", "U", 7.5, true, 0, 0},
    {"Krank", "K", 7.5, true, 0, 0},
};

void buildMonth(TRoster& r, int persons)
{
    r.personen.Clear();
    r.dienste.Clear();
    for (const TDutyDef& d : kDuties) {
        TDienst* x = r.dienste.Add();
        x->name = QString::fromUtf8(d.name);
        x->kuerzel = QString::fromLatin1(d.abbr);
        x->stunden = d.hours;
        x->abwesend = d.absent;
    }
    const int scale = std::max(1, (persons + 12) / 24);
    for (int k = 0; k < 6; ++k) {
        TStaffTarget t;
        t.duty = DutyKeyOf(r.dienste, k);
        for (int w = 0; w < 7; ++w) {
            const int need = (w < 5 ? kDuties[k].weekday : kDuties[k].weekend) * scale;
            t.min[std::size_t(w)] = need;
            t.max[std::size_t(w)] = need + scale;
        }
        r.regeln.targets.push_back(t);
    }
    r.regeln.maxDaysInRow = 6;
    r.regeln.minFreeDays = 8;
    for (const char* pair : {"NF", "NS", "NT", "NZ", "SF"}) {
        const int a = ResolveDuty(r.dienste, {QString(QLatin1Char(pair[0])), 0});
        const int b = ResolveDuty(r.dienste, {QString(QLatin1Char(pair[1])), 0});
        r.regeln.forbidden.push_back({DutyKeyOf(r.dienste, a), DutyKeyOf(r.dienste, b), {}});
    }
    for (int i = 0; i < persons; ++i) {
        TPerson* p = r.AddPerson();
        p->name = QStringLiteral("Mitarbeiter %1").arg(i + 1);
        p->persnr = QString::number(100 + i);
        p->eingestellt = EncodeDate(2020, 1, 1);
        // Two thirds full time, then three quarters and half time.
        const double soll = i % 6 < 4 ? 160 : (i % 6 == 4 ? 120 : 80);
        p->soll.Set(2024, 3, soll);
        p->vortrag.Set(2024, 3, (i % 5 - 2) * 4.0);
        auto put = [&](int month, int day, int duty) {
            TEintrag* e = p->eintraege.Add();
            e->datum = EncodeDate(2024, month, day);
            e->dienst = duty;
        };
        // A week of leave for every fourth person, sick days for every seventh, a wish
        // for a free weekend for every fifth (entered as leave), nights before the 1st.
        if (i % 4 == 0)
            for (int d = 0; d < 7; ++d)
                put(3, 1 + (i * 3 + d) % 28, 7);
        if (i % 7 == 3)
            for (int d = 0; d < 3; ++d)
                put(3, 10 + (i + d) % 18, 8);
        if (i % 5 == 2) {
            put(3, 16, 7);
            put(3, 17, 7);
        }
        if (i % 6 == 1) {
            put(2, 28, 3);
            put(2, 29, 3);
        }
        if (i % 12 == 5) // not qualified for nights
            r.regeln.qualifications.push_back({PersonKeyOf(*p), {DutyKeyOf(r.dienste, 2)}, {}});
    }
}

void report(benchmark::State& state, const TProposal& p)
{
    state.counters["missing"] = p.missing;
    state.counters["ruleBreaks"] = p.ruleBreaks;
    state.counters["deviation"] = p.deviation;
    state.counters["duties"] = double(p.cells.size());
}

void BM_Proposal(benchmark::State& state)
{
    TRoster roster;
    buildMonth(roster, int(state.range(0)));
    TProposalOptions options;
    options.timeLimit = double(state.range(1));
    options.relativeGap = 0.01;
    const TProposalInput input = PrepareProposal(roster, 2024, 3, options);
    TProposal p;
    for (auto _ : state)
        p = SolveProposal(input);
    report(state, p);
    state.counters["optimal"] = p.status == TProposalStatus::Optimal ? 1 : 0;
    state.counters["objective"] = p.objective;
    state.counters["bound"] = p.bound;
    state.counters["gapPercent"]
        = std::abs(p.objective) > 1e-9 ? 100 * (p.objective - p.bound) / std::abs(p.objective) : 0;
}

void BM_Greedy(benchmark::State& state)
{
    TRoster roster;
    buildMonth(roster, int(state.range(0)));
    const TProposalInput input = PrepareProposal(roster, 2024, 3, {});
    TProposal p;
    for (auto _ : state)
        p = GreedyProposal(input);
    report(state, p);
}

// "Abbrechen" half a second in: the time reported is from the request to the return.
void BM_ProposalCancel(benchmark::State& state)
{
    TRoster roster;
    buildMonth(roster, int(state.range(0)));
    TProposalOptions options;
    options.timeLimit = 60;
    const TProposalInput input = PrepareProposal(roster, 2024, 3, options);
    TProposal p;
    for (auto _ : state) {
        state.PauseTiming();
        TSolveProgress progress;
        std::thread solver([&] { p = SolveProposal(input, &progress); });
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        state.ResumeTiming();
        progress.cancel = true;
        solver.join();
    }
    report(state, p);
    state.counters["stopped"] = p.status == TProposalStatus::Stopped ? 1 : 0;
}

} // namespace

BENCHMARK(BM_ProposalCancel)->Arg(100)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Proposal)
    ->Args({24, 5})
    ->Args({100, 30})
    ->Iterations(1)
    ->Repetitions(3)
    ->Unit(benchmark::kSecond)
    ->ReportAggregatesOnly(false);
BENCHMARK(BM_Greedy)->Arg(24)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
