#pragma once
// The year overview of one employee: twelve small month calendars with the day numbers and,
// below them, the abbreviations of the day's duties on the duty colours. One page, no
// paging: what does not fit is cut off at the page edge.

#include "core/plansettings.h"

#include <QDate>
#include <QString>

#include <vector>

class TCanvas;
class TRoster;

// What the year view shows, besides the roster and its settings.
struct TYearView {
    int year = 2000; // Year3Ed
    int selected = -1; // MitarbeiterEd: index among the employees active in the year, -1 = none
    QDate today; // date in the heading; invalid = Clock::today()
};

// Indices into roster.personen of the employees active in the year, in list order (the
// items of MitarbeiterEd).
std::vector<int> YearEmployees(const TRoster& roster, int year);

// One day of the drawn year.
struct TYearDay {
    int month = 1;
    int day = 1;
    int column = 0; // 0 = Monday … 6 = Sunday
    int x = 0, y = 0; // top left of the day number; the abbreviation sits one line lower
    int dienst = 0; // duty shown below the number (a duty of the list), 0 = none
};

struct TYearGeometry {
    int person = -1; // index into roster.personen of the employee shown, -1 = nothing drawn
    int maxseiten = 1; // always one page
    int margin = 0;
    int top = 0; // below the heading: where the first month block starts
    int dayWidth = 0; // tw: width of one day column
    int lineHeight = 0; // th
    int weekHeight = 0; // ws: height of one week row
    QString heading;
    std::vector<TYearDay> days; // every day of the year in order, when an employee is shown
};

// Where DrawYear puts everything, measured on `canvas`, without drawing.
TYearGeometry LayoutYear(TCanvas& canvas, int w, int dpi1, double zoomedvalue, const TRoster& roster,
    const TPlanSettings& settings, const TYearView& view);

// Draws the year of the selected employee onto `canvas` (never cleared here). Without a
// selection or a matching employee nothing is drawn. `h`, `dpi2` and `printit` are part of
// the common drawing contract and have no effect here.
TYearGeometry DrawYear(TCanvas& canvas, int w, int h, int dpi1, int dpi2, double zoomedvalue, bool printit,
    const TRoster& roster, const TPlanSettings& settings, const TYearView& view);
