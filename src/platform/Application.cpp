#include "platform/Application.h"

#include <QApplication>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

CWinApp* g_app = nullptr;

std::filesystem::path ExecutablePath()
{
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path("varnologger") : exe;
}

// KVX_APPLICATION_NAME lets a test give the program it starts the test's own
// instance name, so that neither meets an operator's running copy.
std::string& ApplicationName()
{
    static std::string name = [] {
        const char* given = std::getenv("KVX_APPLICATION_NAME");
        return given != nullptr && *given != '\0' ? std::string(given)
                                                   : ExecutablePath().stem().string();
    }();
    return name;
}

std::string& ProgramFolder()
{
    static std::string folder = ExecutablePath().parent_path().string() + "/";
    return folder;
}

}  // namespace

CWinApp::CWinApp() { g_app = this; }

CWinApp::~CWinApp()
{
    if (g_app == this)
        g_app = nullptr;
}

CWinApp* AfxGetApp() { return g_app; }

const std::string& GetApplicationName() { return ApplicationName(); }
void SetApplicationName(const std::string& name) { ApplicationName() = name; }

const std::string& GetProgramFolder() { return ProgramFolder(); }

void SetProgramFolder(const std::string& folder)
{
    ProgramFolder() = folder.empty() || folder.back() == '/' ? folder : folder + "/";
}

void ForceCNumericLocale() { std::setlocale(LC_NUMERIC, "C"); }

int RunApplication(int argc, char** argv, CWinApp& app)
{
    QApplication qtApp(argc, argv);
    // Qt takes LC_NUMERIC from LANG; files and the probe need '.'.
    ForceCNumericLocale();
    app.InitInstance();
    return 0;
}
