#include "display/ScopeTrack.h"

#include <QMouseEvent>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/Palette.h"
#include "core/ToolRecord.h"
#include "display/ScopeTrackPicture.h"
#include "platform/UiThread.h"

using namespace track;

namespace {

constexpr int kScaleColumnWidth = 50;
constexpr int kNoTrack = 4;

constexpr unsigned kDoubleClickDelay = 300;
constexpr unsigned kAutoPrintDelay = 10;

}  // namespace

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
    Draw();
    return TRUE;
}

void CScopeTrack::SetSampleInterval(int scale)
{
    std::lock_guard lock(m_mutex);
    const ScaleState next = ApplyScale(m_scale, scale);
    // The next page starts at the same sample on the rows of another scale.
    if (next.pixelsPerSample != m_scale.pixelsPerSample)
        m_nPageStart = SampleRow(RowSample(m_nPageStart - 1, m_scale.pixelsPerSample), next.pixelsPerSample) + 1;
    m_scale = next;
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
    m_bFirstStepAtOrigin = flag == 0;
    m_dRunningCounter = 0.0;
    for (int i = 0; i < kMaxCurves; ++i) {
        m_pChannels[i].position = 0.0;
        m_pChannels[i].count = 0;
    }
    RestartPages();
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
        Draw();
        break;
    case kDoubleClickTimer: m_nDoubleClickTimer = 0; break;
    case kAutoPrintTimer: PrintDuePages(); break;
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
    Draw();
}

bool CScopeTrack::MainWindowMinimised() const
{
    return m_hWnd && m_hWnd->window()->isMinimized();
}

double CScopeTrack::NewestDepth() const
{
    std::lock_guard lock(m_mutex);
    const double metres = std::fabs(m_dRunningCounter) * 0.01;
    return m_nMode == kModeUp ? m_dStartDepth - metres : m_dStartDepth + metres;
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
