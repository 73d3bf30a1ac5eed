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

constexpr int CB_ERR = -1;

// A vertical scroll bar used as a spin. The range is empty until set.
class CScrollBar : public CWnd {
public:
    void SetScrollRange(int min, int max, BOOL redraw = TRUE);
    void GetScrollRange(int* min, int* max) const;
    // The previous position; the new one is kept within the range.
    int SetScrollPos(int pos, BOOL redraw = TRUE);
    int GetScrollPos() const;
};

// A combo box: a drop-down list or an editable drop-down. Indexes count from
// 0; CB_ERR when there is no such item or nothing is selected.
class CComboBox : public CWnd {
public:
    int AddString(const std::string& text);
    // index -1 appends.
    int InsertString(int index, const std::string& text);
    // The number of items left.
    int DeleteString(int index);
    void ResetContent();
    int GetCount() const;
    int GetCurSel() const;
    // -1 clears the selection and returns CB_ERR.
    int SetCurSel(int index);
    std::string GetLBText(int index) const;
    // Both search after item start (-1: from the top) and wrap around, ignoring
    // case: the whole text, or a prefix of it for SelectString.
    int FindStringExact(int start, const std::string& text) const;
    int SelectString(int start, const std::string& text);
    int SetItemData(int index, DWORD_PTR data);
    DWORD_PTR GetItemData(int index) const;

private:
    int Find(int start, const std::string& text, bool prefix) const;
};

// A row of tabs; the pages under it are the dialog's own business.
class CTabCtrl : public CWnd {
public:
    int InsertItem(int index, const std::string& text);
    BOOL DeleteAllItems();
    int GetItemCount() const;
    int GetCurSel() const;
    // Sends no TCN_SELCHANGE; the previous selection, or -1.
    int SetCurSel(int index);
};
