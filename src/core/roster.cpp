#include "core/roster.h"

#include "i18n/messagetable.h"

namespace {
void yearMonth(TDateTime v, int& y, int& m)
{
    int d;
    DecodeDate(v, y, m, d);
}
} // namespace

bool IsActiveInMonth(const TPerson& p, int jahr, int monat)
{
    int ey, em;
    yearMonth(p.eingestellt, ey, em);
    const bool hired = ey < jahr || (ey == jahr && em <= monat);
    if (!hired)
        return false;
    if (!p.istentlassen)
        return true;
    int ly, lm;
    yearMonth(p.entlassen, ly, lm);
    return ly > jahr || (ly == jahr && lm >= monat);
}

bool IsActiveInYear(const TPerson& p, int jahr)
{
    int ey, em;
    yearMonth(p.eingestellt, ey, em);
    if (ey > jahr)
        return false;
    if (!p.istentlassen)
        return true;
    int ly, lm;
    yearMonth(p.entlassen, ly, lm);
    return ly >= jahr;
}

TRoster::TRoster()
{
    InitPersonenDienste();
}

void TRoster::InitPersonenDienste()
{
    personen.Clear();
    dienste.Clear();
    if (TPerson* p = AddPerson())
        p->name = GetMessageText(13);
    if (TDienst* d = dienste.Add()) {
        d->name = GetMessageText(14);
        d->kuerzel = GetMessageText(15);
        d->farbe = 0x0000FFFF;
        d->abwesend = true;
        d->stunden = 0;
    }
}

TPerson* TRoster::AddPerson()
{
    TPerson* p = personen.Add();
    if (p)
        p->eintraege.setCursorVariable(&aeintrag);
    return p;
}

TDienst* TRoster::DienstOf(const TEintrag& e)
{
    if (e.dienst < 1 || e.dienst > dienste.Count())
        return nullptr;
    return &dienste[e.dienst - 1];
}

const TDienst* TRoster::DienstOf(const TEintrag& e) const
{
    if (e.dienst < 1 || e.dienst > dienste.Count())
        return nullptr;
    return &dienste[e.dienst - 1];
}

TEintrag* TRoster::EintragOfDay(TPerson& p, int jahr, int monat, int tag)
{
    p.eintraege.First();
    while (p.eintraege.WhileNext()) {
        TEintrag* e = p.eintraege.aobj;
        if (SameDay(e->datum, jahr, monat, tag))
            return e;
    }
    return nullptr;
}

int TRoster::EintragIndexOfDay(const TPerson& p, int jahr, int monat, int tag)
{
    for (int i = 0; i < p.eintraege.Count(); ++i) {
        if (SameDay(p.eintraege[i].datum, jahr, monat, tag))
            return i;
    }
    return -1;
}

double TRoster::HoursOf(const TEintrag& e) const
{
    const TDienst* d = DienstOf(e);
    return (d ? d->stunden : 0.0) + e.ueberstunden;
}
