#include "shell/ShellTaskEditor.h"

#include "foundation/PathUtils.h"
#include "tasks/Placeholders.h"

void TShellTaskEditor::ReadSettings(const std::string& settingsFile)
{
    ::ReadSettings(settingsFile, Settings, SettingsEnv);
}

void TShellTaskEditor::WriteSettings()
{
    ::WriteSettings(Settings);
}

void TShellTaskEditor::SetTaskDir(const std::string& dir)
{
    Settings.JobDir = AddPathDelimiter(dir);
}

void TShellTaskEditor::SetAccount(const std::string& user, const std::string& password)
{
    AccountName = user;
    AccountPassword = password;
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
}

bool TShellTaskEditor::RunAutoTasks(const std::string&, int reason, int, bool)
{
    if (reason == RunReasonEditor) {
        ShowModal();
    }
    return true;
}

void TShellTaskEditor::RunRestoreTask(const std::string&, bool)
{}

void TShellTaskEditor::RunCleanUpTask(const std::string&, bool)
{}

void TShellTaskEditor::RestoreClick()
{}

void TShellTaskEditor::DeleteFilesClick()
{}

void TShellTaskEditor::ShowLogFile()
{
    if (ShowLogHook) {
        ShowLogHook();
    }
}

void TShellTaskEditor::LoadCurrentTask()
{}

std::string TShellTaskEditor::ExpandTaskName(const std::string& name) const
{
    return ExpandFileNameDefaults(ExpandPlaceholders(true, name), Settings.JobDir, "buj");
}

std::string TShellTaskEditor::AutoTaskInfoText() const
{
    return {};
}

void TShellTaskEditor::ShowModal()
{
    if (ShowEditorHook) {
        ShowEditorHook();
    }
}

void TShellTaskEditor::StartSchedulerTimer()
{
    if (SchedulerTimerHook) {
        SchedulerTimerHook(true);
    }
}

int TShellTaskEditor::ShowStartDialog(const std::string& caption, const std::string& taskFile)
{
    return StartNoteHook ? StartNoteHook(caption, taskFile) : StartNoteEdit;
}
