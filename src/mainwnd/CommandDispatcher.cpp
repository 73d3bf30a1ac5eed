// The main window's command dispatcher, its printing commands and the calls
// into the windows that other parts open.

#include <filesystem>

#include "core/RunState.h"
#include "core/Settings.h"
#include "core/SondeDatabase.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "header/HeaderDlg.h"
#include "header/LasExport.h"
#include "platform/FileDialog.h"
#include "platform/Printer.h"
#include "mainwnd/AboutDlg.h"
#include "mainwnd/VarnoLogger_KVXDlg.h"
#include "probe/Frames.h"
#include "probe/RecordingModeDlg.h"
#include "res/Resource.h"
#include "setup/PCalibration.h"

namespace {

constexpr std::uint16_t kLanguageFrench = 1036;
constexpr std::uint16_t kLanguageEnglish = 2057;

}  // namespace

BOOL CVarnoLogger_KVXDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    switch (LOWORD(wParam)) {
    // Enter is the dialog's default button: it neither closes nor commands.
    case ID_CMD_ENTER: return CDialog::OnCommand(0, 0);
    case ID_CMD_CALIBRATION: RunCalibration(); break;
    case ID_CMD_SET_PRINTER: OnSetPrinter(); break;
    case ID_CMD_AUTO_PRINT: OnAutoPrint(); break;
    case ID_CMD_PRINT: OnPrint(); break;
    case ID_CMD_OPEN: OnOpenCommand(); break;
    case ID_CMD_NEW_LOG: OnNewLogCommand(); break;
    case ID_CMD_EXIT: EndOnClose(); break;
    case ID_CMD_FRENCH:
        m_Preferences.SetLanguage(kLanguageFrench);
        RefreshMenu();
        break;
    case ID_CMD_ENGLISH:
        m_Preferences.SetLanguage(kLanguageEnglish);
        RefreshMenu();
        break;
    case ID_CMD_SONDE_IMPORT: ImportSonde(); break;
    case ID_CMD_LOGGER_SETUP: ShowLoggerSetup(); break;
    case ID_CMD_TOOLS_BOX: ShowToolsBox(); break;
    case ID_CMD_DISPLAY_OPTIONS: ShowDisplayOptions(); break;
    case ID_CMD_REMOVE_SONDE: RemoveSonde(); break;
    case ID_CMD_EXPORT_LAS: OnExportCommand(); break;
    default: break;
    }
    return CDialog::OnCommand(wParam, lParam);
}

void CVarnoLogger_KVXDlg::OnOpenCommand()
{
    theApp.m_pRunState->playing = 0;
    if (theApp.m_bSondePowered) {
        AfxMessageBox("Sonde must be switched Off before entering in Replay Mode.", MB_ICONERROR);
        return;
    }
    OpenLogFile();
}

// The recording-mode frame is a power-on order: a sonde that was off before
// goes off again when no record starts.
void CVarnoLogger_KVXDlg::OnNewLogCommand()
{
    m_bNewLogPoweredSonde = false;
    RecordNewLog();
    if (m_bNewLogPoweredSonde && !theApp.m_pRunState->recording)
        m_PowerDlg.PowerOffAfterModeFrame();
}

void CVarnoLogger_KVXDlg::RecordNewLog()
{
    RunState& run = *theApp.m_pRunState;
    if (run.recording) {
        AfxMessageBox("Not allowed in record mode", MB_ICONERROR);
        return;
    }
    if (!NewLogFile())
        return;
    // A record without its header could not be replayed.
    if (!RunHeaderEditor())
        return;
    run.recordStarted = 1;
    m_PowerDlg.StartRecording();
}

void CVarnoLogger_KVXDlg::OnExportCommand()
{
    if (theApp.m_bSondePowered) {
        AfxMessageBox("Sonde must be switched Off before export file.", MB_ICONERROR);
        return;
    }
    if (theApp.m_pRunState->playing) {
        m_PowerDlg.OnCommand(IDC_STOP, 0);
        PumpMessages();
    }
    RunLasExport();
}

void CVarnoLogger_KVXDlg::OnPrint() { m_ScopeTrack.Print(); }

void CVarnoLogger_KVXDlg::OnAutoPrint()
{
    const bool on = m_ScopeTrack.ToggleAutoPrint(false) != 0;
    CheckMenuItem(ID_CMD_AUTO_PRINT, on);
    EnableMenuItem(ID_CMD_PRINT, !on && m_bPrinterUsable);
    // The scale stays as it is while pages are printed at it.
    m_DephtDlg.ScaleCombo().EnableWindow(!on);
}

// Prints the last partial page when auto print was on. "&Print" comes back
// only with a printer to print on.
void CVarnoLogger_KVXDlg::ResetAutoPrint()
{
    m_ScopeTrack.ToggleAutoPrint(true);
    CheckMenuItem(ID_CMD_AUTO_PRINT, false);
    EnableMenuItem(ID_CMD_PRINT, m_bPrinterUsable);
    m_DephtDlg.ScaleCombo().EnableWindow(true);
}

// The print-setup dialog; the printer chosen is kept and saved, a cancelled
// dialog keeps the previous one.
void CVarnoLogger_KVXDlg::OnSetPrinter()
{
    std::string name = theApp.m_strPrinterUsed;
    if (PrintSetupDialog(this, name))
        theApp.m_strPrinterUsed = name;
    TryPrinter(theApp.m_strPrinterUsed);
    m_Preferences.SaveWinch();
}

// The header editor of a new log; true when the log's header file is
// written. Save writes it; Cancel leaves it to be written from the record.
bool CVarnoLogger_KVXDlg::RunHeaderEditor()
{
    bool written = false;
    CHeaderDlg dialog(this, &m_Picture, [&] { return written = WriteNewHeader(); });
    dialog.DoModal();
    // Ended by a signal: no header without its record.
    if (m_bEndingOnSignal)
        return false;
    return written || m_Header.WriteHeader(theApp.m_pPathSettings->LastFile);
}

// A header that cannot be written where the log was named (after the
// message): the operator may name another place for the log. False keeps
// the editor open with what was typed.
bool CVarnoLogger_KVXDlg::WriteNewHeader()
{
    if (m_Header.WriteHeader(theApp.m_pPathSettings->LastFile))
        return true;
    if (m_bEndingOnSignal)
        return false;
    return ChooseNewLogFile() && m_Header.WriteHeader(theApp.m_pPathSettings->LastFile);
}

void CVarnoLogger_KVXDlg::RunCalibration()
{
    CPCalibration dialog(m_Preferences, m_ScopeTrack, this);
    dialog.DoModal();
}

void CVarnoLogger_KVXDlg::RunLasExport()
{
    CLasExport dialog(this);
    dialog.DoModal();
}

void CVarnoLogger_KVXDlg::ShowLoggerSetup()
{
    m_PropertyLoggerDlg.ShowWindow(SW_SHOW);
    m_PropertyLoggerDlg.CreateTabs();
    theApp.m_pRunState->loggerSetupVisible = 1;
}
void CVarnoLogger_KVXDlg::ShowToolsBox()
{
    m_ToolsProbeDlg.RestorePosition();
    m_ToolsProbeDlg.ShowWindow(SW_SHOW);
    theApp.m_pRunState->toolsBoxVisible = 1;
}
void CVarnoLogger_KVXDlg::ShowDisplayOptions()
{
    theApp.m_bRefreshDisplayOptions = 1;
    m_SetChannelDlg.RestorePlacement();
    m_SetChannelDlg.ShowWindow(SW_SHOW);
}

// Closed as its close box closes it while the old sonde is still current: what
// it holds goes to that sonde's file, and no edit reaches the next sonde's channels.
void CVarnoLogger_KVXDlg::HideChannelSettings()
{
    if (m_SetChannelDlg.IsWindowVisible())
        m_SetChannelDlg.OnCommand(IDCANCEL, 0);
}

// The depth panel's sonde combo is refilled and its choice becomes the current sonde.
void CVarnoLogger_KVXDlg::SelectSonde(int index)
{
    m_DephtDlg.FillModelCombo(index);
    m_DephtDlg.OnModelChange();
}

void CVarnoLogger_KVXDlg::ImportSonde()
{
    SondeList& list = *theApp.m_pSondeList;
    if (list.RefInStock >= SondeList::kMaxSondes) {
        AfxMessageBox("The maximum of storable sonde is reached.", MB_ICONSTOP);
        m_Preferences.LoadSondeList();
        theApp.m_pLoggerSettings->SelectedSonde = SondeList::kMaxSondes - 1;
        SelectSonde(SondeList::kMaxSondes - 1);
        return;
    }
    CFileDialog dialog(TRUE, ".txt", "*.txt", OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, "Sonde Import (*.txt)|*.txt||",
                       this);
    std::error_code error;
    dialog.m_ofn.lpstrInitialDir = (std::filesystem::current_path(error) / "Sonde import").string();
    if (dialog.DoModal() != IDOK)
        return;
    const std::unique_ptr<SondeImport> sonde = ReadSondeImport(dialog.GetPathName());
    const std::string problem = SondeImportProblem(*sonde);
    if (!problem.empty()) {
        AfxMessageBox(problem, MB_ICONINFORMATION);
        return;
    }
    const CSondeDatabase database(theApp.m_pPathSettings->appDir);
    if (database.HasToolFile(SondeBaseName(sonde->tool)) &&
        AfxMessageBox("Same file name exist, do you want replace this ?",
                      MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) {
        AfxMessageBox("Import Aborted.", MB_ICONINFORMATION);
        return;
    }
    std::string failure;
    const int index = database.Import(*sonde, list, failure);
    if (index < 0) {
        AfxMessageBox(failure, MB_ICONSTOP);
        return;
    }
    m_Preferences.LoadSondeList();
    SelectSonde(index);
    AfxMessageBox("File importation succeeded.", MB_ICONINFORMATION);
}

void CVarnoLogger_KVXDlg::RemoveSonde()
{
    SondeList& list = *theApp.m_pSondeList;
    LoggerSettings& logger = *theApp.m_pLoggerSettings;
    if (list.RefInStock < 2) {
        AfxMessageBox("This software requires at least one probe registred", MB_ICONSTOP);
        return;
    }
    // A selection outside the list names no sonde to remove.
    const int selected = logger.SelectedSonde;
    if (selected >= 0 && selected < list.RefInStock) {
        const SondeEntry& e = list.entries[selected];
        const std::string question =
            "Do you want remove:\n" + e.Ref + " - " + e.Serial + " - " + e.Product + "\nfrom the dbase.";
        if (AfxMessageBox(question, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES) {
            const std::string failure = CSondeDatabase(theApp.m_pPathSettings->appDir).Remove(selected, list, logger);
            // Nothing was removed: the current sonde stays current.
            if (!failure.empty()) {
                AfxMessageBox(failure, MB_ICONSTOP);
                return;
            }
        }
    }
    SelectSonde(0);
}

bool CVarnoLogger_KVXDlg::RunRecordingModeDialog()
{
    CPRecordingMode dialog(*this, this);
    return dialog.DoModal() == IDOK;
}
void CVarnoLogger_KVXDlg::ShowAboutBox()
{
    CAboutDlg dialog(this);
    dialog.DoModal();
}
