#include "platform/Thread.h"

#include <chrono>
#include <pthread.h>
#include <thread>

void Sleep(DWORD milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::shared_ptr<CWinThread> CWinThread::Begin(Proc proc, int priority)
{
    auto thread = std::make_shared<CWinThread>();
    std::thread worker([thread, proc = std::move(proc)] {
        UINT code = proc();
        std::lock_guard lock(thread->m_mutex);
        thread->m_exitCode = code;
        thread->m_done = true;
        thread->m_ended.notify_all();
    });
    if (priority > THREAD_PRIORITY_NORMAL) {
        sched_param param{};
        param.sched_priority = priority >= THREAD_PRIORITY_TIME_CRITICAL ? 2 : 1;
        pthread_setschedparam(worker.native_handle(), SCHED_RR, &param);  // refused without rights
    }
    worker.detach();
    return thread;
}

bool CWinThread::WaitForEnd(DWORD milliseconds)
{
    std::unique_lock lock(m_mutex);
    return m_ended.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return m_done; });
}

bool CWinThread::HasEnded()
{
    std::lock_guard lock(m_mutex);
    return m_done;
}

UINT CWinThread::ExitCode()
{
    std::lock_guard lock(m_mutex);
    return m_exitCode;
}
