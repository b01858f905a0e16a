#include "core/roster.h"
#include "i18n/messagetable.h"
#include "storage/datastore.h"
#include "storage/rosterfiles.h"
#include "testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>

#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

namespace {

QString fixture(const char* name)
{
    // CTest names the source folder; __FILE__ may be relative when the compiler cache
    // rewrote paths.
    const QString root = qEnvironmentVariable("ROSTELMARK_SOURCE_DIR");
    const QString dir
        = root.isEmpty() ? QFileInfo(QStringLiteral(__FILE__)).absolutePath() : root + QStringLiteral("/tests/storage");
    return dir + QStringLiteral("/data/") + QLatin1String(name);
}

QByteArray fixtureBytes(const char* name)
{
    QFile f(fixture(name));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", name);
    return f.readAll();
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Scripted window: answers message 30 from a queue and records every callback.
class FakeUi : public TStoreUi {
public:
    QList<TLockAnswer> answers;
    QStringList asked, errors;
    QStringList listed; // "personen" / "dienste" in the order of the refreshes
    int listedPersons = 0, listedDienste = 0;
    QList<int> languages;

    std::function<void()> onAsk; // runs while message 30 is open
    TLockAnswer AskLockMessage(const QString& text) override
    {
        asked << text;
        if (onAsk)
            onAsk();
        return answers.isEmpty() ? TLockAnswer::Cancel : answers.takeFirst();
    }
    void ShowError(const QString& text) override { errors << text; }
    void ListPersons() override
    {
        ++listedPersons;
        listed << QStringLiteral("personen");
    }
    void ListDienste() override
    {
        ++listedDienste;
        listed << QStringLiteral("dienste");
    }
    void LanguageRead(int index) override { languages << index; }
};

// One copy of the program on a folder.
struct Copy {
    TRoster roster;
    FakeUi ui;
    TDataStore store{roster, ui};
    explicit Copy(const QString& folder) { store.progpath = folder + QLatin1Char('/'); }
};

QStringList personNames(const TRoster& r)
{
    QStringList names;
    for (const TPerson& p : r.personen)
        names << p.name;
    return names;
}

// File times are only as fine as the file system's clock tick: wait past one so that
// a second write is seen as a change.
void nextFileTick()
{
    QThread::msleep(30);
}

// Sets a file's last-write time to a moment given in UTC.
void setFileTimeUtc(const QString& path, const QDateTime& utc)
{
    const qint64 ms = utc.toMSecsSinceEpoch();
    const struct timespec times[2] = {{0, UTIME_OMIT}, {time_t(ms / 1000), long(ms % 1000) * 1000000}};
    QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

std::array<bool, kLagerCount> slot(int nr)
{
    std::array<bool, kLagerCount> ticked{};
    ticked[nr - 1] = true;
    return ticked;
}

QStringList folderFiles(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

} // namespace

class TestStorage : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        TDataStore::settlePauseMs = 1; // damaged files are read again after a pause
        // File times are local times: run in a zone that is not UTC and has summer time.
        qputenv("TZ", "Europe/Berlin");
        tzset();
        QCOMPARE(QDateTime(QDate(2023, 7, 1), QTime(12, 0)).offsetFromUtc(), 7200);
    }

    // ---- byte layouts ----------------------------------------------------------------

    void defaultRosterFiles()
    {
        TRoster r;
        const QByteArray persons = SerializePersonFile(r.personen, r.settings);
        // M1 4, M2 4+10+8+8+1+4, M3–M5 12, fonts 21+28+21, M9 108, S1 4+10+4+16,
        // S2–S4 3, S5 4, S6 1, S7 4+38784, S8 4+8, S9 1, S10 0, S11 8, S12 4+8, S13 1, S14 4+8
        const int expected = 4 + 35 + 12 + 70 + 108 + 34 + 3 + 4 + 1 + 38788 + 12 + 1 + 0 + 8 + 12 + 1 + 12;
        QCOMPARE(persons.size(), expected);
        QCOMPARE(persons, fixtureBytes("personen_default.dat"));
        const QByteArray duties = SerializeDutyFile(r.dienste, r.settings.RandBreitEd);
        QCOMPARE(duties.size(), 40);
        QCOMPARE(duties, fixtureBytes("dienste_default.dat"));

        TPlanSettings other;
        other.CaptionEd = QStringLiteral("x");
        TPersonFileContent back(other);
        QCOMPARE(ParsePersonFile(persons.constData(), persons.size(), back), TReadResult::Ok);
        QCOMPARE(back.settings, r.settings);
        QCOMPARE(back.personen.Count(), 1);
        QCOMPARE(back.personen[0].name, QStringLiteral("Mustermann"));
    }

    // Files written from the layout by the fixture script: read, written again, the
    // same bytes come out.
    void fixturesRoundTrip_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("persons, all sections") << QStringLiteral("personen_full.dat");
        QTest::newRow("no persons") << QStringLiteral("personen_p0.dat");
        QTest::newRow("duties, all sections") << QStringLiteral("dienste_full.dat");
        QTest::newRow("no duties, margin 12.5") << QStringLiteral("dienste_d0_margin125.dat");
    }
    void fixturesRoundTrip()
    {
        QFETCH(QString, name);
        const QByteArray bytes = fixtureBytes(name.toLatin1().constData());
        if (name.startsWith(QLatin1String("personen"))) {
            TPersonFileContent c{TPlanSettings()};
            QCOMPARE(ParsePersonFile(bytes.constData(), bytes.size(), c), TReadResult::Ok);
            QCOMPARE(SerializePersonFile(c.personen, c.settings), bytes);
        } else {
            TDutyFileContent c(10.0);
            QCOMPARE(ParseDutyFile(bytes.constData(), bytes.size(), c), TReadResult::Ok);
            QCOMPARE(SerializeDutyFile(c.dienste, c.randbreite), bytes);
        }
    }

    void fullPersonFileValues()
    {
        const QByteArray bytes = fixtureBytes("personen_full.dat");
        TPersonFileContent c{TPlanSettings()};
        QCOMPARE(ParsePersonFile(bytes.constData(), bytes.size(), c), TReadResult::Ok);
        QCOMPARE(c.personen.Count(), 2);
        const TPerson& anna = c.personen[0];
        QCOMPARE(anna.name, QStringLiteral("Anna Müller"));
        QCOMPARE(anna.eingestellt, 45292.0);
        QVERIFY(anna.istentlassen);
        QCOMPARE(anna.eintraege.Count(), 3);
        QCOMPARE(anna.eintraege[1].dienst, 2);
        QCOMPARE(anna.eintraege[1].ueberstunden, 1.5);
        QCOMPARE(anna.eintraege[2].ueberstunden, 2.25);
        // S7 order is soll, vortrag, uebertrag, iststunden.
        QCOMPARE(anna.soll.Get(2000, 1), 150.0);
        QCOMPARE(anna.vortrag.werte[3], 1.5);
        QCOMPARE(anna.uebertrag.werte[4], -1.0);
        QCOMPARE(anna.iststunden.werte[290], 1.0);
        QCOMPARE(anna.startueberstunden, 12.5);
        QCOMPARE(anna.maxstunden, 180.0);
        QCOMPARE(anna.persnr, QStringLiteral("4711"));
        QCOMPARE(anna.abteilung, QStringLiteral("Küche"));
        QCOMPARE(c.personen[1].eintraege[0].dienst, 3);
        QCOMPARE(c.personen[1].startueberstunden, -3.0);

        const TPlanSettings& s = c.settings;
        QCOMPARE(s.TesselColorComboBox1, 0x010203u);
        QCOMPARE(s.FontDialog1.name, QStringLiteral("Liberation Sans"));
        QCOMPARE(s.FontDialog1.ppi, 120);
        QCOMPARE(s.FontDialog2.name, QString());
        QCOMPARE(s.FontDialog3.style, std::uint8_t(12));
        QVERIFY(s.FeiertageList[0] && !s.FeiertageList[1] && !s.FeiertageList[27] && s.FeiertageList[28]);
        QCOMPARE(s.CaptionEd, QStringLiteral("Dienstplan Süd"));
        QCOMPARE(s.Capt2Ed, QString());
        QVERIFY(!s.LegendeCheck && !s.ShowSumCheck && s.ShowAnwCheck && !s.DoubleRowHeightCheck);
        QVERIFY(s.AddFreeLinesCheck && s.SecondLinesareDarkerCheck);
        QCOMPARE(s.languagesetto, 1);
        QVERIFY(c.hasLanguage);
    }

    // Month tables come from S7 only; every person S7 does not reach (an older file, a
    // short count, a file cut inside the tables) has all-zero tables, whatever the memory
    // held before.
    void monthTablesOutsideS7AreZero_data()
    {
        QTest::addColumn<int>("persons");
        QTest::addColumn<int>("cut"); // bytes kept of the S7 tables, -1: the whole file
        QTest::addColumn<int>("patchedCount"); // S7 count written over the real one, -1: none
        QTest::addColumn<int>("fromFile"); // persons whose tables come from the file
        const int table = 4 * TMonatsTabelle::kElements * 8;
        QTest::newRow("whole file") << 3 << -1 << -1 << 3;
        QTest::newRow("file ends before S7") << 3 << 0 << -1 << 0;
        QTest::newRow("cut inside the tables: S7 refused") << 3 << table + 100 << -1 << 0;
        QTest::newRow("S7 counts one person") << 3 << -1 << 1 << 1;
        // Enough tables to be copied beside the entries by a second thread.
        QTest::newRow("many persons") << 150 << -1 << -1 << 150;
        QTest::newRow("many persons, S7 counts fewer") << 150 << -1 << 121 << 121;
        QTest::newRow("many persons, cut inside the tables") << 150 << 140 * table << -1 << 0;
    }
    void monthTablesOutsideS7AreZero()
    {
        QFETCH(int, persons);
        QFETCH(int, cut);
        QFETCH(int, patchedCount);
        QFETCH(int, fromFile);
        TDynaArray<TPerson> records;
        for (int i = 0; i < persons; ++i) {
            TPerson* p = records.Add();
            p->name = QStringLiteral("P%1").arg(i);
            for (int m = 0; m < TMonatsTabelle::kElements; ++m) {
                p->soll.werte[m] = 1 + i;
                p->vortrag.werte[m] = 2 + i;
                p->iststunden.werte[m] = 3 + i;
                p->uebertrag.werte[m] = 4 + i;
            }
        }
        QByteArray bytes = SerializePersonFile(records, TPlanSettings());
        // No entries, empty numbers and departments: S8 … S14 take 22 + 24 bytes a person
        // at the end.
        const qsizetype s7
            = bytes.size() - (22 + 24 * persons) - 4 - qsizetype(persons) * 4 * TMonatsTabelle::kElements * 8;
        QCOMPARE(qFromLittleEndian<std::int32_t>(bytes.constData() + s7), persons);
        if (cut >= 0)
            bytes.truncate(cut == 0 ? s7 : s7 + 4 + cut);
        if (patchedCount >= 0)
            qToLittleEndian<std::int32_t>(patchedCount, bytes.data() + s7);
        {
            // Memory the person block will probably get, full of non-zero bytes.
            std::vector<char> junk(std::size_t(persons) * sizeof(TPerson) + 64, '\x7f');
            QVERIFY(junk.back() != 0);
        }
        TPersonFileContent c{TPlanSettings()};
        ParsePersonFile(bytes.constData(), bytes.size(), c);
        QCOMPARE(c.personen.Count(), persons);
        for (int i = 0; i < persons; ++i) {
            const TPerson& p = std::as_const(c.personen)[i];
            const bool kept = i < fromFile;
            for (int m = 0; m < TMonatsTabelle::kElements; ++m) {
                if (p.soll.werte[m] != (kept ? 1 + i : 0) || p.vortrag.werte[m] != (kept ? 2 + i : 0)
                    || p.iststunden.werte[m] != (kept ? 3 + i : 0) || p.uebertrag.werte[m] != (kept ? 4 + i : 0))
                    QFAIL(qPrintable(QStringLiteral("person %1, month %2").arg(i).arg(m)));
            }
        }
    }

    // Older, shorter files: what is missing keeps the value the caller had.
    void olderPersonFiles()
    {
        TPlanSettings current;
        current.CaptionEd = QStringLiteral("aktuell");
        current.ShowAnwCheck = true;
        current.FeiertageList[28] = true;

        const QByteArray m9 = fixtureBytes("personen_m9.dat");
        TPersonFileContent c(current);
        QCOMPARE(ParsePersonFile(m9.constData(), m9.size(), c), TReadResult::Ok);
        QCOMPARE(c.personen.Count(), 2);
        QCOMPARE(c.personen[0].eintraege.Count(), 3);
        QCOMPARE(c.personen[0].eintraege[1].ueberstunden, 0.0);
        QCOMPARE(c.personen[0].soll.Get(2000, 1), 0.0);
        QCOMPARE(c.personen[0].persnr, QString());
        QCOMPARE(c.personen[1].abteilung, QString());
        QCOMPARE(c.settings.TesselColorComboBox3, 3u);
        QVERIFY(!c.settings.FeiertageList[1]);
        QCOMPARE(c.settings.CaptionEd, QStringLiteral("aktuell"));
        QVERIFY(c.settings.ShowAnwCheck);
        QVERIFY(c.settings.FeiertageList[28]);
        QVERIFY(!c.hasLanguage);

        const QByteArray s4 = fixtureBytes("personen_s4.dat");
        TPersonFileContent d(current);
        QCOMPARE(ParsePersonFile(s4.constData(), s4.size(), d), TReadResult::Ok);
        QCOMPARE(d.settings.CaptionEd, QStringLiteral("Dienstplan Süd"));
        QVERIFY(d.settings.ShowAnwCheck);
        QVERIFY(!d.hasLanguage);
        QCOMPARE(d.personen[0].startueberstunden, 0.0);
    }

    void olderDutyFiles()
    {
        const QByteArray m2 = fixtureBytes("dienste_m2.dat");
        TDutyFileContent c(11.0);
        QCOMPARE(ParseDutyFile(m2.constData(), m2.size(), c), TReadResult::Ok);
        QCOMPARE(c.dienste.Count(), 2);
        QCOMPARE(c.dienste[0].name, QStringLiteral("Frühdienst"));
        QCOMPARE(c.dienste[0].farbe, 0x00FF00u);
        QVERIFY(!c.dienste[1].abwesend);
        QCOMPARE(c.dienste[1].stunden, 0.0);
        QCOMPARE(c.randbreite, 11.0);

        const QByteArray d0 = fixtureBytes("dienste_d0_margin125.dat");
        QCOMPARE(d0.size(), 12);
        TDutyFileContent e(10.0);
        QCOMPARE(ParseDutyFile(d0.constData(), d0.size(), e), TReadResult::Ok);
        QCOMPARE(e.dienste.Count(), 0);
        QCOMPARE(e.randbreite, 12.5);
    }

    void damagedFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("person file cut in M2") << QStringLiteral("personen_cut_m2.dat");
        QTest::newRow("person file cut in S7") << QStringLiteral("personen_cut_s7.dat");
        QTest::newRow("person file cut in S10") << QStringLiteral("personen_cut_s10.dat");
        QTest::newRow("person count beyond the file") << QStringLiteral("personen_hugecount.dat");
        QTest::newRow("negative name length") << QStringLiteral("personen_negstring.dat");
        QTest::newRow("duty file cut in a duty") << QStringLiteral("dienste_cut.dat");
        QTest::newRow("duty file cut in S2") << QStringLiteral("dienste_cut_s2.dat");
        QTest::newRow("duty count beyond the file") << QStringLiteral("dienste_hugecount.dat");
    }
    void damagedFiles()
    {
        QFETCH(QString, name);
        const QByteArray bytes = fixtureBytes(name.toLatin1().constData());
        if (name.startsWith(QLatin1String("personen"))) {
            TPersonFileContent c{TPlanSettings()};
            QCOMPARE(ParsePersonFile(bytes.constData(), bytes.size(), c), TReadResult::Damaged);
        } else {
            TDutyFileContent c(10.0);
            QCOMPARE(ParseDutyFile(bytes.constData(), bytes.size(), c), TReadResult::Damaged);
        }
    }

    // Counts below zero are damage wherever they stand.
    void negativeCounts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("offset"); // of the count; below 0: from the end of the file
        QTest::addColumn<int>("stored");
        QTest::newRow("persons (M1)") << QStringLiteral("personen_default.dat") << 0 << 1;
        QTest::newRow("entries of a person") << QStringLiteral("personen_default.dat") << 35 << 0;
        QTest::newRow("month tables (S7)") << QStringLiteral("personen_default.dat") << -38834 << 1;
        QTest::newRow("start balances (S8)") << QStringLiteral("personen_default.dat") << -46 << 1;
        QTest::newRow("maximum hours (S12)") << QStringLiteral("personen_default.dat") << -25 << 1;
        QTest::newRow("numbers and departments (S14)") << QStringLiteral("personen_default.dat") << -12 << 1;
        QTest::newRow("duties (M1)") << QStringLiteral("dienste_default.dat") << 0 << 1;
    }
    void negativeCounts()
    {
        QFETCH(QString, name);
        QFETCH(int, offset);
        QFETCH(int, stored);
        QByteArray bytes = fixtureBytes(name.toLatin1().constData());
        const qsizetype at = offset < 0 ? bytes.size() + offset : offset;
        QCOMPARE(qFromLittleEndian<std::int32_t>(bytes.constData() + at), stored);
        for (const std::int32_t count : {-1, std::numeric_limits<std::int32_t>::min()}) {
            qToLittleEndian(count, bytes.data() + at);
            if (name.startsWith(QLatin1String("personen"))) {
                TPersonFileContent c{TPlanSettings()};
                QCOMPARE(ParsePersonFile(bytes.constData(), bytes.size(), c), TReadResult::Damaged);
            } else {
                TDutyFileContent c(10.0);
                QCOMPARE(ParseDutyFile(bytes.constData(), bytes.size(), c), TReadResult::Damaged);
            }
        }
    }

    // Other writers store true as any non-zero byte and a holiday in use as any non-zero
    // int32; all of them read as true, and the writer stores them as 1.
    void nonZeroReadsAsTrue()
    {
        const QByteArray persons = fixtureBytes("personen_truthy.dat");
        TPersonFileContent c{TPlanSettings()};
        QCOMPARE(ParsePersonFile(persons.constData(), persons.size(), c), TReadResult::Ok);
        QVERIFY(c.personen[0].istentlassen); // 0x80
        const TPlanSettings& s = c.settings;
        QVERIFY(s.LegendeCheck && s.ShowSumCheck && s.ShowAnwCheck); // 2, 0x80, 0xFF
        QVERIFY(s.DoubleRowHeightCheck && s.AddFreeLinesCheck && s.SecondLinesareDarkerCheck); // 0xFF, 2, 0x80
        // Flags -1, 0x100, 2, 0 repeated; 24 … 28 are -1, 0x100, 0, -1, 0x100 (27, 28 in S11).
        for (int i = 0; i < kFeiertagCount; ++i)
            QCOMPARE(s.FeiertageList[i], i < 24 ? i % 4 != 3 : i != 26);
        const QByteArray again = SerializePersonFile(c.personen, s);
        TPersonFileContent d{TPlanSettings()};
        QCOMPARE(ParsePersonFile(again.constData(), again.size(), d), TReadResult::Ok);
        QCOMPARE(d.settings, s);
        QCOMPARE(again.at(4 + 4 + 10 + 16), '\x01'); // istentlassen

        const QByteArray duties = fixtureBytes("dienste_truthy.dat");
        TDutyFileContent e(10.0);
        QCOMPARE(ParseDutyFile(duties.constData(), duties.size(), e), TReadResult::Ok);
        QCOMPARE(e.dienste.Count(), 4);
        QVERIFY(e.dienste[0].abwesend && e.dienste[1].abwesend && e.dienste[2].abwesend && !e.dienste[3].abwesend);
        // Four duties of 19 bytes after the count, then S1.
        QCOMPARE(SerializeDutyFile(e.dienste, e.randbreite).mid(4 + 4 * 19, 4), QByteArray("\x01\x01\x01\x00", 4));
    }

    // Every prefix of a complete file is either a valid older file (cut exactly between
    // sections) or damaged; the valid cuts are exactly the section ends.
    void everyPrefix()
    {
        const QByteArray full = fixtureBytes("personen_full.dat");
        int ok = 0;
        for (qsizetype n = 0; n <= full.size(); ++n) {
            TPersonFileContent c{TPlanSettings()};
            if (ParsePersonFile(full.constData(), n, c) == TReadResult::Ok)
                ++ok;
        }
        QCOMPARE(ok, 15); // after M9 and after each of S1 … S14
        const QByteArray duties = fixtureBytes("dienste_full.dat");
        ok = 0;
        for (qsizetype n = 0; n <= duties.size(); ++n) {
            TDutyFileContent c(10.0);
            if (ParseDutyFile(duties.constData(), n, c) == TReadResult::Ok)
                ++ok;
        }
        QCOMPARE(ok, 4); // after M2, S1, S2, S3
    }

    // Section counts differ from the number of persons: only existing persons are set.
    void sectionCountsOtherThanP()
    {
        TRoster r;
        r.personen[0].maxstunden = 99;
        QByteArray bytes = SerializePersonFile(r.personen, r.settings);
        // S12 count (1) sits 4 + 8 + 1 + 4 + 12 bytes before the end: make it 2 with a
        // second value appended before S13.
        const qsizetype s12 = bytes.size() - (1 + 12) - (4 + 8);
        QCOMPARE(qFromLittleEndian<std::int32_t>(bytes.constData() + s12), 1);
        QByteArray patched = bytes.left(s12);
        TByteWriter w(patched);
        w.writeInt32(2);
        w.writeDouble(99);
        w.writeDouble(55);
        w.finish();
        patched += bytes.mid(s12 + 12);
        TPersonFileContent c{TPlanSettings()};
        QCOMPARE(ParsePersonFile(patched.constData(), patched.size(), c), TReadResult::Ok);
        QCOMPARE(c.personen.Count(), 1);
        QCOMPARE(c.personen[0].maxstunden, 99.0);
        QCOMPARE(c.personen[0].persnr, QString());
    }

    // Old files without month tables: each person is 25 bytes in the file but a full
    // record in memory. Plausible counts load, absurd ones are refused before allocating.
    void personCountAgainstMemory()
    {
        const TDynaArray<TPerson> none;
        const QByteArray empty = SerializePersonFile(none, TPlanSettings());
        const auto withPersons = [&](std::int32_t n) {
            QByteArray bytes;
            TByteWriter w(bytes);
            w.writeInt32(n);
            for (std::int32_t i = 0; i < n; ++i) {
                w.writeInt32(0);
                w.writeDouble(0);
                w.writeDouble(0);
                w.writeBool(false);
                w.writeInt32(0);
            }
            w.finish();
            return bytes + empty.mid(4);
        };
        const QByteArray many = withPersons(1000), absurd = withPersons(20000);
        TPersonFileContent c{TPlanSettings()};
        QCOMPARE(ParsePersonFile(many.constData(), many.size(), c), TReadResult::Ok);
        QCOMPARE(c.personen.Count(), 1000);
        TPersonFileContent d{TPlanSettings()};
        QCOMPARE(ParsePersonFile(absurd.constData(), absurd.size(), d), TReadResult::NoMemory);
        QCOMPARE(d.personen.Count(), 0);
    }

    void codePage()
    {
        QByteArray bytes;
        TByteWriter w(bytes);
        WriteAnsiStr(w, QStringLiteral("Größe €5 \u0416\U0001F600"));
        w.finish();
        TByteReader in(bytes.constData(), bytes.size());
        QString back;
        QVERIFY(ReadAnsiStr(in, back));
        QCOMPARE(back, QStringLiteral("Größe €5 ??"));
        QCOMPARE(bytes.size(), 4 + 11);
        QVERIFY(in.atEnd());
    }

    // ---- the store on a folder -------------------------------------------------------

    void missingFilesKeepDefaults()
    {
        QTemporaryDir dir;
        Copy a(dir.path());
        a.roster.settings.languagesetto = 1;
        QCOMPARE(a.store.loadPersons(), TLoadResult::Missing);
        QCOMPARE(a.store.loadDienste(), TLoadResult::Missing);
        QCOMPARE(personNames(a.roster), QStringList{QStringLiteral("Mustermann")});
        QCOMPARE(a.roster.dienste[0].kuerzel, QStringLiteral("U"));
        QCOMPARE(a.roster.settings.languagesetto, 0);
        QCOMPARE(a.ui.languages, QList<int>{0});
        QCOMPARE(a.store.kownfileagepersonen, 0.0);
        QVERIFY(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty()); // locks released
    }

    void saveAndLoadThroughFolder()
    {
        QTemporaryDir dir;
        Copy a(dir.path());
        TPerson* p = a.roster.AddPerson();
        p->name = QStringLiteral("Zoë");
        TEintrag* e = p->eintraege.Add();
        e->datum = EncodeDate(2024, 3, 15);
        e->dienst = 1;
        e->ueberstunden = 0.5;
        a.roster.settings.languagesetto = 1;
        a.roster.settings.RandBreitEd = 12.5;
        QVERIFY(a.store.savePersons());
        QVERIFY(a.store.saveDienste());
        QCOMPARE(a.store.kownfileagepersonen, TDataStore::GetFileAge(a.store.personFile()));
        QCOMPARE(a.store.kownfileagedienste, TDataStore::GetFileAge(a.store.dutyFile()));
        QVERIFY(a.store.kownfileagepersonen > 0);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
            (QStringList{QStringLiteral("dienste.dat"), QStringLiteral("personen.dat")}));

        Copy b(dir.path());
        b.roster.settings.RandBreitEd = 20; // from the settings store; the file wins
        QCOMPARE(b.store.loadPersons(), TLoadResult::Loaded);
        QCOMPARE(b.store.loadDienste(), TLoadResult::Loaded);
        QCOMPARE(personNames(b.roster), (QStringList{QStringLiteral("Mustermann"), QStringLiteral("Zoë")}));
        QCOMPARE(b.roster.personen[1].eintraege[0].ueberstunden, 0.5);
        QCOMPARE(b.roster.settings.RandBreitEd, 12.5);
        QCOMPARE(b.ui.languages, QList<int>{1});
        QCOMPARE(b.store.kownfileagepersonen, a.store.kownfileagepersonen);
        // The loaded records publish into the roster's cursor variables.
        b.roster.personen.First();
        QCOMPARE(b.roster.apers, &b.roster.personen[0]);
        b.roster.personen[1].eintraege.First();
        QCOMPARE(b.roster.aeintrag, &b.roster.personen[1].eintraege[0]);
    }

    // Whether the roster holds changes the files lack is judged against what the last
    // read gave: trailing bytes of a newer version do not count, a damaged re-read keeps
    // the comparison with the last good one, a save resets it.
    void unwrittenAgainstLastRead()
    {
        struct Case {
            const char* name;
            std::function<void(Copy&, const QString& personFile)> step;
            bool persons, duties;
        };
        const auto rename = [](Copy& c, const QString&) { c.roster.personen[0].name = QStringLiteral("Neu"); };
        const Case cases[] = {
            {"unchanged", [](Copy&, const QString&) {}, false, false},
            {"newer bytes at the end",
                [](Copy& c, const QString& path) {
                    writeBytes(path, fileBytes(path) + QByteArray(7, '\x5a'));
                    QCOMPARE(c.store.loadPersons(), TLoadResult::Loaded);
                },
                false, false},
            {"person renamed", rename, true, false},
            {"entry hours changed",
                [](Copy& c, const QString&) {
                    c.roster.personen[c.roster.personen.Count() - 1].eintraege[0].ueberstunden = 2;
                },
                true, false},
            {"margin changed", [](Copy& c, const QString&) { c.roster.settings.RandBreitEd = 3; }, false, true},
            {"damaged re-read",
                [](Copy& c, const QString& path) {
                    writeBytes(path, fileBytes(path).left(9));
                    QCOMPARE(c.store.loadPersons(), TLoadResult::Damaged);
                },
                false, false},
            {"renamed, then saved",
                [&](Copy& c, const QString& path) {
                    rename(c, path);
                    QVERIFY(c.store.savePersons());
                },
                false, false},
        };
        for (const Case& tc : cases) {
            QTemporaryDir dir;
            {
                Copy a(dir.path());
                TPerson* p = a.roster.AddPerson();
                p->name = QStringLiteral("Zoë");
                TEintrag* e = p->eintraege.Add();
                e->datum = EncodeDate(2024, 3, 15);
                e->dienst = 1;
                a.roster.settings.RandBreitEd = 12.5;
                QVERIFY(a.store.savePersons());
                QVERIFY(a.store.saveDienste());
            }
            Copy b(dir.path());
            QCOMPARE(b.store.loadPersons(), TLoadResult::Loaded);
            QCOMPARE(b.store.loadDienste(), TLoadResult::Loaded);
            tc.step(b, b.store.personFile());
            QVERIFY2(b.store.personsUnwritten() == tc.persons, tc.name);
            QVERIFY2(b.store.dutiesUnwritten() == tc.duties, tc.name);
            QVERIFY2(!b.store.personsUnwritten() || tc.persons, tc.name); // asking twice gives the same
        }
    }

    void languageIndexTwo()
    {
        QTemporaryDir dir;
        Copy a(dir.path());
        a.roster.settings.languagesetto = 2;
        QVERIFY(a.store.savePersons());
        Copy b(dir.path());
        QCOMPARE(b.store.loadPersons(), TLoadResult::Loaded);
        QCOMPARE(b.ui.languages, QList<int>{2});
    }

    // A damaged file is reported once, changes nothing and leaves no lock behind.
    void damagedFileKeepsRoster()
    {
        QTemporaryDir dir;
        Copy a(dir.path());
        a.roster.personen[0].name = QStringLiteral("vorher");
        a.roster.settings.CaptionEd = QStringLiteral("vorher");
        writeBytes(a.store.personFile(), fixtureBytes("personen_cut_s7.dat"));
        writeBytes(a.store.dutyFile(), fixtureBytes("dienste_cut.dat"));
        QCOMPARE(a.store.loadPersons(), TLoadResult::Damaged);
        QCOMPARE(a.store.loadDienste(), TLoadResult::Damaged);
        QCOMPARE(a.ui.errors.size(), 2);
        QVERIFY(a.ui.errors[0].startsWith(QLatin1String("Read beyond end of file")));
        QVERIFY(a.ui.errors[0].contains(a.store.personFile()));
        QVERIFY(a.ui.errors[1].contains(a.store.dutyFile()));
        QCOMPARE(personNames(a.roster), QStringList{QStringLiteral("vorher")});
        QCOMPARE(a.roster.settings.CaptionEd, QStringLiteral("vorher"));
        QCOMPARE(a.roster.dienste[0].name, QStringLiteral("Urlaub"));
        QVERIFY(a.ui.languages.isEmpty());
        QVERIFY(!QFile::exists(a.store.personLockFile()));
        QVERIFY(!QFile::exists(a.store.dutyLockFile()));
        a.store.Timer1Timer();
        a.store.Timer1Timer();
        QCOMPARE(a.ui.errors.size(), 2);
        // A good file replacing it is picked up by the poll.
        nextFileTick();
        writeBytes(a.store.personFile(), fixtureBytes("personen_full.dat"));
        a.store.Timer1Timer();
        QCOMPARE(personNames(a.roster), (QStringList{QStringLiteral("Anna Müller"), QStringLiteral("Bert")}));
        QCOMPARE(a.ui.listedPersons, 1);
    }

    // A file that could not be read is never replaced by the roster in memory (at start
    // the default one): not by a change, the end of the program or a slot change. The
    // user is told once per file; a good file arriving through the poll ends it.
    void unreadableFileIsKept()
    {
        QTemporaryDir dir;
        Copy a(dir.path());
        const QByteArray persons = fixtureBytes("personen_cut_s7.dat"), duties = fixtureBytes("dienste_cut.dat");
        writeBytes(a.store.personFile(), persons);
        writeBytes(a.store.dutyFile(), duties);
        QCOMPARE(a.store.loadPersons(), TLoadResult::Damaged);
        QCOMPARE(a.store.loadDienste(), TLoadResult::Damaged);
        QVERIFY(a.store.personsUnreadable() && a.store.dutiesUnreadable());
        QCOMPARE(a.ui.errors.size(), 2);

        a.roster.AddPerson()->name = QStringLiteral("neu");
        a.roster.dienste[0].name = QStringLiteral("geändert");
        QVERIFY(!a.store.SavePersonsLocked());
        QVERIFY(!a.store.saveDienste());
        a.store.SaveAllAtEnd();
        QVERIFY(!a.store.savePersons());
        a.store.Timer1Timer();
        QCOMPARE(fileBytes(a.store.personFile()), persons);
        QCOMPARE(fileBytes(a.store.dutyFile()), duties);
        // Told once per operation: the change, the duty save, both files at the end.
        QCOMPARE(a.ui.errors.size(), 6);
        QVERIFY(a.ui.errors[2].contains(QDir::toNativeSeparators(a.store.personFile())));
        QVERIFY(a.ui.errors[2].contains(QStringLiteral("bleibt unverändert")));
        QVERIFY(a.ui.errors[3].contains(QDir::toNativeSeparators(a.store.dutyFile())));
        QVERIFY(a.ui.errors[4].contains(QDir::toNativeSeparators(a.store.personFile())));
        QVERIFY(a.ui.errors[5].contains(QDir::toNativeSeparators(a.store.dutyFile())));
        QCOMPARE(folderFiles(dir.path()), (QStringList{QStringLiteral("dienste.dat"), QStringLiteral("personen.dat")}));

        // Another copy saves a whole person file: read by the poll, saves work again.
        nextFileTick();
        writeBytes(a.store.personFile(), fixtureBytes("personen_full.dat"));
        a.store.Timer1Timer();
        QVERIFY(!a.store.personsUnreadable());
        QCOMPARE(personNames(a.roster), (QStringList{QStringLiteral("Anna Müller"), QStringLiteral("Bert")}));
        a.roster.AddPerson()->name = QStringLiteral("neu");
        QVERIFY(a.store.SavePersonsLocked());
        Copy b(dir.path());
        QCOMPARE(b.store.loadPersons(), TLoadResult::Loaded);
        QCOMPARE(personNames(b.roster).size(), 3);

        // The duty file is still the damaged one: leaving the slot keeps it too.
        a.store.ChangeTheLager(slot(2));
        QCOMPARE(fileBytes(dir.path() + QStringLiteral("/dienste.dat")), duties);
        QCOMPARE(a.ui.errors.size(), 7); // the slot change is told too
    }

    // A FIFO or a link to a device in place of a data file is read at once as a damaged
    // file and left as it is.
    void notARegularFile()
    {
        QTemporaryDir dir;
        Copy a(dir.path());
        QCOMPARE(::mkfifo(QFile::encodeName(a.store.personFile()).constData(), 0666), 0);
        // An endless device behind a link. As root the link points to a private copy of
        // /dev/zero, so that a regression writing through the link cannot hit the real one.
        QString zero = QStringLiteral("/dev/zero");
        if (::geteuid() == 0) {
            zero = dir.path() + QStringLiteral("/zero");
            QVERIFY(::mknod(QFile::encodeName(zero).constData(), S_IFCHR | 0666, makedev(1, 5)) == 0);
        }
        QVERIFY(QFile::link(zero, a.store.dutyFile()));
        QElapsedTimer t;
        t.start();
        QCOMPARE(a.store.loadPersons(), TLoadResult::Damaged);
        QCOMPARE(a.store.loadDienste(), TLoadResult::Damaged);
        QVERIFY(t.elapsed() < 5000);
        QCOMPARE(a.ui.errors.size(), 2);
        QVERIFY(a.ui.errors[0].contains(QDir::toNativeSeparators(a.store.personFile())));
        QVERIFY(a.ui.errors[1].contains(QDir::toNativeSeparators(a.store.dutyFile())));
        // Saves must not reach the link's target.
        QVERIFY(a.store.personsUnreadable() && a.store.dutiesUnreadable());
        a.store.Timer1Timer();
        a.store.SaveAllAtEnd();
        QCOMPARE(a.ui.errors.size(), 4);
        QCOMPARE(a.ui.listedPersons + a.ui.listedDienste, 0);
        QCOMPARE(personNames(a.roster), QStringList{QStringLiteral("Mustermann")});
        QCOMPARE(a.roster.dienste[0].name, QStringLiteral("Urlaub"));
        struct stat st {};
        QCOMPARE(::lstat(QFile::encodeName(a.store.personFile()).constData(), &st), 0);
        QVERIFY(S_ISFIFO(st.st_mode));
        QCOMPARE(QFileInfo(a.store.dutyFile()).symLinkTarget(), zero);
        QCOMPARE(::lstat(QFile::encodeName(zero).constData(), &st), 0);
        QVERIFY(S_ISCHR(st.st_mode));
        // A copy that never read it does not replace it either.
        Copy b(dir.path());
        QVERIFY(!b.store.savePersons());
        QVERIFY(b.ui.errors.value(0).contains(QStringLiteral("keine gewöhnliche Datei")));
        QCOMPARE(::lstat(QFile::encodeName(a.store.personFile()).constData(), &st), 0);
        QVERIFY(S_ISFIFO(st.st_mode));
    }

    // Files around the size from which the two halves are read at once come back whole and
    // in order, also into a buffer that held a larger or a smaller file before.
    void largeFilesReadWhole()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("big.dat"));
        QByteArray buffer;
        const qsizetype mb8 = qsizetype(8) << 20;
        for (const qsizetype size : {mb8 + 4097, mb8 - 1, mb8, qsizetype(21) << 20, mb8 + 12345}) {
            QByteArray data(size, Qt::Uninitialized);
            for (qsizetype i = 0; i < size; i += 4)
                qToLittleEndian<quint32>(quint32(i * 2654435761u + size), data.data() + std::min(i, size - 4));
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QCOMPARE(f.write(data), size);
            f.close();
            TFileStamp stamp;
            int err = -1;
            QCOMPARE(ReadDataFile(path, buffer, stamp, err), TReadStatus::Ok);
            QCOMPARE(stamp.size, size);
            QVERIFY2(buffer == data, qPrintable(QString::number(size)));
        }
    }

    // The known time after a save is the time the path shows once the file is in place
    // (a network server may set it when the file is closed), unless the path already
    // names another copy's file.
    void knownTimeAfterSave_data()
    {
        QTest::addColumn<bool>("replacedByOther");
        QTest::newRow("time set when closed") << false;
        QTest::newRow("another copy renamed its file over it") << true;
    }
    void knownTimeAfterSave()
    {
        QFETCH(bool, replacedByOther);
        QTemporaryDir dir;
        Copy a(dir.path());
        static QByteArray other;
        other.clear();
        if (replacedByOther) {
            TRoster r;
            r.personen[0].name = QStringLiteral("von B");
            other = SerializePersonFile(r.personen, r.settings);
        }
        struct HookGuard {
            ~HookGuard() { TDataStore::afterWriteHook = nullptr; }
        } guard;
        TDataStore::afterWriteHook = [](const QString& path) {
            const QDateTime then(QDate(2020, 1, 2), QTime(3, 4, 5, 250), Qt::UTC);
            if (other.isEmpty()) {
                setFileTimeUtc(path, then);
                return;
            }
            const QString mine = path + QStringLiteral(".b");
            writeBytes(mine, other);
            setFileTimeUtc(mine, then);
            QVERIFY(QFile::rename(mine, path) || (QFile::remove(path) && QFile::rename(mine, path)));
        };
        QVERIFY(a.store.savePersons());
        TDataStore::afterWriteHook = nullptr;
        const TDateTime onDisk = TDataStore::GetFileAge(a.store.personFile());
        QCOMPARE(onDisk, QDateTimeToDateTime(QDateTime(QDate(2020, 1, 2), QTime(4, 4, 5, 250))));
        if (replacedByOther) {
            QVERIFY(a.store.kownfileagepersonen != onDisk);
            a.store.Timer1Timer();
            QCOMPARE(personNames(a.roster), QStringList{QStringLiteral("von B")});
        } else {
            QCOMPARE(a.store.kownfileagepersonen, onDisk);
            a.store.Timer1Timer();
            QCOMPARE(a.ui.listedPersons, 0);
        }
    }

    // A write that fails is reported, returns false and keeps the old file.
    void failedSaveKeepsOldFile()
    {
        QTemporaryDir dir;
        Copy a(dir.path());
        QVERIFY(a.store.savePersons());
        const QByteArray old = fileBytes(a.store.personFile());
        const TDateTime oldAge = a.store.kownfileagepersonen;
        for (int i = 0; i < 3; ++i)
            a.roster.AddPerson()->name = QStringLiteral("neu");

        // The file size limit makes the write fail with EFBIG (even for root).
        struct rlimit saved {};
        getrlimit(RLIMIT_FSIZE, &saved);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = saved;
        small.rlim_cur = 1000;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const bool saved1 = a.store.savePersons();
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY(!saved1);
        QCOMPARE(a.ui.errors.size(), 1);
        QVERIFY(a.ui.errors[0].contains(a.store.personFile()));
        QVERIFY(a.ui.errors[0].contains(qt_error_string(EFBIG)));
        QCOMPARE(fileBytes(a.store.personFile()), old);
        QCOMPARE(a.store.kownfileagepersonen, oldAge);
        QCOMPARE(a.roster.personen.Count(), 4);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("personen.dat")});

        // A folder that does not exist.
        a.store.progpath = dir.path() + QStringLiteral("/fehlt/");
        QVERIFY(!a.store.saveDienste());
        QCOMPARE(a.ui.errors.size(), 2);
        QVERIFY(a.ui.errors[1].contains(QStringLiteral("fehlt/dienste.dat")));
        QVERIFY(a.ui.errors[1].contains(qt_error_string(ENOENT)));
    }

    // The replacing save keeps the file's permissions, writes through a link, and
    // clears away new files of saves that were killed long ago.
    void saveReplacesFile()
    {
        QTemporaryDir dir, elsewhere;
        Copy a(dir.path());
        QVERIFY(a.store.saveDienste());
        QFile::setPermissions(a.store.dutyFile(),
            QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther);
        const QString stale = dir.path() + QStringLiteral("/.dienste.dat.1-0.tmp");
        const QString fresh = dir.path() + QStringLiteral("/.dienste.dat.2-0.tmp");
        writeBytes(stale, "old");
        writeBytes(fresh, "new");
        QFile f(stale);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(-7200), QFileDevice::FileModificationTime));
        f.close();
        QVERIFY(a.store.saveDienste());
        QCOMPARE(int(QFile::permissions(a.store.dutyFile()) & 0x0FFF), 0x664); // rw-rw-r--, not the umask default
        QVERIFY(!QFile::exists(stale));
        QVERIFY(QFile::exists(fresh));

        const QString real = elsewhere.path() + QStringLiteral("/personen.dat");
        QByteArray defaults;
        SerializePersonFile(a.roster.personen, a.roster.settings, defaults);
        writeBytes(real, defaults);
        QVERIFY(QFile::link(real, a.store.personFile()));
        QCOMPARE(a.store.loadPersons(), TLoadResult::Loaded);
        QVERIFY(a.store.savePersons());
        QVERIFY(QFileInfo(a.store.personFile()).isSymLink());
        QCOMPARE(QFileInfo(real).size(), 39105);
        QCOMPARE(a.store.kownfileagepersonen, TDataStore::GetFileAge(a.store.personFile()));
    }

    // Lock file of another copy: Yes and Cancel refuse and leave it, No goes on and the
    // release deletes it.
    void lockFilePresent_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("granted");
        QTest::newRow("Yes") << int(TLockAnswer::Yes) << false;
        QTest::newRow("No") << int(TLockAnswer::No) << true;
        QTest::newRow("Cancel") << int(TLockAnswer::Cancel) << false;
    }
    void lockFilePresent()
    {
        QFETCH(int, answer);
        QFETCH(bool, granted);
        QTemporaryDir dir;
        Copy a(dir.path());
        writeBytes(a.store.personLockFile(), "x");
        a.ui.answers = {TLockAnswer(answer)};
        QCOMPARE(a.store.canwritenowpersonen(), granted);
        QCOMPARE(a.ui.asked, QStringList{GetMessageText(30)});
        QVERIFY(QFile::exists(a.store.personLockFile()));
        if (granted) {
            QCOMPARE(fileBytes(a.store.personLockFile()), LockToken()); // taken over
            a.roster.personen[0].name = QStringLiteral("geändert");
            QVERIFY(a.store.savePersons());
            a.store.EndWriteMowpersonen();
            QVERIFY(!QFile::exists(a.store.personLockFile()));
        } else {
            QVERIFY(!QFile::exists(a.store.personFile()));
        }
        // A read asks the same way.
        writeBytes(a.store.personLockFile(), "");
        a.ui.answers = {TLockAnswer(answer)};
        QCOMPARE(a.store.loadPersons(), granted ? TLoadResult::Loaded : TLoadResult::Refused);
        QCOMPARE(QFile::exists(a.store.personLockFile()), !granted);
    }

    void lockFileCreatedAndReleased()
    {
        QTemporaryDir dir;
        Copy a(dir.path());
        QVERIFY(a.store.canwritenowdienste());
        QVERIFY(QFile::exists(a.store.dutyLockFile()));
        QCOMPARE(fileBytes(a.store.dutyLockFile()), LockToken());
        Copy b(dir.path());
        QVERIFY(!b.store.canwritenowdienste()); // scripted answer: Cancel
        QCOMPARE(b.ui.asked.size(), 1);
        a.store.EndWriteMowdienste();
        a.store.EndWriteMowdienste(); // a missing lock file is no error
        QVERIFY(b.store.canwritenowdienste());
        b.store.EndWriteMowdienste();
        QVERIFY(a.ui.asked.isEmpty());
    }

    // Another copy saved since this one read: the change request reloads and refuses,
    // the next one is granted.
    void writeLockAfterOtherCopySaved()
    {
        QTemporaryDir dir;
        Copy a(dir.path()), b(dir.path());
        QVERIFY(a.store.SavePersonsLocked());
        QCOMPARE(b.store.loadPersons(), TLoadResult::Loaded);
        nextFileTick();
        a.roster.AddPerson()->name = QStringLiteral("von A");
        QVERIFY(a.store.SavePersonsLocked());

        b.roster.settings.TesselColorComboBox1 = 0x123456; // shown, about to be saved
        QVERIFY(!b.store.SavePersonsLocked());
        QCOMPARE(personNames(b.roster), (QStringList{QStringLiteral("Mustermann"), QStringLiteral("von A")}));
        QCOMPARE(b.roster.settings.TesselColorComboBox1, 0x9696C4u); // the stored value
        QCOMPARE(b.ui.listedPersons, 1);
        QVERIFY(!QFile::exists(b.store.personLockFile()));
        QVERIFY(b.store.canwritenowpersonen());
        b.store.EndWriteMowpersonen();

        // Deleted by another copy: the time becomes 0, nothing is read, the roster stays.
        QFile::remove(a.store.personFile());
        b.store.Timer1Timer();
        QCOMPARE(b.roster.personen.Count(), 2);
        QCOMPARE(b.store.kownfileagepersonen, 0.0);
    }

    // "Nein" to message 30 while another copy saves: once the lock is taken over, the
    // file is judged again; the other copy's save survives and this change is refused.
    void noAfterOtherCopySaved()
    {
        QTemporaryDir dir;
        Copy a(dir.path()), b(dir.path());
        QVERIFY(a.store.SavePersonsLocked());
        QCOMPARE(b.store.loadPersons(), TLoadResult::Loaded);
        writeBytes(a.store.personLockFile(), ""); // a lock that looks stale
        a.ui.answers = {TLockAnswer::No};
        a.ui.onAsk = [&] {
            b.ui.answers = {TLockAnswer::No};
            b.roster.AddPerson()->name = QStringLiteral("von B");
            QVERIFY(b.store.SavePersonsLocked());
        };
        QVERIFY(!a.store.canwritenowpersonen());
        QCOMPARE(personNames(a.roster), (QStringList{QStringLiteral("Mustermann"), QStringLiteral("von B")}));
        QVERIFY(!QFile::exists(a.store.personLockFile()));
        a.ui.onAsk = nullptr;
        QVERIFY(a.store.canwritenowpersonen());
        a.roster.AddPerson()->name = QStringLiteral("von A");
        QVERIFY(a.store.savePersons());
        a.store.EndWriteMowpersonen();
        Copy c(dir.path());
        QCOMPARE(c.store.loadPersons(), TLoadResult::Loaded);
        QCOMPARE(personNames(c.roster),
            (QStringList{QStringLiteral("Mustermann"), QStringLiteral("von B"), QStringLiteral("von A")}));
    }

    // The poll reads the duties before the persons, whose entries refer to them.
    void pollReadsDutiesFirst()
    {
        QTemporaryDir dir;
        Copy a(dir.path()), b(dir.path());
        b.store.loadPersons();
        b.store.loadDienste();
        a.roster.personen[0].name = QStringLiteral("Neu");
        a.roster.dienste[0].name = QStringLiteral("Nacht");
        QVERIFY(a.store.SavePersonsLocked());
        QVERIFY(a.store.SaveDiensteLocked());
        b.store.Timer1Timer();
        QCOMPARE(b.ui.listed, (QStringList{QStringLiteral("dienste"), QStringLiteral("personen")}));
        QCOMPARE(b.roster.dienste[0].name, QStringLiteral("Nacht"));
        QCOMPARE(personNames(b.roster), QStringList{QStringLiteral("Neu")});
    }

    void pollSkipsLockedFiles()
    {
        QTemporaryDir dir;
        Copy a(dir.path()), b(dir.path());
        b.store.loadPersons();
        b.store.loadDienste();
        b.store.Timer1Timer();
        QCOMPARE(b.ui.listedPersons + b.ui.listedDienste, 0);

        a.roster.dienste[0].name = QStringLiteral("Nacht");
        QVERIFY(a.store.canwritenowdienste());
        QVERIFY(a.store.saveDienste());
        b.store.Timer1Timer(); // lock file still there
        QCOMPARE(b.ui.listedDienste, 0);
        QCOMPARE(b.roster.dienste[0].name, QStringLiteral("Urlaub"));
        a.store.EndWriteMowdienste();
        b.store.Timer1Timer();
        QCOMPARE(b.ui.listedDienste, 1);
        QCOMPARE(b.roster.dienste[0].name, QStringLiteral("Nacht"));
        QVERIFY(b.ui.asked.isEmpty());
        b.store.Timer1Timer();
        QCOMPARE(b.ui.listedDienste, 1);
    }

    // ---- data folder and plan slots --------------------------------------------------

    void slotFileNames_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<QString>("persons");
        QTest::addColumn<QString>("dutyLock");
        QTest::newRow("1") << 1 << QStringLiteral("personen.dat") << QStringLiteral("diensteschreibe.dat");
        QTest::newRow("2") << 2 << QStringLiteral("personen2.dat") << QStringLiteral("diensteschreibe2.dat");
        QTest::newRow("10") << 10 << QStringLiteral("personen10.dat") << QStringLiteral("diensteschreibe10.dat");
    }
    void slotFileNames()
    {
        QFETCH(int, slot);
        QFETCH(QString, persons);
        QFETCH(QString, dutyLock);
        TRoster r;
        FakeUi ui;
        TDataStore s(r, ui);
        std::array<bool, kLagerCount> ticked{};
        ticked[slot - 1] = true;
        ticked[9] = true; // the first ticked item counts
        QVERIFY(s.FindALagerNr(ticked));
        QCOMPARE(s.alagernr, slot);
        QCOMPARE(s.personendat, persons);
        QCOMPARE(s.diensteschreibedat, dutyLock);
        QCOMPARE(s.dienstedat, slot == 1 ? QStringLiteral("dienste.dat") : QStringLiteral("dienste%1.dat").arg(slot));
        QCOMPARE(s.personenschreibedat,
            slot == 1 ? QStringLiteral("personenschreibe.dat") : QStringLiteral("personenschreibe%1.dat").arg(slot));
        QVERIFY(!s.FindALagerNr({}));
        QCOMPARE(s.alagernr, slot);
    }

    void changeTheLager()
    {
        QTemporaryDir dir;
        Copy a(dir.path());
        a.roster.personen[0].name = QStringLiteral("Slot eins");
        QVERIFY(a.store.savePersons());
        std::array<bool, kLagerCount> ticked{};
        ticked[3] = true;
        a.store.ChangeTheLager(ticked);
        QCOMPARE(a.store.personFile(), dir.path() + QStringLiteral("/personen4.dat"));
        QCOMPARE(personNames(a.roster), QStringList{QStringLiteral("Mustermann")});
        QCOMPARE(a.roster.dienste[0].name, QStringLiteral("Urlaub"));
        QCOMPARE(a.ui.listedPersons, 1);
        QCOMPARE(a.ui.listedDienste, 1);
        ticked = {};
        ticked[0] = true;
        a.store.ChangeTheLager(ticked);
        QCOMPARE(personNames(a.roster), QStringList{QStringLiteral("Slot eins")});
        QCOMPARE(a.store.kownfileagepersonen, TDataStore::GetFileAge(a.store.personFile()));
    }

    // Leaving a slot writes only what differs from its files: an empty slot gets no
    // files, and no lock question is asked for nothing.
    void slotChangeWritesOnlyChanges()
    {
        QTemporaryDir dir;
        Copy a(dir.path());
        QVERIFY(a.store.SavePersonsLocked());
        QVERIFY(a.store.SaveDiensteLocked());
        const QStringList slotOne{QStringLiteral("dienste.dat"), QStringLiteral("personen.dat")};
        // Another copy is changing slot 1 right now.
        writeBytes(a.store.personLockFile(), "");
        writeBytes(a.store.dutyLockFile(), "");
        a.store.ChangeTheLager(slot(4));
        QVERIFY(a.ui.asked.isEmpty());
        QFile::remove(dir.path() + QStringLiteral("/personenschreibe.dat"));
        QFile::remove(dir.path() + QStringLiteral("/diensteschreibe.dat"));
        QCOMPARE(folderFiles(dir.path()), slotOne);

        // Nothing was changed in the empty slot: leaving it makes no files there.
        a.store.ChangeTheLager(slot(1));
        QCOMPARE(folderFiles(dir.path()), slotOne);
        QVERIFY(a.ui.asked.isEmpty());

        // A change kept only in memory is written on leaving; the unchanged file is not.
        nextFileTick();
        const TDateTime dutyAge = TDataStore::GetFileAge(a.store.dutyFile());
        a.roster.settings.CaptionEd = QStringLiteral("Neuer Titel");
        a.store.ChangeTheLager(slot(4));
        QCOMPARE(folderFiles(dir.path()), slotOne);
        QCOMPARE(TDataStore::GetFileAge(dir.path() + QStringLiteral("/dienste.dat")), dutyAge);
        Copy b(dir.path());
        QCOMPARE(b.store.loadPersons(), TLoadResult::Loaded);
        QCOMPARE(b.roster.settings.CaptionEd, QStringLiteral("Neuer Titel"));
    }

    void dataFolderChoice()
    {
        TRoster r;
        FakeUi ui;
        TDataStore s(r, ui);
        s.progpath = QStringLiteral("/opt/rostelmark/");
        const QString user = s.GetProgramDir(false);
        QVERIFY(user.endsWith(QLatin1String("/Quorvex/Rostelmark 1/")));
        QVERIFY(user.startsWith(qEnvironmentVariable("XDG_DATA_HOME")));
        QVERIFY(!QFileInfo::exists(user));

        s.ChooseDataFolder(TDataFolderOption::ProgramFolder, QStringLiteral("/ignored"));
        QCOMPARE(s.progpath, QStringLiteral("/opt/rostelmark/"));
        s.ChooseDataFolder(TDataFolderOption::SpecialFolder, QStringLiteral("/srv/plan"));
        QCOMPARE(s.progpath, QStringLiteral("/srv/plan/"));
        s.ChooseDataFolder(TDataFolderOption::SpecialFolder, QStringLiteral("/srv/plan/"));
        QCOMPARE(s.progpath, QStringLiteral("/srv/plan/"));
        s.ChooseDataFolder(TDataFolderOption::SpecialFolder, QString());
        QCOMPARE(s.progpath, QString());
        s.ChooseDataFolder(TDataFolderOption::UserFolder, QString());
        QCOMPARE(s.progpath, user);
        QVERIFY(QFileInfo(user).isDir());
    }

    // File times are local times (the tests run in Europe/Berlin).
    void fileAge_data()
    {
        QTest::addColumn<QDateTime>("utc");
        QTest::addColumn<double>("local");
        const auto at = [](int y, int mo, int d, int h, int mi, int s, int ms) {
            return EncodeDate(y, mo, d) + (((h * 60 + mi) * 60 + s) * 1000 + ms) / 86400000.0;
        };
        QTest::newRow("summer time") << QDateTime(QDate(2023, 7, 1), QTime(10, 34, 56, 789), Qt::UTC)
                                     << at(2023, 7, 1, 12, 34, 56, 789);
        QTest::newRow("winter, the next day")
            << QDateTime(QDate(2023, 1, 15), QTime(23, 30, 0, 500), Qt::UTC) << at(2023, 1, 16, 0, 30, 0, 500);
    }
    void fileAge()
    {
        QFETCH(QDateTime, utc);
        QFETCH(double, local);
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/f.dat");
        QCOMPARE(TDataStore::GetFileAge(path), 0.0);
        writeBytes(path, "x");
        setFileTimeUtc(path, utc);
        QFile::setPermissions(path, QFile::ReadOwner); // read-only files count too
        QCOMPARE(TDataStore::GetFileAge(path), local);
        // A copy reading the file remembers the same time.
        Copy a(dir.path());
        a.store.personendat = QStringLiteral("f.dat");
        QCOMPARE(a.store.loadPersons(), TLoadResult::Damaged);
        QCOMPARE(a.store.kownfileagepersonen, local);
    }

    void saveAllAtEnd()
    {
        QTemporaryDir dir;
        Copy a(dir.path());
        a.store.SaveAllAtEnd();
        QCOMPARE(QFileInfo(a.store.personFile()).size(), 39105);
        QCOMPARE(QFileInfo(a.store.dutyFile()).size(), 40);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }
};

ROSTELMARK_TEST_MAIN(TestStorage)
#include "tst_storage.moc"
