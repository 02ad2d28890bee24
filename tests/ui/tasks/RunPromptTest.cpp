#include "TempFolder.h"
#include "foundation/ScriptedMessageDialogs.h"
#include "tasks/AutoTasks.h"
#include "tasks/TaskFile.h"
#include "ui/foundation/PasswordDialogs.h"
#include "ui/foundation/ShellDirDialog.h"
#include "ui/tasks/BackupForm.h"
#include "ui/tasks/RunDialogs.h"

#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <filesystem>
#include <gtest/gtest.h>

// A task given on the command line and run without -quiet asks for the password it does
// not store; the test types it into the password dialog.

namespace {

int Shell(const std::string& command)
{
    return std::system(command.c_str());
}

std::vector<std::filesystem::path> EncryptedFiles(const std::string& folder)
{
    std::vector<std::filesystem::path> found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (entry.path().extension() == ".enc") {
            found.push_back(entry.path());
        }
    }
    return found;
}

// Answers every new-password dialog that opens with the password, counting them.
class TPasswordTyper
{
public:
    explicit TPasswordTyper(const QString& password)
    {
        QObject::connect(&timer, &QTimer::timeout, [this, password] {
            auto* dialog = qobject_cast<TNewPwdDialog*>(QApplication::activeModalWidget());
            if (dialog && dialog->isVisible() && dialog->PwdEdit()->text().isEmpty()) {
                ++Answered;
                dialog->PwdEdit()->setText(password);
                dialog->RepPwdEdit()->setText(password);
                dialog->accept();
            }
        });
        timer.start(20);
    }
    int Answered = 0;

private:
    QTimer timer;
};

} // namespace

TEST(RunPrompts, CommandLineRunAsksForTheEncryptionPassword)
{
    TScriptedMessageDialogs boxes;
    TTempFolder dir;
    std::filesystem::create_directories(dir.Host("src"));
    std::filesystem::create_directories(dir.Host("dest"));
    dir.WriteHostFile("src/report.txt", "quarterly figures");

    TBackupForm form;
    TTaskEditor& editor = form.Editor;
    editor.Settings.FileName = dir.Win("tessaro.ini");
    editor.Settings.JobDir = dir.Win() + "\\";
    editor.Log.LogPath = dir.Win("tessaro.log");
    editor.Settings.Protocol = 1;
    editor.Settings.MinPwdLength = 6;
    editor.TaskEnv.FileVersion = "0.1.0";

    TBackupTask task;
    task.Destination = dir.Win("dest");
    task.Encrypt = true;
    task.FixPassword = false;
    TExtensionList entry;
    entry.SourceDir = entry.ExpandedDir = dir.Win("src") + "\\";
    task.Sources.push_back(entry);
    ASSERT_TRUE(WriteTaskFile(task, dir.Win("secret.buj"), -1, -1, editor.TaskEnv));

    TShellDirDialog chooser;
    TNewPwdDialog newPwd;
    TQtRunDialogs prompts(newPwd);
    TQtTaskCheckDialogs checks(chooser);
    InstallRunDialogs(&prompts, &checks);
    {
        TPasswordTyper typer("run-secret");
        form.RunAutoTasks(dir.Win("secret.buj"), ReasonRunNow, 0, false);
        EXPECT_EQ(typer.Answered, 1);
    }
    const auto encrypted = EncryptedFiles(dir.Host("dest"));
    ASSERT_EQ(encrypted.size(), 1u);
    const std::string command = "/usr/bin/python3 '" + std::string(TESSARO_SOURCE_DIR) +
                                "/tests/engine/encstream.py' decrypt 1 run-secret '" + encrypted[0].string() + "' '" +
                                dir.Host("out.txt") + "'";
    ASSERT_EQ(Shell(command), 0);
    EXPECT_EQ(dir.ReadHostFile("out.txt"), "quarterly figures");

    // Quiet: nothing is shown, the run does not happen without its password.
    std::filesystem::remove_all(dir.Host("dest"));
    std::filesystem::create_directories(dir.Host("dest"));
    {
        TPasswordTyper typer("run-secret");
        form.RunAutoTasks(dir.Win("secret.buj"), ReasonRunNow, 0, true);
        EXPECT_EQ(typer.Answered, 0);
    }
    EXPECT_TRUE(EncryptedFiles(dir.Host("dest")).empty());
    EXPECT_NE(dir.ReadHostFile("tessaro.log").find("No password for the encryption"), std::string::npos);
    InstallRunDialogs(nullptr, nullptr);
}
