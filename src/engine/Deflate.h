#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

// Raw deflate streams (no zlib or gzip wrapper), as gzip bodies and zip entries hold them.

// zlib level for a worker's level index: store, fastest, zlib's default, best.
int DeflateLevel(int levelIndex);
// zlib strategy for a worker's strategy index: default, filtered, Huffman only, run-length, fixed.
int DeflateStrategy(int strategyIndex);

// Receives compressed or unpacked bytes; returns false to stop with a write error.
using TByteSink = std::function<bool(const uint8_t* data, size_t size)>;

class TRawDeflater
{
public:
    TRawDeflater(int levelIndex, int strategyIndex, size_t outputBufferSize);
    ~TRawDeflater();
    TRawDeflater(const TRawDeflater&) = delete;
    TRawDeflater& operator=(const TRawDeflater&) = delete;

    enum class TResult
    {
        Ok,
        CompressError,
        SinkError
    };

    // Compresses the bytes, handing finished output to the sink.
    TResult Write(const uint8_t* data, size_t size, const TByteSink& sink);
    // Ends the stream (the final block) and hands the rest to the sink.
    TResult Finish(const TByteSink& sink);

private:
    TResult Run(const uint8_t* data, size_t size, bool finish, const TByteSink& sink);
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
