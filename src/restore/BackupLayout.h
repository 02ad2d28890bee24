#pragma once

// The way back from a backup folder to the place its files came from: the inverse of
// the drive-separated layouts, shared by the restore and the clean-up.
//
// A backup keeps each source drive in a folder "Lw" + letter ("LwC" for C:) and each
// network share in the folders "server\share"; below them the source path follows.
//
//   DriveOfFolder, OriginOfBackupFolder, DriveFoldersIn

#include <functional>
#include <string>
#include <vector>

// "C:" for the folder name "LwC" (also "Lwc"; with ignoreCase also "lwc", "LWC"); empty
// for any other name. Only the whole name counts: "LwCx", "Lw" and "XLwC" are no drive
// folders.
std::string DriveOfFolder(const std::string& name, bool ignoreCase = false);

// Place of origin of a folder inside a backup: from the first path component that is a
// drive folder ("E:\Backup\LwD\Data" gives "D:\Data", "E:\Backup\LwD" gives "D:\"), or
// from the first pair of components "server\share" that the drive table knows as the
// share "\\server\share" ("E:\Backup\nas\data\Photos" gives "\\nas\data\Photos"),
// whichever comes first; a bare drive folder gives its root with a trailing "\". The
// drive of the folder itself is never taken. Empty when the folder lies in no drive folder.
std::string OriginOfBackupFolder(const std::string& folder, bool ignoreCase = false);

struct TDriveFolder
{
    std::string Folder; // the drive folder in the backup, "E:\Backup\LwC" or "E:\Backup\nas\data"
    std::string Origin; // the root it came from, "C:\" or "\\nas\data\"
};

// The drive folders directly inside a backup root, "Lw" + letter folders first (in
// the order of the search), then the share folders whose "\\server\share" the drive
// table knows. Stops early when cancelled() returns true.
std::vector<TDriveFolder> DriveFoldersIn(const std::string& root, bool ignoreCase = false,
                                         const std::function<bool()>& cancelled = {});
