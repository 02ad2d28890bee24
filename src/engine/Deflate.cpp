#include "engine/Deflate.h"

#include "engine/WorkPool.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
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
    uint32_t Crc = 0;
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
    State->Crc = static_cast<uint32_t>(crc32_z(State->Crc, data, size));
    return Run(data, size, false, sink);
}

TRawDeflater::TResult TRawDeflater::Finish(const TByteSink& sink)
{
    return Run(nullptr, 0, true, sink);
}

uint32_t TRawDeflater::Crc() const
{
    return State->Crc;
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

namespace {

constexpr size_t DictionarySize = 32768;

// The zlib stream a pool thread keeps for all the blocks it compresses; made anew
// only when a block asks for another level or strategy.
class TThreadStream
{
public:
    TThreadStream() = default;
    TThreadStream(const TThreadStream&) = delete;
    TThreadStream& operator=(const TThreadStream&) = delete;
    ~TThreadStream() { Drop(); }

    // A reset stream, or nullptr when zlib cannot make one.
    z_stream* For(int level, int strategy)
    {
        if (Ready && (level != Level || strategy != Strategy))
            Drop();
        if (Ready) {
            deflateReset(&Stream);
            return &Stream;
        }
        Stream = z_stream{};
        Ready = deflateInit2(&Stream, level, Z_DEFLATED, RawWindowBits, MemoryLevel, strategy) == Z_OK;
        Level = level;
        Strategy = strategy;
        return Ready ? &Stream : nullptr;
    }

private:
    void Drop()
    {
        if (Ready)
            deflateEnd(&Stream);
        Ready = false;
    }

    z_stream Stream{};
    bool Ready = false;
    int Level = 0;
    int Strategy = 0;
};

} // namespace

struct TParallelDeflater::TJob
{
    std::vector<uint8_t> Input;
    std::vector<uint8_t> Dictionary;
    std::vector<uint8_t> Output;
    uint32_t Crc = 0;
    bool Last = false;
    bool Ok = false;
    bool Done = false; // guarded by TState::Lock

    void Run(int level, int strategy)
    {
        thread_local TThreadStream stream;
        z_stream* z = stream.For(level, strategy);
        Crc = static_cast<uint32_t>(crc32_z(0, Input.data(), Input.size()));
        if (!z) {
            Ok = false;
            return;
        }
        if (!Dictionary.empty())
            deflateSetDictionary(z, Dictionary.data(), static_cast<uInt>(Dictionary.size()));
        // Room for the worst case plus the sync flush marker.
        Output.resize(deflateBound(z, static_cast<uLong>(Input.size())) + 64);
        z->next_in = Input.data();
        z->avail_in = static_cast<uInt>(Input.size());
        z->next_out = Output.data();
        z->avail_out = static_cast<uInt>(Output.size());
        const int rc = deflate(z, Last ? Z_FINISH : Z_SYNC_FLUSH);
        Ok = z->avail_in == 0 && (Last ? rc == Z_STREAM_END : rc == Z_OK);
        Output.resize(Output.size() - z->avail_out);
    }
};

struct TParallelDeflater::TState
{
    explicit TState(TWorkPool& pool) : Tasks(pool) {}

    int Level = Z_DEFAULT_COMPRESSION;
    int Strategy = Z_DEFAULT_STRATEGY;
    size_t BlockSize = DefaultBlockSize;
    size_t MaxInFlight = 1;
    uint32_t Crc = 0; // of the blocks written
    std::vector<uint8_t> Block;
    std::vector<uint8_t> Dictionary;
    std::deque<std::shared_ptr<TJob>> InOrder; // submitted, oldest first
    std::vector<std::shared_ptr<TJob>> Spare;  // written jobs whose buffers are reused

    std::mutex Lock;
    std::condition_variable JobDone;
    std::atomic<bool> Cancelled{false};
    TTaskGroup Tasks; // last: waits for the jobs before the members above go

    void RunJob(TJob& job)
    {
        if (!Cancelled.load(std::memory_order_relaxed))
            job.Run(Level, Strategy);
        {
            std::lock_guard lock(Lock);
            job.Done = true;
        }
        JobDone.notify_all();
    }
};

TParallelDeflater::TParallelDeflater(int levelIndex, int strategyIndex, size_t blockSize, TWorkPool& pool)
    : State(new TState(pool))
{
    State->Level = DeflateLevel(levelIndex);
    State->Strategy = DeflateStrategy(strategyIndex);
    State->BlockSize = std::max(blockSize, 2 * DictionarySize);
    State->MaxInFlight = size_t{2} * pool.Threads(); // keeps every thread busy while the oldest is written
    State->Block.reserve(State->BlockSize);
}

TParallelDeflater::~TParallelDeflater()
{
    State->Cancelled = true;
}

bool TParallelDeflater::Worthwhile(int64_t inputSize)
{
    return inputSize > static_cast<int64_t>(DefaultBlockSize) && std::thread::hardware_concurrency() > 1;
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

uint32_t TParallelDeflater::Crc() const
{
    return State->Crc;
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
    State->Tasks.Post([state = State.get(), job] { state->RunJob(*job); });
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
    State->Crc = static_cast<uint32_t>(crc32_combine(State->Crc, job->Crc, static_cast<z_off_t>(job->Input.size())));
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
