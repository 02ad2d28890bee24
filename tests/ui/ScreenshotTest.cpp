#include "TempFolder.h"
#include "foundation/StatusView.h"
#include "foundation/Translate.h"
#include "foundation/ui/ProgressControls.h"
#include "foundation/ui/StatusWindow.h"
#include "restore/ui/CleanUpDialog.h"
#include "tasks/BackupLog.h"
#include "tasks/TaskFile.h"
#include "tasks/ui/AddPrograms.h"
#include "tasks/ui/Anzeige.h"
#include "tasks/ui/AutoTaskSheet.h"
#include "tasks/ui/BackupForm.h"
#include "tasks/ui/BuFtpDlg.h"
#include "tasks/ui/DatumWahl.h"
#include "tasks/ui/FilePreview.h"
#include "tasks/ui/FilterDlg.h"
#include "tasks/ui/FtpDirDlg.h"
#include "tasks/ui/FtpProxyDlg.h"
#include "tasks/ui/LogDlg.h"
#include "tasks/ui/MailDlg.h"
#include "tasks/ui/PhDlg.h"
#include "tasks/ui/ScheduleDlg.h"
#include "tasks/ui/StartDlg.h"
#include "tasks/ui/SuffixDlg.h"
#include "tasks/ui/TaskOptionsBox.h"
#include "tasks/ui/TimeCompareDlg.h"
#include "tasks/ui/TypeListBox.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTreeWidget>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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
    form.PageControl->setCurrentWidget(form.TabSheet2);
    SettleWindows();
    EXPECT_TRUE(form.grab().save(folder + "/task-editor-type-lists.png"));
    form.PageControl->setCurrentWidget(form.tsAuto);
    SettleWindows();
    EXPECT_TRUE(form.grab().save(folder + "/task-editor-auto-tasks.png"));
    form.Editor.Task.Modified = false;
    form.hide();
}

TEST(Screenshots, CleanUpDialog)
{
    const QString folder = PictureFolder();
    if (folder.isEmpty()) {
        GTEST_SKIP() << "TESSARO_SCREENSHOT_DIR not set";
    }
    const char* chosen = std::getenv("LANGUAGE");
    const std::string pictureLanguage = chosen && *chosen ? chosen : "en";
    for (const char* lang : {"en", "de"}) {
        SetTranslationLanguage(lang);
        TBackupLog log;
        NullProgressView view;
        NullStatusView status;
        TCleanUp logic(log, view, status);
        logic.FolderHistory = {"C:\\media\\anna\\BACKUP\\Daily", "C:\\media\\anna\\BACKUP\\Weekly"};
        logic.Settings.AgeMode = CleanUpAgeOlderThan;
        logic.Settings.Types = CleanUpTypesOnly;
        logic.Settings.TypeList = "TMP,BAK,LOG";
        logic.Settings.FilterMode = 2;
        logic.Settings.Filter = "*important*";
        logic.Settings.Sync = CleanUpSyncFolder;
        logic.Settings.SyncDir = "C:\\home\\anna\\Documents";
        TCleanUpDialog dialog(logic);
        dialog.Prepare("C:\\media\\anna\\BACKUP\\Daily", false, 1);
        dialog.move(40, 40);
        dialog.show();
        SettleWindows();
        EXPECT_TRUE(dialog.grab().save(folder + "/cleanup-dialog-" + lang + ".png"));
    }
    SetTranslationLanguage(pictureLanguage);
}

namespace {

// Shows the window at (40, 40) and saves its picture under the name.
void Picture(QWidget& window, const char* name)
{
    const QString folder = PictureFolder();
    window.move(40, 40);
    window.show();
    SettleWindows();
    EXPECT_TRUE(window.grab().save(folder + "/" + name + ".png"));
    window.hide();
}

} // namespace

TEST(Screenshots, TaskDialogs)
{
    if (PictureFolder().isEmpty()) {
        GTEST_SKIP() << "TESSARO_SCREENSHOT_DIR not set";
    }
    TPlaceHolderDialog placeholders;
    placeholders.ShowPage(0);
    Picture(placeholders, "placeholder-date");
    placeholders.ShowPage(1);
    Picture(placeholders, "placeholder-path");

    TFtpDialog ftp;
    TFtpParams params;
    params.Host = "ftp.example.org";
    params.Username = "anna";
    params.Password = "secret";
    params.SubDir = "/backup/%date%";
    params.Proxy = {"proxy.lan", "anna", "", 2121, 1};
    ftp.ShowParams(params, true, true);
    Picture(ftp, "ftp-dialog");

    TFtpProxyDialog proxy;
    proxy.ShowProxy(params.Proxy, true);
    Picture(proxy, "ftp-proxy-dialog");

    TFtpDirDialog dirs;
    TFtpTree tree;
    tree.Nodes = {{"daily", {{"mon", {}}, {"tue", {}}}}, {"weekly", {{"2026", {}}}}, {"archive", {}}};
    dirs.ShowTree("ftp://ftp.example.org:21/backup", tree);
    Picture(dirs, "ftp-folder-dialog");

    TScheduleDialog schedule;
    TSchedule block;
    block.StepMode = StepDaily;
    block.Cycles = 14;
    block.ActCycle = 3;
    block.SchedMode = 1;
    schedule.ShowSchedule(block, EncodeDate(2026, 12, 9));
    Picture(schedule, "schedule-dialog");

    TFilterDialog filter;
    TTextFilter mask;
    mask.Mode = TTextFilter::ModeExclude;
    mask.SetMask("*.tmp|*.bak|~*");
    filter.Filter->ShowFilter(mask);
    Picture(filter, "filter-dialog");

    TDatumWahlDialog selection;
    TExtensionList entry;
    entry.SizeMode = SizeModeBetween;
    entry.MinSize = 10240;
    entry.MaxSize = 2097152;
    entry.DateFilter.TimeMode = TimeModeBetween;
    entry.DateFilter.DateFrom = EncodeDate(2026, 1, 1);
    entry.DateFilter.DateTo = EncodeDate(2026, 12, 9);
    entry.AttrHidden = AttrExcluded;
    selection.ShowEntry(entry);
    Picture(selection, "selection-filter-dialog");

    const std::vector<TPreviewLine> lines = {{"*..\\", 2},
                                             {" report.odt|09.12.2026 10:14|1.20 MB", 0},
                                             {" notes.txt|08.12.2026 18:02|4.00 kB", 0},
                                             {"*..\\photos", 1},
                                             {" garden.jpg|01.06.2026 09:30|3.10 MB", 0}};
    TShowFilePreview preview;
    preview.ShowList("Preview of backup selection", "C:\\home\\anna\\Documents\\", lines, "3 files with 4.30 MB");
    Picture(preview, "preview-dialog");

    TAddProgramsDialog programs;
    programs.ShowCommands("\"C:\\usr\\local\\bin\\mount-backup\" --wait", 0x2000, "", 0x200A);
    Picture(programs, "programs-dialog");

    const std::string note = (QDir::tempPath() + "/tessaro-start-note.buj").toStdString();
    std::ofstream(note) << "[Global]\nNote=Plug in the #blue# disk first.\n";
    TStartDialog start;
    start.ShowTask("Tessaro (Vers. 0.1.0)", note);
    Picture(start, "start-note");
    std::remove(note.c_str());

    TTimeCompareDialog time;
    Picture(time, "time-compare-dialog");

    TSuffixDialog suffix;
    suffix.ShowSuffix("bak-%bdate%-#3");
    Picture(suffix, "suffix-dialog");

    TLogDialog log;
    log.ShowSetting(2 | 16);
    Picture(log, "log-dialog");
}

TEST(Screenshots, EditorPages)
{
    if (PictureFolder().isEmpty()) {
        GTEST_SKIP() << "TESSARO_SCREENSHOT_DIR not set";
    }
    TProgramSettings settings;
    settings.AutoTasks[0] = TAutoTask("C:\\home\\anna\\Tasks\\Documents.buj");
    settings.AutoTasks[0].Mode = AutoDailyAt;
    settings.AutoTasks[0].NextBackup = EncodeDateTime(2026, 12, 9, 18, 30, 0);
    settings.AutoTasks[0].LastRun = EncodeDateTime(2026, 12, 8, 18, 30, 0);
    settings.AutoTasks[0].StepMode = StepDaily;
    settings.AutoTasks[0].Cycles = 7;
    settings.AutoFlags = ComputeAutoFlags(settings.AutoTasks);
    TAutoTaskSheet sheet(settings);
    sheet.ShowAutoTask(0);
    sheet.resize(300, 560);
    Picture(sheet, "auto-task-page");

    TBackupTask task;
    task.Encrypt = true;
    task.PreCommand = "mount-backup";
    task.PreWait = 0x2000;
    task.SendMail = true;
    settings.Protocol = 2 | 16;
    TTaskOptionsBox options(task, settings);
    options.ShowTask();
    Picture(options, "extras-page");

    settings.TypeLists.Add("Documents", TExtensionList());
    settings.TypeLists[0].List.Mode = TypeModeInclude;
    settings.TypeLists[0].List.IncludeList.SetTypes({"doc", "odt", "pdf", "txt"});
    TTypeListBox types(settings.TypeLists, {});
    types.Editor.Current = 0;
    types.Reload();
    Picture(types, "type-lists");
}
