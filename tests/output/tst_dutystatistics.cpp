// Duty statistics: which entries count in a month and in a year, which lines appear and
// in what order.
#include "core/datetime.h"
#include "core/roster.h"
#include "output/dutystatistics.h"
#include "testsupport.h"

namespace {

void addEntry(TPerson& p, int y, int m, int d, int dienst)
{
    TEintrag* e = p.eintraege.Add();
    e->datum = EncodeDate(y, m, d);
    e->dienst = dienst;
}

// Duties 1 "Frühdienst", 2 "Spätdienst", 3 "Nachtdienst" (never used), 4 "Urlaub".
// Anna: two entries on 4 March 2024 (early first), early on 5 March, no duty on the 6th,
// a duty outside the list on the 7th, leave on 1 April, early on 4 March 2023.
// Bernd: hired in May 2024, with an early duty in March before that and a late one in May.
// Clara: no entries.
void fill(TRoster& r)
{
    r.personen.Clear();
    r.dienste.Clear();
    for (const char* name : {"Frühdienst", "Spätdienst", "Nachtdienst", "Urlaub"}) {
        TDienst* d = r.dienste.Add();
        d->name = QString::fromUtf8(name);
        d->kuerzel = d->name.left(1);
    }
    TPerson* anna = r.AddPerson();
    anna->name = QStringLiteral("Anna");
    addEntry(*anna, 2024, 4, 1, 4);
    addEntry(*anna, 2024, 3, 4, 1);
    addEntry(*anna, 2024, 3, 4, 2);
    addEntry(*anna, 2024, 3, 5, 1);
    addEntry(*anna, 2024, 3, 6, 0);
    addEntry(*anna, 2024, 3, 7, 9);
    addEntry(*anna, 2023, 3, 4, 1);
    TPerson* bernd = r.AddPerson();
    bernd->name = QStringLiteral("Bernd");
    bernd->eingestellt = EncodeDate(2024, 5, 1);
    addEntry(*bernd, 2024, 5, 2, 2);
    addEntry(*bernd, 2024, 3, 10, 1);
    TPerson* clara = r.AddPerson();
    clara->name = QStringLiteral("Clara");
}

} // namespace

class TestDutyStatistics : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void text_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month"); // 0 = the year's statistics
        QTest::addColumn<QString>("expected");
        QTest::newRow("March 2024: both entries of the 4th count")
            << 2024 << 3
            << QString::fromUtf8("Dienst Statistik 3/2024\n\n\nAnna\nFrühdienst: 2\nSpätdienst: 1\n\n"
                                 "Bernd\n\nClara\n");
        QTest::newRow("year 2024: only the first entry of the 4th")
            << 2024 << 0
            << QString::fromUtf8("Dienst Statistik 2024\n\n\nAnna\nFrühdienst: 2\nUrlaub: 1\n\n"
                                 "Bernd\nFrühdienst: 1\nSpätdienst: 1\n\nClara\n");
        QTest::newRow("April 2024") << 2024 << 4
                                    << QStringLiteral(
                                           "Dienst Statistik 4/2024\n\n\nAnna\nUrlaub: 1\n\nBernd\n\nClara\n");
        QTest::newRow("year 2023: Bernd not yet hired")
            << 2023 << 0 << QString::fromUtf8("Dienst Statistik 2023\n\n\nAnna\nFrühdienst: 1\n\nBernd\n\nClara\n");
        QTest::newRow("a month without entries")
            << 2025 << 1 << QStringLiteral("Dienst Statistik 1/2025\n\n\nAnna\n\nBernd\n\nClara\n");
    }

    void text()
    {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(QString, expected);
        TRoster r;
        fill(r);
        const std::vector<TStatLine> lines = month == 0 ? YearStatistics(r, year) : MonthStatistics(r, year, month);
        QCOMPARE(StatisticsText(lines), expected);
        QVERIFY(lines.front().bold);
        for (std::size_t i = 1; i < lines.size(); ++i)
            QVERIFY(!lines[i].bold);
    }

    void noPersons_data()
    {
        QTest::addColumn<int>("month");
        QTest::addColumn<QString>("expected");
        QTest::newRow("month") << 3 << QStringLiteral("Dienst Statistik 3/2024\n\n");
        QTest::newRow("year") << 0 << QStringLiteral("Dienst Statistik 2024\n\n");
    }

    void noPersons()
    {
        QFETCH(int, month);
        QFETCH(QString, expected);
        TRoster r;
        r.personen.Clear();
        const std::vector<TStatLine> lines = month == 0 ? YearStatistics(r, 2024) : MonthStatistics(r, 2024, month);
        QCOMPARE(StatisticsText(lines), expected);
        QCOMPARE(lines.size(), std::size_t(3));
    }

    void counts()
    {
        TRoster r;
        fill(r);
        const TPerson& anna = r.personen[0];
        QCOMPARE(CountDutiesInMonth(r, anna, 2024, 3), (std::vector<int>{2, 1, 0, 0}));
        QCOMPARE(CountDutiesInYear(r, anna, 2024), (std::vector<int>{2, 0, 0, 1}));
        // A first entry without duty takes the day: the later entry of that date is not
        // counted in the year.
        TPerson& clara = r.personen[2];
        addEntry(clara, 2024, 6, 1, 0);
        addEntry(clara, 2024, 6, 1, 3);
        QCOMPARE(CountDutiesInYear(r, clara, 2024), (std::vector<int>{0, 0, 0, 0}));
        QCOMPARE(CountDutiesInMonth(r, clara, 2024, 6), (std::vector<int>{0, 0, 1, 0}));
        // Without duties nothing is counted and nothing read.
        r.dienste.Clear();
        QVERIFY(CountDutiesInMonth(r, anna, 2024, 3).empty());
        QCOMPARE(StatisticsText(MonthStatistics(r, 2024, 3)),
            QStringLiteral("Dienst Statistik 3/2024\n\n\nAnna\n\nBernd\n\nClara\n"));
        // Years without calendar dates give empty counts.
        QCOMPARE(CountDutiesInYear(r, anna, 0), std::vector<int>{});
    }
};

ROSTELMARK_TEST_MAIN(TestDutyStatistics)
#include "tst_dutystatistics.moc"
