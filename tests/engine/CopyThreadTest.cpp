#include "engine/CopyThread.h"

#include "engine/WorkPool.h"
#include "foundation/MessageLoop.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

// A worker that runs buffer steps until it is told to stop or has done Steps.
class TStepWorker : public TCopyThread
{
public:
    explicit TStepWorker(int steps, TThreadPriority priority = TThreadPriority::tpNormal)
        : TCopyThread("C:\\in", "C:\\out", 16, priority), Steps(steps)
    {}
    ~TStepWorker() override { WaitFor(); }

    int Steps;
    std::function<void()> BeforeDone;

protected:
    void Execute() override
    {
        TStatusCode code = 0;
        for (int step = 1; Steps < 0 || step <= Steps; ++step) {
            DoProgress(pkCopy, step);
            if (ShouldStop()) {
                code = icTerminated;
                break;
            }
        }
        if (BeforeDone) {
            BeforeDone();
        }
        Done(code);
    }
};

class TThrowingWorker : public TCopyThread
{
public:
    explicit TThrowingWorker(bool doThrow) : TCopyThread("a", "b", 16), Throw(doThrow) {}
    bool Throw;

protected:
    void Execute() override
    {
        if (Throw) {
            throw std::runtime_error("unnamed failure");
        }
        // Returns without Done: the base still ends the work.
    }
};

class ProcessMessagesGuard
{
public:
    explicit ProcessMessagesGuard(TProcessMessagesHook hook) : Previous(SetProcessMessagesHook(std::move(hook))) {}
    ~ProcessMessagesGuard() { SetProcessMessagesHook(Previous); }
    TProcessMessagesHook Previous;
};

TEST(CopyThread, CancelOpensThePauseGate)
{
    TStepWorker worker(-1);
    worker.Suspend();
    EXPECT_TRUE(worker.IsSuspended());
    worker.SetOnProgress([&](const void*, uint8_t, int64_t) { worker.Cancel(); });
    worker.Start();
    WaitForWorkerEnd(worker);
    EXPECT_EQ(worker.StatusCode, 0x1080u);
}

TEST(CopyThread, ResumeLetsAPausedWorkerFinish)
{
    TStepWorker worker(4);
    worker.Suspend();
    std::atomic<int> seen{0};
    worker.SetOnProgress([&](const void*, uint8_t, int64_t count) { seen = static_cast<int>(count); });
    worker.Start();
    // The worker reports step 1 and then waits at the gate until resumed.
    while (seen.load() < 1) {
        std::this_thread::yield();
    }
    EXPECT_FALSE(worker.IsTerminated());
    worker.Resume();
    WaitForWorkerEnd(worker);
    EXPECT_EQ(worker.StatusCode, 0u);
    EXPECT_EQ(seen.load(), 4);
}

TEST(CopyThread, WaitRunsTheMessageLoopOnTheWaitingThread)
{
    std::atomic<bool> pumped{false};
    const auto waiter = std::this_thread::get_id();
    ProcessMessagesGuard guard([&] {
        EXPECT_EQ(std::this_thread::get_id(), waiter);
        pumped = true;
    });
    TStepWorker worker(1);
    // The worker cannot end before the waiter has run one pass of the message loop.
    worker.BeforeDone = [&] {
        while (!pumped.load()) {
            std::this_thread::yield();
        }
    };
    worker.Start();
    WaitForWorkerEnd(worker);
    EXPECT_TRUE(pumped.load());
}

TEST(CopyThread, TerminateCancelsAndWaitsForTheRealEnd)
{
    TStepWorker worker(-1);
    std::atomic<bool> cleanedUp{false};
    worker.BeforeDone = [&] { cleanedUp = true; };
    const auto waiter = std::this_thread::get_id();
    worker.SetOnProgress([&](const void* sender, uint8_t, int64_t count) {
        EXPECT_EQ(sender, &worker);
        EXPECT_NE(std::this_thread::get_id(), waiter);
        if (count == 2) {
            worker.Terminate();
        }
    });
    worker.Start();
    WaitForWorkerEnd(worker);
    EXPECT_TRUE(cleanedUp.load());
    EXPECT_EQ(worker.StatusCode, 0x1080u);
}

TEST(CopyThread, AFailingOrForgetfulExecuteStillEnds)
{
    TThrowingWorker throwing(true);
    throwing.Start();
    WaitForWorkerEnd(throwing);
    EXPECT_EQ(throwing.StatusCode, 0x1105u);

    TThrowingWorker forgetful(false);
    forgetful.Start();
    WaitForWorkerEnd(forgetful);
    EXPECT_EQ(forgetful.StatusCode, 0u);
}

int ThreadNice()
{
    return getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
}

TEST(CopyThread, WorkersInTurnAndSideBySide)
{
    for (int i = 0; i < 50; ++i) {
        TStepWorker worker(3);
        worker.Start();
        WaitForWorkerEnd(worker);
        EXPECT_EQ(worker.StatusCode, 0u);
    }
    // A paused worker must not hold up one started after it.
    TStepWorker paused(2);
    paused.Suspend();
    paused.Start();
    TStepWorker other(2);
    other.Start();
    WaitForWorkerEnd(other);
    EXPECT_FALSE(paused.IsTerminated());
    paused.Resume();
    WaitForWorkerEnd(paused);
    EXPECT_EQ(paused.StatusCode, 0u);
}

TEST(CopyThread, WorkersStartedOnThePoolEndAsOthersDo)
{
    TWorkPool pool(3);
    std::vector<std::unique_ptr<TStepWorker>> workers;
    for (int i = 0; i < 12; ++i) {
        workers.push_back(std::make_unique<TStepWorker>(i % 4));
        workers.back()->StartOn(pool);
        EXPECT_TRUE(workers.back()->IsStarted());
    }
    // A second start runs nothing twice.
    workers.front()->Start();
    workers.front()->RunHere();
    for (auto& worker : workers) {
        WaitForWorkerEnd(*worker);
        EXPECT_EQ(worker->StatusCode, 0u);
    }
    // One cancelled on the pool ends as cancelled, one dropped unwaited is waited for.
    auto cancelled = std::make_unique<TStepWorker>(-1);
    cancelled->StartOn(pool);
    cancelled->Cancel();
    WaitForWorkerEnd(*cancelled);
    EXPECT_EQ(ErrorNumber(cancelled->StatusCode), errTerminated);
    auto dropped = std::make_unique<TStepWorker>(50);
    dropped->StartOn(pool);
    dropped.reset();
}

// Rows run their workers one after another on one pool thread; each ends on its own, a
// cancelled one does not hold up the rest, and only work that stands runs its last step.
TEST(CopyThread, RowsOnThePoolEndEachWorkerInTurn)
{
    TWorkPool pool(2);
    std::vector<std::unique_ptr<TStepWorker>> workers;
    std::vector<int> stood(12, 0);
    for (int i = 0; i < 12; ++i) {
        workers.push_back(std::make_unique<TStepWorker>(i == 5 ? -1 : i % 3));
        workers.back()->OnStands = [&stood, i] { ++stood[static_cast<std::size_t>(i)]; };
    }
    // One already started is left out of its row.
    workers[0]->StartOn(pool);
    for (int row = 0; row < 3; ++row) {
        std::vector<TCopyThread*> pointers;
        for (int i = row * 4; i < row * 4 + 4; ++i) {
            pointers.push_back(workers[static_cast<std::size_t>(i)].get());
        }
        TCopyThread::StartRowOn(pool, pointers);
    }
    workers[5]->Cancel();
    for (std::size_t i = 0; i < workers.size(); ++i) {
        WaitForWorkerEnd(*workers[i]);
        EXPECT_EQ(workers[i]->StatusCode == 0, i != 5) << i;
        EXPECT_EQ(stood[i], i == 5 ? 0 : 1) << i;
    }
    // Work no pool thread has begun is taken back and run here; work no longer wanted is
    // stopped and waited for, or taken back unrun, before it goes.
    TWorkPool one(1);
    TStepWorker endless(-1);
    TStepWorker behind(2);
    TStepWorker dropped(2);
    TCopyThread::StartRowOn(one, {&endless, &behind, &dropped});
    // The one pool thread is held by the endless worker: the others wait in its row.
    ASSERT_TRUE(behind.TakeBack());
    EXPECT_FALSE(behind.IsStarted());
    behind.RunHere();
    EXPECT_TRUE(behind.IsTerminated());
    EXPECT_EQ(behind.StatusCode, 0u);
    dropped.CancelAndWait();
    EXPECT_FALSE(dropped.IsStarted());
    endless.Cancel();
    WaitForWorkerEnd(endless);
    EXPECT_EQ(ErrorNumber(endless.StatusCode), errTerminated);
}

TEST(CopyThread, APriorityEndsWithItsWorker)
{
    const int base = ThreadNice();
    std::atomic<int> seen{-100};
    TStepWorker idle(1, TThreadPriority::tpIdle);
    idle.BeforeDone = [&] { seen = ThreadNice(); };
    idle.Start();
    WaitForWorkerEnd(idle);
    EXPECT_EQ(seen.load(), 19);
    for (int i = 0; i < 3; ++i) {
        TStepWorker normal(1);
        normal.BeforeDone = [&] { seen = ThreadNice(); };
        normal.Start();
        WaitForWorkerEnd(normal);
        EXPECT_EQ(seen.load(), base);
    }
}

} // namespace
