#pragma once
// The roster in memory: persons with their day entries and monthly hour tables, duties,
// and the rules that tie them together.

#include "core/datetime.h"
#include "core/dynaarray.h"
#include "core/plansettings.h"
#include "planning/planrules.h"

#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

// One 8-byte float per month of 2000 … 2100, year-major. Months outside the range have
// no element: reads give 0 and writes are ignored.
struct TMonatsTabelle {
    static constexpr int kFirstYear = 2000;
    static constexpr int kLastYear = 2100;
    static constexpr int kElements = (kLastYear - kFirstYear + 1) * 12; // 1212

    // A table left unset, for a reader that fills (or zeroes) every element right after.
    struct Unset {};

    TMonatsTabelle()
        : werte{}
    {
    }
    explicit TMonatsTabelle(Unset) {}

    std::array<double, kElements> werte;

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

// Day → first entry in stored order of one person's entries: answers exactly what the
// walk over the entries would, without walking. Built on first use and rebuilt whenever
// the entry container's ModCount (or block, or count) differs from the one it was built
// for, so every edit, load and reload is seen.
class TEintragIndex {
public:
    // Index of the first entry dated (jahr, monat, tag), -1 when there is none.
    int Find(const TDynaArray<TEintrag>& entries, int jahr, int monat, int tag) const;
    // out[d - 1] for the days d = 1 … days of the month: index of that day's first entry
    // or -1. `out` holds at least 31 elements.
    void FindMonth(const TDynaArray<TEintrag>& entries, int jahr, int monat, int* out) const;

    // Day number of a stored date as the calendar reads it (whole days since
    // 30 December 1899; out-of-range values read as that day).
    static std::int64_t DayKey(TDateTime datum);

private:
    void ensure(const TDynaArray<TEintrag>& entries) const;
    int lookup(std::int64_t key) const;

    mutable std::uint64_t modcount_ = ~std::uint64_t(0);
    mutable const TEintrag* block_ = nullptr;
    mutable int count_ = -1;
    // Dense table over first_ … first_ + size - 1 when the days lie close together,
    // otherwise sorted (day, index) pairs.
    mutable std::int64_t first_ = 0;
    mutable std::vector<int> dense_;
    mutable std::vector<std::pair<std::int64_t, int>> sparse_;
    mutable bool isDense_ = true;
};

struct TPerson {
    TPerson() = default;
    // A person whose four month tables are left unset (see TMonatsTabelle::Unset).
    explicit TPerson(TMonatsTabelle::Unset u)
        : soll(u)
        , vortrag(u)
        , iststunden(u)
        , uebertrag(u)
    {
    }
    // Zeroes the four month tables.
    void ClearTables()
    {
        soll.werte.fill(0);
        vortrag.werte.fill(0);
        iststunden.werte.fill(0);
        uebertrag.werte.fill(0);
    }

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
    TEintragIndex eintragIndex; // cache over `eintraege`, never stored
};

struct TMonthGridCache;

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
    TPlanRules regeln; // staffing targets, rules, qualifications, patterns (own file)
    // What the month grid keeps between repaints (rows, name widths, month sums), each
    // part keyed by the containers it was computed from; never stored.
    mutable std::shared_ptr<TMonthGridCache> monthGridCache;

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
    // Index of that entry in the person's container, -1 if none (no cursor movement;
    // answered by the person's entry index).
    static int EintragIndexOfDay(const TPerson& p, int jahr, int monat, int tag);
    // Hours of one day: the duty's hours plus the entry's extra hours.
    double HoursOf(const TEintrag& e) const;
};
