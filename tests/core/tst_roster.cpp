#include "core/ansicodec.h"
#include "core/roster.h"
#include "testsupport.h"

class TestRoster : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void activeInMonth_data()
    {
        QTest::addColumn<QDate>("hired");
        QTest::addColumn<bool>("dismissed");
        QTest::addColumn<QDate>("left");
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<bool>("active");
        QTest::newRow("hired last day of month") << QDate(2024, 3, 31) << false << QDate() << 2024 << 3 << true;
        QTest::newRow("month before hire") << QDate(2024, 3, 31) << false << QDate() << 2024 << 2 << false;
        QTest::newRow("earlier year, later month") << QDate(2023, 11, 1) << false << QDate() << 2024 << 2 << true;
        QTest::newRow("left on first day") << QDate(2020, 1, 1) << true << QDate(2024, 3, 1) << 2024 << 3 << true;
        QTest::newRow("month after leaving") << QDate(2020, 1, 1) << true << QDate(2024, 3, 1) << 2024 << 4 << false;
        QTest::newRow("leave date ignored without flag")
            << QDate(2020, 1, 1) << false << QDate(2021, 3, 1) << 2030 << 4 << true;
        QTest::newRow("left in later year") << QDate(2020, 1, 1) << true << QDate(2025, 1, 1) << 2024 << 12 << true;
        QTest::newRow("left in earlier year") << QDate(2020, 1, 1) << true << QDate(2023, 12, 31) << 2024 << 1 << false;
    }
    void activeInMonth()
    {
        QFETCH(QDate, hired);
        QFETCH(bool, dismissed);
        QFETCH(QDate, left);
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(bool, active);
        TPerson p;
        p.eingestellt = DateToDateTime(hired);
        p.istentlassen = dismissed;
        p.entlassen = left.isValid() ? DateToDateTime(left) : 0;
        QCOMPARE(IsActiveInMonth(p, year, month), active);
    }

    void activeInYear()
    {
        TPerson p;
        p.eingestellt = EncodeDate(2022, 12, 31);
        QVERIFY(!IsActiveInYear(p, 2021));
        QVERIFY(IsActiveInYear(p, 2022));
        p.istentlassen = true;
        p.entlassen = EncodeDate(2024, 1, 1);
        QVERIFY(IsActiveInYear(p, 2024));
        QVERIFY(!IsActiveInYear(p, 2025));
        TPerson zero; // hire date 30 December 1899: active everywhere
        QVERIFY(IsActiveInYear(zero, 2000));
        QVERIFY(IsActiveInMonth(zero, 2100, 12));
    }

    void monthTableRange()
    {
        TMonatsTabelle t;
        t.Set(1999, 12, 5);
        t.Set(2101, 1, 5);
        t.Set(2024, 13, 5);
        for (double v : t.werte)
            QCOMPARE(v, 0.0);
        QCOMPARE(t.Get(1999, 12), 0.0);
        t.Set(2000, 1, 1.5);
        t.Set(2100, 12, 2.5);
        QCOMPARE(t.werte.front(), 1.5);
        QCOMPARE(t.werte.back(), 2.5);
        QCOMPARE(TMonatsTabelle::Index(2001, 3), 14);
        QCOMPARE(int(sizeof(t.werte)), 9696);
    }

    void initialRoster()
    {
        TRoster r;
        r.personen.Add(); // discarded by the re-initialisation
        r.InitPersonenDienste();
        QCOMPARE(r.personen.Count(), 1);
        QCOMPARE(r.personen[0].name, QStringLiteral("Mustermann"));
        QCOMPARE(r.personen[0].eintraege.Count(), 0);
        QCOMPARE(r.personen[0].eingestellt, 0.0);
        QCOMPARE(r.dienste.Count(), 1);
        const TDienst& d = r.dienste[0];
        QCOMPARE(d.name, QStringLiteral("Urlaub"));
        QCOMPARE(d.kuerzel, QStringLiteral("U"));
        QCOMPARE(d.farbe, 0x0000FFFFu);
        QVERIFY(d.abwesend);
        QCOMPARE(d.stunden, 0.0);
    }

    void entryOfDayAndHours()
    {
        TRoster r;
        r.dienste[0].stunden = 8;
        TPerson& p = r.personen[0];
        TEintrag* a = p.eintraege.Add();
        a->datum = EncodeDate(2024, 3, 4);
        a->dienst = 0;
        a->ueberstunden = 2.5;
        TEintrag* b = p.eintraege.Add();
        b->datum = EncodeDate(2024, 3, 5) + 0.25; // a stray time part still names the day
        b->dienst = 1;
        b->ueberstunden = 1;
        TEintrag* found = r.EintragOfDay(p, 2024, 3, 4);
        QVERIFY(found);
        QCOMPARE(r.aeintrag, found); // the shared entry cursor is published
        QVERIFY(r.DienstOf(*found) == nullptr);
        QCOMPARE(r.HoursOf(*found), 2.5);
        QCOMPARE(r.HoursOf(*r.EintragOfDay(p, 2024, 3, 5)), 9.0);
        QVERIFY(!r.EintragOfDay(p, 2024, 4, 4));
        QCOMPARE(TRoster::EintragIndexOfDay(p, 2024, 3, 5), 1);
        TEintrag bad;
        bad.dienst = 2; // beyond the duty list
        QVERIFY(r.DienstOf(bad) == nullptr);
    }

    void dateConversions()
    {
        QCOMPARE(EncodeDate(1899, 12, 30), 0.0);
        QCOMPARE(EncodeDate(2000, 1, 1), 36526.0);
        int y, m, d;
        DecodeDate(45366.75, y, m, d);
        QCOMPARE(QDate(y, m, d), QDate(2024, 3, 15));
        QCOMPARE(DateTimeToQDateTime(45366.75).time(), QTime(18, 0));
        QCOMPARE(QDateTimeToDateTime(QDateTime(QDate(2024, 3, 15), QTime(6, 0))), 45366.25);
        DecodeDate(1e300, y, m, d); // garbage from a file never crashes
        QCOMPARE(Clock::today(), QDate(2024, 3, 15));
    }

    void ansiCodePage()
    {
        const QString text = QStringLiteral("Müller € – ‰ Ž");
        const QByteArray bytes = ToAnsi(text);
        QCOMPARE(bytes, QByteArray("M\xFCller \x80 \x96 \x89 \x8E"));
        QCOMPARE(FromAnsi(bytes), text);
        QCOMPARE(ToAnsi(QStringLiteral("日本")), QByteArray("??"));
        QCOMPARE(ToAnsi(QString::fromUtf8("\xF0\x9F\x98\x80")), QByteArray("?"));
        QByteArray all;
        for (int i = 0; i < 256; ++i)
            all.append(char(i));
        QCOMPARE(ToAnsi(FromAnsi(all)), all);
    }

    void fontDefaults()
    {
        TPlanSettings s;
        QCOMPARE(s.FontDialog1.PixelHeight(), 19);
        QCOMPARE(s.FontDialog2.PixelHeight(), 11);
        QCOMPARE(s.FontDialog3.PixelHeight(), 13);
        QCOMPARE(s.FontDialog3.charset, quint8(178));
        QCOMPARE(s.FontDialog1.style, quint8(TFontRec::Bold));
        QCOMPARE(s.FeiertageList[26], true);
        QCOMPARE(s.FeiertageList[27], false);
        QCOMPARE(s.FeiertageList[28], false);
        QCOMPARE(s.CaptionEd, QStringLiteral("Rostelmark"));
        QCOMPARE(s.RandBreitEd, 10.0);
        const TFontRec back = TFontRec::FromQFont(s.FontDialog2.ToQFont());
        QCOMPARE(back.size, s.FontDialog2.size);
        QCOMPARE(back.name, s.FontDialog2.name);
    }
};

ROSTELMARK_TEST_MAIN(TestRoster)
#include "tst_roster.moc"
