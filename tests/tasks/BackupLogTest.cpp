#include "tasks/BackupLog.h"

#include "../TempFolder.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

namespace {

class BackupLogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        log.LogPath = temp.Win("tessaro.log");
        log.ProductText = "Tessaro";
        log.FileVersion = "1.2.3.4";
        log.Now = [] { return EncodeDateTime(2024, 3, 9, 14, 5, 59); };
        log.PrintRunLog = [this](const std::string& path) {
            printedPath = path;
            Platform::ReadWholeFile(path, printedText);
        };
    }
    std::string LogText() { return temp.ReadHostFile("tessaro.log"); }

    TTempFolder temp;
    TBackupLog log;
    std::string printedPath;
    std::string printedText;
};

TEST(RunLogNameTest, UsesTwoDigitFields)
{
    EXPECT_EQ(RunLogName(EncodeDateTime(2024, 3, 9, 14, 5, 59)), "TS 24-03-09 14-05.log");
    EXPECT_EQ(RunLogName(EncodeDateTime(2100, 12, 31, 0, 0, 0)), "TS 00-12-31 00-00.log");
}

TEST_F(BackupLogTest, AppendsRunsEachEndedByAnEmptyLine)
{
    temp.WriteHostFile("tessaro.log", "older run\n\n");
    for (int run = 1; run <= 2; ++run) {
        ASSERT_EQ(log.OpenLog(1, false, false), 0);
        EXPECT_EQ(log.LogMode, LogShort);
        log.WriteLogHeader(" - Data backup");
        log.WriteLog("line " + std::to_string(run));
        EXPECT_FALSE(log.CloseLog());
        EXPECT_EQ(log.LogMode, LogOff);
    }
    log.WriteLog("after close");
    EXPECT_EQ(LogText(), "older run\n\n"
                         "Tessaro (Vers. 1.2.3.4) - Data backup\nline 1\n\n"
                         "Tessaro (Vers. 1.2.3.4) - Data backup\nline 2\n\n");
}

TEST_F(BackupLogTest, MailReportForcesLongLogAndPerRunLog)
{
    ASSERT_EQ(log.OpenLog(0, true, true), 0);
    EXPECT_EQ(log.LogMode, LogLong);
    ASSERT_TRUE(log.RunLogOpen);
    EXPECT_EQ(log.RunLogPath.substr(log.RunLogPath.rfind('\\') + 1), "TS 24-03-09 14-05.log");
    log.WriteLog("copied");
    log.CloseRunLog(); // as the mail step does before attaching it
    std::string runText;
    Platform::ReadWholeFile(log.RunLogPath, runText);
    EXPECT_EQ(runText, "copied\n");
    log.WriteLog("only the backup log");
    const std::string runPath = log.RunLogPath;
    EXPECT_TRUE(log.CloseLog());
    EXPECT_FALSE(Platform::AnyExists(runPath));
    EXPECT_TRUE(printedPath.empty()); // printing is asked by the setting only
    EXPECT_EQ(LogText(), "copied\nonly the backup log\n\n");
}

TEST_F(BackupLogTest, SettingSixtyFourPrintsThePerRunLogThenDeletesIt)
{
    log.LogSetting = 64;
    ASSERT_EQ(log.OpenLog(64, true, false), 0);
    EXPECT_EQ(log.LogMode, LogOff);
    EXPECT_TRUE(log.RunLogOpen);
    log.WriteLog("a line");
    const std::string runPath = log.RunLogPath;
    EXPECT_TRUE(log.CloseLog()); // closes the per-run log itself
    EXPECT_EQ(printedPath, runPath);
    EXPECT_EQ(printedText, "a line\n");
    EXPECT_FALSE(Platform::AnyExists(runPath));
    EXPECT_FALSE(Platform::AnyExists(log.LogPath));
}

TEST_F(BackupLogTest, CommandLineBitStillLogsExtended)
{
    ASSERT_EQ(log.OpenLog(0x83, false, false), 0);
    EXPECT_EQ(log.LogMode, LogExtended);
    EXPECT_FALSE(log.RunLogOpen);
    log.CloseLog();
}

TEST_F(BackupLogTest, FailedBackupLogIsReportedEvenWhenThePerRunLogOpens)
{
    log.LogPath = temp.Win("missing\\tessaro.log");
    const int error = log.OpenLog(2, true, true);
    EXPECT_NE(error, 0);
    EXPECT_EQ(log.LogMode, LogOff);
    EXPECT_TRUE(log.RunLogOpen);
    log.WriteLog("still in the run log");
    log.CloseRunLog();
    std::string runText;
    Platform::ReadWholeFile(log.RunLogPath, runText);
    EXPECT_EQ(runText, "still in the run log\n");
    EXPECT_TRUE(log.CloseLog());
}

TEST_F(BackupLogTest, CloseWithoutOpenDoesNothing)
{
    EXPECT_FALSE(log.CloseLog());
    EXPECT_FALSE(Platform::AnyExists(log.LogPath));
}

} // namespace
