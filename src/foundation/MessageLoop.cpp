#include "foundation/MessageLoop.h"

#include <algorithm>
#include <utility>

namespace {

TProcessMessagesHook& Hook()
{
    static TProcessMessagesHook hook;
    return hook;
}

using TClock = std::chrono::steady_clock;

// Only the GUI thread runs passes; a thread of its own keeps its own schedule.
thread_local TClock::time_point lastPass{};

} // namespace

TProcessMessagesHook SetProcessMessagesHook(TProcessMessagesHook hook)
{
    return std::exchange(Hook(), std::move(hook));
}

void ProcessMessages()
{
    lastPass = TClock::now();
    // Copy first: a pass may replace the hook.
    if (const TProcessMessagesHook hook = Hook()) {
        hook();
    }
}

std::chrono::milliseconds TimeToMessagePass()
{
    const auto left = lastPass + MessageInterval - TClock::now();
    return std::chrono::ceil<std::chrono::milliseconds>(std::max<TClock::duration>(left, TClock::duration::zero()));
}

void ProcessMessagesWhenDue()
{
    if (TClock::now() - lastPass >= MessageInterval) {
        ProcessMessages();
    }
}
