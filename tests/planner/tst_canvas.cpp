// Pixel rules of TCanvas on images: exclusive right and bottom edges, exclusive line ends,
// text background, inversion, font heights.
#include "core/canvas.h"
#include "testsupport.h"

#include <QImage>

namespace {
const QColor kPen(10, 20, 30);
const QColor kBrush(200, 100, 50);
const QRgb kWhite = qRgb(255, 255, 255);

enum class Op { RectSolid, RectClear, Line };
struct Probe {
    int x, y;
    QRgb colour;
};
} // namespace
Q_DECLARE_METATYPE(Op)
Q_DECLARE_METATYPE(QList<Probe>)

class TestCanvas : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void edges_data()
    {
        QTest::addColumn<Op>("op");
        QTest::addColumn<QRect>("coords"); // x1, y1 and x2, y2 as left/top and right/bottom points
        QTest::addColumn<QList<Probe>>("probes");
        const QRgb pen = kPen.rgb(), brush = kBrush.rgb();
        auto r = [](int x1, int y1, int x2, int y2) { return QRect(QPoint(x1, y1), QPoint(x2, y2)); };
        QTest::newRow("solid rectangle") << Op::RectSolid << r(2, 3, 8, 7)
                                         << QList<Probe>{{2, 3, pen}, {7, 6, pen}, {8, 6, kWhite}, {7, 7, kWhite},
                                                {3, 4, brush}, {6, 5, brush}, {1, 3, kWhite}, {2, 2, kWhite}};
        QTest::newRow("clear brush keeps the inside") << Op::RectClear << r(2, 3, 8, 7)
                                                      << QList<Probe>{{2, 3, pen}, {7, 6, pen}, {4, 4, kWhite}};
        QTest::newRow("two pixels wide is all outline")
            << Op::RectSolid << r(2, 2, 4, 6) << QList<Probe>{{2, 3, pen}, {3, 3, pen}, {4, 3, kWhite}};
        QTest::newRow("empty rectangle draws nothing")
            << Op::RectSolid << r(5, 5, 5, 9) << QList<Probe>{{5, 5, kWhite}, {4, 5, kWhite}};
        QTest::newRow("inverted rectangle draws nothing")
            << Op::RectSolid << r(8, 8, 3, 3) << QList<Probe>{{5, 5, kWhite}, {3, 3, kWhite}};
        QTest::newRow("line to the right")
            << Op::Line << r(2, 5, 9, 5) << QList<Probe>{{2, 5, pen}, {8, 5, pen}, {9, 5, kWhite}};
        QTest::newRow("line to the left")
            << Op::Line << r(9, 5, 2, 5) << QList<Probe>{{9, 5, pen}, {3, 5, pen}, {2, 5, kWhite}};
        QTest::newRow("line down") << Op::Line << r(4, 1, 4, 8) << QList<Probe>{{4, 1, pen}, {4, 7, pen}, {4, 8, kWhite}};
        QTest::newRow("line up") << Op::Line << r(4, 8, 4, 1) << QList<Probe>{{4, 8, pen}, {4, 2, pen}, {4, 1, kWhite}};
        QTest::newRow("diagonal") << Op::Line << r(1, 1, 6, 6)
                                  << QList<Probe>{{1, 1, pen}, {5, 5, pen}, {6, 6, kWhite}, {2, 1, kWhite}};
        QTest::newRow("line of no length") << Op::Line << r(3, 3, 3, 3) << QList<Probe>{{3, 3, kWhite}};
    }
    void edges()
    {
        QFETCH(Op, op);
        QFETCH(QRect, coords);
        QFETCH(QList<Probe>, probes);
        QImage img(12, 12, QImage::Format_RGB32);
        img.fill(Qt::white);
        {
            TCanvas c(&img);
            c.SetPenColor(kPen);
            c.SetBrushColor(kBrush);
            if (op == Op::RectClear)
                c.SetBrushClear();
            if (op == Op::Line) {
                c.MoveTo(coords.left(), coords.top());
                c.LineTo(coords.right(), coords.bottom());
                QCOMPARE(c.PenPos(), QPoint(coords.right(), coords.bottom()));
            } else {
                c.Rectangle(coords.left(), coords.top(), coords.right(), coords.bottom());
            }
        }
        for (const Probe& p : probes)
            QVERIFY2(img.pixel(p.x, p.y) == p.colour, qPrintable(QStringLiteral("pixel %1,%2 is %3")
                                                                     .arg(p.x)
                                                                     .arg(p.y)
                                                                     .arg(img.pixel(p.x, p.y), 8, 16)));
    }

    void textOutFillsItsCellWhileTheBrushIsSolid()
    {
        QImage img(200, 60, QImage::Format_RGB32);
        img.fill(Qt::white);
        TCanvas c(&img);
        c.TakeFont(TPlanSettings::DefaultEntriesFont(), 96, 100);
        QCOMPARE(c.FontHeight(), -11);
        const QString text = QStringLiteral("Wx");
        const int tw = c.TextWidth(text), th = c.TextHeight(text);
        QCOMPARE(tw, QFontMetrics(c.Font(), &img).horizontalAdvance(text));
        QVERIFY(th >= 11);
        c.SetBrushColor(kBrush);
        c.TextOut(10, 5, text);
        QCOMPARE(img.pixel(10, 5), kBrush.rgb()); // top-left corner of the cell
        QCOMPARE(img.pixel(10 + tw - 1, 5 + th - 1), kBrush.rgb());
        QCOMPARE(img.pixel(10 + tw, 5), kWhite);
        QCOMPARE(img.pixel(10, 5 + th), kWhite);
        c.SetBrushClear();
        c.TextOut(100, 5, text);
        QCOMPARE(img.pixel(100, 5), kWhite);
        c.SetTextColor(QColor(255, 0, 0)); // red until the font is taken again
        c.TextOut(100, 30, QStringLiteral("H"));
        bool red = false;
        for (int y = 30; y < 30 + th; ++y)
            for (int x = 100; x < 100 + tw; ++x)
                red = red || (qRed(img.pixel(x, y)) > 200 && qGreen(img.pixel(x, y)) < 60);
        QVERIFY(red);
        c.TakeFont(TPlanSettings::DefaultEntriesFont(), 96, 100);
        QCOMPARE(c.TextColor(), QColor(0, 0, 0));
    }

    void fontHeights_data()
    {
        QTest::addColumn<double>("zoom");
        QTest::addColumn<int>("deviceDpi");
        QTest::addColumn<int>("height");
        QTest::newRow("screen") << 100.0 << 96 << -11;
        QTest::newRow("zoom 150 truncates") << 150.0 << 96 << -16;
        QTest::newRow("zoom 10 keeps the sign") << 10.0 << 96 << -1;
        QTest::newRow("zoom 5 gives 0, becomes 1") << 5.0 << 96 << 1;
        QTest::newRow("printer resolution") << 100.0 << 600 << -67;
    }
    void fontHeights()
    {
        QFETCH(double, zoom);
        QFETCH(int, deviceDpi);
        QFETCH(int, height);
        QImage img(10, 10, QImage::Format_RGB32);
        TCanvas c(&img, deviceDpi);
        c.TakeFont(TPlanSettings::DefaultEntriesFont(), 150, zoom);
        QCOMPARE(c.FontHeight(), height);
        QCOMPARE(c.FontResolution(), 150);
        QVERIFY(c.TextHeight(QStringLiteral("s")) >= 1);
    }

    void invertRect()
    {
        QImage img(10, 10, QImage::Format_ARGB32_Premultiplied);
        img.fill(QColor(30, 100, 200));
        TCanvas c(&img);
        c.InvertRect(2, 2, 5, 4);
        QCOMPARE(img.pixel(2, 2), qRgb(225, 155, 55));
        QCOMPARE(img.pixel(4, 3), qRgb(225, 155, 55));
        QCOMPARE(img.pixel(5, 3), qRgb(30, 100, 200));
        QCOMPARE(img.pixel(4, 4), qRgb(30, 100, 200));
        c.InvertRect(2, 2, 5, 4);
        QCOMPARE(img.pixel(3, 3), qRgb(30, 100, 200));
    }

    void nullDeviceIsHarmless()
    {
        QImage empty;
        TCanvas c(&empty);
        QVERIFY(!c.IsActive());
        c.Rectangle(0, 0, 10, 10);
        c.TextOut(0, 0, QStringLiteral("x"));
        c.InvertRect(0, 0, 5, 5);
        QVERIFY(c.TextWidth(QStringLiteral("xx")) > 0);
    }

    // Page images, small and large (the large ones in memory of their own), draw exactly
    // like plain images and keep their pixels apart from their copies.
    void pageImages_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("small") << QSize(40, 30);
        QTest::newRow("month preview") << QSize(1122, 793);
        QTest::newRow("odd width, large") << QSize(1999, 1001);
    }
    void pageImages()
    {
        QFETCH(QSize, size);
        auto draw = [](QImage& img) {
            img.fill(Qt::white);
            TCanvas c(&img, 96);
            c.SetPenColor(kPen);
            c.SetBrushColor(kBrush);
            c.Rectangle(3, 2, img.width() - 4, img.height() - 1);
            c.TextOut(5, 5, QStringLiteral("Früh 7,5"));
        };
        QImage page = NewPageImage(size, QImage::Format_RGB32);
        QCOMPARE(page.size(), size);
        QCOMPARE(page.format(), QImage::Format_RGB32);
        QImage plain(size, QImage::Format_RGB32);
        draw(page);
        draw(plain);
        QCOMPARE(page, plain);
        QImage copy = page;
        copy.fill(Qt::black);
        QCOMPARE(page, plain);
    }
};

ROSTELMARK_TEST_MAIN(TestCanvas)
#include "tst_canvas.moc"
