#include "propose.h"

#include "core/roster.h"
#include "planning/proposal.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <algorithm>

namespace {

const char* statusKey(TProposalStatus s)
{
    switch (s) {
    case TProposalStatus::Optimal:
        return "optimal";
    case TProposalStatus::Stopped:
        return "stopped";
    case TProposalStatus::NoSolution:
        return "noSolution";
    case TProposalStatus::NothingToDo:
        return "nothingToDo";
    case TProposalStatus::Failed:
        return "failed";
    }
    return "";
}

} // namespace

QByteArray ProposalOutput(const TRoster& roster, const TProposal& p, bool applied, bool json)
{
    auto date = [&](int day) { return QDate(p.year, p.month, day).toString(QStringLiteral("yyyy-MM-dd")); };
    auto duty = [&](int k) { return k >= 0 && k < roster.dienste.Count() ? roster.dienste[k].kuerzel : QString(); };
    auto person = [&](int i) { return i >= 0 && i < roster.personen.Count() ? roster.personen[i].name : QString(); };
    std::vector<TProposedCell> cells = p.cells;
    std::stable_sort(cells.begin(), cells.end(), [](const TProposedCell& a, const TProposedCell& b) {
        return a.day != b.day ? a.day < b.day : a.person < b.person;
    });
    if (!json) {
        QString out = QStringLiteral("# %1, %2 duties, %3 missing, %4 rule breaks, deviation %5 h, %6 s%7\n")
                          .arg(QLatin1String(statusKey(p.status)))
                          .arg(cells.size())
                          .arg(p.missing)
                          .arg(p.ruleBreaks)
                          .arg(p.deviation)
                          .arg(p.seconds, 0, 'f', 1)
                          .arg(applied ? QStringLiteral(", applied") : QString());
        for (const TProposedCell& c : cells)
            out += QStringList{date(c.day), person(c.person), duty(c.duty)}.join(QLatin1Char('\t')) + QLatin1Char('\n');
        for (const TShortfall& s : p.shortfalls)
            out += QStringList{QStringLiteral("short"), date(s.day), duty(s.duty), s.reason}.join(QLatin1Char('\t'))
                + QLatin1Char('\n');
        return out.toUtf8();
    }
    QJsonArray duties, shortfalls;
    for (const TProposedCell& c : cells) {
        duties.append(QJsonObject{{QStringLiteral("date"), date(c.day)}, {QStringLiteral("person"), person(c.person)},
            {QStringLiteral("duty"), duty(c.duty)}});
    }
    for (const TShortfall& s : p.shortfalls) {
        shortfalls.append(QJsonObject{{QStringLiteral("date"), date(s.day)}, {QStringLiteral("duty"), duty(s.duty)},
            {QStringLiteral("needed"), s.needed}, {QStringLiteral("count"), s.count},
            {QStringLiteral("available"), s.available}, {QStringLiteral("reason"), s.reason}});
    }
    QJsonObject root{{QStringLiteral("year"), p.year}, {QStringLiteral("month"), p.month},
        {QStringLiteral("status"), QLatin1String(statusKey(p.status))}, {QStringLiteral("applied"), applied},
        {QStringLiteral("seconds"), p.seconds}, {QStringLiteral("missing"), p.missing},
        {QStringLiteral("ruleBreaks"), p.ruleBreaks}, {QStringLiteral("deviation"), p.deviation},
        {QStringLiteral("duties"), duties}, {QStringLiteral("shortfalls"), shortfalls}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}
