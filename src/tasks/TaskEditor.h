#pragma once

// The task editor's state and decisions, without its window: the program settings
// with the automatic-task slots, the current task and its file, the recent-task list,
// the backup log and the runs; the commands New, Open, Save, Save as, Import and
// Export with the question whether a changed task may go; the Start button.
//
// The window (ui/tasks/BackupForm.h) shows Task and calls these operations; the file
// dialogs reach it through ITaskEditorDialogs, messages go through the message-dialog
// API. Every file name here is Windows path text.

#include "foundation/HistoryList.h"
#include "tasks/AutoTasks.h"
#include "tasks/BackupLog.h"
#include "tasks/BackupRun.h"
#include "tasks/BackupSupervision.h"
#include "tasks/BatchOutcome.h"
#include "tasks/MailReport.h"
#include "tasks/Settings.h"
#include "tasks/TaskChecks.h"
#include "tasks/TaskModel.h"

#include <functional>
#include <string>

// The file dialogs of the task commands; false when the user cancels.
class ITaskEditorDialogs
{
public:
    virtual ~ITaskEditorDialogs() = default;
    // title: "Open backup task", "Import directories to backup"; file receives the choice.
    virtual bool OpenTaskFile(const std::string& title, std::string& file) = 0;
    // title: "Save actual task", "Save selected directories as new task".
    virtual bool SaveTaskFile(const std::string& title, std::string& file) = 0;
};

// Where the task in the editor came from (the task box's caption).
enum : int
{
    TaskStateNew = 0,         // a new task without a file
    TaskStateNewWithFile = 1, // a new task that has a file name
    TaskStateLoaded = 2,      // read from its file or saved under a name
};

// Caption and hint of the task box.
struct TTaskHeader
{
    std::string Caption;
    std::string Hint;
};
TTaskHeader TaskHeaderText(int taskState, const std::string& taskFile, const std::string& note);

// The question of the delete-source option before saving and before a run.
std::string DeleteOptionSaveQuestion();
std::string DeleteOptionRunQuestion();

// Client size of the editor window in pixels.
struct TClientSize
{
    int Width = 0;
    int Height = 0;
    bool operator==(const TClientSize&) const = default;
};
// The default client size for a screen of dpi pixels per inch: 796 x 548 (narrow
// 512 x 475) at 96; at other resolutions value * dpi / 96, rounded, plus 34. Qt lays
// out in device-independent pixels already, so the window passes the resolution that
// remains after Qt's own scaling.
TClientSize EditorClientSize(bool narrow, int dpi);

// The recent-task list of the settings file.
inline constexpr const char* TaskHistorySection = "BackupList";

class TTaskEditor
{
public:
    TTaskEditor();
    TTaskEditor(const TTaskEditor&) = delete;
    TTaskEditor& operator=(const TTaskEditor&) = delete;

    TProgramSettings Settings;
    TSettingsEnv SettingsEnv;
    TBackupTask Task;
    TBackupLog Log;
    TTaskFileEnv TaskEnv;
    TBackupSupervision Supervision;
    TBackupRun Run{Task, Settings, Log, Supervision};
    TMailReport Mail{Log, Task};
    TAutoTasks Auto{Settings, Task, Log, TaskEnv};
    // Backup, restore and clean-up runs add their outcomes: the exit status of a batch start.
    TBatchOutcome Outcome;
    // Recent task files; the window shows them as a menu.
    THistoryList* TaskHistory = &OwnHistory;

    // Program texts written into logs and task files.
    std::string ProductText = "Tessaro";
    std::string FileVersion;

    // Seams of the window; null: every dialog counts as cancelled.
    ITaskEditorDialogs* Dialogs = nullptr;
    ITaskCheckDialogs* CheckDialogs = nullptr;
    // A task was loaded or reset: the window fills its controls again.
    std::function<void()> TaskReplaced;
    // The found-files summary was asked for (after Import, after a run).
    std::function<void()> ShowSummary;

    int TaskState = TaskStateNew;
    // The selected line of the source list, -1 for none.
    int SelectedEntry = -1;
    // The source list is kept in alphabetical order; loading a task ends it.
    bool SortedSources = false;

    // ---- settings
    void ReadSettings(const std::string& settingsFile);
    void WriteSettings();

    // ---- loading
    // The settings' current task file, or the defaults of a new task.
    void LoadCurrentTask();
    // New: the defaults of a new task (keeps the FTP settings and the destination text).
    void ResetTaskToDefaults();
    // Loads a whole task from its file as Open does after the dialog.
    void OpenTaskFile(const std::string& file);

    // ---- the source list
    // Sorts the list by folder, or stops keeping it sorted; fewer than two lines are not
    // sorted. The selection stays on its entry.
    void SortSources(bool sorted);
    // Puts a new entry at the end, or in its place in a sorted list; returns its index.
    int AddSource(const TExtensionList& entry);

    // ---- the question before a task goes
    // True when the caller may go on. "Yes" saves first; when the save does not happen
    // (checks refused, dialog cancelled, write failed) the answer is false.
    bool AskSaveChangedTask();

    // ---- commands
    bool NewTaskClick();
    bool OpenTaskClick();
    // A file chosen from the recent-task menu.
    bool LoadFromListClick(const std::string& file);
    bool SaveTaskItemClick();
    bool SaveTaskAsItemClick();
    bool ImportierenClick();
    bool ExportierenClick();

    // ---- saving
    bool ConfirmDeleteOption(const std::string& question) const;
    // The task checks, then the delete-option question.
    bool CheckTaskBeforeSave();
    // The name of a file to save a task in; false when the dialog was cancelled. A name of
    // blanks only is refused with a message and the dialog asked again.
    bool AskTaskSaveName(const std::string& title, std::string& file);
    bool SelectTaskSaveName(std::string& file);
    bool SaveTaskAs(const std::string& file);
    bool SaveTaskWithDialog();
    bool SaveCurrentTask();

    // ---- the run
    // The Start button: the run with the editor's save and summary.
    bool StartBtnClick();

    TTaskHeader Header() const { return TaskHeaderText(TaskState, Task.FileName, Task.Note); }

private:
    void AfterLoad();
    void Replaced();

    THistoryList OwnHistory;
};
