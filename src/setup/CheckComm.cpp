#include "setup/CheckComm.h"

#include <algorithm>

#include "core/Settings.h"
#include "core/VarnoLogger_KVXApp.h"
#include "platform/MessageBox.h"
#include "probe/Frames.h"
#include "res/Resource.h"
#include "setup/PCommDlg.h"

namespace {

constexpr int kTick = 200;
constexpr int kRetryTick = 250;
constexpr int kBusyTick = 64;
constexpr int kFirstSweepDrive = 6;
constexpr int kSweepGainStep = 3;
constexpr int kSweepEchoTries = 3;
constexpr int kGainEchoTries = 25;
constexpr int kInvalidTries = 10;
constexpr int kInvalidGainLimit = 34;
constexpr int kReliableGainSpan = 6;
constexpr int kGainMargin = 4;
constexpr int kHighestGain = kLinkGainRange.max;

enum State : int { kStart = 0, kSweep = 20, kGain = 80, kResult = 160 };

}  // namespace

CommCheck::CommCheck(LoggerSettings& settings, const ProbeStatus& probe, ICommCheckHost& host)
    : m_settings(settings), m_probe(probe), m_host(host)
{
}

int CommCheck::Start()
{
    m_nFirstValidGain = -1;
    m_nSavedDrive = m_settings.CommDrive;
    m_nSavedGain = m_settings.CommGain;
    m_bCancelled = false;
    m_bRunning = true;
    m_nState = kStart;
    return kTick;
}

// Stopped midway, the probe would keep the last pair tried (gain 0 in the
// sweep) and the next power-on would send it again.
void CommCheck::Cancel()
{
    const bool midway = Running();
    m_bCancelled = true;
    if (midway)
        RestoreSaved();
}

void CommCheck::RestoreSaved()
{
    m_settings.CommDrive = m_nSavedDrive;
    m_settings.CommGain = m_nSavedGain;
    m_host.SendCommFrame();
}

int CommCheck::Step()
{
    if (!Running() || m_nState > kResult)
        return 0;
    switch (m_nState) {
    case kStart: return StartSweep();
    case kSweep: return SweepStep();
    case kGain: return GainStep();
    default: return Result();
    }
}

bool CommCheck::EchoHolds() const
{
    return m_probe.echoCommDrive == m_nDrive && m_probe.echoCommGain == m_nGain;
}

void CommCheck::StoreDrive(int drive)
{
    m_nDrive = drive;
    m_settings.CommDrive = drive;
}

void CommCheck::StoreGain(int gain)
{
    m_nGain = gain;
    m_settings.CommGain = gain;
}

int CommCheck::StartSweep()
{
    m_nSavedDrive = m_settings.CommDrive;
    m_nSavedGain = m_settings.CommGain;
    m_nEchoRetry = m_nInvalidRetry = 0;
    m_nFirstDrive = m_nLastDrive = -1;
    m_driveMap.fill(0);
    StoreGain(0);
    m_host.ShowValue(IDC_CHECK_GAIN, 0);
    StoreDrive(kFirstSweepDrive);
    m_host.ShowValue(IDC_CHECK_DRIVE, m_nDrive);
    m_host.ShowValue(IDC_CHECK_SELECTED_DRIVE, m_nDrive);
    m_nState = kSweep;
    m_host.SendRecordingModeFrame();
    return kTick;
}

int CommCheck::SelectDrive(const std::array<std::uint8_t, 100>& valid)
{
    int first = -1;
    int last = -1;
    for (int drive = kMinDrive; drive < kMaxDrive; ++drive) {
        if (valid[drive] != 0) {
            if (first < 0)
                first = drive;
            last = drive;
        } else if (first >= 0) {
            break;
        }
    }
    if (first < 0)
        return -1;
    return first + (last - first) / 3;
}

int CommCheck::SweepStep()
{
    if (m_host.WriteBusy())
        return kBusyTick;
    m_host.ShowStatus("Create Downhole drive statistic, wait...", kBlack);
    const bool answered = EchoHolds() && (m_probe.commValid & 0x01) != 0;
    if (answered) {
        m_driveMap[m_nDrive] = 1;
    } else if (m_nEchoRetry < kSweepEchoTries) {
        ++m_nEchoRetry;
        return kTick;
    }

    m_nEchoRetry = 0;
    if (m_nDrive + 1 <= kMaxDrive) {
        StoreDrive(m_nDrive + 1);
        m_host.ShowValue(IDC_CHECK_DRIVE, m_nDrive);
        m_host.SendCommFrame();
        return kTick;
    }

    const int drive = SelectDrive(m_driveMap);
    if (drive >= 0) {
        m_host.ShowStatus("Downhole drive setting, wait...", kBlack);
        StoreDrive(drive);
        m_host.ShowValue(IDC_CHECK_SELECTED_DRIVE, drive);
        StoreGain(std::max(m_nGain - kSweepGainStep, 0));
        m_host.ShowValue(IDC_CHECK_DRIVE, m_nDrive);
        m_host.ShowValue(IDC_CHECK_GAIN, m_nGain);
        m_host.SendCommFrame();
        m_nState = kGain;
        return kTick;
    }
    if (m_nGain > kMaxGain)
        return Abort();
    StoreGain(m_nGain + kSweepGainStep);
    m_host.ShowValue(IDC_CHECK_GAIN, m_nGain);
    StoreDrive(kFirstSweepDrive);
    m_host.ShowValue(IDC_CHECK_DRIVE, m_nDrive);
    m_host.SendCommFrame();
    m_driveMap.fill(0);
    return kTick;
}

int CommCheck::GainStep()
{
    if (!EchoHolds()) {
        if (m_nEchoRetry >= kGainEchoTries)
            return Abort();
        m_host.SendCommFrame();
        ++m_nEchoRetry;
        m_nInvalidRetry = 0;
        return kRetryTick;
    }

    if ((m_probe.commValid & 0x7F) != 1) {
        m_host.PaintCurrentGain(kRed);
        const int limit =
            m_nFirstValidGain < 0 ? kInvalidGainLimit : kInvalidGainLimit + (m_nGain - m_nFirstValidGain);
        // Past the highest gain no result can come: without this bound a probe
        // that stops answering after a valid gain would be driven to any gain.
        const bool limitReached = m_nGain >= limit || (m_nFirstValidGain >= 0 && m_nGain >= kMaxGain);
        if (limitReached) {
            if (m_nFirstValidGain < 0)
                return Abort();
            m_settings.CommGain = m_nFirstValidGain;
            m_nState = kResult;
            return kTick;
        }
        if (m_nInvalidRetry < kInvalidTries) {
            ++m_nInvalidRetry;
            return kRetryTick;
        }
        return NextGain();
    }

    m_host.PaintCurrentGain(kGreen);
    m_host.ShowValue(IDC_CHECK_GAIN, m_nGain);
    if (m_nFirstValidGain < 0)
        m_nFirstValidGain = m_nGain;
    if (m_nGain - m_nFirstValidGain >= kReliableGainSpan) {
        StoreGain(std::min(m_nFirstValidGain + kGainMargin, kHighestGain));
        m_host.ShowValue(IDC_CHECK_SELECTED_GAIN, m_nGain);
        m_nState = kResult;
        return kTick;
    }
    return NextGain();
}

int CommCheck::NextGain()
{
    StoreGain(m_nGain + 1);
    m_host.ShowValue(IDC_CHECK_GAIN, m_nGain);
    m_host.SendCommFrame();
    m_nEchoRetry = m_nInvalidRetry = 0;
    return kTick;
}

int CommCheck::Result()
{
    if (m_nGain >= kMaxGain) {
        m_host.ShowStatus("No result...", kRed);
        return Abort();
    }
    StoreGain(m_nGain);
    m_host.ShowValue(IDC_CHECK_SELECTED_GAIN, m_nGain);
    m_host.ShowStatus("Success!!!", kBlack);
    m_host.SendCommFrame();
    m_host.RefreshAndSave();
    if (m_host.Ask("Success!!!\nDo you want conserve this setup ?", MB_YESNO) == IDNO) {
        m_host.ShowStatus("Aborted...", kRed);
        RestoreSaved();
    }
    m_host.RefreshAndSave();
    Finish();
    return 0;
}

int CommCheck::Abort()
{
    m_host.ShowStatus("Aborted...", kRed);
    RestoreSaved();
    m_host.Ask("Aborted...\nNo result...", MB_ICONHAND);
    Finish();
    return 0;
}

// The pair is settled: closing leaves it as it is.
void CommCheck::Finish()
{
    m_bRunning = false;
    m_host.Close();
}

CCheckComm::CCheckComm(ICommPageHost& host, CWnd* parent)
    : CDialogExt(IDD_CHECK_COMM, parent),
      m_host(host),
      m_check(*theApp.m_pLoggerSettings, *theApp.m_pProbeStatus, *this)
{
}

void CCheckComm::DoDataExchange(CDataExchange* dx)
{
    CDialogExt::DoDataExchange(dx);
    DDX_Control(dx, IDC_CHECK_DRIVE, m_stDrive);
    DDX_Control(dx, IDC_CHECK_SELECTED_DRIVE, m_stSelectedDrive);
    DDX_Control(dx, IDC_CHECK_GAIN, m_stGain);
    DDX_Control(dx, IDC_CHECK_SELECTED_GAIN, m_stSelectedGain);
    DDX_Control(dx, IDC_CHECK_STATUS, m_stStatus);
}

BOOL CCheckComm::OnInitDialog()
{
    CDialogExt::OnInitDialog();
    const int period = m_check.Start();
    theApp.m_bCheckCommRunning = 1;
    for (CColorStaticST* readout : {&m_stDrive, &m_stSelectedDrive, &m_stGain, &m_stSelectedGain, &m_stStatus})
        readout->SetWindowText("");
    SetTimer(kStepTimer, period);
    return TRUE;
}

void CCheckComm::OnCancel()
{
    KillTimer(kStepTimer);
    m_check.Cancel();
    theApp.m_bCheckCommRunning = 0;
    CDialogExt::OnCancel();
}

void CCheckComm::OnTimer(UINT_PTR id)
{
    if (id != kStepTimer) {
        CDialogExt::OnTimer(id);
        return;
    }
    KillTimer(kStepTimer);
    const int period = m_check.Step();
    if (period > 0 && m_check.Running())
        SetTimer(kStepTimer, period);
}

bool CCheckComm::WriteBusy()
{
    return theApp.m_nTxLength > 0;
}

void CCheckComm::SendCommFrame()
{
    m_host.SendCommFrame();
}

void CCheckComm::SendRecordingModeFrame()
{
    m_host.SendRecordingModeFrame();
}

CColorStaticST& CCheckComm::Readout(int controlId)
{
    switch (controlId) {
    case IDC_CHECK_DRIVE: return m_stDrive;
    case IDC_CHECK_SELECTED_DRIVE: return m_stSelectedDrive;
    case IDC_CHECK_GAIN: return m_stGain;
    default: return m_stSelectedGain;
    }
}

void CCheckComm::ShowValue(int controlId, int value)
{
    Readout(controlId).SetWindowText(std::to_string(value));
}

void CCheckComm::PaintCurrentGain(COLORREF colour)
{
    m_stGain.SetBkColor(colour);
}

void CCheckComm::ShowStatus(const std::string& text, COLORREF colour)
{
    m_stStatus.SetTextColor(colour);
    m_stStatus.SetWindowText(text);
}

void CCheckComm::RefreshAndSave()
{
    m_host.RefreshPages();
    m_host.SaveCommSettings();
}

int CCheckComm::Ask(const std::string& text, UINT type)
{
    PumpMessages();
    return AfxMessageBox(text, type);
}
