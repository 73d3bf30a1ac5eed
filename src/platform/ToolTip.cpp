#include "platform/ToolTip.h"

#include "platform/Window.h"

bool CToolTipCtrl::Create(CWnd* owner)
{
    m_owner = owner != nullptr ? owner->GetSafeHwnd() : nullptr;
    return m_owner != nullptr;
}

bool CToolTipCtrl::MakeTopmost() { return m_owner != nullptr; }

bool CToolTipCtrl::Activate(bool active)
{
    m_active = active;
    return m_owner != nullptr;
}

bool CToolTipCtrl::AddTool(CWnd* control, const char* text)
{
    if (!m_owner || !m_active || control == nullptr || control->GetSafeHwnd() == nullptr || text == nullptr)
        return false;
    control->GetSafeHwnd()->setToolTip(QString::fromLatin1(text));
    return true;
}
