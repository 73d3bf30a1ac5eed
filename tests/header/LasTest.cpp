// The LAS 2.0 text and the depth arithmetic of an export, without the dialog.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "header/HeaderRecord.h"
#include "header/LasFile.h"
#include "probe/LogRecord.h"
#include "support/Artifacts.h"
#include "support/LasReader.h"
#include "support/LoggerEmulator.h"

namespace {

namespace fs = std::filesystem;

// A down-depth log from 10.00 m at 10 cm steps with a 20 cm sonde; the
// caliper sits 10 cm up the sonde, the gamma at its bottom.
HeaderRecord SmallDownLog()
{
    HeaderRecord h;
    h.LogMode = 12;
    h.Startdepth = 10000;
    h.step = 100;
    h.SondeLength = 20;
    h.Company = "ACME";
    h.Wellname = "W-1";
    h.Date = "14 March 2024";
    h.channelCount = 2;
    h.channels[0].Title = "Gamma";
    h.channels[0].TitleShort = "GR";
    h.channels[0].Unit = "API";
    h.channels[0].PhysicalCh = 1;
    h.channels[1].Title = "Caliper";
    h.channels[1].TitleShort = "CAL";
    h.channels[1].Unit = "mm";
    h.channels[1].PhysicalCh = 3;
    h.channels[1].Offset = 10;
    return h;
}

LasLayout LayoutOf(const LasRange& range, int calibration, bool reverse = false)
{
    LasLayout layout;
    layout.from = range.from;
    layout.to = range.to;
    layout.step = range.step;
    layout.reverse = reverse;
    layout.calibration = calibration;
    return layout;
}

class LasTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char folder[] = "/tmp/kvx_lasXXXXXX";
        ASSERT_NE(nullptr, mkdtemp(folder));
        m_folder = folder;
    }
    void TearDown() override { fs::remove_all(m_folder); }

    std::string Header(const HeaderRecord& header, const LasLayout& layout)
    {
        const fs::path path = m_folder / "header.las";
        std::FILE* file = std::fopen(path.c_str(), "wb");
        EXPECT_TRUE(WriteLasHeader(file, header, layout));
        std::fclose(file);
        return ReadTextFile(path);
    }

    fs::path m_folder;
};

TEST_F(LasTest, DownLogWithHeaderCoefficientsIsWrittenByteForByte)
{
    const HeaderRecord header = SmallDownLog();
    std::vector<LogRecord> records(5);
    for (int i = 0; i < 5; ++i) {
        records[size_t(i)].n = 50;
        records[size_t(i)].channelSums[0] = std::uint16_t(100 * (i + 1));
        records[size_t(i)].channelSums[2] = std::uint16_t(1000 * (i + 1));
    }
    const fs::path data = m_folder / "small.log";
    std::FILE* file = std::fopen(data.c_str(), "wb");
    std::fwrite(records.data(), sizeof(LogRecord), records.size(), file);
    std::fclose(file);

    LasRange range;
    ASSERT_TRUE(ComputeLasRange(header, 4, range));
    LasLayout layout = LayoutOf(range, 1);
    layout.exported[0] = layout.exported[1] = true;
    const double gamma[4] = {0.0, 0.05, 0.0, 0.0};
    const double caliper[4] = {1.0, 0.5, 0.001, 0.0};
    for (int k = 0; k < 4; ++k) {
        layout.coefficients[0][k] = gamma[k];
        layout.coefficients[1][k] = caliper[k];
    }
    const fs::path las = m_folder / "small.las";
    ASSERT_EQ(LasResult::Written, WriteLasFile(las.string(), data.string(), header, range, layout));
    CopyArtifact(las, "las_small_down.las");

    // Gamma reads at the sonde's bottom, two steps below its top where the
    // depth is counted; the caliper one step. The fifth record is never read.
    const std::string expected =
        "~VERSION INFORMATION\r\n"
        "#------------------------------------------------------------------------------\r\n"
        " VERS. 2.0 : CWLS LOG ASCII STANDARD - VERSION 2.0\r\n"
        " WRAP. NO  : ONE LINE PER DEPTH STEP\r\n"
        "~WELL INFORMATION\r\n"
        "#MNEM.UNIT         DATA                                DESCRIPTION \r\n"
        "#------------------------------------------------------------------------------\r\n"
        " STRT.M           10.00                            :   START DEPTH\r\n"
        " STOP.M           10.60                            :   STOP DEPTH\r\n"
        " STEP.M            0.10                            :   STEP VALUE\r\n"
        " NULL.         -999.250                            :   NULL VALUE\r\n"
        " COMP.    ACME                                     :   COMPANY NAME\r\n"
        " WELL.    W-1                                      :   WELL NAME\r\n"
        " FLD.     N/A                                      :   FIELD NAME\r\n"
        " LOC.     N/A                                      :   LOCATION\r\n"
        " CTRY.    N/A                                      :   COUNTRY\r\n"
        " CNTY.    N/A                                      :   COUNTY\r\n"
        " STAT.    N/A                                      :   STATE\r\n"
        " SRVC.    N/A                                      :   SERVICE COMPANY NAME\r\n"
        " DATE.    14 March 2024                            :   DATE\r\n"
        " UWI.     N/A                                      :   UNIQUE WELL IDENTIFIER\r\n"
        " API.     N/A                                      :   API REFERENCE NUMBER\r\n"
        "~PARAMETER INFORMATION\r\n"
        "#MNEM.UNIT         VALUE                 DESCRIPTION OF MNEMONIC\r\n"
        "#------------------------------------------------------------------------------\r\n"
        " GR-COEFA.               0.000000       GR-COEFA.          : CALIBRATION COEF A\r\n"
        " GR-COEFB.               0.050000       GR-COEFB.          : CALIBRATION COEF B\r\n"
        " GR-COEFC.               0.000000       GR-COEFC.          : CALIBRATION COEF C\r\n"
        " GR-COEFD.               0.000000       GR-COEFD.          : CALIBRATION COEF D\r\n"
        " CAL-COEFA.              1.000000       CAL-COEFA.         : CALIBRATION COEF A\r\n"
        " CAL-COEFB.              0.500000       CAL-COEFB.         : CALIBRATION COEF B\r\n"
        " CAL-COEFC.              0.001000       CAL-COEFC.         : CALIBRATION COEF C\r\n"
        " CAL-COEFD.              0.000000       CAL-COEFD.         : CALIBRATION COEF D\r\n"
        "~OTHER INFORMATION SECTION\r\n"
        "#------------------------------------------------------------------------------\r\n"
        "     Notes: The log is recorded in Down Mode.\r\n"
        "#------------------------------------------------------------------------------\r\n"
        "~CURVE INFORMATION\r\n"
        "#MNEMO.UNIT         API CODE              CURVE DESCRIPTION\r\n"
        "#------------------------------------------------------------------------------\r\n"
        " DEPTH     .M                                 :   0 Depth\r\n"
        " GR        .API                               :   1 Gamma                       \r\n"
        " CAL       .mm                                :   2 Caliper                     \r\n"
        "#------------------------------------------------------------------------------\r\n"
        "~A  DEPTH  GR          CAL       \r\n"
        "   10.00      -999.250    -999.250\r\n"
        "   10.10      -999.250    1501.000\r\n"
        "   10.20         5.000    5001.000\r\n"
        "   10.30        10.000   10501.000\r\n"
        "   10.40        15.000   18001.000\r\n"
        "   10.50        20.000    -999.250\r\n"
        "   10.60      -999.250    -999.250";
    EXPECT_EQ(expected, ReadTextFile(las));
}

TEST_F(LasTest, WellFieldsAreTrimmedAndPadded)
{
    const struct {
        std::string value;
        int width;
        std::string expected;
    } cases[] = {
        {"", 40, "N/A" + std::string(37, ' ')},
        {"   ", 10, "N/A       "},
        {"  Demo  ", 10, "Demo      "},
        {std::string(40, 'x'), 40, std::string(40, 'x') + " "},
        {std::string(45, 'x'), 40, std::string(45, 'x') + std::string(5, ' ')},
        {"100%d", 6, "100%d "},
    };
    for (const auto& c : cases) {
        std::string value = c.value;
        FormatWellField(value, c.width);
        EXPECT_EQ(c.expected, value) << '"' << c.value << '"';
    }
}

// Each line must parse as LAS 2.0: the mnemonic up to the first '.', the unit
// up to the first blank after it, the description after the ':'.
TEST_F(LasTest, OperatorTextsNeverEndAFieldEarly)
{
    HeaderRecord header = SmallDownLog();
    header.Company = "Smith: drilling";
    header.channels[0].TitleShort = "G R.1";
    header.channels[0].Unit = "cp s";
    header.channels[0].Title = "Gamma: total";
    header.channels[1].TitleShort = "CALIPERTOOL12";
    LasRange range;
    ASSERT_TRUE(ComputeLasRange(header, 4, range));
    LasLayout layout = LayoutOf(range, 2);
    layout.exported[0] = layout.exported[1] = true;
    const std::string text = Header(header, layout);

    EXPECT_NE(std::string::npos, text.find(" COMP.    Smith; drilling"));
    EXPECT_NE(std::string::npos, text.find(" G_R_1     .cp_s                              :   1 Gamma; total"));
    EXPECT_NE(std::string::npos, text.find("~A  DEPTH  G_R_1       CALIPERTOOL12 "));
    // A title of 12 characters or more is shortened so the mnemonic keeps its period.
    EXPECT_NE(std::string::npos, text.find("\r\n CALIPERTOOL-COEFA.      0.000000       CALIPERTOOL-COEFA. : CALIBRATION COEF A\r\n"));
    EXPECT_EQ(" CALIPERTOO-COEFD. ", LasCoefficientField("CALIPERTOO", 'D'));
    EXPECT_EQ(" -COEFB.           ", LasCoefficientField("", 'B'));
}

// A short title that begins with '#' or '~' would begin its ~C and ~P lines
// with a comment or a new section: a reader would lose the curve and, its
// columns no longer counted right, every data line.
TEST_F(LasTest, ShortTitlesBeginningWithACommentOrSectionMarkKeepTheirCurves)
{
    HeaderRecord header = SmallDownLog();
    header.channels[0].TitleShort = "#GR";
    header.channels[1].TitleShort = " ~CAL";
    std::vector<LogRecord> records(5);
    for (LogRecord& r : records)
        r.n = 50;
    const fs::path data = m_folder / "small.log";
    std::FILE* file = std::fopen(data.c_str(), "wb");
    std::fwrite(records.data(), sizeof(LogRecord), records.size(), file);
    std::fclose(file);
    LasRange range;
    ASSERT_TRUE(ComputeLasRange(header, 4, range));
    LasLayout layout = LayoutOf(range, 1);
    layout.exported[0] = layout.exported[1] = true;
    const fs::path las = m_folder / "marks.las";
    ASSERT_EQ(LasResult::Written, WriteLasFile(las.string(), data.string(), header, range, layout));

    const LasText text = ReadLas(ReadTextFile(las));
    EXPECT_EQ((std::vector<std::string>{"_GR", "_CAL"}), text.curves);
    EXPECT_EQ(8u, text.parameters.size());
    ASSERT_EQ(7u, text.lines.size());
    for (const LasLine& line : text.lines)
        EXPECT_EQ(2u, line.values.size()) << line.depth;
}

TEST_F(LasTest, SectionsFollowModeDirectionCalibrationAndColumns)
{
    HeaderRecord header = SmallDownLog();
    header.channelCount = 3;
    header.channels[2].TitleShort = "SP";
    header.channels[2].Unit = "mV";
    header.channels[2].Title = "Potential";
    LasRange range;
    ASSERT_TRUE(ComputeLasRange(header, 4, range));

    // Channels 1 and 3 keep their header numbers; with no calibration the
    // parameter section holds its heading lines only.
    LasLayout layout = LayoutOf(range, 0, true);
    layout.exported[0] = layout.exported[2] = true;
    std::string text = Header(header, layout);
    EXPECT_NE(std::string::npos, text.find(" STRT.M           10.60 "));
    EXPECT_NE(std::string::npos, text.find(" STOP.M           10.00 "));
    EXPECT_NE(std::string::npos, text.find(" STEP.M           -0.10 "));
    EXPECT_NE(std::string::npos,
              text.find("DESCRIPTION OF MNEMONIC\r\n#------------------------------------------------------------------------------\r\n~OTHER"));
    EXPECT_NE(std::string::npos, text.find(":   1 Gamma"));
    EXPECT_NE(std::string::npos, text.find(":   3 Potential"));
    EXPECT_EQ(std::string::npos, text.find("CAL "));
    EXPECT_TRUE(text.ends_with("~A  DEPTH  GR          SP        "));

    // A box left checked beyond the header's channels names no column.
    const bool checked[kLasChannels] = {true, false, false, true, true, false};
    LasColumns(header, checked, layout.exported);
    EXPECT_TRUE(Header(header, layout).ends_with("~A  DEPTH  GR        "));

    // Up mode reversed: a positive step.
    header.LogMode = 11;
    ASSERT_TRUE(ComputeLasRange(header, 4, range));
    text = Header(header, LayoutOf(range, 0, true));
    EXPECT_NE(std::string::npos, text.find(" STEP.M            0.10 "));
    EXPECT_NE(std::string::npos, text.find("Notes: The log is recorded in Up Mode.\r\n"));

    // Time mode: start, stop, step and depth column all with three decimals.
    header.LogMode = 10;
    header.Startdepth = 1000;
    header.EndDepth = 1390;
    ASSERT_TRUE(ComputeLasRange(header, 39, range));
    text = Header(header, LayoutOf(range, 0));
    EXPECT_NE(std::string::npos, text.find(" STRT.M           1.000 "));
    EXPECT_NE(std::string::npos, text.find(" STOP.M           1.390 "));
    EXPECT_NE(std::string::npos, text.find(" STEP.M           0.010 "));
    const fs::path path = m_folder / "line.las";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    const double values[kLasChannels] = {1.0, kLasNull, 0, 0, 0, 0};
    const bool two[kLasChannels] = {true, true};
    EXPECT_TRUE(WriteLasLine(file, true, 1.3899999, values, two));
    EXPECT_TRUE(WriteLasLine(file, false, 1.2349, values, two));
    std::fclose(file);
    EXPECT_EQ("\r\n    1.390        1.000    -999.250\r\n    1.23         1.000    -999.250", ReadTextFile(path));
}

TEST_F(LasTest, DepthRangeOfEachMode)
{
    HeaderRecord header = SmallDownLog();
    const struct {
        int mode;
        int startMm, endMm, stepMm, sondeCm, records;
        double start, end, step;
        int sondeSteps;
    } cases[] = {
        // Down: the range grows by the sonde below the last record.
        {12, 2600, 0, 100, 250, 2999, 2.6, 305.0, 0.1, 25},
        // Up: it runs downward and grows by the sonde above the last record.
        {11, 100000, 0, 50, 30, 200, 100.0, 89.7, -0.05, 6},
        // A sonde between two steps counts to the nearest step, and the range
        // ends on the record grid.
        {12, 2600, 0, 100, 257, 2999, 2.6, 305.1, 0.1, 26},
        {12, 2600, 0, 100, 254, 2999, 2.6, 305.0, 0.1, 25},
        {11, 100000, 0, 100, 255, 200, 100.0, 77.4, -0.1, 26},
        {12, 2600, 0, 40, 250, 2999, 2.6, 125.08, 0.04, 63},
        // Time: the mean depth change per record, and no sonde steps at all.
        {10, 1000, 1390, 250, 204, 39, 1.0, 1.39, 0.01, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.mode << ", sonde " << c.sondeCm << " cm");
        header.LogMode = c.mode;
        header.Startdepth = c.startMm;
        header.EndDepth = c.endMm;
        header.step = c.stepMm;
        header.SondeLength = c.sondeCm;
        LasRange range;
        ASSERT_TRUE(ComputeLasRange(header, c.records, range));
        EXPECT_DOUBLE_EQ(c.start, range.startDepth);
        EXPECT_NEAR(c.end, range.endDepth, 1e-9);
        EXPECT_DOUBLE_EQ(c.step, range.step);
        EXPECT_EQ(c.sondeSteps, range.sondeSteps);
        EXPECT_EQ(c.records + c.sondeSteps, range.steps);
        EXPECT_EQ(range.startDepth, range.from);
        EXPECT_EQ(range.endDepth, range.to);
    }

    // A time-mode log that did not move, or a depth log without a step, has no range.
    header.LogMode = 10;
    header.Startdepth = header.EndDepth = 5000;
    LasRange range;
    EXPECT_FALSE(ComputeLasRange(header, 39, range));
    header.EndDepth = 5004;  // rounds to the same centimetre
    EXPECT_FALSE(ComputeLasRange(header, 39, range));
    header.LogMode = 12;
    header.step = 0;
    EXPECT_FALSE(ComputeLasRange(header, 39, range));
}

TEST_F(LasTest, TypedDepthsAreBroughtInsideTheRangeAndOntoTheRecords)
{
    HeaderRecord header = SmallDownLog();
    header.Startdepth = 100000;
    header.SondeLength = 250;
    const struct {
        int mode;
        bool isFrom;
        double typed, expected;
        bool outside;  // told with a message
    } cases[] = {
        // Down: 100.00 .. 112.50 with 10 cm steps over 100 records.
        {12, true, 99.0, 100.0, true},
        {12, true, 113.0, 112.4, true},
        {12, true, 105.0, 105.0, false},
        {12, false, 113.0, 112.5, true},
        {12, false, 99.0, 100.1, true},
        {12, false, 100.0, 100.0, false},
        // Between two records: the nearer one, without a message.
        {12, true, 105.04, 105.0, false},
        {12, false, 105.06, 105.1, false},
        {12, false, 112.49, 112.5, false},
        // Up: 100.00 down to 87.50; corrections stay inside it.
        {11, true, 101.0, 100.0, true},
        {11, true, 80.0, 87.6, true},
        {11, true, 95.0, 95.0, false},
        {11, false, 80.0, 87.5, true},
        {11, false, 101.0, 99.9, true},
        {11, false, 87.5, 87.5, false},
        {11, true, 95.47, 95.5, false},
        {11, false, 87.54, 87.5, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.mode << ' ' << c.typed);
        header.LogMode = c.mode;
        LasRange range;
        ASSERT_TRUE(ComputeLasRange(header, 100, range));
        double value = c.typed;
        EXPECT_EQ(c.outside, CheckLasDepth(range, value, c.isFrom));
        EXPECT_NEAR(c.expected, value, 1e-9);
        const bool inside = (value - range.startDepth) * (value - range.endDepth) <= 1e-12;
        EXPECT_TRUE(inside);
    }
}

// Depths that are not exact in binary must still name whole records.
TEST_F(LasTest, RecordPositionsOfTheWalkAndOfEachChannel)
{
    HeaderRecord header = SmallDownLog();
    header.Startdepth = 2600;
    header.SondeLength = 250;
    LasRange range;
    ASSERT_TRUE(ComputeLasRange(header, 2999, range));
    range.from = 10.0;
    range.to = 20.0;
    for (bool reverse : {false, true}) {
        const LasWalk walk = LasRecordWalk(range, reverse);
        EXPECT_EQ(reverse ? 174 : 74, walk.first);
        EXPECT_EQ(reverse ? 74 : 174, walk.last);
    }
    // The record under a line is the one recorded at the line's depth.
    for (double from : {2.7, 3.3, 10.1, 57.9, 123.4}) {
        range.from = from;
        const int first = LasRecordWalk(range, false).first;
        EXPECT_NEAR(from, range.startDepth + first * range.step, 1e-9) << from;
    }
    // Between two records, the nearer one; past either end, the end.
    range.from = range.startDepth + 0.13;
    range.to = range.endDepth - 0.07;
    EXPECT_EQ(1, LasRecordWalk(range, false).first);
    EXPECT_EQ(range.steps - 1, LasRecordWalk(range, false).last);
    range.from = range.startDepth - 5.0;
    range.to = range.endDepth + 5.0;
    EXPECT_EQ(0, LasRecordWalk(range, false).first);
    EXPECT_EQ(range.steps, LasRecordWalk(range, false).last);
    // From past To: nothing to export.
    EXPECT_TRUE(LasRangeInOrder(range));
    range.from = 20.0;
    range.to = 19.96;
    EXPECT_TRUE(LasRangeInOrder(range)) << "the same record";
    range.to = 19.9;
    EXPECT_FALSE(LasRangeInOrder(range));

    // A 30 cm offset at a 5 cm step is six records, up and down.
    header.step = 50;
    header.SondeLength = 70;
    header.channels[0].Offset = 30;
    header.LogMode = 11;
    EXPECT_EQ(94, LasRecordIndex(header, 0, 100, -0.05));
    header.LogMode = 12;
    EXPECT_EQ(92, LasRecordIndex(header, 0, 100, 0.05));
    header.LogMode = 10;
    EXPECT_EQ(100, LasRecordIndex(header, 0, 100, 0.05));
    // Between two records the fraction of a channel's offset is dropped:
    // 15 cm at 10 cm is one record.
    header.channels[0].Offset = 15;
    header.LogMode = 11;
    EXPECT_EQ(99, LasRecordIndex(header, 0, 100, -0.1));
}

// Every data line stands at the depth of its record position, STRT and STOP
// name the first and last lines, and a reversed file holds the same lines in
// the other order: with sondes that are not a whole number of steps long and
// with depths typed between records.
TEST_F(LasTest, EveryLineStandsAtTheDepthOfItsRecord)
{
    // Record k carries k + 1 in its first sum: a line's value names its record.
    std::vector<LogRecord> records(41);
    for (size_t k = 0; k < records.size(); ++k) {
        records[k].n = 50;
        records[k].channelSums[0] = std::uint16_t(k + 1);
    }
    const fs::path data = m_folder / "log.log";
    std::FILE* file = std::fopen(data.c_str(), "wb");
    std::fwrite(records.data(), sizeof(LogRecord), records.size(), file);
    std::fclose(file);

    const struct {
        int mode, stepMm, sondeCm, offsetCm;
        double from, to;  // typed, or 0 for the whole range
        int lines;
        int shift;  // records between a line and the record its channel reads
    } cases[] = {
        {12, 100, 257, 0, 0, 0, 67, 25},           // 40 records and 26 sonde steps
        {12, 100, 257, 0, 11.34, 14.57, 34, 25},   // 11.30 .. 14.60
        {11, 100, 255, 0, 0, 0, 67, 0},
        {11, 100, 255, 30, 8.96, 6.07, 30, 3},     // 9.00 .. 6.10
        {12, 40, 250, 20, 0, 0, 104, 57},          // 62.5 steps of sonde: 63 lines more
        {12, 40, 250, 20, 10.51, 11.79, 33, 57},   // 10.52 .. 11.80
        {10, 250, 250, 0, 0, 0, 41, 0},            // time: no sonde steps
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << ", step " << c.stepMm << " mm, sonde " << c.sondeCm
                                        << " cm, " << c.from << ".." << c.to);
        HeaderRecord header = SmallDownLog();
        header.channelCount = 1;
        header.LogMode = c.mode;
        header.Startdepth = 10000;
        header.EndDepth = 10000 + 40 * 37;
        header.step = c.stepMm;
        header.SondeLength = c.sondeCm;
        header.channels[0].Offset = c.offsetCm;
        LasRange range;
        ASSERT_TRUE(ComputeLasRange(header, 40, range));
        if (c.from != 0.0) {
            range.from = c.from;
            range.to = c.to;
        }
        std::vector<LasText> files;
        for (bool reverse : {false, true}) {
            LasLayout layout = LayoutOf(range, 0, reverse);
            layout.exported[0] = true;
            const fs::path las = m_folder / (reverse ? "reversed.las" : "forward.las");
            ASSERT_EQ(LasResult::Written, WriteLasFile(las.string(), data.string(), header, range, layout));
            files.push_back(ReadLas(ReadTextFile(las)));
            const LasText& text = files.back();
            ASSERT_EQ(size_t(c.lines), text.lines.size()) << reverse;
            EXPECT_NEAR(text.lines.front().depth, text.well.at("STRT"), 1e-9) << reverse;
            EXPECT_NEAR(text.lines.back().depth, text.well.at("STOP"), 1e-9) << reverse;
            const double written = c.mode == 10 ? 1000.0 : 100.0;  // three decimals in time mode, else two
            for (const LasLine& line : text.lines) {
                // The depth of a record position, written rounded.
                const double position = (line.depth - range.startDepth) / range.step;
                const long i = std::lround(position);
                EXPECT_NEAR(std::round((range.startDepth + i * range.step) * written) / written, line.depth, 1e-9);
                ASSERT_EQ(1u, line.values.size());
                const long j = i - c.shift;
                const double expected = j >= 0 && j < 40 ? double(j + 1) : kLasNull;
                EXPECT_EQ(expected, line.values[0]) << "at " << line.depth;
            }
        }
        // The same lines, in the other order.
        for (size_t n = 0; n < files[0].lines.size(); ++n) {
            const LasLine& forward = files[0].lines[n];
            const LasLine& reversed = files[1].lines[files[1].lines.size() - 1 - n];
            EXPECT_NEAR(forward.depth, reversed.depth, 1e-9);
            EXPECT_EQ(forward.values, reversed.values);
        }
    }
}

TEST_F(LasTest, LineValuesAreScaledCalibratedOrNull)
{
    HeaderRecord header = SmallDownLog();
    header.LogMode = 10;
    header.channelCount = 8;
    for (int c = 0; c < 8; ++c) {
        header.channels[c].PhysicalCh = 6 - c % 6;
        header.channels[c].Offset = 0;
    }
    header.channels[5].PhysicalCh = 7;  // names no raw channel
    std::vector<LogRecord> records(3);
    records[0].n = 25;
    records[1].n = 0;
    records[2].n = 50;
    for (int k = 0; k < 6; ++k) {
        records[0].channelSums[k] = std::uint16_t(10 * (k + 1));
        records[2].channelSums[k] = 65535;
    }
    LasLayout layout;
    layout.step = 0.1;
    double values[kLasChannels];

    LasLineValues(header, records.data(), 3, 0, layout, values);
    const double scaled[kLasChannels] = {120.0, 100.0, 80.0, 60.0, 40.0, kLasNull};
    for (int c = 0; c < kLasChannels; ++c)
        EXPECT_DOUBLE_EQ(scaled[c], values[c]) << c;

    layout.calibration = 2;
    for (int c = 0; c < kLasChannels; ++c) {
        const double k[4] = {1.0, 0.5, 0.01, 0.001};
        std::copy(k, k + 4, layout.coefficients[c]);
    }
    LasLineValues(header, records.data(), 3, 0, layout, values);
    EXPECT_DOUBLE_EQ(1.0 + 60.0 + 144.0 + 1728.0, values[0]);
    EXPECT_EQ(kLasNull, values[5]);

    // A record without readings, and positions outside the records read, give nulls.
    for (int position : {1, -1, 3}) {
        LasLineValues(header, records.data(), 3, position, layout, values);
        for (double v : values)
            EXPECT_EQ(kLasNull, v) << position;
    }
    layout.calibration = 0;
    LasLineValues(header, records.data(), 3, 2, layout, values);
    EXPECT_DOUBLE_EQ(65535.0, values[0]);
}

}  // namespace
