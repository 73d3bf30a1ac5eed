#pragma once
#include <QPointer>
#include <QSizeGrip>

#include "platform/Types.h"

class CWnd;

// The size grip in the bottom-right corner of a resizable window.
class CResizableGrip {
public:
    // The grip control: dragging it sizes the window; as a triangle, the
    // controls beneath its upper-left half stay reachable.
    class CSizeGrip : public QSizeGrip {
    public:
        explicit CSizeGrip(QWidget* parent);

        // The scroll bar sizes of the desktop's style.
        void UpdateSize();
        void SetTriangularShape(bool enable);

        QSize m_size;
        bool m_bTriangular = false;
        int m_nShowCount = 0;  // reasons to be shown

    protected:
        void changeEvent(QEvent* event) override;
    };

    CResizableGrip() = default;
    virtual ~CResizableGrip();
    CResizableGrip(const CResizableGrip&) = delete;
    CResizableGrip& operator=(const CResizableGrip&) = delete;

    virtual const CWnd* GetResizableWnd() const = 0;

protected:
    BOOL CreateSizeGrip(BOOL visible, BOOL triangular);
    // Places the grip in the corner, on top, shown while some reason wants it.
    void UpdateSizeGrip();
    BOOL IsSizeGripVisible() const;
    // Visibility over independent reasons: each reason is a bit of *status.
    void ShowSizeGrip(DWORD* status, DWORD mask = 1);
    void HideSizeGrip(DWORD* status, DWORD mask = 1);

private:
    QPointer<CSizeGrip> m_wndGrip;
};
