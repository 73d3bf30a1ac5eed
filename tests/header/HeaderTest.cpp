#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <regex>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "core/ConfigFolder.h"
#include "core/Ini.h"
#include "header/Header.h"
#include "header/HeaderRecord.h"
#include "support/ScriptedMessageBoxes.h"

namespace {

std::string CrLf(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

// The [WellInfo] lines of a record after ResetWellInfo, with the given lines replaced.
std::vector<std::string> WellInfoLines(const std::vector<std::pair<std::string, std::string>>& changed)
{
    std::vector<std::string> lines = {
        "Company=", "Country=", "Fieldname=", "Latitude=", "Longitude=", "Location=", "Project=",
        "ServiceCompany=", "UWI=", "Wellname=", "DepthUnit=0", "Startdepth=0", "EndDepth=0",
        "StartTime=0", "EndTime=0", "step=10", "LogMode=10", "Zero=0", "LogName=",
        "OtherServices1=", "OtherServices2=", "OtherServices3=", "OtherServices4=",
        "OtherServices5=", "SondeAbbreviation=KVXS", "DateRun1=", "DateRun2=", "DateRun3=",
        "Date=", "DrillDatum=", "LogDatum=", "PermanentDatum=", "DrillFloor=0.000000",
        "Elevation=", "GroundLevel=0.000000", "KellyBushing=0.000000", "RunNo1=0", "RunNo2=0",
        "RunNo3=0", "Fluid1=", "Fluid2=", "Fluid3=", "FluidDensity1=", "FluidDensity2=",
        "FluidDensity3=", "FluidLevel1=", "FluidLevel2=", "FluidLevel3=", "LogType1=",
        "LogType2=", "LogType3=", "MaxTemperature1=0.000000", "MaxTemperature2=0.000000",
        "MaxTemperature3=0.000000", "RigTime1=", "RigTime2=", "RigTime3=", "Salinity1=",
        "Salinity2=", "Salinity3=", "Deepest1=0.000000", "Deepest2=0.000000",
        "Deepest3=0.000000", "DepthDriller1=0.000000", "DepthDriller2=0.000000",
        "DepthDriller3=0.000000", "DepthLogger1=0.000000", "DepthLogger2=0.000000",
        "DepthLogger3=0.000000", "Engineer1=", "Engineer2=", "Engineer3=", "Shallow1=0.000000",
        "Shallow2=0.000000", "Shallow3=0.000000", "Witness1=", "Witness2=", "Witness3=",
        "BitRec1=0.000000", "BitRec2=0.000000", "BitRec3=0.000000", "BitRecFrom1=0.000000",
        "BitRecFrom2=0.000000", "BitRecFrom3=0.000000", "BitRecTo1=0.000000",
        "BitRecTo2=0.000000", "BitRecTo3=0.000000", "CasRecFrom1=0.000000",
        "CasRecFrom2=0.000000", "CasRecFrom3=0.000000", "CasRecSize1=0.000000",
        "CasRecSize2=0.000000", "CasRecSize3=0.000000", "CasRecTo1=0.000000",
        "CasRecTo2=0.000000", "CasRecTo3=0.000000", "CasRecWeight1=0.000000",
        "CasRecWeight2=0.000000", "CasRecWeight3=0.000000", "Comment1=", "Comment2=",
        "Comment3=", "Comment4=", "Comment5=", "Comment6=", "Comment7=", "Comment8=",
        "Comment9=", "Comment10=",
    };
    for (const auto& [key, value] : changed) {
        for (std::string& line : lines)
            if (line.compare(0, key.size() + 1, key + "=") == 0)
                line = key + "=" + value;
    }
    return lines;
}

std::vector<std::string> TrackLines(int cols0, int cols1, int cols2)
{
    const std::string tail[] = {"GridStyle=268435460", "GridColour=12632256"};
    return {"", "[Track0]", "Cols=" + std::to_string(cols0), "GridFlag=2", "Type=2", tail[0], tail[1],
            "", "[Track1]", "GridFlag=1", "Type=1", tail[0], tail[1],
            "", "[Track2]", "Cols=" + std::to_string(cols1), "GridFlag=2", "Type=2", tail[0], tail[1],
            "", "[Track3]", "Cols=" + std::to_string(cols2), "GridFlag=2", "Type=2", tail[0], tail[1]};
}

void Append(std::vector<std::string>& lines, const std::vector<std::string>& more)
{
    lines.insert(lines.end(), more.begin(), more.end());
}

}  // namespace

class HeaderTest : public ConfigFolderTest {
protected:
    void SetUp() override
    {
        ConfigFolderTest::SetUp();
        *theApp.m_pHeaderRecord = HeaderRecord{};
    }
    void TearDown() override
    {
        *theApp.m_pHeaderRecord = HeaderRecord{};
        ConfigFolderTest::TearDown();
    }

    HeaderRecord& Record() { return *theApp.m_pHeaderRecord; }
    ToolRecord& Tool() { return *theApp.m_pToolRecord; }

    // Two channels covering the encodings: track and raw-channel numbering,
    // inverted flag, truncated offsets, palette colours, coefficient forms.
    void MakeTool()
    {
        ToolRecord& tool = Tool();
        tool.NumberOfChannels = 2;
        tool.Scale = 200;
        tool.SondeLength = 250.9;
        tool.SerialNumber = "SN42";
        tool.Abbreviation = "GRS";
        tool.Enabled = 1;
        std::copy_n(std::begin({1, 2, 3, -1, -1, 6}), ToolRecord::kPresets, tool.Aux);
        std::copy_n(std::begin({3, 5, 7}), ToolRecord::kTracks, tool.Cols);
        tool.channels[0] = {.Title = "Gamma", .TitleShort = "GR", .Unit = "API",
                            .Coefficient = {0.0, 1.0, 0.0, 0.001}, .Offset = 50.7,
                            .RangeLeft = 0, .RangeRight = 150, .FilterWidth = 3, .LineColour = 1,
                            .FilterFlag = 1, .InvertScale = 1, .Visible = 1, .CalFlag = 1,
                            .LogicalCh = 1, .DisplayTrack = 1, .PhysicalCh = 0};
        tool.channels[1] = {.Title = "Res", .TitleShort = "RS", .Unit = "ohm.m",
                            .Coefficient = {-2.5, 123456.7, 1e-7, 0.0}, .Offset = -0.5,
                            .RangeLeft = -10, .RangeRight = 10, .FilterWidth = 1, .LineColour = 22,
                            .LogicalCh = 0, .DisplayTrack = 2, .PhysicalCh = 5};
    }

    std::vector<std::string> ExpectedChannels() const
    {
        return {"", "[Channel0]", "PhysicalCh=1", "Title=Gamma", "TitleShort=GR", "Unit=API",
                "RangeLeft=0", "RangeRight=150", "Visible=1", "FilterFlag=1", "FilterWidth=3",
                "Offset=50", "InvertScale=0", "CalFlag=1", "Coefficient0=0.00000",
                "Coefficient1=1.00000", "Coefficient2=0.00000", "Coefficient3=0.00100000",
                "LogicalCh=1", "DisplayTrack=2", "LineColour=16711680",
                "", "[Channel1]", "PhysicalCh=6", "Title=Res", "TitleShort=RS", "Unit=ohm.m",
                "RangeLeft=-10", "RangeRight=10", "Visible=0", "FilterFlag=0", "FilterWidth=1",
                "Offset=0", "InvertScale=1", "CalFlag=0", "Coefficient0=-2.50000",
                "Coefficient1=123457.", "Coefficient2=1.00000E-07", "Coefficient3=0.00000",
                "LogicalCh=0", "DisplayTrack=3", "LineColour=24736"};
    }

    CHeader m_header;
};

TEST_F(HeaderTest, WritesTheWholeFileByteForByte)
{
    MakeTool();
    theApp.m_pLoggerSettings->recordingMode = 3;
    m_header.ResetWellInfo();
    HeaderRecord& h = Record();
    h.Date = "01 May 2024";
    h.Company = "ACME";
    h.Wellname = "W-1";
    h.Startdepth = 1234;
    h.EndDepth = -5;
    h.step = 100;
    h.RunNo2 = 7;
    h.DrillFloor = -2.5;
    h.KellyBushing = 12.25;
    h.MaxTemperature3 = 85.125;
    h.CasRecWeight3 = 1e6;
    h.Comment10 = "last";

    m_header.WriteHeader(Path("Log1.hed"));

    std::vector<std::string> lines = {"[General]", "LogType=1", "Scale=200", "SondeLength=250",
                                      "NumberOfChannels=2", "Ident=TRAXIMORE", "UserProcessFlag=1",
                                      "SondeSerialNumber=SN42", "", "[Cmd]", "Enabled=1", "Aux1=1",
                                      "Aux2=2", "Aux3=3", "Aux4=-1", "Aux5=-1", "Aux6=6", "",
                                      "[WellInfo]"};
    Append(lines, WellInfoLines({{"Company", "ACME"},
                                 {"Wellname", "W-1"},
                                 {"Startdepth", "1234"},
                                 {"EndDepth", "-5"},
                                 {"step", "100"},
                                 {"LogMode", "12"},
                                 {"Date", "01 May 2024"},
                                 {"DrillFloor", "-2.500000"},
                                 {"KellyBushing", "12.250000"},
                                 {"RunNo2", "7"},
                                 {"MaxTemperature3", "85.125000"},
                                 {"CasRecWeight3", "1000000.000000"},
                                 {"Comment10", "last"}}));
    Append(lines, ExpectedChannels());
    Append(lines, TrackLines(3, 5, 7));
    EXPECT_EQ(ReadFile("Log1.hed"), CrLf(lines));

    // The record takes what was written from the tool.
    EXPECT_EQ(h.LogMode, 12);
    EXPECT_EQ(h.SondeLength, 250);
    EXPECT_EQ(h.Scale, 200);
    EXPECT_EQ(h.LogType, 1);
}

TEST_F(HeaderTest, ChannelSectionsFollowTheToolCount)
{
    MakeTool();
    for (int count : {0, -3}) {
        Tool().NumberOfChannels = count;
        m_header.WriteHeader(Path("Log.hed"));
        const std::string text = ReadFile("Log.hed");
        EXPECT_EQ(text.find("[Channel"), std::string::npos);
        EXPECT_NE(text.find("Comment10=\r\n\r\n[Track0]\r\n"), std::string::npos) << count;
        EXPECT_NE(text.find("NumberOfChannels=0\r\n"), std::string::npos) << count;
    }
    // Only ten channel records exist.
    Tool().NumberOfChannels = 25;
    m_header.WriteHeader(Path("Log.hed"));
    const std::string text = ReadFile("Log.hed");
    EXPECT_NE(text.find("[Channel9]"), std::string::npos);
    EXPECT_EQ(text.find("[Channel10]"), std::string::npos);
    EXPECT_NE(text.find("NumberOfChannels=10\r\n"), std::string::npos);
}

TEST_F(HeaderTest, LogModeComesFromTheRecordingMode)
{
    MakeTool();
    const std::pair<int, int> cases[] = {{2, 11}, {3, 12}, {4, 10}, {0, 10}, {7, 10}};
    for (auto [recording, mode] : cases) {
        theApp.m_pLoggerSettings->recordingMode = recording;
        m_header.WriteHeader(Path("Log.hed"));
        EXPECT_EQ(Record().LogMode, mode) << recording;
        CIni ini(Path("Log.hed"), "WellInfo", TRUE);
        EXPECT_EQ(ini.GetInt("LogMode", -1), mode) << recording;
    }
}

TEST_F(HeaderTest, OtherTrackNumbersAndLineBreaksAreWrittenSafely)
{
    MakeTool();
    Tool().channels[0].DisplayTrack = 7;
    Tool().channels[0].Title = "Two\r\nTitle=lines";
    Record().Company = "ACME\n[Channel5]";
    m_header.WriteHeader(Path("Log.hed"));
    const std::string text = ReadFile("Log.hed");
    EXPECT_NE(text.find("DisplayTrack=7\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nTitle=Two\r\nTitleShort=GR\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nCompany=ACME\r\nCountry="), std::string::npos);
    EXPECT_EQ(text.find("[Channel5]"), std::string::npos);
}

TEST_F(HeaderTest, CommaLocaleStillWritesDots)
{
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr)
        GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    MakeTool();
    Record().DrillFloor = -2.5;
    m_header.WriteHeader(Path("Log.hed"));
    std::setlocale(LC_NUMERIC, "C");
    const std::string text = ReadFile("Log.hed");
    EXPECT_NE(text.find("DrillFloor=-2.500000\r\n"), std::string::npos);
    EXPECT_NE(text.find("Coefficient0=-2.50000\r\n"), std::string::npos);
    EXPECT_NE(text.find("Coefficient3=0.00100000\r\n"), std::string::npos);
}

TEST_F(HeaderTest, RewriteReplacesTheFileAndKeyUpdatesStayInWellInfo)
{
    MakeTool();
    WriteFile("Log.hed", std::string(20000, 'x'));
    m_header.WriteHeader(Path("Log.hed"));
    const std::string first = ReadFile("Log.hed");
    EXPECT_EQ(first.rfind("[General]\r\n", 0), 0u);

    CIni ini(Path("Log.hed"), CHeader::kWellInfoSection, TRUE);
    ini.WriteInt("Startdepth", 4500);
    ini.WriteInt("EndDepth", 9100);
    const std::string updated = ReadFile("Log.hed");
    const size_t start = updated.find("Startdepth=4500\r\nEndDepth=9100\r\n");
    EXPECT_NE(start, std::string::npos);
    EXPECT_GT(start, updated.find("[WellInfo]"));
    EXPECT_LT(start, updated.find("[Channel0]"));
    EXPECT_EQ(updated.size(), first.size() + 6);  // two "0" became "4500" and "9100"

    m_header.WriteHeader(Path("Log.hed"));
    EXPECT_EQ(ReadFile("Log.hed"), first);
}

TEST_F(HeaderTest, FileThatCannotBeCreatedIsReportedAndChangesNothing)
{
    MakeTool();
    theApp.m_pLoggerSettings->recordingMode = 2;
    ScriptedMessageBoxes boxes;
    boxes.Expect("Trouble opening or create header file.");
    EXPECT_FALSE(m_header.WriteHeader(Path("no folder/Log.hed")));
    ASSERT_EQ(boxes.AllShown().size(), 1u);
    EXPECT_EQ(boxes.AllShown()[0].type, MB_ICONERROR);
    EXPECT_EQ(Record().LogMode, 0);
    EXPECT_EQ(Record().Scale, 0);
}

TEST_F(HeaderTest, FileThatCannotBeWrittenWholeIsReportedAndRemoved)
{
    MakeTool();
    // A file size limit makes the writes fail part way.
    rlimit kept{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &kept), 0);
    rlimit small = kept;
    small.rlim_cur = 1000;
    // The header of a new log, named where no file was or where an earlier log's header was left.
    const std::string before[] = {"", "[General]\r\nNumberOfChannels=1\r\n"};
    std::filesystem::create_directory(Path("Data"));
    for (const std::string& old : before) {
        SCOPED_TRACE(old.empty() ? "over no file" : "over an earlier log's header");
        if (!old.empty())
            WriteFile("Data/Log.hed", old);
        ScriptedMessageBoxes boxes;
        boxes.Expect("Trouble opening or create header file.");
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        EXPECT_FALSE(m_header.WriteHeader(Path("Data/Log.hed")));
        setrlimit(RLIMIT_FSIZE, &kept);
        std::signal(SIGXFSZ, oldHandler);
        std::vector<std::string> left;
        for (const auto& entry : std::filesystem::directory_iterator(Path("Data")))
            left.push_back(entry.path().filename().string());
        EXPECT_EQ(left, std::vector<std::string>{}) << "no header, nor a copy of it, may describe the log";
    }

    // A writer killed part way by the limit's signal leaves the file that was there.
    WriteFile("Log.hed", "[General]\r\n");
    const pid_t writer = fork();
    if (writer == 0) {
        const rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        std::signal(SIGXFSZ, SIG_DFL);
        setrlimit(RLIMIT_FSIZE, &small);
        m_header.WriteHeader(Path("Log.hed"));
        _exit(0);
    }
    int status = 0;
    waitpid(writer, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status)) << "the writer was not killed";
    EXPECT_EQ(ReadFile("Log.hed"), "[General]\r\n");
}

TEST_F(HeaderTest, ReadsBackWhatWasWrittenInTheFileEncodings)
{
    MakeTool();
    theApp.m_pLoggerSettings->recordingMode = 2;
    m_header.ResetHeader();
    Record().Company = "ACME";
    Record().Startdepth = 1000;
    Record().EndDepth = 5000;
    Record().Deepest2 = 321.5;
    Record().RunNo3 = 4;
    Record().Copyright = "kept?";
    EXPECT_TRUE(m_header.WriteHeader(Path("Log.hed")));

    *theApp.m_pHeaderRecord = HeaderRecord{};
    EXPECT_FALSE(m_header.ReadHeader(Path("Log.hed")));
    const HeaderRecord& h = Record();
    EXPECT_FALSE(h.readError);
    EXPECT_EQ(h.Ident, "TRAXIMORE");
    EXPECT_EQ(h.Copyright, "");
    EXPECT_EQ(h.UserProcessFlag, 1);
    EXPECT_EQ(h.SondeLength, 250);
    EXPECT_EQ(h.Scale, 200);
    EXPECT_EQ(h.LogMode, 11);
    EXPECT_EQ(h.Company, "ACME");
    EXPECT_EQ(h.SondeAbbreviation, "GRS");
    EXPECT_DOUBLE_EQ(h.Deepest2, 321.5);
    EXPECT_EQ(h.RunNo3, 4);
    EXPECT_TRUE(h.depthIncreasing);

    ASSERT_EQ(h.channelCount, 2);
    const HeaderChannel& a = h.channels[0];
    EXPECT_EQ(a.Title, "Gamma");
    EXPECT_EQ(a.PhysicalCh, 1);
    EXPECT_EQ(a.DisplayTrack, 2);
    EXPECT_EQ(a.InvertScale, 0);
    EXPECT_EQ(a.LineColour, 16711680);
    EXPECT_EQ(a.Offset, 50);
    EXPECT_EQ(a.CalFlag, 1);
    EXPECT_DOUBLE_EQ(a.RangeRight, 150.0);
    EXPECT_DOUBLE_EQ(a.Coefficient[3], double(0.001f));
    const HeaderChannel& b = h.channels[1];
    EXPECT_EQ(b.PhysicalCh, 6);
    EXPECT_EQ(b.DisplayTrack, 3);
    EXPECT_EQ(b.InvertScale, 1);
    EXPECT_EQ(b.LineColour, 24736);
    EXPECT_DOUBLE_EQ(b.RangeLeft, -10.0);
    EXPECT_DOUBLE_EQ(b.Coefficient[1], 123457.0);
    EXPECT_DOUBLE_EQ(b.Coefficient[2], double(1e-7f));
}

TEST_F(HeaderTest, MissingFileAndKeysGiveDefaults)
{
    Record().Date = "01 May 2024";
    Record().channelCount = 9;
    EXPECT_FALSE(m_header.ReadHeader(Path("none.hed")));
    const HeaderRecord& h = Record();
    EXPECT_EQ(h.LogType, 1);
    EXPECT_EQ(h.Scale, 100);
    EXPECT_EQ(h.SondeLength, 204);
    EXPECT_EQ(h.Ident, "VarnoLogger_KVX");
    EXPECT_EQ(h.step, 10);
    EXPECT_EQ(h.LogMode, 10);
    EXPECT_EQ(h.SondeAbbreviation, "KVXS");
    EXPECT_EQ(h.Date, "");  // not today's date
    EXPECT_EQ(h.channelCount, 0);
    EXPECT_FALSE(h.depthIncreasing);

    // Text in number keys gives the leading integer; reals take ',' too;
    // a missing Coefficient1 is 1.
    WriteFile("Bad.hed",
              "[WellInfo]\r\nStartdepth=12abc\r\nEndDepth=abc\r\nstep=\r\nDrillFloor=2,5\r\n"
              "RunNo1=-7.9\r\nKellyBushing=x\r\n"
              "[Channel0]\r\nTitle=A\r\nOffset=text\r\nPhysicalCh=3 ch\r\nRangeLeft=-1,25\r\n");
    EXPECT_FALSE(m_header.ReadHeader(Path("Bad.hed")));
    EXPECT_EQ(h.Startdepth, 12);
    EXPECT_EQ(h.EndDepth, 0);
    EXPECT_EQ(h.step, 0);
    EXPECT_DOUBLE_EQ(h.DrillFloor, 2.5);
    EXPECT_EQ(h.RunNo1, -7);
    EXPECT_DOUBLE_EQ(h.KellyBushing, 0.0);
    EXPECT_FALSE(h.depthIncreasing);
    ASSERT_EQ(h.channelCount, 1);
    EXPECT_EQ(h.channels[0].Offset, 0);
    EXPECT_EQ(h.channels[0].PhysicalCh, 3);
    EXPECT_DOUBLE_EQ(h.channels[0].RangeLeft, -1.25);
    EXPECT_DOUBLE_EQ(h.channels[0].Coefficient[0], 0.0);
    EXPECT_DOUBLE_EQ(h.channels[0].Coefficient[1], 1.0);
    EXPECT_EQ(h.channels[0].Unit, "");
}

TEST_F(HeaderTest, DepthIncreasingOnlyWhenStartIsAboveEnd)
{
    const std::pair<std::string, bool> cases[] = {
        {"Startdepth=5000\nEndDepth=1000", false},
        {"Startdepth=1000\nEndDepth=1000", false},
        {"Startdepth=-2147483648\nEndDepth=2147483647", true},
    };
    for (const auto& [keys, increasing] : cases) {
        WriteFile("D.hed", "[WellInfo]\n" + keys + "\n");
        EXPECT_FALSE(m_header.ReadWellInfo(Path("D.hed")));
        EXPECT_EQ(Record().depthIncreasing, increasing) << keys;
    }
}

TEST_F(HeaderTest, ChannelCountStopsAtAGapOrEnde)
{
    std::string text;
    for (int i : {0, 1, 2, 4})
        text += "[Channel" + std::to_string(i) + "]\nTitle=C" + std::to_string(i) + "\n";
    WriteFile("Gap.hed", text);
    Record().channels[3].Title = "left over";
    EXPECT_FALSE(m_header.ReadHeader(Path("Gap.hed")));
    EXPECT_EQ(Record().channelCount, 3);
    EXPECT_EQ(Record().channels[2].Title, "C2");
    EXPECT_EQ(Record().channels[3].Title, "left over");  // entries past the count are kept

    WriteFile("Ende.hed", "[Channel0]\nTitle=A\n[Channel1]\nTitle=ende\n[Channel2]\nTitle=B\n");
    m_header.ReadHeader(Path("Ende.hed"));
    EXPECT_EQ(Record().channelCount, 1);
    // Case matters for the marker, and a section without Title ends the count.
    WriteFile("Case.hed", "[Channel0]\nTitle=Ende\n[Channel1]\nUnit=x\n");
    m_header.ReadHeader(Path("Case.hed"));
    EXPECT_EQ(Record().channelCount, 1);
}

TEST_F(HeaderTest, MoreThanFiftyChannelsAreCountedButOnlyFiftyRead)
{
    std::string text = "[General]\nSondeLength=10\n";
    for (int i = 0; i < 60; ++i)
        text += "[Channel" + std::to_string(i) + "]\nTitle=C" + std::to_string(i) +
                "\nOffset=" + std::to_string(100 + i) + "\n";
    WriteFile("Many.hed", text);
    EXPECT_FALSE(m_header.ReadHeader(Path("Many.hed")));
    EXPECT_EQ(Record().channelCount, 60);
    EXPECT_EQ(Record().channels[49].Title, "C49");
    // Offsets of the channels not read do not lengthen the sonde.
    EXPECT_EQ(Record().SondeLength, 149);
}

TEST_F(HeaderTest, SondeIsAsLongAsItsFarthestSensor)
{
    const std::pair<std::string, int> cases[] = {
        {"[General]\nSondeLength=100\n[Channel0]\nTitle=A\nOffset=50\n[Channel1]\nTitle=B\nOffset=150\n", 150},
        {"[General]\nSondeLength=100\n[Channel0]\nTitle=A\nOffset=50\n[Channel1]\nTitle=B\nOffset=80\n", 100},
        {"[General]\nSondeLength=-40\n[Channel0]\nTitle=A\nOffset=-60\n", 0},
        {"[General]\nScale=50\n", 204},
    };
    for (const auto& [text, length] : cases) {
        WriteFile("S.hed", text);
        m_header.ReadHeader(Path("S.hed"));
        EXPECT_EQ(Record().SondeLength, length) << text;
    }
}

TEST_F(HeaderTest, UnreadableFileIsAReadError)
{
    std::filesystem::create_directory(Path("Dir.hed"));
    Record().Company = "kept";
    EXPECT_TRUE(m_header.ReadHeader(Path("Dir.hed")));
    EXPECT_TRUE(Record().readError);
    EXPECT_EQ(Record().Company, "kept");
    EXPECT_TRUE(m_header.ReadWellInfo(Path("Dir.hed")));

    EXPECT_FALSE(m_header.ReadHeader(Path("none.hed")));
    EXPECT_FALSE(Record().readError);
}

// A header named like a pipe is a read error at once: nothing waits for a writer.
TEST_F(HeaderTest, PipeIsAReadErrorWithoutWaiting)
{
    const std::string pipe = Path("Pipe.hed");
    ASSERT_EQ(0, mkfifo(pipe.c_str(), 0600));
    auto reads = std::async(std::launch::async,
                            [&] { return std::pair(m_header.ReadHeader(pipe), m_header.ReadWellInfo(pipe)); });
    if (reads.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        ADD_FAILURE() << "a pipe blocked the header reader";
        // Give each blocked open a writer so that the test can end.
        while (reads.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
            ::close(::open(pipe.c_str(), O_WRONLY | O_NONBLOCK));
    }
    EXPECT_EQ(std::pair(true, true), reads.get());
    EXPECT_TRUE(Record().readError);
}

// Keys are found as the profile functions find them, in a header grown by
// lines that no key reads: without regard to case, in the first section of a
// name, values cut at 255 characters.
TEST_F(HeaderTest, KeysOfALargeHeaderAreFoundAsInAnyIniFile)
{
    std::string text = "[general]\r\nSONDELENGTH=300\r\n[WellInfo]\r\ncompany = \"ACME\"\r\nComment1=" +
                       std::string(300, 'c') + "\r\n[Remarks]\r\n";
    for (int line = 0; line < 100000; ++line)
        text += "Remark" + std::to_string(line) + "=a line that no key reads\r\n";
    text += "[WELLINFO]\r\nCompany=second section\r\nStartdepth=7\r\n"
            "[Channel0]\r\nTitle=A\r\nTitle=B\r\n[channel1]\r\ntitle=C\r\n";
    WriteFile("Large.hed", text);
    EXPECT_FALSE(m_header.ReadHeader(Path("Large.hed")));
    const HeaderRecord& h = Record();
    EXPECT_EQ(300, h.SondeLength);
    EXPECT_EQ("ACME", h.Company);
    EXPECT_EQ(std::string(255, 'c'), h.Comment1);
    EXPECT_EQ(0, h.Startdepth);
    EXPECT_EQ(10, h.step);
    ASSERT_EQ(2, h.channelCount);
    EXPECT_EQ("A", h.channels[0].Title);
    EXPECT_EQ("C", h.channels[1].Title);
}

TEST_F(HeaderTest, ResetsKeepTheirOwnFields)
{
    MakeTool();
    HeaderRecord& h = Record();
    h.Copyright = "Brannoquist";
    h.Ident = "TRAXIMORE";
    h.channelCount = 4;
    h.SondeLength = 300;
    h.depthIncreasing = false;
    h.Company = "ACME";
    h.CasRecTo2 = 3.5;
    h.RunNo1 = 2;
    h.Startdepth = 99;

    m_header.ResetWellInfo();
    EXPECT_EQ(h.SondeAbbreviation, "KVXS");
    EXPECT_EQ(h.Copyright, "Brannoquist");
    EXPECT_FALSE(h.depthIncreasing);
    EXPECT_EQ(h.Company, "");
    EXPECT_DOUBLE_EQ(h.CasRecTo2, 0.0);
    EXPECT_EQ(h.RunNo1, 0);
    EXPECT_EQ(h.Startdepth, 0);
    EXPECT_EQ(h.step, 10);
    EXPECT_EQ(h.LogMode, 10);
    EXPECT_TRUE(std::regex_match(h.Date, std::regex("[0-3][0-9] [A-Z][a-z]+ [0-9]{4}"))) << h.Date;

    m_header.ResetHeader();
    EXPECT_EQ(h.SondeAbbreviation, "GRS");
    EXPECT_EQ(h.Copyright, "");
    EXPECT_TRUE(h.depthIncreasing);
    EXPECT_EQ(h.Ident, "TRAXIMORE");
    EXPECT_EQ(h.channelCount, 4);
    EXPECT_EQ(h.SondeLength, 300);
}
