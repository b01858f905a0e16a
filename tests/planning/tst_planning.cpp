#include "check.h"
#include "core/canvas.h"
#include "core/roster.h"
#include "output/pdfexport.h"
#include "planner/monthgrid.h"
#include "planning/plancheck.h"
#include "planning/planrules.h"
#include "planning/rotation.h"
#include "storage/datastore.h"
#include "storage/undomanager.h"
#include "rosterrows.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QThread>

namespace {

QStringList describe(const TCheckResult& res, const TRoster& r)
{
    QStringList out;
    for (const TFinding& f : res.findings) {
        QString who = f.person >= 0 ? QString::number(f.person) : r.dienste[f.duty].kuerzel;
        out << QStringLiteral("%1:%2:%3").arg(QLatin1String(FindingKindKey(f.kind))).arg(f.day).arg(who);
    }
    return out;
}

TPlanRules fullRules()
{
    TPlanRules r;
    TStaffTarget t;
    t.duty = {QStringLiteral("F"), 2};
    t.min = {2, 2, 2, 2, 2, 1, 1};
    t.max[0] = 3;
    t.holidayMin = 1;
    t.dates.push_back({QDate(2024, 3, 5), 3, 4, {}});
    r.targets.push_back(t);
    r.maxDaysInRow = 5;
    r.minFreeDays = 8;
    r.maxMonthHours = 170.5;
    r.forbidden.push_back({{QStringLiteral("N"), 4}, {QStringLiteral("F"), 2}, {}});
    r.qualifications.push_back({{QStringLiteral("17"), QStringLiteral("Meier")}, {{QStringLiteral("N"), 4}}, {}});
    r.patterns.push_back({QStringLiteral("Wechsel"), ParsePatternSteps(QStringLiteral("F F S S N N - - -")), {}});
    return r;
}

QImage drawPage(TRoster& r, bool coverage, bool printit, bool markers)
{
    QImage image(1123, 794, QImage::Format_RGB32);
    image.fill(Qt::white);
    TCanvas canvas(&image);
    TMonthView view;
    view.year = 2024;
    view.month = 3;
    view.showCoverage = coverage;
    TMonthOverlay overlay;
    overlay.ruleMarkers = markers;
    DrawMonth(canvas, image.width(), image.height(), 96, 96, 100, printit, r, r.settings, view, overlay);
    return image;
}

int countColour(const QImage& image, QRgb colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            n += (line[x] & 0xFFFFFF) == (colour & 0xFFFFFF) ? 1 : 0;
    }
    return n;
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class FakeUi : public TStoreUi {
public:
    QStringList errors;
    int asked = 0;
    TLockAnswer AskLockMessage(const QString&) override
    {
        ++asked;
        return TLockAnswer::Cancel;
    }
    void ShowError(const QString& text) override { errors << text; }
    void ListPersons() override {}
    void ListDienste() override {}
    void LanguageRead(int) override {}
};

struct Copy {
    TRoster roster;
    FakeUi ui;
    TDataStore store{roster, ui};
    explicit Copy(const QString& folder) { store.progpath = folder + QLatin1Char('/'); }
};

} // namespace

class TestPlanning : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // ---- the file format ---------------------------------------------------------------

    void roundTripKeepsUnknownKeys()
    {
        TPlanRules rules = fullRules();
        QByteArray bytes = SerializePlanRules(rules);
        // A newer copy added keys at several levels and raised the version.
        QJsonObject root = QJsonDocument::fromJson(bytes).object();
        root.insert(QStringLiteral("version"), 3);
        root.insert(QStringLiteral("future"), QJsonObject{{QStringLiteral("a"), 1}});
        QJsonObject rulesObj = root.value(QStringLiteral("rules")).toObject();
        rulesObj.insert(QStringLiteral("maxWeekendsInRow"), 2);
        root.insert(QStringLiteral("rules"), rulesObj);
        QJsonArray targets = root.value(QStringLiteral("targets")).toArray();
        QJsonObject t0 = targets.at(0).toObject();
        t0.insert(QStringLiteral("skill"), QStringLiteral("Pflege"));
        targets.replace(0, t0);
        root.insert(QStringLiteral("targets"), targets);
        bytes = QJsonDocument(root).toJson();

        TPlanRules read;
        QVERIFY(ParsePlanRules(bytes, read));
        QCOMPARE(read.version, 3);
        QCOMPARE(read.targets.at(0).min, rules.targets.at(0).min);
        QCOMPARE(read.targets.at(0).max[0], 3);
        QCOMPARE(read.targets.at(0).max[1], kNoLimit);
        QCOMPARE(read.targets.at(0).dates.at(0).date, QDate(2024, 3, 5));
        QCOMPARE(read.maxMonthHours, 170.5);
        QCOMPARE(read.patterns.at(0).steps.size(), std::size_t(9));
        const QByteArray again = SerializePlanRules(read);
        TPlanRules reread;
        QVERIFY(ParsePlanRules(again, reread));
        QVERIFY(reread == read);
        QCOMPARE(SerializePlanRules(reread), again); // stable bytes
        const QJsonObject out = QJsonDocument::fromJson(again).object();
        QCOMPARE(out.value(QStringLiteral("version")).toInt(), 3);
        QCOMPARE(out.value(QStringLiteral("future")).toObject().value(QStringLiteral("a")).toInt(), 1);
        QCOMPARE(out.value(QStringLiteral("rules")).toObject().value(QStringLiteral("maxWeekendsInRow")).toInt(), 2);
        QCOMPARE(
            out.value(QStringLiteral("targets")).toArray().at(0).toObject().value(QStringLiteral("skill")).toString(),
            QStringLiteral("Pflege"));
    }

    void damagedFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("ok");
        QTest::newRow("empty object") << QByteArray("{}") << true;
        QTest::newRow("not JSON") << QByteArray("{\"targets\": [") << false;
        QTest::newRow("array") << QByteArray("[]") << false;
        QTest::newRow("binary") << QByteArray("\x00\x01\x02", 3) << false;
        QTest::newRow("other format") << QByteArray("{\"format\": \"x\"}") << false;
        QTest::newRow("targets no list") << QByteArray("{\"targets\": 5}") << false;
        QTest::newRow("target no object") << QByteArray("{\"targets\": [1]}") << false;
        QTest::newRow("count a string") << QByteArray("{\"rules\": {\"maxDaysInRow\": \"7\"}}") << false;
        QTest::newRow("huge count clamped") << QByteArray("{\"rules\": {\"maxDaysInRow\": 1e300}}") << true;
        QTest::newRow("negative clamped")
            << QByteArray("{\"targets\": [{\"duty\": {\"abbr\": \"F\"}, \"min\": [-5]}]}") << true;
    }
    void damagedFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, ok);
        TPlanRules rules = fullRules();
        const TPlanRules before = rules;
        QCOMPARE(ParsePlanRules(bytes, rules), ok);
        if (!ok)
            QVERIFY(rules == before);
        QVERIFY(rules.maxDaysInRow <= kTargetLimit);
        for (const TStaffTarget& t : rules.targets)
            QVERIFY(*std::min_element(t.min.begin(), t.min.end()) >= 0);
    }

    // Rules follow a duty by its abbreviation when it moves; a deleted or renamed duty's
    // rules take no effect and are removed with it.
    void dutyKeys()
    {
        TRoster r;
        addDuties(r);
        QCOMPARE(ResolveDuty(r.dienste, {QStringLiteral("N"), 4}), 3);
        std::swap(r.dienste[1], r.dienste[3]); // N moved to place 2
        QCOMPARE(ResolveDuty(r.dienste, {QStringLiteral("N"), 4}), 1);
        QCOMPARE(ResolveDuty(r.dienste, {QString(), 3}), 2); // no abbreviation: number
        QCOMPARE(ResolveDuty(r.dienste, {QString(), 9}), -1);
        QCOMPARE(ResolveDuty(r.dienste, {QStringLiteral("X"), 1}), -1);

        TPlanRules rules = fullRules();
        const int n = ResolveDuty(r.dienste, {QStringLiteral("N"), 0});
        QCOMPARE(CountDutyRules(rules, r.dienste, n), 2); // succession, qualification
        QCOMPARE(RemoveDutyRules(rules, r.dienste, n), 2);
        QVERIFY(rules.forbidden.empty());
        QVERIFY(rules.qualifications.at(0).notAllowed.empty());
        QCOMPARE(rules.targets.size(), std::size_t(1));
    }

    // ---- the check ----------------------------------------------------------------------

    // March 2024: the 1st is a Friday. Each rule at its limit and one past it.
    void check_data()
    {
        QTest::addColumn<int>("inRow");
        QTest::addColumn<int>("minFree");
        QTest::addColumn<double>("maxHours");
        QTest::addColumn<QString>("extra"); // "N>F" forbidden, "0!N" person 0 not N, "F=min,max" target
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("expected");
        const QString five = QStringLiteral("F F F F F");
        QTest::newRow("exactly the most days in a row")
            << 5 << 0 << 0.0 << QString() << QStringList{five} << QStringList{};
        QTest::newRow("one day more") << 5 << 0 << 0.0 << QString() << QStringList{five + QStringLiteral(" S - F")}
                                      << QStringList{QStringLiteral("daysInRow:6:0")};
        QTest::newRow("run from the previous month")
            << 5 << 0 << 0.0 << QString() << QStringList{QStringLiteral("N N N | F F F")}
            << QStringList{QStringLiteral("daysInRow:3:0")};
        QTest::newRow("absence breaks no run but is no work")
            << 2 << 0 << 0.0 << QString() << QStringList{QStringLiteral("F U F F")} << QStringList{};
        QTest::newRow("forbidden succession")
            << 0 << 0 << 0.0 << QStringLiteral("N>F") << QStringList{QStringLiteral("N | F - N S N - F")}
            << QStringList{QStringLiteral("succession:1:0")};
        QTest::newRow("fewest free days: exactly")
            << 0 << 3 << 0.0 << QString()
            << QStringList{QStringLiteral("F F F F F F F F F F F F F F F F F F F F F F F F F F F F - - -")}
            << QStringList{};
        QTest::newRow("fewest free days: an absence is free")
            << 0 << 3 << 0.0 << QString()
            << QStringList{QStringLiteral("F F F F F F F F F F F F F F F F F F F F F F F F F F F F U - -")}
            << QStringList{};
        QTest::newRow("fewest free days: broken")
            << 0 << 4 << 0.0 << QString()
            << QStringList{QStringLiteral("F F F F F F F F F F F F F F F F F F F F F F F F F F F F - - -")}
            << QStringList{QStringLiteral("freeDays:0:0")};
        QTest::newRow("most hours: exactly, one more")
            << 0 << 0 << 26.0 << QString() << QStringList{QStringLiteral("F F N"), QStringLiteral("F F N F")}
            << QStringList{QStringLiteral("hours:0:1")};
        QTest::newRow("qualification") << 0 << 0 << 0.0 << QStringLiteral("0!N")
                                       << QStringList{QStringLiteral("F N"), QStringLiteral("N")}
                                       << QStringList{QStringLiteral("notQualified:2:0")};
        // Friday 1, Saturday 2: minimum 1 every day, at most 1.
        QTest::newRow("coverage") << 0 << 0 << 0.0 << QStringLiteral("F=1,1")
                                  << QStringList{QStringLiteral("F F - F") + QStringLiteral(" F").repeated(27),
                                         QStringLiteral("F")}
                                  << QStringList{QStringLiteral("excess:1:F"), QStringLiteral("shortfall:3:F")};
    }
    void check()
    {
        QFETCH(int, inRow);
        QFETCH(int, minFree);
        QFETCH(double, maxHours);
        QFETCH(QString, extra);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, expected);
        TRoster r;
        makeRoster(r, rows, 2024, 3);
        r.regeln.maxDaysInRow = inRow;
        r.regeln.minFreeDays = minFree;
        r.regeln.maxMonthHours = maxHours;
        if (extra.contains(QLatin1Char('>')))
            r.regeln.forbidden.push_back(
                {{extra.section(QLatin1Char('>'), 0, 0), 0}, {extra.section(QLatin1Char('>'), 1), 0}, {}});
        if (extra.contains(QLatin1Char('!'))) {
            const TPerson& p = r.personen[extra.section(QLatin1Char('!'), 0, 0).toInt()];
            r.regeln.qualifications.push_back({PersonKeyOf(p), {{extra.section(QLatin1Char('!'), 1), 0}}, {}});
        }
        if (extra.contains(QLatin1Char('='))) {
            TStaffTarget t;
            t.duty.abbr = extra.section(QLatin1Char('='), 0, 0);
            const QStringList lim = extra.section(QLatin1Char('='), 1).split(QLatin1Char(','));
            t.min.fill(lim[0].toInt());
            t.max.fill(lim[1].toInt());
            r.regeln.targets.push_back(t);
        }
        const TCheckResult res = CheckMonth(r, 2024, 3);
        QCOMPARE(describe(res, r), expected);
        QCOMPARE(res.Clean(), expected.isEmpty());
    }

    // Markers, coverage numbers and the texts of a finding.
    void markersAndTexts()
    {
        TRoster r;
        makeRoster(r, {QStringLiteral("N F F F"), QStringLiteral("- F")}, 2024, 3);
        r.regeln.maxDaysInRow = 3;
        r.regeln.forbidden.push_back({{QStringLiteral("N"), 0}, {QStringLiteral("F"), 0}, {}});
        TStaffTarget t;
        t.duty.abbr = QStringLiteral("F");
        t.min.fill(1);
        t.holidayMin = 0;
        r.regeln.targets.push_back(t);
        const TCheckResult res = CheckMonth(r, 2024, 3);
        QCOMPARE(res.coverage.size(), std::size_t(1));
        QCOMPARE(res.coverage[0].count[1], 2);
        QCOMPARE(res.coverage[0].min[0], 1);
        QVERIFY(!res.Broken(0, 1, 31));
        QVERIFY(res.Broken(0, 2, 31)); // N then F
        QVERIFY(!res.Broken(0, 3, 31));
        QVERIFY(res.Broken(0, 4, 31)); // fourth day in a row
        QVERIFY(!res.Broken(1, 2, 31));
        QVERIFY(!res.Broken(5, 40, 31)); // out of range reads as false
        const TFindingText text = FindingText(res.findings.at(0), r, 2024, 3);
        QCOMPARE(text.day, QStringLiteral("01.03.2024"));
        QCOMPARE(text.subject, QStringLiteral("F"));
        QCOMPARE(text.rule, QStringLiteral("Unterbesetzt"));
        QCOMPARE(text.numbers, QStringLiteral("0 von mindestens 1"));
    }

    // An entry naming a duty outside the list counts as no duty.
    void dutyOutsideList()
    {
        TRoster r;
        makeRoster(r, {QStringLiteral("F")}, 2024, 3);
        r.personen[0].eintraege[0].dienst = 99;
        r.regeln.maxDaysInRow = 1;
        r.regeln.maxMonthHours = 1;
        QVERIFY(CheckMonth(r, 2024, 3).Clean());
    }

    // Coverage rows appear only behind the switch; markers only on screen. Without the
    // switch a printed page is the page of a roster without rules.
    void gridCoverageAndMarkers()
    {
        TRoster r;
        makeRoster(r, {QStringLiteral("N F F"), QStringLiteral("F F F"), QStringLiteral("F - F")}, 2024, 3);
        for (TDienst& d : r.dienste)
            d.farbe = 0xFFFFFF; // white cells: every red or orange pixel is ours
        const QImage plain = drawPage(r, false, true, false);
        r.regeln.forbidden.push_back({{QStringLiteral("N"), 0}, {QStringLiteral("F"), 0}, {}});
        TStaffTarget t;
        t.duty.abbr = QStringLiteral("F");
        t.min.fill(2);
        t.max.fill(2);
        r.regeln.targets.push_back(t);
        const QRgb red = qRgb(255, 0, 0), orange = qRgb(255, 165, 0);
        QCOMPARE(drawPage(r, false, true, true), plain); // printed: no markers
        const QImage screen = drawPage(r, false, false, true);
        QVERIFY(countColour(screen, red) > 0); // the marker of N → F
        QCOMPARE(countColour(drawPage(r, false, false, false), red), 0);
        const QImage covered = drawPage(r, true, true, false);
        QVERIFY(countColour(covered, orange) > 0); // day 3: three F
        QVERIFY(countColour(covered, red) > 0); // days 4 …: nobody
        if (qEnvironmentVariableIsSet("ROSTELMARK_LOOK_DIR")) {
            const QString dir = qEnvironmentVariable("ROSTELMARK_LOOK_DIR");
            drawPage(r, true, false, true).save(dir + QStringLiteral("/coverage.png"));
            TMonthView view;
            view.year = 2024;
            view.month = 3;
            view.showCoverage = true;
            QVERIFY(
                ExportMonthPdf(dir + QStringLiteral("/coverage.pdf"), {7016, 4960, 600}, r, r.settings, view, 1).ok());
        }
    }

    // The tool's text and JSON: "ok" for a clean month, one line per finding otherwise.
    void toolOutput()
    {
        TRoster r;
        makeRoster(r, {QStringLiteral("N F")}, 2024, 3);
        QByteArray out;
        QVERIFY(CheckMonthOutput(r, 2024, 3, false, out));
        QCOMPARE(out, QByteArray("ok\n"));
        r.regeln.forbidden.push_back({{QStringLiteral("N"), 0}, {QStringLiteral("F"), 0}, {}});
        QVERIFY(!CheckMonthOutput(r, 2024, 3, false, out));
        QCOMPARE(out.count('\n'), 1);
        QVERIFY(out.contains("P0\tVerbotene Folge\tN"));
        QVERIFY(!CheckMonthOutput(r, 2024, 3, true, out));
        const QJsonObject o = QJsonDocument::fromJson(out).object();
        QCOMPARE(o.value(QStringLiteral("clean")).toBool(), false);
        const QJsonObject f = o.value(QStringLiteral("findings")).toArray().at(0).toObject();
        QCOMPARE(f.value(QStringLiteral("kind")).toString(), QStringLiteral("succession"));
        QCOMPARE(f.value(QStringLiteral("day")).toInt(), 2);
        QCOMPARE(f.value(QStringLiteral("nextDuty")).toString(), QStringLiteral("F"));
    }

    // ---- patterns -------------------------------------------------------------------

    // Offsets over the month's end; absences stay; one undo step restores the file byte
    // for byte.
    void patternOverMonthEnd()
    {
        QTemporaryDir dir;
        Copy a(dir.path());
        makeRoster(a.roster,
            {QStringLiteral("- - - - - - - - - - - - - - - - - - - - - - - - - - - - - S S"),
                QStringLiteral("- - - - - - - - - - - - - - - - - - - - - - - - - - - - - - U")},
            2024, 3);
        TPerson& second = a.roster.personen[1];
        TEintrag* u = second.eintraege.Add(); // an absence in April
        u->datum = EncodeDate(2024, 4, 2);
        u->dienst = 1;
        QVERIFY(a.store.savePersons());
        const QByteArray before = fileBytes(a.store.personFile());

        TUndoManager undo(a.roster, a.store);
        TPattern pat{QStringLiteral("W"), ParsePatternSteps(QStringLiteral("F F S S N N - - -")), {}};
        TPatternRun run;
        run.persons = {0, 1};
        run.offsets = {0, 2};
        run.start = QDate(2024, 3, 28);
        run.days = 8;
        {
            QVERIFY(a.store.canwritenowpersonen());
            TUndoRecorder rec(&undo.history, a.roster, TUndoKind::Pattern);
            const TPatternResult res = ApplyPattern(a.roster, pat, run);
            QVERIFY(res.error.isEmpty());
            QVERIFY(res.changed > 0);
            QVERIFY(a.store.savePersons());
            a.store.EndWriteMowpersonen();
            QVERIFY(rec.Commit(a.roster));
        }
        auto row = [&](int p) {
            QStringList out;
            for (int i = 0; i < 9; ++i) {
                const QDate d = QDate(2024, 3, 28).addDays(i);
                const int e = TRoster::EintragIndexOfDay(a.roster.personen[p], d.year(), d.month(), d.day());
                out << (e < 0 ? QStringLiteral("-")
                              : a.roster.dienste[a.roster.personen[p].eintraege[e].dienst - 1].kuerzel);
            }
            return out.join(QLatin1Char(' '));
        };
        // Row 0 from step 1; row 1 two days later (starts with the pattern's last free
        // days), keeping U on 31 March and 2 April; 5 April is past the 8 days.
        QCOMPARE(row(0), QStringLiteral("F F S S N N - - -"));
        QCOMPARE(row(1), QStringLiteral("- - F U S U N N -"));
        QCOMPARE(undo.history.UndoCount(), 1);
        QVERIFY(undo.Undo());
        QCOMPARE(fileBytes(a.store.personFile()), before);

        pat.steps = {QStringLiteral("X")};
        QVERIFY(!ApplyPattern(a.roster, pat, run).error.isEmpty());
        QCOMPARE(fileBytes(a.store.personFile()), before);
    }

    // ---- the rules file in the data folder -----------------------------------------

    void storeRoundTripLockPollSlot()
    {
        QTemporaryDir dir;
        Copy a(dir.path()), b(dir.path());
        // No rules: no file, also not at the end.
        QCOMPARE(a.store.loadRegeln(), TLoadResult::Missing);
        a.store.SaveAllAtEnd();
        QVERIFY(!QFile::exists(a.store.rulesFile()));

        a.roster.regeln = fullRules();
        QVERIFY(a.store.canwritenowregeln());
        QVERIFY(QFile::exists(a.store.rulesLockFile()));
        QVERIFY(!b.store.canwritenowregeln()); // message 30, answered Cancel
        QCOMPARE(b.ui.asked, 1);
        QVERIFY(a.store.saveRegeln());
        a.store.EndWriteMowregeln();
        QVERIFY(!QFile::exists(a.store.rulesLockFile()));
        QCOMPARE(fileBytes(a.store.rulesFile()), SerializePlanRules(fullRules()));

        // The poll brings the rules in; a later change is seen by the lock check.
        b.store.Timer1Timer();
        QVERIFY(b.roster.regeln == fullRules());
        QThread::msleep(20);
        a.roster.regeln.maxDaysInRow = 9;
        QVERIFY(a.store.SaveRegelnLocked());
        QVERIFY(!b.store.canwritenowregeln());
        QCOMPARE(b.roster.regeln.maxDaysInRow, 9);

        // Each slot has its own rules file.
        std::array<bool, kLagerCount> ticked{};
        ticked[1] = true;
        b.store.ChangeTheLager(ticked);
        QVERIFY(b.roster.regeln.Empty());
        QCOMPARE(b.store.rulesFile(), dir.path() + QStringLiteral("/regeln2.dat"));
        ticked = {};
        ticked[0] = true;
        b.store.ChangeTheLager(ticked);
        QCOMPARE(b.roster.regeln.maxDaysInRow, 9);
        QVERIFY(!QFile::exists(dir.path() + QStringLiteral("/regeln2.dat")));
    }

    // A damaged rules file is reported, the rules in memory stay, and it is never
    // overwritten until it reads again.
    void damagedRulesFileKept()
    {
        QTemporaryDir dir;
        Copy a(dir.path());
        a.roster.regeln = fullRules();
        {
            QFile f(a.store.rulesFile());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("{\"targets\": [");
        }
        QCOMPARE(a.store.loadRegeln(), TLoadResult::Damaged);
        QCOMPARE(a.ui.errors.size(), 1);
        QVERIFY(a.roster.regeln == fullRules());
        QVERIFY(a.store.regelnUnreadable());
        QVERIFY(!a.store.SaveRegelnLocked());
        QVERIFY(!a.store.SaveRegelnLocked());
        QCOMPARE(a.ui.errors.size(), 3); // told once per operation that it is kept
        QCOMPARE(fileBytes(a.store.rulesFile()), QByteArray("{\"targets\": ["));
        a.store.Timer1Timer(); // same time: not read again
        QCOMPARE(a.ui.errors.size(), 3);
    }

    // Undo of a rules edit writes the old rules file back.
    void rulesUndo()
    {
        QTemporaryDir dir;
        Copy a(dir.path());
        a.roster.regeln = fullRules();
        QVERIFY(a.store.SaveRegelnLocked());
        const QByteArray before = fileBytes(a.store.rulesFile());
        TUndoManager undo(a.roster, a.store);
        {
            TUndoRecorder rec(&undo.history, a.roster, TUndoKind::Rules);
            a.roster.regeln.minFreeDays = 2;
            QVERIFY(a.store.SaveRegelnLocked());
            QVERIFY(rec.Commit(a.roster));
        }
        QVERIFY(undo.Undo());
        QCOMPARE(fileBytes(a.store.rulesFile()), before);
        QVERIFY(undo.Redo());
        QCOMPARE(a.roster.regeln.minFreeDays, 2);
    }
};

ROSTELMARK_TEST_MAIN(TestPlanning)
#include "tst_planning.moc"
