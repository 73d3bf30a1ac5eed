#include "display/TrackMath.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace track {

namespace {

struct ScaleRow {
    int scale;
    double pixelsPerSample;
    int majorSpacing;
    int minorDivisions;
};

// "1/200" is stored as 250.
constexpr ScaleRow kScales[] = {
    {25, 4.0, 400, 9},  {50, 2.0, 200, 9},  {100, 1.0, 100, 3},
    {250, 0.5, 50, 3},  {500, 0.2, 100, 3}, {1000, 0.1, 100, 3},
};

// Below this distance from a whole metre a depth counts as whole.
constexpr double kWholeTolerance = 1e-6;

long long FloorDivide(long long a, long long b)
{
    const long long q = a / b;
    return q * b > a ? q - 1 : q;
}

// A sample takes 1, 2 or 4 rows, or a row 2, 5 or 10 samples.
int RowsPerSample(double pixelsPerSample) { return pixelsPerSample >= 1.0 ? int(std::lround(pixelsPerSample)) : 1; }
int SamplesPerRow(double pixelsPerSample) { return pixelsPerSample < 1.0 ? int(std::lround(1.0 / pixelsPerSample)) : 1; }

}  // namespace

ScaleState ApplyScale(ScaleState current, int scale)
{
    current.scale = scale;
    for (const ScaleRow& row : kScales) {
        if (row.scale != scale)
            continue;
        current.pixelsPerSample = row.pixelsPerSample;
        current.majorSpacing = row.majorSpacing;
        current.minorDivisions = row.minorDivisions;
    }
    return current;
}

int SamplesPerPoint(int scale)
{
    switch (scale) {
    case 250: return 2;
    case 500: return 5;
    case 1000: return 10;
    default: return 1;
    }
}

int WrapIndex(long long index)
{
    long long wrapped = index % kRingSize;
    return int(wrapped < 0 ? wrapped + kRingSize : wrapped);
}

long long SampleRow(long long sample, double pixelsPerSample)
{
    const int rows = RowsPerSample(pixelsPerSample);
    return FloorDivide(sample, SamplesPerRow(pixelsPerSample)) * rows + rows - 1;
}

long long RowSample(long long row, double pixelsPerSample)
{
    return FloorDivide(row, RowsPerSample(pixelsPerSample)) * SamplesPerRow(pixelsPerSample);
}

int RowToY(int row, int direction, int top, int bottom) { return direction == 0 ? top + row : bottom - 1 - row; }

int WriteIndex(int position, int mode, bool depthMode, double offset, double toolLength)
{
    if (!depthMode || mode == kModeTime)
        return WrapIndex(position);
    const double shift = mode == kModeUp ? offset : toolLength - offset;
    return WrapIndex((long long)(position + shift));
}

TrackPoint ValueToX(double value, double rangeLeft, double rangeRight, bool wrap, bool invert, int left, int right)
{
    TrackPoint point;
    // A track too narrow to hold a point between its edges draws none.
    if (std::isnan(value) || right - left < 2)
        return point;
    const double min = rangeLeft;
    const double max = rangeRight;
    const double span = max - min;
    if (wrap && span > 0.0 && std::isfinite(value)) {
        // Whole turns at once: a huge value must not loop turn by turn.
        if (value > max) {
            value -= std::ceil((value - max) / span) * span;
            point.wrapped = true;
        } else if (value < min) {
            value += std::ceil((min - value) / span) * span;
            point.wrapped = true;
        }
    } else if (value > max) {
        value = max;
    }
    const int width = right - left;
    double x = span == 0.0 ? 0.0 : std::round((value - min) * (width - 2) / span);
    if (invert)
        x = width - 2 - x;
    x += left + 1;
    point.x = int(std::clamp(x, double(left + 1), double(right - 1)));
    point.drawn = true;
    return point;
}

double LineDepth(double startDepth, long long rowsFromOrigin, double pixelsPerSample, bool upward)
{
    const double metres = double(rowsFromOrigin) * 0.01 / pixelsPerSample;
    return upward ? startDepth - metres : startDepth + metres;
}

std::vector<GridLine> DepthGrid(const ScaleState& scale, double startDepth, long long originRows, int oldestRow,
                                bool upward)
{
    std::vector<GridLine> lines;
    const double pps = scale.pixelsPerSample;
    const long long firstRow = originRows - oldestRow;
    const int divisions = scale.minorDivisions + 1;
    const double spacing = double(scale.majorSpacing) / divisions;
    for (long long k = (long long)std::ceil(firstRow / spacing);; ++k) {
        const long long p = (long long)std::llround(k * spacing);
        if (p > originRows)
            break;
        if (p < firstRow)
            continue;
        GridLine line;
        line.row = int(originRows - p);
        const long long place = ((k % divisions) + divisions) % divisions;
        line.major = place == 0;
        line.middle = place == divisions / 2;
        line.labelled = line.row > kLabelMargin && (line.major || (line.middle && scale.scale != 250));
        line.depth = LineDepth(startDepth, p, pps, upward);
        lines.push_back(line);
    }
    return lines;
}

std::string DepthLabel(double depth)
{
    char text[64];
    const double whole = std::round(depth);
    if (std::fabs(depth - whole) < kWholeTolerance)
        std::snprintf(text, sizeof text, " %lld ", (long long)whole);
    else
        std::snprintf(text, sizeof text, " %.2f ", depth);
    return text;
}

unsigned RefreshPeriod(int height)
{
    if (height <= 650)
        return 650;
    return unsigned(height * 1.25);
}

}  // namespace track
