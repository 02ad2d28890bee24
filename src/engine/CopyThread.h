#pragma once

// Worker threads: each copies, compresses, encrypts, decrypts or uploads exactly one
// file on a thread of its own and reports a status code (engine/StatusCodes.h).
//
// The caller's protocol (backup, restore, zip writer):
//   1. create the worker (it does not run yet) and set its options;
//   2. SetOnProgress(handler);
//   3. Start(), or RunHere() for work that is over in less time than a hand-off between
//      threads costs (IsBrief());
//   4. WaitForWorkerEnd(worker): waits on the worker's end, keeping the windows alive;
//   5. read StatusCode; destroy the worker.
// While it runs the GUI thread may Suspend()/Resume() it (a pause gate the worker
// passes between buffers), Cancel() it (takes effect after the current buffer and
// ends with code 0x80 plus the operation) and ask IsTerminated().
//
// Writing a descendant: override Execute(), build the result from the building blocks
// below and end with Done(code). Poll ShouldStop() after each buffer and return
// icTerminated when it says so. The base calls Done itself if Execute returns without
// it or throws, so a caller's wait always ends. A descendant with members of its own
// calls WaitFor() first in its destructor, because the thread may still use them.

#include "engine/FileTimes.h"
#include "engine/ProgressEvent.h"
#include "engine/StatusCodes.h"
#include "foundation/Stream.h"
#include "platform/FileSystem.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class TEncryption;
class TFileStream;
namespace Platform {
class TDestFolder;
}

// A backup makes one worker per file. Handing each buffer back to the system and
// taking it again cost more than copying a small file (the heap shrinks, and every
// processor's address cache is flushed): the last buffers are kept for the next
// workers.
void* TakeWorkerBuffer(std::size_t bytes);
void KeepWorkerBuffer(void* block, std::size_t bytes) noexcept;

// Leaves new elements uninitialised: a worker's buffer is always filled before it is
// read, and clearing it cost more than copying a small file.
template <typename T> struct TNoInitAllocator : std::allocator<T>
{
    template <typename U> struct rebind
    {
        using other = TNoInitAllocator<U>;
    };
    T* allocate(std::size_t count) { return static_cast<T*>(TakeWorkerBuffer(count * sizeof(T))); }
    void deallocate(T* block, std::size_t count) noexcept { KeepWorkerBuffer(block, count * sizeof(T)); }
    template <typename U> void construct(U* place) noexcept { ::new (static_cast<void*>(place)) U; }
    template <typename U, typename... Args> void construct(U* place, Args&&... args)
    {
        ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
    }
};

// Seven thread priorities, from idle to time-critical, mapped onto nice values.
enum class TThreadPriority
{
    tpIdle,
    tpLowest,
    tpLower,
    tpNormal,
    tpHigher,
    tpHighest,
    tpTimeCritical
};

// The nice value a worker of this priority runs at.
int ThreadPriorityNice(TThreadPriority priority);

// CopyFlags bits.
inline constexpr uint8_t cfShellCopy = 1;   // our own copy that keeps times and mode
inline constexpr uint8_t cfShellSilent = 2; // no dialogs during the shell copy

class TWorkPool;

class TCopyThread
{
public:
    // The names are Windows path text. The worker runs only after Start().
    TCopyThread(const std::string& source, const std::string& destination, int32_t bufferSize,
                TThreadPriority priority = TThreadPriority::tpNormal);
    virtual ~TCopyThread(); // waits for the thread's end
    TCopyThread(const TCopyThread&) = delete;
    TCopyThread& operator=(const TCopyThread&) = delete;

    // Runs Execute on the worker's own thread; a second call does nothing.
    void Start();
    // Runs the work on the calling thread instead and returns when it has ended; for
    // brief work, where handing it to a thread and waiting for it would cost more than
    // the work itself. The worker's priority is not applied. A second call, or one
    // after Start, does nothing.
    void RunHere();
    // Runs the work on a thread of the pool instead: brief work of several files at
    // once, started ahead of its turn. The worker's priority is not applied (the pool's
    // threads run at their own). A second call, or one after Start, does nothing.
    void StartOn(TWorkPool& pool);
    // Runs the works of row one after another on one thread of the pool: a run of brief
    // files handed over for what one hand-off costs. Those already started are left out.
    static void StartRowOn(TWorkPool& pool, std::vector<TCopyThread*> row);
    // Takes work started on the pool back while no pool thread has begun it: true, and
    // the worker counts as not started (to be run here, or dropped). On a busy machine
    // the pool's threads may not run for a while; the owner need not wait for them.
    bool TakeBack();
    bool IsStarted() const { return Started; }
    // The work is brief: a listed source file of at most BriefLimit.
    virtual bool IsBrief() const;
    static constexpr std::uint64_t BriefBytes = std::uint64_t{64} << 10;
    // An encrypted file costs its key derivation and its HMAC besides the copy: files up
    // to this size pay for running side by side.
    static constexpr std::uint64_t BriefEncryptedBytes = std::uint64_t{4} << 20;
    static constexpr std::uint64_t BriefLimit(bool encrypts) { return encrypts ? BriefEncryptedBytes : BriefBytes; }
    // Closes and opens the pause gate.
    void Suspend();
    void Resume();
    bool IsSuspended() const;
    // Asks the worker to stop after the current buffer; also opens the pause gate.
    virtual void Cancel();
    // The same as Cancel: the end still comes only when the worker has stopped.
    void Terminate() { Cancel(); }
    // Cancels and waits for the thread: a worker started ahead and no longer wanted. Its
    // owner must wait before destroying it, as the destructors of descendants run first.
    void CancelAndWait()
    {
        if (!TakeBack()) {
            Cancel();
            WaitFor();
        }
    }
    // True once the work has ended and StatusCode holds the result.
    bool IsTerminated() const { return Ended.load(); }
    // Waits up to timeout for the end; true when the work has ended.
    bool WaitForEnd(std::chrono::milliseconds timeout);
    // Waits for the thread itself to finish.
    void WaitFor();

    // Also hands the handler to an attached encryption object (kinds 4 and 5).
    void SetOnProgress(TProgressEvent handler);
    // Gives the worker an encryption object of its own (TEncryption::Lend), for work that
    // runs beside other encrypting workers; it goes back when the worker goes.
    void OwnEncryption(std::shared_ptr<TEncryption> lent);

    TStatusCode StatusCode = 0;
    TProgressEvent OnProgress;
    uint8_t SetCreationTime = 0;    // also set the creation time after a copy
    uint8_t ReplaceFutureTimes = 1; // stamps more than a day ahead become now
    uint8_t CopyFlags = 0;          // cfShellCopy, cfShellSilent
    std::vector<uint8_t, TNoInitAllocator<uint8_t>> Buffer;
    std::string Source;
    // The source as a folder listing just found it; when set, the worker does not look
    // the source up again before opening it.
    std::optional<TFindData> SourceListing;
    // The listing left the stored attributes out (Platform::faWithoutStored): the worker
    // reads them before it copies.
    bool SourceListingWithoutStored = false;
    // Set by a caller that holds the source's folder open: the source (still named by
    // Source) is opened there by SourceName, not looked up again by its whole path.
    std::shared_ptr<const Platform::TDestFolder> SourceFolder;
    std::string SourceName;
    std::string Destination;
    // Set by a caller that made the destination file itself (a temporary beside the final
    // name): the worker writes into it and reads it back from it, and Destination only
    // names the file for the checks.
    std::unique_ptr<Platform::TFile> PreparedDestination;
    // Set by a caller that leaves making such a file to the worker, so that it is made on
    // the worker's thread: called once where the destination would be created, and taken
    // as the prepared one; nullptr fails with 0x101 (ecCreateFile).
    std::function<std::unique_ptr<Platform::TFile>()> MakeDestination;
    // Called on the worker's thread when the work stands (done, or only a time or an
    // attribute missing), before its end is told: the caller's step that completes it.
    std::function<void()> OnStands;
    // Set by a backup: the source is watched while it is read. One that changed meanwhile
    // (size, write or change time of the open file) ends with wcChangedWhileCopied, and
    // a copy that the worker stamps takes this last write time instead of the source's,
    // one that the next run does not take for current.
    std::optional<TFileTime> WriteTimeWhenChanged;
    std::unique_ptr<TStream> SourceStream;
    std::unique_ptr<TStream> DestStream;
    int32_t BufferSize;
    std::atomic<bool> Abort{false};
    uint8_t Verify = 0;             // run the verify pass after the operation
    TStatusCode Operation = opCopy; // or-ed into a non-zero result
    uint8_t LevelIndex = 2;         // compression level and strategy of the gzip workers
    uint8_t StrategyIndex = 0;
    uint32_t Crc = 0;                  // CRC-32 of the data read (the plain copy needs it only to verify)
    int64_t Count = 0;                 // bytes read from the source (unpacked bytes when inflating)
    int64_t OutSize = 0;               // bytes written by the compressing workers
    TEncryption* Encryption = nullptr; // borrowed, never freed by the worker
    TThreadPriority Priority;

protected:
    // Filled by OpenSource.
    TFileTimes SourceTimes;
    uint32_t SourceAttr = 0;
    int64_t SourceSize = 0;

    // TCopyThread: the shell copy when CopyFlags has cfShellCopy, else the plain copy.
    virtual void Execute();
    // Stores code | Operation when code is not 0, then signals the end.
    virtual void Done(TStatusCode code);
    virtual void DoProgress(uint8_t kind, int64_t count);
    // Waits while suspended, then tells whether the worker was cancelled.
    bool ShouldStop();

    // Building blocks; each returns a bare code (0, 0x1xx, 0x2xx or icTerminated).
    // OpenSource, then CreateDestination. Nothing stays open on failure.
    TStatusCode OpenFiles();
    // Name checks of both names, the source's times, attributes and size, then the
    // source opened for reading (SourceStream).
    TStatusCode OpenSource();
    bool LookUpSource(TFindData& data) const; // false when missing or a folder
    // In SourceFolder when one is held; never through a link put in a listed file's place.
    std::unique_ptr<TFileStream> OpenSourceStream() const;
    // Makes an existing destination writable, then creates it (DestStream); or takes
    // the prepared one.
    TStatusCode CreateDestination();
    // The written destination opened again for a verify pass; nullptr when it cannot be.
    std::unique_ptr<TStream> OpenWrittenDestination();
    // Closes both streams; 0x105 when the written destination does not close cleanly.
    TStatusCode CloseFiles();
    // After success: close both, set times (0x20F) then attributes (0x206) on the
    // destination. After a failure: close both, keep the partial destination.
    TStatusCode FinishFiles(TStatusCode code);
    // The watched source changed since it was opened (WriteTimeWhenChanged).
    bool SourceChanged() const;
    // SourceChanged looks at the open source: what it finds covers a file grown meanwhile.
    bool SourceWatched() const;
    // After reading the source to its end: 0 when Count is the size expected, or when the
    // watched source changed meanwhile (FinishFiles tells that); else 0x104.
    TStatusCode ReadToEndCode(int64_t expected) const { return Count == expected || SourceChanged() ? 0 : ecReadFile; }
    TStatusCode StampOpenDestination();
    TStatusCode StampClosedDestination();
    // Open, copy in buffer steps with kind 1 progress, finish. Crc is computed only
    // when Verify is set; otherwise the kernel copies (sharing blocks where it can).
    TStatusCode PlainCopy();
    // Our own copy that keeps times and mode (kind 1 with total 1); with Verify it
    // then reads the source for Crc (kind 7).
    TStatusCode ShellCopy();
    // Open, kind 4 progress, salt and verifier, encrypted buffers, code, finish.
    TStatusCode EncryptFile();
    // Checks the password on the source before the destination is touched, then
    // decrypts into it (kind 5 progress from the encryption object).
    TStatusCode DecryptFile();
    // Reads the whole source for Crc and Count (kind 7), as the shell copy's verify needs.
    TStatusCode ReadSourceCrc();
    // Reads the destination back and compares its CRC-32 with Crc (kind 7).
    TStatusCode VerifyCopy();
    // Checks verifier and code of the encrypted destination without writing (kind 7).
    TStatusCode VerifyEncrypted();
    // Compression steps of the backup's worker; the gzip worker overrides them.
    // Here they fail with 0x105.
    virtual TStatusCode GZipFile();
    virtual TStatusCode VerifyGZipFile();

private:
    std::shared_ptr<TEncryption> EncryptionLease; // what Encryption points to, when lent
    TStatusCode CopyBuffers();
    // A handle on the prepared destination kept for the verify pass.
    std::unique_ptr<Platform::TFile> WrittenDestination;
    TStatusCode CopyInKernel();
    void ThreadMain();
    void RunWork();
    void MarkFinished();
    void ApplyPriority();

    bool Started = false;
    bool Joined = false;
    struct TRowSlots;
    std::shared_ptr<TRowSlots> Row; // while in a row on the pool
    std::size_t RowSlot = 0;
    std::atomic<bool> Ended{false};
    bool Finished = false; // the thread has left this worker for good
    mutable std::mutex EndMutex;
    std::condition_variable EndSignal;
    mutable std::mutex GateMutex;
    std::condition_variable GateSignal;
    bool Paused = false;
};

// The restore's worker: decrypts when it has an encryption object, else copies plainly.
class TDecryptThread : public TCopyThread
{
public:
    TDecryptThread(const std::string& source, const std::string& destination, TEncryption* encryption,
                   int32_t bufferSize, TThreadPriority priority = TThreadPriority::tpNormal);

protected:
    void Execute() override;
};

// Waits for the worker's end without freezing the windows: sleeps on the end until the
// next pass of the message loop is due (MessageInterval), runs it, and so on until the
// worker has ended. Returns the moment it ends.
void WaitForWorkerEnd(TCopyThread& worker);
