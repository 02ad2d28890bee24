#include "engine/WorkPool.h"

#include "engine/SpinWait.h"
#include "platform/HostInfo.h"

#include <algorithm>
#include <map>
#include <memory>

namespace {

constexpr unsigned MaxThreads = 8;
// Shorter than a worker's wait: a whole pool of threads waits at once.
constexpr std::chrono::microseconds PoolSpinTime{40};

} // namespace

TWorkPool::TWorkPool(unsigned threads, int nice)
{
    for (unsigned i = 0; i < std::max(threads, 1u); ++i)
        Workers.emplace_back([this, nice] { Run(nice); });
}

TWorkPool::~TWorkPool()
{
    {
        std::lock_guard lock(Lock);
        Stop = true;
    }
    Ready.notify_all();
    for (std::thread& worker : Workers)
        worker.join();
}

TWorkPool& TWorkPool::ForCallingThread()
{
    return ForNice(Platform::CurrentThreadNice());
}

TWorkPool& TWorkPool::ForNice(int nice)
{
    static std::mutex lock;
    static std::map<int, std::unique_ptr<TWorkPool>> pools;
    std::lock_guard guard(lock);
    std::unique_ptr<TWorkPool>& pool = pools[nice];
    if (!pool)
        pool = std::make_unique<TWorkPool>(std::clamp(std::thread::hardware_concurrency(), 1u, MaxThreads), nice);
    return *pool;
}

void TWorkPool::Post(std::function<void()> task)
{
    bool wake = false;
    {
        std::lock_guard lock(Lock);
        Queue.push_back(std::move(task));
        ++Queued;
        wake = Sleeping > 0 && Queue.size() > Spinning;
    }
    // A thread that is still waiting briefly takes the task without being woken.
    if (wake) {
        Ready.notify_one();
    }
}

void TWorkPool::Run(int nice)
{
    if (nice != Platform::CurrentThreadNice())
        Platform::SetCurrentThreadNice(nice);
    std::unique_lock lock(Lock);
    for (;;) {
        if (Queue.empty() && !Stop) {
            // Tasks often come in quick succession (the files of a folder): waiting a
            // moment costs less than being woken.
            ++Spinning;
            lock.unlock();
            SpinBriefly([this] { return Queued.load() > 0; }, PoolSpinTime);
            lock.lock();
            --Spinning;
            ++Sleeping;
            Ready.wait(lock, [this] { return Stop || !Queue.empty(); });
            --Sleeping;
        }
        if (Queue.empty())
            return;
        std::function<void()> task = std::move(Queue.front());
        Queue.pop_front();
        --Queued;
        lock.unlock();
        task();
        task = nullptr; // its captures go before the lock is taken again
        lock.lock();
    }
}

void TTaskGroup::Post(std::function<void()> task)
{
    {
        std::lock_guard lock(Lock);
        ++Pending;
    }
    Pool.Post([this, task = std::move(task)] {
        task();
        // Notified under the lock: once Wait sees zero, nothing here touches the group.
        std::lock_guard lock(Lock);
        if (--Pending == 0)
            Idle.notify_all();
    });
}

void TTaskGroup::Wait()
{
    std::unique_lock lock(Lock);
    Idle.wait(lock, [this] { return Pending == 0; });
}

struct TWorkAhead::TState
{
    std::function<void()> Work;
    std::atomic<bool> Taken{false};
    std::mutex Lock;
    std::condition_variable Ended;
    bool Finished = false;
};

TWorkAhead::TWorkAhead(TWorkPool& pool, std::function<void()> work) : State(std::make_shared<TState>())
{
    State->Work = std::move(work);
    // The task keeps the state: it may come to run after its owner has gone.
    pool.Post([state = State] {
        if (state->Taken.exchange(true))
            return;
        state->Work();
        std::lock_guard lock(state->Lock);
        state->Finished = true;
        state->Ended.notify_all();
    });
}

TWorkAhead::~TWorkAhead()
{
    if (!Done && State->Taken.exchange(true))
        WaitForPool();
}

void TWorkAhead::Finish()
{
    if (Done)
        return;
    Done = true;
    if (State->Taken.exchange(true)) {
        WaitForPool();
        return;
    }
    State->Work();
}

void TWorkAhead::WaitForPool()
{
    std::unique_lock lock(State->Lock);
    State->Ended.wait(lock, [this] { return State->Finished; });
}
