// The program at the logger chip's full rate: its main window with the probe panel and the
// curves, its libftd2xx.so and the emulator sending time-mode data packets at about 25,600 a
// second. Every packet is counted valid, the curves are drawn, the memory stays flat and the
// user-interface thread keeps answering.
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

#include "core/ConfigFolder.h"
#include "core/InstanceChecker.h"
#include "core/Settings.h"
#include "core/VarnoLogger_KVXApp.h"
#include "mainwnd/VarnoLogger_KVXDlg.h"
#include "support/LoggerEmulator.h"
#include "support/Artifacts.h"
#include "support/ScriptedMessageBoxes.h"

#if defined(__SANITIZE_THREAD__)
#define KVX_THREAD_SANITIZER 1
#elif defined(__SANITIZE_ADDRESS__)
#define KVX_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KVX_THREAD_SANITIZER 1
#elif __has_feature(address_sanitizer)
#define KVX_ADDRESS_SANITIZER 1
#endif
#endif

// AddressSanitizer's runtime: frees the blocks it holds back after they were freed.
extern "C" void __sanitizer_purge_allocator() __attribute__((weak));

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Sanitizer builds are slower: a shorter run, at a lower rate under ThreadSanitizer, with the
// same checks.
#if defined(KVX_THREAD_SANITIZER)
constexpr int kRate = 6400;
constexpr int kSeconds = 10;
#elif defined(KVX_ADDRESS_SANITIZER)
constexpr int kRate = 25600;
constexpr int kSeconds = 10;
#else
constexpr int kRate = 25600;
constexpr int kSeconds = 30;
#endif
constexpr int kWarmUpSeconds = 5;
constexpr long kMaxGrowthKb = 8 * 1024;
constexpr long kMaxUiGapMs = 500;

long ResidentKb()
{
    // Freed blocks that a sanitizer holds back are none of the program's growth.
    if (__sanitizer_purge_allocator != nullptr)
        __sanitizer_purge_allocator();
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr)
        return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, status) != nullptr)
        if (std::sscanf(line, "VmRSS: %ld kB", &kb) == 1)
            break;
    std::fclose(status);
    return kb;
}

double ThreadCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void RunEventsFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// What the user-interface thread did while the link ran: the longest wait of a 10 ms timer,
// the memory at the end of the warm-up and its peak after (sampled every 250 ms), and the
// thread's CPU time.
struct UiWatch {
    long longestGapMs = 0;
    long warmKb = -1;
    long peakKb = -1;
    double cpuSeconds = 0;
    double seconds = 0;

    void Run(int totalSeconds)
    {
        const auto start = Clock::now();
        auto last = start;
        auto lastSample = start;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const auto now = Clock::now();
            longestGapMs = std::max<long>(longestGapMs, long((now - last) / std::chrono::milliseconds(1)));
            last = now;
            if (SecondsSince(start) < kWarmUpSeconds || now - lastSample < std::chrono::milliseconds(250))
                return;
            lastSample = now;
            const long kb = ResidentKb();
            if (warmKb < 0)
                warmKb = kb;
            peakKb = std::max(peakKb, kb);
        });
        ticker.start(10);
        const double cpuStart = ThreadCpuSeconds();
        RunEventsFor(totalSeconds * 1000);
        cpuSeconds = ThreadCpuSeconds() - cpuStart;
        seconds = SecondsSince(start);
    }
};

class LinkThroughputTest : public ConfigFolderTest {
protected:
    void SetUp() override
    {
        ConfigFolderTest::SetUp();
        SetApplicationName("kvx_tests_" + std::to_string(getpid()));
        // The program loads the driver layer from its own folder.
        fs::copy_file(KVX_PROGRAM_DIR "/libftd2xx.so", Path("libftd2xx.so"));
        // The default sonde, so that the curves have channels to draw.
        fs::create_directories(Path("Ressources"));
        fs::copy_file(KVX_PROGRAM_DIR "/Ressources/KVXS0001.tol", Path("Ressources/KVXS0001.tol"));
        setenv("KVX_LOGGER_SOCKET", Path("s").c_str(), 1);
    }
    void TearDown() override
    {
        unsetenv("KVX_LOGGER_SOCKET");
        CInstanceChecker::CloseFirstInstanceMapping();
        theApp.m_bClosing = 0;
        theApp.m_bUsbDriverOk = theApp.m_bUsbHardwarePresent = theApp.m_bSondePowered = 0;
        theApp.m_bLinkThreadRunning = theApp.m_bReadThreadRunning = 0;
        theApp.m_nLinkStatus = 0;
        theApp.m_nTxLength = 0;
        theApp.m_pLinkThread = std::shared_ptr<CWinThread>();
        theApp.m_pReadThread = std::shared_ptr<CWinThread>();
        ConfigFolderTest::TearDown();
    }
};

TEST_F(LinkThroughputTest, EveryPacketCountedAtTheChipsRateWithTheUiAnswering)
{
    LoggerEmulator emulator(Path("s"), Path("sim.log"), {"--rate", std::to_string(kRate), "--speed", "0"});
    ASSERT_TRUE(emulator.Running());
    ScriptedMessageBoxes boxes;
    boxes.Expect("The sonde is probably powered on. Do you want to close the application ?", IDYES);

    UiWatch watch;
    bool linked = false;
    bool streaming = false;
    double streamSeconds = 0;
    long made = -1;
    int errorPackets = -1;
    unsigned curveSamples = 0;
    QTimer::singleShot(0, [&] {
        CVarnoLogger_KVXDlg& main = *theApp.m_pMainDlg;
        linked = WaitFor([] { return theApp.m_nLinkStatus >= 16; }, 15000);
        if (linked) {
            LoggerSettings& settings = *theApp.m_pLoggerSettings;
            UseEmulatorLinkSettings(settings);
            settings.TimeInterval = 100;
            settings.recordingMode = 4;
            const auto start = Clock::now();
            main.m_PowerDlg.OnPowerButton();  // on, as the operator does
            streaming = WaitFor([&] { return theApp.m_nValidFrames > 0 && !main.m_PowerDlg.IsOrderPending(); }, 5000);
            if (streaming)
                watch.Run(kSeconds);
            SaveArtifact(main.GetSafeHwnd(), "main_window_live_full_rate.png");
            main.m_PowerDlg.OnPowerButton();  // off: the emulator stops and counts
            WaitFor([&] { return (made = emulator.PacketsMade()) >= 0; }, 5000);
            streamSeconds = SecondsSince(start);
            WaitFor([&] { return long(theApp.m_nValidFrames) >= made; }, 10000);
            errorPackets = main.m_Usb.ErrorPacketCount();
            curveSamples = main.m_ScopeTrack.Count(0);
        }
        theApp.m_pMainWnd->GetSafeHwnd()->close();
    });
    EXPECT_FALSE(theApp.InitInstance());

    ASSERT_TRUE(linked);
    ASSERT_TRUE(streaming);
    const std::string log = emulator.Log();
    std::printf("[ figures  ] %ld packets in %.1f s (%.0f/s); UI thread %.2f s CPU in %.1f s (%.1f%%), "
                "longest gap %ld ms; RSS %ld kB after warm-up, peak %ld kB\n",
                made, streamSeconds, made / streamSeconds, watch.cpuSeconds, watch.seconds,
                100 * watch.cpuSeconds / watch.seconds, watch.longestGapMs, watch.warmKb, watch.peakKb);

    // The emulator kept its rate and had nothing to drop.
    EXPECT_GE(made, long(0.95 * kRate * kSeconds));
    EXPECT_EQ(log.find("output dropped"), std::string::npos);
    EXPECT_EQ(log.find("late: skipped"), std::string::npos);
    // Every packet made was framed, decoded and counted valid.
    EXPECT_EQ(long(theApp.m_nValidFrames), made);
    EXPECT_EQ(0u, theApp.m_nErrorFrames);
    EXPECT_EQ(0, errorPackets);
    // Time mode: one curve sample per packet.
    EXPECT_EQ(long(curveSamples), made);
    // The memory stays flat and the user interface answers.
    EXPECT_LE(watch.peakKb - watch.warmKb, kMaxGrowthKb);
    EXPECT_LT(watch.longestGapMs, kMaxUiGapMs);
}

}  // namespace
