#include "platform/FolderLock.h"

#include "platform/Drives.h"
#include "platform/WinError.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

namespace {

std::string HostFolderOf(const std::string& folder)
{
    const std::optional<std::string> host = IsFullWinPath(folder) ? WinToHost(folder) : std::nullopt;
    if (!host) {
        return {};
    }
    std::string path = *host;
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

// FNV-1a: stable across builds and runs, unlike std::hash.
std::uint64_t KeyHash(const std::string& key)
{
    std::uint64_t hash = 14695981039346656037ULL;
    for (const unsigned char c : key) {
        hash = (hash ^ c) * 1099511628211ULL;
    }
    return hash;
}

std::string FtpLockName(const std::string& key)
{
    char name[48];
    std::snprintf(name, sizeof name, "Tessaro-ftp-%016llx.lock", static_cast<unsigned long long>(KeyHash(key)));
    return name;
}

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

std::string FtpFolderKey(const std::string& host, int port, const std::string& remoteFolder)
{
    std::string lowerHost = host;
    std::transform(lowerHost.begin(), lowerHost.end(), lowerHost.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    // "a\b", "a//b/" and "a/b" are one folder; a leading "/" (from the server's root, not
    // the login folder) is kept.
    std::string folder;
    for (const char c : remoteFolder) {
        const char part = c == '\\' ? '/' : c;
        if (part != '/' || folder.empty() || folder.back() != '/') {
            folder += part;
        }
    }
    if (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return "ftp://" + lowerHost + ":" + std::to_string(port) + "/" + folder;
}

TFolderLock::TFolderLock(const std::string& folder, bool makeMissingLevels)
    : path(HostFolderOf(folder)), makeMissing(makeMissingLevels)
{}

TFolderLock::TFolderLock(const std::string& host, int port, const std::string& remoteFolder,
                         const std::string& lockFolder)
    : isFile(true), lockDir(lockFolder), fileName(FtpLockName(FtpFolderKey(host, port, remoteFolder)))
{
    path = lockDir + "/" + fileName;
    if (lockDir.empty()) {
        Fail(TLockFailure::NoHome);
    }
}

TFolderLock::~TFolderLock()
{
    // While still held: a waiter finds the file or folder gone and takes a new one.
    if (locked && isFile) {
        unlinkat(dirFd, fileName.c_str(), 0);
    }
    if (locked) {
        RemoveMadeLevels();
    }
    if (fd >= 0) {
        close(fd);
    }
    if (dirFd >= 0) {
        close(dirFd);
    }
}

void TFolderLock::Fail(TLockFailure why, int error)
{
    failure = why;
    failureError = error;
}

void TFolderLock::MakeMissingLevels()
{
    std::vector<std::string> missing;
    for (std::string level = path; level.size() > 1 && access(level.c_str(), F_OK) != 0;) {
        missing.push_back(level);
        level = level.substr(0, std::max<std::size_t>(level.rfind('/'), 1));
    }
    std::reverse(missing.begin(), missing.end());
    for (const std::string& level : missing) {
        if (mkdir(level.c_str(), 0777) == 0) {
            if (std::find(made.begin(), made.end(), level) == made.end()) {
                made.push_back(level);
            }
        } else if (errno != EEXIST) {
            return;
        }
    }
}

void TFolderLock::RemoveMadeLevels() const
{
    // Only empty ones go: whatever a run put there stays.
    for (auto level = made.rbegin(); level != made.rend(); ++level) {
        if (rmdir(level->c_str()) != 0) {
            return;
        }
    }
}

bool TFolderLock::OpenLockFile()
{
    // The folder is looked at through the descriptor that the file is then opened in: what
    // was checked is what is used, whatever is renamed meanwhile.
    if (dirFd < 0) {
        dirFd = open(lockDir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        struct stat info
        {
        };
        if (dirFd < 0) {
            const int error = errno;
            const bool link = lstat(lockDir.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
            if (link || error == ENOTDIR) {
                Fail(link ? TLockFailure::Link : TLockFailure::NotAFolder);
            } else {
                Fail(TLockFailure::System, ErrorFromErrno(error, lockDir));
            }
            return false;
        }
        if (fstat(dirFd, &info) != 0 || info.st_uid != getuid()) {
            Fail(TLockFailure::OtherOwner);
        } else if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
            Fail(TLockFailure::OpenToOthers);
        }
        if (failure != TLockFailure::None) {
            close(dirFd);
            dirFd = -1;
            return false;
        }
    }
    fd = openat(dirFd, fileName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        Fail(TLockFailure::System, ErrorFromErrno(errno, path));
    }
    return fd >= 0;
}

bool TFolderLock::OpenLocked()
{
    if (isFile) {
        return OpenLockFile();
    }
    if (makeMissing) {
        MakeMissingLevels();
    }
    fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return fd >= 0;
}

bool TFolderLock::StillNamed() const
{
    // The previous holder may have removed the file or folder between our open and our lock.
    struct stat held
    {
    };
    struct stat named
    {
    };
    if (fstat(fd, &held) != 0) {
        return false;
    }
    return isFile ? fstatat(dirFd, fileName.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(held, named)
                  : stat(path.c_str(), &named) == 0 && SameFile(held, named);
}

bool TFolderLock::TryLock()
{
    while (!locked && !path.empty() && failure == TLockFailure::None) {
        if (fd < 0 && !OpenLocked()) {
            break; // a missing local folder has nothing to lock
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            if (errno == EWOULDBLOCK) {
                return false;
            }
            // A local folder whose file system has no locks is worked in as before; the
            // lock file of an FTP folder lies where locks must work.
            if (isFile) {
                Fail(TLockFailure::System, ErrorFromErrno(errno, path));
            }
            break;
        }
        if (StillNamed()) {
            locked = true;
        } else {
            close(fd);
            fd = -1;
        }
    }
    return locked || failure == TLockFailure::None;
}

} // namespace Platform
