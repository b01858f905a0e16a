#include "core/dynaarray.h"

#include <atomic>
#include <cerrno>
#include <cstdio>

namespace rostelmark {

namespace {
AllocErrorHandler& handlerSlot()
{
    static AllocErrorHandler handler;
    return handler;
}
int failCountdown = 0;
} // namespace

std::uint64_t nextContainerIdentity()
{
    static std::atomic<std::uint64_t> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}

void setAllocErrorHandler(AllocErrorHandler handler)
{
    handlerSlot() = std::move(handler);
}

void reportAllocError(const QString& text)
{
    if (handlerSlot())
        handlerSlot()(text);
    else
        std::fprintf(stderr, "%s\n", qPrintable(text));
}

int lastSystemError()
{
    return errno;
}

void failNthAllocationForTest(int n)
{
    failCountdown = n;
}

bool allocationShouldFail()
{
    if (failCountdown <= 0)
        return false;
    if (--failCountdown == 0) {
        errno = ENOMEM;
        return true;
    }
    return false;
}

} // namespace rostelmark
