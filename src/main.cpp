#include <csignal>

#include "core/VarnoLogger_KVXApp.h"
#include "mainwnd/VarnoLogger_KVXDlg.h"

int main(int argc, char** argv)
{
    // Under a file size limit a write fails as on a full disk, which a record
    // survives, instead of ending the program with the record half written.
    std::signal(SIGXFSZ, SIG_IGN);
    theApp.m_createMainDialog = CVarnoLogger_KVXDlg::CreateMainDialog;
    return RunApplication(argc, argv, theApp);
}
