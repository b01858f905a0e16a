// The CSV export: the exact bytes of a month, who counts as present, the heading in the
// current language, and files that are never left half-written.
#include "calendar/feiertage.h"
#include "i18n/messagetable.h"
#include "i18n/translate.h"
#include "output/csvexport.h"
#include "outputtestutil.h"
#include "testsupport.h"

#include "output/safefile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace plantest;

namespace {
// One expected line from cells given in their written (quoted) form; the rest of the 32
// cells are empty.
QByteArray line(const QList<QByteArray>& quoted)
{
    QList<QByteArray> cells = quoted;
    while (cells.size() < kCsvColumns)
        cells.append("\"\"");
    return cells.join(';') + "\r\n";
}

QList<QByteArray> numbered(const QList<QByteArray>& values)
{
    QList<QByteArray> cells{"\"\""};
    for (const QByteArray& v : values)
        cells.append('"' + v + '"');
    return cells;
}

// September 2024 (30 days, the 1st a Sunday): three active persons, one dismissed before,
// one hired after the month.
void septemberRoster(TRoster& r)
{
    clear(r);
    addDuty(r, QStringLiteral("Früh"), QStringLiteral("F"), 0x00FF00, 8);
    addDuty(r, QStringLiteral("Urlaub"), QStringLiteral("U"), 0xFFFF00, 0, true);
    addDuty(r, QStringLiteral("Öko"), QStringLiteral("Ö€Ω"), 0x0000FF, 4);
    TPerson& anna = addPerson(r, QStringLiteral("Anna"));
    addEntry(anna, 2024, 9, 2, 1);
    addEntry(anna, 2024, 9, 3, 2);
    addEntry(anna, 2024, 9, 4, 0); // no duty: the walk goes on to the next entry of the day
    addEntry(anna, 2024, 9, 4, 1);
    addEntry(anna, 2024, 9, 5, 0); // no duty at all: empty cell, still present
    addEntry(anna, 2024, 9, 7, 1); // Saturday duty that is no absence: present
    addEntry(anna, 2024, 8, 31, 1); // other months stay out
    addEntry(anna, 2024, 10, 1, 1);
    TPerson& bernd = addPerson(r, QStringLiteral("Bernd \"Bär\""));
    addEntry(bernd, 2024, 9, 2, 2);
    addEntry(bernd, 2024, 9, 8, 2);
    addEntry(bernd, 2024, 9, 9, 99); // names no duty: empty, present
    TPerson& dora = addPerson(r, QStringLiteral("Dora"));
    dora.entlassen = EncodeDate(2024, 8, 15);
    dora.istentlassen = true;
    addEntry(dora, 2024, 9, 2, 1);
    TPerson& carla = addPerson(r, QStringLiteral("Carla\r\nZwei"));
    addEntry(carla, 2024, 9, 2, 3);
    addPerson(r, QStringLiteral("Emil"), EncodeDate(2024, 10, 1));
}
constexpr uid_t kNobody = 65534;

// The export of `r` into `path`, run by the unprivileged user 65534 (no groups) in a child
// process when `asNobody`, else by this process. The child reports status and error.
TExportResult exportAs(bool asNobody, const QString& path, const TRoster& r)
{
    if (!asNobody)
        return ExportMonthCsv(path, r, 2024, 9, QStringLiteral("Rostelmark"));
    int pipeFd[2];
    if (::pipe(pipeFd) != 0)
        return ExportFailure(TExportStatus::CannotCreate, errno);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFd[0]);
        ::alarm(20); // a hang ends the child, and the parent sees no answer
        int answer[2] = {-1, 0};
        if (::setgroups(0, nullptr) == 0 && ::setresgid(kNobody, kNobody, kNobody) == 0
            && ::setresuid(kNobody, kNobody, kNobody) == 0) {
            const TExportResult res = ExportMonthCsv(path, r, 2024, 9, QStringLiteral("Rostelmark"));
            answer[0] = int(res.status);
            answer[1] = res.error;
        }
        [[maybe_unused]] const ssize_t n = ::write(pipeFd[1], answer, sizeof answer);
        ::_exit(0);
    }
    ::close(pipeFd[1]);
    int answer[2] = {-1, 0};
    const ssize_t n = ::read(pipeFd[0], answer, sizeof answer);
    ::close(pipeFd[0]);
    ::waitpid(pid, nullptr, 0);
    TExportResult res;
    if (n != sizeof answer || answer[0] < 0) {
        res.status = TExportStatus::BadPage; // no answer: hung or could not drop privileges
        return res;
    }
    res.status = TExportStatus(answer[0]);
    res.error = answer[1];
    return res;
}

uid_t ownerOf(const QString& path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_uid : uid_t(-1);
}
} // namespace

class TestCsvExport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        SetCurrentLanguage(0);
        FillWeekdayAbbrev();
    }

    void septemberBytes()
    {
        TRoster r;
        septemberRoster(r);
        QByteArray days;
        QList<QByteArray> dayCells, weekdays, anna{"\"Anna\""}, bernd{"\"Bernd \"\"B\xE4r\"\"\""},
            carla{"\"Carla\\r\\nZwei\""};
        const QList<QByteArray> names{"Mo", "Di", "Mi", "Do", "Fr", "Sa", "So"};
        for (int d = 1; d <= 30; ++d) {
            dayCells.append(QByteArray::number(d));
            weekdays.append(names[(d + 5) % 7]);
        }
        const QList<QByteArray> annaDays{"", "F", "U", "F", "", "", "F"};
        const QList<QByteArray> berndDays{"", "U", "", "", "", "", "", "U", ""};
        for (const QByteArray& c : annaDays)
            anna.append('"' + c + '"');
        for (const QByteArray& c : berndDays)
            bernd.append('"' + c + '"');
        carla.append({"\"\"", "\"\xD6\x80?\""});
        QList<QByteArray> counts;
        for (int d = 1; d <= 30; ++d) {
            const int wd = (d + 5) % 7; // 0 = Monday
            int n = wd < 5 ? 3 : 0;
            if (d == 2 || d == 3)
                n = 2; // one absence each
            if (d == 7)
                n = 1; // the Saturday duty
            counts.append(QByteArray::number(n));
        }
        const QByteArray expected = line({"\"Rostelmark 9/2024\""}) + line({}) + line(numbered(dayCells))
            + line(numbered(weekdays)) + line(anna) + line(bernd) + line(carla)
            + line(QList<QByteArray>{"\"Anwesenheit\""} + numbered(counts).mid(1)) + line({}) + line({});
        const QByteArray bytes = CsvBytes(BuildCsvTable(r, 2024, 9, r.settings.CaptionEd));
        QCOMPARE(bytes, expected);

        // Every line: 32 quoted cells, the 31st day column empty in a 30-day month.
        const QList<QByteArray> lines = bytes.split('\n');
        QCOMPARE(lines.size(), 11); // ten lines and the empty rest after the last CR LF
        for (int i = 0; i < 10; ++i) {
            QVERIFY(lines[i].endsWith("\"\"\r"));
            QCOMPARE(lines[i].count("\";\""), 31);
        }
    }

    // Who counts as present on one day, one person at a time.
    void attendance_data()
    {
        QTest::addColumn<int>("day"); // in October 2024: 3rd a holiday, 5th a Saturday
        QTest::addColumn<QList<int>>("duties"); // entries of that day in stored order
        QTest::addColumn<QString>("cell");
        QTest::addColumn<int>("count");
        QTest::newRow("workday without entry") << 1 << QList<int>{} << "" << 1;
        QTest::newRow("workday absence") << 1 << QList<int>{2} << "U" << 0;
        QTest::newRow("duty 0 only") << 1 << QList<int>{0} << "" << 1;
        QTest::newRow("duty 0, then absence") << 1 << QList<int>{0, 2} << "U" << 0;
        QTest::newRow("first duty wins") << 1 << QList<int>{1, 2} << "F" << 1;
        QTest::newRow("unknown duty passed over") << 1 << QList<int>{7, 2} << "U" << 0;
        QTest::newRow("holiday without entry") << 3 << QList<int>{} << "" << 0;
        QTest::newRow("holiday duty") << 3 << QList<int>{1} << "F" << 1;
        QTest::newRow("saturday without entry") << 5 << QList<int>{} << "" << 0;
        QTest::newRow("saturday duty") << 5 << QList<int>{1} << "F" << 1;
        QTest::newRow("saturday absence") << 5 << QList<int>{2} << "U" << 0;
    }
    void attendance()
    {
        QFETCH(int, day);
        QFETCH(QList<int>, duties);
        QFETCH(QString, cell);
        QFETCH(int, count);
        TRoster r;
        clear(r);
        addDuty(r, QStringLiteral("Früh"), QStringLiteral("F"), 0x00FF00, 8);
        addDuty(r, QStringLiteral("Urlaub"), QStringLiteral("U"), 0xFFFF00, 0, true);
        TPerson& p = addPerson(r, QStringLiteral("P"));
        for (int d : duties)
            addEntry(p, 2024, 10, day, d);
        const std::vector<TCsvRow> t = BuildCsvTable(r, 2024, 10, QStringLiteral("X"));
        QCOMPARE(t.size(), std::size_t(6));
        QCOMPARE(t[4][day], cell);
        QCOMPARE(t[5][day], QString::number(count));
    }

    // Eight of ten persons active: names in lines 5 to 12, attendance in 13, two empty
    // lines after it.
    void inactivePersonsLeaveEmptyLines()
    {
        TRoster r;
        clear(r);
        for (int i = 1; i <= 10; ++i) {
            TPerson& p = addPerson(r, QStringLiteral("P%1").arg(i));
            if (i == 3 || i == 7) {
                p.entlassen = EncodeDate(2024, 1, 31);
                p.istentlassen = true;
            }
        }
        const std::vector<TCsvRow> t = BuildCsvTable(r, 2024, 3, QStringLiteral("X"));
        QCOMPARE(t.size(), std::size_t(15));
        QCOMPARE(t[4][0], QStringLiteral("P1"));
        QCOMPARE(t[6][0], QStringLiteral("P4"));
        QCOMPARE(t[11][0], QStringLiteral("P10"));
        QCOMPARE(t[12][0], QStringLiteral("Anwesenheit"));
        for (std::size_t i : {13, 14})
            for (const QString& c : t[i])
                QVERIFY(c.isEmpty());
    }

    // The heading and the labels come out in the current language.
    void translatedHeading()
    {
        QTemporaryDir dir;
        InitTranslations(dir.path());
        auto translate = [](const QString& german, const QString& english) {
            TranslateText(german);
            for (int row = 0; row < TranslationRowCount(); ++row)
                if (TranslationCell(row, 0) == german)
                    SetTranslationCell(row, 1, english);
        };
        translate(QStringLiteral("Rostelmark"), QStringLiteral("Duty roster"));
        translate(MessageGerman(21), QStringLiteral("Attendance"));
        translate(MessageGerman(11), QStringLiteral("Sun"));
        SetCurrentLanguage(1);
        FillWeekdayAbbrev();
        TRoster r;
        clear(r);
        addPerson(r, QStringLiteral("P"));
        const QByteArray bytes = CsvBytes(BuildCsvTable(r, 2024, 9, TranslateText(QStringLiteral("Rostelmark"))));
        SetCurrentLanguage(0);
        FillWeekdayAbbrev();
        InitTranslations(QString());
        const QList<QByteArray> lines = bytes.split('\n');
        QVERIFY(lines[0].startsWith("\"Duty roster 9/2024\";\"\";"));
        QVERIFY(lines[3].startsWith("\"\";\"Sun\";"));
        QVERIFY(lines[5].startsWith("\"Attendance\";\"0\";"));
    }

    void formulaCellsAreNeutralised_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("written");
        QTest::newRow("command") << "=cmd|' /C calc'!A0"
                                 << "\"'=cmd|' /C calc'!A0\"";
        QTest::newRow("plus") << "+A1"
                              << "\"'+A1\"";
        QTest::newRow("minus text") << "-Nacht"
                                    << "\"'-Nacht\"";
        QTest::newRow("at") << "@SUM(A1)"
                            << "\"'@SUM(A1)\"";
        QTest::newRow("tab") << "\tx"
                             << "\"'\tx\"";
        QTest::newRow("carriage return") << "\rx"
                                         << "\"'\\rx\"";
        QTest::newRow("negative hours stay") << "-1,5"
                                             << "\"-1,5\"";
        QTest::newRow("signed number stays") << "+2"
                                             << "\"+2\"";
        QTest::newRow("plain text stays") << "Anna=B"
                                          << "\"Anna=B\"";
        QTest::newRow("lone minus") << "-"
                                    << "\"'-\"";
    }
    void formulaCellsAreNeutralised()
    {
        QFETCH(QString, cell);
        QFETCH(QString, written);
        TCsvRow row;
        row[0] = cell;
        QVERIFY(CsvLine(row).startsWith(written + QLatin1Char(';')));
    }

    // Targets a shared folder can hold. Rows marked "other user" run the export as user
    // 65534 against files root owns (only where the test runs as root).
    void hostileTargets_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<bool>("asNobody");
        QTest::addColumn<int>("status"); // TExportStatus
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("replaced"); // plan.csv holds the new export afterwards
        const int ok = int(TExportStatus::Ok), refused = int(TExportStatus::CannotCreate);
        QTest::newRow("link planted by another user") << "foreign link" << true << refused << ELOOP << false;
        QTest::newRow("own link is followed") << "own link" << false << ok << 0 << true;
        QTest::newRow("FIFO as target") << "fifo" << false << refused << kErrNotRegularFile << false;
        QTest::newRow("folder refuses new files, file writable") << "closed folder" << true << ok << 0 << true;
        QTest::newRow("folder refuses new files, file read-only")
            << "closed folder read-only" << true << refused << EACCES << false;
        QTest::newRow("sticky folder, file of another user") << "sticky" << true << ok << 0 << true;
        QTest::newRow("missing folder") << "missing" << false << refused << ENOENT << false;
        QTest::newRow("replaced file keeps owner and group") << "owned by nobody" << false << ok << 0 << true;
    }
    void hostileTargets()
    {
        QFETCH(QString, setup);
        QFETCH(bool, asNobody);
        QFETCH(int, status);
        QFETCH(int, error);
        QFETCH(bool, replaced);
        const bool root = ::geteuid() == 0;
        if ((asNobody || setup == QLatin1String("owned by nobody")) && !root)
            QSKIP("needs root to act as two users");
        QTemporaryDir dir;
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0);
        const QString share = dir.filePath(QStringLiteral("share"));
        const QString outside = dir.filePath(QStringLiteral("outside"));
        QVERIFY(QDir().mkpath(share) && QDir().mkpath(outside));
        const QString victim = outside + QStringLiteral("/private.txt");
        writeFile(victim, "private");
        ::chmod(QFile::encodeName(victim).constData(), 0666); // writable, so only the link rule protects it
        const QString path = share + QStringLiteral("/plan.csv");
        const QByteArray old = "the previous export\r\n";
        const auto mode
            = [](const QString& p, mode_t m) { QVERIFY(::chmod(QFile::encodeName(p).constData(), m) == 0); };

        if (setup.endsWith(QLatin1String("link"))) {
            mode(share, 01777);
            QVERIFY(QFile::link(victim, path));
        } else if (setup == QLatin1String("fifo")) {
            QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0666) == 0);
        } else if (setup.startsWith(QLatin1String("closed folder"))) {
            writeFile(path, old);
            mode(path, setup.endsWith(QLatin1String("read-only")) ? 0644 : 0666);
        } else if (setup == QLatin1String("sticky")) {
            mode(share, 01777);
            writeFile(path, old);
            mode(path, 0666);
        } else if (setup == QLatin1String("owned by nobody")) {
            writeFile(path, old);
            QVERIFY(::chown(QFile::encodeName(path).constData(), kNobody, kNobody) == 0);
            mode(path, 0640);
        }
        const QString target = setup == QLatin1String("missing") ? share + QStringLiteral("/no/plan.csv") : path;

        TRoster r;
        septemberRoster(r);
        const TExportResult res = exportAs(asNobody, target, r);
        QCOMPARE(int(res.status), status);
        QCOMPARE(res.error, error);
        if (!res.ok()) {
            const QString text = ExportErrorText(res, target);
            QVERIFY2(text.contains(QDir::toNativeSeparators(target)) && !text.contains(QStringLiteral("Ist diese")),
                qPrintable(text));
        }
        const QByteArray fresh = CsvBytes(BuildCsvTable(r, 2024, 9, QStringLiteral("Rostelmark")));
        const QString written = setup == QLatin1String("own link") ? victim : path;
        if (replaced)
            QCOMPARE(readFile(written), fresh);
        if (setup == QLatin1String("foreign link"))
            QCOMPARE(readFile(victim), QByteArray("private"));
        if (setup == QLatin1String("own link"))
            QVERIFY(QFileInfo(path).isSymLink());
        if (setup.startsWith(QLatin1String("closed folder")) && !replaced)
            QCOMPARE(readFile(path), old);
        if (setup == QLatin1String("sticky") || setup.startsWith(QLatin1String("closed folder")))
            QCOMPARE(ownerOf(path), uid_t(0));
        if (setup == QLatin1String("owned by nobody")) {
            struct stat st {};
            QVERIFY(::stat(QFile::encodeName(path).constData(), &st) == 0);
            QCOMPARE(st.st_uid, kNobody);
            QCOMPARE(st.st_gid, gid_t(kNobody));
            QCOMPARE(st.st_mode & 07777, mode_t(0640));
        }
        // No temporary file is left behind, whatever happened.
        for (const QString& name : QDir(share).entryList(QDir::Files | QDir::Hidden | QDir::System))
            QVERIFY2(name == QLatin1String("plan.csv"), qPrintable(name));
    }

    void writesAndReplacesFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("plan.csv"));
        writeFile(path, "old content that is longer than nothing");
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        TRoster r;
        septemberRoster(r);
        const TExportResult res = ExportMonthCsv(path, r, 2024, 9, QStringLiteral("Rostelmark"));
        QVERIFY(res.ok());
        QCOMPARE(readFile(path), CsvBytes(BuildCsvTable(r, 2024, 9, QStringLiteral("Rostelmark"))));
        QCOMPARE(QFile::permissions(path) & 0x7077, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("plan.csv")});
    }

    void cannotCreate()
    {
        QTemporaryDir dir;
        TRoster r;
        septemberRoster(r);
        const QString path = dir.filePath(QStringLiteral("missing/plan.csv"));
        const TExportResult res = ExportMonthCsv(path, r, 2024, 9, QStringLiteral("Rostelmark"));
        QCOMPARE(res.status, TExportStatus::CannotCreate);
        // The user learns which file and why, not a guess that it may still be open.
        QCOMPARE(ExportErrorText(res, path),
            QStringLiteral("Die Datei kann nicht geschrieben werden: ") + path + QLatin1Char('\n')
                + SystemReason(ENOENT));
        QVERIFY(!QFile::exists(path));
    }

    // A device that takes a few bytes and then fails, as a full disk does.
    void shortWriteIsReported()
    {
        TFailingBuffer device(100);
        QVERIFY(device.open(QIODevice::WriteOnly));
        QString error;
        QVERIFY(!WriteAllBytes(device, QByteArray(1000, 'x'), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(WriteAllBytes(device, QByteArray(), &error)); // nothing to write is no failure
    }

    // The disk fills up part way: the old file stays whole, no new file is left behind,
    // and the user is told.
    void diskFullKeepsOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("plan.csv"));
        const QByteArray old = "the previous export\r\n";
        writeFile(path, old);
        TRoster r;
        fill(r, 300); // a table far larger than the limit below
        TExportResult res;
        {
            TFileSizeLimit limit(4096);
            QVERIFY(limit.active());
            res = ExportMonthCsv(path, r, 2024, 9, QStringLiteral("Rostelmark"));
        }
        QCOMPARE(res.status, TExportStatus::WriteFailed);
        QCOMPARE(readFile(path), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("plan.csv")});
        const QString text = ExportErrorText(res, path);
        QVERIFY2(text.contains(QDir::toNativeSeparators(path)) && text.contains(QStringLiteral("unverändert")),
            qPrintable(text));
    }
};

ROSTELMARK_TEST_MAIN(TestCsvExport)
#include "tst_csvexport.moc"
