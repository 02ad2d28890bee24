#include "ui/restore/CleanUpDialog.h"

#include "NextModal.h"
#include "TempFolder.h"
#include "foundation/ScriptedMessageDialogs.h"
#include "foundation/StatusView.h"
#include "platform/Drives.h"
#include "restore/CleanUpTask.h"
#include "tasks/BackupLog.h"
#include "tasks/ProgressView.h"
#include "ui/foundation/HistoryCombo.h"
#include "ui/foundation/SelectFromListDialog.h"
#include "ui/foundation/ShellDirDialog.h"
#include "ui/restore/ConfirmFilesDlg.h"
#include "ui/tasks/FilterDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

class CleanUpDialogTest : public ::testing::Test
{
protected:
    TTempFolder temp;
    TScriptedMessageDialogs dialogs;
    TBackupLog log;
    NullProgressView view;
    NullStatusView status;
    TCleanUp logic{log, view, status};
};

TEST_F(CleanUpDialogTest, ControlsFollowTheSettingsAndBack)
{
    logic.Settings.AgeMode = CleanUpAgeSince;
    logic.Settings.Date = EncodeDate(2025, 6, 7);
    logic.Settings.Types = CleanUpTypesExcept;
    logic.Settings.TypeList = "TMP";
    logic.Settings.Sync = CleanUpSyncFolder;
    logic.Settings.SyncDir = "E:\\mirror";
    TCleanUpDialog dialog(logic);
    dialog.Prepare("E:\\B\\%date%\\x", false, 2);
    EXPECT_EQ(dialog.BUVerz->Text(), "E:\\B") << "placeholder components are dropped";
    EXPECT_EQ(dialog.ageButtons->checkedId(), CleanUpAgeSince);
    EXPECT_FALSE(dialog.DateTimePicker->isHidden());
    EXPECT_TRUE(dialog.ExcludeTypesCB->isChecked());
    EXPECT_TRUE(dialog.TypenEdit->isEnabled());
    EXPECT_TRUE(dialog.hcbSyncDir->isEnabled());

    // Root folders: types and synchronisation are off limits, the captions follow.
    dialog.rbDirs->click();
    EXPECT_FALSE(dialog.IncludeTypesCB->isEnabled());
    EXPECT_FALSE(dialog.KompCB->isEnabled());
    EXPECT_FALSE(dialog.rbtSyncSelect->isEnabled());
    EXPECT_EQ(dialog.StartBtn->text(), "&Delete\ndirectories");
    dialog.ageButtons->button(CleanUpAgeAll)->click();
    EXPECT_TRUE(dialog.DateTimePicker->isHidden());

    dialog.TakeSettings();
    EXPECT_FALSE(logic.Settings.FilesMode);
    EXPECT_EQ(logic.Settings.AgeMode, CleanUpAgeAll);
    EXPECT_EQ(logic.Settings.Sync, CleanUpSyncFolder) << "kept, though not used for root folders";
    EXPECT_EQ(logic.Settings.Directory, "E:\\B");
    EXPECT_EQ(logic.Settings.Date, EncodeDate(2025, 6, 7));
}

TEST_F(CleanUpDialogTest, CheckingOneTypeBoxUnchecksTheOther)
{
    TCleanUpDialog dialog(logic);
    dialog.Prepare("E:\\B", false, 0);
    dialog.IncludeTypesCB->click();
    dialog.ExcludeTypesCB->click();
    EXPECT_FALSE(dialog.IncludeTypesCB->isChecked());
    EXPECT_TRUE(dialog.ExcludeTypesCB->isChecked());
}

TEST_F(CleanUpDialogTest, StartWithoutFolderAndTheFtpPageWithoutServer)
{
    TCleanUpDialog dialog(logic);
    dialog.Prepare("", false, 0);
    dialog.BUVerz->SetText("");
    dialog.StartBtnClick();
    EXPECT_EQ(dialogs.LastText(), "No directory specified");
    dialog.PageChanged(1);
    EXPECT_EQ(dialog.pcBuDir->currentIndex(), 0);
    EXPECT_TRUE(dialog.RecycleCB->isEnabled());
}

TEST_F(CleanUpDialogTest, ALoadedTaskGivesWayToTheOwnSettingsOnClose)
{
    TCleanUpSettings task;
    task.Directory = "E:\\task";
    task.AgeMode = CleanUpAgeYear;
    ASSERT_TRUE(SaveCleanUpTask(temp.Win("t.cuj"), task, "Tessaro", "1"));
    TCleanUpDialog dialog(logic);
    dialog.ChooseTaskFile = [&](bool, const std::string&, const std::string&) { return temp.Win("t.cuj"); };
    dialog.Prepare("E:\\own", false, 0);
    dialog.LoadBtnClick();
    EXPECT_EQ(dialog.BUVerz->Text(), "E:\\task");
    EXPECT_EQ(dialog.ageButtons->checkedId(), CleanUpAgeYear);
    dialog.Done();
    EXPECT_EQ(dialog.BUVerz->Text(), "E:\\own");
    EXPECT_EQ(dialog.ageButtons->checkedId(), CleanUpAgeFourWeeks);
    EXPECT_FALSE(logic.TaskLoaded);
}

TEST_F(CleanUpDialogTest, StartShowsTheConfirmationListBeforeDeleting)
{
    std::filesystem::create_directories(temp.Host("b/sub"));
    temp.WriteHostFile("b/a.txt", "x");
    temp.WriteHostFile("b/sub/c.txt", "y");
    TCleanUpDialog dialog(logic);
    dialog.Prepare(temp.Win("b"), false, 0);
    dialog.ageButtons->button(CleanUpAgeAll)->click();
    int rows = 0;
    WithNextModal([&](QDialog& list) {
        auto* confirm = qobject_cast<TConfirmFilesDialog*>(&list);
        ASSERT_NE(confirm, nullptr);
        rows = confirm->lvwFiles->topLevelItemCount();
        list.reject();
    });
    dialog.StartBtnClick();
    EXPECT_EQ(rows, 3) << "a.txt, the folder row of sub and c.txt";
    EXPECT_TRUE(std::filesystem::exists(temp.Host("b/a.txt")));

    // Only the file picked in the list goes.
    WithNextModal([&](QDialog& list) {
        auto* confirm = qobject_cast<TConfirmFilesDialog*>(&list);
        ASSERT_NE(confirm, nullptr);
        QTreeWidgetItem* row = confirm->lvwFiles->topLevelItem(0);
        emit confirm->lvwFiles->itemPressed(row, 0);
        list.accept();
    });
    dialog.StartBtnClick();
    EXPECT_FALSE(std::filesystem::exists(temp.Host("b/a.txt")));
    EXPECT_TRUE(std::filesystem::exists(temp.Host("b/sub/c.txt")));
}

// The synchronisation with the origin needs drive folders ("LwC") in the backup folder. The
// folder is judged when it is left, never at each key; a folder that cannot take the chosen
// synchronisation shows it disabled with the reason, and Start refuses rather than delete
// by age alone.
TEST_F(CleanUpDialogTest, TheOriginChoiceStaysWhileTheFolderIsRetyped)
{
    std::filesystem::create_directories(temp.Host("bk/LwC"));
    std::filesystem::create_directories(temp.Host("plain"));
    temp.WriteHostFile("bk/LwC/x.txt", "x");
    temp.WriteHostFile("plain/y.txt", "y");
    TCleanUpDialog dialog(logic);
    dialog.Prepare(temp.Win("bk"), false, 0);
    dialog.show();
    dialog.rbtSyncOrigin->click();
    ASSERT_TRUE(dialog.rbtSyncOrigin->isChecked());
    EXPECT_EQ(dialog.hcbSyncDir->Text(), "/");

    QLineEdit* field = dialog.BUVerz->lineEdit();
    field->clear();
    QTest::keyClicks(field, QString::fromStdString(temp.Host("plain")));
    EXPECT_EQ(dialogs.ShownCount(), 0u) << dialogs.LastText();
    EXPECT_TRUE(dialog.rbtSyncOrigin->isChecked());
    EXPECT_TRUE(dialog.rbtSyncOrigin->isEnabled()) << "not judged before the field is left";

    emit field->editingFinished();
    EXPECT_TRUE(dialog.rbtSyncOrigin->isChecked());
    EXPECT_FALSE(dialog.rbtSyncOrigin->isEnabled());
    EXPECT_EQ(dialog.rbtSyncOrigin->toolTip(), "No synchronizing to origin possible");
    EXPECT_TRUE(dialog.lblSyncRefusal->isVisibleTo(&dialog));
    EXPECT_EQ(dialogs.ShownCount(), 0u);

    dialog.ageButtons->button(CleanUpAgeAll)->click();
    dialog.StartBtnClick();
    EXPECT_EQ(dialogs.LastText(), "No synchronizing to origin possible");
    EXPECT_TRUE(std::filesystem::exists(temp.Host("plain/y.txt")));

    // Back to a folder with drive folders: the choice is there again; "off" is the user's to pick.
    dialog.BUVerz->SetText(temp.Host("bk"));
    emit field->editingFinished();
    EXPECT_TRUE(dialog.rbtSyncOrigin->isEnabled());
    EXPECT_FALSE(dialog.lblSyncRefusal->isVisibleTo(&dialog));
    dialog.rbtNoSync->click();
    dialog.BUVerz->SetText(temp.Host("plain"));
    emit field->editingFinished();
    EXPECT_TRUE(dialog.rbtNoSync->isChecked());
    EXPECT_FALSE(dialog.lblSyncRefusal->isVisibleTo(&dialog)) << "the reason shows with the choice it concerns";

    // A server has no origin to compare with.
    dialog.EditFtp = [](TFtpParams& ftp) {
        ftp.Host = "nas";
        return true;
    };
    dialog.pcBuDir->setCurrentIndex(1);
    EXPECT_FALSE(dialog.rbtSyncOrigin->isEnabled());
    EXPECT_EQ(dialog.rbtSyncOrigin->toolTip(), "Synchronizing to origin is not available with FTP");
    dialog.hide();
}

TEST_F(CleanUpDialogTest, TypesAndFilterComeFromTheirDialogs)
{
    TCleanUpDialog dialog(logic);
    dialog.Prepare("E:\\B", false, 0);
    std::string offered;
    dialog.EditTypes = [&](std::string& types) {
        offered = types;
        types = "TMP,BAK";
        return true;
    };
    dialog.TypenEdit->setText("OLD");
    dialog.TypenBtnClick();
    EXPECT_EQ(offered, "OLD");
    EXPECT_EQ(dialog.TypenEdit->text(), "TMP,BAK");

    WithNextModal([](QDialog& filter) {
        auto* edit = qobject_cast<TFilterDialog*>(&filter);
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->windowTitle(), "File filter");
        edit->Filter->IncMaskBtn->setChecked(true);
        edit->Filter->cbxFilter->SetText("*report*");
        edit->accept();
    });
    dialog.FilterBtnClick();
    EXPECT_EQ(logic.Settings.FilterMode, 1);
    EXPECT_EQ(logic.Settings.Filter, "*report*");
    EXPECT_EQ(dialog.FilterText->text(), "only *report*");
}

// The types are edited in the program's list editor, the folder in its folder chooser.
TEST_F(CleanUpDialogTest, TheListEditorAndTheFolderChooser)
{
    TCleanUpDialog dialog(logic);
    dialog.Prepare("E:\\B", false, 0);
    dialog.TypenEdit->setText("OLD");
    QStringList offered;
    WithNextModal([&offered](QDialog& editor) {
        auto* list = qobject_cast<TSelectFromListDialog*>(&editor);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(editor.windowTitle(), "Types to delete");
        for (int row = 0; row < list->StringList()->count(); ++row) {
            offered << list->StringList()->item(row)->text();
        }
        list->StringList()->addItem(".tmp, bak");
        editor.accept();
    });
    dialog.TypenBtnClick();
    EXPECT_EQ(offered, QStringList{"OLD"});
    EXPECT_EQ(dialog.TypenEdit->text(), "OLD,tmp,bak");

    std::filesystem::create_directories(temp.Host("backup"));
    dialog.BUVerz->SetText(temp.Host());
    WithNextModal([this](QDialog& chooser) {
        auto* folders = qobject_cast<TShellDirDialog*>(&chooser);
        ASSERT_NE(folders, nullptr);
        folders->SelectFolder(temp.Win("backup"));
        folders->OkButton()->click();
    });
    dialog.VerzBtnClick();
    EXPECT_EQ(dialog.BUVerz->Text(), temp.Host("backup"));
    ASSERT_FALSE(logic.FolderHistory.empty());
    EXPECT_EQ(logic.FolderHistory.front(), temp.Win("backup"));
}

} // namespace
