#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
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
