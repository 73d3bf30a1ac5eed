// "&New log.", "&Open" and the close check through the main window, with the
// files a test's own program folder holds.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/ConfigFolder.h"
#include "core/Ini.h"
#include "core/InstanceChecker.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "header/HeaderRecord.h"
#include "display/ToolsProbeDlg.h"
#include "mainwnd/VarnoLogger_KVXDlg.h"
#include "probe/Frames.h"
#include "probe/LogRecord.h"
#include "res/Resource.h"
#include "support/LoggerEmulator.h"
#include "support/ModalDialogs.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/TestPrinter.h"

namespace {

namespace fs = std::filesystem;

// How the operator answers a real message box.
enum class Answer { EnterKey, ClickYes, ClickNo };

// Once a message box is up, notes its text and answers it as the operator would.
void AnswerMessageBox(Answer answer, std::string& text)
{
    AnswerModal(
        "message box", [](QWidget* modal) { return qobject_cast<QMessageBox*>(modal) != nullptr; },
        [answer, &text](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            text = box->text().toStdString();
            if (answer == Answer::EnterKey)
                QTest::keyClick(box, Qt::Key_Return);
            else
                box->button(answer == Answer::ClickYes ? QMessageBox::Yes : QMessageBox::No)->click();
        });
}

// What a file dialog showed when it came up.
struct FileDialogShown {
    QString folder;
    QString name;
};

// Once a file dialog is up, notes what it shows, types `name` into it as the
// operator would (a null name: nothing) and accepts it.
void TypeInFileDialog(const QString& name, FileDialogShown& shown)
{
    AnswerModal(
        "file dialog", [](QWidget* modal) { return qobject_cast<QFileDialog*>(modal) != nullptr; },
        [name, &shown](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
            shown = {dialog->directory().absolutePath(), edit->text()};
            if (!name.isNull())
                edit->setText(name);
            QMetaObject::invokeMethod(dialog, "accept");
        });
}

class LogFileCommandsTest : public ConfigFolderTest {
protected:
    void SetUp() override
    {
        ConfigFolderTest::SetUp();
        SetApplicationName("kvx_logfiles_" + std::to_string(getpid()));
        fs::create_directories(Path("Ressources"));
        fs::copy_file(KVX_PROGRAM_DIR "/Ressources/KVXS0001.tol", Path("Ressources/KVXS0001.tol"));
    }
    void TearDown() override
    {
        m_dialog.reset();
        CInstanceChecker::CloseFirstInstanceMapping();
        theApp.m_bClosing = 0;
        theApp.m_bUsbDriverOk = 0;
        theApp.m_nLinkStatus = 0;
        ConfigFolderTest::TearDown();
    }

    // The main window, with the configuration the program folder holds then.
    void CreateMainWindow()
    {
        ScriptedMessageBoxes boxes;
        boxes.Expect("USB driver not installed.");
        m_dialog = std::make_unique<CVarnoLogger_KVXDlg>(nullptr);
        ASSERT_TRUE(m_dialog->Create(IDD_VARNOLOGGER_KVX_DIALOG, nullptr));
    }

    // "&New log." past the recording-mode dialog, with `path` chosen in the file dialog.
    bool NewLogFile(const std::string& path)
    {
        ScriptedFileDialogs files;
        files.Choose(path);
        ClickWhenModal({IDOK});
        return m_dialog->NewLogFile();
    }

    // Every regular file of the program folder by path, with its bytes.
    std::map<std::string, std::string> RegularFiles() const
    {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(m_folder))
            if (entry.is_regular_file())
                files[entry.path().string()] = ReadTextFile(entry.path());
        return files;
    }

    // The paths whose bytes differ from `before`'s, or that came or went.
    std::string ChangedFiles(const std::map<std::string, std::string>& before) const
    {
        const std::map<std::string, std::string> after = RegularFiles();
        std::string changed;
        for (const auto& [path, bytes] : before)
            if (!after.count(path) || after.at(path) != bytes)
                changed += path + "\n";
        for (const auto& [path, bytes] : after)
            if (!before.count(path))
                changed += path + "\n";
        return changed;
    }

    std::unique_ptr<CVarnoLogger_KVXDlg> m_dialog;
};

struct AnswerCase {
    const char* name;
    Answer answer;
    bool yes;
};

constexpr AnswerCase kAnswers[] = {
    {"Enter", Answer::EnterKey, false},
    {"No", Answer::ClickNo, false},
    {"Yes", Answer::ClickYes, true},
};

// Enter keeps a recorded log: only Yes replaces it.
TEST_F(LogFileCommandsTest, ReplacingARecordedLogTakesYesAndEnterMeansNo)
{
    ASSERT_NO_FATAL_FAILURE(CreateMainWindow());
    const std::string log = Path("Data/Well.log");
    for (const AnswerCase& c : kAnswers) {
        SCOPED_TRACE(c.name);
        WriteFile("Data/Well.log", "recorded");
        WriteFile("Data/Well.hed", "[WellInfo]\n");
        std::string question;
        AnswerMessageBox(c.answer, question);
        EXPECT_EQ(c.yes, NewLogFile(log));
        EXPECT_EQ("Same file name exist, do you want replace this ?", question);
        EXPECT_EQ(!c.yes, fs::exists(log));
        EXPECT_EQ(!c.yes, fs::exists(Path("Data/Well.hed")));
        EXPECT_EQ(c.yes, theApp.m_pPathSettings->DataFile == log);
    }
}

// With packets arriving and the sonde not known as powered, Enter keeps the program open.
TEST_F(LogFileCommandsTest, ClosingWithTheLinkLiveTakesYesAndEnterMeansNo)
{
    ASSERT_NO_FATAL_FAILURE(CreateMainWindow());
    for (const AnswerCase& c : kAnswers) {
        SCOPED_TRACE(c.name);
        theApp.m_nLinkStatus = 17;
        theApp.m_bClosing = 0;
        std::string question;
        AnswerMessageBox(c.answer, question);
        EXPECT_EQ(c.yes, m_dialog->CanClose());
        EXPECT_EQ("The sonde is probably powered on. Do you want to close the application ?", question);
        EXPECT_EQ(c.yes, theApp.m_bClosing == 1);
    }
}

// A replay paused with auto print on ends with the program: its last part is printed.
TEST_F(LogFileCommandsTest, ClosingPrintsThePausedReplaysLastPart)
{
    const fs::path jobs = Path("Jobs");
    SetPdfTestPrinter("Test printer", jobs.string(), 300);
    fs::create_directories(Path("Data"));
    fs::copy_file(KVX_PROGRAM_DIR "/Demo/KPXG3241.log", Path("Data/Well.log"));
    fs::copy_file(KVX_PROGRAM_DIR "/Demo/KPXG3241.hed", Path("Data/Well.hed"));
    ASSERT_NO_FATAL_FAILURE(CreateMainWindow());
    ScriptedFileDialogs files;
    files.Choose(Path("Data/Well.log"));
    m_dialog->OnCommand(ID_CMD_OPEN, 0);
    m_dialog->OnCommand(ID_CMD_AUTO_PRINT, 0);
    m_dialog->m_PowerDlg.SpeedSlider().SetPos(50);
    m_dialog->m_PowerDlg.OnCommand(IDC_PLAY, 0);
    ASSERT_TRUE(WaitFor([&] { return m_dialog->m_ScopeTrack.Count(0) >= 100; }, 5000)) << "100 samples replayed";
    m_dialog->m_PowerDlg.OnCommand(IDC_PAUSE, 0);
    ASSERT_TRUE(m_dialog->m_PowerDlg.WaitForReplayEnd(2000));
    const int before = fs::exists(jobs) ? int(std::distance(fs::directory_iterator(jobs), fs::directory_iterator())) : 0;
    ASSERT_TRUE(m_dialog->CanClose());
    const int after = fs::exists(jobs) ? int(std::distance(fs::directory_iterator(jobs), fs::directory_iterator())) : 0;
    EXPECT_EQ(before + 1, after) << "pages printed before the close: " << before;
    UseTestPrinter();
}

// The file system's bytes of a folder and names outside ASCII go from the
// settings to the dialogs, the files and back unchanged; the names show as text.
TEST_F(LogFileCommandsTest, PathsOutsideAsciiGoFromTheSettingsToTheDialogsAndTheFilesAndBack)
{
    const std::string folder = Path("Donn\xc3\xa9" "es/");
    const std::string name = "Puits \xc3\xa9t\xc3\xa9";
    const std::string log = folder + name + ".log";
    fs::create_directories(folder);
    fs::copy_file(KVX_PROGRAM_DIR "/Demo/KPXG3241.log", log);
    fs::copy_file(KVX_PROGRAM_DIR "/Demo/KPXG3241.hed", folder + name + ".hed");
    WriteFile("Zarkv.cfg", "[VarnoLogger]\r\nFilePath=" + folder + "\r\nDataFile=" + log + "\r\n");
    WriteFile("Zarkv.dat", std::string(sizeof(WindowPlacementStore), '\0'));
    ASSERT_NO_FATAL_FAILURE(CreateMainWindow());
    ScriptedMessageBoxes boxes;
    FileDialogShown shown;

    // "&Open" starts in the configured folder.
    TypeInFileDialog(QFile::decodeName(log.c_str()), shown);
    m_dialog->OpenLogFile();
    EXPECT_EQ(QFile::decodeName(Path("Donn\xc3\xa9" "es").c_str()), shown.folder);
    EXPECT_EQ(1, theApp.m_pRunState->fileLoaded);
    EXPECT_EQ(log, theApp.m_pPathSettings->DataFile);
    EXPECT_EQ("Data file : Puits \xe9t\xe9.lox", m_dialog->m_StatusBar.GetText(0));

    // "&New log." proposes the next name there.
    TypeInFileDialog(QString::fromUtf8("\xc3\xa9.log"), shown);
    ClickWhenModal({IDOK});
    ASSERT_TRUE(m_dialog->NewLogFile());
    EXPECT_EQ(QString::fromUtf8("Puits \xc3\xa9t\xc3\xa9_001.log"), shown.name);
    EXPECT_EQ(folder + "\xc3\xa9.log", theApp.m_pPathSettings->DataFile);
    EXPECT_EQ(folder + "\xc3\xa9.hed", theApp.m_pPathSettings->LastFile);
    CIni config(Path("Zarkv.cfg"), TRUE);
    EXPECT_EQ(folder + "\xc3\xa9.log", config.GetString("DataFile", "", "VarnoLogger"));
    EXPECT_EQ(folder, config.GetString("FilePath", "", "VarnoLogger"));

    // Names of another encoding (Latin-1 here) are bytes that are no text:
    // the proposal made from Zarkv.cfg, accepted as shown, names those bytes.
    const std::string latin = Path("d\xe4t\xe4/");
    fs::create_directories(latin);
    WriteFile("d\xe4t\xe4/x\xe4.log", "recorded");
    config.WriteString("FilePath", latin, "VarnoLogger");
    config.WriteString("DataFile", latin + "x\xe4.log", "VarnoLogger");
    m_dialog->m_Preferences.LoadConfig();
    theApp.m_pRunState->fileLoaded = 0;
    TypeInFileDialog(QString(), shown);
    ClickWhenModal({IDOK});
    ASSERT_TRUE(m_dialog->NewLogFile());
    EXPECT_EQ(QFile::decodeName((latin + "x\xe4_001.log").c_str()).toStdString(), shown.name.toStdString());
    EXPECT_EQ(latin + "x\xe4_001.log", theApp.m_pPathSettings->DataFile);
    EXPECT_EQ(latin + "x\xe4_001.hed", theApp.m_pPathSettings->LastFile);
    EXPECT_EQ(latin, theApp.m_pPathSettings->FilePath);
}

// "&Open" with the tools box shown: the box shows the log's first record at
// once, as the curves do, with the log's channels.
TEST_F(LogFileCommandsTest, OpenShowsTheFirstRecordInTheToolsBox)
{
    fs::create_directories(Path("Data"));
    fs::copy_file(KVX_PROGRAM_DIR "/Demo/KPXG3241.log", Path("Data/Well.log"));
    fs::copy_file(KVX_PROGRAM_DIR "/Demo/KPXG3241.hed", Path("Data/Well.hed"));
    ASSERT_NO_FATAL_FAILURE(CreateMainWindow());
    m_dialog->OnCommand(ID_CMD_TOOLS_BOX, 0);
    ScriptedFileDialogs files;
    files.Choose(Path("Data/Well.log"));
    m_dialog->OnCommand(ID_CMD_OPEN, 0);
    ASSERT_EQ(1, theApp.m_pRunState->fileLoaded);
    const SampleRecord first = *theApp.m_pSampleRecord;
    const ChannelRecord& channel = theApp.m_pToolRecord->channels[0];
    ASSERT_NE(0, int(first.channelRaw[0]));
    const std::string raw = RawValueText(first.channelRaw[0]);
    const std::string calibrated = CalibratedValueText(first.channelValue[0], channel.CalibComma);
    CToolsProbeDlg& box = m_dialog->m_ToolsProbeDlg;
    EXPECT_TRUE(WaitFor([&] { return box.RawStatic(0).GetWindowText() == raw; }, 3000))
        << box.RawStatic(0).GetWindowText() << " instead of " << raw;
    EXPECT_EQ(calibrated, box.CalibratedStatic(0).GetWindowText());
    EXPECT_EQ(channel.TitleShort, box.GetDlgItemText(1049, 256));
}

// A chosen file that cannot be a log's data file is refused with a message,
// before anything is stored, deleted or opened.
TEST_F(LogFileCommandsTest, FilesThatCannotBeALogsDataFileAreRefused)
{
    ASSERT_NO_FATAL_FAILURE(CreateMainWindow());
    const std::string hed = "A .hed file is the header of a log, not its data file: choose a .log file.";
    const std::string tooLong = "The chosen path is longer than 255 characters: the settings cannot keep it.\n"
                                "Choose a shorter folder or file name.";
    const std::string special = "The chosen file is not a regular file (it is a pipe, a device or a folder): "
                                "a log is kept in regular files only.";
    const std::string header = ReadTextFile(KVX_PROGRAM_DIR "/Demo/KPXG3241.hed");
    WriteFile("Data/Well.log", "recorded");
    WriteFile("Data/Well.hed", header);
    WriteFile("Data/Pipe.hed", header);
    ASSERT_EQ(0, mkfifo(Path("Data/Pipe.log").c_str(), 0600));
    // Held open with a record in it: a regression reads it instead of waiting for a writer.
    const int pipe = ::open(Path("Data/Pipe.log").c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(pipe, 0);
    ASSERT_EQ(ssize_t(sizeof(LogRecord)), ::write(pipe, std::string(sizeof(LogRecord), '\0').data(), sizeof(LogRecord)));
    fs::create_symlink("/dev/null", Path("Data/Null.log"));
    // Data files whose header file cannot be read.
    WriteFile("Data/PipeHeader.log", "recorded");
    ASSERT_EQ(0, mkfifo(Path("Data/PipeHeader.hed").c_str(), 0600));
    WriteFile("Data/FolderHeader.log", "recorded");
    fs::create_directories(Path("Data/FolderHeader.hed"));
    // Data files whose header file is missing, empty, foreign or cut in its last channel.
    WriteFile("Data/Missing.log", "recorded");
    WriteFile("Data/Empty.log", "recorded");
    WriteFile("Data/Empty.hed", "");
    WriteFile("Data/Random.log", "recorded");
    std::string random(3000, '\0');
    std::mt19937 bytes(31);
    for (char& byte : random)
        byte = char(bytes());
    WriteFile("Data/Random.hed", random);
    WriteFile("Data/Cut.log", "recorded");
    WriteFile("Data/Cut.hed", header.substr(0, header.rfind("LineColour=")));
    const auto unreadable = [&](const char* title) {
        return "Bad header file.\n" + Path("Data/") + title + ".hed cannot be read: the log is not opened.";
    };
    const std::string data = Path("Data/");
    const std::string longest = data + std::string(255 - data.size() - 4, 'L') + ".log";

    const struct {
        bool open;
        std::string path;
        std::string message;
    } cases[] = {
        {true, Path("Data/Well.hed"), hed},
        {false, Path("Data/Well.hed"), hed},
        {true, Path("Data/Pipe.log"), special},
        {false, Path("Data/Pipe.log"), special},
        {false, Path("Data/Null.log"), special},
        {true, Path("Data/PipeHeader.log"), unreadable("PipeHeader")},
        {true, Path("Data/FolderHeader.log"), unreadable("FolderHeader")},
        {true, Path("Data/Missing.log"), unreadable("Missing")},
        {true, Path("Data/Empty.log"), unreadable("Empty")},
        {true, Path("Data/Random.log"), unreadable("Random")},
        {true, Path("Data/Cut.log"), unreadable("Cut")},
        {true, data + "L" + longest.substr(data.size()), tooLong},
        {false, data + "L" + longest.substr(data.size()), tooLong},
        // Its header file's path would be one longer.
        {false, longest.substr(0, longest.size() - 4) + "L.lg", tooLong},
    };
    const std::map<std::string, std::string> files = RegularFiles();
    const std::string status = m_dialog->m_StatusBar.GetText(0);
    const int channels = theApp.m_pHeaderRecord->channelCount;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        CopyBounded(theApp.m_pPathSettings->DataFile, "before");
        ScriptedMessageBoxes boxes;
        boxes.Expect(c.message);
        if (c.open) {
            ScriptedFileDialogs files;
            files.Choose(c.path);
            m_dialog->OpenLogFile();
        } else {
            EXPECT_FALSE(NewLogFile(c.path));
        }
        EXPECT_STREQ("before", theApp.m_pPathSettings->DataFile);
        EXPECT_EQ(0, theApp.m_pRunState->fileLoaded);
        EXPECT_EQ("", ChangedFiles(files)) << "files changed, made or removed";
        EXPECT_EQ(status, m_dialog->m_StatusBar.GetText(0));
        EXPECT_EQ(channels, theApp.m_pHeaderRecord->channelCount);
    }
    ::close(pipe);

    // A path of 255 characters is kept whole, in the settings and in Zarkv.cfg.
    ScriptedMessageBoxes none;
    ASSERT_TRUE(NewLogFile(longest));
    EXPECT_EQ(longest, theApp.m_pPathSettings->DataFile);
    EXPECT_EQ(longest, CIni(Path("Zarkv.cfg"), TRUE).GetString("DataFile", "", "VarnoLogger"));
}

}  // namespace
