#include "output/printing.h"

#include "core/canvas.h"
#include "planner/monthgrid.h"

#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>

TPageLoopResult RunPageLoop(int count, const TDrawPageFn& drawPage, const TNewPageFn& newPage)
{
    TPageLoopResult result;
    for (int page = 1; page == 1 || (page <= count && page <= kMaxPrintPages); ++page) {
        if (page != 1 && !newPage()) {
            result.stopped = true;
            break;
        }
        count = drawPage(page);
        ++result.pages;
    }
    return result;
}

TExportResult PrintPages(QPagedPaintDevice& device, int count, const TPrintPageFn& drawPage)
{
    TExportResult result;
    const int w = device.width();
    const int h = device.height();
    const int dpi = device.logicalDpiX();
    if (w <= 0 || h <= 0 || dpi <= 0) {
        result.status = TExportStatus::BadPage;
        return result;
    }
    QPainter painter;
    if (!painter.begin(&device)) {
        result.status = TExportStatus::CannotCreate;
        return result;
    }
    const TPageLoopResult loop = RunPageLoop(
        count,
        [&](int page) {
            TCanvas canvas(&painter, dpi);
            return drawPage(canvas, w, h, dpi, page);
        },
        [&] { return device.newPage(); });
    result.pages = loop.pages;
    const bool ended = painter.end();
    if (loop.stopped || !ended)
        result.status = TExportStatus::WriteFailed;
    return result;
}

TExportResult PrintMonth(QPagedPaintDevice& device, TRoster& roster, const TPlanSettings& settings, TMonthView& view,
    int count, const std::function<void(double page)>& pageShown)
{
    const double remembered = view.Page();
    auto show = [&](double page) {
        view.page = page;
        if (pageShown)
            pageShown(page);
    };
    const TExportResult result = PrintPages(device, count, [&](TCanvas& canvas, int w, int h, int dpi, int page) {
        show(page);
        return DrawMonth(canvas, w, h, dpi, dpi, 100, true, roster, settings, view).maxseiten;
    });
    show(remembered);
    return result;
}
