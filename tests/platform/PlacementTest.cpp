#include <gtest/gtest.h>

#include <array>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QWidget>

#include "platform/Placement.h"
#include "platform/Window.h"

namespace {

std::array<long, 4> NormalRect(const WindowPlacement& placement)
{
    const RECT& r = placement.rcNormalPosition;
    return {LONG{r.left}, LONG{r.top}, LONG{r.right}, LONG{r.bottom}};
}

// One run of the program: a new window takes the stored placement before it
// is shown and gives its own back when it closes.
WindowPlacement ShowAndClose(const WindowPlacement& stored)
{
    QWidget widget;
    CWnd wnd;
    wnd.Attach(&widget);
    EXPECT_TRUE(SetWindowPlacement(wnd, stored));
    widget.show();
    // A window manager frames the window a little later; the offscreen
    // platform at once.
    QElapsedTimer clock;
    clock.start();
    while (widget.frameGeometry() == widget.geometry() && clock.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    const WindowPlacement closing = GetWindowPlacement(wnd);
    widget.close();
    return closing;
}

}  // namespace

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

TEST(PlacementTest, WindowComesBackAsItWasClosed)
{
    for (DWORD show : {DWORD(SW_SHOWNORMAL), DWORD(SW_SHOWMAXIMIZED)}) {
        SCOPED_TRACE(show);
        WindowPlacement stored;
        stored.length = kPlacementLength;
        stored.showCmd = show;
        stored.rcNormalPosition = {50, 60, 956, 586};
        for (int run = 1; run <= 3; ++run) {
            SCOPED_TRACE(run);
            const WindowPlacement closed = ShowAndClose(stored);
            EXPECT_EQ(DWORD{closed.showCmd}, show);
            EXPECT_EQ(NormalRect(closed), NormalRect(stored));
            stored = closed;
        }
    }
}
