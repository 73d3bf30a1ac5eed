#pragma once
#include <QPointer>
#include <vector>
#include <string>

#include "platform/Types.h"

class CWnd;
class QWidget;

// A point of the parent's client area: x per cent of its width from the
// left, y per cent of its height from the top. (-1, -1) is no anchor.
struct ANCHOR {
    int x;
    int y;
    friend bool operator==(const ANCHOR&, const ANCHOR&) = default;
};

constexpr ANCHOR TOP_LEFT{0, 0};
constexpr ANCHOR TOP_CENTER{50, 0};
constexpr ANCHOR TOP_RIGHT{100, 0};
constexpr ANCHOR MIDDLE_LEFT{0, 50};
constexpr ANCHOR MIDDLE_CENTER{50, 50};
constexpr ANCHOR MIDDLE_RIGHT{100, 50};
constexpr ANCHOR BOTTOM_LEFT{0, 100};
constexpr ANCHOR BOTTOM_CENTER{50, 100};
constexpr ANCHOR BOTTOM_RIGHT{100, 100};
constexpr ANCHOR NOANCHOR{-1, -1};

// The layout's plain rules: anchor arithmetic, move flags, and which child
// classes like to be clipped out of the background or need a repaint when
// resized. No window here; the layout feeds them what it reads from Qt.
namespace resize {

// Offset of a corner from its anchor point.
struct Margin {
    int cx;
    int cy;
    friend bool operator==(const Margin&, const Margin&) = default;
};

// Where a child is held: its corners' anchors and their offsets.
struct Anchoring {
    ANCHOR topLeft;
    Margin marginTopLeft;
    ANCHOR bottomRight;
    Margin marginBottomRight;
};
// A child at `child` in the client rectangle `client` (both in the parent's
// client coordinates). A missing bottom-right anchor takes the top-left one.
Anchoring AnchorChild(const RECT& child, const RECT& client, ANCHOR topLeft, ANCHOR bottomRight);

// Where an anchored child goes in the client rectangle `client`.
RECT ChildRect(const RECT& client, const Anchoring& anchoring);

constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT SWP_NOACTIVATE = 0x0010;
constexpr UINT SWP_NOCOPYBITS = 0x0100;
constexpr UINT SWP_NOOWNERZORDER = 0x0200;

UINT MoveFlags(const RECT& oldRect, const RECT& newRect, bool needsRefresh);

// Window styles the class rules read.
constexpr DWORD SS_LEFT = 0x00;
constexpr DWORD SS_CENTER = 0x01;
constexpr DWORD SS_RIGHT = 0x02;
constexpr DWORD SS_ICON = 0x03;
constexpr DWORD SS_BLACKRECT = 0x04;
constexpr DWORD SS_GRAYRECT = 0x05;
constexpr DWORD SS_WHITERECT = 0x06;
constexpr DWORD SS_BLACKFRAME = 0x07;
constexpr DWORD SS_GRAYFRAME = 0x08;
constexpr DWORD SS_WHITEFRAME = 0x09;
constexpr DWORD SS_SIMPLE = 0x0B;
constexpr DWORD SS_LEFTNOWORDWRAP = 0x0C;
constexpr DWORD SS_OWNERDRAW = 0x0D;
constexpr DWORD SS_BITMAP = 0x0E;
constexpr DWORD SS_ENHMETAFILE = 0x0F;
constexpr DWORD SS_ETCHEDHORZ = 0x10;
constexpr DWORD SS_ETCHEDVERT = 0x11;
constexpr DWORD SS_ETCHEDFRAME = 0x12;
constexpr DWORD SS_TYPEMASK = 0x1F;
constexpr DWORD SS_CENTERIMAGE = 0x200;
constexpr DWORD SS_ENDELLIPSIS = 0x4000;
constexpr DWORD SS_PATHELLIPSIS = 0x8000;
constexpr DWORD SS_WORDELLIPSIS = 0xC000;
constexpr DWORD SS_ELLIPSISMASK = 0xC000;

constexpr DWORD BS_PUSHBUTTON = 0x00;
constexpr DWORD BS_CHECKBOX = 0x02;
constexpr DWORD BS_RADIOBUTTON = 0x04;
constexpr DWORD BS_GROUPBOX = 0x07;
constexpr DWORD BS_OWNERDRAW = 0x0B;
constexpr DWORD BS_TYPEMASK = 0x0F;

constexpr DWORD TBSTYLE_TRANSPARENT = 0x8000;

// What the rules need to know of a child.
struct ChildClass {
    std::string name;  // "Static", "Button", "ListBox", ...
    DWORD style = 0;
    // An owner-drawn button lets the mouse through at its top-left corner.
    bool transparentToHitTest = false;
};

// A list box's horizontal scroll range (maximum), page and position.
struct HScroll {
    int max;
    int page;
    int pos;
};

// Whether the child may be left out of the parent's background painting.
bool LikesClipping(const ChildClass& child);
// Whether a child moved from oldRect to newRect must be repainted whole.
// `scroll` is the list box's scroll state, null when it cannot be read.
bool NeedsRefresh(const ChildClass& child, const RECT& oldRect, const RECT& newRect, const HScroll* scroll);

// The class and style that a Qt control stands for.
ChildClass ClassOf(const QWidget* widget);

}  // namespace resize

// Moves and stretches registered children with the parent's client area.
class CResizableLayout {
public:
    CResizableLayout() = default;
    virtual ~CResizableLayout() = default;
    CResizableLayout(const CResizableLayout&) = delete;
    CResizableLayout& operator=(const CResizableLayout&) = delete;

    // Registers a child where it is now; without a bottom-right anchor it
    // keeps its size and follows the top-left one.
    void AddAnchor(QWidget* wnd, ANCHOR topLeft, ANCHOR bottomRight = NOANCHOR);
    // Moves every registered child to its place for the current client size,
    // in one pass: Qt paints them all together afterwards.
    void ArrangeLayout();
    void RemoveAllAnchors();

    // The client rectangle the anchors refer to.
    virtual RECT GetTotalClientRect() const;
    virtual const CWnd* GetResizableWnd() const = 0;

    struct LayoutInfo {
        QPointer<QWidget> hWnd;
        std::string sWndClass;
        resize::Anchoring anchoring;
    };

private:
    std::vector<LayoutInfo> m_layout;  // in the order of adding
};
