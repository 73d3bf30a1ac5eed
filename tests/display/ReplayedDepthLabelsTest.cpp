// The demo log replayed through the main window, as the operator replays it:
// "&Open", the player's play and pause, its reset and play again, then a
// printed page. On screen and on paper each depth label states the depth of
// the record drawn on its row. With KVX_TEST_ARTIFACTS set, the pictures of
// the window, of the tracks and of the printed page are kept.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#include "core/ConfigFolder.h"
#include "core/InstanceChecker.h"
#include "core/RunState.h"
#include "core/VarnoLogger_KVXApp.h"
#include "display/PrintedPage.h"
#include "header/HeaderRecord.h"
#include "mainwnd/VarnoLogger_KVXDlg.h"
#include "platform/Printer.h"
#include "probe/LogRecord.h"
#include "res/Resource.h"
#include "support/Artifacts.h"
#include "support/CurveTracks.h"
#include "support/LoggerEmulator.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/TestPrinter.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kPrinter = "Replay PDF";
// 30 m of the demo log, 10 cm a record.
constexpr std::int64_t kReplayed = 300 * sizeof(LogRecord);

class ReplayedDepthLabelsTest : public ConfigFolderTest {
protected:
    void SetUp() override
    {
        ConfigFolderTest::SetUp();
        SetApplicationName("kvx_replay_labels_" + std::to_string(getpid()));
        for (const char* name : {"Ressources/KVXS0001.tol", "Demo/KPXG3241.log", "Demo/KPXG3241.hed"}) {
            fs::create_directories(fs::path(Path(name)).parent_path());
            fs::copy_file(fs::path(KVX_PROGRAM_DIR) / name, Path(name));
        }
        m_savedPrinterUsed = theApp.m_strPrinterUsed;
        SetPdfTestPrinter(kPrinter, Path("Jobs"), 300);
        SelectAppPrinter("");
        theApp.m_strPrinterUsed = kPrinter;
    }

    void TearDown() override
    {
        if (m_main) {
            m_main->m_PowerDlg.OnCommand(IDC_STOP, 0);
            m_main->m_PowerDlg.WaitForReplayEnd(2000);
            m_main.reset();
        }
        UseTestPrinter();
        SelectAppPrinter("");
        theApp.m_strPrinterUsed = m_savedPrinterUsed;
        CInstanceChecker::CloseFirstInstanceMapping();
        theApp.m_bUsbDriverOk = 0;
        theApp.m_nReplayPos = 0;
        *theApp.m_pHeaderRecord = HeaderRecord{};
        ConfigFolderTest::TearDown();
    }

    QAbstractButton* Button(int id)
    {
        return qobject_cast<QAbstractButton*>(m_main->m_PowerDlg.GetDlgItem(id)->GetSafeHwnd());
    }

    // Plays at the fastest speed until 30 m more have been replayed, pauses,
    // and draws the tracks as they stand.
    void PlayThirtyMetres()
    {
        const std::int64_t from = theApp.m_nReplayPos;
        ASSERT_TRUE(Button(IDC_PLAY)->isEnabled());
        Button(IDC_PLAY)->click();
        ASSERT_TRUE(WaitFor([&] { return theApp.m_nReplayPos >= from + kReplayed; }, 20000));
        Button(IDC_PAUSE)->click();
        ASSERT_TRUE(m_main->m_PowerDlg.WaitForReplayEnd(2000));
        m_main->m_ScopeTrack.Draw();
    }

    void ExpectLabelsOfTheReplayedRecords(const std::vector<CScopeTrack::DepthMark>& labels)
    {
        const std::vector<LogRecord> records = ReadLogRecords(Path("Demo/KPXG3241.log"));
        const int checked = ExpectLabelsAtTheDepthsOfTheirRecords(
            m_main->m_ScopeTrack, labels, records, *theApp.m_pHeaderRecord, *theApp.m_pToolRecord);
        EXPECT_GE(checked, 5);
    }

    std::unique_ptr<CVarnoLogger_KVXDlg> m_main;
    std::string m_savedPrinterUsed;
};

TEST_F(ReplayedDepthLabelsTest, LabelsStateTheDepthsOfTheRecordsAfterOpenResetAndOnPaper)
{
    ScriptedMessageBoxes boxes;
    boxes.Expect("USB driver not installed.");
    m_main = std::make_unique<CVarnoLogger_KVXDlg>(nullptr);
    ASSERT_TRUE(m_main->Create(IDD_VARNOLOGGER_KVX_DIALOG, nullptr));
    m_main->GetSafeHwnd()->resize(1000, 760);
    QApplication::processEvents();
    ScriptedFileDialogs files;
    files.Choose(Path("Demo/KPXG3241.log"));
    m_main->OnCommand(ID_CMD_OPEN, 0);
    ASSERT_EQ(1, theApp.m_pRunState->fileLoaded);
    m_main->m_PowerDlg.SpeedSlider().SetPos(m_main->m_PowerDlg.SpeedSlider().GetRangeMax());

    {
        SCOPED_TRACE("the first play after opening the log");
        ASSERT_NO_FATAL_FAILURE(PlayThirtyMetres());
        ExpectLabelsOfTheReplayedRecords(m_main->m_ScopeTrack.Labels());
    }
    {
        SCOPED_TRACE("the same 30 m after the player's reset");
        ASSERT_TRUE(Button(IDC_RESET)->isEnabled());
        Button(IDC_RESET)->click();
        ASSERT_NO_FATAL_FAILURE(PlayThirtyMetres());
        ExpectLabelsOfTheReplayedRecords(m_main->m_ScopeTrack.Labels());
        SaveArtifact(m_main->GetSafeHwnd(), "replay_after_reset_window.png");
        SaveArtifact(m_main->m_ScopeTrack.Image(), "replay_after_reset_tracks.png");
    }
    {
        SCOPED_TRACE("the printed page");
        m_main->OnCommand(ID_CMD_PRINT, 0);
        const fs::path pdf = fs::path(Path("Jobs")) / (page::JobName(0) + ".pdf");
        ASSERT_TRUE(fs::exists(pdf));
        ExpectLabelsOfTheReplayedRecords(m_main->m_ScopeTrack.PrintLabels());
        SaveArtifact(m_main->m_ScopeTrack.PrintImage(), "replay_after_reset_print_canvas.png");
        CopyArtifact(pdf, "replay_after_reset_page.pdf");
    }
}

}  // namespace
