#pragma once
// Date-time values: 8-byte floats counting days since 30 December 1899, the fraction
// being the time of day. Conversions to and from Qt's date types, and one clock that
// tests can fix.

#include <QDate>
#include <QDateTime>

using TDateTime = double;

QDate DateEpoch(); // 30 December 1899
TDateTime EncodeDate(int year, int month, int day);
TDateTime DateToDateTime(const QDate& date);
TDateTime QDateTimeToDateTime(const QDateTime& dt);
QDate DateTimeToDate(TDateTime value);
QDateTime DateTimeToQDateTime(TDateTime value);
void DecodeDate(TDateTime value, int& year, int& month, int& day);
// Same calendar day (time of day ignored).
bool SameDay(TDateTime a, int year, int month, int day);

namespace Clock {
// Local "now"; a fixed value once setFixed was called (tests).
QDateTime now();
QDate today();
void setFixed(const QDateTime& fixed);
void reset();
} // namespace Clock
