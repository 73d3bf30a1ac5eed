// The main window as the operator meets it: the menu bar clear of the
// panels, the windows it owns usable beside it and closed before the
// shutdown window, and a termination signal that ends an open dialog and
// closes in order. Input goes through the window system, where a modal
// window blocks it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenuBar>
#include <QMessageBox>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <unistd.h>

#include "core/ConfigFolder.h"
#include "core/RunState.h"
#include "core/VarnoLogger_KVXApp.h"
#include "mainwnd/VarnoLogger_KVXDlg.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "res/Resource.h"
#include "support/Artifacts.h"
#include "support/LoggerEmulator.h"
#include "support/ModalDialogs.h"
#include "support/ProgramRun.h"
#include "support/ScriptedMessageBoxes.h"

namespace {

namespace fs = std::filesystem;

// A left click at the centre of a control, delivered to its window as the
// window system delivers it.
void ClickThroughWindow(QWidget* control)
{
    QWidget* window = control->window();
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      control->mapTo(window, control->rect().center()));
}

// Runs `act` once `ready` holds, from a poll of whichever event loop runs
// then (a modal dialog's own, while it is open).
void WhenReady(std::function<bool()> ready, std::function<void()> act)
{
    auto* poll = new QTimer();
    QObject::connect(poll, &QTimer::timeout, [poll, ready = std::move(ready), act = std::move(act)] {
        if (!ready())
            return;
        poll->stop();
        poll->deleteLater();
        act();
    });
    poll->start(20);
}

bool HeaderEditorOpen()
{
    QWidget* modal = QApplication::activeModalWidget();
    return modal != nullptr && ModalButton(modal, IDC_HDR_SAVE) != nullptr;
}

QAbstractButton* ButtonOf(CWnd& dialog, int id) { return ModalButton(dialog.GetSafeHwnd(), id); }

// Notes, when a window is first shown, which of the given windows are on screen.
class VisibleAtShow : public QObject {
public:
    VisibleAtShow(const std::map<std::string, CWnd*>& windows, std::vector<std::string>& visible)
        : m_windows(windows), m_visible(visible)
    {
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::Show || m_seen)
            return false;
        m_seen = true;
        for (const auto& [name, wnd] : m_windows) {
            if (wnd->IsWindowVisible())
                m_visible.push_back(name);
        }
        return false;
    }

private:
    const std::map<std::string, CWnd*>& m_windows;
    std::vector<std::string>& m_visible;
    bool m_seen = false;
};

class MainWindowOnDesktopTest : public ConfigFolderTest {
protected:
    void SetUp() override
    {
        ConfigFolderTest::SetUp();
        SetApplicationName("kvx_desktop_" + std::to_string(getpid()));
    }
    void TearDown() override
    {
        ResetProgramRun();
        ConfigFolderTest::TearDown();
    }
};

TEST_F(MainWindowOnDesktopTest, MenuBarLiesAboveThePanelsWhichEnterAndEscapeLeaveShown)
{
    ScriptedMessageBoxes boxes;
    boxes.Expect("USB driver not installed.");
    auto dialog = std::make_unique<CVarnoLogger_KVXDlg>(nullptr);
    ASSERT_TRUE(dialog->Create(IDD_VARNOLOGGER_KVX_DIALOG, nullptr));
    QWidget* window = dialog->GetSafeHwnd();
    window->show();
    auto* bar = window->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_NE(nullptr, bar);
    ASSERT_EQ(2, bar->actions().size());
    for (QAction* title : bar->actions()) {
        const QPoint centre = bar->mapTo(window, bar->actionGeometry(title).center());
        EXPECT_EQ(bar, window->childAt(centre)) << "a click on " << title->text().toStdString() << " misses the bar";
    }
    const QRect power = dialog->m_PowerDlg.GetSafeHwnd()->geometry();
    const QRect depth = dialog->m_DephtDlg.GetSafeHwnd()->geometry();
    const QRect curves = dialog->m_ScopeTrack.GetSafeHwnd()->geometry();
    for (const QRect& area : {power, depth, curves})
        EXPECT_GT(area.top(), bar->geometry().bottom());
    EXPECT_FALSE(power.intersects(depth));
    EXPECT_FALSE(curves.intersects(power));
    EXPECT_FALSE(curves.intersects(depth));
    SaveArtifact(window, "main_window_menu_bar.png");

    // The panels' keys are the main window's, which ignores them.
    for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        QTest::keyClick(dialog->m_DephtDlg.ModelCombo().GetSafeHwnd(), Qt::Key(key));
        QTest::keyClick(dialog->m_PowerDlg.SpeedSlider().GetSafeHwnd(), Qt::Key(key));
    }
    EXPECT_TRUE(dialog->m_DephtDlg.IsWindowVisible());
    EXPECT_TRUE(dialog->m_PowerDlg.IsWindowVisible());
    EXPECT_TRUE(window->isVisible());
}

// Opened from the panels' buttons: each owned window takes clicks while the
// main window runs; the close leaves only the shutdown window on screen.
TEST_F(MainWindowOnDesktopTest, OwnedWindowsTakeClicksBesideTheMainWindowAndCloseBeforeTheShutdownWindow)
{
    PrepareLinkedProgramFolder(Path(""));
    LoggerEmulator emulator(Path("s"), Path("sim.log"), {"--seed", "7"});
    ASSERT_TRUE(emulator.Running());
    std::map<std::string, CWnd*> owned;
    bool modal = true;
    int tabAfterClick = -1;
    std::vector<std::string> opened, shownAtShutdown;
    VisibleAtShow watch(owned, shownAtShutdown);
    QTimer::singleShot(0, [&] {
        CVarnoLogger_KVXDlg& main = *theApp.m_pMainDlg;
        modal = QApplication::activeModalWidget() != nullptr;
        // The setup sheet's button waits for the link.
        WaitFor([&] {
            return theApp.m_nLinkStatus >= 16 && ButtonOf(main.m_PowerDlg, IDC_LOGGER_SETUP)->isEnabled();
        }, 15000);
        ClickThroughWindow(ButtonOf(main.m_PowerDlg, IDC_TOOLS_BOX));
        ClickThroughWindow(ButtonOf(main.m_PowerDlg, IDC_CURVE_PARAMETERS));
        ClickThroughWindow(ButtonOf(main.m_PowerDlg, IDC_LOGGER_SETUP));
        ClickThroughWindow(ButtonOf(main.m_DephtDlg, IDC_MAGNIFIER));
        owned = {{"tools box", &main.m_ToolsProbeDlg},
                 {"display options", &main.m_SetChannelDlg},
                 {"setup sheet", &main.m_PropertyLoggerDlg},
                 {"magnifier", &main.m_DephtDlg.Magnifier()}};
        // The sheet opens on its third page; a click picks the second.
        auto* tabs = main.m_PropertyLoggerDlg.GetSafeHwnd()->findChild<QTabBar*>();
        if (tabs != nullptr && tabs->window()->windowHandle() != nullptr) {
            QTest::mouseClick(tabs->window()->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                              tabs->mapTo(tabs->window(), tabs->tabRect(1).center()));
            tabAfterClick = tabs->currentIndex();
        }
        for (const auto& [name, wnd] : owned)
            SaveArtifact(wnd->GetSafeHwnd(), "owned_" + name + ".png");
        for (const auto& [name, wnd] : owned) {
            if (wnd->IsWindowVisible())
                opened.push_back(name);
        }
        theApp.m_endProcessDlg.GetSafeHwnd()->installEventFilter(&watch);
        main.GetSafeHwnd()->close();
    });
    EXPECT_FALSE(theApp.InitInstance());

    EXPECT_FALSE(modal) << "the main window blocks the windows it owns";
    EXPECT_EQ(owned.size(), opened.size());
    EXPECT_EQ(1, tabAfterClick);
    EXPECT_TRUE(shownAtShutdown.empty()) << shownAtShutdown.front() << " stays beside the shutdown window";
}

// A signal while the header editor of a new record is open: the editor ends
// as its Cancel would, the sonde goes off and the program closes in order,
// leaving neither a header nor a data file.
TEST_F(MainWindowOnDesktopTest, SignalDuringTheHeaderEditorEndsItAndLeavesNoHalfRecord)
{
    PrepareLinkedProgramFolder(Path(""));
    LoggerEmulator emulator(Path("s"), Path("sim.log"), {"--seed", "7"});
    ASSERT_TRUE(emulator.Running());
    SetMessageBoxHandler([](const std::string&, const std::string&, UINT type) {
        return (type & 0x0F) == MB_YESNO ? IDYES : IDOK;
    });
    const std::string data = Path("Data/Signal.log");
    SetFileDialogHandler([&](const FileDialogRequest&) { return std::optional<std::string>(data); });
    bool editorOpen = false, editorEnded = false;
    QTimer::singleShot(0, [&] {
        CVarnoLogger_KVXDlg& main = *theApp.m_pMainDlg;
        if (!WaitFor([] { return theApp.m_nLinkStatus >= 16; }, 15000)) {
            main.GetSafeHwnd()->close();
            return;
        }
        main.m_PowerDlg.OnPowerButton();
        WaitFor([&] { return !main.m_PowerDlg.IsOrderPending() && main.m_PowerDlg.IsSondeOn(); }, 5000);
        ClickWhenModal({IDC_DOWN_DEPTH_MODE, IDOK});
        WhenReady(HeaderEditorOpen, [&] {
            editorOpen = true;
            raise(SIGTERM);
            WhenReady([] { return QApplication::activeModalWidget() == nullptr; }, [&] { editorEnded = true; });
            // Left open, it would hold the program: saved as an operator would.
            QTimer::singleShot(5000, main.GetSafeHwnd(), [] {
                if (HeaderEditorOpen())
                    ModalButton(QApplication::activeModalWidget(), IDC_HDR_SAVE)->click();
            });
        });
        main.OnCommand(ID_CMD_NEW_LOG, 0);
    });
    EXPECT_FALSE(theApp.InitInstance());

    ASSERT_TRUE(editorOpen);
    EXPECT_TRUE(editorEnded);
    EXPECT_FALSE(fs::exists(Path("Data/Signal.hed")));
    EXPECT_FALSE(fs::exists(data));
    EXPECT_EQ(0, theApp.m_pRunState->recording);
    EXPECT_TRUE(WaitFor([&] { return emulator.Log().find("sonde off") != std::string::npos; }, 3000));
    EXPECT_TRUE(fs::exists(Path("Zarkv.cfg")));
}

// A signal while a box of the start is open: the box ends, the start ends
// and the program closes in order instead of dying by the signal.
TEST_F(MainWindowOnDesktopTest, SignalDuringAStartUpBoxClosesInOrder)
{
    bool boxOpen = false;
    WhenReady([] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        return box != nullptr && box->text() == "USB driver not installed.";
    }, [&] {
        boxOpen = true;
        raise(SIGTERM);
    });
    EXPECT_FALSE(theApp.InitInstance());

    EXPECT_TRUE(boxOpen);
    EXPECT_EQ(nullptr, QApplication::activeModalWidget());
    EXPECT_TRUE(fs::exists(Path("Zarkv.cfg")));
    EXPECT_TRUE(fs::exists(Path("Zarkv.dat")));
}

}  // namespace
