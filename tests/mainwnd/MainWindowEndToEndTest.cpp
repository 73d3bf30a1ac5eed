// The program against the logger emulator, driven through the main window's
// own commands: a down-depth record named by "&New log.", opened again with
// "&Open", played to its end, and the close check before and after power-off.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "core/ConfigFolder.h"
#include "core/Ini.h"
#include "core/RunState.h"
#include "core/Settings.h"
#include "core/VarnoLogger_KVXApp.h"
#include "platform/FileDialog.h"
#include "mainwnd/VarnoLogger_KVXDlg.h"
#include "platform/MessageBox.h"
#include "platform/Placement.h"
#include "probe/LogRecord.h"
#include "res/Resource.h"
#include "support/Artifacts.h"
#include "support/LoggerEmulator.h"
#include "support/ModalDialogs.h"
#include "support/ProgramRun.h"
#include "support/TestPrinter.h"

namespace {

namespace fs = std::filesystem;

// Answers every message box: questions with Yes, the others with OK.
class AnsweredBoxes {
public:
    AnsweredBoxes()
    {
        SetMessageBoxHandler([this](const std::string& text, const std::string&, UINT type) {
            std::lock_guard lock(m_mutex);
            m_texts.push_back(text);
            return (type & 0x0F) == MB_YESNO ? IDYES : IDOK;
        });
    }
    ~AnsweredBoxes() { SetMessageBoxHandler(nullptr); }
    std::vector<std::string> Texts()
    {
        std::lock_guard lock(m_mutex);
        return m_texts;
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_texts;
};

class MainWindowEndToEndTest : public ConfigFolderTest {
protected:
    void SetUp() override
    {
        ConfigFolderTest::SetUp();
        SetApplicationName("kvx_e2e_" + std::to_string(getpid()));
        PrepareLinkedProgramFolder(Path(""));
    }
    void TearDown() override
    {
        ResetProgramRun();
        ConfigFolderTest::TearDown();
    }
};

uintmax_t FileSize(const fs::path& path)
{
    std::error_code missing;
    const uintmax_t size = fs::file_size(path, missing);
    return missing ? 0 : size;
}

std::string Tail(const std::string& text)
{
    return text.substr(text.size() - std::min<size_t>(text.size(), 2000));
}

std::vector<std::string> FilesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    std::error_code missing;
    for (const auto& entry : fs::directory_iterator(folder, missing))
        names.push_back(entry.path().filename().string());
    return names;
}

bool PowerConfirmed(CVarnoLogger_KVXDlg& main, bool on)
{
    main.m_PowerDlg.OnPowerButton();
    return WaitFor([&] { return !main.m_PowerDlg.IsOrderPending() && main.m_PowerDlg.IsSondeOn() == on; }, 5000);
}

TEST_F(MainWindowEndToEndTest, RecordOpenReplayAndCloseThroughTheCommands)
{
    LoggerEmulator emulator(Path("s"), Path("sim.log"), {"--speed", "60", "--down", "30", "--seed", "7"});
    ASSERT_TRUE(emulator.Running());
    AnsweredBoxes boxes;
    const std::string data = Path("Data/Well.log");
    std::vector<FileDialogRequest> requests;
    std::string chosen;
    SetFileDialogHandler([&](const FileDialogRequest& request) {
        requests.push_back(request);
        return std::optional<std::string>(chosen);
    });

    bool linked = false, powered = false, recorded = false, refusedWhilePowered = false;
    std::vector<std::string> boxesBeforeClose;
    size_t records = 0;
    unsigned replayed = 0;
    std::string opened;
    std::string depthShown, rawShown;
    int toolsBoxRewrites = 0;
    int scaleOnCurves = 0;
    QTimer::singleShot(0, [&] {
        CVarnoLogger_KVXDlg& main = *theApp.m_pMainDlg;
        QWidget* window = main.GetSafeHwnd();
        QApplication::processEvents();
        SaveArtifact(window, "main_window_initial.png");
        linked = WaitFor([] { return theApp.m_nLinkStatus >= 16; }, 15000);
        UseEmulatorLinkSettings(*theApp.m_pLoggerSettings);
        powered = linked && PowerConfirmed(main, true);
        if (!powered) {
            window->close();
            return;
        }

        // "&New log.": down depth in the recording-mode dialog, the name in the file chooser.
        chosen = data;
        ClickWhenModal({IDC_DOWN_DEPTH_MODE, IDOK});
        ClickWhenModal({IDC_HDR_SAVE});  // the header editor, as it opened
        main.OnCommand(ID_CMD_NEW_LOG, 0);
        recorded = theApp.m_pRunState->recording == 1 &&
                   WaitFor([&] { return fs::exists(data) && fs::file_size(data) >= 30 * sizeof(LogRecord); }, 20000);
        // The tools box from the probe panel's command; it and the depth panel follow the live steps.
        main.OnCommand(ID_CMD_TOOLS_BOX, 0);
        WaitFor([&] { return main.m_ToolsProbeDlg.RewriteCount() > 0; }, 3000);
        toolsBoxRewrites = main.m_ToolsProbeDlg.RewriteCount();
        rawShown = main.m_ToolsProbeDlg.RawStatic(0).GetWindowText();
        depthShown = main.m_DephtDlg.DepthReadout().GetText();
        window->resize(1600, 1000);
        WaitFor([&] { return false; }, 1500);
        SaveArtifact(window, "main_window_1600x1000_live.png");
        main.m_PowerDlg.OnCommand(IDC_STOP, 0);
        records = fs::file_size(data) / sizeof(LogRecord);

        // "&Open" is refused while the sonde is powered; after power-off it loads the log.
        chosen = data;
        main.OnCommand(ID_CMD_OPEN, 0);
        refusedWhilePowered = theApp.m_pRunState->fileLoaded == 0;
        PowerConfirmed(main, false);
        main.OnCommand(ID_CMD_OPEN, 0);
        opened = main.m_StatusBar.GetText(0);
        main.m_PowerDlg.SpeedSlider().SetPos(50);
        main.m_PowerDlg.OnCommand(IDC_PLAY, 0);
        WaitFor([] { return theApp.m_pRunState->playing == 0; }, 10000);
        main.m_PowerDlg.WaitForReplayEnd(2000);
        replayed = main.m_ScopeTrack.Count(0);
        // "1/200" in the depth panel reaches the curves.
        CComboBox& scales = main.m_DephtDlg.ScaleCombo();
        scales.SetCurSel(scales.FindStringExact(-1, "1/200"));
        main.m_DephtDlg.OnCommand(MAKEWPARAM(IDC_SCALE_COMBO, CBN_SELCHANGE), 0);
        scaleOnCurves = main.m_ScopeTrack.Scale().scale;

        // The close box is refused while the sonde is powered.
        PowerConfirmed(main, true);
        WaitFor([] { return theApp.m_nLinkStatus > 16; }, 3000);
        window->close();
        boxesBeforeClose = boxes.Texts();
        PowerConfirmed(main, false);
        window->close();
    });
    EXPECT_FALSE(theApp.InitInstance());

    ASSERT_TRUE(linked);
    ASSERT_TRUE(powered);
    EXPECT_TRUE(recorded);
    // The refused "&Open" shows no chooser.
    ASSERT_EQ(2u, requests.size());
    EXPECT_FALSE(requests[0].open);
    EXPECT_TRUE(requests[1].open);
    // The configured default folder "c:\" gives way to "Data" beside the program.
    EXPECT_EQ(Path("Data") + "/", requests[0].initialDir);

    // The record: its header beside it, with the end written by the stop.
    EXPECT_GE(records, 30u);
    CIni header(Path("Data/Well.hed"), TRUE);
    EXPECT_EQ(12, header.GetInt("LogMode", -1, "WellInfo"));
    EXPECT_NE(-1, header.GetInt("EndDepth", -1, "WellInfo"));
    EXPECT_GT(header.GetInt("EndTime", -1, "WellInfo"), 0);

    // Open and replay: the ".lox" name, every record on the curves (10 cm each, one sample per cm).
    EXPECT_TRUE(refusedWhilePowered);
    EXPECT_EQ("Data file : Well.lox", opened);
    EXPECT_EQ(records * 10, replayed);

    // Live depth on the depth panel, values in the tools box.
    EXPECT_NE(0.0, std::strtod(depthShown.c_str(), nullptr)) << depthShown;
    EXPECT_GT(toolsBoxRewrites, 0);
    EXPECT_NE("", rawShown);
    EXPECT_EQ(250, scaleOnCurves);

    ASSERT_GE(boxesBeforeClose.size(), 2u);
    EXPECT_EQ("Sonde must be switched Off before entering in Replay Mode.", boxesBeforeClose[0]);
    EXPECT_EQ("Sonde must be switched off before leaving program.", boxesBeforeClose.back());

    // Closed: the placements and the configuration written, the reader ended.
    EXPECT_TRUE(fs::exists(Path("Zarkv.cfg")));
    EXPECT_EQ(sizeof(WindowPlacementStore), fs::file_size(Path("Zarkv.dat")));
    CIni config(Path("Zarkv.cfg"), TRUE);
    EXPECT_EQ(data, config.GetString("DataFile", "", "VarnoLogger"));
    EXPECT_EQ(0, theApp.m_bReadThreadRunning);
    if (auto reader = theApp.m_pReadThread.load()) {
        EXPECT_TRUE(reader->WaitForEnd(0));
    }
}

}  // namespace

namespace {

// The desktop's log-out during a record: the record ends with its header
// complete, the sonde is switched off and the program ends without a question;
// a configuration it cannot save is told on stderr, as nobody is there.
TEST_F(MainWindowEndToEndTest, TerminationSignalEndsTheRecordAndThePowerInOrder)
{
    LoggerEmulator emulator(Path("s"), Path("sim.log"), {"--speed", "60", "--down", "30", "--seed", "7"});
    ASSERT_TRUE(emulator.Running());
    AnsweredBoxes boxes;
    const fs::path jobs = Path("Jobs");
    SetPdfTestPrinter("Test printer", jobs.string(), 300);
    const std::string data = Path("Data/Signal.log");
    SetFileDialogHandler([&](const FileDialogRequest&) { return std::optional<std::string>(data); });
    std::string missed;  // what the run waited for in vain
    QTimer::singleShot(0, [&] {
        CVarnoLogger_KVXDlg& main = *theApp.m_pMainDlg;
        if (!WaitFor([] { return theApp.m_nLinkStatus >= 16; }, 15000)) {
            missed = "the link to the emulator";
            main.GetSafeHwnd()->close();
            return;
        }
        UseEmulatorLinkSettings(*theApp.m_pLoggerSettings);
        PowerConfirmed(main, true);
        ClickWhenModal({IDC_DOWN_DEPTH_MODE, IDOK});
        ClickWhenModal({IDC_HDR_SAVE});  // the header editor, as it opened
        main.OnCommand(ID_CMD_NEW_LOG, 0);
        main.OnCommand(ID_CMD_AUTO_PRINT, 0);
        const uintmax_t records = 10 * sizeof(LogRecord);
        if (!WaitFor([&] { return FileSize(data) >= records; }, 20000))
            missed = std::to_string(records) + " bytes of records in " + data + ", which holds " +
                     std::to_string(FileSize(data));
        chmod(Path("Zarkv.cfg").c_str(), 0444);
        // A box from here would wait for the operator.
        SetMessageBoxHandler(nullptr);
        raise(SIGTERM);
    });
    testing::internal::CaptureStderr();
    EXPECT_FALSE(theApp.InitInstance());
    const std::string told = testing::internal::GetCapturedStderr();

    ASSERT_TRUE(missed.empty()) << "waited in vain for " << missed;
    EXPECT_EQ(0, theApp.m_pRunState->recording);
    EXPECT_TRUE(boxes.Texts().empty());
    const std::string caption = GetApplicationName() + ": ";
    EXPECT_NE(std::string::npos, told.find(caption + RefusedText(Path("Zarkv.cfg")) + "\n")) << told;
    EXPECT_EQ(told.find(caption), told.rfind(caption)) << told;
    CIni header(Path("Data/Signal.hed"), TRUE);
    EXPECT_NE(-1, header.GetInt("EndDepth", -1, "WellInfo"));
    EXPECT_GT(header.GetInt("EndTime", -1, "WellInfo"), 0);
    EXPECT_TRUE(WaitFor([&] { return emulator.Log().find("sonde off") != std::string::npos; }, 3000))
        << "waited in vain for \"sonde off\" in the emulator's log, which ends:\n" << Tail(emulator.Log());
    EXPECT_TRUE(fs::exists(Path("Zarkv.cfg")));
    EXPECT_EQ(sizeof(WindowPlacementStore), fs::file_size(Path("Zarkv.dat")));
    WindowPlacementStore stored{};
    std::ifstream(Path("Zarkv.dat"), std::ios::binary).read(reinterpret_cast<char*>(&stored), sizeof stored);
    EXPECT_EQ(0u, DWORD{stored.placements[kPlacementToolsBox].length}) << "the Tools Box, never shown, kept a place";
    // Auto print was on: the record's last part is printed.
    EXPECT_EQ(1u, FilesIn(jobs).size()) << "one job, the record's last part, in " << jobs << "; found: "
                                        << testing::PrintToString(FilesIn(jobs));
    UseTestPrinter();
}

}  // namespace
