#include "mainwnd/VarnoLogger_KVXDlg.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QIcon>
#include <algorithm>
#include <filesystem>
#include <QScreen>
#include <QTimer>

#include "core/RunState.h"
#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "display/PrinterSettings.h"
#include "platform/Application.h"
#include "platform/MessageBox.h"
#include "platform/Placement.h"
#include "platform/Printer.h"
#include "platform/System.h"
#include "platform/TerminationSignal.h"
#include "platform/UiThread.h"
#include "probe/Frames.h"
#include "probe/LogRecord.h"
#include "res/Icons.h"
#include "res/Resource.h"

namespace {

constexpr UINT_PTR kStatusTimerId = 410;
constexpr UINT kStatusTimerMs = 250;
constexpr int kMinScreenHeightForMove = 601;
// How long an orderly close waits for the probe to confirm the power-off order.
constexpr qint64 kPowerOffWaitMs = 3000;
// How often a close on a signal looks again for the dialogs it ended.
constexpr int kSignalRetryMs = 10;
// The no-break space of the ANSI code page between "version" and the number.
constexpr char kNoBreakSpace = '\xA0';

// The wheel has no effect anywhere while the main window runs.
class WheelSwallower : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject*, QEvent* event) override
    {
        TakeOverPostedEvent(event);
        return event->type() == QEvent::Wheel;
    }
};

void WaitWhilePumping(const std::function<bool()>& done, qint64 milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < milliseconds) {
        PumpMessages();
        Sleep(10);
    }
}

}  // namespace

CVarnoLogger_KVXDlg::CVarnoLogger_KVXDlg(CWnd* parent)
    : CResizableDialog(IDD_VARNOLOGGER_KVX_DIALOG, parent),
      m_hIcon(LoadIconById(IDR_MAINFRAME, 32)),
      m_hIconSondeOn(LoadIconById(IDI_SONDE_ON, 16)),
      m_hIconSondeOff(LoadIconById(IDI_SONDE_OFF, 16)),
      m_hIconRxIdle(LoadIconById(IDI_RX_IDLE, 16)),
      m_hIconRxActive(LoadIconById(IDI_RX_ACTIVE, 16)),
      m_hIconTxIdle(LoadIconById(IDI_TX_IDLE, 16)),
      m_hIconTxActive(LoadIconById(IDI_TX_ACTIVE, 16))
{
    SetAcquisitionHost(this);
}

CVarnoLogger_KVXDlg::~CVarnoLogger_KVXDlg()
{
    ClearAcquisitionHost(this);
    OnTerminationSignal(nullptr);
    delete m_pWheelFilter;
}

std::unique_ptr<CDialog> CVarnoLogger_KVXDlg::CreateMainDialog()
{
    auto dialog = std::make_unique<CVarnoLogger_KVXDlg>(nullptr);
    theApp.m_pMainDlg = dialog.get();
    return dialog;
}

BOOL CVarnoLogger_KVXDlg::OnInitDialog()
{
    CResizableDialog::OnInitDialog();
    // From here a signal closes in order, also while a start-up box is open.
    OnTerminationSignal([this] { CloseOnSignal(); });
    m_Preferences.Initialize();
    if (!theApp.m_instanceChecker.IsPreviousInstanceRunning())
        theApp.m_instanceChecker.RegisterFirstInstance();
    m_nStatusTimer = 0;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_Header.ResetWellInfo();
    m_Header.ResetHeader();
    if (CMenu* system = GetSystemMenu(FALSE)) {
        system->AppendMenu(MF_SEPARATOR);
        system->AppendMenu(MF_STRING, IDM_ABOUTBOX, "&About software...");
    }

    GetSafeHwnd()->setWindowIcon(QIcon(*m_hIcon));
    const std::string logo = GetProgramFolder() + "logo.jpg";
    if (std::filesystem::exists(logo))
        m_Picture.Load(logo);
    if (!m_StatusBar.Create(this, IDC_STATUS_BAR)) {
        QApplication::restoreOverrideCursor();
        return -1;
    }
    m_StatusBar.EnableToolTips(true);
    SetStatusParts();
    m_StatusBar.SetIcon(4, m_hIconTxIdle);
    m_StatusBar.SetIcon(5, m_hIconRxIdle);
    m_StatusBar.SetIcon(6, m_hIconSondeOff);
    SetWindowText(g_strSoftwareName);
    theApp.m_rcMainWindow = GetWindowRect();

    CreatePanels();
    m_bPanelsCreated = true;

    RefreshMenu();
    EnableMenuItem(ID_CMD_PRINT, false);
    EnableMenuItem(ID_CMD_AUTO_PRINT, false);
    ChoosePrinterAtStart();

    if (m_nStatusTimer == 0)
        m_nStatusTimer = SetTimer(kStatusTimerId, kStatusTimerMs);
    m_nBlink = 0;
    theApp.m_bSondePowered = theApp.m_bRxActivity = theApp.m_bTxActivity = 0;
    m_Usb.SetDecoder(&m_ToolsStream);
    theApp.m_bUsbDriverOk = m_Usb.Init();
    // The selected sonde's tool, scale and curves, as after choosing it.
    m_DephtDlg.OnModelChange();

    // Also without a placement of its own: the window's normal frame is
    // watched from here on.
    SetWindowPlacement(*this, theApp.m_pPlacementStore->placements[kPlacementMain]);
    m_PowerDlg.UpdateValues();
    QApplication::restoreOverrideCursor();
    m_PowerDlg.UpdateValues();
    m_PropertyLoggerDlg.UpdateCommunication();
    m_PowerDlg.UpdateStatusText();

    m_pWheelFilter = new WheelSwallower();
    qApp->installEventFilter(m_pWheelFilter);
    m_bStarted = true;
    SetWindowText(g_strSoftwareName + " version" + kNoBreakSpace + g_strVersion);
    return TRUE;
}

// The configured printer, else the system's default, also when the configured
// one has gone; with neither, printing stays grayed.
void CVarnoLogger_KVXDlg::ChoosePrinterAtStart()
{
    std::string& used = theApp.m_strPrinterUsed;
    if (used.empty() || used == "none") {
        const std::string fallback = GetDefaultPrinterName();
        if (!fallback.empty())
            used = fallback;
    }
    if (TryPrinter(used))
        return;
    const std::string fallback = GetDefaultPrinterName();
    if (!fallback.empty() && fallback != used && TryPrinter(fallback)) {
        used = fallback;
        return;
    }
    AfxMessageBox("No default printer!!!", MB_ICONWARNING);
}

// Print and Auto Print follow whether the printer of that name answers; the
// application keeps its own printer.
bool CVarnoLogger_KVXDlg::TryPrinter(const std::string& name)
{
    if (name.empty() || name == "none")
        return false;
    CPrinterSettings settings;
    // A printer that is not there must not pass for the default one.
    const bool found = settings.SetPrinterDevice(name) == 1;
    settings.SetThisPrinter();
    m_bPrinterUsable = found && GetPrinterDeviceDefaults();
    EnableMenuItem(ID_CMD_PRINT, m_bPrinterUsable);
    EnableMenuItem(ID_CMD_AUTO_PRINT, m_bPrinterUsable);
    settings.RestorePrinter();
    return m_bPrinterUsable;
}

// After the initialisation and after a language change. Later: the setup
// sheet's tabs.
void CVarnoLogger_KVXDlg::RefreshMenu()
{
    if (!IsWindow())
        return;
    m_Menu.DestroyMenu();
    m_Menu.LoadMenu(IDR_MAIN_MENU);
    SetMenu(&m_Menu);
    m_PowerDlg.InitToolTips();
    m_DephtDlg.SetDepthCaption();
    m_PropertyLoggerDlg.CreateTabs();
    if (theApp.m_nLinkStatus < kLinkShortPacket)
        EnableMenuItem(ID_CMD_NEW_LOG, false);
}

void CVarnoLogger_KVXDlg::EnableMenuItem(int id, bool enabled)
{
    if (CMenu* menu = GetMenu())
        menu->EnableMenuItem(UINT(id), enabled ? MF_ENABLED : MF_GRAYED);
}

void CVarnoLogger_KVXDlg::CheckMenuItem(int id, bool checked)
{
    if (CMenu* menu = GetMenu())
        menu->CheckMenuItem(UINT(id), checked ? MF_CHECKED : MF_UNCHECKED);
}

bool CVarnoLogger_KVXDlg::IsMenuItemEnabled(int id) const
{
    CMenu* menu = GetMenu();
    return menu != nullptr && (menu->GetMenuState(UINT(id), MF_BYCOMMAND) & MF_GRAYED) == 0;
}

bool CVarnoLogger_KVXDlg::IsMenuItemChecked(int id) const
{
    CMenu* menu = GetMenu();
    const UINT state = menu != nullptr ? menu->GetMenuState(UINT(id), MF_BYCOMMAND) : MF_NOITEM;
    return state != MF_NOITEM && (state & MF_CHECKED) != 0;
}

void CVarnoLogger_KVXDlg::OnSysCommand(UINT id, LPARAM lParam)
{
    if ((id & 0xFFF0) == IDM_ABOUTBOX) {
        ShowAboutBox();
        return;
    }
    CResizableDialog::OnSysCommand(id, lParam);
}

// The probe bar on top, the curve tracks in the frame below it, the alarm
// box hidden until an alarm; each follows the window's size by its anchors.
// The windows that open on command belong to this one, so the desktop keeps
// them above it.
void CVarnoLogger_KVXDlg::CreatePanels()
{
    m_PowerDlg.SetHost(this);
    m_PowerDlg.Create(IDD_POWER_DLG, this);
    m_AlertDlg.Create(IDD_ALERT, this);
    const RECT bar = m_PowerDlg.GetWindowRect();
    m_PowerDlg.MoveWindow(RECT{0, 0, bar.right - bar.left, bar.bottom - bar.top});
    m_DephtDlg.SetHost(this);
    m_DephtDlg.Create(IDD_DEPHT_DLG, this);
    // The depth panel sits right of the probe bar.
    const RECT depth = m_DephtDlg.GetWindowRect();
    m_DephtDlg.MoveWindow(
        RECT{bar.right - bar.left, 0, bar.right - bar.left + depth.right - depth.left, depth.bottom - depth.top});
    m_ToolsProbeDlg.SetHost(this);
    m_ToolsProbeDlg.Create(IDD_TOOLS_PROBE_DLG, this);
    m_SetChannelDlg.SetOwner(this, &m_Preferences, &m_ScopeTrack);
    m_SetChannelDlg.Create(IDD_SET_CHANNEL, this);
    m_PropertyLoggerDlg.SetHost(this);
    m_PropertyLoggerDlg.Create(IDD_LOGGER_SETUP, this);
    AddAnchor(m_PowerDlg.GetSafeHwnd(), TOP_CENTER, TOP_RIGHT);
    AddAnchor(m_DephtDlg.GetSafeHwnd(), TOP_CENTER, TOP_RIGHT);
    AddAnchor(m_StatusBar.GetSafeHwnd(), BOTTOM_LEFT, BOTTOM_RIGHT);
    m_PowerDlg.ShowWindow(SW_SHOW);
    m_DephtDlg.ShowWindow(SW_SHOW);
    if (CWnd* frame = GetDlgItem(IDC_TRACK_FRAME)) {
        RECT area = frame->GetWindowRect();
        ScreenToClient(area);
        frame->ShowWindow(SW_HIDE);
        // The panels are taller than the space above the frame: the curves start below them.
        area.top = std::max<LONG>(area.top, std::max(bar.bottom - bar.top, depth.bottom - depth.top));
        m_ScopeTrack.Create(WS_CHILD | WS_VISIBLE, area, this, 0);
    }
    m_ScopeTrack.ResetCurves();
    AddAnchor(m_ScopeTrack.GetSafeHwnd(), TOP_LEFT, BOTTOM_RIGHT);
    ArrangeLayout();
}

void CVarnoLogger_KVXDlg::MoveToLeftEdge(bool toZero)
{
    QWidget* window = GetSafeHwnd();
    if (window == nullptr || window->isMaximized() || theApp.m_ptMaxSize.y < kMinScreenHeightForMove)
        return;
    const int x = toZero ? 0 : int(theApp.m_rcMainWindow.left);
    window->move(x, 0);
}

void CVarnoLogger_KVXDlg::ApplyCurveScale(int scale)
{
    m_ScopeTrack.SetSampleInterval(scale);
    m_ScopeTrack.LoadChannelSettings(*theApp.m_pToolRecord);
}

void CVarnoLogger_KVXDlg::ResetCurveOrigin(double depth, double toolLength, int modeCode)
{
    m_ScopeTrack.LoadChannelSettings(*theApp.m_pToolRecord);
    m_ScopeTrack.ResetOrigin(depth, toolLength, modeCode, 1);
}

bool CVarnoLogger_KVXDlg::ReplayNextRecord()
{
    LogRecord& record = *theApp.m_pReplayRecord;
    if (!m_ToolsStream.ReadDataLineInFile(theApp.m_nReplayPos, record))
        return false;
    ProcessRecord(record);
    return true;
}

void CVarnoLogger_KVXDlg::SwitchSondeOff()
{
    if (!m_bPanelsCreated) {
        theApp.m_bSondePowered = 0;
        return;
    }
    if (m_bSwitchOffPending.exchange(true))
        return;
    QPointer<QWidget> window = m_hWnd;
    RunOnUiThread([this, window] {
        if (!window)
            return;
        m_bSwitchOffPending = false;
        if (m_PowerDlg.IsSondeOn())
            m_PowerDlg.OnPowerButton();
    });
}

void CVarnoLogger_KVXDlg::SetStatusParts()
{
    int w = GetClientRect().right;
    m_StatusBar.SetParts({w - 470, w - 310, w - 150, w - 75, w - 55, w - 35, w - 15, 0});
}

void CVarnoLogger_KVXDlg::OnSize(int width, int height)
{
    CResizableDialog::OnSize(width, height);
    if (!m_StatusBar.IsWindow())
        return;
    theApp.m_rcMainWindow = GetWindowRect();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        theApp.m_ptMaxSize = POINT{screen->availableGeometry().width(), screen->availableGeometry().height()};
    SetStatusParts();
}

// The panels that open beside or below the main window look for it here.
void CVarnoLogger_KVXDlg::OnMove(int, int)
{
    if (m_StatusBar.IsWindow())
        theApp.m_rcMainWindow = GetWindowRect();
}

void CVarnoLogger_KVXDlg::OnTimer(UINT_PTR id)
{
    if (id != kStatusTimerId)
        return;
    KillTimer(kStatusTimerId);
    if (g_bSettingsFramePending.exchange(0))
        m_Usb.SendSettingsFrame();
    m_bMinimised = IsIconic();
    if (!theApp.m_bSondePowered) {
        m_StatusBar.SetIcon(6, m_hIconSondeOff);
    } else if ((theApp.m_pProbeStatus->status & 0x0F) != 0) {
        m_StatusBar.SetIcon(6, m_hIconSondeOn);
    } else if (m_nBlink < 1) {
        m_StatusBar.SetIcon(6, m_hIconSondeOff);
        ++m_nBlink;
    } else {
        m_StatusBar.SetIcon(6, m_hIconSondeOn);
        m_nBlink = 0;
    }
    m_StatusBar.SetIcon(4, theApp.m_bTxActivity ? m_hIconTxActive : m_hIconTxIdle);
    theApp.m_bTxActivity = 0;
    m_StatusBar.SetIcon(5, theApp.m_bRxActivity ? m_hIconRxActive : m_hIconRxIdle);
    theApp.m_bRxActivity = 0;
    m_nStatusTimer = SetTimer(kStatusTimerId, kStatusTimerMs);
}

// The one place for the probe panel and the setup sheet's refresh; a
// worker's calls reach the panel as at most one waiting update.
void CVarnoLogger_KVXDlg::UpdateStatusPanel(bool skipValues)
{
    if (!m_bPanelsCreated)
        return;
    if (!skipValues)
        m_PowerDlg.UpdateValues();
    m_PropertyLoggerDlg.UpdateCommunication();
    m_PowerDlg.UpdateStatusText();
}

void CVarnoLogger_KVXDlg::ShowAlert(int code)
{
    m_nLastAlert = code;
    if (m_bPanelsCreated)
        m_AlertDlg.ShowAlert(code);
}

// The desktop's log-out or a terminal's Ctrl+C: nothing recorded may be
// lost and no question waits for an operator who is gone.
void CVarnoLogger_KVXDlg::CloseOnSignal()
{
    if (theApp.m_bClosing || !IsWindow())
        return;
    m_bEndingOnSignal = true;
    // What the close still has to tell (a refused save) goes to stderr.
    SetNobodyAnswers(true);
    // An open dialog ends as its Cancel would; the close waits until every
    // dialog's loop has returned and the window has started.
    if (EndModalDialogs() || !m_bStarted) {
        QTimer::singleShot(kSignalRetryMs, GetSafeHwnd(), [this] { CloseOnSignal(); });
        return;
    }
    if (theApp.m_pRunState->recording)
        m_PowerDlg.OnCommand(IDC_PAUSE, 0);
    if (m_PowerDlg.IsSondeOn() && theApp.m_nLinkStatus > kLinkLive)
        m_PowerDlg.OnPowerButton();
    // This power-off order, or the one of a new log that did not start.
    if (m_PowerDlg.IsOrderPending() && !m_PowerDlg.IsSondeOn())
        WaitWhilePumping([this] { return !m_PowerDlg.IsOrderPending(); }, kPowerOffWaitMs);
    StopWorkForClose();
    EndDialog(IDCANCEL);
}
