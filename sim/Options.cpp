#include "Options.h"

#include <cerrno>
#include <cstdlib>
#include <cstdio>

namespace sim {

namespace {

bool toDouble(const char* text, double& out)
{
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text, &end);
    if (errno || end == text || *end)
        return false;
    out = v;
    return true;
}

bool toInt(const char* text, int& out)
{
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno || end == text || *end || v < 0 || v > 1000000)
        return false;
    out = static_cast<int>(v);
    return true;
}

// N or N:LENGTH, the length decimal or 0x hexadecimal.
bool toBadLength(const char* text, std::vector<BadLength>& out)
{
    BadLength bad;
    char* end = nullptr;
    errno = 0;
    const long packet = std::strtol(text, &end, 10);
    if (errno || end == text || packet < 1 || packet > 1000000)
        return false;
    bad.packet = static_cast<int>(packet);
    if (*end == ':') {
        const char* length = end + 1;
        const long value = std::strtol(length, &end, 0);
        if (errno || end == length || value < 0 || value > 0xFFFF)
            return false;
        bad.length = static_cast<int>(value);
    }
    if (*end)
        return false;
    out.push_back(bad);
    return true;
}

bool toWindow(const char* text, Window& out)
{
    int low = 0;
    int high = 0;
    char tail = 0;
    if (std::sscanf(text, "%d:%d%c", &low, &high, &tail) != 2 || low > high)
        return false;
    out = {low, high};
    return true;
}

} // namespace

std::string usageText()
{
    return "usage: loggersim --socket PATH [--serial TEXT] [--seed N] [--log FILE] [--verbose]\n"
           "  winch:  [--start-depth M] [--speed M_PER_MIN] [--down S] [--stop S] [--up S]\n"
           "  link:   [--drive-window MIN:MAX] [--gain-window MIN:MAX]\n"
           "  faults: [--noise N] [--bad-checksum N] [--bad-end N] [--overrun N]\n"
           "          [--encoder-error] [--low-battery] [--disconnect-after S] [--no-echo]\n"
           "          [--wheel-ratio-echo N] [--bad-length N[:LENGTH]]...\n"
           "  rate:   [--rate N]  time mode: N data packets per second, whatever the interval\n"
           "       loggersim --help\n";
}

std::optional<std::string> parseOptions(int argc, char** argv, Options& opts)
{
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--help") { opts.help = true; return std::nullopt; }
        if (name == "--verbose") { opts.verbose = true; continue; }
        if (name == "--encoder-error") { opts.encoderError = true; continue; }
        if (name == "--low-battery") { opts.lowBattery = true; continue; }
        if (name == "--no-echo") { opts.noEcho = true; continue; }

        if (i + 1 >= argc)
            return "missing value after " + name;
        const char* value = argv[++i];
        bool ok = true;
        if (name == "--socket") opts.socketPath = value;
        else if (name == "--serial") opts.serial = value;
        else if (name == "--log") opts.logPath = value;
        else if (name == "--seed") {
            char* end = nullptr;
            opts.seed = std::strtoull(value, &end, 10);
            ok = end != value && !*end;
        }
        else if (name == "--start-depth") ok = toDouble(value, opts.startDepth);
        else if (name == "--speed") ok = toDouble(value, opts.speed);
        else if (name == "--down") ok = toDouble(value, opts.downSeconds);
        else if (name == "--stop") ok = toDouble(value, opts.stopSeconds);
        else if (name == "--up") ok = toDouble(value, opts.upSeconds);
        else if (name == "--drive-window") ok = toWindow(value, opts.driveWindow);
        else if (name == "--gain-window") ok = toWindow(value, opts.gainWindow);
        else if (name == "--rate") ok = toInt(value, opts.rate);
        else if (name == "--noise") ok = toInt(value, opts.noiseEvery);
        else if (name == "--bad-checksum") ok = toInt(value, opts.badChecksumEvery);
        else if (name == "--bad-end") ok = toInt(value, opts.badEndEvery);
        else if (name == "--overrun") ok = toInt(value, opts.overrunEvery);
        else if (name == "--bad-length") ok = toBadLength(value, opts.badLengths);
        else if (name == "--disconnect-after") ok = toDouble(value, opts.disconnectAfter);
        else if (name == "--wheel-ratio-echo") ok = toInt(value, opts.wheelRatioEcho) && opts.wheelRatioEcho <= 0xFFFF;
        else return "unknown option " + name;
        if (!ok)
            return "bad value for " + name + ": " + value;
    }
    if (opts.socketPath.empty())
        return "--socket PATH is required";
    if (opts.serial.empty() || opts.serial.find_first_of(" \r\n") != std::string::npos)
        return "--serial must be one word";
    if (opts.speed < 0 || opts.downSeconds < 0 || opts.stopSeconds < 0 || opts.upSeconds < 0 || opts.startDepth < 0)
        return "winch values must not be negative";
    return std::nullopt;
}

} // namespace sim
