#pragma once

// Small zip entries compressed ahead of their turn on the work pool.
//
// Entries are written one after another, and a small file's deflate is over too soon
// to be split into blocks: one by one they would keep a single processor busy. The
// files that come next are read and compressed side by side in memory instead; when a
// file's turn comes, its entry is written from the result. A file that changed since
// it was offered, or that could not be read, takes the ordinary way in its turn, so
// errors are reported where and as they always are.

#include "platform/FileSystem.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

class TTaskGroup;
class TWorkPool;

struct TPackedFile
{
    std::string FileName;
    uint64_t Size = 0;
    Platform::TFileTime LastWriteTime = 0;
    // Set by the pool thread once it is done; read after Wait.
    bool Ok = false;
    uint32_t Crc = 0;
    std::vector<uint8_t> Packed; // raw deflate data
};

class TZipAhead
{
public:
    // Files of at most this size are taken; larger ones are deflated in blocks anyway.
    static constexpr uint64_t MostFileSize = uint64_t{4} << 20;

    TZipAhead(TWorkPool& pool, int levelIndex);
    // Waits for the compressions still running.
    ~TZipAhead();
    TZipAhead(const TZipAhead&) = delete;
    TZipAhead& operator=(const TZipAhead&) = delete;

    // Whether another file may be offered now (a window of files and bytes in flight).
    bool HasRoom() const;
    // Starts compressing the file when it is small enough and has room.
    void Offer(const std::string& fileName, const Platform::TFindData& listing);
    // The finished result for the file when it was offered and is unchanged since (the
    // listing just read); else nullptr. Offers before it that were not taken are dropped.
    std::unique_ptr<TPackedFile> Take(const std::string& fileName, const Platform::TFindData& listing);

private:
    struct TOffer;
    void DropFront();

    TWorkPool& Pool;
    int LevelIndex;
    std::unique_ptr<TTaskGroup> Tasks;
    std::deque<std::shared_ptr<TOffer>> Offers;
    uint64_t BytesInFlight = 0;
};

// Raw deflate of a whole buffer in one call (libdeflate): the same format as the
// stream deflaters, smaller at a comparable cost. levelIndex as for DeflateLevel.
std::vector<uint8_t> DeflateWhole(const uint8_t* data, std::size_t size, int levelIndex);
