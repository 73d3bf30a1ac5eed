#pragma once
// The about box: version, rights notice, operating system and the serial
// number of the logger on the USB link. Run modally from the system menu.
#include "platform/Dialog.h"

class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(CWnd* parent = nullptr);

    // Refreshes the texts, as at creation; runs on every change of activation,
    // so a logger found while the box is open shows once it is active again.
    void OnActivate();

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;

private:
    void FillTexts();

    CStatic m_stOS;
    CStatic m_stSerial;
    CStatic m_stVersion;
    CStatic m_stNotice;
    CStatic m_stIcon;
    HICON m_hIcon;
};
