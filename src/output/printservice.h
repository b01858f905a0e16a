#pragma once
// The print service (the system's scheduler) as the print path needs it: does it answer,
// and did a job reach it. A painter that ends well proves only that the job was handed
// on; the scheduler's job list proves that it arrived.

#include <QString>

enum class TJobCheck {
    Found, // the scheduler holds the job (queued, printing or done)
    Missing, // the scheduler answers but has no such job: it was lost on its way
    Unreachable, // the scheduler does not answer
};

// The scheduler answers a connection.
bool PrintServiceReachable();
// The highest job number the scheduler knows for `printer` (0: none yet), or -1 when it
// does not answer.
int LastPrintJobId(const QString& printer);
// Looks for a job of `printer` with a number above `after` and the title `title`.
TJobCheck FindPrintJob(const QString& printer, int after, const QString& title);
