// The communication page and its auto check against the logger emulator,
// through the real link of the main window.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <unistd.h>

#include "core/Ini.h"
#include "core/RunState.h"
#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "header/HeaderRecord.h"
#include "mainwnd/VarnoLogger_KVXDlg.h"
#include "platform/Application.h"
#include "probe/Frames.h"
#include "probe/ToolsStream.h"
#include "res/Resource.h"
#include "setup/CheckComm.h"
#include "setup/PCommDlg.h"
#include "support/Artifacts.h"
#include "support/LoggerEmulator.h"
#include "support/ScriptedMessageBoxes.h"

namespace {

namespace fs = std::filesystem;

// The pair the check's rules give for the probe's windows: the drive a third
// into the first run among the swept drives 6..59; the gain 4 above the first
// valid one, the gain search starting 3 below the sweep gain (0, 3, 6, ...)
// that first lies in the gain window.
std::pair<int, int> ExpectedPair(int minDrive, int maxDrive, int minGain)
{
    const int first = std::max(minDrive, 6);
    const int last = std::min(maxDrive, 59);
    const int sweepGain = (minGain + 2) / 3 * 3;
    const int firstValidGain = std::max(std::max(sweepGain - 3, 0), minGain);
    return {first + (last - first) / 3, std::min(firstValidGain + 4, 40)};
}

// What the setup sheet does for the page, here straight onto the main window.
class MainWindowHost : public ICommPageHost {
public:
    MainWindowHost(CVarnoLogger_KVXDlg& window, CPCommDlg& page) : m_window(window), m_page(page) {}
    bool SendCommFrame() override { return m_window.m_Usb.SendCommFrame(); }
    bool SendRecordingModeFrame() override { return m_window.m_Usb.SendRecordingModeFrame(); }
    void SaveCommSettings() override { m_window.m_Preferences.SaveTool(TRUE); }
    void ClearToolsBoxUpdateFlag() override { m_window.m_ToolsProbeDlg.ClearUpdateFlag(); }
    void RefreshPages() override { m_page.UpdateFromRecord(); }

private:
    CVarnoLogger_KVXDlg& m_window;
    CPCommDlg& m_page;
};

class CommLinkIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char folder[] = "/tmp/kvx_commXXXXXX";
        ASSERT_NE(nullptr, mkdtemp(folder));
        m_folder = folder;
        m_savedFolder = GetProgramFolder();
        m_savedName = GetApplicationName();
        SetProgramFolder(m_folder.string() + "/");
        SetApplicationName("kvx_comm_test_" + std::to_string(getpid()));
        fs::create_symlink(KVX_PROGRAM_DIR "/libftd2xx.so", m_folder / "libftd2xx.so");
        fs::create_directories(m_folder / "Ressources");
        fs::copy_file(KVX_PROGRAM_DIR "/Ressources/KVXS0001.tol", m_folder / "Ressources" / "KVXS0001.tol");
        setenv("KVX_LOGGER_SOCKET", (m_folder / "s").c_str(), 1);
        m_savedSettings = *theApp.m_pLoggerSettings;
        m_savedTool = *theApp.m_pToolRecord;
        m_savedPaths = *theApp.m_pPathSettings;
        m_savedHeader = *theApp.m_pHeaderRecord;
        theApp.m_bPrefsLoaded = 0;
    }

    void TearDown() override
    {
        m_host.reset();
        m_page.reset();
        if (m_dialog) {
            theApp.m_bClosing = 1;
            m_dialog->m_PowerDlg.OnClose();
            m_dialog.reset();
            theApp.m_bClosing = 0;
        }
        theApp.m_pMainDlg = nullptr;
        m_emulator.reset();
        theApp.m_pLinkThread = std::shared_ptr<CWinThread>();
        theApp.m_pReadThread = std::shared_ptr<CWinThread>();
        *theApp.m_pRunState = RunState{};
        *theApp.m_pLoggerSettings = m_savedSettings;
        *theApp.m_pToolRecord = m_savedTool;
        *theApp.m_pPathSettings = m_savedPaths;
        *theApp.m_pHeaderRecord = m_savedHeader;
        *theApp.m_pProbeStatus = ProbeStatus{};
        *theApp.m_pFrameState = FrameState{};
        theApp.m_bUsbDriverOk = theApp.m_bUsbHardwarePresent = theApp.m_bSondePowered = 0;
        theApp.m_bLinkThreadRunning = theApp.m_bReadThreadRunning = 0;
        theApp.m_bPowerOffDone = 1;
        theApp.m_bCheckCommRunning = 0;
        theApp.m_nLinkStatus = 0;
        theApp.m_nTxLength = 0;
        theApp.m_bPrefsLoaded = 0;
        SetProgramFolder(m_savedFolder);
        SetApplicationName(m_savedName);
        unsetenv("KVX_LOGGER_SOCKET");
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }

    // The main window linked to a running emulator, and the page on it.
    void Start(std::vector<std::string> options)
    {
        options.insert(options.end(), {"--seed", "7"});
        m_emulator = std::make_unique<LoggerEmulator>(m_folder / "s", m_folder / "sim.log", options);
        ASSERT_TRUE(m_emulator->Running());
        m_dialog = std::make_unique<CVarnoLogger_KVXDlg>(nullptr);
        theApp.m_pMainDlg = m_dialog.get();
        ASSERT_TRUE(m_dialog->Create(IDD_VARNOLOGGER_KVX_DIALOG, nullptr));
        ASSERT_TRUE(WaitFor([] { return theApp.m_nLinkStatus >= 16; }, 15000));
        m_page = std::make_unique<CPCommDlg>();
        m_host = std::make_unique<MainWindowHost>(*m_dialog, *m_page);
        m_page->SetHost(m_host.get());
        ASSERT_TRUE(m_page->Create(IDD_COMM_PAGE, nullptr));
    }

    void Click(int id) { qobject_cast<QAbstractButton*>(m_page->GetDlgItem(id)->GetSafeHwnd())->click(); }

    int CommFramesReceived() const
    {
        std::string log = m_emulator->Log();
        std::regex frame("RX type=3 ");
        return int(std::distance(std::sregex_iterator(log.begin(), log.end(), frame), std::sregex_iterator()));
    }

    fs::path m_folder;
    std::string m_savedFolder, m_savedName;
    LoggerSettings m_savedSettings;
    ToolRecord m_savedTool;
    PathSettings m_savedPaths;
    HeaderRecord m_savedHeader;
    std::unique_ptr<LoggerEmulator> m_emulator;
    std::unique_ptr<CVarnoLogger_KVXDlg> m_dialog;
    std::unique_ptr<CPCommDlg> m_page;
    std::unique_ptr<MainWindowHost> m_host;
};

TEST_F(CommLinkIntegrationTest, AutoCheckFindsTheRulesPairAndStoresItInTheToolFile)
{
    // A drive window wider than the sweep keeps every sweep step to one tick.
    const int minDrive = 5, maxDrive = 60, minGain = 0, maxGain = 30;
    ScriptedMessageBoxes boxes;
    ASSERT_NO_FATAL_FAILURE(Start({"--drive-window", std::to_string(minDrive) + ":" + std::to_string(maxDrive),
                                   "--gain-window", std::to_string(minGain) + ":" + std::to_string(maxGain)}));
    const auto [drive, gain] = ExpectedPair(minDrive, maxDrive, minGain);
    boxes.Expect("Success!!!\nDo you want conserve this setup ?", IDYES);

    // Halfway through the sweep: the picture, and no sample reaches the curves.
    bool runningInSweep = false;
    int samplesInSweep = -1;
    QTimer::singleShot(4000, [&] {
        runningInSweep = theApp.m_bCheckCommRunning != 0;
        samplesInSweep = m_dialog->m_ScopeTrack.Count(0);
        SaveArtifact(QApplication::activeModalWidget(), "comm_auto_check_sweep.png");
    });
    int samplesLater = -1;
    QTimer::singleShot(6000, [&] { samplesLater = m_dialog->m_ScopeTrack.Count(0); });

    const auto start = std::chrono::steady_clock::now();
    Click(IDC_COMM_CHECK);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("auto check took %.1f s\n", seconds);

    EXPECT_TRUE(runningInSweep);
    EXPECT_EQ(samplesInSweep, samplesLater);
    EXPECT_EQ(0, theApp.m_bCheckCommRunning);
    EXPECT_EQ(drive, theApp.m_pLoggerSettings->CommDrive);
    EXPECT_EQ(gain, theApp.m_pLoggerSettings->CommGain);
    EXPECT_EQ(std::to_string(drive), m_page->GetDlgItemText(IDC_COMM_DRIVE, 20));
    EXPECT_EQ(std::to_string(gain), m_page->GetDlgItemText(IDC_COMM_GAIN, 20));
    CIni tool((m_folder / "Ressources" / "KVXS0001.tol").string(), "General", FALSE);
    EXPECT_EQ(drive, tool.GetInt("CommDrive", -1, "General"));
    EXPECT_EQ(gain, tool.GetInt("CommGain", -1, "General"));
    // The probe took the pair.
    EXPECT_TRUE(WaitFor([&] { return theApp.m_pProbeStatus->echoCommDrive == drive; }, 2000));
    EXPECT_EQ(gain, theApp.m_pProbeStatus->echoCommGain);
    EXPECT_TRUE(WaitFor([] { return (theApp.m_pFrameState->replyStatus & 0x01) != 0; }, 3000));
    m_page->UpdateStatusLeds();
    SaveArtifact(m_page->GetSafeHwnd(), "comm_page_after_check.png");
}

TEST_F(CommLinkIntegrationTest, AProbeThatDoesNotEchoGetsFiveResendsThenOneWarning)
{
    ScriptedMessageBoxes boxes;
    ASSERT_NO_FATAL_FAILURE(Start({"--no-echo"}));
    m_page->SetDlgItemText(IDC_COMM_DRIVE, "33");
    Click(IDC_COMM_SET);
    ASSERT_TRUE(WaitFor([&] { return CommFramesReceived() == 1; }, 3000));
    EXPECT_EQ(33, theApp.m_pLoggerSettings->CommDrive);
    // The acknowledgement timer's ticks, without waiting a second for each.
    for (int resend = 2; resend <= 6; ++resend) {
        m_page->OnTimer(CPCommDlg::kAckTimer);
        ASSERT_TRUE(WaitFor([&] { return CommFramesReceived() == resend; }, 3000)) << resend;
    }
    boxes.Expect("Warning consigne error, ACK Comm error");
    m_page->OnTimer(CPCommDlg::kAckTimer);
    EXPECT_EQ(1u, boxes.AllShown().size());
    m_page->OnTimer(CPCommDlg::kAckTimer);  // the count starts again
    EXPECT_TRUE(WaitFor([&] { return CommFramesReceived() == 7; }, 3000));
    m_page->KillTimer(CPCommDlg::kAckTimer);
}

}  // namespace
