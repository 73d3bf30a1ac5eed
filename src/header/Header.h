#pragma once
// The header file (.hed) beside each data file: written whole from the header
// record and the current tool record when a log is created, read back into the
// header record when a log is opened or exported.
#include <string>

#include "core/Preferences.h"

class CHeader : public CPreferences {
public:
    // Later single-key updates of the recording values go into this section.
    static constexpr const char* kWellInfoSection = "WellInfo";

    CHeader() = default;
    ~CHeader() override = default;

    // Replaces the file at `path` by a copy renamed over it; a file that cannot
    // be written is reported with a message box and gives false.
    bool WriteHeader(const std::string& path);
    // Both return true when the reading failed; missing files and keys give defaults.
    bool ReadHeader(const std::string& path);
    bool ReadWellInfo(const std::string& path);
    void ResetWellInfo();
    void ResetHeader();
};
