// The probe control panel in the main window against the logger emulator:
// power orders and their check, a record, the file player; and its plain rules.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLineEdit>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <unistd.h>

#include "core/Ini.h"
#include "core/RunState.h"
#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "display/TrackMath.h"
#include "header/Header.h"
#include "header/HeaderRecord.h"
#include "platform/FileDialog.h"
#include "mainwnd/VarnoLogger_KVXDlg.h"
#include "platform/Application.h"
#include "probe/Frames.h"
#include "probe/LogRecord.h"
#include "probe/PowerDlg.h"
#include "probe/ToolsStream.h"
#include "res/Resource.h"
#include "support/LinkedMainWindow.h"
#include "support/LoggerEmulator.h"
#include "support/ModalDialogs.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/Artifacts.h"
#include "support/PrintedJobs.h"
#include "support/TestPrinter.h"

namespace {

namespace fs = std::filesystem;

TEST(ReplayPace, TrackbarPositionAndScaleGiveTickAndRecordsPerTick)
{
    struct Case {
        int position, scale;
        std::int64_t dueTime;
        int records;
    };
    const Case cases[] = {
        {25, 100, -1500000, 5},  // the start position: 5 records per 150 ms
        {1, 100, -2500000, 1},   // slowest: one record per 250 ms
        {50, 100, -1500000, 30},
        {20, 100, -1550000, 1},  // k = 0: still one per tick, the tick from n = 31
        {21, 100, -1500000, 1},  // k = 1: the fixed 30-unit tick
        {1, 50, -3333333, 1},    // D = 3, truncated toward zero
        {1, 250, -1111111, 1},
        {1, 500, -588235, 1},
        {1, 1000, -285714, 1},
        {1, 200, -5000000, 1},   // any other scale divides by 2
        {50, 0, -3000000, 30},
    };
    for (const Case& c : cases) {
        ReplayPace pace = ReplayPaceFor(c.position, 50, c.scale);
        EXPECT_EQ(c.dueTime, pace.dueTime) << c.position << " " << c.scale;
        EXPECT_EQ(c.records, pace.recordsPerTick) << c.position << " " << c.scale;
    }
}

TEST(StatusLine, ReplyFlagsGiveTextAndLevelTheLastFlagWinning)
{
    struct Case {
        int status;
        bool overrun;
        const char* text;
        int level;
    };
    const Case cases[] = {
        {0x00, false, "Sonde not powered", 0},
        {0x01, false, "Status OK", 1},
        {0x11, false, "Status OK", 1},  // data valid wins over the adjustment bits
        {0x01, true, "", 0},             // the overrun text is the caller's
        {0x20, false, "Setting adjustment in progress ... wait", 1},
        {0x30, false, "Parameter adjustment in progress ... wait", 1},
        {0x38, false, "CheckSum Error", 3},
        {0x80, false, "Frame error", 3},
        {0x4C, false, "Int resp", 3},
        {0xFE, false, "No response", 3},
    };
    for (const Case& c : cases) {
        StatusLine line = StatusLineFor(c.status, c.overrun);
        EXPECT_EQ(c.text, line.text) << std::hex << c.status;
        EXPECT_EQ(c.level, line.level) << std::hex << c.status;
    }
}

// The decoder between the emulator and the program: can make the probe
// report another supply voltage, echo another gain than it was given, or
// report a mode in force whatever it was told.
class PatchingStream : public CToolsStream {
public:
    std::atomic<int> voltage{-1};
    std::atomic<int> gain{-1};
    std::atomic<int> status{-1};
    std::atomic<bool> refuseStartDepth{false};

    void DecodeShortPacket() override
    {
        Patch(sizeof(ShortPacket));
        CToolsStream::DecodeShortPacket();
    }
    // With refuseStartDepth, the header is read-only while a record's first
    // record writes its start depth, and only then. The record's flag is not
    // looked at: it may be raised between this check and the write. A record
    // stopped before its first record would leave the rewrite waiting.
    void DecodeDataPacket() override
    {
        Patch(sizeof(DataPacket));
        const bool refuse = refuseStartDepth && theApp.m_bRewriteStartDepth;
        if (refuse)
            fs::permissions(theApp.m_pPathSettings->LastFile, fs::perms::owner_write, fs::perm_options::remove);
        CToolsStream::DecodeDataPacket();
        if (!refuse)
            return;
        fs::permissions(theApp.m_pPathSettings->LastFile, fs::perms::owner_write, fs::perm_options::add);
        if (!theApp.m_bRewriteStartDepth)
            refuseStartDepth = false;
    }
    // With the sonde off the probe reports in status packets.
    void DecodeStatusPacket() override
    {
        Set(sizeof(StatusPacket), 0, status);
        CToolsStream::DecodeStatusPacket();
    }

private:
    void Patch(size_t size)
    {
        Set(size, 0, status);
        Set(size, 1, gain);
        Set(size, 11, voltage);
    }
    // Replaces one byte and keeps the payload's checksum right.
    static void Set(size_t size, size_t index, int value)
    {
        if (value < 0)
            return;
        BYTE* p = theApp.m_pRxBuffer;
        WORD sum = WORD(p[size - 2] | p[size - 1] << 8);
        sum = WORD(sum - p[index] + value);
        p[index] = BYTE(value);
        p[size - 2] = BYTE(sum & 0xFF);
        p[size - 1] = BYTE(sum >> 8);
    }
};

class PowerDlgIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char folder[] = "/tmp/kvx_panelXXXXXX";
        ASSERT_NE(nullptr, mkdtemp(folder));
        m_folder = folder;
        m_savedFolder = GetProgramFolder();
        SetProgramFolder(m_folder.string() + "/");
        // The default sonde, in time mode as fast as the probe page allows.
        m_link = std::make_unique<LinkedMainWindow>(m_folder, [](std::string& tool) {
            tool = std::regex_replace(tool, std::regex("TimeInterval=150"), "TimeInterval=100");
        });
    }

    void TearDown() override
    {
        m_link.reset();
        SetFileDialogHandler(nullptr);
        SetProgramFolder(m_savedFolder);
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }

    // The main window with its panel and curves, linked to a running emulator.
    void Start(std::vector<std::string> options)
    {
        // The record button's new-log command names the file the test chose.
        SetFileDialogHandler([this](const FileDialogRequest&) { return std::optional<std::string>(m_chosen); });
        ASSERT_TRUE(m_link->Start(options, [this](CVarnoLogger_KVXDlg& window) {
            // Before the reader starts, which is at least 500 ms after the device opens.
            window.m_Usb.SetDecoder(&m_stream);
            window.GetSafeHwnd()->resize(1000, 640);
        }));
        m_dialog = &m_link->Window();
        m_emulator = &m_link->Emulator();
    }

    CPowerDlg& Panel() { return m_dialog->m_PowerDlg; }
    QAbstractButton* Button(int id)
    {
        return qobject_cast<QAbstractButton*>(Panel().GetDlgItem(id)->GetSafeHwnd());
    }
    // A click as the operator makes it: a disabled button takes none.
    void Click(int id) { Button(id)->click(); }
    // The panel enables its buttons from the link state on its refresh, which
    // a loaded machine runs late: a click waits for it, and its dialogs are
    // answered only once it is sure to open them.
    void WaitUntilEnabled(int id)
    {
        ASSERT_TRUE(WaitFor([&] { return Button(id)->isEnabled(); }, 5000))
            << "button " << id << " stays disabled; link state " << theApp.m_nLinkStatus << "\n"
            << m_emulator->Log();
    }
    void ClickWhenEnabled(int id)
    {
        ASSERT_NO_FATAL_FAILURE(WaitUntilEnabled(id));
        Click(id);
    }

    void PowerOnConfirmed()
    {
        ASSERT_NO_FATAL_FAILURE(ClickWhenEnabled(IDC_POWER));
        ASSERT_TRUE(Panel().IsOrderPending());
        ASSERT_TRUE(WaitFor([&] { return !Panel().IsOrderPending(); }, 5000));
        ASSERT_TRUE(Panel().IsSondeOn());
    }

    void Grab(CWnd& window, const char* name)
    {
        QCoreApplication::processEvents();
        SaveArtifact(window.GetSafeHwnd(), name);
    }

    // Sends a frame after those on their way: once the emulator has it, it had them.
    void SyncWithEmulator()
    {
        const int before = FramesReceived(7);
        ASSERT_TRUE(WaitFor([] { return theApp.m_nTxLength == 0; }, 5000));
        ASSERT_TRUE(m_dialog->m_Usb.SendAuxCommandFrame());
        ASSERT_TRUE(WaitFor([&] { return FramesReceived(7) > before; }, 5000));
    }

    int FramesReceived(int type) const
    {
        std::string log = m_emulator->Log();
        std::regex frame("RX type=" + std::to_string(type) + " ");
        return int(std::distance(std::sregex_iterator(log.begin(), log.end(), frame), std::sregex_iterator()));
    }

    fs::path m_folder;
    std::string m_savedFolder;
    PatchingStream m_stream;
    std::unique_ptr<LinkedMainWindow> m_link;
    CVarnoLogger_KVXDlg* m_dialog = nullptr;
    LoggerEmulator* m_emulator = nullptr;
    std::string m_chosen;
};

TEST_F(PowerDlgIntegrationTest, PowerOnInTimeModeFillsTheCurvesAndTheVoltageAlarmBlinks)
{
    ScriptedMessageBoxes boxes;
    ASSERT_NO_FATAL_FAILURE(Start({}));
    Grab(Panel(), "panel_off.png");
    ASSERT_NO_FATAL_FAILURE(PowerOnConfirmed());
    EXPECT_EQ(4, theApp.m_pProbeStatus->status & 0x0F);
    EXPECT_EQ(theApp.m_pRecordingModeFrame->commGain, theApp.m_pProbeStatus->echoCommGain);
    EXPECT_EQ(1, FramesReceived(6));
    EXPECT_EQ("Acquisition Mode.", m_dialog->m_StatusBar.GetText(0));
    EXPECT_TRUE(WaitFor([&] { return Panel().StatusText() == "Status OK"; }, 3000));
    EXPECT_TRUE(WaitFor([&] { return m_dialog->m_ScopeTrack.Count(0) >= 50; }, 20000));
    EXPECT_GT(theApp.m_nValidFrames.load(), 0u);

    Grab(Panel(), "panel_powered.png");
    Grab(*m_dialog, "main_window_live_time_mode.png");

    // The probe reports 106 V: both supply read-outs blink until it is back at 105.
    m_stream.voltage = 106;
    EXPECT_TRUE(WaitFor([&] { return Panel().VoltageReadout().IsBlinking(); }, 3000));
    EXPECT_EQ("106", Panel().VoltageReadout().GetText());
    EXPECT_TRUE(Panel().CurrentReadout().IsBlinking());
    m_stream.voltage = 105;
    EXPECT_TRUE(WaitFor([&] { return !Panel().VoltageReadout().IsBlinking(); }, 3000));
    EXPECT_FALSE(Panel().CurrentReadout().IsBlinking());

    ASSERT_NO_FATAL_FAILURE(ClickWhenEnabled(IDC_POWER));
    EXPECT_TRUE(WaitFor([&] { return !Panel().IsOrderPending(); }, 5000));
    EXPECT_EQ(0, theApp.m_pProbeStatus->status & 0x0F);
    EXPECT_EQ(0, theApp.m_bSondePowered);
}

TEST_F(PowerDlgIntegrationTest, RecordStartsOnlyWithItsHeaderWrittenAndEndsWithoutIt)
{
    ScriptedMessageBoxes boxes;
    ASSERT_NO_FATAL_FAILURE(Start({}));
    ASSERT_NO_FATAL_FAILURE(PowerOnConfirmed());

    // A log whose header cannot be made (a folder holds its name): the
    // message, and the header editor stays open with what was typed while
    // the operator names the same place again. Cancel tries that place once
    // more, and no record starts without its header.
    fs::create_directories(m_folder / "a.hed" / "taken");
    m_chosen = (m_folder / "a.log").string();
    const std::string mode = m_dialog->m_StatusBar.GetText(0);
    for (int tries = 0; tries < 3; ++tries)
        boxes.Expect("Trouble opening or create header file.");
    const auto typeCompany = [](QWidget* editor, const char* text) {
        for (QLineEdit* edit : editor->findChildren<QLineEdit*>())
            if (ControlIdOf(edit) == IDC_HDR_COMPANY)
                edit->setText(text);
    };
    bool stayedOpen = false;
    ASSERT_NO_FATAL_FAILURE(WaitUntilEnabled(IDC_RECORD));
    ClickWhenModal({IDOK});
    WhenModalWith(IDC_HDR_SAVE, [&](QWidget* editor) {
        typeCompany(editor, "Kept");
        ModalButton(editor, IDC_HDR_SAVE)->click();
        stayedOpen = editor->isVisible();
        ModalButton(editor, IDC_HDR_CANCEL)->click();
    });
    Click(IDC_RECORD);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ("Kept", theApp.m_pHeaderRecord->Company);
    EXPECT_EQ(0, theApp.m_pRunState->recording);
    EXPECT_EQ(nullptr, theApp.m_pRecordFile);
    EXPECT_FALSE(Button(IDC_STOP)->isEnabled());
    EXPECT_EQ(mode, m_dialog->m_StatusBar.GetText(0));
    EXPECT_FALSE(fs::exists(m_folder / "a.log"));

    // Another place that takes the header: the record starts there, with the
    // header as typed.
    boxes.Expect("Trouble opening or create header file.");
    ASSERT_NO_FATAL_FAILURE(WaitUntilEnabled(IDC_RECORD));
    ClickWhenModal({IDOK});
    WhenModalWith(IDC_HDR_SAVE, [&](QWidget* editor) {
        typeCompany(editor, "Elsewhere");
        m_chosen = (m_folder / "b.log").string();
        ModalButton(editor, IDC_HDR_SAVE)->click();
    });
    Click(IDC_RECORD);
    ASSERT_EQ(1, theApp.m_pRunState->recording);
    EXPECT_EQ("Elsewhere", CIni((m_folder / "b.hed").string(), TRUE).GetString("Company", "", "WellInfo"));
    // Its first record takes the start depth: no rewrite of it is left waiting for the next record.
    EXPECT_TRUE(WaitFor([&] { return fs::file_size(m_folder / "b.log") >= sizeof(LogRecord); }, 5000))
        << "the first record";
    Click(IDC_STOP);
    EXPECT_EQ(0, theApp.m_pRunState->recording);

    // The first record's start depth cannot be written: the record ends at once,
    // and the operator is told then, not at Stop.
    boxes.Expect("Trouble writing header file: recording stopped.\nThe records written so far are kept.");
    m_chosen = (m_folder / "c.log").string();
    m_stream.refuseStartDepth = true;
    ASSERT_NO_FATAL_FAILURE(WaitUntilEnabled(IDC_RECORD));
    ClickWhenModal({IDOK});
    ClickWhenModal({IDC_HDR_SAVE});
    Click(IDC_RECORD);
    ASSERT_TRUE(WaitFor([] { return theApp.m_pRunState->recording == 0; }, 5000)) << "the record runs on";
    // The reader puts the header back right after the refused write.
    EXPECT_TRUE(WaitFor([&] { return !m_stream.refuseStartDepth; }, 5000)) << "the start depth refused";
    EXPECT_TRUE(boxes.WaitUntilAllShown(5000));
    EXPECT_EQ(0u, fs::file_size(m_folder / "c.log"));
    EXPECT_FALSE(Button(IDC_STOP)->isEnabled());
}

TEST_F(PowerDlgIntegrationTest, ProbeTakingNoOrderIsRefusedAfterTenTriesAndSwitchedOff)
{
    ScriptedMessageBoxes boxes;
    ASSERT_NO_FATAL_FAILURE(Start({"--no-echo"}));
    boxes.Expect("Order refused !!!");
    ASSERT_TRUE(WaitFor([&] { return Button(IDC_POWER)->isEnabled(); }, 5000));
    const auto start = std::chrono::steady_clock::now();
    Click(IDC_POWER);
    ASSERT_TRUE(boxes.WaitUntilAllShown(10000));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(seconds, 2.0);  // ten tries 200 ms apart
    EXPECT_LT(seconds, 5.0);
    EXPECT_EQ(10, FramesReceived(6));
    EXPECT_FALSE(Panel().IsSondeOn());
    EXPECT_EQ(0, theApp.m_bSondePowered);
    EXPECT_EQ("Sonde not powered", Panel().StatusText());
    // The power-off order finds the probe off at once.
    EXPECT_TRUE(WaitFor([] { return theApp.m_bPowerOffDone != 0; }, 3000));
    Grab(Panel(), "panel_refused.png");
}

TEST_F(PowerDlgIntegrationTest, ProbeEchoingAnotherGainIsRefusedAfterTenSends)
{
    ScriptedMessageBoxes boxes;
    ASSERT_NO_FATAL_FAILURE(Start({}));
    m_stream.gain = 9;
    boxes.Expect("Order refused !!!\n check your parameters.\n");
    ASSERT_TRUE(WaitFor([&] { return Button(IDC_POWER)->isEnabled(); }, 5000));
    Click(IDC_POWER);
    ASSERT_TRUE(boxes.WaitUntilAllShown(10000));
    EXPECT_EQ(10, FramesReceived(6));
    EXPECT_FALSE(Panel().IsSondeOn());
    // The power-off order: the channel frame until the probe reports no mode.
    EXPECT_TRUE(WaitFor([] { return (theApp.m_pProbeStatus->status & 0x0F) == 0; }, 5000));
    EXPECT_GE(FramesReceived(0), 1);
}

// A probe that stays on whatever it is sent: the power-off order is sent
// again every 500 ms, then given up after its tries.
TEST_F(PowerDlgIntegrationTest, PowerOffOrderGivesUpAfterItsTries)
{
    ScriptedMessageBoxes boxes;
    ASSERT_NO_FATAL_FAILURE(Start({}));
    ASSERT_NO_FATAL_FAILURE(PowerOnConfirmed());
    m_stream.status = 4;  // time mode in force, always
    const int sentBefore = FramesReceived(0);
    Click(IDC_POWER);
    EXPECT_EQ(0, theApp.m_bSondePowered);
    ASSERT_TRUE(Panel().IsOrderPending());
    EXPECT_TRUE(WaitFor([&] { return !Panel().IsOrderPending(); }, 20000)) << "the order never gives up";
    const int sent = FramesReceived(0) - sentBefore;
    EXPECT_GE(sent, CPowerDlg::kMaxOrderTries);
    EXPECT_LE(sent, CPowerDlg::kMaxOrderTries + 1);
    EXPECT_EQ(0, theApp.m_bPowerOffDone);
}

// A new log that does not start leaves the sonde as it found it: one that was
// off, which the recording-mode frame powered, is switched off again; one
// that was on gets that frame alone.
TEST_F(PowerDlgIntegrationTest, NewLogThatDoesNotStartLeavesTheSondeAsItFoundIt)
{
    ScriptedMessageBoxes boxes;
    ASSERT_NO_FATAL_FAILURE(Start({}));
    ASSERT_TRUE(WaitFor([&] { return Button(IDC_POWER)->isEnabled(); }, 5000));
    std::ofstream(m_folder / "kept.log") << "recorded";
    struct Case {
        const char* name;
        bool sondeOn;
        const char* chosen;  // null: the Save dialog cancelled
    };
    const Case cases[] = {
        {"off, Save cancelled", false, nullptr},
        {"off, the existing log kept", false, "kept.log"},
        {"on, Save cancelled", true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.sondeOn) {
            ASSERT_NO_FATAL_FAILURE(PowerOnConfirmed());
        }
        SetFileDialogHandler([&](const FileDialogRequest&) {
            return c.chosen ? std::optional<std::string>((m_folder / c.chosen).string()) : std::nullopt;
        });
        if (c.chosen)
            boxes.Expect("Same file name exist, do you want replace this ?", IDNO);
        const int modeFrames = FramesReceived(6);
        const int offFrames = FramesReceived(0);
        ClickWhenModal({IDOK});
        // A sonde off answers with status packets, which gray Record: pressed
        // as in the moment after a short packet.
        Panel().OnCommand(IDC_RECORD, 0);
        EXPECT_EQ(0, theApp.m_pRunState->recording);
        ASSERT_NO_FATAL_FAILURE(SyncWithEmulator());
        EXPECT_EQ(modeFrames + 1, FramesReceived(6));
        if (c.sondeOn) {
            EXPECT_EQ(offFrames, FramesReceived(0));
            EXPECT_TRUE(Panel().IsSondeOn());
            continue;
        }
        EXPECT_GT(FramesReceived(0), offFrames);
        EXPECT_TRUE(WaitFor([&] { return !Panel().IsOrderPending() && (theApp.m_pProbeStatus->status & 0x0F) == 0; },
                            5000));
        EXPECT_FALSE(Panel().IsSondeOn());
        EXPECT_EQ(0, theApp.m_bSondePowered);
        const std::string log = m_emulator->Log();
        EXPECT_NE(std::string::npos, log.find("sonde off", log.rfind("sonde on")));
    }
}

// A probe slow to report its mode: the order is sent again while the
// packets of its first frame arrive, and every packet made is counted.
TEST_F(PowerDlgIntegrationTest, PowerOnOrderSentAgainCountsEveryPacket)
{
    ScriptedMessageBoxes boxes;
    ASSERT_NO_FATAL_FAILURE(Start({"--speed", "0"}));
    m_stream.status = 0;
    ASSERT_TRUE(WaitFor([&] { return Button(IDC_POWER)->isEnabled(); }, 5000));
    Click(IDC_POWER);
    ASSERT_TRUE(WaitFor([&] { return FramesReceived(6) >= 3 && theApp.m_nValidFrames > 0; }, 5000));
    m_stream.status = -1;
    ASSERT_TRUE(WaitFor([&] { return !Panel().IsOrderPending(); }, 5000));
    ASSERT_TRUE(Panel().IsSondeOn());
    Click(IDC_POWER);
    long made = -1;
    ASSERT_TRUE(WaitFor([&] { return (made = m_emulator->PacketsMade()) >= 0; }, 5000));
    ASSERT_TRUE(WaitFor([&] { return long(theApp.m_nValidFrames) >= made; }, 5000)) << made;
    EXPECT_EQ(made, long(theApp.m_nValidFrames));
    EXPECT_EQ(0u, theApp.m_nErrorFrames.load());
}

// In a depth mode with the winch standing no data packet comes: the sonde's
// idle short packets alone bring its supply read-backs, and the panel shows them.
TEST_F(PowerDlgIntegrationTest, ShortPacketsRefreshTheSupplyReadouts)
{
    ScriptedMessageBoxes boxes;
    ASSERT_NO_FATAL_FAILURE(Start({"--speed", "0"}));
    ASSERT_NO_FATAL_FAILURE(PowerOnConfirmed());
    theApp.m_pLoggerSettings->recordingMode = 3;
    ASSERT_TRUE(m_dialog->m_Usb.SendRecordingModeFrame());
    ASSERT_TRUE(WaitFor([] { return (theApp.m_pProbeStatus->status & 0x0F) == 3; }, 5000));
    m_stream.voltage = 77;
    EXPECT_TRUE(WaitFor([&] { return Panel().VoltageReadout().GetText() == "77"; }, 5000))
        << Panel().VoltageReadout().GetText();
}

TEST_F(PowerDlgIntegrationTest, PausedDownRecordHasItsEndAndReplaysAtEverySpeed)
{
    ScriptedMessageBoxes boxes;
    ASSERT_NO_FATAL_FAILURE(Start({"--speed", "60", "--down", "30"}));
    ASSERT_NO_FATAL_FAILURE(PowerOnConfirmed());
    // Down-depth mode, as the recording-mode dialog sets it.
    LoggerSettings& settings = *theApp.m_pLoggerSettings;
    settings.recordingMode = 3;
    theApp.m_bDownDirection = 1;
    ASSERT_TRUE(m_dialog->m_Usb.SendRecordingModeFrame());
    ASSERT_TRUE(WaitFor([] { return (theApp.m_pProbeStatus->status & 0x0F) == 3; }, 5000));

    const fs::path data = m_folder / "down.log";
    const fs::path header = m_folder / "down.hed";
    CopyBounded(theApp.m_pPathSettings->DataFile, data.string());
    CopyBounded(theApp.m_pPathSettings->LastFile, header.string());
    m_chosen = data.string();
    ASSERT_NO_FATAL_FAILURE(WaitUntilEnabled(IDC_RECORD));
    ClickWhenModal({IDOK});
    ClickWhenModal({IDC_HDR_SAVE});  // the header editor, as it opened
    Click(IDC_RECORD);
    ASSERT_EQ(1, theApp.m_pRunState->recording);
    EXPECT_EQ("Data file : down.log", m_dialog->m_StatusBar.GetText(0));
    EXPECT_TRUE(Button(IDC_STOP)->isEnabled());
    EXPECT_TRUE(WaitFor([&] { return fs::exists(data) && fs::file_size(data) >= 40 * sizeof(LogRecord); }, 20000));
    Grab(Panel(), "panel_recording.png");

    // Only the player enables the pause button; its handler ends a record too.
    EXPECT_FALSE(Button(IDC_PAUSE)->isEnabled());
    Panel().OnCommand(IDC_PAUSE, 0);
    EXPECT_EQ(0, theApp.m_pRunState->recording);
    EXPECT_EQ(nullptr, theApp.m_pRecordFile);
    EXPECT_FALSE(Button(IDC_STOP)->isEnabled());
    const size_t count = fs::file_size(data) / sizeof(LogRecord);
    CIni ini(header.string(), TRUE);
    const int startMm = ini.GetInt("Startdepth", -1, "WellInfo");
    const int endMm = ini.GetInt("EndDepth", -1, "WellInfo");
    EXPECT_EQ(100, ini.GetInt("step", -1, "WellInfo"));
    // The first record fixes the start; each later one is 10 cm further down.
    EXPECT_NEAR(double(count - 1) * 100.0, endMm - startMm, 2.0);
    EXPECT_GT(ini.GetInt("EndTime", -1, "WellInfo"), 0);
    // The mode saved when the record began.
    EXPECT_EQ(3, settings.recordingMode);
    ASSERT_NO_FATAL_FAILURE(ClickWhenEnabled(IDC_POWER));
    ASSERT_TRUE(WaitFor([&] { return !Panel().IsOrderPending(); }, 5000));

    // The log opened for replay, as the open command leaves it.
    CHeader reader;
    ASSERT_FALSE(reader.ReadHeader(header.string()));
    ASSERT_EQ(12, theApp.m_pHeaderRecord->LogMode);
    CopyBounded(theApp.m_pPathSettings->FileName, "down.lox");
    theApp.m_pRunState->fileLoaded = 1;
    theApp.m_nReplayPos = 0;
    Panel().SetReplayButtons();
    EXPECT_TRUE(Panel().SpeedSlider().IsWindowVisible());
    EXPECT_EQ(25, Panel().SpeedSlider().GetPos());

    const std::int64_t record = sizeof(LogRecord);
    for (int position : {1, 25}) {
        Panel().SpeedSlider().SetPos(position);
        Click(IDC_PLAY);
        EXPECT_EQ(1, theApp.m_pRunState->playing);
        EXPECT_FALSE(Button(IDC_RECORD)->isEnabled());
        if (position == 25)
            Grab(Panel(), "panel_replaying.png");
        ASSERT_TRUE(WaitFor([&] { return theApp.m_nReplayPos >= 2 * record; }, 3000)) << position;
        Click(IDC_PAUSE);
        ASSERT_TRUE(Panel().WaitForReplayEnd(2000));
        EXPECT_TRUE(Button(IDC_RESET)->isEnabled());
        EXPECT_EQ(0, theApp.m_nReplayPos % record);
    }
    EXPECT_EQ(std::string("Fichier de donn\xe9") + "e : down.lox", m_dialog->m_StatusBar.GetText(0));

    // Reset: back at the start, paused, and it stays there.
    Click(IDC_RESET);
    EXPECT_EQ(0, theApp.m_pRunState->playing);
    ASSERT_TRUE(Panel().WaitForReplayEnd(2000));
    EXPECT_EQ(0, theApp.m_nReplayPos);
    EXPECT_FALSE(Button(IDC_RESET)->isEnabled());
    EXPECT_TRUE(Button(IDC_PLAY)->isEnabled());
    EXPECT_EQ(1, theApp.m_pRunState->fileLoaded);

    // The fastest position plays the whole file to its end, from the start depth down.
    Panel().SpeedSlider().SetPos(50);
    Click(IDC_PLAY);
    ASSERT_TRUE(WaitFor([] { return theApp.m_pRunState->playing == 0; }, 10000));
    ASSERT_TRUE(Panel().WaitForReplayEnd(2000));
    EXPECT_EQ(0, theApp.m_nReplayPos);
    // The curves take one sample per centimetre of each 10 cm record.
    EXPECT_EQ(count * 10, m_dialog->m_ScopeTrack.Count(0));
    EXPECT_NEAR((startMm + 2500) / 1000.0 + count * 0.10, theApp.m_pFrameState->replayDepth, 0.0015);

    // Powering the sonde ends a replay before the live data comes.
    Panel().SpeedSlider().SetPos(1);
    Click(IDC_PLAY);
    ASSERT_TRUE(WaitFor([&] { return theApp.m_nReplayPos >= record; }, 3000));
    ASSERT_NO_FATAL_FAILURE(ClickWhenEnabled(IDC_POWER));
    EXPECT_EQ(0, theApp.m_pRunState->playing);
    EXPECT_EQ(0, theApp.m_pRunState->fileLoaded);
    ASSERT_TRUE(Panel().WaitForReplayEnd(2000));
    EXPECT_EQ(0, theApp.m_nReplayPos);
    EXPECT_FALSE(Button(IDC_PLAY)->isEnabled());
    EXPECT_TRUE(WaitFor([&] { return !Panel().IsOrderPending(); }, 5000));
}

// Auto print switched on before a record or a replay begins prints it: every
// way it ends prints its last part under its own names, up to the last record
// of its data file or the last one played, and only it ends auto print.
TEST_F(PowerDlgIntegrationTest, AutoPrintSwitchedOnFirstPrintsTheRecordOrReplayUpToItsEnd)
{
    ASSERT_TRUE(HavePoppler()) << "poppler-utils reads the printed pages back";
    ScriptedMessageBoxes boxes;
    const fs::path jobs = m_folder / "Jobs";
    SetPdfTestPrinter("Test printer", jobs.string(), 300);
    ASSERT_NO_FATAL_FAILURE(Start({}));
    ASSERT_NO_FATAL_FAILURE(PowerOnConfirmed());
    auto jobList = [&] {
        std::vector<fs::path> list;
        std::error_code ignored;
        for (fs::directory_iterator it(jobs, ignored), end; it != end; it.increment(ignored))
            list.push_back(it->path());
        return list;
    };
    auto jobCount = [&] { return int(jobList().size()); };
    auto autoPrintOn = [&] { return m_dialog->IsMenuItemChecked(ID_CMD_AUTO_PRINT); };
    auto records = [](const std::string& log) { return static_cast<long long>(fs::file_size(log) / sizeof(LogRecord)); };
    const std::string otherLog = (m_folder / "record1.log").string();
    std::string log;         // the data file of the record or replay
    long long last = 0;      // its last record printed
    enum Kind { kRecord, kReplayToItsEnd, kReplayCut };
    struct Ending {
        const char* what;
        Kind kind;
        std::function<void()> end;
        bool autoPrintStays;  // another log begins
    } endings[] = {
        {"record, stop", kRecord, [&] { Click(IDC_STOP); }, false},
        {"record, power button", kRecord, [&] { Click(IDC_POWER); }, false},
        // Only the player enables the pause button; its handler ends a record too.
        {"record, pause", kRecord, [&] { Panel().OnCommand(IDC_PAUSE, 0); }, false},
        {"replay, played to its end", kReplayToItsEnd, [] {}, false},
        {"replay, paused, another log opened", kReplayCut,
         [&] {
             Click(IDC_PAUSE);
             ASSERT_TRUE(Panel().WaitForReplayEnd(2000));
             last = theApp.m_nReplayPos / std::int64_t(sizeof(LogRecord));
             m_chosen = otherLog;
             m_dialog->OpenLogFile();
         },
         true},
        {"replay, power button", kReplayCut, [&] { Click(IDC_POWER); }, false},
    };
    int recordNumber = 0;
    for (const Ending& ending : endings) {
        SCOPED_TRACE(ending.what);
        fs::remove_all(jobs);
        // A replay plays the last record; the sonde is off while it plays.
        const bool replay = ending.kind != kRecord;
        if (Panel().IsSondeOn() == replay) {
            ASSERT_NO_FATAL_FAILURE(ClickWhenEnabled(IDC_POWER));
            ASSERT_TRUE(WaitFor([&] { return !Panel().IsOrderPending(); }, 5000));
        }
        // The operator's order: auto print first, then the record or the replay.
        if (!autoPrintOn())
            m_dialog->OnCommand(ID_CMD_AUTO_PRINT, 0);
        ASSERT_TRUE(autoPrintOn());
        if (replay) {
            m_chosen = log;
            m_dialog->OpenLogFile();
            ASSERT_EQ(1, theApp.m_pRunState->fileLoaded);
            Panel().SpeedSlider().SetPos(ending.kind == kReplayToItsEnd ? 50 : 1);
            Click(IDC_PLAY);
            if (ending.kind == kReplayToItsEnd) {
                ASSERT_TRUE(WaitFor([] { return theApp.m_pRunState->playing == 0; }, 10000)) << "the replay's end";
                ASSERT_TRUE(Panel().WaitForReplayEnd(2000));
            } else {
                ASSERT_TRUE(WaitFor([&] { return theApp.m_nReplayPos >= 30 * std::int64_t(sizeof(LogRecord)); }, 10000))
                    << "30 records played, " << theApp.m_nReplayPos / sizeof(LogRecord) << " came";
            }
        } else {
            log = (m_folder / ("record" + std::to_string(++recordNumber) + ".log")).string();
            m_chosen = log;
            ASSERT_NO_FATAL_FAILURE(WaitUntilEnabled(IDC_RECORD));
            ClickWhenModal({IDOK});
            ClickWhenModal({IDC_HDR_SAVE});
            Click(IDC_RECORD);
            ASSERT_EQ(1, theApp.m_pRunState->recording);
            ASSERT_TRUE(WaitFor([&] { return records(log) >= 40; }, 10000))
                << "40 records stored, " << records(log) << " came";
        }
        // A replay played to its end has ended already.
        if (ending.kind != kReplayToItsEnd) {
            EXPECT_TRUE(autoPrintOn()) << "the record or the replay began with auto print on";
            EXPECT_EQ(0, jobCount()) << "no page is full yet";
        }
        last = ending.kind == kReplayCut ? -1 : records(log);
        ending.end();
        ASSERT_TRUE(WaitFor([&] { return jobCount() == 1; }, 5000)) << "the last part printed, jobs: " << jobCount();
        EXPECT_EQ(ending.autoPrintStays, autoPrintOn());
        EXPECT_EQ(0, theApp.m_pRunState->recording);

        // The part holds the log's rows from its first record to its last.
        const fs::path job = jobList().front();
        const std::string text = PrintedText(job);
        const std::string name = fs::path(log).stem().string() + (replay ? ".lox" : ".log");
        EXPECT_NE(std::string::npos, text.find(name)) << "the part is labelled with its own file:\n" << text;
        EXPECT_EQ(std::string::npos, text.find("record1.lox")) << "not with the log opened next:\n" << text;
        // A replay cut by the power button may play one more record as it stops.
        if (last >= 0) {
            const double pps = m_dialog->m_ScopeTrack.Scale().pixelsPerSample;
            const long long rows = track::SampleRow(last, pps) - track::SampleRow(0, pps);
            EXPECT_EQ(m_dialog->m_ScopeTrack.LegendHeight() + rows, PrintedCanvas(job).height())
                << "rows of " << last << " records";
        }
        ASSERT_TRUE(WaitFor([&] { return !Panel().IsOrderPending(); }, 5000));
    }
    UseTestPrinter();
}

}  // namespace
