#include "display/ToolsProbeDlg.h"

#include <QIcon>
#include <cstdio>

#include "core/RunState.h"
#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "platform/DoubleClick.h"
#include "platform/FramePosition.h"
#include "platform/Placement.h"
#include "platform/UiThread.h"
#include "probe/Frames.h"
#include "res/Icons.h"
#include "res/Resource.h"

namespace {

constexpr int kNameIds[CToolsProbeDlg::kChannels] = {1049, 1051, 1052, 1053, 1054, 1055};
constexpr int kSmallLabels = 5;
constexpr COLORREF kValueBackground = 0x00FFFF;
constexpr size_t kCalibratedChars = 12;
constexpr LONG kBesideMain = 15;
constexpr LONG kBelowMainBottom = 10;
constexpr LONG kWideScreen = 750;

std::string IntText(int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    return text;
}

}  // namespace

std::string RawValueText(double value) { return IntText(TruncatedValue(value)); }

std::string CalibratedValueText(double value, int decimals)
{
    // A negative count from a tool file shows as none.
    if (decimals <= 0)
        return IntText(TruncatedValue(value));
    char format[32];
    std::snprintf(format, sizeof format, "%%#.%df", decimals);
    char text[kCalibratedChars + 1];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

CToolsProbeDlg::CToolsProbeDlg() : CDialogExt(IDD_TOOLS_PROBE_DLG, nullptr) {}

BOOL CToolsProbeDlg::OnInitDialog()
{
    CDialogExt::OnInitDialog();
    m_pToolRecord = theApp.m_pToolRecord;
    m_pSampleRecord = theApp.m_pSampleRecord;
    m_bUpdating = 1;
    GetSafeHwnd()->setWindowIcon(QIcon(*LoadIconById(IDB_TOOLS_BOX, 32)));
    SetWindowText("Tools Box");
    const RECT own = GetWindowRect();
    m_nWidth = own.right - own.left;
    m_nHeight = own.bottom - own.top;

    m_fontNames.CreateFont(-10, 200, "Arial");
    for (int id : kNameIds) {
        if (CWnd* name = GetDlgItem(id))
            name->SetFont(&m_fontNames);
    }
    for (int i = 0; i < kSmallLabels; ++i) {
        if (CWnd* label = GetDlgItem(IDC_TOOLS_LABEL1 + i))
            label->SetFont(&theApp.m_fontSmall);
    }

    auto subclass = [this](CColorStaticST& value, int id) {
        if (CWnd* item = GetDlgItem(id))
            value.Attach(item->GetSafeHwnd());
        value.SetBkColor(kValueBackground);
    };
    for (int k = 0; k < kChannels; ++k) {
        subclass(m_stRaw[k], IDC_RAW_VALUE1 + k);
        subclass(m_stCalibrated[k], IDC_CALIBRATED_VALUE1 + k);
        OnDoubleClick(m_stRaw[k].GetSafeHwnd(), [this, k] { OpenWindow(k); });
        OnDoubleClick(m_stCalibrated[k].GetSafeHwnd(), [this, k] { OpenWindow(kChannels + k); });
    }
    subclass(m_stToolId, IDC_TOOL_ID_VALUE);
    subclass(m_stSlot, IDC_SLOT_VALUE);

    for (int i = 0; i < kWindows; ++i) {
        m_BigData[i].Create(IDD_BIG_DATA, this);
        m_BigData[i].SetIndex(i);
    }
    m_bUpdating = 0;
    return TRUE;
}

void CToolsProbeDlg::UpdateValues()
{
    if (!theApp.m_pRunState->toolsBoxVisible)
        return;
    Values step;
    {
        std::lock_guard lock(theApp.m_lastValuesMutex);
        const SampleRecord& sample = *m_pSampleRecord;
        std::copy(std::begin(sample.channelRaw), std::end(sample.channelRaw), step.raw);
        std::copy(std::begin(sample.channelValue), std::end(sample.channelValue), step.calibrated);
        step.sampleCount = sample.sampleCount;
        step.frameByte13 = sample.frameByte13;
    }
    {
        std::lock_guard lock(m_valuesMutex);
        std::copy(std::begin(m_values.decimals), std::end(m_values.decimals), step.decimals);
        m_values = step;
    }
    // The read-outs of closed windows take nothing.
    for (int k = 0; k < kChannels; ++k) {
        m_BigData[k].SetValue(TruncatedValue(step.raw[k]));
        m_BigData[kChannels + k].SetValue(step.calibrated[k], int(step.decimals[k]));
    }
    ArmValuesTimer();
}

CToolsProbeDlg::Values CToolsProbeDlg::TakeValues() const
{
    std::lock_guard lock(m_valuesMutex);
    return m_values;
}

// Armed once and not again until it has fired, so that a fast stream of
// steps cannot keep pushing the rewrite away.
void CToolsProbeDlg::ArmValuesTimer()
{
    if (m_bTimerArmed.exchange(true))
        return;
    if (IsUiThread()) {
        SetTimer(kValuesTimer, kValuesTimerMs);
        return;
    }
    PostOnce(m_bArmPosted, m_hWnd, [this] { SetTimer(kValuesTimer, kValuesTimerMs); });
}

void CToolsProbeDlg::OnTimer(UINT_PTR id)
{
    if (id != kValuesTimer)
        return;
    KillTimer(kValuesTimer);
    m_bTimerArmed = false;
    RewriteStatics();
}

void CToolsProbeDlg::RewriteStatics()
{
    const Values shown = TakeValues();
    for (int k = 0; k < kChannels; ++k) {
        if (!m_pToolRecord->channels[k].Visible) {
            m_stRaw[k].SetWindowText("---");
            m_stCalibrated[k].SetWindowText("---");
            continue;
        }
        m_stRaw[k].SetWindowText(RawValueText(shown.raw[k]));
        m_stCalibrated[k].SetWindowText(CalibratedValueText(shown.calibrated[k], int(shown.decimals[k])));
    }
    m_stSlot.SetWindowText(IntText(TruncatedValue(shown.sampleCount)));
    m_stToolId.SetWindowText(IntText(TruncatedValue(shown.frameByte13)));
    ++m_nRewrites;
}

void CToolsProbeDlg::SetChannelLabels(bool reset)
{
    {
        std::lock_guard lock(m_valuesMutex);
        double decimals[kChannels];
        for (int k = 0; k < kChannels; ++k) {
            const ChannelRecord& channel = m_pToolRecord->channels[k];
            decimals[k] = channel.Visible ? double(channel.CalibComma) : 2.0;
        }
        if (reset)
            m_values = Values{};
        std::copy(std::begin(decimals), std::end(decimals), m_values.decimals);
    }
    for (int k = 0; k < kChannels; ++k) {
        const ChannelRecord& channel = m_pToolRecord->channels[k];
        SetDlgItemText(kNameIds[k], channel.Visible ? channel.TitleShort : "");
        SetDlgItemText(IDC_CHANNEL_UNIT1 + k, channel.Visible ? channel.Unit : "");
    }
    for (int i = 0; i < kWindows; ++i)
        m_BigData[i].SetTitle(WindowTitle(i), false);
    ArmValuesTimer();
}

std::string CToolsProbeDlg::WindowTitle(int index) const
{
    const int k = index % kChannels;
    const ChannelRecord& channel = m_pToolRecord->channels[k];
    const std::string prefix = "CH" + std::to_string(k + 1) + " :" + channel.Title;
    if (index < kChannels)
        return prefix + " RAW CPS";
    return prefix + " Calibrated - " + channel.Unit;
}

void CToolsProbeDlg::OpenWindow(int index)
{
    if (!m_pToolRecord->channels[index % kChannels].Visible)
        return;
    CBigData& window = m_BigData[index];
    // Shown first: a hidden read-out takes no value, so the reset would be lost.
    if (!window.IsWindowVisible())
        window.ShowAtStoredPlacement();
    window.SetTitle(WindowTitle(index), true);
}

void CToolsProbeDlg::RestorePosition()
{
    if (SetWindowPlacement(*this, theApp.m_pPlacementStore->placements[kPlacementToolsBox]))
        return;
    if (m_pHost != nullptr)
        m_pHost->MoveToLeftEdge(true);
    if (theApp.m_ptMaxSize.x <= kWideScreen)
        return;
    const RECT main = theApp.m_rcMainWindow;
    MoveFrameTo(*this, main.right + kBesideMain, main.bottom - m_nHeight + kBelowMainBottom);
}

bool CToolsProbeDlg::ClearUpdateFlag()
{
    m_bUpdating = 0;
    return true;
}

// The box keeps its place only from the screen: a hidden box's geometry has
// lost its frame, and a box never shown has no place to keep.
void CToolsProbeDlg::OnCancel()
{
    for (CBigData& window : m_BigData)
        window.OnCancel();
    if (IsWindowVisible())
        theApp.m_pPlacementStore->placements[kPlacementToolsBox] = GetWindowPlacement(*this);
    theApp.m_pRunState->toolsBoxVisible = 0;
    ShowWindow(SW_HIDE);
}
