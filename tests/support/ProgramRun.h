#pragma once
// A test that runs the whole program (InitInstance) from a program folder of
// its own against the emulator, and puts back what the run leaves behind.
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "core/InstanceChecker.h"
#include "core/VarnoLogger_KVXApp.h"
#include "header/HeaderRecord.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "probe/Frames.h"

// The driver layer and the default sonde in the folder (ending with '/'), and
// the emulator's socket "s" there.
inline void PrepareLinkedProgramFolder(const std::string& folder)
{
    namespace fs = std::filesystem;
    fs::copy_file(KVX_PROGRAM_DIR "/libftd2xx.so", folder + "libftd2xx.so");
    fs::create_directories(folder + "Ressources");
    fs::copy_file(KVX_PROGRAM_DIR "/Ressources/KVXS0001.tol", folder + "Ressources/KVXS0001.tol");
    setenv("KVX_LOGGER_SOCKET", (folder + "s").c_str(), 1);
}

// The answers, the instance, the link's flags and threads of a finished run.
inline void ResetProgramRun()
{
    SetMessageBoxHandler(nullptr);
    SetNobodyAnswers(false);
    SetFileDialogHandler(nullptr);
    unsetenv("KVX_LOGGER_SOCKET");
    CInstanceChecker::CloseFirstInstanceMapping();
    theApp.m_bClosing = 0;
    theApp.m_bUsbDriverOk = theApp.m_bUsbHardwarePresent = theApp.m_bSondePowered = 0;
    theApp.m_bLinkThreadRunning = theApp.m_bReadThreadRunning = 0;
    theApp.m_bPowerOffDone = 1;
    theApp.m_bDownDirection = 0;
    theApp.m_nLinkStatus = 0;
    theApp.m_nTxLength = 0;
    theApp.m_nReplayPos = 0;
    *theApp.m_pHeaderRecord = HeaderRecord{};
    *theApp.m_pProbeStatus = ProbeStatus{};
    *theApp.m_pFrameState = FrameState{};
    theApp.m_pLinkThread = std::shared_ptr<CWinThread>();
    theApp.m_pReadThread = std::shared_ptr<CWinThread>();
}
