// rostelmark-cli run as a process on data folders that the program's own save code wrote,
// checked against the roster in memory and against what the desktop window shows and
// exports after its start.
#include "app/formstorage.h"
#include "app/mainform.h"
#include "calendar/feiertage.h"
#include "i18n/translate.h"
#include "output/icalexport.h"
#include "output/statistikpage.h"
#include "planner/monatsplanerpage.h"
#include "planner/sampleroster.h"
#include "planning/planrules.h"
#include "storage/datastore.h"
#include "testsupport.h"
#include "views/jahresansichtpage.h"
#include "views/tagesanwesenheitpage.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QSpinBox>
#include <QTextEdit>

#include <cmath>
#include <cstring>
#include <functional>

namespace {

// Words of `text` (split at blanks) as a list.
QStringList sl(const char* text)
{
    return QString::fromUtf8(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

struct TRun {
    int rc = -1;
    QByteArray out;
    QByteArray err;
};

// The tool with the test's private per-user folders and a German locale.
TRun cli(const QStringList& args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("de_DE.UTF-8"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM")); // the tool chooses its platform itself
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(ROSTELMARK_CLI), args);
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
        p.readAllStandardError()};
}

class TQuietUi : public TStoreUi {
public:
    TLockAnswer AskLockMessage(const QString&) override { return TLockAnswer::No; }
    void ShowError(const QString& text) override { qWarning("%s", qPrintable(text)); }
    void ListPersons() override {}
    void ListDienste() override {}
    void LanguageRead(int) override {}
};

// Writes the roster into `folder` as the program saves a plan slot.
void saveRoster(TRoster& roster, const QString& folder, int slot = 1)
{
    TQuietUi ui;
    TDataStore store(roster, ui);
    store.progpath = folder + QLatin1Char('/');
    store.SetNewLagerNr(slot);
    QVERIFY(store.savePersons());
    QVERIFY(store.saveDienste());
}

QSettings userStore()
{
    return QSettings(TFormStorage::FileName(), QSettings::IniFormat);
}

QString perUserFolder()
{
    return QDir(qEnvironmentVariable("XDG_DATA_HOME")).filePath(QStringLiteral("Quorvex/Rostelmark 1"));
}

// translate.dat of the per-user folder with the given German → English rows.
void writeTranslations(const QList<QPair<QString, QString>>& rows)
{
    TDynaArray<TTranslationRow> table;
    for (const auto& [de, en] : rows) {
        TTranslationRow* r = table.Add();
        r->spalten[0] = de;
        r->spalten[1] = en;
    }
    QDir().mkpath(perUserFolder());
    QFile f(perUserFolder() + QStringLiteral("/translate.dat"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(WriteTranslationData(table));
}

// Same value, NaN included. (The JSON reader keeps whole numbers as integers, which drops
// the sign of a zero; the text is checked for that separately.)
bool sameDouble(double a, double b)
{
    if (std::isnan(a) || std::isnan(b))
        return std::isnan(a) && std::isnan(b);
    if (a == 0 && b == 0)
        return true;
    return std::memcmp(&a, &b, sizeof a) == 0;
}

double jsonNumber(const QJsonValue& v)
{
    if (v.isString()) {
        const QString s = v.toString();
        return s == QLatin1String("NaN")      ? std::nan("")
            : s == QLatin1String("Infinity")  ? HUGE_VAL
            : s == QLatin1String("-Infinity") ? -HUGE_VAL
                                              : 12345.678; // never a stored value here
    }
    return v.toDouble();
}

#define COMPARE_DOUBLE(actual, expected)                                                                               \
    QVERIFY2(sameDouble(jsonNumber(actual), expected),                                                                 \
        qPrintable(QStringLiteral("%1: %2 != %3")                                                                      \
                       .arg(QLatin1String(#actual))                                                                    \
                       .arg(jsonNumber(actual), 0, 'g', 17)                                                            \
                       .arg(expected, 0, 'g', 17)))

void compareMonthTable(const QJsonObject& json, const TMonatsTabelle& t)
{
    int nonZero = 0;
    for (int y = TMonatsTabelle::kFirstYear; y <= TMonatsTabelle::kLastYear; ++y)
        for (int m = 1; m <= 12; ++m) {
            const double v = t.Get(y, m);
            if (v == 0)
                continue;
            ++nonZero;
            const QString key = QStringLiteral("%1-%2").arg(y).arg(m, 2, 10, QLatin1Char('0'));
            QVERIFY2(json.contains(key), qPrintable(key));
            COMPARE_DOUBLE(json.value(key), v);
        }
    QCOMPARE(json.size(), nonZero);
}

void compareFont(const QJsonValue& v, const TFontRec& f)
{
    const QJsonObject o = v.toObject();
    QCOMPARE(o.value(QStringLiteral("charset")).toInt(), int(f.charset));
    QCOMPARE(o.value(QStringLiteral("color")).toInt(), f.color);
    QCOMPARE(o.value(QStringLiteral("name")).toString(), f.name);
    QCOMPARE(o.value(QStringLiteral("pitch")).toInt(), int(f.pitch));
    QCOMPARE(o.value(QStringLiteral("ppi")).toInt(), f.ppi);
    QCOMPARE(o.value(QStringLiteral("size")).toInt(), f.size);
    QCOMPARE(o.value(QStringLiteral("style")).toInt(), int(f.style));
}

// Rosters with values that are easy to get wrong on the way through a file and JSON.
struct TRosterCase {
    const char* name;
    std::function<void(TRoster&)> fill;
};

const std::vector<TRosterCase>& rosterCases()
{
    static const std::vector<TRosterCase> cases = {
        {"default roster", [](TRoster&) {}},
        {"24 persons, a month of entries", [](TRoster& r) { sample::FillRoster(r, 24, 2024, 3); }},
        {"awkward texts",
            [](TRoster& r) {
                sample::FillRoster(r, 2, 2024, 3);
                r.personen[0].name = QStringLiteral("Meier \"Charly\" \\ / Müller\tÄß");
                r.personen[0].persnr = QStringLiteral("a\nb\rc");
                r.personen[1].abteilung = QString(QChar(1)) + QStringLiteral("€ 1 } ] ,");
                r.dienste[0].name = QStringLiteral("Früh\"dienst\"");
                r.dienste[0].kuerzel = QString();
                r.settings.CaptionEd = QStringLiteral("Plan \"März\" \\n");
                r.settings.Capt2Ed = QString();
                r.settings.FontDialog2.name = QStringLiteral("Font \"X\"");
            }},
        {"awkward numbers",
            [](TRoster& r) {
                sample::FillRoster(r, 3, 2024, 3);
                TPerson& p = r.personen[0];
                p.eingestellt = 0.1;
                p.entlassen = -693593.75; // 1 January 0001, a quarter past six
                p.istentlassen = true;
                p.maxstunden = 1e308;
                p.startueberstunden = -0.0;
                p.soll.Set(2000, 1, 4.9e-324); // the smallest subnormal
                p.soll.Set(2100, 12, 1.0 / 3);
                p.vortrag.Set(2024, 2, -123456.789);
                p.iststunden.Set(2050, 7, 2e-300);
                p.uebertrag.Set(2024, 3, std::nan(""));
                TEintrag* e = p.eintraege.Add();
                e->datum = 45292.999999999993;
                e->dienst = -7;
                e->ueberstunden = HUGE_VAL;
                e = p.eintraege.Add();
                e->datum = 2958465; // 31 December 9999
                e->dienst = 2147483647;
                e->ueberstunden = -HUGE_VAL;
                r.dienste[1].stunden = 7.7;
                r.dienste[2].farbe = 0xFF000005; // a system colour
                r.settings.RandBreitEd = 12.345678901234567;
            }},
        {"settings",
            [](TRoster& r) {
                TPlanSettings& s = r.settings;
                s.TesselColorComboBox1 = 0x00FFFFFF;
                s.TesselColorComboBox2 = 0x80000000;
                s.TesselColorComboBox3 = 0;
                s.FontDialog1.style = TFontRec::Italic | TFontRec::Underline | TFontRec::StrikeOut;
                s.FontDialog1.color = -1;
                s.FontDialog3.pitch = 2;
                s.FontDialog3.ppi = 120;
                s.FontDialog3.size = 300;
                for (int i = 0; i < kFeiertagCount; ++i)
                    s.FeiertageList[i] = i % 3 == 0;
                s.LegendeCheck = false;
                s.ShowSumCheck = false;
                s.ShowAnwCheck = true;
                s.languagesetto = 7;
                s.DoubleRowHeightCheck = false;
                s.AddFreeLinesCheck = true;
                s.SecondLinesareDarkerCheck = true;
                s.RandBreitEd = 0;
            }},
    };
    return cases;
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT

    QTemporaryDir tmp;
    int folders = 0;

    // A fresh, empty folder.
    QString newFolder()
    {
        const QString path = tmp.filePath(QStringLiteral("f%1").arg(++folders));
        QDir().mkpath(path);
        return path;
    }

    // The desktop window started on the current settings store and data, shown once (its
    // first showing translates), with the month planner on (year, month).
    std::unique_ptr<TMainForm> startWindow(int year, int month)
    {
        auto form = std::make_unique<TMainForm>();
        form->CreateDialogs();
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            return nullptr;
        form->MonatsplanerSheet->Year2Ed->setValue(year);
        form->MonatsplanerSheet->Mon2Ed->setValue(month);
        form->MonatsplanerSheet->PaintBox1Paint();
        return form;
    }

    // A data folder with the 24-person (or `persons`) sample roster of February 2024 in `slot` (1 when 0),
    // English texts in translate.dat when `language` is 1, and a settings store holding
    // the folder (when `storedFolder`), the slot (when not 0) and a few per-user values.
    QString prepareDesktop(bool storedFolder, int storedSlot, int language, int persons = 24)
    {
        TRoster roster;
        sample::FillRoster(roster, persons, 2024, 2);
        roster.settings.languagesetto = language;
        roster.settings.RandBreitEd = 7.3456; // the margin field keeps two decimals
        roster.settings.ShowAnwCheck = true;
        const QString folder = newFolder();
        saveRoster(roster, folder, storedSlot ? storedSlot : 1);
        if (language)
            writeTranslations({{QStringLiteral("Rostelmark"), QStringLiteral("Roster plan")},
                {QStringLiteral("Seite"), QStringLiteral("Page")}, {QStringLiteral("von"), QStringLiteral("of")},
                {QStringLiteral("Mo"), QStringLiteral("Mon")}, {QStringLiteral("Ist"), QStringLiteral("Done")},
                {QStringLiteral("Tagesanwesenheit"), QStringLiteral("Attendance")},
                {QStringLiteral("Februar"), QStringLiteral("February")},
                {QStringLiteral("Dienst Statistik"), QStringLiteral("Duty statistics")},
                {QStringLiteral("Überstunden"), QStringLiteral("Overtime")}});
        QSettings ini = userStore();
        ini.beginGroup(QStringLiteral("MainForm"));
        if (storedFolder) {
            ini.setValue(QStringLiteral("UserFolderCheck.Checked"), false);
            ini.setValue(QStringLiteral("UseSpecialFolderCheck.Checked"), true);
            ini.setValue(QStringLiteral("DirectoryEdit1.Text"), folder);
        }
        for (int i = 1; i <= 10 && storedSlot; ++i) {
            const QString item
                = i <= 7 ? QStringLiteral("Rostelmark1%1").arg(i) : QStringLiteral("Rostelmark7%1").arg(i - 7);
            ini.setValue(item + QStringLiteral(".Checked"), i == storedSlot);
        }
        ini.setValue(QStringLiteral("ShowKalenderwocheCheck.Checked"), false);
        ini.setValue(QStringLiteral("StundenSumCheck.Checked"), true);
        ini.setValue(QStringLiteral("CountNoDienstCheck.Checked"), true);
        return folder;
    }

    // The window is told the folder through the settings store (it has no --data).
    static void storeFolder(const QString& folder)
    {
        QSettings ini = userStore();
        ini.setValue(QStringLiteral("MainForm/UserFolderCheck.Checked"), false);
        ini.setValue(QStringLiteral("MainForm/UseSpecialFolderCheck.Checked"), true);
        ini.setValue(QStringLiteral("MainForm/DirectoryEdit1.Text"), folder);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(tmp.isValid());
        // The tool writes today's date into headings; so must the window it is compared with.
        Clock::reset();
    }

    void init()
    {
        QFile::remove(TFormStorage::FileName());
        QFile::remove(perUserFolder() + QStringLiteral("/translate.dat"));
        SetCurrentLanguage(0);
    }

    void helpDescribesEveryOption_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("options");
        QTest::newRow("tool") << QString()
                              << sl("--data --slot --force --help --version dump holidays stats csv pdf ical render propose");
        QTest::newRow("dump") << "dump" << sl("--help");
        QTest::newRow("propose") << "propose" << sl("--month --year --time-limit --apply --format");
        QTest::newRow("holidays") << "holidays" << sl("--year --all");
        QTest::newRow("stats") << "stats" << sl("--month --year");
        QTest::newRow("csv") << "csv" << sl("--month --year -o");
        QTest::newRow("pdf") << "pdf" << sl("--month --year -o --paper --portrait --landscape --dpi");
        QTest::newRow("ical") << "ical"
                              << sl("--employee NAME --all --from --to YYYY-MM -o FILE|DIR|- --output-dir exactly");
        QTest::newRow("render") << "render" << sl("month day year --month --year --day --page --zoom --employee -o");
    }

    void helpDescribesEveryOption()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, options);
        const TRun run = cli(command.isEmpty() ? sl("--help") : QStringList{command, QStringLiteral("--help")});
        QCOMPARE(run.rc, 0);
        const QString text = QString::fromUtf8(run.out);
        for (const QString& o : options)
            QVERIFY2(text.contains(o), qPrintable(o));
    }

    void versionAnswersBeforeAnythingElse()
    {
        // Also with a command and a folder that does not exist: nothing is read.
        for (const QStringList& args : {sl("--version"), sl("-v"), sl("--data /nonexistent dump --version")}) {
            const TRun run = cli(args);
            QCOMPARE(run.rc, 0);
            QCOMPARE(run.out, QByteArray("rostelmark-cli 1.4\n"));
        }
    }

    void dumpRoundTripsEveryField_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(rosterCases().size()); ++i)
            QTest::newRow(rosterCases()[i].name) << i;
    }

    void dumpRoundTripsEveryField()
    {
        QFETCH(int, index);
        TRoster roster;
        rosterCases()[index].fill(roster);
        const QString folder = newFolder();
        saveRoster(roster, folder, 4);

        const TRun run = cli(QStringList{QStringLiteral("--data"), folder} + sl("--slot 4 dump"));
        QCOMPARE(run.rc, 0);
        QVERIFY(run.err.isEmpty());
        QJsonParseError parseError;
        const QJsonObject json = QJsonDocument::fromJson(run.out, &parseError).object();
        QVERIFY2(parseError.error == QJsonParseError::NoError, qPrintable(parseError.errorString()));

        const QJsonArray persons = json.value(QStringLiteral("persons")).toArray();
        QCOMPARE(persons.size(), roster.personen.Count());
        for (int i = 0; i < persons.size(); ++i) {
            const QJsonObject o = persons[i].toObject();
            const TPerson& p = roster.personen[i];
            QCOMPARE(o.value(QStringLiteral("name")).toString(), p.name);
            QCOMPARE(o.value(QStringLiteral("persnr")).toString(), p.persnr);
            QCOMPARE(o.value(QStringLiteral("abteilung")).toString(), p.abteilung);
            COMPARE_DOUBLE(o.value(QStringLiteral("eingestellt")), p.eingestellt);
            COMPARE_DOUBLE(o.value(QStringLiteral("entlassen")), p.entlassen);
            QCOMPARE(o.value(QStringLiteral("istentlassen")).toBool(), p.istentlassen);
            COMPARE_DOUBLE(o.value(QStringLiteral("maxstunden")), p.maxstunden);
            COMPARE_DOUBLE(o.value(QStringLiteral("startueberstunden")), p.startueberstunden);
            const QJsonArray entries = o.value(QStringLiteral("entries")).toArray();
            QCOMPARE(entries.size(), p.eintraege.Count());
            for (int k = 0; k < entries.size(); ++k) {
                const QJsonObject e = entries[k].toObject();
                COMPARE_DOUBLE(e.value(QStringLiteral("datum")), p.eintraege[k].datum);
                QCOMPARE(e.value(QStringLiteral("dienst")).toInteger(), qint64(p.eintraege[k].dienst));
                COMPARE_DOUBLE(e.value(QStringLiteral("ueberstunden")), p.eintraege[k].ueberstunden);
            }
            compareMonthTable(o.value(QStringLiteral("soll")).toObject(), p.soll);
            compareMonthTable(o.value(QStringLiteral("vortrag")).toObject(), p.vortrag);
            compareMonthTable(o.value(QStringLiteral("iststunden")).toObject(), p.iststunden);
            compareMonthTable(o.value(QStringLiteral("uebertrag")).toObject(), p.uebertrag);
        }

        const QJsonArray duties = json.value(QStringLiteral("duties")).toArray();
        QCOMPARE(duties.size(), roster.dienste.Count());
        for (int i = 0; i < duties.size(); ++i) {
            const QJsonObject o = duties[i].toObject();
            const TDienst& d = roster.dienste[i];
            QCOMPARE(o.value(QStringLiteral("name")).toString(), d.name);
            QCOMPARE(o.value(QStringLiteral("kuerzel")).toString(), d.kuerzel);
            QCOMPARE(o.value(QStringLiteral("farbe")).toInteger(), qint64(std::int32_t(d.farbe)));
            QCOMPARE(o.value(QStringLiteral("abwesend")).toBool(), d.abwesend);
            COMPARE_DOUBLE(o.value(QStringLiteral("stunden")), d.stunden);
        }

        const QJsonObject s = json.value(QStringLiteral("settings")).toObject();
        const TPlanSettings& ps = roster.settings;
        const QJsonArray colors = s.value(QStringLiteral("colors")).toArray();
        QCOMPARE(colors.size(), 3);
        QCOMPARE(colors[0].toInteger(), qint64(std::int32_t(ps.TesselColorComboBox1)));
        QCOMPARE(colors[1].toInteger(), qint64(std::int32_t(ps.TesselColorComboBox2)));
        QCOMPARE(colors[2].toInteger(), qint64(std::int32_t(ps.TesselColorComboBox3)));
        const QJsonArray fonts = s.value(QStringLiteral("fonts")).toArray();
        QCOMPARE(fonts.size(), 3);
        compareFont(fonts[0], ps.FontDialog1);
        compareFont(fonts[1], ps.FontDialog2);
        compareFont(fonts[2], ps.FontDialog3);
        const QJsonArray holidays = s.value(QStringLiteral("holidays")).toArray();
        QCOMPARE(holidays.size(), kFeiertagCount);
        for (int i = 0; i < kFeiertagCount; ++i)
            QCOMPARE(holidays[i].toBool(), ps.FeiertageList[i]);
        QCOMPARE(s.value(QStringLiteral("caption")).toString(), ps.CaptionEd);
        QCOMPARE(s.value(QStringLiteral("caption2")).toString(), ps.Capt2Ed);
        QCOMPARE(s.value(QStringLiteral("legend")).toBool(), ps.LegendeCheck);
        QCOMPARE(s.value(QStringLiteral("showSum")).toBool(), ps.ShowSumCheck);
        QCOMPARE(s.value(QStringLiteral("showAnw")).toBool(), ps.ShowAnwCheck);
        QCOMPARE(s.value(QStringLiteral("language")).toInt(), ps.languagesetto);
        QCOMPARE(s.value(QStringLiteral("doubleRowHeight")).toBool(), ps.DoubleRowHeightCheck);
        QCOMPARE(s.value(QStringLiteral("addFreeLines")).toBool(), ps.AddFreeLinesCheck);
        QCOMPARE(s.value(QStringLiteral("secondLinesDarker")).toBool(), ps.SecondLinesareDarkerCheck);
        COMPARE_DOUBLE(s.value(QStringLiteral("margin")), ps.RandBreitEd);
        if (std::signbit(roster.personen.Count() > 0 ? roster.personen[0].startueberstunden : 0.0))
            QVERIFY(run.out.contains("\"startueberstunden\": -0.0,"));
        // Nothing of this run is left in the folder but the two data files.
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 2);
    }

    void holidaysOfAYear_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<QList<int>>("enabled"); // empty: the defaults
        QTest::addColumn<bool>("all");
        QTest::addColumn<QStringList>("expected"); // "calendar": as the calendar test says
        QTest::newRow("defaults 2024") << 2024 << QList<int>{} << false << sl("calendar");
        QTest::newRow("only Advent, 2022")
            << 2022 << QList<int>{22} << false << sl("2022-11-27 2022-12-04 2022-12-11 2022-12-18");
        QTest::newRow("Easter-dependent 2038")
            << 2038 << QList<int>{4, 6, 7} << false << sl("2038-04-23 2038-04-25 2038-04-26");
        QTest::newRow("none enabled") << 2024 << QList<int>{-1} << false << sl("");
        QTest::newRow("none enabled, --all has the Austrian days") << 2024 << QList<int>{-1} << true << sl("calendar");
    }

    void holidaysOfAYear()
    {
        QFETCH(int, year);
        QFETCH(QList<int>, enabled);
        QFETCH(bool, all);
        QFETCH(QStringList, expected);
        TRoster roster;
        if (!enabled.isEmpty()) {
            roster.settings.FeiertageList.fill(false);
            for (int i : enabled)
                if (i >= 0)
                    roster.settings.FeiertageList[i] = true;
        }
        const QString folder = newFolder();
        saveRoster(roster, folder);
        QStringList args = QStringList{QStringLiteral("--data"), folder} + sl("holidays --year")
            << QString::number(year);
        if (all)
            args << QStringLiteral("--all");
        const TRun run = cli(args);
        QCOMPARE(run.rc, 0);
        if (expected == sl("calendar")) {
            expected.clear();
            std::array<bool, kFeiertagCount> flags = roster.settings.FeiertageList;
            if (all)
                flags.fill(true);
            for (QDate d(year, 1, 1); d.year() == year; d = d.addDays(1))
                if (IsFeiertag(flags, year, d.month(), d.day()))
                    expected << d.toString(Qt::ISODate);
            QVERIFY(expected.contains(QStringLiteral("%1-12-25").arg(year)));
            QCOMPARE(expected.contains(QStringLiteral("%1-10-26").arg(year)), all);
        }
        QCOMPARE(QString::fromUtf8(run.out).split(QLatin1Char('\n')), expected << QString());
    }

    // The data folder, slot and per-user values come from the settings store as the
    // desktop program takes them, and each picture is the page's preview pixel for pixel.
    void picturesAreThePagePreviews_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("storedFolder"); // folder from the settings store, not --data
        QTest::addColumn<int>("storedSlot"); // 0: none stored
        QTest::addColumn<int>("language");
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<QString>("output"); // the file name given to -o ("-": standard output)
        QTest::newRow("month, defaults, --data") << "month" << false << 0 << 0 << sl("") << "";
        QTest::newRow("month as JPEG") << "month" << false << 0 << 0 << sl("") << "picture.JPG";
        QTest::newRow("year on standard output") << "year" << false << 0 << 0 << sl("") << "-";
        QTest::newRow("month, stored folder and slot 3, English") << "month" << true << 3 << 1 << sl("") << "";
        QTest::newRow("month, stored slot 10, page 2 at 50 %, --data")
            << "month" << false << 10 << 0 << sl("--page 2 --zoom 50") << "";
        QTest::newRow("month, page beyond the last") << "month" << false << 0 << 0 << sl("--page 9") << "";
        QTest::newRow("month, one employee at 130 %")
            << "month" << true << 1 << 0 << sl("--employee 5 --zoom 130") << "";
        QTest::newRow("day, a Monday, English") << "day" << true << 2 << 1 << sl("--day 12") << "";
        QTest::newRow("day, a Saturday, page beyond the last at 300 %")
            << "day" << false << 0 << 0 << sl("--day 17 --page 2 --zoom 300") << "";
        QTest::newRow("year, first employee, English") << "year" << true << 0 << 1 << sl("") << "";
        QTest::newRow("year, third employee at 60 %")
            << "year" << false << 7 << 0 << sl("--employee 3 --zoom 60") << "";
    }

    void picturesAreThePagePreviews()
    {
        QFETCH(QString, kind);
        QFETCH(bool, storedFolder);
        QFETCH(int, storedSlot);
        QFETCH(int, language);
        QFETCH(QStringList, extra);
        QFETCH(QString, output);
        const QString folder = prepareDesktop(storedFolder, storedSlot, language);
        const int slot = storedSlot ? storedSlot : 1;

        QStringList args;
        if (!storedFolder)
            args << QStringLiteral("--data") << folder;
        const QString png = output == QLatin1String("-")
            ? output
            : folder + QLatin1Char('/') + (output.isEmpty() ? QStringLiteral("picture.png") : output);
        args << QStringLiteral("render") << kind
             << sl(kind == QLatin1String("year") ? "--year 2024" : "--month 2 --year 2024") << extra
             << QStringLiteral("-o") << png;
        const TRun run = cli(args);
        QCOMPARE(run.rc, 0);
        QVERIFY2(run.err.isEmpty(), run.err.constData());

        if (!storedFolder)
            storeFolder(folder);
        auto form = startWindow(2024, 2);
        QVERIFY(form);
        QCOMPARE(form->store.alagernr, slot);
        const auto option = [&](const char* name, int fallback) {
            const int at = extra.indexOf(QLatin1String(name));
            return at >= 0 ? extra[at + 1].toInt() : fallback;
        };
        QImage expected;
        if (kind == QLatin1String("month")) {
            TMonatsplanerPage* page = form->MonatsplanerSheet;
            page->ZoomEd->setValue(option("--zoom", 100));
            page->MitarbeiterCombo->setCurrentIndex(option("--employee", 0));
            page->SeiteEd->setValue(option("--page", 1));
            page->PaintBox1Paint();
            expected = page->Preview();
        } else if (kind == QLatin1String("day")) {
            TTagesanwesenheitPage* page = form->TagesanwesenheitSheet;
            page->DateEdit1->setDate(QDate(2024, 2, option("--day", 1)));
            page->ZoomEd2->setValue(option("--zoom", 100));
            page->SeiteEd2->setValue(option("--page", 1));
            page->PaintBox2Paint();
            expected = page->Preview();
        } else {
            TJahresansichtPage* page = form->JahresansichtSheet;
            page->Year3Ed->setValue(2024);
            page->ZoomEd3->setValue(option("--zoom", 100));
            page->MitarbeiterEd->setCurrentIndex(option("--employee", 1) - 1);
            page->PaintBox3Paint();
            expected = page->Preview();
        }
        QByteArray bytes = run.out;
        if (png != QLatin1String("-")) {
            QFile f(png);
            QVERIFY(f.open(QIODevice::ReadOnly));
            bytes = f.readAll();
        }
        QVERIFY(!QFile::exists(QStringLiteral("-")));
        const bool jpeg = png.endsWith(QLatin1String(".JPG"));
        QCOMPARE(bytes.left(3), jpeg ? QByteArray("\xFF\xD8\xFF") : QByteArray("\x89PN"));
        const QImage actual = QImage::fromData(bytes);
        QCOMPARE(actual.size(), expected.size());
        if (!jpeg) // JPEG is lossy: its size and kind are what can be compared
            QVERIFY(actual.convertToFormat(QImage::Format_RGB32) == expected.convertToFormat(QImage::Format_RGB32));
    }

    void statisticsAreTheWindowsText_data()
    {
        QTest::addColumn<bool>("month");
        QTest::addColumn<int>("language");
        QTest::newRow("month") << true << 0;
        QTest::newRow("year") << false << 0;
        QTest::newRow("month, English") << true << 1;
    }

    void statisticsAreTheWindowsText()
    {
        QFETCH(bool, month);
        QFETCH(int, language);
        const QString folder = prepareDesktop(false, 0, language);
        const TRun run = cli(QStringList{QStringLiteral("--data"), folder}
            + sl(month ? "stats --month 2 --year 2024" : "stats --year 2024"));
        QCOMPARE(run.rc, 0);

        storeFolder(folder);
        auto form = startWindow(2024, 2);
        QVERIFY(form);
        auto* page = qobject_cast<TStatistikPage*>(form->StatistikSheet);
        QVERIFY(page);
        month ? page->RenderMonthBtnClick() : page->RenderYearBtnClick();
        const QString expected = page->RichEdit1->toPlainText() + QLatin1Char('\n');
        QCOMPARE(QString::fromUtf8(run.out), expected);
        QVERIFY(expected.contains(QStringLiteral("Tagdienst: ")));
        QCOMPARE(expected.startsWith(QStringLiteral("Duty statistics")), language == 1);
    }

    // The files are those of the window's "CSV Export..." and "Export als PDF Datei..."
    // right after its start (the PDF's random file identifier aside).
    void exportsAreTheWindowsFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("persons");
        QTest::addColumn<int>("pages"); // of the PDF
        QTest::addColumn<bool>("toStdout"); // -o -
        QTest::newRow("csv") << "csv" << 0 << 24 << 0 << false;
        QTest::newRow("csv, English heading and weekdays") << "csv" << 1 << 24 << 0 << false;
        QTest::newRow("csv on standard output") << "csv" << 0 << 24 << 0 << true;
        QTest::newRow("pdf") << "pdf" << 0 << 24 << 1 << false;
        QTest::newRow("pdf, English") << "pdf" << 1 << 24 << 1 << false;
        QTest::newRow("pdf, 90 employees on several pages") << "pdf" << 0 << 90 << -1 << false;
        QTest::newRow("pdf on standard output") << "pdf" << 0 << 24 << 1 << true;
    }

    void exportsAreTheWindowsFiles()
    {
        QFETCH(QString, kind);
        QFETCH(int, language);
        QFETCH(int, persons);
        QFETCH(int, pages);
        QFETCH(bool, toStdout);
        const QString folder = prepareDesktop(false, 0, language, persons);
        const QString out = toStdout ? QStringLiteral("-") : folder + QStringLiteral("/tool.") + kind;
        const TRun run
            = cli(QStringList{QStringLiteral("--data"), folder, kind} + sl("--month 2 --year 2024 -o") << out);
        QCOMPARE(run.rc, 0);
        QVERIFY2(run.err.isEmpty(), run.err.constData());

        storeFolder(folder);
        auto form = startWindow(2024, 2);
        QVERIFY(form);
        const QString reference = folder + QStringLiteral("/window.") + kind;
        const QString error = kind == QLatin1String("csv") ? form->MonatsplanerSheet->CSVExportTo(reference)
                                                           : form->MonatsplanerSheet->PDFExportTo(reference);
        QVERIFY2(error.isEmpty(), qPrintable(error));

        const auto bytes = [](const QString& path) {
            QFile f(path);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        QByteArray actual = toStdout ? run.out : bytes(out);
        QVERIFY(!QFile::exists(QStringLiteral("-")));
        QByteArray expected = bytes(reference);
        QVERIFY(!expected.isEmpty());
        if (kind == QLatin1String("pdf")) {
            static const QRegularExpression id(QStringLiteral("/ID \\[ <[0-9A-F]*><[0-9A-F]*> \\]"));
            for (QByteArray* b : {&actual, &expected})
                *b = QString::fromLatin1(*b).replace(id, QStringLiteral("/ID [ ]")).toLatin1();
            QVERIFY(actual.contains("/ID [ ]"));
            if (pages > 0)
                QCOMPARE(actual.count("/Type /Page\n"), pages);
            else
                QVERIFY(actual.count("/Type /Page\n") > 1);
        } else {
            QCOMPARE(actual.startsWith("\"Roster plan 2/2024\""), language == 1);
        }
        QCOMPARE(actual.size(), expected.size());
        QVERIFY(actual == expected);
    }

    // Paper, orientation and resolution decide the PDF page size (the writer's media box
    // runs from 0 to the size in points less one).
    void pdfPaper_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("mediaBox");
        QTest::newRow("default: A4 landscape") << sl("") << QByteArray("[0 0 841 593]");
        QTest::newRow("A4 portrait") << sl("--portrait") << QByteArray("[0 0 593 841]");
        QTest::newRow("Letter at 300 dpi") << sl("--paper Letter --dpi 300") << QByteArray("[0 0 791 611]");
        QTest::newRow("a5, lower case") << sl("--paper a5 --landscape") << QByteArray("[0 0 593 419]");
    }

    void pdfPaper()
    {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, mediaBox);
        TRoster roster;
        const QString folder = newFolder();
        saveRoster(roster, folder);
        const QString out = folder + QStringLiteral("/plan.pdf");
        const TRun run = cli(QStringList{QStringLiteral("--data"), folder} + sl("pdf --month 2 --year 2024") + options
            << QStringLiteral("-o") << out);
        QCOMPARE(run.rc, 0);
        QFile f(out);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray pdf = f.readAll();
        const qsizetype at = pdf.indexOf("/MediaBox ");
        QVERIFY(at >= 0);
        QCOMPARE(pdf.mid(at + 10, pdf.indexOf('\n', at) - at - 10), mediaBox);
    }

    // The calendar files are those of the core export on the roster the window holds
    // after its start, with the overtime label in the roster's language; only the time
    // stamps (DTSTAMP, from the clock) differ.
    void calendarsAreTheCoreExport_data()
    {
        QTest::addColumn<QString>("employee"); // empty: all
        QTest::addColumn<bool>("intoFolder"); // -o names an existing folder
        QTest::addColumn<int>("language");
        QTest::addColumn<QStringList>("range");
        QTest::newRow("one employee, umlaut and comma in the name")
            << "Köhler, Inge" << false << 0 << sl("2024-02 2024-02");
        QTest::newRow("one employee into a folder, English") << "Schulz, Frank" << true << 1 << sl("2024-01 2024-03");
        QTest::newRow("all employees") << "" << false << 0 << sl("2024-02 2024-02");
        QTest::newRow("all employees over a year's end, English") << "" << true << 1 << sl("2023-12 2024-02");
    }

    void calendarsAreTheCoreExport()
    {
        QFETCH(QString, employee);
        QFETCH(bool, intoFolder);
        QFETCH(int, language);
        QFETCH(QStringList, range);
        const QString folder = prepareDesktop(false, 0, language);
        QString out = folder + QStringLiteral("/calendars");
        if (intoFolder)
            QVERIFY(QDir().mkpath(out));
        else if (!employee.isEmpty())
            out += QStringLiteral(".ics");
        QStringList args{QStringLiteral("--data"), folder, QStringLiteral("ical"), QStringLiteral("--from"), range[0],
            QStringLiteral("--to"), range[1],
            employee.isEmpty() ? QStringLiteral("--output-dir") : QStringLiteral("-o"), out};
        if (!employee.isEmpty())
            args << QStringLiteral("--employee") << employee;
        const TRun run = cli(args);
        QCOMPARE(run.rc, 0);
        QVERIFY2(run.err.isEmpty(), run.err.constData());
        const QStringList listed = QString::fromUtf8(run.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);

        storeFolder(folder);
        auto form = startWindow(2024, 2);
        QVERIFY(form);
        const TRoster& roster = form->store.roster;
        const TICalRange r{
            range[0].left(4).toInt(), range[0].right(2).toInt(), range[1].left(4).toInt(), range[1].right(2).toInt()};
        TICalTexts texts;
        texts.overtimeLabel = TranslateText(texts.overtimeLabel);
        const QString reference = folder + QStringLiteral("/reference");
        QVERIFY(QDir().mkpath(reference));
        const TICalResult expected = employee.isEmpty()
            ? ExportICalAll(roster, r, reference, texts)
            : ExportICalPerson(roster, ICalPersonIndex(roster, employee), r,
                reference + QLatin1Char('/') + SafeICalBaseName(employee) + QStringLiteral(".ics"), texts);
        QVERIFY(expected.ok());
        QCOMPARE(listed.size(), employee.isEmpty() ? roster.personen.Count() : 1);
        QCOMPARE(listed.size(), expected.written.size());

        const auto masked = [](const QString& path) {
            static const QRegularExpression stamp(QStringLiteral(
                "\r\nDTSTAMP:[0-9]{8}T[0-9]{6}Z\r\nLAST-MODIFIED:[0-9]{8}T[0-9]{6}Z\r\nSEQUENCE:[0-9]+\r\n"));
            QFile f(path);
            return f.open(QIODevice::ReadOnly)
                ? QString::fromUtf8(f.readAll()).replace(stamp, QStringLiteral("\r\nDTSTAMP:-\r\n"))
                : QString();
        };
        QString all;
        for (int i = 0; i < listed.size(); ++i) {
            QCOMPARE(listed[i],
                intoFolder || employee.isEmpty() ? QDir(out).filePath(QFileInfo(expected.written[i]).fileName()) : out);
            const QString actual = masked(listed[i]);
            QCOMPARE(actual, masked(expected.written[i]));
            all += actual;
        }
        QVERIFY(all.contains(QStringLiteral("DTSTAMP:-")));
        QVERIFY(all.contains(
            (language == 1 ? QStringLiteral("DESCRIPTION:Overtime") : QStringLiteral("DESCRIPTION:Überstunden"))
            + QStringLiteral(": 1\\,5")));
        // Nothing else is left behind: no lock file, no temporary file.
        QStringList files = QDir(folder).entryList(QDir::Files, QDir::Name);
        files.removeOne(QStringLiteral("calendars.ics"));
        QCOMPARE(files, sl("dienste.dat personen.dat"));
        if (QFileInfo(out).isDir())
            QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden).size(), listed.size());
    }

    // Every failure is one line on stderr with its exit code, and leaves neither a lock
    // file of its own nor an output file.
    // propose prints without writing; --apply writes the same duties, under the lock.
    void proposeThenApply()
    {
        TRoster roster;
        sample::FillRoster(roster, 6, 2024, 3);
        sample::ClearMonth(roster, 2024, 3); // the sample's March is full
        const QString folder = newFolder();
        saveRoster(roster, folder);
        TPlanRules rules;
        TStaffTarget t;
        t.duty = {QStringLiteral("F"), 1};
        t.min.fill(2);
        t.max.fill(2);
        rules.targets.push_back(t);
        QFile f(folder + QStringLiteral("/regeln.dat"));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(SerializePlanRules(rules)) > 0);
        f.close();
        auto bytes = [&] {
            QFile p(folder + QStringLiteral("/personen.dat"));
            return p.open(QIODevice::ReadOnly) ? p.readAll() : QByteArray();
        };
        const QByteArray before = bytes();
        const QStringList args = sl("--data") << folder << sl("propose --month 3 --year 2024 --time-limit 5");

        const TRun text = cli(args);
        QVERIFY2(text.rc == 0, text.out.constData());
        QStringList lines = QString::fromUtf8(text.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY2(lines.value(0).startsWith(QStringLiteral("# optimal, 62 duties, 0 missing")), text.out.constData());
        QCOMPARE(lines.size(), 63); // 2 persons × 31 days
        QCOMPARE(lines[1].split(QLatin1Char('\t')).value(0), QStringLiteral("2024-03-01"));
        QCOMPARE(bytes(), before);

        const TRun json = cli(QStringList(args) << sl("--apply --format json"));
        QCOMPARE(json.rc, 0);
        const QJsonObject o = QJsonDocument::fromJson(json.out).object();
        QVERIFY(o.value(QStringLiteral("applied")).toBool());
        const QJsonArray duties = o.value(QStringLiteral("duties")).toArray();
        QCOMPARE(duties.size(), 62);
        QVERIFY(!QFile::exists(folder + QStringLiteral("/personenschreibe.dat")));
        TRoster after;
        TQuietUi ui;
        TDataStore store(after, ui);
        store.progpath = folder + QLatin1Char('/');
        store.loadPersons();
        store.loadDienste();
        for (const QJsonValue& v : duties) {
            const QJsonObject d = v.toObject();
            const QDate date = QDate::fromString(d.value(QStringLiteral("date")).toString(), Qt::ISODate);
            int person = -1;
            for (int i = 0; i < after.personen.Count(); ++i)
                person = after.personen[i].name == d.value(QStringLiteral("person")).toString() ? i : person;
            QVERIFY(person >= 0);
            const int e = TRoster::EintragIndexOfDay(after.personen[person], 2024, 3, date.day());
            QVERIFY(e >= 0);
            QCOMPARE(after.dienste[after.personen[person].eintraege[e].dienst - 1].kuerzel, QStringLiteral("F"));
        }
        // A lock of another copy stops --apply before anything is written.
        QFile lock(folder + QStringLiteral("/personenschreibe.dat"));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.close();
        const QByteArray applied = bytes();
        const TRun again = cli(QStringList(args) << sl("--apply"));
        QCOMPARE(again.rc, 3);
        QCOMPARE(bytes(), applied);
    }

    void badInput_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QStringList>("args"); // FOLDER and OUT are replaced
        QTest::addColumn<int>("rc");
        QTest::addColumn<QString>("message"); // start of the first line of stderr
        QTest::addColumn<QStringList>("filesAfter"); // besides the two data files

        const QStringList render = sl("render month --month 3 --year 2024 -o OUT");
        QTest::newRow("missing folder") << "" << sl("--data FOLDER/nowhere dump") << 2
                                        << "rostelmark-cli: Data folder not found: " << sl("");
        QTest::newRow("damaged person file") << "cut persons" << sl("--data FOLDER") + render << 2
                                             << "rostelmark-cli: Read beyond end of file: " << sl("");
        QTest::newRow("damaged duty file")
            << "cut duties" << sl("--data FOLDER dump") << 2 << "rostelmark-cli: Read beyond end of file: " << sl("");
        // A slot without a person file: the default roster, and a warning naming the file.
        QTest::newRow("slot without person file")
            << "" << sl("--data FOLDER --slot 4 dump") << 0 << "rostelmark-cli: warning: FOLDER/" << sl("");
        QTest::newRow("unknown option") << "" << sl("--data FOLDER dump --bogus") << 1
                                        << "rostelmark-cli: unknown option --bogus" << sl("");
        QTest::newRow("unknown command") << "" << sl("--data FOLDER plot") << 1 << "rostelmark-cli: unknown command"
                                         << sl("");
        QTest::newRow("month 13") << "" << sl("--data FOLDER render month --month 13 -o OUT") << 1
                                  << "rostelmark-cli: --month must be a number from 1 to 12" << sl("");
        QTest::newRow("slot 11") << "" << sl("--data FOLDER --slot 11 dump") << 1
                                 << "rostelmark-cli: --slot must be a number from 1 to 10" << sl("");
        QTest::newRow("year missing") << "" << sl("--data FOLDER holidays") << 1
                                      << "rostelmark-cli: holidays needs --year" << sl("");
        QTest::newRow("option of another picture") << "" << sl("--data FOLDER render year --day 3 -o OUT") << 1
                                                   << "rostelmark-cli: render year has no option --day" << sl("");
        QTest::newRow("employee beyond the month's")
            << "" << sl("--data FOLDER") + render + sl("--employee 25") << 1
            << "rostelmark-cli: --employee 25: 3/2024 has 24 employees" << sl("");
        QTest::newRow("person file locked")
            << "lock persons" << sl("--data FOLDER") + render << 3
            << "rostelmark-cli: locked: FOLDER/personenschreibe.dat" << sl("personenschreibe.dat");
        QTest::newRow("duty file locked")
            << "lock duties" << sl("--data FOLDER") + render << 3
            << "rostelmark-cli: locked: FOLDER/diensteschreibe.dat" << sl("diensteschreibe.dat");
        // --force reads past the lock and leaves the other copy's lock file where it is.
        QTest::newRow("locked, --force") << "lock persons" << sl("--data FOLDER --force") + render << 0 << ""
                                         << sl("out.png personenschreibe.dat");
        QTest::newRow("duty locked, --force, csv")
            << "lock duties" << sl("--data FOLDER --force csv --month 3 --year 2024 -o FOLDER/x.csv") << 0 << ""
            << sl("x.csv diensteschreibe.dat");
        QTest::newRow("csv: person file locked")
            << "lock persons" << sl("--data FOLDER csv --month 3 --year 2024 -o OUT") << 3
            << "rostelmark-cli: locked: FOLDER/personenschreibe.dat" << sl("personenschreibe.dat");
        QTest::newRow("pdf: damaged duty file") << "cut duties" << sl("--data FOLDER pdf --month 3 --year 2024 -o OUT")
                                                << 2 << "rostelmark-cli: Read beyond end of file: " << sl("");
        QTest::newRow("pdf: unknown paper") << "" << sl("--data FOLDER pdf --month 3 --year 2024 --paper B5 -o OUT")
                                            << 1 << "rostelmark-cli: --paper must be" << sl("");
        QTest::newRow("csv: output folder missing")
            << "" << sl("--data FOLDER csv --month 3 --year 2024 -o FOLDER/no/x.csv") << 2
            << "rostelmark-cli: cannot write FOLDER/no/x.csv: No such file or directory" << sl("");
        QTest::newRow("csv: target is a folder") << "" << sl("--data FOLDER csv --month 3 --year 2024 -o FOLDER") << 2
                                                 << "rostelmark-cli: cannot write FOLDER: Is a directory" << sl("");
        QTest::newRow("usage error: one line and a hint")
            << "" << sl("--data FOLDER csv --month 3 --year 2024") << 1 << "rostelmark-cli: csv needs -o" << sl("");
        const QStringList ical = sl("ical --from 2024-03 --to 2024-03");
        QTest::newRow("ical: unknown employee") << "" << sl("--data FOLDER") + ical + sl("--employee Nobody -o OUT")
                                                << 1 << "rostelmark-cli: no employee is named \"Nobody\"" << sl("");
        QTest::newRow("ical: name of another case")
            << "name Zwilling" << sl("--data FOLDER") + ical + sl("--employee zwilling -o OUT") << 1
            << "rostelmark-cli: no employee is named \"zwilling\"" << sl("");
        QTest::newRow("ical: two employees of that name")
            << "twins" << sl("--data FOLDER") + ical + sl("--employee Zwilling -o OUT") << 1
            << "rostelmark-cli: 2 employees are named \"Zwilling\"" << sl("");
        QTest::newRow("ical: --employee and --all")
            << "" << sl("--data FOLDER") + ical + sl("--all --employee X -o OUT") << 1
            << "rostelmark-cli: --employee and --all exclude" << sl("");
        QTest::newRow("ical: --to before --from")
            << "" << sl("--data FOLDER ical --from 2024-03 --to 2023-12 --output-dir OUT") << 1
            << "rostelmark-cli: --to 2023-12 is before --from 2024-03" << sl("");
        QTest::newRow("ical: month 13") << "" << sl("--data FOLDER ical --from 2024-13 --to 2025-01 --output-dir OUT")
                                        << 1 << "rostelmark-cli: --from must be a month as YYYY-MM" << sl("");
        QTest::newRow("ical: more than 1200 months")
            << "" << sl("--data FOLDER ical --from 1900-01 --to 2000-01 --output-dir OUT") << 1
            << "rostelmark-cli: --from 1900-01 --to 2000-01 spans 1201 months" << sl("");
        QTest::newRow("ical: person file locked")
            << "lock persons" << sl("--data FOLDER") + ical + sl("--all --output-dir FOLDER") << 3
            << "rostelmark-cli: locked: FOLDER/personenschreibe.dat" << sl("personenschreibe.dat");
        QTest::newRow("ical: output folder missing")
            << "name Zwilling" << sl("--data FOLDER") + ical + sl("--employee Zwilling -o FOLDER/no/x.ics") << 2
            << "rostelmark-cli: cannot write FOLDER/no/x.ics: No such file or directory" << sl("");
        QTest::newRow("ical: --all into a file")
            << "" << sl("--data FOLDER") + ical + sl("--output-dir FOLDER/personen.dat") << 2
            << "rostelmark-cli: cannot write FOLDER/personen.dat: Not a directory" << sl("");
        QTest::newRow("ical: --all refuses -o") << "" << sl("--data FOLDER") + ical + sl("-o FOLDER/kalender.ics") << 1
                                                << "rostelmark-cli: ical --all writes one file per employee" << sl("");
        QTest::newRow("ical: --all needs --output-dir")
            << "" << sl("--data FOLDER") + ical << 1 << "rostelmark-cli: ical --all needs --output-dir" << sl("");
        QTest::newRow("output folder missing")
            << "" << sl("--data FOLDER render month --month 3 --year 2024 -o FOLDER/no/such.png") << 2
            << "rostelmark-cli: cannot write FOLDER/no/such.png: No such file or directory" << sl("");
        QTest::newRow("render: a picture type it cannot write")
            << "" << sl("--data FOLDER render month --month 3 --year 2024 -o FOLDER/x.gif") << 1
            << "rostelmark-cli: cannot write pictures of type .gif" << sl("");
    }

    void badInput()
    {
        QFETCH(QString, setup);
        QFETCH(QStringList, args);
        QFETCH(int, rc);
        QFETCH(QString, message);
        QFETCH(QStringList, filesAfter);

        TRoster roster;
        sample::FillRoster(roster, 24, 2024, 3);
        const QString folder = newFolder();
        if (setup.startsWith(QLatin1String("name ")))
            roster.personen[0].name = setup.section(QLatin1Char(' '), 1, 1);
        if (setup == QLatin1String("twins"))
            roster.personen[0].name = roster.personen[1].name = QStringLiteral("Zwilling");
        saveRoster(roster, folder);
        if (setup.startsWith(QLatin1String("cut"))) {
            QFile f(folder
                + (setup.endsWith(QLatin1String("persons")) ? QLatin1String("/personen.dat")
                                                            : QLatin1String("/dienste.dat")));
            QVERIFY(f.resize(f.size() - 3));
        }
        if (setup.startsWith(QLatin1String("lock"))) {
            QFile lock(folder
                + (setup.endsWith(QLatin1String("persons")) ? QLatin1String("/personenschreibe.dat")
                                                            : QLatin1String("/diensteschreibe.dat")));
            QVERIFY(lock.open(QIODevice::WriteOnly));
        }
        for (QString& a : args)
            a.replace(QLatin1String("FOLDER"), folder)
                .replace(QLatin1String("OUT"), folder + QStringLiteral("/out.png"));
        message.replace(QLatin1String("FOLDER"), folder);

        const TRun run = cli(args);
        QCOMPARE(run.rc, rc);
        const QStringList lines = QString::fromUtf8(run.err).split(QLatin1Char('\n'));
        QVERIFY2(lines.first().startsWith(message), run.err.constData());
        if (rc >= 2 || (rc == 0 && !message.isEmpty()))
            QCOMPARE(lines.size(), 2); // the message and its line end
        if (rc == 1) { // a usage error: one line and where to find help, not the usage
            QCOMPARE(lines.size(), 3);
            QCOMPARE(lines[1], QStringLiteral("Try 'rostelmark-cli --help' for more information."));
        }
        if (rc == 0 && message.isEmpty())
            QVERIFY(run.err.isEmpty());

        QStringList files = QDir(folder).entryList(QDir::Files, QDir::Name);
        files.removeOne(QStringLiteral("personen.dat"));
        files.removeOne(QStringLiteral("dienste.dat"));
        filesAfter.sort();
        QCOMPARE(files, filesAfter);
    }
};

ROSTELMARK_TEST_MAIN_WITH(TestCli, QApplication)
#include "tst_cli.moc"
