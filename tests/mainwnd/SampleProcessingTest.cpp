// Scaling, channel mapping and calibration of live and replayed steps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/RunState.h"
#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "header/HeaderRecord.h"
#include "mainwnd/VarnoLogger_KVXDlg.h"
#include "probe/Frames.h"
#include "probe/LogRecord.h"

namespace {

class SampleProcessingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedTool = *theApp.m_pToolRecord;
        m_savedHeader = *theApp.m_pHeaderRecord;
        ToolRecord& tool = *theApp.m_pToolRecord;
        tool = ToolRecord{};
        for (int c = 0; c < 6; ++c) {
            tool.channels[c].PhysicalCh = c;
            tool.channels[c].Coefficient[1] = 1.0;
            tool.channels[c].CalibComma = c;
        }
        *theApp.m_pSampleRecord = SampleRecord{};
        *theApp.m_pFrameState = FrameState{};
        theApp.m_dStepAccumulator = 0.0;
        theApp.m_nLinkStatus = 0;
    }
    void TearDown() override
    {
        *theApp.m_pToolRecord = m_savedTool;
        *theApp.m_pHeaderRecord = m_savedHeader;
        theApp.m_bCheckCommRunning = 0;
        theApp.m_nLinkStatus = 0;
    }

    static DataPacket Live(int mode, BYTE n, WORD sum)
    {
        DataPacket packet;
        packet.status = BYTE(mode);
        packet.n = n;
        packet.frameByte = 0x41;
        for (int i = 0; i < 6; ++i)
            packet.channelSums[i] = sum;
        return packet;
    }
    static LogRecord Stored(BYTE n, WORD sum)
    {
        LogRecord record;
        record.n = n;
        for (int i = 0; i < 6; ++i)
            record.channelSums[i] = sum;
        return record;
    }

    const SampleRecord& Sample() const { return *theApp.m_pSampleRecord; }

    CVarnoLogger_KVXDlg m_dialog{nullptr};
    ToolRecord m_savedTool;
    HeaderRecord m_savedHeader;
};

TEST_F(SampleProcessingTest, SumsAreScaledToFiftyReadingsMappedAndCalibrated)
{
    m_dialog.ProcessLiveFrame(Live(4, 25, 100));
    EXPECT_DOUBLE_EQ(200.0, Sample().channelRaw[0]);
    EXPECT_DOUBLE_EQ(25.0, Sample().sampleCount);
    EXPECT_DOUBLE_EQ(65.0, Sample().frameByte13);
    EXPECT_EQ(5, Sample().channelDecimals[5]);
    m_dialog.ProcessLiveFrame(Live(4, 50, 100));
    EXPECT_DOUBLE_EQ(100.0, Sample().channelRaw[0]);

    // Channel 0 fed by the fourth sum, with y = 1 + 2x.
    ChannelRecord& channel = theApp.m_pToolRecord->channels[0];
    channel.PhysicalCh = 3;
    channel.Coefficient[0] = 1.0;
    channel.Coefficient[1] = 2.0;
    DataPacket packet = Live(3, 50, 7);
    packet.channelSums[3] = 100;
    m_dialog.ProcessLiveFrame(packet);
    EXPECT_DOUBLE_EQ(100.0, Sample().channelRaw[0]);
    EXPECT_DOUBLE_EQ(201.0, Sample().channelValue[0]);
    EXPECT_DOUBLE_EQ(7.0, Sample().channelRaw[1]);

    // The same record replayed gives the same values.
    LogRecord record = Stored(50, 7);
    record.channelSums[3] = 100;
    m_dialog.ProcessRecord(record);
    EXPECT_DOUBLE_EQ(201.0, Sample().channelValue[0]);
}

TEST_F(SampleProcessingTest, OverflowShows1e21InReplayOnlyAndSkippedStepsChangeNothing)
{
    theApp.m_pToolRecord->channels[2].Coefficient[3] = 1e300;
    theApp.m_pHeaderRecord->LogMode = 10;
    m_dialog.ProcessRecord(Stored(50, 1000));
    EXPECT_EQ(1e21, Sample().channelValue[2]);
    EXPECT_DOUBLE_EQ(1000.0, Sample().channelValue[1]);
    m_dialog.ProcessLiveFrame(Live(4, 50, 1000));
    EXPECT_TRUE(std::isinf(Sample().channelValue[2]));

    // Nothing happens while the communication check runs, for n = 0 or an unknown mode.
    theApp.m_bCheckCommRunning = 1;
    m_dialog.ProcessLiveFrame(Live(4, 50, 9));
    theApp.m_bCheckCommRunning = 0;
    m_dialog.ProcessLiveFrame(Live(4, 0, 9));
    m_dialog.ProcessLiveFrame(Live(5, 50, 9));
    m_dialog.ProcessRecord(Stored(0, 9));
    EXPECT_DOUBLE_EQ(1000.0, Sample().channelRaw[0]);
    EXPECT_DOUBLE_EQ(0.02, theApp.m_dStepAccumulator);
}

TEST_F(SampleProcessingTest, ReplayedDepthMovesByTheHeaderStep)
{
    HeaderRecord& header = *theApp.m_pHeaderRecord;
    FrameState& frame = *theApp.m_pFrameState;

    // Down: 5 mm is raised to 1 cm.
    header.LogMode = 12;
    header.step = 5;
    frame.replayDepth = 100.0;
    m_dialog.ProcessRecord(Stored(50, 1));
    EXPECT_DOUBLE_EQ(100.01, frame.replayDepth);
    EXPECT_DOUBLE_EQ(100.01, theApp.m_pLiveReadout->currentDepth);

    // Up by 10 cm; while live packets arrive the live depth is left alone.
    header.LogMode = 11;
    header.step = 100;
    theApp.m_nLinkStatus = 128;
    theApp.m_pLiveReadout->currentDepth = 3.0;
    m_dialog.ProcessRecord(Stored(50, 1));
    EXPECT_NEAR(99.91, frame.replayDepth, 1e-9);
    EXPECT_DOUBLE_EQ(3.0, theApp.m_pLiveReadout->currentDepth);

    // Time: the axis advances by 0.01 and the replay depth is 0.
    header.LogMode = 10;
    m_dialog.ProcessRecord(Stored(50, 1));
    EXPECT_DOUBLE_EQ(0.0, frame.replayDepth);
    EXPECT_DOUBLE_EQ(0.01, theApp.m_dStepAccumulator);
}

TEST_F(SampleProcessingTest, ResetClearsTheLastValuesAndTheSample)
{
    theApp.m_lastFrameValues.channel[2] = 5;
    theApp.m_lastFrameValues.frameBytes[1] = 50;
    m_dialog.ProcessLiveFrame(Live(4, 50, 100));
    m_dialog.ResetAcquisition(false);
    EXPECT_EQ(0, int{theApp.m_lastFrameValues.channel[2]});
    EXPECT_EQ(0, int{theApp.m_lastFrameValues.frameBytes[1]});
    EXPECT_DOUBLE_EQ(0.0, Sample().channelRaw[0]);
    EXPECT_EQ(2, Sample().channelDecimals[0]);
}

TEST_F(SampleProcessingTest, EachChannelAppliesEveryTermOfItsOwnCubic)
{
    struct Case {
        double c[4];
        WORD sum;
        double value;
    };
    const Case cases[6] = {
        {{1, 2, 3, 4}, 10, 4321},
        {{0, 0, 1, 0}, 7, 49},
        {{-5, 0.5, 0.25, 0}, 4, 1},
        {{0, 0, 0, 1e-3}, 20, 8},
        {{2, 0, -0.5, 0.01}, 10, -38},
        {{0, 1, 0, 0}, 3, 3},
    };
    DataPacket packet = Live(2, 50, 0);
    LogRecord record = Stored(50, 0);
    for (int c = 0; c < 6; ++c) {
        std::copy(std::begin(cases[c].c), std::end(cases[c].c), theApp.m_pToolRecord->channels[c].Coefficient);
        packet.channelSums[c] = record.channelSums[c] = cases[c].sum;
    }
    theApp.m_pHeaderRecord->LogMode = 11;
    m_dialog.ProcessLiveFrame(packet);
    const SampleRecord live = Sample();
    m_dialog.ProcessRecord(record);
    for (int c = 0; c < 6; ++c) {
        SCOPED_TRACE(c);
        EXPECT_DOUBLE_EQ(cases[c].value, live.channelValue[c]);
        EXPECT_DOUBLE_EQ(cases[c].value, Sample().channelValue[c]);
    }
}

}  // namespace
