#include "views/dayview.h"

#include "calendar/feiertage.h"
#include "core/canvas.h"
#include "core/datetime.h"
#include "core/format.h"
#include "core/roster.h"
#include "i18n/messagetable.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);

// Taking font k of the day list: the face, style, colour and character set of `f`, and the
// pixel height Trunc(Hk × zoom / 100 × dpi1 / R), Hk being the font's character height at
// its own resolution (negative) and R the resolution of the heading font.
void takeFont(TCanvas& canvas, const TFontRec& f, int dpi1, double zoom, int headingPpi)
{
    canvas.AssignFont(f);
    canvas.SetFontResolution(dpi1);
    const double hk = -static_cast<double>(f.PixelHeight());
    double px = hk * zoom / 100.0 * dpi1 / headingPpi;
    if (!std::isfinite(px))
        px = -1;
    px = std::clamp(px, -100000.0, 100000.0);
    canvas.SetFontHeight(static_cast<int>(std::trunc(px))); // 0 becomes 1
}

} // namespace

int TDayView::Page() const
{
    if (!std::isfinite(page) || page < 1)
        return 1;
    return page > 1e9 ? 1000000000 : static_cast<int>(std::trunc(page));
}

int DayDutyEntry(const TRoster& roster, const TPerson& p, int jahr, int monat, int tag)
{
    const int first = TRoster::EintragIndexOfDay(p, jahr, monat, tag);
    if (first < 0)
        return -1;
    const TDynaArray<TEintrag>& entries = p.eintraege;
    const int duties = roster.dienste.Count();
    auto usable = [&](const TEintrag& e) { return e.dienst >= 1 && e.dienst <= duties; };
    if (usable(entries[first]))
        return first;
    // The first entry of the day has no duty of the list: later entries of the same day
    // may still have one.
    const std::int64_t key = TEintragIndex::DayKey(entries[first].datum);
    for (int i = first + 1; i < entries.Count(); ++i) {
        const TEintrag& e = entries[i];
        if (TEintragIndex::DayKey(e.datum) == key && usable(e))
            return i;
    }
    return -1;
}

TDayAttendance DayAttendance(const TRoster& roster, const TPlanSettings& settings, const QDate& date)
{
    TDayAttendance out;
    if (!date.isValid())
        return out;
    const int y = date.year(), m = date.month(), d = date.day();
    const bool workingDay = WeekdayIndex(date) < 5 && !IsFeiertag(settings.FeiertageList, y, m, d);
    const TDynaArray<TPerson>& personen = roster.personen;
    for (int i = 0; i < personen.Count(); ++i) {
        const TPerson& p = personen[i];
        if (!IsActiveInMonth(p, y, m))
            continue;
        TDayRow row;
        row.person = i;
        row.present = workingDay;
        row.entry = DayDutyEntry(roster, p, y, m, d);
        if (row.entry >= 0) {
            row.dienst = p.eintraege[row.entry].dienst;
            row.present = !roster.DienstOf(p.eintraege[row.entry])->abwesend;
        } else if (settings.CountNoDienstCheck) {
            row.present = false;
        }
        if (row.present)
            ++out.count;
        out.rows.push_back(row);
    }
    return out;
}

TDayGeometry DrawDay(TCanvas& canvas, int w, int h, int dpi1, int dpi2, double zoomedvalue, bool printit,
    const TRoster& roster, const TPlanSettings& s, const TDayView& view)
{
    Q_UNUSED(dpi2);
    Q_UNUSED(printit);
    TDayGeometry g;
    const double zoom = SaneValue(zoomedvalue, 1, 10000, 100);
    dpi1 = std::clamp(dpi1, 1, 100000);
    const int headingPpi = s.FontDialog1.ppi > 0 ? s.FontDialog1.ppi : 96;
    auto take = [&](const TFontRec& f) { takeFont(canvas, f, dpi1, zoom, headingPpi); };
    g.page = view.Page();

    // 1.–3. Heading, centred over the usable width.
    canvas.SetPenColor(kBlack);
    canvas.SetBrushColor(kWhite);
    take(s.FontDialog1);
    const QDate day = view.date.isValid() ? view.date : Clock::today();
    const int Y = day.year(), M = day.month(), d = day.day();
    const int m = static_cast<int>(std::trunc(SaneValue(s.RandBreitEd, 0, 30, 10) / 25.39995 * dpi1 * zoom / 100.0));
    const QString heading = s.Capt2Ed + QLatin1Char(' ') + FormatDate4(day);
    const int top = 2 * canvas.TextHeight(heading) + m;
    const int usable = w - 2 * m;
    canvas.TextOut((usable - canvas.TextWidth(heading)) / 2 + m, m, heading);

    // 4., 5. Header and row heights, rows per page.
    take(s.FontDialog3);
    const int hh = 2 * (std::abs(canvas.FontHeight()) + 4);
    take(s.FontDialog2);
    const int rh = std::abs(canvas.FontHeight()) + 4;
    const int n = (h - top - m) / rh - 2;

    const TDayAttendance list = DayAttendance(roster, s, day);
    const TDynaArray<TPerson>& personen = roster.personen;

    // 6. Name column: widths over every person, names of the drawn page only.
    canvas.SetPenColor(kBlack);
    int nw = 0, y = hh, r = 0, q = 1;
    auto nextRow = [&] {
        y += rh;
        if (++r >= n) {
            y = hh;
            r = 0;
            ++q;
        }
    };
    for (const TDayRow& row : list.rows) {
        const QString name = personen[row.person].name + QLatin1Char(' ');
        nw = std::max(nw, canvas.TextWidth(name) + 2);
        if (q == g.page)
            canvas.TextOut(m + 2, top + y + 2, name);
        nextRow();
    }
    // 7. The attendance label in the row after the last person.
    canvas.SetFontBold(true);
    const QString label = GetMessageText(21) + QLatin1Char(' ');
    nw = std::max(nw, canvas.TextWidth(label) + 2);
    if (q == g.page)
        canvas.TextOut(m + 2, top + y + 2, label);

    // 8. Frame.
    const int cw = usable - nw;
    const int bodyRows = (h - top - m - hh) / rh;
    const int bottom = bodyRows * rh + top + hh;
    canvas.SetPenColor(kBlack);
    canvas.MoveTo(m, top);
    canvas.LineTo(m + nw + cw + 1, top);
    canvas.MoveTo(m, top);
    canvas.LineTo(m, bottom);
    for (int k = 0; k <= 1; ++k) {
        canvas.MoveTo(m + nw + k * cw, top);
        canvas.LineTo(m + nw + k * cw, bottom);
    }

    // 9. Header cell: day number and weekday on the colour of the day's kind.
    const int x = m + nw;
    take(s.FontDialog3);
    const int wd = WeekdayIndex(day);
    const std::uint32_t kind = IsFeiertag(s.FeiertageList, Y, M, d) ? s.TesselColorComboBox3
        : wd >= 5                                                   ? s.TesselColorComboBox2
                                                                    : s.TesselColorComboBox1;
    canvas.SetPenColor(ColorFromRef(kind));
    canvas.SetBrushColor(ColorFromRef(kind));
    canvas.Rectangle(x + 1, top + 1, x + cw, top + hh);
    canvas.SetPenColor(kBlack);
    const QString dayText = QString::number(d);
    canvas.TextOut(x + 2 + (cw - 4 - canvas.TextWidth(dayText)) / 2, top + 2, dayText);
    const QString& wdText = WeekdayAbbrev[static_cast<std::size_t>(std::clamp(wd, 0, 6))];
    canvas.TextOut(x + 2 + (cw - 4 - canvas.TextWidth(wdText)) / 2, top + std::abs(canvas.FontHeight()) + 6, wdText);

    // 10. Body: the duty of every person on its colour, on the drawn page.
    take(s.FontDialog2);
    y = hh;
    r = 0;
    q = 1;
    for (const TDayRow& row : list.rows) {
        if (q == g.page) {
            const TDienst* duty = row.dienst > 0 ? &std::as_const(roster.dienste)[row.dienst - 1] : nullptr;
            const QColor colour = duty != nullptr ? ColorOfRef(duty->farbe) : kWhite;
            canvas.SetPenColor(colour);
            canvas.SetBrushColor(colour);
            canvas.Rectangle(x + 1, top + y + 1, x + cw, top + y + rh);
            if (duty != nullptr)
                canvas.TextOut(x + 2 + (cw - 4 - canvas.TextWidth(duty->name)) / 2, top + y + 2, duty->name);
            canvas.SetPenColor(kBlack);
        }
        nextRow();
    }

    // 11. The attendance figure beside the label.
    canvas.SetFontBold(true);
    canvas.SetBrushClear();
    const QString countText = QString::number(list.count);
    if (q == g.page)
        canvas.TextOut(x + 2 + (cw - 4 - canvas.TextWidth(countText)) / 2, top + y + 2, countText);
    g.maxseiten2 = q;

    // 13. Row lines down to the bottom of the page.
    canvas.SetPenColor(kBlack);
    for (int i = 0; i <= bodyRows; ++i) {
        canvas.MoveTo(m, i * rh + top + hh);
        canvas.LineTo(m + nw + cw + 1, i * rh + top + hh);
    }

    // 14. Page caption, top left.
    const QString caption = GetMessageText(23) + QLatin1Char(' ') + QString::number(g.page) + QLatin1Char(' ')
        + GetMessageText(24) + QLatin1Char(' ') + QString::number(g.maxseiten2);
    canvas.TextOut(m, m, caption);

    g.rowsPerPage = n;
    g.rowHeight = rh;
    g.headerHeight = hh;
    g.margin = m;
    g.top = top;
    g.nameWidth = nw;
    g.columnWidth = cw;
    g.count = list.count;
    g.persons = static_cast<int>(list.rows.size());
    return g;
}

QSize ScaledPageSize(int pageWidth, int pageHeight, int printerDpi, int screenDpi, double zoom)
{
    if (printerDpi <= 0 || !std::isfinite(zoom))
        return QSize(1, 1);
    auto scale = [&](int size) {
        const double v = zoom * (static_cast<double>(static_cast<long long>(size) * screenDpi) / printerDpi) / 100.0;
        return static_cast<int>(std::clamp(std::trunc(v), 1.0, 32767.0));
    };
    return QSize(scale(pageWidth), scale(pageHeight));
}
