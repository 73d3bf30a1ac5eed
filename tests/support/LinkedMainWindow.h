#pragma once
// The main window linked to the logger emulator in a program folder of the
// test's own: the driver layer and the default sonde put there, the emulator
// on its socket, and every shared record and flag the run touches put back
// when it ends. The caller makes the folder the program folder first.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/RunState.h"
#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "header/HeaderRecord.h"
#include "mainwnd/VarnoLogger_KVXDlg.h"
#include "platform/Application.h"
#include "probe/Frames.h"
#include "probe/ToolsStream.h"
#include "res/Resource.h"
#include "support/LoggerEmulator.h"

class LinkedMainWindow {
public:
    // `editTool` may change the default sonde's tool file text before the
    // main window loads it.
    explicit LinkedMainWindow(std::filesystem::path folder, const std::function<void(std::string&)>& editTool = {})
        : m_folder(std::move(folder)),
          m_savedName(GetApplicationName()),
          m_savedSettings(*theApp.m_pLoggerSettings),
          m_savedTool(*theApp.m_pToolRecord),
          m_savedPaths(*theApp.m_pPathSettings),
          m_savedHeader(*theApp.m_pHeaderRecord)
    {
        namespace fs = std::filesystem;
        // Neither disturbed by nor disturbing a copy of the program running here.
        SetApplicationName("kvx_linked_test_" + std::to_string(getpid()));
        // A folder may see one linked window after another.
        fs::remove(m_folder / "libftd2xx.so");
        fs::create_symlink(KVX_PROGRAM_DIR "/libftd2xx.so", m_folder / "libftd2xx.so");
        fs::create_directories(m_folder / "Ressources");
        std::string tool = ReadTextFile(KVX_PROGRAM_DIR "/Ressources/KVXS0001.tol");
        if (editTool)
            editTool(tool);
        std::ofstream(m_folder / "Ressources" / "KVXS0001.tol", std::ios::binary) << tool;
        setenv("KVX_LOGGER_SOCKET", (m_folder / "s").c_str(), 1);
        // The main window loads the configuration of this folder.
        theApp.m_bPrefsLoaded = 0;
    }

    ~LinkedMainWindow()
    {
        if (m_dialog) {
            theApp.m_bClosing = 1;
            m_dialog->m_PowerDlg.OnClose();
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
        theApp.m_bCheckCommRunning = 0;
        theApp.m_nLinkStatus = 0;
        theApp.m_nTxLength = 0;
        g_bSettingsFramePending = 0;
        theApp.m_nReplayPos = 0;
        theApp.m_bDownDirection = 0;
        theApp.m_bPrefsLoaded = 0;
        SetApplicationName(m_savedName);
        unsetenv("KVX_LOGGER_SOCKET");
    }

    LinkedMainWindow(const LinkedMainWindow&) = delete;
    LinkedMainWindow& operator=(const LinkedMainWindow&) = delete;

    // The emulator with these options (seed 7 unless they give one), the main window
    // created (`created` runs before its reader starts) and the link live;
    // false when any of them failed.
    bool Start(std::vector<std::string> options, const std::function<void(CVarnoLogger_KVXDlg&)>& created = {})
    {
        if (std::find(options.begin(), options.end(), "--seed") == options.end())
            options.insert(options.end(), {"--seed", "7"});
        m_emulator = std::make_unique<LoggerEmulator>(m_folder / "s", m_folder / "sim.log", options);
        if (!m_emulator->Running())
            return false;
        m_dialog = std::make_unique<CVarnoLogger_KVXDlg>(nullptr);
        theApp.m_pMainDlg = m_dialog.get();
        if (!m_dialog->Create(IDD_VARNOLOGGER_KVX_DIALOG, nullptr))
            return false;
        if (created)
            created(*m_dialog);
        return WaitFor([] { return theApp.m_nLinkStatus >= 16; }, 15000);
    }

    CVarnoLogger_KVXDlg& Window() { return *m_dialog; }
    LoggerEmulator& Emulator() { return *m_emulator; }

private:
    std::filesystem::path m_folder;
    std::string m_savedName;
    LoggerSettings m_savedSettings;
    ToolRecord m_savedTool;
    PathSettings m_savedPaths;
    HeaderRecord m_savedHeader;
    std::unique_ptr<LoggerEmulator> m_emulator;
    std::unique_ptr<CVarnoLogger_KVXDlg> m_dialog;
};
