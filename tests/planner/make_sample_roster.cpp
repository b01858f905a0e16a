// Writes a filled roster (person and duty file of plan slot 1) into a data folder, for
// looking at the planner with realistic data.
//   make_sample_roster FOLDER [PERSONS [YEAR MONTH]]
#include "sampleroster.h"
#include "storage/rosterfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

namespace {
bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path), qPrintable(f.errorString()));
        return false;
    }
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: make_sample_roster FOLDER [PERSONS [YEAR MONTH]]\n");
        return 2;
    }
    const QDate today = QDate::currentDate();
    const int persons = args.size() > 2 ? args[2].toInt() : 24;
    const int year = args.size() > 4 ? args[3].toInt() : today.year();
    const int month = args.size() > 4 ? args[4].toInt() : today.month();
    if (persons < 0 || year < 1 || year > 9999 || month < 1 || month > 12) {
        std::fprintf(stderr, "bad arguments\n");
        return 2;
    }
    QDir().mkpath(args[1]);
    TRoster roster;
    sample::FillRoster(roster, persons, year, month);
    const QString dir = QDir(args[1]).absolutePath() + QLatin1Char('/');
    if (!writeFile(dir + QStringLiteral("personen.dat"), SerializePersonFile(roster.personen, roster.settings))
        || !writeFile(
            dir + QStringLiteral("dienste.dat"), SerializeDutyFile(roster.dienste, roster.settings.RandBreitEd)))
        return 1;
    std::printf(
        "%d employees, %d duties, %02d/%d in %s\n", persons, int(roster.dienste.Count()), month, year, qPrintable(dir));
    return 0;
}
