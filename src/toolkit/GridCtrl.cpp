#include "toolkit/GridCtrl.h"

#include <QCursor>
#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <cstdio>

#include "platform/Colors.h"

namespace {

constexpr int kTitles = 3;
constexpr int kTitleRows = 1;
const char* const kMeasureText = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSATUVWXYZ";

QString Latin1(const std::string& text) { return QString::fromLatin1(text.data(), qsizetype(text.size())); }

std::string Format(const char* format, int a, int b = 0, int c = 0)
{
    char text[64];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

// Centred on x, with the baseline at half of the row height and the text
// height below the cell's top.
void DrawCentred(QPainter& painter, int x, int top, int rowHeight, int textHeight, const std::string& text)
{
    const QString shown = Latin1(text);
    const int width = painter.fontMetrics().horizontalAdvance(shown);
    painter.drawText(x - width / 2, top + (rowHeight + textHeight) / 2, shown);
}

}  // namespace

int CGridCtrl::s_selectedId = -1;

// Routes the window's paint, size and button presses to the grid.
class GridEvents : public QObject {
public:
    GridEvents(CGridCtrl* grid, QWidget* widget) : QObject(widget), m_grid(grid) { widget->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::Paint: m_grid->Paint(static_cast<QWidget*>(watched)); return true;
        case QEvent::Resize: m_grid->Draw(); return false;
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            const QPoint at = mouse->position().toPoint();
            if (mouse->button() == Qt::LeftButton)
                m_grid->OnLButtonDown(POINT{at.x(), at.y()});
            else if (mouse->button() == Qt::RightButton)
                m_grid->OnRButtonDown(POINT{at.x(), at.y()});
            return false;
        }
        default: return false;
        }
    }

private:
    CGridCtrl* m_grid;
};

CGridCtrl::~CGridCtrl()
{
    // The filter calls back into this object: it must not outlive it.
    delete m_pEvents.data();
}

BOOL CGridCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    if (parent == nullptr || parent->GetSafeHwnd() == nullptr || m_hWnd)
        return FALSE;
    auto* widget = new QWidget(parent->GetSafeHwnd());
    SetControlId(widget, int(id));
    SetControlOwner(widget, parent);
    Attach(widget);
    // Client coordinates: below the parent's menu bar, when it has one.
    MoveWindow(rect);
    widget->setVisible((style & WS_VISIBLE) != 0);
    return TRUE;
}

void CGridCtrl::Attach(QWidget* widget)
{
    CWnd::Attach(widget);
    delete m_pEvents.data();
    if (widget == nullptr)
        return;
    m_pParent = ControlOwnerOf(widget);
    widget->setAttribute(Qt::WA_OpaquePaintEvent);
    m_pEvents = new GridEvents(this, widget);
    InitGrid();
}

void CGridCtrl::InitGrid()
{
    m_textColour = GetSysColor(COLOR_WINDOWTEXT);
    m_faceColour = GetSysColor(COLOR_BTNFACE);
    m_shadowColour = GetSysColor(COLOR_3DDKSHADOW);
    m_font.CreateFont(-11, FW_NORMAL, "Arial");
    m_fontBold.CreateFont(-11, FW_BOLD, "Arial");
    m_fontTitle.CreateFont(-12, FW_NORMAL, "Arial");
    m_nRows = 6;
    m_nCols = 3;

    m_titles.clear();
    for (int i = 0; i < kTitles; ++i)
        m_titles.push_back(CCellData(i, 0, i, Format("Track %d", i)));
    // Placeholders until the owner fills the grid.
    m_cells.clear();
    int n = 0;
    for (int c = 0; c < m_nCols; ++c) {
        for (int r = 0; r < m_nRows; ++r, ++n)
            m_cells.push_back(CCellData(n, r, c, Format("ID:%d - r:%d c:%d", n + 1, r, c)));
    }
    Draw();
}

BOOL CGridCtrl::SetCells(const std::list<CCellData>& cells, int rows, BOOL redraw)
{
    m_nRows = rows;
    m_cells = cells;
    if (redraw)
        Draw();
    return TRUE;
}

BOOL CGridCtrl::UpdateCell(int id, const CCellData& cell, BOOL redraw)
{
    for (CCellData& each : m_cells) {
        if (each.id != id)
            continue;
        each = cell;
        if (redraw)
            Draw();
        return TRUE;
    }
    return FALSE;
}

BOOL CGridCtrl::GetCellById(int id, CCellData& cell) const
{
    for (const CCellData& each : m_cells) {
        if (each.id == id) {
            cell = each;
            return TRUE;
        }
    }
    return FALSE;
}

BOOL CGridCtrl::HitTest(CCellData& cell, int x, int y) const
{
    const RECT client = GetClientRect();
    const int rowHeight = client.bottom / (m_nRows + kTitleRows);
    const int colWidth = client.right / m_nCols;
    for (const CCellData& each : m_cells) {
        const bool insideX = each.col * colWidth < x && x < (each.col + 1) * colWidth;
        const bool insideY = (each.row + 1) * rowHeight < y && y < (each.row + 2) * rowHeight;
        if (insideX && insideY) {
            cell = each;
            return TRUE;
        }
    }
    return FALSE;
}

void CGridCtrl::OnLButtonDown(POINT point)
{
    CCellData clicked;
    if (!HitTest(clicked, point.x, point.y))
        return;
    clicked.selected = clicked.id != -1;
    m_lastClicked = clicked;
    if (clicked.id != -1)
        UpdateCell(clicked.id, clicked, FALSE);
    if (s_selectedId >= 0 && s_selectedId != clicked.id) {
        CCellData previous;
        if (GetCellById(s_selectedId, previous)) {
            previous.selected = false;
            UpdateCell(s_selectedId, previous, FALSE);
        }
    }
    s_selectedId = clicked.id;
    Draw();
    SendNotify(NM_CLICK, m_lastClicked, point);
}

void CGridCtrl::OnRButtonDown(POINT point)
{
    CCellData clicked;
    if (HitTest(clicked, point.x, point.y))
        SendNotify(NM_RCLICK, clicked, point);
}

LRESULT CGridCtrl::SendNotify(UINT code, const CCellData& cell, POINT point)
{
    CWnd* target = m_pNotifyWnd != nullptr ? m_pNotifyWnd : m_pParent;
    if (!m_hWnd || target == nullptr || !target->IsWindow())
        return 0;
    const QPoint cursor = QCursor::pos();
    NMGRID notify{{m_hWnd, UINT_PTR(GetDlgCtrlID()), code}, cell, point, POINT{cursor.x(), cursor.y()}};
    LRESULT result = 0;
    target->OnNotify(WPARAM(GetDlgCtrlID()), LPARAM(&notify), &result);
    return result;
}

void CGridCtrl::Draw()
{
    if (!m_hWnd)
        return;
    const RECT client = GetClientRect();
    if (client.right <= 0 || client.bottom <= 0)
        return;
    if (m_image.size() != QSize(client.right, client.bottom))
        m_image = QImage(client.right, client.bottom, QImage::Format_RGB32);
    m_image.fill(ToQColor(kGridColour));

    QPainter painter(&m_image);
    painter.setFont(m_font.ToQFont());
    const int textHeight = int(painter.fontMetrics().boundingRect(kMeasureText).height() / 1.5);
    const int rowHeight = client.bottom / (m_nRows + kTitleRows);
    const int colWidth = client.right / m_nCols;
    DrawTitles(painter, rowHeight, colWidth, textHeight);
    DrawCells(painter, rowHeight, colWidth, textHeight);
    painter.end();
    m_hWnd->update();
}

void CGridCtrl::DrawTitles(QPainter& painter, int rowHeight, int colWidth, int textHeight)
{
    painter.setFont(m_fontTitle.ToQFont());
    for (const CCellData& title : m_titles) {
        const int left = title.col * colWidth;
        painter.fillRect(left, 0, colWidth, rowHeight, ToQColor(m_faceColour));
        painter.setPen(ToQColor(m_textColour));
        DrawCentred(painter, left + colWidth / 2, 0, rowHeight, textHeight, title.text);
        painter.setPen(ToQColor(m_shadowColour));
        painter.drawLine(left + colWidth - 1, 0, left + colWidth - 1, rowHeight);
    }
    painter.drawLine(0, rowHeight - 1, m_image.width(), rowHeight - 1);
}

// By list order, column by column: the cells' own row and col fields only
// count for the hit test.
void CGridCtrl::DrawCells(QPainter& painter, int rowHeight, int colWidth, int textHeight)
{
    const QPen grid(ToQColor(kGridColour));
    int k = 0;
    for (const CCellData& cell : m_cells) {
        const int col = k / m_nRows;
        const int top = (k % m_nRows + 1) * rowHeight;
        ++k;
        const int left = col * colWidth;
        painter.fillRect(left, top, colWidth, rowHeight, ToQColor(kCellColour));
        if (cell.selected) {
            painter.setPen(grid);
            painter.drawRect(left, top, colWidth - 1, rowHeight - 1);
            painter.fillRect(left + 1, top + 1, colWidth - 2, rowHeight - 2, ToQColor(kCellColour));
        }
        painter.setFont(cell.selected ? m_fontBold.ToQFont() : m_font.ToQFont());
        painter.setPen(ToQColor(m_textColour));
        DrawCentred(painter, left + colWidth / 2, top, rowHeight, textHeight, cell.text);
        painter.setPen(grid);
        painter.drawLine(left, top + rowHeight - 1, left + colWidth, top + rowHeight - 1);
    }
    const int lastRowBottom = (m_nRows + 1) * rowHeight;
    painter.setPen(grid);
    for (int c = 0; c < m_nCols; ++c)
        painter.drawLine(c * colWidth - 1, rowHeight, c * colWidth - 1, lastRowBottom);
}

void CGridCtrl::Paint(QWidget* target) const
{
    QPainter painter(target);
    if (m_image.isNull())
        painter.fillRect(target->rect(), ToQColor(kGridColour));
    else
        painter.drawImage(0, 0, m_image);
}
