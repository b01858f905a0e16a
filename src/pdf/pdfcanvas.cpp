// Document structure, output and drawing operators of TPDFCanvas.
#include "pdf/pdfcanvas.h"

#include "core/ansicodec.h"

#include <QFontMetrics>
#include <QRandomGenerator>

#include <cstdlib>
#include <cstring>

#include <zlib.h>

namespace {

constexpr qint64 kBufferStep = 100000;

qint64 bufferCapacity(qint64 length)
{
    return (length / kBufferStep + 1) * kBufferStep;
}

QByteArray num(qint64 v)
{
    return QByteArray::number(v);
}

} // namespace

TPDFCanvas::TPDFCanvas()
{
    objs.setCursorVariable(&aobj);
    images.setCursorVariable(&aimag);
}

TPDFCanvas::~TPDFCanvas()
{
    EndDoc();
    ReleaseImages();
    std::free(streambuf);
}

// ---------------------------------------------------------------- output

void TPDFCanvas::putFile(const char* data, qint64 size)
{
    if (failed || size <= 0)
        return;
    if (f.write(data, size) != size) {
        failed = true;
        return;
    }
    filepos += size;
}

void TPDFCanvas::put(const char* data, qint64 size)
{
    if (!instream) {
        putFile(data, size);
        return;
    }
    if (size <= 0)
        return;
    const qint64 newLength = sblen + size;
    if (!streambuf || bufferCapacity(newLength) != bufferCapacity(sblen)) {
        char* grown = static_cast<char*>(std::malloc(size_t(bufferCapacity(newLength))));
        if (!grown) {
            failed = true;
            return;
        }
        if (streambuf) {
            std::memcpy(grown, streambuf, size_t(sblen));
            std::free(streambuf);
        }
        streambuf = grown;
    }
    std::memcpy(streambuf + sblen, data, size_t(size));
    sblen = newLength;
}

void TPDFCanvas::putln(const QByteArray& bytes)
{
    // One append for text and line feed, as the buffer growth rule counts it.
    QByteArray line;
    line.reserve(bytes.size() + 1);
    line.append(bytes);
    line.append('\n');
    put(line);
}

void TPDFCanvas::write(const QString& s)
{
    if (isincreation)
        put(ToAnsi(s));
}

void TPDFCanvas::writeln(const QString& s)
{
    if (isincreation)
        putln(ToAnsi(s));
}

QByteArray TPDFCanvas::ZeroPad(const QByteArray& text, int width)
{
    QByteArray result = text;
    while (result.size() < width)
        result.prepend('0');
    return result;
}

// ---------------------------------------------------------------- objects

int TPDFCanvas::BeginObj()
{
    ObjEntry* e = objs.Add();
    if (!e) {
        failed = true;
        return objs.Count();
    }
    e->offset = std::uint32_t(filepos);
    e->generation = 0;
    e->free = false;
    const int n = objs.Count() - 1;
    putln(num(n) + " 0 obj");
    return n;
}

int TPDFCanvas::BeginDictObj()
{
    const int n = BeginObj();
    putln("<<");
    return n;
}

void TPDFCanvas::EndObj()
{
    putln("endobj");
}

void TPDFCanvas::EndDictObj()
{
    putln(">>");
    putln("endobj");
}

bool TPDFCanvas::BeginDoc(const QString& fname)
{
    if (isincreation)
        return false;
    f.setFileName(fname);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    filepos = 0;
    failed = false;
    missingimages = 0;
    objs.Clear();
    PageProps.Clear();
    FontList.Clear();
    putln(usejpeg2000 ? "%PDF-1.5" : "%PDF-1.3");
    ObjEntry* head = objs.Add();
    if (head) {
        head->offset = 0;
        head->generation = 65535;
        head->free = true;
    }
    procobjsnr = BeginObj();
    putln("[/PDF /Text /ImageB /ImageC /ImageI]");
    EndObj();
    apages = 0;
    OpenPageStream();
    pageobjnr = 2;
    isincreation = true;
    return true;
}

void TPDFCanvas::OpenPageStream()
{
    ++apages;
    const int c = BeginObj();
    putln("<< /Length " + num(c + 1) + " 0 R /Filter /FlateDecode >>");
    putln("stream");
    startstream = filepos;
    fontsetted = false;
    brushsetted = false;
    pensetted = false;
    std::free(streambuf);
    streambuf = nullptr;
    sblen = 0;
    instream = true;
}

void TPDFCanvas::ClosePageStream()
{
    // One zlib stream at the default level (window 15, memory level 8).
    uLongf packedSize = compressBound(uLong(sblen));
    QByteArray packed(qsizetype(packedSize), Qt::Uninitialized);
    const Bytef* source = reinterpret_cast<const Bytef*>(streambuf ? streambuf : "");
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize, source, uLong(sblen), Z_DEFAULT_COMPRESSION)
        != Z_OK) {
        failed = true;
        packedSize = 0;
    }
    instream = false;
    std::free(streambuf);
    streambuf = nullptr;
    sblen = 0;
    putFile(packed.constData(), qint64(packedSize));
    put("\n", 1);
    endstream = filepos;
    putln("endstream");
    EndObj();
    BeginObj();
    putln(num(endstream - startstream));
    EndObj();
    if (PageEntry* p = PageProps.Add()) {
        p->width = PageWidth;
        p->height = PageHeight;
    }
}

void TPDFCanvas::NewPage()
{
    if (!isincreation)
        return;
    ClosePageStream();
    OpenPageStream();
}

QByteArray TPDFCanvas::MetadataPacket(const QByteArray& id)
{
    QByteArray p;
    const char cr = '\r';
    p += "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"" + id + "\"?>";
    p += cr;
    p += "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\" x:xmptk=\"3.1-702\">";
    p += cr;
    p += "   <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">";
    p += cr;
    p += "      <rdf:Description rdf:about=\"\"";
    p += cr;
    p += "            xmlns:pdfaid=\"http://www.aiim.org/pdfa/ns/id/\">";
    p += cr;
    p += "         <pdfaid:part>1</pdfaid:part>";
    p += cr;
    p += "         <pdfaid:conformance>B</pdfaid:conformance>";
    p += cr;
    p += "      </rdf:Description>";
    p += cr;
    p += "   </rdf:RDF>";
    p += cr;
    p += "</x:xmpmeta>";
    p += cr;
    p += "<?xpacket end=\"w\"?>";
    return p;
}

void TPDFCanvas::WriteMetadata()
{
    QByteArray id(25, 'a');
    for (char& ch : id)
        ch = char('a' + QRandomGenerator::global()->bounded(26));
    const QByteArray packet = MetadataPacket(id);
    metaobjnr = BeginObj();
    putln("<</Type /Metadata");
    putln("/Subtype /XML /Length " + num(packet.size()) + ">>");
    putln("stream");
    putln(packet);
    putln("endstream");
    EndObj();
}

bool TPDFCanvas::EndDoc()
{
    if (!isincreation)
        return false;
    ClosePageStream();
    if (ispdfa)
        WriteMetadata();
    fontobjnr = objs.Count();
    WriteFonts();

    parentnr = BeginDictObj();
    putln("/Type /Pages");
    putln("/Count " + num(apages));
    QByteArray kids = "/Kids [";
    for (int i = 0; i < apages; ++i)
        kids += num(parentnr + 1 + i) + (i == apages - 1 ? " 0 R]" : " 0 R ");
    putln(kids);
    EndDictObj();

    // Every page lists every image; a JBIG2 image takes two objects.
    QByteArray imageRefs;
    int earlierJbig2 = 0;
    for (int j = 1; j <= images.Count(); ++j) {
        const int m = parentnr + apages + 2 + j + earlierJbig2;
        imageRefs += "/Im" + num(j - 1) + " " + num(m) + " 0 R";
        if (usejbig2 && images[j - 1].bitcount == 1)
            ++earlierJbig2;
    }
    for (int i = 0; i < apages; ++i) {
        BeginDictObj();
        putln("/Type /Page");
        putln("/Parent " + num(parentnr) + " 0 R");
        put("/Resources <<");
        putln("/XObject << " + imageRefs + " >>");
        put("/Font << ");
        for (int k = 1; k <= FontList.Count(); ++k)
            put("/F" + num(k) + " " + num(fontobjnr + k - 1) + " 0 R");
        putln(">> /ProcSet " + num(procobjsnr) + " 0 R");
        putln(">>");
        const PageEntry& page = PageProps[i];
        putln("/MediaBox [0 0 " + num(qint64(page.width) - 1) + " " + num(qint64(page.height) - 1) + "]");
        putln("/Contents " + num(pageobjnr + 2 * i) + " 0 R");
        EndDictObj();
    }

    rootObjNr = BeginDictObj();
    putln("/Type /Catalog");
    putln("/Pages " + num(parentnr) + " 0 R");
    putln("/Outlines " + num(rootObjNr + 1) + " 0 R");
    if (ispdfa)
        putln("/Metadata " + num(metaobjnr) + " 0 R");
    EndDictObj();

    BeginDictObj();
    putln("/Type /Outlines");
    putln("/Count 0");
    EndDictObj();

    images.First();
    while (images.WhileNext())
        WriteImage(*aimag);

    WriteXrefAndTrailer();
    f.close();
    if (f.error() != QFileDevice::NoError)
        failed = true;
    objs.Clear();
    PageProps.Clear();
    FontList.Clear();
    isincreation = false;
    return !failed;
}

void TPDFCanvas::WriteXrefAndTrailer()
{
    startxref = filepos;
    putln("xref");
    putln("0 " + num(objs.Count()));
    QByteArray table;
    table.reserve(objs.Count() * 20);
    for (const ObjEntry& e : objs) {
        table += ZeroPad(num(e.offset), 10) + " " + ZeroPad(num(e.generation), 5) + (e.free ? " f " : " n ") + "\n";
    }
    put(table);
    putln("trailer");
    putln("<<");
    putln("/Size " + num(objs.Count()));
    putln("/Root " + num(rootObjNr) + " 0 R");
    QByteArray id;
    for (int i = 0; i < 17; ++i)
        id += QByteArray::number(QRandomGenerator::global()->bounded(256), 16).toUpper().rightJustified(2, '0');
    putln("/ID [ <" + id + "><" + id + "> ]");
    putln(">>");
    putln("startxref");
    putln(num(startxref));
    put("%%EOF", 5);
}

// ---------------------------------------------------------------- drawing

QByteArray TPDFCanvas::ColorNumber(int c)
{
    c = std::clamp(c, 0, 255);
    if (c == 0)
        return "0";
    if (c == 255)
        return "1";
    // Long division of c by 255: the quotient lies in (0, 1). Collect digits until 15
    // significant ones are there, then round half up on the exact remainder.
    int digits[40];
    int count = 0;
    int firstSignificant = -1;
    int r = c;
    while (firstSignificant < 0 || count - firstSignificant < 15) {
        r *= 10;
        digits[count] = r / 255;
        r %= 255;
        if (firstSignificant < 0 && digits[count] != 0)
            firstSignificant = count;
        ++count;
    }
    bool carry = 2 * r >= 255;
    for (int i = count - 1; i >= 0 && carry; --i) {
        if (++digits[i] == 10) {
            digits[i] = 0;
        } else {
            carry = false;
        }
    }
    if (carry)
        return "1";
    while (count > 0 && digits[count - 1] == 0)
        --count;
    QByteArray out = "0.";
    for (int i = 0; i < count; ++i)
        out += char('0' + digits[i]);
    return out;
}

QByteArray TPDFCanvas::colorLine(std::uint32_t color, const char* op) const
{
    return ColorNumber(int(color & 0xFF)) + " " + ColorNumber(int((color >> 8) & 0xFF)) + " "
        + ColorNumber(int((color >> 16) & 0xFF)) + " " + op;
}

void TPDFCanvas::ApplyPen()
{
    if (pensetted && pen == open)
        return;
    noline = false;
    switch (pen.Style) {
    case psSolid:
    case psInsideFrame:
        putln("[ ] 0 d");
        break;
    case psDash:
        putln("[3] 0 d");
        break;
    case psDot:
        putln("[1] 0 d");
        break;
    case psDashDot:
        putln("[3 1 1 1] 0 d");
        break;
    case psDashDotDot:
        putln("[3 1 1 1 1 1] 0 d");
        break;
    case psClear:
        noline = true;
        break;
    case psUserStyle:
    case psAlternate:
        break;
    }
    if (!noline) {
        putln(num(pen.Width) + " w");
        putln(colorLine(pen.Color, "RG"));
    }
    pensetted = true;
    open = pen;
}

void TPDFCanvas::ApplyBrush()
{
    if (brushsetted && brush == oBrush)
        return;
    nofill = brush.Style == bsClear;
    if (!nofill)
        putln(colorLine(brush.Color, "rg"));
    brushsetted = true;
    oBrush = brush;
}

int TPDFCanvas::FindFont(const QString& name, std::uint8_t style)
{
    for (int i = 0; i < FontList.Count(); ++i) {
        if (FontList[i].name == name && FontList[i].style == style)
            return i + 1;
    }
    if (FontEntry* e = FontList.Add()) {
        e->name = name;
        e->style = style;
    }
    return FontList.Count();
}

void TPDFCanvas::ApplyFont()
{
    if (!brushsetted || oBrush.Color != font.Color) {
        putln(colorLine(font.Color, "rg"));
        oBrush.Color = font.Color;
    }
    const int n = FindFont(font.Name, font.Style & 0x0F);
    if (fontsetted && n == ofontnr && font.Size == ofontsize)
        return;
    putln("/F" + num(n) + " " + num(font.Size) + " Tf");
    ofontnr = n;
    ofontsize = font.Size;
    fontsetted = true;
}

void TPDFCanvas::MoveTo(int xp, int yp)
{
    if (!isincreation)
        return;
    penpos = QPoint(xp, yp);
}

void TPDFCanvas::LineTo(int xp, int yp)
{
    if (!isincreation)
        return;
    ApplyPen();
    if (!noline) {
        putln(num(penpos.x()) + " " + num(qint64(PageHeight) - 1 - penpos.y()) + " m");
        putln(num(xp) + " " + num(qint64(PageHeight) - 1 - yp) + " l");
        putln("S");
    }
    penpos = QPoint(xp, yp);
}

namespace {
// A size moved one step towards zero.
qint64 inner(qint64 w)
{
    return w > 0 ? w - 1 : w + 1;
}
} // namespace

void TPDFCanvas::FillRect(int x1, int y1, int x2, int y2)
{
    if (!isincreation || x1 == x2 || y1 == y2)
        return;
    ApplyBrush();
    if (nofill)
        return;
    putln(num(x1) + " " + num(qint64(PageHeight) - y2) + " " + num(inner(qint64(x2) - x1)) + " "
        + num(inner(qint64(y2) - y1)) + " re");
    putln("f");
}

void TPDFCanvas::Rectangle(int x1, int y1, int x2, int y2)
{
    if (!isincreation)
        return;
    if (pen.Style == psClear) {
        FillRect(x1, y1, x2, y2);
        return;
    }
    if (x1 == x2 || y1 == y2)
        return;
    ApplyPen();
    ApplyBrush();
    if (!nofill) {
        putln(num(x1) + " " + num(qint64(PageHeight) - y2) + " " + num(inner(qint64(x2) - x1)) + " "
            + num(inner(qint64(y2) - y1)) + " re");
        putln("B");
    } else if (!noline) {
        MoveTo(x1, y1);
        LineTo(x2 - 1, y1);
        LineTo(x2 - 1, y2 - 1);
        LineTo(x1, y2 - 1);
        LineTo(x1, y1);
    }
}

QByteArray TPDFCanvas::EscapeText(const QString& text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        switch (c) {
        case u'\\':
            out += QLatin1String("\\\\");
            break;
        case u'(':
            out += QLatin1String("\\(");
            break;
        case u')':
            out += QLatin1String("\\)");
            break;
        case 10:
            out += QLatin1String("\\n");
            break;
        case 13:
            out += QLatin1String("\\r");
            break;
        case 9:
            out += QLatin1String("\\t");
            break;
        case 8:
            out += QLatin1String("\\b");
            break;
        case 12:
            out += QLatin1String("\\f");
            break;
        default:
            if (c < 32)
                out += QLatin1Char('\\') + QString::number(c, 8).rightJustified(3, QLatin1Char('0'));
            else
                out += ch;
        }
    }
    return ToAnsi(out);
}

QFont TPDFCanvas::MeasureFont(const QString& name, std::uint8_t style, int size)
{
    QFont f(name);
    // At 72 units per inch a size in points is a height in page units.
    f.setPixelSize(std::max(1, std::abs(size)));
    f.setBold(style & fsBold);
    f.setItalic(style & fsItalic);
    f.setUnderline(style & fsUnderline);
    f.setStrikeOut(style & fsStrikeOut);
    return f;
}

int TPDFCanvas::TextWidth(const QString& text) const
{
    return QFontMetrics(MeasureFont(font.Name, font.Style, font.Size)).horizontalAdvance(text);
}

int TPDFCanvas::TextHeight(const QString& text) const
{
    Q_UNUSED(text);
    // The cell height of the font: ascent plus descent.
    return QFontMetrics(MeasureFont(font.Name, font.Style, font.Size)).height();
}

void TPDFCanvas::TextOut(int x, int y, const QString& text)
{
    if (!isincreation)
        return;
    const int h = TextHeight(text);
    putln("BT");
    ApplyFont();
    putln(num(x) + " " + num(qint64(PageHeight) - 1 - y - h) + "  Td (" + EscapeText(text) + ") Tj");
    putln("ET");
}
