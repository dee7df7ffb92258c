#include "cloud/requesttimeout.h"

#include <atomic>

namespace {
// Read by the timers of the user-interface thread, set by tests.
std::atomic<int> g_timeoutMs{kCloudRequestTimeoutMs};
} // namespace

int cloudRequestTimeoutMs()
{
    return g_timeoutMs.load();
}

ScopedCloudRequestTimeout::ScopedCloudRequestTimeout(int ms)
    : previous(g_timeoutMs.exchange(ms > 0 ? ms : kCloudRequestTimeoutMs))
{
}

ScopedCloudRequestTimeout::~ScopedCloudRequestTimeout()
{
    g_timeoutMs.store(previous);
}
