#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QThread>
#include <gtest/gtest.h>
#include <thread>

#include "platform/Colors.h"
#include "platform/UiThread.h"
#include "platform/Dialog.h"
#include "toolkit/ColorStaticST.h"
#include "support/Artifacts.h"

namespace {

constexpr int kTemplate = 9102;
constexpr int kCaption = 301;
constexpr int kStatus = 1017;
constexpr int kValue = 1037;
constexpr int kPlain = 1038;
constexpr COLORREF kDefault = COLORREF(-1);

// Counts the calls queued to the user-interface thread.
class PostedCalls : public QObject {
public:
    PostedCalls() { QCoreApplication::instance()->installEventFilter(this); }
    ~PostedCalls() override { QCoreApplication::instance()->removeEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == UiCallEvent())
            ++count;
        return false;
    }
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

// Statics bound through data exchange, as the panels bind theirs.
class StaticsDialog : public CDialog {
public:
    StaticsDialog() : CDialog(kTemplate, nullptr)
    {
        RegisterDialogTemplate({kTemplate, "Statics", 180, 70, DS_CAPTION | DS_VISIBLE,
                                {{ControlKind::StaticCentre, kCaption, "Probe Control", 5, 5, 170, 12},
                                 {ControlKind::Static, kStatus, "", 5, 20, 170, 12},
                                 {ControlKind::StaticCentre, kValue, "0", 5, 35, 80, 12},
                                 {ControlKind::Static, kPlain, "Plain", 95, 35, 80, 12}}});
        Create(kTemplate, nullptr);
    }

    void DoDataExchange(CDataExchange* dx) override
    {
        DDX_Control(dx, kCaption, caption);
        DDX_Control(dx, kStatus, status);
        DDX_Control(dx, kValue, value);
    }

    QLabel* Label(int id) { return qobject_cast<QLabel*>(GetDlgItem(id)->GetSafeHwnd()); }

    CColorStaticST caption;
    CColorStaticST status;
    CColorStaticST value;
};

QColor ShownText(QLabel* label) { return label->palette().color(QPalette::WindowText); }
QColor ShownBackground(QLabel* label) { return label->palette().color(QPalette::Window); }

TEST(ColorStaticST, MinusOneRestoresTheSystemColours)
{
    StaticsDialog dialog;
    QLabel* label = dialog.Label(kStatus);
    const COLORREF buttonText = GetSysColor(COLOR_BTNTEXT);
    const COLORREF buttonFace = GetSysColor(COLOR_BTNFACE);
    EXPECT_TRUE(label->autoFillBackground());
    EXPECT_EQ(buttonFace, dialog.status.GetBkColor());

    struct Row {
        COLORREF text;
        COLORREF background;
        COLORREF shownText;
        COLORREF shownBackground;
    };
    const Row rows[] = {
        {RGB(255, 255, 255), RGB(255, 0, 0), RGB(255, 255, 255), RGB(255, 0, 0)},
        {kDefault, kDefault, buttonText, buttonFace},
        {0, 0, RGB(0, 0, 0), RGB(0, 0, 0)},
        {RGB(0, 0, 255), 0x00FFFF, RGB(0, 0, 255), RGB(255, 255, 0)},
        {kDefault, kDefault, buttonText, buttonFace},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << row.text << " on " << row.background);
        dialog.status.SetTextColor(row.text);
        dialog.status.SetBkColor(row.background);
        EXPECT_EQ(row.shownBackground, dialog.status.GetBkColor());
        EXPECT_EQ(ToQColor(row.shownText), ShownText(label));
        EXPECT_EQ(ToQColor(row.shownBackground), ShownBackground(label));
    }
    // The neighbours keep their own look.
    EXPECT_EQ(ToQColor(buttonFace), ShownBackground(dialog.Label(kValue)));
    EXPECT_FALSE(dialog.Label(kPlain)->autoFillBackground());
}

TEST(ColorStaticST, UpdatesFromWorkerQueueOneCallAndShowTheLatest)
{
    StaticsDialog dialog;
    RunEventsFor(20);
    PostedCalls posted;

    std::thread reader([&] {
        for (int i = 0; i <= 10000; ++i) {
            dialog.value.SetWindowText(std::to_string(i));
            dialog.value.SetTextColor(i % 2 ? RGB(255, 0, 0) : RGB(0, 0, 255));
            dialog.status.SetBkColor(RGB(0, 0, i % 256));
        }
    });
    reader.join();
    EXPECT_EQ("0", dialog.Label(kValue)->text().toStdString());
    RunEventsFor(20);

    EXPECT_EQ(2, posted.count);  // one per static
    EXPECT_EQ("10000", dialog.Label(kValue)->text().toStdString());
    EXPECT_EQ(QColor(0, 0, 255), ShownText(dialog.Label(kValue)));
    EXPECT_EQ(QColor(0, 0, 16), ShownBackground(dialog.Label(kStatus)));

    // On the user-interface thread the change is immediate.
    dialog.value.SetWindowText("12.5");
    EXPECT_EQ("12.5", dialog.Label(kValue)->text().toStdString());
    EXPECT_EQ(2, posted.count);
}

TEST(ColorStaticST, Picture)
{
    if (!ArtifactsWanted())
        GTEST_SKIP() << "KVX_TEST_ARTIFACTS not set";
    StaticsDialog dialog;
    dialog.caption.SetTextColor(RGB(255, 255, 255));
    dialog.caption.SetBkColor(RGB(0, 0, 0));
    dialog.status.SetTextColor(RGB(255, 255, 255));
    dialog.status.SetBkColor(RGB(255, 0, 0));
    dialog.status.SetWindowText("No response");
    dialog.value.SetBkColor(0x00FFFF);
    dialog.value.SetWindowText("1234.56");
    RunEventsFor(20);
    SaveArtifact(dialog.GetSafeHwnd(), "colour-statics.png");
}

}  // namespace
