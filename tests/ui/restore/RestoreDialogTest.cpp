#include "TempFolder.h"
#include "foundation/ScriptedMessageDialogs.h"
#include "tasks/TaskEditor.h"
#include "ui/restore/RestoreDlg.h"

#include <QLabel>
#include <QTabWidget>
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
