#pragma once
// The month plan as a text table for spreadsheet programs: a heading, the days and their
// weekdays, one row per employee active in the month with the abbreviation of each day's
// duty, and a row counting the employees present per day.

#include "output/exportresult.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <vector>

class QIODevice;
class TRoster;

constexpr int kCsvColumns = 32; // names and labels, then days 1 … 31

using TCsvRow = std::array<QString, kCsvColumns>;

// The table for (year, month): P + 5 rows for the P persons of the list, active or not.
// `caption` is the month plan's heading text. Every active person is exported; the
// employee filter of the planner does not apply.
std::vector<TCsvRow> BuildCsvTable(const TRoster& roster, int year, int month, const QString& caption);

// A text cell a spreadsheet would take as a formula: it starts with =, +, -, @, a tab or
// a carriage return and is not a plain number ("-1,5" stays data).
bool IsFormulaCell(const QString& cell);

// One line: formula cells get a leading apostrophe (shown as text, never evaluated); every
// cell quoted, quotes doubled, CR and LF written as \r and \n, cells
// joined by ';', ended by CR LF.
QString CsvLine(const TCsvRow& row);
// The whole file in Windows-1252 (characters it cannot hold become '?'), no byte order mark.
QByteArray CsvBytes(const std::vector<TCsvRow>& table);

// Writes `bytes` to an open device; false with the device's reason when a write falls short.
bool WriteAllBytes(QIODevice& device, const QByteArray& bytes, QString* error);

// Writes `bytes` as the export `fileName` through the export writer (output/safefile.h).
// CannotCreate when the file cannot be created, WriteFailed when writing or replacing
// fails; in both cases a file of that name stays as it was. The reason is in the result.
TExportResult WriteExportFile(const QString& fileName, const QByteArray& bytes);

// Builds the table and writes it to `fileName` with WriteExportFile.
TExportResult ExportMonthCsv(
    const QString& fileName, const TRoster& roster, int year, int month, const QString& caption);
