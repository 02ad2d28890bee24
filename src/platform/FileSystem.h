#pragma once

// File system calls on Windows path text (see Drives.h for the mapping to host paths).
// Failing calls return false / nullptr / a Windows error code and set LastError().
//
//   Search:      FindFirst, FindNext, FindClose (TSearchRec, TFindData)
//   Tests:       FileExists, DirectoryExists, AnyExists
//   Folders:     CreateDir, ForceDirectories, RemoveDir
//   Files:       DeleteFile, RenameFile, ReplaceFile, CopyFileRaw
//   Contents:    OpenRead, OpenFoundFile, OpenWrite, OpenReadWrite, OpenAppend, CreateNewFile (TFile),
//                ReadWholeFile, WriteFileAtomic
//   Attributes:  GetFileAttributes, SetFileAttributes (faReadOnly ... in FileAttr.h)
//   Times:       GetFileTimes, SetFileTimes (UTC file times, 100 ns since 1601)
//   Paths:       PathTooLong, ExpandFileName, GetCurrentDir, CreatePrivateTempFolder
//
// Only regular files and folders are reported; symbolic links are neither followed nor
// reported, FIFOs, sockets and devices are skipped. "." and ".." are never reported.

#include "platform/FileAttr.h"
#include "platform/WinError.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct stat;
struct statx;

namespace Platform {

// 100 ns units since 1601-01-01 UTC.
using TFileTime = std::uint64_t;

// Host timespec <-> file time.
TFileTime FileTimeFromUnix(std::int64_t seconds, std::int64_t nanoseconds = 0);
std::int64_t UnixSecondsFromFileTime(TFileTime time);

// What a directory search yields for one entry.
struct TFindData
{
    std::string Name;
    std::uint32_t Attr = 0;
    std::uint64_t Size = 0;
    TFileTime CreationTime = 0;
    TFileTime LastAccessTime = 0;
    TFileTime LastWriteTime = 0;
};

struct TSearchState;

struct TSearchRec
{
    std::string Name;
    std::uint32_t Attr = 0;
    std::uint64_t Size = 0;
    TFindData FindData;
    std::shared_ptr<TSearchState> State; // internal
};

// pattern: "C:\dir\*.txt", "C:\dir\*" or a plain name; '*' and '?' match per code point,
// ignoring case. attr: entries with hidden, system or folder attributes are only found when
// the mask holds that bit (faAnyFile finds all). Returns 0, ErrorFileNotFound (nothing
// matched) or another error code. FindNext returns 0 or ErrorNoMoreFiles.
// A bit for FindFirst's mask: the entries come without what only the stored record holds
// (system, a stored hidden bit, a cleared archive bit), sparing a read per entry. Attr
// then has the folder, read-only and hidden-by-name bits, and every file's archive bit.
inline constexpr std::uint32_t faWithoutStored = 0x10000;
// A bit for FindFirst's mask: the entries come in the folder's own order, not sorted
// (for a caller that looks them up by name).
inline constexpr std::uint32_t faAnyOrder = 0x20000;
// A bit for FindFirst's mask: a folder whose path is too long is searched all the same
// (for a caller that names what it cannot take).
inline constexpr std::uint32_t faBeyondPathLimit = 0x40000;
int FindFirst(const std::string& pattern, std::uint32_t attr, TSearchRec& rec);
int FindNext(TSearchRec& rec);
void FindClose(TSearchRec& rec);
// Names (Windows text) of the symbolic links a search has passed over so far.
std::vector<std::string> SkippedLinks(const TSearchRec& rec);
// How many entries a search may still return at most: room to reserve for them.
std::size_t EntriesLeft(const TSearchRec& rec);

// True when the Windows name matches a Windows mask ("*.*" also matches names without a dot).
bool MatchesMask(const std::string& name, const std::string& mask);

// Completes the attributes of an entry that a search with faWithoutStored found at path.
void AddStoredAttributes(const std::string& path, TFindData& data);

bool FileExists(const std::string& path);      // a regular file (or a link to one)
bool DirectoryExists(const std::string& path); // a folder
bool AnyExists(const std::string& path);       // either

// 0 or a Windows error code (ErrorAlreadyExists, ErrorPathNotFound, ErrorDirNotEmpty, ...).
int CreateDir(const std::string& path);
int ForceDirectories(const std::string& path);
int RemoveDir(const std::string& path);
int DeleteFile(const std::string& path);                                // read-only files: ErrorAccessDenied
int RenameFile(const std::string& oldPath, const std::string& newPath); // never replaces: ErrorAlreadyExists
int ReplaceFile(const std::string& source, const std::string& target);  // atomic rename over target
int CopyFileRaw(const std::string& source, const std::string& target, bool failIfExists);

std::uint32_t GetFileAttributes(const std::string& path); // InvalidFileAttributes when missing
int SetFileAttributes(const std::string& path, std::uint32_t attr);

bool GetFindData(const std::string& path, TFindData& data); // one entry, without a search
// nullptr leaves that time as it is; the creation time cannot be set and is ignored.
int SetFileTimes(const std::string& path, const TFileTime* creation, const TFileTime* lastAccess,
                 const TFileTime* lastWrite);

// Sharing, as Windows grants it to other openers of the same file (kept among this
// program's own handles through advisory locks).
enum class TShare
{
    None,
    Read,
    ReadWrite
};

enum class TSeekOrigin
{
    Begin,
    Current,
    End
};

class TFile
{
public:
    explicit TFile(int fd, std::string path);
    ~TFile();
    TFile(const TFile&) = delete;
    TFile& operator=(const TFile&) = delete;

    // Bytes read (0 at the end) or -1.
    std::int64_t Read(void* buffer, std::size_t count);
    // Writes all bytes or fails: count, or -1 (ErrorDiskFull when the volume is full).
    std::int64_t Write(const void* buffer, std::size_t count);
    // The same at offset, leaving the position alone: one call where Seek and Write take two.
    std::int64_t WriteAt(const void* buffer, std::size_t count, std::int64_t offset);
    // New position or -1.
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin = TSeekOrigin::Begin);
    std::int64_t Size();            // -1 on failure
    int SetSize(std::int64_t size); // 0 or error code
    int Flush();                    // to the disk; 0 or error code
    // As SetFileTimes and SetFileAttributes, on the open file without a path lookup.
    // SetTimes leaves the stored attributes alone: follow it with SetAttributes.
    int SetTimes(const TFileTime* lastAccess, const TFileTime* lastWrite);
    int SetAttributes(std::uint32_t attr);
    // SetTimes, then SetAttributes, with one look at the file for both. 0, or the error
    // code with timesFailed telling which of the two failed.
    int SetTimesAndAttributes(const TFileTime* lastAccess, const TFileTime* lastWrite, std::uint32_t attr,
                              bool& timesFailed);
    // As AddStoredAttributes for the entry that was opened, read from the open file.
    void AddStoredAttributes(TFindData& data) const;
    // The size when it was opened for reading (no second look needed); -1 otherwise.
    std::int64_t OpenedSize() const { return openedSize; }
    void SetOpenedSize(std::int64_t size) { openedSize = size; }
    // Remembers the size, write time and change time the file had when it was opened.
    void NoteOpened(const struct stat& opened);
    // The file's size, write or change time differ from those it had when it was opened
    // for reading (or cannot be read any more): it was written meanwhile. False for a
    // file not opened for reading.
    bool ChangedSinceOpened() const;
    // NoteOpened was called: ChangedSinceOpened looks at the file.
    bool IsWatched() const { return openedNoted; }
    int Close(); // 0 or error code; the destructor closes silently
    // A second handle on the same open file (sharing its position); nullptr on failure.
    std::unique_ptr<TFile> Duplicate() const;
    // Copies up to count bytes from this file's position to out's inside the kernel, sharing
    // blocks where the file system can. Bytes copied (0 at the end) or -1: ErrorInvalidFunction
    // when the file systems cannot do it (read and write instead), ErrorDiskFull when full.
    std::int64_t CopyTo(TFile& out, std::size_t count);
    const std::string& HostPath() const { return path; }

private:
    int StatLinked(struct statx& sx); // 0, or ErrorFileNotFound once deleted

    int fd;
    std::string path;
    std::int64_t openedSize = -1;
    // Of NoteOpened: write and change time in nanoseconds; watched only once noted.
    bool openedNoted = false;
    std::int64_t openedWrite = 0;
    std::int64_t openedChange = 0;
};

// Reads a regular file only (never a FIFO, a device or a folder).
std::unique_ptr<TFile> OpenRead(const std::string& path, TShare share = TShare::ReadWrite);
// As OpenRead for a file that a walk found: a link put in its place since is not followed
// (ErrorStoppedOnSymlink).
std::unique_ptr<TFile> OpenFoundFile(const std::string& path, TShare share = TShare::ReadWrite);
// Creates or truncates.
std::unique_ptr<TFile> OpenWrite(const std::string& path, TShare share = TShare::Read);
// Opens an existing file (or creates it when create is set) without truncating.
std::unique_ptr<TFile> OpenReadWrite(const std::string& path, bool create, TShare share = TShare::Read);
// Creates when missing and positions at the end.
std::unique_ptr<TFile> OpenAppend(const std::string& path, TShare share = TShare::Read);
// Fails with ErrorFileExists when the name exists.
std::unique_ptr<TFile> CreateNewFile(const std::string& path, TShare share = TShare::Read);

int ReadWholeFile(const std::string& path, std::string& contents);
// Temporary file in the same folder + rename; keeps the permissions of the file it replaces.
int WriteFileAtomic(const std::string& path, const std::string& contents);

// True when Windows would refuse the path as too long.
bool PathTooLong(const std::string& path);

// Absolute Windows text of a path relative to the current folder.
std::string ExpandFileName(const std::string& path);
std::string GetCurrentDir();

// A new folder only this user can enter (0700), made exclusively below the temporary
// folder as "<prefix>-XXXXXX"; Windows text ending in "\", empty on failure (LastError set).
std::string CreatePrivateTempFolder(const std::string& prefix);

} // namespace Platform
