#pragma once
// Waits for a state that the program's threads or queued calls bring about,
// running the user-interface thread's events meanwhile.
#include <QCoreApplication>
#include <chrono>
#include <functional>
#include <thread>

inline bool WaitFor(const std::function<bool()>& done, int timeoutMs)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents();
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    QCoreApplication::processEvents();
    return done();
}
