#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Helper threads that the workers share for work they split up (deflate blocks, keys
// derived ahead). Starting threads per file cost more than a small file's work, so a
// pool lives from its first use to the program's end, when it is joined.
class TWorkPool
{
public:
    explicit TWorkPool(unsigned threads, int nice = 0);
    // Runs what is still queued, then joins the threads.
    ~TWorkPool();
    TWorkPool(const TWorkPool&) = delete;
    TWorkPool& operator=(const TWorkPool&) = delete;

    // The pool whose threads run at the calling thread's priority (one per nice
    // value: a thread that was lowered cannot be raised again).
    static TWorkPool& ForCallingThread();
    // The pool whose threads run at this nice value.
    static TWorkPool& ForNice(int nice);

    unsigned Threads() const { return static_cast<unsigned>(Workers.size()); }
    void Post(std::function<void()> task);

private:
    void Run(int nice);

    std::mutex Lock;
    std::condition_variable Ready;
    std::deque<std::function<void()>> Queue;
    // Tasks queued, read without the lock by threads that wait briefly before sleeping.
    std::atomic<std::size_t> Queued{0};
    unsigned Spinning = 0; // threads waiting briefly for the next task
    unsigned Sleeping = 0; // threads asleep on Ready
    bool Stop = false;
    std::vector<std::thread> Workers;
};

// The tasks one owner posted: Wait returns when all have run, so none outlives the
// data it works on. Not copyable; waits in its destructor.
class TTaskGroup
{
public:
    explicit TTaskGroup(TWorkPool& pool) : Pool(pool) {}
    ~TTaskGroup() { Wait(); }
    TTaskGroup(const TTaskGroup&) = delete;
    TTaskGroup& operator=(const TTaskGroup&) = delete;

    void Post(std::function<void()> task);
    void Wait();
    TWorkPool& Workers() const { return Pool; }

private:
    TWorkPool& Pool;
    std::mutex Lock;
    std::condition_variable Idle;
    size_t Pending = 0;
};

// One piece of work posted ahead of its need. Its owner, when it comes to need it, runs it
// on its own thread if no pool thread has begun it yet: on a busy machine a pool thread may
// wait long for a processor, and the owner would only wait for it. Work no longer needed
// never runs if it has not begun; begun, it is waited for.
class TWorkAhead
{
public:
    TWorkAhead(TWorkPool& pool, std::function<void()> work);
    ~TWorkAhead();
    TWorkAhead(const TWorkAhead&) = delete;
    TWorkAhead& operator=(const TWorkAhead&) = delete;

    // Returns once the work has run, here or on the pool.
    void Finish();

private:
    struct TState;
    void WaitForPool();

    std::shared_ptr<TState> State;
    bool Done = false;
};
