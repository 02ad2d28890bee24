// The part of the backup walk that works ahead of its turn: the next files of a folder
// made ready and brief ones copied on the work pool, the next subfolders listed or entered
// and started, and the removal of what did not get its turn.

#include "engine/Encryption.h"
#include "foundation/PathUtils.h"
#include "platform/FileSystem.h"
#include "tasks/BackupTemporary.h"
#include "tasks/BackupWalk.h"
#include "tasks/BackupWalkParts.h"

#include <algorithm>
#include <deque>

using namespace WalkParts;

void TBackupWalk::BackupSubfolders(TWalkContext& ctx, TFolder& folder, std::vector<TSearchRec>& folders)
{
    // The next few subfolders' sources and destinations are listed on the work pool while
    // the walk is busy with the ones before: nothing the walk does there touches them before
    // their turn. Each folder takes its destination's listing only where it uses one. Where
    // folders hold few files the walk enters the next ones itself instead and starts their
    // copies (StartFolderAhead).
    const auto listAhead = [this, &folder] { return ListsDestination(folder) && LastListedFiles >= ListAheadFiles; };
    std::deque<TComingFolder> coming; // in folder order, each before its turn
    std::size_t next = 0;             // the first subfolder not taken ahead
    for (std::size_t index = 0; index < folders.size(); ++index) {
        TSearchRec& sub = folders[index];
        if (Cancelled()) {
            break;
        }
        next = std::max(next, index); // none was taken ahead for the folders before
        while (next < folders.size() && next < index + SubfoldersListedAhead && listAhead()) {
            const std::string& name = folders[next].Name;
            TComingFolder& listed = coming.emplace_back();
            listed.Index = next++;
            listed.Listing =
                std::make_unique<TSubfolderAhead>(AddPathDelimiter(folder.SourceDir + name),
                                                  !folder.ListedWithoutStored, AddPathDelimiter(folder.DestDir) + name);
        }
        next = std::max(next, index + 1); // the folder whose turn it is gains nothing from it
        while (next < folders.size() && next <= index + SubfoldersStartedAhead && !listAhead()) {
            std::unique_ptr<TStartedFolder> started = StartFolderAhead(ctx, folder, folders[next].Name);
            if (!started) {
                break;
            }
            TComingFolder& entered = coming.emplace_back();
            entered.Index = next++;
            entered.Started = std::move(started);
        }
        TComingFolder now;
        if (!coming.empty() && coming.front().Index == index) {
            now = std::move(coming.front());
            coming.pop_front();
        }
        if (folder.ListedWithoutStored) {
            Platform::AddStoredAttributes(folder.SourceDir + sub.Name, sub.FindData);
        }
        BackupDir(ctx, &folder, JoinRelative(folder.Rel, sub.Name), FindDataToFileTimes(sub.FindData),
                  sub.FindData.Attr, std::move(now.Listing), std::move(now.Started));
    }
    // What was taken ahead and did not get its turn goes, the last first.
    while (!coming.empty()) {
        coming.pop_back();
    }
}

bool TBackupWalk::StartsFoldersAhead(const TFolder& parent) const
{
    // Only where nothing of it can show before its turn: the folders it makes are new, keep
    // their names and are not logged.
    return StartsAhead() && !ZipMode() && !Ftp && !ConvertsNames() && Log.LogMode != LogExtended && parent.Source &&
           !parent.CreateFailed;
}

std::unique_ptr<TBackupWalk::TStartedFolder> TBackupWalk::StartFolderAhead(TWalkContext& ctx, TFolder& parent,
                                                                           const std::string& name)
{
    if (!StartsFoldersAhead(parent)) {
        return nullptr;
    }
    auto started = std::make_unique<TStartedFolder>(*this);
    TFolder& folder = started->Folder;
    NameFolder(ctx, &parent, JoinRelative(parent.Rel, name), folder);
    // Entered without following a link; whatever would be logged is left to its turn.
    if (LeftOut(ctx, folder) || !(folder.Source = parent.Source->Enter(name, false))) {
        return nullptr;
    }
    ListSourceFolder(folder, started->Folders, started->Files, started->Links);
    // Its destination is made now only where it is new: one that is there is tidied and
    // listed in its turn, as it may log.
    if (!started->Folders.empty() || started->Files.empty() || !MakeDestFolderAhead(folder, started->Made) ||
        started->Made.back() != &folder) {
        UnmakeDestFolders(started->Made);
        return started;
    }
    folder.CopiesAhead = true;
    PrepareAhead(ctx, folder, started->Files, 0, started->Jobs);
    return started;
}

void TBackupWalk::DiscardStarted(TStartedFolder& started)
{
    TFolder& folder = started.Folder;
    while (!started.Jobs.empty()) {
        DiscardPrepared(folder, started.Jobs.back().Job);
        started.Jobs.pop_back();
    }
    // Made for copies that have not had their turn: they go unless one of them stands
    // there, and its folder is entered anew in its turn.
    if (!started.Made.empty()) {
        UnmakeDestFolders(started.Made);
        ForgetDestFolder(folder);
    }
}

void TBackupWalk::DiscardStartedFolders()
{
    for (TStartedFolder* started : StartedFolders) {
        if (!started->TurnCame) {
            DiscardStarted(*started);
        }
    }
}

bool TBackupWalk::MakeDestFolderAhead(TFolder& folder, std::vector<TFolder*>& made)
{
    // As in its turn (EnsureDestFolder), but silently: what cannot be made is left to the
    // turn, which says why.
    if (folder.Dest) {
        return true;
    }
    if (folder.CreateFailed || !folder.Parent || !MakeDestFolderAhead(*folder.Parent, made)) {
        return false;
    }
    const std::string name = ExtractFileName(folder.Rel);
    if (folder.Parent->Dest->Kind(name) != Platform::TEntryKind::Missing) {
        return false;
    }
    NoteWorkIn(folder, true);
    if (!(folder.Dest = folder.Parent->Dest->Enter(name, true))) {
        return false;
    }
    NoteDestFolderMade(folder);
    made.push_back(&folder);
    return true;
}

void TBackupWalk::UnmakeDestFolders(std::vector<TFolder*>& made)
{
    // Innermost first; a folder in which something stands stays. One removed is missing
    // again, as it was before it was made.
    for (auto folder = made.rbegin(); folder != made.rend(); ++folder) {
        TFolder& gone = **folder;
        if (gone.Parent->Dest->RemoveDir(ExtractFileName(gone.Rel)) != 0) {
            break;
        }
        ForgetDestFolder(gone);
        gone.DestMissing = true;
    }
    made.clear();
}

void TBackupWalk::PrepareAhead(TWalkContext& ctx, TFolder& folder, const std::vector<TSearchRec>& files,
                               std::size_t first, std::list<TAhead>& ahead, bool keepFirst)
{
    // Brief copies go to the work pool in rows: handing over each file alone would cost
    // more than its copy. Made ahead a whole row at a time, up to AheadRows rows; the first
    // file that must wait for its turn ends them.
    NoteTakenBack();
    const std::size_t most = StartsAhead(folder) ? AheadRows * AheadRowLength : 1;
    if (!ahead.empty() && ahead.size() + AheadRowLength > most) {
        return;
    }
    // A folder's files are spread over the pool's threads, one or a few each; a folder of
    // few files started before its turn goes in rows of a few, while other threads copy
    // other folders (one row of all would often be taken back, unbegun, in its turn).
    if (PoolThreads == 0) {
        PoolThreads = TWorkPool::ForCallingThread().Threads();
    }
    const std::size_t threads = PoolThreads;
    const std::size_t rowLength = files.size() < AheadFolderFiles
                                      ? SmallFolderRowLength
                                      : std::clamp<std::size_t>((files.size() - first) / threads, 1, AheadRowLength);
    std::vector<TCopyThread*> row;
    std::uint64_t rowBytes = 0;
    while (ahead.size() < most && (ahead.empty() || MayGoOn(folder, ahead.back().Job))) {
        const std::size_t next = ahead.empty() ? first : static_cast<std::size_t>(ahead.back().Rec - files.data()) + 1;
        if (next >= files.size()) {
            break;
        }
        TAhead& taken = ahead.emplace_back();
        taken.Rec = &files[next];
        PrepareFile(ctx, folder, taken.Job, *taken.Rec);
        // A folder's first file is wanted at once: it runs here in its turn.
        if (RunsAhead(folder, taken.Job) && !(keepFirst && next == first)) {
            row.push_back(taken.Job.Worker.get());
            rowBytes += taken.Job.Listing->Size;
            ++StartedAhead;
        }
        if (row.size() == rowLength || rowBytes >= AheadRowBytes) {
            Supervision.StartAhead(row);
            row.clear();
            rowBytes = 0;
        }
    }
    Supervision.StartAhead(row);
}

void TBackupWalk::PrepareFile(TWalkContext& ctx, TFolder& folder, TFileJob& job, const TSearchRec& rec)
{
    TakeFile(ctx, folder, rec, job);
    // A folder's first look at its destination tidies it and may log: that waits for its turn.
    if (!job.Selected || ZipMode() || Ftp || (folder.Dest && !folder.DestListed && folder.DestListingValid)) {
        return;
    }
    DecideCopy(folder, job);
    if (!job.NeedsCopy || !folder.Dest) {
        return;
    }
    NoteWorkIn(folder, false);
    if (NamesInWorker(folder, job)) {
        job.Worker = MakeWorker(folder, job, true);
        if (job.Worker) {
            LetWorkerName(folder, job);
        }
        return;
    }
    job.Temp = CreateBackupTemporary(*folder.Dest, job.TempName);
    if (job.Temp) {
        job.Worker = MakeWorker(folder, job, true);
    }
}

bool TBackupWalk::StartsAhead() const
{
    // A run asked to go easy on the machine copies one file at a time, and so does one
    // on a machine busy with other work for a while.
    return Priority >= TThreadPriority::tpNormal && HoldAhead == 0;
}

bool TBackupWalk::StartsAhead(const TFolder& folder) const
{
    return StartsAhead() && folder.CopiesAhead;
}

void TBackupWalk::NoteTakenBack()
{
    // When the pool's threads had not begun a good share of the copies started ahead by
    // the time they were wanted, they wait for processors that other work holds: starting
    // more ahead only adds hand-offs. Files are then copied in turn for a while.
    if (HoldAhead > 0) {
        --HoldAhead;
        return;
    }
    if (StartedAhead < TakeBackWindow) {
        return;
    }
    if ((Supervision.TakenBack - TakenBackSeen) * 4 > StartedAhead) {
        HoldAhead = HoldAheadCalls;
    }
    StartedAhead = 0;
    TakenBackSeen = Supervision.TakenBack;
}

bool TBackupWalk::KeepsVersionOf(const TFileJob& job) const
{
    // Keeping the previous version renames in the folder, which undoes the decisions
    // made ahead of it: such a copy is not started before its turn.
    return Task.BakFiles && !Task.NoBaks && job.DestExists;
}

bool TBackupWalk::NamesInWorker(const TFolder& folder, const TFileJob& job) const
{
    // A brief copy run ahead, where nothing stands under the name: the worker makes its
    // temporary and takes the name as soon as the copy is done, as the commit in its turn
    // would have. Names that a conversion made may clash with an earlier file's.
    return IsBriefJob(job) && StartsAhead(folder) && !job.DestExists && !ConvertsNames();
}

void TBackupWalk::LetWorkerName(const TFolder& folder, TFileJob& job) const
{
    job.Naming = std::make_unique<TWorkerNaming>();
    const Platform::TDestFolder* dest = folder.Dest.get();
    TWorkerNaming* naming = job.Naming.get();
    job.Worker->MakeDestination = [dest, naming] { return CreateBackupTemporary(*dest, naming->Temp); };
    job.Worker->OnStands = [dest, naming, name = job.FinalName] {
        naming->Taken = dest->RenameFile(naming->Temp, name) == 0;
    };
}

bool TBackupWalk::RunOneAhead()
{
    if (Cancelled()) {
        return false;
    }
    for (TAhead& ahead : Ahead) {
        TCopyThread* worker = ahead.Job.Worker.get();
        if (worker && worker->IsStarted() && worker->TakeBack()) {
            ++Supervision.TakenBack;
            worker->RunHere();
            return true;
        }
    }
    return false;
}

bool TBackupWalk::ConvertsNames() const
{
    return FilenameCase == 1 || FilenameCase == 2 || ReplaceChars;
}

bool TBackupWalk::IsBriefJob(const TFileJob& job)
{
    // As the job's worker will judge it (TCopyThread::IsBrief).
    return job.Listing->Size <= TCopyThread::BriefLimit(job.Encrypted && !job.Compress);
}

bool TBackupWalk::RunsAhead(const TFolder& folder, const TFileJob& job) const
{
    return job.Worker && job.Worker->IsBrief() && StartsAhead(folder) && !KeepsVersionOf(job);
}

bool TBackupWalk::MayGoOn(const TFolder& folder, const TFileJob& job) const
{
    // Nothing left of it for its turn but the commit, or nothing to copy at all.
    return !job.Selected || (job.Decided && !job.NeedsCopy) || RunsAhead(folder, job);
}

void TBackupWalk::DiscardPrepared(TFolder& folder, TFileJob& job)
{
    // The worker holds the temporary when it was made too; one started ahead is stopped
    // and waited for first. A copy that took its final name before its turn goes as well:
    // without its turn it has no log line and is not counted, and the next run would take
    // it for current (nothing stood under the name before). Unless the walk renamed
    // something to that name since: then the name is no longer the copy's.
    if (job.Worker) {
        job.Worker->CancelAndWait();
    }
    job.Worker.reset();
    if (job.Naming && folder.Dest) {
        const bool taken = job.Naming->Taken;
        const std::string& made = taken ? job.FinalName : job.Naming->Temp;
        if (!made.empty() && !(taken && folder.DestRenamed.contains(made))) {
            folder.Dest->DeleteFile(made);
        }
    }
    job.Naming.reset();
    job.Temp.reset();
    if (!job.TempName.empty() && folder.Dest) {
        folder.Dest->DeleteFile(job.TempName);
    }
    job.TempName.clear();
}

void TBackupWalk::DiscardAhead(TFolder& folder)
{
    // The last made first: its temporaries go in the order they were made, backwards.
    while (!Ahead.empty()) {
        DiscardPrepared(folder, Ahead.back().Job);
        Ahead.pop_back();
    }
}
