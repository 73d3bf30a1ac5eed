#include "probe/RecordingModeDlg.h"

#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "probe/AcqDialogHost.h"
#include "probe/Frames.h"
#include "res/Resource.h"

namespace {

struct RecordingMode {
    int radioId;
    int recordingMode;  // LoggerSettings.recordingMode
    int modeCode;       // the logging mode of the curves and the header
    bool downDirection;
};

// In the order OnOK reads the radios: the first checked one wins.
constexpr RecordingMode kModes[] = {
    {IDC_TIME_MODE, 4, 10, true},
    {IDC_DOWN_DEPTH_MODE, 3, 12, true},
    {IDC_UP_DEPTH_MODE, 2, 11, false},
};
constexpr int kTimeModeCode = 10;

int RadioOf(int recordingMode)
{
    switch (recordingMode) {
    case 2: return IDC_UP_DEPTH_MODE;
    case 3: return IDC_DOWN_DEPTH_MODE;
    default: return IDC_TIME_MODE;
    }
}

}  // namespace

CPRecordingMode::CPRecordingMode(IAcqDialogHost& host, CWnd* parent)
    : CDialog(IDD_RECORDING_MODE, parent), m_host(host)
{
}

BOOL CPRecordingMode::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (theApp.m_bDisplayModeTitle)
        SetDlgItemText(IDC_RECORDING_MODE_TITLE, "Display Mode ...");
    m_pLoggerSettings = theApp.m_pLoggerSettings;
    m_pFrameState = theApp.m_pFrameState;
    const int current = RadioOf(m_pLoggerSettings->recordingMode);
    for (const RecordingMode& mode : kModes)
        CheckDlgButton(mode.radioId, mode.radioId == current ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

void CPRecordingMode::OnOK()
{
    int modeCode = kTimeModeCode;
    for (const RecordingMode& mode : kModes) {
        if (IsDlgButtonChecked(mode.radioId) != BST_CHECKED)
            continue;
        m_pLoggerSettings->recordingMode = mode.recordingMode;
        theApp.m_bDownDirection = mode.downDirection;
        modeCode = mode.modeCode;
        break;
    }
    m_host.SendRecordingModeFrame();
    // The tracks start again for the record: what they showed is no page of it.
    m_host.ResetCurveOrigin(m_pFrameState->replyDepth, theApp.m_pToolRecord->SondeLength, modeCode);
    m_host.ResetAcquisition(true);
    CDialog::OnOK();
}
