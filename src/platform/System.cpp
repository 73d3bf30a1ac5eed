#include "platform/System.h"

#include <QApplication>
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
