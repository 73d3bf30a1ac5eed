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
        // Qt's minimum is the client size: the frame comes on top, as it
        // does for the initial window.
        SetMinTrackSize(widget->size());
        widget->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        ApplyMinMax(widget);
    }
    CreateSizeGrip(!child, TRUE);
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
    UpdateSizeGrip();
    ArrangeLayout();
}
