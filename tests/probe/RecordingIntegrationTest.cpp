// A record in down-depth mode against the logger emulator, then its replay.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

#include "core/Ini.h"
#include "core/RunState.h"
#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "header/Header.h"
#include "header/HeaderRecord.h"
#include "mainwnd/VarnoLogger_KVXDlg.h"
#include "probe/Frames.h"
#include "probe/LogRecord.h"
#include "probe/ToolsStream.h"
#include "probe/USB.h"
#include "support/LoggerEmulator.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/Artifacts.h"

namespace {

namespace fs = std::filesystem;

// One live step as sample processing saw it: the record it makes and its values.
struct LiveStep {
    LogRecord record;
    std::vector<double> values;
};

bool SameRecord(const LogRecord& a, const LogRecord& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Keeps every live step, whether the record ran or not, and can hold the
// reader inside a step so that the record starts or stops mid-packet.
class WatchingStream : public CToolsStream {
public:
    std::vector<LiveStep> Steps()
    {
        std::lock_guard lock(m_mutex);
        return m_steps;
    }
    void HoldNextStep()
    {
        std::lock_guard lock(m_mutex);
        m_holdNext = true;
    }
    bool Held()
    {
        std::lock_guard lock(m_mutex);
        return m_held;
    }
    void Release()
    {
        {
            std::lock_guard lock(m_mutex);
            m_held = false;
        }
        m_released.notify_all();
    }

protected:
    void ProcessStep() override
    {
        CToolsStream::ProcessStep();
        const DataPacket& packet = *theApp.m_pDataPacket;
        LiveStep step;
        step.record.frameByte = packet.frameByte;
        step.record.n = packet.n;
        std::memcpy(step.record.channelSums, packet.channelSums, sizeof step.record.channelSums);
        {
            std::lock_guard values(theApp.m_lastValuesMutex);
            const double* value = theApp.m_pSampleRecord->channelValue;
            step.values.assign(value, value + 6);
        }
        std::unique_lock lock(m_mutex);
        m_steps.push_back(std::move(step));
        if (!m_holdNext)
            return;
        m_holdNext = false;
        m_held = true;
        m_released.wait_for(lock, std::chrono::seconds(10), [this] { return !m_held; });
        m_held = false;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_released;
    std::vector<LiveStep> m_steps;
    bool m_holdNext = false;
    bool m_held = false;
};

// Where records start within steps as one unbroken run; -1 when nowhere.
long FindRun(const std::vector<LiveStep>& steps, const std::vector<LogRecord>& records)
{
    for (size_t start = 0; start + records.size() <= steps.size(); ++start) {
        size_t i = 0;
        while (i < records.size() && SameRecord(steps[start + i].record, records[i]))
            ++i;
        if (i == records.size())
            return long(start);
    }
    return -1;
}

class RecordingIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char folder[] = "/tmp/kvx_recordXXXXXX";
        ASSERT_NE(nullptr, mkdtemp(folder));
        m_folder = folder;
        setenv("KVX_LOGGER_SOCKET", (m_folder / "s").c_str(), 1);
        m_savedSettings = *theApp.m_pLoggerSettings;
        m_savedTool = *theApp.m_pToolRecord;
        m_savedPaths = *theApp.m_pPathSettings;
        m_savedHeader = *theApp.m_pHeaderRecord;
        m_savedRateLimit = encoderRateLimit;
        encoderRateLimit = 250;

        LoggerSettings& settings = *theApp.m_pLoggerSettings;
        UseEmulatorLinkSettings(settings);
        settings.DepthInterval = 10;
        settings.recordingMode = 3;

        ToolRecord& tool = *theApp.m_pToolRecord;
        tool = ToolRecord{};
        tool.NumberOfChannels = 6;
        tool.Scale = 100;
        tool.SondeLength = 250.0;
        for (int c = 0; c < 6; ++c) {
            tool.channels[c].Title = "CH" + std::to_string(c);
            tool.channels[c].Visible = 1;
            tool.channels[c].PhysicalCh = 5 - c;
            tool.channels[c].Coefficient[0] = c;
            tool.channels[c].Coefficient[1] = 0.5;
        }
        m_dialog = std::make_unique<CVarnoLogger_KVXDlg>(nullptr);
        theApp.m_pMainDlg = m_dialog.get();
    }

    void TearDown() override
    {
        StopLink();
        CToolsStream::CloseRecordFile();
        theApp.m_pMainDlg = nullptr;
        m_dialog.reset();
        theApp.m_pLinkThread = std::shared_ptr<CWinThread>();
        theApp.m_pReadThread = std::shared_ptr<CWinThread>();
        *theApp.m_pRunState = RunState{};
        *theApp.m_pLoggerSettings = m_savedSettings;
        *theApp.m_pToolRecord = m_savedTool;
        *theApp.m_pPathSettings = m_savedPaths;
        *theApp.m_pHeaderRecord = m_savedHeader;
        encoderRateLimit = m_savedRateLimit;
        theApp.m_bUsbDriverOk = theApp.m_bUsbHardwarePresent = theApp.m_bSondePowered = 0;
        theApp.m_bLinkThreadRunning = theApp.m_bReadThreadRunning = 0;
        theApp.m_nLinkStatus = 0;
        theApp.m_nTxLength = 0;
        theApp.m_bDownDirection = 0;
        m_emulator.reset();
        unsetenv("KVX_LOGGER_SOCKET");
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }

    void StopLink()
    {
        theApp.m_bClosing = 1;
        m_usb.reset();
        theApp.m_bClosing = 0;
    }

    // What the new-log command and the probe panel's record start set up, on
    // the user-interface thread while the reader runs; the flag goes on last.
    void StartRecord(const fs::path& data, const fs::path& header)
    {
        CopyBounded(theApp.m_pPathSettings->DataFile, data.string());
        CopyBounded(theApp.m_pPathSettings->LastFile, header.string());
        CHeader writer;
        writer.ResetHeader();
        writer.WriteHeader(header.string());
        *theApp.m_pRecordDuration = 0;
        EXPECT_TRUE(CToolsStream::OpenRecordFile(data.c_str()));
        theApp.m_bRewriteStartDepth = 1;
        theApp.m_bDownDirection = 1;
        theApp.m_pHeaderRecord->step = theApp.m_pLoggerSettings->DepthInterval * 10;
        CIni ini(header.string(), TRUE);
        ini.WriteInt("Startdepth", DoubleToInt(theApp.m_pFrameState->replyDepth * 1000) - 2500, "WellInfo");
        ini.WriteInt("StartTime", 0, "WellInfo");
        ini.WriteInt("step", theApp.m_pHeaderRecord->step, "WellInfo");
        theApp.m_dRecordDepth = theApp.m_pFrameState->replyDepth;
        theApp.m_pRunState->recording = 1;
    }

    // The probe panel's record stop.
    static void StopRecord()
    {
        theApp.m_pRunState->recording = 0;
        CToolsStream::CloseRecordFile();
    }

    fs::path m_folder;
    std::unique_ptr<LoggerEmulator> m_emulator;
    LoggerSettings m_savedSettings;
    ToolRecord m_savedTool;
    PathSettings m_savedPaths;
    HeaderRecord m_savedHeader;
    std::uint16_t m_savedRateLimit = 0;
    std::unique_ptr<CVarnoLogger_KVXDlg> m_dialog;
    WatchingStream m_stream;
    std::unique_ptr<CUSB> m_usb;
};

TEST_F(RecordingIntegrationTest, DownRecordIsStoredStepByStepAndReplaysTheSameValues)
{
    m_emulator = std::make_unique<LoggerEmulator>(
        m_folder / "s", m_folder / "sim.log",
        std::vector<std::string>{"--seed", "11", "--speed", "60", "--down", "30"});
    ASSERT_TRUE(m_emulator->Running());
    m_usb = std::make_unique<CUSB>();
    m_usb->SetLibraryPath(KVX_PROGRAM_DIR "/libftd2xx.so");
    m_usb->SetDecoder(&m_stream);
    ASSERT_TRUE(m_usb->Init());
    ASSERT_TRUE(WaitFor([] { return theApp.m_nLinkStatus >= 16; }, 15000));

    // Power on in down-depth mode; the winch starts down at 1 m/s.
    ASSERT_TRUE(m_usb->SendRecordingModeFrame());
    ASSERT_TRUE(WaitFor([] { return theApp.m_nValidFrames >= 3; }, 10000));

    // Started and stopped here, on the user-interface thread, each while the
    // reader is in the middle of a packet: a write failure would show a box.
    ScriptedMessageBoxes boxes;
    const fs::path data = m_folder / "down.log";
    const fs::path header = m_folder / "down.hed";
    m_stream.HoldNextStep();
    ASSERT_TRUE(WaitFor([&] { return m_stream.Held(); }, 5000));
    StartRecord(data, header);
    m_stream.Release();
    EXPECT_TRUE(WaitFor([&] { return fs::file_size(data) >= 30 * sizeof(LogRecord); }, 20000));
    m_stream.HoldNextStep();
    ASSERT_TRUE(WaitFor([&] { return m_stream.Held(); }, 5000));
    StopRecord();
    m_stream.Release();
    const size_t stepsAtStop = m_stream.Steps().size();
    EXPECT_TRUE(WaitFor([&] { return m_stream.Steps().size() > stepsAtStop + 2; }, 5000));
    StopLink();
    EXPECT_TRUE(boxes.AllShown().empty());

    CopyArtifact(data, "recording_down.log");
    CopyArtifact(header, "recording_down.hed");

    // The file: whole records, none empty, one per 10 cm step.
    const auto size = fs::file_size(data);
    ASSERT_EQ(0u, size % sizeof(LogRecord));
    const size_t count = size / sizeof(LogRecord);
    std::vector<LogRecord> records(count);
    std::FILE* file = std::fopen(data.c_str(), "rb");
    ASSERT_EQ(count, std::fread(records.data(), sizeof(LogRecord), count, file));
    std::fclose(file);
    for (const LogRecord& r : records) {
        EXPECT_NE(0, int{r.n});
        EXPECT_EQ(0x41, int{r.frameByte});
    }
    CIni ini(header.string(), TRUE);
    const int startMm = ini.GetInt("Startdepth", -1, "WellInfo");
    EXPECT_EQ(100, ini.GetInt("step", -1, "WellInfo"));
    const double firstDepth = (startMm + 2500) / 1000.0;
    EXPECT_NEAR(theApp.m_dRecordDepth - firstDepth, (count - 1) * 0.10, 0.0015);

    // The file is one unbroken run of live steps: none lost, none added, none
    // cut by the start or the stop.
    const auto steps = m_stream.Steps();
    const long first = FindRun(steps, records);
    ASSERT_GE(first, 0);
    ASSERT_LT(size_t(first) + count, steps.size());

    // Replay from the header as read back, with the start depth rule of the reset.
    *theApp.m_pHeaderRecord = HeaderRecord{};
    CHeader reader;
    ASSERT_FALSE(reader.ReadHeader(header.string()));
    EXPECT_EQ(12, theApp.m_pHeaderRecord->LogMode);
    EXPECT_EQ(startMm, theApp.m_pHeaderRecord->Startdepth);
    theApp.m_pFrameState->replayDepth = (theApp.m_pHeaderRecord->Startdepth + 250 * 10) / 1000.0;
    std::int64_t position = 0;
    size_t replayed = 0;
    LogRecord record;
    while (m_stream.ReadDataLineInFile(position, record)) {
        m_dialog->ProcessRecord(record);
        for (int c = 0; c < 6; ++c)
            EXPECT_DOUBLE_EQ(steps[size_t(first) + replayed].values[size_t(c)], theApp.m_pSampleRecord->channelValue[c]);
        position = theApp.m_nReplayPos;
        ++replayed;
    }
    EXPECT_EQ(count, replayed);
    EXPECT_NEAR(firstDepth + count * 0.10, theApp.m_pFrameState->replayDepth, 0.0015);
}

// Data packets whose length field the link damaged, one into a short packet's
// and one into a status packet's length among them: each alone is lost, and
// counted; every packet behind them is recorded.
TEST_F(RecordingIntegrationTest, DamagedLengthLosesOnlyItsOwnRecord)
{
    const char* const damaged[] = {"300", "400:0xFFFF", "500:0x0000", "600:0x0018", "700:0x001C"};
    std::vector<std::string> options = {"--rate", "1000", "--speed", "0"};
    for (const char* bad : damaged) {
        options.push_back("--bad-length");
        options.push_back(bad);
    }
    m_emulator = std::make_unique<LoggerEmulator>(m_folder / "s", m_folder / "sim.log", options);
    ASSERT_TRUE(m_emulator->Running());
    m_usb = std::make_unique<CUSB>();
    m_usb->SetLibraryPath(KVX_PROGRAM_DIR "/libftd2xx.so");
    m_usb->SetDecoder(&m_stream);
    ASSERT_TRUE(m_usb->Init());
    ASSERT_TRUE(WaitFor([] { return theApp.m_nLinkStatus >= 16; }, 15000));

    // The record runs before the sonde is on, so that it takes every data packet.
    ScriptedMessageBoxes boxes;
    theApp.m_pLoggerSettings->recordingMode = 4;
    theApp.m_nValidFrames = 0;
    theApp.m_nErrorFrames = 0;
    const fs::path data = m_folder / "time.log";
    StartRecord(data, m_folder / "time.hed");
    ASSERT_TRUE(m_usb->SendRecordingModeFrame());
    ASSERT_TRUE(WaitFor([] { return theApp.m_nValidFrames >= 1500; }, 20000));
    // Off: the emulator tells how many it made; its reply follows the last of them.
    ASSERT_TRUE(m_usb->SendChannelFrame());
    long made = -1;
    ASSERT_TRUE(WaitFor([&] {
        made = m_emulator->PacketsMade();
        return made >= 0 && (theApp.m_pProbeStatus->status & 0x0F) == 0;
    }, 10000));
    StopRecord();
    StopLink();
    EXPECT_TRUE(boxes.AllShown().empty());

    const std::string log = m_emulator->Log();
    for (const char* packet : {"300", "400", "500", "600", "700"})
        EXPECT_NE(std::string::npos, log.find(std::string("bad length in data packet ") + packet)) << packet;
    EXPECT_EQ(std::string::npos, log.find("output dropped"));
    EXPECT_EQ(std::string::npos, log.find("late: skipped"));
    EXPECT_EQ(size_t(made - 5) * sizeof(LogRecord), fs::file_size(data));
    EXPECT_EQ(unsigned(made - 5), theApp.m_nValidFrames.load());
    EXPECT_EQ(5u, theApp.m_nErrorFrames.load());
    theApp.m_nValidFrames = 0;
    theApp.m_nErrorFrames = 0;
}

}  // namespace
