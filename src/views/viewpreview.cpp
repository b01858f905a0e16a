#include "views/viewpreview.h"

#include "core/canvas.h"

#include <memory>

namespace {
std::unique_ptr<TCanvas> whitePage(QImage& image, const TPrintablePage& page, int screenDpi, double zoom)
{
    const QSize size = ScaledPageSize(page.width, page.height, page.dpi, screenDpi, zoom);
    image = NewPageImage(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    return std::make_unique<TCanvas>(&image, screenDpi);
}
} // namespace

TDayGeometry RenderDayPreview(QImage& image, const TPrintablePage& page, int screenDpi, double zoom,
    const TRoster& roster, const TPlanSettings& settings, const TDayView& view)
{
    const auto canvas = whitePage(image, page, screenDpi, zoom);
    return DrawDay(*canvas, image.width(), image.height(), screenDpi, page.dpi, zoom, false, roster, settings, view);
}

TYearGeometry RenderYearPreview(QImage& image, const TPrintablePage& page, int screenDpi, double zoom,
    const TRoster& roster, const TPlanSettings& settings, const TYearView& view)
{
    const auto canvas = whitePage(image, page, screenDpi, zoom);
    return DrawYear(*canvas, image.width(), image.height(), screenDpi, page.dpi, zoom, false, roster, settings, view);
}
