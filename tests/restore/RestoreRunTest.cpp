#include "restore/Restore.h"

#include "RecordingProgressView.h"
#include "TempFolder.h"
#include "engine/GzipFormat.h"
#include "foundation/MessageDialogs.h"
#include "foundation/MessageLoop.h"
#include "foundation/ScriptedMessageDialogs.h"
#include "platform/Drives.h"
#include "tasks/BackupRun.h"
#include "tasks/BackupSupervision.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string ReadHost(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

int Shell(const std::string& command)
{
    const int status = std::system(("(" + command + ") >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void SetHostTime(const std::string& path, int64_t unixTime)
{
    const timeval times[2] = {{static_cast<time_t>(unixTime), 0}, {static_cast<time_t>(unixTime), 0}};
    utimes(path.c_str(), times);
}

int64_t HostTime(const std::string& path)
{
    struct stat st
    {
    };
    return stat(path.c_str(), &st) == 0 ? st.st_mtime : -1;
}

class TPasswordAnswers : public IRestorePrompts
{
public:
    int AskPassword(const std::string&, const std::string& prompt, std::string& password) override
    {
        Prompts.push_back(prompt);
        if (Answers.empty()) {
            return MrCancel;
        }
        auto [result, text] = Answers.front();
        Answers.erase(Answers.begin());
        password = text;
        return result;
    }
    std::vector<std::pair<int, std::string>> Answers;
    std::vector<std::string> Prompts;
};

// S: the user's files, E: the backups, R: a chosen restore folder, L: the log.
class RestoreRunTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* folder : {"s", "e", "r", "l"}) {
            fs::create_directories(temp.Host(folder));
        }
        setenv(
            "TESSARO_DRIVES",
            ("S=" + temp.Host("s") + ";E=" + temp.Host("e") + ";R=" + temp.Host("r") + ";L=" + temp.Host("l")).c_str(),
            1);
        Platform::ReloadDriveTable();
        log.LogPath = "L:\\tessaro.log";
        log.ProductText = "Tessaro";
        task.EmptyDirs = false;
        task.Destination = "E:\\B";
        task.FileName = "L:\\daily.buj";
        settings.Protocol = LogLong;
        TExtensionList entry;
        entry.SourceDir = entry.ExpandedDir = "S:\\data";
        task.Sources.push_back(entry);
        restore.LogMode = LogLong;
        restore.Options.Overwrite = OverwriteAll;
    }
    void TearDown() override
    {
        unsetenv("TESSARO_DRIVES");
        Platform::ReloadDriveTable();
    }
    void Write(const std::string& relative, const std::string& contents, int64_t time = 1700000000)
    {
        const std::string path = temp.Host("s/data/" + relative);
        fs::create_directories(fs::path(path).parent_path());
        temp.WriteHostFile("s/data/" + relative, contents);
        SetHostTime(path, time);
    }
    void MakeTree()
    {
        Write("a.txt", std::string(3000, 'a') + "end");
        Write("tiny.txt", "t", 1600000000);
        Write("sub/b.doc", std::string(70000, 'b'));
        Write("sub/deeper/c.bin", std::string(1 << 20, 'c'), 1500000000);
        Write("photo.jpg", std::string(4000, 'j'));
        Write("old.txt", "before 1970", -86400 * 400);
        Write("empty.txt", "");
    }
    void Backup()
    {
        TBackupSupervision supervision{view};
        TBackupRun run{task, settings, log, supervision};
        log.OpenLog(settings.Protocol, false, false);
        ASSERT_TRUE(run.RunBackup(0, task.FileName, EndNotVisible));
        log.CloseLog();
    }
    int Restore(const std::string& source, const std::string& dest, bool origin)
    {
        log.OpenLog(settings.Protocol, false, false);
        const int outcome = restore.RunRestore(source, dest, origin, false, false, 0);
        log.CloseLog();
        return outcome;
    }
    // Every file of the original tree, byte for byte and by its time, below the host folder.
    void ExpectSameTree(const std::string& restoredHost)
    {
        std::size_t files = 0;
        for (const auto& entry : fs::recursive_directory_iterator(temp.Host("s/data"))) {
            if (!entry.is_regular_file()) {
                continue;
            }
            const std::string rel = fs::relative(entry.path(), temp.Host("s/data")).string();
            const std::string copy = restoredHost + "/" + rel;
            SCOPED_TRACE(rel);
            ASSERT_TRUE(fs::exists(copy));
            EXPECT_EQ(ReadHost(copy), ReadHost(entry.path().string()));
            EXPECT_EQ(HostTime(copy), HostTime(entry.path().string()));
            ++files;
        }
        EXPECT_EQ(files, 7u);
        // Nothing but the tree: no temporary files left beside the restored ones.
        std::size_t restoredFiles = 0;
        for (const auto& entry : fs::recursive_directory_iterator(restoredHost)) {
            restoredFiles += entry.is_regular_file() ? 1 : 0;
        }
        EXPECT_EQ(restoredFiles, files);
    }
    std::string LogText() const { return temp.ReadHostFile("l/tessaro.log"); }

    TTempFolder temp;
    TScriptedMessageDialogs dialogs;
    TScopedMessageDialogs dialogScope{dialogs};
    TBackupTask task;
    TProgramSettings settings;
    TBackupLog log;
    TRecordingProgressView view;
    TPasswordAnswers answers;
    NullStatusView status;
    TRestoreRun restore{log, view, status, &answers};
};

struct TLayoutCase
{
    const char* name;
    int destMode;
    bool compress;
    bool encrypt;
};

TEST_F(RestoreRunTest, EveryLayoutAndOptionRestoresExactly)
{
    const TLayoutCase cases[] = {
        {"plain", DestDrivesSeparated, false, false},    {"gzip", DestDrivesSeparated, true, false},
        {"encrypted", DestDrivesSeparated, false, true}, {"gzip+encrypted", DestDrivesSeparated, true, true},
        {"clone gzip", DestCloneOfSource, true, false},  {"clone encrypted", DestCloneOfSource, false, true},
    };
    MakeTree();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(temp.Host("e/B"));
        task.DestMode = c.destMode;
        task.Compress = c.compress;
        task.Encrypt = c.encrypt;
        task.FixPassword = c.encrypt;
        task.Password = "s3cret-word";
        Backup();
        if (c.compress) {
            const std::string gz = c.destMode == DestCloneOfSource ? "e/B/data/a.txt.gz" : "e/B/LwS/data/a.txt.gz";
            ASSERT_TRUE(fs::exists(temp.Host(gz)));
        }
        answers.Answers = {{MrOk, "s3cret-word"}};
        restore.EndSession();

        // To a chosen folder.
        fs::remove_all(temp.Host("r/x"));
        const std::string source = c.destMode == DestCloneOfSource ? "E:\\B\\data" : "E:\\B\\LwS\\data";
        EXPECT_EQ(Restore(source, "R:\\x", false), RestoreOk);
        ExpectSameTree(temp.Host("r/x"));

        // To the origin, from the backup root and from inside the drive folder.
        if (c.destMode == DestDrivesSeparated) {
            fs::rename(temp.Host("s/data"), temp.Host("s/orig"));
            EXPECT_EQ(Restore("E:\\B", "", true), RestoreOk);
            fs::rename(temp.Host("s/data"), temp.Host("r/origin"));
            fs::rename(temp.Host("s/orig"), temp.Host("s/data"));
            ExpectSameTree(temp.Host("r/origin"));
            fs::remove_all(temp.Host("r/origin"));
            fs::remove_all(temp.Host("s/data/sub"));
            EXPECT_EQ(Restore("E:\\B\\LwS\\data\\sub", "", true), RestoreOk);
            EXPECT_EQ(temp.ReadHostFile("s/data/sub/b.doc"), std::string(70000, 'b'));
            EXPECT_EQ(HostTime(temp.Host("s/data/sub/deeper/c.bin")), 1500000000);
        }
        EXPECT_EQ(answers.Answers.size(), c.encrypt ? 0u : 1u);
    }
}

TEST_F(RestoreRunTest, AMissingSourceFolderIsNamed)
{
    EXPECT_EQ(Restore("E:\\absent", "R:\\", false), RestoreFailed);
    EXPECT_NE(LogText().find("    *** Could not find directory: \"" + temp.Host("e/absent") + "\""), std::string::npos)
        << LogText();
    ASSERT_EQ(dialogs.ShownCount(), 1u);
    EXPECT_EQ(dialogs.Shown()[0].text, "Could not find directory: \"" + temp.Host("e/absent") + "\"");
}

TEST_F(RestoreRunTest, KeptVersionsBySuffixAndNameFilter)
{
    task.BakFiles = true;
    task.BakSuffix = "bak";
    task.DestMode = DestCloneOfSource;
    task.Compress = true;
    Write("report.doc", std::string(2000, '1'), 1700000000);
    Backup();
    Write("report.doc", std::string(2000, '2'), 1700000500);
    Backup();
    ASSERT_TRUE(fs::exists(temp.Host("e/B/data/report.bak.doc.gz")));

    restore.Options.BackupCopies = true;
    EXPECT_EQ(Restore("E:\\B\\data", "R:\\kept", false), RestoreOk);
    EXPECT_EQ(temp.ReadHostFile("r/kept/report.bak.doc"), std::string(2000, '1'));
    EXPECT_FALSE(fs::exists(temp.Host("r/kept/report.doc")));

    restore.Options.BackupCopies = false;
    restore.Options.Filter.Mode = TTextFilter::ModeExclude;
    restore.Options.Filter.SetMask("*.bak.*");
    EXPECT_EQ(Restore("E:\\B\\data", "R:\\current", false), RestoreOk);
    EXPECT_EQ(temp.ReadHostFile("r/current/report.doc"), std::string(2000, '2'));
    EXPECT_FALSE(fs::exists(temp.Host("r/current/report.bak.doc")));
}

// A file that grows past the smallest compressed size and shrinks again between runs.
TEST_F(RestoreRunTest, AFileThatChangesItsFormLeavesOneCopy)
{
    task.DestMode = DestCloneOfSource;
    task.Compress = true;
    task.Password = "s3cret-word";
    for (const bool encrypt : {true, false}) {
        SCOPED_TRACE(encrypt);
        fs::remove_all(temp.Host("e/B"));
        task.Encrypt = task.FixPassword = encrypt;
        const std::string small = encrypt ? "e/B/data/a.txt.enc" : "e/B/data/a.txt";
        Write("a.txt", "small", 1700000000);
        Backup();
        Write("a.txt", std::string(2000, 'L'), 1700000100);
        Backup();
        EXPECT_TRUE(fs::exists(temp.Host("e/B/data/a.txt.gz")));
        EXPECT_FALSE(fs::exists(temp.Host(small)));
        Write("a.txt", "small again", 1700000200);
        Backup();
        EXPECT_TRUE(fs::exists(temp.Host(small)));
        EXPECT_FALSE(fs::exists(temp.Host("e/B/data/a.txt.gz")));
    }

    // Kept versions keep the copy of the other form too; a source file named like another
    // form of a file keeps its own copy.
    task.BakFiles = true;
    Write("c.txt", std::string(2000, 'c'), 1700000000);
    Write("c.txt.enc", "a file of that name", 1700000000);
    Backup();
    Write("a.txt", std::string(2000, 'L'), 1700000300);
    Write("c.txt", std::string(2000, 'C'), 1700000300);
    Backup();
    EXPECT_EQ(temp.ReadHostFile("e/B/data/a.bak.txt"), "small again");
    EXPECT_FALSE(fs::exists(temp.Host("e/B/data/a.txt")));
    EXPECT_EQ(temp.ReadHostFile("e/B/data/c.txt.enc"), "a file of that name");
    EXPECT_FALSE(fs::exists(temp.Host("e/B/data/c.bak.txt.enc")));

    // Where an earlier run left both forms, a restore takes the newest.
    fs::copy_file(temp.Host("e/B/data/a.bak.txt"), temp.Host("e/B/data/a.txt"));
    SetHostTime(temp.Host("e/B/data/a.txt"), 1700000000);
    EXPECT_EQ(Restore("E:\\B\\data", "R:\\x", false), RestoreOk);
    EXPECT_EQ(temp.ReadHostFile("r/x/a.txt"), std::string(2000, 'L'));
}

TEST_F(RestoreRunTest, OverwriteAndAgeModes)
{
    task.DestMode = DestCloneOfSource;
    task.Compress = false;
    Write("keep.txt", "backup", 1700000000);
    Write("newer.txt", "backup", 1700000000);
    Write("close.txt", "backup", 1700000000);
    Write("ancient.txt", "backup", -3600 * 24 * 500);
    Backup();
    fs::create_directories(temp.Host("r/t"));
    temp.WriteHostFile("r/t/keep.txt", "mine");
    SetHostTime(temp.Host("r/t/keep.txt"), 1700000100); // newer than the backup
    temp.WriteHostFile("r/t/newer.txt", "mine");
    SetHostTime(temp.Host("r/t/newer.txt"), 1699990000); // older
    temp.WriteHostFile("r/t/close.txt", "mine");
    SetHostTime(temp.Host("r/t/close.txt"), 1699999998); // backup newer by 2 s only

    restore.Options.Overwrite = OverwriteNone;
    Restore("E:\\B\\data", "R:\\t", false);
    EXPECT_EQ(temp.ReadHostFile("r/t/keep.txt"), "mine");
    EXPECT_EQ(temp.ReadHostFile("r/t/newer.txt"), "mine");
    // A file from before 1970 is taken by "all".
    EXPECT_EQ(temp.ReadHostFile("r/t/ancient.txt"), "backup");

    restore.Options.Overwrite = OverwriteOlder;
    Restore("E:\\B\\data", "R:\\t", false);
    EXPECT_EQ(temp.ReadHostFile("r/t/keep.txt"), "mine");
    EXPECT_EQ(temp.ReadHostFile("r/t/close.txt"), "mine");
    EXPECT_EQ(temp.ReadHostFile("r/t/newer.txt"), "backup");

    restore.Options.Overwrite = OverwriteAll;
    restore.Options.AgeMode = AgeOlder;
    restore.Options.Date = UnixToDateTime(0) + 1;
    fs::remove(temp.Host("r/t/ancient.txt"));
    Restore("E:\\B\\data", "R:\\t", false);
    EXPECT_EQ(temp.ReadHostFile("r/t/keep.txt"), "mine");
    EXPECT_EQ(temp.ReadHostFile("r/t/ancient.txt"), "backup");

    restore.Options.AgeMode = AgeNewer;
    Restore("E:\\B\\data", "R:\\t", false);
    EXPECT_EQ(temp.ReadHostFile("r/t/keep.txt"), "backup");

    EXPECT_TRUE(RestoreNeeded(OverwriteOlder, true, 3, 0, 2, false));
    EXPECT_FALSE(RestoreNeeded(OverwriteOlder, true, 2, 0, 2, false));
    EXPECT_FALSE(RestoreNeeded(OverwriteOlder, true, 3601, 0, 2, true));
    EXPECT_TRUE(RestoreNeeded(OverwriteOlder, true, -10, -100, 2, false));
}

TEST_F(RestoreRunTest, WrongPasswordIsAskedAgainThenSkipped)
{
    task.DestMode = DestCloneOfSource;
    task.Compress = false;
    task.Encrypt = task.FixPassword = true;
    task.Password = "right-one";
    Write("secret.txt", "secret text");
    Backup();
    fs::create_directories(temp.Host("r/p"));
    temp.WriteHostFile("r/p/secret.txt", "the user's own");

    answers.Answers = {{MrOk, "wrong-one"}, {MrYes, ""}};
    EXPECT_EQ(Restore("E:\\B\\data", "R:\\p", false), RestoreFailed);
    ASSERT_EQ(answers.Prompts.size(), 2u);
    EXPECT_NE(answers.Prompts[1].find("is invalid! Please retry!"), std::string::npos);
    EXPECT_EQ(temp.ReadHostFile("r/p/secret.txt"), "the user's own");
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.Host("r/p")), fs::directory_iterator()), 1);

    // A quiet run never asks: the file is not restored, and its end line counts that.
    answers.Prompts.clear();
    log.OpenLog(settings.Protocol, false, false);
    EXPECT_EQ(restore.RunRestore("E:\\B\\data", "R:\\p", false, false, true, 0), RestoreFailed);
    log.CloseLog();
    EXPECT_TRUE(answers.Prompts.empty());
    EXPECT_NE(LogText().find("    *** "), std::string::npos);
    EXPECT_NE(LogText().find("  Status: 1 error(s) on restore (0 files copied)\n"), std::string::npos) << LogText();
    EXPECT_EQ(temp.ReadHostFile("r/p/secret.txt"), "the user's own");
}

TEST_F(RestoreRunTest, ADamagedBackupFileIsAnErrorOfTheRun)
{
    task.DestMode = DestCloneOfSource;
    task.Compress = true;
    Write("good.txt", std::string(2000, 'g'));
    Backup();
    temp.WriteHostFile("e/B/data/broken.txt.gz", "no gzip header at all");
    EXPECT_EQ(Restore("E:\\B\\data", "R:\\p", false), RestoreFailed);
    const std::string text = LogText();
    const std::size_t header = text.find(" - Restoring\n");
    const std::size_t named = text.find(": " + temp.Host("e/B/data/broken.txt.gz") + "\n");
    ASSERT_NE(named, std::string::npos) << text;
    EXPECT_LT(header, named) << text;
    EXPECT_NE(text.find("  Status: 1 error(s) on restore (1 files copied)\n"), std::string::npos) << text;
    EXPECT_FALSE(fs::exists(temp.Host("r/p/broken.txt")));
    // One empty line ends the entry, never two.
    EXPECT_EQ(text.find("\n\n\n"), std::string::npos) << text;
}

TEST_F(RestoreRunTest, CancelInALargeFileKeepsTheOriginal)
{
    task.DestMode = DestCloneOfSource;
    task.Compress = false;
    Write("large.bin", std::string(64 << 20, 'L'));
    Backup();
    fs::create_directories(temp.Host("r/c"));
    temp.WriteHostFile("r/c/large.bin", "original");
    restore.BufferSize = 64 * 1024;
    // Cancel as the progress window does once the worker has copied a part: a message
    // that reaches the run through the message loop of its wait.
    std::atomic<bool> pressed{false};
    view.OnFileProgress = [&](int64_t percent) {
        if (percent > 0 && percent < 100) {
            pressed = true;
        }
    };
    const TProcessMessagesHook previous = SetProcessMessagesHook([&] {
        if (pressed.exchange(false)) {
            restore.ProgressMessage(UM_CANCEL, 0);
        }
    });
    EXPECT_EQ(Restore("E:\\B\\data", "R:\\c", false), RestoreFailed);
    SetProcessMessagesHook(previous);
    EXPECT_EQ(temp.ReadHostFile("r/c/large.bin"), "original");
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.Host("r/c")), fs::directory_iterator()), 1);
}

TEST_F(RestoreRunTest, GzipNamesNeverLeaveTheDestination)
{
    fs::create_directories(temp.Host("e/g"));
    // A crafted header name pointing outside, and a file the gzip tool made itself.
    const std::string script = "import sys,zlib,struct\n"
                               "body=b'crafted body'\n"
                               "c=zlib.compressobj(6,zlib.DEFLATED,-15)\n"
                               "d=c.compress(body)+c.flush()\n"
                               "h=b'\\x1f\\x8b\\x08\\x08'+struct.pack('<I',1700000000)+b'\\x00\\x03../../x\\x00'\n"
                               "t=struct.pack('<II',zlib.crc32(body),len(body))\n"
                               "open(sys.argv[1],'wb').write(h+d+t)\n";
    temp.WriteHostFile("craft.py", script);
    ASSERT_EQ(Shell("python3 " + temp.Host("craft.py") + " " + temp.Host("e/g/evil.txt.gz")), 0);
    ASSERT_EQ(Shell("gzip -t " + temp.Host("e/g/evil.txt.gz")), 0);
    temp.WriteHostFile("e/g/tool.txt", "made by the gzip tool\n");
    ASSERT_EQ(Shell("gzip -N " + temp.Host("e/g/tool.txt")), 0);
    EXPECT_EQ(Restore("E:\\g", "R:\\z", false), RestoreOk);
    EXPECT_EQ(temp.ReadHostFile("r/z/tool.txt"), "made by the gzip tool\n");
    EXPECT_EQ(temp.ReadHostFile("r/z/evil.txt"), "crafted body");
    EXPECT_FALSE(fs::exists(temp.Host("x")));
    EXPECT_FALSE(fs::exists(temp.Host("r/x")));
}

// A killed backup's partial copy and an old security copy are no files of the backup.
TEST_F(RestoreRunTest, BackupLeftoversAreNeverRestored)
{
    fs::create_directories(temp.Host("e/l"));
    temp.WriteHostFile("e/l/kept.txt", "whole");
    temp.WriteHostFile("e/l/.tessaro-0123456789abcdef.part", "half");
    temp.WriteHostFile("e/l/.~kept.txt.0.tsbak", "older");
    EXPECT_EQ(Restore("E:\\l", "R:\\l", false), RestoreOk);
    EXPECT_EQ(temp.ReadHostFile("r/l/kept.txt"), "whole");
    EXPECT_FALSE(fs::exists(temp.Host("r/l/.tessaro-0123456789abcdef.part")));
    EXPECT_FALSE(fs::exists(temp.Host("r/l/.~kept.txt.0.tsbak")));
}

// The attributes a backup file keeps come back with it, the stored ones too.
TEST_F(RestoreRunTest, AttributesComeBackWithTheFiles)
{
    fs::create_directories(temp.Host("e/a"));
    const std::pair<const char*, uint32_t> files[] = {
        {"plain.txt", faArchive}, {"kept.txt", faHidden | faSysFile}, {"fixed.txt", faReadOnly | faArchive}};
    for (const auto& [name, attr] : files) {
        temp.WriteHostFile(std::string("e/a/") + name, name);
        ASSERT_EQ(Platform::SetFileAttributes(std::string("E:\\a\\") + name, attr), 0) << name;
    }
    EXPECT_EQ(Restore("E:\\a", "R:\\a", false), RestoreOk);
    for (const auto& [name, attr] : files) {
        EXPECT_EQ(Platform::GetFileAttributes(std::string("R:\\a\\") + name), attr) << name;
    }
}

TEST_F(RestoreRunTest, OnlyFoldersThisRunCreatedAreRemoved)
{
    task.DestMode = DestCloneOfSource;
    task.Compress = false;
    Write("one/a.txt", "a");
    Backup();
    fs::create_directories(temp.Host("r/f/mine/empty"));
    temp.WriteHostFile("r/f/one/a.txt", "newer");
    SetHostTime(temp.Host("r/f/one/a.txt"), 1800000000);
    restore.Options.Overwrite = OverwriteOlder;
    Restore("E:\\B\\data", "R:\\f\\new\\deep", false);
    EXPECT_TRUE(fs::is_directory(temp.Host("r/f/mine/empty")));
    EXPECT_TRUE(fs::exists(temp.Host("r/f/new/deep/one/a.txt")));
    Restore("E:\\B\\data", "R:\\f", false);
    // Nothing to restore there: the user's folders stay, even empty ones.
    EXPECT_TRUE(fs::is_directory(temp.Host("r/f/mine/empty")));
    EXPECT_TRUE(fs::is_directory(temp.Host("r/f/one")));
}

} // namespace

// Made folders take the backup folders' times; one the run made and could put nothing in
// goes again, while its filled neighbours (and the parents of filled ones) stay.
TEST_F(RestoreRunTest, MadeFoldersTakeTheBackupTimesOrGoWhenLeftEmpty)
{
    task.DestMode = DestCloneOfSource;
    task.Compress = false;
    Write("keep/inner/a.txt", "a");
    Write("keep/b.txt", "b");
    Write("other/c.txt", "c");
    Backup();
    // No quiet run can decrypt this one: its folders are made for it, then removed.
    fs::create_directories(temp.Host("e/B/data/lost/deep"));
    temp.WriteHostFile("e/B/data/lost/deep/d.txt.enc", "not restorable");
    SetHostTime(temp.Host("e/B/data/keep/inner"), 1600000000);
    SetHostTime(temp.Host("e/B/data/keep"), 1610000000);
    SetHostTime(temp.Host("e/B/data/other"), 1620000000);

    log.OpenLog(settings.Protocol, false, false);
    EXPECT_EQ(restore.RunRestore("E:\\B\\data", "R:\\x", false, false, true, 0), RestoreFailed);
    log.CloseLog();
    EXPECT_EQ(temp.ReadHostFile("r/x/keep/inner/a.txt"), "a");
    EXPECT_EQ(temp.ReadHostFile("r/x/other/c.txt"), "c");
    EXPECT_FALSE(fs::exists(temp.Host("r/x/lost")));
    // The undecryptable file is the one error of the run.
    const std::string text = LogText();
    EXPECT_EQ(text.find("    *** "), text.rfind("    *** ")) << text;
    EXPECT_NE(text.find("d.txt"), std::string::npos) << text;
    EXPECT_EQ(HostTime(temp.Host("r/x/keep/inner")), 1600000000);
    EXPECT_EQ(HostTime(temp.Host("r/x/keep")), 1610000000);
    EXPECT_EQ(HostTime(temp.Host("r/x/other")), 1620000000);
    EXPECT_EQ(restore.CreatedFolders().count("R:\\x\\lost"), 0u);
    EXPECT_EQ(restore.CreatedFolders().count("R:\\x\\keep\\inner"), 1u);
}

// The files of a folder and of the folders that follow are copied side by side, yet each
// takes its name, its log line and its error in the list's order, a damaged one in the
// middle costs no other file, and a folder that was there is tidied in its turn.
TEST_F(RestoreRunTest, FilesCopiedSideBySideAreLoggedInTheirOrder)
{
    task.DestMode = DestCloneOfSource;
    task.Compress = true;
    const int files = 60;
    auto nameOf = [](int i) { return "m" + std::to_string(10 + i / 5) + "/f" + std::to_string(i) + ".txt"; };
    for (int i = 0; i < files; ++i) {
        std::string text;
        for (int line = 0; line < 40; ++line) {
            text += "file " + std::to_string(i) + " line " + std::to_string(line * (i + 7)) + "\n";
        }
        Write(nameOf(i), text);
    }
    Backup();
    // A damaged body behind a sound header: only the worker finds out.
    const std::string damaged = temp.Host("e/B/data/m16/f31.txt.gz");
    std::string bytes = ReadHost(damaged);
    ASSERT_GT(bytes.size(), 40u);
    bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x5a);
    std::ofstream(damaged, std::ios::binary | std::ios::trunc) << bytes;
    const std::string leftover = "r/o/m18/.tessaro-0123456789abcdef.part";
    fs::create_directories(temp.Host("r/o/m18"));
    temp.WriteHostFile(leftover, "a killed run's");
    // The scan lists each folder by name; the note on the leftover comes before its folder's files.
    std::vector<std::string> expected{"m18/"};
    for (const auto& entry : fs::recursive_directory_iterator(temp.Host("e/B/data"))) {
        if (entry.is_regular_file()) {
            expected.push_back(fs::relative(entry.path(), temp.Host("e/B/data")).string());
        }
    }
    std::sort(expected.begin(), expected.end());
    for (std::string& line : expected) {
        line = line == "m18/"             ? "    => Removed what an interrupted run left: " + temp.Host(leftover)
               : line == "m16/f31.txt.gz" ? "    *** "
                                          : "    " + temp.Host("r/o/" + line.substr(0, line.size() - 3));
    }

    EXPECT_EQ(Restore("E:\\B\\data", "R:\\o", false), RestoreFailed);
    std::vector<std::string> logged;
    std::istringstream lines(LogText().substr(LogText().find(" - Restoring\n")));
    for (std::string line; std::getline(lines, line);) {
        if (line.find(temp.Host("r/o/")) != std::string::npos) {
            logged.push_back(line.rfind("    *** ", 0) == 0 ? "    *** " : line);
        }
    }
    EXPECT_EQ(logged, expected);
    for (int i = 0; i < files; ++i) {
        if (i != 31) {
            EXPECT_EQ(temp.ReadHostFile("r/o/" + nameOf(i)), temp.ReadHostFile("s/data/" + nameOf(i))) << nameOf(i);
        }
    }
    EXPECT_FALSE(fs::exists(temp.Host("r/o/" + nameOf(31))));
    for (const auto& entry : fs::recursive_directory_iterator(temp.Host("r/o"))) {
        EXPECT_EQ(entry.path().filename().string().rfind(".tessaro-", 0), std::string::npos) << entry.path();
    }
}

// A cancel takes back what was made ahead: no temporary, and no folder left empty.
TEST_F(RestoreRunTest, ACancelLeavesNothingMadeAhead)
{
    task.DestMode = DestCloneOfSource;
    task.Compress = false;
    for (int folder = 0; folder < 10; ++folder) {
        for (int file = 0; file < 2; ++file) {
            Write("d" + std::to_string(folder) + "/deep/f" + std::to_string(file) + ".txt", std::string(50, 'x'));
        }
    }
    Backup();
    int restored = 0;
    view.OnFileProgress = [&](std::int64_t percent) {
        if (percent == 100 && ++restored == 3) {
            view.CancelPressed = true;
        }
    };

    EXPECT_EQ(Restore("E:\\B\\data", "R:\\c", false), RestoreFailed);
    std::size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(temp.Host("r/c"))) {
        EXPECT_EQ(entry.path().filename().string().rfind(".tessaro-", 0), std::string::npos) << entry.path();
        EXPECT_FALSE(entry.is_directory() && fs::is_empty(entry.path())) << entry.path();
        files += entry.is_regular_file() ? 1 : 0;
    }
    EXPECT_GT(files, 0u);
    EXPECT_LT(files, 20u);
}
