// The depth grid of the curve tracks and its labels.
#include <QPainter>
#include <cmath>

#include "display/ScopeTrack.h"
#include "display/ScopeTrackPicture.h"
#include "display/TrackPainting.h"
#include "setup/Palette.h"

using namespace track;

namespace {

constexpr int kPositiveDepthColour = 11;
constexpr int kNegativeDepthColour = 20;
// Labels closer to the newest row than this would be cut by the edge.
constexpr int kLabelMargin = 6;

}  // namespace

void CScopeTrack::DrawDepthGrid(QPainter& painter, const Picture& picture, const TrackLayout (&tracks)[5],
                                int oldestRow, int width, int dataTop, int dataBottom) const
{
    const ScaleState& scale = picture.scale;
    const double pps = scale.pixelsPerSample;
    const int direction = picture.direction;
    const bool upward = picture.mode == kModeUp;
    const long long originRows = (long long)(std::fabs(picture.runningCounter) * pps);
    const long long firstRow = originRows - oldestRow;
    const int divisions = scale.minorDivisions + 1;
    const double spacing = double(scale.majorSpacing) / divisions;
    for (long long k = (long long)std::ceil(firstRow / spacing); ; ++k) {
        const long long p = (long long)std::llround(k * spacing);
        if (p > originRows)
            break;
        if (p < firstRow)
            continue;
        const int row = int(originRows - p);
        const int y = RowToY(row, direction, dataTop, dataBottom);
        const long long place = ((k % divisions) + divisions) % divisions;
        const bool major = place == 0;
        const bool middle = place == divisions / 2;
        painter.setPen(major ? SolidPen(kDarkGrey) : middle ? SolidPen(kLightGrey) : DottedPen(kLightGrey));
        painter.drawLine(0, y, width - 1, y);
        if (row <= kLabelMargin || !(major || (middle && scale.scale != 250)))
            continue;
        const double depth = LineDepth(picture.startDepth, p, pps, upward);
        double label = depth;
        if (middle) {
            const long long majorRow = (long long)std::llround((k - place) * spacing);
            label = MiddleLabelDepth(scale.scale, depth, LineDepth(picture.startDepth, majorRow, pps, upward));
        }
        const QString text = ToQt(DepthLabel(label));
        const COLORREF colour = PaletteColour(label >= 0.0 ? kPositiveDepthColour : kNegativeDepthColour);
        for (int column = 3; column <= 4; ++column) {
            const int centre = (tracks[column].left + tracks[column].right) / 2;
            DrawText(painter, centre, y - 6, Qt::AlignHCenter, text, colour, kWhite);
        }
    }
}
