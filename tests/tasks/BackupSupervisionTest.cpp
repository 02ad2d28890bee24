#include "tasks/BackupSupervision.h"

#include "RecordingProgressView.h"
#include "WorkerLatch.h"

#include <gtest/gtest.h>

#include <thread>

// Pause and cancel of a running worker are tested with real copies in BackupWalkTest.

namespace {

TEST(BackupSupervision, ProgressEventsSetTheBars)
{
    TRecordingProgressView view;
    TBackupSupervision supervision(view);
    supervision.CopyProgress(nullptr, 2, -200);
    EXPECT_EQ(supervision.CurrentFileSize, 200);
    EXPECT_EQ(view.LastAction, 2);
    EXPECT_EQ(view.FilePercent, 0);
    supervision.CopyProgress(nullptr, 2, 101);
    EXPECT_EQ(view.FilePercent, 51);
    supervision.ZipProgress(nullptr, 6, -4);
    supervision.ZipProgress(nullptr, 6, 3);
    EXPECT_EQ(view.TotalPercent, 75);
    // A phase of 0 bytes shows 0 %.
    supervision.CopyProgress(nullptr, 1, 0);
    supervision.CopyProgress(nullptr, 1, 0);
    EXPECT_EQ(view.FilePercent, 0);
}

TEST(BackupSupervision, MessagesBetweenFilesAndThePauseGate)
{
    TRecordingProgressView view;
    TBackupSupervision supervision(view);
    int minimised = 0;
    supervision.OnMinimize = [&] { ++minimised; };
    supervision.ProgressMessage(UM_PAUSE, 1); // no worker: nothing to suspend
    supervision.ProgressMessage(UM_MINIMIZE, 1);
    EXPECT_EQ(minimised, 1);
    EXPECT_FALSE(supervision.Cancelled());

    view.PausePressed = true;
    int passes = 0;
    TScopedHook hook([&] { view.PausePressed = ++passes < 2; });
    supervision.WaitWhilePaused(); // the walk waits at the next file until continue
    EXPECT_EQ(passes, 2);

    view.CancelPressed = true;
    EXPECT_TRUE(supervision.Cancelled());
    view.CancelPressed = false;
    supervision.ProgressMessage(UM_CANCEL, 0);
    EXPECT_TRUE(supervision.Cancelled());
    supervision.ResetCancel();
    EXPECT_FALSE(supervision.Cancelled());
}

// Notes the thread its work ran on; the listed size makes it brief or not.
class TThreadNotingWorker : public TCopyThread
{
public:
    TThreadNotingWorker(std::uint64_t size, std::thread::id& ranOn) : TCopyThread("a", "b", 1), RanOn(ranOn)
    {
        SourceListing = Platform::TFindData{};
        SourceListing->Size = size;
    }
    ~TThreadNotingWorker() override { WaitFor(); }

protected:
    void Execute() override
    {
        RanOn = std::this_thread::get_id();
        Done(ShouldStop() ? icTerminated : 0);
    }

private:
    std::thread::id& RanOn;
};

TEST(BackupSupervision, BriefWorkRunsOnTheCallerAndTheNextFileIsPreparedAfterIt)
{
    TRecordingProgressView view;
    TBackupSupervision supervision(view);
    const std::thread::id caller = std::this_thread::get_id();
    std::thread::id ranOn;
    std::thread::id preparedWhileRunning;
    auto prepare = [&] { preparedWhileRunning = ranOn; };

    EXPECT_EQ(supervision.WaitForCopy(std::make_unique<TThreadNotingWorker>(TCopyThread::BriefBytes, ranOn), prepare),
              0);
    EXPECT_EQ(ranOn, caller);
    EXPECT_EQ(preparedWhileRunning, caller); // the work had ended when the next file came

    EXPECT_EQ(supervision.WaitForCopy(std::make_unique<TThreadNotingWorker>(TCopyThread::BriefBytes + 1, ranOn)), 0);
    EXPECT_NE(ranOn, caller);

    // A cancel that came before still stops brief work.
    supervision.ProgressMessage(UM_CANCEL, 0);
    EXPECT_EQ(supervision.WaitForCopy(std::make_unique<TThreadNotingWorker>(1, ranOn)), icTerminated | opCopy);
}

} // namespace
