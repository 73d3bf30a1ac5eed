#pragma once
// The "Communication" page of the Logger Setup sheet: the cable link's drive
// and gain, their echo check, the reply status LEDs, and the auto check.
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

    explicit CPCommDlg(CWnd* parent = nullptr);

    void SetHost(ICommPageHost* host) { m_pHost = host; }

    // Shows the drive and gain of LoggerSettings; also command 1658.
    void UpdateFromRecord();
    // The LEDs from the last reply's status.
    void UpdateStatusLeds();

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnTimer(UINT_PTR id) override;
    void OnVScroll(UINT code, UINT pos, CScrollBar* bar) override;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    ICommPageHost* m_pHost = nullptr;
};
