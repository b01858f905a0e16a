#pragma once
// Lossless JBIG2 coding of a 1-bit image as one generic region (arithmetic coding,
// template 0 with the standard adaptive pixels, typical prediction), split the way the
// PDF JBIG2Decode filter takes it: the global segments (a generic region needs none, so
// that stream is empty) and the page's segments (page information, immediate generic
// region) without file header and without end-of-page segment.

#include <QByteArray>
#include <QString>

#include <cstdint>

struct Jbig2Streams {
    QByteArray globals;
    QByteArray page;
};

// `rows`: `height` rows top-down, `stride` bytes apart, most significant bit first,
// 1 = black. False for sizes out of range.
bool EncodeJbig2Generic(const std::uint8_t* rows, int width, int height, int stride, Jbig2Streams& out);

// Reads a 1-bit bitmap file (the colour of palette entry 0 decides which value is black,
// as for the Group 4 coder: a non-zero red makes 0 white), writes the global segments to
// `globalsFile` and the page segments to `pageFile`. 0 on success, 1 when the bitmap
// cannot be read or is not 1-bit, 2 when an output file cannot be written.
int jbig2encode(const QString& bitmapFile, const QString& globalsFile, const QString& pageFile);
