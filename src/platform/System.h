#pragma once
#include <string>

// The operating system's name and release, e.g. "Linux 6.1.0-18-amd64".
std::string GetOperatingSystemName();
