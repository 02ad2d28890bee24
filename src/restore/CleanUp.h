#pragma once

// Cleaning up a backup destination: deleting files by age, type and name, or whole root
// folders by age and name, optionally only the backup files whose file of origin is gone.
// Local folders (into the trash or for good) and FTP folders. TCleanUp is the logic of the
// clean-up window and of the batch runs; the window only shows and edits TCleanUpSettings.
//
// Safety rules beyond the plain selection:
// - a comparison with the origin runs only while the origin folder that matches the folder
//   cleaned (the origin of a folder inside a drive folder, or the chosen folder) can be read
//   and holds at least one entry; otherwise it logs "Could not find directory" and deletes
//   nothing, so an unplugged disk or share (or the empty folder it was mounted on) never
//   makes a whole backup look orphaned;
// - the same holds for each drive and for each folder of the backup that holds files,
//   wherever it sits (a stick mounted below a source folder): one whose origin folder is
//   missing or empty is left out with everything below it ("Could not find directory"),
//   the others are cleaned, and the run ends with a warning;
// - when more than half of the files of one source folder (the first folder down a path
//   that holds files), and at least 10, are missing in its origin, none of them is deleted;
// - the confirmation list shows what is left out unselected, with a warning: a person may
//   select it, so that a run without the list deletes exactly what the list proposes;
// - a backup file that may be a kept version of a file ("report.bak-1.txt.gz", made with
//   whatever suffix) counts as missing only when that file is missing as well;
// - an origin folder whose entries cannot be listed for any reason but "not there" keeps
//   the backup files;
// - only folders that held deleted files are removed when they end up empty;
// - on FTP every change of folder is checked; files of a folder that cannot be entered are
//   counted as errors, never deleted elsewhere.

#include "engine/ExtFtp.h"
#include "foundation/DateUtils.h"
#include "foundation/TextFilter.h"
#include "restore/FileTransferInfo.h"
#include "restore/JobFile.h"
#include "tasks/BatchOutcome.h"
#include "tasks/TaskModel.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TBackupLog;
class IProgressView;
class IStatusView;

// Age modes of the clean-up.
inline constexpr int CleanUpAgeAll = 0;
inline constexpr int CleanUpAgeWeek = 1;
inline constexpr int CleanUpAgeFourWeeks = 2;
inline constexpr int CleanUpAgeHalfYear = 3;
inline constexpr int CleanUpAgeYear = 4;
inline constexpr int CleanUpAgeOlderThan = 5;
inline constexpr int CleanUpAgeSince = 6;

// Type rules.
inline constexpr int CleanUpTypesAll = 0;
inline constexpr int CleanUpTypesOnly = 1;
inline constexpr int CleanUpTypesExcept = 2;

// Synchronisation modes.
inline constexpr int CleanUpSyncOff = 0;
inline constexpr int CleanUpSyncOrigin = 1;
inline constexpr int CleanUpSyncFolder = 2;

struct TCleanUpAge
{
    std::string Text;  // "older than 4 weeks", "all since 2026-12-01", ...
    int64_t Limit = 0; // Unix seconds
    bool Older = true; // taken when the time is before the limit; else at or after it
};

// Text, limit and direction of an age mode. picked is the date picker's date, now the clock.
TCleanUpAge CleanUpAgeLimit(int ageMode, TDateTime picked, TDateTime now);
// Whether a file or folder of that last-write time (Unix seconds) is old (or new) enough.
bool AgeTaken(const TCleanUpAge& age, int64_t unixTime);

// The type a file counts as: its extension without the dot, upper-cased; for ".gz" files
// (when compressed files count by their inner type) and for every ".enc" file the extension
// of the name without that suffix: of the name a restore gives the file back under.
std::string CleanUpFileType(const std::string& name, bool compressed);
// "all", "of types "DOC,XLS"", "except of types "DOC,XLS"".
std::string CleanUpTypesText(int typeRule, const std::string& typeText);
// "all", "only *.tmp", "except of *.tmp", with " (RE)" for a regular expression.
std::string CleanUpFilterText(bool regular, int filterMode, const std::string& filter);

// True when the folder exists and its entries can be listed.
bool FolderReadable(const std::string& folder);
// True when the folder can be listed and holds at least one file or folder.
bool FolderHoldsEntries(const std::string& folder);
// Whether the files found missing in the origin are too many to delete them unasked: more
// than half of those compared, and at least 10.
bool MostlyMissing(uint32_t missing, uint32_t compared);

// Everything a clean-up run is given by the window or by a clean-up task.
struct TCleanUpSettings
{
    std::string Directory;
    int AgeMode = CleanUpAgeFourWeeks;
    TDateTime Date = 0; // picked date of age modes 5 and 6
    int Types = CleanUpTypesAll;
    int Sync = CleanUpSyncOff;
    bool FilesMode = true; // false: whole root folders
    bool UseRecycler = false;
    bool Compressed = true;
    std::string TypeList; // comma text
    bool Regular = false;
    int FilterMode = 0;
    std::string Filter = "*";
    bool FtpBackup = false;
    TFtpParams Ftp;
    std::string SyncDir; // folder of synchronisation mode 2 (kept in the history, not in tasks)

    bool operator==(const TCleanUpSettings&) const = default;
};

// "ftp://host:port/folder" of the FTP page.
std::string CleanUpFtpText(const TFtpParams& ftp);

// Result of one run, for batch exit statuses.
enum class TCleanUpOutcome
{
    Ok,        // ran without errors (or nothing to do)
    Warnings,  // ran, but left out a folder whose origin is away or lost most of its files
    Errors,    // some items could not be deleted
    Cancelled, // the user stopped or declined
    Failed     // did not run: folder, volume, origin, server or task file missing
};

// For the exit status of a batch: warnings count as such, anything worse as failed.
TRunOutcome RunOutcomeOf(TCleanUpOutcome outcome);

// What a backup folder allows for a synchronisation with the origin: the origin folders
// (";"-separated) of a drive folder ("...\LwC\...") or of the drive folders it holds, or
// why there are none.
struct TOriginSync
{
    std::string Origins;
    std::string Refusal;
    bool Possible() const { return Refusal.empty(); }
};
// ftpPage: the folder is on an FTP server, which has no origin to compare with.
TOriginSync OriginSyncOf(const std::string& folder, bool ftpPage);

class TCleanUp
{
public:
    TCleanUp(TBackupLog& log, IProgressView& view, IStatusView& status);
    ~TCleanUp();

    TCleanUpSettings Settings;
    std::string ProductText = "Tessaro";
    int LogMode = 0;          // 0 none, 1 header and errors, 2 and more one line per item
    std::string TaskFileName; // the clean-up task last loaded
    bool TaskLoaded = false;
    std::string TaskDir; // default folder of ".cuj" files
    std::function<TDateTime()> Now = [] { return ::Now(); };

    // Asks for an FTP or proxy password; false cancels.
    std::function<bool(const std::string& caption, const std::string& text, std::string& password)> AskPassword;

    // The FTP client of the run, made by ConnectFtp.
    std::unique_ptr<TExtFtp> Ftp;

    // Fills text with the origin folders of the backup folder (";"-separated). ftpPage: the
    // window's FTP page is active. Says why in a box (unless quiet); false when there is no
    // origin.
    bool FillOriginDirs(const std::string& folder, bool ftpPage, std::string& text, bool quiet = false);
    // Why the settings' synchronisation cannot run on their folder (with the origin where it
    // has none); empty when it can. A choice of the window is never replaced by another.
    std::string SyncRefusal() const;

    TCleanUpOutcome RunCleanUp(const std::string& folder, const std::string& typeText, int closeDelay, bool quiet,
                               bool interactive, bool recycleBin, bool compressed, int typeRule, int ageMode);
    TCleanUpOutcome RunFtpCleanUp(const std::string& typeText, int ageMode, int closeDelay, bool quiet,
                                  bool interactive, bool compressed, int typeRule);
    // Connects Ftp from Settings.Ftp and enters the remote folder. A quiet run never asks for
    // a password: without a stored one it fails.
    bool ConnectFtp(bool quiet = false);

    // Runs a comma-separated list of clean-up tasks without showing the window; the window's
    // own settings are back in place afterwards. Returns the worst outcome of the tasks run.
    TCleanUpOutcome AutoCleanUp(const std::string& taskList, int logMode, bool quiet, int closeDelay);
    // Reads a clean-up task into Settings, remembering the own settings first; false when
    // the file cannot be read.
    bool LoadTask(const std::string& fileName);
    bool SaveTask(const std::string& fileName);

    // The window's own settings and histories from the program settings file (or, while it
    // has none, from the fall-back file); read only once. WriteToIni ignores write errors.
    void LoadFromIni(const std::string& settingsFile, const std::string& fallbackFile);
    void WriteToIni();
    std::string SettingsFile;
    std::vector<std::string> FolderHistory;
    std::vector<std::string> SyncDirHistory;
    std::string FileVersion;

    // The own settings while a task is loaded.
    void RememberOwnSettings();
    void RestoreOwnSettings();

    // Results of the last run.
    uint32_t Deleted = 0;
    uint32_t ErrorCount = 0;

private:
    struct TScan;

    bool ApplyFilter();
    bool FileSelected(TScan& scan, const std::string& name, int64_t unixTime);
    void ScanCleanUpDir(TScan& scan, const std::string& folder, const std::string& relative);
    // Before a folder's files: the origin folder they are judged with, opened when the folder
    // holds files and its origin folder is away or it is the first down its path to hold
    // files. Returns the one to go back to after the folder.
    int EnterOrigin(TScan& scan, const std::string& originFolder, bool holdsFiles);
    // Whether a selected file is a candidate, counting it for its origin folder.
    bool Candidate(TScan& scan, const std::string& originFolder, const std::string& name);
    void ScanRootFolders(TScan& scan, const std::string& folder);
    void EndFolderScan(TScan& scan, size_t folderItem, uint32_t countBefore);
    void ScanFtpCleanUpDir(TScan& scan, const std::string& relative);
    void DeleteFileList(const std::string& folder, TTransferList& list, bool recycleBin);
    void DeleteDirList(const std::string& folder, TTransferList& list, bool recycleBin);
    void DeleteFtpFileList(TTransferList& list);
    void DeleteFtpDirList(TTransferList& list);
    // Connects again (after a disconnect, or an idle wait) and enters the remote folder.
    bool ReconnectFtp();
    bool EnterFtpFolder(const std::string& relative);
    std::string ResolveVolume(const std::string& folder, bool quiet);
    bool OriginReady(const std::string& origin, bool quiet);
    void NotFound(const std::string& folder, bool quiet);
    void Log(int minMode, const std::string& line);
    // The run's "End" and "Status" lines and the empty line after them.
    void LogEnd(const std::string& status);
    TCleanUpOutcome Finish(bool cancelled, int closeDelay, size_t skipped);
    // The status window of the scan, unless the run is quiet.
    void ShowScanning(bool quiet);
    // Ok when the list may go; Cancelled when the scan was cancelled or the list was not
    // confirmed; Failed when, in a run without the list, every origin folder was away or
    // lost most of its files.
    TCleanUpOutcome ScanAccepted(bool quiet, bool interactive, const std::string& folder, TScan& scan);
    // The list, with the files of the origin folders left out unselected.
    bool ConfirmList(const std::string& folder, TScan& scan);
    // Marks the origin folders whose candidates are too many to delete them unasked.
    static void RefuseMostlyMissing(TScan& scan);
    void LogStart(const std::string& folder, const TScan& scan);

    TBackupLog& BackupLog;
    IProgressView& View;
    IStatusView& Status;
    TTextFilter NameFilter;
    std::vector<std::string> TypeItems;
    std::string FtpStartDir;
    TOwnSettings<TCleanUpSettings> Own;
};

// Texts shared with the window.
std::string CleanUpCaption();  // " - Clean up backup directory"
std::string NoDirectoryText(); // "No directory specified"
std::string CouldNotFindDirText(const std::string& folder);
