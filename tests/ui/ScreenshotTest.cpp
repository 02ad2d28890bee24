#include "TempFolder.h"
#include "foundation/ui/ProgressControls.h"
#include "foundation/ui/StatusWindow.h"
#include "tasks/TaskFile.h"
#include "tasks/ui/Anzeige.h"
#include "tasks/ui/BackupForm.h"
#include "tasks/ui/MailDlg.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>
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

TEST(Screenshots, TaskEditorWithALoadedTask)
{
    const QString folder = PictureFolder();
    if (folder.isEmpty()) {
        GTEST_SKIP() << "TESSARO_SCREENSHOT_DIR not set";
    }
    TTempFolder home;
    for (const char* dir : {"Documents/Reports/2026", "Documents/Letters", "Pictures/Holiday", "Backup"}) {
        std::filesystem::create_directories(home.Host(dir));
    }
    home.WriteHostFile("Documents/Reports/2026/annual.odt", std::string(180000, 'r'));
    home.WriteHostFile("Documents/Letters/bank.pdf", std::string(42000, 'l'));
    home.WriteHostFile("Documents/notes.txt", "notes");
    home.WriteHostFile("Pictures/Holiday/beach.jpg", std::string(2400000, 'j'));
    TBackupForm form;
    form.Editor.FileVersion = "1.0";
    form.ReadSettings(home.Win("tessaro.ini"));
    TBackupTask& task = form.Editor.Task;
    task.Destination = home.Win("Backup");
    task.Note = "Documents and pictures";
    for (const char* dir : {"Documents", "Pictures"}) {
        TExtensionList entry;
        entry.SourceDir = entry.ExpandedDir = home.Win(dir) + "\\";
        entry.NeedsScan = true;
        task.Sources.push_back(entry);
    }
    task.Sources[0].SubDirs.Add(home.Win("Documents/Letters") + "\\");
    ASSERT_TRUE(WriteTaskFile(task, home.Win("Daily.buj"), -1, -1, form.Editor.TaskEnv));
    form.Editor.Settings.LastFile = home.Win("Daily.buj");
    form.FormShow();
    form.move(20, 20);
    form.show();
    form.BUPageControl->setCurrentIndex(0);
    SettleWindows();
    EXPECT_TRUE(form.grab().save(folder + "/task-editor.png"));
    form.BUPageControl->setCurrentIndex(1);
    form.DirTreeView->expandAll();
    SettleWindows();
    EXPECT_TRUE(form.grab().save(folder + "/task-editor-subfolders.png"));
    form.BUPageControl->setCurrentIndex(2);
    SettleWindows();
    EXPECT_TRUE(form.grab().save(folder + "/task-editor-options.png"));
    form.Editor.Task.Modified = false;
    form.hide();
}
