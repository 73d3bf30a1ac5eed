// CUSB against the logger emulator through the real libftd2xx.so.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

#include "core/Settings.h"
#include "core/VarnoLogger_KVXApp.h"
#include "platform/Application.h"
#include "probe/CommandFrames.h"
#include "probe/Frames.h"
#include "probe/USB.h"
#include "support/LoggerEmulator.h"
#include "support/ScriptedMessageBoxes.h"

namespace {

namespace fs = std::filesystem;

const char kLibrary[] = KVX_PROGRAM_DIR "/libftd2xx.so";

class CountingDecoder : public IPacketDecoder {
public:
    void DecodeShortPacket() override { Take(16); }
    void DecodeStatusPacket() override { Take(20); }
    void DecodeDataPacket() override { Take(31); }

    int Count(size_t size) const
    {
        std::lock_guard lock(m_mutex);
        int n = 0;
        for (auto& payload : m_payloads)
            n += payload.size() == size;
        return n;
    }
    std::vector<std::vector<BYTE>> Payloads() const
    {
        std::lock_guard lock(m_mutex);
        return m_payloads;
    }

private:
    void Take(size_t size)
    {
        std::lock_guard lock(m_mutex);
        m_payloads.emplace_back(theApp.m_pRxBuffer, theApp.m_pRxBuffer + size);
    }
    mutable std::mutex m_mutex;
    std::vector<std::vector<BYTE>> m_payloads;
};

class UsbTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char folder[] = "/tmp/kvx_usbXXXXXX";
        ASSERT_NE(nullptr, mkdtemp(folder));
        m_folder = folder;
        setenv("KVX_LOGGER_SOCKET", Socket().c_str(), 1);
        m_savedSettings = *theApp.m_pLoggerSettings;
        m_savedRateLimit = encoderRateLimit;
        encoderRateLimit = 250;  // as the program's start sets it
        LoggerSettings& settings = *theApp.m_pLoggerSettings;
        UseEmulatorLinkSettings(settings);
        settings.TimeInterval = 100;
        settings.recordingMode = 4;
        m_usb = std::make_unique<CUSB>();
        m_usb->SetLibraryPath(kLibrary);
        m_usb->SetDecoder(&m_decoder);
    }

    void TearDown() override
    {
        theApp.m_bClosing = 1;
        m_usb.reset();  // waits for the threads, which end on closing
        theApp.m_bClosing = 0;
        theApp.m_pLinkThread = std::shared_ptr<CWinThread>();
        theApp.m_pReadThread = std::shared_ptr<CWinThread>();
        *theApp.m_pLoggerSettings = m_savedSettings;
        encoderRateLimit = m_savedRateLimit;
        theApp.m_bUsbDriverOk = 0;
        theApp.m_bUsbHardwarePresent = 0;
        theApp.m_bSondePowered = 0;
        theApp.m_bLinkThreadRunning = 0;
        theApp.m_bReadThreadRunning = 0;
        theApp.m_nLinkStatus = 0;
        theApp.m_nTxLength = 0;
        theApp.m_pLiveReadout->currentDepth = 0;
        QCoreApplication::processEvents();
        theApp.m_strLoggerDescription.clear();
        theApp.m_strLoggerSerial.clear();
        unsetenv("KVX_LOGGER_SOCKET");
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }

    std::string Socket() const { return (m_folder / "s").string(); }
    fs::path LogPath(const char* name) const { return m_folder / name; }

    bool WaitConnected()
    {
        return WaitFor([&] { return m_usb->StatusText(1) == "USB link connected" && m_usb->PacketCount() > 0; },
                       15000);
    }

    fs::path m_folder;
    LoggerSettings m_savedSettings;
    std::uint16_t m_savedRateLimit = 0;
    CountingDecoder m_decoder;
    std::unique_ptr<CUSB> m_usb;
};

TEST_F(UsbTest, FirstConnectionSendsChannelAndSettingsFramesThenReads)
{
    LoggerEmulator emulator(Socket(), LogPath("log"), {"--seed", "7"});
    ASSERT_TRUE(emulator.Running());
    ASSERT_TRUE(m_usb->Init());
    EXPECT_EQ(1, theApp.m_bUsbDriverOk);
    ASSERT_TRUE(WaitConnected()) << m_usb->StatusText(1);
    // The status packet that answers the settings frame echoes what it
    // carried; the idle ones before it report the logger's own settings.
    const auto echoed = [&] {
        for (auto& payload : m_decoder.Payloads()) {
            if (payload.size() == 20 && (payload[1] | payload[2] << 8) == 1500 &&
                (payload[3] | payload[4] << 8) == 20480)
                return true;
        }
        return false;
    };
    ASSERT_TRUE(WaitFor(echoed, 10000));

    std::string log = emulator.Log();
    auto channel = log.find("RX type=0 len=3 checksum=ok");
    auto settings = log.find("RX type=1 len=8 checksum=ok");
    ASSERT_NE(std::string::npos, channel) << log;
    ASSERT_NE(std::string::npos, settings) << log;
    EXPECT_LT(channel, settings);

    for (auto& payload : m_decoder.Payloads())
        EXPECT_TRUE(CheckPayloadSum(payload.data(), payload.size()));
    EXPECT_EQ(0u, m_usb->StatusText(2).rfind("Packet size : ", 0));
    EXPECT_EQ(1, theApp.m_bUsbHardwarePresent);
    EXPECT_EQ("KVXSIM01", m_usb->GetSerialNumber());
    EXPECT_TRUE(WaitFor([] { return theApp.m_strLoggerSerial == "KVXSIM01"; }, 5000));

    // The idle logger keeps talking, and an order powers the sonde in time mode.
    int before = m_usb->PacketCount();
    EXPECT_TRUE(WaitFor([&] { return m_usb->PacketCount() > before; }, 5000));
    EXPECT_TRUE(m_usb->SendRecordingModeFrame());
    EXPECT_TRUE(WaitFor([&] { return m_decoder.Count(31) >= 3; }, 10000));
    EXPECT_NE(std::string::npos, emulator.Log().find("sonde on mode=4 interval=100 gain=15 drive=25 link=ok"));
    // The packets go on arriving: the count and its text are read between two.
    EXPECT_TRUE(WaitFor([&] { return std::to_string(m_usb->PacketCount()) == m_usb->StatusText(3); }, 5000))
        << m_usb->StatusText(3);
}

TEST_F(UsbTest, NoiseIsSkippedAndBadEndBytesAreCounted)
{
    LoggerEmulator emulator(Socket(), LogPath("log"), {"--seed", "7", "--noise", "2", "--bad-end", "3"});
    ASSERT_TRUE(m_usb->Init());
    ASSERT_TRUE(WaitConnected());
    ASSERT_TRUE(m_usb->SendRecordingModeFrame());

    bool sawErrorText = WaitFor(
        [&] {
            std::string text = m_usb->StatusText(3);
            return text.find('-') != std::string::npos && m_decoder.Count(31) >= 5;
        },
        15000);
    EXPECT_TRUE(sawErrorText) << m_usb->StatusText(3);
    EXPECT_GE(m_usb->ErrorPacketCount(), 1);
    // Every frame that was dispatched came through whole.
    for (auto& payload : m_decoder.Payloads())
        EXPECT_TRUE(CheckPayloadSum(payload.data(), payload.size()));
}

TEST_F(UsbTest, LostLoggerIsRetriedReportedOnceAndFoundAgain)
{
    ScriptedMessageBoxes boxes;
    auto first = std::make_unique<LoggerEmulator>(Socket(), LogPath("log1"), std::vector<std::string>{"--seed", "7"});
    ASSERT_TRUE(m_usb->Init());
    ASSERT_TRUE(WaitConnected());
    const fs::path errorLog = GetProgramFolder() + "error_kvx.log";

    // A short loss: the link comes back without a message and without the first frames.
    first->Stop();
    EXPECT_TRUE(WaitFor([&] { return m_usb->StatusText(2) == "Not hardware detected."; }, 10000));
    EXPECT_EQ(0, theApp.m_bUsbHardwarePresent);
    EXPECT_NE(std::string::npos, ReadTextFile(errorLog).find("err5550=IO Error"));
    {
        LoggerEmulator second(Socket(), LogPath("log2"), {"--seed", "7"});
        EXPECT_TRUE(WaitFor([&] { return m_usb->StatusText(1) == "USB link connected"; }, 10000));
        int before = m_usb->PacketCount();
        EXPECT_TRUE(WaitFor([&] { return m_usb->PacketCount() > before; }, 10000));
        EXPECT_EQ(std::string::npos, second.Log().find("RX type=0"));
        EXPECT_EQ(std::string::npos, second.Log().find("RX type=1"));

        // A long loss: one message after 35 checks, with the depth where it stopped.
        theApp.m_pLiveReadout->currentDepth = 12.5;
        boxes.Expect("I/O USB error.\nApplication stopped at 12.50m.");
    }
    EXPECT_TRUE(boxes.WaitUntilAllShown(30000));
    EXPECT_TRUE(m_usb->StatusText(1).rfind("Checking USB Link .", 0) == 0) << m_usb->StatusText(1);

    // After the message the next logger is greeted as on the first connection.
    LoggerEmulator third(Socket(), LogPath("log3"), {"--seed", "7"});
    EXPECT_TRUE(WaitFor([&] { return third.Log().find("RX type=1") != std::string::npos; }, 15000));
    EXPECT_NE(std::string::npos, third.Log().find("RX type=0"));
    EXPECT_EQ(1u, boxes.AllShown().size());
}

TEST_F(UsbTest, ClosingStopsTheThreadsWithinTheShutdownWait)
{
    {
        LoggerEmulator emulator(Socket(), LogPath("log"), {"--seed", "7"});
        ASSERT_TRUE(m_usb->Init());
        ASSERT_TRUE(WaitConnected());
        auto reader = theApp.m_pReadThread.load();
        ASSERT_NE(nullptr, reader);
        theApp.m_bClosing = 1;
        EXPECT_TRUE(reader->WaitForEnd(2000));
        EXPECT_EQ(0, theApp.m_bReadThreadRunning);
    }
    // No logger at all: the link thread retrying ends as well.
    theApp.m_bClosing = 0;
    m_usb = std::make_unique<CUSB>();
    m_usb->SetLibraryPath(kLibrary);
    ASSERT_TRUE(m_usb->Init());
    ASSERT_TRUE(WaitFor([&] { return m_usb->StatusText(2) == "Not hardware detected."; }, 10000));
    auto link = theApp.m_pLinkThread.load();
    theApp.m_bClosing = 1;
    EXPECT_TRUE(link->WaitForEnd(2000));
    EXPECT_EQ(0, theApp.m_bLinkThreadRunning);
}

TEST_F(UsbTest, MissingLibraryOrEntryPointLeavesReplayOnly)
{
    ScriptedMessageBoxes boxes;
    auto threadBefore = theApp.m_pLinkThread.load();

    boxes.Expect("USB driver not installed.");
    m_usb->SetLibraryPath(m_folder.string() + "/libftd2xx.so");
    EXPECT_FALSE(m_usb->Init());
    EXPECT_EQ("USB not installed.", m_usb->StatusText(1));
    EXPECT_EQ(0, theApp.m_bUsbDriverOk);

    boxes.Expect("Error:\n Can't Find FT_EE_UAWrite \n Install the last version USB FTDI driver");
    m_usb = std::make_unique<CUSB>();
    m_usb->SetLibraryPath(KVX_PROGRAM_DIR "/../testlibs/missing/libftd2xx.so");
    EXPECT_FALSE(m_usb->Init());
    EXPECT_EQ("USB not installed.", m_usb->StatusText(1));
    EXPECT_EQ(0, theApp.m_bUsbDriverOk);
    EXPECT_EQ(threadBefore, theApp.m_pLinkThread.load());
    EXPECT_EQ(0, theApp.m_bLinkThreadRunning);
}

}  // namespace
