#include "tasks/BackupSupervision.h"

#include "engine/WorkPool.h"
#include "foundation/MessageLoop.h"

#include <chrono>
#include <cmath>
#include <thread>

TBackupSupervision::TBackupSupervision(IProgressView& view) : ProgressView(view)
{}

TStatusCode TBackupSupervision::WaitForCopy(std::unique_ptr<TCopyThread> worker,
                                            const std::function<void()>& whileRunning,
                                            const std::function<bool()>& help)
{
    // Work started ahead that no pool thread has begun yet is run here instead.
    const bool takenBack = worker->IsStarted() && worker->TakeBack();
    const bool startedAhead = worker->IsStarted();
    TakenBack += takenBack ? 1 : 0;
    if (!startedAhead) {
        SetFlags(*worker);
        worker->SetOnProgress(CopyProgressEvent());
    }
    RunningWorker = worker.get();
    // A cancel that came before the start still reaches the worker.
    if (Cancelled()) {
        worker->Cancel();
    }
    if (!startedAhead && worker->IsBrief()) {
        // Over sooner than a hand-off to the worker thread and back would be; the next
        // file is prepared afterwards instead of meanwhile.
        worker->RunHere();
        if (whileRunning) {
            whileRunning();
        }
        ProcessMessagesWhenDue();
    } else {
        worker->Start();
        if (whileRunning) {
            whileRunning();
        }
        // On a busy machine a pool thread may wait long for a processor: this one does
        // the work that has not begun meanwhile.
        while (startedAhead && help && !worker->IsTerminated() && help()) {
        }
        WaitForWorkerEnd(*worker);
    }
    const TStatusCode status = worker->StatusCode;
    RunningWorker = nullptr;
    worker.reset();
    return status;
}

namespace {

bool BriefAndUnstarted(const TCopyThread& worker)
{
    return !worker.IsStarted() && worker.IsBrief();
}

} // namespace

bool TBackupSupervision::MayStartAhead() const
{
    return !ProgressView.Paused() && !Cancelled();
}

bool TBackupSupervision::StartAhead(TCopyThread& worker)
{
    if (!BriefAndUnstarted(worker) || !MayStartAhead()) {
        return false;
    }
    SetFlags(worker);
    worker.StartOn(AheadPool());
    return true;
}

void TBackupSupervision::StartAhead(const std::vector<TCopyThread*>& row)
{
    if (row.empty() || !MayStartAhead()) {
        return;
    }
    std::vector<TCopyThread*> brief;
    for (TCopyThread* worker : row) {
        if (BriefAndUnstarted(*worker)) {
            SetFlags(*worker);
            brief.push_back(worker);
        }
    }
    TCopyThread::StartRowOn(AheadPool(), std::move(brief));
}

TWorkPool& TBackupSupervision::AheadPool()
{
    // The run's thread keeps its priority: its pool is looked up once, not per file.
    if (!Pool) {
        Pool = &TWorkPool::ForCallingThread();
    }
    return *Pool;
}

void TBackupSupervision::SetFlags(TCopyThread& worker) const
{
    worker.CopyFlags = ShellCopyFlags;
    worker.SetCreationTime = CreationTime ? 1 : 0;
}

void TBackupSupervision::ShowProgress(uint8_t kind, int64_t count, bool totalBar)
{
    if (count < 0) {
        CurrentFileSize = -count;
        ProgressView.SetAction(kind);
    }
    const int64_t size = CurrentFileSize;
    int64_t percent = 0;
    if (size > 0) {
        percent = std::llround(static_cast<double>(count) / static_cast<double>(size) * 100.0);
    }
    if (totalBar) {
        ProgressView.SetTotalProgress(percent);
    } else {
        ProgressView.SetFileProgress(percent);
    }
}

void TBackupSupervision::CopyProgress(const void*, uint8_t kind, int64_t count)
{
    ShowProgress(kind, count, false);
}

void TBackupSupervision::ZipProgress(const void*, uint8_t kind, int64_t count)
{
    ShowProgress(kind, count, true);
}

TProgressEvent TBackupSupervision::CopyProgressEvent()
{
    return [this](const void* sender, uint8_t kind, int64_t count) { CopyProgress(sender, kind, count); };
}

TProgressEvent TBackupSupervision::ZipProgressEvent()
{
    return [this](const void* sender, uint8_t kind, int64_t count) { ZipProgress(sender, kind, count); };
}

TCopyThread* TBackupSupervision::ActiveWorker() const
{
    TCopyThread* worker = RunningWorker;
    if (!worker && OtherWorker) {
        worker = OtherWorker();
    }
    return worker && !worker->IsTerminated() ? worker : nullptr;
}

void TBackupSupervision::PauseCopy(int wParam)
{
    if (TCopyThread* worker = ActiveWorker()) {
        if (wParam == 0) {
            worker->Resume();
        } else {
            worker->Suspend();
        }
    }
}

void TBackupSupervision::CancelCopy()
{
    CancelledByRun = true;
    if (TCopyThread* worker = ActiveWorker()) {
        worker->Cancel();
    }
}

void TBackupSupervision::MinimizeApp()
{
    if (OnMinimize) {
        OnMinimize();
    }
}

void TBackupSupervision::ProgressMessage(int message, int wParam)
{
    switch (message) {
    case UM_PAUSE:
        PauseCopy(wParam);
        break;
    case UM_CANCEL:
        CancelCopy();
        break;
    case UM_MINIMIZE:
        MinimizeApp();
        break;
    default:
        break;
    }
}

bool TBackupSupervision::Cancelled() const
{
    return CancelledByRun || RunCancelled(ProgressView);
}

void TBackupSupervision::CancelRun()
{
    CancelCopy();
}

void TBackupSupervision::WaitWhilePaused()
{
    while (ProgressView.Paused() && !Cancelled()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ProcessMessages();
    }
}
