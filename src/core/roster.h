#pragma once
// The roster in memory: persons with their day entries and monthly hour tables, duties,
// and the rules that tie them together.

#include "core/datetime.h"
#include "core/dynaarray.h"
#include "core/plansettings.h"

#include <QString>

#include <array>
#include <cstdint>

// One 8-byte float per month of 2000 … 2100, year-major. Months outside the range have
// no element: reads give 0 and writes are ignored.
struct TMonatsTabelle {
    static constexpr int kFirstYear = 2000;
    static constexpr int kLastYear = 2100;
    static constexpr int kElements = (kLastYear - kFirstYear + 1) * 12; // 1212

    std::array<double, kElements> werte{};

    static bool InRange(int jahr, int monat)
    {
        return jahr >= kFirstYear && jahr <= kLastYear && monat >= 1 && monat <= 12;
    }
    static int Index(int jahr, int monat) { return (jahr - kFirstYear) * 12 + (monat - 1); }
    double Get(int jahr, int monat) const { return InRange(jahr, monat) ? werte[Index(jahr, monat)] : 0.0; }
    void Set(int jahr, int monat, double v)
    {
        if (InRange(jahr, monat))
            werte[Index(jahr, monat)] = v;
    }
};

struct TEintrag {
    TDateTime datum = 0; // whole date
    std::int32_t dienst = 0; // 1-based duty number, 0 = no duty
    double ueberstunden = 0; // extra hours of the day
};

struct TPerson {
    QString name;
    QString persnr;
    QString abteilung;
    TDateTime eingestellt = 0;
    TDateTime entlassen = 0;
    bool istentlassen = false;
    TDynaArray<TEintrag> eintraege;
    TMonatsTabelle soll;
    TMonatsTabelle vortrag;
    TMonatsTabelle iststunden;
    TMonatsTabelle uebertrag;
    double monatssumme = 0; // scratch of the month grid, never stored
    double maxstunden = 0; // 0 = no limit
    double startueberstunden = 0;
};

struct TDienst {
    QString name;
    QString kuerzel;
    std::uint32_t farbe = 0; // 0x00BBGGRR
    bool abwesend = false;
    double stunden = 0;
};

bool IsActiveInMonth(const TPerson& p, int jahr, int monat);
bool IsActiveInYear(const TPerson& p, int jahr);

// The whole roster of one plan slot: the containers, their current-record variables and
// the plan settings. Owned by the main window for the whole run.
class TRoster {
public:
    TRoster();
    TRoster(const TRoster&) = delete;
    TRoster& operator=(const TRoster&) = delete;

    TPerson* apers = nullptr;
    TDienst* adienst = nullptr;
    TEintrag* aeintrag = nullptr; // shared by every person's entry container
    TDynaArray<TPerson> personen{&apers};
    TDynaArray<TDienst> dienste{&adienst};
    TPlanSettings settings;

    // New containers, each with the default record: person "Mustermann", duty "Urlaub".
    void InitPersonenDienste();
    // Appends a zeroed person whose entry container publishes into `aeintrag`.
    TPerson* AddPerson();
    // Duty of an entry (record dienst-1 of `dienste`), nullptr for 0 or out of range.
    TDienst* DienstOf(const TEintrag& e);
    const TDienst* DienstOf(const TEintrag& e) const;
    // First entry of the person on that day, nullptr if none. Walks the entry container,
    // so its cursor (and `aeintrag`) ends on the found record.
    TEintrag* EintragOfDay(TPerson& p, int jahr, int monat, int tag);
    // Index of that entry in the person's container, -1 if none (no cursor movement).
    static int EintragIndexOfDay(const TPerson& p, int jahr, int monat, int tag);
    // Hours of one day: the duty's hours plus the entry's extra hours.
    double HoursOf(const TEintrag& e) const;
};
