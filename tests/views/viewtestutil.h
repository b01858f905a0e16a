#pragma once
// Rosters and page images for the day and year view tests.
#include "core/canvas.h"
#include "core/datetime.h"
#include "core/roster.h"

#include <QImage>

namespace viewtest {

// Screen page: A4 landscape at 96 dpi.
constexpr int kW = 1123;
constexpr int kH = 794;

inline TPerson& addPerson(TRoster& r, const QString& name, TDateTime hired = 0)
{
    TPerson* p = r.AddPerson();
    p->name = name;
    p->eingestellt = hired;
    return *p;
}

inline TDienst& addDuty(
    TRoster& r, const QString& name, const QString& kuerzel, std::uint32_t farbe, bool abwesend = false)
{
    TDienst* d = r.dienste.Add();
    d->name = name;
    d->kuerzel = kuerzel;
    d->farbe = farbe;
    d->stunden = 8;
    d->abwesend = abwesend;
    return *d;
}

inline TEintrag& addEntry(TPerson& p, const QDate& date, int dienst)
{
    TEintrag* e = p.eintraege.Add();
    e->datum = DateToDateTime(date);
    e->dienst = dienst;
    return *e;
}

inline void clear(TRoster& r)
{
    r.personen.Clear();
    r.dienste.Clear();
}

inline QImage whitePage(int w = kW, int h = kH)
{
    QImage image(std::max(w, 1), std::max(h, 1), QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

} // namespace viewtest
