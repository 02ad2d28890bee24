#pragma once

#include <chrono>
#include <functional>

// Logic that waits for a worker keeps the windows alive through this hook. The Qt
// layer registers one pass of its event loop at start-up; without a hook a pass
// does nothing, which suits tests and the command line.
using TProcessMessagesHook = std::function<void()>;

// Installs the hook (an empty function removes it); returns the previous one.
TProcessMessagesHook SetProcessMessagesHook(TProcessMessagesHook hook);

// Runs one pass of the registered hook. Call it from the GUI thread only.
void ProcessMessages();

// How often loops and waits of the GUI thread serve the message loop.
inline constexpr std::chrono::milliseconds MessageInterval{5};

// Time left until the next pass is due: MessageInterval after the last one.
std::chrono::milliseconds TimeToMessagePass();

// Runs one pass when it is due: for loops over many small items, which would spend
// more time in the message loop than on the items if they ran one pass each.
void ProcessMessagesWhenDue();
