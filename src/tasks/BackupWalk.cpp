#include "tasks/BackupWalk.h"

#include "engine/WinCopyThread.h"
#include "engine/ZipWrite.h"
#include "foundation/MessageDialogs.h"
#include "foundation/MessageLoop.h"
#include "foundation/NumberText.h"
#include "foundation/PathUtils.h"
#include "foundation/ShellFileOps.h"
#include "foundation/StringUtils.h"
#include "foundation/Translate.h"
#include "platform/FileSystem.h"

#include <cmath>
#include <unordered_map>

namespace {

std::string JoinRelative(const std::string& base, const std::string& relative)
{
    return relative.empty() ? base : AddPathDelimiter(base) + relative;
}

std::string FormatCount(const char* msgid, uint32_t count)
{
    return ReplaceText(TrDefault(msgid), "%u", std::to_string(count));
}

// Deletes a file whatever its read-only attribute says.
void ForceDelete(const std::string& path)
{
    if (Platform::DeleteFile(path) != 0 && Platform::FileExists(path)) {
        Platform::SetFileAttributes(path, faArchive);
        Platform::DeleteFile(path);
    }
}

// Failures that come before the worker creates its destination leave it untouched.
bool WorkerTouchedDestination(TStatusCode status)
{
    const TStatusCode number = ErrorNumber(status);
    return number != errFileNotFound && number != errOpenFile && number != errPathTooLong;
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

void ListFolder(const std::string& folder, std::vector<TSearchRec>& folders, std::vector<TSearchRec>& files)
{
    TSearchRec rec;
    if (Platform::FindFirst(folder + "*", faAnyFile, rec) != 0) {
        return;
    }
    do {
        TSearchRec entry = rec;
        entry.State.reset();
        ((entry.Attr & faDirectory) != 0 ? folders : files).push_back(std::move(entry));
    } while (Platform::FindNext(rec) == 0);
    Platform::FindClose(rec);
}

struct TBackupWalk::TFolder
{
    std::string Rel;       // below the source base; empty at the top
    std::string SourceDir; // with a trailing delimiter
    std::string DestDir;   // local destination folder, no trailing delimiter
    bool Top = false;
    bool DestMissing = false; // to be created with the first copied file
    bool LoopEnded = false;
    bool RemoteEntered = false;
    std::string RemoteRemembered;
    std::unique_ptr<TZipWrite> Zip; // mode 5
    std::string ZipName;
    std::string ZipPath;
    std::string ZipTempFolder; // mode 5 to FTP
    int ZipEntries = 0;
    std::set<std::string> DestNames; // converted names already used here
    // The destination folder's files, listed once for the copy decisions; not trusted
    // once the walk has renamed files in it or the medium has changed.
    std::unordered_map<std::string, TFileTime> DestFiles;
    bool DestListed = false;
    bool DestListingValid = true;
};

struct TBackupWalk::TFileJob
{
    std::string SourcePath; // the real name
    std::string DestName;   // converted
    std::string RelPath;    // for the log
    TFileInfo Info;
    TFileTime SourceWrite = 0;
    const TFindData* Listing = nullptr; // the source's entry in its folder's listing
    std::string Type;
    bool Compress = false;
    bool Encrypted = false;
    std::string DestSuffix;
    std::string Dest;
    std::string SecurityCopy;
    std::string RemoteName;
};

TBackupWalk::TBackupWalk(const TBackupTask& task, TBackupLog& log, TBackupSupervision& supervision)
    : Now([] { return ::Now(); }),
      MoveToTrash([](const std::string& path) { return ShellDeleteFiles(path, true, TrDefault("Delete file")); }),
      Task(task), Log(log), Supervision(supervision)
{
    Supervision.OtherWorker = [this]() -> TCopyThread* { return CurrentZip ? CurrentZip->RunningWorker : nullptr; };
}

TBackupWalk::~TBackupWalk()
{
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
    TFolder folder;
    folder.Rel = relFolder;
    folder.Top = relFolder.empty();
    folder.SourceDir = AddPathDelimiter(JoinRelative(ctx.SourceBase, relFolder));
    folder.DestDir = JoinRelative(RemovePathDelimiter(ctx.DestBase), relFolder);
    if (!ctx.Filter.SubDirs.Empty() && ctx.Filter.SubDirs.Contains(folder.SourceDir)) {
        return;
    }
    if (Cancelled() || (!folder.Top && !EnterFolder(folder))) {
        return;
    }
    std::vector<TSearchRec> folders;
    std::vector<TSearchRec> files;
    ListFolder(folder.SourceDir, folders, files);
    for (const TSearchRec& sub : folders) {
        if (Cancelled()) {
            break;
        }
        BackupDir(ctx, JoinRelative(relFolder, sub.Name), FindDataToFileTimes(sub.FindData), sub.Attr);
    }
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
    folder.DestMissing = !Platform::DirectoryExists(folder.DestDir);
    if (folder.DestMissing && !Task.EmptyDirs) {
        if (!CreateDestDir(folder.DestDir)) {
            return false;
        }
        folder.DestMissing = false;
    }
    return true;
}

bool TBackupWalk::OpenFolderArchive(TFolder& folder)
{
    if (!Ftp && folder.DestMissing) {
        if (!CreateDestDir(folder.DestDir)) {
            return false;
        }
        folder.DestMissing = false;
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
    }
    try {
        folder.Zip = std::make_unique<TZipWrite>(folder.ZipPath, folder.SourceDir, ZipPassword, ZipAesMode, BufferSize);
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
    if (!folder.ZipPath.empty()) {
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
    try {
        CurrentZip = folder.Zip.get();
        folder.Zip->Close();
        if (!Ftp && Task.Verify) {
            Supervision.View().SetAction(pkVerify);
            folder.Zip->Verify();
            Log.WriteLog(LogNotePrefix + ReplaceText(TrDefault("Zip file: \"%s\" verified"), "%s", shownName));
        }
    } catch (const EZipError& e) {
        Log.WriteLog(LogErrorPrefix + StatusCodeText(e.Code));
    }
    CurrentZip = nullptr;
    folder.Zip.reset();
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
    bool removed = false;
    if (Task.EmptyDirs) {
        removed = Platform::RemoveDir(folder.DestDir) == 0;
        if (removed && Log.LogMode == LogExtended) {
            Log.WriteLog(LogNotePrefix + TrDefault("Delete empty directory: ") + folder.Rel);
        }
    }
    TFindData dest;
    if (!removed && Platform::GetFindData(folder.DestDir, dest) && (dest.Attr & faDirectory) != 0) {
        // A re-run finds most folders as the last run left them: write only what differs.
        constexpr uint32_t kept = faReadOnly | faHidden | faSysFile | faArchive;
        if ((dest.Attr & kept) != (attr & kept)) {
            Platform::SetFileAttributes(folder.DestDir, attr);
        }
        if (times.Valid && dest.LastWriteTime != times.LastWriteTime) {
            SetFileTimes(folder.DestDir, times, false, Task.CreationTime);
        }
    }
    if (Task.DeleteFile) {
        Platform::RemoveDir(RemovePathDelimiter(folder.SourceDir));
    }
}

void TBackupWalk::ShowScanned(const TFolder& folder)
{
    Supervision.View().ShowFile(ItemDirectory, ScannedText, folder.SourceDir);
}

bool TBackupWalk::BackupFiles(TWalkContext& ctx, TFolder& folder, const std::vector<TSearchRec>& files)
{
    ShowScanned(folder);
    const bool converting = FilenameCase == 1 || FilenameCase == 2 || ReplaceChars;
    const bool needsTime = Ftp != nullptr || ctx.Filter.DateFilter.TimeMode != TimeModeAny;
    for (const TSearchRec& rec : files) {
        if (Cancelled()) {
            return false;
        }
        Supervision.WaitWhilePaused();
        Supervision.View().SetFileProgress(0);
        TFileJob job;
        job.Info = FileInfoOf(rec, needsTime);
        job.SourcePath = folder.SourceDir + rec.Name;
        job.DestName = ConvertFileName(rec.Name, FilenameCase, ReplaceChars);
        job.RelPath = JoinRelative(folder.Rel, rec.Name);
        job.SourceWrite = rec.FindData.LastWriteTime;
        job.Listing = &rec.FindData;
        if (!ExtensionSelected(rec.Name, ctx.Filter, job.Type) ||
            !FileSelected(job.Info, ctx.Filter, Task.UseArch, RunDate)) {
            continue;
        }
        ProcessMessages();
        ctx.Counters.Bytes += static_cast<int64_t>(job.Info.Size);
        Supervision.CurrentFileSize = static_cast<int64_t>(job.Info.Size);
        if (converting && !ZipMode() && !folder.DestNames.insert(job.DestName).second) {
            // Two names of this folder convert to one: the first one keeps it.
            ++ctx.Counters.Processed;
            ++ctx.Counters.Errors;
            Log.WriteLog(LogErrorPrefix + TrDefault("Destination name already used by another file") + ": " +
                         job.RelPath);
            continue;
        }
        bool repeat = false;
        do {
            const TStatusCode result = BackupFile(folder, job);
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
    job.Compress = ShouldCompress(Task, CompSize, job.Info.Size, job.Type);
    if (Ftp) {
        return UploadFile(job);
    }
    return CopyLocalFile(folder, job);
}

TStatusCode TBackupWalk::AddToZip(TFolder& folder, TFileJob& job)
{
    CurrentZip = Mode() == DestZipFile ? ZipWriter : folder.Zip.get();
    if (!CurrentZip) {
        return ecWriteFile | opZip;
    }
    Supervision.View().ShowFile(ItemFile, "", job.SourcePath);
    TStatusCode result = WalkCopied;
    try {
        CurrentZip->AddFile(job.SourcePath);
        ++folder.ZipEntries;
    } catch (const EZipError& e) {
        result = ErrorNumber(e.Code) == errLowDiskSpace ? WalkVolumeFull : e.Code;
    }
    CurrentZip = nullptr;
    return result;
}

TStatusCode TBackupWalk::UploadFile(TFileJob& job)
{
    job.Encrypted = Encryption != nullptr;
    job.RemoteName = job.DestName + DestinationSuffix(job.Compress, job.Encrypted);
    TFtpFileJob ftpJob;
    ftpJob.SourcePath = job.SourcePath;
    ftpJob.RemoteName = job.RemoteName;
    ftpJob.Compress = job.Compress;
    ftpJob.Size = job.Info.Size;
    ftpJob.SourceTime = job.Info.Time;
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
    return status == 0 ? WalkCopied : status;
}

TStatusCode TBackupWalk::CopyLocalFile(TFolder& folder, TFileJob& job)
{
    // The shell copies the file as it is: no gzip, no encryption, no suffix.
    if (Task.ShellCopy) {
        job.Compress = false;
    }
    job.Encrypted = Encryption != nullptr && !Task.ShellCopy;
    job.DestSuffix = DestinationSuffix(job.Compress, job.Encrypted);
    const std::string plain = AddPathDelimiter(folder.DestDir) + job.DestName;
    job.Dest = plain + job.DestSuffix;
    TFileTime destWrite = 0;
    const bool destExists = FindDestFile(folder, job.DestName + job.DestSuffix, job.Dest, destWrite);
    const TCopyRule rule{Task.UseArch, Task.Timespan, Task.IgnoreDst};
    if (!NeedsCopy(rule, destExists, job.SourceWrite, destWrite)) {
        ShowScanned(folder);
        return WalkUpToDate;
    }
    Supervision.View().ShowFile(ItemFile, "", job.SourcePath);
    if (!Task.NoBaks && destExists) {
        job.SecurityCopy = MakeSecurityCopy(job.Dest, destExists, destWrite, plain, job.DestSuffix);
        folder.DestListingValid = false;
    }
    if (folder.DestMissing) {
        if (!CreateDestDir(folder.DestDir)) {
            folder.LoopEnded = true;
            return WalkNotSelected;
        }
        folder.DestMissing = false;
    }
    auto worker = std::make_unique<TWinCopyThread>(job.SourcePath, job.Dest, job.Encrypted ? Encryption : nullptr,
                                                   job.Compress, Task.Verify, BufferSize, Priority);
    worker->SourceListing = *job.Listing;
    const TStatusCode status = Supervision.WaitForCopy(std::move(worker));
    if (status == 0) {
        return WalkCopied;
    }
    return ErrorNumber(status) == errLowDiskSpace ? WalkVolumeFull : status;
}

bool TBackupWalk::FindDestFile(TFolder& folder, const std::string& name, const std::string& path, TFileTime& write)
{
    if (folder.DestMissing) {
        return false;
    }
    if (!folder.DestListingValid) {
        TFindData data;
        if (!Platform::GetFindData(path, data) || (data.Attr & faDirectory) != 0) {
            return false;
        }
        write = data.LastWriteTime;
        return true;
    }
    if (!folder.DestListed) {
        // One listing costs less than a lookup by full path per file.
        std::vector<TSearchRec> folders;
        std::vector<TSearchRec> files;
        ListFolder(AddPathDelimiter(folder.DestDir), folders, files);
        for (const TSearchRec& rec : files) {
            folder.DestFiles.emplace(rec.Name, rec.FindData.LastWriteTime);
        }
        folder.DestListed = true;
    }
    const auto found = folder.DestFiles.find(name);
    if (found == folder.DestFiles.end()) {
        return false;
    }
    write = found->second;
    return true;
}

std::string TBackupWalk::MakeSecurityCopy(const std::string& dest, bool destExists, TFileTime destWrite,
                                          const std::string& plain, const std::string& suffix)
{
    if (!destExists) {
        return {};
    }
    if (Task.BakFiles) {
        const std::vector<std::string> names =
            KeptVersionNames(KeptVersionName(plain, MakeBackupSuffix(Task.BakSuffix, destWrite, Now()), suffix));
        for (std::size_t k = names.size() - 1; k >= 1; --k) {
            ForceDelete(names[k]);
            Platform::RenameFile(names[k - 1], names[k]);
        }
        ForceDelete(names.front());
        return Platform::RenameFile(dest, names.front()) == 0 ? names.front() : std::string();
    }
    // A name no backed-up file can have taken: renaming never replaces, so an existing
    // file of that name only moves the search on.
    const std::string folder = ExtractFilePath(dest);
    const std::string name = ExtractFileName(dest);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = folder + ".~" + name + "." + std::to_string(attempt) + ".tsbak";
        if (Platform::RenameFile(dest, candidate) == 0) {
            return candidate;
        }
        if (Platform::LastError() != Platform::ErrorAlreadyExists &&
            Platform::LastError() != Platform::ErrorFileExists) {
            break;
        }
    }
    return {};
}

void TBackupWalk::RestoreSecurityCopy(const TFileJob& job)
{
    if (!job.SecurityCopy.empty()) {
        ForceDelete(job.Dest);
        Platform::RenameFile(job.SecurityCopy, job.Dest);
    }
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
        ForceDelete(job.Dest);
        RestoreSecurityCopy(job);
        job.SecurityCopy.clear();
        if (!AskForNewMedia(ctx, folder, job)) {
            Supervision.CancelRun();
            return false;
        }
        return true;
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

bool TBackupWalk::AskForNewMedia(TWalkContext& ctx, TFolder& folder, const TFileJob& job)
{
    const std::string question = TrDefault("The destination volume is full!") + "\r\n" +
                                 TrDefault("Insert new media and continue backup?") + "(" + job.RelPath + ")";
    for (;;) {
        if (MessageDialog("", question, TMsgDlgType::Confirmation, MbOkCancel) != MrOk) {
            return false;
        }
        if (Platform::ForceDirectories(RemovePathDelimiter(ctx.DestBase)) == 0 &&
            Platform::ForceDirectories(folder.DestDir) == 0) {
            break;
        }
    }
    folder.DestMissing = false;
    folder.DestListingValid = false;
    Log.WriteLog(LogFilePrefix + TrDefault("Media change at: ") + job.RelPath);
    return true;
}

void TBackupWalk::NoteCopied(TWalkContext& ctx, TFileJob& job)
{
    ++ctx.Counters.Copied;
    Supervision.View().SetStatusText(FormatCount("%u files copied", ctx.Counters.Copied));
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
    if (!job.SecurityCopy.empty() && !Task.BakFiles) {
        ForceDelete(job.SecurityCopy);
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
    const bool local = !Ftp && !ZipMode();
    if (ErrorNumber(result) == errTerminated) {
        if (Ftp && !ZipMode()) {
            Ftp->DeleteRemoteFile(job.RemoteName);
        }
    } else if (ZipMode() && ErrorNumber(result) == errLowDiskSpace) {
        Supervision.CancelRun();
    }
    if (local && !error && ErrorNumber(result) != errTerminated && !Task.BakFiles && !job.SecurityCopy.empty()) {
        // Only a time or an attribute is missing: the new copy stands.
        ForceDelete(job.SecurityCopy);
    }
    if (local && (ErrorNumber(result) == errTerminated || error)) {
        // A partial copy goes; what the worker never opened stays.
        if (WorkerTouchedDestination(result) || !job.SecurityCopy.empty()) {
            RestoreSecurityCopy(job);
            if (job.SecurityCopy.empty()) {
                ForceDelete(job.Dest);
            }
        }
    }
    if (error || Log.LogMode >= LogLong) {
        Log.WriteLog(LogErrorPrefix + StatusCodeText(result) + ": " + job.RelPath);
    }
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
        ProcessMessages();
    }
    list[folderLine].Files = taken;
    for (const TSearchRec& sub : folders) {
        PreviewDir(sourceBase, JoinRelative(relFolder, sub.Name), filter, list, bytes, count, inverted, useArch,
                   runDate);
    }
}
