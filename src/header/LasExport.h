#pragma once
// The "LAS 2.0 exportation" dialog: one recorded log (.log and the .hed beside
// it) to a LAS 2.0 file over a chosen depth range, with the channels and the
// calibration the operator picks.
//
// The main window runs it modally for its command 32774, while the sonde is
// off and after a running replay was stopped:
//     CLasExport dialog(this);
//     dialog.DoModal();
#include <string>

#include "core/ToolRecord.h"
#include "header/LasFile.h"
#include "platform/CommonControls.h"
#include "toolkit/DialogExt.h"

struct HeaderRecord;
struct PathSettings;


class CLasExport : public CDialogExt {
public:
    explicit CLasExport(CWnd* parent = nullptr);
    ~CLasExport() override = default;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    // Enter does not close the dialog.
    void OnOK() override {}
    void OnCancel() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    void SelectInputFile();
    void SelectOutputFile();
    void SelectCalibrationFile();
    void OnSelchangeCalibration();
    void OnKillfocusFrom();
    void OnKillfocusTo();
    void OnStart();

    // The data file's header, record count and range into the dialog.
    void PrepareDataFile(const std::string& path);
    void ShowDepthRange();
    void CheckDepthRange(double* value, bool isFrom);
    void GenerateLASFormatFile();
    // False when the calibration file is missing.
    bool TakeCoefficients(LasLayout& layout);
    void EnableChannelRows(bool calOnly);

    CStatic m_stcInputFile;
    CStatic m_stcOutputFile;
    CStatic m_stcCalFile;
    CEdit m_edtFrom;
    CEdit m_edtTo;
    CComboBox m_cboCalibration;
    CButton m_chkReverse;
    CButton m_chkChannel[kLasChannels];
    CButton m_chkCal[kLasChannels];
    PathSettings* m_pPaths = nullptr;
    ToolRecord* m_pTool = nullptr;
    HeaderRecord* m_pHeader = nullptr;
    double m_HeaderCoefs[kLasChannels][4] = {};
    std::string m_strDataPath;
    std::string m_strLasPath;
    std::string m_strCalPath;
    LasRange m_range;  // start, end, step, From and To of the chosen log; steps 0 until one is chosen
};
