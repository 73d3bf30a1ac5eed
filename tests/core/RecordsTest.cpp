#include <gtest/gtest.h>

#include <cstring>

#include "core/RunState.h"
#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "header/HeaderRecord.h"
#include "probe/Frames.h"
#include "probe/LogRecord.h"

TEST(RecordsTest, PlacementStoreMatchesFileImage)
{
    WindowPlacementStore store;
    store.valid = 1;
    store.placements[0].length = 44;
    store.placements[21].rcNormalPosition.bottom = 0x01020304;

    unsigned char image[985];
    std::memcpy(image, &store, sizeof image);
    EXPECT_EQ(image[0], 1);
    EXPECT_EQ(image[17], 44);  // slot 0 follows the validity byte and 16 reserved bytes
    EXPECT_EQ(image[18], 0);
    const std::size_t bottom = 17 + 44 * 21 + 40;
    EXPECT_EQ(image[bottom], 0x04);
    EXPECT_EQ(image[bottom + 3], 0x01);
    EXPECT_EQ(bottom + 4, sizeof image);
}

TEST(RecordsTest, LogRecordAndDataPacketReadTheWireBytes)
{
    const unsigned char record[14] = {0x41, 50, 0x34, 0x12, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    LogRecord r;
    std::memcpy(&r, record, sizeof r);
    EXPECT_EQ(int{r.frameByte}, 0x41);
    EXPECT_EQ(int{r.n}, 50);
    EXPECT_EQ(int{r.channelSums[0]}, 0x1234);
    EXPECT_EQ(int{r.channelSums[5]}, 0xFFFF);

    unsigned char payload[31] = {};
    payload[5] = 0xFE;  // depth -2 counts
    payload[6] = payload[7] = payload[8] = 0xFF;
    payload[9] = 0xF6;  // speed -10 counts
    payload[10] = 0xFF;
    payload[15] = 0x10;
    payload[16] = 0x27;  // channel 0 sum 10000
    payload[28] = 0x01;
    payload[29] = 0xAB;
    payload[30] = 0xCD;
    DataPacket p;
    std::memcpy(&p, payload, sizeof p);
    EXPECT_EQ(int{p.depthCounts}, -2);
    EXPECT_EQ(int{p.speedCounts}, -10);
    EXPECT_EQ(int{p.channelSums[0]}, 10000);
    EXPECT_EQ(int{p.replyFlags}, 0x01);
    EXPECT_EQ(int{p.checksum}, 0xCDAB);
}

TEST(RecordsTest, ConstructedDefaultsOthersRelyOn)
{
    ToolRecord tool;
    for (const ChannelRecord& ch : tool.channels) {
        EXPECT_EQ(ch.LogicalCh, -1);
        EXPECT_EQ(ch.DisplayTrack, -1);
        EXPECT_TRUE(ch.Title.empty() && ch.TitleShort.empty() && ch.Unit.empty());
    }

    LoggerSettings logger;
    EXPECT_EQ(logger.recordingMode, 4);

    RunState state;
    EXPECT_EQ(std::memcmp(&state, "\0\0\0\0\0\0\0", sizeof state), 0);
}

TEST(RecordsTest, PathFieldsKeepTheirTerminator)
{
    PathSettings paths;
    const std::string longName(60, 'x');
    CopyBounded(paths.FileName, longName);
    EXPECT_EQ(std::strlen(paths.FileName), 49u);
    EXPECT_EQ(paths.headerFileName[0], '\0');  // neighbour untouched

    CopyBounded(paths.FileName, "KPXG3241.log");
    EXPECT_STREQ(paths.FileName, "KPXG3241.log");
}
