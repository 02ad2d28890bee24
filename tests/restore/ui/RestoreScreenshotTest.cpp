#include "restore/ui/ConfirmFilesDlg.h"
#include "restore/ui/RestFilterDlg.h"
#include "restore/ui/RestoreDlg.h"
#include "tasks/TaskEditor.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QTabWidget>
#include <QTreeWidget>
#include <cstdlib>
#include <gtest/gtest.h>

// Pictures of the restore windows; tests/ui/screenshots.sh runs them under Xvfb.

namespace {

QString RestorePictureFolder()
{
    const char* dir = std::getenv("TESSARO_SCREENSHOT_DIR");
    if (!dir || !*dir) {
        return {};
    }
    QDir().mkpath(QString::fromLocal8Bit(dir));
    return QString::fromLocal8Bit(dir);
}

void Settle()
{
    for (int pass = 0; pass < 20; ++pass) {
        QCoreApplication::processEvents();
    }
}

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
    EXPECT_EQ(dialog.lvwFiles->topLevelItem(2)->text(0), "..\\Reports\\");
    EXPECT_TRUE(dialog.lvwFiles->topLevelItem(2)->text(2).isEmpty());
    EXPECT_EQ(dialog.lblCount->text(), "3 Files");
    emit dialog.lvwFiles->itemPressed(dialog.lvwFiles->topLevelItem(2), 0);
    EXPECT_EQ(dialog.lblCount->text(), "2 Files");
    EXPECT_TRUE(dialog.cbxSelected->isChecked());
    EXPECT_FALSE(list[1].Info.Selected);

    const QString folder = RestorePictureFolder();
    if (!folder.isEmpty()) {
        dialog.show();
        Settle();
        EXPECT_TRUE(dialog.grab().save(folder + "/restore-confirm-list.png"));
    }
}

TEST(Screenshots, RestoreDialog)
{
    const QString folder = RestorePictureFolder();
    if (folder.isEmpty()) {
        GTEST_SKIP() << "TESSARO_SCREENSHOT_DIR not set";
    }
    TTaskEditor editor;
    TRestoreDialog dialog(editor);
    dialog.Prepare("C:\\media\\anna\\BACKUP\\LwC\\home\\anna", "C:\\home\\anna\\Restored");
    dialog.show();
    Settle();
    EXPECT_TRUE(dialog.grab().save(folder + "/restore-dialog.png"));
    // Older files with their time comparison button, and a date.
    dialog.OverwriteRG->button(OverwriteOlder)->click();
    dialog.RestoreRG->button(AgeOlder)->click();
    Settle();
    EXPECT_TRUE(dialog.grab().save(folder + "/restore-dialog-older.png"));
}

TEST(Screenshots, RestoreFilterDialog)
{
    const QString folder = RestorePictureFolder();
    if (folder.isEmpty()) {
        GTEST_SKIP() << "TESSARO_SCREENSHOT_DIR not set";
    }
    TRestoreFilterDialog dialog;
    dialog.show();
    Settle();
    EXPECT_TRUE(dialog.grab().save(folder + "/restore-filter.png"));
    dialog.pcFilterMode->setCurrentIndex(1);
    Settle();
    EXPECT_TRUE(dialog.grab().save(folder + "/restore-filter-suffix.png"));
}

} // namespace
