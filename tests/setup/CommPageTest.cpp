// The communication page on its own: the edit checks, the LED hold, and the
// auto check refused during a record.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QTest>
#include <string>

#include "core/RunState.h"
#include "core/Settings.h"
#include "core/VarnoLogger_KVXApp.h"
#include "probe/Frames.h"
#include "res/Icons.h"
#include "res/Resource.h"
#include "setup/PCommDlg.h"
#include "support/Artifacts.h"
#include "support/LoggerEmulator.h"
#include "support/ScriptedMessageBoxes.h"

namespace {

class CountingHost : public ICommPageHost {
public:
    bool SendCommFrame() override { return ++commFrames > 0; }
    bool SendRecordingModeFrame() override { return ++modeFrames > 0; }
    void SaveCommSettings() override { ++saves; }
    void ClearToolsBoxUpdateFlag() override {}
    void RefreshPages() override {}
    int commFrames = 0, modeFrames = 0, saves = 0;
};

class CommPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedSettings = *theApp.m_pLoggerSettings;
        theApp.m_pLoggerSettings->CommDrive = 25;
        theApp.m_pLoggerSettings->CommGain = 15;
        m_page.SetHost(&m_host);
        ASSERT_TRUE(m_page.Create(IDD_COMM_PAGE, nullptr));
    }
    void TearDown() override
    {
        *theApp.m_pLoggerSettings = m_savedSettings;
        *theApp.m_pRunState = RunState{};
        *theApp.m_pFrameState = FrameState{};
    }

    void Click(int id)
    {
        qobject_cast<QAbstractButton*>(m_page.GetDlgItem(id)->GetSafeHwnd())->click();
    }
    // The LED pictures, 'G' green, 'R' red, 'Y' yellow, '-' grey.
    std::string Leds()
    {
        std::string picture;
        for (int i = 0; i < 7; ++i) {
            HICON icon = m_page.LedIcon(i);
            picture += icon == LoadIconById(IDI_LED_GREEN, 16)    ? 'G'
                       : icon == LoadIconById(IDI_LED_RED, 16)    ? 'R'
                       : icon == LoadIconById(IDI_LED_YELLOW, 16) ? 'Y'
                                                                  : '-';
        }
        return picture;
    }

    LoggerSettings m_savedSettings;
    CountingHost m_host;
    CPCommDlg m_page;
};

TEST_F(CommPageTest, SetAcceptsDrive5To60AndGain0To35AndSendsThemOnce)
{
    struct Case {
        const char *drive, *gain;
        bool accepted;
    };
    const Case cases[] = {
        {"5", "0", true},   {"60", "35", true}, {"4", "20", false},
        {"61", "20", false}, {"30", "36", false},
    };
    for (const Case& c : cases) {
        ScriptedMessageBoxes boxes;
        theApp.m_pLoggerSettings->CommDrive = 25;
        theApp.m_pLoggerSettings->CommGain = 15;
        m_host = CountingHost{};
        m_page.SetDlgItemText(IDC_COMM_DRIVE, c.drive);
        m_page.SetDlgItemText(IDC_COMM_GAIN, c.gain);
        if (!c.accepted)
            boxes.Expect("Bad entered value");
        Click(IDC_COMM_SET);
        // The send timer, 50 ms after the change.
        WaitFor([&] { return m_host.commFrames > 0; }, 300);
        const std::string what = std::string(c.drive) + "/" + c.gain;
        if (c.accepted) {
            EXPECT_EQ(std::atoi(c.drive), theApp.m_pLoggerSettings->CommDrive) << what;
            EXPECT_EQ(std::atoi(c.gain), theApp.m_pLoggerSettings->CommGain) << what;
            EXPECT_EQ(1, m_host.commFrames) << what;
            EXPECT_EQ(1, m_host.saves) << what;
        } else {
            // The other value passed its check and is taken; the refused one is
            // not, and the stored one in force is shown again: a second Set tells nothing.
            EXPECT_TRUE(theApp.m_pLoggerSettings->CommDrive != std::atoi(c.drive) ||
                        theApp.m_pLoggerSettings->CommGain != std::atoi(c.gain))
                << what;
            EXPECT_EQ(std::to_string(theApp.m_pLoggerSettings->CommDrive), m_page.GetDlgItemText(IDC_COMM_DRIVE, 20))
                << what;
            EXPECT_EQ(std::to_string(theApp.m_pLoggerSettings->CommGain), m_page.GetDlgItemText(IDC_COMM_GAIN, 20))
                << what;
            Click(IDC_COMM_SET);
        }
        m_page.KillTimer(CPCommDlg::kAckTimer);
    }
}

TEST_F(CommPageTest, ATextThatIsNoNumberIsToldOnceAndTheStoredValueShownAgain)
{
    ScriptedMessageBoxes boxes;
    m_page.SetDlgItemText(IDC_COMM_DRIVE, "12x");
    boxes.Expect("Please enter a number.");
    m_page.OnCommand(MAKEWPARAM(WORD(IDC_COMM_DRIVE), EN_KILLFOCUS), 0);
    EXPECT_EQ("25", m_page.GetDlgItemText(IDC_COMM_DRIVE, 20));
    Click(IDC_COMM_SET);
    EXPECT_EQ(1u, boxes.AllShown().size());
    EXPECT_EQ(25, theApp.m_pLoggerSettings->CommDrive);
    m_page.KillTimer(CPCommDlg::kSendTimer);
}

// An arrow steps the value shown and its release takes it; a text that is no
// number is told once, and the stored value comes back and is kept.
TEST_F(CommPageTest, SpinArrowsStepTheValueAndNeverTakeOneThatIsNoNumber)
{
    const struct {
        int spin, edit;
        const char* typed;
        const char* shown;
        int drive, gain;
        bool told;
        bool released = true;  // false: the box took the release
    } cases[] = {
        {IDC_COMM_DRIVE_SPIN, IDC_COMM_DRIVE, "12x", "25", 25, 15, true, false},
        {IDC_COMM_DRIVE_SPIN, IDC_COMM_DRIVE, "30", "31", 31, 15, false},
        {IDC_COMM_DRIVE_SPIN, IDC_COMM_DRIVE, "1x", "25", 25, 15, true},
        {IDC_COMM_GAIN_SPIN, IDC_COMM_GAIN, "20x", "15", 25, 15, true},
    };
    m_page.ShowWindow(SW_SHOW);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        ScriptedMessageBoxes boxes;
        theApp.m_pLoggerSettings->CommDrive = 25;
        theApp.m_pLoggerSettings->CommGain = 15;
        m_host = CountingHost{};
        m_page.SetDlgItemText(c.edit, c.typed);
        if (c.told)
            boxes.Expect("Please enter a number.");
        QWidget* bar = m_page.GetDlgItem(c.spin)->GetSafeHwnd();
        const QPoint up(bar->width() / 2, 1);
        QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, up);
        if (!c.released) {
            // The box ended the press: the stored value is taken and sent, and the arrow steps no more.
            EXPECT_TRUE(WaitFor([&] { return m_host.commFrames > 0; }, 3000)) << "the frame the end of the press sends";
            EXPECT_EQ(c.shown, m_page.GetDlgItemText(c.edit, 20));
        }
        QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, up);
        EXPECT_EQ(c.shown, m_page.GetDlgItemText(c.edit, 20));
        EXPECT_EQ(c.drive, theApp.m_pLoggerSettings->CommDrive);
        EXPECT_EQ(c.gain, theApp.m_pLoggerSettings->CommGain);
        m_page.KillTimer(CPCommDlg::kSendTimer);
    }
}

TEST_F(CommPageTest, ABadStatusStaysOnTheLedsForASecondAfterTheLastBadReply)
{
    EXPECT_EQ("-------", Leds());
    theApp.m_pFrameState->replyStatus = 0x4A;  // no response, checksum, frame length
    theApp.m_pFrameState->errorFlags = 0x4A;
    m_page.UpdateStatusLeds();
    EXPECT_EQ("-R-R--R", Leds());
    EXPECT_EQ(0, theApp.m_pFrameState->errorFlags);

    theApp.m_pFrameState->replyStatus = 0x31;
    m_page.UpdateStatusLeds();
    EXPECT_EQ("-R-R--R", Leds());
    QCoreApplication::processEvents();
    EXPECT_TRUE(WaitFor([&] {
        m_page.UpdateStatusLeds();
        return Leds() == "G---YY-";
    }, 2000));
    SaveArtifact(m_page.GetSafeHwnd(), "comm_page_leds.png");
}

TEST_F(CommPageTest, CheckDuringARecordIsRefused)
{
    ScriptedMessageBoxes boxes;
    theApp.m_pRunState->recording = 1;
    boxes.Expect("Stop your record before use this option");
    Click(IDC_COMM_CHECK);
    EXPECT_EQ(0, m_host.modeFrames);
    EXPECT_EQ(0, theApp.m_bCheckCommRunning);
}

}  // namespace
