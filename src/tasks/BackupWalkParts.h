#pragma once

// What the backup walk's own files share: the state of a folder and of a file on their way
// through the walk, the work made ahead of its turn and the limits that govern it. Only
// tasks/BackupWalk*.cpp include it.

#include "engine/CopyThread.h"
#include "engine/WorkPool.h"
#include "engine/ZipWrite.h"
#include "foundation/PathUtils.h"
#include "platform/DestFolder.h"
#include "tasks/BackupNames.h"
#include "tasks/BackupWalk.h"

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace WalkParts {

inline std::string JoinRelative(const std::string& base, const std::string& relative)
{
    return relative.empty() ? base : AddPathDelimiter(base) + relative;
}

// What a destination folder holds, listed once for the copy decisions.
struct TDestListing
{
    std::unordered_map<std::string, TFileTime> Files;
    // Folders and links: names a copy cannot take.
    std::set<std::string> Occupied;
    // Names an interrupted run left.
    std::vector<std::string> Leftovers;
};

// Lists destDir into listing; stop (when given) ends it early, with an incomplete listing.
void ListDestination(const std::string& destDir, TDestListing& listing, bool withLeftovers,
                     const std::atomic<bool>* stop = nullptr);
// The same of an open folder, and ListFolder of an open source folder: without looking
// the folder up again by its path.
void ListDestination(const Platform::TDestFolder& dest, TDestListing& listing, bool withLeftovers);
void ListFolder(const Platform::TDestFolder& folder, std::vector<TSearchRec>& folders, std::vector<TSearchRec>& files,
                std::vector<std::string>* links, bool withStored);

// Brief copies started ahead: rows of files, each row run by one thread of the pool.
inline constexpr std::size_t AheadRowLength = 8;
// A folder of fewer files copies them in turn: waking pool threads for a few files costs
// more than copying them here (measured: a tree of ~7 files a folder took 1.6 times as long).
inline constexpr std::size_t AheadFolderFiles = 16;
// Where folders hold few files, the next subfolders are entered, listed and (a folder
// without subfolders whose destination is new) started before their turn instead: the
// pool copies them a folder a row while the walk is busy with the folders before.
inline constexpr std::size_t SubfoldersStartedAhead = 3;
inline constexpr std::size_t SmallFolderRowLength = 4;
inline constexpr std::size_t AheadRows = 4;
// A row ends at this many bytes too: larger files (encrypted ones) each take a thread.
inline constexpr std::uint64_t AheadRowBytes = AheadRowLength * TCopyThread::BriefBytes;
// Copies started ahead over which the share taken back is judged, and how many times the
// walk then makes files ready without starting any ahead.
inline constexpr std::uint64_t TakeBackWindow = 128;
inline constexpr std::size_t HoldAheadCalls = 4096;

// A folder's own size from which its destination is listed ahead: about a thousand entries.
inline constexpr std::uint64_t ListAheadBytes = std::uint64_t{32} << 10;
// Subfolders whose sources and destinations are listed ahead while the walk is in the ones
// before, as long as the folder listed last held at least ListAheadFiles files: handing over
// the listings of a folder of a few files costs more than it saves (measured: an unchanged
// tree of ~7 files a folder took 1.8 times as long).
inline constexpr std::size_t SubfoldersListedAhead = 4;
inline constexpr std::size_t ListAheadFiles = 16;

} // namespace WalkParts

// A destination folder's listing made on the work pool while the walk lists the source
// folder and walks its subfolders.
struct TBackupWalk::TListingAhead
{
    explicit TListingAhead(const std::string& destDir)
        : Task(TWorkPool::ForCallingThread(),
               [this, destDir] { WalkParts::ListDestination(destDir, Listing, true, &Stop); })
    {}
    ~TListingAhead() { Stop = true; }
    TListingAhead(const TListingAhead&) = delete;
    TListingAhead& operator=(const TListingAhead&) = delete;

    // The complete listing, made here when no pool thread has begun it.
    WalkParts::TDestListing Take()
    {
        Task.Finish();
        return std::move(Listing);
    }

private:
    WalkParts::TDestListing Listing;
    std::atomic<bool> Stop{false};
    TWorkAhead Task; // last: it goes first, while what it fills is still there
};

// A subfolder's source and destination, listed on the work pool before the walk enters it.
struct TBackupWalk::TSubfolderAhead
{
    TSubfolderAhead(const std::string& sourceDir, bool withStored, const std::string& destDir)
        : Dest(std::make_unique<TListingAhead>(destDir)),
          Source(TWorkPool::ForCallingThread(),
                 [this, sourceDir, withStored] { ListFolder(sourceDir, Folders, Files, &Links, withStored); })
    {}
    TSubfolderAhead(const TSubfolderAhead&) = delete;
    TSubfolderAhead& operator=(const TSubfolderAhead&) = delete;

    void TakeSource(std::vector<TSearchRec>& folders, std::vector<TSearchRec>& files, std::vector<std::string>& links)
    {
        Source.Finish();
        folders = std::move(Folders);
        files = std::move(Files);
        links = std::move(Links);
    }

    std::unique_ptr<TListingAhead> Dest; // until the folder takes it

private:
    std::vector<TSearchRec> Folders;
    std::vector<TSearchRec> Files;
    std::vector<std::string> Links;
    TWorkAhead Source; // last: it goes first, while what it fills is still there
};

struct TBackupWalk::TFolder
{
    TFolder* Parent = nullptr;
    std::string Rel;       // below the source base; empty at the top
    std::string SourceDir; // with a trailing delimiter
    std::string DestDir;   // local destination folder, no trailing delimiter
    // The source folder, entered from its open parent without following a link: each file
    // is opened there.
    std::shared_ptr<const Platform::TDestFolder> Source;
    bool Top = false;
    // The destination folder, entered without following links; missing until the first
    // copied file needs it (EmptyDirs) or when it could not be entered.
    std::unique_ptr<Platform::TDestFolder> Dest;
    bool DestMissing = false; // to be created with the first copied file
    // It could not be made or entered (logged once): each file below fails on its own.
    bool CreateFailed = false;
    bool LoopEnded = false;
    bool RemoteEntered = false;
    std::string RemoteRemembered;
    std::unique_ptr<TListingAhead> ListingAhead; // until the first copy decision takes it
    std::unique_ptr<TZipWrite> Zip;              // mode 5
    std::string ZipName;
    std::string ZipPath;
    std::string ZipTempName;   // mode 5: what the archive is written under until it is done
    std::string ZipTempFolder; // mode 5 to FTP
    int ZipEntries = 0;
    std::set<std::string> DestNames; // converted names already used here
    // The folder's source files, while its files are walked, and their converted names
    // once a copy in another form was found.
    const std::vector<TSearchRec>* SourceFiles = nullptr;
    TSourceNames SourceNames;
    bool SourceNamesMade = false;
    // The source listing left the stored attributes out: read where they are used.
    bool ListedWithoutStored = false;
    // The destination folder's files, listed once for the copy decisions; not trusted
    // once the medium has changed. Names that the walk has renamed since are looked up.
    std::unordered_map<std::string, TFileTime> DestFiles;
    std::set<std::string> DestRenamed;
    // Folders and links that the listing found: names a copy cannot take.
    std::set<std::string> DestOccupied;
    bool CreatedHere = false; // by this walk: it holds only what the walk put there
    // Its brief files may be copied on the work pool before their turn.
    bool CopiesAhead = false;
    // Entered before its turn: the copies started then.
    TStartedFolder* Started = nullptr;
    // Something stands in the destination folder (listed, copied, a subfolder that stays):
    // it is not tried for removal as empty.
    bool Filled = false;
    bool DestListed = false;
    bool DestListingValid = true;
    // Counts the changes to the destination folder that a decision made ahead misses.
    uint64_t DestChanges = 0;
    // Named in the run's work record (tasks/BackupWorkRecord.h), and as made by the run.
    bool Recorded = false;
    bool RecordedMade = false;
};

// What a worker that names its own copy leaves: the temporary it made and whether the
// copy took its final name.
struct TWorkerNaming
{
    std::string Temp;
    bool Taken = false;
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
    std::string Dest;      // the final name's path
    std::string FinalName; // in the destination folder
    std::string RemoteName;
    bool Logged = false; // its failure is logged already
    // Its previous version was not kept: a file of the source folder has a name it needed.
    bool VersionNameHeld = false;
    // Its copy changed while it was made, twice, and was dropped: the previous copy stays.
    bool TornCopyDropped = false;
    TStatusCode WriteStatus = 0; // the worker's status behind a full medium
    // Taken while the file before it was being copied; nothing of it has been shown.
    bool Selected = false;
    std::string FilterError;
    // The copy decision (CopyLocalFile), made at DecidedAt of the folder's DestChanges.
    bool Decided = false;
    uint64_t DecidedAt = 0;
    bool DestExists = false;
    TFileTime DestWrite = 0;
    bool NeedsCopy = false;
    // Made ahead for a copy: the temporary (hidden, removed when unused) and its worker.
    std::string TempName;
    std::unique_ptr<Platform::TFile> Temp;
    // Set when the worker makes its temporary and gives the copy its final name itself;
    // read once the worker has ended, so it goes after it.
    std::unique_ptr<TWorkerNaming> Naming;
    std::unique_ptr<TCopyThread> Worker;
};

// The next file of the folder, taken as far as nothing of it shows.
struct TBackupWalk::TAhead
{
    const TSearchRec* Rec = nullptr;
    TFileJob Job;
};

// A subfolder entered and listed before its turn; one without subfolders whose destination
// folder it made has its first files started too. What did not get its turn is stopped and
// removed with it, the folder it made too when that stayed empty.
struct TBackupWalk::TStartedFolder
{
    explicit TStartedFolder(TBackupWalk& walk) : Walk(walk)
    {
        Folder.Started = this;
        Walk.StartedFolders.push_back(this);
    }
    ~TStartedFolder()
    {
        Walk.DiscardStarted(*this);
        Walk.DropFromRecord(Folder);
        std::erase(Walk.StartedFolders, this);
    }
    TStartedFolder(const TStartedFolder&) = delete;
    TStartedFolder& operator=(const TStartedFolder&) = delete;

    TBackupWalk& Walk;
    TFolder Folder;
    std::vector<TSearchRec> Folders;
    std::vector<TSearchRec> Files;
    std::vector<std::string> Links;
    std::list<TAhead> Jobs; // in file order
    // The destination folders made for it, outer first, its own last; once its turn
    // came they are the walk's as if made then.
    std::vector<TFolder*> Made;
    bool TurnCame = false;
};
