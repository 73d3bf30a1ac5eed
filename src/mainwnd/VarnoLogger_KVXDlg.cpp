#include "mainwnd/VarnoLogger_KVXDlg.h"

#include <QIcon>

#include "core/Settings.h"
#include "core/VarnoLogger_KVXApp.h"
#include "platform/Placement.h"
#include "probe/Frames.h"
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

    m_nStatusTimer = SetTimer(kStatusTimerId, kStatusTimerMs);
    m_nBlink = 0;
    theApp.m_bSondePowered = theApp.m_bRxActivity = theApp.m_bTxActivity = 0;
    m_Usb.SetDecoder(&m_ToolsStream);
    theApp.m_bUsbDriverOk = m_Usb.Init();

    const WindowPlacement& placement = theApp.m_pPlacementStore->placements[kPlacementMain];
    SetWindowPlacement(*this, placement);
    return TRUE;
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

// The one place for the probe panel and the setup sheet's refresh. Later:
// unless skipValues m_PowerDlg.UpdateValues(); then
// m_PropertyLoggerDlg.UpdateCommunication() and m_PowerDlg.UpdateStatusText(),
// carried to the user-interface thread when called from a worker.
void CVarnoLogger_KVXDlg::UpdateStatusPanel(bool) {}

void CVarnoLogger_KVXDlg::ShowAlert(int code) { m_nLastAlert = code; }
