// Repaints asked for by a worker thread at any rate: few, spaced, and the last change shown.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <atomic>
#include <memory>
#include <thread>

#include "platform/UiThread.h"

namespace {

class PaintCounter : public QWidget {
public:
    std::atomic<int> value{0};  // what a worker changes
    int paints = 0;
    int lastPainted = -1;

protected:
    void paintEvent(QPaintEvent*) override
    {
        ++paints;
        lastPainted = value;
    }
};

void ProcessEventsFor(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

TEST(CoalescedRepaintTest, AWorkerFloodGivesSpacedRepaintsAndTheLatestValue)
{
    PaintCounter widget;
    widget.resize(50, 20);
    widget.show();
    ProcessEventsFor(50);
    CoalescedRepaint repaints(&widget);
    const int paintsBefore = widget.paints;

    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 1; i <= 200000; ++i) {
            widget.value = i;
            repaints.Request();
        }
        done = true;
    });
    QElapsedTimer clock;
    clock.start();
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    worker.join();
    ProcessEventsFor(100);

    // One repaint per 20 ms at most, whatever the number of requests.
    const int paints = widget.paints - paintsBefore;
    EXPECT_GE(paints, 1);
    EXPECT_LE(paints, clock.elapsed() / 20 + 2);
    EXPECT_EQ(200000, widget.lastPainted);
}

TEST(CoalescedRepaintTest, AWindowClosedWithARepaintWaitingIsLeftAlone)
{
    auto widget = std::make_unique<PaintCounter>();
    widget->show();
    auto repaints = std::make_unique<CoalescedRepaint>(widget.get());
    std::thread([&] { repaints->Request(); }).join();
    repaints.reset();
    widget.reset();
    ProcessEventsFor(50);
}

}  // namespace
