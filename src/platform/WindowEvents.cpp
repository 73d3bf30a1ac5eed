#include "platform/WindowEvents.h"

#include <QObject>
#include <QWidget>
#include <algorithm>

namespace {

class EventWatcher : public QObject {
public:
    EventWatcher(QWidget* widget, std::vector<QEvent::Type> types, std::function<void()> fn)
        : QObject(widget), m_types(std::move(types)), m_fn(std::move(fn))
    {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (std::find(m_types.begin(), m_types.end(), event->type()) != m_types.end())
            m_fn();
        return false;
    }

private:
    std::vector<QEvent::Type> m_types;
    std::function<void()> m_fn;
};

}  // namespace

QObject* OnWindowEvents(QWidget* widget, std::vector<QEvent::Type> types, std::function<void()> fn)
{
    return new EventWatcher(widget, std::move(types), std::move(fn));
}
