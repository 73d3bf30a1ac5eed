#pragma once
// The chart recorder of the main window: six rings of samples drawn as curves
// on three tracks against depth or time.
#include <QImage>
#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "display/TrackMath.h"
#include "platform/Window.h"

class QPainter;
struct ToolRecord;

class CScopeTrack : public CWnd {
public:
    static constexpr int kMaxCurves = 6;
    static constexpr int kCurveTracks = 3;
    static constexpr UINT_PTR kRedrawTimer = 404;
    static constexpr UINT_PTR kAutoPrintTimer = 411;
    static constexpr UINT_PTR kDoubleClickTimer = 412;
    static constexpr UINT kDisplayOptionsCommand = 505;

    struct ChannelData {
        COLORREF colour = 0;
        int colourIndex = 0;
        double position = 0.0;
        unsigned count = 0;
        double rangeRight = -1.0;
        double rangeLeft = -1.0;
        int track = -1;      // 0..2; 4 = none; -1 = unset
        int logicalCh = -1;  // place within its track, from 1
        std::string name;
        std::string unit;
        bool visible = false;
        bool invertScale = false;
        bool filterOn = false;
        bool calibrate = false;
        bool wrap = false;
        int shading = 0;  // 0 none, 1 from the left edge, 2 from the right edge
        int filterWidth = 0;
        double c[4] = {0.0, 1.0, 0.0, 0.0};
        double raw[track::kArraySize];
        double display[track::kArraySize];
        unsigned char noData[track::kArraySize];
    };

    // A copy of one ring entry, for tests and tools.
    struct Sample {
        double raw;
        double display;
        bool noData;
    };

    struct TrackLayout {
        int cols = 0;
        int left = 0, top = 0, right = 0, bottom = 0;
        bool inUse = false;
    };

    // A depth label as drawn: on the grid line `row` rows behind the newest, at `y`.
    struct DepthMark {
        int row = 0;
        int y = 0;
        double depth = 0.0;
        std::string text;
    };

    explicit CScopeTrack(int nCurves = kMaxCurves);
    ~CScopeTrack() override;

    // parent: the main window, which receives the display-options command.
    virtual BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

    void SetSampleInterval(int scale);
    void LoadChannelSettings(const ToolRecord& tool);
    // The depth grid's origin. flag 1: startDepth is the depth of the sonde's
    // bottom now (going down the log counts from its top), and the next step is
    // the first beyond it; flag 0: startDepth is the depth of a log's first
    // record, which the next step brings.
    void ResetOrigin(double startDepth, double toolLength, int mode, int flag);
    // One logging step of n ring samples; any thread.
    void AddSamples(const double (&values)[6], int mode, int n, const ToolRecord& tool);
    void FilterChannel(int curve);
    // Empties the rings; the next step is drawn at the origin's depth again.
    void ClearBuffers();
    void ResetCurves();
    // Arms the redraw if it is not armed; any thread.
    void StartRefreshTimer();
    // Renders into the off-screen image; the user-interface thread only.
    void Draw();

    // Prints the newest full page of curves on the application's printer; true
    // when a page went out.
    bool Print();
    // stop = false switches auto print on or off; stop = true ends it at the
    // end of a record, printing the pages due and the last part. Returns 1 when now on.
    int ToggleAutoPrint(bool stop);
    // A log ends with auto print on: its pages due and what came after the
    // last one are printed, taken as they are now; auto print stays on.
    void PrintLastPart();
    // A record stored the newest step: its last part ends there, not on a
    // step drawn after it that the record did not take. Reader thread.
    void MarkStoredStep();
    bool IsAutoPrintOn() const;
    double PageCount() const;

    void OnTimer(UINT_PTR id) override;
    void OnSize(int width, int height) override;
    void OnLButtonUp(POINT point);

    // The last picture drawn for the screen and for print.
    const QImage& Image() const { return m_image; }
    const QImage& PrintImage() const { return m_printImage; }
    // The depth labels of those pictures.
    const std::vector<DepthMark>& Labels() const { return m_labels; }
    const std::vector<DepthMark>& PrintLabels() const { return m_printLabels; }
    // The depth of the newest sample, metres (depth modes).
    double NewestDepth() const;

    track::ScaleState Scale() const;
    int CurveCount() const { return m_nCurves; }
    Sample SampleAt(int curve, int index) const;
    double Position(int curve) const;
    unsigned Count(int curve) const;
    int LegendHeight() const;
    TrackLayout Layout(int entry) const;
    bool IsRedrawArmed() const { return m_nRedrawTimer != 0; }

private:
    struct Picture;
    class Widget;
    friend class Widget;

    static constexpr int kLegendLine = 10;  // legend rows per curve on a track
    static constexpr unsigned kSettingsRedrawDelay = 200;

    static int FilterWindow(const ChannelData& curve, int stepSize);

    void ArmRedraw(unsigned milliseconds);
    void ArmAutoPrint();
    // The rows of curves under the legend of a full page; the lock held.
    int PageRows() const;
    // The first row of a page that follows one ending at `endRow`.
    static long long NextPageStart(long long endRow);
    // Keeps every page whose rows have all arrived; the lock held. True when one came due.
    bool QueueDuePages();
    // What came after the last page, up to the newest row, as the last page due. The lock held.
    void QueueLastPart();
    // The next page, its rows ending at endRow, as a page due. The lock held.
    void QueuePage(long long endRow, int rows);
    // The rings start again: so do the pages, numbered from 1, and those due are dropped. The lock held.
    void RestartPages();
    // Prints every page that came due, oldest first.
    void PrintDuePages();
    // Prints the print picture as page `pageCount`.
    bool PrintPage(int pageCount);
    // The print picture: the picture's newest `rows` rows of curves under the legend.
    void RenderPage(const Picture& picture, int rows);
    void Paint(QWidget* target);
    void LayOut(int width, int height, TrackLayout (&layout)[5]) const;
    // The newest `rows` rows.
    void TakePicture(Picture& picture, int rows) const;
    // The newest sample drawn, and its last row; the lock held.
    long long NewestSample() const;
    long long NewestRow() const;
    // The `rows` rows up to row `newestRow`; the lock held.
    void CopyPicture(Picture& picture, long long newestRow, int rows) const;
    // The rows of the data area a drawing fills, from `oldest` behind the
    // newest up to it; -1 when there is nothing to draw.
    struct Rows {
        int top = 0, bottom = 0;
        int oldest = -1;
        long long newestRow = 0;  // the log's row drawn newest
    };
    void Render(const Picture& picture, QImage& image, bool forPrint, std::vector<DepthMark>& labels) const;
    static Rows ShownRows(const Picture& picture, int top, int bottom);
    static void DrawCurves(QPainter& painter, const Picture& picture, const TrackLayout (&tracks)[5], const Rows& rows);
    static void DrawCurve(QPainter& painter, const Picture& picture, int c, const TrackLayout& track, const Rows& rows);
    // The value of curve `c` at ring index `index`: the mean of the samples of its point that hold data.
    static double PointValue(const Picture& picture, int c, int index, int perPoint);
    static void DrawLegend(QPainter& painter, const Picture& picture, const TrackLayout (&tracks)[5], int width);
    void DrawDepthGrid(QPainter& painter, const Picture& picture, const TrackLayout (&tracks)[5], int oldestRow,
                       int width, int dataTop, int dataBottom, std::vector<DepthMark>& labels) const;
    bool MainWindowMinimised() const;

    const int m_nCurves;
    std::unique_ptr<ChannelData[]> m_pChannels;
    CWnd* m_pParent = nullptr;

    // Guards every member below up to the UI-only section.
    mutable std::mutex m_mutex;
    TrackLayout m_tracks[5];
    int m_nLegendHeight = 2;
    track::ScaleState m_scale;
    int m_nMode = track::kModeTime;
    int m_nStepSize = 1;
    double m_dRunningCounter = 0.0;
    int m_nDirection = 1;  // 1: newest at the bottom; 0: newest at the top
    bool m_bDataStarted = false;
    bool m_bDepthMode = false;
    double m_dStartDepth = 0.0;
    bool m_bFirstStepAtOrigin = false;
    double m_dToolLength = 0.0;
    bool m_bAutoPrint = false;
    // The newest row a record stored since the curves restarted; -1 for none.
    long long m_nStoredRow = -1;
    // The newest row before the newest step was drawn.
    long long m_nRowBeforeStep = 0;
    // The log's row at the top of the next automatic page's curves.
    long long m_nPageStart = 0;
    double m_dPageCount = 0.0;
    // A page as it was when it came due, so that the records that arrive
    // before it is printed neither show on it nor go missing from the next.
    // It keeps only the samples it prints.
    struct DuePage {
        std::unique_ptr<Picture> picture;
        int rows = 0;
        int number = 0;
    };
    std::deque<DuePage> m_duePages;

    // Timer requests from worker threads: at most one waiting for the UI thread each.
    std::atomic<bool> m_bRedrawRequestPending{false};
    std::atomic<bool> m_bAutoPrintRequestPending{false};
    std::atomic<UINT_PTR> m_nRedrawTimer{0};
    // Read by the worker that arms the redraw.
    std::atomic<int> m_nClientHeight{0};

    // User-interface thread only.
    UINT_PTR m_nDoubleClickTimer = 0;
    std::unique_ptr<Picture> m_pPicture;
    QImage m_image;
    QImage m_printImage;
    std::vector<DepthMark> m_labels;
    std::vector<DepthMark> m_printLabels;
};
