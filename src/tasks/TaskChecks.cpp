#include "tasks/TaskChecks.h"

#include "foundation/MessageDialogs.h"
#include "foundation/PathUtils.h"
#include "foundation/StringUtils.h"
#include "foundation/Translate.h"
#include "platform/Drives.h"
#include "tasks/BackupSelection.h"
#include "tasks/IniValues.h"
#include "tasks/Placeholders.h"

namespace {

int ErrorBox(const std::string& text, unsigned buttons)
{
    return MessageDialogAt({}, text, TMsgDlgType::Error, buttons, CenteredPoint);
}

bool CheckFtpDestination(TBackupTask& task, ITaskCheckDialogs* dialogs)
{
    if (!task.Ftp.Host.empty() && !task.Ftp.Username.empty()) {
        return true;
    }
    if (ErrorBox(TrDefault("Please specify FTP server and/or username"), MbOkCancel) != MrOk || !dialogs) {
        return false;
    }
    // The user's answer in the dialog counts; it is not tested again.
    if (!dialogs->EditFtpSettings(task.Ftp)) {
        return false;
    }
    task.Modified = true;
    return true;
}

bool CheckEmptyDestination(TBackupTask& task, ITaskCheckDialogs* dialogs)
{
    if (ErrorBox(TrDefault("Please select a backup destination"), MbOkCancel) != MrOk || !dialogs) {
        return false;
    }
    std::string folder;
    if (!dialogs->ChooseDestination(folder) || folder.empty()) {
        return false;
    }
    task.Destination = folder;
    task.Modified = true;
    return true;
}

// Whole folder names count: "D:\Data2" does not lie in "D:\Data".
bool DestinationInsideSource(const TBackupTask& task)
{
    const std::string dest = ExpandPlaceholders(false, task.Destination);
    if (dest.empty() || dest.front() == ':') {
        return false; // a volume label: known only when the run finds the volume
    }
    for (const TExtensionList& entry : task.Sources) {
        if (PathInside(dest, entry.ExpandedDir)) {
            return true;
        }
    }
    return false;
}

} // namespace

bool FullFolderText(const std::string& text)
{
    const std::string expanded = ExpandPlaceholders(false, text);
    return (!expanded.empty() && expanded.front() == ':') || Platform::IsFullWinPath(expanded);
}

bool PathInside(const std::string& path, const std::string& folder)
{
    return StartsWithIgnoringCase(AddPathDelimiter(path), AddPathDelimiter(folder));
}

std::string SourceInClearedDestination(const TBackupTask& task)
{
    if (task.FtpBackup || task.IsZipDestination()) {
        return {};
    }
    const bool clears = task.BackupMethod() != MethodCopy;
    const bool syncs = task.SyncMode != SyncOff && (task.DestMode != DestOneDirectory || task.Sources.size() == 1);
    if (!clears && !syncs) {
        return {};
    }
    const std::string root = ExpandPlaceholders(false, task.Destination);
    for (const TExtensionList& target : task.Sources) {
        const std::string base = DestinationBase(root, RemovePathDelimiter(target.ExpandedDir), task.DestMode);
        for (const TExtensionList& entry : task.Sources) {
            if (PathInside(entry.ExpandedDir, base)) {
                return entry.ExpandedDir;
            }
        }
    }
    return {};
}

bool TaskChecks(TBackupTask& task, ITaskCheckDialogs* dialogs)
{
    if (task.Sources.empty()) {
        return false;
    }
    if (task.FtpBackup) {
        return CheckFtpDestination(task, dialogs);
    }
    if (task.Destination.empty()) {
        return CheckEmptyDestination(task, dialogs);
    }
    if (const std::string unsafe = UnsafeDestinationText(task); !unsafe.empty()) {
        ErrorBox(unsafe, MbOk);
        return false;
    }
    return true;
}

std::string UnsafeDestinationText(const TBackupTask& task)
{
    if (task.FtpBackup) {
        return {};
    }
    if (DestinationInsideSource(task)) {
        return TrDefault("Overlapping of source and destination directories is not allowed!");
    }
    const std::string endangered = SourceInClearedDestination(task);
    if (!endangered.empty()) {
        return FormatText(TrDefault("The source folder \"%s\" lies in a destination folder that this task "
                                    "empties or synchronises!"),
                          endangered) +
               "\r\n" + TrDefault("Choose another destination or switch emptying and synchronisation off.");
    }
    return {};
}

bool DestinationOnSourceRoot(const TBackupTask& task, bool sourceSelected)
{
    if (task.FtpBackup || task.DestMode == DestDrivesSeparated || task.DestMode == DestZipFile) {
        return false;
    }
    const std::string drive = Platform::ExtractFileDrive(task.Destination);
    if (drive.empty() || drive + "\\" != ExtractFilePath(task.Destination) || !sourceSelected) {
        return false;
    }
    for (const TExtensionList& entry : task.Sources) {
        if (Platform::ExtractFileDrive(entry.ExpandedDir) == drive) {
            return true;
        }
    }
    return false;
}

bool SourcesOnOneDrive(const TBackupTask& task, const std::string& path, bool sourceSelected)
{
    if (task.DestMode == DestDrivesSeparated || task.DestMode == DestZipPerDirectory || !sourceSelected ||
        task.Sources.empty()) {
        return true;
    }
    const std::string drive = Platform::ExtractFileDrive(path.empty() ? task.Sources.front().ExpandedDir : path);
    for (const TExtensionList& entry : task.Sources) {
        if (Platform::ExtractFileDrive(entry.ExpandedDir) != drive) {
            return false;
        }
    }
    return true;
}

int FindSourceEntry(const TBackupTask& task, const std::string& folder)
{
    const std::string wanted = AddPathDelimiter(folder);
    const int count = static_cast<int>(task.Sources.size());
    for (int i = 0; i < count; ++i) {
        if (StartsWithIgnoringCase(wanted, AddPathDelimiter(task.Sources[static_cast<size_t>(i)].ExpandedDir))) {
            return i;
        }
    }
    for (int i = 0; i < count; ++i) {
        if (StartsWithIgnoringCase(AddPathDelimiter(task.Sources[static_cast<size_t>(i)].ExpandedDir), wanted)) {
            return i;
        }
    }
    return -1;
}

std::string DestinationOnSourceRootText()
{
    return TrDefault("Your destination is the root directory of the same drive") + "\r\n" +
           TrDefault("you are using as source!") + "\r\n" +
           TrDefault("Select another destination path or do backup to \"Drives separated\"!");
}

std::string SeveralSourceDrivesText()
{
    return TrDefault("If a task contains several drives as source") + "\r\n" +
           TrDefault("you cannot select the destination as \"clone of source\"!") + "\r\n" +
           TrDefault("Create separate tasks for this purpose!");
}
