#pragma once
// Mixed-integer programs, solved by the solver module that is loaded on first use.

#include <QString>

#include <functional>
#include <vector>

struct TMipProblem {
    std::vector<double> colLo, colHi, obj; // per column; ±infinity: no bound
    std::vector<double> rowLo, rowHi; // per row
    std::vector<int> starts{0}, index; // row r's terms at [starts[r], starts[r + 1])
    std::vector<double> value;
    std::vector<int> integers; // integer columns
    double seconds = 10; // wall-clock limit
    double gap = 0.01; // relative gap at which the search stops
};

enum class TMipStatus { Solved, NoSolution, Failed, NoModule };

struct TMipResult {
    TMipStatus status = TMipStatus::Failed;
    bool optimal = false;
    double objective = 0, bound = 0;
    std::vector<double> solution; // per column, when solved
    QString error; // for NoModule: what could not be loaded
};

// Called now and then during the search with whether a new best came, the best objective
// so far and the bound; true stops the search.
using TMipEvent = std::function<bool(bool found, double best, double bound)>;

// Minimizes. A problem whose arrays do not fit together fails without reaching the solver.
TMipResult SolveMip(const TMipProblem& problem, const TMipEvent& event = {});

// The module file this program loads: next to the build's programs when it runs from the
// build folder, else in the installed library folder beside the program's.
QString MipModuleFile();
