#pragma once

// The lock a run holds on the folder it writes or deletes in (a backup destination, a
// restore folder, a folder being cleaned up), so that two runs, of this instance or of
// another one, never work in one folder at once. It is an advisory lock (flock) on a file
// in the session's runtime folder whose name stands for the folder's host path; the
// kernel releases it when the process ends, however it ends, and the holder removes the
// file when it lets go.

#include <string>

namespace Platform {

class TFolderLock
{
public:
    // folder: Windows path text; a text that names no local folder (an FTP destination)
    // is taken as it stands. runtimeDir: where the lock files lie (SessionRuntimeDir).
    TFolderLock(const std::string& folder, const std::string& runtimeDir);
    ~TFolderLock();
    TFolderLock(const TFolderLock&) = delete;
    TFolderLock& operator=(const TFolderLock&) = delete;

    // True when this object holds the lock afterwards, and when no lock file can be
    // made: a run is never kept from its work by the lock itself.
    bool TryLock();
    // The folder's host path, or the text as given.
    const std::string& Key() const { return key; }

private:
    std::string key;
    std::string path; // the lock file; empty without a runtime folder
    int fd = -1;
    bool locked = false;
};

// The lock file's host path for a key: "<runtimeDir>/Tessaro-run-<hash>.lock".
std::string FolderLockPath(const std::string& key, const std::string& runtimeDir);

} // namespace Platform
