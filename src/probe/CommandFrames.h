#pragma once
// Building and checking the command frames, checking the reply payloads, the
// reply framing constants, and the depth and speed conversions. Plain functions
// over the records, so they are tested and fuzzed without the program.
#include <cstddef>
#include <cstdint>

#include "probe/Frames.h"

struct LoggerSettings;

// Builders set the type byte and the clamps and compute the checksum; the
// sender fills the other fields first. Checks recompute the 8-bit sum.
void MakeFrameCmd0(ChannelFrame& frame);
void MakeFrameCmd1(SettingsFrame& frame);
void MakeFrameCmd2(DepthFrame& frame);
void MakeFrameCmd3(CommFrame& frame);
void MakeFrameCmd6(RecordingModeFrame& frame);
void MakeFrameCmd7(AuxCommandFrame& frame);
bool CheckFrameCmd0(const ChannelFrame& frame);
bool CheckFrameCmd1(const SettingsFrame& frame);
bool CheckFrameCmd2(const DepthFrame& frame);
bool CheckFrameCmd3(const CommFrame& frame);
bool CheckFrameCmd6(const RecordingModeFrame& frame);
bool CheckFrameCmd7(const AuxCommandFrame& frame);

// CableType * 16 (a type outside the list as the default one), plus 32 when
// PulleyDir is set.
BYTE WinchByte(const LoggerSettings& settings);

// Field sources of each frame. The settings frame first recomputes
// encoderRateFixed, encoderRate and settingsWord and stores them back.
void FillChannelFrame(const LoggerSettings& settings, ChannelFrame& frame);
void FillSettingsFrame(LoggerSettings& settings, std::uint16_t rateLimit, SettingsFrame& frame);
void FillDepthFrame(const LoggerSettings& settings, DepthFrame& frame);
void FillCommFrame(const LoggerSettings& settings, CommFrame& frame);
void FillRecordingModeFrame(const LoggerSettings& settings, std::uint16_t rateLimit, RecordingModeFrame& frame);
void FillAuxCommandFrame(std::uint32_t auxCommand, AuxCommandFrame& frame);

// Encoder pulses per 40 mm of cable, unrounded; NaN when the wheel is unset.
double EncoderRate(const LoggerSettings& settings);

// Reply payload checks: the trailing little-endian word equals the 16-bit
// sum of the bytes before it.
bool CheckFrame16(const ShortPacket& packet);
bool CheckFrame20(const StatusPacket& packet);
bool CheckFrame31(const DataPacket& packet);
bool CheckPayloadSum(const BYTE* payload, std::size_t size);

// Reply framing: magic, type byte, u16 total length, payload, end byte.
constexpr int kReplyHeaderSize = 7;
constexpr BYTE kReplyEndByte = 0x99;
bool IsReplyMagic(const BYTE* bytes);
// Bytes that follow the header (payload and end byte): total length - 7.
int ReplyFollowingLength(const BYTE* header);
// The payload sizes of the reply kinds: short, status, data and the large packets.
bool IsReplyPayloadSize(int size);

double DepthFromCounts(std::int32_t counts, double encoderRate);
double SpeedFromCounts(std::int16_t counts, const LoggerSettings& settings);
