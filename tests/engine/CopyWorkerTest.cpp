#include "engine/CopyThread.h"
#include "engine/Encryption.h"
#include "engine/WinCopyThread.h"

#include "EngineTestUtil.h"
#include "TempFolder.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

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

// Runs a worker to its end, collecting its progress events.
TStatusCode RunWorker(TCopyThread& worker, std::vector<TEvent>* events = nullptr,
                      const std::function<void(TCopyThread&, const TEvent&)>& onEvent = {})
{
    worker.SetOnProgress([&](const void* sender, uint8_t kind, int64_t count) {
        const TEvent event{sender, kind, count};
        if (events) {
            events->push_back(event);
        }
        if (onEvent) {
            onEvent(worker, event);
        }
    });
    worker.Start();
    WaitForWorkerEnd(worker);
    return worker.StatusCode;
}

void WriteFile(const TTempFolder& dir, const std::string& name, const std::vector<uint8_t>& data)
{
    WriteBytes(dir.Host(name), data);
}

std::vector<uint8_t> ReadFile(const TTempFolder& dir, const std::string& name)
{
    return ReadBytes(dir.Host(name));
}

int64_t ModifiedSeconds(const std::string& host)
{
    struct stat st
    {
    };
    return stat(host.c_str(), &st) == 0 ? st.st_mtim.tv_sec : -1;
}

void SetModifiedSeconds(const std::string& host, int64_t seconds)
{
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    utimensat(AT_FDCWD, host.c_str(), times, 0);
}

TEST(PlainCopy, CopiesContentTimesAndReportsProgress)
{
    TTempFolder dir;
    for (size_t size : {size_t{0}, size_t{1}, size_t{BufSize}, size_t{BufSize + 1}, size_t{3 * BufSize + 5}}) {
        const auto data = PatternBytes(size, static_cast<uint32_t>(size));
        WriteFile(dir, "in", data);
        SetModifiedSeconds(dir.Host("in"), 1500000000);
        TCopyThread worker(dir.Win("in"), dir.Win("out"), BufSize);
        std::vector<TEvent> events;
        EXPECT_EQ(RunWorker(worker, &events), 0u) << size;
        EXPECT_EQ(ReadFile(dir, "out"), data) << size;
        EXPECT_EQ(ModifiedSeconds(dir.Host("out")), 1500000000) << size;
        EXPECT_EQ(worker.Count, static_cast<int64_t>(size));
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events.front().kind, pkCopy);
        EXPECT_EQ(events.front().count, -static_cast<int64_t>(size));
        EXPECT_EQ(events.back().count, static_cast<int64_t>(size));
        EXPECT_EQ(events.size(), 1 + (size + BufSize - 1) / BufSize) << size;
        // With a verify pass the copy goes through the buffer for its CRC.
        TWinCopyThread verified(dir.Win("in"), dir.Win("verified"), nullptr, false, true, BufSize);
        EXPECT_EQ(RunWorker(verified), 0u) << size;
        EXPECT_EQ(ReadFile(dir, "verified"), data) << size;
        EXPECT_EQ(ModifiedSeconds(dir.Host("verified")), 1500000000) << size;
    }
}

TEST(PlainCopy, OverwritesAReadOnlyDestination)
{
    TTempFolder dir;
    WriteFile(dir, "in", PatternBytes(100));
    WriteFile(dir, "out", PatternBytes(50, 9));
    chmod(dir.Host("out").c_str(), 0444);
    chmod(dir.Host("in").c_str(), 0444);
    TCopyThread worker(dir.Win("in"), dir.Win("out"), BufSize);
    EXPECT_EQ(RunWorker(worker), 0u);
    EXPECT_EQ(ReadFile(dir, "out"), PatternBytes(100));
    // The source's read-only attribute travels with the copy.
    EXPECT_EQ(Platform::GetFileAttributes(dir.Win("out")) & faReadOnly, faReadOnly);
}

TEST(PlainCopy, ChecksNamesBeforeTouchingAnything)
{
    TTempFolder dir;
    WriteFile(dir, "in", PatternBytes(10));
    // Names of exactly 259 and 260 characters.
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
    EXPECT_EQ(ReadFile(dir, "copy"), PatternBytes(10));
}

TEST(PlainCopy, CancelKeepsThePartialDestination)
{
    TTempFolder dir;
    WriteFile(dir, "in", PatternBytes(10 * BufSize));
    TCopyThread worker(dir.Win("in"), dir.Win("out"), BufSize);
    const auto cancelAtSecond = [](TCopyThread& w, const TEvent& e) {
        if (e.count == 2 * BufSize) {
            w.Cancel();
        }
    };
    EXPECT_EQ(RunWorker(worker, nullptr, cancelAtSecond), 0x1080u);
    EXPECT_EQ(ReadFile(dir, "out").size(), static_cast<size_t>(2 * BufSize));
}

// Drives the building blocks with a fault between them.
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
    WriteFile(dir, "in", PatternBytes(3 * BufSize));
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

TEST(Verify, PassesForIntactCopies)
{
    TTempFolder dir;
    WriteFile(dir, "in", PatternBytes(3 * BufSize + 7));
    TEncryption encryption("pw", BufSize, 2);
    TWinCopyThread copy(dir.Win("in"), dir.Win("copy"), nullptr, false, true, BufSize);
    std::vector<TEvent> events;
    EXPECT_EQ(RunWorker(copy, &events), 0u);
    EXPECT_EQ(events.back().kind, pkCopyVerify);
    EXPECT_EQ(events.back().count, 3 * BufSize + 7);
    TWinCopyThread encrypt(dir.Win("in"), dir.Win("enc"), &encryption, false, true, BufSize);
    EXPECT_EQ(RunWorker(encrypt), 0u);
    TWinCopyThread shell(dir.Win("in"), dir.Win("shell"), nullptr, false, true, BufSize);
    shell.CopyFlags = cfShellCopy;
    events.clear();
    EXPECT_EQ(RunWorker(shell, &events), 0u);
    EXPECT_EQ(events.front().kind, pkCopy);
    EXPECT_EQ(events.front().count, -1);
    EXPECT_EQ(ReadFile(dir, "shell"), PatternBytes(3 * BufSize + 7));
}

TEST(FinishFiles, TimesThatCannotBeSetAreAWarning)
{
    TTempFolder dir;
    WriteFile(dir, "in", PatternBytes(10));
    TFaultWorker worker(dir.Win("in"), dir.Win("out"), nullptr, [&](TFaultWorker& w) {
        const TStatusCode code = w.OpenFiles();
        Platform::DeleteFile(dir.Win("out"));
        return code ? code : w.FinishFiles(0);
    });
    worker.Operation = opCopy;
    EXPECT_EQ(RunWorker(worker), 0x120Fu);
}

TEST(EncryptFile, WritesWhatTheIndependentReaderAccepts)
{
    TTempFolder dir;
    const auto data = PatternBytes(2 * BufSize + 3);
    WriteFile(dir, "in", data);
    TEncryption encryption("Kennwort", BufSize, 3);
    TWinCopyThread worker(dir.Win("in"), dir.Win("in.enc"), &encryption, false, false, BufSize);
    std::vector<TEvent> events;
    EXPECT_EQ(RunWorker(worker, &events), 0u);
    EXPECT_EQ(events.front().kind, pkEncrypt);
    EXPECT_EQ(events.front().count, -static_cast<int64_t>(data.size()));
    EXPECT_EQ(ReadFile(dir, "in.enc").size(), data.size() + 28);
    const std::string command = "/usr/bin/python3 '" + SourceDir() +
                                "/tests/engine/encstream.py' decrypt 3 Kennwort '" + dir.Host("in.enc") + "' '" +
                                dir.Host("peer.out") + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(ReadFile(dir, "peer.out"), data);

    TDecryptThread back(dir.Win("in.enc"), dir.Win("back"), &encryption, BufSize);
    events.clear();
    EXPECT_EQ(RunWorker(back, &events), 0u);
    EXPECT_EQ(ReadFile(dir, "back"), data);
    EXPECT_EQ(events.back().sender, &encryption);
    EXPECT_EQ(events.back().kind, pkDecrypt);
}

TEST(EncryptFile, CancelAndOverlongPasswordEndWithCodes)
{
    TTempFolder dir;
    WriteFile(dir, "in", PatternBytes(8 * BufSize));
    TEncryption encryption("pw", BufSize, 1);
    TWinCopyThread cancelled(dir.Win("in"), dir.Win("a.enc"), &encryption, false, true, BufSize);
    const auto cancelAtFirst = [](TCopyThread& w, const TEvent& e) {
        if (e.count == BufSize) {
            w.Cancel();
        }
    };
    EXPECT_EQ(RunWorker(cancelled, nullptr, cancelAtFirst), 0x5080u);

    TEncryption overlong(std::string(129, 'p'), BufSize, 0);
    TWinCopyThread refused(dir.Win("in"), dir.Win("b.enc"), &overlong, false, false, BufSize);
    EXPECT_EQ(RunWorker(refused), 0x510Au);
}

TEST(DecryptFile, AWrongPasswordLeavesTheExistingFile)
{
    TTempFolder dir;
    WriteFile(dir, "in", PatternBytes(5000));
    TEncryption right("right", BufSize, 1);
    TWinCopyThread encrypt(dir.Win("in"), dir.Win("in.enc"), &right, false, false, BufSize);
    ASSERT_EQ(RunWorker(encrypt), 0u);
    const auto existing = PatternBytes(777, 3);
    WriteFile(dir, "out", existing);
    TEncryption wrong("wrong", BufSize, 1);
    TDecryptThread worker(dir.Win("in.enc"), dir.Win("out"), &wrong, BufSize);
    EXPECT_EQ(RunWorker(worker), 0x610Bu);
    EXPECT_EQ(ReadFile(dir, "out"), existing);
}

TEST(DecryptFile, DamagedOrShortStreamsFail)
{
    TTempFolder dir;
    WriteFile(dir, "in", PatternBytes(5000));
    TEncryption encryption("pw", BufSize, 1);
    TWinCopyThread encrypt(dir.Win("in"), dir.Win("in.enc"), &encryption, false, false, BufSize);
    ASSERT_EQ(RunWorker(encrypt), 0u);
    const auto stream = ReadFile(dir, "in.enc");
    const std::vector<std::vector<uint8_t>> damaged = {
        {stream.begin(), stream.begin() + 2000},
        {stream.begin(), stream.begin() + 19},
        {},
        [&] {
            auto flipped = stream;
            flipped[100] ^= 1;
            return flipped;
        }(),
    };
    for (const auto& bytes : damaged) {
        WriteFile(dir, "bad.enc", bytes);
        TDecryptThread worker(dir.Win("bad.enc"), dir.Win("bad.out"), &encryption, BufSize);
        EXPECT_EQ(RunWorker(worker), 0x610Bu) << bytes.size();
    }
    TDecryptThread plain(dir.Win("in"), dir.Win("plain"), nullptr, BufSize);
    EXPECT_EQ(RunWorker(plain), 0u);
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
        WriteFile(dir, "big", PatternBytes(3 << 20));
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
