#pragma once
// The small modal colour chooser of the display options: twenty cells of
// the palette; a double click on one picks its colour.
#include <QPointer>
#include <QWidget>

#include "platform/Dialog.h"
#include "toolkit/ColorStaticST.h"

class CColorPen : public CDialog {
public:
    static constexpr int kCells = 20;
    static constexpr UINT_PTR kFocusTimer = 404;

    // index: the caller's palette index, shown marked and replaced on OK.
    CColorPen(int* index, CWnd* parent);

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnTimer(UINT_PTR id) override;

    // The palette index behind each cell, in the cells' order.
    static const int kCellPalette[kCells];

private:
    void OnCellDoubleClick(int cell);
    void ArmFocusTimer();

    int m_nCurrent;
    CColorStaticST m_cells[kCells];
    bool m_bFocusTimer = false;
    int* m_pIndex;
    QPointer<QWidget> m_pFocusMark;
};
