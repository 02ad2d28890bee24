#include "restore/Restore.h"

#include "engine/FileTimes.h"
#include "engine/GZipThread.h"
#include "engine/StatusCodes.h"
#include "engine/WorkPool.h"
#include "foundation/DriveUtils.h"
#include "foundation/MessageDialogs.h"
#include "foundation/MessageLoop.h"
#include "foundation/PathUtils.h"
#include "foundation/ShownPaths.h"
#include "foundation/StringUtils.h"
#include "foundation/Translate.h"
#include "platform/DestFolder.h"
#include "platform/FileSystem.h"
#include "platform/StopSignals.h"
#include "restore/BackupLayout.h"
#include "restore/ConfirmFiles.h"
#include "restore/JobFile.h"
#include "restore/RestoreTask.h"
#include "tasks/BackupNames.h"
#include "tasks/BackupTemporary.h"
#include "tasks/IniValues.h"
#include "tasks/Placeholders.h"
#include "tasks/RunLock.h"
#include "tasks/TaskChecks.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <unordered_map>

namespace {

constexpr uint32_t ColorRed = 0x0000FF;
constexpr uint32_t ColorBlue = 0xFF0000;
constexpr int64_t SecondsPerDay = 86400;

std::string WithCount(const std::string& format, int value)
{
    const size_t pos = format.find("%u");
    return pos == std::string::npos ? format : format.substr(0, pos) + std::to_string(value) + format.substr(pos + 2);
}

std::string CopiedText(int restored)
{
    return WithCount(TrDefault("%u files copied"), restored);
}

// A folder row of the list that starts a top folder ("..\" marks the folders below one).
bool IsTopFolderRow(const TTransferItem& item)
{
    return item.Text.rfind("..\\", 0) != 0;
}

std::string DateText(TDateTime date)
{
    return FormatDateTime(date, "%x");
}

int64_t UnixOf(Platform::TFileTime time)
{
    return Platform::UnixSecondsFromFileTime(time);
}

} // namespace

bool RestoreNeeded(int overwrite, bool destExists, int64_t backupTime, int64_t destTime, int timespan, bool ignoreDst)
{
    if (overwrite == OverwriteAll || !destExists) {
        return true;
    }
    if (overwrite != OverwriteOlder) {
        return false;
    }
    const int64_t diff = backupTime - destTime;
    if (diff <= timespan) {
        return false;
    }
    return !(ignoreDst && std::llabs(diff - 3600) <= timespan);
}

int64_t AgeLimit(int ageMode, TDateTime date)
{
    if (ageMode == AgeAll) {
        return UnixOf(NowUtc()) + SecondsPerDay;
    }
    const TDateTime day = std::floor(date == 0 ? Date() : date);
    return LocalDateTimeToUnix(day);
}

std::string AgeText(int ageMode, TDateTime date)
{
    const TDateTime day = std::floor(date == 0 ? Date() : date);
    if (ageMode == AgeOlder) {
        return FormatText(TrDefault("older than %s"), DateText(day));
    }
    if (ageMode == AgeNewer) {
        return FormatText(TrDefault("all since %s"), DateText(day));
    }
    return TrDefault("all");
}

std::string OverwriteText(int overwrite)
{
    static const char* const texts[] = {TrNoopDefault("overwrite all files"), TrNoopDefault("overwrite older files"),
                                        TrNoopDefault("no overwrite of files")};
    return TrDefault(texts[overwrite >= 0 && overwrite <= 2 ? overwrite : 2]);
}

std::string RestoreFilterText(const TRestoreOptions& options)
{
    if (options.BackupCopies) {
        return "BC: *." + options.Suffix + "[.ext]";
    }
    const std::string prefix = options.Filter.IsRegEx ? "RE: " : "";
    switch (options.Filter.Mode) {
    case TTextFilter::ModeInclude:
        return prefix + FormatText(TrDefault("only %s"), options.Filter.GetMask());
    case TTextFilter::ModeExclude:
        return prefix + FormatText(TrDefault("except of %s"), options.Filter.GetMask());
    default:
        return TrDefault("all");
    }
}

TRestoreRun::TRestoreRun(TBackupLog& backupLog, IProgressView& progressView, IStatusView& statusView,
                         IRestorePrompts* restorePrompts)
    : log(backupLog), progress(progressView), status(statusView), prompts(restorePrompts), supervision(progressView)
{}

TRestoreRun::~TRestoreRun() = default;

namespace {

// A backup file found by the scan and its time in Unix seconds.
struct TFoundBackupFile
{
    TTransferItem Item;
    int64_t Time = 0;
};

// The files of one folder that the scan takes, in the order found. Copies of one file in
// several forms (plain, ".gz", ".enc", as KeepRestoredNamesApart settled them) restore to
// one name: the newest of them is taken.
class TFoundBackupFiles
{
public:
    void Add(TFoundBackupFile file)
    {
        const auto [at, added] = byDestination.try_emplace(file.Item.Info.Destination, files.size());
        if (added) {
            files.push_back(std::move(file));
        } else if (file.Time > files[at->second].Time) {
            files[at->second] = std::move(file);
        }
    }
    std::vector<TFoundBackupFile>& Files() { return files; }

private:
    std::vector<TFoundBackupFile> files;
    std::unordered_map<std::string, std::size_t> byDestination;
};

// The list's item of a backup file the scan takes, and its time.
TFoundBackupFile FoundFile(const TRestoreName& name, Platform::TFindData listing, const std::string& srcFolder,
                           const std::string& destFolder)
{
    const bool encrypted = name.Decrypted || (name.Unpacked && name.Header.Encrypted);
    const int64_t size = name.Unpacked ? name.Header.ISize : static_cast<int64_t>(listing.Size);
    TFoundBackupFile file{
        {name.Restored,
         TFileTransferInfo(TransferFile, true, encrypted, size, listing.Attr,
                           static_cast<int32_t>(FileTimeToDosTime(listing.LastWriteTime)),
                           AddPathDelimiter(destFolder) + name.Restored, AddPathDelimiter(srcFolder) + name.Name)},
        name.Unpacked ? name.Header.MTime : UnixOf(listing.LastWriteTime)};
    file.Item.Info.Unpack = name.Unpacked;
    file.Item.Info.Listing = std::move(listing);
    return file;
}

} // namespace

void TRestoreRun::Log(const std::string& line)
{
    log.WriteLog(line, LogMode > 0);
}

bool TRestoreRun::Cancelled() const
{
    return supervision.Cancelled();
}

void TRestoreRun::EndSession()
{
    encryption.reset();
    Password.clear();
}

bool TRestoreRun::ResolveVolume(std::string& source, bool quiet)
{
    if (source.empty() || source[0] != ':') {
        return true;
    }
    std::string rest = source;
    const std::string label = ReadNextQuotedItem(rest, '\\', ':');
    std::string root;
    // A quiet run never waits for a medium: it gives up at once.
    while (!FindVolumeDrive(label, root)) {
        if (quiet || MessageDialog({},
                                   FormatText(TrDefault("Volume \"%s\" not found!"), label) + "\r\n" +
                                       TrDefault("Please insert media!"),
                                   TMsgDlgType::Confirmation, MbOkCancel) != MrOk) {
            return false;
        }
    }
    source = AddPathDelimiter(root) + rest;
    return true;
}

bool TRestoreRun::Wanted(const std::string& destFile, int64_t time, int64_t limit) const
{
    // "Overwrite all" takes every file: the destination need not be looked at.
    if (Options.Overwrite != OverwriteAll) {
        const bool exists = Platform::FileExists(destFile);
        const int64_t destTime = exists ? UnixOf(GetFileWriteTime(destFile)) : 0;
        if (!RestoreNeeded(Options.Overwrite, exists, time, destTime, Options.Timespan, Options.IgnoreDst)) {
            return false;
        }
    }
    return Options.AgeMode == AgeNewer ? time >= limit : time < limit;
}

bool TRestoreRun::Taken(const std::string& restoredName)
{
    if (Options.BackupCopies) {
        return BearsKeptVersionSuffix(restoredName, Options.Suffix);
    }
    return Options.Filter.Match(restoredName);
}

void TRestoreRun::ScanRestoreDir(const std::string& source, const std::string& dest, int& counter, TTransferList& list,
                                 int64_t limit, const std::string& relative, const Platform::TFindData* listed)
{
    // A stop signal ends a quiet scan as well: nothing is restored after it.
    if (status.Cancelled() || Platform::StopRequested()) {
        return;
    }
    const std::string destFolder = relative.empty() ? RemovePathDelimiter(dest) : AddPathDelimiter(dest) + relative;
    const std::string srcFolder = relative.empty() ? RemovePathDelimiter(source) : AddPathDelimiter(source) + relative;
    const std::size_t folderIndex = list.size();
    const std::string folderText =
        relative.empty() ? RemovePathDelimiter(srcFolder) : "..\\" + AddPathDelimiter(relative);
    Platform::TFindData folderData;
    bool folderFound = true;
    if (listed) {
        folderData = *listed;
    } else {
        folderFound = Platform::GetFindData(srcFolder, folderData);
    }
    list.push_back({folderText, TFileTransferInfo(TransferFolder, true, false, 0, folderData.Attr,
                                                  static_cast<int32_t>(FileTimeToDosTime(folderData.LastWriteTime)),
                                                  destFolder, srcFolder)});
    if (folderFound) {
        list.back().Info.Listing = folderData; // its times go on the restored folder at the end
    }
    std::vector<Platform::TFindData> subfolders;
    std::vector<TRestoreName> names;
    std::vector<Platform::TFindData> listings;
    Platform::TSearchRec rec;
    // The stored attributes are left to the worker, which reads them from the open file.
    if (Platform::FindFirst(AddPathDelimiter(srcFolder) + "*", faAnyFile | Platform::faWithoutStored, rec) == 0) {
        do {
            if ((rec.Attr & faDirectory) != 0) {
                subfolders.push_back(std::move(rec.FindData));
                continue;
            }
            if (IsBackupLeftoverName(rec.Name)) {
                continue; // a killed backup's partial copy or security copy: no file of the backup
            }
            TRestoreName name = RestoreNameOf(rec.Name, Options.UnCompress);
            const std::string sourceFile = AddPathDelimiter(srcFolder) + rec.Name;
            if (name.Unpacked && !GetGzFileInfo(sourceFile, name.Header)) {
                // A damaged backup file is not restored: the run says so.
                scanErrors.push_back(LogErrorPrefix + StatusCodeText(ecGZipHeader | opGUnzip) + ": " + sourceFile);
                continue;
            }
            names.push_back(std::move(name));
            listings.push_back(std::move(rec.FindData));
            ProcessMessagesWhenDue();
        } while (Platform::FindNext(rec) == 0);
        Platform::FindClose(rec);
    }
    // Which file gives back which name is settled for the folder as a whole.
    KeepRestoredNamesApart(names);
    TFoundBackupFiles found;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (Taken(names[i].Restored)) {
            found.Add(FoundFile(names[i], std::move(listings[i]), srcFolder, destFolder));
        }
    }
    for (TFoundBackupFile& file : found.Files()) {
        if (Wanted(file.Item.Info.Destination, file.Time, limit)) {
            ++counter;
            list.push_back(std::move(file.Item));
        }
    }
    status.ShowProgress(TrDefault("Found: ") + WithCount(TrDefault("%u files"), counter));
    if (!relative.empty() && list.size() == folderIndex + 1) {
        list.pop_back();
    }
    std::sort(subfolders.begin(), subfolders.end(),
              [](const Platform::TFindData& a, const Platform::TFindData& b) { return a.Name < b.Name; });
    for (const Platform::TFindData& sub : subfolders) {
        ScanRestoreDir(source, dest, counter, list, limit,
                       relative.empty() ? sub.Name : AddPathDelimiter(relative) + sub.Name, &sub);
    }
}

bool TRestoreRun::EnsureFolder(const std::string& folder)
{
    if (Platform::DirectoryExists(folder)) {
        return true;
    }
    // Remember every level this run makes, so that only those are removed again.
    std::vector<std::string> missing;
    for (std::string f = RemovePathDelimiter(folder); !f.empty() && !Platform::DirectoryExists(f);) {
        missing.push_back(f);
        const std::string parent = ExtractParentDir(f);
        if (parent == f) {
            break;
        }
        f = parent;
    }
    if (Platform::ForceDirectories(folder) != 0) {
        return false;
    }
    createdFolders.insert(missing.begin(), missing.end());
    return true;
}

bool TRestoreRun::AskForPassword(const std::string& sourceFile, const std::string& destFile, bool retry,
                                 bool& cancelRun)
{
    if (quietRun || !prompts) {
        return false;
    }
    progress.ShowFile(ItemFile, {}, ShortenPath(destFile, 61));
    ProcessMessages();
    const char* format = retry ? TrNoopDefault("The specified password for file:\r\n%s\r\nis invalid! Please retry!")
                               : TrNoopDefault("Restoring file:\r\n%s\r\nrequires a password for decrypting!");
    std::string password = Password;
    const int answer = prompts->AskPassword(ProductText + " - " + TrDefault("Restore files from backup"),
                                            FormatText(TrDefault(format), ShortenPath(sourceFile, 50)), password);
    if (answer == MrCancel) {
        cancelRun = true;
        return false;
    }
    if (answer == MrOk) {
        Password = password;
    }
    encryption = std::make_unique<TEncryption>(Password, BufferSize, 0);
    return answer == MrOk && !Password.empty();
}

std::unique_ptr<TCopyThread> TRestoreRun::MakeWorker(const TFileTransferInfo& info, const TPrepared& prepared)
{
    const std::string folder = ExtractFilePath(info.Destination);
    // The name checks take one of the temporaries' length; the worker makes the real one.
    const std::string tempName = MakeBackupTemporaryName(0);
    TEncryption* crypt = info.Encrypted ? encryption.get() : nullptr;
    std::unique_ptr<TCopyThread> worker;
    if (info.Unpack) {
        auto unzip = std::make_unique<TGUnZipThread>(info.Source, folder, crypt, BufferSize, TThreadPriority::tpNormal);
        unzip->OutputFileName = tempName;
        worker = std::move(unzip);
    } else {
        worker = std::make_unique<TDecryptThread>(info.Source, folder + tempName, crypt, BufferSize,
                                                  TThreadPriority::tpNormal);
    }
    worker->SourceListing = info.Listing;
    worker->SourceListingWithoutStored = true;
    worker->MakeDestination = [folder = prepared.Folder, name = prepared.TempName] {
        return CreateBackupTemporary(*folder, *name);
    };
    return worker;
}

TStatusCode TRestoreRun::WorkerOperation(const TFileTransferInfo& info) const
{
    if (info.Unpack) {
        return opGUnzip;
    }
    return info.Encrypted ? opDecrypt : opCopy;
}

Platform::TDestFolder* TRestoreRun::EnterDestFolder(const std::string& root, const std::string& folder, bool create,
                                                    std::string* linkPath, std::vector<std::string>* created)
{
    if (!destChain.Top() || destChainRoot != root) {
        destChainRoot = root;
        auto top = Platform::TDestFolder::Open(root);
        if (!top && create && EnsureFolder(root)) {
            top = Platform::TDestFolder::Open(root);
        }
        destChain.Reset(std::move(top));
        if (!destChain.Top()) {
            return nullptr;
        }
    }
    return destChain.Enter(folder, create, linkPath, created);
}

Platform::TDestFolder* TRestoreRun::DestFolderOf(const TFileTransferInfo& info)
{
    const std::string folder = RemovePathDelimiter(ExtractFilePath(info.Destination));
    if (openDestPath == folder) {
        return openDest.get(); // a failure too: it is said once
    }
    openDestPath = folder;
    openDestFilled = false;
    if (!foldersAhead.empty() && foldersAhead.front().Path == folder) {
        openDest = std::move(foldersAhead.front().Folder);
        foldersAhead.pop_front();
        openDestMadeNow = true;
        openDestBehindLink = false;
        return openDest.get();
    }
    // Entered the long way: nothing made ahead may be in it, or the tidying would take it.
    DiscardAhead();
    std::string link;
    std::vector<std::string> created;
    openDest = EnterDestFolder(rootPath.empty() ? folder : rootPath, folder, true, &link, &created)
                   ? destChain.Current()
                   : nullptr;
    createdFolders.insert(created.begin(), created.end());
    // A folder made just now is empty: no leftovers to tidy, no link of the user's in it.
    openDestMadeNow = openDest && !created.empty() && created.back() == openDest->Path();
    openDestBehindLink = !openDest && Platform::LastError() == Platform::ErrorStoppedOnSymlink;
    if (openDest) {
        if (!openDestMadeNow) {
            TidyTemporaries(*openDest);
        }
    } else if (openDestBehindLink) {
        LogLinkOnce(link);
    } else {
        Log(LogErrorPrefix + FormatText(TrDefault("Could not create directory: \"%s\""), folder));
    }
    return openDest.get();
}

bool TRestoreRun::BehindLink(const TFileTransferInfo& info)
{
    const Platform::TDestFolder* folder = DestFolderOf(info);
    if (!folder) {
        return openDestBehindLink;
    }
    if (openDestMadeNow) {
        return false;
    }
    const std::string name = ExtractFileName(info.Destination);
    if (folder->Kind(name) != Platform::TEntryKind::Link) {
        return false;
    }
    LogLinkOnce(folder->PathOf(name));
    return true;
}

void TRestoreRun::LogLinkOnce(const std::string& path)
{
    if (loggedLinks.insert(path).second) {
        Log(LogErrorPrefix + TrDefault("Symbolic link left alone, nothing restored through it: ") + path);
    }
}

void TRestoreRun::TidyTemporaries(const Platform::TDestFolder& folder)
{
    // What a killed restore was writing when it died: never a file of the user's.
    for (const std::string& path : RemoveBackupTemporaries(folder)) {
        Log(LogNotePrefix + TrDefault("Removed what an interrupted run left: ") + path);
    }
}

void TRestoreRun::PrepareFile(const TFileTransferInfo& info, std::shared_ptr<Platform::TDestFolder> dest,
                              TPrepared& prepared)
{
    if (!dest) {
        return;
    }
    prepared.Folder = std::move(dest);
    // An encrypted file's worker waits for its turn: a wrong password before it renews
    // the encryption object.
    if (!info.Encrypted) {
        prepared.Worker = MakeWorker(info, prepared);
    }
}

void TRestoreRun::PrepareAhead(const TTransferList& list, std::size_t index)
{
    // As many as the work pool has threads; the first that must wait for its turn (not
    // brief, or encrypted) ends the row.
    while (ahead.size() < aheadMost && (ahead.empty() || (ahead.back().Worker && ahead.back().Worker->IsStarted()))) {
        const std::size_t next = NextSelectedFile(list, ahead.empty() ? index : ahead.back().Index);
        if (next >= list.size()) {
            return;
        }
        const TFileTransferInfo& nextInfo = list[next].Info;
        if (nextInfo.Encrypted && Password.empty()) {
            return;
        }
        std::shared_ptr<Platform::TDestFolder> folder = FolderAhead(nextInfo);
        if (!folder) {
            return;
        }
        TPrepared& job = ahead.emplace_back();
        job.Index = next;
        PrepareFile(nextInfo, std::move(folder), job);
        if (job.Worker) {
            supervision.StartAhead(*job.Worker);
        }
    }
}

std::shared_ptr<Platform::TDestFolder> TRestoreRun::FolderAhead(const TFileTransferInfo& info)
{
    const std::string path = RemovePathDelimiter(ExtractFilePath(info.Destination));
    if (path == openDestPath) {
        return openDest;
    }
    if (!foldersAhead.empty() && foldersAhead.back().Path == path) {
        return foldersAhead.back().Folder;
    }
    if (rootPath.empty()) {
        return nullptr;
    }
    std::vector<std::string> created;
    Platform::TDestFolder* entered = EnterDestFolder(rootPath, path, true, nullptr, &created);
    createdFolders.insert(created.begin(), created.end());
    // A folder that was there, or could not be entered, is tidied or said in its turn.
    if (!entered || created.empty() || created.back() != entered->Path()) {
        return nullptr;
    }
    foldersAhead.push_back({path, destChain.Current(), std::move(created)});
    return foldersAhead.back().Folder;
}

void TRestoreRun::DiscardPrepared(TPrepared& prepared)
{
    // A worker started ahead may have made its temporary: it is stopped and waited for first.
    if (prepared.Worker) {
        prepared.Worker->CancelAndWait();
    }
    prepared.Worker.reset();
    if (!prepared.TempName->empty()) {
        prepared.Folder->DeleteFile(*prepared.TempName);
        prepared.TempName->clear();
    }
    prepared.Folder.reset();
}

void TRestoreRun::DiscardAhead()
{
    // The last made first: its temporaries go in the order they were made, backwards.
    while (!ahead.empty()) {
        DiscardPrepared(ahead.back());
        ahead.pop_back();
    }
    // Deepest first, as a parent can only go once its children have.
    while (!foldersAhead.empty()) {
        TMadeAhead& made = foldersAhead.back();
        made.Folder.reset();
        for (auto level = made.Created.rbegin(); level != made.Created.rend(); ++level) {
            if (RemoveCreatedFolder(*level)) {
                createdFolders.erase(*level);
            }
        }
        foldersAhead.pop_back();
    }
}

std::size_t TRestoreRun::NextSelectedFile(const TTransferList& list, std::size_t index)
{
    for (std::size_t next = index + 1; next < list.size(); ++next) {
        const TFileTransferInfo& info = list[next].Info;
        if (info.IsFolder() && IsTopFolderRow(list[next])) {
            return list.size();
        }
        if (!info.IsFolder() && info.Selected) {
            return next;
        }
    }
    return list.size();
}

TStatusCode TRestoreRun::RestoreOneFile(const TTransferList& list, std::size_t index)
{
    // The worker writes a temporary file beside the target; only a complete one replaces
    // the user's file, so a cancel, an error or a wrong password never leaves a torso.
    const TFileTransferInfo& info = list[index].Info;
    TPrepared job;
    if (!ahead.empty() && ahead.front().Index == index) {
        job = std::move(ahead.front());
        ahead.pop_front();
    } else {
        DiscardAhead();
        PrepareFile(info, DestFolderOf(info) ? openDest : nullptr, job);
    }
    if (!job.Worker && job.Folder) {
        job.Worker = MakeWorker(info, job);
    }
    if (!job.Worker) {
        const std::string temp = AddPathDelimiter(ExtractFilePath(info.Destination)) + MakeBackupTemporaryName(0);
        return (Platform::PathTooLong(temp) ? ecPathTooLong : ecCreateFile) | WorkerOperation(info);
    }
    supervision.CurrentFileSize = info.Size;
    // The next files of its folder are made ready first, so that brief ones are copied
    // on the work pool while this one is.
    PrepareAhead(list, index);
    const TStatusCode code = supervision.WaitForCopy(std::move(job.Worker));
    const std::string& temp = *job.TempName;
    if (code == 0 && job.Folder->ReplaceFile(temp, ExtractFileName(info.Destination)) == 0) {
        return 0;
    }
    if (!temp.empty()) {
        job.Folder->DeleteFile(temp);
    }
    return code != 0 ? code : ecWriteFile | (info.Encrypted ? opDecrypt : opCopy);
}

void TRestoreRun::RestoreFileList(TTransferList& list, int& errors, int& restored, int& skipped)
{
    // Whatever was made ahead and not used goes with the loop.
    struct TDiscard
    {
        TRestoreRun& Run;
        ~TDiscard()
        {
            Run.DiscardAhead();
            Run.openDest = nullptr;
            Run.openDestPath.clear();
            Run.destChain.Clear();
            Run.destChainRoot.clear();
        }
    } discard{*this};
    roots.clear();
    folderRows.clear();
    filledFolders.clear();
    rootPath.clear();
    aheadMost = TWorkPool::ForCallingThread().Threads();
    const int count = static_cast<int>(list.size());
    const std::string restoredText = TrDefault("was restored"); // looked up once, not per file
    for (int i = 0; i < count; ++i) {
        const TTransferItem& item = list[static_cast<std::size_t>(i)];
        TFileTransferInfo& info = list[static_cast<std::size_t>(i)].Info;
        if (info.IsFolder()) {
            // A top row ("..\" marks the others) starts the folders entered from it; each
            // folder is made when its first file goes in.
            if (IsTopFolderRow(item)) {
                rootPath = info.Destination;
                roots.insert(rootPath);
            }
            folderRows.push_back({rootPath, info.Destination, info.Listing});
            continue;
        }
        if (!info.Selected) {
            continue;
        }
        if (BehindLink(info)) {
            ++errors;
            continue;
        }
        TStatusCode code = 0;
        bool skip = false;
        bool retry = false;
        for (;;) {
            if (info.Encrypted && Password.empty()) {
                bool cancelRun = false;
                if (!AskForPassword(info.Source, info.Destination, retry, cancelRun)) {
                    if (cancelRun) {
                        supervision.CancelRun();
                    }
                    skip = true;
                    break;
                }
            }
            if (info.Encrypted && !encryption) {
                encryption = std::make_unique<TEncryption>(Password, BufferSize, 0);
            }
            progress.ShowFile(ItemFile, {}, info.Source);
            progress.SetAction(pkCopy);
            code = RestoreOneFile(list, static_cast<std::size_t>(i));
            if (ErrorNumber(code) == errDecrypt && info.Encrypted && !quietRun && prompts) {
                Password.clear();
                encryption.reset();
                retry = true;
                continue;
            }
            break;
        }
        if (skip && (quietRun || !prompts)) {
            // A quiet run cannot ask: the file is not restored, and that is an error.
            ++errors;
            Log(LogErrorPrefix + StatusCodeText(ecDecrypt | opDecrypt) + ": " + info.Destination);
        } else if (skip) {
            ++skipped;
        } else if (code == 0) {
            ++restored;
            NoteFilledFolder();
            if (LogMode >= LogLong) {
                log.WriteLog("    " + info.Destination);
            }
            progress.SetFileProgress(100);
        } else if (ErrorNumber(code) != errTerminated) {
            ++errors;
            Log(LogErrorPrefix + StatusCodeText(code) + ": " + info.Destination);
        }
        if (Cancelled()) {
            return;
        }
        progress.ShowFile(ItemFile, restoredText, info.Source);
        progress.SetFileProgress(0);
        progress.SetTotalProgress(std::lround(100.0 / count * i));
        ProcessMessagesWhenDue();
    }
    // The folders are entered anew from here on: nothing made ahead may stay behind.
    DiscardAhead();
    openDest = nullptr;
    openDestPath.clear();
    RemoveCreatedEmptyFolders();
    StampFolderTimes();
}

void TRestoreRun::NoteFilledFolder()
{
    if (!openDestFilled) {
        openDestFilled = true;
        filledFolders.insert(openDestPath);
    }
}

bool TRestoreRun::HoldsRestoredFile(const std::string& folder) const
{
    if (filledFolders.count(folder) != 0) {
        return true;
    }
    // The names below the folder follow one another in the sorted set.
    const std::string below = AddPathDelimiter(folder);
    const auto next = filledFolders.lower_bound(below);
    return next != filledFolders.end() && next->rfind(below, 0) == 0;
}

void TRestoreRun::StampFolderTimes()
{
    for (const TFolderRow& row : folderRows) {
        if (!row.Listing) {
            continue;
        }
        if (Platform::TDestFolder* folder = EnterDestFolder(row.Root, row.Folder, false)) {
            folder->SetTimes(nullptr, &row.Listing->LastWriteTime);
        }
    }
}

void TRestoreRun::RemoveCreatedEmptyFolders()
{
    // Deepest first: a parent can only be empty once its children are gone.
    std::vector<std::string> folders(createdFolders.begin(), createdFolders.end());
    std::sort(folders.begin(), folders.end(),
              [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    for (const std::string& folder : folders) {
        if (Cancelled()) {
            return;
        }
        // A folder a file went into (or into a folder below it) is not empty.
        if (!HoldsRestoredFile(folder) && RemoveCreatedFolder(folder)) {
            createdFolders.erase(folder);
        }
    }
}

bool TRestoreRun::RemoveCreatedFolder(const std::string& folder)
{
    // Below a top folder it goes from its parent entered without links; the levels made
    // up to a top folder are on the way the user chose.
    for (const std::string& root : roots) {
        if (folder.rfind(AddPathDelimiter(root), 0) == 0) {
            Platform::TDestFolder* parent = EnterDestFolder(root, RemovePathDelimiter(ExtractFilePath(folder)), false);
            if (!parent || parent->RemoveDir(ExtractFileName(folder)) != 0) {
                return false;
            }
            destChain.CloseBelowTop(); // it may have held the folder just removed
            return true;
        }
    }
    return Platform::RemoveDir(folder) == 0;
}

void TRestoreRun::ProgressMessage(int message, int wParam)
{
    if (message == UM_PAUSE || message == UM_CANCEL) {
        supervision.ProgressMessage(message, wParam);
    }
}

int TRestoreRun::RunRestore(const std::string& sourceText, const std::string& dest, bool origin, bool interactive,
                            bool quiet, int closeDelay)
{
    quietRun = quiet;
    scanErrors.clear();
    supervision.ResetCancel();
    createdFolders.clear();
    loggedLinks.clear();
    std::string source = sourceText;
    // A folder that is not there would only show as an empty list.
    if (!ResolveVolume(source, quiet) || !Platform::DirectoryExists(source)) {
        const std::string text = FormatText(TrDefault("Could not find directory: \"%s\""), ShownFolderText(source));
        Log(LogErrorPrefix + text);
        if (!quiet) {
            ErrorDialog({}, text);
        }
        return RestoreFailed;
    }
    // The folder written in is the run's alone from the scan on: its files decide what is restored.
    const std::string originOfSource = origin ? OriginOfBackupFolder(source) : std::string();
    const std::string written = origin ? originOfSource : dest;
    std::string waitNote;
    std::unique_ptr<Platform::TFolderLock> lock;
    if (!written.empty()) {
        // A folder not made yet is made for the lock: another run may make and fill it meanwhile.
        lock = LockRunFolder(
            std::make_unique<Platform::TFolderLock>(written, true), [this] { return Cancelled(); },
            [&] { waitNote = LogNotePrefix + WaitingForRunText(written); });
        if (!lock) {
            return RestoreFailed;
        }
    }
    const int64_t limit = AgeLimit(Options.AgeMode, Options.Date);
    const std::string ageText = AgeText(Options.AgeMode, Options.Date);
    const int delay = quiet ? -closeDelay - (closeDelay == 0 ? 1 : 0) : interactive ? 0 : closeDelay;
    if (!quiet) {
        ShowStatusWindow(TrDefault("Restore files"), TrDefault("Scanning directories"), 5, true);
    }
    TTransferList list;
    int counter = 0;
    if (origin && !originOfSource.empty()) {
        ScanRestoreDir(source, originOfSource, counter, list, limit, {});
    } else if (origin) {
        for (const TDriveFolder& drive : DriveFoldersIn(source, false, [this] { return status.Cancelled(); })) {
            ScanRestoreDir(drive.Folder, drive.Origin, counter, list, limit, {});
        }
    } else {
        ScanRestoreDir(source, dest, counter, list, limit, {});
    }
    if (!quiet) {
        const bool scanCancelled = status.Cancelled();
        HideStatusWindow();
        if (scanCancelled) {
            return RestoreFailed;
        }
    }
    const std::string destText = origin ? TrDefault("to origin") : TrDefault("to: ") + ShortenPath(dest, 40);
    if (interactive) {
        TConfirmRequest request{TConfirmMode::Restore,
                                source,
                                counter,
                                FormatText(TrDefault("Mode: %s"), OverwriteText(Options.Overwrite)),
                                FormatText(TrDefault("Age: %s"), ageText),
                                FormatText(TrDefault("Filter: %s"), RestoreFilterText(Options)),
                                destText};
        if (!ConfirmFiles(request, list)) {
            return RestoreFailed;
        }
    }
    if (!origin && !EnsureFolder(dest)) {
        const std::string text = FormatText(TrDefault("Could not create directory: \"%s\""), dest);
        // A quiet batch run shows no box: it logs the reason instead.
        if (quiet) {
            Log(LogErrorPrefix + text);
        } else {
            ErrorDialog({}, text);
        }
        return RestoreFailed;
    }
    if (LogMode > 0) {
        log.WriteLogHeader(TrDefault(" - Restoring"));
        std::string start = LogStatusPrefix + TrDefault("Start") + ": " + DateTimeToStr(Now());
        if (TaskLoaded && !TaskFileName.empty()) {
            start += " - " + TrDefault("Restore task: ") + ExtractFileName(TaskFileName);
        }
        log.WriteLog(start);
        log.WriteLog("  " + TrDefault("from: ") + source);
        log.WriteLog(origin ? "  " + TrDefault("to origin") + ":" : "  " + TrDefault("to: ") + dest);
    }
    if (!waitNote.empty()) {
        Log(waitNote);
    }
    for (const std::string& line : scanErrors) {
        Log(line);
    }
    progress.Start(this, ProductText + " - " + TrDefault("Restoring"), origin ? TrDefault("to origin") : dest, delay);
    int errors = static_cast<int>(scanErrors.size());
    int restored = 0;
    int skipped = 0;
    RestoreFileList(list, errors, restored, skipped);
    std::string statusText;
    int outcome = RestoreOk;
    if (errors > 0) {
        statusText = WithCount(TrDefault("%u error(s) on restore"), errors);
        progress.Finish(FinishWarnings, TrDefault("Restore completed"), statusText + " - " + CopiedText(restored),
                        ColorRed, delay);
        outcome = RestoreFailed;
    } else if (Cancelled()) {
        statusText = TrDefault("Cancelled by user");
        progress.Finish(FinishCancelled, TrDefault("Restore completed"), statusText, ColorRed, -1);
        outcome = RestoreFailed;
    } else {
        statusText = TrDefault("OK");
        progress.Finish(FinishOk, TrDefault("Restore completed"), CopiedText(restored), ColorBlue, delay);
        outcome = skipped > 0 ? RestoreFailed : RestoreOk;
    }
    log.WriteEndLine(LogStatusPrefix + TrDefault("End") + ": " + DateTimeToStr(Now()), LogMode > 0);
    log.WriteEndLine("  Status: " + statusText + " (" + CopiedText(restored) + ")", LogMode > 0);
    Log("");
    return outcome;
}

int TRestoreRun::AutoRestore(const std::string& taskList, int logMode, bool quiet, int closeDelay)
{
    LogMode = logMode;
    Password.clear();
    int worst = RestoreOk;
    std::string rest = taskList;
    while (!rest.empty()) {
        const std::string item = TrimText(ReadNextItem(rest, ','));
        if (item.empty()) {
            continue;
        }
        // After a stop signal the batch ends with the run it cancelled.
        if (Platform::StopRequested()) {
            worst = RestoreFailed;
            break;
        }
        const std::string file = ExpandFileNameDefaults(ExpandPlaceholders(true, item), TaskDir, "rsj");
        // A task that cannot be read has not run: the batch must not end as if it had.
        const char* refused = !Platform::FileExists(file) ? TrNoopDefault("Restore task file not found: %s")
                              : !LoadTask(file)           ? TrNoopDefault("Not a restore task file: %s")
                                                          : nullptr;
        if (refused) {
            ReportRefusedJob(log, LogMode, TrDefault(" - Restoring"), FormatText(TrDefault(refused), file));
            worst = RestoreFailed;
            continue;
        }
        if (Options.FtpBackup) {
            continue;
        }
        if (!FullFolderText(Options.SourceDir) || Options.DestDir.empty() ||
            (!Options.Origin && !FullFolderText(Options.DestDir))) {
            ReportRefusedJob(log, LogMode, TrDefault(" - Restoring"),
                             UnvalidJobText(TrDefault("Restore task: "), file));
            worst = RestoreFailed;
            continue;
        }
        worst =
            std::max(worst, RunRestore(Options.SourceDir, Options.DestDir, Options.Origin, false, quiet, closeDelay));
    }
    EndSession();
    RestoreOwnSettings();
    return worst;
}

void TRestoreRun::RememberOwnSettings()
{
    own.Remember(Options, TaskLoaded);
}

void TRestoreRun::RestoreOwnSettings()
{
    own.PutBack(Options);
    TaskLoaded = false;
}

bool TRestoreRun::LoadTask(const std::string& file)
{
    RememberOwnSettings();
    if (!LoadRestoreTask(file, Options, Ftp)) {
        return false;
    }
    TaskFileName = file;
    TaskLoaded = true;
    return true;
}

int TRestoreRun::SaveTask(const std::string& file)
{
    const int error = SaveRestoreTask(file, Options, Ftp, ProductText, FileVersion);
    if (error == 0) {
        TaskFileName = file;
    }
    return error;
}

void TRestoreRun::LoadFromIni(const std::string& settingsFile, const std::string& fallbackFile)
{
    if (SettingsFile.empty() && (!settingsFile.empty() || !fallbackFile.empty())) {
        SettingsFile = settingsFile.empty() ? fallbackFile : settingsFile;
        if (const std::string source = JobSettingsSource(settingsFile, fallbackFile); !source.empty()) {
            const TIniFile ini(source);
            ReadRestoreSettings(ini, Options);
            ReadRestoreHistories(ini, SourceHistory, DestHistory);
        }
    }
    Options.SourceDir = SourceHistory.empty() ? Options.SourceDir : SourceHistory.front();
    Options.DestDir = DestHistory.empty() ? Options.DestDir : DestHistory.front();
    Options.Origin = false;
    own.Forget();
    TaskLoaded = false;
}

void TRestoreRun::WriteToIni()
{
    if (SettingsFile.empty()) {
        return;
    }
    // What a loaded task set is not the user's own choice.
    RestoreOwnSettings();
    TIniFile ini(SettingsFile);
    WriteRestoreSettings(ini, Options);
    WriteRestoreHistories(ini, SourceHistory, DestHistory);
    ini.UpdateFile();
}
