// The tools box and its single-value windows: value texts, the statics fed
// from a worker at a high rate, the windows opened by a double click.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>
#include <atomic>
#include <cmath>
#include <limits>
#include <thread>

#include "core/ConfigFolder.h"
#include "display/ToolsProbeDlg.h"
#include "platform/Placement.h"
#include "probe/Frames.h"
#include "res/Resource.h"
#include "support/Artifacts.h"
#include "support/LoggerEmulator.h"

namespace {

TEST(ToolsBoxText, RawCountsAndCalibratedValuesWithTheChannelsDecimals)
{
    struct Case {
        double value;
        int decimals;
        const char* text;
    };
    const Case calibrated[] = {
        {3.14159, 3, "3.142"},
        {-0.5, 1, "-0.5"},
        {2.0, 2, "2.00"},
        {1234567.891, 3, "1234567.891"},
        {123456789.5, 3, "123456789.50"},  // cut to 12 characters
        {-12345678.25, 6, "-12345678.25"},
        {2.7, 0, "2"},                      // no decimals: the integer part
        {-2.7, 0, "-2"},
        {5.9, -1, "5"},                     // a negative count from a file: none
        {1e21, 0, "2147483647"},            // a replayed value that is not a number
        {std::numeric_limits<double>::quiet_NaN(), 0, "0"},
    };
    for (const Case& c : calibrated)
        EXPECT_EQ(c.text, CalibratedValueText(c.value, c.decimals)) << c.value << " " << c.decimals;
    EXPECT_EQ("1234", RawValueText(1234.9));
    EXPECT_EQ("0", RawValueText(0.0));
    EXPECT_EQ("%###.2f", BigDataFormat(2));
    EXPECT_EQ("%###.4f", BigDataFormat(4));
}

void DoubleClick(QWidget* widget)
{
    const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
    QMouseEvent event(QEvent::MouseButtonDblClick, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

class RecordingHost : public IToolsBoxHost {
public:
    int moves = 0;
    void MoveToLeftEdge(bool toZero) override { moves += toZero ? 1 : 100; }
};

class ToolsBoxTest : public ConfigFolderTest {
protected:
    void SetUp() override
    {
        ConfigFolderTest::SetUp();
        ToolRecord& tool = *theApp.m_pToolRecord;
        const char* titles[] = {"Gamma Ray", "Resistivity", "SP", "Temperature", "Conductivity", "Caliper"};
        const char* units[] = {"API", "Ohm.m", "mV", "degC", "mS/m", "mm"};
        for (int k = 0; k < 6; ++k) {
            ChannelRecord& channel = tool.channels[k];
            channel.Title = titles[k];
            channel.TitleShort = std::string(titles[k]).substr(0, 5);
            channel.Unit = units[k];
            channel.CalibComma = k;  // 0..5 decimals
            channel.Visible = k != 4;
        }
        m_box.SetHost(&m_host);
        ASSERT_TRUE(m_box.Create(IDD_TOOLS_PROBE_DLG, nullptr));
        m_box.SetChannelLabels(true);
    }

    void TearDown() override
    {
        m_box.OnCancel();
        {
            std::lock_guard lock(theApp.m_lastValuesMutex);
            *theApp.m_pSampleRecord = SampleRecord{};
        }
        theApp.m_rcMainWindow = RECT{0, 0, 0, 0};
        theApp.m_ptMaxSize = POINT{0, 0};
        ConfigFolderTest::TearDown();
    }

    void Show()
    {
        m_box.RestorePosition();
        m_box.ShowWindow(SW_SHOW);
        theApp.m_pRunState->toolsBoxVisible = 1;
    }

    static void SetStep(double scale)
    {
        std::lock_guard lock(theApp.m_lastValuesMutex);
        SampleRecord& sample = *theApp.m_pSampleRecord;
        for (int k = 0; k < 6; ++k) {
            sample.channelRaw[k] = 1000.0 * (k + 1) * scale;
            sample.channelValue[k] = 3.14159265 * (k + 1) * scale;
        }
        sample.sampleCount = 50;
        sample.frameByte13 = 13;
    }

    std::string Text(int id) { return m_box.GetDlgItem(id)->GetWindowText(); }
    QWidget* Item(int id) { return m_box.GetDlgItem(id)->GetSafeHwnd(); }

    RecordingHost m_host;
    CToolsProbeDlg m_box;
};

TEST_F(ToolsBoxTest, StaticsShowTheStepWithEachChannelsDecimalsAndHiddenChannelsDashes)
{
    Show();
    SetStep(1.0);
    m_box.UpdateValues();
    ASSERT_TRUE(WaitFor([&] { return m_box.RewriteCount() > 0; }, 1000));
    QCoreApplication::processEvents();
    const char* calibrated[] = {"3", "6.3", "9.42", "12.566", "---", "18.84956"};
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(k == 4 ? "---" : std::to_string(1000 * (k + 1)), Text(IDC_RAW_VALUE1 + k)) << k;
        EXPECT_EQ(calibrated[k], Text(IDC_CALIBRATED_VALUE1 + k)) << k;
    }
    EXPECT_EQ("50", Text(IDC_SLOT_VALUE));
    EXPECT_EQ("13", Text(IDC_TOOL_ID_VALUE));
    EXPECT_EQ("Gamma", Text(IDC_CHANNEL_NAME1));
    EXPECT_EQ("API", Text(IDC_CHANNEL_UNIT1));
    EXPECT_EQ("", Text(1054));  // channel 5 hidden
    EXPECT_EQ("", Text(IDC_CHANNEL_UNIT1 + 4));
    SaveArtifact(m_box.GetSafeHwnd(), "tools_box.png");

    // A reset of the labels clears the stored values.
    m_box.SetChannelLabels(true);
    const int before = m_box.RewriteCount();
    ASSERT_TRUE(WaitFor([&] { return m_box.RewriteCount() > before; }, 1000));
    QCoreApplication::processEvents();
    EXPECT_EQ("0", Text(IDC_RAW_VALUE1));
    EXPECT_EQ("0.0", Text(IDC_CALIBRATED_VALUE1 + 1));
}

TEST_F(ToolsBoxTest, UpdatesWhileTheBoxIsClosedChangeNothing)
{
    SetStep(1.0);
    m_box.UpdateValues();
    WaitFor([] { return false; }, 120);
    EXPECT_EQ(1, m_box.RewriteCount());  // the one asked by the labels
    EXPECT_EQ("0", Text(IDC_RAW_VALUE1));
}

TEST_F(ToolsBoxTest, AWorkerAtAHighRateGetsTheStaticsRewrittenAtMostEvery40Ms)
{
    Show();
    WaitFor([] { return false; }, 60);
    const int before = m_box.RewriteCount();
    std::atomic<bool> stop{false};
    std::atomic<int> steps{0};
    std::thread worker([&] {
        for (double scale = 1.0; !stop; scale += 1.0) {
            SetStep(scale);
            m_box.UpdateValues();
            ++steps;
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
        SetStep(2.0);
        m_box.UpdateValues();
    });
    QElapsedTimer clock;
    clock.start();
    // Long enough for several rewrites, however slowly this machine runs the timer.
    const bool rewritten = WaitFor([&] { return clock.elapsed() >= 600 && m_box.RewriteCount() - before >= 5; }, 10000);
    stop = true;
    worker.join();
    const qint64 elapsed = clock.elapsed();
    const int rewrites = m_box.RewriteCount() - before;
    EXPECT_GT(steps.load(), 1000);
    EXPECT_TRUE(rewritten) << rewrites;
    // Qt may fire a coarse timer up to 5 % early.
    EXPECT_LE(rewrites, elapsed / 38 + 2) << elapsed << " ms";
    ASSERT_TRUE(WaitFor([&] { return Text(IDC_RAW_VALUE1) == "2000"; }, 1000));
    EXPECT_EQ("6", Text(IDC_CALIBRATED_VALUE1));
}

TEST_F(ToolsBoxTest, DoubleClickOpensTheChannelsWindowAndClosingTheBoxStoresTheOpenOnes)
{
    Show();
    // A window never opened keeps the placement it has.
    WindowPlacement& keep = theApp.m_pPlacementStore->placements[kPlacementValueWindowFirst + 2];
    keep.length = kPlacementLength;
    keep.rcNormalPosition = RECT{40, 50, 400, 250};
    const WindowPlacement kept = keep;

    DoubleClick(Item(IDC_RAW_VALUE1 + 4));  // hidden channel: nothing
    DoubleClick(Item(IDC_CALIBRATED_VALUE1 + 4));
    for (int i = 0; i < CToolsProbeDlg::kWindows; ++i)
        EXPECT_FALSE(m_box.Window(i).IsWindowVisible()) << i;

    DoubleClick(Item(IDC_RAW_VALUE1));
    DoubleClick(Item(IDC_CALIBRATED_VALUE1 + 3));
    CBigData& raw = m_box.Window(0);
    CBigData& temperature = m_box.Window(9);
    ASSERT_TRUE(raw.IsWindowVisible());
    ASSERT_TRUE(temperature.IsWindowVisible());
    EXPECT_EQ("CH1 :Gamma Ray RAW CPS", raw.Title());
    EXPECT_EQ("CH4 :Temperature Calibrated - degC", temperature.Title());
    EXPECT_EQ("0", raw.Readout().GetText());

    SetStep(1.0);
    m_box.UpdateValues();
    EXPECT_EQ("1000", raw.Readout().GetText());
    EXPECT_EQ("12.566", temperature.Readout().GetText());
    EXPECT_EQ("", m_box.Window(1).Readout().GetText());  // not open
    WaitFor([] { return false; }, 250);
    SaveArtifact(temperature.GetSafeHwnd(), "single_value_small.png");
    // Resized with no new value (a paused replay): the value is drawn again at the new size.
    temperature.GetSafeHwnd()->resize(700, 320);
    WaitFor([] { return false; }, 250);
    const QImage large = temperature.Readout().GetSafeHwnd()->grab().toImage();
    int ink = 0;
    for (int x = 0; x < large.width(); ++x)
        ink += large.pixelColor(x, large.height() / 2) == QColor(255, 255, 0);
    EXPECT_GT(ink, 100);
    SaveArtifact(temperature.GetSafeHwnd(), "single_value_large.png");

    // Fast Update: the read-out redraws every 20 ms instead of every 200 ms.
    auto* fast = qobject_cast<QAbstractButton*>(temperature.GetDlgItem(IDC_FAST_UPDATE)->GetSafeHwnd());
    EXPECT_EQ(200, temperature.Readout().GetRefreshDelay());
    fast->click();
    EXPECT_EQ(20, temperature.Readout().GetRefreshDelay());
    fast->click();
    EXPECT_EQ(200, temperature.Readout().GetRefreshDelay());

    // Enter closes the windows as Escape does.
    temperature.GetSafeHwnd()->move(120, 130);  // as dragged
    QTest::keyClick(temperature.GetSafeHwnd(), Qt::Key_Return);
    EXPECT_FALSE(temperature.IsWindowVisible());
    m_box.GetSafeHwnd()->move(60, 70);
    QTest::keyClick(m_box.GetSafeHwnd(), Qt::Key_Return);
    EXPECT_FALSE(m_box.IsWindowVisible());
    EXPECT_EQ(60, LONG{theApp.m_pPlacementStore->placements[kPlacementToolsBox].rcNormalPosition.left});
    EXPECT_EQ(70, LONG{theApp.m_pPlacementStore->placements[kPlacementToolsBox].rcNormalPosition.top});
    EXPECT_EQ(0, theApp.m_pRunState->toolsBoxVisible);
    EXPECT_FALSE(raw.IsWindowVisible());
    EXPECT_FALSE(temperature.IsWindowVisible());
    const WindowPlacement& stored = theApp.m_pPlacementStore->placements[kPlacementValueWindowFirst + 9];
    // Packed fields are compared by value.
    EXPECT_EQ(kPlacementLength, DWORD{stored.length});
    EXPECT_EQ(120, LONG{stored.rcNormalPosition.left});
    EXPECT_EQ(130, LONG{stored.rcNormalPosition.top});
    EXPECT_EQ(kPlacementLength, DWORD{theApp.m_pPlacementStore->placements[kPlacementValueWindowFirst].length});
    EXPECT_EQ(0, std::memcmp(&kept, &keep, sizeof kept));
    EXPECT_EQ(0u, DWORD{theApp.m_pPlacementStore->placements[kPlacementValueWindowFirst + 1].length});

    // Opened again: where it was left.
    Show();
    DoubleClick(Item(IDC_CALIBRATED_VALUE1 + 3));
    EXPECT_EQ(120, temperature.GetWindowRect().left);
}

TEST_F(ToolsBoxTest, WithoutAStoredPlacementTheBoxGoesBesideTheMainWindowOnAWideScreen)
{
    theApp.m_rcMainWindow = RECT{0, 0, 800, 600};
    theApp.m_ptMaxSize = POINT{1920, 1080};
    const RECT own = m_box.GetWindowRect();
    m_box.RestorePosition();
    EXPECT_EQ(1, m_host.moves);
    const RECT at = m_box.GetWindowRect();
    EXPECT_EQ(815, at.left);
    EXPECT_EQ(600 - (own.bottom - own.top) + 10, at.top);
    EXPECT_EQ(own.right - own.left, at.right - at.left);

    // A narrow screen: the main window moves, the box stays.
    theApp.m_ptMaxSize = POINT{750, 600};
    m_box.GetSafeHwnd()->move(5, 6);
    m_box.RestorePosition();
    EXPECT_EQ(2, m_host.moves);
    EXPECT_EQ(5, m_box.GetWindowRect().left);

    WindowPlacement& stored = theApp.m_pPlacementStore->placements[kPlacementToolsBox];
    stored.length = kPlacementLength;
    stored.rcNormalPosition = RECT{300, 310, 300 + own.right - own.left, 310 + own.bottom - own.top};
    m_box.RestorePosition();
    EXPECT_EQ(2, m_host.moves);
    EXPECT_EQ(300, m_box.GetWindowRect().left);
}

}  // namespace
