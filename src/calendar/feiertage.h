#pragma once
// Holidays, Easter, Advent, month lengths, weekdays and calendar weeks.

#include "core/plansettings.h"

#include <QDate>
#include <QString>

#include <array>

bool LeapYear(int year);
int MonthDays(int year, int month); // 28 … 31
// Easter Sunday as a day of March (22 = 22 March, 32 = 1 April, at most 56).
int EasterSunday(int year);
struct DayMonth {
    int day;
    int month;
    bool operator==(const DayMonth&) const = default;
};
// Easter Sunday plus `offset` days.
DayMonth EasterDate(int year, int offset);
QDate FirstAdvent(int year);

// Platform weekday value: Sunday = 1 … Saturday = 7.
int DayOfWeek(const QDate& date);
// Grid weekday index: Monday = 0 … Sunday = 6; 5 and 6 are the weekend.
int WeekdayIndex(const QDate& date);
inline bool IsWeekend(const QDate& date)
{
    return WeekdayIndex(date) >= 5;
}
// ISO 8601 week number.
int CalendarWeek(const QDate& date);

// True when an enabled holiday of the 29-entry table falls on the date.
bool IsFeiertag(const std::array<bool, kFeiertagCount>& enabled, int jahr, int monat, int tag);

// Weekday abbreviations, Monday first; filled with messages 5 … 11 at the first showing.
extern std::array<QString, 7> WeekdayAbbrev;
void FillWeekdayAbbrev();
