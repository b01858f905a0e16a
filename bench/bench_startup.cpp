// Process start to the first paint of the main window, for the program and for a bare
// widget window with the same eight tabs. Each child writes the monotonic clock at its
// first paint to a pipe; the time from fork to that moment is the iteration time. The
// children run with a private home and settings folder, offscreen unless a display is set;
// the program finds 24 employees with a month of entries in its data folder.
// Target: the program at most 1.3× the bare window; BM_StartupProgramOverBare reports the
// ratio of the two launched in turn.
#include "sampleroster.h"
#include "storage/rosterfiles.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <ctime>
#include <sys/wait.h>
#include <unistd.h>

namespace {

qint64 nowNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// Seconds from fork to the child's first paint; negative when it reported none.
double launch(const char* exe)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return -1;
    const qint64 start = nowNs();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        ::dup2(fds[1], 3);
        ::execl(exe, exe, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    QByteArray got;
    char buf[64];
    ssize_t n;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0)
        got.append(buf, n);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    bool ok = false;
    const qint64 painted = got.trimmed().toLongLong(&ok);
    return ok ? double(painted - start) / 1e9 : -1;
}

void run(benchmark::State& state, const char* exe)
{
    for (auto _ : state) {
        const double seconds = launch(exe);
        if (seconds < 0) {
            state.SkipWithError("no first paint reported");
            break;
        }
        state.SetIterationTime(seconds);
    }
}

void BM_StartupProgram(benchmark::State& state)
{
    run(state, ROSTELMARK_EXE);
}
void BM_StartupBareWindow(benchmark::State& state)
{
    run(state, BARE_EXE);
}

// The two in turn, so that a machine that gets slower or faster during the run changes
// both sides of the ratio alike. The iteration time is the program's.
void BM_StartupProgramOverBare(benchmark::State& state)
{
    double program = 0, bare = 0;
    for (auto _ : state) {
        const double b = launch(BARE_EXE), p = launch(ROSTELMARK_EXE);
        if (b < 0 || p < 0) {
            state.SkipWithError("no first paint reported");
            break;
        }
        bare += b;
        program += p;
        state.SetIterationTime(p);
    }
    if (bare > 0) {
        state.counters["bare_ms"] = benchmark::Counter(bare * 1e3 / double(state.iterations()));
        state.counters["ratio"] = program / bare;
    }
}

} // namespace

BENCHMARK(BM_StartupBareWindow)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_StartupProgram)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

BENCHMARK(BM_StartupProgramOverBare)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

int main(int argc, char** argv)
{
    // ROSTELMARK_BENCH_HOME keeps the prepared home in a named folder, for profiling the
    // program by hand with the same data.
    QTemporaryDir temporary;
    const QString home = qEnvironmentVariableIsSet("ROSTELMARK_BENCH_HOME")
        ? qEnvironmentVariable("ROSTELMARK_BENCH_HOME")
        : temporary.path();
    ::setenv("HOME", home.toLocal8Bit().constData(), 1);
    ::setenv("XDG_CONFIG_HOME", (home + QStringLiteral("/config")).toLocal8Bit().constData(), 1);
    ::setenv("XDG_DATA_HOME", (home + QStringLiteral("/data")).toLocal8Bit().constData(), 1);
    {
        // Plan slot 1 in the per-user data folder, as a planner's first start finds it.
        const QString slot = home + QStringLiteral("/data/Quorvex/Rostelmark 1/");
        QDir().mkpath(slot);
        TRoster roster;
        const QDate today = QDate::currentDate();
        sample::FillRoster(roster, 24, today.year(), today.month());
        QFile persons(slot + QStringLiteral("personen.dat")), duties(slot + QStringLiteral("dienste.dat"));
        if (!persons.open(QIODevice::WriteOnly) || !duties.open(QIODevice::WriteOnly))
            return 1;
        persons.write(SerializePersonFile(roster.personen, roster.settings));
        duties.write(SerializeDutyFile(roster.dienste, roster.settings.RandBreitEd));
    }
    ::setenv("ROSTELMARK_FIRST_PAINT_FD", "3", 1);
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
