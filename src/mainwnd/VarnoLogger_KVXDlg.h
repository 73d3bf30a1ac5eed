#pragma once
#include <atomic>

#include "core/Preferences.h"
#include "display/ScopeTrack.h"
#include "platform/Dialog.h"
#include "platform/StatusBar.h"
#include "probe/PowerDlg.h"
#include "probe/ToolsStream.h"
#include "probe/USB.h"

struct DataPacket;
struct LogRecord;

// The main window. For now it holds the configuration store, the USB link,
// the status bar, the probe control panel, the curve tracks and the start-up
// and close sequence; the other component windows join it as they are built.
class CVarnoLogger_KVXDlg : public CDialog, public IPowerPanelHost {
public:
    explicit CVarnoLogger_KVXDlg(CWnd* parent);

    // The command dispatcher; other windows call it with the ids of the
    // windows they ask for.
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

    // The close check: false keeps the program running.
    bool CanClose();

    CStatusBarCtrl& StatusBar() { return m_StatusBar; }

    // Refreshes the probe panel and the setup sheet after a reply or a link
    // event; called from the USB threads. The panels join in later.
    void UpdateStatusPanel(bool skipValues);
    // Raises the alarm box; until it exists the alarm is only counted.
    void ShowAlert(int code);
    int LastAlert() const { return m_nLastAlert; }

    // Sample processing of one live step (reader thread) or one replayed
    // record (replay or user-interface thread).
    void ProcessLiveFrame(const DataPacket& packet);
    void ProcessRecord(const LogRecord& record);
    // Clears the curves and the last values; with full, also rewinds the
    // file player's depth and the time axis and reloads the tool.
    void ResetAcquisition(bool full) override;
    // The data file stopped taking records: ends the record and says so.
    void OnDataFileWriteFailed();
    // The link is lost: a powered sonde is switched off. Any thread.
    void SwitchSondeOff();

    // What the probe control panel asks of the main window.
    bool SendRecordingModeFrame() override { return m_Usb.SendRecordingModeFrame(); }
    bool SendChannelFrame() override { return m_Usb.SendChannelFrame(); }
    void ResetAutoPrint() override;
    void SetStatusBarText(int part, const std::string& text) override { m_StatusBar.SetText(part, text); }
    void SendCommand(int id) override { OnCommand(WPARAM(id), 0); }
    void ResetCurveOrigin(double depth, double toolLength, int modeCode) override;
    bool ReplayNextRecord() override;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override {}
    // Escape never closes the main window.
    void OnCancel() override {}
    void OnClose() override;
    void OnSize(int width, int height) override;
    void OnTimer(UINT_PTR id) override;

public:
    CPreferences m_Preferences;
    CStatusBarCtrl m_StatusBar;
    // The curves, the decoder and the panel outlive the replay thread (ended
    // by the panel) and the reader thread (ended by m_Usb): declared before both.
    CScopeTrack m_ScopeTrack;
    CToolsStream m_ToolsStream;
    CPowerDlg m_PowerDlg;
    CUSB m_Usb;

private:
    void SetStatusParts();
    void LayOutPanels();
    void OnNewLog();

    // Hand-over points to the windows that join later, one per window.
    void HandToCurveTracks(const double (&raw)[6], double depth, int modeCode, int step, bool startRefresh);
    void HandToToolsBox();
    void NotifyProbePage(UINT command);
    void HandToPowerDlgStopRecording();

    HICON m_hIcon;
    HICON m_hIconSondeOn, m_hIconSondeOff;
    HICON m_hIconRxIdle, m_hIconRxActive;
    HICON m_hIconTxIdle, m_hIconTxActive;
    UINT_PTR m_nStatusTimer = 0;
    int m_nBlink = 0;
    std::atomic<int> m_nLastAlert{0};
    // Read by sample processing on worker threads, which must not ask the window.
    std::atomic<bool> m_bMinimised{false};
    // The panel and the curves exist: the worker threads may hand them samples.
    std::atomic<bool> m_bPanelsCreated{false};
    std::atomic<bool> m_bSwitchOffPending{false};
};
