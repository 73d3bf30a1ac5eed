// The depth grid of the curve tracks and its labels.
#include <QPainter>
#include <cmath>

#include "core/Palette.h"
#include "display/ScopeTrack.h"
#include "display/ScopeTrackPicture.h"
#include "display/TrackPainting.h"

using namespace track;

namespace {

constexpr int kPositiveDepthColour = 11;
constexpr int kNegativeDepthColour = 20;

}  // namespace

void CScopeTrack::DrawDepthGrid(QPainter& painter, const Picture& picture, const TrackLayout (&tracks)[5],
                                int oldestRow, int width, int dataTop, int dataBottom,
                                std::vector<DepthMark>& labels) const
{
    const double pps = picture.scale.pixelsPerSample;
    // A page ending before the newest row ends its grid as far before.
    const long long behind = SampleRow(picture.newestSample, pps) - picture.newestRow;
    const long long originRows = (long long)(std::fabs(picture.runningCounter) * pps) - behind;
    const bool upward = picture.mode == kModeUp;
    for (const GridLine& line : DepthGrid(picture.scale, picture.startDepth, originRows, oldestRow, upward)) {
        const int y = RowToY(line.row, picture.direction, dataTop, dataBottom);
        painter.setPen(line.major    ? SolidPen(kDarkGrey)
                       : line.middle ? SolidPen(kLightGrey)
                                     : DottedPen(kLightGrey));
        painter.drawLine(0, y, width - 1, y);
        if (!line.labelled)
            continue;
        const std::string text = DepthLabel(line.depth);
        const COLORREF colour = PaletteColour(line.depth >= 0.0 ? kPositiveDepthColour : kNegativeDepthColour);
        for (int column = 3; column <= 4; ++column) {
            const int centre = (tracks[column].left + tracks[column].right) / 2;
            DrawText(painter, centre, y - 6, Qt::AlignHCenter, ToQt(text), colour, kWhite);
        }
        labels.push_back(DepthMark{line.row, y, line.depth, text});
    }
}
