#include "tasks/BackupLog.h"

#include "TempFolder.h"
#include "platform/FileSystem.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

size_t CountOf(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

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

TEST_F(BackupLogTest, AppendsRunsEachEndedByAnEmptyLine)
{
    EXPECT_FALSE(log.CloseLog()); // nothing open: nothing happens
    temp.WriteHostFile("tessaro.log", "older run\n\n");
    for (int run = 1; run <= 2; ++run) {
        ASSERT_EQ(log.OpenLog(run == 1 ? 1 : 0x83, false, false), 0); // 0x80: given on the command line
        EXPECT_EQ(log.LogMode, run == 1 ? LogShort : LogExtended);
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

// A batch run's error and warning lines, failed commands and the end lines of each run
// reach the console at every log mode, logging off included; nothing else does.
TEST_F(BackupLogTest, ProblemsReachTheConsoleWhateverTheLogMode)
{
    std::vector<std::string> console;
    log.Console = [&console](const std::string& line) { console.push_back(line); };
    for (const uint32_t setting : {0u, 1u, 3u}) {
        console.clear();
        ASSERT_EQ(log.OpenLog(setting, false, false), 0);
        log.WriteLog("  Source: C:\\data");
        log.WriteLog(LogErrorPrefix + std::string("Path \"C:\\gone\" not found!"));
        log.WriteLog(LogErrorPrefix + std::string("Changed while copied: a.txt"), false);
        log.WriteLog("      Copy: b.txt", false);
        log.WriteProblem("  ## Error executing: false -> Returned errorlevel = 1");
        log.WriteEndLine("  Status: OK (1 of 1 files copied)");
        log.WriteEndLine("  Status: 1 Error on backup (0 of 1 files copied)");
        log.CloseLog();
        EXPECT_EQ(console,
                  (std::vector<std::string>{"    *** Path \"/gone\" not found!", "    *** Changed while copied: a.txt",
                                            "  ## Error executing: false -> Returned errorlevel = 1",
                                            "  Status: OK (1 of 1 files copied)",
                                            "  Status: 1 Error on backup (0 of 1 files copied)"}))
            << setting;
    }
    const std::string text = LogText();
    EXPECT_EQ(text.find("Changed while copied"), std::string::npos) << "left out by the log mode";
    EXPECT_EQ(text.find("Copy: b.txt"), std::string::npos);
    EXPECT_EQ(CountOf(text, "  Status: OK (1 of 1 files copied)\n"), 2u) << text;
}

// Two runs at once (as two processes would: each opens the file itself): both reach the
// log, each run's lines whole and in their order, the second run's after the first one's.
TEST_F(BackupLogTest, TwoRunsAtOnceBothReachTheLog)
{
    TBackupLog other;
    other.LogPath = log.LogPath;
    ASSERT_EQ(log.OpenLog(1, false, false), 0);
    log.WriteLog("A 1");
    ASSERT_EQ(other.OpenLog(1, false, false), 0) << "the log is held, not refused";
    other.WriteLog("B 1");
    log.WriteLog("A 2");
    other.WriteLog("B 2");
    EXPECT_FALSE(other.CloseLog());
    EXPECT_EQ(LogText(), "A 1\nA 2\n") << "the run that holds the log writes on alone";
    log.WriteLog("A 3");
    log.CloseLog();
    EXPECT_EQ(LogText(), "A 1\nA 2\nA 3\n\nB 1\nB 2\n\n");

    // A run that held the log and ended without closing it (a killed process) leaves the
    // block that waited for it to the next run, which writes it first.
    {
        TBackupLog killed;
        killed.LogPath = log.LogPath;
        ASSERT_EQ(killed.OpenLog(1, false, false), 0);
        killed.WriteLog("A 4");
        ASSERT_EQ(other.OpenLog(1, false, false), 0);
        other.WriteLog("B 3");
        other.CloseLog();
    }
    TBackupLog next;
    next.LogPath = log.LogPath;
    ASSERT_EQ(next.OpenLog(1, false, false), 0);
    next.WriteLog("C 1");
    next.CloseLog();
    EXPECT_EQ(LogText().substr(LogText().find("A 4")), "A 4\nB 3\n\nC 1\n\n");
    for (const auto& entry : std::filesystem::directory_iterator(temp.Host())) {
        EXPECT_EQ(entry.path().filename(), "tessaro.log") << "nothing is left beside the log";
    }
}

TEST_F(BackupLogTest, PerRunLogForTheMailOrForPrinting)
{
    ASSERT_EQ(log.OpenLog(0, true, true), 0); // a report mail needs a long log
    EXPECT_EQ(log.LogMode, LogLong);
    EXPECT_EQ(log.RunLogPath.substr(log.RunLogPath.rfind('\\') + 1), "TS 24-03-09 14-05.log");
    log.WriteLog("copied");
    log.CloseRunLog(); // as the mail step does before attaching it
    log.WriteLog("only the backup log");
    std::string runText;
    Platform::ReadWholeFile(log.RunLogPath, runText);
    EXPECT_EQ(runText, "copied\n");
    std::string runPath = log.RunLogPath;
    EXPECT_TRUE(log.CloseLog());
    EXPECT_FALSE(Platform::AnyExists(runPath));
    EXPECT_TRUE(printedPath.empty());
    EXPECT_EQ(LogText(), "copied\nonly the backup log\n\n");

    log.LogSetting = 64; // print every run's log, here without a backup log
    ASSERT_EQ(log.OpenLog(64, true, false), 0);
    EXPECT_EQ(log.LogMode, LogOff);
    log.WriteLog("a line");
    runPath = log.RunLogPath;
    EXPECT_TRUE(log.CloseLog()); // closes the per-run log itself
    EXPECT_EQ(printedPath, runPath);
    EXPECT_EQ(printedText, "a line\n");
    EXPECT_FALSE(Platform::AnyExists(runPath));
}

TEST_F(BackupLogTest, FailedBackupLogIsReportedEvenWhenThePerRunLogOpens)
{
    log.LogPath = temp.Win("missing\\tessaro.log");
    EXPECT_NE(log.OpenLog(2, true, true), 0);
    EXPECT_EQ(log.LogMode, LogOff);
    EXPECT_TRUE(log.RunLogOpen);
    EXPECT_TRUE(log.CloseLog());
}

} // namespace
