#pragma once
// The curve tracks' plain arithmetic: scales, ring indices, depth grid and
// the mapping of a value onto a track. No window, no locking.
#include <string>
#include <vector>

namespace track {

constexpr int kRingSize = 15000;   // ring samples used in each array
constexpr int kArraySize = 16000;  // entries allocated per array
constexpr double kNullValue = -999.25;

constexpr int kModeTime = 10;
constexpr int kModeUp = 11;
constexpr int kModeDown = 12;

// What a display scale sets. One sample is 1 cm of depth.
struct ScaleState {
    double pixelsPerSample = 4.0;
    int majorSpacing = 400;  // pixel rows between two major depth lines
    int minorDivisions = 9;  // minor lines between two major lines
    int scale = 25;
};

// The state after selecting `scale`; an unknown scale only replaces the value.
ScaleState ApplyScale(ScaleState current, int scale);
// Display samples averaged into one drawn point: 2, 5 or 10 at the small
// scales, else 1.
int SamplesPerPoint(int scale);

// Any index brought into the ring 0..kRingSize-1 (several turns allowed).
int WrapIndex(long long index);
// Pixel rows counted along the log, as the tracks and their pages draw them:
// at 1/25 sample s fills rows 4s to 4s+3; at 1/1000 row r shows the mean of
// samples 10r-9 to 10r.
// The last row that shows sample `sample`.
long long SampleRow(long long sample, double pixelsPerSample);
// The sample drawn at row `row`: the last of the samples of its point.
long long RowSample(long long row, double pixelsPerSample);
// The y of `row` rows behind the newest; direction 0 puts the newest at the top of the data area.
int RowToY(int row, int direction, int top, int bottom);
// The ring index that a step writes for a curve at ring cursor `position`.
int WriteIndex(int position, int mode, bool depthMode, double offset, double toolLength);

// Where a value lands on a track [left, right].
struct TrackPoint {
    int x = 0;
    bool wrapped = false;  // brought into range by whole turns of the range
    bool drawn = false;    // false for a value that is not a number, or on a track without room
};
TrackPoint ValueToX(double value, double rangeLeft, double rangeRight, bool wrap, bool invert, int left,
                    int right);

// Depth of a grid line `rowsFromOrigin` rows from the log's origin.
double LineDepth(double startDepth, long long rowsFromOrigin, double pixelsPerSample, bool upward);

// One horizontal line of the depth grid.
struct GridLine {
    int row = 0;            // rows behind the newest
    bool major = false;     // every major spacing from the origin
    bool middle = false;    // the middle minor line of a major interval
    bool labelled = false;  // carries its depth in the scale columns
    double depth = 0.0;     // metres
};
// Labels closer to the newest row than this would be cut by the edge.
constexpr int kLabelMargin = 6;
// The grid lines from row `oldestRow` to the newest row, which lies
// `originRows` rows from the log's origin at `startDepth`. The major lines
// and, except at "1/200", the middle ones are labelled, each with its own depth.
std::vector<GridLine> DepthGrid(const ScaleState& scale, double startDepth, long long originRows, int oldestRow,
                                bool upward);
// " 12 " for a whole depth, else " 12.50 ".
std::string DepthLabel(double depth);

// Redraw period of a track window `height` pixels high, in milliseconds.
unsigned RefreshPeriod(int height);

}  // namespace track
