#include "setup/PWinchDlg.h"

#include <algorithm>

#include "core/RunState.h"
#include "core/Settings.h"
#include "core/VarnoLogger_KVXApp.h"
#include "platform/MessageBox.h"
#include "probe/CommandFrames.h"
#include "probe/Frames.h"
#include "res/Resource.h"

namespace {

constexpr double kMinCircumference = 250.0;
constexpr double kMaxCircumference = 1500.0;
constexpr int kMinResolution = 500;
constexpr int kMaxResolution = 10000;
constexpr double kMinX = 150.0;
constexpr double kMaxX = 3000.0;

const char* const kBadCircumference = "Bad entered value.\nMin 250 - Max 1500";
const char* const kBadResolution = "Bad entered value.\nMin 500 - Max 10000";
const char* const kBadCombination = "Bad wheel/encoder combination";

bool CircumferenceInRange(double c) { return c >= kMinCircumference && c <= kMaxCircumference; }
bool ResolutionInRange(int r) { return r >= kMinResolution && r <= kMaxResolution; }
bool XInRange(double x) { return x >= kMinX && x <= kMaxX; }

}  // namespace

double WheelX(double circumferenceMm, double pulses) { return circumferenceMm * 3000.0 / pulses; }

const char* WheelEncoderRefusal(double x, double y)
{
    if (x > kMaxX)
        return "Too high wheel/encoder combination";
    if (x < kMinX)
        return "Too low wheel/encoder combination";
    if (y <= 10.0 || y >= 510.0)
        return kBadCombination;
    return nullptr;
}

CPWinchDlg::CPWinchDlg(CWnd* sheet) : CDialogExt(IDD_WINCH_PAGE, sheet), m_pSheet(sheet) {}

void CPWinchDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_WINCH_CABLE_TYPE, m_cbCableType);
    DDX_Control(dx, IDC_WINCH_RESOLUTION_SPIN, m_spinResolution);
    DDX_Control(dx, IDC_WINCH_CIRCUMFERENCE_SPIN, m_spinCircumference);
    DDX_Control(dx, IDC_PAGE_SET, m_btnSet);
}

BOOL CPWinchDlg::OnInitDialog()
{
    CDialogExt::OnInitDialog();
    m_pSettings = theApp.m_pLoggerSettings;
    m_pStatus = theApp.m_pProbeStatus;
    // A bar's position is its own id: that is how OnVScroll tells them apart.
    m_spinResolution.SetScrollRange(IDC_WINCH_RESOLUTION_SPIN, IDC_WINCH_RESOLUTION_SPIN);
    m_spinCircumference.SetScrollRange(IDC_WINCH_CIRCUMFERENCE_SPIN, IDC_WINCH_CIRCUMFERENCE_SPIN);
    m_nSaveTimer = m_nSendTimer = m_nAckTimer = 0;
    m_nRetries = 0;
    FillCableTypes();
    return TRUE;
}

BOOL CPWinchDlg::UpdateFromRecord()
{
    const LoggerSettings& settings = *theApp.m_pLoggerSettings;
    CheckDlgButton(IDC_WINCH_NORMAL, settings.PulleyDir ? BST_CHECKED : BST_UNCHECKED);
    RestoreResolution();
    RestoreCircumference();
    m_cbCableType.SetCurSel(settings.CableType);
    m_cbCableType.EnableWindow(!theApp.m_pRunState->playing);
    m_bSuppress = false;
    return TRUE;
}

void CPWinchDlg::FillCableTypes()
{
    if (!IsWindow())
        return;
    m_cbCableType.ResetContent();
    m_cbCableType.AddString("4 conductors");
    m_cbCableType.AddString("mono cable");
    m_cbCableType.SetCurSel(theApp.m_pLoggerSettings->CableType);
}

BOOL CPWinchDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const int id = LOWORD(wParam);
    const WORD code = HIWORD(wParam);
    if (id == IDC_WINCH_CIRCUMFERENCE && code == EN_KILLFOCUS)
        OnKillfocusCircumference();
    else if (id == IDC_WINCH_RESOLUTION && code == EN_KILLFOCUS)
        OnKillfocusResolution();
    else if (id == IDC_WINCH_NORMAL && code == BN_CLICKED)
        OnNormal();
    else if (id == IDC_WINCH_CABLE_TYPE && code == CBN_SELCHANGE)
        OnSelchangeCableType();
    else if (id == IDC_PAGE_SET && code == BN_CLICKED)
        OnSet();
    else
        return CDialogExt::OnCommand(wParam, lParam);
    return TRUE;
}

void CPWinchDlg::RestoreCircumference()
{
    SetDlgItemDouble(IDC_WINCH_CIRCUMFERENCE, m_pSettings->PulleysDiameter / 10.0, 1, false);
}

int CPWinchDlg::ShownResolution() const
{
    return std::clamp(int(m_pSettings->PulsResolution), kMinResolution, kMaxResolution);
}

void CPWinchDlg::RestoreResolution() { SetDlgItemIntClamped(IDC_WINCH_RESOLUTION, ShownResolution(), -1, -1); }

void CPWinchDlg::StoreRate(double y)
{
    m_pSettings->encoderRateFixed = std::uint32_t(Round(y * 256.0));
    m_pSettings->encoderRate = m_pSettings->encoderRateFixed / 256.0;
}

// A value out of its range is never taken, even by the other edit's check;
// a resolution that is no number leaves the stored one in its place.
void CPWinchDlg::OnKillfocusCircumference()
{
    if (m_bSuppress)
        return;
    double c = 0.0;
    if (!GetDlgItemDouble(IDC_WINCH_CIRCUMFERENCE, &c)) {
        RestoreCircumference();
        return;
    }
    SetDlgItemDouble(IDC_WINCH_CIRCUMFERENCE, c, 1, false);
    if (!CircumferenceInRange(c)) {
        RestoreCircumference();
        AfxMessageBox(kBadCircumference);
        return;
    }
    int r = 0;
    if (!GetDlgItemIntOrShow(IDC_WINCH_RESOLUTION, &r, ShownResolution()))
        r = m_pSettings->PulsResolution;
    if (ResolutionInRange(r))
        m_pSettings->PulsResolution = r;
    const double y = r * 40.0 / c;
    if (const char* refusal = WheelEncoderRefusal(WheelX(c, r), y)) {
        RestoreCircumference();
        AfxMessageBox(refusal);
        return;
    }
    m_pSettings->PulleysDiameter = DoubleToInt(c * 10.0);
    StoreRate(y);
    ArmTimersAfterChange();
    if (m_pHost != nullptr)
        m_pHost->ClearToolsBoxUpdateFlag();
}

void CPWinchDlg::OnKillfocusResolution()
{
    if (m_bSuppress)
        return;
    int r = 0;
    if (!GetDlgItemIntOrShow(IDC_WINCH_RESOLUTION, &r, ShownResolution()))
        return;
    if (!ResolutionInRange(r)) {
        RestoreResolution();
        AfxMessageBox(kBadResolution);
        return;
    }
    double c = 0.0;
    if (!GetDlgItemDouble(IDC_WINCH_CIRCUMFERENCE, &c))
        c = m_pSettings->PulleysDiameter / 10.0;
    if (CircumferenceInRange(c))
        m_pSettings->PulleysDiameter = DoubleToInt(c * 10.0);
    const double stored = m_pSettings->PulleysDiameter;
    if (const char* refusal = WheelEncoderRefusal(WheelX(c, r), r * 400.0 / stored)) {
        RestoreResolution();
        AfxMessageBox(refusal);
        return;
    }
    m_pSettings->PulsResolution = r;
    StoreRate(r * 40.0 / c);
    ArmTimersAfterChange();
}

void CPWinchDlg::OnNormal()
{
    m_pSettings->PulleyDir = IsDlgButtonChecked(IDC_WINCH_NORMAL) == BST_CHECKED ? 1 : 0;
    ArmTimersAfterChange();
}

void CPWinchDlg::OnSelchangeCableType()
{
    m_pSettings->CableType = m_cbCableType.GetCurSel();
    ArmTimersAfterChange();
}

void CPWinchDlg::OnSet()
{
    m_pSettings->PulleyDir = IsDlgButtonChecked(IDC_WINCH_NORMAL) == BST_CHECKED ? 1 : 0;
    m_pSettings->CableType = m_cbCableType.GetCurSel();
    OnKillfocusCircumference();
    OnKillfocusResolution();
}

void CPWinchDlg::OnVScroll(UINT code, UINT pos, CScrollBar* bar)
{
    if (bar != nullptr && bar->GetScrollPos() == IDC_WINCH_CIRCUMFERENCE_SPIN)
        OnCircumferenceSpin(code);
    else if (bar != nullptr && bar->GetScrollPos() == IDC_WINCH_RESOLUTION_SPIN)
        OnResolutionSpin(code);
    CDialogExt::OnVScroll(code, pos, bar);
}

// The arrows step what the edit shows; the end of the scroll takes it through
// the edit's own check, so a value outside its range is never stored.
void CPWinchDlg::OnCircumferenceSpin(UINT code)
{
    if (code == SB_ENDSCROLL) {
        OnKillfocusCircumference();
        return;
    }
    if (code != SB_LINEUP && code != SB_LINEDOWN)
        return;
    double c = 0.0;
    if (!GetDlgItemDouble(IDC_WINCH_CIRCUMFERENCE, &c))
        return;
    const double next = code == SB_LINEUP ? c + 0.1 : c - 0.1;
    if (XInRange(WheelX(next, m_pSettings->PulsResolution)))
        c = next;
    else
        AfxMessageBox(kBadCombination);
    SetDlgItemDouble(IDC_WINCH_CIRCUMFERENCE, c, 1, false);
}

void CPWinchDlg::OnResolutionSpin(UINT code)
{
    if (code == SB_ENDSCROLL) {
        OnKillfocusResolution();
        return;
    }
    if (code != SB_LINEUP && code != SB_LINEDOWN)
        return;
    int r = 0;
    if (!GetDlgItemIntOrShow(IDC_WINCH_RESOLUTION, &r, ShownResolution()))
        return;
    const int next = code == SB_LINEUP ? r + 1 : r - 1;
    if (XInRange(WheelX(m_pSettings->PulleysDiameter / 10.0, next)))
        r = next;
    else
        AfxMessageBox(kBadCombination);
    if (r < kMinResolution)
        r = kMinResolution;
    if (code == SB_LINEUP && r > kMaxResolution)
        r = kMaxResolution;
    SetDlgItemIntClamped(IDC_WINCH_RESOLUTION, r, -1, -1);
}

void CPWinchDlg::OnOK()
{
    CWnd* focus = GetFocus();
    const int id = focus != nullptr ? focus->GetDlgCtrlID() : 0;
    if (id == IDC_WINCH_RESOLUTION)
        m_spinResolution.SetFocus();
    else if (id == IDC_WINCH_CIRCUMFERENCE)
        m_spinCircumference.SetFocus();
}

void CPWinchDlg::OnCancel()
{
    if (m_pSheet != nullptr)
        m_pSheet->OnCommand(IDCANCEL, 0);
}

void CPWinchDlg::Kill(UINT_PTR& handle)
{
    if (handle != 0)
        KillTimer(handle);
    handle = 0;
}

// Save soon, send sooner, and look at the echo a second after the last change.
void CPWinchDlg::ArmTimersAfterChange()
{
    if (m_nSaveTimer == 0)
        m_nSaveTimer = SetTimer(kSaveTimer, kSaveDelayMs);
    if (m_nAckTimer == 0)
        m_nAckTimer = SetTimer(kAckTimer, kAckDelayMs);
    if (m_nSendTimer == 0)
        m_nSendTimer = SetTimer(kSendTimer, kSendDelayMs);
    Kill(m_nAckTimer);
    m_nAckTimer = SetTimer(kAckTimer, kAckDelayMs);
    m_pStatus->updated = 0;
}

void CPWinchDlg::OnTimer(UINT_PTR id)
{
    switch (id) {
    case kSaveTimer:
        Kill(m_nSaveTimer);
        if (m_pHost != nullptr)
            m_pHost->SaveWinch();
        break;
    case kSendTimer:
        Kill(m_nSendTimer);
        if (m_pHost != nullptr)
            m_pHost->SendSettingsFrame();
        break;
    case kAckTimer: CheckEcho(); break;
    default: break;
    }
    CDialogExt::OnTimer(id);
}

bool CPWinchDlg::EchoIsGood() const
{
    const LoggerSettings& settings = *m_pSettings;
    const ProbeStatus& status = *m_pStatus;
    // A fast encoder was sent half the ratio.
    const std::uint32_t fixed = settings.encoderRateFixed;
    const std::uint32_t ratio = EncoderRate(settings) > encoderRateLimit ? fixed / 2 : fixed;
    return (status.status & 0x30) == WinchByte(settings) && status.echoWheelWord == settings.settingsWord &&
           status.echoWheelRatio == ratio;
}

// A probe that sends no status is waited for without counting; one that
// echoes other values gets the frame again, and after the last resend a warning.
void CPWinchDlg::CheckEcho()
{
    Kill(m_nAckTimer);
    if (m_pStatus->updated != 1) {
        m_nAckTimer = SetTimer(kAckTimer, kAckPollMs);
        return;
    }
    m_pStatus->updated = 0;
    if (EchoIsGood()) {
        m_nRetries = 0;
        return;
    }
    if (m_nRetries >= kMaxResends) {
        m_nRetries = 0;
        AfxMessageBox("Warning consigne error, ACK puley -Mode error");
        return;
    }
    if (m_pHost != nullptr)
        m_pHost->SendSettingsFrame();
    m_nAckTimer = SetTimer(kAckTimer, kAckDelayMs);
    ++m_nRetries;
}
