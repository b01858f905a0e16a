#pragma once
// Hours accounting of the month grid: month sums, the recorded hours of a month, the
// balances of all months 2000 … 2100, the texts of the sum cells and attendance.

#include "core/plansettings.h"

#include <QString>

#include <array>

class TRoster;
struct TPerson;
struct TEintrag;

// Hours of one day's entry: its duty's hours (when the duty exists) plus its extra hours.
double EintragHours(const TRoster& roster, const TEintrag& e);

// Hours of the month as the grid sums them: the first entry of each day.
double MonthHours(const TRoster& roster, const TPerson& p, int year, int month);

// Stores monatssumme as the hours worked in (year, month) when that month has an account,
// then recomputes the balances of all months.
void RecordMonth(TPerson& p, int year, int month);
// vortrag(January 2000) = startueberstunden; every later vortrag = the uebertrag before;
// uebertrag = vortrag + iststunden - soll.
void RecomputeBalances(TPerson& p);

// A sum in fixed-point notation with one or two decimals, the locale's decimal separator,
// no group separator: "31,5", "-2,00". A value that rounds to zero has no sign.
QString SumText(double value, bool twoDecimals);
// Second line of a day cell: the extra hours in the shortest form, empty for 0.
QString ExtraHoursText(double ueberstunden);

// Texts of the five sum columns of one employee's row ("=", "Vort", "Soll", "Ist",
// "Utrg"), for a month with an account. `overMax`: the "=" text ends in ">Max" and is red.
struct TSumCells {
    std::array<QString, 5> text;
    bool overMax = false;
};
TSumCells SumCells(const TPerson& p, int year, int month, bool twoDecimals);

// Whether an employee counts as present on a day: a duty that is not an absence counts
// as present; without an entry with a known duty, working days (Monday to Friday, not a
// holiday) count as present.
bool IsPresent(const TRoster& roster, const TEintrag* e, int year, int month, int day,
    const std::array<bool, kFeiertagCount>& feiertage);
// The same with the day's kind already known (`workingDay`: Monday to Friday, no holiday).
bool IsPresentOn(const TRoster& roster, const TEintrag* e, bool workingDay);
