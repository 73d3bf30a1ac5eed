#pragma once
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "core/CopyableAtomic.h"
#include "core/EndProcessDlg.h"
#include "core/InstanceChecker.h"
#include "platform/Application.h"
#include "platform/Thread.h"
#include "platform/Types.h"

class CDialog;
class CVarnoLogger_KVXDlg;
struct RunState;
struct PathSettings;
struct WindowPlacementStore;
struct HeaderRecord;
struct LiveReadout;
struct SettingsFrame;
struct DepthFrame;
struct CommFrame;
struct ChannelFrame;
struct RecordingModeFrame;
struct AuxCommandFrame;
struct StatusPacket;
struct ProbeStatus;
struct ShortPacket;
struct DataPacket;
struct LogRecord;
struct SondeList;
struct SampleRecord;
struct AcousticSettings;
struct FrameState;
struct LoggerSettings;
struct ToolRecord;

using Flag = std::atomic<std::uint8_t>;

// Values of m_nLinkStatus. The link thread sets "checking" then "checked"; the
// reader sets "failed" when the receive queue fails or a reply has no known
// length, else the kind of packet it dispatched. From kLinkLive up, live
// packets arrive.
constexpr std::int32_t kLinkChecked = 1;
constexpr std::int32_t kLinkChecking = 2;
constexpr std::int32_t kLinkFailed = 4;
constexpr std::int32_t kLinkLive = 16;  // a status packet
constexpr std::int32_t kLinkShortPacket = 32;
constexpr std::int32_t kLinkDataPacket = 128;
constexpr std::int32_t kLinkLargePacket = 255;

// Channel values and two frame bytes of the last data frame.
struct LastFrameValues {
    std::uint16_t channel[6] = {};
    std::uint8_t frameBytes[2] = {};
};

// The one application object: owns every shared record for the whole run, at
// fixed addresses, and the flags that the worker threads and windows poll.
// Flags and counters touched by several threads are atomic.
class CVarnoLogger_KVXApp : public CWinApp {
public:
    static constexpr size_t kRxBufferSize = 131072;
    static constexpr size_t kTxBufferSize = 32;

    CVarnoLogger_KVXApp();
    ~CVarnoLogger_KVXApp() override;

    BOOL InitInstance() override;
    std::string GetOSVersionString();

    // Builds the main dialog, which sets m_pMainDlg; the program's entry sets
    // it, as the windows lie above this layer.
    std::function<std::unique_ptr<CDialog>()> m_createMainDialog;
    CVarnoLogger_KVXDlg* m_pMainDlg = nullptr;
    RunState* m_pRunState = nullptr;
    PathSettings* m_pPathSettings = nullptr;
    WindowPlacementStore* m_pPlacementStore = nullptr;
    HeaderRecord* m_pHeaderRecord = nullptr;
    LiveReadout* m_pLiveReadout = nullptr;
    SettingsFrame* m_pSettingsFrame = nullptr;
    DepthFrame* m_pDepthFrame = nullptr;
    CommFrame* m_pCommFrame = nullptr;
    ChannelFrame* m_pChannelFrame = nullptr;
    RecordingModeFrame* m_pRecordingModeFrame = nullptr;
    AuxCommandFrame* m_pAuxCommandFrame = nullptr;
    StatusPacket* m_pStatusPacket = nullptr;
    ProbeStatus* m_pProbeStatus = nullptr;
    ShortPacket* m_pShortPacket = nullptr;
    DataPacket* m_pDataPacket = nullptr;
    LogRecord* m_pReplayRecord = nullptr;
    SondeList* m_pSondeList = nullptr;
    SampleRecord* m_pSampleRecord = nullptr;
    AcousticSettings* m_pAcousticSettings = nullptr;
    FrameState* m_pFrameState = nullptr;
    LoggerSettings* m_pLoggerSettings = nullptr;
    CInstanceChecker m_instanceChecker;
    ToolRecord* m_pToolRecord = nullptr;
    std::atomic<std::shared_ptr<CWinThread>> m_pLinkThread;
    std::atomic<std::shared_ptr<CWinThread>> m_pReadThread;

    std::string m_strPrinterUsed;
    char m_szCountry[3] = {};
    Flag m_bWin9x{0};
    Flag m_bPrefsLoaded{0};
    Flag m_bReplayAtStart{1};
    Flag m_bPowerOffDone{1};
    Flag m_bCheckCommRunning{0};
    Flag m_bDebugingTools{0};
    Flag m_bRewriteStartDepth{0};
    Flag m_bDownDirection{0};
    Flag m_bDepthWithoutOffset{0};
    std::int32_t m_nSavedRecordingMode = 4;
    CopyableAtomic<double> m_dRecordDepth = 0.0;
    CopyableAtomic<double> m_dStepAccumulator = 0.0;
    // Guards m_lastFrameValues and *m_pSampleRecord: written per step by the
    // reader or the file player, cleared and read whole by the windows.
    std::mutex m_lastValuesMutex;
    LastFrameValues m_lastFrameValues;
    // Guards the command frames: any thread builds and sends them, the reader
    // compares the settings echo with the frame sent.
    std::mutex m_commandFrameMutex;
    std::atomic<FILETIME> m_ftRecordStart{FILETIME{0, 0}};
    std::uint8_t* m_pRxBuffer = nullptr;
    std::uint8_t* m_pRxHeader = nullptr;
    std::uint8_t* m_pTxBuffer = nullptr;
    std::FILE* m_pRecordFile = nullptr;  // opened and closed through CToolsStream, under its lock
    RECT m_rcMainWindow = {0, 0, 0, 0};
    POINT m_ptMaxSize = {0, 0};
    std::atomic<std::uint32_t> m_nTxLength{0};
    std::atomic<std::int64_t> m_nReplayPos{0};
    std::int32_t m_nRefreshTime = 40;
    std::atomic<std::int32_t> m_nLinkStatus{0};
    std::atomic<std::uint32_t> m_nAuxCommand{0};
    std::atomic<std::uint32_t> m_nValidFrames{0};
    std::atomic<std::uint32_t> m_nErrorFrames{0};
    std::atomic<std::uint32_t>* m_pRecordDuration = nullptr;
    Flag m_bSondePowered{0};
    Flag m_bRxActivity{0};
    Flag m_bTxActivity{0};
    Flag m_bBadWinchDirection{0};
    Flag m_bUsbHardwarePresent{0};
    Flag m_bDisplayModeTitle{0};
    Flag m_bLinkThreadRunning{0};
    Flag m_bReadThreadRunning{0};
    Flag m_bWriteThreadBusy{0};
    Flag m_bClosing{0};
    Flag m_bUsbDriverOk{0};
    Flag m_bTechnicalToolsOn{1};
    Flag m_bReplayThreadRunning{0};
    Flag m_bRefreshDisplayOptions{0};
    CFont m_fontSmall;
    std::string m_strLoggerDescription;
    std::string m_strLoggerSerial;
    CEndProcessDlg m_endProcessDlg;

private:
    void StopWorkerThreads();
};

extern CVarnoLogger_KVXApp theApp;

extern std::string g_strSoftwareName;
extern std::string g_strVersion;
extern std::string g_strNotice;
extern std::atomic<std::uint16_t> encoderRateLimit;
extern Flag g_bSettingsFramePending;

// Dispatches every message waiting for the user-interface thread and returns.
void PumpMessages();
// Truncated toward zero.
std::int32_t DoubleToInt(double value);
// The setup sheet's probe and communication pages, that other windows post
// commands to; the sheet sets them once it has created them, null when it goes.
void SetSetupPageWindows(CWnd* probe, CWnd* comm);
// Any thread: the command reaches the page on the user-interface thread, at
// once when posted from there; of each command at most one waits, whatever
// the rate. 1655 after a live step, 1657 after a replayed one, 1658 after a
// new sonde model.
void PostProbePageCommand(UINT command = 1657);
void PostCommPageCommand(UINT command);
