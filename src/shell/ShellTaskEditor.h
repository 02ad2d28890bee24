#pragma once

// The task editor's state as the shell runs it: the program settings with the
// automatic-task slots, the loaded task, the backup log and the runs. The windows that
// show the editor, the start note and the log come from the window layer through the
// hooks; until a hook is set the call does nothing.

#include "foundation/StatusView.h"
#include "restore/CleanUp.h"
#include "shell/BuMain.h"
#include "tasks/AutoTasks.h"
#include "tasks/BackupLog.h"
#include "tasks/BackupRun.h"
#include "tasks/BackupSupervision.h"
#include "tasks/MailReport.h"
#include "tasks/Settings.h"

#include <functional>

// Thread priority of a run's priority byte (1 very low, 2 low, 3 normal, 4 high).
TThreadPriority RunPriority(int priority);

class TShellTaskEditor : public ITaskEditor
{
public:
    TShellTaskEditor();

    TProgramSettings Settings;
    TSettingsEnv SettingsEnv;
    TBackupTask Task;
    TBackupLog Log;
    TTaskFileEnv TaskEnv;
    TBackupSupervision Supervision;
    TBackupRun Run{Task, Settings, Log, Supervision};
    TMailReport Mail{Log, Task};
    TAutoTasks Auto{Settings, Task, Log, TaskEnv};
    TCleanUp CleanUp{Log, TheProgressView(), TheStatusView()};
    // Outcome of the last batch clean-up.
    TCleanUpOutcome CleanUpOutcome = TCleanUpOutcome::Ok;

    // Program texts written into logs and task files.
    std::string ProductText = "Tessaro";
    std::string FileVersion;

    std::function<void()> ShowEditorHook;
    std::function<bool()> EditorVisibleHook;
    std::function<int(const std::string& caption, const std::string& taskFile)> StartNoteHook;
    std::function<void()> ShowLogHook;
    // Opens the clean-up window for the current task's destination with the log mode.
    std::function<void(int logMode)> CleanUpDialogHook;

    void ReadSettings(const std::string& settingsFile) override;
    void WriteSettings() override;
    void SetTaskDir(const std::string& dir) override;
    void SetAccount(const std::string& user, const std::string& password) override;
    void SetNarrow() override;
    bool NoSplash() const override { return Settings.NoSplash; }
    void SetCloseDelay(int seconds) override;
    void SetLogSetting(uint32_t setting) override;
    int StartDelay() const override { return Settings.Startup; }

    bool RunAutoTasks(const std::string& list, int reason, int speed, bool quiet) override;
    void RunRestoreTask(const std::string& list, bool quiet) override;
    void RunCleanUpTask(const std::string& list, bool quiet) override;
    void RestoreClick() override;
    void DeleteFilesClick() override;
    void ShowLogFile() override;
    void LoadCurrentTask() override;
    std::string ExpandTaskName(const std::string& name) const override;
    std::string AutoTaskInfoText() const override;
    const TAutoTaskSlots& AutoTasks() const override { return Settings.AutoTasks; }
    TAutoFlags AutoFlags() const override { return Settings.AutoFlags; }
    int ConfiguredEndAction() const override { return Settings.Shutdown; }
    bool Visible() const override { return EditorVisibleHook && EditorVisibleHook(); }
    void ShowModal() override;
    void StartSchedulerTimer() override;
    int ShowStartDialog(const std::string& caption, const std::string& taskFile) override;

    // Log mode of restore (flag 16) or clean-up (flag 32) runs: the mode of the log setting
    // when the flag is set, else 0.
    int SubsystemLogMode(uint32_t flag) const;

private:
    bool RunTask(int index, const std::string& taskFile, int endMode, int priority);
    void OpenTask(const std::string& taskFile);
};
