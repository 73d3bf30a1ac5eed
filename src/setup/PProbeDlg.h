#pragma once
// The "Probe" page of the Logger Setup sheet: the sonde's supply voltage and
// its time and depth sampling intervals; checked, written to the tool file,
// sent to the probe, with the interval that the probe echoes.
#include "platform/CommonControls.h"
#include "toolkit/ColorStaticST.h"
#include "toolkit/DialogExt.h"

struct LoggerSettings;
struct ProbeStatus;
struct RunState;
struct ProbeField;

// What the probe page asks of the program around it.
class IProbePageHost {
public:
    virtual ~IProbePageHost() = default;
    virtual bool SendSettingsFrame() = 0;
    virtual bool SendRecordingModeFrame() = 0;
};

class CPProbeDlg : public CDialogExt {
public:
    static constexpr UINT_PTR kSaveTimer = 416;
    static constexpr UINT_PTR kSendTimer = 413;
    static constexpr UINT kSaveDelayMs = 100;
    static constexpr UINT kSendDelayMs = 64;
    static constexpr int kMaxBusyRetries = 50;
    // Commands that other windows send to the page.
    static constexpr UINT kEchoReceived = 1655;
    static constexpr UINT kEchoReset = 1657;
    static constexpr UINT kModelChanged = 1658;
    static constexpr COLORREF kEchoColour = 0x0000FFFF;
    static constexpr COLORREF kResetColour = 0x00D3D0C9;

    explicit CPProbeDlg(CWnd* sheet = nullptr);

    void SetHost(IProbePageHost* host) { m_pHost = host; }

    BOOL UpdateFromRecord();
    CColorStaticST& TimeEcho() { return m_stTimeEcho; }
    CColorStaticST& DepthEcho() { return m_stDepthEcho; }
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
    void ShowStored(const ProbeField& field);
    // The stored value as the edit shows it.
    int Shown(const ProbeField& field) const;
    void OnKillfocus(const ProbeField& field);
    void OnSet();
    void OnEchoReceived();
    void OnEchoReset();
    void ShowEchoes(COLORREF background);
    void ArmSaveAndSend();
    void SaveToToolFile();
    void Send();

    CWnd* m_pSheet;
    CButton m_btnSet;
    CScrollBar m_spinVoltage;
    CScrollBar m_spinTime;
    CScrollBar m_spinDepth;
    bool m_bSuppress = true;
    UINT_PTR m_nSaveTimer = 0;
    UINT_PTR m_nSendTimer = 0;
    int m_nRetries = 0;
    CColorStaticST m_stTimeEcho;
    CColorStaticST m_stDepthEcho;
    LoggerSettings* m_pSettings = nullptr;
    RunState* m_pRunState = nullptr;
    ProbeStatus* m_pStatus = nullptr;
    IProbePageHost* m_pHost = nullptr;
};
