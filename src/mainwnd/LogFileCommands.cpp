// The log-file commands of the main window: open a recorded log for replay,
// name a new record, and the close check.
#include <QApplication>
#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <optional>

#include "core/Ini.h"
#include "core/RunState.h"
#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "header/HeaderRecord.h"
#include "mainwnd/LogFileName.h"
#include "mainwnd/VarnoLogger_KVXDlg.h"
#include "platform/FileDialog.h"
#include "platform/PathDisplayText.h"
#include "platform/Placement.h"
#include "platform/System.h"
#include "probe/LogRecord.h"
#include "res/Resource.h"

namespace fs = std::filesystem;

namespace {

constexpr UINT_PTR kStatusTimerId = 410;
constexpr DWORD kReaderWaitMs = 2000;
constexpr char kDataFolder[] = "Data";
constexpr char kTempDir[] = "c:\\temp";
constexpr char kLogFilter[] = "Tralvin Sonde File (*.log)|*.log||";
// Zarkv.cfg gives a path back up to this length.
constexpr size_t kMaxStoredPath = CIni::kBufferSize - 1;

// Every write is bounded by the field's width.
template <size_t N>
void Store(char (&field)[N], const std::string& text)
{
    std::strncpy(field, text.c_str(), N - 1);
    field[N - 1] = '\0';
}

bool FolderExists(const std::string& path)
{
    std::error_code ignored;
    return !path.empty() && fs::is_directory(path, ignored);
}

// The configured default "c:\" names a drive root, which always exists where
// the settings were first written: taken as existing, so the dialogs start in
// the "Data" folder that replaces it.
bool IsDriveRoot(const std::string& path)
{
    return path.size() == 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
           (path[2] == '\\' || path[2] == '/');
}

bool FolderOrDriveRootExists(const std::string& path) { return FolderExists(path) || IsDriveRoot(path); }

bool FileExists(const std::string& path)
{
    std::error_code ignored;
    return fs::is_regular_file(path, ignored);
}

// A data folder setting of at most three characters names a Windows drive
// (the default "c:\") or nothing: it stands for the "Data" folder.
bool StandsForDataFolder(const char* filePath) { return std::strlen(filePath) <= 3; }

// The "Data" folder beside the program, made when missing; empty when it cannot be.
std::string ProgramDataFolder()
{
    const std::string folder = std::string(theApp.m_pPathSettings->appDir) + kDataFolder;
    std::error_code ignored;
    fs::create_directories(folder, ignored);
    return FolderExists(folder) ? folder : std::string();
}

void StorePaths(const std::string& dataPath, const std::string& fileNameExtension)
{
    PathSettings& paths = *theApp.m_pPathSettings;
    const std::string title = FileTitleOf(dataPath);
    Store(paths.DataFile, dataPath);
    Store(paths.LastFile, HeaderPathOf(dataPath));
    Store(paths.FileName, PathDisplayText(title + fileNameExtension));
    Store(paths.headerFileName, PathDisplayText(title + ".hed"));
    Store(paths.FilePath, FolderOf(dataPath));
    Store(paths.Tempdir, kTempDir);
}

// Why the chosen file cannot be a log's data file, or null when it can.
const char* RefusalOf(const std::string& path)
{
    if (HeaderPathOf(path) == path)
        return "A .hed file is the header of a log, not its data file: choose a .log file.";
    if (std::max(path.size(), HeaderPathOf(path).size()) > kMaxStoredPath)
        return "The chosen path is longer than 255 characters: the settings cannot keep it.\n"
               "Choose a shorter folder or file name.";
    // Opening a pipe waits for a writer forever; a device swallows the records.
    std::error_code ignored;
    if (fs::exists(path, ignored) && !fs::is_regular_file(path, ignored))
        return "The chosen file is not a regular file (it is a pipe, a device or a folder): "
               "a log is kept in regular files only.";
    return nullptr;
}

// The save dialog accepts a new name; the replace question is the command's own.
std::optional<std::string> ChooseLogFile(CWnd* owner, bool open, const std::string& folder, const std::string& name)
{
    const DWORD flags = (open ? OFN_FILEMUSTEXIST : 0) | OFN_HIDEREADONLY | OFN_EXPLORER;
    CFileDialog dialog(open, ".log", name, flags, kLogFilter, owner);
    dialog.m_ofn.lpstrInitialDir = folder;
    if (dialog.DoModal() != IDOK)
        return std::nullopt;
    return dialog.GetPathName();
}

}  // namespace

void CVarnoLogger_KVXDlg::OpenLogFile()
{
    const PathSettings& paths = *theApp.m_pPathSettings;
    std::string folder = paths.FilePath;
    const bool folderExisted = FolderOrDriveRootExists(folder);
    if (std::strlen(paths.DataFile) <= 2 || StandsForDataFolder(paths.FilePath)) {
        const std::string data = ProgramDataFolder();
        if (!data.empty())
            folder = data;
    }
    const std::optional<std::string> chosen =
        ChooseLogFile(this, true, folderExisted ? folder : std::string(), "*.log");
    if (!chosen)
        return;
    const std::string& path = *chosen;
    if (const char* refusal = RefusalOf(path)) {
        AfxMessageBox(refusal, MB_ICONEXCLAMATION);
        return;
    }

    // A file with the data file's extension goes to the header reader as it
    // is; any other choice needs its header file beside it.
    const std::string name = FileNameOf(path);
    const auto dot = name.rfind('.');
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    if (extension != "log" && !FileExists(HeaderPathOf(path))) {
        AfxMessageBox(FileExists(path) ? "Bad header file." : "Data file not present.");
        m_PowerDlg.DisablePlayerButtons();
        return;
    }

    // A replay under way ends under its own names, read over by the new header;
    // auto print stays as set for the new log.
    RunState& run = *theApp.m_pRunState;
    if (run.fileLoaded && (run.playing || theApp.m_nReplayPos > 0))
        m_ScopeTrack.PrintLastPart();
    // Read before anything is stored: a header that cannot be read (a pipe, a
    // folder, a missing, empty or cut file) leaves the settings, the files and
    // the log open before as they were.
    if (!CHeader::DescribesLog(HeaderPathOf(path)) || m_Header.ReadHeader(HeaderPathOf(path))) {
        AfxMessageBox("Bad header file.\n" + PathDisplayText(HeaderPathOf(path)) +
                          " cannot be read: the log is not opened.",
                      MB_ICONEXCLAMATION);
        return;
    }
    StorePaths(path, ".lox");
    m_Preferences.SaveConfig();
    m_StatusBar.SetText(0, std::string("Data file : ") + paths.FileName);

    run.fileLoaded = 1;
    theApp.m_nReplayPos = 0;
    theApp.m_bReplayAtStart = 1;
    const HeaderRecord& header = *theApp.m_pHeaderRecord;
    m_ScopeTrack.ResetOrigin(header.Startdepth / 1000.0, header.SondeLength, header.LogMode, 0);
    ResetAcquisition(true);
    // The tools box takes the log's channels before its first record.
    if (run.toolsBoxVisible)
        m_ToolsProbeDlg.SetChannelLabels(true);
    LogRecord& first = *theApp.m_pReplayRecord;
    if (m_ToolsStream.ReadDataLineInFile(theApp.m_nReplayPos, first))
        ProcessRecord(first);
    theApp.m_nReplayPos = 0;
    m_PowerDlg.SetReplayButtons();
}

bool CVarnoLogger_KVXDlg::NewLogFile()
{
    theApp.m_nSavedRecordingMode = theApp.m_pLoggerSettings->recordingMode;
    const bool sondeWasOff = !m_PowerDlg.IsSondeOn();
    m_bNewLogPoweredSonde = RunRecordingModeDialog() && sondeWasOff;
    if (m_bEndingOnSignal)
        return false;
    m_Preferences.LoadTool();
    if (theApp.m_pToolRecord->NumberOfChannels <= 0) {
        AfxMessageBox("Tool configuration file missing. (*.tol)", MB_ICONERROR);
        return false;
    }
    return ChooseNewLogFile();
}

bool CVarnoLogger_KVXDlg::ChooseNewLogFile()
{
    PathSettings& paths = *theApp.m_pPathSettings;
    const bool folderExisted = FolderOrDriveRootExists(paths.FilePath);
    if (StandsForDataFolder(paths.FilePath)) {
        const std::string data = ProgramDataFolder();
        if (!data.empty())
            Store(paths.FilePath, data + "/");
    }
    std::string folder;
    std::string name = "*.log";
    if (folderExisted) {
        folder = paths.FilePath;
        Store(paths.DataFile, ProposeLogFileName(paths.DataFile, FileExists));
        name = paths.DataFile;
    }
    const std::optional<std::string> chosen = ChooseLogFile(this, false, folder, name);
    if (!chosen)
        return false;
    const std::string& path = *chosen;
    if (const char* refusal = RefusalOf(path)) {
        AfxMessageBox(refusal, MB_ICONEXCLAMATION);
        return false;
    }

    if (FileExists(path)) {
        if (AfxMessageBox("Same file name exist, do you want replace this ?",
                          MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
            return false;
        std::error_code ignored;
        fs::remove(FolderOf(path) + FileTitleOf(path) + ".hed", ignored);
        fs::remove(path, ignored);
    }
    StorePaths(path, ".log");
    m_Preferences.SaveConfig();
    return true;
}

bool CVarnoLogger_KVXDlg::CanClose()
{
    if (!theApp.m_bPowerOffDone) {
        PumpMessages();
        Sleep(10);
    }
    if (theApp.m_nLinkStatus > kLinkLive) {
        if (theApp.m_bSondePowered) {
            AfxMessageBox("Sonde must be switched off before leaving program.", MB_ICONERROR);
            return false;
        }
        if (AfxMessageBox("The sonde is probably powered on. Do you want to close the application ?",
                          MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
            return false;
        Sleep(1000);
    }
    StopWorkForClose();
    return true;
}

// The close check's steps once the program may end: the replay stops, the
// windows this one owns close, the reader is told to end and waited for, the
// placements and the configuration are saved and the timers end.
void CVarnoLogger_KVXDlg::StopWorkForClose()
{
    if (theApp.m_pRunState->playing) {
        m_PowerDlg.OnCommand(IDC_STOP, 0);
        PumpMessages();
    }
    // A paused replay or the live curves end here too: their last part is printed.
    ResetAutoPrint();
    // Taken while the window is still on screen with its frame; the windows
    // it owns keep theirs as they close.
    theApp.m_pPlacementStore->placements[kPlacementMain] = GetWindowPlacement(*this);
    CloseOwnedWindows();
    theApp.m_bClosing = 1;
    theApp.m_endProcessDlg.ShowWindow(SW_SHOW);
    PumpMessages();
    Sleep(500);
    theApp.m_endProcessDlg.SetMessage("Ending USB process ... wait");
    PumpMessages();
    if (theApp.m_bUsbDriverOk && theApp.m_bReadThreadRunning) {
        if (auto reader = theApp.m_pReadThread.load())
            reader->WaitForEnd(kReaderWaitMs);
    }
    PumpMessages();
    m_Preferences.SaveConfig();
    m_PowerDlg.OnClose();
    m_DephtDlg.OnClose();
    KillTimer(kStatusTimerId);
    m_nStatusTimer = 0;
    PumpMessages();
}

// Each closes as its close box closes it, keeping its placement, so that
// only the shutdown window stays on screen.
void CVarnoLogger_KVXDlg::CloseOwnedWindows()
{
    if (m_PropertyLoggerDlg.IsWindowVisible())
        m_PropertyLoggerDlg.OnCommand(IDCANCEL, 0);
    if (m_SetChannelDlg.IsWindowVisible())
        m_SetChannelDlg.OnCommand(IDCANCEL, 0);
    // Also the value windows, which may stay open without the box.
    m_ToolsProbeDlg.OnCommand(IDCANCEL, 0);
    if (m_DephtDlg.Magnifier().IsWindowVisible())
        m_DephtDlg.Magnifier().OnCommand(IDCANCEL, 0);
    m_AlertDlg.ShowWindow(SW_HIDE);
}

void CVarnoLogger_KVXDlg::OnClose() { EndOnClose(); }

void CVarnoLogger_KVXDlg::EndOnClose()
{
    if (CanClose())
        EndDialog(IDCANCEL);
}
