#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QProcess>
#include <QTimer>
#include <QWidget>
#include <array>
#include <gtest/gtest.h>
#include <unistd.h>

#include "core/ConfigFolder.h"
#include "core/RunState.h"
#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "platform/Placement.h"
#include "probe/Frames.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/Artifacts.h"

namespace {

// Records the texts the shutdown window's message shows while it is visible.
class ShownTexts : public QObject {
public:
    std::vector<std::string> texts;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* label = qobject_cast<QLabel*>(watched);
        if (label != nullptr && event->type() == QEvent::Paint && label->window()->isVisible())
            texts.push_back(label->text().toStdString());
        return false;
    }
};

// Runs the program in a fresh program folder, which has no driver library.
class StartupTest : public ConfigFolderTest {
protected:
    void SetUp() override
    {
        ConfigFolderTest::SetUp();
        SetApplicationName("kvx_tests_" + std::to_string(getpid()));
    }
    void TearDown() override
    {
        CInstanceChecker::CloseFirstInstanceMapping();
        ConfigFolderTest::TearDown();
    }
    void ExpectDriverMissing() { boxes.Expect("USB driver not installed."); }

    ScriptedMessageBoxes boxes;

    QWidget* MainWindow() { return theApp.m_pMainWnd ? theApp.m_pMainWnd->GetSafeHwnd() : nullptr; }
};

TEST(StartupRecords, DefaultsBeforeStart)
{
    // Channels 7 to 10 keep their constructed marks until a tool file is loaded.
    for (int i = 6; i < 10; ++i) {
        EXPECT_EQ(-1, theApp.m_pToolRecord->channels[i].LogicalCh);
        EXPECT_EQ(-1, theApp.m_pToolRecord->channels[i].DisplayTrack);
    }
    EXPECT_EQ(0, theApp.m_pToolRecord->channels[0].LogicalCh);
    EXPECT_EQ(4, theApp.m_pLoggerSettings->recordingMode);
    EXPECT_EQ(1, theApp.m_bReplayAtStart);
    EXPECT_EQ(1, theApp.m_bTechnicalToolsOn);
    EXPECT_EQ(40, theApp.m_nRefreshTime);
    EXPECT_NE(nullptr, theApp.m_pRxBuffer);
    EXPECT_EQ(0, theApp.m_pRxBuffer[CVarnoLogger_KVXApp::kRxBufferSize - 1]);
}

TEST(StartupWithoutDisplay, SaysWhatIsMissingAndEndsWithOne)
{
    // Each environment would make Qt abort on its X11 platform.
    const std::vector<std::vector<std::pair<QString, QString>>> environments = {
        {},
        {{"QT_QPA_PLATFORM", "xcb"}},
        {{"QT_QPA_PLATFORM", ""}, {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}},
    };
    for (const auto& variables : environments) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(name);
        for (const auto& [name, value] : variables)
            env.insert(name, value);
        SCOPED_TRACE(env.toStringList().filter("DISPLAY").join(' ').toStdString() +
                     env.toStringList().filter("QT_QPA").join(' ').toStdString());
        QProcess program;
        program.setProgram(QString(KVX_PROGRAM_DIR) + "/varnologger");
        program.setProcessEnvironment(env);
        program.start();
        ASSERT_TRUE(program.waitForFinished(10000));
        EXPECT_EQ(QProcess::NormalExit, program.exitStatus());
        EXPECT_EQ(1, program.exitCode());
        EXPECT_EQ("varnologger needs a graphical session: run it from a desktop, or set DISPLAY "
                  "(for example under xvfb-run).\n",
                  program.readAllStandardError().toStdString());
    }
}

TEST_F(StartupTest, RunsMainWindowThenShowsShutdownWindow)
{
    theApp.m_pRunState->playing = 1;
    ShownTexts shown;
    bool sawMainWindow = false;
    std::string title;
    QElapsedTimer sinceClose;
    ExpectDriverMissing();

    QTimer::singleShot(300, [&] {
        QWidget* main = MainWindow();
        sawMainWindow = main != nullptr && main->isVisible();
        if (main != nullptr)
            title = main->windowTitle().toStdString();
        SaveArtifact(main, "main-window.png");
        QWidget* end = theApp.m_endProcessDlg.GetSafeHwnd();
        ASSERT_NE(nullptr, end);
        EXPECT_FALSE(end->isVisible());
        for (QLabel* label : end->findChildren<QLabel*>())
            label->installEventFilter(&shown);
        sinceClose.start();
        main->close();
    });

    EXPECT_FALSE(theApp.InitInstance());
    qint64 closing = sinceClose.elapsed();

    EXPECT_TRUE(sawMainWindow);
    // Qt holds the no-break space as U+00A0.
    EXPECT_EQ("KVX Acquisition software version\u00A0" "2.10", title);
    EXPECT_EQ(nullptr, theApp.m_pMainWnd);
    EXPECT_EQ(1, theApp.m_bClosing);
    EXPECT_EQ(0, theApp.m_pRunState->playing);
    EXPECT_EQ(1, theApp.m_bDepthWithoutOffset);
    EXPECT_EQ(2, theApp.m_pSampleRecord->channelDecimals[5]);
    EXPECT_EQ("KVX Acquisition software", g_strSoftwareName);
    EXPECT_EQ(250, encoderRateLimit);

    ASSERT_FALSE(shown.texts.empty());
    EXPECT_EQ("Shutdown process ... please wait", shown.texts.back());
    EXPECT_EQ("Shutdown process ... please wait", theApp.m_endProcessDlg.GetMessage());
    EXPECT_FALSE(theApp.m_endProcessDlg.IsWindowVisible());
    // No thread runs: the close check takes half a second, the shutdown
    // window stays two seconds, and the waits add nothing.
    EXPECT_GE(closing, 2500);
    EXPECT_LT(closing, 6000);
    EXPECT_TRUE(std::filesystem::exists(Path("Zarkv.cfg")));
    EXPECT_EQ(985u, std::filesystem::file_size(Path("Zarkv.dat")));
    theApp.m_bClosing = 0;
}

TEST_F(StartupTest, ShutdownWaitsAreBoundedForAStuckThread)
{
    std::atomic<bool> release{false};
    theApp.m_pReadThread = CWinThread::Begin([&] {
        while (!release)
            Sleep(10);
        return 0u;
    });
    theApp.m_bReadThreadRunning = 1;

    QElapsedTimer sinceClose;
    ExpectDriverMissing();
    QTimer::singleShot(200, [&] {
        sinceClose.start();
        MainWindow()->close();
    });
    EXPECT_FALSE(theApp.InitInstance());
    qint64 closing = sinceClose.elapsed();
    release = true;

    // Without a driver the close check does not wait for the reader; the
    // shut-down waits its two seconds, then shows its window for two more.
    EXPECT_GE(closing, 4500);
    EXPECT_LT(closing, 8500);
    EXPECT_EQ(0, theApp.m_bReadThreadRunning);
    EXPECT_TRUE(theApp.m_pReadThread.load()->WaitForEnd(1000));
    theApp.m_pReadThread = std::shared_ptr<CWinThread>();
    theApp.m_bClosing = 0;
}

TEST_F(StartupTest, MainWindowComesBackWhereAndAsLargeAsItWasClosed)
{
    WindowPlacementStore stored;
    WindowPlacement& main = stored.placements[kPlacementMain];
    main.length = kPlacementLength;
    main.showCmd = SW_SHOWNORMAL;
    main.rcNormalPosition = {40, 30, 1046, 656};
    WriteFile("Zarkv.dat", std::string(reinterpret_cast<const char*>(&stored), sizeof stored));
    ExpectDriverMissing();
    QRect frame;
    QTimer::singleShot(300, [&] {
        frame = MainWindow()->frameGeometry();
        MainWindow()->close();
    });
    EXPECT_FALSE(theApp.InitInstance());
    theApp.m_bClosing = 0;

    // The window's frame, title bar included, is where the placement put it.
    EXPECT_EQ(QRect(40, 30, 1006, 626), frame);
    const std::string dat = ReadFile("Zarkv.dat");
    ASSERT_EQ(sizeof stored, dat.size());
    const auto& closed = reinterpret_cast<const WindowPlacementStore*>(dat.data())->placements[kPlacementMain];
    EXPECT_EQ(DWORD(SW_SHOWNORMAL), DWORD{closed.showCmd});
    const RECT& rc = closed.rcNormalPosition;
    EXPECT_EQ((std::array<long, 4>{40, 30, 1046, 656}),
              (std::array<long, 4>{LONG{rc.left}, LONG{rc.top}, LONG{rc.right}, LONG{rc.bottom}}));
}

TEST_F(StartupTest, SecondInstanceBringsTheFirstForwardAndEnds)
{
    ExpectDriverMissing();
    int exitCode = -1;
    bool secondEnded = false;
    bool restored = false;

    QTimer::singleShot(300, [&] {
        QWidget* main = MainWindow();
        main->showMinimized();
        QCoreApplication::processEvents();

        QProcess second;
        second.setProgram(QString(KVX_PROGRAM_DIR) + "/varnologger");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        // The test's own instance: never an operator's running program.
        env.insert("KVX_APPLICATION_NAME", QString::fromStdString(GetApplicationName()));
        second.setProcessEnvironment(env);
        QElapsedTimer clock;
        clock.start();
        second.start();
        while (!second.waitForFinished(10) && clock.elapsed() < 20000)
            QCoreApplication::processEvents();
        secondEnded = second.state() == QProcess::NotRunning;
        if (!secondEnded)
            second.kill();
        exitCode = second.exitCode();
        QCoreApplication::processEvents();
        restored = !main->isMinimized();
        main->close();
    });
    EXPECT_FALSE(theApp.InitInstance());

    // A second instance that opened its own main window would wait for its user.
    EXPECT_TRUE(secondEnded);
    EXPECT_EQ(0, exitCode);
    EXPECT_TRUE(restored);
    theApp.m_bClosing = 0;
}

}  // namespace
