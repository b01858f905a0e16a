// Process start to the first paint of the main window, for the program and for a bare
// widget window with the same eight tabs. Each child writes the monotonic clock at its
// first paint to a pipe; the time from fork to that moment is the iteration time. The
// children run with a private home and settings folder, offscreen unless a display is set.
#include <benchmark/benchmark.h>

#include <QByteArray>
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

int main(int argc, char** argv)
{
    QTemporaryDir home;
    ::setenv("HOME", home.path().toLocal8Bit().constData(), 1);
    ::setenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toLocal8Bit().constData(), 1);
    ::setenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toLocal8Bit().constData(), 1);
    ::setenv("ROSTELMARK_FIRST_PAINT_FD", "3", 1);
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
