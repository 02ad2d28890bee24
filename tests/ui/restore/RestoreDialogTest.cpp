#include "foundation/ScriptedMessageDialogs.h"
#include "tasks/TaskEditor.h"
#include "ui/restore/RestoreDlg.h"

#include <QLabel>
#include <QTabWidget>
#include <gtest/gtest.h>

namespace {

TEST(RestoreDialog, TheFtpPageEditsTheServerButNeverRestores)
{
    TScriptedMessageDialogs boxes;
    TTaskEditor editor;
    TRestoreDialog dialog(editor);
    dialog.Prepare("C:\\home\\anna\\backup", "C:\\home\\anna\\out");

    // Without a server the page cannot be opened.
    dialog.PageChanged(1);
    EXPECT_EQ(dialog.pcSource->currentIndex(), 0);

    dialog.EditFtp = [](TFtpParams& ftp) {
        ftp.Host = "nas";
        ftp.Port = 2121;
        ftp.SubDir = "backup/%date%/docs";
        return true;
    };
    dialog.PageChanged(1);
    EXPECT_EQ(dialog.pcSource->currentIndex(), 1);
    EXPECT_EQ(dialog.edtFtp->text(), "ftp://nas:2121/backup/%date%/docs");
    dialog.StartClick();
    EXPECT_EQ(boxes.LastText(), "FTP-Restore noch nicht implementiert!");
    EXPECT_EQ(boxes.ShownCount(), 1u);

    dialog.PageChanged(0);
    EXPECT_EQ(dialog.pcSource->currentIndex(), 0);
}

} // namespace
