#pragma once
// The planner's editing logic without widgets: marking cells with the mouse, typed duty
// abbreviations, mapping page rows to employees, and the operations on marked cells
// (duty, extra hours, target hours) and on the whole month (copy the previous month).
//
// Operations act on the rows of a geometry the caller computed after any reload of the
// person list (DrawMonth or LayoutMonth), never on an older one.

#include "planner/monthgrid.h"

#include <QChar>
#include <QString>

template <typename T> class TDynaArray;
struct TDienst;

// What a typed character asks the page to do.
struct TKeyResult {
    bool repaint = false;
    int dienst = 0; // ≥ 1: a duty matched; select it (1-based) and run the duty assignment
};

// Keys that move the grid's cursor or act on the marks.
enum class TGridKey { Left, Right, Up, Down, Home, End, PageUp, PageDown, First, Space, Escape };

// What a cursor key asks the page to do.
struct TCursorResult {
    bool handled = false;
    int page = 0; // ≥ 1: show this page (the cursor moved onto it)
};

// Marks, hover cell, keyboard cursor, drag state and typed characters of the month grid.
class TMonthSelection {
public:
    TMarks select;
    bool selmode = false; // value written into cells while dragging
    bool selecting = false; // the left button went down in the grid and is not released
    int ox = 0, oy = 0; // previous mouse position while selecting
    int aktivx = 0, aktivy = 0; // hover cell (day, page row); 0, 0 = none
    QString dienststr; // characters typed so far
    // Keyboard cursor (day, page row), shown once a key or a press in the grid put it
    // there; the anchor is the corner a Shift movement extends the marked block from.
    bool cursorOn = false;
    int cx = 1, cy = 1;
    int anchorx = 1, anchory = 1;

    TMonthOverlay Overlay() const { return {&select, aktivx, aktivy, cursorOn ? cx : 0, cursorOn ? cy : 0}; }

    // A cursor key. With Shift the block from the anchor to the cursor becomes the marks,
    // within the page; Escape leaves no marks and no typed characters. Arrows past the
    // first or last row, Page Up/Down and First (Ctrl+Home) may ask for another page; the
    // cursor keeps its page row there, clamped.
    TCursorResult CursorKey(const TMonthGeometry& geo, TGridKey key, bool shift);
    // Keeps the cursor within the days and rows of the page (after a change of month,
    // page, filter or layout). True when it moved.
    bool ClampCursor(const TMonthGeometry& geo);
    // The cells an assignment by key acts on: the marks, or the cursor's cell when nothing
    // is marked on the rows shown (none when the cursor is off).
    TMarks KeyTargets(const TMonthGeometry& geo) const;
    // After an assignment by key: the cursor moves to the next day of the month.
    void CursorToNextDay(const TMonthGeometry& geo);

    // Press: only the left button acts; clears the marks and marks the cells under the
    // point, where the cursor and anchor go too. True when the grid must be repainted
    // (and the focus go to the key field).
    bool MouseDown(const TMonthGeometry& geo, int x, int y, bool leftButton);
    // Move: while selecting, eleven points from the previous to this position are marked
    // (each hit cell also becomes the hover cell); otherwise only the hover cell follows.
    // Always asks for a repaint.
    bool MouseMove(const TMonthGeometry& geo, int x, int y);
    // Release of any button.
    void MouseUp() { selecting = false; }
    // "Markierung aufheben".
    void ClearMarks() { select.Clear(); }
    // One typed character; 13 is Enter.
    TKeyResult KeyPress(QChar c, const TDynaArray<TDienst>& dienste);
};

// Upper case of the letters a … z only; every other character stays as it is.
QString FoldAbbrev(const QString& s);
// 1-based position of the first duty whose abbreviation equals `typed` after folding
// both, 0 when none does or `typed` is empty.
int MatchAbbrev(const TDynaArray<TDienst>& dienste, const QString& typed);

// Index into roster.personen of the employee owning page row `r` (1-based, blank rows
// included) of the geometry's page; -1 when no employee owns it.
int PersonOfPageRow(const std::vector<TMonthRow>& rows, const TMonthGeometry& geo, int r);

// Every (page row, employee) of the page that has at least one mark and an owner, for
// the rows shown on the geometry's page at view.Page() (RowsOnPage).
struct TMarkedRow {
    int row = 0;
    int person = -1;
};
std::vector<TMarkedRow> MarkedRows(const TRoster& roster, const TPlanSettings& settings, const TMonthView& view,
    const TMonthGeometry& geo, const TMarks& marks);

// "Dienst zuweisen": duty k (1-based position) into every marked day of every marked
// employee; k ≤ 0 ("Leerer Eintrag") deletes the day's entry with its extra hours. Duties
// that do not exist are not assigned. Returns the number of entries changed.
int AssignDienst(TRoster& roster, const TPlanSettings& settings, const TMonthView& view, const TMonthGeometry& geo,
    const TMarks& marks, int k);
// "Überstunden": extra hours `value` into every marked day (an entry without duty is
// created where there is none). Returns the number of entries changed or added.
int AssignOverHours(TRoster& roster, const TPlanSettings& settings, const TMonthView& view, const TMonthGeometry& geo,
    const TMarks& marks, double value);
// "Soll-Stunden festlegen...": target hours of the shown month for every employee with a
// marked row; nothing outside 2000 … 2100. Returns the number of employees changed.
int SetSollStunden(TRoster& roster, const TPlanSettings& settings, const TMonthView& view, const TMonthGeometry& geo,
    const TMarks& marks, double value);

// "Vom letzen Monat übernehmen...": the duties of the previous month, shifted by `shift`
// days, replace the entries of every shown employee of the month (all pages, the filter
// applies). Days without a duty to copy lose their entries; extra hours are never copied;
// inactive and filtered employees stay untouched. Returns the number of entries changed.
int CopyPreviousMonth(TRoster& roster, const TMonthView& view, int shift);

// The roster is still the one a first start creates: one person without entries and
// one duty, named as the defaults are (the planner then shows where to begin).
bool IsDefaultRoster(const TRoster& roster);
