#include "display/BigData.h"

#include <QIcon>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>

#include "core/Settings.h"
#include "core/VarnoLogger_KVXApp.h"
#include "display/BigDepth.h"
#include "platform/Placement.h"
#include "res/Icons.h"
#include "res/Resource.h"

int TruncatedValue(double value)
{
    if (std::isnan(value))
        return 0;
    const double limited = std::clamp(value, double(INT_MIN), double(INT_MAX));
    return int(std::trunc(limited));
}

std::string BigDataFormat(int decimals)
{
    char format[32];
    std::snprintf(format, sizeof format, "%%###.%df", decimals);
    return format;
}

CBigData::CBigData() : CResizableDialog(IDD_BIG_DATA, nullptr) {}

void CBigData::DoDataExchange(CDataExchange* dx)
{
    CResizableDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_BIG_DATA_TITLE, m_stTitle);
    DDX_Control(dx, IDC_FAST_UPDATE, m_chkFastUpdate);
}

BOOL CBigData::OnInitDialog()
{
    CResizableDialog::OnInitDialog();
    GetSafeHwnd()->setWindowIcon(QIcon(*LoadIconById(IDI_BIG_DATA, 16)));
    SetWindowText("");
    if (CreateReadoutOver(*this, IDC_BIG_DATA_READOUT, m_Readout))
        AddAnchor(m_Readout.GetSafeHwnd(), TOP_LEFT, BOTTOM_RIGHT);
    m_fontTitle.CreateFont(30, 10, FW_BOLD, "Arial");
    m_stTitle.SetFont(&m_fontTitle);
    AddAnchor(m_chkFastUpdate.GetSafeHwnd(), BOTTOM_RIGHT, BOTTOM_RIGHT);
    ArrangeLayout();
    return TRUE;
}

// The read-out starts a blank surface at its new size: without a new value
// (a paused replay) it would stay blank.
void CBigData::OnSize(int width, int height)
{
    CResizableDialog::OnSize(width, height);
    m_Readout.Refresh();
}

BOOL CBigData::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) != IDC_FAST_UPDATE)
        return CResizableDialog::OnCommand(wParam, lParam);
    const bool fast = m_chkFastUpdate.GetCheck() == BST_CHECKED;
    m_Readout.SetRefreshRate(fast ? kFastRefreshCode : kSlowRefreshCode);
    return TRUE;
}

void CBigData::SetTitle(const std::string& text, bool reset)
{
    m_strTitle = text;
    m_stTitle.SetWindowText(text);
    if (!reset)
        return;
    m_Readout.SetValue(0);
    m_Readout.Refresh();
}

void CBigData::SetValue(int value) { m_Readout.SetValue(value); }

void CBigData::SetValue(double value, int decimals)
{
    if (decimals <= 0) {
        m_Readout.SetValue(TruncatedValue(value));
        return;
    }
    m_Readout.SetValue(value, BigDataFormat(decimals).c_str());
}

void CBigData::ShowAtStoredPlacement()
{
    SetWindowPlacement(*this, theApp.m_pPlacementStore->placements[kPlacementValueWindowFirst + m_nIndex]);
    ShowWindow(SW_SHOW);
}

// A window that is not open keeps the placement it stored when it was
// closed: a hidden window's geometry is not where the operator left it.
void CBigData::OnCancel()
{
    if (!IsWindowVisible())
        return;
    theApp.m_pPlacementStore->placements[kPlacementValueWindowFirst + m_nIndex] = GetWindowPlacement(*this);
    ShowWindow(SW_HIDE);
}
