// The program folder's default sonde tool file and demo log, as the build made them.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/ConfigFolder.h"
#include "core/Preferences.h"
#include "header/Header.h"
#include "header/HeaderRecord.h"
#include "mainwnd/VarnoLogger_KVXDlg.h"
#include "probe/Frames.h"
#include "probe/LogRecord.h"
#include "probe/ToolsStream.h"
#include "support/ScriptedMessageBoxes.h"

namespace {

namespace fs = std::filesystem;

const char* const kTitles[6] = {"Natural gamma", "Long normal resistivity", "Short normal resistivity",
                                "Spontaneous potential", "Temperature", "Caliper"};
const char* const kUnits[6] = {"API", "ohm.m", "ohm.m", "mV", "degC", "mm"};
const double kOffsets[6] = {0.0, 0.0, 0.0, -128.0, 0.0, 0.0};
const double kGains[6] = {0.05, 0.01, 0.01, 0.02, 0.01, 0.02};

// The emulator's well: 12 degC at the surface and 3 degC more per 100 m.
double WellTemperature(double depth) { return 12.0 + 0.03 * depth; }

}  // namespace

class DemoFilesTest : public ConfigFolderTest {
protected:
    void SetUp() override
    {
        ConfigFolderTest::SetUp();
        m_savedHeader = *theApp.m_pHeaderRecord;
        m_savedFrame = *theApp.m_pFrameState;
        for (const char* name : {"Ressources/KVXS0001.tol", "Demo/KPXG3241.log", "Demo/KPXG3241.hed"}) {
            fs::create_directories(fs::path(Path(name)).parent_path());
            fs::copy_file(fs::path(KVX_PROGRAM_DIR) / name, Path(name));
        }
    }

    void TearDown() override
    {
        *theApp.m_pHeaderRecord = m_savedHeader;
        *theApp.m_pFrameState = m_savedFrame;
        ConfigFolderTest::TearDown();
    }

    std::vector<LogRecord> ReadRecords()
    {
        const auto size = fs::file_size(Path("Demo/KPXG3241.log"));
        EXPECT_EQ(0u, size % sizeof(LogRecord));
        std::vector<LogRecord> records(size / sizeof(LogRecord));
        std::FILE* file = std::fopen(Path("Demo/KPXG3241.log").c_str(), "rb");
        EXPECT_NE(nullptr, file);
        if (file == nullptr)
            return {};
        EXPECT_EQ(records.size(), std::fread(records.data(), sizeof(LogRecord), records.size(), file));
        std::fclose(file);
        return records;
    }

    HeaderRecord m_savedHeader;
    FrameState m_savedFrame;
};

TEST_F(DemoFilesTest, FirstStartLoadsTheDefaultSondeToolFile)
{
    ScriptedMessageBoxes boxes;
    CPreferences prefs;
    prefs.Initialize();

    const ToolRecord& tool = *theApp.m_pToolRecord;
    EXPECT_EQ(6, tool.NumberOfChannels);
    EXPECT_EQ("Tralvin default sonde", tool.Name);
    EXPECT_EQ("KVXS", tool.Abbreviation);
    EXPECT_DOUBLE_EQ(250.0, tool.SondeLength);
    int perTrack[3] = {};
    for (int i = 0; i < 6; ++i) {
        const ChannelRecord& ch = tool.channels[i];
        EXPECT_EQ(kTitles[i], ch.Title);
        EXPECT_EQ(kUnits[i], ch.Unit);
        EXPECT_EQ(1, int{ch.Visible});
        EXPECT_EQ(1, int{ch.CalFlag});
        EXPECT_EQ(i, ch.PhysicalCh);
        EXPECT_FLOAT_EQ(float(kOffsets[i]), float(ch.Coefficient[0]));
        EXPECT_FLOAT_EQ(float(kGains[i]), float(ch.Coefficient[1]));
        EXPECT_EQ(0.0, ch.Coefficient[2]);
        EXPECT_EQ(0.0, ch.Coefficient[3]);
        EXPECT_LT(ch.RangeLeft, ch.RangeRight);
        ++perTrack[ch.DisplayTrack];
        EXPECT_EQ(perTrack[ch.DisplayTrack], ch.LogicalCh);
    }
    EXPECT_EQ(2, perTrack[0]);
    EXPECT_EQ(2, perTrack[1]);
    EXPECT_EQ(2, perTrack[2]);

    // The emulator's probe answers on this link, and steps every 10 cm.
    const LoggerSettings& logger = *theApp.m_pLoggerSettings;
    EXPECT_EQ(10, logger.DepthInterval);
    EXPECT_TRUE(logger.CommDrive >= 12 && logger.CommDrive <= 45);
    EXPECT_TRUE(logger.CommGain >= 8 && logger.CommGain <= 30);
    // Loading did not find a channel missing and rewrite the count.
    CIni tol(Path("Ressources/KVXS0001.tol"), "General", TRUE);
    EXPECT_EQ(6, tol.GetInt("NumberOfChannels", -1));
    // A first start opens the demo pair by default.
    EXPECT_STREQ(Path("Demo/KPXG3241.log").c_str(), theApp.m_pPathSettings->DataFile);
}

TEST_F(DemoFilesTest, HeaderDescribesADownRecordOfTheDataFile)
{
    const std::vector<LogRecord> records = ReadRecords();
    ASSERT_GE(records.size(), 1000u);
    EXPECT_LE(records.size(), 10000u);
    for (const LogRecord& r : records) {
        EXPECT_NE(0, int{r.n});
        EXPECT_EQ(0x41, int{r.frameByte});
    }

    CHeader reader;
    ASSERT_FALSE(reader.ReadHeader(Path("Demo/KPXG3241.hed")));
    const HeaderRecord& h = *theApp.m_pHeaderRecord;
    EXPECT_EQ(12, h.LogMode);
    EXPECT_EQ(100, h.step);
    EXPECT_EQ("Demo well", h.Wellname);
    EXPECT_EQ("KVXS", h.SondeAbbreviation);
    EXPECT_EQ(250, h.SondeLength);
    EXPECT_TRUE(h.depthIncreasing);
    EXPECT_GT(h.EndTime, 0);
    // From near the surface down a few hundred metres, one record per step.
    EXPECT_GE(h.Startdepth, 0);
    EXPECT_LT(h.Startdepth, 10000);
    EXPECT_NEAR(double(h.EndDepth - h.Startdepth), double(records.size() - 1) * h.step, 2.0);
    ASSERT_EQ(6, h.channelCount);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(kTitles[i], h.channels[i].Title);
        EXPECT_EQ(i + 1, h.channels[i].PhysicalCh);
        EXPECT_FLOAT_EQ(float(kGains[i]), float(h.channels[i].Coefficient[1]));
    }
}

TEST_F(DemoFilesTest, FirstAndLastRecordsReplayToTheWellsValues)
{
    ScriptedMessageBoxes boxes;
    const std::vector<LogRecord> records = ReadRecords();
    ASSERT_FALSE(records.empty());
    auto dialog = std::make_unique<CVarnoLogger_KVXDlg>(nullptr);
    dialog->m_Preferences.Initialize();
    PathSettings& paths = *theApp.m_pPathSettings;
    CopyBounded(paths.DataFile, Path("Demo/KPXG3241.log"));
    CopyBounded(paths.LastFile, Path("Demo/KPXG3241.hed"));
    CHeader reader;
    ASSERT_FALSE(reader.ReadHeader(paths.LastFile));
    const HeaderRecord& h = *theApp.m_pHeaderRecord;

    // Opened for replay: the tool comes from the header, the player starts at the first record.
    theApp.m_pRunState->fileLoaded = 1;
    dialog->ResetAcquisition(true);
    const double firstDepth = (h.Startdepth + 250 * 10) / 1000.0;
    EXPECT_NEAR(firstDepth, theApp.m_pFrameState->replayDepth, 1e-9);
    EXPECT_EQ(6, theApp.m_pToolRecord->NumberOfChannels);

    const size_t last = records.size() - 1;
    CToolsStream stream;
    for (size_t index : {size_t{0}, last}) {
        SCOPED_TRACE(index);
        LogRecord record;
        const std::int64_t position = std::int64_t(index * sizeof(LogRecord));
        ASSERT_TRUE(stream.ReadDataLineInFile(position, record));
        EXPECT_EQ(position + 14, theApp.m_nReplayPos.load());
        EXPECT_EQ(0, std::memcmp(&record, &records[index], sizeof record));
        dialog->ProcessRecord(record);

        const double* value = theApp.m_pSampleRecord->channelValue;
        const double depth = firstDepth + double(index) * h.step / 1000.0;
        EXPECT_NEAR(WellTemperature(depth), value[4], 0.5);
        EXPECT_TRUE(value[0] > 0.0 && value[0] < 200.0) << value[0];    // API
        EXPECT_TRUE(value[1] > 1.0 && value[1] < 150.0) << value[1];    // ohm.m
        EXPECT_TRUE(value[2] > 1.0 && value[2] < 150.0) << value[2];
        EXPECT_TRUE(value[3] > -80.0 && value[3] < 60.0) << value[3];   // mV
        EXPECT_TRUE(value[5] > 50.0 && value[5] < 200.0) << value[5];   // mm
    }
    // The last record is at the end depth that the record's stop wrote.
    EXPECT_NEAR((h.EndDepth + 250 * 10) / 1000.0, firstDepth + double(last) * h.step / 1000.0, 0.002);
    LogRecord past;
    EXPECT_FALSE(stream.ReadDataLineInFile(std::int64_t(records.size() * sizeof(LogRecord)), past));
}
