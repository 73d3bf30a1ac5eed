// The header editor through its real controls: pages, formats, Save, Cancel,
// Reset, remarks, and the import of another header file.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTimer>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "core/ConfigFolder.h"
#include "header/HeaderDlg.h"
#include "header/HeaderRecord.h"
#include "res/Resource.h"
#include "support/Artifacts.h"
#include "support/ScriptedFileDialogs.h"
#include "toolkit/Picture.h"
#include "support/ScriptedMessageBoxes.h"

namespace {

using H = HeaderRecord;

void PressKey(QWidget* widget, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
}

class HeaderDlgTest : public ConfigFolderTest {
public:
    void SetUp() override
    {
        ConfigFolderTest::SetUp();
        *theApp.m_pHeaderRecord = HeaderRecord{};
    }
    void TearDown() override
    {
        *theApp.m_pHeaderRecord = HeaderRecord{};
        ConfigFolderTest::TearDown();
    }

    static HeaderRecord& Record() { return *theApp.m_pHeaderRecord; }

    // Runs the editor modally; `act` drives it from inside its event loop and
    // must end it. The result of DoModal is returned.
    int RunEditor(const std::function<void()>& act)
    {
        CHeaderDlg editor;
        m_editor = &editor;
        QTimer::singleShot(0, [this, act] {
            act();
            QWidget* window = m_editor->GetSafeHwnd();
            if (window != nullptr && window->isVisible()) {
                ADD_FAILURE() << "the editor is still open";
                m_editor->EndDialog(-2);
            }
        });
        const int result = editor.DoModal();
        m_editor = nullptr;
        return result;
    }

    QWidget* Editor() const { return m_editor->GetSafeHwnd(); }

    void SelectTab(int tab)
    {
        auto* bar = Editor()->findChild<QTabBar*>();
        ASSERT_NE(bar, nullptr);
        bar->setCurrentIndex(tab);
    }

    // The control with this id on the page that is shown.
    QWidget* Shown(int id) const
    {
        for (QWidget* widget : Editor()->findChildren<QWidget*>())
            if (ControlIdOf(widget) == id && widget->isVisibleTo(Editor()))
                return widget;
        ADD_FAILURE() << "no visible control " << id;
        return nullptr;
    }

    std::string Text(int id) const
    {
        QWidget* widget = Shown(id);
        if (auto* edit = qobject_cast<QLineEdit*>(widget))
            return edit->text().toStdString();
        if (auto* edit = qobject_cast<QPlainTextEdit*>(widget))
            return edit->toPlainText().toStdString();
        ADD_FAILURE() << "control " << id << " is no edit";
        return {};
    }

    void Type(int id, const std::string& text) const
    {
        QWidget* widget = Shown(id);
        if (auto* edit = qobject_cast<QLineEdit*>(widget))
            edit->setText(QString::fromStdString(text));
        else if (auto* edit = qobject_cast<QPlainTextEdit*>(widget))
            edit->setPlainText(QString::fromStdString(text));
        else
            ADD_FAILURE() << "control " << id << " is no edit";
    }

    void Click(int id) const
    {
        for (QAbstractButton* button : Editor()->findChildren<QAbstractButton*>())
            if (ControlIdOf(button) == id)
                return button->click();
        ADD_FAILURE() << "no button " << id;
    }

    CHeaderDlg* m_editor = nullptr;
};

enum Tab { kClient, kDatum, kRun, kBitCasing, kRemarks };

// Every control of the pages and the field it edits: what the record's value
// shows, and what a typed text stores.
struct FieldCase {
    Tab tab;
    int id;
    std::string H::*text = nullptr;
    double H::*real = nullptr;
    double value = 0.0;
    const char* shown = "";
};

FieldCase T(Tab tab, int id, std::string H::*text) { return {tab, id, text}; }
FieldCase R(Tab tab, int id, double H::*real, double value, const char* shown)
{
    return {tab, id, nullptr, real, value, shown};
}

const std::vector<FieldCase>& FieldCases()
{
    static const std::vector<FieldCase> cases = {
        T(kClient, IDC_HDR_PROJECT, &H::Project),
        T(kClient, IDC_HDR_LOG_NAME, &H::LogName),
        T(kClient, IDC_HDR_COMPANY, &H::Company),
        T(kClient, IDC_HDR_WELL, &H::Wellname),
        T(kClient, IDC_HDR_FIELD, &H::Fieldname),
        T(kClient, IDC_HDR_COUNTRY, &H::Country),
        T(kClient, IDC_HDR_STATE, &H::Location),
        T(kClient, IDC_HDR_LATITUDE, &H::Latitude),
        T(kClient, IDC_HDR_LONGITUDE, &H::Longitude),
        T(kClient, IDC_HDR_OTHER_SERVICES1, &H::OtherServices1),
        T(kClient, IDC_HDR_OTHER_SERVICES1 + 1, &H::OtherServices2),
        T(kClient, IDC_HDR_OTHER_SERVICES1 + 2, &H::OtherServices3),
        T(kClient, IDC_HDR_OTHER_SERVICES1 + 3, &H::OtherServices4),
        T(kClient, IDC_HDR_OTHER_SERVICES1 + 4, &H::OtherServices5),
        // "&PermanentDatum" edits LogDatum, "&Log Datum" edits DateRun1.
        T(kDatum, IDC_HDR_PERMANENT_DATUM, &H::LogDatum),
        T(kDatum, IDC_HDR_ELEVATION, &H::Elevation),
        T(kDatum, IDC_HDR_LOG_DATUM, &H::DateRun1),
        T(kDatum, IDC_HDR_DRILL_DATUM, &H::DrillDatum),
        R(kDatum, IDC_HDR_KELLY_BUSHING, &H::KellyBushing, 0.0, "0.000"),
        R(kDatum, IDC_HDR_DRILL_FLOOR, &H::DrillFloor, 12.3456, "12.346"),
        R(kDatum, IDC_HDR_GROUND_LEVEL, &H::GroundLevel, -3.5, "-3.500"),
        T(kRun, IDC_HDR_DATE, &H::Date),
        T(kRun, IDC_HDR_LOG_TYPE, &H::LogType1),
        R(kRun, IDC_HDR_DEPTH_DRILLER, &H::DepthDriller1, 0.0, ""),
        R(kRun, IDC_HDR_DEPTH_LOGGER, &H::DepthLogger1, 1500.25, "1500.250"),
        R(kRun, IDC_HDR_DEEPEST, &H::Deepest1, 0.0, ""),
        R(kRun, IDC_HDR_SHALLOW, &H::Shallow1, 2.0, "2.000"),
        T(kRun, IDC_HDR_FLUID, &H::Fluid1),
        T(kRun, IDC_HDR_ENGINEER, &H::Engineer1),
        T(kRun, IDC_HDR_SALINITY, &H::Salinity1),
        T(kRun, IDC_HDR_DENSITY, &H::FluidDensity1),
        T(kRun, IDC_HDR_LEVEL, &H::FluidLevel1),
        R(kRun, IDC_HDR_MAX_TEMPERATURE, &H::MaxTemperature1, 0.0, "0.00"),
        T(kRun, IDC_HDR_RIG_TIME, &H::RigTime1),
        T(kRun, IDC_HDR_WITNESS, &H::Witness1),
        R(kBitCasing, IDC_HDR_CASING_SIZE, &H::CasRecSize1, 0.0, ""),
        R(kBitCasing, IDC_HDR_CASING_WEIGHT, &H::CasRecWeight1, 7.0626, "7.063"),
        R(kBitCasing, IDC_HDR_CASING_FROM, &H::CasRecFrom1, 0.0, ""),
        R(kBitCasing, IDC_HDR_CASING_TO, &H::CasRecTo1, 100.0, "100.000"),
        R(kBitCasing, IDC_HDR_BIT, &H::BitRec1, 0.0, ""),
        R(kBitCasing, IDC_HDR_BIT_FROM, &H::BitRecFrom1, 0.0, ""),
        R(kBitCasing, IDC_HDR_BIT_TO, &H::BitRecTo1, 0.5, "0.500"),
    };
    return cases;
}

std::string TextOf(const FieldCase& c) { return "v" + std::to_string(c.id) + " a b"; }

TEST_F(HeaderDlgTest, EveryControlShowsItsFieldInItsFormatAndSaveStoresWhatWasTyped)
{
    for (const FieldCase& c : FieldCases()) {
        if (c.text != nullptr)
            Record().*c.text = TextOf(c);
        else
            Record().*c.real = c.value;
    }
    const int result = RunEditor([&] {
        for (const FieldCase& c : FieldCases()) {
            SCOPED_TRACE(c.id);
            SelectTab(c.tab);
            EXPECT_EQ(c.text != nullptr ? TextOf(c) : std::string(c.shown), Text(c.id));
            Type(c.id, c.text != nullptr ? "new " + TextOf(c) : std::to_string(c.id) + ".25");
        }
        Click(IDC_HDR_SAVE);
    });
    EXPECT_EQ(IDOK, result);
    for (const FieldCase& c : FieldCases()) {
        SCOPED_TRACE(c.id);
        if (c.text != nullptr)
            EXPECT_EQ("new " + TextOf(c), Record().*c.text);
        else
            EXPECT_EQ(c.id + 0.25, Record().*c.real);
    }
}

// The five OtherServices edits lie left to right in the order of their fields.
TEST_F(HeaderDlgTest, OtherServicesAreFiveEditsLeftToRight)
{
    RunEditor([&] {
        int lastX = -1;
        for (int k = 0; k < 5; ++k) {
            QWidget* edit = Shown(IDC_HDR_OTHER_SERVICES1 + k);
            ASSERT_NE(edit, nullptr);
            EXPECT_GT(edit->x(), lastX);
            EXPECT_EQ(Shown(IDC_HDR_OTHER_SERVICES1)->y(), edit->y());
            lastX = edit->x();
        }
        Click(IDC_HDR_CANCEL);
    });
}

// The run number is on two pages; a change typed on either one is saved.
TEST_F(HeaderDlgTest, RunNumberTypedOnEitherPageIsSaved)
{
    struct Case {
        Tab typedOn;
        Tab other;
        const char* typed;
        int stored;
    };
    const Case cases[] = {{kRun, kBitCasing, "7", 7}, {kBitCasing, kRun, "8", 8}, {kBitCasing, kRun, "", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        Record().RunNo1 = 3;
        RunEditor([&] {
            SelectTab(c.other);
            EXPECT_EQ("3", Text(IDC_HDR_RUN_NO));
            SelectTab(c.typedOn);
            Type(IDC_HDR_RUN_NO, c.typed);
            SelectTab(c.other);
            EXPECT_EQ(c.typed, Text(IDC_HDR_RUN_NO));
            Click(IDC_HDR_SAVE);
        });
        EXPECT_EQ(c.stored, Record().RunNo1);
    }
}

// Save with a number field that holds no number stores nothing and keeps the
// editor open on that field, its text selected, after one box; the page shown
// is looked at first. Once it holds a number, Save stores it; empty stores 0.
TEST_F(HeaderDlgTest, SaveStaysOnAFieldThatHoldsNoNumberUntilItDoes)
{
    struct Case {
        const char* what;
        Tab typedOn;
        int id;
        const char* bad;
        Tab savedFrom;
        Tab shownOn;
        int key = 0;  // Save pressed by this key in a field instead of clicked
    };
    const Case cases[] = {
        {"a real on another page", kBitCasing, IDC_HDR_CASING_SIZE, "9,5x", kClient, kBitCasing},
        {"a real on the page shown", kDatum, IDC_HDR_KELLY_BUSHING, "1O", kDatum, kDatum},
        {"the run number, on both pages", kBitCasing, IDC_HDR_RUN_NO, "4a", kBitCasing, kBitCasing},
        {"the run number, from another page", kBitCasing, IDC_HDR_RUN_NO, "4a", kClient, kRun},
        {"Enter, the default button", kBitCasing, IDC_HDR_CASING_SIZE, "9,5x", kClient, kBitCasing, Qt::Key_Enter},
        // Saved from "&Logging Run", the datum page is the last one looked at.
        {"a real on the page looked at last", kDatum, IDC_HDR_KELLY_BUSHING, "1O", kRun, kDatum},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Record() = HeaderRecord{};
        Record().Company = "Old";
        Record().CasRecSize1 = 9.5;
        Record().KellyBushing = 2.0;
        Record().RunNo1 = 3;
        Record().BitRec1 = 4.25;
        ScriptedMessageBoxes boxes;
        boxes.Expect("Please enter a number.");
        const auto save = [&](int field) {
            if (c.key != 0)
                PressKey(Shown(field), c.key);
            else
                Click(IDC_HDR_SAVE);
        };
        const int result = RunEditor([&] {
            Type(IDC_HDR_COMPANY, "New");
            SelectTab(c.typedOn);
            Type(c.id, c.bad);
            SelectTab(c.savedFrom);
            save(IDC_HDR_COMPANY);
            ASSERT_TRUE(Editor()->isVisible());
            EXPECT_EQ(1u, boxes.AllShown().size());
            EXPECT_EQ("Old", Record().Company);
            EXPECT_EQ(int(c.shownOn), Editor()->findChild<QTabBar*>()->currentIndex());
            QWidget* field = Shown(c.id);
            ASSERT_NE(nullptr, field);
            EXPECT_EQ(field, Editor()->focusWidget());
            EXPECT_EQ(c.bad, static_cast<QLineEdit*>(field)->selectedText().toStdString());
            SelectTab(c.typedOn);
            Type(c.id, "6");
            SelectTab(kBitCasing);
            Type(IDC_HDR_BIT, "");
            save(IDC_HDR_BIT);
        });
        EXPECT_EQ(IDOK, result);
        EXPECT_EQ("New", Record().Company);
        EXPECT_EQ(c.id == IDC_HDR_CASING_SIZE ? 6.0 : 9.5, Record().CasRecSize1);
        EXPECT_EQ(c.id == IDC_HDR_KELLY_BUSHING ? 6.0 : 2.0, Record().KellyBushing);
        EXPECT_EQ(c.id == IDC_HDR_RUN_NO ? 6 : 3, Record().RunNo1);
        EXPECT_EQ(0.0, Record().BitRec1);
    }
}

// Cancel ends with IDOK, also by Enter while it has the focus, Escape and the
// close box with IDCANCEL; none of them stores a page.
TEST_F(HeaderDlgTest, LeavingWithoutSaveStoresNothing)
{
    struct Case {
        const char* how;
        std::function<void(HeaderDlgTest&)> leave;
        int result;
    };
    const Case cases[] = {
        {"cancel", [](HeaderDlgTest& t) { t.Click(IDC_HDR_CANCEL); }, IDOK},
        {"enter on cancel",
         [](HeaderDlgTest& t) {
             QWidget* cancel = t.m_editor->GetDlgItem(IDC_HDR_CANCEL)->GetSafeHwnd();
             cancel->setFocus();
             PressKey(cancel, Qt::Key_Return);
         },
         IDOK},
        {"escape",
         [](HeaderDlgTest& t) {
             PressKey(t.Shown(IDC_HDR_COMPANY), Qt::Key_Escape);
         },
         IDCANCEL},
        {"close box", [](HeaderDlgTest& t) { t.Editor()->close(); }, IDCANCEL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        Record().Company = "Old";
        const int result = RunEditor([&] {
            Type(IDC_HDR_COMPANY, "New");
            c.leave(*this);
        });
        EXPECT_EQ(c.result, result);
        EXPECT_EQ("Old", Record().Company);
    }
}

TEST_F(HeaderDlgTest, CancelAfterResetLeavesTheRecordReset)
{
    HeaderRecord& h = Record();
    h.Company = "Acme";
    h.RunNo2 = 2;
    h.Deepest3 = 800.0;
    h.Comment10 = "last";
    h.LogMode = 12;
    h.step = 50;
    h.Startdepth = 1000;
    h.SondeAbbreviation = "GRX";
    h.Ident = "TRAXIMORE";
    h.channelCount = 4;
    h.depthIncreasing = false;
    const int result = RunEditor([&] {
        Click(IDC_HDR_RESET);
        EXPECT_EQ("", Text(IDC_HDR_COMPANY));
        Type(IDC_HDR_COMPANY, "typed after the reset");
        Click(IDC_HDR_CANCEL);
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ("", h.Company);
    EXPECT_EQ(0, h.RunNo2);
    EXPECT_EQ(0.0, h.Deepest3);
    EXPECT_EQ("", h.Comment10);
    EXPECT_EQ(10, h.LogMode);
    EXPECT_EQ(10, h.step);
    EXPECT_EQ(0, h.Startdepth);
    EXPECT_EQ("KVXS", h.SondeAbbreviation);
    EXPECT_EQ("Brannoquist", h.Copyright);
    EXPECT_TRUE(h.depthIncreasing);
    EXPECT_TRUE(std::regex_match(h.Date, std::regex(R"(\d\d [A-Z][a-z]+ \d{4})"))) << h.Date;
    // [General] and the channel table are not the editor's.
    EXPECT_EQ("TRAXIMORE", h.Ident);
    EXPECT_EQ(4, h.channelCount);
}

TEST_F(HeaderDlgTest, RemarksAreTenLinesAndEmptyCommentsAreSkippedOnLoading)
{
    struct Case {
        const char* typed;
        std::vector<std::string> comments;  // Comment1..Comment10 after Save
        const char* reloaded;
    };
    const Case cases[] = {
        {"a\n\nb", {"a", "", "b", "", "", "", "", "", "", ""}, "a\nb"},
        {"1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"},
         "1\n2\n3\n4\n5\n6\n7\n8\n9\n10"},
        {" x \n\n", {" x ", "", "", "", "", "", "", "", "", ""}, " x "},
        {"", {"", "", "", "", "", "", "", "", "", ""}, ""},
    };
    std::string H::*const comments[10] = {&H::Comment1, &H::Comment2, &H::Comment3, &H::Comment4,
                                          &H::Comment5, &H::Comment6, &H::Comment7, &H::Comment8,
                                          &H::Comment9, &H::Comment10};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        for (auto field : comments)
            Record().*field = "old";
        RunEditor([&] {
            SelectTab(kRemarks);
            Type(IDC_HDR_REMARKS, c.typed);
            Click(IDC_HDR_SAVE);
        });
        for (int line = 0; line < 10; ++line)
            EXPECT_EQ(c.comments[line], Record().*comments[line]) << "Comment" << line + 1;
        RunEditor([&] {
            SelectTab(kRemarks);
            EXPECT_EQ(c.reloaded, Text(IDC_HDR_REMARKS));
            Click(IDC_HDR_CANCEL);
        });
    }
}

// Another header file chosen in the Load dialog.
class HeaderImportTest : public HeaderDlgTest {
public:
    void ChooseFile(const std::string& name) { m_files.Choose(Path(name)); }

    ScriptedFileDialogs m_files;
};

TEST_F(HeaderImportTest, OnlyTheWellFieldsAreImportedAndMissingKeysEmptyTheirFields)
{
    WriteFile("old.hed", "[General]\r\nIdent=OTHER\r\n[WellInfo]\r\nCompany=Acme\r\nLogMode=11\r\nstep=5\r\n"
                         "Startdepth=100\r\nEndDepth=900\r\nSondeAbbreviation=XYZ\r\nDepthUnit=3\r\nZero=4\r\n");
    std::snprintf(theApp.m_pPathSettings->FilePath, sizeof theApp.m_pPathSettings->FilePath, "%s", m_folder.c_str());
    HeaderRecord& h = Record();
    h.Wellname = "W1";
    h.Witness3 = "someone";
    h.RunNo3 = 3;
    h.CasRecTo2 = 12.0;
    h.KellyBushing = 5.0;
    h.Comment1 = "c1";
    h.Comment10 = "c10";
    h.Date = "01 May 2020";
    h.LogMode = 12;
    h.step = 25;
    h.Startdepth = 7000;
    h.EndDepth = 2000;
    h.StartTime = 1;
    h.EndTime = 99;
    h.Zero = 1;
    h.DepthUnit = 2;
    h.SondeAbbreviation = "GRX";
    h.depthIncreasing = false;
    h.Ident = "MINE";
    ChooseFile("old.hed");
    RunEditor([&] {
        Click(IDC_HDR_LOAD);
        EXPECT_EQ("Acme", Text(IDC_HDR_COMPANY));
        EXPECT_EQ("", Text(IDC_HDR_WELL));
        Click(IDC_HDR_CANCEL);
    });
    ASSERT_EQ(1u, m_files.Shown().size());
    const FileDialogRequest& asked = m_files.Shown()[0];
    EXPECT_TRUE(asked.open);
    EXPECT_EQ(".HED", asked.defaultExt);
    EXPECT_EQ("*.HED", asked.fileName);
    EXPECT_EQ(OFN_FILEMUSTEXIST | OFN_HIDEREADONLY, asked.flags);
    EXPECT_EQ("BHTV File (*.HED)|*.HED||", asked.filter);
    EXPECT_EQ(m_folder, asked.initialDir);
    // Cancel keeps what was imported.
    EXPECT_EQ("Acme", h.Company);
    for (const std::string* text : {&h.Wellname, &h.Witness3, &h.Comment1, &h.Comment10, &h.Date})
        EXPECT_EQ("", *text);
    EXPECT_EQ(0, h.RunNo3);
    EXPECT_EQ(0.0, h.CasRecTo2);
    EXPECT_EQ(0.0, h.KellyBushing);
    // The new recording's own values stay.
    EXPECT_EQ(12, h.LogMode);
    EXPECT_EQ(25, h.step);
    EXPECT_EQ(7000, h.Startdepth);
    EXPECT_EQ(2000, h.EndDepth);
    EXPECT_EQ(1, h.StartTime);
    EXPECT_EQ(99, h.EndTime);
    EXPECT_EQ(1, h.Zero);
    EXPECT_EQ(2, h.DepthUnit);
    EXPECT_EQ("GRX", h.SondeAbbreviation);
    EXPECT_FALSE(h.depthIncreasing);
    EXPECT_EQ("MINE", h.Ident);
}

TEST_F(HeaderImportTest, ExtensionHedInAnyCaseIsAcceptedOthersAreRefused)
{
    struct Case {
        const char* name;
        bool imported;
    };
    const Case cases[] = {{"a.hed", true}, {"b.HED", true}, {"c.Hed", true}, {"d.txt", false},
                          {"e.hed.bak", false}, {"f.hedx", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(c.name, "[WellInfo]\r\nCompany=Imported\r\n");
        Record().Company = "Kept";
        ScriptedMessageBoxes boxes;
        if (!c.imported)
            boxes.Expect("Data file not present.");
        ChooseFile(c.name);
        RunEditor([&] {
            Click(IDC_HDR_LOAD);
            Click(IDC_HDR_CANCEL);
        });
        EXPECT_EQ(c.imported ? "Imported" : "Kept", Record().Company);
        if (!c.imported) {
            EXPECT_EQ(0u, boxes.AllShown().at(0).type & 0xF0u);
        }
    }
}

// A number that Save would refuse is refused at Load: the editor shows what it
// showed before, and Save stores it without a word.
TEST_F(HeaderImportTest, NumbersThatSaveRefusesAreRefusedAtLoad)
{
    const struct {
        const char* line;
        const char* key;
    } cases[] = {{"KellyBushing=inf", "KellyBushing"},
                 {"CasRecSize1=nan", "CasRecSize1"},
                 {"DrillFloor=-1e400", "DrillFloor"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        WriteFile("bad.hed", std::string("[WellInfo]\r\nCompany=Imported\r\n") + c.line + "\r\n");
        Record() = HeaderRecord{};
        Record().Company = "Kept";
        Record().KellyBushing = 2.0;
        ScriptedMessageBoxes boxes;
        boxes.Expect(std::string(c.key) + " of " + Path("bad.hed") + " is not a number: nothing is loaded.");
        ChooseFile("bad.hed");
        RunEditor([&] {
            Click(IDC_HDR_LOAD);
            EXPECT_EQ("Kept", Text(IDC_HDR_COMPANY));
            Click(IDC_HDR_SAVE);
        });
        EXPECT_EQ("Kept", Record().Company);
        EXPECT_EQ(2.0, Record().KellyBushing);
        EXPECT_EQ(0.0, Record().CasRecSize1);
        EXPECT_EQ(0.0, Record().DrillFloor);
    }
}

// Save after an import stores the pages, which show the imported values.
TEST_F(HeaderImportTest, CancelledChoiceChangesNothingAndAFileThatIsNoIniEmptiesTheFields)
{
    Record().Company = "Kept";
    m_files.Cancel();
    RunEditor([&] {
        Click(IDC_HDR_LOAD);
        Click(IDC_HDR_CANCEL);
    });
    EXPECT_EQ("Kept", Record().Company);

    WriteFile("binary.hed", std::string("\x7f" "ELF\0\1\2 not an ini file", 24));
    ChooseFile("binary.hed");
    Record().RunNo1 = 4;
    Record().CasRecSize1 = 2.5;
    RunEditor([&] {
        Click(IDC_HDR_LOAD);
        EXPECT_EQ("", Text(IDC_HDR_COMPANY));
        SelectTab(kBitCasing);
        EXPECT_EQ("0", Text(IDC_HDR_RUN_NO));
        EXPECT_EQ("", Text(IDC_HDR_CASING_SIZE));
        Click(IDC_HDR_SAVE);
    });
    EXPECT_EQ("", Record().Company);
    EXPECT_EQ(0, Record().RunNo1);
    EXPECT_EQ(0.0, Record().CasRecSize1);
}

void Wait(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// Each page with a filled record, the logo drawn on every one.
TEST_F(HeaderDlgTest, EveryPageShowsTheLogo)
{
    CPicture logo;
    ASSERT_TRUE(logo.Load(KVX_PROGRAM_DIR "/logo.jpg"));
    HeaderRecord& h = Record();
    h.Project = "North field survey";
    h.LogName = "Gamma - resistivity";
    h.Company = "Acme Drilling";
    h.Wellname = "NF-12";
    h.Fieldname = "North";
    h.Country = "Sweden";
    h.Location = "Dalarna";
    h.Latitude = "60.1234 N";
    h.Longitude = "15.4321 E";
    h.OtherServices1 = "GR";
    h.OtherServices5 = "TEMP";
    h.LogDatum = "GL";
    h.DateRun1 = "GL";
    h.KellyBushing = 1.2;
    h.RunNo1 = 1;
    h.Date = "07 December 2026";
    h.LogType1 = "Gamma";
    h.DepthLogger1 = 152.5;
    h.MaxTemperature1 = 18.25;
    h.CasRecSize1 = 0.168;
    h.CasRecTo1 = 12.0;
    h.Comment1 = "Hole full of water.";
    h.Comment2 = "Sonde centred.";
    CHeaderDlg editor(nullptr, &logo);
    m_editor = &editor;
    QTimer::singleShot(0, [&] {
        const char* names[] = {"client", "datum", "run", "bit-casing", "remarks"};
        for (int tab = 0; tab < CHeaderDlg::kPages; ++tab) {
            SelectTab(tab);
            Wait(60);
            auto* logoStatic = qobject_cast<QLabel*>(Shown(IDC_HDR_LOGO));
            ASSERT_NE(logoStatic, nullptr);
            EXPECT_FALSE(logoStatic->pixmap().isNull()) << names[tab];
            EXPECT_EQ(QSize(150, 120), logoStatic->size());
            SaveArtifact(Editor(), std::string("header-editor-") + names[tab] + ".png");
        }
        Click(IDC_HDR_CANCEL);
    });
    editor.DoModal();
    m_editor = nullptr;
}

// A depth, casing or bit value of 0 means "not given" and shows blank; the
// datum levels and the temperature show their 0. Save keeps them 0.
TEST_F(HeaderDlgTest, RealsAtZeroShowBlankOnlyWhereZeroMeansNotGiven)
{
    struct Case {
        Tab tab;
        int id;
        double H::*real;
        const char* shown;
    };
    const Case cases[] = {
        {kDatum, IDC_HDR_KELLY_BUSHING, &H::KellyBushing, "0.000"},
        {kDatum, IDC_HDR_DRILL_FLOOR, &H::DrillFloor, "0.000"},
        {kDatum, IDC_HDR_GROUND_LEVEL, &H::GroundLevel, "0.000"},
        {kRun, IDC_HDR_DEPTH_DRILLER, &H::DepthDriller1, ""},
        {kRun, IDC_HDR_DEPTH_LOGGER, &H::DepthLogger1, ""},
        {kRun, IDC_HDR_DEEPEST, &H::Deepest1, ""},
        {kRun, IDC_HDR_SHALLOW, &H::Shallow1, ""},
        {kRun, IDC_HDR_MAX_TEMPERATURE, &H::MaxTemperature1, "0.00"},
        {kBitCasing, IDC_HDR_CASING_SIZE, &H::CasRecSize1, ""},
        {kBitCasing, IDC_HDR_CASING_WEIGHT, &H::CasRecWeight1, ""},
        {kBitCasing, IDC_HDR_CASING_FROM, &H::CasRecFrom1, ""},
        {kBitCasing, IDC_HDR_CASING_TO, &H::CasRecTo1, ""},
        {kBitCasing, IDC_HDR_BIT, &H::BitRec1, ""},
        {kBitCasing, IDC_HDR_BIT_FROM, &H::BitRecFrom1, ""},
        {kBitCasing, IDC_HDR_BIT_TO, &H::BitRecTo1, ""},
    };
    for (const Case& c : cases)
        Record().*c.real = 0.0;
    const int result = RunEditor([&] {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.id);
            SelectTab(c.tab);
            EXPECT_EQ(c.shown, Text(c.id));
        }
        Click(IDC_HDR_SAVE);
    });
    EXPECT_EQ(IDOK, result);
    for (const Case& c : cases)
        EXPECT_EQ(0.0, Record().*c.real) << c.id;
}

}  // namespace
