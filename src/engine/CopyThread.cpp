#include "engine/CopyThread.h"

#include "engine/Encryption.h"
#include "foundation/MessageLoop.h"

#include <sys/resource.h>
#include <unistd.h>

namespace {

int NiceValue(TThreadPriority priority)
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

} // namespace

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
    Thread = std::thread([this] { ThreadMain(); });
}

void TCopyThread::WaitFor()
{
    if (Thread.joinable()) {
        Resume();
        Thread.join();
    }
}

void TCopyThread::ThreadMain()
{
    ApplyPriority();
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

void TCopyThread::ApplyPriority()
{
    // Linux keeps a nice value per thread; raising it above normal needs privileges,
    // and then the worker simply runs at normal priority.
    const int nice = NiceValue(Priority);
    if (nice != 0) {
        setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), nice);
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
    std::unique_lock lock(EndMutex);
    return EndSignal.wait_for(lock, timeout, [this] { return Ended.load(); });
}

void TCopyThread::Done(TStatusCode code)
{
    if (code != 0) {
        StatusCode = code | Operation;
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
    while (!worker.WaitForEnd(std::chrono::milliseconds(10))) {
        ProcessMessages();
    }
}
