#pragma once
#include <functional>
#include <memory>
#include <string>

class CWnd;
class QPainter;
class QPrinter;

// The application's printer, chosen by name. Empty: none chosen yet, the
// system's default printer serves. The user-interface thread only.
const std::string& GetAppPrinter();
void SelectAppPrinter(const std::string& name);

// The system's default printer, or "" on a machine without printers.
std::string GetDefaultPrinterName();
bool PrinterExists(const std::string& name);

// Fills in the default printer when the application has none chosen; false
// when there is no printer at all.
bool GetPrinterDeviceDefaults();

// A printer set up for one job on the application's printer at the printer's
// own resolution; nullptr when there is no printer.
std::unique_ptr<QPrinter> CreatePrinterDC();
// Names the job and opens its first page; false when the printer refuses it.
bool StartDoc(QPrinter& printer, QPainter& painter, const std::string& documentName);

// The print-setup dialog: true with the chosen printer's name on OK.
bool PrintSetupDialog(CWnd* owner, std::string& deviceName);
// Tests answer the print-setup dialog from here instead of showing it.
using PrintSetupHandler = std::function<bool(std::string& deviceName)>;
void SetPrintSetupHandler(PrintSetupHandler handler);

// Tests: a printer of this name that writes each job as "<document name>.pdf"
// into the folder at the given resolution; while set it is the system's
// default printer. An empty name removes it.
void SetPdfTestPrinter(const std::string& name, const std::string& folder, int dotsPerInch);

// Tests: with the machine's own printers hidden, the test printer is the only
// one there is, and without it the machine has none, whatever the system has.
void HideSystemPrinters(bool hidden);
