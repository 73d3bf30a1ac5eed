#pragma once
// The ranges of the settings that reach the probe. The Logger Setup pages
// accept only these, the loaders bring file values into them, and the frame
// builders never send a value outside them.
#include <algorithm>

struct SettingRange {
    int min;
    int max;

    constexpr bool Contains(long long value) const { return value >= min && value <= max; }
    constexpr int Clamp(long long value) const { return int(std::clamp<long long>(value, min, max)); }
};

inline constexpr SettingRange kVoltageRange{30, 100};         // V
inline constexpr SettingRange kTimeIntervalRange{100, 5000};  // ms
inline constexpr SettingRange kDepthIntervalRange{1, 100};    // cm
inline constexpr SettingRange kCommDriveRange{5, 60};
inline constexpr SettingRange kCommGainRange{0, 35};
// The link itself takes a little more: the auto check searches gains up to 40.
inline constexpr SettingRange kLinkDriveRange{4, 60};
inline constexpr SettingRange kLinkGainRange{0, 40};
// Indexes of the winch page's list: "4 conductors", "mono cable".
inline constexpr SettingRange kCableTypeRange{0, 1};

// A cable type outside the list names no cable: the default one stands in.
constexpr int KnownCableType(long long value) { return kCableTypeRange.Contains(value) ? int(value) : 0; }

// The probe's raw channel that feeds a channel, as the files count it.
inline constexpr SettingRange kPhysicalChannelRange{1, 6};
