#include "platform/WaitableTimer.h"

#include <thread>

bool CWaitableTimer::Set(std::int64_t dueTime)
{
    if (dueTime >= 0)
        return false;
    m_due = std::chrono::steady_clock::now() + std::chrono::nanoseconds(-dueTime * 100);
    m_armed = true;
    return true;
}

bool CWaitableTimer::Wait(DWORD timeoutMs)
{
    if (!m_armed)
        return false;
    auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::this_thread::sleep_until(std::min(m_due, limit));
    if (m_due > limit)
        return false;
    m_armed = false;
    return true;
}
