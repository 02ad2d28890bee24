#include "engine/CopyThread.h"

#include "engine/Encryption.h"
#include "engine/SpinWait.h"
#include "engine/WorkPool.h"
#include "foundation/MessageLoop.h"
#include "platform/HostInfo.h"
#include "platform/StopSignals.h"

#include <algorithm>
#include <functional>
#include <thread>
#include <vector>

namespace {

// Set when a worker gave its thread another nice value, to be taken back after it.
thread_local bool niceChanged = false;

} // namespace

int ThreadPriorityNice(TThreadPriority priority)
{
    switch (priority) {
    case TThreadPriority::tpIdle:
        return 19;
    case TThreadPriority::tpLowest:
        return 10;
    case TThreadPriority::tpLower:
        return 5;
    case TThreadPriority::tpNormal:
        return 0;
    case TThreadPriority::tpHigher:
        return -5;
    case TThreadPriority::tpHighest:
        return -10;
    case TThreadPriority::tpTimeCritical:
        return -15;
    }
    return 0;
}

namespace {

// Starting an OS thread costs more than copying a small file, and a backup starts one
// worker per file. A thread that has finished its worker waits here a while for the
// next one instead of ending; workers that overlap still get a thread each.
class TWorkerThreads
{
public:
    static TWorkerThreads& Instance()
    {
        // Never destroyed: idle threads may still wait on it while the program exits.
        static TWorkerThreads* pool = new TWorkerThreads;
        return *pool;
    }

    void Run(std::function<void()> job)
    {
        std::unique_lock lock(Mutex);
        if (!Idle.empty()) {
            TSlot* slot = Idle.back();
            Idle.pop_back();
            slot->Job = std::move(job);
            slot->Pending = true;
            // Under the lock: the slot's thread may take the job at once, finish it and
            // free the slot (a nice value it could not take back ends it).
            slot->Wake.notify_one();
            return;
        }
        auto* slot = new TSlot;
        slot->Job = std::move(job);
        std::thread([this, slot] { Serve(slot); }).detach();
    }

private:
    struct TSlot
    {
        std::condition_variable Wake;
        std::function<void()> Job;
        std::atomic<bool> Pending{false}; // Job was handed over
    };

    static constexpr std::chrono::seconds IdleLife{10};

    void Serve(TSlot* slot)
    {
        const int baseNice = BaseNice();
        std::unique_lock lock(Mutex);
        while (slot->Job) {
            std::function<void()> job = std::move(slot->Job);
            slot->Job = nullptr;
            lock.unlock();
            job();
            job = nullptr;
            // A worker may have changed this thread's nice value; one that cannot be
            // taken back (raising priority needs privileges) ends the thread.
            if (niceChanged && !RestoreNice(baseNice)) {
                delete slot;
                return;
            }
            niceChanged = false;
            lock.lock();
            slot->Pending = false;
            Idle.push_back(slot);
            lock.unlock();
            SpinBriefly([slot] { return slot->Pending.load(); });
            lock.lock();
            slot->Wake.wait_for(lock, IdleLife, [slot] { return static_cast<bool>(slot->Job); });
            if (!slot->Job) {
                std::erase(Idle, slot);
            }
        }
        lock.unlock();
        delete slot;
    }

    static int BaseNice() { return Platform::CurrentThreadNice(); }

    static bool RestoreNice(int baseNice)
    {
        return Platform::CurrentThreadNice() == baseNice || Platform::SetCurrentThreadNice(baseNice);
    }

    std::mutex Mutex;
    std::vector<TSlot*> Idle;
};

struct TKeptBuffers
{
    // As many as the walk keeps ahead, and the worker in its turn.
    static constexpr std::size_t Most = 36;
    std::mutex Mutex;
    std::vector<std::pair<void*, std::size_t>> Blocks;
};

TKeptBuffers& KeptBuffers()
{
    // Never destroyed: a worker may give its buffer back while the program exits.
    static TKeptBuffers* kept = new TKeptBuffers;
    return *kept;
}

} // namespace

void* TakeWorkerBuffer(std::size_t bytes)
{
    TKeptBuffers& kept = KeptBuffers();
    {
        std::lock_guard lock(kept.Mutex);
        const auto found = std::find_if(kept.Blocks.begin(), kept.Blocks.end(),
                                        [bytes](const auto& block) { return block.second == bytes; });
        if (found != kept.Blocks.end()) {
            void* block = found->first;
            kept.Blocks.erase(found);
            return block;
        }
    }
    return ::operator new(bytes);
}

void KeepWorkerBuffer(void* block, std::size_t bytes) noexcept
{
    TKeptBuffers& kept = KeptBuffers();
    {
        std::lock_guard lock(kept.Mutex);
        if (kept.Blocks.size() < TKeptBuffers::Most) {
            kept.Blocks.emplace_back(block, bytes);
            return;
        }
    }
    ::operator delete(block);
}

TCopyThread::TCopyThread(const std::string& source, const std::string& destination, int32_t bufferSize,
                         TThreadPriority priority)
    : Buffer(static_cast<size_t>(bufferSize > 0 ? bufferSize : 1)), Source(source), Destination(destination),
      BufferSize(bufferSize > 0 ? bufferSize : 1), Priority(priority)
{}

TCopyThread::~TCopyThread()
{
    WaitFor();
    if (Encryption) {
        Encryption->OnProgress = nullptr;
    }
}

void TCopyThread::Start()
{
    if (Started) {
        return;
    }
    Started = true;
    TWorkerThreads::Instance().Run([this] { ThreadMain(); });
}

void TCopyThread::WaitFor()
{
    if (!Started || Joined) {
        return;
    }
    Resume();
    std::unique_lock lock(EndMutex);
    EndSignal.wait(lock, [this] { return Finished; });
    Joined = true;
}

void TCopyThread::RunHere()
{
    if (Started) {
        return;
    }
    Started = true;
    RunWork();
    MarkFinished();
    Joined = true;
}

// Which workers of a row have been taken, by the pool's thread or back by their owner;
// shared by the row's task and its workers, so that neither touches a worker the other has.
struct TCopyThread::TRowSlots
{
    explicit TRowSlots(std::size_t count) : Taken(count) {}
    std::vector<std::atomic<bool>> Taken;
};

void TCopyThread::StartOn(TWorkPool& pool)
{
    StartRowOn(pool, {this});
}

void TCopyThread::StartRowOn(TWorkPool& pool, std::vector<TCopyThread*> row)
{
    std::erase_if(row, [](const TCopyThread* worker) { return worker->Started; });
    if (row.empty()) {
        return;
    }
    auto slots = std::make_shared<TRowSlots>(row.size());
    for (std::size_t slot = 0; slot < row.size(); ++slot) {
        row[slot]->Started = true;
        row[slot]->Row = slots;
        row[slot]->RowSlot = slot;
    }
    // Nothing of a worker is touched after its MarkFinished: its owner may free it then.
    pool.Post([row = std::move(row), slots] {
        for (std::size_t slot = 0; slot < row.size(); ++slot) {
            if (!slots->Taken[slot].exchange(true)) {
                row[slot]->RunWork();
                row[slot]->MarkFinished();
            }
        }
    });
}

bool TCopyThread::TakeBack()
{
    if (!Row || Row->Taken[RowSlot].exchange(true)) {
        return false;
    }
    Row.reset();
    Started = false;
    return true;
}

bool TCopyThread::IsBrief() const
{
    return SourceListing && SourceListing->Size <= BriefBytes;
}

void TCopyThread::ThreadMain()
{
    ApplyPriority();
    RunWork();
    MarkFinished();
}

void TCopyThread::RunWork()
{
    try {
        Execute();
    } catch (...) {
        // Whatever failed unnamed: the destination was not written as asked.
        if (!Ended) {
            Done(ecWriteFile);
        }
    }
    if (!Ended) {
        Done(0);
    }
}

void TCopyThread::MarkFinished()
{
    // The last touch of this worker: the owner may free it the moment it sees Finished.
    std::lock_guard lock(EndMutex);
    Finished = true;
    EndSignal.notify_all();
}

void TCopyThread::ApplyPriority()
{
    // Linux keeps a nice value per thread; raising it above normal needs privileges,
    // and then the worker simply runs at normal priority.
    const int nice = ThreadPriorityNice(Priority);
    if (nice != 0) {
        niceChanged = true;
        Platform::SetCurrentThreadNice(nice);
    }
}

void TCopyThread::Suspend()
{
    std::lock_guard lock(GateMutex);
    Paused = true;
}

void TCopyThread::Resume()
{
    {
        std::lock_guard lock(GateMutex);
        Paused = false;
    }
    GateSignal.notify_all();
}

bool TCopyThread::IsSuspended() const
{
    std::lock_guard lock(GateMutex);
    return Paused;
}

void TCopyThread::Cancel()
{
    {
        std::lock_guard lock(GateMutex);
        Abort = true;
    }
    GateSignal.notify_all();
}

bool TCopyThread::ShouldStop()
{
    std::unique_lock lock(GateMutex);
    GateSignal.wait(lock, [this] { return !Paused || Abort; });
    return Abort;
}

bool TCopyThread::WaitForEnd(std::chrono::milliseconds timeout)
{
    if (Ended.load() || (timeout.count() > 0 && SpinBriefly([this] { return Ended.load(); }))) {
        return true;
    }
    std::unique_lock lock(EndMutex);
    return EndSignal.wait_for(lock, timeout, [this] { return Ended.load(); });
}

void TCopyThread::Done(TStatusCode code)
{
    if (code != 0) {
        StatusCode = code | Operation;
    }
    if (OnStands && CopyStands(StatusCode)) {
        OnStands();
    }
    {
        std::lock_guard lock(EndMutex);
        Ended = true;
    }
    EndSignal.notify_all();
}

void TCopyThread::DoProgress(uint8_t kind, int64_t count)
{
    if (OnProgress) {
        OnProgress(this, kind, count);
    }
}

void TCopyThread::SetOnProgress(TProgressEvent handler)
{
    OnProgress = handler;
    if (Encryption) {
        Encryption->OnProgress = std::move(handler);
    }
}

void TCopyThread::OwnEncryption(std::shared_ptr<TEncryption> lent)
{
    Encryption = lent.get();
    EncryptionLease = std::move(lent);
}

void TCopyThread::Execute()
{
    Done((CopyFlags & cfShellCopy) ? ShellCopy() : PlainCopy());
}

TStatusCode TCopyThread::GZipFile()
{
    return ecWriteFile;
}

TStatusCode TCopyThread::VerifyGZipFile()
{
    return ecWriteFile;
}

TDecryptThread::TDecryptThread(const std::string& source, const std::string& destination, TEncryption* encryption,
                               int32_t bufferSize, TThreadPriority priority)
    : TCopyThread(source, destination, bufferSize, priority)
{
    Encryption = encryption;
    Operation = encryption ? opDecrypt : opCopy;
}

void TDecryptThread::Execute()
{
    Done(Encryption ? DecryptFile() : PlainCopy());
}

void WaitForWorkerEnd(TCopyThread& worker)
{
    while (!worker.WaitForEnd(TimeToMessagePass())) {
        ProcessMessages();
        // A stop signal reaches every worker that is waited for, as Cancel would.
        if (Platform::StopRequested()) {
            worker.Cancel();
        }
    }
}
