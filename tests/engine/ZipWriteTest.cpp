#include "engine/ZipWrite.h"

#include "PeerTools.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/time.h>

namespace {

constexpr int32_t Buffer = 1 << 16;

std::string Text(size_t size, int seed)
{
    std::string out;
    while (out.size() < size)
        out += "entry " + std::to_string(seed) + " line " + std::to_string(out.size() % 977) + "\n";
    out.resize(size);
    return out;
}

std::string Python()
{
    return std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
}

std::string CommandOutput(const std::string& command)
{
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char chunk[4096];
        size_t got = 0;
        while ((got = fread(chunk, 1, sizeof chunk, pipe)) > 0)
            out.append(chunk, got);
        pclose(pipe);
    }
    return out;
}

std::string ZipCheck(const TTempFolder& dir, const std::string& archive)
{
    const std::string script = std::string(TESSARO_SOURCE_DIR) + "/tests/engine/zipcheck.py";
    return CommandOutput(Python() + " " + Quote(script) + " " + Quote(dir.Host(archive)) + " " +
                         Quote(dir.Host("src")) + " 2>&1");
}

// A small tree under "src" with a folder, an empty file and non-ASCII names.
std::vector<std::string> MakeTree(const TTempFolder& dir)
{
    std::filesystem::create_directories(dir.Host("src/sub"));
    const std::vector<std::string> files = {"a.txt", "sub/b.txt", "sub/empty.dat", "Ärger.txt", "日本.txt"};
    for (size_t i = 0; i < files.size(); ++i)
        dir.WriteHostFile("src/" + files[i], files[i] == "sub/empty.dat" ? "" : Text(3000 + 40000 * i, int(i)));
    return files;
}

std::string WinName(const std::string& relative)
{
    std::string out = relative;
    for (char& c : out)
        if (c == '/')
            c = '\\';
    return out;
}

// ahead: every file is offered to be compressed ahead before the first is added.
void WriteTree(const TTempFolder& dir, const std::string& archive, const std::string& password, int mode,
               bool ahead = false)
{
    const std::vector<std::string> files = MakeTree(dir);
    TZipWrite zip(dir.Win(archive), dir.Win("src"), password, mode, Buffer);
    zip.AddDirectory("sub");
    for (const std::string& name : files) {
        Platform::TFindData found;
        if (ahead && Platform::GetFindData(dir.Win("src\\" + WinName(name)), found))
            zip.CompressAhead(dir.Win("src\\" + WinName(name)), found);
    }
    for (const std::string& name : files)
        zip.AddFile(dir.Win("src\\" + WinName(name)));
    zip.Close();
    zip.Verify();
}

} // namespace

TEST(ZipWrite, PlainArchivePassesThePeers)
{
    for (const bool ahead : {false, true}) {
        SCOPED_TRACE(ahead ? "compressed ahead" : "by the worker");
        TTempFolder dir;
        WriteTree(dir, "plain.zip", "", 0, ahead);
        if (RequirePeer("unzip")) {
            EXPECT_EQ(RunQuiet("unzip -t " + Quote(dir.Host("plain.zip"))), 0);
        }
        if (RequirePeer("7zz")) {
            EXPECT_EQ(RunQuiet("7zz t " + Quote(dir.Host("plain.zip"))), 0);
        }
        const std::string listing = ZipCheck(dir, "plain.zip");
        EXPECT_NE(listing.find("sub/ 0x0 \n"), std::string::npos) << listing;
        EXPECT_NE(listing.find("a.txt 0x2 ok"), std::string::npos) << listing;
        EXPECT_NE(listing.find("sub/b.txt 0x2 ok"), std::string::npos) << listing;
        EXPECT_NE(listing.find("sub/empty.dat 0x2 ok"), std::string::npos) << listing;
        EXPECT_NE(listing.find("Ärger.txt 0x2 ok"), std::string::npos) << listing;  // through the DOS table
        EXPECT_NE(listing.find("日本.txt 0x802 ok"), std::string::npos) << listing; // UTF-8 flag
        // The A-umlaut is the DOS byte 0x8E in the archive.
        EXPECT_NE(dir.ReadHostFile("plain.zip").find("\x8Erger.txt"), std::string::npos);
    }
}

// Offered files that are never added are left out; one that changed after its offer is
// written as it is now.
TEST(ZipWrite, FilesCompressedAheadFollowTheWalk)
{
    TTempFolder dir;
    std::filesystem::create_directories(dir.Host("src"));
    for (const char* name : {"skipped.txt", "changed.txt", "same.txt"})
        dir.WriteHostFile(std::string("src/") + name, Text(20000, name[1]));
    TZipWrite zip(dir.Win("ahead.zip"), dir.Win("src"), "", 0, Buffer);
    for (const char* name : {"skipped.txt", "changed.txt", "same.txt"}) {
        Platform::TFindData found;
        ASSERT_TRUE(Platform::GetFindData(dir.Win(std::string("src\\") + name), found));
        zip.CompressAhead(dir.Win(std::string("src\\") + name), found);
    }
    dir.WriteHostFile("src/changed.txt", Text(30000, 7));
    zip.AddFile(dir.Win("src\\changed.txt"));
    zip.AddFile(dir.Win("src\\same.txt"));
    zip.Close();
    zip.Verify();
    const std::string listing = ZipCheck(dir, "ahead.zip");
    EXPECT_NE(listing.find("changed.txt 0x2 ok"), std::string::npos) << listing;
    EXPECT_NE(listing.find("same.txt 0x2 ok"), std::string::npos) << listing;
    EXPECT_EQ(listing.find("skipped"), std::string::npos) << listing;
    if (RequirePeer("unzip")) {
        EXPECT_EQ(RunQuiet("unzip -t " + Quote(dir.Host("ahead.zip"))), 0);
    }
}

TEST(ZipWrite, AesArchivesOfEveryStrength)
{
    for (int mode = 1; mode <= 3; ++mode) {
        SCOPED_TRACE(mode);
        TTempFolder dir;
        WriteTree(dir, "aes.zip", "s3cret pass", mode, mode == 3);
        const std::string bytes = dir.ReadHostFile("aes.zip");
        EXPECT_NE(bytes.find(std::string("\x01\x99\x07\x00\x02\x00"
                                         "AE",
                                         8) +
                             char(mode)),
                  std::string::npos);
        if (RequirePeer("7zz")) {
            EXPECT_EQ(RunQuiet("7zz t -p's3cret pass' " + Quote(dir.Host("aes.zip"))), 0);
        }
        if (RequirePeer("bsdtar")) {
            std::filesystem::create_directory(dir.Host("x"));
            ASSERT_EQ(RunQuiet("bsdtar -x --passphrase 's3cret pass' -C " + Quote(dir.Host("x")) + " -f " +
                               Quote(dir.Host("aes.zip"))),
                      0);
            EXPECT_EQ(dir.ReadHostFile("x/sub/b.txt"), dir.ReadHostFile("src/sub/b.txt"));
            EXPECT_EQ(dir.ReadHostFile("x/日本.txt"), dir.ReadHostFile("src/日本.txt"));
        }
    }
}

TEST(ZipWrite, EmptyArchiveIsTheEndRecordAlone)
{
    TTempFolder dir;
    {
        TZipWrite zip(dir.Win("empty.zip"), dir.Win(""), "", 0, 0);
        zip.Close();
        zip.Verify();
    }
    EXPECT_EQ(std::filesystem::file_size(dir.Host("empty.zip")), ZipEndRecordSize);
    if (RequirePeer("unzip")) { // unzip reports an empty archive with exit code 1 but no error
        EXPECT_LE(RunQuiet("unzip -t " + Quote(dir.Host("empty.zip"))), 1);
    }
}

TEST(ZipWrite, FailedEntriesAreCutOff)
{
    TTempFolder dir;
    MakeTree(dir);
    TZipWrite zip(dir.Win("cut.zip"), dir.Win("src"), "", 0, Buffer);
    zip.AddFile(dir.Win("src\\a.txt"));
    const auto codeOf = [&](const std::string& name) -> TStatusCode {
        try {
            zip.AddFile(name);
        } catch (const EZipError& e) {
            return e.Code;
        }
        return 0;
    };
    EXPECT_EQ(codeOf(dir.Win("src\\missing.txt")), opZip | ecFileNotFound);
    EXPECT_EQ(codeOf(dir.Win("src\\sub")), opZip | ecReadFile);
    EXPECT_EQ(codeOf(dir.Win("src\\" + std::string(260, 'n'))), opZip | ecPathTooLong);
    zip.SetOnProgress([&zip](const void*, uint8_t kind, int64_t count) {
        if (kind == pkCompress && count > 0 && zip.RunningWorker)
            zip.RunningWorker->Cancel();
    });
    EXPECT_EQ(codeOf(dir.Win("src\\Ärger.txt")), opZip | scError | icTerminated);
    EXPECT_FALSE(zip.WriteError);
    zip.SetOnProgress(nullptr);
    zip.AddFile(dir.Win("src\\sub\\b.txt"));
    zip.Close();
    zip.Verify();
    ASSERT_EQ(zip.Entries.size(), 2u);
    if (RequirePeer("unzip")) {
        EXPECT_EQ(RunQuiet("unzip -t " + Quote(dir.Host("cut.zip"))), 0);
    }
    const std::string listing = ZipCheck(dir, "cut.zip");
    EXPECT_EQ(listing, "a.txt 0x2 ok\nsub/b.txt 0x2 ok\n");
}

TEST(ZipWrite, GrownFileFailsInsteadOfWrongSizes)
{
    TTempFolder dir;
    dir.WriteHostFile("g.txt", Text(5000, 1));
    TMemoryStream archive;
    TZipWriteThread worker(dir.Win("g.txt"), nullptr, archive, Buffer);
    worker.ExpectedSize = 4000; // the size the local header was made for
    EXPECT_EQ(RunToEnd(worker), opZip | ecReadFile);
}

TEST(ZipWrite, VerifyFindsADamagedEntry)
{
    for (const std::string password : {"", "pw"}) {
        SCOPED_TRACE(password);
        TTempFolder dir;
        MakeTree(dir);
        TZipWrite zip(dir.Win("v.zip"), dir.Win("src"), password, 1, Buffer);
        zip.AddFile(dir.Win("src\\a.txt"));
        zip.AddFile(dir.Win("src\\sub\\b.txt"));
        zip.Close();
        const TPkHeader& second = zip.Entries[1].Header;
        {
            // Flipped, not overwritten: an encrypted byte may hold any value already.
            std::fstream file(dir.Host("v.zip"), std::ios::in | std::ios::out | std::ios::binary);
            const auto at = static_cast<std::streamoff>(second.Offset + ZipLocalHeaderSize + 9 + 40);
            file.seekg(at);
            const char byte = static_cast<char>(file.get());
            file.seekp(at);
            file.put(static_cast<char>(~byte));
        }
        std::vector<int64_t> reported;
        zip.OnVerifyProgress = [&](const void*, uint8_t kind, int64_t count) {
            EXPECT_EQ(kind, pkVerify);
            reported.push_back(count);
        };
        try {
            zip.Verify();
            ADD_FAILURE() << "damage not found";
        } catch (const EZipError& e) {
            EXPECT_EQ(e.Code, 0x410Cu);
            EXPECT_EQ(std::string(e.what()), "Error verifying " + dir.Win("v.zip"));
        }
        EXPECT_EQ(reported, (std::vector<int64_t>{-2, 0, 1}));
    }
}

TEST(ZipWrite, TimesBefore1980BecomeTheEarliestDosTime)
{
    TTempFolder dir;
    std::filesystem::create_directory(dir.Host("src"));
    dir.WriteHostFile("src/old.txt", "old");
    const timeval times[2] = {{86400, 0}, {86400, 0}};
    ASSERT_EQ(utimes(dir.Host("src/old.txt").c_str(), times), 0);
    TZipWrite zip(dir.Win("t.zip"), dir.Win("src"), "", 0, Buffer);
    zip.AddFile(dir.Win("src\\old.txt"));
    zip.Close();
    EXPECT_EQ(zip.Entries[0].Header.DosTime, ZipEarliestDosTime);
    const std::string bytes = dir.ReadHostFile("t.zip");
    EXPECT_EQ(GetLE32(reinterpret_cast<const uint8_t*>(bytes.data()) + 10), ZipEarliestDosTime);
}
