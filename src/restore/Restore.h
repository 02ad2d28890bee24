#pragma once

// The restore: puts files of a backup folder (plain copies, ".gz" and ".enc" files,
// kept versions) back at their place of origin or into a chosen folder. The dialog
// (ui/restore/RestoreDlg) only edits TRestoreOptions and calls RunRestore; batch runs
// call AutoRestore. Windows are reached through interfaces, so tests run it headless.
//
//   TRestoreOptions, IRestorePrompts, TRestoreRun (RunRestore, ScanRestoreDir,
//   RestoreFileList, ProgressMessage, AutoRestore), RestoreNeeded
//
// Each file is written by a worker under a temporary name (tasks/BackupTemporary.h) and
// takes its final name only when complete. Folders below the restore folder (or below an
// origin) are entered and made without following symbolic links: a link standing where
// the backup has a file or folder is logged once and left alone, and the files behind it
// count as errors. Temporaries a killed restore left in a folder go before it is written. The workers are waited for,
// paused and cancelled by the backup's supervision; while one copies, the next files are made ready (their workers,
// which make their temporaries themselves), as the backup walk does: those of its folder, and those of the folders that
// follow as long as the run makes them now (a folder made now holds nothing to tidy and no link, so nothing shows
// before its turn).

#include "engine/CopyThread.h"
#include "engine/Encryption.h"
#include "foundation/DateUtils.h"
#include "foundation/StatusView.h"
#include "foundation/TextFilter.h"
#include "platform/DestFolder.h"
#include "platform/FolderChain.h"
#include "restore/FileTransferInfo.h"
#include "restore/JobFile.h"
#include "tasks/BackupLog.h"
#include "tasks/BackupSupervision.h"
#include "tasks/ProgressView.h"
#include "tasks/TaskModel.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

inline constexpr int OverwriteAll = 0;
inline constexpr int OverwriteOlder = 1;
inline constexpr int OverwriteNone = 2;

inline constexpr int AgeAll = 0;
inline constexpr int AgeOlder = 1;
inline constexpr int AgeNewer = 2;

// Outcome of a run, as a batch exit status: 0 all restored, 1 warnings, 2 errors,
// skipped files, a cancel or a run that could not start.
inline constexpr int RestoreOk = 0;
inline constexpr int RestoreWarnings = 1;
inline constexpr int RestoreFailed = 2;

// What the dialog edits and the task files keep.
struct TRestoreOptions
{
    std::string SourceDir;
    std::string DestDir;
    bool Origin = false;
    int Overwrite = OverwriteNone;
    int AgeMode = AgeAll;
    TDateTime Date = 0; // of age modes 1 and 2; 0 = today
    bool UnCompress = true;
    bool BackupCopies = false;
    std::string Suffix = "bak";
    TTextFilter Filter;
    int Timespan = 2;
    bool IgnoreDst = false;
    bool FtpBackup = false;
};

// Overwrite rule: restore when the destination is missing (every mode but 0 needs that
// or more), or in mode 1 when the backup is newer by more than the tolerance; with
// ignoreDst a difference of one hour within the tolerance counts as equal. Times are
// signed Unix seconds.
bool RestoreNeeded(int overwrite, bool destExists, std::int64_t backupTime, std::int64_t destTime, int timespan,
                   bool ignoreDst);

// The age limit in Unix seconds and the age text of a mode.
std::int64_t AgeLimit(int ageMode, TDateTime date);
std::string AgeText(int ageMode, TDateTime date);
std::string OverwriteText(int overwrite);
// "BC: *.bak[.ext]", "RE: only %s", "except of %s", "all".
std::string RestoreFilterText(const TRestoreOptions& options);

// The questions of a run that need a person.
class IRestorePrompts
{
public:
    virtual ~IRestorePrompts() = default;
    // MrOk (password taken), MrYes (skip this file) or MrCancel (cancel the run).
    virtual int AskPassword(const std::string& caption, const std::string& prompt, std::string& password) = 0;
};

class TRestoreRun : public IProgressOwner
{
public:
    TRestoreRun(TBackupLog& log, IProgressView& progress, IStatusView& status, IRestorePrompts* prompts);
    ~TRestoreRun() override;

    TRestoreOptions Options;
    std::string ProductText = "Tessaro";
    std::string TaskFileName; // the ".rsj" loaded, for the log's start line
    std::string TaskDir;      // default folder of ".rsj" files
    int LogMode = LogOff;
    int32_t BufferSize = 256 * 1024;
    std::string Password;

    // One run; returns its outcome (RestoreOk, RestoreWarnings, RestoreFailed).
    int RunRestore(const std::string& source, const std::string& dest, bool origin, bool interactive, bool quiet,
                   int closeDelay);
    // A backup file of that time (Unix seconds) restored to destFile passes the overwrite
    // mode and the age limit.
    bool Wanted(const std::string& destFile, std::int64_t time, std::int64_t limit) const;
    // Adds the candidates of one folder (and its subfolders) to the list. listed: the folder
    // as its parent's listing found it; nullptr makes the scan look it up.
    void ScanRestoreDir(const std::string& source, const std::string& dest, int& counter, TTransferList& list,
                        std::int64_t limit, const std::string& relative, const Platform::TFindData* listed = nullptr);
    // The selection by name (kept versions by their suffix, or the name filter) takes the
    // file restored under that name.
    bool Taken(const std::string& restoredName);
    // Restores the selected items; counts errors, restored and skipped files.
    void RestoreFileList(TTransferList& list, int& errors, int& restored, int& skipped);
    // The progress window's pause and cancel reach the running worker.
    void ProgressMessage(int message, int wParam) override;
    // Frees the encryption object and forgets the password (end of a dialog session).
    void EndSession();

    // Batch: loads each ".rsj" of a comma-separated list and restores it; the own settings
    // are back in place afterwards. Returns the worst outcome.
    int AutoRestore(const std::string& list, int logMode, bool quiet, int closeDelay);

    // The FTP record of the dialog's FTP page (tasks keep it; restoring from FTP is not done).
    TFtpParams Ftp;
    std::string FileVersion; // written into task files
    // Reads a ".rsj" into Options and Ftp, remembering the own settings first; false when
    // the file cannot be read.
    bool LoadTask(const std::string& file);
    // 0 or the error of writing the file.
    int SaveTask(const std::string& file);
    bool TaskLoaded = false;
    // The own settings while a task is loaded: only the first task of a row replaces them,
    // so a task's values never become the user's.
    void RememberOwnSettings();
    void RestoreOwnSettings();

    // The dialog's own settings (section "Restore") and its histories ("RSource",
    // "RDestination", Windows text, most recent first) from the program settings file or,
    // while that has none, from the fall-back file; read only once. WriteToIni puts them
    // back and ignores write errors.
    void LoadFromIni(const std::string& settingsFile, const std::string& fallbackFile);
    void WriteToIni();
    std::string SettingsFile;
    std::vector<std::string> SourceHistory;
    std::vector<std::string> DestHistory;

    // Folders this run created; only they are removed again when left empty.
    const std::set<std::string>& CreatedFolders() const { return createdFolders; }

private:
    // A file made ready: its folder, and its worker unless that must wait for its turn.
    // The worker makes the temporary itself, on its own thread; its name is read once the
    // worker has ended.
    struct TPrepared
    {
        std::size_t Index = 0;
        std::shared_ptr<Platform::TDestFolder> Folder;
        std::shared_ptr<std::string> TempName = std::make_shared<std::string>();
        std::unique_ptr<TCopyThread> Worker;
    };
    // A folder this run made ahead of its turn for files made ready in it.
    struct TMadeAhead
    {
        std::string Path;
        std::shared_ptr<Platform::TDestFolder> Folder;
        std::vector<std::string> Created; // every level entering it made, outer first
    };

    bool ResolveVolume(std::string& source, bool quiet);
    bool EnsureFolder(const std::string& folder);
    bool AskForPassword(const std::string& sourceFile, const std::string& destFile, bool retry, bool& cancelRun);
    TStatusCode RestoreOneFile(const TTransferList& list, std::size_t index);
    std::unique_ptr<TCopyThread> MakeWorker(const TFileTransferInfo& info, const TPrepared& prepared);
    TStatusCode WorkerOperation(const TFileTransferInfo& info) const;
    // The open destination folder of the file; nullptr when it cannot be opened.
    Platform::TDestFolder* DestFolderOf(const TFileTransferInfo& info);
    // A folder at or below root, entered from root without following a link; root itself
    // is made first when create is set and it is missing.
    // The pointer is valid until the next folder is entered.
    Platform::TDestFolder* EnterDestFolder(const std::string& root, const std::string& folder, bool create,
                                           std::string* linkPath = nullptr,
                                           std::vector<std::string>* created = nullptr);
    // True when the file's folder or the file's own name is a symbolic link: it is left alone.
    bool BehindLink(const TFileTransferInfo& info);
    void LogLinkOnce(const std::string& path);
    void TidyTemporaries(const Platform::TDestFolder& folder);
    bool RemoveCreatedFolder(const std::string& folder);
    void StampFolderTimes();
    void PrepareFile(const TFileTransferInfo& info, std::shared_ptr<Platform::TDestFolder> dest, TPrepared& prepared);
    // Before a worker copies: the next selected files, as far as nothing of them shows
    // before their turn; brief ones start copying on the work pool.
    void PrepareAhead(const TTransferList& list, std::size_t index);
    // The folder of a file made ready ahead: the open one, or one this run makes now and
    // so holds nothing to tidy and no link; nullptr when the file must wait for its turn.
    std::shared_ptr<Platform::TDestFolder> FolderAhead(const TFileTransferInfo& info);
    // Removes what was made for the file and is still unused.
    void DiscardPrepared(TPrepared& prepared);
    // Also removes the folders made ahead whose turn has not come.
    void DiscardAhead();
    // The next selected file below the same top folder; list.size() when there is none.
    static std::size_t NextSelectedFile(const TTransferList& list, std::size_t index);
    void RemoveCreatedEmptyFolders();
    // A file was restored into the open destination folder.
    void NoteFilledFolder();
    // True when a file was restored into the folder or a folder below it.
    bool HoldsRestoredFile(const std::string& folder) const;
    void Log(const std::string& line);
    bool Cancelled() const;

    TBackupLog& log;
    IProgressView& progress;
    IStatusView& status;
    IRestorePrompts* prompts;
    std::unique_ptr<TEncryption> encryption;
    TBackupSupervision supervision;
    // A folder row of the list, with the top folder it lies in.
    struct TFolderRow
    {
        std::string Root;
        std::string Folder;
        std::optional<Platform::TFindData> Listing; // the backup folder as the scan found it
    };

    std::shared_ptr<Platform::TDestFolder> openDest;
    std::string openDestPath;
    bool openDestBehindLink = false;
    bool openDestMadeNow = false; // made when entered: empty then
    bool openDestFilled = false;  // a file was restored into it
    std::string rootPath;         // top folder of the rows being restored
    // The folders from the top folder down to the one entered last.
    Platform::TFolderChain destChain;
    std::string destChainRoot;
    std::set<std::string> filledFolders; // destination folders a file was restored into
    std::set<std::string> roots;
    std::vector<TFolderRow> folderRows;
    std::set<std::string> loggedLinks;
    std::deque<TPrepared> ahead;         // the next selected files, in list order
    std::size_t aheadMost = 0;           // as many as the work pool has threads
    std::deque<TMadeAhead> foldersAhead; // in list order, their turn still to come
    std::set<std::string> createdFolders;
    bool quietRun = false;
    // Backup files the scan could not read: logged after the run's header, counted as errors.
    std::vector<std::string> scanErrors;
    TOwnSettings<TRestoreOptions> own;
};
