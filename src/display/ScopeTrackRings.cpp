// The rings of the curve tracks: steps written in, filtered, emptied.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <mutex>

#include "core/Palette.h"
#include "core/ToolRecord.h"
#include "display/ScopeTrack.h"
#include "display/ScopeTrackPicture.h"

using namespace track;

// Strings are given whole ("..."s): GCC 12 at -O3 takes a literal assigned
// into a string for an overflow.
using namespace std::string_literals;

namespace {

double FilterMean(const double* raw, int index, int window)
{
    double sum = 0.0;
    for (int j = 0; j < window; ++j)
        sum += raw[WrapIndex((long long)index - j)];
    return sum / window;
}

// Stores a display value: negatives and non-numbers mark no data and are
// never calibrated.
double StoreDisplay(CScopeTrack::ChannelData& curve, int target, double v)
{
    if (v < 0.0 || std::isnan(v)) {
        curve.noData[target] = 1;
    } else {
        curve.noData[target] = 0;
        if (curve.calibrate)
            v = curve.c[0] + curve.c[1] * v + curve.c[2] * v * v + curve.c[3] * v * v * v;
    }
    curve.display[target] = v;
    return v;
}

void EmptyRings(CScopeTrack::ChannelData& curve)
{
    std::fill(std::begin(curve.raw), std::end(curve.raw), kNullValue);
    std::fill(std::begin(curve.display), std::end(curve.display), kNullValue);
    std::fill(std::begin(curve.noData), std::end(curve.noData), 1);
}

}  // namespace

int CScopeTrack::FilterWindow(const ChannelData& curve, int stepSize)
{
    if (!curve.filterOn)
        return 0;
    return std::clamp(curve.filterWidth * stepSize, 0, kRingSize);
}


void CScopeTrack::AddSamples(const double (&values)[6], int mode, int n, const ToolRecord& tool)
{
    if (n <= 0)
        return;
    bool pageDue = false;
    {
        std::lock_guard lock(m_mutex);
        m_nRowBeforeStep = NewestRow();
        m_nStepSize = n;
        m_nMode = mode;
        m_nDirection = mode == kModeUp ? 0 : 1;
        // A log's first record lands on the origin, which is its depth.
        const bool landsOnOrigin = m_bFirstStepAtOrigin && m_pChannels[0].count == 0;
        if (!landsOnOrigin)
            m_dRunningCounter += mode == kModeUp ? n : -n;
        m_bDataStarted = true;

        for (int c = 0; c < kMaxCurves; ++c) {
            ChannelData& curve = m_pChannels[c];
            const double offset = tool.channels[c].Offset;
            int position = int(curve.position);
            const double old = curve.raw[WriteIndex(position, mode, m_bDepthMode, offset, m_dToolLength)];
            // A ring still empty there has nothing to interpolate from.
            const bool fromNothing = old < 0.0 || std::isnan(old);
            const double delta = (values[c] - old) / n;
            const int window = FilterWindow(curve, n);
            // Slots before the last turn of the ring would be overwritten anyway.
            const int first = std::max(1, n - kRingSize + 1);
            position = WrapIndex((long long)position + first - 1);
            int target = 0;
            double v = 0.0;
            for (int k = first; k <= n; ++k) {
                position = position + 1 == kRingSize ? 0 : position + 1;
                const int index = WriteIndex(position, mode, m_bDepthMode, offset, m_dToolLength);
                v = (k == n || fromNothing) ? values[c] : old + k * delta;
                curve.raw[index] = v;
                target = index;
                if (window > 0) {
                    v = FilterMean(curve.raw, index, window);
                    target = WrapIndex((long long)index - (window - 1) / 2);
                }
                v = StoreDisplay(curve, target, v);
            }
            curve.position = position;
            // The filter has not seen what follows the window's centre yet.
            for (int j = 1; j <= (window - 1) / 2; ++j) {
                const int after = WrapIndex((long long)target + j);
                curve.display[after] = v;
                curve.noData[after] = 1;
            }
            curve.count += unsigned(n);
        }
        if (m_bAutoPrint)
            pageDue = QueueDuePages();
    }
    if (pageDue)
        ArmAutoPrint();
}

bool CScopeTrack::QueueDuePages()
{
    const int rows = PageRows();
    const long long newest = NewestRow();
    bool queued = false;
    // A page ends where its rows are full, and what a step brought beyond it
    // goes on the next one. A deep step may fill more than one.
    for (long long end = m_nPageStart + rows - 1; end <= newest; end = m_nPageStart + rows - 1) {
        QueuePage(end, rows);
        m_nPageStart = NextPageStart(end);
        queued = true;
    }
    return queued;
}

void CScopeTrack::RestartPages()
{
    m_duePages.clear();
    m_nPageStart = SampleRow(0, m_scale.pixelsPerSample) + 1;
    m_dPageCount = 0.0;
    m_nStoredRow = -1;
}

void CScopeTrack::FilterChannel(int curveIndex)
{
    if (curveIndex < 0 || curveIndex >= kMaxCurves)
        return;
    std::lock_guard lock(m_mutex);
    ChannelData& curve = m_pChannels[curveIndex];
    std::fill(std::begin(curve.display), std::end(curve.display), kNullValue);
    const int window = FilterWindow(curve, m_nStepSize);
    for (int i = 0; i < kRingSize; ++i) {
        if (window > 0)
            StoreDisplay(curve, WrapIndex((long long)i - (window - 1) / 2), FilterMean(curve.raw, i, window));
        else
            StoreDisplay(curve, i, curve.raw[i]);
    }
}

void CScopeTrack::ClearBuffers()
{
    {
        std::lock_guard lock(m_mutex);
        for (int i = 0; i < kMaxCurves; ++i) {
            ChannelData& curve = m_pChannels[i];
            EmptyRings(curve);
            curve.position = 0.0;
            curve.count = 0;
        }
        // The grid restarts with the rings: a replay from its start is drawn at its depths again.
        m_dRunningCounter = 0.0;
        RestartPages();
    }
    ArmRedraw(kSettingsRedrawDelay);
}

void CScopeTrack::ResetCurves()
{
    {
        std::lock_guard lock(m_mutex);
        for (int i = 0; i < kMaxCurves; ++i) {
            ChannelData& curve = m_pChannels[i];
            EmptyRings(curve);
            curve.colour = PaletteColour(i);
            curve.colourIndex = i;
            curve.track = -1;
            curve.logicalCh = -1;
            curve.shading = 0;
            curve.wrap = false;
            char name[32];
            std::snprintf(name, sizeof name, "Channel %d", i);
            curve.name = name;
            curve.unit = "-"s;
            curve.visible = false;
        }
        m_bDataStarted = false;
    }
    ArmRedraw(kSettingsRedrawDelay);
}

CScopeTrack::Sample CScopeTrack::SampleAt(int curve, int index) const
{
    std::lock_guard lock(m_mutex);
    const ChannelData& data = m_pChannels[std::clamp(curve, 0, kMaxCurves - 1)];
    const int i = std::clamp(index, 0, kArraySize - 1);
    return Sample{data.raw[i], data.display[i], data.noData[i] != 0};
}

double CScopeTrack::Position(int curve) const
{
    std::lock_guard lock(m_mutex);
    return m_pChannels[std::clamp(curve, 0, kMaxCurves - 1)].position;
}

unsigned CScopeTrack::Count(int curve) const
{
    std::lock_guard lock(m_mutex);
    return m_pChannels[std::clamp(curve, 0, kMaxCurves - 1)].count;
}
