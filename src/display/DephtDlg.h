#pragma once
// The depth panel: live depth and cable speed, the sonde model and curve
// scale, the depth reset, the recording mode, the magnifier and six preset
// auxiliary commands.
#include <string>

#include "display/BigDepth.h"
#include "platform/CommonControls.h"
#include "toolkit/DialogExt.h"
#include "toolkit/GraphicCounterCtrl.h"

class IAcqDialogHost;
struct LoggerSettings;
struct ToolRecord;
struct RunState;
struct HeaderRecord;
struct SondeList;
struct LiveReadout;

// What the depth panel asks of the main window that owns it.
class IDepthPanelHost {
public:
    virtual ~IDepthPanelHost() = default;
    // The curves take this scale and reload their channel settings.
    virtual void ApplyCurveScale(int scale) = 0;
    virtual void HideChannelSettings() = 0;
    virtual void SaveWinch() = 0;
    virtual void ReloadTool() = 0;
    virtual void ResetAcquisition(bool full) = 0;
    virtual void RelabelToolsBox() = 0;
    virtual bool SendAuxCommandFrame() = 0;
    // Where the depth-reset and recording-mode dialogs send their orders.
    virtual IAcqDialogHost& AcqDialogHost() = 0;
};

struct ScaleItem {
    const char* text;
    int value;
};
// The curve scales offered, in order; "1/200" draws and is stored as 250.
inline constexpr ScaleItem kScaleItems[] = {{"1/25", 25},   {"1/50", 50},   {"1/100", 100},
                                            {"1/200", 250}, {"1/500", 500}, {"1/1000", 1000}};

// The model combo's text of one sonde.
std::string SondeItemText(const std::string& ref, const std::string& serial, const std::string& name);

class CDephtDlg : public CDialogExt {
public:
    static constexpr UINT_PTR kRefreshTimer = 402;
    static constexpr int kPresets = 6;
    // Presets 1..6 in this order.
    static constexpr int kPresetIds[kPresets] = {1549, 1555, 1551, 1552, 1554, 1550};

    CDephtDlg();

    void SetHost(IDepthPanelHost* host) { m_pHost = host; }

    void SetDepthCaption();
    void FillModelCombo(int index);
    void SelectCurrentScale();
    // The sonde chosen in the model combo becomes the current one (also after a sonde import).
    void OnModelChange();

    void OnTimer(UINT_PTR id) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnClose() override;

    CBigDepth& Magnifier() { return m_BigDepth; }
    CGraphicCounterCtrl& DepthReadout() { return m_Depth; }
    CGraphicCounterCtrl& SpeedReadout() { return m_Speed; }
    CComboBox& ModelCombo() { return m_cbModel; }
    CComboBox& ScaleCombo() { return m_cbScale; }
    // The depth-reference icon shown now.
    HICON DepthReferenceIcon() const { return m_hShownReference; }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    // Escape does not close the panel.
    void OnCancel() override {}

private:
    void OnScaleChange();
    void OnPreset(int preset);
    void OnDepthReset();
    void OnRecordingMode();
    void OnDepthReferenceDoubleClick();
    void OnRefresh();
    void RefreshReadouts();
    void RefreshPresets();
    void ShowReferenceIcon(HICON icon);
    void FillScaleCombo();
    void CreateReadout(CGraphicCounterCtrl& readout, int placeId);
    void NotifySetupPages();

    CBigDepth m_BigDepth;
    LoggerSettings* m_pLoggerSettings = nullptr;
    ToolRecord* m_pToolRecord = nullptr;
    RunState* m_pRunState = nullptr;
    HeaderRecord* m_pHeaderRecord = nullptr;
    SondeList* m_pSondeList = nullptr;
    LiveReadout* m_pLiveReadout = nullptr;
    CGraphicCounterCtrl m_Depth, m_Speed;
    CIconButton m_btnDepthReset, m_btnRecordingMode, m_btnMagnifier;
    CButton m_btnPresets[kPresets];
    CComboBox m_cbModel, m_cbScale;
    CStatic m_stReference;
    HICON m_hWithOffset = nullptr;
    HICON m_hWithoutOffset = nullptr;
    HICON m_hShownReference = nullptr;
    IDepthPanelHost* m_pHost = nullptr;
};
