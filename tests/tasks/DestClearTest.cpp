#include "tasks/DestClear.h"
#include "PeerTools.h"

#include "RecordingProgressView.h"
#include "TempFolder.h"
#include "engine/ExtFtp.h"
#include "peers/FtpPeer.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

class DestClearTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directories(temp.Host("src"));
        fs::create_directories(temp.Host("dst"));
        log.LogPath = temp.Win("run.log");
        log.OpenLog(LogExtended, false, false);
        task.Compress = true;
        task.EmptyDirs = false;
    }
    void TearDown() override { log.CloseLog(); }
    void Put(const std::string& relative, const std::string& contents = "x")
    {
        fs::create_directories(fs::path(temp.Host(relative)).parent_path());
        temp.WriteHostFile(relative, contents);
    }
    bool Has(const std::string& relative) const { return fs::exists(temp.Host(relative)); }
    // Files deleted; considered keeps the count of the last pass.
    int Sync(TExtensionList& filter)
    {
        TDestClear clear(task, log, supervision);
        clear.FilenameCase = filenameCase;
        int deleted = 0;
        considered = 0;
        clear.SyncDestDir(temp.Win("src"), temp.Win("dst"), "", false, deleted, considered, filter);
        return deleted;
    }

    TTempFolder temp;
    TBackupTask task;
    TBackupLog log;
    TRecordingProgressView view;
    TBackupSupervision supervision{view};
    int filenameCase = 0;
    int considered = 0;
};

TEST_F(DestClearTest, SyncAllFilesRemovesOrphansAndTheirFolders)
{
    Put("src/keep.txt");
    Put("src/Mixed.TXT");
    Put("src/sub/in.txt");
    Put("dst/keep.txt");
    Put("dst/mixed.txt"); // the lower-case copy of Mixed.TXT
    Put("dst/orphan.txt");
    Put("dst/gone/deep/file.txt");
    Put("dst/sub/in.txt");
    Put("dst/sub/old.txt");
    task.SyncMode = SyncAllFiles;
    filenameCase = 1;
    TExtensionList filter;
    EXPECT_EQ(Sync(filter), 3);
    EXPECT_TRUE(Has("dst/keep.txt"));
    EXPECT_TRUE(Has("dst/mixed.txt"));
    EXPECT_TRUE(Has("dst/sub/in.txt"));
    EXPECT_FALSE(Has("dst/orphan.txt"));
    EXPECT_FALSE(Has("dst/gone"));
    EXPECT_FALSE(Has("dst/sub/old.txt"));
}

TEST_F(DestClearTest, SyncSelectionsKeepsWhatTheSelectionNeverTook)
{
    Put("dst/notes.doc"); // the user's own file of a type the folder leaves out
    Put("dst/old.txt");
    Put("dst/gone/a.doc");
    Put("dst/gone/b.txt");
    task.SyncMode = SyncSelections;
    task.EmptyDirs = true;
    TExtensionList filter;
    filter.Mode = TypeModeInclude;
    filter.IncludeList.Add("TXT");
    EXPECT_EQ(Sync(filter), 2);
    EXPECT_EQ(considered, 2);
    EXPECT_TRUE(Has("dst/notes.doc"));
    EXPECT_TRUE(Has("dst/gone/a.doc"));
    EXPECT_FALSE(Has("dst/gone/b.txt"));

    TDestClear clear(task, log, supervision);
    filter.SyncCount = 0;
    clear.CountDestFiles(temp.Win("src"), temp.Win("dst"), filter, "");
    EXPECT_EQ(filter.SyncCount, 0);
}

// An excluded subfolder is left as it is, on a drive and on a server alike; a folder whose
// source has gone is still synchronised file by file.
TEST_F(DestClearTest, SyncSelectionsLeavesExcludedSubfoldersAlone)
{
    task.SyncMode = SyncSelections;
    TExtensionList filter;
    filter.Mode = TypeModeInclude;
    filter.IncludeList.Add("TXT");
    filter.SubDirs.Add(temp.Win("src/skip") + "\\");
    Put("src/skip/now.txt");
    Put("dst/skip/old.txt");
    Put("dst/gone/a.doc");
    Put("dst/gone/b.txt");
    EXPECT_EQ(Sync(filter), 1);
    EXPECT_TRUE(Has("dst/skip/old.txt"));
    EXPECT_TRUE(Has("dst/gone/a.doc"));
    EXPECT_FALSE(Has("dst/gone/b.txt"));

    TFtpPeer peer;
    ASSERT_TRUE(peer.Start());
    peer.WriteFile("base/skip/old.txt", "x");
    peer.WriteFile("base/gone/a.doc", "x");
    peer.WriteFile("base/gone/b.txt", "x");
    TExtFtp ftp;
    peer.FillLogin(ftp);
    ASSERT_TRUE(ftp.Connect());
    ASSERT_TRUE(ftp.ChangeDir("base"));
    TDestClear clear(task, log, supervision);
    int deleted = 0;
    clear.SyncFtpDir(ftp, temp.Win("src"), "", false, deleted, considered, filter);
    EXPECT_EQ(deleted, 1);
    EXPECT_TRUE(fs::exists(peer.Root() / "base/skip/old.txt"));
    EXPECT_TRUE(fs::exists(peer.Root() / "base/gone/a.doc"));
    EXPECT_FALSE(fs::exists(peer.Root() / "base/gone/b.txt"));
}

TEST_F(DestClearTest, GzipCopyStaysWhileTheNameInItsHeaderExists)
{
    if (!RequirePeer("gzip")) {
        return;
    }
    Put("src/report.txt", "report");
    Put("dst/report.txt", "report");
    Put("dst/other.bin", "other");
    ASSERT_EQ(
        std::system(("gzip -N '" + temp.Host("dst/report.txt") + "' '" + temp.Host("dst/other.bin") + "'").c_str()), 0);
    task.SyncMode = SyncAllFiles;
    task.Compress = true;
    TExtensionList filter;
    EXPECT_EQ(Sync(filter), 1);
    EXPECT_TRUE(Has("dst/report.txt.gz"));
    EXPECT_FALSE(Has("dst/other.bin.gz"));
}

TEST_F(DestClearTest, FtpSyncComparesTheServersNamesWithTheConvertedOnes)
{
    TFtpPeer peer;
    ASSERT_TRUE(peer.Start());
    Put("src/Keep.TXT");
    Put("src/sub/in.txt");
    peer.WriteFile("base/keep.txt", "x"); // NameCase 1 uploaded it in lower case
    peer.WriteFile("base/orphan.txt", "x");
    peer.WriteFile("base/sub/in.txt", "x");
    peer.WriteFile("base/gone/deep.txt", "x");
    TExtFtp ftp;
    peer.FillLogin(ftp);
    ftp.NameCase = 1;
    ASSERT_TRUE(ftp.Connect());
    ASSERT_TRUE(ftp.ChangeDir("base"));
    task.SyncMode = SyncAllFiles;
    TDestClear clear(task, log, supervision);
    TExtensionList filter;
    int deleted = 0;
    clear.SyncFtpDir(ftp, temp.Win("src"), "", false, deleted, considered, filter);
    EXPECT_EQ(deleted, 2);
    EXPECT_TRUE(fs::exists(peer.Root() / "base/keep.txt"));
    EXPECT_TRUE(fs::exists(peer.Root() / "base/sub/in.txt"));
    EXPECT_FALSE(fs::exists(peer.Root() / "base/orphan.txt"));
    EXPECT_FALSE(fs::exists(peer.Root() / "base/gone"));
    std::string current;
    ASSERT_TRUE(ftp.PrintWorkingDir(current));
    EXPECT_EQ(current, "/base");
}

} // namespace
