#pragma once
// Command frames sent to the logger, reply payloads received from it, and the
// records the decoders fill from them.
//
// Wire records are packed and their multi-byte fields are read and written as
// plain integers: the wire is little-endian and so are the only hosts we build for.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/CopyableAtomic.h"
#include "platform/Types.h"

static_assert(std::endian::native == std::endian::little, "wire records assume a little-endian host");

#pragma pack(push, 1)

// Command frames: type byte first, 8-bit additive checksum last.

struct ChannelFrame {  // type 0
    BYTE type = 0;
    BYTE winch = 0;  // CableType * 16, plus 32 for PulleyDir
    BYTE checksum = 0;
};

struct SettingsFrame {  // type 1
    BYTE type = 0;
    BYTE winch = 0;
    WORD settingsWord = 0;
    WORD wheelRatio = 0;
    BYTE voltage = 0;  // supply voltage set-point, 30..100
    BYTE checksum = 0;
};

struct DepthFrame {  // type 2
    BYTE type = 0;
    std::int32_t depthCounts = 0;  // depth in encoder counts
    BYTE checksum = 0;
};

struct CommFrame {  // type 3
    BYTE type = 0;
    BYTE commGain = 0;   // uphole gain, at most 40
    BYTE commDrive = 0;  // downhole drive, 4..60
    BYTE checksum = 0;
};

struct RecordingModeFrame {  // type 6
    BYTE type = 0;
    BYTE winchMode = 0;  // winch byte plus recording mode
    WORD interval = 0;   // ms in time mode, cm in depth modes
    BYTE voltage = 0;
    BYTE commGain = 0;
    BYTE commDrive = 0;
    BYTE checksum = 0;
};

struct AuxCommandFrame {  // type 7
    BYTE type = 0;
    BYTE auxCommand = 0;
    BYTE checksum = 0;
};

// Reply payloads: status byte first, 16-bit additive checksum last.

struct ShortPacket {
    BYTE status = 0;
    BYTE commGain = 0;
    BYTE commDrive = 0;
    WORD interval = 0;
    std::int32_t depthCounts = 0;
    std::int16_t speedCounts = 0;
    BYTE supplyVoltage = 0;
    BYTE supplyCurrent = 0;
    BYTE replyFlags = 0;
    WORD checksum = 0;
};

struct StatusPacket {
    BYTE status = 0;
    WORD settingsWord = 0;  // echo of SettingsFrame bytes 2-3
    WORD wheelRatio = 0;    // echo of SettingsFrame bytes 4-5
    BYTE voltage = 0;       // echo of SettingsFrame byte 6
    BYTE commGain = 0;
    BYTE commDrive = 0;
    WORD interval = 0;
    std::int32_t depthCounts = 0;
    std::int16_t speedCounts = 0;
    BYTE supplyVoltage = 0;
    BYTE supplyCurrent = 0;
    WORD checksum = 0;
};

struct DataPacket {
    BYTE status = 0;
    BYTE commGain = 0;
    BYTE commDrive = 0;
    // In time mode these two bytes are the u16 time interval in ms.
    BYTE depthStep = 0;  // cm
    BYTE overrun = 0;    // non-zero: the logger dropped steps
    std::int32_t depthCounts = 0;
    std::int16_t speedCounts = 0;
    BYTE supplyVoltage = 0;
    BYTE supplyCurrent = 0;
    BYTE frameByte = 0;
    BYTE n = 0;  // readings summed into each channel sum
    WORD channelSums[6] = {};
    BYTE unused = 0;
    BYTE replyFlags = 0;
    WORD checksum = 0;
};

#pragma pack(pop)

static_assert(sizeof(ChannelFrame) == 3);
static_assert(sizeof(SettingsFrame) == 8 && offsetof(SettingsFrame, voltage) == 6);
static_assert(sizeof(DepthFrame) == 6 && offsetof(DepthFrame, depthCounts) == 1);
static_assert(sizeof(CommFrame) == 4);
static_assert(sizeof(RecordingModeFrame) == 8 && offsetof(RecordingModeFrame, commDrive) == 6);
static_assert(sizeof(AuxCommandFrame) == 3);

static_assert(sizeof(ShortPacket) == 16);
static_assert(offsetof(ShortPacket, depthCounts) == 5 && offsetof(ShortPacket, replyFlags) == 13);
static_assert(sizeof(StatusPacket) == 20);
static_assert(offsetof(StatusPacket, depthCounts) == 10 && offsetof(StatusPacket, supplyVoltage) == 16);
static_assert(sizeof(DataPacket) == 31);
static_assert(offsetof(DataPacket, depthCounts) == 5 && offsetof(DataPacket, frameByte) == 13);
static_assert(offsetof(DataPacket, channelSums) == 15 && offsetof(DataPacket, replyFlags) == 28);

// ProbeStatus, FrameState and LiveReadout are written by the reader thread
// (and the file player) while the windows read them: each field is atomic.

// Probe's last reported status and echo of its settings.
struct ProbeStatus {
    CopyableAtomic<std::uint8_t> status = 0;
    CopyableAtomic<std::uint16_t> echoWheelWord = 0;
    CopyableAtomic<std::uint16_t> echoWheelRatio = 0;
    CopyableAtomic<std::uint8_t> echoVoltage = 0;
    CopyableAtomic<std::uint8_t> echoCommGain = 0;
    CopyableAtomic<std::uint8_t> echoCommDrive = 0;
    CopyableAtomic<std::uint16_t> echoInterval = 0;
    CopyableAtomic<std::uint8_t> commValid = 0;
    CopyableAtomic<std::uint8_t> replyKindFlag = 0;  // 0 after a status packet, 1 after the others
    CopyableAtomic<std::uint8_t> replySeen = 0;
    CopyableAtomic<std::uint8_t> updated = 0;  // cleared by the setup pages
};

// State of the last reply.
struct FrameState {
    CopyableAtomic<std::uint8_t> replyStatus = 0;
    CopyableAtomic<std::uint8_t> errorFlags = 0;  // reply flags ORed since the communication page cleared them
    CopyableAtomic<std::uint8_t> overrun = 0;
    CopyableAtomic<double> replyDepth = 0.0;   // metres
    CopyableAtomic<double> replayDepth = 0.0;  // running depth of the file player, metres
    CopyableAtomic<std::uint8_t> modeByte = 0;
};

struct LiveReadout {
    CopyableAtomic<double> currentDepth = 0.0;  // metres
    CopyableAtomic<double> cableSpeed = 0.0;    // m/min
    // The texts are written and read on the user-interface thread only.
    std::string supplyVoltageText;
    std::string supplyCurrentText;
    std::string elapsedText;  // hh:mm:ss of the recording time
    CopyableAtomic<std::int32_t> supplyVoltage = 0;
    CopyableAtomic<std::int32_t> supplyCurrent = 0;
};

// The last processed step, read whole by the windows: guarded by
// theApp.m_lastValuesMutex.
struct SampleRecord {
    double channelRaw[6] = {};    // raw sum * 50 / n
    double channelValue[6] = {};  // calibrated
    double sampleCount = 0.0;
    double frameByte13 = 0.0;
    std::int32_t channelDecimals[6] = {};
};
