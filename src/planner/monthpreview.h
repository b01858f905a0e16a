#pragma once
// The month plan's on-screen preview without widgets: the printer page it stands for, the
// size of the preview image at a screen resolution and zoom, and the drawing of the image.
// The Monatsplaner page and the command-line tool both draw through here.

#include "planner/monthgrid.h"

#include <QImage>
#include <QSize>

#include <functional>

class TCanvas;
class TRoster;
struct TPlanSettings;

// The page of the current printer the preview shows: its printable size in device pixels
// and its resolution.
struct TPrinterPage {
    int width = 0;
    int height = 0;
    int dpi = 600;
};

// The page when no printer is installed: A4 in landscape at 600 dpi.
TPrinterPage DefaultPrinterPage();

// Width and height of the preview: the printer page scaled to the screen resolution
// `dpi1` and to `zoom` percent, truncated.
QSize PreviewSize(const TPrinterPage& page, int dpi1, int zoom);

// Draws the preview into `image`: resized to PreviewSize when it differs (a null image for
// an empty size), made white, and page view.Page() drawn by DrawMonth at the screen
// resolution `dpi1` with the printer's resolution as dpi2 and the marks and hover cell of
// `overlay`; then `finish` may draw more on the same canvas, in the state the grid left it
// (the typed abbreviation). Returns the geometry of the drawing (empty for an empty size).
TMonthGeometry RenderMonthPreview(QImage& image, const TPrinterPage& page, int dpi1, int zoom, TRoster& roster,
    const TPlanSettings& settings, const TMonthView& view, const TMonthOverlay& overlay = {},
    const std::function<void(TCanvas&)>& finish = {});
