#include "restore/CleanUpTask.h"

#include "RecordingProgressView.h"
#include "TempFolder.h"
#include "foundation/IniFile.h"
#include "foundation/ScriptedMessageDialogs.h"
#include "foundation/StatusView.h"
#include "platform/Drives.h"
#include "tasks/BackupLog.h"
#include "tasks/IniValues.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

TCleanUpSettings FullTask()
{
    TCleanUpSettings s;
    s.Directory = "E:\\B";
    s.AgeMode = CleanUpAgeOlderThan;
    s.Date = EncodeDate(2031, 2, 3);
    s.Types = CleanUpTypesExcept;
    s.Sync = CleanUpSyncFolder;
    s.FilesMode = false;
    s.UseRecycler = true;
    s.Compressed = false;
    s.TypeList = "DOC,XLS";
    s.Regular = true;
    s.FilterMode = 2;
    s.Filter = "^tmp";
    s.FtpBackup = true;
    s.Ftp.Host = "ftp.example";
    s.Ftp.Port = 2100;
    s.Ftp.Username = "ann";
    s.Ftp.Password = "pw\"1";
    s.Ftp.SubDir = "backup/daily";
    s.Ftp.Proxy.Server = "proxy";
    s.Ftp.Proxy.Port = 8021;
    s.Ftp.Proxy.Username = "fw";
    s.Ftp.Proxy.Password = "fwpw";
    s.Ftp.Proxy.ProxyType = 3;
    return s;
}

TEST(CleanUpTaskFile, EveryKeyInOrderAndBack)
{
    TTempFolder temp;
    const std::string file = temp.Win("t.cuj");
    const TCleanUpSettings saved = FullTask();
    ASSERT_TRUE(SaveCleanUpTask(file, saved, "Tessaro", "1.2.3"));
    const std::string text = temp.ReadHostFile("t.cuj");
    const char* const keys[] = {
        "[Global]",         "Program=Tessaro", "Version=1.2.3", "[Cleanup]",   "Directory=E:\\B",     "Mode=5",
        "Date=2031-02-03",  "Types=2",         "Sync=2",        "AgeMode=0",   "UseRecycler=1",       "Compressed=0",
        "TypeList=DOC,XLS", "Regular=1",       "FilterMode=2",  "Filter=^tmp", "FtpBackup=1",         "[Ftp]",
        "Host=ftp.example", "Port=2100",       "Username=ann",  "Password=",   "SubDir=backup/daily", "[Proxy]",
        "Server=proxy",     "Port=8021",       "Username=fw",   "Password=",   "ProxyType=3"};
    size_t at = 0;
    for (const char* key : keys) {
        const size_t found = text.find(key, at);
        ASSERT_NE(found, std::string::npos) << key << " in order in\n" << text;
        at = found + 1;
    }
    EXPECT_EQ(text.find("pw\"1"), std::string::npos) << "passwords are stored encoded";
    EXPECT_EQ(text.find("ChangeNames"), std::string::npos);

    TCleanUpSettings loaded;
    loaded.SyncDir = "E:\\mine";
    ASSERT_TRUE(LoadCleanUpTask(file, loaded));
    TCleanUpSettings expected = saved;
    expected.SyncDir = "E:\\mine"; // the chosen folder is the window's, not the task's
    EXPECT_EQ(loaded, expected);
}

TEST(CleanUpTaskFile, MissingKeysGiveDefaultsAndUnknownKeysStay)
{
    TTempFolder temp;
    temp.WriteHostFile("t.cuj", "[Cleanup]\nDate=not a date\nSync=7\nTypes=9\n[Extra]\nKeep=me\n");
    TCleanUpSettings s = FullTask();
    s.Filter = "current";
    ASSERT_TRUE(LoadCleanUpTask(temp.Win("t.cuj"), s));
    EXPECT_EQ(s.Directory, "E:\\B") << "an empty folder keeps the window's";
    EXPECT_EQ(s.AgeMode, CleanUpAgeFourWeeks);
    EXPECT_EQ(s.Date, Date());
    EXPECT_EQ(s.Sync, CleanUpSyncOff);
    EXPECT_EQ(s.Types, CleanUpTypesAll);
    EXPECT_TRUE(s.FilesMode);
    EXPECT_TRUE(s.Compressed);
    EXPECT_FALSE(s.UseRecycler);
    EXPECT_EQ(s.Filter, "current");
    EXPECT_FALSE(s.FtpBackup);
    EXPECT_EQ(s.Ftp.Port, 21);
    EXPECT_EQ(s.Ftp.Proxy.Port, 2121);
    EXPECT_EQ(s.Ftp.Proxy.ProxyType, 0);

    ASSERT_TRUE(SaveCleanUpTask(temp.Win("t.cuj"), s, "Tessaro", "1"));
    TIniFile ini(temp.Win("t.cuj"));
    EXPECT_EQ(ini.ReadString("Extra", "Keep"), "me");
    EXPECT_FALSE(LoadCleanUpTask(temp.Win("none.cuj"), s));
}

TEST(CleanUpTaskFile, DatesReadInEveryForm)
{
    TTempFolder temp;
    for (const char* text : {"2027-03-04", " 2027-03-04 "}) {
        temp.WriteHostFile("t.cuj", std::string("[Cleanup]\nDate=") + text + "\n");
        TCleanUpSettings s;
        ASSERT_TRUE(LoadCleanUpTask(temp.Win("t.cuj"), s));
        EXPECT_EQ(s.Date, EncodeDate(2027, 3, 4)) << text;
    }
}

TEST(CleanUpTaskFile, SettingsSectionAndHistories)
{
    TIniFile ini;
    TCleanUpSettings s = FullTask();
    WriteCleanUpSettings(ini, s);
    WriteCleanUpHistories(ini, {{"E:\\B", "E:\\C"}, {"S:\\mirror"}});
    EXPECT_FALSE(ini.ValueExists("Cleanup", "Directory"));
    EXPECT_FALSE(ini.ValueExists("Cleanup", "Sync"));
    EXPECT_FALSE(ini.ValueExists("Cleanup", "FtpBackup"));
    EXPECT_EQ(ini.ReadString("Cleanup", "History1"), "E:\\C");
    EXPECT_EQ(ini.ReadString("CSyncDir", "History0"), "S:\\mirror");
    // Writing the histories again never erases the settings beside them.
    WriteCleanUpHistories(ini, {{"E:\\D"}, {}});
    EXPECT_EQ(ini.ReadInteger("Cleanup", "Mode", -1), CleanUpAgeOlderThan);
    EXPECT_FALSE(ini.ValueExists("Cleanup", "History1"));

    TCleanUpSettings read;
    read.Sync = CleanUpSyncOrigin;
    ReadCleanUpSettings(ini, read);
    EXPECT_EQ(read.Sync, CleanUpSyncOff) << "the synchronisation mode never comes from the settings";
    EXPECT_EQ(read.TypeList, "DOC,XLS");
    EXPECT_EQ(read.Date, EncodeDate(2031, 2, 3));
    TCleanUpHistories histories;
    ReadCleanUpHistories(ini, histories);
    EXPECT_EQ(histories.Folders, std::vector<std::string>{"E:\\D"});
}

// Batch runs of task files, and what they leave of the user's own settings.
class CleanUpBatchTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* folder : {"e/B/LwS", "l/jobs", "x/B"}) {
            fs::create_directories(temp.Host(folder));
        }
        SetDrives("");
        log.LogPath = "L:\\tessaro.log";
        cleanUp.TaskDir = "L:\\jobs\\";
        temp.WriteHostFile("l/settings.ini", "[Cleanup]\nMode=4\nTypeList=TMP\nHistory0=E:\\own\n");
        cleanUp.LoadFromIni("L:\\settings.ini", "");
    }
    void TearDown() override
    {
        unsetenv("TESSARO_DRIVES");
        Platform::ReloadDriveTable();
    }
    void SetDrives(const std::string& extra)
    {
        const std::string drives = "E=" + temp.Host("e") + ";L=" + temp.Host("l") + extra;
        setenv("TESSARO_DRIVES", drives.c_str(), 1);
        Platform::ReloadDriveTable();
    }
    void Old(const std::string& relative)
    {
        temp.WriteHostFile(relative, "x");
        fs::last_write_time(temp.Host(relative), fs::file_time_type::clock::now() - std::chrono::hours(24 * 90));
    }
    void SaveJob(const std::string& name, const std::string& folder, int ageMode)
    {
        TCleanUpSettings s;
        s.Directory = folder;
        s.AgeMode = ageMode;
        ASSERT_TRUE(SaveCleanUpTask(temp.Win("l/jobs/" + name + ".cuj"), s, "Tessaro", "1"));
    }
    TCleanUpOutcome Batch(const std::string& list)
    {
        log.OpenLog(LogLong, false, false);
        const TCleanUpOutcome outcome = cleanUp.AutoCleanUp(list, LogLong, true, 5);
        log.CloseLog();
        return outcome;
    }
    std::string LogText() const { return temp.ReadHostFile("l/tessaro.log"); }

    TTempFolder temp;
    TScriptedMessageDialogs dialogs;
    TBackupLog log;
    TRecordingProgressView view;
    NullStatusView status;
    TCleanUp cleanUp{log, view, status};
};

TEST_F(CleanUpBatchTest, RunsTheListAndPutsTheOwnSettingsBack)
{
    Old("e/B/LwS/old.txt");
    temp.WriteHostFile("e/B/LwS/new.txt", "n");
    SaveJob("weekly", "E:\\B", CleanUpAgeWeek);
    SaveJob("other", "E:\\elsewhere", CleanUpAgeAll);
    const TCleanUpSettings own = cleanUp.Settings;
    EXPECT_EQ(own.Directory, "E:\\own");
    EXPECT_EQ(own.AgeMode, CleanUpAgeYear);

    // Folder missing in the second task; the third names no file and is skipped.
    EXPECT_EQ(Batch("weekly, other,absent"), TCleanUpOutcome::Failed);
    EXPECT_FALSE(fs::exists(temp.Host("e/B/LwS/old.txt")));
    EXPECT_TRUE(fs::exists(temp.Host("e/B/LwS/new.txt")));
    EXPECT_NE(LogText().find("Start: "), std::string::npos);
    EXPECT_NE(LogText().find(" - Clean up task: weekly.cuj"), std::string::npos) << LogText();
    EXPECT_NE(LogText().find("    *** Could not find directory: \"" + temp.Host("e/elsewhere") + "\""),
              std::string::npos);
    EXPECT_EQ(dialogs.ShownCount(), 0u);
    EXPECT_EQ(cleanUp.Settings, own);
    EXPECT_FALSE(cleanUp.TaskLoaded);
    // A list naming only a task that is not there has failed as a batch.
    EXPECT_EQ(Batch("absent"), TCleanUpOutcome::Failed);
    EXPECT_EQ(RunOutcomeOf(TCleanUpOutcome::Errors), TRunOutcome::Failed);
    EXPECT_EQ(RunOutcomeOf(TCleanUpOutcome::Ok), TRunOutcome::Ok);

    // Written at the end: the user's values, not the last task's.
    cleanUp.WriteToIni();
    TIniFile ini("L:\\settings.ini");
    EXPECT_EQ(ini.ReadInteger("Cleanup", "Mode", -1), CleanUpAgeYear);
    EXPECT_EQ(ini.ReadString("Cleanup", "History0"), "E:\\own");
}

TEST_F(CleanUpBatchTest, ASecondLoadedTaskNeverBecomesTheOwnSettings)
{
    SaveJob("one", "E:\\one", CleanUpAgeAll);
    SaveJob("two", "E:\\two", CleanUpAgeWeek);
    ASSERT_TRUE(cleanUp.LoadTask(temp.Win("l/jobs/one.cuj")));
    ASSERT_TRUE(cleanUp.LoadTask(temp.Win("l/jobs/two.cuj")));
    EXPECT_EQ(cleanUp.Settings.Directory, "E:\\two");
    cleanUp.RestoreOwnSettings();
    EXPECT_EQ(cleanUp.Settings.Directory, "E:\\own");
    EXPECT_EQ(cleanUp.Settings.AgeMode, CleanUpAgeYear);
}

TEST_F(CleanUpBatchTest, VolumeLabelsAreLookedUpBeforeTheFolderTest)
{
    Old("x/B/old.txt");
    SaveJob("stick", ":STICK:\\B", CleanUpAgeAll);
    EXPECT_EQ(Batch("stick"), TCleanUpOutcome::Failed);
    EXPECT_TRUE(fs::exists(temp.Host("x/B/old.txt")));
    EXPECT_EQ(dialogs.ShownCount(), 0u) << "quiet batch runs never ask for the medium";

    SetDrives(";X=" + temp.Host("x") + ",removable,STICK");
    EXPECT_EQ(Batch("stick"), TCleanUpOutcome::Ok) << LogText();
    EXPECT_FALSE(fs::exists(temp.Host("x/B/old.txt")));
}

} // namespace
