#include "probe/AcquisitionHost.h"

#include <atomic>

namespace {

// Read by the worker threads, set by the user-interface thread.
std::atomic<IAcquisitionHost*> g_host{nullptr};

}  // namespace

IAcquisitionHost* AcquisitionHost() { return g_host; }

void SetAcquisitionHost(IAcquisitionHost* host) { g_host = host; }

void ClearAcquisitionHost(IAcquisitionHost* host)
{
    g_host.compare_exchange_strong(host, nullptr);
}
