// One full DrawDay and one full DrawYear of the screen preview (A4 landscape at 96 dpi,
// zoom 100) for 200 active employees with ten years of daily entries. Target: median
// ≤ 8 ms each. The day list of 2000 employees is reported only.
#include "benchroster.h"
#include "core/canvas.h"
#include "core/datetime.h"
#include "core/roster.h"
#include "views/dayview.h"
#include "views/yearview.h"

#include <QGuiApplication>
#include <QImage>

#include <benchmark/benchmark.h>

namespace {

constexpr int kW = 1123;
constexpr int kH = 794;


void dayLoop(benchmark::State& state, int persons)
{
    TRoster roster;
    BuildBenchRoster(roster, persons, true, true);
    const TPlanSettings s;
    TDayView v;
    v.date = QDate(2024, 12, 30); // late in the entries: a walk would pass almost all of them
    QImage img(kW, kH, QImage::Format_RGB32);
    for (auto _ : state) {
        img.fill(Qt::white);
        TCanvas canvas(&img);
        const TDayGeometry g = DrawDay(canvas, kW, kH, 96, 600, 100, false, roster, s, v);
        benchmark::DoNotOptimize(g);
    }
}

void BM_DrawDay200(benchmark::State& state)
{
    dayLoop(state, 200);
}
void BM_DrawDay2000(benchmark::State& state)
{
    dayLoop(state, 2000);
}

void BM_DrawYear200(benchmark::State& state)
{
    TRoster roster;
    BuildBenchRoster(roster, 200, true, true);
    const TPlanSettings s;
    TYearView v;
    v.year = 2024;
    v.selected = 199;
    QImage img(kW, kH, QImage::Format_RGB32);
    for (auto _ : state) {
        img.fill(Qt::white);
        TCanvas canvas(&img);
        const TYearGeometry g = DrawYear(canvas, kW, kH, 96, 600, 100, false, roster, s, v);
        benchmark::DoNotOptimize(g);
    }
}

} // namespace

BENCHMARK(BM_DrawDay200)->Unit(benchmark::kMillisecond)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_DrawYear200)->Unit(benchmark::kMillisecond)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_DrawDay2000)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

int main(int argc, char** argv)
{
    return RunBenchmarksOffscreen(argc, argv);
}
