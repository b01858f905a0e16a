#pragma once
// TCanvas: raster drawing with fixed pixel rules over QPainter, for any paint device (the
// preview image, a printer page, the page images of the PDF export).
//
// Rules every drawing routine relies on:
// - Rectangle(x1, y1, x2, y2) covers x1 … x2-1 and y1 … y2-1: the outline in the pen
//   colour, the inside in the brush colour (left open while the brush is clear). Empty or
//   inverted rectangles draw nothing.
// - MoveTo/LineTo draw from the current point up to, but not including, the end point,
//   which becomes the new current point.
// - TextOut(x, y) puts the top-left corner of the text cell at (x, y) and fills the cell
//   (TextWidth × TextHeight) with the brush colour while the brush is solid.
// - TextWidth/TextHeight measure with the font as it is used on this device.
// - Pens are one pixel wide and solid; there is no antialiasing of edges.

#include "core/plansettings.h"

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QString>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

class QPaintDevice;

class TCanvas {
public:
    // Paints on `device` through a painter of its own (begun here, ended in the destructor).
    // `deviceDpi` overrides the resolution fonts are converted to (0 = the device's own).
    explicit TCanvas(QPaintDevice* device, int deviceDpi = 0);
    // Paints through a painter that is already active (a printer's page loop). The
    // painter's state is saved here and restored in the destructor.
    explicit TCanvas(QPainter* painter, int deviceDpi = 0);
    ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    bool IsActive() const;
    QPaintDevice* Device() const;
    QPainter* Painter() { return painter_; }
    // The resolution font sizes are converted to: logical dots per inch of the device.
    int DeviceDpi() const { return deviceDpi_; }

    // --- font -----------------------------------------------------------------------
    // Face, style, colour and character set of `f`; the height is its character height
    // converted to DeviceDpi() (negative: character height).
    void AssignFont(const TFontRec& f);
    // "Taking a font": AssignFont, resolution `dpi1`, height Trunc(height × zoom / 100),
    // 0 becoming 1. The sign of the height is kept.
    void TakeFont(const TFontRec& f, int dpi1, double zoomedvalue);
    // Height in the font convention: negative = character height, positive = cell height;
    // 0 becomes 1.
    void SetFontHeight(int height);
    int FontHeight() const { return fontHeight_; }
    // The font's resolution as set by TakeFont/SetFontResolution; kept for callers that
    // scale by it, it does not change the pixel height.
    void SetFontResolution(int dpi) { fontResolution_ = dpi; }
    int FontResolution() const { return fontResolution_; }
    void SetFontBold(bool bold);
    void SetFontItalic(bool italic);
    // Font colour; also the text colour until the next SetTextColor.
    void SetFontColor(const QColor& c);
    QColor FontColor() const { return fontColor_; }
    // Colour of the following text output; taking or assigning a font, or setting the font
    // colour, returns to the font colour.
    void SetTextColor(const QColor& c) { textColor_ = c; }
    QColor TextColor() const { return textColor_; }
    const QFont& Font() const { return font_; }
    // Font and device resolution in one text: equal keys measure every text alike.
    const QString& FontKey() const { return fontKey_; }

    // --- pen and brush ----------------------------------------------------------------
    void SetPenColor(const QColor& c) { penColor_ = c; }
    QColor PenColor() const { return penColor_; }
    // Sets the brush colour and makes the brush solid.
    void SetBrushColor(const QColor& c)
    {
        brushColor_ = c;
        brushSolid_ = true;
    }
    void SetBrushClear() { brushSolid_ = false; }
    void SetBrushSolid() { brushSolid_ = true; }
    bool BrushSolid() const { return brushSolid_; }
    QColor BrushColor() const { return brushColor_; }

    // --- drawing ----------------------------------------------------------------------
    void Rectangle(int x1, int y1, int x2, int y2);
    // Fills x1 … x2-1, y1 … y2-1 with `c`, ignoring pen and brush.
    void FillRect(int x1, int y1, int x2, int y2, const QColor& c);
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    QPoint PenPos() const { return penPos_; }
    void TextOut(int x, int y, const QString& text);
    int TextWidth(const QString& text);
    int TextHeight(const QString& text);
    // Inverts the colour of every pixel of x1 … x2-1, y1 … y2-1. Only image devices are
    // changed; on other devices (printers, PDF) nothing happens.
    void InvertRect(int x1, int y1, int x2, int y2);

private:
    void init(int deviceDpi);
    void applyFont();
    const QFontMetrics& metrics();
    QPair<int, int> ascentDescent();

    std::unique_ptr<QPainter> ownPainter_;
    QPainter* painter_ = nullptr;
    QImage* image_ = nullptr; // the device, when it is an image
    int deviceDpi_ = 96;
    QFont font_;
    int fontHeight_ = -11;
    int fontResolution_ = 96;
    QColor fontColor_ = Qt::black;
    QColor textColor_ = Qt::black;
    QColor penColor_ = Qt::black;
    QColor brushColor_ = Qt::white;
    bool brushSolid_ = true;
    QPoint penPos_;
    std::optional<QFontMetrics> metrics_;
    QString fontKey_; // font, device resolution: the key of cached texts and measures
};

// A number the drawing routines take from controls or files (zoom, margin, page): NaN and
// infinities become `fallback`, anything else is held within lo … hi.
inline double SaneValue(double v, double lo, double hi, double fallback)
{
    if (!std::isfinite(v))
        return fallback;
    return std::clamp(v, lo, hi);
}

// Colour of a stored colour value (0x00BBGGRR); system colours (top byte set) map to the
// colours such a value usually stands for in text: black.
QColor ColorOfRef(std::uint32_t ref);

// A new image to draw a page into. A large one lies in memory the system may back with
// large pages, so that touching it the first time costs a few faults instead of one per
// 4 KiB; its pixels are undefined until drawn.
QImage NewPageImage(const QSize& size, QImage::Format format);
