#include "toolkit/ResizableDialog.h"

CResizableDialog::CResizableDialog(int templateId, CWnd* parent) : CDialog(templateId, parent) {}

void CResizableDialog::Attach(QWidget* widget)
{
    CDialog::Attach(widget);
    // Records of an earlier window of this dialog went with it.
    RemoveAllAnchors();
    m_dwGripTempState = 1;
    if (widget == nullptr)
        return;
    const bool child = !widget->isWindow();
    if (!child) {
        // Qt's limits leave the frame out, so the initial client size is
        // the minimum, whatever frame the desktop draws.
        const RECT client = GetClientRect();
        SetMinTrackSize(QSize(client.right, client.bottom));
        widget->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        ApplyLimits();
    }
    CreateSizeGrip(!child, TRUE);
}

// A menu bar set after creation lies inside the Qt window: it adds to the
// minimum as the menu adds to the platform's window size.
void CResizableDialog::ApplyLimits()
{
    QWidget* window = GetSafeHwnd();
    const RECT client = GetClientRect();
    ApplyMinMax(window, QSize(window->width() - client.right, window->height() - client.bottom));
}

void CResizableDialog::OnSize(int width, int height)
{
    CDialog::OnSize(width, height);
    QWidget* window = GetSafeHwnd();
    if (window == nullptr)
        return;
    if (window->isMaximized())
        HideSizeGrip(&m_dwGripTempState);
    else
        ShowSizeGrip(&m_dwGripTempState);
    ApplyLimits();
    UpdateSizeGrip();
    ArrangeLayout();
}
