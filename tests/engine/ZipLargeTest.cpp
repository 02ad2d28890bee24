#include "engine/ZipWrite.h"

#include "PeerTools.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <unistd.h>

// Zip64 through real archives: kept fast with a sparse file and empty entries.

namespace {

// Reading holes of a fresh sparse file on a disk file system fills the page cache
// with zeros; tmpfs reads them from the zero page, many times faster.
std::unique_ptr<TTempFolder> FolderForSparseFiles()
{
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old ? old : "";
    if (access("/dev/shm", W_OK) == 0)
        setenv("TMPDIR", "/dev/shm", 1);
    auto folder = std::make_unique<TTempFolder>();
    if (old)
        setenv("TMPDIR", saved.c_str(), 1);
    else
        unsetenv("TMPDIR");
    return folder;
}

} // namespace

TEST(ZipLarge, FileJustAboveTheZip64Limit)
{
    const std::unique_ptr<TTempFolder> folder = FolderForSparseFiles();
    const TTempFolder& dir = *folder;
    std::filesystem::create_directory(dir.Host("src"));
    dir.WriteHostFile("src/sparse.bin", "");
    std::filesystem::resize_file(dir.Host("src/sparse.bin"), Zip64FileSizeLimit + 1);
    {
        TZipWrite zip(dir.Win("big.zip"), dir.Win("src"), "", 0, 1 << 20);
        zip.AddFile(dir.Win("src\\sparse.bin"));
        zip.Close();
        const TPkHeader& header = zip.Entries[0].Header;
        EXPECT_EQ(header.UncompressedSize, Zip64FileSizeLimit + 1);
        EXPECT_FALSE(header.Zip64); // no value reaches 2^32
    }
    const std::string bytes = dir.ReadHostFile("big.zip");
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    EXPECT_EQ(GetLE16(p + 4), ZipVersionZip64);
    EXPECT_EQ(GetLE32(p + 22), 0xFFFFFFFFu);
    EXPECT_EQ(GetLE16(p + 28), ZipLocalZip64ExtraSize);
    EXPECT_EQ(GetLE16(p + 30 + 10), 0x0001); // the Zip64 extra after the name "sparse.bin"
    EXPECT_EQ(GetLE64(p + 30 + 10 + 4), Zip64FileSizeLimit + 1);
    // Python's zipfile reads the Zip64 extra of the local header to open the entry;
    // unpacking all 4 GiB again would only slow the suite down.
    const std::string python = std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
    const std::string script = "import sys, zipfile\n"
                               "z = zipfile.ZipFile(sys.argv[1])\n"
                               "i = z.infolist()[0]\n"
                               "assert i.filename == 'sparse.bin' and i.file_size == int(sys.argv[2])\n"
                               "assert z.open(i).read(1 << 20) == bytes(1 << 20)\n";
    EXPECT_EQ(RunQuiet(python + " -c " + Quote(script) + " " + Quote(dir.Host("big.zip")) + " " +
                       std::to_string(Zip64FileSizeLimit + 1)),
              0);
    if (RequirePeer("unzip")) {
        EXPECT_EQ(RunQuiet("unzip -l " + Quote(dir.Host("big.zip"))), 0);
    }
}

TEST(ZipLarge, SixtyFiveThousandEntries)
{
    TTempFolder dir;
    std::filesystem::create_directory(dir.Host("src"));
    constexpr int entries = 65536;
    constexpr int linksPerFile = 4096; // links keep the set-up fast; file systems cap them per file
    for (int i = 0; i < entries; ++i) {
        const std::string name = dir.Host("src/" + std::to_string(i));
        if (i % linksPerFile == 0)
            dir.WriteHostFile("src/" + std::to_string(i), std::to_string(i));
        else
            ASSERT_EQ(link(dir.Host("src/" + std::to_string(i - i % linksPerFile)).c_str(), name.c_str()), 0);
    }
    {
        TZipWrite zip(dir.Win("many.zip"), dir.Win("src"), "", 0, 4096);
        for (int i = 0; i < entries; ++i)
            zip.AddFile(dir.Win("src\\" + std::to_string(i)));
        zip.Close();
    }
    const std::string bytes = dir.ReadHostFile("many.zip");
    const auto* end = reinterpret_cast<const uint8_t*>(bytes.data()) + bytes.size() - ZipEndRecordSize;
    EXPECT_EQ(GetLE32(end), ZipEndSignature);
    EXPECT_EQ(GetLE16(end + 8), 0xFFFF);
    EXPECT_EQ(GetLE16(end + 10), 0xFFFF);
    EXPECT_EQ(GetLE32(end - 20), Zip64LocatorSignature);
    const uint8_t* zip64End = reinterpret_cast<const uint8_t*>(bytes.data()) + GetLE64(end - 20 + 8);
    EXPECT_EQ(GetLE32(zip64End), Zip64EndSignature);
    EXPECT_EQ(GetLE64(zip64End + 32), static_cast<uint64_t>(entries));
    if (RequirePeer("unzip")) {
        EXPECT_EQ(RunQuiet("unzip -tq " + Quote(dir.Host("many.zip"))), 0);
    }
    if (RequirePeer("7zz")) {
        EXPECT_EQ(RunQuiet("7zz t " + Quote(dir.Host("many.zip"))), 0);
    }
}
