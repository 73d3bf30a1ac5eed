#include "platform/UiThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <QTimer>

namespace {

// Repaints fed by worker threads come at most this often per window, as the
// fastest read-out refresh does: more would only load the user interface.
constexpr int kRepaintSpacingMs = 20;

}  // namespace

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
    QCoreApplication* app = QCoreApplication::instance();
    QMetaObject::invokeMethod(app, std::move(fn),
                              wait ? Qt::BlockingQueuedConnection : Qt::QueuedConnection);
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
