#include "platform/Placement.h"

#include <algorithm>

#include <QWidget>
#include <QtEndian>

#include "platform/Window.h"

namespace {

// The file image is little-endian whatever the host is.
LONG Le(LONG v) { return qFromLittleEndian<qint32>(v); }
DWORD Le(DWORD v) { return qFromLittleEndian<quint32>(v); }
LONG ToLe(LONG v) { return qToLittleEndian<qint32>(v); }
DWORD ToLe(DWORD v) { return qToLittleEndian<quint32>(v); }

QWidget* TopLevel(const CWnd& wnd)
{
    QWidget* widget = wnd.GetSafeHwnd();
    return widget ? widget->window() : nullptr;
}

// Width and height the window frame adds around the client area.
QSize FrameExtra(const QWidget* window)
{
    return window->frameGeometry().size() - window->size();
}

}  // namespace

BOOL SetWindowPlacement(CWnd& wnd, const WindowPlacement& placement)
{
    QWidget* window = TopLevel(wnd);
    const DWORD length = Le(placement.length);
    if (!window || length < 1 || length > 999)
        return FALSE;

    const RECT& rc = placement.rcNormalPosition;
    const QSize extra = FrameExtra(window);
    window->setWindowState(Qt::WindowNoState);
    window->move(Le(rc.left), Le(rc.top));
    window->resize(std::max(0, Le(rc.right) - Le(rc.left) - extra.width()),
                   std::max(0, Le(rc.bottom) - Le(rc.top) - extra.height()));
    const DWORD show = Le(placement.showCmd);
    if (show == SW_SHOWMAXIMIZED)
        window->setWindowState(Qt::WindowMaximized);
    else if (show == SW_SHOWMINIMIZED || show == SW_MINIMIZE)
        window->setWindowState(Qt::WindowMinimized);
    return TRUE;
}

WindowPlacement GetWindowPlacement(const CWnd& wnd)
{
    WindowPlacement placement;
    placement.length = ToLe(kPlacementLength);
    QWidget* window = TopLevel(wnd);
    if (!window)
        return placement;

    DWORD show = SW_SHOWNORMAL;
    if (window->isMinimized())
        show = SW_SHOWMINIMIZED;
    else if (window->isMaximized())
        show = SW_SHOWMAXIMIZED;
    placement.showCmd = ToLe(show);

    QRect normal = window->normalGeometry();
    if (show == SW_SHOWNORMAL || !normal.isValid())
        normal = window->geometry();
    const QSize extra = FrameExtra(window);
    const QPoint topLeft = show == SW_SHOWNORMAL ? window->frameGeometry().topLeft() : normal.topLeft();
    placement.rcNormalPosition = RECT{
        ToLe(LONG(topLeft.x())), ToLe(LONG(topLeft.y())),
        ToLe(LONG(topLeft.x() + normal.width() + extra.width())),
        ToLe(LONG(topLeft.y() + normal.height() + extra.height()))};
    return placement;
}
