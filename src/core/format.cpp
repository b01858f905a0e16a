#include "core/format.h"

#include <QDate>
#include <QLocale>

#include <cmath>

QString ShortDateFormat4()
{
    // Every run of 'y' outside quoted literals becomes "yyyy"; two-digit years are
    // ambiguous in lists and make typed years land in the wrong century.
    const QString format = QLocale().dateFormat(QLocale::ShortFormat);
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('y')) {
            while (i + 1 < format.size() && format.at(i + 1) == QLatin1Char('y'))
                ++i;
            out += QStringLiteral("yyyy");
            continue;
        }
        out += c;
    }
    return out;
}

QString FormatDate4(const QDate& date)
{
    return QLocale().toString(date, ShortDateFormat4());
}

QString FormatDateText(TDateTime value)
{
    return FormatDate4(DateTimeToDate(value));
}

QString FormatDateTimeText(TDateTime value)
{
    const QDateTime dt = DateTimeToQDateTime(value);
    QString text = FormatDate4(dt.date());
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
