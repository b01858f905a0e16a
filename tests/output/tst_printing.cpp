// Printing through QPrinter: the page loop that the month plan, the day list and the PDF
// export share, and month plans printed to PDF files the way a printer receives them.
#include "output/printing.h"
#include "outputtestutil.h"
#include "testsupport.h"
#include "views/dayview.h"

#include <QApplication>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>

using namespace plantest;

namespace {
constexpr std::uint32_t kRed = 0x0000FF;

void roster(TRoster& r, int n)
{
    fill(r, n);
    addDuty(r, QStringLiteral("Rot"), QStringLiteral("R"), kRed, 8);
    for (int i = 0; i < n; ++i)
        for (int d = 1; d <= 31; ++d)
            addEntry(r.personen[i], 2024, 3, d, 1);
}

void setUpPdfPrinter(QPrinter& printer, const QString& path)
{
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Landscape);
}

// Person rows a printed page of the month holds, measured on the printer itself.
int rowsPerPrintedPage(const QString& scratch)
{
    QPrinter printer(QPrinter::HighResolution);
    setUpPdfPrinter(printer, scratch);
    QPainter painter(&printer);
    TCanvas canvas(&painter, printer.logicalDpiX());
    TRoster r;
    roster(r, 1);
    return LayoutMonth(
               canvas, printer.width(), printer.height(), printer.logicalDpiX(), 100, r, r.settings, view(2024, 3))
               .zeilen
        - 1;
}

bool isRed(QRgb c)
{
    return near(c, 255, 0, 0, 60);
}
} // namespace

class TestPrinting : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pageLoop_data()
    {
        QTest::addColumn<int>("count"); // known before the job
        QTest::addColumn<QList<int>>("counts"); // what drawing page 1, 2, … computes
        QTest::addColumn<int>("refusedPage"); // the new page that fails, 0 = none
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("newPages");
        QTest::newRow("one page, no new page") << 1 << QList<int>{1} << 0 << 1 << 0;
        QTest::newRow("screen count too high") << 5 << QList<int>{2, 2} << 0 << 2 << 1;
        QTest::newRow("printer page holds less") << 1 << QList<int>{3, 3, 3} << 0 << 3 << 2;
        QTest::newRow("exact fill: extra page") << 2 << QList<int>{3, 3, 3} << 0 << 3 << 2;
        QTest::newRow("no count still one page") << 0 << QList<int>{0} << 0 << 1 << 0;
        QTest::newRow("refused new page stops") << 3 << QList<int>{3, 3, 3} << 2 << 1 << 1;
    }
    void pageLoop()
    {
        QFETCH(int, count);
        QFETCH(QList<int>, counts);
        QFETCH(int, refusedPage);
        QFETCH(int, pages);
        QFETCH(int, newPages);
        QList<int> drawn;
        int started = 0;
        const TPageLoopResult res = RunPageLoop(
            count,
            [&](int page) {
                drawn.append(page);
                return counts.value(page - 1, 0);
            },
            [&] {
                ++started;
                return started + 1 != refusedPage;
            });
        QCOMPARE(res.pages, pages);
        QCOMPARE(drawn.size(), pages);
        for (int i = 0; i < drawn.size(); ++i)
            QCOMPARE(drawn[i], i + 1);
        QCOMPARE(started, newPages);
        QCOMPARE(res.stopped, refusedPage != 0);
    }

    // A month whose rows exactly fill two printed pages gets a third page (header and
    // grid only), and it is printed. The selector goes through the pages and returns.
    void exactFillPrintsExtraPage()
    {
        QTemporaryDir dir;
        const int perPage = rowsPerPrintedPage(dir.filePath(QStringLiteral("scratch.pdf")));
        QVERIFY(perPage > 2);
        TRoster r;
        roster(r, 2 * perPage);
        TMonthView v = view(2024, 3, 2);
        QList<double> shown;
        const QString path = dir.filePath(QStringLiteral("month.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        setUpPdfPrinter(printer, path);
        const TExportResult res = PrintMonth(printer, r, r.settings, v, 1, [&](double page) { shown.append(page); });
        QVERIFY(res.ok());
        QCOMPARE(res.pages, 3);
        QCOMPARE(shown, (QList<double>{1, 2, 3, 2}));
        QCOMPARE(v.page, 2.0);
        QByteArray report;
        QVERIFY2(qpdfCheck(path, &report), report.constData());
        QCOMPARE(pdfPages(path), 3);
        // Landscape A4, the duty colour on the first two pages, none on the extra one.
        const QImage p1 = renderPage(path, 1, 40);
        const QImage p3 = renderPage(path, 3, 40);
        QVERIFY(!p1.isNull() && !p3.isNull());
        QVERIFY(p1.width() > p1.height());
        QVERIFY(countPixels(p1, isRed) > 1000);
        QVERIFY(countPixels(renderPage(path, 2, 40), isRed) > 1000);
        QCOMPARE(countPixels(p3, isRed), 0);
    }

    void onePagePrintsOnePage()
    {
        QTemporaryDir dir;
        TRoster r;
        roster(r, 2);
        TMonthView v = view(2024, 3);
        const QString path = dir.filePath(QStringLiteral("one.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        setUpPdfPrinter(printer, path);
        printer.setPageOrientation(QPageLayout::Portrait);
        const TExportResult res = PrintMonth(printer, r, r.settings, v, 4);
        QVERIFY(res.ok());
        QCOMPARE(res.pages, 1);
        QVERIFY(qpdfCheck(path));
        QCOMPARE(pdfPages(path), 1);
        const QImage p1 = renderPage(path, 1, 40);
        QVERIFY(p1.height() > p1.width());
        QVERIFY(countPixels(p1, isRed) > 100);
    }

    // A day list whose persons exactly fill the printed pages gets one more page for the
    // attendance row, and that page is printed.
    void dayListExactFill()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("day.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        setUpPdfPrinter(printer, path);
        TRoster r;
        fill(r, 1);
        TDayView v;
        v.date = QDate(2024, 3, 15);
        int perPage = 0;
        {
            QPrinter scratch(QPrinter::HighResolution);
            setUpPdfPrinter(scratch, dir.filePath(QStringLiteral("scratch.pdf")));
            QPainter painter(&scratch);
            TCanvas canvas(&painter, scratch.logicalDpiX());
            perPage = DrawDay(canvas, scratch.width(), scratch.height(), scratch.logicalDpiX(), scratch.logicalDpiX(),
                100, true, r, r.settings, v)
                          .rowsPerPage;
        }
        QVERIFY(perPage > 2);
        fill(r, 2 * perPage);
        const TExportResult res = PrintPages(printer, 1, [&](TCanvas& canvas, int w, int h, int dpi, int page) {
            v.page = page;
            return DrawDay(canvas, w, h, dpi, dpi, 100, true, r, r.settings, v).maxseiten2;
        });
        QVERIFY(res.ok());
        QCOMPARE(res.pages, 3);
        QVERIFY(qpdfCheck(path));
        QCOMPARE(pdfPages(path), 3);
    }

    // A printer that cannot start the job: reported, nothing drawn, selector unchanged.
    void refusedJob()
    {
        QTemporaryDir dir;
        TRoster r;
        roster(r, 2);
        TMonthView v = view(2024, 3, 3);
        QPrinter printer(QPrinter::HighResolution);
        setUpPdfPrinter(printer, dir.filePath(QStringLiteral("missing/one.pdf")));
        const TExportResult res = PrintMonth(printer, r, r.settings, v, 1);
        QCOMPARE(res.status, TExportStatus::CannotCreate);
        QCOMPARE(res.pages, 0);
        QCOMPARE(v.page, 3.0);
    }
};

ROSTELMARK_TEST_MAIN_WITH(TestPrinting, QApplication)
#include "tst_printing.moc"
