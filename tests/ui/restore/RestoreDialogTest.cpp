#include "NextModal.h"
#include "TempFolder.h"
#include "foundation/ScriptedMessageDialogs.h"
#include "tasks/TaskEditor.h"
#include "ui/foundation/ShellDirDialog.h"
#include "ui/restore/RestoreDlg.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <filesystem>
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

namespace {

// A restore whose log cannot be opened says so.
TEST(RestoreDialog, ALogThatCannotBeOpenedIsReported)
{
    TTempFolder folder;
    std::filesystem::create_directories(folder.Host("backup"));
    folder.WriteHostFile("blocker", "a file where the log's folder should be");
    std::filesystem::create_directories(folder.Host("out"));
    TScriptedMessageDialogs boxes;
    TTaskEditor editor;
    editor.Settings.Protocol = 1 | ProtocolRestores;
    editor.Log.LogPath = folder.Win("blocker/tessaro.log");
    TRestoreDialog dialog(editor);
    dialog.Prepare(folder.Win("backup"), folder.Win("out"));
    dialog.Run().LogMode = 1;
    dialog.StartClick();
    bool told = false;
    for (const TMessageRequest& box : boxes.Shown()) {
        told = told || box.text.rfind("Error opening log file!\r", 0) == 0;
    }
    EXPECT_TRUE(told);
}

} // namespace

namespace {

// The restore folders come from the program's folder chooser and head their histories.
TEST(RestoreDialog, FoldersComeFromTheFolderChooser)
{
    TTempFolder folder;
    std::filesystem::create_directories(folder.Host("backup"));
    TScriptedMessageDialogs boxes;
    TTaskEditor editor;
    TRestoreDialog dialog(editor);
    dialog.Prepare(folder.Win(), folder.Win("out"));
    WithNextModal([&folder](QDialog& chooser) {
        auto* folders = qobject_cast<TShellDirDialog*>(&chooser);
        ASSERT_NE(folders, nullptr);
        EXPECT_EQ(chooser.windowTitle(), "Select from where to restore files");
        folders->SelectFolder(folder.Win("backup"));
        folders->OkButton()->click();
    });
    dialog.sbtSource->click();
    EXPECT_EQ(dialog.hcbSource->currentText().toStdString(), folder.Host("backup"));
    ASSERT_FALSE(dialog.Run().SourceHistory.empty());
    EXPECT_EQ(dialog.Run().SourceHistory.front(), folder.Win("backup"));
}

} // namespace
