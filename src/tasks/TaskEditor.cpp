#include "tasks/TaskEditor.h"

#include "foundation/CommaText.h"
#include "foundation/DateUtils.h"
#include "foundation/MessageDialogs.h"
#include "foundation/PathUtils.h"
#include "foundation/StringUtils.h"
#include "foundation/Translate.h"
#include "platform/FileSystem.h"
#include "tasks/ExecuteCommand.h"
#include "tasks/IniValues.h"
#include "tasks/TaskEditorSources.h"
#include "tasks/TaskFile.h"
#include "tasks/ZipDest.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

std::string DeleteOptionWarning()
{
    return TrDefault("You selected the option \"Delete source files after backup\"!\r\n"
                     "After backing up successfully the files are erased at origin!\r\n");
}

std::string NameWithoutFolderAndExtension(const std::string& file)
{
    return RemoveExtension(ExtractFileName(file));
}

} // namespace

TTaskHeader TaskHeaderText(int taskState, const std::string& taskFile, const std::string& note)
{
    if (taskState == TaskStateNew || taskFile.empty()) {
        const std::string text = TrDefault("New backup task");
        return {text, text};
    }
    if (taskState == TaskStateNewWithFile) {
        const std::string prefix = TrDefault("New task: ");
        return {prefix + NameWithoutFolderAndExtension(taskFile), prefix + taskFile};
    }
    const std::string prefix = TrDefault("Backup task: ");
    std::string hint = prefix + taskFile;
    if (!note.empty()) {
        // One line per comma-separated item of the note.
        for (const std::string& line : SplitCommaText(note)) {
            hint += "\r\n" + line;
        }
    }
    return {prefix + NameWithoutFolderAndExtension(taskFile), hint};
}

TClientSize EditorClientSize(bool narrow, int dpi)
{
    const TClientSize design = narrow ? TClientSize{512, 475} : TClientSize{796, 548};
    if (dpi <= 0 || dpi == 96) {
        return design;
    }
    const auto scale = [dpi](int value) { return static_cast<int>(std::lround(value * dpi / 96.0)) + 34; };
    return {scale(design.Width), scale(design.Height)};
}

std::string DeleteOptionSaveQuestion()
{
    return DeleteOptionWarning() + TrDefault("Do you really want to save this task?");
}

std::string DeleteOptionRunQuestion()
{
    return DeleteOptionWarning() + TrDefault("Do you really want to execute this task?");
}

TTaskEditor::TTaskEditor()
{
    ConnectBackupRun(Auto, Run);
    Auto.Outcome = &Outcome;
    Auto.Host.OpenTask = [this](const std::string& file) { OpenTaskFile(file); };
    Auto.Host.AskSaveChangedTask = [this] { return AskSaveChangedTask(); };
    Run.Mail = &Mail;
    Run.MailUsable = true;
    Run.ExecuteCommand = [this](const std::string& command, int32_t wait, int endMode) -> TCommandOutcome {
        return ExecuteCommand(command, wait, endMode, {Task.Destination, Settings.JobDir, &Log});
    };
    Run.SaveTask = [this] { return SaveTaskWithDialog(); };
    Run.ShowSummary = [this] {
        if (ShowSummary) {
            ShowSummary();
        }
    };
    TaskHistory->SetMaxItems(15);
}

// ---- settings ------------------------------------------------------------------------

void TTaskEditor::ReadSettings(const std::string& settingsFile)
{
    SettingsEnv.DefaultDate = DefaultDateFilter(Date());
    ::ReadSettings(settingsFile, Settings, SettingsEnv);
    TaskEnv = TaskFileEnvFrom(Settings);
    TaskEnv.ProgramText = ProductText;
    TaskEnv.FileVersion = FileVersion;
    TaskEnv.DefaultDate = SettingsEnv.DefaultDate;
    TaskEnv.ApplyDirMasks = [](TExtensionList& entry) { ApplyDirMasks(entry); };
    Log.LogPath = Settings.LogName;
    Log.LogSetting = Settings.Protocol;
    Log.ProductText = ProductText;
    Log.FileVersion = FileVersion;
    Mail.ProgramTitle = ProductText;
    Mail.BufferSize = Settings.BufferSize;
    Run.ProductText = ProductText;
    Run.CloseDelay = Settings.WaitTime;
    Run.TaskFileEnv = TaskEnv;
    TaskHistory->LoadFromIni(Settings.FileName, TaskHistorySection);
}

void TTaskEditor::WriteSettings()
{
    Settings.LastFile = Task.FileName;
    ::WriteSettings(Settings);
    TaskHistory->SaveToIni(Settings.FileName, TaskHistorySection, true);
}

// ---- loading ---------------------------------------------------------------------------

void TTaskEditor::Replaced()
{
    if (TaskReplaced) {
        TaskReplaced();
    }
}

void TTaskEditor::AfterLoad()
{
    SortedSources = false;
    SelectedEntry = Task.Sources.empty() ? -1 : 0;
    Task.Modified = false;
    Replaced();
}

void TTaskEditor::LoadCurrentTask()
{
    const std::string file = Settings.LastFile;
    Task.Sources.clear();
    Task.DirMasks.clear();
    if (!file.empty() && Platform::AnyExists(file)) {
        ReadTaskFile(Task, file, true, Settings.ScanDir, TaskEnv);
        TaskHistory->AddItem(file);
        TaskState = TaskStateLoaded;
    } else {
        Task.FileName = file;
        ResetTaskOptions(Task, TaskEnv);
        TaskState = file.empty() ? TaskStateNew : TaskStateNewWithFile;
        if (!file.empty()) {
            TaskHistory->AddItem(file);
        }
    }
    AfterLoad();
}

void TTaskEditor::ResetTaskToDefaults()
{
    // The FTP settings and the destination text outlive New; the kind becomes folder.
    const TFtpParams ftp = Task.Ftp;
    const std::string destination = Task.Destination;
    Task.Sources.clear();
    Task.FileName.clear();
    ResetTaskOptions(Task, TaskEnv);
    Task.Ftp = ftp;
    Task.Destination = destination;
    Task.FtpBackup = false;
    TaskState = TaskStateNew;
    AfterLoad();
}

void TTaskEditor::OpenTaskFile(const std::string& file)
{
    Task.Sources.clear();
    TaskState = TaskStateLoaded;
    ReadTaskFile(Task, file, true, true, TaskEnv);
    Task.FileName = file;
    TaskHistory->AddItem(file);
    AfterLoad();
}

// ---- the source list ----------------------------------------------------------------------

namespace {

bool SourceBefore(const TExtensionList& a, const TExtensionList& b)
{
    return AnsiUpperCase(a.SourceDir) < AnsiUpperCase(b.SourceDir);
}

} // namespace

void TTaskEditor::SortSources(bool sorted)
{
    std::vector<TExtensionList>& sources = Task.Sources;
    SortedSources = sorted && sources.size() >= 2;
    if (!SortedSources) {
        return;
    }
    std::vector<size_t> order(sources.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&sources](size_t a, size_t b) { return SourceBefore(sources[a], sources[b]); });
    std::vector<TExtensionList> sortedSources;
    sortedSources.reserve(sources.size());
    int selected = -1;
    for (size_t at = 0; at < order.size(); ++at) {
        if (static_cast<int>(order[at]) == SelectedEntry) {
            selected = static_cast<int>(at);
        }
        sortedSources.push_back(std::move(sources[order[at]]));
    }
    sources = std::move(sortedSources);
    SelectedEntry = selected;
}

int TTaskEditor::AddSource(const TExtensionList& entry)
{
    std::vector<TExtensionList>& sources = Task.Sources;
    const auto at =
        SortedSources ? std::upper_bound(sources.begin(), sources.end(), entry, SourceBefore) : sources.end();
    const auto index = static_cast<int>(at - sources.begin());
    sources.insert(at, entry);
    return index;
}

// ---- the question before a task goes ------------------------------------------------

bool TTaskEditor::AskSaveChangedTask()
{
    if (!Task.Modified) {
        return true;
    }
    const std::string text = Task.FileName.empty()
                                 ? TrDefault("Save new backup task?")
                                 : FormatText(TrDefault("Save changed task to %s"), ExtractFileName(Task.FileName));
    const int answer = MessageDialogAt({}, text, TMsgDlgType::Confirmation, MbYesNoCancel, CenteredPoint);
    if (answer == MrNo) {
        Task.Modified = false;
        return true;
    }
    if (answer != MrYes) {
        return false;
    }
    if (!CheckTaskBeforeSave()) {
        return false;
    }
    // The edits may only go once they are in a file.
    return Task.FileName.empty() ? SaveTaskWithDialog() : SaveCurrentTask();
}

// ---- commands ----------------------------------------------------------------------------

bool TTaskEditor::NewTaskClick()
{
    if (!AskSaveChangedTask()) {
        return false;
    }
    ResetTaskToDefaults();
    return true;
}

bool TTaskEditor::OpenTaskClick()
{
    if (!AskSaveChangedTask()) {
        return false;
    }
    std::string file;
    if (!Dialogs || !Dialogs->OpenTaskFile(TrDefault("Open backup task"), file) || file.empty()) {
        return false;
    }
    OpenTaskFile(file);
    return true;
}

bool TTaskEditor::LoadFromListClick(const std::string& file)
{
    if (!Platform::FileExists(file)) {
        ErrorDialogAt({}, FormatText(TrDefault("File\r\n\"%s\"\r\nnot found!"), file), CenteredPoint);
        TaskHistory->RemoveItem(file);
        return false;
    }
    if (!AskSaveChangedTask()) {
        return false;
    }
    OpenTaskFile(file);
    return true;
}

bool TTaskEditor::CheckTaskBeforeSave()
{
    if (DestinationOnSourceRoot(Task, SelectedEntry >= 0)) {
        ErrorDialogAt({}, DestinationOnSourceRootText(), CenteredPoint);
        return false;
    }
    return TaskChecks(Task, CheckDialogs ? CheckDialogs : RegisteredTaskCheckDialogs()) &&
           ConfirmDeleteOption(DeleteOptionSaveQuestion());
}

bool TTaskEditor::SaveTaskItemClick()
{
    if (!CheckTaskBeforeSave()) {
        return false;
    }
    if (Task.FileName.empty()) {
        return SaveTaskWithDialog();
    }
    const uint32_t attr = Platform::GetFileAttributes(Task.FileName);
    if (attr != InvalidFileAttributes && (attr & faReadOnly) != 0) {
        InfoDialogAt({}, TrDefault("The loaded task file is read only, save task using another name!"), CenteredPoint);
        return SaveTaskWithDialog();
    }
    return SaveCurrentTask();
}

bool TTaskEditor::SaveTaskAsItemClick()
{
    std::string file;
    return CheckTaskBeforeSave() && SelectTaskSaveName(file) && SaveTaskAs(file);
}

bool TTaskEditor::ImportierenClick()
{
    std::string file;
    if (!Dialogs || !Dialogs->OpenTaskFile(TrDefault("Import directories to backup"), file) || file.empty()) {
        return false;
    }
    const size_t before = Task.Sources.size();
    ReadTaskFile(Task, file, false, true, TaskEnv);
    TaskHistory->AddItem(file);
    if (SelectedEntry < 0 && Task.Sources.size() > before) {
        SelectedEntry = static_cast<int>(before);
    }
    if (SortedSources) {
        SortSources(true);
    }
    Task.Modified = true;
    Replaced();
    if (ShowSummary) {
        ShowSummary();
    }
    return true;
}

bool TTaskEditor::ExportierenClick()
{
    std::string file;
    if (!AskTaskSaveName(TrDefault("Save selected directories as new task"), file)) {
        return false;
    }
    // The export is a copy: the task in the editor keeps its own file and its changes.
    TBackupTask exported = Task;
    const int selected = SelectedEntry < static_cast<int>(Task.Sources.size()) ? SelectedEntry : -1;
    if (!WriteTaskFile(exported, file, selected, selected, TaskEnv)) {
        return false;
    }
    TaskHistory->AddItem(file);
    return true;
}

// ---- saving ----------------------------------------------------------------------------------

bool TTaskEditor::ConfirmDeleteOption(const std::string& question) const
{
    if (!Task.DeleteFile) {
        return true;
    }
    return MessageDialogAt({}, question, TMsgDlgType::Confirmation, MbYesNo, CenteredPoint) == MrYes;
}

bool TTaskEditor::AskTaskSaveName(const std::string& title, std::string& file)
{
    for (;;) {
        file.clear();
        if (!Dialogs || !Dialogs->SaveTaskFile(title, file)) {
            file.clear();
            return false;
        }
        // A name of blanks only is no name: the header and the recent tasks would show nothing.
        if (!TrimText(NameWithoutFolderAndExtension(file)).empty()) {
            return true;
        }
        ErrorDialogAt({}, TrDefault("A task name must not be empty or consist of blanks only!"), CenteredPoint);
    }
}

bool TTaskEditor::SelectTaskSaveName(std::string& file)
{
    return AskTaskSaveName(TrDefault("Save actual task"), file);
}

bool TTaskEditor::SaveTaskAs(const std::string& file)
{
    // A failed write keeps the old name and the changed flag: the edits are not in a file.
    if (!WriteTaskFile(Task, file, -1, -1, TaskEnv)) {
        return false;
    }
    TaskHistory->AddItem(file);
    TaskState = TaskStateLoaded;
    Task.Modified = false;
    return true;
}

bool TTaskEditor::SaveTaskWithDialog()
{
    std::string file;
    return SelectTaskSaveName(file) && SaveTaskAs(file);
}

bool TTaskEditor::SaveCurrentTask()
{
    return WriteTaskFile(Task, Task.FileName, -1, -1, TaskEnv);
}

// ---- the run ------------------------------------------------------------------------------------

bool TTaskEditor::StartBtnClick()
{
    Run.CheckDialogs = CheckDialogs;
    Run.ZipName = MakeZipName(Task.ZipName);
    Run.NetUserName = Auto.NetUserName;
    Run.CloseDelay = Settings.WaitTime;
    Run.TaskFileEnv = TaskEnv;
    const std::string before = Task.FileName;
    const bool ok = Run.StartBtnClick();
    if (Task.FileName != before) {
        TaskState = TaskStateLoaded;
    }
    return ok;
}
