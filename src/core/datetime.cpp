#include "core/datetime.h"

#include <cmath>
#include <optional>

QDate DateEpoch()
{
    return QDate(1899, 12, 30);
}

TDateTime EncodeDate(int year, int month, int day)
{
    return DateToDateTime(QDate(year, month, day));
}

TDateTime DateToDateTime(const QDate& date)
{
    if (!date.isValid())
        return 0.0;
    return static_cast<double>(DateEpoch().daysTo(date));
}

TDateTime QDateTimeToDateTime(const QDateTime& dt)
{
    const double days = DateToDateTime(dt.date());
    const double frac = dt.time().msecsSinceStartOfDay() / 86400000.0;
    // Before the epoch the fraction counts forward from the day's start like the date part.
    return days >= 0 ? days + frac : days - frac;
}

QDate DateTimeToDate(TDateTime value)
{
    if (!std::isfinite(value) || std::fabs(value) > 3.0e6)
        return DateEpoch();
    return DateEpoch().addDays(static_cast<qint64>(std::trunc(value)));
}

QDateTime DateTimeToQDateTime(TDateTime value)
{
    const QDate d = DateTimeToDate(value);
    double frac = std::fabs(value - std::trunc(value));
    if (!std::isfinite(frac))
        frac = 0;
    const int ms = static_cast<int>(std::llround(frac * 86400000.0));
    return QDateTime(d, QTime::fromMSecsSinceStartOfDay(std::min(ms, 86399999)));
}

void DecodeDate(TDateTime value, int& year, int& month, int& day)
{
    const QDate d = DateTimeToDate(value);
    year = d.year();
    month = d.month();
    day = d.day();
}

bool SameDay(TDateTime a, int year, int month, int day)
{
    int y, m, d;
    DecodeDate(a, y, m, d);
    return y == year && m == month && d == day;
}

namespace Clock {
namespace {
std::optional<QDateTime>& fixedSlot()
{
    static std::optional<QDateTime> fixed;
    return fixed;
}
} // namespace

QDateTime now()
{
    return fixedSlot() ? *fixedSlot() : QDateTime::currentDateTime();
}

QDate today()
{
    return now().date();
}

void setFixed(const QDateTime& fixed)
{
    fixedSlot() = fixed;
}

void reset()
{
    fixedSlot().reset();
}
} // namespace Clock
