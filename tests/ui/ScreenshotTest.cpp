#include "foundation/StatusView.h"
#include "foundation/Translate.h"
#include "foundation/ui/ProgressControls.h"
#include "foundation/ui/StatusWindow.h"
#include "restore/ui/CleanUpDialog.h"
#include "tasks/BackupLog.h"
#include "tasks/ui/Anzeige.h"
#include "tasks/ui/MailDlg.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>

// Pictures for people to look at; tests/ui/screenshots.sh runs these under Xvfb.
// Skipped unless TESSARO_SCREENSHOT_DIR names the folder for the pictures.

namespace {

QString PictureFolder()
{
    const char* dir = std::getenv("TESSARO_SCREENSHOT_DIR");
    if (!dir || !*dir) {
        return {};
    }
    const QString folder = QString::fromLocal8Bit(dir);
    QDir().mkpath(folder);
    return folder;
}

void SettleWindows()
{
    for (int pass = 0; pass < 20; ++pass) {
        QCoreApplication::processEvents();
    }
}

} // namespace

TEST(Screenshots, StatusWindowDuringAScan)
{
    const QString folder = PictureFolder();
    if (folder.isEmpty()) {
        GTEST_SKIP() << "TESSARO_SCREENSHOT_DIR not set";
    }
    TStatusWindow window;
    window.Open(40, 40, "Scanning directories", 5, true, "");
    window.ShowStatus("C:\\home\\anna\\Documents\\Reports\\2026\\Quarterly\\Drafts\\March");
    window.ShowProgress("2 917 files (1.4 GB)");
    for (int i = 0; i < 9; ++i) {
        window.BarProgress->StepIt();
    }
    SettleWindows();
    EXPECT_TRUE(window.grab().save(folder + "/status-window.png"));
    window.Close();
}

TEST(Screenshots, ProgressWindowDuringARun)
{
    const QString folder = PictureFolder();
    if (folder.isEmpty()) {
        GTEST_SKIP() << "TESSARO_SCREENSHOT_DIR not set";
    }
    TZeigFortschritt window;
    window.SetVersion("Tessaro 0.1.0");
    window.Start(nullptr, "Tessaro - Documents", "E:\\Backup\\LwC\\home\\anna\\", 0);
    window.ShowFile(ItemFile, "", "C:\\home\\anna\\Documents\\Reports\\2026\\annual-report-final.odt");
    window.SetStatusText("1 234 of 2 917 files");
    std::thread worker([&] {
        window.SetAction(2);
        window.SetFileProgress(63);
        window.SetTotalProgress(42);
    });
    worker.join();
    window.move(40, 40);
    window.RefreshFromWorker();
    SettleWindows();
    EXPECT_TRUE(window.grab().save(folder + "/progress-window.png"));
    // The whole screen as the X server shows it, when ImageMagick is there.
    if (!QStandardPaths::findExecutable("import").isEmpty()) {
        EXPECT_EQ(QProcess::execute("import", {"-window", "root", folder + "/progress-screen.png"}), 0);
    }
    window.Finish(FinishOk, "", "", 0, -1);
}

TEST(Screenshots, MailSettingsDialog)
{
    const QString folder = PictureFolder();
    if (folder.isEmpty()) {
        GTEST_SKIP() << "TESSARO_SCREENSHOT_DIR not set";
    }
    TMailDialog dialog;
    TMailData mail;
    mail.Server = "mail.example.org";
    mail.Port = 587;
    mail.Username = "anna";
    mail.Password = "secret";
    mail.Sender = "Backup at home";
    mail.ReplyTo = "anna@example.org";
    mail.Recipients = "anna@example.org,\"Bob Brown <bob@example.org>\"";
    mail.AttachLog = true;
    dialog.ShowData("Documents", mail);
    dialog.move(40, 40);
    dialog.show();
    SettleWindows();
    EXPECT_TRUE(dialog.grab().save(folder + "/mail-dialog.png"));
}

TEST(Screenshots, CleanUpDialog)
{
    const QString folder = PictureFolder();
    if (folder.isEmpty()) {
        GTEST_SKIP() << "TESSARO_SCREENSHOT_DIR not set";
    }
    for (const char* lang : {"en", "de"}) {
        SetTranslationLanguage(lang);
        TBackupLog log;
        NullProgressView view;
        NullStatusView status;
        TCleanUp logic(log, view, status);
        logic.FolderHistory = {"E:\\Backup\\Daily", "E:\\Backup\\Weekly"};
        logic.Settings.AgeMode = CleanUpAgeOlderThan;
        logic.Settings.Types = CleanUpTypesOnly;
        logic.Settings.TypeList = "TMP,BAK,LOG";
        logic.Settings.FilterMode = 2;
        logic.Settings.Filter = "*important*";
        logic.Settings.Sync = CleanUpSyncFolder;
        logic.Settings.SyncDir = "C:\\home\\anna\\Documents";
        TCleanUpDialog dialog(logic);
        dialog.Prepare("E:\\Backup\\Daily", false, 1);
        dialog.move(40, 40);
        dialog.show();
        SettleWindows();
        EXPECT_TRUE(dialog.grab().save(folder + "/cleanup-dialog-" + lang + ".png"));
    }
    SetTranslationLanguage("en");
}
