#pragma once
// Small rosters for the planning tests, written as rows of duty abbreviations.

#include "core/roster.h"

#include <QDate>
#include <QStringList>

// Duties 1 U (absence), 2 F (8 h), 3 S (8 h), 4 N (10 h).
inline void addDuties(TRoster& r)
{
    r.dienste.Clear();
    const struct {
        const char* name;
        const char* abbr;
        bool absent;
        double hours;
    } duties[]
        = {{"Urlaub", "U", true, 0}, {"Früh", "F", false, 8}, {"Spät", "S", false, 8}, {"Nacht", "N", false, 10}};
    for (const auto& d : duties) {
        TDienst* x = r.dienste.Add();
        x->name = QString::fromUtf8(d.name);
        x->kuerzel = QString::fromUtf8(d.abbr);
        x->abwesend = d.absent;
        x->stunden = d.hours;
    }
}

inline int dutyNumber(const TRoster& r, const QString& abbr)
{
    for (int i = 0; i < r.dienste.Count(); ++i) {
        if (r.dienste[i].kuerzel == abbr)
            return i + 1;
    }
    return 0;
}

// "N N | F - S": the days before "|" end the previous month, the rest start at day 1;
// "-" is a day without entry.
inline void fillRow(TRoster& r, TPerson& p, int year, int month, const QString& text)
{
    QStringList before, days = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const int bar = int(days.indexOf(QStringLiteral("|")));
    if (bar >= 0) {
        before = days.mid(0, bar);
        days = days.mid(bar + 1);
    }
    const QDate first(year, month, 1);
    auto put = [&](const QDate& day, const QString& abbr) {
        if (abbr == QStringLiteral("-"))
            return;
        TEintrag* e = p.eintraege.Add();
        e->datum = EncodeDate(day.year(), day.month(), day.day());
        e->dienst = dutyNumber(r, abbr);
    };
    for (int i = 0; i < before.size(); ++i)
        put(first.addDays(i - before.size()), before[i]);
    for (int i = 0; i < days.size(); ++i)
        put(first.addDays(i), days[i]);
}

inline void makeRoster(TRoster& r, const QStringList& rows, int year, int month)
{
    r.personen.Clear();
    addDuties(r);
    for (int i = 0; i < rows.size(); ++i) {
        TPerson* p = r.AddPerson();
        p->name = QStringLiteral("P%1").arg(i);
        p->eingestellt = EncodeDate(2000, 1, 1);
        fillRow(r, *p, year, month, rows[i]);
    }
}

