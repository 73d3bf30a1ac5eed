// "&Sonde import" and "&Remove Sonde" through the main window's menu commands,
// against the files of a program folder of the test's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "core/CalibrationFile.h"
#include "core/ConfigFolder.h"
#include "core/Ini.h"
#include "core/InstanceChecker.h"
#include "core/Palette.h"
#include "mainwnd/VarnoLogger_KVXDlg.h"
#include "res/Resource.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ScriptedMessageBoxes.h"

namespace {

namespace fs = std::filesystem;

std::string CrLf(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

int Count(const std::string& text, const std::string& part)
{
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

struct Sonde {
    std::string name, ref, serial, product, tolFile;
};

// Sonde k of a test's list: Ref S<k>, tool file S<k>0<k>.
Sonde Numbered(int k)
{
    const std::string n = std::to_string(k);
    return {"Sonde " + n, "S" + n, "0" + n, "P" + n, "S" + n + "0" + n};
}

class SondeCommandsTest : public ConfigFolderTest {
protected:
    void SetUp() override
    {
        ConfigFolderTest::SetUp();
        SetApplicationName("kvx_sonde_" + std::to_string(getpid()));
    }
    void TearDown() override
    {
        m_main.reset();
        CInstanceChecker::CloseFirstInstanceMapping();
        theApp.m_bClosing = 0;
        theApp.m_bUsbDriverOk = 0;
        ConfigFolderTest::TearDown();
    }

    // Zarkv.cfg with these sondes, each with a tool file, the one at `selected` current.
    void Register(const std::vector<Sonde>& sondes, int selected = 0)
    {
        std::string text = "[VarnoLogger]\nFilePath=none\nSelectedSonde=" + std::to_string(selected) +
                           "\nRefInStock=" + std::to_string(sondes.size()) + "\n";
        for (size_t i = 0; i < sondes.size(); ++i) {
            const Sonde& s = sondes[i];
            text += "[RefSonde" + std::to_string(i + 1) + "]\nName=" + s.name + "\nRef=" + s.ref +
                    "\nSerial=" + s.serial + "\nProduct=" + s.product + "\nTolFile=" + s.tolFile + "\n";
            WriteFile("Ressources/" + s.tolFile + ".tol", "[General]\nNumberOfChannels=0\n");
        }
        WriteFile("Zarkv.cfg", text);
    }

    void Start()
    {
        ScriptedMessageBoxes boxes;
        boxes.Expect("USB driver not installed.");  // no driver layer in the test's folder
        m_main = std::make_unique<CVarnoLogger_KVXDlg>(nullptr);
        ASSERT_TRUE(m_main->Create(IDD_VARNOLOGGER_KVX_DIALOG, nullptr));
    }

    // For the next case of a table: a new folder content and a new main window.
    void CloseAndClear()
    {
        m_main.reset();
        CInstanceChecker::CloseFirstInstanceMapping();
        fs::remove_all(Path("Ressources"));
        fs::remove_all(Path("Calibration"));
        ClearRecords();
    }

    void Command(int id) { m_main->OnCommand(WPARAM(id), 0); }

    // Imports `file` and answers the boxes in order.
    void Import(const std::string& file, const std::vector<std::pair<std::string, int>>& answers)
    {
        ScriptedFileDialogs dialogs;
        dialogs.Choose(file);
        ScriptedMessageBoxes boxes;
        for (const auto& [text, answer] : answers)
            boxes.Expect(text, answer);
        Command(ID_CMD_SONDE_IMPORT);
    }

    CIni Config() const { return CIni(Path("Zarkv.cfg"), "VarnoLogger", TRUE); }

    // Every file and folder of the program folder.
    std::vector<std::string> Files() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(m_folder))
            names.push_back(entry.path().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::vector<std::string> ComboTexts() const
    {
        CComboBox& combo = m_main->m_DephtDlg.ModelCombo();
        std::vector<std::string> texts;
        for (int i = 0; i < combo.GetCount(); ++i)
            texts.push_back(combo.GetLBText(i));
        return texts;
    }

    std::unique_ptr<CVarnoLogger_KVXDlg> m_main;
};

constexpr const char* kImported = "File importation succeeded.";

std::string ExampleChannel(int i, int track, int colour)
{
    return "\n[Channel" + std::to_string(i) + "]\nPhysicalCh=" + std::to_string(i + 1) +
           "\nOffset=200\nTitle=none\nTitleShort=-\nUnit=\nRangeLeft=0\nRangeRight=65535\nCalFlag=0\n"
           "CalibComma=2\nCoefficient0=0.00000\nCoefficient1=1.00000\nCoefficient2=0.00000\n"
           "Coefficient3=0.00000\nFilterFlag=0\nFilterWidth=1\nNullValue=-999.250000\nDisplayTrack=" +
           std::to_string(track) + "\nLineColour=" + std::to_string(colour) + "\nVisible=1\n";
}

TEST_F(SondeCommandsTest, ImportOfAnAbbreviationAndSerialWritesBothFilesAndTheNewEntry)
{
    Start();
    WriteFile("in/abc.txt", "[Sonde]\nAbbreviation=ABC\nSerialNumber=12\n");
    {
        ScriptedFileDialogs dialogs;
        dialogs.Choose(Path("in/abc.txt"));
        ScriptedMessageBoxes boxes;
        boxes.Expect(kImported);
        Command(ID_CMD_SONDE_IMPORT);
        ASSERT_EQ(1u, dialogs.Shown().size());
        const FileDialogRequest& request = dialogs.Shown()[0];
        EXPECT_TRUE(request.open);
        EXPECT_EQ(".txt", request.defaultExt);
        EXPECT_EQ("*.txt", request.fileName);
        EXPECT_EQ("Sonde Import (*.txt)|*.txt||", request.filter);
        EXPECT_EQ(DWORD(OFN_HIDEREADONLY | OFN_FILEMUSTEXIST), request.flags);
        EXPECT_EQ((fs::current_path() / "Sonde import").string(), request.initialDir);
        EXPECT_EQ(UINT(MB_ICONINFORMATION), boxes.AllShown()[0].type);
    }

    std::string tool =
        "[General]\nName=NULL\nAbbreviation=ABC\nManufacturer=NULL\nSerialNumber=12\nSondeLength=200\n"
        "NumberOfChannels=6\nVoltage=95\nCalibrationFile=ABC12.cal\n"
        "\n[Cmd]\nEnabled=0\nAux1=0\nLabelAux1=\nAux2=0\nLabelAux2=\nAux3=0\nLabelAux3=\n"
        "Aux4=0\nLabelAux4=\nAux5=0\nLabelAux5=\nAux6=0\nLabelAux6=\n";
    const int tracks[6] = {0, 0, 2, 2, 3, 3};
    for (int i = 0; i < 6; ++i)
        tool += ExampleChannel(i, tracks[i], i % 2 == 0 ? 16711680 : 255);
    tool += "\n[Track0]\nCols=4\n\n[Track2]\nCols=4\n\n[Track3]\nCols=4\n";
    EXPECT_EQ(CrLf(tool), ReadFile("Ressources/ABC12.tol"));

    std::string calibration =
        "[General]\nLastCalibration=-\nLastModified=" + CalibrationDate() + "\nSonde=ABC\nSerialNo=12\n";
    for (int i = 0; i < 6; ++i) {
        calibration += "\n[Channel" + std::to_string(i) +
                       "]\nCalibrationMethod=Polynom\nCalibNbComma=2\nCoefficient0=0.00000\n"
                       "Coefficient1=1.00000\nCoefficient2=0.00000\nCoefficient3=0.00000\n";
    }
    EXPECT_EQ(CrLf(calibration), ReadFile("Calibration/ABC12.cal"));

    // After the default sonde of the new configuration, and current now.
    CIni config = Config();
    EXPECT_EQ(2, config.GetInt("RefInStock", 0, "VarnoLogger"));
    EXPECT_EQ("NULL", config.GetString("Name", "", "RefSonde2"));
    EXPECT_EQ("ABC", config.GetString("Ref", "", "RefSonde2"));
    EXPECT_EQ("12", config.GetString("Serial", "", "RefSonde2"));
    EXPECT_EQ("NULL", config.GetString("Product", "", "RefSonde2"));
    EXPECT_EQ("ABC12", config.GetString("TolFile", "", "RefSonde2"));
    EXPECT_EQ(1, config.GetInt("SelectedSonde", -1, "VarnoLogger"));
    EXPECT_EQ(2, theApp.m_pSondeList->RefInStock);
    EXPECT_EQ(2u, ComboTexts().size());
    EXPECT_EQ(1, m_main->m_DephtDlg.ModelCombo().GetCurSel());
    EXPECT_EQ(1, int(theApp.m_pLoggerSettings->SelectedSonde));
    EXPECT_EQ("ABC", theApp.m_pToolRecord->Abbreviation);
    EXPECT_EQ(6, theApp.m_pToolRecord->NumberOfChannels);
}

// The sample of the program folder, imported again: one entry, replaced
// only when the user agrees, and an old tool file that a failed write keeps.
TEST_F(SondeCommandsTest, ImportingTwiceKeepsOneEntryAndTheOldFileUntilTheNewOneIsWritten)
{
    fs::create_directories(Path("Ressources"));
    fs::copy_file(KVX_PROGRAM_DIR "/Ressources/KVXS0001.tol", Path("Ressources/KVXS0001.tol"));
    Start();
    const ToolRecord original = *theApp.m_pToolRecord;
    const std::string sample = KVX_PROGRAM_DIR "/Sonde import/KVXS0002.txt";
    Import(sample, {{kImported, IDOK}});
    const std::string firstTool = ReadFile("Ressources/KVXS0002.tol");
    const std::string firstConfig = ReadFile("Zarkv.cfg");

    // The sample describes the default sonde's channels under another serial.
    const ToolRecord& imported = *theApp.m_pToolRecord;
    EXPECT_EQ("0002", imported.SerialNumber);
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        const ChannelRecord& a = original.channels[i];
        const ChannelRecord& b = imported.channels[i];
        EXPECT_EQ(a.Title, b.Title);
        EXPECT_EQ(a.Unit, b.Unit);
        EXPECT_EQ(a.RangeLeft, b.RangeLeft);
        EXPECT_EQ(a.RangeRight, b.RangeRight);
        EXPECT_EQ(a.LineColour, b.LineColour);
        EXPECT_EQ(a.DisplayTrack, b.DisplayTrack);
        EXPECT_EQ(a.LogicalCh, b.LogicalCh);
        EXPECT_EQ(int(a.PhysicalCh), int(b.PhysicalCh));
        EXPECT_EQ(int(a.CalibComma), int(b.CalibComma));
        for (int c = 0; c < 4; ++c)
            EXPECT_FLOAT_EQ(float(a.Coefficient[c]), float(b.Coefficient[c]));
    }

    const std::string question = "Same file name exist, do you want replace this ?";
    Import(sample, {{question, IDNO}, {"Import Aborted.", IDOK}});
    EXPECT_EQ(firstConfig, ReadFile("Zarkv.cfg"));

    // A new tool file that cannot be written whole (a file size limit cuts
    // it) leaves the old one.
    rlimit kept{};
    ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &kept));
    rlimit small = kept;
    small.rlim_cur = 1000;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &small));
    Import(sample, {{question, IDYES}, {"Trouble opening file.", IDOK}});
    setrlimit(RLIMIT_FSIZE, &kept);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(firstTool, ReadFile("Ressources/KVXS0002.tol"));
    EXPECT_EQ(firstConfig, ReadFile("Zarkv.cfg"));

    {
        ScriptedFileDialogs dialogs;
        dialogs.Choose(sample);
        ScriptedMessageBoxes boxes;
        boxes.Expect(question, IDYES);
        boxes.Expect(kImported);
        Command(ID_CMD_SONDE_IMPORT);
        EXPECT_EQ(UINT(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2), boxes.AllShown()[0].type);
    }
    EXPECT_EQ(firstTool, ReadFile("Ressources/KVXS0002.tol"));
    // No copy is left beside the tool files.
    EXPECT_EQ(2, std::distance(fs::directory_iterator(Path("Ressources")), fs::directory_iterator()));
    const std::string config = ReadFile("Zarkv.cfg");
    EXPECT_EQ(1, Count(config, "TolFile=KVXS0002"));
    EXPECT_EQ(2, Config().GetInt("RefInStock", 0, "VarnoLogger"));
    EXPECT_EQ(2, theApp.m_pSondeList->RefInStock);
    EXPECT_EQ(1, m_main->m_DephtDlg.ModelCombo().GetCurSel());
}

// 100 sondes is the most the list holds.
TEST_F(SondeCommandsTest, ImportStopsAtOneHundredSondes)
{
    for (int count : {99, 100}) {
        SCOPED_TRACE(count);
        std::vector<Sonde> sondes;
        for (int k = 1; k <= count; ++k)
            sondes.push_back(Numbered(k));
        Register(sondes, 5);
        Start();
        WriteFile("in/new.txt", "[Sonde]\nAbbreviation=NEW\nSerialNumber=7\n");
        if (count < 100) {
            Import(Path("in/new.txt"), {{kImported, IDOK}});
            EXPECT_EQ("NEW7", Config().GetString("TolFile", "", "RefSonde100"));
            EXPECT_EQ(100, theApp.m_pSondeList->RefInStock);
        } else {
            ScriptedFileDialogs noDialog;
            ScriptedMessageBoxes boxes;
            boxes.Expect("The maximum of storable sonde is reached.");
            Command(ID_CMD_SONDE_IMPORT);
            EXPECT_EQ(UINT(MB_ICONSTOP), boxes.AllShown()[0].type);
            EXPECT_EQ(100, Config().GetInt("RefInStock", 0, "VarnoLogger"));
            EXPECT_FALSE(fs::exists(Path("Ressources/NEW7.tol")));
        }
        EXPECT_EQ(99, Config().GetInt("SelectedSonde", -1, "VarnoLogger"));
        EXPECT_EQ(99, m_main->m_DephtDlg.ModelCombo().GetCurSel());
        EXPECT_EQ(100, m_main->m_DephtDlg.ModelCombo().GetCount());
        CloseAndClear();
    }
}

// Import files that the program refuses before it writes anything.
TEST_F(SondeCommandsTest, RefusedImportFilesWriteNothing)
{
    constexpr const char* kNoChannels =
        "Import Aborted. Invalid import file.\nNumberOfChannels is not a number of 1 or more.";
    constexpr const char* kBadVoltage = "Import Aborted. Invalid import file.\nVoltage must lie between 30 and 100.";
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"[Sonde]\nSerialNumber=12\n", "Import Aborted. Invalid import file."},
        {"[Sonde]\nAbbreviation=null\nSerialNumber=12\n", "Import Aborted. Invalid import file."},
        {"[Sonde]\nAbbreviation=../ABC\nSerialNumber=12\n", "Import Aborted. Invalid import file."},
        {"[Sonde]\nAbbreviation=ABC\nSerialNumber=12\nNumberOfChannels=7\n",
         "Import Aborted. The sonde has 7 channels: at most 6 can be imported."},
        {"[Sonde]\nAbbreviation=ABC\nSerialNumber=12\nNumberOfChannels=11\n",
         "Import Aborted. The sonde has 11 channels: at most 6 can be imported."},
        {"[Sonde]\nAbbreviation=\nSerialNumber=12\n", "Import Aborted. Invalid import file.\nAbbreviation is blank."},
        {"[Sonde]\nAbbreviation= \nSerialNumber= \n", "Import Aborted. Invalid import file.\nAbbreviation is blank."},
        {"[Sonde]\nAbbreviation=ABC\nSerialNumber=\n", "Import Aborted. Invalid import file.\nSerialNumber is missing or blank."},
        {"[Sonde]\nAbbreviation=ABC\n", "Import Aborted. Invalid import file.\nSerialNumber is missing or blank."},
        {"[Sonde]\nAbbreviation=ABC\nSerialNumber=12\nLength=-5\n",
         "Import Aborted. Invalid import file.\n[Sonde] Length must lie between 0 and 2147483647."},
        {"[Sonde]\nAbbreviation=ABC\nSerialNumber=12\nLength=long\n",
         "Import Aborted. Invalid import file.\n[Sonde] Length is not a number."},
        {"[Sonde]\nAbbreviation=ABC\nSerialNumber=12\n[Cmd]\nAux2=on\n",
         "Import Aborted. Invalid import file.\n[Cmd] Aux2 is not a number."},
        {"[Sonde]\nAbbreviation=ABC\nSerialNumber=12\n[Channel1]\nCoefficient1=zz\n",
         "Import Aborted. Invalid import file.\n[Channel1] Coefficient1 is not a number."},
        {"[Sonde]\nAbbreviation=ABC\nSerialNumber=12\n[Channel4]\nMinimum=12..5\n",
         "Import Aborted. Invalid import file.\n[Channel4] Minimum is not a number."},
        {"[Sonde]\nAbbreviation=ABC\nSerialNumber=12\nNumberOfChannels=0\n", kNoChannels},
        {"[Sonde]\nAbbreviation=ABC\nSerialNumber=12\nNumberOfChannels=-2\n", kNoChannels},
        {"[Sonde]\nAbbreviation=ABC\nSerialNumber=12\nNumberOfChannels=six\n", kNoChannels},
        {"[Sonde]\nAbbreviation=ABC\nSerialNumber=12\nVoltage=5000\n", kBadVoltage},
        {"[Sonde]\nAbbreviation=ABC\nSerialNumber=12\nVoltage=101\n", kBadVoltage},
        {"[Sonde]\nAbbreviation=ABC\nSerialNumber=12\nVoltage=29\n", kBadVoltage},
        {"[Sonde]\nAbbreviation=ABC\nSerialNumber=12\nVoltage=high\n", kBadVoltage},
        {"[Sonde]\nAbbreviation=ABC\nSerialNumber=12\n[Channel1]\nCoefficient1=nan\n",
         "Import Aborted. Invalid import file.\n[Channel1] Coefficient1 is not a finite number."},
        {"[Sonde]\nAbbreviation=ABC\nSerialNumber=12\n[Channel3]\nPhysicalCh=99\n",
         "Import Aborted. Invalid import file.\n[Channel3] PhysicalCh must lie between 1 and 6."},
        {"[Sonde]\nAbbreviation=ABC\nSerialNumber=12\n[Channel1]\nPhysicalCh=0\n",
         "Import Aborted. Invalid import file.\n[Channel1] PhysicalCh must lie between 1 and 6."},
        {"[Sonde]\nAbbreviation=ABC\nSerialNumber=12\n[Channel6]\nCalibComma=99999\n",
         "Import Aborted. Invalid import file.\n[Channel6] CalibComma must lie between 0 and 6."},
        {"[Sonde]\nAbbreviation=ABC\nSerialNumber=12\n[Channel1]\nMinimum=-1e400\n",
         "Import Aborted. Invalid import file.\n[Channel1] Minimum is not a finite number."},
        {"[Sonde]\nAbbreviation=ABC\nSerialNumber=12\n[Channel2]\nMaximum=1e300\n",
         "Import Aborted. Invalid import file.\n[Channel2] Maximum must lie between -2147483648 and 2147483647."},
    };
    Start();
    const std::string config = ReadFile("Zarkv.cfg");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        WriteFile("in/bad.txt", c.text);
        const std::vector<std::string> before = Files();
        Import(Path("in/bad.txt"), {{c.message, IDOK}});
        EXPECT_EQ(before, Files());
        EXPECT_EQ(config, ReadFile("Zarkv.cfg"));
        EXPECT_EQ(1, theApp.m_pSondeList->RefInStock);
    }
}

// "abc"/"12" after "ABC"/"12" names the same sonde: the replace question,
// then one entry and one set of files under the new spelling.
TEST_F(SondeCommandsTest, NamesDifferingOnlyInCaseAreTheSameSonde)
{
    Start();
    WriteFile("in/upper.txt", "[Sonde]\nAbbreviation=ABC\nSerialNumber=12\nName=First\n");
    WriteFile("in/lower.txt", "[Sonde]\nAbbreviation=abc\nSerialNumber=12\nName=Second\n");
    Import(Path("in/upper.txt"), {{kImported, IDOK}});
    const std::string config = ReadFile("Zarkv.cfg");
    const std::vector<std::string> files = Files();

    const std::string question = "Same file name exist, do you want replace this ?";
    Import(Path("in/lower.txt"), {{question, IDNO}, {"Import Aborted.", IDOK}});
    EXPECT_EQ(config, ReadFile("Zarkv.cfg"));
    EXPECT_EQ(files, Files());

    Import(Path("in/lower.txt"), {{question, IDYES}, {kImported, IDOK}});
    EXPECT_EQ(2, Config().GetInt("RefInStock", 0, "VarnoLogger"));
    EXPECT_EQ("abc12", Config().GetString("TolFile", "", "RefSonde2"));
    EXPECT_EQ("Second", Config().GetString("Name", "", "RefSonde2"));
    EXPECT_EQ("~", Config().GetString("TolFile", "~", "RefSonde3"));
    EXPECT_TRUE(fs::exists(Path("Ressources/abc12.tol")));
    EXPECT_FALSE(fs::exists(Path("Ressources/ABC12.tol")));
    EXPECT_TRUE(fs::exists(Path("Calibration/abc12.cal")));
    EXPECT_FALSE(fs::exists(Path("Calibration/ABC12.cal")));
    EXPECT_EQ(2, theApp.m_pSondeList->RefInStock);
    EXPECT_EQ(1, m_main->m_DephtDlg.ModelCombo().GetCurSel());
    EXPECT_EQ("Second", theApp.m_pToolRecord->Name);
}

// A write that fails is reported, and the list, the files and the current
// sonde stay as they were; nothing is reported as done. A read-only Zarkv.cfg
// stands for any Zarkv.cfg that refuses its first write (a read-only program
// folder too); a folder where the tool file should be makes the last step fail.
TEST_F(SondeCommandsTest, ImportAndRemovalThatCannotWriteLeaveTheDatabaseAsItWas)
{
    const std::string replace = "Same file name exist, do you want replace this ?";
    const Sonde third = Numbered(3);
    const std::string remove =
        "Do you want remove:\n" + third.ref + " - " + third.serial + " - " + third.product + "\nfrom the dbase.";
    const struct {
        int command;
        bool readOnlyConfig;  // else the tool file's name is taken by a folder
        std::vector<std::pair<std::string, int>> boxes;
    } cases[] = {
        {ID_CMD_SONDE_IMPORT, true, {{"Import Aborted. Zarkv.cfg cannot be written.", IDOK}}},
        {ID_CMD_SONDE_IMPORT, false, {{replace, IDYES}, {"Trouble opening file.", IDOK}}},
        {ID_CMD_REMOVE_SONDE, true, {{remove, IDYES}, {"Removal Aborted. Zarkv.cfg cannot be written.", IDOK}}},
        {ID_CMD_REMOVE_SONDE, false, {{remove, IDYES}, {"Removal Aborted. The tool file cannot be deleted.", IDOK}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.boxes.back().first);
        Register({Numbered(1), Numbered(2), third}, 2);
        Start();
        const bool import = c.command == ID_CMD_SONDE_IMPORT;
        WriteFile("in/new.txt", "[Sonde]\nAbbreviation=NEW\nSerialNumber=7\n");
        if (c.readOnlyConfig) {
            ASSERT_EQ(0, chmod(Path("Zarkv.cfg").c_str(), 0444));
        } else {
            const std::string tool = "Ressources/" + (import ? std::string("NEW7") : third.tolFile) + ".tol";
            fs::remove(Path(tool));
            WriteFile(tool + "/in the way", "");
        }
        const std::string config = ReadFile("Zarkv.cfg");
        const std::vector<std::string> files = Files();
        const std::vector<std::string> combo = ComboTexts();
        {
            ScriptedFileDialogs dialogs;
            if (import)
                dialogs.Choose(Path("in/new.txt"));
            ScriptedMessageBoxes boxes;
            for (const auto& [text, answer] : c.boxes)
                boxes.Expect(text, answer);
            Command(c.command);
            EXPECT_EQ(UINT(MB_ICONSTOP), boxes.AllShown().back().type);
        }
        EXPECT_EQ(config, ReadFile("Zarkv.cfg"));
        EXPECT_EQ(files, Files());
        EXPECT_EQ(3, theApp.m_pSondeList->RefInStock);
        EXPECT_EQ(third.tolFile, theApp.m_pSondeList->entries[2].TolFile);
        EXPECT_EQ(combo, ComboTexts());
        EXPECT_EQ(2, int(theApp.m_pLoggerSettings->SelectedSonde));
        EXPECT_EQ(2, m_main->m_DephtDlg.ModelCombo().GetCurSel());
        chmod(Path("Zarkv.cfg").c_str(), 0644);
        CloseAndClear();
    }
}

TEST_F(SondeCommandsTest, RemovalShiftsTheLaterSondesDownAndSelectsTheFirst)
{
    const struct {
        int count;
        int selected;
        int answer;
        std::vector<int> left;  // the sondes listed afterwards, by number
    } cases[] = {
        {3, 2, IDYES, {1, 2}},
        {5, 0, IDYES, {2, 3, 4, 5}},
        {3, 1, IDNO, {1, 2, 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.count << " sondes, remove " << c.selected);
        std::vector<Sonde> sondes;
        for (int k = 1; k <= c.count; ++k)
            sondes.push_back(Numbered(k));
        Register(sondes, c.selected);
        Start();
        const Sonde removed = sondes[c.selected];
        {
            ScriptedMessageBoxes boxes;
            boxes.Expect("Do you want remove:\n" + removed.ref + " - " + removed.serial + " - " + removed.product +
                             "\nfrom the dbase.",
                         c.answer);
            Command(ID_CMD_REMOVE_SONDE);
            EXPECT_EQ(UINT(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2), boxes.AllShown().at(0).type);
        }
        const bool yes = c.answer == IDYES;
        EXPECT_EQ(!yes, fs::exists(Path("Ressources/" + removed.tolFile + ".tol")));
        CIni config = Config();
        EXPECT_EQ(int(c.left.size()), config.GetInt("RefInStock", 0, "VarnoLogger"));
        EXPECT_EQ(int(c.left.size()), theApp.m_pSondeList->RefInStock);
        std::vector<std::string> combo;
        for (size_t i = 0; i < c.left.size(); ++i) {
            const Sonde s = Numbered(c.left[i]);
            const std::string section = "RefSonde" + std::to_string(i + 1);
            EXPECT_EQ(s.tolFile, config.GetString(section, "TolFile", ""));
            EXPECT_EQ(s.product, config.GetString(section, "Product", ""));
            EXPECT_EQ(s.tolFile, theApp.m_pSondeList->entries[i].TolFile);
            combo.push_back(s.ref + " - " + s.serial + " - " + s.name);
        }
        // The section after the list is left with empty values.
        if (yes) {
            const std::string last = "RefSonde" + std::to_string(c.count);
            EXPECT_EQ("", config.GetString(last, "Name", "~~~"));
            EXPECT_EQ("", config.GetString(last, "TolFile", "~~~"));
        }
        EXPECT_EQ(combo, ComboTexts());
        EXPECT_EQ(0, m_main->m_DephtDlg.ModelCombo().GetCurSel());
        EXPECT_EQ(0, config.GetInt("SelectedSonde", -1, "VarnoLogger"));
        EXPECT_EQ(0, int(theApp.m_pLoggerSettings->SelectedSonde));

        // An import takes the emptied section again.
        if (c.selected == c.count - 1 && yes) {
            const std::string last = "RefSonde" + std::to_string(c.count);
            WriteFile("in/new.txt", "[Sonde]\nAbbreviation=NEW\nSerialNumber=7\n");
            Import(Path("in/new.txt"), {{kImported, IDOK}});
            EXPECT_EQ("NEW7", Config().GetString(last, "TolFile", ""));
            EXPECT_EQ(1, Count(ReadFile("Zarkv.cfg"), "[" + last + "]"));
            EXPECT_EQ(c.count, Config().GetInt("RefInStock", 0, "VarnoLogger"));
            EXPECT_EQ(c.count - 1, m_main->m_DephtDlg.ModelCombo().GetCurSel());
        }
        CloseAndClear();
    }
}

// Removals that take nothing out: the only sonde, or a selection outside the list.
TEST_F(SondeCommandsTest, RemovalWithoutASondeToRemoveChangesNothing)
{
    const struct {
        int count;
        int selected;
        std::vector<std::string> boxes;
    } cases[] = {
        {1, 0, {"This software requires at least one probe registred"}},
        {3, 7, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        std::vector<Sonde> sondes;
        for (int k = 1; k <= c.count; ++k)
            sondes.push_back(Numbered(k));
        Register(sondes, c.selected);
        Start();
        {
            ScriptedMessageBoxes boxes;
            for (const std::string& text : c.boxes)
                boxes.Expect(text);
            Command(ID_CMD_REMOVE_SONDE);
            for (const auto& shown : boxes.AllShown())
                EXPECT_EQ(UINT(MB_ICONSTOP), shown.type);
        }
        EXPECT_EQ(c.count, Config().GetInt("RefInStock", 0, "VarnoLogger"));
        EXPECT_EQ(c.count, theApp.m_pSondeList->RefInStock);
        for (const Sonde& s : sondes)
            EXPECT_TRUE(fs::exists(Path("Ressources/" + s.tolFile + ".tol")));
        EXPECT_EQ(size_t(c.count), ComboTexts().size());
        CloseAndClear();
    }
}

}  // namespace
