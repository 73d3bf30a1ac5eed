#include <gtest/gtest.h>

#include "core/Palette.h"

TEST(PaletteTest, ConvertsBetweenIndexAndColour)
{
    EXPECT_EQ(PaletteColour(1), 16711680u);
    EXPECT_EQ(PaletteIndex(16711680), 1);
    EXPECT_EQ(PaletteIndex(24736), 22);
    EXPECT_EQ(PaletteIndex(1), 0);
    for (int i = 0; i < kPaletteSize; ++i)
        EXPECT_EQ(PaletteIndex(PaletteColour(i)), i);
    EXPECT_EQ(PaletteColour(23), 0u);
    EXPECT_EQ(PaletteColour(-1), 0u);
}
