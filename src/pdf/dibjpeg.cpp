// JPEG files of the image records, through libjpeg(-turbo).
#include "pdf/picturio.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jpeglib.h>

namespace {

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    dib result; // decoder output, released when decoding fails
    unsigned char* buffer; // encoder output, released by the caller
    std::uint8_t* rowTemp; // row expansion buffer of the encoder
};

[[noreturn]] void onError(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::longjmp(err->jump, 1);
}

void onMessage(j_common_ptr, int)
{
    // Warnings of damaged data are not reported; the decoder goes on as far as it can.
}

// Expands one palette row (1, 4 or 8 bits) into blue, green, red triples.
void expandPaletteRow(const dib& d, const std::uint8_t* row, int width, int bits, std::uint8_t* out)
{
    for (int x = 0; x < width; ++x) {
        int index = 0;
        if (bits == 8)
            index = row[x];
        else if (bits == 4)
            index = (x % 2 == 0) ? (row[x / 2] >> 4) : (row[x / 2] & 0x0F);
        else
            index = (row[x / 8] >> (7 - x % 8)) & 1;
        const DibPalEntry& e = d.pal.palPalEntry[index];
        out[3 * x] = e.peBlue;
        out[3 * x + 1] = e.peGreen;
        out[3 * x + 2] = e.peRed;
    }
}

} // namespace

namespace picturio_detail {

bool EncodableDib(const dib& d)
{
    const int width = DibWidth(d);
    const int height = DibHeight(d);
    const int bits = DibBitCount(d);
    if (!d.poi || width <= 0 || height <= 0)
        return false;
    if (!(bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32))
        return false;
    return DibRowBytes(width, bits) <= d.bytew;
}

bool EncodeJpeg(const dib& d, QByteArray& out, int quality)
{
    const int width = DibWidth(d);
    const int height = DibHeight(d);
    const int bits = DibBitCount(d);
    if (!EncodableDib(d))
        return false;

    jpeg_compress_struct cinfo;
    ErrorManager err{};
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = onError;
    err.pub.emit_message = onMessage;
    unsigned long outSize = 0;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::free(err.buffer);
        std::free(err.rowTemp);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &err.buffer, &outSize);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = bits == 32 ? 4 : 3;
    cinfo.in_color_space = bits == 32 ? JCS_EXT_BGRX : JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    // 150 dpi is what the month export renders at; readers use the page geometry anyway.
    cinfo.density_unit = 1;
    cinfo.X_density = 150;
    cinfo.Y_density = 150;
    jpeg_start_compress(&cinfo, TRUE);
    if (bits <= 8) {
        err.rowTemp = static_cast<std::uint8_t*>(std::malloc(size_t(width) * 3));
        if (!err.rowTemp)
            std::longjmp(err.jump, 1);
    }
    while (cinfo.next_scanline < cinfo.image_height) {
        // Stored rows are bottom-up: the first JPEG line is the last stored row.
        const int stored = height - 1 - int(cinfo.next_scanline);
        std::uint8_t* row = d.poi + qsizetype(stored) * d.bytew;
        if (bits <= 8) {
            expandPaletteRow(d, row, width, bits, err.rowTemp);
            row = err.rowTemp;
        }
        JSAMPROW rows[1] = {row};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    out = QByteArray(reinterpret_cast<const char*>(err.buffer), qsizetype(outSize));
    jpeg_destroy_compress(&cinfo);
    std::free(err.buffer);
    std::free(err.rowTemp);
    return true;
}

dib DecodeJpeg(const QByteArray& data)
{
    if (data.isEmpty())
        return {};
    jpeg_decompress_struct cinfo;
    ErrorManager err{};
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = onError;
    err.pub.emit_message = onMessage;
    ErrorManager* volatile errp = &err;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        FreeDib(errp->result);
        return {};
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(
        &cinfo, reinterpret_cast<const unsigned char*>(data.constData()), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&cinfo, TRUE);
    const bool grey = cinfo.num_components == 1;
    if (!grey && cinfo.num_components != 3)
        std::longjmp(err.jump, 1);
    cinfo.out_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
    if (cinfo.image_width == 0 || cinfo.image_height == 0 || cinfo.image_width > JDIMENSION(kDibMaxSide)
        || cinfo.image_height > JDIMENSION(kDibMaxSide))
        std::longjmp(err.jump, 1);
    // Even a blank page takes a byte per 1024 pixels; more is a forged size that would
    // only cost memory.
    if (double(cinfo.image_width) * cinfo.image_height > double(data.size()) * 1024.0)
        std::longjmp(err.jump, 1);
    jpeg_start_decompress(&cinfo);
    const int width = int(cinfo.output_width);
    const int height = int(cinfo.output_height);
    err.result = newdib(width, height, grey ? 8 : 24, nullptr, 0);
    if (!err.result.poi)
        std::longjmp(err.jump, 1);
    if (grey) {
        for (int i = 0; i < 256; ++i)
            DibSetColor(err.result, i, std::uint8_t(i), std::uint8_t(i), std::uint8_t(i));
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        const int stored = height - 1 - int(cinfo.output_scanline);
        JSAMPROW rows[1] = {err.result.poi + qsizetype(stored) * err.result.bytew};
        jpeg_read_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return err.result;
}

} // namespace picturio_detail
