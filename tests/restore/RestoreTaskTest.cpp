#include "restore/RestoreTask.h"

#include "../TempFolder.h"
#include "foundation/IniFile.h"
#include "restore/JobFile.h"

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

} // namespace
