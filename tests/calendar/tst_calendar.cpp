#include "calendar/feiertage.h"
#include "testsupport.h"

namespace {
std::array<bool, kFeiertagCount> only(std::initializer_list<int> items)
{
    std::array<bool, kFeiertagCount> a{};
    for (int i : items)
        a[i] = true;
    return a;
}
QList<QDate> holidaysOfYear(const std::array<bool, kFeiertagCount>& enabled, int year)
{
    QList<QDate> out;
    for (QDate d(year, 1, 1); d.year() == year; d = d.addDays(1))
        if (IsFeiertag(enabled, year, d.month(), d.day()))
            out << d;
    return out;
}
} // namespace

class TestCalendar : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void easterSunday_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<QDate>("easter");
        QTest::newRow("2024") << 2024 << QDate(2024, 3, 31);
        QTest::newRow("2025") << 2025 << QDate(2025, 4, 20);
        QTest::newRow("2019") << 2019 << QDate(2019, 4, 21);
        QTest::newRow("2008") << 2008 << QDate(2008, 3, 23);
        QTest::newRow("2038 latest") << 2038 << QDate(2038, 4, 25);
        QTest::newRow("1981") << 1981 << QDate(1981, 4, 19);
        QTest::newRow("2049") << 2049 << QDate(2049, 4, 18);
        QTest::newRow("2000") << 2000 << QDate(2000, 4, 23);
        QTest::newRow("2100") << 2100 << QDate(2100, 3, 28);
    }
    void easterSunday()
    {
        QFETCH(int, year);
        QFETCH(QDate, easter);
        const int day = EasterSunday(year);
        QCOMPARE(QDate(year, 3, 1).addDays(day - 1), easter);
        const DayMonth dm = EasterDate(year, 0);
        QCOMPARE(QDate(year, dm.month, dm.day), easter);
        // Every offset walks the calendar the same way as plain date arithmetic.
        for (int off : {-47, -46, -2, 1, 39, 49, 50, 60}) {
            const DayMonth o = EasterDate(year, off);
            QCOMPARE(QDate(year, o.month, o.day), easter.addDays(off));
        }
    }

    void earlyYearsUseFixedCorrections()
    {
        // Up to 1582 M = 15 and S = 0 (the old rule): Easter 1582 was 15 April of the old
        // calendar, i.e. day 46 of March; 1500 gives 19 April.
        QCOMPARE(EasterSunday(1582), 46);
        QCOMPARE(EasterSunday(1500), 50);
        QCOMPARE(EasterSunday(1583), 41); // 10 April under the new rule
        QVERIFY(EasterSunday(1000) >= 22 && EasterSunday(1000) <= 56);
    }

    void easterOffsetsCrossLeapFebruary()
    {
        // Easter 2024 is 31 March: Ash Wednesday 14 February, Shrove Tuesday 13 February.
        QCOMPARE(EasterDate(2024, -46), (DayMonth{14, 2}));
        QCOMPARE(EasterDate(2024, -47), (DayMonth{13, 2}));
        // 2008: Easter 23 March, Ash Wednesday 6 February in a leap year.
        QCOMPARE(EasterDate(2008, -46), (DayMonth{6, 2}));
        QCOMPARE(EasterDate(2024, -EasterSunday(2024)), (DayMonth{29, 2}));
        QCOMPARE(EasterDate(2023, -EasterSunday(2023)), (DayMonth{28, 2}));
    }

    void leapYearsAndMonthLengths()
    {
        QVERIFY(LeapYear(2000));
        QVERIFY(!LeapYear(2100));
        QVERIFY(LeapYear(2024));
        QVERIFY(!LeapYear(2023));
        QVERIFY(!LeapYear(1500)); // always the Gregorian rule
        QCOMPARE(MonthDays(2000, 2), 29);
        QCOMPARE(MonthDays(2100, 2), 28);
        QCOMPARE(MonthDays(2024, 4), 30);
        QCOMPARE(MonthDays(2024, 12), 31);
    }

    void advent_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<QDate>("first");
        QTest::newRow("2016 Sunday Christmas") << 2016 << QDate(2016, 11, 27);
        QTest::newRow("2022 Sunday Christmas") << 2022 << QDate(2022, 11, 27);
        QTest::newRow("2033 Sunday Christmas") << 2033 << QDate(2033, 11, 27);
        QTest::newRow("2024 Wednesday") << 2024 << QDate(2024, 12, 1);
        QTest::newRow("2021 Saturday") << 2021 << QDate(2021, 11, 28);
        QTest::newRow("2023 Monday") << 2023 << QDate(2023, 12, 3);
    }
    void advent()
    {
        QFETCH(int, year);
        QFETCH(QDate, first);
        QCOMPARE(FirstAdvent(year), first);
        QCOMPARE(DayOfWeek(first), 1);
        const auto adventOnly = only({22});
        const QList<QDate> expected{first, first.addDays(7), first.addDays(14), first.addDays(21)};
        QCOMPARE(holidaysOfYear(adventOnly, year), expected);
        QCOMPARE(holidaysOfYear(only({20}), year), QList<QDate>{first.addDays(-7)});
        const QList<QDate> bussUndBettag = holidaysOfYear(only({19}), year);
        QCOMPARE(bussUndBettag, QList<QDate>{first.addDays(-11)});
        QCOMPARE(WeekdayIndex(bussUndBettag.first()), 2);
    }

    void holidayTable()
    {
        std::array<bool, kFeiertagCount> none{};
        QVERIFY(holidaysOfYear(none, 2024).isEmpty());
        // Ascension 2008 coincides with 1 May: either item makes it a holiday.
        QVERIFY(IsFeiertag(only({10}), 2008, 5, 1));
        QVERIFY(IsFeiertag(only({8}), 2008, 5, 1));
        QVERIFY(IsFeiertag(only({3}), 2024, 2, 14));
        QVERIFY(IsFeiertag(only({2}), 2024, 2, 14));
        QCOMPARE(holidaysOfYear(only({9}), 2024), QList<QDate>{QDate(2024, 5, 12)});
        QCOMPARE(holidaysOfYear(only({9}), 2025), QList<QDate>{QDate(2025, 5, 11)});
        QCOMPARE(holidaysOfYear(only({24}), 2024), (QList<QDate>{QDate(2024, 12, 25), QDate(2024, 12, 26)}));
        // 2023: fourth Advent and Christmas Eve fall together.
        QVERIFY(IsFeiertag(only({22}), 2023, 12, 24));
        QVERIFY(IsFeiertag(only({23}), 2023, 12, 24));
        QCOMPARE(holidaysOfYear(only({13}), 2024), QList<QDate>{QDate(2024, 5, 30)});
        QCOMPARE(holidaysOfYear(only({25}), 2024), QList<QDate>{QDate(2024, 2, 13)});
        QCOMPARE(holidaysOfYear(only({27, 28}), 2024), (QList<QDate>{QDate(2024, 10, 26), QDate(2024, 12, 8)}));
        // The default set of 2024 counts every listed date once.
        QCOMPARE(holidaysOfYear(TPlanSettings::DefaultFeiertage(), 2024).size(), 30);
    }

    void weekdaysAndWeeks()
    {
        QCOMPARE(WeekdayIndex(QDate(2024, 3, 11)), 0); // Monday
        QCOMPARE(WeekdayIndex(QDate(2024, 3, 16)), 5);
        QCOMPARE(WeekdayIndex(QDate(2024, 3, 17)), 6);
        QCOMPARE(DayOfWeek(QDate(2024, 3, 17)), 1);
        QCOMPARE(DayOfWeek(QDate(2024, 3, 16)), 7);
        QVERIFY(IsWeekend(QDate(2024, 3, 17)));
        QCOMPARE(CalendarWeek(QDate(2021, 1, 3)), 53);
        QCOMPARE(CalendarWeek(QDate(2024, 12, 30)), 1);
        QCOMPARE(CalendarWeek(QDate(2026, 1, 1)), 1);
        FillWeekdayAbbrev();
        QCOMPARE(WeekdayAbbrev[0], QStringLiteral("Mo"));
        QCOMPARE(WeekdayAbbrev[6], QStringLiteral("So"));
    }
};

ROSTELMARK_TEST_MAIN(TestCalendar)
#include "tst_calendar.moc"
