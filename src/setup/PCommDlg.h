#pragma once
// The "Communication" page of the Logger Setup sheet: the cable link's drive
// and gain, their echo check, the reply status LEDs, and the auto check.
#include <atomic>

#include "platform/CommonControls.h"
#include "toolkit/DialogExt.h"

struct RunState;
struct ProbeStatus;
struct LoggerSettings;
struct FrameState;

// What the page and its auto check ask of the program around them.
class ICommPageHost {
public:
    virtual ~ICommPageHost() = default;
    virtual bool SendCommFrame() = 0;
    virtual bool SendRecordingModeFrame() = 0;
    // Stores the communication settings into the current tool file.
    virtual void SaveCommSettings() = 0;
    virtual void ClearToolsBoxUpdateFlag() = 0;
    // The sheet's pages show the settings again.
    virtual void RefreshPages() = 0;
};

class CPCommDlg : public CDialogExt {
public:
    static constexpr UINT_PTR kLedHoldTimer = 406;
    static constexpr UINT_PTR kAckTimer = 408;
    static constexpr UINT_PTR kSendTimer = 413;
    static constexpr UINT kModelChanged = 1658;
    static constexpr int kMaxAckRetries = 5;

    explicit CPCommDlg(CWnd* parent = nullptr);

    void SetHost(ICommPageHost* host) { m_pHost = host; }

    // Shows the drive and gain of LoggerSettings; also command 1658.
    void UpdateFromRecord();
    // The LEDs from the last reply's status; a bad status stays shown for a
    // second after the last bad reply. Any thread.
    void UpdateStatusLeds();

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnTimer(UINT_PTR id) override;
    void OnVScroll(UINT code, UINT pos, CScrollBar* bar) override;

    // The icon each LED shows, in the order of kLedIds.
    HICON LedIcon(int index) const { return m_ledIcons[index]; }
    static constexpr int kLedIds[7] = {1301, 1302, 1303, 1304, 1305, 1306, 1307};

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    void OnOK() override;

private:
    void StepOrTake(UINT code, bool drive);
    void CheckEdit(bool drive);
    void OnSet();
    void OnCheck();
    void ArmSendTimer();
    void ShowStatus(int status);
    void SetLed(int index, HICON icon);
    void Arm(UINT_PTR id, UINT milliseconds);
    void Disarm(UINT_PTR id);

    CStatic m_leds[7];
    HICON m_hGrey = nullptr, m_hRed = nullptr, m_hGreyValid = nullptr, m_hGreen = nullptr, m_hGreyUpdate = nullptr,
          m_hYellow = nullptr;
    HICON m_ledIcons[7] = {};
    CScrollBar m_spinDrive, m_spinGain;
    bool m_bHoldArmed = false;
    bool m_bSendArmed = false;
    int m_nAckRetry = 0;
    bool m_bSuppress = true;
    RunState* m_pRunState = nullptr;
    ProbeStatus* m_pProbeStatus = nullptr;
    LoggerSettings* m_pLoggerSettings = nullptr;
    FrameState* m_pFrameState = nullptr;
    ICommPageHost* m_pHost = nullptr;
    // A bad status seen by a worker since the last showing, -1 when none:
    // coalesced updates must not lose it.
    std::atomic<int> m_nUnshownBad{-1};
    std::atomic<bool> m_bLedsPosted{false};
};
