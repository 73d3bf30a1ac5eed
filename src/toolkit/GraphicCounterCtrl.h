#pragma once
#include <QImage>
#include <atomic>
#include <climits>
#include <mutex>
#include <string>

#include "platform/Window.h"

class QPainter;

// The read-out's font and how far its cell reaches above the client area.
struct CounterFont {
    int height;
    int width;
    int weight;
    int offset;
};

// Width factor that selects the fixed small font.
constexpr double kCounterSmallFont = -999.0;

CounterFont CounterFontFor(int clientHeight, double widthFactor);
int RefreshDelayForCode(int code);
double WidthFactorForCode(int code);
int BlinkPeriodForCode(int code);

// The large numeric read-out. Setting a value only arms the refresh timer, so
// a burst of values within one refresh delay redraws once. Every setter may be
// called from any thread; timers and drawing stay on the user-interface thread.
class CGraphicCounterCtrl : public CWnd {
public:
    static constexpr UINT_PTR kRefreshTimer = 1000;
    static constexpr UINT_PTR kBlinkTimer = 1001;

    CGraphicCounterCtrl() = default;
    ~CGraphicCounterCtrl() override;

    virtual BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

    void SetBkColor(COLORREF colour) { m_bkColour = colour; }
    void SetTextColor(COLORREF colour) { m_textColour = colour; }
    void SetBlinkBkColor(COLORREF colour) { m_blinkBkColour = colour; }
    void SetBlinkTextColor(COLORREF colour) { m_blinkTextColour = colour; }
    // 5 right, 6 centred, 7 left; anything else draws right and becomes 5.
    void SetAlignment(int code) { m_alignment = code; }
    void SetRefreshRate(int code) { m_refreshDelay = RefreshDelayForCode(code); }
    void SetCharWidth(int code) { m_widthFactor = WidthFactorForCode(code); }

    // Content setters do nothing while the read-out is not visible.
    void SetValue(int value);
    void SetValue(double value, const char* format);
    void SetText(const char* text);
    // Redraws soon (20 ms) unless a refresh is already pending.
    void Refresh();

    void StartBlink(int code);
    // Also returns to the normal colours.
    void StopBlink();

    int GetAlignment() const { return m_alignment; }
    int GetRefreshDelay() const { return m_refreshDelay; }
    double GetWidthFactor() const { return m_widthFactor; }
    bool IsBlinking() const { return m_blinking; }
    bool IsBlinkPhase() const { return m_blinkPhase; }
    std::string GetText() const;

    void OnTimer(UINT_PTR id) override;
    void OnSize(int width, int height) override;

private:
    friend class CounterWidget;
    static constexpr int kNoRequest = INT_MIN;
    static constexpr int kStopRequest = INT_MIN + 1;

    void StoreText(const char* text);
    void PostRequests();
    void ServeRequests();
    void ApplyBlink(int request);
    void Draw();
    void OnPaint(QPainter& painter);
    QSize ClientSize() const;

    // User-interface thread only.
    UINT_PTR m_refreshTimer = 0;
    UINT_PTR m_blinkTimer = 0;
    int m_blinkPeriod = 1000;
    QImage m_image;

    std::atomic<int> m_refreshDelay{200};
    std::atomic<int> m_alignment{5};
    std::atomic<double> m_widthFactor{1.0};
    std::atomic<bool> m_blinking{false};
    std::atomic<bool> m_blinkPhase{false};
    std::atomic<bool> m_visible{false};
    std::atomic<COLORREF> m_bkColour{RGB(0, 0, 0)};
    std::atomic<COLORREF> m_textColour{RGB(255, 255, 0)};
    std::atomic<COLORREF> m_blinkTextColour{RGB(255, 255, 0)};
    std::atomic<COLORREF> m_blinkBkColour{RGB(0, 0, 0)};

    // Requests from other threads, served by one posted call at a time.
    std::atomic<bool> m_requestPosted{false};
    std::atomic<int> m_refreshRequest{kNoRequest};
    std::atomic<int> m_blinkRequest{kNoRequest};

    mutable std::mutex m_textMutex;
    std::string m_text;
};
