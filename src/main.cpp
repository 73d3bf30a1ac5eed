#include "core/VarnoLogger_KVXApp.h"
#include "mainwnd/VarnoLogger_KVXDlg.h"

int main(int argc, char** argv)
{
    theApp.m_createMainDialog = CVarnoLogger_KVXDlg::CreateMainDialog;
    return RunApplication(argc, argv, theApp);
}
