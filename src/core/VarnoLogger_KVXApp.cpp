#include "core/VarnoLogger_KVXApp.h"

#include <QCoreApplication>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/RunState.h"
#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "header/HeaderRecord.h"
#include "platform/Dialog.h"
#include "platform/System.h"
#include "platform/UiThread.h"
#include "probe/Frames.h"
#include "probe/LogRecord.h"

// Defined before theApp so they exist when it is built.
std::string g_strSoftwareName;
std::string g_strVersion;
std::string g_strNotice;
std::atomic<std::uint16_t> encoderRateLimit{0};
Flag g_bSettingsFramePending{0};

CVarnoLogger_KVXApp theApp;

namespace {

constexpr DWORD kThreadWaitMs = 2000;
constexpr DWORD kShutdownShowMs = 2000;

// Set by the setup sheet; the reader and the file player post to them from
// their own threads.
std::atomic<CWnd*> g_probePage{nullptr};
std::atomic<CWnd*> g_commPage{nullptr};

// One waiting call per page and command: 1655, 1657, 1658.
constexpr UINT kFirstPageCommand = 1655;
constexpr int kPageCommands = 4;
std::atomic<bool> g_probePending[kPageCommands];
std::atomic<bool> g_commPending[kPageCommands];

void PostPageCommand(const std::atomic<CWnd*>& target, std::atomic<bool> (&pending)[kPageCommands], UINT command)
{
    CWnd* page = target;
    const UINT slot = command - kFirstPageCommand;
    if (page == nullptr || slot >= kPageCommands)
        return;
    PostOnce(pending[slot], page->GetSafeHwnd(), [page, command] { page->OnCommand(WPARAM(command), 0); });
}

// Closes the first instance's mapping when the program ends.
struct FirstInstanceMappingCloser {
    ~FirstInstanceMappingCloser() { CInstanceChecker::CloseFirstInstanceMapping(); }
} g_mappingCloser;

std::uint8_t* NewZeroedBlock(size_t size)
{
    auto* block = static_cast<std::uint8_t*>(std::calloc(size, 1));
    if (block == nullptr)
        std::abort();
    return block;
}

void ResetFirstChannels(ToolRecord& tool)
{
    for (int i = 0; i < 6; ++i) {
        ChannelRecord& ch = tool.channels[i];
        ch.FilterFlag = ch.InvertScale = ch.Visible = ch.CalFlag = 0;
        ch.Coefficient[0] = ch.Coefficient[1] = ch.Coefficient[2] = ch.Coefficient[3] = ch.Offset = 0.0;
        ch.RangeLeft = ch.RangeRight = 0;
        ch.FilterWidth = 0;
        ch.LineColour = 0;
        ch.LogicalCh = 0;
        ch.DisplayTrack = 0;
        ch.Title.clear();
        ch.TitleShort.clear();
        ch.Unit.clear();
    }
}

}  // namespace

CVarnoLogger_KVXApp::CVarnoLogger_KVXApp()
{
    GetOSVersionString();
    m_bPrefsLoaded = 0;

    m_pRunState = new RunState();
    m_pPathSettings = new PathSettings();
    m_pPlacementStore = new WindowPlacementStore();
    m_pLiveReadout = new LiveReadout();
    m_pHeaderRecord = new HeaderRecord();
    m_pSettingsFrame = new SettingsFrame();
    m_pDepthFrame = new DepthFrame();
    m_pCommFrame = new CommFrame();
    m_pChannelFrame = new ChannelFrame();
    m_pRecordingModeFrame = new RecordingModeFrame();
    m_pAuxCommandFrame = new AuxCommandFrame();
    m_pStatusPacket = new StatusPacket();
    m_pProbeStatus = new ProbeStatus();
    m_pShortPacket = new ShortPacket();
    m_pDataPacket = new DataPacket();
    m_pReplayRecord = new LogRecord();
    m_pSondeList = new SondeList();
    m_pSampleRecord = new SampleRecord();
    m_pAcousticSettings = new AcousticSettings();
    m_pFrameState = new FrameState();
    m_pLoggerSettings = new LoggerSettings();
    m_pLoggerSettings->recordingMode = 4;
    m_pToolRecord = new ToolRecord();
    m_pRecordDuration = new std::atomic<std::uint32_t>(0);

    m_pRxBuffer = NewZeroedBlock(kRxBufferSize);
    m_pRxHeader = NewZeroedBlock(kRxBufferSize);
    m_pTxBuffer = NewZeroedBlock(kTxBufferSize);

    ResetFirstChannels(*m_pToolRecord);
    m_fontSmall.CreateFont(-10, FW_HEAVY, "Arial");
}

CVarnoLogger_KVXApp::~CVarnoLogger_KVXApp()
{
    delete m_pRunState;
    delete m_pPathSettings;
    delete m_pPlacementStore;
    delete m_pLiveReadout;
    delete m_pHeaderRecord;
    delete m_pSettingsFrame;
    delete m_pDepthFrame;
    delete m_pCommFrame;
    delete m_pChannelFrame;
    delete m_pRecordingModeFrame;
    delete m_pAuxCommandFrame;
    delete m_pStatusPacket;
    delete m_pProbeStatus;
    delete m_pShortPacket;
    delete m_pDataPacket;
    delete m_pReplayRecord;
    delete m_pSondeList;
    delete m_pSampleRecord;
    delete m_pAcousticSettings;
    delete m_pFrameState;
    delete m_pLoggerSettings;
    delete m_pToolRecord;
    delete m_pRecordDuration;
    std::free(m_pRxBuffer);
    std::free(m_pRxHeader);
    std::free(m_pTxBuffer);
}

// On this system the name comes from the kernel: "Linux" and its release.
std::string CVarnoLogger_KVXApp::GetOSVersionString()
{
    m_bWin9x = 0;
    return GetOperatingSystemName();
}

BOOL CVarnoLogger_KVXApp::InitInstance()
{
    if (m_instanceChecker.IsPreviousInstanceRunning()) {
        m_instanceChecker.ActivatePreviousInstance();
        return FALSE;
    }

    g_strSoftwareName = "KVX Acquisition software";
    g_strVersion = "2.10";
    g_strNotice = "(c) 2018 KVX";  // fits the about box's notice line
    encoderRateLimit = 250;

    RunState& run = *m_pRunState;
    run.fileLoaded = run.playing = run.recording = run.recordStarted = 0;
    run.loggerSetupVisible = run.toolsBoxVisible = 0;

    m_pProbeStatus->replyKindFlag = m_pProbeStatus->replySeen = m_pProbeStatus->updated = 0;
    m_pFrameState->replyStatus = m_pFrameState->errorFlags = m_pFrameState->overrun = 0;

    m_dRecordDepth = 0.0;
    m_bBadWinchDirection = 0;
    m_bUsbHardwarePresent = 0;
    std::strcpy(m_szCountry, "FR");

    SampleRecord& sample = *m_pSampleRecord;
    for (int i = 0; i < 6; ++i) {
        sample.channelValue[i] = sample.channelRaw[i] = 0.0;
        sample.channelDecimals[i] = 2;
    }
    sample.sampleCount = sample.frameByte13 = 0.0;

    m_nValidFrames = m_nErrorFrames = 0;
    m_bUsbDriverOk = 0;
    m_bDisplayModeTitle = 0;
    m_bDepthWithoutOffset = 1;

    m_endProcessDlg.Create();

    if (!m_createMainDialog)
        return FALSE;
    {
        std::unique_ptr<CDialog> mainDlg = m_createMainDialog();
        m_pMainWnd = mainDlg.get();
        mainDlg->DoModal();

        m_endProcessDlg.ShowWindow(SW_SHOW);
        PumpMessages();
        StopWorkerThreads();
        m_endProcessDlg.SetMessage("Shutdown process ... please wait");
        PumpMessages();
        Sleep(kShutdownShowMs);
        m_endProcessDlg.ShowWindow(SW_HIDE);
        m_pMainWnd = nullptr;
        m_pMainDlg = nullptr;
    }
    return FALSE;
}

// Every wait is bounded: a thread that does not end in time is left behind.
void CVarnoLogger_KVXApp::StopWorkerThreads()
{
    m_bClosing = 1;
    if (m_bReadThreadRunning) {
        if (auto thread = m_pReadThread.load())
            thread->WaitForEnd(kThreadWaitMs);
    }
    if (m_bLinkThreadRunning) {
        m_bLinkThreadRunning = 0;
        if (auto thread = m_pLinkThread.load())
            thread->WaitForEnd(kThreadWaitMs);
    }
    if (m_bReadThreadRunning) {
        m_bReadThreadRunning = 0;
        m_bWriteThreadBusy = 0;
    }
}

void PumpMessages()
{
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::processEvents();
}

std::int32_t DoubleToInt(double value) { return std::int32_t(std::trunc(value)); }

// A call that waited for a page that is gone never ran: its flag is cleared here.
void SetSetupPageWindows(CWnd* probe, CWnd* comm)
{
    g_probePage = probe;
    g_commPage = comm;
    for (int k = 0; k < kPageCommands; ++k)
        g_probePending[k] = g_commPending[k] = false;
}

void PostProbePageCommand(UINT command) { PostPageCommand(g_probePage, g_probePending, command); }

void PostCommPageCommand(UINT command) { PostPageCommand(g_commPage, g_commPending, command); }
