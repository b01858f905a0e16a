// JPEG 2000 (JP2 file format) of the image records, through OpenJPEG.
#include "pdf/picturio.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <openjpeg.h>

namespace {

// A growable memory buffer behind an OpenJPEG stream.
struct MemoryStream {
    QByteArray* out = nullptr; // writing
    const QByteArray* in = nullptr; // reading
    qint64 pos = 0;
};

OPJ_SIZE_T memWrite(void* buffer, OPJ_SIZE_T bytes, void* user)
{
    auto* m = static_cast<MemoryStream*>(user);
    const qint64 end = m->pos + qint64(bytes);
    if (end > m->out->size())
        m->out->resize(qsizetype(end));
    std::memcpy(m->out->data() + m->pos, buffer, bytes);
    m->pos = end;
    return bytes;
}

OPJ_SIZE_T memRead(void* buffer, OPJ_SIZE_T bytes, void* user)
{
    auto* m = static_cast<MemoryStream*>(user);
    const qint64 left = m->in->size() - m->pos;
    if (left <= 0)
        return OPJ_SIZE_T(-1);
    const qint64 n = std::min<qint64>(left, qint64(bytes));
    std::memcpy(buffer, m->in->constData() + m->pos, size_t(n));
    m->pos += n;
    return OPJ_SIZE_T(n);
}

qint64 streamSize(const MemoryStream* m)
{
    return m->out ? m->out->size() : m->in->size();
}

OPJ_OFF_T memSkip(OPJ_OFF_T bytes, void* user)
{
    auto* m = static_cast<MemoryStream*>(user);
    const qint64 target = m->pos + bytes;
    if (target < 0)
        return -1;
    if (m->in && target > m->in->size()) {
        const qint64 skipped = m->in->size() - m->pos;
        m->pos = m->in->size();
        return skipped;
    }
    if (m->out && target > m->out->size())
        m->out->resize(qsizetype(target));
    m->pos = target;
    return bytes;
}

OPJ_BOOL memSeek(OPJ_OFF_T bytes, void* user)
{
    auto* m = static_cast<MemoryStream*>(user);
    if (bytes < 0 || bytes > streamSize(m))
        return OPJ_FALSE;
    m->pos = bytes;
    return OPJ_TRUE;
}

void quiet(const char*, void*) {}

opj_stream_t* makeStream(MemoryStream* m, bool input)
{
    opj_stream_t* s = opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, input ? OPJ_TRUE : OPJ_FALSE);
    if (!s)
        return nullptr;
    opj_stream_set_user_data(s, m, nullptr);
    if (input) {
        opj_stream_set_read_function(s, memRead);
        opj_stream_set_user_data_length(s, OPJ_UINT64(m->in->size()));
    } else {
        opj_stream_set_write_function(s, memWrite);
    }
    opj_stream_set_skip_function(s, memSkip);
    opj_stream_set_seek_function(s, memSeek);
    return s;
}

void silence(opj_codec_t* codec)
{
    opj_set_info_handler(codec, quiet, nullptr);
    opj_set_warning_handler(codec, quiet, nullptr);
    opj_set_error_handler(codec, quiet, nullptr);
}

} // namespace

namespace picturio_detail {

bool EncodeJpeg2000(const dib& d, QByteArray& out)
{
    const int width = DibWidth(d);
    const int height = DibHeight(d);
    const int bits = DibBitCount(d);
    if (!EncodableDib(d))
        return false;

    opj_image_cmptparm_t parms[3];
    std::memset(parms, 0, sizeof(parms));
    for (auto& p : parms) {
        p.dx = 1;
        p.dy = 1;
        p.w = OPJ_UINT32(width);
        p.h = OPJ_UINT32(height);
        p.prec = 8;
        p.sgnd = 0;
    }
    opj_image_t* image = opj_image_create(3, parms, OPJ_CLRSPC_SRGB);
    if (!image)
        return false;
    image->x0 = 0;
    image->y0 = 0;
    image->x1 = OPJ_UINT32(width);
    image->y1 = OPJ_UINT32(height);
    OPJ_INT32* red = image->comps[0].data;
    OPJ_INT32* green = image->comps[1].data;
    OPJ_INT32* blue = image->comps[2].data;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = d.poi + qsizetype(height - 1 - y) * d.bytew;
        const qsizetype base = qsizetype(y) * width;
        for (int x = 0; x < width; ++x) {
            std::uint8_t b = 0, g = 0, r = 0;
            if (bits >= 24) {
                const std::uint8_t* px = row + x * (bits / 8);
                b = px[0];
                g = px[1];
                r = px[2];
            } else {
                int index = 0;
                if (bits == 8)
                    index = row[x];
                else if (bits == 4)
                    index = (x % 2 == 0) ? (row[x / 2] >> 4) : (row[x / 2] & 0x0F);
                else
                    index = (row[x / 8] >> (7 - x % 8)) & 1;
                const DibPalEntry& e = d.pal.palPalEntry[index];
                b = e.peBlue;
                g = e.peGreen;
                r = e.peRed;
            }
            red[base + x] = r;
            green[base + x] = g;
            blue[base + x] = b;
        }
    }

    opj_cparameters_t params;
    opj_set_default_encoder_parameters(&params);
    params.tcp_numlayers = 1;
    params.tcp_rates[0] = 20; // compression ratio 20:1
    params.cp_disto_alloc = 1;
    params.irreversible = 1;
    params.tcp_mct = 1;
    // Every resolution level needs at least one pixel.
    int levels = 1;
    while (levels < 6 && (std::min(width, height) >> levels) > 0)
        ++levels;
    params.numresolution = levels;

    bool ok = false;
    opj_codec_t* codec = opj_create_compress(OPJ_CODEC_JP2);
    MemoryStream mem;
    QByteArray buffer;
    mem.out = &buffer;
    opj_stream_t* stream = nullptr;
    if (codec) {
        silence(codec);
        stream = makeStream(&mem, false);
        ok = stream && opj_setup_encoder(codec, &params, image) && opj_start_compress(codec, image, stream)
            && opj_encode(codec, stream) && opj_end_compress(codec, stream);
    }
    if (stream)
        opj_stream_destroy(stream);
    if (codec)
        opj_destroy_codec(codec);
    opj_image_destroy(image);
    if (ok)
        out = buffer;
    return ok && !out.isEmpty();
}

dib DecodeJpeg2000(const QByteArray& data)
{
    static const char jp2Signature[] = "\x00\x00\x00\x0CjP  \r\n\x87\n";
    static const char j2kSignature[] = "\xFF\x4F\xFF\x51";
    OPJ_CODEC_FORMAT format;
    if (data.size() >= 12 && std::memcmp(data.constData(), jp2Signature, 12) == 0)
        format = OPJ_CODEC_JP2;
    else if (data.size() >= 4 && std::memcmp(data.constData(), j2kSignature, 4) == 0)
        format = OPJ_CODEC_J2K;
    else
        return {};

    opj_codec_t* codec = opj_create_decompress(format);
    if (!codec)
        return {};
    silence(codec);
    opj_dparameters_t params;
    opj_set_default_decoder_parameters(&params);
    MemoryStream mem;
    mem.in = &data;
    opj_stream_t* stream = makeStream(&mem, true);
    opj_image_t* image = nullptr;
    dib result;
    bool ok = stream && opj_setup_decoder(codec, &params) && opj_read_header(stream, codec, &image) && image;
    if (ok) {
        const qint64 w = qint64(image->x1) - image->x0;
        const qint64 h = qint64(image->y1) - image->y0;
        // Limits before decoding: size of the canvas and pixels per byte of input (a forged
        // size would only cost memory).
        ok = w > 0 && h > 0 && w <= kDibMaxSide && h <= kDibMaxSide && w * h <= qint64(data.size()) * 1024
            && (image->numcomps == 1 || image->numcomps == 3 || image->numcomps == 4);
    }
    ok = ok && opj_decode(codec, stream, image) && opj_end_decompress(codec, stream);
    if (ok) {
        const int width = int(image->x1 - image->x0);
        const int height = int(image->y1 - image->y0);
        const int comps = image->numcomps == 1 ? 1 : 3;
        for (int c = 0; c < comps && ok; ++c) {
            const opj_image_comp_t& comp = image->comps[c];
            ok = comp.data && comp.dx == 1 && comp.dy == 1 && int(comp.w) == width && int(comp.h) == height
                && comp.prec >= 1 && comp.prec <= 16;
        }
        if (ok) {
            result = newdib(width, height, comps == 1 ? 8 : 24, nullptr, 0);
            ok = result.poi != nullptr;
        }
        if (ok) {
            if (comps == 1) {
                for (int i = 0; i < 256; ++i)
                    DibSetColor(result, i, std::uint8_t(i), std::uint8_t(i), std::uint8_t(i));
            }
            for (int c = 0; c < comps; ++c) {
                const opj_image_comp_t& comp = image->comps[c];
                const int shift = int(comp.prec) - 8;
                const int offset = comp.sgnd ? (1 << (comp.prec - 1)) : 0;
                const int maxValue = (1 << comp.prec) - 1;
                // Component c is red, green, blue; stored bytes are blue, green, red.
                const int byteIndex = comps == 1 ? 0 : 2 - c;
                for (int y = 0; y < height; ++y) {
                    std::uint8_t* row = result.poi + qsizetype(height - 1 - y) * result.bytew;
                    const OPJ_INT32* src = comp.data + qsizetype(y) * width;
                    for (int x = 0; x < width; ++x) {
                        int v = std::clamp(src[x] + offset, 0, maxValue);
                        v = shift >= 0 ? (v >> shift) : (v << -shift);
                        row[x * comps + byteIndex] = std::uint8_t(std::min(v, 255));
                    }
                }
            }
        }
    }
    if (!ok)
        FreeDib(result);
    if (image)
        opj_image_destroy(image);
    if (stream)
        opj_stream_destroy(stream);
    opj_destroy_codec(codec);
    return result;
}

} // namespace picturio_detail
