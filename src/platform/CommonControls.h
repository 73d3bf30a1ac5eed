#pragma once
#include <atomic>

#include "platform/StatusBar.h"
#include "platform/Window.h"

// A push button that shows an icon instead of its text.
class CIconButton : public CButton {
public:
    void SetIcon(HICON icon);
    HICON GetIcon() const { return m_icon; }

private:
    HICON m_icon = nullptr;
};

// A horizontal trackbar. Its position is mirrored so that a worker thread may read it.
class CSliderCtrl : public CWnd {
public:
    void Attach(QWidget* widget);
    void SetRange(int min, int max);
    int GetRangeMax() const { return m_max; }
    void SetPos(int pos);
    // Safe from any thread.
    int GetPos() const { return m_pos; }

private:
    std::atomic<int> m_min{0};
    std::atomic<int> m_max{100};
    std::atomic<int> m_pos{0};
};

class CDataExchange;
void DDX_Control(CDataExchange* dx, int id, CSliderCtrl& control);
