#include "pdf/picturio.h"

#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
bool failNextAllocation = false;

void put16(QByteArray& out, std::uint16_t v)
{
    out.append(char(v & 0xFF));
    out.append(char(v >> 8));
}

void put32(QByteArray& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

std::uint16_t get16(const uchar* p)
{
    return std::uint16_t(p[0] | (p[1] << 8));
}

std::uint32_t get32(const uchar* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}
// Pixel memory. Page-sized images (a 150 dpi page is 6.5 MB) are aligned to 2 MB and
// offered to the kernel for huge pages: filling a fresh copy then takes a few page faults
// instead of some 1600, which is most of the cost of copying it.
void* allocatePixels(size_t bytes)
{
    constexpr size_t kHuge = size_t(2) << 20;
    if (bytes < 2 * kHuge)
        return std::malloc(bytes);
    void* p = nullptr;
    if (posix_memalign(&p, kHuge, bytes) != 0)
        return nullptr;
#ifdef MADV_HUGEPAGE
    ::madvise(p, bytes & ~(kHuge - 1), MADV_HUGEPAGE);
#endif
    return p;
}
} // namespace

void DibFailNextAllocationForTest()
{
    failNextAllocation = true;
}

std::int64_t DibRowBytes(std::int64_t width, int bits)
{
    if (width <= 0 || width > kDibMaxSide || bits <= 0 || bits > 32)
        return -1;
    return ((width * bits + 31) / 32) * 4;
}

dib newdib(int width, int height, int bits, const DibInfo* source, int colours)
{
    dib d;
    const bool depthOk = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    const std::int64_t rowBytes = DibRowBytes(width, bits);
    if (!depthOk || rowBytes < 0 || height <= 0 || height > kDibMaxSide || rowBytes * height > kDibMaxBytes)
        return d;
    if (failNextAllocation) {
        failNextAllocation = false;
        return d;
    }
    auto* info = static_cast<DibInfo*>(std::calloc(1, sizeof(DibInfo)));
    if (!info)
        return d;
    void* pixels = allocatePixels(static_cast<size_t>(rowBytes * height));
    if (!pixels) {
        std::free(info);
        return d;
    }
    new (info) DibInfo{};
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = height;
    info->bmiHeader.biBitCount = std::uint16_t(bits);
    info->bmiHeader.biSizeImage = std::uint32_t(rowBytes * height);
    info->bmiHeader.biXPelsPerMeter = 3780; // 96 dpi
    info->bmiHeader.biYPelsPerMeter = 3780;
    d.pmi = info;
    d.pmih = info;
    d.poih = pixels;
    d.poi = static_cast<std::uint8_t*>(pixels);
    d.bytew = std::int32_t(rowBytes);
    d.ispal = bits <= 8 ? 1 : 0;
    if (bits <= 8) {
        const int tableSize = 1 << bits;
        info->bmiHeader.biClrUsed = std::uint32_t(tableSize);
        d.pal.palNumEntries = std::uint16_t(tableSize);
        if (source && colours > 0) {
            const int n = std::min({colours, tableSize, 256});
            for (int i = 0; i < n; ++i) {
                const DibRgbQuad q = source->bmiColors[i];
                DibSetColor(d, i, q.rgbRed, q.rgbGreen, q.rgbBlue);
            }
        }
    }
    return d;
}

void FreeDib(dib& d)
{
    if (d.poi) {
        if (d.poih && d.poih != d.pmih)
            std::free(d.poih);
        std::free(d.pmih);
    }
    d.pmi = nullptr;
    d.poih = nullptr;
    d.pmih = nullptr;
    d.poi = nullptr;
}

int DibWidth(const dib& d)
{
    return d.pmi ? d.pmi->bmiHeader.biWidth : 0;
}

int DibHeight(const dib& d)
{
    return d.pmi ? d.pmi->bmiHeader.biHeight : 0;
}

int DibBitCount(const dib& d)
{
    return d.pmi ? d.pmi->bmiHeader.biBitCount : 0;
}

int DibColors(const dib& d)
{
    const int bits = DibBitCount(d);
    return bits >= 31 ? 0 : (1 << bits);
}

void DibSetColor(dib& d, int i, std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    if (i < 0 || i > 255)
        return;
    if (d.pmi) {
        d.pmi->bmiColors[i].rgbRed = red;
        d.pmi->bmiColors[i].rgbGreen = green;
        d.pmi->bmiColors[i].rgbBlue = blue;
        d.pmi->bmiColors[i].rgbReserved = 0;
    }
    d.pal.palPalEntry[i].peRed = red;
    d.pal.palPalEntry[i].peGreen = green;
    d.pal.palPalEntry[i].peBlue = blue;
    d.pal.palPalEntry[i].peFlags = 0;
}

bool DibBlackBitsTopDown(const dib& d, QByteArray& rows, int& stride)
{
    const int width = DibWidth(d);
    const int height = DibHeight(d);
    if (!d.poi || DibBitCount(d) != 1 || width <= 0 || height <= 0)
        return false;
    stride = (width + 7) / 8;
    if (stride > d.bytew)
        return false;
    const bool invert = d.pal.palPalEntry[0].peRed == 0;
    rows.resize(qsizetype(stride) * height);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* src = d.poi + qsizetype(height - 1 - y) * d.bytew;
        auto* dst = reinterpret_cast<std::uint8_t*>(rows.data()) + qsizetype(y) * stride;
        for (int i = 0; i < stride; ++i)
            dst[i] = invert ? std::uint8_t(~src[i]) : src[i];
        // Bits beyond the width stay white.
        if (width % 8)
            dst[stride - 1] &= std::uint8_t(0xFF << (8 - width % 8));
    }
    return true;
}

dib DibFromImage(const QImage& image)
{
    if (image.isNull())
        return {};
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    const int width = rgb.width();
    const int height = rgb.height();
    dib d = newdib(width, height, 24, nullptr, 0);
    if (!d.poi)
        return d;
    for (int y = 0; y < height; ++y) {
        const uchar* src = rgb.constScanLine(y);
        std::uint8_t* dst = d.poi + qsizetype(height - 1 - y) * d.bytew;
        for (int x = 0; x < width; ++x) {
            dst[3 * x] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x];
        }
        std::memset(dst + 3 * width, 0, size_t(d.bytew - 3 * width));
    }
    return d;
}

QImage DibToImage(const dib& d)
{
    const int width = DibWidth(d);
    const int height = DibHeight(d);
    const int bits = DibBitCount(d);
    if (!d.poi || width <= 0 || height <= 0 || !(bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32)
        || DibRowBytes(width, bits) > d.bytew)
        return {};
    QImage out(width, height, QImage::Format_RGB888);
    if (out.isNull())
        return out;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* src = d.poi + qsizetype(height - 1 - y) * d.bytew;
        uchar* dst = out.scanLine(y);
        for (int x = 0; x < width; ++x) {
            std::uint8_t r, g, b;
            if (bits >= 24) {
                const std::uint8_t* px = src + x * (bits / 8);
                b = px[0];
                g = px[1];
                r = px[2];
            } else {
                int index;
                if (bits == 8)
                    index = src[x];
                else if (bits == 4)
                    index = (x % 2 == 0) ? (src[x / 2] >> 4) : (src[x / 2] & 0x0F);
                else
                    index = (src[x / 8] >> (7 - x % 8)) & 1;
                const DibPalEntry& e = d.pal.palPalEntry[index];
                r = e.peRed;
                g = e.peGreen;
                b = e.peBlue;
            }
            dst[3 * x] = r;
            dst[3 * x + 1] = g;
            dst[3 * x + 2] = b;
        }
    }
    return out;
}

namespace picturio_detail {

int OpenForWriteNoFollow(const QString& fileName)
{
    const QByteArray path = QFile::encodeName(fileName);
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return fd;
    // Truncate only a file that has contents: truncating a fresh, exclusively created
    // temporary file would make some file systems write it out on close, which costs far
    // more than the encoding when the file is deleted right afterwards.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || (st.st_size > 0 && ::ftruncate(fd, 0) != 0)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool WriteAllToFile(const QString& fileName, const QByteArray& data)
{
    const int fd = OpenForWriteNoFollow(fileName);
    if (fd < 0)
        return false;
    const char* p = data.constData();
    qint64 left = data.size();
    bool ok = true;
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        p += n;
        left -= n;
    }
    if (::close(fd) != 0)
        ok = false;
    return ok;
}

bool ReadWholeFile(const QString& fileName, QByteArray& out, qint64 limit)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const qint64 size = file.size();
    if (size < 0 || size > limit)
        return false;
    out = file.readAll();
    return out.size() == size;
}

bool EncodeBmp(const dib& d, QByteArray& out)
{
    const int width = DibWidth(d);
    const int height = DibHeight(d);
    const int bits = DibBitCount(d);
    if (!d.poi || width <= 0 || height <= 0)
        return false;
    const std::int64_t rowBytes = DibRowBytes(width, bits);
    if (rowBytes < 0 || rowBytes > d.bytew)
        return false;
    const int colours = bits <= 8 ? (1 << bits) : 0;
    const std::uint32_t offBits = 14 + 40 + std::uint32_t(colours) * 4;
    const std::int64_t imageBytes = rowBytes * height;
    out.clear();
    out.reserve(qsizetype(offBits + imageBytes));
    out.append("BM", 2);
    put32(out, std::uint32_t(offBits + imageBytes));
    put32(out, 0);
    put32(out, offBits);
    put32(out, 40);
    put32(out, std::uint32_t(width));
    put32(out, std::uint32_t(height));
    put16(out, 1);
    put16(out, std::uint16_t(bits));
    put32(out, 0); // uncompressed
    put32(out, std::uint32_t(imageBytes));
    put32(out, std::uint32_t(d.pmi->bmiHeader.biXPelsPerMeter));
    put32(out, std::uint32_t(d.pmi->bmiHeader.biYPelsPerMeter));
    put32(out, std::uint32_t(colours));
    put32(out, 0);
    for (int i = 0; i < colours; ++i) {
        const DibPalEntry& e = d.pal.palPalEntry[i];
        out.append(char(e.peBlue));
        out.append(char(e.peGreen));
        out.append(char(e.peRed));
        out.append(char(0));
    }
    for (int y = 0; y < height; ++y)
        out.append(reinterpret_cast<const char*>(d.poi) + qsizetype(y) * d.bytew, qsizetype(rowBytes));
    return true;
}

dib DecodeBmp(const QByteArray& data)
{
    const auto* p = reinterpret_cast<const uchar*>(data.constData());
    const qint64 size = data.size();
    if (size < 54 || p[0] != 'B' || p[1] != 'M')
        return {};
    const std::uint32_t offBits = get32(p + 10);
    const std::uint32_t headerSize = get32(p + 14);
    if (headerSize < 40 || qint64(14) + headerSize > size)
        return {};
    const std::int32_t width = std::int32_t(get32(p + 18));
    const std::int32_t rawHeight = std::int32_t(get32(p + 22));
    const int bits = get16(p + 28);
    const std::uint32_t compression = get32(p + 30);
    std::uint32_t used = get32(p + 46);
    if (rawHeight == INT32_MIN || width <= 0 || rawHeight == 0)
        return {};
    const bool topDown = rawHeight < 0;
    const std::int32_t height = topDown ? -rawHeight : rawHeight;
    if (!(bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32))
        return {};
    // Only uncompressed rows (bit fields are accepted for 32 bits in the usual order).
    if (!(compression == 0 || (compression == 3 && bits == 32)))
        return {};
    if (width > kDibMaxSide || height > kDibMaxSide)
        return {};
    const std::int64_t rowBytes = DibRowBytes(width, bits);
    const int maxColours = bits <= 8 ? (1 << bits) : 0;
    if (bits <= 8) {
        if (used == 0 || used > std::uint32_t(maxColours))
            used = std::uint32_t(maxColours);
    } else {
        used = 0;
    }
    const qint64 tableStart = 14 + qint64(headerSize);
    if (tableStart + qint64(used) * 4 > size)
        return {};
    if (qint64(offBits) > size || rowBytes * height > size - qint64(offBits))
        return {};
    dib d = newdib(width, height, bits, nullptr, 0);
    if (!d.poi)
        return d;
    for (std::uint32_t i = 0; i < used; ++i) {
        const uchar* q = p + tableStart + 4 * i;
        DibSetColor(d, int(i), q[2], q[1], q[0]);
    }
    for (std::int32_t y = 0; y < height; ++y) {
        const std::int32_t src = topDown ? height - 1 - y : y;
        std::memcpy(d.poi + qsizetype(y) * d.bytew, p + offBits + qint64(src) * rowBytes, size_t(rowBytes));
    }
    return d;
}

} // namespace picturio_detail

bool EncodeDib(const dib& d, int format, QByteArray& out)
{
    switch (format) {
    case DibFormatBmp:
        return picturio_detail::EncodeBmp(d, out);
    case DibFormatJpeg:
        return picturio_detail::EncodeJpeg(d, out, 90);
    case DibFormatJpeg2000:
        return picturio_detail::EncodeJpeg2000(d, out);
    default:
        return false;
    }
}

dib DecodeDib(const QByteArray& data, int format)
{
    switch (format) {
    case DibFormatBmp:
        return picturio_detail::DecodeBmp(data);
    case DibFormatJpeg:
        return picturio_detail::DecodeJpeg(data);
    case DibFormatJpeg2000:
        return picturio_detail::DecodeJpeg2000(data);
    default:
        return {};
    }
}

int SaveDib(const dib& d, const QString& fileName, int format, int /*reserved*/)
{
    QByteArray bytes;
    if (!EncodeDib(d, format, bytes))
        return 0;
    return picturio_detail::WriteAllToFile(fileName, bytes) ? 1 : 0;
}

dib OpenDib(const QString& fileName, int format, int /*reserved*/)
{
    QByteArray bytes;
    // A bitmap of the largest accepted size plus its headers.
    if (!picturio_detail::ReadWholeFile(fileName, bytes, kDibMaxBytes + 2048))
        return {};
    return DecodeDib(bytes, format);
}
