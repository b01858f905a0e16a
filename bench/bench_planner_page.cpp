// A hover move over the month grid of the real main window, offscreen: the mouse event
// with its hit test, the drawing of the month into the preview and the blit onto the
// paint box, alternating between two cells so that the hover frame moves every time.
// A cursor move: an arrow key in the key field, the cursor moved, the month drawn and
// blitted; each move is timed, and the median and 95th percentile of the moves reported.
// Rosters: the 24-employee sample month, and 200 employees with ten years of daily entries.
#include "app/mainform.h"
#include "planner/monatsplanerpage.h"
#include "sampleroster.h"

#include <QApplication>
#include <QLineEdit>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace {

constexpr int kYear = 2024;
constexpr int kMonth = 3;

// Daily entries of the ten years before the shown month, in date order.
void addTenYears(TRoster& roster)
{
    const QDate from(kYear - 10, kMonth, 1), to(kYear, kMonth, 1);
    int i = 0;
    for (TPerson& p : roster.personen) {
        for (QDate d = from; d < to; d = d.addDays(1)) {
            TEintrag* e = p.eintraege.Add();
            e->datum = EncodeDate(d.year(), d.month(), d.day());
            e->dienst = 1 + (i + d.day()) % 8;
        }
        ++i;
    }
}

// The main window on the planner page with the benchmark's roster (and ten years of
// entries when the second argument says so), shown.
TMonatsplanerPage* showPlanner(TMainForm& form, benchmark::State& state)
{
    sample::FillRoster(form.roster, int(state.range(0)), kYear, kMonth);
    if (state.range(1))
        addTenYears(form.roster);
    TMonatsplanerPage* page = form.MonatsplanerSheet;
    page->Mon2Ed->setValue(kMonth);
    page->Year2Ed->setValue(kYear);
    form.ListDienste();
    form.ListPersons2();
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        state.SkipWithError("window not shown");
    return page;
}

void BM_HoverMove(benchmark::State& state)
{
    const int persons = int(state.range(0));
    TMainForm form;
    TMonatsplanerPage* page = showPlanner(form, state);
    const TMonthGeometry g = page->Geometry();
    const QPoint a(g.sx + 3 * g.wx + g.wx / 2, g.sy + g.wy / 2);
    const QPoint b(g.sx + 4 * g.wx + g.wx / 2, g.sy + g.wy + g.wy / 2);
    bool flip = false;
    for (auto _ : state) {
        QTest::mouseMove(page->PaintBox1, flip ? a : b);
        page->PaintBox1->repaint();
        flip = !flip;
    }
    state.counters["employees"] = persons;
    // The end sequence saves into the private data folder; keep that short.
    form.roster.personen.Clear();
    form.roster.dienste.Clear();
}
BENCHMARK(BM_HoverMove)
    ->ArgsProduct({{24, 200}, {0, 1}})
    ->ArgNames({"employees", "tenyears"})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_CursorMove(benchmark::State& state)
{
    const int persons = int(state.range(0));
    TMainForm form;
    TMonatsplanerPage* page = showPlanner(form, state);
    page->KeyEdit->setFocus();
    QTest::keyClick(page->KeyEdit, Qt::Key_Right); // shows the cursor
    std::vector<double> moves;
    bool flip = false;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        QTest::keyClick(page->KeyEdit, flip ? Qt::Key_Left : Qt::Key_Right);
        page->PaintBox1->repaint();
        moves.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        flip = !flip;
    }
    if (!moves.empty()) {
        std::sort(moves.begin(), moves.end());
        state.counters["median_ms"] = moves[moves.size() / 2];
        state.counters["p95_ms"] = moves[std::min(moves.size() - 1, moves.size() * 95 / 100)];
    }
    state.counters["employees"] = persons;
    form.roster.personen.Clear();
    form.roster.dienste.Clear();
}
BENCHMARK(BM_CursorMove)
    ->ArgsProduct({{24, 200}, {0, 1}})
    ->ArgNames({"employees", "tenyears"})
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.path().toLocal8Bit() + "/data");
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit() + "/config");
    qputenv("XDG_RUNTIME_DIR", home.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
