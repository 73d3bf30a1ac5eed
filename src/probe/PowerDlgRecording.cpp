// The probe control bar's record: its start, its end and the header values
// written while it runs.
#include "probe/PowerDlg.h"

#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <utility>

#include "core/Ini.h"
#include "core/RunState.h"
#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "header/Header.h"
#include "header/HeaderRecord.h"
#include "platform/MessageBox.h"
#include "platform/PathDisplayText.h"
#include "platform/Profile.h"
#include "platform/System.h"
#include "probe/Frames.h"
#include "probe/ToolsStream.h"

namespace {

constexpr int kModeUp = 2;
constexpr int kModeDown = 3;
constexpr int kModeTime = 4;
constexpr int kLogModeTime = 10;
constexpr int kLogModeUp = 11;
constexpr int kLogModeDown = 12;

const char kSondeOffText[] = "The sonde went off: recording stopped.\nThe records written so far are kept.";
const char kHeaderWriteFailedText[] =
    "Trouble writing header file: recording stopped.\nThe records written so far are kept.";

FILETIME Now()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return now;
}

int LogModeCode(int recordingMode)
{
    switch (recordingMode) {
    case kModeUp: return kLogModeUp;
    case kModeDown: return kLogModeDown;
    default: return kLogModeTime;
    }
}

std::string HeaderPath() { return CIni(theApp.m_pPathSettings->LastFile, TRUE).GetPathName(); }

ProfileWrite WriteWellInfo(std::initializer_list<std::pair<const char*, int>> values, KeptRoom room)
{
    CIni header(theApp.m_pPathSettings->LastFile, TRUE);
    return header.WriteInts(values, CHeader::kWellInfoSection, room);
}

// The end values of the record so far, as its stop writes them: a program
// that dies during the record leaves a header that matches its data file.
ProfileWrite WriteRecordEnd(KeptRoom room)
{
    return WriteWellInfo({{"EndDepth", CToolsStream::HeaderDepth(theApp.m_dRecordDepth)},
                          {"EndTime", int(*theApp.m_pRecordDuration)}},
                         room);
}

}  // namespace

void CPowerDlg::RefreshRecordDisplay()
{
    const RunState& run = *m_pRunState;
    if (!(m_pRunState->recording && !run.recordPaused && run.recordStarted)) {
        m_RecordTime.ShowWindow(SW_HIDE);
        return;
    }
    // A header that no longer follows its data file ends the record. Without
    // room for a copy of it, the room kept for the stop's write stays kept: the
    // data file would take it meanwhile.
    if (CToolsStream::StartDepthWriteFailed() || WriteRecordEnd(KeptRoom::Keep) == ProfileWrite::Failed) {
        m_bHeaderWriteFailed = true;
        StopRecording();
        return;
    }
    m_btnStop.SetIcon(m_hRecordStop);
    if (m_nBlink == 6) {
        m_btnRecord.SetIcon(m_hRecord);
    } else if (m_nBlink > 10 || m_nBlink == 0) {
        m_btnRecord.SetIcon(m_hRecordBlink);
        m_nBlink = 0;
    }
    m_RecordTime.ShowWindow(SW_SHOW);
}

void CPowerDlg::StartRecording()
{
    RunState& run = *m_pRunState;
    *theApp.m_pRecordDuration = 0;
    run.playing = 0;
    if (run.recording)
        run.recordPaused = 0;
    if (!m_bSondeOn || theApp.m_nLinkStatus <= 0 || run.recording)
        return;
    const std::string data = theApp.m_pPathSettings->DataFile;
    const bool newLog = !std::filesystem::exists(data);
    if (!CToolsStream::OpenRecordFile(data.c_str())) {
        AfxMessageBox("Trouble opening file.", MB_ICONERROR);
        return;
    }
    HeaderRecord& header = *theApp.m_pHeaderRecord;
    header.step = m_pLoggerSettings->recordingMode == kModeTime ? int(m_pLoggerSettings->TimeInterval)
                                                                : m_pLoggerSettings->DepthInterval * 10;
    // A record whose header does not describe it could not be replayed. Its
    // stop writes the end values in room kept for a copy of the header on a
    // disk that the data file fills: without that room no record starts.
    if (!ReserveProfileRoom(HeaderPath().c_str()) ||
        WriteWellInfo({{"Startdepth", CToolsStream::HeaderDepth(m_pFrameState->replyDepth)},
                       {"StartTime", 0},
                       {"step", header.step}},
                      KeptRoom::Keep) != ProfileWrite::Written) {
        ReleaseProfileRoom();
        CToolsStream::CloseRecordFile();
        // Neither the data file nor its header of a log that never started stays.
        if (newLog) {
            std::remove(data.c_str());
            std::remove(HeaderPath().c_str());
        }
        AfxMessageBox("Trouble opening or create header file.", MB_ICONERROR);
        return;
    }
    theApp.m_ftRecordStart = Now();
    theApp.m_bRewriteStartDepth = 1;
    run.recordPaused = 0;
    run.recordStarted = 1;
    m_pHost->SetStatusBarText(0, "Data file : " + PathDisplayText(FileNameOf(theApp.m_pPathSettings->DataFile)));
    theApp.m_dRecordDepth = m_pFrameState->replyDepth;
    theApp.m_nValidFrames = theApp.m_nErrorFrames = 0;
    // The curves start again with the record, before its first step is stored.
    m_pHost->ResetCurveOrigin(m_pFrameState->replyDepth, theApp.m_pToolRecord->SondeLength,
                              LogModeCode(m_pLoggerSettings->recordingMode));
    run.recording = 1;
    m_btnStop.EnableWindow(true);
}

void CPowerDlg::StopRecording()
{
    if (!m_pRunState->recording)
        return;
    // Not recording first, so the reader stores nothing more into the file.
    m_pRunState->recording = 0;
    CToolsStream::CloseRecordFile();
    // However the record ends, its last part is printed as the data file ends:
    // the live rows drawn from now on are not the record's.
    m_pHost->ResetAutoPrint();
    m_btnRecord.SetIcon(m_hRecord);
    // The time since the last stored record is not counted.
    theApp.m_ftRecordStart = Now();
    Sleep(50);

    // The data file is closed: the room kept for this write is the header's alone.
    if (CToolsStream::StartDepthWriteFailed() || WriteRecordEnd(KeptRoom::Use) != ProfileWrite::Written)
        m_bHeaderWriteFailed = true;
    ReleaseProfileRoom();

    m_pLoggerSettings->recordingMode = theApp.m_nSavedRecordingMode;
    // The mode goes back to a sonde that is on; to one that went off it would be
    // an order to power it.
    if (m_bSondeOn && (m_pProbeStatus->status & 0x0F) != 0)
        m_pHost->SendRecordingModeFrame();
    m_pHost->ResetCurveOrigin(m_pFrameState->replyDepth, theApp.m_pToolRecord->SondeLength,
                              LogModeCode(m_pLoggerSettings->recordingMode));
    m_btnStop.SetIcon(m_hStop);
    m_btnStop.EnableWindow(false);
}

void CPowerDlg::PauseRecord()
{
    m_btnRecord.SetIcon(m_hRecord);
    StopRecording();
    m_pRunState->recordPaused = 0;
    m_btnReset.EnableWindow(false);
}

// A sonde that went off under a running record (a logger that restarted, say)
// sends no more data: the record ends, and the operator is told. Only a live
// link's report counts, and none while an order is on its way.
void CPowerDlg::EndRecordIfSondeOff(int linkStatus)
{
    if (!m_pRunState->recording || linkStatus < kLinkLive || m_bOrderPending || Armed(kPowerOnTimer) ||
        Armed(kPowerOffTimer))
        return;
    if ((m_pProbeStatus->status & 0x0F) != 0)
        return;
    PauseRecord();
    AfxMessageBox(kSondeOffText, MB_ICONERROR);
}

// A record ended because its header could not be written, told last in the
// refresh: the message box waits for the operator while the refresh goes on.
void CPowerDlg::TellHeaderWriteFailure()
{
    if (!m_bHeaderWriteFailed)
        return;
    m_bHeaderWriteFailed = false;
    m_pHost->SetStatusBarText(0, "Header file write error: recording stopped.");
    AfxMessageBox(kHeaderWriteFailedText, MB_ICONERROR);
}

// The channel frame goes at once, behind the mode frame on the link, so the
// sonde ends off even before the probe has reported it on; the order's timer
// then checks it as for any power-off.
void CPowerDlg::PowerOffAfterModeFrame()
{
    m_stStatus.SetTextColor(m_crBlack);
    SetStatusLine("Sonde not powered", 0);
    m_btnPower.SetIcon(m_hPowerOff);
    m_bSondeOn = false;
    m_bOrderPending = true;
    theApp.m_bSondePowered = 0;
    m_pHost->SendChannelFrame();
    if (!Armed(kPowerOffTimer))
        Arm(kPowerOffTimer, 100);
}
