// Writing the ten-page month export document (ten 1754 × 1240 24-bit page images, one
// per page, placed over the whole page) against encoding the same ten images with
// libjpeg-turbo alone at the same settings. The writer's own work (copying each image,
// content streams, objects, the temporary JPEG file) should be small beside the JPEG
// encoding. Run one benchmark at a time with --benchmark_filter to read its peak memory.
#include "pdf/pdfcanvas.h"
#include "samplepage.h"

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

#include <jpeglib.h>

namespace {

constexpr int kPages = 10;
constexpr int W = 1754;
constexpr int H = 1240;

std::vector<dib>& pages()
{
    static std::vector<dib> list;
    return list;
}

double peakRssMb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0;
}

void BM_PdfTenPages(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bench.pdf"));
    qint64 size = 0;
    for (auto _ : state) {
        // A new file each time, as an export usually writes (replacing a file by
        // truncating it makes ext4 write it out on close, which is I/O, not our work).
        state.PauseTiming();
        QFile::remove(file);
        // The export renders every page into a fresh image and hands it over; making
        // those images is the drawing's work, not the writer's.
        dib fresh[kPages];
        for (int i = 0; i < kPages; ++i)
            fresh[i] = TPDFCanvas::CopyDib(pages()[size_t(i)]);
        state.ResumeTiming();
        TPDFCanvas canvas;
        canvas.BeginDoc(file);
        canvas.PageWidth = W * 72 / 150;
        canvas.PageHeight = H * 72 / 150;
        for (int i = 0; i < kPages; ++i) {
            if (i > 0)
                canvas.NewPage();
            canvas.DrawDIBTaking(0, 0, canvas.PageWidth, canvas.PageHeight, fresh[i], 0, 0, W, H);
        }
        if (!canvas.EndDoc())
            state.SkipWithError("EndDoc failed");
        size = QFileInfo(file).size();
    }
    state.counters["file_MB"] = double(size) / 1e6;
    state.counters["peak_rss_MB"] = peakRssMb();
}

void BM_LibjpegTenImages(benchmark::State& state)
{
    std::size_t total = 0;
    for (auto _ : state) {
        total = 0;
        for (int i = 0; i < kPages; ++i) {
            const dib& d = pages()[size_t(i)];
            jpeg_compress_struct cinfo;
            jpeg_error_mgr jerr;
            cinfo.err = jpeg_std_error(&jerr);
            jpeg_create_compress(&cinfo);
            unsigned char* buffer = nullptr;
            unsigned long bytes = 0;
            jpeg_mem_dest(&cinfo, &buffer, &bytes);
            cinfo.image_width = W;
            cinfo.image_height = H;
            cinfo.input_components = 3;
            cinfo.in_color_space = JCS_EXT_BGR;
            jpeg_set_defaults(&cinfo);
            jpeg_set_quality(&cinfo, 90, TRUE);
            jpeg_start_compress(&cinfo, TRUE);
            while (cinfo.next_scanline < cinfo.image_height) {
                JSAMPROW row = d.poi + qsizetype(H - 1 - int(cinfo.next_scanline)) * d.bytew;
                jpeg_write_scanlines(&cinfo, &row, 1);
            }
            jpeg_finish_compress(&cinfo);
            jpeg_destroy_compress(&cinfo);
            total += bytes;
            std::free(buffer);
        }
        benchmark::DoNotOptimize(total);
    }
    state.counters["file_MB"] = double(total) / 1e6;
    state.counters["peak_rss_MB"] = peakRssMb();
}

// The part of the writer's work the document requires besides encoding: its own copy
// of every placed page image, kept until the canvas is destroyed.
void BM_CopyTenPages(benchmark::State& state)
{
    for (auto _ : state) {
        dib copies[kPages];
        for (int i = 0; i < kPages; ++i)
            copies[i] = TPDFCanvas::CopyDib(pages()[size_t(i)]);
        for (dib& d : copies)
            FreeDib(d);
    }
}

} // namespace

BENCHMARK(BM_CopyTenPages)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_PdfTenPages)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_LibjpegTenImages)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    for (int i = 0; i < kPages; ++i)
        pages().push_back(DibFromImage(pdftest::samplePage(i, W, H)));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (dib& d : pages())
        FreeDib(d);
    return 0;
}
