// The packet decoders, the step count, the data file writer and reader.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "core/ConfigFolder.h"
#include "core/RunState.h"
#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "mainwnd/VarnoLogger_KVXDlg.h"
#include "probe/Frames.h"
#include "probe/LogRecord.h"
#include "probe/ToolsStream.h"
#include "support/ScriptedMessageBoxes.h"

namespace {

// Encoder rate 80: 8000 counts per metre; speed counts / 100 in m/min.
constexpr double kCountsPerMetre = 8000.0;

std::int32_t Counts(double metres) { return std::int32_t(metres * kCountsPerMetre + (metres < 0 ? -0.5 : 0.5)); }

template <class Packet>
void Seal(Packet& packet)
{
    auto* bytes = reinterpret_cast<BYTE*>(&packet);
    unsigned sum = 0;
    for (size_t i = 0; i + 2 < sizeof packet; ++i)
        sum += bytes[i];
    packet.checksum = WORD(sum);
}

template <class Packet>
void Receive(const Packet& packet)
{
    std::memcpy(theApp.m_pRxBuffer, &packet, sizeof packet);
}

DataPacket MakeData(int mode, double depth, BYTE stepCm = 10, WORD sum0 = 100, BYTE flags = 0x01)
{
    DataPacket p;
    p.status = BYTE(mode);
    p.depthStep = stepCm;
    p.depthCounts = Counts(depth);
    p.frameByte = 0x41;
    p.n = 50;
    for (int c = 0; c < 6; ++c)
        p.channelSums[c] = WORD(sum0 + c);
    p.replyFlags = flags;
    Seal(p);
    return p;
}

// The record start as the decoder keeps it: 100-ns ticks since 1601.
std::uint64_t TicksAgo(int milliseconds)
{
    using namespace std::chrono;
    constexpr std::uint64_t kUnixEpoch = 116444736000000000ULL;
    auto since1970 = duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count() / 100;
    return kUnixEpoch + std::uint64_t(since1970) - std::uint64_t(milliseconds) * 10000;
}

FILETIME FileTime(std::uint64_t ticks) { return FILETIME{DWORD(ticks & 0xFFFFFFFF), DWORD(ticks >> 32)}; }

std::uint64_t Ticks(const FILETIME& time) { return std::uint64_t(time.dwHighDateTime) << 32 | time.dwLowDateTime; }

// Counts the steps handed to sample processing, with the first sum of each.
class CountingStream : public CToolsStream {
public:
    std::vector<int> steps;

protected:
    void ProcessStep() override
    {
        steps.push_back(theApp.m_pDataPacket->channelSums[0]);
        CToolsStream::ProcessStep();
    }
};

class ToolsStreamTest : public ConfigFolderTest {
protected:
    void SetUp() override
    {
        ConfigFolderTest::SetUp();
        theApp.m_pLoggerSettings->encoderRate = 80.0;
        theApp.m_pLoggerSettings->PulleysDiameter = 5000;
        theApp.m_pLoggerSettings->PulsResolution = 1000;
        *theApp.m_pFrameState = FrameState{};
        theApp.m_lastFrameValues = LastFrameValues{};
        theApp.m_nValidFrames = 0;
        theApp.m_nErrorFrames = 0;
        theApp.m_bRewriteStartDepth = 0;
        theApp.m_bBadWinchDirection = 0;
        theApp.m_bDownDirection = 0;
        *theApp.m_pRecordDuration = 0;
    }
    void TearDown() override
    {
        CToolsStream::CloseRecordFile();
        theApp.m_pMainDlg = nullptr;
        g_bSettingsFramePending = 0;
        QCoreApplication::processEvents();
        ConfigFolderTest::TearDown();
    }

    void Decode(const DataPacket& packet)
    {
        Receive(packet);
        m_stream.DecodeDataPacket();
    }

    // What the probe panel sets up when a record starts.
    void StartRecord(const std::string& dataFile, int mode, double depth)
    {
        WriteFile("log.hed", "[WellInfo]\r\nStartdepth=0\r\nstep=100\r\n");
        CopyBounded(theApp.m_pPathSettings->LastFile, Path("log.hed"));
        CopyBounded(theApp.m_pPathSettings->DataFile, dataFile);
        theApp.m_pRecordFile = std::fopen(dataFile.c_str(), "ab");
        ASSERT_NE(nullptr, theApp.m_pRecordFile);
        theApp.m_pLoggerSettings->recordingMode = mode;
        theApp.m_bRewriteStartDepth = 1;
        theApp.m_dRecordDepth = depth;
        theApp.m_pRunState->recording = 1;
    }

    std::vector<LogRecord> ReadRecords(const std::string& name)
    {
        std::string bytes = ReadFile(name);
        EXPECT_EQ(0u, bytes.size() % sizeof(LogRecord));
        std::vector<LogRecord> records(bytes.size() / sizeof(LogRecord));
        if (!records.empty())
            std::memcpy(records.data(), bytes.data(), records.size() * sizeof(LogRecord));
        return records;
    }

    CountingStream m_stream;
};

TEST_F(ToolsStreamTest, StepCountFollowsTheDepthAndIsBounded)
{
    // The first depth packet after start is one step, whatever its depth.
    Decode(MakeData(3, 10.00));
    EXPECT_EQ(1u, m_stream.steps.size());

    // 0.35 m at 0.10 m: Round(3.5) = 4 steps, all with this packet's values.
    m_stream.steps.clear();
    Decode(MakeData(3, 10.35, 10, 700));
    EXPECT_EQ((std::vector<int>{700, 700, 700, 700}), m_stream.steps);

    // A time-mode packet is one step and unsets the reference.
    m_stream.steps.clear();
    Decode(MakeData(4, 0.0));
    Decode(MakeData(3, 50.0));
    EXPECT_EQ(2u, m_stream.steps.size());

    // A step byte of 0 counts one step; a jump of 100 m at 1 cm is capped.
    m_stream.steps.clear();
    Decode(MakeData(3, 60.0, 0));
    EXPECT_EQ(1u, m_stream.steps.size());
    m_stream.steps.clear();
    Decode(MakeData(3, 160.0, 1));
    EXPECT_EQ(size_t(CToolsStream::kMaxStepsPerPacket), m_stream.steps.size());
}

TEST_F(ToolsStreamTest, InvalidDataRepeatsTheLastValuesAndBadChecksumsCountOnceValid)
{
    DataPacket bad = MakeData(4, 0.0);
    bad.checksum ^= 1;
    Decode(bad);
    EXPECT_EQ(0u, theApp.m_nErrorFrames.load());  // nothing counted before the first valid packet
    EXPECT_TRUE(m_stream.steps.empty());

    Decode(MakeData(4, 0.0, 10, 300));
    Decode(MakeData(4, 0.0, 10, 999, 0x02));
    EXPECT_EQ((std::vector<int>{300, 300}), m_stream.steps);
    Decode(bad);
    EXPECT_EQ(1u, theApp.m_nValidFrames.load());
    EXPECT_EQ(2u, theApp.m_nErrorFrames.load());
    EXPECT_EQ(0x03, int{theApp.m_pFrameState->errorFlags});
    // A data packet whose damaged length made it a short or a status packet is lost too.
    ShortPacket badShort;
    Seal(badShort);
    badShort.checksum ^= 1;
    Receive(badShort);
    m_stream.DecodeShortPacket();
    StatusPacket badStatus;
    Seal(badStatus);
    badStatus.checksum ^= 1;
    Receive(badStatus);
    m_stream.DecodeStatusPacket();
    EXPECT_EQ(4u, theApp.m_nErrorFrames.load());

    // n = 0 is taken as 50 readings with frame byte 0x41.
    DataPacket empty = MakeData(4, 0.0);
    empty.n = 0;
    empty.frameByte = 0;
    Seal(empty);
    Decode(empty);
    EXPECT_EQ(50, int{theApp.m_pDataPacket->n});
    EXPECT_EQ(0x41, int{theApp.m_pDataPacket->frameByte});
}

TEST_F(ToolsStreamTest, FirstRecordWritesTheStartDepthAndLaterStepsFillTheFile)
{
    theApp.m_pToolRecord->SondeLength = 250.0;
    StartRecord(Path("a.log"), 3, 99.0);
    Decode(MakeData(3, 100.0, 10, 100));
    EXPECT_EQ(1u, m_stream.steps.size());
    EXPECT_EQ(0, theApp.m_bRewriteStartDepth);
    CIni header(Path("log.hed"), TRUE);
    EXPECT_EQ(97500, header.GetInt("Startdepth", 0, "WellInfo"));

    // 0.2 m further: two steps and two records, from the last stored depth.
    Decode(MakeData(3, 100.2, 10, 200));
    CToolsStream::CloseRecordFile();
    auto records = ReadRecords("a.log");
    ASSERT_EQ(3u, records.size());
    EXPECT_EQ(100, int{records[0].channelSums[0]});
    EXPECT_EQ(200, int{records[2].channelSums[0]});
    EXPECT_EQ(205, int{records[2].channelSums[5]});
    for (const LogRecord& r : records) {
        EXPECT_EQ(50, int{r.n});
        EXPECT_EQ(0x41, int{r.frameByte});
    }
    EXPECT_DOUBLE_EQ(100.2, theApp.m_dRecordDepth);

    // Records carry no depth of their own: a long jump while recording (30 m
    // at 1 cm, past the display's cap) is stored step by step, whole.
    StartRecord(Path("c.log"), 3, 0.0);
    Decode(MakeData(3, 200.0, 1, 100));
    Decode(MakeData(3, 230.0, 1, 300));
    CToolsStream::CloseRecordFile();
    EXPECT_EQ(3001u, ReadRecords("c.log").size());

    // Without valid data ever received nothing is stored: n stays 0.
    theApp.m_lastFrameValues = LastFrameValues{};
    StartRecord(Path("b.log"), 2, 50.0);
    Decode(MakeData(2, 50.0, 10, 1, 0x02));
    CToolsStream::CloseRecordFile();
    EXPECT_TRUE(ReadRecords("b.log").empty());
}

TEST_F(ToolsStreamTest, AFailedWriteStopsStoringAndIsReportedOnce)
{
    ScriptedMessageBoxes boxes;
    boxes.Expect("Trouble writing data file: recording stopped.\nThe records written so far are kept.");
    StartRecord("/dev/full", 4, 0.0);
    Decode(MakeData(4, 0.0));
    Decode(MakeData(4, 0.0));
    QCoreApplication::processEvents();
    EXPECT_EQ(1u, boxes.AllShown().size());

    // A data file deleted while recording keeps nothing, and the box says so.
    boxes.Expect("Trouble writing data file: recording stopped.\nThe data file was deleted.");
    StartRecord(Path("c.log"), 4, 0.0);
    Decode(MakeData(4, 0.0));
    std::filesystem::remove(Path("c.log"));
    Decode(MakeData(4, 0.0));
    Decode(MakeData(4, 0.0));
    QCoreApplication::processEvents();
    EXPECT_EQ(2u, boxes.AllShown().size());
}

// A disk that fills during a record (a file size limit here, which fails the
// writes as a full disk does): the file keeps its whole records only, and the
// record's end is that of its last whole record.
TEST_F(ToolsStreamTest, FullDiskKeepsWholeRecordsAndTheirEnd)
{
    ScriptedMessageBoxes boxes;
    boxes.Expect("Trouble writing data file: recording stopped.\nThe records written so far are kept.");
    StartRecord(Path("full.log"), 4, 0.0);
    theApp.m_ftRecordStart = FileTime(TicksAgo(0));
    rlimit kept{};
    ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &kept));
    rlimit full = kept;
    full.rlim_cur = 10 * sizeof(LogRecord) + 5;
    const auto keptHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &full));
    for (int i = 0; i < 12; ++i) {
        Decode(MakeData(4, 1.0 + i));
        if (i == 9)
            theApp.m_ftRecordStart = FileTime(TicksAgo(0) - 5000000);  // the failing record comes 0.5 s later
    }
    const auto sizeFull = std::filesystem::file_size(Path("full.log"));
    CToolsStream::CloseRecordFile();
    setrlimit(RLIMIT_FSIZE, &kept);
    std::signal(SIGXFSZ, keptHandler);
    QCoreApplication::processEvents();

    EXPECT_EQ(10 * sizeof(LogRecord), sizeFull);
    EXPECT_EQ(10 * sizeof(LogRecord), std::filesystem::file_size(Path("full.log")));
    EXPECT_EQ(1u, boxes.AllShown().size());
    EXPECT_DOUBLE_EQ(10.0, theApp.m_dRecordDepth);
    EXPECT_LT(*theApp.m_pRecordDuration, 500u);
}

TEST_F(ToolsStreamTest, ReadingStopsAtTheEndWithoutStaleBytes)
{
    LogRecord written[2];
    written[0].n = 50;
    written[0].channelSums[0] = 11;
    written[1].n = 25;
    written[1].channelSums[0] = 22;
    std::string bytes(reinterpret_cast<const char*>(written), sizeof written);
    WriteFile("r.log", bytes + "\x07\x07\x07\x07\x07");  // a cut last record
    CopyBounded(theApp.m_pPathSettings->DataFile, Path("r.log"));

    LogRecord record;
    ASSERT_TRUE(m_stream.ReadDataLineInFile(0, record));
    EXPECT_EQ(14, theApp.m_nReplayPos.load());
    ASSERT_TRUE(m_stream.ReadDataLineInFile(14, record));
    EXPECT_EQ(22, int{record.channelSums[0]});
    EXPECT_EQ(28, theApp.m_nReplayPos.load());
    EXPECT_FALSE(m_stream.ReadDataLineInFile(28, record));
    EXPECT_FALSE(m_stream.ReadDataLineInFile(1000, record));
    EXPECT_FALSE(m_stream.ReadDataLineInFile(-14, record));
    EXPECT_EQ(22, int{record.channelSums[0]});
    EXPECT_EQ(25, int{record.n});
    EXPECT_EQ(28, theApp.m_nReplayPos.load());

    ScriptedMessageBoxes boxes;
    boxes.Expect("Trouble opening file.");
    CopyBounded(theApp.m_pPathSettings->DataFile, Path("none.log"));
    EXPECT_FALSE(m_stream.ReadDataLineInFile(0, record));
}

TEST_F(ToolsStreamTest, ElapsedTimeShowsTwoDigitsEach)
{
    EXPECT_EQ("01:02:05", CToolsStream::ElapsedText(3725000));
    EXPECT_EQ("00:00:00", CToolsStream::ElapsedText(999));
    EXPECT_EQ("23:59:59", CToolsStream::ElapsedText(86399999));
    EXPECT_EQ("01:00:00", CToolsStream::ElapsedText(101 * 3600000.0));
    CToolsStream::FormatElapsed(3725000);
    QCoreApplication::processEvents();
    EXPECT_EQ("01:02:05", theApp.m_pLiveReadout->elapsedText);
}

TEST_F(ToolsStreamTest, AlarmsWinchDirectionAndSettingsEcho)
{
    CVarnoLogger_KVXDlg dialog(nullptr);
    theApp.m_pMainDlg = &dialog;

    DataPacket lowBattery = MakeData(3 | 0x80, 1.0);
    Decode(lowBattery);
    EXPECT_EQ(1, dialog.LastAlert());
    Decode(MakeData(3 | 0x40, 1.0));
    EXPECT_EQ(0, dialog.LastAlert());
    Decode(MakeData(3 | 0x80, 1.0, 10, 100, 0x02));  // no alarm without valid data
    EXPECT_EQ(0, dialog.LastAlert());

    // Recording down: going up faster than 0.5 m/min is the wrong way.
    theApp.m_bDownDirection = 1;
    DataPacket up = MakeData(3, 1.0);
    up.speedCounts = -100;
    Seal(up);
    Decode(up);
    EXPECT_EQ(1, theApp.m_bBadWinchDirection);
    DataPacket slow = MakeData(3, 1.0);
    slow.speedCounts = -40;
    Seal(slow);
    Decode(slow);
    EXPECT_EQ(0, theApp.m_bBadWinchDirection);
    theApp.m_bDownDirection = 0;
    DataPacket down = MakeData(2, 1.0);
    down.speedCounts = 100;
    Seal(down);
    Decode(down);
    EXPECT_EQ(1, theApp.m_bBadWinchDirection);

    // A short packet in up mode below the last stored depth while recording.
    StartRecord(Path("w.log"), 2, 10.0);
    ShortPacket shortPacket;
    shortPacket.status = 2;
    shortPacket.depthCounts = Counts(10.5);
    shortPacket.speedCounts = -100;
    shortPacket.replyFlags = 0x01;
    Seal(shortPacket);
    Receive(shortPacket);
    m_stream.DecodeShortPacket();
    EXPECT_EQ(1, theApp.m_bBadWinchDirection);
    EXPECT_DOUBLE_EQ(10.5, theApp.m_pLiveReadout->currentDepth);

    // A status echo that differs asks for the settings frame again; a bad checksum flags 8.
    *theApp.m_pSettingsFrame = SettingsFrame{};
    theApp.m_pSettingsFrame->settingsWord = 1500;
    StatusPacket status;
    status.settingsWord = 1499;
    status.supplyVoltage = 58;
    Seal(status);
    Receive(status);
    m_stream.DecodeStatusPacket();
    EXPECT_EQ(1, g_bSettingsFramePending);
    EXPECT_EQ(1499, int{theApp.m_pProbeStatus->echoWheelWord});
    QCoreApplication::processEvents();
    EXPECT_EQ("58", theApp.m_pLiveReadout->supplyVoltageText);
    status.checksum ^= 1;
    Receive(status);
    m_stream.DecodeStatusPacket();
    EXPECT_EQ(8, int{theApp.m_pFrameState->replyStatus});
}

// Every payload byte differs, so a field read from the wrong byte shows.
TEST_F(ToolsStreamTest, EachReplyFillsTheEchoAndReadBacksFromItsOwnBytes)
{
    // Byte offsets of each field in the payload; -1: not carried by this reply.
    struct Layout {
        const char* kind;
        size_t size;
        void (CToolsStream::*decode)();
        int wheelWord, wheelRatio, echoVoltage, gain, drive, interval, depth, speed, supplyVoltage, supplyCurrent,
            flags;
    };
    const Layout layouts[] = {
        {"status", sizeof(StatusPacket), &CToolsStream::DecodeStatusPacket, 1, 3, 5, 6, 7, 8, 10, 14, 16, 17, -1},
        {"short", sizeof(ShortPacket), &CToolsStream::DecodeShortPacket, -1, -1, 11, 1, 2, 3, 5, 9, 11, 12, 13},
        {"data", sizeof(DataPacket), &CToolsStream::DecodeDataPacket, -1, -1, 11, 1, 2, 3, 5, 9, 11, 12, 28},
    };
    for (const Layout& layout : layouts) {
        SCOPED_TRACE(layout.kind);
        BYTE payload[sizeof(DataPacket)] = {};
        WORD sum = 0;
        for (size_t i = 0; i + 2 < layout.size; ++i) {
            payload[i] = BYTE(40 + i);
            sum = WORD(sum + payload[i]);
        }
        std::memcpy(payload + layout.size - 2, &sum, 2);
        auto word = [&](int at) { return int(payload[at] | payload[at + 1] << 8); };

        *theApp.m_pProbeStatus = ProbeStatus{};
        std::memcpy(theApp.m_pRxBuffer, payload, layout.size);
        (m_stream.*layout.decode)();
        QCoreApplication::processEvents();

        const ProbeStatus& probe = *theApp.m_pProbeStatus;
        EXPECT_EQ(payload[0], probe.status);
        if (layout.wheelWord >= 0) {
            EXPECT_EQ(word(layout.wheelWord), probe.echoWheelWord);
            EXPECT_EQ(word(layout.wheelRatio), probe.echoWheelRatio);
        }
        EXPECT_EQ(payload[layout.echoVoltage], probe.echoVoltage);
        EXPECT_EQ(payload[layout.gain], probe.echoCommGain);
        EXPECT_EQ(payload[layout.drive], probe.echoCommDrive);
        EXPECT_EQ(word(layout.interval), probe.echoInterval);
        EXPECT_EQ(layout.flags >= 0 ? payload[layout.flags] : 1, probe.commValid);
        EXPECT_EQ(layout.flags >= 0 ? 1 : 0, probe.replyKindFlag);

        std::int32_t depth;
        std::int16_t speed;
        std::memcpy(&depth, payload + layout.depth, sizeof depth);
        std::memcpy(&speed, payload + layout.speed, sizeof speed);
        const LiveReadout& readout = *theApp.m_pLiveReadout;
        EXPECT_DOUBLE_EQ(depth / kCountsPerMetre, readout.currentDepth);
        EXPECT_DOUBLE_EQ(speed / 100.0, readout.cableSpeed);
        EXPECT_EQ(payload[layout.supplyVoltage], readout.supplyVoltage);
        EXPECT_EQ(payload[layout.supplyCurrent], readout.supplyCurrent);
        EXPECT_EQ(std::to_string(payload[layout.supplyVoltage]), readout.supplyVoltageText);
        EXPECT_EQ(std::to_string(payload[layout.supplyCurrent]), readout.supplyCurrentText);
    }
}

TEST_F(ToolsStreamTest, StatusEchoDifferingInAnySettingsFieldAsksForTheFrameAgain)
{
    SettingsFrame& sent = *theApp.m_pSettingsFrame;
    sent = SettingsFrame{};
    sent.settingsWord = 1500;
    sent.wheelRatio = 20480;
    sent.voltage = 48;
    struct Case {
        const char* change;
        void (*apply)(StatusPacket&);
        int pending;
    };
    const Case cases[] = {
        {"none", [](StatusPacket&) {}, 0},
        {"settings word", [](StatusPacket& p) { p.settingsWord = 1501; }, 1},
        {"wheel ratio", [](StatusPacket& p) { p.wheelRatio = 20480 + 256; }, 1},
        {"voltage", [](StatusPacket& p) { p.voltage = 49; }, 1},
        // Gain and drive travel in another frame.
        {"gain and drive", [](StatusPacket& p) { p.commGain = p.commDrive = 7; }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.change);
        StatusPacket status;
        status.settingsWord = 1500;
        status.wheelRatio = 20480;
        status.voltage = 48;
        c.apply(status);
        Seal(status);
        Receive(status);
        g_bSettingsFramePending = 0;
        m_stream.DecodeStatusPacket();
        EXPECT_EQ(c.pending, int{g_bSettingsFramePending});
    }
}

TEST_F(ToolsStreamTest, ReplyFlagsAddUpAndOverrunCountsInDepthModesOnly)
{
    enum Kind { Short, Data, Status, BadStatus };
    struct Step {
        Kind kind;
        int mode;
        BYTE flags;
        BYTE byte4;  // data: overrun count, or the interval's high byte in time mode
        int replyStatus, errorFlags, overrun;
    };
    const Step steps[] = {
        {Short, 3, 0x02, 0, 0x02, 0x02, 0},
        {Data, 3, 0x01, 1, 0x01, 0x03, 1},
        {Short, 3, 0x10, 0, 0x10, 0x13, 1},  // a short packet leaves the overrun alone
        {Data, 4, 0x01, 1, 0x01, 0x13, 0},   // 266 ms, not an overrun
        {Data, 2, 0x05, 7, 0x05, 0x17, 1},
        {BadStatus, 0, 0, 0, 0x08, 0x1F, 1},
        {Status, 0, 0, 0, 0x00, 0x1F, 1},
        {Short, 2, 0x01, 0, 0x01, 0x1F, 1},
        {Data, 3, 0x01, 0, 0x01, 0x1F, 0},
    };
    int index = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(index++);
        if (step.kind == Data) {
            DataPacket data = MakeData(step.mode, 1.0, 10, 100, step.flags);
            data.overrun = step.byte4;
            Seal(data);
            Decode(data);
        } else if (step.kind == Short) {
            ShortPacket reply;
            reply.status = BYTE(step.mode);
            reply.replyFlags = step.flags;
            Seal(reply);
            Receive(reply);
            m_stream.DecodeShortPacket();
        } else {
            StatusPacket status;
            Seal(status);
            if (step.kind == BadStatus)
                status.checksum ^= 1;
            Receive(status);
            m_stream.DecodeStatusPacket();
        }
        const FrameState& frame = *theApp.m_pFrameState;
        EXPECT_EQ(step.replyStatus, frame.replyStatus);
        EXPECT_EQ(step.errorFlags, frame.errorFlags);
        EXPECT_EQ(step.overrun, frame.overrun);
    }
}

TEST_F(ToolsStreamTest, RecordingTimeAddsUpOverTheStoredRecords)
{
    StartRecord(Path("t.log"), 4, 0.0);
    theApp.m_ftRecordStart = FileTime(TicksAgo(2000));
    Decode(MakeData(4, 0.0));
    EXPECT_GE(*theApp.m_pRecordDuration, 2000u);
    EXPECT_LT(*theApp.m_pRecordDuration, 3000u);

    theApp.m_ftRecordStart = FileTime(TicksAgo(3000));
    Decode(MakeData(4, 0.0));
    EXPECT_GE(*theApp.m_pRecordDuration, 5000u);
    EXPECT_LT(*theApp.m_pRecordDuration, 6000u);
    QCoreApplication::processEvents();
    EXPECT_EQ("00:00:05", theApp.m_pLiveReadout->elapsedText);

    // Records far less than a millisecond apart, as at the chip's full rate:
    // their time adds up all the same.
    const std::uint32_t before = *theApp.m_pRecordDuration;
    const auto loopStart = std::chrono::steady_clock::now();
    for (int i = 0; i < 200; ++i) {
        theApp.m_ftRecordStart = FileTime(TicksAgo(0) - 2500);  // 0.25 ms ago
        Decode(MakeData(4, 0.0));
    }
    const auto loopMs = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - loopStart);
    EXPECT_GE(*theApp.m_pRecordDuration - before, 50u);
    EXPECT_LE(*theApp.m_pRecordDuration - before, 51u + unsigned(loopMs.count()));
}

// While recording, time with the cable standing or going the wrong way is left out:
// the record start moves up to now.
TEST_F(ToolsStreamTest, StandingOrReversedCableRestartsTheRecordingClock)
{
    struct Case {
        int mode;
        bool downDirection;
        std::int16_t speedCounts;  // m/min * 100
        bool recording;
        bool restarts;
    };
    const Case cases[] = {
        {3, true, 5, true, true},     // standing
        {3, true, -5, true, true},    // standing
        {3, true, 30, true, false},   // going down
        {3, true, -60, true, true},   // going up in a down record
        {2, false, -30, true, false}, // going up
        {2, false, 0, true, true},    // standing
        {2, false, 10, true, false},  // 0.1 m/min is moving: the wrong way, but within 0.5
        {2, false, 60, true, true},   // going down in an up record
        {4, false, 0, true, false},   // time mode counts every moment
        {3, true, 0, false, false},   // no record running
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(index++);
        theApp.m_pRunState->recording = c.recording ? 1 : 0;
        theApp.m_bDownDirection = c.downDirection ? 1 : 0;
        const std::uint64_t hourAgo = TicksAgo(3600000);
        theApp.m_ftRecordStart = FileTime(hourAgo);
        const std::uint64_t before = TicksAgo(0);
        ShortPacket reply;
        reply.status = BYTE(c.mode);
        reply.speedCounts = c.speedCounts;
        reply.replyFlags = 0x01;
        Seal(reply);
        Receive(reply);
        m_stream.DecodeShortPacket();
        const std::uint64_t start = Ticks(theApp.m_ftRecordStart);
        if (c.restarts)
            EXPECT_GE(start, before);
        else
            EXPECT_EQ(hourAgo, start);
    }
}

}  // namespace
