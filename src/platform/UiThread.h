#pragma once
#include <functional>

// Worker threads never touch a window: calls that reach the user interface
// from another thread are carried to the user-interface thread.

bool IsUiThread();

// Runs fn on the user-interface thread: at once when already there; otherwise
// queued, and when wait is true the caller blocks until fn has run.
void RunOnUiThread(std::function<void()> fn, bool wait = false);
