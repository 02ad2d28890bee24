#pragma once

// What the file-system units share among themselves (FileSystem.cpp: paths, attributes,
// times; FileSystemSearch.cpp; FileSystemFile.cpp: open files; DestFolder.cpp). Not for
// use outside src/platform.

#include "platform/FileSystem.h"
#include "platform/WinError.h"

#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <time.h>

namespace Platform {

// Sets the last error and returns it.
int Fail(int code);
// The last error from errno, for the host path.
int FailErrno(const std::string& host);

// Windows path text to the host path, also past the path limit.
bool WinToHostBeyondLimit(const std::string& winPath, std::string& host);
// Windows path text to the host path; false with the last error set.
bool ToHost(const std::string& winPath, std::string& host);

// Maps the path and runs the host call; the call's result, or the mapping's error.
template <typename Call> int OnHost(const std::string& path, Call call)
{
    std::string host;
    if (!ToHost(path, host)) {
        return LastError();
    }
    return call(std::move(host));
}

std::string HostBaseName(const std::string& host);
std::string HostParent(const std::string& host);

// name is relative to the open folder dirFd, or a whole path with AT_FDCWD.
bool StatHostAt(int dirFd, const char* name, bool follow, struct statx& sx);
bool StatHost(const std::string& host, bool follow, struct statx& sx);
bool IsDir(const struct statx& sx);
bool IsRegular(const struct statx& sx);

// A listing entry of the file (statx'ed as sx); the stored attributes are read relative to
// dirFd when atName is given, and not at all without withStored.
TFindData MakeFindData(const std::string& host, const std::string& winName, const struct statx& sx,
                       int dirFd = AT_FDCWD, const char* atName = nullptr, bool withStored = true);

// A file by path, or by its open descriptor when fd is not -1 (no path lookup then).
struct THostFile
{
    const std::string& Host;
    int Fd = -1;
};

// Read-only as the mode's write bits, the rest as the stored xattr.
int ApplyAttributes(const THostFile& file, std::uint32_t attr, const struct statx& sx);

// A time for utimensat and futimens; nullptr leaves the time as it is.
timespec ToTimespec(const TFileTime* time);

// The lock a share mode asks for on an open file: 0, or ErrorSharingViolation.
int LockFor(int fd, TShare share, bool writing);

// Reading: the opened file is checked instead of looking the name up twice. atName (when
// given) is opened relative to dirFd instead of host, which names it for the errors. Only a
// regular file is read: opening never waits for a FIFO's writer, and no device is read
// (a FIFO or a device put in a file's place is refused, as a folder is). Without followLink
// a link in the file's place is not looked through (ErrorStoppedOnSymlink).
std::unique_ptr<TFile> OpenHostForReading(std::string host, TShare share, int dirFd = AT_FDCWD,
                                          const char* atName = nullptr, bool followLink = true);

// Lists the open folder's names that match mask into a new search (which closes dir).
void SearchOpenFolder(DIR* dir, const std::string& hostDir, const std::string& mask, std::uint32_t attr,
                      TSearchRec& rec);
// The search's first match; hostDir (when given) is looked at again to tell a folder
// that went away from one without a match.
int FirstMatching(TSearchRec& rec, const std::string& hostDir);

} // namespace Platform
