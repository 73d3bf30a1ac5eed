// The Logger Setup sheet in the main window against the logger emulator: the
// winch page's settings frame and its echo check, the probe page's orders,
// tool file and echo read-out, and the sheet's placement kept at close.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QTabBar>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <unistd.h>

#include "core/RunState.h"
#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "header/HeaderRecord.h"
#include "mainwnd/VarnoLogger_KVXDlg.h"
#include "platform/Application.h"
#include "probe/Frames.h"
#include "res/Resource.h"
#include "setup/PropertyLoggerDlg.h"
#include "support/Artifacts.h"
#include "support/LinkedMainWindow.h"
#include "support/LoggerEmulator.h"
#include "support/ModalDialogs.h"
#include "support/ScriptedMessageBoxes.h"

namespace {

namespace fs = std::filesystem;

// Waits without running the user-interface thread's events, so that no
// window timer sends anything of its own meanwhile.
bool WaitQuietly(const std::function<bool()>& done, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

class LoggerSetupIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char folder[] = "/tmp/kvx_setupXXXXXX";
        ASSERT_NE(nullptr, mkdtemp(folder));
        m_folder = folder;
        m_savedFolder = GetProgramFolder();
        SetProgramFolder(m_folder.string() + "/");
        m_link = std::make_unique<LinkedMainWindow>(m_folder);
        m_savedRateLimit = encoderRateLimit;
        encoderRateLimit = 250;
    }

    void TearDown() override
    {
        m_link.reset();
        encoderRateLimit = m_savedRateLimit;
        SetProgramFolder(m_savedFolder);
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }

    fs::path ToolFile() const { return m_folder / "Ressources" / "KVXS0001.tol"; }

    // The main window linked to a running emulator, the sheet opened by its command.
    void Start(std::vector<std::string> options)
    {
        ASSERT_TRUE(m_link->Start(options, [](CVarnoLogger_KVXDlg& window) { window.GetSafeHwnd()->resize(1000, 640); }));
        m_dialog = &m_link->Window();
        m_dialog->OnCommand(ID_CMD_LOGGER_SETUP, 0);
        ASSERT_TRUE(Sheet().IsWindowVisible());
    }

    CPropertyLoggerDlg& Sheet() { return m_dialog->m_PropertyLoggerDlg; }
    void SelectTab(int tab) { qobject_cast<QTabBar*>(Sheet().Tabs().GetSafeHwnd())->setCurrentIndex(tab); }
    static void Type(CWnd& page, int id, const char* text)
    {
        qobject_cast<QLineEdit*>(page.GetDlgItem(id)->GetSafeHwnd())->setText(text);
    }
    static void Click(CWnd& window, int id) { qobject_cast<QAbstractButton*>(window.GetDlgItem(id)->GetSafeHwnd())->click(); }

    std::vector<std::string> Frames(int type) const
    {
        const std::string log = m_link->Emulator().Log();
        std::regex frame("RX type=" + std::to_string(type) + " len=\\d+ checksum=ok bytes=([0-9A-F ]+)");
        std::vector<std::string> found;
        for (auto it = std::sregex_iterator(log.begin(), log.end(), frame); it != std::sregex_iterator(); ++it)
            found.push_back((*it)[1]);
        return found;
    }
    int FrameCount(int type) const { return int(Frames(type).size()); }
    // Settings frames carrying these bytes after the winch byte. A frame built
    // before the page's change (the main window resends its order while the
    // echo differs) may still be on its way when the page sends: counted by
    // their bytes, the page's own frames are told from it.
    int SettingsFramesWith(const std::string& wordAndRatio) const
    {
        const std::vector<std::string> frames = Frames(1);
        return int(std::count_if(frames.begin(), frames.end(),
                                 [&](const std::string& frame) { return frame.find(" " + wordAndRatio + " ") == 5; }));
    }

    // The winch page's send timer, once no other order is being written.
    void SendFromWinchPage()
    {
        ASSERT_TRUE(WaitQuietly([] { return theApp.m_nTxLength == 0; }, 10000));
        Sheet().WinchPage().OnTimer(CPWinchDlg::kSendTimer);
    }

    void Grab(CWnd& window, const char* name)
    {
        QCoreApplication::processEvents();
        SaveArtifact(window.GetSafeHwnd(), name);
    }

    fs::path m_folder;
    std::string m_savedFolder;
    std::uint16_t m_savedRateLimit = 0;
    std::unique_ptr<LinkedMainWindow> m_link;
    CVarnoLogger_KVXDlg* m_dialog = nullptr;
};

TEST_F(LoggerSetupIntegrationTest, WinchPageSendsHalfTheFastRatioAndTakesItsEchoAndTheCloseKeepsThePlacement)
{
    ScriptedMessageBoxes boxes;
    ASSERT_NO_FATAL_FAILURE(Start({}));
    EXPECT_EQ(CPropertyLoggerDlg::kCommTab, Sheet().Tabs().GetCurSel());
    EXPECT_EQ(&Sheet().CommPage(), Sheet().CurrentPage());
    EXPECT_EQ(1, theApp.m_pRunState->loggerSetupVisible);
    SelectTab(CPropertyLoggerDlg::kWinchTab);
    CPWinchDlg& page = Sheet().WinchPage();
    ASSERT_EQ(&page, Sheet().CurrentPage());
    EXPECT_TRUE(page.IsWindowVisible());

    Type(page, IDC_WINCH_CIRCUMFERENCE, "500");
    Type(page, IDC_WINCH_RESOLUTION, "4000");
    Click(page, IDC_PAGE_SET);
    EXPECT_EQ(81920u, theApp.m_pLoggerSettings->encoderRateFixed);
    // After the winch byte: settings word 1500, then the ratio halved: 40960.
    const std::string sent = "DC 05 00 A0";
    ASSERT_EQ(0, SettingsFramesWith(sent));
    ASSERT_NO_FATAL_FAILURE(SendFromWinchPage());
    ASSERT_TRUE(WaitQuietly([&] { return SettingsFramesWith(sent) == 1; }, 10000)) << m_link->Emulator().Log();
    const int before = FrameCount(1);
    EXPECT_EQ(5, Frames(1).back().find(" " + sent + " ")) << Frames(1).back();
    ASSERT_TRUE(WaitQuietly([] { return theApp.m_pProbeStatus->echoWheelRatio == 40960; }, 10000));
    ASSERT_TRUE(WaitQuietly([] { return theApp.m_pProbeStatus->updated == 1; }, 10000));
    page.OnTimer(CPWinchDlg::kAckTimer);
    EXPECT_EQ(0, page.RetryCount());
    EXPECT_EQ(before, FrameCount(1));
    // The save timer writes the wheel to the configuration.
    EXPECT_TRUE(WaitFor([&] { return ReadTextFile(m_folder / "Zarkv.cfg").find("PulsResolution=4000") != std::string::npos; },
                        3000));
    Grab(Sheet(), "setup_winch_page.png");

    // Closing the program keeps the open sheet's placement in Zarkv.dat.
    if (theApp.m_nLinkStatus > 16)
        boxes.Expect("The sonde is probably powered on. Do you want to close the application ?", IDYES);
    ASSERT_TRUE(m_dialog->CanClose());
    const WindowPlacement kept = theApp.m_pPlacementStore->placements[kPlacementLoggerSetup];
    EXPECT_EQ(44u, kept.length);
    const RECT frame = Sheet().GetWindowRect();
    EXPECT_EQ(frame.left, kept.rcNormalPosition.left);
    EXPECT_EQ(frame.top, kept.rcNormalPosition.top);
    const std::string file = ReadTextFile(m_folder / "Zarkv.dat");
    ASSERT_EQ(sizeof(WindowPlacementStore), file.size());
    WindowPlacement stored;
    std::memcpy(&stored, file.data() + offsetof(WindowPlacementStore, placements) + 20 * sizeof(WindowPlacement),
                sizeof stored);
    EXPECT_EQ(44u, stored.length);
    EXPECT_EQ(kept.rcNormalPosition.left, stored.rcNormalPosition.left);
}

TEST_F(LoggerSetupIntegrationTest, WinchEchoOfAnotherRatioGetsFiveResendsThenOneWarning)
{
    ScriptedMessageBoxes boxes;
    ASSERT_NO_FATAL_FAILURE(Start({"--wheel-ratio-echo", "123"}));
    SelectTab(CPropertyLoggerDlg::kWinchTab);
    CPWinchDlg& page = Sheet().WinchPage();
    Type(page, IDC_WINCH_CIRCUMFERENCE, "1000");
    Type(page, IDC_WINCH_RESOLUTION, "1000");
    Click(page, IDC_PAGE_SET);
    // The frames carry 10240, not halved at rate 40.
    const std::string sent = "DC 05 00 28";
    ASSERT_EQ(0, SettingsFramesWith(sent));
    ASSERT_NO_FATAL_FAILURE(SendFromWinchPage());
    for (int resend = 1; resend <= CPWinchDlg::kMaxResends; ++resend) {
        SCOPED_TRACE(resend);
        ASSERT_TRUE(WaitQuietly([&] { return SettingsFramesWith(sent) == resend; }, 10000))
            << m_link->Emulator().Log();
        ASSERT_TRUE(WaitQuietly([] { return theApp.m_pProbeStatus->updated == 1; }, 10000));
        ASSERT_TRUE(WaitQuietly([] { return theApp.m_nTxLength == 0; }, 10000));
        page.OnTimer(CPWinchDlg::kAckTimer);
        EXPECT_EQ(resend, page.RetryCount());
    }
    ASSERT_TRUE(WaitQuietly([&] { return SettingsFramesWith(sent) == 6; }, 10000)) << m_link->Emulator().Log();
    const int before = FrameCount(1);
    ASSERT_TRUE(WaitQuietly([] { return theApp.m_pProbeStatus->updated == 1; }, 10000));
    boxes.Expect("Warning consigne error, ACK puley -Mode error");
    page.OnTimer(CPWinchDlg::kAckTimer);
    EXPECT_EQ(0, page.RetryCount());
    ASSERT_EQ(1u, boxes.AllShown().size());
    EXPECT_EQ(before, FrameCount(1));
    // The echo every resend got back; the last frame is the page's.
    EXPECT_EQ(123, theApp.m_pProbeStatus->echoWheelRatio);
    EXPECT_EQ(5, Frames(1).back().find(" " + sent + " ")) << Frames(1).back();
}

TEST_F(LoggerSetupIntegrationTest, ProbePageSendsSettingsWhenOffRecordingModeWhenPoweredAndShowsTheEcho)
{
    ScriptedMessageBoxes boxes;
    ASSERT_NO_FATAL_FAILURE(Start({}));
    SelectTab(CPropertyLoggerDlg::kProbeTab);
    CPProbeDlg& page = Sheet().ProbePage();
    ASSERT_EQ(&page, Sheet().CurrentPage());
    EXPECT_EQ("150", page.GetDlgItemText(IDC_PROBE_TIME, 20));

    // Sonde off: the settings frame, and the tool file in millimetres.
    const int settings = FrameCount(1);
    Type(page, IDC_PROBE_DEPTH, "5");
    Click(page, IDC_PAGE_SET);
    EXPECT_EQ(5, theApp.m_pLoggerSettings->DepthInterval);
    EXPECT_TRUE(WaitFor([&] { return ReadTextFile(ToolFile()).find("DepthInterval=50\r\n") != std::string::npos; },
                        3000));
    EXPECT_TRUE(WaitFor([&] { return FrameCount(1) > settings; }, 3000));
    EXPECT_EQ(0, FrameCount(6));

    // Powered: the recording-mode frame.
    ASSERT_TRUE(WaitFor([&] { return m_dialog->m_PowerDlg.GetDlgItem(IDC_POWER)->GetSafeHwnd()->isEnabled(); }, 5000));
    Click(m_dialog->m_PowerDlg, IDC_POWER);
    ASSERT_TRUE(WaitFor([&] { return m_dialog->m_PowerDlg.IsSondeOn() && !m_dialog->m_PowerDlg.IsOrderPending(); },
                        5000));
    ASSERT_EQ(1, FrameCount(6));
    Type(page, IDC_PROBE_TIME, "100");
    Click(page, IDC_PAGE_SET);
    EXPECT_TRUE(WaitFor([&] { return FrameCount(6) == 2; }, 3000));
    // Each live step brings the probe's time interval to the yellow read-out.
    EXPECT_TRUE(WaitFor([&] { return page.TimeEcho().GetWindowText() == "100"; }, 3000));
    EXPECT_EQ(CPProbeDlg::kEchoColour, page.TimeEcho().GetBkColor());
    EXPECT_EQ("-", page.DepthEcho().GetWindowText());
    Grab(Sheet(), "setup_probe_page.png");
    // The communication page lights its LEDs from the live replies.
    SelectTab(CPropertyLoggerDlg::kCommTab);
    WaitFor([] { return false; }, 1200);
    Grab(Sheet(), "setup_communication_page.png");

    Click(m_dialog->m_PowerDlg, IDC_POWER);
    EXPECT_TRUE(WaitFor([&] { return !m_dialog->m_PowerDlg.IsOrderPending() && !theApp.m_bSondePowered; }, 5000));
}

// The depth panel's reset, typed as the operator does, moves the logger's
// own counter: the depth read back is the typed one plus the tool's length.
TEST_F(LoggerSetupIntegrationTest, DepthResetFromThePanelReachesTheEmulatorsCounter)
{
    ScriptedMessageBoxes boxes;
    ASSERT_NO_FATAL_FAILURE(Start({}));
    const double tool = theApp.m_pToolRecord->SondeLength / 100.0;
    CWnd& panel = m_dialog->m_DephtDlg;
    ASSERT_TRUE(WaitFor([&] { return panel.GetDlgItem(IDC_DEPTH_RESET)->GetSafeHwnd()->isEnabled(); }, 3000));

    auto* answer = new QTimer();
    QObject::connect(answer, &QTimer::timeout, [answer] {
        QWidget* dialog = QApplication::activeModalWidget();
        QAbstractButton* ok = dialog ? ModalButton(dialog, IDOK) : nullptr;
        if (ok == nullptr)
            return;
        for (QLineEdit* edit : dialog->findChildren<QLineEdit*>()) {
            if (ControlIdOf(edit) == IDC_SET_DEPTH_EDIT)
                edit->setText("12.34");
        }
        ok->click();
        answer->deleteLater();
    });
    answer->start(20);
    Click(panel, IDC_DEPTH_RESET);

    const double depth = 12.34 + tool;
    EXPECT_DOUBLE_EQ(depth, theApp.m_pLoggerSettings->setDepth);
    ASSERT_TRUE(WaitFor([&] { return FrameCount(2) == 1; }, 3000));
    const long counts = std::lround(depth * theApp.m_pLoggerSettings->encoderRate * 100.0);
    EXPECT_NE(std::string::npos, ReadTextFile(m_folder / "sim.log").find("depth set to " + std::to_string(counts)));
    EXPECT_TRUE(WaitFor([&] { return std::fabs(theApp.m_pFrameState->replyDepth - depth) < 0.001; }, 3000));
}

}  // namespace
