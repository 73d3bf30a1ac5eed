#pragma once
// A resizable window with one large value of the tools box.
#include <string>

#include "platform/CommonControls.h"
#include "toolkit/ColorStaticST.h"
#include "toolkit/GraphicCounterCtrl.h"
#include "toolkit/ResizableDialog.h"

// A value truncated toward zero for "%d": out-of-range values are held at
// the int limits and a value that is not a number gives 0.
int TruncatedValue(double value);
// The read-out's format for a calibrated value with decimals > 0: "%###.2f" for 2.
std::string BigDataFormat(int decimals);

class CBigData : public CResizableDialog {
public:
    static constexpr int kFastRefreshCode = 7;
    static constexpr int kSlowRefreshCode = 5;

    CBigData();

    void SetIndex(int index) { m_nIndex = index; }
    int Index() const { return m_nIndex; }

    void SetTitle(const std::string& text, bool reset);
    std::string Title() const { return m_strTitle; }
    // Any thread: the read-out keeps the latest and draws on its own timer.
    void SetValue(int value);
    void SetValue(double value, int decimals);
    // At placement 1 + index when it is valid, else where it is.
    void ShowAtStoredPlacement();
    // Stores the placement under the index, then closes.
    void OnCancel() override;
    // Enter closes the window as Escape does.
    void OnOK() override { OnCancel(); }

    CGraphicCounterCtrl& Readout() { return m_Readout; }
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

protected:
    BOOL OnInitDialog() override;
    void OnSize(int width, int height) override;
    void DoDataExchange(CDataExchange* dx) override;

private:
    CColorStaticST m_stTitle;
    CButton m_chkFastUpdate;
    CGraphicCounterCtrl m_Readout;
    CFont m_fontTitle;
    std::string m_strTitle;
    int m_nIndex = 0;
};
