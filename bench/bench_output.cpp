// The PDF export of a three-page month (200 employees with ten years of daily entries,
// single row height, no legend, A4 landscape on a 600 dpi printer: 1754 × 1240 page images), against
// drawing the same three pages into the page image without encoding or writing anything.
// Each benchmark reports its peak resident memory ("peak_MB", the process's high-water
// mark, reset before the benchmark) and how much it rose above the level at its start
// ("rise_MB").
#include "benchroster.h"
#include "core/canvas.h"
#include "core/datetime.h"
#include "core/roster.h"
#include "output/pdfexport.h"
#include "planner/monthgrid.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

namespace {

const TPdfPageGeometry kPage{7016, 4961, 600};

// Resident set high-water mark in kB ("VmHWM"), and its reset (Linux: clear_refs 5).
long statusKb(const char* key)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0)
            return std::stol(line.substr(line.find(':') + 1));
    return 0;
}
void resetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

struct Fixture {
    TRoster roster;
    TMonthView view;
    Fixture()
    {
        BuildBenchRoster(roster, 200);
        // Single row height and no legend: 200 rows make three pages.
        roster.settings.DoubleRowHeightCheck = false;
        roster.settings.LegendeCheck = false;
        view.year = 2024;
        view.month = 3;
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void reportMemory(benchmark::State& state, long startKb)
{
    const long peak = statusKb("VmHWM");
    state.counters["peak_MB"] = double(peak) / 1024.0;
    state.counters["rise_MB"] = double(peak - startKb) / 1024.0;
}

void BM_ExportPdf3Pages(benchmark::State& state)
{
    Fixture& f = fixture();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.pdf"));
    resetPeak();
    const long start = statusKb("VmRSS");
    int pages = 0;
    for (auto _ : state) {
        TMonthView v = f.view;
        const TExportResult res = ExportMonthPdf(path, kPage, f.roster, f.roster.settings, v, 1);
        if (!res.ok())
            state.SkipWithError("export failed");
        pages = res.pages;
    }
    state.counters["pages"] = pages;
    state.counters["file_kB"] = double(QFile(path).size()) / 1024.0;
    reportMemory(state, start);
}

void BM_Draw3PagesOnly(benchmark::State& state)
{
    Fixture& f = fixture();
    const QSize size = kPage.ImageSize();
    resetPeak();
    const long start = statusKb("VmRSS");
    QImage image(size, QImage::Format_RGB32);
    int pages = 0;
    for (auto _ : state) {
        TMonthView v = f.view;
        int count = 1;
        pages = 0;
        for (int page = 1; page <= count; ++page) {
            v.page = page;
            image.fill(Qt::white);
            TCanvas canvas(&image);
            count = DrawMonth(canvas, size.width(), size.height(), kPdfExportDpi, kPdfExportDpi, 100, true, f.roster,
                f.roster.settings, v)
                        .maxseiten;
            ++pages;
        }
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["pages"] = pages;
    reportMemory(state, start);
}

} // namespace

BENCHMARK(BM_Draw3PagesOnly)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_ExportPdf3Pages)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

int main(int argc, char** argv)
{
    return RunBenchmarksOffscreen(argc, argv);
}
