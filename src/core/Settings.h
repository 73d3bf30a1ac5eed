#pragma once
// Records filled from Zarkv.cfg, the tool file and Zarkv.dat.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/CopyableAtomic.h"
#include "platform/Placement.h"
#include "platform/Types.h"

// Copies text into a fixed field, cutting it so the terminating zero always fits.
template <std::size_t N>
void CopyBounded(char (&field)[N], std::string_view text)
{
    static_assert(N > 0);
    const std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
    text.copy(field, n);
    field[n] = '\0';
}

// Paths hold the file system's own bytes; FileName and headerFileName are the
// names as shown, in the program's Latin-1 texts.
struct PathSettings {
    char appDir[510] = {};      // program folder with its trailing separator
    char configPath[510] = {};  // full path of Zarkv.cfg
    char LastFile[510] = {};    // header file (.hed) of the current log
    char FilePath[510] = {};    // folder of the data files
    char DataFile[510] = {};    // data file (.log) of the current log
    char FileName[50] = {};     // data file name, shown in the status bar and on pages
    char headerFileName[50] = {};
    char Tempdir[510] = {};     // folder of new record files
    std::uint8_t randomId[16] = {};
    std::uint16_t languageID = 0;
};

// Read by the link, reader and writer threads while the windows change it.
struct LoggerSettings {
    CopyableAtomic<std::uint8_t> PulleyDir = 0;
    CopyableAtomic<std::uint32_t> encoderRateFixed = 0;  // encoder pulses per 40 mm, 8.8 fixed point
    CopyableAtomic<std::int32_t> PulsResolution = 0;     // encoder pulses per wheel turn
    CopyableAtomic<std::int32_t> PulleysDiameter = 0;    // wheel circumference, tenths of a millimetre
    CopyableAtomic<std::int32_t> settingsWord = 0;       // 1500 before each settings frame; echoed by the probe
    CopyableAtomic<std::int32_t> CableType = 0;
    CopyableAtomic<double> encoderRate = 0.0;            // encoderRateFixed / 256
    CopyableAtomic<std::int32_t> CommGain = 0;           // uphole gain of the cable link
    CopyableAtomic<std::int32_t> CommDrive = 0;          // downhole drive of the cable link
    CopyableAtomic<std::int32_t> Voltage = 0;            // supply voltage set-point
    CopyableAtomic<double> setDepth = 0.0;               // metres, from the depth reset
    CopyableAtomic<std::uint16_t> TimeInterval = 0;      // ms, time mode
    CopyableAtomic<std::uint16_t> DepthInterval = 0;     // cm, depth modes
    CopyableAtomic<std::int32_t> recordingMode = 4;      // 4 time, 3 down, 2 up
    CopyableAtomic<std::int32_t> SelectedSonde = 0;      // index into SondeList
    CopyableAtomic<std::uint8_t> DephtRound = 0;
};

struct AcousticSettings {
    std::int32_t UpGain = 0;
    std::int32_t AcousticalGain = 0;
    std::int32_t AcousticalAGC = 0;
    double DepthMemo = 0.0;
};

struct SondeEntry {
    std::string Name;
    std::string Ref;
    std::string Serial;
    std::string Product;
    std::string TolFile;  // tool file base name, no folder or extension
};

struct SondeList {
    static constexpr int kMaxSondes = 100;

    std::int32_t RefInStock = 0;  // entry k comes from section RefSonde<k+1>
    SondeEntry entries[kMaxSondes + 1];
};

// Slots of WindowPlacementStore::placements.
enum PlacementSlot : int {
    kPlacementMain = 0,
    kPlacementValueWindowFirst = 1,  // 16 single-value windows, slots 1..16
    kPlacementMagnifier = 17,
    kPlacementToolsBox = 18,
    kPlacementLoggerSetup = 20,
    kPlacementDisplayOptions = 21,
};

#pragma pack(push, 1)
// Image of Zarkv.dat, read and written whole.
struct WindowPlacementStore {
    static constexpr int kPlacements = 22;

    BYTE valid = 0;  // set to 1 on every save
    BYTE reserved[16] = {};
    WindowPlacement placements[kPlacements];
};
#pragma pack(pop)

static_assert(sizeof(WindowPlacementStore) == 985);
static_assert(offsetof(WindowPlacementStore, placements) == 17);
