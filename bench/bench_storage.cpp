// Loading and saving a large person file (500 persons, three years of daily entries),
// side by side with reading the file's bytes into memory and writing as many bytes.
// Load should stay within 2.5× the read, save within 3× the write (both synced to disk).
// The write-lock check of a change adds at most one read of the file to the save.
#include "storage/datastore.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class SilentUi : public TStoreUi {
public:
    TLockAnswer AskLockMessage(const QString&) override { return TLockAnswer::No; }
    void ShowError(const QString& text) override { qFatal("%s", qPrintable(text)); }
    void ListPersons() override {}
    void ListDienste() override {}
    void LanguageRead(int) override {}
};

struct Fixture {
    QTemporaryDir dir;
    TRoster roster;
    SilentUi ui;
    TDataStore store{roster, ui};
    qsizetype fileSize = 0;

    Fixture()
    {
        store.progpath = dir.path() + QLatin1Char('/');
        roster.personen.Clear();
        for (int i = 0; i < 500; ++i) {
            TPerson* p = roster.AddPerson();
            p->name = QStringLiteral("Person %1").arg(i);
            p->persnr = QString::number(1000 + i);
            p->abteilung = QStringLiteral("Station %1").arg(i % 7);
            for (int d = 0; d < 3 * 365 + 1; ++d) {
                TEintrag* e = p->eintraege.Add();
                e->datum = EncodeDate(2022, 1, 1) + d;
                e->dienst = 1 + d % 4;
                e->ueberstunden = d % 11 == 0 ? 0.5 : 0;
            }
            for (int m = 0; m < TMonatsTabelle::kElements; ++m) {
                p->soll.werte[m] = 160;
                p->iststunden.werte[m] = 150 + m % 20;
            }
        }
        store.savePersons();
        fileSize = QFileInfo(store.personFile()).size();
    }
    QString scratch() const { return dir.path() + QStringLiteral("/scratch.dat"); }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void BM_ReadFileBytes(benchmark::State& state)
{
    Fixture& f = fixture();
    const QByteArray path = QFile::encodeName(f.store.personFile());
    for (auto _ : state) {
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
        struct stat st {};
        ::fstat(fd, &st);
        QByteArray bytes(qsizetype(st.st_size), Qt::Uninitialized);
        qsizetype used = 0;
        while (used < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + used, size_t(bytes.size() - used));
            if (n <= 0)
                break;
            used += n;
        }
        ::close(fd);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * f.fileSize);
}

void BM_LoadPersons(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        if (f.store.loadPersons() != TLoadResult::Loaded)
            state.SkipWithError("load failed");
    }
    state.SetBytesProcessed(state.iterations() * f.fileSize);
    state.counters["file_bytes"] = double(f.fileSize);
}

// Writing as many bytes to a new file, synced like a save.
void BM_WriteFileBytes(benchmark::State& state)
{
    Fixture& f = fixture();
    const QByteArray bytes(f.fileSize, 'x');
    const QByteArray path = QFile::encodeName(f.scratch());
    const bool sync = state.range(0) != 0;
    for (auto _ : state) {
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        const char* p = bytes.constData();
        qsizetype left = bytes.size();
        while (left > 0) {
            const ssize_t n = ::write(fd, p, size_t(left));
            if (n <= 0)
                break;
            p += n;
            left -= n;
        }
        if (sync)
            ::fsync(fd);
        ::close(fd);
    }
    state.SetBytesProcessed(state.iterations() * f.fileSize);
}

void BM_SavePersons(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        if (!f.store.savePersons())
            state.SkipWithError("save failed");
    }
    state.SetBytesProcessed(state.iterations() * f.fileSize);
}

// The write-lock check of a change: take the lock, compare the file with what this copy
// last read or wrote (one read of the file), release. Beside the save it guards.
void BM_WriteLockCheck(benchmark::State& state)
{
    Fixture& f = fixture();
    f.store.loadPersons();
    for (auto _ : state) {
        if (!f.store.canwritenowpersonen())
            state.SkipWithError("lock check refused");
        f.store.EndWriteMowpersonen();
    }
    state.SetBytesProcessed(state.iterations() * f.fileSize);
}

// A whole change as the window makes it: lock check, save, release.
void BM_CheckedSave(benchmark::State& state)
{
    Fixture& f = fixture();
    f.store.loadPersons();
    for (auto _ : state) {
        if (!f.store.SavePersonsLocked())
            state.SkipWithError("save refused");
    }
    state.SetBytesProcessed(state.iterations() * f.fileSize);
}

// The in-memory part of the save, for the record.
void BM_SerializePersons(benchmark::State& state)
{
    Fixture& f = fixture();
    QByteArray buffer;
    for (auto _ : state) {
        SerializePersonFile(f.roster.personen, f.roster.settings, buffer);
        benchmark::DoNotOptimize(buffer.data());
    }
}

void medians(benchmark::internal::Benchmark* b)
{
    b->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true)->UseRealTime();
}

} // namespace

BENCHMARK(BM_ReadFileBytes)->Apply(medians);
BENCHMARK(BM_LoadPersons)->Apply(medians);
BENCHMARK(BM_WriteFileBytes)->Arg(1)->Apply(medians);
BENCHMARK(BM_WriteFileBytes)->Arg(0)->Apply(medians);
BENCHMARK(BM_SavePersons)->Apply(medians);
BENCHMARK(BM_SerializePersons)->Apply(medians);
BENCHMARK(BM_WriteLockCheck)->Apply(medians);
BENCHMARK(BM_CheckedSave)->Apply(medians);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
