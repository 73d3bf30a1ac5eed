#include "platform/Placement.h"

#include <algorithm>

#include <QEvent>
#include <QMargins>
#include <QScreen>
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

bool IsNormal(const QWidget* window) { return window->windowState() == Qt::WindowNoState; }

// A window manager may frame a window for its maximised state before Qt
// learns that state: a window that covers the work area is not taken as normal.
bool CoversWorkArea(const QWidget* window)
{
    const QScreen* screen = window->screen();
    return screen != nullptr && window->frameGeometry().contains(screen->availableGeometry());
}

// Watches a window whose placement is kept. A placement applied before the
// window is framed takes its outer size for the client size; once the frame
// is known and the window is in its normal state, this puts it where it was
// placed with the client's share of the size. Until then the placed
// rectangle stands for the window's normal one. It also keeps the frame the
// window has in its normal state: a maximised window's frame lacks the
// borders, yet the normal rectangle kept is the normal window's.
class PlacedWindow : public QObject {
public:
    explicit PlacedWindow(QWidget* window) : QObject(window), m_window(window)
    {
        window->installEventFilter(this);
        KeepNormalFrame();
    }

    static PlacedWindow* Find(const QWidget* window)
    {
        for (QObject* child : window->children()) {
            if (auto* placed = dynamic_cast<PlacedWindow*>(child))
                return placed;
        }
        return nullptr;
    }

    static PlacedWindow& Of(QWidget* window)
    {
        PlacedWindow* placed = Find(window);
        return placed ? *placed : *new PlacedWindow(window);
    }

    // `applied` is the size the window took from the placement: a window of
    // fixed size keeps its own.
    void CorrectOnceFramed(const QRect& outer, QSize applied)
    {
        m_pending = true;
        m_outer = outer;
        m_applied = applied;
    }
    void ForgetCorrection() { m_pending = false; }
    // The outer rectangle of the window's normal client rectangle `normal`
    // while it is maximised or minimised.
    QRect NormalOuter(const QRect& normal) const
    {
        if (m_pending)
            return m_outer;
        return normal.marginsAdded(m_normalFrame.isNull() ? FrameMargins(m_window) : m_normalFrame);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        // The frame may be known first at a paint.
        if (type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize || type == QEvent::Paint)
            KeepNormalFrame();
        if (type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize)
            Correct();
        // A window manager that frames the window where it stands sends no
        // move: its first paint comes once it is framed. The window is not
        // moved while it paints.
        if (type == QEvent::Paint && m_pending)
            QMetaObject::invokeMethod(this, &PlacedWindow::Correct, Qt::QueuedConnection);
        return false;
    }

private:
    void KeepNormalFrame()
    {
        const QMargins frame = FrameMargins(m_window);
        if (!frame.isNull() && IsNormal(m_window) && !CoversWorkArea(m_window))
            m_normalFrame = frame;
    }

    void Correct()
    {
        // Framed, and back at the size applied: a window manager still
        // restoring a maximised window sends the full size first.
        const QMargins frame = FrameMargins(m_window);
        if (!m_pending || frame.isNull() || !IsNormal(m_window) || m_window->size() != m_applied)
            return;
        m_pending = false;
        m_window->move(m_outer.topLeft());
        m_window->resize(ClientSize(m_outer.size(), frame));
    }

    QWidget* m_window;
    bool m_pending = false;
    QRect m_outer;
    QSize m_applied;
    QMargins m_normalFrame;
};

}  // namespace

BOOL SetWindowPlacement(CWnd& wnd, const WindowPlacement& placement)
{
    QWidget* window = TopLevel(wnd);
    if (!window)
        return FALSE;
    // Watched from now on also when nothing is applied, so that the normal
    // frame is known once the window is maximised.
    PlacedWindow& placed = PlacedWindow::Of(window);
    const DWORD length = Le(placement.length);
    if (length < 1 || length > 999)
        return FALSE;

    placed.ForgetCorrection();
    const RECT& rc = placement.rcNormalPosition;
    const QRect outer(QPoint(Le(rc.left), Le(rc.top)), QPoint(Le(rc.right) - 1, Le(rc.bottom) - 1));
    const QMargins frame = FrameMargins(window);
    window->setWindowState(Qt::WindowNoState);
    // A top-level window's position is its frame's.
    window->move(outer.topLeft());
    window->resize(ClientSize(outer.size(), frame));
    if (frame.isNull())
        placed.CorrectOnceFramed(outer, window->size());
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
    const PlacedWindow* placed = PlacedWindow::Find(window);
    if (placed != nullptr && show != SW_SHOWNORMAL)
        outer = placed->NormalOuter(normal);
    placement.rcNormalPosition = RECT{ToLe(LONG(outer.left())), ToLe(LONG(outer.top())),
                                      ToLe(LONG(outer.left() + outer.width())),
                                      ToLe(LONG(outer.top() + outer.height()))};
    return placement;
}
