#include "engine/ExtFtp.h"

#include "engine/FileTimes.h"
#include "foundation/MessageLoop.h"
#include "peers/FtpPeer.h"
#include "platform/Drives.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

namespace {

class ExtFtpTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(Peer.Start()); }

    bool Connect(const std::vector<std::string>& serverOptions = {})
    {
        if (!serverOptions.empty()) {
            Peer.Stop();
            if (!Peer.Start(serverOptions)) {
                return false;
            }
        }
        Peer.FillLogin(Ftp);
        Ftp.TransferTimeout = 10000;
        return Ftp.Connect();
    }

    std::string Pwd()
    {
        std::string dir;
        EXPECT_TRUE(Ftp.PrintWorkingDir(dir));
        return dir;
    }

    bool Exists(const std::string& relative) const { return std::filesystem::exists(Peer.Root() / relative); }

    TFtpPeer Peer;
    TExtFtp Ftp;
};

TEST_F(ExtFtpTest, UpperCaseNamesAreStoredAndFoundByTheirEncodedName)
{
    ASSERT_TRUE(Connect());
    Ftp.NameCase = 2;
    ASSERT_EQ(0u, Ftp.Upload(SourceOf("data"), "MixedCase.txt", false));
    EXPECT_EQ("data", Peer.ReadFile("MIXEDCASE.TXT"));
    const int64_t local = 1700000000;
    ASSERT_TRUE(Ftp.SetRemoteTime(local, "MixedCase.txt"));
    ASSERT_TRUE(Ftp.FillFileList());
    EXPECT_FALSE(Ftp.NeedsUpdate("MixedCase.txt", 0, local));
    EXPECT_TRUE(Ftp.NeedsUpdate("MixedCase.txt", 0, local + 1));
    EXPECT_FALSE(Ftp.NeedsUpdate("MixedCase.txt", 2, local + 2)); // within the tolerance
    EXPECT_TRUE(Ftp.NeedsUpdate("Other.txt", 0, local));
    EXPECT_TRUE(Ftp.RemoteFileExists("mixedcase.txt"));
}

TEST_F(ExtFtpTest, Utf8NamesAreListedAsTheyAre)
{
    Peer.WriteFile("Grüße ünd €.txt", "x");
    Peer.WriteFile("Ordner ä/inner.txt", "y");
    ASSERT_TRUE(Connect());
    EXPECT_TRUE(Ftp.Utf8);
    ASSERT_TRUE(Ftp.FillFileList());
    ASSERT_EQ(1u, Ftp.Listing.size());
    EXPECT_EQ("Grüße ünd €.txt", Ftp.Listing[0].Name);
    std::vector<TFtpListItem> dirs;
    ASSERT_TRUE(Ftp.FillDirList(dirs));
    ASSERT_EQ(1u, dirs.size());
    EXPECT_EQ("Ordner ä", dirs[0].Name);
    // names go back to the server in UTF-8
    EXPECT_TRUE(Ftp.ChangeToDir("Ordner ä"));
    EXPECT_EQ(0u, Ftp.Upload(SourceOf("z"), "nöch eins.txt", false));
    EXPECT_EQ("z", Peer.ReadFile("Ordner ä/nöch eins.txt"));
}

TEST_F(ExtFtpTest, ChangeToDirCreatesMissingFoldersAndChangeBackReturns)
{
    Peer.WriteFile("a/keep.txt", "");
    ASSERT_TRUE(Connect());
    struct
    {
        const char* Path;
        int Depth;
        const char* Pwd;
    } const cases[] = {
        {"a/b/c", 3, "/a/b/c"},   // b and c are created
        {"a//b/c/", 3, "/a/b/c"}, // empty segments are skipped
        {"/a/b", 2, "/a/b"},      // absolute and present as a whole
        {"/x/y", 0, "/x/y"},      // absolute, created segment by segment
        {"", 0, "/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Path);
        ASSERT_TRUE(Ftp.ChangeDir("/"));
        ASSERT_TRUE(Ftp.ChangeToDir(c.Path));
        EXPECT_EQ(c.Depth, Ftp.Depth);
        EXPECT_EQ(c.Pwd, Pwd());
        EXPECT_TRUE(Ftp.ChangeBack());
        EXPECT_EQ(0, Ftp.Depth);
        EXPECT_EQ(c.Depth ? "/" : c.Pwd, Pwd());
    }
    EXPECT_TRUE(Exists("a/b/c"));
    EXPECT_TRUE(Exists("x/y"));
}

TEST_F(ExtFtpTest, DeleteTreeRemovesFoldersAndCountsFiles)
{
    Peer.WriteFile("top/One.txt", "1");
    Peer.WriteFile("top/two.txt", "2");
    Peer.WriteFile("top/Sub/three.txt", "3");
    Peer.WriteFile("keep.txt", "k");
    ASSERT_TRUE(Connect());
    Ftp.NameCase = 2; // listed names are deleted as listed, not upper-cased
    int counter = 0;
    int processed = 0;
    const TProcessMessagesHook previous = SetProcessMessagesHook([&] { ++processed; });
    EXPECT_TRUE(Ftp.DeleteTree("top", counter));
    SetProcessMessagesHook(previous);
    EXPECT_EQ(3, counter);
    EXPECT_EQ(3, processed);
    EXPECT_FALSE(Exists("top"));
    EXPECT_EQ("/", Pwd());

    // a folder that cannot be entered leaves the current folder alone
    counter = 0;
    EXPECT_FALSE(Ftp.DeleteTree("missing", counter));
    EXPECT_FALSE(Ftp.DeleteTree("..", counter));
    EXPECT_EQ(0, counter);
    EXPECT_TRUE(Exists("keep.txt"));

    // an empty name empties the current folder and keeps it
    Peer.WriteFile("dest/a.txt", "a");
    Peer.WriteFile("dest/sub/b.txt", "b");
    ASSERT_TRUE(Ftp.ChangeToDir("dest"));
    EXPECT_TRUE(Ftp.DeleteTree("", counter));
    EXPECT_EQ(2, counter);
    EXPECT_EQ("/dest", Pwd());
    EXPECT_TRUE(std::filesystem::is_empty(Peer.Root() / "dest"));
}

TEST_F(ExtFtpTest, TransfersReportStatusCodes)
{
    TMemoryStream sink;
    // not connected at all
    EXPECT_EQ(ecFtpClosed, Ftp.Upload(SourceOf("x"), "x.txt", false));
    EXPECT_EQ(ecFtpClosed, Ftp.Download("x.txt", sink));

    ASSERT_TRUE(Connect());
    TMemoryStream first(std::vector<uint8_t>{'s', 'k', 'i', 'p', 'f', 'i', 'r', 's', 't'});
    first.Seek(4); // uploads start at the stream's position
    ASSERT_EQ(0u, Ftp.Upload(first, "f.txt", false));
    ASSERT_EQ(0u, Ftp.Upload(SourceOf("+second"), "f.txt", true));
    ASSERT_EQ(0u, Ftp.Download("f.txt", sink));
    EXPECT_EQ(0, sink.Position());
    EXPECT_EQ("first+second", std::string(sink.Data.begin(), sink.Data.end()));
    EXPECT_EQ(ecFtpRead, Ftp.Download("none.txt", sink));

    // the server goes away between two uploads
    Peer.Stop();
    EXPECT_EQ(ecFtpClosed, Ftp.Upload(SourceOf("x"), "x.txt", false));
}

TEST_F(ExtFtpTest, RemoteTimeComesFromTheLocalFile)
{
    const std::filesystem::path local = Peer.Root().parent_path() / (Peer.Root().filename().string() + ".local");
    std::ofstream(local) << "local";
    const std::string windowsName = Platform::HostToWin(local.string()).value_or("");
    const int64_t written = FileTimeToUnixTime(GetFileWriteTime(windowsName));
    ASSERT_NE(0, written);
    ASSERT_TRUE(Connect());
    ASSERT_EQ(0u, Ftp.Upload(SourceOf("local"), "l.txt", false));
    EXPECT_TRUE(Ftp.SetRemoteTime(windowsName, "l.txt"));
    EXPECT_FALSE(Ftp.SetRemoteTime("C:\\no\\such\\file", "l.txt"));
    ASSERT_TRUE(Ftp.FillFileList());
    EXPECT_FALSE(Ftp.NeedsUpdate("l.txt", 0, written));
    EXPECT_TRUE(Ftp.NeedsUpdate("l.txt", 0, written + 1));
    std::filesystem::remove(local);
}

TEST_F(ExtFtpTest, RemoteTimesNeedAServerThatCanSetThem)
{
    for (const char* disabled : {"FEAT", "MFMT"}) {
        SCOPED_TRACE(disabled);
        Peer.WriteFile("t.txt", "t");
        ASSERT_TRUE(Connect({"--disable", disabled}));
        ASSERT_TRUE(Ftp.FillFileList());
        const int64_t before = Ftp.Listing.at(0).ModifiedUnix;
        EXPECT_TRUE(Ftp.SetRemoteTime(946684800, "t.txt"));
        EXPECT_TRUE(Ftp.SetRemoteTime(946684800, "t.txt"));
        ASSERT_TRUE(Ftp.FillFileList());
        EXPECT_EQ(before, Ftp.Listing.at(0).ModifiedUnix);
        Ftp.Disconnect();
    }
}

} // namespace
