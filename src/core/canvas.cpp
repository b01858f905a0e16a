#include "core/canvas.h"

#include <QHash>
#include <QImage>
#include <QPaintDevice>
#include <QStaticText>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sys/mman.h>

QColor ColorOfRef(std::uint32_t ref)
{
    if ((ref >> 24) != 0)
        return QColor(0, 0, 0);
    return ColorFromRef(ref);
}

namespace {
// Shaped texts and measurements, shared by every canvas of the thread. The month grid is
// redrawn on every mouse move with mostly the same texts in the same few fonts; shaping
// them once keeps a redraw cheap. Keys hold the font, the device resolution and the text.
struct TextCache {
    QHash<QString, int> widths;
    QHash<QString, QStaticText> shaped;
    QHash<QString, QPair<int, int>> ascentDescent;

    void bound()
    {
        constexpr qsizetype kMax = 20000;
        if (widths.size() > kMax)
            widths.clear();
        if (shaped.size() > kMax)
            shaped.clear();
        if (ascentDescent.size() > kMax)
            ascentDescent.clear();
    }
};
TextCache& textCache()
{
    thread_local TextCache cache;
    return cache;
}
} // namespace

QImage NewPageImage(const QSize& size, QImage::Format format)
{
#if defined(MADV_HUGEPAGE)
    constexpr qsizetype kLargePage = qsizetype(2) << 20;
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    if (!size.isEmpty() && depth > 0 && size.width() < 100000 && size.height() < 100000) {
        const qsizetype bytesPerLine = ((qsizetype(size.width()) * depth + 31) / 32) * 4;
        const qsizetype bytes = bytesPerLine * size.height();
        if (bytes >= kLargePage) {
            const qsizetype rounded = (bytes + kLargePage - 1) / kLargePage * kLargePage;
            if (void* data = std::aligned_alloc(size_t(kLargePage), size_t(rounded))) {
                ::madvise(data, size_t(rounded), MADV_HUGEPAGE); // a hint; failure only costs faults
                return QImage(
                    static_cast<uchar*>(data), size.width(), size.height(), bytesPerLine, format,
                    [](void* p) { std::free(p); }, data);
            }
        }
    }
#endif
    return QImage(size, format);
}

TCanvas::TCanvas(QPaintDevice* device, int deviceDpi)
{
    if (device != nullptr && device->devType() == QInternal::Image)
        image_ = static_cast<QImage*>(device);
    if (device != nullptr && !(image_ != nullptr && image_->isNull())) {
        ownPainter_ = std::make_unique<QPainter>();
        if (ownPainter_->begin(device))
            painter_ = ownPainter_.get();
        else
            ownPainter_.reset();
    }
    if (painter_ == nullptr)
        image_ = nullptr;
    init(deviceDpi);
}

TCanvas::TCanvas(QPainter* painter, int deviceDpi)
    : painter_(painter != nullptr && painter->isActive() ? painter : nullptr)
{
    if (painter_ != nullptr) {
        painter_->save();
        if (painter_->device() != nullptr && painter_->device()->devType() == QInternal::Image)
            image_ = static_cast<QImage*>(painter_->device());
    }
    init(deviceDpi);
}

TCanvas::~TCanvas()
{
    if (ownPainter_)
        ownPainter_->end();
    else if (painter_ != nullptr)
        painter_->restore();
}

void TCanvas::init(int deviceDpi)
{
    if (deviceDpi > 0)
        deviceDpi_ = deviceDpi;
    else if (painter_ != nullptr && painter_->device() != nullptr && painter_->device()->logicalDpiY() > 0)
        deviceDpi_ = painter_->device()->logicalDpiY();
    fontResolution_ = deviceDpi_;
    if (painter_ != nullptr) {
        painter_->setRenderHint(QPainter::Antialiasing, false);
        painter_->setRenderHint(QPainter::SmoothPixmapTransform, false);
    }
    font_ = QFont(QStringLiteral("Arial"));
    applyFont();
}

bool TCanvas::IsActive() const
{
    return painter_ != nullptr;
}

QPaintDevice* TCanvas::Device() const
{
    return painter_ != nullptr ? painter_->device() : nullptr;
}

// ---- font -------------------------------------------------------------------------------

void TCanvas::AssignFont(const TFontRec& f)
{
    font_ = QFont(f.name);
    font_.setBold(f.style & TFontRec::Bold);
    font_.setItalic(f.style & TFontRec::Italic);
    font_.setUnderline(f.style & TFontRec::Underline);
    font_.setStrikeOut(f.style & TFontRec::StrikeOut);
    if (f.pitch == 2)
        font_.setFixedPitch(true);
    font_.setStyleStrategy(QFont::PreferDefault);
    fontColor_ = ColorOfRef(static_cast<std::uint32_t>(f.color));
    textColor_ = fontColor_;
    // Points → character height at this device's resolution, rounded like MulDiv.
    const std::int64_t size = std::clamp<std::int32_t>(f.size, 1, 10000);
    const int px = static_cast<int>((size * deviceDpi_ + 36) / 72);
    fontHeight_ = -std::max(1, px);
    applyFont();
}

void TCanvas::TakeFont(const TFontRec& f, int dpi1, double zoomedvalue)
{
    AssignFont(f);
    SetFontResolution(dpi1);
    double scaled = fontHeight_ * zoomedvalue / 100.0;
    if (!std::isfinite(scaled))
        scaled = -1;
    scaled = std::clamp(scaled, -100000.0, 100000.0);
    SetFontHeight(static_cast<int>(std::trunc(scaled)));
}

void TCanvas::SetFontHeight(int height)
{
    fontHeight_ = height == 0 ? 1 : std::clamp(height, -100000, 100000);
    applyFont();
}

void TCanvas::SetFontBold(bool bold)
{
    font_.setBold(bold);
    applyFont();
}

void TCanvas::SetFontItalic(bool italic)
{
    font_.setItalic(italic);
    applyFont();
}

void TCanvas::SetFontColor(const QColor& c)
{
    fontColor_ = c;
    textColor_ = c;
}

void TCanvas::applyFont()
{
    // Negative heights are the character height, which is the font's pixel size. A
    // positive height is the cell height (ascent + descent): scale the pixel size by the
    // face's ratio of character height to cell height.
    int px = std::abs(fontHeight_);
    if (fontHeight_ > 0) {
        QFont probe = font_;
        probe.setPixelSize(100);
        const QFontMetrics fm = painter_ != nullptr ? QFontMetrics(probe, painter_->device()) : QFontMetrics(probe);
        const int cell = fm.ascent() + fm.descent();
        if (cell > 0)
            px = static_cast<int>(std::lround(fontHeight_ * 100.0 / cell));
    }
    font_.setPixelSize(std::max(1, px));
    if (painter_ != nullptr)
        painter_->setFont(font_);
    metrics_.reset();
    const int dpiX = painter_ != nullptr && painter_->device() != nullptr ? painter_->device()->logicalDpiX() : 0;
    const int dpiY = painter_ != nullptr && painter_->device() != nullptr ? painter_->device()->logicalDpiY() : 0;
    fontKey_ = font_.key() + QStringLiteral("@%1x%2").arg(dpiX).arg(dpiY) + QChar(0);
}

QPair<int, int> TCanvas::ascentDescent()
{
    TextCache& cache = textCache();
    auto it = cache.ascentDescent.constFind(fontKey_);
    if (it != cache.ascentDescent.constEnd())
        return *it;
    const QFontMetrics& fm = metrics();
    const QPair<int, int> ad(fm.ascent(), fm.descent());
    cache.bound();
    cache.ascentDescent.insert(fontKey_, ad);
    return ad;
}

const QFontMetrics& TCanvas::metrics()
{
    if (!metrics_) {
        if (painter_ != nullptr)
            metrics_.emplace(font_, painter_->device());
        else
            metrics_.emplace(font_);
    }
    return *metrics_;
}

int TCanvas::TextWidth(const QString& text)
{
    if (text.isEmpty())
        return 0;
    TextCache& cache = textCache();
    const QString key = fontKey_ + text;
    auto it = cache.widths.constFind(key);
    if (it != cache.widths.constEnd())
        return *it;
    const int width = metrics().horizontalAdvance(text);
    cache.bound();
    cache.widths.insert(key, width);
    return width;
}

int TCanvas::TextHeight(const QString&)
{
    const QPair<int, int> ad = ascentDescent();
    return ad.first + ad.second;
}

// ---- drawing --------------------------------------------------------------------------

void TCanvas::FillRect(int x1, int y1, int x2, int y2, const QColor& c)
{
    if (painter_ == nullptr || x2 <= x1 || y2 <= y1)
        return;
    painter_->fillRect(QRect(x1, y1, x2 - x1, y2 - y1), c);
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2)
{
    if (painter_ == nullptr || x2 <= x1 || y2 <= y1)
        return;
    if (x2 - x1 <= 2 || y2 - y1 <= 2) {
        FillRect(x1, y1, x2, y2, penColor_);
        return;
    }
    if (brushSolid_)
        FillRect(x1 + 1, y1 + 1, x2 - 1, y2 - 1, brushColor_);
    FillRect(x1, y1, x2, y1 + 1, penColor_);
    FillRect(x1, y2 - 1, x2, y2, penColor_);
    FillRect(x1, y1 + 1, x1 + 1, y2 - 1, penColor_);
    FillRect(x2 - 1, y1 + 1, x2, y2 - 1, penColor_);
}

void TCanvas::MoveTo(int x, int y)
{
    penPos_ = QPoint(x, y);
}

void TCanvas::LineTo(int x, int y)
{
    const QPoint from = penPos_;
    penPos_ = QPoint(x, y);
    if (painter_ == nullptr || from == penPos_)
        return;
    if (from.y() == y) {
        if (x > from.x())
            FillRect(from.x(), y, x, y + 1, penColor_);
        else
            FillRect(x + 1, y, from.x() + 1, y + 1, penColor_);
        return;
    }
    if (from.x() == x) {
        if (y > from.y())
            FillRect(x, from.y(), x + 1, y, penColor_);
        else
            FillRect(x, y + 1, x + 1, from.y() + 1, penColor_);
        return;
    }
    // Slanted lines: Bresenham from the start point, the end point left out.
    const int dx = std::abs(x - from.x()), dy = -std::abs(y - from.y());
    const int stepX = from.x() < x ? 1 : -1, stepY = from.y() < y ? 1 : -1;
    int err = dx + dy;
    int cx = from.x(), cy = from.y();
    painter_->save();
    painter_->setPen(QPen(penColor_, 1));
    while (cx != x || cy != y) {
        painter_->drawPoint(cx, cy);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            cx += stepX;
        }
        if (e2 <= dx) {
            err += dx;
            cy += stepY;
        }
    }
    painter_->restore();
}

void TCanvas::TextOut(int x, int y, const QString& text)
{
    if (painter_ == nullptr || text.isEmpty())
        return;
    if (brushSolid_)
        FillRect(x, y, x + TextWidth(text), y + TextHeight(text), brushColor_);
    if (painter_->pen().color() != textColor_ || painter_->pen().style() != Qt::SolidLine)
        painter_->setPen(textColor_);
    // The text laid out once per font and device, then only placed: its top-left corner
    // at (x, y), the baseline one ascent below.
    TextCache& cache = textCache();
    const QString key = fontKey_ + text;
    auto it = cache.shaped.find(key);
    if (it == cache.shaped.end()) {
        cache.bound();
        QStaticText shaped(text);
        shaped.setTextFormat(Qt::PlainText);
        shaped.setPerformanceHint(QStaticText::AggressiveCaching);
        shaped.prepare(painter_->transform(), font_);
        it = cache.shaped.insert(key, shaped);
    }
    painter_->drawStaticText(QPoint(x, y), *it);
}

void TCanvas::InvertRect(int x1, int y1, int x2, int y2)
{
    if (painter_ == nullptr || image_ == nullptr || x2 <= x1 || y2 <= y1)
        return;
    // XOR with white flips red, green and blue and leaves alpha alone.
    painter_->save();
    painter_->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter_->fillRect(QRect(x1, y1, x2 - x1, y2 - y1), QColor(255, 255, 255));
    painter_->restore();
}
