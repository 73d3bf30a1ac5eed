#pragma once
#include <chrono>
#include <cstdint>

#include "platform/Types.h"

// The platform's one-shot waitable timer, on the monotonic clock so that a
// change of the wall clock does not change the pace.
class CWaitableTimer {
public:
    // dueTime in 100-ns units; only relative times (negative) are taken.
    bool Set(std::int64_t dueTime);
    // True when the due time came within the time-out.
    bool Wait(DWORD timeoutMs);

private:
    std::chrono::steady_clock::time_point m_due{};
    bool m_armed = false;
};
