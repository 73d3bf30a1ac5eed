#include "setup/ColorPen.h"

#include <QPainter>

#include "core/Palette.h"
#include "platform/DoubleClick.h"
#include "platform/WindowEvents.h"
#include "res/Resource.h"

const int CColorPen::kCellPalette[kCells] = {16, 3, 15, 6, 21, 17, 19, 5, 20, 22,
                                             18, 11, 1, 12, 14, 2, 13, 8, 10, 0};

namespace {

// A dotted frame over the cell of the current colour.
class FocusMark : public QWidget {
public:
    explicit FocusMark(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

}  // namespace

CColorPen::CColorPen(int* index, CWnd* parent) : CDialog(IDD_COLOR_PEN, parent), m_nCurrent(*index), m_pIndex(index) {}

BOOL CColorPen::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (CWnd* ok = GetDlgItem(IDOK))
        ok->ShowWindow(SW_HIDE);
    for (int k = 0; k < kCells; ++k) {
        CWnd* item = GetDlgItem(IDC_PEN_CELLS[k]);
        if (item == nullptr)
            continue;
        m_cells[k].Attach(item->GetSafeHwnd());
        m_cells[k].SetBkColor(PaletteColour(kCellPalette[k]));
        OnDoubleClick(item->GetSafeHwnd(), [this, k] { OnCellDoubleClick(k); });
    }
    // The mark follows each paint of the window.
    OnWindowEvents(GetSafeHwnd(), {QEvent::Paint}, [this] { ArmFocusTimer(); });
    return TRUE;
}

void CColorPen::OnCellDoubleClick(int cell)
{
    GetSafeHwnd()->update();
    m_nCurrent = kCellPalette[cell];
    OnOK();
}

void CColorPen::OnOK()
{
    if (m_nCurrent >= 0 && m_nCurrent < kPaletteSize)
        *m_pIndex = m_nCurrent;
    CDialog::OnOK();
}

void CColorPen::ArmFocusTimer()
{
    if (m_bFocusTimer)
        return;
    m_bFocusTimer = true;
    SetTimer(kFocusTimer, 50);
}

void CColorPen::OnTimer(UINT_PTR id)
{
    if (id != kFocusTimer)
        return;
    KillTimer(kFocusTimer);
    m_bFocusTimer = false;
    for (int k = 0; k < kCells; ++k) {
        if (kCellPalette[k] != m_nCurrent)
            continue;
        QWidget* cell = m_cells[k].GetSafeHwnd();
        if (m_pFocusMark == nullptr || m_pFocusMark->parentWidget() != cell) {
            delete m_pFocusMark.data();
            m_pFocusMark = new FocusMark(cell);
        }
        m_pFocusMark->setGeometry(cell->rect());
        m_pFocusMark->show();
        return;
    }
}
