// makedemo: makes the program folder's default sonde tool file and demo log
// with the program's own writers, from the logger emulator's packets.
//
//   makedemo --out PROGRAM_FOLDER
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "DemoLog.h"
#include "DemoSonde.h"
#include "core/Preferences.h"
#include "core/Settings.h"
#include "core/VarnoLogger_KVXApp.h"
#include "platform/Application.h"
#include "platform/MessageBox.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kDemoName = "KPXG3241";

std::string ProgramFolder(int argc, char** argv)
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--out") == 0)
            return argv[i + 1];
    }
    return {};
}

// What a first start of the program has: the winch defaults and the default sonde.
void SetUpConfiguration()
{
    encoderRateLimit = 250;
    LoggerSettings& logger = *theApp.m_pLoggerSettings;
    logger.PulleyDir = 1;
    logger.CableType = 0;
    logger.PulleysDiameter = 5000;
    logger.PulsResolution = 1000;
    logger.SelectedSonde = 0;
    SondeList& sondes = *theApp.m_pSondeList;
    sondes.RefInStock = 1;
    sondes.entries[0] = DefaultSondeEntry();
}

void SetDemoPaths(const std::string& folder)
{
    PathSettings& paths = *theApp.m_pPathSettings;
    CopyBounded(paths.appDir, folder);
    CopyBounded(paths.FilePath, folder + "Demo");
    CopyBounded(paths.DataFile, folder + "Demo/" + kDemoName + ".log");
    CopyBounded(paths.LastFile, folder + "Demo/" + kDemoName + ".hed");
    CopyBounded(paths.FileName, std::string(kDemoName) + ".log");
}

bool Make()
{
    SetUpConfiguration();
    DescribeDefaultSonde(*theApp.m_pToolRecord, *theApp.m_pLoggerSettings);
    if (!WriteToolFile())
        return false;
    // A new log takes its tool from the tool file, as the program loads it.
    CPreferences preferences;
    preferences.LoadTool();
    return RecordDemoLog();
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string out = ProgramFolder(argc, argv);
    if (out.empty()) {
        std::fprintf(stderr, "usage: makedemo --out PROGRAM_FOLDER\n");
        return 2;
    }
    std::error_code error;
    fs::create_directories(fs::path(out) / "Demo", error);
    const std::string folder = fs::absolute(out).lexically_normal().string();
    const std::string programFolder = folder.back() == '/' ? folder : folder + "/";
    // Relative INI paths resolve against the program folder, and so does the working folder.
    if (error || chdir(programFolder.c_str()) != 0) {
        std::fprintf(stderr, "makedemo: cannot use %s\n", programFolder.c_str());
        return 1;
    }
    SetProgramFolder(programFolder);
    SetDemoPaths(programFolder);

    // No one is there to answer: any message box is a failure.
    bool failed = false;
    SetMessageBoxHandler([&failed](const std::string& text, const std::string&, UINT) {
        std::fprintf(stderr, "makedemo: %s\n", text.c_str());
        failed = true;
        return IDCANCEL;
    });

    if (!Make() || failed) {
        const PathSettings& paths = *theApp.m_pPathSettings;
        fs::remove(paths.DataFile, error);
        fs::remove(paths.LastFile, error);
        fs::remove(programFolder + "Ressources/" + DefaultSondeEntry().TolFile + ".tol", error);
        return 1;
    }
    return 0;
}
