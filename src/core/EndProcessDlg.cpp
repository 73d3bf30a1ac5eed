#include "core/EndProcessDlg.h"

#include "res/Resource.h"

CEndProcessDlg::CEndProcessDlg(CWnd* parent) : CDialog(IDD_END_PROCESS, parent) {}

BOOL CEndProcessDlg::Create() { return CDialog::Create(IDD_END_PROCESS, nullptr); }

void CEndProcessDlg::DoDataExchange(CDataExchange* dx) { DDX_Control(dx, IDC_END_MESSAGE, m_stMessage); }

BOOL CEndProcessDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_font.CreateFont(20, FW_LIGHT, "Arial");
    m_stMessage.SetFont(&m_font, true);
    m_stMessage.SetWindowText("Shutdown ... wait");
    return TRUE;
}

void CEndProcessDlg::SetMessage(const std::string& text) { m_stMessage.SetWindowText(text); }
