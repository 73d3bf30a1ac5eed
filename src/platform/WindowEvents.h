#pragma once
#include <QEvent>
#include <functional>
#include <vector>

class QObject;
class QWidget;

// Runs fn on the user-interface thread when the widget receives one of the
// event types (activation, paint...), after which the widget handles the
// event as usual. The returned watcher lives with the widget; delete it to
// stop sooner.
QObject* OnWindowEvents(QWidget* widget, std::vector<QEvent::Type> types, std::function<void()> fn);
