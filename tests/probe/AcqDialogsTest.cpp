// The recording-mode, depth-reset and alarm dialogs, driven through their
// controls as the operator uses them.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "probe/AcqDialogHost.h"
#include "probe/AlertDlg.h"
#include "probe/Frames.h"
#include "probe/RecordingModeDlg.h"
#include "probe/SetDepthDlg.h"
#include "res/Resource.h"
#include "support/Artifacts.h"
#include "support/ScriptedMessageBoxes.h"

namespace {

// Notes what the dialogs ask of the main window, with the settings as they
// are when each frame goes out.
class RecordingHost : public IAcqDialogHost {
public:
    std::vector<std::string> calls;
    int sentRecordingMode = -1;
    double sentDepth = -1.0;
    double originDepth = 0.0, originToolLength = 0.0;
    int originMode = 0;

    bool SendRecordingModeFrame() override
    {
        calls.push_back("mode frame");
        sentRecordingMode = theApp.m_pLoggerSettings->recordingMode;
        return true;
    }
    bool SendDepthFrame() override
    {
        calls.push_back("depth frame");
        sentDepth = theApp.m_pLoggerSettings->setDepth;
        return true;
    }
    void ResetCurveOrigin(double depth, double toolLength, int modeCode) override
    {
        calls.push_back("curve origin");
        originDepth = depth;
        originToolLength = toolLength;
        originMode = modeCode;
    }
    void ResetAcquisition(bool full) override { calls.push_back(full ? "reset full" : "reset"); }
};

QAbstractButton* Button(CWnd& dialog, int id)
{
    return qobject_cast<QAbstractButton*>(dialog.GetDlgItem(id)->GetSafeHwnd());
}

class AcqDialogsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedSettings = *theApp.m_pLoggerSettings;
        m_savedTool = *theApp.m_pToolRecord;
        m_savedFrameState = *theApp.m_pFrameState;
        theApp.m_pToolRecord->SondeLength = 150.0;
        theApp.m_pFrameState->replyDepth = 42.25;
    }
    void TearDown() override
    {
        *theApp.m_pLoggerSettings = m_savedSettings;
        *theApp.m_pToolRecord = m_savedTool;
        *theApp.m_pFrameState = m_savedFrameState;
        theApp.m_bDownDirection = 0;
        theApp.m_bDisplayModeTitle = 0;
    }

    // Runs the dialog modally; act works in it as the operator would and must close it.
    static int RunModal(CDialog& dialog, const std::function<void()>& act)
    {
        QTimer::singleShot(0, [&] { act(); });
        // A dialog the actions left open fails the test instead of blocking it.
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [&] {
            ADD_FAILURE() << "dialog " << dialog.TemplateId() << " left open";
            dialog.EndDialog(-2);
        });
        guard.start(3000);
        return dialog.DoModal();
    }
    static void Grab(CWnd& dialog, const std::string& name)
    {
        QApplication::processEvents();
        SaveArtifact(dialog.GetSafeHwnd(), name);
    }

    RecordingHost m_host;

private:
    LoggerSettings m_savedSettings;
    ToolRecord m_savedTool;
    FrameState m_savedFrameState;
};

TEST_F(AcqDialogsTest, RecordingModeRadioSetsModeDirectionAndCurveModeBeforeTheFrameGoes)
{
    struct Case {
        int startMode;
        int radio;
        int recordingMode, modeCode;
        bool down;
    };
    const Case cases[] = {
        {2, IDC_TIME_MODE, 4, 10, true},  // time mode records downwards
        {4, IDC_UP_DEPTH_MODE, 2, 11, false},
        {4, IDC_DOWN_DEPTH_MODE, 3, 12, true},
        {3, IDC_UP_DEPTH_MODE, 2, 11, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.radio);
        theApp.m_pLoggerSettings->recordingMode = c.startMode;
        theApp.m_bDownDirection = !c.down;
        m_host = RecordingHost{};
        CPRecordingMode dialog(m_host);
        int result = RunModal(dialog, [&] {
            Button(dialog, c.radio)->click();
            Button(dialog, IDOK)->click();
        });
        EXPECT_EQ(IDOK, result);
        EXPECT_EQ(c.recordingMode, theApp.m_pLoggerSettings->recordingMode);
        EXPECT_EQ(c.down, theApp.m_bDownDirection != 0);
        EXPECT_EQ(c.recordingMode, m_host.sentRecordingMode);
        EXPECT_EQ(c.modeCode, m_host.originMode);
        EXPECT_DOUBLE_EQ(42.25, m_host.originDepth);
        EXPECT_DOUBLE_EQ(150.0, m_host.originToolLength);
        EXPECT_EQ((std::vector<std::string>{"mode frame", "curve origin", "reset full"}), m_host.calls);
    }
}

TEST_F(AcqDialogsTest, RecordingModeOpensOnTheCurrentModeUnderItsCallersTitle)
{
    struct Case {
        int mode;
        bool displayTitle;
        int checked;
        const char* title;
        int modeAfterOk, modeCode;
    };
    const Case cases[] = {
        {2, false, IDC_UP_DEPTH_MODE, "Recording Mode ...", 2, 11},
        {3, true, IDC_DOWN_DEPTH_MODE, "Display Mode ...", 3, 12},
        {4, false, IDC_TIME_MODE, "Recording Mode ...", 4, 10},
        {0, true, IDC_TIME_MODE, "Display Mode ...", 4, 10},  // an unknown mode opens as time
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        theApp.m_pLoggerSettings->recordingMode = c.mode;
        theApp.m_bDisplayModeTitle = c.displayTitle;
        m_host = RecordingHost{};
        CPRecordingMode dialog(m_host);
        RunModal(dialog, [&] {
            EXPECT_EQ(c.title, dialog.GetDlgItemText(IDC_RECORDING_MODE_TITLE, 256));
            for (int id : {IDC_TIME_MODE, IDC_UP_DEPTH_MODE, IDC_DOWN_DEPTH_MODE})
                EXPECT_EQ(id == c.checked, Button(dialog, id)->isChecked()) << id;
            if (c.mode == 3)
                Grab(dialog, "recording_mode_display_title.png");
            if (c.mode == 2)
                Grab(dialog, "recording_mode.png");
            Button(dialog, IDOK)->click();
        });
        EXPECT_EQ(c.modeAfterOk, theApp.m_pLoggerSettings->recordingMode);
        EXPECT_EQ(c.modeCode, m_host.originMode);
    }
}

TEST_F(AcqDialogsTest, RecordingModeCancelledSendsAndChangesNothing)
{
    theApp.m_pLoggerSettings->recordingMode = 2;
    CPRecordingMode dialog(m_host);
    int result = RunModal(dialog, [&] {
        Button(dialog, IDC_DOWN_DEPTH_MODE)->click();
        Button(dialog, IDCANCEL)->click();
    });
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ(2, theApp.m_pLoggerSettings->recordingMode);
    EXPECT_TRUE(m_host.calls.empty());
}

TEST_F(AcqDialogsTest, DepthResetAddsTheToolLengthBeforeTheDepthFrameGoes)
{
    struct Case {
        const char* typed;
        double toolLengthCm;
        double setDepth;
    };
    const Case cases[] = {
        {"10.00", 150.0, 11.5},
        {"0", 150.0, 1.5},
        {"-2.5", 150.0, -1.0},  // above the reference: a negative depth is allowed
        {"1234.56", 0.0, 1234.56},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        theApp.m_pToolRecord->SondeLength = c.toolLengthCm;
        theApp.m_pLoggerSettings->setDepth = 99.0;
        m_host = RecordingHost{};
        CPSetDepthDlg dialog(m_host);
        int result = RunModal(dialog, [&] {
            auto* edit = qobject_cast<QLineEdit*>(dialog.GetDlgItem(IDC_SET_DEPTH_EDIT)->GetSafeHwnd());
            EXPECT_EQ("0.00", edit->text().toStdString());
            EXPECT_EQ(edit, dialog.GetSafeHwnd()->focusWidget());
            if (c.setDepth == 11.5)
                Grab(dialog, "depth_reset.png");
            edit->setText(c.typed);
            Button(dialog, IDOK)->click();
        });
        EXPECT_EQ(IDOK, result);
        EXPECT_DOUBLE_EQ(c.setDepth, theApp.m_pLoggerSettings->setDepth);
        EXPECT_DOUBLE_EQ(c.setDepth, m_host.sentDepth);
        EXPECT_EQ(std::vector<std::string>{"depth frame"}, m_host.calls);
    }
}

TEST_F(AcqDialogsTest, DepthResetWithNoNumberSendsNothingAndStaysOpenForTheCorrection)
{
    ScriptedMessageBoxes boxes;
    boxes.Expect("Please enter a number.");
    theApp.m_pLoggerSettings->setDepth = 7.0;
    CPSetDepthDlg dialog(m_host);
    int result = RunModal(dialog, [&] {
        auto* edit = qobject_cast<QLineEdit*>(dialog.GetDlgItem(IDC_SET_DEPTH_EDIT)->GetSafeHwnd());
        edit->setText("12m");
        Button(dialog, IDOK)->click();
        EXPECT_TRUE(dialog.GetSafeHwnd()->isVisible());
        EXPECT_TRUE(m_host.calls.empty());
        EXPECT_DOUBLE_EQ(7.0, theApp.m_pLoggerSettings->setDepth);
        edit->setText("12");
        Button(dialog, IDOK)->click();
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_DOUBLE_EQ(13.5, theApp.m_pLoggerSettings->setDepth);
    EXPECT_EQ(std::vector<std::string>{"depth frame"}, m_host.calls);
}

TEST_F(AcqDialogsTest, DepthResetCancelledSendsNothing)
{
    theApp.m_pLoggerSettings->setDepth = 7.0;
    CPSetDepthDlg dialog(m_host);
    EXPECT_EQ(IDCANCEL, RunModal(dialog, [&] { Button(dialog, IDCANCEL)->click(); }));
    EXPECT_DOUBLE_EQ(7.0, theApp.m_pLoggerSettings->setDepth);
    EXPECT_TRUE(m_host.calls.empty());
}

class AlertBox : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_box.Create(IDD_ALERT)); }

    std::string Caption() const { return m_box.GetWindowText(); }
    std::string Message() { return m_box.GetDlgItemText(IDC_ALERT_TEXT, 256); }
    bool Visible() const { return m_box.IsWindowVisible(); }

    CAlertDlg m_box;
};

TEST_F(AlertBox, EachCodeShowsItsCaptionAndMessageOtherCodesLeaveThePreviousTexts)
{
    EXPECT_FALSE(Visible());
    EXPECT_EQ("Invalid Depth !!!", Caption());
    EXPECT_EQ("Encoder Error", Message());
    auto* label = qobject_cast<QLabel*>(m_box.GetDlgItem(IDC_ALERT_TEXT)->GetSafeHwnd());
    EXPECT_TRUE(label->font().bold());

    struct Case {
        int code;
        const char* caption;
        const char* message;
    };
    const Case cases[] = {
        {1, "Low Battery.", "Low battery / Power Failure !!!"},
        {3, "Low Battery.", "Low battery / Power Failure !!!"},  // not an alarm: texts kept
        {2, "Consign error !!!", "Uphole data communication receiver consign error !!!"},
        {4, "Consign error !!!", "Downhole communication data drive consign error !!!"},
        {-1, "Consign error !!!", "Downhole communication data drive consign error !!!"},
        {8, "Consign error !!!", "Depth/Time interval consigne error !!!"},
        {16, "Consign error !!!", "Depth/Time interval consigne error !!!"},
        {0, "Invalid Depth !!!", "Encoder Error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        m_box.ShowAlert(c.code);
        QApplication::processEvents();
        EXPECT_TRUE(Visible());
        EXPECT_EQ(c.caption, Caption());
        EXPECT_EQ(c.message, Message());
        if (c.code == 1)
            SaveArtifact(m_box.GetSafeHwnd(), "alarm_low_battery.png");
        if (c.code == 2)
            SaveArtifact(m_box.GetSafeHwnd(), "alarm_consign_error.png");
        Button(m_box, IDOK)->click();
        EXPECT_FALSE(Visible());
    }
}

// Counts the times a window is shown.
class ShowCounter : public QObject {
public:
    int shown = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            ++shown;
        return false;
    }
};

TEST_F(AlertBox, AlarmsFromTheReaderThreadShowTheBoxOnceWithTheLatestAlarm)
{
    ShowCounter counter;
    m_box.GetSafeHwnd()->installEventFilter(&counter);
    std::thread reader([&] {
        for (int i = 0; i < 1000; ++i)
            m_box.ShowAlert(i % 2);
        m_box.ShowAlert(1);
    });
    reader.join();
    EXPECT_FALSE(Visible());  // nothing touched the window off its thread
    QApplication::processEvents();
    EXPECT_TRUE(Visible());
    EXPECT_EQ(1, counter.shown);
    EXPECT_EQ("Low Battery.", Caption());
    EXPECT_EQ("Low battery / Power Failure !!!", Message());

    // The operator's OK: no second call was waiting to show it again.
    Button(m_box, IDOK)->click();
    QApplication::processEvents();
    EXPECT_FALSE(Visible());
    EXPECT_EQ(1, counter.shown);
}

}  // namespace
