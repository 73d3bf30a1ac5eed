#include "platform/DoubleClick.h"

#include <QEvent>
#include <QMouseEvent>
#include <QObject>
#include <QWidget>

namespace {

class DoubleClickFilter : public QObject {
public:
    DoubleClickFilter(QWidget* widget, std::function<void()> fn) : QObject(widget), m_fn(std::move(fn)) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::MouseButtonDblClick)
            return false;
        if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
            return false;
        m_fn();
        return true;
    }

private:
    std::function<void()> m_fn;
};

}  // namespace

void OnDoubleClick(QWidget* widget, std::function<void()> fn)
{
    if (widget != nullptr)
        widget->installEventFilter(new DoubleClickFilter(widget, std::move(fn)));
}
