#include "mainwnd/VarnoLogger_KVXDlg.h"

#include <QIcon>

#include "core/RunState.h"
#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "header/Header.h"
#include "platform/Placement.h"
#include "platform/UiThread.h"
#include "probe/Frames.h"
#include "probe/LogRecord.h"
#include "res/Icons.h"
#include "res/Resource.h"

namespace {

constexpr UINT_PTR kStatusTimerId = 410;
constexpr UINT kStatusTimerMs = 250;
constexpr DWORD kReaderWaitMs = 2000;

}  // namespace

CVarnoLogger_KVXDlg::CVarnoLogger_KVXDlg(CWnd* parent)
    : CDialog(IDD_VARNOLOGGER_KVX_DIALOG, parent),
      m_hIcon(LoadIconById(IDR_MAINFRAME, 32)),
      m_hIconSondeOn(LoadIconById(IDI_SONDE_ON, 16)),
      m_hIconSondeOff(LoadIconById(IDI_SONDE_OFF, 16)),
      m_hIconRxIdle(LoadIconById(IDI_RX_IDLE, 16)),
      m_hIconRxActive(LoadIconById(IDI_RX_ACTIVE, 16)),
      m_hIconTxIdle(LoadIconById(IDI_TX_IDLE, 16)),
      m_hIconTxActive(LoadIconById(IDI_TX_ACTIVE, 16))
{
}

BOOL CVarnoLogger_KVXDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_Preferences.Initialize();
    if (!theApp.m_instanceChecker.IsPreviousInstanceRunning())
        theApp.m_instanceChecker.RegisterFirstInstance();

    GetSafeHwnd()->setWindowIcon(QIcon(*m_hIcon));
    if (!m_StatusBar.Create(this, IDC_STATUS_BAR))
        return -1;
    SetStatusParts();
    m_StatusBar.SetIcon(4, m_hIconTxIdle);
    m_StatusBar.SetIcon(5, m_hIconRxIdle);
    m_StatusBar.SetIcon(6, m_hIconSondeOff);
    theApp.m_rcMainWindow = GetWindowRect();

    m_PowerDlg.SetHost(this);
    m_PowerDlg.Create(IDD_POWER_DLG, this);
    m_PowerDlg.ShowWindow(SW_SHOW);
    if (CWnd* frame = GetDlgItem(IDC_TRACK_FRAME)) {
        RECT area = frame->GetWindowRect();
        ScreenToClient(area);
        frame->ShowWindow(SW_HIDE);
        m_ScopeTrack.Create(WS_CHILD | WS_VISIBLE, area, this, 0);
    }
    m_ScopeTrack.ResetCurves();
    LayOutPanels();
    m_bPanelsCreated = true;

    m_nStatusTimer = SetTimer(kStatusTimerId, kStatusTimerMs);
    m_nBlink = 0;
    theApp.m_bSondePowered = theApp.m_bRxActivity = theApp.m_bTxActivity = 0;
    m_Usb.SetDecoder(&m_ToolsStream);
    theApp.m_bUsbDriverOk = m_Usb.Init();

    const WindowPlacement& placement = theApp.m_pPlacementStore->placements[kPlacementMain];
    SetWindowPlacement(*this, placement);
    m_PowerDlg.UpdateValues();
    m_PowerDlg.UpdateStatusText();
    return TRUE;
}

// Until the main window is laid out as a whole: the probe bar on top, the
// curve tracks below it down to the status bar.
void CVarnoLogger_KVXDlg::LayOutPanels()
{
    if (!m_PowerDlg.IsWindow() || !m_ScopeTrack.IsWindow())
        return;
    const RECT client = GetClientRect();
    const RECT bar = m_PowerDlg.GetWindowRect();
    const RECT status = m_StatusBar.GetWindowRect();
    const LONG barHeight = bar.bottom - bar.top;
    m_PowerDlg.MoveWindow(RECT{0, 0, bar.right - bar.left, barHeight});
    m_ScopeTrack.MoveWindow(RECT{0, barHeight, client.right, client.bottom - (status.bottom - status.top)});
}

BOOL CVarnoLogger_KVXDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    switch (LOWORD(wParam)) {
    case ID_CMD_NEW_LOG: OnNewLog(); return TRUE;
    // Their windows join later.
    case ID_CMD_LOGGER_SETUP:
    case ID_CMD_TOOLS_BOX:
    case ID_CMD_DISPLAY_OPTIONS: return TRUE;
    default: return CDialog::OnCommand(wParam, lParam);
    }
}

// New log: until the new-log dialog exists, the record goes to the file pair
// already named in PathSettings (DataFile and LastFile).
void CVarnoLogger_KVXDlg::OnNewLog()
{
    if (theApp.m_pRunState->recording) {
        AfxMessageBox("Not allowed in record mode", MB_ICONERROR);
        return;
    }
    const PathSettings& paths = *theApp.m_pPathSettings;
    if (paths.DataFile[0] == '\0' || paths.LastFile[0] == '\0')
        return;
    theApp.m_nSavedRecordingMode = theApp.m_pLoggerSettings->recordingMode;
    CHeader header;
    header.WriteHeader(paths.LastFile);
    theApp.m_pRunState->recordStarted = 1;
    m_PowerDlg.StartRecording();
    int mode = theApp.m_pLoggerSettings->recordingMode;
    int modeCode = mode == 2 ? 11 : mode == 3 ? 12 : 10;
    ResetCurveOrigin(theApp.m_pFrameState->replyDepth, theApp.m_pToolRecord->SondeLength, modeCode);
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

// Later: m_ScopeTrack.ToggleAutoPrint(true), once the curves print.
void CVarnoLogger_KVXDlg::ResetAutoPrint() {}

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

void CVarnoLogger_KVXDlg::OnClose()
{
    if (CanClose())
        EndDialog(IDCANCEL);
}

bool CVarnoLogger_KVXDlg::CanClose()
{
    if (!theApp.m_bPowerOffDone) {
        PumpMessages();
        Sleep(10);
    }
    if (theApp.m_nLinkStatus > 16) {
        if (theApp.m_bSondePowered) {
            AfxMessageBox("Sonde must be switched off before leaving program.", MB_ICONHAND);
            return false;
        }
        if (AfxMessageBox("The sonde is probably powered on. Do you want to close the application ?",
                          MB_YESNO | MB_ICONQUESTION) != IDYES)
            return false;
        Sleep(1000);
    }

    if (theApp.m_pRunState->playing) {
        m_PowerDlg.OnCommand(IDC_STOP, 0);
        PumpMessages();
    }
    theApp.m_bClosing = 1;
    theApp.m_endProcessDlg.ShowWindow(SW_SHOW);
    PumpMessages();
    Sleep(500);
    theApp.m_endProcessDlg.SetMessage("Ending USB process ... wait");
    PumpMessages();
    if (theApp.m_bUsbDriverOk && theApp.m_bReadThreadRunning) {
        if (auto reader = theApp.m_pReadThread.load())
            reader->WaitForEnd(kReaderWaitMs);
    }
    PumpMessages();
    theApp.m_pPlacementStore->placements[kPlacementMain] = GetWindowPlacement(*this);
    m_Preferences.SaveConfig();
    KillTimer(kStatusTimerId);
    m_PowerDlg.OnClose();
    PumpMessages();
    return true;
}

void CVarnoLogger_KVXDlg::SetStatusParts()
{
    int w = GetClientRect().right;
    m_StatusBar.SetParts({w - 470, w - 310, w - 150, w - 75, w - 55, w - 35, w - 15, 0});
}

void CVarnoLogger_KVXDlg::OnSize(int, int)
{
    if (!m_StatusBar.IsWindow())
        return;
    theApp.m_rcMainWindow = GetWindowRect();
    SetStatusParts();
    LayOutPanels();
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
// worker's calls reach the panel as at most one waiting update. Later:
// m_PropertyLoggerDlg.UpdateCommunication() between the two.
void CVarnoLogger_KVXDlg::UpdateStatusPanel(bool skipValues)
{
    if (!m_bPanelsCreated)
        return;
    if (!skipValues)
        m_PowerDlg.UpdateValues();
    m_PowerDlg.UpdateStatusText();
}

void CVarnoLogger_KVXDlg::ShowAlert(int code) { m_nLastAlert = code; }
