#pragma once
#include <QApplication>
#include <cstdlib>

#include "mainwnd/PrinterChoice.h"

// The one Qt application of the benchmark binary, with widgets, since some
// benchmarks build real windows. Never destroyed: it outlives the static
// objects that Qt tears down at exit.
inline void EnsureBenchApplication()
{
    static int argc = 1;
    static char name[] = "kvx_bench";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() != nullptr)
        return;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    new QApplication(argc, argv);
    // The main window starts without asking for a printer.
    SetPrinterListSource([] { return PrinterList{{"Bench printer"}, "Bench printer"}; });
}
