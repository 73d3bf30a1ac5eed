// The Logger Setup sheet on its own: it opens on the communication page and
// its refresh enables each page's controls by power and record.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <string>

#include "core/RunState.h"
#include "core/Settings.h"
#include "core/VarnoLogger_KVXApp.h"
#include "res/Resource.h"
#include "setup/PropertyLoggerDlg.h"

namespace {

class QuietHost : public ISetupSheetHost {
public:
    bool SendSettingsFrame() override { return true; }
    bool SendRecordingModeFrame() override { return true; }
    bool SendCommFrame() override { return true; }
    void SaveWinch() override {}
    void SaveCommSettings() override {}
    void ClearToolsBoxUpdateFlag() override {}
    void RefreshPages() override {}
};

bool Enabled(CWnd& page, int id) { return page.GetDlgItem(id)->GetSafeHwnd()->isEnabled(); }

TEST(LoggerSetupSheet, OpensOnCommunicationAndEnablesThePagesByPowerAndRecord)
{
    const RunState savedRun = *theApp.m_pRunState;
    const WindowPlacementStore savedPlacements = *theApp.m_pPlacementStore;
    QuietHost host;
    CPropertyLoggerDlg sheet;
    sheet.SetHost(&host);
    ASSERT_TRUE(sheet.Create(IDD_LOGGER_SETUP, nullptr));
    sheet.ShowWindow(SW_SHOW);
    sheet.CreateTabs();
    EXPECT_EQ(1, theApp.m_pRunState->loggerSetupVisible);
    EXPECT_EQ("Logger Setup", sheet.GetWindowText());
    ASSERT_EQ(3, sheet.Tabs().GetItemCount());
    EXPECT_EQ(CPropertyLoggerDlg::kCommTab, sheet.Tabs().GetCurSel());
    EXPECT_EQ(&sheet.CommPage(), sheet.CurrentPage());
    EXPECT_FALSE(sheet.WinchPage().IsWindowVisible());
    EXPECT_FALSE(sheet.ProbePage().IsWindowVisible());

    struct Case {
        bool powered, recording;
        bool winch, probeVoltage, probeIntervals, comm;
    };
    const Case cases[] = {
        {false, false, true, true, true, false},
        {false, true, true, true, true, false},
        {true, false, false, true, true, true},
        {true, true, false, true, false, false},
    };
    const int winch[] = {IDC_WINCH_NORMAL,        IDC_WINCH_RESOLUTION,         IDC_WINCH_RESOLUTION_SPIN,
                         IDC_WINCH_CIRCUMFERENCE, IDC_WINCH_CIRCUMFERENCE_SPIN, IDC_WINCH_CABLE_TYPE,
                         IDC_PAGE_SET};
    const int probeVoltage[] = {IDC_PROBE_VOLTAGE, IDC_PROBE_VOLTAGE_SPIN, IDC_PAGE_SET};
    const int probeIntervals[] = {IDC_PROBE_TIME, IDC_PROBE_TIME_SPIN, IDC_PROBE_DEPTH, IDC_PROBE_DEPTH_SPIN};
    const int comm[] = {1211, 1443, 1213, 1446, 1182, 1183};
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.powered ? "powered" : "off") + (k.recording ? ", recording" : ""));
        theApp.m_bSondePowered = k.powered;
        theApp.m_pRunState->recording = k.recording;
        sheet.OnTimer(CPropertyLoggerDlg::kRefreshTimer);
        QCoreApplication::processEvents();
        for (int id : winch)
            EXPECT_EQ(k.winch, Enabled(sheet.WinchPage(), id)) << id;
        for (int id : probeVoltage)
            EXPECT_EQ(k.probeVoltage, Enabled(sheet.ProbePage(), id)) << id;
        for (int id : probeIntervals)
            EXPECT_EQ(k.probeIntervals, Enabled(sheet.ProbePage(), id)) << id;
        for (int id : comm)
            EXPECT_EQ(k.comm, Enabled(sheet.CommPage(), id)) << id;
    }

    // Closing keeps the placement and stops the refresh.
    sheet.OnCancel();
    QCoreApplication::processEvents();
    EXPECT_FALSE(sheet.IsWindowVisible());
    EXPECT_EQ(0, theApp.m_pRunState->loggerSetupVisible);
    EXPECT_EQ(44u, UINT{theApp.m_pPlacementStore->placements[kPlacementLoggerSetup].length});
    theApp.m_bSondePowered = 0;
    *theApp.m_pRunState = savedRun;
    *theApp.m_pPlacementStore = savedPlacements;
}

}  // namespace
