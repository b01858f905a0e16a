#pragma once
// The month plan as a PDF file: every page drawn into one reused off-screen image at
// 150 dots per inch and placed as a full-page JPEG picture, on pages of the printer's
// printable size. The file is written under a new name beside the target and replaces it
// only when complete.

#include "output/exportresult.h"

#include <QSize>

#include <functional>

class TRoster;
struct TMonthView;
struct TPlanSettings;

constexpr int kPdfExportDpi = 150;

// The printer page as the export needs it: printable width and height in device pixels
// and the horizontal resolution in dots per inch.
struct TPdfPageGeometry {
    int width = 0;
    int height = 0;
    int dpi = 0;

    // Page image size: width × 150 div dpi by height × 150 div dpi (empty when invalid).
    QSize ImageSize() const;
    // PDF page size in points: width × 72 div dpi by height × 72 div dpi.
    QSize PointSize() const;
};

// Writes every page of the month of `view` to `fileName`. view.page goes through the
// pages and is set back afterwards; `pageShown` is told every value it takes. `count` is
// the page count known before (the screen view's). BadPage for a geometry without a
// usable size, CannotCreate when the file cannot be created, WriteFailed when writing,
// the image memory or the final rename fails; a file of that name then stays as it was.
TExportResult ExportMonthPdf(const QString& fileName, const TPdfPageGeometry& geometry, TRoster& roster,
    const TPlanSettings& settings, TMonthView& view, int count, const std::function<void(double page)>& pageShown = {});
