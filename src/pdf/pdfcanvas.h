#pragma once
// TPDFCanvas: a canvas that writes a PDF file in one forward pass. Drawing calls take
// page units (points) with y downwards from the top of the page; pen, brush and font are
// written to the page only when they differ from what the page has in force. Page content
// is collected in memory and compressed once per page; images placed with DrawDIB are
// kept (in memory or in temporary bitmap files) and encoded when the document ends:
// 1-bit images as CCITT Group 4 or JBIG2, all others as JPEG or JPEG 2000.
//
// Use: create, set options and PageWidth/PageHeight, BeginDoc(file), draw, NewPage, draw,
// …, EndDoc. Not safe for concurrent use.

#include "core/dynaarray.h"
#include "pdf/picturio.h"

#include <QByteArray>
#include <QFile>
#include <QFont>
#include <QPoint>
#include <QString>

#include <cstdint>

enum TPenStyle : int {
    psSolid,
    psDash,
    psDot,
    psDashDot,
    psDashDotDot,
    psClear,
    psInsideFrame,
    psUserStyle,
    psAlternate,
};

enum TBrushStyle : int {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross,
};

// Font style bits (also the style byte of the font list).
enum TPDFFontStyle : std::uint8_t {
    fsBold = 1,
    fsItalic = 2,
    fsUnderline = 4,
    fsStrikeOut = 8,
};

// Colours are 0x00BBGGRR; the top byte is ignored.
struct TPDFPen {
    std::uint32_t Color = 0;
    int Width = 1;
    TPenStyle Style = psSolid;
    bool operator==(const TPDFPen&) const = default;
};

struct TPDFBrush {
    std::uint32_t Color = 0xFFFFFF;
    TBrushStyle Style = bsSolid;
    bool operator==(const TPDFBrush&) const = default;
};

struct TPDFFont {
    QString Name = QStringLiteral("Microsoft Sans Serif");
    int Size = 8; // points (= page units)
    std::uint8_t Style = 0; // TPDFFontStyle bits
    std::uint32_t Color = 0;
};

// Left, top, right, bottom; right and bottom are exclusive.
struct TPDFRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
};

struct ObjEntry {
    std::uint32_t offset = 0;
    std::uint32_t generation = 0;
    bool free = false;
};

struct PageEntry {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

struct FontEntry {
    QString name;
    std::uint8_t style = 0;
};

struct ImageEntry {
    dib image; // memory mode: own copy; temporary-file mode: no pixels
    std::int32_t bitcount = 0;
    std::int32_t width = 0; // header values at placement time
    std::int32_t height = 0;
    QString tempname; // temporary-file mode only
};

class TPDFCanvas {
public:
    TPDFCanvas();
    ~TPDFCanvas();
    TPDFCanvas(const TPDFCanvas&) = delete;
    TPDFCanvas& operator=(const TPDFCanvas&) = delete;

    // Creates or truncates the file and opens page 1; false (and nothing changed) when
    // the file cannot be created.
    bool BeginDoc(const QString& fname);
    // Closes the current page and opens the next; nothing without an open document.
    void NewPage();
    // Writes the closing objects, cross-reference table and trailer and closes the file.
    // False when a write failed (the file is then incomplete) or no document was open.
    bool EndDoc();

    void write(const QString& s);
    void writeln(const QString& s);

    // Drawing (nothing without an open document).
    void MoveTo(int xp, int yp);
    void LineTo(int xp, int yp);
    void FillRect(int x1, int y1, int x2, int y2);
    void FillRect(const TPDFRect& rre) { FillRect(rre.Left, rre.Top, rre.Right, rre.Bottom); }
    void Rectangle(int x1, int y1, int x2, int y2);
    void Rectangle(const TPDFRect& rre) { Rectangle(rre.Left, rre.Top, rre.Right, rre.Bottom); }
    void TextOut(int x, int y, const QString& text);
    // Measured with the current font at 72 units per inch (works at any time).
    int TextWidth(const QString& text) const;
    int TextHeight(const QString& text) const;

    // Places the whole image scaled to (x1, y1, x2w × y2w); only xx2w and yy2w of the
    // source rectangle are looked at, for being non-zero. `di` is not taken over.
    void DrawDIB(int x1, int y1, int x2w, int y2w, dib di, int xx1, int yy1, int xx2w, int yy2w);
    // Like DrawDIB, but takes the image over instead of copying it: `di` is emptied and
    // the canvas frees the pixels. An export that renders each page into a fresh image
    // hands it over this way and saves a full copy per page.
    void DrawDIBTaking(int x1, int y1, int x2w, int y2w, dib& di, int xx1, int yy1, int xx2w, int yy2w);
    // Places the stored image "/Im<imageNR>" again.
    void DrawDIBOfImageNr(int x1, int y1, int x2w, int y2w, int imageNR, int xx1, int yy1, int xx2w, int yy2w);

    bool isInCreation() const { return isincreation; }
    bool ioError() const { return failed; }
    // Images of the last document whose encoding failed and that stand as a blank
    // placeholder in the file.
    int missingImages() const { return missingimages; }
    int imageCount() const { return images.Count(); }
    const ImageEntry& imageEntry(int i) const { return images[i]; }

    // Options, page size and drawing attributes.
    bool ispdfa = false;
    bool usejbig2 = false;
    bool usejpeg2000 = false;
    bool usetempfileforimages = false;
    std::int32_t PageWidth = 595;
    std::int32_t PageHeight = 841;
    TPDFPen pen;
    TPDFBrush brush;
    TPDFFont font;
    QPoint penpos;

    // Helpers with fixed output forms.
    static QByteArray ZeroPad(const QByteArray& text, int width);
    // c / 255 (c = 0 … 255) to 15 significant digits, from the exact quotient.
    static QByteArray ColorNumber(int c);
    static QByteArray EscapeText(const QString& text);
    static QByteArray PdfFontName(const QString& name, std::uint8_t style);
    // v × 83.33333333333333 (the double nearest 1000/12), exact product truncated.
    static std::int64_t FontUnits(std::int64_t v);
    // The measuring font: name, style, size in page units.
    static QFont MeasureFont(const QString& name, std::uint8_t style, int size);
    // 25 lowercase letters … the 436-byte metadata packet.
    static QByteArray MetadataPacket(const QByteArray& id);

    // Converts 4- and 8-bit palette images to 24 bits; false (image unchanged) otherwise.
    static bool ConvertTo24Bit(dib& di);
    // A copy with its own pixel memory; `poi` null when memory ran out.
    static dib CopyDib(const dib& src);

private:
    void placeImage(int x1, int y1, int x2w, int y2w, dib& di, int xx2w, int yy2w, bool take);
    // Output.
    void put(const char* data, qint64 size);
    void put(const QByteArray& bytes) { put(bytes.constData(), bytes.size()); }
    void putln(const QByteArray& bytes);
    void putFile(const char* data, qint64 size);

    // Objects.
    int BeginObj();
    int BeginDictObj();
    void EndObj();
    void EndDictObj();
    void OpenPageStream();
    void ClosePageStream();
    void WriteMetadata();
    void WriteFonts();
    void WriteFont(const FontEntry& entry);
    void WriteImage(ImageEntry& entry);
    void WritePlaceholderImage();
    bool WriteJbig2Image(const dib& image);
    bool WriteCcittImage(const dib& image);
    bool WriteJpegImage(const dib& image);
    void WriteXrefAndTrailer();
    void ReleaseImages();

    // Graphics state.
    void ApplyPen();
    void ApplyBrush();
    void ApplyFont();
    int FindFont(const QString& name, std::uint8_t style);
    QByteArray colorLine(std::uint32_t color, const char* op) const;
    void writePlacement(int x1, int y1, int x2w, int y2w, int imageNr);

    TDynaArray<ObjEntry> objs;
    TDynaArray<PageEntry> PageProps;
    TDynaArray<FontEntry> FontList;
    TDynaArray<ImageEntry> images;
    ImageEntry* aimag = nullptr;
    ObjEntry* aobj = nullptr;
    std::int32_t metaobjnr = 0;
    std::int32_t rootObjNr = 0;
    std::int32_t procobjsnr = 0;
    std::int32_t pageobjnr = 0;
    std::int32_t parentnr = 0;
    std::int32_t fontobjnr = 0;
    std::int32_t apages = 0;
    qint64 startxref = 0;
    qint64 startstream = 0;
    qint64 endstream = 0;
    int ofontnr = 0;
    int ofontsize = 0;
    bool fontsetted = false;
    bool brushsetted = false;
    bool pensetted = false;
    bool nofill = false;
    bool noline = false;
    bool isincreation = false;
    TPDFPen open;
    TPDFBrush oBrush;

    QFile f;
    qint64 filepos = 0; // bytes written to the file so far
    bool failed = false;
    int missingimages = 0;
    char* streambuf = nullptr;
    bool instream = false;
    qint64 sblen = 0;
};
