#include "mainwnd/PrinterChoice.h"

#include <QPrinterInfo>
#include <algorithm>

namespace {

std::function<PrinterList()>& Source()
{
    static std::function<PrinterList()> source;
    return source;
}

}  // namespace

std::string ChoosePrinter(const std::string& configured, const PrinterList& printers)
{
    const auto& names = printers.names;
    if (!configured.empty() && configured != "none" &&
        std::find(names.begin(), names.end(), configured) != names.end())
        return configured;
    if (std::find(names.begin(), names.end(), printers.defaultName) != names.end())
        return printers.defaultName;
    return {};
}

PrinterList SystemPrinters()
{
    if (Source())
        return Source()();
    PrinterList list;
    for (const QString& name : QPrinterInfo::availablePrinterNames())
        list.names.push_back(name.toLatin1().toStdString());
    list.defaultName = QPrinterInfo::defaultPrinterName().toLatin1().toStdString();
    return list;
}

void SetPrinterListSource(std::function<PrinterList()> source) { Source() = std::move(source); }
