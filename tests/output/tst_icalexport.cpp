// Calendar files: what an independent iCalendar reader (Python's icalendar package) finds
// in them — events, dates, summaries, extra hours, transparency, UIDs across exports —
// plus the raw form (CR LF, folding at 75 octets) and the file names of an export of all.
#include "core/ansicodec.h"
#include "core/datetime.h"
#include "core/fsops.h"
#include "core/roster.h"
#include "output/icalexport.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>

#include <QProcess>
#include <sys/stat.h>

namespace {

// Reads every file named on the command line with icalendar and prints one JSON object
// per file: the calendar name and its events with decoded values.
const char* const kReader = R"PY(
import sys, json, datetime, icalendar
out = []
for path in sys.argv[1:]:
    with open(path, 'rb') as f:
        cal = icalendar.Calendar.from_ical(f.read())
    events = []
    for ev in cal.walk('VEVENT'):
        start = ev.decoded('DTSTART')
        events.append({
            'uid': str(ev['UID']),
            'start': start.isoformat(),
            'allday': not isinstance(start, datetime.datetime),
            'end': ev.decoded('DTEND').isoformat() if 'DTEND' in ev else '',
            'summary': str(ev.get('SUMMARY', '')),
            'description': str(ev['DESCRIPTION']) if 'DESCRIPTION' in ev else None,
            'transp': str(ev.get('TRANSP', '')),
            'stamp': ev.decoded('DTSTAMP').strftime('%Y%m%dT%H%M%SZ'),
        })
    out.append({'calname': str(cal.get('X-WR-CALNAME', '')), 'version': str(cal.get('VERSION', '')),
                'prodid': str(cal.get('PRODID', '')), 'events': events})
print(json.dumps(out))
)PY";

// The first Python that has the package: the one on PATH may be another installation
// than the system's, where the Debian package lives.
QString findReader()
{
    for (const QString& python : {QStringLiteral("python3"), QStringLiteral("/usr/bin/python3")}) {
        QProcess p;
        p.start(python, {QStringLiteral("-c"), QStringLiteral("import icalendar")});
        if (p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
            return python;
    }
    return {};
}

QString python;

QJsonArray parse(const QStringList& files)
{
    QProcess p;
    p.start(python, QStringList{QStringLiteral("-c"), QString::fromUtf8(kReader)} + files);
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        qWarning("%s", p.readAllStandardError().constData());
        return {};
    }
    return QJsonDocument::fromJson(p.readAllStandardOutput()).array();
}

void addEntry(TPerson& p, int y, int m, int d, int dienst, double extra = 0)
{
    TEintrag* e = p.eintraege.Add();
    e->datum = EncodeDate(y, m, d);
    e->dienst = dienst;
    e->ueberstunden = extra;
}

// Duties: 1 early shift, 2 leave (absence), 3 a name with every character that needs
// escaping.
void fill(TRoster& r)
{
    r.personen.Clear();
    r.dienste.Clear();
    const auto duty = [&](const QString& name, const QString& kuerzel, bool absence) {
        TDienst* d = r.dienste.Add();
        d->name = name;
        d->kuerzel = kuerzel;
        d->abwesend = absence;
        d->stunden = 8;
    };
    duty(QString::fromUtf8("Frühdienst"), QStringLiteral("F"), false);
    duty(QStringLiteral("Urlaub"), QStringLiteral("U"), true);
    duty(QStringLiteral("Nacht; Bereitschaft, Station\\2\nZweite Zeile\r\nDritte"), QStringLiteral("N,1"), false);
    TPerson* anna = r.AddPerson();
    anna->name = QStringLiteral("Anna, Berg; Team\\A");
    anna->persnr = QStringLiteral("17");
    addEntry(*anna, 2024, 2, 29, 1); // before the range
    addEntry(*anna, 2024, 3, 1, 1);
    addEntry(*anna, 2024, 3, 2, 2);
    addEntry(*anna, 2024, 3, 3, 0, 2); // extra hours without duty: no event
    addEntry(*anna, 2024, 3, 4, 7); // no such duty
    addEntry(*anna, 2024, 3, 5, 1, 2.5);
    addEntry(*anna, 2024, 3, 5, 2); // second entry of the day: not shown
    addEntry(*anna, 2024, 3, 31, 3, -1.25);
    addEntry(*anna, 2024, 4, 30, 2);
    addEntry(*anna, 2024, 5, 1, 1); // after the range
}

QString write(const TRoster& r, int person, const TICalRange& range, const QString& path)
{
    const TICalResult res = ExportICalPerson(r, person, range, path);
    return res.ok() ? path : QString();
}

const TICalRange kMarApr{2024, 3, 2024, 4};

#define NEEDS_READER()                                                                                                 \
    if (!reader)                                                                                                       \
    QSKIP("python3-icalendar is missing: this check of the calendar files DID NOT RUN")

} // namespace

class TstICalExport : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    bool reader = false;
    QString path(const QString& name) const { return dir.filePath(name); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        python = findReader();
        reader = !python.isEmpty();
        if (!reader)
            qWarning("python3-icalendar is not installed: the calendar files are NOT checked by an independent "
                     "reader (scripts/setup installs it)");
    }

    void eventsAsAReaderSeesThem()
    {
        NEEDS_READER();
        TRoster r;
        fill(r);
        const QString file = write(r, 0, kMarApr, path(QStringLiteral("anna.ics")));
        QVERIFY(!file.isEmpty());
        const QJsonArray cals = parse({file});
        QCOMPARE(cals.size(), 1);
        const QJsonObject cal = cals[0].toObject();
        QCOMPARE(cal[u"calname"].toString(), r.personen[0].name);
        QCOMPARE(cal[u"version"].toString(), QStringLiteral("2.0"));
        QVERIFY(!cal[u"prodid"].toString().isEmpty());

        struct Expected {
            const char* start;
            const char* end;
            QString summary;
            QVariant description; // null: none
            const char* transp;
        };
        const QString nacht = QString(r.dienste[2].name).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        const std::vector<Expected> expected{
            {"2024-03-01", "2024-03-02", QString::fromUtf8("Frühdienst (F)"), {}, "OPAQUE"},
            {"2024-03-02", "2024-03-03", QStringLiteral("Urlaub (U)"), {}, "TRANSPARENT"},
            {"2024-03-05", "2024-03-06", QString::fromUtf8("Frühdienst (F)"), QString::fromUtf8("Überstunden: 2,5"),
                "OPAQUE"},
            {"2024-03-31", "2024-04-01", nacht + QStringLiteral(" (N,1)"), QString::fromUtf8("Überstunden: -1,25"),
                "OPAQUE"},
            {"2024-04-30", "2024-05-01", QStringLiteral("Urlaub (U)"), {}, "TRANSPARENT"},
        };
        const QJsonArray events = cal[u"events"].toArray();
        QCOMPARE(events.size(), qsizetype(expected.size()));
        const QString stamp = Clock::now().toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
        QSet<QString> uids;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const QJsonObject ev = events[qsizetype(i)].toObject();
            const Expected& x = expected[i];
            QCOMPARE(ev[u"start"].toString(), QLatin1String(x.start));
            QVERIFY(ev[u"allday"].toBool());
            QCOMPARE(ev[u"end"].toString(), QLatin1String(x.end));
            QCOMPARE(ev[u"summary"].toString(), x.summary);
            QCOMPARE(ev[u"description"].isNull(), x.description.isNull());
            QCOMPARE(ev[u"description"].toString(), x.description.toString());
            QCOMPARE(ev[u"transp"].toString(), QLatin1String(x.transp));
            QCOMPARE(ev[u"stamp"].toString(), stamp);
            QVERIFY(ev[u"uid"].toString().endsWith(QStringLiteral("@quorvex.example")));
            uids.insert(ev[u"uid"].toString());
        }
        QCOMPARE(uids.size(), qsizetype(expected.size()));
    }

    // A later export after one day's duty changed and another duty was renamed: every day
    // keeps its UID (a client updates the event), with the new summary and a higher
    // SEQUENCE; no METHOD line.
    void uidsIdentifyPersonAndDayOnly()
    {
        NEEDS_READER();
        TRoster r;
        fill(r);
        const QString first = write(r, 0, kMarApr, path(QStringLiteral("u1.ics")));
        Clock::setFixed(testsupport::fixedNow().addDays(3));
        r.personen[0].eintraege[1].dienst = 3; // 1 March: early shift → night shift
        r.dienste[1].name = QStringLiteral("Ferien"); // the holiday duty renamed
        const QString second = write(r, 0, kMarApr, path(QStringLiteral("u2.ics")));
        Clock::setFixed(testsupport::fixedNow());
        const QJsonArray cals = parse({first, second});
        QCOMPARE(cals.size(), 2);
        const auto field = [&](int k, const char16_t* name) {
            QStringList values;
            for (const QJsonValue& ev : cals[k].toObject()[u"events"].toArray())
                values << ev.toObject()[name].toString();
            return values;
        };
        QCOMPARE(field(1, u"uid"), field(0, u"uid"));
        const QStringList before = field(0, u"summary"), after = field(1, u"summary");
        QCOMPARE(after.size(), before.size());
        QVERIFY(after[0] != before[0]);
        QCOMPARE(after[1], QStringLiteral("Ferien (U)"));
        const auto readFile = [](const QString& file) {
            QFile f(file);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        for (const QString& file : {first, second}) {
            const QByteArray raw = readFile(file);
            QVERIFY(!raw.contains("METHOD:"));
            QVERIFY(raw.contains("LAST-MODIFIED:"));
        }
        const auto sequence = [](const QByteArray& raw) {
            const qsizetype at = raw.indexOf("SEQUENCE:") + 9;
            return raw.mid(at, raw.indexOf('\r', at) - at).toLongLong();
        };
        QVERIFY(sequence(readFile(second)) > sequence(readFile(first)));

        // Another person on the same day gets another UID.
        TPerson* other = r.AddPerson();
        other->name = r.personen[0].name;
        other->persnr = QStringLiteral("18");
        QVERIFY(ICalUid(*other, 2024, 3, 2) != ICalUid(r.personen[0], 2024, 3, 2));
    }

    void longWindows1252NameIsFoldedAndUnfoldsToTheOriginal()
    {
        NEEDS_READER();
        TRoster r;
        fill(r);
        // As the person file stores it: 8-bit text, umlauts and ß in the upper half.
        QByteArray ansi;
        for (int i = 0; i < 12; ++i)
            ansi += "J\xFCrgen \xC4\xD6\xDC\xE4\xF6\xFC\xDF-M\xFCller ";
        const QString name = FromAnsi(ansi).trimmed();
        QVERIFY(name.contains(QChar(0xDF)));
        r.personen[0].name = name;
        r.dienste[0].name = name; // a folded SUMMARY too
        const QString file = write(r, 0, kMarApr, path(QStringLiteral("long.ics")));
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray raw = f.readAll();
        QVERIFY(raw.endsWith("\r\n"));
        QVERIFY(!raw.contains("\r\r"));
        int folded = 0;
        for (const QByteArray& line : raw.chopped(1).split('\n')) {
            QVERIFY2(line.endsWith('\r'), line.constData()); // every line ends with CR LF
            const QByteArray content = line.chopped(1);
            QVERIFY2(content.size() <= 75, content.constData());
            // Each physical line is valid UTF-8 on its own: no sequence was cut.
            QVERIFY(!QString::fromUtf8(content).contains(QChar::ReplacementCharacter));
            folded += content.startsWith(' ');
        }
        QVERIFY(folded >= 8);
        const QJsonObject cal = parse({file}).at(0).toObject();
        QCOMPARE(cal[u"calname"].toString(), name);
        QCOMPARE(cal[u"events"][0][u"summary"].toString(), name + QStringLiteral(" (F)"));
    }

    void lastDaysOfTheYearAndOfTheCalendar()
    {
        NEEDS_READER();
        TRoster r;
        fill(r);
        TPerson& p = r.personen[0];
        addEntry(p, 2024, 12, 31, 1);
        addEntry(p, 9999, 12, 31, 2);
        const QString a = write(r, 0, {2024, 12, 2024, 12}, path(QStringLiteral("silvester.ics")));
        const QString b = write(r, 0, {9999, 12, 9999, 12}, path(QStringLiteral("last.ics")));
        const QJsonArray cals = parse({a, b});
        QCOMPARE(cals.size(), 2);
        const QJsonObject silvester = cals[0].toObject()[u"events"][0].toObject();
        QCOMPARE(silvester[u"start"].toString(), QStringLiteral("2024-12-31"));
        QCOMPARE(silvester[u"end"].toString(), QStringLiteral("2025-01-01"));
        // No five-digit year: the event has no end and so lasts its one day.
        const QJsonObject last = cals[1].toObject()[u"events"][0].toObject();
        QCOMPARE(last[u"start"].toString(), QStringLiteral("9999-12-31"));
        QCOMPARE(last[u"end"].toString(), QString());
    }

    void buildingBlocks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("escaped");
        QTest::newRow("plain") << QString::fromUtf8("Frühdienst") << QString::fromUtf8("Frühdienst");
        QTest::newRow("specials") << QStringLiteral("a\\b;c,d") << QStringLiteral("a\\\\b\\;c\\,d");
        QTest::newRow("line breaks") << QStringLiteral("1\n2\r\n3\r4") << QStringLiteral("1\\n2\\n3\\n4");
        QTest::newRow("controls dropped") << QStringLiteral("a\x01\tb\x7F") << QStringLiteral("a\tb");
    }
    void buildingBlocks()
    {
        QFETCH(QString, text);
        QFETCH(QString, escaped);
        QCOMPARE(EscapeICalText(text), escaped);
    }

    void foldingAtTheOctetLimit()
    {
        // 74 ASCII octets then "ü" (2 octets): the sequence moves whole to the next line.
        const QByteArray line = QByteArray(74, 'x') + QString::fromUtf8("ü").toUtf8() + "y";
        QCOMPARE(FoldICalLine(line), QByteArray(74, 'x') + "\r\n " + QString::fromUtf8("üy").toUtf8() + "\r\n");
        QCOMPARE(FoldICalLine(QByteArray(75, 'x')), QByteArray(75, 'x') + "\r\n");
        QCOMPARE(FoldICalLine(QByteArray(76, 'x')), QByteArray(75, 'x') + "\r\n x\r\n");
    }

    void fileNames()
    {
        const QStringList names{QString::fromUtf8("Müller"), QString::fromUtf8("MÜLLER"), QString::fromUtf8("Müller"),
            QStringLiteral("a/b:c*?"), QString(), QStringLiteral(" .. "), QStringLiteral("con"),
            QStringLiteral("Zeile\nzwei"), QString(100, QLatin1Char('x'))};
        const QStringList expected{QString::fromUtf8("Müller.ics"), QString::fromUtf8("MÜLLER (2).ics"),
            QString::fromUtf8("Müller (3).ics"), QStringLiteral("a_b_c__.ics"), QStringLiteral("Mitarbeiter.ics"),
            QStringLiteral("Mitarbeiter (2).ics"), QStringLiteral("_con.ics"), QStringLiteral("Zeile_zwei.ics"),
            QString(80, QLatin1Char('x')) + QStringLiteral(".ics")};
        QCOMPARE(ICalFileNames(names), expected);
    }

    void exportOfAllWritesOneFilePerActivePerson()
    {
        NEEDS_READER();
        TRoster r;
        fill(r);
        TPerson* gone = r.AddPerson(); // left before the range: no file
        gone->name = QStringLiteral("Gone");
        gone->istentlassen = true;
        gone->entlassen = EncodeDate(2023, 12, 31);
        TPerson* twin = r.AddPerson(); // same name as Anna
        twin->name = r.personen[0].name;
        addEntry(*twin, 2024, 4, 2, 1);
        const QString folder = path(QStringLiteral("all/sub"));
        const TICalResult res = ExportICalAll(r, kMarApr, folder);
        QVERIFY(res.ok());
        QCOMPARE(res.written.size(), 2);
        QCOMPARE(res.events, 6);
        QCOMPARE(QDir(folder).entryList(QDir::Files),
            (QStringList{QStringLiteral("Anna, Berg; Team_A (2).ics"), QStringLiteral("Anna, Berg; Team_A.ics")}));
        const QJsonArray cals = parse(res.written);
        QCOMPARE(cals.size(), 2);
        QCOMPARE(cals[1].toObject()[u"events"].toArray().size(), 1);
    }

    // Every file reaches the disk before its name does, and the folder is synced once,
    // after the last rename; a file that cannot be written (here a FIFO of that name)
    // stops the export with the files before it in place and no temporary file left.
    void allFilesSyncedBeforeTheirRenameAndTheFolderOnce()
    {
        struct TRecorder : TFsOps {
            QStringList ops;
            QMap<int, QString> names;
            int open(const char* path, int flags, mode_t mode) override
            {
                const int fd = TFsOps::open(path, flags, mode);
                names[fd] = QFile::decodeName(path);
                return fd;
            }
            int fsync(int fd) override
            {
                ops << QStringLiteral("sync ") + names.value(fd);
                return TFsOps::fsync(fd);
            }
            int rename(const char* from, const char* to) override
            {
                ops << QStringLiteral("rename ") + QFile::decodeName(from);
                return TFsOps::rename(from, to);
            }
            int fsyncFolder(const char* folder) override
            {
                ops << QStringLiteral("folder");
                return TFsOps::fsyncFolder(folder);
            }
        } recorder;
        TRoster r;
        fill(r);
        TPerson* twin = r.AddPerson();
        twin->name = QStringLiteral("Zoe");
        addEntry(*twin, 2024, 4, 2, 1);
        const QString folder = path(QStringLiteral("synced"));
        SetFs(&recorder);
        const TICalResult res = ExportICalAll(r, kMarApr, folder);
        SetFs(nullptr);
        QVERIFY(res.ok());
        QCOMPARE(res.written.size(), 2);
        QCOMPARE(recorder.ops.count(QStringLiteral("folder")), 1);
        QCOMPARE(recorder.ops.last(), QStringLiteral("folder"));
        int renames = 0;
        for (qsizetype i = 0; i < recorder.ops.size(); ++i) {
            if (!recorder.ops[i].startsWith(QLatin1String("rename ")))
                continue;
            ++renames;
            const QString synced = QStringLiteral("sync ") + recorder.ops[i].mid(7);
            QVERIFY2(recorder.ops.indexOf(synced) >= 0 && recorder.ops.indexOf(synced) < i, qPrintable(synced));
        }
        QCOMPARE(renames, 2);

        // The second name is a FIFO now: the first file is replaced, the export stops.
        const QString fifo = folder + QStringLiteral("/Zoe.ics");
        QVERIFY(QFile::remove(fifo));
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        const TICalResult stopped = ExportICalAll(r, kMarApr, folder);
        QCOMPARE(stopped.status, TICalStatus::WriteFailed);
        QCOMPARE(stopped.failedPath, fifo);
        QCOMPARE(stopped.written.size(), 1);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 2);
    }

    void failuresWriteNothing()
    {
        TRoster r;
        fill(r);
        QTemporaryDir dir;
        const auto path = [&](const QString& name) { return dir.filePath(name); };
        const QString target = path(QStringLiteral("keep.ics"));
        QFile keep(target);
        QVERIFY(keep.open(QIODevice::WriteOnly));
        keep.write("old");
        keep.close();

        QCOMPARE(ExportICalPerson(r, 0, {2024, 5, 2024, 4}, target).status, TICalStatus::InvalidRange);
        QCOMPARE(ExportICalPerson(r, 0, {2024, 13, 2024, 14}, target).status, TICalStatus::InvalidRange);
        QCOMPARE(ExportICalPerson(r, 0, {1900, 1, 2024, 4}, target).status, TICalStatus::InvalidRange);
        QCOMPARE(ExportICalPerson(r, 5, kMarApr, target).status, TICalStatus::NoSuchPerson);
        QCOMPARE(ExportICalAll(r, {2024, 5, 2024, 4}, path(QStringLiteral("none"))).status, TICalStatus::InvalidRange);
        QVERIFY(!QFileInfo::exists(path(QStringLiteral("none"))));

        // A folder where a file is expected, and a file where a folder is expected.
        const TICalResult onFolder = ExportICalPerson(r, 0, kMarApr, dir.path());
        QCOMPARE(onFolder.status, TICalStatus::WriteFailed);
        QCOMPARE(onFolder.failedPath, dir.path());
        const TICalResult underFile = ExportICalAll(r, kMarApr, target + QStringLiteral("/sub"));
        QCOMPARE(underFile.status, TICalStatus::WriteFailed);
        QVERIFY(underFile.written.isEmpty());
        QVERIFY(keep.open(QIODevice::ReadOnly));
        QCOMPARE(keep.readAll(), QByteArray("old"));
        keep.close();
        const QStringList onlyKeep{QStringLiteral("keep.ics")};
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), onlyKeep);

        // A good export replaces the old file and leaves no new file beside it.
        QVERIFY(ExportICalPerson(r, 0, kMarApr, target).ok());
        QVERIFY(keep.open(QIODevice::ReadOnly));
        QVERIFY(keep.readAll().startsWith("BEGIN:VCALENDAR\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), onlyKeep);
    }
};

ROSTELMARK_TEST_MAIN(TstICalExport)
#include "tst_icalexport.moc"
