#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

#include "core/VarnoLogger_KVXApp.h"
#include "mainwnd/PrinterChoice.h"
#include "mainwnd/VarnoLogger_KVXDlg.h"
#include "platform/Application.h"

int main(int argc, char** argv)
{
    // Test discovery runs the binary without ctest's environment.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ForceCNumericLocale();
    theApp.m_createMainDialog = CVarnoLogger_KVXDlg::CreateMainDialog;
    // One printer, whatever the machine has: tests that start the main window
    // see no printer question; the printer tests give their own lists.
    SetPrinterListSource([] { return PrinterList{{"Test printer"}, "Test printer"}; });
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
