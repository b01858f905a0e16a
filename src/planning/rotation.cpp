#include "planning/rotation.h"

#include "calendar/feiertage.h"
#include "core/roster.h"
#include "i18n/translate.h"

#include <QRegularExpression>

#include <algorithm>
#include <functional>

namespace {

bool isFreeStep(const QString& s)
{
    return s.isEmpty() || s == QStringLiteral("-");
}

// Euclidean remainder: offsets may be negative.
int wrap(long long i, int n)
{
    const long long r = i % n;
    return int(r < 0 ? r + n : r);
}

} // namespace

std::vector<QString> ParsePatternSteps(const QString& text)
{
    std::vector<QString> steps;
    static const QRegularExpression sep(QStringLiteral("[\\s,;]+"));
    for (const QString& s : text.split(sep, Qt::SkipEmptyParts))
        steps.push_back(s);
    return steps;
}

QString PatternStepsText(const TPattern& pattern)
{
    QStringList parts;
    for (const QString& s : pattern.steps)
        parts << (isFreeStep(s) ? QStringLiteral("-") : s);
    return parts.join(QLatin1Char(' '));
}

std::vector<int> PatternDuties(const TPattern& pattern, const TRoster& roster, QString* error)
{
    std::vector<int> out;
    for (const QString& s : pattern.steps) {
        if (isFreeStep(s)) {
            out.push_back(0);
            continue;
        }
        const int d = ResolveDuty(roster.dienste, TDutyKey{s, 0});
        if (d < 0) {
            if (error)
                *error = TranslateText(QStringLiteral("Kein Dienst hat das Kürzel \"%1\".")).arg(s);
            return {};
        }
        out.push_back(d + 1);
    }
    return out;
}

TPatternResult ApplyPattern(TRoster& roster, const TPattern& pattern, const TPatternRun& run)
{
    TPatternResult result;
    const std::vector<int> duties = PatternDuties(pattern, roster, &result.error);
    if (!result.error.isEmpty())
        return result;
    if (duties.empty()) {
        result.error = TranslateText(QStringLiteral("Das Muster ist leer."));
        return result;
    }
    if (!run.start.isValid()) {
        result.error = TranslateText(QStringLiteral("Kein Anfangstag gewählt."));
        return result;
    }
    const int days = run.days > 0 ? std::min(run.days, 3660) : run.start.daysInMonth() - run.start.day() + 1;
    const int n = int(duties.size());
    for (std::size_t k = 0; k < run.persons.size(); ++k) {
        const int pi = run.persons[k];
        if (pi < 0 || pi >= roster.personen.Count())
            continue;
        const int offset = k < run.offsets.size() ? run.offsets[k] : 0;
        TPerson& p = roster.personen[pi];
        const TDateTime hired = std::floor(p.eingestellt), left = std::floor(p.entlassen);
        // Every day's entry is looked up before anything changes; appends keep indices.
        std::vector<int> found(std::size_t(days), -1);
        for (int i = 0; i < days; ++i) {
            const QDate day = run.start.addDays(i);
            found[std::size_t(i)] = p.eintragIndex.Find(p.eintraege, day.year(), day.month(), day.day());
        }
        std::vector<int> gone;
        for (int i = 0; i < days; ++i) {
            const QDate day = run.start.addDays(i);
            const TDateTime when = EncodeDate(day.year(), day.month(), day.day());
            if (when < hired || (p.istentlassen && when > left))
                continue;
            const int want = duties[std::size_t(wrap(static_cast<long long>(i) - offset, n))];
            const int e = found[std::size_t(i)];
            if (e >= 0) {
                const TEintrag& old = std::as_const(p.eintraege)[e];
                const TDienst* oldDuty = roster.DienstOf(old);
                if (oldDuty != nullptr && oldDuty->abwesend && !run.replaceAbsences)
                    continue;
                if (want == 0) {
                    gone.push_back(e);
                    ++result.changed;
                } else if (old.dienst != want) {
                    p.eintraege[e].dienst = want;
                    ++result.changed;
                }
            } else if (want != 0) {
                TEintrag* added = p.eintraege.Add();
                if (added == nullptr) {
                    result.error = TranslateText(QStringLiteral("Nicht genug Speicher."));
                    break;
                }
                added->datum = when;
                added->dienst = want;
                added->ueberstunden = 0;
                ++result.changed;
            }
        }
        std::sort(gone.begin(), gone.end(), std::greater<int>());
        for (int e : gone)
            p.eintraege.Delete(e);
    }
    return result;
}
