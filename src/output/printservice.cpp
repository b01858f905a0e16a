#include "output/printservice.h"

#include <QLibrary>

#include <cups/cups.h>

#include <algorithm>
#include <mutex>
#include <type_traits>

namespace {

// The scheduler's client library, loaded when a print job is first checked rather than at
// every start: it brings the network and security libraries with it.
struct Cups {
    decltype(&cupsGetJobs2) getJobs = nullptr;
    decltype(&cupsFreeJobs) freeJobs = nullptr;
    decltype(&httpConnect2) connect = nullptr;
    decltype(&httpClose) close = nullptr;
    decltype(&cupsServer) server = nullptr;
    decltype(&ippPort) port = nullptr;
    decltype(&cupsEncryption) encryption = nullptr;
    bool ok() const { return getJobs && freeJobs && connect && close && server && port && encryption; }
};

const Cups& cups()
{
    static Cups c;
    static std::once_flag once;
    std::call_once(once, [] {
        QLibrary library(QStringLiteral("cups"), 2);
        if (!library.load())
            return;
        auto take = [&library](auto& fn, const char* name) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(library.resolve(name));
        };
        take(c.getJobs, "cupsGetJobs2");
        take(c.freeJobs, "cupsFreeJobs");
        take(c.connect, "httpConnect2");
        take(c.close, "httpClose");
        take(c.server, "cupsServer");
        take(c.port, "ippPort");
        take(c.encryption, "cupsEncryption");
    });
    return c;
}

// All jobs of the printer, finished ones included; -1 when the scheduler does not answer.
int jobsOf(const QString& printer, cups_job_t*& jobs)
{
    jobs = nullptr;
    const Cups& c = cups();
    if (!c.ok())
        return -1;
    const QByteArray name = printer.toUtf8();
    return c.getJobs(CUPS_HTTP_DEFAULT, &jobs, name.isEmpty() ? nullptr : name.constData(), 0, CUPS_WHICHJOBS_ALL);
}

} // namespace

bool PrintServiceReachable()
{
    const Cups& c = cups();
    if (!c.ok())
        return false;
    http_t* http = c.connect(c.server(), c.port(), nullptr, AF_UNSPEC, c.encryption(), 1, 5000, nullptr);
    if (!http)
        return false;
    c.close(http);
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
    cups().freeJobs(n, jobs);
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
    cups().freeJobs(n, jobs);
    return found ? TJobCheck::Found : TJobCheck::Missing;
}
