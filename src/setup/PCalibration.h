#pragma once
// The calibration dialog: per channel of the current sonde its name, unit and
// polynomial coefficients, stored at once in the sonde's tool file (during
// replay in the log's header file); all
// coefficients loaded from or saved to a calibration file. Run modally.
#include <string>

#include "platform/CommonControls.h"
#include "toolkit/ColorStaticST.h"
#include "toolkit/DialogExt.h"

class CPreferences;
class CScopeTrack;
struct LoggerSettings;
struct SondeList;
struct ToolRecord;

class CPCalibration : public CDialogExt {
public:
    // The curve tracks reload a channel's settings after each key saved.
    CPCalibration(CPreferences& preferences, CScopeTrack& scopeTrack, CWnd* parent);

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    // Enter never closes the dialog.
    void OnOK() override {}

private:
    void ShowChannel();
    void StoreChannelFromDialog();
    // which: 0 Unit, 1 Title, 2..5 Coefficient0..3, anything else all six keys.
    void SaveChannelToToolFile(int which);
    void OnSelchangeChannel();
    void OnSet();
    void OnLoadCalibrationFile();
    void OnSaveCalibrationFile();
    const std::string& ToolFileName() const;
    // Where the keys of a channel go: the sonde's tool file, or during replay the log's header file.
    std::string TargetFile() const;

    CColorStaticST m_stSondeTitle;
    CColorStaticST m_stFile;
    CComboBox m_cboChannel;
    int m_nChannel = 0;
    ToolRecord* m_pTool = nullptr;
    SondeList* m_pSondes = nullptr;
    LoggerSettings* m_pLogger = nullptr;
    CPreferences& m_Preferences;
    CScopeTrack& m_ScopeTrack;
};
