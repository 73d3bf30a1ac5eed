#pragma once
// The header file (.hed) beside each data file: written whole from the header
// record and the current tool record when a log is created, read back into the
// header record when a log is opened or exported.
#include <string>

#include "core/Preferences.h"

struct HeaderRecord;

class CHeader : public CPreferences {
public:
    // Later single-key updates of the recording values go into this section.
    static constexpr const char* kWellInfoSection = "WellInfo";

    CHeader() = default;
    ~CHeader() override = default;

    // Replaces the file at `path` by a copy renamed over it; a file that cannot
    // be written is reported with a message box and gives false.
    bool WriteHeader(const std::string& path);
    // True when the file holds what a record writes before its tracks: the
    // channel count and a whole description of each channel. A missing,
    // empty, foreign or cut header describes no log.
    static bool DescribesLog(const std::string& path);
    // Both return true when the reading failed; missing files and keys give defaults.
    bool ReadHeader(const std::string& path);
    bool ReadWellInfo(const std::string& path);
    // The [WellInfo] key of the first real of `h` that is not finite (inf,
    // nan), or null: no number field of the header editor takes such a value.
    static const char* NonFiniteWellNumber(const HeaderRecord& h);
    void ResetWellInfo();
    void ResetHeader();
};
