#include "planner/hoursaccount.h"

#include "calendar/feiertage.h"
#include "core/format.h"
#include "core/roster.h"

#include <QLocale>

double EintragHours(const TRoster& roster, const TEintrag& e)
{
    return roster.HoursOf(e);
}

double MonthHours(const TRoster& roster, const TPerson& p, int year, int month)
{
    std::array<int, 31> idx{};
    p.eintragIndex.FindMonth(p.eintraege, year, month, idx.data());
    double sum = 0;
    for (int d = 0; d < MonthDays(year, month); ++d) {
        if (idx[std::size_t(d)] >= 0)
            sum += EintragHours(roster, p.eintraege[idx[std::size_t(d)]]);
    }
    return sum;
}

void RecordMonth(TPerson& p, int year, int month)
{
    if (TMonatsTabelle::InRange(year, month))
        p.iststunden.Set(year, month, p.monatssumme);
    RecomputeBalances(p);
}

void RecomputeBalances(TPerson& p)
{
    double carry = p.startueberstunden;
    for (int i = 0; i < TMonatsTabelle::kElements; ++i) {
        p.vortrag.werte[i] = carry;
        p.uebertrag.werte[i] = p.vortrag.werte[i] + p.iststunden.werte[i] - p.soll.werte[i];
        carry = p.uebertrag.werte[i];
    }
}

QString SumText(double value, bool twoDecimals)
{
    QLocale loc;
    loc.setNumberOptions(QLocale::OmitGroupSeparator);
    QString text = loc.toString(value, 'f', twoDecimals ? 2 : 1);
    // A balance with a floating-point residue (-1e-14) rounds to zero: no sign then.
    const QString minus = loc.negativeSign();
    if (text.startsWith(minus)) {
        bool allZero = true;
        for (QChar c : QStringView(text).mid(minus.size())) {
            if (c.isDigit() && c.digitValue() != 0)
                allZero = false;
        }
        if (allZero)
            text.remove(0, minus.size());
    }
    return text;
}

QString ExtraHoursText(double ueberstunden)
{
    return ueberstunden == 0 ? QString() : FormatNumberText(ueberstunden);
}

TSumCells SumCells(const TPerson& p, int year, int month, bool twoDecimals)
{
    TSumCells cells;
    const double vort = p.vortrag.Get(year, month);
    cells.overMax = p.maxstunden != 0 && p.monatssumme > p.maxstunden;
    cells.text[0] = SumText(p.monatssumme, twoDecimals);
    if (cells.overMax)
        cells.text[0] += QStringLiteral(">Max");
    cells.text[1] = SumText(vort, twoDecimals);
    cells.text[2] = SumText(p.soll.Get(year, month), twoDecimals);
    cells.text[3] = SumText(p.monatssumme + vort, twoDecimals);
    cells.text[4] = SumText(p.uebertrag.Get(year, month), twoDecimals);
    return cells;
}

bool IsPresentOn(const TRoster& roster, const TEintrag* e, bool workingDay)
{
    if (e != nullptr) {
        if (const TDienst* d = roster.DienstOf(*e))
            return !d->abwesend;
    }
    return workingDay;
}

bool IsPresent(const TRoster& roster, const TEintrag* e, int year, int month, int day,
    const std::array<bool, kFeiertagCount>& feiertage)
{
    const QDate date(year, month, day);
    const bool workingDay = date.isValid() && WeekdayIndex(date) < 5 && !IsFeiertag(feiertage, year, month, day);
    return IsPresentOn(roster, e, workingDay);
}
