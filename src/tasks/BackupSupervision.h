#pragma once

// The run's side of the worker threads: start one worker and wait for it while the
// windows stay alive, turn its progress events into the progress window's bars, and
// answer the progress window's pause, cancel and minimise messages.
//
// One object per run owner (the task editor's logic, the restore). The window layer
// forwards the progress window's messages to ProgressMessage; the walk and the run
// ask Cancelled() and WaitWhilePaused() between files.
//
//   WaitForCopy, CopyProgress, ZipProgress, PauseCopy, CancelCopy, MinimizeApp,
//   Cancelled, CancelRun, WaitWhilePaused

#include "engine/CopyThread.h"
#include "tasks/ProgressView.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TWorkPool;

class TBackupSupervision : public IProgressOwner
{
public:
    // The view is not owned; by default the program's progress window.
    explicit TBackupSupervision(IProgressView& view = TheProgressView());

    IProgressView& View() const { return ProgressView; }

    // Given to every worker as its CopyFlags (cfShellCopy, cfShellSilent).
    uint8_t ShellCopyFlags = 0;
    // Every worker also sets the creation time of what it writes.
    bool CreationTime = false;
    // Bytes of the current file or phase: set by the walk before a copy and by the
    // announcing (negative) count of a progress event.
    std::atomic<int64_t> CurrentFileSize{0};
    // Work started ahead that no pool thread had begun when it was needed, taken back and
    // run on the waiting thread: many of them tell of a machine busy with other work.
    std::uint64_t TakenBack = 0;
    // Minimises the application; set by the window layer.
    std::function<void()> OnMinimize;
    // A worker that runs outside WaitForCopy (the zip writer's entry worker) and
    // that pause and cancel must reach as well; nullptr when there is none.
    std::function<TCopyThread*()> OtherWorker;

    // Sets flags and progress handler, starts the (not yet started) worker, runs
    // whileRunning (when given) once, waits for the end while processing messages,
    // frees the worker and returns its status code. Brief work (TCopyThread::IsBrief)
    // runs on the calling thread, and whileRunning after it.
    // A worker StartAhead started keeps its flags and runs on where it is.
    // help (when given), while a worker started ahead runs on: one step of other work done
    // here instead of waiting, false when there is none.
    TStatusCode WaitForCopy(std::unique_ptr<TCopyThread> worker, const std::function<void()>& whileRunning = {},
                            const std::function<bool()>& help = {});
    // Starts brief work (TCopyThread::IsBrief) on the work pool ahead of its turn, with
    // the flags but without progress events (they would tell of another file than the
    // one shown); WaitForCopy takes it in its turn. False, and nothing started, while the
    // run is paused or cancelled and for work that is not brief.
    bool StartAhead(TCopyThread& worker);
    // The same for a row of workers, run one after another on one thread of the pool;
    // those StartAhead would refuse are left for their turn.
    void StartAhead(const std::vector<TCopyThread*>& row);

    // Progress handlers; called on the worker's thread.
    void CopyProgress(const void* sender, uint8_t kind, int64_t count);
    void ZipProgress(const void* sender, uint8_t kind, int64_t count);
    TProgressEvent CopyProgressEvent();
    TProgressEvent ZipProgressEvent();

    // Message handlers (UM_PAUSE, UM_CANCEL, UM_MINIMIZE).
    void PauseCopy(int wParam);
    void CancelCopy();
    void MinimizeApp();
    void ProgressMessage(int message, int wParam) override;

    // The run is cancelled: by the progress window's Cancel button or by the run itself.
    bool Cancelled() const;
    // Cancels the run from the logic (a full zip medium, a lost FTP server, the user's
    // answer to a question); also cancels a running worker.
    void CancelRun();
    // Clears the run's own cancel flag before a new run.
    void ResetCancel() { CancelledByRun = false; }
    // While the progress window is paused: 100 ms steps, each followed by one pass of
    // the message loop. Returns at once when the run is cancelled.
    void WaitWhilePaused();

    // The worker that pause and cancel reach now, or nullptr.
    TCopyThread* ActiveWorker() const;

private:
    // Not while the run is paused or cancelled.
    bool MayStartAhead() const;
    void SetFlags(TCopyThread& worker) const;
    TWorkPool& AheadPool();
    void ShowProgress(uint8_t kind, int64_t count, bool totalBar);

    IProgressView& ProgressView;
    TCopyThread* RunningWorker = nullptr;
    TWorkPool* Pool = nullptr; // of the calling thread, once asked
    std::atomic<bool> CancelledByRun{false};
};
