#include "engine/GZipThread.h"
#include "engine/Encryption.h"
#include "engine/WinCopyThread.h"

#include "PeerTools.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <zlib.h>

namespace {

constexpr int32_t Buffer = 4096;

std::string Pattern(size_t size, char seed)
{
    std::string out(size, '\0');
    uint32_t x = static_cast<uint32_t>(seed) * 2654435761u;
    for (size_t i = 0; i < size; ++i) {
        x = x * 1664525u + 1013904223u;
        out[i] = (i % 7 == 0) ? static_cast<char>(x >> 24) : static_cast<char>('a' + (i / 13) % 26);
    }
    return out;
}

TStatusCode GZip(const TTempFolder& dir, const std::string& source, const std::string& target,
                 TEncryption* encryption = nullptr, bool verify = true)
{
    TWinCopyThread worker(dir.Win(source), dir.Win(target), encryption, true, verify, Buffer);
    return RunToEnd(worker);
}

TStatusCode GUnzip(const TTempFolder& dir, const std::string& archive, const std::string& folder,
                   TEncryption* encryption = nullptr)
{
    TGUnZipThread worker(dir.Win(archive), dir.Win(folder), encryption, Buffer);
    return RunToEnd(worker);
}

} // namespace

TEST(GZipThread, PlainFilesPassGzipAndComeBack)
{
    TTempFolder dir;
    std::filesystem::create_directory(dir.Host("out"));
    const struct
    {
        const char* name;
        size_t size;
    } files[] = {{"empty.txt", 0},
                 {"one.bin", Buffer},
                 {"many.txt", 10 * Buffer + 17},
                 {"large.txt", 3 * TParallelDeflater::DefaultBlockSize + 17}};
    for (const auto& f : files) {
        SCOPED_TRACE(f.name);
        const std::string data = Pattern(f.size, f.name[0]);
        dir.WriteHostFile(f.name, data);
        const std::string gz = std::string(f.name) + ".gz";
        ASSERT_EQ(GZip(dir, f.name, gz), 0u);
        if (f.size == 0) { // header, name and its zero byte, empty deflate block, trailer
            EXPECT_EQ(std::filesystem::file_size(dir.Host(gz)), 21 + std::string(f.name).size());
        }
        if (RequirePeer("gzip")) {
            EXPECT_EQ(RunQuiet("gzip -t " + Quote(dir.Host(gz))), 0);
            EXPECT_EQ(RunQuiet("gzip -dc " + Quote(dir.Host(gz)) + " | cmp - " + Quote(dir.Host(f.name))), 0);
        }
        TGzFileInfo info;
        ASSERT_TRUE(GetGzFileInfo(dir.Win(gz), info));
        EXPECT_EQ(info.Name, f.name);
        EXPECT_EQ(info.ISize, f.size);
        EXPECT_FALSE(info.Encrypted);
        ASSERT_EQ(GUnzip(dir, gz, "out"), 0u);
        EXPECT_EQ(dir.ReadHostFile(std::string("out/") + f.name), data);
    }
}

TEST(GZipThread, ReadsWhatGzipWrites)
{
    if (!RequirePeer("gzip"))
        return;
    TTempFolder dir;
    std::filesystem::create_directory(dir.Host("out"));
    const std::string data = Pattern(50000, 'g');
    dir.WriteHostFile("named.txt", data);
    ASSERT_EQ(RunQuiet("cd " + Quote(dir.Host()) +
                       " && gzip -c named.txt > stored.gz && gzip -n -c named.txt > "
                       "bare.txt.gz"),
              0);
    ASSERT_EQ(GUnzip(dir, "stored.gz", "out"), 0u);
    EXPECT_EQ(dir.ReadHostFile("out/named.txt"), data);

    ASSERT_EQ(GUnzip(dir, "bare.txt.gz", "out"), 0u);
    EXPECT_EQ(dir.ReadHostFile("out/bare.txt"), data);

    // The same body behind FEXTRA, FNAME, FCOMMENT and FHCRC, as other writers make it.
    std::string bare = dir.ReadHostFile("bare.txt.gz");
    std::string header = bare.substr(0, 10);
    header[3] = static_cast<char>(GzFlagExtra | GzFlagName | GzFlagComment | GzFlagHeaderCrc);
    header += std::string{'\x04', '\0', 'a', 'b', 'c', 'd'} + "fancy.txt" + '\0' + "a comment" + '\0';
    const uLong headerCrc = crc32(0, reinterpret_cast<const Bytef*>(header.data()), uInt(header.size()));
    header += static_cast<char>(headerCrc & 0xFF);
    header += static_cast<char>((headerCrc >> 8) & 0xFF);
    dir.WriteHostFile("fancy.gz", header + bare.substr(10));
    EXPECT_EQ(RunQuiet("gzip -t " + Quote(dir.Host("fancy.gz"))), 0);
    ASSERT_EQ(GUnzip(dir, "fancy.gz", "out"), 0u);
    EXPECT_EQ(dir.ReadHostFile("out/fancy.txt"), data);
}

TEST(GZipThread, EncryptedBodies)
{
    TTempFolder dir;
    std::filesystem::create_directory(dir.Host("out"));
    const std::string data = Pattern(30000, 'e');
    dir.WriteHostFile("secret.txt", data);
    TEncryption key("correct horse", Buffer, 0);
    ASSERT_EQ(GZip(dir, "secret.txt", "secret.txt.gz", &key), 0u);
    TGzFileInfo info;
    ASSERT_TRUE(GetGzFileInfo(dir.Win("secret.txt.gz"), info));
    EXPECT_TRUE(info.Encrypted);
    if (RequirePeer("gzip")) { // FLG bit 0x20 is reserved: real gzip must refuse the file
        EXPECT_NE(RunQuiet("gzip -t " + Quote(dir.Host("secret.txt.gz"))), 0);
    }

    EXPECT_EQ(GUnzip(dir, "secret.txt.gz", "out"), opGUnzip | ecDecrypt);
    // A wrong password leaves an existing file alone.
    dir.WriteHostFile("out/secret.txt", "keep me");
    TEncryption wrong("wrong horse", Buffer, 0);
    EXPECT_EQ(GUnzip(dir, "secret.txt.gz", "out", &wrong), opGUnzip | ecDecrypt);
    EXPECT_EQ(dir.ReadHostFile("out/secret.txt"), "keep me");
    ASSERT_EQ(GUnzip(dir, "secret.txt.gz", "out", &key), 0u);
    EXPECT_EQ(dir.ReadHostFile("out/secret.txt"), data);
}

TEST(GZipThread, LargeEncryptedBodyUsesAPrivateTemporaryFile)
{
    TTempFolder dir;
    TTempFolder tmp;
    const char* oldTmp = std::getenv("TMPDIR");
    const std::string savedTmp = oldTmp ? oldTmp : "";
    setenv("TMPDIR", tmp.Host().c_str(), 1);
    dir.WriteHostFile("big.bin", Pattern(MemoryIntermediateLimit + 1, 'b'));
    TEncryption key("pw", 1 << 16, 1);
    TWinCopyThread worker(dir.Win("big.bin"), dir.Win("big.bin.gz"), &key, true, false, 1 << 16);
    bool seen = false;
    worker.SetOnProgress([&](const void*, uint8_t kind, int64_t count) {
        if (kind != pkEncrypt || count >= 0 || seen)
            return;
        for (const auto& folder : std::filesystem::directory_iterator(tmp.Host())) {
            const auto file = folder.path() / "encrypt.tmp";
            seen = std::filesystem::exists(file) &&
                   std::filesystem::status(folder).permissions() == std::filesystem::perms::owner_all &&
                   std::filesystem::status(file).permissions() ==
                       (std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
        }
    });
    EXPECT_EQ(RunToEnd(worker), 0u);
    if (oldTmp)
        setenv("TMPDIR", savedTmp.c_str(), 1);
    else
        unsetenv("TMPDIR");
    EXPECT_TRUE(seen);
    EXPECT_TRUE(std::filesystem::is_empty(tmp.Host()));
}

TEST(GZipThread, DamagedFiles)
{
    TTempFolder dir;
    std::filesystem::create_directory(dir.Host("out"));
    const std::string data = Pattern(20000, 'd');
    dir.WriteHostFile("d.txt", data);
    ASSERT_EQ(GZip(dir, "d.txt", "d.txt.gz"), 0u);
    const std::string good = dir.ReadHostFile("d.txt.gz");

    std::string badCrc = good;
    badCrc[badCrc.size() - 8] ^= 0x55;
    std::string cut = good.substr(0, good.size() / 2);
    const struct
    {
        std::string bytes;
        TStatusCode code;
    } cases[] = {
        {"PK\x03\x04 not gzip at all", opGUnzip | ecGZipHeader},
        {badCrc, opGUnzip | ecCorruptFile},
        {cut, opGUnzip | ecReadFile},
        {good.substr(0, 13), opGUnzip | ecReadFile}, // the name ends early
    };
    for (const auto& c : cases) {
        dir.WriteHostFile("x.gz", c.bytes);
        EXPECT_EQ(GUnzip(dir, "x.gz", "out"), c.code);
        if (c.code == (opGUnzip | ecCorruptFile)) { // the unpacked output stays on disk
            EXPECT_EQ(dir.ReadHostFile("out/d.txt"), data);
        }
    }
    EXPECT_EQ(StatusCodeText(opGUnzip | ecGZipHeader), "Error: Illegal GZip header (GUnzip)");
}

TEST(GZipThread, StoredNameCannotLeaveTheFolder)
{
    TTempFolder dir;
    std::filesystem::create_directory(dir.Host("out"));
    std::string gz = std::string("\x1f\x8b\x08\x08\0\0\0\0\0\0", 10) + "../escape.txt" + '\0';
    gz += std::string("\x03\x00", 2) + std::string(8, '\0');
    dir.WriteHostFile("e.gz", gz);
    TGUnZipThread worker(dir.Win("e.gz"), dir.Win("out"), nullptr, Buffer);
    EXPECT_EQ(RunToEnd(worker), 0u);
    EXPECT_EQ(worker.OutputName, dir.Win("out\\escape.txt"));
    EXPECT_TRUE(std::filesystem::exists(dir.Host("out/escape.txt")));
    EXPECT_FALSE(std::filesystem::exists(dir.Host("escape.txt")));
}

TEST(GZipThread, CancelStopsWithTheGzipCode)
{
    TTempFolder dir;
    dir.WriteHostFile("c.bin", Pattern(40 * Buffer, 'c'));
    TGZipThread worker(dir.Win("c.bin"), dir.Win("c.bin.gz"), nullptr, Buffer);
    worker.SetOnProgress([&worker](const void*, uint8_t, int64_t count) {
        if (count > 4 * Buffer)
            worker.Cancel();
    });
    EXPECT_EQ(RunToEnd(worker), opGZip | icTerminated);
}
