#pragma once
// Rosters and page images for the planner tests.
#include "core/canvas.h"
#include "core/roster.h"
#include "planner/monthgrid.h"

#include <QImage>

namespace plantest {

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

inline TDienst& addDuty(TRoster& r, const QString& name, const QString& kuerzel, std::uint32_t farbe,
    double stunden, bool abwesend = false)
{
    TDienst* d = r.dienste.Add();
    d->name = name;
    d->kuerzel = kuerzel;
    d->farbe = farbe;
    d->stunden = stunden;
    d->abwesend = abwesend;
    return *d;
}

inline TEintrag& addEntry(TPerson& p, int y, int m, int d, int dienst, double extra = 0)
{
    TEintrag* e = p.eintraege.Add();
    e->datum = EncodeDate(y, m, d);
    e->dienst = dienst;
    e->ueberstunden = extra;
    return *e;
}

// An empty roster: no persons, no duties.
inline void clear(TRoster& r)
{
    r.personen.Clear();
    r.dienste.Clear();
}

// Roster with `n` persons "P1" … and no duties.
inline void fill(TRoster& r, int n)
{
    clear(r);
    for (int i = 1; i <= n; ++i)
        addPerson(r, QStringLiteral("P%1").arg(i));
}

inline TMonthView view(int year, int month, double page = 1, int filter = 0)
{
    TMonthView v;
    v.year = year;
    v.month = month;
    v.page = page;
    v.filter = filter;
    return v;
}

struct Page {
    QImage image;
    TMonthGeometry geo;
};

inline Page draw(TRoster& r, const TPlanSettings& s, const TMonthView& v, bool printit = false,
    const TMonthOverlay& overlay = {}, int w = kW, int h = kH, double zoom = 100)
{
    Page page{QImage(std::max(w, 1), std::max(h, 1), QImage::Format_RGB32), {}};
    page.image.fill(Qt::white);
    TCanvas canvas(&page.image);
    page.geo = DrawMonth(canvas, w, h, 96, 96, zoom, printit, r, s, v, overlay);
    return page;
}

inline bool isBlack(QRgb c)
{
    return qRed(c) < 60 && qGreen(c) < 60 && qBlue(c) < 60;
}

} // namespace plantest
