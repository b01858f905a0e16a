#pragma once
// Calendar files (iCalendar, RFC 5545) of the roster: one file per employee with every day
// of a range of months that carries a duty, as an all-day event. Shared by the desktop
// program and the command-line tool; no widgets here.
//
// What a file holds:
// - Only months in which the person is active (the month planner shows a row for them).
// - Per day the entry the planner shows: the first entry of that day in stored order.
//   Days whose entry has no duty (0) or a number outside the duty list get no event.
// - SUMMARY "name (abbreviation)"; DESCRIPTION "<label>: 2,5" when the entry carries extra
//   hours (numbers always in German notation, whatever the locale, so a file does not
//   change with the machine that wrote it); TRANSP:TRANSPARENT for absence duties,
//   OPAQUE for the others.
// - UID: SHA-1 over the person's name and personnel number and the date only, so a
//   re-export keeps the UID of every day whatever its duty, and a calendar that imports the
//   new file updates the event instead of showing old and new duty side by side.
// - DTSTAMP and LAST-MODIFIED from the program clock in UTC, SEQUENCE the seconds since
//   2000 of that stamp, so clients take a later export as the newer version; no METHOD
//   (a published calendar without organizer is no scheduling message); CRLF line ends; lines folded at 75 octets
//   without cutting a UTF-8 sequence; texts escaped (\\ \; \, \n), control characters
//   dropped; UTF-8.
// Files go through the export writer (output/safefile.h): synced before they replace
// the target; a failed write leaves the old file as it was.

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QStringList>

class TRoster;
struct TPerson;
struct TDienst;

// A range of whole months, both ends included.
struct TICalRange {
    int fromYear = 0;
    int fromMonth = 0;
    int toYear = 0;
    int toMonth = 0;

    // Years 1 … 9999, months 1 … 12, from not after to, at most kMaxMonths months.
    bool valid() const;
    int months() const; // number of months from `from` to `to`, both included
    static constexpr int kMaxMonths = 1200; // 100 years
};

// Texts that the file carries besides the roster's own. German by default; the desktop
// program passes them translated.
struct TICalTexts {
    QString overtimeLabel = QStringLiteral("Überstunden");
};

// --- building blocks ---------------------------------------------------------------

// A TEXT value escaped: backslash, semicolon, comma, line breaks (LF, CR LF, CR → "\n");
// other control characters are dropped (they are not allowed in a TEXT value).
QString EscapeICalText(const QString& text);
// One content line (without line end) folded at 75 octets: continuation lines start with
// a blank; a multi-byte UTF-8 sequence is never cut. Every line ends with CR LF.
QByteArray FoldICalLine(QByteArrayView line);
// "…@quorvex.example" for that person and day.
QString ICalUid(const TPerson& p, int year, int month, int day);
// A file name made from a person's name that every common file system accepts (no
// separators, reserved characters, control characters, leading or trailing dots and
// blanks, device names), at most 80 characters, without extension; "Mitarbeiter" when
// nothing of the name remains.
QString SafeICalBaseName(const QString& name);
// File names ("….ics") for the given person names, in order, unique without regard to
// case ("Name.ics", "Name (2).ics", …).
QStringList ICalFileNames(const QStringList& names);

// --- calendars and files -----------------------------------------------------------

// The calendar of one person over the range, stamped with `stamp` (converted to UTC).
// `events` receives the number of events when given. An invalid range gives an empty
// calendar.
QByteArray PersonCalendar(const TRoster& roster, const TPerson& p, const TICalRange& range, const QDateTime& stamp,
    const TICalTexts& texts = {}, int* events = nullptr);

// The person is active in at least one month of the range.
bool ActiveInRange(const TPerson& p, const TICalRange& range);

// Index of the first person with exactly this name; -1 if there is none.
int ICalPersonIndex(const TRoster& roster, const QString& name);

enum class TICalStatus {
    Ok,
    InvalidRange, // nothing written
    NoSuchPerson, // nothing written
    WriteFailed, // `failedPath` names the file or folder, `reason` says why (may be empty);
                 // files before it are written
};

struct TICalResult {
    TICalStatus status = TICalStatus::Ok;
    QString failedPath;
    QString reason;
    int error = 0; // the error number behind `reason` (see SystemReason)
    QStringList written; // full paths of the files written, in order
    int events = 0; // events in all written files
    bool ok() const { return status == TICalStatus::Ok; }
};

// Writes `data` to `path` through the export writer; the folder is synced afterwards
// unless `syncFolder` is false. False with `reason` set when that failed; `path` is then
// unchanged.
bool WriteICalFile(const QString& path, const QByteArray& data, QString& reason, bool syncFolder = true);

// The calendar of person `personIndex` (0-based) into `file`. The clock's now is the stamp.
TICalResult ExportICalPerson(
    const TRoster& roster, int personIndex, const TICalRange& range, const QString& file, const TICalTexts& texts = {});
// One file per person active in the range into `folder` (created when missing), named by
// ICalFileNames. Stops at the first file that cannot be written. The folder is synced
// once after the last file.
TICalResult ExportICalAll(
    const TRoster& roster, const TICalRange& range, const QString& folder, const TICalTexts& texts = {});
