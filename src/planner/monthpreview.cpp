#include "planner/monthpreview.h"

#include "core/canvas.h"

#include <algorithm>
#include <cmath>

QSize PreviewSize(const TPrintablePage& page, int dpi1, double zoom)
{
    if (page.dpi <= 0)
        return {0, 0};
    const auto scaled
        = [&](int pixels) { return int(std::trunc(zoom * (double(qint64(pixels) * dpi1) / page.dpi) / 100.0)); };
    return {std::max(0, scaled(page.width)), std::max(0, scaled(page.height))};
}

TMonthGeometry RenderMonthPreview(QImage& image, const TPrintablePage& page, int dpi1, double zoom, TRoster& roster,
    const TPlanSettings& settings, const TMonthView& view, const TMonthOverlay& overlay,
    const std::function<void(TCanvas&)>& finish)
{
    const QSize size = PreviewSize(page, dpi1, zoom);
    if (size.isEmpty()) {
        image = QImage();
        return {};
    }
    if (image.size() != size || image.format() != QImage::Format_RGB32)
        image = NewPageImage(size, QImage::Format_RGB32);
    // Drawn in the image's own pixels: a ratio the caller gave the last picture would
    // make the painter scale everything once more.
    image.setDevicePixelRatio(1.0);
    image.fill(Qt::white);
    TCanvas canvas(&image, dpi1);
    const TMonthGeometry geo
        = DrawMonth(canvas, size.width(), size.height(), dpi1, page.dpi, zoom, false, roster, settings, view, overlay);
    if (finish)
        finish(canvas);
    return geo;
}
