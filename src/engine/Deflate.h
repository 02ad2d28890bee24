#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// Raw deflate streams (no zlib or gzip wrapper), as gzip bodies and zip entries hold them.

// zlib level for a worker's level index: store, fastest, zlib's default, best.
int DeflateLevel(int levelIndex);
// zlib strategy for a worker's strategy index: default, filtered, Huffman only, run-length, fixed.
int DeflateStrategy(int strategyIndex);

// Receives compressed or unpacked bytes; returns false to stop with a write error.
using TByteSink = std::function<bool(const uint8_t* data, size_t size)>;

enum class TDeflateResult
{
    Ok,
    CompressError,
    SinkError
};

class TWorkPool;

// Writes one raw deflate stream and the CRC-32 of the bytes it was given.
class TDeflater
{
public:
    virtual ~TDeflater() = default;
    // Compresses the bytes, handing finished output to the sink.
    virtual TDeflateResult Write(const uint8_t* data, size_t size, const TByteSink& sink) = 0;
    // Ends the stream (the final block) and hands the rest to the sink.
    virtual TDeflateResult Finish(const TByteSink& sink) = 0;
    // CRC-32 of all bytes written so far; complete once Finish returned Ok.
    virtual uint32_t Crc() const = 0;
};

// The plain zlib stream: window bits -15, memory level 8.
class TRawDeflater : public TDeflater
{
public:
    using TResult = TDeflateResult;

    TRawDeflater(int levelIndex, int strategyIndex, size_t outputBufferSize);
    ~TRawDeflater() override;
    TRawDeflater(const TRawDeflater&) = delete;
    TRawDeflater& operator=(const TRawDeflater&) = delete;

    TResult Write(const uint8_t* data, size_t size, const TByteSink& sink) override;
    TResult Finish(const TByteSink& sink) override;
    uint32_t Crc() const override;

private:
    TResult Run(const uint8_t* data, size_t size, bool finish, const TByteSink& sink);
    struct TState;
    std::unique_ptr<TState> State;
};

// The same stream format made by several threads: the input is cut into blocks that
// the pool compresses side by side (with their CRC-32), each primed with the 32 KiB
// before it and ended with a sync flush, so the pieces join into one stream that any
// inflater reads. The output is a little larger (a few bytes per block) and not
// byte-identical.
class TParallelDeflater : public TDeflater
{
public:
    TParallelDeflater(int levelIndex, int strategyIndex, size_t blockSize, TWorkPool& pool);
    // Blocks still queued are dropped, running ones waited for: no pool thread works
    // for this stream afterwards.
    ~TParallelDeflater() override;
    TParallelDeflater(const TParallelDeflater&) = delete;
    TParallelDeflater& operator=(const TParallelDeflater&) = delete;

    TDeflateResult Write(const uint8_t* data, size_t size, const TByteSink& sink) override;
    TDeflateResult Finish(const TByteSink& sink) override;
    uint32_t Crc() const override;

    // Small enough that a file of a few hundred KiB keeps several cores busy, large
    // enough that the block ends cost well under a per mille.
    static constexpr size_t DefaultBlockSize = size_t{64} * 1024;
    // Inputs of more than one block gain from the pool.
    static bool Worthwhile(int64_t inputSize);

private:
    struct TJob;
    TDeflateResult Submit(bool last, const TByteSink& sink);
    TDeflateResult WriteOldest(const TByteSink& sink);
    struct TState;
    std::unique_ptr<TState> State;
};

class TRawInflater
{
public:
    explicit TRawInflater(size_t outputBufferSize);
    ~TRawInflater();
    TRawInflater(const TRawInflater&) = delete;
    TRawInflater& operator=(const TRawInflater&) = delete;

    enum class TResult
    {
        Ok,
        StreamEnd,
        DataError
    };

    // Unpacks from the compressed bytes given; Output() then holds OutputSize() bytes.
    // Call again with the remaining input (Pending()) until it is used up.
    TResult Inflate(const uint8_t* data, size_t size);
    const uint8_t* Output() const;
    size_t OutputSize() const;
    // Compressed bytes not yet consumed from the last Inflate call.
    size_t Pending() const;
    bool Ended() const;

private:
    struct TState;
    std::unique_ptr<TState> State;
};
