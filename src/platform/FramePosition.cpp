#include "platform/FramePosition.h"

#include "platform/Placement.h"
#include "platform/Window.h"

void MoveFrameTo(CWnd& wnd, LONG left, LONG top)
{
    WindowPlacement placement = GetWindowPlacement(wnd);
    RECT& rc = placement.rcNormalPosition;
    rc = RECT{left, top, left + (rc.right - rc.left), top + (rc.bottom - rc.top)};
    placement.showCmd = SW_SHOWNORMAL;
    SetWindowPlacement(wnd, placement);
}
