// Every state a power cut can leave during a save must read back, with the program's own
// reader, as the complete old or the complete new roster.
#include "core/roster.h"
#include "output/csvexport.h"
#include "powerloss.h"
#include "storage/datastore.h"
#include "storage/rosterfiles.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

class QuietUi : public TStoreUi {
public:
    QStringList errors;
    TLockAnswer AskLockMessage(const QString&) override { return TLockAnswer::No; }
    void ShowError(const QString& text) override { errors << text; }
    void ListPersons() override {}
    void ListDienste() override {}
    void LanguageRead(int) override {}
};

struct Copy {
    TRoster roster;
    QuietUi ui;
    TDataStore store{roster, ui};
    explicit Copy(const QString& folder) { store.progpath = folder + QLatin1Char('/'); }
    QByteArray persons() const { return SerializePersonFile(roster.personen, roster.settings); }
    QByteArray duties() const { return SerializeDutyFile(roster.dienste, roster.settings.RandBreitEd); }
};

void addPerson(TRoster& r, const QString& name, int days, int duty)
{
    TPerson* p = r.AddPerson();
    p->name = name;
    for (int d = 0; d < days; ++d) {
        TEintrag* e = p->eintraege.Add();
        e->datum = EncodeDate(2024, 1, 1) + d;
        e->dienst = duty;
    }
    for (int m = 0; m < TMonatsTabelle::kElements; ++m)
        p->soll.werte[m] = 150 + duty;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

} // namespace

class TestPowerLoss : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { TDataStore::settlePauseMs = 0; }

    void everyStateReadsOldOrNew_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("inPlace");
        QTest::newRow("person file") << QStringLiteral("persons") << false;
        QTest::newRow("duty file") << QStringLiteral("duties") << false;
        QTest::newRow("end sequence") << QStringLiteral("both") << false;
        QTest::newRow("in place: foreign file in a sticky folder") << QStringLiteral("persons") << true;
        QTest::newRow("in place: roster shrinks") << QStringLiteral("shrink") << true;
    }
    void everyStateReadsOldOrNew()
    {
        QFETCH(QString, change);
        QFETCH(bool, inPlace);
        QTemporaryDir dir;
        {
            TRoster old;
            old.personen[0].name = QStringLiteral("Alt");
            addPerson(old, QStringLiteral("Berta"), 40, 1);
            writeFile(dir.path() + QStringLiteral("/personen.dat"), SerializePersonFile(old.personen, old.settings));
            writeFile(dir.path() + QStringLiteral("/dienste.dat"), SerializeDutyFile(old.dienste, 10.0));
        }
        Copy a(dir.path());
        QCOMPARE(a.store.loadPersons(), TLoadResult::Loaded);
        QCOMPARE(a.store.loadDienste(), TLoadResult::Loaded);
        const QByteArray oldPersons = a.persons(), oldDuties = a.duties();

        TRecordingFs fs(dir.path());
        if (inPlace)
            fs.refuseRenameOnto = QStringLiteral("personen.dat");
        if (change == QLatin1String("shrink")) {
            a.roster.personen.Delete(1);
        } else {
            addPerson(a.roster, QStringLiteral("Neu"), 60, 2);
            a.roster.personen[0].name = QStringLiteral("Geändert");
        }
        a.roster.dienste[0].stunden = 7.5;
        if (change == QLatin1String("duties"))
            QVERIFY(a.store.SaveDiensteLocked());
        else if (change == QLatin1String("both"))
            a.store.SaveAllAtEnd();
        else
            QVERIFY(a.store.SavePersonsLocked());
        SetFs(nullptr);
        QVERIFY2(a.ui.errors.isEmpty(), qPrintable(a.ui.errors.join(QLatin1Char('\n'))));
        const QByteArray newPersons = a.persons(), newDuties = a.duties();

        QStringList failures;
        const auto [checked, bad] = fs.replay([&](const QString& folder) {
            Copy r(folder);
            r.store.loadPersons();
            r.store.loadDienste();
            const QByteArray p = r.persons(), d = r.duties();
            const bool ok = r.ui.errors.isEmpty() && (p == oldPersons || p == newPersons)
                && (d == oldDuties || d == newDuties);
            if (!ok && failures.size() < 3)
                failures << (r.ui.errors.join(QLatin1Char(' ')) + QStringLiteral(" persons %1 duties %2")
                                 .arg(QLatin1String(p == oldPersons ? "old" : p == newPersons ? "new" : "other"))
                                 .arg(QLatin1String(d == oldDuties ? "old" : d == newDuties ? "new" : "other")));
            return ok;
        });
        qInfo("%s: %d power-loss states, %d bad", QTest::currentDataTag(), checked, bad);
        QVERIFY2(bad == 0, qPrintable(failures.join(QLatin1Char('\n'))));
        QVERIFY(checked > (inPlace && change == QLatin1String("persons") ? 500 : 5));
        // The in-place path really ran: the side file is gone, the data file kept its inode.
        if (inPlace)
            QVERIFY(QDir(dir.path()).entryList({QStringLiteral("*.side")}, QDir::Hidden | QDir::Files).isEmpty());
    }

    // An export replaces its file as a whole: after a power cut the old or the new file.
    void exportReadsOldOrNew()
    {
        QTemporaryDir dir;
        const QString target = dir.path() + QStringLiteral("/plan.csv");
        TRoster roster;
        addPerson(roster, QStringLiteral("Berta"), 40, 1);
        const QByteArray oldBytes(70000, 'o');
        writeFile(target, oldBytes);
        TRecordingFs fs(dir.path());
        QCOMPARE(ExportMonthCsv(target, roster, 2024, 1, QStringLiteral("Plan")).status, TExportStatus::Ok);
        SetFs(nullptr);
        QFile f(target);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray newBytes = f.readAll();
        const auto [checked, bad] = fs.replay([&](const QString& folder) {
            QFile g(folder + QStringLiteral("/plan.csv"));
            const QByteArray b = g.open(QIODevice::ReadOnly) ? g.readAll() : QByteArray();
            return b == oldBytes || b == newBytes;
        });
        qInfo("CSV export: %d power-loss states, %d bad", checked, bad);
        QCOMPARE(bad, 0);
        QVERIFY(checked > 3);
    }
};

QTEST_GUILESS_MAIN(TestPowerLoss)
#include "tst_powerloss.moc"
