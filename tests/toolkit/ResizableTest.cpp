#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSizeGrip>
#include <QThread>
#include <gtest/gtest.h>

#include "support/Artifacts.h"
#include "toolkit/ResizableDialog.h"

using namespace resize;

// Found by argument lookup for the platform's RECT; local to this file.
static bool operator==(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

static std::ostream& operator<<(std::ostream& out, const RECT& r)
{
    return out << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
}

namespace {

constexpr int kTemplate = 9111;
constexpr int kFill = 100;      // (0, 0) to (100, 100)
constexpr int kTopRight = 101;  // (100, 0), no second anchor
constexpr int kCentre = 102;    // (50, 0) to (50, 0)
constexpr int kFixed = 103;     // (0, 0) only: never moves
constexpr int kBottom = 104;    // (0, 100) to (100, 100)

void Settle()
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 30) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
}

TEST(ResizableRules, AnchorsKeepTheirMarginsWithIntegerPercentages)
{
    struct Row {
        const char* what;
        ANCHOR topLeft, bottomRight;
        RECT child, before, after, expected;
    };
    const Row rows[] = {
        {"stretched keeps all four distances", TOP_LEFT, BOTTOM_RIGHT,
         {10, 20, 290, 180}, {0, 0, 300, 200}, {0, 0, 500, 400}, {10, 20, 490, 380}},
        {"top-right alone keeps size and right/top distances", TOP_RIGHT, NOANCHOR,
         {250, 10, 290, 30}, {0, 0, 300, 200}, {0, 0, 500, 400}, {450, 10, 490, 30}},
        // 301 * 50 / 100 = 150 and 501 * 50 / 100 = 250: divisions truncate.
        {"centred stays centred where it started", TOP_CENTER, TOP_CENTER,
         {130, 10, 170, 30}, {0, 0, 301, 200}, {0, 0, 501, 200}, {230, 10, 270, 30}},
        {"bottom bar stretches and follows the bottom", BOTTOM_LEFT, BOTTOM_RIGHT,
         {0, 180, 300, 200}, {0, 0, 300, 200}, {0, 0, 640, 480}, {0, 460, 640, 480}},
        {"client area below a bar", TOP_LEFT, BOTTOM_RIGHT,
         {5, 30, 295, 195}, {0, 20, 300, 200}, {0, 20, 400, 300}, {5, 30, 395, 295}},
        {"middle of an odd height truncates", MIDDLE_LEFT, MIDDLE_RIGHT,
         {0, 90, 300, 110}, {0, 0, 300, 199}, {0, 0, 300, 299}, {0, 140, 300, 160}},
        {"a smaller client than at adding", TOP_LEFT, BOTTOM_RIGHT,
         {10, 10, 290, 190}, {0, 0, 300, 200}, {0, 0, 100, 50}, {10, 10, 90, 40}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const Anchoring anchoring = AnchorChild(row.child, row.before, row.topLeft, row.bottomRight);
        EXPECT_EQ(row.child, ChildRect(row.before, anchoring));
        EXPECT_EQ(row.expected, ChildRect(row.after, anchoring));
    }
}

TEST(ResizableRules, MoveFlagsSayWhatChanged)
{
    constexpr UINT kBase = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;
    struct Row {
        RECT before, after;
        bool refresh;
        UINT expected;
    };
    const Row rows[] = {
        {{0, 0, 10, 10}, {0, 0, 10, 10}, false, kBase | SWP_NOMOVE | SWP_NOSIZE},
        {{0, 0, 10, 10}, {5, 0, 15, 10}, false, kBase | SWP_NOSIZE},
        {{0, 0, 10, 10}, {0, 0, 20, 10}, true, kBase | SWP_NOMOVE | SWP_NOCOPYBITS},
        {{0, 0, 10, 10}, {1, 1, 21, 21}, false, kBase},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.expected, MoveFlags(row.before, row.after, row.refresh)) << row.before << " -> " << row.after;
}

TEST(ResizableRules, ClippingByClass)
{
    struct Row {
        ChildClass child;
        bool likes;
    };
    const Row rows[] = {
        {{"Static", SS_LEFT}, true},
        {{"Static", SS_ETCHEDHORZ}, true},
        {{"Static", SS_ETCHEDFRAME}, false},
        {{"Static", SS_BLACKFRAME}, false},
        {{"Static", SS_OWNERDRAW}, false},
        {{"Static", SS_ICON}, true},
        {{"Static", SS_ICON | SS_CENTERIMAGE}, false},
        {{"Static", SS_ENHMETAFILE | SS_CENTERIMAGE}, false},
        {{"Static", SS_LEFT | SS_CENTERIMAGE}, true},
        {{"Button", BS_PUSHBUTTON}, true},
        {{"Button", BS_GROUPBOX}, false},
        {{"Button", BS_OWNERDRAW, true}, false},
        {{"Button", BS_OWNERDRAW, false}, true},
        {{"ToolbarWindow32", TBSTYLE_TRANSPARENT}, false},
        {{"ToolbarWindow32", 0}, true},
        {{"ListBox", 0}, true},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.likes, LikesClipping(row.child)) << row.child.name << " style " << std::hex << row.child.style;
}

TEST(ResizableRules, RefreshByClassAndChange)
{
    const RECT base{0, 0, 100, 20};
    const RECT wider{0, 0, 120, 20};
    const RECT taller{0, 0, 100, 30};
    const RECT moved{50, 50, 150, 70};
    const HScroll scrolledRight{199, 100, 100};  // at its last position (199 - 99)
    const HScroll scrolledLeft{199, 100, 0};
    const HScroll noScroll{99, 100, 0};
    struct Row {
        const char* what;
        ChildClass child;
        RECT after;
        const HScroll* scroll;
        bool refresh;
    };
    const Row rows[] = {
        {"left text, wider", {"Static", SS_LEFT}, wider, nullptr, true},
        {"left text, moved only", {"Static", SS_LEFT}, moved, nullptr, false},
        {"left text, taller", {"Static", SS_LEFT}, taller, nullptr, false},
        {"right text, wider", {"Static", SS_RIGHT}, wider, nullptr, true},
        {"vertically centred text, taller", {"Static", SS_LEFT | SS_CENTERIMAGE}, taller, nullptr, true},
        {"no-wrap text, wider", {"Static", SS_LEFTNOWORDWRAP}, wider, nullptr, false},
        {"no-wrap ellipsis text, wider", {"Static", SS_LEFTNOWORDWRAP | SS_ENDELLIPSIS}, wider, nullptr, true},
        {"etched frame, taller", {"Static", SS_ETCHEDFRAME}, taller, nullptr, true},
        {"etched frame, moved only", {"Static", SS_ETCHEDFRAME}, moved, nullptr, false},
        {"icon, wider", {"Static", SS_ICON}, wider, nullptr, true},
        {"etched line, wider", {"Static", SS_ETCHEDHORZ}, wider, nullptr, false},
        {"button, wider", {"Button", BS_PUSHBUTTON}, wider, nullptr, false},
        {"list scrolled to its end, wider", {"ListBox", 0}, wider, &scrolledRight, true},
        {"list scrolled to its start, wider", {"ListBox", 0}, wider, &scrolledLeft, false},
        {"list without a horizontal range, wider", {"ListBox", 0}, wider, &noScroll, false},
        {"list whose scroll state is unknown", {"ListBox", 0}, wider, nullptr, false},
        {"list scrolled to its end, narrower", {"ListBox", 0}, RECT{0, 0, 80, 20}, &scrolledRight, false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.refresh, NeedsRefresh(row.child, base, row.after, row.scroll)) << row.what;
}

TEST(ResizableRules, QtControlsStandForThePlatformClasses)
{
    QWidget parent;
    auto* wrapped = new QLabel("text", &parent);
    wrapped->setWordWrap(true);
    wrapped->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* centred = new QLabel("text", &parent);
    centred->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    auto* plain = new QLabel("text", &parent);  // Qt's default: left, vertically centred, no wrap
    auto* frame = new QFrame(&parent);
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    auto* line = new QFrame(&parent);
    line->setFrameShape(QFrame::HLine);
    struct Row {
        QWidget* widget;
        std::string name;
        DWORD style;
    };
    const Row rows[] = {
        {wrapped, "Static", SS_LEFT},
        {centred, "Static", SS_CENTER},
        {plain, "Static", SS_LEFTNOWORDWRAP | SS_CENTERIMAGE},
        {frame, "Static", SS_ETCHEDFRAME},
        {line, "Static", SS_ETCHEDHORZ},
        {new QGroupBox("group", &parent), "Button", BS_GROUPBOX},
        {new QPushButton("push", &parent), "Button", BS_PUSHBUTTON},
        {new QListWidget(&parent), "ListBox", 0},
        {new QWidget(&parent), "QWidget", 0},
    };
    for (const Row& row : rows) {
        const ChildClass child = ClassOf(row.widget);
        EXPECT_EQ(row.name, child.name) << row.widget->metaObject()->className();
        EXPECT_EQ(row.style, child.style) << row.name;
    }
}

// A small dialog whose controls cover the anchor cases.
class LayoutDialog : public CResizableDialog {
public:
    LayoutDialog() : CResizableDialog(kTemplate, nullptr)
    {
        RegisterDialogTemplate({kTemplate, "Resizable", 160, 100, DS_CAPTION | DS_SYSMENU | DS_MINMAXBOX,
                                {{ControlKind::EtchedFrame, kFill, "", 7, 24, 146, 50},
                                 {ControlKind::PushButton, kTopRight, "Close", 113, 5, 40, 14},
                                 {ControlKind::StaticCentre, kCentre, "Centred", 55, 8, 50, 10},
                                 {ControlKind::Static, kFixed, "Fixed", 7, 8, 40, 10},
                                 {ControlKind::Trackbar, kBottom, "", 7, 80, 146, 14}}});
        Create(kTemplate, nullptr);
    }

    BOOL OnInitDialog() override
    {
        CResizableDialog::OnInitDialog();
        AddAnchor(Item(kFill), TOP_LEFT, BOTTOM_RIGHT);
        AddAnchor(Item(kTopRight), TOP_RIGHT);
        AddAnchor(Item(kCentre), TOP_CENTER, TOP_CENTER);
        AddAnchor(Item(kFixed), TOP_LEFT);
        AddAnchor(Item(kBottom), BOTTOM_LEFT, BOTTOM_RIGHT);
        ArrangeLayout();
        return TRUE;
    }

    QWidget* Item(int id) { return GetDlgItem(id)->GetSafeHwnd(); }
    QWidget* Window() { return GetSafeHwnd(); }
    QSizeGrip* Grip() { return Window()->findChild<QSizeGrip*>(); }
};

// Counts the move and resize events that reach a widget.
class GeometryEvents : public QObject {
public:
    explicit GeometryEvents(QObject* target) { target->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Move || event->type() == QEvent::Resize)
            ++count;
        return false;
    }
};

class ResizableDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dialog.ShowWindow(SW_SHOW);
        Settle();
        initial = dialog.Window()->size();
        for (int id : {kFill, kTopRight, kCentre, kFixed, kBottom})
            before[id] = dialog.Item(id)->geometry();
    }

    void ResizeBy(int dx, int dy)
    {
        dialog.Window()->resize(initial + QSize(dx, dy));
        Settle();
    }

    LayoutDialog dialog;
    QSize initial;
    std::map<int, QRect> before;
};

TEST_F(ResizableDialogTest, ChildrenFollowTheirAnchors)
{
    SaveArtifact(dialog.Window(), "resizable-initial.png");
    GeometryEvents fixedEvents(dialog.Item(kFixed));
    ResizeBy(240, 90);
    ASSERT_EQ(initial + QSize(240, 90), dialog.Window()->size());
    SaveArtifact(dialog.Window(), "resizable-larger.png");

    EXPECT_EQ(before[kFill].adjusted(0, 0, 240, 90), dialog.Item(kFill)->geometry());
    EXPECT_EQ(before[kTopRight].translated(240, 0), dialog.Item(kTopRight)->geometry());
    EXPECT_EQ(before[kCentre].translated(240 / 2, 0), dialog.Item(kCentre)->geometry());
    EXPECT_EQ(before[kBottom].adjusted(0, 90, 240, 90), dialog.Item(kBottom)->geometry());
    // A child whose place does not change is left alone.
    EXPECT_EQ(before[kFixed], dialog.Item(kFixed)->geometry());
    EXPECT_EQ(0, fixedEvents.count);

    ResizeBy(0, 0);
    for (int id : {kFill, kTopRight, kCentre, kFixed, kBottom})
        EXPECT_EQ(before[id], dialog.Item(id)->geometry()) << id;
}

TEST_F(ResizableDialogTest, NeverSmallerThanItsInitialSize)
{
    EXPECT_EQ(initial, dialog.Window()->minimumSize());
    dialog.Window()->resize(initial / 2);
    Settle();
    EXPECT_EQ(initial, dialog.Window()->size());
    ResizeBy(100, 0);
    EXPECT_EQ(initial + QSize(100, 0), dialog.Window()->size());
}

TEST_F(ResizableDialogTest, GripSitsInTheCornerAndHidesWhileMaximised)
{
    QSizeGrip* grip = dialog.Grip();
    ASSERT_NE(nullptr, grip);
    auto inCorner = [&] {
        return grip->geometry().bottomRight() == dialog.Window()->rect().bottomRight();
    };
    EXPECT_TRUE(grip->isVisible());
    EXPECT_TRUE(inCorner());
    // Only the lower-right triangle belongs to the grip.
    EXPECT_TRUE(grip->mask().contains(QPoint(grip->width() - 2, grip->height() - 2)));
    EXPECT_FALSE(grip->mask().contains(QPoint(1, 1)));

    ResizeBy(50, 40);
    EXPECT_TRUE(inCorner());

    dialog.ShowWindow(SW_SHOWMAXIMIZED);
    Settle();
    ASSERT_TRUE(dialog.Window()->isMaximized());
    EXPECT_FALSE(grip->isVisible());

    dialog.ShowWindow(SW_RESTORE);
    Settle();
    EXPECT_FALSE(dialog.Window()->isMaximized());
    EXPECT_TRUE(grip->isVisible());
    EXPECT_TRUE(inCorner());
}

}  // namespace
