#pragma once
#include <atomic>
#include <memory>

#include "core/Preferences.h"
#include "display/DephtDlg.h"
#include "display/ScopeTrack.h"
#include "display/ToolsProbeDlg.h"
#include "header/Header.h"
#include "probe/AcqDialogHost.h"
#include "probe/AlertDlg.h"
#include "platform/Menu.h"
#include "platform/StatusBar.h"
#include "probe/AcquisitionHost.h"
#include "probe/PowerDlg.h"
#include "probe/ToolsStream.h"
#include "probe/USB.h"
#include "setup/PSetChannelDlg.h"
#include "setup/PropertyLoggerDlg.h"
#include "toolkit/Picture.h"
#include "toolkit/ResizableDialog.h"

class QObject;
struct DataPacket;
struct LogRecord;

// The main window: owns the configuration store, the link, the panels and
// the curve tracks, runs the status bar, dispatches the commands, opens and
// names the log files and decides whether the program may end.
class CVarnoLogger_KVXDlg : public CResizableDialog,
                            public IPowerPanelHost,
                            public IAcquisitionHost,
                            public IAcqDialogHost,
                            public IDepthPanelHost,
                            public IToolsBoxHost,
                            public ISetupSheetHost {
public:
    explicit CVarnoLogger_KVXDlg(CWnd* parent);
    ~CVarnoLogger_KVXDlg() override;

    // What the application object runs modally.
    static std::unique_ptr<CDialog> CreateMainDialog();

    // The command dispatcher; other windows call it with the ids of the
    // windows they ask for.
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

    // The log-file commands and the close check.
    void OpenLogFile();
    bool NewLogFile();
    bool CanClose();
    // SIGTERM or SIGINT: the record stops, the sonde is switched off, and the
    // program ends as after the close check, without questions.
    void CloseOnSignal();

    CStatusBarCtrl& StatusBar() { return m_StatusBar; }

    // What the link and the decoder report; any thread.
    void SetStatusPartText(int part, const std::string& text) override { m_StatusBar.SetText(part, text); }
    void UpdateStatusPanel(bool skipValues) override;
    void ShowAlert(int code) override;
    int LastAlert() const { return m_nLastAlert; }
    void ProcessLiveFrame(const DataPacket& packet) override;
    void LiveStepStored() override;
    // The data file stopped taking records: ends the record and says so.
    void OnDataFileWriteFailed() override;
    // The link is lost: a powered sonde is switched off. Any thread.
    void SwitchSondeOff() override;

    // Sample processing of one replayed record (replay or user-interface thread).
    void ProcessRecord(const LogRecord& record);
    // Clears the curves and the last values; with full, also rewinds the
    // file player's depth and the time axis and reloads the tool.
    void ResetAcquisition(bool full) override;
    // Called by the tools box: the window to the top of the screen, at x = 0
    // or at its last left edge, on screens at least 601 pixels high.
    void MoveToLeftEdge(bool toZero) override;

    // What the depth panel asks of the main window.
    void ApplyCurveScale(int scale) override;
    void HideChannelSettings() override;
    void SaveWinch() override { m_Preferences.SaveWinch(); }
    void ReloadTool() override { m_Preferences.LoadTool(); }
    void RelabelToolsBox() override { m_ToolsProbeDlg.SetChannelLabels(false); }
    bool SendAuxCommandFrame() override { return m_Usb.SendAuxCommandFrame(); }
    IAcqDialogHost& AcqDialogHost() override { return *this; }

    // What the setup sheet's pages ask of the main window.
    bool SendSettingsFrame() override { return m_Usb.SendSettingsFrame(); }
    bool SendCommFrame() override { return m_Usb.SendCommFrame(); }
    void SaveCommSettings() override { m_Preferences.SaveTool(TRUE); }
    void ClearToolsBoxUpdateFlag() override { m_ToolsProbeDlg.ClearUpdateFlag(); }
    void RefreshPages() override { m_PropertyLoggerDlg.RefreshPages(); }

    // What the probe control panel asks of the main window.
    bool SendRecordingModeFrame() override { return m_Usb.SendRecordingModeFrame(); }
    bool SendChannelFrame() override { return m_Usb.SendChannelFrame(); }
    bool SendDepthFrame() override { return m_Usb.SendDepthFrame(); }
    void ResetAutoPrint() override;
    void SetStatusBarText(int part, const std::string& text) override { m_StatusBar.SetText(part, text); }
    void SendCommand(int id) override { OnCommand(WPARAM(id), 0); }
    void ResetCurveOrigin(double depth, double toolLength, int modeCode) override;
    bool ReplayNextRecord() override;
    void SelectCurrentScale() override { m_DephtDlg.SelectCurrentScale(); }
    void EnableMenuItem(int id, bool enabled) override;
    void EnableSondeSelector(bool enabled) override { m_DephtDlg.ModelCombo().EnableWindow(enabled); }

    // The state of a main-menu item.
    bool IsMenuItemEnabled(int id) const;
    bool IsMenuItemChecked(int id) const;
    bool PrintingAvailable() const { return m_bPrinterUsable; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override {}
    // Escape never closes the main window.
    void OnCancel() override {}
    void OnClose() override;
    void OnSize(int width, int height) override;
    void OnMove(int x, int y) override;
    void OnTimer(UINT_PTR id) override;
    void OnSysCommand(UINT id, LPARAM lParam) override;

public:
    CPreferences m_Preferences;
    CStatusBarCtrl m_StatusBar;
    CHeader m_Header;
    // The logo that the header editor's pages draw; empty without logo.jpg.
    CPicture m_Picture;
    // The curves, the decoder, the panels, the tools box and the setup sheet outlive the replay
    // thread (ended by the panel) and the reader thread (ended by m_Usb):
    // declared before both.
    CScopeTrack m_ScopeTrack;
    CToolsStream m_ToolsStream;
    CDephtDlg m_DephtDlg;
    CToolsProbeDlg m_ToolsProbeDlg;
    CPropertyLoggerDlg m_PropertyLoggerDlg;
    CPowerDlg m_PowerDlg;
    CUSB m_Usb;
    CAlertDlg m_AlertDlg;
    CPSetChannelDlg m_SetChannelDlg;

private:
    void SetStatusParts();
    void CreatePanels();
    void RefreshMenu();
    void ChoosePrinterAtStart();
    bool TryPrinter(const std::string& name);
    void OnNewLogCommand();
    void RecordNewLog();
    void OnOpenCommand();
    void OnExportCommand();
    void OnPrint();
    void OnAutoPrint();
    void OnSetPrinter();
    void CheckMenuItem(int id, bool checked);
    void StopWorkForClose();
    void CloseOwnedWindows();
    void EndOnClose();

    // The windows that join later, one named call each.
    void RunCalibration();
    void ImportSonde();
    void RemoveSonde();
    void SelectSonde(int index);
    void ShowLoggerSetup();
    void ShowToolsBox();
    void ShowDisplayOptions();
    void RunLasExport();
    bool RunHeaderEditor();
    bool WriteNewHeader();
    // The save dialog of "&New log." and what it stores; true when a file pair is chosen.
    bool ChooseNewLogFile();
    // True when its OK sent the recording-mode frame.
    bool RunRecordingModeDialog();
    void ShowAboutBox();

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
    bool m_bPrinterUsable = false;
    CMenu m_Menu;
    QObject* m_pWheelFilter = nullptr;
    std::atomic<int> m_nLastAlert{0};
    // Read by sample processing on worker threads, which must not ask the window.
    std::atomic<bool> m_bMinimised{false};
    // The panel and the curves exist: the worker threads may hand them samples.
    std::atomic<bool> m_bPanelsCreated{false};
    // The initialisation has ended: a close may end the window's loop.
    bool m_bStarted = false;
    // A termination signal came: what a cancelled dialog returns to does no more work.
    bool m_bEndingOnSignal = false;
    // The recording-mode frame of a new log went to a sonde that was off.
    bool m_bNewLogPoweredSonde = false;
    std::atomic<bool> m_bSwitchOffPending{false};
};
