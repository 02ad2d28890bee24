#include "platform/FileSystem.h"

#include "platform/DestFolder.h"
#include "platform/Drives.h"
#include "platform/HostInfo.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace Platform {

namespace {

constexpr const char* DosAttribXattr = "user.tessaro.dosattrib";
constexpr std::int64_t SecondsFrom1601To1970 = 11644473600LL;
constexpr std::uint32_t StoredAttributes = faReadOnly | faHidden | faSysFile | faArchive;

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

// Maps the path and runs the host call; the call's result, or the mapping's error.
template <typename Call> int OnHost(const std::string& path, Call call)
{
    std::string host;
    if (!ToHost(path, host)) {
        return LastError();
    }
    return call(std::move(host));
}

bool StatHost(const std::string& host, bool follow, struct statx& sx);

bool StatPath(const std::string& path, struct statx& sx)
{
    std::string host;
    return ToHost(path, host) && StatHost(host, true, sx);
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

// name is relative to the open folder dirFd, or a whole path with AT_FDCWD.
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

// A file by path, or by its open descriptor when fd is not -1 (no path lookup then).
struct THostFile
{
    const std::string& Host;
    int Fd = -1;
};

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

// Read-only as the mode's write bits, the rest as the stored xattr.
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

TFindData MakeFindData(const std::string& host, const std::string& winName, const struct statx& sx,
                       int dirFd = AT_FDCWD, const char* atName = nullptr, bool withStored = true)
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

bool PassesAttrMask(std::uint32_t entryAttr, std::uint32_t mask)
{
    const std::uint32_t excluded = ~mask & (faHidden | faSysFile | faVolumeID | faDirectory);
    return (entryAttr & excluded) == 0;
}

bool HasWildcards(const std::string& mask)
{
    return mask.find_first_of("*?") != std::string::npos;
}

std::u32string ToCodePoints(const std::string& text)
{
    std::u32string out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        out += FoldCodePoint(NextCodePoint(text, pos));
    }
    return out;
}

bool GlobMatch(const std::u32string& name, const std::u32string& mask)
{
    std::size_t n = 0, m = 0, starMask = std::u32string::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == U'?' || mask[m] == name[n])) {
            ++n, ++m;
        } else if (m < mask.size() && mask[m] == U'*') {
            starMask = m++;
            starName = n;
        } else if (starMask != std::u32string::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == U'*') {
        ++m;
    }
    return m == mask.size();
}

int LockFor(int fd, TShare share, bool writing)
{
    if (share == TShare::ReadWrite) {
        return 0;
    }
    const int op = (writing ? LOCK_EX : LOCK_SH) | LOCK_NB;
    if (flock(fd, op) != 0) {
        return errno == EWOULDBLOCK ? ErrorSharingViolation : 0;
    }
    return 0;
}

enum class TOpenMode
{
    Read,
    WriteTruncate,
    ReadWrite,
    Append,
    CreateNew
};

// Reading: the opened file is checked instead of looking the name up twice. atName (when
// given) is opened relative to dirFd instead of host, which names it for the errors. Only a
// regular file is read: opening never waits for a FIFO's writer, and no device is read
// (a FIFO or a device put in a file's place is refused, as a folder is). Without followLink
// a link in the file's place is not looked through (ErrorStoppedOnSymlink).
std::unique_ptr<TFile> OpenHostForReading(std::string host, TShare share, int dirFd = AT_FDCWD,
                                          const char* atName = nullptr, bool followLink = true)
{
    const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | (followLink ? 0 : O_NOFOLLOW);
    const int fd = openat(dirFd, atName ? atName : host.c_str(), flags);
    if (fd < 0) {
        if (errno == ELOOP && !followLink) {
            Fail(ErrorStoppedOnSymlink);
        } else {
            FailErrno(host);
        }
        return nullptr;
    }
    auto file = std::make_unique<TFile>(fd, std::move(host));
    struct stat opened = {};
    if (fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        Fail(ErrorAccessDenied);
        return nullptr;
    }
    file->SetOpenedSize(opened.st_size);
    file->NoteOpened(opened);
    if (const int locked = LockFor(fd, share, false); locked != 0) {
        Fail(locked);
        return nullptr;
    }
    return file;
}

// A file that is not there yet is simply created, in one call. False when something is
// there already; else true with the file, or nullptr and the error.
bool CreateMissingFile(const std::string& host, TShare share, std::unique_ptr<TFile>& file)
{
    const int fd = open(host.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno == EEXIST) {
            return false;
        }
        FailErrno(host);
        return true;
    }
    file = std::make_unique<TFile>(fd, host);
    if (const int locked = LockFor(fd, share, true); locked != 0) {
        Fail(locked);
        file.reset();
    }
    return true;
}

std::unique_ptr<TFile> OpenHost(const std::string& winPath, TOpenMode mode, bool create, TShare share)
{
    std::string host;
    if (!ToHost(winPath, host)) {
        return nullptr;
    }
    if (mode == TOpenMode::Read && !create) {
        return OpenHostForReading(std::move(host), share);
    }
    if (std::unique_ptr<TFile> created; (mode == TOpenMode::WriteTruncate || mode == TOpenMode::CreateNew) && create &&
                                        CreateMissingFile(host, share, created)) {
        return created;
    }
    struct statx sx = {};
    const bool exists = StatHost(host, true, sx);
    if (exists && IsDir(sx)) {
        Fail(ErrorAccessDenied);
        return nullptr;
    }
    if (mode == TOpenMode::CreateNew && (exists || StatHost(host, false, sx))) {
        Fail(ErrorFileExists);
        return nullptr;
    }
    const bool writing = mode != TOpenMode::Read;
    // Windows refuses to open a read-only file for writing, whoever asks.
    if (writing && exists && !(sx.stx_mode & S_IWUSR)) {
        Fail(ErrorAccessDenied);
        return nullptr;
    }
    int flags = O_CLOEXEC | (writing ? O_RDWR : O_RDONLY);
    if (create) {
        flags |= O_CREAT;
    }
    if (mode == TOpenMode::CreateNew) {
        flags |= O_EXCL;
    }
    const int fd = open(host.c_str(), flags, 0666);
    if (fd < 0) {
        FailErrno(host);
        return nullptr;
    }
    auto file = std::make_unique<TFile>(fd, host);
    if (const int locked = LockFor(fd, share, writing); locked != 0) {
        Fail(locked);
        return nullptr;
    }
    // Truncating an empty file would make ext4 flush all data written later when the
    // file closes, which halves the speed of every copy into a new file.
    struct stat opened = {};
    if (mode == TOpenMode::WriteTruncate && (fstat(fd, &opened) != 0 || opened.st_size > 0) && ftruncate(fd, 0) != 0) {
        FailErrno(host);
        return nullptr;
    }
    if (mode == TOpenMode::Append && file->Seek(0, TSeekOrigin::End) < 0) {
        return nullptr;
    }
    return file;
}

std::string TempNameBeside(const std::string& host)
{
    static std::atomic<unsigned> counter{0};
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".%d-%u-%llx.tmp", static_cast<int>(getpid()), counter++,
                  static_cast<unsigned long long>(ticks) & 0xFFFFFF);
    return HostParent(host) + "/." + HostBaseName(host) + suffix;
}

int WriteAllFd(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t done = write(fd, data, size);
        if (done < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (done == 0) {
            return ENOSPC;
        }
        data += done;
        size -= static_cast<std::size_t>(done);
    }
    return 0;
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

// ---- search -------------------------------------------------------------------

struct TSearchState
{
    // Open while names are left to look at: they are looked at relative to it.
    std::unique_ptr<DIR, int (*)(DIR*)> Dir{nullptr, closedir};
    std::string HostDir;
    std::uint32_t Mask = 0;
    std::vector<std::pair<std::string, std::string>> Names; // win name, host name
    std::size_t Next = 0;
    std::vector<std::string> Links; // passed over
    // A large folder's entries are looked at a block ahead, by several threads side by side:
    // Ahead[i] is Names[AheadFirst + i]'s, when AheadFound[i] is set.
    std::vector<struct statx> Ahead;
    std::vector<char> AheadFound;
    std::size_t AheadFirst = 0;
};

namespace {

// From this many names a folder's entries are looked at ahead, in blocks of StatAheadBlock
// (a block's results take about 2 MiB), by up to StatAheadThreads threads: one statx after
// the other is what listing a folder of a hundred thousand files mostly waits for.
constexpr std::size_t StatAheadFrom = 4096;
constexpr std::size_t StatAheadBlock = 8192;
constexpr unsigned StatAheadThreads = 4;

void StatRange(TSearchState& state, std::size_t from, std::size_t to)
{
    const int dirFd = dirfd(state.Dir.get());
    for (std::size_t i = from; i < to; ++i) {
        const bool found = StatHostAt(dirFd, state.Names[state.AheadFirst + i].second.c_str(), false, state.Ahead[i]);
        state.AheadFound[i] = found ? 1 : 0;
    }
}

// Looks at the block of entries from first on, its parts on threads of their own; a thread
// that cannot be started leaves its part to this one.
void StatBlockAhead(TSearchState& state, std::size_t first)
{
    const std::size_t count = std::min(StatAheadBlock, state.Names.size() - first);
    state.AheadFirst = first;
    state.Ahead.assign(count, {});
    state.AheadFound.assign(count, 0);
    const std::size_t parts = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, StatAheadThreads);
    const std::size_t share = (count + parts - 1) / parts;
    std::vector<std::thread> helpers;
    for (std::size_t from = share; from < count; from += share) {
        const std::size_t to = std::min(count, from + share);
        try {
            helpers.emplace_back([&state, from, to] { StatRange(state, from, to); });
        } catch (const std::system_error&) {
            StatRange(state, from, to);
        }
    }
    StatRange(state, 0, std::min(share, count));
    for (std::thread& helper : helpers) {
        helper.join();
    }
}

// The entry of Names[index], looked at now or taken from the block looked at ahead.
bool StatEntryOfSearch(TSearchState& state, std::size_t index, const char* atName, int dirFd, struct statx& sx)
{
    if (!state.Dir || state.Names.size() < StatAheadFrom) {
        return StatHostAt(dirFd, atName, false, sx);
    }
    if (index < state.AheadFirst || index >= state.AheadFirst + state.Ahead.size()) {
        StatBlockAhead(state, index);
    }
    const std::size_t at = index - state.AheadFirst;
    if (!state.AheadFound[at]) {
        return false;
    }
    sx = state.Ahead[at];
    return true;
}

} // namespace

bool MatchesMask(const std::string& name, const std::string& mask)
{
    if (mask == "*" || mask == "*.*") {
        return true;
    }
    const std::u32string foldedName = ToCodePoints(name);
    if (GlobMatch(foldedName, ToCodePoints(mask))) {
        return true;
    }
    // "name.*" also matches "name" without an extension, as on Windows.
    if (mask.size() > 2 && mask.compare(mask.size() - 2, 2, ".*") == 0 && name.find('.') == std::string::npos) {
        return GlobMatch(foldedName, ToCodePoints(mask.substr(0, mask.size() - 2)));
    }
    return false;
}

static int NextMatching(TSearchRec& rec)
{
    TSearchState& state = *rec.State;
    while (state.Next < state.Names.size()) {
        const std::size_t index = state.Next++;
        const auto& [winName, hostName] = state.Names[index];
        const std::string host = state.HostDir == "/" ? "/" + hostName : state.HostDir + "/" + hostName;
        const int dirFd = state.Dir ? dirfd(state.Dir.get()) : AT_FDCWD;
        const char* atName = state.Dir ? hostName.c_str() : host.c_str();
        struct statx sx = {};
        if (!StatEntryOfSearch(state, index, atName, dirFd, sx)) {
            continue;
        }
        if (S_ISLNK(sx.stx_mode)) {
            // A search never follows a link: what it points to may lie anywhere.
            state.Links.push_back(winName);
            continue;
        }
        if (!IsRegular(sx) && !IsDir(sx)) {
            continue;
        }
        TFindData data =
            MakeFindData(host, winName, sx, dirFd, state.Dir ? atName : nullptr, (state.Mask & faWithoutStored) == 0);
        if (!PassesAttrMask(data.Attr, state.Mask)) {
            continue;
        }
        rec.Name = data.Name;
        rec.Attr = data.Attr;
        rec.Size = data.Size;
        rec.FindData = std::move(data);
        return 0;
    }
    state.Dir.reset();
    return Fail(ErrorNoMoreFiles);
}

// Lists the open folder's names that match mask into a new search (which closes dir).
static void SearchOpenFolder(DIR* dir, const std::string& hostDir, const std::string& mask, std::uint32_t attr,
                             TSearchRec& rec)
{
    auto state = std::make_shared<TSearchState>();
    state->HostDir = hostDir;
    state->Mask = attr;
    state->Dir.reset(dir);
    while (dirent* entry = readdir(dir)) {
        const std::string hostName = entry->d_name;
        if (hostName == "." || hostName == "..") {
            continue;
        }
        std::string winName = HostNameToWin(hostName);
        if (MatchesMask(winName, mask)) {
            state->Names.emplace_back(std::move(winName), hostName);
        }
    }
    // A stable order, as Windows file systems list names sorted.
    if ((attr & faAnyOrder) == 0) {
        std::sort(state->Names.begin(), state->Names.end(), [](const auto& a, const auto& b) {
            const int byText = CompareTextUtf8(a.first, b.first);
            return byText != 0 ? byText < 0 : a.first < b.first;
        });
    }
    rec.State = std::move(state);
}

// The search's first match; hostDir (when given) is looked at again to tell a folder
// that went away from one without a match.
static int FirstMatching(TSearchRec& rec, const std::string& hostDir)
{
    if (NextMatching(rec) == 0) {
        return 0;
    }
    if (rec.State->Links.empty()) {
        rec.State.reset(); // else kept for SkippedLinks
    }
    struct stat st = {};
    if (!hostDir.empty() && (stat(hostDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))) {
        return Fail(ErrorPathNotFound);
    }
    return Fail(ErrorFileNotFound);
}

int FindFirst(const std::string& pattern, std::uint32_t attr, TSearchRec& rec)
{
    rec = TSearchRec{};
    const auto delim = pattern.find_last_of("\\/");
    const std::string folder = delim == std::string::npos ? std::string() : pattern.substr(0, delim + 1);
    const std::string mask = delim == std::string::npos ? pattern : pattern.substr(delim + 1);
    const bool beyondLimit = (attr & faBeyondPathLimit) != 0;
    if (!beyondLimit && PathTooLong(pattern)) {
        return Fail(ErrorFilenameExcedRange);
    }
    std::string hostDir = ".";
    if (!folder.empty() && !(beyondLimit ? WinToHostBeyondLimit(folder, hostDir) : ToHost(folder, hostDir))) {
        return LastError();
    }
    if (mask.empty()) {
        return Fail(ErrorFileNotFound);
    }
    if (!HasWildcards(mask)) {
        auto state = std::make_shared<TSearchState>();
        state->HostDir = hostDir;
        state->Mask = attr;
        state->Names.emplace_back(mask, WinNameToHost(mask));
        rec.State = std::move(state);
        return FirstMatching(rec, hostDir);
    }
    DIR* dir = opendir(hostDir.c_str());
    if (!dir) {
        return Fail(errno == ENOENT || errno == ENOTDIR ? ErrorPathNotFound : ErrorFromErrno(errno, hostDir));
    }
    SearchOpenFolder(dir, hostDir, mask, attr, rec);
    return FirstMatching(rec, hostDir);
}

int FindNext(TSearchRec& rec)
{
    if (!rec.State) {
        return Fail(ErrorNoMoreFiles);
    }
    return NextMatching(rec);
}

void FindClose(TSearchRec& rec)
{
    rec.State.reset();
}

std::vector<std::string> SkippedLinks(const TSearchRec& rec)
{
    return rec.State ? rec.State->Links : std::vector<std::string>{};
}

std::size_t EntriesLeft(const TSearchRec& rec)
{
    return rec.State ? rec.State->Names.size() - rec.State->Next : 0;
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

namespace {

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

} // namespace

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

// ---- open files ------------------------------------------------------------------

TFile::TFile(int fileDescriptor, std::string hostPath) : fd(fileDescriptor), path(std::move(hostPath))
{}

TFile::~TFile()
{
    if (fd >= 0) {
        ::close(fd);
    }
}

std::int64_t TFile::Read(void* buffer, std::size_t count)
{
    for (;;) {
        const ssize_t got = ::read(fd, buffer, count);
        if (got >= 0) {
            return got;
        }
        if (errno != EINTR) {
            FailErrno(path);
            return -1;
        }
    }
}

std::int64_t TFile::Write(const void* buffer, std::size_t count)
{
    if (const int err = WriteAllFd(fd, static_cast<const char*>(buffer), count); err != 0) {
        errno = err;
        FailErrno(path);
        return -1;
    }
    return static_cast<std::int64_t>(count);
}

std::int64_t TFile::WriteAt(const void* buffer, std::size_t count, std::int64_t offset)
{
    const char* data = static_cast<const char*>(buffer);
    for (std::size_t done = 0; done < count;) {
        const ssize_t n = ::pwrite(fd, data + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            errno = n == 0 ? ENOSPC : errno;
            FailErrno(path);
            return -1;
        }
        done += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(count);
}

std::int64_t TFile::CopyTo(TFile& out, std::size_t count)
{
    for (;;) {
        const ssize_t done = ::copy_file_range(fd, nullptr, out.fd, nullptr, count, 0);
        if (done >= 0) {
            return done;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) {
            Fail(ErrorInvalidFunction);
        } else {
            FailErrno(out.path);
        }
        return -1;
    }
}

std::int64_t TFile::Seek(std::int64_t offset, TSeekOrigin origin)
{
    const int whence = origin == TSeekOrigin::Begin ? SEEK_SET : origin == TSeekOrigin::Current ? SEEK_CUR : SEEK_END;
    const off_t pos = ::lseek(fd, offset, whence);
    if (pos < 0) {
        Fail(errno == EINVAL ? ErrorNegativeSeek : ErrorFromErrno(errno, path));
        return -1;
    }
    return pos;
}

std::int64_t TFile::Size()
{
    struct stat st = {};
    if (::fstat(fd, &st) != 0) {
        FailErrno(path);
        return -1;
    }
    return st.st_size;
}

namespace {

std::int64_t Nanoseconds(const struct timespec& time)
{
    return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

} // namespace

void TFile::NoteOpened(const struct stat& opened)
{
    openedNoted = true;
    openedSize = opened.st_size;
    openedWrite = Nanoseconds(opened.st_mtim);
    openedChange = Nanoseconds(opened.st_ctim);
}

bool TFile::ChangedSinceOpened() const
{
    if (!openedNoted) {
        return false;
    }
    struct stat now = {};
    if (::fstat(fd, &now) != 0) {
        return true;
    }
    return now.st_size != openedSize || Nanoseconds(now.st_mtim) != openedWrite ||
           Nanoseconds(now.st_ctim) != openedChange;
}

int TFile::SetSize(std::int64_t size)
{
    if (::ftruncate(fd, size) != 0) {
        return FailErrno(path);
    }
    return 0;
}

int TFile::Flush()
{
    if (::fsync(fd) != 0 && errno != EINVAL) {
        return FailErrno(path);
    }
    return 0;
}

int TFile::StatLinked(struct statx& sx)
{
    if (statx(fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS, &sx) != 0) {
        return FailErrno(path);
    }
    // Deleted while open: as missing as for the calls by path.
    return sx.stx_nlink == 0 ? Fail(ErrorFileNotFound) : 0;
}

int TFile::SetTimes(const TFileTime* lastAccess, const TFileTime* lastWrite)
{
    struct statx sx = {};
    if (const int err = StatLinked(sx); err != 0) {
        return err;
    }
    if (IsRegular(sx) && !(sx.stx_mode & S_IWUSR)) {
        return Fail(ErrorAccessDenied);
    }
    const timespec times[2] = {ToTimespec(lastAccess), ToTimespec(lastWrite)};
    return ::futimens(fd, times) == 0 ? 0 : FailErrno(path);
}

int TFile::SetAttributes(std::uint32_t attr)
{
    struct statx sx = {};
    if (const int err = StatLinked(sx); err != 0) {
        return err;
    }
    return ApplyAttributes(THostFile{path, fd}, attr, sx);
}

int TFile::SetTimesAndAttributes(const TFileTime* lastAccess, const TFileTime* lastWrite, std::uint32_t attr,
                                 bool& timesFailed)
{
    timesFailed = true;
    struct statx sx = {};
    if (const int err = StatLinked(sx); err != 0) {
        return err;
    }
    if (IsRegular(sx) && !(sx.stx_mode & S_IWUSR)) {
        return Fail(ErrorAccessDenied);
    }
    // The stored stamp must hold the write time the file has after this. A file system
    // that kept digits below the microsecond keeps the 100 ns steps given exactly; on
    // any other the time set is looked at again.
    const bool keepsGivenTime = sx.stx_mtime.tv_nsec % 1000 != 0;
    const timespec times[2] = {ToTimespec(lastAccess), ToTimespec(lastWrite)};
    if (::futimens(fd, times) != 0) {
        return FailErrno(path);
    }
    timesFailed = false;
    if (lastWrite && keepsGivenTime) {
        sx.stx_mtime.tv_sec = times[1].tv_sec;
        sx.stx_mtime.tv_nsec = static_cast<std::uint32_t>(times[1].tv_nsec);
    } else if (const int err = lastWrite ? StatLinked(sx) : 0; err != 0) {
        return err;
    }
    return ApplyAttributes(THostFile{path, fd}, attr, sx);
}

std::unique_ptr<TFile> TFile::Duplicate() const
{
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) {
        FailErrno(path);
        return nullptr;
    }
    return std::make_unique<TFile>(copy, path);
}

int TFile::Close()
{
    if (fd < 0) {
        return 0;
    }
    const int result = ::close(fd);
    fd = -1;
    if (result != 0 && errno != EINTR) {
        return FailErrno(path);
    }
    return 0;
}

std::unique_ptr<TFile> OpenRead(const std::string& path, TShare share)
{
    return OpenHost(path, TOpenMode::Read, false, share);
}

std::unique_ptr<TFile> OpenFoundFile(const std::string& path, TShare share)
{
    std::string host;
    if (!ToHost(path, host)) {
        return nullptr;
    }
    return OpenHostForReading(std::move(host), share, AT_FDCWD, nullptr, false);
}

std::unique_ptr<TFile> OpenWrite(const std::string& path, TShare share)
{
    return OpenHost(path, TOpenMode::WriteTruncate, true, share);
}

std::unique_ptr<TFile> OpenReadWrite(const std::string& path, bool create, TShare share)
{
    return OpenHost(path, TOpenMode::ReadWrite, create, share);
}

std::unique_ptr<TFile> OpenAppend(const std::string& path, TShare share)
{
    return OpenHost(path, TOpenMode::Append, true, share);
}

std::unique_ptr<TFile> CreateNewFile(const std::string& path, TShare share)
{
    return OpenHost(path, TOpenMode::CreateNew, true, share);
}

int ReadWholeFile(const std::string& path, std::string& contents)
{
    contents.clear();
    auto file = OpenRead(path);
    if (!file) {
        return LastError();
    }
    char buffer[65536];
    for (;;) {
        const std::int64_t got = file->Read(buffer, sizeof buffer);
        if (got < 0) {
            return LastError();
        }
        if (got == 0) {
            return 0;
        }
        contents.append(buffer, static_cast<std::size_t>(got));
    }
}

int WriteFileAtomic(const std::string& path, const std::string& contents)
{
    return OnHost(path, [&](std::string host) {
        struct statx sx = {};
        if (StatHost(host, false, sx) && S_ISLNK(sx.stx_mode)) {
            if (char* real = realpath(host.c_str(), nullptr)) {
                host = real;
                std::free(real);
            }
        }
        const bool exists = StatHost(host, true, sx);
        if (exists && (IsDir(sx) || !(sx.stx_mode & S_IWUSR))) {
            return Fail(ErrorAccessDenied);
        }
        const std::string temp = TempNameBeside(host);
        const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, exists ? 0600 : 0666);
        if (fd < 0) {
            return FailErrno(temp);
        }
        int err = WriteAllFd(fd, contents.data(), contents.size());
        if (err == 0 && exists && fchmod(fd, sx.stx_mode & 07777) != 0) {
            err = errno;
        }
        if (err == 0 && fsync(fd) != 0) {
            err = errno;
        }
        if (close(fd) != 0 && err == 0) {
            err = errno;
        }
        if (err == 0 && rename(temp.c_str(), host.c_str()) != 0) {
            err = errno;
        }
        if (err != 0) {
            unlink(temp.c_str());
            errno = err;
            return FailErrno(host);
        }
        return 0;
    });
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

// ---- destination folders ------------------------------------------------------------------

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
