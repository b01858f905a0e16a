#include "check.h"

#include "core/roster.h"
#include "planning/plancheck.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

bool CheckMonthOutput(const TRoster& roster, int year, int month, bool json, QByteArray& out)
{
    const TCheckResult result = CheckMonth(roster, year, month);
    if (!json) {
        out.clear();
        for (const TFinding& f : result.findings) {
            const TFindingText t = FindingText(f, roster, year, month);
            out += (QStringList{t.day, t.subject, t.rule, t.numbers}.join(QLatin1Char('\t')) + QLatin1Char('\n'))
                       .toUtf8();
        }
        if (result.Clean())
            out = "ok\n";
        return result.Clean();
    }
    QJsonArray findings;
    for (const TFinding& f : result.findings) {
        const TFindingText t = FindingText(f, roster, year, month);
        QJsonObject o;
        o.insert(QStringLiteral("kind"), QLatin1String(FindingKindKey(f.kind)));
        o.insert(QStringLiteral("day"), f.day);
        if (f.person >= 0 && f.person < roster.personen.Count())
            o.insert(QStringLiteral("person"), roster.personen[f.person].name);
        if (f.duty >= 0 && f.duty < roster.dienste.Count())
            o.insert(QStringLiteral("duty"), roster.dienste[f.duty].kuerzel);
        if (f.duty2 >= 0 && f.duty2 < roster.dienste.Count())
            o.insert(QStringLiteral("nextDuty"), roster.dienste[f.duty2].kuerzel);
        if (f.kind != TFindingKind::Succession && f.kind != TFindingKind::NotQualified) {
            o.insert(QStringLiteral("actual"), f.actual);
            o.insert(QStringLiteral("limit"), f.limit);
        }
        o.insert(QStringLiteral("text"),
            QStringList{t.day, t.subject, t.rule, t.numbers}.join(QStringLiteral(" ")).trimmed());
        findings.append(o);
    }
    QJsonObject root;
    root.insert(QStringLiteral("year"), year);
    root.insert(QStringLiteral("month"), month);
    root.insert(QStringLiteral("clean"), result.Clean());
    root.insert(QStringLiteral("findings"), findings);
    out = QJsonDocument(root).toJson(QJsonDocument::Indented);
    return result.Clean();
}
