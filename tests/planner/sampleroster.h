#pragma once
// A filled roster for page tests, screenshots and benchmarks: employees with names,
// departments and personnel numbers, eight coloured duties, and a month of entries in a
// rotating pattern (weekends mostly free, some holidays, some extra hours).
#include "calendar/feiertage.h"
#include "core/datetime.h"
#include "core/roster.h"

#include <QStringList>

namespace sample {

inline void addDuty(
    TRoster& r, const char* name, const char* kuerzel, std::uint32_t farbe, double stunden, bool abwesend = false)
{
    TDienst* d = r.dienste.Add();
    d->name = QString::fromUtf8(name);
    d->kuerzel = QString::fromUtf8(kuerzel);
    d->farbe = farbe;
    d->stunden = stunden;
    d->abwesend = abwesend;
}

// Replaces the roster by `persons` employees hired before `year` and eight duties, with
// entries for every employee in (year, month).
inline void FillRoster(TRoster& r, int persons, int year, int month)
{
    r.personen.Clear();
    r.dienste.Clear();
    // Colours are 0x00BBGGRR.
    addDuty(r, "Frühdienst", "F", 0x9CE6FF, 8); // light yellow
    addDuty(r, "Spätdienst", "S", 0xFFC89B, 8); // light blue
    addDuty(r, "Nachtdienst", "N", 0xC87878, 10); // slate blue
    addDuty(r, "Tagdienst", "T", 0xA0E6A0, 8); // light green
    addDuty(r, "Bereitschaft", "B", 0xE6B4E6, 4); // lilac
    addDuty(r, "Urlaub", "U", 0x7890F0, 0, true); // salmon
    addDuty(r, "Krank", "K", 0x6464DC, 0, true); // red
    addDuty(r, "Fortbildung", "FB", 0x50C8F0, 8); // orange
    const QStringList first{QStringLiteral("Anna"), QStringLiteral("Bernd"), QStringLiteral("Clara"),
        QStringLiteral("Dieter"), QStringLiteral("Eva"), QStringLiteral("Frank"), QStringLiteral("Gisela"),
        QStringLiteral("Hans"), QStringLiteral("Inge"), QStringLiteral("Jürgen"), QStringLiteral("Karin"),
        QStringLiteral("Lars")};
    const QStringList last{QStringLiteral("Becker"), QStringLiteral("Schulz"), QStringLiteral("Wagner"),
        QStringLiteral("Hoffmann"), QStringLiteral("Köhler"), QStringLiteral("Neumann"), QStringLiteral("Braun"),
        QStringLiteral("Zimmermann")};
    const QStringList departments{QStringLiteral("Station 1"), QStringLiteral("Station 2"), QStringLiteral("Ambulanz")};
    const int days = MonthDays(year, month);
    for (int i = 0; i < persons; ++i) {
        TPerson* p = r.AddPerson();
        p->name = last[i % last.size()] + QStringLiteral(", ") + first[(i * 5) % first.size()];
        p->persnr = QString::number(1001 + i);
        p->abteilung = departments[i % departments.size()];
        p->eingestellt = EncodeDate(year - 1, 1, 1);
        p->maxstunden = i % 4 == 0 ? 160 : 0;
        for (int d = 1; d <= days; ++d) {
            const int weekday = WeekdayIndex(QDate(year, month, d)); // Monday 0
            int dienst = 0;
            if (i % 7 == 3 && d >= 10 && d <= 16)
                dienst = 6; // a week off
            else if (i % 11 == 5 && d >= 20 && d <= 22)
                dienst = 7;
            else if (weekday < 5)
                dienst = 1 + (i + d / 7) % 4; // early, late, night, day shift in turn
            else if ((i + d) % 5 == 0)
                dienst = 5;
            const double extra = (i + d) % 13 == 0 ? 1.5 : 0;
            if (dienst == 0 && extra == 0)
                continue;
            TEintrag* e = p->eintraege.Add();
            e->datum = EncodeDate(year, month, d);
            e->dienst = dienst;
            e->ueberstunden = extra;
        }
    }
}

// Deletes the entries of days `fromDay` … end of the month (a full sample month made
// partly empty, for what fills empty cells).
inline void ClearMonth(TRoster& r, int year, int month, int fromDay = 1)
{
    for (int i = 0; i < r.personen.Count(); ++i) {
        TPerson& p = r.personen[i];
        for (int e = p.eintraege.Count() - 1; e >= 0; --e) {
            int y, m, d;
            DecodeDate(p.eintraege[e].datum, y, m, d);
            if (y == year && m == month && d >= fromDay)
                p.eintraege.Delete(e);
        }
    }
}

} // namespace sample
