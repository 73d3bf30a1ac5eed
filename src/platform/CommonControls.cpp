#include "platform/CommonControls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QTabBar>
#include <QSlider>
#include <algorithm>

#include "platform/Dialog.h"

void CIconButton::SetIcon(HICON icon)
{
    m_icon = icon;
    auto* button = qobject_cast<QAbstractButton*>(m_hWnd.data());
    if (button == nullptr || icon == nullptr)
        return;
    button->setText(QString());
    button->setIcon(QIcon(*icon));
    button->setIconSize(icon->size());
}

void CSliderCtrl::Attach(QWidget* widget)
{
    CWnd::Attach(widget);
    auto* slider = qobject_cast<QSlider*>(widget);
    if (slider == nullptr)
        return;
    m_pos = slider->value();
    QObject::connect(slider, &QSlider::valueChanged, slider, [this](int value) { m_pos = value; });
}

void CSliderCtrl::SetRange(int min, int max)
{
    m_min = min;
    m_max = max;
    if (auto* slider = qobject_cast<QSlider*>(m_hWnd.data()))
        slider->setRange(min, max);
}

void CSliderCtrl::SetPos(int pos)
{
    m_pos = std::clamp(pos, m_min.load(), m_max.load());
    if (auto* slider = qobject_cast<QSlider*>(m_hWnd.data()))
        slider->setValue(pos);
}

void DDX_Control(CDataExchange* dx, int id, CSliderCtrl& control)
{
    if (CWnd* item = dx->Dialog()->GetDlgItem(id))
        control.Attach(item->GetSafeHwnd());
}

namespace {

QString Latin1(const std::string& text) { return QString::fromLatin1(text.data(), qsizetype(text.size())); }

// Changes the program makes to a tab row send no notification.
template <typename Change>
auto Quietly(QTabBar* tabs, Change change)
{
    tabs->setProperty("kvxQuiet", true);
    auto result = change();
    tabs->setProperty("kvxQuiet", false);
    return result;
}

int IntProperty(const QWidget* widget, const char* name)
{
    return widget != nullptr ? widget->property(name).toInt() : 0;
}

}  // namespace

void CScrollBar::SetScrollRange(int min, int max, BOOL)
{
    if (!m_hWnd)
        return;
    m_hWnd->setProperty("kvxScrollMin", min);
    m_hWnd->setProperty("kvxScrollMax", max);
    SetScrollPos(GetScrollPos());
}

void CScrollBar::GetScrollRange(int* min, int* max) const
{
    *min = IntProperty(m_hWnd, "kvxScrollMin");
    *max = IntProperty(m_hWnd, "kvxScrollMax");
}

int CScrollBar::SetScrollPos(int pos, BOOL)
{
    if (!m_hWnd)
        return 0;
    int min = 0;
    int max = 0;
    GetScrollRange(&min, &max);
    const int previous = GetScrollPos();
    m_hWnd->setProperty("kvxScrollPos", std::clamp(pos, min, std::max(min, max)));
    return previous;
}

int CScrollBar::GetScrollPos() const { return IntProperty(m_hWnd, "kvxScrollPos"); }

int CComboBox::AddString(const std::string& text) { return InsertString(-1, text); }

int CComboBox::InsertString(int index, const std::string& text)
{
    auto* combo = qobject_cast<QComboBox*>(m_hWnd.data());
    if (combo == nullptr || index > combo->count())
        return CB_ERR;
    if (index < 0)
        index = combo->count();
    combo->insertItem(index, Latin1(text));
    // A list keeps no selection of its own until one is set.
    if (combo->count() == 1 && !combo->isEditable())
        combo->setCurrentIndex(-1);
    return index;
}

int CComboBox::DeleteString(int index)
{
    auto* combo = qobject_cast<QComboBox*>(m_hWnd.data());
    if (combo == nullptr || index < 0 || index >= combo->count())
        return CB_ERR;
    combo->removeItem(index);
    return combo->count();
}

void CComboBox::ResetContent()
{
    if (auto* combo = qobject_cast<QComboBox*>(m_hWnd.data()))
        combo->clear();
}

int CComboBox::GetCount() const
{
    auto* combo = qobject_cast<QComboBox*>(m_hWnd.data());
    return combo != nullptr ? combo->count() : 0;
}

int CComboBox::GetCurSel() const
{
    auto* combo = qobject_cast<QComboBox*>(m_hWnd.data());
    if (combo == nullptr || combo->currentIndex() < 0)
        return CB_ERR;
    // Typing into an editable combo leaves no item selected.
    if (combo->isEditable() && combo->currentText() != combo->itemText(combo->currentIndex()))
        return CB_ERR;
    return combo->currentIndex();
}

int CComboBox::SetCurSel(int index)
{
    auto* combo = qobject_cast<QComboBox*>(m_hWnd.data());
    if (combo == nullptr)
        return CB_ERR;
    if (index < 0 || index >= combo->count()) {
        combo->setCurrentIndex(-1);
        return CB_ERR;
    }
    combo->setCurrentIndex(index);
    return index;
}

std::string CComboBox::GetLBText(int index) const
{
    auto* combo = qobject_cast<QComboBox*>(m_hWnd.data());
    if (combo == nullptr || index < 0 || index >= combo->count())
        return "";
    return combo->itemText(index).toLatin1().toStdString();
}

int CComboBox::Find(int start, const std::string& text, bool prefix) const
{
    const int count = GetCount();
    const QString wanted = Latin1(text);
    for (int step = 1; step <= count; ++step) {
        const int index = ((start < 0 ? -1 : start) + step) % count;
        const QString item = Latin1(GetLBText(index));
        const bool match = prefix ? item.startsWith(wanted, Qt::CaseInsensitive)
                                  : item.compare(wanted, Qt::CaseInsensitive) == 0;
        if (match)
            return index;
    }
    return CB_ERR;
}

int CComboBox::FindStringExact(int start, const std::string& text) const { return Find(start, text, false); }

int CComboBox::SelectString(int start, const std::string& text)
{
    const int index = Find(start, text, true);
    return index == CB_ERR ? CB_ERR : SetCurSel(index);
}

int CComboBox::SetItemData(int index, DWORD_PTR data)
{
    auto* combo = qobject_cast<QComboBox*>(m_hWnd.data());
    if (combo == nullptr || index < 0 || index >= combo->count())
        return CB_ERR;
    combo->setItemData(index, QVariant::fromValue<quint64>(data));
    return 0;
}

DWORD_PTR CComboBox::GetItemData(int index) const
{
    auto* combo = qobject_cast<QComboBox*>(m_hWnd.data());
    if (combo == nullptr || index < 0 || index >= combo->count())
        return DWORD_PTR(CB_ERR);
    return DWORD_PTR(combo->itemData(index).toULongLong());
}

int CTabCtrl::InsertItem(int index, const std::string& text)
{
    auto* tabs = qobject_cast<QTabBar*>(m_hWnd.data());
    if (tabs == nullptr || index < 0)
        return -1;
    return Quietly(tabs, [&] { return tabs->insertTab(std::min(index, tabs->count()), Latin1(text)); });
}

BOOL CTabCtrl::DeleteAllItems()
{
    auto* tabs = qobject_cast<QTabBar*>(m_hWnd.data());
    if (tabs == nullptr)
        return FALSE;
    return Quietly(tabs, [tabs] {
        while (tabs->count() > 0)
            tabs->removeTab(0);
        return TRUE;
    });
}

int CTabCtrl::GetItemCount() const
{
    auto* tabs = qobject_cast<QTabBar*>(m_hWnd.data());
    return tabs != nullptr ? tabs->count() : 0;
}

int CTabCtrl::GetCurSel() const
{
    auto* tabs = qobject_cast<QTabBar*>(m_hWnd.data());
    return tabs != nullptr ? tabs->currentIndex() : -1;
}

int CTabCtrl::SetCurSel(int index)
{
    auto* tabs = qobject_cast<QTabBar*>(m_hWnd.data());
    if (tabs == nullptr || index < 0 || index >= tabs->count())
        return -1;
    const int previous = tabs->currentIndex();
    Quietly(tabs, [&] {
        tabs->setCurrentIndex(index);
        return 0;
    });
    return previous;
}
