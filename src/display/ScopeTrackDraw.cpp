// Drawing of the curve tracks into the off-screen picture, for the screen and for print.
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <mutex>

#include "core/Palette.h"
#include "display/PrintedPage.h"
#include "display/ScopeTrack.h"
#include "display/ScopeTrackPicture.h"
#include "display/TrackPainting.h"

using namespace track;

namespace {

constexpr COLORREF kRangeText = 0xC80000;
constexpr COLORREF kNameText = 0x640000;

// `kept` ring entries from `first` on, across the ring's end.
template <typename T>
void CopyRing(const T* ring, int first, int kept, std::vector<T>& to)
{
    to.resize(size_t(kept));
    const int head = std::min(kept, kRingSize - first);
    std::copy(ring + first, ring + first + head, to.begin());
    std::copy(ring, ring + (kept - head), to.begin() + head);
}

}  // namespace

void CScopeTrack::TakePicture(Picture& picture, int rows) const
{
    std::lock_guard lock(m_mutex);
    CopyPicture(picture, NewestRow(), rows);
}

long long CScopeTrack::NewestSample() const
{
    long long newest = 0;
    int widestWindow = 0;
    for (int i = 0; i < m_nCurves; ++i) {
        newest = std::max<long long>(newest, m_pChannels[i].count);
        widestWindow = std::max(widestWindow, FilterWindow(m_pChannels[i], m_nStepSize));
    }
    // In time the filter has not yet placed the newest samples.
    if (m_nMode == kModeTime)
        newest = std::max<long long>(0, newest - (widestWindow - 1) / 2);
    return newest;
}

long long CScopeTrack::NewestRow() const { return SampleRow(NewestSample(), m_scale.pixelsPerSample); }

void CScopeTrack::CopyPicture(Picture& picture, long long newestRow, int rows) const
{
    const double pps = m_scale.pixelsPerSample;
    // The samples of `rows` rows, one point more for the means of the small scales.
    const int kept = int(std::min<double>(kRingSize, std::ceil((rows + 1) / pps) + 1));
    picture.firstIndex = WrapIndex(RowSample(newestRow, pps) - kept + 1);
    picture.kept = kept;
    picture.newestSample = NewestSample();
    picture.newestRow = newestRow;
    picture.nCurves = m_nCurves;
    std::copy(std::begin(m_tracks), std::end(m_tracks), picture.tracks);
    picture.legendHeight = m_nLegendHeight;
    picture.scale = m_scale;
    picture.mode = m_nMode;
    picture.direction = m_nDirection;
    picture.dataStarted = m_bDataStarted;
    picture.startDepth = m_dStartDepth;
    picture.runningCounter = m_dRunningCounter;
    for (int i = 0; i < m_nCurves; ++i) {
        const ChannelData& from = m_pChannels[i];
        Picture::Curve& to = picture.curves[i];
        // Pens take the chosen colour once data flows.
        to.penColour = m_bDataStarted ? PaletteColour(from.colourIndex) : from.colour;
        to.track = from.track;
        to.logicalCh = from.logicalCh;
        to.visible = from.visible;
        to.invertScale = from.invertScale;
        to.wrap = from.wrap;
        to.shading = from.shading;
        to.rangeLeft = from.rangeLeft;
        to.rangeRight = from.rangeRight;
        to.name = from.name;
        to.unit = from.unit;
        CopyRing(from.display, picture.firstIndex, kept, to.display);
        CopyRing(from.noData, picture.firstIndex, kept, to.noData);
    }
}

void CScopeTrack::Draw()
{
    if (MainWindowMinimised() || m_image.isNull())
        return;
    Picture& picture = *m_pPicture;
    TakePicture(picture, m_image.height());
    m_labels.clear();
    Render(picture, m_image, false, m_labels);
    if (m_hWnd)
        m_hWnd->update();
}

void CScopeTrack::RenderPage(const Picture& picture, int rows)
{
    m_printImage = QImage(page::kCanvasWidth, picture.legendHeight + rows, QImage::Format_RGB32);
    m_printLabels.clear();
    Render(picture, m_printImage, true, m_printLabels);
}

void CScopeTrack::Paint(QWidget* target)
{
    QPainter painter(target);
    if (m_image.isNull())
        painter.fillRect(target->rect(), Qt::white);
    else
        painter.drawImage(0, 0, m_image);
}

namespace {

// The pens of one curve: solid, and dotted where a value wrapped.
struct CurvePens {
    explicit CurvePens(COLORREF colour)
        : solid(SolidPen(colour)), solidColour(ToQColor(colour)), dotted(DottedPen(colour)), dottedWhite(DottedPen(kWhite))
    {
    }
    // A wrapped point alternates dotted and white every four rows, except at the
    // small scales where rows are too few.
    const QPen* For(bool wrapped, int scale, long long row) const
    {
        if (!wrapped)
            return &solid;
        return (scale >= 500 || (row & 4) == 0) ? &dotted : &dottedWhite;
    }
    QPen solid;
    QColor solidColour;
    QPen dotted;
    QPen dottedWhite;
};

void DrawColumnGrid(QPainter& painter, const CScopeTrack::TrackLayout (&tracks)[5])
{
    for (int t = 0; t < CScopeTrack::kCurveTracks; ++t) {
        const CScopeTrack::TrackLayout& track = tracks[t];
        if (!track.inUse || track.cols <= 1)
            continue;
        const int step = (track.right - track.left) / track.cols;
        for (int k = 1; k < track.cols; ++k) {
            painter.setPen(SolidPen(k == track.cols / 2 ? kDarkGrey : kLightGrey));
            const int x = track.left + k * step;
            painter.drawLine(x, track.top, x, track.bottom);
        }
    }
}

void DrawFrames(QPainter& painter, const CScopeTrack::TrackLayout (&tracks)[5], int width, int height,
                int legendHeight, bool forPrint)
{
    painter.setPen(SolidPen(forPrint ? 0x000000 : kLightGrey));
    painter.drawLine(0, legendHeight - 1, width - 1, legendHeight - 1);
    painter.setPen(SolidPen(0x000000));
    for (int entry : {0, 3, 1, 4})
        painter.drawLine(tracks[entry].right, 0, tracks[entry].right, height - 1);
}

}  // namespace

void CScopeTrack::Render(const Picture& picture, QImage& image, bool forPrint, std::vector<DepthMark>& labels) const
{
    const int width = image.width();
    const int height = image.height();
    TrackLayout tracks[5];
    std::copy(std::begin(picture.tracks), std::end(picture.tracks), tracks);
    LayOut(width, height, tracks);
    const Rows rows = ShownRows(picture, picture.legendHeight, height);

    QPainter painter(&image);
    painter.fillRect(image.rect(), ToQColor(kWhite));
    DrawColumnGrid(painter, tracks);
    painter.setFont(TrackFont(14));
    if (picture.mode != kModeTime && rows.oldest >= 0)
        DrawDepthGrid(painter, picture, tracks, rows.oldest, width, rows.top, rows.bottom, labels);
    if (picture.dataStarted && rows.oldest >= 0)
        DrawCurves(painter, picture, tracks, rows);
    DrawLegend(painter, picture, tracks, width);
    DrawFrames(painter, tracks, width, height, picture.legendHeight, forPrint);
}

CScopeTrack::Rows CScopeTrack::ShownRows(const Picture& picture, int top, int bottom)
{
    const double pps = picture.scale.pixelsPerSample;
    const long long logged = picture.newestRow - SampleRow(0, pps);
    // Never more than one turn of the ring.
    const long long ring = (long long)((kRingSize - 1) * pps);
    const long long rows = std::min<long long>({std::max(0, bottom - top), logged, ring});
    return Rows{top, bottom, int(rows) - 1, picture.newestRow};
}

double CScopeTrack::PointValue(const Picture& picture, int c, int index, int perPoint)
{
    const Picture::Curve& curve = picture.curves[c];
    if (perPoint <= 1)
        return picture.Display(curve, index);
    int used = 0;
    double sum = 0.0;
    for (int j = 0; j < perPoint; ++j) {
        const int at = WrapIndex((long long)index - j);
        if (!picture.NoData(curve, at)) {
            sum += picture.Display(curve, at);
            ++used;
        }
    }
    return sum / used;
}

void CScopeTrack::DrawCurves(QPainter& painter, const Picture& picture, const TrackLayout (&tracks)[5],
                             const Rows& rows)
{
    // Drawing order: by track, then from the last place in the track to the first.
    int order[kMaxCurves] = {0, 1, 2, 3, 4, 5};
    int listed = 0;
    for (int t = 0; t < kCurveTracks; ++t) {
        for (int place = 6; place >= 1; --place) {
            for (int i = 0; i < picture.nCurves && listed < picture.nCurves; ++i) {
                if (picture.curves[i].track == t && picture.curves[i].logicalCh == place)
                    order[listed++] = i;
            }
        }
    }
    for (int slot = 0; slot < picture.nCurves; ++slot) {
        const int track = picture.curves[order[slot]].track;
        if (picture.curves[order[slot]].visible && track >= 0 && track < kCurveTracks)
            DrawCurve(painter, picture, order[slot], tracks[track], rows);
    }
}

void CScopeTrack::DrawCurve(QPainter& painter, const Picture& picture, int c, const TrackLayout& track,
                            const Rows& rows)
{
    const Picture::Curve& curve = picture.curves[c];
    const double pps = picture.scale.pixelsPerSample;
    const int perPoint = SamplesPerPoint(picture.scale.scale);
    const CurvePens pens(curve.penColour);
    const QPen* current = nullptr;
    const int anchor = curve.shading == 2 ? track.right - 1 : track.left + 1;
    bool havePrevious = false;
    QPoint previous;
    for (int row = rows.oldest; row >= 0; --row) {
        const long long logRow = rows.newestRow - row;
        const int index = WrapIndex(RowSample(logRow, pps));
        const TrackPoint point =
            picture.NoData(curve, index)
                ? TrackPoint{}
                : ValueToX(PointValue(picture, c, index, perPoint), curve.rangeLeft, curve.rangeRight, curve.wrap,
                           curve.invertScale, track.left, track.right);
        if (!point.drawn) {
            havePrevious = false;
            continue;
        }
        // Counted along the log, so that a page and the next dash the same rows alike.
        const QPen* pen = pens.For(point.wrapped, picture.scale.scale, logRow);
        if (pen != current) {
            painter.setPen(*pen);
            current = pen;
        }
        const int y = RowToY(row, picture.direction, rows.top, rows.bottom);
        const QPoint here(point.x + 2, y);
        const bool ends = row == rows.oldest || row == 0;
        if (curve.shading == 0) {
            if (havePrevious && !ends)
                painter.drawLine(previous, here);
            previous = havePrevious && !ends ? here : QPoint(point.x, y);
            havePrevious = true;
        } else if (!ends && pen == &pens.solid) {
            // A one-row fill: the same pixels as the line, far cheaper.
            painter.fillRect(std::min(anchor, here.x()), y, std::abs(here.x() - anchor) + 1, 1, pens.solidColour);
        } else if (!ends) {
            painter.drawLine(anchor, y, here.x(), y);
        }
    }
}

void CScopeTrack::DrawLegend(QPainter& painter, const Picture& picture, const TrackLayout (&tracks)[5], int width)
{
    painter.fillRect(QRect(0, 0, width, picture.legendHeight), ToQColor(kLegendBackground));
    painter.setFont(TrackFont(12));
    int onTrack[kCurveTracks] = {};
    for (int i = 0; i < picture.nCurves; ++i) {
        const Picture::Curve& curve = picture.curves[i];
        if (!curve.visible || curve.track < 0 || curve.track >= kCurveTracks)
            continue;
        const TrackLayout& track = tracks[curve.track];
        const int line = onTrack[curve.track]++ * kLegendLine + 1;
        painter.setPen(SolidPen(curve.penColour));
        painter.drawLine(track.left, line + 5, track.right - 1, line + 5);
        const QString left = QString::number(int(curve.rangeLeft));
        const QString right = QString::number(int(curve.rangeRight));
        const QString name = ToQt(curve.name + " : " + curve.unit);
        DrawText(painter, (track.left + track.right) / 2, line, Qt::AlignHCenter, name, kNameText, kLegendBackground);
        const QString& atLeft = curve.invertScale ? right : left;
        const QString& atRight = curve.invertScale ? left : right;
        DrawText(painter, track.left + 3, line, Qt::AlignLeft, atLeft, kRangeText, kLegendBackground);
        DrawText(painter, track.right - 3, line, Qt::AlignRight, atRight, kRangeText, kLegendBackground);
    }
}
