#pragma once

// The lock a run holds on the folder it writes or deletes in (a backup destination, a
// restore folder, a folder being cleaned up), so that two runs, of this instance or of
// another one, never work in one folder at once. It is an advisory lock (flock) that the
// kernel releases when the process ends, however it ends:
// - a local folder is locked itself, on an open descriptor of it: every spelling of its
//   path, a bind mount or a link to it reaches the same folder, and no environment
//   variable changes which lock a run takes;
// - a folder on an FTP server is locked through a file in the user's private lock folder
//   (UserLockDir) whose name stands for the server, its port and the folder; the holder
//   removes the file when it lets go. Where that folder is not the user's alone (a link,
//   another user's, writable by others) or cannot be made, the lock fails and says why: a
//   run never goes on unlocked.
// The descriptor is never handed to a program the run starts.

#include <string>
#include <vector>

namespace Platform {

// Why the lock of a folder on an FTP server cannot be made.
enum class TLockFailure
{
    None,
    NoHome,       // no home folder to keep the lock folder in
    Link,         // a link stands where the lock folder belongs
    NotAFolder,   // something else stands there
    OtherOwner,   // the folder belongs to another user
    OpenToOthers, // other users may write in it
    System,       // the system refused (FailureError() tells)
};

class TFolderLock
{
public:
    // folder: Windows path text. With makeMissing the levels of it that are missing are
    // made first, and removed again by the holder when they are still empty.
    explicit TFolderLock(const std::string& folder, bool makeMissing = false);
    // A folder on an FTP server; lockDir: the private folder the lock files lie in (host
    // path; empty: there is none).
    TFolderLock(const std::string& host, int port, const std::string& remoteFolder, const std::string& lockDir);
    ~TFolderLock();
    TFolderLock(const TFolderLock&) = delete;
    TFolderLock& operator=(const TFolderLock&) = delete;

    // True when this object holds the lock afterwards, and when there is nothing to lock
    // (a missing local folder). False while another run holds it, and when it cannot be
    // made (Failure() says why).
    bool TryLock();
    TLockFailure Failure() const { return failure; }
    // The Windows error code of TLockFailure::System.
    int FailureError() const { return failureError; }
    // The folder the FTP locks lie in (host path).
    const std::string& LockDir() const { return lockDir; }
    // What is locked: the folder's host path, or the lock file of an FTP folder.
    const std::string& LockedPath() const { return path; }

private:
    bool OpenLocked();
    bool OpenLockFile();
    void Fail(TLockFailure why, int error = 0);
    bool StillNamed() const;
    void MakeMissingLevels();
    void RemoveMadeLevels() const;

    std::string path; // empty: nothing to lock
    bool isFile = false;
    std::string lockDir; // of an FTP folder's lock file
    std::string fileName;
    int dirFd = -1; // the lock folder, while the file is open
    TLockFailure failure = TLockFailure::None;
    int failureError = 0;
    bool makeMissing = false;
    std::vector<std::string> made; // host paths of the levels made, outer first
    int fd = -1;
    bool locked = false;
};

// "ftp://host:port/folder" with the host in lower case and the folder's delimiters
// tidied: one text for every spelling of one server folder.
std::string FtpFolderKey(const std::string& host, int port, const std::string& remoteFolder);

} // namespace Platform
