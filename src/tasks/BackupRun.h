#pragma once

// One backup run of the task in the editor, from the Start button or an automatic
// task: head lines, password, pre-command, destination (FTP, volume label, network
// share, rotation subfolder), clearing or synchronisation, the walk of every source
// folder, the zip archive, the time-stamp file, end status, report mail and
// post-command.
//
//   TBackupRun run(task, settings, log, supervision);   set the seams below;
//   run.StartBtnClick();                 the Start button (checks, questions, log)
//   run.RunBackup(autoIndex, taskFile, endMode);   a run with an open log
//
// Questions go through the message-dialog API, passwords and text input through
// IRunDialogs. The report mail (tasks/MailReport.h) and the commands before and after
// (tasks/ExecuteCommand.h) are the program's own unless the owner replaces them.

#include "foundation/DateUtils.h"
#include "tasks/BackupLog.h"
#include "tasks/BackupSupervision.h"
#include "tasks/BatchOutcome.h"
#include "tasks/ExecuteCommand.h"
#include "tasks/IMailReport.h"
#include "tasks/Settings.h"
#include "tasks/TaskFile.h"
#include "tasks/TaskModel.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class ITaskCheckDialogs;
class TMailReport;
class IWalkFtp;
class TExtFtp;
namespace Platform {
class TFolderLock;
}

// The password prompts and the text input of a run; the window layer gives the real
// dialogs. Every method returns false when the user cancels.
class IRunDialogs
{
public:
    virtual ~IRunDialogs() = default;
    // A new password of at least minLength characters, typed twice when repeat is set.
    virtual bool NewPassword(const std::string& caption, int minLength, bool repeat, std::string& password) = 0;
    // A password asked with a text (FTP server or proxy).
    virtual bool AskPassword(const std::string& caption, const std::string& text, std::string& password) = 0;
    virtual bool InputText(const std::string& caption, const std::string& prompt, std::string& value) = 0;
};

// The dialogs that runs without their own (TBackupRun::Dialogs, CheckDialogs null) use; the
// window layer registers them at start-up. Not owned; nullptr: every prompt is cancelled.
void RegisterRunDialogs(IRunDialogs* dialogs, ITaskCheckDialogs* checkDialogs);

// The title of the prompt for a task's encryption password: "File encryption with AES".
std::string EncryptionPasswordCaption();
IRunDialogs* RegisteredRunDialogs();
ITaskCheckDialogs* RegisteredTaskCheckDialogs();

// Runs a command before or after a run (tasks/ExecuteCommand.h).
using TExecuteCommand = std::function<TCommandOutcome(const std::string& command, int32_t wait, int endMode)>;

// Creates the walk's FTP side for the run's client (the FTP module gives it).
using TWalkFtpFactory = std::function<std::unique_ptr<IWalkFtp>(TExtFtp& ftp)>;

// "BD" (daily) or "BW" (weekly) + the cycle with 2 digits, or 3 when Cycles > 99.
std::string RotationFolderName(const TAutoTask& slot);
// The rotation note of the log: " (Monday)", " (2. Monday)", " (Day 3)", " (Week 12)".
std::string RotationText(const TAutoTask& slot);
// Whether an automatic run with a full-backup scheme is a full backup.
bool IsFullBackup(const TAutoTask& slot);
// " (F)", " (D)", " (I)" for schemed automatic runs, " (S)" for a synchronising manual
// run, with "(Enc.)" added for an encrypting run.
std::string RunTag(const TAutoTask* slot, bool synchronise, bool encrypted);

class TBackupRun
{
public:
    TBackupRun(TBackupTask& task, TProgramSettings& settings, TBackupLog& log, TBackupSupervision& supervision);
    ~TBackupRun();
    TBackupRun(const TBackupRun&) = delete;
    TBackupRun& operator=(const TBackupRun&) = delete;

    // Seams; null dialogs mean the registered ones (none: every prompt cancelled); a null
    // Mail sends no mail, an empty ExecuteCommand runs nothing.
    // Mail and ExecuteCommand start as the program's own.
    IRunDialogs* Dialogs = nullptr;
    ITaskCheckDialogs* CheckDialogs = nullptr;
    IMailReport* Mail = nullptr;
    TExecuteCommand ExecuteCommand;
    TWalkFtpFactory WalkFtpFactory; // empty: the program's own (tasks/BackupWalkFtp.h)
    // Saves a new task (the editor's save dialog); true when saved.
    std::function<bool()> SaveTask;
    // Shows the summary of the source folders after a manual run.
    std::function<void()> ShowSummary;
    // The report mail can be sent (its settings are usable).
    bool MailUsable = false;

    // Program-wide values.
    std::string ProductText = "Tessaro";
    std::string NetUserName; // read when automatic tasks were started
    int CloseDelay = 5;      // seconds, the "wait" option
    TThreadPriority Priority = TThreadPriority::tpNormal;
    TTaskFileEnv TaskFileEnv; // for the statistics after a run
    // Archive name of a zip run; filled by StartBtnClick or the automatic task.
    std::string ZipName;
    // Moves a source file to the recycle bin (DeleteFile option); by default the trash.
    std::function<bool(const std::string& path)> MoveToTrash;

    // The Start button: checks, questions, log, the run, statistics, summary.
    // True when the run ended with its end status.
    bool StartBtnClick();

    // One run. autoIndex: 1-based slot of an automatic task, 0 otherwise. endMode: 0
    // wait for the user, 1 close after the delay, 2 quiet, 3 wait after errors.
    bool RunBackup(int autoIndex, const std::string& taskFile, int endMode);

    // What the last run counted.
    struct TTotals
    {
        uint32_t Processed = 0;
        uint32_t Copied = 0;
        uint32_t Errors = 0;
        uint32_t Warnings = 0;
        uint32_t Deleted = 0;
        std::string EndText;
    };
    const TTotals& Totals() const { return LastTotals; }
    // The last run's outcome for a batch; ok is what RunBackup returned.
    TRunOutcome Outcome(bool ok) const { return RunOutcomeOf(ok, LastTotals.Errors, LastTotals.Warnings); }

private:
    struct TRun;

    // The reason why the task cannot run, for the log; empty when it can.
    std::string InvalidTaskText(const TRun& run) const;
    // The prompts of a run: none in a quiet run, which shows nothing.
    IRunDialogs* Prompts(int endMode) const;
    bool ConfirmStart();
    bool AskZipName();
    void Line(TRun& run, const std::string& text, bool mailed = true);
    bool PrepareEncryption(TRun& run, int endMode);
    // False when the pre-command refused the run.
    bool RunSteps(TRun& run, int endMode);
    // The run's clock, the supervision's flags, its tag and the archive's name.
    void BeginRun(TRun& run, int endMode);
    void AnnounceStart(TRun& run);
    void StartProgressView(TRun& run);
    void ReportMissingDestination(TRun& run);
    // Waits while another run works on the folder; false when the run was cancelled meanwhile,
    // or when the lock cannot be made (logged; run.EndText says why).
    bool LockDestination(TRun& run, const std::string& folder, std::unique_ptr<Platform::TFolderLock> lock);
    void BackupToDestination(TRun& run, int endMode);
    void MakeWalkAndClear(TRun& run, int endMode);
    // Disconnects, then shows and logs the end.
    void EndRun(TRun& run);
    // The task's and the automatic slot's memory of this run.
    void RecordLastRun(TRun& run);
    bool PrepareFtpDestination(TRun& run);
    bool PrepareLocalDestination(TRun& run, int endMode);
    std::string FindVolume(const TRun& run, const std::string& dest) const;
    bool DriveReady(const std::string& path, int endMode) const;
    bool ConnectShare(TRun& run, const std::string& dest);
    void ApplyRotation(TRun& run);
    void BackupSource(TRun& run, TExtensionList& entry);
    bool SourcePresent(TRun& run, const std::string& source, int endMode);
    void ClearOrSynchronise(TRun& run, TExtensionList& entry, const std::string& source, const std::string& base);
    bool ShouldClear(const TRun& run, const std::string& base) const;
    void WalkSource(TRun& run, TExtensionList& entry, const std::string& source, const std::string& base);
    // False (logged, counted) when a link stands between the destination and base.
    bool BaseFreeOfLinks(TRun& run, const std::string& base);
    void TidyAfterWalk(TRun& run, const std::string& source, const std::string& base);
    void RemoveZipLeftovers(TRun& run);
    void FinishTimeStamp(TRun& run);
    void FinishArchive(TRun& run);
    // Mode 4 locally: the finished archive takes its name (run.EndText set when it cannot).
    void PutArchiveInPlace(TRun& run);
    bool UploadArchive(TRun& run);
    bool ConnectFtp(TRun& run);
    void ShowEndStatus(TRun& run);
    void WriteEndLines(TRun& run);
    void AbortRun(TRun& run);

    TBackupTask& Task;
    TProgramSettings& Settings;
    TBackupLog& Log;
    TBackupSupervision& Supervision;
    TTotals LastTotals;
    std::unique_ptr<TMailReport> OwnMail;
};
