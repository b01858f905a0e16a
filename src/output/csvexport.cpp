#include "output/csvexport.h"

#include "calendar/feiertage.h"
#include "core/ansicodec.h"
#include "core/roster.h"
#include "i18n/messagetable.h"
#include "output/safefile.h"

#include <QIODevice>
#include <QRegularExpression>

namespace {
// For every day of the month the first entry of that day, in stored order, whose duty
// number names a duty of the list; nullptr when there is none. One pass over the entries.
std::array<const TDienst*, 31> monthDuties(const TRoster& roster, const TPerson& p, int year, int month, int days)
{
    std::array<const TDienst*, 31> duty{};
    const std::int64_t first = TEintragIndex::DayKey(EncodeDate(year, month, 1));
    const int n = p.eintraege.Count();
    for (int i = 0; i < n; ++i) {
        const TEintrag& e = p.eintraege[i];
        const std::int64_t d = TEintragIndex::DayKey(e.datum) - first;
        if (d < 0 || d >= days || duty[d] != nullptr || e.dienst < 1)
            continue;
        duty[d] = roster.DienstOf(e);
    }
    return duty;
}
} // namespace

std::vector<TCsvRow> BuildCsvTable(const TRoster& roster, int year, int month, const QString& caption)
{
    const int persons = roster.personen.Count();
    std::vector<TCsvRow> table(static_cast<std::size_t>(persons) + 5);
    if (month < 1 || month > 12 || year < 1 || year > 9999)
        return table;
    table[0][0] = caption + QLatin1Char(' ') + QString::number(month) + QLatin1Char('/') + QString::number(year);

    const int days = MonthDays(year, month);
    std::vector<std::array<const TDienst*, 31>> duties;
    for (int i = 0; i < persons; ++i) {
        const TPerson& p = roster.personen[i];
        if (!IsActiveInMonth(p, year, month))
            continue;
        table[4 + duties.size()][0] = p.name;
        duties.push_back(monthDuties(roster, p, year, month, days));
    }
    const std::size_t attendanceRow = 4 + duties.size();
    table[attendanceRow][0] = GetMessageText(21);

    for (int d = 1; d <= days; ++d) {
        const QDate date(year, month, d);
        table[2][d] = QString::number(d);
        table[3][d] = WeekdayAbbrev[static_cast<std::size_t>(WeekdayIndex(date))];
        const bool workday = !IsWeekend(date) && !IsFeiertag(roster.settings.FeiertageList, year, month, d);
        int count = 0;
        for (std::size_t i = 0; i < duties.size(); ++i) {
            bool present = workday;
            if (const TDienst* duty = duties[i][static_cast<std::size_t>(d - 1)]) {
                table[4 + i][d] = duty->kuerzel;
                present = !duty->abwesend;
            }
            if (present)
                ++count;
        }
        table[attendanceRow][d] = QString::number(count);
    }
    return table;
}

bool IsFormulaCell(const QString& cell)
{
    if (cell.isEmpty())
        return false;
    const QChar c = cell.front();
    if (c != QLatin1Char('=') && c != QLatin1Char('+') && c != QLatin1Char('-') && c != QLatin1Char('@')
        && c != QLatin1Char('\t') && c != QLatin1Char('\r'))
        return false;
    // A plain number in either notation ("-1,5", "+2", "-0.25") is data, not a formula.
    static const QRegularExpression number(QStringLiteral("^[+-]?[0-9]+([,.][0-9]+)?$"));
    return !number.match(cell).hasMatch();
}

QString CsvLine(const TCsvRow& row)
{
    QString line;
    for (int c = 0; c < kCsvColumns; ++c) {
        if (c > 0)
            line += QLatin1Char(';');
        QString cell = row[static_cast<std::size_t>(c)];
        if (IsFormulaCell(cell))
            cell.prepend(QLatin1Char('\''));
        cell.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
        cell.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
        cell.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        line += QLatin1Char('"') + cell + QLatin1Char('"');
    }
    return line + QStringLiteral("\r\n");
}

QByteArray CsvBytes(const std::vector<TCsvRow>& table)
{
    QByteArray bytes;
    for (const TCsvRow& row : table)
        bytes += ToAnsi(CsvLine(row));
    return bytes;
}

bool WriteAllBytes(QIODevice& device, const QByteArray& bytes, QString* error)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 n = device.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0) {
            if (error)
                *error = device.errorString();
            return false;
        }
        done += n;
    }
    return true;
}

TExportResult WriteExportFile(const QString& fileName, const QByteArray& bytes)
{
    TSafeFile target(fileName);
    if (!target.Create())
        return ExportFailure(TExportStatus::CannotCreate, target.Error());
    if (!target.Write(bytes) || !target.Commit())
        return ExportFailure(TExportStatus::WriteFailed, target.Error());
    return {};
}

TExportResult ExportMonthCsv(
    const QString& fileName, const TRoster& roster, int year, int month, const QString& caption)
{
    return WriteExportFile(fileName, CsvBytes(BuildCsvTable(roster, year, month, caption)));
}
