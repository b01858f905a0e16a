#include "output/dutystatistics.h"

#include "core/datetime.h"
#include "core/roster.h"
#include "i18n/messagetable.h"

#include <QDate>

#include <algorithm>
#include <cstdint>
#include <unordered_set>

namespace {

// Day keys of the first and the last day of a period; false when the period has no
// valid calendar dates.
bool periodKeys(int year, int monthFrom, int monthTo, std::int64_t& lo, std::int64_t& hi)
{
    const QDate first(year, monthFrom, 1);
    const QDate lastMonth(year, monthTo, 1);
    if (!first.isValid() || !lastMonth.isValid())
        return false;
    const QDate last(year, monthTo, lastMonth.daysInMonth());
    lo = TEintragIndex::DayKey(DateToDateTime(first));
    hi = TEintragIndex::DayKey(DateToDateTime(last));
    return true;
}

std::vector<int> count(const TRoster& roster, const TPerson& p, int year, int monthFrom, int monthTo, bool firstPerDay)
{
    const int duties = roster.dienste.Count();
    std::vector<int> counts(static_cast<std::size_t>(std::max(duties, 0)), 0);
    std::int64_t lo = 0, hi = -1;
    if (duties <= 0 || !periodKeys(year, monthFrom, monthTo, lo, hi))
        return counts;
    // Days of the period already seen, for the year's first-entry rule.
    std::vector<bool> seen(firstPerDay ? static_cast<std::size_t>(hi - lo + 1) : 0, false);
    const TDynaArray<TEintrag>& entries = p.eintraege;
    for (int i = 0; i < entries.Count(); ++i) {
        const TEintrag& e = entries[i];
        const std::int64_t key = TEintragIndex::DayKey(e.datum);
        if (key < lo || key > hi)
            continue;
        if (firstPerDay) {
            const auto slot = static_cast<std::size_t>(key - lo);
            if (seen[slot])
                continue;
            seen[slot] = true;
        }
        if (e.dienst >= 1 && e.dienst <= duties)
            ++counts[static_cast<std::size_t>(e.dienst - 1)];
    }
    return counts;
}

template <typename Active, typename Count>
std::vector<TStatLine> build(const TRoster& roster, const QString& heading, Active active, Count counter)
{
    std::vector<TStatLine> lines;
    lines.push_back({heading, true});
    lines.push_back({QString(), false});
    lines.push_back({QString(), false});
    const TDynaArray<TDienst>& dienste = roster.dienste;
    for (int i = 0; i < roster.personen.Count(); ++i) {
        const TPerson& p = roster.personen[i];
        lines.push_back({p.name, false});
        if (active(p)) {
            const std::vector<int> counts = counter(p);
            for (int k = 0; k < static_cast<int>(counts.size()); ++k) {
                if (counts[static_cast<std::size_t>(k)] > 0) {
                    lines.push_back(
                        {dienste[k].name + QStringLiteral(": ") + QString::number(counts[static_cast<std::size_t>(k)]),
                            false});
                }
            }
        }
        lines.push_back({QString(), false});
    }
    return lines;
}

} // namespace

std::vector<int> CountDutiesInMonth(const TRoster& roster, const TPerson& p, int year, int month)
{
    return count(roster, p, year, month, month, false);
}

std::vector<int> CountDutiesInYear(const TRoster& roster, const TPerson& p, int year)
{
    return count(roster, p, year, 1, 12, true);
}

std::vector<TStatLine> MonthStatistics(const TRoster& roster, int year, int month)
{
    const QString heading
        = GetMessageText(27) + QLatin1Char(' ') + QString::number(month) + QLatin1Char('/') + QString::number(year);
    return build(
        roster, heading, [&](const TPerson& p) { return IsActiveInMonth(p, year, month); },
        [&](const TPerson& p) { return CountDutiesInMonth(roster, p, year, month); });
}

std::vector<TStatLine> YearStatistics(const TRoster& roster, int year)
{
    const QString heading = GetMessageText(29) + QLatin1Char(' ') + QString::number(year);
    return build(
        roster, heading, [&](const TPerson& p) { return IsActiveInYear(p, year); },
        [&](const TPerson& p) { return CountDutiesInYear(roster, p, year); });
}

QString StatisticsText(const std::vector<TStatLine>& lines)
{
    QStringList out;
    out.reserve(static_cast<qsizetype>(lines.size()));
    for (const TStatLine& l : lines)
        out << l.text;
    return out.join(QLatin1Char('\n'));
}
