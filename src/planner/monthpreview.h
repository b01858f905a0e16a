#pragma once
// The month plan's on-screen preview without widgets: the printer page it stands for, the
// size of the preview image at a screen resolution and zoom, and the drawing of the image.
// The Monatsplaner page and the command-line tool both draw through here.

#include "output/printablepage.h"
#include "planner/monthgrid.h"

#include <QImage>
#include <QSize>

#include <functional>

class TCanvas;
class TRoster;
struct TPlanSettings;

// Width and height of the preview: the printer page scaled to the screen resolution
// `dpi1` and to `zoom` percent, truncated.
QSize PreviewSize(const TPrintablePage& page, int dpi1, double zoom);

// Draws the preview into `image`: resized to PreviewSize when it differs (a null image for
// an empty size), made white, and page view.Page() drawn by DrawMonth at the screen
// resolution `dpi1` with the printer's resolution as dpi2 and the marks and hover cell of
// `overlay`; then `finish` may draw more on the same canvas, in the state the grid left it
// (the typed abbreviation). Returns the geometry of the drawing (empty for an empty size).
// On a screen with a device pixel ratio r the caller passes the zoom multiplied by r and
// gives the image the ratio r afterwards: the page is then drawn sharp at the screen's
// pixels. The drawing itself always starts at a ratio of 1.
TMonthGeometry RenderMonthPreview(QImage& image, const TPrintablePage& page, int dpi1, double zoom, TRoster& roster,
    const TPlanSettings& settings, const TMonthView& view, const TMonthOverlay& overlay = {},
    const std::function<void(TCanvas&)>& finish = {});
