#pragma once
// The alarm box that the packet decoders raise: created hidden once, shown
// again with new texts on each alarm, hidden by "&OK".
#include <atomic>

#include "toolkit/ColorStaticST.h"
#include "res/Icons.h"
#include "toolkit/DialogExt.h"

class CAlertDlg : public CDialogExt {
public:
    CAlertDlg();

    // Caption and message of an alarm code; any other code changes nothing.
    // User-interface thread.
    void SetAlert(int code);
    // SetAlert, then shows the box. Any thread: a worker's call is carried to
    // the user-interface thread, at most one waiting whatever the alarm rate;
    // the latest code wins.
    void ShowAlert(int code);

protected:
    BOOL OnInitDialog() override;

private:
    CColorStaticST m_stMessage;
    CStatic m_stIcon;
    CFont m_font;
    HICON m_hIcon;
    std::atomic<int> m_nPendingCode{0};
    std::atomic<bool> m_bShowPending{false};
};
