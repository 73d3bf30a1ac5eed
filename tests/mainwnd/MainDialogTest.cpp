// The main window's start on a machine without printers, its keys, wheel,
// title, status parts and printing items.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QToolTip>
#include <QWheelEvent>
#include <filesystem>
#include <unistd.h>

#include "core/ConfigFolder.h"
#include "core/InstanceChecker.h"
#include "core/VarnoLogger_KVXApp.h"
#include "platform/Printer.h"
#include "probe/Frames.h"
#include "support/TestPrinter.h"
#include "mainwnd/VarnoLogger_KVXDlg.h"
#include "res/Resource.h"
#include "support/LoggerEmulator.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ScriptedMessageBoxes.h"

namespace {

class MainDialogTest : public ConfigFolderTest {
protected:
    void SetUp() override
    {
        ConfigFolderTest::SetUp();
        SetApplicationName("kvx_maindlg_" + std::to_string(getpid()));
    }
    void TearDown() override
    {
        UseTestPrinter();
        CInstanceChecker::CloseFirstInstanceMapping();
        theApp.m_bClosing = 0;
        theApp.m_bUsbDriverOk = 0;
        ConfigFolderTest::TearDown();
    }
};

TEST_F(MainDialogTest, StartsWithoutPrintersAndIgnoresEnterEscapeAndWheel)
{
    UseNoPrinter();
    g_strSoftwareName = "KVX";
    g_strVersion = "2.10";
    ScriptedMessageBoxes boxes;
    boxes.Expect("No default printer!!!");
    // No driver layer in the test's program folder.
    boxes.Expect("USB driver not installed.");
    auto dialog = std::make_unique<CVarnoLogger_KVXDlg>(nullptr);
    ASSERT_TRUE(dialog->Create(IDD_VARNOLOGGER_KVX_DIALOG, nullptr));
    ASSERT_EQ(2u, boxes.AllShown().size());
    EXPECT_EQ(MB_ICONWARNING, boxes.AllShown()[0].type & 0xF0);
    QWidget* window = dialog->GetSafeHwnd();
    window->show();
    QApplication::processEvents();
    // The panels placed beside the main window find it where it was moved.
    window->move(window->x() + 40, window->y() + 30);
    QApplication::processEvents();
    EXPECT_EQ(dialog->GetWindowRect().left, theApp.m_rcMainWindow.left);
    EXPECT_EQ(dialog->GetWindowRect().top, theApp.m_rcMainWindow.top);

    EXPECT_FALSE(dialog->IsMenuItemEnabled(ID_CMD_PRINT));
    EXPECT_FALSE(dialog->IsMenuItemEnabled(ID_CMD_AUTO_PRINT));
    EXPECT_TRUE(dialog->IsMenuItemEnabled(ID_CMD_OPEN));
    // Auto print checks its item and grays "&Print"; a record stop switches it
    // off and gives "&Print" back only with a printer to print on.
    dialog->OnCommand(ID_CMD_AUTO_PRINT, 0);
    EXPECT_TRUE(dialog->IsMenuItemChecked(ID_CMD_AUTO_PRINT));
    EXPECT_FALSE(dialog->IsMenuItemEnabled(ID_CMD_PRINT));
    dialog->ResetAutoPrint();
    EXPECT_FALSE(dialog->IsMenuItemEnabled(ID_CMD_PRINT));
    EXPECT_FALSE(dialog->IsMenuItemChecked(ID_CMD_AUTO_PRINT));

    EXPECT_EQ("KVX version\xA0" "2.10", dialog->GetWindowText());
    const std::vector<int> parts = dialog->m_StatusBar.Parts();
    const int w = dialog->GetClientRect().right;
    EXPECT_EQ((std::vector<int>{w - 470, w - 310, w - 150, w - 75, w - 55, w - 35, w - 15, 0}), parts);

    // Enter, Escape and the wheel change nothing.
    for (int key : {Qt::Key_Return, Qt::Key_Escape}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(window, &press);
    }
    dialog->OnCommand(ID_CMD_ENTER, 0);
    QApplication::processEvents();
    EXPECT_TRUE(window->isVisible());
    // The speed trackbar would move under the wheel.
    CSliderCtrl& slider = dialog->m_PowerDlg.SpeedSlider();
    const int position = slider.GetPos();
    QWheelEvent wheel(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(slider.GetSafeHwnd(), &wheel);
    EXPECT_EQ(position, slider.GetPos());
    dialog.reset();
}

// A configured printer that has gone gives way to the machine's default
// printer; only a machine without any printer gets the warning.
TEST_F(MainDialogTest, AConfiguredPrinterThatHasGoneGivesWayToTheDefaultPrinter)
{
    const std::string saved = theApp.m_strPrinterUsed;
    for (const bool defaultPrinter : {true, false}) {
        SCOPED_TRACE(defaultPrinter ? "a default printer" : "no printer");
        if (defaultPrinter)
            UseTestPrinter();
        else
            UseNoPrinter();
        WriteFile("Zarkv.cfg", "[VarnoLogger]\r\nPrinterUsed=Gone\r\n");
        theApp.m_bPrefsLoaded = 0;
        ScriptedMessageBoxes boxes;
        if (!defaultPrinter)
            boxes.Expect("No default printer!!!");
        boxes.Expect("USB driver not installed.");
        auto dialog = std::make_unique<CVarnoLogger_KVXDlg>(nullptr);
        ASSERT_TRUE(dialog->Create(IDD_VARNOLOGGER_KVX_DIALOG, nullptr));
        EXPECT_EQ(defaultPrinter, dialog->IsMenuItemEnabled(ID_CMD_PRINT));
        EXPECT_EQ(defaultPrinter, dialog->IsMenuItemEnabled(ID_CMD_AUTO_PRINT));
        if (defaultPrinter) {
            EXPECT_EQ(GetDefaultPrinterName(), theApp.m_strPrinterUsed);
        }
        dialog.reset();
    }
    theApp.m_strPrinterUsed = saved;
}

// A fresh configuration names the drive "c:\" for the data files: "&Open"
// starts in the "Data" folder beside the program, made for it, as "&New log." does.
TEST_F(MainDialogTest, OpenOnAFreshConfigurationStartsInTheDataFolder)
{
    ScriptedMessageBoxes boxes;
    boxes.Expect("USB driver not installed.");
    auto dialog = std::make_unique<CVarnoLogger_KVXDlg>(nullptr);
    ASSERT_TRUE(dialog->Create(IDD_VARNOLOGGER_KVX_DIALOG, nullptr));
    ASSERT_STREQ("c:\\", theApp.m_pPathSettings->FilePath);
    ScriptedFileDialogs files;
    files.Cancel();
    dialog->OnCommand(ID_CMD_OPEN, 0);
    ASSERT_EQ(1u, files.Shown().size());
    EXPECT_TRUE(files.Shown()[0].open);
    EXPECT_EQ(Path("Data"), files.Shown()[0].initialDir);
    EXPECT_TRUE(std::filesystem::is_directory(Path("Data")));
    EXPECT_STREQ("c:\\", theApp.m_pPathSettings->FilePath) << "a cancelled dialog changes nothing";
    dialog.reset();
}

// A status text cut by its part can be read whole by hovering it; a text that
// fits shows no tooltip.
TEST_F(MainDialogTest, HoveringAStatusPartWhoseTextIsCutShowsItWhole)
{
    ScriptedMessageBoxes boxes;
    boxes.Expect("USB driver not installed.");
    auto dialog = std::make_unique<CVarnoLogger_KVXDlg>(nullptr);
    ASSERT_TRUE(dialog->Create(IDD_VARNOLOGGER_KVX_DIALOG, nullptr));
    dialog->GetSafeHwnd()->show();
    QWidget* bar = dialog->m_StatusBar.GetSafeHwnd();
    const std::string cut = "Data file : " + std::string(120, 'W') + ".lox";
    dialog->m_StatusBar.SetText(0, cut);
    dialog->m_StatusBar.SetText(1, "Link");
    ASSERT_GT(bar->fontMetrics().horizontalAdvance(QString::fromStdString(cut)), dialog->m_StatusBar.Parts()[0]);
    // The tip over a point, hovered again on each look: a window that the
    // desktop activates meanwhile hides a tip, as a real mouse would show it again.
    auto tipAt = [bar](int x) {
        const QPoint at(x, bar->height() / 2);
        QHelpEvent event(QEvent::ToolTip, at, bar->mapToGlobal(at));
        QApplication::sendEvent(bar, &event);
        return QToolTip::isVisible() ? QToolTip::text().toStdString() : std::string();
    };

    EXPECT_TRUE(WaitFor([&] { return tipAt(20) == cut; }, 5000)) << tipAt(20);
    const int part1 = dialog->m_StatusBar.Parts()[0] + 20;
    EXPECT_TRUE(WaitFor([&] { return tipAt(part1).empty(); }, 5000)) << tipAt(part1);
    dialog.reset();
}

// The panel's refresh grays what the link, the power, a record or a loaded
// log forbid: the sonde can't change under them, a live link records, a quiet
// one opens and exports.
TEST_F(MainDialogTest, MenusAndSondeSelectorFollowTheLinkThePowerTheRecordAndTheReplay)
{
    UseNoPrinter();
    ScriptedMessageBoxes boxes;
    boxes.Expect("No default printer!!!");
    boxes.Expect("USB driver not installed.");
    auto dialog = std::make_unique<CVarnoLogger_KVXDlg>(nullptr);
    ASSERT_TRUE(dialog->Create(IDD_VARNOLOGGER_KVX_DIALOG, nullptr));
    const struct {
        int link;
        bool powered, loaded, recording;
        bool sondeChanges, calibration, newLog;
    } cases[] = {
        {0, false, false, false, true, true, false},
        {16, false, false, false, true, true, false},
        {17, false, false, false, true, true, true},
        {32, true, false, false, false, true, true},
        {32, true, false, true, false, false, true},
        {3, false, true, false, false, true, false},
    };
    RunState& run = *theApp.m_pRunState;
    for (const auto& c : cases) {
        SCOPED_TRACE("link " + std::to_string(c.link) + (c.powered ? " powered" : "") + (c.loaded ? " loaded" : "") +
                     (c.recording ? " recording" : ""));
        theApp.m_nLinkStatus = c.link;
        theApp.m_bSondePowered = c.powered;
        // A powered sonde reports its mode: one that reports none has gone off.
        theApp.m_pProbeStatus->status = c.powered ? 4 : 0;
        run.fileLoaded = c.loaded;
        run.recording = c.recording;
        dialog->m_PowerDlg.OnTimer(CPowerDlg::kRefreshTimer);
        EXPECT_EQ(c.sondeChanges, dialog->m_DephtDlg.ModelCombo().GetSafeHwnd()->isEnabled());
        EXPECT_EQ(c.sondeChanges, dialog->IsMenuItemEnabled(ID_CMD_SONDE_IMPORT));
        EXPECT_EQ(c.sondeChanges, dialog->IsMenuItemEnabled(ID_CMD_REMOVE_SONDE));
        EXPECT_EQ(c.calibration, dialog->IsMenuItemEnabled(ID_CMD_CALIBRATION));
        EXPECT_EQ(c.newLog, dialog->IsMenuItemEnabled(ID_CMD_NEW_LOG));
        EXPECT_EQ(!c.newLog, dialog->IsMenuItemEnabled(ID_CMD_OPEN));
        EXPECT_EQ(!c.newLog, dialog->IsMenuItemEnabled(ID_CMD_EXPORT_LAS));
    }
    run.fileLoaded = run.recording = 0;
    theApp.m_bSondePowered = 0;
    theApp.m_pProbeStatus->status = 0;
    theApp.m_nLinkStatus = 0;

    // A reset labels the tools box even while it is hidden: shown later, it
    // names the channels of the tool in force.
    ASSERT_FALSE(dialog->m_ToolsProbeDlg.IsWindowVisible());
    ChannelRecord& first = theApp.m_pToolRecord->channels[0];
    first.Visible = 1;
    first.TitleShort = "NEWGR";
    dialog->ResetAcquisition(false);
    EXPECT_EQ("NEWGR", dialog->m_ToolsProbeDlg.GetDlgItemText(1049, 32));
    dialog.reset();
}

}  // namespace
