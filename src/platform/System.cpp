#include "platform/System.h"

#include <QApplication>
#include <chrono>
#include <cstdint>
#include <sys/utsname.h>

#include "platform/Thread.h"
#include "platform/UiThread.h"

std::string GetOperatingSystemName()
{
    utsname info{};
    if (uname(&info) != 0)
        return "";
    return std::string(info.sysname) + " " + info.release;
}

void Beep(unsigned, unsigned milliseconds)
{
    RunOnUiThread([] { QApplication::beep(); });
    Sleep(milliseconds);
}

void GetSystemTimeAsFileTime(FILETIME* time)
{
    using namespace std::chrono;
    constexpr std::uint64_t kUnixEpoch = 116444736000000000ULL;
    auto since1970 = duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count() / 100;
    std::uint64_t ticks = kUnixEpoch + std::uint64_t(since1970);
    *time = FILETIME{DWORD(ticks & 0xFFFFFFFF), DWORD(ticks >> 32)};
}
