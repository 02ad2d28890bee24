#include "TempFolder.h"
#include "foundation/StatusView.h"
#include "foundation/StringUtils.h"
#include "foundation/Translate.h"
#include "shell/StartUp.h"
#include "tasks/BackupLog.h"
#include "tasks/BackupSelection.h"
#include "tasks/TaskFile.h"
#include "ui/Pictures.h"
#include "ui/foundation/ProgressControls.h"
#include "ui/foundation/StatusWindow.h"
#include "ui/restore/CleanUpDialog.h"
#include "ui/tasks/AddPrograms.h"
#include "ui/tasks/Anzeige.h"
#include "ui/tasks/AutoTaskSheet.h"
#include "ui/tasks/BackupForm.h"
#include "ui/tasks/BuFtpDlg.h"
#include "ui/tasks/DatumWahl.h"
#include "ui/tasks/FilePreview.h"
#include "ui/tasks/FilterDlg.h"
#include "ui/tasks/FtpDirDlg.h"
#include "ui/tasks/FtpProxyDlg.h"
#include "ui/tasks/LogDlg.h"
#include "ui/tasks/MailDlg.h"
#include "ui/tasks/PhDlg.h"
#include "ui/tasks/ScheduleDlg.h"
#include "ui/tasks/StartDlg.h"
#include "ui/tasks/SuffixDlg.h"
#include "ui/tasks/TaskOptionsBox.h"
#include "ui/tasks/TimeCompareDlg.h"
#include "ui/tasks/TypeListBox.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QTabWidget>
#include <QTreeWidget>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

// Every window and dialog, shown as a person sees it: each picture's layout is checked
// (ui/LayoutCheck.h) in every run, in the run's language and scale; tests/ui/screenshots.sh
// also saves the pictures, under Xvfb with a window manager.

TEST(Screenshots, StatusWindowDuringAScan)
{
    TStatusWindow window;
    window.Open(40, 40, "Scanning directories", 5, true, "");
    window.ShowStatus("C:\\home\\anna\\Documents\\Reports\\2026\\Quarterly\\Drafts\\March");
    window.ShowProgress("2 917 files (1.4 GB)");
    for (int i = 0; i < 9; ++i) {
        window.BarProgress->StepIt();
    }
    CheckPicture(window, "status-window");
    window.Close();
}

TEST(Screenshots, ProgressWindowDuringARun)
{
    TZeigFortschritt window;
    window.SetVersion(ThisProgramInfo().VersionText);
    window.Start(nullptr, "Tessaro - Documents", "C:\\media\\anna\\BACKUP\\LwC\\home\\anna\\", 0);
    window.ShowFile(ItemFile, "", "C:\\home\\anna\\Documents\\Reports\\2026\\annual-report-final.odt");
    // The text a run shows once it has copied its files.
    window.SetStatusText(ReplaceText(TrDefault("%u files copied"), "%u", "1234"));
    std::thread worker([&] {
        window.SetAction(2);
        window.SetFileProgress(63);
        window.SetTotalProgress(42);
    });
    worker.join();
    window.move(40, 40);
    window.RefreshFromWorker();
    CheckPicture(window, "progress-window");
    ScreenPicture("progress-screen");
    window.Finish(FinishOk, "", "", 0, -1);
}

TEST(Screenshots, MailSettingsDialog)
{
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
    CheckPicture(dialog, "mail-dialog");
}

TEST(Screenshots, TaskEditorWithALoadedTask)
{
    TTempFolder home;
    for (const char* dir : {"Documents/Reports/2026", "Documents/Letters", "Pictures/Holiday", "Backup"}) {
        std::filesystem::create_directories(home.Host(dir));
    }
    home.WriteHostFile("Documents/Reports/2026/annual.odt", std::string(180000, 'r'));
    home.WriteHostFile("Documents/Letters/bank.pdf", std::string(42000, 'l'));
    home.WriteHostFile("Documents/notes.txt", "notes");
    home.WriteHostFile("Pictures/Holiday/beach.jpg", std::string(2400000, 'j'));
    TBackupForm form;
    const TProgramInfo info = ThisProgramInfo();
    form.Editor.ProductText = info.ProductText;
    form.Editor.FileVersion = info.Version.FileVersion;
    form.ReadSettings(home.Win("tessaro.ini"));
    TBackupTask& task = form.Editor.Task;
    task.Destination = home.Win("Backup");
    task.Note = "Documents and pictures";
    task.LastBackup = DateTimeText(EncodeDateTime(2026, 12, 9, 22, 15, 3));
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
    form.DirTreeView->expandAll();
    CheckEveryPage(form, *form.BUPageControl, "task-editor");
    CheckEveryPage(form, *form.pcDest, "task-editor-destination");
    form.PageControl->setCurrentWidget(form.TabSheet2);
    CheckPicture(form, "task-editor-type-lists");
    form.PageControl->setCurrentWidget(form.tsAuto);
    CheckPicture(form, "task-editor-auto-tasks");

    // The menus over the window: Extras with Update, the log items, the folder tree's own.
    form.PageControl->setCurrentWidget(form.tsDirs);
    QMenu* log = form.findChild<QMenu*>("LogMenu");
    QMenu tree;
    tree.addActions(form.ShellTreeView->actions());
    const std::pair<QMenu*, const char*> menus[] = {
        {form.ExtrasMenu, "task-editor-extras-menu"}, {log, "task-editor-log-menu"}, {&tree, "task-editor-tree-menu"}};
    for (const auto& [menu, name] : menus) {
        ASSERT_NE(menu, nullptr);
        menu->popup(form.mapToGlobal(QPoint(60, 60)));
        ScreenPicture(name);
        menu->hide();
    }
    form.Editor.Task.Modified = false;
    form.hide();
}

TEST(Screenshots, CleanUpDialog)
{
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
    CheckEveryPage(dialog, *dialog.pcBuDir, "cleanup-dialog");
}

TEST(Screenshots, TaskDialogs)
{
    TPlaceHolderDialog placeholders;
    placeholders.ShowPage(0);
    ShowPicture(placeholders, "placeholder-date");
    placeholders.ShowPage(1);
    ShowPicture(placeholders, "placeholder-path");

    TFtpDialog ftp;
    TFtpParams params;
    params.Host = "ftp.example.org";
    params.Username = "anna";
    params.Password = "secret";
    params.SubDir = "/backup/%date%";
    params.Proxy = {"proxy.lan", "anna", "", 2121, 1};
    ftp.ShowParams(params, true, true);
    ShowPicture(ftp, "ftp-dialog");

    TFtpProxyDialog proxy;
    proxy.ShowProxy(params.Proxy, true);
    ShowPicture(proxy, "ftp-proxy-dialog");

    TFtpDirDialog dirs;
    TFtpTree tree;
    tree.Nodes = {{"daily", {{"mon", {}}, {"tue", {}}}}, {"weekly", {{"2026", {}}}}, {"archive", {}}};
    dirs.ShowTree("ftp://ftp.example.org:21/backup", tree);
    ShowPicture(dirs, "ftp-folder-dialog");

    TScheduleDialog schedule;
    TSchedule block;
    block.StepMode = StepDaily;
    block.Cycles = 14;
    block.ActCycle = 3;
    block.SchedMode = 1;
    schedule.ShowSchedule(block, EncodeDate(2026, 12, 9));
    ShowPicture(schedule, "schedule-dialog");

    TFilterDialog filter;
    TTextFilter mask;
    mask.Mode = TTextFilter::ModeExclude;
    mask.SetMask("*.tmp|*.bak|~*");
    filter.Filter->ShowFilter(mask);
    ShowPicture(filter, "filter-dialog");

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
    ShowPicture(selection, "selection-filter-dialog");

    const std::vector<TPreviewLine> lines = {{"*..\\", 2},
                                             {" report.odt|09.12.2026 10:14|1.20 MB", 0},
                                             {" notes.txt|08.12.2026 18:02|4.00 kB", 0},
                                             {"*..\\photos", 1},
                                             {" garden.jpg|01.06.2026 09:30|3.10 MB", 0}};
    TShowFilePreview preview;
    preview.ShowList("Preview of backup selection", "C:\\home\\anna\\Documents\\", lines, "3 files with 4.30 MB");
    ShowPicture(preview, "preview-dialog");

    TAddProgramsDialog programs;
    programs.ShowCommands("\"C:\\usr\\local\\bin\\mount-backup\" --wait", 0x2000, "", 0x200A);
    ShowPicture(programs, "programs-dialog");

    const std::string note = (QDir::tempPath() + "/tessaro-start-note.buj").toStdString();
    std::ofstream(note) << "[Global]\nNote=Plug in the #blue# disk first.\n";
    TStartDialog start;
    start.ShowTask(ThisProgramInfo().WindowTitle, note);
    ShowPicture(start, "start-note");
    std::remove(note.c_str());

    TTimeCompareDialog time;
    ShowPicture(time, "time-compare-dialog");

    TSuffixDialog suffix;
    suffix.ShowSuffix("bak-%bdate%-#3");
    ShowPicture(suffix, "suffix-dialog");

    TLogDialog log;
    log.ShowSetting(2 | 16);
    ShowPicture(log, "log-dialog");
}

TEST(Screenshots, EditorPages)
{
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
    ShowPicture(sheet, "auto-task-page");

    TBackupTask task;
    task.Encrypt = true;
    task.PreCommand = "mount-backup";
    task.PreWait = 0x2000;
    task.SendMail = true;
    settings.Protocol = 2 | 16;
    TTaskOptionsBox options(task, settings);
    options.ShowTask();
    ShowPicture(options, "extras-page");

    settings.TypeLists.Add("Documents", TExtensionList());
    settings.TypeLists[0].List.Mode = TypeModeInclude;
    settings.TypeLists[0].List.IncludeList.SetTypes({"doc", "odt", "pdf", "txt"});
    TTypeListBox types(settings.TypeLists, {});
    types.Editor.Current = 0;
    types.Reload();
    ShowPicture(types, "type-lists");
}
