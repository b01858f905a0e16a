#pragma once
// The screen pictures of the day list and the year overview without widgets: the printer
// page scaled to the screen at the view's zoom, made white and drawn. The two pages and
// the command-line tool draw through here.

#include "output/printablepage.h"
#include "views/dayview.h"
#include "views/yearview.h"

#include <QImage>

// `image` becomes the page (ScaledPageSize of `page` at `screenDpi` and `zoom`), white,
// with page view.Page() of the day list drawn on it. For a screen with a device pixel
// ratio r, pass the zoom multiplied by r and give the image the ratio r.
TDayGeometry RenderDayPreview(QImage& image, const TPrintablePage& page, int screenDpi, double zoom,
    const TRoster& roster, const TPlanSettings& settings, const TDayView& view);

// The same for the year overview of the employee selected in `view`.
TYearGeometry RenderYearPreview(QImage& image, const TPrintablePage& page, int screenDpi, double zoom,
    const TRoster& roster, const TPlanSettings& settings, const TYearView& view);
