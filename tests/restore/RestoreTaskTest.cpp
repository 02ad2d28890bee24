#include "restore/RestoreTask.h"

#include "TempFolder.h"
#include "foundation/History.h"
#include "foundation/IniFile.h"
#include "foundation/StatusView.h"
#include "restore/JobFile.h"
#include "tasks/BackupLog.h"
#include "tasks/BackupNames.h"
#include "tasks/ProgressView.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(RestoreTaskFile, RoundTripKeepsEveryChoice)
{
    TTempFolder temp;
    const std::string file = temp.Win("daily.rsj");
    TRestoreOptions options;
    options.SourceDir = "E:\\Backup\\LwC";
    options.DestDir = "C:\\restored";
    options.Origin = true;
    options.Overwrite = OverwriteOlder;
    options.AgeMode = AgeNewer;
    options.Date = EncodeDate(2024, 3, 9);
    options.UnCompress = false;
    options.Filter.Mode = TTextFilter::ModeExclude;
    options.Filter.IsRegEx = true;
    options.Filter.SetMask("\\.tmp$");
    options.Timespan = 5;
    options.IgnoreDst = true;
    TFtpParams ftp;
    ftp.Host = "ftp.example";
    ftp.Port = 2100;
    ftp.Username = "anna";
    ftp.Password = "pw";
    ftp.SubDir = "backup";
    ASSERT_EQ(SaveRestoreTask(file, options, ftp, "Tessaro", "1.2"), 0);

    TRestoreOptions read;
    TFtpParams readFtp;
    ASSERT_TRUE(LoadRestoreTask(file, read, readFtp));
    EXPECT_EQ(read.SourceDir, options.SourceDir);
    EXPECT_EQ(read.DestDir, options.DestDir);
    EXPECT_TRUE(read.Origin);
    EXPECT_EQ(read.Overwrite, OverwriteOlder);
    EXPECT_EQ(read.AgeMode, AgeNewer);
    EXPECT_EQ(read.Date, EncodeDate(2024, 3, 9));
    EXPECT_FALSE(read.UnCompress);
    EXPECT_TRUE(read.Filter.IsRegEx);
    EXPECT_EQ(read.Filter.Mode, TTextFilter::ModeExclude);
    EXPECT_EQ(read.Filter.GetMask(), "\\.tmp$");
    EXPECT_EQ(read.Timespan, 5);
    EXPECT_TRUE(read.IgnoreDst);
    EXPECT_EQ(readFtp.Host, "ftp.example");
    EXPECT_EQ(readFtp.Port, 2100);
    EXPECT_EQ(readFtp.Password, "pw");
    EXPECT_EQ(JobFtpText(readFtp), "ftp://ftp.example:2100/backup");
    // The password is never stored as it is typed.
    EXPECT_EQ(temp.ReadHostFile("daily.rsj").find("Password=pw\n"), std::string::npos);
}

TEST(RestoreTaskFile, BackupCopiesKeepTheSuffixAndAProxySectionStays)
{
    TTempFolder temp;
    temp.WriteHostFile("old.rsj", "[Proxy]\nServer=proxy.lan\nPort=3128\nProxyType=2\n[Restore]\nRegular=1\n");
    const std::string file = temp.Win("old.rsj");
    TRestoreOptions options;
    options.BackupCopies = true;
    options.Suffix = "old";
    ASSERT_EQ(SaveRestoreTask(file, options, TFtpParams{}, "Tessaro", "1.2"), 0);
    const std::string text = temp.ReadHostFile("old.rsj");
    EXPECT_NE(text.find("Filter=old"), std::string::npos);
    EXPECT_EQ(text.find("FilterMode"), std::string::npos);
    EXPECT_NE(text.find("Server=proxy.lan"), std::string::npos);

    TRestoreOptions read;
    read.SourceDir = "kept";
    TFtpParams ftp;
    ASSERT_TRUE(LoadRestoreTask(file, read, ftp));
    EXPECT_TRUE(read.BackupCopies);
    EXPECT_EQ(read.Suffix, "old");
    EXPECT_EQ(read.SourceDir, "kept"); // an empty SourceDir leaves the text alone
    EXPECT_EQ(ftp.Proxy.Server, "proxy.lan");
    EXPECT_EQ(ftp.Proxy.Port, 3128);
    EXPECT_EQ(ftp.Proxy.ProxyType, 2);

    // Defaults for missing keys; an unreadable date gives today.
    temp.WriteHostFile("bare.rsj", "[Restore]\nDate=someday\n");
    TRestoreOptions bare;
    ASSERT_TRUE(LoadRestoreTask(temp.Win("bare.rsj"), bare, ftp));
    EXPECT_EQ(bare.Overwrite, OverwriteNone);
    EXPECT_TRUE(bare.UnCompress);
    EXPECT_EQ(bare.Date, std::floor(Date()));
    EXPECT_EQ(ftp.Proxy.Port, 2121);
    EXPECT_FALSE(LoadRestoreTask(temp.Win("missing.rsj"), bare, ftp));
}

TEST(RestoreSettings, OwnSettingsAndHistoriesOutliveTasksAndBatches)
{
    TTempFolder temp;
    temp.WriteHostFile("settings.ini", "[Restore]\nOverwrite=1\nTimespan=7\n[RSource]\nHistory0=E:\\B\n"
                                       "History1=E:\\Old\n[RDestination]\nHistory0=C:\\out\n");
    TBackupLog log;
    NullProgressView progress;
    NullStatusView status;
    TRestoreRun run(log, progress, status, nullptr);
    run.LoadFromIni(temp.Win("settings.ini"), {});
    EXPECT_EQ(run.Options.Overwrite, OverwriteOlder);
    EXPECT_EQ(run.Options.Timespan, 7);
    EXPECT_EQ(run.Options.SourceDir, "E:\\B") << "the first history entry is chosen";
    EXPECT_EQ(run.Options.DestDir, "C:\\out");
    ASSERT_EQ(run.SourceHistory.size(), 2u);

    TRestoreOptions task;
    task.SourceDir = "E:\\Task";
    task.Overwrite = OverwriteAll;
    task.FtpBackup = true; // batch runs pass FTP tasks over
    ASSERT_EQ(SaveRestoreTask(temp.Win("t.rsj"), task, TFtpParams{}, "Tessaro", "1"), 0);
    task.SourceDir = "E:\\Second";
    ASSERT_EQ(SaveRestoreTask(temp.Win("u.rsj"), task, TFtpParams{}, "Tessaro", "1"), 0);

    // Two tasks in a row: the second never becomes the own settings.
    ASSERT_TRUE(run.LoadTask(temp.Win("t.rsj")));
    ASSERT_TRUE(run.LoadTask(temp.Win("u.rsj")));
    EXPECT_EQ(run.Options.SourceDir, "E:\\Second");
    run.RestoreOwnSettings();
    EXPECT_EQ(run.Options.SourceDir, "E:\\B");
    EXPECT_EQ(run.Options.Overwrite, OverwriteOlder);

    // A batch puts them back too, and a task file that is not there fails it.
    run.TaskDir = temp.Win() + "\\";
    EXPECT_EQ(run.AutoRestore("t, u", LogOff, true, 0), RestoreOk);
    EXPECT_EQ(run.AutoRestore("t, absent", LogOff, true, 0), RestoreFailed);
    EXPECT_EQ(run.Options.SourceDir, "E:\\B");
    EXPECT_FALSE(run.TaskLoaded);

    // Written at the end: the user's values, not a loaded task's.
    ASSERT_TRUE(run.LoadTask(temp.Win("t.rsj")));
    AddToHistory(run.DestHistory, "C:\\new");
    run.WriteToIni();
    const TIniFile ini(temp.Win("settings.ini"));
    EXPECT_EQ(ini.ReadInteger("Restore", "Overwrite", -1), OverwriteOlder);
    EXPECT_EQ(ini.ReadString("RSource", "History1"), "E:\\Old");
    EXPECT_EQ(ini.ReadString("RDestination", "History0"), "C:\\new");
    EXPECT_EQ(ini.ReadString("RDestination", "History1"), "C:\\out");
}

TEST(RestoreSettings, KeptVersionSuffixOfAChosenFile)
{
    EXPECT_EQ(KeptVersionSuffix("C:\\b\\report.bak.doc"), "bak");
    EXPECT_EQ(KeptVersionSuffix("report.old.doc.gz"), "old") << "listed without .gz, so chosen without it";
    EXPECT_EQ(KeptVersionSuffix("report.v1.xls.enc"), "v1");
    EXPECT_EQ(KeptVersionSuffix("plain.doc"), "");
    EXPECT_TRUE(ValidKeptVersionSuffix("bak"));
    EXPECT_FALSE(ValidKeptVersionSuffix(""));
    EXPECT_FALSE(ValidKeptVersionSuffix("b*k"));
    EXPECT_FALSE(ValidKeptVersionSuffix("a/b"));
    // Remote folders end before their first placeholder component, as local ones do.
    EXPECT_EQ(StripFtpPlaceholderDirs("backup/%date%/docs"), "backup");
    EXPECT_EQ(StripFtpPlaceholderDirs("plain"), "plain");
}

} // namespace
