// The month drawing of 200 employees with ten years of entries (A4 landscape at 96 dpi),
// plain and with coverage rows and rule markers, on the first page and on the last page
// (where the coverage rows are). Target: at most 10 % more than the plain drawing. The
// plan check of the month alone: target under 20 ms.
#include "benchroster.h"
#include "core/canvas.h"
#include "core/roster.h"
#include "planner/monthgrid.h"
#include "planning/plancheck.h"

#include <QImage>

#include <benchmark/benchmark.h>

namespace {

constexpr int kW = 1123;
constexpr int kH = 794;

// Targets for every working duty, every rule kind, a qualification per tenth person.
void addRules(TRoster& r)
{
    for (int k = 0; k < 7; ++k) {
        TStaffTarget t;
        t.duty = DutyKeyOf(r.dienste, k);
        t.min.fill(20);
        t.max.fill(30);
        r.regeln.targets.push_back(t);
    }
    r.regeln.maxDaysInRow = 5;
    r.regeln.minFreeDays = 8;
    r.regeln.maxMonthHours = 170;
    for (int k = 0; k < 6; ++k)
        r.regeln.forbidden.push_back({DutyKeyOf(r.dienste, k + 1), DutyKeyOf(r.dienste, k), {}});
    for (int i = 0; i < r.personen.Count(); i += 10)
        r.regeln.qualifications.push_back({PersonKeyOf(r.personen[i]), {DutyKeyOf(r.dienste, 2)}, {}});
}

void drawLoop(benchmark::State& state, bool rules, bool lastPage)
{
    TRoster roster;
    BuildBenchRoster(roster, 200, true);
    if (rules)
        addRules(roster);
    TPlanSettings s;
    TMonthView v;
    v.year = 2024;
    v.month = 3;
    v.showCoverage = rules;
    TMonthOverlay overlay;
    overlay.ruleMarkers = rules;
    QImage img(kW, kH, QImage::Format_RGB32);
    if (lastPage) {
        TCanvas probe(&img);
        v.page = LayoutMonth(probe, kW, kH, 96, 100, roster, s, v).maxseiten;
    }
    for (auto _ : state) {
        img.fill(Qt::white);
        TCanvas canvas(&img);
        const TMonthGeometry g = DrawMonth(canvas, kW, kH, 96, 96, 100, false, roster, s, v, overlay);
        benchmark::DoNotOptimize(g);
    }
}

void BM_DrawMonth200Plain(benchmark::State& state)
{
    drawLoop(state, false, false);
}
void BM_DrawMonth200Coverage(benchmark::State& state)
{
    drawLoop(state, true, false);
}
void BM_DrawMonth200PlainLastPage(benchmark::State& state)
{
    drawLoop(state, false, true);
}
void BM_DrawMonth200CoverageLastPage(benchmark::State& state)
{
    drawLoop(state, true, true);
}

void BM_CheckMonth200(benchmark::State& state)
{
    TRoster roster;
    BuildBenchRoster(roster, 200, true);
    addRules(roster);
    for (auto _ : state) {
        const TCheckResult r = CheckMonth(roster, 2024, 3);
        benchmark::DoNotOptimize(r.findings.data());
    }
}

} // namespace

BENCHMARK(BM_DrawMonth200Plain)->Unit(benchmark::kMillisecond)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_DrawMonth200Coverage)->Unit(benchmark::kMillisecond)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_DrawMonth200PlainLastPage)->Unit(benchmark::kMillisecond)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_DrawMonth200CoverageLastPage)->Unit(benchmark::kMillisecond)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_CheckMonth200)->Unit(benchmark::kMillisecond)->Repetitions(15)->ReportAggregatesOnly(true);

int main(int argc, char** argv)
{
    return RunBenchmarksOffscreen(argc, argv);
}
