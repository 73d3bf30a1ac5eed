#include "platform/Menu.h"

#include <QMenu>

#include "platform/DialogTemplate.h"
#include "platform/Window.h"

namespace {

QString Latin1(const std::string& text) { return QString::fromLatin1(text.data(), qsizetype(text.size())); }

PopupMenuHandler& PopupHandler()
{
    static PopupMenuHandler handler;
    return handler;
}

}  // namespace

CMenu::~CMenu() { DestroyMenu(); }

void CMenu::CreateEmpty()
{
    DestroyMenu();
    m_menu = new QMenu();
}

BOOL CMenu::LoadMenu(int id)
{
    const MenuTemplate* tpl = FindMenuTemplate(id);
    if (tpl == nullptr)
        return FALSE;
    CreateEmpty();
    // Depth first, each popup under the menu that holds it.
    std::function<void(QMenu*, const std::vector<MenuItemTemplate>&)> fill =
        [&](QMenu* menu, const std::vector<MenuItemTemplate>& items) {
            for (const MenuItemTemplate& item : items) {
                if (!item.items.empty())
                    fill(menu->addMenu(Latin1(item.text)), item.items);
                else if (item.text.empty())
                    menu->addSeparator();
                else
                    AddCommand(menu, item.id, item.text);
            }
        };
    fill(m_menu, tpl->items);
    return TRUE;
}

BOOL CMenu::CreatePopupMenu()
{
    CreateEmpty();
    return TRUE;
}

BOOL CMenu::DestroyMenu()
{
    if (!m_menu)
        return FALSE;
    delete m_menu.data();
    return TRUE;
}

BOOL CMenu::AppendMenu(UINT flags, UINT_PTR id, const std::string& text)
{
    if (!m_menu)
        CreateEmpty();
    if (flags & MF_SEPARATOR)
        m_menu->addSeparator();
    else
        AddCommand(m_menu, int(id), text)->setEnabled(!(flags & (MF_GRAYED | MF_DISABLED)));
    return TRUE;
}

BOOL CMenu::AppendMenu(UINT flags, CMenu& popup, const std::string& text)
{
    if (!(flags & MF_POPUP) || !popup.m_menu)
        return FALSE;
    if (!m_menu)
        CreateEmpty();
    popup.m_menu->setTitle(Latin1(text));
    popup.m_menu->setParent(m_menu, popup.m_menu->windowFlags());
    m_menu->addMenu(popup.m_menu);
    return TRUE;
}

BOOL CMenu::TrackPopupMenu(UINT, int x, int y, CWnd* owner)
{
    if (!m_menu)
        return FALSE;
    UINT id = 0;
    if (PopupHandler()) {
        id = PopupHandler()(m_menu);
    } else if (QAction* picked = m_menu->exec(QPoint(x, y))) {
        id = picked->data().toUInt();
    }
    if (id != 0 && owner != nullptr)
        owner->OnCommand(MAKEWPARAM(WORD(id), 0), 0);
    return TRUE;
}

void SetPopupMenuHandler(PopupMenuHandler handler) { PopupHandler() = std::move(handler); }

QAction* CMenu::AddCommand(QMenu* menu, int id, const std::string& text)
{
    QAction* action = menu->addAction(Latin1(text));
    action->setData(id);
    QObject::connect(action, &QAction::triggered, m_menu, [this, id] { OnItem(id); });
    return action;
}

void CMenu::OnItem(int id)
{
    if (m_owner == nullptr)
        return;
    if (m_system)
        m_owner->OnSysCommand(UINT(id), 0);
    else
        m_owner->OnCommand(MAKEWPARAM(WORD(id), 0), 0);
}

QAction* CMenu::FindItem(UINT id) const
{
    if (!m_menu)
        return nullptr;
    for (QAction* action : m_menu->findChildren<QAction*>()) {
        if (!action->isSeparator() && action->menu() == nullptr && action->data().isValid()
            && action->data().toUInt() == id)
            return action;
    }
    return nullptr;
}

UINT CMenu::GetMenuState(UINT id, UINT) const
{
    QAction* item = FindItem(id);
    if (item == nullptr)
        return MF_NOITEM;
    return (item->isEnabled() ? MF_ENABLED : MF_GRAYED) | (item->isChecked() ? MF_CHECKED : MF_UNCHECKED);
}

UINT CMenu::EnableMenuItem(UINT id, UINT enable)
{
    QAction* item = FindItem(id);
    if (item == nullptr)
        return MF_NOITEM;
    const UINT previous = item->isEnabled() ? MF_ENABLED : MF_GRAYED;
    item->setEnabled(!(enable & (MF_GRAYED | MF_DISABLED)));
    return previous;
}

UINT CMenu::CheckMenuItem(UINT id, UINT check)
{
    QAction* item = FindItem(id);
    if (item == nullptr)
        return MF_NOITEM;
    const UINT previous = item->isChecked() ? MF_CHECKED : MF_UNCHECKED;
    item->setCheckable(true);
    item->setChecked((check & MF_CHECKED) != 0);
    return previous;
}
