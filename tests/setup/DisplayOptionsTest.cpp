// The display options, opened on the main window and driven through their own
// controls: what reaches the curve picture, the files written, and the grid's
// add and remove menu.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QTest>
#include <array>
#include <cmath>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

#include "core/ConfigFolder.h"
#include "core/Ini.h"
#include "core/InstanceChecker.h"
#include "core/Palette.h"
#include "mainwnd/VarnoLogger_KVXDlg.h"
#include "platform/Colors.h"
#include "platform/Menu.h"
#include "platform/MessageBox.h"
#include "res/Resource.h"
#include "setup/ColorPen.h"
#include "support/Artifacts.h"
#include "support/ModalDialogs.h"
#include "support/TestPrinter.h"

namespace {

namespace fs = std::filesystem;

constexpr int kGamma = 0;        // "Natural gamma", track 0 position 1, green
constexpr int kLongNormal = 1;   // track 1 position 1
constexpr int kShortNormal = 2;  // track 1 position 2

// The items of a popup menu, a submenu's after its title and '>'.
std::vector<std::string> MenuTexts(QMenu* menu)
{
    std::vector<std::string> texts;
    for (QAction* action : menu->actions()) {
        std::string text = action->text().toStdString();
        if (action->menu() != nullptr) {
            for (QAction* item : action->menu()->actions())
                text += ">" + item->text().toStdString();
        }
        texts.push_back(text);
    }
    return texts;
}

// The id of the item with this text, in the menu or its submenus; 0 when none.
UINT MenuItemId(QMenu* menu, const std::string& text)
{
    for (QAction* action : menu->findChildren<QAction*>()) {
        if (action->menu() == nullptr && action->text().toStdString() == text)
            return action->data().toUInt();
    }
    return 0;
}

class DisplayOptionsTest : public ConfigFolderTest {
protected:
    void SetUp() override
    {
        ConfigFolderTest::SetUp();
        SetApplicationName("kvx_options_" + std::to_string(getpid()));
        fs::create_directories(Path("Ressources"));
        fs::copy_file(KVX_PROGRAM_DIR "/Ressources/KVXS0001.tol", Path("Ressources/KVXS0001.tol"));
        SetMessageBoxHandler([this](const std::string& text, const std::string&, UINT) {
            m_boxes.push_back(text);
            return IDOK;
        });
        m_main = std::make_unique<CVarnoLogger_KVXDlg>(nullptr);
        ASSERT_TRUE(m_main->Create(IDD_VARNOLOGGER_KVX_DIALOG, nullptr));
        m_main->GetSafeHwnd()->show();
        m_boxes.clear();
        m_main->OnCommand(ID_CMD_DISPLAY_OPTIONS, 0);
        QApplication::processEvents();
    }
    void TearDown() override
    {
        SetPopupMenuHandler(nullptr);
        m_main.reset();
        SetMessageBoxHandler(nullptr);
        UseTestPrinter();
        CInstanceChecker::CloseFirstInstanceMapping();
        theApp.m_bClosing = 0;
        theApp.m_bUsbDriverOk = 0;
        ConfigFolderTest::TearDown();
    }

    CPSetChannelDlg& Options() { return m_main->m_SetChannelDlg; }
    QWidget* Control(int id) { return Options().GetDlgItem(id)->GetSafeHwnd(); }
    void Click(int id) { static_cast<QAbstractButton*>(Control(id))->click(); }

    QPoint CellCentre(int row, int col)
    {
        QWidget* grid = Options().Grid().GetSafeHwnd();
        const int rowHeight = grid->height() / 7;
        const int colWidth = grid->width() / 3;
        return QPoint(col * colWidth + colWidth / 2, (row + 1) * rowHeight + rowHeight / 2);
    }
    void ClickCell(int row, int col, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(Options().Grid().GetSafeHwnd(), button, Qt::NoModifier, CellCentre(row, col));
    }
    // Right-clicks the cell and picks the menu item with this text; returns the menu's items.
    std::vector<std::string> PickFromMenu(int row, int col, const std::string& item)
    {
        std::vector<std::string> shown;
        SetPopupMenuHandler([&](QMenu* menu) {
            shown = MenuTexts(menu);
            return MenuItemId(menu, item);
        });
        ClickCell(row, col, Qt::RightButton);
        SetPopupMenuHandler(nullptr);
        return shown;
    }

    // The gamma curve over the whole ring: a slow swing between 20 and 180 API.
    void FeedCurves()
    {
        CScopeTrack& tracks = m_main->m_ScopeTrack;
        const ToolRecord& tool = *theApp.m_pToolRecord;
        tracks.LoadChannelSettings(tool);
        tracks.ClearBuffers();
        tracks.ResetOrigin(0.0, tool.SondeLength, track::kModeTime, 0);
        for (int k = 0; k < 2000; ++k) {
            const double swing = std::sin(k / 40.0);
            const double raw[6] = {2000 + 1600 * swing, 5000, 5000, 5000, 5000, 5000};
            tracks.AddSamples(raw, track::kModeTime, 1, tool);
        }
    }

    struct Pixels {
        int count = 0;
        double meanX = 0.0;
    };
    // The pixels of a palette colour on one curve track, below the legends.
    Pixels ColourOnTrack(int paletteIndex, int trackIndex)
    {
        CScopeTrack& tracks = m_main->m_ScopeTrack;
        tracks.Draw();
        const QImage& image = tracks.Image();
        const CScopeTrack::TrackLayout area = tracks.Layout(trackIndex);
        const QRgb colour = ToQColor(PaletteColour(paletteIndex)).rgb();
        Pixels found;
        long long sumX = 0;
        for (int y = tracks.LegendHeight(); y < image.height(); ++y) {
            for (int x = area.left; x < area.right; ++x) {
                if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) {
                    ++found.count;
                    sumX += x;
                }
            }
        }
        found.meanX = found.count > 0 ? double(sumX) / found.count : 0.0;
        return found;
    }

    std::string Key(const std::string& file, const std::string& section, const std::string& key)
    {
        CIni ini(file, FALSE);
        return ini.GetString(section, key, "(none)");
    }

    std::unique_ptr<CVarnoLogger_KVXDlg> m_main;
    std::vector<std::string> m_boxes;
};

TEST_F(DisplayOptionsTest, ColourRangeAndTrackChangesReachTheCurvePicture)
{
    EXPECT_TRUE(Options().IsWindowVisible());
    EXPECT_EQ(0, theApp.m_bRefreshDisplayOptions.load()) << "the window refills its grid when activated";
    EXPECT_EQ("Natural gamma", Options().Grid().Cells().front().text);
    FeedCurves();
    const int green = PaletteIndex(0x00A000);
    const Pixels before = ColourOnTrack(green, 0);
    ASSERT_GT(before.count, 200);

    // The colour: "C&olor" opens the chooser, a double click on a cell picks it.
    ClickCell(0, 0);
    ASSERT_EQ(kGamma, Options().SelectedChannel());
    SaveArtifact(Options().GetSafeHwnd(), "display_options.png");
    const int darkRed = 20;
    bool chooserSeen = false;
    WhenModalWith(IDC_PEN_CELLS[0], [&](QWidget* chooser) {
        chooserSeen = true;
        QTest::qWait(200);  // the current colour's mark follows the first paint
        SaveArtifact(chooser, "colour_chooser.png");
        for (int k = 0; k < CColorPen::kCells; ++k) {
            if (CColorPen::kCellPalette[k] != darkRed)
                continue;
            for (QWidget* cell : chooser->findChildren<QWidget*>()) {
                if (ControlIdOf(cell) == IDC_PEN_CELLS[k])
                    QTest::mouseDClick(cell, Qt::LeftButton);
            }
        }
    });
    Click(IDC_OPT_COLOR);
    ASSERT_TRUE(chooserSeen);
    EXPECT_EQ(darkRed, theApp.m_pToolRecord->channels[kGamma].LineColour);
    EXPECT_EQ(0, ColourOnTrack(green, 0).count);
    const Pixels recoloured = ColourOnTrack(darkRed, 0);
    EXPECT_EQ(before.count, recoloured.count);

    // The range: a maximum five times as far squeezes the swing to the left.
    static_cast<QLineEdit*>(Control(IDC_OPT_MAXIMUM))->setText("1000");
    Click(IDC_OPT_SET);
    EXPECT_EQ(1000, theApp.m_pToolRecord->channels[kGamma].RangeRight);
    const Pixels squeezed = ColourOnTrack(darkRed, 0);
    EXPECT_LT(squeezed.meanX, recoloured.meanX - 20);

    // The track: removed from track 0, added to track 2.
    PickFromMenu(0, 0, "Remove Channel");
    EXPECT_EQ(0, ColourOnTrack(darkRed, 0).count);
    PickFromMenu(3, 2, "Natural gamma");
    const ChannelRecord& gamma = theApp.m_pToolRecord->channels[kGamma];
    EXPECT_EQ(2, gamma.DisplayTrack);
    EXPECT_EQ(0, ColourOnTrack(darkRed, 0).count);
    EXPECT_GT(ColourOnTrack(darkRed, 2).count, 200);
    EXPECT_TRUE(m_boxes.empty());
}

// A change of one channel goes to the tool file; during replay to the log's
// header file only; during a record to both. A removed channel is written
// with the others when the window closes.
TEST_F(DisplayOptionsTest, ChangesGoToTheToolFileOrTheHeaderFileByTheRunState)
{
    struct Case {
        const char* name;
        bool fileLoaded;
        bool recording;
        bool toTool;
        bool toHeader;
    };
    const Case cases[] = {
        {"no log", false, false, true, false},
        {"replay", true, false, false, true},
        {"record", false, true, true, true},
    };
    const std::string tool = Path("Ressources/KVXS0001.tol");
    const std::string header = Path("Data/Well.hed");
    const std::string originalTool = ReadFile("Ressources/KVXS0001.tol");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile("Ressources/KVXS0001.tol", originalTool);
        WriteFile("Data/Well.hed", "[General]\r\nName=Well\r\n");
        CopyBounded(theApp.m_pPathSettings->LastFile, header);
        *theApp.m_pRunState = RunState{};
        m_main->m_Preferences.LoadTool();
        theApp.m_pRunState->fileLoaded = c.fileLoaded;
        theApp.m_pRunState->recording = c.recording;
        m_main->OnCommand(ID_CMD_DISPLAY_OPTIONS, 0);
        QApplication::processEvents();

        // The long normal (track 1): the reversed scale, off in the file, goes on.
        ClickCell(0, 1);
        ASSERT_EQ(kLongNormal, Options().SelectedChannel());
        Click(IDC_OPT_REVERSE);
        EXPECT_EQ(1, theApp.m_pToolRecord->channels[kLongNormal].InvertScale);
        PickFromMenu(1, 1, "Remove Channel");
        EXPECT_EQ(0, theApp.m_pToolRecord->channels[kShortNormal].Visible);
        Options().GetSafeHwnd()->close();
        EXPECT_FALSE(Options().IsWindowVisible());

        if (!c.toTool) {
            EXPECT_EQ(originalTool, ReadFile("Ressources/KVXS0001.tol"));
        }
        if (!c.toHeader) {
            EXPECT_EQ("[General]\r\nName=Well\r\n", ReadFile("Data/Well.hed"));
        }
        for (const auto& [file, expected] : {std::pair{tool, c.toTool}, std::pair{header, c.toHeader}}) {
            if (!expected)
                continue;
            SCOPED_TRACE(file);
            EXPECT_EQ("0", Key(file, "Channel1", "InvertScale"));
            EXPECT_EQ("2", Key(file, "Channel1", "DisplayTrack"));
            EXPECT_EQ("1", Key(file, "Channel1", "LogicalCh"));
            EXPECT_EQ("255", Key(file, "Channel1", "LineColour"));
            EXPECT_EQ("150", Key(file, "Channel1", "RangeRight"));
            EXPECT_EQ("0", Key(file, "Channel2", "Visible"));
            EXPECT_EQ("1", Key(file, "Channel0", "Visible"));
            EXPECT_EQ(std::to_string(theApp.m_pToolRecord->Cols[1]), Key(file, "Track2", "Cols"));
        }
        // Closed again with no channel selected and nothing moved: nothing is written.
        const std::string toolNow = ReadFile("Ressources/KVXS0001.tol");
        const std::string headerNow = ReadFile("Data/Well.hed");
        Options().OnCommand(IDCANCEL, 0);
        EXPECT_EQ(toolNow, ReadFile("Ressources/KVXS0001.tol"));
        EXPECT_EQ(headerNow, ReadFile("Data/Well.hed"));
    }
    theApp.m_pRunState->fileLoaded = 0;
    theApp.m_pRunState->recording = 0;
    EXPECT_TRUE(m_boxes.empty());
}

// A file that refuses the changes is told once, whatever the number of keys;
// the other file takes them, and the window goes on with them in memory.
TEST_F(DisplayOptionsTest, ARefusedFileIsToldOnce)
{
    WriteFile("Data/Well.hed", "[General]\r\nName=Well\r\n");
    CopyBounded(theApp.m_pPathSettings->LastFile, Path("Data/Well.hed"));
    ASSERT_EQ(0, chmod(Path("Data/Well.hed").c_str(), 0444));
    theApp.m_pRunState->recording = 1;
    ClickCell(0, 1);
    Click(IDC_OPT_REVERSE);
    PickFromMenu(1, 1, "Remove Channel");
    Options().GetSafeHwnd()->close();
    theApp.m_pRunState->recording = 0;
    EXPECT_EQ(1, theApp.m_pToolRecord->channels[kLongNormal].InvertScale);
    EXPECT_EQ(0, theApp.m_pToolRecord->channels[kShortNormal].Visible);
    EXPECT_FALSE(Options().IsWindowVisible());
    EXPECT_EQ("0", Key(Path("Ressources/KVXS0001.tol"), "Channel2", "Visible"));
    EXPECT_EQ(std::vector<std::string>{RefusedText(Path("Data/Well.hed"))}, m_boxes);
}

// The range edits keep Maximum above Minimum, a bad number brings the stored
// value back, and the spins step within their limits.
TEST_F(DisplayOptionsTest, RangeEditsAndSpinsKeepTheirRules)
{
    FeedCurves();
    ClickCell(0, 0);
    ASSERT_EQ(kGamma, Options().SelectedChannel());
    const ChannelRecord& gamma = theApp.m_pToolRecord->channels[kGamma];
    auto text = [this](int id) { return static_cast<QLineEdit*>(Control(id))->text().toStdString(); };
    auto type = [this](int id, const char* value) { static_cast<QLineEdit*>(Control(id))->setText(value); };
    auto spin = [this](int id, bool up, int times) {
        QWidget* bar = Control(id);
        const QPoint at(bar->width() / 2, up ? 1 : bar->height() - 2);
        for (int k = 0; k < times; ++k) {
            QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, at);
            QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, at);
        }
    };

    type(IDC_OPT_MAXIMUM, "50");
    type(IDC_OPT_MINIMUM, "100");
    Click(IDC_OPT_SET);
    EXPECT_EQ("101", text(IDC_OPT_MAXIMUM));
    EXPECT_EQ(100, gamma.RangeLeft);
    EXPECT_EQ(101, gamma.RangeRight);

    type(IDC_OPT_MINIMUM, "1o0");
    Click(IDC_OPT_SET);
    EXPECT_EQ(std::vector<std::string>{"Please enter a number."}, m_boxes);
    EXPECT_EQ("100", text(IDC_OPT_MINIMUM));
    EXPECT_EQ(100, gamma.RangeLeft);

    spin(IDC_OPT_MINIMUM_SPIN, true, 1);  // 101 would reach the maximum: it moves to 102
    EXPECT_EQ("101", text(IDC_OPT_MINIMUM));
    EXPECT_EQ("102", text(IDC_OPT_MAXIMUM));
    EXPECT_EQ(101, gamma.RangeLeft);
    spin(IDC_OPT_MAXIMUM_SPIN, false, 3);  // never below minimum + 1
    EXPECT_EQ("102", text(IDC_OPT_MAXIMUM));
    EXPECT_EQ(102, gamma.RangeRight);

    spin(IDC_OPT_FILTER_SPIN, true, 30);
    EXPECT_EQ("51", text(IDC_OPT_FILTER_WIDTH));
    EXPECT_EQ(51, gamma.FilterWidth);
    // Switching the filter on smooths the curve already drawn, with the new setting.
    auto shown = [this] {
        std::vector<double> values;
        for (int k = 0; k < 2000; k += 7)
            values.push_back(m_main->m_ScopeTrack.SampleAt(kGamma, k).display);
        return values;
    };
    const std::vector<double> unfiltered = shown();
    Click(IDC_OPT_FILTER);
    EXPECT_NE(unfiltered, shown());
    spin(IDC_OPT_FILTER_SPIN, false, 30);
    EXPECT_EQ(1, gamma.FilterWidth);
    spin(IDC_OPT_COLS_SPIN, false, 3);
    EXPECT_EQ(0, theApp.m_pToolRecord->Cols[0]);
    spin(IDC_OPT_COLS_SPIN, true, 30);
    EXPECT_EQ(50, theApp.m_pToolRecord->Cols[0]);
    EXPECT_EQ("50", Key(Path("Ressources/KVXS0001.tol"), "Track0", "Cols"));
    EXPECT_EQ("102", Key(Path("Ressources/KVXS0001.tol"), "Channel0", "RangeRight"));

    // From a typed value out of range, an arrow steps into the range.
    type(IDC_OPT_FILTER_WIDTH, "-5");
    spin(IDC_OPT_FILTER_SPIN, true, 1);
    EXPECT_EQ("1", text(IDC_OPT_FILTER_WIDTH));
    EXPECT_EQ("1", Key(Path("Ressources/KVXS0001.tol"), "Channel0", "FilterWidth"));
    type(IDC_OPT_COLS, "-5");
    spin(IDC_OPT_COLS_SPIN, true, 1);
    EXPECT_EQ("0", Key(Path("Ressources/KVXS0001.tol"), "Track0", "Cols"));

    // A box shown by an arrow takes the release: it ends the press, once told,
    // with the stored value shown again.
    m_boxes.clear();
    type(IDC_OPT_FILTER_WIDTH, "x");
    QWidget* bar = Control(IDC_OPT_FILTER_SPIN);
    QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, QPoint(bar->width() / 2, 1));
    EXPECT_EQ(std::vector<std::string>{"Please enter a number."}, m_boxes);
    EXPECT_EQ("1", text(IDC_OPT_FILTER_WIDTH));
    QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, QPoint(bar->width() / 2, 1));
    EXPECT_EQ(1u, m_boxes.size());
    EXPECT_EQ(1, gamma.FilterWidth);

    // Told by Set, the same entry is not told again by the arrow.
    type(IDC_OPT_FILTER_WIDTH, "y");
    Click(IDC_OPT_SET);
    EXPECT_EQ("1", text(IDC_OPT_FILTER_WIDTH));
    spin(IDC_OPT_FILTER_SPIN, true, 1);
    EXPECT_EQ(2u, m_boxes.size());
    EXPECT_EQ(3, gamma.FilterWidth);
}

// What the right click offers and what the picked item does to the tracks.
TEST_F(DisplayOptionsTest, RightClickAddsAndRemovesChannels)
{
    struct Placement {
        int track;
        int position;  // 0: hidden
    };
    struct Case {
        const char* name;
        std::array<Placement, 6> before;
        int row, col;
        std::string pick;
        std::vector<std::string> menu;
        std::array<Placement, 6> after;
    };
    const Case cases[] = {
        {"added to an empty track lands at its top, whatever the row",
         {{{0, 1}, {0, 2}, {1, 1}, {0, 0}, {0, 0}, {0, 0}}}, 5, 2, "Ch4",
         {"Add Channel>Ch3>Ch4>Ch5", "Remove Channel"},
         {{{0, 1}, {0, 2}, {1, 1}, {0, 0}, {2, 1}, {0, 0}}}},
        {"added below the last of a track",
         {{{0, 1}, {0, 2}, {1, 1}, {0, 0}, {0, 0}, {0, 0}}}, 0, 0, "Ch5",
         {"Add Channel>Ch3>Ch4>Ch5", "Remove Channel"},
         {{{0, 1}, {0, 2}, {1, 1}, {0, 0}, {0, 0}, {0, 3}}}},
        {"removing position 2 of 1-4 closes the gap in order",
         {{{0, 1}, {0, 2}, {0, 3}, {0, 4}, {1, 1}, {0, 0}}}, 1, 0, "Remove Channel",
         {"Add Channel>Ch5", "Remove Channel"},
         {{{0, 1}, {0, 0}, {0, 2}, {0, 3}, {1, 1}, {0, 0}}}},
        {"all six on the tracks: nothing to add",
         {{{0, 1}, {0, 2}, {1, 1}, {1, 2}, {2, 1}, {2, 2}}}, 1, 2, "Remove Channel",
         {"Remove Channel"},
         {{{0, 1}, {0, 2}, {1, 1}, {1, 2}, {2, 1}, {0, 0}}}},
        {"all six hidden: nothing to remove",
         {{{0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}}}, 2, 1, "Ch0",
         {"Add Channel>Ch0>Ch1>Ch2>Ch3>Ch4>Ch5"},
         {{{1, 1}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}}}},
        {"a right click on an empty cell removes nothing",
         {{{0, 1}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}}}, 3, 0, "Remove Channel",
         {"Add Channel>Ch1>Ch2>Ch3>Ch4>Ch5", "Remove Channel"},
         {{{0, 1}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}}}},
    };
    ToolRecord& tool = *theApp.m_pToolRecord;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tool.NumberOfChannels = 6;
        for (int i = 0; i < 6; ++i) {
            ChannelRecord& ch = tool.channels[i];
            ch.Title = "Ch" + std::to_string(i);
            ch.Visible = c.before[i].position > 0;
            ch.DisplayTrack = c.before[i].track;
            ch.LogicalCh = c.before[i].position;
        }
        Options().RefreshGrid();
        EXPECT_EQ(c.menu, PickFromMenu(c.row, c.col, c.pick));
        for (int i = 0; i < 6; ++i) {
            SCOPED_TRACE(i);
            const ChannelRecord& ch = tool.channels[i];
            EXPECT_EQ(c.after[i].position > 0, ch.Visible != 0);
            EXPECT_EQ(c.after[i].track, ch.DisplayTrack);
            EXPECT_EQ(c.after[i].position, ch.LogicalCh);
        }
        // The grid shows what the records say.
        for (const CCellData& cell : Options().Grid().Cells()) {
            if (cell.id >= 0) {
                EXPECT_EQ(c.after[cell.id].position, cell.row + 1);
            }
        }
        EXPECT_EQ(-1, Options().SelectedChannel());
    }
}

// Maximum stays above Minimum whichever edit is left: a Maximum typed equal to
// or below Minimum becomes Minimum + 1, in the edit and in the tool file.
TEST_F(DisplayOptionsTest, MaximumIsKeptAboveMinimumAsTypedAndLeft)
{
    struct Case {
        const char* minimum;
        const char* maximum;
        int left;  // the edit that loses the focus
        const char* shown;
        const char* stored;
    };
    const Case cases[] = {
        {"100", "100", IDC_OPT_MAXIMUM, "101", "101"},
        {"100", "100", IDC_OPT_MINIMUM, "101", "101"},
        {"-7", "-7", IDC_OPT_MAXIMUM, "-6", "-6"},
        {"100", "99", IDC_OPT_MAXIMUM, "101", "101"},
        {"100", "101", IDC_OPT_MAXIMUM, "101", "101"},
    };
    ClickCell(0, 0);
    ASSERT_EQ(kGamma, Options().SelectedChannel());
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.minimum) + " " + c.maximum);
        auto* minimum = static_cast<QLineEdit*>(Control(IDC_OPT_MINIMUM));
        auto* maximum = static_cast<QLineEdit*>(Control(IDC_OPT_MAXIMUM));
        minimum->setText(c.minimum);
        maximum->setText(c.maximum);
        QFocusEvent out(QEvent::FocusOut);
        QApplication::sendEvent(c.left == IDC_OPT_MINIMUM ? minimum : maximum, &out);
        EXPECT_EQ(c.shown, maximum->text().toStdString());
        EXPECT_EQ(c.minimum, Key(Path("Ressources/KVXS0001.tol"), "Channel0", "RangeLeft"));
        EXPECT_EQ(c.stored, Key(Path("Ressources/KVXS0001.tol"), "Channel0", "RangeRight"));
    }
    EXPECT_TRUE(m_boxes.empty());
}

// Ranges stored beyond six characters show whole and are rewritten only as
// changed; the six-character limit holds for typing alone, and the spins stop
// at the ends of int.
TEST_F(DisplayOptionsTest, StoredRangesShowWholeAndOnlyTypingIsLimited)
{
    ChannelRecord& gamma = theApp.m_pToolRecord->channels[kGamma];
    gamma.RangeLeft = -100000;
    gamma.RangeRight = 2147483646;
    ClickCell(0, 0);
    ASSERT_EQ(kGamma, Options().SelectedChannel());
    auto* minimum = static_cast<QLineEdit*>(Control(IDC_OPT_MINIMUM));
    auto* maximum = static_cast<QLineEdit*>(Control(IDC_OPT_MAXIMUM));
    EXPECT_EQ("-100000", minimum->text().toStdString());
    EXPECT_EQ("2147483646", maximum->text().toStdString());

    // Left as they are, both keep their values.
    Click(IDC_OPT_SET);
    EXPECT_EQ(-100000, gamma.RangeLeft);
    EXPECT_EQ(2147483646, gamma.RangeRight);
    EXPECT_EQ("-100000", Key(Path("Ressources/KVXS0001.tol"), "Channel0", "RangeLeft"));

    QWidget* bar = Control(IDC_OPT_MAXIMUM_SPIN);
    const QPoint up(bar->width() / 2, 1);
    for (int k = 0; k < 2; ++k) {
        QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, up);
        QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, up);
    }
    EXPECT_EQ("2147483647", maximum->text().toStdString());
    EXPECT_EQ(2147483647, gamma.RangeRight);

    // Typing: a character more is refused past six, and a long text may still shrink.
    QTest::keyClick(maximum, Qt::Key_End);
    QTest::keyClick(maximum, Qt::Key_1);
    EXPECT_EQ("2147483647", maximum->text().toStdString());
    QTest::keyClick(maximum, Qt::Key_Backspace);
    EXPECT_EQ("214748364", maximum->text().toStdString());
    minimum->clear();
    QTest::keyClicks(minimum, "12345678");
    EXPECT_EQ("123456", minimum->text().toStdString());
    EXPECT_TRUE(m_boxes.empty());
}

// Choosing another sonde closes the window as its close box does, while the old
// sonde is still current: what it held goes to the old sonde's tool file, none
// of it to the new one's, and reopened it shows the new sonde.
TEST_F(DisplayOptionsTest, AnotherSondeClosesTheWindowBeforeItLoads)
{
    std::string second = ReadFile("Ressources/KVXS0001.tol");
    second.replace(second.find("Short normal resistivity"), 5, "Other");
    WriteFile("Ressources/KVXS0002.tol", second);
    SondeList& sondes = *theApp.m_pSondeList;
    sondes.entries[1] = sondes.entries[0];
    sondes.entries[1].Serial = "0002";
    sondes.entries[1].TolFile = "KVXS0002";
    sondes.RefInStock = 2;
    m_main->m_DephtDlg.FillModelCombo(0);

    // A removal is written when the window closes.
    PickFromMenu(1, 1, "Remove Channel");
    ASSERT_EQ(0, theApp.m_pToolRecord->channels[kShortNormal].Visible);
    ClickCell(0, 1);
    ASSERT_EQ(kLongNormal, Options().SelectedChannel());

    auto* models = static_cast<QComboBox*>(m_main->m_DephtDlg.ModelCombo().GetSafeHwnd());
    models->setCurrentIndex(1);
    emit models->activated(1);
    ASSERT_EQ(1, theApp.m_pLoggerSettings->SelectedSonde);
    EXPECT_FALSE(Options().IsWindowVisible());
    EXPECT_EQ("0", Key(Path("Ressources/KVXS0001.tol"), "Channel2", "Visible"));
    EXPECT_EQ(second, ReadFile("Ressources/KVXS0002.tol"));

    m_main->OnCommand(ID_CMD_DISPLAY_OPTIONS, 0);
    ASSERT_TRUE(QTest::qWaitFor([] { return theApp.m_bRefreshDisplayOptions.load() == 0; }, 10000));
    EXPECT_EQ(-1, Options().SelectedChannel());
    bool shown = false;
    for (const CCellData& cell : Options().Grid().Cells())
        shown = shown || cell.text == "Other normal resistivity";
    EXPECT_TRUE(shown);
    EXPECT_TRUE(m_boxes.empty());
}

}  // namespace
