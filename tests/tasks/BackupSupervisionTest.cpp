#include "tasks/BackupSupervision.h"

#include "RecordingProgressView.h"
#include "WorkerLatch.h"
#include "foundation/MessageLoop.h"

#include <gtest/gtest.h>

namespace {

// Reports Steps buffer steps of a file of Steps bytes, testing the gate after each.
class TStepWorker : public TCopyThread
{
public:
    TStepWorker() : TCopyThread("C:\\in", "C:\\out", 16) {}
    ~TStepWorker() override { WaitFor(); }

    static constexpr int Steps = 64;
    std::atomic<int> Done{0};

protected:
    void Execute() override
    {
        DoProgress(pkCopy, -Steps);
        for (int step = 1; step <= Steps; ++step) {
            Done = step;
            DoProgress(pkCopy, step);
            if (ShouldStop()) {
                TCopyThread::Done(icTerminated);
                return;
            }
        }
        TCopyThread::Done(0);
    }
};

class BackupSupervisionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        view.OnFileProgress = [this](std::int64_t percent) {
            if (percent > 0) {
                latch.ArriveAndWait();
            }
        };
    }
    std::unique_ptr<TCopyThread> MakeWorker()
    {
        auto worker = std::make_unique<TStepWorker>();
        stepWorker = worker.get();
        return worker;
    }

    TStepWorker* stepWorker = nullptr;
    TRecordingProgressView view;
    TBackupSupervision supervision{view};
    TWorkerLatch latch;
};

TEST_F(BackupSupervisionTest, PauseHoldsTheWorkerUntilContinue)
{
    int pausedPasses = 0;
    bool endedWhilePaused = false;
    int stepsWhenPaused = 0;
    TScopedHook hook([&] {
        if (!latch.Arrived()) {
            return;
        }
        if (pausedPasses == 0) {
            supervision.ProgressMessage(UM_PAUSE, 1);
            stepsWhenPaused = stepWorker->Done;
            latch.Release();
        }
        if (++pausedPasses < 6) {
            endedWhilePaused = endedWhilePaused || supervision.ActiveWorker() == nullptr;
        } else if (pausedPasses == 6) {
            EXPECT_TRUE(supervision.ActiveWorker()->IsSuspended());
            EXPECT_LE(stepWorker->Done, 2); // at most the step under way when the pause came
            supervision.ProgressMessage(UM_PAUSE, 0);
        }
    });
    EXPECT_EQ(supervision.WaitForCopy(MakeWorker()), 0u);
    EXPECT_FALSE(endedWhilePaused);
    EXPECT_GE(pausedPasses, 6);
    EXPECT_EQ(stepsWhenPaused, 1);
    EXPECT_EQ(view.FilePercent, 100);
    EXPECT_EQ(supervision.ActiveWorker(), nullptr);
}

TEST_F(BackupSupervisionTest, CancelEndsTheWorkerAsTerminatedAndCancelsTheRun)
{
    TScopedHook hook([&] {
        if (latch.Arrived() && !supervision.Cancelled()) {
            supervision.ProgressMessage(UM_CANCEL, 0);
            latch.Release();
        }
    });
    const TStatusCode status = supervision.WaitForCopy(MakeWorker());
    EXPECT_EQ(ErrorNumber(status), errTerminated);
    EXPECT_TRUE(supervision.Cancelled());
    supervision.ResetCancel();
    EXPECT_FALSE(supervision.Cancelled());
}

TEST_F(BackupSupervisionTest, MessagesWithoutAWorkerTouchNothing)
{
    int minimised = 0;
    supervision.OnMinimize = [&] { ++minimised; };
    supervision.ProgressMessage(UM_PAUSE, 1);
    supervision.ProgressMessage(UM_PAUSE, 0);
    supervision.ProgressMessage(UM_MINIMIZE, 1);
    EXPECT_EQ(minimised, 1);
    EXPECT_FALSE(supervision.Cancelled());
    view.CancelPressed = true;
    EXPECT_TRUE(supervision.Cancelled());
}

TEST_F(BackupSupervisionTest, ProgressEventsSetTheBars)
{
    view.OnFileProgress = nullptr;
    supervision.CopyProgress(nullptr, 2, -200);
    EXPECT_EQ(supervision.CurrentFileSize, 200);
    EXPECT_EQ(view.LastAction, 2);
    EXPECT_EQ(view.FilePercent, 0);
    supervision.CopyProgress(nullptr, 2, 101);
    EXPECT_EQ(view.FilePercent, 51);
    supervision.ZipProgress(nullptr, 6, -4);
    supervision.ZipProgress(nullptr, 6, 3);
    EXPECT_EQ(view.TotalPercent, 75);
    EXPECT_EQ(view.LastAction, 6);
    // A phase of 0 bytes shows 0 %.
    supervision.CopyProgress(nullptr, 1, 0);
    supervision.CopyProgress(nullptr, 1, 0);
    EXPECT_EQ(view.FilePercent, 0);
}

TEST_F(BackupSupervisionTest, WaitWhilePausedReturnsWhenContinued)
{
    view.PausePressed = true;
    int passes = 0;
    TScopedHook hook([&] {
        if (++passes == 2) {
            view.PausePressed = false;
        }
    });
    supervision.WaitWhilePaused();
    EXPECT_EQ(passes, 2);
}

} // namespace
