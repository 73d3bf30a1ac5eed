#include "toolkit/ResizableGrip.h"

#include <QEvent>
#include <QPolygon>
#include <QRegion>
#include <QStyle>

#include "platform/Window.h"

CResizableGrip::CSizeGrip::CSizeGrip(QWidget* parent) : QSizeGrip(parent) { UpdateSize(); }

void CResizableGrip::CSizeGrip::UpdateSize()
{
    // The platform's grip is a vertical scroll bar's width by a horizontal one's height.
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    m_size = QSize(extent, extent);
    resize(m_size);
    SetTriangularShape(m_bTriangular);
}

void CResizableGrip::CSizeGrip::SetTriangularShape(bool enable)
{
    m_bTriangular = enable;
    if (!enable) {
        clearMask();
        return;
    }
    const int w = m_size.width();
    const int h = m_size.height();
    // Bottom-left, top-right, bottom-right.
    setMask(QRegion(QPolygon({QPoint(0, h), QPoint(w, 0), QPoint(w, h)}), Qt::WindingFill));
}

void CResizableGrip::CSizeGrip::changeEvent(QEvent* event)
{
    QSizeGrip::changeEvent(event);
    if (event->type() != QEvent::StyleChange)
        return;
    const QPoint bottomRight = pos() + QPoint(width(), height());
    UpdateSize();
    move(bottomRight - QPoint(m_size.width(), m_size.height()));
}

CResizableGrip::~CResizableGrip() = default;

BOOL CResizableGrip::CreateSizeGrip(BOOL visible, BOOL triangular)
{
    QWidget* host = GetResizableWnd()->GetSafeHwnd();
    if (host == nullptr)
        return FALSE;
    m_wndGrip = new CSizeGrip(host);
    m_wndGrip->m_nShowCount = visible ? 1 : 0;
    m_wndGrip->SetTriangularShape(triangular);
    UpdateSizeGrip();
    return TRUE;
}

void CResizableGrip::UpdateSizeGrip()
{
    if (!m_wndGrip)
        return;
    // The window's own corner, below whatever bar tops its client area.
    const QWidget* host = GetResizableWnd()->GetSafeHwnd();
    m_wndGrip->move(host->width() - m_wndGrip->m_size.width(), host->height() - m_wndGrip->m_size.height());
    m_wndGrip->raise();
    m_wndGrip->setVisible(m_wndGrip->m_nShowCount > 0);
}

BOOL CResizableGrip::IsSizeGripVisible() const { return m_wndGrip && m_wndGrip->m_nShowCount > 0; }

void CResizableGrip::ShowSizeGrip(DWORD* status, DWORD mask)
{
    if (*status & mask)
        return;
    *status |= mask;
    if (m_wndGrip)
        ++m_wndGrip->m_nShowCount;
}

void CResizableGrip::HideSizeGrip(DWORD* status, DWORD mask)
{
    if (!(*status & mask))
        return;
    *status &= ~mask;
    if (m_wndGrip)
        --m_wndGrip->m_nShowCount;
}
