// The curve tracks drawn from the demo log at every scale, in time mode,
// wrapped and shaded. With KVX_TEST_ARTIFACTS set, each picture is kept as a PNG.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Palette.h"
#include "display/ScopeTrack.h"
#include "support/Artifacts.h"
#include "support/CurveTracks.h"

namespace {

constexpr int kWidth = 900;
constexpr int kHeight = 700;

}  // namespace

class ScopeTrackPicturesTest : public DemoLogTest {
protected:
    // Draws and keeps the picture; returns it.
    const QImage& Picture(CScopeTrack& tracks, const std::string& name)
    {
        tracks.OnSize(kWidth, kHeight);
        SaveArtifact(tracks.Image(), "curves_" + name + ".png");
        return tracks.Image();
    }

    // Pixels of the curve's own colour on the row where `row` rows behind the newest are drawn.
    static int CurvePixelsNear(const QImage& image, const CScopeTrack& tracks, const ToolRecord& tool, int curve,
                               int row)
    {
        const track::ScaleState scale = tracks.Scale();
        const int newest = track::WrapIndex(tracks.Count(curve));
        const int perPoint = track::SamplesPerPoint(scale.scale);
        int index = track::WrapIndex(newest - (long long)(row / scale.pixelsPerSample));
        index -= index % perPoint;
        double value = 0.0;
        for (int j = 0; j < perPoint; ++j)
            value += tracks.SampleAt(curve, track::WrapIndex(index - j)).display / perPoint;
        const ChannelRecord& ch = tool.channels[curve];
        const CScopeTrack::TrackLayout t = tracks.Layout(ch.DisplayTrack);
        const track::TrackPoint p =
            track::ValueToX(value, ch.RangeLeft, ch.RangeRight, false, ch.InvertScale, t.left, t.right);
        const COLORREF c = PaletteColour(ch.LineColour);
        const QRgb colour = qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
        const int y = image.height() - 1 - row;
        int found = 0;
        for (int x = p.x - 1; x <= p.x + 3; ++x)
            found += image.pixel(x, y) == colour;
        return found;
    }

    static int PixelsOf(const QImage& image, QRgb colour, int left, int right)
    {
        int found = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = left; x < right; ++x)
                found += image.pixel(x, y) == colour;
        return found;
    }

};

// Each label states the depth of its line, which is the depth of the record
// drawn on that row.
TEST_F(ScopeTrackPicturesTest, EveryScaleDrawsCurvesGridAndTheDepthsOfTheRecordsOnTheLabelledLines)
{
    const QRgb labelBlue = qRgb(0, 0, 0xA0);  // palette 11: depths at or below the surface
    const std::vector<LogRecord> records = ReadLogRecords(Path("Demo/KPXG3241.log"));
    for (int scale : {25, 50, 100, 250, 500, 1000}) {
        SCOPED_TRACE(scale);
        m_scale = scale;
        CScopeTrack tracks;
        Replay(tracks, false);
        const QImage& image = Picture(tracks, "scale_" + std::to_string(scale));
        const CScopeTrack::TrackLayout a = tracks.Layout(3);
        EXPECT_GT(PixelsOf(image, labelBlue, a.left, a.right), 20);
        for (int c = 0; c < 6; ++c)
            EXPECT_GT(CurvePixelsNear(image, tracks, m_tool, c, 40), 0) << "curve " << c;
        EXPECT_GE(ExpectLabelsAtTheDepthsOfTheirRecords(tracks, tracks.Labels(), records, *theApp.m_pHeaderRecord,
                                                        m_tool),
                  2);
    }
}

TEST_F(ScopeTrackPicturesTest, TimeModeUpModeWrapAndShadings)
{
    const QRgb labelBlue = qRgb(0, 0, 0xA0);
    {
        CScopeTrack tracks;
        Replay(tracks, true);
        const QImage& image = Picture(tracks, "time");
        // No depth grid and no labels in time mode.
        const CScopeTrack::TrackLayout a = tracks.Layout(3);
        EXPECT_EQ(0, PixelsOf(image, labelBlue, a.left, a.right));
        for (int c = 0; c < 6; ++c)
            EXPECT_GT(CurvePixelsNear(image, tracks, m_tool, c, 40), 0) << "curve " << c;
    }
    {
        theApp.m_pHeaderRecord->LogMode = track::kModeUp;
        theApp.m_pHeaderRecord->Startdepth = 302500;
        CScopeTrack tracks;
        Replay(tracks, false);
        Picture(tracks, "up");
        EXPECT_GE(ExpectLabelsAtTheDepthsOfTheirRecords(tracks, tracks.Labels(),
                                                        ReadLogRecords(Path("Demo/KPXG3241.log")),
                                                        *theApp.m_pHeaderRecord, m_tool),
                  2);
        theApp.m_pHeaderRecord->LogMode = track::kModeDown;
        theApp.m_pHeaderRecord->Startdepth = 2600;
    }
    for (int shading : {1, 2}) {
        for (int c = 0; c < 6; ++c)
            m_tool.channels[c].shading = c == 0 || c == 5 ? shading : 0;
        CScopeTrack tracks;
        Replay(tracks, false);
        Picture(tracks, "shading_" + std::to_string(shading));
    }
    {
        // A third of each range: the curves run off it and come back wrapped.
        for (int c = 0; c < 6; ++c) {
            ChannelRecord& ch = m_tool.channels[c];
            ch.shading = 0;
            ch.wraping = 1;
            ch.RangeRight = ch.RangeLeft + (ch.RangeRight - ch.RangeLeft) / 3;
        }
        CScopeTrack tracks;
        Replay(tracks, false);
        Picture(tracks, "wrap");
    }
}
