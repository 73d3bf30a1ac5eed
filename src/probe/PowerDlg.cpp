#include "probe/PowerDlg.h"

#include <atomic>
#include <cstdlib>

#include "core/RunState.h"
#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "platform/UiThread.h"
#include "probe/Frames.h"
#include "res/Icons.h"
#include "res/Resource.h"

namespace {

constexpr int kModeTime = 4;
constexpr int kLogModeTime = 10;
constexpr int kLinkAlive = 3;
constexpr int kLinkRecordable = 17;
constexpr int kVoltageAlarm = 106;
constexpr int kCurrentAlarm = 251;
constexpr int kBlinkCode500ms = 2;
constexpr int kReadoutCentred = 6;
constexpr int kReadoutWidthCode = 3;
constexpr COLORREF kDefaultColour = COLORREF(-1);

struct Tip {
    int id;
    const char* text;
};
constexpr Tip kToolTips[] = {
    {IDC_POWER, "Sonde power On/Off."},
    {IDC_STOP, "Player or recorder stop."},
    {IDC_PLAY, "Play file."},
    {IDC_RECORD, "Recording."},
    {IDC_RESET, "Reset file player."},
    {IDC_PAUSE, "Player or recorder pause."},
    {IDC_TOOLS_BOX, "Display numerical values."},
    {IDC_CURVE_PARAMETERS, "Curve parameters."},
    {IDC_LOGGER_SETUP, "Show tool parameters."},
    {IDC_SPEED_SLIDER, "Player speed variator (depending of your sytem performance)."},
};

}  // namespace

StatusLine StatusLineFor(int s, bool overrun)
{
    if (s == 0)
        return {"Sonde not powered", 0};
    if ((s & 0x01) && !overrun)
        return {"Status OK", 1};
    StatusLine line{"", 0};
    if (s & 0x20)
        line = {"Setting adjustment in progress ... wait", 1};
    if (s & 0x10)
        line = {"Parameter adjustment in progress ... wait", 1};
    if (s & 0x08)
        line = {"CheckSum Error", 3};
    if (s & 0xC0)
        line = {"Frame error", 3};
    if (s & 0x04)
        line = {"Int resp", 3};
    if (s & 0x02)
        line = {"No response", 3};
    return line;
}

CPowerDlg::CPowerDlg()
    : CDialogExt(IDD_POWER_DLG, nullptr),
      m_hPowerOn(LoadIconById(IDI_POWER_ON, 24)),
      m_hPowerOff(LoadIconById(IDI_POWER_OFF, 24)),
      m_hRecord(LoadIconById(IDI_RECORD, 24)),
      m_hRecordBlink(LoadIconById(IDI_RECORD_BLINK, 24)),
      m_hStop(LoadIconById(IDI_STOP, 24)),
      m_hPause(LoadIconById(IDI_PAUSE, 24)),
      m_hPlay(LoadIconById(IDI_PLAY, 24)),
      m_hPlayBlink(LoadIconById(IDI_PLAY_BLINK, 24)),
      m_hPowerOffBlink(LoadIconById(IDI_POWER_OFF_BLINK, 24)),
      m_hPowerOnBlink(LoadIconById(IDI_POWER_ON_BLINK, 24)),
      m_hRecordStop(LoadIconById(IDI_RECORD_STOP, 24)),
      m_crBlack(RGB(0, 0, 0)),
      m_crYellow(RGB(255, 255, 0)),
      m_crRed(RGB(255, 0, 0)),
      m_crStatusBk(kDefaultColour)
{
}

void CPowerDlg::DoDataExchange(CDataExchange* dx)
{
    CDialogExt::DoDataExchange(dx);
    DDX_Control(dx, IDC_SPEED_SLIDER, m_SliderSpeed);
}

BOOL CPowerDlg::OnInitDialog()
{
    CDialogExt::OnInitDialog();
    m_pRunState = theApp.m_pRunState;
    m_pLiveReadout = theApp.m_pLiveReadout;
    m_pProbeStatus = theApp.m_pProbeStatus;
    m_pRecordingModeFrame = theApp.m_pRecordingModeFrame;
    m_pFrameState = theApp.m_pFrameState;
    m_pLoggerSettings = theApp.m_pLoggerSettings;
    m_pRunState->playing = 0;

    m_fontLarge.CreateFont(22, 10, FW_BOLD, "Arial");
    m_fontSmall.CreateFont(20, 6, FW_BOLD, "Arial");
    struct Binding {
        int id;
        CWnd& control;
    };
    for (Binding b : {Binding{IDC_POWER, m_btnPower}, Binding{IDC_CURVE_PARAMETERS, m_btnCurves},
                      Binding{IDC_TOOLS_BOX, m_btnTools}, Binding{IDC_STOP, m_btnStop}, Binding{IDC_PLAY, m_btnPlay},
                      Binding{IDC_RECORD, m_btnRecord}, Binding{IDC_RESET, m_btnReset}, Binding{IDC_PAUSE, m_btnPause},
                      Binding{IDC_LOGGER_SETUP, m_btnSetup}, Binding{IDC_CAPTION_STATIC, m_stCaption},
                      Binding{IDC_STATUS_LINE, m_stStatus}}) {
        if (CWnd* item = GetDlgItem(b.id))
            b.control.Attach(item->GetSafeHwnd());
    }
    m_stCaption.SetFont(&m_fontSmall);
    m_stCaption.SetTextColor(RGB(255, 255, 255));
    m_stCaption.SetBkColor(m_crBlack);
    m_stStatus.SetFont(&m_fontSmall);
    m_stStatus.SetBkColor(m_crStatusBk);

    CreateReadout(m_Voltage, IDC_VOLTAGE, true);
    CreateReadout(m_Current, IDC_CURRENT, true);
    CreateReadout(m_RecordTime, IDC_RECORD_TIME, false);
    CreateReadout(m_ValidCount, IDC_VALID_COUNT, false);
    CreateReadout(m_ErrorCount, IDC_ERROR_COUNT, false);
    m_RecordTime.ShowWindow(SW_HIDE);

    m_btnPower.SetIcon(m_hPowerOff);
    m_btnStop.SetIcon(m_hStop);
    m_btnPlay.SetIcon(m_hPlay);
    m_btnRecord.SetIcon(m_hRecord);
    m_btnReset.SetIcon(LoadIconById(IDI_RESET, 24));
    m_btnPause.SetIcon(m_hPause);
    m_btnTools.SetIcon(LoadIconById(IDB_TOOLS_BOX, 16));
    m_btnCurves.SetIcon(LoadIconById(IDI_CURVE_PARAMETERS, 24));
    m_btnSetup.SetIcon(LoadIconById(IDB_LOGGER_SETUP, 24));

    m_btnPower.EnableWindow(false);
    DisablePlayerButtons();
    m_btnRecord.EnableWindow(false);
    m_btnSetup.EnableWindow(true);
    m_SliderSpeed.SetRange(1, 50);
    m_SliderSpeed.SetPos(25);
    m_SliderSpeed.ShowWindow(SW_HIDE);
    InitToolTips();
    Arm(kRefreshTimer, 50);
    UpdateValues();
    return TRUE;
}

void CPowerDlg::CreateReadout(CGraphicCounterCtrl& readout, int placeId, bool alarm)
{
    CWnd* place = GetDlgItem(placeId);
    if (place == nullptr)
        return;
    RECT rect = place->GetWindowRect();
    ScreenToClient(rect);
    place->ShowWindow(SW_HIDE);
    readout.Create(WS_CHILD | WS_VISIBLE, rect, this, 0);
    readout.SetBkColor(m_crBlack);
    readout.SetTextColor(m_crYellow);
    if (!alarm)
        return;
    readout.SetAlignment(kReadoutCentred);
    readout.SetCharWidth(kReadoutWidthCode);
    readout.SetBlinkBkColor(m_crRed);
    readout.SetBlinkTextColor(m_crYellow);
}

void CPowerDlg::InitToolTips()
{
    for (const Tip& tip : kToolTips)
        m_toolTip.AddTool(tip.text, tip.id);
    m_stCaption.SetWindowText("Probe Control");
}

void CPowerDlg::Arm(UINT_PTR id, UINT milliseconds)
{
    SetTimer(id, milliseconds);
    m_armed.insert(id);
}

void CPowerDlg::Disarm(UINT_PTR id)
{
    KillTimer(id);
    m_armed.erase(id);
}

void CPowerDlg::OnTimer(UINT_PTR id)
{
    switch (id) {
    case kRefreshTimer: OnRefresh(); break;
    case kPowerOnTimer: OnPowerOnOrder(); break;
    case kPowerOffTimer: OnPowerOffOrder(); break;
    case kRepaintTimer:
        Disarm(kRepaintTimer);
        if (m_hWnd)
            m_hWnd->update();
        break;
    case kStatusHoldTimer: Disarm(kStatusHoldTimer); break;
    default: break;
    }
}

void CPowerDlg::OnClose()
{
    for (UINT_PTR id : {kRefreshTimer, kPowerOnTimer, kRepaintTimer, kStatusHoldTimer, kPowerOffTimer})
        Disarm(id);
}

void CPowerDlg::OnSize(int, int) { StartRepaintTimer(); }

void CPowerDlg::StartRepaintTimer() { Arm(kRepaintTimer, 150); }

BOOL CPowerDlg::OnCommand(WPARAM wParam, LPARAM)
{
    switch (LOWORD(wParam)) {
    case IDC_POWER: OnPowerButton(); return TRUE;
    case IDC_STOP: OnStop(); return TRUE;
    case IDC_PLAY: OnPlay(); return TRUE;
    case IDC_PAUSE: OnPause(); return TRUE;
    case IDC_RESET: OnReset(); return TRUE;
    case IDC_RECORD: m_pHost->SendCommand(ID_CMD_NEW_LOG); return TRUE;
    case IDC_TOOLS_BOX: m_pHost->SendCommand(ID_CMD_TOOLS_BOX); return TRUE;
    case IDC_CURVE_PARAMETERS: m_pHost->SendCommand(ID_CMD_DISPLAY_OPTIONS); return TRUE;
    case IDC_LOGGER_SETUP: m_pHost->SendCommand(ID_CMD_LOGGER_SETUP); return TRUE;
    default: return FALSE;
    }
}

void CPowerDlg::PostUpdate(int what)
{
    m_nPendingUpdates.fetch_or(what);
    PostOnce(m_bUpdatePosted, m_hWnd, [this] {
        int due = m_nPendingUpdates.exchange(0);
        if (due & kValues)
            UpdateValues();
        if (due & kStatusText)
            UpdateStatusText();
    });
}

void CPowerDlg::UpdateValues()
{
    if (!IsUiThread()) {
        PostUpdate(kValues);
        return;
    }
    if (!IsWindow())
        return;
    if (theApp.m_nLinkStatus < kLinkAlive) {
        m_Voltage.SetText("");
        m_Current.SetText("");
    } else {
        m_Voltage.SetText(m_pLiveReadout->supplyVoltageText.c_str());
        m_Current.SetText(m_pLiveReadout->supplyCurrentText.c_str());
    }
    CheckAlarmBlink();
    if (m_RecordTime.IsWindowVisible())
        m_RecordTime.SetText(m_pLiveReadout->elapsedText.c_str());
}

// Read from the texts shown, so that the blinking always matches them; only
// the change starts or stops it, so the rhythm is not restarted per packet.
void CPowerDlg::CheckAlarmBlink()
{
    const bool alarm = std::atoi(m_Voltage.GetText().c_str()) >= kVoltageAlarm ||
                       std::atoi(m_Current.GetText().c_str()) >= kCurrentAlarm;
    if (alarm == m_bAlarmBlink)
        return;
    m_bAlarmBlink = alarm;
    for (CGraphicCounterCtrl* readout : {&m_Voltage, &m_Current}) {
        if (alarm)
            readout->StartBlink(kBlinkCode500ms);
        else
            readout->StopBlink();
    }
}

void CPowerDlg::UpdateStatusText()
{
    if (!IsUiThread()) {
        PostUpdate(kStatusText);
        return;
    }
    if (theApp.m_bClosing || !IsWindow())
        return;
    if (theApp.m_bSondePowered) {
        m_ValidCount.SetValue(int(theApp.m_nValidFrames));
        m_ErrorCount.SetValue(int(theApp.m_nErrorFrames));
    } else {
        m_ValidCount.SetText("");
        m_ErrorCount.SetText("");
    }
    const int s = m_pFrameState->replyStatus;
    if (s > 1)
        Disarm(kStatusHoldTimer);
    if (Armed(kStatusHoldTimer))
        return;
    StatusLine line = StatusLineFor(s, m_pFrameState->overrun != 0);
    Arm(kStatusHoldTimer, 250);
    if (m_pFrameState->overrun)
        line = {"OVERRUN", 3};
    if (!theApp.m_bUsbHardwarePresent)
        line = {"No USB Hardware Detected : Replay Mode.", 2};
    if (theApp.m_bBadWinchDirection.exchange(0))
        line = {"Bad Winch Direction !!!", 3};
    SetStatusLine(line.text, line.level);
}

void CPowerDlg::SetStatusLine(const std::string& text, int level)
{
    if (text == m_strStatus && level == m_nStatusLevel)
        return;
    m_strStatus = text;
    m_nStatusLevel = level;
    switch (level) {
    case 1: m_stStatus.SetTextColor(RGB(0, 0, 255)); m_stStatus.SetBkColor(m_crStatusBk); break;
    case 2: m_stStatus.SetTextColor(m_crRed); m_stStatus.SetBkColor(m_crStatusBk); break;
    case 3: m_stStatus.SetTextColor(RGB(255, 255, 255)); m_stStatus.SetBkColor(m_crRed); break;
    default: m_stStatus.SetTextColor(m_crBlack); m_stStatus.SetBkColor(m_crStatusBk); break;
    }
    m_stStatus.SetWindowText(text);
}

void CPowerDlg::OnPowerButton()
{
    if (!IsUiThread()) {
        QPointer<QWidget> window = m_hWnd;
        RunOnUiThread([this, window] {
            if (window)
                OnPowerButton();
        });
        return;
    }
    m_stStatus.SetTextColor(m_crBlack);
    if (m_bSondeOn) {
        StopRecording();
        m_pHost->ResetAutoPrint();
        SetStatusLine("Sonde not powered", 0);
        m_btnPower.SetIcon(m_hPowerOff);
        m_bSondeOn = false;
        m_bOrderPending = true;
        if (!Armed(kPowerOffTimer))
            Arm(kPowerOffTimer, 100);
        theApp.m_bSondePowered = 0;
        return;
    }
    // A replay ends before the live data starts; the stop prints its last
    // part, and otherwise leaves auto print on for the live data.
    m_bPowerSwitching = true;
    OnStop();
    m_bPowerSwitching = false;
    m_pRunState->fileLoaded = 0;
    m_pLoggerSettings->recordingMode = kModeTime;
    DisablePlayerButtons();
    theApp.m_dStepAccumulator = 0.0;
    m_pHost->ResetCurveOrigin(m_pFrameState->replyDepth, theApp.m_pToolRecord->SondeLength, kLogModeTime);
    m_pHost->ResetAcquisition(true);
    m_pHost->SetStatusBarText(0, "Acquisition Mode.");
    SetStatusLine("Probe powered", 0);
    m_btnPower.SetIcon(m_hPowerOn);
    m_bSondeOn = true;
    m_bOrderPending = true;
    if (!Armed(kPowerOnTimer))
        Arm(kPowerOnTimer, 50);
    if (!Armed(kRefreshTimer))
        Arm(kRefreshTimer, 100);
    theApp.m_bSondePowered = 1;
}

void CPowerDlg::RefuseOrder(const char* text)
{
    AfxMessageBox(text);
    m_nRetry = 0;
    m_bOrderPending = false;
    OnPowerButton();
    m_bOrderPending = false;
    PostProbePageCommand();
}

void CPowerDlg::OnPowerOnOrder()
{
    Disarm(kPowerOnTimer);
    if (theApp.m_nTxLength != 0) {
        Arm(kPowerOnTimer, 64);
        return;
    }
    theApp.m_bPowerOffDone = 0;
    const ProbeStatus& probe = *m_pProbeStatus;
    const bool modeReported = (probe.status & 0x0F) != 0;
    if (modeReported) {
        const RecordingModeFrame& sent = *m_pRecordingModeFrame;
        if (probe.echoCommDrive == sent.commDrive && probe.echoCommGain == sent.commGain &&
            probe.echoInterval == sent.interval) {
            m_nRetry = 0;
            m_bOrderPending = false;
            return;
        }
    }
    if (m_nRetry >= kMaxOrderTries) {
        RefuseOrder(modeReported ? "Order refused !!!\n check your parameters.\n" : "Order refused !!!");
        return;
    }
    // The counts start with the order's first frame: a retry must not lose
    // the packets that an earlier frame of the order brought in the meantime.
    if (!modeReported && m_nRetry == 0)
        theApp.m_nValidFrames = theApp.m_nErrorFrames = 0;
    Arm(kPowerOnTimer, 200);
    m_pHost->SendRecordingModeFrame();
    ++m_nRetry;
}

void CPowerDlg::OnPowerOffOrder()
{
    Disarm(kPowerOffTimer);
    if (theApp.m_nTxLength != 0) {
        Arm(kPowerOffTimer, 64);
        return;
    }
    if ((m_pProbeStatus->status & 0x0F) == 0) {
        theApp.m_bPowerOffDone = 1;
        m_nRetry = 0;
        m_bOrderPending = false;
        PostProbePageCommand();
        return;
    }
    if (m_nRetry < kMaxOrderTries) {
        Arm(kPowerOffTimer, 500);
    } else {
        m_nRetry = 0;
        m_bOrderPending = false;
    }
    m_pHost->SendChannelFrame();
    ++m_nRetry;
}

void CPowerDlg::OnRefresh()
{
    const int link = theApp.m_nLinkStatus;
    if (link < kLinkLive) {
        UpdateStatusText();
        UpdateValues();
    }
    RefreshMenusAndSelector(link);
    if (m_RecordTime.IsWindowVisible())
        m_RecordTime.SetText(m_pLiveReadout->elapsedText.c_str());
    CheckAlarmBlink();
    m_btnSetup.EnableWindow(link >= kLinkLive);
    ++m_nBlink;
    RefreshPowerButton(link);
    m_btnRecord.EnableWindow(link >= kLinkRecordable);
    if (m_pRunState->playing) {
        if (m_nBlink == 5) {
            m_btnPlay.SetIcon(m_hPlayBlink);
        } else if (m_nBlink >= 10) {
            m_btnPlay.SetIcon(m_hPlay);
            m_nBlink = 0;
        }
    }
    RefreshRecordDisplay();
    Arm(kRefreshTimer, 100);
    // Last: its message box waits for the operator while the refresh goes on.
    EndRecordIfSondeOff(link);
    TellHeaderWriteFailure();
}

// The sonde can't change under a powered probe or a loaded log; a live link
// records, a quiet one opens and exports logs.
void CPowerDlg::RefreshMenusAndSelector(int link)
{
    const bool powered = theApp.m_bSondePowered != 0;
    const bool busy = powered || m_pRunState->fileLoaded;
    const bool recordRuns = m_pRunState->recording || m_pRunState->recordPaused;
    m_pHost->EnableSondeSelector(!busy);
    m_pHost->EnableMenuItem(ID_CMD_SONDE_IMPORT, !busy);
    m_pHost->EnableMenuItem(ID_CMD_REMOVE_SONDE, !busy);
    m_pHost->EnableMenuItem(ID_CMD_CALIBRATION, !(powered && recordRuns));
    const bool live = link > kLinkLive;
    m_pHost->EnableMenuItem(ID_CMD_NEW_LOG, live);
    m_pHost->EnableMenuItem(ID_CMD_OPEN, !live);
    m_pHost->EnableMenuItem(ID_CMD_EXPORT_LAS, !live);
}

void CPowerDlg::RefreshPowerButton(int link)
{
    const bool enabled = link >= kLinkAlive;
    m_btnPower.EnableWindow(enabled);
    if (!enabled)
        return;
    if (!m_bOrderPending) {
        if (Armed(kPowerOnTimer) || Armed(kPowerOffTimer))
            return;
        m_bSondeOn = (m_pProbeStatus->status & 0x0F) != 0;
        m_btnPower.SetIcon(m_bSondeOn ? m_hPowerOn : m_hPowerOff);
        // A sonde that went off by itself (a logger that restarted) is not
        // powered: the close need not ask for a power button that would power it.
        if (!m_bSondeOn)
            theApp.m_bSondePowered = 0;
        return;
    }
    const bool powerOff = Armed(kPowerOffTimer);
    if (m_nBlink == 2) {
        m_btnPower.SetIcon(powerOff ? m_hPowerOffBlink : m_hPowerOnBlink);
    } else if (m_nBlink >= 3) {
        m_btnPower.SetIcon(powerOff ? m_hPowerOff : m_hPowerOn);
        m_nBlink = 0;
    }
}
