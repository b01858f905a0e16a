#pragma once
// Dates and numbers as the user's locale writes them.
#include "core/datetime.h"

#include <QString>

class QDate;

// The locale's short date format (order and separators) with the year always written
// with four digits: "dd.MM.yyyy" for German, "M/d/yyyy" for US English.
QString ShortDateFormat4();
// A date in that format: "30.12.1899".
QString FormatDate4(const QDate& date);
// Short date (four-digit year), followed by the time only when the time of day is not zero.
QString FormatDateTimeText(TDateTime value);
// Short date (four-digit year) of a date-time.
QString FormatDateText(TDateTime value);
// Shortest decimal text (up to 15 significant digits, no trailing zeros) with the
// locale's decimal separator: 0, 160, 37,5.
QString FormatNumberText(double value);
