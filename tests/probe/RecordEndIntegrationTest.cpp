// How a record ends when something goes wrong under it, in the main window
// against the logger emulator: a disk that fills, a program that dies, a
// logger that restarts.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QTimer>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

#include "core/ConfigFolder.h"
#include "core/Ini.h"
#include "core/InstanceChecker.h"
#include "core/RunState.h"
#include "core/Settings.h"
#include "core/VarnoLogger_KVXApp.h"
#include "header/Header.h"
#include "header/HeaderRecord.h"
#include "mainwnd/VarnoLogger_KVXDlg.h"
#include "platform/Application.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "probe/Frames.h"
#include "probe/LogRecord.h"
#include "probe/PowerDlg.h"
#include "probe/ToolsStream.h"
#include "res/Resource.h"
#include "support/Artifacts.h"
#include "support/FileSizeLimit.h"
#include "support/LinkedMainWindow.h"
#include "support/LoggerEmulator.h"
#include "support/OwnDisk.h"
#include "support/ProgramRun.h"
#include "support/ModalDialogs.h"
#include "support/ScriptedMessageBoxes.h"

namespace {

namespace fs = std::filesystem;

// Waits for `done` on this thread alone: no timer of the windows runs meanwhile.
bool WaitWithoutEvents(const std::function<bool()>& done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::yield();
    }
    return true;
}

int WellInfoInt(const fs::path& header, const char* key)
{
    CIni ini(header.string(), TRUE);
    return ini.GetInt(key, -1, "WellInfo");
}

// Files of the folder named as copies of `file`: the room kept for one.
int CopiesOf(const fs::path& folder, const std::string& file)
{
    int count = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        count += entry.path().filename().string().starts_with(file + ".tmp") ? 1 : 0;
    return count;
}

class RecordEndIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char folder[] = "/tmp/kvx_recordendXXXXXX";
        ASSERT_NE(nullptr, mkdtemp(folder));
        m_folder = folder;
        m_savedFolder = GetProgramFolder();
        SetProgramFolder(m_folder.string() + "/");
        m_link = std::make_unique<LinkedMainWindow>(m_folder);
    }

    void TearDown() override
    {
        m_link.reset();
        SetMessageBoxHandler(nullptr);
        SetFileDialogHandler(nullptr);
        SetProgramFolder(m_savedFolder);
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }

    void Start(std::vector<std::string> options)
    {
        SetFileDialogHandler([this](const FileDialogRequest&) { return std::optional<std::string>(m_chosen); });
        ASSERT_TRUE(m_link->Start(options));
        m_dialog = &m_link->Window();
    }

    CPowerDlg& Panel() { return m_dialog->m_PowerDlg; }
    QAbstractButton* Button(int id) { return qobject_cast<QAbstractButton*>(Panel().GetDlgItem(id)->GetSafeHwnd()); }
    void Click(int id) { Button(id)->click(); }

    void PowerOnConfirmed()
    {
        ASSERT_TRUE(WaitFor([&] { return Button(IDC_POWER)->isEnabled(); }, 5000));
        Click(IDC_POWER);
        ASSERT_TRUE(WaitFor([&] { return !Panel().IsOrderPending(); }, 5000));
        ASSERT_TRUE(Panel().IsSondeOn());
    }

    // The record button, its recording-mode dialog and header editor answered
    // as they open; the log is `log`.
    void NewLog(const fs::path& log)
    {
        m_chosen = log.string();
        ClickWhenModal({IDOK});
        ClickWhenModal({IDC_HDR_SAVE});
        ASSERT_TRUE(WaitFor([&] { return Button(IDC_RECORD)->isEnabled(); }, 5000));
        Click(IDC_RECORD);
    }

    // A record of `name`.log in the test's folder.
    void Record(const std::string& name)
    {
        ASSERT_NO_FATAL_FAILURE(NewLog(m_folder / (name + ".log")));
        ASSERT_EQ(1, theApp.m_pRunState->recording);
    }

    int HeaderInt(const std::string& name, const char* key) { return WellInfoInt(m_folder / (name + ".hed"), key); }

    // Pads the well information so that a page ends between the header's
    // EndDepth and EndTime values: a change of both is then written as a copy,
    // never in place.
    void PadHeaderAcrossAPage()
    {
        HeaderRecord& h = *theApp.m_pHeaderRecord;
        // Values near enough as long as a record's: the page ends halfway between them.
        h.Startdepth = h.EndDepth = 10000;
        const fs::path scratch = m_folder / "scratch.hed";
        ASSERT_TRUE(CHeader().WriteHeader(scratch.string()));
        const std::string between = "\r\nStartTime=0\r\nEndTime=";
        const size_t middle = ReadTextFile(scratch).find(between) + between.size() / 2;
        const size_t page = size_t(sysconf(_SC_PAGESIZE));
        h.Company.assign(page - middle % page, 'c');
    }

    // The small disk of a test that runs again in a process that mounts it; in
    // the first process none, once the test has run there.
    void OwnDisk(const char*& disk)
    {
        disk = std::getenv(kOwnDiskVariable);
        if (disk != nullptr)
            return;
        const fs::path own = m_folder / "disk";
        ASSERT_TRUE(fs::create_directory(own));
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        const int status = RunWithOwnDisk(std::string(test->test_suite_name()) + "." + test->name(), own);
        if (status == kNoOwnDisk)
            GTEST_SKIP() << "this process may take no mount namespace for a disk of its own";
        EXPECT_EQ(0, status) << "the records on a disk of their own failed or did not end (output above)";
    }

    // A record's header that holds its end so far, then records written after
    // it, then the disk full, then the panel's refresh: its write finds no room
    // for a copy of the header, and leaves the room kept for the stop's write
    // alone. Were the room given up, the data file could take it before it is
    // taken back: here the process's file size limit keeps it from being taken
    // back, and the disk is filled again after.
    void RefreshOnTheFullDisk(const fs::path& filler, const fs::path& header)
    {
        Panel().OnTimer(CPowerDlg::kRefreshTimer);
        const int endTime = WellInfoInt(header, "EndTime");
        ASSERT_TRUE(WaitWithoutEvents([&] { return int(*theApp.m_pRecordDuration) > endTime; }))
            << "no record written after the header's end " << endTime;
        FillDisk(filler);
        {
            FileSizeLimit limit(size_t(sysconf(_SC_PAGESIZE)));
            ASSERT_TRUE(limit.Set());
            Panel().OnTimer(CPowerDlg::kRefreshTimer);
        }
        FillDisk(filler);
    }

    // The disk of `filler` left without room, whatever the data file takes meanwhile.
    static void FillDisk(const fs::path& filler)
    {
        const int fd = open(filler.c_str(), O_WRONLY | O_CREAT, 0600);
        struct statvfs room {};
        for (int i = 0; i < 100 && statvfs(filler.parent_path().c_str(), &room) == 0 && room.f_bavail > 0; ++i)
            posix_fallocate(fd, lseek(fd, 0, SEEK_END), off_t(room.f_bavail * room.f_bsize));
        close(fd);
    }

    fs::path m_folder;
    std::string m_savedFolder;
    std::unique_ptr<LinkedMainWindow> m_link;
    CVarnoLogger_KVXDlg* m_dialog = nullptr;
    std::string m_chosen;
};

// The disk fills during a record: the record ends at once, the operator is
// told, the data file keeps its whole records and the header their end, in
// place when the disk has no room left for a copy of the header.
TEST_F(RecordEndIntegrationTest, FullDiskEndsTheRecordWithWholeRecordsAndTheirEnd)
{
    ScriptedMessageBoxes boxes;
    ASSERT_NO_FATAL_FAILURE(Start({"--rate", "5000", "--speed", "0"}));
    ASSERT_NO_FATAL_FAILURE(PowerOnConfirmed());
    for (const std::string name : {"full", "nocopy"}) {
        SCOPED_TRACE(name);
        ASSERT_NO_FATAL_FAILURE(Record(name));
        const fs::path data = m_folder / (name + ".log");
        const fs::path header = m_folder / (name + ".hed");
        // Past a second the end time keeps its length for a while.
        ASSERT_TRUE(WaitFor([&] { return HeaderInt(name, "EndTime") >= 1000; }, 10000));
        ASSERT_TRUE(WaitWithoutEvents([&] { return int(*theApp.m_pRecordDuration) > HeaderInt(name, "EndTime"); }));

        boxes.Expect("Trouble writing data file: recording stopped.\nThe records written so far are kept.");
        rlim_t full = fs::file_size(data) + 64 * 1024;
        if (name == "nocopy") {
            // Room for the header's end values, none for a copy of it.
            const std::string text = ReadTextFile(header);
            full = text.find('\n', text.find("\nEndTime=") + 1) + 1;
            ASSERT_LT(full, text.size());
        }
        bool ended = false;
        {
            FileSizeLimit limit(full);
            ASSERT_TRUE(limit.Set());
            ended = WaitFor([] { return theApp.m_pRunState->recording == 0; }, 20000);
        }
        ASSERT_TRUE(ended);
        EXPECT_EQ("Data file write error: recording stopped.", m_dialog->m_StatusBar.GetText(0));
        EXPECT_FALSE(Button(IDC_STOP)->isEnabled());

        const auto size = fs::file_size(data);
        EXPECT_EQ(0u, size % sizeof(LogRecord));
        EXPECT_GT(size + sizeof(LogRecord), full);
        const int endTime = HeaderInt(name, "EndTime");
        EXPECT_GT(endTime, 0);
        EXPECT_EQ(int(*theApp.m_pRecordDuration), endTime);
        CopyArtifact(data, name + "_disk.log");
        CopyArtifact(header, name + "_disk.hed");
    }
    EXPECT_EQ(2u, boxes.AllShown().size());
}

// A record on a small disk of its own, which its data file fills, begun at
// several amounts of free room: either it does not start, and leaves neither
// its data file nor its header, or it ends with a message and a header on its
// last whole record, also when the winch runs so fast that each packet
// covers several steps, the skipped ones filled. The test runs again in a
// process that mounts that disk.
TEST_F(RecordEndIntegrationTest, RecordOnADiskItFillsEndsWithAHeaderOnItsLastRecord)
{
    const char* disk = nullptr;
    ASSERT_NO_FATAL_FAILURE(OwnDisk(disk));
    if (disk == nullptr)
        return;
    std::vector<std::string> shown;
    SetMessageBoxHandler([&](const std::string& text, const std::string&, UINT) {
        shown.push_back(text);
        return IDOK;
    });
    // Steps of 1 cm at 600 m/min, a reading every 20 ms: a packet covers
    // about 20 steps. The whole wheel ratio, as the program's start allows it
    // (this process runs this test alone).
    encoderRateLimit = 250;
    m_link.reset();
    m_link = std::make_unique<LinkedMainWindow>(m_folder, [](std::string& tool) {
        tool.replace(tool.find("DepthInterval=100"), 17, "DepthInterval=10");
    });
    ASSERT_NO_FATAL_FAILURE(Start({"--rate", "5000", "--speed", "600", "--down", "600"}));
    ASSERT_NO_FATAL_FAILURE(PowerOnConfirmed());
    ASSERT_NO_FATAL_FAILURE(PadHeaderAcrossAPage());
    const long page = sysconf(_SC_PAGESIZE);
    const auto onDisk = [&] {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(disk))
            names.insert(entry.path().filename().string());
        return names;
    };
    std::set<bool> started;
    constexpr int kTime = 4, kDown = 3;
    struct Row {
        int pages, mode;
        // The panel's refresh runs once the disk is full.
        bool refreshOnFullDisk = false;
    };
    // Around the least room a record starts with: its header, the room kept and
    // one copy; down records whose last record that fits is most likely a filled step.
    const Row rows[] = {{4, kTime},  {8, kTime},  {9, kTime},  {10, kTime}, {11, kTime},
                        {16, kTime}, {12, kDown}, {16, kDown}, {40, kTime, true}};
    for (const auto& [pages, mode, refreshOnFullDisk] : rows) {
        SCOPED_TRACE(std::to_string(pages) + " pages free, mode " + std::to_string(mode) +
                     (refreshOnFullDisk ? ", refreshed on the full disk" : ""));
        theApp.m_pLoggerSettings->recordingMode = mode;
        for (const auto& entry : fs::directory_iterator(disk))
            fs::remove(entry.path());
        struct statvfs room {};
        ASSERT_EQ(0, statvfs(disk, &room));
        const int filler = open((fs::path(disk) / "filler").c_str(), O_WRONLY | O_CREAT, 0600);
        ASSERT_EQ(0, posix_fallocate(filler, 0, off_t(room.f_bavail * room.f_bsize) - pages * page));
        close(filler);

        const std::string status = m_dialog->m_StatusBar.GetText(0);
        const fs::path data = fs::path(disk) / "fill.log";
        const fs::path header = fs::path(disk) / "fill.hed";
        shown.clear();
        ASSERT_NO_FATAL_FAILURE(NewLog(data));
        started.insert(theApp.m_pRunState->recording == 1);
        if (theApp.m_pRunState->recording == 0) {
            EXPECT_EQ(std::vector<std::string>{"Trouble opening or create header file."}, shown);
            EXPECT_EQ(std::set<std::string>{"filler"}, onDisk()) << "files left by a record refused";
            EXPECT_EQ(status, m_dialog->m_StatusBar.GetText(0));
            continue;
        }
        if (refreshOnFullDisk) {
            ASSERT_NO_FATAL_FAILURE(RefreshOnTheFullDisk(fs::path(disk) / "filler", header));
        }
        ASSERT_TRUE(WaitFor([] { return theApp.m_pRunState->recording == 0; }, 10000))
            << "the record did not end on the full disk";
        ASSERT_TRUE(WaitFor([&] { return !shown.empty(); }, 5000)) << "no message at the record's end";
        EXPECT_EQ(std::vector<std::string>{"Trouble writing data file: recording stopped.\n"
                                           "The records written so far are kept."},
                  shown);
        // Near the least room a header's copy written while the record runs
        // may take the last page before the first record comes: none is kept then.
        const auto size = fs::file_size(data);
        EXPECT_EQ(0u, size % sizeof(LogRecord));
        EXPECT_EQ(int(*theApp.m_pRecordDuration), WellInfoInt(header, "EndTime")) << "EndTime on the last record";
        int lastMm = CToolsStream::HeaderDepth(theApp.m_dRecordDepth);
        // Records carry no depth: a down record's n-th lies n - 1 steps below its first.
        if (mode == kDown) {
            ASSERT_GT(size, 0u) << "a down record kept no record";
            lastMm = WellInfoInt(header, "Startdepth") + int(size / sizeof(LogRecord) - 1) * 10;
        }
        EXPECT_NEAR(lastMm, WellInfoInt(header, "EndDepth"), 1)
            << "EndDepth on the last of the " << size / sizeof(LogRecord) << " records";
        EXPECT_EQ((std::set<std::string>{"filler", "fill.log", "fill.hed"}), onDisk()) << "files left by a record";
    }
    EXPECT_EQ(2u, started.size()) << "not both a record refused and a record that filled the disk";
}

// The first record of a record comes once its disk has no room for a copy of
// the header: the start depth is written in place and leaves the room kept
// for the stop's write alone, which then ends the header right. Were that
// room given up, the data file could take it before it is taken back: here
// the process's file size limit keeps it from being taken back, and the disk
// is filled again after. On a small disk of its own, as above; the operator
// stops the record.
TEST_F(RecordEndIntegrationTest, FirstRecordOnAFullDiskLeavesTheRoomKeptForTheEnd)
{
    const char* disk = nullptr;
    ASSERT_NO_FATAL_FAILURE(OwnDisk(disk));
    if (disk == nullptr)
        return;
    std::vector<std::string> shown;
    SetMessageBoxHandler([&](const std::string& text, const std::string&, UINT) {
        shown.push_back(text);
        return IDOK;
    });
    // The winch stands for 5 s from the first power-on, then goes up: a record
    // in up mode has no record before it moves.
    ASSERT_NO_FATAL_FAILURE(
        Start({"--start-depth", "150", "--speed", "60", "--down", "0", "--stop", "5", "--up", "600"}));
    ASSERT_NO_FATAL_FAILURE(PowerOnConfirmed());
    constexpr int kUp = 2;
    theApp.m_pLoggerSettings->recordingMode = kUp;
    ASSERT_TRUE(m_dialog->m_Usb.SendRecordingModeFrame());
    ASSERT_TRUE(WaitFor([] { return (theApp.m_pProbeStatus->status & 0x0F) == kUp; }, 5000));
    ASSERT_NO_FATAL_FAILURE(PadHeaderAcrossAPage());
    const fs::path header = fs::path(disk) / "first.hed";
    ASSERT_NO_FATAL_FAILURE(NewLog(fs::path(disk) / "first.log"));
    ASSERT_EQ(1, theApp.m_pRunState->recording);
    const int startMm = WellInfoInt(header, "Startdepth");

    FillDisk(fs::path(disk) / "filler");
    {
        FileSizeLimit limit(size_t(sysconf(_SC_PAGESIZE)));
        ASSERT_TRUE(limit.Set());
        ASSERT_EQ(1, theApp.m_bRewriteStartDepth) << "the first record came before the disk was full";
        ASSERT_TRUE(WaitWithoutEvents([&] { return WellInfoInt(header, "Startdepth") != startMm; }))
            << "the start depth " << startMm << " not written again at the first record";
    }
    FillDisk(fs::path(disk) / "filler");
    // The data file has no room for that record: the operator stops the record
    // whether or not its writer has found that out yet.
    Click(IDC_STOP);
    ASSERT_EQ(0, theApp.m_pRunState->recording);
    ASSERT_TRUE(WaitFor([&] { return !shown.empty(); }, 5000)) << "no message at the record's end";
    EXPECT_EQ(std::vector<std::string>{"Trouble writing data file: recording stopped.\n"
                                       "The records written so far are kept."},
              shown);
    EXPECT_EQ(CToolsStream::HeaderDepth(theApp.m_dRecordDepth), WellInfoInt(header, "EndDepth"))
        << "the header's end not written at the record's end";
    EXPECT_EQ(int(*theApp.m_pRecordDuration), WellInfoInt(header, "EndTime")) << "EndTime on the record's end";
}

// What a program killed during a record leaves: its header already holds the
// end of the records written, with the start's sonde-length correction, and
// their time.
TEST_F(RecordEndIntegrationTest, HeaderHoldsTheRecordsEndWhileItRuns)
{
    ScriptedMessageBoxes boxes;
    // The winch goes down at 1 m/s for 10 s from the first power-on, then stands.
    ASSERT_NO_FATAL_FAILURE(Start({"--speed", "60", "--down", "10", "--stop", "600"}));
    ASSERT_NO_FATAL_FAILURE(PowerOnConfirmed());
    theApp.m_pLoggerSettings->recordingMode = 3;
    theApp.m_bDownDirection = 1;
    ASSERT_TRUE(m_dialog->m_Usb.SendRecordingModeFrame());
    ASSERT_TRUE(WaitFor([] { return (theApp.m_pProbeStatus->status & 0x0F) == 3; }, 5000));
    ASSERT_NO_FATAL_FAILURE(Record("down"));

    // The winch stands: no record is written any more.
    const fs::path data = m_folder / "down.log";
    ASSERT_TRUE(WaitFor([] { return theApp.m_pLiveReadout->cableSpeed == 0.0; }, 30000));
    const size_t count = fs::file_size(data) / sizeof(LogRecord);
    ASSERT_GE(count, 10u);
    const int startMm = HeaderInt("down", "Startdepth");
    const int endMm = startMm + int(count - 1) * 100;
    ASSERT_TRUE(WaitFor([&] { return std::abs(HeaderInt("down", "EndDepth") - endMm) <= 1; }, 5000))
        << HeaderInt("down", "EndDepth") << " for " << endMm;
    EXPECT_TRUE(WaitFor([&] { return HeaderInt("down", "EndTime") == int(*theApp.m_pRecordDuration); }, 5000));
    EXPECT_GT(HeaderInt("down", "EndTime"), 0);
    EXPECT_EQ(1, theApp.m_pRunState->recording);
    CopyArtifact(m_folder / "down.hed", "record_running.hed");
}

// A header that the record cannot write (made read-only here): a running
// record ends and the operator is told, and gives up the room it kept for a
// copy of the header; nor does a record start with it.
TEST_F(RecordEndIntegrationTest, HeaderThatCannotBeWrittenEndsTheRecord)
{
    ScriptedMessageBoxes boxes;
    ASSERT_NO_FATAL_FAILURE(Start({"--rate", "1000", "--speed", "0"}));
    ASSERT_NO_FATAL_FAILURE(PowerOnConfirmed());
    ASSERT_NO_FATAL_FAILURE(Record("locked"));
    ASSERT_TRUE(WaitFor([&] { return HeaderInt("locked", "EndTime") > 0; }, 10000));
    EXPECT_EQ(1, CopiesOf(m_folder, "locked.hed")) << "no room kept for the header while the record runs";

    boxes.Expect("Trouble writing header file: recording stopped.\nThe records written so far are kept.");
    fs::permissions(m_folder / "locked.hed", fs::perms::owner_read | fs::perms::group_read);
    ASSERT_TRUE(WaitFor([] { return theApp.m_pRunState->recording == 0; }, 5000));
    ASSERT_TRUE(boxes.WaitUntilAllShown(5000));
    EXPECT_EQ("Header file write error: recording stopped.", m_dialog->m_StatusBar.GetText(0));
    EXPECT_FALSE(Button(IDC_STOP)->isEnabled());
    EXPECT_EQ(0, CopiesOf(m_folder, "locked.hed")) << "the room kept was left in the folder";

    boxes.Expect("Trouble opening or create header file.");
    Panel().StartRecording();
    EXPECT_EQ(0, theApp.m_pRunState->recording);
    EXPECT_EQ(nullptr, theApp.m_pRecordFile);
}

// The probe reports the sonde off before the panel's refresh has seen it:
// the record's end sends no mode frame, which would power the sonde again.
TEST_F(RecordEndIntegrationTest, StopJustAfterTheSondeWentOffLeavesItOff)
{
    ScriptedMessageBoxes boxes;
    ASSERT_NO_FATAL_FAILURE(Start({"--speed", "0"}));
    ASSERT_NO_FATAL_FAILURE(PowerOnConfirmed());
    ASSERT_NO_FATAL_FAILURE(Record("off"));
    ASSERT_TRUE(m_dialog->m_Usb.SendChannelFrame());
    ASSERT_TRUE(WaitWithoutEvents([] { return (theApp.m_pProbeStatus->status & 0x0F) == 0; }));
    ASSERT_TRUE(Panel().IsSondeOn());
    Click(IDC_STOP);
    EXPECT_EQ(0, theApp.m_pRunState->recording);

    // A frame after the stop's: once the emulator has it, it had any before.
    ASSERT_TRUE(WaitFor([] { return theApp.m_nTxLength == 0; }, 5000));
    ASSERT_TRUE(m_dialog->m_Usb.SendAuxCommandFrame());
    ASSERT_TRUE(WaitFor([&] { return m_link->Emulator().Log().find("aux command") != std::string::npos; }, 5000));
    const std::string log = m_link->Emulator().Log();
    EXPECT_EQ(std::string::npos, log.find("sonde on", log.rfind("sonde off")));
}

// The whole program, started as the operator starts it, closed by a signal.
class LoggerRestartTest : public ConfigFolderTest {
protected:
    void SetUp() override
    {
        ConfigFolderTest::SetUp();
        SetApplicationName("kvx_restart_" + std::to_string(getpid()));
        PrepareLinkedProgramFolder(Path(""));
    }
    void TearDown() override
    {
        ResetProgramRun();
        ConfigFolderTest::TearDown();
    }
};

// The logger restarts during a record while the link stays up: the record
// ends as the pause ends it and the operator is told; neither the record's
// end nor the close on a signal then powers the sonde of the fresh logger.
TEST_F(LoggerRestartTest, RecordEndsAndNothingPowersTheSondeAgain)
{
    auto first = std::make_unique<LoggerEmulator>(Path("s"), Path("sim.log"), std::vector<std::string>{"--seed", "7"});
    ASSERT_TRUE(first->Running());
    std::unique_ptr<LoggerEmulator> fresh;
    ScriptedMessageBoxes boxes;
    boxes.Expect("The sonde went off: recording stopped.\nThe records written so far are kept.");
    const std::string data = Path("Data/Restart.log");
    SetFileDialogHandler([&](const FileDialogRequest&) { return std::optional<std::string>(data); });
    bool recording = false, restarted = false, ended = false, sondeOff = false;
    QTimer::singleShot(0, [&] {
        CVarnoLogger_KVXDlg& main = *theApp.m_pMainDlg;
        CPowerDlg& panel = main.m_PowerDlg;
        if (WaitFor([] { return theApp.m_nLinkStatus >= 16; }, 15000)) {
            UseEmulatorLinkSettings(*theApp.m_pLoggerSettings);
            panel.OnPowerButton();
            WaitFor([&] { return !panel.IsOrderPending() && panel.IsSondeOn(); }, 5000);
            ClickWhenModal({IDOK});
            ClickWhenModal({IDC_HDR_SAVE});
            main.OnCommand(ID_CMD_NEW_LOG, 0);
            recording = WaitFor([&] { return fs::exists(data) && fs::file_size(data) >= 10 * sizeof(LogRecord); },
                                20000);
        }
        if (recording) {
            first->Stop();
            restarted = WaitFor([] { return theApp.m_nLinkStatus < 16; }, 5000);
            fresh = std::make_unique<LoggerEmulator>(Path("s"), Path("fresh.log"),
                                                     std::vector<std::string>{"--seed", "7"});
            ended = WaitFor([] { return theApp.m_pRunState->recording == 0; }, 15000);
            sondeOff = WaitFor([&] { return !panel.IsSondeOn() && theApp.m_bSondePowered == 0; }, 5000);
        }
        raise(SIGINT);
    });
    EXPECT_FALSE(theApp.InitInstance());

    ASSERT_TRUE(recording);
    EXPECT_TRUE(restarted);
    EXPECT_TRUE(ended);
    EXPECT_TRUE(sondeOff);
    EXPECT_EQ(1u, boxes.AllShown().size());
    CIni header(Path("Data/Restart.hed"), TRUE);
    EXPECT_GT(header.GetInt("EndTime", -1, "WellInfo"), 0);
    ASSERT_TRUE(fresh);
    const std::string log = fresh->Log();
    EXPECT_NE(std::string::npos, log.find("host connected"));
    EXPECT_EQ(std::string::npos, log.find("RX type=6"));
    EXPECT_EQ(std::string::npos, log.find("sonde on"));
}

}  // namespace
