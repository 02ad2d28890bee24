#include "platform/FolderLock.h"

#include "platform/Drives.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

namespace {

// One spelling per folder: "dest", "dest/" and "x/../dest" share a lock.
std::string KeyOf(const std::string& folder)
{
    const std::optional<std::string> host = IsFullWinPath(folder) ? WinToHost(folder) : std::nullopt;
    if (!host) {
        return folder;
    }
    char resolved[PATH_MAX];
    if (realpath(host->c_str(), resolved)) {
        return resolved;
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

} // namespace

std::string FolderLockPath(const std::string& key, const std::string& runtimeDir)
{
    char name[48];
    std::snprintf(name, sizeof name, "Tessaro-run-%016llx.lock", static_cast<unsigned long long>(KeyHash(key)));
    return runtimeDir + "/" + name;
}

TFolderLock::TFolderLock(const std::string& folder, const std::string& runtimeDir)
    : key(KeyOf(folder)), path(runtimeDir.empty() ? std::string() : FolderLockPath(key, runtimeDir))
{}

TFolderLock::~TFolderLock()
{
    if (locked) {
        unlink(path.c_str()); // while still held: a waiter finds the file gone and takes a new one
    }
    if (fd >= 0) {
        close(fd);
    }
}

bool TFolderLock::TryLock()
{
    while (!locked && !path.empty()) {
        if (fd < 0) {
            fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
            if (fd < 0) {
                return true;
            }
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            return errno != EWOULDBLOCK;
        }
        // The previous holder may have removed the file between our open and our lock.
        struct stat held
        {
        };
        struct stat named
        {
        };
        if (fstat(fd, &held) == 0 && stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
            held.st_ino == named.st_ino) {
            locked = true;
        } else {
            close(fd);
            fd = -1;
        }
    }
    return true;
}

} // namespace Platform
