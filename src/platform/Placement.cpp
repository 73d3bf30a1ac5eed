#include "platform/Placement.h"

#include <algorithm>

#include <QEvent>
#include <QMargins>
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

// What the window frame adds around the client area; none until the window
// has been shown and framed.
QMargins FrameMargins(const QWidget* window)
{
    const QRect frame = window->frameGeometry();
    const QRect client = window->geometry();
    return {client.left() - frame.left(), client.top() - frame.top(),
            frame.right() - client.right(), frame.bottom() - client.bottom()};
}

QSize ClientSize(QSize outer, const QMargins& frame)
{
    return {std::max(0, outer.width() - frame.left() - frame.right()),
            std::max(0, outer.height() - frame.top() - frame.bottom())};
}

// A placement applied before the window is framed takes its outer size for
// the client size; once the frame is known and the window is in its normal
// state, this puts it where it was placed with the client's share of the
// size. Until then the placed rectangle stands for the window's normal one.
class FrameCorrection : public QObject {
public:
    // `applied` is the size the window took from the placement: a window of
    // fixed size keeps its own.
    FrameCorrection(QWidget* window, const QRect& outer, QSize applied)
        : QObject(window), m_window(window), m_outer(outer), m_applied(applied)
    {
        window->installEventFilter(this);
    }

    const QRect& Outer() const { return m_outer; }

    static FrameCorrection* Of(const QWidget* window)
    {
        for (QObject* child : window->children()) {
            if (auto* correction = dynamic_cast<FrameCorrection*>(child))
                return correction;
        }
        return nullptr;
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize)
            Correct();
        // A window manager that frames the window where it stands sends no
        // move: its first paint comes once it is framed. The window is not
        // moved while it paints.
        if (type == QEvent::Paint)
            QMetaObject::invokeMethod(this, &FrameCorrection::Correct, Qt::QueuedConnection);
        return false;
    }

private:
    void Correct()
    {
        // Done already, and waiting to be deleted.
        if (parent() == nullptr)
            return;
        // Framed, and back at the size applied: a window manager still
        // restoring a maximised window sends the full size first.
        const QMargins frame = FrameMargins(m_window);
        if (frame.isNull() || m_window->windowState() != Qt::WindowNoState || m_window->size() != m_applied)
            return;
        QWidget* window = m_window;
        const QRect outer = m_outer;
        // Qt may still hold this object in a copy of the window's children.
        window->removeEventFilter(this);
        setParent(nullptr);
        deleteLater();
        window->move(outer.topLeft());
        window->resize(ClientSize(outer.size(), frame));
    }

    QWidget* m_window;
    QRect m_outer;
    QSize m_applied;
};

}  // namespace

BOOL SetWindowPlacement(CWnd& wnd, const WindowPlacement& placement)
{
    QWidget* window = TopLevel(wnd);
    const DWORD length = Le(placement.length);
    if (!window || length < 1 || length > 999)
        return FALSE;

    delete FrameCorrection::Of(window);
    const RECT& rc = placement.rcNormalPosition;
    const QRect outer(QPoint(Le(rc.left), Le(rc.top)), QPoint(Le(rc.right) - 1, Le(rc.bottom) - 1));
    const QMargins frame = FrameMargins(window);
    window->setWindowState(Qt::WindowNoState);
    // A top-level window's position is its frame's.
    window->move(outer.topLeft());
    window->resize(ClientSize(outer.size(), frame));
    if (frame.isNull())
        new FrameCorrection(window, outer, window->size());
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
    // The normal rectangle is the outer one, frame included.
    QRect outer = normal.marginsAdded(FrameMargins(window));
    const FrameCorrection* pending = FrameCorrection::Of(window);
    if (pending != nullptr && show != SW_SHOWNORMAL)
        outer = pending->Outer();
    placement.rcNormalPosition = RECT{ToLe(LONG(outer.left())), ToLe(LONG(outer.top())),
                                      ToLe(LONG(outer.left() + outer.width())),
                                      ToLe(LONG(outer.top() + outer.height()))};
    return placement;
}
