#include "pdf/jbig2generic.h"

#include "pdf/picturio.h"

#include <cstring>
#include <memory>
#include <vector>

namespace {

// Probability estimation table of the MQ coder: Qe, next index after MPS and after LPS,
// and whether an LPS swaps the sense of MPS.
struct QeRow {
    std::uint16_t qe;
    std::uint8_t nmps;
    std::uint8_t nlps;
    std::uint8_t swap;
};

constexpr QeRow kQe[47] = {
    {0x5601, 1, 1, 1},
    {0x3401, 2, 6, 0},
    {0x1801, 3, 9, 0},
    {0x0AC1, 4, 12, 0},
    {0x0521, 5, 29, 0},
    {0x0221, 38, 33, 0},
    {0x5601, 7, 6, 1},
    {0x5401, 8, 14, 0},
    {0x4801, 9, 14, 0},
    {0x3801, 10, 14, 0},
    {0x3001, 11, 17, 0},
    {0x2401, 12, 18, 0},
    {0x1C01, 13, 20, 0},
    {0x1601, 29, 21, 0},
    {0x5601, 15, 14, 1},
    {0x5401, 16, 14, 0},
    {0x5101, 17, 15, 0},
    {0x4801, 18, 16, 0},
    {0x3801, 19, 17, 0},
    {0x3401, 20, 18, 0},
    {0x3001, 21, 19, 0},
    {0x2801, 22, 19, 0},
    {0x2401, 23, 20, 0},
    {0x2201, 24, 21, 0},
    {0x1C01, 25, 22, 0},
    {0x1801, 26, 23, 0},
    {0x1601, 27, 24, 0},
    {0x1401, 28, 25, 0},
    {0x1201, 29, 26, 0},
    {0x1101, 30, 27, 0},
    {0x0AC1, 31, 28, 0},
    {0x09C1, 32, 29, 0},
    {0x08A1, 33, 30, 0},
    {0x0521, 34, 31, 0},
    {0x0441, 35, 32, 0},
    {0x02A1, 36, 33, 0},
    {0x0221, 37, 34, 0},
    {0x0141, 38, 35, 0},
    {0x0111, 39, 36, 0},
    {0x0085, 40, 37, 0},
    {0x0049, 41, 38, 0},
    {0x0025, 42, 39, 0},
    {0x0015, 43, 40, 0},
    {0x0009, 44, 41, 0},
    {0x0005, 45, 42, 0},
    {0x0001, 45, 43, 0},
    {0x5601, 46, 46, 0},
};

// The MQ arithmetic encoder with 2^16 contexts.
class MqEncoder {
public:
    MqEncoder()
        : index(new std::uint8_t[65536]())
        , mps(new std::uint8_t[65536]())
    {
        out.reserve(4096);
        out.push_back(0); // the byte before the first output byte; never emitted
    }

    void encode(unsigned cx, int bit)
    {
        const QeRow& row = kQe[index[cx]];
        const std::uint32_t qe = row.qe;
        if (bit == mps[cx]) {
            a -= qe;
            if ((a & 0x8000) == 0) {
                if (a < qe)
                    a = qe;
                else
                    c += qe;
                index[cx] = row.nmps;
                renormalise();
            } else {
                c += qe;
            }
        } else {
            a -= qe;
            if (a < qe)
                c += qe;
            else
                a = qe;
            if (row.swap)
                mps[cx] = std::uint8_t(1 - mps[cx]);
            index[cx] = row.nlps;
            renormalise();
        }
    }

    // Ends the code with the 0xFF 0xAC marker and returns the bytes.
    QByteArray finish()
    {
        const std::uint32_t tempc = c + a;
        c |= 0xFFFF;
        if (c >= tempc)
            c -= 0x8000;
        c <<= ct;
        byteOut();
        c <<= ct;
        byteOut();
        if (out.back() != 0xFF)
            out.push_back(0xFF);
        out.push_back(0xAC);
        return QByteArray(reinterpret_cast<const char*>(out.data()) + 1, qsizetype(out.size()) - 1);
    }

private:
    void renormalise()
    {
        do {
            a <<= 1;
            c <<= 1;
            if (--ct == 0)
                byteOut();
        } while ((a & 0x8000) == 0);
    }

    void byteOut()
    {
        if (out.back() == 0xFF) {
            out.push_back(std::uint8_t(c >> 20));
            c &= 0xFFFFF;
            ct = 7;
        } else if (c < 0x8000000) {
            out.push_back(std::uint8_t(c >> 19));
            c &= 0x7FFFF;
            ct = 8;
        } else {
            ++out.back();
            if (out.back() == 0xFF) {
                c &= 0x7FFFFFF;
                out.push_back(std::uint8_t(c >> 20));
                c &= 0xFFFFF;
                ct = 7;
            } else {
                out.push_back(std::uint8_t(c >> 19));
                c &= 0x7FFFF;
                ct = 8;
            }
        }
    }

    std::unique_ptr<std::uint8_t[]> index;
    std::unique_ptr<std::uint8_t[]> mps;
    std::vector<std::uint8_t> out;
    std::uint32_t a = 0x8000;
    std::uint32_t c = 0;
    int ct = 12;
};

void put32(QByteArray& out, std::uint32_t v)
{
    out.append(char(v >> 24));
    out.append(char((v >> 16) & 0xFF));
    out.append(char((v >> 8) & 0xFF));
    out.append(char(v & 0xFF));
}

// Segment header: number, type, no referred-to segments, page 1, data length.
void segmentHeader(QByteArray& out, std::uint32_t number, int type, std::uint32_t dataLength)
{
    put32(out, number);
    out.append(char(type));
    out.append(char(0));
    out.append(char(1));
    put32(out, dataLength);
}

// Template 0 context of the standard numbering; the typical-prediction bit shares it.
constexpr unsigned kSltpContext = 0x9B25;
constexpr int kPad = 4; // columns of zeros left and right of every row

} // namespace

bool EncodeJbig2Generic(const std::uint8_t* rows, int width, int height, int stride, Jbig2Streams& out)
{
    if (!rows || width <= 0 || height <= 0 || width > kDibMaxSide || height > kDibMaxSide || stride < (width + 7) / 8)
        return false;

    // One byte per pixel with zero borders: two rows above, kPad columns either side.
    const int pw = width + 2 * kPad;
    std::vector<std::uint8_t> px(size_t(pw) * size_t(height + 2), 0);
    auto rowPtr = [&](int y) { return px.data() + size_t(y + 2) * size_t(pw) + kPad; };
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* src = rows + qsizetype(y) * stride;
        std::uint8_t* dst = rowPtr(y);
        for (int x = 0; x < width; ++x)
            dst[x] = (src[x >> 3] >> (7 - (x & 7))) & 1;
    }

    MqEncoder mq;
    bool previousTypical = false;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* cur = rowPtr(y);
        const std::uint8_t* up1 = rowPtr(y - 1);
        const std::uint8_t* up2 = rowPtr(y - 2);
        // Typical prediction: a row equal to the one above is sent as one bit.
        const bool typical = std::memcmp(cur, up1, size_t(width)) == 0;
        mq.encode(kSltpContext, typical != previousTypical ? 1 : 0);
        previousTypical = typical;
        if (typical)
            continue;
        for (int x = 0; x < width; ++x) {
            const unsigned cx = unsigned(cur[x - 1]) | unsigned(cur[x - 2]) << 1 | unsigned(cur[x - 3]) << 2
                | unsigned(cur[x - 4]) << 3 | unsigned(up1[x + 3]) << 4 | unsigned(up1[x + 2]) << 5
                | unsigned(up1[x + 1]) << 6 | unsigned(up1[x]) << 7 | unsigned(up1[x - 1]) << 8
                | unsigned(up1[x - 2]) << 9 | unsigned(up1[x - 3]) << 10 | unsigned(up2[x + 2]) << 11
                | unsigned(up2[x + 1]) << 12 | unsigned(up2[x]) << 13 | unsigned(up2[x - 1]) << 14
                | unsigned(up2[x - 2]) << 15;
            mq.encode(cx, cur[x]);
        }
    }
    const QByteArray coded = mq.finish();

    out.globals.clear();
    out.page.clear();
    QByteArray& p = out.page;
    // Page information: size, unknown resolution, eventually lossless, default pixel 0.
    segmentHeader(p, 0, 48, 19);
    put32(p, std::uint32_t(width));
    put32(p, std::uint32_t(height));
    put32(p, 0);
    put32(p, 0);
    p.append(char(0x01));
    p.append(char(0));
    p.append(char(0));
    // Immediate generic region covering the page.
    segmentHeader(p, 1, 38, std::uint32_t(17 + 1 + 8 + coded.size()));
    put32(p, std::uint32_t(width));
    put32(p, std::uint32_t(height));
    put32(p, 0);
    put32(p, 0);
    p.append(char(0)); // combination operator OR
    p.append(char(0x08)); // arithmetic, template 0, typical prediction on
    const signed char at[8] = {3, -1, -3, -1, 2, -2, -2, -2};
    p.append(reinterpret_cast<const char*>(at), 8);
    p.append(coded);
    return true;
}

int jbig2encode(const QString& bitmapFile, const QString& globalsFile, const QString& pageFile)
{
    dib image = OpenDib(bitmapFile, DibFormatBmp, 0);
    QByteArray rows;
    int stride = 0;
    const bool ok = DibBlackBitsTopDown(image, rows, stride);
    const int width = DibWidth(image);
    const int height = DibHeight(image);
    FreeDib(image);
    if (!ok)
        return 1;
    Jbig2Streams streams;
    if (!EncodeJbig2Generic(reinterpret_cast<const std::uint8_t*>(rows.constData()), width, height, stride, streams))
        return 1;
    if (!picturio_detail::WriteAllToFile(globalsFile, streams.globals)
        || !picturio_detail::WriteAllToFile(pageFile, streams.page))
        return 2;
    return 0;
}
