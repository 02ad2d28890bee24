#include "NextModal.h"
#include "TempFolder.h"
#include "foundation/ScriptedMessageDialogs.h"
#include "foundation/StatusView.h"
#include "restore/CleanUpTask.h"
#include "tasks/BackupLog.h"
#include "tasks/ProgressView.h"
#include "tasks/TaskEditor.h"
#include "ui/ShownTexts.h"
#include "ui/restore/CleanUpDialog.h"
#include "ui/restore/ConfirmFilesDlg.h"
#include "ui/restore/RestPwdDlg.h"
#include "ui/restore/RestoreDlg.h"

#include <QButtonGroup>
#include <QLabel>
#include <QRadioButton>
#include <QTreeWidget>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

// People read host paths: the restore and clean-up windows, their confirmation lists and
// prompts never show the Windows text the task files keep.

namespace {

// A backup folder with a file and a subfolder holding one.
void MakeBackup(const TTempFolder& temp)
{
    std::filesystem::create_directories(temp.Host("backup/Reports"));
    temp.WriteHostFile("backup/notes.txt", "n");
    temp.WriteHostFile("backup/Reports/march.doc", "m");
}

// The texts of the confirmation list that start opens (answered No); none holds a Windows path.
QStringList TextsOfTheListOpenedBy(const std::function<void()>& start)
{
    QStringList texts;
    QStringList withWindowsPaths{"list not shown"};
    WithNextModal([&](QDialog& dialog) {
        texts = ShownTexts(dialog);
        withWindowsPaths = TextsWithWindowsPaths(dialog);
        dialog.reject();
    });
    start();
    EXPECT_EQ(withWindowsPaths, QStringList());
    return texts;
}

TEST(ShownPaths, RestoreWindowAndItsListShowHostPaths)
{
    TTempFolder temp;
    MakeBackup(temp);
    TScriptedMessageDialogs boxes;
    TTaskEditor editor;
    TRestoreDialog dialog(editor);
    dialog.Prepare(temp.Win("backup"), temp.Win("restored"));
    dialog.rbtSelect->setChecked(true);
    EXPECT_EQ(TextsWithWindowsPaths(dialog), QStringList());

    const QStringList texts = TextsOfTheListOpenedBy([&] { dialog.StartClick(); });
    EXPECT_TRUE(texts.contains(QString::fromStdString(temp.Host("backup"))));
    EXPECT_TRUE(texts.contains("Reports/")) << "a folder of the backup, relative to it";
    EXPECT_TRUE(texts.contains(QString::fromStdString("to: " + temp.Host("restored"))));
    EXPECT_FALSE(std::filesystem::exists(temp.Host("restored/notes.txt")));
}

TEST(ShownPaths, CleanUpWindowAndItsListShowHostPaths)
{
    TTempFolder temp;
    MakeBackup(temp);
    TScriptedMessageDialogs boxes;
    TBackupLog log;
    NullProgressView view;
    NullStatusView status;
    TCleanUp logic{log, view, status};
    TCleanUpDialog dialog(logic);
    dialog.Prepare(temp.Win("backup"), false, 0);
    dialog.ageButtons->button(CleanUpAgeAll)->click();
    EXPECT_EQ(TextsWithWindowsPaths(dialog), QStringList());

    const QStringList texts = TextsOfTheListOpenedBy([&] { dialog.StartBtnClick(); });
    EXPECT_TRUE(texts.contains(QString::fromStdString(temp.Host("backup"))));
    EXPECT_TRUE(texts.contains("Reports/"));
    EXPECT_TRUE(std::filesystem::exists(temp.Host("backup/notes.txt")));
}

TEST(ShownPaths, PasswordPromptNamesTheHostFile)
{
    TRestorePwdDialog prompt;
    QStringList withWindowsPaths{"prompt not shown"};
    QString shown;
    WithNextModal([&](QDialog& dialog) {
        withWindowsPaths = TextsWithWindowsPaths(dialog);
        shown = prompt.lblPrompt->text();
        dialog.reject();
    });
    std::string password;
    prompt.Execute("Restore", "Restoring file:\r\nC:\\home\\anna\\Backup\\a.txt.enc\r\nrequires a password", true,
                   password);
    EXPECT_EQ(withWindowsPaths, QStringList());
    EXPECT_TRUE(shown.contains("/home/anna/Backup/a.txt.enc")) << shown.toStdString();
}

} // namespace
