#include "output/printservice.h"

#include <cups/cups.h>

#include <algorithm>

namespace {
// All jobs of the printer, finished ones included; -1 when the scheduler does not answer.
int jobsOf(const QString& printer, cups_job_t*& jobs)
{
    jobs = nullptr;
    const QByteArray name = printer.toUtf8();
    return cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, name.isEmpty() ? nullptr : name.constData(), 0, CUPS_WHICHJOBS_ALL);
}
} // namespace

bool PrintServiceReachable()
{
    http_t* http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 5000, nullptr);
    if (!http)
        return false;
    httpClose(http);
    return true;
}

int LastPrintJobId(const QString& printer)
{
    cups_job_t* jobs = nullptr;
    const int n = jobsOf(printer, jobs);
    if (n < 0)
        return -1;
    int last = 0;
    for (int i = 0; i < n; ++i)
        last = std::max(last, jobs[i].id);
    cupsFreeJobs(n, jobs);
    return last;
}

TJobCheck FindPrintJob(const QString& printer, int after, const QString& title)
{
    cups_job_t* jobs = nullptr;
    const int n = jobsOf(printer, jobs);
    if (n < 0)
        return TJobCheck::Unreachable;
    bool found = false;
    for (int i = 0; i < n && !found; ++i)
        found = jobs[i].id > after && jobs[i].title && QString::fromUtf8(jobs[i].title) == title;
    cupsFreeJobs(n, jobs);
    return found ? TJobCheck::Found : TJobCheck::Missing;
}
