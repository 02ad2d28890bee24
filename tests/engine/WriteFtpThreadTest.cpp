#include "engine/WriteFtpThread.h"

#include "engine/Encryption.h"
#include "peers/FtpPeer.h"
#include "platform/Drives.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <thread>

namespace fs = std::filesystem;

namespace {

constexpr const char* Password = "upload password";
constexpr int32_t BufferSize = 64 * 1024;

std::string RandomText(size_t size, unsigned seed)
{
    // half random, half repeated, so that gzip has something to do
    std::mt19937 gen(seed);
    std::string data(size, 'a');
    for (size_t i = 0; i < size; i += 2) {
        data[i] = static_cast<char>(gen());
    }
    return data;
}

std::string ReadHostFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool AnyFileNamed(const fs::path& root, const std::string& name)
{
    std::error_code error;
    for (fs::recursive_directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
        if (it->path().filename() == name) {
            return true;
        }
    }
    return false;
}

class WriteFtpThreadTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Peer.Start());
        Local = Peer.Root().parent_path() / (Peer.Root().filename().string() + "-local");
        Temp = Local / "tmp";
        fs::create_directories(Temp);
        const char* old = std::getenv("TMPDIR");
        OldTemp = old ? old : "";
        setenv("TMPDIR", Temp.c_str(), 1);
        ASSERT_TRUE(Connect());
    }

    void TearDown() override
    {
        if (OldTemp.empty()) {
            unsetenv("TMPDIR");
        } else {
            setenv("TMPDIR", OldTemp.c_str(), 1);
        }
        fs::remove_all(Local);
    }

    bool Connect()
    {
        Peer.FillLogin(Ftp);
        Ftp.TransferTimeout = 10000;
        return Ftp.Connect();
    }

    // The local file as Windows path text.
    std::string MakeLocal(const std::string& name, const std::string& content)
    {
        std::ofstream(Local / name, std::ios::binary) << content;
        return Platform::HostToWin((Local / name).string()).value_or("");
    }

    TStatusCode Run(TWriteFtpThread& worker)
    {
        worker.Start();
        WaitForWorkerEnd(worker);
        return worker.StatusCode;
    }

    // Runs the worker, holding its upload after the first MiB until action has run here.
    TStatusCode RunInterrupted(TWriteFtpThread& worker, const std::function<void()>& action)
    {
        std::atomic<bool> midway{false}, acted{false};
        worker.SetOnProgress([&](const void*, uint8_t kind, int64_t count) {
            if (kind == pkUpload && count >= 1024 * 1024 && !midway) {
                midway = true;
                while (!acted) {
                    std::this_thread::yield();
                }
            }
        });
        worker.Start();
        while (!midway) {
            std::this_thread::yield();
        }
        action();
        acted = true;
        WaitForWorkerEnd(worker);
        return worker.StatusCode;
    }

    TFtpPeer Peer;
    TExtFtp Ftp;
    fs::path Local;
    fs::path Temp;
    std::string OldTemp;
};

TEST_F(WriteFtpThreadTest, UploadsReadBackByteForByte)
{
    struct
    {
        bool GZip;
        bool Encrypt;
        size_t Size;
        const char* TempName; // the intermediate that must exist during the upload, or ""
    } const cases[] = {
        {false, false, 100000, ""},
        {true, false, 100000, ""},
        {false, true, 100000, ""},
        {true, true, 5 * 1024 * 1024, ""},
        {false, true, 20 * 1024 * 1024, "encrypt.tmp"},
        {true, false, 12 * 1024 * 1024, "gzip.tmp"},
    };
    int index = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "gzip " << c.GZip << " encrypt " << c.Encrypt << " size " << c.Size);
        const std::string data = RandomText(c.Size, static_cast<unsigned>(++index));
        const std::string name = "file" + std::to_string(index) + ".dat";
        const std::string remote = name + (c.GZip ? ".gz" : c.Encrypt ? ".enc" : "");
        TEncryption encryption(Password, BufferSize, 0);
        TWriteFtpThread worker(&Ftp, MakeLocal(name, data), remote, c.Encrypt ? &encryption : nullptr, c.GZip,
                               BufferSize);
        std::atomic<bool> sawGzipTemp{false}, sawEncryptTemp{false};
        int64_t uploaded = 0;
        worker.SetOnProgress([&](const void*, uint8_t kind, int64_t count) {
            if (kind == pkUpload && count > 0 && uploaded == 0) {
                sawGzipTemp = AnyFileNamed(Temp, "gzip.tmp");
                sawEncryptTemp = AnyFileNamed(Temp, "encrypt.tmp");
            }
            if (kind == pkUpload && count > 0) {
                uploaded = count;
            }
        });
        ASSERT_EQ(0u, Run(worker));
        EXPECT_EQ(std::string(c.TempName) == "gzip.tmp", sawGzipTemp.load());
        EXPECT_EQ(std::string(c.TempName) == "encrypt.tmp", sawEncryptTemp.load());
        EXPECT_FALSE(AnyFileNamed(Temp, "gzip.tmp"));
        EXPECT_FALSE(AnyFileNamed(Temp, "encrypt.tmp"));

        // read back through the client
        TMemoryStream back;
        ASSERT_EQ(0u, Ftp.Download(remote, back));
        EXPECT_EQ(static_cast<int64_t>(back.Data.size()), uploaded);
        const fs::path downloaded = Local / ("back-" + remote);
        std::ofstream(downloaded, std::ios::binary)
            .write(reinterpret_cast<const char*>(back.Data.data()), static_cast<std::streamsize>(back.Data.size()));

        if (!c.GZip && !c.Encrypt) {
            EXPECT_EQ(data, ReadHostFile(downloaded));
        } else if (c.GZip && !c.Encrypt) {
            EXPECT_EQ(0, std::system(("gzip -t '" + downloaded.string() + "'").c_str()));
            EXPECT_EQ(
                0,
                std::system(
                    ("gzip -dc '" + downloaded.string() + "' | cmp -s - '" + (Local / name).string() + "'").c_str()));
        } else if (!c.GZip) {
            TEncryption reader(Password, BufferSize, 0);
            TMemoryStream plain;
            ASSERT_TRUE(reader.Decrypt(back, &plain, back.Size()));
            EXPECT_EQ(data, std::string(plain.Data.begin(), plain.Data.end()));
        } else {
            ASSERT_GE(back.Data.size(), 18u);
            EXPECT_EQ(0x28, back.Data[3]); // name and encrypted body
            const size_t end = back.Data.size();
            EXPECT_EQ(0u, back.Data[end - 8] | back.Data[end - 7] | back.Data[end - 6] | back.Data[end - 5]);
            const fs::path out = Local / "out";
            fs::create_directories(out);
            TGUnZipThread gunzip(Platform::HostToWin(downloaded.string()).value_or(""),
                                 Platform::HostToWin(out.string()).value_or(""), &encryption, BufferSize);
            gunzip.Start();
            WaitForWorkerEnd(gunzip);
            ASSERT_EQ(0u, gunzip.StatusCode);
            EXPECT_EQ(data, ReadHostFile(out / name));
        }
    }
}

TEST_F(WriteFtpThreadTest, CancelBreaksOffALargeUpload)
{
    const std::string data(64 * 1024 * 1024, 'c');
    TWriteFtpThread worker(&Ftp, MakeLocal("large.bin", data), "large.bin", nullptr, false, BufferSize);
    EXPECT_EQ(opCopy | icTerminated, RunInterrupted(worker, [&] { worker.Cancel(); }));
    EXPECT_LT(fs::file_size(Peer.Root() / "large.bin"), data.size());

    // the session carries on with the next worker
    EXPECT_TRUE(Ftp.Connected());
    TWriteFtpThread next(&Ftp, MakeLocal("next.txt", "next"), "next.txt", nullptr, false, BufferSize);
    EXPECT_EQ(0u, Run(next));
    EXPECT_EQ("next", Peer.ReadFile("next.txt"));
}

TEST_F(WriteFtpThreadTest, AServerThatDiesMidUploadReportsTheClosedConnection)
{
    TWriteFtpThread worker(&Ftp, MakeLocal("dies.bin", std::string(32 * 1024 * 1024, 'd')), "dies.bin", nullptr, false,
                           BufferSize);
    // error 27 is what the walk's reconnect loop waits for
    EXPECT_EQ(opCopy | ecFtpClosed, RunInterrupted(worker, [&] { Peer.Stop(); }));
    EXPECT_FALSE(Ftp.Connected());
}

TEST_F(WriteFtpThreadTest, FailuresCarryTheOperation)
{
    const std::string local = MakeLocal("x.txt", "x");
    {
        TWriteFtpThread missing(&Ftp, local + "-missing", "x.txt", nullptr, false, BufferSize);
        EXPECT_EQ(opCopy | ecOpenFile, Run(missing));
        TWriteFtpThread unnamed(&Ftp, local, "", nullptr, true, BufferSize);
        EXPECT_EQ(opGZip | ecCreateFile, Run(unnamed));
    }
    Ftp.Disconnect();
    Peer.Stop();
    ASSERT_TRUE(Peer.Start({"--perm", "elr"}));
    ASSERT_TRUE(Connect());
    TWriteFtpThread refused(&Ftp, local, "x.txt.gz", nullptr, true, BufferSize);
    EXPECT_EQ(opGZip | ecFtpWrite, Run(refused));
    Peer.Stop();
    TEncryption encryption(Password, BufferSize, 0);
    TWriteFtpThread gone(&Ftp, local, "x.txt.enc", &encryption, false, BufferSize);
    EXPECT_EQ(opEncrypt | ecFtpClosed, Run(gone));
}

} // namespace
