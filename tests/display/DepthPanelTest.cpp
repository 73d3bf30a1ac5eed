// The depth panel and its magnifier, driven through their controls with a
// host that records what the panel asks of the main window.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QTest>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "core/ConfigFolder.h"
#include "core/Ini.h"
#include "display/DephtDlg.h"
#include "header/HeaderRecord.h"
#include "platform/Placement.h"
#include "probe/AcqDialogHost.h"
#include "probe/Frames.h"
#include "res/Resource.h"
#include "support/Artifacts.h"
#include "support/LoggerEmulator.h"
#include "support/ScriptedMessageBoxes.h"

namespace {

class RecordingHost : public IDepthPanelHost, public IAcqDialogHost {
public:
    std::vector<std::string> calls;

    void ApplyCurveScale(int scale) override { calls.push_back("scale " + std::to_string(scale)); }
    void HideChannelSettings() override { calls.push_back("hide settings"); }
    void SaveWinch() override { calls.push_back("save winch"); }
    void ReloadTool() override { calls.push_back("reload tool"); }
    void ResetAcquisition(bool full) override { calls.push_back(full ? "reset full" : "reset"); }
    void RelabelToolsBox() override { calls.push_back("relabel"); }
    bool SendAuxCommandFrame() override
    {
        calls.push_back("aux " + std::to_string(theApp.m_nAuxCommand.load()));
        return true;
    }
    IAcqDialogHost& AcqDialogHost() override { return *this; }
    bool SendRecordingModeFrame() override { return true; }
    bool SendDepthFrame() override { return true; }
    void ResetCurveOrigin(double, double, int) override {}
};

void DoubleClick(QWidget* widget)
{
    const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
    QMouseEvent event(QEvent::MouseButtonDblClick, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

class DepthPanelTest : public ConfigFolderTest {
protected:
    void SetUp() override
    {
        ConfigFolderTest::SetUp();
        m_savedHeader = *theApp.m_pHeaderRecord;
        WriteFile("Ressources/KVXA.tol", "[General]\r\nName=Alpha\r\nScale=100\r\n");
        WriteFile("Ressources/KVXB.tol", "[General]\r\nName=Beta\r\nScale=500\r\n");
        SondeList& sondes = *theApp.m_pSondeList;
        sondes.RefInStock = 2;
        sondes.entries[0] = {"Gamma", "KVX-G", "0001", "", "KVXA"};
        sondes.entries[1] = {"Resistivity", "KVX-R", "0002", "", "KVXB"};
        ToolRecord& tool = *theApp.m_pToolRecord;
        tool.Scale = 100;
        tool.SondeLength = 250.0;
        m_panel.SetHost(&m_host);
        ASSERT_TRUE(m_panel.Create(IDD_DEPHT_DLG, nullptr));
        m_panel.ShowWindow(SW_SHOW);
    }

    void TearDown() override
    {
        m_panel.OnClose();
        m_panel.Magnifier().ShowWindow(SW_HIDE);
        *theApp.m_pHeaderRecord = m_savedHeader;
        *theApp.m_pLiveReadout = LiveReadout{};
        theApp.m_nLinkStatus = 0;
        theApp.m_bSondePowered = 0;
        theApp.m_bDepthWithoutOffset = 0;
        theApp.m_nAuxCommand = 0;
        theApp.m_rcMainWindow = RECT{0, 0, 0, 0};
        ConfigFolderTest::TearDown();
    }

    QWidget* Item(int id) { return m_panel.GetDlgItem(id)->GetSafeHwnd(); }
    QAbstractButton* Button(int id) { return qobject_cast<QAbstractButton*>(Item(id)); }
    QComboBox* Combo(int id) { return qobject_cast<QComboBox*>(Item(id)); }
    // As the operator picks an item.
    void Choose(int comboId, int index)
    {
        QComboBox* combo = Combo(comboId);
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
    void Grab(const char* name) { Grab(m_panel, name); }
    void Grab(CWnd& window, const char* name)
    {
        QCoreApplication::processEvents();
        SaveArtifact(window.GetSafeHwnd(), name);
    }
    // Timer 402 refreshes the panel: waits until it shows what is expected,
    // however late the timer runs on a busy machine.
    bool Settle(const std::function<bool()>& shown) { return WaitFor(shown, 5000); }
    // Where nothing may change: two turns of timer 402.
    void Settle() { WaitFor([] { return false; }, 250); }
    bool PresetsShown(bool shown)
    {
        for (int id : CDephtDlg::kPresetIds) {
            if (Button(id)->isVisible() != shown)
                return false;
        }
        return true;
    }

    RecordingHost m_host;
    CDephtDlg m_panel;
    HeaderRecord m_savedHeader;
};

TEST_F(DepthPanelTest, ChoosingAScaleDrawsAndStoresItAndOnly1Over200IsStoredAs250)
{
    QComboBox* scales = Combo(IDC_SCALE_COMBO);
    ASSERT_EQ(6, scales->count());
    EXPECT_EQ("1/100", scales->currentText().toStdString());  // the tool's scale

    Choose(IDC_SCALE_COMBO, 3);
    EXPECT_EQ("1/200", scales->currentText().toStdString());
    EXPECT_EQ(std::vector<std::string>{"scale 250"}, m_host.calls);
    EXPECT_EQ(250, theApp.m_pToolRecord->Scale);
    CIni file("Ressources/KVXA.tol", TRUE);
    EXPECT_EQ(250, file.GetInt("Scale", 0, "General"));
    EXPECT_EQ("Alpha", file.GetString("Name", "", "General"));

    // A replayed log keeps the scale it was recorded with in its files.
    theApp.m_pRunState->fileLoaded = 1;
    Choose(IDC_SCALE_COMBO, 5);
    EXPECT_EQ(1000, theApp.m_pToolRecord->Scale);
    EXPECT_EQ(250, CIni("Ressources/KVXA.tol", TRUE).GetInt("Scale", 0, "General"));

    theApp.m_pToolRecord->Scale = 500;
    m_panel.SelectCurrentScale();
    EXPECT_EQ("1/500", scales->currentText().toStdString());

    // A tool file that refuses the scale is told once, by its full name also
    // when the program runs from its own folder, as the other writers of the
    // file name it; the curves take the scale all the same.
    theApp.m_pRunState->fileLoaded = 0;
    ASSERT_EQ(0, chmod(Path("Ressources/KVXA.tol").c_str(), 0444));
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(m_folder);
    ScriptedMessageBoxes boxes;
    boxes.Expect(RefusedText(Path("Ressources/KVXA.tol")));
    Choose(IDC_SCALE_COMBO, 5);
    Choose(IDC_SCALE_COMBO, 4);
    CIni probePage(Path("Ressources/KVXA.tol"), FALSE);
    probePage.WriteInt("Voltage", 60, "General");
    probePage.TellRefusedWrites();
    std::filesystem::current_path(before);
    EXPECT_EQ("scale 500", m_host.calls.back());
    EXPECT_EQ(250, CIni("Ressources/KVXA.tol", TRUE).GetInt("Scale", 0, "General"));
}

TEST_F(DepthPanelTest, ModelChangeSavesTheWinchReloadsTwiceThenResetsAndRelabels)
{
    QComboBox* models = Combo(IDC_MODEL_COMBO);
    ASSERT_EQ(2, models->count());
    EXPECT_EQ("KVX-G - 0001 - Gamma", models->itemText(0).toStdString());
    EXPECT_EQ("KVX-R - 0002 - Resistivity", models->itemText(1).toStdString());
    EXPECT_EQ(0, models->currentIndex());

    Choose(IDC_MODEL_COMBO, 1);
    EXPECT_EQ(1, theApp.m_pLoggerSettings->SelectedSonde);
    const std::vector<std::string> expected = {"hide settings", "save winch", "reload tool", "reload tool",
                                               "reset full", "relabel"};
    EXPECT_EQ(expected, m_host.calls);

    // Filled again after an import: the selection given, not the first.
    theApp.m_pSondeList->RefInStock = 1;
    m_panel.FillModelCombo(0);
    EXPECT_EQ(1, models->count());
    EXPECT_EQ(0, models->currentIndex());
}

TEST_F(DepthPanelTest, PresetsShowWhenEnabledAndOutOfReplayAndANegativeAuxIsDisabled)
{
    ToolRecord& tool = *theApp.m_pToolRecord;
    const int aux[6] = {12, -1, 0, 7, -5, 255};
    for (int k = 0; k < 6; ++k) {
        tool.Aux[k] = aux[k];
        tool.LabelAux[k] = "Cmd" + std::to_string(k + 1);
    }
    Settle();
    for (int id : CDephtDlg::kPresetIds)
        EXPECT_FALSE(Button(id)->isVisible()) << id;

    tool.Enabled = 1;
    Settle([&] { return PresetsShown(true); });
    for (int k = 0; k < 6; ++k) {
        QAbstractButton* button = Button(CDephtDlg::kPresetIds[k]);
        EXPECT_TRUE(button->isVisible()) << k;
        EXPECT_EQ("Cmd" + std::to_string(k + 1), button->text().toStdString());
        EXPECT_EQ(aux[k] >= 0, button->isEnabled()) << k;
    }
    Grab("depth_panel_presets.png");
    Button(IDC_PRESET4)->click();
    Button(IDC_PRESET2)->click();  // disabled: takes no click
    EXPECT_EQ(std::vector<std::string>{"aux 7"}, m_host.calls);

    theApp.m_pRunState->fileLoaded = 1;
    Settle([&] { return PresetsShown(false); });
    for (int id : CDephtDlg::kPresetIds)
        EXPECT_FALSE(Button(id)->isVisible()) << id;
}

TEST_F(DepthPanelTest, ReadoutsAndButtonsFollowTheLinkThePowerTheRecordAndTheReplay)
{
    struct Case {
        int link;
        bool powered, recording, loaded, playing;
        int logMode;
        bool withoutOffset;
        const char *depth, *speed;
        bool resetEnabled, modeEnabled;
    };
    const Case cases[] = {
        {15, false, false, false, false, 11, false, "", "", false, false},
        {15, false, false, true, false, 11, false, "", "", false, false},  // loaded, not playing
        {15, false, false, true, true, 10, false, "", "", false, false},   // time mode
        {15, false, false, true, true, 11, false, "123.45", "", false, false},
        {16, false, false, false, false, 11, false, "120.95", "12.50", true, false},  // less 2.5 m
        {16, true, false, false, false, 11, true, "123.45", "12.50", true, true},
        {16, true, true, false, false, 11, false, "120.95", "12.50", true, false},
        {17, true, false, false, false, 11, false, "120.95", "12.50", false, true},
    };
    LiveReadout& readout = *theApp.m_pLiveReadout;
    readout.currentDepth = 123.45;
    readout.cableSpeed = 12.5;
    for (const Case& c : cases) {
        theApp.m_nLinkStatus = c.link;
        theApp.m_bSondePowered = c.powered;
        theApp.m_bDepthWithoutOffset = c.withoutOffset;
        RunState& run = *theApp.m_pRunState;
        run.recording = c.recording;
        run.fileLoaded = c.loaded;
        run.playing = c.playing;
        theApp.m_pHeaderRecord->LogMode = c.logMode;
        Settle([&] {
            return m_panel.DepthReadout().GetText() == c.depth && m_panel.SpeedReadout().GetText() == c.speed &&
                   Button(IDC_DEPTH_RESET)->isEnabled() == c.resetEnabled &&
                   Button(IDC_RECORDING_MODE)->isEnabled() == c.modeEnabled;
        });
        const std::string label = std::to_string(c.link) + " " + std::to_string(c.loaded) + " " +
                                  std::to_string(c.playing) + " " + std::to_string(c.logMode);
        EXPECT_EQ(c.depth, m_panel.DepthReadout().GetText()) << label;
        EXPECT_EQ(c.speed, m_panel.SpeedReadout().GetText()) << label;
        EXPECT_EQ(c.resetEnabled, Button(IDC_DEPTH_RESET)->isEnabled()) << label;
        EXPECT_EQ(c.modeEnabled, Button(IDC_RECORDING_MODE)->isEnabled()) << label;
        if (c.link == 15 && c.playing && c.logMode == 11)
            Grab("depth_panel_replay.png");
        if (c.link == 16 && c.powered && !c.recording)
            Grab("depth_panel_live.png");
    }
}

TEST_F(DepthPanelTest, DoubleClickTogglesDepthWithoutOffsetExceptDuringReplay)
{
    QWidget* reference = Item(IDC_DEPTH_REFERENCE);
    ASSERT_TRUE(Settle([&] { return m_panel.DepthReferenceIcon() != nullptr; }));
    const HICON withOffset = m_panel.DepthReferenceIcon();
    DoubleClick(reference);
    EXPECT_EQ(1, theApp.m_bDepthWithoutOffset);
    EXPECT_NE(withOffset, m_panel.DepthReferenceIcon());
    DoubleClick(reference);
    EXPECT_EQ(0, theApp.m_bDepthWithoutOffset);
    EXPECT_EQ(withOffset, m_panel.DepthReferenceIcon());

    // A replayed log has no tool offset to take away: the icon says so and stays.
    theApp.m_pRunState->fileLoaded = 1;
    Settle([&] { return m_panel.DepthReferenceIcon() != withOffset; });
    const HICON replayIcon = m_panel.DepthReferenceIcon();
    EXPECT_NE(withOffset, replayIcon);
    DoubleClick(reference);
    EXPECT_EQ(0, theApp.m_bDepthWithoutOffset);
    Settle();
    EXPECT_EQ(replayIcon, m_panel.DepthReferenceIcon());
}

TEST_F(DepthPanelTest, MagnifierOpensCentredBelowTheMainWindowTopThenWhereItWasLeft)
{
    theApp.m_rcMainWindow = RECT{100, 80, 1100, 780};
    theApp.m_nLinkStatus = 16;
    theApp.m_pLiveReadout->currentDepth = 412.3;
    theApp.m_pLiveReadout->cableSpeed = -8.25;
    CBigDepth& magnifier = m_panel.Magnifier();
    Button(IDC_MAGNIFIER)->click();
    ASSERT_TRUE(magnifier.IsWindowVisible());
    const WindowPlacement& stored = theApp.m_pPlacementStore->placements[kPlacementMagnifier];
    EXPECT_EQ(kPlacementLength, DWORD{stored.length});
    const RECT at = magnifier.GetWindowRect();
    // Centred from its size before the first show, which has no frame yet.
    EXPECT_NEAR(600, (at.left + at.right) / 2, 4);
    EXPECT_EQ(80 + 150, at.top);
    EXPECT_TRUE(WaitFor([&] { return magnifier.DepthReadout().GetText() == "409.80"; }, 2000));
    EXPECT_EQ("-8.25", magnifier.SpeedReadout().GetText());
    WaitFor([] { return false; }, 300);
    Grab(magnifier, "depth_magnifier.png");

    // Moved, then closed with a double click: it comes back there.
    magnifier.GetSafeHwnd()->move(300, 200);  // as dragged
    DoubleClick(magnifier.GetSafeHwnd());
    EXPECT_FALSE(magnifier.IsWindowVisible());
    Button(IDC_MAGNIFIER)->click();
    EXPECT_EQ(300, magnifier.GetWindowRect().left);
    EXPECT_EQ(200, magnifier.GetWindowRect().top);

    // Closed with Enter: the same.
    magnifier.GetSafeHwnd()->move(320, 210);
    QTest::keyClick(magnifier.GetSafeHwnd(), Qt::Key_Return);
    EXPECT_FALSE(magnifier.IsWindowVisible());
    Button(IDC_MAGNIFIER)->click();
    EXPECT_EQ(320, magnifier.GetWindowRect().left);
    EXPECT_EQ(210, magnifier.GetWindowRect().top);
}

}  // namespace
