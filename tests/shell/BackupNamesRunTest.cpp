// Where two names meet: a user's files named like the copies, forms and kept versions of
// other files, through the program's own batch runs ("-force", "-clean", "-restore").

#include "PeerTools.h"
#include "ProgramRun.h"

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Drive S: holds the source folder S:\data; the task keeps drives apart, so its backup is
// dest/LwS/data.
class BackupNamesRun : public Program
{
protected:
    void SetUp() override
    {
        Program::SetUp();
        fs::create_directories(folder.Host("s/data"));
        drives = "TESSARO_DRIVES='S=" + folder.Host("s") + "'";
    }
    // The example task (compressing) from S:\data, drives kept apart.
    void WriteTask(const std::function<void(TBackupTask&)>& adjust = {})
    {
        WriteExampleTask(folder, false, "", "", [&](TBackupTask& task) {
            task.DestMode = DestDrivesSeparated;
            task.Sources.front().SourceDir = task.Sources.front().ExpandedDir = "S:\\data";
            if (adjust) {
                adjust(task);
            }
        });
    }
    // A source file, last written at the Unix time.
    void Source(const std::string& name, const std::string& contents, int64_t unixTime)
    {
        folder.WriteHostFile("s/data/" + name, contents);
        fs::last_write_time(folder.Host("s/data/" + name), fs::file_time_type::clock::from_sys(std::chrono::sys_seconds(
                                                               std::chrono::seconds(unixTime))));
    }
    int Run(const std::string& args)
    {
        fs::remove(folder.Host("config/Tessaro/tessaro.log"));
        return RunProgram(folder, args, output, drives);
    }
    int Backup() { return Run("-force -quiet -log:2 '" + folder.Host("task.buj") + "'"); }
    // A restore of the whole backup of S:\data into the folder "restored".
    int Restore()
    {
        fs::remove_all(folder.Host("restored"));
        WriteRestoreTask(folder, "back.rsj", "dest/LwS/data", "restored");
        return Run("-restore -quiet -log:18 '" + folder.Host("back.rsj") + "'");
    }
    // A clean-up of the whole backup, synchronised with the origin.
    int CleanUp()
    {
        folder.WriteHostFile("sync.cuj", "[Cleanup]\nDirectory=" + folder.Win("dest") + "\nMode=0\nSync=1\n");
        return Run("-clean -quiet -log:34 '" + folder.Host("sync.cuj") + "'");
    }
    std::string Log() const { return folder.ReadHostFile("config/Tessaro/tessaro.log"); }
    bool Backed(const std::string& name) const { return fs::exists(folder.Host("dest/LwS/data/" + name)); }
    // The files of the backup of S:\data, below the subfolder.
    size_t BackedCount(const std::string& subfolder = "") const
    {
        size_t count = 0;
        for (const auto& entry : fs::recursive_directory_iterator(folder.Host("dest/LwS/data/" + subfolder))) {
            count += entry.is_regular_file() ? 1 : 0;
        }
        return count;
    }

    std::string drives;
    std::string output;
};

// The task keeps three versions with its own suffix, as the editor offers it, while the
// program's suffix of kept versions stays "bak": the clean-up keeps every kept version of a
// file that is there, and deletes them with the file.
TEST_F(BackupNamesRun, KeptVersionsOfATasksOwnSuffixStayWithTheirFile)
{
    WriteTask([](TBackupTask& task) {
        task.BakFiles = true;
        task.BakSuffix = "bak-#3";
    });
    const std::string names[] = {"anna.txt", "big.txt", "notes", "c.doc", "gone.txt"};
    for (int i = 10; i < 25; ++i) {
        Source("unchanged" + std::to_string(i) + ".txt", "u", 1700000000);
    }
    for (int round = 0; round < 4; ++round) {
        for (const std::string& name : names) {
            Source(name, std::string(name == "big.txt" ? 4000 : 10, static_cast<char>('a' + round)),
                   1700000000 + round * 100);
        }
        ASSERT_EQ(Backup(), 0) << output << Log();
    }
    ASSERT_TRUE(Backed("anna.bak-3.txt") && Backed("big.bak-1.txt.gz") && Backed("notes.bak-2")) << Log();
    ASSERT_EQ(BackedCount(), 35u);

    EXPECT_EQ(CleanUp(), 0) << output << Log();
    EXPECT_EQ(BackedCount(), 35u) << Log();
    EXPECT_NE(Log().find("  Status: OK (0 files deleted)"), std::string::npos) << Log();

    fs::remove(folder.Host("s/data/gone.txt"));
    EXPECT_EQ(CleanUp(), 0) << output << Log();
    EXPECT_EQ(BackedCount(), 31u) << Log();
    EXPECT_FALSE(Backed("gone.txt") || Backed("gone.bak-1.txt") || Backed("gone.bak-3.txt"));
    EXPECT_NE(Log().find("  Status: OK (4 files deleted)"), std::string::npos) << Log();
}

// With the program's settings converting names, "Report00.TXT" is backed up as
// "report00.txt" and "a:b.txt" as "a-b.txt": the clean-up finds their files of origin
// through the same conversions.
TEST_F(BackupNamesRun, ConvertedNamesFindTheirFilesOfOrigin)
{
    folder.WriteHostFile("config/Tessaro/tessaro.ini", "[Config]\nFilenameCase=1\nReplaceChars=1\n");
    WriteTask();
    for (int i = 10; i < 35; ++i) {
        Source("other" + std::to_string(i) + ".txt", "o", 1700000000);
        if (i < 25) {
            Source("Report" + std::to_string(i) + ".TXT", "r", 1700000000);
        }
    }
    Source("a:b.txt", "colon", 1700000000);
    ASSERT_EQ(Backup(), 0) << output << Log();
    ASSERT_TRUE(Backed("report10.txt") && Backed("a-b.txt")) << Log();

    EXPECT_EQ(CleanUp(), 0) << output << Log();
    EXPECT_NE(Log().find("  Status: OK (0 files deleted)"), std::string::npos) << Log();
    EXPECT_EQ(BackedCount(), 41u);

    fs::remove(folder.Host("s/data/Report12.TXT"));
    EXPECT_EQ(CleanUp(), 0) << output << Log();
    EXPECT_NE(Log().find("      Delete: LwS/data/report12.txt\n"), std::string::npos) << Log();
    EXPECT_EQ(BackedCount(), 40u);
}

// The source folder holds the mount folder of a stick, its photos backed up; the stick is
// unplugged and its empty folder left. The clean-up leaves its copies alone and warns.
TEST_F(BackupNamesRun, AnUnpluggedDriveBelowASourceFolderIsAway)
{
    WriteTask();
    fs::create_directories(folder.Host("s/data/stick/2026"));
    for (int i = 10; i < 70; ++i) {
        Source("doc" + std::to_string(i) + ".txt", "d", 1700000000);
        if (i < 30) {
            Source("stick/2026/photo" + std::to_string(i) + ".jpg", "p", 1700000000);
        }
    }
    ASSERT_EQ(Backup(), 0) << output << Log();
    ASSERT_EQ(BackedCount("stick"), 20u);
    fs::rename(folder.Host("s/data/stick"), folder.Host("unplugged"));
    fs::create_directories(folder.Host("s/data/stick"));

    EXPECT_EQ(CleanUp(), 1) << output << Log();
    EXPECT_EQ(BackedCount("stick"), 20u) << Log();
    EXPECT_NE(Log().find("    *** Could not find directory: \"" + folder.Host("s/data/stick") + "\"\n"),
              std::string::npos)
        << Log();
    EXPECT_NE(Log().find("  Status: 1 directories skipped (0 files deleted)"), std::string::npos) << Log();
}

// The source holds "a.txt" and the user's own "a.txt.gz", too small to be compressed: the
// two copies never share a name, and the restore gives each file back, byte for byte.
TEST_F(BackupNamesRun, AFileAndItsNamesakeGzipFileKeepTheirOwnCopies)
{
    if (!RequirePeer("gzip")) {
        return;
    }
    WriteTask();
    const std::string text = std::string(2048, 't') + "end";
    Source("a.txt", text, 1700000000);
    folder.WriteHostFile("s/data/archive.txt", "the user's own archive");
    ASSERT_EQ(RunQuiet("gzip -n " + Quote(folder.Host("s/data/archive.txt"))), 0);
    fs::rename(folder.Host("s/data/archive.txt.gz"), folder.Host("s/data/a.txt.gz"));
    const std::string archive = folder.ReadHostFile("s/data/a.txt.gz");
    ASSERT_LT(archive.size(), 512u);

    ASSERT_EQ(Backup(), 0) << output << Log();
    EXPECT_NE(Log().find("  Status: OK (2 of 2 files copied)"), std::string::npos) << Log();
    EXPECT_EQ(RunQuiet("gzip -t " + Quote(folder.Host("dest/LwS/data/a.txt.gz"))), 0);
    EXPECT_EQ(RunQuiet("gzip -dc " + Quote(folder.Host("dest/LwS/data/a.txt.gz.gz")) + " | cmp -s - " +
                       Quote(folder.Host("s/data/a.txt.gz"))),
              0);
    ASSERT_EQ(Restore(), 0) << output << Log();
    EXPECT_EQ(folder.ReadHostFile("restored/a.txt"), text);
    EXPECT_EQ(folder.ReadHostFile("restored/a.txt.gz"), archive);

    // Nothing is copied again while nothing changed; each file is when it changes.
    ASSERT_EQ(Backup(), 0) << output << Log();
    EXPECT_NE(Log().find("  Status: OK (0 of 2 files copied)"), std::string::npos) << Log();
    Source("a.txt", text + " changed", 1700000100);
    ASSERT_EQ(Backup(), 0) << output << Log();
    EXPECT_NE(Log().find("      Copy: a.txt\n"), std::string::npos) << Log();
    EXPECT_NE(Log().find("  Status: OK (1 of 2 files copied)"), std::string::npos) << Log();
    ASSERT_EQ(Restore(), 0) << output << Log();
    EXPECT_EQ(folder.ReadHostFile("restored/a.txt"), text + " changed");
    EXPECT_EQ(folder.ReadHostFile("restored/a.txt.gz"), archive);
}

// An uncompressed backup holds "a.txt" beside the user's newer "a.txt.gz" (the gzip tool's,
// of an older a.txt) and "b.txt" beside the user's "b.txt.enc": the restore gives back each
// file under its own name with its own bytes, and asks for no password.
TEST_F(BackupNamesRun, TheRestoreGivesEachFileItsOwnCopy)
{
    if (!RequirePeer("gzip")) {
        return;
    }
    WriteTask([](TBackupTask& task) { task.Compress = false; });
    fs::create_directories(folder.Host("older"));
    folder.WriteHostFile("older/a.txt", "an older a.txt");
    ASSERT_EQ(RunQuiet("gzip " + Quote(folder.Host("older/a.txt"))), 0);
    fs::rename(folder.Host("older/a.txt.gz"), folder.Host("s/data/a.txt.gz"));
    const std::string archive = folder.ReadHostFile("s/data/a.txt.gz");
    Source("a.txt", "a.txt as it is now", 1700000000);
    Source("b.txt", "b.txt as it is now", 1700000000);
    Source("b.txt.enc", std::string(64, '\x5a'), 1700000900);
    ASSERT_EQ(Backup(), 0) << output << Log();
    ASSERT_TRUE(Backed("a.txt.gz") && Backed("b.txt.enc"));

    EXPECT_EQ(Restore(), 0) << output << Log();
    EXPECT_NE(Log().find("  Status: OK (4 files copied)"), std::string::npos) << Log();
    EXPECT_EQ(folder.ReadHostFile("restored/a.txt"), "a.txt as it is now");
    EXPECT_EQ(folder.ReadHostFile("restored/a.txt.gz"), archive);
    EXPECT_EQ(folder.ReadHostFile("restored/b.txt"), "b.txt as it is now");
    EXPECT_EQ(folder.ReadHostFile("restored/b.txt.enc"), std::string(64, '\x5a'));
}

// The task keeps three versions with "bak-#3" while the source holds the user's own
// "report.bak-1.txt" to "report.bak-3.txt": rotating never takes their names; the report is
// copied, its previous version not kept, and the run warns.
TEST_F(BackupNamesRun, KeptVersionsNeverTakeTheNameOfAUsersFile)
{
    WriteTask([](TBackupTask& task) {
        task.BakFiles = true;
        task.BakSuffix = "bak-#3";
    });
    for (int k = 1; k <= 3; ++k) {
        Source("report.bak-" + std::to_string(k) + ".txt", "the user's own " + std::to_string(k), 1700000000);
    }
    Source("report.txt", "version 0", 1700000000);
    ASSERT_EQ(Backup(), 0) << output << Log();
    for (int round = 1; round <= 3; ++round) {
        Source("report.txt", "version " + std::to_string(round), 1700000000 + round * 100);
        EXPECT_EQ(Backup(), 1) << output << Log();
        EXPECT_NE(Log().find("      Copy: report.txt\n"), std::string::npos) << Log();
        EXPECT_NE(Log().find("    *** Previous version not kept, a file of the source has its name: report.txt\n"),
                  std::string::npos)
            << Log();
        EXPECT_NE(Log().find("  Status: 1 Warnings on backup! (1 of 4 files copied)"), std::string::npos) << Log();
    }
    EXPECT_EQ(BackedCount(), 4u);
    ASSERT_EQ(Restore(), 0) << output << Log();
    EXPECT_EQ(folder.ReadHostFile("restored/report.txt"), "version 3");
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(folder.ReadHostFile("restored/report.bak-" + std::to_string(k) + ".txt"),
                  "the user's own " + std::to_string(k));
    }
}

// The copy in the form of earlier options (compressed, now plain) goes to a kept version;
// where the user's files hold every name it could take, it stays, and the run warns.
TEST_F(BackupNamesRun, AnEarlierFormThatCannotBeKeptIsAWarning)
{
    const auto versions = [](bool compress) {
        return [compress](TBackupTask& task) {
            task.Compress = compress;
            task.BakFiles = true;
            task.BakSuffix = "bak-#3";
        };
    };
    WriteTask(versions(true));
    for (int k = 1; k <= 3; ++k) {
        Source("report.bak-" + std::to_string(k) + ".txt.gz", "the user's own " + std::to_string(k), 1700000000);
    }
    Source("report.txt", std::string(8192, '0'), 1700000000); // large enough to be compressed
    ASSERT_EQ(Backup(), 0) << output << Log();
    ASSERT_TRUE(Backed("report.txt.gz"));
    WriteTask(versions(false));
    Source("report.txt", std::string(8192, '1'), 1700000100);
    EXPECT_EQ(Backup(), 1) << output << Log();
    EXPECT_NE(Log().find("    *** Previous version not kept, a file of the source has its name: "), std::string::npos)
        << Log();
    EXPECT_TRUE(Backed("report.txt"));
}

// Run 2 copies a file while a writer keeps rewriting it; run 3, at rest, keeps a version:
// the copy that changed while it was made never displaces the good one, nor becomes the
// kept version.
TEST_F(BackupNamesRun, ACopyThatChangedWhileMadeNeverBecomesTheHistory)
{
    WriteTask([](TBackupTask& task) {
        task.Compress = false;
        task.BakFiles = true;
    });
    const std::string good(32 << 20, 'a');
    Source("data.bin", good, 1700000000);
    ASSERT_EQ(Backup(), 0) << output << Log();

    Source("data.bin", std::string(32 << 20, 'b'), 1700000100);
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        const int fd = open(folder.Host("s/data/data.bin").c_str(), O_WRONLY);
        while (!stop) {
            EXPECT_EQ(pwrite(fd, "b", 1, 0), 1);
        }
        close(fd);
    });
    const int status = Backup();
    stop = true;
    writer.join();
    EXPECT_EQ(status, 1) << output << Log();
    EXPECT_NE(Log().find("    *** Warning: changed while copied (Copy), not backed up this time: data.bin\n"),
              std::string::npos)
        << Log();
    EXPECT_TRUE(folder.ReadHostFile("dest/LwS/data/data.bin") == good);
    EXPECT_FALSE(Backed("data.bak.bin"));

    Source("data.bin", std::string(32 << 20, 'c'), 1700000200);
    ASSERT_EQ(Backup(), 0) << output << Log();
    EXPECT_TRUE(folder.ReadHostFile("dest/LwS/data/data.bak.bin") == good);
    EXPECT_TRUE(folder.ReadHostFile("dest/LwS/data/data.bin") == std::string(32 << 20, 'c'));
}

} // namespace
