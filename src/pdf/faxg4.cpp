// Group 4 coding through libtiff's fax coder: the image is written as a one-strip TIFF
// into memory and the strip's raw bytes are taken back out.
#include "pdf/faxg4.h"

#include "pdf/picturio.h"

#include <algorithm>
#include <cstring>
#include <unistd.h>
#include <vector>

#include <tiffio.h>

namespace {

struct MemoryTiff {
    QByteArray data;
    qint64 pos = 0;
};

tmsize_t memRead(thandle_t h, void* buf, tmsize_t size)
{
    auto* m = static_cast<MemoryTiff*>(h);
    const qint64 n = std::clamp<qint64>(m->data.size() - m->pos, 0, size);
    std::memcpy(buf, m->data.constData() + m->pos, size_t(n));
    m->pos += n;
    return tmsize_t(n);
}

tmsize_t memWrite(thandle_t h, void* buf, tmsize_t size)
{
    auto* m = static_cast<MemoryTiff*>(h);
    const qint64 end = m->pos + size;
    if (end > m->data.size())
        m->data.resize(qsizetype(end));
    std::memcpy(m->data.data() + m->pos, buf, size_t(size));
    m->pos = end;
    return size;
}

toff_t memSeek(thandle_t h, toff_t off, int whence)
{
    auto* m = static_cast<MemoryTiff*>(h);
    qint64 base = 0;
    if (whence == SEEK_CUR)
        base = m->pos;
    else if (whence == SEEK_END)
        base = m->data.size();
    const qint64 target = base + qint64(off);
    if (target < 0)
        return toff_t(-1);
    m->pos = target;
    return toff_t(target);
}

int memClose(thandle_t)
{
    return 0;
}

toff_t memSize(thandle_t h)
{
    return toff_t(static_cast<MemoryTiff*>(h)->data.size());
}

int memMap(thandle_t, void**, toff_t*)
{
    return 0;
}

void memUnmap(thandle_t, void*, toff_t) {}

// libtiff reports through process-wide handlers; they are silenced while we code.
class QuietTiff {
public:
    QuietTiff()
        : error(TIFFSetErrorHandler(nullptr))
        , warning(TIFFSetWarningHandler(nullptr))
    {
    }
    ~QuietTiff()
    {
        TIFFSetErrorHandler(error);
        TIFFSetWarningHandler(warning);
    }
    QuietTiff(const QuietTiff&) = delete;
    QuietTiff& operator=(const QuietTiff&) = delete;

private:
    TIFFErrorHandler error;
    TIFFErrorHandler warning;
};

// Pixel-call encoder state.
struct CcittState {
    int fd = -1;
    int width = 0;
    int height = 0;
    int stride = 0;
    int x = 0;
    int y = 0;
    std::vector<std::uint8_t> bits;
    QByteArray encoded;
    bool finished = false;
};

CcittState& state()
{
    static CcittState s;
    return s;
}

void putPixels(bool black, int count)
{
    CcittState& s = state();
    for (int i = 0; i < count; ++i) {
        if (s.y >= s.height || s.x >= s.width)
            return;
        if (black)
            s.bits[size_t(s.y) * size_t(s.stride) + size_t(s.x / 8)] |= std::uint8_t(0x80 >> (s.x % 8));
        ++s.x;
    }
}

} // namespace

QByteArray EncodeCcittG4(const std::uint8_t* rows, int width, int height, int stride)
{
    if (!rows || width <= 0 || height <= 0 || width > kDibMaxSide || height > kDibMaxSide || stride < (width + 7) / 8)
        return {};
    QuietTiff quiet;
    MemoryTiff mem;
    TIFF* tif = TIFFClientOpen("g4", "w", &mem, memRead, memWrite, memSeek, memClose, memSize, memMap, memUnmap);
    if (!tif)
        return {};
    bool ok = TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, std::uint32_t(width))
        && TIFFSetField(tif, TIFFTAG_IMAGELENGTH, std::uint32_t(height)) && TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1)
        && TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1)
        && TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4)
        && TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE)
        && TIFFSetField(tif, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB)
        && TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG)
        && TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, std::uint32_t(height))
        && TIFFSetField(tif, TIFFTAG_GROUP4OPTIONS, 0);
    std::vector<std::uint8_t> row(static_cast<size_t>(stride));
    for (int y = 0; ok && y < height; ++y) {
        // The coder may scribble on its input row; give it a copy.
        std::memcpy(row.data(), rows + qsizetype(y) * stride, size_t(stride));
        ok = TIFFWriteScanline(tif, row.data(), std::uint32_t(y), 0) == 1;
    }
    ok = ok && TIFFWriteDirectory(tif);
    TIFFClose(tif);
    if (!ok)
        return {};

    mem.pos = 0;
    tif = TIFFClientOpen("g4", "r", &mem, memRead, memWrite, memSeek, memClose, memSize, memMap, memUnmap);
    if (!tif)
        return {};
    QByteArray result;
    std::uint64_t* counts = nullptr;
    if (TIFFNumberOfStrips(tif) == 1 && TIFFGetField(tif, TIFFTAG_STRIPBYTECOUNTS, &counts) && counts && counts[0] > 0
        && counts[0] <= std::uint64_t(mem.data.size())) {
        result.resize(qsizetype(counts[0]));
        if (TIFFReadRawStrip(tif, 0, result.data(), tmsize_t(counts[0])) != tmsize_t(counts[0]))
            result.clear();
    }
    TIFFClose(tif);
    return result;
}

bool openccittfile(const QString& path)
{
    CcittState& s = state();
    if (s.fd >= 0)
        ::close(s.fd);
    s = CcittState{};
    s.fd = picturio_detail::OpenForWriteNoFollow(path);
    return s.fd >= 0;
}

void g4j_initialize(int width, int height)
{
    CcittState& s = state();
    s.width = 0;
    s.height = 0;
    s.x = s.y = 0;
    s.bits.clear();
    s.encoded.clear();
    s.finished = false;
    if (width <= 0 || height <= 0 || width > kDibMaxSide || height > kDibMaxSide)
        return;
    s.width = width;
    s.height = height;
    s.stride = (width + 7) / 8;
    s.bits.assign(size_t(s.stride) * size_t(height), 0);
}

void g4j_encode_white(int count)
{
    putPixels(false, count);
}

void g4j_encode_black(int count)
{
    putPixels(true, count);
}

void g4j_encode_new_row()
{
    CcittState& s = state();
    if (s.y < s.height)
        ++s.y;
    s.x = 0;
}

void g4j_encode_EOFB()
{
    CcittState& s = state();
    if (s.width > 0 && !s.finished) {
        s.encoded = EncodeCcittG4(s.bits.data(), s.width, s.height, s.stride);
        s.finished = true;
    }
}

bool closeccittfile()
{
    CcittState& s = state();
    bool ok = s.fd >= 0 && s.finished && !s.encoded.isEmpty();
    if (s.fd >= 0) {
        const char* p = s.encoded.constData();
        qint64 left = s.encoded.size();
        while (ok && left > 0) {
            const ssize_t n = ::write(s.fd, p, size_t(left));
            if (n <= 0) {
                ok = false;
                break;
            }
            p += n;
            left -= n;
        }
        if (::close(s.fd) != 0)
            ok = false;
    }
    s = CcittState{};
    return ok;
}
