#pragma once
// Window placements as kept in Zarkv.dat, applied to and read from Qt windows.
#include "core/Settings.h"

class CWnd;

constexpr DWORD kPlacementLength = sizeof(WindowPlacement);

// Applies the placement to the window's top-level Qt window only when its
// length lies in 1..999; returns FALSE when it was not applied. The window's
// visibility is left to the caller.
BOOL SetWindowPlacement(CWnd& wnd, const WindowPlacement& placement);
// The window's state and normal outer rectangle, length set.
WindowPlacement GetWindowPlacement(const CWnd& wnd);
