#pragma once
#include <functional>

class QWidget;

// Runs fn on the user-interface thread when the left button double-clicks
// inside the widget (a static with notification, or a window's client area).
void OnDoubleClick(QWidget* widget, std::function<void()> fn);
