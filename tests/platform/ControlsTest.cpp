// Template controls driven as a user drives them: the right widget in the
// right place, and clicks, choices, typing, spins and keys reaching the
// dialog with their codes; and every dialog's push buttons under Enter.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "core/ConfigFolder.h"
#include "core/Preferences.h"
#include "display/ScopeTrack.h"
#include "header/HeaderDlg.h"
#include "header/HeaderRecord.h"
#include "header/LasExport.h"
#include "mainwnd/AboutDlg.h"
#include "platform/CommonControls.h"
#include "platform/Controls.h"
#include "platform/Dialog.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "probe/AcqDialogHost.h"
#include "probe/AlertDlg.h"
#include "probe/RecordingModeDlg.h"
#include "probe/SetDepthDlg.h"
#include "res/Resource.h"
#include "setup/CheckComm.h"
#include "setup/ColorPen.h"
#include "setup/PCalibration.h"
#include "setup/PSetChannelDlg.h"
#include "setup/PropertyLoggerDlg.h"
#include "support/ModalDialogs.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ScriptedMessageBoxes.h"

namespace {

constexpr int kTemplate = 9301;
enum {
    kCheck = 10, kRadioA, kRadioB, kRadioC, kRadioD, kGroup, kList, kDropDown,
    kEdit, kRemarks, kSpinA, kSpinB, kTabs, kIcon, kButton,
};

const DialogTemplate& ControlsTemplate()
{
    static const DialogTemplate tpl{kTemplate, "Controls", 300, 200, DS_CAPTION,
        {{ControlKind::CheckBox, kCheck, "&Normal", 10, 10, 60, 10},
         {ControlKind::RadioButton, kRadioA, "&Time", 10, 24, 60, 10, true},
         {ControlKind::RadioButton, kRadioB, "&Up", 10, 36, 60, 10},
         {ControlKind::RadioButton, kRadioC, "&None", 80, 24, 60, 10, true},
         {ControlKind::RadioButton, kRadioD, "&Left", 80, 36, 60, 10},
         {ControlKind::GroupBox, kGroup, "Shading", 76, 16, 70, 34},
         {ControlKind::ComboDropList, kList, "", 10, 60, 80, 60},
         {ControlKind::ComboDropDown, kDropDown, "", 100, 60, 80, 60},
         {ControlKind::Edit, kEdit, "", 10, 80, 40, 12},
         {ControlKind::MultiLineEdit, kRemarks, "", 10, 100, 120, 40},
         {ControlKind::VScrollBar, kSpinA, "", 52, 80, 10, 14},
         {ControlKind::VScrollBar, kSpinB, "", 64, 80, 10, 14},
         {ControlKind::TabControl, kTabs, "", 150, 100, 120, 14},
         {ControlKind::IconStatic, kIcon, "", 150, 10, 20, 20},
         {ControlKind::PushButton, kButton, "&Set", 200, 10, 40, 14}}};
    return tpl;
}

class ControlsDlg : public CDialog {
public:
    ControlsDlg() : CDialog(kTemplate, nullptr) {}

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        commands.emplace_back(LOWORD(wParam), HIWORD(wParam));
        return CDialog::OnCommand(wParam, lParam);
    }
    BOOL OnNotify(WPARAM, LPARAM lParam, LRESULT*) override
    {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        notifications.emplace_back(int(header->idFrom), header->code);
        tabOnNotify = m_tabs.GetCurSel();
        return TRUE;
    }
    void OnVScroll(UINT code, UINT, CScrollBar* bar) override
    {
        scrolls.emplace_back(bar->GetScrollPos(), code);
        if (boxOnStep && code != SB_ENDSCROLL)
            AfxMessageBox("Please enter a number.");
    }
    void DoDataExchange(CDataExchange* dx) override
    {
        DDX_Control(dx, kCheck, m_check);
        DDX_Control(dx, kRadioA, m_radioA);
        DDX_Control(dx, kRadioB, m_radioB);
        DDX_Control(dx, kList, m_list);
        DDX_Control(dx, kDropDown, m_dropDown);
        DDX_Control(dx, kSpinA, m_spinA);
        DDX_Control(dx, kSpinB, m_spinB);
        DDX_Control(dx, kTabs, m_tabs);
        DDX_Control(dx, kIcon, m_icon);
    }
    BOOL OnInitDialog() override
    {
        // Each spin's position is its own id, as the setup pages set them.
        m_spinA.SetScrollRange(kSpinA, kSpinA);
        m_spinB.SetScrollRange(kSpinB, kSpinB);
        return TRUE;
    }

    template <typename T = QWidget>
    T* Widget(int id)
    {
        CWnd* item = GetDlgItem(id);
        return item != nullptr ? qobject_cast<T*>(item->GetSafeHwnd()) : nullptr;
    }

    std::vector<std::pair<int, int>> commands;
    std::vector<std::pair<int, UINT>> notifications;
    std::vector<std::pair<int, UINT>> scrolls;
    int tabOnNotify = -2;
    bool boxOnStep = false;
    CButton m_check, m_radioA, m_radioB;
    CComboBox m_list, m_dropDown;
    CScrollBar m_spinA, m_spinB;
    CTabCtrl m_tabs;
    CStatic m_icon;
};

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterDialogTemplate(ControlsTemplate());
        ASSERT_TRUE(dlg.Create(kTemplate));
        dlg.ShowWindow(SW_SHOW);
        QApplication::setActiveWindow(dlg.GetSafeHwnd());
        ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.GetSafeHwnd()));
    }
    void ClickUpper(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(widget->width() / 2, 2)); }
    void ClickLower(QWidget* widget)
    {
        QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(widget->width() / 2, widget->height() - 3));
    }

    ControlsDlg dlg;
};

TEST_F(ControlsTest, EachKindIsItsWidgetAtTheConvertedPlace)
{
    const QSize base = dlg.BaseUnits();
    const std::vector<std::pair<int, const char*>> kinds = {
        {kCheck, "QCheckBox"}, {kRadioA, "QRadioButton"}, {kGroup, "QGroupBox"}, {kList, "QComboBox"},
        {kDropDown, "QComboBox"}, {kEdit, "QLineEdit"}, {kRemarks, "QPlainTextEdit"}, {kSpinA, "QWidget"},
        {kTabs, "QTabBar"}, {kIcon, "QLabel"}, {kButton, "QPushButton"}};
    for (const auto& [id, className] : kinds) {
        SCOPED_TRACE(id);
        QWidget* widget = dlg.Widget(id);
        ASSERT_NE(widget, nullptr);
        EXPECT_TRUE(widget->inherits(className));
        const ControlTemplate& ctl = *std::find_if(ControlsTemplate().controls.begin(),
            ControlsTemplate().controls.end(), [id](const ControlTemplate& c) { return c.id == id; });
        const QRect expected = DialogUnitsToPixels(base, ctl.x, ctl.y, ctl.cx, ctl.cy);
        EXPECT_EQ(widget->geometry().topLeft(), expected.topLeft());
        EXPECT_EQ(widget->width(), expected.width());
        // A combo's template height holds its dropped list, not the box itself.
        if (widget->inherits("QComboBox"))
            EXPECT_LT(widget->height(), expected.height());
        else
            EXPECT_EQ(widget->height(), expected.height());
    }
    EXPECT_FALSE(dlg.Widget<QComboBox>(kList)->isEditable());
    EXPECT_TRUE(dlg.Widget<QComboBox>(kDropDown)->isEditable());
}

TEST_F(ControlsTest, UserActionsReachTheDialogWithTheirCodes)
{
    dlg.m_list.AddString("4 conductors");
    dlg.m_list.AddString("mono cable");
    struct Case {
        const char* action;
        std::function<void()> act;
        std::vector<std::pair<int, int>> commands;
    };
    const std::vector<Case> cases = {
        {"check box", [&] { QTest::mouseClick(dlg.Widget(kCheck), Qt::LeftButton); }, {{kCheck, BN_CLICKED}}},
        {"radio", [&] { QTest::mouseClick(dlg.Widget(kRadioB), Qt::LeftButton); }, {{kRadioB, BN_CLICKED}}},
        {"push button", [&] { QTest::mouseClick(dlg.Widget(kButton), Qt::LeftButton); }, {{kButton, BN_CLICKED}}},
        {"list choice", [&] { QTest::keyClick(dlg.Widget(kList), Qt::Key_Down); }, {{kList, CBN_SELCHANGE}}},
        {"selection by the program", [&] { dlg.m_list.SetCurSel(0); }, {}},
        {"typing", [&] {
             dlg.Widget(kEdit)->setFocus();
             QTest::keyClicks(dlg.Widget(kEdit), "12");
         }, {{kEdit, EN_CHANGE}, {kEdit, EN_CHANGE}}},
        {"leaving the edit", [&] { dlg.Widget(kRemarks)->setFocus(); }, {{kEdit, EN_KILLFOCUS}}},
        {"remarks", [&] { QTest::keyClick(dlg.Widget(kRemarks), Qt::Key_A); }, {{kRemarks, EN_CHANGE}}},
        {"return in the remarks", [&] { QTest::keyClick(dlg.Widget(kRemarks), Qt::Key_Return); },
         {{kRemarks, EN_CHANGE}}},
        {"tab leaves the remarks", [&] { QTest::keyClick(dlg.Widget(kRemarks), Qt::Key_Tab); },
         {{kRemarks, EN_KILLFOCUS}}},
        {"disabled check box", [&] {
             dlg.GetDlgItem(kCheck)->EnableWindow(false);
             QTest::mouseClick(dlg.Widget(kCheck), Qt::LeftButton);
         }, {}},
        // As a click: the button takes the focus, so the edit is left first.
        {"push button's access key", [&] {
             dlg.Widget(kEdit)->setFocus();
             dlg.commands.clear();
             QTest::keyClick(dlg.GetSafeHwnd(), Qt::Key_S, Qt::AltModifier);
         }, {{kEdit, EN_KILLFOCUS}, {kButton, BN_CLICKED}}},
        // A dialog without a default button: the focused one is pressed, not IDOK.
        {"enter on the focused push button", [&] { QTest::keyClick(dlg.Widget(kButton), Qt::Key_Return); },
         {{kButton, BN_CLICKED}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        dlg.commands.clear();
        c.act();
        EXPECT_EQ(dlg.commands, c.commands);
    }
    EXPECT_EQ(dlg.m_check.GetCheck(), BST_CHECKED);
    EXPECT_EQ(dlg.GetDlgItemText(kEdit, 20), "12");
    EXPECT_EQ(dlg.GetDlgItemText(kRemarks, 20), "a\r\n");
}

TEST_F(ControlsTest, RadiosCheckOutOnlyTheirOwnGroup)
{
    dlg.CheckDlgButton(kRadioC, BST_CHECKED);
    dlg.m_radioA.SetCheck(BST_CHECKED);
    QTest::mouseClick(dlg.Widget(kRadioB), Qt::LeftButton);
    EXPECT_EQ(dlg.m_radioA.GetCheck(), BST_UNCHECKED);
    EXPECT_EQ(dlg.m_radioB.GetCheck(), BST_CHECKED);
    EXPECT_EQ(dlg.IsDlgButtonChecked(kRadioC), BST_CHECKED);

    // The program may leave a group with no radio checked.
    dlg.m_radioB.SetCheck(BST_UNCHECKED);
    EXPECT_EQ(dlg.m_radioA.GetCheck() + dlg.m_radioB.GetCheck(), 0);
    QTest::mouseClick(dlg.Widget(kRadioA), Qt::LeftButton);
    EXPECT_EQ(dlg.m_radioA.GetCheck(), BST_CHECKED);
    EXPECT_EQ(dlg.IsDlgButtonChecked(kButton), BST_UNCHECKED);
}

TEST_F(ControlsTest, ComboItemsSelectionAndSearch)
{
    CComboBox& combo = dlg.m_list;
    EXPECT_EQ(combo.GetCurSel(), CB_ERR);
    for (const char* name : {"1/25", "1/50", "1/200"})
        combo.AddString(name);
    EXPECT_EQ(combo.GetCurSel(), CB_ERR) << "adding selects nothing";
    EXPECT_EQ(combo.InsertString(2, "1/100"), 2);
    EXPECT_EQ(combo.InsertString(9, "x"), CB_ERR);
    EXPECT_EQ(combo.SetItemData(3, 250), 0);
    EXPECT_EQ(combo.GetItemData(3), 250u);
    EXPECT_EQ(combo.GetLBText(3), "1/200");

    const std::vector<std::tuple<int, const char*, int>> exact = {
        {-1, "1/50", 1}, {1, "1/50", 1}, {2, "1/25", 0}, {-1, "1/5", CB_ERR}, {-1, "1/100", 2}};
    for (const auto& [start, text, found] : exact)
        EXPECT_EQ(combo.FindStringExact(start, text), found) << start << " " << text;
    EXPECT_EQ(combo.SelectString(-1, "1/2"), 0);
    EXPECT_EQ(combo.SelectString(0, "1/2"), 3);
    EXPECT_EQ(combo.GetCurSel(), 3);
    EXPECT_EQ(combo.GetWindowText(), "1/200");

    EXPECT_EQ(combo.SetCurSel(7), CB_ERR);
    EXPECT_EQ(combo.GetCurSel(), CB_ERR);
    EXPECT_EQ(combo.DeleteString(0), 3);
    EXPECT_EQ(combo.DeleteString(3), CB_ERR);
    combo.ResetContent();
    EXPECT_EQ(combo.GetCount(), 0);

    // Text typed into a drop-down is no selection.
    dlg.m_dropDown.AddString("A");
    dlg.m_dropDown.SetCurSel(0);
    dlg.m_dropDown.SetWindowText("B");
    EXPECT_EQ(dlg.m_dropDown.GetCurSel(), CB_ERR);
    EXPECT_EQ(dlg.m_dropDown.GetWindowText(), "B");
}

TEST_F(ControlsTest, SpinStepsNameTheirBarAndEndTheScroll)
{
    ClickUpper(dlg.Widget(kSpinA));
    ClickLower(dlg.Widget(kSpinB));
    using Scroll = std::pair<int, UINT>;
    EXPECT_EQ(dlg.scrolls, (std::vector<Scroll>{
        {kSpinA, SB_LINEUP}, {kSpinA, SB_ENDSCROLL}, {kSpinB, SB_LINEDOWN}, {kSpinB, SB_ENDSCROLL}}));

    dlg.scrolls.clear();
    dlg.GetDlgItem(kSpinA)->SetFocus();
    QTest::keyClick(dlg.Widget(kSpinA), Qt::Key_Down);
    dlg.m_spinA.EnableWindow(false);
    ClickUpper(dlg.Widget(kSpinA));
    EXPECT_EQ(dlg.scrolls, (std::vector<Scroll>{{kSpinA, SB_LINEDOWN}, {kSpinA, SB_ENDSCROLL}}));

    // A box shown by a step takes the release: it ends the press, and the
    // step never repeats under it.
    dlg.scrolls.clear();
    dlg.boxOnStep = true;
    {
        ScriptedMessageBoxes boxes;
        boxes.Expect("Please enter a number.");
        QTest::mousePress(dlg.Widget(kSpinB), Qt::LeftButton, {}, QPoint(dlg.Widget(kSpinB)->width() / 2, 2));
    }
    EXPECT_EQ(dlg.scrolls, (std::vector<Scroll>{{kSpinB, SB_LINEUP}, {kSpinB, SB_ENDSCROLL}}))
        << "the end of the scroll once the box was answered";
    QTest::mouseRelease(dlg.Widget(kSpinB), Qt::LeftButton, {}, QPoint(dlg.Widget(kSpinB)->width() / 2, 2));
    EXPECT_EQ(dlg.scrolls.size(), 2u);
    dlg.boxOnStep = false;

    int min = 0, max = 0;
    dlg.m_spinB.GetScrollRange(&min, &max);
    EXPECT_EQ(std::make_pair(min, max), std::make_pair(int(kSpinB), int(kSpinB)));
    EXPECT_EQ(dlg.m_spinB.SetScrollPos(5), kSpinB);
    EXPECT_EQ(dlg.m_spinB.GetScrollPos(), kSpinB) << "kept within its range";
}

TEST_F(ControlsTest, TabsNotifyOnlyTheUsersChoice)
{
    for (const char* page : {"Winch", "Probe", "Communication"})
        dlg.m_tabs.InsertItem(dlg.m_tabs.GetItemCount(), page);
    EXPECT_EQ(dlg.m_tabs.SetCurSel(2), 0);
    EXPECT_EQ(dlg.m_tabs.SetCurSel(3), -1);
    EXPECT_TRUE(dlg.notifications.empty());

    QTabBar* tabs = dlg.Widget<QTabBar>(kTabs);
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    EXPECT_EQ(dlg.notifications, (std::vector<std::pair<int, UINT>>{{kTabs, TCN_SELCHANGE}}));
    EXPECT_EQ(dlg.tabOnNotify, 1) << "the new page is current when the dialog hears of it";
    dlg.m_tabs.DeleteAllItems();
    EXPECT_EQ(dlg.notifications.size(), 1u);
}

TEST_F(ControlsTest, RemarksLinesEndInCrLfAndTheIconShows)
{
    dlg.SetDlgItemText(kRemarks, "first\r\nsecond");
    EXPECT_EQ(dlg.Widget<QPlainTextEdit>(kRemarks)->blockCount(), 2);
    EXPECT_EQ(dlg.GetDlgItemText(kRemarks, 100), "first\r\nsecond");

    QPixmap icon(16, 16);
    icon.fill(Qt::red);
    dlg.m_icon.SetIcon(&icon);
    EXPECT_EQ(dlg.Widget<QLabel>(kIcon)->pixmap().toImage().pixel(3, 3), QColor(Qt::red).rgb());
}

}  // namespace

namespace {

constexpr int kMenuTemplate = 9302;
constexpr int kMenu = 9303;
constexpr int kOtherMenu = 9304;
enum { kOpen = 100, kNewLog = 101, kLas = 32774, kAutoPrint = 92, kRemove = 32772, kAbout = 16 };

class MenuDlg : public CDialog {
public:
    MenuDlg() : CDialog(kMenuTemplate, nullptr) {}
    BOOL OnCommand(WPARAM wParam, LPARAM) override
    {
        commands.push_back(wParam);
        return TRUE;
    }
    void OnSysCommand(UINT id, LPARAM) override { sysCommands.push_back(id); }

    std::vector<WPARAM> commands;
    std::vector<UINT> sysCommands;
};

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterMenuTemplate({kMenu,
            {{0, "&File", {{kOpen, "&Open"}, {kNewLog, "&New log."}, {0, ""},
                           {0, "E&xport to", {{kLas, "LAS 20"}}}, {kAutoPrint, "&Auto Print"}}},
             {0, "&Setup", {{0, "&Sonde", {{kRemove, "&Remove Sonde"}}}}}}});
        RegisterMenuTemplate({kOtherMenu, {{0, "&Other", {{kOpen, "&Open"}}}}});
        DialogTemplate tpl{kMenuTemplate, "Menu", 200, 100, DS_CAPTION | DS_SYSMENU | DS_SIZEBOX,
                           {{ControlKind::PushButton, 1, "OK", 10, 20, 40, 14}}};
        tpl.menu = kMenu;
        RegisterDialogTemplate(tpl);
        ASSERT_TRUE(dlg.Create(kMenuTemplate));
    }
    QMenuBar* Bar() { return dlg.GetSafeHwnd()->findChild<QMenuBar*>(); }
    QAction* Item(UINT id)
    {
        for (QAction* action : dlg.GetMenu()->Handle()->findChildren<QAction*>())
            if (action->data().isValid() && action->data().toUInt() == id)
                return action;
        return nullptr;
    }

    MenuDlg dlg;
};

TEST_F(MenuTest, TheMenuBarSitsAboveTheClientArea)
{
    ASSERT_NE(Bar(), nullptr);
    QStringList titles;
    for (QAction* action : Bar()->actions())
        titles << action->text();
    EXPECT_EQ(titles, QStringList({"&File", "&Setup"}));
    // Tall enough for its titles: a click on one reaches the bar, not a control.
    EXPECT_GE(Bar()->height(), Bar()->sizeHint().height());
    EXPECT_LE(Bar()->actionGeometry(Bar()->actions().front()).bottom(), Bar()->height());

    // Client coordinates are those of the template, below the bar.
    const QRect button = DialogUnitsToPixels(dlg.BaseUnits(), 10, 20, 40, 14);
    RECT rect = dlg.GetDlgItem(1)->GetWindowRect();
    dlg.ScreenToClient(rect);
    EXPECT_EQ(QPoint(rect.left, rect.top), button.topLeft());
    EXPECT_GE(dlg.GetDlgItem(1)->GetSafeHwnd()->y(), Bar()->height());
    EXPECT_EQ(dlg.GetClientRect().bottom, DialogUnitsToPixels(dlg.BaseUnits(), 0, 0, 200, 100).height());
    dlg.GetDlgItem(1)->MoveWindow(RECT{0, 0, 20, 20});
    EXPECT_EQ(dlg.GetDlgItem(1)->GetSafeHwnd()->y(), Bar()->height());
}

TEST_F(MenuTest, ItemsByCommandIdGrayCheckAndReachOnCommand)
{
    CMenu* menu = dlg.GetMenu();
    ASSERT_NE(menu, nullptr);
    struct Step {
        const char* what;
        std::function<UINT()> act;
        UINT returned;
    };
    const std::vector<Step> steps = {
        {"gray", [&] { return menu->EnableMenuItem(kNewLog, MF_BYCOMMAND | MF_GRAYED); }, MF_ENABLED},
        {"gray again", [&] { return menu->EnableMenuItem(kNewLog, MF_GRAYED); }, MF_GRAYED},
        {"in a popup", [&] { return menu->EnableMenuItem(kRemove, MF_GRAYED); }, MF_ENABLED},
        {"check", [&] { return menu->CheckMenuItem(kAutoPrint, MF_CHECKED); }, MF_UNCHECKED},
        {"state", [&] { return menu->GetMenuState(kAutoPrint, MF_BYCOMMAND); }, MF_CHECKED},
        {"no such item", [&] { return menu->EnableMenuItem(4711, MF_GRAYED); }, MF_NOITEM},
        {"a popup is no command", [&] { return menu->GetMenuState(0, MF_BYCOMMAND); }, MF_NOITEM},
    };
    for (const Step& step : steps)
        EXPECT_EQ(step.act(), step.returned) << step.what;

    for (UINT id : {kOpen, kNewLog, kLas, kRemove})
        Item(id)->trigger();
    EXPECT_EQ(dlg.commands, (std::vector<WPARAM>{kOpen, kLas})) << "grayed items take no command";
    EXPECT_EQ(menu->EnableMenuItem(kNewLog, MF_ENABLED), MF_GRAYED);
    Item(kNewLog)->trigger();
    EXPECT_EQ(dlg.commands.back(), WPARAM(kNewLog));
}

TEST_F(MenuTest, AReloadedMenuReplacesTheBarAndTheSystemMenuReachesOnSysCommand)
{
    CMenu other;
    ASSERT_TRUE(other.LoadMenu(kOtherMenu));
    EXPECT_FALSE(CMenu().LoadMenu(4711));
    dlg.SetMenu(&other);
    ASSERT_EQ(Bar()->actions().size(), 1);
    EXPECT_EQ(Bar()->actions().front()->text(), "&Other");
    EXPECT_EQ(dlg.GetMenu(), &other);
    other.DestroyMenu();
    EXPECT_TRUE(Bar()->actions().isEmpty());

    CMenu* system = dlg.GetSystemMenu(FALSE);
    ASSERT_NE(system, nullptr);
    system->AppendMenu(MF_SEPARATOR);
    system->AppendMenu(MF_STRING, kAbout, "&About software...");
    QList<QAction*> items = system->Handle()->actions();
    ASSERT_EQ(items.size(), 2);
    items.back()->trigger();
    EXPECT_EQ(dlg.sysCommands, std::vector<UINT>{kAbout});
    EXPECT_TRUE(dlg.commands.empty());
}

}  // namespace

namespace {

TEST(FileDialogTest, TheScriptAnswersAndTheDefaultExtensionCompletesTheName)
{
    struct Case {
        const char* defaultExt;
        std::optional<std::string> chosen;
        int result;
        const char* path;
        const char* name;
    };
    const std::vector<Case> cases = {
        {".txt", "/data/Sonde import/KVX12.txt", IDOK, "/data/Sonde import/KVX12.txt", "KVX12.txt"},
        {".log", "/data/well 3", IDOK, "/data/well 3.log", "well 3.log"},
        {"las", "/data/out", IDOK, "/data/out.las", "out.las"},
        {".log", "/data.d/well.LOG", IDOK, "/data.d/well.LOG", "well.LOG"},
        {"", "/data/plain", IDOK, "/data/plain", "plain"},
        {".cal", std::nullopt, IDCANCEL, "", ""},
    };
    for (const Case& c : cases) {
        ScriptedFileDialogs dialogs;
        if (c.chosen)
            dialogs.Choose(*c.chosen);
        else
            dialogs.Cancel();
        CFileDialog dialog(TRUE, c.defaultExt, "*.txt", OFN_HIDEREADONLY | OFN_FILEMUSTEXIST,
                           "Sonde Import (*.txt)|*.txt||");
        dialog.m_ofn.lpstrInitialDir = "/data/Sonde import";
        EXPECT_EQ(dialog.DoModal(), c.result) << c.path;
        EXPECT_EQ(dialog.GetPathName(), c.path);
        EXPECT_EQ(dialog.GetFileName(), c.name);
        ASSERT_EQ(dialogs.Shown().size(), 1u);
        const FileDialogRequest& shown = dialogs.Shown().front();
        EXPECT_TRUE(shown.open);
        EXPECT_EQ(shown.filter, "Sonde Import (*.txt)|*.txt||");
        EXPECT_EQ(shown.initialDir, "/data/Sonde import");
        EXPECT_EQ(shown.flags, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST);
    }
}

TEST(FileDialogTest, AnUnexpectedDialogFailsTheTestInsteadOfBlocking)
{
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedFileDialogs dialogs;
            CFileDialog dialog(FALSE, ".las", "*.las", 0, "Log ASCII Standard(*.las)|*.las||");
            EXPECT_EQ(dialog.DoModal(), IDCANCEL);
        },
        "unexpected file dialog");
}

}  // namespace

namespace {

// Every dialog: Enter on each of its push buttons does what a click does.
// The dialog, its host and the file and message boxes it opens tell what
// happened; both presses start with the button focused, as a click leaves it.
class DialogButtonsTest : public ConfigFolderTest {
protected:
    // What the dialogs ask of the windows and the link around them.
    class Host : public IAcqDialogHost, public ISetupSheetHost {
    public:
        explicit Host(std::vector<std::string>& events) : m_events(events) {}
        bool SendRecordingModeFrame() override { return Note("mode frame"); }
        bool SendDepthFrame() override { return Note("depth frame"); }
        void ResetCurveOrigin(double, double, int) override { Note("curve origin"); }
        void ResetAcquisition(bool) override { Note("reset"); }
        bool SendSettingsFrame() override { return Note("settings frame"); }
        bool SendCommFrame() override { return Note("comm frame"); }
        void SaveWinch() override { Note("save winch"); }
        void SaveCommSettings() override { Note("save comm"); }
        void ClearToolsBoxUpdateFlag() override {}
        void RefreshPages() override {}

    private:
        bool Note(const std::string& event)
        {
            m_events.push_back(event);
            return true;
        }
        std::vector<std::string>& m_events;
    };

    // The main window as the display options see it: it hears their commands.
    class MainWindow : public CWnd {
    public:
        explicit MainWindow(std::vector<std::string>& events) : m_events(events) {}
        BOOL OnCommand(WPARAM wParam, LPARAM) override
        {
            m_events.push_back("command " + std::to_string(LOWORD(wParam)));
            return TRUE;
        }

    private:
        std::vector<std::string>& m_events;
    };

    struct Row {
        const char* dialog;
        int button;
        std::function<std::unique_ptr<CDialog>(Host&)> make;
        // Before the press, in the open dialog.
        std::function<void(CDialog&)> prepare;
        // After the press: what the dialog shows.
        std::function<std::string(CDialog&)> state;
        // The page that holds the button, when not the dialog itself.
        std::function<CWnd&(CDialog&)> page = {};
    };

    static constexpr int kLeftOpen = -2;

    void SetUp() override
    {
        ConfigFolderTest::SetUp();
        SetMessageBoxHandler([this](const std::string& text, const std::string&, UINT) {
            m_events.push_back("box " + text);
            return IDOK;
        });
        SetFileDialogHandler([this](const FileDialogRequest& request) -> std::optional<std::string> {
            m_events.push_back("file dialog " + request.filter);
            return std::exchange(m_nextFile, std::nullopt);
        });
    }
    void TearDown() override
    {
        SetFileDialogHandler(nullptr);
        SetMessageBoxHandler(nullptr);
        theApp.m_bSondePowered = 0;
        ConfigFolderTest::TearDown();
    }

    // The events of one press, the dialog's result last.
    std::vector<std::string> Press(const Row& row, bool byEnter)
    {
        m_events.clear();
        Host host(m_events);
        std::unique_ptr<CDialog> dialog = row.make(host);
        QTimer::singleShot(0, [&] {
            if (row.prepare)
                row.prepare(*dialog);
            CWnd& holder = row.page ? row.page(*dialog) : *dialog;
            QAbstractButton* button = ModalButton(holder.GetSafeHwnd(), row.button);
            if (button == nullptr || !button->isEnabled()) {
                ADD_FAILURE() << "no enabled button " << row.button;
                dialog->EndDialog(kLeftOpen);
                return;
            }
            button->setFocus();
            m_events.clear();
            if (byEnter)
                QTest::keyClick(button, Qt::Key_Return);
            else
                button->click();
            if (row.state)
                m_events.push_back(row.state(*dialog));
            if (dialog->IsWindowVisible())
                dialog->EndDialog(kLeftOpen);
        });
        const int result = dialog->DoModal();
        m_events.push_back("result " + std::to_string(result));
        return m_events;
    }

    std::vector<std::string> m_events;
    std::optional<std::string> m_nextFile;
};

TEST_F(DialogButtonsTest, EnterOnEachPushButtonDoesWhatItsClickDoes)
{
    // A sonde's tool file for the calibration, a log pair for the export.
    WriteFile("Ressources/KVXS0001.tol", "[General]\r\nName=Brannoquist\r\nAbbreviation=KVXS\r\nSerialNumber=0001\r\n"
                                         "NumberOfChannels=1\r\n[Channel0]\r\nTitle=Gamma Ray\r\nCoefficient1=1\r\n");
    CPreferences prefs;
    prefs.Initialize();
    CScopeTrack tracks;
    for (const char* ext : {".log", ".hed"})
        std::filesystem::copy_file(std::string(KVX_PROGRAM_DIR "/Demo/KPXG3241") + ext, Path("KPXG3241") + ext);
    theApp.m_bSondePowered = 1;

    const auto keep = [](std::unique_ptr<CDialog> dialog) { return dialog; };
    const auto makeDepth = [&](Host& host) { return keep(std::make_unique<CPSetDepthDlg>(host)); };
    const auto makeMode = [&](Host& host) { return keep(std::make_unique<CPRecordingMode>(host)); };
    const auto makeAlarm = [&](Host&) { return keep(std::make_unique<CAlertDlg>()); };
    const auto makeAbout = [&](Host&) { return keep(std::make_unique<CAboutDlg>()); };
    const auto makeCheck = [&](Host& host) { return keep(std::make_unique<CCheckComm>(host, nullptr)); };
    const auto makeHeader = [&](Host&) {
        theApp.m_pHeaderRecord->Wellname = "Well 7";
        return keep(std::make_unique<CHeaderDlg>());
    };
    const auto wellName = [](CDialog&) { return "well " + theApp.m_pHeaderRecord->Wellname; };
    const auto makeCalibration = [&](Host&) { return keep(std::make_unique<CPCalibration>(prefs, tracks, nullptr)); };
    const auto saveEnabled = [](CDialog& dialog) {
        return std::string("save ") + (dialog.GetDlgItem(IDC_CAL_SAVE)->GetSafeHwnd()->isEnabled() ? "enabled" : "disabled");
    };
    const auto makeLas = [&](Host&) {
        std::filesystem::remove_all(Path("LAS20"));
        return keep(std::make_unique<CLasExport>());
    };
    const auto chooseLog = [&](CDialog& dialog) {
        m_nextFile = Path("KPXG3241.log");
        ModalButton(dialog.GetSafeHwnd(), IDC_LAS_SELECT_INPUT)->click();
    };
    int colour = 3;
    const auto makePen = [&](Host&) { return keep(std::make_unique<CColorPen>(&colour, nullptr)); };
    const auto makeSheet = [&](Host& host) {
        auto sheet = std::make_unique<CPropertyLoggerDlg>();
        sheet->SetHost(&host);
        return keep(std::move(sheet));
    };
    const auto commPage = [](CDialog& sheet) -> CWnd& { return static_cast<CPropertyLoggerDlg&>(sheet).CommPage(); };
    const auto badDrive = [&](CDialog& sheet) { commPage(sheet).SetDlgItemText(IDC_COMM_DRIVE, "4"); };

    MainWindow main(m_events);
    const auto makeOptions = [&](Host&) {
        auto options = std::make_unique<CPSetChannelDlg>();
        options->SetOwner(&main, &prefs, &tracks);
        return keep(std::move(options));
    };

    const Row rows[] = {
        {"depth reset", IDOK, makeDepth, {}, {}},
        {"depth reset", IDCANCEL, makeDepth, {}, {}},
        {"recording mode", IDOK, makeMode, {}, {}},
        {"recording mode", IDCANCEL, makeMode, {}, {}},
        {"alarm", IDOK, makeAlarm, {}, {}},
        {"about", IDOK, makeAbout, {}, {}},
        {"auto check", IDCANCEL, makeCheck, {}, {}},
        {"header editor", IDC_HDR_LOAD, makeHeader, {}, wellName},
        {"header editor", IDC_HDR_RESET, makeHeader, {}, wellName},
        {"header editor", IDC_HDR_CANCEL, makeHeader, {}, wellName},
        {"header editor", IDC_HDR_SAVE, makeHeader, {}, wellName},
        {"calibration", IDC_CAL_LOAD, makeCalibration, {}, saveEnabled},
        {"calibration", IDC_CAL_SET, makeCalibration, {}, saveEnabled},
        {"calibration", IDCANCEL, makeCalibration, {}, saveEnabled},
        {"LAS export", IDC_LAS_SELECT_INPUT, makeLas, {}, {}},
        {"LAS export", IDC_LAS_SELECT_OUTPUT, makeLas, {}, {}},
        {"LAS export", IDC_LAS_START, makeLas, chooseLog, {}},
        {"LAS export", IDCANCEL, makeLas, {}, {}},
        {"colour", IDOK, makePen, {}, {}},
        {"colour", IDCANCEL, makePen, {}, {}},
        {"display options", IDC_OPT_CAL, makeOptions, {}, {}},
        {"logger setup", IDC_COMM_SET, makeSheet, badDrive, {}, commPage},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.dialog) + ", button " + std::to_string(row.button));
        const std::vector<std::string> clicked = Press(row, false);
        EXPECT_EQ(clicked, Press(row, true));
        EXPECT_NE(clicked, std::vector<std::string>{"result " + std::to_string(kLeftOpen)}) << "the click did nothing";
    }
}

}  // namespace
