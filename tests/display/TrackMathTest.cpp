// The curve tracks' arithmetic: scales, ring indices, value placement, depth labels.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "display/TrackMath.h"

using namespace track;

TEST(TrackMathTest, ScaleTableAndUnknownScalesKeepTheRest)
{
    struct Case {
        int from, scale;
        double pps;
        int major, minor, perPoint;
    } cases[] = {
        {25, 25, 4.0, 400, 9, 1},    {25, 50, 2.0, 200, 9, 1},   {25, 100, 1.0, 100, 3, 1},
        {25, 250, 0.5, 50, 3, 2},    {25, 500, 0.2, 100, 3, 5},  {25, 1000, 0.1, 100, 3, 10},
        // "1/200" is 250: a value of 200 is only stored.
        {500, 200, 0.2, 100, 3, 1},  {25, 200, 4.0, 400, 9, 1},  {1000, 0, 0.1, 100, 3, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << " -> " << c.scale);
        const ScaleState s = ApplyScale(ApplyScale(ScaleState{}, c.from), c.scale);
        EXPECT_EQ(c.scale, s.scale);
        EXPECT_DOUBLE_EQ(c.pps, s.pixelsPerSample);
        EXPECT_EQ(c.major, s.majorSpacing);
        EXPECT_EQ(c.minor, s.minorDivisions);
        EXPECT_EQ(c.perPoint, SamplesPerPoint(c.scale));
    }
}

TEST(TrackMathTest, EveryIndexWrapsAroundTheRing)
{
    EXPECT_EQ(0, WrapIndex(15000));
    EXPECT_EQ(14999, WrapIndex(-1));
    EXPECT_EQ(5, WrapIndex(45005));
    EXPECT_EQ(14995, WrapIndex(-30005));

    // Rows along the log: a sample fills 4, 2 or 1 rows, or a row holds 2, 5 or 10 samples.
    struct Row {
        double pps;
        long long sample, lastRow, drawn;  // the sample's last row, and the sample drawn there
    } rows[] = {
        {4.0, 100, 403, 100}, {2.0, 7, 15, 7},     {1.0, 0, 0, 0},           {0.5, 5, 2, 4},
        {0.2, 14999, 2999, 14995}, {0.1, 25, 2, 20}, {4.0, -1, -1, -1}, {0.1, -1, -1, -10},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.lastRow, SampleRow(r.sample, r.pps)) << r.sample << " at " << r.pps;
        EXPECT_EQ(r.drawn, RowSample(r.lastRow, r.pps)) << r.lastRow << " at " << r.pps;
    }
    // The first of a sample's four rows, and the one before it.
    EXPECT_EQ(100, RowSample(400, 4.0));
    EXPECT_EQ(99, RowSample(399, 4.0));

    struct Write {
        int position, mode;
        bool depthMode;
        double offset, toolLength;
        int expected;
    } writes[] = {
        {14999, kModeTime, true, 30, 250, 14999},   // time: no offset
        {14999, kModeUp, false, 30, 250, 14999},    // depth mode off: no offset
        {14990, kModeUp, true, 30, 250, 20},        // up: position + offset
        {14990, kModeDown, true, 30, 250, 210},     // down: position + length - offset
        {3, kModeDown, true, 10.5, 0, 14993},       // truncated, then wrapped below 0
        {10, kModeUp, true, 40000.0, 0, 10010},     // more than one turn
    };
    for (const Write& w : writes)
        EXPECT_EQ(w.expected, WriteIndex(w.position, w.mode, w.depthMode, w.offset, w.toolLength))
            << w.position << " mode " << w.mode;
}

TEST(TrackMathTest, ValuesLandOnTheTrackWrappedOrClamped)
{
    // A track from 100 to 302: 200 usable pixels between left + 1 and right - 1.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double v, min, max;
        bool wrap, invert;
        int x;
        bool wrapped, drawn;
    } cases[] = {
        {50, 0, 100, false, false, 201, false, true},
        {50.25, 0, 100, false, false, 202, false, true},  // 100.5 rounds away from zero
        {0, 0, 100, false, false, 101, false, true},
        {100, 0, 100, false, false, 301, false, true},
        {150, 0, 100, false, false, 301, false, true},    // above max: max
        {-50, 0, 100, false, false, 101, false, true},    // below min: clamped
        {25, 0, 100, false, true, 251, false, true},      // inverted
        {125, 0, 100, true, false, 151, true, true},      // one turn down
        {200, 0, 100, true, false, 301, true, true},      // lands on max, as turn by turn
        {-25, 0, 100, true, false, 251, true, true},      // one turn up
        {-225, 0, 100, true, false, 251, true, true},     // three turns up
        {1e21, 0, 100, true, false, -1, true, true},      // no endless turning; somewhere on the track
        {inf, 0, 100, true, false, 301, false, true},
        {nan, 0, 100, false, false, 0, false, false},
        {7, 5, 5, true, false, 101, false, true},         // empty range
        {50, 100, 0, true, false, 301, false, true},      // reversed range: no wrap
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.v << " in " << c.min << ".." << c.max);
        const TrackPoint p = ValueToX(c.v, c.min, c.max, c.wrap, c.invert, 100, 302);
        EXPECT_EQ(c.drawn, p.drawn);
        if (!p.drawn)
            continue;
        EXPECT_EQ(c.wrapped, p.wrapped);
        EXPECT_GE(p.x, 101);
        EXPECT_LE(p.x, 301);
        if (c.x >= 0) {
            EXPECT_EQ(c.x, p.x);
        }
    }

    // A track without a pixel between its edges (a window under 106 pixels wide) draws nothing.
    for (int right : {101, 100, 84}) {
        EXPECT_FALSE(ValueToX(50, 0, 100, false, false, 100, right).drawn) << right;
        EXPECT_FALSE(ValueToX(50, 0, 100, true, true, 100, right).drawn) << right;
    }
    const TrackPoint narrowest = ValueToX(50, 0, 100, false, false, 100, 102);
    EXPECT_TRUE(narrowest.drawn);
    EXPECT_EQ(101, narrowest.x);
}

TEST(TrackMathTest, DepthLinesAndTheirLabels)
{
    // 400 rows at 4 px per 1 cm sample: one metre from the origin.
    EXPECT_DOUBLE_EQ(98.5, LineDepth(97.5, 400, 4.0, false));
    EXPECT_DOUBLE_EQ(96.5, LineDepth(97.5, 400, 4.0, true));
    EXPECT_NEAR(110.0, LineDepth(100.0, 100, 0.1, false), 1e-9);

    struct Label {
        double depth;
        const char* text;
    } labels[] = {
        {12.0, " 12 "}, {12.5, " 12.50 "}, {-3.0, " -3 "}, {-0.25, " -0.25 "},
        // Residue of the row arithmetic still prints whole metres whole.
        {11.9999999999, " 12 "}, {1e-12, " 0 "}, {99.994, " 99.99 "},
    };
    for (const Label& l : labels)
        EXPECT_EQ(l.text, DepthLabel(l.depth)) << l.depth;
}

// Major lines every major spacing from the origin, the middle minor line of
// each interval halfway between two of them; both labelled with their own
// depth, except the middle ones at "1/200" and lines too near the newest row.
TEST(TrackMathTest, DepthGridLabelsItsMajorAndMiddleLinesWithTheirOwnDepths)
{
    struct Case {
        int scale;
        double start;
        bool upward;
        long long originRows;
        int oldestRow;
        std::vector<double> labels;  // oldest first
    } cases[] = {
        {25, 2.6, false, 4000, 1000, {10.1, 10.6, 11.1, 11.6, 12.1}},
        {50, -3.0, false, 400, 300, {-2.5, -2.0, -1.5}},
        {100, 2.6, false, 3000, 300, {29.6, 30.1, 30.6, 31.1, 31.6, 32.1}},
        {100, 2.6, false, 105, 104, {3.1}},  // the metre line 5 rows from the newest has no room
        {250, 100.0, true, 500, 200, {94.0, 93.0, 92.0, 91.0}},
        {500, 2.6, false, 400, 150, {15.1, 17.6, 20.1}},
        {1000, 0.11, false, 300, 299, {5.11, 10.11, 15.11, 20.11, 25.11}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "1/" << c.scale << " from " << c.start);
        const ScaleState scale = ApplyScale(ScaleState{}, c.scale);
        const std::vector<GridLine> lines = DepthGrid(scale, c.start, c.originRows, c.oldestRow, c.upward);
        ASSERT_FALSE(lines.empty());
        const double rowMetres = 0.01 / scale.pixelsPerSample;
        const double newest = LineDepth(c.start, c.originRows, scale.pixelsPerSample, c.upward);
        std::vector<double> labelled;
        int previousRow = c.oldestRow + 1;
        for (const GridLine& line : lines) {
            EXPECT_LT(line.row, previousRow);
            previousRow = line.row;
            EXPECT_GE(line.row, 0);
            EXPECT_NEAR(newest + (c.upward ? line.row : -line.row) * rowMetres, line.depth, 1e-9);
            if (line.labelled)
                labelled.push_back(line.depth);
        }
        ASSERT_EQ(c.labels.size(), labelled.size());
        for (size_t i = 0; i < labelled.size(); ++i)
            EXPECT_NEAR(c.labels[i], labelled[i], 1e-9) << i;
    }
}

TEST(TrackMathTest, RedrawPeriodStretchesWithHeight)
{
    EXPECT_EQ(650u, RefreshPeriod(0));
    EXPECT_EQ(650u, RefreshPeriod(650));
    EXPECT_EQ(813u, RefreshPeriod(651));
    EXPECT_EQ(1350u, RefreshPeriod(1080));
}
