#include "engine/CopyThread.h"
#include "engine/Encryption.h"
#include "engine/WinCopyThread.h"
#include "engine/WorkPool.h"

#include "EngineTestUtil.h"
#include "TempFolder.h"
#include "platform/DestFolder.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int32_t BufSize = 4096;

struct TEvent
{
    const void* sender;
    uint8_t kind;
    int64_t count;
};

// Runs a worker to its end; onEvent sees each progress event on the worker's thread.
TStatusCode RunWorker(TCopyThread& worker, std::vector<TEvent>* events = nullptr,
                      const std::function<void(TCopyThread&, const TEvent&)>& onEvent = {})
{
    worker.SetOnProgress([&](const void* sender, uint8_t kind, int64_t count) {
        if (events) {
            events->push_back({sender, kind, count});
        }
        if (onEvent) {
            onEvent(worker, {sender, kind, count});
        }
    });
    worker.Start();
    WaitForWorkerEnd(worker);
    return worker.StatusCode;
}

int64_t ModifiedSeconds(const std::string& host)
{
    struct stat st
    {
    };
    return stat(host.c_str(), &st) == 0 ? st.st_mtim.tv_sec : -1;
}

const auto CancelAtSecondBuffer = [](TCopyThread& worker, const TEvent& event) {
    if (event.count == 2 * BufSize) {
        worker.Cancel();
    }
};

TEST(PlainCopy, CopiesContentAndTimesWithAndWithoutVerify)
{
    TTempFolder dir;
    // Shrinking sizes: each copy also replaces a longer file.
    for (size_t size : {size_t{3 * BufSize + 5}, size_t{BufSize}, size_t{0}}) {
        const auto data = PatternBytes(size, static_cast<uint32_t>(size));
        WriteBytes(dir.Host("in"), data);
        const struct timespec stamp[2] = {{1500000000, 0}, {1500000000, 0}};
        utimensat(AT_FDCWD, dir.Host("in").c_str(), stamp, 0);
        TCopyThread worker(dir.Win("in"), dir.Win("out"), BufSize);
        std::vector<TEvent> events;
        EXPECT_EQ(RunWorker(worker, &events), 0u) << size;
        EXPECT_EQ(ReadBytes(dir.Host("out")), data) << size;
        EXPECT_EQ(ModifiedSeconds(dir.Host("out")), 1500000000) << size;
        EXPECT_EQ(events.front().count, -static_cast<int64_t>(size));
        EXPECT_EQ(events.back().count, static_cast<int64_t>(size));
        EXPECT_EQ(events.size(), 1 + (size + BufSize - 1) / BufSize) << size;
        // With a verify pass the copy goes through the buffer for its CRC.
        TWinCopyThread verified(dir.Win("in"), dir.Win("verified"), nullptr, false, true, BufSize);
        events.clear();
        EXPECT_EQ(RunWorker(verified, &events), 0u) << size;
        EXPECT_EQ(ReadBytes(dir.Host("verified")), data) << size;
        EXPECT_EQ(events.back().kind, pkCopyVerify);
    }
}

TEST(PlainCopy, OverwritesAReadOnlyDestinationAndCancelKeepsThePart)
{
    TTempFolder dir;
    WriteBytes(dir.Host("in"), PatternBytes(10 * BufSize));
    WriteBytes(dir.Host("out"), PatternBytes(50, 9));
    chmod(dir.Host("out").c_str(), 0444);
    chmod(dir.Host("in").c_str(), 0444);
    TCopyThread worker(dir.Win("in"), dir.Win("out"), BufSize);
    EXPECT_EQ(RunWorker(worker), 0u);
    EXPECT_EQ(ReadBytes(dir.Host("out")), PatternBytes(10 * BufSize));
    EXPECT_EQ(Platform::GetFileAttributes(dir.Win("out")) & faReadOnly, faReadOnly);

    TCopyThread cancelled(dir.Win("in"), dir.Win("part"), BufSize);
    EXPECT_EQ(RunWorker(cancelled, nullptr, CancelAtSecondBuffer), 0x1080u);
    EXPECT_EQ(ReadBytes(dir.Host("part")).size(), static_cast<size_t>(2 * BufSize));
}

TEST(PlainCopy, ChecksNamesBeforeTouchingAnything)
{
    TTempFolder dir;
    WriteBytes(dir.Host("in"), PatternBytes(10));
    const std::string base = dir.Win() + "\\";
    const std::string name259 = base + std::string(259 - base.size(), 'a');
    const std::string name260 = base + std::string(260 - base.size(), 'b');
    const struct
    {
        std::string source;
        std::string destination;
        TStatusCode expected;
    } cases[] = {
        {dir.Win("missing"), dir.Win("out"), 0x110E},
        {name260, dir.Win("out"), 0x110D},
        {dir.Win("in"), name260, 0x110D},
        {dir.Win("in"), "", 0x1101},
        {dir.Win("in"), name259, 0},
        {name259, dir.Win("copy"), 0},
    };
    for (const auto& c : cases) {
        TCopyThread worker(c.source, c.destination, BufSize);
        EXPECT_EQ(RunWorker(worker), c.expected) << c.source << " -> " << c.destination;
    }
    EXPECT_EQ(ReadBytes(dir.Host("copy")), PatternBytes(10));
}

TEST(PlainCopy, TakesTimesAndAttributesFromAListingAndNoticesAGoneSource)
{
    TTempFolder dir;
    WriteBytes(dir.Host("in"), PatternBytes(10));
    TFindData listed;
    ASSERT_TRUE(Platform::GetFindData(dir.Win("in"), listed));
    listed.LastWriteTime = Platform::FileTimeFromUnix(1500000000);
    listed.Attr = faHidden;
    TCopyThread worker(dir.Win("in"), dir.Win("out"), BufSize);
    worker.SourceListing = listed;
    EXPECT_EQ(RunWorker(worker), 0u);
    EXPECT_EQ(ReadBytes(dir.Host("out")), PatternBytes(10));
    EXPECT_EQ(ModifiedSeconds(dir.Host("out")), 1500000000);
    EXPECT_EQ(Platform::GetFileAttributes(dir.Win("out")), faHidden);

    // Listed, then deleted before the copy: the same code as an unlisted missing file.
    Platform::DeleteFile(dir.Win("in"));
    TCopyThread gone(dir.Win("in"), dir.Win("out2"), BufSize);
    gone.SourceListing = listed;
    EXPECT_EQ(RunWorker(gone), 0x110Eu);
}

// A source whose folder the caller holds open is opened there, not by its whole path again.
TEST(PlainCopy, ReadsTheSourceInTheFolderItWasGiven)
{
    TTempFolder dir;
    std::filesystem::create_directory(dir.Host("src"));
    WriteBytes(dir.Host("src/in"), PatternBytes(10));
    TFindData listed;
    ASSERT_TRUE(Platform::GetFindData(dir.Win("src\\in"), listed));
    std::shared_ptr<const Platform::TDestFolder> folder = Platform::TDestFolder::Open(dir.Win("src"));
    ASSERT_NE(folder, nullptr);
    std::filesystem::rename(dir.Host("src"), dir.Host("moved"));
    TCopyThread worker(dir.Win("src\\in"), dir.Win("out"), BufSize);
    worker.SourceListing = listed;
    worker.SourceFolder = folder;
    worker.SourceName = "in";
    EXPECT_EQ(RunWorker(worker), 0u);
    EXPECT_EQ(ReadBytes(dir.Host("out")), PatternBytes(10));

    TCopyThread gone(dir.Win("src\\in"), dir.Win("out2"), BufSize);
    gone.SourceListing = listed;
    gone.SourceFolder = folder;
    gone.SourceName = "missing";
    EXPECT_EQ(RunWorker(gone), 0x110Eu);
}

// A destination the worker makes itself is written in place of the named one; one it
// cannot make fails the copy as a destination that cannot be created.
TEST(PlainCopy, WritesIntoTheDestinationItMakes)
{
    TTempFolder dir;
    WriteBytes(dir.Host("in"), PatternBytes(10));
    TCopyThread worker(dir.Win("in"), dir.Win("named"), BufSize);
    worker.MakeDestination = [&] { return Platform::CreateNewFile(dir.Win("made")); };
    EXPECT_EQ(RunWorker(worker), 0u);
    EXPECT_EQ(ReadBytes(dir.Host("made")), PatternBytes(10));
    EXPECT_FALSE(Platform::AnyExists(dir.Win("named")));

    TCopyThread refused(dir.Win("in"), dir.Win("named"), BufSize);
    refused.MakeDestination = [] { return nullptr; };
    EXPECT_EQ(RunWorker(refused), 0x1101u);
    EXPECT_FALSE(Platform::AnyExists(dir.Win("named")));
}

TEST(ShellCopy, KeepsTimesAndVerifiesAgainstTheSource)
{
    TTempFolder dir;
    WriteBytes(dir.Host("in"), PatternBytes(3 * BufSize + 7));
    TWinCopyThread shell(dir.Win("in"), dir.Win("shell"), nullptr, false, true, BufSize);
    shell.CopyFlags = cfShellCopy;
    std::vector<TEvent> events;
    EXPECT_EQ(RunWorker(shell, &events), 0u);
    EXPECT_EQ(events.front().kind, pkCopy);
    EXPECT_EQ(events.front().count, -1);
    EXPECT_EQ(ReadBytes(dir.Host("shell")), PatternBytes(3 * BufSize + 7));
    EXPECT_EQ(ModifiedSeconds(dir.Host("shell")), ModifiedSeconds(dir.Host("in")));
}

TEST(WinCopyThread, CompressesThroughTheGzipWorker)
{
    TTempFolder dir;
    WriteBytes(dir.Host("in"), PatternBytes(3 * BufSize + 7));
    TWinCopyThread worker(dir.Win("in"), dir.Win("in.gz"), nullptr, true, true, BufSize);
    EXPECT_EQ(worker.Operation, opGZip);
    EXPECT_EQ(RunWorker(worker), 0u);
    EXPECT_EQ(std::system(("gzip -t '" + dir.Host("in.gz") + "'").c_str()), 0);
}

// Runs the building blocks with a fault between them.
class TFaultWorker : public TWinCopyThread
{
public:
    TFaultWorker(const std::string& source, const std::string& destination, TEncryption* encryption,
                 std::function<TStatusCode(TFaultWorker&)> steps)
        : TWinCopyThread(source, destination, encryption, false, true, BufSize), Steps(std::move(steps))
    {}
    ~TFaultWorker() override { WaitFor(); }

    std::function<TStatusCode(TFaultWorker&)> Steps;
    using TCopyThread::EncryptFile;
    using TCopyThread::FinishFiles;
    using TCopyThread::OpenFiles;
    using TCopyThread::PlainCopy;
    using TCopyThread::VerifyCopy;
    using TCopyThread::VerifyEncrypted;

protected:
    void Execute() override { Done(Steps(*this)); }
};

void FlipByte(const std::string& host, size_t at)
{
    auto data = ReadBytes(host);
    data[at] ^= 0x40;
    WriteBytes(host, data);
}

TEST(Verify, FindsADifferentByte)
{
    TTempFolder dir;
    WriteBytes(dir.Host("in"), PatternBytes(3 * BufSize));
    TEncryption encryption("pw", BufSize, 1);
    const std::string out = dir.Host("out");
    TFaultWorker copy(dir.Win("in"), dir.Win("out"), nullptr, [&](TFaultWorker& w) {
        const TStatusCode code = w.PlainCopy();
        FlipByte(out, 5000);
        return code ? code : w.VerifyCopy();
    });
    EXPECT_EQ(RunWorker(copy), 0x110Cu);
    TFaultWorker encrypt(dir.Win("in"), dir.Win("out"), &encryption, [&](TFaultWorker& w) {
        const TStatusCode code = w.EncryptFile();
        FlipByte(out, 5000);
        return code ? code : w.VerifyEncrypted();
    });
    EXPECT_EQ(RunWorker(encrypt), 0x510Cu);
}

TEST(FinishFiles, TimesThatCannotBeSetAreAWarning)
{
    TTempFolder dir;
    WriteBytes(dir.Host("in"), PatternBytes(10));
    TFaultWorker worker(dir.Win("in"), dir.Win("out"), nullptr, [&](TFaultWorker& w) {
        const TStatusCode code = w.OpenFiles();
        Platform::DeleteFile(dir.Win("out"));
        return code ? code : w.FinishFiles(0);
    });
    EXPECT_EQ(RunWorker(worker), 0x120Fu);
}

TEST(EncryptFile, WritesWhatTheIndependentReaderAcceptsAndReadsItBack)
{
    TTempFolder dir;
    const auto data = PatternBytes(2 * BufSize + 3);
    WriteBytes(dir.Host("in"), data);
    TEncryption encryption("Kennwort", BufSize, 3);
    TWinCopyThread worker(dir.Win("in"), dir.Win("in.enc"), &encryption, false, true, BufSize);
    std::vector<TEvent> events;
    EXPECT_EQ(RunWorker(worker, &events), 0u);
    EXPECT_EQ(events.front().kind, pkEncrypt);
    EXPECT_EQ(events.front().count, -static_cast<int64_t>(data.size()));
    const std::string command = "/usr/bin/python3 '" + SourceDir() +
                                "/tests/engine/encstream.py' decrypt 3 Kennwort '" + dir.Host("in.enc") + "' '" +
                                dir.Host("peer.out") + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(ReadBytes(dir.Host("peer.out")), data);
    {
        TDecryptThread back(dir.Win("in.enc"), dir.Win("back"), &encryption, BufSize);
        events.clear();
        EXPECT_EQ(RunWorker(back, &events), 0u);
        EXPECT_EQ(ReadBytes(dir.Host("back")), data);
        EXPECT_EQ(events.back().sender, &encryption);
        EXPECT_EQ(events.back().kind, pkDecrypt);
    }
    // The worker only borrowed the object and leaves no handler behind.
    EXPECT_FALSE(static_cast<bool>(encryption.OnProgress));
}

TEST(EncryptFile, CancelAndOverlongPasswordEndWithCodes)
{
    TTempFolder dir;
    WriteBytes(dir.Host("in"), PatternBytes(8 * BufSize));
    TEncryption encryption("pw", BufSize, 1);
    TWinCopyThread cancelled(dir.Win("in"), dir.Win("a.enc"), &encryption, false, true, BufSize);
    EXPECT_EQ(RunWorker(cancelled, nullptr, CancelAtSecondBuffer), 0x5080u);
    TEncryption overlong(std::string(129, 'p'), BufSize, 0);
    TWinCopyThread refused(dir.Win("in"), dir.Win("b.enc"), &overlong, false, false, BufSize);
    EXPECT_EQ(RunWorker(refused), 0x510Au);
}

std::vector<uint8_t> SaltOf(const std::string& host)
{
    const auto stream = ReadBytes(host);
    return {stream.begin(), stream.begin() + std::min<std::ptrdiff_t>(16, std::ssize(stream))};
}

TEST(EncryptFile, WorkersSideBySideEachHaveALentObjectAndAFreshSalt)
{
    // Files encrypted at once on the pool (with their verify pass) while the lender
    // writes a stream of its own: every file reads back, no salt comes twice, and the
    // objects given back are lent again.
    TTempFolder dir;
    TEncryption lender("Kennwort", BufSize, 3);
    constexpr int files = 12;
    std::set<std::vector<uint8_t>> salts;
    std::set<const TEncryption*> lentBefore;
    for (int round = 0; round < 2; ++round) {
        std::vector<std::unique_ptr<TWinCopyThread>> workers;
        int reused = 0;
        for (int i = 0; i < files; ++i) {
            const std::string name = std::to_string(round) + "-" + std::to_string(i);
            WriteBytes(dir.Host(name), PatternBytes(size_t(1000 * i + round), uint32_t(i)));
            std::shared_ptr<TEncryption> lent = lender.Lend();
            ASSERT_TRUE(lent);
            reused += lentBefore.count(lent.get()) > 0 ? 1 : 0;
            lentBefore.insert(lent.get());
            auto worker = std::make_unique<TWinCopyThread>(dir.Win(name), dir.Win(name + ".enc"), lent.get(), false,
                                                           true, BufSize);
            worker->OwnEncryption(std::move(lent));
            worker->StartOn(TWorkPool::ForCallingThread());
            workers.push_back(std::move(worker));
        }
        EXPECT_EQ(reused, round == 0 ? 0 : files);
        const std::string own = "own" + std::to_string(round);
        WriteBytes(dir.Host(own), PatternBytes(3 * BufSize));
        TWinCopyThread ownWorker(dir.Win(own), dir.Win(own + ".enc"), &lender, false, false, BufSize);
        EXPECT_EQ(RunWorker(ownWorker), 0u);
        salts.insert(SaltOf(dir.Host(own + ".enc")));
        for (auto& worker : workers) {
            WaitForWorkerEnd(*worker);
            EXPECT_EQ(worker->StatusCode, 0u) << worker->Source;
        }
        workers.clear();
        TEncryption reader("Kennwort", BufSize, 3);
        for (int i = 0; i < files; ++i) {
            const std::string name = std::to_string(round) + "-" + std::to_string(i);
            TDecryptThread back(dir.Win(name + ".enc"), dir.Win(name + ".back"), &reader, BufSize);
            EXPECT_EQ(RunWorker(back), 0u) << name;
            EXPECT_EQ(ReadBytes(dir.Host(name + ".back")), ReadBytes(dir.Host(name))) << name;
            salts.insert(SaltOf(dir.Host(name + ".enc")));
        }
    }
    EXPECT_EQ(salts.size(), size_t{2 * (files + 1)});
    // Encrypting pays side by side for larger files than copying does; a compressed
    // stream deflates on the pool itself, which a pool thread must not wait for.
    TWinCopyThread encrypting(dir.Win("big"), dir.Win("big.enc"), &lender, false, false, BufSize);
    TWinCopyThread copying(dir.Win("big"), dir.Win("big.copy"), nullptr, false, false, BufSize);
    TWinCopyThread compressing(dir.Win("big"), dir.Win("big.gz.enc"), &lender, true, false, BufSize);
    for (TWinCopyThread* worker : {&encrypting, &copying, &compressing}) {
        worker->SourceListing = Platform::TFindData{};
        worker->SourceListing->Size = TCopyThread::BriefEncryptedBytes;
    }
    EXPECT_TRUE(encrypting.IsBrief());
    EXPECT_FALSE(copying.IsBrief());
    EXPECT_FALSE(compressing.IsBrief());
    // An object given back after its lender went is freed, and a lent one lends nothing.
    auto gone = std::make_unique<TEncryption>("pw", BufSize, 1);
    std::shared_ptr<TEncryption> late = gone->Lend();
    ASSERT_TRUE(late);
    EXPECT_FALSE(late->Lend());
    gone.reset();
    late.reset();
}

TEST(DecryptFile, WrongPasswordOrDamageFailsAndTheExistingFileSurvivesTheFirst)
{
    TTempFolder dir;
    WriteBytes(dir.Host("in"), PatternBytes(5000));
    TEncryption right("right", BufSize, 1);
    TWinCopyThread encrypt(dir.Win("in"), dir.Win("in.enc"), &right, false, false, BufSize);
    ASSERT_EQ(RunWorker(encrypt), 0u);
    WriteBytes(dir.Host("out"), PatternBytes(777, 3));
    TEncryption wrong("wrong", BufSize, 1);
    TDecryptThread worker(dir.Win("in.enc"), dir.Win("out"), &wrong, BufSize);
    EXPECT_EQ(RunWorker(worker), 0x610Bu);
    EXPECT_EQ(ReadBytes(dir.Host("out")), PatternBytes(777, 3));

    auto stream = ReadBytes(dir.Host("in.enc"));
    for (const auto& bytes : {std::vector<uint8_t>(stream.begin(), stream.begin() + 2000),
                              std::vector<uint8_t>(stream.begin(), stream.begin() + 19)}) {
        WriteBytes(dir.Host("bad.enc"), bytes);
        TDecryptThread cut(dir.Win("bad.enc"), dir.Win("bad.out"), &right, BufSize);
        EXPECT_EQ(RunWorker(cut), 0x610Bu) << bytes.size();
    }
    stream[100] ^= 1;
    WriteBytes(dir.Host("bad.enc"), stream);
    TDecryptThread flipped(dir.Win("bad.enc"), dir.Win("bad.out"), &right, BufSize);
    EXPECT_EQ(RunWorker(flipped), 0x610Bu);
}

// A 1 MiB tmpfs stands for a full backup medium.
class FullDisk : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (geteuid() != 0) {
            GTEST_SKIP() << "mounting a small file system needs root";
        }
        std::filesystem::create_directory(dir.Host("full"));
        const std::string command = "mount -t tmpfs -o size=1m tmpfs '" + dir.Host("full") + "' 2>/dev/null";
        if (std::system(command.c_str()) != 0) {
            GTEST_SKIP() << "tmpfs cannot be mounted here";
        }
        mounted = true;
        WriteBytes(dir.Host("big"), PatternBytes(3 << 20));
    }
    void TearDown() override
    {
        if (mounted) {
            std::system(("umount '" + dir.Host("full") + "'").c_str());
        }
    }
    TTempFolder dir;
    bool mounted = false;
};

TEST_F(FullDisk, CopyAndEncryptEndWithLowDiskSpace)
{
    TCopyThread copy(dir.Win("big"), dir.Win("full") + "\\big", 65536);
    EXPECT_EQ(RunWorker(copy), 0x1107u);
    Platform::DeleteFile(dir.Win("full") + "\\big");
    TEncryption encryption("pw", 65536, 1);
    TWinCopyThread encrypt(dir.Win("big"), dir.Win("full") + "\\big.enc", &encryption, false, false, 65536);
    EXPECT_EQ(RunWorker(encrypt), 0x5107u);
}

} // namespace
