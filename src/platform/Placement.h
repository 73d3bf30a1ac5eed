#pragma once
// Window placements as kept in Zarkv.dat, applied to and read from Qt windows.
#include <cstddef>

#include "platform/Types.h"

class CWnd;

#pragma pack(push, 1)
// The platform's window-placement record, as stored in Zarkv.dat (little-endian).
struct WindowPlacement {
    DWORD length = 0;  // a placement is applied only when 1..999
    DWORD flags = 0;
    DWORD showCmd = 0;
    POINT ptMinPosition = {};
    POINT ptMaxPosition = {};
    RECT rcNormalPosition = {};
};
#pragma pack(pop)

static_assert(sizeof(WindowPlacement) == 44);
static_assert(offsetof(WindowPlacement, rcNormalPosition) == 28);

constexpr DWORD kPlacementLength = sizeof(WindowPlacement);

// Applies the placement to the window's top-level Qt window only when its
// length lies in 1..999; returns FALSE when it was not applied. Either way
// the window's frame in its normal state is kept from then on for
// GetWindowPlacement. The window's visibility is left to the caller.
BOOL SetWindowPlacement(CWnd& wnd, const WindowPlacement& placement);
// The window's state and normal outer rectangle, length set.
WindowPlacement GetWindowPlacement(const CWnd& wnd);
