// The main window's start on a machine without printers, its keys, wheel,
// title, status parts and printing items.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QWheelEvent>
#include <unistd.h>

#include "core/ConfigFolder.h"
#include "core/InstanceChecker.h"
#include "core/VarnoLogger_KVXApp.h"
#include "platform/Printer.h"
#include "support/TestPrinter.h"
#include "mainwnd/VarnoLogger_KVXDlg.h"
#include "res/Resource.h"
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
    SetPdfTestPrinter("", "", 300);
    if (!GetDefaultPrinterName().empty())
        GTEST_SKIP() << "this machine has a printer: the start would take it";
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

}  // namespace
