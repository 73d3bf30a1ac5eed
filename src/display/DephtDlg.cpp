#include "display/DephtDlg.h"

#include <algorithm>

#include "core/Ini.h"
#include "core/RunState.h"
#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "header/HeaderRecord.h"
#include "platform/Application.h"
#include "platform/DoubleClick.h"
#include "probe/Frames.h"
#include "probe/RecordingModeDlg.h"
#include "probe/SetDepthDlg.h"
#include "res/Icons.h"
#include "res/Resource.h"

namespace {

constexpr int kLogModeTime = 10;
constexpr UINT kFirstRefreshMs = 100;
constexpr UINT kRefreshMs = 70;
constexpr int kReadoutCentred = 6;
constexpr int kReadoutWidthCode = 3;
constexpr int kReadoutRefreshCode = 6;
// What the setup sheet's probe and communication pages take after a model change.
constexpr UINT kModelChanged = 1658;

struct Tip {
    int id;
    const char* text;
};
constexpr Tip kToolTips[] = {
    {IDC_RECORDING_MODE, "Set mode to be displayed (Time - Up -Down)."},
    {IDC_DEPTH_RESET, "Set current depth."},
    {IDC_SCALE_COMBO, "To change display scale."},
    {IDC_MODEL_COMBO, "To change the model of sonde."},
};

}  // namespace

std::string SondeItemText(const std::string& ref, const std::string& serial, const std::string& name)
{
    return ref + " - " + serial + " - " + name;
}

CDephtDlg::CDephtDlg() : CDialogExt(IDD_DEPHT_DLG, nullptr) {}

void CDephtDlg::DoDataExchange(CDataExchange* dx)
{
    CDialogExt::DoDataExchange(dx);
    DDX_Control(dx, IDC_DEPTH_RESET, m_btnDepthReset);
    DDX_Control(dx, IDC_RECORDING_MODE, m_btnRecordingMode);
    DDX_Control(dx, IDC_MAGNIFIER, m_btnMagnifier);
    DDX_Control(dx, IDC_MODEL_COMBO, m_cbModel);
    DDX_Control(dx, IDC_SCALE_COMBO, m_cbScale);
    DDX_Control(dx, IDC_DEPTH_REFERENCE, m_stReference);
    for (int k = 0; k < kPresets; ++k)
        DDX_Control(dx, kPresetIds[k], m_btnPresets[k]);
}

BOOL CDephtDlg::OnInitDialog()
{
    CDialogExt::OnInitDialog();
    m_pLoggerSettings = theApp.m_pLoggerSettings;
    m_pToolRecord = theApp.m_pToolRecord;
    m_pRunState = theApp.m_pRunState;
    m_pHeaderRecord = theApp.m_pHeaderRecord;
    m_pSondeList = theApp.m_pSondeList;
    m_pLiveReadout = theApp.m_pLiveReadout;
    SetDepthCaption();
    m_BigDepth.Create(IDD_BIG_DEPTH, this);

    CreateReadout(m_Depth, IDC_DEPTH_READOUT);
    CreateReadout(m_Speed, IDC_SPEED_READOUT);
    m_Depth.SetRefreshRate(kReadoutRefreshCode);
    m_Depth.Refresh();
    m_Speed.Refresh();

    m_btnDepthReset.SetIcon(LoadIconById(IDI_DEPTH_RESET, 16));
    m_btnRecordingMode.SetIcon(LoadIconById(IDI_RECORDING_MODE, 20));
    m_btnMagnifier.SetIcon(LoadIconById(IDI_MAGNIFIER, 20));
    m_btnDepthReset.EnableWindow(false);
    m_btnRecordingMode.EnableWindow(false);
    m_hWithoutOffset = LoadIconById(IDI_DEPTH_WITHOUT_OFFSET, 32);
    m_hWithOffset = LoadIconById(IDI_SET_DEPTH, 32);
    ShowReferenceIcon(m_hWithOffset);
    OnDoubleClick(m_stReference.GetSafeHwnd(), [this] { OnDepthReferenceDoubleClick(); });

    FillModelCombo(m_pLoggerSettings->SelectedSonde);
    FillScaleCombo();
    SelectCurrentScale();
    for (const Tip& tip : kToolTips)
        m_toolTip.AddTool(tip.text, tip.id);
    SetTimer(kRefreshTimer, kFirstRefreshMs);
    return TRUE;
}

void CDephtDlg::CreateReadout(CGraphicCounterCtrl& readout, int placeId)
{
    if (!CreateReadoutOver(*this, placeId, readout))
        return;
    readout.SetBkColor(0);
    readout.SetTextColor(kLiveReadoutColour);
    readout.SetAlignment(kReadoutCentred);
    readout.SetCharWidth(kReadoutWidthCode);
}

void CDephtDlg::SetDepthCaption() { SetDlgItemText(IDC_DEPTH_CAPTION, "Depth"); }

void CDephtDlg::FillModelCombo(int index)
{
    m_cbModel.ResetContent();
    const int count = std::clamp(int(m_pSondeList->RefInStock), 0, SondeList::kMaxSondes + 1);
    for (int i = 0; i < count; ++i) {
        const SondeEntry& entry = m_pSondeList->entries[i];
        const int item = m_cbModel.AddString(SondeItemText(entry.Ref, entry.Serial, entry.Name));
        m_cbModel.SetItemData(item, DWORD_PTR(i));
    }
    m_cbModel.SetCurSel(index);
}

void CDephtDlg::FillScaleCombo()
{
    m_cbScale.ResetContent();
    for (const ScaleItem& scale : kScaleItems) {
        const int item = m_cbScale.AddString(scale.text);
        m_cbScale.SetItemData(item, DWORD_PTR(scale.value));
    }
}

void CDephtDlg::SelectCurrentScale()
{
    const int scale = m_pToolRecord->Scale;
    for (int i = 0; i < m_cbScale.GetCount(); ++i) {
        if (int(m_cbScale.GetItemData(i)) == scale) {
            m_cbScale.SetCurSel(i);
            return;
        }
    }
}

BOOL CDephtDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    switch (id) {
    case IDC_DEPTH_RESET: OnDepthReset(); return TRUE;
    case IDC_RECORDING_MODE: OnRecordingMode(); return TRUE;
    case IDC_MAGNIFIER: m_BigDepth.ShowAtStoredPlacement(); return TRUE;
    case IDC_MODEL_COMBO:
        if (code == CBN_SELCHANGE)
            OnModelChange();
        return TRUE;
    case IDC_SCALE_COMBO:
        if (code == CBN_SELCHANGE)
            OnScaleChange();
        return TRUE;
    default: break;
    }
    for (int k = 0; k < kPresets; ++k) {
        if (id == kPresetIds[k]) {
            OnPreset(k);
            return TRUE;
        }
    }
    return CDialogExt::OnCommand(wParam, lParam);
}

void CDephtDlg::OnClose() { KillTimer(kRefreshTimer); }

void CDephtDlg::OnDepthReset()
{
    CPSetDepthDlg dialog(m_pHost->AcqDialogHost(), this);
    dialog.DoModal();
}

void CDephtDlg::OnRecordingMode()
{
    theApp.m_bDisplayModeTitle = 1;
    CPRecordingMode dialog(m_pHost->AcqDialogHost(), this);
    dialog.DoModal();
    theApp.m_bDisplayModeTitle = 0;
}

void CDephtDlg::OnModelChange()
{
    const int selected = m_cbModel.GetCurSel();
    // An empty combo has no selection: keep the sonde in use.
    if (selected < 0)
        return;
    m_pHost->HideChannelSettings();
    m_pLoggerSettings->SelectedSonde = selected;
    m_pHost->SaveWinch();
    for (int pass = 0; pass < 2; ++pass) {
        m_pHost->ReloadTool();
        SelectCurrentScale();
    }
    m_pHost->ResetAcquisition(true);
    m_pHost->RelabelToolsBox();
    NotifySetupPages();
}

// The setup sheet's probe and communication pages show the new sonde's settings.
void CDephtDlg::NotifySetupPages()
{
    PostProbePageCommand(kModelChanged);
    PostCommPageCommand(kModelChanged);
}

void CDephtDlg::OnScaleChange()
{
    const int selected = m_cbScale.GetCurSel();
    if (selected < 0)
        return;
    const int scale = int(m_cbScale.GetItemData(selected));
    m_pHost->ApplyCurveScale(scale);
    m_pToolRecord->Scale = scale;
    if (m_pRunState->fileLoaded)
        return;
    const int sonde = m_pLoggerSettings->SelectedSonde;
    if (sonde < 0 || sonde > SondeList::kMaxSondes)
        return;
    // The program's own file, by the name every other writer of it uses.
    CIni tool(GetProgramFolder() + "Ressources/" + m_pSondeList->entries[sonde].TolFile + ".tol", TRUE);
    tool.WriteInt("Scale", scale, "General");
    tool.TellRefusedWrites();
}

void CDephtDlg::OnPreset(int preset)
{
    theApp.m_nAuxCommand = std::uint32_t(m_pToolRecord->Aux[preset]);
    m_pHost->SendAuxCommandFrame();
}

void CDephtDlg::OnDepthReferenceDoubleClick()
{
    if (m_pRunState->fileLoaded)
        return;
    const bool withoutOffset = theApp.m_bDepthWithoutOffset == 0;
    theApp.m_bDepthWithoutOffset = withoutOffset ? 1 : 0;
    ShowReferenceIcon(withoutOffset ? m_hWithoutOffset : m_hWithOffset);
}

void CDephtDlg::ShowReferenceIcon(HICON icon)
{
    if (icon == m_hShownReference)
        return;
    m_hShownReference = icon;
    m_stReference.SetIcon(icon);
}

void CDephtDlg::OnTimer(UINT_PTR id)
{
    if (id == kRefreshTimer)
        OnRefresh();
}

void CDephtDlg::OnRefresh()
{
    KillTimer(kRefreshTimer);
    const int link = theApp.m_nLinkStatus;
    m_btnDepthReset.EnableWindow(link == kLinkLive);
    m_btnRecordingMode.EnableWindow(link >= kLinkLive && theApp.m_bSondePowered && !m_pRunState->recording);
    RefreshReadouts();
    RefreshPresets();
    const bool withoutOffset = m_pRunState->fileLoaded || theApp.m_bDepthWithoutOffset;
    ShowReferenceIcon(withoutOffset ? m_hWithoutOffset : m_hWithOffset);
    SetTimer(kRefreshTimer, kRefreshMs);
}

void CDephtDlg::RefreshReadouts()
{
    if (m_BigDepth.IsWindowVisible())
        m_BigDepth.ArmRefresh();
    const bool replaying =
        m_pRunState->fileLoaded && m_pRunState->playing && m_pHeaderRecord->LogMode != kLogModeTime;
    ShowDepthReadouts(DepthReadoutsFor(theApp.m_nLinkStatus, replaying, m_pLiveReadout->currentDepth,
                                       m_pLiveReadout->cableSpeed, m_pToolRecord->SondeLength,
                                       theApp.m_bDepthWithoutOffset != 0),
                      m_Depth, m_Speed);
}

void CDephtDlg::RefreshPresets()
{
    const ToolRecord& tool = *m_pToolRecord;
    const bool shown = tool.Enabled && !m_pRunState->fileLoaded;
    for (int k = 0; k < kPresets; ++k) {
        CButton& button = m_btnPresets[k];
        if (!shown) {
            button.ShowWindow(SW_HIDE);
            continue;
        }
        if (button.GetWindowText() != tool.LabelAux[k])
            button.SetWindowText(tool.LabelAux[k]);
        button.EnableWindow(tool.Aux[k] >= 0);
        button.ShowWindow(SW_SHOW);
    }
}
