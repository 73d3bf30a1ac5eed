#pragma once
// Which printer the program prints on: the configured one when the system
// has it, else the system's default, else none.
#include <functional>
#include <string>
#include <vector>

struct PrinterList {
    std::vector<std::string> names;
    std::string defaultName;  // empty when the system names none
};

// Empty when no printer can be used; "none" and an empty name ask for the default.
std::string ChoosePrinter(const std::string& configured, const PrinterList& printers);

// The system's printers (Qt's print support); tests give their own list.
PrinterList SystemPrinters();
void SetPrinterListSource(std::function<PrinterList()> source);
