#include "core/format.h"

#include <QLocale>

#include <cmath>

QString FormatDateText(TDateTime value)
{
    return QLocale().toString(DateTimeToDate(value), QLocale::ShortFormat);
}

QString FormatDateTimeText(TDateTime value)
{
    const QDateTime dt = DateTimeToQDateTime(value);
    QString text = QLocale().toString(dt.date(), QLocale::ShortFormat);
    if (dt.time().msecsSinceStartOfDay() != 0)
        text += QLatin1Char(' ') + QLocale().toString(dt.time(), QLocale::LongFormat).section(QLatin1Char(' '), 0, 0);
    return text;
}

QString FormatNumberText(double value)
{
    QLocale loc;
    loc.setNumberOptions(QLocale::OmitGroupSeparator);
    if (value == 0 || !std::isfinite(value))
        return loc.toString(std::isfinite(value) ? 0.0 : value, 'g', 15);
    return loc.toString(value, 'g', 15);
}
