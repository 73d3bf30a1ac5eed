#include "display/PrinterSettings.h"

#include "platform/Printer.h"

CPrinterSettings::~CPrinterSettings() { RestorePrinter(); }

int CPrinterSettings::SetPrinterDevice(const std::string& name)
{
    if (!PrinterExists(name))
        return 0;
    m_strDevice = name;
    return 1;
}

void CPrinterSettings::SetThisPrinter()
{
    m_strSavedDevice = GetAppPrinter();
    m_bSaved = true;
    SelectAppPrinter(m_strDevice);
}

void CPrinterSettings::RestorePrinter()
{
    if (!m_bSaved)
        return;
    SelectAppPrinter(m_strSavedDevice);
    m_bSaved = false;
}

std::string CPrinterSettings::GetPrinterName() const { return m_strDevice.empty() ? kNoPrinter : m_strDevice; }

void CPrinterSettings::CopyDefaultPrinter()
{
    if (!GetAppPrinter().empty())
        m_strDevice = GetAppPrinter();
}
