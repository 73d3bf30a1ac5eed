// "&New log." through the probe panel's record button, against the logger
// emulator with the winch standing: the curves of a down log start at the
// sonde's top, one sonde length above its bottom, those of an up log at its
// bottom, where the logger counts the depth.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <optional>
#include <string>

#include "core/ConfigFolder.h"
#include "core/RunState.h"
#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "platform/FileDialog.h"
#include "probe/Frames.h"
#include "res/Resource.h"
#include "support/LinkedMainWindow.h"
#include "support/LoggerEmulator.h"
#include "support/ModalDialogs.h"
#include "support/ScriptedMessageBoxes.h"

namespace {

class NewLogCurveOriginTest : public ConfigFolderTest {
protected:
    void TearDown() override
    {
        SetFileDialogHandler(nullptr);
        ConfigFolderTest::TearDown();
    }
};

TEST_F(NewLogCurveOriginTest, DownLogsStartAtTheSondesTopUpLogsAtItsBottom)
{
    ScriptedMessageBoxes boxes;
    LinkedMainWindow link(m_folder);
    ASSERT_TRUE(link.Start({"--start-depth", "40", "--down", "0", "--stop", "600"}));
    CVarnoLogger_KVXDlg& main = link.Window();
    auto button = [&](int id) {
        return qobject_cast<QAbstractButton*>(main.m_PowerDlg.GetDlgItem(id)->GetSafeHwnd());
    };
    ASSERT_TRUE(WaitFor([&] { return button(IDC_POWER)->isEnabled(); }, 5000));
    button(IDC_POWER)->click();
    ASSERT_TRUE(WaitFor([&] { return !main.m_PowerDlg.IsOrderPending() && main.m_PowerDlg.IsSondeOn(); }, 5000));

    const struct {
        const char* log;
        int modeButton;
        double aboveTheBottom;  // metres
    } cases[] = {
        {"down", IDC_DOWN_DEPTH_MODE, theApp.m_pToolRecord->SondeLength / 100.0},
        {"up", IDC_UP_DEPTH_MODE, 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.log);
        const std::string data = Path(std::string(c.log) + ".log");
        SetFileDialogHandler([&](const FileDialogRequest&) { return std::optional<std::string>(data); });
        ASSERT_TRUE(WaitFor([&] { return button(IDC_RECORD)->isEnabled(); }, 5000));
        ClickWhenModal({c.modeButton, IDOK});
        ClickWhenModal({IDC_HDR_SAVE});
        button(IDC_RECORD)->click();
        ASSERT_EQ(1, theApp.m_pRunState->recording);
        const double bottom = theApp.m_pFrameState->replyDepth;
        EXPECT_GT(bottom, 30.0);
        // A time step still on its way may follow the origin: a centimetre.
        EXPECT_NEAR(bottom - c.aboveTheBottom, main.m_ScopeTrack.NewestDepth(), 0.05);
        button(IDC_STOP)->click();
        ASSERT_EQ(0, theApp.m_pRunState->recording);
    }
}

}  // namespace
