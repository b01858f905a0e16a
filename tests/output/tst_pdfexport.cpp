// The PDF export of the month plan: pages, page and image sizes, what each page shows,
// the page selector, and files that are never left half-written. Every file written is
// checked with qpdf and rendered with pdftoppm.
#include "output/pdfexport.h"
#include "outputtestutil.h"
#include "testsupport.h"

#include <QDir>
#include <QTemporaryDir>

using namespace plantest;

namespace {
// A4 landscape and portrait on a 600 dpi printer.
const TPdfPageGeometry kLandscape{7016, 4961, 600};
const TPdfPageGeometry kPortrait{4961, 7016, 600};
constexpr std::uint32_t kRed = 0x0000FF;

// `n` persons; the first `withDuty` of them hold a red duty on every day of March 2024.
void roster(TRoster& r, int n, int withDuty)
{
    fill(r, n);
    addDuty(r, QStringLiteral("Rot"), QStringLiteral("R"), kRed, 8);
    for (int i = 0; i < withDuty; ++i)
        for (int d = 1; d <= 31; ++d)
            addEntry(r.personen[i], 2024, 3, d, 1);
}

// Persons per page of the export's page image.
int rowsPerPage(const TPdfPageGeometry& g)
{
    TRoster r;
    roster(r, 1, 0);
    const QSize s = g.ImageSize();
    return LayoutMonth(s.width(), s.height(), kPdfExportDpi, 100, r, r.settings, view(2024, 3)).zeilen - 1;
}

void checkFile(const QString& path)
{
    QByteArray report;
    QVERIFY2(qpdfCheck(path, &report), report.constData());
    QVERIFY(!renderPage(path, 1, 30).isNull());
}

bool isRed(QRgb c)
{
    return near(c, 255, 0, 0, 60);
}
} // namespace

class TestPdfExport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        if (!haveTool(QStringLiteral("qpdf")) || !haveTool(QStringLiteral("pdftoppm"))
            || !haveTool(QStringLiteral("pdfinfo")))
            QFAIL("qpdf and poppler-utils are needed (scripts/setup installs them)");
    }

    void geometry_data()
    {
        QTest::addColumn<TPdfPageGeometry>("page");
        QTest::addColumn<QSize>("image");
        QTest::addColumn<QByteArray>("mediaBox");
        QTest::newRow("landscape") << kLandscape << QSize(1754, 1240) << QByteArray("/MediaBox [0 0 840 594]");
        QTest::newRow("portrait") << kPortrait << QSize(1240, 1754) << QByteArray("/MediaBox [0 0 594 840]");
        QTest::newRow("300 dpi letter") << TPdfPageGeometry{2400, 3200, 300} << QSize(1200, 1600)
                                        << QByteArray("/MediaBox [0 0 575 767]");
    }
    // Three pages of the printer's size, each one full-page picture of W × H pixels.
    void geometry()
    {
        QFETCH(TPdfPageGeometry, page);
        QFETCH(QSize, image);
        QFETCH(QByteArray, mediaBox);
        QCOMPARE(page.ImageSize(), image);
        TRoster r;
        const int perPage = rowsPerPage(page);
        QVERIFY(perPage > 2);
        roster(r, 2 * perPage + 1, 0);
        TMonthView v = view(2024, 3);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("plan.pdf"));
        const TExportResult res = ExportMonthPdf(path, page, r, r.settings, v, 1);
        QVERIFY(res.ok());
        QCOMPARE(res.pages, 3);
        checkFile(path);
        QCOMPARE(pdfPages(path), 3);
        const QByteArray pdf = readFile(path);
        QCOMPARE(pdf.count(mediaBox), 3);
        const QByteArray imageDict = "/Width " + QByteArray::number(image.width()) + " /Height "
            + QByteArray::number(image.height()) + " /BitsPerComponent 8 /ColorSpace /DeviceRGB";
        QCOMPARE(pdf.count(imageDict), 3);
        QCOMPARE(pdf.count("/Filter /DCTDecode"), 3);
        QVERIFY(pdf.startsWith("%PDF-1.3\n"));
    }

    // One page: one PDF page, and what it shows is the month drawn at 150 dpi.
    void onePageShowsTheMonth()
    {
        TRoster r;
        roster(r, 3, 2);
        TMonthView v = view(2024, 3);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("one.pdf"));
        const TExportResult res = ExportMonthPdf(path, kLandscape, r, r.settings, v, 5);
        QVERIFY(res.ok());
        QCOMPARE(res.pages, 1);
        checkFile(path);
        QCOMPARE(pdfPages(path), 1);
        const QByteArray pdf = readFile(path);
        QCOMPARE(pdf.count("/Type /Page\n"), 1);
        QVERIFY(pdf.contains("/Count 1\n"));

        const QSize size = kLandscape.ImageSize();
        QImage direct(size, QImage::Format_RGB32);
        direct.fill(Qt::white);
        {
            TCanvas canvas(&direct);
            TMonthView v1 = view(2024, 3);
            DrawMonth(canvas, size.width(), size.height(), 150, 150, 100, true, r, r.settings, v1);
        }
        QImage rendered = renderPage(path, 1, 150);
        QVERIFY(!rendered.isNull());
        rendered = rendered.scaled(size).convertToFormat(QImage::Format_RGB32);
        // JPEG and a resampling step apart, the same picture: red cells where the month
        // has them, and little difference overall.
        const int redDirect = countPixels(direct, isRed);
        const int redRendered = countPixels(rendered, isRed);
        QVERIFY(redDirect > 1000);
        QVERIFY2(std::abs(redRendered - redDirect) < redDirect / 10,
            qPrintable(QStringLiteral("%1 %2").arg(redRendered).arg(redDirect)));
        // Compared at an eighth of the size, so that the one-pixel lines do not count
        // against the resampling of the placement.
        const QSize small = size / 8;
        const QImage a = direct.scaled(small, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QImage b = rendered.scaled(small, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        double diff = 0;
        for (int y = 0; y < small.height(); ++y)
            for (int x = 0; x < small.width(); ++x)
                diff += std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y)));
        diff /= small.width() * small.height();
        QVERIFY2(diff < 6, qPrintable(QString::number(diff)));
    }

    // The page image is made white before each page: page 2 shows only its own rows,
    // none of the red cells of page 1. The selector goes through the pages and returns.
    void laterPagesShowOnlyTheirRows()
    {
        TRoster r;
        const int perPage = rowsPerPage(kLandscape);
        roster(r, perPage + 1, perPage); // page 1 all red, page 2 one row without duties
        TMonthView v = view(2024, 3, 2);
        QList<double> shown;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("two.pdf"));
        const TExportResult res
            = ExportMonthPdf(path, kLandscape, r, r.settings, v, 1, [&](double page) { shown.append(page); });
        QVERIFY(res.ok());
        QCOMPARE(res.pages, 2);
        QCOMPARE(shown, (QList<double>{1, 2, 2}));
        QCOMPARE(v.page, 2.0);
        checkFile(path);
        if (qEnvironmentVariableIsSet("ROSTELMARK_KEEP_EXPORT")) // to look at it
            QFile::copy(path, qEnvironmentVariable("ROSTELMARK_KEEP_EXPORT"));
        const QImage p1 = renderPage(path, 1, 100);
        const QImage p2 = renderPage(path, 2, 100);
        QVERIFY(countPixels(p1, isRed) > 5000);
        QCOMPARE(countPixels(p2, isRed), 0);
        // Page 2 still has its heading, grid and its one row.
        QVERIFY(countPixels(p2, [](QRgb c) { return qGray(c) < 80; }) > 500);
    }

    void replacesExistingFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("plan.pdf"));
        writeFile(path, "not a pdf");
        TRoster r;
        roster(r, 2, 1);
        TMonthView v = view(2024, 3);
        QVERIFY(ExportMonthPdf(path, kLandscape, r, r.settings, v, 1).ok());
        QVERIFY(readFile(path).startsWith("%PDF-1.3"));
        checkFile(path);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("plan.pdf")});
    }

    void failures_data()
    {
        QTest::addColumn<TPdfPageGeometry>("page");
        QTest::addColumn<bool>("missingFolder");
        QTest::addColumn<int>("sizeLimit");
        QTest::addColumn<TExportStatus>("status");
        QTest::newRow("no resolution") << TPdfPageGeometry{7016, 4961, 0} << false << 0 << TExportStatus::BadPage;
        QTest::newRow("empty page") << TPdfPageGeometry{0, 4961, 600} << false << 0 << TExportStatus::BadPage;
        QTest::newRow("huge page") << TPdfPageGeometry{2000000000, 2000000000, 1} << false << 0
                                   << TExportStatus::BadPage;
        QTest::newRow("missing folder") << kLandscape << true << 0 << TExportStatus::CannotCreate;
        QTest::newRow("disk full") << kLandscape << false << 3000 << TExportStatus::WriteFailed;
    }
    // Whatever fails, an existing file of the name keeps its bytes, no new file is left,
    // the page selector is where it was, and the user gets a message.
    void failures()
    {
        QFETCH(TPdfPageGeometry, page);
        QFETCH(bool, missingFolder);
        QFETCH(int, sizeLimit);
        QFETCH(TExportStatus, status);
        QTemporaryDir dir;
        const QString path
            = missingFolder ? dir.filePath(QStringLiteral("gone/plan.pdf")) : dir.filePath(QStringLiteral("plan.pdf"));
        const QByteArray old = "%PDF-1.3 the previous export";
        if (!missingFolder)
            writeFile(path, old);
        TRoster r;
        roster(r, 40, 40);
        TMonthView v = view(2024, 3, 1);
        TExportResult res;
        {
            std::optional<TFileSizeLimit> limit;
            if (sizeLimit > 0) {
                limit.emplace(sizeLimit);
                QVERIFY(limit->active());
            }
            res = ExportMonthPdf(path, page, r, r.settings, v, 1);
        }
        QCOMPARE(res.status, status);
        QCOMPARE(v.page, 1.0);
        QVERIFY(!ExportErrorText(res, path).isEmpty());
        if (missingFolder) {
            QVERIFY(!QFile::exists(path));
        } else {
            QCOMPARE(readFile(path), old);
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("plan.pdf")});
        }
    }
};

ROSTELMARK_TEST_MAIN(TestPdfExport)
#include "tst_pdfexport.moc"
