#include "engine/Deflate.h"

#include <zlib.h>

#include <algorithm>
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
