#pragma once
// Printing the paged plans: one loop over the pages of a plan that the month plan, the
// day list and the PDF export share, and the print job around it on any paged device
// (a printer, or a PDF writer in tests and tools). The drawing routines compute their page
// count while drawing, for the geometry they were given, so the loop reads the count
// again after every page instead of trusting the count of the screen view.

#include "output/exportresult.h"

#include <functional>

class QPagedPaintDevice;
class TCanvas;
class TRoster;
struct TMonthView;
struct TPlanSettings;

// The largest page number the page selectors hold: the loop never goes beyond it.
constexpr int kMaxPrintPages = 10000;

// Draws page n and returns the page count that drawing computed.
using TDrawPageFn = std::function<int(int page)>;
// Starts the next page of the output; false stops the loop (the device failed).
using TNewPageFn = std::function<bool()>;

struct TPageLoopResult {
    int pages = 0; // pages drawn
    bool stopped = false; // a new page could not be started
};

// Pages 1, 2, … while page ≤ count: starts a new page before every page but the first,
// draws it, and takes the count the drawing returned as the bound for the next step.
// `count` is the page count known before the loop (the screen view's); one page is
// always drawn.
TPageLoopResult RunPageLoop(int count, const TDrawPageFn& drawPage, const TNewPageFn& newPage);

// Draws one page onto `canvas` (w × h device pixels at `dpi`) and returns the page count.
using TPrintPageFn = std::function<int(TCanvas& canvas, int w, int h, int dpi, int page)>;

// A print job on `device`: begins painting (CannotCreate when the device refuses), runs
// the page loop with the device's printable size and horizontal resolution, and ends the
// job (WriteFailed when a page could not be started or the device reports a failure at
// the end). The caller sets the document title on the device beforehand.
TExportResult PrintPages(QPagedPaintDevice& device, int count, const TPrintPageFn& drawPage);

// The month plan: every page of the month drawn by DrawMonth at the device's resolution
// and 100 % zoom, without screen marks. view.page goes through the pages and is set back
// to its value afterwards; `pageShown` is told every value it takes (the page selector
// follows it on screen). `count` is the page count of the screen view.
TExportResult PrintMonth(QPagedPaintDevice& device, TRoster& roster, const TPlanSettings& settings, TMonthView& view,
    int count, const std::function<void(double page)>& pageShown = {});
