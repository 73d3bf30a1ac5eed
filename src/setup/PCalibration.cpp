#include "setup/PCalibration.h"

#include <filesystem>

#include "core/CalibrationFile.h"
#include "core/Preferences.h"
#include "core/RunState.h"
#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "display/ScopeTrack.h"
#include "platform/Application.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "platform/PathDisplayText.h"
#include "res/Resource.h"

namespace {

constexpr COLORREF kDarkBlue = 0x8F0000;
// Texts as long as the INI reader gives back.
constexpr int kTextSize = 256;

// The key that leaving each edit saves (see SaveChannelToToolFile).
struct EditKey {
    int id;
    int which;
};
constexpr EditKey kEditKeys[] = {
    {IDC_CAL_UNIT, 0},
    {IDC_CAL_NAME, 1},
    {IDC_CAL_COEFFICIENT0, 2},
    {IDC_CAL_COEFFICIENT0 + 1, 3},
    {IDC_CAL_COEFFICIENT0 + 2, 4},
    {IDC_CAL_COEFFICIENT0 + 3, 5},
};
constexpr int kAllKeys = -1;

constexpr const char* kReplayNotSaved =
    "The coefficients of a replayed log are kept in its header file.\nNo calibration file is written during replay.";

std::string CoefficientKey(int k) { return "Coefficient" + std::to_string(k); }

bool ReplayingLog() { return theApp.m_pRunState->fileLoaded != 0; }

}  // namespace

CPCalibration::CPCalibration(CPreferences& preferences, CScopeTrack& scopeTrack, CWnd* parent)
    : CDialogExt(IDD_CALIBRATION, parent), m_Preferences(preferences), m_ScopeTrack(scopeTrack)
{
}

void CPCalibration::DoDataExchange(CDataExchange* dx)
{
    CDialogExt::DoDataExchange(dx);
    DDX_Control(dx, IDC_CAL_SONDE_TITLE, m_stSondeTitle);
    DDX_Control(dx, IDC_CAL_FILE, m_stFile);
    DDX_Control(dx, IDC_CAL_CHANNEL, m_cboChannel);
}

BOOL CPCalibration::OnInitDialog()
{
    CDialogExt::OnInitDialog();
    m_pTool = theApp.m_pToolRecord;
    m_pSondes = theApp.m_pSondeList;
    m_pLogger = theApp.m_pLoggerSettings;
    m_nChannel = 0;
    m_stSondeTitle.SetTextColor(kDarkBlue);
    m_stFile.SetTextColor(kDarkBlue);

    const SondeEntry& sonde = m_pSondes->entries[m_pLogger->SelectedSonde];
    m_stSondeTitle.SetWindowText(sonde.Ref + " - " + sonde.Serial + " - " + sonde.Product);
    m_stFile.SetWindowText("File: " + FileNameOf(TargetFile()));

    for (int i = 0; i < m_pTool->NumberOfChannels; ++i)
        m_cboChannel.SetItemData(m_cboChannel.AddString(m_pTool->channels[i].Title), DWORD_PTR(i));
    m_cboChannel.SetCurSel(0);
    ShowChannel();
    GetDlgItem(IDC_CAL_SAVE)->EnableWindow(false);
    return TRUE;
}

BOOL CPCalibration::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const int id = LOWORD(wParam);
    const WORD code = HIWORD(wParam);
    switch (id) {
    case IDC_CAL_CHANNEL:
        if (code == CBN_SELCHANGE)
            OnSelchangeChannel();
        return TRUE;
    case IDC_CAL_SET: OnSet(); return TRUE;
    case IDC_CAL_LOAD: OnLoadCalibrationFile(); return TRUE;
    case IDC_CAL_SAVE: OnSaveCalibrationFile(); return TRUE;
    default: break;
    }
    for (const EditKey& edit : kEditKeys) {
        if (edit.id != id)
            continue;
        if (code == EN_KILLFOCUS)
            SaveChannelToToolFile(edit.which);
        return TRUE;
    }
    return CDialogExt::OnCommand(wParam, lParam);
}

const std::string& CPCalibration::ToolFileName() const
{
    return m_pSondes->entries[m_pLogger->SelectedSonde].TolFile;
}

// During replay the channels shown are the log's: its header file takes their
// keys, as it takes the display options', and the sonde's tool file is left alone.
std::string CPCalibration::TargetFile() const
{
    if (ReplayingLog())
        return theApp.m_pPathSettings->LastFile;
    return GetProgramFolder() + "Ressources/" + ToolFileName() + ".tol";
}

void CPCalibration::ShowChannel()
{
    const ChannelRecord& channel = m_pTool->channels[m_nChannel];
    SetDlgItemText(IDC_CAL_NAME, channel.Title);
    SetDlgItemText(IDC_CAL_UNIT, channel.Unit);
    for (int k = 0; k < 4; ++k)
        SetDlgItemFloat(IDC_CAL_COEFFICIENT0 + k, float(channel.Coefficient[k]), 6, false);
}

// A coefficient whose text is no number has been reported and keeps its value.
void CPCalibration::StoreChannelFromDialog()
{
    ChannelRecord& channel = m_pTool->channels[m_nChannel];
    channel.Title = GetDlgItemText(IDC_CAL_NAME, kTextSize);
    channel.Unit = GetDlgItemText(IDC_CAL_UNIT, kTextSize);
    for (int k = 0; k < 4; ++k) {
        float value = 0.0f;
        if (GetDlgItemFloat(IDC_CAL_COEFFICIENT0 + k, &value))
            channel.Coefficient[k] = double(value);
    }
}

void CPCalibration::OnSelchangeChannel()
{
    StoreChannelFromDialog();
    const int selected = m_cboChannel.GetCurSel();
    if (selected == CB_ERR)
        return;
    m_nChannel = int(m_cboChannel.GetItemData(selected));
    ShowChannel();
}

void CPCalibration::SaveChannelToToolFile(int which)
{
    StoreChannelFromDialog();
    const ChannelRecord& channel = m_pTool->channels[m_nChannel];
    const std::string kept = m_Preferences.GetPathName();
    m_Preferences.SetPathName(TargetFile());
    const std::string section = "Channel" + std::to_string(m_nChannel);
    const char* s = section.c_str();
    const bool header = ReplayingLog();
    auto writeCoefficient = [&](int k) {
        const std::string key = CoefficientKey(k);
        // The header file keeps its coefficients as its own writer does.
        if (header)
            m_Preferences.WriteString(key.c_str(), CPreferences::FloatFileText(float(channel.Coefficient[k])), s);
        else
            m_Preferences.WriteFloat(key.c_str(), float(channel.Coefficient[k]), s);
    };
    switch (which) {
    case 0: m_Preferences.WriteString("Unit", channel.Unit, s); break;
    case 1: m_Preferences.WriteString("Title", channel.Title, s); break;
    case 2:
    case 3:
    case 4:
    case 5: writeCoefficient(which - 2); break;
    default:
        m_Preferences.WriteString("Title", channel.Title, s);
        m_Preferences.WriteString("Unit", channel.Unit, s);
        for (int k = 0; k < 4; ++k)
            writeCoefficient(k);
    }
    m_Preferences.RestorePathName(kept);
    m_ScopeTrack.LoadChannelSettings(*m_pTool);
}

void CPCalibration::OnSet()
{
    SaveChannelToToolFile(kAllKeys);
    GetDlgItem(IDC_CAL_SAVE)->EnableWindow(true);
}

void CPCalibration::OnLoadCalibrationFile()
{
    const std::string folder = GetProgramFolder() + kCalibrationFolder;
    const std::string& current = m_pTool->CalibrationFile;
    std::error_code error;
    const bool propose = !current.empty() && std::filesystem::is_regular_file(folder + current, error);
    CFileDialog dialog(TRUE, kCalibrationExtension, propose ? current : "*.cal", OFN_HIDEREADONLY | OFN_FILEMUSTEXIST,
                       "Calibration File (*.cal)|*.cal||", this);
    dialog.m_ofn.lpstrInitialDir = folder;
    if (dialog.DoModal() != IDOK)
        return;
    m_Preferences.LoadChannelCalibration(dialog.GetPathName());
    ShowChannel();
}

void CPCalibration::OnSaveCalibrationFile()
{
    // A log's header names its sonde's model, not the sonde: the calibration
    // file of the sonde selected here, or of any sonde, is not the log's to write.
    if (ReplayingLog()) {
        AfxMessageBox(kReplayNotSaved, MB_ICONINFORMATION);
        return;
    }
    const std::string kept = m_Preferences.GetPathName();
    m_Preferences.SetPathName(CalibrationFilePath(ToolFileName()));
    WriteCalibrationDate(m_Preferences);
    for (int i = 0; i < m_pTool->NumberOfChannels; ++i) {
        const ChannelRecord& channel = m_pTool->channels[i];
        const double coefficients[4] = {channel.Coefficient[0], channel.Coefficient[1], channel.Coefficient[2],
                                        channel.Coefficient[3]};
        WriteChannelCalibration(m_Preferences, i, channel.CalibComma, coefficients);
    }
    // A refused file has been told; the values wait for another try.
    if (m_Preferences.RestorePathName(kept))
        GetDlgItem(IDC_CAL_SAVE)->EnableWindow(false);
}
