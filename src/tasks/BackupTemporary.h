#pragma once

// Names a backup writes under in a destination folder before a finished copy takes its
// final name, and the hidden security copies that earlier versions of the program left
// there. Neither is a backed-up file: the walk, clearing, synchronisation, restore and
// clean-up skip them, and the next backup in that folder tidies them away.
//
//   IsBackupTemporaryName    ".tessaro-" + 16 hex digits + ".part"
//   MakeBackupTemporaryName  a fresh name of that pattern
//   IsSecurityCopyName       ".~" + final name + "." + number + ".tsbak"
//   IsWorkRecordName         ".tessaro-work": where a run works (tasks/BackupWorkRecord.h)
//   RemoveBackupTemporaries  the temporaries a killed run left in a folder

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// True for a name (no folder part) that a copy in progress writes under.
bool IsBackupTemporaryName(std::string_view name);

// A temporary name made from 64 bits of randomness; callers create it exclusively and
// take another one when it exists.
std::string MakeBackupTemporaryName(std::uint64_t random);

// True for a security copy name; finalName (when given) receives the name it was made for.
bool IsSecurityCopyName(std::string_view name, std::string* finalName = nullptr);

// The name of a run's record of the folders it works in, in the folder the run locks.
inline constexpr std::string_view WorkRecordName = ".tessaro-work";
inline bool IsWorkRecordName(std::string_view name)
{
    return name == WorkRecordName;
}

// Any of the three: a name that never stands for a file of the backup.
inline bool IsBackupLeftoverName(std::string_view name)
{
    return IsBackupTemporaryName(name) || IsSecurityCopyName(name) || IsWorkRecordName(name);
}

namespace Platform {
class TDestFolder;
class TFile;
} // namespace Platform

// Creates a fresh temporary file in the folder, exclusively and never through a link;
// name receives its name. nullptr with Platform::LastError() when none can be made.
std::unique_ptr<Platform::TFile> CreateBackupTemporary(const Platform::TDestFolder& folder, std::string& name);

// Deletes the temporaries a run that died (killed, power cut) left in the folder, never
// through a link; returns the Windows paths of those removed.
std::vector<std::string> RemoveBackupTemporaries(const Platform::TDestFolder& folder);
