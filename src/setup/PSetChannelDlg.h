#pragma once
// The "Display Options" window: places the sonde's six channels on the three
// curve tracks and sets how each is drawn. Every change reaches the tool
// record and the curve tracks at once, and the tool file, or the log's
// header file during replay and a record.
#include <QObject>
#include <QPointer>
#include <string>
#include <vector>

#include "platform/CommonControls.h"
#include "toolkit/ColorStaticST.h"
#include "toolkit/DialogExt.h"
#include "toolkit/GridCtrl.h"

class CPreferences;
class CScopeTrack;
struct ChannelRecord;
struct ToolRecord;

class CPSetChannelDlg : public CDialogExt {
public:
    static constexpr UINT_PTR kCalTimer = 402;
    static constexpr int kRows = 6;
    static constexpr int kColumns = 3;
    static constexpr int kChannels = 6;

    CPSetChannelDlg();
    ~CPSetChannelDlg() override;

    // mainWindow receives command 90; prefs writes the files; tracks draws the curves.
    void SetOwner(CWnd* mainWindow, CPreferences* prefs, CScopeTrack* tracks);
    void RestorePlacement();
    void RefreshGrid();

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void OnVScroll(UINT code, UINT pos, CScrollBar* bar) override;
    void OnTimer(UINT_PTR id) override;

    CGridCtrl& Grid() { return m_Grid; }
    int SelectedChannel() const { return m_nSelected; }

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    void OnActivate();
    void OnGridClick(int row, int col, int channel);
    void OnGridRClick(int row, int col, POINT screen);
    void OnAddChannel(int item);
    void OnRemoveChannel();
    void ClearSelection();
    void SelectChannel(int channel);
    void OnSettingClicked(int id);
    void OnColor();
    void OnCalibration();
    void OnSet();
    bool OtherEditsHoldIntegers();
    void OnRangeEdit(int id);
    // The value one step on, kept within [min, max].
    static int Step(UINT code, int value, int by, int min, int max);
    void ScrollFilterWidth(UINT code, int width);
    void ScrollMinimum(UINT code, int minimum, int maximum);
    void ScrollMaximum(UINT code, int minimum, int maximum);
    void ScrollCols(UINT code, int cols);
    void EnableChannelControls(bool enable);
    void SetInt(int id, int value);
    void ReloadCurves();
    void WriteChannel(int channel);
    void WriteAllChannels();
    std::vector<std::string> TargetFiles() const;
    void WriteChannelDisplayKeys(int channel, const std::string& file);
    ChannelRecord& Channel(int channel);
    // The column count of the track the channel is drawn on.
    int& TrackCols(int channel);

    CColorStaticST m_stSwatch, m_stTitle, m_stUnit;
    int m_menuChannels[kChannels] = {-1, -1, -1, -1, -1, -1};
    int m_nSelected = -1;
    int m_nLastRemoved = -1;
    bool m_bStructureChanged = false;
    CEdit m_editMinimum, m_editFilterWidth, m_editMaximum, m_editCols;
    CButton m_checkFilter, m_checkReverse, m_checkCalibrate, m_buttonSet;
    CScrollBar m_spinFilterWidth, m_spinMinimum, m_spinMaximum, m_spinCols;
    CGridCtrl m_Grid;
    int m_nClickedRow = 0;  // row + 1, 0 before the first click
    int m_nClickedCol = 0;
    ToolRecord* m_pToolRecord = nullptr;
    CPreferences* m_pPreferences = nullptr;
    CScopeTrack* m_pTracks = nullptr;
    CWnd* m_pMainWnd = nullptr;
    int m_nWidth = 0;
    int m_nHeight = 0;
    QPointer<QObject> m_pActivation;
};
