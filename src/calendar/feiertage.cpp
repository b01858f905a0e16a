#include "calendar/feiertage.h"

#include "i18n/messagetable.h"

#include <cstdint>

std::array<QString, 7> WeekdayAbbrev = {
    QStringLiteral("Mo"),
    QStringLiteral("Di"),
    QStringLiteral("Mi"),
    QStringLiteral("Do"),
    QStringLiteral("Fr"),
    QStringLiteral("Sa"),
    QStringLiteral("So"),
};

void FillWeekdayAbbrev()
{
    for (int i = 0; i < 7; ++i)
        WeekdayAbbrev[i] = GetMessageText(5 + i);
}

bool LeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int MonthDays(int year, int month)
{
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    if (month == 2 && LeapYear(year))
        return 29;
    return kDays[month - 1];
}

namespace {
// Remainder that is never negative.
int mod(int a, int b)
{
    const int r = a % b;
    return r < 0 ? r + b : r;
}
} // namespace

int EasterSunday(int year)
{
    const int X = year;
    const int K = X / 100;
    int M = 15;
    int S = 0;
    if (X > 1582) {
        M = 15 + (3 * K + 3) / 4 - (8 * K + 13) / 25;
        S = 2 - (3 * K + 3) / 4;
    }
    const int A = mod(X, 19);
    const int D = mod(19 * A + M, 30);
    const int R = D / 29 + (D / 28 - D / 29) * (A / 11);
    const int OG = 21 + D - R;
    const int SZ = 7 - mod(X + X / 4 + S, 7);
    const int OE = 7 - mod(OG - SZ, 7);
    return OG + OE;
}

DayMonth EasterDate(int year, int offset)
{
    int n = EasterSunday(year) + offset;
    int day = 1;
    int month = 3;
    while (n > 1) {
        ++day;
        if (day > MonthDays(year, month)) {
            day = 1;
            ++month;
        }
        --n;
    }
    while (n < 1) {
        --day;
        if (day < 1) {
            --month;
            day = MonthDays(year, month);
        }
        ++n;
    }
    return {day, month};
}

int DayOfWeek(const QDate& date)
{
    // Qt: Monday = 1 … Sunday = 7.
    return date.dayOfWeek() % 7 + 1;
}

int WeekdayIndex(const QDate& date)
{
    const int w = DayOfWeek(date);
    return w == 1 ? 6 : w - 2;
}

int CalendarWeek(const QDate& date)
{
    return date.weekNumber();
}

QDate FirstAdvent(int year)
{
    const QDate christmas(year, 12, 25);
    const int w = DayOfWeek(christmas);
    if (w == 1)
        return QDate(year, 11, 27);
    return christmas.addDays(-w - 20);
}

bool IsFeiertag(const std::array<bool, kFeiertagCount>& enabled, int jahr, int monat, int tag)
{
    // Compared as 16-bit values, as the stored dates carry them.
    const auto m = static_cast<std::uint16_t>(monat);
    const auto t = static_cast<std::uint16_t>(tag);
    const auto j = static_cast<std::uint16_t>(jahr);
    auto fixed = [&](int fm, int fd) { return m == fm && t == fd; };
    auto easter = [&](int offset) {
        const DayMonth dm = EasterDate(j, offset);
        return m == dm.month && t == dm.day;
    };
    const QDate advent = FirstAdvent(j);
    auto advented = [&](int offset) {
        const QDate d = advent.addDays(offset);
        return m == d.month() && t == d.day();
    };

    bool result = false;
    for (int i = 0; i < kFeiertagCount; ++i) {
        if (!enabled[i])
            continue;
        bool hit = false;
        switch (i) {
        case 0:
            hit = fixed(1, 1);
            break;
        case 1:
            hit = fixed(1, 6);
            break;
        case 2:
            hit = fixed(2, 14);
            break;
        case 3:
            hit = easter(-46);
            break;
        case 4:
            hit = easter(-2);
            break;
        case 5:
            hit = easter(-1);
            break;
        case 6:
            hit = easter(0);
            break;
        case 7:
            hit = easter(1);
            break;
        case 8:
            hit = fixed(5, 1);
            break;
        case 9: {
            // Second Sunday of May.
            int sundays = 0;
            for (int d = 1; d <= 31; ++d) {
                if (DayOfWeek(QDate(j, 5, d)) == 1 && ++sundays == 2) {
                    hit = fixed(5, d);
                    break;
                }
            }
            break;
        }
        case 10:
            hit = easter(39);
            break;
        case 11:
            hit = easter(49);
            break;
        case 12:
            hit = easter(50);
            break;
        case 13:
            hit = easter(60);
            break;
        case 14:
            hit = fixed(8, 15);
            break;
        case 15:
            hit = fixed(10, 3);
            break;
        case 16:
            hit = fixed(10, 31);
            break;
        case 17:
            hit = fixed(11, 1);
            break;
        case 18:
            hit = fixed(11, 2);
            break;
        case 19:
            hit = advented(-11);
            break;
        case 20:
            hit = advented(-7);
            break;
        case 21:
            hit = fixed(12, 6);
            break;
        case 22:
            hit = advented(0) || advented(7) || advented(14) || advented(21);
            break;
        case 23:
            hit = fixed(12, 24);
            break;
        case 24:
            hit = fixed(12, 25) || fixed(12, 26);
            break;
        case 25:
            hit = easter(-47);
            break;
        case 26:
            hit = fixed(12, 31);
            break;
        case 27:
            hit = fixed(10, 26);
            break;
        case 28:
            hit = fixed(12, 8);
            break;
        }
        result = result || hit;
    }
    return result;
}
