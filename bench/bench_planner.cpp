// One full DrawMonth of the screen preview (A4 landscape at 96 dpi, zoom 100, sums and
// legend on) for 200 active employees with ten years of daily entries, against the same
// drawing without entries. Targets: median ≤ 8 ms, at most 1.5× the drawing without
// entries. A repaint costs what the page costs, not what the roster holds: the
// 2000-employee drawing at most 1.25× the 200-employee one; 10000 is reported only.
#include "benchroster.h"
#include "core/canvas.h"
#include "core/datetime.h"
#include "core/roster.h"
#include "planner/monthgrid.h"

#include <QGuiApplication>
#include <QImage>

#include <benchmark/benchmark.h>

namespace {

constexpr int kW = 1123;
constexpr int kH = 794;

void drawLoop(benchmark::State& state, int persons, bool entries)
{
    TRoster roster;
    BuildBenchRoster(roster, persons, entries);
    TPlanSettings s; // legend and sums on by default
    TMonthView v;
    v.year = 2024;
    v.month = 3;
    QImage img(kW, kH, QImage::Format_RGB32);
    {
        // One drawing first: the entry indexes are built on first use, and a repaint
        // is what is measured.
        TCanvas canvas(&img);
        DrawMonth(canvas, kW, kH, 96, 96, 100, false, roster, s, v);
    }
    for (auto _ : state) {
        img.fill(Qt::white);
        TCanvas canvas(&img);
        const TMonthGeometry g = DrawMonth(canvas, kW, kH, 96, 96, 100, false, roster, s, v);
        benchmark::DoNotOptimize(g);
    }
}

void BM_DrawMonth200WithEntries(benchmark::State& state)
{
    drawLoop(state, 200, true);
}
void BM_DrawMonth200NoEntries(benchmark::State& state)
{
    drawLoop(state, 200, false);
}
void BM_DrawMonth2000WithEntries(benchmark::State& state)
{
    drawLoop(state, 2000, true);
}

void BM_DrawMonth10000WithEntries(benchmark::State& state)
{
    drawLoop(state, 10000, true);
}

} // namespace

BENCHMARK(BM_DrawMonth200WithEntries)->Unit(benchmark::kMillisecond)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_DrawMonth200NoEntries)->Unit(benchmark::kMillisecond)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_DrawMonth2000WithEntries)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_DrawMonth10000WithEntries)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);

int main(int argc, char** argv)
{
    return RunBenchmarksOffscreen(argc, argv);
}
