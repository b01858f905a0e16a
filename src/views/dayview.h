#pragma once
// The day attendance list: every employee active in the chosen day's month with the duty
// of that day, the count of those present, split into pages of the printer's size. The
// counting is separate from the drawing so that both agree and both can be checked.

#include "core/plansettings.h"

#include <QDate>
#include <QSize>

#include <vector>

class TCanvas;
class TRoster;
struct TPerson;

// What the day view shows, besides the roster and its settings.
struct TDayView {
    QDate date; // DateEdit1; invalid = Clock::today()
    double page = 1; // SeiteEd2, the page to draw (1-based)

    int Page() const; // Trunc(page), at least 1
};

// One line of the list: an employee active in the day's month.
struct TDayRow {
    int person = -1; // index into roster.personen
    int entry = -1; // the entry that supplies the duty, -1 = none
    int dienst = 0; // its duty number (1-based, always a duty of the list), 0 = none
    bool present = false;
};

struct TDayAttendance {
    std::vector<TDayRow> rows; // in list order
    int count = 0; // rows that count as present
};

// Index of the entry that gives the person's duty on (jahr, monat, tag): the first entry of
// that day in stored order whose duty number names a duty of the list. Entries without a
// duty (0) or with a number outside the list are passed over. -1 when there is none.
int DayDutyEntry(const TRoster& roster, const TPerson& p, int jahr, int monat, int tag);

// The list and its count. A person is present on a working day (Monday to Friday, not an
// enabled holiday) unless the day's duty is an absence; on other days only with a duty
// that is not an absence. `countNoDienstAsAbsent`: without a duty nobody is present.
TDayAttendance DayAttendance(const TRoster& roster, const TPlanSettings& settings, const QDate& date);

// Layout of a drawn day page.
struct TDayGeometry {
    int maxseiten2 = 1; // pages of the list (the attendance row may need one more)
    int page = 1; // the page drawn
    int rowsPerPage = 0; // n: person rows a page holds (≤ 0: every person starts a page)
    int rowHeight = 0;
    int headerHeight = 0;
    int margin = 0;
    int top = 0; // top edge of the table
    int nameWidth = 0;
    int columnWidth = 0; // the day column
    int count = 0; // present, over all pages
    int persons = 0; // listed persons, over all pages
};

// Draws page view.Page() of the day list onto `canvas` (which the caller has made white).
// `dpi2` and `printit` are part of the common drawing contract and have no effect here.
TDayGeometry DrawDay(TCanvas& canvas, int w, int h, int dpi1, int dpi2, double zoomedvalue, bool printit,
    const TRoster& roster, const TPlanSettings& settings, const TDayView& view);

// Size of a view's paint area: the printer page (`pageWidth` × `pageHeight` device pixels
// at `printerDpi`) scaled to `screenDpi` and to `zoom` percent, truncated. Never below
// 1 × 1.
QSize ScaledPageSize(int pageWidth, int pageHeight, int printerDpi, int screenDpi, double zoom);
