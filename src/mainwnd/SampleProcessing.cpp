// Sample processing: one live step or one replayed record into scaled raw and
// calibrated values, handed to every display.
#include <algorithm>
#include <cmath>

#include "core/RunState.h"
#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "header/HeaderRecord.h"
#include "mainwnd/VarnoLogger_KVXDlg.h"
#include "platform/UiThread.h"
#include "probe/Frames.h"
#include "probe/LogRecord.h"

namespace {

constexpr int kLogModeTime = 10;
constexpr int kLogModeUp = 11;
constexpr int kLogModeDown = 12;
constexpr double kTimeAxisStep = 0.01;
// What a replayed value that is not a number shows.
constexpr double kNotFiniteValue = 1e21;
constexpr UINT kProbePageLiveStep = 1655;
constexpr UINT kProbePageReplayStep = 1657;

int LiveModeCode(int statusNibble)
{
    switch (statusNibble) {
    case 2: return kLogModeUp;
    case 3: return kLogModeDown;
    case 4: return kLogModeTime;
    default: return 0;
    }
}

// Brings each sum of n readings to a base of 50 readings, then calibrates it.
void ComputeChannelValues(const WORD (&sums)[6], int n, int frameByte, bool replaceNotFinite, double (&raw)[6])
{
    const ToolRecord& tool = *theApp.m_pToolRecord;
    std::lock_guard lock(theApp.m_lastValuesMutex);
    SampleRecord& sample = *theApp.m_pSampleRecord;
    const double scale = 50.0 / n;
    for (int c = 0; c < 6; ++c) {
        const ChannelRecord& channel = tool.channels[c];
        const double k[4] = {channel.Coefficient[0], channel.Coefficient[1], channel.Coefficient[2],
                             channel.Coefficient[3]};
        double x = sums[std::clamp<int>(channel.PhysicalCh, 0, 5)] * scale;
        double y = k[0] + k[1] * x + k[2] * x * x + k[3] * x * x * x;
        if (replaceNotFinite && !std::isfinite(y))
            y = kNotFiniteValue;
        raw[c] = x;
        sample.channelRaw[c] = x;
        sample.channelValue[c] = y;
        sample.channelDecimals[c] = channel.CalibComma;
    }
    sample.sampleCount = n;
    sample.frameByte13 = frameByte;
}

}  // namespace

void CVarnoLogger_KVXDlg::ProcessLiveFrame(const DataPacket& packet)
{
    // The communication check owns the link while it runs.
    if (theApp.m_bCheckCommRunning)
        return;
    const int modeCode = LiveModeCode(packet.status & 0x0F);
    if (modeCode == 0 || packet.n == 0)
        return;

    int step = 1;
    if (modeCode == kLogModeTime) {
        theApp.m_dStepAccumulator += kTimeAxisStep;
    } else {
        // A fast encoder had its depth interval doubled in the frame sent.
        const int divisor = theApp.m_pLoggerSettings->encoderRate > encoderRateLimit ? 2 : 1;
        step = packet.depthStep / divisor;
    }

    double raw[6];
    const WORD sums[6] = {packet.channelSums[0], packet.channelSums[1], packet.channelSums[2],
                          packet.channelSums[3], packet.channelSums[4], packet.channelSums[5]};
    ComputeChannelValues(sums, packet.n, packet.frameByte, false, raw);
    const bool displays = !m_bMinimised;
    HandToCurveTracks(raw, theApp.m_pFrameState->replyDepth, modeCode, step, displays);
    if (displays) {
        UpdateStatusPanel(false);
        HandToToolsBox();
    }
    NotifyProbePage(kProbePageLiveStep);
}

void CVarnoLogger_KVXDlg::LiveStepStored() { m_ScopeTrack.MarkStoredStep(); }

void CVarnoLogger_KVXDlg::ProcessRecord(const LogRecord& record)
{
    if (record.n == 0)
        return;
    const HeaderRecord& header = *theApp.m_pHeaderRecord;
    FrameState& frame = *theApp.m_pFrameState;
    const int mode = header.LogMode;

    int stepCm = header.step / 10;
    if (stepCm == 0 || mode == kLogModeTime)
        stepCm = 1;
    const double stepMetres = stepCm / 100.0;

    // The curves draw each record at the depth before its step: the first at the start depth.
    double depth = frame.replayDepth;
    if (mode == kLogModeTime) {
        theApp.m_dStepAccumulator += kTimeAxisStep;
        frame.replayDepth = 0.0;
        depth = theApp.m_dStepAccumulator;
    } else if (mode == kLogModeUp) {
        frame.replayDepth -= stepMetres;
    } else if (mode == kLogModeDown) {
        frame.replayDepth += stepMetres;
    }
    const bool depthMode = mode == kLogModeUp || mode == kLogModeDown;
    if (theApp.m_nLinkStatus < kLinkLive && depthMode) {
        theApp.m_pLiveReadout->currentDepth = frame.replayDepth;
        theApp.m_pLiveReadout->cableSpeed = 0.0;
    }

    double raw[6];
    const WORD sums[6] = {record.channelSums[0], record.channelSums[1], record.channelSums[2],
                          record.channelSums[3], record.channelSums[4], record.channelSums[5]};
    ComputeChannelValues(sums, record.n, record.frameByte, true, raw);
    const bool displays = !m_bMinimised;
    HandToCurveTracks(raw, depth, mode, stepCm, displays);
    if (displays) {
        UpdateStatusPanel(false);
        HandToToolsBox();
    }
    NotifyProbePage(kProbePageReplayStep);
}

void CVarnoLogger_KVXDlg::ResetAcquisition(bool full)
{
    // Labelled even while hidden: the box may show another tool's names later.
    if (m_bPanelsCreated) {
        m_ToolsProbeDlg.SetChannelLabels(true);
        m_ScopeTrack.ClearBuffers();
    }
    if (full) {
        const HeaderRecord& header = *theApp.m_pHeaderRecord;
        double start = header.Startdepth;
        if (header.LogMode == kLogModeDown)
            start += theApp.m_pToolRecord->SondeLength * 10.0;
        theApp.m_pFrameState->replayDepth = start / 1000.0;
        theApp.m_dStepAccumulator = 0.0;
        m_Preferences.LoadTool();
        if (m_bPanelsCreated)
            m_ScopeTrack.LoadChannelSettings(*theApp.m_pToolRecord);
    }
    std::lock_guard lock(theApp.m_lastValuesMutex);
    theApp.m_lastFrameValues = LastFrameValues{};
    SampleRecord& sample = *theApp.m_pSampleRecord;
    sample = SampleRecord{};
    std::fill(std::begin(sample.channelDecimals), std::end(sample.channelDecimals), 2);
}

void CVarnoLogger_KVXDlg::OnDataFileWriteFailed()
{
    m_StatusBar.SetText(0, "Data file write error: recording stopped.");
    HandToPowerDlgStopRecording();
}

// Curve tracks, on the thread that processes samples; they keep their own
// lock and arm their redraw through one waiting request at most. The rings
// run on the step count: the depth itself is not stored.
void CVarnoLogger_KVXDlg::HandToCurveTracks(const double (&raw)[6], double, int modeCode, int step,
                                            bool startRefresh)
{
    if (!m_bPanelsCreated)
        return;
    const ToolRecord& tool = *theApp.m_pToolRecord;
    m_ScopeTrack.SetSampleInterval(tool.Scale);
    m_ScopeTrack.AddSamples(raw, modeCode, step, tool);
    if (startRefresh)
        m_ScopeTrack.StartRefreshTimer();
}

// On the thread that processes samples: the box stores the values and
// redraws on its own timer.
void CVarnoLogger_KVXDlg::HandToToolsBox()
{
    if (m_bPanelsCreated && theApp.m_pRunState->toolsBoxVisible)
        m_ToolsProbeDlg.UpdateValues();
}

// Probe page of the setup sheet: 1655 after a live step, 1657 after a
// replayed one. From a worker it is queued, one of each waiting at most: the
// page shows the latest echo whatever the packet rate.
void CVarnoLogger_KVXDlg::NotifyProbePage(UINT command) { PostProbePageCommand(command); }

// The panel ends the record and writes EndDepth and EndTime; without the
// panel (a main window not shown) the record just ends here.
void CVarnoLogger_KVXDlg::HandToPowerDlgStopRecording()
{
    if (m_bPanelsCreated) {
        m_PowerDlg.StopRecording();
        return;
    }
    theApp.m_pRunState->recording = 0;
    CToolsStream::CloseRecordFile();
}
