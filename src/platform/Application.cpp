#include "platform/Application.h"

#include <QApplication>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

bool IsSet(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// KVX_APPLICATION_NAME lets a test give the program it starts the test's own
// instance name, so that neither meets an operator's running copy.
std::string& ApplicationName()
{
    static std::string name = IsSet("KVX_APPLICATION_NAME") ? std::getenv("KVX_APPLICATION_NAME")
                                                             : ExecutablePath().stem().string();
    return name;
}

std::string& ProgramFolder()
{
    static std::string folder = ExecutablePath().parent_path().string() + "/";
    return folder;
}

// Qt's X11 platform aborts without a display; X11 is its choice when none is named.
bool GraphicalSessionMissing()
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const bool x11 = platform == nullptr || *platform == '\0' || std::strncmp(platform, "xcb", 3) == 0;
    return x11 && !IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY");
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
    if (GraphicalSessionMissing()) {
        std::fputs("varnologger needs a graphical session: run it from a desktop, or set DISPLAY "
                   "(for example under xvfb-run).\n",
                   stderr);
        return 1;
    }
    QApplication qtApp(argc, argv);
    // Qt takes LC_NUMERIC from LANG; files and the probe need '.'.
    ForceCNumericLocale();
    app.InitInstance();
    return 0;
}
