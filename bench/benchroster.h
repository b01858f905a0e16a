#pragma once
// What the drawing, export and calendar benchmarks share: their roster and main().
//
// The roster: eight duties (the last an absence) and `persons` employees, with one entry
// per day of 2015 … 2024 when `entries` is set. Duty numbers cycle through 1 … 9 (9 lies
// outside the duty list), or through 0 … 9 with `withoutDuty` (0 = an entry without
// duty); every 17th day carries 1.5 extra hours.
#include "core/datetime.h"
#include "core/roster.h"

#include <QGuiApplication>
#include <QString>

#include <benchmark/benchmark.h>

#include <cstdint>

inline void BuildBenchRoster(TRoster& r, int persons, bool entries = true, bool withoutDuty = false)
{
    r.personen.Clear();
    r.dienste.Clear();
    for (int k = 0; k < 8; ++k) {
        TDienst* d = r.dienste.Add();
        d->name = QStringLiteral("Dienst %1").arg(k + 1);
        d->kuerzel = QStringLiteral("D%1").arg(k + 1);
        d->farbe = 0x404040u * static_cast<std::uint32_t>(k + 1) & 0xFFFFFF;
        d->stunden = 8;
        d->abwesend = k == 7;
    }
    const TDateTime first = EncodeDate(2015, 1, 1);
    const TDateTime last = EncodeDate(2024, 12, 31);
    for (int i = 0; i < persons; ++i) {
        TPerson* p = r.AddPerson();
        p->name = QString::fromUtf8("Mitarbeiter Müller %1").arg(i + 1);
        p->abteilung = QStringLiteral("Station %1").arg(i % 5);
        p->persnr = QString::number(1000 + i);
        p->maxstunden = 170;
        if (!entries)
            continue;
        for (TDateTime d = first; d <= last; d += 1) {
            TEintrag* e = p->eintraege.Add();
            e->datum = d;
            const int cycle = i + static_cast<int>(d);
            e->dienst = withoutDuty ? cycle % 10 : 1 + cycle % 9;
            e->ueberstunden = static_cast<int>(d) % 17 == 0 ? 1.5 : 0;
        }
    }
}

// main() of the drawing benchmarks: fonts and images need a GUI application, and none
// needs a display.
inline int RunBenchmarksOffscreen(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
