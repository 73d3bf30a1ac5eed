#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <vector>

#include "ConfigFolder.h"
#include "core/CalibrationFile.h"
#include "core/Ini.h"
#include "core/Preferences.h"
#include "support/ScriptedMessageBoxes.h"

namespace {

std::string Channel(int i, const std::string& keys)
{
    return "[Channel" + std::to_string(i) + "]\nTitle=Ch" + std::to_string(i) + "\n" + keys;
}

}  // namespace

class ToolFileTest : public ConfigFolderTest {
protected:
    void SetUp() override
    {
        ConfigFolderTest::SetUp();
        m_prefs.Initialize();  // default sonde KVXS0001
        m_toolFile = "Ressources/KVXS0001.tol";
    }

    ToolRecord& Tool() { return *theApp.m_pToolRecord; }

    CPreferences m_prefs;
    std::string m_toolFile;
};

TEST_F(ToolFileTest, MissingToolFileGivesDefaultsAndZeroChannels)
{
    EXPECT_EQ(Tool().NumberOfChannels, 0);
    EXPECT_EQ(Tool().Name, "NULL");
    EXPECT_EQ(Tool().CalibrationFile, "Default.cal");
    EXPECT_EQ(theApp.m_pLoggerSettings->TimeInterval, 150);
    EXPECT_EQ(theApp.m_pLoggerSettings->DepthInterval, 1);
    EXPECT_EQ(Tool().Aux[5], -1);
    EXPECT_EQ(Tool().Cols[2], 4);
    CIni tol(Path(m_toolFile), "General", TRUE);
    EXPECT_EQ(tol.GetInt("NumberOfChannels", -1), 0);
}

TEST_F(ToolFileTest, LoadsChannelsTracksColoursAndCounts)
{
    WriteFile(m_toolFile,
              "[General]\nNumberOfChannels=6\nDepthInterval=25\nSondeLength=150,5\n"
              "[Cmd]\nEnabled=yes\nAux2=7\nLabelAux2=Arm\n" +
                  Channel(0, "Visible=1\nDisplayTrack=0\nLineColour=24736\nInvertScale=0\n") +
                  Channel(1, "Visible=1\nDisplayTrack=2\nLineColour=1\nPhysicalCh=9\nRangeRight=1e300\n") +
                  Channel(2, "Visible=1\nDisplayTrack=7\nPhysicalCh=-3\nCoefficient1=2,5\n") +
                  "[Channel3]\nTitle=NO INFO CHANNEL\nVisible=1\nDisplayTrack=3\n" +
                  Channel(4, "Visible=0\nDisplayTrack=3\nCoefficient1=nan\n") +
                  Channel(5, "Visible=1\nDisplayTrack=1\n") + "[Track2]\nCols=6\n");
    ScriptedMessageBoxes boxes;
    boxes.Expect("Values of " + Path(m_toolFile) + " cannot be used as written:\n"
                 "[Channel1] PhysicalCh=9 lies outside 1 to 6: 6 is used.\n"
                 "[Channel2] PhysicalCh=-3 lies outside 1 to 6: 1 is used.\n"
                 "[Channel4] Coefficient1=nan is not a finite number: 1 is used.");
    m_prefs.LoadTool();

    const ToolRecord& tool = Tool();
    EXPECT_EQ(tool.NumberOfChannels, 3);
    EXPECT_EQ(CIni(Path(m_toolFile), "General", TRUE).GetInt("NumberOfChannels", 0), 3);
    EXPECT_EQ(theApp.m_pLoggerSettings->DepthInterval, 2);
    EXPECT_DOUBLE_EQ(tool.SondeLength, 150.5);
    EXPECT_EQ(tool.Enabled, 1);
    EXPECT_EQ(tool.Aux[1], 7);
    EXPECT_EQ(tool.LabelAux[1], "Arm");
    EXPECT_EQ(tool.Cols[0], 4);
    EXPECT_EQ(tool.Cols[1], 6);

    const ChannelRecord* ch = tool.channels;
    EXPECT_EQ(ch[0].DisplayTrack, 0);
    EXPECT_EQ(ch[1].DisplayTrack, 1);
    EXPECT_EQ(ch[2].DisplayTrack, 2);
    EXPECT_EQ(ch[3].DisplayTrack, 2);
    EXPECT_EQ(ch[5].DisplayTrack, 1);
    EXPECT_EQ(ch[3].LogicalCh, 2);  // second visible channel of track 2
    EXPECT_EQ(ch[5].LogicalCh, 2);
    EXPECT_EQ(ch[4].DisplayTrack, 0);
    EXPECT_EQ(ch[4].LogicalCh, 0);
    EXPECT_EQ(ch[0].LineColour, 22);
    EXPECT_EQ(ch[1].LineColour, 0);
    EXPECT_EQ(ch[0].InvertScale, 1);
    EXPECT_EQ(ch[1].InvertScale, 0);
    EXPECT_EQ(ch[1].PhysicalCh, 5);
    EXPECT_EQ(ch[2].PhysicalCh, 0);
    EXPECT_EQ(ch[5].PhysicalCh, 5);
    EXPECT_EQ(ch[1].RangeRight, 2147483647);
    EXPECT_DOUBLE_EQ(ch[2].Coefficient[1], 2.0);  // float reading stops at ','
    EXPECT_DOUBLE_EQ(ch[4].Coefficient[1], 1.0);
    EXPECT_DOUBLE_EQ(ch[0].NullValue, -999.25);
    EXPECT_EQ(ch[4].TitleShort, "CH4");
    EXPECT_EQ(ch[4].Unit, "CPS");
}

TEST_F(ToolFileTest, SaveWritesBackWhatWasLoaded)
{
    WriteFile(m_toolFile, "[General]\nNumberOfChannels=2\nDepthInterval=25\n" +
                              Channel(0, "Visible=1\nDisplayTrack=1\nLineColour=16711680\nInvertScale=0\n"
                                         "Coefficient1=1.23456789\nRangeLeft=-5\n") +
                              Channel(1, "Visible=0\nUnit=keep\n") + "[Channel2]\nTitle=NO INFO CHANNEL\n");
    m_prefs.LoadTool();
    m_prefs.SaveTool(FALSE);

    CIni tol(Path(m_toolFile), "General", TRUE);
    EXPECT_EQ(tol.GetInt("DepthInterval", 0), 20);
    EXPECT_EQ(tol.GetString("SondeLength"), "0.000000");
    EXPECT_EQ(tol.GetString("DisplayTrack", "", "Channel0"), "2");
    EXPECT_EQ(tol.GetString("LogicalCh"), "1");
    EXPECT_EQ(tol.GetString("LineColour"), "16711680");
    EXPECT_EQ(tol.GetString("InvertScale"), "0");
    EXPECT_EQ(tol.GetString("RangeLeft"), "-5.000000");
    EXPECT_EQ(tol.GetString("Coefficient1"), "1.23457");
    EXPECT_EQ(tol.GetString("Coefficient0"), "0");
    EXPECT_EQ(tol.GetString("Visible", "", "Channel1"), "0");
    EXPECT_EQ(tol.GetString("Unit"), "keep");
    EXPECT_EQ(tol.GetString("Title"), "Ch1");
    EXPECT_EQ(tol.GetInt("Cols", 0, "Track3"), 4);

    const ChannelRecord saved = Tool().channels[0];
    m_prefs.LoadTool();
    const ChannelRecord& again = Tool().channels[0];
    EXPECT_EQ(again.DisplayTrack, saved.DisplayTrack);
    EXPECT_EQ(again.LineColour, saved.LineColour);
    EXPECT_EQ(again.InvertScale, saved.InvertScale);
    EXPECT_EQ(again.RangeLeft, saved.RangeLeft);
    EXPECT_DOUBLE_EQ(again.Coefficient[1], double(1.23457f));  // six significant digits on disk

    // A refused file is told once, with the object back on its own file.
    ASSERT_EQ(chmod(Path(m_toolFile).c_str(), 0444), 0);
    const std::string own = m_prefs.GetPathName();
    std::vector<std::string> told;
    SetMessageBoxHandler([&](const std::string& text, const std::string&, UINT) {
        told.push_back(m_prefs.GetPathName() == own ? text : "on " + m_prefs.GetPathName());
        return IDOK;
    });
    m_prefs.SaveTool(FALSE);
    m_prefs.SaveTool(TRUE);
    EXPECT_EQ(std::vector<std::string>{RefusedText(Path(m_toolFile))}, told);
    // Saved once it may be written, it is told again when refused again.
    ASSERT_EQ(chmod(Path(m_toolFile).c_str(), 0644), 0);
    m_prefs.SaveTool(TRUE);
    ASSERT_EQ(chmod(Path(m_toolFile).c_str(), 0444), 0);
    m_prefs.SaveTool(TRUE);
    SetMessageBoxHandler(nullptr);
    EXPECT_EQ(std::vector<std::string>(2, RefusedText(Path(m_toolFile))), told);
}

TEST_F(ToolFileTest, HeaderFileStandsInDuringReplay)
{
    WriteFile(m_toolFile, "[General]\nName=Tool\nCommGain=33\nScale=100\n" + Channel(0, "Visible=1\n"));
    WriteFile("log.hed", "[General]\nName=Header\nCommGain=44\nScale=500\nNumberOfChannels=1\n" +
                             Channel(0, "Visible=1\nUnit=API\n"));
    CopyBounded(theApp.m_pPathSettings->LastFile, Path("log.hed"));
    theApp.m_pRunState->fileLoaded = 1;
    const std::string kept = m_prefs.GetPathName();
    m_prefs.LoadTool();
    EXPECT_EQ(m_prefs.GetPathName(), kept);
    EXPECT_EQ(Tool().Scale, 500);
    EXPECT_EQ(Tool().channels[0].Unit, "API");
    EXPECT_NE(Tool().Name, "Header");  // model keys come only from a tool file
    EXPECT_NE(Tool().CommGain, 44);

    Tool().Scale = 200;
    theApp.m_pLoggerSettings->CommGain = 99;
    m_prefs.SaveTool(TRUE);
    m_prefs.SaveTool(FALSE);
    CIni hed(Path("log.hed"), "General", TRUE);
    EXPECT_EQ(hed.GetInt("Scale", 0), 200);
    EXPECT_EQ(hed.GetInt("CommGain", 0), 44);
    CIni tol(Path(m_toolFile), "General", TRUE);
    EXPECT_EQ(tol.GetInt("Scale", 0), 100);
    EXPECT_EQ(tol.GetInt("CommGain", 0), 33);
}

TEST_F(ToolFileTest, NegativeSondeIsReportedAndOutOfRangeSaveWritesNothing)
{
    ScriptedMessageBoxes boxes;
    boxes.Expect("This software requires at least one probe registred.\n"
                 "You must import at least one sonde for activate the channels ");
    theApp.m_pLoggerSettings->SelectedSonde = -1;
    m_prefs.LoadTool();
    EXPECT_EQ(theApp.m_pLoggerSettings->SelectedSonde, 0);

    const std::string before = ReadFile(m_toolFile);
    theApp.m_pLoggerSettings->SelectedSonde = 500;
    m_prefs.SaveTool(FALSE);
    EXPECT_EQ(ReadFile(m_toolFile), before);
}

TEST_F(ToolFileTest, CalibrationFileGivesPolynomials)
{
    CIni cal(CalibrationFilePath("KVXS0001"), TRUE);
    const double first[4] = {0.5, 1.23456789, 0.0, -2.0};
    WriteChannelCalibration(cal, 0, 3, first);
    WriteCalibrationDate(cal);
    cal.WriteString("Coefficient1", "4", "Channel1");
    cal.WriteString("CalibrationMethod", "Spline", "Channel2");
    cal.WriteString("Coefficient1", "9", "Channel2");
    EXPECT_EQ(cal.GetString("Coefficient1", "", "Channel0"), "1.23457");
    EXPECT_EQ(cal.GetString("LastModified", "", "General").size(), 10u);

    for (auto& ch : Tool().channels)
        ch.Coefficient[1] = 7.0;
    m_prefs.LoadChannelCalibration("Calibration/KVXS0001.cal");
    const ChannelRecord* ch = Tool().channels;
    EXPECT_DOUBLE_EQ(ch[0].Coefficient[0], 0.5);
    EXPECT_DOUBLE_EQ(ch[0].Coefficient[1], double(1.23457f));
    EXPECT_DOUBLE_EQ(ch[0].Coefficient[3], -2.0);
    EXPECT_DOUBLE_EQ(ch[1].Coefficient[1], 4.0);
    EXPECT_DOUBLE_EQ(ch[2].Coefficient[1], 1.0);  // another method: identity
    EXPECT_DOUBLE_EQ(ch[5].Coefficient[1], 1.0);
    EXPECT_DOUBLE_EQ(ch[5].Coefficient[0], 0.0);
}

// A tool file may hold any number; the probe gets only what the Logger Setup
// pages would accept, brought to the nearest end of their ranges, and the
// operator is told once what was not used as written.
TEST_F(ToolFileTest, SettingsForTheProbeAreBroughtIntoTheirRanges)
{
    const auto voltage = [] { return int(theApp.m_pLoggerSettings->Voltage); };
    const auto time = [] { return int(theApp.m_pLoggerSettings->TimeInterval); };
    const auto depth = [] { return int(theApp.m_pLoggerSettings->DepthInterval); };
    const auto gain = [] { return int(theApp.m_pLoggerSettings->CommGain); };
    const auto drive = [] { return int(theApp.m_pLoggerSettings->CommDrive); };
    const struct {
        const char* line;
        int (*loaded)();
        int expected;
        const char* told;
    } cases[] = {
        {"Voltage=100000", voltage, 100, "lies outside 30 to 100: 100 is used."},
        {"Voltage=101", voltage, 100, "lies outside 30 to 100: 100 is used."},
        {"Voltage=100", voltage, 100, nullptr},
        {"Voltage=30", voltage, 30, nullptr},
        {"Voltage=29", voltage, 30, "lies outside 30 to 100: 30 is used."},
        {"Voltage=-5", voltage, 30, "lies outside 30 to 100: 30 is used."},
        {"Voltage=abc", voltage, 30, "is not a whole number: 30 is used."},
        {"Voltage=", voltage, 30, "is not a whole number: 30 is used."},
        {"Voltage=95 V", voltage, 95, "is not a whole number: 95 is used."},
        {"TimeInterval=70000", time, 5000, "lies outside 100 to 5000: 5000 is used."},
        {"TimeInterval=5001", time, 5000, "lies outside 100 to 5000: 5000 is used."},
        {"TimeInterval=5000", time, 5000, nullptr},
        {"TimeInterval=100", time, 100, nullptr},
        {"TimeInterval=99", time, 100, "lies outside 100 to 5000: 100 is used."},
        {"TimeInterval=0", time, 100, "lies outside 100 to 5000: 100 is used."},
        {"TimeInterval=1.5e3", time, 100, "is not a whole number: 100 is used."},
        {"DepthInterval=1010", depth, 100, "lies outside 10 to 1000: 1000 is used."},
        {"DepthInterval=1000", depth, 100, nullptr},
        {"DepthInterval=10", depth, 1, nullptr},
        {"DepthInterval=5", depth, 1, "lies outside 10 to 1000: 10 is used."},
        {"DepthInterval=-20", depth, 1, "lies outside 10 to 1000: 10 is used."},
        {"CommGain=36", gain, 35, "lies outside 0 to 35: 35 is used."},
        {"CommGain=35", gain, 35, nullptr},
        {"CommGain=0", gain, 0, nullptr},
        {"CommGain=-1", gain, 0, "lies outside 0 to 35: 0 is used."},
        {"CommDrive=61", drive, 60, "lies outside 5 to 60: 60 is used."},
        {"CommDrive=60", drive, 60, nullptr},
        {"CommDrive=5", drive, 5, nullptr},
        {"CommDrive=4", drive, 5, "lies outside 5 to 60: 5 is used."},
    };
    const std::string told = "Values of " + Path(m_toolFile) + " cannot be used as written:\n[General] ";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        WriteFile(m_toolFile, std::string("[General]\n") + c.line + "\n");
        ScriptedMessageBoxes boxes;
        if (c.told != nullptr)
            boxes.Expect(told + c.line + " " + c.told);
        m_prefs.LoadTool();
        EXPECT_EQ(c.expected, c.loaded());
    }
    WriteFile(m_toolFile, "[General]\nVoltage=5000\nCommGain=99\nCommDrive=1\n");
    ScriptedMessageBoxes boxes;
    boxes.Expect(told + "CommGain=99 lies outside 0 to 35: 35 is used.\n"
                 "[General] CommDrive=1 lies outside 5 to 60: 5 is used.\n"
                 "[General] Voltage=5000 lies outside 30 to 100: 100 is used.");
    m_prefs.LoadTool();
    EXPECT_EQ(100, Tool().Voltage);
    EXPECT_EQ(35, Tool().CommGain);
    EXPECT_EQ(5, Tool().CommDrive);
    // Loaded again, the same file is not told again.
    m_prefs.LoadTool();
    EXPECT_EQ(1u, boxes.AllShown().size());

    // The box waits with the settings back on their own file: a setting
    // written meanwhile stays out of the tool file.
    WriteFile(m_toolFile, "[General]\nVoltage=5\n");
    const std::string own = m_prefs.GetPathName();
    std::string fileDuringBox;
    SetMessageBoxHandler([&](const std::string&, const std::string&, UINT) {
        fileDuringBox = m_prefs.GetPathName();
        return IDOK;
    });
    m_prefs.LoadTool();
    SetMessageBoxHandler(nullptr);
    EXPECT_EQ(own, fileDuringBox);
}
