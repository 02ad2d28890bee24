#pragma once

// The lock a run holds on the folder it writes or deletes in (a backup destination, a
// restore folder, a folder being cleaned up), so that two runs, of this instance or of
// another one, never work in one folder at once. It is an advisory lock (flock) that the
// kernel releases when the process ends, however it ends:
// - a local folder is locked itself, on an open descriptor of it: every spelling of its
//   path, a bind mount or a link to it reaches the same folder, and no environment
//   variable changes which lock a run takes;
// - a folder on an FTP server is locked through a file in the user's private folder of
//   the machine (MachineUserDir) whose name stands for the server, its port and the
//   folder; the holder removes the file when it lets go.
// The descriptor is never handed to a program the run starts.

#include <string>
#include <vector>

namespace Platform {

class TFolderLock
{
public:
    // folder: Windows path text. With makeMissing the levels of it that are missing are
    // made first, and removed again by the holder when they are still empty.
    explicit TFolderLock(const std::string& folder, bool makeMissing = false);
    // A folder on an FTP server; lockDir: where the lock files lie.
    TFolderLock(const std::string& host, int port, const std::string& remoteFolder, const std::string& lockDir);
    ~TFolderLock();
    TFolderLock(const TFolderLock&) = delete;
    TFolderLock& operator=(const TFolderLock&) = delete;

    // True when this object holds the lock afterwards, and when there is nothing to lock
    // (a missing folder, no lock folder): a run is never kept from its work by the lock
    // itself.
    bool TryLock();
    // What is locked: the folder's host path, or the lock file of an FTP folder.
    const std::string& LockedPath() const { return path; }

private:
    bool OpenLocked();
    void MakeMissingLevels();
    void RemoveMadeLevels() const;

    std::string path; // empty: nothing to lock
    bool isFile = false;
    bool makeMissing = false;
    std::vector<std::string> made; // host paths of the levels made, outer first
    int fd = -1;
    bool locked = false;
};

// "ftp://host:port/folder" with the host in lower case and the folder's delimiters
// tidied: one text for every spelling of one server folder.
std::string FtpFolderKey(const std::string& host, int port, const std::string& remoteFolder);

} // namespace Platform
