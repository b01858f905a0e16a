#include "planning/mipsolver.h"

#include "planning/mipmodule.h"

#include <QFileInfo>
#include <QLibrary>

#include <limits>

#include <mutex>

namespace {

struct Module {
    QLibrary library;
    RmMipSolveFn solve = nullptr;
    QString error;
};

// Loaded once per process, on the first problem, and kept.
Module& module()
{
    static Module m;
    static std::once_flag once;
    std::call_once(once, [] {
        const QString file = MipModuleFile();
        m.library.setFileName(file);
        if (!m.library.load()) {
            m.error = m.library.errorString();
            return;
        }
        const auto abi = reinterpret_cast<RmMipAbiFn>(m.library.resolve("rostelmark_mip_abi"));
        const auto solve = reinterpret_cast<RmMipSolveFn>(m.library.resolve("rostelmark_mip_solve"));
        if (abi == nullptr || solve == nullptr || abi() != kRmMipAbi) {
            m.error = QStringLiteral("%1: not the solver module of this program version").arg(file);
            return;
        }
        m.solve = solve;
    });
    return m;
}

// The arrays fit together: every term names a column, the rows' ranges follow each other.
bool consistent(const TMipProblem& p)
{
    const std::size_t cols = p.colLo.size(), rows = p.rowLo.size();
    if (cols > std::size_t(std::numeric_limits<int>::max()) || p.colHi.size() != cols || p.obj.size() != cols
        || p.rowHi.size() != rows || p.starts.size() != rows + 1 || p.starts.front() != 0
        || std::size_t(p.starts.back()) != p.index.size() || p.value.size() != p.index.size())
        return false;
    for (std::size_t r = 0; r < rows; ++r)
        if (p.starts[r] > p.starts[r + 1])
            return false;
    for (int c : p.index)
        if (c < 0 || std::size_t(c) >= cols)
            return false;
    for (int c : p.integers)
        if (c < 0 || std::size_t(c) >= cols)
            return false;
    return true;
}

int relay(void* context, int found, double best, double bound)
{
    try {
        return (*static_cast<const TMipEvent*>(context))(found != 0, best, bound) ? 1 : 0;
    } catch (...) {
        return 1;
    }
}

} // namespace

QString MipModuleFile()
{
    const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    const QString build = QFileInfo(QStringLiteral(ROSTELMARK_BUILD_DIR)).canonicalFilePath();
    if (!exe.isEmpty() && !build.isEmpty() && exe.startsWith(build + QLatin1Char('/')))
        return QStringLiteral(ROSTELMARK_BUILD_MIP_MODULE);
    return QFileInfo(exe).absolutePath() + QStringLiteral("/" ROSTELMARK_MIP_MODULE_FROM_BIN);
}

TMipResult SolveMip(const TMipProblem& p, const TMipEvent& event)
{
    TMipResult out;
    if (!consistent(p)) {
        out.error = QStringLiteral("inconsistent problem");
        return out;
    }
    const int cols = int(p.colLo.size()), rows = int(p.rowLo.size());
    if (cols == 0) {
        out.status = TMipStatus::Solved;
        out.optimal = true;
        return out;
    }
    const Module& m = module();
    if (m.solve == nullptr) {
        out.status = TMipStatus::NoModule;
        out.error = m.error;
        return out;
    }
    const RmMipProblem c{cols, rows, p.colLo.data(), p.colHi.data(), p.obj.data(), p.rowLo.data(), p.rowHi.data(),
        p.starts.data(), p.index.data(), p.value.data(), p.integers.data(), int(p.integers.size()), p.seconds, p.gap};
    out.solution.assign(std::size_t(cols), 0.0);
    RmMipResult r{kRmMipFailed, 0, 0, 0, out.solution.data()};
    m.solve(&c, &r, event ? relay : nullptr, const_cast<TMipEvent*>(&event));
    out.optimal = r.optimal != 0;
    out.objective = r.objective;
    out.bound = r.bound;
    out.status = r.status == kRmMipSolved ? TMipStatus::Solved
        : r.status == kRmMipNoSolution    ? TMipStatus::NoSolution
                                          : TMipStatus::Failed;
    if (out.status != TMipStatus::Solved)
        out.solution.clear();
    return out;
}
