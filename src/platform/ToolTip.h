#pragma once
#include <QPointer>
#include <QWidget>

class CWnd;

// The tooltip window of a dialog: one tip per child control.
class CToolTipCtrl {
public:
    bool Create(CWnd* owner);
    bool MakeTopmost();
    bool Activate(bool active);
    // The text must live as long as the dialog: it is not copied.
    bool AddTool(CWnd* control, const char* text);
    bool IsCreated() const { return m_owner != nullptr; }

private:
    QPointer<QWidget> m_owner;
    bool m_active = false;
};
