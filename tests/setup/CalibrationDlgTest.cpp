// The calibration dialog driven through its controls: what each edit writes
// into the tool file, the record and the curves, and the calibration file's
// save and load.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "core/ConfigFolder.h"
#include "core/Ini.h"
#include "core/Preferences.h"
#include "display/ScopeTrack.h"
#include "res/Resource.h"
#include "setup/PCalibration.h"
#include "support/Artifacts.h"
#include "support/FileSizeLimit.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ScriptedMessageBoxes.h"

namespace {

constexpr int kModeTime = 10;

// Three channels; the fourth section is missing, so the sonde has three.
constexpr const char* kToolFile =
    "[General]\r\nName=Brannoquist\r\nAbbreviation=KVXS\r\nSerialNumber=0001\r\n"
    "CalibrationFile=KVXS0001.cal\r\nNumberOfChannels=6\r\n"
    "[Channel0]\r\nVisible=1\r\nTitle=Gamma Ray\r\nUnit=API\r\nCalFlag=1\r\nCalibComma=2\r\n"
    "Coefficient0=0\r\nCoefficient1=1.23456789\r\nCoefficient2=0\r\nCoefficient3=0\r\n"
    "[Channel1]\r\nVisible=1\r\nTitle=Resistivity\r\nUnit=Ohm.m\r\nCalibComma=3\r\nCoefficient0=0.5\r\n"
    "[Channel2]\r\nVisible=1\r\nTitle=Temperature\r\nUnit=degC\r\nCalibComma=1\r\n";

const char* const kChannelKeys[] = {"Title", "Unit", "Coefficient0", "Coefficient1", "Coefficient2",
                                    "Coefficient3"};

class CalibrationDlgTest : public ConfigFolderTest {
protected:
    void SetUp() override
    {
        ConfigFolderTest::SetUp();
        WriteFile("Ressources/KVXS0001.tol", kToolFile);
        m_prefs.Initialize();  // the default sonde KVXS0001
        ASSERT_EQ(3, theApp.m_pToolRecord->NumberOfChannels);
        m_tracks.LoadChannelSettings(*theApp.m_pToolRecord);
    }

    // Runs the dialog modally with the body inside, then closes it with "Cl&ose".
    void Run(const std::function<void()>& body)
    {
        QTimer::singleShot(0, [&] {
            body();
            Button(IDCANCEL)->click();
        });
        m_dialog.DoModal();
    }

    QLineEdit* Edit(int id) { return qobject_cast<QLineEdit*>(m_dialog.GetDlgItem(id)->GetSafeHwnd()); }
    QAbstractButton* Button(int id)
    {
        return qobject_cast<QAbstractButton*>(m_dialog.GetDlgItem(id)->GetSafeHwnd());
    }
    QComboBox* Channels() { return qobject_cast<QComboBox*>(m_dialog.GetDlgItem(IDC_CAL_CHANNEL)->GetSafeHwnd()); }
    std::string Text(int id) { return m_dialog.GetDlgItemText(id, 256); }

    // Types into an edit and leaves it.
    void Type(int id, const std::string& text)
    {
        QLineEdit* edit = Edit(id);
        edit->setText(QString::fromStdString(text));
        QFocusEvent out(QEvent::FocusOut);
        QApplication::sendEvent(edit, &out);
    }
    void Choose(int index)
    {
        Channels()->setCurrentIndex(index);
        emit Channels()->activated(index);
    }

    std::string ToolKey(int channel, const char* key)
    {
        CIni tool(Path("Ressources/KVXS0001.tol"), TRUE);
        return tool.GetString(key, "none", ("Channel" + std::to_string(channel)).c_str());
    }
    std::string CalKey(const char* section, const char* key)
    {
        CIni cal(Path("Calibration/KVXS0001.cal"), TRUE);
        return cal.GetString(key, "none", section);
    }
    const ChannelRecord& Channel(int i) { return theApp.m_pToolRecord->channels[i]; }

    CPreferences m_prefs;
    CScopeTrack m_tracks;
    CPCalibration m_dialog{m_prefs, m_tracks, nullptr};
};

TEST_F(CalibrationDlgTest, LeavingAnEditWritesItsOwnKeyAndSetWritesThemAll)
{
    // Each edit left writes its key alone; numbers are stored as single precision.
    struct Row {
        int id;
        const char* typed;
        const char* key;
        const char* stored;
    };
    const Row rows[] = {
        {IDC_CAL_NAME, "Natural gamma", "Title", "Natural gamma"},
        {IDC_CAL_UNIT, "cps", "Unit", "cps"},
        {IDC_CAL_COEFFICIENT0, "-1.5", "Coefficient0", "-1.5"},
        {IDC_CAL_COEFFICIENT0 + 1, "1.23456789", "Coefficient1", "1.23457"},
        {IDC_CAL_COEFFICIENT0 + 2, "2.5E-3", "Coefficient2", "0.0025"},
        {IDC_CAL_COEFFICIENT0 + 3, " 1e-7", "Coefficient3", "1E-07"},
    };
    ScriptedMessageBoxes boxes;
    Run([&] {
        EXPECT_EQ("KVXS - 0001 - Brannoquist", Text(IDC_CAL_SONDE_TITLE));
        EXPECT_EQ("File: KVXS0001.tol", Text(IDC_CAL_FILE));
        ASSERT_EQ(3, Channels()->count());
        EXPECT_EQ("Temperature", Channels()->itemText(2).toStdString());
        EXPECT_EQ("Gamma Ray", Text(IDC_CAL_NAME));
        EXPECT_EQ("1.23457", Text(IDC_CAL_COEFFICIENT0 + 1));
        EXPECT_FALSE(Button(IDC_CAL_SAVE)->isEnabled());
        SaveArtifact(m_dialog.GetSafeHwnd(), "calibration_dialog.png");

        for (const Row& row : rows) {
            std::map<std::string, std::string> before;
            for (const char* key : kChannelKeys)
                before[key] = ToolKey(0, key);
            Type(row.id, row.typed);
            for (const char* key : kChannelKeys)
                EXPECT_EQ(key == std::string(row.key) ? row.stored : before[key], ToolKey(0, key)) << row.key;
        }
        EXPECT_EQ("Natural gamma", Channel(0).Title);
        // The curves calibrate with the new polynomial at once.
        const double c[4] = {-1.5, 1.23456789f, 2.5E-3f, 1e-7f};
        const double raw = 100.0;
        const double values[6] = {raw, 0, 0, 0, 0, 0};
        m_tracks.AddSamples(values, kModeTime, 1, *theApp.m_pToolRecord);
        EXPECT_NEAR(c[0] + c[1] * raw + c[2] * raw * raw + c[3] * raw * raw * raw,
                    m_tracks.SampleAt(0, int(m_tracks.Position(0))).display, 1e-9);

        // Text that is no number is reported and keeps the coefficient.
        boxes.Expect("Please enter a number.");
        Type(IDC_CAL_COEFFICIENT0, "1.5x");
        EXPECT_DOUBLE_EQ(-1.5, Channel(0).Coefficient[0]);
        EXPECT_EQ("-1.5", ToolKey(0, "Coefficient0"));
        Type(IDC_CAL_COEFFICIENT0, "-1.5");

        // A change of channel keeps what was typed for the previous one, unsaved.
        Edit(IDC_CAL_COEFFICIENT0 + 3)->setText("0.001");
        Choose(1);
        EXPECT_DOUBLE_EQ(double(0.001f), Channel(0).Coefficient[3]);
        EXPECT_EQ("1E-07", ToolKey(0, "Coefficient3"));
        EXPECT_EQ("Resistivity", Text(IDC_CAL_NAME));
        EXPECT_EQ("0.500000", Text(IDC_CAL_COEFFICIENT0));

        // "&Set" writes every key of the channel shown and allows the save.
        Edit(IDC_CAL_NAME)->setText("Rt");
        Edit(IDC_CAL_COEFFICIENT0 + 2)->setText("4");
        Button(IDC_CAL_SET)->click();
        const char* const expected[] = {"Rt", "Ohm.m", "0.5", "1", "4", "0"};
        for (int k = 0; k < 6; ++k)
            EXPECT_EQ(expected[k], ToolKey(1, kChannelKeys[k])) << kChannelKeys[k];
        EXPECT_TRUE(Button(IDC_CAL_SAVE)->isEnabled());
        EXPECT_EQ("1E-07", ToolKey(0, "Coefficient3"));

        // Enter presses "&Set": what is typed is stored while its edit keeps the focus.
        Edit(IDC_CAL_COEFFICIENT0 + 3)->setText("8");
        QTest::keyClick(Edit(IDC_CAL_COEFFICIENT0 + 3), Qt::Key_Return);
        EXPECT_EQ("8", ToolKey(1, "Coefficient3"));

        // A bad entry and Enter: one message, though the box, a real one,
        // takes the focus from the edit and so leaves it.
        SetMessageBoxHandler(nullptr);
        const int shown = MessageBoxCount();
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->button(QMessageBox::Ok)->click();
        });
        answer.start(20);
        Edit(IDC_CAL_COEFFICIENT0 + 3)->setFocus();
        Edit(IDC_CAL_COEFFICIENT0 + 3)->setText("1x");
        QTest::keyClick(Edit(IDC_CAL_COEFFICIENT0 + 3), Qt::Key_Return);
        EXPECT_EQ(1, MessageBoxCount() - shown) << "messages for one bad entry";
        EXPECT_EQ("8", ToolKey(1, "Coefficient3"));
    });
}

TEST_F(CalibrationDlgTest, SavedCalibrationComesBackWhenLoaded)
{
    ScriptedFileDialogs files;
    files.Cancel();
    files.Choose(Path("Calibration/KVXS0001.cal"));
    files.Cancel();
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char today[16];
    std::strftime(today, sizeof today, "%d/%m/%Y", &local);

    Run([&] {
        // Before any file exists the chooser proposes none; cancelled, nothing changes.
        Button(IDC_CAL_LOAD)->click();
        EXPECT_EQ("1.23457", Text(IDC_CAL_COEFFICIENT0 + 1));

        Type(IDC_CAL_COEFFICIENT0 + 1, "3");
        Choose(2);
        Type(IDC_CAL_COEFFICIENT0, "-40");
        Button(IDC_CAL_SET)->click();
        // On a full disk the save is told and may be tried again.
        {
            ScriptedMessageBoxes boxes;
            boxes.Expect("Trouble writing " + Path("Calibration/KVXS0001.cal") + ": settings not saved.");
            FileSizeLimit full(0);
            ASSERT_TRUE(full.Set());
            Button(IDC_CAL_SAVE)->click();
        }
        EXPECT_TRUE(Button(IDC_CAL_SAVE)->isEnabled());
        EXPECT_FALSE(std::filesystem::exists(Path("Calibration/KVXS0001.cal")));
        Button(IDC_CAL_SAVE)->click();
        EXPECT_FALSE(Button(IDC_CAL_SAVE)->isEnabled());
        EXPECT_EQ(today, CalKey("General", "LastModified"));
        EXPECT_EQ("3", CalKey("Channel0", "Coefficient1"));
        EXPECT_EQ("2", CalKey("Channel0", "CalibNbComma"));
        EXPECT_EQ("0.5", CalKey("Channel1", "Coefficient0"));
        EXPECT_EQ("-40", CalKey("Channel2", "Coefficient0"));
        EXPECT_EQ("1", CalKey("Channel2", "CalibNbComma"));
        EXPECT_EQ("none", CalKey("Channel3", "Coefficient1"));

        // Changed afterwards, then loaded: the saved values are back; channels
        // the file does not hold get the identity.
        Type(IDC_CAL_COEFFICIENT0, "7");
        theApp.m_pToolRecord->channels[0].Coefficient[1] = 5.0;
        theApp.m_pToolRecord->channels[3].Coefficient[1] = 9.0;
        Button(IDC_CAL_LOAD)->click();
        EXPECT_EQ("-40.0000", Text(IDC_CAL_COEFFICIENT0));
        EXPECT_DOUBLE_EQ(3.0, Channel(0).Coefficient[1]);
        EXPECT_DOUBLE_EQ(1.0, Channel(3).Coefficient[1]);
        // Loading writes nothing into the tool file.
        EXPECT_EQ("7", ToolKey(2, "Coefficient0"));

        // A cancelled chooser leaves the values as they are.
        Type(IDC_CAL_COEFFICIENT0, "8");
        Button(IDC_CAL_LOAD)->click();
        EXPECT_EQ("8", Text(IDC_CAL_COEFFICIENT0));
    });

    ASSERT_EQ(3u, files.Shown().size());
    const FileDialogRequest& first = files.Shown()[0];
    EXPECT_TRUE(first.open);
    EXPECT_EQ("*.cal", first.fileName);
    EXPECT_EQ(".cal", first.defaultExt);
    EXPECT_EQ("Calibration File (*.cal)|*.cal||", first.filter);
    EXPECT_EQ(Path("Calibration/"), first.initialDir);
    EXPECT_TRUE(first.flags & OFN_FILEMUSTEXIST);
    // Once the sonde's calibration file exists it is proposed.
    EXPECT_EQ("KVXS0001.cal", files.Shown()[1].fileName);
}

// During replay the dialog shows the log's channels: what it stores goes to the
// log's header file, in the header's encoding, and the sonde's tool file is
// left as it was.
TEST_F(CalibrationDlgTest, DuringReplayTheKeysGoToTheLogsHeaderFile)
{
    WriteFile("Data/Other.hed",
              "[General]\r\nNumberOfChannels=1\r\n\r\n[Channel0]\r\nTitle=Other log's channel\r\nUnit=mV\r\n"
              "Coefficient0=0.00000\r\nCoefficient1=1.00000\r\nCoefficient2=0.00000\r\nCoefficient3=0.00000\r\n");
    CopyBounded(theApp.m_pPathSettings->LastFile, Path("Data/Other.hed"));
    theApp.m_pRunState->fileLoaded = 1;
    m_prefs.LoadTool();
    const std::string tool = ReadFile("Ressources/KVXS0001.tol");
    auto headerKey = [this](const char* key) {
        CIni header(Path("Data/Other.hed"), TRUE);
        return header.GetString(key, "none", "Channel0");
    };

    Run([&] {
        EXPECT_EQ("File: Other.hed", Text(IDC_CAL_FILE));
        EXPECT_EQ("Other log's channel", Text(IDC_CAL_NAME));
        Type(IDC_CAL_NAME, "Renamed");
        Type(IDC_CAL_COEFFICIENT0 + 1, "3");
        EXPECT_EQ("Renamed", headerKey("Title"));
        EXPECT_EQ("3.00000", headerKey("Coefficient1"));
        Edit(IDC_CAL_UNIT)->setText("V");
        Button(IDC_CAL_SET)->click();
        // Not the selected sonde's calibration file: the log's sonde may be another.
        ScriptedMessageBoxes boxes;
        boxes.Expect("The coefficients of a replayed log are kept in its header file.\n"
                     "No calibration file is written during replay.");
        Button(IDC_CAL_SAVE)->click();
    });

    EXPECT_TRUE(std::filesystem::is_empty(Path("Calibration")));
    EXPECT_EQ(tool, ReadFile("Ressources/KVXS0001.tol"));
    EXPECT_EQ("V", headerKey("Unit"));
    EXPECT_EQ("0.00000", headerKey("Coefficient0"));
    // The replayed log reads them back.
    theApp.m_pToolRecord->channels[0] = ChannelRecord{};
    m_prefs.LoadTool();
    EXPECT_EQ("Renamed", Channel(0).Title);
    EXPECT_DOUBLE_EQ(3.0, Channel(0).Coefficient[1]);
}

}  // namespace
