// Two real copies of the program on one folder (the storage_driver executable), and a
// save killed half-way.
#include "storage/datastore.h"
#include "storage/rosterfiles.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <functional>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// One driver process; lines it printed are collected as they arrive.
class Driver {
public:
    // `asUser` runs in the child before the driver starts (to drop privileges).
    explicit Driver(const QString& folder, const QString& program = QStringLiteral(STORAGE_DRIVER),
        const std::function<void()>& asUser = {})
    {
        proc.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        if (asUser)
            proc.setChildProcessModifier(asUser);
        proc.start(program, {folder});
        if (!proc.waitForStarted(10000))
            qFatal("driver did not start");
    }
    ~Driver()
    {
        if (proc.state() != QProcess::NotRunning) {
            proc.kill();
            proc.waitForFinished(5000);
        }
    }
    void send(const QString& line) { proc.write((line + QLatin1Char('\n')).toUtf8()); }
    // Waits for a line starting with `prefix`; returns it, or a null string on timeout.
    QString waitFor(const QString& prefix, int ms)
    {
        QElapsedTimer t;
        t.start();
        for (;;) {
            while (proc.canReadLine()) {
                const QString line = QString::fromUtf8(proc.readLine()).trimmed();
                lines << line;
                if (line.startsWith(prefix))
                    return line;
            }
            const int left = ms - int(t.elapsed());
            if (left <= 0 || proc.state() == QProcess::NotRunning)
                return {};
            proc.waitForReadyRead(std::min(left, 100));
        }
    }
    QString command(const QString& line, const QString& reply, int ms = 10000)
    {
        send(line);
        return waitFor(reply, ms);
    }
    QStringList lines;
    QProcess proc;
};

QStringList tempFiles(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral(".personen.dat.*.tmp")}, QDir::Files | QDir::Hidden);
}

TReadResult parseFile(const QString& path, int& persons)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return TReadResult::Damaged;
    const QByteArray bytes = f.readAll();
    TPersonFileContent c{TPlanSettings()};
    const TReadResult r = ParsePersonFile(bytes.constData(), bytes.size(), c);
    persons = c.personen.Count();
    return r;
}

// The user `nobody`, when this process runs as root and may switch to it.
bool nobodyAvailable(uid_t& uid, gid_t& gid)
{
    const struct passwd* pw = ::geteuid() == 0 ? ::getpwnam("nobody") : nullptr;
    if (pw == nullptr)
        return false;
    uid = pw->pw_uid;
    gid = pw->pw_gid;
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(::setgroups(0, nullptr) == 0 && ::setgid(gid) == 0 && ::setuid(uid) == 0 ? 0 : 1);
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

} // namespace

class TestStorageProcesses : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A saves; B's poll shows it within about a second without any action in B.
    void pollBringsOtherCopysChange()
    {
        QTemporaryDir dir;
        // One after the other: copies starting at the same moment may meet each other's
        // read lock (message 30), which is not what this test is about.
        Driver a(dir.path());
        QVERIFY(!a.command(QStringLiteral("list"), QStringLiteral("persons:")).isNull());
        Driver b(dir.path());
        QVERIFY(!b.command(QStringLiteral("list"), QStringLiteral("persons:")).isNull());
        QCOMPARE(a.command(QStringLiteral("add Alice"), QStringLiteral("added")), QStringLiteral("added Alice"));
        QElapsedTimer t;
        t.start();
        const QString listed = b.waitFor(QStringLiteral("listed:"), 3000);
        const qint64 ms = t.elapsed();
        QCOMPARE(listed, QStringLiteral("listed: Mustermann,Alice"));
        qInfo("B showed A's change after %lld ms", ms);
        QVERIFY2(ms < 2000, "poll took longer than two seconds");
        QVERIFY(!b.lines.contains(QStringLiteral("ask30")));
    }

    // While the lock file exists the poll leaves the changed file alone.
    void pollWaitsForLock()
    {
        QTemporaryDir dir;
        Driver b(dir.path());
        QVERIFY(!b.command(QStringLiteral("list"), QStringLiteral("persons:")).isNull());

        const QString lock = dir.path() + QStringLiteral("/personenschreibe.dat");
        QFile(lock).open(QIODevice::WriteOnly);
        TRoster roster;
        roster.personen[0].name = QStringLiteral("Neu");
        QFile f(dir.path() + QStringLiteral("/personen.dat"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(SerializePersonFile(roster.personen, roster.settings));
        f.close();

        QVERIFY(b.waitFor(QStringLiteral("listed:"), 2500).isNull());
        QVERIFY(!b.lines.contains(QStringLiteral("ask30")));
        QFile::remove(lock);
        QCOMPARE(b.waitFor(QStringLiteral("listed:"), 3000), QStringLiteral("listed: Neu"));
    }

    // B asks for a change after A saved: B reloads, shows A's data and skips its change;
    // asked again, it goes through.
    void changeAfterOtherSaveIsSkipped()
    {
        QTemporaryDir dir;
        Driver a(dir.path());
        QVERIFY(!a.command(QStringLiteral("poll off"), QStringLiteral("ok")).isNull());
        Driver b(dir.path());
        QVERIFY(!b.command(QStringLiteral("poll off"), QStringLiteral("ok")).isNull());
        QCOMPARE(a.command(QStringLiteral("add Alice"), QStringLiteral("added")), QStringLiteral("added Alice"));
        QCOMPARE(b.command(QStringLiteral("add Bob"), QStringLiteral("skipped")), QStringLiteral("skipped Bob"));
        QVERIFY(b.lines.contains(QStringLiteral("listed: Mustermann,Alice")));
        QCOMPARE(b.command(QStringLiteral("add Bob"), QStringLiteral("added")), QStringLiteral("added Bob"));
        QCOMPARE(a.command(QStringLiteral("add Carl"), QStringLiteral("skipped")), QStringLiteral("skipped Carl"));
        QCOMPARE(a.command(QStringLiteral("list"), QStringLiteral("persons:")),
            QStringLiteral("persons: Mustermann,Alice,Bob"));
    }

    // Shared folders where this user may change the data files but neither make new
    // files (no write right on the folder) nor rename over another user's file (sticky
    // folder): the save writes the existing file in place, keeping owner and mode.
    // Run as `nobody` (the suite may run as root, for whom folder modes do not count).
    void saveInSharedFolder_data()
    {
        QTest::addColumn<int>("folderMode");
        QTest::newRow("folder 555, files 666") << 0555;
        QTest::newRow("sticky folder 1777, files of another user") << 01777;
    }
    void saveInSharedFolder()
    {
        QFETCH(int, folderMode);
        uid_t uid = 0;
        gid_t gid = 0;
        const bool asNobody = nobodyAvailable(uid, gid);
        if (!asNobody && ::geteuid() == 0)
            QSKIP("running as root without a way to switch to the user nobody");
        if (!asNobody && folderMode == 01777)
            QSKIP("files of another user need root to switch to the user nobody");

        QTemporaryDir base;
        QCOMPARE(::chmod(QFile::encodeName(base.path()).constData(), 0755), 0);
        const QString folder = base.path() + QStringLiteral("/shared");
        QVERIFY(QDir().mkdir(folder));
        const QString persons = folder + QStringLiteral("/personen.dat");
        TRoster roster;
        roster.personen[0].name = QStringLiteral("Alt");
        writeFile(persons, SerializePersonFile(roster.personen, roster.settings));
        writeFile(folder + QStringLiteral("/dienste.dat"), SerializeDutyFile(roster.dienste, 10.0));
        for (const char* name : {"/personen.dat", "/dienste.dat"})
            QCOMPARE(::chmod(QFile::encodeName(folder + QLatin1String(name)).constData(), 0666), 0);
        // The driver is copied where `nobody` may run it.
        const QString program = base.path() + QStringLiteral("/storage_driver");
        QVERIFY(QFile::copy(QStringLiteral(STORAGE_DRIVER), program));
        QCOMPARE(::chmod(QFile::encodeName(program).constData(), 0755), 0);
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), mode_t(folderMode)), 0);
        struct stat before {};
        QCOMPARE(::stat(QFile::encodeName(persons).constData(), &before), 0);

        QStringList lines;
        {
            Driver d(folder, program, [asNobody, uid, gid] {
                if (asNobody && (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0))
                    ::_exit(127);
            });
            const QString reply = d.command(QStringLiteral("add Neu"), QStringLiteral("added"));
            d.send(QStringLiteral("quit"));
            d.proc.waitForFinished(5000);
            lines = d.lines;
            QCOMPARE(reply, QStringLiteral("added Neu"));
        }
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0755), 0);
        // A folder that refuses new files cannot hold a side file: the user is told once
        // that the roster is not protected against power loss there.
        const QStringList errors = lines.filter(QStringLiteral("error:"));
        QVERIFY2(errors.size() == (folderMode == 0555 ? 1 : 0), qPrintable(lines.join(QLatin1Char('\n'))));
        if (folderMode == 0555)
            QVERIFY(errors[0].contains(QStringLiteral("Stromausfall")));
        int count = 0;
        QCOMPARE(parseFile(persons, count), TReadResult::Ok);
        QCOMPARE(count, 2);
        struct stat after {};
        QCOMPARE(::stat(QFile::encodeName(persons).constData(), &after), 0);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(after.st_uid, before.st_uid);
        QCOMPARE(after.st_mode, before.st_mode);
        // No new files of the save, no lock files left behind.
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name),
            (QStringList{QStringLiteral("dienste.dat"), QStringLiteral("personen.dat")}));
    }

    // A copy killed while saving a large roster leaves the old or the new file.
    void killDuringSave()
    {
        QTemporaryDir dir;
        const QString file = dir.path() + QStringLiteral("/personen.dat");
        QRandomGenerator rng(7);
        int killedMidSave = 0;
        for (int round = 0; round < 10; ++round) {
            Driver a(dir.path());
            a.send(QStringLiteral("bigsave 300"));
            QVERIFY(!a.waitFor(QStringLiteral("saved"), 60000).isNull());
            if (round % 2) {
                QTest::qWait(int(rng.bounded(20, 400)));
            } else {
                // Kill as soon as the next save has started writing its new file.
                QElapsedTimer t;
                t.start();
                while (t.elapsed() < 20000 && tempFiles(dir.path()).isEmpty())
                    QThread::usleep(200);
            }
            ::kill(pid_t(a.proc.processId()), SIGKILL);
            a.proc.waitForFinished(5000);
            int persons = -1;
            QCOMPARE(parseFile(file, persons), TReadResult::Ok);
            QVERIFY2(persons == 300 || persons == 301, qPrintable(QString::number(persons)));
            // Leftovers of the interrupted save are separate hidden files.
            const QStringList temps = tempFiles(dir.path());
            killedMidSave += temps.size();
            for (const QString& t : temps)
                QFile::remove(dir.filePath(t));
        }
        qInfo("%d of 10 kills hit a save in progress", killedMidSave);
        QVERIFY(killedMidSave > 0);
    }
};

ROSTELMARK_TEST_MAIN(TestStorageProcesses)
#include "tst_storage_processes.moc"
