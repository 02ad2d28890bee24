#include "NextModal.h"
#include "TempFolder.h"
#include "foundation/HtmlHelp.h"
#include "foundation/PathUtils.h"
#include "foundation/ScriptedMessageDialogs.h"
#include "shell/Language.h"
#include "tasks/TaskEditorSources.h"
#include "ui/foundation/CommonDialogs.h"
#include "ui/foundation/GlyphIcon.h"
#include "ui/foundation/HistoryCombo.h"
#include "ui/foundation/SelectFromListDialog.h"
#include "ui/foundation/ShowtextDialog.h"
#include "ui/restore/RestoreDlg.h"
#include "ui/tasks/AutoTaskSheet.h"
#include "ui/tasks/BackupForm.h"
#include "ui/tasks/DatumWahl.h"
#include "ui/tasks/FilePreview.h"
#include "ui/tasks/FilterDlg.h"
#include "ui/tasks/LogDlg.h"
#include "ui/tasks/PhDlg.h"
#include "ui/tasks/SuffixDlg.h"
#include "ui/tasks/TypeListBox.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>

// The task dialogs as the editor window opens them.

namespace {

struct TEditorWithSource
{
    TTempFolder folder;
    TScriptedMessageDialogs boxes;
    TBackupForm form;

    TEditorWithSource()
    {
        std::filesystem::create_directories(folder.Host("src/sub"));
        std::ofstream(folder.Host("src/a.doc")) << "aaaa";
        std::ofstream(folder.Host("src/b.txt")) << "bb";
        std::ofstream(folder.Host("src/sub/c.txt")) << "ccc";
        form.Editor.FileVersion = "1.0";
        form.ReadSettings(folder.Win("settings.ini"));
        form.Editor.Settings.FileName = folder.Win("settings.ini");
        form.FormShow();
        EXPECT_TRUE(form.AddSourceDir(folder.Win("src") + "\\"));
        form.SelectedDirBox->setCurrentRow(0);
        form.Editor.Task.Modified = false;
    }
    TExtensionList& Entry() { return form.Editor.Task.Sources.at(0); }
};

} // namespace

TEST(BackupFormDialogs, FilterButtonEditsTheSelectedEntry)
{
    TEditorWithSource editor;
    WithNextModal([](QDialog& dialog) {
        auto& filter = static_cast<TDatumWahlDialog&>(dialog);
        filter.Filter->ExcMaskBtn->setChecked(true);
        filter.Filter->cbxFilter->SetText("b*");
        filter.rbSzSmaller->setChecked(true);
        filter.edMax->setText("4 B");
        dialog.accept();
    });
    editor.form.FilterBtnClick();
    EXPECT_EQ(editor.Entry().NameFilter.Mode, TTextFilter::ModeExclude);
    EXPECT_EQ(editor.Entry().NameFilter.GetMask(), "b*");
    EXPECT_EQ(editor.Entry().MaxSize, 4);
    EXPECT_TRUE(editor.form.Editor.Task.Modified);

    // The preview shows what that selection takes: only c.txt is below 4 B and not "b*".
    int rows = -1;
    std::vector<std::string> texts;
    WithNextModal([&](QDialog& dialog) {
        auto& preview = static_cast<TShowFilePreview&>(dialog);
        rows = preview.RowCount();
        if (rows > 0) {
            texts = preview.RowTexts(rows - 1);
        }
        dialog.accept();
    });
    editor.form.PreviewBtnClick(false);
    EXPECT_EQ(rows, 2);
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts[0], "c.txt");
}

TEST(BackupFormDialogs, ExtensionFilterAndSuffix)
{
    TEditorWithSource editor;
    WithNextModal([](QDialog& dialog) {
        auto& filter = static_cast<TFilterDialog&>(dialog);
        EXPECT_EQ(dialog.windowTitle().toStdString(), "Filter for file extension");
        filter.Filter->IncMaskBtn->setChecked(true);
        filter.Filter->cbxFilter->SetText("doc|txt");
        dialog.accept();
    });
    editor.form.ExtFilterBtnClick();
    EXPECT_EQ(editor.Entry().ExtFilter.Mode, TTextFilter::ModeInclude);
    EXPECT_EQ(editor.Entry().ExtFilter.GetMask(), "doc|txt");

    editor.form.Editor.Task.BakSuffix = "old-#2";
    WithNextModal([](QDialog& dialog) {
        static_cast<TSuffixDialog&>(dialog).spMaxCounter->setValue(4);
        dialog.accept();
    });
    editor.form.btnBakNameClick();
    EXPECT_EQ(editor.form.Editor.Task.BakSuffix, "old-#4");
}

TEST(BackupFormDialogs, ZipPlaceholderGoesToTheCaret)
{
    TEditorWithSource editor;
    editor.form.ZipNameEdit->setText("Backup-.zip");
    editor.form.ZipNameEdit->setCursorPosition(7);
    WithNextModal([](QDialog& dialog) {
        static_cast<TPlaceHolderDialog&>(dialog).Choose(7);
        dialog.accept();
    });
    editor.form.PhZipBtnClick();
    EXPECT_EQ(editor.form.Editor.Task.ZipName, "Backup-%year%.zip");
    EXPECT_TRUE(editor.form.Editor.Task.Modified);
}

TEST(BackupFormDialogs, TypeListsAndSlotsLiveOnTheirPages)
{
    TEditorWithSource editor;
    TTypeListBox& types = *editor.form.TypeListBox;
    types.Host.AskName = [](std::string& name) {
        name = "Documents";
        return true;
    };
    editor.Entry().Mode = TypeModeInclude;
    editor.Entry().IncludeList.SetTypes({"doc"});
    types.NeuFilterBtnClick();
    ASSERT_EQ(editor.form.Editor.Settings.TypeLists.Count(), 1);
    EXPECT_EQ(types.TypenListe->count(), 1);
    EXPECT_EQ(types.FilterTyp->text().toStdString(), "only these file types");

    // A saved task can go into a slot from the page.
    ASSERT_TRUE(editor.form.Editor.SaveTaskAs(editor.folder.Win("Docs.buj")));
    TAutoTaskSheet& sheet = *editor.form.AutoTaskSheet;
    sheet.AddActTaskClick();
    EXPECT_EQ(editor.form.Editor.Settings.AutoTasks[0].Name, editor.folder.Win("Docs.buj"));
    sheet.AutoStartRG->button(AutoEveryLogon)->click();
    EXPECT_TRUE(editor.form.AutoFlags().AutoStartNeeded);
    EXPECT_NE(editor.form.AutoTaskInfoText().find("Docs"), std::string::npos);
}

TEST(BackupFormDialogs, ProgramOptionMenus)
{
    TEditorWithSource editor;
    TBackupForm& form = editor.form;
    const auto item = [&form](const char* name) {
        QAction* action = form.findChild<QAction*>(name);
        EXPECT_NE(action, nullptr) << name;
        return action;
    };
    item("FileLower")->trigger();
    EXPECT_EQ(form.Editor.Settings.FilenameCase, 1);
    item("ReplChars")->trigger();
    EXPECT_TRUE(form.Editor.Settings.ReplaceChars);
    item("RestartItem")->trigger();
    EXPECT_EQ(form.Editor.Settings.Shutdown, 4);

    WithNextModal([](QDialog& dialog) {
        static_cast<TSuffixDialog&>(dialog).edtSuffix->setText("prev");
        dialog.accept();
    });
    item("BackupSuffix")->trigger();
    EXPECT_EQ(form.Editor.Settings.BackupSuffix, "prev");
    EXPECT_EQ(form.Editor.TaskEnv.BackupSuffix, "prev");

    form.Editor.Log.LogPath = editor.folder.Win("none.log");
    item("ProtDelItem")->trigger();
    EXPECT_EQ(editor.boxes.LastText(), "No log file found");
    std::ofstream(editor.folder.Host("none.log")) << "old runs";
    editor.boxes.QueueAnswer(MrYes);
    item("ProtDelItem")->trigger();
    EXPECT_FALSE(std::filesystem::exists(editor.folder.Host("none.log")));

    form.FolderDialogAnswer = [&](const std::string& caption) {
        EXPECT_EQ(caption, "Select folder for backup tasks");
        return editor.folder.Win("tasks\\new");
    };
    item("JobDirItem")->trigger();
    EXPECT_TRUE(std::filesystem::is_directory(editor.folder.Host("tasks/new")));
    EXPECT_EQ(form.Editor.Settings.JobDir, editor.folder.Win("tasks\\new") + "\\");

    form.FolderDialogAnswer = [&](const std::string&) { return editor.folder.Win("logs"); };
    item("ProtOtherItem")->trigger();
    EXPECT_EQ(form.Editor.Log.LogPath.rfind(editor.folder.Win("logs") + "\\", 0), 0u) << form.Editor.Log.LogPath;
    EXPECT_TRUE(item("ProtOtherItem")->isChecked());
    item("AppDataItem")->trigger();
    EXPECT_TRUE(item("AppDataItem")->isChecked());
    EXPECT_FALSE(item("ProtOtherItem")->isChecked());

    // Restore and clean-up open from the Extras menu as from their buttons (the restore
    // window is the program's one, so it is not opened here).
    int cleanUps = 0;
    form.CleanUpWindowHook = [&cleanUps](int) { ++cleanUps; };
    item("DeletFiles")->trigger();
    EXPECT_EQ(cleanUps, 1);
    EXPECT_EQ(item("RestoreFiles")->text(), "&Restore files");
    EXPECT_TRUE(form.ExtrasMenu->actions().contains(item("RestoreFiles")));
}

TEST(BackupFormDialogs, LogViewerAndTypeLists)
{
    TEditorWithSource editor;
    TBackupForm& form = editor.form;
    int viewed = 0;
    form.ShowLogHook = [&] { ++viewed; };
    form.Editor.Settings.Protocol = 0;
    form.Editor.Log.LogPath = editor.folder.Win("run.log");
    std::ofstream(editor.folder.Host("run.log")) << "a run";
    // Logging off: "No" keeps it off and the log is still shown.
    editor.boxes.QueueAnswer(MrNo);
    form.ShowLogFile();
    EXPECT_EQ(form.Editor.Settings.Protocol, 0u);
    EXPECT_EQ(viewed, 1);
    // "Yes" opens the log settings as they are in force: logging off.
    editor.boxes.QueueAnswer(MrYes);
    int shownMode = -1;
    WithNextModal([&shownMode](QDialog& dialog) {
        shownMode = static_cast<TLogDialog&>(dialog).rgMode->checkedId();
        dialog.reject();
    });
    form.ShowLogFile();
    EXPECT_EQ(shownMode, 0);
    EXPECT_EQ(form.Editor.Settings.Protocol, 0u);
    std::filesystem::remove(editor.folder.Host("run.log"));
    form.Editor.Settings.Protocol = 2;
    form.ShowLogFile();
    EXPECT_EQ(viewed, 2);
    EXPECT_EQ(editor.boxes.LastText(), "No log file found");

    WithNextModal([](QDialog& dialog) {
        QListWidget* list = static_cast<TSelectFromListDialog&>(dialog).StringList();
        list->clear();
        list->addItems({" .iso, zip ", "", "7z"});
        dialog.accept();
    });
    form.TypBtn->setEnabled(true);
    form.TypBtn->click();
    EXPECT_EQ(form.Editor.Task.NoCompTypes, (std::vector<std::string>{"iso", "zip", "7z"}));
    EXPECT_EQ(form.NoCompList->text().toStdString(), "iso,zip,7z");
}

TEST(BackupFormDialogs, ExcludedFilesPreviewFromTheExtrasMenu)
{
    TEditorWithSource editor;
    editor.Entry().Mode = TypeModeInclude;
    editor.Entry().IncludeList.SetTypes({"txt"});
    std::string caption;
    std::vector<std::string> names;
    WithNextModal([&](QDialog& dialog) {
        auto& preview = static_cast<TShowFilePreview&>(dialog);
        caption = dialog.windowTitle().toStdString();
        for (int row = 0; row < preview.RowCount(); ++row) {
            names.push_back(preview.RowTexts(row)[0]);
        }
        dialog.accept();
    });
    QAction* item = editor.form.findChild<QAction*>("itmExludepreview");
    ASSERT_NE(item, nullptr);
    item->trigger();
    EXPECT_EQ(caption, "Preview of excluded files");
    EXPECT_NE(std::find(names.begin(), names.end(), "a.doc"), names.end());
    EXPECT_EQ(std::find(names.begin(), names.end(), "b.txt"), names.end());
}

// The folder masks are a list edited in the list dialog; the entry keeps only the masks
// that are still in it.
TEST(BackupFormDialogs, FolderMasksAreEditedAsAList)
{
    TEditorWithSource editor;
    TBackupForm& form = editor.form;
    form.Editor.Task.DirMasks = {"sub", "tmp*"};
    editor.Entry().DirFilters = {"sub"};
    ApplyDirMasks(editor.Entry());
    form.ShowEntry(false);
    ASSERT_EQ(form.VerzFilterList->count(), 2);
    form.VerzFilterList->setCurrentRow(1);
    std::string preselected;
    WithNextModal([&](QDialog& dialog) {
        QListWidget* list = static_cast<TSelectFromListDialog&>(dialog).StringList();
        if (list->currentItem()) {
            preselected = list->currentItem()->text().toStdString();
        }
        list->clear();
        list->addItems({"tmp*", "  ", "!#^cache$"});
        dialog.accept();
    });
    form.VerzFilterBtn->click();
    EXPECT_EQ(preselected, "tmp*");
    EXPECT_EQ(form.Editor.Task.DirMasks, (std::vector<std::string>{"tmp*", "!#^cache$"}));
    EXPECT_EQ(form.VerzFilterList->count(), 2);
    EXPECT_TRUE(editor.Entry().DirFilters.empty());
    EXPECT_TRUE(form.Editor.Task.Modified);

    // Cancel leaves the list as it was.
    WithNextModal([](QDialog& dialog) { dialog.reject(); });
    form.VerzFilterBtn->click();
    EXPECT_EQ(form.Editor.Task.DirMasks.size(), 2u);
}

// The help menu's boxes and the printer of the log, without a browser or a real printer.
TEST(BackupFormDialogs, HelpMenuAndLogPrinter)
{
    TEditorWithSource editor;
    TBackupForm& form = editor.form;
    // No web address: the home page item opens the help's start page.
    std::string opened;
    SetHelpViewer([&opened](const std::string& page) { opened = page; }, {});
    form.findChild<QAction*>("HomepageItem")->trigger();
    SetHelpViewer({}, {});
    EXPECT_EQ(ExtractFileName(opened), "index.html");
    int versionBoxes = 0;
    form.ShowVersionHook = [&] { ++versionBoxes; };
    form.findChild<QAction*>("InfoItem")->trigger();
    EXPECT_EQ(versionBoxes, 1);
    form.findChild<QAction*>("GZipInfo")->trigger();
    EXPECT_NE(editor.boxes.LastText().find("zlib "), std::string::npos);

    TShowtextDialog viewer;
    CommonDialogs().Showtext = &viewer;
    form.AvailablePrinters = [] { return std::vector<std::string>{"Office", "Lab"}; };
    form.Editor.Settings.Printer = "Lab";
    std::string preselected;
    WithNextModal([&](QDialog& dialog) {
        QListWidget* list = static_cast<TSelectFromListDialog&>(dialog).StringList();
        preselected = list->currentItem() ? list->currentItem()->text().toStdString() : std::string();
        list->setCurrentRow(0);
        dialog.accept();
    });
    form.findChild<QAction*>("SelectPrintItem")->trigger();
    CommonDialogs().Showtext = nullptr;
    EXPECT_EQ(preselected, "Lab");
    EXPECT_EQ(form.Editor.Settings.Printer, "Office");
    EXPECT_EQ(viewer.PrinterName, "Office");
}

// The first showing reads the filter history, picks the first type list, the task's
// automatic slot and a printer the system knows.
TEST(BackupFormDialogs, FirstShowingTakesTheStoredChoices)
{
    TTempFolder folder;
    TScriptedMessageDialogs boxes;
    folder.WriteHostFile("settings.ini", "[FileFilter]\nHistory0=*.tmp\nHistory1=*.bak\n");
    TBackupForm form;
    form.ReadSettings(folder.Win("settings.ini"));
    form.Editor.Settings.FileName = folder.Win("settings.ini");
    TExtensionList docs;
    form.Editor.Settings.TypeLists.Add("Docs", docs);
    form.Editor.Settings.TypeLists.Add("Pictures", docs);
    form.Editor.Settings.LastFile = folder.Win("night.buj");
    form.Editor.Settings.AutoTasks[3] = TAutoTask(folder.Win("night.buj"));
    form.Editor.Settings.Printer = "Gone";
    form.AvailablePrinters = [] { return std::vector<std::string>{"Office", "Lab"}; };
    form.FormShow();

    EXPECT_GE(form.FilterDialog->Filter->cbxFilter->count(), 2);
    EXPECT_EQ(form.TypeListBox->FilterListe->currentText(), "Docs");
    EXPECT_EQ(form.AutoTaskSheet->CurrentSlot, 3);
    EXPECT_EQ(form.Editor.Settings.Printer, "Office");
    const QAction* checked = form.LanguageItems->checkedAction();
    ASSERT_NE(checked, nullptr);
    EXPECT_EQ(form.LanguageItems->actions().indexOf(checked), LanguageIndex());
}

// The log item with logging off, the exit button while tasks keep the program in the
// tray, and the creation-time box.
TEST(BackupFormDialogs, LogItemExitButtonAndCreationTime)
{
    TEditorWithSource editor;
    TBackupForm& form = editor.form;
    form.SetLogSetting(ProtocolRestores);
    editor.boxes.QueueAnswer(MrYes);
    WithNextModal([](QDialog& dialog) { dialog.reject(); });
    form.findChild<QAction*>("ProtViewItem")->trigger();
    EXPECT_EQ(form.Editor.Settings.Protocol, ProtocolRestores);
    EXPECT_EQ(editor.boxes.LastText(), "No log file found");

    // The button's picture changes with its caption.
    const auto picture = [&form] { return form.ExitBtn->icon().pixmap(16).toImage(); };
    EXPECT_EQ(form.ExitBtn->text(), "Quit");
    EXPECT_EQ(picture(), GlyphIcon(form.style(), GlyphQuit).pixmap(16).toImage());
    form.Editor.Settings.AutoTasks[0] = TAutoTask(editor.folder.Win("night.buj"));
    form.Editor.Settings.AutoTasks[0].Mode = AutoDailyAt;
    form.AutoTaskSheet->UpdateAutoFlags();
    EXPECT_EQ(form.ExitBtn->text(), "Minim.");
    EXPECT_EQ(picture(), GlyphIcon(form.style(), GlyphMinimize).pixmap(16).toImage());
    EXPECT_NE(picture(), GlyphIcon(form.style(), GlyphQuit).pixmap(16).toImage());
    EXPECT_EQ(form.ExitBtn->toolTip(), "Minimize Tessaro");
    EXPECT_EQ(form.findChild<QAction*>("FileExitItem")->text(), "Minim.");

    auto* creation = form.findChild<QCheckBox*>("cbCreationTime");
    ASSERT_NE(creation, nullptr);
    creation->click();
    EXPECT_TRUE(form.Editor.Task.CreationTime);
    EXPECT_TRUE(form.Editor.Task.Modified);
    form.DestRBClick(DestZipFile);
    EXPECT_FALSE(creation->isEnabled());
}
