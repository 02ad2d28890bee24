#pragma once

// The commands a task (and an automatic-task slot) runs before and after a backup.
//
//   TCommandOutcome ExecuteCommand(const std::string& command, int32_t wait, int endMode,
//                                  const TCommandContext& context);
//
// wait: bit 0x2000 (CommandEnabledBit) switches the command on; bits 0..12 hold the
// longest wait in seconds, 0 waiting until the program ends. endMode is the run's
// AutoEnd: messages are shown only for EndWaitForUser and EndWaitOnError. A program that
// was not found skips the backup of a pre-command; one that fails or times out is logged
// and reported, and the run goes on to end with a warning. Captured output (a command
// with a wait limit) goes into the log.
//
// The program (the first item, in double quotes when it holds blanks) is a host path
// ("/home/ann/bin/dump-db.sh"), Windows text of older task files, a name in the task
// folder or a name found in PATH. The command runs in the task folder, or in the home
// folder while the task folder does not exist.

#include <cstdint>
#include <string>

class TBackupLog;

struct TCommandContext
{
    std::string Destination;   // the task's destination as typed, for "%dest%"
    std::string TaskDir;       // the task folder: working folder, home of relative programs
    TBackupLog* Log = nullptr; // lines go there while it is open; may be null
};

enum class TCommandOutcome
{
    Done,     // nothing was to run, or the program ended with exit code 0
    Failed,   // the program failed to start, ended with another code or timed out
    NotFound, // there is no such program: a pre-command's backup is skipped
};

TCommandOutcome ExecuteCommand(const std::string& command, int32_t wait, int endMode, const TCommandContext& context);

// "%dest%" and "%sysdir%" replaced (ignoring case) by host paths and the date placeholders
// expanded.
// A destination ":LABEL:\..." names its drive by volume label; false when no drive
// carries that label (the command must not run then).
bool ExpandCommand(const std::string& command, const std::string& destination, std::string& expanded);

// True when the program of the expanded command exists. "cmd ... /c prog ..." checks
// prog as it stands; any other program is looked for as FindProgram does, with workDir
// (Windows text) as the working folder.
bool CommandProgramExists(const std::string& expanded, const std::string& workDir);

// The folder a command runs in: the task folder, or the home folder while there is none.
std::string CommandFolder(const std::string& taskDir);
