#pragma once
// Dates and numbers as the user's locale writes them.
#include "core/datetime.h"

#include <QString>

// Short date, followed by the time only when the time of day is not zero.
QString FormatDateTimeText(TDateTime value);
// Short date of a date-time.
QString FormatDateText(TDateTime value);
// Shortest decimal text (up to 15 significant digits, no trailing zeros) with the
// locale's decimal separator: 0, 160, 37,5.
QString FormatNumberText(double value);
