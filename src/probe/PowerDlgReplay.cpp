// The probe control bar's file player: its buttons, its pace and the replay
// thread.
#include "probe/PowerDlg.h"

#include <string>

#include "core/RunState.h"
#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "platform/UiThread.h"
#include "platform/WaitableTimer.h"
#include "probe/Frames.h"

namespace {

constexpr DWORD kReplayWaitMs = 10000;
// Longer than the slowest tick of the player (500 ms).
constexpr DWORD kReplayJoinMs = 2000;

int ReplayDivisor(int scale)
{
    switch (scale) {
    case 50: return 3;
    case 100: return 4;
    case 250: return 9;
    case 500: return 17;
    case 1000: return 35;
    default: return 2;
    }
}

}  // namespace

ReplayPace ReplayPaceFor(int position, int rangeMax, int scale)
{
    const int n = rangeMax - position + 1;
    const int k = position - 20;
    const double d = ReplayDivisor(scale);
    if (k >= 1)
        return {std::int64_t(-200000.0 / d * 30), k};
    return {std::int64_t(-200000.0 / d * n), 1};
}

CPowerDlg::~CPowerDlg()
{
    // The replay thread reads the trackbar: it ends before the bar goes.
    if (m_pReplayThread) {
        theApp.m_pRunState->playing = 0;
        m_pReplayThread->WaitForEnd(kReplayJoinMs);
    }
}

void CPowerDlg::SetReplayButtons()
{
    m_btnPlay.EnableWindow(true);
    m_btnPause.EnableWindow(false);
    m_btnReset.EnableWindow(false);
    m_btnStop.EnableWindow(false);
    m_SliderSpeed.ShowWindow(SW_SHOW);
}

void CPowerDlg::DisablePlayerButtons()
{
    for (CWnd* button : {static_cast<CWnd*>(&m_btnPlay), static_cast<CWnd*>(&m_btnStop),
                         static_cast<CWnd*>(&m_btnReset), static_cast<CWnd*>(&m_btnPause)})
        button->EnableWindow(false);
    m_SliderSpeed.ShowWindow(SW_HIDE);
}

void CPowerDlg::OnPause()
{
    RunState& run = *m_pRunState;
    if (run.recording)
        PauseRecord();
    if (run.playing) {
        m_btnReset.EnableWindow(true);
        run.playing = 0;
        m_btnPlay.SetIcon(m_hPlay);
    }
}

void CPowerDlg::OnStop()
{
    RunState& run = *m_pRunState;
    // A record prints its last part as its data file closes.
    if (!run.recording) {
        if (!m_bPowerSwitching || run.fileLoaded)
            m_pHost->ResetAutoPrint();
        m_pHost->ResetAcquisition(true);
        m_pHost->SelectCurrentScale();
        theApp.m_nReplayPos = 0;
        theApp.m_bReplayAtStart = 1;
        DisablePlayerButtons();
        m_pHost->SetStatusBarText(0, "Mode acquisition.");
        m_btnRecord.EnableWindow(true);
    }
    StopRecording();
    run.recordPaused = 0;
    run.fileLoaded = 0;
    run.playing = 0;
    m_btnReset.EnableWindow(false);
    m_btnRecord.SetIcon(m_hRecord);
    m_btnPlay.SetIcon(m_hPlay);
    m_btnStop.EnableWindow(false);
    m_pHost->ResetAcquisition(true);
}

void CPowerDlg::OnPlay()
{
    RunState& run = *m_pRunState;
    if (!run.fileLoaded)
        return;
    if (theApp.m_nReplayPos == 0)
        m_pHost->ResetAcquisition(true);
    m_pHost->SelectCurrentScale();
    m_btnRecord.EnableWindow(false);
    m_btnReset.EnableWindow(false);
    m_btnPause.EnableWindow(true);
    m_btnStop.EnableWindow(true);
    if (!run.playing) {
        // A thread still finishing its last tick ends before the next starts.
        if (m_pReplayThread)
            m_pReplayThread->WaitForEnd(kReplayJoinMs);
        run.playing = 1;
        m_pReplayThread = CWinThread::Begin([this] { return ReplayThreadProc(this); }, THREAD_PRIORITY_HIGHEST);
    }
    m_pHost->SetStatusBarText(0, std::string("Fichier de donn\xe9" "e : ") + theApp.m_pPathSettings->FileName);
}

void CPowerDlg::OnReset()
{
    theApp.m_nReplayPos = 0;
    theApp.m_bReplayAtStart = 1;
    m_pHost->ResetAcquisition(true);
    OnPlay();
    OnPause();
    m_btnReset.EnableWindow(false);
}

// A replay played to its end ends as a stop ends it: Play again starts a new pass.
void CPowerDlg::PrintReplayEnd()
{
    QPointer<QWidget> window = m_hWnd;
    RunOnUiThread([this, window] {
        // Played again meanwhile: the rings started again.
        if (window && !m_pRunState->playing && theApp.m_nReplayPos == 0)
            m_pHost->ResetAutoPrint();
    });
}

bool CPowerDlg::WaitForReplayEnd(DWORD milliseconds)
{
    return !m_pReplayThread || m_pReplayThread->WaitForEnd(milliseconds);
}

UINT CPowerDlg::ReplayThreadProc(CPowerDlg* panel)
{
    theApp.m_bReplayThreadRunning = 1;
    RunState& run = *theApp.m_pRunState;
    CWaitableTimer timer;
    UINT result = kReplayEnded;
    while (run.playing && !theApp.m_bClosing) {
        const ReplayPace pace = ReplayPaceFor(panel->m_SliderSpeed.GetPos(), panel->m_SliderSpeed.GetRangeMax(),
                                              theApp.m_pToolRecord->Scale);
        if (!timer.Set(pace.dueTime)) {
            result = kReplayTimerFailed;
            break;
        }
        timer.Wait(kReplayWaitMs);
        for (int i = 0; i < pace.recordsPerTick && run.playing; ++i) {
            if (panel->m_pHost->ReplayNextRecord())
                continue;
            run.playing = 0;
            theApp.m_nReplayPos = 0;
            if (theApp.m_nLinkStatus < kLinkLive) {
                theApp.m_pLiveReadout->currentDepth = theApp.m_pFrameState->replayDepth;
                theApp.m_pLiveReadout->cableSpeed = 0.0;
            }
            panel->PrintReplayEnd();
        }
    }
    theApp.m_bReplayThreadRunning = 0;
    return result;
}
