// A record in down-depth mode against the logger emulator, then its replay.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
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

namespace {

namespace fs = std::filesystem;

// Keeps the calibrated values of every step stored while the record runs, and
// starts and stops the record between two packets, as the panel's timer would.
class WatchingStream : public CToolsStream {
public:
    std::vector<std::vector<double>> Stored()
    {
        std::lock_guard lock(m_mutex);
        return m_stored;
    }
    void BeforeNextPacket(std::function<void()> action)
    {
        std::lock_guard lock(m_mutex);
        m_before = std::move(action);
    }
    bool ActionDone()
    {
        std::lock_guard lock(m_mutex);
        return !m_before;
    }

    void DecodeDataPacket() override
    {
        std::function<void()> action;
        {
            std::lock_guard lock(m_mutex);
            action.swap(m_before);
        }
        if (action)
            action();
        CToolsStream::DecodeDataPacket();
    }

protected:
    void ProcessStep() override
    {
        CToolsStream::ProcessStep();
        if (theApp.m_pRunState->recording == 0 || theApp.m_pDataPacket->n == 0)
            return;
        const double* values = theApp.m_pSampleRecord->channelValue;
        std::lock_guard lock(m_mutex);
        m_stored.emplace_back(values, values + 6);
    }

private:
    std::mutex m_mutex;
    std::vector<std::vector<double>> m_stored;
    std::function<void()> m_before;
};

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

    // What the new-log command and the probe panel's record start set up.
    void StartRecord(const fs::path& data, const fs::path& header)
    {
        CopyBounded(theApp.m_pPathSettings->DataFile, data.string());
        CopyBounded(theApp.m_pPathSettings->LastFile, header.string());
        CHeader writer;
        writer.ResetHeader();
        writer.WriteHeader(header.string());
        *theApp.m_pRecordDuration = 0;
        theApp.m_pRecordFile = std::fopen(data.c_str(), "ab");
        EXPECT_NE(nullptr, theApp.m_pRecordFile);
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

    const fs::path data = m_folder / "down.log";
    const fs::path header = m_folder / "down.hed";
    m_stream.BeforeNextPacket([&] { StartRecord(data, header); });
    EXPECT_TRUE(WaitFor([&] { return fs::exists(data) && fs::file_size(data) >= 30 * sizeof(LogRecord); }, 20000));
    m_stream.BeforeNextPacket([] { theApp.m_pRunState->recording = 0; });
    EXPECT_TRUE(WaitFor([&] { return m_stream.ActionDone(); }, 5000));
    StopLink();
    CToolsStream::CloseRecordFile();

    if (const char* artifacts = std::getenv("KVX_TEST_ARTIFACTS")) {
        fs::create_directories(artifacts);
        fs::copy_file(data, fs::path(artifacts) / "recording_down.log", fs::copy_options::overwrite_existing);
        fs::copy_file(header, fs::path(artifacts) / "recording_down.hed", fs::copy_options::overwrite_existing);
    }

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

    const auto stored = m_stream.Stored();
    ASSERT_EQ(count, stored.size());

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
            EXPECT_DOUBLE_EQ(stored[replayed][size_t(c)], theApp.m_pSampleRecord->channelValue[c]);
        position = theApp.m_nReplayPos;
        ++replayed;
    }
    EXPECT_EQ(count, replayed);
    EXPECT_NEAR(firstDepth + count * 0.10, theApp.m_pFrameState->replayDepth, 0.0015);
}

}  // namespace
