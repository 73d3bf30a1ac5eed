#pragma once
#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>

// Worker threads never touch a window: calls that reach the user interface
// from another thread are carried to the user-interface thread.

bool IsUiThread();

// The event that carries a call to the user-interface thread (tests count them).
QEvent::Type UiCallEvent();
// Application-wide event filters see those calls before they run: they take
// the call over first, so that ThreadSanitizer sees the hand-off.
void TakeOverPostedEvent(QEvent* event);

// Runs fn on the user-interface thread: at once when already there; otherwise
// queued, and when wait is true the caller blocks until fn has run.
void RunOnUiThread(std::function<void()> fn, bool wait = false);

// Runs fn on the user-interface thread, unless a call posted with the same
// flag still waits there: at most one waits per flag, whatever the rate of
// the requests, and it serves them all. Nothing runs once widget is gone.
void PostOnce(std::atomic<bool>& pending, QWidget* widget, std::function<void()> fn);

// The repaints of a window that worker threads change, which keeps what it
// shows under its own lock: at most one waits on the user-interface thread,
// whatever the rate of the changes, and it paints the latest values.
class CoalescedRepaint {
public:
    explicit CoalescedRepaint(QWidget* widget);
    // Any thread.
    void Request();

private:
    QPointer<QWidget> m_widget;
    // Shared with the queued repaint, which may outlive this object.
    std::shared_ptr<std::atomic<bool>> m_pending = std::make_shared<std::atomic<bool>>(false);
};
