#pragma once
// The "Winch" page of the Logger Setup sheet: encoder direction and
// resolution, wheel circumference and cable type; checked, saved, sent to
// the probe and confirmed by its echo.
#include "platform/CommonControls.h"
#include "toolkit/DialogExt.h"

struct LoggerSettings;
struct ProbeStatus;

// What the winch page asks of the program around it.
class IWinchPageHost {
public:
    virtual ~IWinchPageHost() = default;
    virtual bool SendSettingsFrame() = 0;
    // Stores the winch settings into Zarkv.cfg.
    virtual void SaveWinch() = 0;
    virtual void ClearToolsBoxUpdateFlag() = 0;
};

// x = C / R * 3000 for a circumference C in mm and R pulses per turn.
double WheelX(double circumferenceMm, double pulses);
// Why a wheel and encoder pair is refused, x tested before y (pulses per
// 40 mm); null when accepted.
const char* WheelEncoderRefusal(double x, double y);

class CPWinchDlg : public CDialogExt {
public:
    static constexpr UINT_PTR kSaveTimer = 416;
    static constexpr UINT_PTR kSendTimer = 413;
    static constexpr UINT_PTR kAckTimer = 408;
    static constexpr UINT kSaveDelayMs = 100;
    static constexpr UINT kSendDelayMs = 50;
    static constexpr UINT kAckDelayMs = 1000;
    static constexpr UINT kAckPollMs = 350;
    static constexpr int kMaxResends = 5;

    explicit CPWinchDlg(CWnd* sheet = nullptr);

    void SetHost(IWinchPageHost* host) { m_pHost = host; }

    BOOL UpdateFromRecord();
    void FillCableTypes();
    int RetryCount() const { return m_nRetries; }

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnTimer(UINT_PTR id) override;
    void OnVScroll(UINT code, UINT pos, CScrollBar* bar) override;
    // Enter: the focus goes from an edit to its spin, which runs the edit's check.
    void OnOK() override;
    // Escape closes the sheet, not the page.
    void OnCancel() override;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;

private:
    void OnKillfocusCircumference();
    void OnKillfocusResolution();
    void OnNormal();
    void OnSelchangeCableType();
    void OnSet();
    void OnCircumferenceSpin(UINT code);
    void OnResolutionSpin(UINT code);
    void RestoreCircumference();
    void RestoreResolution();
    // The stored resolution as the edit shows it.
    int ShownResolution() const;
    void StoreRate(double y);
    void ArmTimersAfterChange();
    void CheckEcho();
    bool EchoIsGood() const;
    void Kill(UINT_PTR& handle);

    CWnd* m_pSheet;
    CScrollBar m_spinResolution;
    CScrollBar m_spinCircumference;
    CButton m_btnSet;
    CComboBox m_cbCableType;
    bool m_bSuppress = true;
    UINT_PTR m_nSaveTimer = 0;
    UINT_PTR m_nSendTimer = 0;
    UINT_PTR m_nAckTimer = 0;
    int m_nRetries = 0;
    LoggerSettings* m_pSettings = nullptr;
    ProbeStatus* m_pStatus = nullptr;
    IWinchPageHost* m_pHost = nullptr;
};
