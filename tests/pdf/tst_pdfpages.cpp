// Ten page images of 1754 × 1240 pixels, placed one per page over the whole page the way
// the month export does it, written, checked, rendered back and compared.
#include "pdf/pdfcanvas.h"
#include "pdftestutil.h"
#include "samplepage.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

using namespace pdftest;

class TestPdfPages : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QList<QImage> sources;
    QString file;
    static constexpr int kPages = 10;
    static constexpr int W = 1754;
    static constexpr int H = 1240;
    static constexpr int kDpi = 150;

private Q_SLOTS:
    void initTestCase()
    {
        // Set to look at the written file and the rendered pages afterwards.
        if (qEnvironmentVariableIsSet("ROSTELMARK_KEEP_TEST_FILES")) {
            dir.setAutoRemove(false);
            qInfo("files in %s", qPrintable(dir.path()));
        }
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < kPages; ++i)
            sources << samplePage(i, W, H);
        file = dir.filePath(QStringLiteral("monatsplan.pdf"));

        TPDFCanvas canvas;
        QVERIFY(canvas.BeginDoc(file));
        canvas.PageWidth = W * 72 / kDpi;
        canvas.PageHeight = H * 72 / kDpi;
        dib page;
        for (int i = 0; i < kPages; ++i) {
            if (i > 0)
                canvas.NewPage();
            FreeDib(page);
            page = DibFromImage(sources[i]);
            QVERIFY(page.poi);
            canvas.DrawDIB(0, 0, canvas.PageWidth, canvas.PageHeight, page, 0, 0, W, H);
        }
        FreeDib(page);
        QVERIFY(canvas.EndDoc());
        qInfo("drawn and written in %lld ms", t.elapsed());
    }

    void layout()
    {
        const QByteArray pdf = readFile(file);
        const int n = kPages;
        // 2k, 2k+1 content and length; 2N+2 tree; pages; catalog; outlines; images.
        QVERIFY(objectText(pdf, 2 * n + 2).contains("/Type /Pages\n/Count 10\n/Kids [23 0 R 24 0 R"));
        for (int i = 0; i < n; ++i) {
            const QByteArray pageObj = objectText(pdf, 2 * n + 3 + i);
            QVERIFY(pageObj.contains("/MediaBox [0 0 840 594]\n/Contents " + QByteArray::number(2 + 2 * i) + " 0 R\n"));
            QVERIFY(pageObj.contains("/Im0 35 0 R/Im1 36 0 R"));
            QCOMPARE(pageContent(pdf, i), "q\n840 0 0 594 0 1 cm\n/Im" + QByteArray::number(i) + " Do\nQ\n");
            QVERIFY(objectText(pdf, 3 * n + 5 + i)
                        .contains("/Width 1754 /Height 1240 /BitsPerComponent 8 /ColorSpace /DeviceRGB"));
        }
        QVERIFY(objectText(pdf, 3 * n + 3).contains("/Type /Catalog"));
        QVERIFY(pdf.contains("/Size 45\n"));
        QVERIFY(xrefConsistent(pdf));
        if (!haveTool(QStringLiteral("qpdf")))
            QSKIP("qpdf missing");
        QByteArray out;
        QCOMPARE(runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), file}, &out), 0);
        QVERIFY2(!out.contains("WARNING"), out.constData());
    }

    void imagesComeBackOut()
    {
        if (!haveTool(QStringLiteral("pdfimages")))
            QSKIP("pdfimages missing");
        const QString prefix = dir.filePath(QStringLiteral("img"));
        QCOMPARE(runTool(QStringLiteral("pdfimages"), {QStringLiteral("-j"), file, prefix}), 0);
        double worst = 99;
        for (int i = 0; i < kPages; ++i) {
            const QImage back(prefix + QStringLiteral("-%1.jpg").arg(i, 3, 10, QLatin1Char('0')));
            QCOMPARE(back.size(), QSize(W, H));
            const double q = psnr(back, sources[i]);
            QVERIFY2(q > 30, qPrintable(QStringLiteral("page %1: %2 dB").arg(i + 1).arg(q)));
            worst = std::min(worst, q);
        }
        qInfo("lowest PSNR of the extracted JPEGs: %.1f dB", worst);
    }

    void renderedPagesMatchTheImages()
    {
        if (!haveTool(QStringLiteral("pdftoppm")))
            QSKIP("pdftoppm missing");
        // The media box is 840 × 594 points; rendering it at 1754 × 1240 pixels gives the
        // image's own scale. The image is placed from y = 1 to 595 points, so its top
        // point is cut and the page shows it 2.09 pixels higher. (PPM: PNG output would
        // take most of the test's time.)
        const QString prefix = dir.filePath(QStringLiteral("page"));
        QCOMPARE(runTool(QStringLiteral("pdftoppm"),
                     {QStringLiteral("-scale-to-x"), QString::number(W), QStringLiteral("-scale-to-y"),
                         QString::number(H), file, prefix}),
            0);
        // The renderer resamples by a fraction of a pixel, which blurs one-pixel lines;
        // compared at an eighth of the size, only what the page shows counts.
        auto reduce = [](const QImage& img) {
            QImage r = img.convertToFormat(QImage::Format_RGB888);
            for (int k = 0; k < 3; ++k)
                r = r.scaled(r.width() / 2, r.height() / 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            return r;
        };
        double worst = 0;
        for (int i = 0; i < kPages; ++i) {
            const QImage page(prefix + QStringLiteral("-%1.ppm").arg(i + 1, 2, 10, QLatin1Char('0')));
            QCOMPARE(page.size(), QSize(W, H));
            const QImage shown = reduce(page.copy(0, 0, W, H - 4));
            const QImage placed = reduce(sources[i].copy(0, 2, W, H - 4));
            const double diff = meanAbsDiff(placed, shown);
            QVERIFY2(diff < 4.0, qPrintable(QStringLiteral("page %1: mean difference %2").arg(i + 1).arg(diff)));
            // Pages differ from each other much more than from their own image.
            if (i > 0)
                QVERIFY(meanAbsDiff(reduce(sources[i - 1].copy(0, 2, W, H - 4)), shown) > 3 * diff);
            worst = std::max(worst, diff);
        }
        qInfo("largest mean difference of a rendered page: %.2f", worst);
    }
};

ROSTELMARK_TEST_MAIN(TestPdfPages)
#include "tst_pdfpages.moc"
