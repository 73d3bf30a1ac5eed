#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

#include "platform/Application.h"

int main(int argc, char** argv)
{
    // Test discovery runs the binary without ctest's environment.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ForceCNumericLocale();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
