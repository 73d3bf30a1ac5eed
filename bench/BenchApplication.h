#pragma once
#include <QApplication>
#include <cstdlib>

#include <filesystem>
#include <string>
#include <unistd.h>

#include "platform/Printer.h"

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
    // The main window starts without asking for a printer, and no job reaches a real one.
    const std::filesystem::path jobs =
        std::filesystem::temp_directory_path() / ("kvx_bench_jobs_" + std::to_string(getpid()));
    SetPdfTestPrinter("Bench printer", jobs.string(), 300);
}
