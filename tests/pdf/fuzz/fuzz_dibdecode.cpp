// Image files read back by the codec layer (bitmap, JPEG, JPEG 2000): the first byte picks
// the format, the rest is the file. Whatever decodes is converted and encoded again, and
// 1-bit images also go through the Group 4 and JBIG2 encoders.
#include "pdf/faxg4.h"
#include "pdf/jbig2generic.h"
#include "pdf/picturio.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    static const int formats[] = {DibFormatBmp, DibFormatJpeg, DibFormatJpeg2000};
    const int format = formats[data[0] % 3];
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    dib d = DecodeDib(bytes, format);
    if (d.poi) {
        const qint64 pixels = qint64(DibWidth(d)) * DibHeight(d);
        QByteArray out;
        EncodeDib(d, DibFormatBmp, out);
        if (pixels <= 4096) {
            (void)DibToImage(d);
            QByteArray rows;
            int stride = 0;
            if (DibBlackBitsTopDown(d, rows, stride)) {
                const auto* bits = reinterpret_cast<const std::uint8_t*>(rows.constData());
                (void)EncodeCcittG4(bits, DibWidth(d), DibHeight(d), stride);
                Jbig2Streams streams;
                EncodeJbig2Generic(bits, DibWidth(d), DibHeight(d), stride, streams);
            }
        }
    }
    FreeDib(d);
    return 0;
}
