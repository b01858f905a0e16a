// Images of TPDFCanvas: placing, storing and, when the document ends, encoding them
// into image objects.
#include "pdf/pdfcanvas.h"

#include "core/tempfile.h"
#include "pdf/faxg4.h"
#include "pdf/jbig2generic.h"

#include <QFile>

#include <cstring>

namespace {

QByteArray num(qint64 v)
{
    return QByteArray::number(v);
}

// Encoded files are read whole; nothing we write comes near this.
constexpr qint64 kMaxEncodedFile = qint64(1) << 30;

// Reads and deletes a temporary file; false when it could not be read or is empty.
bool takeFile(const QString& name, QByteArray& data)
{
    const bool ok = picturio_detail::ReadWholeFile(name, data, kMaxEncodedFile) && !data.isEmpty();
    QFile::remove(name);
    return ok;
}

bool usableRecord(const dib& di)
{
    const int bits = DibBitCount(di);
    return di.pmi && di.poi && DibWidth(di) > 0 && DibHeight(di) > 0 && DibRowBytes(DibWidth(di), bits) > 0
        && DibRowBytes(DibWidth(di), bits) <= di.bytew;
}

} // namespace

bool TPDFCanvas::ConvertTo24Bit(dib& di)
{
    const int bits = DibBitCount(di);
    if ((bits != 4 && bits != 8) || !usableRecord(di))
        return false;
    const int width = DibWidth(di);
    const int height = DibHeight(di);
    dib converted = newdib(width, height, 24, nullptr, 0);
    if (!converted.poi)
        return false;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* src = di.poi + qsizetype(y) * di.bytew;
        std::uint8_t* dst = converted.poi + qsizetype(y) * converted.bytew;
        for (int x = 0; x < width; ++x) {
            const int index = bits == 8 ? src[x] : ((x % 2 == 0) ? (src[x / 2] >> 4) : (src[x / 2] & 0x0F));
            const DibPalEntry& e = di.pal.palPalEntry[index];
            dst[3 * x] = e.peBlue;
            dst[3 * x + 1] = e.peGreen;
            dst[3 * x + 2] = e.peRed;
        }
        // Padding bytes of the row are defined, so encoders and copies see no garbage.
        std::memset(dst + 3 * width, 0, size_t(converted.bytew - 3 * width));
    }
    di = converted;
    return true;
}

dib TPDFCanvas::CopyDib(const dib& src)
{
    if (!usableRecord(src))
        return {};
    const int bits = DibBitCount(src);
    const int colours = bits <= 8 ? (1 << bits) : 0;
    dib copy = newdib(DibWidth(src), DibHeight(src), bits, src.pmi, colours);
    if (!copy.poi)
        return copy;
    copy.pal = src.pal;
    const int height = DibHeight(src);
    if (src.bytew == copy.bytew) {
        std::memcpy(copy.poi, src.poi, size_t(copy.bytew) * size_t(height));
    } else {
        for (int y = 0; y < height; ++y)
            std::memcpy(copy.poi + qsizetype(y) * copy.bytew, src.poi + qsizetype(y) * src.bytew, size_t(copy.bytew));
    }
    return copy;
}

void TPDFCanvas::writePlacement(int x1, int y1, int x2w, int y2w, int imageNr)
{
    const qint64 w = x2w > 0 ? qint64(x2w) - 1 : qint64(x2w) + 1;
    const qint64 h = y2w > 0 ? qint64(y2w) - 1 : qint64(y2w) + 1;
    putln("q");
    putln(num(w) + " 0 0 " + num(h) + " " + num(x1) + " " + num(qint64(PageHeight) - y1 - h) + " cm");
    putln("/Im" + num(imageNr) + " Do");
}

void TPDFCanvas::DrawDIB(int x1, int y1, int x2w, int y2w, dib di, int, int, int xx2w, int yy2w)
{
    placeImage(x1, y1, x2w, y2w, di, xx2w, yy2w, false);
}

void TPDFCanvas::DrawDIBTaking(int x1, int y1, int x2w, int y2w, dib& di, int, int, int xx2w, int yy2w)
{
    placeImage(x1, y1, x2w, y2w, di, xx2w, yy2w, true);
    di = dib{};
}

void TPDFCanvas::placeImage(int x1, int y1, int x2w, int y2w, dib& di, int xx2w, int yy2w, bool take)
{
    if (!isincreation || !usableRecord(di)) {
        if (take)
            FreeDib(di);
        return;
    }
    dib original = di;
    bool converted = false;
    int bits = DibBitCount(di);
    if (bits < 24 && bits != 1)
        converted = ConvertTo24Bit(di);
    bits = DibBitCount(di);
    // Whether the record `di` now holds belongs to us: a converted copy always does.
    bool own = converted || take;
    if ((bits == 24 || bits == 32 || bits == 1) && x2w != 0 && y2w != 0 && xx2w != 0 && yy2w != 0) {
        writePlacement(x1, y1, x2w, y2w, images.Count());
        if (ImageEntry* e = images.Add()) {
            e->bitcount = bits;
            e->width = DibWidth(di);
            e->height = DibHeight(di);
            if (usetempfileforimages) {
                // Only the name is kept; a failed save shows up as an unreadable file
                // when the document ends, and the image is then written empty.
                e->tempname = CreateUniqueTempFile(QStringLiteral("temppdfimg"), QStringLiteral(".bmp"));
                if (!e->tempname.isEmpty())
                    SaveDib(di, e->tempname, DibFormatBmp, 0);
            } else if (own) {
                e->image = di; // the record is ours: keep it instead of copying it
                own = false;
            } else {
                e->image = CopyDib(di);
                if (!e->image.poi)
                    rostelmark::reportAllocError(QStringLiteral("Fehler: nicht genug Speicher für diese Operation!"));
            }
        } else {
            failed = true;
        }
        putln("Q");
    }
    if (own)
        FreeDib(di);
    if (converted && take)
        FreeDib(original);
}

void TPDFCanvas::DrawDIBOfImageNr(int x1, int y1, int x2w, int y2w, int imageNR, int, int, int xx2w, int yy2w)
{
    if (!isincreation || x2w == 0 || y2w == 0 || xx2w == 0 || yy2w == 0)
        return;
    writePlacement(x1, y1, x2w, y2w, imageNR);
    putln("Q");
}

void TPDFCanvas::WriteImage(ImageEntry& entry)
{
    dib image = entry.image;
    if (usetempfileforimages)
        image = entry.tempname.isEmpty() ? dib{} : OpenDib(entry.tempname, DibFormatBmp, 0);
    // The stored image must still be what was placed (a temporary file can be altered).
    const bool usable = image.poi && DibWidth(image) == entry.width && DibHeight(image) == entry.height
        && DibBitCount(image) == entry.bitcount;
    const bool jbig2 = usejbig2 && entry.bitcount == 1;
    bool written = false;
    if (usable) {
        if (entry.bitcount == 1)
            written = jbig2 ? WriteJbig2Image(image) : WriteCcittImage(image);
        else
            written = WriteJpegImage(image);
    }
    if (!written) {
        // The page resources name this object: keep the document valid.
        ++missingimages;
        WritePlaceholderImage();
        if (jbig2) {
            BeginObj();
            putln("<<");
            putln("/Length 0");
            putln(">>");
            putln("stream");
            put("\n", 1);
            putln("endstream");
            EndObj();
        }
    }
    if (usetempfileforimages)
        FreeDib(image);
}

void TPDFCanvas::WritePlaceholderImage()
{
    BeginObj();
    putln("<< /Type /XObject /Subtype /Image /Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray /Length 1 "
          ">>");
    putln("stream");
    put("\xFF\n", 2);
    putln("endstream");
    EndObj();
}

bool TPDFCanvas::WriteJbig2Image(const dib& image)
{
    const QString t = CreateUniqueTempFile(QStringLiteral("tempim"), QStringLiteral(".bmp"));
    const QString g = CreateUniqueTempFile(QStringLiteral("tempim0"), QStringLiteral(".bmp"));
    const QString p = CreateUniqueTempFile(QStringLiteral("tempim1"), QStringLiteral(".bmp"));
    QByteArray pageData;
    QByteArray globalData;
    bool ok = !t.isEmpty() && !g.isEmpty() && !p.isEmpty();
    if (ok) {
        ok = SaveDib(image, t, DibFormatBmp, 0) == 1;
        ok = ok && jbig2encode(t, g, p) == 0;
        // The globals may be empty: a generic region needs no shared segments.
        ok = ok && picturio_detail::ReadWholeFile(g, globalData, kMaxEncodedFile);
        ok = ok && takeFile(p, pageData);
    }
    for (const QString& name : {t, g, p}) {
        if (!name.isEmpty())
            QFile::remove(name);
    }
    if (!ok)
        return false;
    const int n = BeginObj();
    putln("<<");
    putln("/Type /XObject /Subtype /Image");
    putln("/Width " + num(DibWidth(image)) + " /Height " + num(DibHeight(image)) + " /BitsPerComponent 1");
    putln("/Length " + num(pageData.size())
        + " /ColorSpace /DeviceGray /Filter /JBIG2Decode /DecodeParms << /JBIG2Globals " + num(n + 1) + " 0 R>>");
    putln(">>");
    putln("stream");
    put(pageData);
    put("\n", 1);
    putln("endstream");
    EndObj();
    BeginObj();
    putln("<<");
    putln("/Length " + num(globalData.size()));
    putln(">>");
    putln("stream");
    put(globalData);
    put("\n", 1);
    putln("endstream");
    EndObj();
    return true;
}

bool TPDFCanvas::WriteCcittImage(const dib& image)
{
    // A unique, exclusively created file in the temporary folder (the program's folder
    // is usually not writable, and a fixed name could be a planted link).
    const QString name = CreateUniqueTempFile(QStringLiteral("tempccitt"), QStringLiteral(".img"));
    if (name.isEmpty() || !openccittfile(name)) {
        if (!name.isEmpty())
            QFile::remove(name);
        return false;
    }
    const int width = DibWidth(image);
    const int height = DibHeight(image);
    g4j_initialize(width, height);
    const bool zeroIsWhite = image.pal.palPalEntry[0].peRed != 0;
    for (int y = height - 1; y >= 0; --y) {
        const std::uint8_t* row = image.poi + qsizetype(y) * image.bytew;
        for (int x = 0; x < width; ++x) {
            const bool set = (row[x / 8] >> (7 - x % 8)) & 1;
            if (set == zeroIsWhite)
                g4j_encode_black(1);
            else
                g4j_encode_white(1);
        }
        g4j_encode_new_row();
    }
    g4j_encode_EOFB();
    closeccittfile();
    QByteArray data;
    if (!takeFile(name, data))
        return false;
    BeginObj();
    putln("<<");
    putln("/Type /XObject /Subtype /Image");
    putln("/Width " + num(width) + " /Height " + num(height) + " /BitsPerComponent 1");
    putln("/Length " + num(data.size())
        + " /ColorSpace /DeviceGray /Filter /CCITTFaxDecode /DecodeParms <</K -1 /Columns " + num(width) + " /Rows "
        + num(height) + ">>");
    putln(">>");
    putln("stream");
    put(data);
    putln("endstream");
    putln("endobj");
    return true;
}

bool TPDFCanvas::WriteJpegImage(const dib& image)
{
    const QString name
        = CreateUniqueTempFile(QStringLiteral("tempim"), usejpeg2000 ? QStringLiteral(".jp2") : QStringLiteral(".jpg"));
    if (name.isEmpty())
        return false;
    QByteArray data;
    if (SaveDib(image, name, usejpeg2000 ? DibFormatJpeg2000 : DibFormatJpeg, 0) != 1 || !takeFile(name, data)) {
        QFile::remove(name);
        return false;
    }
    QByteArray dict
        = "<< /Type /XObject /Subtype /Image /Width " + num(DibWidth(image)) + " /Height " + num(DibHeight(image));
    if (ispdfa)
        dict += " /BitsPerComponent 8 /ColorSpace [ /CalRGB<< /WhitePoint [0.9505 1.0000 1.0890]/Gamma [1.8000 1.8000 "
                "1.8000]/Matrix [ 0.4497 0.2446 0.0252 0.3163 0.6720 0.1412 0.1845 0.0833 0.9227]>>] /Length ";
    else
        dict += " /BitsPerComponent 8 /ColorSpace /DeviceRGB /Length ";
    dict += num(usejpeg2000 ? data.size() + 1 : data.size());
    dict += usejpeg2000 ? " /Filter /JPXDecode >>" : " /Filter /DCTDecode >>";
    BeginObj();
    putln(dict);
    putln("stream");
    put(data);
    // A JPEG 2000 stream declares one byte more than its data; the line feed after the
    // data is that byte, so the declared length holds and "endstream" follows it.
    if (usejpeg2000)
        put("\n", 1);
    putln("endstream");
    EndObj();
    return true;
}

void TPDFCanvas::ReleaseImages()
{
    for (ImageEntry& e : images) {
        if (!e.tempname.isEmpty())
            QFile::remove(e.tempname);
        FreeDib(e.image);
    }
    images.Clear();
}
