// A record at the logger chip's full rate for a long time (ten minutes unless
// told otherwise), outside CI: the whole program with its libftd2xx.so against
// the emulator sending 25,600 time-mode data packets a second. The record is
// open before the sonde is powered and ends when the probe reports the sonde
// off, so it must hold every packet the emulator made, and the header's
// duration must match the wall clock within 0.1 %.
//
//     kvx_record_soak [seconds]        (scripts/soak-record builds and runs it)
//
// Exit status 0 when both hold.
#include <QApplication>
#include <QTimer>
#include <chrono>
#include <cmath>
#include <functional>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "core/Ini.h"
#include "core/RunState.h"
#include "core/Settings.h"
#include "core/VarnoLogger_KVXApp.h"
#include "probe/Frames.h"
#include "header/Header.h"
#include "mainwnd/VarnoLogger_KVXDlg.h"
#include "platform/Application.h"
#include "platform/MessageBox.h"
#include "platform/Printer.h"
#include "probe/LogRecord.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRate = 25600;

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Runs the events until done() or the time is up.
bool RunUntil(const std::function<bool()>& done, double seconds)
{
    const auto start = Clock::now();
    while (SecondsSince(start) < seconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
}

pid_t StartEmulator(const fs::path& folder)
{
    std::vector<std::string> args = {KVX_PROGRAM_DIR "/loggersim", "--socket", (folder / "s").string(),
                                     "--log", (folder / "sim.log").string(), "--rate", std::to_string(kRate),
                                     "--speed", "0", "--seed", "7"};
    std::vector<char*> argv;
    for (auto& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    for (int i = 0; i < 500 && !fs::exists(folder / "s"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return pid;
}

// "sonde off after N data packets" in the emulator's log, or -1.
long PacketsMade(const fs::path& log)
{
    const std::string text = ReadText(log);
    const char kOff[] = "sonde off after ";
    const size_t at = text.find(kOff);
    return at == std::string::npos ? -1 : std::strtol(text.c_str() + at + sizeof kOff - 1, nullptr, 10);
}

struct Result {
    bool linked = false;
    bool ended = false;
    double wallMs = 0;
    long made = -1;
    long records = -1;
    long valid = -1;
    long errorPackets = -1;
    int endTimeMs = -1;
};

// The operator's part: power, record, wait, and the sonde off at the logger.
void Run(const fs::path& folder, int seconds, Result& result)
{
    CVarnoLogger_KVXDlg& main = *theApp.m_pMainDlg;
    CPowerDlg& panel = main.m_PowerDlg;
    result.linked = RunUntil([] { return theApp.m_nLinkStatus >= 16; }, 15);
    if (!result.linked)
        return;
    LoggerSettings& settings = *theApp.m_pLoggerSettings;
    settings.PulsResolution = 1000;
    settings.PulleysDiameter = 5000;
    settings.Voltage = 60;
    settings.CommGain = 15;
    settings.CommDrive = 25;
    settings.TimeInterval = 100;

    const fs::path data = folder / "Data" / "Soak.log";
    fs::create_directories(data.parent_path());
    CopyBounded(theApp.m_pPathSettings->DataFile, data.string());
    CopyBounded(theApp.m_pPathSettings->LastFile, (folder / "Data" / "Soak.hed").string());
    CHeader header;
    header.ResetHeader();
    header.WriteHeader(theApp.m_pPathSettings->LastFile);

    // The record opens in the same turn as the power order, before any data.
    panel.OnPowerButton();
    theApp.m_pRunState->recordStarted = 1;
    panel.StartRecording();
    const auto start = Clock::now();
    for (int minute = 1; SecondsSince(start) < seconds; ++minute) {
        RunUntil([] { return false; }, std::min(60.0, seconds - SecondsSince(start)));
        std::printf("%5.0f s: %ld records, %u valid, %u errors\n", SecondsSince(start),
                    long(fs::file_size(data) / sizeof(LogRecord)), unsigned(theApp.m_nValidFrames),
                    unsigned(theApp.m_nErrorFrames));
        std::fflush(stdout);
    }
    // Off at the logger; the probe's report of it follows its last data packet.
    main.m_Usb.SendChannelFrame();
    while ((theApp.m_pProbeStatus->status & 0x0F) != 0 && SecondsSince(start) < seconds + 10)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    result.wallMs = SecondsSince(start) * 1000.0;
    result.ended = RunUntil([] { return theApp.m_pRunState->recording == 0; }, 30);
    RunUntil([&] { return PacketsMade(folder / "sim.log") >= 0; }, 10);
    result.made = PacketsMade(folder / "sim.log");
    result.records = long(fs::file_size(data) / sizeof(LogRecord));
    result.valid = long(theApp.m_nValidFrames);
    result.errorPackets = main.m_Usb.ErrorPacketCount();
    CIni ini(theApp.m_pPathSettings->LastFile, TRUE);
    result.endTimeMs = ini.GetInt("EndTime", -1, "WellInfo");
}

}  // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 600;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ForceCNumericLocale();
    char pattern[] = "/tmp/kvx_soakXXXXXX";
    if (mkdtemp(pattern) == nullptr)
        return 2;
    const fs::path folder = pattern;
    // No question about printers, and no job to a real one.
    SetPdfTestPrinter("Soak printer", (folder / "jobs").string(), 300);
    SetProgramFolder(folder.string() + "/");
    SetApplicationName("kvx_soak_" + std::to_string(getpid()));
    fs::copy_file(KVX_PROGRAM_DIR "/libftd2xx.so", folder / "libftd2xx.so");
    fs::create_directories(folder / "Ressources");
    fs::copy_file(KVX_PROGRAM_DIR "/Ressources/KVXS0001.tol", folder / "Ressources" / "KVXS0001.tol");
    setenv("KVX_LOGGER_SOCKET", (folder / "s").c_str(), 1);
    const pid_t emulator = StartEmulator(folder);
    if (emulator <= 0)
        return 2;
    SetMessageBoxHandler([](const std::string& text, const std::string&, UINT type) {
        std::printf("box: %s\n", text.c_str());
        return (type & 0x0F) == MB_YESNO ? IDYES : IDOK;
    });

    Result result;
    QTimer::singleShot(0, [&] {
        Run(folder, seconds, result);
        theApp.m_pMainWnd->GetSafeHwnd()->close();
    });
    theApp.m_createMainDialog = CVarnoLogger_KVXDlg::CreateMainDialog;
    theApp.InitInstance();
    int status = 0;
    if (waitpid(emulator, &status, WNOHANG) == emulator)
        std::printf("the emulator had ended (status %d)\n", status);
    kill(emulator, SIGTERM);
    waitpid(emulator, nullptr, 0);

    const std::string log = ReadText(folder / "sim.log");
    const bool dropped = log.find("output dropped") != std::string::npos || log.find("late: skipped") != std::string::npos;
    const double drift = result.wallMs > 0 ? (result.endTimeMs - result.wallMs) / result.wallMs : 1.0;
    std::printf("wall clock %.0f ms, header EndTime %d ms (%+.4f %%)\n", result.wallMs, result.endTimeMs,
                100.0 * drift);
    std::printf("emulator made %ld data packets (%.0f a second)%s; %ld records, %ld valid, %ld error packets\n",
                result.made, result.made / (result.wallMs / 1000.0), dropped ? ", some dropped or skipped" : "",
                result.records, result.valid, result.errorPackets);
    const bool pass = result.linked && result.ended && !dropped && result.made > 0 &&
                      result.records == result.made && result.valid == result.made && std::fabs(drift) <= 0.001;
    std::printf("%s\n", pass ? "PASS" : "FAIL");
    if (!pass) {
        std::printf("kept for a look: %s\n", folder.c_str());
        return 1;
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return 0;
}
