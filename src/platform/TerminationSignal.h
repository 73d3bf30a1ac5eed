#pragma once
#include <functional>

// SIGTERM (log-out, shut-down) and SIGINT (a terminal) run handler on the
// user-interface thread instead of ending the program at once. An empty
// handler gives both signals back their default action.
void OnTerminationSignal(std::function<void()> handler);
