#pragma once

// Helpers for tests that act while a worker runs.

#include "engine/WorkPool.h"
#include "foundation/MessageLoop.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

// Closed until Open: whoever waits meanwhile waits on.
class TGate
{
public:
    void Wait()
    {
        std::unique_lock lock(mutex);
        signal.wait(lock, [this] { return open; });
    }
    void Open()
    {
        std::lock_guard lock(mutex);
        open = true;
        signal.notify_all();
    }

private:
    std::mutex mutex;
    std::condition_variable signal;
    bool open = false;
};

// Holds the worker at its first progress event until the GUI side has acted, so the
// test does not depend on how fast the copy runs.
class TWorkerLatch
{
public:
    void ArriveAndWait()
    {
        if (!arrived.exchange(true)) {
            gate.Wait();
        }
    }
    bool Arrived() const { return arrived; }
    void Release() { gate.Open(); }

private:
    std::atomic<bool> arrived{false};
    TGate gate;
};

struct TScopedHook
{
    explicit TScopedHook(TProcessMessagesHook hook) { previous = SetProcessMessagesHook(std::move(hook)); }
    ~TScopedHook() { SetProcessMessagesHook(previous); }
    TProcessMessagesHook previous;
};

// Holds every thread of the calling thread's work pool until Release (or the end): what is
// started ahead meanwhile does not begin, and is taken back in its turn.
class TPoolHold
{
public:
    TPoolHold() : holders(TWorkPool::ForCallingThread())
    {
        for (unsigned i = 0; i < holders.Workers().Threads(); ++i) {
            holders.Post([this] { gate.Wait(); });
        }
    }
    ~TPoolHold()
    {
        Release();
        holders.Wait();
    }
    TPoolHold(const TPoolHold&) = delete;
    TPoolHold& operator=(const TPoolHold&) = delete;

    void Release() { gate.Open(); }

private:
    TGate gate;
    TTaskGroup holders; // last: waited for first, while the gate is still there
};

// Returns once every task posted to the calling thread's work pool before has ended: the
// pool takes its tasks in order, and all its threads meet here.
inline void WaitForPoolIdle()
{
    TWorkPool& pool = TWorkPool::ForCallingThread();
    std::mutex mutex;
    std::condition_variable met;
    unsigned arrived = 0;
    TTaskGroup group(pool);
    for (unsigned i = 0; i < pool.Threads(); ++i) {
        group.Post([&] {
            std::unique_lock lock(mutex);
            ++arrived;
            met.notify_all();
            met.wait(lock, [&] { return arrived == pool.Threads(); });
        });
    }
    group.Wait();
}
