// The winch page's checks of the wheel and encoder, typed into its edits:
// ranges first, then x before y, and which value is kept on a refusal.
#include <gtest/gtest.h>

#include <QTest>
#include <cstdint>
#include <string>

#include "core/Settings.h"
#include "core/VarnoLogger_KVXApp.h"
#include "probe/Frames.h"
#include "res/Resource.h"
#include "setup/PWinchDlg.h"
#include "support/ScriptedMessageBoxes.h"

namespace {

class CountingHost : public IWinchPageHost {
public:
    bool SendSettingsFrame() override { return ++sends, true; }
    void SaveWinch() override { ++saves; }
    void ClearToolsBoxUpdateFlag() override { ++clears; }
    int sends = 0, saves = 0, clears = 0;
};

class WinchPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saved = *theApp.m_pLoggerSettings;
        m_page.SetHost(&m_host);
        ASSERT_TRUE(m_page.Create(IDD_WINCH_PAGE, nullptr));
    }
    void TearDown() override { *theApp.m_pLoggerSettings = m_saved; }

    // 500.0 mm and 1000 pulses a turn stored and shown.
    void Reset()
    {
        LoggerSettings& settings = *theApp.m_pLoggerSettings;
        settings.PulleysDiameter = 5000;
        settings.PulsResolution = 1000;
        settings.encoderRateFixed = 20480;
        settings.encoderRate = 80.0;
        m_page.UpdateFromRecord();
    }

    LoggerSettings m_saved;
    CountingHost m_host;
    CPWinchDlg m_page;
};

TEST_F(WinchPageTest, CircumferenceAndResolutionChecksKeepOnlyAcceptedValues)
{
    constexpr int C = IDC_WINCH_CIRCUMFERENCE;
    constexpr int R = IDC_WINCH_RESOLUTION;
    struct Case {
        int checked;  // the edit that loses the focus
        const char* c;
        const char* r;
        const char* message;  // "" when accepted
        int diameter, pulses;
        std::uint32_t fixed;
        const char* shown;  // what the checked edit shows afterwards
    };
    const Case cases[] = {
        {C, "250", "1000", "", 2500, 1000, 40960, "250.0"},
        {C, "249.9", "1000", "Bad entered value.\nMin 250 - Max 1500", 5000, 1000, 20480, "500.0"},
        {C, "1500.1", "2000", "Bad entered value.\nMin 250 - Max 1500", 5000, 1000, 20480, "500.0"},
        {C, "1500", "2000", "", 15000, 2000, 13653, "1500.0"},
        {R, "500.0", "499", "Bad entered value.\nMin 500 - Max 10000", 5000, 1000, 20480, "1000"},
        {R, "500.0", "10001", "Bad entered value.\nMin 500 - Max 10000", 5000, 1000, 20480, "1000"},
        {R, "250.0", "500", "", 2500, 500, 20480, "500"},
        {R, "1000.0", "10000", "", 10000, 10000, 102400, "10000"},
        // x = 3000 exactly is accepted; one pulse less is too high, the resolution already taken.
        {C, "1000", "1000", "", 10000, 1000, 10240, "1000.0"},
        {C, "1000", "999", "Too high wheel/encoder combination", 5000, 999, 20480, "500.0"},
        // x = 125 is refused before y is looked at.
        {C, "250", "6000", "Too low wheel/encoder combination", 5000, 6000, 20480, "500.0"},
        // y = 510 exactly is refused, the circumference already taken; 509.9 is accepted.
        {R, "400.0", "5100", "Bad wheel/encoder combination", 4000, 1000, 20480, "1000"},
        {R, "400.0", "5099", "", 4000, 5099, 130534, "5099"},
        // A resolution out of its range is never taken by the circumference check.
        {C, "500.0", "20000", "Too low wheel/encoder combination", 5000, 1000, 20480, "500.0"},
        {C, "5OO", "1000", "Please enter a number.", 5000, 1000, 20480, "500.0"},
        // A resolution that is no number is told alone and never taken; the other check uses the stored one.
        {R, "500.0", "1200x", "Please enter a number.", 5000, 1000, 20480, "1000"},
        {R, "500.0", "1x", "Please enter a number.", 5000, 1000, 20480, "1000"},
        {C, "600", "1200x", "Please enter a number.", 6000, 1000, 17067, "600.0"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.c) + " mm, " + k.r + " pulses");
        Reset();
        m_page.SetDlgItemText(C, k.c);
        m_page.SetDlgItemText(R, k.r);
        {
            ScriptedMessageBoxes boxes;
            if (*k.message)
                boxes.Expect(k.message);
            m_page.OnCommand(MAKEWPARAM(WORD(k.checked), EN_KILLFOCUS), 0);
        }
        const LoggerSettings& settings = *theApp.m_pLoggerSettings;
        EXPECT_EQ(k.diameter, settings.PulleysDiameter);
        EXPECT_EQ(k.pulses, settings.PulsResolution);
        EXPECT_EQ(k.fixed, settings.encoderRateFixed);
        EXPECT_EQ(k.fixed / 256.0, settings.encoderRate);
        EXPECT_EQ(k.shown, m_page.GetDlgItemText(k.checked, 20));
    }
}

TEST_F(WinchPageTest, NothingIsCheckedBeforeThePageIsFirstFilled)
{
    ScriptedMessageBoxes boxes;
    m_page.SetDlgItemText(IDC_WINCH_CIRCUMFERENCE, "1");
    m_page.OnCommand(MAKEWPARAM(WORD(IDC_WINCH_CIRCUMFERENCE), EN_KILLFOCUS), 0);
    EXPECT_TRUE(boxes.AllShown().empty());
}

// The spin arrows step the edit beside them, the upper one up, and the
// release stores the value shown; a resolution that is no number is told and
// the stored one comes back unstepped.
TEST_F(WinchPageTest, SpinArrowsStepTheirEditAndStoreItOnRelease)
{
    struct Case {
        int spin;
        bool up;
        int clicks;
        int edit;
        const char* shown;
        int diameter, pulses;
        const char* typed = nullptr;
        const char* box = nullptr;
        bool released = true;  // false: the box took the release
    };
    const Case cases[] = {
        {IDC_WINCH_CIRCUMFERENCE_SPIN, true, 1, IDC_WINCH_CIRCUMFERENCE, "500.1", 5001, 1000},
        {IDC_WINCH_CIRCUMFERENCE_SPIN, false, 2, IDC_WINCH_CIRCUMFERENCE, "499.8", 4998, 1000},
        {IDC_WINCH_RESOLUTION_SPIN, true, 2, IDC_WINCH_RESOLUTION, "1002", 5000, 1002},
        {IDC_WINCH_RESOLUTION_SPIN, false, 1, IDC_WINCH_RESOLUTION, "999", 5000, 999},
        {IDC_WINCH_RESOLUTION_SPIN, true, 1, IDC_WINCH_RESOLUTION, "1000", 5000, 1000, "1200x",
         "Please enter a number."},
        // x = 3000 already: the step is refused, and the box ends the press,
        // which takes the value shown.
        {IDC_WINCH_CIRCUMFERENCE_SPIN, true, 1, IDC_WINCH_CIRCUMFERENCE, "1000.0", 10000, 1000, "1000.0",
         "Bad wheel/encoder combination", false},
    };
    m_page.ShowWindow(SW_SHOW);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        Reset();
        ScriptedMessageBoxes boxes;
        if (c.typed != nullptr)
            m_page.SetDlgItemText(c.edit, c.typed);
        if (c.box != nullptr)
            boxes.Expect(c.box);
        QWidget* bar = m_page.GetDlgItem(c.spin)->GetSafeHwnd();
        const QPoint arrow(bar->width() / 2, c.up ? 1 : bar->height() - 2);
        for (int k = 0; k < c.clicks; ++k) {
            QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, arrow);
            if (!c.released) {
                EXPECT_EQ(c.diameter, theApp.m_pLoggerSettings->PulleysDiameter) << "taken when the box was answered";
                EXPECT_EQ(c.shown, m_page.GetDlgItemText(c.edit, 20));
            }
            QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, arrow);
        }
        EXPECT_EQ(c.shown, m_page.GetDlgItemText(c.edit, 20));
        EXPECT_EQ(c.diameter, theApp.m_pLoggerSettings->PulleysDiameter);
        EXPECT_EQ(c.pulses, theApp.m_pLoggerSettings->PulsResolution);
    }
}

}  // namespace
