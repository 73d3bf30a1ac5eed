#pragma once
#include "platform/Dialog.h"
#include "toolkit/ResizableGrip.h"
#include "toolkit/ResizableLayout.h"
#include "toolkit/ResizableMinMax.h"

// A dialog the user can resize: never smaller than its initial size, a size
// grip in the bottom-right corner (hidden while maximised), and children
// that follow their anchors. Derived dialogs set their menu first, then
// anchor their controls in OnInitDialog, call ArrangeLayout once, and call
// this class's OnSize from their own.
class CResizableDialog : public CDialog, public CResizableLayout, public CResizableGrip, public CResizableMinMax {
public:
    CResizableDialog(int templateId, CWnd* parent);

    const CWnd* GetResizableWnd() const override { return this; }

    // The dialog's window has just been built: make its frame resizable with
    // its size as the minimum, and give it the grip.
    void Attach(QWidget* widget) override;

protected:
    void OnSize(int width, int height) override;

private:
    void ApplyLimits();

    DWORD m_dwGripTempState = 1;  // bit 1: the dialog's own reason to show the grip
};
