#pragma once

// The commands a task (and an automatic-task slot) runs before and after a backup.
//
//   bool ExecuteCommand(const std::string& command, int32_t wait, int endMode,
//                       const TCommandContext& context);
//
// wait: bit 0x2000 (CommandEnabledBit) switches the command on; bits 0..12 hold the
// longest wait in seconds, 0 waiting until the program ends. endMode is the run's
// AutoEnd: messages are shown only for EndWaitForUser and EndWaitOnError. The result is
// false only when the program was not found (the caller then skips the backup for a
// pre-command); a program that fails or times out is logged and reported, and the
// result is true. Captured output (a command with a wait limit) goes into the log.

#include <cstdint>
#include <string>

class TBackupLog;

struct TCommandContext
{
    std::string Destination;   // the task's destination as typed, for "%dest%"
    std::string TaskDir;       // the task folder: working folder, home of relative programs
    TBackupLog* Log = nullptr; // lines go there while it is open; may be null
};

bool ExecuteCommand(const std::string& command, int32_t wait, int endMode, const TCommandContext& context);

// "%dest%" and "%sysdir%" replaced (ignoring case) and the date placeholders expanded.
// A destination ":LABEL:\..." names its drive by volume label; false when no drive
// carries that label (the command must not run then).
bool ExpandCommand(const std::string& command, const std::string& destination, std::string& expanded);

// True when the program of the expanded command exists. "cmd ... /c prog ..." checks
// prog as it stands; any other program is completed from the task folder.
bool CommandProgramExists(const std::string& expanded, const std::string& taskDir);
