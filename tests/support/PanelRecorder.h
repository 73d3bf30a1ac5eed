#pragma once
// Records logs as the operator does: the main window linked to the logger
// emulator, the sonde switched on with the probe panel's power button, then
// for each log the record button (recording mode, file name, header editor)
// and the stop button. The caller answers the new-log file chooser with the
// data file's path and sets the program folder first.
#include <QAbstractButton>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/RunState.h"
#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "header/HeaderRecord.h"
#include "mainwnd/VarnoLogger_KVXDlg.h"
#include "probe/Frames.h"
#include "probe/LogRecord.h"
#include "probe/PowerDlg.h"
#include "probe/ToolsStream.h"
#include "res/Resource.h"
#include "support/LoggerEmulator.h"
#include "support/ModalDialogs.h"

class PanelRecorder {
public:
    // `folder` is the program folder in use; `editTool` may change the default
    // sonde's tool file text before the main window loads it.
    PanelRecorder(const std::filesystem::path& folder, const std::vector<std::string>& emulatorOptions,
                  const std::function<void(std::string&)>& editTool = {})
        : m_savedSettings(*theApp.m_pLoggerSettings),
          m_savedTool(*theApp.m_pToolRecord),
          m_savedPaths(*theApp.m_pPathSettings),
          m_savedHeader(*theApp.m_pHeaderRecord)
    {
        namespace fs = std::filesystem;
        fs::create_symlink(KVX_PROGRAM_DIR "/libftd2xx.so", folder / "libftd2xx.so");
        fs::create_directories(folder / "Ressources");
        std::string tool = ReadTextFile(KVX_PROGRAM_DIR "/Ressources/KVXS0001.tol");
        if (editTool)
            editTool(tool);
        std::ofstream(folder / "Ressources" / "KVXS0001.tol", std::ios::binary) << tool;
        setenv("KVX_LOGGER_SOCKET", (folder / "s").c_str(), 1);
        m_emulator = std::make_unique<LoggerEmulator>(folder / "s", folder / "sim.log", emulatorOptions);
        if (!m_emulator->Running())
            return;
        theApp.m_bPrefsLoaded = 0;
        m_dialog = std::make_unique<CVarnoLogger_KVXDlg>(nullptr);
        theApp.m_pMainDlg = m_dialog.get();
        if (!m_dialog->Create(IDD_VARNOLOGGER_KVX_DIALOG, nullptr))
            return;
        if (!WaitFor([] { return theApp.m_nLinkStatus >= 16; }, 15000))
            return;
        m_powered = WaitFor([&] { return Button(IDC_POWER)->isEnabled(); }, 5000) && PowerOn();
    }

    ~PanelRecorder()
    {
        if (m_dialog) {
            theApp.m_bClosing = 1;
            Panel().OnClose();
            m_dialog.reset();
            theApp.m_bClosing = 0;
        }
        theApp.m_pMainDlg = nullptr;
        CToolsStream::CloseRecordFile();
        m_emulator.reset();
        theApp.m_pLinkThread = std::shared_ptr<CWinThread>();
        theApp.m_pReadThread = std::shared_ptr<CWinThread>();
        *theApp.m_pRunState = RunState{};
        *theApp.m_pLoggerSettings = m_savedSettings;
        *theApp.m_pToolRecord = m_savedTool;
        *theApp.m_pPathSettings = m_savedPaths;
        *theApp.m_pHeaderRecord = m_savedHeader;
        *theApp.m_pProbeStatus = ProbeStatus{};
        *theApp.m_pFrameState = FrameState{};
        theApp.m_bUsbDriverOk = theApp.m_bUsbHardwarePresent = theApp.m_bSondePowered = 0;
        theApp.m_bLinkThreadRunning = theApp.m_bReadThreadRunning = 0;
        theApp.m_bPowerOffDone = 1;
        theApp.m_nLinkStatus = 0;
        theApp.m_nTxLength = 0;
        theApp.m_nReplayPos = 0;
        theApp.m_bDownDirection = 0;
        theApp.m_bPrefsLoaded = 0;
        unsetenv("KVX_LOGGER_SOCKET");
    }

    PanelRecorder(const PanelRecorder&) = delete;
    PanelRecorder& operator=(const PanelRecorder&) = delete;

    // Linked and the sonde switched on.
    bool Ready() const { return m_powered; }

    // One log in the mode of the recording-mode dialog's radio button, stopped
    // once the data file holds `records` records; false when it did not.
    bool Record(int modeButton, size_t records)
    {
        if (!m_powered || !WaitFor([&] { return Button(IDC_RECORD)->isEnabled(); }, 5000))
            return false;
        ClickWhenModal({modeButton, IDOK});
        ClickWhenModal({IDC_HDR_SAVE});
        Button(IDC_RECORD)->click();
        if (theApp.m_pRunState->recording != 1)
            return false;
        const std::filesystem::path data = theApp.m_pPathSettings->DataFile;
        const bool filled = WaitFor(
            [&] { return std::filesystem::exists(data) && std::filesystem::file_size(data) >= records * sizeof(LogRecord); },
            20000);
        Button(IDC_STOP)->click();
        return filled && theApp.m_pRunState->recording == 0;
    }

private:
    CPowerDlg& Panel() { return m_dialog->m_PowerDlg; }
    QAbstractButton* Button(int id) { return qobject_cast<QAbstractButton*>(Panel().GetDlgItem(id)->GetSafeHwnd()); }

    // The power button, and the probe's confirmation of the order.
    bool PowerOn()
    {
        Button(IDC_POWER)->click();
        return WaitFor([&] { return !Panel().IsOrderPending() && Panel().IsSondeOn(); }, 5000);
    }

    LoggerSettings m_savedSettings;
    ToolRecord m_savedTool;
    PathSettings m_savedPaths;
    HeaderRecord m_savedHeader;
    std::unique_ptr<LoggerEmulator> m_emulator;
    std::unique_ptr<CVarnoLogger_KVXDlg> m_dialog;
    bool m_powered = false;
};
