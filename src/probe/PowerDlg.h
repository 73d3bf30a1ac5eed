#pragma once
// The probe control bar: sonde power with its orders and their check, the
// record, the file player with its replay thread, the supply read-outs, the
// packet counts and the status line.
#include <atomic>
#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "platform/CommonControls.h"
#include "platform/Thread.h"
#include "toolkit/ColorStaticST.h"
#include "toolkit/DialogExt.h"
#include "toolkit/GraphicCounterCtrl.h"

struct RunState;
struct LiveReadout;
struct ProbeStatus;
struct RecordingModeFrame;
struct FrameState;
struct LoggerSettings;

// What the panel asks of the main window that owns it.
class IPowerPanelHost {
public:
    virtual ~IPowerPanelHost() = default;
    virtual bool SendRecordingModeFrame() = 0;
    virtual bool SendChannelFrame() = 0;
    virtual void ResetAcquisition(bool full) = 0;
    virtual void ResetAutoPrint() = 0;
    virtual void SetStatusBarText(int part, const std::string& text) = 0;
    // A command for a window of the main window (101, 133, 150, 505).
    virtual void SendCommand(int id) = 0;
    // Curve settings from the tool record, origin at depth for a logging-mode code.
    virtual void ResetCurveOrigin(double depth, double toolLength, int modeCode) = 0;
    // Reads the record at the replay position and processes it; false at the end of the file.
    virtual bool ReplayNextRecord() = 0;
    // The depth panel's scale combo shows the tool's scale again.
    virtual void SelectCurrentScale() = 0;
    // The menu items and the depth panel's sonde selector that follow the
    // link, the power, the record and the replay.
    virtual void EnableMenuItem(int id, bool enabled) = 0;
    virtual void EnableSondeSelector(bool enabled) = 0;
};

// How fast the file player goes at one trackbar position.
struct ReplayPace {
    std::int64_t dueTime;  // 100-ns units, negative: relative to now
    int recordsPerTick;
};
ReplayPace ReplayPaceFor(int position, int rangeMax, int scale);

// The status line for a reply status, before the alarms that override it.
struct StatusLine {
    std::string text;
    int level;  // 0 plain, 1 blue, 2 red text, 3 white on red
};
StatusLine StatusLineFor(int replyStatus, bool overrun);

class CPowerDlg : public CDialogExt {
public:
    static constexpr UINT_PTR kRefreshTimer = 402;
    static constexpr UINT_PTR kPowerOnTimer = 403;
    static constexpr UINT_PTR kRepaintTimer = 404;
    static constexpr UINT_PTR kStatusHoldTimer = 405;
    static constexpr UINT_PTR kPowerOffTimer = 414;
    static constexpr int kMaxOrderTries = 10;
    static constexpr UINT kReplayEnded = 100;
    static constexpr UINT kReplayTimerFailed = 102;

    CPowerDlg();
    ~CPowerDlg() override;

    void SetHost(IPowerPanelHost* host) { m_pHost = host; }

    // These two may be called from any thread: a worker's calls are carried
    // to the user-interface thread, at most one waiting at a time.
    void UpdateValues();
    void UpdateStatusText();
    void StartRecording();
    void StopRecording();
    void SetReplayButtons();
    void DisablePlayerButtons();
    void InitToolTips();
    void StartRepaintTimer();
    void OnPowerButton();
    // The power-off order for a sonde that the recording-mode frame just sent
    // has powered, whatever the probe has reported since.
    void PowerOffAfterModeFrame();
    static UINT ReplayThreadProc(CPowerDlg* panel);

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnTimer(UINT_PTR id) override;
    void OnClose() override;
    void OnSize(int width, int height) override;

    bool IsSondeOn() const { return m_bSondeOn; }
    bool IsOrderPending() const { return m_bOrderPending; }
    std::string StatusText() const { return m_strStatus; }
    int StatusLevel() const { return m_nStatusLevel; }
    CGraphicCounterCtrl& VoltageReadout() { return m_Voltage; }
    CGraphicCounterCtrl& CurrentReadout() { return m_Current; }
    CSliderCtrl& SpeedSlider() { return m_SliderSpeed; }
    // True when no replay thread runs or it ended within the time.
    bool WaitForReplayEnd(DWORD milliseconds);

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    // Escape does not close the bar.
    void OnCancel() override {}

private:
    enum PendingUpdate : int { kValues = 1, kStatusText = 2 };

    void PostUpdate(int what);
    void OnStop();
    void OnPlay();
    void OnPause();
    // Ends a running record as the pause button does.
    void PauseRecord();
    void EndRecordIfSondeOff(int linkStatus);
    void TellHeaderWriteFailure();
    void OnReset();
    // From the replay thread: the file played to its end.
    void PrintReplayEnd();
    void OnPowerOnOrder();
    void OnPowerOffOrder();
    void OnRefresh();
    void RefreshPowerButton(int linkStatus);
    void RefreshMenusAndSelector(int linkStatus);
    void RefreshRecordDisplay();
    void CheckAlarmBlink();
    void SetStatusLine(const std::string& text, int level);
    void RefuseOrder(const char* text);
    void CreateReadout(CGraphicCounterCtrl& readout, int placeId, bool alarm);
    void Arm(UINT_PTR id, UINT milliseconds);
    void Disarm(UINT_PTR id);
    bool Armed(UINT_PTR id) const { return m_armed.count(id) != 0; }

    CIconButton m_btnPower, m_btnCurves, m_btnTools, m_btnStop, m_btnPlay, m_btnRecord, m_btnReset, m_btnPause,
        m_btnSetup;
    CColorStaticST m_stCaption, m_stStatus;
    HICON m_hPowerOn, m_hPowerOff, m_hRecord, m_hRecordBlink, m_hStop, m_hPause, m_hPlay, m_hPlayBlink,
        m_hPowerOffBlink, m_hPowerOnBlink, m_hRecordStop;
    CSliderCtrl m_SliderSpeed;
    COLORREF m_crBlack, m_crYellow, m_crRed, m_crStatusBk;
    int m_nBlink = 0;
    bool m_bOrderPending = false;
    std::set<UINT_PTR> m_armed;
    int m_nRetry = 0;
    bool m_bSondeOn = false;
    bool m_bPowerSwitching = false;
    // Set when a record ended with a header that could not be written.
    bool m_bHeaderWriteFailed = false;
    bool m_bAlarmBlink = false;
    bool m_bRecordBlink = false;
    CFont m_fontLarge, m_fontSmall;
    RunState* m_pRunState = nullptr;
    LiveReadout* m_pLiveReadout = nullptr;
    ProbeStatus* m_pProbeStatus = nullptr;
    RecordingModeFrame* m_pRecordingModeFrame = nullptr;
    FrameState* m_pFrameState = nullptr;
    LoggerSettings* m_pLoggerSettings = nullptr;
    CGraphicCounterCtrl m_Voltage, m_Current, m_RecordTime, m_ValidCount, m_ErrorCount;

    IPowerPanelHost* m_pHost = nullptr;
    std::string m_strStatus;
    int m_nStatusLevel = 0;
    std::atomic<int> m_nPendingUpdates{0};
    std::atomic<bool> m_bUpdatePosted{false};
    std::shared_ptr<CWinThread> m_pReplayThread;
};
