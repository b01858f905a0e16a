// Day attendance list and year overview: who is listed and counted as present, paging
// with the extra attendance page, the year's calendar layout, and pages too small or
// too empty to hold anything.
#include "calendar/feiertage.h"
#include "testsupport.h"
#include "views/dayview.h"
#include "views/yearview.h"
#include "viewtestutil.h"

#include <QImage>

using namespace viewtest;

namespace {

const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);

struct DayPage {
    QImage image;
    TDayGeometry geo;
};

DayPage drawDay(const TRoster& r, const TPlanSettings& s, const QDate& date, double page = 1, int w = kW, int h = kH,
    double zoom = 100)
{
    DayPage p{whitePage(w, h), {}};
    TCanvas canvas(&p.image);
    TDayView v;
    v.date = date;
    v.page = page;
    p.geo = DrawDay(canvas, w, h, 96, 600, zoom, false, r, s, v);
    return p;
}

struct YearPage {
    QImage image;
    TYearGeometry geo;
};

YearPage drawYear(
    const TRoster& r, const TPlanSettings& s, int year, int selected, int w = kW, int h = kH, double zoom = 100)
{
    YearPage p{whitePage(w, h), {}};
    TCanvas canvas(&p.image);
    TYearView v;
    v.year = year;
    v.selected = selected;
    p.geo = DrawYear(canvas, w, h, 96, 600, zoom, false, r, s, v);
    return p;
}

int countColour(const QImage& image, const QRect& area, const QColor& c)
{
    int n = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += image.pixelColor(x, y) == c ? 1 : 0;
    return n;
}

bool allWhite(const QImage& image)
{
    return countColour(image, image.rect(), Qt::white) == image.width() * image.height();
}

const TYearDay* findDay(const TYearGeometry& g, int month, int day)
{
    for (const TYearDay& d : g.days)
        if (d.month == month && d.day == day)
            return &d;
    return nullptr;
}

} // namespace

class TestDayYear : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { FillWeekdayAbbrev(); }

    // ---- day list: presence and counting ------------------------------------------------

    void attendance_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QList<int>>("entries"); // duty numbers of the day, stored order
        QTest::addColumn<bool>("countNoDienst");
        QTest::addColumn<bool>("present");
        QTest::addColumn<int>("dienst");
        const QDate saturday(2024, 3, 16), sunday(2024, 3, 17), monday(2024, 3, 18);
        const QDate christmas(2024, 12, 25); // a Wednesday
        // Duty 1 "Frühdienst" is work, duty 2 "Urlaub" an absence.
        QTest::newRow("Saturday without duty") << saturday << QList<int>{} << false << false << 0;
        QTest::newRow("Sunday without duty") << sunday << QList<int>{} << false << false << 0;
        QTest::newRow("holiday without duty") << christmas << QList<int>{} << false << false << 0;
        QTest::newRow("work on a Saturday") << saturday << QList<int>{1} << false << true << 1;
        QTest::newRow("work on a holiday") << christmas << QList<int>{1} << false << true << 1;
        QTest::newRow("absence on a Saturday") << saturday << QList<int>{2} << false << false << 2;
        QTest::newRow("weekday without entry, switch off") << monday << QList<int>{} << false << true << 0;
        QTest::newRow("weekday without entry, switch on") << monday << QList<int>{} << true << false << 0;
        QTest::newRow("weekday with work, switch on") << monday << QList<int>{1} << true << true << 1;
        QTest::newRow("weekday with absence") << monday << QList<int>{2} << false << false << 2;
        QTest::newRow("duty 0 skipped, the walk goes on") << monday << QList<int>{0, 2} << false << false << 2;
        QTest::newRow("duty 0 skipped on a Saturday") << saturday << QList<int>{0, 1} << false << true << 1;
        QTest::newRow("only duty 0, switch on") << monday << QList<int>{0} << true << false << 0;
        QTest::newRow("first usable entry wins") << monday << QList<int>{2, 1} << false << false << 2;
        QTest::newRow("duty outside the list is passed over") << monday << QList<int>{99, -3} << true << false << 0;
        QTest::newRow("outside the list, then a duty") << saturday << QList<int>{99, 1} << false << true << 1;
    }

    void attendance()
    {
        QFETCH(QDate, date);
        QFETCH(QList<int>, entries);
        QFETCH(bool, countNoDienst);
        QFETCH(bool, present);
        QFETCH(int, dienst);
        TRoster r;
        clear(r);
        addDuty(r, QStringLiteral("Frühdienst"), QStringLiteral("F"), 0x0000FF);
        addDuty(r, QStringLiteral("Urlaub"), QStringLiteral("U"), 0xFF0000, true);
        TPerson& p = addPerson(r, QStringLiteral("Anna"));
        addEntry(p, date.addDays(-1), 2); // neighbouring days do not count
        for (int d : entries)
            addEntry(p, date, d);
        addEntry(p, date.addDays(1), 1);
        TPlanSettings s;
        s.CountNoDienstCheck = countNoDienst;

        const TDayAttendance list = DayAttendance(r, s, date);
        QCOMPARE(list.rows.size(), std::size_t(1));
        QCOMPARE(list.rows[0].present, present);
        QCOMPARE(list.rows[0].dienst, dienst);
        QCOMPARE(list.count, present ? 1 : 0);

        // The drawing counts the same, and paints the duty's colour only for a duty.
        const DayPage page = drawDay(r, s, date);
        QCOMPARE(page.geo.count, list.count);
        const int x = page.geo.margin + page.geo.nameWidth + 1;
        const int y = page.geo.top + page.geo.headerHeight + 1;
        const QRect cell(x, y, page.geo.columnWidth - 1, page.geo.rowHeight - 1);
        const QColor expected = dienst == 1 ? kRed : dienst == 2 ? kBlue : QColor(Qt::white);
        QVERIFY(countColour(page.image, cell, expected) > cell.width() * cell.height() / 2);
    }

    void holidaySwitchedOff()
    {
        TRoster r;
        clear(r);
        addPerson(r, QStringLiteral("Anna"));
        TPlanSettings s;
        QCOMPARE(DayAttendance(r, s, QDate(2024, 12, 25)).count, 0);
        s.FeiertageList[24] = false; // "Weihnachten"
        QCOMPARE(DayAttendance(r, s, QDate(2024, 12, 25)).count, 1);
    }

    void listedPersons_data()
    {
        QTest::addColumn<QDate>("hired");
        QTest::addColumn<QDate>("left");
        QTest::addColumn<bool>("dismissed");
        QTest::addColumn<bool>("listed");
        // The day shown is 18 March 2024.
        QTest::newRow("hired on the last day of the month") << QDate(2024, 3, 31) << QDate() << false << true;
        QTest::newRow("hired next month") << QDate(2024, 4, 1) << QDate() << false << false;
        QTest::newRow("dismissed in the month") << QDate(2020, 1, 1) << QDate(2024, 3, 1) << true << true;
        QTest::newRow("dismissed the month before") << QDate(2020, 1, 1) << QDate(2024, 2, 29) << true << false;
        QTest::newRow("left date but not dismissed") << QDate(2020, 1, 1) << QDate(2024, 2, 29) << false << true;
    }

    void listedPersons()
    {
        QFETCH(QDate, hired);
        QFETCH(QDate, left);
        QFETCH(bool, dismissed);
        QFETCH(bool, listed);
        TRoster r;
        clear(r);
        TPerson& p = addPerson(r, QStringLiteral("Anna"), DateToDateTime(hired));
        p.entlassen = left.isValid() ? DateToDateTime(left) : 0;
        p.istentlassen = dismissed;
        addPerson(r, QStringLiteral("Bernd"));
        const TDayAttendance list = DayAttendance(r, TPlanSettings(), QDate(2024, 3, 18));
        QCOMPARE(list.rows.size(), std::size_t(listed ? 2 : 1));
        QCOMPARE(list.rows.back().person, 1);
        QCOMPARE(list.count, listed ? 2 : 1);
    }

    // ---- day list: pages ----------------------------------------------------------------

    void pageCount_data()
    {
        QTest::addColumn<int>("fullPages");
        QTest::addColumn<int>("extra");
        QTest::addColumn<int>("pages");
        QTest::newRow("no persons") << 0 << 0 << 1;
        QTest::newRow("one person") << 0 << 1 << 1;
        QTest::newRow("one short of a page") << 1 << -1 << 1;
        QTest::newRow("exactly a page: attendance row on a second") << 1 << 0 << 2;
        QTest::newRow("a page and one") << 1 << 1 << 2;
        QTest::newRow("exactly two pages") << 2 << 0 << 3;
    }

    void pageCount()
    {
        QFETCH(int, fullPages);
        QFETCH(int, extra);
        QFETCH(int, pages);
        TRoster r;
        clear(r);
        const TPlanSettings s;
        const QDate day(2024, 3, 18);
        const int n = drawDay(r, s, day).geo.rowsPerPage;
        QVERIFY(n > 5);
        for (int i = 0; i < fullPages * n + extra; ++i)
            addPerson(r, QStringLiteral("P%1").arg(i + 1));
        for (int page = 1; page <= pages + 1; ++page) {
            const DayPage p = drawDay(r, s, day, page);
            QCOMPARE(p.geo.maxseiten2, pages);
            QCOMPARE(p.geo.persons, fullPages * n + extra);
        }
    }

    void extraPageHoldsOnlyTheAttendanceRow()
    {
        TRoster r;
        clear(r);
        addDuty(r, QStringLiteral("Frühdienst"), QStringLiteral("F"), 0x0000FF);
        const TPlanSettings s;
        const QDate day(2024, 3, 18);
        const int n = drawDay(r, s, day).geo.rowsPerPage;
        for (int i = 0; i < n; ++i)
            addEntry(addPerson(r, QStringLiteral("P%1").arg(i + 1)), day, 1);

        const DayPage first = drawDay(r, s, day, 1);
        const DayPage second = drawDay(r, s, day, 2);
        QCOMPARE(first.geo.maxseiten2, 2);
        QCOMPARE(second.geo.page, 2);
        QCOMPARE(first.geo.count, n);
        const int x = first.geo.margin + first.geo.nameWidth + 2;
        auto rowCell = [&](const DayPage& p, int row) {
            return QRect(x, p.geo.top + p.geo.headerHeight + row * p.geo.rowHeight + 2, 3, 3);
        };
        // Page 1: every row carries the duty colour; page 2: no duty cell at all.
        QCOMPARE(countColour(first.image, rowCell(first, 0), kRed), 9);
        QCOMPARE(countColour(first.image, rowCell(first, n - 1), kRed), 9);
        QCOMPARE(countColour(second.image, QRect(0, 0, kW, kH), kRed), 0);
        QCOMPARE(countColour(second.image, rowCell(second, 0), Qt::white), 9);
    }

    void degeneratePages_data()
    {
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        QTest::addColumn<double>("zoom");
        QTest::addColumn<int>("persons");
        QTest::addColumn<double>("page");
        QTest::addColumn<double>("margin");
        QTest::addColumn<int>("pages"); // 0 = not checked
        QTest::newRow("zoom 10 %") << kW << kH << 10.0 << 30 << 1.0 << 10.0 << 0;
        QTest::newRow("too small for one row") << 200 << 60 << 100.0 << 5 << 1.0 << 10.0 << 6;
        QTest::newRow("empty page") << 0 << 0 << 100.0 << 3 << 1.0 << 10.0 << 4;
        QTest::newRow("no persons") << kW << kH << 100.0 << 0 << 1.0 << 10.0 << 1;
        QTest::newRow("page beyond the count") << kW << kH << 100.0 << 3 << 500.0 << 10.0 << 1;
        QTest::newRow("page not a number") << kW << kH << 100.0 << 3 << qQNaN() << 10.0 << 1;
        QTest::newRow("margin not a number") << kW << kH << 100.0 << 3 << 1.0 << qQNaN() << 1;
        QTest::newRow("zoom not a number") << kW << kH << qQNaN() << 3 << 1.0 << 10.0 << 1;
        QTest::newRow("margin wider than the page") << 100 << 100 << 300.0 << 3 << 1.0 << 30.0 << 4;
    }

    void degeneratePages()
    {
        QFETCH(int, w);
        QFETCH(int, h);
        QFETCH(double, zoom);
        QFETCH(int, persons);
        QFETCH(double, page);
        QFETCH(double, margin);
        QFETCH(int, pages);
        TRoster r;
        clear(r);
        addDuty(r, QStringLiteral("Frühdienst"), QStringLiteral("F"), 0x0000FF);
        for (int i = 0; i < persons; ++i)
            addEntry(addPerson(r, QStringLiteral("P%1").arg(i + 1)), QDate(2024, 3, 18), 1);
        TPlanSettings s;
        s.RandBreitEd = margin;
        const DayPage p = drawDay(r, s, QDate(2024, 3, 18), page, w, h, zoom);
        QVERIFY(p.geo.maxseiten2 >= 1);
        QVERIFY(p.geo.rowHeight >= 5);
        QCOMPARE(p.geo.count, persons);
        if (pages > 0)
            QCOMPARE(p.geo.maxseiten2, pages);
    }

    // ---- year overview ------------------------------------------------------------------

    void yearWeekColumns_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("firstColumn");
        QTest::newRow("September 2024 starts on a Sunday") << 2024 << 9 << 6;
        QTest::newRow("December 2024 starts on a Sunday") << 2024 << 12 << 6;
        QTest::newRow("April 2024 starts on a Monday") << 2024 << 4 << 0;
        QTest::newRow("March 2024 starts on a Friday") << 2024 << 3 << 4;
    }

    void yearWeekColumns()
    {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, firstColumn);
        TRoster r;
        clear(r);
        addPerson(r, QStringLiteral("Anna"));
        const YearPage p = drawYear(r, TPlanSettings(), year, 0);
        const TYearDay* first = findDay(p.geo, month, 1);
        const TYearDay* second = findDay(p.geo, month, 2);
        QVERIFY(first && second);
        QCOMPARE(first->column, firstColumn);
        const int tw = p.geo.dayWidth;
        if (firstColumn == 6) {
            // The second day opens the next week row, in the first column.
            QCOMPARE(second->column, 0);
            QCOMPARE(second->y, first->y + p.geo.weekHeight);
            QCOMPARE(second->x, first->x - 6 * tw);
        } else {
            QCOMPARE(second->y, first->y);
            QCOMPARE(second->x, first->x + tw);
        }
    }

    void yearLength_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<bool>("leap");
        QTest::newRow("2024") << 2024 << true;
        QTest::newRow("2023") << 2023 << false;
        QTest::newRow("1900") << 1900 << false;
        QTest::newRow("2000") << 2000 << true;
    }

    void yearLength()
    {
        QFETCH(int, year);
        QFETCH(bool, leap);
        TRoster r;
        clear(r);
        addPerson(r, QStringLiteral("Anna"));
        const YearPage p = drawYear(r, TPlanSettings(), year, 0);
        QCOMPARE(int(p.geo.days.size()), leap ? 366 : 365);
        QCOMPARE(findDay(p.geo, 2, 29) != nullptr, leap);
        QVERIFY(findDay(p.geo, 2, 28) != nullptr);
        QVERIFY(findDay(p.geo, 3, 1) != nullptr);
    }

    void yearShowsTheSelectedEmployee()
    {
        TRoster r;
        clear(r);
        addDuty(r, QStringLiteral("Frühdienst"), QStringLiteral("F"), 0x0000FF);
        TPerson& gone = addPerson(r, QStringLiteral("Alt"), DateToDateTime(QDate(2010, 1, 1)));
        gone.entlassen = DateToDateTime(QDate(2023, 12, 31));
        gone.istentlassen = true;
        addEntry(gone, QDate(2024, 1, 2), 1);
        addPerson(r, QStringLiteral("Neu"), DateToDateTime(QDate(2025, 1, 1)));
        TPerson& clara = addPerson(r, QStringLiteral("Clara"));
        addEntry(clara, QDate(2024, 1, 3), 1);
        addEntry(clara, QDate(2024, 1, 4), 0); // no duty: the number only
        addEntry(clara, QDate(2024, 1, 5), 7); // outside the list: the number only
        TPerson& dora = addPerson(r, QStringLiteral("Dora"));
        dora.istentlassen = true;
        dora.entlassen = DateToDateTime(QDate(2024, 2, 1)); // dismissed this year: still offered

        QCOMPARE(YearEmployees(r, 2024), (std::vector<int>{2, 3}));
        const YearPage p = drawYear(r, TPlanSettings(), 2024, 0);
        QCOMPARE(p.geo.person, 2);
        QVERIFY(p.geo.heading.contains(QStringLiteral("Rostelmark Clara 2024")));
        auto below = [&](int day) {
            const TYearDay* d = findDay(p.geo, 1, day);
            return QRect(d->x, d->y + p.geo.lineHeight, p.geo.dayWidth, p.geo.lineHeight);
        };
        QCOMPARE(findDay(p.geo, 1, 3)->dienst, 1);
        QVERIFY(countColour(p.image, below(3), kRed) > 0);
        QCOMPARE(findDay(p.geo, 1, 2)->dienst, 0); // Alt's entry, not Clara's
        QCOMPARE(countColour(p.image, below(2), kRed), 0);
        QCOMPARE(findDay(p.geo, 1, 4)->dienst, 0);
        QCOMPARE(findDay(p.geo, 1, 5)->dienst, 0);
        QCOMPARE(countColour(p.image, QRect(0, 0, kW, kH), kRed), countColour(p.image, below(3), kRed));

        QCOMPARE(drawYear(r, TPlanSettings(), 2024, 1).geo.person, 3);
    }

    void yearWithoutEmployeeDrawsNothing_data()
    {
        QTest::addColumn<int>("persons");
        QTest::addColumn<int>("selected");
        QTest::newRow("no selection") << 2 << -1;
        QTest::newRow("selection beyond the list") << 2 << 2;
        QTest::newRow("no persons") << 0 << 0;
    }

    void yearWithoutEmployeeDrawsNothing()
    {
        QFETCH(int, persons);
        QFETCH(int, selected);
        TRoster r;
        clear(r);
        for (int i = 0; i < persons; ++i)
            addPerson(r, QStringLiteral("P%1").arg(i + 1));
        const YearPage p = drawYear(r, TPlanSettings(), 2024, selected);
        QCOMPARE(p.geo.person, -1);
        QVERIFY(p.geo.days.empty());
        QVERIFY(allWhite(p.image));
    }

    void yearBlocksWrapAtTheRightMargin()
    {
        TRoster r;
        clear(r);
        addPerson(r, QStringLiteral("Anna"));
        const TPlanSettings s;
        const YearPage wide = drawYear(r, s, 2024, 0);
        const int m = wide.geo.margin, tw = wide.geo.dayWidth, ws = wide.geo.weekHeight;
        QVERIFY(tw > 0);
        // Two blocks fit exactly: January and February side by side, March below.
        const YearPage two = drawYear(r, s, 2024, 0, 2 * m + 18 * tw);
        const TYearDay* jan = findDay(two.geo, 1, 1);
        const TYearDay* feb = findDay(two.geo, 2, 1);
        const TYearDay* mar = findDay(two.geo, 3, 1);
        QCOMPARE(feb->x - 9 * tw * 1 - tw * feb->column, jan->x - tw * jan->column);
        QCOMPARE(feb->y, jan->y);
        QCOMPARE(mar->x - tw * mar->column, m);
        QCOMPARE(mar->y, jan->y + 7 * ws);
        // One pixel less: every block starts a band of its own.
        const YearPage one = drawYear(r, s, 2024, 0, 2 * m + 18 * tw - 1);
        for (int month = 1; month <= 12; ++month) {
            const TYearDay* d = findDay(one.geo, month, 1);
            QCOMPARE(d->x - tw * d->column, m);
            QCOMPARE(d->y, findDay(one.geo, 1, 1)->y + (month - 1) * 7 * ws);
        }
    }

    void yearDegenerate_data()
    {
        QTest::addColumn<int>("w");
        QTest::addColumn<double>("zoom");
        QTest::newRow("zoom 10 %") << kW << 10.0;
        QTest::newRow("one pixel wide") << 1 << 100.0;
        QTest::newRow("zoom not a number") << kW << qQNaN();
        QTest::newRow("zoom 300 %") << kW << 300.0;
    }

    void yearDegenerate()
    {
        QFETCH(int, w);
        QFETCH(double, zoom);
        TRoster r;
        clear(r);
        addDuty(r, QStringLiteral("Frühdienst"), QStringLiteral("F"), 0x0000FF);
        addEntry(addPerson(r, QStringLiteral("Anna")), QDate(2024, 5, 5), 1);
        const YearPage p = drawYear(r, TPlanSettings(), 2024, 0, w, kH, zoom);
        QCOMPARE(p.geo.person, 0);
        QCOMPARE(int(p.geo.days.size()), 366);
    }

    void previewSize_data()
    {
        QTest::addColumn<int>("zoom");
        QTest::addColumn<QSize>("size");
        // A4 landscape at 600 dpi, shown at 96 dpi.
        QTest::newRow("100 %") << 100 << QSize(1122, 793);
        QTest::newRow("200 %") << 200 << QSize(2245, 1587);
        QTest::newRow("10 %") << 10 << QSize(112, 79);
    }

    void previewSize()
    {
        QFETCH(int, zoom);
        QFETCH(QSize, size);
        QCOMPARE(ScaledPageSize(7016, 4961, 600, 96, zoom), size);
        QCOMPARE(ScaledPageSize(7016, 4961, 0, 96, zoom), QSize(1, 1));
    }
};

ROSTELMARK_TEST_MAIN(TestDayYear)
#include "tst_dayyear.moc"
