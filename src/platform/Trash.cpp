#include "platform/Trash.h"

#include "platform/Drives.h"
#include "platform/HostInfo.h"
#include "platform/WinError.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

namespace {

std::string ParentOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? std::string("/") : path.substr(0, slash);
}

std::string BaseName(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool DeviceOf(const std::string& path, dev_t& dev)
{
    struct stat st
    {
    };
    if (::lstat(path.c_str(), &st) != 0) {
        return false;
    }
    dev = st.st_dev;
    return true;
}

bool MakeFolder(const std::string& path, mode_t mode)
{
    if (::mkdir(path.c_str(), mode) == 0 || errno == EEXIST) {
        struct stat st
        {
        };
        return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }
    return false;
}

bool MakeFolders(const std::string& path, mode_t mode)
{
    if (path.empty() || path == "/") {
        return true;
    }
    struct stat st
    {
    };
    if (::lstat(path.c_str(), &st) == 0) {
        return S_ISDIR(st.st_mode);
    }
    return MakeFolders(ParentOf(path), mode) && MakeFolder(path, mode);
}

// The highest folder above path that lies on the same device (the volume's mount point).
std::string TopDirOf(const std::string& path, dev_t dev)
{
    std::string top = ParentOf(path);
    while (top != "/") {
        dev_t parentDev{};
        const std::string parent = ParentOf(top);
        if (!DeviceOf(parent, parentDev) || parentDev != dev) {
            break;
        }
        top = parent;
    }
    return top;
}

struct TTrashPlace
{
    std::string Dir;  // holds files/ and info/
    std::string Base; // Path keys are relative to it; empty: absolute
};

std::string HomeTrashDir()
{
    std::string data = HostEnv("XDG_DATA_HOME");
    if (data.empty() || data.front() != '/') {
        data = HostHomeDir() + "/.local/share";
    }
    return data + "/Trash";
}

// The shared ".Trash" of a volume is used only when it is a real, sticky folder.
bool UsableSharedTrash(const std::string& dir)
{
    struct stat st
    {
    };
    return ::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX);
}

bool FindTrashPlace(const std::string& hostPath, TTrashPlace& place)
{
    dev_t fileDev{};
    if (!DeviceOf(hostPath, fileDev)) {
        return false;
    }
    const std::string home = HomeTrashDir();
    if (!MakeFolders(ParentOf(home), 0700)) {
        return false;
    }
    dev_t homeDev{};
    if (DeviceOf(ParentOf(home), homeDev) && homeDev == fileDev) {
        place = {home, {}};
        return true;
    }
    const std::string top = TopDirOf(hostPath, fileDev);
    const std::string uid = std::to_string(::getuid());
    const std::string topPrefix = top == "/" ? std::string() : top;
    if (UsableSharedTrash(topPrefix + "/.Trash") && MakeFolder(topPrefix + "/.Trash/" + uid, 0700)) {
        place = {topPrefix + "/.Trash/" + uid, top};
        return true;
    }
    if (MakeFolder(topPrefix + "/.Trash-" + uid, 0700)) {
        place = {topPrefix + "/.Trash-" + uid, top};
        return true;
    }
    return false;
}

std::string DeletionDate()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

std::string RelativePathKey(const std::string& hostPath, const std::string& base)
{
    if (base.empty() || base == "/") {
        return hostPath;
    }
    return hostPath.substr(base.size() + 1);
}

// Creates info/<name>.trashinfo exclusively under a free name; returns the name used.
bool CreateInfoFile(const TTrashPlace& place, const std::string& hostPath, std::string& name)
{
    const std::string base = BaseName(hostPath);
    const std::string contents = "[Trash Info]\nPath=" + TrashInfoPathText(RelativePathKey(hostPath, place.Base)) +
                                 "\nDeletionDate=" + DeletionDate() + "\n";
    for (int n = 1; n < 10000; ++n) {
        name = n == 1 ? base : base + "." + std::to_string(n);
        struct stat st
        {
        };
        if (::lstat((place.Dir + "/files/" + name).c_str(), &st) == 0) {
            continue;
        }
        const std::string info = place.Dir + "/info/" + name + ".trashinfo";
        const int fd = ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) {
                continue;
            }
            return false;
        }
        const bool written = ::write(fd, contents.data(), contents.size()) == static_cast<ssize_t>(contents.size());
        ::close(fd);
        if (!written) {
            ::unlink(info.c_str());
            return false;
        }
        return true;
    }
    return false;
}

} // namespace

std::string TrashInfoPathText(const std::string& path)
{
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '_' || c == '.' || c == '~' || c == '/';
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 0x0F];
        }
    }
    return out;
}

int MoveToTrash(const std::string& winPath)
{
    const auto host = WinToHost(winPath);
    if (!host || host->empty() || host->front() != '/' || *host == "/") {
        return ErrorPathNotFound;
    }
    TTrashPlace place;
    if (!FindTrashPlace(*host, place)) {
        return errno == ENOENT ? ErrorFileNotFound : ErrorAccessDenied;
    }
    if (!MakeFolder(place.Dir, 0700) || !MakeFolder(place.Dir + "/files", 0700) ||
        !MakeFolder(place.Dir + "/info", 0700)) {
        return ErrorAccessDenied;
    }
    std::string name;
    if (!CreateInfoFile(place, *host, name)) {
        return ErrorAccessDenied;
    }
    if (::rename(host->c_str(), (place.Dir + "/files/" + name).c_str()) != 0) {
        const int error = ErrorFromErrno(errno, *host);
        ::unlink((place.Dir + "/info/" + name + ".trashinfo").c_str());
        return error;
    }
    return ErrorSuccess;
}

} // namespace Platform
