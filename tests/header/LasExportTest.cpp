// The LAS export dialog driven through its controls as the operator uses it,
// on the recorded demo log and on logs made from it in the other two modes.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/ConfigFolder.h"
#include "core/Ini.h"
#include "header/HeaderRecord.h"
#include "header/LasExport.h"
#include "platform/FileDialog.h"
#include "probe/LogRecord.h"
#include "res/Resource.h"
#include "support/Artifacts.h"
#include "support/LoggerEmulator.h"
#include "support/ScriptedMessageBoxes.h"

namespace {

namespace fs = std::filesystem;

constexpr int kDemoRecords = 3000;

// Answers the file dialogs in order with the given paths ("" cancels).
class ScriptedFileDialogs {
public:
    ScriptedFileDialogs()
    {
        SetFileDialogHandler([this](const FileDialogRequest& request) -> std::optional<std::string> {
            requests.push_back(request);
            if (m_answers.empty()) {
                ADD_FAILURE() << "unexpected file dialog";
                return std::nullopt;
            }
            std::string answer = m_answers.front();
            m_answers.pop_front();
            return answer;
        });
    }
    ~ScriptedFileDialogs() { SetFileDialogHandler(nullptr); }
    void Answer(const std::string& path) { m_answers.push_back(path); }
    std::vector<FileDialogRequest> requests;

private:
    std::deque<std::string> m_answers;
};

// One data line of an exported file.
struct Line {
    double depth;
    std::vector<double> values;
};

struct LasText {
    std::map<std::string, double> well;  // STRT, STOP, STEP
    std::vector<std::string> curves;     // the ~A line's mnemonics after DEPTH
    std::vector<Line> lines;
};

LasText ParseLas(const std::string& text)
{
    LasText las;
    std::istringstream in(text);
    std::string row;
    bool data = false;
    while (std::getline(in, row)) {
        EXPECT_TRUE(!row.empty() && row.back() == '\r' || in.eof()) << "line without CR LF: " << row;
        if (!row.empty() && row.back() == '\r')
            row.pop_back();
        std::istringstream fields(row);
        if (data) {
            Line line;
            fields >> line.depth;
            for (double v; fields >> v;)
                line.values.push_back(v);
            las.lines.push_back(line);
            continue;
        }
        if (row.starts_with("~A")) {
            std::string word;
            fields >> word >> word;
            for (; fields >> word;)
                las.curves.push_back(word);
            data = true;
            continue;
        }
        for (const char* key : {" STRT.M", " STOP.M", " STEP.M"}) {
            if (row.starts_with(key))
                las.well[std::string(key + 1, 4)] = std::atof(row.c_str() + 7);
        }
    }
    return las;
}

std::vector<LogRecord> ReadRecords(const fs::path& path)
{
    std::vector<LogRecord> records(fs::file_size(path) / sizeof(LogRecord));
    std::FILE* file = std::fopen(path.c_str(), "rb");
    EXPECT_EQ(records.size(), std::fread(records.data(), sizeof(LogRecord), records.size(), file));
    std::fclose(file);
    return records;
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

    // A copy of the demo log whose header says it was recorded in another mode.
    std::string MakeLog(const std::string& name, int mode, int startMm, int endMm, int step)
    {
        fs::copy_file(Path("Data/down.log"), Path("Data/" + name + ".log"));
        fs::copy_file(Path("Data/down.hed"), Path("Data/" + name + ".hed"));
        CIni ini(Path("Data/" + name + ".hed"), TRUE);
        ini.WriteInt("LogMode", mode, "WellInfo");
        ini.WriteInt("Startdepth", startMm, "WellInfo");
        ini.WriteInt("EndDepth", endMm, "WellInfo");
        ini.WriteInt("step", step, "WellInfo");
        return Path("Data/" + name + ".log");
    }

    // Runs the dialog on `data`; act does the rest and the dialog is closed after it.
    void RunDialog(const std::string& data, const std::function<void(CLasExport&)>& act)
    {
        CLasExport dialog(nullptr);
        QTimer::singleShot(0, [&] {
            m_files.Answer(data);
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
                m_files.Answer(c.calFile);
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

// Every line's values are those recorded at its depth: the gamma channel
// (raw channel 0, at the sonde's bottom) of the record under that depth.
TEST_F(LasExportTest, RecordedLogsInEveryModeDirectionAndCalibration)
{
    // A user calibration file for the gamma channel.
    WriteFile("Calibration/user.cal",
              "[Channel0]\r\nCoefficient0=1.00000\r\nCoefficient1=2.00000\r\nCoefficient2=0.00000\r\nCoefficient3=0.00000\r\n");
    const struct {
        const char* name;
        int mode;
        double start, step;
        int shift;  // records between the depth counted and the gamma sensor
    } logs[] = {
        {"down", 12, 2.6, 0.1, 25},
        {"up", 11, 302.5, -0.1, 0},
        {"time", 10, 2.6, 0.1, 0},
    };
    const std::vector<LogRecord> records = ReadRecords(Path("Data/down.log"));
    ASSERT_EQ(size_t(kDemoRecords), records.size());
    MakeLog("up", 11, 302500, 2600, 100);
    MakeLog("time", 10, 2600, 302500, 250);
    const double gamma[3][2] = {{0.0, 1.0}, {0.0, 0.05}, {1.0, 2.0}};  // c0, c1 by calibration choice

    for (const auto& log : logs) {
        for (bool reverse : {false, true}) {
            for (int calibration : {0, 1, 2}) {
                SCOPED_TRACE(std::string(log.name) + (reverse ? " reversed" : "") + " cal " +
                             std::to_string(calibration));
                Choices c;
                c.reverse = reverse;
                c.calibration = calibration;
                if (calibration == 2)
                    c.calFile = Path("Calibration/user.cal");
                const std::string data = Path(std::string("Data/") + log.name + ".log");
                const std::string artifact = std::string("las_") + log.name + (reverse ? "_reversed" : "") + "_cal" +
                                             std::to_string(calibration) + ".las";
                const LasText las = ParseLas(Export(data, c, artifact));

                const double sonde = log.mode == 10 ? 0.0 : 2.5;
                const double end = log.start + (kDemoRecords - 1) * log.step + (log.step > 0 ? sonde : -sonde);
                EXPECT_NEAR(reverse ? end : log.start, las.well.at("STRT"), 1e-6);
                EXPECT_NEAR(reverse ? log.start : end, las.well.at("STOP"), 1e-6);
                EXPECT_NEAR(reverse ? -log.step : log.step, las.well.at("STEP"), 1e-6);
                EXPECT_EQ((std::vector<std::string>{"GR", "LN", "SN", "SP", "TEMP", "CAL"}), las.curves);
                // One line per record position, the file's last record never among them.
                ASSERT_EQ(size_t(kDemoRecords + (log.mode == 10 ? 0 : 25)), las.lines.size());
                for (size_t k = 0; k < las.lines.size(); ++k) {
                    const Line& line = las.lines[k];
                    ASSERT_EQ(6u, line.values.size());
                    EXPECT_NEAR(las.well.at("STRT") + double(k) * las.well.at("STEP"), line.depth, 1e-6);
                    const long j = std::lround((line.depth - log.start) / log.step) - log.shift;
                    double expected = -999.25;
                    if (j >= 0 && j < kDemoRecords - 1) {
                        const LogRecord& r = records[size_t(j)];
                        const double x = r.channelSums[0] * 50.0 / r.n;
                        expected = std::round((gamma[calibration][0] + gamma[calibration][1] * x) * 1000) / 1000;
                    }
                    EXPECT_NEAR(expected, line.values[0], 0.0011) << "line " << k << " at " << line.depth;
                }
            }
        }
    }
}

TEST_F(LasExportTest, NarrowedRangeStartsAndEndsOnTheTypedDepths)
{
    const struct {
        const char* log;
        const char* from;
        const char* to;
        bool reverse;
        double first, last;
        size_t lines;
        double start, step;
        int shift;
    } cases[] = {
        {"down", "10", "20", false, 10.0, 20.0, 101, 2.6, 0.1, 25},
        {"down", "10", "20", true, 20.0, 10.0, 101, 2.6, 0.1, 25},
        {"up", "250.3", "100.7", false, 250.3, 100.7, 1497, 302.5, -0.1, 0},
        {"up", "250.3", "100.7", true, 100.7, 250.3, 1497, 302.5, -0.1, 0},
    };
    const std::vector<LogRecord> records = ReadRecords(Path("Data/down.log"));
    MakeLog("up", 11, 302500, 2600, 100);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.log) + " " + c.from + ".." + c.to + (c.reverse ? " reversed" : ""));
        Choices choices;
        choices.from = c.from;
        choices.to = c.to;
        choices.reverse = c.reverse;
        const LasText las = ParseLas(Export(Path(std::string("Data/") + c.log + ".log"), choices, "las_range.las"));
        ASSERT_EQ(c.lines, las.lines.size());
        EXPECT_NEAR(c.first, las.well.at("STRT"), 1e-9);
        EXPECT_NEAR(c.last, las.well.at("STOP"), 1e-9);
        EXPECT_NEAR(c.first, las.lines.front().depth, 1e-9);
        EXPECT_NEAR(c.last, las.lines.back().depth, 1e-9);
        // The gamma values at both ends are the ones recorded there (header calibration 0.05 x).
        for (const Line* line : {&las.lines.front(), &las.lines.back()}) {
            const LogRecord& r = records[size_t(std::lround((line->depth - c.start) / c.step) - c.shift)];
            EXPECT_NEAR(0.05 * r.channelSums[0] * 50.0 / r.n, line->values[0], 0.0006) << line->depth;
        }
    }
}

TEST_F(LasExportTest, TypedDepthsOutsideTheLogAreCorrected)
{
    MakeLog("up", 11, 302500, 2600, 100);
    const struct {
        const char* log;
        int id;
        const char* typed;
        const char* shown;
        const char* message;
    } cases[] = {
        {"down", IDC_LAS_FROM, "1", "2.60", "Bad entry value (begining 2.60 ending 305.00) \n"},
        {"down", IDC_LAS_TO, "2", "2.70", "Bad entry value (begining 2.60 ending 305.00) \n"},
        {"down", IDC_LAS_TO, "100", "100.00", nullptr},
        {"up", IDC_LAS_FROM, "0", "0.20", "Bad entry value (begining 302.50 ending 0.10) \n"},
        {"up", IDC_LAS_TO, "400", "302.40", "Bad entry value (begining 302.50 ending 0.10) \n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.log) + " " + c.typed);
        RunDialog(Path(std::string("Data/") + c.log + ".log"), [&](CLasExport& dialog) {
            if (c.message != nullptr)
                m_boxes.Expect(c.message);
            Type(dialog, c.id, c.typed);
            EXPECT_EQ(c.shown, dialog.GetDlgItemText(c.id, 64));
        });
    }
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
    // A time log that never moved has no depth step.
    MakeLog("still", 10, 5000, 5000, 250);
    fs::copy_file(Path("Data/down.log"), Path("Data/lonely.log"));

    const struct {
        std::string data;
        std::string message;
    } cases[] = {
        {Path("Data/one.log"), "Invalid file log !!!"},
        {Path("Data/still.log"), "This log has no depth step: its start and end depths are equal.\nNothing can be exported."},
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
        QApplication::processEvents();
        SaveArtifact(dialog.GetSafeHwnd(), "las_export_dialog.png");
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
        if (shown.text.starts_with("Same file name"))
            EXPECT_EQ(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, shown.type);
    }
    // The data file is chosen among the logs of the data folder.
    ASSERT_EQ(1u, m_files.requests.size());
    EXPECT_TRUE(m_files.requests[0].open);
    EXPECT_EQ("Tralvin Sonde File (*.log)|*.log||", m_files.requests[0].filter);
    EXPECT_EQ(Path("Data"), m_files.requests[0].initialDir);
    const std::string text = ReadTextFile(las);
    EXPECT_TRUE(text.starts_with("~VERSION INFORMATION\r\n"));
    EXPECT_EQ(std::string::npos, text.find("old text"));
    // No calibration: no coefficient lines, and the raw sums scaled to 50 readings.
    EXPECT_EQ(std::string::npos, text.find("-COEF"));
    EXPECT_TRUE(text.find("~A  DEPTH  GR        \r\n") != std::string::npos);
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
    const LasText las = ParseLas(Export(Path("Data/eight.log"), Choices{}, "las_eight_channels.las"));
    EXPECT_EQ((std::vector<std::string>{"GR", "LN", "SN", "SP", "TEMP", "CAL"}), las.curves);
    for (const Line& line : las.lines)
        ASSERT_EQ(6u, line.values.size());
}

}  // namespace
