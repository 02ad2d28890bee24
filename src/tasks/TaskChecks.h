#pragma once

// Tests a task for combinations that cannot work, before it is saved or run and
// while folders are added or the layout changes:
//   TaskChecks, DestinationOnSourceRoot, SourcesOnOneDrive, FindSourceEntry.
// The checks read the task model; the windows they may open (FTP settings, folder
// chooser) come through ITaskCheckDialogs, messages through the message-dialog API.

#include "tasks/TaskModel.h"

#include <string>

// Windows that TaskChecks opens to let the user repair the task.
class ITaskCheckDialogs
{
public:
    virtual ~ITaskCheckDialogs() = default;
    // The FTP settings dialog (placeholders allowed, password hidden); true on OK.
    virtual bool EditFtpSettings(TFtpParams& params) = 0;
    // The folder chooser "Select destination directory" starting at folder; true when
    // one was chosen (then in folder).
    virtual bool ChooseDestination(std::string& folder) = 0;
};

// True when the task may be saved or run. Shows the messages itself; may change the
// destination (marking the task modified). dialogs may be null: nothing is repaired.
bool TaskChecks(TBackupTask& task, ITaskCheckDialogs* dialogs);

// Why the destination cannot take this task's backup safely: it lies inside a source
// folder, or a source lies in a destination folder that the task empties or
// synchronises. Empty when neither; FTP destinations and volume labels are not checked.
std::string UnsafeDestinationText(const TBackupTask& task);

// True when a task's folder text, placeholders expanded, names one place whatever the
// working folder: a full path or a volume label (":LABEL\dir"). A relative text would
// make a run create folders wherever it was started.
bool FullFolderText(const std::string& text);

// True when path is folder or lies inside it (ignoring case).
bool PathInside(const std::string& path, const std::string& folder);

// A source folder that lies in a destination folder that the task empties or
// synchronises, so that a run would delete it; empty when there is none.
std::string SourceInClearedDestination(const TBackupTask& task);

// True when the destination is the root folder of a drive that also holds a source
// entry (not for FTP and not for layouts 0 and 4). sourceSelected: a line of the
// source list is selected.
bool DestinationOnSourceRoot(const TBackupTask& task, bool sourceSelected);

// True when every source entry lies on the drive of path (of the first entry when path
// is empty); always true for layouts 0 and 5 and when no source line is selected.
bool SourcesOnOneDrive(const TBackupTask& task, const std::string& path, bool sourceSelected);

// Index of the first source entry that overlaps folder (folder inside the entry first,
// then the entry inside folder), -1 when none.
int FindSourceEntry(const TBackupTask& task, const std::string& folder);

// The messages the callers show for the results above.
std::string DestinationOnSourceRootText();
std::string SeveralSourceDrivesText();
