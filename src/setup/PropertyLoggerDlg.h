#pragma once
// The "Logger Setup" sheet: the winch, probe and communication pages on a
// tab control, their controls enabled by the link state while it is shown,
// its placement, and the page windows that other windows post commands to.
#include <QObject>
#include <QPointer>

#include "platform/CommonControls.h"
#include "platform/Dialog.h"
#include "setup/PCommDlg.h"
#include "setup/PProbeDlg.h"
#include "setup/PWinchDlg.h"

// What the sheet's pages ask of the program around them.
class ISetupSheetHost : public IWinchPageHost, public IProbePageHost, public ICommPageHost {};

// Which page controls are enabled in one link state.
struct SetupEnables {
    bool winch;
    bool probeVoltage;    // the voltage edit, its spin and "&Set"
    bool probeIntervals;  // the interval edits and their spins
    bool comm;
};
SetupEnables SetupEnablesFor(bool sondePowered, bool recording);

class CPropertyLoggerDlg : public CDialog {
public:
    static constexpr UINT_PTR kRefreshTimer = 404;
    static constexpr UINT kRefreshMs = 250;
    enum Tab : int { kWinchTab = 0, kProbeTab = 1, kCommTab = 2 };

    CPropertyLoggerDlg();
    ~CPropertyLoggerDlg() override;

    // Before Create: the pages send, save and refresh through it.
    void SetHost(ISetupSheetHost* host);

    BOOL RefreshPages();
    // Any thread: the communication page's LEDs.
    void UpdateCommunication();
    void CreateTabs();
    void RestorePlacement();
    // Keeps the placement in its slot of the store, as closing the sheet does.
    void StorePlacement();

    CPWinchDlg& WinchPage() { return m_WinchDlg; }
    CPProbeDlg& ProbePage() { return m_ProbeDlg; }
    CPCommDlg& CommPage() { return m_CommDlg; }
    CTabCtrl& Tabs() { return m_Tab; }
    CDialog* CurrentPage() const { return m_pCurrentPage; }

    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void OnTimer(UINT_PTR id) override;
    // Enter goes to the page of the selected tab; the sheet stays.
    void OnOK() override;
    // Escape or the close box: the placement is kept and the sheet hidden.
    void OnCancel() override;
    void OnShowWindow(bool show);

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;

private:
    void OnSelchangeTab();
    void ShowPage(int tab);
    void EnableControls();

    CPWinchDlg m_WinchDlg;
    CPCommDlg m_CommDlg;
    CPProbeDlg m_ProbeDlg;
    HICON m_hIcon;
    CTabCtrl m_Tab;
    CDialog* m_pCurrentPage = nullptr;
    UINT_PTR m_nTimer = 0;
    int m_nWidth = 0;
    int m_nHeight = 0;
    QPointer<QObject> m_pShowFilter;
};
