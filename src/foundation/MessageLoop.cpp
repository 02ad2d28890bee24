#include "foundation/MessageLoop.h"

#include <utility>

namespace {

TProcessMessagesHook& Hook()
{
    static TProcessMessagesHook hook;
    return hook;
}

} // namespace

TProcessMessagesHook SetProcessMessagesHook(TProcessMessagesHook hook)
{
    return std::exchange(Hook(), std::move(hook));
}

void ProcessMessages()
{
    // Copy first: a pass may replace the hook.
    if (const TProcessMessagesHook hook = Hook()) {
        hook();
    }
}
