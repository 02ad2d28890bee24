#pragma once

// The task file (".buj"): reading, writing and the statistics after a run.
//
// The current form is an INI file with the sections Global, Ftp, Proxy, Mail,
// User, DirFilter and one "Dir" + three digits per source entry; an older
// plain-text form is still read. Passwords are stored with the stored-password
// coder. Files are written whole to a temporary file and renamed over the old
// one, so a failed write never loses the task.

#include "tasks/TaskModel.h"

#include <functional>
#include <string>
#include <vector>

// What reading and writing a task needs from the program around it.
struct TTaskFileEnv
{
    std::string ProgramText;             // written as [Global] Program
    std::string FileVersion;             // written as [Global] Version; its presence marks the INI form
    std::string BackupSuffix = "bak";    // program-wide suffix of kept versions
    std::vector<std::string> NoCompress; // program-wide never-compressed types
    std::string CmdLineUser;             // network user given on the command line
    std::string CmdLinePassword;
    TDateFilter DefaultDate; // every new source entry starts from it

    // Folder existence test for excluded subfolders; by default the file system's.
    std::function<bool(const std::string& dir)> DirExists;
    // Applies an entry's folder masks to it (the editor's source page); may be empty.
    std::function<void(TExtensionList& entry)> ApplyDirMasks;
    // Expands the path placeholders of a source folder; by default ExpandPlaceholders.
    std::function<std::string(const std::string& dir)> ExpandSourceDir;
    // The destination history (TProgramSettings::DestinationHistory): reading and
    // writing a task put its destination on top. May be null.
    std::vector<std::string>* DestinationHistory = nullptr;
};

// Resets the options of a task to those of a new task (keeps the source entries,
// the file name and the folder masks).
void ResetTaskOptions(TBackupTask& task, const TTaskFileEnv& env);

// Loads a task file into `task`. With readAll false only the source entries are
// read and appended (import of folders). Source entries are always appended, never
// cleared: callers that load a whole task clear them first. `rescan` true flags
// every entry as needing a scan; false flags the entries from the first one
// without stored counters on. A missing file leaves the task unchanged: false.
bool ReadTaskFile(TBackupTask& task, const std::string& fileName, bool readAll, bool rescan, const TTaskFileEnv& env);

// The older plain-text form; ReadTaskFile falls back to it by itself. A text without a
// destination on its first line and at least one "D" record is no task: false,
// nothing read.
bool ReadPlainTaskFile(TBackupTask& task, const std::string& fileName, bool readAll, bool rescan,
                       const TTaskFileEnv& env);

// Writes the task. firstEntry < 0 writes all source entries; otherwise the
// entries firstEntry..lastEntry, renumbered from Dir000. On success the file
// becomes the task's FileName and Modified is cleared; on failure nothing of the
// task changes, the old file is kept and `error` receives the user's message.
bool WriteTaskFile(TBackupTask& task, const std::string& fileName, int firstEntry, int lastEntry,
                   const TTaskFileEnv& env, std::string* error = nullptr);

// True for a name ending in ".buj" (any case).
bool HasTaskExtension(const std::string& fileName);

// Writes the last-run text and each entry's counters into an existing task file
// after a run (an older plain-text file named *.buj is rewritten whole; any other
// plain text is left alone). The file keeps its attributes, read-only included.
// Errors are not reported: false.
bool UpdateTaskStatistics(TBackupTask& task, const std::string& fileName, const TTaskFileEnv& env);

// Text of a destination layout for the run's log: "Single files - Clone of source".
std::string DestinationModeText(int destMode);
