#include "output/icalexport.h"

#include "core/datetime.h"
#include "core/fsops.h"
#include "core/roster.h"
#include "output/safefile.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSet>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr int kFoldOctets = 75;
constexpr int kMaxBaseNameLength = 80;

bool isControl(char16_t c)
{
    return c < 0x20 || c == 0x7F;
}

// yyyyMMdd of a calendar date (years 1 … 9999).
QByteArray dateValue(int year, int month, int day)
{
    char buf[8];
    const auto digits = [&buf](int at, int value, int n) {
        for (int i = n - 1; i >= 0; --i, value /= 10)
            buf[at + i] = static_cast<char>('0' + value % 10);
    };
    digits(0, year, 4);
    digits(4, month, 2);
    digits(6, day, 2);
    return QByteArray(buf, 8);
}

// Extra hours in German notation, shortest form: 2,5 / -1 / 0,25.
QString hoursText(double value)
{
    QLocale german(QLocale::German, QLocale::Germany);
    german.setNumberOptions(QLocale::OmitGroupSeparator);
    return german.toString(value, 'f', QLocale::FloatingPointShortest);
}

void appendLine(QByteArray& out, QByteArrayView name, QByteArrayView value)
{
    if (name.size() + 1 + value.size() <= kFoldOctets) { // the usual case: no folding
        out.append(name).append(':').append(value).append("\r\n");
        return;
    }
    QByteArray line;
    line.reserve(name.size() + 1 + value.size());
    line.append(name).append(':').append(value);
    out.append(FoldICalLine(line));
}

void appendText(QByteArray& out, QByteArrayView name, const QString& text)
{
    appendLine(out, name, EscapeICalText(text).toUtf8());
}

// What every event of one duty shares.
struct DutyCache {
    QByteArray summary; // escaped, UTF-8
    bool absence = false;
};

QString dutySummary(const TDienst& d)
{
    if (d.kuerzel.isEmpty())
        return d.name;
    if (d.name.isEmpty())
        return d.kuerzel;
    return d.name + QStringLiteral(" (") + d.kuerzel + QLatin1Char(')');
}

QByteArray personUidPart(const TPerson& p)
{
    return p.name.toUtf8() + '\x1f' + p.persnr.toUtf8() + '\x1f';
}

QByteArray uidFrom(const QByteArray& personPart, const QByteArray& date)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(personPart);
    hash.addData(date);
    return hash.result().toHex() + "@quorvex.example";
}

// The revision of every event of one export: seconds since 2000 of its stamp, so a later
// export carries the higher number (within 32 bits until 2068).
QByteArray sequenceOf(const QDateTime& stamp)
{
    static const QDateTime base(QDate(2000, 1, 1), QTime(0, 0), Qt::UTC);
    const qint64 s = base.secsTo(stamp);
    return QByteArray::number(std::clamp<qint64>(s, 0, 0x7FFFFFFF));
}

bool isDeviceName(const QString& base)
{
    const QString stem = base.section(QLatin1Char('.'), 0, 0).trimmed().toUpper();
    static const QSet<QString> names = [] {
        QSet<QString> s{QStringLiteral("CON"), QStringLiteral("PRN"), QStringLiteral("AUX"), QStringLiteral("NUL")};
        for (int i = 1; i <= 9; ++i) {
            s.insert(QStringLiteral("COM%1").arg(i));
            s.insert(QStringLiteral("LPT%1").arg(i));
        }
        return s;
    }();
    return names.contains(stem);
}

QString trimDotsAndBlanks(const QString& s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && (s[b] == QLatin1Char(' ') || s[b] == QLatin1Char('.')))
        ++b;
    while (e > b && (s[e - 1] == QLatin1Char(' ') || s[e - 1] == QLatin1Char('.')))
        --e;
    return s.mid(b, e - b);
}

} // namespace

// --- range -----------------------------------------------------------------------------

bool TICalRange::valid() const
{
    const auto inRange = [](int y, int m) { return y >= 1 && y <= 9999 && m >= 1 && m <= 12; };
    if (!inRange(fromYear, fromMonth) || !inRange(toYear, toMonth))
        return false;
    const int n = months();
    return n >= 1 && n <= kMaxMonths;
}

int TICalRange::months() const
{
    return (toYear - fromYear) * 12 + (toMonth - fromMonth) + 1;
}

// --- building blocks -------------------------------------------------------------------

QString EscapeICalText(const QString& text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        switch (c) {
        case u'\\':
            out += QStringLiteral("\\\\");
            break;
        case u';':
            out += QStringLiteral("\\;");
            break;
        case u',':
            out += QStringLiteral("\\,");
            break;
        case u'\r':
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
            out += QStringLiteral("\\n");
            break;
        case u'\n':
            out += QStringLiteral("\\n");
            break;
        default:
            if (!isControl(c) || c == u'\t')
                out += QChar(c);
        }
    }
    return out;
}

QByteArray FoldICalLine(QByteArrayView line)
{
    QByteArray out;
    out.reserve(line.size() + line.size() / 70 * 3 + 2);
    qsizetype pos = 0;
    int room = kFoldOctets; // octets the current physical line may still take
    while (line.size() - pos > room) {
        qsizetype cut = pos + room;
        // Step back to the start of a UTF-8 sequence (continuation bytes are 10xxxxxx).
        while (cut > pos && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut;
        if (cut == pos) // not UTF-8 at all: cut where the octet count says
            cut = pos + room;
        out.append(line.sliced(pos, cut - pos));
        out.append("\r\n ");
        pos = cut;
        room = kFoldOctets - 1; // the leading blank counts
    }
    out.append(line.sliced(pos));
    out.append("\r\n");
    return out;
}

QString ICalUid(const TPerson& p, int year, int month, int day)
{
    return QString::fromLatin1(uidFrom(personUidPart(p), dateValue(year, month, day)));
}

QString SafeICalBaseName(const QString& name)
{
    static const QString reserved = QStringLiteral("/\\:*?\"<>|");
    QString s;
    s.reserve(name.size());
    for (QChar c : name)
        s += (isControl(c.unicode()) || reserved.contains(c)) ? QLatin1Char('_') : c;
    s = trimDotsAndBlanks(s);
    if (s.size() > kMaxBaseNameLength) {
        qsizetype n = kMaxBaseNameLength;
        if (s[n - 1].isHighSurrogate())
            --n;
        s = trimDotsAndBlanks(s.left(n));
    }
    if (s.isEmpty())
        return QStringLiteral("Mitarbeiter");
    if (isDeviceName(s))
        s.prepend(QLatin1Char('_'));
    return s;
}

QStringList ICalFileNames(const QStringList& names)
{
    QStringList result;
    QSet<QString> taken;
    for (const QString& name : names) {
        const QString base = SafeICalBaseName(name);
        QString candidate = base + QStringLiteral(".ics");
        for (int n = 2; taken.contains(candidate.toLower()); ++n)
            candidate = QStringLiteral("%1 (%2).ics").arg(base).arg(n);
        taken.insert(candidate.toLower());
        result << candidate;
    }
    return result;
}

// --- calendars ---------------------------------------------------------------------------

bool ActiveInRange(const TPerson& p, const TICalRange& range)
{
    if (!range.valid())
        return false;
    int y = range.fromYear, m = range.fromMonth;
    for (int i = 0; i < range.months(); ++i) {
        if (IsActiveInMonth(p, y, m))
            return true;
        if (++m > 12) {
            m = 1;
            ++y;
        }
    }
    return false;
}

QByteArray PersonCalendar(const TRoster& roster, const TPerson& p, const TICalRange& range, const QDateTime& stamp,
    const TICalTexts& texts, int* events)
{
    int count = 0;
    QByteArray out;
    out.reserve(4096);
    appendLine(out, "BEGIN", "VCALENDAR");
    appendLine(out, "VERSION", "2.0");
    appendLine(out, "PRODID", "-//Quorvex//Rostelmark//DE");
    appendLine(out, "CALSCALE", "GREGORIAN");
    appendText(out, "X-WR-CALNAME", p.name);

    if (range.valid()) {
        const QByteArray dtstamp = stamp.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'")).toLatin1();
        const QByteArray sequence = sequenceOf(stamp);
        const QByteArray personPart = personUidPart(p);
        const QByteArray overtimePrefix = EscapeICalText(texts.overtimeLabel + QStringLiteral(": ")).toUtf8();

        std::vector<DutyCache> duties(static_cast<std::size_t>(roster.dienste.Count()));
        std::vector<bool> cached(duties.size(), false);
        const auto dutyData = [&](int nr) -> const DutyCache& {
            const auto k = static_cast<std::size_t>(nr - 1);
            if (!cached[k]) {
                const TDienst& d = roster.dienste[nr - 1];
                duties[k].summary = EscapeICalText(dutySummary(d)).toUtf8();
                duties[k].absence = d.abwesend;
                cached[k] = true;
            }
            return duties[k];
        };

        std::array<int, 31> dayIndex{};
        int y = range.fromYear, m = range.fromMonth;
        for (int i = 0; i < range.months(); ++i) {
            if (IsActiveInMonth(p, y, m)) {
                p.eintragIndex.FindMonth(p.eintraege, y, m, dayIndex.data());
                const int days = QDate(y, m, 1).daysInMonth();
                for (int d = 1; d <= days; ++d) {
                    const int idx = dayIndex[static_cast<std::size_t>(d - 1)];
                    if (idx < 0)
                        continue;
                    const TEintrag& e = p.eintraege[idx];
                    if (e.dienst < 1 || e.dienst > roster.dienste.Count())
                        continue;
                    const DutyCache& duty = dutyData(e.dienst);
                    const QByteArray date = dateValue(y, m, d);
                    appendLine(out, "BEGIN", "VEVENT");
                    appendLine(out, "UID", uidFrom(personPart, date));
                    appendLine(out, "DTSTAMP", dtstamp);
                    appendLine(out, "LAST-MODIFIED", dtstamp);
                    appendLine(out, "SEQUENCE", sequence);
                    appendLine(out, "DTSTART;VALUE=DATE", date);
                    const int ny = d < days || m < 12 ? y : y + 1;
                    const int nm = d < days ? m : m % 12 + 1;
                    const int nd = d < days ? d + 1 : 1;
                    if (ny <= 9999) // no five-digit years; without DTEND a date event lasts one day
                        appendLine(out, "DTEND;VALUE=DATE", dateValue(ny, nm, nd));
                    appendLine(out, "SUMMARY", duty.summary);
                    if (e.ueberstunden != 0 && std::isfinite(e.ueberstunden))
                        appendLine(
                            out, "DESCRIPTION", overtimePrefix + EscapeICalText(hoursText(e.ueberstunden)).toUtf8());
                    appendLine(out, "TRANSP", duty.absence ? "TRANSPARENT" : "OPAQUE");
                    appendLine(out, "END", "VEVENT");
                    ++count;
                }
            }
            if (++m > 12) {
                m = 1;
                ++y;
            }
        }
    }
    appendLine(out, "END", "VCALENDAR");
    if (events)
        *events = count;
    return out;
}

int ICalPersonIndex(const TRoster& roster, const QString& name)
{
    for (int i = 0; i < roster.personen.Count(); ++i)
        if (roster.personen[i].name == name)
            return i;
    return -1;
}

// --- files -------------------------------------------------------------------------------

namespace {
bool writeICal(const QString& path, const QByteArray& data, QString& reason, int& err, bool syncFolder)
{
    err = WriteFileSafely(path, data, syncFolder);
    if (err != 0)
        reason = SystemReason(err);
    return err == 0;
}
} // namespace

bool WriteICalFile(const QString& path, const QByteArray& data, QString& reason, bool syncFolder)
{
    int err = 0;
    return writeICal(path, data, reason, err, syncFolder);
}

namespace {
bool writeOne(const TRoster& roster, const TPerson& p, const TICalRange& range, const QString& path,
    const TICalTexts& texts, const QDateTime& stamp, bool syncFolder, TICalResult& result)
{
    int events = 0;
    const QByteArray data = PersonCalendar(roster, p, range, stamp, texts, &events);
    QString reason;
    int err = 0;
    if (!writeICal(path, data, reason, err, syncFolder)) {
        result.status = TICalStatus::WriteFailed;
        result.failedPath = path;
        result.reason = reason;
        result.error = err;
        return false;
    }
    result.written << path;
    result.events += events;
    return true;
}
} // namespace

TICalResult ExportICalPerson(
    const TRoster& roster, int personIndex, const TICalRange& range, const QString& file, const TICalTexts& texts)
{
    TICalResult result;
    if (!range.valid()) {
        result.status = TICalStatus::InvalidRange;
        return result;
    }
    if (personIndex < 0 || personIndex >= roster.personen.Count()) {
        result.status = TICalStatus::NoSuchPerson;
        return result;
    }
    writeOne(roster, roster.personen[personIndex], range, file, texts, Clock::now(), true, result);
    return result;
}

TICalResult ExportICalAll(
    const TRoster& roster, const TICalRange& range, const QString& folder, const TICalTexts& texts)
{
    TICalResult result;
    if (!range.valid()) {
        result.status = TICalStatus::InvalidRange;
        return result;
    }
    std::vector<int> persons;
    QStringList names;
    for (int i = 0; i < roster.personen.Count(); ++i) {
        if (ActiveInRange(roster.personen[i], range)) {
            persons.push_back(i);
            names << roster.personen[i].name;
        }
    }
    if (!persons.empty() && !QDir().mkpath(folder)) {
        result.status = TICalStatus::WriteFailed;
        result.failedPath = folder;
        // The reason the last step of the path gives.
        const bool taken = ::mkdir(QFile::encodeName(folder).constData(), 0777) != 0 && errno == EEXIST;
        result.error = taken ? ENOTDIR : errno;
        result.reason = SystemReason(result.error);
        return result;
    }
    const QStringList files = ICalFileNames(names);
    const QDateTime stamp = Clock::now();
    const QDir dir(folder);
    // Every file is synced before its rename, the folder once at the end. The files of a
    // batch are all written before the first of them is synced: the file system then
    // puts them on disk together, and the later syncs find little left to do.
    constexpr std::size_t kBatch = 64; // open files at a time
    for (std::size_t first = 0; first < persons.size() && result.ok(); first += kBatch) {
        const std::size_t end = std::min(persons.size(), first + kBatch);
        std::vector<std::unique_ptr<TSafeFile>> open;
        std::vector<int> events;
        std::size_t k = first;
        int failedError = 0;
        for (; k < end; ++k) {
            int n = 0;
            const QByteArray data = PersonCalendar(roster, roster.personen[persons[k]], range, stamp, texts, &n);
            auto file = std::make_unique<TSafeFile>(dir.filePath(files[static_cast<qsizetype>(k)]));
            if (!file->Create() || !file->Write(data)) {
                failedError = file->Error();
                break;
            }
            open.push_back(std::move(file));
            events.push_back(n);
        }
        // The files written so far are committed in order; a failure stops there.
        for (std::size_t j = 0; j < open.size(); ++j) {
            const QString path = dir.filePath(files[static_cast<qsizetype>(first + j)]);
            if (!open[j]->Commit(false)) {
                failedError = open[j]->Error();
                k = first + j;
                break;
            }
            result.written << path;
            result.events += events[j];
        }
        if (failedError != 0) {
            result.status = TICalStatus::WriteFailed;
            result.failedPath = dir.filePath(files[static_cast<qsizetype>(k)]);
            result.error = failedError;
            result.reason = SystemReason(failedError);
        }
    }
    if (!result.written.isEmpty() && FsSyncFolderOf(result.written.constLast()) == EIO && result.ok()) {
        result.status = TICalStatus::WriteFailed;
        result.failedPath = folder;
        result.reason = SystemReason(EIO);
    }
    return result;
}
