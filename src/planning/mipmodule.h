#pragma once
// The plain C interface between the program and the solver module (librostelmark-cbc),
// which the program loads on first use: the solver's libraries are then not loaded at
// every start. Only C types cross it, so the module and the program need not agree on
// anything but this header. Raise kRmMipAbi whenever a struct changes.

#ifdef __cplusplus
extern "C" {
#endif

enum { kRmMipAbi = 1 };

// A problem in row form: rows × cols, row r's terms at [starts[r], starts[r + 1]) of
// index/value. Bounds of ±infinity mean none.
struct RmMipProblem {
    int cols, rows;
    const double *colLo, *colHi, *obj;
    const double *rowLo, *rowHi;
    const int *starts, *index;
    const double* value;
    const int* integers; // integer columns
    int integerCount;
    double seconds; // wall-clock limit
    double gap; // relative gap at which the search stops
};

enum RmMipStatus {
    kRmMipSolved = 0, // a solution is in `solution`
    kRmMipNoSolution = 1, // stopped before any solution
    kRmMipFailed = 2, // the solver failed
};

struct RmMipResult {
    int status; // RmMipStatus
    int optimal; // proven best within the gap
    double objective, bound;
    double* solution; // cols values, allocated by the caller
};

// Called by the solver now and then; `found` is 1 when a new best solution came with
// this call. A non-zero answer stops the search.
typedef int (*RmMipEvent)(void* context, int found, double best, double bound);

typedef int (*RmMipAbiFn)(void);
typedef void (*RmMipSolveFn)(const struct RmMipProblem*, struct RmMipResult*, RmMipEvent, void* context);

#ifdef __cplusplus
}
#endif
