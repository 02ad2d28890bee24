#include "tasks/BackupWalk.h"

#include "PeerTools.h"
#include "RecordingProgressView.h"
#include "TempFolder.h"
#include "WorkerLatch.h"
#include "engine/Encryption.h"
#include "engine/WorkPool.h"
#include "engine/ZipWrite.h"
#include "foundation/ScriptedMessageDialogs.h"
#include "platform/DestFolder.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "tasks/BackupTemporary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// What a peer prints on its standard output.
std::string CommandText(const std::string& command)
{
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        std::array<char, 4096> buffer{};
        while (fgets(buffer.data(), buffer.size(), pipe)) {
            output += buffer.data();
        }
        pclose(pipe);
    }
    return output;
}

void SetHostTime(const std::string& path, int64_t unixSeconds)
{
    fs::last_write_time(
        path, fs::file_time_type::clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(unixSeconds))));
}

// A tree of many small folders, as in a home folder: a leaf with a few files each.
void WriteSmallFolders(const std::function<void(const std::string&, const std::string&)>& write, int parents,
                       int leaves, int files, std::size_t size = 0)
{
    for (int p = 0; p < parents; ++p) {
        for (int l = 0; l < leaves; ++l) {
            for (int f = 0; f < files; ++f) {
                const std::string name = "p" + std::to_string(p) + "/l" + std::to_string(l) + "/f" + std::to_string(f);
                write("src/" + name + ".txt", size == 0 ? name : std::string(size, static_cast<char>('a' + f)));
            }
        }
    }
}

// The empty folders below root.
std::vector<std::string> EmptyFolders(const std::string& root)
{
    std::vector<std::string> empty;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (e.is_directory() && fs::is_empty(e.path())) {
            empty.push_back(e.path().string());
        }
    }
    return empty;
}

std::vector<std::string> TemporariesBelow(const std::string& root)
{
    std::vector<std::string> found;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (IsBackupTemporaryName(e.path().filename().string())) {
            found.push_back(e.path().string());
        }
    }
    return found;
}

// The temporaries below root that its work record would not lead the next run to: their
// folder is neither named in it nor below a folder it names as made.
std::vector<std::string> TemporariesOutsideTheRecord(const std::string& root)
{
    const std::vector<std::string> temporaries = TemporariesBelow(root);
    std::set<std::string> named; // Windows paths below root, as the record has them
    std::set<std::string> made;
    std::ifstream record(root + "/" + std::string(WorkRecordName));
    for (std::string line; std::getline(record, line);) {
        if (line.size() >= 2 && line[1] == ' ') {
            (line[0] == 'M' ? made : named).insert(line.substr(2));
        }
    }
    std::vector<std::string> outside;
    for (const std::string& temporary : temporaries) {
        std::string folder = fs::path(temporary).parent_path().lexically_relative(root).string();
        std::replace(folder.begin(), folder.end(), '/', '\\');
        folder = folder == "." ? std::string() : folder;
        bool found = named.contains(folder);
        for (std::string above = folder; !found && !above.empty();) {
            found = made.contains(above);
            const std::size_t cut = above.rfind('\\');
            above.resize(cut == std::string::npos ? 0 : cut);
        }
        if (!found && fs::exists(temporary)) { // not one whose turn ended meanwhile
            outside.push_back(temporary);
        }
    }
    return outside;
}

// Drive S: holds the sources, E: the destinations, both in a temporary folder.
class BackupWalkTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directories(temp.Host("s"));
        fs::create_directories(temp.Host("e"));
        SetDrives("");
        log.LogPath = "E:\\tessaro.log";
        ASSERT_EQ(log.OpenLog(LogExtended, false, false), 0);
        task.Compress = false;
        task.EmptyDirs = false;
        task.DestMode = DestCloneOfSource;
        entry.SourceDir = entry.ExpandedDir = "S:\\src";
    }
    void TearDown() override
    {
        log.CloseLog();
        unsetenv("TESSARO_DRIVES");
        Platform::ReloadDriveTable();
    }
    void SetDrives(const std::string& extra)
    {
        const std::string drives = "S=" + temp.Host("s") + ";E=" + temp.Host("e") + extra;
        setenv("TESSARO_DRIVES", drives.c_str(), 1);
        Platform::ReloadDriveTable();
    }
    void Write(const std::string& relative, const std::string& contents, int64_t unixTime = 1700000000)
    {
        const std::string path = temp.Host("s/" + relative);
        fs::create_directories(fs::path(path).parent_path());
        temp.WriteHostFile("s/" + relative, contents);
        SetHostTime(path, unixTime);
    }
    std::string Dest(const std::string& relative) { return temp.ReadHostFile("e/" + relative); }
    bool DestExists(const std::string& relative) { return fs::exists(fs::symlink_status(temp.Host("e/" + relative))); }

    // One walk of the source entry into E:\B, as the run does it.
    TWalkCounters Run(const std::string& source = "S:\\src")
    {
        TWalkCounters counters;
        TBackupWalk walk(task, log, supervision);
        walk.RunDate = EncodeDate(2024, 3, 9);
        walk.Now = [] { return EncodeDateTime(2024, 3, 9, 14, 5, 7); };
        walk.MakeZipName = [] { return std::string("TS.zip"); };
        walk.MoveToTrash = [this](const std::string& path) {
            trashed.push_back(path);
            return Platform::DeleteFile(path) == 0;
        };
        walk.Encryption = encryption;
        walk.ZipWriter = zipWriter;
        walk.BufferSize = bufferSize;
        walk.FilenameCase = filenameCase;
        walk.AskForMedia = askForMedia;
        TWalkContext ctx(entry, counters);
        ctx.SourceBase = source;
        ctx.DestBase = DestinationBase("E:\\B", source, task.DestMode);
        ctx.DestRoot = "E:\\B";
        if (!ctx.DestBase.empty()) {
            Platform::ForceDirectories(ctx.DestBase);
        }
        walk.BackupDir(ctx, "", GetDirFileTimes(source), Platform::GetFileAttributes(source));
        volumeFull = walk.VolumeFullText;
        return counters;
    }
    // Each file that stands in the backup had its turn: its "Copy: " line, and counted. kept:
    // a file an earlier run left.
    void ExpectOnlyFilesThatHadTheirTurn(const TWalkCounters& counters, const std::string& kept = "")
    {
        const std::string text = LogText();
        unsigned standing = 0;
        for (const auto& e : fs::recursive_directory_iterator(temp.Host("e/B/src"))) {
            const std::string relative = fs::relative(e.path(), temp.Host("e/B/src")).string();
            if (!e.is_regular_file() || relative == kept) {
                continue;
            }
            ++standing;
            EXPECT_NE(text.find("Copy: " + relative + "\n"), std::string::npos) << relative;
        }
        EXPECT_EQ(standing, counters.Copied);
    }
    std::string LogText()
    {
        log.CloseLog();
        const std::string text = Dest("tessaro.log");
        log.OpenLog(LogExtended, false, false);
        return text;
    }

    TTempFolder temp;
    TBackupTask task;
    TExtensionList entry;
    TBackupLog log;
    TRecordingProgressView view;
    TBackupSupervision supervision{view};
    TEncryption* encryption = nullptr;
    TZipWrite* zipWriter = nullptr;
    int32_t bufferSize = 0x40000;
    int32_t filenameCase = 0;
    bool askForMedia = true;
    std::string volumeFull;
    std::vector<std::string> trashed;
};

TEST_F(BackupWalkTest, LayoutOfTheLocalModes)
{
    Write("src/a.txt", "a");
    Write("src/Old/b.txt", "b");
    const struct
    {
        int32_t mode;
        const char* a;
        const char* b;
    } layouts[] = {
        {DestDrivesSeparated, "B/LwS/src/a.txt", "B/LwS/src/Old/b.txt"},
        {DestCloneOfSource, "B/src/a.txt", "B/src/Old/b.txt"},
        {DestOneDirectory, "B/a.txt", "B/Old/b.txt"},
    };
    for (const auto& layout : layouts) {
        SCOPED_TRACE(layout.mode);
        fs::remove_all(temp.Host("e/B"));
        task.DestMode = layout.mode;
        const TWalkCounters counters = Run();
        EXPECT_EQ(counters.Copied, 2u);
        EXPECT_EQ(Dest(layout.a), "a");
        EXPECT_EQ(Dest(layout.b), "b");
    }
}

TEST_F(BackupWalkTest, CloneMatchesTheSourceForDiffAndRsync)
{
    Write("src/blank name.txt", "with blanks");
    Write("src/Grüße/Ärger ñ.txt", "non-ASCII");
    Write("src/empty.dat", "");
    Write("src/deep/er/big.bin", std::string(300000, 'z'));
    fs::create_directories(temp.Host("s/src/empty folder"));
    ASSERT_EQ(mkfifo(temp.Host("s/src/fifo").c_str(), 0600), 0);
    fs::create_directory_symlink("..", temp.Host("s/src/deep/loop"));
    const TWalkCounters counters = Run();
    EXPECT_EQ(counters.Copied, 4u);
    EXPECT_EQ(counters.Errors, 0u);
    // The run sets the base folder's time; here the test does.
    fs::last_write_time(temp.Host("e/B/src"), fs::last_write_time(temp.Host("s/src")));

    const std::string source = Quote(temp.Host("s/src")), copy = Quote(temp.Host("e/B/src"));
    EXPECT_EQ(RunQuiet("diff -r --no-dereference -x fifo -x loop " + source + " " + copy), 0);
    EXPECT_EQ(CommandText("rsync -a --checksum --dry-run --itemize-changes --exclude=/fifo --exclude=/deep/loop " +
                          source + "/ " + copy + "/"),
              "");
    EXPECT_FALSE(DestExists("B/src/fifo"));
    EXPECT_FALSE(DestExists("B/src/deep/loop"));

    const TWalkCounters again = Run();
    EXPECT_EQ(again.Copied, 0u);
    EXPECT_EQ(again.Processed, 4u);
}

TEST_F(BackupWalkTest, OutdatedCopiesAreReplacedWithoutTouchingOtherFiles)
{
    Write("src/a.txt", "new");
    Write("src/abak.txt", "real abak");
    Run();
    temp.WriteHostFile("e/B/src/a.txt", "old");
    SetHostTime(temp.Host("e/B/src/a.txt"), 1700000000 - 3);
    EXPECT_EQ(Run().Copied, 1u);
    EXPECT_EQ(Dest("B/src/a.txt"), "new");
    EXPECT_EQ(Dest("B/src/abak.txt"), "real abak"); // not taken for the security copy
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.Host("e/B/src")), fs::directory_iterator()), 2);

    task.UseArch = true;
    EXPECT_EQ(Run().Copied, 2u);
    task.ArchBit = true; // clears the bit after the copy
    EXPECT_EQ(Run().Copied, 2u);
    EXPECT_EQ(Run().Copied, 0u);
}

// The progress window names every folder the walk lists, and never with an empty text.
TEST_F(BackupWalkTest, EachListedFolderIsShownAsScanned)
{
    Write("src/a.txt", "a");
    Write("src/sub/b.txt", "b");
    Run();
    std::vector<std::string> scanned;
    for (const TRecordingProgressView::TShownFile& shown : view.ShownFiles()) {
        if (shown.Kind == ItemDirectory) {
            EXPECT_EQ(shown.ActionText, "is scanned:") << shown.FileName;
            scanned.push_back(shown.FileName);
        }
    }
    const auto shownFolder = [&scanned](const std::string& folder) {
        return std::any_of(scanned.begin(), scanned.end(),
                           [&folder](const std::string& name) { return name.rfind(folder, 0) == 0; });
    };
    EXPECT_TRUE(shownFolder("S:\\src\\sub"));
    EXPECT_TRUE(shownFolder("S:\\src"));
}

TEST_F(BackupWalkTest, ExcludedSubfoldersAndEmptyFolders)
{
    Write("src/keep/a.txt", "a");
    Write("src/skip/b.txt", "b");
    Write("src/skip/inner/c.txt", "c");
    Write("src/none/d.doc", "d");
    fs::create_directories(temp.Host("s/src/hollow"));
    SetHostTime(temp.Host("s/src/hollow"), 1600000000);
    entry.SubDirs.Add("S:\\src\\skip\\");
    entry.ExcludeList.Add("DOC");

    task.EmptyDirs = true;
    Run();
    EXPECT_TRUE(DestExists("B/src/keep/a.txt"));
    EXPECT_FALSE(DestExists("B/src/skip"));
    EXPECT_FALSE(DestExists("B/src/none"));
    EXPECT_FALSE(DestExists("B/src/hollow"));

    task.EmptyDirs = false;
    Run();
    EXPECT_FALSE(DestExists("B/src/skip"));
    EXPECT_TRUE(fs::is_directory(temp.Host("e/B/src/none")));
    EXPECT_FALSE(DestExists("B/src/none/d.doc"));
    EXPECT_EQ(fs::last_write_time(temp.Host("e/B/src/hollow")), fs::last_write_time(temp.Host("s/src/hollow")));
}

TEST_F(BackupWalkTest, KeptVersionsRotateThroughThree)
{
    task.BakFiles = true;
    task.BakSuffix = "%bdate%#3";
    for (int version = 1; version <= 5; ++version) {
        Write("src/a.txt", "v" + std::to_string(version), 1700000000 + version * 100);
        Run();
    }
    EXPECT_EQ(Dest("B/src/a.txt"), "v5");
    EXPECT_EQ(Dest("B/src/a.2024-03-091.txt"), "v4");
    EXPECT_EQ(Dest("B/src/a.2024-03-092.txt"), "v3");
    EXPECT_EQ(Dest("B/src/a.2024-03-093.txt"), "v2");
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.Host("e/B/src")), fs::directory_iterator()), 4);
}

// A user's file bearing one of the names the rotation needs: nothing of it moves, the kept
// version there stays, and the copy is made with a warning.
TEST_F(BackupWalkTest, ARotationInTheWayOfAUsersFileMovesNothing)
{
    task.BakFiles = true;
    task.BakSuffix = "%bdate%#3";
    Write("src/a.txt", "v1", 1700000100);
    Run();
    Write("src/a.txt", "v2", 1700000200);
    Run();
    Write("src/a.2024-03-092.txt", "the user's", 1700000000);
    Write("src/a.txt", "v3", 1700000300);
    const TWalkCounters counters = Run();
    EXPECT_EQ(counters.Copied, 2u);
    EXPECT_EQ(counters.Warnings, 1u);
    EXPECT_EQ(Dest("B/src/a.txt"), "v3");
    EXPECT_EQ(Dest("B/src/a.2024-03-091.txt"), "v1");
    EXPECT_EQ(Dest("B/src/a.2024-03-092.txt"), "the user's");
    EXPECT_FALSE(DestExists("B/src/a.2024-03-093.txt"));
}

TEST_F(BackupWalkTest, GzipFilesPassGzipAndEncryptedOnesKeepOneSuffix)
{
    Write("src/text.txt", std::string(5000, 'g') + "end");
    Write("src/tiny.txt", "t");
    Write("src/photo.jpg", std::string(4000, 'j'));
    task.Compress = true;
    task.NoCompTypes = {"jpg"};
    Run();
    EXPECT_TRUE(DestExists("B/src/tiny.txt"));  // below CompSize
    EXPECT_TRUE(DestExists("B/src/photo.jpg")); // never compressed
    EXPECT_EQ(RunQuiet("gzip -t " + Quote(temp.Host("e/B/src/text.txt.gz"))), 0);
    EXPECT_EQ(CommandText("gzip -dc " + Quote(temp.Host("e/B/src/text.txt.gz"))), std::string(5000, 'g') + "end");

    TEncryption crypt("secret password", 0x10000, 0);
    encryption = &crypt;
    fs::remove_all(temp.Host("e/B"));
    Run();
    EXPECT_TRUE(DestExists("B/src/text.txt.gz"));
    EXPECT_TRUE(DestExists("B/src/tiny.txt.enc"));
    EXPECT_FALSE(DestExists("B/src/text.txt.gz.enc"));
    EXPECT_FALSE(DestExists("B/src/text.txt.enc"));
}

// A file and the user's own file of its name + ".gz" never share a copy; a backup made
// before they were kept apart, which holds the user's file under a.txt's compressed name and
// newer than a.txt, has a.txt copied again.
TEST_F(BackupWalkTest, AFileAndItsNamesakeGzipFileNeverShareACopy)
{
    task.Compress = true;
    Write("src/a.txt", std::string(3000, 'a'), 1700000000);
    Write("src/a.txt.gz", "the user's own, not even gzip", 1700000500);
    fs::create_directories(temp.Host("e/B/src"));
    fs::copy_file(temp.Host("s/src/a.txt.gz"), temp.Host("e/B/src/a.txt.gz"));
    SetHostTime(temp.Host("e/B/src/a.txt.gz"), 1700000500);
    EXPECT_EQ(Run().Copied, 2u);
    EXPECT_EQ(CommandText("gzip -dc " + Quote(temp.Host("e/B/src/a.txt.gz"))), std::string(3000, 'a'));
    EXPECT_EQ(CommandText("gzip -dc " + Quote(temp.Host("e/B/src/a.txt.gz.gz"))), "the user's own, not even gzip");
    EXPECT_EQ(Run().Copied, 0u);
    // The forms of each file change on their own: the other one's copy stays.
    Write("src/a.txt", "small", 1700000600);
    EXPECT_EQ(Run().Copied, 1u);
    EXPECT_EQ(Dest("B/src/a.txt"), "small");
    EXPECT_FALSE(DestExists("B/src/a.txt.gz"));
    EXPECT_TRUE(DestExists("B/src/a.txt.gz.gz"));
}

TEST_F(BackupWalkTest, ZipModesAndThePreview)
{
    Write("src/a.txt", "a");
    Write("src/sub/b.txt", "b");
    Write("src/none/c.doc", "c");
    entry.ExcludeList.Add("DOC");
    task.DestMode = DestZipPerDirectory; // one archive per folder, none where nothing was taken
    EXPECT_EQ(Run().Copied, 2u);
    EXPECT_EQ(RunQuiet("unzip -t " + Quote(temp.Host("e/B/LwS/src/TS.zip"))), 0);
    EXPECT_EQ(CommandText("unzip -Z1 " + Quote(temp.Host("e/B/LwS/src/TS.zip"))), "a.txt\n");
    EXPECT_TRUE(DestExists("B/LwS/src/sub/TS.zip"));
    EXPECT_FALSE(DestExists("B/LwS/src/none/TS.zip"));

    task.DestMode = DestZipFile; // the run's one archive, named from the source drive
    Platform::ForceDirectories("E:\\B");
    TZipWrite archive("E:\\B\\all.zip", "S:\\", "", 0, 0x10000);
    zipWriter = &archive;
    EXPECT_EQ(Run().Copied, 2u);
    archive.Close();
    const std::string names = CommandText("unzip -Z1 " + Quote(temp.Host("e/B/all.zip")) + " | sort");
    EXPECT_EQ(names, "src/a.txt\nsrc/none/\nsrc/sub/\nsrc/sub/b.txt\n");

    std::vector<TPreviewLine> lines;
    int64_t bytes = 0;
    int count = 0;
    entry.SubDirs.Add("S:\\src\\sub\\");
    PreviewDir("S:\\src", "", entry, lines, bytes, count, false, false, 0);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].Text, "*..\\");
    EXPECT_EQ(lines[0].Files, 1);
    EXPECT_EQ(lines[1].Text.substr(0, 7), " a.txt|");
    EXPECT_EQ(lines[1].Text.substr(lines[1].Text.size() - 4), "|1 B");
    EXPECT_EQ(lines[2].Text, "*..\\none");
    lines.clear();
    PreviewDir("S:\\src", "", entry, lines, bytes, count, true, false, 0);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(bytes, 2);
    EXPECT_NE(std::find_if(lines.begin(), lines.end(),
                           [](const TPreviewLine& line) { return line.Text == "#..\\sub (all files)"; }),
              lines.end());
}

TEST_F(BackupWalkTest, NamesThatConvertAlikeAreNotOverwritten)
{
    Write("src/Report.TXT", "upper");
    Write("src/report.txt", "lower");
    filenameCase = 1;
    const TWalkCounters counters = Run();
    EXPECT_EQ(counters.Copied, 1u);
    EXPECT_EQ(counters.Errors, 1u);
    const std::string copied = Dest("B/src/report.txt");
    EXPECT_TRUE(copied == "upper" || copied == "lower");
    EXPECT_NE(LogText().find("Destination name already used by another file"), std::string::npos);
}

TEST_F(BackupWalkTest, DeletedSourcesAndLogLines)
{
    Write("src/a.txt", "a");
    Write("src/sub/b.txt", "b");
    task.DeleteFile = true;
    task.Verify = true;
    Run();
    EXPECT_EQ(trashed.size(), 2u);
    EXPECT_FALSE(fs::exists(temp.Host("s/src/sub"))); // emptied folders go too
    const std::string text = LogText();
    // The log shows host paths: drive E: is the folder e of the test.
    EXPECT_NE(text.find("      Copy: sub/b.txt - Destination verfified - Source deleted"), std::string::npos) << text;
    EXPECT_NE(text.find("    => Create directory: " + temp.Host("e/B/src/sub")), std::string::npos) << text;
}

// The source grows while it is read, on the first few progress steps of its copies.
TEST_F(BackupWalkTest, AFileWrittenWhileCopiedIsCopiedAgainThenNamed)
{
    bufferSize = 64 * 1024;
    std::atomic<int> writes{0};
    view.OnFileProgress = [&](std::int64_t percent) {
        if (percent > 0 && percent < 100 && writes-- > 0) {
            std::ofstream(temp.Host("s/src/big.bin"), std::ios::app) << "+";
        }
    };
    for (const bool compress : {false, true}) {
        SCOPED_TRACE(compress);
        task.Compress = compress;
        const std::string copy = compress ? "B/src/big.bin.gz" : "B/src/big.bin";
        fs::remove_all(temp.Host("e/B"));
        Write("src/big.bin", std::string(1 << 20, 'w'));
        writes = 1; // the second copy reads it whole
        TWalkCounters counters = Run();
        EXPECT_EQ(counters.Copied, 1u);
        EXPECT_EQ(counters.Warnings, 0u);
        if (!compress) {
            EXPECT_TRUE(Dest(copy) == std::string(1 << 20, 'w') + "+");
        }

        Write("src/big.bin", std::string(1 << 20, 'v'), 1700000100);
        writes = 1000; // it changes under each copy: the previous copy stays, and it is named
        const std::string previous = Dest(copy);
        counters = Run();
        EXPECT_EQ(counters.Copied, 0u);
        EXPECT_EQ(counters.Warnings, 1u);
        EXPECT_EQ(Dest(copy), previous);
        const std::string operation = compress ? " (GZip)" : " (Copy)";
        EXPECT_NE(LogText().find("    *** Warning: changed while copied" + operation +
                                 ", not backed up this time: big.bin\n"),
                  std::string::npos);
        writes = 0; // the next run copies it, at rest
        EXPECT_EQ(Run().Copied, 1u);
        EXPECT_EQ(RunQuiet(std::string(compress ? "gzip -dc " : "cat ") + Quote(temp.Host("e/" + copy)) +
                           " | cmp -s - " + Quote(temp.Host("s/src/big.bin"))),
                  0);

        // A file without a copy yet keeps the one made, dated back: the next run does not take
        // it for current, even at the listed time.
        fs::remove_all(temp.Host("e/B"));
        SetHostTime(temp.Host("s/src/big.bin"), 1700000200);
        writes = 1000;
        EXPECT_EQ(Run().Warnings, 1u);
        EXPECT_TRUE(DestExists(copy));
        EXPECT_NE(LogText().find("    *** Warning: changed while copied" + operation + ": big.bin\n"),
                  std::string::npos);
        writes = 0;
        SetHostTime(temp.Host("s/src/big.bin"), 1700000200);
        EXPECT_EQ(Run().Copied, 1u);
    }

    // An entry of a folder's archive likewise (a file too large to be packed ahead).
    task.DestMode = DestZipPerDirectory;
    Write("src/big.bin", std::string(5 << 20, 'z'));
    writes = 1;
    TWalkCounters counters = Run();
    EXPECT_EQ(counters.Copied, 1u);
    EXPECT_EQ(counters.Warnings, 0u);
    writes = 1000;
    counters = Run();
    EXPECT_EQ(counters.Warnings, 1u);
    EXPECT_NE(LogText().find("    *** Warning: changed while copied (Zip): big.bin\n"), std::string::npos);
    EXPECT_EQ(RunQuiet("unzip -tq " + Quote(temp.Host("e/B/LwS/src/TS.zip"))), 0);
}

// Cancels or pauses at the first progress of a large file; the file after it is taken
// while it is copied.
class BackupWalkWorkerTest : public BackupWalkTest
{
protected:
    void SetUp() override
    {
        BackupWalkTest::SetUp();
        bufferSize = 64 * 1024;
        task.Verify = true; // copies in buffer steps
        Write("src/big.bin", "previous", 1700000000);
        Write("src/later.txt", "previous", 1700000000);
        Run();
        Write("src/big.bin", std::string(8 << 20, 'n'), 1700000100);
        Write("src/later.txt", "next", 1700000100);
        view.OnFileProgress = [this](std::int64_t percent) {
            if (percent > 0) {
                latch.ArriveAndWait();
            }
        };
    }
    TWorkerLatch latch;
};

TEST_F(BackupWalkWorkerTest, CancelKeepsThePreviousVersion)
{
    TScopedHook hook([&] {
        if (latch.Arrived() && !supervision.Cancelled()) {
            supervision.ProgressMessage(UM_CANCEL, 0);
            latch.Release();
        }
    });
    const TWalkCounters counters = Run();
    EXPECT_EQ(counters.Copied, 0u);
    EXPECT_EQ(Dest("B/src/big.bin"), "previous");
    // What was made for the next file goes with the cancel.
    EXPECT_EQ(Dest("B/src/later.txt"), "previous");
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.Host("e/B/src")), fs::directory_iterator()), 2);
    EXPECT_NE(LogText().find(": big.bin"), std::string::npos);
}

TEST_F(BackupWalkWorkerTest, PauseHoldsTheCopyUntilContinue)
{
    int passes = 0;
    TScopedHook hook([&] {
        if (!latch.Arrived()) {
            return;
        }
        if (++passes == 1) {
            supervision.ProgressMessage(UM_PAUSE, 1);
            latch.Release();
        } else if (passes == 4) {
            EXPECT_NE(supervision.ActiveWorker(), nullptr);
            supervision.ProgressMessage(UM_PAUSE, 0);
        }
    });
    EXPECT_EQ(Run().Copied, 2u);
    EXPECT_GE(passes, 4);
    EXPECT_EQ(fs::file_size(temp.Host("e/B/src/big.bin")), 8u << 20);
    EXPECT_EQ(Dest("B/src/later.txt"), "next");
}

// A full medium: 1 MiB of tmpfs as the destination (needs root). It holds the backup of
// big.bin, which has since grown to 2 MiB.
class BackupWalkFullMediumTest : public BackupWalkTest
{
protected:
    void SetUp() override
    {
        BackupWalkTest::SetUp();
        fs::create_directories(mountPoint);
        if (geteuid() != 0 || mount("tessaro-test", mountPoint.c_str(), "tmpfs", 0, "size=1m") != 0) {
            GTEST_SKIP() << "needs root to mount a small tmpfs";
        }
        mounted = true;
        Write("src/big.bin", "previous", 1700000000);
        Run();
        Write("src/big.bin", std::string(2 << 20, 'f'), 1700000100);
    }
    void TearDown() override
    {
        if (mounted) {
            umount(mountPoint.c_str());
        }
        BackupWalkTest::TearDown();
    }

    const std::string mountPoint = temp.Host("e/B");
    bool mounted = false;
};

TEST_F(BackupWalkFullMediumTest, FullMediumAsksForNewMediaAndCancelKeepsTheOldVersion)
{
    TScriptedMessageDialogs dialogs;
    dialogs.QueueAnswer(MrCancel);
    Run();
    EXPECT_EQ(dialogs.ShownCount(), 1u);
    EXPECT_NE(dialogs.LastText().find("Insert new media and continue backup?(big.bin)"), std::string::npos);
    EXPECT_TRUE(supervision.Cancelled());
    EXPECT_EQ(Dest("B/src/big.bin"), "previous");
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.Host("e/B/src")), fs::directory_iterator()), 1);
}

// Folders copied ahead of their turn fill the medium too: before the question for a new
// medium, nothing of theirs is still being written and no temporary stays on the full one;
// what stands is complete
TEST_F(BackupWalkFullMediumTest, FoldersStartedAheadAreStoppedBeforeTheMediumGoes)
{
    log.LogMode = LogLong;
    WriteSmallFolders([this](const std::string& name, const std::string& text) { Write(name, text); }, 4, 6, 5,
                      16 << 10);
    TScriptedMessageDialogs dialogs;
    std::vector<std::string> temporaries{"not asked"};
    dialogs.OnShow = [&](const TMessageRequest&) {
        temporaries = TemporariesBelow(temp.Host("e/B"));
        return MrCancel;
    };
    const TWalkCounters counters = Run();
    EXPECT_EQ(dialogs.ShownCount(), 1u);
    EXPECT_TRUE(temporaries.empty()) << temporaries.front();
    EXPECT_TRUE(supervision.Cancelled());
    EXPECT_TRUE(TemporariesBelow(temp.Host("e/B")).empty());
    EXPECT_EQ(Dest("B/src/big.bin"), "previous");
    for (const auto& e : fs::recursive_directory_iterator(temp.Host("e/B/src"))) {
        if (e.is_regular_file() && e.path().filename() != "big.bin") {
            const std::string relative = fs::relative(e.path(), temp.Host("e/B")).string();
            EXPECT_EQ(Dest("B/" + relative), temp.ReadHostFile("s/" + relative)) << relative;
        }
    }
    // and each of them had its turn: what was copied ahead went before the medium did.
    ExpectOnlyFilesThatHadTheirTurn(counters, "big.bin");
}

// A full medium exchanged for a new one while folders were started ahead of their turn: on
// the new medium too, each folder the run writes temporaries in is named in the record there,
// so that the next run after a kill finds them whatever became of their sources.
TEST_F(BackupWalkFullMediumTest, OnANewMediumTheRecordNamesEachFolderWorkedIn)
{
    log.LogMode = LogLong;
    for (int leaf = 0; leaf < 8; ++leaf) {
        const std::string folder = "src/l" + std::to_string(leaf) + "/";
        for (const std::string name : {"a.txt", "b.txt", "c.txt", "d.txt"}) {
            Write(folder + name, std::string(16 << 10, name[0]));
        }
        Write(folder + "large.bin", std::string(160 << 10, 'l'));
    }
    std::atomic<bool> exchanged{false};
    TScriptedMessageDialogs dialogs;
    dialogs.OnShow = [&](const TMessageRequest&) {
        EXPECT_EQ(umount2(mountPoint.c_str(), MNT_DETACH), 0);
        EXPECT_EQ(mount("tessaro-test", mountPoint.c_str(), "tmpfs", 0, "size=8m"), 0);
        exchanged = true;
        return MrOk;
    };
    std::vector<std::string> outside;
    std::atomic<int> looked{0};
    view.OnFileProgress = [&](int64_t) {
        if (exchanged && outside.empty()) {
            outside = TemporariesOutsideTheRecord(temp.Host("e/B"));
            ++looked;
        }
    };
    TWalkCounters counters;
    {
        TPoolHold hold; // the folders started ahead copy nothing before their turn
        counters = Run();
    }
    EXPECT_EQ(dialogs.ShownCount(), 1u);
    EXPECT_GT(looked, 0);
    EXPECT_TRUE(outside.empty()) << outside.front();
    EXPECT_EQ(counters.Errors, 0u);
    EXPECT_EQ(Dest("B/src/big.bin"), temp.ReadHostFile("s/src/big.bin"));
    EXPECT_EQ(Dest("B/src/l7/large.bin"), temp.ReadHostFile("s/src/l7/large.bin"));
    EXPECT_FALSE(DestExists("B/" + std::string(WorkRecordName)));
}

// A cancel (as by a stop signal) while folders are copied ahead of their turn: the copies
// made ahead that took their names before the cancel and never had their turn are gone.
TEST_F(BackupWalkTest, ACancelLeavesOnlyFilesThatAreLoggedAndCounted)
{
    log.LogMode = LogLong;
    WriteSmallFolders([this](const std::string& name, const std::string& text) { Write(name, text); }, 2, 8, 5);
    int files = 0;
    view.OnFileProgress = [&](int64_t percent) {
        if (percent == 0 && ++files == 7) { // in the second folder, with the next three started ahead
            WaitForPoolIdle();              // whatever was started stands under its final name
            supervision.ProgressMessage(UM_CANCEL, 0);
        }
    };
    const TWalkCounters counters = Run();
    EXPECT_TRUE(supervision.Cancelled());
    EXPECT_GT(counters.Copied, 0u);
    ExpectOnlyFilesThatHadTheirTurn(counters);
}

// A run that dies (killed, power cut) while folders are worked ahead leaves temporaries and
// new folders there. The next run removes them before it walks, also where the user renamed
// the source folders meanwhile, so that it never comes to those folders.
TEST_F(BackupWalkTest, WhatAKilledRunLeftIsRemovedWhereverTheSourcesWent)
{
    log.LogMode = LogLong;
    // Leaves of brief files and one that is not: a leaf started ahead has that one's temporary
    // made, while the pool is held and no brief copy has begun.
    for (const std::string leaf : {"p0/l0", "p0/l1", "p0/l2", "p0/l3", "p0/l4", "p1/l0"}) {
        for (const std::string name : {"a.txt", "b.txt", "c.txt"}) {
            Write("src/" + leaf + "/" + name, leaf + name);
        }
        Write("src/" + leaf + "/big.bin", std::string(256 << 10, 'b'));
    }
    bool killed = false;
    {
        TPoolHold hold;
        view.OnFileProgress = [&](int64_t percent) {
            if (!killed && percent == 0 && TemporariesBelow(temp.Host("e/B")).size() >= 3) {
                // What a kill now would leave: the destination as it stands.
                fs::copy(temp.Host("e/B"), temp.Host("killed"), fs::copy_options::recursive);
                supervision.ProgressMessage(UM_CANCEL, 0);
                killed = true;
            }
        };
        Run();
    }
    ASSERT_TRUE(killed);
    fs::remove_all(temp.Host("e/B"));
    fs::rename(temp.Host("killed"), temp.Host("e/B"));
    for (const std::string leaf : {"p0/l0", "p0/l1", "p0/l2", "p0/l3", "p0/l4"}) {
        fs::rename(temp.Host("s/src/" + leaf), temp.Host("s/src/" + leaf + "-renamed"));
    }
    supervision.ResetCancel();
    view.OnFileProgress = nullptr;
    Run();
    EXPECT_TRUE(TemporariesBelow(temp.Host("e/B")).empty());
    EXPECT_TRUE(EmptyFolders(temp.Host("e/B")).empty());
    EXPECT_FALSE(DestExists("B/" + std::string(WorkRecordName)));
    for (const auto& e : fs::recursive_directory_iterator(temp.Host("s/src"))) {
        if (e.is_regular_file()) {
            const std::string relative = fs::relative(e.path(), temp.Host("s")).string();
            EXPECT_EQ(Dest("B/" + relative), temp.ReadHostFile("s/" + relative)) << relative;
        }
    }
    EXPECT_NE(LogText().find("Removed what an interrupted run left: " + temp.Host("e/B/src/p0/l")), std::string::npos);
}

TEST_F(BackupWalkFullMediumTest, AQuietRunOnAFullMediumLogsTheWriteErrorAndStops)
{
    Write("src/later.txt", "l", 1700000100);
    TScriptedMessageDialogs dialogs;
    askForMedia = false;
    const TWalkCounters counters = Run();
    EXPECT_EQ(dialogs.ShownCount(), 0u);
    EXPECT_EQ(counters.Processed, 1u) << "the file that did not fit was selected";
    EXPECT_EQ(counters.Errors, 1u);
    EXPECT_NE(volumeFull.find("free space: "), std::string::npos) << volumeFull;
    EXPECT_NE(LogText().find(LogErrorPrefix + volumeFull + ": big.bin"), std::string::npos) << LogText();
    EXPECT_EQ(Dest("B/src/big.bin"), "previous");
}

TEST_F(BackupWalkTest, ANameThatExhaustsTheRegularExpressionIsLoggedAndSkipped)
{
    const std::string heavy(40, 'a');
    Write("src/" + heavy + ".txt", "x");
    Write("src/b.txt", "b");
    entry.NameFilter.IsRegEx = true;
    entry.NameFilter.Mode = TTextFilter::ModeInclude;
    entry.NameFilter.SetMask("^(a|a)*b$|^b$");
    const TWalkCounters counters = Run();
    EXPECT_EQ(counters.Copied, 1u) << "the walk went on after the failed match";
    EXPECT_EQ(counters.Errors, 1u);
    EXPECT_TRUE(DestExists("B/src/b.txt"));
    EXPECT_FALSE(DestExists("B/src/" + heavy + ".txt"));
    const std::string text = LogText();
    EXPECT_NE(text.find(LogErrorPrefix + std::string("TRegExpr(exec)")), std::string::npos) << text;
    EXPECT_NE(text.find(heavy + ".txt"), std::string::npos) << text;
}

} // namespace

TEST_F(BackupWalkTest, LinksInTheBackupAreNeverWrittenThrough)
{
    fs::create_directories(temp.Host("outside/dir"));
    temp.WriteHostFile("outside/victim.txt", "precious");
    Write("src/a.txt", "new a", 1700000100);
    Write("src/sub/b.txt", "new b", 1700000100);
    Write("src/c.txt", "new c", 1700000100);
    fs::create_directories(temp.Host("e/B/src"));
    // A file link over a backup copy, a folder link where a backed-up folder goes.
    fs::create_symlink(temp.Host("outside/victim.txt"), temp.Host("e/B/src/a.txt"));
    fs::create_directory_symlink(temp.Host("outside/dir"), temp.Host("e/B/src/sub"));
    task.NoBaks = true;

    const TWalkCounters counters = Run();
    EXPECT_EQ(temp.ReadHostFile("outside/victim.txt"), "precious");
    EXPECT_TRUE(fs::is_empty(temp.Host("outside/dir")));
    EXPECT_TRUE(fs::is_symlink(temp.Host("e/B/src/a.txt")));
    EXPECT_TRUE(fs::is_symlink(temp.Host("e/B/src/sub")));
    EXPECT_EQ(Dest("B/src/c.txt"), "new c");
    EXPECT_EQ(counters.Errors, 2u);
    const std::string text = LogText();
    EXPECT_NE(text.find("Symbolic link in the backup, left alone: " + temp.Host("e/B/src/a.txt")), std::string::npos)
        << text;
    EXPECT_NE(text.find("Symbolic link in the backup, left alone: " + temp.Host("e/B/src/sub")), std::string::npos)
        << text;

    // A link above the base stops the whole source folder; kept versions never rotate through one.
    fs::remove(temp.Host("e/B/src/a.txt"));
    fs::remove(temp.Host("e/B/src/sub"));
    fs::rename(temp.Host("e/B/src"), temp.Host("e/B/real"));
    fs::create_directory_symlink(temp.Host("outside/dir"), temp.Host("e/B/src"));
    Run();
    EXPECT_TRUE(fs::is_empty(temp.Host("outside/dir")));
    fs::remove(temp.Host("e/B/src"));
    fs::rename(temp.Host("e/B/real"), temp.Host("e/B/src"));
    task.NoBaks = false;
    task.BakFiles = true;
    task.BakSuffix = "old";
    fs::create_symlink(temp.Host("outside/victim.txt"), temp.Host("e/B/src/c.old.txt"));
    Write("src/c.txt", "newer c", 1700000200);
    Run();
    EXPECT_EQ(temp.ReadHostFile("outside/victim.txt"), "precious");
    EXPECT_EQ(Dest("B/src/c.txt"), "new c") << "the previous version could not be kept: it stays";
    EXPECT_FALSE(DestExists("B/src/" + std::string(".tessaro-")));
}

TEST_F(BackupWalkTest, LinksInTheSourceAreSkippedAndLogged)
{
    Write("src/a.txt", "a");
    fs::create_directories(temp.Host("s/other"));
    temp.WriteHostFile("s/other/b.txt", "b");
    fs::create_symlink(temp.Host("s/src/a.txt"), temp.Host("s/src/link.txt"));
    fs::create_directory_symlink(temp.Host("s/other"), temp.Host("s/src/linked"));
    log.LogMode = LogLong;

    const TWalkCounters counters = Run();
    EXPECT_EQ(counters.Copied, 1u);
    EXPECT_EQ(Dest("B/src/a.txt"), "a");
    EXPECT_FALSE(DestExists("B/src/link.txt"));
    EXPECT_FALSE(DestExists("B/src/linked"));
    const std::string text = LogText();
    EXPECT_NE(text.find("      Link skipped: link.txt\n"), std::string::npos) << text;
    EXPECT_NE(text.find("      Link skipped: linked\n"), std::string::npos) << text;
}

// Entries listed as files and a folder, put back as links, a FIFO and a device while the
// file before them is copied: nothing from elsewhere goes in, nothing waits, nothing fails.
TEST_F(BackupWalkTest, SourceEntriesSwappedAfterTheListingAreSkipped)
{
    bufferSize = 64 * 1024;
    fs::create_directories(temp.Host("outside"));
    temp.WriteHostFile("outside/secret.txt", "secret");
    log.LogMode = LogLong;
    bool swapped = false;
    view.OnFileProgress = [&](std::int64_t percent) {
        if (percent > 0 && !std::exchange(swapped, true)) {
            const std::string f = temp.Host("s/src/f/");
            fs::remove(f + "x.txt");
            fs::create_symlink("/dev/null", f + "x.txt");
            fs::remove(f + "y.txt");
            mkfifo((f + "y.txt").c_str(), 0600);
            fs::remove(f + "z.txt");
            fs::create_symlink(temp.Host("outside/secret.txt"), f + "z.txt");
            fs::remove_all(temp.Host("s/src/g"));
            fs::create_directory_symlink(temp.Host("outside"), temp.Host("s/src/g"));
        }
    };
    for (const int mode : {DestCloneOfSource, DestZipPerDirectory}) {
        SCOPED_TRACE(mode);
        task.DestMode = mode;
        fs::remove_all(temp.Host("s/src"));
        fs::remove_all(temp.Host("e/B"));
        Write("src/f/big.bin", std::string(1 << 20, 'b'));
        for (const char* name : {"src/f/x.txt", "src/f/y.txt", "src/f/z.txt", "src/g/inner.txt"}) {
            Write(name, std::string(1 << 17, 's')); // not brief: each is opened in its turn
        }
        swapped = false;
        const std::size_t logged = LogText().size();
        const TWalkCounters counters = Run();
        ASSERT_TRUE(swapped);
        EXPECT_EQ(counters.Copied, 1u);
        EXPECT_EQ(counters.Errors, 0u);
        const std::string text = LogText().substr(logged);
        EXPECT_NE(text.find("      Link skipped: f/x.txt\n"), std::string::npos) << text;
        EXPECT_NE(text.find("      Link skipped: f/z.txt\n"), std::string::npos) << text;
        EXPECT_NE(text.find("      Link skipped: g\n"), std::string::npos) << text;
        EXPECT_EQ(text.find("y.txt"), std::string::npos) << text;
        if (mode == DestCloneOfSource) {
            for (const char* name : {"B/src/f/x.txt", "B/src/f/y.txt", "B/src/f/z.txt", "B/src/g/secret.txt"}) {
                EXPECT_FALSE(DestExists(name)) << name;
            }
        } else {
            EXPECT_EQ(CommandText("unzip -Z1 " + Quote(temp.Host("e/B/LwS/src/f/TS.zip"))), "big.bin\n");
            EXPECT_FALSE(DestExists("B/LwS/src/g"));
        }
    }
}

TEST_F(BackupWalkTest, WhatAnInterruptedRunLeftIsTidiedAway)
{
    Write("src/b.txt", "new b", 1700000000);
    Write("src/c.txt", "new c", 1700000000);
    Write("src/d.txt", "new d", 1700000000);
    fs::create_directories(temp.Host("e/B/src"));
    // A temporary of a copy in progress, and security copies of an earlier version: one
    // whose file is missing, one whose file is the partial copy being written.
    temp.WriteHostFile("e/B/src/.tessaro-0123456789abcdef.part", "half");
    temp.WriteHostFile("e/B/src/.~b.txt.0.tsbak", "old b");
    SetHostTime(temp.Host("e/B/src/.~b.txt.0.tsbak"), 1700000000);
    temp.WriteHostFile("e/B/src/.~c.txt.0.tsbak", "old c");
    SetHostTime(temp.Host("e/B/src/.~c.txt.0.tsbak"), 1700000000);
    temp.WriteHostFile("e/B/src/c.txt", "partial"); // written now: newer than its source
    temp.WriteHostFile("e/B/src/d.txt", "stale d");
    SetHostTime(temp.Host("e/B/src/d.txt"), 1600000000);

    Run();
    // Both previous versions are back and as current as their sources: nothing to copy.
    EXPECT_EQ(Dest("B/src/b.txt"), "old b");
    EXPECT_EQ(Dest("B/src/c.txt"), "old c");
    EXPECT_EQ(Dest("B/src/d.txt"), "new d");
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(temp.Host("e/B/src"))) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"b.txt", "c.txt", "d.txt"}));
    const std::string text = LogText();
    EXPECT_NE(text.find("Removed what an interrupted run left: " + temp.Host("e/B/src/.tessaro-0123456789abcdef.part")),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Previous version put back after an interrupted run: " + temp.Host("e/B/src/c.txt")),
              std::string::npos)
        << text;
}

TEST_F(BackupWalkTest, ACopyTakesItsNameOnlyWhenComplete)
{
    // While the worker writes, the final name still holds the previous version.
    Write("src/a.txt", std::string(3 << 20, 'n'), 1700000100);
    fs::create_directories(temp.Host("e/B/src"));
    temp.WriteHostFile("e/B/src/a.txt", "previous");
    SetHostTime(temp.Host("e/B/src/a.txt"), 1600000000);
    bufferSize = 4096;
    std::string seenDuringCopy;
    bool temporarySeen = false;
    view.OnFileProgress = [&](int64_t percent) {
        if (seenDuringCopy.empty() && percent > 0 && percent < 100) {
            seenDuringCopy = Dest("B/src/a.txt");
            for (const auto& e : fs::directory_iterator(temp.Host("e/B/src"))) {
                temporarySeen = temporarySeen || IsBackupTemporaryName(e.path().filename().string());
            }
        }
    };
    Run();
    EXPECT_EQ(seenDuringCopy, "previous");
    EXPECT_TRUE(temporarySeen);
    EXPECT_EQ(Dest("B/src/a.txt"), std::string(3 << 20, 'n'));
    EXPECT_EQ(fs::last_write_time(temp.Host("e/B/src/a.txt")),
              fs::file_time_type::clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(1700000100))));
}

// A folder without subfolders has its destination listed beside its source listing: the
// copy decisions come out as from a listing made in turn.
TEST_F(BackupWalkTest, AFolderListedAheadDecidesAsInTurn)
{
    fs::create_directories(temp.Host("outside"));
    temp.WriteHostFile("outside/victim.txt", "precious");
    Write("src/leaf/same.txt", "same", 1700000000);
    for (const std::string name : {"newer", "linked", "folder"}) {
        Write("src/leaf/" + name + ".txt", name, 1700000100);
    }
    // Enough names that the destination folder counts as large.
    const unsigned many = 2500;
    for (unsigned i = 0; i < many; ++i) {
        temp.WriteHostFile("s/src/leaf/n" + std::to_string(i), "");
    }
    EXPECT_EQ(Run().Copied, many + 4);
    const auto leaf = Platform::TDestFolder::Open("E:\\B\\src\\leaf");
    ASSERT_NE(leaf, nullptr);
    ASSERT_GE(leaf->EntryBytes(), 32u * 1024);
    SetHostTime(temp.Host("e/B/src/leaf/newer.txt"), 1700000000);
    fs::remove(temp.Host("e/B/src/leaf/linked.txt"));
    fs::create_symlink(temp.Host("outside/victim.txt"), temp.Host("e/B/src/leaf/linked.txt"));
    fs::remove(temp.Host("e/B/src/leaf/folder.txt"));
    fs::create_directories(temp.Host("e/B/src/leaf/folder.txt"));
    temp.WriteHostFile("e/B/src/leaf/.tessaro-0123456789abcdef.part", "half");
    task.NoBaks = true;

    const TWalkCounters counters = Run();
    EXPECT_EQ(counters.Copied, 1u);
    EXPECT_EQ(counters.Errors, 2u);
    EXPECT_EQ(Dest("B/src/leaf/newer.txt"), "newer");
    EXPECT_EQ(Dest("B/src/leaf/same.txt"), "same");
    EXPECT_EQ(temp.ReadHostFile("outside/victim.txt"), "precious");
    EXPECT_TRUE(fs::is_symlink(temp.Host("e/B/src/leaf/linked.txt")));
    EXPECT_TRUE(fs::is_directory(temp.Host("e/B/src/leaf/folder.txt")));
    EXPECT_FALSE(DestExists("B/src/leaf/.tessaro-0123456789abcdef.part"));
    EXPECT_EQ(Run().Errors, 2u);
}

// Once a folder of many files was listed, the destinations of the subfolders after it are
// listed ahead: each folder decides with its own listing, as in turn, also after a folder
// of few files and where a destination folder turned into a link.
TEST_F(BackupWalkTest, SubfoldersListedAheadDecideAsInTurn)
{
    fs::create_directories(temp.Host("outside"));
    temp.WriteHostFile("outside/victim.txt", "precious");
    const std::vector<std::string> folders = {"a", "b", "c", "d", "e", "f", "g"};
    const auto files = [](const std::string& folder) { return folder == "a" || folder == "e" ? 3u : 20u; };
    for (const std::string& folder : folders) {
        for (unsigned i = 0; i < files(folder); ++i) {
            Write("src/" + folder + "/" + folder + std::to_string(i) + ".txt", folder);
        }
    }
    EXPECT_EQ(Run().Copied, 5 * 20u + 2 * 3u);
    SetHostTime(temp.Host("e/B/src/c/c7.txt"), 1600000000);
    fs::remove(temp.Host("e/B/src/d/d3.txt"));
    fs::create_symlink(temp.Host("outside/victim.txt"), temp.Host("e/B/src/d/d3.txt"));
    temp.WriteHostFile("e/B/src/f/.tessaro-0123456789abcdef.part", "half");
    fs::remove_all(temp.Host("e/B/src/g"));
    fs::create_directory_symlink(temp.Host("outside"), temp.Host("e/B/src/g"));
    fs::create_symlink(temp.Host("outside/victim.txt"), temp.Host("s/src/d/link.txt"));
    task.NoBaks = true;

    const TWalkCounters counters = Run();
    EXPECT_EQ(counters.Copied, 1u); // c7.txt
    EXPECT_EQ(counters.Errors, 2u); // d3.txt and the folder g
    EXPECT_EQ(Dest("B/src/c/c7.txt"), "c");
    EXPECT_EQ(temp.ReadHostFile("outside/victim.txt"), "precious");
    EXPECT_FALSE(DestExists("B/src/f/.tessaro-0123456789abcdef.part"));
    EXPECT_FALSE(fs::exists(temp.Host("outside/g0.txt")));
    // The sources listed ahead log in their turn: the link after the copy before it.
    const std::string text = LogText();
    const auto copied = text.rfind("Copy: c/c7.txt");
    const auto link = text.find("Link skipped: d/link.txt");
    ASSERT_NE(link, std::string::npos) << text;
    EXPECT_LT(copied, link);
    EXPECT_EQ(Run().Copied, 0u);
}

// The small files of a folder are copied side by side ahead of their turn and take their
// names themselves where nothing stands there: a link or folder under a name still fails
// that file alone, nothing is written through the link, and no temporary stays behind.
TEST_F(BackupWalkTest, CopiesMadeAheadLeaveNamesTakenByOthersAlone)
{
    fs::create_directories(temp.Host("outside"));
    temp.WriteHostFile("outside/victim.txt", "precious");
    const unsigned count = 60;
    for (unsigned i = 0; i < count; ++i) {
        Write("src/f" + std::to_string(i) + ".txt", "file " + std::to_string(i));
    }
    fs::create_directories(temp.Host("e/B/src/f17.txt"));
    fs::create_symlink(temp.Host("outside/victim.txt"), temp.Host("e/B/src/f42.txt"));

    const TWalkCounters counters = Run();
    EXPECT_EQ(counters.Copied, count - 2);
    EXPECT_EQ(counters.Errors, 2u);
    for (unsigned i = 0; i < count; ++i) {
        if (i != 17 && i != 42) {
            EXPECT_EQ(Dest("B/src/f" + std::to_string(i) + ".txt"), "file " + std::to_string(i));
        }
    }
    EXPECT_EQ(temp.ReadHostFile("outside/victim.txt"), "precious");
    EXPECT_TRUE(fs::is_directory(temp.Host("e/B/src/f17.txt")));
    EXPECT_TRUE(fs::is_symlink(temp.Host("e/B/src/f42.txt")));
    for (const auto& e : fs::directory_iterator(temp.Host("e/B/src"))) {
        EXPECT_FALSE(IsBackupTemporaryName(e.path().filename().string())) << e.path();
    }
}

// Encrypted files up to a few MB are copied side by side too (those of several buffers
// hashed by their own thread), each with an encryption object of its own, between larger
// ones that take the run's object in their turn: every file reads back under the
// password, with a salt of its own.
TEST_F(BackupWalkTest, EncryptedFilesMadeAheadEachReadBackWithAFreshSalt)
{
    const unsigned count = 60;
    const auto contents = [this](unsigned i) {
        const std::size_t size = i % 20 == 7  ? TCopyThread::BriefEncryptedBytes + 1 + i
                                 : i % 5 == 3 ? 3 * static_cast<std::size_t>(bufferSize) + i
                                              : 10 + i * 30;
        return std::string(size, static_cast<char>('a' + i % 26));
    };
    for (unsigned i = 0; i < count; ++i) {
        Write("src/f" + std::to_string(i) + ".txt", contents(i));
    }
    TEncryption crypt("secret password", bufferSize, 0);
    encryption = &crypt;
    task.Verify = true;
    EXPECT_EQ(Run().Copied, count);
    std::set<std::string> salts;
    TEncryption reader("secret password", bufferSize, 0);
    for (unsigned i = 0; i < count; ++i) {
        const std::string stream = Dest("B/src/f" + std::to_string(i) + ".txt.enc");
        TMemoryStream source(std::vector<uint8_t>(stream.begin(), stream.end()));
        TMemoryStream plain;
        EXPECT_TRUE(reader.Decrypt(source, &plain, static_cast<int64_t>(stream.size()))) << i;
        EXPECT_EQ(std::string(plain.Data.begin(), plain.Data.end()), contents(i)) << i;
        salts.insert(stream.substr(0, static_cast<size_t>(reader.SaltLength())));
    }
    EXPECT_EQ(salts.size(), count);
}

// A cancel in the middle of a folder stops the copies made ahead: what stands in the
// backup is complete, and no temporary is left.
TEST_F(BackupWalkTest, ACancelAmongCopiesMadeAheadLeavesOnlyCompleteFiles)
{
    const unsigned count = 200;
    for (unsigned i = 0; i < count; ++i) {
        Write("src/f" + std::to_string(i) + ".txt", std::string(100 + i * 50, static_cast<char>('a' + i % 26)));
    }
    int files = 0;
    view.OnFileProgress = [&](int64_t percent) {
        if (percent == 0 && ++files == 20) {
            supervision.ProgressMessage(UM_CANCEL, 0);
        }
    };
    const TWalkCounters counters = Run();
    EXPECT_TRUE(supervision.Cancelled());
    EXPECT_LT(counters.Copied, count);
    unsigned standing = 0;
    for (const auto& e : fs::directory_iterator(temp.Host("e/B/src"))) {
        const std::string name = e.path().filename().string();
        EXPECT_FALSE(IsBackupTemporaryName(name)) << name;
        const unsigned i = static_cast<unsigned>(std::stoul(name.substr(1)));
        EXPECT_EQ(Dest("B/src/" + name), std::string(100 + i * 50, static_cast<char>('a' + i % 26))) << name;
        ++standing;
    }
    EXPECT_GE(standing, counters.Copied);
}

// Where folders hold few files, the next ones are entered, made and copied on the work pool
// while the walk is in the ones before (not at the extended log mode, which names each
// folder as it is made). Whatever the mode, the same files arrive and the log names copies,
// links, left-out files and a link in the backup in the same order; a folder that gets no
// copy is not left behind, and a second run copies nothing.
TEST_F(BackupWalkTest, FoldersStartedAheadCopyAndLogAsInTurn)
{
    fs::create_directories(temp.Host("outside"));
    WriteSmallFolders([this](const std::string& name, const std::string& text) { Write(name, text); }, 5, 4, 5);
    Write("src/p2/l4/only.doc", "left out");
    Write("src/p3/l1/f9.doc", "left out too");
    fs::create_symlink(temp.Host("s/src/p1/l1/f1.txt"), temp.Host("s/src/p1/l2/link.txt"));
    entry.ExcludeList.Add("DOC");
    entry.SubDirs.Add("S:\\src\\p4\\l0\\");
    const auto walkLines = [this](uint32_t mode) {
        log.CloseLog();
        fs::remove(temp.Host("e/tessaro.log"));
        fs::remove_all(temp.Host("e/B"));
        fs::create_directories(temp.Host("e/B/src/p3"));
        fs::create_directory_symlink(temp.Host("outside"), temp.Host("e/B/src/p3/l3"));
        log.OpenLog(mode, false, false);
        const TWalkCounters counters = Run();
        EXPECT_EQ(counters.Copied, 5u * 4u * 5u - 5u - 5u) << mode;
        EXPECT_EQ(Run().Copied, 0u) << mode;
        log.CloseLog();
        std::vector<std::string> lines;
        std::istringstream text(Dest("tessaro.log"));
        for (std::string line; std::getline(text, line);) {
            if (line.find("Copy: ") != std::string::npos || line.find("Link") != std::string::npos ||
                line.find(LogErrorPrefix) != std::string::npos) {
                lines.push_back(line);
            }
        }
        return lines;
    };
    for (const bool emptyDirs : {true, false}) {
        SCOPED_TRACE(emptyDirs);
        task.EmptyDirs = emptyDirs;
        const std::vector<std::string> inTurn = walkLines(LogExtended);
        const std::vector<std::string> ahead = walkLines(LogLong);
        EXPECT_EQ(ahead, inTurn);
        EXPECT_EQ(ahead.size(), 90u + 2u * 2u); // the link lines of both runs
        EXPECT_EQ(Dest("B/src/p0/l3/f4.txt"), "p0/l3/f4");
        EXPECT_EQ(Dest("B/src/p4/l3/f0.txt"), "p4/l3/f0");
        EXPECT_FALSE(DestExists("B/src/p4/l0"));
        EXPECT_EQ(DestExists("B/src/p2/l4"), !emptyDirs);
        EXPECT_TRUE(fs::is_empty(temp.Host("outside")));
        EXPECT_TRUE(TemporariesBelow(temp.Host("e/B")).empty());
    }
    log.OpenLog(LogExtended, false, false);
}

// A cancel while folders are copied ahead of their turn: what stands is complete, and no
// temporary or folder made for a turn that never came stays behind.
TEST_F(BackupWalkTest, ACancelAmongFoldersStartedAheadLeavesNoTemporaryOrUnusedFolder)
{
    log.LogMode = LogLong;
    task.EmptyDirs = true;
    WriteSmallFolders([this](const std::string& name, const std::string& text) { Write(name, text); }, 8, 6, 5, 3000);
    // The pool's threads are held: what was started ahead is copied in its turn, taken back,
    // and a folder whose turn never came is still empty at the cancel.
    TPoolHold hold;
    int files = 0;
    view.OnFileProgress = [&](int64_t percent) {
        if (percent == 0 && ++files == 37) { // in the middle of a folder's subfolders
            supervision.ProgressMessage(UM_CANCEL, 0);
        }
    };
    const TWalkCounters counters = Run();
    hold.Release();
    EXPECT_TRUE(supervision.Cancelled());
    EXPECT_LT(counters.Copied, 8u * 6u * 5u);
    EXPECT_TRUE(TemporariesBelow(temp.Host("e/B")).empty());
    // Only the folder whose copy the cancel cut short may be empty.
    EXPECT_LE(EmptyFolders(temp.Host("e/B")).size(), 1u);
    for (const auto& e : fs::recursive_directory_iterator(temp.Host("e/B/src"))) {
        if (e.is_regular_file()) {
            const std::string relative = fs::relative(e.path(), temp.Host("e/B")).string();
            EXPECT_EQ(Dest("B/" + relative), temp.ReadHostFile("s/" + relative)) << relative;
        }
    }
}
