// The communication page and its auto check against the logger emulator,
// through the real link of the main window.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
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
#include "platform/Dialog.h"
#include "probe/Frames.h"
#include "probe/ToolsStream.h"
#include "res/Resource.h"
#include "setup/CheckComm.h"
#include "setup/PCommDlg.h"
#include "support/Artifacts.h"
#include "support/LinkedMainWindow.h"
#include "support/LoggerEmulator.h"
#include "support/ModalDialogs.h"
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
        SetProgramFolder(m_folder.string() + "/");
        m_link = std::make_unique<LinkedMainWindow>(m_folder);
    }

    void TearDown() override
    {
        m_host.reset();
        m_page.reset();
        m_link.reset();
        SetProgramFolder(m_savedFolder);
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }

    // The main window linked to a running emulator, and the page on it.
    void Start(std::vector<std::string> options)
    {
        ASSERT_TRUE(m_link->Start(options));
        m_dialog = &m_link->Window();
        m_emulator = &m_link->Emulator();
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
    std::string m_savedFolder;
    std::unique_ptr<LinkedMainWindow> m_link;
    CVarnoLogger_KVXDlg* m_dialog = nullptr;
    LoggerEmulator* m_emulator = nullptr;
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
    // An echo of a pair tried earlier may still be on its way: wait for this one's.
    EXPECT_TRUE(WaitFor([&] {
        return theApp.m_pProbeStatus->echoCommDrive == drive && theApp.m_pProbeStatus->echoCommGain == gain;
    }, 10000));
    EXPECT_TRUE(WaitFor([] { return (theApp.m_pFrameState->replyStatus & 0x01) != 0; }, 10000));
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

// Ended in the sweep, however: the probe goes back to the pair in force
// before the check, not the gain 0 it was trying, the page and the settings
// agree, and live samples are taken again.
TEST_F(CommLinkIntegrationTest, EndedCheckPutsTheProbeBackOnThePairInForce)
{
    ScriptedMessageBoxes boxes;
    ASSERT_NO_FATAL_FAILURE(Start({}));
    const int drive = theApp.m_pLoggerSettings->CommDrive;
    const int gain = theApp.m_pLoggerSettings->CommGain;
    ASSERT_NE(0, gain);

    const auto key = [](QWidget* check, Qt::Key which) {
        // On no button: Enter reaches the dialog itself.
        if (QWidget* focus = check->focusWidget())
            focus->clearFocus();
        QTest::keyClick(check, which);
    };
    const std::vector<std::pair<const char*, std::function<void(QWidget*)>>> ends = {
        {"&Cancel", [](QWidget* check) { ModalButton(check, IDCANCEL)->click(); }},
        {"Enter on &Cancel", [](QWidget* check) {
             ModalButton(check, IDCANCEL)->setFocus();
             QTest::keyClick(ModalButton(check, IDCANCEL), Qt::Key_Return);
         }},
        {"Enter", [&](QWidget* check) { key(check, Qt::Key_Return); }},
        {"Escape", [&](QWidget* check) { key(check, Qt::Key_Escape); }},
        {"close box", [](QWidget* check) { check->close(); }},
        {"termination signal", [](QWidget*) { EndModalDialogs(); }},
    };
    for (const auto& [how, end] : ends) {
        SCOPED_TRACE(how);
        // Once the probe runs on the sweep's gain 0, the operator ends the check.
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QWidget* check = QApplication::activeModalWidget();
            const ProbeStatus& echo = *theApp.m_pProbeStatus;
            const bool sweeping = echo.echoCommGain == 0 && echo.echoCommDrive >= 8;
            if (check == nullptr || !HasControl(check, IDC_CHECK_STATUS) || !sweeping)
                return;
            poll.stop();
            end(check);
        });
        poll.start(20);
        Click(IDC_COMM_CHECK);
        ASSERT_FALSE(poll.isActive()) << "the check ended before it was ended";

        EXPECT_EQ(0, theApp.m_bCheckCommRunning);
        EXPECT_EQ(drive, theApp.m_pLoggerSettings->CommDrive);
        EXPECT_EQ(gain, theApp.m_pLoggerSettings->CommGain);
        EXPECT_EQ(std::to_string(drive), m_page->GetDlgItemText(IDC_COMM_DRIVE, 20));
        EXPECT_EQ(std::to_string(gain), m_page->GetDlgItemText(IDC_COMM_GAIN, 20));
        EXPECT_TRUE(WaitFor([&] {
            return theApp.m_pProbeStatus->echoCommDrive == drive && theApp.m_pProbeStatus->echoCommGain == gain;
        }, 5000)) << "the probe did not echo the pair in force";
    }
}

}  // namespace
