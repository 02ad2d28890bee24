#include "platform/FolderEntries.h"

#include "platform/Drives.h"
#include "platform/WinError.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

namespace {

// What the search reports: regular files and folders, never links.
bool IsSearched(int dirFd, const char* name)
{
    struct stat st
    {
    };
    if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return true; // gone meanwhile: nothing to do
    }
    return S_ISREG(st.st_mode) || S_ISDIR(st.st_mode);
}

} // namespace

std::vector<std::string> ListUnsearchedEntries(const std::string& folder)
{
    std::vector<std::string> names;
    const auto host = WinToHost(folder);
    if (!host) {
        return names;
    }
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(host->c_str()), ::closedir);
    if (!dir) {
        return names;
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != ".." && !IsSearched(::dirfd(dir.get()), entry->d_name)) {
            names.push_back(HostNameToWin(name));
        }
    }
    return names;
}

int RemoveUnsearchedEntry(const std::string& path)
{
    const auto host = WinToHost(path);
    if (!host) {
        return ErrorPathNotFound;
    }
    struct stat st
    {
    };
    if (::lstat(host->c_str(), &st) != 0) {
        return ErrorFromErrno(errno, *host);
    }
    if (S_ISDIR(st.st_mode)) {
        return ErrorAccessDenied;
    }
    if (::unlink(host->c_str()) != 0) {
        return ErrorFromErrno(errno, *host);
    }
    return ErrorSuccess;
}

} // namespace Platform
