#pragma once
#include "platform/Types.h"

class CWnd;

// Moves a top-level window so that its frame's top-left corner is at
// (left, top), keeping its size; also before its first show, when the frame
// is not known yet.
void MoveFrameTo(CWnd& wnd, LONG left, LONG top);
