#include "views/yearview.h"

#include "calendar/feiertage.h"
#include "core/canvas.h"
#include "core/datetime.h"
#include "core/format.h"
#include "core/roster.h"
#include "i18n/messagetable.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);

} // namespace

std::vector<int> YearEmployees(const TRoster& roster, int year)
{
    std::vector<int> out;
    for (int i = 0; i < roster.personen.Count(); ++i) {
        if (IsActiveInYear(roster.personen[i], year))
            out.push_back(i);
    }
    return out;
}

TYearGeometry LayoutYear(TCanvas& canvas, int w, int dpi1, double zoomedvalue, const TRoster& roster,
    const TPlanSettings& s, const TYearView& view)
{
    TYearGeometry g;
    const int Y = std::clamp(view.year, 1, 9999);
    // The employee: the selected index counted among the persons active in the year.
    const std::vector<int> active = YearEmployees(roster, Y);
    if (view.selected < 0 || view.selected >= static_cast<int>(active.size()))
        return g;
    g.person = active[static_cast<std::size_t>(view.selected)];
    const TPerson& p = roster.personen[g.person];

    const double zoom = SaneValue(zoomedvalue, 1, 10000, 100);
    dpi1 = std::clamp(dpi1, 1, 100000);
    g.margin = static_cast<int>(std::trunc(SaneValue(s.RandBreitEd, 0, 30, 10) / 25.39995 * dpi1 * zoom / 100.0));

    canvas.TakeFont(s.FontDialog1, dpi1, zoom);
    g.heading = s.CaptionEd + QLatin1Char(' ') + p.name + QLatin1Char(' ') + QString::number(Y);
    if (s.PrintActualDateCheck)
        g.heading += QStringLiteral(" - ") + FormatDate4(view.today.isValid() ? view.today : Clock::today());
    g.top = 2 * canvas.TextHeight(g.heading) + g.margin;

    canvas.TakeFont(s.FontDialog2, dpi1, zoom);
    const int tw = canvas.TextWidth(QStringLiteral("www"));
    const int th = canvas.TextHeight(QStringLiteral(" "));
    const int ws = static_cast<int>(std::trunc(th * 2.5));
    g.dayWidth = tw;
    g.lineHeight = th;
    g.weekHeight = ws;

    const TDynaArray<TEintrag>& entries = p.eintraege;
    const int duties = roster.dienste.Count();
    g.days.reserve(366);
    int x = g.margin, y = g.top;
    for (int j = 1; j <= 12; ++j) {
        const int blockTop = y;
        y += 2 * th;
        const int days = MonthDays(Y, j);
        std::array<int, 31> entry{};
        p.eintragIndex.FindMonth(entries, Y, j, entry.data());
        const int firstColumn = WeekdayIndex(QDate(Y, j, 1));
        for (int d = 1; d <= days; ++d) {
            const int column = (firstColumn + d - 1) % 7;
            TYearDay day;
            day.month = j;
            day.day = d;
            day.column = column;
            day.x = x + tw * column;
            day.y = y;
            // The day's first entry decides; a duty number outside the list shows nothing.
            const int e = entry[static_cast<std::size_t>(d - 1)];
            if (e >= 0 && entries[e].dienst >= 1 && entries[e].dienst <= duties)
                day.dienst = entries[e].dienst;
            g.days.push_back(day);
            if (column == 6)
                y += ws;
        }
        x += 9 * tw;
        if (x + 9 * tw > w - g.margin) {
            x = g.margin;
            y = blockTop + 7 * ws;
        } else {
            y = blockTop;
        }
    }
    return g;
}

TYearGeometry DrawYear(TCanvas& canvas, int w, int h, int dpi1, int dpi2, double zoomedvalue, bool printit,
    const TRoster& roster, const TPlanSettings& s, const TYearView& view)
{
    Q_UNUSED(h);
    Q_UNUSED(dpi2);
    Q_UNUSED(printit);
    const TYearGeometry g = LayoutYear(canvas, w, dpi1, zoomedvalue, roster, s, view);
    if (g.person < 0)
        return g;
    const double zoom = SaneValue(zoomedvalue, 1, 10000, 100);
    dpi1 = std::clamp(dpi1, 1, 100000);

    canvas.SetPenColor(kWhite);
    canvas.SetBrushColor(kWhite);
    canvas.TakeFont(s.FontDialog1, dpi1, zoom);
    canvas.TextOut(((w - 2 * g.margin) - canvas.TextWidth(g.heading)) / 2 + g.margin, g.margin, g.heading);

    canvas.TakeFont(s.FontDialog2, dpi1, zoom);
    canvas.SetPenColor(kBlack);
    // Month names above their blocks: the block of a month starts two lines above its
    // first day.
    int month = 0;
    for (const TYearDay& day : g.days) {
        if (day.month != month) {
            month = day.month;
            canvas.TextOut(day.x - g.dayWidth * day.column, day.y - 2 * g.lineHeight, GetMessageText(73 + month));
        }
        canvas.TextOut(day.x, day.y, QString::number(day.day));
        if (day.dienst > 0) {
            const TDienst& duty = std::as_const(roster.dienste)[day.dienst - 1];
            canvas.SetBrushColor(ColorOfRef(duty.farbe));
            canvas.TextOut(day.x, day.y + g.lineHeight, duty.kuerzel);
            canvas.SetBrushColor(kWhite);
        }
    }
    return g;
}
