#include "tasks/MailReport.h"

#include "MailPeek.h"
#include "TempFolder.h"
#include "foundation/ScriptedMessageDialogs.h"
#include "peers/SmtpPeer.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "tasks/BackupLog.h"
#include "tasks/BackupSelection.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

class MailReportTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(peer.Start());
        log.LogPath = temp.Win("tessaro.log");
        log.ProductText = "Tessaro";
        log.FileVersion = "1.2.3.4";
        task.SendMail = true;
        task.Mail.Server = "127.0.0.1";
        task.Mail.Port = peer.Port();
        task.Mail.Sender = "backup@example.org";
        task.Mail.ReplyTo = "anna@example.org";
        task.Mail.Recipients = "anna@example.org,\"Bob <bob@example.org>\"";
        report.Caption = "Tessaro - nightly";
    }

    // One run with a few lines; returns the per-run log's contents.
    std::string Run(bool showStatus = false)
    {
        EXPECT_EQ(log.OpenLog(0, true, task.SendMail), 0);
        log.WriteLogHeader(" - Data backup");
        const std::string start = "  ==> Start: 08.12.2026 20:00:00 nightly";
        log.WriteLog(start);
        report.StartMailReport(start, StartTime);
        log.WriteLog("      Copy: C:\\data\\a.txt");
        log.WriteLog("  Source: C:\\data\\");
        report.AddMailLine("  Source: C:\\data\\");
        std::string runLog;
        Platform::ReadWholeFile(log.RunLogPath, runLog);
        report.SendMailReport("  Status: Backup completed (1 of 1 files copied)", showStatus);
        sent = report.LastSent;
        runLogClosed = !log.RunLogOpen;
        log.CloseLog();
        return runLog;
    }
    std::string BackupLogText() const { return temp.ReadHostFile("tessaro.log"); }

    TSmtpPeer peer;
    TTempFolder temp;
    TBackupLog log;
    TBackupTask task;
    TMailReport report{log, task};
    const TDateTime StartTime = EncodeDateTime(2026, 12, 8, 20, 0, 0);
    bool sent = false;
    bool runLogClosed = false;
};

} // namespace

TEST_F(MailReportTest, AttachesThePlainLogWhenZippingFails)
{
    task.Mail.AttachLog = true;
    task.Mail.ZipLog = true;
    log.OpenLog(0, true, true);
    // A folder where the archive should go makes the zip writer fail.
    const std::string zipPath = log.RunLogPath.substr(0, log.RunLogPath.size() - 3) + "zip";
    Platform::CreateDir(zipPath);
    report.StartMailReport("  ==> Start", StartTime);
    report.SendMailReport("  Status: done", false);
    ASSERT_TRUE(report.LastSent);
    EXPECT_THAT(PeekMail(peer.MessagePath(1)), HasSubstr("PART text/plain None base64 TS "));
    EXPECT_TRUE(Platform::DirectoryExists(zipPath));
    Platform::RemoveDir(zipPath);
    log.CloseLog();
}

TEST_F(MailReportTest, ANameAsSenderNeedsTheReplyToAddress)
{
    task.Mail.Sender = "Backup Server";
    Run();
    ASSERT_TRUE(sent);
    EXPECT_THAT(PeekMail(peer.MessagePath(1)), HasSubstr("From: Backup Server <anna@example.org>\n"));
    EXPECT_EQ(peer.EnvelopeText(1).substr(0, 17), "anna@example.org\n");

    task.Mail.ReplyTo = "";
    Run();
    EXPECT_FALSE(sent);
    EXPECT_EQ(peer.MessageCount(), 1);
    EXPECT_THAT(BackupLogText(), HasSubstr("    *** Error sending mail to 127.0.0.1:" + std::to_string(peer.Port()) +
                                           " -> No sender address\n"));
}

TEST_F(MailReportTest, OffClosesTheRunLogAndSendsNothing)
{
    task.SendMail = false;
    log.LogSetting = 64;
    ASSERT_EQ(log.OpenLog(64, true, false), 0);
    ASSERT_TRUE(log.RunLogOpen);
    report.StartMailReport("  ==> Start", StartTime);
    report.AddMailLine("line");
    report.SendMailReport("  Status: done", true);
    EXPECT_FALSE(report.LastSent);
    EXPECT_FALSE(log.RunLogOpen);
    EXPECT_TRUE(report.Mailer.Body.empty());
    log.CloseLog();
    EXPECT_EQ(peer.MessageCount(), 0);
    EXPECT_THAT(BackupLogText(), Not(HasSubstr("mail")));
}

TEST_F(MailReportTest, AFailedSendIsLoggedAndShownToTheUser)
{
    TScriptedMessageDialogs dialogs;
    task.Mail.Port = 1; // nobody listens there
    Run(true);
    EXPECT_FALSE(sent);
    EXPECT_THAT(BackupLogText(), HasSubstr("    *** Error sending mail to 127.0.0.1:1 -> "));
    ASSERT_EQ(dialogs.ShownCount(), 1u);
    EXPECT_EQ(dialogs.LastText(), "Error sending mail to 127.0.0.1:1");
    EXPECT_EQ(dialogs.Shown()[0].type, TMsgDlgType::Error);
}
