// Page printing: the page's places on printers of any resolution, the choice
// of printer, auto print's page-due and overlap rules, and a page of the demo
// log printed to PDF. With KVX_TEST_ARTIFACTS set, the PDF and its picture are kept.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <string>
#include <vector>

#include "core/Palette.h"
#include "display/PrintedPage.h"
#include "display/PrinterSettings.h"
#include "display/ScopeTrack.h"
#include "platform/Printer.h"
#include "support/TestPrinter.h"
#include "support/Artifacts.h"
#include "support/CurveTracks.h"
#include "support/PrintedJobs.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kTestPrinter = "KVX PDF";

// Ink of one part of a page, in the units of a 600 dpi page.
struct Box {
    int left = 0, top = 0, right = -1, bottom = -1;
    bool Empty() const { return right < left; }
};

Box InkIn(const QImage& page, int dpi, int left, int top, int right, int bottom)
{
    Box box{1 << 30, 1 << 30, -1, -1};
    const int x1 = std::min(page::ToDevice(right, dpi), page.width());
    const int y1 = std::min(page::ToDevice(bottom, dpi), page.height());
    for (int y = page::ToDevice(top, dpi); y < y1; ++y) {
        for (int x = page::ToDevice(left, dpi); x < x1; ++x) {
            if (qGray(page.pixel(x, y)) > 100)
                continue;
            box.left = std::min(box.left, x);
            box.right = std::max(box.right, x);
            box.top = std::min(box.top, y);
            box.bottom = std::max(box.bottom, y);
        }
    }
    if (box.right < 0)
        return Box{};
    auto back = [dpi](int v) { return int(std::lround(v * 600.0 / dpi)); };
    return Box{back(box.left), back(box.top), back(box.right), back(box.bottom)};
}

// The first page of a PDF as a picture at the given resolution.
QImage Rasterise(const fs::path& pdf, int dpi)
{
    const fs::path stem = pdf.parent_path() / "page";
    std::system(("pdftoppm -r " + std::to_string(dpi) + " -png -singlefile '" + pdf.string() + "' '" +
                 stem.string() + "'")
                    .c_str());
    return QImage(QString::fromStdString(stem.string() + ".png"));
}

// The rows of curves at the foot of `upper` that come again at the head of
// `lower`, below the legend; 0 when none do. The scale columns are left out,
// as a depth is labelled only away from a page's newest row, and so are the
// two rows at each end of the overlap, where the curves of a page end.
int RepeatedRows(const QImage& upper, const QImage& lower, int legend)
{
    const int trackWidth = (page::kCanvasWidth - 100) / 3;
    auto inScaleColumn = [trackWidth](int x) {
        return (x > trackWidth && x < trackWidth + 50) || (x > 2 * trackWidth + 50 && x < 2 * trackWidth + 100);
    };
    auto sameRow = [&](int upperY, int lowerY) {
        for (int x = 0; x < page::kCanvasWidth; ++x)
            if (!inScaleColumn(x) && upper.pixel(x, upperY) != lower.pixel(x, lowerY))
                return false;
        return true;
    };
    for (int overlap = std::min(upper.height(), lower.height()) - legend; overlap > 4; --overlap) {
        bool same = true;
        for (int j = 2; j < overlap - 2 && same; ++j)
            same = sameRow(upper.height() - overlap + j, legend + j);
        if (same)
            return overlap;
    }
    return 0;
}

// A window for the tracks, so that their timers run.
class Parent : public CWnd {
public:
    Parent() { Attach(new QWidget); }
    ~Parent() override { delete m_hWnd.data(); }
};

bool PumpUntil(const std::function<bool()>& done, int milliseconds = 3000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

}  // namespace

TEST(PrintedPageTest, PlacesAreThoseOfA600DpiPageAtAnyResolution)
{
    QImage canvas(page::kCanvasWidth, 1180, QImage::Format_RGB32);
    canvas.fill(QColor(0, 200, 0));
    const page::Texts texts{"KPXG3241 main pass", "07/Dec/2026 10:41:07", "KPXG3241.log", 3};
    struct Part {
        const char* what;
        int left, top, right, bottom;  // where to look, 600 dpi units
    };
    const Part parts[] = {
        {"log name", 200, 250, 4500, 600},
        {"date", 200, 6290, 1600, 6450},
        {"file name", 1600, 6290, 3200, 6450},
        {"page number", 3200, 6290, 4600, 6450},
    };
    std::vector<Box> reference;
    for (int dpi : {600, 300, 150}) {
        SCOPED_TRACE(dpi);
        QImage sheet(page::ToDevice(4700, dpi), page::ToDevice(6500, dpi), QImage::Format_RGB32);
        sheet.fill(Qt::white);
        {
            QPainter painter(&sheet);
            page::DrawPage(painter, dpi, canvas, texts);
        }
        SaveArtifact(sheet, "print_layout_" + std::to_string(dpi) + "dpi.png");
        auto colourAt = [&](int x, int y) { return sheet.pixel(page::ToDevice(x, dpi), page::ToDevice(y, dpi)); };
        // The frame, its four sides.
        for (auto [x, y] : {std::pair{266, 3000}, {4466, 3000}, {2366, 620}, {2366, 6270}})
            EXPECT_EQ(qRgb(0, 0, 0), colourAt(x, y)) << x << "," << y;
        // The canvas fills the frame's width and 4.8 units per row: down to 620 + 5664.
        EXPECT_EQ(qRgb(0, 200, 0), colourAt(280, 640));
        EXPECT_EQ(qRgb(0, 200, 0), colourAt(4450, 6278));
        EXPECT_EQ(qRgb(255, 255, 255), colourAt(2366, 6290));
        EXPECT_EQ(qRgb(255, 255, 255), colourAt(4480, 3000));

        std::vector<Box> boxes;
        for (const Part& part : parts)
            boxes.push_back(InkIn(sheet, dpi, part.left, part.top, part.right, part.bottom));
        for (size_t i = 0; i < boxes.size(); ++i)
            ASSERT_FALSE(boxes[i].Empty()) << parts[i].what;
        // Left aligned at 266, centred on 2366, right aligned at 4466; tops at 290 and 6300.
        EXPECT_NEAR(266, boxes[0].left, 15);
        EXPECT_NEAR(266, boxes[1].left, 15);
        EXPECT_NEAR(2366, (boxes[2].left + boxes[2].right) / 2, 15);
        EXPECT_NEAR(4466, boxes[3].right, 15);
        EXPECT_GT(boxes[0].top, 290);
        EXPECT_LT(boxes[0].top, 340);
        EXPECT_GT(boxes[1].top, 6300);
        // The same places and sizes on every printer.
        if (reference.empty())
            reference = boxes;
        for (size_t i = 0; i < boxes.size(); ++i) {
            const int tolerance = 8 + 2 * 600 / dpi + (reference[i].right - reference[i].left) / 30;
            EXPECT_NEAR(reference[i].left, boxes[i].left, tolerance) << parts[i].what;
            EXPECT_NEAR(reference[i].right, boxes[i].right, tolerance) << parts[i].what;
            EXPECT_NEAR(reference[i].top, boxes[i].top, tolerance) << parts[i].what;
            EXPECT_NEAR(reference[i].bottom, boxes[i].bottom, tolerance) << parts[i].what;
        }
    }
}

class PrintTest : public DemoLogTest {
protected:
    void SetUp() override
    {
        DemoLogTest::SetUp();
        m_savedPrinterUsed = theApp.m_strPrinterUsed;
        m_savedAppPrinter = GetAppPrinter();
        m_jobs = fs::path(Path("Jobs"));
        SetPdfTestPrinter(kTestPrinter, m_jobs.string(), 600);
        SelectAppPrinter("");
        theApp.m_strPrinterUsed = kTestPrinter;
    }

    void TearDown() override
    {
        UseTestPrinter();
        SelectAppPrinter(m_savedAppPrinter);
        theApp.m_strPrinterUsed = m_savedPrinterUsed;
        DemoLogTest::TearDown();
    }

    static void WaveStep(CScopeTrack& tracks, long long k, int mode, int n, const ToolRecord& tool)
    {
        double values[6];
        for (int c = 0; c < 6; ++c)
            values[c] = 500.0 + 400.0 * std::sin(k * 0.013 * (c + 1));
        tracks.AddSamples(values, mode, n, tool);
    }

    // The tracks in a window of their own, showing `tool` at `scale`.
    static void ShowTool(CScopeTrack& tracks, Parent& parent, const ToolRecord& tool, int scale)
    {
        ASSERT_TRUE(tracks.Create(0, RECT{0, 0, 900, 700}, &parent, 0));
        tracks.LoadChannelSettings(tool);
        tracks.SetSampleInterval(scale);
    }

    fs::path Job(int pageCount) const { return m_jobs / (page::JobName(pageCount) + ".pdf"); }

    int JobCount() const
    {
        if (!fs::exists(m_jobs))
            return 0;
        return int(std::distance(fs::directory_iterator(m_jobs), fs::directory_iterator()));
    }

    std::string m_savedPrinterUsed;
    std::string m_savedAppPrinter;
    fs::path m_jobs;
};

TEST_F(PrintTest, PrinterSettingsChooseAPrinterByNameAndGiveTheApplicationItsOwnBack)
{
    SelectAppPrinter("");
    {
        CPrinterSettings settings;
        EXPECT_EQ("printer not set...", settings.GetPrinterName());
        settings.CopyDefaultPrinter();  // the application has none chosen
        EXPECT_EQ("printer not set...", settings.GetPrinterName());
        EXPECT_EQ(0, settings.SetPrinterDevice("No such printer"));
        EXPECT_EQ("printer not set...", settings.GetPrinterName());
        EXPECT_EQ(1, settings.SetPrinterDevice(kTestPrinter));
        EXPECT_EQ(kTestPrinter, settings.GetPrinterName());
        EXPECT_EQ(0, settings.SetPrinterDevice(""));
        EXPECT_EQ(kTestPrinter, settings.GetPrinterName());

        settings.SetThisPrinter();
        EXPECT_EQ(kTestPrinter, GetAppPrinter());
        settings.RestorePrinter();
        // "None chosen" comes back as it was.
        EXPECT_EQ("", GetAppPrinter());
        SelectAppPrinter("Chosen later");
        settings.RestorePrinter();  // nothing kept any more
        EXPECT_EQ("Chosen later", GetAppPrinter());
        settings.SetThisPrinter();
    }
    // Going out of scope gives the application its printer back.
    EXPECT_EQ("Chosen later", GetAppPrinter());
    CPrinterSettings copy;
    copy.CopyDefaultPrinter();
    EXPECT_EQ("Chosen later", copy.GetPrinterName());

    SelectAppPrinter("");
    EXPECT_TRUE(GetPrinterDeviceDefaults());
    EXPECT_EQ(kTestPrinter, GetAppPrinter());  // the default printer fills in
}

TEST_F(PrintTest, APageOfTheDemoLogWithFrameCurvesAndTexts)
{
    std::strcpy(theApp.m_pPathSettings->FileName, "KPXG3241.log");
    Parent parent;
    CScopeTrack tracks;
    ASSERT_TRUE(tracks.Create(0, RECT{0, 0, 900, 700}, &parent, 0));
    // Pages of the same 1180 rows cover 2.95 m at 1/25 and 11.8 m at 1/100: count the metre lines.
    struct Case {
        int scale;
        int minMetreLines, maxMetreLines;
    } cases[] = {{25, 2, 3}, {100, 11, 12}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scale);
        fs::remove_all(m_jobs);
        m_scale = c.scale;
        Replay(tracks, false);
        ASSERT_TRUE(tracks.Print());
        const QImage& canvas = tracks.PrintImage();
        ASSERT_EQ(page::kCanvasWidth, canvas.width());
        ASSERT_EQ(1180, canvas.height());
        int metreLines = 0;
        for (int y = tracks.LegendHeight(); y < canvas.height(); ++y) {
            int grey = 0;
            for (int x = 2; x < 240; ++x)
                grey += canvas.pixel(x, y) == qRgb(0x78, 0x78, 0x78);
            metreLines += grey > 200;
        }
        EXPECT_GE(metreLines, c.minMetreLines);
        EXPECT_LE(metreLines, c.maxMetreLines);
        ASSERT_TRUE(fs::exists(Job(0)));  // a menu print with page count 0
        CopyArtifact(Job(0), "print_demo_1_" + std::to_string(c.scale) + ".pdf");
    }

    if (!HavePoppler())
        GTEST_SKIP() << "poppler-utils is not installed: the PDF is not read back";
    const std::string text = PrintedText(Job(0));
    EXPECT_NE(std::string::npos, text.find(theApp.m_pHeaderRecord->LogName)) << text;
    EXPECT_NE(std::string::npos, text.find("KPXG3241.log")) << text;
    EXPECT_EQ(std::string::npos, text.find("Page")) << "no page number with page count 0";
    const std::string today = page::DateText(std::time(nullptr)).substr(0, 11);
    EXPECT_NE(std::string::npos, text.find(today)) << text;
    EXPECT_NE(std::string::npos, CommandOutput("pdfinfo '" + Job(0).string() + "'").find("varnologger Print Job 0"));

    const int dpi = 100;
    const QImage page = Rasterise(Job(0), dpi);
    ASSERT_FALSE(page.isNull());
    SaveArtifact(page, "print_demo_1_100.png");
    // The frame: a line of 1/600 inch, grey at this resolution.
    auto darkest = [&](int x, int y) {
        int gray = 255;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                gray = std::min(gray, qGray(page.pixel(page::ToDevice(x, dpi) + dx, page::ToDevice(y, dpi) + dy)));
        return gray;
    };
    EXPECT_LT(darkest(266, 3000), 235);
    EXPECT_LT(darkest(4466, 3000), 235);
    EXPECT_LT(darkest(2366, 6270), 235);
    EXPECT_EQ(255, darkest(4600, 3000));
    // Curves in colour in each of the three tracks.
    for (int t = 0; t < 3; ++t) {
        // On the 750-pixel canvas the tracks are 216 pixels wide with 50 between them.
        const int left = t * (216 + 50);
        auto toPage = [&](int canvasX) { return page::ToDevice(266 + canvasX * 5.6, dpi); };
        int coloured = 0;
        for (int y = page::ToDevice(800, dpi); y < page::ToDevice(6200, dpi); ++y)
            for (int x = toPage(left + 2); x < toPage(left + 214); ++x)
                coloured += page.pixelColor(x, y).hsvSaturation() > 80;
        EXPECT_GT(coloured, 200) << "track " << t;
    }
}

TEST_F(PrintTest, AutoPrintPagesFollowEachOtherWithTheirOverlap)
{
    ASSERT_TRUE(HavePoppler()) << "poppler-utils reads the printed pages back";
    const ToolRecord tool = PlainTool();
    struct Case {
        int scale;
        int mode;
        int n;     // ring samples per step
        int late;  // steps that arrive after a page comes due, before it can print
    } cases[] = {
        {100, track::kModeTime, 1, 0},
        {25, track::kModeTime, 1, 0},
        {1000, track::kModeTime, 1, 0},
        {100, track::kModeDown, 5, 0},
        {100, track::kModeDown, 10, 0},
        {25, track::kModeDown, 2, 0},
        {25, track::kModeDown, 20, 0},
        {1000, track::kModeUp, 10, 0},
        // A fast replay: the print runs behind the records.
        {100, track::kModeTime, 1, 300},
        {25, track::kModeDown, 10, 20},
        {25, track::kModeTime, 1, 700},  // pages come due while others wait
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "scale " << c.scale << ", mode " << c.mode << ", n " << c.n << ", late "
                                        << c.late);
        fs::remove_all(m_jobs);
        Parent parent;
        CScopeTrack tracks;
        ASSERT_NO_FATAL_FAILURE(ShowTool(tracks, parent, tool, c.scale));
        // Labels short enough to stay in their scale column.
        tracks.ResetOrigin(10.0, 0.0, c.mode, 0);
        const double pps = tracks.Scale().pixelsPerSample;
        const int legend = tracks.LegendHeight();
        ASSERT_EQ(1, tracks.ToggleAutoPrint(false));
        std::vector<unsigned> printedAt;  // newest sample of each page, as it came due
        for (long long k = 0; printedAt.size() < 3;) {
            ASSERT_LT(k, 100000);
            WaveStep(tracks, k++, c.mode, c.n, tool);
            if (tracks.PageCount() == double(printedAt.size()))
                continue;
            printedAt.push_back(tracks.Count(0));
            for (int late = 0; late < c.late; ++late) {
                WaveStep(tracks, k++, c.mode, c.n, tool);
                if (tracks.PageCount() > double(printedAt.size()))
                    printedAt.push_back(tracks.Count(0));
            }
            const int number = int(printedAt.size());
            ASSERT_TRUE(PumpUntil([&] { return fs::exists(Job(number)); })) << "page " << number;
        }
        // The first page once its rows under the legend are all there, from the first record on.
        auto rowsOf = [pps](unsigned samples) { return int(std::floor(samples * pps + 1e-9)); };
        EXPECT_GE(rowsOf(printedAt[0]), 1180 - legend);
        EXPECT_LT(rowsOf(printedAt[0] - c.n), 1180 - legend);
        std::vector<QImage> pages;
        for (int p = 1; p <= 3; ++p) {
            pages.push_back(PrintedCanvas(Job(p)));
            ASSERT_EQ(1180, pages.back().height()) << "every automatic page is a full page";
        }
        // Going up the newest rows are at the top: a page's overlap is at the foot of the next one.
        for (size_t p = 1; p < pages.size(); ++p) {
            const bool upward = c.mode == track::kModeUp;
            EXPECT_EQ(50, RepeatedRows(upward ? pages[p] : pages[p - 1], upward ? pages[p - 1] : pages[p], legend))
                << "page " << p + 1 << " repeats the last 50 rows of page " << p;
        }
        if (c.scale == 25 && c.n == 20) {
            // The text layout squeezes the two blanks before the colon.
            const std::string text = PrintedText(Job(2));
            EXPECT_NE(std::string::npos, text.find("Page N\xC2\xB0")) << text;
            EXPECT_NE(std::string::npos, text.find(":2")) << text;
            CopyArtifact(Job(1), "print_auto_page1.pdf");
            CopyArtifact(Job(2), "print_auto_page2.pdf");
        }
        EXPECT_EQ(0, tracks.ToggleAutoPrint(false));
    }
}

TEST_F(PrintTest, AfterAScaleChangeTheNextPageStartsAtTheSameSample)
{
    const ToolRecord tool = PlainTool();
    Parent parent;
    CScopeTrack tracks;
    ASSERT_NO_FATAL_FAILURE(ShowTool(tracks, parent, tool, 100));
    ASSERT_EQ(1, tracks.ToggleAutoPrint(false));
    long long k = 0;
    while (tracks.PageCount() == 0.0)
        WaveStep(tracks, k++, track::kModeTime, 1, tool);
    ASSERT_EQ(1158u, tracks.Count(0));
    // Page 2 starts with sample 1109 at any scale; at 1/25 its 1158 rows hold
    // 289.5 samples, full with the 1398th.
    tracks.SetSampleInterval(25);
    while (tracks.Count(0) < 1397) {
        WaveStep(tracks, k++, track::kModeTime, 1, tool);
        ASSERT_EQ(1.0, tracks.PageCount()) << "sample " << tracks.Count(0);
    }
    WaveStep(tracks, k++, track::kModeTime, 1, tool);
    EXPECT_EQ(2.0, tracks.PageCount());
    EXPECT_EQ(0, tracks.ToggleAutoPrint(false));
}

TEST_F(PrintTest, EndingARecordPrintsTheLastPartTheMenuSwitchDoesNot)
{
    ASSERT_TRUE(HavePoppler()) << "poppler-utils reads the printed pages back";
    const ToolRecord tool = PlainTool();
    struct Case {
        const char* what;
        int rows;   // new rows after switching on
        bool stop;  // a record ends, rather than the menu switching off
        int rowsAfterReset;  // the rings emptied after `rows`, and as many rows again; -1: no reset
        int jobs;
        int lastRows;  // rows of curves on the last part
        int storedFrom = 0, storedTo = 0;  // the rows a record stored, if any
    } cases[] = {
        {"record end", 300, true, -1, 1, 301},  // what was there when switched on, and after
        {"menu switch", 300, false, -1, 0, 0},
        {"record end, too little to print", 8, true, -1, 0, 0},  // 9 rows with the one before
        // The page that came due with the 1158th row has not printed yet: it
        // goes first, and the last part repeats its last 50 rows.
        {"record end, a page still due", 1300, true, -1, 2, 50 + 1301 - 1158},
        // A replay started again: the page due before is dropped, the pages start again.
        {"record end after a reset", 1300, true, 100, 1, 100},
        // Rows drawn before the record's first stored step and after its last are not its own.
        {"record end, steps drawn around those stored", 300, true, -1, 1, 296, 3, 298},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(m_jobs);
        Parent parent;
        CScopeTrack tracks;
        ASSERT_NO_FATAL_FAILURE(ShowTool(tracks, parent, tool, 100));
        WaveStep(tracks, 0, track::kModeTime, 1, tool);
        ASSERT_EQ(1, tracks.ToggleAutoPrint(false));
        for (int k = 1; k <= c.rows; ++k) {
            WaveStep(tracks, k, track::kModeTime, 1, tool);
            if (k >= c.storedFrom && k <= c.storedTo)
                tracks.MarkStoredStep();
        }
        if (c.rowsAfterReset >= 0)
            tracks.ClearBuffers();
        for (int k = 1; k <= c.rowsAfterReset; ++k)
            WaveStep(tracks, k, track::kModeTime, 1, tool);
        EXPECT_EQ(0, tracks.ToggleAutoPrint(c.stop));
        EXPECT_FALSE(tracks.IsAutoPrintOn());
        EXPECT_EQ(c.jobs, JobCount());
        if (c.jobs > 0) {
            const int last = int(tracks.PageCount());
            ASSERT_TRUE(fs::exists(Job(last))) << "page " << last;
            EXPECT_EQ(tracks.LegendHeight() + c.lastRows, PrintedCanvas(Job(last)).height());
        }
        if (c.jobs > 1) {
            EXPECT_EQ(50, RepeatedRows(PrintedCanvas(Job(1)), PrintedCanvas(Job(2)), tracks.LegendHeight()));
        }
        // Off already: a record end prints nothing more.
        EXPECT_EQ(0, tracks.ToggleAutoPrint(true));
        EXPECT_EQ(c.jobs, JobCount());
    }
}

TEST_F(PrintTest, WithoutAPrinterNothingIsPrintedAndLoggingGoesOn)
{
    UseNoPrinter();
    const ToolRecord tool = PlainTool();
    struct Case {
        const char* what;
        bool testPrinter;  // the machine's only printer, its default
        const char* printerUsed;
        int jobs;
    } cases[] = {
        {"no printer at all", false, "", 0},
        {"a chosen printer that is gone", false, "Gone", 0},
        {"a chosen printer that is gone, the default prints", true, "Gone", 1},
        {"none chosen, the default prints", true, "none", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(m_jobs);
        SetPdfTestPrinter(c.testPrinter ? kTestPrinter : "", m_jobs.string(), 600);
        SelectAppPrinter("");
        theApp.m_strPrinterUsed = c.printerUsed;
        Parent parent;
        CScopeTrack tracks;
        ASSERT_NO_FATAL_FAILURE(ShowTool(tracks, parent, tool, 100));
        EXPECT_EQ(c.jobs == 1, tracks.Print());
        EXPECT_EQ(c.jobs, JobCount());
        // Auto print runs its pages through the timer all the same.
        ASSERT_EQ(1, tracks.ToggleAutoPrint(false));
        for (int k = 0; k < 1300; ++k)
            WaveStep(tracks, k, track::kModeTime, 1, tool);
        EXPECT_EQ(1.0, tracks.PageCount());
        // The page is due: its timer prints it, or finds no printer.
        if (c.jobs > 0)
            EXPECT_TRUE(PumpUntil([&] { return JobCount() == 2; }));
        else
            PumpUntil([] { return false; }, 200);
        EXPECT_EQ(2 * c.jobs, JobCount());
        EXPECT_EQ(0, tracks.ToggleAutoPrint(true));
        EXPECT_EQ("", GetAppPrinter()) << "the application's printer as it was";
    }
}

TEST_F(PrintTest, AMinimisedWindowStillPrintsItsCurves)
{
    const ToolRecord tool = PlainTool();
    Parent parent;
    CScopeTrack tracks;
    ASSERT_NO_FATAL_FAILURE(ShowTool(tracks, parent, tool, 100));
    for (int k = 0; k < 1500; ++k)
        WaveStep(tracks, k, track::kModeTime, 1, tool);
    parent.GetSafeHwnd()->showMinimized();
    ASSERT_TRUE(parent.GetSafeHwnd()->isMinimized());
    ASSERT_TRUE(tracks.Print());
    const COLORREF colour = PaletteColour(tool.channels[0].LineColour);
    const QImage& canvas = tracks.PrintImage();
    int found = 0;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < page::kCanvasWidth; ++x)
            found += canvas.pixel(x, y) == qRgb(GetRValue(colour), GetGValue(colour), GetBValue(colour));
    EXPECT_GT(found, 1000);
}

TEST_F(PrintTest, AutoPrintFedFromTheSampleThreadPrintsOnTheUserInterfaceThread)
{
    const ToolRecord tool = PlainTool();
    Parent parent;
    CScopeTrack tracks;
    ASSERT_NO_FATAL_FAILURE(ShowTool(tracks, parent, tool, 100));
    ASSERT_EQ(1, tracks.ToggleAutoPrint(false));
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int k = 0; k < 4000; ++k) {
            WaveStep(tracks, k, track::kModeTime, 1, tool);
            if (k % 500 == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        done = true;
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    worker.join();
    // Pages come due every 1131 steps, whenever the prints run: three in 4000.
    EXPECT_EQ(3.0, tracks.PageCount());
    // Each prints, also those due while another waits.
    EXPECT_TRUE(PumpUntil([&] { return JobCount() == 3; }));
    PumpUntil([] { return false; }, 50);
    EXPECT_EQ(3, JobCount());
    EXPECT_EQ(0, tracks.ToggleAutoPrint(true));
    EXPECT_TRUE(fs::exists(Job(4)));  // the last part
}
