#pragma once
// Sets the depth that the logger counts from. Run modally.
#include "res/Icons.h"
#include "toolkit/DialogExt.h"

class IAcqDialogHost;

class CPSetDepthDlg : public CDialogExt {
public:
    CPSetDepthDlg(IAcqDialogHost& host, CWnd* parent = nullptr);

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    void OnOK() override;

private:
    IAcqDialogHost& m_host;
    CStatic m_stIcon;
    HICON m_hIcon;
};
