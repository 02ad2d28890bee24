#include "tasks/BackupRun.h"
#include "tasks/MailReport.h"

#include "MailPeek.h"
#include "RecordingProgressView.h"
#include "TempFolder.h"
#include "foundation/ScriptedMessageDialogs.h"
#include "peers/SmtpPeer.h"
#include "platform/Drives.h"

#include <cstdlib>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::HasSubstr;
using ::testing::Not;

// A whole backup run mails its report to a real server: S: holds the source, E: the
// destination, L: the backup log.
TEST(MailRun, ABackupRunMailsItsReport)
{
    TTempFolder temp;
    for (const char* folder : {"s/docs", "e", "l"}) {
        std::filesystem::create_directories(temp.Host(folder));
    }
    temp.WriteHostFile("s/docs/a.txt", "alpha");
    const std::string drives = "S=" + temp.Host("s") + ";E=" + temp.Host("e") + ";L=" + temp.Host("l");
    setenv("TESSARO_DRIVES", drives.c_str(), 1);
    Platform::ReloadDriveTable();
    TSmtpPeer peer;
    ASSERT_TRUE(peer.Start(true));

    TScriptedMessageDialogs dialogs;
    TBackupTask task;
    task.Compress = false;
    task.DestMode = DestCloneOfSource;
    task.Destination = "E:\\B";
    task.FileName = "L:\\daily.buj";
    TExtensionList entry;
    entry.SourceDir = entry.ExpandedDir = "S:\\docs\\";
    task.Sources.push_back(entry);
    task.SendMail = true;
    task.Mail.Server = "127.0.0.1";
    task.Mail.Port = peer.Port();
    task.Mail.Username = TSmtpPeer::User;
    task.Mail.Password = TSmtpPeer::Password;
    task.Mail.Sender = "backup@example.org";
    task.Mail.Recipients = "anna@example.org";
    task.Mail.AttachLog = true;
    task.Mail.ZipLog = true;

    TProgramSettings settings;
    TBackupLog log;
    log.LogPath = "L:\\tessaro.log";
    log.ProductText = "Tessaro";
    log.FileVersion = "1.0";
    TRecordingProgressView view;
    TBackupSupervision supervision{view};
    TBackupRun run{task, settings, log, supervision};
    TMailReport report(log, task);
    run.Mail = &report;
    run.MailUsable = true;

    log.OpenLog(0, true, true);
    EXPECT_TRUE(run.RunBackup(0, task.FileName, EndNotVisible));
    log.CloseLog();
    unsetenv("TESSARO_DRIVES");
    Platform::ReloadDriveTable();

    ASSERT_TRUE(report.LastSent) << report.Mailer.LastError;
    ASSERT_EQ(peer.MessageCount(), 1);
    const std::string mail = PeekMail(peer.MessagePath(1));
    EXPECT_THAT(mail,
                HasSubstr("From: Tessaro <backup@example.org>\nTo: anna@example.org\nSubject: Tessaro: Backup at "));
    EXPECT_THAT(mail, HasSubstr("Sender: backup@example.org\nUser-Agent: Tessaro\n"));
    // The summary lines only; per-file lines stay in the attached log.
    EXPECT_THAT(mail, HasSubstr("TEXT 'Tessaro (Vers. 1.0)\\n  ==> Start: "));
    EXPECT_THAT(mail, Not(HasSubstr("a.txt")));
    EXPECT_THAT(mail, HasSubstr("  ==> End: "));
    EXPECT_THAT(mail, HasSubstr("\\n  Status: "));
    EXPECT_THAT(mail, HasSubstr("PART application/zip None base64 TS "));
    TTempFolder saved;
    std::string name = SaveAttachments(peer.MessagePath(1), saved.Host());
    ASSERT_FALSE(name.empty());
    name.pop_back();
    EXPECT_EQ(std::system(("unzip -tq '" + saved.Host(name) + "' >/dev/null").c_str()), 0);
    const std::string logName = name.substr(0, name.size() - 3) + "log";
    EXPECT_EQ(std::system(("unzip -p '" + saved.Host(name) + "' '" + logName + "' | grep -q 'a.txt'").c_str()), 0);
    EXPECT_THAT(temp.ReadHostFile("l/tessaro.log"),
                HasSubstr("  ==> Mail notifications were sent to anna@example.org"));
    EXPECT_EQ(temp.ReadHostFile("e/B/docs/a.txt"), "alpha");
}
