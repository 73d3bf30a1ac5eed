#include "setup/PropertyLoggerDlg.h"

#include <QEvent>
#include <QIcon>
#include <QWidget>

#include "core/RunState.h"
#include "core/Settings.h"
#include "core/VarnoLogger_KVXApp.h"
#include "platform/FramePosition.h"
#include "platform/Placement.h"
#include "res/Icons.h"
#include "res/Resource.h"

namespace {

// Where the pages lie inside the sheet, in dialog units.
constexpr int kPageX = 11;
constexpr int kPageY = 20;
// Without a stored placement the sheet opens this far into the main window.
constexpr LONG kBesideMainLeft = 20;
constexpr LONG kBelowMainTop = 170;

constexpr int kWinchControls[] = {IDC_WINCH_NORMAL,         IDC_WINCH_RESOLUTION, IDC_WINCH_RESOLUTION_SPIN,
                                  IDC_WINCH_CIRCUMFERENCE,  IDC_WINCH_CIRCUMFERENCE_SPIN,
                                  IDC_WINCH_CABLE_TYPE,     IDC_PAGE_SET};
constexpr int kProbeVoltageControls[] = {IDC_PROBE_VOLTAGE, IDC_PROBE_VOLTAGE_SPIN, IDC_PAGE_SET};
constexpr int kProbeIntervalControls[] = {IDC_PROBE_TIME, IDC_PROBE_DEPTH, IDC_PROBE_TIME_SPIN,
                                          IDC_PROBE_DEPTH_SPIN};
// The communication page's drive and gain edits and spins, its "&Set" and its auto check.
constexpr int kCommControls[] = {1211, 1443, 1213, 1446, 1182, 1183};

template <size_t N>
void EnableIds(CWnd& page, const int (&ids)[N], bool enable)
{
    for (int id : ids)
        if (CWnd* control = page.GetDlgItem(id))
            control->EnableWindow(enable);
}

// WM_SHOWWINDOW of the sheet: the program's own showing and hiding.
class ShowFilter : public QObject {
public:
    ShowFilter(QWidget* window, CPropertyLoggerDlg* sheet) : QObject(window), m_sheet(sheet)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (!event->spontaneous() && (event->type() == QEvent::Show || event->type() == QEvent::Hide))
            m_sheet->OnShowWindow(event->type() == QEvent::Show);
        return false;
    }

private:
    CPropertyLoggerDlg* m_sheet;
};

}  // namespace

SetupEnables SetupEnablesFor(bool sondePowered, bool recording)
{
    if (!sondePowered)
        return {true, true, true, false};
    if (!recording)
        return {false, true, true, true};
    return {false, true, false, false};
}

CPropertyLoggerDlg::CPropertyLoggerDlg()
    : CDialog(IDD_LOGGER_SETUP, nullptr),
      m_WinchDlg(this),
      m_CommDlg(this),
      m_ProbeDlg(this),
      m_hIcon(LoadIconById(IDB_LOGGER_SETUP, 32))
{
}

// Nothing may post to the pages any more, and the window's last hiding must
// not reach pages that are gone.
CPropertyLoggerDlg::~CPropertyLoggerDlg()
{
    SetSetupPageWindows(nullptr, nullptr);
    delete m_pShowFilter;
}

void CPropertyLoggerDlg::SetHost(ISetupSheetHost* host)
{
    m_WinchDlg.SetHost(host);
    m_ProbeDlg.SetHost(host);
    m_CommDlg.SetHost(host);
}

void CPropertyLoggerDlg::DoDataExchange(CDataExchange* dx) { DDX_Control(dx, IDC_SETUP_TAB, m_Tab); }

BOOL CPropertyLoggerDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    GetSafeHwnd()->setWindowIcon(QIcon(*m_hIcon));
    const RECT frame = GetWindowRect();
    m_nWidth = frame.right - frame.left;
    m_nHeight = frame.bottom - frame.top;
    SetWindowText("Logger Setup");

    const QSize base = BaseUnits();
    const LONG x = kPageX * base.width() / 4;
    const LONG y = kPageY * base.height() / 8;
    for (CDialog* page : {static_cast<CDialog*>(&m_WinchDlg), static_cast<CDialog*>(&m_ProbeDlg),
                          static_cast<CDialog*>(&m_CommDlg)}) {
        page->Create(page->TemplateId(), this);
        const RECT size = page->GetClientRect();
        page->MoveWindow(RECT{x, y, x + size.right, y + size.bottom});
    }
    SetSetupPageWindows(&m_ProbeDlg, &m_CommDlg);

    m_nTimer = 0;
    m_pCurrentPage = &m_WinchDlg;
    CreateTabs();
    m_WinchDlg.ShowWindow(SW_SHOW);
    m_pShowFilter = new ShowFilter(GetSafeHwnd(), this);
    return TRUE;
}

BOOL CPropertyLoggerDlg::RefreshPages()
{
    m_WinchDlg.UpdateFromRecord();
    m_CommDlg.UpdateFromRecord();
    m_ProbeDlg.UpdateFromRecord();
    return TRUE;
}

void CPropertyLoggerDlg::UpdateCommunication() { m_CommDlg.UpdateStatusLeds(); }

void CPropertyLoggerDlg::CreateTabs()
{
    if (!IsWindow())
        return;
    RestorePlacement();
    ShowPage(-1);
    m_Tab.DeleteAllItems();
    m_Tab.InsertItem(kWinchTab, "Winch");
    m_Tab.InsertItem(kProbeTab, "Probe");
    m_Tab.InsertItem(kCommTab, "Communication");
    m_WinchDlg.FillCableTypes();
    m_Tab.SetCurSel(kCommTab);
    ShowPage(kCommTab);
}

// Hides the three pages and shows the one of this tab, which becomes current.
void CPropertyLoggerDlg::ShowPage(int tab)
{
    m_WinchDlg.ShowWindow(SW_HIDE);
    m_ProbeDlg.ShowWindow(SW_HIDE);
    m_CommDlg.ShowWindow(SW_HIDE);
    CDialog* pages[] = {&m_WinchDlg, &m_ProbeDlg, &m_CommDlg};
    if (tab < kWinchTab || tab > kCommTab)
        return;
    pages[tab]->ShowWindow(SW_SHOW);
    m_pCurrentPage = pages[tab];
}

BOOL CPropertyLoggerDlg::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->idFrom != IDC_SETUP_TAB || header->code != TCN_SELCHANGE)
        return CDialog::OnNotify(wParam, lParam, result);
    OnSelchangeTab();
    *result = 0;
    return TRUE;
}

void CPropertyLoggerDlg::OnSelchangeTab()
{
    const int tab = m_Tab.GetCurSel();
    if (tab >= kWinchTab && tab <= kCommTab)
        ShowPage(tab);
}

void CPropertyLoggerDlg::OnOK()
{
    switch (m_Tab.GetCurSel()) {
    case kWinchTab: m_WinchDlg.OnOK(); break;
    case kProbeTab: m_ProbeDlg.OnOK(); break;
    case kCommTab: m_CommDlg.OnCommand(IDOK, 0); break;
    default: break;
    }
}

void CPropertyLoggerDlg::OnCancel()
{
    StorePlacement();
    CDialog::OnCancel();
}

void CPropertyLoggerDlg::StorePlacement()
{
    theApp.m_pPlacementStore->placements[kPlacementLoggerSetup] = GetWindowPlacement(*this);
}

void CPropertyLoggerDlg::RestorePlacement()
{
    if (!IsWindowVisible())
        return;
    if (SetWindowPlacement(*this, theApp.m_pPlacementStore->placements[kPlacementLoggerSetup]))
        return;
    const RECT main = theApp.m_rcMainWindow;
    MoveFrameTo(*this, main.left + kBesideMainLeft, main.top + kBelowMainTop);
}

void CPropertyLoggerDlg::OnShowWindow(bool show)
{
    theApp.m_pRunState->loggerSetupVisible = show ? 1 : 0;
    if (show)
        m_nTimer = SetTimer(kRefreshTimer, kRefreshMs);
    RefreshPages();
}

void CPropertyLoggerDlg::OnTimer(UINT_PTR id)
{
    if (id != kRefreshTimer) {
        CDialog::OnTimer(id);
        return;
    }
    KillTimer(kRefreshTimer);
    m_nTimer = 0;
    if (!IsWindowVisible())
        return;
    EnableControls();
    if (theApp.m_pRunState->loggerSetupVisible)
        m_nTimer = SetTimer(kRefreshTimer, kRefreshMs);
}

void CPropertyLoggerDlg::EnableControls()
{
    const SetupEnables enables = SetupEnablesFor(theApp.m_bSondePowered != 0, theApp.m_pRunState->recording == 1);
    EnableIds(m_WinchDlg, kWinchControls, enables.winch);
    EnableIds(m_ProbeDlg, kProbeIntervalControls, enables.probeIntervals);
    EnableIds(m_ProbeDlg, kProbeVoltageControls, enables.probeVoltage);
    EnableIds(m_CommDlg, kCommControls, enables.comm);
}
