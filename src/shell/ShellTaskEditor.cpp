#include "shell/ShellTaskEditor.h"

#include "foundation/MessageDialogs.h"
#include "foundation/PathUtils.h"
#include "foundation/SysErrors.h"
#include "foundation/Translate.h"
#include "tasks/AutoTasks.h"
#include "tasks/ExecuteCommand.h"
#include "tasks/TaskFile.h"
#include "tasks/ZipDest.h"

TShellTaskEditor::TShellTaskEditor()
{
    Auto.Host.RunBackup = [this](int index, const std::string& file, int endMode, int priority) {
        return RunTask(index, file, endMode, priority);
    };
    Auto.Host.ShowEditorModal = [this] { ShowModal(); };
    Auto.Host.OpenTask = [this](const std::string& file) { OpenTask(file); };
    Run.Mail = &Mail;
    Run.MailUsable = true;
    Run.ExecuteCommand = [this](const std::string& command, int32_t wait, int endMode) {
        return ExecuteCommand(command, wait, endMode, {Task.Destination, Settings.JobDir, &Log});
    };
}

void TShellTaskEditor::ReadSettings(const std::string& settingsFile)
{
    ::ReadSettings(settingsFile, Settings, SettingsEnv);
    TaskEnv = TaskFileEnvFrom(Settings);
    TaskEnv.ProgramText = ProductText;
    TaskEnv.FileVersion = FileVersion;
    Log.LogPath = Settings.LogName;
    Log.LogSetting = Settings.Protocol;
    Log.ProductText = ProductText;
    Log.FileVersion = FileVersion;
    Mail.ProgramTitle = ProductText;
    Mail.BufferSize = Settings.BufferSize;
    Run.ProductText = ProductText;
    CleanUp.ProductText = ProductText;
    CleanUp.FileVersion = FileVersion;
    CleanUp.LoadFromIni(Settings.FileName, SettingsEnv.FallbackFile);
}

void TShellTaskEditor::WriteSettings()
{
    ::WriteSettings(Settings);
    CleanUp.WriteToIni();
}

void TShellTaskEditor::SetTaskDir(const std::string& dir)
{
    Settings.JobDir = AddPathDelimiter(dir);
}

void TShellTaskEditor::SetAccount(const std::string& user, const std::string& password)
{
    TaskEnv.CmdLineUser = user;
    TaskEnv.CmdLinePassword = password;
}

void TShellTaskEditor::SetNarrow()
{
    Settings.Narrow = true;
}

void TShellTaskEditor::SetCloseDelay(int seconds)
{
    Settings.WaitTime = seconds;
}

void TShellTaskEditor::SetLogSetting(uint32_t setting)
{
    Settings.Protocol = setting;
    Log.LogSetting = setting;
}

bool TShellTaskEditor::RunTask(int index, const std::string& taskFile, int endMode, int priority)
{
    Run.Priority = ThreadPriorityOf(priority);
    Run.ZipName = MakeZipName(Task.ZipName);
    Run.NetUserName = Auto.NetUserName;
    Run.CloseDelay = Settings.WaitTime;
    Run.TaskFileEnv = TaskEnv;
    return Run.RunBackup(index, taskFile, endMode);
}

void TShellTaskEditor::OpenTask(const std::string& taskFile)
{
    TBackupTask loaded;
    ResetTaskOptions(loaded, TaskEnv);
    if (ReadTaskFile(loaded, taskFile, true, Settings.ScanDir, TaskEnv)) {
        Task = std::move(loaded);
        Settings.LastFile = taskFile;
    }
}

bool TShellTaskEditor::RunAutoTasks(const std::string& list, int reason, int speed, bool quiet)
{
    return Auto.RunAutoTasks(list, reason, speed, quiet);
}

// Restore and clean-up come with their own windows.
void TShellTaskEditor::RunRestoreTask(const std::string&, bool)
{}

int TShellTaskEditor::SubsystemLogMode(uint32_t flag) const
{
    return (Settings.Protocol & flag) != 0 ? static_cast<int>(Settings.Protocol & 0x0F) : 0;
}

void TShellTaskEditor::RunCleanUpTask(const std::string& list, bool quiet)
{
    const int mode = SubsystemLogMode(32);
    Log.OpenLog(static_cast<uint32_t>(mode), false, false);
    CleanUp.TaskDir = Settings.JobDir;
    CleanUpOutcome = CleanUp.AutoCleanUp(list, mode, quiet, Settings.WaitTime);
    Log.CloseLog();
}

void TShellTaskEditor::RestoreClick()
{}

void TShellTaskEditor::DeleteFilesClick()
{
    if (!CleanUpDialogHook) {
        return;
    }
    const int mode = SubsystemLogMode(32);
    if (const int error = Log.OpenLog(static_cast<uint32_t>(mode), false, false)) {
        ErrorDialog({}, TrDefault("Error opening log file!") + "\r" + SysErrorMessage(error));
    }
    CleanUp.TaskDir = Settings.JobDir;
    CleanUpDialogHook(mode);
    Log.CloseLog();
}

void TShellTaskEditor::ShowLogFile()
{
    if (ShowLogHook) {
        ShowLogHook();
    }
}

void TShellTaskEditor::LoadCurrentTask()
{
    if (!Settings.LastFile.empty()) {
        OpenTask(Settings.LastFile);
    }
}

std::string TShellTaskEditor::ExpandTaskName(const std::string& name) const
{
    return Auto.ExpandTaskName(name);
}

std::string TShellTaskEditor::AutoTaskInfoText() const
{
    return Auto.AutoTaskInfoText();
}

void TShellTaskEditor::ShowModal()
{
    if (ShowEditorHook) {
        ShowEditorHook();
    }
}

void TShellTaskEditor::StartSchedulerTimer()
{
    Auto.SetTimer(true);
}

int TShellTaskEditor::ShowStartDialog(const std::string& caption, const std::string& taskFile)
{
    return StartNoteHook ? StartNoteHook(caption, taskFile) : StartNoteEdit;
}
