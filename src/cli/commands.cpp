#include "commands.h"
#include "check.h"
#include "propose.h"

#include "calendar/feiertage.h"
#include "core/datetime.h"
#include "i18n/messagetable.h"
#include "i18n/translate.h"
#include "output/csvexport.h"
#include "output/dutystatistics.h"
#include "output/exportresult.h"
#include "output/icalexport.h"
#include "output/pdfexport.h"
#include "planner/hoursaccount.h"
#include "planner/monthpreview.h"
#include "planning/proposal.h"
#include "rosterjson.h"
#include "views/viewpreview.h"

#include "output/safefile.h"

#include <QBuffer>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QPageSize>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <functional>

namespace {

// ---- command-line description -----------------------------------------------------------

struct TOptSpec {
    const char* name; // without dashes
    const char* arg; // nullptr: a switch
    int min = 0, max = 0; // range of a number; min > max: not a number
    const char* help;
};

struct TCommandSpec {
    const char* name;
    const char* synopsis;
    const char* brief; // one line for the tool's help
    const char* summary;
    std::vector<TOptSpec> options;
    std::vector<const char*> required;
    bool needsFonts;
};

const TOptSpec kMonth{"month", "M", 1, 12, "month 1 … 12"};
const TOptSpec kYear{"year", "Y", 1, 9999, "year 1 … 9999"};
const TOptSpec kOut{
    "o", "FILE", 1, 0, "file to write, replaced only once complete; - is standard output (--output is the same)"};

const std::vector<TCommandSpec>& Commands()
{
    static const std::vector<TCommandSpec> commands = {
        {"dump", "dump", "the roster as JSON on stdout",
            "The roster of the plan slot as JSON (UTF-8, one object) on stdout.\n"
            "Persons and their entries in stored order, duties in list order, the plan\n"
            "settings of the person and duty files. Dates are the stored day numbers\n"
            "(days since 1899-12-30); month tables list the non-zero months as \"YYYY-MM\".\n"
            "Numbers read back exactly; NaN and infinities are written as the strings\n"
            "\"NaN\", \"Infinity\" and \"-Infinity\".",
            {}, {}, false},
        {"check", "check --month M --year Y [--format text|json]", "staffing targets and rules of a month",
            "The shortfalls and broken rules of the month, one per line (date, duty or\n"
            "person, rule, numbers; tab-separated), or \"ok\". Exit code 4 when there is any.",
            {kMonth, kYear, {"format", "text|json", 1, 0, "text (default) or a JSON object"}}, {"month", "year"},
            false},
        {"propose", "propose --month M --year Y [--time-limit S] [--apply] [--format text|json]",
            "an automatic proposal for the empty cells of a month",
            "Fills the empty cells of the month with staffed duties so that the staffing\n"
            "targets are met, every rule holds and the hours land near each employee's\n"
            "\"Soll\", as \"Plan vorschlagen...\" does; existing entries are never changed.\n"
            "Prints the proposal (date, employee, duty; tab-separated, after a summary line\n"
            "starting with #) and the days that stay short with the reason (\"short\", date,\n"
            "duty, reason). Without --apply nothing is written; with --apply the duties are\n"
            "written under the person file's lock. Exit code 4 when a day stays short.",
            {kMonth, kYear, {"time-limit", "S", 1, 3600, "seconds the solver may take, 1 … 3600 (default 10)"},
                {"apply", nullptr, 1, 0, "write the proposal into the person file"},
                {"format", "text|json", 1, 0, "text (default) or a JSON object"}},
            {"month", "year"}, false},
        {"holidays", "holidays --year Y [--all]", "the holidays of a year",
            "One line YYYY-MM-DD per holiday of the year, in date order, counting the holidays\n"
            "switched on in the roster's settings.",
            {kYear, {"all", nullptr, 1, 0, "count all 29 holidays and observances, switched on or not"}}, {"year"},
            false},
        {"stats", "stats [--month M] --year Y", "duty statistics of a month or a year",
            "The duty statistics of a month (\"Berechnen Monat\") or, without --month, of a\n"
            "year (\"Berechnen Jahr\"), one line per line, UTF-8, on stdout.",
            {kMonth, kYear}, {"year"}, false},
        {"csv", "csv --month M --year Y -o FILE|-", "the month plan as CSV file",
            "The month plan as the desktop program's \"CSV Export...\" writes it right after\n"
            "its start (Windows-1252, texts in the roster's language). A text cell that starts\n"
            "with =, +, -, @, a tab or a carriage return and is no plain number gets a leading\n"
            "apostrophe, so a spreadsheet never runs it as a formula.",
            {kMonth, kYear, kOut}, {"month", "year", "o"}, false},
        {"pdf", "pdf --month M --year Y -o FILE|- [--paper A4|A3|A5|Letter|Legal] [--portrait|--landscape] [--dpi N]",
            "the month plan as PDF file",
            "All pages of the month plan as \"Export als PDF Datei...\" writes them for a printer\n"
            "whose printable area is the whole paper, with a 96 dpi screen.",
            {kMonth, kYear, kOut, {"paper", "NAME", 1, 0, "paper size: A4 (default), A3, A5, Letter or Legal"},
                {"portrait", nullptr, 1, 0, "upright pages"},
                {"landscape", nullptr, 1, 0, "pages in landscape (default)"},
                {"dpi", "N", 1, 9600, "printer resolution in dots per inch, 1 … 9600 (default 600)"}},
            {"month", "year", "o"}, true},
        {"ical", "ical (--employee NAME -o FILE|DIR|- | [--all] --output-dir DIR) --from YYYY-MM --to YYYY-MM",
            "duties of employees as calendar files (iCalendar)",
            "The duties of the months from --from to --to (both included, at most 1200 months)\n"
            "as calendar files (iCalendar, RFC 5545) with one all-day event per day that has a\n"
            "duty, as the desktop program's \"Kalenderdatei exportieren...\" writes them. The\n"
            "files written are listed on stdout, one path a line (not with -o -). An event's UID\n"
            "names the employee and the day only, so importing a later export updates events.\n"
            "  --employee NAME: the calendar of that employee into FILE, into DIR/NAME.ics\n"
            "    when -o names an existing folder, or on stdout with -o -. NAME must equal the\n"
            "    employee's name exactly,\n"
            "    case, blanks and punctuation included (--employee \"Köhler, Jürgen\"); a name\n"
            "    that no employee or more than one employee has stops the tool with exit code 1.\n"
            "  --all (the default): one file per employee active in the range into the folder\n"
            "    --output-dir DIR (created when missing), named after the employee (\"Name.ics\",\n"
            "    \"Name (2).ics\" for a repeated name); files of those names are replaced. When\n"
            "    a file cannot be written the tool stops there; the files before it stay.",
            {{"employee", "NAME", 1, 0, "the employee with exactly this name"},
                {"all", nullptr, 1, 0, "every employee active in the range (the default)"},
                {"from", "YYYY-MM", 1, 0, "first month, e.g. 2024-01"},
                {"to", "YYYY-MM", 1, 0, "last month, not before --from"},
                {"o", "FILE|DIR|-", 1, 0, "calendar file of --employee; - is stdout (--output is the same)"},
                {"output-dir", "DIR", 1, 0, "folder of the files of --all"}},
            {"from", "to"}, false},
        {"render",
            "render month|day|year [--month M] [--year Y] [--day D] [--page N] [--zoom Z] [--employee K] "
            "-o FILE.png|FILE.jpg|-",
            "the month plan, day list or year overview as PNG or JPEG picture",
            "The screen picture of the month plan, the day list or the year overview as PNG\n"
            "(FILE.png, a name without extension, or - for stdout) or JPEG (FILE.jpg, FILE.jpeg),\n"
            "as the desktop program paints it at that zoom on a 96 dpi screen with the default\n"
            "printer page (A4 landscape, 600 dpi). Month, year and day default to today (the\n"
            "day to 1 when --month or --year is given).\n"
            "  month: --month, --year, --page, --zoom, --employee (0 = all, the default)\n"
            "  day:   --day, --month, --year, --page, --zoom\n"
            "  year:  --year, --zoom, --employee (default 1)",
            {kMonth, kYear, {"day", "D", 1, 31, "day of the month (render day)"},
                {"page", "N", 1, 10000, "page to draw, 1 … 10000 (default 1; beyond the last: the last)"},
                {"zoom", "Z", 10, 300, "zoom in percent, 10 … 300 (default 100)"},
                {"employee", "K", 0, 1000000,
                    "month: only the K-th employee active in the month (0 = all);\n"
                    "                   year: the K-th employee active in the year (default 1)"},
                kOut},
            {"o"}, true},
    };
    return commands;
}

const TCommandSpec* FindCommand(const QString& name)
{
    for (const TCommandSpec& c : Commands())
        if (name == QLatin1String(c.name))
            return &c;
    return nullptr;
}

const TOptSpec* FindOption(const TCommandSpec& c, const QString& name)
{
    for (const TOptSpec& o : c.options)
        if (name == QLatin1String(o.name))
            return &o;
    return nullptr;
}

QStringList Words(const char* text)
{
    return QString::fromLatin1(text).split(QLatin1Char(' '));
}

// "YYYY-MM" with a year 1 … 9999 and a month 1 … 12.
bool parseYearMonth(const QString& text, int& year, int& month)
{
    static const QRegularExpression pattern(QStringLiteral("^([0-9]{4})-([0-9]{2})$"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return false;
    year = m.captured(1).toInt();
    month = m.captured(2).toInt();
    return year >= 1 && month >= 1 && month <= 12;
}

bool parseInt(const QString& text, int& out)
{
    bool ok = false;
    const long long v = text.toLongLong(&ok);
    if (!ok || v < INT_MIN || v > INT_MAX)
        return false;
    out = static_cast<int>(v);
    return true;
}

const char* const kGlobalHelp = "Usage: rostelmark-cli [--data DIR] [--slot N] [--force] COMMAND [OPTIONS]\n"
                                "\n"
                                "Reads a roster of the desktop program's data folder without a window system and\n"
                                "writes its data, statistics, exports and pictures.\n"
                                "\n"
                                "Options:\n"
                                "  --data DIR  data folder (default: the folder the desktop program chooses at\n"
                                "              start from its per-user settings, normally\n"
                                "              $XDG_DATA_HOME/Quorvex/Rostelmark 1/)\n"
                                "  --slot N    plan slot 1 … 10 (default: the slot the desktop program opens,\n"
                                "              else 1)\n"
                                "  --force     read even when a lock file of another copy exists, without\n"
                                "              creating, asking about or deleting any lock file; without it the\n"
                                "              tool stops with \"locked: FILE\" and never waits\n"
                                "  -h, --help  this help; COMMAND --help describes a command\n"
                                "  -v, --version  the tool's name and version\n"
                                "\n"
                                "Commands:\n";

const char* const kExitHelp = "\nExit codes: 0 success, 1 usage error, 2 input/output error or damaged file,\n"
                              "3 locked by another copy, 4 (check) the plan breaks a rule. A failed command\n"
                              "leaves no lock file and no partial output file behind. Errors are one line on\n"
                              "stderr: \"rostelmark-cli: MESSAGE\". A slot or folder without a person file gives\n"
                              "the default roster with a warning.\n";

} // namespace

int TCliRequest::number(const QString& name, int fallback) const
{
    int v = fallback;
    if (values.contains(name))
        parseInt(values.value(name), v);
    return v;
}

QString UsageText(const QString& command)
{
    QString out;
    if (const TCommandSpec* c = FindCommand(command)) {
        out += QStringLiteral("Usage: rostelmark-cli [--data DIR] [--slot N] [--force] %1\n\n%2\n")
                   .arg(QString::fromUtf8(c->synopsis), QString::fromUtf8(c->summary));
        if (!c->options.empty())
            out += QStringLiteral("\nOptions:\n");
        for (const TOptSpec& o : c->options) {
            QString left
                = (std::strlen(o.name) == 1 ? QStringLiteral("-") : QStringLiteral("--")) + QString::fromUtf8(o.name);
            if (o.arg)
                left += QLatin1Char(' ') + QString::fromUtf8(o.arg);
            out += QStringLiteral("  %1  %2\n").arg(left, -15).arg(QString::fromUtf8(o.help));
        }
        out += QStringLiteral("  --help           this help\n");
        out += QString::fromUtf8(kExitHelp);
        return out;
    }
    out += QString::fromUtf8(kGlobalHelp);
    for (const TCommandSpec& c : Commands())
        out += QStringLiteral("  %1  %2\n").arg(QString::fromUtf8(c.name), -9).arg(QString::fromUtf8(c.brief));
    out += QString::fromUtf8(kExitHelp);
    return out;
}

bool ParseCommandLine(const QStringList& args, TCliRequest& request, QString& error)
{
    const TCommandSpec* command = nullptr;
    for (int i = 0; i < args.size(); ++i) {
        QString arg = args[i];
        QString inlineValue;
        bool hasInline = false;
        if (arg.startsWith(QLatin1String("--")) && arg.contains(QLatin1Char('='))) {
            inlineValue = arg.section(QLatin1Char('='), 1);
            arg = arg.section(QLatin1Char('='), 0, 0);
            hasInline = true;
        }
        const auto takeValue = [&](QString& out) {
            if (hasInline) {
                out = inlineValue;
                return true;
            }
            if (i + 1 >= args.size()) {
                error = QStringLiteral("option %1 needs a value").arg(arg);
                return false;
            }
            out = args[++i];
            return true;
        };

        if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            request.help = true;
            continue;
        }
        if (arg == QLatin1String("--version") || arg == QLatin1String("-v")) {
            request.version = true;
            continue;
        }
        // Global options, before or after the command.
        if (arg == QLatin1String("--data")) {
            QString dir;
            if (!takeValue(dir))
                return false;
            request.session.data = dir;
            continue;
        }
        if (arg == QLatin1String("--slot")) {
            QString text;
            int slot = 0;
            if (!takeValue(text))
                return false;
            if (!parseInt(text, slot) || slot < 1 || slot > kLagerCount) {
                error = QStringLiteral("--slot must be a number from 1 to 10, not \"%1\"").arg(text);
                return false;
            }
            request.session.slot = slot;
            continue;
        }
        if (arg == QLatin1String("--force")) {
            request.session.force = true;
            continue;
        }

        if (!command) {
            if (arg.startsWith(QLatin1Char('-'))) {
                error = QStringLiteral("unknown option %1").arg(arg);
                return false;
            }
            command = FindCommand(arg);
            if (!command) {
                error = QStringLiteral("unknown command \"%1\"").arg(arg);
                return false;
            }
            request.command = arg;
            continue;
        }
        if (request.command == QLatin1String("render") && request.kind.isEmpty() && !arg.startsWith(QLatin1Char('-'))) {
            if (arg != QLatin1String("month") && arg != QLatin1String("day") && arg != QLatin1String("year")) {
                error = QStringLiteral("render needs month, day or year, not \"%1\"").arg(arg);
                return false;
            }
            request.kind = arg;
            continue;
        }

        QString name = arg;
        if (name == QLatin1String("--output"))
            name = QStringLiteral("-o");
        const bool single = name.size() == 2 && name.startsWith(QLatin1Char('-')) && name != QLatin1String("--");
        if (!(name.startsWith(QLatin1String("--")) || single)) {
            error = QStringLiteral("unexpected argument \"%1\"").arg(arg);
            return false;
        }
        name = name.mid(single ? 1 : 2);
        const TOptSpec* opt = FindOption(*command, name);
        if (!opt || (single && name.size() != 1) || (!single && name.size() == 1)) {
            error = QStringLiteral("unknown option %1 for %2").arg(arg, request.command);
            return false;
        }
        if (!opt->arg) {
            if (hasInline) {
                error = QStringLiteral("option %1 takes no value").arg(arg);
                return false;
            }
            request.flags << name;
            continue;
        }
        QString value;
        if (!takeValue(value))
            return false;
        if (opt->min <= opt->max) {
            int v = 0;
            if (!parseInt(value, v) || v < opt->min || v > opt->max) {
                error = QStringLiteral("%1 must be a number from %2 to %3, not \"%4\"")
                            .arg(arg)
                            .arg(opt->min)
                            .arg(opt->max)
                            .arg(value);
                return false;
            }
        } else if (value.isEmpty()) {
            error = QStringLiteral("option %1 needs a value").arg(arg);
            return false;
        }
        request.values.insert(name, value);
    }

    if (request.help || request.version)
        return true;
    if (!command) {
        error = QStringLiteral("no command given");
        return false;
    }
    for (const char* r : command->required) {
        if (!request.has(QLatin1String(r))) {
            const TOptSpec* o = FindOption(*command, QLatin1String(r));
            error = QStringLiteral("%1 needs %2%3")
                        .arg(request.command, QLatin1String(std::strlen(r) == 1 ? "-" : "--"),
                            QLatin1String(o ? o->name : r));
            return false;
        }
    }
    if (request.command == QLatin1String("render")) {
        if (request.kind.isEmpty()) {
            error = QStringLiteral("render needs month, day or year");
            return false;
        }
        const QStringList allowed = request.kind == QLatin1String("month") ? Words("month year page zoom employee o")
            : request.kind == QLatin1String("day")                         ? Words("day month year page zoom o")
                                                                           : Words("year zoom employee o");
        for (const QString& name : request.values.keys())
            if (!allowed.contains(name)) {
                error = QStringLiteral("render %1 has no option --%2").arg(request.kind, name);
                return false;
            }
    }
    if (request.command == QLatin1String("pdf")) {
        if (request.flags.contains(QStringLiteral("portrait")) && request.flags.contains(QStringLiteral("landscape"))) {
            error = QStringLiteral("--portrait and --landscape exclude each other");
            return false;
        }
        if (request.values.contains(QStringLiteral("paper"))
            && !Words("A4 A3 A5 Letter Legal")
                    .contains(request.values.value(QStringLiteral("paper")), Qt::CaseInsensitive)) {
            error = QStringLiteral("--paper must be A4, A3, A5, Letter or Legal, not \"%1\"")
                        .arg(request.values.value(QStringLiteral("paper")));
            return false;
        }
    }
    if (request.command == QLatin1String("render")) {
        const QString out = request.values.value(QStringLiteral("o"));
        if (out != QLatin1String("-") && PictureFormat(out).isEmpty()) {
            error = QStringLiteral("cannot write pictures of type .%1; use .png or .jpg").arg(QFileInfo(out).suffix());
            return false;
        }
    }
    if (request.command == QLatin1String("ical")) {
        const bool one = request.has(QStringLiteral("employee"));
        if (one && request.has(QStringLiteral("all"))) {
            error = QStringLiteral("--employee and --all exclude each other");
            return false;
        }
        if (one && !request.has(QStringLiteral("o"))) {
            error = QStringLiteral("ical --employee needs -o");
            return false;
        }
        if (one && request.has(QStringLiteral("output-dir"))) {
            error = QStringLiteral("--output-dir is for --all; give the file of --employee with -o");
            return false;
        }
        if (!one && request.has(QStringLiteral("o"))) {
            error = QStringLiteral("ical --all writes one file per employee: name the folder with --output-dir, "
                                   "not -o");
            return false;
        }
        if (!one && !request.has(QStringLiteral("output-dir"))) {
            error = QStringLiteral("ical --all needs --output-dir");
            return false;
        }
        TICalRange range;
        for (const char* name : {"from", "to"}) {
            const QString text = request.values.value(QLatin1String(name));
            const bool from = name[0] == 'f';
            if (!parseYearMonth(text, from ? range.fromYear : range.toYear, from ? range.fromMonth : range.toMonth)) {
                error = QStringLiteral("--%1 must be a month as YYYY-MM (year 0001 … 9999), not \"%2\"")
                            .arg(QLatin1String(name), text);
                return false;
            }
        }
        if (range.months() < 1) {
            error = QStringLiteral("--to %1 is before --from %2")
                        .arg(request.values.value(QStringLiteral("to")), request.values.value(QStringLiteral("from")));
            return false;
        }
        if (!range.valid()) {
            error = QStringLiteral("--from %1 --to %2 spans %3 months; at most %4 are allowed")
                        .arg(request.values.value(QStringLiteral("from")), request.values.value(QStringLiteral("to")))
                        .arg(range.months())
                        .arg(TICalRange::kMaxMonths);
            return false;
        }
    }
    return true;
}

QByteArray PictureFormat(const QString& fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix.isEmpty() || suffix == QLatin1String("png"))
        return "png";
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg"))
        return "jpeg";
    return {};
}

bool CommandNeedsFonts(const TCliRequest& request)
{
    const TCommandSpec* c = FindCommand(request.command);
    return c && c->needsFonts;
}

// ---- commands ---------------------------------------------------------------------------

namespace {

// Writes everything to stdout at once; false when it does not arrive.
bool WriteStdout(const QByteArray& bytes)
{
    if (!bytes.isEmpty() && std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size()))
        return false;
    return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

int StdoutResult(const QByteArray& bytes, QString& error)
{
    if (WriteStdout(bytes))
        return kExitOk;
    error = QStringLiteral("Cannot write to standard output");
    return kExitIo;
}

// Opens the session for the request; on failure its message goes to `error`.
int OpenSession(TCliSession& session, const TCliRequest& request, bool texts, QString& error)
{
    TSessionOptions options = request.session;
    options.texts = texts;
    const int rc = session.Open(options);
    if (rc != kExitOk)
        error = session.error;
    return rc;
}

// "-" as the output: standard output, as in every common tool.
bool IsStdout(const QString& fileName)
{
    return fileName == QLatin1String("-");
}

// The reason of a failed write in English words of this tool.
QString WriteReason(int err)
{
    if (err == ELOOP)
        return QStringLiteral("refusing to write through a symbolic link another user may have planted");
    return SystemReason(err);
}

// `bytes` to standard output or through the export writer into `fileName`.
int WriteOutput(const QString& fileName, const QByteArray& bytes, QString& error)
{
    if (IsStdout(fileName))
        return StdoutResult(bytes, error);
    if (const int err = WriteFileSafely(fileName, bytes)) {
        error = QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(fileName), WriteReason(err));
        return kExitIo;
    }
    return kExitOk;
}

// The picture as PNG or JPEG, as the file name's extension says.
int SavePicture(const QImage& image, const QString& fileName, QString& error)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, IsStdout(fileName) ? QByteArray("png") : PictureFormat(fileName));
    if (image.isNull() || !writer.write(image)) {
        error = QStringLiteral("cannot write %1: %2")
                    .arg(fileName, image.isNull() ? QStringLiteral("empty picture") : writer.errorString());
        return kExitIo;
    }
    return WriteOutput(fileName, bytes, error);
}

int RunDump(const TCliRequest& request, QString& error)
{
    TCliSession session;
    if (const int rc = OpenSession(session, request, false, error))
        return rc;
    return StdoutResult(RosterJson(session.roster), error);
}

// --format text (the default) or json; false with a message for anything else.
bool jsonFormat(const TCliRequest& request, bool& json, QString& error)
{
    const QString format = request.values.value(QStringLiteral("format"), QStringLiteral("text"));
    json = format == QLatin1String("json");
    if (!json && format != QLatin1String("text")) {
        error = QStringLiteral("--format must be text or json");
        return false;
    }
    return true;
}

// The --format choice and the roster of a month command (check, propose); the exit code
// of a failure, else 0.
int openMonthCommand(const TCliRequest& request, TCliSession& session, bool& json, QString& error)
{
    if (!jsonFormat(request, json, error))
        return kExitUsage;
    return OpenSession(session, request, true, error);
}

int RunCheck(const TCliRequest& request, QString& error)
{
    bool json = false;
    TCliSession session;
    if (const int rc = openMonthCommand(request, session, json, error))
        return rc;
    QByteArray out;
    const bool clean = CheckMonthOutput(session.roster, request.number(QStringLiteral("year"), 2000),
        request.number(QStringLiteral("month"), 1), json, out);
    if (const int rc = StdoutResult(out, error))
        return rc;
    return clean ? kExitOk : kExitFindings;
}

int RunPropose(const TCliRequest& request, QString& error)
{
    bool json = false;
    TCliSession session;
    if (const int rc = openMonthCommand(request, session, json, error))
        return rc;
    const int year = request.number(QStringLiteral("year"), 2000), month = request.number(QStringLiteral("month"), 1);
    TProposalOptions options;
    options.timeLimit = request.number(QStringLiteral("time-limit"), 10);
    const bool apply = request.has(QStringLiteral("apply"));
    TProposalInput input = PrepareProposal(session.roster, year, month, options);
    TProposal proposal = SolveProposal(input);
    if (proposal.status == TProposalStatus::Failed || proposal.status == TProposalStatus::NoSolution) {
        error = proposal.status == TProposalStatus::Failed
            ? QStringLiteral("the solver failed")
                + (proposal.error.isEmpty() ? QString() : QStringLiteral(": ") + proposal.error)
            : QStringLiteral("no solution within the time limit; try a longer --time-limit");
        return kExitIo;
    }
    if (apply && !proposal.cells.empty()) {
        // Writing needs the lock; --force takes a lock of another copy over.
        session.store.lockFree = false;
        if (!session.store.canwritenowpersonen()) {
            error = QStringLiteral("the person file is locked by another copy or changed meanwhile; nothing written "
                                   "(--force takes another copy's lock over)");
            return kExitLocked;
        }
        int skipped = 0;
        ApplyProposal(session.roster, input, proposal, &skipped);
        // The month's hours, as the window's repaint records them before its save.
        for (const TProposedCell& c : proposal.cells) {
            TPerson& p = session.roster.personen[c.person];
            p.monatssumme = MonthHours(session.roster, p, year, month);
            RecordMonth(p, year, month);
        }
        const bool saved = session.store.savePersons();
        session.store.EndWriteMowpersonen();
        if (!saved) {
            error = QStringLiteral("the person file could not be written; nothing changed");
            return kExitIo;
        }
    }
    const QByteArray out = ProposalOutput(session.roster, proposal, apply && !proposal.cells.empty(), json);
    if (const int rc = StdoutResult(out, error))
        return rc;
    return proposal.shortfalls.empty() ? kExitOk : kExitFindings;
}

int RunHolidays(const TCliRequest& request, QString& error)
{
    TCliSession session;
    if (const int rc = OpenSession(session, request, false, error))
        return rc;
    std::array<bool, kFeiertagCount> enabled = session.roster.settings.FeiertageList;
    if (request.has(QStringLiteral("all")))
        enabled.fill(true);
    const int year = request.number(QStringLiteral("year"), 0);
    QByteArray out;
    for (int month = 1; month <= 12; ++month)
        for (int day = 1; day <= MonthDays(year, month); ++day)
            if (IsFeiertag(enabled, year, month, day))
                out += QDate(year, month, day).toString(QStringLiteral("yyyy-MM-dd")).toLatin1() + '\n';
    return StdoutResult(out, error);
}

// The screen of the desktop program: 96 dots per inch.
constexpr int kScreenDpi = 96;

int RunRenderMonth(const TCliRequest& request, QString& error)
{
    TCliSession session;
    if (const int rc = OpenSession(session, request, true, error))
        return rc;
    const QDate today = Clock::today();
    TMonthView view;
    view.month = request.number(QStringLiteral("month"), today.month());
    view.year = request.number(QStringLiteral("year"), today.year());
    view.page = request.number(QStringLiteral("page"), 1);
    view.filter = request.number(QStringLiteral("employee"), 0);
    const int active = int(ActiveEmployees(session.roster, view.year, view.month).size());
    if (view.filter > active) {
        error = QStringLiteral("--employee %1: %2/%3 has %4 employees")
                    .arg(view.filter)
                    .arg(view.month)
                    .arg(view.year)
                    .arg(active);
        return kExitUsage;
    }
    QImage image;
    const int zoom = request.number(QStringLiteral("zoom"), 100);
    const TMonthGeometry geo = RenderMonthPreview(
        image, DefaultPrintablePage(), kScreenDpi, zoom, session.roster, session.roster.settings, view);
    // A page beyond the last shows the last, as the page selector of the program does.
    if (view.Page() > geo.maxseiten && geo.maxseiten >= 1) {
        view.page = geo.maxseiten;
        RenderMonthPreview(
            image, DefaultPrintablePage(), kScreenDpi, zoom, session.roster, session.roster.settings, view);
    }
    return SavePicture(image, request.values.value(QStringLiteral("o")), error);
}

int RunStats(const TCliRequest& request, QString& error)
{
    TCliSession session;
    if (const int rc = OpenSession(session, request, true, error))
        return rc;
    const int year = request.number(QStringLiteral("year"), 0);
    const std::vector<TStatLine> lines = request.has(QStringLiteral("month"))
        ? MonthStatistics(session.roster, year, request.number(QStringLiteral("month"), 1))
        : YearStatistics(session.roster, year);
    QByteArray out;
    for (const TStatLine& line : lines)
        out += line.text.toUtf8() + '\n';
    return StdoutResult(out, error);
}

int RunRenderDay(const TCliRequest& request, QString& error)
{
    const QDate today = Clock::today();
    const int year = request.number(QStringLiteral("year"), today.year());
    const int month = request.number(QStringLiteral("month"), today.month());
    const bool otherMonth = request.has(QStringLiteral("month")) || request.has(QStringLiteral("year"));
    const int day = request.number(QStringLiteral("day"), otherMonth ? 1 : today.day());
    if (day > MonthDays(year, month)) {
        error = QStringLiteral("--day %1: %2/%3 has %4 days").arg(day).arg(month).arg(year).arg(MonthDays(year, month));
        return kExitUsage;
    }
    TCliSession session;
    if (const int rc = OpenSession(session, request, true, error))
        return rc;
    TDayView view;
    view.date = QDate(year, month, day);
    view.page = request.number(QStringLiteral("page"), 1);
    QImage image;
    const int zoom = request.number(QStringLiteral("zoom"), 100);
    const TDayGeometry geo = RenderDayPreview(
        image, DefaultPrintablePage(), kScreenDpi, zoom, session.roster, session.roster.settings, view);
    if (view.Page() > geo.maxseiten2 && geo.maxseiten2 >= 1) {
        view.page = geo.maxseiten2;
        RenderDayPreview(
            image, DefaultPrintablePage(), kScreenDpi, zoom, session.roster, session.roster.settings, view);
    }
    return SavePicture(image, request.values.value(QStringLiteral("o")), error);
}

int RunRenderYear(const TCliRequest& request, QString& error)
{
    TCliSession session;
    if (const int rc = OpenSession(session, request, true, error))
        return rc;
    TYearView view;
    view.year = request.number(QStringLiteral("year"), Clock::today().year());
    const int employee = request.number(QStringLiteral("employee"), 1);
    const int active = int(YearEmployees(session.roster, view.year).size());
    if (employee < 1 || (employee > active && request.has(QStringLiteral("employee")))) {
        error = QStringLiteral("--employee %1: %2 has %3 employees").arg(employee).arg(view.year).arg(active);
        return kExitUsage;
    }
    // The employee list of the view selects its first entry when it has one.
    view.selected = active > 0 ? employee - 1 : -1;
    QImage image;
    RenderYearPreview(image, DefaultPrintablePage(), kScreenDpi, request.number(QStringLiteral("zoom"), 100),
        session.roster, session.roster.settings, view);
    return SavePicture(image, request.values.value(QStringLiteral("o")), error);
}

// The message of a failed export on one line, naming the file and the reason.
int ExportFailed(const TExportResult& result, const QString& fileName, QString& error)
{
    QString reason = result.error != 0 ? WriteReason(result.error) : OneLine(result.detail);
    if (result.status == TExportStatus::BadPage)
        reason = QStringLiteral("the page has no usable size");
    error = QStringLiteral("cannot write %1").arg(QDir::toNativeSeparators(fileName));
    if (!reason.isEmpty())
        error += QStringLiteral(": ") + reason;
    return kExitIo;
}

int RunCsv(const TCliRequest& request, QString& error)
{
    TCliSession session;
    if (const int rc = OpenSession(session, request, true, error))
        return rc;
    const QString fileName = request.values.value(QStringLiteral("o"));
    const int year = request.number(QStringLiteral("year"), 0);
    const int month = request.number(QStringLiteral("month"), 0);
    if (IsStdout(fileName))
        return StdoutResult(
            CsvBytes(BuildCsvTable(session.roster, year, month, session.roster.settings.CaptionEd)), error);
    const TExportResult result
        = ExportMonthCsv(fileName, session.roster, year, month, session.roster.settings.CaptionEd);
    return result.ok() ? kExitOk : ExportFailed(result, fileName, error);
}

// A printer whose printable area is the whole paper: its size in pixels at `dpi` as
// QPageSize gives it.
TPdfPageGeometry PaperPage(const TCliRequest& request)
{
    const QString paper = request.values.value(QStringLiteral("paper"), QStringLiteral("A4")).toLower();
    const QPageSize::PageSizeId id = paper == QLatin1String("a3") ? QPageSize::A3
        : paper == QLatin1String("a5")                            ? QPageSize::A5
        : paper == QLatin1String("letter")                        ? QPageSize::Letter
        : paper == QLatin1String("legal")                         ? QPageSize::Legal
                                                                  : QPageSize::A4;
    TPdfPageGeometry page;
    page.dpi = request.number(QStringLiteral("dpi"), 600);
    const QSize size = QPageSize(id).sizePixels(page.dpi);
    const bool portrait = request.has(QStringLiteral("portrait"));
    page.width = portrait ? size.width() : size.height();
    page.height = portrait ? size.height() : size.width();
    return page;
}

int RunPdf(const TCliRequest& request, QString& error)
{
    TCliSession session;
    if (const int rc = OpenSession(session, request, true, error))
        return rc;
    const TPdfPageGeometry page = PaperPage(request);
    TMonthView view;
    view.month = request.number(QStringLiteral("month"), 0);
    view.year = request.number(QStringLiteral("year"), 0);
    // The page count the month view knows when the export starts: its preview at 100 %
    // on the same printer page, drawn as the window draws it.
    TPrintablePage printable;
    printable.width = page.width;
    printable.height = page.height;
    printable.dpi = page.dpi;
    QImage preview;
    const int count
        = RenderMonthPreview(preview, printable, kScreenDpi, 100, session.roster, session.roster.settings, view)
              .maxseiten;
    const QString fileName = request.values.value(QStringLiteral("o"));
    if (IsStdout(fileName)) {
        // Built in a private folder of this run, then sent on.
        QTemporaryDir work;
        const QString draft = work.filePath(QStringLiteral("out.pdf"));
        const TExportResult result = ExportMonthPdf(draft, page, session.roster, session.roster.settings, view, count);
        QFile built(draft);
        if (!result.ok() || !work.isValid() || !built.open(QIODevice::ReadOnly))
            return ExportFailed(result, QStringLiteral("standard output"), error);
        return StdoutResult(built.readAll(), error);
    }
    const TExportResult result = ExportMonthPdf(fileName, page, session.roster, session.roster.settings, view, count);
    return result.ok() ? kExitOk : ExportFailed(result, fileName, error);
}

// The calendar files of one employee or of all; the range was checked with the command line.
int RunIcal(const TCliRequest& request, QString& error)
{
    TICalRange range;
    parseYearMonth(request.values.value(QStringLiteral("from")), range.fromYear, range.fromMonth);
    parseYearMonth(request.values.value(QStringLiteral("to")), range.toYear, range.toMonth);
    TCliSession session;
    if (const int rc = OpenSession(session, request, true, error))
        return rc;
    const TRoster& roster = session.roster;
    const QString target = request.values.value(
        request.has(QStringLiteral("employee")) ? QStringLiteral("o") : QStringLiteral("output-dir"));
    // The texts of the file in the roster's language, as the desktop dialog passes them.
    TICalTexts texts;
    texts.overtimeLabel = TranslateText(texts.overtimeLabel);

    TICalResult result;
    if (request.has(QStringLiteral("employee"))) {
        const QString name = request.values.value(QStringLiteral("employee"));
        int matches = 0;
        for (const TPerson& p : roster.personen)
            matches += p.name == name ? 1 : 0;
        if (matches != 1) {
            error = matches == 0 ? QStringLiteral("no employee is named \"%1\"").arg(name)
                                 : QStringLiteral("%1 employees are named \"%2\"; give them different names in the "
                                                  "desktop program")
                                       .arg(matches)
                                       .arg(name);
            return kExitUsage;
        }
        if (IsStdout(target))
            return StdoutResult(
                PersonCalendar(roster, roster.personen[ICalPersonIndex(roster, name)], range, Clock::now(), texts),
                error);
        const QString file = QFileInfo(target).isDir()
            ? QDir(target).filePath(SafeICalBaseName(name) + QStringLiteral(".ics"))
            : target;
        result = ExportICalPerson(roster, ICalPersonIndex(roster, name), range, file, texts);
    } else {
        result = ExportICalAll(roster, range, target, texts);
    }

    QByteArray list;
    for (const QString& path : result.written)
        list += QDir::toNativeSeparators(path).toUtf8() + '\n';
    const bool listed = WriteStdout(list);
    switch (result.status) {
    case TICalStatus::Ok:
        break;
    case TICalStatus::InvalidRange: // checked before; kept for completeness
        error = QStringLiteral("the range of months is invalid");
        return kExitUsage;
    case TICalStatus::NoSuchPerson:
        error = QStringLiteral("no such employee");
        return kExitUsage;
    case TICalStatus::WriteFailed:
        error = QStringLiteral("cannot write %1").arg(QDir::toNativeSeparators(result.failedPath));
        if (result.error != 0)
            error += QStringLiteral(": ") + WriteReason(result.error);
        else if (!result.reason.isEmpty())
            error += QStringLiteral(": ") + OneLine(result.reason);
        return kExitIo;
    }
    if (!listed) {
        error = QStringLiteral("Cannot write to standard output");
        return kExitIo;
    }
    return kExitOk;
}

} // namespace

int RunCommand(const TCliRequest& request, QString& error)
{
    const QString& c = request.command;
    if (c == QLatin1String("dump"))
        return RunDump(request, error);
    if (c == QLatin1String("check"))
        return RunCheck(request, error);
    if (c == QLatin1String("propose"))
        return RunPropose(request, error);
    if (c == QLatin1String("holidays"))
        return RunHolidays(request, error);
    if (c == QLatin1String("csv"))
        return RunCsv(request, error);
    if (c == QLatin1String("pdf"))
        return RunPdf(request, error);
    if (c == QLatin1String("ical"))
        return RunIcal(request, error);
    if (c == QLatin1String("stats"))
        return RunStats(request, error);
    if (c == QLatin1String("render") && request.kind == QLatin1String("month"))
        return RunRenderMonth(request, error);
    if (c == QLatin1String("render") && request.kind == QLatin1String("day"))
        return RunRenderDay(request, error);
    if (c == QLatin1String("render") && request.kind == QLatin1String("year"))
        return RunRenderYear(request, error);
    error = QStringLiteral("unknown command \"%1\"").arg(c);
    return kExitUsage;
}
