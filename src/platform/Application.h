#pragma once
#include <string>

#include "platform/Types.h"

class CWnd;

// The application object base: one per program, reached through AfxGetApp.
class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Returns FALSE when the program should end without a message loop.
    virtual BOOL InitInstance() { return FALSE; }

    CWnd* m_pMainWnd = nullptr;
};

CWinApp* AfxGetApp();

// The executable's base name, without folder and extension, unless the
// environment variable KVX_APPLICATION_NAME gives another.
const std::string& GetApplicationName();
// Tests run inside their own executable but act as the program.
void SetApplicationName(const std::string& name);

// The executable's folder, ending with '/'.
const std::string& GetProgramFolder();
void SetProgramFolder(const std::string& folder);

// Creates the Qt application, forces the "C" numeric locale, runs InitInstance.
// Returns 1 at once, with a line on stderr, when there is no display to use.
int RunApplication(int argc, char** argv, CWinApp& app);

// Called once the Qt application exists (also by the test main).
void ForceCNumericLocale();
