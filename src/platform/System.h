#pragma once
#include <string>

// The operating system's name and release, e.g. "Linux 6.1.0-18-amd64".
std::string GetOperatingSystemName();

// A tone on the desktop's bell; the frequency is not ours to choose here, the
// duration is kept so the sequence sounds as long as intended.
void Beep(unsigned frequency, unsigned milliseconds);

#include "platform/Types.h"

// Now, in 100-ns intervals since 1601-01-01.
void GetSystemTimeAsFileTime(FILETIME* time);
