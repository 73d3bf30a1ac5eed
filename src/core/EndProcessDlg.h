#pragma once
#include <string>

#include "platform/Dialog.h"

// The shutdown window: shown while the program stops its threads.
class CEndProcessDlg : public CDialog {
public:
    explicit CEndProcessDlg(CWnd* parent = nullptr);

    void SetMessage(const std::string& text);
    std::string GetMessage() const { return m_stMessage.GetWindowText(); }
    BOOL Create();

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;

private:
    CStatic m_stMessage;
    CFont m_font;
};
