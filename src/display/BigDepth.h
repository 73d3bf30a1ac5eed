#pragma once
// The depth magnifier: depth and cable speed in large figures, in a window of
// its own that the depth panel shows and that a double click hides.
#include "toolkit/DialogExt.h"
#include "toolkit/GraphicCounterCtrl.h"

struct RunState;
struct LiveReadout;
struct ToolRecord;

constexpr COLORREF kLiveReadoutColour = 0x00FFFF;
constexpr COLORREF kReplayReadoutColour = 0xFFFFA0;
constexpr const char* kDepthFormat = "%###.2f";

// What the depth and speed read-outs show: live from link state 16, less the
// tool offset (sonde length in centimetres) unless depth without offset is
// set; below it only a replayed depth, or nothing.
struct DepthReadouts {
    bool depthShown = false;
    bool speedShown = false;
    double depth = 0.0;
    double speed = 0.0;
    COLORREF colour = kReplayReadoutColour;
};
DepthReadouts DepthReadoutsFor(int linkStatus, bool replaying, double currentDepth, double cableSpeed,
                               double sondeLengthCm, bool withoutOffset);
// Creates the read-out, visible, where the placeholder control is, and hides
// the placeholder; false when the dialog has no such control.
bool CreateReadoutOver(CWnd& dialog, int placeId, CGraphicCounterCtrl& readout);
// Sets both read-outs from what they show: a value, or blank.
void ShowDepthReadouts(const DepthReadouts& shown, CGraphicCounterCtrl& depth, CGraphicCounterCtrl& speed);

class CBigDepth : public CDialogExt {
public:
    static constexpr UINT_PTR kRefreshTimer = 402;

    CBigDepth();

    // Shows it at placement 17, or centred over the main window 150 pixels
    // below its top (then kept as placement 17).
    void ShowAtStoredPlacement();
    // Arms the one-shot refresh unless it is already armed.
    void ArmRefresh();
    // Stores placement 17 and hides.
    void StoreAndHide();

    CGraphicCounterCtrl& DepthReadout() { return m_Depth; }
    CGraphicCounterCtrl& SpeedReadout() { return m_Speed; }

    void OnTimer(UINT_PTR id) override;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override { StoreAndHide(); }
    void OnCancel() override { StoreAndHide(); }
    void OnClose() override { StoreAndHide(); }

private:
    void RefreshReadouts();

    RunState* m_pRunState = nullptr;
    LiveReadout* m_pLiveReadout = nullptr;
    ToolRecord* m_pToolRecord = nullptr;
    CGraphicCounterCtrl m_Depth, m_Speed;
    CFont m_fontDepthUnit, m_fontSpeedUnit;
    bool m_bArmed = false;
    double m_dDepth = 0.0;
    double m_dSpeed = 0.0;
};
