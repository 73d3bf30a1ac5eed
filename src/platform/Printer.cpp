#include "platform/Printer.h"

#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <filesystem>

#include "platform/Window.h"

namespace {

std::string g_appPrinter;
PrintSetupHandler g_printSetupHandler;

struct PdfTestPrinter {
    std::string name;
    std::string folder;
    int dotsPerInch = 600;
};
PdfTestPrinter g_testPrinter;
bool g_systemPrintersHidden = false;

QString ToQt(const std::string& text) { return QString::fromLatin1(text.data(), qsizetype(text.size())); }

std::string FromQt(const QString& text) { return text.toLatin1().toStdString(); }

bool IsTestPrinter(const std::string& name) { return !g_testPrinter.name.empty() && name == g_testPrinter.name; }

}  // namespace

const std::string& GetAppPrinter() { return g_appPrinter; }

void SelectAppPrinter(const std::string& name) { g_appPrinter = name; }

std::string GetDefaultPrinterName()
{
    if (!g_testPrinter.name.empty())
        return g_testPrinter.name;
    if (g_systemPrintersHidden)
        return "";
    return FromQt(QPrinterInfo::defaultPrinterName());
}

bool PrinterExists(const std::string& name)
{
    if (name.empty())
        return false;
    if (IsTestPrinter(name))
        return true;
    return !g_systemPrintersHidden && !QPrinterInfo::printerInfo(ToQt(name)).isNull();
}

bool GetPrinterDeviceDefaults()
{
    if (g_appPrinter.empty())
        g_appPrinter = GetDefaultPrinterName();
    return PrinterExists(g_appPrinter);
}

std::unique_ptr<QPrinter> CreatePrinterDC()
{
    if (!GetPrinterDeviceDefaults())
        return nullptr;
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (IsTestPrinter(g_appPrinter)) {
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setResolution(g_testPrinter.dotsPerInch);
        printer->setPageSize(QPageSize(QPageSize::A4));
        printer->setPageMargins(QMarginsF(0, 0, 0, 0));
        return printer;
    }
    printer->setPrinterName(ToQt(g_appPrinter));
    if (!printer->isValid())
        return nullptr;
    return printer;
}

bool StartDoc(QPrinter& printer, QPainter& painter, const std::string& documentName)
{
    printer.setDocName(ToQt(documentName));
    if (printer.outputFormat() == QPrinter::PdfFormat && !g_testPrinter.folder.empty()) {
        std::filesystem::create_directories(g_testPrinter.folder);
        const std::filesystem::path file = std::filesystem::path(g_testPrinter.folder) / (documentName + ".pdf");
        printer.setOutputFileName(QString::fromStdString(file.string()));
    }
    return painter.begin(&printer);
}

bool PrintSetupDialog(CWnd* owner, std::string& deviceName)
{
    if (g_printSetupHandler)
        return g_printSetupHandler(deviceName);
    QPrinter printer;
    if (!deviceName.empty())
        printer.setPrinterName(ToQt(deviceName));
    QPrintDialog dialog(&printer, owner != nullptr ? owner->GetSafeHwnd() : nullptr);
    dialog.setOptions(QAbstractPrintDialog::PrintDialogOptions());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    deviceName = FromQt(printer.printerName());
    return true;
}

void SetPrintSetupHandler(PrintSetupHandler handler) { g_printSetupHandler = std::move(handler); }

void SetPdfTestPrinter(const std::string& name, const std::string& folder, int dotsPerInch)
{
    g_testPrinter = PdfTestPrinter{name, folder, dotsPerInch};
}

void HideSystemPrinters(bool hidden) { g_systemPrintersHidden = hidden; }
