#include "restore/CleanUp.h"

#include "BackupRunFixture.h"
#include "EnvGuard.h"
#include "foundation/MessageLoop.h"
#include "foundation/StatusView.h"
#include "peers/FtpPeer.h"
#include "platform/Drives.h"
#include "platform/Trash.h"
#include "restore/ConfirmFiles.h"
#include "tasks/BackupRun.h"
#include "tasks/BackupTemporary.h"
#include "tasks/BackupWorkRecord.h"
#include "tasks/RunLock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iterator>
#include <set>

namespace fs = std::filesystem;

namespace {

TEST(CleanUpRules, TypeOfABackupFile)
{
    EXPECT_EQ(CleanUpFileType("a.doc.gz", true), "DOC");
    EXPECT_EQ(CleanUpFileType("a.doc.gz", false), "GZ");
    EXPECT_EQ(CleanUpFileType("b.xls.enc", false), "XLS");
    EXPECT_EQ(CleanUpFileType("b.xls.ENC", true), "XLS");
    EXPECT_EQ(CleanUpFileType("noext", true), "");
    EXPECT_EQ(CleanUpFileType("x.tar.GZ", true), "TAR");
}

TEST(CleanUpRules, AgeLimits)
{
    const TDateTime now = EncodeDateTime(2026, 12, 9, 15, 30, 0);
    const int64_t nowUnix = LocalDateTimeToUnix(now);
    const TCleanUpAge all = CleanUpAgeLimit(CleanUpAgeAll, 0, now);
    EXPECT_TRUE(AgeTaken(all, nowUnix)) << "files of today go with \"all\"";
    EXPECT_TRUE(AgeTaken(all, nowUnix + 3600));
    const TCleanUpAge weeks = CleanUpAgeLimit(CleanUpAgeFourWeeks, 0, now);
    EXPECT_EQ(weeks.Limit, LocalDateTimeToUnix(EncodeDate(2026, 11, 11)));
    EXPECT_TRUE(AgeTaken(weeks, weeks.Limit - 1));
    EXPECT_FALSE(AgeTaken(weeks, weeks.Limit));
    // Times before 1970 are huge when compared unsigned: never "older".
    EXPECT_FALSE(AgeTaken(weeks, -10));
    const TCleanUpAge since = CleanUpAgeLimit(CleanUpAgeSince, EncodeDateTime(2026, 12, 1, 13, 0, 0), now);
    EXPECT_FALSE(since.Older);
    EXPECT_EQ(since.Limit, LocalDateTimeToUnix(EncodeDate(2026, 12, 1)));
    EXPECT_TRUE(AgeTaken(since, since.Limit));
    EXPECT_EQ(since.Text, "all since 2026-12-01");
    EXPECT_EQ(CleanUpAgeLimit(CleanUpAgeOlderThan, EncodeDate(2025, 1, 2), now).Text, "older than 2025-01-02");
    EXPECT_EQ(CleanUpAgeLimit(CleanUpAgeYear, 0, now).Text, "older than 1 year");
}

TEST(CleanUpRules, Texts)
{
    EXPECT_EQ(CleanUpTypesText(0, "DOC"), "all");
    EXPECT_EQ(CleanUpTypesText(1, "DOC,XLS"), "of types \"DOC,XLS\"");
    EXPECT_EQ(CleanUpTypesText(2, "DOC"), "except of types \"DOC\"");
    EXPECT_EQ(CleanUpFilterText(false, 0, "*x*"), "all");
    EXPECT_EQ(CleanUpFilterText(false, 1, "*x*"), "only *x*");
    EXPECT_EQ(CleanUpFilterText(true, 2, "^a"), "except of ^a (RE)");
    TFtpParams ftp;
    ftp.Host = "h";
    ftp.Port = 2100;
    ftp.SubDir = "b/c";
    EXPECT_EQ(CleanUpFtpText(ftp), "ftp://h:2100/b/c");
}

// The confirmation list as a person answers it: it sees what the run proposes (the files
// selected when the list opens) and may select every file listed.
class TPerson : public IConfirmFiles
{
public:
    bool Execute(const TConfirmRequest& request, TTransferList& list) override
    {
        Warnings.push_back(request.Warning);
        Proposed.clear();
        Listed = 0;
        for (TTransferItem& item : list) {
            if (!item.Info.IsFolder()) {
                ++Listed;
                if (item.Info.Selected) {
                    Proposed.insert(item.Info.Source);
                }
                item.Info.Selected = item.Info.Selected || SelectsAll;
            }
        }
        return Answer;
    }
    bool SelectsAll = false;
    bool Answer = true;
    std::set<std::string> Proposed; // Windows text
    size_t Listed = 0;
    std::vector<std::string> Warnings;
};

// Drive S: holds the sources, E: the backups, L: the log. The backups are made by a real
// backup run in the drive-separated layout, so they sit in E:\B\LwS\...
class CleanUpTest : public TBackupRunFixture
{
protected:
    void SetUp() override
    {
        TBackupRunFixture::SetUp();
        fs::create_directories(temp.Host("trash"));
        env.Set("XDG_DATA_HOME", temp.Host("trash"));
        task.DestMode = DestDrivesSeparated;
        run.ExecuteCommand = [](const std::string&, int32_t, int) { return TCommandOutcome::Done; };
        cleanUp.LogMode = LogLong;
    }
    // A source file, daysOld days old.
    void Write(const std::string& relative, int daysOld = 0, const std::string& contents = "data")
    {
        TBackupRunFixture::Write(relative, contents);
        fs::last_write_time(temp.Host("s/" + relative),
                            fs::file_time_type::clock::now() - std::chrono::hours(24 * daysOld));
    }
    void Backup(const std::vector<std::string>& sources = {"S:\\data"})
    {
        task.Sources.clear();
        for (const std::string& source : sources) {
            TExtensionList entry;
            entry.SourceDir = entry.ExpandedDir = source;
            task.Sources.push_back(entry);
        }
        log.OpenLog(settings.Protocol, false, false);
        ASSERT_TRUE(run.RunBackup(0, task.FileName, EndNotVisible)) << LogText();
        log.CloseLog();
    }
    TCleanUpOutcome Clean(const std::string& folder, int ageMode, int typeRule = 0, const std::string& types = "",
                          bool recycle = false)
    {
        log.OpenLog(settings.Protocol, false, false);
        const TCleanUpOutcome outcome =
            cleanUp.RunCleanUp(folder, types, 0, true, false, recycle, cleanUp.Settings.Compressed, typeRule, ageMode);
        log.CloseLog();
        return outcome;
    }
    bool InBackup(const std::string& relative) const { return fs::exists(temp.Host("e/B/LwS/" + relative)); }
    // A run with the confirmation list, answered by the person.
    TCleanUpOutcome CleanAsked(const std::string& folder, TPerson& person)
    {
        RegisterConfirmFiles(&person);
        log.OpenLog(settings.Protocol, false, false);
        const TCleanUpOutcome outcome = cleanUp.RunCleanUp(folder, "", 0, true, true, false, true, 0, CleanUpAgeAll);
        log.CloseLog();
        RegisterConfirmFiles(nullptr);
        return outcome;
    }
    // The backup files (Windows text) that a run without the list deletes.
    std::set<std::string> DeletedUnasked(const std::string& folder)
    {
        const std::set<std::string> before = BackupFiles();
        Clean(folder, CleanUpAgeAll);
        const std::set<std::string> after = BackupFiles();
        std::set<std::string> gone;
        std::set_difference(before.begin(), before.end(), after.begin(), after.end(), std::inserter(gone, gone.end()));
        return gone;
    }
    std::set<std::string> BackupFiles() const
    {
        std::set<std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(temp.Host("e/B"))) {
            if (entry.is_regular_file()) {
                std::string win = "E:\\" + fs::relative(entry.path(), temp.Host("e")).string();
                std::replace(win.begin(), win.end(), '/', '\\');
                files.insert(win);
            }
        }
        return files;
    }

    TEnvGuard env;
    NullStatusView status;
    TCleanUp cleanUp{log, view, status};
};

TEST_F(CleanUpTest, ByAgeTypeAndName)
{
    Write("data/old.doc", 40);
    Write("data/new.doc", 1);
    Write("data/old.xls", 40);
    Write("data/sub/report.doc", 40);
    Write("data/sub/other.doc", 40);
    Write("data/sub/report.txt", 40);
    Backup();
    ASSERT_TRUE(InBackup("data/old.doc"));

    // Name filter first: *report* matches report.doc (tested as "report"); *.doc matches nothing.
    cleanUp.Settings.FilterMode = 1;
    cleanUp.Settings.Filter = "*.doc";
    EXPECT_EQ(Clean("E:\\B", CleanUpAgeAll), TCleanUpOutcome::Ok);
    EXPECT_EQ(cleanUp.Deleted, 0u);
    cleanUp.Settings.Filter = "*report*";
    EXPECT_EQ(Clean("E:\\B", CleanUpAgeFourWeeks, CleanUpTypesOnly, "doc"), TCleanUpOutcome::Ok);
    EXPECT_EQ(cleanUp.Deleted, 1u);
    EXPECT_FALSE(InBackup("data/sub/report.doc"));
    EXPECT_TRUE(InBackup("data/sub/report.txt"));
    EXPECT_TRUE(InBackup("data/sub/other.doc"));

    // Age and "all except of" types, no filter.
    cleanUp.Settings.FilterMode = 0;
    EXPECT_EQ(Clean("E:\\B", CleanUpAgeFourWeeks, CleanUpTypesExcept, "XLS"), TCleanUpOutcome::Ok);
    EXPECT_FALSE(InBackup("data/old.doc"));
    EXPECT_TRUE(InBackup("data/new.doc"));
    EXPECT_TRUE(InBackup("data/old.xls"));
    EXPECT_FALSE(InBackup("data/sub/other.doc"));
    EXPECT_FALSE(InBackup("data/sub/report.txt"));
    // The subfolder lost its last file and went with it.
    EXPECT_FALSE(InBackup("data/sub"));
    const std::string text = LogText();
    EXPECT_NE(text.find("  Directory " + temp.Host("e/B") + "/"), std::string::npos) << text;
    EXPECT_NE(text.find("  Selection: older than 4 weeks except of types \"XLS\""), std::string::npos) << text;
    EXPECT_NE(text.find("      Delete: LwS/data/sub/other.doc"), std::string::npos) << text;
    EXPECT_NE(text.find("  Status: OK (3 files deleted)"), std::string::npos) << text;

    // Deleting everything removes the backup folder itself.
    EXPECT_EQ(Clean("E:\\B", CleanUpAgeAll), TCleanUpOutcome::Ok);
    EXPECT_FALSE(fs::exists(temp.Host("e/B")));
}

// What a backup that died left (a temporary, and its record of where it worked) is no file
// of the backup: a clean-up neither deletes nor counts it, and the next backup still tidies
// it after the source folder was renamed.
TEST_F(CleanUpTest, LeavesWhatAKilledBackupLeftToTheNextBackup)
{
    Write("data/old.doc", 40);
    Backup();
    const std::string temporary = "e/B/LwS/data/" + MakeBackupTemporaryName(5);
    const std::string record = "e/B/" + std::string(WorkRecordName);
    temp.WriteHostFile(temporary, "half");
    {
        TWorkRecord working("E:\\B");
        working.Note("E:\\B\\LwS\\data", false);
        fs::copy_file(temp.Host(record), temp.Host("killed")); // as a kill would leave it
    }
    fs::rename(temp.Host("killed"), temp.Host(record));

    EXPECT_EQ(Clean("E:\\B", CleanUpAgeAll), TCleanUpOutcome::Ok);
    EXPECT_EQ(cleanUp.Deleted, 1u);
    EXPECT_FALSE(InBackup("data/old.doc"));
    EXPECT_TRUE(fs::exists(temp.Host(temporary)));
    EXPECT_TRUE(fs::exists(temp.Host(record)));
    EXPECT_EQ(LogText().find(".tessaro-"), std::string::npos) << LogText();

    fs::rename(temp.Host("s/data"), temp.Host("s/renamed"));
    Backup({"S:\\renamed"});
    EXPECT_FALSE(fs::exists(temp.Host(temporary)));
    EXPECT_FALSE(fs::exists(temp.Host(record)));
}

TEST_F(CleanUpTest, EmptyFoldersThatLostNothingStay)
{
    Write("data/a/old.txt", 40);
    Write("data/keep/new.txt", 0);
    Backup();
    fs::create_directories(temp.Host("e/B/LwS/data/empty"));
    EXPECT_EQ(Clean("E:\\B", CleanUpAgeWeek), TCleanUpOutcome::Ok);
    EXPECT_FALSE(InBackup("data/a"));
    EXPECT_TRUE(InBackup("data/empty"));
    EXPECT_TRUE(InBackup("data/keep/new.txt"));
}

TEST_F(CleanUpTest, CompressedBackupsCountByTheirInnerType)
{
    task.Compress = true;
    Write("data/a.doc", 40, std::string(4000, 'x'));
    Write("data/b.txt", 40, std::string(4000, 'y'));
    Backup();
    ASSERT_TRUE(InBackup("data/a.doc.gz"));
    cleanUp.Settings.Compressed = false;
    Clean("E:\\B", CleanUpAgeAll, CleanUpTypesOnly, "DOC");
    EXPECT_TRUE(InBackup("data/a.doc.gz"));
    cleanUp.Settings.Compressed = true;
    Clean("E:\\B", CleanUpAgeAll, CleanUpTypesOnly, "DOC");
    EXPECT_FALSE(InBackup("data/a.doc.gz"));
    EXPECT_TRUE(InBackup("data/b.txt.gz"));
}

TEST_F(CleanUpTest, MissingOriginWithTheOriginPresentDeletesNothing)
{
    task.Compress = true;
    Write("data/x.txt", 0, std::string(4000, 'x'));
    Write("top.txt");
    Write("data/Lwq/f.txt");
    Backup({"S:\\"});
    ASSERT_TRUE(InBackup("data/x.txt.gz"));
    cleanUp.Settings.Sync = CleanUpSyncOrigin;
    // Per drive from the backup folder, and from inside the drive folder, where "Lwq" is an
    // ordinary folder of the source.
    for (const char* folder : {"E:\\B", "E:\\B\\LwS", "E:\\B\\LwS\\data"}) {
        EXPECT_EQ(Clean(folder, CleanUpAgeAll), TCleanUpOutcome::Ok) << folder;
        EXPECT_EQ(cleanUp.Deleted, 0u) << folder << LogText();
    }
    EXPECT_TRUE(InBackup("top.txt"));
    EXPECT_TRUE(InBackup("data/Lwq/f.txt"));
}

TEST_F(CleanUpTest, MissingOriginWithTheOriginAbsentDeletesNothingAndSaysSo)
{
    Write("data/x.txt");
    Backup();
    SetDrives("", false); // the source disk is unplugged
    cleanUp.Settings.Sync = CleanUpSyncOrigin;
    EXPECT_EQ(Clean("E:\\B", CleanUpAgeAll), TCleanUpOutcome::Failed);
    EXPECT_EQ(Clean("E:\\B\\LwS\\data", CleanUpAgeAll), TCleanUpOutcome::Failed);
    EXPECT_TRUE(InBackup("data/x.txt"));
    EXPECT_NE(LogText().find("    *** Could not find directory: \"S:\\\""), std::string::npos) << LogText();

    // The same for a chosen folder that is not there.
    cleanUp.Settings.Sync = CleanUpSyncFolder;
    cleanUp.Settings.SyncDir = "E:\\nowhere";
    EXPECT_EQ(Clean("E:\\B", CleanUpAgeAll), TCleanUpOutcome::Failed);
    EXPECT_TRUE(InBackup("data/x.txt"));
    EXPECT_NE(LogText().find("Could not find directory: \"" + temp.Host("e/nowhere") + "\""), std::string::npos);
}

TEST_F(CleanUpTest, MissingOriginPartlyGoneDeletesExactlyTheOrphans)
{
    task.Compress = true;
    Write("data/keep.txt", 0, std::string(3000, 'k'));
    Write("data/gone.txt", 0, std::string(3000, 'g'));
    Write("data/sub/gone2.txt");
    Write("data/sub/keep2.txt");
    Write("data/old/a.txt");
    Write("data/sub/keep3.txt");
    Write("data/keep4.txt");
    Backup();
    fs::remove(temp.Host("s/data/gone.txt"));
    fs::remove(temp.Host("s/data/sub/gone2.txt"));
    fs::remove_all(temp.Host("s/data/old"));
    cleanUp.Settings.Sync = CleanUpSyncOrigin;
    EXPECT_EQ(Clean("E:\\B", CleanUpAgeAll), TCleanUpOutcome::Warnings);
    EXPECT_EQ(cleanUp.Deleted, 2u) << LogText();
    EXPECT_TRUE(InBackup("data/keep.txt.gz"));
    EXPECT_TRUE(InBackup("data/sub/keep2.txt"));
    EXPECT_FALSE(InBackup("data/gone.txt.gz"));
    EXPECT_FALSE(InBackup("data/sub/gone2.txt"));
    EXPECT_NE(LogText().find("synchronized to origin"), std::string::npos);
    // A folder whose origin folder is gone cannot be told from one not mounted: it goes
    // only when a person selects its files.
    EXPECT_TRUE(InBackup("data/old/a.txt"));
    EXPECT_NE(LogText().find("    *** Could not find directory: \"" + temp.Host("s/data/old") + "\""),
              std::string::npos)
        << LogText();
    TPerson person;
    person.SelectsAll = true;
    EXPECT_EQ(CleanAsked("E:\\B", person), TCleanUpOutcome::Ok);
    EXPECT_EQ(person.Listed, 1u);
    EXPECT_TRUE(person.Proposed.empty());
    EXPECT_FALSE(InBackup("data/old"));

    // Against a chosen folder: the backup's drive folder compared with a copy of the source.
    fs::create_directories(temp.Host("e/mirror/data/sub"));
    for (const char* file : {"data/keep.txt", "data/keep4.txt", "data/sub/keep3.txt"}) {
        temp.WriteHostFile(std::string("e/mirror/") + file, "k");
    }
    cleanUp.Settings.Sync = CleanUpSyncFolder;
    cleanUp.Settings.SyncDir = "E:\\mirror";
    EXPECT_EQ(Clean("E:\\B\\LwS", CleanUpAgeAll), TCleanUpOutcome::Ok);
    EXPECT_TRUE(InBackup("data/keep.txt.gz"));
    EXPECT_FALSE(InBackup("data/sub/keep2.txt"));
}

TEST_F(CleanUpTest, MostFilesMissingInTheOriginAreDeletedOnlyWhenConfirmed)
{
    for (int i = 0; i < 12; ++i) {
        Write("docs/d" + std::to_string(i) + ".txt");
    }
    for (int i = 0; i < 10; ++i) {
        Write("notes/n" + std::to_string(i) + ".txt");
    }
    Backup({"S:\\docs", "S:\\notes"});
    cleanUp.Settings.Sync = CleanUpSyncOrigin;
    // An empty folder where the source was (a share or stick not mounted) is no origin.
    fs::remove_all(temp.Host("s/docs"));
    fs::create_directories(temp.Host("s/docs"));
    EXPECT_EQ(Clean("E:\\B\\LwS\\docs", CleanUpAgeAll), TCleanUpOutcome::Failed);
    EXPECT_NE(LogText().find("    *** Could not find directory: \"" + temp.Host("s/docs") + "\""), std::string::npos)
        << LogText();
    // Too many only when more than half and at least 10 are missing.
    EXPECT_FALSE(MostlyMissing(1, 1));
    EXPECT_FALSE(MostlyMissing(9, 10));
    EXPECT_TRUE(MostlyMissing(10, 19));
    EXPECT_FALSE(MostlyMissing(10, 20));

    // Of 22 files 11 are missing, but 10 of them in one source folder of 12.
    Write("docs/d0.txt");
    Write("docs/d1.txt");
    fs::remove(temp.Host("s/notes/n0.txt"));
    EXPECT_EQ(Clean("E:\\B", CleanUpAgeAll), TCleanUpOutcome::Warnings);
    EXPECT_EQ(cleanUp.Deleted, 1u);
    EXPECT_TRUE(InBackup("docs/d5.txt"));
    EXPECT_FALSE(InBackup("notes/n0.txt"));
    EXPECT_NE(LogText().find("    *** Nothing deleted: 10 of 12 files compared are missing in the origin (more than "
                             "half): " +
                             temp.Host("s/docs") + "\n"),
              std::string::npos)
        << LogText();

    // The list warns first, lists them unselected, and a person may confirm them.
    TPerson person;
    person.SelectsAll = true;
    EXPECT_EQ(CleanAsked("E:\\B", person), TCleanUpOutcome::Ok);
    ASSERT_EQ(person.Warnings.size(), 1u);
    EXPECT_EQ(person.Warnings[0], "Warning: 10 of 12 files compared are missing in the origin (more than half)!\r\n"
                                  "Their files are not selected: select them to delete them anyway.");
    EXPECT_EQ(person.Listed, 10u);
    EXPECT_TRUE(person.Proposed.empty());
    EXPECT_EQ(cleanUp.Deleted, 10u);
    EXPECT_TRUE(InBackup("docs/d1.txt"));
}

TEST_F(CleanUpTest, AnOriginFolderThatIsAwayIsLeftOut)
{
    SetDrives(";T=" + temp.Host("t"));
    for (const char* file : {"docs/a.txt", "docs/b.txt", "docs/c.txt", "docs/d.txt", "stick/e.txt", "stick/f.txt"}) {
        Write(file);
    }
    fs::create_directories(temp.Host("t/card"));
    temp.WriteHostFile("t/card/g.txt", "g");
    Backup({"S:\\docs", "S:\\stick", "T:\\card"});
    fs::remove(temp.Host("s/docs/d.txt"));
    // The stick is unplugged; its empty mount folder stays.
    fs::remove_all(temp.Host("s/stick"));
    fs::create_directories(temp.Host("s/stick"));
    cleanUp.Settings.Sync = CleanUpSyncOrigin;
    EXPECT_EQ(Clean("E:\\B", CleanUpAgeAll), TCleanUpOutcome::Warnings);
    EXPECT_EQ(cleanUp.Deleted, 1u) << LogText();
    EXPECT_FALSE(InBackup("docs/d.txt"));
    EXPECT_TRUE(InBackup("stick/e.txt") && InBackup("stick/f.txt"));
    EXPECT_NE(LogText().find("    *** Could not find directory: \"" + temp.Host("s/stick") + "\""), std::string::npos)
        << LogText();
    EXPECT_NE(LogText().find("  Status: 1 directories skipped (1 files deleted)"), std::string::npos) << LogText();
    EXPECT_EQ(RunOutcomeOf(TCleanUpOutcome::Warnings), TRunOutcome::Warnings);

    // A drive that is away is left out as well, and the others are still cleaned.
    SetDrives("");
    fs::remove(temp.Host("s/docs/c.txt"));
    EXPECT_EQ(Clean("E:\\B", CleanUpAgeAll), TCleanUpOutcome::Warnings);
    EXPECT_EQ(cleanUp.Deleted, 1u) << LogText();
    EXPECT_FALSE(InBackup("docs/c.txt"));
    EXPECT_TRUE(fs::exists(temp.Host("e/B/LwT/card/g.txt")));
    EXPECT_NE(LogText().find("    *** Could not find directory: \"T:\\\""), std::string::npos) << LogText();
}

// A stick mounted below a source folder and unplugged, its empty mount folder left: its
// copies are left out wherever the folder sits, and the list proposes exactly what a run
// without it deletes.
TEST_F(CleanUpTest, AFolderWhoseOriginIsAwayIsLeftOutWhereverItSits)
{
    for (int i = 0; i < 6; ++i) {
        Write("docs/d" + std::to_string(i) + ".txt");
        Write("docs/stick/photos/p" + std::to_string(i) + ".jpg");
    }
    Write("docs/stick/card.txt");
    Backup({"S:\\docs"});
    fs::rename(temp.Host("s/docs/stick"), temp.Host("unplugged"));
    fs::create_directories(temp.Host("s/docs/stick"));
    cleanUp.Settings.Sync = CleanUpSyncOrigin;
    for (const char* folder : {"E:\\B", "E:\\B\\LwS\\docs"}) {
        SCOPED_TRACE(folder);
        fs::remove(temp.Host("s/docs/d0.txt"));
        TPerson person;
        person.Answer = false;
        EXPECT_EQ(CleanAsked(folder, person), TCleanUpOutcome::Cancelled);
        EXPECT_EQ(person.Proposed, std::set<std::string>{"E:\\B\\LwS\\docs\\d0.txt"});
        EXPECT_EQ(person.Listed, 8u);
        EXPECT_NE(person.Warnings.back().find("Could not find directory: \"S:\\docs\\stick\"\r\n"), std::string::npos)
            << person.Warnings.back();
        EXPECT_EQ(DeletedUnasked(folder), person.Proposed);
        EXPECT_EQ(cleanUp.Deleted, 1u);
        EXPECT_NE(LogText().find("    *** Could not find directory: \"" + temp.Host("s/docs/stick") + "\"\n"),
                  std::string::npos)
            << LogText();
        EXPECT_NE(LogText().find("  Status: 1 directories skipped (1 files deleted)"), std::string::npos) << LogText();
        Write("docs/d0.txt");
        Backup({"S:\\docs"});
    }
    EXPECT_TRUE(InBackup("docs/stick/card.txt") && InBackup("docs/stick/photos/p5.jpg"));
    EXPECT_EQ(RunOutcomeOf(TCleanUpOutcome::Warnings), TRunOutcome::Warnings);

    // Plugged in again with a photo deleted: only that one goes.
    fs::remove_all(temp.Host("s/docs/stick"));
    fs::rename(temp.Host("unplugged"), temp.Host("s/docs/stick"));
    fs::remove(temp.Host("s/docs/stick/photos/p3.jpg"));
    EXPECT_EQ(DeletedUnasked("E:\\B"), std::set<std::string>{"E:\\B\\LwS\\docs\\stick\\photos\\p3.jpg"});
}

TEST_F(CleanUpTest, KeptVersionsGoOnlyWithTheirFile)
{
    task.Compress = true;
    task.BakFiles = true;
    task.BakSuffix = "bak-#3";
    for (int daysOld = 3; daysOld >= 1; --daysOld) {
        Write("data/anna.txt", daysOld);
        Write("data/report.txt", daysOld, std::string(4000, 'r'));
        Write("data/gone.txt", daysOld);
        Backup();
    }
    ASSERT_TRUE(InBackup("data/anna.bak-2.txt") && InBackup("data/report.bak-2.txt.gz")) << LogText();
    fs::remove(temp.Host("s/data/gone.txt"));
    cleanUp.Settings.Sync = CleanUpSyncOrigin;
    EXPECT_EQ(Clean("E:\\B", CleanUpAgeAll), TCleanUpOutcome::Ok);
    EXPECT_EQ(cleanUp.Deleted, 3u) << LogText();
    EXPECT_TRUE(InBackup("data/anna.bak-1.txt") && InBackup("data/anna.bak-2.txt"));
    EXPECT_TRUE(InBackup("data/report.bak-1.txt.gz") && InBackup("data/report.bak-2.txt.gz"));
    EXPECT_FALSE(InBackup("data/gone.txt") || InBackup("data/gone.bak-1.txt") || InBackup("data/gone.bak-2.txt"));
}

TEST_F(CleanUpTest, LinksInTheBackupAreNamedOnceAndLeftAlone)
{
    Write("data/old.txt", 40);
    Backup();
    fs::create_directories(temp.Host("outside"));
    temp.WriteHostFile("outside/old.txt", "not the backup's");
    fs::last_write_time(temp.Host("outside/old.txt"), fs::file_time_type::clock::now() - std::chrono::hours(24 * 40));
    fs::create_directory_symlink(temp.Host("outside"), temp.Host("e/B/LwS/data/linked"));
    fs::create_symlink(temp.Host("outside/old.txt"), temp.Host("e/B/LwS/data/file-link.txt"));
    EXPECT_EQ(Clean("E:\\B", CleanUpAgeWeek), TCleanUpOutcome::Ok);
    EXPECT_EQ(cleanUp.Deleted, 1u);
    EXPECT_TRUE(fs::is_symlink(temp.Host("e/B/LwS/data/linked")));
    EXPECT_TRUE(fs::is_symlink(temp.Host("e/B/LwS/data/file-link.txt")));
    EXPECT_EQ(temp.ReadHostFile("outside/old.txt"), "not the backup's");
    const std::string text = LogText();
    for (const char* link : {"linked", "file-link.txt"}) {
        const std::string line = "Symbolic link in the backup, left alone: " + temp.Host("e/B/LwS/data/") + link + "\n";
        const size_t first = text.find(line);
        EXPECT_NE(first, std::string::npos) << text;
        EXPECT_EQ(text.find(line, first + 1), std::string::npos) << text;
    }
}

TEST_F(CleanUpTest, DeletedFilesGoToTheTrash)
{
    Write("data/old.txt", 40, "old contents");
    Backup();
    EXPECT_EQ(Clean("E:\\B", CleanUpAgeWeek, 0, "", true), TCleanUpOutcome::Ok);
    EXPECT_FALSE(InBackup("data/old.txt"));
    EXPECT_EQ(temp.ReadHostFile("trash/Trash/files/old.txt"), "old contents");
    const std::string info = temp.ReadHostFile("trash/Trash/info/old.txt.trashinfo");
    const std::string pathLine = "Path=" + Platform::TrashInfoPathText(temp.Host("e/B/LwS/data/old.txt")) + "\n";
    EXPECT_EQ(info.rfind("[Trash Info]\n" + pathLine + "DeletionDate=", 0), 0u) << info;
}

TEST_F(CleanUpTest, RootFoldersModeListsOneLevel)
{
    Write("data/a.txt");
    Backup();
    fs::create_directories(temp.Host("e/old1/inner"));
    fs::create_directories(temp.Host("e/old2"));
    fs::create_directories(temp.Host("e/new"));
    temp.WriteHostFile("e/old1/inner/f.txt", "x");
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(24 * 60);
    fs::last_write_time(temp.Host("e/old1"), old);
    fs::last_write_time(temp.Host("e/old2"), old);
    cleanUp.Settings.FilesMode = false;
    cleanUp.Settings.Sync = CleanUpSyncOrigin; // left set, but not used for root folders
    EXPECT_EQ(Clean("E:\\", CleanUpAgeFourWeeks), TCleanUpOutcome::Ok);
    EXPECT_EQ(cleanUp.Deleted, 2u) << LogText();
    EXPECT_FALSE(fs::exists(temp.Host("e/old1")));
    EXPECT_FALSE(fs::exists(temp.Host("e/old2")));
    EXPECT_TRUE(fs::exists(temp.Host("e/new")));
    EXPECT_TRUE(InBackup("data/a.txt"));
    EXPECT_NE(LogText().find("  Status: OK (2 directories deleted)"), std::string::npos);
}

TEST_F(CleanUpTest, MissingFolderOrVolume)
{
    EXPECT_EQ(Clean("E:\\absent", CleanUpAgeAll), TCleanUpOutcome::Failed);
    EXPECT_EQ(Clean(":NOSUCHLABEL:\\B", CleanUpAgeAll), TCleanUpOutcome::Failed);
    EXPECT_EQ(dialogs.ShownCount(), 0u) << "quiet runs show nothing";
    EXPECT_NE(LogText().find("    *** Could not find directory: \"" + temp.Host("e/absent") + "\""), std::string::npos);
    EXPECT_NE(LogText().find("Could not find directory: \":NOSUCHLABEL:\\B\""), std::string::npos);
}

// The same clean-up on the real FTP server, after a backup run uploaded there.
class CleanUpFtpTest : public CleanUpTest
{
protected:
    void SetUp() override
    {
        CleanUpTest::SetUp();
        ASSERT_TRUE(peer.Start());
        task.FtpBackup = true;
        task.Ftp.Passive = true;
        peer.FillLogin(task.Ftp);
        cleanUp.Settings.FtpBackup = true;
        cleanUp.Settings.Ftp = task.Ftp;
    }
    TCleanUpOutcome CleanFtp(int ageMode, int typeRule = 0, const std::string& types = "")
    {
        log.OpenLog(settings.Protocol, false, false);
        TCleanUpOutcome outcome = TCleanUpOutcome::Failed;
        if (cleanUp.ConnectFtp(true)) {
            outcome = cleanUp.RunFtpCleanUp(types, ageMode, 0, true, false, true, typeRule);
        }
        log.CloseLog();
        return outcome;
    }
    bool OnServer(const std::string& relative) const { return fs::exists(peer.Root() / relative); }

    TFtpPeer peer;
};

TEST_F(CleanUpFtpTest, ByAgeTypeAndName)
{
    Write("data/old.doc", 40);
    Write("data/new.doc", 1);
    Write("data/sub/old.xls", 40);
    Write("data/sub/report.doc", 40);
    Backup();
    ASSERT_TRUE(OnServer("LwS/data/old.doc")) << LogText();
    cleanUp.Settings.FilterMode = 2;
    cleanUp.Settings.Filter = "report";
    EXPECT_EQ(CleanFtp(CleanUpAgeFourWeeks, CleanUpTypesOnly, "DOC"), TCleanUpOutcome::Ok) << LogText();
    EXPECT_EQ(cleanUp.Deleted, 1u);
    EXPECT_FALSE(OnServer("LwS/data/old.doc"));
    EXPECT_TRUE(OnServer("LwS/data/new.doc"));
    EXPECT_TRUE(OnServer("LwS/data/sub/old.xls"));
    EXPECT_TRUE(OnServer("LwS/data/sub/report.doc"));
    EXPECT_NE(LogText().find("      Delete: LwS/data/old.doc"), std::string::npos) << LogText();

    cleanUp.Settings.FilterMode = 0;
    EXPECT_EQ(CleanFtp(CleanUpAgeWeek), TCleanUpOutcome::Ok);
    EXPECT_FALSE(OnServer("LwS/data/sub/old.xls"));
    EXPECT_FALSE(OnServer("LwS/data/sub/report.doc"));
    EXPECT_TRUE(OnServer("LwS/data/new.doc"));
}

TEST_F(CleanUpFtpTest, RootFoldersAndAChosenFolder)
{
    Write("data/a.txt");
    Write("data/b.txt");
    Backup();
    // Against a chosen folder that holds only a.txt.
    fs::create_directories(temp.Host("e/mirror/data"));
    temp.WriteHostFile("e/mirror/data/a.txt", "a");
    cleanUp.Settings.Sync = CleanUpSyncFolder;
    cleanUp.Settings.SyncDir = "E:\\mirror";
    cleanUp.Settings.Ftp.SubDir = "LwS";
    EXPECT_EQ(CleanFtp(CleanUpAgeAll), TCleanUpOutcome::Ok) << LogText();
    EXPECT_TRUE(OnServer("LwS/data/a.txt"));
    EXPECT_FALSE(OnServer("LwS/data/b.txt"));

    // Synchronising with the origin is refused on FTP.
    cleanUp.Settings.Sync = CleanUpSyncOrigin;
    EXPECT_EQ(CleanFtp(CleanUpAgeAll), TCleanUpOutcome::Failed);
    EXPECT_TRUE(OnServer("LwS/data/a.txt"));

    cleanUp.Settings.Sync = CleanUpSyncOff;
    cleanUp.Settings.FilesMode = false;
    cleanUp.Settings.Ftp.SubDir = "";
    EXPECT_EQ(CleanFtp(CleanUpAgeAll), TCleanUpOutcome::Ok);
    EXPECT_FALSE(OnServer("LwS"));
}

// How often this process has the file open.
int OpenCount(const std::string& file)
{
    int count = 0;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd", error)) {
        count += fs::read_symlink(entry.path(), error) == file ? 1 : 0;
    }
    return count;
}

// A backup to the server folder holds it: the clean-up waits and deletes only afterwards.
TEST_F(CleanUpFtpTest, WaitsWhileAnotherRunHoldsTheServerFolder)
{
    Write("data/old.doc", 40);
    Backup();
    auto held = FtpFolderLock(task.Ftp.Host, task.Ftp.Port, task.Ftp.SubDir);
    ASSERT_TRUE(held->TryLock());
    const std::string lockFile = held->LockedPath();
    const TProcessMessagesHook previous = SetProcessMessagesHook([&] {
        if (held && OpenCount(lockFile) > 1) { // the clean-up waits for it
            EXPECT_TRUE(OnServer("LwS/data/old.doc"));
            held.reset();
        }
    });
    EXPECT_EQ(CleanFtp(CleanUpAgeFourWeeks), TCleanUpOutcome::Ok);
    SetProcessMessagesHook(previous);
    EXPECT_EQ(held, nullptr);
    EXPECT_FALSE(OnServer("LwS/data/old.doc"));
    EXPECT_NE(LogText().find("    => Waiting for another run on ftp://"), std::string::npos) << LogText();
}

// Where the lock cannot be made (a link planted in its place), the clean-up deletes nothing.
TEST_F(CleanUpFtpTest, NeverDeletesUnlocked)
{
    Write("data/old.doc", 40);
    Backup();
    env.Set("HOME", temp.Host("home"));
    fs::create_directories(temp.Host("home/.local/state"));
    fs::create_directories(temp.Host("elsewhere"));
    fs::create_directory_symlink(temp.Host("elsewhere"), temp.Host("home/.local/state/tessaro"));
    EXPECT_EQ(CleanFtp(CleanUpAgeAll), TCleanUpOutcome::Failed);
    EXPECT_TRUE(OnServer("LwS/data/old.doc"));
    EXPECT_NE(LogText().find("    *** The run cannot be locked: " + temp.Host("home/.local/state/tessaro") +
                             " is a symbolic link\n"),
              std::string::npos)
        << LogText();
}

TEST_F(CleanUpFtpTest, QuietRunsNeverAskForAPassword)
{
    cleanUp.Settings.Ftp.Password.clear();
    int asked = 0;
    cleanUp.AskPassword = [&](const std::string&, const std::string&, std::string&) {
        ++asked;
        return false;
    };
    EXPECT_FALSE(cleanUp.ConnectFtp(true));
    EXPECT_EQ(asked, 0);
    EXPECT_FALSE(cleanUp.ConnectFtp(false));
    EXPECT_EQ(asked, 1);
    // A remote folder that is not there is not created by looking at it.
    cleanUp.Settings.Ftp.Password = TFtpPeer::Password;
    cleanUp.Settings.Ftp.SubDir = "missing/deeper";
    EXPECT_FALSE(cleanUp.ConnectFtp(true));
    EXPECT_FALSE(OnServer("missing"));
}

} // namespace
