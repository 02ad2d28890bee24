#include "tasks/BackupWalkFtp.h"

#include "RecordingProgressView.h"
#include "TempFolder.h"
#include "engine/ExtFtp.h"
#include "engine/FileTimes.h"
#include "peers/FtpPeer.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "tasks/BackupRun.h"
#include "tasks/TimeStamp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

constexpr int64_t T0 = 1700000000;

int Shell(const std::string& command)
{
    const int status = std::system(("(" + command + ") >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int64_t HostTime(const fs::path& path)
{
    const auto time = fs::file_time_type::clock::to_sys(fs::last_write_time(path));
    return std::chrono::duration_cast<std::chrono::seconds>(time.time_since_epoch()).count();
}

// Presses Cancel the moment a file is shown, before its worker starts.
class TCancelOnShowView : public TRecordingProgressView
{
public:
    void ShowFile(int kind, const std::string&, const std::string&) override
    {
        if (kind == ItemFile && CancelOnShow) {
            CancelPressed = true;
        }
    }
    bool CancelOnShow = false;
};

// Drive S: holds the sources and L: the log; the destination is a real FTP server.
class BackupWalkFtpTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directories(temp.Host("s"));
        fs::create_directories(temp.Host("l"));
        const std::string drives = "S=" + temp.Host("s") + ";L=" + temp.Host("l");
        setenv("TESSARO_DRIVES", drives.c_str(), 1);
        Platform::ReloadDriveTable();
        ASSERT_TRUE(peer.Start());
        log.LogPath = "L:\\tessaro.log";
        task.Compress = false;
        task.EmptyDirs = false;
        task.FileName = "L:\\ftp.buj";
        task.FtpBackup = true;
        task.Ftp = {"127.0.0.1", TFtpPeer::User, TFtpPeer::Password, "up", peer.Port(), true, NameCaseUnchanged, {}};
    }
    void TearDown() override
    {
        unsetenv("TESSARO_DRIVES");
        Platform::ReloadDriveTable();
    }

    void Write(const std::string& relative, const std::string& contents, int64_t unixTime = T0)
    {
        const fs::path path = temp.Host("s/" + relative);
        fs::create_directories(path.parent_path());
        temp.WriteHostFile("s/" + relative, contents);
        fs::last_write_time(
            path, fs::file_time_type::clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(unixTime))));
    }
    void AddSource(const std::string& folder)
    {
        TExtensionList entry;
        entry.SourceDir = entry.ExpandedDir = folder;
        task.Sources.push_back(entry);
    }
    bool Remote(const std::string& relative) const { return fs::exists(peer.Root() / relative); }
    bool Connect(TExtFtp& ftp, const std::string& folder)
    {
        peer.FillLogin(ftp);
        return ftp.Connect() && ftp.ChangeToDir(folder);
    }

    // A whole run, as the Start button makes it.
    bool RunBackup()
    {
        TBackupRun run(task, settings, log, supervision);
        run.ExecuteCommand = {};
        log.OpenLog(LogLong, false, false);
        const bool result = run.RunBackup(0, task.FileName, EndNotVisible);
        log.CloseLog();
        totals = run.Totals();
        return result;
    }

    // One walk of S:\src into the server's folder "up", as the run makes it.
    TWalkCounters Walk()
    {
        TExtFtp ftp;
        TWalkCounters counters;
        if (!Connect(ftp, "up")) {
            ADD_FAILURE() << ftp.LastError();
            return counters;
        }
        TBackupWalkFtp walkFtp(task, ftp, log, supervision);
        walkFtp.Wait = [this](int milliseconds) {
            waits.push_back(milliseconds);
            if (onWait) {
                onWait(milliseconds);
            }
        };
        TBackupWalk walk(task, log, supervision);
        walk.Ftp = &walkFtp;
        TExtensionList entry;
        TWalkContext ctx(entry, counters);
        ctx.SourceBase = "S:\\src";
        log.OpenLog(LogLong, false, false);
        walk.BackupDir(ctx, "", GetDirFileTimes(ctx.SourceBase), Platform::GetFileAttributes(ctx.SourceBase));
        log.CloseLog();
        ftp.Disconnect();
        return counters;
    }
    // Stops the server once the upload of a file has got under way.
    void LoseServerDuringUpload()
    {
        view.OnFileProgress = [this](std::int64_t percent) {
            if (percent > 0 && percent < 50 && !serverLost.exchange(true)) {
                peer.Stop();
            }
        };
    }
    void RestartServer() { ASSERT_TRUE(peer.Start({}, task.Ftp.Port)); }

    TTempFolder temp;
    TFtpPeer peer;
    TBackupTask task;
    TProgramSettings settings;
    TBackupLog log;
    TCancelOnShowView view;
    TBackupSupervision supervision{view};
    TBackupRun::TTotals totals;
    std::vector<int> waits;
    std::function<void(int)> onWait;
    std::atomic<bool> serverLost{false};
};

TEST_F(BackupWalkFtpTest, SecondRunUploadsNothingAndTimesMatchTheSources)
{
    Write("a/one.txt", "first");
    Write("a/sub/two.log", std::string(5000, 'l'), T0 + 60);
    Write("b/three.txt", "third");
    AddSource("S:\\a");
    AddSource("S:\\b"); // the run climbs back from a's base before b's
    task.Compress = true;
    task.DestMode = DestDrivesSeparated;

    ASSERT_TRUE(RunBackup()) << temp.ReadHostFile("l/tessaro.log");
    EXPECT_EQ(totals.Copied, 3u);
    EXPECT_EQ(totals.Errors + totals.Warnings, 0u);
    EXPECT_EQ(peer.ReadFile("up/LwS/a/one.txt"), "first");
    EXPECT_EQ(peer.ReadFile("up/LwS/b/three.txt"), "third");
    const fs::path packed = peer.Root() / "up/LwS/a/sub/two.log.gz";
    EXPECT_EQ(Shell("gzip -dc '" + packed.string() + "' | cmp -s - '" + temp.Host("s/a/sub/two.log") + "'"), 0);
    EXPECT_EQ(HostTime(peer.Root() / "up/LwS/a/one.txt"), T0);
    EXPECT_EQ(HostTime(packed), T0 + 60);

    ASSERT_TRUE(RunBackup());
    EXPECT_EQ(totals.Copied, 0u);
    EXPECT_EQ(totals.Processed, 3u);

    Write("a/one.txt", "changed", T0 + 3); // beyond the tolerance of 2 s
    ASSERT_TRUE(RunBackup());
    EXPECT_EQ(totals.Copied, 1u);
    EXPECT_EQ(peer.ReadFile("up/LwS/a/one.txt"), "changed");

    Write("a/one.txt", std::string(1000, 'g'), T0 + 6); // compressed now: only the new copy stays
    ASSERT_TRUE(RunBackup());
    EXPECT_TRUE(Remote("up/LwS/a/one.txt.gz"));
    EXPECT_FALSE(Remote("up/LwS/a/one.txt"));

    // The user's own "one.txt.gz" never takes that name: it is compressed itself.
    Write("a/one.txt.gz", "the user's", T0 + 9);
    ASSERT_TRUE(RunBackup());
    EXPECT_EQ(totals.Copied, 1u);
    EXPECT_EQ(Shell("gzip -dc '" + (peer.Root() / "up/LwS/a/one.txt.gz").string() + "' | cmp -s - '" +
                    temp.Host("s/a/one.txt") + "'"),
              0);
    EXPECT_EQ(Shell("gzip -dc '" + (peer.Root() / "up/LwS/a/one.txt.gz.gz").string() + "' | cmp -s - '" +
                    temp.Host("s/a/one.txt.gz") + "'"),
              0);
}

// The source grows while it is uploaded, on the first few progress steps of its uploads.
TEST_F(BackupWalkFtpTest, AFileWrittenWhileUploadedIsSentAgainThenNamed)
{
    std::atomic<int> writes{1}; // the second upload reads it whole
    view.OnFileProgress = [&](std::int64_t percent) {
        if (percent > 0 && percent < 100 && writes-- > 0) {
            std::ofstream(temp.Host("s/a/big.bin"), std::ios::app) << "+";
        }
    };
    Write("a/big.bin", std::string(4 << 20, 'w'));
    AddSource("S:\\a");
    task.DestMode = DestCloneOfSource;
    ASSERT_TRUE(RunBackup());
    EXPECT_EQ(totals.Copied, 1u);
    EXPECT_TRUE(peer.ReadFile("up/a/big.bin") == std::string(4 << 20, 'w') + "+");

    fs::remove(peer.Root() / "up/a/big.bin");
    Write("a/big.bin", std::string(4 << 20, 'v'), T0 + 100);
    writes = 1000; // it changes under each upload: the second one stays, named
    ASSERT_TRUE(RunBackup());
    EXPECT_EQ(totals.Warnings, 1u);
    EXPECT_NE(temp.ReadHostFile("l/tessaro.log").find("    *** Warning: changed while copied (Copy): big.bin"),
              std::string::npos);
    writes = 0; // the next run does not take the copy for current, even at the listed time
    Write("a/big.bin", std::string(4 << 20, 'v'), T0 + 100);
    ASSERT_TRUE(RunBackup());
    EXPECT_EQ(totals.Copied, 1u);
}

TEST_F(BackupWalkFtpTest, EncryptingRunUploadsSealedFilesOnce)
{
    Write("a/one.txt", "first");
    AddSource("S:\\a");
    task.DestMode = DestCloneOfSource;
    task.Encrypt = task.FixPassword = true;
    task.Password = "a long enough password";
    ASSERT_TRUE(RunBackup());
    EXPECT_EQ(totals.Copied, 1u);
    const std::string sealed = peer.ReadFile("up/a/one.txt.enc");
    EXPECT_GT(sealed.size(), 5u);
    EXPECT_EQ(sealed.find("first"), std::string::npos);
    ASSERT_TRUE(RunBackup());
    EXPECT_EQ(totals.Copied, 0u);
}

TEST_F(BackupWalkFtpTest, ListingsWithoutSecondsStillFindCopiesCurrent)
{
    // LIST shows old files by day, recent ones by minute; the decision needs the seconds.
    ASSERT_TRUE(peer.Start({"--disable", "MLSD,MLST"}, task.Ftp.Port));
    Write("a/old.txt", "old");
    Write("a/recent.txt", "recent", std::time(nullptr) - 3600 + 37);
    AddSource("S:\\a");
    task.DestMode = DestCloneOfSource;
    ASSERT_TRUE(RunBackup());
    EXPECT_EQ(totals.Copied, 2u);
    ASSERT_TRUE(RunBackup());
    EXPECT_EQ(totals.Copied, 0u);
    Write("a/recent.txt", "changed", std::time(nullptr) - 3600 + 40);
    ASSERT_TRUE(RunBackup());
    EXPECT_EQ(totals.Copied, 1u);
}

TEST_F(BackupWalkFtpTest, SynchronisationDeletesExactlyWhatLostItsSource)
{
    Write("a/keep.txt", "keep");
    Write("a/gone.txt", "gone");
    Write("a/old/x.txt", "x");
    Write("a/packed.log", std::string(5000, 'p'));
    AddSource("S:\\a");
    task.Compress = true;
    task.DestMode = DestCloneOfSource;
    task.SyncMode = SyncAllFiles;
    ASSERT_TRUE(RunBackup());
    ASSERT_TRUE(Remote("up/a/packed.log.gz"));

    fs::remove(temp.Host("s/a/gone.txt"));
    fs::remove_all(temp.Host("s/a/old"));
    peer.WriteFile("up/a/stray.dat", "put there by hand");
    ASSERT_TRUE(RunBackup());
    EXPECT_EQ(totals.Deleted, 3u);
    EXPECT_EQ(totals.Copied, 0u);
    EXPECT_TRUE(Remote("up/a/keep.txt"));
    EXPECT_TRUE(Remote("up/a/packed.log.gz")); // its source packed.log is there
    EXPECT_FALSE(Remote("up/a/gone.txt"));
    EXPECT_FALSE(Remote("up/a/old"));
    EXPECT_FALSE(Remote("up/a/stray.dat"));
}

TEST_F(BackupWalkFtpTest, FullBackupEmptiesTheRemoteFolderAndLeavesItsStamp)
{
    Write("a/one.txt", "first");
    AddSource("S:\\a");
    task.DestMode = DestCloneOfSource;
    task.SetBackupMethod(MethodFull);
    ASSERT_TRUE(RunBackup());
    peer.WriteFile("up/a/stray/deep.dat", "left from an older cycle");
    ASSERT_TRUE(RunBackup());
    EXPECT_EQ(totals.Copied, 1u);
    EXPECT_FALSE(Remote("up/a/stray"));
    EXPECT_EQ(peer.ReadFile("up/a/one.txt"), "first");

    TExtFtp ftp;
    ftp.NameCase = 2; // the stamp keeps its name all the same
    ASSERT_TRUE(Connect(ftp, "up"));
    const TDateTime written = ReadFtpTimeStamp(ftp);
    EXPECT_GT(written, 0);
    WriteFtpTimeStamp(ftp, written + 1.5);
    EXPECT_EQ(ReadFtpTimeStamp(ftp), written + 1.5);
    const std::string bytes = peer.ReadFile("up/" + std::string(TimeStampName));
    ASSERT_EQ(bytes.size(), 8u);
    double stored = 0;
    std::memcpy(&stored, bytes.data(), 8); // a little-endian host
    EXPECT_EQ(stored, written + 1.5);
}

TEST_F(BackupWalkFtpTest, LostServerIsReconnectedAndTheFileUploadedWhole)
{
    Write("src/big.bin", std::string(24 << 20, 'b'));
    LoseServerDuringUpload();
    onWait = [this](int) { RestartServer(); };
    const TWalkCounters counters = Walk();
    EXPECT_TRUE(serverLost);
    EXPECT_EQ(waits, std::vector<int>{TBackupWalkFtp::ReconnectPause});
    EXPECT_EQ(counters.Copied, 1u);
    EXPECT_EQ(counters.Errors, 0u);
    EXPECT_EQ(fs::file_size(peer.Root() / "up/big.bin"), 24u << 20);
    EXPECT_EQ(HostTime(peer.Root() / "up/big.bin"), T0);
}

TEST_F(BackupWalkFtpTest, FailedUploadLeavesNoPartialFile)
{
    Write("src/sub/big.bin", std::string(24 << 20, 'b'));
    Write("src/a.txt", "after the failure");
    LoseServerDuringUpload();
    // The server stays away while the upload is retried, and comes back before the next file.
    onWait = [this](int milliseconds) {
        if (milliseconds == TBackupWalkFtp::ConnectPause) {
            RestartServer();
        }
    };
    TWalkCounters counters = Walk();
    EXPECT_TRUE(serverLost);
    EXPECT_EQ(counters.Errors, 1u);
    EXPECT_EQ(counters.Copied, 1u);
    EXPECT_EQ(std::count(waits.begin(), waits.end(), TBackupWalkFtp::ReconnectPause), TBackupWalkFtp::UploadReconnects);
    EXPECT_FALSE(Remote("up/sub/big.bin"));
    EXPECT_EQ(peer.ReadFile("up/a.txt"), "after the failure");

    // So the next run cannot take a torso for current.
    view.OnFileProgress = nullptr;
    counters = Walk();
    EXPECT_EQ(counters.Copied, 1u);
    EXPECT_EQ(fs::file_size(peer.Root() / "up/sub/big.bin"), 24u << 20);
}

TEST_F(BackupWalkFtpTest, CancelRemovesOnlyWhatTheUploadWrote)
{
    Write("src/a.txt", "old");
    Walk();
    Write("src/a.txt", "new", T0 + 100);
    view.CancelOnShow = true; // cancelled before its worker could start
    EXPECT_EQ(Walk().Copied, 0u);
    EXPECT_EQ(peer.ReadFile("up/a.txt"), "old"); // never touched: the previous copy stays
}

} // namespace
