#include "platform/FileSystem.h"

#include "platform/Drives.h"
#include "platform/FileSystemParts.h"
#include "platform/HostInfo.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

// Paths, attributes and times, folders and names by path. Searches are in
// FileSystemSearch.cpp, open files in FileSystemFile.cpp, TDestFolder in DestFolder.cpp.

namespace Platform {

namespace {

constexpr const char* DosAttribXattr = "user.tessaro.dosattrib";
constexpr std::int64_t SecondsFrom1601To1970 = 11644473600LL;
constexpr std::uint32_t StoredAttributes = faReadOnly | faHidden | faSysFile | faArchive;

} // namespace

int Fail(int code)
{
    SetLastError(code);
    return code;
}

int FailErrno(const std::string& host)
{
    return Fail(ErrorFromErrno(errno, host));
}

bool WinToHostBeyondLimit(const std::string& winPath, std::string& host)
{
    auto mapped = WinToHost(winPath);
    if (!mapped) {
        Fail(ErrorPathNotFound);
        return false;
    }
    host = std::move(*mapped);
    return true;
}

bool ToHost(const std::string& winPath, std::string& host)
{
    if (winPath.empty()) {
        Fail(ErrorPathNotFound);
        return false;
    }
    if (PathTooLong(winPath)) {
        Fail(ErrorFilenameExcedRange);
        return false;
    }
    return WinToHostBeyondLimit(winPath, host);
}

std::string HostBaseName(const std::string& host)
{
    const auto slash = host.rfind('/');
    return slash == std::string::npos ? host : host.substr(slash + 1);
}

std::string HostParent(const std::string& host)
{
    const auto slash = host.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : host.substr(0, slash);
}

bool StatHostAt(int dirFd, const char* name, bool follow, struct statx& sx)
{
    const int flags = follow ? 0 : AT_SYMLINK_NOFOLLOW;
    return statx(dirFd, name, flags, STATX_BASIC_STATS | STATX_BTIME, &sx) == 0;
}

bool StatHost(const std::string& host, bool follow, struct statx& sx)
{
    return StatHostAt(AT_FDCWD, host.c_str(), follow, sx);
}

bool IsDir(const struct statx& sx)
{
    return S_ISDIR(sx.stx_mode);
}

bool IsRegular(const struct statx& sx)
{
    return S_ISREG(sx.stx_mode);
}

namespace {

bool StatPath(const std::string& path, struct statx& sx)
{
    std::string host;
    return ToHost(path, host) && StatHost(host, true, sx);
}

TFileTime FromStatx(const struct statx_timestamp& ts)
{
    return FileTimeFromUnix(ts.tv_sec, ts.tv_nsec);
}

// Stored attribute record: "attr;mtime-seconds.nanoseconds;size" of the moment it was written.
struct TStoredAttr
{
    std::uint32_t Attr = 0;
    std::int64_t MtimeSec = 0;
    std::int64_t MtimeNsec = 0;
    std::uint64_t Size = 0;
};

enum class TStoreState
{
    Present,
    Missing,
    Unsupported
};

// Parses "attr;sec.nsec;size" (hex attr); a record read on every file of every walk.
bool ParseStored(std::string_view text, TStoredAttr& stored)
{
    const char* pos = text.data();
    const char* const end = text.data() + text.size();
    const auto field = [&](auto& value, int base, char delimiter) {
        const auto [next, error] = std::from_chars(pos, end, value, base);
        if (error != std::errc() || (delimiter != 0 && (next == end || *next != delimiter))) {
            return false;
        }
        pos = delimiter != 0 ? next + 1 : next;
        return true;
    };
    TStoredAttr read;
    if (!field(read.Attr, 16, ';') || !field(read.MtimeSec, 10, '.') || !field(read.MtimeNsec, 10, ';') ||
        !field(read.Size, 10, 0)) {
        return false;
    }
    stored = read;
    return true;
}

// getxattrat (Linux 6.13) reads relative to an open folder, sparing the walk of the
// whole path for every file a search lists; older kernels take the path.
constexpr long GetXattrAtCall = 464;
std::atomic<bool> xattrAtMissing{false};

struct TXattrArgs
{
    std::uint64_t Value;
    std::uint32_t Size;
    std::uint32_t Flags;
};

ssize_t GetStoredXattr(int dirFd, const char* name, const std::string& host, char* buffer, std::size_t size)
{
    if (dirFd != AT_FDCWD && name && !xattrAtMissing) {
        TXattrArgs args{reinterpret_cast<std::uintptr_t>(buffer), static_cast<std::uint32_t>(size), 0};
        const long len = syscall(GetXattrAtCall, dirFd, name, 0, DosAttribXattr, &args, sizeof args);
        if (len >= 0 || (errno != ENOSYS && errno != EPERM)) {
            return len;
        }
        if (errno == ENOSYS) {
            xattrAtMissing = true;
        }
    }
    return getxattr(host.c_str(), DosAttribXattr, buffer, size);
}

// What a read of the stored record (len as getxattr returned it) found.
TStoreState StoredFromRead(ssize_t len, const char* buffer, TStoredAttr& stored)
{
    if (len < 0) {
        return (errno == ENOTSUP || errno == EOPNOTSUPP) ? TStoreState::Unsupported : TStoreState::Missing;
    }
    return ParseStored(std::string_view(buffer, static_cast<std::size_t>(len)), stored) ? TStoreState::Present
                                                                                        : TStoreState::Missing;
}

TStoreState ReadStored(const std::string& host, TStoredAttr& stored, int dirFd = AT_FDCWD, const char* atName = nullptr)
{
    char buffer[128] = {};
    return StoredFromRead(GetStoredXattr(dirFd, atName, host, buffer, sizeof buffer - 1), buffer, stored);
}

bool SameContentStamp(const TStoredAttr& stored, const struct statx& sx)
{
    return stored.MtimeSec == sx.stx_mtime.tv_sec && stored.MtimeNsec == sx.stx_mtime.tv_nsec &&
           stored.Size == sx.stx_size;
}

int ChangeMode(const THostFile& file, mode_t mode)
{
    return file.Fd >= 0 ? fchmod(file.Fd, mode) : chmod(file.Host.c_str(), mode);
}

int WriteStored(const THostFile& file, std::uint32_t attr, const struct statx& sx)
{
    // "attr;seconds.nanoseconds;size", written for every copied file: to_chars, not printf.
    char buffer[128];
    char* const end = buffer + sizeof buffer - 1; // room for a separator after each number
    char* at = std::to_chars(buffer, end, attr, 16).ptr;
    *at = ';';
    at = std::to_chars(at + 1, end, static_cast<long long>(sx.stx_mtime.tv_sec)).ptr;
    *at = '.';
    at = std::to_chars(at + 1, end, static_cast<long long>(sx.stx_mtime.tv_nsec)).ptr;
    *at = ';';
    at = std::to_chars(at + 1, end, static_cast<unsigned long long>(sx.stx_size)).ptr;
    const auto size = static_cast<std::size_t>(at - buffer);
    const int result = file.Fd >= 0 ? fsetxattr(file.Fd, DosAttribXattr, buffer, size, 0)
                                    : setxattr(file.Host.c_str(), DosAttribXattr, buffer, size, 0);
    return result == 0 ? 0 : errno;
}

// Writing a user xattr needs write permission; a read-only file is opened up for the moment.
int WriteStoredForced(const THostFile& file, std::uint32_t attr, const struct statx& sx)
{
    int err = WriteStored(file, attr, sx);
    if ((err == EACCES || err == EPERM) && IsRegular(sx) && !(sx.stx_mode & S_IWUSR)) {
        const mode_t mode = sx.stx_mode & 07777;
        if (ChangeMode(file, mode | S_IWUSR) == 0) {
            err = WriteStored(file, attr, sx);
            ChangeMode(file, mode);
        }
    }
    return (err == ENOTSUP || err == EOPNOTSUPP) ? 0 : err;
}

} // namespace

int ApplyAttributes(const THostFile& file, std::uint32_t attr, const struct statx& sx)
{
    const bool dir = IsDir(sx);
    const std::uint32_t stored = attr & StoredAttributes & (dir ? StoredAttributes : ~faReadOnly);
    if (!dir) {
        const mode_t mode = sx.stx_mode & 07777;
        const mode_t wanted = (attr & faReadOnly) ? (mode & ~mode_t(0222)) : (mode | S_IWUSR);
        if (wanted != mode && !(attr & faReadOnly) && ChangeMode(file, wanted) != 0) {
            return FailErrno(file.Host);
        }
        if (const int err = WriteStoredForced(file, stored, sx); err != 0) {
            errno = err;
            return FailErrno(file.Host);
        }
        if (wanted != mode && (attr & faReadOnly) && ChangeMode(file, wanted) != 0) {
            return FailErrno(file.Host);
        }
        return 0;
    }
    if (const int err = WriteStoredForced(file, stored, sx); err != 0) {
        errno = err;
        return FailErrno(file.Host);
    }
    return 0;
}

namespace {

// What the mode and the name say: folder, read-only, hidden by a leading dot.
std::uint32_t PlainAttributes(const std::string& name, bool dir, bool writable)
{
    std::uint32_t attr = dir ? faDirectory : 0;
    if (!dir && !writable) {
        attr |= faReadOnly;
    }
    if (name.size() > 1 && name[0] == '.' && name != "..") {
        attr |= faHidden;
    }
    return attr;
}

// Adds what the stored record holds to the plain attributes; sameStamp tells whether the
// file is as it was when the record was written.
std::uint32_t WithStored(std::uint32_t attr, TStoreState state, const TStoredAttr& stored, bool sameStamp)
{
    const bool dir = (attr & faDirectory) != 0;
    if (state != TStoreState::Present) {
        return dir ? attr : attr | faArchive;
    }
    attr |= stored.Attr & (faHidden | faSysFile | (dir ? faReadOnly : 0));
    // Windows sets the archive bit on every write; a changed stamp means a write.
    if ((stored.Attr & faArchive) || (!dir && !sameStamp)) {
        attr |= faArchive;
    }
    return attr;
}

// Completes a listing entry found without its stored record.
void MergeStored(TStoreState state, const TStoredAttr& stored, TFindData& data)
{
    // The listing kept the write time to 100 ns: the stamp is compared to that.
    const bool sameStamp = state == TStoreState::Present && stored.Size == data.Size &&
                           FileTimeFromUnix(stored.MtimeSec, stored.MtimeNsec) == data.LastWriteTime;
    const bool dir = (data.Attr & faDirectory) != 0;
    data.Attr = WithStored(data.Attr & (faDirectory | faHidden | (dir ? 0 : faReadOnly)), state, stored, sameStamp);
}

std::uint32_t AttributesOf(const std::string& host, const std::string& name, const struct statx& sx, int dirFd,
                           const char* atName, bool withStored = true)
{
    const std::uint32_t attr = PlainAttributes(name, IsDir(sx), (sx.stx_mode & S_IWUSR) != 0);
    if (!withStored) {
        return IsDir(sx) ? attr : attr | faArchive;
    }
    TStoredAttr stored;
    const TStoreState state = ReadStored(host, stored, dirFd, atName);
    return WithStored(attr, state, stored, state == TStoreState::Present && SameContentStamp(stored, sx));
}

} // namespace

TFindData MakeFindData(const std::string& host, const std::string& winName, const struct statx& sx, int dirFd,
                       const char* atName, bool withStored)
{
    TFindData data;
    data.Name = winName;
    data.Attr = AttributesOf(host, HostBaseName(host), sx, dirFd, atName, withStored);
    data.Size = IsDir(sx) ? 0 : sx.stx_size;
    data.LastWriteTime = FromStatx(sx.stx_mtime);
    data.LastAccessTime = FromStatx(sx.stx_atime);
    if (sx.stx_mask & STATX_BTIME) {
        data.CreationTime = FromStatx(sx.stx_btime);
    } else {
        data.CreationTime = std::min(FromStatx(sx.stx_ctime), data.LastWriteTime);
    }
    return data;
}

namespace {

// Follows a link to a file; refuses links to folders, dangling links and special files.
bool StatEntryAt(int dirFd, const char* name, struct statx& sx)
{
    if (!StatHostAt(dirFd, name, false, sx)) {
        return false;
    }
    if (S_ISLNK(sx.stx_mode)) {
        return StatHostAt(dirFd, name, true, sx) && IsRegular(sx);
    }
    return IsRegular(sx) || IsDir(sx);
}

bool StatEntry(const std::string& host, struct statx& sx)
{
    return StatEntryAt(AT_FDCWD, host.c_str(), sx);
}

// 0, or the error for a name that is missing or no regular file or folder.
int StatEntryOrFail(const std::string& host, struct statx& sx)
{
    if (StatEntry(host, sx)) {
        return 0;
    }
    struct statx raw = {};
    if (StatHost(host, false, raw)) {
        return Fail(ErrorFileNotFound);
    }
    return FailErrno(host);
}

} // namespace

TFileTime FileTimeFromUnix(std::int64_t seconds, std::int64_t nanoseconds)
{
    if (seconds < -SecondsFrom1601To1970) {
        return 0;
    }
    return static_cast<TFileTime>(seconds + SecondsFrom1601To1970) * 10000000ULL +
           static_cast<TFileTime>(nanoseconds / 100);
}

std::int64_t UnixSecondsFromFileTime(TFileTime time)
{
    return static_cast<std::int64_t>(time / 10000000ULL) - SecondsFrom1601To1970;
}
// ---- existence, folders, names ------------------------------------------------------

bool GetFindData(const std::string& path, TFindData& data)
{
    std::string host;
    if (!ToHost(path, host)) {
        return false;
    }
    struct statx sx = {};
    if (StatEntryOrFail(host, sx) != 0) {
        return false;
    }
    data = MakeFindData(host, HostNameToWin(HostBaseName(host)), sx);
    return true;
}

void AddStoredAttributes(const std::string& path, TFindData& data)
{
    std::string host;
    if (!ToHost(path, host)) {
        return;
    }
    TStoredAttr stored;
    MergeStored(ReadStored(host, stored), stored, data);
}

void TFile::AddStoredAttributes(TFindData& data) const
{
    char buffer[128] = {};
    TStoredAttr stored;
    const TStoreState state = StoredFromRead(fgetxattr(fd, DosAttribXattr, buffer, sizeof buffer - 1), buffer, stored);
    MergeStored(state, stored, data);
}

bool FileExists(const std::string& path)
{
    struct statx sx = {};
    return StatPath(path, sx) && IsRegular(sx);
}

bool DirectoryExists(const std::string& path)
{
    struct statx sx = {};
    return StatPath(path, sx) && IsDir(sx);
}

bool AnyExists(const std::string& path)
{
    struct statx sx = {};
    return StatPath(path, sx) && (IsDir(sx) || IsRegular(sx));
}

int CreateDir(const std::string& path)
{
    return OnHost(path, [&](const std::string& host) {
        if (mkdir(host.c_str(), 0777) != 0) {
            return FailErrno(host);
        }
        return 0;
    });
}

int ForceDirectories(const std::string& path)
{
    return OnHost(path, [&](std::string host) {
        // The path's prefixes, one per component.
        std::string full = host[0] == '/' ? "" : ".";
        std::vector<std::size_t> ends;
        std::size_t pos = 0;
        while (pos <= host.size()) {
            const auto slash = host.find('/', pos);
            const std::size_t end = slash == std::string::npos ? host.size() : slash;
            if (end > pos) {
                full += "/";
                full.append(host, pos, end - pos);
                ends.push_back(full.size());
            }
            pos = end + 1;
        }
        // Most folders are there or lack only their last parts: look from the end.
        std::size_t missing = ends.size();
        for (; missing > 0; --missing) {
            struct stat st = {};
            if (stat(full.substr(0, ends[missing - 1]).c_str(), &st) == 0) {
                if (!S_ISDIR(st.st_mode)) {
                    return Fail(ErrorAlreadyExists);
                }
                break;
            }
        }
        for (; missing < ends.size(); ++missing) {
            const std::string built = full.substr(0, ends[missing]);
            if (mkdir(built.c_str(), 0777) != 0 && errno != EEXIST) {
                return FailErrno(built);
            }
        }
        return 0;
    });
}

int RemoveDir(const std::string& path)
{
    return OnHost(path, [&](const std::string& host) {
        if (rmdir(host.c_str()) != 0) {
            return errno == ENOTDIR ? Fail(ErrorDirectory) : FailErrno(host);
        }
        return 0;
    });
}

int DeleteFile(const std::string& path)
{
    return OnHost(path, [&](const std::string& host) {
        struct statx sx = {};
        if (!StatHost(host, false, sx)) {
            return FailErrno(host);
        }
        if (IsDir(sx) || (IsRegular(sx) && !(sx.stx_mode & S_IWUSR))) {
            return Fail(ErrorAccessDenied);
        }
        if (unlink(host.c_str()) != 0) {
            return FailErrno(host);
        }
        return 0;
    });
}

int RenameFile(const std::string& oldPath, const std::string& newPath)
{
    std::string from, to;
    if (!ToHost(oldPath, from) || !ToHost(newPath, to)) {
        return LastError();
    }
    struct statx sx = {};
    if (!StatHost(from, false, sx)) {
        return FailErrno(from);
    }
    int result = renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
    if (result != 0 && (errno == EINVAL || errno == ENOSYS)) {
        struct statx target = {};
        if (StatHost(to, false, target)) {
            return Fail(ErrorAlreadyExists);
        }
        result = rename(from.c_str(), to.c_str());
    }
    if (result == 0) {
        return 0;
    }
    if (errno == EXDEV && IsRegular(sx)) {
        // Files move between volumes by copy and delete, folders do not.
        if (const int copied = CopyFileRaw(oldPath, newPath, true); copied != 0) {
            return copied;
        }
        if (unlink(from.c_str()) != 0) {
            return FailErrno(from);
        }
        return 0;
    }
    return FailErrno(to);
}

int ReplaceFile(const std::string& source, const std::string& target)
{
    std::string from, to;
    if (!ToHost(source, from) || !ToHost(target, to)) {
        return LastError();
    }
    if (rename(from.c_str(), to.c_str()) != 0) {
        return FailErrno(to);
    }
    return 0;
}

int CopyFileRaw(const std::string& source, const std::string& target, bool failIfExists)
{
    TFindData info;
    if (!GetFindData(source, info)) {
        return LastError();
    }
    if (failIfExists && AnyExists(target)) {
        return Fail(ErrorFileExists);
    }
    auto in = OpenRead(source);
    if (!in) {
        return LastError();
    }
    auto out = OpenWrite(target);
    if (!out) {
        return LastError();
    }
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const std::int64_t got = in->Read(buffer.data(), buffer.size());
        if (got < 0) {
            return LastError();
        }
        if (got == 0) {
            break;
        }
        if (out->Write(buffer.data(), static_cast<std::size_t>(got)) < 0) {
            return LastError();
        }
    }
    if (const int closed = out->Close(); closed != 0) {
        return closed;
    }
    if (const int timed = SetFileTimes(target, nullptr, nullptr, &info.LastWriteTime); timed != 0) {
        return timed;
    }
    return SetFileAttributes(target, info.Attr);
}

// ---- attributes and times ------------------------------------------------------

std::uint32_t GetFileAttributes(const std::string& path)
{
    TFindData data;
    return GetFindData(path, data) ? data.Attr : InvalidFileAttributes;
}

int SetFileAttributes(const std::string& path, std::uint32_t attr)
{
    return OnHost(path, [&](const std::string& host) {
        struct statx sx = {};
        if (StatEntryOrFail(host, sx) != 0) {
            return LastError();
        }
        return ApplyAttributes(THostFile{host}, attr, sx);
    });
}

timespec ToTimespec(const TFileTime* time)
{
    timespec ts{};
    if (!time) {
        ts.tv_nsec = UTIME_OMIT;
        return ts;
    }
    ts.tv_sec = UnixSecondsFromFileTime(*time);
    ts.tv_nsec = static_cast<long>((*time % 10000000ULL) * 100);
    return ts;
}

int SetFileTimes(const std::string& path, const TFileTime* creation, const TFileTime* lastAccess,
                 const TFileTime* lastWrite)
{
    (void)creation; // a birth time cannot be set on Linux; Windows callers expect success
    std::string host;
    if (!ToHost(path, host)) {
        return LastError();
    }
    struct statx before = {};
    if (StatEntryOrFail(host, before) != 0) {
        return LastError();
    }
    if (IsRegular(before) && !(before.stx_mode & S_IWUSR)) {
        return Fail(ErrorAccessDenied); // a read-only file cannot be opened for writing
    }
    const timespec times[2] = {ToTimespec(lastAccess), ToTimespec(lastWrite)};
    if (utimensat(AT_FDCWD, host.c_str(), times, 0) != 0) {
        return FailErrno(host);
    }
    // Setting a time is no write: a cleared archive bit stays cleared.
    TStoredAttr stored;
    if (ReadStored(host, stored) == TStoreState::Present && !(stored.Attr & faArchive) &&
        SameContentStamp(stored, before)) {
        struct statx after = {};
        if (StatHost(host, true, after)) {
            WriteStoredForced(THostFile{host}, stored.Attr, after);
        }
    }
    return 0;
}

// ---- paths ---------------------------------------------------------------------------

bool PathTooLong(const std::string& path)
{
    // A UTF-16 text is never longer in units than its UTF-8 form in bytes: most paths are
    // short enough without counting.
    return path.size() > MaxPathLength && Utf16Length(path) > MaxPathLength;
}

std::string GetCurrentDir()
{
    char buffer[4096];
    if (!getcwd(buffer, sizeof buffer)) {
        return {};
    }
    return HostToWin(buffer).value_or(std::string());
}

std::string ExpandFileName(const std::string& path)
{
    if (path.empty()) {
        return GetCurrentDir();
    }
    std::string text = path;
    std::replace(text.begin(), text.end(), '/', '\\');
    if (ExtractFileDrive(text).empty() && text[0] != '\\') {
        std::string base = GetCurrentDir();
        if (!base.empty() && base.back() != '\\') {
            base += '\\';
        }
        text = base + text;
    }
    const auto host = WinToHost(text);
    if (!host) {
        return text;
    }
    std::string win = HostToWin(*host).value_or(text);
    if ((text.back() == '\\') && win.back() != '\\') {
        win += '\\';
    }
    return win;
}

std::string CreatePrivateTempFolder(const std::string& prefix)
{
    std::string pattern = HostTempDir() + "/" + prefix + "-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        FailErrno(pattern);
        return {};
    }
    const auto win = HostToWin(pattern);
    if (!win) {
        rmdir(pattern.c_str());
        Fail(ErrorPathNotFound);
        return {};
    }
    return *win + "\\";
}

} // namespace Platform
