#include "header/LasExport.h"

#include <QGuiApplication>
#include <QIcon>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <strings.h>

#include "core/Preferences.h"
#include "core/Settings.h"
#include "core/VarnoLogger_KVXApp.h"
#include "header/Header.h"
#include "header/HeaderRecord.h"
#include "platform/FileDialog.h"
#include "platform/PathDisplayText.h"
#include "probe/LogRecord.h"
#include "res/Icons.h"
#include "res/Resource.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kNotAvailable = "*** N/A ***";
constexpr int kNoCalibration = 0;
constexpr int kHeaderCalibration = 1;
constexpr int kFileCalibration = 2;
constexpr int kTimeMode = 10;

bool FileExists(const std::string& path)
{
    std::error_code error;
    return !path.empty() && fs::is_regular_file(path, error);
}

bool FolderExists(const std::string& path)
{
    std::error_code error;
    return !path.empty() && fs::is_directory(path, error);
}

// Why a log has no depth step, in terms of its header.
std::string NoDepthStepText(const HeaderRecord& header, int records)
{
    std::string why = "its header gives a step of 0";
    if (header.LogMode == kTimeMode) {
        // The depths as the range takes them, to the centimetre.
        const double start = std::round(header.Startdepth / 10.0) / 100.0;
        const double end = std::round(header.EndDepth / 10.0) / 100.0;
        char text[160];
        std::snprintf(text, sizeof text,
                      "its depth goes from %.2f m to %.2f m over %d records, a mean step that rounds to 0", start, end,
                      records);
        why = start == end ? "its start and end depths are equal" : text;
    }
    return "This log has no depth step: " + why + ".\nNothing can be exported.";
}

// The name with its last three characters replaced by "las".
std::string LasName(const std::string& name) { return name.substr(0, name.size() < 3 ? 0 : name.size() - 3) + "las"; }

// The wait cursor while the file is written.
struct WaitCursor {
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// The file the operator chose, or empty on cancel.
std::string ChooseFile(CWnd* owner, bool open, const char* extension, const std::string& proposed, const char* filter,
                       const std::string& folder)
{
    CFileDialog dialog(open, extension, proposed, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY, filter, owner);
    dialog.m_ofn.lpstrInitialDir = folder;
    if (dialog.DoModal() != IDOK)
        return {};
    return dialog.GetPathName();
}

}  // namespace

CLasExport::CLasExport(CWnd* parent) : CDialogExt(IDD_LAS_EXPORT, parent) {}

void CLasExport::DoDataExchange(CDataExchange* dx)
{
    CDialogExt::DoDataExchange(dx);
    DDX_Control(dx, IDC_LAS_INPUT_FILE, m_stcInputFile);
    DDX_Control(dx, IDC_LAS_OUTPUT_FILE, m_stcOutputFile);
    DDX_Control(dx, IDC_LAS_CAL_FILE, m_stcCalFile);
    DDX_Control(dx, IDC_LAS_FROM, m_edtFrom);
    DDX_Control(dx, IDC_LAS_TO, m_edtTo);
    DDX_Control(dx, IDC_LAS_CALIBRATION, m_cboCalibration);
    DDX_Control(dx, IDC_LAS_REVERSE, m_chkReverse);
    for (int i = 0; i < kLasChannels; ++i) {
        DDX_Control(dx, IDC_LAS_CHANNEL1 + i, m_chkChannel[i]);
        DDX_Control(dx, IDC_LAS_CAL1 + i, m_chkCal[i]);
    }
}

BOOL CLasExport::OnInitDialog()
{
    CDialogExt::OnInitDialog();
    GetSafeHwnd()->setWindowIcon(QIcon(*LoadIconById(IDI_LAS_EXPORT, 32)));
    m_pPaths = theApp.m_pPathSettings;
    m_pTool = theApp.m_pToolRecord;
    m_pHeader = theApp.m_pHeaderRecord;
    m_cboCalibration.AddString("*** No cal. ***");
    m_cboCalibration.AddString(" Use Header");
    m_cboCalibration.AddString(" Use Cal File");
    m_cboCalibration.SetCurSel(kHeaderCalibration);
    m_strDataPath.clear();
    m_strLasPath.clear();
    m_strCalPath.clear();
    m_range = LasRange{};
    for (int i = 0; i < kLasChannels; ++i) {
        m_chkChannel[i].EnableWindow(false);
        m_chkCal[i].EnableWindow(false);
    }
    m_chkReverse.EnableWindow(false);
    m_edtFrom.EnableWindow(false);
    m_edtTo.EnableWindow(false);
    m_cboCalibration.EnableWindow(false);
    GetDlgItem(IDC_LAS_SELECT_CAL)->EnableWindow(false);
    m_stcCalFile.EnableWindow(false);
    GetDlgItem(IDC_LAS_START)->EnableWindow(false);
    return TRUE;
}

void CLasExport::OnCancel() { CDialogExt::OnCancel(); }

BOOL CLasExport::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const WORD code = HIWORD(wParam);
    switch (LOWORD(wParam)) {
    case IDC_LAS_SELECT_INPUT: SelectInputFile(); return TRUE;
    case IDC_LAS_SELECT_OUTPUT: SelectOutputFile(); return TRUE;
    case IDC_LAS_SELECT_CAL: SelectCalibrationFile(); return TRUE;
    case IDC_LAS_START: OnStart(); return TRUE;
    case IDC_LAS_CALIBRATION:
        if (code == CBN_SELCHANGE)
            OnSelchangeCalibration();
        return TRUE;
    case IDC_LAS_FROM:
        if (code == EN_KILLFOCUS)
            OnKillfocusFrom();
        return TRUE;
    case IDC_LAS_TO:
        if (code == EN_KILLFOCUS)
            OnKillfocusTo();
        return TRUE;
    default: return CDialogExt::OnCommand(wParam, lParam);
    }
}

void CLasExport::SelectInputFile()
{
    std::string folder;
    if (FolderExists(m_pPaths->FilePath)) {
        folder = m_pPaths->FilePath;
        const std::string data = std::string(m_pPaths->appDir) + "Data";
        if (m_pPaths->DataFile[0] == '\0' && FolderExists(data))
            folder = data;
    }
    const std::string path = ChooseFile(this, true, ".log", "*.log", "Tralvin Sonde File (*.log)|*.log||", folder);
    if (!path.empty())
        PrepareDataFile(path);
}

void CLasExport::PrepareDataFile(const std::string& path)
{
    const fs::path chosen(path);
    const std::string headerPath = fs::path(chosen).replace_extension("hed").string();
    // Without its header a log has no depths, mode or channels to export.
    if (!FileExists(headerPath)) {
        AfxMessageBox(FileExists(path) ? "Bad header file." : "Data file not present.", MB_OK);
        return;
    }
    const std::string name = chosen.filename().string();
    m_stcInputFile.SetWindowText(PathDisplayText(name));
    m_stcOutputFile.SetWindowText(PathDisplayText(LasName(name)));
    m_strDataPath = path;
    const fs::path lasFolder = chosen.parent_path() / "LAS20";
    m_strLasPath = (lasFolder / LasName(name)).string();
    std::error_code error;
    fs::create_directory(lasFolder, error);

    CHeader header;
    if (header.ReadHeader(headerPath))
        return;
    const int channels = std::min(m_pHeader->channelCount, kLasChannels);
    for (int i = 0; i < channels; ++i) {
        const HeaderChannel& channel = m_pHeader->channels[i];
        std::copy(channel.Coefficient, channel.Coefficient + 4, m_HeaderCoefs[i]);
        m_chkCal[i].SetCheck(channel.CalFlag ? BST_CHECKED : BST_UNCHECKED);
        m_chkCal[i].EnableWindow(true);
    }

    const auto size = fs::file_size(chosen, error);
    const int records = error ? 0 : int(size / sizeof(LogRecord)) - 1;
    m_range.steps = records;
    // A log refused here is not exported with the range of the one chosen before.
    GetDlgItem(IDC_LAS_START)->EnableWindow(false);
    if (records <= 0) {
        AfxMessageBox("Invalid file log !!!", MB_OK);
        return;
    }
    theApp.m_nReplayPos = 0;
    LasRange range;
    if (!ComputeLasRange(*m_pHeader, records, range)) {
        AfxMessageBox(NoDepthStepText(*m_pHeader, records), MB_ICONERROR);
        return;
    }
    m_range = range;
    ShowDepthRange();
    for (int i = 0; i < channels; ++i) {
        m_chkChannel[i].SetWindowText(m_pHeader->channels[i].Title);
        m_chkChannel[i].EnableWindow(true);
        m_chkChannel[i].SetCheck(BST_CHECKED);
    }
    m_chkReverse.EnableWindow(true);
    m_edtFrom.EnableWindow(true);
    m_edtTo.EnableWindow(true);
    m_cboCalibration.EnableWindow(true);
    GetDlgItem(IDC_LAS_START)->EnableWindow(true);
}

void CLasExport::ShowDepthRange()
{
    SetDlgItemDouble(IDC_LAS_FROM, m_range.from, 2, false);
    if (m_pHeader->LogMode == kTimeMode)
        SetDlgItemDouble(IDC_LAS_INTERVAL, m_range.step * 100.0, 1, false);
    else
        SetDlgItemIntClamped(IDC_LAS_INTERVAL, m_pHeader->step / 10, -1, -1);
    SetDlgItemDouble(IDC_LAS_TO, m_range.to, 2, false);
}

void CLasExport::OnKillfocusFrom()
{
    GetDlgItemDouble(IDC_LAS_FROM, &m_range.from);
    CheckDepthRange(&m_range.from, true);
    SetDlgItemDouble(IDC_LAS_FROM, m_range.from, 2, false);
}

void CLasExport::OnKillfocusTo()
{
    GetDlgItemDouble(IDC_LAS_TO, &m_range.to);
    CheckDepthRange(&m_range.to, false);
    SetDlgItemDouble(IDC_LAS_TO, m_range.to, 2, false);
}

void CLasExport::CheckDepthRange(double* value, bool isFrom)
{
    if (!CheckLasDepth(m_range, *value, isFrom))
        return;
    char text[160];
    std::snprintf(text, sizeof text, "Bad entry value (begining %#.2f ending %#.2f) \n", m_range.startDepth,
                  m_range.endDepth);
    AfxMessageBox(text, MB_ICONERROR);
}

void CLasExport::OnSelchangeCalibration()
{
    const int k = m_cboCalibration.GetCurSel();
    GetDlgItem(IDC_LAS_SELECT_CAL)->EnableWindow(k == kFileCalibration);
    m_stcCalFile.EnableWindow(k == kFileCalibration);
    if (k == kNoCalibration) {
        for (CButton& box : m_chkCal) {
            box.SetCheck(BST_UNCHECKED);
            box.EnableWindow(false);
        }
        return;
    }
    const int channels = std::min(m_pHeader->channelCount, kLasChannels);
    for (int i = 0; i < channels; ++i) {
        m_chkCal[i].SetCheck(m_pHeader->channels[i].CalFlag ? BST_CHECKED : BST_UNCHECKED);
        m_chkCal[i].EnableWindow(true);
    }
}

void CLasExport::SelectOutputFile()
{
    std::string folder = m_pPaths->FilePath[0] != '\0' ? m_pPaths->FilePath : m_pPaths->appDir;
    std::string proposed = "*.las";
    if (FileExists(m_strLasPath)) {
        proposed = m_strLasPath;
        folder.clear();
    }
    const std::string path = ChooseFile(this, false, ".las", proposed, "Log ASCII Standard(*.las)|*.las||", folder);
    if (path.empty()) {
        m_strLasPath.clear();
        m_stcOutputFile.SetWindowText(kNotAvailable);
        GetDlgItem(IDC_LAS_START)->EnableWindow(false);
        return;
    }
    m_stcOutputFile.SetWindowText(PathDisplayText(FileNameOf(path)));
    m_strLasPath = path;
    if (!m_strDataPath.empty())
        GetDlgItem(IDC_LAS_START)->EnableWindow(true);
}

void CLasExport::SelectCalibrationFile()
{
    const std::string folder = m_pPaths->appDir;
    const std::string current = folder + "Calibration/" + m_pTool->CalibrationFile;
    const bool propose = !m_pTool->CalibrationFile.empty() && FileExists(current);
    const std::string path = ChooseFile(this, true, ".cal", propose ? current : "*.cal",
                                        "User calibration File (*.cal)|*.cal||", propose ? "" : folder);
    if (path.empty())
        return;
    m_strCalPath = path;
    m_stcCalFile.SetWindowText(PathDisplayText(FileNameOf(path)));
}

void CLasExport::OnStart()
{
    bool any = false;
    for (const CButton& box : m_chkChannel)
        any = any || box.GetCheck() == BST_CHECKED;
    if (!any) {
        AfxMessageBox("You must at least choose a channel !!!", MB_OK);
        return;
    }
    // Both ends corrected can leave From past To.
    if (!LasRangeInOrder(m_range)) {
        char text[160];
        std::snprintf(text, sizeof text, "Bad depth range: From %#.2f lies past To %#.2f.\nNothing was exported.",
                      m_range.from, m_range.to);
        AfxMessageBox(text, MB_ICONERROR);
        return;
    }
    GenerateLASFormatFile();
}

bool CLasExport::TakeCoefficients(LasLayout& layout)
{
    static const double kIdentity[4] = {0.0, 1.0, 0.0, 0.0};
    layout.calibration = m_cboCalibration.GetCurSel();
    ChannelRecord fromFile[kLasChannels];
    if (layout.calibration == kFileCalibration) {
        if (m_strCalPath.empty() || strcasecmp(m_strCalPath.c_str(), kNotAvailable) == 0) {
            AfxMessageBox("No calibrate file selected.\nEchec to create file.", MB_ICONERROR);
            return false;
        }
        CPreferences reader;
        reader.LoadCalibration(m_strCalPath, fromFile);
    }
    const int channels = std::min(m_pHeader->channelCount, kLasChannels);
    for (int i = 0; i < channels; ++i) {
        const bool cal = m_chkCal[i].GetCheck() == BST_CHECKED;
        for (int k = 0; k < 4; ++k) {
            double& c = layout.coefficients[i][k];
            c = kIdentity[k];
            if (layout.calibration == kHeaderCalibration && cal)
                c = m_HeaderCoefs[i][k];
            else if (layout.calibration == kFileCalibration && cal)
                c = fromFile[i].Coefficient[k];
        }
    }
    return true;
}

void CLasExport::GenerateLASFormatFile()
{
    if (FileExists(m_strLasPath)) {
        if (AfxMessageBox("Same file name exist, do you want replace this ?", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) {
            AfxMessageBox("Migration to LAS file aborted. ", MB_ICONINFORMATION);
            return;
        }
        std::error_code error;
        fs::remove(m_strLasPath, error);
    }
    LasLayout layout;
    layout.from = m_range.from;
    layout.to = m_range.to;
    layout.step = m_range.step;
    layout.reverse = m_chkReverse.GetCheck() == BST_CHECKED;
    bool checked[kLasChannels];
    for (int i = 0; i < kLasChannels; ++i)
        checked[i] = m_chkChannel[i].GetCheck() == BST_CHECKED;
    LasColumns(*m_pHeader, checked, layout.exported);
    if (!TakeCoefficients(layout))
        return;

    LasResult result;
    {
        WaitCursor wait;
        result = WriteLasFile(m_strLasPath, m_strDataPath, *m_pHeader, m_range, layout);
    }
    switch (result) {
    case LasResult::Written:
        AfxMessageBox("Migration to LAS file completed.\n\n " + PathDisplayText(m_strLasPath), MB_ICONINFORMATION);
        return;
    case LasResult::OutputFailed:
        AfxMessageBox("Trouble opening or create file. " + PathDisplayText(m_strLasPath), MB_ICONERROR);
        break;
    case LasResult::DataFailed:
        AfxMessageBox("Trouble opening file.", MB_ICONERROR);
        break;
    case LasResult::WriteFailed: break;
    }
    AfxMessageBox("Echec to create file. ", MB_ICONERROR);
}
