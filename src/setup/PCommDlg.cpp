#include "setup/PCommDlg.h"

#include "core/RunState.h"
#include "core/SettingRange.h"
#include "core/Settings.h"
#include "core/VarnoLogger_KVXApp.h"
#include "platform/MessageBox.h"
#include "platform/UiThread.h"
#include "probe/Frames.h"
#include "res/Icons.h"
#include "res/Resource.h"
#include "setup/CheckComm.h"

namespace {

constexpr int kIconSize = 16;
constexpr UINT kSendDelay = 50;
constexpr UINT kAckDelay = 1000;
constexpr UINT kLedHold = 1000;
constexpr int kDataValid = 0x01;

}  // namespace

CPCommDlg::CPCommDlg(CWnd* parent) : CDialogExt(IDD_COMM_PAGE, parent) {}

void CPCommDlg::DoDataExchange(CDataExchange* dx)
{
    CDialogExt::DoDataExchange(dx);
    for (int i = 0; i < 7; ++i)
        DDX_Control(dx, kLedIds[i], m_leds[i]);
    DDX_Control(dx, IDC_COMM_DRIVE_SPIN, m_spinDrive);
    DDX_Control(dx, IDC_COMM_GAIN_SPIN, m_spinGain);
}

BOOL CPCommDlg::OnInitDialog()
{
    CDialogExt::OnInitDialog();
    m_pRunState = theApp.m_pRunState;
    m_pProbeStatus = theApp.m_pProbeStatus;
    m_pLoggerSettings = theApp.m_pLoggerSettings;
    m_pFrameState = theApp.m_pFrameState;
    m_hGrey = LoadIconById(IDI_LED_GREY, kIconSize);
    m_hRed = LoadIconById(IDI_LED_RED, kIconSize);
    m_hGreyValid = LoadIconById(IDI_LED_OFF, kIconSize);
    m_hGreen = LoadIconById(IDI_LED_GREEN, kIconSize);
    m_hGreyUpdate = LoadIconById(IDI_LED_YELLOW_OFF, kIconSize);
    m_hYellow = LoadIconById(IDI_LED_YELLOW, kIconSize);
    for (int i = 0; i < 7; ++i) {
        const bool update = kLedIds[i] == IDC_LED_PARAMETER_UPDATE || kLedIds[i] == IDC_LED_SETTING_UPDATE;
        SetLed(i, i == 0 ? m_hGreyValid : update ? m_hGreyUpdate : m_hGrey);
    }
    // The position names the bar in OnVScroll.
    m_spinDrive.SetScrollRange(IDC_COMM_DRIVE_SPIN, IDC_COMM_DRIVE_SPIN);
    m_spinDrive.SetScrollPos(IDC_COMM_DRIVE_SPIN);
    m_spinGain.SetScrollRange(IDC_COMM_GAIN_SPIN, IDC_COMM_GAIN_SPIN);
    m_spinGain.SetScrollPos(IDC_COMM_GAIN_SPIN);
    UpdateFromRecord();
    return TRUE;
}

void CPCommDlg::UpdateFromRecord()
{
    SetDlgItemIntClamped(IDC_COMM_DRIVE, m_pLoggerSettings->CommDrive, kCommDriveRange.min, kCommDriveRange.max);
    SetDlgItemIntClamped(IDC_COMM_GAIN, m_pLoggerSettings->CommGain, kCommGainRange.min, kCommGainRange.max);
    const bool enable = m_pRunState->playing == 0;
    for (int id : {IDC_COMM_DRIVE, IDC_COMM_GAIN, IDC_COMM_DRIVE_SPIN, IDC_COMM_GAIN_SPIN})
        GetDlgItem(id)->EnableWindow(enable);
    m_bSuppress = false;
}

void CPCommDlg::SetLed(int index, HICON icon)
{
    m_ledIcons[index] = icon;
    m_leds[index].SetIcon(icon);
}

void CPCommDlg::UpdateStatusLeds()
{
    if (!IsUiThread()) {
        const int s = theApp.m_pFrameState->replyStatus;
        if ((s & kDataValid) == 0)
            m_nUnshownBad = s;
        PostOnce(m_bLedsPosted, m_hWnd, [this] { UpdateStatusLeds(); });
        return;
    }
    if (!IsWindow())
        return;
    const int bad = m_nUnshownBad.exchange(-1);
    if (bad >= 0)
        ShowStatus(bad);
    ShowStatus(m_pFrameState->replyStatus);
}

void CPCommDlg::ShowStatus(int s)
{
    const bool good = (s & kDataValid) != 0;
    if (!good && m_bHoldArmed)
        Disarm(kLedHoldTimer);
    // A good status within a second of a bad one leaves the bad one shown.
    if (m_bHoldArmed)
        return;
    if (!good)
        Arm(kLedHoldTimer, kLedHold);
    for (int i = 0; i < 7; ++i) {
        const bool set = (s & (1 << i)) != 0;
        if (i == 0)
            SetLed(i, set ? m_hGreen : m_hGreyValid);
        else if (i == 4 || i == 5)
            SetLed(i, set ? m_hYellow : m_hGreyUpdate);
        else
            SetLed(i, set ? m_hRed : m_hGrey);
    }
    m_pFrameState->errorFlags = 0;
}

void CPCommDlg::Arm(UINT_PTR id, UINT milliseconds)
{
    SetTimer(id, milliseconds);
    if (id == kLedHoldTimer)
        m_bHoldArmed = true;
    else if (id == kSendTimer)
        m_bSendArmed = true;
}

void CPCommDlg::Disarm(UINT_PTR id)
{
    KillTimer(id);
    if (id == kLedHoldTimer)
        m_bHoldArmed = false;
    else if (id == kSendTimer)
        m_bSendArmed = false;
}

void CPCommDlg::ArmSendTimer()
{
    if (!m_bSendArmed)
        Arm(kSendTimer, kSendDelay);
}

// A refused text is told and the stored value shown again: it is in force,
// and Set must not tell the same entry a second time.
void CPCommDlg::CheckEdit(bool drive)
{
    if (m_bSuppress)
        return;
    const int edit = drive ? IDC_COMM_DRIVE : IDC_COMM_GAIN;
    const SettingRange& range = drive ? kCommDriveRange : kCommGainRange;
    auto& stored = drive ? m_pLoggerSettings->CommDrive : m_pLoggerSettings->CommGain;
    int value = 0;
    if (!GetDlgItemIntOrShow(edit, &value, stored))
        return;
    if (!range.Contains(value)) {
        AfxMessageBox("Bad entered value");
        SetDlgItemIntClamped(edit, stored, -1, -1);
        return;
    }
    stored = value;
    ArmSendTimer();
}

void CPCommDlg::OnSet()
{
    CheckEdit(false);
    CheckEdit(true);
}

void CPCommDlg::OnCheck()
{
    if (m_pRunState->recording) {
        AfxMessageBox("Stop your record before use this option");
        return;
    }
    if (m_pHost == nullptr)
        return;
    CCheckComm check(*m_pHost, this);
    check.DoModal();
}

BOOL CPCommDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const int id = LOWORD(wParam);
    const WORD code = HIWORD(wParam);
    if (id == int(kModelChanged)) {
        UpdateFromRecord();
        return TRUE;
    }
    if ((id == IDC_COMM_DRIVE || id == IDC_COMM_GAIN) && code == EN_KILLFOCUS) {
        CheckEdit(id == IDC_COMM_DRIVE);
        return TRUE;
    }
    if (id == IDC_COMM_SET && code == BN_CLICKED) {
        OnSet();
        return TRUE;
    }
    if (id == IDC_COMM_CHECK && code == BN_CLICKED) {
        OnCheck();
        return TRUE;
    }
    return CDialogExt::OnCommand(wParam, lParam);
}

void CPCommDlg::OnVScroll(UINT code, UINT pos, CScrollBar* bar)
{
    if (code == SB_LINEUP || code == SB_LINEDOWN || code == SB_ENDSCROLL)
        StepOrTake(code, bar->GetScrollPos() == IDC_COMM_DRIVE_SPIN);
    CDialogExt::OnVScroll(code, pos, bar);
}

// Both steps stay within the accepted range, so that the value taken at the
// end of the scroll is never one the edit check would refuse. A text that is
// no number is told and the stored value shown again, to be taken at the end.
void CPCommDlg::StepOrTake(UINT code, bool drive)
{
    const int edit = drive ? IDC_COMM_DRIVE : IDC_COMM_GAIN;
    const SettingRange& range = drive ? kCommDriveRange : kCommGainRange;
    auto& stored = drive ? m_pLoggerSettings->CommDrive : m_pLoggerSettings->CommGain;
    int value = 0;
    if (!GetDlgItemIntOrShow(edit, &value, stored))
        return;
    if (code == SB_ENDSCROLL) {
        stored = range.Clamp(value);
        ArmSendTimer();
        return;
    }
    SetDlgItemIntClamped(edit, range.Clamp(value + (code == SB_LINEUP ? 1 : -1)), -1, -1);
}

void CPCommDlg::OnOK()
{
    CWnd* focus = GetFocus();
    if (focus == nullptr)
        return;
    if (focus->GetDlgCtrlID() == IDC_COMM_GAIN)
        m_spinGain.SetFocus();
    else if (focus->GetDlgCtrlID() == IDC_COMM_DRIVE)
        m_spinDrive.SetFocus();
}

void CPCommDlg::OnTimer(UINT_PTR id)
{
    if (id == kLedHoldTimer) {
        Disarm(kLedHoldTimer);
    } else if (id == kSendTimer) {
        Disarm(kSendTimer);
        if (m_pHost != nullptr)
            m_pHost->SendCommFrame();
        Arm(kAckTimer, kAckDelay);
        if (m_pHost != nullptr) {
            m_pHost->SaveCommSettings();
            m_pHost->ClearToolsBoxUpdateFlag();
        }
    } else if (id == kAckTimer) {
        Disarm(kAckTimer);
        const bool echoed = m_pLoggerSettings->CommDrive == m_pProbeStatus->echoCommDrive &&
                            m_pLoggerSettings->CommGain == m_pProbeStatus->echoCommGain;
        if (echoed) {
            m_nAckRetry = 0;
        } else if (m_nAckRetry >= kMaxAckRetries) {
            m_nAckRetry = 0;
            AfxMessageBox("Warning consigne error, ACK Comm error");
        } else {
            if (m_pHost != nullptr)
                m_pHost->SendCommFrame();
            Arm(kAckTimer, kAckDelay);
            ++m_nAckRetry;
        }
    }
    CDialogExt::OnTimer(id);
}
