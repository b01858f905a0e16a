#include "planner/monthgrid.h"

#include "calendar/feiertage.h"
#include "core/canvas.h"
#include "core/datetime.h"
#include "core/format.h"
#include "core/roster.h"
#include "i18n/messagetable.h"
#include "planner/hoursaccount.h"
#include "planning/plancheck.h"

#include <QImage>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <memory>

// ---- view, marks, geometry ---------------------------------------------------------------

int TMonthView::Page() const
{
    if (!std::isfinite(page) || page < 1)
        return 1;
    return page > 1e9 ? 1000000000 : static_cast<int>(std::trunc(page));
}

bool TMarks::Get(int day, int row) const
{
    if (day < 1 || day > kDays || row < 1 || row > kRows)
        return false;
    return cells_[day - 1][row - 1];
}

void TMarks::Set(int day, int row, bool value)
{
    if (day < 1 || day > kDays || row < 1 || row > kRows)
        return;
    cells_[day - 1][row - 1] = value;
}

void TMarks::Clear()
{
    cells_ = {};
}

bool TMarks::RowMarked(int row) const
{
    if (row < 1 || row > kRows)
        return false;
    for (int d = 0; d < kDays; ++d) {
        if (cells_[d][row - 1])
            return true;
    }
    return false;
}

bool TMarks::Any() const
{
    for (int r = 1; r <= kRows; ++r) {
        if (RowMarked(r))
            return true;
    }
    return false;
}

int TMonthGeometry::RowsOnPage() const
{
    const long long perPage = static_cast<long long>(zeilen) - 1;
    if (perPage <= 0)
        return 0;
    const long long left = static_cast<long long>(ay) - (static_cast<long long>(page) - 1) * perPage;
    return static_cast<int>(std::clamp(std::min(perPage, left), 0LL, static_cast<long long>(TMarks::kRows)));
}

long long TMonthGeometry::PageBase() const
{
    const long long perPage = static_cast<long long>(zeilen) - 1;
    if (perPage <= 0)
        return -1;
    return (static_cast<long long>(std::max(page, 1)) - 1) * perPage;
}

bool TMonthGeometry::CellContains(int day, int row, int x, int y) const
{
    const long long x1 = sx + static_cast<long long>(day - 1) * wx, x2 = sx + static_cast<long long>(day) * wx;
    const long long y1 = sy + static_cast<long long>(row - 1) * wy, y2 = sy + static_cast<long long>(row) * wy;
    return x >= x1 && x <= x2 && y >= y1 && y <= y2;
}

std::vector<QPoint> TMonthGeometry::CellsAt(int x, int y) const
{
    std::vector<QPoint> hits;
    const int days = std::clamp(ax, 0, TMarks::kDays);
    const int rows = RowsOnPage();
    for (int d = 1; d <= days; ++d) {
        for (int r = 1; r <= rows; ++r) {
            if (CellContains(d, r, x, y))
                hits.emplace_back(d, r);
        }
    }
    return hits;
}

// ---- rows of the month -------------------------------------------------------------------

std::vector<int> ActiveEmployees(const TRoster& roster, int year, int month)
{
    std::vector<int> out;
    for (int i = 0; i < roster.personen.Count(); ++i) {
        if (IsActiveInMonth(roster.personen[i], year, month))
            out.push_back(i);
    }
    return out;
}

std::vector<TMonthRow> MonthRows(const TRoster& roster, int year, int month, int filter, bool addFreeLines)
{
    std::vector<TMonthRow> rows;
    const std::vector<int> active = ActiveEmployees(roster, year, month);
    const int perEmployee = addFreeLines ? 3 : 1;
    for (int e = 1; e <= static_cast<int>(active.size()); ++e) {
        if (filter >= 1 && e != filter)
            continue;
        for (int r = 0; r < perEmployee; ++r)
            rows.push_back({active[e - 1], e, r});
    }
    return rows;
}

// ---- what repaints keep ------------------------------------------------------------------

// One state of one container: its identity, modification count, block and length. Equal
// stamps mean the records were not handed out for writing in between.
struct TContainerStamp {
    std::uint64_t identity = 0;
    std::uint64_t modcount = 0;
    const void* block = nullptr;
    int count = -1;

    template <typename T> static TContainerStamp Of(const TDynaArray<T>& a)
    {
        return {a.Identity(), a.ModCount(), a.poi, a.Count()};
    }
    bool operator==(const TContainerStamp&) const = default;
};

// Everything a repaint of the month grid would otherwise compute for every employee. The
// rows of a month and the name column's width follow from the person container alone and
// go whenever it changes; a person's month sum and attendance follow from its entry
// container and the duties, and are kept per person; the balances of a person are known
// to be current from the last recording until the person container changes.
struct TMonthGridCache {
    static constexpr std::size_t kKept = 4; // months / fonts kept side by side (page, previews)

    TContainerStamp persons; // the person container the per-roster parts were built for

    struct RowsEntry {
        int year, month, filter;
        bool freeLines;
        std::shared_ptr<const std::vector<TMonthRow>> rows;
    };
    std::vector<RowsEntry> rows;

    struct WidthEntry {
        int year, month, filter;
        bool freeLines, deptLine;
        QString fontKey;
        int width;
    };
    std::vector<WidthEntry> widths;

    struct PersonMonth {
        TContainerStamp entries; // count -1: not computed
        double sum = 0; // hours of the month
        std::uint32_t present = 0; // bit d-1: present on day d
        bool recorded = false; // iststunden holds `sum` and the balances follow from the tables
    };
    struct MonthEntry {
        int year, month;
        TContainerStamp duties;
        std::uint32_t workingDays; // bit d-1: Monday to Friday and no holiday
        std::vector<PersonMonth> persons; // by index into roster.personen
    };
    std::vector<MonthEntry> months;

    // monatssumme as the last drawing left it, by person; valid while `persons` holds.
    std::vector<double> written;

    // Drops what the person container's records fed, when they may have changed.
    void Sync(const TDynaArray<TPerson>& personen)
    {
        const TContainerStamp now = TContainerStamp::Of(personen);
        if (now == persons)
            return;
        persons = now;
        rows.clear();
        widths.clear();
        written.clear();
        for (MonthEntry& m : months) {
            m.persons.resize(std::size_t(personen.Count()));
            for (PersonMonth& pm : m.persons)
                pm.recorded = false;
        }
    }
    // After the drawing's own writes to month sums and balances, which feed no part here.
    void Adopt(const TDynaArray<TPerson>& personen) { persons = TContainerStamp::Of(personen); }

    template <typename E> static E* find(std::vector<E>& v, auto same)
    {
        for (std::size_t i = 0; i < v.size(); ++i) {
            if (same(v[i])) {
                // Most recent first.
                std::rotate(v.begin(), v.begin() + std::ptrdiff_t(i), v.begin() + std::ptrdiff_t(i) + 1);
                return &v.front();
            }
        }
        return nullptr;
    }
    template <typename E> static E& add(std::vector<E>& v, E e)
    {
        if (v.size() >= kKept)
            v.pop_back();
        v.insert(v.begin(), std::move(e));
        return v.front();
    }

    std::shared_ptr<const std::vector<TMonthRow>> Rows(
        const TRoster& roster, int year, int month, int filter, bool freeLines)
    {
        Sync(roster.personen);
        if (RowsEntry* e = find(rows, [&](const RowsEntry& r) {
                return r.year == year && r.month == month && r.filter == filter && r.freeLines == freeLines;
            }))
            return e->rows;
        auto built = std::make_shared<const std::vector<TMonthRow>>(MonthRows(roster, year, month, filter, freeLines));
        return add(rows, RowsEntry{year, month, filter, freeLines, std::move(built)}).rows;
    }

    MonthEntry& Month(
        int year, int month, const TDynaArray<TDienst>& dienste, std::uint32_t workingDays, int personCount)
    {
        const TContainerStamp duties = TContainerStamp::Of(dienste);
        MonthEntry* e = find(months, [&](const MonthEntry& m) { return m.year == year && m.month == month; });
        if (e == nullptr || e->duties != duties || e->workingDays != workingDays) {
            if (e == nullptr)
                e = &add(months, MonthEntry{year, month, duties, workingDays, {}});
            e->duties = duties;
            e->workingDays = workingDays;
            e->persons.assign(std::size_t(personCount), PersonMonth{});
        }
        e->persons.resize(std::size_t(personCount));
        return *e;
    }
};

namespace {
TMonthGridCache& gridCache(const TRoster& roster)
{
    if (!roster.monthGridCache)
        roster.monthGridCache = std::make_shared<TMonthGridCache>();
    return *roster.monthGridCache;
}
} // namespace

// ---- layout -----------------------------------------------------------------------------

namespace {

const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);
const QColor kGrey(220, 220, 220);
const QColor kRed(255, 0, 0);

// Where one row of the month lands: its page, its offset from the grid top, its number on
// the page (1-based).
struct RowPlace {
    int page = 1;
    int t = 0;
    int v = 0;
};

struct Layout {
    int month = 1, year = 2000, days = 31, page = 1;
    double zoom = 100;
    int dpi1 = 96;
    int w = 0, h = 0; // h after the legend
    int margin = 0, top = 0, hh = 0, usable = 0, nw = 0, n = 0, cw = 0, xr = 0, yb = 0;
    int zhoch = 0, zeilen = 0, maxseiten = 1;
    int lh = 0; // legend line height
    QString heading;
    std::shared_ptr<const std::vector<TMonthRow>> rowList; // rows of the month (cached)
    int perPage = 1; // rows a page holds
    int firstOnPage = 0, endOnPage = 0; // rows of the drawn page
    int anwPage = 1, anwT = 0; // row after the last shown row (attendance)
    std::vector<RowPlace> coverage; // coverage rows, after the attendance row

    const std::vector<TMonthRow>& rows() const { return *rowList; }
    // Page, offset and page row of row i: pages fill up in order.
    RowPlace place(int i) const
    {
        const int u = i % perPage;
        return {i / perPage + 1, hh + u * zhoch, u + 1};
    }

    TMonthGeometry Geometry() const
    {
        TMonthGeometry g;
        g.zhoch = zhoch;
        g.zeilen = zeilen;
        g.maxseiten = maxseiten;
        g.sx = margin + nw;
        g.sy = top + hh;
        g.wx = cw;
        g.wy = zhoch;
        g.ax = days;
        g.ay = static_cast<int>(rows().size());
        g.page = page;
        return g;
    }
};

QString coverageLabel(const TDienst& d)
{
    return d.kuerzel + QLatin1Char(' ') + d.name + QLatin1Char(' ');
}

// The coverage rows follow the attendance row; one that does not fit starts a new page.
// The name column widens to their labels.
void placeCoverageRows(TCanvas& canvas, Layout& L, const TRoster& roster, bool attendance, int used)
{
    int count = 0;
    for (const TStaffTarget& t : roster.regeln.targets) {
        const int d = ResolveDuty(roster.dienste, t.duty);
        if (d < 0)
            continue;
        ++count;
        L.nw = std::max(L.nw, canvas.TextWidth(coverageLabel(roster.dienste[d])) + 2);
    }
    int p = L.anwPage, u = used + (attendance ? 1 : 0);
    for (int k = 0; k < count; ++k) {
        if (u >= L.zeilen - 1 && L.zeilen > 1) {
            ++p;
            u = 0;
        }
        L.coverage.push_back({p, L.hh + u * L.zhoch, u + 1});
        ++u;
    }
    L.maxseiten = std::max(L.maxseiten, p);
}

QString headingText(const TPlanSettings& s, const TMonthView& view, int month, int year)
{
    QString text = s.CaptionEd + QLatin1Char(' ') + QString::number(month) + QLatin1Char('/') + QString::number(year);
    if (s.PrintActualDateCheck)
        text += QStringLiteral(" - ") + FormatDate4(view.today.isValid() ? view.today : Clock::today());
    return text;
}

QString departmentLine(const TPerson& p)
{
    return p.abteilung + QStringLiteral(" (") + p.persnr + QStringLiteral(") ");
}

QString legendName(const TDienst& d, bool withHours)
{
    QString text = d.name;
    if (withHours)
        text += QStringLiteral(" (") + FormatNumberText(d.stunden) + QStringLiteral("h)");
    return text;
}

// Everything the drawing positions by, measured on `canvas` in the order the drawing
// takes its fonts. Leaves font 2 (bold when the attendance row is on) on the canvas.
Layout computeLayout(TCanvas& canvas, int w, int h, int dpi1, double zoomedvalue, const TRoster& roster,
    const TPlanSettings& s, const TMonthView& view)
{
    Layout L;
    L.month = std::clamp(view.month, 1, 12);
    L.year = std::clamp(view.year, 1, 9999);
    L.days = MonthDays(L.year, L.month);
    L.page = view.Page();
    L.zoom = SaneValue(zoomedvalue, 1, 10000, 100);
    L.dpi1 = std::clamp(dpi1, 1, 100000);
    L.w = w;
    L.h = h;

    L.margin = static_cast<int>(std::trunc(SaneValue(s.RandBreitEd, 0, 30, 10) / 25.39995 * L.dpi1 * L.zoom / 100.0));

    if (s.LegendeCheck) {
        canvas.TakeFont(s.FontDialog2, L.dpi1, L.zoom);
        L.lh = canvas.TextHeight(QStringLiteral(" "));
        const long long shrunk = static_cast<long long>(L.h) - static_cast<long long>(L.lh) * roster.dienste.Count();
        L.h = static_cast<int>(std::max<long long>(shrunk, -1000000000LL));
    }

    canvas.TakeFont(s.FontDialog1, L.dpi1, L.zoom);
    L.heading = headingText(s, view, L.month, L.year);
    L.top = 2 * canvas.TextHeight(L.heading) + L.margin;
    L.usable = L.w - 2 * L.margin;

    canvas.TakeFont(s.FontDialog3, L.dpi1, L.zoom);
    L.hh = 2 * (std::abs(canvas.FontHeight()) + 4) + 4;
    canvas.TakeFont(s.FontDialog2, L.dpi1, L.zoom);
    L.zhoch = std::abs(canvas.FontHeight()) + 4;
    if (s.DoubleRowHeightCheck)
        L.zhoch *= 2;
    L.zeilen = (L.h - L.top - L.margin) / L.zhoch - 2;

    // Rows, pages and the name column width. A page holds zeilen - 1 rows, at least one.
    TMonthGridCache& cache = gridCache(roster);
    L.rowList = cache.Rows(roster, L.year, L.month, view.filter, s.AddFreeLinesCheck);
    const std::vector<TMonthRow>& rows = L.rows();
    const int rowCount = static_cast<int>(rows.size());
    L.perPage = std::max(L.zeilen - 1, 1);
    const bool deptLine = s.DoubleRowHeightCheck && s.ShowAbteilungCheck;
    const QString& fontKey = canvas.FontKey();
    const auto sameWidth = [&](const TMonthGridCache::WidthEntry& e) {
        return e.year == L.year && e.month == L.month && e.filter == view.filter && e.freeLines == s.AddFreeLinesCheck
            && e.deptLine == deptLine && e.fontKey == fontKey;
    };
    if (const TMonthGridCache::WidthEntry* e = TMonthGridCache::find(cache.widths, sameWidth)) {
        L.nw = e->width;
    } else {
        for (const TMonthRow& row : rows) {
            if (row.blank != 0)
                continue;
            const TPerson& pers = roster.personen[row.person];
            L.nw = std::max(L.nw, canvas.TextWidth(pers.name + QLatin1Char(' ')) + 2);
            if (deptLine)
                L.nw = std::max(L.nw, canvas.TextWidth(departmentLine(pers)) + 2);
        }
        TMonthGridCache::add(cache.widths,
            TMonthGridCache::WidthEntry{L.year, L.month, view.filter, s.AddFreeLinesCheck, deptLine, fontKey, L.nw});
    }
    const long long first = (static_cast<long long>(L.page) - 1) * L.perPage;
    L.firstOnPage = L.endOnPage = 0;
    if (first < rowCount) {
        L.firstOnPage = static_cast<int>(first);
        L.endOnPage = static_cast<int>(std::min<long long>(rowCount, first + L.perPage));
    }
    const int u = rowCount % L.perPage, p = rowCount / L.perPage + 1, t = L.hh + u * L.zhoch;
    if (s.ShowAnwCheck) {
        canvas.SetFontBold(true);
        L.nw = std::max(L.nw, canvas.TextWidth(GetMessageText(21) + QLatin1Char(' ')) + 2);
    }
    L.anwPage = p;
    L.anwT = t;
    L.maxseiten = p;
    if (view.showCoverage)
        placeCoverageRows(canvas, L, roster, s.ShowAnwCheck, u);

    const int gw = L.usable - L.nw;
    L.n = L.days + (s.ShowSumCheck ? 10 : 0);
    L.cw = gw / L.n;
    L.xr = L.cw * L.n + L.margin + L.nw;
    L.yb = (L.h - L.top - L.margin - L.hh) / L.zhoch * L.zhoch + L.top + L.hh;
    return L;
}

// The keyboard cursor: a two-pixel bright blue frame inside the cell, drawn over marks
// and the hover frame, so that it shows on white, on duty colours and on inverted marks
// alike. Blank rows included.
void drawCursor(TCanvas& canvas, const TMonthGeometry& g, const TMonthOverlay& overlay)
{
    if (overlay.cursorx < 1 || overlay.cursorx > g.ax || overlay.cursory < 1 || overlay.cursory > g.RowsOnPage())
        return;
    const int x = g.sx + (overlay.cursorx - 1) * g.wx;
    const int y = g.sy + (overlay.cursory - 1) * g.wy;
    canvas.SetPenColor(QColor(0, 120, 255));
    canvas.SetBrushClear();
    canvas.Rectangle(x + 1, y + 1, x + g.wx, y + g.wy);
    canvas.Rectangle(x + 2, y + 2, x + g.wx - 1, y + g.wy - 1);
    canvas.SetPenColor(kBlack);
}

// Counts per day of each staffed duty: short of the minimum red, above the maximum orange.
void drawCoverageRows(TCanvas& canvas, const Layout& L, const TRoster& roster, const TCheckResult& check)
{
    const QColor shortColour(255, 0, 0), overColour(255, 165, 0);
    const std::size_t n = std::min(check.coverage.size(), L.coverage.size());
    for (std::size_t k = 0; k < n; ++k) {
        if (L.coverage[k].page != L.page)
            continue;
        const TCheckResult::Coverage& cov = check.coverage[k];
        const int y = L.top + L.coverage[k].t;
        canvas.SetPenColor(kWhite);
        canvas.SetBrushColor(kWhite);
        canvas.Rectangle(L.margin, y + 1, L.margin + L.nw, y + L.zhoch);
        canvas.SetPenColor(kBlack);
        if (cov.duty >= 0 && cov.duty < roster.dienste.Count()) {
            const TDienst& d = roster.dienste[cov.duty];
            canvas.TextOut(L.margin + 2, y + 2, coverageLabel(d));
        }
        for (int c = 0; c < L.days; ++c) {
            const int x = L.cw * c + L.margin + L.nw;
            const int count = cov.count[std::size_t(c)], hi = cov.max[std::size_t(c)];
            QColor cell = kWhite;
            if (count < cov.min[std::size_t(c)])
                cell = shortColour;
            else if (hi != kNoLimit && count > hi)
                cell = overColour;
            canvas.SetPenColor(cell);
            canvas.SetBrushColor(cell);
            canvas.Rectangle(x + 1, y + 1, x + L.cw, y + L.zhoch);
            canvas.SetPenColor(kBlack);
            const QString text = QString::number(count);
            canvas.TextOut(x + 2 + (L.cw - 5 - canvas.TextWidth(text)) / 2, y + 2, text);
        }
    }
}

// A small red corner in a cell that breaks a rule (screen only).
void drawRuleMarker(TCanvas& canvas, int x, int y, int cw, int zhoch)
{
    const int size = std::clamp(std::min(cw, zhoch) / 4, 3, 12);
    canvas.FillRect(x + cw - size, y + 1, x + cw, y + 1 + size, QColor(255, 0, 0));
}

// A proposed duty: its colour, lighter, hatched, with the abbreviation in italics.
void drawProposedCell(TCanvas& canvas, int x1, int y1, int x2, int y2, const QColor& colour)
{
    canvas.FillRect(x1, y1, x2, y2, QColor::fromHsv(colour.hsvHue(), colour.hsvSaturation() / 3, 255));
    canvas.SetPenColor(colour.lightness() > 200 ? QColor(90, 90, 90) : colour.darker(130));
    const int step = std::max(4, (x2 - x1) / 4);
    for (int s = x1 + y1 + step; s < x2 + y2; s += step) {
        const int xa = std::max(x1, s - y2), xb = std::min(x2, s - y1);
        canvas.MoveTo(xa, s - xa);
        canvas.LineTo(xb, s - xb);
    }
}

QColor darker35(const QColor& c)
{
    auto f = [](int v) { return v > 35 ? v - 35 : 0; };
    return QColor(f(c.red()), f(c.green()), f(c.blue()));
}

} // namespace

TMonthGeometry LayoutMonth(TCanvas& canvas, int w, int h, int dpi1, double zoomedvalue, const TRoster& roster,
    const TPlanSettings& settings, const TMonthView& view)
{
    return computeLayout(canvas, w, h, dpi1, zoomedvalue, roster, settings, view).Geometry();
}

TMonthGeometry LayoutMonth(int w, int h, int dpi1, double zoomedvalue, const TRoster& roster,
    const TPlanSettings& settings, const TMonthView& view)
{
    QImage probe(1, 1, QImage::Format_RGB32);
    TCanvas canvas(&probe);
    return LayoutMonth(canvas, w, h, dpi1, zoomedvalue, roster, settings, view);
}

// ---- drawing ------------------------------------------------------------------------------

TMonthGeometry DrawMonth(TCanvas& canvas, int w, int h, int dpi1, int dpi2, double zoomedvalue, bool printit,
    TRoster& roster, const TPlanSettings& s, const TMonthView& view, const TMonthOverlay& overlay)
{
    Q_UNUSED(dpi2);
    const TRoster& croster = roster; // reads never count as changes of the containers
    const Layout L = computeLayout(canvas, w, h, dpi1, zoomedvalue, roster, s, view);
    const std::vector<TMonthRow>& rows = L.rows();
    const int year = L.year, month = L.month, days = L.days, margin = L.margin, top = L.top, hh = L.hh;
    const int zhoch = L.zhoch, cw = L.cw, n = L.n, page = L.page;
    const bool sums = s.ShowSumCheck;
    const bool hasAccount = TMonatsTabelle::InRange(year, month);
    const bool markers = !printit && overlay.ruleMarkers && !roster.regeln.Empty();
    // The counts need every employee, the markers only those of the drawn page.
    const bool coverageHere = view.showCoverage
        && std::any_of(L.coverage.begin(), L.coverage.end(), [&](const RowPlace& c) { return c.page == L.page; });
    TCheckResult check, marks;
    if (coverageHere)
        check = CheckCoverage(roster, year, month);
    std::vector<int> planRow;
    if (markers) {
        std::vector<int> shown;
        for (int i = L.firstOnPage; i < L.endOnPage; ++i) {
            if (rows[std::size_t(i)].blank == 0)
                shown.push_back(rows[std::size_t(i)].person);
        }
        marks = CheckPersons(roster, year, month, shown);
        planRow.assign(std::size_t(roster.personen.Count()), -1);
        for (std::size_t r = 0; r < marks.persons.size(); ++r)
            planRow[std::size_t(marks.persons[r])] = int(r);
    }

    // Day facts: holiday, weekday, and each shown employee's entry of every day.
    std::array<bool, 31> holiday{};
    std::array<int, 31> weekday{};
    std::uint32_t workingDays = 0;
    for (int d = 1; d <= days; ++d) {
        holiday[d - 1] = IsFeiertag(s.FeiertageList, year, month, d);
        weekday[d - 1] = WeekdayIndex(QDate(year, month, d));
        if (weekday[d - 1] < 5 && !holiday[d - 1])
            workingDays |= 1u << (d - 1);
    }

    // 1. Month sums and attendance of every shown employee, kept per person while its
    // entries and the duties stay as they are.
    TMonthGridCache& cache = gridCache(roster);
    const int personCount = croster.personen.Count();
    TMonthGridCache::MonthEntry& kept = cache.Month(year, month, croster.dienste, workingDays, personCount);
    std::array<int, 31> present{};
    for (const TMonthRow& row : rows) {
        if (row.blank != 0)
            continue;
        const TPerson& p = croster.personen[row.person];
        TMonthGridCache::PersonMonth& pm = kept.persons[std::size_t(row.person)];
        const TContainerStamp stamp = TContainerStamp::Of(p.eintraege);
        if (pm.entries != stamp) {
            std::array<int, 31> entry;
            p.eintragIndex.FindMonth(p.eintraege, year, month, entry.data());
            double sum = 0;
            std::uint32_t mask = 0;
            for (int d = 0; d < days; ++d) {
                const TEintrag* e = entry[d] >= 0 ? &p.eintraege[entry[d]] : nullptr;
                if (e != nullptr)
                    sum += EintragHours(croster, *e);
                if (IsPresentOn(croster, e, (workingDays >> d) & 1u))
                    mask |= 1u << d;
            }
            const bool same = std::bit_cast<std::uint64_t>(sum) == std::bit_cast<std::uint64_t>(pm.sum);
            pm = {stamp, sum, mask, pm.recorded && same};
        }
        for (std::uint32_t m = pm.present; m != 0; m &= m - 1)
            ++present[std::size_t(std::countr_zero(m))];
    }

    // Month sums start at zero for everybody, shown or not; only changed values are written.
    std::vector<double> sumOf(std::size_t(personCount), 0.0);
    for (const TMonthRow& row : rows) {
        if (row.blank == 0)
            sumOf[std::size_t(row.person)] = kept.persons[std::size_t(row.person)].sum;
    }
    TPerson* persons = nullptr; // writable access, taken only when something is written
    auto writable = [&](int i) -> TPerson& {
        if (persons == nullptr)
            persons = roster.personen.begin();
        return persons[i];
    };
    const bool writtenKnown = cache.written.size() == sumOf.size();
    for (int i = 0; i < personCount; ++i) {
        const double v = sumOf[std::size_t(i)];
        if (!writtenKnown
            || std::bit_cast<std::uint64_t>(cache.written[std::size_t(i)]) != std::bit_cast<std::uint64_t>(v))
            writable(i).monatssumme = v;
    }
    cache.written = std::move(sumOf);

    // The month's hours and every balance: recomputed for the rows on the page, and for
    // other rows only when their sum or the person container changed since the last time.
    if (sums) {
        for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
            const TMonthRow& row = rows[std::size_t(i)];
            if (row.blank != 0)
                continue;
            TMonthGridCache::PersonMonth& pm = kept.persons[std::size_t(row.person)];
            const bool onPage = i >= L.firstOnPage && i < L.endOnPage;
            if (pm.recorded && !onPage)
                continue;
            RecordMonth(writable(row.person), year, month);
            pm.recorded = true;
        }
    }
    cache.Adopt(croster.personen);

    // Entries of every day for the employees of the drawn page.
    struct OwnRow {
        int row; // index into rows
        std::array<int, 31> entry;
    };
    std::vector<OwnRow> own;
    for (int i = L.firstOnPage; i < L.endOnPage; ++i) {
        if (rows[std::size_t(i)].blank != 0)
            continue;
        OwnRow o{i, {}};
        const TPerson& p = croster.personen[rows[std::size_t(i)].person];
        p.eintragIndex.FindMonth(p.eintraege, year, month, o.entry.data());
        own.push_back(o);
    }

    canvas.SetPenColor(kWhite);
    canvas.SetBrushColor(kWhite);

    // 3. Legend, last duty at the bottom.
    if (s.LegendeCheck) {
        canvas.TakeFont(s.FontDialog2, L.dpi1, L.zoom);
        int hl = h;
        const int keyWidth = canvas.TextWidth(QStringLiteral("WWWWW"));
        for (int k = roster.dienste.Count() - 1; k >= 0; --k) {
            const TDienst& d = std::as_const(roster.dienste)[k];
            const int y = hl - margin - L.lh;
            if (y + L.lh >= 0) {
                canvas.TextOut(margin, y, d.kuerzel);
                canvas.TextOut(margin + keyWidth, y, legendName(d, sums));
            }
            hl -= L.lh;
        }
    }

    // 4. Heading.
    canvas.TakeFont(s.FontDialog1, L.dpi1, L.zoom);
    canvas.TextOut((L.usable - canvas.TextWidth(L.heading)) / 2 + margin, margin, L.heading);

    // 6. Name column.
    canvas.TakeFont(s.FontDialog2, L.dpi1, L.zoom);
    canvas.SetPenColor(kBlack);
    const bool deptLine = s.DoubleRowHeightCheck && s.ShowAbteilungCheck;
    auto rowColour
        = [&](const TMonthRow& row) { return s.SecondLinesareDarkerCheck && row.number % 2 == 0 ? kGrey : kWhite; };
    for (int i = L.firstOnPage; i < L.endOnPage; ++i) {
        const TMonthRow& row = rows[std::size_t(i)];
        if (row.blank != 0)
            continue;
        const int t = L.place(i).t;
        const QColor rc = rowColour(row);
        canvas.SetPenColor(rc);
        canvas.SetBrushColor(rc);
        canvas.Rectangle(margin, top + t + 1, margin + w / 2, top + t + zhoch);
        canvas.SetPenColor(kBlack);
        const TPerson& pers = std::as_const(roster.personen)[row.person];
        canvas.TextOut(margin + 2, top + t + 2, pers.name + QLatin1Char(' '));
        if (deptLine)
            canvas.TextOut(margin + 2, top + t + zhoch / 2 + 2, departmentLine(pers));
    }
    // 7. Attendance label.
    if (s.ShowAnwCheck) {
        canvas.SetFontBold(true);
        if (L.anwPage == page)
            canvas.TextOut(margin + 2, top + L.anwT + 2, GetMessageText(21) + QLatin1Char(' '));
    }

    // 9. Top and left lines.
    canvas.SetPenColor(kBlack);
    canvas.MoveTo(margin, top);
    canvas.LineTo(L.xr + 1, top);
    canvas.MoveTo(margin, top);
    canvas.LineTo(margin, L.yb);

    // 10. Columns.
    static const int kSumLabels[5] = {71, 67, 68, 69, 70};
    const QColor normal = ColorFromRef(s.TesselColorComboBox1);
    const QColor weekend = ColorFromRef(s.TesselColorComboBox2);
    const QColor holidayColour = ColorFromRef(s.TesselColorComboBox3);
    // Own rows of the drawn page, as positions into `own`.
    int ownFirst = 0;
    while (ownFirst < static_cast<int>(own.size()) && own[ownFirst].row < L.firstOnPage)
        ++ownFirst;
    int ownEnd = ownFirst;
    while (ownEnd < static_cast<int>(own.size()) && own[ownEnd].row < L.endOnPage)
        ++ownEnd;
    // Sum texts only for the rows drawn: formatting numbers is the costly part.
    std::vector<TSumCells> sumCells;
    if (sums && hasAccount) {
        sumCells.resize(own.size());
        for (int i = ownFirst; i < ownEnd; ++i)
            sumCells[std::size_t(i)] = SumCells(
                croster.personen[rows[std::size_t(own[std::size_t(i)].row)].person], year, month, s.StundenSumCheck);
    }

    for (int c = 0; c <= n; ++c) {
        const int x = cw * c + margin + L.nw;
        const bool dayColumn = c < days;
        const bool secondOfPair = !dayColumn && (c - days) % 2 == 1;
        if (!secondOfPair) {
            canvas.MoveTo(x, top);
            canvas.LineTo(x, L.yb);
        }
        if (c >= n)
            break;

        canvas.TakeFont(s.FontDialog3, L.dpi1, L.zoom);
        const int absH3 = std::abs(canvas.FontHeight());
        QColor headerColour = normal;
        if (dayColumn)
            headerColour = holiday[c] ? holidayColour : (weekday[c] >= 5 ? weekend : normal);
        canvas.SetPenColor(headerColour);
        canvas.SetBrushColor(headerColour);
        canvas.Rectangle(secondOfPair ? x : x + 1, top + 1, x + cw, top + hh);
        canvas.SetPenColor(kBlack);
        auto centred = [&](const QString& text) { return x + 2 + (cw - 5 - canvas.TextWidth(text)) / 2; };
        if (dayColumn) {
            const QString dayText = QString::number(c + 1);
            canvas.TextOut(centred(dayText), top + 2, dayText);
            QString line2 = WeekdayAbbrev[weekday[c]];
            if (weekday[c] == 0 && s.ShowKalenderwocheCheck)
                line2 = QString::number(CalendarWeek(QDate(year, month, c + 1)));
            canvas.TextOut(centred(line2), top + absH3 + 6, line2);
        } else if (secondOfPair) {
            const QString label = GetMessageText(kSumLabels[(c - days) / 2]);
            canvas.TextOut(x + 2 - canvas.TextWidth(label) / 2, top + 2, label);
        }

        // Body cells of the drawn page.
        canvas.TakeFont(s.FontDialog2, L.dpi1, L.zoom);
        const int sHeight = canvas.TextHeight(QStringLiteral("s"));
        int ownPos = ownFirst;
        for (int i = L.firstOnPage; i < L.endOnPage; ++i) {
            const TMonthRow& row = rows[std::size_t(i)];
            const RowPlace place = L.place(i);
            const int t = place.t, v = place.v;
            const bool ownRow = row.blank == 0;
            const OwnRow* o = nullptr;
            int ownIndex = -1;
            if (ownRow) {
                ownIndex = ownPos++;
                o = &own[ownIndex];
            }
            if (dayColumn) {
                if (!ownRow)
                    continue;
                const TPerson& pers = std::as_const(roster.personen)[row.person];
                const TEintrag* e = o->entry[c] >= 0 ? &pers.eintraege[o->entry[c]] : nullptr;
                const TDienst* duty = e != nullptr ? croster.DienstOf(*e) : nullptr;
                QColor cell = rowColour(row);
                if (duty != nullptr) {
                    cell = ColorFromRef(duty->farbe);
                    if (s.SecondLinesareDarkerCheck && row.number % 2 == 0)
                        cell = darker35(cell);
                }
                canvas.SetPenColor(cell);
                canvas.SetBrushColor(cell);
                canvas.Rectangle(x + 1, top + t + 1, x + cw, top + t + zhoch);
                if (duty != nullptr)
                    canvas.TextOut(centred(duty->kuerzel), top + t + 2, duty->kuerzel);
                const std::size_t proposed = std::size_t(row.person) * 31 + std::size_t(c);
                if (e == nullptr && !printit && overlay.proposal != nullptr && proposed < overlay.proposal->size()) {
                    const int k = (*overlay.proposal)[proposed];
                    if (k >= 0 && k < roster.dienste.Count()) {
                        const TDienst& pd = std::as_const(roster.dienste)[k];
                        drawProposedCell(canvas, x + 1, top + t + 1, x + cw - 1, top + t + zhoch - 1,
                            ColorFromRef(pd.farbe));
                        canvas.SetFontItalic(true);
                        canvas.SetBrushClear(); // the hatching shows behind the text
                        canvas.TextOut(centred(pd.kuerzel), top + t + 2, pd.kuerzel);
                        canvas.SetBrushSolid();
                        canvas.SetFontItalic(false);
                    }
                }
                if (s.DoubleRowHeightCheck && e != nullptr) {
                    const QString extra = ExtraHoursText(e->ueberstunden);
                    canvas.TextOut(centred(extra), top + t + 2 + sHeight, extra);
                }
                if (markers && marks.Broken(planRow[std::size_t(row.person)], c + 1, days))
                    drawRuleMarker(canvas, x, top + t, cw, zhoch);
            } else {
                canvas.SetPenColor(kWhite);
                canvas.SetBrushColor(kWhite);
                canvas.Rectangle(x + 1, top + t + 1, x + cw, top + t + zhoch);
                if (ownRow) {
                    const TPerson& pers = std::as_const(roster.personen)[row.person];
                    if (!hasAccount) {
                        const QString text = SumText(pers.monatssumme, s.StundenSumCheck);
                        canvas.TextOut(centred(text), top + t + 2, text);
                    } else if (secondOfPair) {
                        const int k = (c - days) / 2;
                        const TSumCells& cells = sumCells[static_cast<std::size_t>(ownIndex)];
                        const QString& text = cells.text[static_cast<std::size_t>(k)];
                        const bool red = k == 0 && cells.overMax;
                        if (red)
                            canvas.SetTextColor(kRed);
                        canvas.TextOut(x + 2 - canvas.TextWidth(text) / 2, top + t + 2, text);
                        if (red)
                            canvas.SetTextColor(canvas.FontColor());
                    }
                }
            }
            if (!printit && overlay.aktivx == c + 1 && overlay.aktivy == v) {
                canvas.SetPenColor(kRed);
                canvas.SetBrushClear();
                canvas.Rectangle(x + 2, top + t + 2, x + cw - 1, top + t + zhoch - 1);
            }
            canvas.SetPenColor(kBlack);
            if (dayColumn && !printit && overlay.marks != nullptr && overlay.marks->Get(c + 1, v))
                canvas.InvertRect(x + 1, top + t + 1, x + cw, top + t + zhoch);
        }

        if (dayColumn && s.ShowAnwCheck) {
            canvas.SetFontBold(true);
            canvas.SetBrushClear();
            const QString text = QString::number(present[c]);
            if (L.anwPage == page)
                canvas.TextOut(centred(text), top + L.anwT + 2, text);
        }
    }

    if (coverageHere) {
        canvas.TakeFont(s.FontDialog2, L.dpi1, L.zoom);
        drawCoverageRows(canvas, L, roster, check);
    }
    if (!printit)
        drawCursor(canvas, L.Geometry(), overlay);

    // 11. Horizontal rules down to the bottom of the page.
    canvas.SetPenColor(kBlack);
    const int ruleCount = (L.h - top - margin - hh) / zhoch;
    for (int i = 0; i <= ruleCount; ++i) {
        const int y = top + hh + i * zhoch;
        canvas.MoveTo(margin, y);
        canvas.LineTo(L.xr + 1, y);
    }

    // 12. Page caption.
    canvas.SetBrushColor(kWhite);
    canvas.TextOut(margin, margin,
        GetMessageText(23) + QLatin1Char(' ') + QString::number(page) + QLatin1Char(' ') + GetMessageText(24)
            + QLatin1Char(' ') + QString::number(L.maxseiten));

    return L.Geometry();
}
