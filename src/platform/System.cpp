#include "platform/System.h"

#include <sys/utsname.h>

std::string GetOperatingSystemName()
{
    utsname info{};
    if (uname(&info) != 0)
        return "";
    return std::string(info.sysname) + " " + info.release;
}
