#pragma once

// The drive table: Windows path text ("C:\dir", "\\server\share\dir") <-> host paths.
//   "C:" is "/" by default; cifs/smb3 and gvfs smb shares appear as "\\server\share";
//   TESSARO_DRIVES="NAME=HOSTDIR[,type[,label]];..." adds or overrides entries
//   (type: unknown, noroot, removable, fixed, remote, cdrom, ramdisk or its number).
//
//   WinToHost, HostToWin, WinNameToHost, HostNameToWin, ExtractFileDrive,
//   DriveTable, ReloadDriveTable, LogicalDrives,
//   GetDriveType, GetVolumeLabel, FindVolumeDrive, GetDiskFreeSpace

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Platform {

struct TDriveEntry
{
    std::string Name;    // "C:" or "\\server\share"
    std::string HostDir; // "/" or "/mnt/nas", no trailing slash except for "/"
    int Type = 0;        // DriveUnknown: answered by the mount that holds a path
    std::string Label;   // empty: answered by the mount
    bool FromEnvironment = false;
};

std::vector<TDriveEntry> DriveTable();

// Reads mountinfo and TESSARO_DRIVES again (tests call it after changing the variable).
void ReloadDriveTable();

// Letter drives as "C:\" in order of their letters.
std::vector<std::string> LogicalDrives();

// Windows path text -> host path; nullopt when the drive or share is unknown.
// "/" counts as a delimiter too; "." and ".." are resolved; a path without a drive
// stays relative; "\dir" lies on drive C:.
std::optional<std::string> WinToHost(const std::string& winPath);

// Host path (absolute) -> Windows text; the longest matching table entry wins.
// A drive's root ends with "\"; nullopt when no entry holds the path.
std::optional<std::string> HostToWin(const std::string& hostPath);

// One name: characters Windows forbids (\ : * ? " < > |) <-> U+F000 + their code.
std::string HostNameToWin(const std::string& name);
std::string WinNameToHost(const std::string& name);

// "C:" of "C:\dir\f", "\\server\share" of "\\server\share\dir"; empty otherwise.
std::string ExtractFileDrive(const std::string& winPath);

// True when the text names one place whatever the working folder: a drive's root and
// below ("C:\dir"), a share ("\\server\share\dir") or "\dir" on drive C:. "dir" and
// "C:dir" depend on the working folder.
bool IsFullWinPath(const std::string& winPath);

// A table entry with a type or a label (TESSARO_DRIVES, network shares) answers these for
// every path below it (an empty label when it names none); else the mount holding the path.
int GetDriveType(const std::string& winPath); // DriveNoRootDir when the drive is unknown
std::string GetVolumeLabel(const std::string& winPath);
std::string FindVolumeDrive(const std::string& winPath); // the volume's root as Windows text

// Free and total bytes of the volume; false (LastError set) when the path's drive is unknown.
bool GetDiskFreeSpace(const std::string& winPath, std::uint64_t& freeToCaller, std::uint64_t& totalBytes,
                      std::uint64_t& totalFree);

} // namespace Platform
