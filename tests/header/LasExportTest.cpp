// The LAS export dialog driven through its controls as the operator uses it,
// on the demo down log and on up and time logs recorded against the logger
// emulator through the probe panel.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "core/ConfigFolder.h"
#include "core/Ini.h"
#include "header/Header.h"
#include "header/HeaderRecord.h"
#include "header/LasExport.h"
#include "platform/FileDialog.h"
#include "probe/LogRecord.h"
#include "res/Resource.h"
#include "support/Artifacts.h"
#include "support/LasReader.h"
#include "support/LoggerEmulator.h"
#include "support/ScriptedFileDialogs.h"
#include "support/PanelRecorder.h"
#include "support/ScriptedMessageBoxes.h"

namespace {

namespace fs = std::filesystem;

std::vector<LogRecord> ReadRecords(const fs::path& path)
{
    std::vector<LogRecord> records(fs::file_size(path) / sizeof(LogRecord));
    std::FILE* file = std::fopen(path.c_str(), "rb");
    EXPECT_EQ(records.size(), std::fread(records.data(), sizeof(LogRecord), records.size(), file));
    std::fclose(file);
    return records;
}

constexpr int kTimeMode = 10;
constexpr int kUpMode = 11;
constexpr int kDownMode = 12;

// The winch comes up at 4 m/s from 40 m as soon as the sonde is on.
const std::vector<std::string> kComingUp = {"--seed", "3", "--start-depth", "40", "--speed", "240",
                                            "--down", "0", "--stop", "0", "--up", "600"};
// The winch goes down from 40 m as soon as the sonde is on, at 4 m/s or at 1 m/s.
const std::vector<std::string> kGoingDown = {"--seed", "3", "--start-depth", "40", "--speed", "240", "--down", "600"};
const std::vector<std::string> kGoingDownSlowly = {"--seed", "3", "--start-depth", "40", "--speed", "60", "--down", "600"};
// The winch stands at 40 m.
const std::vector<std::string> kStanding = {"--seed", "3", "--start-depth", "40", "--down", "0", "--stop", "600"};

// The default sonde, in time mode as fast as the probe page allows, with sensors 30 cm, 1.2 m and 2.5 m
// above its bottom and its SN channel not calibrated.
void SensorsAlongTheSonde(std::string& tool)
{
    tool = std::regex_replace(tool, std::regex("TimeInterval=150"), "TimeInterval=100");
    size_t at = 0;
    for (const char* offset : {"0", "30", "0", "120", "0", "250"}) {
        at = tool.find("Offset=", at) + 7;
        tool.replace(at, tool.find_first_of("\r\n", at) - at, offset);
    }
    at = tool.find("CalFlag=", tool.find("[Channel2]")) + 8;
    tool.replace(at, 1, "0");
}

// The sensors along a sonde of another length, logged at another depth interval (cm).
std::function<void(std::string&)> SondeOf(int lengthCm, int intervalCm)
{
    return [=](std::string& tool) {
        SensorsAlongTheSonde(tool);
        tool = std::regex_replace(tool, std::regex("SondeLength=[0-9.]*"), "SondeLength=" + std::to_string(lengthCm));
        tool = std::regex_replace(tool, std::regex("DepthInterval=[0-9]*"),
                                  "DepthInterval=" + std::to_string(intervalCm * 10));
    };
}

// The user calibration file's coefficients, exact in binary; c2 of the first
// channel checks the square term.
constexpr double kUserCoefficients[6][4] = {
    {1.0, 2.0, 0.0000019073486328125, 0.0}, {2.0, 0.5, 0.0, 0.0}, {3.0, 0.25, 0.0, 0.0},
    {4.0, 1.5, 0.0, 0.0},                   {5.0, 0.125, 0.0, 0.0}, {6.0, 3.0, 0.0, 0.0},
};

std::string UserCalibrationText()
{
    std::ostringstream text;
    text.precision(20);
    for (int c = 0; c < 6; ++c) {
        text << "[Channel" << c << "]\r\n";
        for (int k = 0; k < 4; ++k)
            text << "Coefficient" << k << "=" << kUserCoefficients[c][k] << "\r\n";
    }
    return text.str();
}

// A log as the export finds it: the header read back, and every record.
struct RecordedLog {
    std::string data;
    HeaderRecord header;
    std::vector<LogRecord> records;
};

// What the export's rules make of a log's range, metres: a line at each record
// position, the last record left out, the sonde's length added to the nearest step.
struct ExpectedRange {
    double start = 0.0;
    double end = 0.0;   // on the record grid
    double step = 0.0;  // signed
    size_t lines = 0;
};

ExpectedRange RangeOf(const RecordedLog& log)
{
    const HeaderRecord& h = log.header;
    const int records = int(log.records.size()) - 1;
    ExpectedRange range;
    range.start = std::round(h.Startdepth / 10.0) / 100.0;
    long sondeSteps = 0;  // no channel is shifted in time mode
    if (h.LogMode == kTimeMode) {
        const double end = std::round(h.EndDepth / 10.0) / 100.0;
        range.step = std::round((end - range.start) / records * 1000.0) / 1000.0;
    } else {
        range.step = (h.LogMode == kUpMode ? -h.step : h.step) / 1000.0;
        sondeSteps = std::lround(h.SondeLength * 10.0 / h.step);
    }
    range.end = range.start + double(records + sondeSteps) * range.step;
    range.lines = size_t(records + sondeSteps + 1);
    return range;
}

using Polynomial = std::array<double, 4>;

// By channel, for the calibration choice (none, header, user file); a channel
// whose Cal flag is off keeps the identity.
std::array<Polynomial, 6> CoefficientsFor(const HeaderRecord& header, int calibration)
{
    std::array<Polynomial, 6> k;
    for (int c = 0; c < 6; ++c) {
        k[c] = {0.0, 1.0, 0.0, 0.0};
        if (calibration == 0 || !header.channels[c].CalFlag)
            continue;
        const double* from = calibration == 1 ? header.channels[c].Coefficient : kUserCoefficients[c];
        std::copy(from, from + 4, k[c].begin());
    }
    return k;
}

// The value channel c carries on the line at `depth`: that of the record
// stored when the channel's sensor, `Offset` above the sonde's bottom, was
// at that depth, to within a step when the offset is not a whole number of
// steps. Time logs shift no channel.
double ExpectedValue(const RecordedLog& log, const ExpectedRange& range, int c, double depth, const Polynomial& k)
{
    const HeaderChannel& channel = log.header.channels[c];
    const double d = std::fabs(range.step);
    long j = std::lround((depth - range.start) / range.step);
    // Between two records, the fraction of a sensor's offset is dropped.
    if (log.header.LogMode == kDownMode)
        j -= long((log.header.SondeLength - channel.Offset) / 100.0 / d + 1e-6);
    else if (log.header.LogMode == kUpMode)
        j -= long(channel.Offset / 100.0 / d + 1e-6);
    if (j < 0 || j >= long(log.records.size()) - 1 || log.records[size_t(j)].n == 0)
        return kLasNull;
    const LogRecord& r = log.records[size_t(j)];
    const double x = r.channelSums[channel.PhysicalCh - 1] * 50.0 / r.n;
    return k[0] + k[1] * x + k[2] * x * x + k[3] * x * x * x;
}

double Rounded(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

std::string TwoDecimals(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

QAbstractButton* Button(CWnd& dialog, int id)
{
    return qobject_cast<QAbstractButton*>(dialog.GetDlgItem(id)->GetSafeHwnd());
}

// What the operator does in one export.
struct Choices {
    std::string from, to;  // typed when not empty
    bool reverse = false;
    int calibration = 1;
    std::string calFile;
    std::vector<int> uncheck;  // channel boxes, from 0
    std::vector<int> uncheckCal;
};

class LasExportTest : public ConfigFolderTest {
protected:
    void SetUp() override
    {
        ConfigFolderTest::SetUp();
        m_savedHeader = *theApp.m_pHeaderRecord;
        CopyBounded(theApp.m_pPathSettings->appDir, Path(""));
        CopyBounded(theApp.m_pPathSettings->FilePath, Path("Data"));
        fs::create_directories(Path("Data"));
        for (const char* ext : {".log", ".hed"})
            fs::copy_file(fs::path(KVX_PROGRAM_DIR) / "Demo" / (std::string("KPXG3241") + ext), Path("Data/down") + ext);
    }
    void TearDown() override
    {
        *theApp.m_pHeaderRecord = m_savedHeader;
        ConfigFolderTest::TearDown();
    }

    // Logs recorded by the probe panel against the emulator, each until its
    // data file holds the given number of records.
    struct Wanted {
        std::string name;
        int modeButton;
        size_t records;
    };
    void Record(const std::vector<std::string>& emulator, const std::vector<Wanted>& logs,
                const std::function<void(std::string&)>& editTool = SensorsAlongTheSonde)
    {
        PanelRecorder recorder(m_folder, emulator, editTool);
        ASSERT_TRUE(recorder.Ready());
        for (const Wanted& log : logs) {
            m_files.Choose(Path("Data/" + log.name + ".log"));
            ASSERT_TRUE(recorder.Record(log.modeButton, log.records)) << log.name;
            CopyArtifact(Path("Data/" + log.name + ".log"), "las_recorded_" + log.name + ".log");
            CopyArtifact(Path("Data/" + log.name + ".hed"), "las_recorded_" + log.name + ".hed");
        }
    }

    RecordedLog LoadLog(const std::string& name)
    {
        RecordedLog log;
        log.data = Path("Data/" + name + ".log");
        log.records = ReadRecords(log.data);
        CHeader reader;
        EXPECT_FALSE(reader.ReadHeader(Path("Data/" + name + ".hed")));
        log.header = *theApp.m_pHeaderRecord;
        return log;
    }

    // Runs the dialog on `data`; act does the rest and the dialog is closed after it.
    void RunDialog(const std::string& data, const std::function<void(CLasExport&)>& act)
    {
        CLasExport dialog(nullptr);
        QTimer::singleShot(0, [&] {
            m_files.Choose(data);
            Button(dialog, IDC_LAS_SELECT_INPUT)->click();
            act(dialog);
            Button(dialog, IDCANCEL)->click();
        });
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [&] {
            ADD_FAILURE() << "export dialog left open";
            dialog.EndDialog(-2);
        });
        guard.start(10000);
        dialog.DoModal();
    }

    static void Type(CWnd& dialog, int id, const std::string& text)
    {
        auto* edit = qobject_cast<QLineEdit*>(dialog.GetDlgItem(id)->GetSafeHwnd());
        edit->setText(QString::fromStdString(text));
        QFocusEvent out(QEvent::FocusOut);
        QApplication::sendEvent(edit, &out);
    }

    static void SelectCalibration(CWnd& dialog, int index)
    {
        auto* combo = qobject_cast<QComboBox*>(dialog.GetDlgItem(IDC_LAS_CALIBRATION)->GetSafeHwnd());
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }

    // One whole export through the dialog; the file it wrote.
    std::string Export(const std::string& data, const Choices& c, const std::string& artifact)
    {
        RunDialog(data, [&](CLasExport& dialog) {
            if (!c.from.empty())
                Type(dialog, IDC_LAS_FROM, c.from);
            if (!c.to.empty())
                Type(dialog, IDC_LAS_TO, c.to);
            if (c.reverse)
                Button(dialog, IDC_LAS_REVERSE)->click();
            SelectCalibration(dialog, c.calibration);
            if (!c.calFile.empty()) {
                m_files.Choose(c.calFile);
                Button(dialog, IDC_LAS_SELECT_CAL)->click();
            }
            for (int i : c.uncheck)
                Button(dialog, IDC_LAS_CHANNEL1 + i)->click();
            for (int i : c.uncheckCal)
                Button(dialog, IDC_LAS_CAL1 + i)->click();
            if (fs::exists(LasPath(data)))
                m_boxes.Expect("Same file name exist, do you want replace this ?", IDYES);
            m_boxes.Expect("Migration to LAS file completed.\n\n " + LasPath(data));
            Button(dialog, IDC_LAS_START)->click();
        });
        CopyArtifact(LasPath(data), artifact);
        return ReadTextFile(LasPath(data));
    }

    std::string LasPath(const std::string& data) const
    {
        return (fs::path(data).parent_path() / "LAS20" / fs::path(data).filename().replace_extension("las")).string();
    }

    ScriptedMessageBoxes m_boxes;
    ScriptedFileDialogs m_files;
    HeaderRecord m_savedHeader;
};

// Every line's values are those recorded at its depth, by channel, with the
// sensor's place on the sonde: the demo down log, and up and time logs
// recorded with the winch coming up.
TEST_F(LasExportTest, RecordedLogsInEveryModeDirectionAndCalibration)
{
    WriteFile("Calibration/user.cal", UserCalibrationText());
    ASSERT_NO_FATAL_FAILURE(Record(kComingUp, {{"time", IDC_TIME_MODE, 40}, {"up", IDC_UP_DEPTH_MODE, 30}}));

    for (const auto& [name, mode] : {std::pair{"down", kDownMode}, {"up", kUpMode}, {"time", kTimeMode}}) {
        const RecordedLog log = LoadLog(name);
        ASSERT_EQ(mode, log.header.LogMode) << name;
        const ExpectedRange range = RangeOf(log);
        // Coming up, the time log's depth falls too.
        EXPECT_LT(mode == kDownMode ? -range.step : range.step, 0.0) << name;
        const int decimals = mode == kTimeMode ? 3 : 2;
        std::vector<std::string> titles;
        for (int c = 0; c < 6; ++c)
            titles.push_back(log.header.channels[c].TitleShort);

        for (bool reverse : {false, true}) {
            for (int calibration : {0, 1, 2}) {
                SCOPED_TRACE(std::string(name) + (reverse ? " reversed" : "") + " cal " + std::to_string(calibration));
                Choices c;
                c.reverse = reverse;
                c.calibration = calibration;
                if (calibration == 2)
                    c.calFile = Path("Calibration/user.cal");
                const std::string artifact = std::string("las_") + name + (reverse ? "_reversed" : "") + "_cal" +
                                             std::to_string(calibration) + ".las";
                const LasText las = ReadLas(Export(log.data, c, artifact));

                EXPECT_NEAR(Rounded(reverse ? range.end : range.start, decimals), las.well.at("STRT"), 1e-9);
                EXPECT_NEAR(Rounded(reverse ? range.start : range.end, decimals), las.well.at("STOP"), 1e-9);
                EXPECT_NEAR(reverse ? -range.step : range.step, las.well.at("STEP"), 1e-9);
                EXPECT_EQ(titles, las.curves);
                ASSERT_EQ(range.lines, las.lines.size());
                const auto k = CoefficientsFor(log.header, calibration);
                for (size_t n = 0; n < las.lines.size(); ++n) {
                    const LasLine& line = las.lines[n];
                    ASSERT_EQ(6u, line.values.size());
                    EXPECT_NEAR(las.well.at("STRT") + double(n) * las.well.at("STEP"), line.depth, 1e-9);
                    for (int ch = 0; ch < 6; ++ch) {
                        EXPECT_NEAR(ExpectedValue(log, range, ch, line.depth, k[size_t(ch)]), line.values[size_t(ch)],
                                    0.0006)
                            << "line " << n << " at " << line.depth << " channel " << ch;
                    }
                }
            }
        }
    }
}

TEST_F(LasExportTest, NarrowedRangeStartsAndEndsOnTheTypedDepths)
{
    ASSERT_NO_FATAL_FAILURE(Record(kComingUp, {{"up", IDC_UP_DEPTH_MODE, 30}}));
    const RecordedLog down = LoadLog("down");
    const RecordedLog up = LoadLog("up");
    const ExpectedRange upRange = RangeOf(up);
    // Inside the up log, on its 10 cm grid; neither is exact in binary.
    const double upFrom = upRange.start - 0.7;
    const double upTo = upRange.end + 0.5;
    const size_t upLines = size_t(std::lround((upFrom - upTo) / 0.1)) + 1;
    const struct {
        const RecordedLog& log;
        std::string from, to;
        bool reverse;
        size_t lines;
    } cases[] = {
        {down, "10", "20", false, 101},
        {down, "10", "20", true, 101},
        {up, TwoDecimals(upFrom), TwoDecimals(upTo), false, upLines},
        {up, TwoDecimals(upFrom), TwoDecimals(upTo), true, upLines},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.log.data + " " + c.from + ".." + c.to + (c.reverse ? " reversed" : ""));
        Choices choices;
        choices.from = c.from;
        choices.to = c.to;
        choices.reverse = c.reverse;
        const LasText las = ReadLas(Export(c.log.data, choices, "las_range.las"));
        const double first = std::atof((c.reverse ? c.to : c.from).c_str());
        const double last = std::atof((c.reverse ? c.from : c.to).c_str());
        ASSERT_EQ(c.lines, las.lines.size());
        EXPECT_NEAR(first, las.well.at("STRT"), 1e-9);
        EXPECT_NEAR(last, las.well.at("STOP"), 1e-9);
        EXPECT_NEAR(first, las.lines.front().depth, 1e-9);
        EXPECT_NEAR(last, las.lines.back().depth, 1e-9);
        // The values at both ends are the ones recorded there (header calibration).
        const ExpectedRange range = RangeOf(c.log);
        const auto k = CoefficientsFor(c.log.header, 1);
        for (const LasLine* line : {&las.lines.front(), &las.lines.back()}) {
            for (int ch = 0; ch < 6; ++ch) {
                EXPECT_NEAR(ExpectedValue(c.log, range, ch, line->depth, k[size_t(ch)]), line->values[size_t(ch)],
                            0.0006)
                    << line->depth << " channel " << ch;
            }
        }
    }
}

// Sondes that are not a whole number of steps long, and depths typed between
// two records: every line of every file stands at the depth of the record
// position it was written for, STRT and STOP are its first and last lines,
// and a reversed file holds the same lines in the other order.
TEST_F(LasExportTest, EveryLineStandsAtTheDepthOfItsRecord)
{
    ASSERT_NO_FATAL_FAILURE(Record(kGoingDown, {{"down257", IDC_DOWN_DEPTH_MODE, 40}}, SondeOf(257, 10)));
    ASSERT_NO_FATAL_FAILURE(Record(kComingUp, {{"up255", IDC_UP_DEPTH_MODE, 40}}, SondeOf(255, 10)));
    ASSERT_NO_FATAL_FAILURE(Record(kGoingDownSlowly, {{"down4cm", IDC_DOWN_DEPTH_MODE, 40}}, SondeOf(250, 4)));

    for (const char* name : {"down257", "up255", "down4cm"}) {
        const RecordedLog log = LoadLog(name);
        const ExpectedRange range = RangeOf(log);
        const double d = std::fabs(range.step);
        // About a step and a third in from each end, as typed with two decimals:
        // each goes to the record nearest to what was typed.
        const std::string typedFrom = TwoDecimals(range.start + range.step * 1.3);
        const std::string typedTo = TwoDecimals(range.end - range.step * 1.4);
        const auto nearestRecord = [&](const std::string& typed) {
            return range.start + std::round((std::stod(typed) - range.start) / range.step) * range.step;
        };
        const struct {
            std::string from, to;
            double first, last;  // depths of the first and last records exported
        } ranges[] = {
            {"", "", range.start, range.end},
            {typedFrom, typedTo, nearestRecord(typedFrom), nearestRecord(typedTo)},
        };
        const auto k = CoefficientsFor(log.header, 1);
        for (const auto& r : ranges) {
            std::vector<LasText> files;
            for (bool reverse : {false, true}) {
                SCOPED_TRACE(std::string(name) + " " + r.from + ".." + r.to + (reverse ? " reversed" : ""));
                Choices choices;
                choices.from = r.from;
                choices.to = r.to;
                choices.reverse = reverse;
                files.push_back(ReadLas(Export(log.data, choices, std::string("las_") + name + ".las")));
                const LasText& las = files.back();
                ASSERT_EQ(size_t(std::lround((r.last - r.first) / range.step)) + 1, las.lines.size());
                EXPECT_NEAR(reverse ? r.last : r.first, las.well.at("STRT"), 1e-9);
                EXPECT_NEAR(reverse ? r.first : r.last, las.well.at("STOP"), 1e-9);
                EXPECT_NEAR(las.well.at("STRT"), las.lines.front().depth, 1e-9);
                EXPECT_NEAR(las.well.at("STOP"), las.lines.back().depth, 1e-9);
                for (size_t n = 0; n < las.lines.size(); ++n) {
                    const LasLine& line = las.lines[n];
                    const double steps = (line.depth - range.start) / d;
                    EXPECT_NEAR(std::round(steps), steps, 1e-6) << "line " << n << " at " << line.depth;
                    EXPECT_NEAR(las.well.at("STRT") + double(n) * las.well.at("STEP"), line.depth, 1e-9);
                    ASSERT_EQ(6u, line.values.size());
                    for (int ch = 0; ch < 6; ++ch) {
                        EXPECT_NEAR(ExpectedValue(log, range, ch, line.depth, k[size_t(ch)]), line.values[size_t(ch)],
                                    0.0006)
                            << "line " << n << " at " << line.depth << " channel " << ch;
                    }
                }
            }
            ASSERT_EQ(files[0].lines.size(), files[1].lines.size());
            for (size_t n = 0; n < files[0].lines.size(); ++n) {
                const LasLine& reversed = files[1].lines[files[1].lines.size() - 1 - n];
                EXPECT_NEAR(files[0].lines[n].depth, reversed.depth, 1e-9);
                EXPECT_EQ(files[0].lines[n].values, reversed.values);
            }
        }
    }
}

TEST_F(LasExportTest, TypedDepthsOutsideTheLogAreCorrected)
{
    ASSERT_NO_FATAL_FAILURE(Record(kComingUp, {{"up", IDC_UP_DEPTH_MODE, 30}}));
    const ExpectedRange up = RangeOf(LoadLog("up"));
    const std::string upMessage =
        "Bad entry value (begining " + TwoDecimals(up.start) + " ending " + TwoDecimals(up.end) + ") \n";
    const std::string downMessage = "Bad entry value (begining 2.60 ending 305.00) \n";
    const struct {
        const char* log;
        int id;
        std::string typed;
        std::string shown;
        std::string message;
    } cases[] = {
        {"down", IDC_LAS_FROM, "1", "2.60", downMessage},
        {"down", IDC_LAS_TO, "2", "2.70", downMessage},
        {"down", IDC_LAS_TO, "100", "100.00", ""},
        // Between two records: the nearer one.
        {"down", IDC_LAS_FROM, "12.34", "12.30", ""},
        {"down", IDC_LAS_TO, "250.57", "250.60", ""},
        // Up, the corrections stay inside the log: one step in from either end.
        {"up", IDC_LAS_FROM, "0", TwoDecimals(up.end + 0.1), upMessage},
        {"up", IDC_LAS_TO, "400", TwoDecimals(up.start - 0.1), upMessage},
        {"up", IDC_LAS_FROM, "400", TwoDecimals(up.start), upMessage},
        {"up", IDC_LAS_TO, "0", TwoDecimals(up.end), upMessage},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.log) + " " + c.typed);
        RunDialog(Path(std::string("Data/") + c.log + ".log"), [&](CLasExport& dialog) {
            if (!c.message.empty())
                m_boxes.Expect(c.message);
            Type(dialog, c.id, c.typed);
            EXPECT_EQ(c.shown, dialog.GetDlgItemText(c.id, 64));
        });
    }

    // Both ends corrected past each other: nothing to export, and it says so.
    RunDialog(Path("Data/up.log"), [&](CLasExport& dialog) {
        m_boxes.Expect(upMessage);
        Type(dialog, IDC_LAS_FROM, "0");
        m_boxes.Expect(upMessage);
        Type(dialog, IDC_LAS_TO, "400");
        m_boxes.Expect("Bad depth range: From " + TwoDecimals(up.end + 0.1) + " lies past To " +
                       TwoDecimals(up.start - 0.1) + ".\nNothing was exported.");
        Button(dialog, IDC_LAS_START)->click();
    });
    EXPECT_FALSE(fs::exists(Path("Data/LAS20/up.las")));

    // "&Start" by its access key reads the To typed first; the box that
    // corrects it takes the press, as it takes a click's.
    RunDialog(Path("Data/down.log"), [&](CLasExport& dialog) {
        QWidget* window = dialog.GetSafeHwnd();
        QApplication::setActiveWindow(window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        auto* to = qobject_cast<QLineEdit*>(dialog.GetDlgItem(IDC_LAS_TO)->GetSafeHwnd());
        to->setFocus();
        to->setText("400");
        m_boxes.Expect(downMessage);
        QTest::keyClick(window, Qt::Key_S, Qt::AltModifier);
        EXPECT_EQ("305.00", dialog.GetDlgItemText(IDC_LAS_TO, 64));
    });
    EXPECT_FALSE(fs::exists(Path("Data/LAS20/down.las")));
}

TEST_F(LasExportTest, LogsThatCannotBeExportedAreRefused)
{
    // One record: nothing but the last record, which is never exported.
    std::FILE* file = std::fopen(Path("Data/one.log").c_str(), "wb");
    LogRecord record;
    record.n = 50;
    std::fwrite(&record, sizeof record, 1, file);
    std::fclose(file);
    fs::copy_file(Path("Data/down.hed"), Path("Data/one.hed"));
    // A time log recorded while the winch stood has no depth step.
    ASSERT_NO_FATAL_FAILURE(Record(kStanding, {{"still", IDC_TIME_MODE, 5}}));
    fs::copy_file(Path("Data/down.log"), Path("Data/lonely.log"));
    // A time log whose depth creeps by 3 cm over 124 records: its mean step rounds to 0.
    file = std::fopen(Path("Data/creep.log").c_str(), "wb");
    for (int i = 0; i < 125; ++i)
        std::fwrite(&record, sizeof record, 1, file);
    std::fclose(file);
    fs::copy_file(Path("Data/still.hed"), Path("Data/creep.hed"));
    CIni(Path("Data/creep.hed"), TRUE).WriteInt("Startdepth", 7774, CHeader::kWellInfoSection);
    CIni(Path("Data/creep.hed"), TRUE).WriteInt("EndDepth", 7742, CHeader::kWellInfoSection);
    // A depth log whose header gives no step.
    fs::copy_file(Path("Data/down.log"), Path("Data/nostep.log"));
    fs::copy_file(Path("Data/down.hed"), Path("Data/nostep.hed"));
    CIni(Path("Data/nostep.hed"), TRUE).WriteInt("step", 0, CHeader::kWellInfoSection);

    const struct {
        std::string data;
        std::string message;
    } cases[] = {
        {Path("Data/one.log"), "Invalid file log !!!"},
        {Path("Data/still.log"), "This log has no depth step: its start and end depths are equal.\nNothing can be exported."},
        {Path("Data/creep.log"), "This log has no depth step: its depth goes from 7.77 m to 7.74 m over 124 records, "
                                 "a mean step that rounds to 0.\nNothing can be exported."},
        {Path("Data/nostep.log"), "This log has no depth step: its header gives a step of 0.\nNothing can be exported."},
        {Path("Data/lonely.log"), "Bad header file."},
        {Path("Data/missing.log"), "Data file not present."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.data);
        m_boxes.Expect(c.message);
        RunDialog(c.data, [&](CLasExport& dialog) {
            EXPECT_FALSE(Button(dialog, IDC_LAS_START)->isEnabled());
            EXPECT_FALSE(Button(dialog, IDC_LAS_CHANNEL1)->isEnabled());
        });
    }
    EXPECT_FALSE(fs::exists(Path("Data/LAS20/one.las")));
}

TEST_F(LasExportTest, StartRefusesWhatCannotBeWrittenAndNeverAppends)
{
    const std::string data = Path("Data/down.log");
    const std::string las = Path("Data/LAS20/down.las");
    RunDialog(data, [&](CLasExport& dialog) {
        // Painted only for the picture: Qt's raster engine blends group box
        // frames on its thread pool, which ThreadSanitizer cannot follow.
        if (ArtifactsWanted()) {
            QApplication::processEvents();
            SaveArtifact(dialog.GetSafeHwnd(), "las_export_dialog.png");
        }
        for (int i = 0; i < 6; ++i)
            Button(dialog, IDC_LAS_CHANNEL1 + i)->click();
        m_boxes.Expect("You must at least choose a channel !!!");
        Button(dialog, IDC_LAS_START)->click();
        Button(dialog, IDC_LAS_CHANNEL1)->click();

        SelectCalibration(dialog, 2);
        m_boxes.Expect("No calibrate file selected.\nEchec to create file.");
        Button(dialog, IDC_LAS_START)->click();
        EXPECT_FALSE(fs::exists(las));

        // An old file is replaced whole, or kept when the answer is no.
        SelectCalibration(dialog, 0);
        std::ofstream(las, std::ios::binary) << "old text that must not stay";
        m_boxes.Expect("Same file name exist, do you want replace this ?", IDNO);
        m_boxes.Expect("Migration to LAS file aborted. ");
        Button(dialog, IDC_LAS_START)->click();
        EXPECT_EQ("old text that must not stay", ReadTextFile(las));
        m_boxes.Expect("Same file name exist, do you want replace this ?", IDYES);
        m_boxes.Expect("Migration to LAS file completed.\n\n " + las);
        Button(dialog, IDC_LAS_START)->click();
    });
    // Enter must not replace a file: "No" is the question's default.
    for (const auto& shown : m_boxes.AllShown()) {
        if (shown.text.starts_with("Same file name")) {
            EXPECT_EQ(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, shown.type);
        }
    }
    // The data file is chosen among the logs of the data folder.
    ASSERT_EQ(1u, m_files.Shown().size());
    EXPECT_TRUE(m_files.Shown()[0].open);
    EXPECT_EQ("Tralvin Sonde File (*.log)|*.log||", m_files.Shown()[0].filter);
    EXPECT_EQ(Path("Data"), m_files.Shown()[0].initialDir);
    const std::string text = ReadTextFile(las);
    EXPECT_TRUE(text.starts_with("~VERSION INFORMATION\r\n"));
    EXPECT_EQ(std::string::npos, text.find("old text"));
    // No calibration: no coefficient lines, and the raw sums scaled to 50 readings.
    EXPECT_EQ(std::string::npos, text.find("-COEF"));
    EXPECT_TRUE(text.find("~A  DEPTH  GR        \r\n") != std::string::npos);
}

// A label's '&' marks its access key, shown underlined and never as an '&':
// each such label leads to the next control that takes the focus.
TEST_F(LasExportTest, LabelsMarkTheirAccessKeysWithoutShowingAnAmpersand)
{
    RunDialog(Path("Data/down.log"), [&](CLasExport& dialog) {
        std::map<std::string, QWidget*> buddies;
        for (QLabel* label : dialog.GetSafeHwnd()->findChildren<QLabel*>()) {
            if (label->text().contains('&'))
                buddies[label->text().toStdString()] = label->buddy();
        }
        const std::map<std::string, QWidget*> expected = {
            {"&Input file : ", dialog.GetDlgItem(IDC_LAS_SELECT_INPUT)->GetSafeHwnd()},
            {"&Output file :", dialog.GetDlgItem(IDC_LAS_SELECT_OUTPUT)->GetSafeHwnd()},
            {"&From", dialog.GetDlgItem(IDC_LAS_FROM)->GetSafeHwnd()},
            {"&To", dialog.GetDlgItem(IDC_LAS_TO)->GetSafeHwnd()},
        };
        EXPECT_EQ(expected, buddies);
    });
}

TEST_F(LasExportTest, OnlyTheFirstSixChannelsOfAHeaderAreExported)
{
    fs::copy_file(Path("Data/down.log"), Path("Data/eight.log"));
    fs::copy_file(Path("Data/down.hed"), Path("Data/eight.hed"));
    {
        std::ofstream hed(Path("Data/eight.hed"), std::ios::binary | std::ios::app);
        for (int i = 6; i < 8; ++i)
            hed << "\r\n[Channel" << i << "]\r\nPhysicalCh=1\r\nTitle=Extra " << i << "\r\nTitleShort=X" << i
                << "\r\nUnit=u\r\n";
    }
    const LasText las = ReadLas(Export(Path("Data/eight.log"), Choices{}, "las_eight_channels.las"));
    EXPECT_EQ((std::vector<std::string>{"GR", "LN", "SN", "SP", "TEMP", "CAL"}), las.curves);
    for (const LasLine& line : las.lines)
        ASSERT_EQ(6u, line.values.size());
}

// Names outside ASCII show as text; the files keep the file system's bytes.
TEST_F(LasExportTest, NamesOutsideAsciiShowAsTextAndTheFilesKeepTheirBytes)
{
    const std::string folder = Path("Donn\xc3\xa9" "es/");
    const std::string data = folder + "Puits \xc3\xa9t\xc3\xa9.log";
    const std::string las = folder + "Sortie \xc3\xa9t\xc3\xa9.las";
    fs::create_directories(folder);
    fs::copy_file(Path("Data/down.log"), data);
    fs::copy_file(Path("Data/down.hed"), folder + "Puits \xc3\xa9t\xc3\xa9.hed");
    RunDialog(data, [&](CLasExport& dialog) {
        EXPECT_EQ("Puits \xe9t\xe9.log", dialog.GetDlgItemText(IDC_LAS_INPUT_FILE, 64));
        EXPECT_EQ("Puits \xe9t\xe9.las", dialog.GetDlgItemText(IDC_LAS_OUTPUT_FILE, 64));
        m_files.Choose(las);
        Button(dialog, IDC_LAS_SELECT_OUTPUT)->click();
        EXPECT_EQ("Sortie \xe9t\xe9.las", dialog.GetDlgItemText(IDC_LAS_OUTPUT_FILE, 64));
        SelectCalibration(dialog, 2);
        m_files.Choose(Path("Calibration/Sonde \xc3\xa9t\xc3\xa9.cal"));
        Button(dialog, IDC_LAS_SELECT_CAL)->click();
        EXPECT_EQ("Sonde \xe9t\xe9.cal", dialog.GetDlgItemText(IDC_LAS_CAL_FILE, 64));
        SelectCalibration(dialog, 0);
        m_boxes.Expect("Migration to LAS file completed.\n\n " + Path("Donn\xe9" "es/Sortie \xe9t\xe9.las"));
        Button(dialog, IDC_LAS_START)->click();
    });
    EXPECT_TRUE(ReadTextFile(las).starts_with("~VERSION INFORMATION\r\n"));
}

}  // namespace
