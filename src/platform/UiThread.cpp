#include "platform/UiThread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <QTimer>
#include <future>

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

namespace {

// A call carried to the user-interface thread. Qt hands posted events over
// under its own lock, which ThreadSanitizer cannot see (Qt is not built for
// it): the call is marked as handed over once it is whole, and taken over
// before it runs, so that the hand-off is seen.
class Call : public QEvent {
public:
    static inline const QEvent::Type kType = UiCallEvent();

    explicit Call(std::function<void()> fn) : QEvent(kType), m_fn(std::move(fn))
    {
#if defined(__SANITIZE_THREAD__)
        __tsan_release(this);
#endif
    }
    void Run() { m_fn(); }

private:
    std::function<void()> m_fn;
};

// Runs the posted calls; it lives on the user-interface thread.
class CallRunner : public QObject {
public:
    bool event(QEvent* event) override
    {
        TakeOverPostedEvent(event);
        if (event->type() != Call::kType)
            return QObject::event(event);
        static_cast<Call*>(event)->Run();
        return true;
    }
};

void Post(std::function<void()> fn)
{
    static CallRunner* runner = [] {
        auto* created = new CallRunner;
        created->moveToThread(QCoreApplication::instance()->thread());
        return created;
    }();
    QCoreApplication::postEvent(runner, new Call(std::move(fn)));
}

// Repaints fed by worker threads come at most this often per window, as the
// fastest read-out refresh does: more would only load the user interface.
constexpr int kRepaintSpacingMs = 20;

}  // namespace

void TakeOverPostedEvent([[maybe_unused]] QEvent* event)
{
#if defined(__SANITIZE_THREAD__)
    __tsan_acquire(event);
#endif
}

QEvent::Type UiCallEvent()
{
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    return type;
}

bool IsUiThread()
{
    QCoreApplication* app = QCoreApplication::instance();
    return app == nullptr || QThread::currentThread() == app->thread();
}

void RunOnUiThread(std::function<void()> fn, bool wait)
{
    if (IsUiThread()) {
        fn();
        return;
    }
    if (!wait) {
        Post(std::move(fn));
        return;
    }
    std::promise<void> done;
    Post([&] {
        fn();
        done.set_value();
    });
    done.get_future().wait();
}

void PostOnce(std::atomic<bool>& pending, QWidget* widget, std::function<void()> fn)
{
    if (widget == nullptr || pending.exchange(true))
        return;
    RunOnUiThread([&pending, window = QPointer<QWidget>(widget), fn = std::move(fn)] {
        if (!window)
            return;  // its owner, and the flag with it, may be gone
        // Cleared first: a request made while fn runs posts the next call.
        pending = false;
        fn();
    });
}

CoalescedRepaint::CoalescedRepaint(QWidget* widget) : m_widget(widget) {}

void CoalescedRepaint::Request()
{
    if (IsUiThread()) {
        if (m_widget)
            m_widget->update();
        return;
    }
    if (m_pending->exchange(true))
        return;
    RunOnUiThread([widget = m_widget, pending = m_pending] {
        if (!widget)
            return;  // gone: nothing will ever paint it again
        QTimer::singleShot(kRepaintSpacingMs, widget, [widget, pending] {
            // Cleared first: a change made while this paints asks for the next repaint.
            pending->store(false);
            widget->repaint();
        });
    });
}
