// The solver module: solves the program's mixed-integer problems with CBC. Built as a
// library of its own that the program loads on first use; only the two functions below
// are visible from outside.
#include "planning/mipmodule.h"

#include <CbcEventHandler.hpp>
#include <CbcModel.hpp>
#include <CbcSolver.hpp>
#include <CoinPackedMatrix.hpp>
#include <OsiClpSolverInterface.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

// Passes the search's progress to the program and stops when it asks to.
class TEvents : public CbcEventHandler {
public:
    TEvents(RmMipEvent fn, void* context)
        : fn_(fn)
        , context_(context)
    {
    }
    CbcAction event(CbcEvent which) override
    {
        if (fn_ == nullptr)
            return noAction;
        const CbcModel* m = getModel();
        int found = 0;
        double best = 0, bound = std::numeric_limits<double>::quiet_NaN();
        if (m != nullptr) {
            if ((which == solution || which == heuristicSolution) && m->getSolutionCount() > 0) {
                found = 1;
                best = m->getObjValue();
            }
            bound = m->getBestPossibleObjValue();
        }
        return fn_(context_, found, best, bound) != 0 ? stop : noAction;
    }
    CbcEventHandler* clone() const override { return new TEvents(*this); }

private:
    RmMipEvent fn_;
    void* context_;
};

int noCallback(CbcModel*, int)
{
    return 0;
}

void solve(const RmMipProblem& p, RmMipResult& r, RmMipEvent fn, void* context)
{
    std::vector<int> lengths(static_cast<std::size_t>(p.rows));
    for (int i = 0; i < p.rows; ++i)
        lengths[std::size_t(i)] = p.starts[i + 1] - p.starts[i];
    static_assert(sizeof(CoinBigIndex) == sizeof(int), "CoinBigIndex is expected to be an int");
    const CoinPackedMatrix matrix(
        false, p.cols, p.rows, CoinBigIndex(p.starts[p.rows]), p.value, p.index, p.starts, lengths.data());
    OsiClpSolverInterface solver;
    const double inf = solver.getInfinity();
    auto bounded = [inf](const double* from, int n) {
        std::vector<double> v(from, from + n);
        for (double& x : v)
            x = std::isinf(x) ? std::copysign(inf, x) : x;
        return v;
    };
    const std::vector<double> colLo = bounded(p.colLo, p.cols), colHi = bounded(p.colHi, p.cols);
    const std::vector<double> rowLo = bounded(p.rowLo, p.rows), rowHi = bounded(p.rowHi, p.rows);
    solver.loadProblem(matrix, colLo.data(), colHi.data(), p.obj, rowLo.data(), rowHi.data());
    for (int i = 0; i < p.integerCount; ++i)
        solver.setInteger(p.integers[i]);
    solver.messageHandler()->setLogLevel(0);

    CbcModel model(solver);
    model.messageHandler()->setLogLevel(0);
    CbcSolverUsefulData data;
    data.noPrinting_ = true;
    data.useSignalHandler_ = false;
    CbcMain0(model, data);
    TEvents events(fn, context);
    model.passInEventHandler(&events);
    const std::string seconds = std::to_string(p.seconds), gap = std::to_string(p.gap);
    // Wall-clock seconds, as the user counts them on a busy machine.
    const char* argv[] = {"rostelmark", "-log", "0", "-timeMode", "elapsed", "-seconds", seconds.c_str(), "-ratioGap",
        gap.c_str(), "-solve", "-quit"};
    CbcMain1(int(std::size(argv)), argv, model, noCallback, data);

    const double* best = model.bestSolution();
    if (best == nullptr || model.getMinimizationObjValue() >= 1e50) {
        r.status = model.status() == 2 ? kRmMipFailed : kRmMipNoSolution;
        return;
    }
    std::copy(best, best + p.cols, r.solution);
    r.objective = model.getObjValue();
    r.bound = model.getBestPossibleObjValue();
    r.optimal = model.isProvenOptimal() || model.status() == 0 ? 1 : 0;
    r.status = kRmMipSolved;
}

} // namespace

extern "C" __attribute__((visibility("default"))) int rostelmark_mip_abi(void)
{
    return kRmMipAbi;
}

extern "C" __attribute__((visibility("default"))) void rostelmark_mip_solve(
    const RmMipProblem* problem, RmMipResult* result, RmMipEvent fn, void* context)
{
    result->status = kRmMipFailed;
    result->optimal = 0;
    // Nothing may leave through the C interface, the solver's own exceptions included.
    try {
        solve(*problem, *result, fn, context);
    } catch (...) {
        result->status = kRmMipFailed;
    }
}
