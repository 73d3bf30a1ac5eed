#include "mainwnd/AboutDlg.h"

#include <QEvent>
#include <QObject>

#include "core/VarnoLogger_KVXApp.h"
#include "res/Icons.h"
#include "res/Resource.h"

namespace {

constexpr char kNoBreakSpace = '\xA0';

class ActivationFilter : public QObject {
public:
    ActivationFilter(QObject* parent, CAboutDlg& dialog) : QObject(parent), m_dialog(dialog) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::ActivationChange)
            m_dialog.OnActivate();
        return false;
    }

private:
    CAboutDlg& m_dialog;
};

}  // namespace

CAboutDlg::CAboutDlg(CWnd* parent) : CDialog(IDD_ABOUTBOX, parent), m_hIcon(LoadIconById(IDR_MAINFRAME, 32)) {}

void CAboutDlg::DoDataExchange(CDataExchange* dx)
{
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_ABOUT_OS, m_stOS);
    DDX_Control(dx, IDC_ABOUT_SERIAL, m_stSerial);
    DDX_Control(dx, IDC_ABOUT_VERSION, m_stVersion);
    DDX_Control(dx, IDC_ABOUT_NOTICE, m_stNotice);
    DDX_Control(dx, IDC_ABOUT_ICON, m_stIcon);
}

BOOL CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_stIcon.SetIcon(m_hIcon);
    // Filled now as well: a desktop may show the box without activating it.
    FillTexts();
    GetSafeHwnd()->installEventFilter(new ActivationFilter(GetSafeHwnd(), *this));
    return TRUE;
}

void CAboutDlg::OnActivate() { FillTexts(); }

void CAboutDlg::FillTexts()
{
    m_stOS.SetWindowText("OS: " + theApp.GetOSVersionString());
    if (theApp.m_strLoggerDescription.empty())
        m_stSerial.SetWindowText("No device in USB");
    else
        m_stSerial.SetWindowText("Logger S/N : " + theApp.m_strLoggerSerial);
    m_stVersion.SetWindowText(std::string("KVX version") + kNoBreakSpace + g_strVersion);
    m_stNotice.SetWindowText(g_strNotice);
}
