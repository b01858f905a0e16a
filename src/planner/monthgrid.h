#pragma once
// The month grid: one page of the month plan drawn onto a TCanvas, and the geometry that
// the drawing leaves behind. The geometry is the one place that maps pixels to cells and
// page rows to employees, so a mouse hit never disagrees with what was drawn.

#include "core/plansettings.h"

#include <QDate>
#include <QPoint>
#include <QString>

#include <array>
#include <vector>

class TCanvas;
class TRoster;

// What the planner shows, besides the roster and its settings.
struct TMonthView {
    int month = 1; // Mon2Ed, 1 … 12
    int year = 2000; // Year2Ed
    double page = 1; // SeiteEd, the page to draw (1-based)
    int filter = 0; // MitarbeiterCombo: 0 = every active employee, i ≥ 1 = only the i-th
    QDate today; // date in the heading; invalid = Clock::today()
    bool showCoverage = false; // "Besetzung anzeigen": a count row per staffed duty below the employees

    int Page() const; // Trunc(page), at least 1
};

// Marks of the current page: 31 days × 100 page rows, 1-based. Every access is
// bounds-checked: reads outside give false, writes outside are ignored.
class TMarks {
public:
    static constexpr int kDays = 31;
    static constexpr int kRows = 100;

    bool Get(int day, int row) const;
    void Set(int day, int row, bool value);
    void Clear();
    bool RowMarked(int row) const;
    bool Any() const;

private:
    std::array<std::array<bool, kRows>, kDays> cells_{};
};

// Marks, hover cell and keyboard cursor as the drawing shows them (screen only).
struct TMonthOverlay {
    const TMarks* marks = nullptr;
    int aktivx = 0; // hover day, 0 = none
    int aktivy = 0; // hover page row, 0 = none
    int cursorx = 0; // keyboard cursor day, 0 = none
    int cursory = 0; // keyboard cursor page row, 0 = none
    bool ruleMarkers = false; // mark cells that break a planning rule
    // Duties of an automatic proposal, drawn hatched into cells without an entry: per
    // roster person, 31 days (person × 31 + day - 1 → 0-based duty, -1 none).
    const std::vector<int>* proposal = nullptr;
};

// Geometry of a drawn month page.
struct TMonthGeometry {
    int zhoch = 0; // row height
    int zeilen = 0; // row budget of a page; a page holds zeilen - 1 rows
    int maxseiten = 1; // pages of the month
    int sx = 0, sy = 0; // top left of day 1, row 1
    int wx = 0, wy = 0; // cell width and height
    int ax = 0; // days of the month
    int ay = 0; // rows of the month over all pages, blank rows included
    int page = 1; // the page drawn

    // Rows on the drawn page that can be hit and marked: min(zeilen - 1,
    // ay - (page - 1) × (zeilen - 1)), kept within 0 … 100.
    int RowsOnPage() const;
    // Overall row (0-based) of page row 1; -1 when a page holds no rows.
    long long PageBase() const;
    // Cell (day, row) covers sx + (d-1)·wx … sx + d·wx and sy + (r-1)·wy … sy + r·wy,
    // both bounds included.
    bool CellContains(int day, int row, int x, int y) const;
    // Every cell under (x, y), days first, rows second, both ascending.
    std::vector<QPoint> CellsAt(int x, int y) const; // QPoint(day, row)
    bool operator==(const TMonthGeometry&) const = default;
};

// One row of the month over all pages: the employee's own row or one of its blank rows.
struct TMonthRow {
    int person = -1; // index into roster.personen
    int number = 0; // e: 1-based number among the employees active in the month
    int blank = 0; // 0 = own row, 1 and 2 = blank rows
};

// Rows of the month in order: the active employees in list order, restricted by the
// filter, each followed by two blank rows when `addFreeLines`.
std::vector<TMonthRow> MonthRows(const TRoster& roster, int year, int month, int filter, bool addFreeLines);
// Indices into roster.personen of the employees active in the month, in list order (the
// items 1 … n of the employee filter).
std::vector<int> ActiveEmployees(const TRoster& roster, int year, int month);

// The geometry DrawMonth would leave for the same arguments, without drawing and without
// touching the hours. Measures on `canvas`.
TMonthGeometry LayoutMonth(TCanvas& canvas, int w, int h, int dpi1, double zoomedvalue, const TRoster& roster,
    const TPlanSettings& settings, const TMonthView& view);
// The same, measured on an off-screen image (the device the preview is drawn into).
TMonthGeometry LayoutMonth(int w, int h, int dpi1, double zoomedvalue, const TRoster& roster,
    const TPlanSettings& settings, const TMonthView& view);

// Draws page view.Page() of the month onto `canvas` (which the caller has made white) and
// returns its geometry. Records the month's hours of every shown employee and recomputes
// their balances when the sum columns are on. `printit`: no hover frame, no marks.
// `dpi2` is the printer resolution, passed along by every caller and not needed here.
TMonthGeometry DrawMonth(TCanvas& canvas, int w, int h, int dpi1, int dpi2, double zoomedvalue, bool printit,
    TRoster& roster, const TPlanSettings& settings, const TMonthView& view, const TMonthOverlay& overlay = {});
