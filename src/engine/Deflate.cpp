#include "engine/Deflate.h"

#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr int RawWindowBits = -15;
constexpr int MemoryLevel = 8;

} // namespace

int DeflateLevel(int levelIndex)
{
    static constexpr int levels[] = {Z_NO_COMPRESSION, Z_BEST_SPEED, Z_DEFAULT_COMPRESSION, Z_BEST_COMPRESSION};
    return levels[std::clamp(levelIndex, 0, 3)];
}

int DeflateStrategy(int strategyIndex)
{
    static constexpr int strategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
    return strategies[std::clamp(strategyIndex, 0, 4)];
}

struct TRawDeflater::TState
{
    z_stream Stream{};
    bool Ready = false;
    std::vector<uint8_t> Out;
};

TRawDeflater::TRawDeflater(int levelIndex, int strategyIndex, size_t outputBufferSize) : State(new TState)
{
    State->Out.resize(std::max<size_t>(outputBufferSize, 4096));
    State->Ready = deflateInit2(&State->Stream, DeflateLevel(levelIndex), Z_DEFLATED, RawWindowBits, MemoryLevel,
                                DeflateStrategy(strategyIndex)) == Z_OK;
}

TRawDeflater::~TRawDeflater()
{
    if (State->Ready)
        deflateEnd(&State->Stream);
}

TRawDeflater::TResult TRawDeflater::Write(const uint8_t* data, size_t size, const TByteSink& sink)
{
    return Run(data, size, false, sink);
}

TRawDeflater::TResult TRawDeflater::Finish(const TByteSink& sink)
{
    return Run(nullptr, 0, true, sink);
}

TRawDeflater::TResult TRawDeflater::Run(const uint8_t* data, size_t size, bool finish, const TByteSink& sink)
{
    if (!State->Ready)
        return TResult::CompressError;
    z_stream& z = State->Stream;
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = static_cast<uInt>(size);
    for (;;) {
        z.next_out = State->Out.data();
        z.avail_out = static_cast<uInt>(State->Out.size());
        const int rc = deflate(&z, finish ? Z_FINISH : Z_NO_FLUSH);
        if (rc == Z_STREAM_ERROR)
            return TResult::CompressError;
        const size_t produced = State->Out.size() - z.avail_out;
        if (produced > 0 && !sink(State->Out.data(), produced))
            return TResult::SinkError;
        if (finish ? rc == Z_STREAM_END : (z.avail_in == 0 && z.avail_out != 0))
            return TResult::Ok;
    }
}

struct TParallelDeflater::TJob
{
    std::vector<uint8_t> Input;
    std::vector<uint8_t> Dictionary;
    std::vector<uint8_t> Output;
    bool Last = false;
    bool Ok = false;
    bool Done = false; // guarded by TState::Lock

    // z is a reset stream of the pool thread that runs the job.
    void Run(z_stream& z)
    {
        if (!Dictionary.empty())
            deflateSetDictionary(&z, Dictionary.data(), static_cast<uInt>(Dictionary.size()));
        // Room for the worst case plus the sync flush marker.
        Output.resize(deflateBound(&z, static_cast<uLong>(Input.size())) + 64);
        z.next_in = Input.data();
        z.avail_in = static_cast<uInt>(Input.size());
        z.next_out = Output.data();
        z.avail_out = static_cast<uInt>(Output.size());
        const int rc = deflate(&z, Last ? Z_FINISH : Z_SYNC_FLUSH);
        Ok = z.avail_in == 0 && (Last ? rc == Z_STREAM_END : rc == Z_OK);
        Output.resize(Output.size() - z.avail_out);
    }
};

struct TParallelDeflater::TState
{
    int Level = Z_DEFAULT_COMPRESSION;
    int Strategy = Z_DEFAULT_STRATEGY;
    size_t BlockSize = DefaultBlockSize;
    size_t MaxInFlight = 1;
    std::vector<uint8_t> Block;
    std::vector<uint8_t> Dictionary;
    std::deque<std::shared_ptr<TJob>> InOrder; // submitted, oldest first
    std::vector<std::shared_ptr<TJob>> Spare;  // written jobs whose buffers are reused

    // The pool: each thread keeps one zlib stream for all its jobs.
    std::vector<std::thread> Threads;
    std::mutex Lock;
    std::condition_variable WorkReady;
    std::condition_variable JobDone;
    std::deque<std::shared_ptr<TJob>> Queue;
    bool Stop = false;

    void ThreadMain()
    {
        z_stream z{};
        const bool ready = deflateInit2(&z, Level, Z_DEFLATED, RawWindowBits, MemoryLevel, Strategy) == Z_OK;
        for (;;) {
            std::shared_ptr<TJob> job;
            {
                std::unique_lock lock(Lock);
                WorkReady.wait(lock, [this] { return Stop || !Queue.empty(); });
                if (Queue.empty())
                    break;
                job = std::move(Queue.front());
                Queue.pop_front();
            }
            if (ready) {
                deflateReset(&z);
                job->Run(z);
            }
            {
                std::lock_guard lock(Lock);
                job->Done = true;
            }
            JobDone.notify_all();
        }
        if (ready)
            deflateEnd(&z);
    }
};

namespace {

constexpr size_t DictionarySize = 32768;

} // namespace

TParallelDeflater::TParallelDeflater(int levelIndex, int strategyIndex, size_t blockSize, unsigned threads)
    : State(new TState)
{
    State->Level = DeflateLevel(levelIndex);
    State->Strategy = DeflateStrategy(strategyIndex);
    State->BlockSize = std::max(blockSize, 2 * DictionarySize);
    threads = std::max(threads, 1u);
    State->MaxInFlight = 2 * threads; // keeps every thread busy while the oldest is written
    State->Block.reserve(State->BlockSize);
    for (unsigned i = 0; i < threads; ++i)
        State->Threads.emplace_back([state = State.get()] { state->ThreadMain(); });
}

TParallelDeflater::~TParallelDeflater()
{
    {
        std::lock_guard lock(State->Lock);
        State->Stop = true;
    }
    State->WorkReady.notify_all();
    for (std::thread& thread : State->Threads)
        thread.join();
}

bool TParallelDeflater::Worthwhile(int64_t inputSize)
{
    return inputSize >= static_cast<int64_t>(2 * DefaultBlockSize) && std::thread::hardware_concurrency() > 1;
}

TDeflateResult TParallelDeflater::Write(const uint8_t* data, size_t size, const TByteSink& sink)
{
    while (size > 0) {
        // A full block goes out only once more data shows it is not the last one.
        if (State->Block.size() == State->BlockSize) {
            const TDeflateResult result = Submit(false, sink);
            if (result != TDeflateResult::Ok)
                return result;
        }
        const size_t take = std::min(size, State->BlockSize - State->Block.size());
        State->Block.insert(State->Block.end(), data, data + take);
        data += take;
        size -= take;
    }
    return TDeflateResult::Ok;
}

TDeflateResult TParallelDeflater::Finish(const TByteSink& sink)
{
    TDeflateResult result = Submit(true, sink);
    while (result == TDeflateResult::Ok && !State->InOrder.empty())
        result = WriteOldest(sink);
    return result;
}

TDeflateResult TParallelDeflater::Submit(bool last, const TByteSink& sink)
{
    std::shared_ptr<TJob> job;
    if (State->Spare.empty()) {
        job = std::make_shared<TJob>();
    } else {
        job = std::move(State->Spare.back());
        State->Spare.pop_back();
    }
    job->Last = last;
    job->Ok = false;
    job->Done = false;
    job->Dictionary.swap(State->Dictionary);
    job->Input.swap(State->Block);
    const size_t keep = std::min(job->Input.size(), DictionarySize);
    State->Dictionary.assign(job->Input.end() - static_cast<std::ptrdiff_t>(keep), job->Input.end());
    State->Block.clear();
    State->Block.reserve(State->BlockSize);
    State->InOrder.push_back(job);
    {
        std::lock_guard lock(State->Lock);
        State->Queue.push_back(std::move(job));
    }
    State->WorkReady.notify_one();
    while (State->InOrder.size() > State->MaxInFlight) {
        const TDeflateResult result = WriteOldest(sink);
        if (result != TDeflateResult::Ok)
            return result;
    }
    return TDeflateResult::Ok;
}

TDeflateResult TParallelDeflater::WriteOldest(const TByteSink& sink)
{
    std::shared_ptr<TJob> job = std::move(State->InOrder.front());
    State->InOrder.pop_front();
    {
        std::unique_lock lock(State->Lock);
        State->JobDone.wait(lock, [&job] { return job->Done; });
    }
    if (!job->Ok)
        return TDeflateResult::CompressError;
    if (!job->Output.empty() && !sink(job->Output.data(), job->Output.size()))
        return TDeflateResult::SinkError;
    State->Spare.push_back(std::move(job));
    return TDeflateResult::Ok;
}

struct TRawInflater::TState
{
    z_stream Stream{};
    bool Ready = false;
    bool Ended = false;
    std::vector<uint8_t> Out;
    size_t Produced = 0;
};

TRawInflater::TRawInflater(size_t outputBufferSize) : State(new TState)
{
    State->Out.resize(std::max<size_t>(outputBufferSize, 4096));
    State->Ready = inflateInit2(&State->Stream, RawWindowBits) == Z_OK;
}

TRawInflater::~TRawInflater()
{
    if (State->Ready)
        inflateEnd(&State->Stream);
}

TRawInflater::TResult TRawInflater::Inflate(const uint8_t* data, size_t size)
{
    State->Produced = 0;
    if (!State->Ready)
        return TResult::DataError;
    if (State->Ended)
        return TResult::StreamEnd;
    z_stream& z = State->Stream;
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = static_cast<uInt>(size);
    z.next_out = State->Out.data();
    z.avail_out = static_cast<uInt>(State->Out.size());
    const int rc = inflate(&z, Z_NO_FLUSH);
    State->Produced = State->Out.size() - z.avail_out;
    if (rc == Z_STREAM_END) {
        State->Ended = true;
        return TResult::StreamEnd;
    }
    // Z_BUF_ERROR only means no progress was possible with the input given.
    if (rc != Z_OK && rc != Z_BUF_ERROR)
        return TResult::DataError;
    return TResult::Ok;
}

const uint8_t* TRawInflater::Output() const
{
    return State->Out.data();
}

size_t TRawInflater::OutputSize() const
{
    return State->Produced;
}

size_t TRawInflater::Pending() const
{
    return State->Stream.avail_in;
}

bool TRawInflater::Ended() const
{
    return State->Ended;
}
