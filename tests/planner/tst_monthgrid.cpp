// The month grid drawn into images: columns, sum pairs, blank rows, shading, paging,
// screen-only overlays, degenerate pages; the hours accounting it does while drawing.
#include "planner/hoursaccount.h"
#include "planner/monthplanner.h"
#include "plannertestutil.h"
#include "storage/rosterfiles.h"
#include "testsupport.h"

#include <QRandomGenerator>

using namespace plantest;

namespace {
int countPixels(const QImage& img, const QRect& area, const std::function<bool(QRgb)>& pred)
{
    int n = 0;
    const QRect r = area.intersected(img.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += pred(img.pixel(x, y)) ? 1 : 0;
    return n;
}
bool isRed(QRgb c)
{
    return qRed(c) > 200 && qGreen(c) < 90 && qBlue(c) < 90;
}
// Inside of a day cell (day d, page row r), away from its text.
QPoint cellInside(const TMonthGeometry& g, int d, int r)
{
    return {g.sx + (d - 1) * g.wx + 1, g.sy + r * g.wy - 2};
}

// The persons of `from` as a load of its person file gives them: new containers.
TDynaArray<TPerson> loadedPersons(TRoster& into, const TRoster& from)
{
    const QByteArray bytes = SerializePersonFile(from.personen, from.settings);
    TPersonFileContent content(from.settings);
    if (ParsePersonFile(bytes.constData(), bytes.size(), content, &into.aeintrag) != TReadResult::Ok)
        qFatal("person file did not read back");
    content.personen.setCursorVariable(&into.apers);
    return std::move(content.personen);
}

// A roster read from the files `r` would write, with nothing kept from earlier drawings.
void freshCopy(const TRoster& r, TRoster& out)
{
    out.personen = loadedPersons(out, r);
    const QByteArray duties = SerializeDutyFile(r.dienste, 10);
    TDutyFileContent content(10);
    if (ParseDutyFile(duties.constData(), duties.size(), content) != TReadResult::Ok)
        qFatal("duty file did not read back");
    out.dienste = std::move(content.dienste);
}

QString randomName(QRandomGenerator& rng)
{
    QString name;
    for (int k = 1 + rng.bounded(14); k > 0; --k)
        name += QChar(rng.bounded(4) == 0 ? 'W' : 'a' + rng.bounded(26));
    return name;
}

void addRandomPerson(TRoster& r, QRandomGenerator& rng)
{
    TPerson& p = addPerson(r, randomName(rng), EncodeDate(2023 + rng.bounded(2), 1 + rng.bounded(12), 1));
    p.abteilung = randomName(rng);
    p.startueberstunden = rng.bounded(20);
    for (int k = rng.bounded(40); k > 0; --k)
        addEntry(p, 2024, 1 + rng.bounded(3), 1 + rng.bounded(31), rng.bounded(6), rng.bounded(3) == 0 ? 1.5 : 0);
}

void randomRoster(TRoster& r, QRandomGenerator& rng, int persons)
{
    clear(r);
    for (int k = 0; k < 4; ++k)
        addDuty(r, randomName(rng), QString(QChar('A' + k)), 0x102030u * std::uint32_t(k + 1), 2.5 * k, k == 3);
    for (int i = 0; i < persons; ++i)
        addRandomPerson(r, rng);
}

// The drawing of `r` equals the one of a fresh copy of it: pixels, geometry, month sums,
// hours and balances.
void compareWithFresh(TRoster& r, const TPlanSettings& s, const TMonthView& v, bool printit = false)
{
    TRoster fresh;
    freshCopy(r, fresh);
    const Page kept = draw(r, s, v, printit);
    const Page once = draw(fresh, s, v, printit);
    QCOMPARE(kept.geo, once.geo);
    QVERIFY(kept.image == once.image);
    QCOMPARE(r.personen.Count(), fresh.personen.Count());
    for (int i = 0; i < r.personen.Count(); ++i) {
        const TPerson &a = std::as_const(r.personen)[i], &b = std::as_const(fresh.personen)[i];
        QCOMPARE(a.monatssumme, b.monatssumme);
        QVERIFY(a.iststunden.werte == b.iststunden.werte);
        QVERIFY(a.vortrag.werte == b.vortrag.werte);
        QVERIFY(a.uebertrag.werte == b.uebertrag.werte);
    }
}
} // namespace

class TestMonthGrid : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void februaryWithoutSums()
    {
        TRoster r;
        fill(r, 3);
        TPlanSettings s;
        s.ShowSumCheck = false;
        const Page p = draw(r, s, view(2024, 2));
        const TMonthGeometry& g = p.geo;
        QCOMPARE(g.ax, 29);
        const int margin = 37; // 10 mm at 96 dpi
        const int xr = g.sx + 29 * g.wx;
        // 29 equal columns: a line at every column edge, none inside a column.
        for (int c = 0; c <= 29; ++c) {
            QVERIFY(isBlack(p.image.pixel(g.sx + c * g.wx, g.sy + g.wy / 2)));
            if (c < 29)
                QVERIFY(!isBlack(p.image.pixel(g.sx + c * g.wx + g.wx / 2, g.sy + g.wy / 2)));
        }
        // The rules end at the closing line; the leftover pixels stay outside the grid.
        const int leftover = (kW - margin - g.sx) % 29;
        QVERIFY(leftover > 0);
        QCOMPARE(kW - margin - xr, leftover);
        for (int y : {g.sy, g.sy + g.wy, g.sy + 5 * g.wy}) {
            QVERIFY(isBlack(p.image.pixel(xr, y)));
            QCOMPARE(p.image.pixel(xr + 1, y), qRgb(255, 255, 255));
        }
    }

    void sumPairsHaveNoMiddleLine()
    {
        TRoster r;
        fill(r, 2);
        TPlanSettings s;
        const Page p = draw(r, s, view(2024, 1));
        const TMonthGeometry& g = p.geo;
        const int n = 41;
        const int y = g.sy + g.wy / 2;
        for (int c = 31; c <= n; ++c) {
            const bool middle = (c - 31) % 2 == 1;
            QVERIFY2(isBlack(p.image.pixel(g.sx + c * g.wx, y)) != middle, qPrintable(QString::number(c)));
        }
        // Each label is written over the pair's middle line in the header.
        for (int c = 32; c <= 40; c += 2) {
            const QRect header(g.sx + c * g.wx - 4, g.sy - 30, 9, 28);
            QVERIFY(countPixels(p.image, header, isBlack) > 0);
        }
    }

    void blankRowsHaveNoNameNorCells()
    {
        TRoster r;
        fill(r, 2);
        addDuty(r, QStringLiteral("Früh"), QStringLiteral("F"), 0x00FF00, 8); // green
        addEntry(r.personen[0], 2024, 3, 1, 1);
        addEntry(r.personen[1], 2024, 3, 1, 1);
        TPlanSettings s;
        s.AddFreeLinesCheck = true;
        const Page p = draw(r, s, view(2024, 3));
        QCOMPARE(p.geo.ay, 6);
        const QRgb green = qRgb(0, 255, 0);
        for (int row = 1; row <= 6; ++row) {
            const bool own = row == 1 || row == 4;
            const QPoint in = cellInside(p.geo, 1, row);
            QCOMPARE(p.image.pixel(in) == green, own);
            const QRect name(40, p.geo.sy + (row - 1) * p.geo.wy + 2, p.geo.sx - 44, p.geo.wy - 4);
            QCOMPARE(countPixels(p.image, name, isBlack) > 0, own);
        }
    }

    void everySecondEmployeeShaded_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<bool>("addFreeLines");
        QTest::newRow("all") << 0 << false;
        QTest::newRow("with blank rows") << 0 << true;
        QTest::newRow("filtered to the second") << 2 << false;
    }
    void everySecondEmployeeShaded()
    {
        QFETCH(int, filter);
        QFETCH(bool, addFreeLines);
        TRoster r;
        fill(r, 2);
        addDuty(r, QStringLiteral("Weiß"), QStringLiteral("W"), 0xFFFFFF, 8);
        addDuty(r, QStringLiteral("Blau"), QStringLiteral("B"), 0xC8641E, 8); // R30 G100 B200
        for (int i = 0; i < 2; ++i) {
            addEntry(r.personen[i], 2024, 3, 1, 1);
            addEntry(r.personen[i], 2024, 3, 2, 2);
        }
        TPlanSettings s;
        s.SecondLinesareDarkerCheck = true;
        s.AddFreeLinesCheck = addFreeLines;
        const Page p = draw(r, s, view(2024, 3, 1, filter));
        const int secondRow = filter == 2 ? 1 : (addFreeLines ? 4 : 2);
        if (filter == 0) {
            QCOMPARE(p.image.pixel(cellInside(p.geo, 1, 1)), qRgb(255, 255, 255));
            QCOMPARE(p.image.pixel(cellInside(p.geo, 2, 1)), qRgb(30, 100, 200));
        }
        QCOMPARE(p.image.pixel(cellInside(p.geo, 1, secondRow)), qRgb(220, 220, 220));
        QCOMPARE(p.image.pixel(cellInside(p.geo, 2, secondRow)), qRgb(0, 65, 165));
        QCOMPARE(p.image.pixel(cellInside(p.geo, 3, secondRow)), qRgb(220, 220, 220)); // no entry
        QCOMPARE(p.image.pixel(38, p.geo.sy + secondRow * p.geo.wy - 2), qRgb(220, 220, 220)); // name cell
        if (addFreeLines) // blank rows are not shaded
            QCOMPARE(p.image.pixel(cellInside(p.geo, 3, secondRow + 1)), qRgb(255, 255, 255));
    }

    void pagesCountTheRowAfterAFullPage()
    {
        TRoster r;
        fill(r, 1);
        TPlanSettings s;
        s.ShowAnwCheck = true;
        const int perPage = LayoutMonth(kW, kH, 96, 100, r, s, view(2024, 3)).zeilen - 1;
        QVERIFY(perPage > 2);
        for (const auto& [persons, pages] :
            {std::pair{perPage - 1, 1}, {perPage, 2}, {2 * perPage, 3}, {perPage + 1, 2}}) {
            fill(r, persons);
            const int last = pages;
            const TMonthGeometry g = LayoutMonth(kW, kH, 96, 100, r, s, view(2024, 3, last));
            QCOMPARE(g.maxseiten, last);
            QCOMPARE(draw(r, s, view(2024, 3, last)).geo, g); // the drawing leaves what the layout says
        }
        // The extra page holds no rows, only the attendance row under the header.
        fill(r, perPage);
        const Page last = draw(r, s, view(2024, 3, 2));
        QCOMPARE(last.geo.RowsOnPage(), 0);
        const QRect firstRow(last.geo.sx + 1, last.geo.sy + 1, last.geo.wx * 31 - 2, last.geo.wy - 2);
        QVERIFY(countPixels(last.image, firstRow, isBlack) > 0); // the attendance figures
    }

    void overlayOnlyOnScreen()
    {
        TRoster r;
        fill(r, 2);
        TPlanSettings s;
        TMarks marks;
        marks.Set(1, 1, true);
        const TMonthOverlay overlay{&marks, 3, 2};
        const Page plain = draw(r, s, view(2024, 3), true);
        const Page printed = draw(r, s, view(2024, 3), true, overlay);
        QCOMPARE(printed.image, plain.image);
        const Page screen = draw(r, s, view(2024, 3), false, overlay);
        QCOMPARE(screen.image.pixel(cellInside(screen.geo, 1, 1)), qRgb(0, 0, 0)); // white inverted
        const QRect hover(
            screen.geo.sx + 2 * screen.geo.wx, screen.geo.sy + screen.geo.wy, screen.geo.wx, screen.geo.wy);
        QVERIFY(countPixels(screen.image, hover, isRed) > 0);
        QCOMPARE(countPixels(plain.image, hover, isRed), 0);
    }

    void cursorOnlyOnScreen()
    {
        TRoster r;
        fill(r, 2);
        TPlanSettings s;
        s.AddFreeLinesCheck = true; // the cursor may stand in a blank row as well
        TMonthOverlay overlay;
        overlay.cursorx = 4;
        overlay.cursory = 2;
        const Page plain = draw(r, s, view(2024, 3), true);
        QCOMPARE(draw(r, s, view(2024, 3), true, overlay).image, plain.image);
        const Page screen = draw(r, s, view(2024, 3), false, overlay);
        const TMonthGeometry& g = screen.geo;
        const auto isCursor = [](QRgb c) { return qRed(c) == 0 && qGreen(c) == 120 && qBlue(c) == 255; };
        const QRect cell(g.sx + 3 * g.wx, g.sy + g.wy, g.wx + 1, g.wy + 1);
        QVERIFY(countPixels(screen.image, cell, isCursor) >= 2 * (g.wx + g.wy));
        QCOMPARE(countPixels(screen.image, screen.image.rect(), isCursor), countPixels(screen.image, cell, isCursor));
        // Outside the rows of the page it is not drawn.
        overlay.cursory = g.RowsOnPage() + 1;
        QCOMPARE(countPixels(draw(r, s, view(2024, 3), false, overlay).image, screen.image.rect(), isCursor), 0);
    }

    void sumTextHasNoNegativeZero_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("twoDecimals");
        QTest::addColumn<QString>("text");
        QTest::newRow("balance with a residue") << -1.4210854715202004e-14 << false << QStringLiteral("0,0");
        QTest::newRow("rounds to zero") << -0.04 << false << QStringLiteral("0,0");
        QTest::newRow("small but shown") << -0.06 << false << QStringLiteral("-0,1");
        QTest::newRow("negative") << -2.0 << true << QStringLiteral("-2,00");
    }
    void sumTextHasNoNegativeZero()
    {
        QFETCH(double, value);
        QFETCH(bool, twoDecimals);
        QFETCH(QString, text);
        QCOMPARE(SumText(value, twoDecimals), text);
    }

    void degeneratePagesStaySafe_data()
    {
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        QTest::addColumn<double>("zoom");
        QTest::addColumn<int>("duties");
        QTest::addColumn<int>("nameLength");
        QTest::addColumn<double>("page");
        QTest::newRow("tiny page") << 60 << 40 << 100.0 << 1 << 5 << 1.0;
        QTest::newRow("zoom 10") << kW << kH << 10.0 << 8 << 5 << 1.0;
        QTest::newRow("legend taller than the page") << kW << kH << 100.0 << 200 << 5 << 3.0;
        QTest::newRow("name wider than the page") << 300 << kH << 100.0 << 2 << 200 << 1.0;
        QTest::newRow("no size at all") << 0 << 0 << 100.0 << 1 << 5 << 1.0;
        QTest::newRow("page far beyond the last") << kW << kH << 100.0 << 1 << 5 << 10000.0;
    }
    void degeneratePagesStaySafe()
    {
        QFETCH(int, w);
        QFETCH(int, h);
        QFETCH(double, zoom);
        QFETCH(int, duties);
        QFETCH(int, nameLength);
        QFETCH(double, page);
        TRoster r;
        fill(r, 30);
        r.personen[0].name = QString(nameLength, QLatin1Char('W'));
        for (int k = 0; k < duties; ++k)
            addDuty(r, QStringLiteral("D%1").arg(k), QStringLiteral("D"), 0x00FFFF, 1);
        addEntry(r.personen[0], 2024, 3, 1, 1);
        TPlanSettings s;
        s.ShowAnwCheck = true;
        const Page p = draw(r, s, view(2024, 3, page), false, {}, w, h, zoom);
        const TMonthGeometry& g = p.geo;
        QVERIFY(g.maxseiten >= 1);
        QVERIFY(g.RowsOnPage() >= 0 && g.RowsOnPage() <= 100);
        TMonthSelection sel;
        sel.MouseDown(g, g.sx + 1, g.sy + 1, true);
        sel.MouseMove(g, w, h);
        sel.MouseMove(g, -5000, -5000);
        sel.MouseUp();
        sel.MouseMove(g, g.sx, g.sy);
        QCOMPARE(g, LayoutMonth(w, h, 96, zoom, r, s, view(2024, 3, page)));
        AssignDienst(r, s, view(2024, 3, page), g, sel.select, 1);
    }

    void monthSum_data()
    {
        QTest::addColumn<bool>("twoDecimals");
        QTest::addColumn<QString>("text");
        QTest::newRow("one decimal") << false << QStringLiteral("31,5");
        QTest::newRow("two decimals") << true << QStringLiteral("31,50");
    }
    void monthSum()
    {
        QFETCH(bool, twoDecimals);
        QFETCH(QString, text);
        TRoster r;
        fill(r, 2);
        addDuty(r, QStringLiteral("Tag"), QStringLiteral("T"), 0xFFFF00, 8);
        TPerson& p = r.personen[0];
        for (int d = 1; d <= 3; ++d)
            addEntry(p, 2024, 5, d, 1);
        addEntry(p, 2024, 5, 4, 1, 1.5);
        addEntry(p, 2024, 5, 5, 0, -2);
        addEntry(p, 2024, 5, 6, 7); // a duty that does not exist counts nothing
        addEntry(p, 2024, 6, 1, 1); // another month
        TPlanSettings s;
        s.StundenSumCheck = twoDecimals;
        draw(r, s, view(2024, 5));
        QCOMPARE(p.monatssumme, 31.5);
        QCOMPARE(p.iststunden.Get(2024, 5), 31.5);
        QCOMPARE(SumCells(p, 2024, 5, twoDecimals).text[0], text);
        QCOMPARE(ExtraHoursText(-2), QStringLiteral("-2"));
        QCOMPARE(ExtraHoursText(1.5), QStringLiteral("1,5"));
        QCOMPARE(ExtraHoursText(0), QString());
    }

    void overMax_data()
    {
        QTest::addColumn<double>("maxstunden");
        QTest::addColumn<double>("extra");
        QTest::addColumn<bool>("flagged");
        QTest::newRow("exactly the maximum") << 160.0 << 0.0 << false;
        QTest::newRow("above the maximum") << 160.0 << 0.5 << true;
        QTest::newRow("no limit") << 0.0 << 0.5 << false;
    }
    void overMax()
    {
        QFETCH(double, maxstunden);
        QFETCH(double, extra);
        QFETCH(bool, flagged);
        TRoster r;
        fill(r, 1);
        addDuty(r, QStringLiteral("Lang"), QStringLiteral("L"), 0xFFFF00, 16);
        TPerson& p = r.personen[0];
        p.maxstunden = maxstunden;
        for (int d = 1; d <= 10; ++d)
            addEntry(p, 2024, 4, d, 1, d == 10 ? extra : 0);
        TPlanSettings s;
        const Page page = draw(r, s, view(2024, 4));
        const TSumCells cells = SumCells(p, 2024, 4, false);
        QCOMPARE(cells.overMax, flagged);
        QCOMPARE(cells.text[0], flagged ? QStringLiteral("160,5>Max") : SumText(160 + extra, false));
        const TMonthGeometry& g = page.geo;
        const QRect sumCell(g.sx + 30 * g.wx, g.sy, 2 * g.wx, g.wy);
        QCOMPARE(countPixels(page.image, sumCell, isRed) > 0, flagged);
        const QRect otherSums(g.sx + 32 * g.wx, g.sy, 8 * g.wx, g.wy);
        QCOMPARE(countPixels(page.image, otherSums, isRed), 0);
    }

    void balanceChain()
    {
        TRoster r;
        fill(r, 1);
        addDuty(r, QStringLiteral("Dienst"), QStringLiteral("D"), 0xFFFF00, 7.5);
        TPerson& p = r.personen[0];
        p.startueberstunden = 10;
        p.soll.Set(2000, 1, 160);
        for (int d = 3; d <= 22; ++d)
            addEntry(p, 2000, 1, d, 1);
        TPlanSettings s;
        draw(r, s, view(2000, 1));
        const TSumCells c = SumCells(p, 2000, 1, false);
        QCOMPARE(c.text,
            (std::array<QString, 5>{QStringLiteral("150,0"), QStringLiteral("10,0"), QStringLiteral("160,0"),
                QStringLiteral("160,0"), QStringLiteral("0,0")}));
        QCOMPARE(p.vortrag.Get(2000, 2), 0.0);
        // A changed target reaches every later month at the next drawing.
        p.soll.Set(2024, 3, 100);
        QCOMPARE(p.vortrag.Get(2024, 4), 0.0);
        draw(r, s, view(2000, 1));
        QCOMPARE(p.vortrag.Get(2024, 4), -100.0);
        QCOMPARE(p.uebertrag.Get(2100, 12), -100.0);
        QCOMPARE(p.vortrag.Get(2024, 3), 0.0);
        // Without sum columns nothing is recorded.
        s.ShowSumCheck = false;
        p.soll.Set(2024, 3, 0);
        draw(r, s, view(2000, 1));
        QCOMPARE(p.vortrag.Get(2024, 4), -100.0);
    }

    void yearsWithoutAccount_data()
    {
        QTest::addColumn<int>("year");
        QTest::newRow("1999") << 1999;
        QTest::newRow("2101") << 2101;
    }
    void yearsWithoutAccount()
    {
        QFETCH(int, year);
        TRoster r;
        fill(r, 1);
        addDuty(r, QStringLiteral("Dienst"), QStringLiteral("D"), 0xFFFF00, 8);
        TPerson& p = r.personen[0];
        p.maxstunden = 1; // never checked without an account
        addEntry(p, year, 12, 1, 1);
        const TMonatsTabelle before = p.iststunden;
        TPlanSettings s;
        const Page page = draw(r, s, view(year, 12));
        QCOMPARE(p.monatssumme, 8.0);
        QVERIFY(p.iststunden.werte == before.werte);
        const TMonthGeometry& g = page.geo;
        QCOMPARE(countPixels(page.image, QRect(g.sx + 31 * g.wx, g.sy, 10 * g.wx, g.wy), isRed), 0);
        // Ten cells with the month sum: text in every single sum column.
        for (int c = 31; c < 41; ++c)
            QVERIFY(countPixels(page.image, QRect(g.sx + c * g.wx + 1, g.sy + 1, g.wx - 1, g.wy / 2), isBlack) > 0);
    }

    void filteredEmployeeIsNotAccounted()
    {
        TRoster r;
        fill(r, 2);
        addDuty(r, QStringLiteral("Dienst"), QStringLiteral("D"), 0xFFFF00, 8);
        addEntry(r.personen[0], 2024, 3, 4, 1);
        addEntry(r.personen[1], 2024, 3, 4, 1);
        r.personen[0].iststunden.Set(2024, 3, 99);
        TPlanSettings s;
        const TMonthGeometry g = draw(r, s, view(2024, 3, 1, 2)).geo;
        QCOMPARE(g.ay, 1);
        QCOMPARE(r.personen[0].monatssumme, 0.0);
        QCOMPARE(r.personen[0].iststunden.Get(2024, 3), 99.0);
        QCOMPARE(r.personen[1].iststunden.Get(2024, 3), 8.0);
    }

    void attendance_data()
    {
        QTest::addColumn<QDate>("day");
        QTest::addColumn<int>("dienst"); // 0: no entry, 1: work, 2: absence, 9: unknown duty
        QTest::addColumn<bool>("present");
        QTest::newRow("Saturday on duty") << QDate(2024, 3, 16) << 1 << true;
        QTest::newRow("Saturday without entry") << QDate(2024, 3, 16) << 0 << false;
        QTest::newRow("Wednesday holiday without entry") << QDate(2024, 12, 25) << 0 << false;
        QTest::newRow("Monday on leave") << QDate(2024, 3, 18) << 2 << false;
        QTest::newRow("Monday without entry") << QDate(2024, 3, 18) << 0 << true;
        QTest::newRow("Monday with an unknown duty") << QDate(2024, 3, 18) << 9 << true;
    }
    void attendance()
    {
        QFETCH(QDate, day);
        QFETCH(int, dienst);
        QFETCH(bool, present);
        TRoster r;
        fill(r, 1);
        addDuty(r, QStringLiteral("Früh"), QStringLiteral("F"), 0xFFFF00, 8);
        addDuty(r, QStringLiteral("Urlaub"), QStringLiteral("U"), 0x00FFFF, 0, true);
        TEintrag e;
        e.datum = DateToDateTime(day);
        e.dienst = dienst;
        TPlanSettings s;
        QCOMPARE(IsPresent(r, dienst ? &e : nullptr, day.year(), day.month(), day.day(), s.FeiertageList), present);
    }

    // The figures of the attendance row as drawn: a day's cell shows the same picture as
    // another day's cell exactly when their counts agree (the text is centred alike).
    void attendanceFiguresAsDrawn_data()
    {
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("other");
        QTest::addColumn<bool>("same");
        // December 2024, two employees: A early shift on Sat 21, A on leave on Mon 16 and
        // Tue 17, nothing else. Christmas (Wed 25, Thu 26) is a holiday.
        QTest::newRow("holiday without entries counts 0 like a Saturday") << 25 << 28 << true;
        QTest::newRow("holiday is not a working day") << 25 << 23 << false;
        QTest::newRow("duty on a Saturday counts 1 like one on leave") << 21 << 16 << true;
        QTest::newRow("working days without entries count everybody") << 23 << 18 << true;
        QTest::newRow("absence counts as absent") << 17 << 18 << false;
        QTest::newRow("Sunday without entries") << 22 << 28 << true;
    }
    void attendanceFiguresAsDrawn()
    {
        QFETCH(int, day);
        QFETCH(int, other);
        QFETCH(bool, same);
        TRoster r;
        fill(r, 2);
        addDuty(r, QStringLiteral("Früh"), QStringLiteral("F"), 0xFFFFFF, 8);
        addDuty(r, QStringLiteral("Urlaub"), QStringLiteral("U"), 0xFFFFFF, 0, true);
        addEntry(r.personen[0], 2024, 12, 21, 1);
        addEntry(r.personen[0], 2024, 12, 16, 2);
        addEntry(r.personen[0], 2024, 12, 17, 2);
        TPlanSettings s;
        s.ShowAnwCheck = true;
        s.DoubleRowHeightCheck = false;
        const Page p = draw(r, s, view(2024, 12));
        const TMonthGeometry& g = p.geo;
        // The attendance row is the row after the two employees.
        const auto figure
            = [&](int d) { return p.image.copy(g.sx + (d - 1) * g.wx + 1, g.sy + 2 * g.wy + 1, g.wx - 1, g.wy - 1); };
        QCOMPARE(figure(day) == figure(other), same);
        // The cell holds a figure at all.
        QVERIFY(countPixels(figure(day), figure(day).rect(), isBlack) > 0);
    }

    // What the grid keeps between repaints never shows: after random edits, loads and
    // reloads, each drawing equals the drawing of a freshly loaded copy.
    void keptStateFollowsEveryChange()
    {
        QRandomGenerator rng(24);
        TRoster r;
        randomRoster(r, rng, 14);
        TPlanSettings s;
        s.ShowAnwCheck = true;
        for (int step = 0; step < 160; ++step) {
            const int n = r.personen.Count();
            const int i = n > 0 ? rng.bounded(n) : 0;
            switch (rng.bounded(13)) {
            case 0:
                if (n > 0)
                    addEntry(r.personen[i], 2024, 1 + rng.bounded(3), 1 + rng.bounded(31), rng.bounded(6), 0.5);
                break;
            case 1:
                if (n > 0 && r.personen[i].eintraege.Count() > 0) {
                    TDynaArray<TEintrag>& e = r.personen[i].eintraege;
                    if (rng.bounded(2) == 0)
                        e[rng.bounded(e.Count())].dienst = rng.bounded(6);
                    else
                        e.Delete(rng.bounded(e.Count()));
                }
                break;
            case 2:
                if (n > 0)
                    r.personen[i].name = randomName(rng);
                break;
            case 3:
                if (n > 0) {
                    TPerson& p = r.personen[i];
                    p.eingestellt = EncodeDate(2023 + rng.bounded(3), 1 + rng.bounded(12), 1);
                    p.istentlassen = rng.bounded(2) == 0;
                    p.entlassen = EncodeDate(2024, 1 + rng.bounded(4), 1);
                }
                break;
            case 4:
                if (n > 0) {
                    r.personen[i].soll.Set(2024, 1 + rng.bounded(12), rng.bounded(200));
                    r.personen[i].startueberstunden = rng.bounded(10);
                }
                break;
            case 5:
                if (r.dienste.Count() > 0) {
                    TDienst& d = r.dienste[rng.bounded(r.dienste.Count())];
                    d.stunden = rng.bounded(12);
                    d.abwesend = !d.abwesend;
                }
                break;
            case 6:
                if (rng.bounded(2) == 0 || n < 2)
                    addRandomPerson(r, rng);
                else
                    r.personen.Delete(i);
                break;
            case 7:
                if (n > 1)
                    r.personen.Change(i, rng.bounded(n));
                break;
            case 8:
                if (rng.bounded(2) == 0 || r.dienste.Count() < 2)
                    addDuty(r, randomName(rng), QStringLiteral("X"), 0x00FF00, 3);
                else
                    r.dienste.Delete(r.dienste.Count() - 1);
                break;
            case 9: // load: the same content in new containers
            case 10: { // poll reload: another copy changed one entry
                TDynaArray<TPerson> loaded = loadedPersons(r, r);
                if (step % 12 == 10 && loaded.Count() > 0 && loaded[i].eintraege.Count() > 0)
                    loaded[i].eintraege[0].dienst = (loaded[i].eintraege[0].dienst + 1) % 6;
                r.personen = std::move(loaded);
                break;
            }
            case 11: // the last person replaced by one with as many entries
                if (n > 0) {
                    const TPerson& last = std::as_const(r.personen)[n - 1];
                    const QString name = last.name;
                    const TDateTime hired = last.eingestellt;
                    const int entries = last.eintraege.Count();
                    r.personen.Delete(n - 1);
                    TPerson& p = addPerson(r, name, hired);
                    for (int k = 0; k < entries; ++k)
                        addEntry(p, 2024, 1 + k % 3, 1 + k % 28, rng.bounded(6));
                }
                break;
            default:
                s.FeiertageList[std::size_t(rng.bounded(kFeiertagCount))] ^= true;
                break;
            }
            s.AddFreeLinesCheck = rng.bounded(2) == 0;
            s.ShowSumCheck = rng.bounded(4) != 0;
            s.DoubleRowHeightCheck = s.ShowAbteilungCheck = rng.bounded(3) == 0;
            const int month = 1 + rng.bounded(3);
            compareWithFresh(r, s, view(2024, month, 1 + rng.bounded(2), rng.bounded(5) == 0 ? 1 + rng.bounded(4) : 0));
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QStringLiteral("after step %1").arg(step)));
        }
    }

    // A repaint with nothing changed draws the very pixels of the first drawing and of a
    // fresh copy, in every layout the cached parts feed.
    void repaintKeepsPixels_data()
    {
        QTest::addColumn<bool>("freeLines");
        QTest::addColumn<bool>("deptLine");
        QTest::addColumn<int>("filter");
        QTest::addColumn<int>("page");
        QTest::addColumn<bool>("printit");
        QTest::newRow("plain") << false << false << 0 << 1 << false;
        QTest::newRow("free lines, page 2") << true << false << 0 << 2 << false;
        QTest::newRow("department lines") << false << true << 0 << 1 << false;
        QTest::newRow("one employee") << true << false << 3 << 1 << false;
        QTest::newRow("printed, last page") << true << true << 0 << 3 << true;
    }
    void repaintKeepsPixels()
    {
        QFETCH(bool, freeLines);
        QFETCH(bool, deptLine);
        QFETCH(int, filter);
        QFETCH(int, page);
        QFETCH(bool, printit);
        QRandomGenerator rng(7);
        TRoster r;
        randomRoster(r, rng, 40);
        TPlanSettings s;
        s.AddFreeLinesCheck = freeLines;
        s.DoubleRowHeightCheck = s.ShowAbteilungCheck = deptLine;
        s.SecondLinesareDarkerCheck = s.ShowAnwCheck = true;
        const TMonthView v = view(2024, 2, page, filter);
        const Page first = draw(r, s, v, printit);
        compareWithFresh(r, s, v, printit);
        QVERIFY(draw(r, s, v, printit).image == first.image);
    }

    // A filled roster as the planners see it; written to ROSTELMARK_SHOT_DIR when set.
    void sampleMonth()
    {
        TRoster r;
        clear(r);
        const char* names[] = {"Anna Berger", "Bernd Christ", "Clara Dorn", "Dieter Ernst", "Eva Fink", "Frank Gruber",
            "Gisela Hahn", "Hans Iser", "Ida Jung", "Jörg Kühn", "Karin Lang", "Lutz Maier", "Maria Neu", "Norbert Ott",
            "Olga Pohl", "Paul Quast", "Rita Roth", "Stefan Sauer", "Tina Thiel", "Uwe Ulrich", "Vera Vogt",
            "Walter Wirt", "Xenia Zorn", "Yvonne Zeh"};
        const struct {
            const char *name, *k;
            std::uint32_t colour;
            double hours;
            bool absent;
        } duties[] = {{"Frühdienst", "F", 0x80FFFF, 8, false}, {"Spätdienst", "S", 0xFFC080, 8, false},
            {"Nachtdienst", "N", 0xFF8080, 10, false}, {"Urlaub", "U", 0x80FF80, 0, true},
            {"Krank", "K", 0x8080FF, 0, true}, {"Fortbildung", "FB", 0xC0C0C0, 8, false},
            {"Bereitschaft", "BD", 0xFF80FF, 4, false}, {"Zwischendienst", "Z", 0x40C0FF, 6, false}};
        for (const auto& d : duties)
            addDuty(r, QString::fromUtf8(d.name), QString::fromUtf8(d.k), d.colour, d.hours, d.absent);
        for (int i = 0; i < 24; ++i) {
            TPerson& p = addPerson(r, QString::fromUtf8(names[i]));
            p.abteilung = i < 12 ? QStringLiteral("Station A") : QStringLiteral("Station B");
            p.persnr = QString::number(1001 + i);
            p.maxstunden = 170;
            p.soll.Set(2024, 3, 160);
            for (int d = 1; d <= 31; ++d) {
                const int k = (i + d) % 11;
                if (k < 8 && QDate(2024, 3, d).dayOfWeek() < 7)
                    addEntry(p, 2024, 3, d, k + 1, (i + d) % 13 == 0 ? 1.5 : 0);
            }
        }
        TPlanSettings s;
        s.SecondLinesareDarkerCheck = true;
        s.ShowAnwCheck = true;
        TMarks marks;
        marks.Set(5, 2, true);
        marks.Set(6, 2, true);
        const Page p = draw(r, s, view(2024, 3), false, {&marks, 10, 4});
        QCOMPARE(p.geo.ay, 24);
        QVERIFY(p.geo.maxseiten >= 2);
        const QString dir = qEnvironmentVariable("ROSTELMARK_SHOT_DIR");
        if (!dir.isEmpty())
            QVERIFY(p.image.save(dir + QStringLiteral("/month_core.png")));
    }
};

ROSTELMARK_TEST_MAIN(TestMonthGrid)
#include "tst_monthgrid.moc"
