#include "engine/GzipFormat.h"
#include "engine/Deflate.h"
#include "engine/WorkPool.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

namespace {

TReadExact ReaderOver(const TBytes& data)
{
    auto pos = std::make_shared<size_t>(0);
    return [&data, pos](uint8_t* out, size_t size) {
        if (data.size() - *pos < size)
            return false;
        std::memcpy(out, data.data() + *pos, size);
        *pos += size;
        return true;
    };
}

const uint8_t* Bytes(const std::string& text)
{
    return reinterpret_cast<const uint8_t*>(text.data());
}

TBytes Deflated(const std::string& text, int levelIndex, bool parallel = false)
{
    TBytes out;
    TWorkPool pool(3);
    TRawDeflater serial(levelIndex, 0, 4096);
    TParallelDeflater threaded(levelIndex, 0, 65536, pool);
    TDeflater& deflater = parallel ? static_cast<TDeflater&>(threaded) : serial;
    const TByteSink sink = [&out](const uint8_t* d, size_t n) {
        out.insert(out.end(), d, d + n);
        return true;
    };
    EXPECT_EQ(deflater.Write(Bytes(text), text.size(), sink), TDeflateResult::Ok);
    EXPECT_EQ(deflater.Finish(sink), TDeflateResult::Ok);
    EXPECT_EQ(deflater.Crc(), crc32_z(0, Bytes(text), text.size()));
    return out;
}

std::string Inflated(const TBytes& packed, TRawInflater::TResult& last)
{
    std::string out;
    TRawInflater inflater(16);
    size_t at = 0;
    do {
        last = inflater.Inflate(packed.data() + at, packed.size() - at);
        at = packed.size() - inflater.Pending();
        out.append(reinterpret_cast<const char*>(inflater.Output()), inflater.OutputSize());
    } while (last == TRawInflater::TResult::Ok && (inflater.OutputSize() > 0 || inflater.Pending() > 0));
    return out;
}

} // namespace

TEST(GzipFormat, HeaderRoundTripAndOptionalFields)
{
    TGzFileInfo info;
    uint64_t headerSize = 0;
    const TBytes plain = GzHeader("report.txt", 0x5F000000, true);
    ASSERT_EQ(ParseGzHeader(ReaderOver(plain), info, headerSize), TGzHeaderResult::Ok);
    EXPECT_EQ(info.Name, "report.txt");
    EXPECT_EQ(info.MTime, 0x5F000000u);
    EXPECT_TRUE(info.Encrypted);
    EXPECT_EQ(headerSize, plain.size());
    EXPECT_EQ(plain[3], GzFlagName | GzFlagEncrypted);
    EXPECT_TRUE(info.OwnLayout);

    EXPECT_EQ(GzHeader("", 1, false).size(), GzFixedHeaderSize);

    // FEXTRA, FNAME, FCOMMENT and FHCRC as other writers produce them.
    TBytes full = {0x1F, 0x8B, 8, GzFlagExtra | GzFlagName | GzFlagComment | GzFlagHeaderCrc, 1, 0, 0, 0, 0, 3};
    const TBytes tail = {3, 0, 'x', 'y', 'z', 'n', 0, 'c', 'c', 0, 0xAA, 0xBB, 0x99};
    full.insert(full.end(), tail.begin(), tail.end());
    ASSERT_EQ(ParseGzHeader(ReaderOver(full), info, headerSize), TGzHeaderResult::Ok);
    EXPECT_EQ(info.Name, "n");
    EXPECT_FALSE(info.Encrypted);
    EXPECT_FALSE(info.OwnLayout) << "other writers' headers are no copies the backup made";
    EXPECT_EQ(headerSize, full.size() - 1);
}

TEST(GzipFormat, GunzipOutputNameStaysInTheFolder)
{
    struct Case
    {
        const char* stored;
        const char* archive;
        const char* expected;
    } cases[] = {
        {"notes.txt", "x.gz", "notes.txt"},
        {"../../etc/passwd", "x.gz", "passwd"},
        {"C:\\Users\\a\\doc.odt", "x.gz", "doc.odt"},
        {"/abs/", "data.tar.gz", "data.tar"},
        {"", "data.tar.gz", "data.tar"},
        {"..", "y.gz", "y"},
        {".", "y.gz", "y"},
        {"dir\\..", "z.gz", "z"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GunzipOutputName(c.stored, c.archive), c.expected) << c.stored;
    EXPECT_EQ(GunzipOutputName(std::string(GzMaxNameLength + 1, 'a'), "long.gz"), "long");
    EXPECT_EQ(GunzipOutputName(std::string(GzMaxNameLength, 'a'), "long.gz"), std::string(GzMaxNameLength, 'a'));
}

TEST(GzipFormat, DeflateRoundTripAtEveryLevel)
{
    std::string text;
    for (int i = 0; i < 5000; ++i)
        text += "line " + std::to_string(i * 7919 % 1000) + "\n";
    for (int level = 0; level < 4; ++level) {
        const TBytes packed = Deflated(text, level);
        TRawInflater::TResult last{};
        EXPECT_EQ(Inflated(packed, last), text) << level;
        EXPECT_EQ(last, TRawInflater::TResult::StreamEnd);
    }
    // The empty stream is the single final block zlib writes: 03 00.
    EXPECT_EQ(Deflated("", 2), (TBytes{0x03, 0x00}));
}

TEST(GzipFormat, TruncatedDeflateNeverReachesTheEnd)
{
    TBytes packed = Deflated(std::string(100000, 'q') + "tail", 2);
    packed.resize(packed.size() - 2);
    TRawInflater::TResult last{};
    Inflated(packed, last);
    EXPECT_NE(last, TRawInflater::TResult::StreamEnd);

    TBytes garbage(64, 0xFF);
    Inflated(garbage, last);
    EXPECT_EQ(last, TRawInflater::TResult::DataError);
}

TEST(GzipFormat, ParallelBlocksJoinIntoOneStream)
{
    std::string text;
    for (int i = 0; text.size() < 400000; ++i)
        text += "record " + std::to_string(i * 7919 % 10007) + (i % 5 ? " alpha\n" : " beta gamma\n");
    // Block boundaries: exact multiples leave an empty last block.
    for (size_t size : {size_t(0), size_t(65536), size_t(131072), size_t(131073), size_t(393215)}) {
        const std::string part = text.substr(0, size);
        for (int level : {0, 2}) {
            const TBytes packed = Deflated(part, level, true);
            TRawInflater::TResult last{};
            EXPECT_EQ(Inflated(packed, last), part) << size << " " << level;
            EXPECT_EQ(last, TRawInflater::TResult::StreamEnd);
        }
    }
}

TEST(GzipFormat, AStreamGivenUpMidwayLeavesThePoolReady)
{
    std::string text(3 << 20, 'x');
    for (size_t i = 0; i < text.size(); i += 7)
        text[i] = static_cast<char>('a' + i % 23);
    TWorkPool pool(2);
    for (int failAt : {1, 5}) {
        auto deflater = std::make_unique<TParallelDeflater>(2, 0, 65536, pool);
        int calls = 0;
        const TByteSink sink = [&calls, failAt](const uint8_t*, size_t) { return ++calls < failAt; };
        // Many blocks are queued when the sink refuses; the rest are dropped, none runs on.
        EXPECT_EQ(deflater->Write(Bytes(text), text.size(), sink), TDeflateResult::SinkError);
        deflater.reset();
        EXPECT_EQ(calls, failAt);
    }
    TBytes out;
    TParallelDeflater again(2, 0, 65536, pool);
    const TByteSink keep = [&out](const uint8_t* d, size_t n) {
        out.insert(out.end(), d, d + n);
        return true;
    };
    ASSERT_EQ(again.Write(Bytes(text), text.size(), keep), TDeflateResult::Ok);
    ASSERT_EQ(again.Finish(keep), TDeflateResult::Ok);
    TRawInflater::TResult last{};
    EXPECT_EQ(Inflated(out, last), text);
}

TEST(WorkPool, RunsWhatIsQueuedBeforeItEnds)
{
    std::atomic<int> ran{0};
    {
        TWorkPool pool(2);
        TTaskGroup group(pool);
        for (int i = 0; i < 50; ++i)
            group.Post([&ran] { ++ran; });
        group.Wait();
        EXPECT_EQ(ran, 50);
        for (int i = 0; i < 50; ++i)
            pool.Post([&ran] { ++ran; });
    }
    EXPECT_EQ(ran, 100);
}

// Tasks that come in bursts, with pauses in which the threads go to sleep, from two
// threads at once: none is lost between a thread's brief wait and its sleep.
TEST(WorkPool, BurstsWithPausesAllRun)
{
    TWorkPool pool(3);
    std::atomic<int> ran{0};
    const auto post = [&pool, &ran] {
        for (int burst = 0; burst < 20; ++burst) {
            TTaskGroup group(pool);
            for (int i = 0; i < 1 + burst % 7; ++i)
                group.Post([&ran] { ++ran; });
            group.Wait();
            std::this_thread::sleep_for(std::chrono::microseconds(burst % 2 == 0 ? 10 : 300));
        }
    };
    std::thread other(post);
    post();
    other.join();
    int expected = 0;
    for (int burst = 0; burst < 20; ++burst)
        expected += 2 * (1 + burst % 7);
    EXPECT_EQ(ran, expected);
}

// Work posted ahead: taken back while the pool is busy it runs once, on the owner's thread;
// begun by the pool it is waited for; not needed and not begun, it never runs.
TEST(WorkPool, WorkAheadRunsOnceWhereverItRuns)
{
    TWorkPool pool(1);
    std::mutex gate;
    std::unique_lock closed(gate);
    std::atomic<bool> blocking{false};
    pool.Post([&] {
        blocking = true;
        std::lock_guard wait(gate);
    });
    while (!blocking)
        std::this_thread::yield();

    std::atomic<int> runs{0};
    std::thread::id ranOn;
    {
        TWorkAhead taken(pool, [&] {
            ++runs;
            ranOn = std::this_thread::get_id();
        });
        taken.Finish();
        EXPECT_EQ(runs, 1);
        EXPECT_EQ(ranOn, std::this_thread::get_id());
    }
    std::atomic<int> dropped{0};
    {
        TWorkAhead unneeded(pool, [&dropped] { ++dropped; });
    }
    closed.unlock();

    std::atomic<int> slow{0};
    {
        std::atomic<bool> begun{false};
        TWorkAhead onPool(pool, [&] {
            begun = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            ++slow;
        });
        while (!begun)
            std::this_thread::yield();
        onPool.Finish();
        EXPECT_EQ(slow, 1);
    }
    TTaskGroup drain(pool);
    drain.Post([] {});
    drain.Wait();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(dropped, 0);
    EXPECT_EQ(slow, 1);
}
