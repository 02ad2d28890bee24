#pragma once

#include <string>

// Drive types, path kinds, volume labels and the writable-folder test on Windows path text.
// A path's drive type and label are those of the mount that holds it.

// Names of the drive types 0 to 6.
extern const char* const DriveTypeNames[7];

// The drive type of the path (0 to 6).
int DriveTypeOfPath(const std::string& path);

inline constexpr int PathKindInvalid = 0;   // the drive has no root
inline constexpr int PathKindLocal = 1;     // fixed, RAM disk or unknown type
inline constexpr int PathKindNoDrive = 2;   // no drive given
inline constexpr int PathKindRemovable = 3; // removable or CD-ROM
inline constexpr int PathKindNetwork = 4;   // remote drive or "\\server\share"
int GetPathKind(const std::string& path);

// The label of the volume that holds the path; false and "not available" when there is
// no such volume.
bool GetVolumeName(const std::string& path, std::string& label);
// The root (ending with "\") of the first volume whose label equals label ignoring case:
// drive letters first, then the mounts; empty when none.
bool FindVolumeDrive(const std::string& label, std::string& root);

// The user name used for network connections.
std::string GetNetUserName();

// True when the folder exists or can be created and a file can be created in it. The test
// file has a name no other file has and is the only one removed again.
bool IsWritableFolder(const std::string& folder);
