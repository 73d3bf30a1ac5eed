#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

#include "core/VarnoLogger_KVXApp.h"
#include "mainwnd/VarnoLogger_KVXDlg.h"
#include "platform/Application.h"
#include "support/ModalDialogs.h"
#include "support/OwnDisk.h"
#include "support/TestPrinter.h"

int main(int argc, char** argv)
{
    // A test run again on a disk of its own mounts it before any thread starts.
    const char* disk = std::getenv(kOwnDiskVariable);
    if (disk != nullptr && !MountOwnTmpfs(disk, kOwnDiskOptions))
        return kNoOwnDisk;
    // Test discovery runs the binary without ctest's environment.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ForceCNumericLocale();
    theApp.m_createMainDialog = CVarnoLogger_KVXDlg::CreateMainDialog;
    // Tests that start the main window see no printer question.
    UseTestPrinter();
    ::testing::InitGoogleTest(&argc, argv);
    WatchModalDialogs();
    return RUN_ALL_TESTS();
}
