// The emulator's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sim {

struct Window {
    int low = 0;
    int high = 0;
    bool contains(int v) const { return v >= low && v <= high; }
};

// A data packet of the run (counted from 1) and the length field it goes out
// with; -1: its own with bit 15 flipped.
struct BadLength {
    int packet = 0;
    int length = -1;
};

struct Options {
    std::string socketPath;
    std::string serial = "KVXSIM01";
    std::uint64_t seed = 1;
    std::string logPath;
    bool verbose = false;
    bool help = false;

    // Time mode: data packets per second whatever the interval; 0 = one per interval.
    int rate = 0;

    // Winch: down, stop, up, then standing; started by the first power-on.
    double startDepth = 0.0;   // metres
    double speed = 10.0;       // metres per minute
    double downSeconds = 60.0;
    double stopSeconds = 10.0;
    double upSeconds = 60.0;

    // Cable link: the probe answers only inside both windows.
    Window driveWindow{12, 45};
    Window gainWindow{8, 30};

    // Faults; a count N means every N-th packet, 0 means never.
    int noiseEvery = 0;
    int badChecksumEvery = 0;
    int badEndEvery = 0;
    int overrunEvery = 0;
    std::vector<BadLength> badLengths; // data packets of the run sent with a corrupted length field
    bool encoderError = false;
    bool lowBattery = false;
    double disconnectAfter = 0.0; // seconds, 0 = never
    bool noEcho = false;
    int wheelRatioEcho = -1;      // status packets echo this wheel ratio; -1 = the one taken
};

// Fills opts from argv; on a bad command line returns the message to show.
std::optional<std::string> parseOptions(int argc, char** argv, Options& opts);

std::string usageText();

} // namespace sim
