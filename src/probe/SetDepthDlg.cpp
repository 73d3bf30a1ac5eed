#include "probe/SetDepthDlg.h"

#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "probe/AcqDialogHost.h"
#include "res/Resource.h"

CPSetDepthDlg::CPSetDepthDlg(IAcqDialogHost& host, CWnd* parent)
    : CDialogExt(IDD_SET_DEPTH, parent), m_host(host), m_hIcon(LoadIconById(IDI_SET_DEPTH, 32))
{
}

void CPSetDepthDlg::DoDataExchange(CDataExchange* dx)
{
    CDialogExt::DoDataExchange(dx);
    DDX_Control(dx, IDC_SET_DEPTH_ICON, m_stIcon);
}

BOOL CPSetDepthDlg::OnInitDialog()
{
    CDialogExt::OnInitDialog();
    m_stIcon.SetIcon(m_hIcon);
    SetDlgItemDouble(IDC_SET_DEPTH_EDIT, 0.0, 2, false);
    GetDlgItem(IDC_SET_DEPTH_EDIT)->SetFocus();
    return TRUE;
}

void CPSetDepthDlg::OnOK()
{
    double depth = 0.0;
    // A text that is no number has been reported: the probe is not sent a
    // depth nobody typed, and the operator may correct it.
    if (!GetDlgItemDouble(IDC_SET_DEPTH_EDIT, &depth))
        return;
    // The probe is told the depth of its own reference point; the tool length is in cm.
    theApp.m_pLoggerSettings->setDepth = depth + theApp.m_pToolRecord->SondeLength / 100.0;
    m_host.SendDepthFrame();
    CDialogExt::OnOK();
}
