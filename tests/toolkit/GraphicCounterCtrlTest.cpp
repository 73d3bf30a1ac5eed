#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QImage>
#include <QThread>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <thread>

#include "platform/Dialog.h"
#include "platform/UiThread.h"
#include "toolkit/GraphicCounterCtrl.h"
#include "support/Artifacts.h"

namespace {

constexpr int kTemplate = 9101;
constexpr int kPlace = 100;

// Counts the events of one type that reach an object.
class EventCounter : public QObject {
public:
    EventCounter(QObject* target, QEvent::Type type) : m_target(target), m_type(type)
    {
        target->installEventFilter(this);
    }
    ~EventCounter() override { m_target->removeEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == m_type)
            ++count;
        return false;
    }

private:
    QObject* m_target;
    QEvent::Type m_type;
};

void RunEventsFor(int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
}

// Columns of the read-out that hold text-coloured (yellow) pixels.
struct Ink {
    int left = -1;
    int right = -1;
};

Ink InkOf(QWidget* widget)
{
    QImage image = widget->grab().toImage();
    Ink ink;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            QColor c = image.pixelColor(x, y);
            if (c.red() > 128 && c.green() > 128 && c.blue() < 100) {
                if (ink.left < 0)
                    ink.left = x;
                ink.right = x;
                break;
            }
        }
    }
    return ink;
}

QColor CornerOf(QWidget* widget) { return widget->grab().toImage().pixelColor(2, 2); }

// A dialog with a placeholder static; read-outs are created over it while the
// dialog is still hidden, as the panels do in their initialisation.
class CounterDialog : public CDialog {
public:
    CounterDialog() : CDialog(kTemplate, nullptr)
    {
        RegisterDialogTemplate({kTemplate, "Read-outs", 160, 40, DS_CAPTION,
                                {{ControlKind::Static, kPlace, "000", 10, 10, 120, 18}}});
        Create(kTemplate, nullptr);
    }

    RECT PlaceOf(int id)
    {
        RECT rect = GetDlgItem(id)->GetWindowRect();
        ScreenToClient(rect);
        return rect;
    }
};

class GraphicCounterCtrlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RECT place = dialog.PlaceOf(kPlace);
        ASSERT_TRUE(counter.Create(WS_CHILD | WS_VISIBLE, place, &dialog, 0));
        EXPECT_EQ(dialog.GetDlgItem(kPlace)->GetSafeHwnd()->geometry(), Widget()->geometry());
        counter.SetText("hidden");
        EXPECT_EQ("", counter.GetText());
        dialog.ShowWindow(SW_SHOW);
        RunEventsFor(30);
    }

    QWidget* Widget() { return counter.GetSafeHwnd(); }

    CounterDialog dialog;
    CGraphicCounterCtrl counter;
};

TEST(GraphicCounterCodes, CodesMapToDelaysWidthsAndBlinkPeriods)
{
    struct Row {
        int code;
        int refreshDelay;
        double widthFactor;
        int blinkPeriod;
    };
    const Row rows[] = {
        {0, 0, kCounterSmallFont, 2000}, {1, 1, 0.8, 1000},     {2, 2, 1.0, 500},
        {3, 2000, 1.4, 3},              {4, 1000, 2.0, 4},     {5, 200, 1.0, 5},
        {6, 100, 1.0, 6},               {7, 20, 1.0, 7},       {50, 50, 1.0, 50},
        {750, 750, 1.0, 750},
    };
    CGraphicCounterCtrl counter;
    EXPECT_EQ(200, counter.GetRefreshDelay());
    EXPECT_EQ(1.0, counter.GetWidthFactor());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.code);
        counter.SetRefreshRate(row.code);
        counter.SetCharWidth(row.code);
        EXPECT_EQ(row.refreshDelay, counter.GetRefreshDelay());
        EXPECT_EQ(row.widthFactor, counter.GetWidthFactor());
        EXPECT_EQ(row.blinkPeriod, BlinkPeriodForCode(row.code));
    }
}

TEST(GraphicCounterCodes, FontFollowsTheClientHeight)
{
    struct Row {
        int clientHeight;
        double factor;
        CounterFont font;
    };
    const Row rows[] = {
        {30, 1.0, {36, 12, FW_BOLD, 3}},
        {30, 0.8, {36, 9, FW_BOLD, 3}},  // 12 x 0.8 truncated
        {30, 1.4, {36, 16, FW_BOLD, 3}},
        {30, 2.0, {36, 24, FW_BOLD, 3}},
        {31, 1.0, {37, 12, FW_BOLD, 3}},  // 37.2 truncated, 37 / 3 is 12
        {17, 1.0, {20, 6, FW_BOLD, 1}},   // 20.4 truncated; (20 - 17) / 2 rounds toward zero
        {0, 1.0, {0, 0, FW_BOLD, 0}},
        {30, kCounterSmallFont, {14, 5, FW_NORMAL, -8}},
        {15, kCounterSmallFont, {14, 5, FW_NORMAL, 0}},  // (14 - 15) / 2 rounds toward zero
        {200, kCounterSmallFont, {14, 5, FW_NORMAL, -93}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.clientHeight << " x " << row.factor);
        CounterFont font = CounterFontFor(row.clientHeight, row.factor);
        EXPECT_EQ(row.font.height, font.height);
        EXPECT_EQ(row.font.width, font.width);
        EXPECT_EQ(row.font.weight, font.weight);
        EXPECT_EQ(row.font.offset, font.offset);
    }
}

TEST_F(GraphicCounterCtrlTest, AlignmentPlacesTheTextAndUnknownCodesFallBackToRight)
{
    struct Row {
        int code;
        int reported;
        bool touchesLeft;
        bool touchesRight;
    };
    const Row rows[] = {
        {5, 5, false, true},
        {6, 6, false, false},
        {7, 7, true, false},
        {9, 5, false, true},
        {0, 5, false, true},
    };
    const int width = Widget()->width();
    counter.SetRefreshRate(7);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.code);
        counter.SetAlignment(row.code);
        counter.SetText("12.5");
        RunEventsFor(60);
        Ink ink = InkOf(Widget());
        ASSERT_GE(ink.left, 0);
        EXPECT_EQ(row.reported, counter.GetAlignment());
        EXPECT_EQ(row.touchesLeft, ink.left <= 4) << ink.left;
        EXPECT_EQ(row.touchesRight, ink.right >= width - 5) << ink.right;
    }
}

TEST_F(GraphicCounterCtrlTest, ContentSettersStoreFormattedTextOnlyWhileVisible)
{
    const std::string longText(300, '7');
    struct Row {
        const char* name;
        std::function<void()> set;
        std::string shown;
    };
    const Row rows[] = {
        {"int", [&] { counter.SetValue(-42); }, "-42"},
        {"double", [&] { counter.SetValue(12.346, "%###.2f"); }, "12.35"},
        {"infinity", [&] { counter.SetValue(std::numeric_limits<double>::infinity(), "%###.2f"); }, "0.00"},
        {"nan", [&] { counter.SetValue(std::nan(""), "%.1f"); }, "0.0"},
        {"text", [&] { counter.SetText("OFF"); }, "OFF"},
        {"long text", [&] { counter.SetText(longText.c_str()); }, std::string(255, '7')},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.set();
        EXPECT_EQ(row.shown, counter.GetText());
    }

    counter.ShowWindow(SW_HIDE);
    counter.SetText("hidden");
    counter.SetValue(1);
    EXPECT_EQ(std::string(255, '7'), counter.GetText());
    counter.ShowWindow(SW_SHOW);
    counter.SetValue(1);
    EXPECT_EQ("1", counter.GetText());
}

TEST_F(GraphicCounterCtrlTest, BurstFromWorkerPostsOnceAndRedrawsOnceAfterTheDelay)
{
    RunEventsFor(300);  // the first draw's paint is over
    EventCounter posted(QCoreApplication::instance(), UiCallEvent());
    EventCounter paints(Widget(), QEvent::Paint);

    std::thread reader([&] {
        for (int i = 0; i < 10000; ++i)
            counter.SetValue(i);
        counter.SetValue(0.5, "%.3f");
    });
    reader.join();
    RunEventsFor(100);
    counter.Refresh();  // a pending refresh keeps its delay
    RunEventsFor(50);
    EXPECT_EQ(1, posted.count);
    EXPECT_EQ(0, paints.count);
    EXPECT_EQ("0.500", counter.GetText());

    RunEventsFor(300);
    EXPECT_EQ(1, posted.count);
    EXPECT_EQ(1, paints.count);
}

TEST_F(GraphicCounterCtrlTest, BlinkTogglesThePhaseAndStopReturnsToNormalColours)
{
    counter.SetBlinkBkColor(RGB(255, 0, 0));
    counter.SetBlinkTextColor(RGB(0, 0, 0));
    counter.SetText("106");
    counter.Refresh();
    RunEventsFor(50);
    EXPECT_EQ(QColor(0, 0, 0), CornerOf(Widget()));

    std::thread reader([&] { counter.StartBlink(100); });
    reader.join();
    RunEventsFor(50);
    EXPECT_TRUE(counter.IsBlinking());
    EXPECT_FALSE(counter.IsBlinkPhase());

    // Half way through each following period: on, off, on.
    for (bool phase : {true, false, true}) {
        RunEventsFor(100);
        EXPECT_EQ(phase, counter.IsBlinkPhase());
        EXPECT_EQ(phase ? QColor(255, 0, 0) : QColor(0, 0, 0), CornerOf(Widget()));
    }
    ASSERT_TRUE(counter.IsBlinkPhase());

    counter.StopBlink();
    EXPECT_FALSE(counter.IsBlinking());
    EXPECT_FALSE(counter.IsBlinkPhase());
    RunEventsFor(10);
    EXPECT_EQ(QColor(0, 0, 0), CornerOf(Widget()));
    RunEventsFor(200);
    EXPECT_FALSE(counter.IsBlinkPhase());
}

TEST(GraphicCounterPictures, ReadOuts)
{
    if (!ArtifactsWanted())
        GTEST_SKIP() << "KVX_TEST_ARTIFACTS not set";
    QWidget host;
    host.resize(360, 250);
    host.setStyleSheet("background: #d4d0c8");
    CWnd parent;
    parent.Attach(&host);
    host.show();

    struct Row {
        RECT rect;
        int alignment;
        int widthCode;
        const char* text;
        bool blink;
    };
    const Row rows[] = {
        {{10, 10, 350, 52}, 5, 2, "1234.56", false},   // right, factor 1.0
        {{10, 60, 350, 102}, 6, 3, "12.6", false},     // centred, factor 1.4 as the panel's
        {{10, 110, 350, 142}, 7, 1, "-7.25", false},   // left, factor 0.8
        {{10, 150, 350, 192}, 6, 3, "106", true},      // in its blink phase
        {{10, 200, 120, 222}, 5, 0, "12345", false},   // small fixed font
        {{130, 200, 350, 240}, 5, 4, "88.8", false},   // factor 2.0
    };
    std::vector<std::unique_ptr<CGraphicCounterCtrl>> counters;
    for (const Row& row : rows) {
        auto counter = std::make_unique<CGraphicCounterCtrl>();
        counter->Create(WS_CHILD | WS_VISIBLE, row.rect, &parent, 0);
        counter->SetAlignment(row.alignment);
        counter->SetCharWidth(row.widthCode);
        counter->SetBlinkBkColor(RGB(255, 0, 0));
        counter->SetBlinkTextColor(RGB(255, 255, 255));
        counter->SetRefreshRate(7);
        counter->SetText(row.text);
        if (row.blink)
            counter->StartBlink(60);
        counters.push_back(std::move(counter));
    }
    RunEventsFor(90);
    ASSERT_TRUE(counters[3]->IsBlinkPhase());
    SaveArtifact(&host, "readouts.png");
}

}  // namespace
