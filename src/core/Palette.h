#pragma once
// The fixed channel colours: records hold an index, files hold the colour value.
#include <array>

#include "platform/Types.h"

constexpr int kPaletteSize = 23;

inline constexpr std::array<COLORREF, kPaletteSize> kPalette = {
    0x000000, 0xFF0000, 0xFFFF00, 0x00FF00, 0xFF00FF, 0x0000FF, 0x00FFFF, 0xFFFFFF,
    0xFFC0C0, 0x808080, 0xD3D0C9, 0xA00000, 0xFFA000, 0xFFFFA0, 0xA0A000, 0xA0FFA0,
    0x00A000, 0xFFA0FF, 0xA000A0, 0xC0C0FF, 0x0000A0, 0x00A0FF, 0x0060A0,
};

// Drawn after the palette entries as the curve legends' background.
constexpr COLORREF kLegendBackground = 0xF0F0F0;

// The colour of entry `index`; black for an index outside the palette.
COLORREF PaletteColour(int index);
// The first entry equal to `value`, or 0 when none is.
int PaletteIndex(COLORREF value);
