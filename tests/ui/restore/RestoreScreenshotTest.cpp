#include "NextModal.h"
#include "foundation/Translate.h"
#include "shell/Language.h"
#include "tasks/IniValues.h"
#include "tasks/TaskEditor.h"
#include "ui/Pictures.h"
#include "ui/restore/ConfirmFilesDlg.h"
#include "ui/restore/RestFilterDlg.h"
#include "ui/restore/RestPwdDlg.h"
#include "ui/restore/RestoreDlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QTabWidget>
#include <QTreeWidget>
#include <gtest/gtest.h>

// The restore windows, checked and pictured as ui/Pictures.h says.

namespace {

TTransferItem Item(bool folder, const std::string& text, std::int64_t size)
{
    return {text, TFileTransferInfo(folder ? TransferFolder : TransferFile, true, false, size, 0, 0x5A6B6000,
                                    "C:\\home\\anna\\" + text, "E:\\Backup\\LwC\\home\\anna\\" + text)};
}

TEST(RestoreWindows, ConfirmListRowsAndCounts)
{
    TTransferList list = {Item(true, "E:\\Backup\\LwC\\home\\anna", 0), Item(false, "notes.txt", 2048),
                          Item(true, "..\\Reports\\", 0), Item(false, "march.doc", 70000),
                          Item(false, "april.doc", 1 << 20)};
    TConfirmFilesDialog dialog;
    TConfirmRequest request{TConfirmMode::Restore,
                            "E:\\Backup\\LwC\\home\\anna",
                            3,
                            "Mode: overwrite older files",
                            "Age: all",
                            "Filter: all",
                            "to origin"};
    dialog.ShowList(request, list);
    ASSERT_EQ(dialog.lvwFiles->topLevelItemCount(), 5);
    EXPECT_EQ(dialog.lvwFiles->topLevelItem(2)->text(0), "Reports/");
    EXPECT_TRUE(dialog.lvwFiles->topLevelItem(2)->text(2).isEmpty());
    EXPECT_EQ(dialog.lblCount->text(), "3 Files");
    emit dialog.lvwFiles->itemPressed(dialog.lvwFiles->topLevelItem(2), 0);
    EXPECT_EQ(dialog.lblCount->text(), "2 Files");
    EXPECT_TRUE(dialog.cbxSelected->isChecked());
    EXPECT_FALSE(list[1].Info.Selected);
    EXPECT_TRUE(dialog.lblWarning->isHidden());
    // A clean-up that would delete most of a backup says so above everything else.
    request.Mode = TConfirmMode::DeleteFiles;
    request.Warning = "Warning: 3 of 4 files compared are missing in the origin (more than half)!";
    dialog.ShowList(request, list);
    EXPECT_FALSE(dialog.lblWarning->isHidden());
    EXPECT_EQ(dialog.lblWarning->text().toStdString(), request.Warning);
}

TEST(RestoreWindows, ConfirmListDatesFollowTheProgramsLanguage)
{
    TTransferList list = {Item(false, "notes.txt", 2048)};
    TConfirmFilesDialog dialog;
    ApplyPeopleFormats("de");
    dialog.ShowList({TConfirmMode::Restore, "E:\\Backup", 1, "", "", "", ""}, list);
    const QString german = dialog.lvwFiles->topLevelItem(0)->text(1);
    ApplyPeopleFormats(TranslationLanguage());
    EXPECT_EQ(german, "11.03.2025 12:00");
}

TEST(Screenshots, RestoreDialog)
{
    TTaskEditor editor;
    TRestoreDialog dialog(editor);
    dialog.Prepare("C:\\media\\anna\\BACKUP\\LwC\\home\\anna", "C:\\home\\anna\\Restored");
    dialog.move(40, 40);
    dialog.show();
    CheckEveryPage(dialog, *dialog.pcSource, "restore-dialog");
    // Older files with their time comparison button, and a date.
    dialog.OverwriteRG->button(OverwriteOlder)->click();
    dialog.RestoreRG->button(AgeOlder)->click();
    CheckPicture(dialog, "restore-dialog-older");
}

TEST(Screenshots, RestoreConfirmListAndPassword)
{
    TTransferList list = {Item(true, "E:\\Backup\\LwC\\home\\anna", 0), Item(false, "notes.txt", 2048),
                          Item(true, "..\\Reports\\", 0), Item(false, "march.doc", 70000)};
    TConfirmFilesDialog confirm;
    const TRestoreOptions options;
    confirm.ShowList({TConfirmMode::Restore, "E:\\Backup\\LwC\\home\\anna", 3,
                      FormatText(TrDefault("Mode: %s"), OverwriteText(OverwriteOlder)),
                      FormatText(TrDefault("Age: %s"), AgeText(AgeAll, 0)),
                      FormatText(TrDefault("Filter: %s"), RestoreFilterText(options)), TrDefault("to origin")},
                     list);
    ShowPicture(confirm, "restore-confirm-list");

    TRestorePwdDialog password;
    std::string text;
    WithNextModal([](QDialog& dialog) {
        CheckPicture(dialog, "restore-password");
        dialog.reject();
    });
    password.Execute("Restore", "Password for E:\\Backup\\LwC\\home\\anna\\notes.txt.enc:", true, text);
}

TEST(Screenshots, RestoreFilterDialog)
{
    TRestoreFilterDialog dialog;
    dialog.move(40, 40);
    dialog.show();
    CheckPicture(dialog, "restore-filter");
    dialog.pcFilterMode->setCurrentIndex(1);
    CheckPicture(dialog, "restore-filter-suffix");
}

} // namespace
