#pragma once

#include <functional>

// Logic that waits for a worker keeps the windows alive through this hook. The Qt
// layer registers one pass of its event loop at start-up; without a hook a pass
// does nothing, which suits tests and the command line.
using TProcessMessagesHook = std::function<void()>;

// Installs the hook (an empty function removes it); returns the previous one.
TProcessMessagesHook SetProcessMessagesHook(TProcessMessagesHook hook);

// Runs one pass of the registered hook. Call it from the GUI thread only.
void ProcessMessages();
