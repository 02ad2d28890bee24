#include "restore/CleanUp.h"

#include "foundation/IniFile.h"
#include "restore/BackupLayout.h"
#include "restore/CleanUpTask.h"
#include "restore/ConfirmFiles.h"
#include "restore/JobFile.h"

#include "foundation/CommaText.h"
#include "foundation/DriveUtils.h"
#include "foundation/FileUtils.h"
#include "foundation/MessageDialogs.h"
#include "foundation/MessageLoop.h"
#include "foundation/PathUtils.h"
#include "foundation/ShellFileOps.h"
#include "foundation/StatusView.h"
#include "foundation/StringUtils.h"
#include "foundation/Translate.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/StopSignals.h"
#include "tasks/BackupLog.h"
#include "tasks/BackupNames.h"
#include "tasks/BackupSelection.h"
#include "tasks/BackupTemporary.h"
#include "tasks/IniValues.h"
#include "tasks/Placeholders.h"
#include "tasks/ProgressView.h"
#include "tasks/RunLock.h"
#include "tasks/TaskChecks.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace {

constexpr uint32_t ColorRed = 0x0000FF;
constexpr uint32_t ColorBlue = 0xFF0000;

std::string CountText(const char* format, uint32_t value)
{
    const std::string text = TrDefault(format);
    const size_t pos = text.find("%u");
    return pos == std::string::npos ? text : text.substr(0, pos) + std::to_string(value) + text.substr(pos + 2);
}

// The first "%u" gets first, the second second.
std::string TwoCountsText(const char* format, uint32_t first, uint32_t second)
{
    std::string text = CountText(format, first);
    const size_t pos = text.find("%u");
    return pos == std::string::npos ? text : text.replace(pos, 2, std::to_string(second));
}

std::string DeletedText(bool filesMode, uint32_t count)
{
    return CountText(filesMode ? "%u files deleted" : TrNoopDefault("%u directories deleted"), count);
}

std::string UpperAscii(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

std::string JoinPath(const std::string& a, const std::string& b)
{
    if (a.empty()) {
        return b;
    }
    if (b.empty()) {
        return a;
    }
    return AddPathDelimiter(a) + b;
}

std::string DisplayName(const std::string& folder, const std::string& path)
{
    const std::string base = AddPathDelimiter(folder);
    return path.rfind(base, 0) == 0 ? path.substr(base.size()) : path;
}

bool IsMissingError(int error)
{
    return error == Platform::ErrorFileNotFound || error == Platform::ErrorPathNotFound;
}

bool IsFolderEntry(const Platform::TSearchRec& rec)
{
    return (rec.Attr & faDirectory) != 0;
}

// Entries of a folder, files and folders. links gets the full paths of the symbolic links
// the search passed over. A backup's temporaries and its work record are no files of the
// backup: the next backup tidies them after a run that died, by its record, and one
// running beside the clean-up still writes them.
template <class F> void ForEachEntry(const std::string& folder, F&& each, std::vector<std::string>& links)
{
    Platform::TSearchRec rec;
    if (Platform::FindFirst(AddPathDelimiter(folder) + "*", faAnyFile, rec) != 0) {
        return;
    }
    do {
        if (IsFolderEntry(rec) || !IsBackupLeftoverName(rec.Name)) {
            each(rec);
        }
    } while (Platform::FindNext(rec) == 0);
    for (const std::string& name : Platform::SkippedLinks(rec)) {
        links.push_back(AddPathDelimiter(folder) + name);
    }
    Platform::FindClose(rec);
}

// Removes the folders that lost files, and each parent up to and including the top folder,
// as long as they are empty. Folders that were empty before the run are left alone.
void RemoveEmptiedDirs(const std::string& top, const std::set<std::string>& touched)
{
    const std::string topPath = RemovePathDelimiter(top);
    std::vector<std::string> folders(touched.begin(), touched.end());
    std::sort(folders.begin(), folders.end(), [](auto& a, auto& b) { return a.size() > b.size(); });
    for (std::string dir : folders) {
        while (dir.size() >= topPath.size() && dir.rfind(topPath, 0) == 0) {
            if (Platform::RemoveDir(dir) != 0) {
                break;
            }
            if (dir.size() == topPath.size()) {
                break;
            }
            dir = RemovePathDelimiter(ExtractFilePath(dir));
        }
    }
}

// A candidate of the list; clean-up items have no destination.
TTransferItem CandidateItem(std::uint8_t kind, const std::string& text, const std::string& source,
                            std::uint32_t attributes = 0, std::uint32_t dosTime = 0, std::int64_t size = 0)
{
    return {text,
            TFileTransferInfo(kind, true, false, size, attributes, static_cast<std::int32_t>(dosTime), {}, source)};
}

std::uint32_t DosTimeOfUnix(int64_t unixTime)
{
    return static_cast<std::uint32_t>(DateTimeToDosTime(UnixToLocalDateTime(unixTime)));
}

} // namespace

// ---- selection rules ----------------------------------------------------------------------------

TCleanUpAge CleanUpAgeLimit(int ageMode, TDateTime picked, TDateTime now)
{
    static const char* const texts[] = {TrNoopDefault("all"), TrNoopDefault("older than 1 week"),
                                        TrNoopDefault("older than 4 weeks"), TrNoopDefault("older than 6 months"),
                                        TrNoopDefault("older than 1 year")};
    static const int days[] = {0, 7, 28, 183, 365};
    const TDateTime today = std::floor(now);
    TCleanUpAge age;
    TDateTime limit = 0;
    if (ageMode == CleanUpAgeOlderThan || ageMode == CleanUpAgeSince) {
        limit = std::floor(picked);
        age.Older = ageMode == CleanUpAgeOlderThan;
        age.Text =
            FormatText(TrDefault(age.Older ? "older than %s" : TrNoopDefault("all since %s")), TaskDateText(limit));
    } else {
        const int mode = ageMode >= 0 && ageMode <= CleanUpAgeYear ? ageMode : CleanUpAgeAll;
        limit = mode == CleanUpAgeAll ? now + 1 : today - days[mode];
        age.Text = TrDefault(texts[mode]);
    }
    age.Limit = LocalDateTimeToUnix(limit);
    return age;
}

bool AgeTaken(const TCleanUpAge& age, int64_t unixTime)
{
    const auto time = static_cast<uint64_t>(unixTime);
    const auto limit = static_cast<uint64_t>(age.Limit);
    return age.Older ? time < limit : time >= limit;
}

std::string CleanUpFileType(const std::string& name, bool compressed)
{
    return UpperAscii(GetExtension(RestoreNameOf(name, compressed).Restored));
}

std::string CleanUpTypesText(int typeRule, const std::string& typeText)
{
    switch (typeRule) {
    case CleanUpTypesOnly:
        return FormatText(TrDefault("of types \"%s\""), typeText);
    case CleanUpTypesExcept:
        return FormatText(TrDefault("except of types \"%s\""), typeText);
    default:
        return TrDefault("all");
    }
}

std::string CleanUpFilterText(bool regular, int filterMode, const std::string& filter)
{
    std::string text;
    if (filterMode == 1) {
        text = FormatText(TrDefault("only %s"), filter);
    } else if (filterMode == 2) {
        text = FormatText(TrDefault("except of %s"), filter);
    } else {
        return TrDefault("all");
    }
    return regular ? text + " (RE)" : text;
}

std::string CleanUpFtpText(const TFtpParams& ftp)
{
    return JobFtpText(ftp);
}

bool FolderReadable(const std::string& folder)
{
    if (folder.empty() || !Platform::DirectoryExists(folder)) {
        return false;
    }
    Platform::TSearchRec rec;
    const int result = Platform::FindFirst(AddPathDelimiter(folder) + "*", faAnyFile, rec);
    if (result == 0) {
        Platform::FindClose(rec);
    }
    return result == 0 || result == Platform::ErrorFileNotFound || result == Platform::ErrorNoMoreFiles;
}

bool FolderHoldsEntries(const std::string& folder)
{
    Platform::TSearchRec rec;
    if (folder.empty() || Platform::FindFirst(AddPathDelimiter(folder) + "*", faAnyFile, rec) != 0) {
        return false;
    }
    Platform::FindClose(rec);
    return true;
}

bool MostlyMissing(uint32_t missing, uint32_t compared)
{
    // A few orphans are what a clean-up is for, however few files were compared.
    constexpr uint32_t fewMissing = 10;
    return missing >= fewMissing && static_cast<uint64_t>(missing) * 2 > compared;
}

TRunOutcome RunOutcomeOf(TCleanUpOutcome outcome)
{
    switch (outcome) {
    case TCleanUpOutcome::Ok:
        return TRunOutcome::Ok;
    case TCleanUpOutcome::Warnings:
        return TRunOutcome::Warnings;
    default:
        return TRunOutcome::Failed;
    }
}

std::string CleanUpCaption()
{
    return TrDefault(" - Clean up backup directory");
}

std::string NoDirectoryText()
{
    return TrDefault("No directory specified");
}

std::string CouldNotFindDirText(const std::string& folder)
{
    return FormatText(TrDefault("Could not find directory: \"%s\""), folder);
}

// ---- the run --------------------------------------------------------------------------------------

namespace {

// The entries of an origin folder; false when what it holds cannot be told (a missing
// folder holds nothing).
bool ListOrigin(const std::string& folder, TOriginNames& names)
{
    Platform::TSearchRec rec;
    const int result = Platform::FindFirst(AddPathDelimiter(folder) + "*", faAnyFile, rec);
    if (result != 0) {
        return IsMissingError(result) || result == Platform::ErrorNoMoreFiles;
    }
    do {
        names.Add(rec.Name);
    } while (Platform::FindNext(rec) == 0);
    Platform::FindClose(rec);
    return true;
}

} // namespace

struct TCleanUp::TScan
{
    TTransferList List;
    std::vector<int> Owners; // for each item of List its origin folder in Origins, or -1
    uint32_t Counter = 0;
    bool Compressed = true;
    bool FilesMode = true;
    int TypeRule = 0;
    TCleanUpAge Age;
    int Sync = CleanUpSyncOff;
    std::vector<std::string> Links; // symbolic links met, left alone
    // A folder of the backup whose files are judged together: a source folder (the first
    // folder down a path that holds files), compared with its origin folder, or a folder
    // whose origin folder is away, with everything below it.
    struct TOriginFolder
    {
        std::string Path;      // in the origin
        bool Away = false;     // missing or empty: nothing of it was compared
        uint32_t Compared = 0; // files looked up there
        uint32_t Missing = 0;  // of them not there: its candidates
        bool Refused = false;  // too many missing to delete them unasked
        bool Confirmed = false;
        // Its files go only when a person selects them in the confirmation list.
        bool LeftOut() const { return (Away || Refused) && !Confirmed; }
    };
    std::vector<TOriginFolder> Origins;
    int Current = -1;        // the origin folder of the files scanned now
    std::string Origin;      // origin folder of the current scan
    std::string DriveFolder; // per-drive scans: the drive folder the relative paths begin with
    bool Ftp = false;
    bool Quiet = false;
    bool AllAges = false;
    std::string TypesText;
    std::string SyncText;

    // A stop signal ends a quiet scan as well: nothing is deleted after it.
    bool Cancelled() const { return Platform::StopRequested() || (!Quiet && TheStatusView().Cancelled()); }
    // A candidate that passed every test.
    void Add(TTransferItem item)
    {
        AddFolderRow(std::move(item));
        ++Counter;
    }
    // The row of a folder whose files follow.
    void AddFolderRow(TTransferItem item)
    {
        List.push_back(std::move(item));
        Owners.push_back(Current);
    }
    void EraseRow(size_t index)
    {
        List.erase(List.begin() + static_cast<std::ptrdiff_t>(index));
        Owners.erase(Owners.begin() + static_cast<std::ptrdiff_t>(index));
    }
    // The files from here on are judged with the origin folder; returns what to go back to
    // once the folder and those below it are done.
    int OpenOrigin(const std::string& path, bool away)
    {
        const int previous = Current;
        const auto same = std::find_if(Origins.begin(), Origins.end(),
                                       [&](const TOriginFolder& o) { return away && o.Away && o.Path == path; });
        Current = static_cast<int>(same - Origins.begin());
        if (same == Origins.end()) {
            Origins.push_back({path, away});
        }
        return previous;
    }
    bool InAway() const { return Current >= 0 && Origins[static_cast<size_t>(Current)].Away; }
    void NoteCompared(bool missing)
    {
        if (Current >= 0) {
            ++Origins[static_cast<size_t>(Current)].Compared;
            Origins[static_cast<size_t>(Current)].Missing += missing ? 1 : 0;
        }
    }
    // Whether the file of origin of a backup file in that origin folder is gone. Each origin
    // folder is listed once; one whose entries cannot be told keeps every backup file.
    bool OriginMissing(const std::string& folder, const std::string& backupName)
    {
        if (folder != ListedOrigin) {
            ListedOrigin = folder;
            OriginFiles = TOriginNames();
            OriginKnown = ListOrigin(folder, OriginFiles);
        }
        return OriginKnown && !OriginFiles.HasOriginOf(backupName);
    }
    std::string ListedOrigin;
    TOriginNames OriginFiles;
    bool OriginKnown = false;
    bool LeftOut(size_t row) const { return Owners[row] >= 0 && Origins[static_cast<size_t>(Owners[row])].LeftOut(); }
    // Nothing is left to compare: every origin folder was away or refused.
    bool NothingCompared() const
    {
        return !Origins.empty() &&
               std::all_of(Origins.begin(), Origins.end(), [](const TOriginFolder& o) { return o.LeftOut(); });
    }
    // Why each origin folder left out was left out.
    std::vector<std::string> Skipped() const;
};

std::vector<std::string> TCleanUp::TScan::Skipped() const
{
    std::vector<std::string> lines;
    for (const TOriginFolder& origin : Origins) {
        if (origin.LeftOut()) {
            lines.push_back(origin.Away ? CouldNotFindDirText(origin.Path)
                                        : TwoCountsText(TrNoopDefault("Nothing deleted: %u of %u files compared are "
                                                                      "missing in the origin (more than half)"),
                                                        origin.Missing, origin.Compared) +
                                              ": " + origin.Path);
        }
    }
    return lines;
}

TCleanUp::TCleanUp(TBackupLog& log, IProgressView& view, IStatusView& status)
    : BackupLog(log), View(view), Status(status)
{
    Settings.Date = ::Date();
}

TCleanUp::~TCleanUp() = default;

void TCleanUp::Log(int minMode, const std::string& line)
{
    BackupLog.WriteLog(line, LogMode >= minMode);
}

void TCleanUp::LogEnd(const std::string& status)
{
    BackupLog.WriteEndLine(LogNotePrefix + TrDefault("End") + ": " + DateTimeText(Now()), LogMode > 0);
    BackupLog.WriteEndLine("  Status: " + status, LogMode > 0);
    Log(1, "");
}

void TCleanUp::NotFound(const std::string& folder, bool quiet)
{
    Log(1, LogErrorPrefix + CouldNotFindDirText(folder));
    if (!quiet) {
        ErrorDialog({}, CouldNotFindDirText(folder));
    }
}

bool TCleanUp::ApplyFilter()
{
    NameFilter.IsRegEx = Settings.Regular;
    NameFilter.Mode = static_cast<uint8_t>(Settings.FilterMode);
    try {
        NameFilter.SetMask(Settings.Filter);
        return true;
    } catch (const std::exception& error) {
        Log(1, LogErrorPrefix + std::string(error.what()));
        return false;
    }
}

bool TCleanUp::FileSelected(TScan& scan, const std::string& name, int64_t unixTime)
{
    if (!AgeTaken(scan.Age, unixTime)) {
        return false;
    }
    if (scan.FilesMode && scan.TypeRule != CleanUpTypesAll) {
        const std::string type = CleanUpFileType(name, scan.Compressed);
        const bool listed = std::find(TypeItems.begin(), TypeItems.end(), type) != TypeItems.end();
        if (listed != (scan.TypeRule == CleanUpTypesOnly)) {
            return false;
        }
    }
    try {
        return NameFilter.Match(RemoveExtension(name));
    } catch (const std::exception&) {
        return false; // a regular expression that cannot finish selects nothing
    }
}

std::string TCleanUp::ResolveVolume(const std::string& folder, bool quiet)
{
    if (folder.empty() || folder.front() != ':') {
        return folder;
    }
    std::string rest = folder;
    const std::string label = ReadNextQuotedItem(rest, '\\', ':');
    for (;;) {
        std::string root;
        if (FindVolumeDrive(label, root)) {
            return AddPathDelimiter(root) + rest;
        }
        if (quiet || MessageDialog({},
                                   FormatText(TrDefault("Volume \"%s\" not found!"), label) + "\r\n" +
                                       TrDefault("Please insert media!"),
                                   TMsgDlgType::Confirmation, MbOkCancel) != MrOk) {
            return {};
        }
    }
}

namespace {

// An unmounted stick or share often leaves its empty mount folder behind.
bool OriginThere(const std::string& origin)
{
    return FolderReadable(origin) && FolderHoldsEntries(origin);
}

} // namespace

bool TCleanUp::OriginReady(const std::string& origin, bool quiet)
{
    if (OriginThere(origin)) {
        return true;
    }
    NotFound(origin, quiet);
    return false;
}

TOriginSync OriginSyncOf(const std::string& folder, bool ftpPage)
{
    TOriginSync sync;
    if (ftpPage) {
        sync.Refusal = TrDefault("Synchronizing to origin is not available with FTP");
        return sync;
    }
    sync.Origins = OriginOfBackupFolder(folder, true);
    if (sync.Origins.empty()) {
        for (const TDriveFolder& drive : DriveFoldersIn(folder, true)) {
            sync.Origins += (sync.Origins.empty() ? "" : ";") + drive.Origin;
        }
    }
    if (sync.Origins.empty()) {
        sync.Refusal = TrDefault("No synchronizing to origin possible");
    }
    return sync;
}

bool TCleanUp::FillOriginDirs(const std::string& folder, bool ftpPage, std::string& text, bool quiet)
{
    const TOriginSync sync = OriginSyncOf(folder, ftpPage);
    text = sync.Origins;
    if (!sync.Possible() && !quiet) {
        if (ftpPage) {
            InfoDialog({}, sync.Refusal);
        } else {
            ErrorDialog({}, sync.Refusal);
        }
    }
    return sync.Possible();
}

std::string TCleanUp::SyncRefusal() const
{
    if (!Settings.FilesMode || Settings.Sync != CleanUpSyncOrigin) {
        return {};
    }
    return OriginSyncOf(Settings.Directory, Settings.FtpBackup).Refusal;
}

void TCleanUp::ScanCleanUpDir(TScan& scan, const std::string& folder, const std::string& relative)
{
    if (scan.Cancelled()) {
        return;
    }
    const std::string current = JoinPath(RemovePathDelimiter(folder), relative);
    // Where this folder's files came from, when the run compares with an origin.
    std::string origin;
    std::string originRelative = relative;
    if (scan.Sync != CleanUpSyncOff) {
        origin = scan.Origin;
        // Only the drive folder itself is left out; folders below it keep their names,
        // "Lw" or not.
        if (!scan.DriveFolder.empty()) {
            originRelative = relative.size() > scan.DriveFolder.size() ? relative.substr(scan.DriveFolder.size() + 1)
                                                                       : std::string();
        }
    }
    // One listing serves the folder's files and the folders below it.
    std::vector<Platform::TFindData> files;
    std::vector<std::string> subfolders;
    ForEachEntry(
        current,
        [&](Platform::TSearchRec& rec) {
            if (IsFolderEntry(rec)) {
                subfolders.push_back(rec.Name);
            } else {
                files.push_back(std::move(rec.FindData));
            }
        },
        scan.Links);
    const std::string originFolder = JoinPath(RemovePathDelimiter(origin), originRelative);
    const int outer = EnterOrigin(scan, originFolder, scan.Sync != CleanUpSyncOff && !files.empty());
    size_t folderItem = std::string::npos;
    if (!relative.empty()) {
        folderItem = scan.List.size();
        scan.AddFolderRow(CandidateItem(TransferFolder, "..\\" + relative, current));
    }
    const uint32_t before = scan.Counter;
    for (const Platform::TFindData& file : files) {
        const int64_t time = Platform::UnixSecondsFromFileTime(file.LastWriteTime);
        if (FileSelected(scan, file.Name, time) && Candidate(scan, originFolder, file.Name)) {
            scan.Add(CandidateItem(TransferFile, file.Name, JoinPath(current, file.Name), file.Attr,
                                   FileTimeToDosTime(file.LastWriteTime), static_cast<std::int64_t>(file.Size)));
        }
        ProcessMessagesWhenDue();
    }
    EndFolderScan(scan, folderItem, before);
    for (const std::string& name : subfolders) {
        ScanCleanUpDir(scan, folder, JoinPath(relative, name));
    }
    scan.Current = outer;
}

int TCleanUp::EnterOrigin(TScan& scan, const std::string& originFolder, bool holdsFiles)
{
    const int outer = scan.Current;
    if (!holdsFiles || scan.InAway()) {
        return outer;
    }
    // Wherever a folder of copies sits, an origin folder that is missing or empty (a stick
    // unplugged from its mount folder, a share not mounted) is away: its files are not
    // compared. The first folder down a path that holds files is a source folder of the
    // backup, judged on its own.
    if (!OriginThere(originFolder)) {
        // Named by the outermost folder on the way that is away too: the mount folder rather
        // than a folder on the stick.
        std::string away = originFolder;
        const size_t root = RemovePathDelimiter(scan.Origin).size();
        for (std::string up = ExtractParentDir(away); up.size() > root && up != away && !OriginThere(up);
             up = ExtractParentDir(up)) {
            away = up;
        }
        scan.OpenOrigin(away, true);
    } else if (outer < 0) {
        scan.OpenOrigin(originFolder, false);
    }
    return outer;
}

bool TCleanUp::Candidate(TScan& scan, const std::string& originFolder, const std::string& name)
{
    if (scan.Sync == CleanUpSyncOff || scan.InAway()) {
        return true;
    }
    const bool missing = scan.OriginMissing(originFolder, name);
    scan.NoteCompared(missing);
    return missing;
}

void TCleanUp::EndFolderScan(TScan& scan, size_t folderItem, uint32_t countBefore)
{
    // A folder without candidates is no row of the list.
    if (scan.Counter == countBefore && folderItem != std::string::npos) {
        scan.EraseRow(folderItem);
    }
    if (!scan.Quiet) {
        Status.ShowProgress(TrDefault("Found: ") + CountText("%u files", scan.Counter));
    }
}

void TCleanUp::ScanRootFolders(TScan& scan, const std::string& folder)
{
    ForEachEntry(
        folder,
        [&](const Platform::TSearchRec& rec) {
            const int64_t time = Platform::UnixSecondsFromFileTime(rec.FindData.LastWriteTime);
            if (IsFolderEntry(rec) && FileSelected(scan, rec.Name, time)) {
                scan.Add(CandidateItem(TransferFolder, rec.Name, JoinPath(RemovePathDelimiter(folder), rec.Name),
                                       rec.Attr, FileTimeToDosTime(rec.FindData.LastWriteTime)));
            }
            ProcessMessagesWhenDue();
        },
        scan.Links);
}

void TCleanUp::ShowScanning(bool quiet)
{
    if (!quiet) {
        ShowStatusWindow(ProductText + TrDefault(" - Clean up"), TrDefault("Scanning directories"), 5, true);
    }
}

TCleanUpOutcome TCleanUp::ScanAccepted(bool quiet, bool interactive, const std::string& folder, TScan& scan)
{
    if (!quiet) {
        const bool cancelled = TheStatusView().Cancelled();
        HideStatusWindow();
        if (cancelled) {
            return TCleanUpOutcome::Cancelled;
        }
    }
    RefuseMostlyMissing(scan);
    if (interactive) {
        return ConfirmList(folder, scan) ? TCleanUpOutcome::Ok : TCleanUpOutcome::Cancelled;
    }
    // Without the list, what only a person may confirm stays; the rest goes.
    for (size_t row = scan.List.size(); row-- > 0;) {
        if (scan.LeftOut(row)) {
            scan.Counter -= scan.List[row].Info.IsFolder() ? 0 : 1;
            scan.EraseRow(row);
        }
    }
    const std::vector<std::string> skipped = scan.Skipped();
    if (!skipped.empty() && !quiet) {
        std::string text;
        for (const std::string& line : skipped) {
            text += (text.empty() ? "" : "\r\n") + line;
        }
        ErrorDialog({}, text);
    }
    if (scan.NothingCompared()) {
        for (const std::string& line : skipped) {
            Log(1, LogErrorPrefix + line);
        }
        return TCleanUpOutcome::Failed;
    }
    return TCleanUpOutcome::Ok;
}

bool TCleanUp::ConfirmList(const std::string& folder, TScan& scan)
{
    // What a run without the list would leave is listed unselected: a person may select it.
    for (size_t row = 0; row < scan.List.size(); ++row) {
        scan.List[row].Info.Selected = !scan.LeftOut(row);
    }
    std::string leftOut;
    for (const TScan::TOriginFolder& origin : scan.Origins) {
        leftOut += origin.Away ? CouldNotFindDirText(origin.Path) + "\r\n" : std::string();
    }
    TConfirmRequest request;
    request.Mode = scan.FilesMode ? TConfirmMode::DeleteFiles : TConfirmMode::DeleteFolders;
    request.BaseFolder = folder;
    request.Count = static_cast<int>(scan.Counter);
    request.Line1 = scan.FilesMode ? FormatText(TrDefault("Mode: %s"), scan.TypesText) : TrDefault("Directories only");
    request.Line2 = FormatText(TrDefault("Age: %s"), scan.Age.Text);
    request.Line3 =
        FormatText(TrDefault("Filter: %s"), CleanUpFilterText(Settings.Regular, Settings.FilterMode, Settings.Filter));
    // The origin folders that lost most of their files, together.
    uint32_t missing = 0;
    uint32_t compared = 0;
    for (const TScan::TOriginFolder& origin : scan.Origins) {
        if (origin.Refused) {
            missing += origin.Missing;
            compared += origin.Compared;
        }
    }
    if (missing > 0) {
        request.Warning =
            TwoCountsText(TrNoopDefault("Warning: %u of %u files compared are missing in the origin (more than half)!"),
                          missing, compared) +
            "\r\n";
    }
    if (missing > 0 || !leftOut.empty()) {
        request.Warning += leftOut + TrDefault("Their files are not selected: select them to delete them anyway.");
    }
    if (!ConfirmFiles(request, scan.List)) {
        return false;
    }
    // A folder left out whose files the person selected is confirmed.
    for (size_t row = 0; row < scan.List.size(); ++row) {
        if (scan.Owners[row] >= 0 && scan.List[row].Info.Selected && !scan.List[row].Info.IsFolder()) {
            scan.Origins[static_cast<size_t>(scan.Owners[row])].Confirmed = true;
        }
    }
    return true;
}

void TCleanUp::RefuseMostlyMissing(TScan& scan)
{
    // A source that is away (renamed, not mounted) looks like one whose files were all
    // deleted: only a person who sees the list may confirm that.
    for (TScan::TOriginFolder& origin : scan.Origins) {
        origin.Refused = !origin.Away && MostlyMissing(origin.Missing, origin.Compared);
    }
}

void TCleanUp::LogStart(const std::string& folder, const TScan& scan)
{
    if (LogMode <= 0) {
        return;
    }
    BackupLog.WriteLogHeader(TrDefault(" - Clean up"));
    std::string start = LogStatusPrefix + TrDefault("Start") + ": " + DateTimeText(Now());
    if (TaskLoaded) {
        start += " - " + TrDefault("Clean up task: ") + ExtractFileName(TaskFileName);
    }
    BackupLog.WriteLog(start);
    BackupLog.WriteLog("  " + TrDefault("Directory ") + folder);
    std::string selection = "  " + TrDefault("Selection: ") + scan.Age.Text;
    if (Settings.FilterMode != 0) {
        selection += " [" + CleanUpFilterText(Settings.Regular, Settings.FilterMode, Settings.Filter) + "]";
    }
    if (scan.FilesMode && scan.TypeRule != CleanUpTypesAll) {
        selection += " " + scan.TypesText;
    }
    if (!scan.SyncText.empty()) {
        selection += " " + scan.SyncText;
    }
    BackupLog.WriteLog(selection);
    // Links are never followed nor deleted; each one met is named once.
    for (const std::string& link : scan.Links) {
        BackupLog.WriteLog(LogNotePrefix + TrDefault("Symbolic link in the backup, left alone: ") + link);
    }
    for (const std::string& line : scan.Skipped()) {
        BackupLog.WriteLog(LogErrorPrefix + line);
    }
}

TCleanUpOutcome TCleanUp::Finish(bool cancelled, int closeDelay, size_t skipped)
{
    const bool filesMode = Settings.FilesMode;
    const std::string action = TrDefault("Clean up completed");
    std::string status;
    TCleanUpOutcome outcome = TCleanUpOutcome::Ok;
    if (cancelled) {
        View.Finish(FinishCancelled, action, TrDefault("Cancelled by user"), ColorRed, -1);
        status = TrDefault("Cancelled by user");
        outcome = TCleanUpOutcome::Cancelled;
    } else if (ErrorCount > 0) {
        status = CountText("%u error(s) on deleting", ErrorCount);
        View.Finish(FinishWarnings, action, status + " - " + DeletedText(filesMode, Deleted), ColorRed, 0);
        outcome = TCleanUpOutcome::Errors;
    } else if (skipped > 0) {
        status = CountText("%u directories skipped", static_cast<uint32_t>(skipped));
        View.Finish(FinishWarnings, action, status + " - " + DeletedText(filesMode, Deleted), ColorRed, 0);
        outcome = TCleanUpOutcome::Warnings;
    } else {
        View.Finish(FinishOk, action, DeletedText(filesMode, Deleted), ColorBlue, closeDelay);
        status = "OK";
    }
    LogEnd(status + " (" + DeletedText(filesMode, Deleted) + ")");
    return outcome;
}

namespace {

int RunCloseDelay(int closeDelay, bool quiet, bool interactive)
{
    if (quiet) {
        return -closeDelay - (closeDelay == 0 ? 1 : 0);
    }
    return interactive ? 0 : closeDelay;
}

std::vector<std::string> TypeItemsOf(const std::string& typeText)
{
    std::vector<std::string> items;
    for (std::string item : SplitCommaText(typeText)) {
        item = TrimText(item);
        if (!item.empty() && item.front() == '.') {
            item.erase(0, 1);
        }
        if (!item.empty()) {
            items.push_back(UpperAscii(item));
        }
    }
    return items;
}

} // namespace

TCleanUpOutcome TCleanUp::RunCleanUp(const std::string& folderText, const std::string& typeText, int closeDelay,
                                     bool quiet, bool interactive, bool recycleBin, bool compressed, int typeRule,
                                     int ageMode)
{
    Deleted = ErrorCount = 0;
    const std::string folder = RemovePathDelimiter(ResolveVolume(folderText, quiet));
    if (folder.empty() || !FolderReadable(folder)) {
        NotFound(folderText, quiet);
        return TCleanUpOutcome::Failed;
    }
    if (!ApplyFilter()) {
        return TCleanUpOutcome::Failed;
    }
    TScan scan;
    scan.Quiet = quiet;
    scan.Compressed = compressed;
    scan.FilesMode = Settings.FilesMode;
    scan.TypeRule = typeRule;
    scan.Age = CleanUpAgeLimit(ageMode, Settings.Date, Now());
    scan.TypesText = CleanUpTypesText(typeRule, typeText);
    scan.Sync = Settings.FilesMode ? Settings.Sync : CleanUpSyncOff;
    TypeItems = TypeItemsOf(typeText);
    const int delay = RunCloseDelay(closeDelay, quiet, interactive);

    // Which origins the files are compared with; each must be readable before anything goes.
    struct TOriginScan
    {
        std::string Relative; // where it starts in the folder
        std::string Origin;
        bool Away = false; // a drive that is not there: its files are not compared
    };
    std::vector<TOriginScan> scans;
    if (scan.Sync == CleanUpSyncFolder) {
        if (!OriginReady(Settings.SyncDir, quiet)) {
            return TCleanUpOutcome::Failed;
        }
        scan.Origin = RemovePathDelimiter(Settings.SyncDir);
        scan.SyncText = FormatText(TrDefault("synchronized to %s"), ShortenPath(Settings.SyncDir, 40));
        scans.push_back({"", scan.Origin});
    } else if (scan.Sync == CleanUpSyncOrigin) {
        scan.SyncText = TrDefault("synchronized to origin");
        const std::string origin = OriginOfBackupFolder(folder, true);
        if (!origin.empty()) {
            if (!OriginReady(origin, quiet)) {
                return TCleanUpOutcome::Failed;
            }
            scans.push_back({"", origin});
        } else {
            const std::vector<TDriveFolder> drives = DriveFoldersIn(folder, true);
            if (drives.empty()) {
                Log(1, LogErrorPrefix + TrDefault("No synchronizing to origin possible"));
                if (!quiet) {
                    ErrorDialog({}, TrDefault("No synchronizing to origin possible"));
                }
                return TCleanUpOutcome::Failed;
            }
            for (const TDriveFolder& drive : drives) {
                // A drive that is not there is left out; the others are cleaned.
                scans.push_back({DisplayName(folder, drive.Folder), drive.Origin, !OriginThere(drive.Origin)});
            }
        }
    } else {
        scans.push_back({"", ""});
    }

    // From the scan on the folder is this run's alone: what it finds decides what goes.
    std::string waitNote;
    const auto lock = LockRunFolder(
        std::make_unique<Platform::TFolderLock>(folder), [this] { return RunCancelled(View); },
        [&] { waitNote = LogNotePrefix + WaitingForRunText(folder); });
    if (!lock) {
        return TCleanUpOutcome::Cancelled;
    }
    ShowScanning(quiet);
    if (!scan.FilesMode) {
        ScanRootFolders(scan, folder);
    } else {
        for (const TOriginScan& origin : scans) {
            scan.Origin = origin.Origin;
            scan.DriveFolder = scan.Sync == CleanUpSyncOrigin ? origin.Relative : std::string();
            scan.Current = origin.Away ? scan.OpenOrigin(origin.Origin, true) : -1;
            ScanCleanUpDir(scan, folder, origin.Relative);
            scan.Current = -1;
        }
    }
    if (const TCleanUpOutcome accepted = ScanAccepted(quiet, interactive, folder, scan);
        accepted != TCleanUpOutcome::Ok) {
        return accepted;
    }
    LogStart(AddPathDelimiter(folder), scan);
    if (!waitNote.empty()) {
        Log(1, waitNote);
    }
    View.Start(nullptr, ProductText + TrDefault(" - Clean up"), folder, delay);
    if (scan.FilesMode) {
        DeleteFileList(folder, scan.List, recycleBin);
    } else {
        DeleteDirList(folder, scan.List, recycleBin);
    }
    return Finish(RunCancelled(View), delay, scan.Skipped().size());
}

void TCleanUp::DeleteFileList(const std::string& folder, TTransferList& list, bool recycleBin)
{
    std::set<std::string> touched;
    for (size_t i = 0; i < list.size(); ++i) {
        const TFileTransferInfo& item = list[i].Info;
        if (item.IsFolder() || !item.Selected) {
            continue;
        }
        const std::string display = DisplayName(folder, item.Source);
        if (RunCancelled(View)) {
            return;
        }
        View.ShowFile(ItemFile, TrDefault("is being deleted"), display);
        View.SetFileProgress(0);
        View.SetTotalProgress(std::lround(100.0 / static_cast<double>(list.size()) * static_cast<double>(i)));
        ProcessMessagesWhenDue();
        const bool deleted = Platform::SetFileAttributes(item.Source, faArchive) == 0 &&
                             ShellDeleteFiles(item.Source, recycleBin, TrDefault("Delete file"));
        if (deleted) {
            ++Deleted;
            touched.insert(RemovePathDelimiter(ExtractFilePath(item.Source)));
            Log(2, LogFilePrefix + TrDefault("Delete: ") + display);
        } else {
            ++ErrorCount;
            Log(1, LogErrorPrefix + TrDefault("Delete: ") + display);
        }
    }
    RemoveEmptiedDirs(folder, touched);
}

void TCleanUp::DeleteDirList(const std::string& folder, TTransferList& list, bool recycleBin)
{
    for (size_t i = 0; i < list.size(); ++i) {
        const TFileTransferInfo& item = list[i].Info;
        if (!item.Selected) {
            continue;
        }
        const std::string display = DisplayName(folder, item.Source);
        if (RunCancelled(View)) {
            return;
        }
        View.ShowFile(ItemDirectory, TrDefault("is being deleted"), display);
        View.SetTotalProgress(std::lround(100.0 / static_cast<double>(list.size()) * static_cast<double>(i)));
        ProcessMessagesWhenDue();
        Platform::SetFileAttributes(item.Source, faArchive | faDirectory);
        ShellDeleteTree(item.Source, recycleBin, TrDefault("Delete: ") + display);
        if (!Platform::AnyExists(item.Source)) {
            ++Deleted;
            Log(2, LogFilePrefix + TrDefault("Delete: ") + display);
        } else {
            ++ErrorCount;
            Log(1, LogErrorPrefix + FormatText(TrDefault("Could not delete \"%s\""), display));
        }
    }
}

// ---- FTP ------------------------------------------------------------------------------------------

bool TCleanUp::ConnectFtp(bool quiet)
{
    const TFtpParams& params = Settings.Ftp;
    Ftp = std::make_unique<TExtFtp>();
    Ftp->Host = params.Host;
    Ftp->Port = static_cast<uint16_t>(params.Port);
    Ftp->Username = params.Username.empty() ? "anonymous" : params.Username;
    Ftp->Passive = params.Passive;
    Ftp->NameCase = params.NameCase;
    Ftp->TransferTimeout = 30000;
    Ftp->Password = params.Password;
    const auto ask = [&](const std::string& text, std::string& password) {
        return !quiet && AskPassword && AskPassword(FtpConnectionCaption(), text, password);
    };
    if (!params.Username.empty() && Ftp->Password.empty() &&
        !ask(FtpPasswordNeededText(params.Host, Ftp->Port, params.Username), Ftp->Password)) {
        return false;
    }
    if (params.Proxy.ProxyType != 0) {
        Ftp->Proxy.Type = static_cast<TFtpProxyType>(params.Proxy.ProxyType);
        Ftp->Proxy.Host = params.Proxy.Server;
        Ftp->Proxy.Port = static_cast<uint16_t>(params.Proxy.Port);
        Ftp->Proxy.Username = params.Proxy.Username;
        Ftp->Proxy.Password = params.Proxy.Password;
        if (!params.Proxy.Username.empty() && Ftp->Proxy.Password.empty() &&
            !ask(FtpProxyPasswordNeededText(params.Proxy.Server, Ftp->Proxy.Port, params.Proxy.Username),
                 Ftp->Proxy.Password)) {
            return false;
        }
    }
    if (!Ftp->Connect()) {
        return false;
    }
    // Entering the folder must not create it: a clean-up never changes what it looks at.
    const std::string folder = BackslashToSlash(params.SubDir);
    if (!folder.empty() && !Ftp->ChangeDir(folder)) {
        Ftp->Disconnect();
        return false;
    }
    return Ftp->PrintWorkingDir(FtpStartDir);
}

bool TCleanUp::ReconnectFtp()
{
    Ftp->Disconnect();
    return Ftp->Connect() && Ftp->ChangeDir(FtpStartDir);
}

bool TCleanUp::EnterFtpFolder(const std::string& relative)
{
    return Ftp->ChangeDir(relative.empty() ? FtpStartDir : JoinFtpPath(FtpStartDir, relative));
}

void TCleanUp::ScanFtpCleanUpDir(TScan& scan, const std::string& relative)
{
    if (scan.Cancelled() || !EnterFtpFolder(relative)) {
        if (!relative.empty() && !scan.Cancelled()) {
            ++ErrorCount;
            Log(1, LogErrorPrefix + CouldNotFindDirText(relative));
        }
        return;
    }
    if (!scan.FilesMode) {
        std::vector<TFtpListItem> dirs;
        Ftp->FillDirList(dirs);
        for (const TFtpListItem& entry : dirs) {
            if ((entry.HasTime || scan.AllAges) && FileSelected(scan, entry.Name, entry.ModifiedUnix)) {
                scan.Add(CandidateItem(TransferFolder, entry.Name, entry.Name, 0, DosTimeOfUnix(entry.ModifiedUnix)));
            }
        }
        return;
    }
    const bool listed = Ftp->FillFileList();
    const std::string originFolder = JoinPath(scan.Origin, SlashToBackslash(relative));
    const int outer = EnterOrigin(scan, originFolder, scan.Sync != CleanUpSyncOff && listed && !Ftp->Listing.empty());
    size_t folderItem = std::string::npos;
    if (!relative.empty()) {
        // A folder item's source is its path relative to the start folder.
        folderItem = scan.List.size();
        scan.AddFolderRow(CandidateItem(TransferFolder, "../" + relative, relative));
    }
    const uint32_t before = scan.Counter;
    for (const TFtpListItem& entry : listed ? Ftp->Listing : std::vector<TFtpListItem>()) {
        // A listing without a usable time would make every file look old: such files go
        // only when every age is taken.
        if ((entry.HasTime || scan.AllAges) && FileSelected(scan, entry.Name, entry.ModifiedUnix) &&
            Candidate(scan, originFolder, entry.Name)) {
            scan.Add(CandidateItem(TransferFile, entry.Name,
                                   relative.empty() ? entry.Name : relative + "/" + entry.Name, 0,
                                   DosTimeOfUnix(entry.ModifiedUnix), std::max<int64_t>(entry.Size, 0)));
        }
        ProcessMessagesWhenDue();
    }
    EndFolderScan(scan, folderItem, before);
    std::vector<TFtpListItem> dirs;
    Ftp->FillDirList(dirs);
    for (const TFtpListItem& dir : dirs) {
        ScanFtpCleanUpDir(scan, relative.empty() ? dir.Name : relative + "/" + dir.Name);
    }
    scan.Current = outer;
}

TCleanUpOutcome TCleanUp::RunFtpCleanUp(const std::string& typeText, int ageMode, int closeDelay, bool quiet,
                                        bool interactive, bool compressed, int typeRule)
{
    Deleted = ErrorCount = 0;
    const std::string ftpText = CleanUpFtpText(Settings.Ftp);
    if (!Ftp || !ApplyFilter()) {
        return TCleanUpOutcome::Failed;
    }
    TScan scan;
    scan.Ftp = true;
    scan.Quiet = quiet;
    scan.Compressed = compressed;
    scan.FilesMode = Settings.FilesMode;
    scan.TypeRule = typeRule;
    scan.Age = CleanUpAgeLimit(ageMode, Settings.Date, Now());
    scan.AllAges = ageMode == CleanUpAgeAll;
    scan.TypesText = CleanUpTypesText(typeRule, typeText);
    scan.Sync = Settings.FilesMode ? Settings.Sync : CleanUpSyncOff;
    TypeItems = TypeItemsOf(typeText);
    const int delay = RunCloseDelay(closeDelay, quiet, interactive);
    if (scan.Sync == CleanUpSyncOrigin) {
        // A remote folder has no origin on this machine.
        Log(1, LogErrorPrefix + TrDefault("Synchronizing to origin is not available with FTP"));
        if (!quiet) {
            InfoDialog({}, TrDefault("Synchronizing to origin is not available with FTP"));
        }
        Ftp->Disconnect();
        return TCleanUpOutcome::Failed;
    }
    if (scan.Sync == CleanUpSyncFolder) {
        if (!OriginReady(Settings.SyncDir, quiet)) {
            Ftp->Disconnect();
            return TCleanUpOutcome::Failed;
        }
        scan.Origin = RemovePathDelimiter(Settings.SyncDir);
        scan.SyncText = FormatText(TrDefault("synchronized to %s"), ShortenPath(Settings.SyncDir, 40));
    }
    // As for a local folder: from the scan on the server folder is this run's alone.
    std::string waitNote;
    std::string lockFailed;
    const auto lock = LockRunFolder(
        FtpFolderLock(Settings.Ftp.Host, Settings.Ftp.Port, Settings.Ftp.SubDir), [this] { return RunCancelled(View); },
        [&] { waitNote = LogNotePrefix + WaitingForRunText(ftpText); }, &lockFailed);
    if (!lock) {
        Ftp->Disconnect();
        if (lockFailed.empty()) {
            return TCleanUpOutcome::Cancelled;
        }
        // Never unlocked: a backup into the same folder could lose what is deleted beside it.
        Log(1, LogErrorPrefix + lockFailed);
        if (!quiet) {
            ErrorDialog({}, lockFailed);
        }
        return TCleanUpOutcome::Failed;
    }
    // The server may have given up the idle connection meanwhile.
    if (!waitNote.empty() && !ReconnectFtp()) {
        return TCleanUpOutcome::Failed;
    }
    ShowScanning(quiet);
    ScanFtpCleanUpDir(scan, "");
    Ftp->Disconnect();
    if (const TCleanUpOutcome accepted = ScanAccepted(quiet, interactive, ftpText, scan);
        accepted != TCleanUpOutcome::Ok) {
        return accepted;
    }
    LogStart(ftpText, scan);
    if (!waitNote.empty()) {
        Log(1, waitNote);
    }
    View.Start(nullptr, ProductText + TrDefault(" - Clean up"), ftpText, delay);
    if (!ReconnectFtp()) {
        const std::string failed = FtpConnectionFailedText();
        View.Finish(FinishWarnings, TrDefault("Clean up completed"), failed, ColorRed, 0);
        LogEnd(failed);
        return TCleanUpOutcome::Failed;
    }
    if (scan.FilesMode) {
        DeleteFtpFileList(scan.List);
    } else {
        DeleteFtpDirList(scan.List);
    }
    Ftp->Disconnect();
    return Finish(RunCancelled(View), delay, scan.Skipped().size());
}

void TCleanUp::DeleteFtpFileList(TTransferList& list)
{
    bool inFolder = true; // the start folder was entered on connecting
    for (size_t i = 0; i < list.size(); ++i) {
        const TFileTransferInfo& item = list[i].Info;
        if (item.IsFolder()) {
            inFolder = EnterFtpFolder(item.Source);
            if (!inFolder) {
                Log(1, LogErrorPrefix + CouldNotFindDirText(item.Source));
            }
            continue;
        }
        if (!item.Selected) {
            continue;
        }
        if (RunCancelled(View)) {
            break;
        }
        View.ShowFile(ItemFile, TrDefault("is being deleted"), item.Source);
        View.SetFileProgress(0);
        View.SetTotalProgress(std::lround(100.0 / static_cast<double>(list.size()) * static_cast<double>(i)));
        ProcessMessagesWhenDue();
        if (inFolder && Ftp->DeleteFile(list[i].Text)) {
            ++Deleted;
            Log(2, LogFilePrefix + TrDefault("Delete: ") + item.Source);
        } else {
            ++ErrorCount;
            Log(1, LogErrorPrefix + TrDefault("Delete: ") + item.Source);
        }
    }
    EnterFtpFolder("");
}

void TCleanUp::DeleteFtpDirList(TTransferList& list)
{
    for (size_t i = 0; i < list.size(); ++i) {
        const TFileTransferInfo& item = list[i].Info;
        if (!item.Selected) {
            continue;
        }
        if (RunCancelled(View)) {
            break;
        }
        View.ShowFile(ItemDirectory, TrDefault("is being deleted"), item.Source);
        View.SetTotalProgress(std::lround(100.0 / static_cast<double>(list.size()) * static_cast<double>(i)));
        ProcessMessagesWhenDue();
        int counter = 0;
        // The tree is deleted from the start folder, and only when that is where we stand.
        if (EnterFtpFolder("") && Ftp->DeleteTree(item.Source, counter)) {
            ++Deleted;
            Log(2, LogFilePrefix + TrDefault("Delete: ") + item.Source);
        } else {
            ++ErrorCount;
            Log(1, LogErrorPrefix + FormatText(TrDefault("Could not delete \"%s\""), item.Source));
        }
    }
}

// ---- batch ------------------------------------------------------------------------------------------

void TCleanUp::RememberOwnSettings()
{
    Own.Remember(Settings, TaskLoaded);
}

void TCleanUp::RestoreOwnSettings()
{
    // The synchronisation folder is the dialog's current choice, never a task's.
    const std::string syncDir = Settings.SyncDir;
    if (Own.PutBack(Settings)) {
        Settings.SyncDir = syncDir;
    }
    TaskLoaded = false;
}

bool TCleanUp::LoadTask(const std::string& fileName)
{
    RememberOwnSettings();
    if (!LoadCleanUpTask(fileName, Settings)) {
        return false;
    }
    TaskFileName = fileName;
    TaskLoaded = true;
    return true;
}

bool TCleanUp::SaveTask(const std::string& fileName)
{
    if (!SaveCleanUpTask(fileName, Settings, ProductText, FileVersion)) {
        return false;
    }
    TaskFileName = fileName;
    return true;
}

void TCleanUp::LoadFromIni(const std::string& settingsFile, const std::string& fallbackFile)
{
    if (SettingsFile.empty() && (!settingsFile.empty() || !fallbackFile.empty())) {
        SettingsFile = settingsFile.empty() ? fallbackFile : settingsFile;
        if (const std::string source = JobSettingsSource(settingsFile, fallbackFile); !source.empty()) {
            const TIniFile ini(source);
            ReadCleanUpSettings(ini, Settings);
            TCleanUpHistories histories;
            ReadCleanUpHistories(ini, histories);
            FolderHistory = histories.Folders;
            SyncDirHistory = histories.SyncDirs;
        }
    }
    Settings.Sync = CleanUpSyncOff;
    Settings.Directory = FolderHistory.empty() ? Settings.Directory : FolderHistory.front();
    Settings.SyncDir = SyncDirHistory.empty() ? Settings.SyncDir : SyncDirHistory.front();
    Own.Forget();
    TaskLoaded = false;
}

void TCleanUp::WriteToIni()
{
    if (SettingsFile.empty()) {
        return;
    }
    // What a loaded task set is not the user's own choice.
    RestoreOwnSettings();
    TIniFile ini(SettingsFile);
    WriteCleanUpSettings(ini, Settings);
    WriteCleanUpHistories(ini, {FolderHistory, SyncDirHistory});
    ini.UpdateFile();
}

TCleanUpOutcome TCleanUp::AutoCleanUp(const std::string& taskList, int logMode, bool quiet, int closeDelay)
{
    LogMode = logMode;
    TCleanUpOutcome worst = TCleanUpOutcome::Ok;
    const auto note = [&](TCleanUpOutcome outcome) {
        if (static_cast<int>(outcome) > static_cast<int>(worst)) {
            worst = outcome;
        }
    };
    std::string rest = taskList;
    while (!rest.empty()) {
        const size_t comma = rest.find(',');
        std::string item = TrimText(rest.substr(0, comma));
        rest = comma == std::string::npos ? std::string() : rest.substr(comma + 1);
        if (item.empty()) {
            continue;
        }
        // After a stop signal the batch ends with the run it cancelled.
        if (Platform::StopRequested()) {
            note(TCleanUpOutcome::Failed);
            break;
        }
        const std::string file = ExpandFileNameDefaults(ExpandPlaceholders(true, item), TaskDir, "cuj");
        // A task that cannot be read has not run: the batch must not end as if it had.
        const char* refused = !Platform::FileExists(file) ? TrNoopDefault("Clean-up task file not found: %s")
                              : !LoadTask(file)           ? TrNoopDefault("Not a clean-up task file: %s")
                                                          : nullptr;
        if (refused) {
            ReportRefusedJob(BackupLog, LogMode, TrDefault(" - Clean up"), FormatText(TrDefault(refused), file));
            note(TCleanUpOutcome::Failed);
            continue;
        }
        const int typeRule = Settings.Types;
        if (!Settings.FtpBackup && !FullFolderText(Settings.Directory)) {
            ReportRefusedJob(BackupLog, LogMode, TrDefault(" - Clean up"),
                             UnvalidJobText(TrDefault("Clean up task: "), file));
            note(TCleanUpOutcome::Failed);
        } else if (!Settings.FtpBackup) {
            // A volume label is looked up first: the folder exists only on the inserted medium.
            const std::string folder = ResolveVolume(Settings.Directory, quiet);
            if (!Settings.Directory.empty() && !folder.empty() && FolderReadable(folder)) {
                note(RunCleanUp(folder, Settings.TypeList, closeDelay, quiet, false, Settings.UseRecycler,
                                Settings.Compressed, typeRule, Settings.AgeMode));
            } else {
                Log(1, LogErrorPrefix + CouldNotFindDirText(Settings.Directory));
                note(TCleanUpOutcome::Failed);
            }
        } else if (ConnectFtp(quiet)) {
            note(RunFtpCleanUp(Settings.TypeList, Settings.AgeMode, closeDelay, quiet, false, Settings.Compressed,
                               typeRule));
            Ftp.reset();
        } else {
            Log(1, LogErrorPrefix + FtpConnectionFailedText() + ": " + CleanUpFtpText(Settings.Ftp));
            Ftp.reset();
            note(TCleanUpOutcome::Failed);
        }
    }
    RestoreOwnSettings();
    return worst;
}
