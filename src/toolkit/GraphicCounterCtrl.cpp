#include "toolkit/GraphicCounterCtrl.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/Colors.h"
#include "platform/UiThread.h"

namespace {

// One pixel of sunken edge around the client area.
constexpr int kEdge = 1;

QImage NewSurface(QSize size, COLORREF background)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(ToQColor(background));
    return image;
}

}  // namespace

// The read-out's window: paints the off-screen image and reports its size and
// visibility to the control.
class CounterWidget : public QWidget {
public:
    CounterWidget(CGraphicCounterCtrl* owner, QWidget* parent) : QWidget(parent), m_owner(owner)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        m_owner->OnPaint(painter);
    }
    void resizeEvent(QResizeEvent*) override { m_owner->OnSize(width(), height()); }
    void showEvent(QShowEvent*) override { m_owner->m_visible = isVisible(); }
    void hideEvent(QHideEvent*) override { m_owner->m_visible = isVisible(); }

private:
    CGraphicCounterCtrl* m_owner;
};

CounterFont CounterFontFor(int clientHeight, double widthFactor)
{
    if (widthFactor == kCounterSmallFont)
        return {14, 5, FW_NORMAL, (14 - clientHeight) / 2};
    int height = int(clientHeight * 1.2);
    int width = int((height / 3) * widthFactor);
    return {height, width, FW_BOLD, (height - clientHeight) / 2};
}

int RefreshDelayForCode(int code)
{
    switch (code) {
    case 3: return 2000;
    case 4: return 1000;
    case 5: return 200;
    case 6: return 100;
    case 7: return 20;
    default: return code;
    }
}

double WidthFactorForCode(int code)
{
    switch (code) {
    case 0: return kCounterSmallFont;
    case 1: return 0.8;
    case 3: return 1.4;
    case 4: return 2.0;
    default: return 1.0;
    }
}

int BlinkPeriodForCode(int code)
{
    switch (code) {
    case 0: return 2000;
    case 1: return 1000;
    case 2: return 500;
    default: return code;
    }
}

CGraphicCounterCtrl::~CGraphicCounterCtrl()
{
    // The widget calls back into this object: it must not outlive it.
    delete m_hWnd.data();
}

BOOL CGraphicCounterCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    if (parent == nullptr || parent->GetSafeHwnd() == nullptr || m_hWnd)
        return FALSE;
    auto* widget = new CounterWidget(this, parent->GetSafeHwnd());
    SetControlId(widget, int(id));
    Attach(widget);
    // Client coordinates: below the parent's menu bar, when it has one.
    MoveWindow(rect);
    widget->setVisible((style & WS_VISIBLE) != 0);
    Draw();
    return TRUE;
}

void CGraphicCounterCtrl::SetValue(int value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%d", value);
    StoreText(text);
}

void CGraphicCounterCtrl::SetValue(double value, const char* format)
{
    if (!std::isfinite(value))
        value = 0.0;
    char text[256];
    std::snprintf(text, sizeof text, format, value);
    StoreText(text);
}

void CGraphicCounterCtrl::SetText(const char* text) { StoreText(text); }

void CGraphicCounterCtrl::StoreText(const char* text)
{
    if (!m_visible)
        return;
    {
        std::lock_guard lock(m_textMutex);
        m_text.assign(text, strnlen(text, 255));
    }
    m_refreshRequest = m_refreshDelay.load();
    PostRequests();
}

std::string CGraphicCounterCtrl::GetText() const
{
    std::lock_guard lock(m_textMutex);
    return m_text;
}

void CGraphicCounterCtrl::Refresh()
{
    m_refreshRequest = 20;
    PostRequests();
}

void CGraphicCounterCtrl::StartBlink(int code)
{
    m_blinkRequest = BlinkPeriodForCode(code);
    PostRequests();
}

void CGraphicCounterCtrl::StopBlink()
{
    m_blinkRequest = kStopRequest;
    PostRequests();
}

// Timers belong to the user-interface thread: other threads leave their
// requests and post one call that serves whatever is waiting by then.
void CGraphicCounterCtrl::PostRequests()
{
    if (IsUiThread()) {
        ServeRequests();
        return;
    }
    PostOnce(m_requestPosted, m_hWnd, [this] { ServeRequests(); });
}

void CGraphicCounterCtrl::ServeRequests()
{
    int blink = m_blinkRequest.exchange(kNoRequest);
    if (blink != kNoRequest)
        ApplyBlink(blink);
    int delay = m_refreshRequest.exchange(kNoRequest);
    if (delay != kNoRequest && m_refreshTimer == 0)
        m_refreshTimer = SetTimer(kRefreshTimer, UINT(std::max(delay, 0)));
}

void CGraphicCounterCtrl::ApplyBlink(int request)
{
    if (m_blinkTimer != 0) {
        KillTimer(m_blinkTimer);
        m_blinkTimer = 0;
    }
    if (request == kStopRequest) {
        m_blinking = false;
        // A read-out stopped in its blink phase would keep showing the alarm.
        if (m_blinkPhase.exchange(false))
            Draw();
        return;
    }
    m_blinking = true;
    m_blinkPeriod = request;
    m_blinkTimer = SetTimer(kBlinkTimer, UINT(std::max(request, 0)));
}

void CGraphicCounterCtrl::OnTimer(UINT_PTR id)
{
    if (id == kRefreshTimer) {
        KillTimer(id);
        m_refreshTimer = 0;
        Draw();
    } else if (id == kBlinkTimer) {
        KillTimer(id);
        m_blinkTimer = 0;
        if (m_blinking) {
            m_blinkPhase = !m_blinkPhase;
            Draw();
            m_blinkTimer = SetTimer(kBlinkTimer, UINT(std::max(m_blinkPeriod, 0)));
        }
    }
    CWnd::OnTimer(id);
}

QSize CGraphicCounterCtrl::ClientSize() const
{
    if (!m_hWnd)
        return QSize();
    return QSize(std::max(m_hWnd->width() - 2 * kEdge, 0), std::max(m_hWnd->height() - 2 * kEdge, 0));
}

void CGraphicCounterCtrl::Draw()
{
    if (!m_hWnd || IsIconic() || !IsWindowVisible())
        return;
    QSize size = ClientSize();
    if (size.isEmpty())
        return;
    if (m_image.isNull())
        m_image = NewSurface(size, m_bkColour);

    bool blinkPhase = m_blinkPhase;
    QPainter painter(&m_image);
    painter.fillRect(m_image.rect(), ToQColor(blinkPhase ? m_blinkBkColour : m_bkColour));
    painter.setPen(ToQColor(blinkPhase ? m_blinkTextColour : m_textColour));

    CounterFont metrics = CounterFontFor(size.height(), m_widthFactor);
    CFont font;
    font.CreateFont(metrics.height, metrics.width, metrics.weight, "Arial");
    QFont qfont = font.ToQFont();
    painter.setFont(qfont);

    std::string text = GetText();
    QString shown = QString::fromLatin1(text.data(), qsizetype(text.size()));
    int estimated = int(text.size()) * metrics.width;
    int right = size.width();
    int x = right;
    bool rightAligned = true;
    switch (m_alignment) {
    case 5: break;
    case 6: x = int(right - (right - estimated) * 0.5); break;
    case 7:
        x = 0;
        rightAligned = false;
        break;
    default: m_alignment = 5; break;
    }

    // Our face's cell is a little shorter than the nominal height: centre it
    // on the nominal cell, whose top is the offset above the client area.
    QFontMetrics fm(qfont);
    int cellTop = -metrics.offset + (metrics.height - fm.ascent() - fm.descent()) / 2;
    if (rightAligned)
        x -= fm.horizontalAdvance(shown);
    painter.drawText(x, cellTop + fm.ascent(), shown);
    painter.end();
    m_hWnd->update();
}

void CGraphicCounterCtrl::OnPaint(QPainter& painter)
{
    QRect all = m_hWnd->rect();
    QPalette palette = m_hWnd->palette();
    painter.setPen(palette.color(QPalette::Dark));
    painter.drawLine(all.topLeft(), all.topRight());
    painter.drawLine(all.topLeft(), all.bottomLeft());
    painter.setPen(palette.color(QPalette::Light));
    painter.drawLine(all.bottomLeft(), all.bottomRight());
    painter.drawLine(all.topRight(), all.bottomRight());
    if (m_image.isNull())
        painter.fillRect(all.adjusted(kEdge, kEdge, -kEdge, -kEdge), ToQColor(m_bkColour));
    else
        painter.drawImage(QPoint(kEdge, kEdge), m_image);
}

void CGraphicCounterCtrl::OnSize(int width, int height)
{
    if (width == 0 && height == 0)
        return;
    CWnd::OnSize(width, height);
    if (!m_image.isNull())
        m_image = NewSurface(ClientSize(), m_bkColour);
}
