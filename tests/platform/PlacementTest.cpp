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

// A window manager answers a little later, the offscreen platform at once.
template <typename Done>
void WaitForWindowSystem(Done done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
}

// One run of the program: a new window takes the stored placement before it
// is shown, the user may restore it, and it gives its placement back when it
// closes.
WindowPlacement ShowAndClose(const WindowPlacement& stored, bool restore)
{
    QWidget widget;
    CWnd wnd;
    wnd.Attach(&widget);
    EXPECT_TRUE(SetWindowPlacement(wnd, stored));
    widget.show();
    const bool maximised = stored.showCmd == SW_SHOWMAXIMIZED;
    WaitForWindowSystem([&] {
        return widget.frameGeometry() != widget.geometry() &&
               (!maximised || widget.frameGeometry().size() != widget.normalGeometry().size());
    });
    if (restore) {
        const QRect full = widget.frameGeometry();
        widget.showNormal();
        WaitForWindowSystem([&] { return widget.frameGeometry() != full; });
    }
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
    const struct {
        DWORD show;
        bool restore;
        DWORD closedShow;
    } cases[] = {
        {SW_SHOWNORMAL, false, SW_SHOWNORMAL},
        {SW_SHOWMAXIMIZED, false, SW_SHOWMAXIMIZED},
        {SW_SHOWMAXIMIZED, true, SW_SHOWNORMAL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "show " << c.show << (c.restore ? ", restored" : ""));
        WindowPlacement stored;
        stored.length = kPlacementLength;
        stored.showCmd = c.show;
        stored.rcNormalPosition = {50, 60, 956, 586};
        const std::array<long, 4> placed = NormalRect(stored);
        for (int run = 1; run <= 3; ++run) {
            SCOPED_TRACE(run);
            const WindowPlacement closed = ShowAndClose(stored, c.restore);
            EXPECT_EQ(DWORD{closed.showCmd}, c.closedShow);
            EXPECT_EQ(NormalRect(closed), placed);
            stored.rcNormalPosition = closed.rcNormalPosition;
        }
    }
}
