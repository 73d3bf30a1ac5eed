#include "probe/AlertDlg.h"

#include "platform/UiThread.h"
#include "res/Resource.h"

namespace {

struct Alarm {
    int code;
    const char* caption;
    const char* message;
};

// Codes 0 (encoder error) and 1 (low battery) come from the packet decoders;
// the consign errors have no sender yet.
constexpr Alarm kAlarms[] = {
    {0, "Invalid Depth !!!", "Encoder Error"},
    {1, "Low Battery.", "Low battery / Power Failure !!!"},
    {2, "Consign error !!!", "Uphole data communication receiver consign error !!!"},
    {4, "Consign error !!!", "Downhole communication data drive consign error !!!"},
    {8, "Consign error !!!", "Depth/Time interval consigne error !!!"},
};

const Alarm* FindAlarm(int code)
{
    for (const Alarm& alarm : kAlarms) {
        if (alarm.code == code)
            return &alarm;
    }
    return nullptr;
}

}  // namespace

CAlertDlg::CAlertDlg() : CDialogExt(IDD_ALERT, nullptr), m_hIcon(LoadIconById(IDI_ALERT, 32)) {}

BOOL CAlertDlg::OnInitDialog()
{
    CDialogExt::OnInitDialog();
    m_stIcon.Attach(GetDlgItem(IDC_ALERT_ICON)->GetSafeHwnd());
    m_stIcon.SetIcon(m_hIcon);
    m_font.CreateFont(12, FW_BOLD, "MS Shell Dlg");
    m_stMessage.Attach(GetDlgItem(IDC_ALERT_TEXT)->GetSafeHwnd());
    m_stMessage.SetTextColor(RGB(255, 0, 0));
    m_stMessage.SetFont(&m_font);
    SetAlert(0);
    return FALSE;
}

void CAlertDlg::SetAlert(int code)
{
    const Alarm* alarm = FindAlarm(code);
    if (alarm == nullptr)
        return;
    SetWindowText(alarm->caption);
    m_stMessage.SetWindowText(alarm->message);
}

void CAlertDlg::ShowAlert(int code)
{
    m_nPendingCode = code;
    PostOnce(m_bShowPending, GetSafeHwnd(), [this] {
        SetAlert(m_nPendingCode);
        ShowWindow(SW_SHOW);
    });
}
