#pragma once
// The image record `dib` and the routines around it: making and releasing images,
// reading and writing Windows bitmap, JPEG and JPEG 2000 files. Pixel rows are stored
// bottom row first, each row `bytew` bytes long (padded to a multiple of 4); 24-bit rows
// hold blue, green, red per pixel, 32-bit rows blue, green, red, unused.

#include <QByteArray>
#include <QImage>
#include <QString>

#include <cstdint>

struct DibRgbQuad {
    std::uint8_t rgbBlue = 0;
    std::uint8_t rgbGreen = 0;
    std::uint8_t rgbRed = 0;
    std::uint8_t rgbReserved = 0;
};

// The 40-byte header of a Windows bitmap.
struct DibInfoHeader {
    std::uint32_t biSize = 40;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 1;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};

// Header and colour table, the block `pmi` points to.
struct DibInfo {
    DibInfoHeader bmiHeader;
    DibRgbQuad bmiColors[256];
};

struct DibPalEntry {
    std::uint8_t peRed = 0;
    std::uint8_t peGreen = 0;
    std::uint8_t peBlue = 0;
    std::uint8_t peFlags = 0;
};

struct DibPalette {
    std::uint16_t palVersion = 0x300;
    std::uint16_t palNumEntries = 0;
    DibPalEntry palPalEntry[256];
};

// The image record, passed by value; copies share the pixel and header memory.
struct dib {
    DibInfo* pmi = nullptr; // header and colour table
    void* poih = nullptr; // handle of the pixel memory
    void* pmih = nullptr; // handle of the header memory
    std::uint8_t* poi = nullptr; // pixel rows, bottom row first
    std::int32_t bytew = 0; // bytes per row
    std::uint8_t ispal = 0; // 1 for palette images (1, 4, 8 bits)
    DibPalette pal; // colour table as palette entries
    std::uint32_t NOTUSEDINFIXEDMEMlp = 0;
    std::int32_t zoom = 0;
    std::int32_t scx = 0;
    std::int32_t scy = 0;
    std::int32_t mx1 = 0;
    std::int32_t my1 = 0;
    std::int32_t mx2 = 0;
    std::int32_t my2 = 0;
};

// File formats of SaveDib/OpenDib.
enum DibFormat : int {
    DibFormatBmp = 3,
    DibFormatJpeg = 7,
    DibFormatJpeg2000 = 14,
};

// Largest image accepted: width and height each, and total pixel bytes.
constexpr std::int32_t kDibMaxSide = 65535;
constexpr std::int64_t kDibMaxBytes = std::int64_t(1) << 30;

// Bytes per row for a width and depth (rows padded to 4 bytes); -1 when out of range.
std::int64_t DibRowBytes(std::int64_t width, int bits);

// A new bottom-up image; contents undefined. With a source header and colours > 0 the
// colour table and `pal` take the source's first `colours` entries. On failure `poi`
// and `poih` are null.
dib newdib(int width, int height, int bits, const DibInfo* source, int colours);
void FreeDib(dib& d);

int DibWidth(const dib& d);
int DibHeight(const dib& d);
int DibBitCount(const dib& d);
int DibColors(const dib& d);

// Sets colour table entry i in both the header and `pal`.
void DibSetColor(dib& d, int i, std::uint8_t red, std::uint8_t green, std::uint8_t blue);

// Writes the image; returns 1 when the file was written, 0 otherwise. An existing file of
// the name is replaced, but a symbolic link is never followed.
int SaveDib(const dib& d, const QString& fileName, int format, int reserved = 0);
// Reads a bitmap, JPEG or JPEG 2000 file; `poi` null on failure (bad or unsupported
// files included). Bitmap files with 1, 4, 8, 24 or 32 bits per pixel are read;
// JPEG and JPEG 2000 give 24-bit images (8-bit grey palette images for one channel).
dib OpenDib(const QString& fileName, int format, int reserved = 0);

// The rows of a 1-bit image top-down with 1 = black, `stride` bytes apart. Pixel value 0
// is white when the red component of palette entry 0 is non-zero, else black.
bool DibBlackBitsTopDown(const dib& d, QByteArray& rows, int& stride);

// A new 24-bit image with the pixels of `image` (any format; alpha is dropped).
dib DibFromImage(const QImage& image);
// The image as a QImage (RGB888 for colour depths, the palette resolved for 1/4/8 bits);
// a null image for records without pixels or of 16 bits.
QImage DibToImage(const dib& d);

// In-memory forms of the above (used by the file forms and by tests).
bool EncodeDib(const dib& d, int format, QByteArray& out);
dib DecodeDib(const QByteArray& data, int format);

// Test hook: the next newdib fails as if memory ran out.
void DibFailNextAllocationForTest();

namespace picturio_detail {
bool EncodeBmp(const dib& d, QByteArray& out);
dib DecodeBmp(const QByteArray& data);
// True when the record has pixels, a supported depth and rows as long as its size needs:
// what the encoders check before they read a single row.
bool EncodableDib(const dib& d);
bool EncodeJpeg(const dib& d, QByteArray& out, int quality);
dib DecodeJpeg(const QByteArray& data);
bool EncodeJpeg2000(const dib& d, QByteArray& out);
dib DecodeJpeg2000(const QByteArray& data);
// Opens a file for writing, creating or truncating it, without following a symbolic
// link at the last path component; -1 on failure.
int OpenForWriteNoFollow(const QString& fileName);
bool WriteAllToFile(const QString& fileName, const QByteArray& data);
// Reads a whole file (at most `limit` bytes); false when it cannot be read or is larger.
bool ReadWholeFile(const QString& fileName, QByteArray& out, qint64 limit);
} // namespace picturio_detail
