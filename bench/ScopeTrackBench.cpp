// One redraw of the curve tracks: six full rings on a 1920 x 1080 window. Its
// redraw period there is 1080 x 1.25 ms = 1350 ms.
#include <benchmark/benchmark.h>

#include "BenchApplication.h"

#include <cmath>
#include <cstdlib>

#include "core/ToolRecord.h"
#include "display/ScopeTrack.h"

// Strings are given whole ("..."s): GCC 12 at -O3 takes a literal assigned
// into a string for an overflow.
using namespace std::string_literals;

namespace {

ToolRecord BenchTool(int shading)
{
    ToolRecord tool;
    tool.Cols[0] = tool.Cols[1] = tool.Cols[2] = 5;
    for (int c = 0; c < 6; ++c) {
        ChannelRecord& ch = tool.channels[c];
        ch.Title = "Channel"s;
        ch.Unit = "u"s;
        ch.DisplayTrack = c / 2;
        ch.LogicalCh = c % 2 + 1;
        ch.Visible = 1;
        ch.RangeLeft = 0;
        ch.RangeRight = 1000;
        ch.LineColour = c + 1;
        ch.Coefficient[1] = 1.0;
        ch.shading = shading;
        ch.wraping = 1;
    }
    return tool;
}

void BM_ScopeTrackDraw(benchmark::State& state)
{
    EnsureBenchApplication();
    const int scale = int(state.range(0));
    const ToolRecord tool = BenchTool(int(state.range(1)));
    CScopeTrack tracks;
    tracks.LoadChannelSettings(tool);
    tracks.SetSampleInterval(scale);
    tracks.ResetOrigin(10.0, 250.0, 12, 0);
    // Full rings of a signal that also runs off the range and wraps.
    for (int k = 0; k < 15000; ++k) {
        const double v = 500.0 + 700.0 * std::sin(k / 200.0);
        const double values[6] = {v, v * 0.8, v * 0.6, v + 100, v * 0.9, v * 0.7};
        tracks.AddSamples(values, 12, 1, tool);
    }
    tracks.OnSize(1920, 1080);
    for (auto _ : state) {
        tracks.Draw();
        benchmark::DoNotOptimize(tracks.Image().constBits());
    }
}

}  // namespace

// Scale 25, 100 and 1000 (the widest averaging); no shading, then every curve shaded.
BENCHMARK(BM_ScopeTrackDraw)->Args({25, 0})->Args({100, 0})->Args({1000, 0})->Args({100, 1})->Args({1000, 2})
    ->Unit(benchmark::kMillisecond);
