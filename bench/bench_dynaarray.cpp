// Appending entries the way a year of day entries is built, and the walk that looks
// up the entry of a day.
#include "core/roster.h"

#include <benchmark/benchmark.h>

static void BM_AddEntries(benchmark::State& state)
{
    for (auto _ : state) {
        TDynaArray<TEintrag> entries;
        for (int i = 0; i < state.range(0); ++i) {
            TEintrag* e = entries.Add();
            e->datum = 45000 + i;
            e->dienst = 1;
        }
        benchmark::DoNotOptimize(entries.poi);
    }
}
BENCHMARK(BM_AddEntries)->Arg(365)->Arg(3 * 365);

static void BM_EntryOfDay(benchmark::State& state)
{
    TRoster roster;
    TPerson& p = roster.personen[0];
    for (int i = 0; i < 3 * 365; ++i)
        p.eintraege.Add()->datum = EncodeDate(2022, 1, 1) + i;
    for (auto _ : state)
        benchmark::DoNotOptimize(roster.EintragOfDay(p, 2024, 12, 31));
}
BENCHMARK(BM_EntryOfDay);

BENCHMARK_MAIN();
