// Calendar files of the 200-employee, ten-year roster: every employee, one year, as the
// desktop program and the command line write them (200 files into a fresh folder), and
// the calendars alone without the file system. Target: the export well under a second.
#include "core/datetime.h"
#include "core/roster.h"
#include "output/icalexport.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// Eight duties (the last an absence), 200 persons with one entry per day of 2015 … 2024;
// a tenth of the entries have no duty, a tenth a duty outside the list, some extra hours.
void build(TRoster& r)
{
    r.personen.Clear();
    r.dienste.Clear();
    for (int k = 0; k < 8; ++k) {
        TDienst* d = r.dienste.Add();
        d->name = QStringLiteral("Dienst %1").arg(k + 1);
        d->kuerzel = QStringLiteral("D%1").arg(k + 1);
        d->stunden = 8;
        d->abwesend = k == 7;
    }
    const TDateTime first = EncodeDate(2015, 1, 1);
    const TDateTime last = EncodeDate(2024, 12, 31);
    for (int i = 0; i < 200; ++i) {
        TPerson* p = r.AddPerson();
        p->name = QString::fromUtf8("Mitarbeiter Müller %1").arg(i + 1);
        p->persnr = QString::number(1000 + i);
        for (TDateTime d = first; d <= last; d += 1) {
            TEintrag* e = p->eintraege.Add();
            e->datum = d;
            e->dienst = (i + static_cast<int>(d)) % 10; // 0 = no duty, 9 = no such duty
            e->ueberstunden = static_cast<int>(d) % 7 == 0 ? 1.5 : 0;
        }
    }
}

const TICalRange kYear{2024, 1, 2024, 12};

void BM_ICalExportAll200(benchmark::State& state)
{
    TRoster roster;
    build(roster);
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

void BM_ICalCalendars200(benchmark::State& state)
{
    TRoster roster;
    build(roster);
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
BENCHMARK(BM_ICalCalendars200)->Unit(benchmark::kMillisecond)->Repetitions(15)->ReportAggregatesOnly(true);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
