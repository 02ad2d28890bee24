#include "tasks/BackupSupervision.h"

#include "RecordingProgressView.h"
#include "WorkerLatch.h"

#include <gtest/gtest.h>

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

} // namespace
