#pragma once

// Helpers for tests that act while a worker runs.

#include "foundation/MessageLoop.h"

#include <condition_variable>
#include <mutex>

// Holds the worker at its first progress event until the GUI side has acted, so the
// test does not depend on how fast the copy runs.
class TWorkerLatch
{
public:
    void ArriveAndWait()
    {
        std::unique_lock lock(mutex);
        if (arrived) {
            return;
        }
        arrived = true;
        signal.wait(lock, [this] { return released; });
    }
    bool Arrived()
    {
        std::lock_guard lock(mutex);
        return arrived;
    }
    void Release()
    {
        std::lock_guard lock(mutex);
        released = true;
        signal.notify_all();
    }

private:
    std::mutex mutex;
    std::condition_variable signal;
    bool arrived = false;
    bool released = false;
};

struct TScopedHook
{
    explicit TScopedHook(TProcessMessagesHook hook) { previous = SetProcessMessagesHook(std::move(hook)); }
    ~TScopedHook() { SetProcessMessagesHook(previous); }
    TProcessMessagesHook previous;
};
