#include "tasks/BackupWalk.h"

#include "engine/Encryption.h"
#include "engine/GZipThread.h"
#include "engine/WinCopyThread.h"
#include "engine/WorkPool.h"
#include "engine/ZipWrite.h"
#include "foundation/FileStream.h"
#include "foundation/MessageDialogs.h"
#include "foundation/MessageLoop.h"
#include "foundation/NumberText.h"
#include "foundation/PathUtils.h"
#include "foundation/ShellFileOps.h"
#include "foundation/StringUtils.h"
#include "foundation/Translate.h"
#include "platform/DestFolder.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "tasks/BackupNames.h"
#include "tasks/BackupTemporary.h"
#include "tasks/BackupWalkParts.h"
#include "tasks/BackupWorkRecord.h"
#include "tasks/TaskChecks.h"

#include <atomic>
#include <cmath>

using namespace WalkParts;

namespace {

std::string VersionNameHeldText()
{
    return TrDefault("Previous version not kept, a file of the source has its name: ");
}

// A file that was being written when its run died still carries the time of its last
// write; a finished copy carries its source's, older than the copy itself.
bool WrittenWhenInterrupted(const TFindData& data)
{
    return data.LastWriteTime >= data.CreationTime;
}

// The local time is only needed by the date tests and the FTP decision: it costs a
// time-zone conversion per file.
TFileInfo FileInfoOf(const TSearchRec& rec, bool withTime)
{
    if (withTime) {
        return SearchRecToFileInfo(rec);
    }
    TFileInfo info;
    info.Name = rec.Name;
    info.Attr = rec.Attr;
    info.Size = rec.Size;
    return info;
}

} // namespace

namespace {

// A folder whose path is too long is listed too: each of its files is counted and named.
std::uint32_t SourceMask(bool withStored)
{
    return faAnyFile | Platform::faBeyondPathLimit | (withStored ? 0 : Platform::faWithoutStored);
}

constexpr std::uint32_t DestMask = faAnyFile | Platform::faWithoutStored | Platform::faAnyOrder;

// The entries of a search begun with found (FindFirst's result), folders and files apart.
void TakeListing(int found, TSearchRec& rec, std::vector<TSearchRec>& folders, std::vector<TSearchRec>& files,
                 std::vector<std::string>* links)
{
    if (found == 0) {
        // Room for all at once: a growing list of a large folder would be held twice.
        files.reserve(Platform::EntriesLeft(rec) + 1);
        do {
            TSearchRec entry = rec;
            entry.State.reset();
            ((entry.Attr & faDirectory) != 0 ? folders : files).push_back(std::move(entry));
        } while (Platform::FindNext(rec) == 0);
    }
    if (links) {
        *links = Platform::SkippedLinks(rec);
    }
    Platform::FindClose(rec);
}

void TakeDestListing(int found, TSearchRec& rec, TDestListing& listing, bool withLeftovers,
                     const std::atomic<bool>* stop)
{
    if (found == 0) {
        listing.Files.reserve(Platform::EntriesLeft(rec) + 1);
        do {
            if ((rec.Attr & faDirectory) != 0) {
                listing.Occupied.insert(rec.Name);
            } else if (!IsBackupLeftoverName(rec.Name)) {
                listing.Files.emplace(std::move(rec.Name), rec.FindData.LastWriteTime);
            } else if (withLeftovers) {
                listing.Leftovers.push_back(rec.Name);
            }
        } while ((!stop || !stop->load(std::memory_order_relaxed)) && Platform::FindNext(rec) == 0);
    }
    for (std::string& link : Platform::SkippedLinks(rec)) {
        listing.Occupied.insert(std::move(link));
    }
    Platform::FindClose(rec);
}

} // namespace

void ListFolder(const std::string& folder, std::vector<TSearchRec>& folders, std::vector<TSearchRec>& files,
                std::vector<std::string>* links, bool withStored)
{
    TSearchRec rec;
    TakeListing(Platform::FindFirst(folder + "*", SourceMask(withStored), rec), rec, folders, files, links);
}

void WalkParts::ListFolder(const Platform::TDestFolder& folder, std::vector<TSearchRec>& folders,
                           std::vector<TSearchRec>& files, std::vector<std::string>* links, bool withStored)
{
    TSearchRec rec;
    TakeListing(folder.FindFirst(SourceMask(withStored), rec), rec, folders, files, links);
}

void WalkParts::ListDestination(const std::string& destDir, TDestListing& listing, bool withLeftovers,
                                const std::atomic<bool>* stop)
{
    TSearchRec rec;
    TakeDestListing(Platform::FindFirst(AddPathDelimiter(destDir) + "*", DestMask, rec), rec, listing, withLeftovers,
                    stop);
}

void WalkParts::ListDestination(const Platform::TDestFolder& dest, TDestListing& listing, bool withLeftovers)
{
    TSearchRec rec;
    TakeDestListing(dest.FindFirst(DestMask, rec), rec, listing, withLeftovers, nullptr);
}

TBackupWalk::TBackupWalk(const TBackupTask& task, TBackupLog& log, TBackupSupervision& supervision)
    : Now([] { return ::Now(); }),
      MoveToTrash([](const std::string& path) { return ShellDeleteFiles(path, true, TrDefault("Delete file")); }),
      Task(task), Log(log), Supervision(supervision), ScannedText(TrDefault("is scanned:")),
      CopiedCountText(TrDefault("%u files copied"))
{
    Supervision.OtherWorker = [this]() -> TCopyThread* { return CurrentZip ? CurrentZip->RunningWorker : nullptr; };
}

TBackupWalk::~TBackupWalk()
{
    Ahead.clear();
    Supervision.OtherWorker = nullptr;
}

bool TBackupWalk::CreateDestDir(const std::string& path)
{
    if (Platform::ForceDirectories(path) != 0 && !Platform::DirectoryExists(path)) {
        Log.WriteLog(LogErrorPrefix + TrDefault("Could not create directory:") + "\r\n" + path + "!");
        return false;
    }
    if (Log.LogMode == LogExtended) {
        Log.WriteLog(LogNotePrefix + TrDefault("Create directory: ") + path);
    }
    return true;
}

void TBackupWalk::BackupDir(TWalkContext& ctx, const std::string& relFolder, const TFileTimes& times, uint32_t attr)
{
    Counters = &ctx.Counters;
    if (!Ftp) {
        const std::string root = ctx.DestRoot.empty() ? ctx.DestBase : ctx.DestRoot;
        TidyAfterInterruptedRun(root);
        Record = std::make_unique<TWorkRecord>(root);
    }
    BackupDir(ctx, nullptr, relFolder, times, attr);
    Record.reset();
    Counters = nullptr;
}

void TBackupWalk::TidyAfterInterruptedRun(const std::string& root)
{
    if (root.empty() || !TidiedRoots.insert(RemovePathDelimiter(root)).second) {
        return;
    }
    for (const std::string& path : TidyInterruptedRun(root)) {
        Log.WriteLog(LogNotePrefix + TrDefault("Removed what an interrupted run left: ") + path);
    }
}

void TBackupWalk::NoteWorkIn(TFolder& folder, bool made)
{
    if (!Record || folder.RecordedMade || (folder.Recorded && !made)) {
        return;
    }
    // Below a folder named as made by this run, all is this run's: the next run tidies the
    // whole of it. A first backup so writes its record about once, not once a folder.
    for (const TFolder* above = folder.Parent; above; above = above->Parent) {
        if (above->RecordedMade) {
            return;
        }
    }
    Record->Note(folder.DestDir, made);
    folder.Recorded = true;
    folder.RecordedMade = made;
}

void TBackupWalk::DropFromRecord(TFolder& folder)
{
    if (Record && folder.Recorded) {
        Record->Drop(folder.DestDir);
    }
    folder.Recorded = false;
    folder.RecordedMade = false;
}

void TBackupWalk::NameFolder(TWalkContext& ctx, TFolder* parent, const std::string& relFolder, TFolder& folder)
{
    folder.Parent = parent;
    folder.Rel = relFolder;
    folder.Top = relFolder.empty();
    folder.SourceDir = AddPathDelimiter(JoinRelative(ctx.SourceBase, relFolder));
    folder.DestDir = JoinRelative(RemovePathDelimiter(ctx.DestBase), relFolder);
    folder.ListedWithoutStored = !NeedsStoredAttributes(ctx.Filter);
}

bool TBackupWalk::LeftOut(TWalkContext& ctx, const TFolder& folder)
{
    return !ctx.Filter.SubDirs.Empty() && ctx.Filter.SubDirs.Contains(folder.SourceDir);
}

void TBackupWalk::BackupDir(TWalkContext& ctx, TFolder* parent, const std::string& relFolder, const TFileTimes& times,
                            uint32_t attr, std::unique_ptr<TSubfolderAhead> listedAhead,
                            std::unique_ptr<TStartedFolder> started)
{
    if (started) {
        started->TurnCame = true;
        BackupStartedDir(ctx, *started, times, attr);
        return;
    }
    TFolder folder;
    NameFolder(ctx, parent, relFolder, folder);
    if (LeftOut(ctx, folder)) {
        return;
    }
    if (Cancelled() || !OpenSourceFolder(folder) || !(folder.Top ? OpenTopFolder(ctx, folder) : EnterFolder(folder))) {
        return;
    }
    std::vector<TSearchRec> folders;
    std::vector<TSearchRec> files;
    std::vector<std::string> links;
    // A folder of many files is listed twice, the source here and the destination for the
    // copy decisions: the pool lists the destination meanwhile (used where no subfolder
    // comes first). Only a large folder: handing a small one over costs more than it saves.
    if (ListsDestination(folder)) {
        folder.ListingAhead = listedAhead ? std::move(listedAhead->Dest)
                              : folder.Dest->EntryBytes() >= ListAheadBytes
                                  ? std::make_unique<TListingAhead>(folder.DestDir)
                                  : nullptr;
    }
    if (listedAhead) {
        listedAhead->TakeSource(folders, files, links);
        listedAhead.reset();
    } else {
        ListSourceFolder(folder, folders, files, links);
    }
    if (!folders.empty()) {
        // The walk below may make folders here before the copy decisions: they list anew.
        folder.ListingAhead.reset();
    }
    BackupListedDir(ctx, folder, folders, files, links, times, attr);
}

void TBackupWalk::BackupStartedDir(TWalkContext& ctx, TStartedFolder& started, const TFileTimes& times, uint32_t attr)
{
    TFolder& folder = started.Folder;
    if (Cancelled()) {
        return;
    }
    if (!started.Made.empty()) {
        started.Made.clear();
    } else if (!EnterFolder(folder)) {
        return;
    }
    BackupListedDir(ctx, folder, started.Folders, started.Files, started.Links, times, attr);
}

void TBackupWalk::BackupListedDir(TWalkContext& ctx, TFolder& folder, std::vector<TSearchRec>& folders,
                                  const std::vector<TSearchRec>& files, const std::vector<std::string>& links,
                                  const TFileTimes& times, uint32_t attr)
{
    for (const std::string& link : links) {
        LogLinkSkipped(JoinRelative(folder.Rel, link));
    }
    BackupSubfolders(ctx, folder, folders);
    if (!Cancelled()) {
        if (Ftp && Mode() != DestZipFile) {
            Ftp->FillFileList();
        }
        if (Mode() != DestZipPerDirectory || OpenFolderArchive(folder)) {
            BackupFiles(ctx, folder, files);
            CloseFolderArchive(folder);
        }
        if (!Cancelled()) {
            LeaveFolder(folder, times, attr);
        }
    }
    // The remote folder is left even after a cancel: the run climbs back from the base.
    if (folder.RemoteEntered) {
        Ftp->LeaveFolder(folder.RemoteRemembered);
    }
    DropFromRecord(folder);
}

void TBackupWalk::ListSourceFolder(const TFolder& folder, std::vector<TSearchRec>& folders,
                                   std::vector<TSearchRec>& files, std::vector<std::string>& links)
{
    // Through the folder it entered where it has one: the same folder, not looked up again.
    if (folder.Source) {
        WalkParts::ListFolder(*folder.Source, folders, files, &links, !folder.ListedWithoutStored);
    } else {
        ::ListFolder(folder.SourceDir, folders, files, &links, !folder.ListedWithoutStored);
    }
}

bool TBackupWalk::ListsDestination(const TFolder& folder) const
{
    return folder.Dest && !folder.CreatedHere && !ZipMode() && !Ftp;
}

bool TBackupWalk::EnterFolder(TFolder& folder)
{
    if (Ftp && Mode() != DestZipFile) {
        folder.RemoteEntered = Ftp->EnterFolder(ExtractFileName(folder.Rel), folder.RemoteRemembered);
        return folder.RemoteEntered;
    }
    if (Mode() == DestZipFile) {
        try {
            if (ZipWriter) {
                ZipWriter->AddDirectory(RemovePathDelimiter(folder.SourceDir));
            }
        } catch (const EZipError&) {
            Log.WriteLog(LogErrorPrefix + TrDefault("Error writing to Zip file"));
            return false;
        }
        return true;
    }
    if (Ftp) {
        return true;
    }
    const std::string name = ExtractFileName(folder.Rel);
    const Platform::TDestFolder* parent = folder.Parent ? folder.Parent->Dest.get() : nullptr;
    const Platform::TEntryKind kind = parent ? parent->Kind(name) : Platform::TEntryKind::Missing;
    if (kind == Platform::TEntryKind::Link || kind == Platform::TEntryKind::Other) {
        LogLinkLeftAlone(folder.DestDir);
        return false;
    }
    folder.DestMissing = kind == Platform::TEntryKind::Missing;
    if (!folder.DestMissing) {
        folder.Dest = parent->Enter(name, false);
        if (!folder.Dest) {
            LogCouldNotCreate(folder.DestDir);
            folder.CreateFailed = true;
        }
    } else if (!Task.EmptyDirs) {
        EnsureDestFolder(folder);
    }
    // Walked on even without its destination: every selected file below is counted and named.
    return true;
}

bool TBackupWalk::OpenSourceFolder(TFolder& folder)
{
    if (folder.Parent && !folder.Parent->Source) {
        return true; // below a folder past the path limit: its files are only named
    }
    // A folder the listing found may have been swapped for a link since: nothing from where
    // it points goes into the backup.
    folder.Source = folder.Parent ? folder.Parent->Source->Enter(ExtractFileName(folder.Rel), false)
                                  : Platform::TDestFolder::Open(folder.SourceDir);
    if (folder.Source) {
        return true;
    }
    const int error = Platform::LastError();
    if (error == Platform::ErrorStoppedOnSymlink) {
        LogLinkSkipped(folder.Rel);
    }
    // A folder past the path limit is walked all the same, to name each file in it.
    return error == Platform::ErrorFilenameExcedRange;
}

void TBackupWalk::LogLinkSkipped(const std::string& relative)
{
    if (Log.LogMode >= LogLong) {
        Log.WriteLog(LogFilePrefix + TrDefault("Link skipped: ") + relative);
    }
}

bool TBackupWalk::SwappedForNoFile(const TFolder& folder, const TFileJob& job)
{
    if (!folder.Source) {
        return false;
    }
    switch (folder.Source->Kind(job.Listing->Name)) {
    case Platform::TEntryKind::Link:
        LogLinkSkipped(job.RelPath);
        return true;
    case Platform::TEntryKind::Other:
        return true;
    default:
        return false;
    }
}

bool TBackupWalk::OpenTopFolder(TWalkContext& ctx, TFolder& folder)
{
    if (Ftp || Mode() == DestZipFile) {
        return true;
    }
    std::string link;
    folder.Dest = EnterDestBase(ctx.DestRoot, ctx.DestBase, true, link);
    if (!folder.Dest) {
        if (Platform::LastError() == Platform::ErrorStoppedOnSymlink) {
            LogLinkLeftAlone(link);
        } else {
            Log.WriteLog(LogErrorPrefix + TrDefault("Could not create directory:") + "\r\n" +
                         RemovePathDelimiter(ctx.DestBase) + "!");
        }
        return false;
    }
    return true;
}

bool TBackupWalk::EnsureDestFolder(TFolder& folder)
{
    if (folder.Dest) {
        return true;
    }
    if (folder.CreateFailed || !folder.Parent || !EnsureDestFolder(*folder.Parent)) {
        folder.CreateFailed = true;
        return false;
    }
    std::string link;
    NoteWorkIn(folder, true);
    folder.Dest = folder.Parent->Dest->Enter(ExtractFileName(folder.Rel), true, &link);
    if (!folder.Dest) {
        if (Platform::LastError() == Platform::ErrorStoppedOnSymlink) {
            LogLinkLeftAlone(link);
        } else {
            LogCouldNotCreate(folder.DestDir);
        }
        folder.CreateFailed = true;
        return false;
    }
    NoteDestFolderMade(folder);
    if (Log.LogMode == LogExtended) {
        Log.WriteLog(LogNotePrefix + TrDefault("Create directory: ") + folder.DestDir);
    }
    return true;
}

void TBackupWalk::NoteDestFolderMade(TFolder& folder)
{
    folder.DestMissing = false;
    folder.CreatedHere = true;
    // Made empty just now: its listing is known without reading it.
    folder.DestListed = true;
    ++folder.DestChanges;
}

void TBackupWalk::ForgetDestFolder(TFolder& folder)
{
    folder.Dest.reset();
    ++folder.DestChanges;
    folder.ListingAhead.reset();
    folder.DestListed = false;
    folder.DestFiles.clear();
    folder.DestOccupied.clear();
    folder.CreatedHere = false;
    folder.CreateFailed = false;
}

bool TBackupWalk::ReopenDestFolders(TWalkContext& ctx, TFolder& folder)
{
    ForgetDestFolder(folder);
    if (folder.Top) {
        return OpenTopFolder(ctx, folder);
    }
    return folder.Parent && ReopenDestFolders(ctx, *folder.Parent) && EnsureDestFolder(folder);
}

void TBackupWalk::LogCouldNotCreate(const std::string& path)
{
    // Below a folder whose path is too long every file is named with that reason instead.
    if (Platform::LastError() != Platform::ErrorFilenameExcedRange) {
        Log.WriteLog(LogErrorPrefix + TrDefault("Could not create directory:") + "\r\n" + path + "!");
    }
}

void TBackupWalk::LogLinkLeftAlone(const std::string& path, bool count)
{
    if (count && Counters) {
        ++Counters->Errors;
    }
    Log.WriteLog(LogErrorPrefix + TrDefault("Symbolic link in the backup, left alone: ") + path);
}

bool TBackupWalk::OpenFolderArchive(TFolder& folder)
{
    if (!Ftp && !EnsureDestFolder(folder)) {
        return false;
    }
    folder.ZipName = MakeZipName ? MakeZipName() : Task.ZipName;
    if (Ftp) {
        folder.ZipTempFolder = Platform::CreatePrivateTempFolder("tessaro-zip");
        if (folder.ZipTempFolder.empty()) {
            Log.WriteLog(LogErrorPrefix + TrDefault("Error writing to Zip file"));
            return false;
        }
        folder.ZipPath = folder.ZipTempFolder + "TsTemp.zip";
    } else {
        folder.ZipPath = AddPathDelimiter(folder.DestDir) + folder.ZipName;
        NoteWorkIn(folder, false);
    }
    try {
        if (Ftp) {
            folder.Zip =
                std::make_unique<TZipWrite>(folder.ZipPath, folder.SourceDir, ZipPassword, ZipAesMode, BufferSize);
        } else {
            // Written under a temporary name: the previous archive stays until this one is done.
            folder.Zip =
                std::make_unique<TZipWrite>(CreateBackupTemporary(*folder.Dest, folder.ZipTempName), folder.ZipPath,
                                            folder.SourceDir, ZipPassword, ZipAesMode, BufferSize);
        }
    } catch (const EZipError& e) {
        Log.WriteLog(LogErrorPrefix + StatusCodeText(e.Code) + ": " + folder.ZipPath);
        AbandonFolderArchive(folder);
        return false;
    }
    folder.Zip->Priority = Priority;
    folder.Zip->SetOnProgress(Supervision.CopyProgressEvent());
    folder.Zip->OnVerifyProgress = Supervision.CopyProgressEvent();
    if (Log.LogMode >= LogLong) {
        Log.WriteLog(LogNotePrefix + TrDefault("Write to Zip file") + AddPathDelimiter(folder.Rel) + folder.ZipName);
    }
    return true;
}

void TBackupWalk::AbandonFolderArchive(TFolder& folder)
{
    if (CurrentZip == folder.Zip.get()) {
        CurrentZip = nullptr;
    }
    folder.Zip.reset();
    if (!folder.ZipTempName.empty() && folder.Dest) {
        folder.Dest->DeleteFile(folder.ZipTempName);
        folder.ZipTempName.clear();
    } else if (Ftp && !folder.ZipPath.empty()) {
        Platform::DeleteFile(folder.ZipPath);
    }
    if (!folder.ZipTempFolder.empty()) {
        Platform::RemoveDir(RemovePathDelimiter(folder.ZipTempFolder));
        folder.ZipTempFolder.clear();
    }
    folder.ZipPath.clear();
}

void TBackupWalk::CloseFolderArchive(TFolder& folder)
{
    if (!folder.Zip) {
        return;
    }
    if (folder.ZipEntries == 0) {
        AbandonFolderArchive(folder);
        return;
    }
    const std::string shownName = AddPathDelimiter(folder.Rel) + folder.ZipName;
    bool done = false;
    try {
        CurrentZip = folder.Zip.get();
        folder.Zip->Close();
        if (!Ftp && Task.Verify) {
            Supervision.View().SetAction(pkVerify);
            folder.Zip->Verify();
            Log.WriteLog(LogNotePrefix + ReplaceText(TrDefault("Zip file: \"%s\" verified"), "%s", shownName));
        }
        done = true;
    } catch (const EZipError& e) {
        Log.WriteLog(LogErrorPrefix + StatusCodeText(e.Code));
    }
    CurrentZip = nullptr;
    folder.Zip.reset();
    if (!Ftp) {
        // Only a finished archive of a run that went on takes the archive's name.
        if (done && !Cancelled() && PutInPlace(*folder.Dest, folder.ZipTempName, folder.ZipName, folder.ZipPath)) {
            folder.ZipTempName.clear();
        }
        AbandonFolderArchive(folder);
        return;
    }
    if (Ftp) {
        Supervision.View().ShowFile(ItemTempZip, "", folder.ZipName);
        Supervision.CurrentFileSize = static_cast<int64_t>(FileSize64(folder.ZipPath));
        const TStatusCode status = Ftp->UploadArchive(folder.ZipPath, folder.ZipName);
        if (status != 0) {
            Log.WriteLog(LogErrorPrefix + StatusCodeText(status) + ": " + TrDefault("Error writing to FTP server: ") +
                         folder.ZipName);
        }
        AbandonFolderArchive(folder); // only the temporary file goes
    }
}

void TBackupWalk::LeaveFolder(TFolder& folder, const TFileTimes& times, uint32_t attr)
{
    if (folder.Top || Ftp || Mode() == DestZipFile) {
        return;
    }
    // A folder never made (EmptyDirs) is left as it is.
    const Platform::TDestFolder* parent = folder.Parent ? folder.Parent->Dest.get() : nullptr;
    const std::string name = ExtractFileName(folder.Rel);
    if (!folder.Dest || !parent) {
    } else if (Task.EmptyDirs && !folder.Filled && parent->RemoveDir(name) == 0) {
        if (Log.LogMode == LogExtended) {
            Log.WriteLog(LogNotePrefix + TrDefault("Delete empty directory: ") + folder.Rel);
        }
        folder.Dest.reset();
    } else if (TFindData dest; parent->GetFindData(name, dest) && (dest.Attr & faDirectory) != 0) {
        // A re-run finds most folders as the last run left them: write only what differs.
        constexpr uint32_t kept = faReadOnly | faHidden | faSysFile | faArchive;
        if ((dest.Attr & kept) != (attr & kept)) {
            folder.Dest->SetAttributes(attr);
        }
        if (times.Valid && dest.LastWriteTime != times.LastWriteTime) {
            folder.Dest->SetTimes(nullptr, &times.LastWriteTime);
        }
    }
    if (folder.Dest && folder.Parent) {
        folder.Parent->Filled = true;
    }
    if (Task.DeleteFile) {
        Platform::RemoveDir(RemovePathDelimiter(folder.SourceDir));
    }
}

void TBackupWalk::ShowScanned(const TFolder& folder)
{
    Supervision.View().ShowFile(ItemDirectory, ScannedText, folder.SourceDir);
}

void TBackupWalk::TakeFile(TWalkContext& ctx, TFolder& folder, const TSearchRec& rec, TFileJob& job)
{
    const bool needsTime = Ftp != nullptr || ctx.Filter.DateFilter.TimeMode != TimeModeAny;
    job.Info = FileInfoOf(rec, needsTime);
    job.SourcePath = folder.SourceDir + rec.Name;
    job.DestName = ConvertFileName(rec.Name, FilenameCase, ReplaceChars);
    job.RelPath = JoinRelative(folder.Rel, rec.Name);
    job.SourceWrite = rec.FindData.LastWriteTime;
    job.Listing = &rec.FindData;
    job.Selected = ExtensionSelected(rec.Name, ctx.Filter, job.Type) &&
                   FileSelected(job.Info, ctx.Filter, Task.UseArch, RunDate, &job.FilterError);
}

bool TBackupWalk::BackupFiles(TWalkContext& ctx, TFolder& folder, const std::vector<TSearchRec>& files)
{
    ShowScanned(folder);
    folder.SourceFiles = &files;
    folder.CopiesAhead = folder.CopiesAhead || files.size() >= AheadFolderFiles;
    const bool converting = ConvertsNames();
    // Whatever was taken ahead and not used goes with the loop.
    struct TDiscard
    {
        TBackupWalk& Walk;
        TFolder& Folder;
        ~TDiscard()
        {
            Walk.DiscardAhead(Folder);
            Walk.WhileCopying = nullptr;
        }
    } discard{*this, folder};
    std::size_t offeredToZip = 0;
    if (!ZipMode() && !Ftp) {
        if (folder.Started) {
            Ahead = std::move(folder.Started->Jobs);
        }
        PrepareAhead(ctx, folder, files, 0, Ahead, true);
    }
    for (std::size_t index = 0; index < files.size(); ++index) {
        const TSearchRec& rec = files[index];
        if (Cancelled()) {
            return false;
        }
        Supervision.WaitWhilePaused();
        Supervision.View().SetFileProgress(0);
        TFileJob job;
        if (!Ahead.empty() && Ahead.front().Rec == &rec) {
            job = std::move(Ahead.front().Job);
            Ahead.pop_front();
        } else {
            DiscardAhead(folder);
            TakeFile(ctx, folder, rec, job);
        }
        // While this file is copied, the next ones are taken as far as nothing of them
        // shows, and brief ones copied side by side on the work pool.
        WhileCopying = [this, &ctx, &folder, &files, index] { PrepareAhead(ctx, folder, files, index + 1, Ahead); };
        if (!job.FilterError.empty()) {
            ++ctx.Counters.Errors;
            Log.WriteLog(LogErrorPrefix + job.FilterError + ": " + job.RelPath);
        }
        if (!job.Selected) {
            continue;
        }
        ProcessMessagesWhenDue();
        ctx.Counters.Bytes += static_cast<int64_t>(job.Info.Size);
        Supervision.CurrentFileSize = static_cast<int64_t>(job.Info.Size);
        if (converting && !ZipMode() && !folder.DestNames.insert(job.DestName).second) {
            // Two names of this folder convert to one: the first one keeps it.
            DiscardPrepared(folder, job);
            ++ctx.Counters.Processed;
            ++ctx.Counters.Errors;
            Log.WriteLog(LogErrorPrefix + TrDefault("Destination name already used by another file") + ": " +
                         job.RelPath);
            continue;
        }
        if (ZipMode()) {
            offeredToZip = std::max(offeredToZip, index);
            OfferToZip(ctx, folder, files, offeredToZip);
        }
        bool repeat = false;
        do {
            const TStatusCode result = BackupFile(folder, job);
            DiscardPrepared(folder, job);
            if (folder.LoopEnded) {
                return false;
            }
            repeat = HandleResult(ctx, folder, job, result);
            if (ctx.ExpectedTotal > 0) {
                Supervision.View().SetTotalProgress(
                    std::llround(100.0 / ctx.ExpectedTotal * static_cast<double>(ctx.Counters.Processed)));
            }
        } while (repeat && !Cancelled());
    }
    return true;
}

TStatusCode TBackupWalk::BackupFile(TFolder& folder, TFileJob& job)
{
    if (ZipMode()) {
        return AddToZip(folder, job);
    }
    if (Ftp) {
        ChooseForm(folder, job, false);
        return UploadFile(folder, job);
    }
    return CopyLocalFile(folder, job);
}

void TBackupWalk::ChooseForm(TFolder& folder, TFileJob& job, bool shellCopy)
{
    // The shell copies the file as it is: no gzip, no encryption, no suffix.
    job.Compress = !shellCopy && ShouldCompress(Task, CompSize, job.Info.Size, job.Type);
    job.Encrypted = Encryption != nullptr && !shellCopy;
    // A plain copy must not take the name of another file's compressed copy.
    job.Compress = job.Compress || (KeepsNamesakesApart(shellCopy) && TSourceNames::LikeACompressedCopy(job.DestName) &&
                                    SourceNamesOf(folder).MustCompress(job.DestName));
    job.DestSuffix = DestinationSuffix(job.Compress, job.Encrypted);
}

TZipWrite* TBackupWalk::ZipOf(TFolder& folder) const
{
    return Mode() == DestZipFile ? ZipWriter : folder.Zip.get();
}

void TBackupWalk::OfferToZip(TWalkContext& ctx, TFolder& folder, const std::vector<TSearchRec>& files,
                             std::size_t& offered)
{
    TZipWrite* zip = ZipOf(folder);
    for (; zip && offered < files.size() && zip->AheadHasRoom(); ++offered) {
        TFileJob job;
        TakeFile(ctx, folder, files[offered], job);
        if (job.Selected) {
            zip->CompressAhead(job.SourcePath, files[offered].FindData);
        }
    }
}

TStatusCode TBackupWalk::AddToZip(TFolder& folder, TFileJob& job)
{
    CurrentZip = ZipOf(folder);
    if (!CurrentZip) {
        return ecWriteFile | opZip;
    }
    Supervision.View().ShowFile(ItemFile, "", job.SourcePath);
    TStatusCode result = WalkCopied;
    try {
        if (const TStatusCode changed = CurrentZip->AddFile(job.SourcePath); changed != 0) {
            result = changed;
        }
        ++folder.ZipEntries;
    } catch (const EZipError& e) {
        result = ErrorNumber(e.Code) == errLowDiskSpace ? WalkVolumeFull : e.Code;
    }
    CurrentZip = nullptr;
    return result;
}

TStatusCode TBackupWalk::UploadFile(TFolder& folder, TFileJob& job)
{
    job.RemoteName = job.DestName + job.DestSuffix;
    TFtpFileJob ftpJob;
    ftpJob.SourcePath = job.SourcePath;
    ftpJob.RemoteName = job.RemoteName;
    ftpJob.Compress = job.Compress;
    ftpJob.Size = job.Info.Size;
    ftpJob.SourceTime = job.Info.Time;
    ftpJob.SourceWrite = job.SourceWrite;
    if (!Ftp->EnsureConnected()) {
        Supervision.CancelRun();
        return ecFtpConnect;
    }
    if (!Ftp->NeedsUpdate(ftpJob)) {
        Supervision.View().ShowFile(ItemDirectory, ScannedText, ExtractFilePath(job.SourcePath));
        return WalkUpToDate;
    }
    Supervision.View().ShowFile(ItemFile, "", job.SourcePath);
    const TStatusCode status = Ftp->Upload(ftpJob);
    if (CopyStands(status)) {
        RemoveOtherForms(folder, job);
    }
    return status == 0 ? WalkCopied : status;
}

void TBackupWalk::DecideCopy(TFolder& folder, TFileJob& job)
{
    ChooseForm(folder, job, Task.ShellCopy);
    job.FinalName = job.DestName + job.DestSuffix;
    job.Dest = AddPathDelimiter(folder.DestDir) + job.DestName + job.DestSuffix;
    job.DestWrite = 0;
    job.DestExists = FindDestFile(folder, job.FinalName, job.DestWrite);
    job.NeedsCopy = NeedsCopy(CopyRule(), job.DestExists, job.SourceWrite, job.DestWrite) ||
                    (job.DestExists && !CompressedCopyStands(folder, job));
    job.Decided = true;
    job.DecidedAt = folder.DestChanges;
}

bool TBackupWalk::CompressedCopyStands(TFolder& folder, const TFileJob& job)
{
    // Before both were kept apart, a user's own "a.txt.gz" beside "a.txt" was copied as it
    // is under the name of a.txt's compressed copy: such a copy is no copy of a.txt.
    if (!job.Compress || !SourceNamesOf(folder).Contains(job.FinalName)) {
        return true;
    }
    TGzFileInfo header;
    uint64_t headerSize = 0;
    std::unique_ptr<Platform::TFile> file = folder.Dest->OpenRead(job.FinalName);
    if (!file) {
        return true;
    }
    TFileStream stream(std::move(file));
    return ReadGzHeader(stream, header, headerSize) == 0 && IsCompressedCopyOf(header, job.DestName);
}

bool TBackupWalk::KeepsNamesakesApart(bool shellCopy) const
{
    // Only where some copies are compressed and others plain can two names meet.
    return Task.Compress && !shellCopy && Encryption == nullptr;
}

const TSourceNames& TBackupWalk::SourceNamesOf(TFolder& folder)
{
    if (!folder.SourceNamesMade) {
        folder.SourceNamesMade = true;
        for (const TSearchRec& rec : *folder.SourceFiles) {
            folder.SourceNames.Add(ConvertFileName(rec.Name, FilenameCase, ReplaceChars));
        }
    }
    return folder.SourceNames;
}

std::unique_ptr<TCopyThread> TBackupWalk::MakeWorker(TFolder& folder, TFileJob& job, bool ahead)
{
    // The run's encryption object serves one file at a time, in its turn. A brief file made
    // ahead may run beside others: it encrypts with an object of its own, and without one
    // it is made in its turn.
    std::shared_ptr<TEncryption> lent;
    if (job.Encrypted && ahead) {
        lent = IsBriefJob(job) ? Encryption->Lend() : nullptr;
        if (!lent) {
            return nullptr;
        }
    }
    TEncryption* encryption = lent ? lent.get() : (job.Encrypted ? Encryption : nullptr);
    auto worker = std::make_unique<TWinCopyThread>(job.SourcePath, job.Dest, encryption, job.Compress, Task.Verify,
                                                   BufferSize, Priority);
    if (lent) {
        worker->OwnEncryption(std::move(lent));
    }
    worker->SourceFolder = folder.Source;
    worker->SourceName = job.Listing->Name;
    worker->SourceListing = *job.Listing;
    worker->WriteTimeWhenChanged = OutdatedCopyTime(CopyRule(), job.SourceWrite);
    worker->SourceListingWithoutStored = folder.ListedWithoutStored;
    worker->PreparedDestination = std::move(job.Temp);
    return worker;
}

TStatusCode TBackupWalk::CopyLocalFile(TFolder& folder, TFileJob& job)
{
    if (!job.Decided || job.DecidedAt != folder.DestChanges) {
        DiscardPrepared(folder, job);
        DecideCopy(folder, job);
    }
    if (!job.NeedsCopy) {
        ShowScanned(folder);
        return WalkUpToDate;
    }
    Supervision.View().ShowFile(ItemFile, "", job.SourcePath);
    if (Platform::PathTooLong(job.SourcePath) || Platform::PathTooLong(job.Dest)) {
        return ecPathTooLong | JobOperation(job); // its folder may be too long to be made
    }
    const TStatusCode failed = ecCreateFile | JobOperation(job);
    if (!EnsureDestFolder(folder)) {
        return failed;
    }
    // The name is looked at again right before the copy takes it (PutInPlace); here only
    // when the listing does not tell.
    if (MayBeTaken(folder, job.FinalName) && !CanTakeName(*folder.Dest, job.FinalName, job.Dest)) {
        job.Logged = true;
        return failed;
    }
    // The copy is made under a temporary name and takes the final one only when it is
    // complete: until then the previous version stays where it is.
    NoteWorkIn(folder, false);
    if (!job.Temp && !job.Worker) {
        job.Temp = CreateBackupTemporary(*folder.Dest, job.TempName);
        if (!job.Temp) {
            return failed;
        }
    }
    std::unique_ptr<TCopyThread> worker = job.Worker ? std::move(job.Worker) : MakeWorker(folder, job);
    std::string tempName = std::exchange(job.TempName, std::string());
    TStatusCode status = Supervision.WaitForCopy(std::move(worker), WhileCopying, [this] { return RunOneAhead(); });
    if (job.Naming) {
        tempName = std::exchange(job.Naming->Temp, std::string());
    }
    if (ErrorNumber(status) == errChangedWhileCopied) {
        status = CopyAgain(folder, job, tempName);
    }
    // A copy that matches no state of its file never displaces one that does: where the file
    // has a copy, it goes, and that copy and its kept versions stay as they are.
    job.TornCopyDropped =
        ErrorNumber(status) == errChangedWhileCopied && (job.DestExists || !OtherForms(folder, job).empty());
    if (job.TornCopyDropped) {
        folder.Dest->DeleteFile(tempName);
        job.Naming.reset();
        job.WriteStatus = status;
        return status;
    }
    const std::string plain = AddPathDelimiter(folder.DestDir) + job.DestName;
    if (!CopyStands(status) || !CommitCopy(folder, job, tempName, job.DestExists, job.DestWrite, plain)) {
        if (!tempName.empty()) {
            folder.Dest->DeleteFile(tempName);
        }
        status = CopyStands(status) ? failed : status;
    }
    job.Naming.reset(); // its turn came: what the worker named is the walk's now
    if (CopyStands(status)) {
        folder.Filled = true;
        RemoveOtherForms(folder, job);
    }
    if (status == 0) {
        return WalkCopied;
    }
    job.WriteStatus = status;
    return ErrorNumber(status) == errLowDiskSpace ? WalkVolumeFull : status;
}

TStatusCode TBackupWalk::CopyAgain(TFolder& folder, TFileJob& job, std::string& tempName)
{
    // What was read of a source written meanwhile may match no state of it: it is read once
    // more, and what the second copy gives stands (named when it changed again).
    if (!job.Naming || !job.Naming->Taken) {
        folder.Dest->DeleteFile(tempName);
    }
    job.Naming.reset(); // a copy that took the final name is replaced by the next one
    tempName.clear();
    job.Temp = CreateBackupTemporary(*folder.Dest, tempName);
    if (!job.Temp) {
        return ecCreateFile | JobOperation(job);
    }
    return Supervision.WaitForCopy(MakeWorker(folder, job), WhileCopying, [this] { return RunOneAhead(); });
}

std::vector<std::pair<std::string, TFileTime>> TBackupWalk::OtherForms(TFolder& folder, const TFileJob& job)
{
    std::vector<std::pair<std::string, TFileTime>> forms;
    for (const char* suffix : FormSuffixes) {
        const std::string name = job.DestName + suffix;
        TFileTime write = 0;
        if (suffix != job.DestSuffix && (Ftp ? Ftp->Listed(name) : FindDestFile(folder, name, write)) &&
            !SourceNamesOf(folder).NamedForAnother(job.DestName, name, KeepsNamesakesApart(!Ftp && Task.ShellCopy))) {
            forms.emplace_back(name, write);
        }
    }
    return forms;
}

void TBackupWalk::RemoveOtherForms(TFolder& folder, const TFileJob& job)
{
    // A file that crossed the smallest compressed size, or a run that changed its options,
    // has its copy in another form: that one goes (as a kept version when versions are
    // kept), so that no older copy stands beside the new one.
    for (const auto& [name, write] : OtherForms(folder, job)) {
        const std::string suffix = name.substr(job.DestName.size());
        if (Ftp) {
            Ftp->DeleteRemoteFile(name);
        } else if (Task.BakFiles && !Task.NoBaks) {
            // Where no kept version can be made, the other form stays: a restore takes the newest.
            const std::vector<std::string> names =
                VersionNames(folder, suffix, write, AddPathDelimiter(folder.DestDir) + job.DestName);
            ++folder.DestChanges;
            if (names.empty()) {
                WarnOtherFormStays(VersionNameHeldText(), folder.Dest->PathOf(name));
            } else if (KeepPreviousVersion(*folder.Dest, name, names, folder.DestRenamed).empty()) {
                WarnOtherFormStays(TrDefault("The previous version could not be kept: "), folder.Dest->PathOf(name));
            }
        } else if (folder.Dest->DeleteFile(name) == 0) {
            folder.DestRenamed.insert(name);
        }
    }
}

// The new copy stands; the older one beside it is the warning, as a version not kept is.
void TBackupWalk::WarnOtherFormStays(const std::string& why, const std::string& path)
{
    if (Counters) {
        ++Counters->Warnings;
    }
    Log.WriteLog(LogErrorPrefix + why + path);
}

TStatusCode TBackupWalk::JobOperation(const TFileJob& job) const
{
    if (job.Encrypted) {
        return opEncrypt;
    }
    return job.Compress ? opGZip : opCopy;
}

bool TBackupWalk::CanTakeName(const Platform::TDestFolder& dest, const std::string& name, const std::string& path)
{
    switch (dest.Kind(name)) {
    case Platform::TEntryKind::Missing:
    case Platform::TEntryKind::File:
        return true;
    case Platform::TEntryKind::Link:
        LogLinkLeftAlone(path, false);
        return false;
    case Platform::TEntryKind::Folder:
    case Platform::TEntryKind::Other:
        break;
    }
    Log.WriteLog(LogErrorPrefix + StatusCodeText(ecCreateFile) + ": " + path);
    return false;
}

bool TBackupWalk::PutInPlace(const Platform::TDestFolder& dest, const std::string& tempName, const std::string& name,
                             const std::string& path, bool likelyFree)
{
    // Where nothing stands under the name, one step that never replaces takes it;
    // whatever stands there is looked at first.
    if (likelyFree) {
        const int taken = dest.RenameFile(tempName, name);
        if (taken == 0) {
            return true;
        }
        if (taken != Platform::ErrorAlreadyExists) {
            Log.WriteLog(LogErrorPrefix + StatusCodeText(ecCreateFile) + ": " + path);
            return false;
        }
    }
    if (!CanTakeName(dest, name, path)) {
        return false;
    }
    if (dest.ReplaceFile(tempName, name) != 0) {
        Log.WriteLog(LogErrorPrefix + StatusCodeText(ecCreateFile) + ": " + path);
        return false;
    }
    return true;
}

bool TBackupWalk::CommitCopy(TFolder& folder, TFileJob& job, const std::string& tempName, bool destExists,
                             TFileTime destWrite, const std::string& plain)
{
    if (job.Naming && job.Naming->Taken) {
        return true;
    }
    std::string kept;
    const std::vector<std::string> names = Task.BakFiles && !Task.NoBaks && destExists
                                               ? VersionNames(folder, job.DestSuffix, destWrite, plain)
                                               : std::vector<std::string>();
    // The copy is made all the same: the user's file wins over the previous version.
    job.VersionNameHeld = Task.BakFiles && !Task.NoBaks && destExists && names.empty();
    if (!names.empty()) {
        kept = KeepPreviousVersion(*folder.Dest, job.FinalName, names, folder.DestRenamed);
        ++folder.DestChanges;
        if (kept.empty()) {
            Log.WriteLog(LogErrorPrefix + TrDefault("The previous version could not be kept: ") + job.Dest);
            job.Logged = true;
            return false;
        }
    }
    if (!PutInPlace(*folder.Dest, tempName, job.FinalName, job.Dest, !destExists)) {
        if (!kept.empty()) {
            folder.Dest->RenameFile(kept, job.FinalName);
        }
        job.Logged = true;
        return false;
    }
    return true;
}

bool TBackupWalk::FindDestFile(TFolder& folder, const std::string& name, TFileTime& write)
{
    if (folder.DestMissing || !folder.Dest) {
        return false;
    }
    if (!folder.DestListingValid || folder.DestRenamed.contains(name)) {
        TFindData data;
        if (!folder.Dest->GetFindData(name, data) || (data.Attr & faDirectory) != 0) {
            return false;
        }
        write = data.LastWriteTime;
        return true;
    }
    if (!folder.DestListed) {
        // One listing costs less than a lookup by full path per file.
        std::vector<std::string> leftovers;
        if (folder.ListingAhead) {
            TDestListing listing = folder.ListingAhead->Take();
            folder.ListingAhead.reset();
            folder.DestFiles = std::move(listing.Files);
            folder.DestOccupied.merge(listing.Occupied);
            leftovers = std::move(listing.Leftovers);
        } else {
            ListDestFiles(folder, &leftovers);
        }
        if (!leftovers.empty() && TidyLeftovers(folder, leftovers)) {
            folder.DestFiles.clear();
            ListDestFiles(folder, nullptr);
        }
        folder.DestListed = true;
        LastListedFiles = folder.DestFiles.size();
        folder.Filled = folder.Filled || !folder.DestFiles.empty() || !folder.DestOccupied.empty();
    }
    const auto found = folder.DestFiles.find(name);
    if (found == folder.DestFiles.end()) {
        return false;
    }
    write = found->second;
    return true;
}

void TBackupWalk::ListDestFiles(TFolder& folder, std::vector<std::string>* leftovers)
{
    TDestListing listing;
    if (folder.Dest) {
        ListDestination(*folder.Dest, listing, leftovers != nullptr);
    } else {
        ListDestination(folder.DestDir, listing, leftovers != nullptr);
    }
    folder.DestFiles = std::move(listing.Files);
    folder.DestOccupied.merge(listing.Occupied);
    if (leftovers) {
        *leftovers = std::move(listing.Leftovers);
    }
}

bool TBackupWalk::MayBeTaken(const TFolder& folder, const std::string& name) const
{
    if (folder.DestOccupied.contains(name)) {
        return true;
    }
    const bool known = folder.DestListed && folder.DestListingValid && !folder.DestRenamed.contains(name);
    return !folder.CreatedHere && !known;
}

bool TBackupWalk::TidyLeftovers(TFolder& folder, const std::vector<std::string>& leftovers)
{
    // What a run that died (killed, power cut) left behind: temporaries go; a security
    // copy of an earlier version of the program goes back under its name when that is
    // missing or still the partial file that was being written when the run died.
    bool changed = false;
    for (const std::string& name : leftovers) {
        std::string finalName;
        if (IsBackupTemporaryName(name)) {
            if (folder.Dest->DeleteFile(name) == 0) {
                Log.WriteLog(LogNotePrefix + TrDefault("Removed what an interrupted run left: ") +
                             folder.Dest->PathOf(name));
            }
            changed = true;
        } else if (IsSecurityCopyName(name, &finalName)) {
            TFindData current;
            const bool present = folder.Dest->GetFindData(finalName, current);
            if (present && !WrittenWhenInterrupted(current)) {
                folder.Dest->DeleteFile(name);
            } else if ((present ? folder.Dest->ReplaceFile(name, finalName)
                                : folder.Dest->RenameFile(name, finalName)) == 0) {
                Log.WriteLog(LogNotePrefix + TrDefault("Previous version put back after an interrupted run: ") +
                             folder.Dest->PathOf(finalName));
            }
            changed = true;
        }
    }
    return changed;
}

bool TBackupWalk::NeedsStoredAttributes(const TExtensionList& filter) const
{
    // The stored record holds the system, archive and a stored hidden bit.
    return Task.UseArch || Task.ArchBit || filter.AttrArchive != AttrIgnore || filter.AttrHidden != AttrIgnore ||
           filter.AttrSystem != AttrIgnore;
}

std::vector<std::string> TBackupWalk::VersionNames(TFolder& folder, const std::string& destSuffix, TFileTime destWrite,
                                                   const std::string& plain)
{
    std::vector<std::string> names =
        KeptVersionNames(KeptVersionName(plain, MakeBackupSuffix(Task.BakSuffix, destWrite, Now()), destSuffix));
    for (std::string& name : names) {
        name = ExtractFileName(name);
        // The user's own "report.bak-1.txt" beside "report.txt" is a file of the source,
        // not a kept version: the rotation never takes, moves or deletes its name.
        if (SourceNamesOf(folder).Holds(name)) {
            return {};
        }
    }
    return names;
}

std::string TBackupWalk::KeepPreviousVersion(const Platform::TDestFolder& dest, const std::string& current,
                                             const std::vector<std::string>& names, std::set<std::string>& renamed)
{
    renamed.insert(names.begin(), names.end());
    renamed.insert(current);
    // Only files are deleted or renamed: a link in the way stays and stops the rotation.
    const auto isFile = [&dest](const std::string& name) { return dest.Kind(name) == Platform::TEntryKind::File; };
    for (std::size_t k = names.size() - 1; k >= 1; --k) {
        if (isFile(names[k])) {
            dest.DeleteFile(names[k]);
        }
        if (isFile(names[k - 1])) {
            dest.RenameFile(names[k - 1], names[k]);
        }
    }
    if (isFile(names.front())) {
        dest.DeleteFile(names.front());
    }
    return dest.RenameFile(current, names.front()) == 0 ? names.front() : std::string();
}

bool TBackupWalk::HandleResult(TWalkContext& ctx, TFolder& folder, TFileJob& job, TStatusCode result)
{
    if (result == WalkVolumeFull) {
        if (ZipMode()) {
            ErrorDialog("", TrDefault("The destination volume is full!") + "\r\n" +
                                TrDefault("Backup to Zip is terminated!"));
            if (Mode() == DestZipPerDirectory) {
                AbandonFolderArchive(folder);
            } else {
                ZipFailed = true;
            }
            Supervision.CancelRun();
            return false;
        }
        // The incomplete copy has gone with its temporary name; the previous version stays.
        // What was copied ahead went to the full medium as well: it goes before the medium does.
        DiscardAhead(folder);
        DiscardStartedFolders();
        if (!AskForMedia) {
            NoteVolumeFull(ctx, folder, job);
            Supervision.CancelRun();
            return false;
        }
        if (!AskForNewMedia(ctx, folder, job)) {
            Supervision.CancelRun();
            return false;
        }
        return true;
    }
    if (result > WalkVolumeFull && SwappedForNoFile(folder, job)) {
        // Skipped as the listing would have skipped it, had it been there then.
        ctx.Counters.Bytes -= static_cast<int64_t>(job.Info.Size);
        return false;
    }
    if (result != WalkNotSelected) {
        ++ctx.Counters.Processed;
    }
    if (result == WalkCopied) {
        NoteCopied(ctx, job);
    } else if (result > WalkVolumeFull) {
        NoteFailed(ctx, job, result);
    }
    return false;
}

void TBackupWalk::NoteVolumeFull(TWalkContext& ctx, const TFolder& folder, const TFileJob& job)
{
    ++ctx.Counters.Processed;
    ++ctx.Counters.Errors;
    uint64_t free = 0;
    uint64_t total = 0;
    uint64_t totalFree = 0;
    Platform::GetDiskFreeSpace(folder.DestDir, free, total, totalFree);
    VolumeFullText = StatusCodeText(job.WriteStatus) + " (" + TrDefault("free space: ") +
                     SizeToText(static_cast<int64_t>(free)) + ")";
    Log.WriteLog(LogErrorPrefix + VolumeFullText + ": " + job.RelPath);
}

bool TBackupWalk::AskForNewMedia(TWalkContext& ctx, TFolder& folder, const TFileJob& job)
{
    const std::string question = TrDefault("The destination volume is full!") + "\r\n" +
                                 TrDefault("Insert new media and continue backup?") + "(" + job.RelPath + ")";
    for (;;) {
        if (MessageDialog("", question, TMsgDlgType::Confirmation, MbOkCancel) != MrOk) {
            return false;
        }
        // The new medium's folders, entered afresh from the destination, each named in a
        // record of the new medium's own: those on the way here and those started ahead
        // (stopped, to be worked in their turn) as they are worked in.
        if (Record) {
            Record = std::make_unique<TWorkRecord>(Record->RootPath());
        }
        for (TFolder* level = &folder; level; level = level->Parent) {
            level->Recorded = level->RecordedMade = false;
        }
        for (TStartedFolder* started : StartedFolders) {
            started->Folder.Recorded = started->Folder.RecordedMade = false;
        }
        if (ReopenDestFolders(ctx, folder)) {
            break;
        }
    }
    folder.DestListingValid = false;
    ++folder.DestChanges;
    Log.WriteLog(LogFilePrefix + TrDefault("Media change at: ") + job.RelPath);
    return true;
}

void TBackupWalk::NoteCopied(TWalkContext& ctx, TFileJob& job)
{
    ++ctx.Counters.Copied;
    Supervision.View().SetStatusText(ReplaceText(CopiedCountText, "%u", std::to_string(ctx.Counters.Copied)));
    std::string note;
    if (Task.ArchBit && Platform::SetFileAttributes(job.SourcePath, job.Info.Attr & ~faArchive) == 0) {
        note = " (A)";
    }
    if (Mode() <= DestZipOldSingle && Task.Verify) {
        note += TrDefault(" - Destination verfified");
    }
    if (Task.DeleteFile && MoveToTrash && MoveToTrash(job.SourcePath)) {
        note += TrDefault(" - Source deleted");
    }
    if (Log.LogMode >= LogLong && !(Mode() == DestZipPerDirectory && Log.LogMode == LogLong)) {
        Log.WriteLog(LogFilePrefix + TrDefault("Copy: ") + job.RelPath + note);
    }
    if (job.VersionNameHeld) {
        ++ctx.Counters.Warnings;
        Log.WriteLog(LogErrorPrefix + VersionNameHeldText() + job.RelPath);
    }
    Supervision.View().SetFileProgress(100);
}

void TBackupWalk::NoteFailed(TWalkContext& ctx, TFileJob& job, TStatusCode result)
{
    const bool error = (Severity(result) & scError) != 0;
    if (error) {
        ++ctx.Counters.Errors;
    } else if ((Severity(result) & scWarning) != 0) {
        ++ctx.Counters.Warnings;
    }
    if (ErrorNumber(result) == errTerminated) {
        if (Ftp && !ZipMode()) {
            Ftp->DeleteRemoteFile(job.RemoteName);
        }
    } else if (ZipMode() && ErrorNumber(result) == errLowDiskSpace) {
        Supervision.CancelRun();
    }
    // A copy that may match no state of its source is named at every log mode.
    const bool named = error || ErrorNumber(result) == errChangedWhileCopied;
    if (!job.Logged) {
        const std::string dropped = job.TornCopyDropped ? TrDefault(", not backed up this time") : std::string();
        Log.WriteLog(LogErrorPrefix + StatusCodeText(result) + dropped + ": " + job.RelPath,
                     named || Log.LogMode >= LogLong);
    }
}

std::unique_ptr<Platform::TDestFolder> EnterDestBase(const std::string& root, const std::string& base, bool create,
                                                     std::string& linkPath)
{
    const std::string to = RemovePathDelimiter(base);
    const std::string from = root.empty() ? to : RemovePathDelimiter(root);
    std::string below;
    if (!SameTextIgnoringCase(from, to)) {
        if (!PathInside(to, from)) {
            Platform::SetLastError(Platform::ErrorInvalidName);
            return nullptr;
        }
        below = to.substr(AddPathDelimiter(from).size());
    }
    auto folder = Platform::TDestFolder::Open(from);
    if (!folder && create && Platform::ForceDirectories(from) == 0) {
        folder = Platform::TDestFolder::Open(from); // the destination as chosen (a clearing may have removed it)
    }
    if (folder && !below.empty()) {
        folder = folder->Enter(below, create, &linkPath);
    }
    return folder;
}

void PreviewDir(const std::string& sourceBase, const std::string& relFolder, TExtensionList& filter,
                std::vector<TPreviewLine>& list, int64_t& bytes, int& count, bool inverted, bool useArch,
                TDateTime runDate)
{
    const std::string folder = AddPathDelimiter(JoinRelative(sourceBase, relFolder));
    const bool excluded = !filter.SubDirs.Empty() && filter.SubDirs.Contains(folder);
    if (excluded) {
        if (inverted) {
            list.push_back({"#..\\" + relFolder + TrDefault(" (all files)"), 0});
        }
        return;
    }
    std::vector<TSearchRec> folders;
    std::vector<TSearchRec> files;
    ListFolder(folder, folders, files);
    const std::size_t folderLine = list.size();
    list.push_back({"*..\\" + relFolder, 0});
    int taken = 0;
    for (const TSearchRec& rec : files) {
        const TFileInfo info = SearchRecToFileInfo(rec);
        std::string type;
        bool selected = ExtensionSelected(rec.Name, filter, type) && FileSelected(info, filter, useArch, runDate);
        if (inverted) {
            selected = !selected;
        }
        if (selected) {
            list.push_back(
                {" " + rec.Name + "|" + DateTimeText(info.Time) + "|" + SizeToText(static_cast<int64_t>(info.Size)),
                 0});
            ++count;
            ++taken;
            bytes += static_cast<int64_t>(info.Size);
        }
        ProcessMessagesWhenDue();
    }
    list[folderLine].Files = taken;
    for (const TSearchRec& sub : folders) {
        PreviewDir(sourceBase, JoinRelative(relFolder, sub.Name), filter, list, bytes, count, inverted, useArch,
                   runDate);
    }
}
