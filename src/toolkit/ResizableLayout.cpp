#include "toolkit/ResizableLayout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolBar>

#include "platform/Window.h"

namespace resize {

namespace {

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

// The point of the client area (relative to its top-left corner) that an
// anchor names; C++ division truncates toward zero as the layout wants.
int AnchorX(int width, ANCHOR anchor) { return width * anchor.x / 100; }
int AnchorY(int height, ANCHOR anchor) { return height * anchor.y / 100; }

bool IsTextStatic(DWORD type)
{
    return type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT || type == SS_SIMPLE || type == SS_LEFTNOWORDWRAP;
}

bool StaticLikesClipping(DWORD style)
{
    switch (style & SS_TYPEMASK) {
    case SS_ICON:
    case SS_ENHMETAFILE: return !(style & SS_CENTERIMAGE);
    case SS_LEFT:
    case SS_CENTER:
    case SS_RIGHT:
    case SS_BLACKRECT:
    case SS_GRAYRECT:
    case SS_WHITERECT:
    case SS_SIMPLE:
    case SS_LEFTNOWORDWRAP:
    case SS_BITMAP:
    case SS_ETCHEDHORZ:
    case SS_ETCHEDVERT: return true;
    default: return false;
    }
}

bool StaticNeedsRefresh(DWORD style, bool widthChanged, bool heightChanged)
{
    const DWORD type = style & SS_TYPEMASK;
    if (IsTextStatic(type) && (style & SS_CENTERIMAGE) && heightChanged)
        return true;
    switch (type) {
    case SS_LEFT:
    case SS_CENTER:
    case SS_RIGHT: return widthChanged;
    case SS_LEFTNOWORDWRAP: return (style & SS_ELLIPSISMASK) != 0 && widthChanged;
    case SS_ICON:
    case SS_BLACKFRAME:
    case SS_GRAYFRAME:
    case SS_WHITEFRAME:
    case SS_BITMAP:
    case SS_ENHMETAFILE:
    case SS_ETCHEDFRAME: return true;
    default: return false;
    }
}

// A list box scrolled to the right shows other columns when it grows.
bool ListBoxNeedsRefresh(int grownBy, const HScroll* scroll)
{
    if (grownBy <= 0 || scroll == nullptr)
        return false;
    const int largest = scroll->max - (scroll->page - 1);
    return largest >= 1 && scroll->pos + grownBy > largest;
}

DWORD LabelStyle(const QLabel* label)
{
    const Qt::Alignment align = label->alignment();
    DWORD style = SS_LEFTNOWORDWRAP;
    if (!label->pixmap().isNull())
        style = SS_ICON;
    else if (align & Qt::AlignHCenter)
        style = SS_CENTER;
    else if (align & Qt::AlignRight)
        style = SS_RIGHT;
    else if (label->wordWrap())
        style = SS_LEFT;
    if (align & Qt::AlignVCenter)
        style |= SS_CENTERIMAGE;
    return style;
}

}  // namespace

Anchoring AnchorChild(const RECT& child, const RECT& client, ANCHOR topLeft, ANCHOR bottomRight)
{
    if (bottomRight == NOANCHOR)
        bottomRight = topLeft;
    const int width = Width(client);
    const int height = Height(client);
    const int left = child.left - client.left;
    const int top = child.top - client.top;
    const int right = child.right - client.left;
    const int bottom = child.bottom - client.top;
    return Anchoring{
        topLeft,
        Margin{left - AnchorX(width, topLeft), top - AnchorY(height, topLeft)},
        bottomRight,
        Margin{right - AnchorX(width, bottomRight), bottom - AnchorY(height, bottomRight)},
    };
}

RECT ChildRect(const RECT& client, const Anchoring& a)
{
    const int width = Width(client);
    const int height = Height(client);
    return RECT{
        client.left + AnchorX(width, a.topLeft) + a.marginTopLeft.cx,
        client.top + AnchorY(height, a.topLeft) + a.marginTopLeft.cy,
        client.left + AnchorX(width, a.bottomRight) + a.marginBottomRight.cx,
        client.top + AnchorY(height, a.bottomRight) + a.marginBottomRight.cy,
    };
}

UINT MoveFlags(const RECT& oldRect, const RECT& newRect, bool needsRefresh)
{
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;
    if (needsRefresh)
        flags |= SWP_NOCOPYBITS;
    if (oldRect.left == newRect.left && oldRect.top == newRect.top)
        flags |= SWP_NOMOVE;
    if (Width(oldRect) == Width(newRect) && Height(oldRect) == Height(newRect))
        flags |= SWP_NOSIZE;
    return flags;
}

bool LikesClipping(const ChildClass& child)
{
    if (child.name == "ToolbarWindow32")
        return !(child.style & TBSTYLE_TRANSPARENT);
    if (child.name == "Button") {
        switch (child.style & BS_TYPEMASK) {
        case BS_GROUPBOX: return false;
        case BS_OWNERDRAW: return !child.transparentToHitTest;
        default: return true;
        }
    }
    if (child.name == "Static")
        return StaticLikesClipping(child.style);
    return true;
}

bool NeedsRefresh(const ChildClass& child, const RECT& oldRect, const RECT& newRect, const HScroll* scroll)
{
    const bool widthChanged = Width(oldRect) != Width(newRect);
    const bool heightChanged = Height(oldRect) != Height(newRect);
    if (!widthChanged && !heightChanged)
        return false;
    if (child.name == "Static")
        return StaticNeedsRefresh(child.style, widthChanged, heightChanged);
    if (child.name == "ListBox")
        return ListBoxNeedsRefresh(Width(newRect) - Width(oldRect), scroll);
    return false;
}

ChildClass ClassOf(const QWidget* widget)
{
    ChildClass child;
    if (auto* label = qobject_cast<const QLabel*>(widget)) {
        child.name = "Static";
        child.style = LabelStyle(label);
    } else if (auto* frame = qobject_cast<const QFrame*>(widget);
               frame != nullptr && frame->frameShape() != QFrame::NoFrame && frame->metaObject() == &QFrame::staticMetaObject) {
        child.name = "Static";
        child.style = frame->frameShape() == QFrame::HLine   ? SS_ETCHEDHORZ
                      : frame->frameShape() == QFrame::VLine ? SS_ETCHEDVERT
                                                             : SS_ETCHEDFRAME;
    } else if (qobject_cast<const QGroupBox*>(widget)) {
        child = {"Button", BS_GROUPBOX};
    } else if (qobject_cast<const QCheckBox*>(widget)) {
        child = {"Button", BS_CHECKBOX};
    } else if (qobject_cast<const QRadioButton*>(widget)) {
        child = {"Button", BS_RADIOBUTTON};
    } else if (qobject_cast<const QAbstractButton*>(widget)) {
        child = {"Button", BS_PUSHBUTTON};
    } else if (qobject_cast<const QListView*>(widget)) {
        child.name = "ListBox";
    } else if (qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QTextEdit*>(widget) ||
               qobject_cast<const QPlainTextEdit*>(widget)) {
        child.name = "Edit";
    } else if (qobject_cast<const QComboBox*>(widget)) {
        child.name = "ComboBox";
    } else if (qobject_cast<const QScrollBar*>(widget)) {
        child.name = "ScrollBar";
    } else if (qobject_cast<const QSlider*>(widget)) {
        child.name = "msctls_trackbar32";
    } else if (qobject_cast<const QTabWidget*>(widget) || qobject_cast<const QTabBar*>(widget)) {
        child.name = "SysTabControl32";
    } else if (qobject_cast<const QStatusBar*>(widget)) {
        child.name = "msctls_statusbar32";
    } else if (qobject_cast<const QToolBar*>(widget)) {
        child.name = "ToolbarWindow32";
    } else {
        child.name = widget->metaObject()->className();
    }
    child.transparentToHitTest = widget->testAttribute(Qt::WA_TransparentForMouseEvents);
    return child;
}

}  // namespace resize

namespace {

RECT RectOf(const QRect& r) { return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

// The horizontal scroll state of a list box in the platform's terms: a
// range maximum of the last visible column, not of the last position.
bool ListScroll(const QWidget* widget, resize::HScroll* scroll)
{
    auto* list = qobject_cast<const QListView*>(widget);
    if (list == nullptr)
        return false;
    const QScrollBar* bar = list->horizontalScrollBar();
    *scroll = resize::HScroll{bar->maximum() + bar->pageStep() - 1, bar->pageStep(), bar->value()};
    return true;
}

}  // namespace

void CResizableLayout::AddAnchor(QWidget* wnd, ANCHOR topLeft, ANCHOR bottomRight)
{
    if (wnd == nullptr)
        return;
    const RECT client = GetTotalClientRect();
    LayoutInfo info;
    info.hWnd = wnd;
    info.sWndClass = resize::ClassOf(wnd).name;
    info.anchoring = resize::AnchorChild(RectOf(wnd->geometry()), client, topLeft, bottomRight);
    m_layout.push_back(std::move(info));
}

void CResizableLayout::ArrangeLayout()
{
    const RECT client = GetTotalClientRect();
    for (const LayoutInfo& info : m_layout) {
        QWidget* child = info.hWnd.data();
        if (child == nullptr)
            continue;
        const RECT oldRect = RectOf(child->geometry());
        const RECT newRect = resize::ChildRect(client, info.anchoring);
        resize::HScroll scroll{};
        const bool hasScroll = ListScroll(child, &scroll);
        const bool refresh = resize::NeedsRefresh(resize::ClassOf(child), oldRect, newRect, hasScroll ? &scroll : nullptr);
        const UINT flags = resize::MoveFlags(oldRect, newRect, refresh);
        if ((flags & resize::SWP_NOMOVE) && (flags & resize::SWP_NOSIZE))
            continue;
        child->setGeometry(newRect.left, newRect.top, newRect.right - newRect.left, newRect.bottom - newRect.top);
        // Only a child that keeps its pixels on a resize (static contents)
        // would otherwise show stale ones.
        if (flags & resize::SWP_NOCOPYBITS)
            child->update();
    }
}

void CResizableLayout::RemoveAllAnchors() { m_layout.clear(); }

RECT CResizableLayout::GetTotalClientRect() const { return GetResizableWnd()->GetClientRect(); }
