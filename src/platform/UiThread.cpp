#include "platform/UiThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

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
