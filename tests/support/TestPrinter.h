#pragma once
#include <filesystem>
#include <string>
#include <unistd.h>

#include "platform/Printer.h"

// The tests' default printer: jobs become PDF files in a temporary folder,
// so no test can send a job to a real printer.
inline void UseTestPrinter()
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("kvx_test_jobs_" + std::to_string(getpid()));
    SetPdfTestPrinter("Test printer", folder.string(), 300);
}
