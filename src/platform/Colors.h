#pragma once
#include <QColor>

#include "platform/Types.h"

// System colours by their index, from the desktop's palette.
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_HIGHLIGHT = 13;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_BTNTEXT = 18;
constexpr int COLOR_3DDKSHADOW = 21;

COLORREF GetSysColor(int index);

QColor ToQColor(COLORREF colour);
