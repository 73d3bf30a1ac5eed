// The probe page's three number edits, typed into and left as the operator
// does: a value at either end of its range reaches the tool file and the
// probe, one past it or a text that is no number is refused with its message
// and the stored one comes back.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFocusEvent>
#include <QLineEdit>
#include <QTest>
#include <string>
#include <sys/stat.h>
#include <utility>

#include "core/ConfigFolder.h"
#include "core/Ini.h"
#include "core/Preferences.h"
#include "res/Resource.h"
#include "setup/PProbeDlg.h"
#include "support/LoggerEmulator.h"
#include "support/ScriptedMessageBoxes.h"

namespace {

class CountingHost : public IProbePageHost {
public:
    bool SendSettingsFrame() override { return ++sends, true; }
    bool SendRecordingModeFrame() override { return ++sends, true; }
    int sends = 0;
};

class ProbePageTest : public ConfigFolderTest {
protected:
    void SetUp() override
    {
        ConfigFolderTest::SetUp();
        std::filesystem::create_directories(Path("Ressources"));
        std::filesystem::copy_file(KVX_PROGRAM_DIR "/Ressources/KVXS0001.tol", Path("Ressources/KVXS0001.tol"));
        m_prefs.Initialize();
        m_page.SetHost(&m_host);
        ASSERT_TRUE(m_page.Create(IDD_PROBE_PAGE, nullptr));
    }

    // 50 V, 1000 ms and 10 cm stored and shown.
    void Reset()
    {
        LoggerSettings& settings = *theApp.m_pLoggerSettings;
        settings.Voltage = 50;
        settings.TimeInterval = 1000;
        settings.DepthInterval = 10;
        m_page.UpdateFromRecord();
    }

    void TypeAndLeave(int id, const std::string& text)
    {
        auto* edit = qobject_cast<QLineEdit*>(m_page.GetDlgItem(id)->GetSafeHwnd());
        edit->setText(QString::fromStdString(text));
        QFocusEvent out(QEvent::FocusOut);
        QCoreApplication::sendEvent(edit, &out);
    }

    std::string ToolKey(const char* key)
    {
        CIni tool(Path("Ressources/KVXS0001.tol"), TRUE);
        return tool.GetString(key, "none", "General");
    }

    CPreferences m_prefs;
    CountingHost m_host;
    CPProbeDlg m_page;
};

TEST_F(ProbePageTest, EachEditTakesItsRangeEdgesAndRefusesOnePastThem)
{
    struct Field {
        int edit;
        int min, max;
        const char* refusal;
        const char* key;
        int fileUnits;  // the tool file's units per unit typed
        const char* stored;
        int (*get)(const LoggerSettings&);
    };
    const Field fields[] = {
        {IDC_PROBE_VOLTAGE, 30, 100, "Bad entered value", "Voltage", 1, "50",
         [](const LoggerSettings& s) { return int(s.Voltage); }},
        {IDC_PROBE_TIME, 100, 5000, "Bad entered value.(Min:100 - Max:5000)", "TimeInterval", 1, "1000",
         [](const LoggerSettings& s) { return int(s.TimeInterval); }},
        // The tool file holds millimetres.
        {IDC_PROBE_DEPTH, 1, 100, "Bad entered value", "DepthInterval", 10, "10",
         [](const LoggerSettings& s) { return int(s.DepthInterval); }},
    };
    for (const Field& f : fields) {
        // A text that is no number is told as that alone, whatever its leading digits.
        const std::string texts[] = {std::to_string(f.min),     std::to_string(f.max),
                                     std::to_string(f.min - 1), std::to_string(f.max + 1),
                                     std::to_string(f.min + 1) + "x", "1x"};
        for (const std::string& typed : texts) {
            const bool number = typed.back() != 'x';
            const bool inRange = number && std::stoi(typed) >= f.min && std::stoi(typed) <= f.max;
            SCOPED_TRACE(std::string(f.key) + " " + typed);
            Reset();
            const int sendsBefore = m_host.sends;
            {
                ScriptedMessageBoxes boxes;
                if (!inRange)
                    boxes.Expect(number ? f.refusal : "Please enter a number.");
                TypeAndLeave(f.edit, typed);
            }
            const LoggerSettings& settings = *theApp.m_pLoggerSettings;
            if (!inRange) {
                EXPECT_EQ(f.stored, m_page.GetDlgItemText(f.edit, 20));
                EXPECT_EQ(std::stoi(f.stored), f.get(settings));
                continue;
            }
            EXPECT_EQ(std::stoi(typed), f.get(settings));
            const std::string inFile = std::to_string(std::stoi(typed) * f.fileUnits);
            EXPECT_TRUE(WaitFor([&] { return ToolKey(f.key) == inFile; }, 5000)) << ToolKey(f.key);
            EXPECT_TRUE(WaitFor([&] { return m_host.sends > sendsBefore; }, 5000));
        }
    }

    // Typed without leaving the edits: Set takes all three.
    Reset();
    const std::pair<int, const char*> typed[] = {{IDC_PROBE_VOLTAGE, "60"}, {IDC_PROBE_TIME, "2000"}, {IDC_PROBE_DEPTH, "20"}};
    for (const auto& [id, text] : typed)
        qobject_cast<QLineEdit*>(m_page.GetDlgItem(id)->GetSafeHwnd())->setText(text);
    qobject_cast<QAbstractButton*>(m_page.GetDlgItem(IDC_PAGE_SET)->GetSafeHwnd())->click();
    const LoggerSettings& settings = *theApp.m_pLoggerSettings;
    EXPECT_EQ(60, int(settings.Voltage));
    EXPECT_EQ(2000, int(settings.TimeInterval));
    EXPECT_EQ(20, int(settings.DepthInterval));

    // A tool file that refuses them is told.
    ASSERT_EQ(0, chmod(Path("Ressources/KVXS0001.tol").c_str(), 0444));
    ScriptedMessageBoxes boxes;
    boxes.Expect(RefusedText(Path("Ressources/KVXS0001.tol")));
    TypeAndLeave(IDC_PROBE_VOLTAGE, "70");
    EXPECT_TRUE(boxes.WaitUntilAllShown(5000)) << "the refused tool file told";
}

// A box shown by an arrow takes the release: it ends the press, which takes
// the stored value shown again, and nothing steps on.
TEST_F(ProbePageTest, AnArrowOnATextThatIsNoNumberIsToldOnceAndStepsNoMore)
{
    Reset();
    m_page.ShowWindow(SW_SHOW);
    ScriptedMessageBoxes boxes;
    boxes.Expect("Please enter a number.");
    m_page.SetDlgItemText(IDC_PROBE_VOLTAGE, "12x");
    QWidget* bar = m_page.GetDlgItem(IDC_PROBE_VOLTAGE_SPIN)->GetSafeHwnd();
    const QPoint up(bar->width() / 2, 1);
    QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, up);
    EXPECT_TRUE(WaitFor([&] { return m_host.sends > 0; }, 3000)) << "the frame the end of the press sends";
    EXPECT_EQ("50", m_page.GetDlgItemText(IDC_PROBE_VOLTAGE, 20));
    EXPECT_EQ(50, int(theApp.m_pLoggerSettings->Voltage));
    QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, up);
    EXPECT_EQ("50", m_page.GetDlgItemText(IDC_PROBE_VOLTAGE, 20));
}

}  // namespace
