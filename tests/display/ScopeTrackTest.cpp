// The curve tracks' rings, settings, timers and double click.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QWidget>
#include <atomic>
#include <cmath>
#include <limits>
#include <memory>
#include <thread>

#include "core/Palette.h"
#include "core/ToolRecord.h"
#include "platform/UiThread.h"
#include "display/ScopeTrack.h"
#include "support/CurveTracks.h"

using namespace track;

namespace {

void Step(CScopeTrack& tracks, double value, int mode, int n, const ToolRecord& tool)
{
    const double values[6] = {value, value, value, value, value, value};
    tracks.AddSamples(values, mode, n, tool);
}

// A window that keeps the commands it gets.
class CommandSink : public CWnd {
public:
    CommandSink() { Attach(new QWidget); }
    ~CommandSink() override { delete m_hWnd.data(); }
    BOOL OnCommand(WPARAM wParam, LPARAM) override
    {
        last = int(LOWORD(wParam));
        return TRUE;
    }
    int last = 0;
};

}  // namespace

TEST(ScopeTrackTest, AStepInterpolatesToItsValueAndSkipsNoData)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* what;
        double before;  // value of a first step of one sample; < -1000 for none
        double value;
        int n;
        bool calibrate;
        double raw[4];     // raw ring at indices 1..4 (or 2..5 after a first step)
        bool noData[4];
        double display[4];
    } cases[] = {
        {"n = 0 changes nothing", -2000, 500, 0, false,
         {-1, -1, -1, -1}, {true, true, true, true}, {-1, -1, -1, -1}},
        {"from an empty ring the step holds its value", -2000, 500, 3, false,
         {500, 500, 500, -1}, {false, false, false, true}, {500, 500, 500, -1}},
        {"interpolated, ending exactly at the new value", 100, 200.3, 4, false,
         {125.075, 150.15, 175.225, 200.3}, {false, false, false, false}, {125.075, 150.15, 175.225, 200.3}},
        {"calibrated: 10 + 2x", 100, 200, 2, true,
         {150, 200, -1, -1}, {false, false, true, true}, {310, 410, -1, -1}},
        {"below 0: never calibrated nor drawn", 100, -100, 2, true,
         {0, -100, -1, -1}, {false, true, true, true}, {10, -100, -1, -1}},
        {"the null value", 100, kNullValue, 1, true,
         {kNullValue, -1, -1, -1}, {true, true, true, true}, {kNullValue, -1, -1, -1}},
        {"not a number", 100, nan, 1, true, {nan, -1, -1, -1}, {true, true, true, true}, {nan, -1, -1, -1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ToolRecord tool = PlainTool();
        tool.channels[0].CalFlag = c.calibrate;
        tool.channels[0].Coefficient[0] = 10.0;
        tool.channels[0].Coefficient[1] = 2.0;
        CScopeTrack tracks;
        tracks.LoadChannelSettings(tool);
        int first = 1;
        if (c.before > -1000) {
            Step(tracks, c.before, kModeTime, 1, tool);
            first = 2;
        }
        const unsigned countBefore = tracks.Count(0);
        Step(tracks, c.value, kModeTime, c.n, tool);
        EXPECT_EQ(countBefore + unsigned(c.n), tracks.Count(0));
        for (int k = 0; k < 4; ++k) {
            const CScopeTrack::Sample s = tracks.SampleAt(0, first + k);
            SCOPED_TRACE(first + k);
            if (std::isnan(c.raw[k])) {
                EXPECT_TRUE(std::isnan(s.raw));
            } else if (k + 1 == c.n) {
                EXPECT_EQ(c.raw[k], s.raw);  // exactly, not nearly
            } else {
                EXPECT_NEAR(c.raw[k], s.raw, 1e-9);
            }
            EXPECT_EQ(c.noData[k], s.noData);
            if (!std::isnan(c.display[k])) {
                EXPECT_NEAR(c.display[k], s.display, 1e-9);
            }
        }
    }
}

TEST(ScopeTrackTest, RingsWrapAndOffsetsShiftTheDepthModes)
{
    ToolRecord tool = PlainTool();
    tool.channels[1].Offset = 30;
    tool.channels[2].Offset = 50;
    CScopeTrack tracks;
    tracks.LoadChannelSettings(tool);

    // Time: 14998 samples, then 4 across the end of the ring.
    Step(tracks, 1.0, kModeTime, 14998, tool);
    EXPECT_DOUBLE_EQ(14998.0, tracks.Position(0));
    Step(tracks, 5.0, kModeTime, 4, tool);
    EXPECT_DOUBLE_EQ(2.0, tracks.Position(0));
    EXPECT_EQ(15002u, tracks.Count(0));
    EXPECT_DOUBLE_EQ(2.0, tracks.SampleAt(0, 14999).raw);
    EXPECT_DOUBLE_EQ(5.0, tracks.SampleAt(0, 2).raw);
    // Offsets count only once the origin is in a depth mode.
    EXPECT_DOUBLE_EQ(5.0, tracks.SampleAt(1, 2).raw);

    // Up: written Offset samples ahead. Down: tool length - Offset ahead, past the ring's end.
    tracks.ResetOrigin(100.0, 250.0, kModeUp, 0);
    EXPECT_EQ(0u, tracks.Count(1));
    Step(tracks, 7.0, kModeUp, 1, tool);
    EXPECT_DOUBLE_EQ(7.0, tracks.SampleAt(1, 31).raw);
    tracks.ResetOrigin(100.0, 250.0, kModeDown, 1);
    Step(tracks, 14790.0, kModeDown, 14790, tool);  // position 14790
    Step(tracks, 9.0, kModeDown, 1, tool);
    EXPECT_DOUBLE_EQ(9.0, tracks.SampleAt(2, (14791 + 200) % 15000).raw);
    EXPECT_DOUBLE_EQ(9.0, tracks.SampleAt(0, (14791 + 250) % 15000).raw);
}

// The depth of the newest sample: from the sonde's bottom now (live, going
// down the log starts at the sonde's top), or from a log's first record
// (replay), which the first step brings; a step of n samples is n cm further.
// Emptied rings start the grid again from its origin.
TEST(ScopeTrackTest, TheOriginGivesTheNewestSampleItsDepthAgainAfterTheRingsAreEmptied)
{
    struct Case {
        const char* what;
        double start, toolLength;
        int mode, flag;
        double afterThreeSteps;  // of 10 samples each
    } cases[] = {
        {"live, down: from the sonde's top", 40.0, 250.0, kModeDown, 1, 37.8},
        {"live, up", 40.0, 250.0, kModeUp, 1, 39.7},
        {"replay, down: the first record at the start", 2.6, 250.0, kModeDown, 0, 2.8},
        {"replay, up", 302.5, 250.0, kModeUp, 0, 302.3},
    };
    const ToolRecord tool = PlainTool();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CScopeTrack tracks;
        tracks.LoadChannelSettings(tool);
        tracks.ResetOrigin(c.start, c.toolLength, c.mode, c.flag);
        for (int round = 0; round < 2; ++round) {
            for (int k = 0; k < 3; ++k)
                Step(tracks, 100.0, c.mode, 10, tool);
            EXPECT_NEAR(c.afterThreeSteps, tracks.NewestDepth(), 1e-9) << "round " << round;
            tracks.ClearBuffers();
        }
    }
}

// Under about 106 pixels the tracks have no room for a point: nothing is
// drawn on them, and nothing goes wrong.
TEST(ScopeTrackTest, AWindowTooNarrowForItsTracksDrawsNoCurve)
{
    const ToolRecord tool = PlainTool();
    CScopeTrack tracks;
    tracks.LoadChannelSettings(tool);
    tracks.ResetOrigin(10.0, 0.0, kModeDown, 1);
    for (int k = 0; k < 300; ++k)
        Step(tracks, 100.0 + k, kModeDown, 1, tool);
    for (int width : {105, 100, 60}) {
        SCOPED_TRACE(width);
        tracks.OnSize(width, 300);
        const QImage& image = tracks.Image();
        ASSERT_EQ(width, image.width());
        const COLORREF c = PaletteColour(tool.channels[0].LineColour);
        int curve = 0;
        for (int y = tracks.LegendHeight(); y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                curve += image.pixel(x, y) == qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
        EXPECT_EQ(0, curve);
    }
}

TEST(ScopeTrackTest, FilterCentresItsWindowAndFilterChannelRedoesTheRing)
{
    ToolRecord tool = PlainTool();
    CScopeTrack tracks;
    tracks.ClearBuffers();
    tracks.LoadChannelSettings(tool);
    for (double v : {3.0, 6.0, 9.0, 12.0})
        Step(tracks, v, kModeTime, 1, tool);

    // Filter of 3 on the samples already there.
    tool.channels[0].FilterFlag = 1;
    tool.channels[0].FilterWidth = 3;
    tracks.LoadChannelSettings(tool);
    tracks.FilterChannel(0);
    EXPECT_DOUBLE_EQ(6.0, tracks.SampleAt(0, 2).display);
    EXPECT_DOUBLE_EQ(9.0, tracks.SampleAt(0, 3).display);
    EXPECT_TRUE(tracks.SampleAt(0, 0).noData);  // its window reaches the empty end of the ring

    // A new step: the mean lands one sample back; the one after waits for more data.
    Step(tracks, 15.0, kModeTime, 1, tool);
    EXPECT_DOUBLE_EQ(12.0, tracks.SampleAt(0, 4).display);
    EXPECT_FALSE(tracks.SampleAt(0, 4).noData);
    EXPECT_TRUE(tracks.SampleAt(0, 5).noData);
}

TEST(ScopeTrackTest, SettingsPlaceCurvesAndTrackFourIsNeverDrawn)
{
    ToolRecord tool = PlainTool();
    for (int c = 0; c < 6; ++c) {
        tool.channels[c].DisplayTrack = c < 3 ? 1 : 3;  // three on track 1, three nowhere
        tool.channels[c].LogicalCh = c % 3 + 1;         // curve 0 drawn last on its track
        tool.channels[c].LineColour = 9;                // grey
    }
    tool.channels[0].LineColour = 5;  // red, drawn
    tool.channels[3].LineColour = 3;  // green, on no track
    CScopeTrack tracks;
    tracks.LoadChannelSettings(tool);
    tracks.SetSampleInterval(100);
    EXPECT_EQ(32, tracks.LegendHeight());
    EXPECT_FALSE(tracks.Layout(0).inUse);
    EXPECT_TRUE(tracks.Layout(1).inUse);
    EXPECT_FALSE(tracks.Layout(2).inUse);
    EXPECT_FALSE(tracks.Layout(4).inUse);

    for (int k = 0; k < 400; ++k)
        Step(tracks, 500.0, kModeTime, 1, tool);
    tracks.OnSize(400, 300);
    const QImage& image = tracks.Image();
    int red = 0, green = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            red += p == qRgb(255, 0, 0);
            green += p == qRgb(0, 255, 0);
        }
    }
    EXPECT_GT(red, 200);
    EXPECT_EQ(0, green);
    // Track width (400 - 100) / 3 = 100: track 1 spans 150..250.
    EXPECT_EQ(150, tracks.Layout(1).left);
    EXPECT_EQ(250, tracks.Layout(1).right);
    EXPECT_EQ(250, tracks.Layout(4).left);
}

TEST(ScopeTrackTest, DoubleClickInTheLegendAsksForTheDisplayOptions)
{
    CommandSink parent;
    CScopeTrack tracks;
    ASSERT_TRUE(tracks.Create(0, RECT{0, 0, 600, 400}, &parent, 0));
    tracks.LoadChannelSettings(PlainTool());  // legend 22 pixels high

    tracks.OnLButtonUp(POINT{10, 10});
    EXPECT_EQ(0, parent.last);
    tracks.OnLButtonUp(POINT{10, 200});  // second release below the legend
    EXPECT_EQ(0, parent.last);
    tracks.OnLButtonUp(POINT{10, 21});
    tracks.OnLButtonUp(POINT{10, 21});
    EXPECT_EQ(505, parent.last);
}

TEST(ScopeTrackTest, WorkerStepsQueueAtMostOneRedrawRequest)
{
    CommandSink parent;
    CScopeTrack tracks;
    ASSERT_TRUE(tracks.Create(0, RECT{0, 0, 600, 400}, &parent, 0));
    tracks.OnSize(600, 400);
    const ToolRecord tool = PlainTool();
    tracks.LoadChannelSettings(tool);
    tracks.OnTimer(CScopeTrack::kRedrawTimer);  // as if the settings' redraw had run
    ASSERT_FALSE(tracks.IsRedrawArmed());

    // Count what reaches the user-interface thread's queue from the worker.
    struct Counter : QObject {
        int calls = 0;
        bool eventFilter(QObject*, QEvent* e) override
        {
            calls += e->type() == UiCallEvent();
            return false;
        }
    } counter;
    qApp->installEventFilter(&counter);
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int k = 0; k < 20000; ++k) {
            Step(tracks, 100.0 + k % 300, kModeTime, 1, tool);
            tracks.StartRefreshTimer();
        }
        done = true;
    });
    // The user-interface thread is busy drawing while the worker writes.
    while (!done)
        tracks.Draw();
    worker.join();
    QCoreApplication::processEvents();
    qApp->removeEventFilter(&counter);

    EXPECT_LE(counter.calls, 1);
    EXPECT_TRUE(tracks.IsRedrawArmed());
    EXPECT_EQ(20000u, tracks.Count(5));
}
