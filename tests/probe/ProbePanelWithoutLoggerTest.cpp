// The probe control panel of a main window started without any logger: the
// hold of its status line, and the player's stop.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#include "core/ConfigFolder.h"
#include "core/InstanceChecker.h"
#include "core/RunState.h"
#include "core/VarnoLogger_KVXApp.h"
#include "header/HeaderRecord.h"
#include "mainwnd/VarnoLogger_KVXDlg.h"
#include "probe/Frames.h"
#include "probe/LogRecord.h"
#include "res/Resource.h"
#include "support/LoggerEmulator.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ScriptedMessageBoxes.h"

namespace {

namespace fs = std::filesystem;

class ProbePanelWithoutLoggerTest : public ConfigFolderTest {
protected:
    void SetUp() override
    {
        ConfigFolderTest::SetUp();
        SetApplicationName("kvx_panel_alone_" + std::to_string(getpid()));
        for (const char* name : {"Ressources/KVXS0001.tol", "Demo/KPXG3241.log", "Demo/KPXG3241.hed"}) {
            fs::create_directories(fs::path(Path(name)).parent_path());
            fs::copy_file(fs::path(KVX_PROGRAM_DIR) / name, Path(name));
        }
        ScriptedMessageBoxes boxes;
        boxes.Expect("USB driver not installed.");
        m_main = std::make_unique<CVarnoLogger_KVXDlg>(nullptr);
        ASSERT_TRUE(m_main->Create(IDD_VARNOLOGGER_KVX_DIALOG, nullptr));
    }

    void TearDown() override
    {
        if (m_main) {
            m_main->m_PowerDlg.OnCommand(IDC_STOP, 0);
            m_main->m_PowerDlg.WaitForReplayEnd(2000);
            m_main.reset();
        }
        CInstanceChecker::CloseFirstInstanceMapping();
        theApp.m_bUsbDriverOk = theApp.m_bUsbHardwarePresent = 0;
        theApp.m_nReplayPos = 0;
        *theApp.m_pFrameState = FrameState{};
        *theApp.m_pHeaderRecord = HeaderRecord{};
        ConfigFolderTest::TearDown();
    }

    CPowerDlg& Panel() { return m_main->m_PowerDlg; }
    QAbstractButton* Button(int id) { return qobject_cast<QAbstractButton*>(Panel().GetDlgItem(id)->GetSafeHwnd()); }

    std::unique_ptr<CVarnoLogger_KVXDlg> m_main;
};

// A reply status is shown for a quarter of a second at least, so that a
// status changing with every packet can be read; a fault is shown at once.
TEST_F(ProbePanelWithoutLoggerTest, StatusLineHoldsEachTextAQuarterOfASecond)
{
    using Clock = std::chrono::steady_clock;
    // The replay-mode text would cover every other.
    theApp.m_bUsbHardwarePresent = 1;
    FrameState& frame = *theApp.m_pFrameState;
    frame.overrun = 0;
    frame.replyStatus = 0x01;
    ASSERT_TRUE(WaitFor([&] {
        Panel().UpdateStatusText();
        return Panel().StatusText() == "Status OK";
    }, 3000));
    const Clock::time_point shown = Clock::now();

    frame.replyStatus = 0x00;
    Panel().UpdateStatusText();
    EXPECT_EQ("Status OK", Panel().StatusText()) << "held";
    ASSERT_TRUE(WaitFor([&] {
        Panel().UpdateStatusText();
        return Panel().StatusText() == "Sonde not powered";
    }, 5000));
    // Less what Qt may end a timer early, and the panel's own refresh showing the text between two polls.
    EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - shown).count(), 150);

    frame.replyStatus = 0xFE;
    Panel().UpdateStatusText();
    EXPECT_EQ("No response", Panel().StatusText()) << "a fault ends the hold";
}

TEST_F(ProbePanelWithoutLoggerTest, StoppingTheReplayGivesTheAcquisitionModeBack)
{
    ScriptedFileDialogs files;
    files.Choose(Path("Demo/KPXG3241.log"));
    m_main->OnCommand(ID_CMD_OPEN, 0);
    ASSERT_EQ(1, theApp.m_pRunState->fileLoaded);
    Button(IDC_PLAY)->click();
    ASSERT_TRUE(WaitFor([] { return theApp.m_nReplayPos >= std::int64_t(2 * sizeof(LogRecord)); }, 5000));
    EXPECT_EQ(std::string("Fichier de donn\xe9"
                          "e : KPXG3241.lox"), m_main->m_StatusBar.GetText(0));

    Button(IDC_STOP)->click();
    ASSERT_TRUE(Panel().WaitForReplayEnd(2000));
    EXPECT_EQ(0, theApp.m_pRunState->playing);
    EXPECT_EQ(0, theApp.m_pRunState->fileLoaded);
    EXPECT_EQ("Mode acquisition.", m_main->m_StatusBar.GetText(0));
    EXPECT_FALSE(Button(IDC_PLAY)->isEnabled());
}

}  // namespace
