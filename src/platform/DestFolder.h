#pragma once

// An open folder of a backup destination. Everything a backup makes below the folder the
// user chose is created, entered and opened relative to an open folder without following
// symbolic links, so a link planted inside a backup never sends a write, a rename or a
// delete elsewhere. Names are single components (Windows text, no delimiter).
//
//   Open, Enter                     the folder the user chose; folders below it
//   Kind, GetFindData               what stands under a name, links not followed
//   FindFirst                       its entries, as a search of its path
//   OpenRead                        a file in it, for reading (also a source folder's)
//   CreateNewFile                   exclusive, never through a link
//   ReplaceFile, RenameFile         within the folder
//   DeleteFile, RemoveDir           the entry itself, never what a link points to
//   SetAttributes, SetTimes         of the folder itself

#include "platform/FileSystem.h"

#include <memory>
#include <string>
#include <vector>

namespace Platform {

enum class TEntryKind
{
    Missing,
    File,
    Folder,
    Link,
    Other // FIFO, socket, device
};

class TDestFolder
{
public:
    ~TDestFolder();
    TDestFolder(const TDestFolder&) = delete;
    TDestFolder& operator=(const TDestFolder&) = delete;

    // The folder as the user named it (links on the way to it are the user's choice);
    // nullptr with LastError when it is missing or no folder.
    static std::unique_ptr<TDestFolder> Open(const std::string& path);
    // A folder below this one ("a\b\c"; empty: this folder again), each part entered
    // without following a link and created first when create is set. nullptr with
    // LastError: ErrorStoppedOnSymlink for a link on the way (linkPath, when given, gets
    // its Windows path), ErrorPathNotFound for a missing part, ErrorDirectory for a file.
    // created (when given) gets the Windows path of each folder this call made, outer first.
    std::unique_ptr<TDestFolder> Enter(const std::string& relative, bool create, std::string* linkPath = nullptr,
                                       std::vector<std::string>* created = nullptr) const;

    // Windows text of the folder, without a trailing delimiter (except a drive root).
    const std::string& Path() const { return WinPath; }
    std::string PathOf(const std::string& name) const;

    TEntryKind Kind(const std::string& name) const;
    // A regular file or folder of that name (links are not looked through).
    bool GetFindData(const std::string& name, TFindData& data) const;
    // Searches the folder as FindFirst(its path + "*", attr) would, without looking it up
    // again; FindNext and FindClose go on with rec.
    int FindFirst(std::uint32_t attr, TSearchRec& rec) const;
    // As Platform::OpenRead of the file's whole path, without looking up the folder again.
    std::unique_ptr<TFile> OpenRead(const std::string& name, TShare share = TShare::ReadWrite) const;
    // Fails with ErrorFileExists when anything (a link too) has the name.
    std::unique_ptr<TFile> CreateNewFile(const std::string& name, TShare share = TShare::Read) const;
    // Renames from over to in one step: to is either the old or the new entry.
    int ReplaceFile(const std::string& from, const std::string& to) const;
    // Never replaces: ErrorAlreadyExists.
    int RenameFile(const std::string& from, const std::string& to) const;
    // Removes a file, link or special file itself, whatever its read-only attribute
    // says; a folder gives ErrorAccessDenied.
    int DeleteFile(const std::string& name) const;
    int RemoveDir(const std::string& name) const;
    int SetAttributes(std::uint32_t attr) const;
    int SetTimes(const TFileTime* lastAccess, const TFileTime* lastWrite) const;
    // The folder's own size, which grows with its entries on the common file systems
    // (a hint of how many it holds); 0 when it cannot be read.
    std::uint64_t EntryBytes() const;

private:
    TDestFolder(int fd, std::string winPath, std::string hostPath);

    int Fd;
    std::string WinPath;
    std::string HostPath;
};

} // namespace Platform
