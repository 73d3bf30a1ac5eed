#pragma once
#include <filesystem>
#include <string>
#include <unistd.h>

#include "platform/Printer.h"

// The tests' default printer: jobs become PDF files in a temporary folder.
// The machine's own printers are hidden, so no test can send a job to one
// nor behave differently on a machine that has one.
inline void UseTestPrinter()
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("kvx_test_jobs_" + std::to_string(getpid()));
    HideSystemPrinters(true);
    SetPdfTestPrinter("Test printer", folder.string(), 300);
}

// A machine without any printer.
inline void UseNoPrinter()
{
    HideSystemPrinters(true);
    SetPdfTestPrinter("", "", 300);
}
