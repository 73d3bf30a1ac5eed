#pragma once
// A small owner-drawn grid of cells in columns under a row of column titles:
// the display options show on it which channel lies on which curve track.
#include <QImage>
#include <QObject>
#include <QPointer>
#include <list>
#include <string>

#include "platform/Window.h"

class QPainter;

class CCellData {
public:
    CCellData() = default;
    CCellData(int id_, int row_, int col_, std::string text_)
        : id(id_), row(row_), col(col_), text(std::move(text_)) {}
    virtual ~CCellData() = default;

    int id = 0;  // chosen by whoever fills the grid; -1: the cell cannot be selected
    int row = 0;
    int col = 0;
    std::string text;
    bool selected = false;
};

constexpr UINT NM_CLICK = UINT(-2);
constexpr UINT NM_RCLICK = UINT(-5);

// What the grid sends to its notification window with OnNotify.
struct NMGRID {
    NMHDR hdr;
    CCellData cell;
    POINT click;   // in the grid's client coordinates
    POINT cursor;  // on the screen, when sent
};

class CGridCtrl : public CWnd {
public:
    static constexpr COLORREF kCellColour = RGB(255, 255, 224);
    static constexpr COLORREF kGridColour = RGB(176, 176, 176);

    CGridCtrl() = default;
    ~CGridCtrl() override;

    // A grid of its own on parent; parent receives its notifications.
    virtual BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    // Taking over a template control initialises the grid on it.
    void Attach(QWidget* widget) override;

    // Null sends the notifications to the window that owns the grid.
    void SetNotifyWindow(CWnd* window) { m_pNotifyWnd = window; }

    BOOL SetCells(const std::list<CCellData>& cells, int rows, BOOL redraw);
    BOOL UpdateCell(int id, const CCellData& cell, BOOL redraw);
    BOOL GetCellById(int id, CCellData& cell) const;
    // The first cell whose rectangle holds the point strictly inside its borders.
    BOOL HitTest(CCellData& cell, int x, int y) const;

    void OnLButtonDown(POINT point);
    void OnRButtonDown(POINT point);

    const std::list<CCellData>& Cells() const { return m_cells; }
    // The id of the selected cell, -1 for none; one for all grids.
    static int SelectedId() { return s_selectedId; }
    const QImage& Image() const { return m_image; }

private:
    friend class GridEvents;

    void InitGrid();
    void Draw();
    void DrawTitles(QPainter& painter, int rowHeight, int colWidth, int textHeight);
    void DrawCells(QPainter& painter, int rowHeight, int colWidth, int textHeight);
    void Paint(QWidget* target) const;
    LRESULT SendNotify(UINT code, const CCellData& cell, POINT point);

    static int s_selectedId;

    CWnd* m_pNotifyWnd = nullptr;
    CWnd* m_pParent = nullptr;
    std::list<CCellData> m_cells;
    std::list<CCellData> m_titles;
    CCellData m_lastClicked;
    COLORREF m_textColour = 0;
    COLORREF m_faceColour = 0;
    COLORREF m_shadowColour = 0;
    int m_nRows = 6;
    int m_nCols = 3;
    CFont m_font, m_fontBold, m_fontTitle;
    QImage m_image;
    QPointer<QObject> m_pEvents;
};
