#pragma once

// The inner engine of a backup run: the recursive walk of one source folder. Each
// file is tested against its folder's record, compared with its destination copy
// and, when that is missing or out of date, handed to a worker (plain, gzip,
// encrypted, into a zip archive, or uploaded through IWalkFtp). Every outcome is
// counted and logged.
//
// How the run uses it, per run:
//   TBackupWalk walk(task, log, supervision);    set the run-wide fields below;
//   per source folder S (after preparing the destination base):
//     TWalkContext ctx(entry, counters);  ctx.SourceBase = S;
//     ctx.DestBase = DestinationBase(root, S, task.DestMode);  (FTP: FtpDestinationBase)
//     walk.BackupDir(ctx, "", folder times of S, attributes of S);
//   then read counters, supervision.Cancelled(), walk.ZipFailed and walk.VolumeFullText.
// Left to the run: supervision.ShellCopyFlags and CreationTime, the mode-4 archive
// (create it, set its progress handlers, give it as ZipWriter, close and verify it)
// and, after each folder, the base folder's attributes, times and EmptyDirs clean-up.
// The walk never changes the current folder; all paths are absolute Windows text.

#include "engine/CopyThread.h"
#include "engine/FileTimes.h"
#include "tasks/BackupLog.h"
#include "tasks/BackupNames.h"
#include "tasks/BackupSelection.h"
#include "tasks/BackupSupervision.h"
#include "tasks/TaskModel.h"

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <set>
#include <string>
#include <vector>

class TEncryption;
class TWorkRecord;
class TZipWrite;

namespace Platform {
class TDestFolder;
}

// Folders and files of a folder (with its trailing "\"), without holding the search
// open: walks recurse between the two loops. links (when given) receives the names of
// the symbolic links the search passed over. withStored false leaves the stored
// attributes out (Platform::faWithoutStored).
void ListFolder(const std::string& folder, std::vector<TSearchRec>& folders, std::vector<TSearchRec>& files,
                std::vector<std::string>* links = nullptr, bool withStored = true);

// Results of one file beside the workers' status codes.
inline constexpr TStatusCode WalkNotSelected = 0;
inline constexpr TStatusCode WalkUpToDate = 1;
inline constexpr TStatusCode WalkCopied = 2;
inline constexpr TStatusCode WalkVolumeFull = 3;

struct TWalkCounters
{
    uint32_t Processed = 0; // selected, with a non-zero result
    uint32_t Copied = 0;
    uint32_t Errors = 0;
    uint32_t Warnings = 0;
    int64_t Bytes = 0; // sizes of all selected files
};

// One walk of one source folder; shared by all levels of it.
struct TWalkContext
{
    TWalkContext(TExtensionList& filter, TWalkCounters& counters) : Filter(filter), Counters(counters) {}

    std::string SourceBase; // the source folder S
    std::string DestBase;   // its local destination base, or its remote folder for FTP
    // The local destination as the user chose it; what lies below it up to DestBase is
    // entered without following links. Empty: DestBase itself.
    std::string DestRoot;
    uint32_t ExpectedTotal = 0; // files of the last run in all folders; 0: no total bar
    TExtensionList& Filter;
    TWalkCounters& Counters;
};

// One file for the FTP side.
struct TFtpFileJob
{
    std::string SourcePath; // the real source name
    std::string RemoteName; // converted name + ".gz" / ".enc"
    bool Compress = false;
    std::uint64_t Size = 0;
    TDateTime SourceTime = 0;  // last write, local
    TFileTime SourceWrite = 0; // last write as listed
};

// The FTP branches of the walk; the run gives one for an FTP destination. The
// walk names files and folders, counts and logs; the implementation talks to the
// server (and logs its own failures to change folders).
class IWalkFtp
{
public:
    virtual ~IWalkFtp() = default;
    // Entering a subfolder: remembers the current remote folder and changes into
    // `name`; false skips the folder.
    virtual bool EnterFolder(const std::string& name, std::string& remembered) = 0;
    // Leaving it again (remembered empty: one level up).
    virtual void LeaveFolder(const std::string& remembered) = 0;
    // Reads the remote file list of the current folder.
    virtual void FillFileList() = 0;
    // Connected, with reconnects; false after the last failed attempt.
    virtual bool EnsureConnected() = 0;
    virtual bool NeedsUpdate(const TFtpFileJob& job) = 0;
    // Uploads (with retries after a closed connection) and sets the remote time:
    // 0, or a status code.
    virtual TStatusCode Upload(const TFtpFileJob& job) = 0;
    virtual void DeleteRemoteFile(const std::string& remoteName) = 0;
    // A file of that name stands in the current folder's remote file list.
    virtual bool Listed(const std::string& remoteName) const = 0;
    // Mode 5: uploads the folder's finished archive under zipName; 0 or a status code.
    virtual TStatusCode UploadArchive(const std::string& archive, const std::string& zipName) = 0;
};

class TBackupWalk
{
public:
    TBackupWalk(const TBackupTask& task, TBackupLog& log, TBackupSupervision& supervision);
    ~TBackupWalk();
    TBackupWalk(const TBackupWalk&) = delete;
    TBackupWalk& operator=(const TBackupWalk&) = delete;

    // Program settings.
    int32_t CompSize = 512;
    int32_t FilenameCase = 0;
    bool ReplaceChars = false;
    int32_t BufferSize = 0x40000;
    // Run-wide.
    TThreadPriority Priority = TThreadPriority::tpNormal;
    TEncryption* Encryption = nullptr; // modes 0 to 2 of an encrypting run
    std::string ZipPassword;           // zip modes of an encrypting run
    int ZipAesMode = 0;
    TZipWrite* ZipWriter = nullptr; // mode 4: the run's archive
    bool ZipFailed = false;         // mode 4: the medium was full
    // A full medium asks for another one; a quiet run cannot ask: it logs the write
    // error with the free space, keeps it in VolumeFullText and ends the run.
    bool AskForMedia = true;
    std::string VolumeFullText;
    TDateTime RunDate = 0;   // day the run started, for the date tests
    IWalkFtp* Ftp = nullptr; // an FTP destination
    // Clock for the names of kept versions.
    std::function<TDateTime()> Now;
    // Archive name of mode 5 from the task's zip name.
    std::function<std::string()> MakeZipName;
    // Moves a source file to the recycle bin (DeleteFile option); true on success.
    std::function<bool(const std::string& path)> MoveToTrash;

    // Walks one folder (relative to ctx.SourceBase; empty for the top) and its
    // subfolders. times and attr are the folder's own.
    void BackupDir(TWalkContext& ctx, const std::string& relFolder, const TFileTimes& times, uint32_t attr);

    // Creates the folder with its parents and logs it; true when it exists now.
    bool CreateDestDir(const std::string& path);

    // Removes (and logs) what a run that died left where its work record in root says it
    // worked (tasks/BackupWorkRecord.h). Once per root and walk: BackupDir does it too, and a
    // run does it before anything else touches its destination.
    void TidyAfterInterruptedRun(const std::string& root);

private:
    struct TFolder;
    struct TListingAhead;
    struct TSubfolderAhead;
    struct TFileJob;
    struct TAhead;
    struct TStartedFolder;
    // A subfolder's turn: what was made ahead for it, if anything.
    struct TComingFolder
    {
        std::size_t Index = 0;
        std::unique_ptr<TSubfolderAhead> Listing;
        std::unique_ptr<TStartedFolder> Started;
    };

    int32_t Mode() const { return Task.DestMode; }
    bool ZipMode() const { return Task.IsZipDestination(); }
    // listedAhead: the folder's source and destination, listed on the work pool before it
    // was entered; started: the folder entered, listed and maybe started before its turn.
    void BackupDir(TWalkContext& ctx, TFolder* parent, const std::string& relFolder, const TFileTimes& times,
                   uint32_t attr, std::unique_ptr<TSubfolderAhead> listedAhead = nullptr,
                   std::unique_ptr<TStartedFolder> started = nullptr);
    void NameFolder(TWalkContext& ctx, TFolder* parent, const std::string& relFolder, TFolder& folder);
    // The filter leaves the folder out.
    static bool LeftOut(TWalkContext& ctx, const TFolder& folder);
    void BackupStartedDir(TWalkContext& ctx, TStartedFolder& started, const TFileTimes& times, uint32_t attr);
    // The rest of a folder's walk once it is listed: its subfolders, its files, its times.
    void BackupListedDir(TWalkContext& ctx, TFolder& folder, std::vector<TSearchRec>& folders,
                         const std::vector<TSearchRec>& files, const std::vector<std::string>& links,
                         const TFileTimes& times, uint32_t attr);
    void BackupSubfolders(TWalkContext& ctx, TFolder& folder, std::vector<TSearchRec>& folders);
    bool StartsFoldersAhead(const TFolder& parent) const;
    // The subfolder entered and listed before its turn, and when it has no subfolders and
    // its destination folder is new, that folder made and its first files started; nullptr
    // when it is left to its turn.
    std::unique_ptr<TStartedFolder> StartFolderAhead(TWalkContext& ctx, TFolder& parent, const std::string& name);
    // Stops and removes what was started for a folder before its turn.
    void DiscardStarted(TStartedFolder& started);
    // Before a medium goes: every folder started ahead, on all levels.
    void DiscardStartedFolders();
    // The source folder's entries, through the folder entered where there is one.
    void ListSourceFolder(const TFolder& folder, std::vector<TSearchRec>& folders, std::vector<TSearchRec>& files,
                          std::vector<std::string>& links);
    // The destination folder is there and its listing is wanted for copy decisions.
    bool ListsDestination(const TFolder& folder) const;
    bool EnterFolder(TFolder& folder);
    // The top folder's destination base, entered from the destination root and created.
    bool OpenTopFolder(TWalkContext& ctx, TFolder& folder);
    bool OpenSourceFolder(TFolder& folder);
    // At log mode long and above.
    void LogLinkSkipped(const std::string& relative);
    // The listed file is a link, a FIFO, a socket or a device now (a link is named).
    bool SwappedForNoFile(const TFolder& folder, const TFileJob& job);
    // Creates the destination folder (and missing parents) when it is not there yet.
    bool EnsureDestFolder(TFolder& folder);
    void NoteDestFolderMade(TFolder& folder);
    // Makes the new destination folder and those missing above it silently (made gets
    // them, outer first); false when one cannot be made or something stands in its place.
    bool MakeDestFolderAhead(TFolder& folder, std::vector<TFolder*>& made);
    // Removes those of them that are still empty, innermost first.
    void UnmakeDestFolders(std::vector<TFolder*>& made);
    // Its destination folder as not yet entered.
    void ForgetDestFolder(TFolder& folder);
    // Names the folder in the work record before something is made in it (made: the folder
    // itself), and drops it once its turn is over.
    void NoteWorkIn(TFolder& folder, bool made);
    void DropFromRecord(TFolder& folder);
    // After a media change: the folders from the top down, entered on the new medium.
    bool ReopenDestFolders(TWalkContext& ctx, TFolder& folder);
    // Logs a destination folder that could not be made or entered (Platform::LastError()).
    void LogCouldNotCreate(const std::string& path);
    // Logs a link where a folder or file of the backup should be (counted as an error
    // when count is set; a file's error is counted with its result).
    void LogLinkLeftAlone(const std::string& path, bool count = true);
    bool OpenFolderArchive(TFolder& folder);
    void CloseFolderArchive(TFolder& folder);
    void AbandonFolderArchive(TFolder& folder);
    void LeaveFolder(TFolder& folder, const TFileTimes& times, uint32_t attr);
    // False when the folder's file loop ended early.
    bool BackupFiles(TWalkContext& ctx, TFolder& folder, const std::vector<TSearchRec>& files);
    // The file's names and its selection; logs and counts nothing.
    void TakeFile(TWalkContext& ctx, TFolder& folder, const TSearchRec& rec, TFileJob& job);
    // Takes the next files from files[first] on (or after those taken already), decides
    // their copies and makes their temporaries and workers, as far as nothing of them
    // shows before their turn; brief ones are started on the work pool.
    void PrepareAhead(TWalkContext& ctx, TFolder& folder, const std::vector<TSearchRec>& files, std::size_t first,
                      std::list<TAhead>& ahead, bool keepFirst = false);
    void NoteTakenBack();
    void PrepareFile(TWalkContext& ctx, TFolder& folder, TFileJob& job, const TSearchRec& rec);
    bool StartsAhead() const;
    bool StartsAhead(const TFolder& folder) const;
    bool KeepsVersionOf(const TFileJob& job) const;
    // The job's worker makes its temporary and gives the copy its final name itself.
    bool NamesInWorker(const TFolder& folder, const TFileJob& job) const;
    void LetWorkerName(const TFolder& folder, TFileJob& job) const;
    // Runs the first copy started ahead that no pool thread has begun here; false when
    // there is none (or the run is cancelled).
    bool RunOneAhead();
    // Upper or lower case, or replaced characters: two names may become one.
    bool ConvertsNames() const;
    // The job's copy is brief and started before its turn.
    static bool IsBriefJob(const TFileJob& job);
    bool RunsAhead(const TFolder& folder, const TFileJob& job) const;
    // Files after it may be made ready ahead.
    bool MayGoOn(const TFolder& folder, const TFileJob& job) const;
    // Removes what was made ahead for the job and is still unused.
    void DiscardPrepared(TFolder& folder, TFileJob& job);
    void DiscardAhead(TFolder& folder);
    TStatusCode BackupFile(TFolder& folder, TFileJob& job);
    // Suffix and final name, the destination's copy, and whether the file needs a copy.
    void DecideCopy(TFolder& folder, TFileJob& job);
    // ahead: made before its turn; an encrypted one then gets an object of its own, and
    // nullptr when it cannot have one (it is made in its turn).
    std::unique_ptr<TCopyThread> MakeWorker(TFolder& folder, TFileJob& job, bool ahead = false);
    TStatusCode AddToZip(TFolder& folder, TFileJob& job);
    TZipWrite* ZipOf(TFolder& folder) const;
    // Offers the selected files from files[offered] on to the zip writer, to compress
    // ahead while there is room; offered moves past them.
    void OfferToZip(TWalkContext& ctx, TFolder& folder, const std::vector<TSearchRec>& files, std::size_t& offered);
    TStatusCode UploadFile(TFolder& folder, TFileJob& job);
    TStatusCode CopyLocalFile(TFolder& folder, TFileJob& job);
    // After a copy whose source changed while it was read: the copy made again, into a new
    // temporary (tempName gets it); its status.
    TStatusCode CopyAgain(TFolder& folder, TFileJob& job, std::string& tempName);
    TCopyRule CopyRule() const { return {Task.UseArch, Task.Timespan, Task.IgnoreDst}; }
    TStatusCode JobOperation(const TFileJob& job) const;
    // False (logged) when a link, folder or special file has the name.
    bool CanTakeName(const Platform::TDestFolder& dest, const std::string& name, const std::string& path);
    // Renames a finished temporary over name; false (logged) when it cannot. likelyFree:
    // nothing was found under the name, so a rename that never replaces is tried first.
    bool PutInPlace(const Platform::TDestFolder& dest, const std::string& tempName, const std::string& name,
                    const std::string& path, bool likelyFree = false);
    // Gives the finished copy its name, after moving the previous version to its kept name.
    bool CommitCopy(TFolder& folder, TFileJob& job, const std::string& tempName, bool destExists, TFileTime destWrite,
                    const std::string& plain);
    bool FindDestFile(TFolder& folder, const std::string& name, TFileTime& write);
    // The destination folder's files into DestFiles; leftovers (when given) gets the
    // names that an interrupted run left.
    void ListDestFiles(TFolder& folder, std::vector<std::string>* leftovers);
    // True when a folder or link may stand where the copy is to go: the listing does
    // not tell, or found one.
    bool MayBeTaken(const TFolder& folder, const std::string& name) const;
    // Removes or puts back what an interrupted run left; true when it changed the folder.
    bool TidyLeftovers(TFolder& folder, const std::vector<std::string>& leftovers);
    // The names the kept versions of the copy (plain: its path without the form's suffix
    // destSuffix) rotate through, newest first; empty when a file of the source folder holds
    // one of them.
    std::vector<std::string> VersionNames(TFolder& folder, const std::string& destSuffix, TFileTime destWrite,
                                          const std::string& plain);
    // Rotates the kept versions through names and moves the previous one (current) to the
    // newest; that name, or empty when it could not be done. renamed gets every name it may
    // have changed, current too.
    std::string KeepPreviousVersion(const Platform::TDestFolder& dest, const std::string& current,
                                    const std::vector<std::string>& names, std::set<std::string>& renamed);
    // The job's copies in the other forms that stand (plain, ".gz", ".enc"), with their
    // write times; names of other source files' copies left out.
    std::vector<std::pair<std::string, TFileTime>> OtherForms(TFolder& folder, const TFileJob& job);
    // Once the job's copy stands: its copies in the other forms (plain, ".gz", ".enc") go,
    // or become kept versions (not on FTP, which keeps none).
    void RemoveOtherForms(TFolder& folder, const TFileJob& job);
    void WarnOtherFormStays(const std::string& why, const std::string& path);
    // The converted names of the folder's source files, gathered when first asked.
    const TSourceNames& SourceNamesOf(TFolder& folder);
    // A file whose plain copy would take another's compressed copy's name is compressed.
    bool KeepsNamesakesApart(bool shellCopy) const;
    // Form and suffix of the job's copy (shellCopy: as it is).
    void ChooseForm(TFolder& folder, TFileJob& job, bool shellCopy);
    // False when the compressed copy that stands under the job's name is not its file's.
    bool CompressedCopyStands(TFolder& folder, const TFileJob& job);
    // The source listing must hold the stored attributes: the archive bit decides, or
    // an attribute filter needs them.
    bool NeedsStoredAttributes(const TExtensionList& filter) const;
    // True when the same file is to be done again (after a media change).
    bool HandleResult(TWalkContext& ctx, TFolder& folder, TFileJob& job, TStatusCode result);
    bool AskForNewMedia(TWalkContext& ctx, TFolder& folder, const TFileJob& job);
    void NoteVolumeFull(TWalkContext& ctx, const TFolder& folder, const TFileJob& job);
    void NoteCopied(TWalkContext& ctx, TFileJob& job);
    void NoteFailed(TWalkContext& ctx, TFileJob& job, TStatusCode result);
    void ShowScanned(const TFolder& folder);
    bool Cancelled() const { return Supervision.Cancelled(); }

    const TBackupTask& Task;
    TBackupLog& Log;
    TBackupSupervision& Supervision;
    TZipWrite* CurrentZip = nullptr;
    TWalkCounters* Counters = nullptr;   // of the walk in progress
    std::unique_ptr<TWorkRecord> Record; // of the walk in progress, for a local destination
    std::set<std::string> TidiedRoots;
    std::list<TAhead> Ahead;                     // the next files of the folder, taken while a worker copies
    std::vector<TStartedFolder*> StartedFolders; // entered before their turn, on all levels
    std::function<void()> WhileCopying;
    unsigned PoolThreads = 0; // of the work pool, once asked
    // Copies started ahead, and the supervision's count of those taken back, since the
    // last look; while HoldAhead counts down, nothing is started ahead.
    std::uint64_t StartedAhead = 0;
    std::uint64_t TakenBackSeen = 0;
    std::size_t HoldAhead = 0;
    // Files in the last destination folder listed: whether listing the next ones ahead pays.
    std::size_t LastListedFiles = 0;
    // Shown for every file: translated once.
    const std::string ScannedText;
    const std::string CopiedCountText;
};

// The destination base below the destination root (empty: the base itself), entered
// without following links below the root and created when create is set. nullptr with
// Platform::LastError(); linkPath gets a link that stood in the way.
std::unique_ptr<Platform::TDestFolder> EnterDestBase(const std::string& root, const std::string& base, bool create,
                                                     std::string& linkPath);

// One line of the preview list and the number of files taken in a folder line.
struct TPreviewLine
{
    std::string Text;
    int Files = 0;
};

// Lists the files of sourceBase\relFolder and its subfolders that the selection
// takes (inverted: leaves out) without copying anything: "*..\folder" lines, each
// followed by " name|time|size" lines, then the subfolders. An excluded folder gives
// "#..\folder (all files)" when inverted and nothing otherwise.
void PreviewDir(const std::string& sourceBase, const std::string& relFolder, TExtensionList& filter,
                std::vector<TPreviewLine>& list, int64_t& bytes, int& count, bool inverted, bool useArch,
                TDateTime runDate);
