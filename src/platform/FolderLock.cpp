#include "platform/FolderLock.h"

#include "platform/Drives.h"

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

std::string FtpLockFile(const std::string& key, const std::string& lockDir)
{
    if (lockDir.empty()) {
        return {};
    }
    char name[48];
    std::snprintf(name, sizeof name, "Tessaro-ftp-%016llx.lock", static_cast<unsigned long long>(KeyHash(key)));
    return lockDir + "/" + name;
}

// The previous holder may have removed the file or folder between our open and our lock.
bool StillNamed(int fd, const std::string& path)
{
    struct stat held
    {
    };
    struct stat named
    {
    };
    return fstat(fd, &held) == 0 && stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
           held.st_ino == named.st_ino;
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

TFolderLock::TFolderLock(const std::string& host, int port, const std::string& remoteFolder, const std::string& lockDir)
    : path(FtpLockFile(FtpFolderKey(host, port, remoteFolder), lockDir)), isFile(true)
{}

TFolderLock::~TFolderLock()
{
    // While still held: a waiter finds the file or folder gone and takes a new one.
    if (locked && isFile) {
        unlink(path.c_str());
    }
    if (locked) {
        RemoveMadeLevels();
    }
    if (fd >= 0) {
        close(fd);
    }
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

bool TFolderLock::OpenLocked()
{
    if (isFile) {
        fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    } else {
        if (makeMissing) {
            MakeMissingLevels();
        }
        fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    }
    return fd >= 0;
}

bool TFolderLock::TryLock()
{
    while (!locked && !path.empty()) {
        if (fd < 0 && !OpenLocked()) {
            return true;
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            return errno != EWOULDBLOCK;
        }
        if (StillNamed(fd, path)) {
            locked = true;
        } else {
            close(fd);
            fd = -1;
        }
    }
    return true;
}

} // namespace Platform
