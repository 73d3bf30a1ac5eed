#include "core/Palette.h"

COLORREF PaletteColour(int index)
{
    if (index < 0 || index >= kPaletteSize)
        return kPalette[0];
    return kPalette[index];
}

int PaletteIndex(COLORREF value)
{
    for (int i = 0; i < kPaletteSize; ++i) {
        if (kPalette[i] == value)
            return i;
    }
    return 0;
}
