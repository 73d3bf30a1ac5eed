#pragma once
#include <QMenu>
#include <QPointer>
#include <functional>
#include <string>

#include "platform/Types.h"

class CWnd;

// Menu item flags and states (items are always found by command id).
constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_ENABLED = 0x0000;
constexpr UINT MF_UNCHECKED = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_SEPARATOR = 0x0800;
constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;
// What the item operations return for an id that no item carries.
constexpr UINT MF_NOITEM = 0xFFFFFFFF;

// A menu: the menu bar of a window (loaded from a menu template), a
// window's system menu or a popup menu. Its commands go to the window it is
// set on, or that tracks it: to OnCommand, or to OnSysCommand for the system
// menu.
class CMenu {
public:
    CMenu() = default;
    ~CMenu();
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    BOOL LoadMenu(int id);
    BOOL CreatePopupMenu();
    BOOL DestroyMenu();
    // MF_STRING with an id and a text, or MF_SEPARATOR.
    BOOL AppendMenu(UINT flags, UINT_PTR id = 0, const std::string& text = "");
    // MF_POPUP: the popup becomes a submenu of this menu, which then owns it.
    BOOL AppendMenu(UINT flags, CMenu& popup, const std::string& text);
    // Shows the popup at (x, y) in screen coordinates until the user picks
    // an item or dismisses it; the item's command then goes to owner.
    BOOL TrackPopupMenu(UINT flags, int x, int y, CWnd* owner);
    // Each returns the item's previous state, MF_NOITEM when there is no such item.
    UINT EnableMenuItem(UINT id, UINT enable);
    UINT CheckMenuItem(UINT id, UINT check);
    UINT GetMenuState(UINT id, UINT flags) const;

    QMenu* Handle() const { return m_menu; }

private:
    friend class CWnd;
    void CreateEmpty();
    QAction* AddCommand(QMenu* menu, int id, const std::string& text);
    QAction* FindItem(UINT id) const;
    void OnItem(int id);

    QPointer<QMenu> m_menu;
    CWnd* m_owner = nullptr;
    bool m_system = false;
};

// Tests pick a popup menu's item instead of showing it: the handler gets the
// menu and returns the command id picked, 0 to dismiss it.
using PopupMenuHandler = std::function<UINT(QMenu* menu)>;
void SetPopupMenuHandler(PopupMenuHandler handler);
