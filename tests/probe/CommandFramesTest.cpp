#include <gtest/gtest.h>

#include <algorithm>

#include "core/Settings.h"
#include "probe/CommandFrames.h"

namespace {

template <class Frame>
BYTE* Bytes(Frame& frame)
{
    return reinterpret_cast<BYTE*>(&frame);
}

LoggerSettings Wheel(int pulses, int diameter)
{
    LoggerSettings settings;
    settings.PulsResolution = pulses;
    settings.PulleysDiameter = diameter;
    return settings;
}

TEST(CommandFramesTest, SettingsFrameClampsVoltageBeforeItsChecksum)
{
    LoggerSettings settings = Wheel(1000, 5000);
    SettingsFrame frame;
    settings.Voltage = 25;
    FillSettingsFrame(settings, 250, frame);
    MakeFrameCmd1(frame);
    EXPECT_EQ(1, frame.type);
    EXPECT_EQ(30, frame.voltage);
    BYTE sum = 0;
    for (int i = 0; i < 7; ++i)
        sum = BYTE(sum + Bytes(frame)[i]);
    EXPECT_EQ(sum, +frame.checksum);
    EXPECT_TRUE(CheckFrameCmd1(frame));
    EXPECT_EQ(25, settings.Voltage);  // only the frame byte is clamped

    settings.Voltage = 120;
    FillSettingsFrame(settings, 250, frame);
    MakeFrameCmd1(frame);
    EXPECT_EQ(100, frame.voltage);
    // A setting too large for the byte is clamped, not wrapped: 300 would wrap to 44.
    settings.Voltage = 300;
    FillSettingsFrame(settings, 250, frame);
    MakeFrameCmd1(frame);
    EXPECT_EQ(100, frame.voltage);
}

TEST(CommandFramesTest, CommFrameClampsGainAndDrive)
{
    LoggerSettings settings;
    settings.CommGain = 50;
    settings.CommDrive = 2;
    CommFrame frame;
    FillCommFrame(settings, frame);
    MakeFrameCmd3(frame);
    EXPECT_EQ(40, frame.commGain);
    EXPECT_EQ(4, frame.commDrive);
    EXPECT_EQ(47, +frame.checksum);

    settings.CommDrive = 70;
    FillCommFrame(settings, frame);
    MakeFrameCmd3(frame);
    EXPECT_EQ(60, frame.commDrive);
}

TEST(CommandFramesTest, SlowEncoderSendsTheFullRatioAndTheDepthInterval)
{
    LoggerSettings settings = Wheel(1000, 5000);  // 80 pulses per 40 mm
    settings.DepthInterval = 10;
    settings.recordingMode = 3;
    SettingsFrame frame;
    FillSettingsFrame(settings, 250, frame);
    EXPECT_EQ(20480u, settings.encoderRateFixed);
    EXPECT_DOUBLE_EQ(80.0, settings.encoderRate);
    EXPECT_EQ(1500, settings.settingsWord);
    EXPECT_EQ(1500, +frame.settingsWord);
    EXPECT_EQ(20480, +frame.wheelRatio);

    RecordingModeFrame mode;
    FillRecordingModeFrame(settings, 250, mode);
    EXPECT_EQ(10, +mode.interval);
}

TEST(CommandFramesTest, FastEncoderHalvesTheRatioAndDoublesTheDepthInterval)
{
    LoggerSettings settings = Wheel(5000, 5000);  // 400 pulses per 40 mm
    settings.DepthInterval = 10;
    settings.TimeInterval = 500;
    settings.recordingMode = 2;
    SettingsFrame frame;
    FillSettingsFrame(settings, 250, frame);
    EXPECT_EQ(102400u, settings.encoderRateFixed);
    EXPECT_EQ(51200, +frame.wheelRatio);

    RecordingModeFrame mode;
    FillRecordingModeFrame(settings, 250, mode);
    EXPECT_EQ(20, +mode.interval);
    settings.recordingMode = 4;
    FillRecordingModeFrame(settings, 250, mode);
    EXPECT_EQ(500, +mode.interval);  // time mode sends the interval as stored

    // At the limit itself nothing is halved.
    settings = Wheel(3125, 5000);
    settings.DepthInterval = 10;
    settings.recordingMode = 3;
    FillSettingsFrame(settings, 250, frame);
    EXPECT_EQ(64000, +frame.wheelRatio);
    FillRecordingModeFrame(settings, 250, mode);
    EXPECT_EQ(10, +mode.interval);
}

// Wheels whose rate falls between two steps of 1/256: the fixed value is
// rounded half away from zero, and a halved ratio drops the odd count.
TEST(CommandFramesTest, FixedRateIsRoundedToTheNearestStep)
{
    struct Case {
        int pulses, diameter;
        std::uint32_t fixed;  // of rate * 256
        int wheelRatio;
    };
    const Case cases[] = {
        {1000, 3000, 34133, 34133},  // 34133.33
        {1000, 7000, 14629, 14629},  // 14628.57
        {5, 8192, 63, 63},           // 62.5
        {5000, 6000, 85333, 42666},  // 85333.33, above the limit
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixed);
        LoggerSettings settings = Wheel(c.pulses, c.diameter);
        SettingsFrame frame;
        FillSettingsFrame(settings, 250, frame);
        EXPECT_EQ(c.fixed, settings.encoderRateFixed);
        EXPECT_DOUBLE_EQ(c.fixed / 256.0, settings.encoderRate);
        EXPECT_EQ(c.wheelRatio, +frame.wheelRatio);
    }
}

TEST(CommandFramesTest, UnsetWheelGivesNoRate)
{
    LoggerSettings settings = Wheel(0, 0);
    SettingsFrame frame;
    FillSettingsFrame(settings, 250, frame);
    EXPECT_EQ(0u, settings.encoderRateFixed);
    EXPECT_EQ(0, +frame.wheelRatio);
    RecordingModeFrame mode;
    settings.DepthInterval = 7;
    settings.recordingMode = 3;
    FillRecordingModeFrame(settings, 250, mode);
    EXPECT_EQ(7, +mode.interval);
}

TEST(CommandFramesTest, WinchByteAndRecordingModeByte)
{
    LoggerSettings settings;
    settings.CableType = 1;
    settings.PulleyDir = 1;
    settings.recordingMode = 3;
    EXPECT_EQ(48, WinchByte(settings));
    RecordingModeFrame mode;
    FillRecordingModeFrame(settings, 250, mode);
    MakeFrameCmd6(mode);
    EXPECT_EQ(51, mode.winchMode);
    EXPECT_TRUE(CheckFrameCmd6(mode));

    // A cable type outside the list would take the direction's bit or wrap:
    // the default cable goes instead.
    for (int cable : {2, 3, 20, -1}) {
        SCOPED_TRACE(cable);
        settings.CableType = cable;
        settings.PulleyDir = 1;
        EXPECT_EQ(32, WinchByte(settings));
        settings.PulleyDir = 0;
        EXPECT_EQ(0, WinchByte(settings));
    }
}

// The power-on order carries each setting within its range, whatever the
// settings hold: clamped, never wrapped to its low byte.
TEST(CommandFramesTest, RecordingModeFrameCarriesNoSettingOutOfRange)
{
    struct Case {
        int voltage, gain, drive, mode, time, depth, pulses;
        int sentVoltage, sentGain, sentDrive, sentInterval;
    };
    const Case cases[] = {
        {100000, 15, 25, 4, 150, 10, 1000, 100, 15, 25, 150},
        {5000, 50, 2, 3, 150, 10, 1000, 100, 40, 4, 10},
        {260, 300, 70, 4, 150, 10, 1000, 100, 40, 60, 150},
        {25, -3, -1, 4, 150, 10, 1000, 30, 0, 4, 150},
        {30, 40, 4, 4, 100, 10, 1000, 30, 40, 4, 100},
        {100, 0, 60, 4, 5000, 10, 1000, 100, 0, 60, 5000},
        {95, 15, 25, 4, 0, 10, 1000, 95, 15, 25, 100},
        {95, 15, 25, 4, 65535, 10, 1000, 95, 15, 25, 5000},
        {95, 15, 25, 3, 150, 0, 1000, 95, 15, 25, 1},
        {95, 15, 25, 2, 150, 300, 1000, 95, 15, 25, 100},
        {95, 15, 25, 2, 150, 300, 5000, 95, 15, 25, 200},  // a fast encoder doubles the largest interval
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.voltage << " V, gain " << c.gain << ", drive " << c.drive << ", "
                                        << c.time << " ms, " << c.depth << " cm");
        LoggerSettings settings = Wheel(c.pulses, 5000);
        settings.Voltage = c.voltage;
        settings.CommGain = c.gain;
        settings.CommDrive = c.drive;
        settings.recordingMode = c.mode;
        settings.TimeInterval = std::uint16_t(c.time);
        settings.DepthInterval = std::uint16_t(c.depth);
        RecordingModeFrame frame;
        FillRecordingModeFrame(settings, 250, frame);
        MakeFrameCmd6(frame);
        EXPECT_EQ(c.sentVoltage, frame.voltage);
        EXPECT_EQ(c.sentGain, frame.commGain);
        EXPECT_EQ(c.sentDrive, frame.commDrive);
        EXPECT_EQ(c.sentInterval, +frame.interval);
        EXPECT_TRUE(CheckFrameCmd6(frame));
    }
}

TEST(CommandFramesTest, DepthFrameTruncatesTowardZero)
{
    LoggerSettings settings;
    settings.encoderRate = 80.0;
    settings.setDepth = 12.34567;
    DepthFrame frame;
    FillDepthFrame(settings, frame);
    EXPECT_EQ(98765, +frame.depthCounts);
    settings.setDepth = -1.00001;
    FillDepthFrame(settings, frame);
    EXPECT_EQ(-8000, +frame.depthCounts);
    settings.setDepth = 1e12;  // saturates instead of an undefined conversion
    FillDepthFrame(settings, frame);
    EXPECT_EQ(2147483647, +frame.depthCounts);
}

TEST(CommandFramesTest, EveryCheckRejectsAChangedByte)
{
    ChannelFrame f0{0, 0x30, 0};
    SettingsFrame f1;
    DepthFrame f2;
    f2.depthCounts = -123456;
    CommFrame f3{0, 20, 30, 0};
    RecordingModeFrame f6;
    AuxCommandFrame f7{0, 0xFE, 0};
    MakeFrameCmd0(f0);
    MakeFrameCmd1(f1);
    MakeFrameCmd2(f2);
    MakeFrameCmd3(f3);
    MakeFrameCmd6(f6);
    MakeFrameCmd7(f7);
    EXPECT_TRUE(CheckFrameCmd0(f0) && CheckFrameCmd1(f1) && CheckFrameCmd2(f2) && CheckFrameCmd3(f3) &&
                CheckFrameCmd6(f6) && CheckFrameCmd7(f7));
    EXPECT_EQ(2, f2.type);
    EXPECT_EQ(7, f7.type);
    EXPECT_EQ(BYTE(7 + 0xFE), f7.checksum);
    Bytes(f0)[1] ^= 1;
    Bytes(f2)[3] ^= 0x80;
    f7.checksum ^= 1;
    EXPECT_FALSE(CheckFrameCmd0(f0));
    EXPECT_FALSE(CheckFrameCmd2(f2));
    EXPECT_FALSE(CheckFrameCmd7(f7));
}

template <class Packet>
void Seal(Packet& packet)
{
    WORD sum = 0;
    for (size_t i = 0; i + 2 < sizeof(Packet); ++i)
        sum = WORD(sum + Bytes(packet)[i]);
    packet.checksum = sum;
}

TEST(CommandFramesTest, ReplyChecksCoverThePayloadOnly)
{
    DataPacket data;
    std::fill_n(Bytes(data), sizeof data, BYTE(0xFF));
    Seal(data);
    EXPECT_EQ(29 * 255, +data.checksum);
    EXPECT_TRUE(CheckFrame31(data));
    data.channelSums[5] ^= 0x0100;
    EXPECT_FALSE(CheckFrame31(data));

    StatusPacket status;
    status.status = 0x84;
    status.settingsWord = 1500;
    status.depthCounts = -5;
    Seal(status);
    EXPECT_TRUE(CheckFrame20(status));
    status.checksum = WORD(status.checksum + 0x100);  // a high byte that differs counts
    EXPECT_FALSE(CheckFrame20(status));

    ShortPacket reply;
    reply.replyFlags = 1;
    Seal(reply);
    EXPECT_TRUE(CheckFrame16(reply));
    reply.replyFlags = 2;
    EXPECT_FALSE(CheckFrame16(reply));
}

TEST(CommandFramesTest, ReplyHeaderLengthAndConversions)
{
    const BYTE header[7] = {0x55, 0xAA, 0x5A, 0xA5, 0x1F, 39, 0};
    EXPECT_TRUE(IsReplyMagic(header));
    EXPECT_EQ(32, ReplyFollowingLength(header));
    const BYTE wrong[7] = {0x55, 0xAA, 0xA5, 0x5A, 0x10, 0xD5, 0x05};
    EXPECT_FALSE(IsReplyMagic(wrong));
    EXPECT_EQ(1485 + 1, ReplyFollowingLength(wrong));

    EXPECT_DOUBLE_EQ(1.0, DepthFromCounts(8000, 80.0));
    EXPECT_DOUBLE_EQ(-2.5, DepthFromCounts(-20000, 80.0));
    LoggerSettings settings = Wheel(1000, 5000);
    EXPECT_DOUBLE_EQ(1.0, SpeedFromCounts(100, settings));
    EXPECT_DOUBLE_EQ(-0.5, SpeedFromCounts(-50, settings));
}

}  // namespace
