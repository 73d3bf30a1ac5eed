#include "setup/PProbeDlg.h"

#include <string>

#include "core/Ini.h"
#include "core/RunState.h"
#include "core/SettingRange.h"
#include "core/Settings.h"
#include "core/VarnoLogger_KVXApp.h"
#include "platform/MessageBox.h"
#include "probe/CommandFrames.h"
#include "probe/Frames.h"
#include "res/Resource.h"

// One number edit of the page, its spin, its range and where it is stored.
struct ProbeField {
    int edit;
    int spin;
    SettingRange range;
    bool refusalNamesRange;
    bool clampShown;  // the stored value is shown clamped to the range
    int (*get)(const LoggerSettings&);
    void (*set)(LoggerSettings&, int);
};

namespace {

const ProbeField kVoltage = {
    IDC_PROBE_VOLTAGE, IDC_PROBE_VOLTAGE_SPIN, kVoltageRange, false, true,
    [](const LoggerSettings& s) { return int(s.Voltage); }, [](LoggerSettings& s, int v) { s.Voltage = v; }};
const ProbeField kTime = {
    IDC_PROBE_TIME, IDC_PROBE_TIME_SPIN, kTimeIntervalRange, true, false,
    [](const LoggerSettings& s) { return int(s.TimeInterval); },
    [](LoggerSettings& s, int v) { s.TimeInterval = std::uint16_t(v); }};
const ProbeField kDepth = {
    IDC_PROBE_DEPTH, IDC_PROBE_DEPTH_SPIN, kDepthIntervalRange, false, false,
    [](const LoggerSettings& s) { return int(s.DepthInterval); },
    [](LoggerSettings& s, int v) { s.DepthInterval = std::uint16_t(v); }};
const ProbeField* const kFields[] = {&kVoltage, &kTime, &kDepth};

const ProbeField* FieldOfEdit(int id)
{
    for (const ProbeField* field : kFields)
        if (field->edit == id)
            return field;
    return nullptr;
}

const ProbeField* FieldOfSpin(int id)
{
    for (const ProbeField* field : kFields)
        if (field->spin == id)
            return field;
    return nullptr;
}

std::string Refusal(const ProbeField& field)
{
    if (!field.refusalNamesRange)
        return "Bad entered value";
    return "Bad entered value.(Min:" + std::to_string(field.range.min) + " - Max:" + std::to_string(field.range.max) +
           ")";
}

// The tool file of the selected sonde, empty when no sonde is selected.
std::string SelectedToolFile()
{
    const int sonde = theApp.m_pLoggerSettings->SelectedSonde;
    if (sonde < 0 || sonde > SondeList::kMaxSondes)
        return {};
    return std::string(theApp.m_pPathSettings->appDir) + "Ressources/" +
           theApp.m_pSondeList->entries[sonde].TolFile + ".tol";
}

}  // namespace

CPProbeDlg::CPProbeDlg(CWnd* sheet) : CDialogExt(IDD_PROBE_PAGE, sheet), m_pSheet(sheet) {}

void CPProbeDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_PROBE_VOLTAGE_SPIN, m_spinVoltage);
    DDX_Control(dx, IDC_PROBE_TIME_SPIN, m_spinTime);
    DDX_Control(dx, IDC_PROBE_DEPTH_SPIN, m_spinDepth);
    DDX_Control(dx, IDC_PAGE_SET, m_btnSet);
}

BOOL CPProbeDlg::OnInitDialog()
{
    CDialogExt::OnInitDialog();
    m_pSettings = theApp.m_pLoggerSettings;
    m_pRunState = theApp.m_pRunState;
    m_pStatus = theApp.m_pProbeStatus;
    m_nSaveTimer = m_nSendTimer = 0;
    m_nRetries = 0;
    // A bar's position is its own id: that is how OnVScroll tells them apart.
    for (CScrollBar* spin : {&m_spinVoltage, &m_spinTime, &m_spinDepth})
        spin->SetScrollRange(spin->GetDlgCtrlID(), spin->GetDlgCtrlID());
    SetDlgItemIntClamped(IDC_PROBE_TIME, m_pSettings->TimeInterval, -1, -1);
    SetDlgItemIntClamped(IDC_PROBE_DEPTH, m_pSettings->DepthInterval, -1, -1);
    if (CWnd* item = GetDlgItem(IDC_PROBE_TIME_ECHO))
        m_stTimeEcho.Attach(item->GetSafeHwnd());
    if (CWnd* item = GetDlgItem(IDC_PROBE_DEPTH_ECHO))
        m_stDepthEcho.Attach(item->GetSafeHwnd());
    for (CColorStaticST* echo : {&m_stTimeEcho, &m_stDepthEcho})
        echo->SetTextColor(0x00000000);
    ShowEchoes(kResetColour);
    return TRUE;
}

BOOL CPProbeDlg::UpdateFromRecord()
{
    const bool editable = !m_pRunState->playing;
    for (const ProbeField* field : kFields) {
        ShowStored(*field);
        GetDlgItem(field->edit)->EnableWindow(editable);
        GetDlgItem(field->spin)->EnableWindow(editable);
    }
    m_bSuppress = false;
    return TRUE;
}

BOOL CPProbeDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const int id = LOWORD(wParam);
    const WORD code = HIWORD(wParam);
    if (code == EN_KILLFOCUS && FieldOfEdit(id) != nullptr)
        OnKillfocus(*FieldOfEdit(id));
    else if (id == IDC_PAGE_SET && code == BN_CLICKED)
        OnSet();
    else if (id == int(kEchoReceived))
        OnEchoReceived();
    else if (id == int(kEchoReset))
        OnEchoReset();
    else if (id == int(kModelChanged))
        UpdateFromRecord();
    else
        return CDialogExt::OnCommand(wParam, lParam);
    return TRUE;
}

int CPProbeDlg::Shown(const ProbeField& field) const
{
    const int stored = field.get(*m_pSettings);
    return field.clampShown ? field.range.Clamp(stored) : stored;
}

void CPProbeDlg::ShowStored(const ProbeField& field) { SetDlgItemIntClamped(field.edit, Shown(field), -1, -1); }

void CPProbeDlg::OnKillfocus(const ProbeField& field)
{
    if (m_bSuppress)
        return;
    int value = 0;
    if (!GetDlgItemIntOrShow(field.edit, &value, Shown(field)))
        return;
    if (!field.range.Contains(value)) {
        AfxMessageBox(Refusal(field));
        ShowStored(field);
        return;
    }
    field.set(*m_pSettings, value);
    ArmSaveAndSend();
}

void CPProbeDlg::OnSet()
{
    OnKillfocus(kTime);
    OnKillfocus(kDepth);
    OnKillfocus(kVoltage);
}

// The arrows step what the edit shows, within the range; the end of the
// scroll takes it through the edit's check.
void CPProbeDlg::OnVScroll(UINT code, UINT pos, CScrollBar* bar)
{
    const ProbeField* field = bar != nullptr ? FieldOfSpin(bar->GetScrollPos()) : nullptr;
    if (field != nullptr && code == SB_ENDSCROLL) {
        OnKillfocus(*field);
    } else if (field != nullptr && (code == SB_LINEUP || code == SB_LINEDOWN)) {
        int value = 0;
        if (GetDlgItemIntOrShow(field->edit, &value, Shown(*field)))
            SetDlgItemIntClamped(field->edit, value + (code == SB_LINEUP ? 1 : -1), short(field->range.min),
                                 short(field->range.max));
    }
    CDialogExt::OnVScroll(code, pos, bar);
}

void CPProbeDlg::OnOK()
{
    CWnd* focus = GetFocus();
    const ProbeField* field = focus != nullptr ? FieldOfEdit(focus->GetDlgCtrlID()) : nullptr;
    if (field != nullptr)
        GetDlgItem(field->spin)->SetFocus();
}

void CPProbeDlg::OnCancel()
{
    if (m_pSheet != nullptr)
        m_pSheet->OnCommand(IDCANCEL, 0);
}

void CPProbeDlg::ArmSaveAndSend()
{
    if (m_nSaveTimer == 0)
        m_nSaveTimer = SetTimer(kSaveTimer, kSaveDelayMs);
    if (m_nSendTimer == 0) {
        m_nSendTimer = SetTimer(kSendTimer, kSendDelayMs);
        m_nRetries = 0;
    }
}

void CPProbeDlg::OnTimer(UINT_PTR id)
{
    if (id == kSaveTimer) {
        KillTimer(kSaveTimer);
        m_nSaveTimer = 0;
        SaveToToolFile();
    } else if (id == kSendTimer) {
        KillTimer(kSendTimer);
        m_nSendTimer = 0;
        Send();
    }
    CDialogExt::OnTimer(id);
}

void CPProbeDlg::SaveToToolFile()
{
    const std::string path = SelectedToolFile();
    if (path.empty())
        return;
    CIni tool(path, FALSE);
    tool.WriteInt("Voltage", m_pSettings->Voltage, "General");
    tool.WriteInt("TimeInterval", m_pSettings->TimeInterval, "General");
    // The file holds millimetres.
    tool.WriteInt("DepthInterval", m_pSettings->DepthInterval * 10, "General");
    tool.TellRefusedWrites();
}

// An order still being written is waited for, 64 ms at a time, 50 times at most.
void CPProbeDlg::Send()
{
    if (theApp.m_nTxLength != 0) {
        if (m_nRetries < kMaxBusyRetries) {
            m_nSendTimer = SetTimer(kSendTimer, kSendDelayMs);
            ++m_nRetries;
        }
        return;
    }
    if (m_pHost != nullptr) {
        if (theApp.m_bSondePowered)
            m_pHost->SendRecordingModeFrame();
        else
            m_pHost->SendSettingsFrame();
    }
    m_nRetries = 0;
}

void CPProbeDlg::ShowEchoes(COLORREF background)
{
    for (CColorStaticST* echo : {&m_stTimeEcho, &m_stDepthEcho}) {
        echo->SetBkColor(background);
        echo->SetWindowText("-");
    }
}

void CPProbeDlg::OnEchoReceived()
{
    ShowEchoes(kEchoColour);
    const ProbeStatus& status = *m_pStatus;
    if ((status.status & 0x0F) == 4) {
        m_stTimeEcho.SetWindowText(std::to_string(status.echoInterval));
        return;
    }
    // A fast encoder was sent twice the depth interval.
    int interval = status.echoInterval & 0xFF;
    if (EncoderRate(*m_pSettings) > encoderRateLimit)
        interval >>= 1;
    m_stDepthEcho.SetWindowText(std::to_string(interval));
}

void CPProbeDlg::OnEchoReset() { ShowEchoes(kResetColour); }
