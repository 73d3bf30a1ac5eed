#include "display/BigDepth.h"

#include <QIcon>
#include <utility>

#include "core/RunState.h"
#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "platform/DoubleClick.h"
#include "platform/FramePosition.h"
#include "platform/Placement.h"
#include "probe/Frames.h"
#include "res/Icons.h"
#include "res/Resource.h"

namespace {

constexpr LONG kBelowMainTop = 150;

}  // namespace

DepthReadouts DepthReadoutsFor(int linkStatus, bool replaying, double currentDepth, double cableSpeed,
                               double sondeLengthCm, bool withoutOffset)
{
    DepthReadouts shown;
    if (linkStatus < kLinkLive) {
        shown.depthShown = replaying;
        shown.depth = currentDepth;
        return shown;
    }
    shown.depthShown = shown.speedShown = true;
    shown.colour = kLiveReadoutColour;
    shown.depth = withoutOffset ? currentDepth : currentDepth - sondeLengthCm / 100.0;
    shown.speed = cableSpeed;
    return shown;
}

bool CreateReadoutOver(CWnd& dialog, int placeId, CGraphicCounterCtrl& readout)
{
    CWnd* place = dialog.GetDlgItem(placeId);
    if (place == nullptr)
        return false;
    RECT rect = place->GetWindowRect();
    dialog.ScreenToClient(rect);
    place->ShowWindow(SW_HIDE);
    return readout.Create(WS_CHILD | WS_VISIBLE, rect, &dialog, 0);
}

void ShowDepthReadouts(const DepthReadouts& shown, CGraphicCounterCtrl& depth, CGraphicCounterCtrl& speed)
{
    depth.SetTextColor(shown.colour);
    speed.SetTextColor(shown.colour);
    if (shown.depthShown)
        depth.SetValue(shown.depth, kDepthFormat);
    else
        depth.SetText("");
    if (shown.speedShown)
        speed.SetValue(shown.speed, kDepthFormat);
    else
        speed.SetText("");
}

CBigDepth::CBigDepth() : CDialogExt(IDD_BIG_DEPTH, nullptr) {}

BOOL CBigDepth::OnInitDialog()
{
    CDialogExt::OnInitDialog();
    m_pRunState = theApp.m_pRunState;
    m_pLiveReadout = theApp.m_pLiveReadout;
    m_pToolRecord = theApp.m_pToolRecord;
    SetWindowText("Depth magnifier");
    GetSafeHwnd()->setWindowIcon(QIcon(*LoadIconById(IDI_MAGNIFIER, 16)));
    for (auto [readout, placeId] : {std::pair{&m_Depth, IDC_DEPTH_READOUT}, std::pair{&m_Speed, IDC_SPEED_READOUT}}) {
        CreateReadoutOver(*this, placeId, *readout);
        readout->SetBkColor(0);
        readout->SetTextColor(kReplayReadoutColour);
    }
    m_fontDepthUnit.CreateFont(40, FW_BOLD, "MS Shell Dlg");
    m_fontSpeedUnit.CreateFont(24, FW_BOLD, "MS Shell Dlg");
    if (CWnd* unit = GetDlgItem(IDC_DEPTH_UNIT))
        unit->SetFont(&m_fontDepthUnit);
    if (CWnd* unit = GetDlgItem(IDC_SPEED_UNIT))
        unit->SetFont(&m_fontSpeedUnit);
    OnDoubleClick(GetSafeHwnd(), [this] { StoreAndHide(); });
    OnDoubleClick(m_Depth.GetSafeHwnd(), [this] { StoreAndHide(); });
    OnDoubleClick(m_Speed.GetSafeHwnd(), [this] { StoreAndHide(); });
    return TRUE;
}

void CBigDepth::ShowAtStoredPlacement()
{
    WindowPlacement& stored = theApp.m_pPlacementStore->placements[kPlacementMagnifier];
    if (!SetWindowPlacement(*this, stored)) {
        const RECT main = theApp.m_rcMainWindow;
        const RECT own = GetWindowRect();
        const LONG width = own.right - own.left;
        MoveFrameTo(*this, main.left + ((main.right - main.left) - width) / 2, main.top + kBelowMainTop);
        stored = GetWindowPlacement(*this);
    }
    ShowWindow(SW_SHOW);
}

void CBigDepth::StoreAndHide()
{
    theApp.m_pPlacementStore->placements[kPlacementMagnifier] = GetWindowPlacement(*this);
    ShowWindow(SW_HIDE);
}

void CBigDepth::ArmRefresh()
{
    if (m_bArmed || !IsWindow())
        return;
    m_bArmed = true;
    SetTimer(kRefreshTimer, 1);
}

void CBigDepth::OnTimer(UINT_PTR id)
{
    if (id != kRefreshTimer)
        return;
    KillTimer(kRefreshTimer);
    m_bArmed = false;
    RefreshReadouts();
}

void CBigDepth::RefreshReadouts()
{
    m_dDepth = m_pLiveReadout->currentDepth;
    m_dSpeed = m_pLiveReadout->cableSpeed;
    // Unlike the panel, a replayed log in time mode still shows its depth here.
    const bool replaying = m_pRunState->fileLoaded && m_pRunState->playing;
    ShowDepthReadouts(DepthReadoutsFor(theApp.m_nLinkStatus, replaying, m_dDepth, m_dSpeed,
                                       m_pToolRecord->SondeLength, theApp.m_bDepthWithoutOffset != 0),
                      m_Depth, m_Speed);
}
