#pragma once
// Helpers of the PDF tests: reading objects and streams back out of a written file,
// running the external checkers, comparing images.

#include "pdf/picturio.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include <cmath>
#include <functional>

#include <zlib.h>

namespace pdftest {

inline QByteArray readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// The text of object n from "n 0 obj" up to and including "endobj".
inline QByteArray objectText(const QByteArray& pdf, int n)
{
    const QByteArray head = QByteArray::number(n) + " 0 obj\n";
    qsizetype at = pdf.startsWith(head) ? 0 : pdf.indexOf("\n" + head);
    if (at < 0)
        return {};
    if (at > 0)
        ++at;
    // Stream data may contain anything: skip it by its length before looking for endobj.
    qsizetype searchFrom = at;
    const qsizetype streamAt = pdf.indexOf("\nstream\n", at);
    const qsizetype firstEnd = pdf.indexOf("endobj\n", at);
    if (streamAt >= 0 && streamAt < firstEnd) {
        const QByteArray dict = pdf.mid(at, streamAt - at);
        static const QRegularExpression lengthRe(QStringLiteral("/Length (\\d+)( 0 R)?"));
        const auto m = lengthRe.match(QString::fromLatin1(dict));
        if (m.hasMatch() && m.captured(2).isEmpty())
            searchFrom = streamAt + 8 + m.captured(1).toLongLong();
        else
            searchFrom = pdf.indexOf("endstream", streamAt);
    }
    const qsizetype end = pdf.indexOf("endobj\n", searchFrom);
    if (end < 0)
        return {};
    return pdf.mid(at, end + 7 - at);
}

// The stream data of object n, its length taken from /Length (direct or indirect).
inline QByteArray streamData(const QByteArray& pdf, int n, qint64* declared = nullptr)
{
    const QByteArray obj = objectText(pdf, n);
    const qsizetype s = obj.indexOf("\nstream\n");
    if (s < 0)
        return {};
    static const QRegularExpression lengthRe(QStringLiteral("/Length (\\d+)( 0 R)?"));
    const auto m = lengthRe.match(QString::fromLatin1(obj.left(s)));
    if (!m.hasMatch())
        return {};
    qint64 length = m.captured(1).toLongLong();
    if (!m.captured(2).isEmpty()) {
        QByteArray lengthObj = objectText(pdf, int(length));
        lengthObj = lengthObj.mid(lengthObj.indexOf('\n') + 1);
        length = lengthObj.left(lengthObj.indexOf('\n')).toLongLong();
    }
    if (declared)
        *declared = length;
    return obj.mid(s + 8, length);
}

inline QByteArray inflate(const QByteArray& data)
{
    QByteArray out(qsizetype(std::max<qsizetype>(1024, data.size() * 20)), Qt::Uninitialized);
    for (;;) {
        uLongf size = uLongf(out.size());
        const int rc = uncompress(reinterpret_cast<Bytef*>(out.data()), &size,
            reinterpret_cast<const Bytef*>(data.constData()), uLong(data.size()));
        if (rc == Z_OK) {
            out.resize(qsizetype(size));
            return out;
        }
        if (rc != Z_BUF_ERROR)
            return QByteArray("<inflate error>");
        out.resize(out.size() * 4);
    }
}

// Decompressed content of page i (0-based); content streams are objects 2, 4, 6, …
inline QByteArray pageContent(const QByteArray& pdf, int i)
{
    return inflate(streamData(pdf, 2 + 2 * i));
}

// Checks every in-use cross-reference entry points at its "n 0 obj" line and the
// startxref value at the "xref" line.
inline bool xrefConsistent(const QByteArray& pdf, QString* why = nullptr)
{
    const qsizetype sx = pdf.lastIndexOf("startxref\n");
    if (sx < 0) {
        if (why)
            *why = QStringLiteral("no startxref");
        return false;
    }
    const qint64 xrefAt = pdf.mid(sx + 10, pdf.indexOf('\n', sx + 10) - sx - 10).toLongLong();
    if (pdf.mid(xrefAt, 5) != "xref\n") {
        if (why)
            *why = QStringLiteral("startxref does not point at xref");
        return false;
    }
    qsizetype at = pdf.indexOf('\n', xrefAt + 5) + 1;
    const QList<QByteArray> head = pdf.mid(xrefAt + 5, at - xrefAt - 6).split(' ');
    const int count = head.value(1).toInt();
    for (int n = 0; n < count; ++n) {
        const QByteArray line = pdf.mid(at + qsizetype(n) * 20, 20);
        if (line.size() != 20 || line[19] != '\n') {
            if (why)
                *why = QStringLiteral("xref line %1 is not 20 bytes").arg(n);
            return false;
        }
        if (line[17] == 'n') {
            const qint64 off = line.left(10).toLongLong();
            if (!pdf.mid(off).startsWith(QByteArray::number(n) + " 0 obj\n")) {
                if (why)
                    *why = QStringLiteral("object %1 not at its offset").arg(n);
                return false;
            }
        }
    }
    return true;
}

inline bool haveTool(const QString& name)
{
    return !QStandardPaths::findExecutable(name).isEmpty();
}

// Runs a program; returns its exit code (-1 when it did not run or timed out).
inline int runTool(const QString& program, const QStringList& args, QByteArray* output = nullptr, int timeoutMs = 60000)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForStarted(10000))
        return -1;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    if (output)
        *output = p.readAll();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// Mean absolute difference per channel between two equally sized images, over the
// rectangle of a shifted by (dx, dy) against b; 255 when sizes make no sense.
inline double meanAbsDiff(const QImage& a, const QImage& b, int dx = 0, int dy = 0, int border = 0)
{
    const QImage ia = a.convertToFormat(QImage::Format_RGB888);
    const QImage ib = b.convertToFormat(QImage::Format_RGB888);
    double sum = 0;
    qint64 n = 0;
    for (int y = border; y < ib.height() - border; ++y) {
        const int ya = y + dy;
        if (ya < 0 || ya >= ia.height())
            continue;
        const uchar* pa = ia.constScanLine(ya);
        const uchar* pb = ib.constScanLine(y);
        for (int x = border; x < ib.width() - border; ++x) {
            const int xa = x + dx;
            if (xa < 0 || xa >= ia.width())
                continue;
            for (int c = 0; c < 3; ++c)
                sum += std::abs(int(pa[3 * xa + c]) - int(pb[3 * x + c]));
            n += 3;
        }
    }
    return n ? sum / double(n) : 255.0;
}

// Peak signal-to-noise ratio in dB of two images of the same size.
inline double psnr(const QImage& a, const QImage& b)
{
    const QImage ia = a.convertToFormat(QImage::Format_RGB888);
    const QImage ib = b.convertToFormat(QImage::Format_RGB888);
    if (ia.size() != ib.size())
        return 0;
    double sum = 0;
    for (int y = 0; y < ia.height(); ++y) {
        const uchar* pa = ia.constScanLine(y);
        const uchar* pb = ib.constScanLine(y);
        for (int x = 0; x < ia.width() * 3; ++x) {
            const double d = double(pa[x]) - double(pb[x]);
            sum += d * d;
        }
    }
    const double mse = sum / (double(ia.width()) * ia.height() * 3);
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

// A 1-bit image with a pattern of lines, blocks and noise; palette entry 0 white when
// `zeroIsWhite`. `black` receives the rows top-down, 1 = black.
inline dib makeBilevel(int width, int height, bool zeroIsWhite, QImage* black = nullptr)
{
    dib d = newdib(width, height, 1, nullptr, 0);
    if (zeroIsWhite) {
        DibSetColor(d, 0, 255, 255, 255);
        DibSetColor(d, 1, 0, 0, 0);
    } else {
        DibSetColor(d, 0, 0, 0, 0);
        DibSetColor(d, 1, 255, 255, 255);
    }
    QImage ref(width, height, QImage::Format_Grayscale8);
    quint32 seed = 12345;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = d.poi + qsizetype(height - 1 - y) * d.bytew;
        std::memset(row, 0, size_t(d.bytew));
        for (int x = 0; x < width; ++x) {
            seed = seed * 1103515245u + 12345u;
            bool on = (x % 37 == 0) || (y % 23 == 0) || ((x / 16 + y / 16) % 5 == 0) || ((seed >> 16) % 97 == 0);
            if (x > width / 2 && y > height / 2)
                on = ((x ^ y) & 4) != 0;
            const bool bit = zeroIsWhite ? on : !on;
            if (bit)
                row[x / 8] |= std::uint8_t(0x80 >> (x % 8));
            ref.scanLine(y)[x] = on ? 0 : 255;
        }
    }
    if (black)
        *black = ref;
    return d;
}

} // namespace pdftest
