#include "probe/CommandFrames.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "core/SettingRange.h"
#include "core/Settings.h"

namespace {

template <class Frame>
const BYTE* BytesOf(const Frame& frame)
{
    return reinterpret_cast<const BYTE*>(&frame);
}

// Sum modulo 256 of every byte before the last one.
template <class Frame>
BYTE FrameSum(const Frame& frame)
{
    BYTE sum = 0;
    for (std::size_t i = 0; i + 1 < sizeof(Frame); ++i)
        sum = BYTE(sum + BytesOf(frame)[i]);
    return sum;
}

template <class Frame>
bool FrameSumMatches(const Frame& frame)
{
    return FrameSum(frame) == BytesOf(frame)[sizeof(Frame) - 1];
}

template <class Packet>
bool PacketSumMatches(const Packet& packet)
{
    return CheckPayloadSum(BytesOf(packet), sizeof(Packet));
}

BYTE Clamp(int value, const SettingRange& range) { return BYTE(range.Clamp(value)); }

// Before a field is narrowed to its byte, so that it cannot wrap.
constexpr SettingRange kByte{0, 255};

// Half away from zero, as the dialogs round.
double RoundHalfAway(double x)
{
    return x < 0 ? std::ceil(x - 0.5) : std::floor(x + 0.5);
}

// A wheel left at zero gives no rate rather than an undefined conversion.
std::uint32_t ToFixed(double value)
{
    if (!std::isfinite(value) || value < 0 || value > double(std::numeric_limits<std::uint32_t>::max()))
        return 0;
    return std::uint32_t(value);
}

std::int32_t TruncToInt32(double value)
{
    if (std::isnan(value))
        return 0;
    if (value <= double(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    if (value >= double(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    return std::int32_t(std::trunc(value));
}

}  // namespace

void MakeFrameCmd0(ChannelFrame& frame)
{
    frame.type = 0;
    frame.checksum = FrameSum(frame);
}

void MakeFrameCmd1(SettingsFrame& frame)
{
    frame.type = 1;
    frame.voltage = Clamp(frame.voltage, kVoltageRange);
    frame.checksum = FrameSum(frame);
}

void MakeFrameCmd2(DepthFrame& frame)
{
    frame.type = 2;
    frame.checksum = FrameSum(frame);
}

void MakeFrameCmd3(CommFrame& frame)
{
    frame.type = 3;
    frame.commGain = Clamp(frame.commGain, kLinkGainRange);
    frame.commDrive = Clamp(frame.commDrive, kLinkDriveRange);
    frame.checksum = FrameSum(frame);
}

void MakeFrameCmd6(RecordingModeFrame& frame)
{
    frame.type = 6;
    // The power-on order: a setting out of range must not reach the sonde.
    frame.voltage = Clamp(frame.voltage, kVoltageRange);
    frame.commGain = Clamp(frame.commGain, kLinkGainRange);
    frame.commDrive = Clamp(frame.commDrive, kLinkDriveRange);
    frame.checksum = FrameSum(frame);
}

void MakeFrameCmd7(AuxCommandFrame& frame)
{
    frame.type = 7;
    frame.checksum = FrameSum(frame);
}

bool CheckFrameCmd0(const ChannelFrame& frame) { return FrameSumMatches(frame); }
bool CheckFrameCmd1(const SettingsFrame& frame) { return FrameSumMatches(frame); }
bool CheckFrameCmd2(const DepthFrame& frame) { return FrameSumMatches(frame); }
bool CheckFrameCmd3(const CommFrame& frame) { return FrameSumMatches(frame); }
bool CheckFrameCmd6(const RecordingModeFrame& frame) { return FrameSumMatches(frame); }
bool CheckFrameCmd7(const AuxCommandFrame& frame) { return FrameSumMatches(frame); }

BYTE WinchByte(const LoggerSettings& settings)
{
    return BYTE(KnownCableType(settings.CableType) * 16 + (settings.PulleyDir != 0 ? 32 : 0));
}

double EncoderRate(const LoggerSettings& settings)
{
    return double(settings.PulsResolution) / (double(settings.PulleysDiameter) / 10.0) * 40.0;
}

void FillChannelFrame(const LoggerSettings& settings, ChannelFrame& frame)
{
    frame.winch = WinchByte(settings);
}

void FillSettingsFrame(LoggerSettings& settings, std::uint16_t rateLimit, SettingsFrame& frame)
{
    settings.encoderRateFixed = ToFixed(RoundHalfAway(EncoderRate(settings) * 256.0));
    settings.encoderRate = settings.encoderRateFixed / 256.0;
    settings.settingsWord = 1500;

    frame.winch = WinchByte(settings);
    frame.settingsWord = WORD(settings.settingsWord);
    // A fast encoder would overflow the probe's counter: it gets half the ratio.
    if (settings.encoderRate > rateLimit)
        frame.wheelRatio = WORD(settings.encoderRateFixed / 2);
    else
        frame.wheelRatio = WORD(settings.encoderRateFixed);
    // The builder keeps the voltage in range; the byte only must not wrap first.
    frame.voltage = Clamp(settings.Voltage, kByte);
}

void FillDepthFrame(const LoggerSettings& settings, DepthFrame& frame)
{
    frame.depthCounts = TruncToInt32(settings.encoderRate * 100.0 * settings.setDepth);
}

void FillCommFrame(const LoggerSettings& settings, CommFrame& frame)
{
    frame.commGain = Clamp(settings.CommGain, kByte);
    frame.commDrive = Clamp(settings.CommDrive, kByte);
}

void FillRecordingModeFrame(const LoggerSettings& settings, std::uint16_t rateLimit, RecordingModeFrame& frame)
{
    frame.winchMode = BYTE(WinchByte(settings) + settings.recordingMode);
    const int depthInterval = kDepthIntervalRange.Clamp(settings.DepthInterval);
    if (settings.recordingMode == 4)
        frame.interval = WORD(kTimeIntervalRange.Clamp(settings.TimeInterval));
    else if (EncoderRate(settings) > rateLimit)
        frame.interval = WORD(depthInterval * 2);  // the halved ratio counts twice as many cm
    else
        frame.interval = WORD(depthInterval);
    frame.voltage = Clamp(settings.Voltage, kByte);
    frame.commGain = Clamp(settings.CommGain, kByte);
    frame.commDrive = Clamp(settings.CommDrive, kByte);
}

void FillAuxCommandFrame(std::uint32_t auxCommand, AuxCommandFrame& frame)
{
    frame.auxCommand = BYTE(auxCommand);
}

bool CheckPayloadSum(const BYTE* payload, std::size_t size)
{
    if (size < 2)
        return false;
    WORD sum = 0;
    for (std::size_t i = 0; i + 2 < size; ++i)
        sum = WORD(sum + payload[i]);
    return sum == WORD(payload[size - 2] | (payload[size - 1] << 8));
}

bool CheckFrame16(const ShortPacket& packet) { return PacketSumMatches(packet); }
bool CheckFrame20(const StatusPacket& packet) { return PacketSumMatches(packet); }
bool CheckFrame31(const DataPacket& packet) { return PacketSumMatches(packet); }

bool IsReplyMagic(const BYTE* bytes)
{
    static constexpr BYTE kMagic[4] = {0x55, 0xAA, 0x5A, 0xA5};
    return std::memcmp(bytes, kMagic, sizeof kMagic) == 0;
}

int ReplyFollowingLength(const BYTE* header)
{
    return header[6] * 256 + header[5] - kReplyHeaderSize;
}

bool IsReplyPayloadSize(int size)
{
    switch (size) {
    case 16:
    case 20:
    case 31:
    case 405:
    case 525:
    case 765:
    case 1485: return true;
    default: return false;
    }
}

double DepthFromCounts(std::int32_t counts, double encoderRate)
{
    return counts / (encoderRate * 100.0);
}

double SpeedFromCounts(std::int16_t counts, const LoggerSettings& settings)
{
    return (settings.PulleysDiameter / 10.0) * 2.0 / settings.PulsResolution * counts / 100.0;
}
