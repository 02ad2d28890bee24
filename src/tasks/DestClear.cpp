#include "tasks/DestClear.h"

#include "engine/ExtFtp.h"
#include "engine/GZipThread.h"
#include "foundation/MessageLoop.h"
#include "foundation/PathUtils.h"
#include "foundation/StatusView.h"
#include "foundation/StringUtils.h"
#include "foundation/Translate.h"
#include "platform/FileSystem.h"
#include "platform/FolderEntries.h"
#include "tasks/BackupNames.h"
#include "tasks/BackupSelection.h"
#include "tasks/IniValues.h"

#include <cmath>
#include <vector>

namespace {

std::string JoinRelative(const std::string& base, const std::string& relative)
{
    return relative.empty() ? base : AddPathDelimiter(base) + relative;
}

bool EndsWithLower(const std::string& name, const std::string& suffix)
{
    return name.size() > suffix.size() && AnsiLowerCase(name.substr(name.size() - suffix.size())) == suffix;
}

// Folders and files of a folder, read before anything in it is deleted.
void ListEntries(const std::string& folder, std::vector<std::string>& folders, std::vector<std::string>& files)
{
    Platform::TSearchRec rec;
    if (Platform::FindFirst(AddPathDelimiter(folder) + "*", faAnyFile, rec) != 0) {
        return;
    }
    do {
        ((rec.Attr & faDirectory) != 0 ? folders : files).push_back(rec.Name);
    } while (Platform::FindNext(rec) == 0);
    Platform::FindClose(rec);
}

bool DeleteDestFile(const std::string& path)
{
    Platform::SetFileAttributes(path, faArchive);
    return Platform::DeleteFile(path) == 0;
}

bool AnyAttributeExcluded(const TExtensionList& filter)
{
    return filter.AttrArchive == AttrExcluded || filter.AttrReadOnly == AttrExcluded ||
           filter.AttrHidden == AttrExcluded || filter.AttrSystem == AttrExcluded;
}

} // namespace

// The names of a source folder's entries as they appear in the destination.
struct TDestClear::TSourceNames
{
    std::set<std::string> Files;   // real names and converted names
    std::set<std::string> Folders; // real names (and their remote form)
    TOriginNames Origins;          // the files, to tell the kept versions of one
};

TDestClear::TDestClear(const TBackupTask& task, TBackupLog& log, TBackupSupervision& supervision)
    : Task(task), Log(log), Supervision(supervision)
{}

IStatusView& TDestClear::StatusView() const
{
    return Status ? *Status : TheStatusView();
}

std::string TDestClear::ConvertName(const std::string& name) const
{
    return ConvertFileName(name, FilenameCase, ReplaceChars);
}

TDestClear::TSourceNames TDestClear::ListSource(const std::string& folder, TExtFtp* ftp) const
{
    TSourceNames names;
    std::vector<std::string> folders;
    std::vector<std::string> files;
    ListEntries(folder, folders, files);
    for (const std::string& name : files) {
        names.Origins.Add(name);
        names.Files.insert(name);
        names.Files.insert(ConvertName(name));
        if (ftp) {
            names.Files.insert(ftp->EncodeName(ConvertName(name)));
        }
    }
    for (const std::string& name : folders) {
        names.Folders.insert(name);
        if (ftp) {
            names.Folders.insert(ftp->EncodeName(name));
        }
    }
    return names;
}

bool TDestClear::CandidateName(const std::string& destFile, const std::string& name, bool remote,
                               std::string& candidate) const
{
    candidate = name;
    if (Task.Compress && EndsWithLower(name, ".gz")) {
        if (remote) {
            candidate = name.substr(0, name.size() - 3);
            return true;
        }
        TGzFileInfo info;
        if (!GetGzFileInfo(destFile, info) || info.Name.empty()) {
            return false;
        }
        candidate = ExtractFileName(info.Name);
    } else if (Task.Encrypt && EndsWithLower(name, ".enc")) {
        candidate = name.substr(0, name.size() - 4);
    }
    return true;
}

bool TDestClear::SelectionPasses(const std::string& candidate, TExtensionList& filter) const
{
    if (Task.SyncMode != SyncSelections) {
        return true;
    }
    std::string type;
    if (!ExtensionSelected(candidate, filter, type)) {
        return false;
    }
    try {
        return filter.NameFilter.Match(RemoveExtension(candidate));
    } catch (const std::exception&) {
        return false; // a filter that cannot decide deletes nothing
    }
}

bool TDestClear::SourceGone(const TSourceNames& names, const std::string& candidate, bool gzFile) const
{
    if (names.Files.count(candidate) != 0 || names.Files.count(ConvertName(candidate)) != 0) {
        return false;
    }
    // A ".gz" source of a type that is never compressed was copied as it is.
    if (gzFile) {
        for (const std::string& type : Task.NoCompTypes) {
            if (SameTextIgnoringCase(type, "GZ") && names.Files.count(ConvertName(candidate + ".gz")) != 0) {
                return false;
            }
        }
    }
    return true;
}

void TDestClear::ShowSyncProgress(const TExtensionList& filter, int considered)
{
    if (filter.SyncCount > 0) {
        Supervision.View().SetFileProgress(std::llround(100.0 / filter.SyncCount * considered));
    }
    ProcessMessages();
}

TDestClear::TSubfolderStep TDestClear::SubfolderStep(const TSourceNames& names, const std::string& sourceDir,
                                                     const std::string& name, const TExtensionList& filter) const
{
    if (Task.SyncMode == SyncSelections) {
        const std::string counterpart = AddPathDelimiter(AddPathDelimiter(sourceDir) + name);
        return filter.SubDirs.Contains(counterpart) ? TSubfolderStep::Keep : TSubfolderStep::Descend;
    }
    return names.Folders.count(name) != 0 ? TSubfolderStep::Descend : TSubfolderStep::Delete;
}

void TDestClear::LogFolderDeletion(const std::string& subfolder)
{
    if (Log.LogMode >= LogLong) {
        Log.WriteLog(LogFilePrefix + TrDefault("Delete directory: ") + subfolder);
    }
}

void TDestClear::ClearDestDir(const std::string& folder, const std::string& subfolder, int& counter)
{
    const std::string path = JoinRelative(RemovePathDelimiter(folder), subfolder);
    if (!Platform::DirectoryExists(path)) {
        return;
    }
    StatusView().ShowStatus(path);
    std::vector<std::string> folders;
    std::vector<std::string> files;
    ListEntries(path, folders, files);
    for (const std::string& name : folders) {
        ClearDestDir(folder, JoinRelative(subfolder, name), counter);
        if (Cancelled()) {
            return;
        }
    }
    size_t deletedHere = 0;
    for (const std::string& name : files) {
        const std::string file = AddPathDelimiter(path) + name;
        ++counter;
        if (DeleteDestFile(file)) {
            ++deletedHere;
        } else {
            Log.WriteLog(LogErrorPrefix + FormatText(TrDefault("Could not delete file \"%s\"!"), file));
        }
        if (Cancelled()) {
            return;
        }
        ProcessMessages();
    }
    if (deletedHere < files.size()) {
        return;
    }
    // Links and special files are never backed up, but they must not keep the folder.
    for (const std::string& name : Platform::ListUnsearchedEntries(path)) {
        Platform::RemoveUnsearchedEntry(AddPathDelimiter(path) + name);
    }
    if (path == RemovePathDelimiter(LockedFolder)) {
        return;
    }
    Platform::SetFileAttributes(path, 0);
    if (Platform::RemoveDir(path) != 0) {
        Log.WriteLog(LogErrorPrefix + FormatText(TrDefault("Could not delete directory \"%s\"!"), path));
    }
}

void TDestClear::CountDestFiles(const std::string& source, const std::string& dest, TExtensionList& filter,
                                const std::string& subfolder)
{
    const std::string destDir = JoinRelative(RemovePathDelimiter(dest), subfolder);
    std::vector<std::string> folders;
    std::vector<std::string> files;
    ListEntries(destDir, folders, files);
    for (const std::string& name : folders) {
        if (Cancelled()) {
            return;
        }
        const std::string sub = JoinRelative(subfolder, name);
        const std::string counterpart = AddPathDelimiter(JoinRelative(RemovePathDelimiter(source), sub));
        if (Task.SyncMode == SyncSelections && filter.SubDirs.Contains(counterpart)) {
            continue;
        }
        CountDestFiles(source, dest, filter, sub);
    }
    for (const std::string& name : files) {
        std::string candidate = name;
        if (EndsWithLower(name, ".gz")) {
            candidate = name.substr(0, name.size() - 3);
        } else if (Task.Encrypt && EndsWithLower(name, ".enc")) {
            candidate = name.substr(0, name.size() - 4);
        }
        if (SelectionPasses(candidate, filter)) {
            ++filter.SyncCount;
        }
    }
    Supervision.View().ShowFile(
        ItemDirectory, ReplaceText(TrDefault("is being explored: %u files"), "%u", std::to_string(filter.SyncCount)),
        destDir);
    ProcessMessages();
}

void TDestClear::SyncDestDir(const std::string& source, const std::string& dest, const std::string& subfolder,
                             bool deleteAll, int& deleted, int& considered, TExtensionList& filter)
{
    const std::string destDir = JoinRelative(RemovePathDelimiter(dest), subfolder);
    const std::string sourceDir = JoinRelative(RemovePathDelimiter(source), subfolder);
    StatusView().ShowStatus(AddPathDelimiter(destDir));
    std::vector<std::string> folders;
    std::vector<std::string> files;
    ListEntries(destDir, folders, files);
    const TSourceNames names = ListSource(sourceDir, nullptr);

    for (const std::string& name : folders) {
        if (Cancelled()) {
            return;
        }
        const std::string sub = JoinRelative(subfolder, name);
        const TSubfolderStep step = SubfolderStep(names, sourceDir, name, filter);
        if (step == TSubfolderStep::Descend) {
            SyncDestDir(source, dest, sub, deleteAll, deleted, considered, filter);
        } else if (step == TSubfolderStep::Delete) {
            LogFolderDeletion(sub);
            int removed = 0;
            ClearDestDir(dest, sub, removed);
            deleted += removed;
            considered += removed;
        }
    }

    Supervision.View().SetHintText(ShortenPath(AddPathDelimiter(destDir), 50));
    size_t deletedHere = 0;
    for (const std::string& name : files) {
        if (Cancelled()) {
            return;
        }
        const std::string file = AddPathDelimiter(destDir) + name;
        if (!deleteAll) {
            ShowSyncProgress(filter, considered);
            std::string candidate;
            if (!CandidateName(file, name, false, candidate) || !SelectionPasses(candidate, filter)) {
                continue;
            }
            ++considered;
            if (!SourceGone(names, candidate, EndsWithLower(name, ".gz")) || names.Origins.HasOriginOf(name)) {
                continue;
            }
        }
        const std::string relative = JoinRelative(subfolder, name);
        if (DeleteDestFile(file)) {
            ++deletedHere;
            ++deleted;
            if (Log.LogMode >= LogLong) {
                Log.WriteLog(LogFilePrefix + TrDefault("Delete: ") + relative);
            }
        } else {
            Log.WriteLog(LogErrorPrefix + TrDefault("Error deleting: ") + relative);
        }
        ProcessMessages();
    }

    if (deletedHere == files.size() && Task.EmptyDirs) {
        const uint32_t attr = Platform::GetFileAttributes(destDir);
        Platform::SetFileAttributes(destDir, faDirectory);
        if (Platform::RemoveDir(destDir) != 0) {
            Platform::SetFileAttributes(destDir, attr);
        } else if (Log.LogMode == LogExtended) {
            Log.WriteLog(LogNotePrefix + TrDefault("Delete empty directory: ") + destDir);
        }
    }
}

// What stays the same through one FTP synchronisation, from its top folder down.
struct TDestClear::TFtpSync
{
    TExtFtp& Ftp;
    const std::string& Source;
    bool DeleteAll;
    int& Deleted;
    int& Considered;
    TExtensionList& Filter;
};

void TDestClear::SyncFtpDir(TExtFtp& ftp, const std::string& source, const std::string& subfolder, bool deleteAll,
                            int& deleted, int& considered, TExtensionList& filter)
{
    TFtpSync sync{ftp, source, deleteAll, deleted, considered, filter};
    SyncFtpFolder(sync, subfolder);
}

void TDestClear::SyncFtpFolder(TFtpSync& sync, const std::string& subfolder)
{
    const bool top = subfolder.empty();
    const std::string name = ExtractFileName(subfolder);
    std::string remembered;
    if (!top && !EnterFtpFolder(sync.Ftp, name, remembered)) {
        return;
    }
    const std::string sourceDir = JoinRelative(RemovePathDelimiter(sync.Source), subfolder);
    const TSourceNames names = ListSource(sourceDir, &sync.Ftp);
    SyncFtpSubfolders(sync, subfolder, sourceDir, names);
    const bool allDeleted = SyncFtpFiles(sync, subfolder, names);
    if (!top) {
        LeaveFtpFolder(sync.Ftp, name, remembered, allDeleted);
    }
}

bool TDestClear::EnterFtpFolder(TExtFtp& ftp, const std::string& name, std::string& remembered)
{
    ftp.PrintWorkingDir(remembered);
    if (!ftp.ChangeDir(name)) {
        Log.WriteLog(LogErrorPrefix + TrDefault("Error changing directory on FTP server: ") +
                     IncludeTrailingSlash(remembered) + name);
        return false;
    }
    return true;
}

void TDestClear::SyncFtpSubfolders(TFtpSync& sync, const std::string& subfolder, const std::string& sourceDir,
                                   const TSourceNames& names)
{
    std::vector<TFtpListItem> dirs;
    sync.Ftp.FillDirList(dirs);
    for (const TFtpListItem& dir : dirs) {
        if (Cancelled()) {
            break;
        }
        const std::string sub = JoinRelative(subfolder, dir.Name);
        const TSubfolderStep step = SubfolderStep(names, sourceDir, dir.Name, sync.Filter);
        if (step == TSubfolderStep::Descend) {
            SyncFtpFolder(sync, sub);
        } else if (step == TSubfolderStep::Delete) {
            LogFolderDeletion(sub);
            int removed = 0;
            sync.Ftp.DeleteTree(dir.Name, removed);
            sync.Deleted += removed;
            sync.Considered += removed;
        }
    }
}

bool TDestClear::SyncFtpFiles(TFtpSync& sync, const std::string& subfolder, const TSourceNames& names)
{
    TExtFtp& ftp = sync.Ftp;
    std::string remoteDir;
    ftp.PrintWorkingDir(remoteDir);
    Supervision.View().SetHintText(ShortenPath(remoteDir, 50));
    ftp.FillFileList();
    const std::vector<TFtpListItem> files = ftp.Listing;
    size_t deletedHere = 0;
    for (const TFtpListItem& file : files) {
        if (Cancelled()) {
            break;
        }
        if (!sync.DeleteAll && !RemoteFileOrphaned(sync, names, file.Name)) {
            continue;
        }
        const std::string relative = JoinRelative(subfolder, file.Name);
        const bool ok = ftp.DeleteFile(file.Name);
        if (ok) {
            ++deletedHere;
            ++sync.Deleted;
        }
        if (Log.LogMode >= LogLong) {
            Log.WriteLog((ok ? LogFilePrefix : LogErrorPrefix) + TrDefault("Delete: ") + relative);
        }
    }
    return deletedHere == files.size();
}

bool TDestClear::RemoteFileOrphaned(TFtpSync& sync, const TSourceNames& names, const std::string& name)
{
    ShowSyncProgress(sync.Filter, sync.Considered);
    std::string candidate;
    CandidateName({}, name, true, candidate);
    if (!SelectionPasses(candidate, sync.Filter)) {
        return false;
    }
    ++sync.Considered;
    // The source is gone, so its attributes read as all set: an excluded
    // attribute means the file was never the selection's.
    return SourceGone(names, candidate, EndsWithLower(name, ".gz")) && !names.Origins.HasOriginOf(name) &&
           !AnyAttributeExcluded(sync.Filter);
}

void TDestClear::LeaveFtpFolder(TExtFtp& ftp, const std::string& name, const std::string& remembered, bool emptied)
{
    const bool back = remembered.empty() ? ftp.ChangeDirUp() : ftp.ChangeDir(remembered);
    if (!back) {
        std::string current;
        ftp.PrintWorkingDir(current);
        Log.WriteLog(LogErrorPrefix + TrDefault("Error changing directory on FTP server: ") + current);
        return;
    }
    if (emptied && ftp.RemoveDir(name) && Log.LogMode == LogExtended) {
        Log.WriteLog(LogNotePrefix + TrDefault("Delete empty directory: ") + name);
    }
}
