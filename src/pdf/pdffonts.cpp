// Font dictionaries of TPDFCanvas: one TrueType font per used font, referenced by name,
// with descriptor and widths measured at 12 units per em.
#include "pdf/pdfcanvas.h"

#include "core/ansicodec.h"

#include <QFontMetrics>
#include <QRawFont>

#include <cmath>
#include <cstring>

namespace {

constexpr int kMetricSize = 12;

int be16(const QByteArray& t, int at, bool isSigned)
{
    if (at < 0 || at + 2 > t.size())
        return 0;
    const int v = (uchar(t[at]) << 8) | uchar(t[at + 1]);
    return isSigned && v >= 0x8000 ? v - 0x10000 : v;
}

std::int32_t be32(const QByteArray& t, int at)
{
    if (at < 0 || at + 4 > t.size())
        return 0;
    return std::int32_t((std::uint32_t(uchar(t[at])) << 24) | (std::uint32_t(uchar(t[at + 1])) << 16)
        | (std::uint32_t(uchar(t[at + 2])) << 8) | std::uint32_t(uchar(t[at + 3])));
}

// Font design units to units of the 12-unit em, rounded to nearest.
int scaled(int v, int unitsPerEm)
{
    return int(std::lround(double(v) * kMetricSize / unitsPerEm));
}

QByteArray num(qint64 v)
{
    return QByteArray::number(v);
}

} // namespace

std::int64_t TPDFCanvas::FontUnits(std::int64_t v)
{
    // The double nearest 1000/12 is M / 2^46 with an integer M below 2^53; the product
    // with v is formed exactly in 128 bits and truncated toward zero.
    constexpr double scale = 1000.0 / 12.0;
    constexpr std::int64_t mantissa = std::int64_t(scale * double(std::int64_t(1) << 46));
    static_assert(double(mantissa) == scale * double(std::int64_t(1) << 46));
    const unsigned __int128 product = (unsigned __int128)(v < 0 ? -v : v) * (unsigned __int128)mantissa;
    const auto magnitude = std::int64_t(product >> 46);
    return v < 0 ? -magnitude : magnitude;
}

QByteArray TPDFCanvas::PdfFontName(const QString& name, std::uint8_t style)
{
    static const char delimiters[] = "%()<>[]{}/#";
    QByteArray out;
    for (const QChar ch : name) {
        const char16_t c = ch.unicode();
        if (c == 0)
            continue;
        if (c >= 0x21 && c <= 0x7E && !std::strchr(delimiters, char(c)))
            out += char(c);
        else
            out += "#" + QByteArray::number(c, 16).toUpper().rightJustified(2, '0');
    }
    const bool bold = style & fsBold;
    const bool italic = style & fsItalic;
    if (bold && italic)
        out += ",BoldItalic";
    else if (italic)
        out += ",Italic";
    else if (bold)
        out += ",Bold";
    return out;
}

void TPDFCanvas::WriteFonts()
{
    for (const FontEntry& entry : FontList)
        WriteFont(entry);
}

void TPDFCanvas::WriteFont(const FontEntry& entry)
{
    const QFont qfont = MeasureFont(entry.name, entry.style, kMetricSize);
    const QFontMetrics metrics(qfont);
    const QRawFont raw = QRawFont::fromFont(qfont);
    const QByteArray head = raw.isValid() ? raw.fontTable("head") : QByteArray();
    const bool outline = head.size() >= 54 && be16(head, 18, false) > 0;

    BeginDictObj();
    putln("/Type /Font");
    putln("/Subtype /TrueType");
    putln("/Encoding /WinAnsiEncoding");
    putln("/BaseFont /" + PdfFontName(entry.name, entry.style));
    putln("/FontDescriptor <</Type/FontDescriptor");

    int firstChar = -1;
    int lastChar = -1;
    if (outline) {
        const int upm = be16(head, 18, false);
        const QByteArray os2 = raw.fontTable("OS/2");
        const QByteArray hhea = raw.fontTable("hhea");
        const QByteArray post = raw.fontTable("post");
        putln("/FontBBox[" + num(FontUnits(scaled(be16(head, 36, true), upm))) + " "
            + num(FontUnits(scaled(be16(head, 38, true), upm))) + " "
            + num(FontUnits(scaled(be16(head, 40, true), upm))) + " "
            + num(FontUnits(scaled(be16(head, 42, true), upm))) + "]");
        int ascent = metrics.ascent();
        int descent = -metrics.descent();
        if (os2.size() >= 72) {
            ascent = scaled(be16(os2, 68, true), upm);
            descent = scaled(be16(os2, 70, true), upm);
        } else if (hhea.size() >= 8) {
            ascent = scaled(be16(hhea, 4, true), upm);
            descent = scaled(be16(hhea, 6, true), upm);
        }
        // Fixed 16.16 degrees → tenths of a degree → whole degrees, truncating.
        const std::int64_t tenths = post.size() >= 8 ? std::int64_t(be32(post, 4)) * 10 / 65536 : 0;
        putln("/Flags 4/Ascent " + num(FontUnits(ascent)) + "/Descent " + num(FontUnits(descent)) + "/ItalicAngle "
            + num(tenths / 10) + ">>");
    } else {
        putln("/FontBBox[0 " + num(FontUnits(metrics.height())) + " " + num(FontUnits(metrics.maxWidth())) + " 0]");
        putln("/Flags 4/Ascent " + num(FontUnits(metrics.ascent())) + "/Descent " + num(FontUnits(metrics.descent()))
            + ">>");
    }
    // The character range is that of the font's character map.
    auto supported = [&](int c) {
        const QChar ch{char16_t(c)};
        return raw.isValid() ? raw.supportsCharacter(ch) : metrics.inFont(ch);
    };
    for (int c = 0; c <= 0xFFFF && firstChar < 0; ++c) {
        if (supported(c))
            firstChar = c;
    }
    for (int c = 0xFFFF; c >= 0 && lastChar < 0; --c) {
        if (supported(c))
            lastChar = c;
    }
    if (firstChar < 0)
        firstChar = lastChar = 32;
    lastChar = std::min(lastChar, 255);
    putln("/FirstChar " + num(firstChar));
    putln("/LastChar " + num(lastChar));
    // Code c of /WinAnsiEncoding shows the Windows-1252 character c (0x80 the euro sign,
    // 0x96 the en dash …), so that character is measured. Each width is the glyph's own
    // advance: a one-character string would turn a tab into a tab stop.
    QByteArray widths = "/Widths [";
    for (int c = firstChar; c <= lastChar; ++c) {
        const char code = char(c);
        const QString ch = FromAnsi(&code, 1);
        widths += num(FontUnits(ch.size() == 1 ? metrics.horizontalAdvance(ch.at(0)) : 0)) + " ";
    }
    putln(widths + "]");
    EndDictObj();
}
