// Marking, typed abbreviations, rows to employees, the operations on marked cells, copying
// the previous month, and the entry index against the walk.
#include "calendar/feiertage.h"
#include "planner/monthplanner.h"
#include "plannertestutil.h"
#include "testsupport.h"

#include <QRandomGenerator>

using namespace plantest;

using DayMap = QMap<int, QByteArray>;
Q_DECLARE_METATYPE(DayMap)

namespace {
// A geometry with cells of 10 × 10 pixels starting at (100, 50).
TMonthGeometry grid(int zeilen, int ay, int page = 1, int days = 31)
{
    TMonthGeometry g;
    g.zhoch = g.wy = 10;
    g.wx = 10;
    g.sx = 100;
    g.sy = 50;
    g.zeilen = zeilen;
    g.ay = ay;
    g.ax = days;
    g.page = page;
    g.maxseiten = 1;
    return g;
}
QPoint centre(int d, int r)
{
    return {100 + (d - 1) * 10 + 5, 50 + (r - 1) * 10 + 5};
}
// Entries of a month as day → duty (extra hours appended as "+h").
DayMap monthOf(const TPerson& p, int year, int month)
{
    DayMap out;
    for (const TEintrag& e : std::as_const(p.eintraege)) {
        int y, m, d;
        DecodeDate(e.datum, y, m, d);
        if (y == year && m == month) {
            QByteArray v = QByteArray::number(e.dienst);
            if (e.ueberstunden != 0)
                v += '+' + QByteArray::number(e.ueberstunden);
            out.insert(d, v);
        }
    }
    return out;
}
int walk(TRoster& r, TPerson& p, int y, int m, int d)
{
    TEintrag* e = r.EintragOfDay(p, y, m, d);
    return e ? static_cast<int>(e - p.eintraege.poi) : -1;
}
} // namespace

class TestMonthPlanner : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void hitTest_data()
    {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<QList<QPoint>>("cells");
        QTest::newRow("inside") << QPoint(115, 65) << QList<QPoint>{{2, 2}};
        QTest::newRow("line between two days") << QPoint(110, 65) << QList<QPoint>{{1, 2}, {2, 2}};
        QTest::newRow("corner of four") << QPoint(110, 60) << QList<QPoint>{{1, 1}, {1, 2}, {2, 1}, {2, 2}};
        QTest::newRow("left of the grid") << QPoint(99, 65) << QList<QPoint>{};
        QTest::newRow("below the last row of the page") << QPoint(115, 50 + 30 + 1) << QList<QPoint>{};
        QTest::newRow("bottom edge of the last row") << QPoint(115, 80) << QList<QPoint>{{2, 3}};
    }
    void hitTest()
    {
        QFETCH(QPoint, point);
        QFETCH(QList<QPoint>, cells);
        const std::vector<QPoint> hits = grid(4, 10).CellsAt(point.x(), point.y()); // 3 rows per page
        QCOMPARE(QList<QPoint>(hits.begin(), hits.end()), cells);
    }

    void rowsOnPage_data()
    {
        QTest::addColumn<int>("zeilen");
        QTest::addColumn<int>("ay");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("rows");
        QTest::newRow("full page") << 21 << 50 << 1 << 20;
        QTest::newRow("last page") << 21 << 50 << 3 << 10;
        QTest::newRow("page past the end") << 21 << 50 << 5 << 0;
        QTest::newRow("at most 100") << 300 << 250 << 1 << 100;
        QTest::newRow("no room for rows") << 1 << 50 << 1 << 0;
        QTest::newRow("negative budget") << -5 << 50 << 2 << 0;
    }
    void rowsOnPage()
    {
        QFETCH(int, zeilen);
        QFETCH(int, ay);
        QFETCH(int, page);
        QFETCH(int, rows);
        QCOMPARE(grid(zeilen, ay, page).RowsOnPage(), rows);
    }

    void dragMarksElevenPointsPerMove()
    {
        TMonthSelection sel;
        const TMonthGeometry g = grid(101, 200);
        // Before any press has hit a cell, a press outside marks nothing, nor does its drag.
        sel.MouseDown(g, 10, 10, true);
        sel.MouseMove(g, centre(3, 1).x(), centre(3, 1).y());
        QVERIFY(!sel.select.Any());
        sel.MouseUp();
        QVERIFY(sel.MouseDown(g, centre(1, 1).x(), centre(1, 1).y(), true));
        QVERIFY(sel.select.Get(1, 1));
        // Ten cells in one move: every cell on the way is hit.
        sel.MouseMove(g, centre(11, 1).x(), centre(11, 1).y());
        for (int d = 1; d <= 11; ++d)
            QVERIFY(sel.select.Get(d, 1));
        QCOMPARE(QPoint(sel.aktivx, sel.aktivy), QPoint(11, 1));
        // Thirty cells in one move leave gaps.
        sel.MouseMove(g, centre(31, 1).x(), centre(31, 1).y());
        int marked = 0;
        for (int d = 12; d <= 31; ++d)
            marked += sel.select.Get(d, 1);
        QVERIFY(marked >= 10 && marked < 20);
        sel.MouseUp();
        // Without the button only the hover cell follows; off the grid it is 0, 0.
        sel.MouseMove(g, centre(4, 7).x(), centre(4, 7).y());
        QCOMPARE(QPoint(sel.aktivx, sel.aktivy), QPoint(4, 7));
        QVERIFY(!sel.select.Get(4, 7));
        sel.MouseMove(g, 0, 0);
        QCOMPARE(QPoint(sel.aktivx, sel.aktivy), QPoint(0, 0));
        // A later press outside clears, and its drag marks again (selmode stays true).
        sel.MouseDown(g, 10, 10, true);
        QVERIFY(!sel.select.Any());
        sel.MouseMove(g, centre(2, 2).x(), centre(2, 2).y());
        QVERIFY(sel.select.Get(2, 2));
        // Other buttons do nothing.
        QVERIFY(!sel.MouseDown(g, centre(5, 5).x(), centre(5, 5).y(), false));
        QVERIFY(sel.select.Get(2, 2));
    }

    void marksAreBounded()
    {
        TMarks m;
        for (auto [d, r] : {std::pair{0, 1}, {32, 1}, {1, 0}, {1, 101}, {-7, -7}, {1000000, 5}})
            m.Set(d, r, true);
        QVERIFY(!m.Any());
        QVERIFY(!m.Get(32, 1) && !m.RowMarked(101));
        m.Set(31, 100, true);
        QVERIFY(m.Get(31, 100) && m.RowMarked(100));
    }

    void typedAbbreviations_data()
    {
        QTest::addColumn<QString>("keys"); // '\r' is Enter
        QTest::addColumn<int>("dienst");
        QTest::addColumn<QString>("left");
        QTest::newRow("three lower-case letters, no Enter") << QStringLiteral("nac") << 3 << QString();
        QTest::newRow("two letters need Enter") << QStringLiteral("fb") << 0 << QStringLiteral("fb");
        QTest::newRow("two letters and Enter") << QStringLiteral("fb\r") << 2 << QString();
        QTest::newRow("first match in list order") << QStringLiteral("f\r") << 1 << QString();
        QTest::newRow("third key without match clears") << QStringLiteral("xyz") << 0 << QString();
        QTest::newRow("umlaut typed as stored") << QString::fromUtf8("Üb\r") << 4 << QString();
        QTest::newRow("umlaut in the other case") << QString::fromUtf8("üb\r") << 0 << QString();
        QTest::newRow("Enter alone") << QStringLiteral("\r") << 0 << QString();
        QTest::newRow("fourth key starts afresh") << QStringLiteral("xyzf") << 0 << QStringLiteral("f");
    }
    void typedAbbreviations()
    {
        QFETCH(QString, keys);
        QFETCH(int, dienst);
        QFETCH(QString, left);
        TRoster r;
        clear(r);
        addDuty(r, QStringLiteral("Früh"), QStringLiteral("F"), 0, 8);
        addDuty(r, QStringLiteral("Fortbildung"), QStringLiteral("FB"), 0, 8);
        addDuty(r, QStringLiteral("Nacht"), QStringLiteral("NAC"), 0, 8);
        addDuty(r, QStringLiteral("Übergabe"), QString::fromUtf8("Üb"), 0, 8);
        addDuty(r, QStringLiteral("Auch früh"), QStringLiteral("f"), 0, 8);
        TMonthSelection sel;
        int matched = 0;
        for (QChar c : keys) {
            const TKeyResult res = sel.KeyPress(c == QLatin1Char('\r') ? QChar(13) : c, r.dienste);
            QVERIFY(res.repaint);
            if (res.dienst)
                matched = res.dienst;
        }
        QCOMPARE(matched, dienst);
        QCOMPARE(sel.dienststr, left);
    }

    void rowToEmployee_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<bool>("freeLines");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("owner"); // empty: nobody
        // Persons A, (X not yet hired), B, C, D, E; a page holds 3 rows (zeilen 4).
        QTest::newRow("first row") << 0 << false << 1 << 1 << QStringLiteral("A");
        QTest::newRow("inactive skipped") << 0 << false << 1 << 2 << QStringLiteral("B");
        QTest::newRow("page 2 starts at row zeilen") << 0 << false << 2 << 1 << QStringLiteral("D");
        QTest::newRow("past the last employee") << 0 << false << 2 << 3 << QString();
        QTest::newRow("filter on the third") << 3 << false << 1 << 1 << QStringLiteral("C");
        QTest::newRow("filter shows one row") << 3 << false << 1 << 2 << QString();
        QTest::newRow("blank row belongs to its employee") << 0 << true << 1 << 3 << QStringLiteral("A");
        QTest::newRow("blank rows on page 2") << 0 << true << 2 << 1 << QStringLiteral("B");
        QTest::newRow("filter with blank rows") << 2 << true << 1 << 2 << QStringLiteral("B");
    }
    void rowToEmployee()
    {
        QFETCH(int, filter);
        QFETCH(bool, freeLines);
        QFETCH(int, page);
        QFETCH(int, row);
        QFETCH(QString, owner);
        TRoster r;
        clear(r);
        for (const char* n : {"A", "X", "B", "C", "D", "E"})
            addPerson(r, QString::fromLatin1(n), n[0] == 'X' ? EncodeDate(2024, 4, 1) : 0);
        const std::vector<TMonthRow> rows = MonthRows(r, 2024, 3, filter, freeLines);
        const int person = PersonOfPageRow(rows, grid(4, static_cast<int>(rows.size()), page), row);
        QCOMPARE(person >= 0 ? r.personen[person].name : QString(), owner);
    }

    void assignDuty()
    {
        TRoster r;
        fill(r, 3);
        addDuty(r, QStringLiteral("Früh"), QStringLiteral("F"), 0, 8);
        addDuty(r, QStringLiteral("Spät"), QStringLiteral("S"), 0, 8);
        TPerson& a = r.personen[0];
        addEntry(a, 2024, 4, 1, 1, 2.5); // duty and extra hours
        addEntry(a, 2024, 4, 2, 0, 1); // extra hours only
        TPlanSettings s;
        s.AddFreeLinesCheck = true;
        const TMonthView v = view(2024, 4);
        const TMonthGeometry g = LayoutMonth(kW, kH, 96, 100, r, s, v);
        TMarks m;
        m.Set(1, 1, true);
        m.Set(2, 1, true);
        m.Set(3, 2, true); // A's first blank row
        m.Set(31, 1, true); // April has 30 days
        m.Set(5, 4, true); // the second employee
        QCOMPARE(AssignDienst(r, s, v, g, m, 2), 4);
        QCOMPARE(monthOf(a, 2024, 4), (DayMap{{1, "2+2.5"}, {2, "2+1"}, {3, "2"}}));
        QCOMPARE(monthOf(r.personen[1], 2024, 4), (DayMap{{5, "2"}}));
        // A duty beyond the list changes nothing; "Leerer Eintrag" deletes with the extra hours.
        QCOMPARE(AssignDienst(r, s, v, g, m, 3), 0);
        m.Set(3, 2, false);
        QCOMPARE(AssignDienst(r, s, v, g, m, 0), 3);
        QCOMPARE(monthOf(a, 2024, 4), (DayMap{{3, "2"}}));
        QVERIFY(monthOf(r.personen[1], 2024, 4).isEmpty());
        // Extra hours on an empty cell create an entry without duty.
        QCOMPARE(AssignOverHours(r, s, v, g, m, 1.5), 3);
        QCOMPARE(monthOf(a, 2024, 4), (DayMap{{1, "0+1.5"}, {2, "0+1.5"}, {3, "2"}}));
        QCOMPARE(monthOf(r.personen[1], 2024, 4), (DayMap{{5, "0+1.5"}}));
    }

    void marksBeyondTheRowsAreIgnored()
    {
        TRoster r;
        fill(r, 150);
        addDuty(r, QStringLiteral("Früh"), QStringLiteral("F"), 0, 8);
        TPlanSettings s;
        const TMonthView v = view(2024, 4);
        TMarks m;
        for (int row = 1; row <= 100; ++row)
            m.Set(1, row, true);
        // 120 rows per page: every mark up to 100 reaches its employee, nothing beyond.
        QCOMPARE(AssignDienst(r, s, v, grid(121, 150), m, 1), 100);
        QCOMPARE(r.personen[99].eintraege.Count(), 1);
        QCOMPARE(r.personen[100].eintraege.Count(), 0);
        // A page that holds no rows maps no marks.
        QCOMPARE(AssignDienst(r, s, v, grid(1, 150), m, 0), 0);
    }

    void cursorKeys_data()
    {
        // A month of 30 days, 25 rows, 10 rows per page (3 pages, the last with 5).
        QTest::addColumn<QPoint>("from"); // (day, page row)
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<int>("toPage"); // 0: stays
        QTest::addColumn<int>("marked"); // cells marked afterwards
        const auto k = [](TGridKey key) { return int(key); };
        QTest::newRow("right") << QPoint(3, 2) << 1 << k(TGridKey::Right) << false << QPoint(4, 2) << 0 << 0;
        QTest::newRow("left stops at day 1")
            << QPoint(1, 2) << 1 << k(TGridKey::Left) << false << QPoint(1, 2) << 0 << 0;
        QTest::newRow("end") << QPoint(3, 2) << 1 << k(TGridKey::End) << false << QPoint(30, 2) << 0 << 0;
        QTest::newRow("home") << QPoint(9, 2) << 1 << k(TGridKey::Home) << false << QPoint(1, 2) << 0 << 0;
        QTest::newRow("down past the page")
            << QPoint(5, 10) << 1 << k(TGridKey::Down) << false << QPoint(5, 1) << 2 << 0;
        QTest::newRow("up past the page") << QPoint(5, 1) << 2 << k(TGridKey::Up) << false << QPoint(5, 10) << 1 << 0;
        QTest::newRow("down on the last row of the month")
            << QPoint(5, 5) << 3 << k(TGridKey::Down) << false << QPoint(5, 5) << 0 << 0;
        QTest::newRow("page down onto a shorter page")
            << QPoint(5, 9) << 2 << k(TGridKey::PageDown) << false << QPoint(5, 5) << 3 << 0;
        QTest::newRow("page up") << QPoint(5, 4) << 2 << k(TGridKey::PageUp) << false << QPoint(5, 4) << 1 << 0;
        QTest::newRow("page down on the last page")
            << QPoint(5, 2) << 3 << k(TGridKey::PageDown) << false << QPoint(5, 5) << 0 << 0;
        QTest::newRow("ctrl+home") << QPoint(7, 4) << 3 << k(TGridKey::First) << false << QPoint(1, 1) << 1 << 0;
        QTest::newRow("shift+right marks two")
            << QPoint(3, 2) << 1 << k(TGridKey::Right) << true << QPoint(4, 2) << 0 << 2;
        QTest::newRow("shift+down stays on the page")
            << QPoint(3, 10) << 1 << k(TGridKey::Down) << true << QPoint(3, 10) << 0 << 1;
        QTest::newRow("shift+end marks the row")
            << QPoint(1, 4) << 1 << k(TGridKey::End) << true << QPoint(30, 4) << 0 << 30;
        QTest::newRow("space marks the cell")
            << QPoint(6, 6) << 1 << k(TGridKey::Space) << false << QPoint(6, 6) << 0 << 1;
    }
    void cursorKeys()
    {
        QFETCH(QPoint, from);
        QFETCH(int, page);
        QFETCH(int, key);
        QFETCH(bool, shift);
        QFETCH(QPoint, to);
        QFETCH(int, toPage);
        QFETCH(int, marked);
        TMonthGeometry g = grid(11, 25, page, 30);
        g.maxseiten = 3;
        TMonthSelection sel;
        sel.cursorOn = true;
        sel.cx = sel.anchorx = from.x();
        sel.cy = sel.anchory = from.y();
        const TCursorResult result = sel.CursorKey(g, TGridKey(key), shift);
        QVERIFY(result.handled);
        QCOMPARE(QPoint(sel.cx, sel.cy), to);
        QCOMPARE(result.page, toPage);
        int count = 0;
        for (int d = 1; d <= 31; ++d)
            for (int r = 1; r <= 100; ++r)
                count += sel.select.Get(d, r);
        QCOMPARE(count, marked);
    }

    void cursorTargetsAndClamping()
    {
        TMonthGeometry g = grid(11, 25, 1, 30);
        TMonthSelection sel;
        // Off: the first key shows the cursor without moving it; nothing to assign before.
        QVERIFY(!sel.KeyTargets(g).Any());
        sel.CursorKey(g, TGridKey::Down, false);
        QVERIFY(sel.cursorOn);
        QCOMPARE(QPoint(sel.cx, sel.cy), QPoint(1, 1));
        // Without marks the cursor's cell is the target; with marks only the marks.
        sel.cx = 4;
        sel.cy = 3;
        TMarks targets = sel.KeyTargets(g);
        QVERIFY(targets.Get(4, 3));
        sel.select.Set(9, 9, true);
        targets = sel.KeyTargets(g);
        QVERIFY(targets.Get(9, 9) && !targets.Get(4, 3));
        // A mark on a row the page does not show does not count as marked.
        g.ay = 5;
        QVERIFY(sel.KeyTargets(g).Get(4, 3));
        // After an assignment the cursor goes to the next day, never past the month.
        sel.cx = 30;
        sel.CursorToNextDay(g);
        QCOMPARE(sel.cx, 30);
        // Fewer days and rows (another month, a filter): the cursor is clamped.
        sel.cy = 9;
        QVERIFY(sel.ClampCursor(grid(11, 3, 1, 28)));
        QCOMPARE(QPoint(sel.cx, sel.cy), QPoint(28, 3));
        // Escape clears the marks and the typed characters and keeps the cursor.
        sel.dienststr = QStringLiteral("F");
        sel.CursorKey(g, TGridKey::Escape, false);
        QVERIFY(!sel.select.Any());
        QVERIFY(sel.dienststr.isEmpty());
        QVERIFY(sel.cursorOn);
    }

    void targetHours()
    {
        TRoster r;
        fill(r, 2);
        TPlanSettings s;
        TMarks m;
        m.Set(7, 2, true);
        const TMonthGeometry g = grid(10, 2);
        QCOMPARE(SetSollStunden(r, s, view(2101, 1), g, m, 150), 0);
        QCOMPARE(SetSollStunden(r, s, view(2024, 3), g, m, 150), 1);
        QCOMPARE(r.personen[1].soll.Get(2024, 3), 150.0);
        QCOMPARE(r.personen[0].soll.Get(2024, 3), 0.0);
    }

    void copyPreviousMonth_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("shift");
        QTest::addColumn<DayMap>("expected"); // target month of the first employee
        // Source month: day d has duty d % 3 (0 = an entry with extra hours only); the
        // target month starts with entries on days 1, 2 and 31 (day 2 with extra hours).
        auto expect = [](int days, int prevDays, int shift) {
            DayMap out;
            for (int i = 1; i <= days; ++i) {
                const int sd = i - shift;
                if (sd >= 1 && sd <= prevDays && sd % 3 != 0)
                    out[i] = QByteArray::number(sd % 3) + (i == 2 ? "+4" : "");
            }
            return out;
        };
        QTest::newRow("January from December") << 2025 << 1 << 0 << expect(31, 31, 0);
        QTest::newRow("31 days after 30") << 2024 << 5 << 0 << expect(31, 30, 0);
        QTest::newRow("shift 7") << 2024 << 5 << 7 << expect(31, 30, 7);
        QTest::newRow("shift -2") << 2024 << 5 << -2 << expect(31, 30, -2);
        QTest::newRow("huge shift empties the month") << 2024 << 5 << 2000000000 << DayMap{};
    }
    void copyPreviousMonth()
    {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, shift);
        QFETCH(DayMap, expected);
        const int prevYear = month == 1 ? year - 1 : year, prevMonth = month == 1 ? 12 : month - 1;
        TRoster r;
        clear(r);
        addDuty(r, QStringLiteral("Früh"), QStringLiteral("F"), 0, 8);
        addDuty(r, QStringLiteral("Spät"), QStringLiteral("S"), 0, 8);
        addPerson(r, QStringLiteral("A"));
        addPerson(r, QStringLiteral("Later"), EncodeDate(year + 1, 1, 1)); // not active
        addPerson(r, QStringLiteral("B"));
        for (int i : {0, 1, 2}) {
            TPerson& p = r.personen[i];
            for (int d = 1; d <= MonthDays(prevYear, prevMonth); ++d)
                addEntry(p, prevYear, prevMonth, d, d % 3, d % 3 == 0 ? 2 : 0);
            addEntry(p, year, month, 1, 2);
            addEntry(p, year, month, 2, 1, 4);
            addEntry(p, year, month, 31, 1);
        }
        const auto untouched = monthOf(r.personen[1], year, month);
        QVERIFY(CopyPreviousMonth(r, view(year, month), shift) > 0);
        QCOMPARE(monthOf(r.personen[0], year, month), expected);
        QCOMPARE(monthOf(r.personen[2], year, month), expected);
        QCOMPARE(monthOf(r.personen[1], year, month), untouched);
        // The filter keeps all but the chosen employee as they are.
        const auto before = monthOf(r.personen[2], year, month);
        CopyPreviousMonth(r, view(prevYear, prevMonth, 1, 1), 5);
        QCOMPARE(monthOf(r.personen[2], prevYear, prevMonth).size(), MonthDays(prevYear, prevMonth));
        QVERIFY(monthOf(r.personen[0], prevYear, prevMonth).size() < MonthDays(prevYear, prevMonth));
        QCOMPARE(monthOf(r.personen[2], year, month), before);
    }

    // The index answers what the walk answers, through appends, deletes, swaps, edits
    // through pointers, duplicates of a day, a cleared list and moved-in containers.
    void entryIndexAgreesWithTheWalk()
    {
        TRoster r;
        fill(r, 1);
        TPerson& p = r.personen[0];
        QRandomGenerator rng(4711);
        const TDateTime base = EncodeDate(2024, 1, 1);
        auto check = [&] {
            for (int day = 0; day < 70; ++day) {
                const QDate d = DateTimeToDate(base + day);
                QCOMPARE(TRoster::EintragIndexOfDay(p, d.year(), d.month(), d.day()),
                    walk(r, p, d.year(), d.month(), d.day()));
            }
            int month[31];
            p.eintragIndex.FindMonth(p.eintraege, 2024, 2, month);
            for (int d = 1; d <= 29; ++d)
                QCOMPARE(month[d - 1], walk(r, p, 2024, 2, d));
        };
        for (int step = 0; step < 400; ++step) {
            const int n = p.eintraege.Count();
            switch (rng.bounded(6)) {
            case 0:
            case 1: {
                TEintrag* e = p.eintraege.Add();
                e->datum = base + rng.bounded(60) + (rng.bounded(4) == 0 ? 0.5 : 0.0);
                break;
            }
            case 2:
                if (n > 0)
                    p.eintraege.Delete(static_cast<int>(rng.bounded(n)));
                break;
            case 3:
                if (n > 1)
                    p.eintraege.Change(static_cast<int>(rng.bounded(n)), static_cast<int>(rng.bounded(n)));
                break;
            case 4:
                if (n > 0)
                    p.eintraege[static_cast<int>(rng.bounded(n))].datum = base + rng.bounded(60);
                break;
            case 5:
                if (n > 0) {
                    for (TEintrag& e : p.eintraege) // edits through pointers of a walk
                        if (rng.bounded(8) == 0)
                            e.datum = rng.bounded(10) == 0 ? 1e300 : base + rng.bounded(60);
                }
                break;
            }
            check();
            if (step == 200) {
                TDynaArray<TEintrag> other;
                other.Add()->datum = base + 3;
                p.eintraege = std::move(other);
                check();
                p.eintraege.Clear();
                check();
            }
        }
        // Scattered dates use the sparse table.
        p.eintraege.Clear();
        p.eintraege.Add()->datum = EncodeDate(1950, 1, 1);
        p.eintraege.Add()->datum = EncodeDate(2024, 2, 3);
        p.eintraege.Add()->datum = EncodeDate(2024, 2, 3);
        check();
        QCOMPARE(TRoster::EintragIndexOfDay(p, 1950, 1, 1), 0);
        QCOMPARE(TRoster::EintragIndexOfDay(p, 2024, 2, 30), -1);
    }
};

ROSTELMARK_TEST_MAIN(TestMonthPlanner)
#include "tst_monthplanner.moc"
