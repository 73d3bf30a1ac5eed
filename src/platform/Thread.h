#pragma once
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/Types.h"

constexpr int THREAD_PRIORITY_NORMAL = 0;
constexpr int THREAD_PRIORITY_HIGHEST = 2;
constexpr int THREAD_PRIORITY_TIME_CRITICAL = 15;

void Sleep(DWORD milliseconds);

// A worker thread that can be waited for with a time-out. The thread runs
// detached; the object stays valid for the wait as long as someone holds it.
class CWinThread {
public:
    using Proc = std::function<UINT()>;

    // Priorities are best effort: an unprivileged process keeps the default.
    static std::shared_ptr<CWinThread> Begin(Proc proc, int priority = THREAD_PRIORITY_NORMAL);

    // True when the thread has ended within the time.
    bool WaitForEnd(DWORD milliseconds);
    bool HasEnded();
    UINT ExitCode();

private:
    std::mutex m_mutex;
    std::condition_variable m_ended;
    bool m_done = false;
    UINT m_exitCode = 0;
};
