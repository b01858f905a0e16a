// Image records, the codec layer and the image objects of TPDFCanvas, checked on the
// bytes and with the external decoders (qpdf, pdfimages, pdftoppm, jbig2dec).
#include "core/dynaarray.h"
#include "pdf/faxg4.h"
#include "pdf/jbig2generic.h"
#include "pdf/pdfcanvas.h"
#include "pdftestutil.h"
#include "testsupport.h"

#include <QTemporaryDir>

#include <functional>

using namespace pdftest;

namespace {

// A 24-bit test picture: gradients, blocks and a few lines.
dib makeColour(int width, int height, QImage* asImage = nullptr)
{
    QImage img(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            img.setPixelColor(x, y,
                QColor((x * 255) / std::max(1, width - 1), (y * 255) / std::max(1, height - 1),
                    ((x / 8 + y / 8) % 2) ? 200 : 40));
    if (asImage)
        *asImage = img;
    return DibFromImage(img);
}

dib makePalette8(int width, int height)
{
    dib d = newdib(width, height, 8, nullptr, 0);
    for (int i = 0; i < 256; ++i)
        DibSetColor(d, i, std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i / 2));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < d.bytew; ++x)
            d.poi[y * d.bytew + x] = std::uint8_t((x * 7 + y * 13) & 0xFF);
    return d;
}

QImage grey(const QImage& img)
{
    return img.convertToFormat(QImage::Format_Grayscale8);
}

bool sameBilevel(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return false;
    const QImage ga = grey(a);
    const QImage gb = grey(b);
    for (int y = 0; y < ga.height(); ++y)
        for (int x = 0; x < ga.width(); ++x)
            if ((ga.constScanLine(y)[x] < 128) != (gb.constScanLine(y)[x] < 128))
                return false;
    return true;
}

} // namespace

class TestPdfImages : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QTemporaryDir tempFolder; // the process's temporary folder during these tests

    QString path(const QString& name) const { return dir.filePath(name); }

    QStringList tempFiles() const
    {
        return QDir(tempFolder.path()).entryList(QDir::Files | QDir::System | QDir::Hidden, QDir::Name);
    }

    // Writes a document with `draw`; returns the bytes, or empty on failure.
    QByteArray document(const QString& name, const std::function<void(TPDFCanvas&)>& draw,
        const std::function<void(TPDFCanvas&)>& setup = {})
    {
        TPDFCanvas c;
        if (setup)
            setup(c);
        if (!c.BeginDoc(path(name)))
            return {};
        draw(c);
        if (!c.EndDoc())
            return {};
        return readFile(path(name));
    }

    void qpdfCheck(const QString& name)
    {
        if (!haveTool(QStringLiteral("qpdf")))
            return;
        QByteArray out;
        const int rc = runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), path(name)}, &out);
        QVERIFY2(rc == 0 && !out.contains("WARNING"), out.constData());
    }

    // Extracts image number `n` of the file as PNG with pdfimages.
    QImage extract(const QString& name, int n)
    {
        const QString prefix = path(name + QStringLiteral("-img"));
        if (runTool(QStringLiteral("pdfimages"),
                {QStringLiteral("-png"), QStringLiteral("-f"), QStringLiteral("1"), path(name), prefix})
            != 0)
            return {};
        return QImage(prefix + QStringLiteral("-%1.png").arg(n, 3, 10, QLatin1Char('0')));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid() && tempFolder.isValid());
        // Set to look at the written files afterwards.
        if (qEnvironmentVariableIsSet("ROSTELMARK_KEEP_TEST_FILES")) {
            dir.setAutoRemove(false);
            qInfo("files in %s", qPrintable(dir.path()));
        }
        qputenv("TMPDIR", tempFolder.path().toLocal8Bit());
        QCOMPARE(QDir(QDir::tempPath()).canonicalPath(), QDir(tempFolder.path()).canonicalPath());
    }

    void cleanup()
    {
        // Nothing of the writer may stay behind in the temporary folder.
        QCOMPARE(tempFiles(), QStringList());
    }

    void newdibGeometry_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("bytew");
        QTest::newRow("1 bit, 1 px") << 1 << 1 << 4;
        QTest::newRow("1 bit, 33 px") << 33 << 1 << 8;
        QTest::newRow("4 bit, 9 px") << 9 << 4 << 8;
        QTest::newRow("8 bit, 5 px") << 5 << 8 << 8;
        QTest::newRow("24 bit, 1 px") << 1 << 24 << 4;
        QTest::newRow("24 bit, 1754 px") << 1754 << 24 << 5264;
        QTest::newRow("32 bit, 3 px") << 3 << 32 << 12;
        QTest::newRow("2 bit is refused") << 8 << 2 << 0;
        QTest::newRow("zero width") << 0 << 24 << 0;
        QTest::newRow("too wide") << 70000 << 24 << 0;
    }
    void newdibGeometry()
    {
        QFETCH(int, width);
        QFETCH(int, bits);
        QFETCH(int, bytew);
        dib d = newdib(width, 3, bits, nullptr, 0);
        QCOMPARE(d.poi != nullptr, bytew > 0);
        if (d.poi) {
            QCOMPARE(d.bytew, bytew);
            QCOMPARE(DibWidth(d), width);
            QCOMPARE(DibHeight(d), 3);
            QCOMPARE(DibBitCount(d), bits);
        }
        FreeDib(d);
        QVERIFY(!d.poi && !d.pmi && !d.poih && !d.pmih);
        QCOMPARE(DibBitCount(d), 0);
    }

    void convertTo24Bit()
    {
        dib p8 = makePalette8(5, 2);
        dib c = p8;
        QVERIFY(TPDFCanvas::ConvertTo24Bit(c));
        QCOMPARE(DibBitCount(c), 24);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 5; ++x) {
                const DibPalEntry& e = p8.pal.palPalEntry[p8.poi[y * p8.bytew + x]];
                const std::uint8_t* px = c.poi + y * c.bytew + 3 * x;
                QCOMPARE(px[0], e.peBlue);
                QCOMPARE(px[1], e.peGreen);
                QCOMPARE(px[2], e.peRed);
            }
        FreeDib(c);
        FreeDib(p8);

        // 4 bits: the high half of each byte is the left pixel.
        dib p4 = newdib(3, 1, 4, nullptr, 0);
        DibSetColor(p4, 1, 10, 20, 30);
        DibSetColor(p4, 2, 40, 50, 60);
        DibSetColor(p4, 3, 70, 80, 90);
        p4.poi[0] = 0x12;
        p4.poi[1] = 0x30;
        c = p4;
        QVERIFY(TPDFCanvas::ConvertTo24Bit(c));
        QCOMPARE(
            QByteArray(reinterpret_cast<const char*>(c.poi), 9), QByteArray("\x1E\x14\x0A\x3C\x32\x28\x5A\x50\x46"));
        FreeDib(c);
        FreeDib(p4);

        dib d16 = newdib(2, 2, 16, nullptr, 0);
        c = d16;
        QVERIFY(!TPDFCanvas::ConvertTo24Bit(c));
        QCOMPARE(c.poi, d16.poi);
        FreeDib(d16);
    }

    void copyDibOwnsItsPixels()
    {
        dib src = makeBilevel(19, 7, true);
        dib copy = TPDFCanvas::CopyDib(src);
        QVERIFY(copy.poi && copy.poi != src.poi && copy.pmi != src.pmi);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(copy.poi), copy.bytew * 7),
            QByteArray(reinterpret_cast<const char*>(src.poi), src.bytew * 7));
        QCOMPARE(copy.pal.palPalEntry[0].peRed, std::uint8_t(255));
        QCOMPARE(copy.pmi->bmiColors[0].rgbRed, std::uint8_t(255));
        src.poi[0] ^= 0xFF;
        QVERIFY(copy.poi[0] != src.poi[0]);
        FreeDib(copy);
        FreeDib(src);
        QVERIFY(!TPDFCanvas::CopyDib(dib{}).poi);
    }

    void bmpRoundTrip_data()
    {
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("width");
        QTest::newRow("1 bit") << 1 << 37;
        QTest::newRow("4 bit") << 4 << 9;
        QTest::newRow("8 bit") << 8 << 13;
        QTest::newRow("24 bit") << 24 << 7;
        QTest::newRow("32 bit") << 32 << 5;
    }
    void bmpRoundTrip()
    {
        QFETCH(int, bits);
        QFETCH(int, width);
        const int height = 6;
        dib d = newdib(width, height, bits, nullptr, 0);
        for (int i = 0; i < d.bytew * height; ++i)
            d.poi[i] = std::uint8_t(i * 31 + 7);
        for (int i = 0; bits <= 8 && i < (1 << bits); ++i)
            DibSetColor(d, i, std::uint8_t(i * 3), std::uint8_t(i * 5), std::uint8_t(255 - i));
        const QString file = path(QStringLiteral("rt%1.bmp").arg(bits));
        QCOMPARE(SaveDib(d, file, DibFormatBmp, 0), 1);
        dib back = OpenDib(file, DibFormatBmp, 0);
        QVERIFY(back.poi);
        QCOMPARE(DibWidth(back), width);
        QCOMPARE(DibHeight(back), height);
        QCOMPARE(DibBitCount(back), bits);
        QCOMPARE(back.bytew, d.bytew);
        // Row padding is not image content; compare the meaningful bytes.
        const int used = int((std::int64_t(width) * bits + 7) / 8);
        for (int y = 0; y < height; ++y)
            QCOMPARE(QByteArray(reinterpret_cast<const char*>(back.poi + y * back.bytew), used),
                QByteArray(reinterpret_cast<const char*>(d.poi + y * d.bytew), used));
        for (int i = 0; bits <= 8 && i < (1 << bits); ++i) {
            QCOMPARE(back.pal.palPalEntry[i].peRed, d.pal.palPalEntry[i].peRed);
            QCOMPARE(back.pal.palPalEntry[i].peBlue, d.pal.palPalEntry[i].peBlue);
        }
        // The same file is what Qt reads as a bitmap.
        const QImage viaQt(file);
        QCOMPARE(viaQt.size(), QSize(width, height));
        if (bits >= 24)
            QCOMPARE(viaQt.convertToFormat(QImage::Format_RGB888), DibToImage(d));
        FreeDib(back);
        FreeDib(d);
    }

    void bmpReaderRefusesDamagedFiles()
    {
        dib d = makeColour(9, 4);
        QByteArray good;
        QVERIFY(EncodeDib(d, DibFormatBmp, good));
        FreeDib(d);
        auto patched = [&](int at, const QByteArray& bytes) {
            QByteArray b = good;
            b.replace(at, bytes.size(), bytes);
            return b;
        };
        const QList<QByteArray> bad = {
            QByteArray(), good.left(53),
            good.left(good.size() - 1), // last row cut short
            patched(0, "XM"), // signature
            patched(10, QByteArray("\xFF\xFF\xFF\x7F", 4)), // pixel offset beyond the file
            patched(14, QByteArray("\xFF\xFF\x00\x00", 4)), // header size beyond the file
            patched(18, QByteArray("\x00\x00\x01\x00", 4)), // width 65536
            patched(18, QByteArray("\xFF\xFF\xFF\xFF", 4)), // width -1
            patched(22, QByteArray("\x00\x00\x00\x80", 4)), // height INT_MIN
            patched(22, QByteArray("\x00\x00\x00\x00", 4)), // height 0
            patched(28, QByteArray("\x10\x00", 2)), // 16 bits
            patched(28, QByteArray("\x02\x00", 2)), // 2 bits
            patched(30, QByteArray("\x01\x00\x00\x00", 4)), // RLE compression
        };
        for (int i = 0; i < bad.size(); ++i) {
            dib r = DecodeDib(bad[i], DibFormatBmp);
            QVERIFY2(!r.poi, qPrintable(QString::number(i)));
        }
        // A palette image whose colour count claims more than the file holds.
        dib p = makePalette8(4, 4);
        QByteArray pal;
        QVERIFY(EncodeDib(p, DibFormatBmp, pal));
        FreeDib(p);
        QVERIFY(!DecodeDib(pal.left(54 + 1000), DibFormatBmp).poi);
        // Every prefix of a good file either decodes completely or not at all.
        for (int n = 0; n < good.size(); n += 3)
            QVERIFY(!DecodeDib(good.left(n), DibFormatBmp).poi);
        // Top-down files (negative height) come back bottom-up.
        QByteArray topDown = good;
        const int h = 4;
        topDown.replace(22, 4, QByteArray("\xFC\xFF\xFF\xFF", 4));
        const int row = 28;
        for (int y = 0; y < h; ++y)
            topDown.replace(54 + y * row, row, good.mid(54 + (h - 1 - y) * row, row));
        dib td = DecodeDib(topDown, DibFormatBmp);
        dib bu = DecodeDib(good, DibFormatBmp);
        QVERIFY(td.poi && bu.poi);
        QCOMPARE(DibToImage(td), DibToImage(bu));
        FreeDib(td);
        FreeDib(bu);
    }

    void jpegAndJpeg2000RoundTrip_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<double>("minPsnr");
        QTest::newRow("JPEG") << int(DibFormatJpeg) << 24.0;
        QTest::newRow("JPEG 2000") << int(DibFormatJpeg2000) << 24.0;
    }
    void jpegAndJpeg2000RoundTrip()
    {
        QFETCH(int, format);
        QFETCH(double, minPsnr);
        QImage source;
        dib d = makeColour(97, 61, &source);
        const QString file = path(QStringLiteral("rt.%1").arg(format));
        QCOMPARE(SaveDib(d, file, format, 0), 1);
        dib back = OpenDib(file, format, 0);
        QVERIFY(back.poi);
        QCOMPARE(DibBitCount(back), 24);
        const double quality = psnr(DibToImage(back), source);
        QVERIFY2(quality >= minPsnr, qPrintable(QString::number(quality)));
        // Qt's own reader agrees for JPEG (orientation and colour order).
        if (format == DibFormatJpeg)
            QVERIFY(psnr(QImage(file), source) >= minPsnr);
        FreeDib(back);

        // Palette and 32-bit images are encoded through their colours.
        dib p = makePalette8(16, 16);
        QByteArray bytes;
        QVERIFY(EncodeDib(p, format, bytes));
        dib pb = DecodeDib(bytes, format);
        QCOMPARE(DibToImage(pb).size(), QSize(16, 16));
        FreeDib(pb);
        FreeDib(p);
        dib tiny = newdib(1, 1, 32, nullptr, 0);
        std::memset(tiny.poi, 0x7F, 4);
        QVERIFY(EncodeDib(tiny, format, bytes));
        FreeDib(tiny);

        // Damaged input never crashes; garbage and empty input decode to nothing.
        QVERIFY(!DecodeDib(QByteArray(), format).poi);
        QVERIFY(!DecodeDib(QByteArray(500, 'x'), format).poi);
        QByteArray good;
        QVERIFY(EncodeDib(d, format, good));
        for (int n = 0; n < good.size(); n += std::max<qsizetype>(1, good.size() / 40)) {
            dib r = DecodeDib(good.left(n), format);
            FreeDib(r);
            QByteArray flipped = good;
            flipped[n] = char(flipped[n] ^ 0x5A);
            r = DecodeDib(flipped, format);
            FreeDib(r);
        }
        FreeDib(d);
    }

    void ccittImagesMatchTheSource_data()
    {
        QTest::addColumn<bool>("zeroIsWhite");
        QTest::addColumn<int>("width");
        QTest::newRow("palette 0 white") << true << 203;
        QTest::newRow("palette 0 black") << false << 64;
    }
    void ccittImagesMatchTheSource()
    {
        QFETCH(bool, zeroIsWhite);
        QFETCH(int, width);
        if (!haveTool(QStringLiteral("pdfimages")))
            QSKIP("pdfimages missing");
        QImage reference;
        dib image = makeBilevel(width, 150, zeroIsWhite, &reference);
        const QString name = QStringLiteral("ccitt.pdf");
        const QByteArray pdf = document(name, [&](TPDFCanvas& c) { c.DrawDIB(0, 0, 300, 200, image, 0, 0, 1, 1); });
        FreeDib(image);
        const QByteArray obj = objectText(pdf, 8);
        QVERIFY(obj.contains("/Width " + QByteArray::number(width) + " /Height 150 /BitsPerComponent 1\n"));
        QVERIFY(obj.contains("/Filter /CCITTFaxDecode /DecodeParms <</K -1 /Columns " + QByteArray::number(width)
            + " /Rows 150>>\n>>\nstream\n"));
        QVERIFY(obj.endsWith("endstream\nendobj\n"));
        qpdfCheck(name);
        const QImage back = extract(name, 0);
        QVERIFY(!back.isNull());
        QVERIFY(sameBilevel(back, reference));
    }

    void ccittPixelCallsAndFile()
    {
        // 3 × 2: a black diagonal; the file is exactly what the encoder gives.
        const std::uint8_t rows[2] = {0x80, 0x40};
        const QByteArray direct = EncodeCcittG4(rows, 3, 2, 1);
        QVERIFY(!direct.isEmpty());
        const QString file = path(QStringLiteral("g4.img"));
        QVERIFY(openccittfile(file));
        g4j_initialize(3, 2);
        g4j_encode_black(1);
        g4j_encode_white(2);
        g4j_encode_new_row();
        g4j_encode_white(1);
        g4j_encode_black(1);
        g4j_encode_white(5); // beyond the row: ignored
        g4j_encode_new_row();
        g4j_encode_EOFB();
        QVERIFY(closeccittfile());
        QCOMPARE(readFile(file), direct);
        QVERIFY(EncodeCcittG4(rows, 0, 2, 1).isEmpty());
    }

    void jbig2DecodesExactly()
    {
        if (!haveTool(QStringLiteral("jbig2dec")))
            QSKIP("jbig2dec missing");
        for (const QSize size : {QSize(1, 1), QSize(77, 3), QSize(640, 300)}) {
            QImage reference;
            dib image = makeBilevel(size.width(), size.height(), true, &reference);
            QByteArray rows;
            int stride = 0;
            QVERIFY(DibBlackBitsTopDown(image, rows, stride));
            FreeDib(image);
            Jbig2Streams streams;
            QVERIFY(EncodeJbig2Generic(
                reinterpret_cast<const std::uint8_t*>(rows.constData()), size.width(), size.height(), stride, streams));
            QVERIFY(streams.globals.isEmpty());
            QVERIFY(streams.page.endsWith("\xFF\xAC"));
            QFile g(path(QStringLiteral("g.jb2")));
            QFile p(path(QStringLiteral("p.jb2")));
            QVERIFY(g.open(QIODevice::WriteOnly) && p.open(QIODevice::WriteOnly));
            g.write(streams.globals);
            p.write(streams.page);
            g.close();
            p.close();
            const QString out = path(QStringLiteral("out.pbm"));
            QFile::remove(out);
            QByteArray log;
            QCOMPARE(runTool(QStringLiteral("jbig2dec"),
                         {QStringLiteral("-t"), QStringLiteral("pbm"), QStringLiteral("-o"), out, g.fileName(),
                             p.fileName()},
                         &log),
                0);
            const QImage decoded(out);
            QVERIFY2(sameBilevel(decoded, reference), log.constData());
        }
        QCOMPARE(
            jbig2encode(path(QStringLiteral("missing.bmp")), path(QStringLiteral("g")), path(QStringLiteral("p"))), 1);
    }

    void jbig2ObjectPairsAndNumbering()
    {
        if (!haveTool(QStringLiteral("pdfimages")))
            QSKIP("pdfimages missing");
        QImage reference;
        dib bilevel = makeBilevel(321, 111, false, &reference);
        QImage colourRef;
        dib colour = makeColour(40, 30, &colourRef);
        const QString name = QStringLiteral("jbig2.pdf");
        const QByteArray pdf = document(
            name,
            [&](TPDFCanvas& c) {
                c.DrawDIB(0, 0, 321, 111, bilevel, 0, 0, 1, 1);
                c.DrawDIB(0, 200, 40, 30, colour, 0, 0, 1, 1);
                c.NewPage();
                c.DrawDIBOfImageNr(10, 10, 100, 100, 0, 0, 0, 1, 1);
            },
            [](TPDFCanvas& c) { c.usejbig2 = true; });
        FreeDib(bilevel);
        FreeDib(colour);
        // 2 pages: streams 2..5, tree 6, pages 7-8, catalog 9, outlines 10, images 11 (+12), 13.
        QVERIFY(objectText(pdf, 7).contains("/XObject << /Im0 11 0 R/Im1 13 0 R >>\n"));
        QVERIFY(objectText(pdf, 8).contains("/XObject << /Im0 11 0 R/Im1 13 0 R >>\n"));
        QVERIFY(
            objectText(pdf, 11).contains("/Filter /JBIG2Decode /DecodeParms << /JBIG2Globals 12 0 R>>\n>>\nstream\n"));
        QVERIFY(objectText(pdf, 12).startsWith("12 0 obj\n<<\n/Length 0\n>>\nstream\n\nendstream\nendobj\n"));
        QVERIFY(objectText(pdf, 13).contains("/Filter /DCTDecode"));
        QVERIFY(pdf.contains("/Size 14\n"));
        QVERIFY(xrefConsistent(pdf));
        qpdfCheck(name);
        QVERIFY(sameBilevel(extract(name, 0), reference));
        const double q = psnr(extract(name, 1), colourRef);
        QVERIFY2(q > 24, qPrintable(QString::number(q)));
    }

    void paletteImagesAreStoredAs24Bit()
    {
        dib p8 = makePalette8(6, 4);
        TPDFCanvas c;
        QVERIFY(c.BeginDoc(path(QStringLiteral("pal.pdf"))));
        c.DrawDIB(0, 0, 60, 40, p8, 0, 0, 6, 4);
        QCOMPARE(c.imageCount(), 1);
        QCOMPARE(c.imageEntry(0).bitcount, 24);
        QCOMPARE(DibToImage(c.imageEntry(0).image), DibToImage(p8));
        FreeDib(p8);
        QVERIFY(c.EndDoc());
    }

    void takenImagesAreKeptWithoutCopy()
    {
        // A handed-over image is stored as it is (no copy) and the caller's record is
        // emptied; a palette image handed over is converted and its original freed.
        QImage reference;
        dib colour = makeColour(8, 5, &reference);
        const std::uint8_t* pixels = colour.poi;
        dib p8 = makePalette8(6, 4);
        const QImage p8Image = DibToImage(p8);
        TPDFCanvas c;
        QVERIFY(c.BeginDoc(path(QStringLiteral("taken.pdf"))));
        c.DrawDIBTaking(0, 0, 80, 50, colour, 0, 0, 8, 5);
        c.DrawDIBTaking(0, 60, 60, 40, p8, 0, 0, 6, 4);
        QVERIFY(colour.poi == nullptr);
        QVERIFY(p8.poi == nullptr);
        QCOMPARE(c.imageCount(), 2);
        QCOMPARE(c.imageEntry(0).image.poi, pixels);
        QCOMPARE(c.imageEntry(1).bitcount, 24);
        QCOMPARE(DibToImage(c.imageEntry(1).image), p8Image);
        QVERIFY(c.EndDoc());
        qpdfCheck(QStringLiteral("taken.pdf"));
        Q_UNUSED(reference);
    }

    void placementsThatStoreNothing()
    {
        dib d24 = makeColour(4, 4);
        dib d16 = newdib(4, 4, 16, nullptr, 0);
        dib empty;
        TPDFCanvas c;
        QVERIFY(c.BeginDoc(path(QStringLiteral("none.pdf"))));
        c.DrawDIB(0, 0, 0, 10, d24, 0, 0, 4, 4);
        c.DrawDIB(0, 0, 10, 0, d24, 0, 0, 4, 4);
        c.DrawDIB(0, 0, 10, 10, d24, 0, 0, 0, 4);
        c.DrawDIB(0, 0, 10, 10, d24, 0, 0, 4, 0);
        c.DrawDIB(0, 0, 10, 10, d16, 0, 0, 4, 4);
        c.DrawDIB(0, 0, 10, 10, empty, 0, 0, 4, 4);
        QCOMPARE(c.imageCount(), 0);
        c.DrawDIB(0, 0, 10, 10, d24, 0, 0, 4, 4);
        c.DrawDIBOfImageNr(20, 20, 10, 10, 0, 0, 0, 4, 4);
        QCOMPARE(c.imageCount(), 1);
        QVERIFY(c.EndDoc());
        FreeDib(d24);
        FreeDib(d16);
        const QByteArray pdf = readFile(path(QStringLiteral("none.pdf")));
        QCOMPARE(
            pageContent(pdf, 0), QByteArray("q\n9 0 0 9 0 832 cm\n/Im0 Do\nQ\nq\n9 0 0 9 20 812 cm\n/Im0 Do\nQ\n"));
    }

    void twoImagesInEveryPage()
    {
        dib a = makeColour(8, 8);
        dib b = makeColour(5, 5);
        const QByteArray pdf = document(QStringLiteral("two.pdf"), [&](TPDFCanvas& c) {
            c.DrawDIB(0, 0, 8, 8, a, 0, 0, 1, 1);
            c.NewPage();
            c.DrawDIB(0, 0, 5, 5, b, 0, 0, 1, 1);
        });
        FreeDib(a);
        FreeDib(b);
        // Pages 7 and 8 both list /Im0 (object 11) and /Im1 (object 12).
        QVERIFY(objectText(pdf, 7).contains("/XObject << /Im0 11 0 R/Im1 12 0 R >>"));
        QVERIFY(objectText(pdf, 8).contains("/XObject << /Im0 11 0 R/Im1 12 0 R >>"));
        QVERIFY(objectText(pdf, 12).contains("/Width 5 /Height 5"));
    }

    void jpeg2000Objects()
    {
        QImage source;
        dib d = makeColour(120, 80, &source);
        const QString name = QStringLiteral("jpx.pdf");
        const QByteArray pdf = document(
            name, [&](TPDFCanvas& c) { c.DrawDIB(0, 0, 120, 80, d, 0, 0, 1, 1); },
            [](TPDFCanvas& c) { c.usejpeg2000 = true; });
        FreeDib(d);
        QVERIFY(pdf.startsWith("%PDF-1.5\n"));
        const QByteArray obj = objectText(pdf, 8);
        static const QRegularExpression lengthRe(QStringLiteral("/Length (\\d+) /Filter /JPXDecode >>\nstream\n"));
        const auto m = lengthRe.match(QString::fromLatin1(obj));
        QVERIFY(m.hasMatch());
        const qsizetype dataStart = obj.indexOf("\nstream\n") + 8;
        const qsizetype dataEnd = obj.lastIndexOf("endstream\nendobj\n");
        // The declared length is one more than the codestream: it takes the line feed
        // that ends the data.
        QCOMPARE(m.captured(1).toLongLong(), qint64(dataEnd - dataStart));
        QCOMPARE(obj.at(dataEnd - 1), '\n');
        QVERIFY(obj.mid(dataStart).startsWith(QByteArray("\x00\x00\x00\x0CjP  \r\n\x87\n", 12)));
        qpdfCheck(name);
        if (haveTool(QStringLiteral("pdfimages")))
            QVERIFY(psnr(extract(name, 0), source) > 25);
    }

    void temporaryFileMode()
    {
        // A link planted under the first name is not written through.
        const QString victim = path(QStringLiteral("victim.txt"));
        QFile v(victim);
        QVERIFY(v.open(QIODevice::WriteOnly));
        v.write("keep");
        v.close();
        // Links under the first names of every temporary file the writer makes.
        const QStringList plantedNames
            = {QStringLiteral("temppdfimg0.bmp"), QStringLiteral("tempim0.jpg"), QStringLiteral("tempccitt0.img"),
                QStringLiteral("tempim0.bmp"), QStringLiteral("tempim00.bmp"), QStringLiteral("tempim10.bmp")};
        for (const QString& n : plantedNames)
            QVERIFY(QFile::link(victim, tempFolder.filePath(n)));

        QImage source;
        dib d = makeColour(50, 40, &source);
        dib bilevel = makeBilevel(20, 20, true);
        QStringList expected = plantedNames;
        expected.sort();
        for (const bool jbig2 : {false, true}) {
            TPDFCanvas c;
            c.usetempfileforimages = true;
            c.usejbig2 = jbig2;
            QVERIFY(c.BeginDoc(path(QStringLiteral("tmpmode.pdf"))));
            c.DrawDIB(0, 0, 50, 40, d, 0, 0, 1, 1);
            c.DrawDIB(0, 100, 20, 20, bilevel, 0, 0, 1, 1);
            QCOMPARE(c.imageEntry(0).tempname, tempFolder.filePath(QStringLiteral("temppdfimg1.bmp")));
            QVERIFY(!c.imageEntry(0).image.poi);
            QVERIFY(QFile::exists(c.imageEntry(0).tempname));
            QVERIFY(c.EndDoc());
            // The encoders' files are gone; the stored bitmaps stay until the canvas goes.
            QStringList during
                = expected + QStringList({QStringLiteral("temppdfimg1.bmp"), QStringLiteral("temppdfimg2.bmp")});
            during.sort();
            QCOMPARE(tempFiles(), during);
        }
        FreeDib(d);
        FreeDib(bilevel);
        QCOMPARE(tempFiles(), expected);
        QCOMPARE(readFile(victim), QByteArray("keep"));
        for (const QString& n : plantedNames)
            QFile::remove(tempFolder.filePath(n));
        const QByteArray pdf = readFile(path(QStringLiteral("tmpmode.pdf")));
        QVERIFY(objectText(pdf, 8).contains("/Width 50 /Height 40"));
        if (haveTool(QStringLiteral("pdfimages")))
            QVERIFY(psnr(extract(QStringLiteral("tmpmode.pdf"), 0), source) > 24);
    }

    void failingEncoderLeavesAValidDocument()
    {
        // The stored bitmap of the first image is damaged before the document ends; the
        // JBIG2 image after it still gets its two numbers, the JPEG after that its one.
        dib a = makeColour(30, 30);
        dib b = makeBilevel(30, 30, true);
        dib c24 = makeColour(10, 10);
        const QString name = QStringLiteral("damaged.pdf");
        const QByteArray pdf = document(
            name,
            [&](TPDFCanvas& c) {
                c.DrawDIB(0, 0, 30, 30, a, 0, 0, 1, 1);
                c.DrawDIB(0, 40, 30, 30, b, 0, 0, 1, 1);
                c.DrawDIB(0, 80, 10, 10, c24, 0, 0, 1, 1);
                QFile f(c.imageEntry(1).tempname);
                QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
                f.write("not a bitmap");
                f.close();
            },
            [](TPDFCanvas& c) {
                c.usetempfileforimages = true;
                c.usejbig2 = true;
            });
        FreeDib(a);
        FreeDib(b);
        FreeDib(c24);
        QVERIFY(objectText(pdf, 5).contains("/XObject << /Im0 8 0 R/Im1 9 0 R/Im2 11 0 R >>"));
        QVERIFY(objectText(pdf, 8).contains("/Filter /DCTDecode"));
        QVERIFY(
            objectText(pdf, 9).contains("/Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray /Length 1 >>"));
        QVERIFY(objectText(pdf, 10).contains("/Length 0"));
        QVERIFY(objectText(pdf, 11).contains("/Width 10 /Height 10"));
        QVERIFY(xrefConsistent(pdf));
        qpdfCheck(name);
        if (haveTool(QStringLiteral("pdftoppm")))
            QCOMPARE(runTool(QStringLiteral("pdftoppm"),
                         {QStringLiteral("-r"), QStringLiteral("10"), path(name), path(QStringLiteral("damaged"))}),
                0);
    }

    void outOfMemoryCopyIsReported()
    {
        QStringList reports;
        rostelmark::setAllocErrorHandler([&](const QString& text) { reports << text; });
        dib d = makeColour(8, 8);
        const QString name = QStringLiteral("oom.pdf");
        const QByteArray pdf = document(name, [&](TPDFCanvas& c) {
            DibFailNextAllocationForTest();
            c.DrawDIB(0, 0, 8, 8, d, 0, 0, 1, 1);
        });
        rostelmark::setAllocErrorHandler({});
        FreeDib(d);
        QCOMPARE(reports, QStringList({QStringLiteral("Fehler: nicht genug Speicher für diese Operation!")}));
        QVERIFY(objectText(pdf, 8).contains("/Width 1 /Height 1"));
        qpdfCheck(name);
    }
};

ROSTELMARK_TEST_MAIN(TestPdfImages)
#include "tst_pdfimages.moc"
