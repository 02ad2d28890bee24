// Open files (TFile) and opening, reading and writing files by path.

#include "platform/Drives.h"
#include "platform/FileSystemParts.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace Platform {

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

namespace {

enum class TOpenMode
{
    Read,
    WriteTruncate,
    ReadWrite,
    Append,
    CreateNew
};

} // namespace

std::unique_ptr<TFile> OpenHostForReading(std::string host, TShare share, int dirFd, const char* atName,
                                          bool followLink)
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

namespace {

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

// Writes all bytes at offset, or at the file's position when offset is -1: 0 or errno.
int WriteAllFd(int fd, const char* data, std::size_t size, off_t offset = -1)
{
    while (size > 0) {
        const ssize_t done = offset < 0 ? write(fd, data, size) : pwrite(fd, data, size, offset);
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
        offset = offset < 0 ? offset : offset + done;
    }
    return 0;
}

// count, or -1 with the last error set for the file at path.
std::int64_t WrittenOrFailed(int err, std::size_t count, const std::string& path)
{
    if (err != 0) {
        errno = err;
        FailErrno(path);
        return -1;
    }
    return static_cast<std::int64_t>(count);
}

} // namespace

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
    return WrittenOrFailed(WriteAllFd(fd, static_cast<const char*>(buffer), count), count, path);
}

std::int64_t TFile::WriteAt(const void* buffer, std::size_t count, std::int64_t offset)
{
    return WrittenOrFailed(WriteAllFd(fd, static_cast<const char*>(buffer), count, static_cast<off_t>(offset)), count,
                           path);
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

} // namespace Platform
