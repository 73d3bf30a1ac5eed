#pragma once
#include <QPointer>
#include <QWidget>
#include <map>
#include <memory>
#include <string>

#include "platform/Types.h"

class CMenu;
class QPixmap;
class QTimer;
class CScrollBar;

using HICON = const QPixmap*;

// Notification codes, in the high word of a command's wParam.
constexpr WORD BN_CLICKED = 0;
constexpr WORD CBN_SELCHANGE = 1;
constexpr WORD EN_KILLFOCUS = 0x0200;
constexpr WORD EN_CHANGE = 0x0300;

// Scroll codes of OnVScroll.
constexpr UINT SB_LINEUP = 0;
constexpr UINT SB_LINEDOWN = 1;
constexpr UINT SB_THUMBPOSITION = 4;
constexpr UINT SB_ENDSCROLL = 8;

// Check states of buttons.
constexpr int BST_UNCHECKED = 0;
constexpr int BST_CHECKED = 1;

// The header of a notification that OnNotify receives through its lParam.
struct NMHDR {
    QWidget* hwndFrom;
    UINT_PTR idFrom;
    UINT code;
};
constexpr UINT TCN_SELCHANGE = UINT(-551);

constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_RESTORE = 9;

// Window styles as creators pass them.
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_VISIBLE = 0x10000000;

constexpr int FW_LIGHT = 300;
constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;
constexpr int FW_HEAVY = 900;

// A font by face, height and weight. A negative height is the character
// height in pixels, a positive one the cell height. A width above 0 is the
// average character width in pixels: the face is stretched to it.
class CFont {
public:
    void CreateFont(int height, int weight, const std::string& face);
    void CreateFont(int height, int width, int weight, const std::string& face);
    bool IsCreated() const { return m_created; }
    QFont ToQFont() const;

private:
    bool m_created = false;
    int m_height = 0;
    int m_width = 0;
    int m_weight = FW_NORMAL;
    std::string m_face;
};

// A window: a Qt widget reached by the program's code through this wrapper.
// Child controls are found by their control id.
class CWnd {
public:
    CWnd();
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    QWidget* GetSafeHwnd() const { return m_hWnd; }
    // Controls that take over a template control's look override this.
    virtual void Attach(QWidget* widget);
    bool IsWindow() const { return m_hWnd != nullptr; }

    // The child control with this id, or null when there is none.
    CWnd* GetDlgItem(int id);
    int GetDlgCtrlID() const;

    void SetWindowText(const std::string& text);
    std::string GetWindowText() const;
    void SetDlgItemText(int id, const std::string& text);
    // At most maxCount - 1 characters, as a fixed buffer would hold.
    std::string GetDlgItemText(int id, int maxCount) const;

    void ShowWindow(int command);
    bool IsWindowVisible() const;
    bool IsIconic() const;
    void EnableWindow(bool enable);
    void SetFocus();
    // The control with the keyboard focus, null when none; compare by GetDlgCtrlID.
    static CWnd* GetFocus();
    void CheckDlgButton(int id, int check);
    int IsDlgButtonChecked(int id) const;
    void SetFont(const CFont* font, bool redraw = true);
    RECT GetWindowRect() const;
    RECT GetClientRect() const;
    // From screen coordinates to this window's client coordinates.
    void ScreenToClient(RECT& rect) const;
    void MoveWindow(const RECT& rect);

    // Window timers by id; OnTimer runs on the user-interface thread.
    UINT_PTR SetTimer(UINT_PTR id, UINT milliseconds);
    BOOL KillTimer(UINT_PTR id);
    virtual void OnTimer(UINT_PTR id);

    // A command: the low word of wParam is the control or menu id.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // A notification from a control (lParam points to its NMHDR).
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
    // A spin step; bar->GetScrollPos() tells the spins apart.
    virtual void OnVScroll(UINT code, UINT pos, CScrollBar* bar);
    // The menu bar: the window keeps a pointer to the menu it is given.
    CMenu* GetMenu() const { return m_menu; }
    BOOL SetMenu(CMenu* menu);
    // Items appended to it reach OnSysCommand; null without a system menu.
    CMenu* GetSystemMenu(BOOL revert);
    virtual void OnSysCommand(UINT id, LPARAM lParam);
    // Queued to the user-interface thread, as a posted command message.
    void PostCommand(int id);

    virtual void OnSize(int width, int height);
    virtual void OnMove(int x, int y);

protected:
    QPointer<QWidget> m_hWnd;

private:
    QWidget* FindChild(int id) const;

    std::map<int, std::unique_ptr<CWnd>> m_children;
    CMenu* m_menu = nullptr;
    std::unique_ptr<CMenu> m_systemMenu;
    std::map<UINT_PTR, QPointer<QTimer>> m_timers;
};

// Control wrappers bound to template controls by id.
class CStatic : public CWnd {
public:
    // An icon static shows the icon in place of its text.
    void SetIcon(HICON icon);
};
class CButton : public CWnd {
public:
    // BST_CHECKED or BST_UNCHECKED; a push button is never checked.
    int GetCheck() const;
    // Unchecking a radio may leave its group with none checked.
    void SetCheck(int check);
};
class CEdit : public CWnd {
public:
    // Selects and keeps the caret in view.
    void SetSel(int start, int end);
    // Limits typing and pasting; text the program sets stays whole.
    void SetLimitText(UINT maxChars);
};

// Pixels above a window's client area that its menu bar takes.
int ClientTopOf(const QWidget* window);

// The control id of a widget built from a template, 0 when none.
int ControlIdOf(const QWidget* widget);
void SetControlId(QWidget* widget, int id);
// The window that a template control reports to (its dialog), null when none.
CWnd* ControlOwnerOf(const QWidget* widget);
void SetControlOwner(QWidget* widget, CWnd* owner);
