#include "planner/monthplanner.h"

#include "calendar/feiertage.h"
#include "core/roster.h"
#include "i18n/messagetable.h"

#include <algorithm>
#include <array>
#include <map>

// ---- mouse and keys --------------------------------------------------------------------

bool TMonthSelection::MouseDown(const TMonthGeometry& geo, int x, int y, bool leftButton)
{
    if (!leftButton)
        return false;
    selecting = true;
    select.Clear();
    for (const QPoint& cell : geo.CellsAt(x, y)) {
        selmode = !select.Get(cell.x(), cell.y());
        select.Set(cell.x(), cell.y(), selmode);
        cursorOn = true;
        cx = anchorx = cell.x();
        cy = anchory = cell.y();
    }
    ox = x;
    oy = y;
    return true;
}

bool TMonthSelection::MouseMove(const TMonthGeometry& geo, int x, int y)
{
    if (selecting) {
        // Eleven points on the way from the previous position, both ends included.
        for (int i = 0; i <= 10; ++i) {
            const int px = static_cast<int>(((10LL - i) * ox + static_cast<long long>(i) * x) / 10);
            const int py = static_cast<int>(((10LL - i) * oy + static_cast<long long>(i) * y) / 10);
            for (const QPoint& cell : geo.CellsAt(px, py)) {
                select.Set(cell.x(), cell.y(), selmode);
                aktivx = cell.x();
                aktivy = cell.y();
            }
        }
        ox = x;
        oy = y;
        return true;
    }
    const std::vector<QPoint> hits = geo.CellsAt(x, y);
    if (hits.empty()) {
        aktivx = 0;
        aktivy = 0;
    } else {
        aktivx = hits.back().x();
        aktivy = hits.back().y();
    }
    return true;
}

// ---- keyboard cursor ----------------------------------------------------------------------

namespace {
int rowsOnPage(const TMonthGeometry& geo, int page)
{
    TMonthGeometry g = geo;
    g.page = page;
    return g.RowsOnPage();
}
} // namespace

bool TMonthSelection::ClampCursor(const TMonthGeometry& geo)
{
    const int days = std::clamp(geo.ax, 1, TMarks::kDays);
    const int rows = std::max(1, geo.RowsOnPage());
    const int nx = std::clamp(cx, 1, days), ny = std::clamp(cy, 1, rows);
    anchorx = std::clamp(anchorx, 1, days);
    anchory = std::clamp(anchory, 1, rows);
    const bool moved = nx != cx || ny != cy;
    cx = nx;
    cy = ny;
    return moved;
}

TCursorResult TMonthSelection::CursorKey(const TMonthGeometry& geo, TGridKey key, bool shift)
{
    TCursorResult result;
    result.handled = true;
    if (key == TGridKey::Escape) {
        select.Clear();
        dienststr.clear(); // a half-typed abbreviation goes as well
        return result;
    }
    if (!cursorOn) {
        // The first key shows the cursor where it is; it does not move yet.
        cursorOn = true;
        ClampCursor(geo);
        anchorx = cx;
        anchory = cy;
        if (key != TGridKey::Space)
            return result;
    }
    if (key == TGridKey::Space) {
        select.Set(cx, cy, !select.Get(cx, cy));
        anchorx = cx;
        anchory = cy;
        return result;
    }
    if (shift && !select.Any()) {
        anchorx = cx;
        anchory = cy;
    }
    const int days = std::clamp(geo.ax, 1, TMarks::kDays);
    const int page = std::max(1, geo.page);
    const int rows = std::max(1, geo.RowsOnPage());
    int x = cx, y = cy, toPage = page;
    switch (key) {
    case TGridKey::Left:
        x = cx - 1;
        break;
    case TGridKey::Right:
        x = cx + 1;
        break;
    case TGridKey::Home:
        x = 1;
        break;
    case TGridKey::End:
        x = days;
        break;
    case TGridKey::Up:
        y = cy - 1;
        if (y < 1 && !shift && page > 1) {
            toPage = page - 1;
            y = rowsOnPage(geo, toPage);
        }
        break;
    case TGridKey::Down:
        y = cy + 1;
        if (y > rows && !shift && page < geo.maxseiten && rowsOnPage(geo, page + 1) > 0) {
            toPage = page + 1;
            y = 1;
        }
        break;
    case TGridKey::PageUp:
        if (!shift && page > 1)
            toPage = page - 1;
        else
            y = 1;
        break;
    case TGridKey::PageDown:
        if (!shift && page < geo.maxseiten && rowsOnPage(geo, page + 1) > 0)
            toPage = page + 1;
        else
            y = rows;
        break;
    case TGridKey::First:
        x = 1;
        y = 1;
        toPage = 1;
        break;
    default:
        break;
    }
    const int pageRows = std::max(1, toPage == page ? rows : rowsOnPage(geo, toPage));
    cx = std::clamp(x, 1, days);
    cy = std::clamp(y, 1, pageRows);
    if (toPage != page)
        result.page = toPage;
    if (shift && toPage == page) {
        // The block from the anchor to the cursor is the marked area now.
        select.Clear();
        for (int d = std::min(anchorx, cx); d <= std::max(anchorx, cx); ++d) {
            for (int r = std::min(anchory, cy); r <= std::max(anchory, cy); ++r)
                select.Set(d, r, true);
        }
    } else {
        anchorx = cx;
        anchory = cy;
    }
    return result;
}

TMarks TMonthSelection::KeyTargets(const TMonthGeometry& geo) const
{
    const int rows = geo.RowsOnPage();
    for (int r = 1; r <= rows; ++r) {
        if (select.RowMarked(r))
            return select;
    }
    TMarks only;
    if (cursorOn)
        only.Set(cx, cy, true);
    return only;
}

void TMonthSelection::CursorToNextDay(const TMonthGeometry& geo)
{
    if (!cursorOn)
        return;
    cx = std::min(cx + 1, std::clamp(geo.ax, 1, TMarks::kDays));
    anchorx = cx;
    anchory = cy;
}

QString FoldAbbrev(const QString& s)
{
    QString out = s;
    for (QChar& c : out) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    }
    return out;
}

int MatchAbbrev(const TDynaArray<TDienst>& dienste, const QString& typed)
{
    if (typed.isEmpty())
        return 0;
    const QString want = FoldAbbrev(typed);
    for (int k = 0; k < dienste.Count(); ++k) {
        if (FoldAbbrev(dienste[k].kuerzel) == want)
            return k + 1;
    }
    return 0;
}

TKeyResult TMonthSelection::KeyPress(QChar c, const TDynaArray<TDienst>& dienste)
{
    TKeyResult result;
    result.repaint = true;
    if (c.unicode() == 13) {
        result.dienst = MatchAbbrev(dienste, dienststr);
        dienststr.clear();
        return result;
    }
    dienststr += c;
    if (dienststr.size() >= 3) {
        result.dienst = MatchAbbrev(dienste, dienststr);
        dienststr.clear();
    }
    return result;
}

// ---- rows to employees ------------------------------------------------------------------

int PersonOfPageRow(const std::vector<TMonthRow>& rows, const TMonthGeometry& geo, int r)
{
    const long long base = geo.PageBase();
    if (base < 0 || r < 1)
        return -1;
    const long long index = base + r - 1;
    if (index >= static_cast<long long>(rows.size()))
        return -1;
    return rows[static_cast<std::size_t>(index)].person;
}

std::vector<TMarkedRow> MarkedRows(const TRoster& roster, const TPlanSettings& settings, const TMonthView& view,
    const TMonthGeometry& geo, const TMarks& marks)
{
    std::vector<TMarkedRow> out;
    const std::vector<TMonthRow> rows
        = MonthRows(roster, view.year, view.month, view.filter, settings.AddFreeLinesCheck);
    TMonthGeometry g = geo;
    g.page = view.Page();
    // Only rows shown on the page count: a mark left on a row that a layout change (row
    // height, filter) pushed onto another page is not visible and must change nothing.
    const int last = g.RowsOnPage();
    for (int r = 1; r <= last; ++r) {
        if (!marks.RowMarked(r))
            continue;
        const int person = PersonOfPageRow(rows, g, r);
        if (person >= 0)
            out.push_back({r, person});
    }
    return out;
}

// ---- operations -------------------------------------------------------------------------

namespace {

using DaySet = std::array<bool, 31>;

// The marked days (within the month) of every employee with a marked row; blank rows add
// their days to their employee.
std::map<int, DaySet> markedDays(const TRoster& roster, const TPlanSettings& settings, const TMonthView& view,
    const TMonthGeometry& geo, const TMarks& marks)
{
    std::map<int, DaySet> out;
    const int days = MonthDays(view.year, view.month);
    for (const TMarkedRow& mr : MarkedRows(roster, settings, view, geo, marks)) {
        DaySet& set = out[mr.person];
        for (int d = 1; d <= days; ++d) {
            if (marks.Get(d, mr.row))
                set[d - 1] = true;
        }
    }
    return out;
}

bool validMonth(const TMonthView& view)
{
    return view.month >= 1 && view.month <= 12 && view.year >= 1 && view.year <= 9999;
}

// Deletes the entries at `indices` (any order) from the back, so earlier indices stay valid.
void deleteEntries(TPerson& p, std::vector<int> indices)
{
    std::sort(indices.begin(), indices.end(), std::greater<int>());
    for (int i : indices)
        p.eintraege.Delete(i);
}

bool appendEntry(TPerson& p, int year, int month, int day, int dienst, double ueberstunden)
{
    TEintrag* e = p.eintraege.Add();
    if (e == nullptr)
        return false;
    e->datum = EncodeDate(year, month, day);
    e->dienst = dienst;
    e->ueberstunden = ueberstunden;
    return true;
}

// Gives each day d with want[d - 1] ≥ 0 the duty want[d - 1]: a day without an entry
// gets a new one, an entry of another duty takes the new duty and keeps its extra hours,
// and duty 0 deletes the day's entry with its extra hours. Days with want < 0 stay as they
// are. Returns the number of entries changed.
int setDaysDienst(TPerson& p, int year, int month, const std::array<int, 31>& want)
{
    std::array<int, 31> idx;
    p.eintragIndex.FindMonth(std::as_const(p.eintraege), year, month, idx.data());
    int changed = 0;
    std::vector<int> gone;
    for (int d = 1; d <= 31; ++d) {
        const int k = want[d - 1], i = idx[d - 1];
        if (k > 0) {
            if (i < 0) {
                if (!appendEntry(p, year, month, d, k, 0))
                    break;
                ++changed;
            } else if (std::as_const(p.eintraege)[i].dienst != k) {
                p.eintraege[i].dienst = k;
                ++changed;
            }
        } else if (k == 0 && i >= 0) {
            gone.push_back(i);
        }
    }
    changed += static_cast<int>(gone.size());
    deleteEntries(p, std::move(gone));
    return changed;
}

} // namespace

int AssignDienst(TRoster& roster, const TPlanSettings& settings, const TMonthView& view, const TMonthGeometry& geo,
    const TMarks& marks, int k)
{
    if (!validMonth(view) || k > roster.dienste.Count())
        return 0;
    int changed = 0;
    for (const auto& [person, days] : markedDays(roster, settings, view, geo, marks)) {
        std::array<int, 31> want;
        for (int d = 1; d <= 31; ++d)
            want[d - 1] = days[d - 1] ? std::max(k, 0) : -1;
        changed += setDaysDienst(roster.personen[person], view.year, view.month, want);
    }
    return changed;
}

int AssignOverHours(TRoster& roster, const TPlanSettings& settings, const TMonthView& view, const TMonthGeometry& geo,
    const TMarks& marks, double value)
{
    if (!validMonth(view))
        return 0;
    int changed = 0;
    for (const auto& [person, days] : markedDays(roster, settings, view, geo, marks)) {
        TPerson& p = roster.personen[person];
        std::array<int, 31> idx;
        p.eintragIndex.FindMonth(std::as_const(p.eintraege), view.year, view.month, idx.data());
        for (int d = 1; d <= 31; ++d) {
            if (!days[d - 1])
                continue;
            if (idx[d - 1] >= 0) {
                p.eintraege[idx[d - 1]].ueberstunden = value;
            } else if (!appendEntry(p, view.year, view.month, d, 0, value)) {
                break;
            }
            ++changed;
        }
    }
    return changed;
}

int SetSollStunden(TRoster& roster, const TPlanSettings& settings, const TMonthView& view, const TMonthGeometry& geo,
    const TMarks& marks, double value)
{
    if (!TMonatsTabelle::InRange(view.year, view.month))
        return 0;
    std::vector<int> persons;
    for (const TMarkedRow& mr : MarkedRows(roster, settings, view, geo, marks))
        persons.push_back(mr.person);
    std::sort(persons.begin(), persons.end());
    persons.erase(std::unique(persons.begin(), persons.end()), persons.end());
    for (int person : persons)
        roster.personen[person].soll.Set(view.year, view.month, value);
    return static_cast<int>(persons.size());
}

int CopyPreviousMonth(TRoster& roster, const TMonthView& view, int shift)
{
    if (!validMonth(view))
        return 0;
    // Any shift beyond two months leaves every day without a source; the bound keeps the
    // arithmetic small.
    shift = std::clamp(shift, -1000, 1000);
    const int year = view.year, month = view.month;
    const int prevYear = month == 1 ? year - 1 : year;
    const int prevMonth = month == 1 ? 12 : month - 1;
    const int days = MonthDays(year, month);
    const int prevDays = MonthDays(prevYear, prevMonth);
    int changed = 0;

    const std::vector<int> active = ActiveEmployees(roster, year, month);
    for (int e = 1; e <= static_cast<int>(active.size()); ++e) {
        if (view.filter >= 1 && e != view.filter)
            continue;
        TPerson& p = roster.personen[active[e - 1]];
        const TDynaArray<TEintrag>& entries = p.eintraege;
        std::array<int, 31> src;
        p.eintragIndex.FindMonth(entries, prevYear, prevMonth, src.data());
        // Every day of the month gets the source day's duty, 0 (delete) when it has none.
        std::array<int, 31> want;
        want.fill(-1);
        for (int i = 1; i <= days; ++i) {
            const int sd = i - shift;
            want[i - 1] = sd >= 1 && sd <= prevDays && src[sd - 1] >= 0 ? std::max(entries[src[sd - 1]].dienst, 0) : 0;
        }
        changed += setDaysDienst(p, year, month, want);
    }
    return changed;
}

bool IsDefaultRoster(const TRoster& roster)
{
    if (roster.personen.Count() != 1 || roster.dienste.Count() != 1)
        return false;
    const TPerson& p = roster.personen[0];
    const TDienst& d = roster.dienste[0];
    // The defaults carry the message texts of the language they were made in.
    const bool person = p.name == QStringLiteral("Mustermann") || p.name == GetMessageText(13);
    const bool duty = d.name == QStringLiteral("Urlaub") || d.name == GetMessageText(14);
    return person && duty && p.eintraege.Count() == 0;
}
