#include <gtest/gtest.h>

#include <QWidget>

#include "platform/Placement.h"
#include "platform/Window.h"

TEST(PlacementTest, AppliesOnlyPlausibleLengthsAndReadsBack)
{
    CWnd wnd;
    QWidget widget;
    wnd.Attach(&widget);
    widget.setGeometry(10, 20, 200, 100);

    WindowPlacement placement;
    placement.showCmd = SW_SHOWNORMAL;
    placement.rcNormalPosition = {50, 60, 350, 260};
    for (DWORD length : {0u, 1000u}) {
        placement.length = length;
        EXPECT_FALSE(SetWindowPlacement(wnd, placement));
        EXPECT_EQ(widget.size(), QSize(200, 100));
    }

    placement.length = kPlacementLength;
    EXPECT_TRUE(SetWindowPlacement(wnd, placement));
    const WindowPlacement read = GetWindowPlacement(wnd);
    EXPECT_EQ(DWORD{read.length}, 44u);
    EXPECT_EQ(DWORD{read.showCmd}, DWORD(SW_SHOWNORMAL));
    EXPECT_EQ(LONG{read.rcNormalPosition.left}, 50);
    EXPECT_EQ(LONG{read.rcNormalPosition.top}, 60);
    EXPECT_EQ(LONG{read.rcNormalPosition.right}, 350);
    EXPECT_EQ(LONG{read.rcNormalPosition.bottom}, 260);
}
