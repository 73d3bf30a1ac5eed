#include "display/ScopeTrack.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/ToolRecord.h"
#include "display/PrintedPage.h"
#include "platform/UiThread.h"
#include "setup/Palette.h"

using namespace track;

namespace {

constexpr int kCurveTracks = 3;
constexpr int kScaleColumnWidth = 50;
constexpr int kNoTrack = 4;
constexpr int kLegendLine = 10;

constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kLightGrey = 0xB4B4B4;
constexpr COLORREF kDarkGrey = 0x787878;
constexpr COLORREF kRangeText = 0xC80000;
constexpr COLORREF kNameText = 0x640000;
constexpr int kPositiveDepthColour = 11;
constexpr int kNegativeDepthColour = 20;

constexpr unsigned kSettingsRedrawDelay = 200;
constexpr unsigned kDoubleClickDelay = 300;
constexpr unsigned kAutoPrintDelay = 10;
// Labels closer to the newest row than this would be cut by the edge.
constexpr int kLabelMargin = 6;

QColor ToQColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

QString ToQt(const std::string& text) { return QString::fromLatin1(text.data(), qsizetype(text.size())); }

QPen SolidPen(COLORREF c)
{
    QPen pen(ToQColor(c), 0, Qt::SolidLine);
    pen.setCosmetic(true);
    return pen;
}

QPen DottedPen(COLORREF c)
{
    QPen pen(ToQColor(c), 0, Qt::CustomDashLine);
    pen.setCosmetic(true);
    pen.setDashPattern({1.0, 1.0});
    return pen;
}

QFont TrackFont(int height)
{
    CFont font;
    font.CreateFont(height, FW_LIGHT, "Arial");
    // Crisp glyphs in the exact label colours, on screen as on paper.
    QFont qfont = font.ToQFont();
    qfont.setStyleStrategy(QFont::NoAntialias);
    return qfont;
}

// Text on an opaque background, as the tracks' labels are drawn.
void DrawText(QPainter& painter, int x, int y, Qt::Alignment align, const QString& text, COLORREF colour,
              COLORREF background)
{
    const QFontMetrics metrics = painter.fontMetrics();
    const int width = metrics.horizontalAdvance(text);
    int left = x;
    if (align & Qt::AlignHCenter)
        left = x - width / 2;
    else if (align & Qt::AlignRight)
        left = x - width;
    const QRect box(left, y, width, metrics.height());
    painter.fillRect(box, ToQColor(background));
    painter.setPen(ToQColor(colour));
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop, text);
}

}  // namespace

// What one drawing needs, copied under the lock so that the worker is held
// only for the copy.
struct CScopeTrack::Picture {
    struct Curve {
        COLORREF penColour = 0;
        int track = -1;
        int logicalCh = -1;
        bool visible = false;
        bool invertScale = false;
        bool wrap = false;
        int shading = 0;
        double rangeLeft = 0.0;
        double rangeRight = 0.0;
        unsigned count = 0;
        int filterWindow = 0;
        std::string name;
        std::string unit;
        double display[kRingSize];
        unsigned char noData[kRingSize];
    };
    int nCurves = 0;
    Curve curves[kMaxCurves];
    TrackLayout tracks[5];
    int legendHeight = 2;
    ScaleState scale;
    int mode = kModeTime;
    int direction = 1;
    bool dataStarted = false;
    double startDepth = 0.0;
    double runningCounter = 0.0;
};

class CScopeTrack::Widget : public QWidget {
public:
    Widget(CScopeTrack* owner, QWidget* parent) : QWidget(parent), m_owner(owner)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override { m_owner->Paint(this); }
    void resizeEvent(QResizeEvent*) override { m_owner->OnSize(width(), height()); }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton)
            m_owner->OnLButtonUp(POINT{event->position().toPoint().x(), event->position().toPoint().y()});
    }

private:
    CScopeTrack* m_owner;
};

CScopeTrack::CScopeTrack(int nCurves)
    : m_nCurves(std::clamp(nCurves, 0, kMaxCurves)),
      // Every step writes all six rings, whatever the number of curves shown.
      m_pChannels(new ChannelData[kMaxCurves]),
      m_pPicture(new Picture)
{
    for (int i = 0; i < kMaxCurves; ++i) {
        ChannelData& curve = m_pChannels[i];
        curve.colour = PaletteColour(i);
        curve.colourIndex = i;
        char name[32];
        std::snprintf(name, sizeof name, "Track %d", i);
        curve.name = name;
        std::fill(std::begin(curve.raw), std::end(curve.raw), -1.0);
        std::fill(std::begin(curve.display), std::end(curve.display), -1.0);
        std::fill(std::begin(curve.noData), std::end(curve.noData), 1);
    }
}

CScopeTrack::~CScopeTrack()
{
    // The widget calls back into this object: it goes first.
    delete m_hWnd.data();
}

BOOL CScopeTrack::Create(DWORD, const RECT& rect, CWnd* parent, UINT id)
{
    if (parent == nullptr || parent->GetSafeHwnd() == nullptr)
        return FALSE;
    m_pParent = parent;
    auto* widget = new Widget(this, parent->GetSafeHwnd());
    SetControlId(widget, int(id));
    Attach(widget);
    // Client coordinates: below the parent's menu bar, when it has one.
    MoveWindow(rect);
    widget->show();
    Draw(false);
    return TRUE;
}

void CScopeTrack::SetSampleInterval(int scale)
{
    std::lock_guard lock(m_mutex);
    m_scale = ApplyScale(m_scale, scale);
}

track::ScaleState CScopeTrack::Scale() const
{
    std::lock_guard lock(m_mutex);
    return m_scale;
}

void CScopeTrack::LoadChannelSettings(const ToolRecord& tool)
{
    {
        std::lock_guard lock(m_mutex);
        int onTrack[kCurveTracks] = {};
        for (int t = 0; t < kCurveTracks; ++t) {
            m_tracks[t].inUse = false;
            m_tracks[t].cols = tool.Cols[t];
        }
        for (int i = 0; i < m_nCurves; ++i) {
            const ChannelRecord& channel = tool.channels[i];
            ChannelData& curve = m_pChannels[i];
            const bool onCurveTrack = channel.DisplayTrack >= 0 && channel.DisplayTrack < kCurveTracks;
            curve.track = onCurveTrack ? channel.DisplayTrack : kNoTrack;
            curve.logicalCh = channel.LogicalCh;
            curve.colourIndex = channel.LineColour;
            curve.name = channel.Title;
            curve.unit = channel.Unit;
            curve.rangeLeft = channel.RangeLeft;
            curve.rangeRight = channel.RangeRight;
            curve.filterOn = channel.FilterFlag != 0;
            curve.invertScale = channel.InvertScale != 0;
            curve.filterWidth = channel.FilterWidth;
            curve.calibrate = channel.CalFlag != 0;
            std::copy(std::begin(channel.Coefficient), std::end(channel.Coefficient), curve.c);
            curve.wrap = channel.wraping != 0;
            curve.shading = channel.shading;
            curve.visible = channel.Visible != 0;
            if (curve.visible && onCurveTrack) {
                m_tracks[curve.track].inUse = true;
                ++onTrack[curve.track];
            }
        }
        m_nLegendHeight = *std::max_element(std::begin(onTrack), std::end(onTrack)) * kLegendLine + 2;
    }
    ArmRedraw(kSettingsRedrawDelay);
}

void CScopeTrack::ResetOrigin(double startDepth, double toolLength, int mode, int flag)
{
    std::lock_guard lock(m_mutex);
    if (mode == kModeTime) {
        m_bDepthMode = false;
        m_dToolLength = 0.0;
        m_dStartDepth = 0.0;
    } else {
        m_bDepthMode = true;
        m_dToolLength = toolLength;
        m_dStartDepth = startDepth;
        // Going down, the log starts where the sonde's top is.
        if (flag == 1 && mode == kModeDown)
            m_dStartDepth = startDepth - toolLength / 100.0;
    }
    m_dRunningCounter = 0.0;
    for (int i = 0; i < kMaxCurves; ++i) {
        m_pChannels[i].position = 0.0;
        m_pChannels[i].count = 0;
    }
}

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

int FilterWindow(const CScopeTrack::ChannelData& curve, int stepSize)
{
    if (!curve.filterOn)
        return 0;
    return std::clamp(curve.filterWidth * stepSize, 0, kRingSize);
}

}  // namespace

void CScopeTrack::AddSamples(const double (&values)[6], int mode, int n, const ToolRecord& tool)
{
    if (n <= 0)
        return;
    bool pageDue = false;
    {
        std::lock_guard lock(m_mutex);
        m_nStepSize = n;
        if (m_bAutoPrint) {
            // Counted in ring samples, so that a page of deep steps is as long as a page of fine ones.
            m_dSamplesSincePage += n;
            if (m_pChannels[0].count == 0)
                m_dSamplesSincePage = 0.0;
            // Due with the step that completes the page, not one step later, so that
            // consecutive pages keep their overlap.
            if (page::PageDue(m_scale.pixelsPerSample, m_dSamplesSincePage)) {
                m_dPageCount += 1.0;
                m_dPageSamples = m_dSamplesSincePage;
                m_dSamplesSincePage = 0.0;
                pageDue = true;
            }
        }
        m_nMode = mode;
        if (mode == kModeUp) {
            m_dRunningCounter += n;
            m_nDirection = 0;
        } else {
            m_dRunningCounter -= n;
            m_nDirection = 1;
        }
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
    }
    if (pageDue)
        ArmAutoPrint();
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
            curve.unit = "-";
            curve.visible = false;
        }
        m_bDataStarted = false;
    }
    ArmRedraw(kSettingsRedrawDelay);
}

void CScopeTrack::StartRefreshTimer()
{
    ArmRedraw(RefreshPeriod(m_nClientHeight));
}

// Arms timer 404 unless armed. From a worker thread the request is carried to
// the user-interface thread, with at most one request waiting.
void CScopeTrack::ArmRedraw(unsigned milliseconds)
{
    if (m_nRedrawTimer != 0 || !m_hWnd)
        return;
    auto arm = [this, milliseconds] {
        if (m_nRedrawTimer == 0)
            m_nRedrawTimer = SetTimer(kRedrawTimer, milliseconds);
    };
    if (IsUiThread()) {
        arm();
        return;
    }
    PostOnce(m_bRedrawRequestPending, m_hWnd, arm);
}

void CScopeTrack::ArmAutoPrint()
{
    PostOnce(m_bAutoPrintRequestPending, m_hWnd, [this] { SetTimer(kAutoPrintTimer, kAutoPrintDelay); });
}

void CScopeTrack::OnTimer(UINT_PTR id)
{
    KillTimer(id);
    switch (id) {
    case kRedrawTimer:
        m_nRedrawTimer = 0;
        Draw(false);
        break;
    case kDoubleClickTimer: m_nDoubleClickTimer = 0; break;
    case kAutoPrintTimer: Print(false); break;
    default: break;
    }
}

void CScopeTrack::OnLButtonUp(POINT point)
{
    if (m_nDoubleClickTimer == 0) {
        m_nDoubleClickTimer = SetTimer(kDoubleClickTimer, kDoubleClickDelay);
        return;
    }
    KillTimer(kDoubleClickTimer);
    m_nDoubleClickTimer = 0;
    if (point.y < LegendHeight() && m_pParent != nullptr)
        m_pParent->OnCommand(kDisplayOptionsCommand, 0);
}

void CScopeTrack::LayOut(int width, int height, TrackLayout (&layout)[5]) const
{
    const int trackWidth = (width - 2 * kScaleColumnWidth) / 3;
    // Tracks 0, A, 1, B, 2 from the left; entries 3 and 4 are the scale columns.
    const int order[5] = {0, 3, 1, 4, 2};
    int left = 0;
    for (int entry : order) {
        const int w = entry < kCurveTracks ? trackWidth : kScaleColumnWidth;
        layout[entry].left = left;
        layout[entry].right = left + w;
        layout[entry].top = 0;
        layout[entry].bottom = height;
        left += w;
    }
}

void CScopeTrack::OnSize(int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    {
        std::lock_guard lock(m_mutex);
        LayOut(width, height, m_tracks);
    }
    m_nClientHeight = height;
    m_image = QImage(width, height, QImage::Format_RGB32);
    Draw(false);
}

bool CScopeTrack::MainWindowMinimised() const
{
    return m_hWnd && m_hWnd->window()->isMinimized();
}

void CScopeTrack::TakePicture(Picture& picture) const
{
    std::lock_guard lock(m_mutex);
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
        to.count = from.count;
        to.filterWindow = FilterWindow(from, m_nStepSize);
        to.name = from.name;
        to.unit = from.unit;
        std::memcpy(to.display, from.display, sizeof to.display);
        std::memcpy(to.noData, from.noData, sizeof to.noData);
    }
}

void CScopeTrack::Draw(bool forPrint)
{
    // A page printed while the window is minimised still shows its curves.
    if (!forPrint && MainWindowMinimised())
        return;
    Picture& picture = *m_pPicture;
    TakePicture(picture);
    if (forPrint) {
        int height;
        {
            std::lock_guard lock(m_mutex);
            height = int(m_dPageSamples * m_scale.pixelsPerSample);
        }
        if (height <= 0)
            return;
        m_printImage = QImage(page::kCanvasWidth, height, QImage::Format_RGB32);
        Render(picture, m_printImage, true);
        return;
    }
    if (m_image.isNull())
        return;
    Render(picture, m_image, false);
    if (m_hWnd)
        m_hWnd->update();
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

// Row 0 is the newest; direction 0 puts it at the top of the data area.
int RowToY(int row, int direction, int top, int bottom) { return direction == 0 ? top + row : bottom - 1 - row; }

}  // namespace

void CScopeTrack::Render(const Picture& picture, QImage& image, bool forPrint) const
{
    const int width = image.width();
    const int height = image.height();
    TrackLayout tracks[5];
    std::copy(std::begin(picture.tracks), std::end(picture.tracks), tracks);
    LayOut(width, height, tracks);
    const ScaleState& scale = picture.scale;
    const double pps = scale.pixelsPerSample;
    const int legendHeight = picture.legendHeight;
    const int dataTop = legendHeight;
    const int dataBottom = height;

    QPainter painter(&image);
    painter.fillRect(image.rect(), ToQColor(kWhite));

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

    // The visible window of samples.
    long long newest = 0;
    int widestWindow = 0;
    for (int i = 0; i < picture.nCurves; ++i) {
        newest = std::max<long long>(newest, picture.curves[i].count);
        widestWindow = std::max(widestWindow, picture.curves[i].filterWindow);
    }
    if (picture.mode == kModeTime)
        newest = std::max<long long>(0, newest - (widestWindow - 1) / 2);
    const int rows = std::max(0, dataBottom - dataTop);
    // Never more than one turn of the ring.
    const long long shownSamples = std::min<long long>({(long long)(rows / pps), newest, kRingSize - 1});
    const int oldestRow = int(std::min<double>(rows, shownSamples * pps)) - 1;
    const int newestIndex = WrapIndex(newest);
    const int direction = picture.direction;

    // Column grid.
    for (int t = 0; t < kCurveTracks; ++t) {
        const TrackLayout& track = tracks[t];
        if (!track.inUse || track.cols <= 1)
            continue;
        const int step = (track.right - track.left) / track.cols;
        for (int k = 1; k < track.cols; ++k) {
            painter.setPen(SolidPen(k == track.cols / 2 ? kDarkGrey : kLightGrey));
            const int x = track.left + k * step;
            painter.drawLine(x, track.top, x, track.bottom);
        }
    }

    // Depth grid and labels.
    painter.setFont(TrackFont(14));
    if (picture.mode != kModeTime && oldestRow >= 0) {
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

    // Curves.
    const int perPoint = SamplesPerPoint(scale.scale);
    if (picture.dataStarted && oldestRow >= 0) {
        for (int slot = 0; slot < picture.nCurves; ++slot) {
            const Picture::Curve& curve = picture.curves[order[slot]];
            if (!curve.visible || curve.track < 0 || curve.track >= kCurveTracks)
                continue;
            const TrackLayout& track = tracks[curve.track];
            const QPen solid = SolidPen(curve.penColour);
            const QColor solidColour = ToQColor(curve.penColour);
            const QPen dotted = DottedPen(curve.penColour);
            const QPen dottedWhite = DottedPen(kWhite);
            const QPen* current = nullptr;
            const int anchor = curve.shading == 2 ? track.right - 1 : track.left + 1;
            bool havePrevious = false;
            QPoint previous;
            for (int row = oldestRow; row >= 0; --row) {
                int index = RowToRingIndex(newestIndex, row, pps);
                index -= index % perPoint;
                if (curve.noData[index]) {
                    havePrevious = false;
                    continue;
                }
                double value = curve.display[index];
                if (perPoint > 1) {
                    // The mean of the samples of this point that hold data.
                    int used = 0;
                    double sum = 0.0;
                    for (int j = 0; j < perPoint; ++j) {
                        const int at = WrapIndex((long long)index - j);
                        if (!curve.noData[at]) {
                            sum += curve.display[at];
                            ++used;
                        }
                    }
                    value = sum / used;
                }
                const TrackPoint point = ValueToX(value, curve.rangeLeft, curve.rangeRight, curve.wrap,
                                                  curve.invertScale, track.left, track.right);
                if (!point.drawn) {
                    havePrevious = false;
                    continue;
                }
                const QPen* pen = &solid;
                if (point.wrapped)
                    pen = (scale.scale >= 500 || (row & 4) == 0) ? &dotted : &dottedWhite;
                if (pen != current) {
                    painter.setPen(*pen);
                    current = pen;
                }
                const int y = RowToY(row, direction, dataTop, dataBottom);
                const QPoint here(point.x + 2, y);
                const bool ends = row == oldestRow || row == 0;
                if (curve.shading == 0) {
                    if (havePrevious && !ends)
                        painter.drawLine(previous, here);
                    previous = havePrevious && !ends ? here : QPoint(point.x, y);
                    havePrevious = true;
                } else if (!ends) {
                    if (pen == &solid) {
                        // A one-row fill: the same pixels as the line, far cheaper.
                        const int from = std::min(anchor, here.x());
                        painter.fillRect(from, y, std::abs(here.x() - anchor) + 1, 1, solidColour);
                    } else {
                        painter.drawLine(anchor, y, here.x(), y);
                    }
                }
            }
        }
    }

    // Legend.
    painter.fillRect(QRect(0, 0, width, legendHeight), ToQColor(kLegendBackground));
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

    // Frames.
    painter.setPen(SolidPen(forPrint ? 0x000000 : kLightGrey));
    painter.drawLine(0, legendHeight - 1, width - 1, legendHeight - 1);
    painter.setPen(SolidPen(0x000000));
    for (int entry : {0, 3, 1, 4})
        painter.drawLine(tracks[entry].right, 0, tracks[entry].right, height - 1);
}

int CScopeTrack::LegendHeight() const
{
    std::lock_guard lock(m_mutex);
    return m_nLegendHeight;
}

CScopeTrack::TrackLayout CScopeTrack::Layout(int entry) const
{
    std::lock_guard lock(m_mutex);
    return entry >= 0 && entry < 5 ? m_tracks[entry] : TrackLayout{};
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
