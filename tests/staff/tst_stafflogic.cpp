#include "core/format.h"
#include "staff/stafflogic.h"
#include "testsupport.h"

namespace {
TPerson& addPerson(TRoster& r, const char* name, TDateTime hired = 0)
{
    TPerson* p = r.AddPerson();
    p->name = QString::fromUtf8(name);
    p->eingestellt = hired;
    return *p;
}
QStringList names(const TRoster& r)
{
    QStringList out;
    for (const TPerson& p : r.personen)
        out << p.name;
    return out;
}
void addEntry(TPerson& p, int day, int dienst)
{
    TEintrag* e = p.eintraege.Add();
    e->datum = EncodeDate(2024, 3, day);
    e->dienst = dienst;
}
} // namespace

class TestStaffLogic : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void personNrSkipsInactive()
    {
        TRoster r;
        r.personen.Clear();
        addPerson(r, "A");
        addPerson(r, "X", EncodeDate(2025, 1, 1)); // not active in March 2024
        addPerson(r, "B");
        QCOMPARE(GetPersonNr(r.personen, 0, 2024, 3), 0);
        QCOMPARE(GetPersonNr(r.personen, 1, 2024, 3), 2);
        QCOMPARE(GetPersonNr(r.personen, 2, 2024, 3), -1);
        // "Nach oben" on B swaps only the two listed persons: B, X, A.
        r.personen.Change(GetPersonNr(r.personen, 1, 2024, 3), GetPersonNr(r.personen, 0, 2024, 3));
        QCOMPARE(names(r), (QStringList{QStringLiteral("B"), QStringLiteral("X"), QStringLiteral("A")}));
    }

    void sortColumnChoice()
    {
        int spalte = 0;
        bool dir = false;
        ChooseSortColumn(0, spalte, dir);
        QVERIFY(dir); // first click on "Name": ascending
        ChooseSortColumn(1, spalte, dir);
        QCOMPARE(spalte, 1);
        QVERIFY(!dir); // another column starts descending
        ChooseSortColumn(1, spalte, dir);
        QVERIFY(dir);
    }

    void sortByNameIsOrdinal()
    {
        TRoster r;
        r.personen.Clear();
        addPerson(r, "anna");
        addPerson(r, "Bert");
        addPerson(r, "Ärger");
        SortierePersonen(r.personen, 0, true);
        QCOMPARE(names(r), (QStringList{QStringLiteral("Bert"), QStringLiteral("anna"), QString::fromUtf8("Ärger")}));
        SortierePersonen(r.personen, 0, false);
        QCOMPARE(names(r), (QStringList{QString::fromUtf8("Ärger"), QStringLiteral("anna"), QStringLiteral("Bert")}));
    }

    void sortByHireDate()
    {
        TRoster r;
        r.personen.Clear();
        addPerson(r, "old", EncodeDate(2019, 1, 1));
        addPerson(r, "new", EncodeDate(2023, 5, 1));
        addPerson(r, "mid", EncodeDate(2021, 2, 1));
        SortierePersonen(r.personen, 1, false); // first click: latest on top
        QCOMPARE(names(r), (QStringList{QStringLiteral("new"), QStringLiteral("mid"), QStringLiteral("old")}));
        SortierePersonen(r.personen, 1, true);
        QCOMPARE(names(r), (QStringList{QStringLiteral("old"), QStringLiteral("mid"), QStringLiteral("new")}));
    }

    void sortByPersonnelNumberLeavesInvalidPairs()
    {
        TRoster r;
        r.personen.Clear();
        addPerson(r, "twelve").persnr = QStringLiteral("12");
        addPerson(r, "none");
        addPerson(r, "three").persnr = QStringLiteral("3");
        SortierePersonen(r.personen, 4, true);
        // 12 and 3 are ordered numerically; the empty number never moves against them.
        QCOMPARE(names(r), (QStringList{QStringLiteral("three"), QStringLiteral("none"), QStringLiteral("twelve")}));
        SortierePersonen(r.personen, 4, false);
        QCOMPARE(names(r), (QStringList{QStringLiteral("twelve"), QStringLiteral("none"), QStringLiteral("three")}));
    }

    void sortKeepsEntriesWithTheirPerson()
    {
        TRoster r;
        r.personen.Clear();
        TPerson& z = addPerson(r, "Z");
        addEntry(z, 1, 1);
        z.soll.Set(2024, 3, 160);
        addPerson(r, "A");
        SortierePersonen(r.personen, 0, true);
        QCOMPARE(r.personen[1].name, QStringLiteral("Z"));
        QCOMPARE(r.personen[1].eintraege.Count(), 1);
        QCOMPARE(r.personen[1].soll.Get(2024, 3), 160.0);
        QCOMPARE(r.personen[0].eintraege.Count(), 0);
    }

    void deleteDutyRenumbersEntries()
    {
        // Duties U(1), F(2), N(3); deleting F drops its entries and makes N number 2.
        TRoster r;
        r.dienste.Clear();
        for (const char* k : {"U", "F", "N"}) {
            TDienst* d = r.dienste.Add();
            d->kuerzel = QLatin1String(k);
        }
        TPerson& p = r.personen[0];
        addEntry(p, 1, 2);
        addEntry(p, 2, 3);
        addEntry(p, 3, 1);
        addEntry(p, 4, 2);
        TPerson& q = addPerson(r, "Q");
        addEntry(q, 5, 3);
        DeleteDienstAndEntries(r, 2);
        QCOMPARE(r.dienste.Count(), 2);
        QCOMPARE(r.dienste[1].kuerzel, QStringLiteral("N"));
        QCOMPARE(p.eintraege.Count(), 2);
        QCOMPARE(r.DienstOf(*r.EintragOfDay(p, 2024, 3, 2))->kuerzel, QStringLiteral("N"));
        QCOMPARE(r.DienstOf(*r.EintragOfDay(p, 2024, 3, 3))->kuerzel, QStringLiteral("U"));
        QCOMPARE(r.DienstOf(*r.EintragOfDay(q, 2024, 3, 5))->kuerzel, QStringLiteral("N"));
        DeleteDienstAndEntries(r, 0); // out of range: nothing
        DeleteDienstAndEntries(r, 3);
        QCOMPARE(r.dienste.Count(), 2);
    }

    void moveDutyKeepsEveryEntryOnItsDuty()
    {
        TRoster r;
        r.dienste.Clear();
        for (const char* k : {"U", "F", "N"})
            r.dienste.Add()->kuerzel = QLatin1String(k);
        TPerson& p = r.personen[0];
        addEntry(p, 1, 2);
        addEntry(p, 2, 3);
        addEntry(p, 3, 1);
        SwapDienste(r, 3, 2); // N up
        QCOMPARE(r.dienste[1].kuerzel, QStringLiteral("N"));
        QCOMPARE(r.dienste[2].kuerzel, QStringLiteral("F"));
        QCOMPARE(r.DienstOf(*r.EintragOfDay(p, 2024, 3, 1))->kuerzel, QStringLiteral("F"));
        QCOMPARE(r.DienstOf(*r.EintragOfDay(p, 2024, 3, 2))->kuerzel, QStringLiteral("N"));
        QCOMPARE(r.DienstOf(*r.EintragOfDay(p, 2024, 3, 3))->kuerzel, QStringLiteral("U"));
        QCOMPARE(p.eintraege[1].dienst, 2);
    }

    void localeTexts()
    {
        QCOMPARE(FormatNumberText(37.5), QStringLiteral("37,5"));
        QCOMPARE(FormatNumberText(160), QStringLiteral("160"));
        QCOMPARE(FormatNumberText(0), QStringLiteral("0"));
        QCOMPARE(FormatNumberText(1234567.25), QStringLiteral("1234567,25"));
        QCOMPARE(
            FormatDateTimeText(EncodeDate(2024, 3, 5)), QStringLiteral("05.03.2024"));
        QVERIFY(FormatDateTimeText(EncodeDate(2024, 3, 5) + 0.5).endsWith(QStringLiteral("12:00:00")));
        // Day 0 and far years keep all four digits, in each locale's own order.
        QCOMPARE(FormatDateText(0), QStringLiteral("30.12.1899"));
        const QLocale german;
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(FormatDate4(QDate(1985, 7, 4)), QStringLiteral("7/4/1985"));
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        QCOMPARE(FormatDate4(QDate(2085, 7, 4)), QStringLiteral("04/07/2085"));
        QLocale::setDefault(german);
    }
};

ROSTELMARK_TEST_MAIN(TestStaffLogic)
#include "tst_stafflogic.moc"
