// Document structure, drawing operators and fonts of TPDFCanvas, checked on the bytes.
#include "pdf/pdfcanvas.h"
#include "pdftestutil.h"
#include "testsupport.h"

#include <QFontMetrics>
#include <QTemporaryDir>

#include <functional>

using Draw = std::function<void(TPDFCanvas&)>;
Q_DECLARE_METATYPE(Draw)

using namespace pdftest;

class TestPdfWriter : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    // Writes a document drawn by `draw` and returns its bytes.
    QByteArray document(const Draw& draw, const Draw& setup = {})
    {
        TPDFCanvas c;
        if (setup)
            setup(c);
        const QString file = path("doc.pdf");
        if (!c.BeginDoc(file))
            return {};
        draw(c);
        if (!c.EndDoc())
            return {};
        return readFile(file);
    }

private Q_SLOTS:
    void initTestCase()
    {
        // Set to look at the written files afterwards.
        if (qEnvironmentVariableIsSet("ROSTELMARK_KEEP_TEST_FILES")) {
            dir.setAutoRemove(false);
            qInfo("files in %s", qPrintable(dir.path()));
        }
    }

    void emptyDocumentIsExact()
    {
        const QByteArray pdf = document([](TPDFCanvas&) {});
        QVERIFY(!pdf.isEmpty());
        // Everything but the random identifier is fixed.
        QByteArray expected = "%PDF-1.3\n";
        QList<qint64> offsets;
        auto obj = [&](const QByteArray& body) {
            offsets << expected.size();
            expected += QByteArray::number(offsets.size()) + " 0 obj\n" + body + "endobj\n";
        };
        obj("[/PDF /Text /ImageB /ImageC /ImageI]\n");
        obj(QByteArray("<< /Length 3 0 R /Filter /FlateDecode >>\nstream\n") + QByteArray::fromHex("789c030000000001")
            + "\nendstream\n");
        obj("9\n");
        obj("<<\n/Type /Pages\n/Count 1\n/Kids [5 0 R]\n>>\n");
        obj("<<\n/Type /Page\n/Parent 4 0 R\n/Resources <</XObject <<  >>\n/Font << >> /ProcSet 1 0 R\n>>\n"
            "/MediaBox [0 0 594 840]\n/Contents 2 0 R\n>>\n");
        obj("<<\n/Type /Catalog\n/Pages 4 0 R\n/Outlines 7 0 R\n>>\n");
        obj("<<\n/Type /Outlines\n/Count 0\n>>\n");
        const qint64 xref = expected.size();
        expected += "xref\n0 8\n0000000000 65535 f \n";
        for (qint64 off : offsets)
            expected += QByteArray::number(off).rightJustified(10, '0') + " 00000 n \n";
        expected += "trailer\n<<\n/Size 8\n/Root 6 0 R\n/ID [ <";
        QVERIFY(pdf.startsWith(expected));
        const QByteArray rest = pdf.mid(expected.size());
        static const QRegularExpression tail(
            QStringLiteral("^([0-9A-F]{34})><\\1> \\]\n>>\nstartxref\n(\\d+)\n%%EOF$"));
        const auto m = tail.match(QString::fromLatin1(rest));
        QVERIFY2(m.hasMatch(), rest.constData());
        QCOMPARE(m.captured(2).toLongLong(), xref);
    }

    void oneImageNumbering()
    {
        dib image = newdib(4, 3, 24, nullptr, 0);
        std::memset(image.poi, 0x80, size_t(image.bytew) * 3);
        const QByteArray pdf = document([&](TPDFCanvas& c) { c.DrawDIB(0, 0, 595, 841, image, 0, 0, 4, 3); });
        FreeDib(image);
        QCOMPARE(pageContent(pdf, 0), QByteArray("q\n594 0 0 840 0 1 cm\n/Im0 Do\nQ\n"));
        QVERIFY(objectText(pdf, 4).contains("/Type /Pages\n/Count 1\n/Kids [5 0 R]\n"));
        QVERIFY(objectText(pdf, 5).contains("/XObject << /Im0 8 0 R >>\n"));
        QVERIFY(objectText(pdf, 6).contains("/Type /Catalog"));
        QVERIFY(objectText(pdf, 7).contains("/Type /Outlines"));
        QVERIFY(objectText(pdf, 8).startsWith("8 0 obj\n<< /Type /XObject /Subtype /Image /Width 4 /Height 3 "
                                              "/BitsPerComponent 8 /ColorSpace /DeviceRGB /Length "));
        QVERIFY(objectText(pdf, 8).contains(" /Filter /DCTDecode >>\nstream\n\xFF\xD8"));
        QVERIFY(objectText(pdf, 8).endsWith("\xFF\xD9"
                                            "endstream\nendobj\n"));
        QVERIFY(pdf.contains("trailer\n<<\n/Size 9\n"));
        QString why;
        QVERIFY2(xrefConsistent(pdf, &why), qPrintable(why));
    }

    void pagesTakeTheirSizeWhenClosed()
    {
        const QByteArray pdf = document([](TPDFCanvas& c) {
            c.PageHeight = 600; // first page closes with this height
            c.NewPage();
            c.PageWidth = 842;
            c.PageHeight = 595;
            c.NewPage();
        });
        QCOMPARE(pdf.count("/MediaBox"), 3);
        // Pages 1..3 are objects 9, 10, 11 after the page tree 8.
        QVERIFY(objectText(pdf, 8).contains("/Count 3\n/Kids [9 0 R 10 0 R 11 0 R]\n"));
        QVERIFY(objectText(pdf, 9).contains("/MediaBox [0 0 594 599]\n/Contents 2 0 R\n"));
        QVERIFY(objectText(pdf, 10).contains("/MediaBox [0 0 841 594]\n/Contents 4 0 R\n"));
        QVERIFY(objectText(pdf, 11).contains("/MediaBox [0 0 841 594]\n/Contents 6 0 R\n"));
        QVERIFY(objectText(pdf, 4).contains("<< /Length 5 0 R /Filter /FlateDecode >>"));
        QVERIFY(xrefConsistent(pdf));
    }

    void lengthObjectCountsTheLineFeed()
    {
        const QByteArray pdf = document([](TPDFCanvas& c) {
            for (int i = 0; i < 50; ++i)
                c.FillRect(i, i, i + 10, i + 10);
        });
        qint64 declared = 0;
        const QByteArray data = streamData(pdf, 2, &declared);
        // The length object holds compressed size + 1; the line feed belongs to it.
        QCOMPARE(data.size(), declared);
        QCOMPARE(data.right(1), QByteArray("\n"));
        QVERIFY(inflate(data.chopped(1)).startsWith("1 1 1 rg\n0 831 9 9 re\nf\n"));
    }

    void largePageContentSurvivesBufferGrowth()
    {
        QByteArray expected;
        const QByteArray pdf = document([&](TPDFCanvas& c) {
            c.MoveTo(0, 0);
            for (int i = 0; i < 30000; ++i)
                c.LineTo(i % 500, i % 700);
        });
        // 30000 segments of three lines each, far beyond the first 100000-byte buffer.
        const QByteArray content = pageContent(pdf, 0);
        QVERIFY(content.size() > 300000);
        QCOMPARE(content.count("\nS\n"), 30000);
        QVERIFY(content.endsWith("499 840 m\n499 840 l\nS\n") || content.endsWith(" l\nS\n"));
    }

    void headerAndTrailerForms()
    {
        const QByteArray pdf = document([](TPDFCanvas&) {}, [](TPDFCanvas& c) { c.usejpeg2000 = true; });
        QVERIFY(pdf.startsWith("%PDF-1.5\n1 0 obj\n"));
        QVERIFY(pdf.endsWith("%%EOF"));
        QVERIFY(!pdf.contains('\r'));
    }

    void beginDocOnUncreatableFile()
    {
        TPDFCanvas c;
        QVERIFY(!c.BeginDoc(dir.filePath(QStringLiteral("no/such/folder/x.pdf"))));
        QVERIFY(!c.isInCreation());
        c.FillRect(0, 0, 10, 10);
        c.TextOut(0, 0, QStringLiteral("x"));
        c.NewPage();
        QVERIFY(!c.EndDoc());
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("no/such/folder/x.pdf"))));
    }

    void failedWriteIsReported()
    {
        if (!QFile::exists(QStringLiteral("/dev/full")))
            QSKIP("no /dev/full");
        TPDFCanvas c;
        QVERIFY(c.BeginDoc(QStringLiteral("/dev/full")));
        for (int i = 0; i < 2000; ++i)
            c.TextOut(0, i, QStringLiteral("filler text to push the writes past the file buffer"));
        QVERIFY(!c.EndDoc());
        QVERIFY(c.ioError());
    }

    void pdfaMetadata()
    {
        const QByteArray packet = TPDFCanvas::MetadataPacket("abcdefghijklmnopqrstuvwxy");
        QCOMPARE(packet.size(), 436);
        QCOMPARE(packet.count('\r'), 10);
        QVERIFY(packet.startsWith("<?xpacket begin=\"\xEF\xBB\xBF\" id=\"abcdefghijklmnopqrstuvwxy\"?>\r<x:xmpmeta"));
        QVERIFY(packet.endsWith("</x:xmpmeta>\r<?xpacket end=\"w\"?>"));

        dib image = newdib(2, 2, 24, nullptr, 0);
        std::memset(image.poi, 0xFF, size_t(image.bytew) * 2);
        const QByteArray pdf = document([&](TPDFCanvas& c) { c.DrawDIB(10, 10, 20, 20, image, 0, 0, 2, 2); },
            [](TPDFCanvas& c) { c.ispdfa = true; });
        FreeDib(image);
        // Metadata right after the last length object, catalog refers to it.
        const QByteArray meta = objectText(pdf, 4);
        QVERIFY(meta.startsWith("4 0 obj\n<</Type /Metadata\n/Subtype /XML /Length 436>>\nstream\n<?xpacket begin="));
        static const QRegularExpression id(QStringLiteral("id=\"[a-z]{25}\"\\?>"));
        QVERIFY(id.match(QString::fromLatin1(meta)).hasMatch());
        QVERIFY(objectText(pdf, 7).contains("/Outlines 8 0 R\n/Metadata 4 0 R\n"));
        QVERIFY(objectText(pdf, 9).contains("/ColorSpace [ /CalRGB<< /WhitePoint [0.9505 1.0000 1.0890]"));
        QVERIFY(xrefConsistent(pdf));
    }

    void colorNumbers_data()
    {
        QTest::addColumn<int>("c");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("0") << 0 << QByteArray("0");
        QTest::newRow("1") << 1 << QByteArray("0.00392156862745098");
        QTest::newRow("51") << 51 << QByteArray("0.2");
        QTest::newRow("128") << 128 << QByteArray("0.501960784313725");
        QTest::newRow("178") << 178 << QByteArray("0.698039215686275");
        QTest::newRow("180") << 180 << QByteArray("0.705882352941176");
        QTest::newRow("227") << 227 << QByteArray("0.890196078431373");
        QTest::newRow("230") << 230 << QByteArray("0.901960784313725");
        QTest::newRow("254") << 254 << QByteArray("0.996078431372549");
        QTest::newRow("255") << 255 << QByteArray("1");
    }
    void colorNumbers()
    {
        QFETCH(int, c);
        QFETCH(QByteArray, text);
        QCOMPARE(TPDFCanvas::ColorNumber(c), text);
    }

    void colorNumbersAllWellFormed()
    {
        for (int c = 0; c <= 255; ++c) {
            const QByteArray t = TPDFCanvas::ColorNumber(c);
            // Never more than 15 significant digits, never a trailing zero, and close to c/255.
            QVERIFY(!t.contains('e') && !t.contains(','));
            if (t.contains('.')) {
                QVERIFY(!t.endsWith('0'));
                QVERIFY(t.mid(2).toLongLong() > 0);
                QVERIFY(QByteArray::number(t.mid(2).toLongLong()).size() <= 15);
            }
            QVERIFY(std::abs(t.toDouble() - c / 255.0) < 1e-15);
        }
    }

    void drawing_data()
    {
        QTest::addColumn<Draw>("draw");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("FillRect solid red") << Draw([](TPDFCanvas& c) {
            c.brush.Color = 0x0000FF;
            c.FillRect(10, 20, 30, 40);
        }) << QByteArray("1 0 0 rg\n10 801 19 19 re\nf\n");
        QTest::newRow("FillRect reversed corners") << Draw([](TPDFCanvas& c) {
            c.brush.Color = 0x0000FF;
            c.FillRect(30, 40, 10, 20);
        }) << QByteArray("1 0 0 rg\n30 821 -19 -19 re\nf\n");
        QTest::newRow("FillRect empty writes nothing") << Draw([](TPDFCanvas& c) {
            c.FillRect(10, 20, 10, 40);
            c.FillRect(10, 20, 30, 20);
        }) << QByteArray();
        QTest::newRow("FillRect clear brush") << Draw([](TPDFCanvas& c) {
            c.brush.Style = bsClear;
            c.FillRect(0, 0, 5, 5);
        }) << QByteArray();
        QTest::newRow("FillRect brush written once") << Draw([](TPDFCanvas& c) {
            c.brush.Color = 0x00FF00;
            c.FillRect(0, 0, 2, 2);
            c.FillRect(0, 0, 3, 3);
        }) << QByteArray("0 1 0 rg\n0 839 1 1 re\nf\n0 838 2 2 re\nf\n");
        QTest::newRow("LineTo default pen") << Draw([](TPDFCanvas& c) {
            c.MoveTo(0, 0);
            c.LineTo(100, 0);
            c.LineTo(100, 10);
        }) << QByteArray("[ ] 0 d\n1 w\n0 0 0 RG\n0 840 m\n100 840 l\nS\n100 840 m\n100 830 l\nS\n");
        QTest::newRow("pen styles") << Draw([](TPDFCanvas& c) {
            const TPenStyle styles[] = {psDash, psDot, psDashDot, psDashDotDot, psInsideFrame, psUserStyle};
            for (TPenStyle s : styles) {
                c.pen.Style = s;
                c.LineTo(1, 1);
            }
        })
                                    << QByteArray("[3] 0 d\n1 w\n0 0 0 RG\n0 840 m\n1 839 l\nS\n"
                                                  "[1] 0 d\n1 w\n0 0 0 RG\n1 839 m\n1 839 l\nS\n"
                                                  "[3 1 1 1] 0 d\n1 w\n0 0 0 RG\n1 839 m\n1 839 l\nS\n"
                                                  "[3 1 1 1 1 1] 0 d\n1 w\n0 0 0 RG\n1 839 m\n1 839 l\nS\n"
                                                  "[ ] 0 d\n1 w\n0 0 0 RG\n1 839 m\n1 839 l\nS\n"
                                                  "1 w\n0 0 0 RG\n1 839 m\n1 839 l\nS\n");
        QTest::newRow("clear pen draws nothing but moves") << Draw([](TPDFCanvas& c) {
            c.pen.Style = psClear;
            c.LineTo(50, 60);
            c.pen.Style = psSolid;
            c.pen.Width = 3;
            c.pen.Color = 0x336699;
            c.LineTo(0, 0);
        }) << QByteArray("[ ] 0 d\n3 w\n0.6 0.4 0.2 RG\n50 780 m\n0 840 l\nS\n");
        QTest::newRow("Rectangle filled and stroked")
            << Draw([](TPDFCanvas& c) { c.Rectangle(10, 20, 30, 40); })
            << QByteArray("[ ] 0 d\n1 w\n0 0 0 RG\n1 1 1 rg\n10 801 19 19 re\nB\n");
        QTest::newRow("Rectangle clear pen is FillRect") << Draw([](TPDFCanvas& c) {
            c.pen.Style = psClear;
            c.Rectangle(10, 20, 30, 40);
        }) << QByteArray("1 1 1 rg\n10 801 19 19 re\nf\n");
        QTest::newRow("Rectangle clear brush outlines")
            << Draw([](TPDFCanvas& c) {
                   c.brush.Style = bsClear;
                   c.Rectangle(10, 20, 30, 40);
                   c.LineTo(0, 0); // continues from (10, 20)
               })
            << QByteArray("[ ] 0 d\n1 w\n0 0 0 RG\n10 820 m\n29 820 l\nS\n29 820 m\n29 801 l\nS\n"
                          "29 801 m\n10 801 l\nS\n10 801 m\n10 820 l\nS\n10 820 m\n0 840 l\nS\n");
        QTest::newRow("Rectangle empty") << Draw([](TPDFCanvas& c) { c.Rectangle(5, 5, 5, 9); }) << QByteArray();
        QTest::newRow("hatch brush fills") << Draw([](TPDFCanvas& c) {
            c.brush.Style = bsCross;
            c.brush.Color = 0xFF000000u | 0x808080; // top byte ignored
            c.FillRect(0, 0, 2, 2);
        }) << QByteArray("0.501960784313725 0.501960784313725 0.501960784313725 rg\n0 839 1 1 re\nf\n");
        QTest::newRow("image placement") << Draw([](TPDFCanvas& c) {
            c.DrawDIBOfImageNr(10, 20, 100, 50, 3, 0, 0, 1, 1);
            c.DrawDIBOfImageNr(10, 20, 0, 50, 3, 0, 0, 1, 1);
            c.DrawDIBOfImageNr(10, 20, -100, -50, 3, 0, 0, 1, 1);
        }) << QByteArray("q\n99 0 0 49 10 772 cm\n/Im3 Do\nQ\nq\n-99 0 0 -49 10 870 cm\n/Im3 Do\nQ\n");
    }
    void drawing()
    {
        QFETCH(Draw, draw);
        QFETCH(QByteArray, content);
        const QByteArray pdf = document(draw);
        QCOMPARE(pageContent(pdf, 0), content);
    }

    void stateIsWrittenAgainOnEveryPage()
    {
        const QByteArray pdf = document([](TPDFCanvas& c) {
            c.font.Name = QStringLiteral("Liberation Sans");
            c.font.Size = 10;
            c.TextOut(5, 5, QStringLiteral("eins"));
            c.TextOut(5, 25, QStringLiteral("zwei"));
            c.brush.Color = 0;
            c.FillRect(0, 0, 1, 1);
            c.NewPage();
            c.TextOut(5, 5, QStringLiteral("drei"));
            c.FillRect(0, 0, 1, 1);
        });
        const int h = QFontMetrics(TPDFCanvas::MeasureFont(QStringLiteral("Liberation Sans"), 0, 10)).height();
        const QByteArray y1 = QByteArray::number(841 - 1 - 5 - h);
        const QByteArray y2 = QByteArray::number(841 - 1 - 25 - h);
        // Without a brush written on the page every text writes its colour.
        QCOMPARE(pageContent(pdf, 0),
            "BT\n0 0 0 rg\n/F1 10 Tf\n5 " + y1 + "  Td (eins) Tj\nET\nBT\n0 0 0 rg\n5 " + y2
                + "  Td (zwei) Tj\nET\n0 0 0 rg\n0 840 0 0 re\nf\n");
        QCOMPARE(pageContent(pdf, 1),
            "BT\n0 0 0 rg\n/F1 10 Tf\n5 " + y1 + "  Td (drei) Tj\nET\n0 0 0 rg\n0 840 0 0 re\nf\n");
    }

    void textColourFollowsFillColour()
    {
        const QByteArray pdf = document([](TPDFCanvas& c) {
            c.brush.Color = 0x0000FF;
            c.FillRect(0, 0, 4, 4);
            c.font.Color = 0x0000FF; // same as the fill in force: no colour line
            c.TextOut(0, 0, QStringLiteral("a"));
            c.font.Color = 0xFF0000;
            c.font.Size = 9;
            c.TextOut(0, 0, QStringLiteral("b"));
            c.FillRect(0, 0, 4, 4); // the text changed the fill colour: written again
        });
        const QByteArray content = pageContent(pdf, 0);
        QCOMPARE(content.count(" rg\n"), 3);
        QVERIFY(content.endsWith("ET\n1 0 0 rg\n0 837 3 3 re\nf\n"));
        QVERIFY(content.contains("BT\n/F1 8 Tf\n"));
        QVERIFY(content.contains("BT\n0 0 1 rg\n/F1 9 Tf\n"));
    }

    void escapeText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("escaped");
        QTest::newRow("brackets and backslash") << QStringLiteral("a(b)c\\") << QByteArray("a\\(b\\)c\\\\");
        QTest::newRow("named controls") << QStringLiteral("\n\r\t\b\f") << QByteArray("\\n\\r\\t\\b\\f");
        QTest::newRow("octal controls") << QString(QChar(1)) + QChar(27) + QChar(31) << QByteArray("\\001\\033\\037");
        QTest::newRow("code page") << QStringLiteral("Grüße €")
                                   << QByteArray("Gr\xFC\xDF"
                                                 "e \x80");
        QTest::newRow("outside code page") << QStringLiteral("\u4E2D") << QByteArray("?");
    }
    void escapeText()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, escaped);
        QCOMPARE(TPDFCanvas::EscapeText(text), escaped);
    }

    void fontUnits_data()
    {
        QTest::addColumn<int>("v");
        QTest::addColumn<int>("units");
        QTest::newRow("12") << 12 << 999;
        QTest::newRow("6") << 6 << 499;
        QTest::newRow("11") << 11 << 916;
        QTest::newRow("-3") << -3 << -249;
        QTest::newRow("0") << 0 << 0;
        QTest::newRow("24") << 24 << 1999;
        QTest::newRow("1") << 1 << 83;
    }
    void fontUnits()
    {
        QFETCH(int, v);
        QFETCH(int, units);
        QCOMPARE(TPDFCanvas::FontUnits(v), std::int64_t(units));
    }

    void pdfFontName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("style");
        QTest::addColumn<QByteArray>("baseName");
        QTest::newRow("bold") << QStringLiteral("Microsoft Sans Serif") << int(fsBold)
                              << QByteArray("Microsoft#20Sans#20Serif,Bold");
        QTest::newRow("bold italic") << QStringLiteral("Times New Roman") << int(fsBold | fsItalic)
                                     << QByteArray("Times#20New#20Roman,BoldItalic");
        QTest::newRow("italic, underline hidden")
            << QStringLiteral("Arial") << int(fsItalic | fsUnderline | fsStrikeOut) << QByteArray("Arial,Italic");
        QTest::newRow("delimiters") << QStringLiteral("a(b)%<>[]{}/#") << 0
                                    << QByteArray("a#28b#29#25#3C#3E#5B#5D#7B#7D#2F#23");
        QTest::newRow("outside ASCII") << QStringLiteral("Sch\u00F6n\u4E2D") << 0 << QByteArray("Sch#F6n#4E2D");
        QTest::newRow("nul dropped") << QString(QChar(u'A')) + QChar(0) + QChar(u'B') << 0 << QByteArray("AB");
    }
    void pdfFontName()
    {
        QFETCH(QString, name);
        QFETCH(int, style);
        QFETCH(QByteArray, baseName);
        QCOMPARE(TPDFCanvas::PdfFontName(name, std::uint8_t(style)), baseName);
    }

    void fontObjects()
    {
        const QString family = QStringLiteral("Liberation Sans");
        const QByteArray pdf = document([&](TPDFCanvas& c) {
            c.font.Name = family;
            c.font.Size = 12;
            c.TextOut(0, 0, QStringLiteral("plain"));
            c.font.Style = fsBold;
            c.TextOut(0, 20, QStringLiteral("bold"));
            c.font.Style = fsUnderline;
            c.TextOut(0, 40, QStringLiteral("underlined"));
            c.font.Style = 0;
            c.TextOut(0, 60, QStringLiteral("plain again"));
        });
        QVERIFY(pageContent(pdf, 0).contains("/F3 12 Tf\n0 "));
        QCOMPARE(pageContent(pdf, 0).count(" Tf\n"), 4);
        // Fonts 4, 5, 6 between the last length object (3) and the page tree (7).
        QVERIFY(objectText(pdf, 4).contains("/BaseFont /Liberation#20Sans\n"));
        QVERIFY(objectText(pdf, 5).contains("/BaseFont /Liberation#20Sans,Bold\n"));
        QVERIFY(objectText(pdf, 6).contains("/BaseFont /Liberation#20Sans\n"));
        QVERIFY(objectText(pdf, 7).contains("/Type /Pages"));
        QVERIFY(objectText(pdf, 8).contains("/Font << /F1 4 0 R/F2 5 0 R/F3 6 0 R>> /ProcSet 1 0 R\n"));

        const QByteArray font = objectText(pdf, 4);
        QVERIFY(font.contains("<<\n/Type /Font\n/Subtype /TrueType\n/Encoding /WinAnsiEncoding\n"));
        static const QRegularExpression desc(QStringLiteral(
            "/FontDescriptor <</Type/FontDescriptor\n/FontBBox\\[(-?\\d+) (-?\\d+) (-?\\d+) (-?\\d+)\\]\n"
            "/Flags 4/Ascent (\\d+)/Descent (-\\d+)/ItalicAngle (-?\\d+)>>\n/FirstChar (\\d+)\n/LastChar "
            "(\\d+)\n/Widths \\[([0-9 ]*)\\]\n"));
        const auto m = desc.match(QString::fromLatin1(font));
        QVERIFY2(m.hasMatch(), font.constData());
        QVERIFY(m.captured(1).toInt() < 0 && m.captured(2).toInt() < 0 && m.captured(3).toInt() > 500);
        QCOMPARE(m.captured(7), QStringLiteral("0"));
        const int first = m.captured(8).toInt();
        const int last = m.captured(9).toInt();
        QVERIFY(first <= 32);
        QCOMPARE(last, 255); // the font reaches far beyond 255
        const QStringList widths = m.captured(10).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QCOMPARE(widths.size(), last - first + 1);
        // Each width is the 12-unit advance of the resolved font, scaled by S().
        const QFontMetrics fm(TPDFCanvas::MeasureFont(family, 0, 12));
        QCOMPARE(widths[u'A' - first].toLongLong(), TPDFCanvas::FontUnits(fm.horizontalAdvance(QStringLiteral("A"))));
        QCOMPARE(widths[u'i' - first].toLongLong(), TPDFCanvas::FontUnits(fm.horizontalAdvance(QStringLiteral("i"))));
        QVERIFY(widths[u'W' - first].toInt() > widths[u'i' - first].toInt());

        // An italic face reports its slant.
        const QByteArray italic = document([&](TPDFCanvas& c) {
            c.font.Name = family;
            c.font.Style = fsItalic;
            c.TextOut(0, 0, QStringLiteral("x"));
        });
        const auto mi = desc.match(QString::fromLatin1(objectText(italic, 4)));
        QVERIFY(mi.hasMatch());
        QVERIFY(mi.captured(7).toInt() < 0);
    }

    // A viewer places each glyph by the width of its code; a wrong width makes text overlap.
    void winAnsiCodesHaveTheirCharactersWidths()
    {
        const QString family = QStringLiteral("Liberation Sans");
        const QByteArray pdf = document([&](TPDFCanvas& c) {
            c.font.Name = family;
            c.TextOut(0, 0, QStringLiteral("€ – — … ™ š\tä"));
        });
        static const QRegularExpression range(
            QStringLiteral("/FirstChar (\\d+)\n/LastChar (\\d+)\n/Widths \\[([0-9 ]*)\\]"));
        const auto m = range.match(QString::fromLatin1(objectText(pdf, 4)));
        QVERIFY(m.hasMatch());
        const int first = m.captured(1).toInt();
        const QStringList widths = m.captured(3).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QVERIFY(first <= 9 && widths.size() == 256 - first);
        auto width = [&](int code) { return widths[code - first].toLongLong(); };
        const QFontMetrics fm(TPDFCanvas::MeasureFont(family, 0, 12));

        // Windows-1252 codes 0x80 … 0x9F; a blank marks the five unassigned codes.
        const QString high = QStringLiteral("€ ‚ƒ„…†‡ˆ‰Š‹Œ Ž  ‘’“”•–—˜™š›œ žŸ");
        QCOMPARE(high.size(), 32);
        for (int i = 0; i < 32; ++i) {
            if (high[i] == u' ')
                continue;
            const int code = 0x80 + i;
            QCOMPARE(width(code), TPDFCanvas::FontUnits(fm.horizontalAdvance(QString(high[i]))));
            QVERIFY2(width(code) > 0, qPrintable(QString::number(code, 16)));
        }
        QCOMPARE(width(0xE4), TPDFCanvas::FontUnits(fm.horizontalAdvance(QStringLiteral("ä"))));
        QVERIFY(width(0x96) < width(0x97)); // en dash narrower than em dash
        // The tab's own glyph, not an 80-unit tab stop.
        QCOMPARE(width(0x09), TPDFCanvas::FontUnits(fm.horizontalAdvance(QChar(u'\t'))));
        QVERIFY(width(0x09) < TPDFCanvas::FontUnits(12));
    }

    void textMeasurementUsesPointsAsUnits()
    {
        TPDFCanvas c;
        c.font.Name = QStringLiteral("Liberation Sans");
        c.font.Size = 12;
        const int w12 = c.TextWidth(QStringLiteral("Monatsplan"));
        c.font.Size = 24;
        const int w24 = c.TextWidth(QStringLiteral("Monatsplan"));
        QVERIFY(w12 > 40 && w12 < 80);
        QVERIFY(std::abs(w24 - 2 * w12) <= 2);
        QVERIFY(c.TextHeight(QStringLiteral("x")) >= 24 && c.TextHeight(QStringLiteral("x")) <= 30);
    }

    void externalChecks()
    {
        if (!haveTool(QStringLiteral("qpdf")) || !haveTool(QStringLiteral("pdftoppm")))
            QSKIP("qpdf or pdftoppm missing");
        const QByteArray pdf = document(
            [](TPDFCanvas& c) {
                c.font.Name = QStringLiteral("Liberation Sans");
                c.font.Size = 20;
                c.brush.Color = 0x00C0FF;
                c.Rectangle(50, 50, 300, 200);
                c.font.Color = 0x800000;
                c.TextOut(60, 60, QStringLiteral("Dienstplan (März) \\ 100%"));
                c.NewPage();
                c.pen.Style = psDash;
                c.LineTo(500, 800);
            },
            [](TPDFCanvas& c) { c.ispdfa = true; });
        QVERIFY(!pdf.isEmpty());
        QByteArray out;
        QCOMPARE(runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), path("doc.pdf")}, &out), 0);
        QVERIFY2(!out.contains("WARNING"), out.constData());
        const QString prefix = path("render");
        QCOMPARE(runTool(QStringLiteral("pdftoppm"),
                     {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-png"), path("doc.pdf"), prefix}),
            0);
        const QImage page1(prefix + QStringLiteral("-1.png"));
        QCOMPARE(page1.size(), QSize(594, 840));
        // Inside the rectangle, away from the text: the fill colour (red FF, green C0).
        const QColor fill = page1.pixelColor(200, 180);
        QVERIFY2(std::abs(fill.red() - 255) < 3 && std::abs(fill.green() - 192) < 3 && fill.blue() < 3,
            qPrintable(fill.name()));
        // The text is dark blue somewhere in its line.
        bool textSeen = false;
        for (int x = 60; x < 300 && !textSeen; ++x)
            for (int y = 60; y < 85 && !textSeen; ++y)
                textSeen = page1.pixelColor(x, y).blue() > 80 && page1.pixelColor(x, y).red() < 60;
        QVERIFY(textSeen);
        QVERIFY(QFile::exists(prefix + QStringLiteral("-2.png")));
    }
};

ROSTELMARK_TEST_MAIN(TestPdfWriter)
#include "tst_pdfwriter.moc"
