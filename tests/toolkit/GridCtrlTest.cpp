// The channel grid: placeholders, the hit test strictly inside a cell, and
// the selection with its notifications.
#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>

#include "toolkit/GridCtrl.h"

namespace {

// A window that keeps the grid's notifications.
class NotifyRecorder : public CWnd {
public:
    struct Notice {
        UINT code;
        int id;
        int row;
        int col;
        bool selected;
    };

    NotifyRecorder()
    {
        m_window.resize(300, 140);
        m_window.show();
        Attach(&m_window);
    }
    BOOL OnNotify(WPARAM, LPARAM lParam, LRESULT*) override
    {
        const auto* notify = reinterpret_cast<const NMGRID*>(lParam);
        notices.push_back({notify->hdr.code, notify->cell.id, notify->cell.row, notify->cell.col, notify->cell.selected});
        return TRUE;
    }

    QWidget m_window;
    std::vector<Notice> notices;
};

class GridCtrlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // 300 by 140: rows of 20 pixels under a title row of 20, columns of 100.
        ASSERT_TRUE(m_grid.Create(WS_CHILD | WS_VISIBLE, RECT{0, 0, 300, 140}, &m_parent, 1701));
    }

    std::vector<int> Marked() const
    {
        std::vector<int> ids;
        for (const CCellData& cell : m_grid.Cells()) {
            if (cell.selected)
                ids.push_back(cell.id);
        }
        return ids;
    }

    void Press(Qt::MouseButton button, int x, int y)
    {
        QTest::mousePress(m_grid.GetSafeHwnd(), button, Qt::NoModifier, QPoint(x, y));
        QTest::mouseRelease(m_grid.GetSafeHwnd(), button, Qt::NoModifier, QPoint(x, y));
    }

    NotifyRecorder m_parent;
    CGridCtrl m_grid;
};

TEST_F(GridCtrlTest, PlaceholdersFillTheColumnsUntilTheOwnerSetsCells)
{
    ASSERT_EQ(18u, m_grid.Cells().size());
    std::vector<std::string> first;
    for (const CCellData& cell : m_grid.Cells()) {
        if (cell.col == 0)
            first.push_back(cell.text);
    }
    EXPECT_EQ((std::vector<std::string>{"ID:1 - r:0 c:0", "ID:2 - r:1 c:0", "ID:3 - r:2 c:0", "ID:4 - r:3 c:0",
                                        "ID:5 - r:4 c:0", "ID:6 - r:5 c:0"}),
              first);
    EXPECT_EQ("ID:18 - r:5 c:2", m_grid.Cells().back().text);
}

TEST_F(GridCtrlTest, HitTestTakesOnlyPointsStrictlyInsideACell)
{
    struct Case {
        int x, y;
        int id;  // -2: no cell
    };
    const Case cases[] = {
        {150, 50, 7},    // row 1 of column 1
        {1, 21, 0},      // just inside the first cell
        {99, 39, 0},     // its far corner
        {299, 139, 17},  // the last cell's far corner
        {100, 50, -2},   // on the line between columns 0 and 1
        {150, 40, -2},   // on the line between rows 0 and 1
        {150, 20, -2},   // on the title row's bottom edge
        {150, 10, -2},   // in the title row
        {0, 30, -2},     // on the left edge
        {200, 140, -2},  // on a corner below the grid
    };
    for (const Case& c : cases) {
        CCellData cell;
        const bool hit = m_grid.HitTest(cell, c.x, c.y);
        EXPECT_EQ(c.id != -2, bool(hit)) << c.x << "," << c.y;
        if (hit) {
            EXPECT_EQ(c.id, cell.id) << c.x << "," << c.y;
        }
    }

    // Cells are drawn in list order but found by their own row and col.
    std::list<CCellData> cells;
    cells.push_back(CCellData(40, 5, 2, "far"));
    cells.push_back(CCellData(41, 0, 0, "near"));
    m_grid.SetCells(cells, 6, TRUE);
    CCellData cell;
    ASSERT_TRUE(m_grid.HitTest(cell, 250, 130));
    EXPECT_EQ(40, cell.id);
    EXPECT_FALSE(m_grid.HitTest(cell, 50, 50));
}

TEST_F(GridCtrlTest, ClicksSelectOneCellAndNotifyTheParent)
{
    std::list<CCellData> cells;
    for (int k = 0; k < 18; ++k)
        cells.push_back(CCellData(k < 12 ? k : -1, k % 6, k / 6, "c" + std::to_string(k)));
    m_grid.SetCells(cells, 6, TRUE);

    Press(Qt::LeftButton, 50, 30);  // cell 0
    Press(Qt::LeftButton, 150, 50);  // cell 7
    EXPECT_EQ(std::vector<int>{7}, Marked());
    Press(Qt::LeftButton, 150, 50);
    EXPECT_EQ(std::vector<int>{7}, Marked());
    EXPECT_EQ(7, CGridCtrl::SelectedId());
    Press(Qt::LeftButton, 100, 50);  // on a line: nothing
    Press(Qt::RightButton, 50, 130);  // cell 5, selection kept
    EXPECT_EQ(std::vector<int>{7}, Marked());
    Press(Qt::LeftButton, 250, 30);  // a cell with id -1 clears the selection
    EXPECT_TRUE(Marked().empty());
    EXPECT_EQ(-1, CGridCtrl::SelectedId());

    const std::vector<NotifyRecorder::Notice>& n = m_parent.notices;
    ASSERT_EQ(5u, n.size());
    const UINT codes[] = {NM_CLICK, NM_CLICK, NM_CLICK, NM_RCLICK, NM_CLICK};
    const int ids[] = {0, 7, 7, 5, -1};
    for (size_t k = 0; k < n.size(); ++k) {
        EXPECT_EQ(codes[k], n[k].code) << k;
        EXPECT_EQ(ids[k], n[k].id) << k;
    }
    EXPECT_EQ(1, n[1].row);
    EXPECT_EQ(1, n[1].col);
    EXPECT_TRUE(n[1].selected);
    EXPECT_EQ(2, n[4].col);
    EXPECT_FALSE(n[4].selected);
}

}  // namespace
