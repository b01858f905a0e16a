// Calendar files of the 200-employee, ten-year roster: every employee, one year, as the
// desktop program and the command line write them (200 files into a fresh folder, each
// synced before its rename, the folder once at the end), the same with syncs skipped (what
// the durability costs; at most twice the unsynced export), and the calendars alone
// without the file system. Target: the export well under a second. Run it with TMPDIR on
// the disk to be measured (a memory file system syncs for free).
#include "benchroster.h"
#include "core/datetime.h"
#include "core/fsops.h"
#include "core/roster.h"
#include "output/icalexport.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

const TICalRange kYear{2024, 1, 2024, 12};

void BM_ICalExportAll200(benchmark::State& state)
{
    TRoster roster;
    BuildBenchRoster(roster, 200, true, true);
    QTemporaryDir dir;
    int events = 0;
    for (auto _ : state) {
        const TICalResult res = ExportICalAll(roster, kYear, dir.path());
        if (!res.ok())
            state.SkipWithError("export failed");
        events = res.events;
    }
    state.counters["events"] = events;
}

// The real file system without its syncs.
class TNoSyncFs : public TFsOps {
public:
    int fsync(int) override { return 0; }
    int fsyncFolder(const char*) override { return 0; }
};

void BM_ICalExportAll200NoSync(benchmark::State& state)
{
    TNoSyncFs fs;
    SetFs(&fs);
    BM_ICalExportAll200(state);
    SetFs(nullptr);
}

void BM_ICalCalendars200(benchmark::State& state)
{
    TRoster roster;
    BuildBenchRoster(roster, 200, true, true);
    const QDateTime stamp = Clock::now();
    for (auto _ : state) {
        qsizetype bytes = 0;
        for (const TPerson& p : roster.personen)
            bytes += PersonCalendar(roster, p, kYear, stamp).size();
        benchmark::DoNotOptimize(bytes);
    }
}

} // namespace

BENCHMARK(BM_ICalExportAll200)->Unit(benchmark::kMillisecond)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_ICalExportAll200NoSync)->Unit(benchmark::kMillisecond)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_ICalCalendars200)->Unit(benchmark::kMillisecond)->Repetitions(15)->ReportAggregatesOnly(true);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
