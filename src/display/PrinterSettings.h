#pragma once
#include <string>

// Sends the application's print jobs to a printer chosen by name for a while,
// then gives the application its own printer back.
class CPrinterSettings {
public:
    static constexpr const char* kNoPrinter = "printer not set...";

    CPrinterSettings() = default;
    // Gives the application back its printer if this object still holds it.
    virtual ~CPrinterSettings();
    CPrinterSettings(const CPrinterSettings&) = delete;
    CPrinterSettings& operator=(const CPrinterSettings&) = delete;

    // 1 when the printer exists; 0 leaves everything as it was.
    int SetPrinterDevice(const std::string& name);
    // Keeps the application's printer and makes this one the application's.
    void SetThisPrinter();
    void RestorePrinter();
    std::string GetPrinterName() const;
    // Takes the application's printer, when it has one.
    void CopyDefaultPrinter();

private:
    std::string m_strDevice;
    std::string m_strSavedDevice;
    bool m_bSaved = false;
};
