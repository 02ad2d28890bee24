#include "engine/ZipAhead.h"

#include "engine/WorkPool.h"
#include "foundation/FileStream.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <future>

namespace {

// The default level: near-optimal parsing for small inputs, where it makes entries about
// as small as the best zip writers' and costs little; lazy parsing for larger ones, where
// it would keep the cores busy for several times as long.
constexpr int SmallInputLevel = 10;
constexpr int LargeInputLevel = 6;
constexpr std::size_t SmallInputMost = std::size_t{256} << 10;
constexpr uint64_t MostBytesInFlight = uint64_t{64} << 20;

int WholeLevel(int levelIndex, std::size_t size)
{
    const int defaultLevel = size <= SmallInputMost ? SmallInputLevel : LargeInputLevel;
    const std::array<int, 4> levels = {0, 1, defaultLevel, 12};
    return levels[static_cast<std::size_t>(std::clamp(levelIndex, 0, 3))];
}

// A compressor costs megabytes to set up at the higher levels: one per thread and level.
libdeflate_compressor* ThreadCompressor(int level)
{
    struct TFree
    {
        void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
    };
    thread_local std::array<std::unique_ptr<libdeflate_compressor, TFree>, 13> compressors;
    auto& compressor = compressors[static_cast<std::size_t>(level)];
    if (!compressor)
        compressor.reset(libdeflate_alloc_compressor(level));
    return compressor.get();
}

// Reads the whole file; false when it cannot be read or its size is no longer the listed one.
bool ReadWhole(const std::string& fileName, uint64_t size, std::vector<uint8_t>& data)
{
    const std::unique_ptr<TFileStream> stream = TFileStream::OpenFound(fileName);
    if (!stream)
        return false;
    data.resize(size + 1); // the extra byte tells a file that has grown
    uint64_t got = 0;
    while (got < data.size()) {
        const int64_t read = stream->Read(data.data() + got, static_cast<int64_t>(data.size() - got));
        if (read < 0)
            return false;
        if (read == 0)
            break;
        got += static_cast<uint64_t>(read);
    }
    data.resize(size);
    // A file written meanwhile is read again in its turn, where that is watched too.
    return got == size && !stream->Handle().ChangedSinceOpened();
}

void Compress(TPackedFile& file, int levelIndex)
{
    std::vector<uint8_t> data;
    if (!ReadWhole(file.FileName, file.Size, data))
        return;
    file.Crc = static_cast<uint32_t>(crc32_z(0, data.data(), data.size()));
    file.Packed = DeflateWhole(data.data(), data.size(), levelIndex);
    file.Ok = !file.Packed.empty();
}

} // namespace

std::vector<uint8_t> DeflateWhole(const uint8_t* data, std::size_t size, int levelIndex)
{
    libdeflate_compressor* compressor = ThreadCompressor(WholeLevel(levelIndex, size));
    if (!compressor)
        return {};
    std::vector<uint8_t> out(libdeflate_deflate_compress_bound(compressor, size));
    out.resize(libdeflate_deflate_compress(compressor, data, size, out.data(), out.size()));
    return out;
}

struct TZipAhead::TOffer
{
    TPackedFile File;
    std::promise<void> Done;
    std::future<void> Finished = Done.get_future();
};

TZipAhead::TZipAhead(TWorkPool& pool, int levelIndex)
    : Pool(pool), LevelIndex(levelIndex), Tasks(std::make_unique<TTaskGroup>(pool))
{}

TZipAhead::~TZipAhead()
{
    Tasks->Wait();
}

bool TZipAhead::HasRoom() const
{
    return Offers.size() < 2 * static_cast<std::size_t>(Pool.Threads()) && BytesInFlight < MostBytesInFlight;
}

void TZipAhead::Offer(const std::string& fileName, const Platform::TFindData& listing)
{
    if (listing.Size > MostFileSize || !HasRoom())
        return;
    auto offer = std::make_shared<TOffer>();
    offer->File.FileName = fileName;
    offer->File.Size = listing.Size;
    offer->File.LastWriteTime = listing.LastWriteTime;
    Offers.push_back(offer);
    BytesInFlight += listing.Size;
    Tasks->Post([offer, level = LevelIndex] {
        Compress(offer->File, level);
        offer->Done.set_value();
    });
}

void TZipAhead::DropFront()
{
    BytesInFlight -= Offers.front()->File.Size;
    Offers.pop_front();
}

std::unique_ptr<TPackedFile> TZipAhead::Take(const std::string& fileName, const Platform::TFindData& listing)
{
    const auto found = std::find_if(Offers.begin(), Offers.end(),
                                    [&fileName](const auto& offer) { return offer->File.FileName == fileName; });
    if (found == Offers.end())
        return nullptr;
    while (Offers.front()->File.FileName != fileName)
        DropFront();
    const std::shared_ptr<TOffer> offer = Offers.front();
    DropFront();
    offer->Finished.wait();
    TPackedFile& file = offer->File;
    if (!file.Ok || file.Size != listing.Size || file.LastWriteTime != listing.LastWriteTime)
        return nullptr;
    return std::make_unique<TPackedFile>(std::move(file));
}
