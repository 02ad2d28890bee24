#pragma once

// Names a backup writes under in a destination folder before a finished copy takes its
// final name, and the hidden security copies that earlier versions of the program left
// there. Neither is a backed-up file: the walk, clearing, synchronisation, restore and
// clean-up skip them, and the next backup in that folder tidies them away.
//
//   IsBackupTemporaryName    ".tessaro-" + 16 hex digits + ".part"
//   MakeBackupTemporaryName  a fresh name of that pattern
//   IsSecurityCopyName       ".~" + final name + "." + number + ".tsbak"

#include <cstdint>
#include <string>
#include <string_view>

// True for a name (no folder part) that a copy in progress writes under.
bool IsBackupTemporaryName(std::string_view name);

// A temporary name made from 64 bits of randomness; callers create it exclusively and
// take another one when it exists.
std::string MakeBackupTemporaryName(std::uint64_t random);

// True for a security copy name; finalName (when given) receives the name it was made for.
bool IsSecurityCopyName(std::string_view name, std::string* finalName = nullptr);

// Either of the two: a name that never stands for a file of the backup.
inline bool IsBackupLeftoverName(std::string_view name)
{
    return IsBackupTemporaryName(name) || IsSecurityCopyName(name);
}
