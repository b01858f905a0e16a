// A second copy of the program for the two-process tests: a TDataStore on the folder
// given as argument, driven by line commands on stdin, reporting on stdout.
//
//   answer yes|no|cancel   answer to message 30 from now on (default cancel)
//   poll on|off            the 1000 ms poll (default on)
//   add NAME               lock, append person NAME, save, release → "added NAME" / "skipped NAME"
//   list                   → "persons: a,b,…"
//   touch                  change a plan setting in memory only (saved at "end")
//   end                    the end sequence: save each file under its lock → "ended"
//   bigsave N              save forever a roster of N or N+1 persons with three years of
//                          entries each, alternating; "saved K" after each save
//   quit
// Callbacks print "ask30", "error: …", "listed: a,b,…" and "language N".
#include "storage/datastore.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {

void say(const QString& line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QString names(const TRoster& roster)
{
    QStringList list;
    for (const TPerson& p : roster.personen)
        list << p.name;
    return list.join(QLatin1Char(','));
}

class DriverUi : public TStoreUi {
public:
    explicit DriverUi(TRoster& r)
        : roster(r)
    {
    }
    TRoster& roster;
    TLockAnswer answer = TLockAnswer::Cancel;

    TLockAnswer AskLockMessage(const QString&) override
    {
        say(QStringLiteral("ask30"));
        return answer;
    }
    void ShowError(const QString& text) override
    {
        QString t = text;
        say(QStringLiteral("error: ") + t.replace(QLatin1Char('\n'), QLatin1Char('|')));
    }
    void ListPersons() override { say(QStringLiteral("listed: ") + names(roster)); }
    void ListDienste() override {}
    void LanguageRead(int index) override { say(QStringLiteral("language ") + QString::number(index)); }
    void PollStatus(const QString& text) override { say(QStringLiteral("status: ") + text); }
};

void addBigPerson(TRoster& roster, int i)
{
    {
        TPerson* p = roster.AddPerson();
        p->name = QStringLiteral("p%1").arg(i);
        for (int d = 0; d < 3 * 365; ++d) {
            TEintrag* e = p->eintraege.Add();
            e->datum = EncodeDate(2022, 1, 1) + d;
            e->dienst = 1 + d % 3;
            e->ueberstunden = d % 7 == 0 ? 1.5 : 0;
        }
        for (int m = 0; m < TMonatsTabelle::kElements; ++m)
            p->soll.werte[m] = 160 + i;
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fputs("usage: storage_driver FOLDER\n", stderr);
        return 2;
    }
    TRoster roster;
    DriverUi ui(roster);
    TDataStore store(roster, ui);
    store.progpath = QString::fromLocal8Bit(argv[1]);
    if (!store.progpath.endsWith(QLatin1Char('/')))
        store.progpath += QLatin1Char('/');
    store.loadPersons();
    store.loadDienste();

    QTimer poll;
    poll.setInterval(1000);
    QObject::connect(&poll, &QTimer::timeout, &app, [&] { store.Timer1Timer(); });
    poll.start();

    QByteArray pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buf[4096];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            app.quit();
            return;
        }
        pending.append(buf, n);
        qsizetype nl;
        while ((nl = pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(pending.left(nl)).trimmed();
            pending.remove(0, nl + 1);
            const QString cmd = line.section(QLatin1Char(' '), 0, 0);
            const QString arg = line.section(QLatin1Char(' '), 1);
            if (cmd == QLatin1String("answer")) {
                ui.answer = arg == QLatin1String("no") ? TLockAnswer::No
                    : arg == QLatin1String("yes")      ? TLockAnswer::Yes
                                                       : TLockAnswer::Cancel;
                say(QStringLiteral("ok"));
            } else if (cmd == QLatin1String("poll")) {
                if (arg == QLatin1String("off"))
                    poll.stop();
                else
                    poll.start();
                say(QStringLiteral("ok"));
            } else if (cmd == QLatin1String("add")) {
                if (store.canwritenowpersonen()) {
                    roster.AddPerson()->name = arg;
                    store.savePersons();
                    store.EndWriteMowpersonen();
                    say(QStringLiteral("added ") + arg);
                } else {
                    say(QStringLiteral("skipped ") + arg);
                }
            } else if (cmd == QLatin1String("touch")) {
                roster.settings.TesselColorComboBox1 ^= 1;
                say(QStringLiteral("ok"));
            } else if (cmd == QLatin1String("end")) {
                store.SaveAllAtEnd();
                say(QStringLiteral("ended"));
            } else if (cmd == QLatin1String("list")) {
                say(QStringLiteral("persons: ") + names(roster));
            } else if (cmd == QLatin1String("bigsave")) {
                const int base = arg.toInt();
                roster.personen.Clear();
                for (int i = 0; i < base; ++i)
                    addBigPerson(roster, i);
                for (int k = 1;; ++k) {
                    if (k % 2)
                        addBigPerson(roster, base);
                    else
                        roster.personen.Delete(base);
                    store.savePersons();
                    say(QStringLiteral("saved %1").arg(k));
                }
            } else if (cmd == QLatin1String("quit")) {
                app.quit();
            } else {
                say(QStringLiteral("unknown ") + cmd);
            }
        }
    });
    return app.exec();
}
