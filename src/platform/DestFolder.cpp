#include "platform/DestFolder.h"

#include "platform/Drives.h"
#include "platform/FileSystemParts.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace Platform {

namespace {

std::string JoinWin(const std::string& folder, const std::string& name)
{
    return !folder.empty() && folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

std::string JoinHost(const std::string& folder, const std::string& name)
{
    return folder == "/" ? "/" + name : folder + "/" + name;
}

// The parts of "a\b\c"; false for an empty part, "." or "..".
bool SplitRelative(const std::string& relative, std::vector<std::string>& parts)
{
    std::size_t pos = 0;
    while (pos < relative.size()) {
        const auto delim = relative.find('\\', pos);
        const std::size_t end = delim == std::string::npos ? relative.size() : delim;
        std::string part = relative.substr(pos, end - pos);
        if (part.empty() || part == "." || part == "..") {
            return false;
        }
        parts.push_back(std::move(part));
        pos = end + 1;
    }
    return true;
}

TEntryKind KindAt(int dirFd, const char* name)
{
    struct stat st = {};
    if (fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return TEntryKind::Missing;
    }
    if (S_ISREG(st.st_mode)) {
        return TEntryKind::File;
    }
    if (S_ISDIR(st.st_mode)) {
        return TEntryKind::Folder;
    }
    return S_ISLNK(st.st_mode) ? TEntryKind::Link : TEntryKind::Other;
}

} // namespace

TDestFolder::TDestFolder(int fd, std::string winPath, std::string hostPath)
    : Fd(fd), WinPath(std::move(winPath)), HostPath(std::move(hostPath))
{}

TDestFolder::~TDestFolder()
{
    ::close(Fd);
}

std::unique_ptr<TDestFolder> TDestFolder::Open(const std::string& path)
{
    std::string host;
    if (!ToHost(path, host)) {
        return nullptr;
    }
    const int fd = open(host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        Fail(errno == ENOTDIR ? ErrorDirectory : errno == ENOENT ? ErrorPathNotFound : ErrorFromErrno(errno, host));
        return nullptr;
    }
    std::string win = path;
    while (win.size() > 3 && win.back() == '\\') {
        win.pop_back();
    }
    return std::unique_ptr<TDestFolder>(new TDestFolder(fd, std::move(win), std::move(host)));
}

std::unique_ptr<TDestFolder> TDestFolder::Enter(const std::string& relative, bool create, std::string* linkPath,
                                                std::vector<std::string>* created) const
{
    std::vector<std::string> parts;
    if (!SplitRelative(relative, parts)) {
        Fail(ErrorInvalidName);
        return nullptr;
    }
    if (parts.empty()) {
        const int again = fcntl(Fd, F_DUPFD_CLOEXEC, 0);
        if (again < 0) {
            FailErrno(HostPath);
            return nullptr;
        }
        return std::unique_ptr<TDestFolder>(new TDestFolder(again, WinPath, HostPath));
    }
    // fd: the level entered last (none yet); at: where the next part is looked up.
    int fd = -1;
    int at = Fd;
    std::string win = WinPath;
    std::string host = HostPath;
    const auto fail = [&fd](int err) {
        if (fd >= 0) {
            ::close(fd);
        }
        errno = err;
    };
    for (const std::string& part : parts) {
        const std::string hostName = WinNameToHost(part);
        win = JoinWin(win, part);
        host = JoinHost(host, hostName);
        if (PathTooLong(win)) {
            fail(0);
            Fail(ErrorFilenameExcedRange);
            return nullptr;
        }
        if (create && mkdirat(at, hostName.c_str(), 0777) == 0) {
            if (created) {
                created->push_back(win);
            }
        } else if (create && errno != EEXIST) {
            fail(errno);
            FailErrno(host);
            return nullptr;
        }
        const int next = openat(at, hostName.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0) {
            const int err = errno;
            const TEntryKind kind = KindAt(at, hostName.c_str());
            fail(err);
            if (kind == TEntryKind::Link) {
                if (linkPath) {
                    *linkPath = win;
                }
                Fail(ErrorStoppedOnSymlink);
            } else if (kind == TEntryKind::Missing) {
                Fail(ErrorPathNotFound);
            } else if (kind != TEntryKind::Folder) {
                Fail(ErrorDirectory);
            } else {
                FailErrno(host);
            }
            return nullptr;
        }
        if (fd >= 0) {
            ::close(fd);
        }
        fd = next;
        at = next;
    }
    return std::unique_ptr<TDestFolder>(new TDestFolder(fd, std::move(win), std::move(host)));
}

std::string TDestFolder::PathOf(const std::string& name) const
{
    return JoinWin(WinPath, name);
}

TEntryKind TDestFolder::Kind(const std::string& name) const
{
    return KindAt(Fd, WinNameToHost(name).c_str());
}

int TDestFolder::FindFirst(std::uint32_t attr, TSearchRec& rec) const
{
    rec = TSearchRec{};
    if ((attr & faBeyondPathLimit) == 0 && PathTooLong(JoinWin(WinPath, "*"))) {
        return Fail(ErrorFilenameExcedRange);
    }
    // A descriptor of its own: the search closes it, the folder stays open.
    const int fd = openat(Fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd >= 0 ? fdopendir(fd) : nullptr;
    if (!dir) {
        const int error = errno;
        if (fd >= 0) {
            close(fd);
        }
        return Fail(ErrorFromErrno(error, HostPath));
    }
    SearchOpenFolder(dir, HostPath, "*", attr, rec);
    return FirstMatching(rec, {});
}

bool TDestFolder::GetFindData(const std::string& name, TFindData& data) const
{
    const std::string hostName = WinNameToHost(name);
    struct statx sx = {};
    if (!StatHostAt(Fd, hostName.c_str(), false, sx)) {
        FailErrno(JoinHost(HostPath, hostName));
        return false;
    }
    if (!IsRegular(sx) && !IsDir(sx)) {
        Fail(S_ISLNK(sx.stx_mode) ? ErrorStoppedOnSymlink : ErrorFileNotFound);
        return false;
    }
    data = MakeFindData(JoinHost(HostPath, hostName), name, sx, Fd, hostName.c_str());
    return true;
}

std::unique_ptr<TFile> TDestFolder::OpenRead(const std::string& name, TShare share) const
{
    const std::string hostName = WinNameToHost(name);
    return OpenHostForReading(JoinHost(HostPath, hostName), share, Fd, hostName.c_str(), false);
}

std::unique_ptr<TFile> TDestFolder::CreateNewFile(const std::string& name, TShare share) const
{
    const std::string hostName = WinNameToHost(name);
    const std::string host = JoinHost(HostPath, hostName);
    const int fd = openat(Fd, hostName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        Fail(errno == EEXIST ? ErrorFileExists : ErrorFromErrno(errno, host));
        return nullptr;
    }
    auto file = std::make_unique<TFile>(fd, host);
    if (const int locked = LockFor(fd, share, true); locked != 0) {
        Fail(locked);
        return nullptr;
    }
    return file;
}

int TDestFolder::ReplaceFile(const std::string& from, const std::string& to) const
{
    const std::string hostTo = WinNameToHost(to);
    if (renameat(Fd, WinNameToHost(from).c_str(), Fd, hostTo.c_str()) != 0) {
        return FailErrno(JoinHost(HostPath, hostTo));
    }
    return 0;
}

int TDestFolder::RenameFile(const std::string& from, const std::string& to) const
{
    const std::string hostFrom = WinNameToHost(from);
    const std::string hostTo = WinNameToHost(to);
    int result = renameat2(Fd, hostFrom.c_str(), Fd, hostTo.c_str(), RENAME_NOREPLACE);
    if (result != 0 && (errno == EINVAL || errno == ENOSYS)) {
        if (KindAt(Fd, hostTo.c_str()) != TEntryKind::Missing) {
            return Fail(ErrorAlreadyExists);
        }
        result = renameat(Fd, hostFrom.c_str(), Fd, hostTo.c_str());
    }
    if (result != 0) {
        return errno == EEXIST ? Fail(ErrorAlreadyExists) : FailErrno(JoinHost(HostPath, hostFrom));
    }
    return 0;
}

int TDestFolder::DeleteFile(const std::string& name) const
{
    const std::string hostName = WinNameToHost(name);
    const TEntryKind kind = KindAt(Fd, hostName.c_str());
    if (kind == TEntryKind::Folder) {
        return Fail(ErrorAccessDenied);
    }
    if (unlinkat(Fd, hostName.c_str(), 0) != 0) {
        return FailErrno(JoinHost(HostPath, hostName));
    }
    return 0;
}

int TDestFolder::RemoveDir(const std::string& name) const
{
    const std::string hostName = WinNameToHost(name);
    if (unlinkat(Fd, hostName.c_str(), AT_REMOVEDIR) != 0) {
        return errno == ENOTDIR ? Fail(ErrorDirectory) : FailErrno(JoinHost(HostPath, hostName));
    }
    return 0;
}

int TDestFolder::SetAttributes(std::uint32_t attr) const
{
    struct statx sx = {};
    if (statx(Fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS, &sx) != 0) {
        return FailErrno(HostPath);
    }
    return ApplyAttributes(THostFile{HostPath, Fd}, attr, sx);
}

std::uint64_t TDestFolder::EntryBytes() const
{
    struct stat st = {};
    return fstat(Fd, &st) == 0 && st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

int TDestFolder::SetTimes(const TFileTime* lastAccess, const TFileTime* lastWrite) const
{
    const timespec times[2] = {ToTimespec(lastAccess), ToTimespec(lastWrite)};
    return futimens(Fd, times) == 0 ? 0 : FailErrno(HostPath);
}

} // namespace Platform
