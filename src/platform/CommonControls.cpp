#include "platform/CommonControls.h"

#include <QAbstractButton>
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
