#pragma once

// The task model: everything a backup task consists of, in one place.
//
// The task editor shows and edits a TBackupTask, the task file reads and writes
// it (tasks/TaskFile.h), the scan and the run take it. No window keeps task state
// of its own: a window fills its controls from the model and writes user changes
// back (setting Modified), nothing else.
//
//   TBackupTask       options, destination, FTP and mail records, source entries
//   TExtensionList    one source entry: type lists with counters, name and
//                     extension filters, date, size and attribute tests, folder
//                     masks and excluded subfolders, the entry's statistics
//   TNamedTypeLists   the named file-type lists of the settings and ".but" files
//                     (TExtensionList with only Mode and one type list in use)
//   TAutoTask         one of the eight automatic-task slots (tasks/Settings.h)
//
// Loading a task: clear Sources, then ReadTaskFile(task, file, true, ...).
// Importing folders: ReadTaskFile(task, file, false, ...) appends entries.
// Before counting, an entry's counters are reset (ResetCounters); entries with
// NeedsScan set have no valid counters yet.
//
// Dates and times are day counts since 1899-12-30 with the time of day as the
// fraction (foundation/DateUtils.h). Paths are Windows path text; names and
// types compare without regard to case.

#include "foundation/TextFilter.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// ---- per-type counter -------------------------------------------------------

// Number and bytes of the files of one type, found by the scan or the run.
struct TSizeCount
{
    int32_t Count = 0;
    int64_t Size = 0;

    void Reset() { *this = {}; }
    bool operator==(const TSizeCount&) const = default;
};

// ---- date test of a source folder -------------------------------------------

// TimeMode values of TDateFilter.
enum : uint8_t
{
    TimeModeAny = 0,       // every date passes
    TimeModeFrom = 1,      // from DateFrom
    TimeModeUntil = 2,     // up to DateTo
    TimeModeBetween = 3,   // DateFrom to DateTo
    TimeModeSinceTime = 4, // newer than the run's day at DayTime
    TimeModeLastDays = 5,  // not older than Days days
};

struct TDateFilter
{
    uint8_t TimeMode = TimeModeAny;
    int32_t Days = 0;
    double DayTime = 0;  // fraction of a day, for TimeModeSinceTime
    double DateFrom = 0; // first day
    double DateTo = 0;   // last day

    bool UsesDayTime() const { return TimeMode == TimeModeSinceTime; }
    bool UsesDateFrom() const { return TimeMode == TimeModeFrom || TimeMode == TimeModeBetween; }
    bool UsesDateTo() const { return TimeMode == TimeModeUntil || TimeMode == TimeModeBetween; }
    bool operator==(const TDateFilter&) const = default;
};

// The editor's default date record: mode 0, Days 0, 06:00, the last four years
// up to `today` (a day count).
TDateFilter DefaultDateFilter(double today);

// ---- type list ---------------------------------------------------------------

// Extension text of files that have none.
inline constexpr const char* NoExtensionType = "<ohne>";

// A list of file types (extensions without the dot) with one counter each.
// Keeps the order of insertion, ignores duplicates; look-ups ignore case.
class TTypeList
{
public:
    struct Item
    {
        std::string Type;
        TSizeCount Counter;
        bool operator==(const Item&) const = default;
    };

    // Appends a type with a zeroed counter; returns its index (of the existing
    // item when the type is already there). Empty types are not added: -1.
    int Add(const std::string& type);
    int IndexOf(const std::string& type) const;
    bool Contains(const std::string& type) const { return IndexOf(type) >= 0; }
    void Delete(int index);
    void Clear() { m_items.clear(); }

    int Count() const { return static_cast<int>(m_items.size()); }
    bool Empty() const { return m_items.empty(); }
    Item& operator[](int index) { return m_items[static_cast<size_t>(index)]; }
    const Item& operator[](int index) const { return m_items[static_cast<size_t>(index)]; }
    std::vector<Item>::const_iterator begin() const { return m_items.begin(); }
    std::vector<Item>::const_iterator end() const { return m_items.end(); }

    std::vector<std::string> Types() const;
    // Replaces the content by these types, each with a zeroed counter.
    void SetTypes(const std::vector<std::string>& types);
    void ResetCounters();
    // Orders the types alphabetically, ignoring case; counters stay with their types.
    void Sort();

    bool operator==(const TTypeList&) const = default;

private:
    std::vector<Item> m_items;
};

// ---- excluded subfolders -----------------------------------------------------

// Full paths of excluded subfolders (each ending in "\"), sorted and unique
// ignoring case. An item
// made by the entry's folder masks carries FromMask; only the others are the
// user's choice and are saved with the task.
class TSubDirList
{
public:
    struct Item
    {
        std::string Path;
        bool FromMask = false;
        bool operator==(const Item&) const = default;
    };

    // Inserts in sorted place; an existing path keeps its item. Returns its index.
    int Add(const std::string& path, bool fromMask = false);
    int IndexOf(const std::string& path) const;
    bool Contains(const std::string& path) const { return IndexOf(path) >= 0; }
    void Delete(int index);
    void Clear() { m_items.clear(); }
    // Removes the items that folder masks produced.
    void RemoveMaskItems();

    int Count() const { return static_cast<int>(m_items.size()); }
    bool Empty() const { return m_items.empty(); }
    const Item& operator[](int index) const { return m_items[static_cast<size_t>(index)]; }
    std::vector<Item>::const_iterator begin() const { return m_items.begin(); }
    std::vector<Item>::const_iterator end() const { return m_items.end(); }

    bool operator==(const TSubDirList&) const = default;

private:
    std::vector<Item> m_items;
};

// ---- source entry / named type list ---------------------------------------------

// Mode of the type lists of a TExtensionList.
enum : uint8_t
{
    TypeModeInclude = 0, // only the types in IncludeList pass
    TypeModeExclude = 1, // every type but those in ExcludeList passes
};

// Attribute tri-states.
enum : uint8_t
{
    AttrIgnore = 0,
    AttrRequired = 1,
    AttrExcluded = 2,
};

// Size modes.
enum : uint8_t
{
    SizeModeAny = 0,
    SizeModeSmaller = 1, // smaller than MaxSize
    SizeModeLarger = 2,  // larger than MinSize
    SizeModeBetween = 3, // MinSize to MaxSize inclusive
};

inline constexpr int64_t DefaultMaxSize = int64_t{16} << 30; // 16 GiB

// The filter record of one source folder of a task. With only its type lists
// and Mode in use, the same class is a named file-type list.
class TExtensionList
{
public:
    // Takes DayTime, DateFrom and DateTo from the given record; everything else
    // starts at the defaults (Days 1, MaxSize 16 GiB, Mode exclude, ...).
    explicit TExtensionList(const TDateFilter& defaults = {});
    TExtensionList(const TExtensionList& other);
    TExtensionList& operator=(const TExtensionList& other);

    TTypeList IncludeList;
    TTypeList ExcludeList;
    uint8_t Mode = TypeModeExclude;
    int32_t FileCount = 0; // files selected and backed up by type; -1 not counted
    int32_t SelCount = 0;  // files selected but left out by type
    int64_t ByteCount = 0; // bytes of FileCount; -1 not counted
    int64_t SelBytes = 0;  // bytes of SelCount
    int32_t SyncCount = 0; // files seen by the last synchronisation pass
    bool NeedsScan = false;
    std::string SourceDir;   // as entered, may hold path placeholders
    std::string ExpandedDir; // SourceDir with the placeholders expanded
    TTextFilter ExtFilter;   // extensions that the scan counts
    TTextFilter NameFilter;  // file names without their extension
    TDateFilter DateFilter;
    uint8_t SizeMode = SizeModeAny;
    int64_t MinSize = 0;
    int64_t MaxSize = DefaultMaxSize;
    uint8_t AttrArchive = AttrIgnore;
    uint8_t AttrReadOnly = AttrIgnore;
    uint8_t AttrHidden = AttrIgnore;
    uint8_t AttrSystem = AttrIgnore;
    std::vector<std::string> DirFilters; // folder masks: "#" regex, "!" exclude mode
    TSubDirList SubDirs;                 // excluded subfolders, full paths

    // Number of the task file's Dir section this entry was read from or last
    // written to; -1 while the entry exists only in memory.
    int SectionIndex = -1;

    // Empties both type lists; the other fields stay.
    void Clear();
    // Zeroes every type counter and FileCount, SelCount, ByteCount, SelBytes.
    void ResetCounters();
    // Takes the type selection of another list: its Mode and only the list
    // that mode uses; switches the name filter off.
    void Assign(const TExtensionList& other);

    // The type list that Mode uses.
    const TTypeList& ModeList() const { return Mode == TypeModeInclude ? IncludeList : ExcludeList; }
    TTypeList& ModeList() { return Mode == TypeModeInclude ? IncludeList : ExcludeList; }

    // The four attribute tri-states as stored: archive + 4 read-only + 16 hidden + 64 system.
    int PackedAttributes() const;
    void SetPackedAttributes(int value);

    // Compares what a task file stores and the counters; SectionIndex and NeedsScan are not compared.
    bool operator==(const TExtensionList& other) const;
};

// Appends every type of `from` to `to`, each with a zeroed counter.
void FillList(const TTypeList& from, TTypeList& to);

// Copies the settings of a filter (kind, mode, text) into another.
void CopyTextFilter(const TTextFilter& from, TTextFilter& to);
bool SameTextFilter(const TTextFilter& a, const TTextFilter& b);

// A named file-type list of the program settings or a ".but" file.
struct TNamedTypeList
{
    std::string Name;
    TExtensionList List;
};

// The program's named type lists, in the order the user sees them.
class TNamedTypeLists
{
public:
    // Index of the list of that name (ignoring case), -1 when there is none.
    int IndexOf(const std::string& name) const;
    // Appends a list; returns its index.
    int Add(const std::string& name, const TExtensionList& list);
    void Delete(int index);
    void Clear() { m_lists.clear(); }

    int Count() const { return static_cast<int>(m_lists.size()); }
    TNamedTypeList& operator[](int index) { return m_lists[static_cast<size_t>(index)]; }
    const TNamedTypeList& operator[](int index) const { return m_lists[static_cast<size_t>(index)]; }

private:
    std::vector<TNamedTypeList> m_lists;
};

// ---- FTP destination and report mail ------------------------------------------------

// Case of remote file names.
enum : uint8_t
{
    NameCaseUnchanged = 0,
    NameCaseLower = 1,
    NameCaseUpper = 2,
};

struct TFtpProxyParams
{
    std::string Server;
    std::string Username;
    std::string Password;
    int32_t Port = 2121;
    uint8_t ProxyType = 0; // 0 no proxy, 1..6 connection method

    bool operator==(const TFtpProxyParams&) const = default;
};

struct TFtpParams
{
    std::string Host;
    std::string Username;
    std::string Password;
    std::string SubDir; // remote folder, may hold date placeholders
    int32_t Port = 21;
    bool Passive = false;
    uint8_t NameCase = NameCaseUnchanged;
    TFtpProxyParams Proxy;

    bool operator==(const TFtpParams&) const = default;
};

void InitFtpParams(TFtpParams& params);

// "ftp://host:port/subdir" for the destination page; empty while there is no server.
std::string FtpDestinationText(const TFtpParams& params);

struct TMailData
{
    std::string Server;
    std::string Username; // empty: no authentication
    std::string Password;
    std::string Sender;
    std::string ReplyTo;
    std::string Recipients; // comma text
    int32_t Port = 25;
    bool AttachLog = false;
    bool ZipLog = false;

    bool operator==(const TMailData&) const = default;
};

void InitMailData(TMailData& data);

// ---- the backup task ---------------------------------------------------------------

// Destination layouts (DestMode).
enum : int32_t
{
    DestDrivesSeparated = 0,
    DestCloneOfSource = 1,
    DestOneDirectory = 2,
    DestZipOldSingle = 3, // older files: read as DestZipFile
    DestZipFile = 4,
    DestZipPerDirectory = 5,
};

// Synchronisation modes (SyncMode).
enum : int32_t
{
    SyncOff = 0,
    SyncAllFiles = 1,
    SyncSelections = 2,
};

// Backup methods shown by the editor's method list.
enum : int
{
    MethodCopy = 0,
    MethodFull = 1,
    MethodDifferential = 2,
    MethodIncremental = 3,
};

// Bit of PreWait / PostWait that switches the command on; the low 13 bits hold
// the longest wait in seconds (0: until the command ends).
inline constexpr int32_t CommandEnabledBit = 0x2000;
inline constexpr int32_t CommandWaitMask = 0x1FFF;

// One backup task: its options, destination and source entries.
// What a task holds, compared as a whole: a field added here is compared as well.
struct TBackupTaskContent
{
    // Destination
    bool FtpBackup = false;
    std::string Destination; // folder as typed, may hold date placeholders
    int32_t DestMode = DestDrivesSeparated;
    std::string ZipName; // may hold date placeholders
    TFtpParams Ftp;

    // Options
    std::string Note;
    bool DeleteFile = false; // delete the source files after a successful backup
    bool Verify = false;
    bool Compress = true;
    std::vector<std::string> NoCompTypes;
    bool Encrypt = false;
    bool FixPassword = false; // use the stored permanent password
    std::string Password;
    int32_t Timespan = 2; // tolerance of the time comparison in seconds
    bool IgnoreDst = false;
    int32_t SyncMode = SyncOff;
    bool EmptyDirs = true;
    bool NoBaks = false;
    bool BakFiles = false;
    std::string BakSuffix;
    bool ShellCopy = false;
    bool CreationTime = false;
    std::string PreCommand;
    std::string PostCommand;
    int32_t PreWait = 0;
    int32_t PostWait = 0;
    bool ClearDest = false;
    bool ArchBit = false;
    bool UseArch = false;
    std::string LastBackup; // text of the last successful run

    // Report mail
    bool SendMail = false;
    TMailData Mail;

    // Network user for the destination
    std::string NetUser;
    std::string NetPassword;

    // Folder masks from which the source entries pick
    std::vector<std::string> DirMasks;

    // Source entries in the user's order
    std::vector<TExtensionList> Sources;

    bool operator==(const TBackupTaskContent&) const = default;
};

class TBackupTask : public TBackupTaskContent
{
public:
    // Task file this task was last read from or saved to; empty for a new task.
    std::string FileName;
    // The user changed the task since it was read or saved.
    bool Modified = false;

    // Index into the method list: 0 copy, else (ArchBit ? 1 : 0) + (UseArch ? 2 : 0),
    // and 0 again when both archive options are off.
    int BackupMethod() const;
    void SetBackupMethod(int method);

    bool PreCommandEnabled() const { return (PreWait & CommandEnabledBit) != 0; }
    bool PostCommandEnabled() const { return (PostWait & CommandEnabledBit) != 0; }
    bool IsZipDestination() const { return DestMode == DestZipFile || DestMode == DestZipPerDirectory; }

    // Compares the task content; FileName and Modified are not compared.
    bool operator==(const TBackupTask& other) const { return static_cast<const TBackupTaskContent&>(*this) == other; }
};

// ---- automatic tasks ---------------------------------------------------------------

inline constexpr int AutoTaskSlots = 8;

// When an automatic task runs (TAutoTask::Mode).
enum : int32_t
{
    AutoNever = 0,
    AutoEveryLogon = 1,
    AutoDailyLogon = 2,
    AutoDailyAt = 3,
    AutoOnLogoff = 4,
    AutoWeeklyLogon = 5,
};

// End of a run's progress window (TAutoTask::AutoEnd).
enum : uint8_t
{
    EndWaitForUser = 0,
    EndCloseAfterDelay = 1,
    EndNotVisible = 2,
    EndWaitOnError = 3,
};

// Rotation of the destination subfolder (TAutoTask::StepMode).
enum : int32_t
{
    StepNone = 0,
    StepDaily = 1,
    StepWeekly = 2,
    StepOncePerWeek = 3,
};

inline constexpr int32_t NoCycleYet = 1000;

// One automatic-task slot. A slot with an empty Name is free.
struct TAutoTask
{
    TAutoTask() = default;
    // Sets Name and DisplayName, everything else to the defaults.
    explicit TAutoTask(const std::string& name);

    std::string Name; // full path of the task file
    std::string PreCommand;
    std::string PostCommand;
    int32_t PreWait = 0;
    int32_t PostWait = 0;
    int32_t Mode = AutoNever;
    uint8_t Priority = 3; // 1 very low, 2 low, 3 normal, 4 high
    uint8_t AutoEnd = EndCloseAfterDelay;
    int32_t StepMode = StepNone;
    int32_t LastCycle = NoCycleYet;
    int32_t ActCycle = 1;
    int32_t WeekOffset = 0;
    int32_t Cycles = 1;
    int32_t StartDay = 0; // weekday of the full backup, 0 Monday
    uint8_t SchedMode = 0;
    double LastRun = 0;
    double NextBackup = 0.5;
    std::string DisplayName;

    bool Free() const { return Name.empty(); }
    // Every field but Name and DisplayName back to its default.
    void Reset();
    bool operator==(const TAutoTask&) const = default;
};

// File name of a task path without folder and extension.
std::string TaskDisplayName(const std::string& taskFile);

using TAutoTaskSlots = std::array<TAutoTask, AutoTaskSlots>;

// What the main window needs to know about the slots in use.
struct TAutoFlags
{
    bool AutoStartNeeded = false; // some slot runs at all
    bool StayInTray = false;      // some slot runs at a set time or at logoff
    bool EndOfSessionRun = false; // some slot runs at logoff

    bool operator==(const TAutoFlags&) const = default;
};

// Adds one used slot to the flags.
void AccumulateAutoFlags(const TAutoTask& task, TAutoFlags& flags);
TAutoFlags ComputeAutoFlags(const TAutoTaskSlots& slots);

// ---- source tree node ----------------------------------------------------------------

struct TNodeData
{
    std::string Path;
    int32_t Tag = 0;
};
