#include "tasks/BackupRun.h"

#include "engine/Encryption.h"
#include "engine/ExtFtp.h"
#include "engine/FileTimes.h"
#include "engine/WriteFtpThread.h"
#include "engine/ZipWrite.h"
#include "foundation/DriveUtils.h"
#include "foundation/MessageDialogs.h"
#include "foundation/MessageLoop.h"
#include "foundation/NetConnect.h"
#include "foundation/PathUtils.h"
#include "foundation/StatusView.h"
#include "foundation/StringUtils.h"
#include "foundation/Translate.h"
#include "platform/DestFolder.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/Trash.h"
#include "tasks/BackupLog.h"
#include "tasks/BackupSelection.h"
#include "tasks/BackupTemporary.h"
#include "tasks/BackupWalk.h"
#include "tasks/BackupWalkFtp.h"
#include "tasks/DestClear.h"
#include "tasks/ExecuteCommand.h"
#include "tasks/IniValues.h"
#include "tasks/MailReport.h"
#include "tasks/Placeholders.h"
#include "tasks/RunLock.h"
#include "tasks/TaskChecks.h"
#include "tasks/TimeStamp.h"
#include "tasks/ZipDest.h"

#include <cmath>
#include <ctime>

namespace {

constexpr uint32_t ColorRed = 0x0000FF;
constexpr uint32_t ColorBlue = 0xFF0000;

std::string WithCount(const std::string& format, uint32_t value)
{
    const size_t pos = format.find("%u");
    return pos == std::string::npos ? format : format.substr(0, pos) + std::to_string(value) + format.substr(pos + 2);
}

std::string CopiedText(uint32_t copied, uint32_t processed)
{
    return WithCount(WithCount(TrDefault("%u of %u files copied"), copied), processed);
}

std::string DeletedText(uint32_t deleted)
{
    return WithCount(TrDefault("%u files deleted"), deleted);
}

std::string NotFoundText(const std::string& path)
{
    return FormatText(TrDefault("Path \"%s\" not found!"), path);
}

std::string InsertMediaText(const char* format, const std::string& name)
{
    return FormatText(TrDefault(format), name) + "\r\n" + TrDefault("Please insert media!");
}

std::string MethodName(int method)
{
    static const char* const names[] = {TrNoopDefault("copy"), TrNoopDefault("full (new)"),
                                        TrNoopDefault("differential"), TrNoopDefault("incremental")};
    return TrDefault(names[method >= 0 && method < 4 ? method : 0]);
}

// End modes that show errors as dialogs.
bool ShowsErrors(int endMode)
{
    return endMode == EndWaitForUser || endMode == EndWaitOnError;
}

int CloseValueOf(int endMode, int closeDelay)
{
    switch (endMode) {
    case EndWaitForUser:
        return 0;
    case EndCloseAfterDelay:
        return closeDelay;
    case EndNotVisible:
        return -1;
    default:
        return closeDelay + DelayWaitOnError;
    }
}

// S relative to its drive part, without delimiters at either end.
std::string RelativeToDrive(const std::string& source, const std::string& drive)
{
    std::string rest = source.substr(std::min(drive.size(), source.size()));
    while (!rest.empty() && rest.front() == PathDelim) {
        rest.erase(0, 1);
    }
    return RemovePathDelimiter(rest);
}

} // namespace

// ---- rotation and tags ----------------------------------------------------------------

std::string RotationFolderName(const TAutoTask& slot)
{
    const std::string prefix = slot.StepMode == StepDaily ? "BD" : "BW";
    return prefix + PadLeftChar(std::to_string(slot.ActCycle), '0', slot.Cycles > 99 ? 3 : 2);
}

std::string RotationText(const TAutoTask& slot)
{
    std::string text;
    if (slot.StepMode == StepDaily && slot.Cycles > 0 && slot.Cycles % 7 == 0) {
        std::tm day{};
        day.tm_wday = slot.ActCycle % 7;
        char name[64];
        const size_t length = std::strftime(name, sizeof name, "%A", &day);
        const std::string weekday(name, length);
        text = slot.Cycles == 7 ? weekday : std::to_string(slot.WeekOffset + 1) + ". " + weekday;
    } else if (slot.StepMode == StepDaily) {
        text = TrDefault("Day ") + std::to_string(slot.ActCycle);
    } else {
        text = TrDefault("Week ") + std::to_string(slot.ActCycle);
    }
    return " (" + text + ")";
}

bool IsFullBackup(const TAutoTask& slot)
{
    const int cycles = slot.Cycles > 0 ? slot.Cycles : 1;
    const int c = cycles % 7 == 0 ? slot.ActCycle - slot.StartDay : slot.ActCycle;
    return c == 1 || ((slot.SchedMode == 3 || slot.SchedMode == 4) && cycles >= 6 && c == cycles / 2 + 1);
}

std::string RunTag(const TAutoTask* slot, bool synchronise, bool encrypted)
{
    std::string tag;
    if (slot && slot->StepMode > StepNone && slot->SchedMode != 0) {
        if (IsFullBackup(*slot)) {
            tag = " (F)";
        } else {
            tag = slot->SchedMode == 1 || slot->SchedMode == 3 ? " (D)" : " (I)";
        }
    } else if (!slot && synchronise) {
        tag = " (S)";
    }
    if (encrypted) {
        tag += (tag.empty() ? " " : "+") + std::string("(Enc.)");
    }
    return tag;
}

// ---- the run's state --------------------------------------------------------------------

struct TBackupRun::TRun
{
    TAutoTask* Slot = nullptr;
    int EndMode = 0;
    int CloseValue = 0;
    bool Interactive = false;
    std::string Title;
    std::string Tag;
    std::string DestText; // the destination as the task names it
    TDateTime Start = 0;
    TDateTime End = 0;
    TDateTime RunDate = 0;
    bool Sync = false;
    std::string Password;
    std::unique_ptr<TEncryption> Encryption;
    std::unique_ptr<TExtFtp> Ftp;
    std::unique_ptr<IWalkFtp> WalkFtp;
    std::unique_ptr<TTempArchive> TempZip;
    std::unique_ptr<TZipWrite> Zip;
    std::string ZipPath;
    // Mode 4 locally: the archive is written under a temporary name in its folder.
    std::unique_ptr<Platform::TDestFolder> ZipFolder;
    std::string ZipTempName;
    std::unique_ptr<TBackupWalk> Walk;
    std::unique_ptr<TDestClear> Clear;
    std::string Root;     // local destination root, or the remote folder of an FTP run
    std::string UserRoot; // the local destination as chosen, before rotation; links below it are not followed
    bool DestOk = false;
    bool Rotation = false;
    std::string RotationNote;
    TDateTime Stamp = 0;
    bool StampRead = false;
    TWalkCounters Counters;
    uint32_t Deleted = 0;
    uint32_t Expected = 0;
    std::string EndText;
    bool Result = false;
    std::vector<std::string> WrittenBases;
    // Held for the whole run: another run on this destination waits for it.
    std::unique_ptr<Platform::TFolderLock> Lock;

    ~TRun() { DropTempArchive(); }
    void DropTempArchive()
    {
        Zip.reset();
        if (ZipFolder && !ZipTempName.empty()) {
            ZipFolder->DeleteFile(ZipTempName);
        }
        ZipTempName.clear();
    }
};

TBackupRun::TBackupRun(TBackupTask& task, TProgramSettings& settings, TBackupLog& log, TBackupSupervision& supervision)
    : MoveToTrash([](const std::string& path) { return Platform::MoveToTrash(path) == 0; }), Task(task),
      Settings(settings), Log(log), Supervision(supervision)
{}

TBackupRun::~TBackupRun() = default;

void TBackupRun::Line(TRun&, const std::string& text, bool mailed)
{
    Log.WriteLog(text);
    if (mailed && Mail) {
        Mail->AddMailLine(text);
    }
}

// ---- the Start button -------------------------------------------------------------------

namespace {

IRunDialogs* TheRunDialogs = nullptr;
ITaskCheckDialogs* TheTaskCheckDialogs = nullptr;

} // namespace

void RegisterRunDialogs(IRunDialogs* dialogs, ITaskCheckDialogs* checkDialogs)
{
    TheRunDialogs = dialogs;
    TheTaskCheckDialogs = checkDialogs;
}

std::string EncryptionPasswordCaption()
{
    // The program's text names no method; the encryption is AES in every form.
    return TrDefault("File encryption with") + " AES";
}

IRunDialogs* RegisteredRunDialogs()
{
    return TheRunDialogs;
}

ITaskCheckDialogs* RegisteredTaskCheckDialogs()
{
    return TheTaskCheckDialogs;
}

IRunDialogs* TBackupRun::Prompts(int endMode) const
{
    if (endMode == EndNotVisible) {
        return nullptr;
    }
    return Dialogs ? Dialogs : TheRunDialogs;
}

bool TBackupRun::ConfirmStart()
{
    const std::string warning = TrDefault("You selected the option \"Delete source files after backup\"!") + "\r\n" +
                                TrDefault("After backing up successfully the files are erased at origin!") + "\r\n";
    if (Task.DeleteFile && MessageDialog({}, warning + TrDefault("Do you really want to execute this task?"),
                                         TMsgDlgType::Confirmation, MbYesNo) != MrYes) {
        return false;
    }
    if (!Task.FileName.empty()) {
        return true;
    }
    const int answer = MessageDialog({}, TrDefault("Save new backup task?"), TMsgDlgType::Confirmation, MbYesNoCancel);
    if (answer == MrYes) {
        if (Task.DeleteFile && MessageDialog({}, warning + TrDefault("Do you really want to save this task?"),
                                             TMsgDlgType::Confirmation, MbYesNo) != MrYes) {
            return false;
        }
        // "Yes" asked for the task in a file: a save that did not happen starts nothing.
        return !SaveTask || SaveTask();
    }
    return answer == MrNo;
}

bool TBackupRun::AskZipName()
{
    const std::string caption = TrDefault("Backup to Zip file");
    if (Task.ZipName.empty()) {
        std::string name;
        IRunDialogs* prompts = Prompts(EndWaitForUser);
        if (!prompts || !prompts->InputText(caption, TrDefault("Filename"), name)) {
            return false;
        }
        ZipName = MakeZipName(name);
        return true;
    }
    ZipName = MakeZipName(Task.ZipName);
    return MessageDialog({}, caption + ":\r" + ZipName, TMsgDlgType::Confirmation, MbYesNo) == MrYes;
}

bool TBackupRun::StartBtnClick()
{
    if (DestinationOnSourceRoot(Task, !Task.Sources.empty())) {
        ErrorDialog({}, DestinationOnSourceRootText());
        return false;
    }
    if (!TaskChecks(Task, CheckDialogs ? CheckDialogs : RegisteredTaskCheckDialogs()) || !ConfirmStart()) {
        return false;
    }
    if (Task.DestMode == DestZipFile && !AskZipName()) {
        return false;
    }
    const int error = Log.OpenLog(Settings.Protocol, true, Task.SendMail && MailUsable);
    if (error > 0) {
        ShowLogOpenError(error);
    }
    Log.WriteLogHeader(" - " + TrDefault("Data backup"));
    Priority = TThreadPriority::tpNormal;
    const bool result = RunBackup(0, Task.FileName, EndWaitForUser);
    if (result && !Task.FileName.empty()) {
        UpdateTaskStatistics(Task, Task.FileName, TaskFileEnv);
    }
    Log.CloseLog();
    if (ShowSummary) {
        ShowSummary();
    }
    return result;
}

// ---- RunBackup ----------------------------------------------------------------------------

bool TBackupRun::RunBackup(int autoIndex, const std::string& taskFile, int endMode)
{
    TRun run;
    run.EndMode = endMode;
    if (autoIndex > 0 && autoIndex <= AutoTaskSlots) {
        run.Slot = &Settings.AutoTasks[static_cast<size_t>(autoIndex - 1)];
        run.Title =
            ReplaceText(TrDefault(" - Automatic backup %u: "), "%u", std::to_string(autoIndex)) + run.Slot->DisplayName;
    } else {
        run.Title = " - " + TrDefault("Backup task: ") + ExtractFileName(taskFile);
    }
    LastTotals = {};

    if (Task.FtpBackup) {
        TFtpParams shown = Task.Ftp;
        shown.Username = shown.Username.empty() ? "anonymous" : shown.Username;
        run.DestText = FtpDestinationText(shown);
    } else {
        run.DestText = Task.Destination;
    }
    if (const std::string invalid = InvalidTaskText(run); !invalid.empty()) {
        Line(run, LogErrorPrefix + invalid + run.Title, false);
        LastTotals.EndText = invalid;
        return false;
    }
    if (!PrepareEncryption(run, endMode)) {
        return false;
    }

    bool goOn = true;
    try {
        goOn = RunSteps(run, endMode);
    } catch (...) {
        AbortRun(run);
    }
    // The command after the run may well start a run on this destination.
    run.Lock.reset();
    run.Encryption.reset();
    run.WalkFtp.reset();
    run.Ftp.reset();
    LastTotals.EndText = run.EndText;
    ZipName.clear(); // each run is given its own
    if (!goOn) {
        return false;
    }
    // A failed command does not stop the run, but it must not end as if all went well.
    if (ExecuteCommand && ExecuteCommand(Task.PostCommand, Task.PostWait, endMode) == TCommandOutcome::Failed) {
        ++LastTotals.Warnings;
    }
    return run.Result;
}

std::string TBackupRun::InvalidTaskText(const TRun& run) const
{
    if (run.DestText.empty() || Task.Sources.empty() || Task.DestMode < DestDrivesSeparated ||
        Task.DestMode > DestZipPerDirectory || (!Task.FtpBackup && !FullFolderText(Task.Destination))) {
        return TrDefault("Unvalid task configuration");
    }
    // Every start checks this, not only the Start button: a batch run would back up
    // its own previous backup again, or empty a source.
    return ReplaceText(UnsafeDestinationText(Task), "\r\n", " ");
}

bool TBackupRun::PrepareEncryption(TRun& run, int endMode)
{
    if (!Task.Encrypt) {
        return true;
    }
    if (Task.FixPassword) {
        run.Password = Task.Password;
    } else if (IRunDialogs* prompts = Prompts(endMode)) {
        if (!prompts->NewPassword(EncryptionPasswordCaption(), Settings.MinPwdLength, true, run.Password)) {
            return false;
        }
    }
    if (run.Password.empty()) {
        // Never back up unencrypted what the task says to encrypt.
        Line(run, LogErrorPrefix + TrDefault("No password for the encryption: the task was not run") + run.Title,
             false);
        LastTotals.EndText = TrDefault("No password for the encryption");
        return false;
    }
    if (!Task.IsZipDestination()) {
        run.Encryption = std::make_unique<TEncryption>(run.Password, Settings.BufferSize, 0);
    }
    return true;
}

bool TBackupRun::RunSteps(TRun& run, int endMode)
{
    BeginRun(run, endMode);
    AnnounceStart(run);
    if (ExecuteCommand) {
        const TCommandOutcome pre = ExecuteCommand(Task.PreCommand, Task.PreWait, endMode);
        if (pre == TCommandOutcome::NotFound) {
            Log.CloseRunLog();
            return false;
        }
        run.Counters.Warnings += pre == TCommandOutcome::Failed ? 1 : 0;
    }
    StartProgressView(run);

    if (Task.FtpBackup) {
        run.DestOk =
            LockDestination(run, run.DestText,
                            FtpFolderLock(Task.Ftp.Host, Task.Ftp.Port, ExpandPlaceholders(false, Task.Ftp.SubDir))) &&
            PrepareFtpDestination(run);
    } else {
        // Made again when a run before this one removed it empty while this one waited.
        run.DestOk = PrepareLocalDestination(run, endMode) &&
                     LockDestination(run, run.UserRoot, std::make_unique<Platform::TFolderLock>(run.UserRoot, true));
    }
    if (run.DestOk) {
        BackupToDestination(run, endMode);
    } else if (!Supervision.Cancelled() && run.EndText.empty()) {
        ReportMissingDestination(run);
    }
    EndRun(run);
    RecordLastRun(run);
    return true;
}

bool TBackupRun::LockDestination(TRun& run, const std::string& folder, std::unique_ptr<Platform::TFolderLock> lock)
{
    std::string failed;
    run.Lock = LockRunFolder(
        std::move(lock), [this] { return Supervision.Cancelled(); },
        [&] {
            Line(run, LogNotePrefix + WaitingForRunText(folder));
            Supervision.View().SetStatusText(WaitingForRunText(folder));
        },
        &failed);
    if (!failed.empty()) {
        // Never unlocked: a clean-up of the same server folder could delete what is copied.
        Line(run, LogErrorPrefix + failed);
        run.EndText = failed;
    }
    return run.Lock != nullptr;
}

void TBackupRun::BeginRun(TRun& run, int endMode)
{
    run.Start = Now();
    run.CloseValue = CloseValueOf(endMode, CloseDelay);
    run.Interactive = run.CloseValue == 0;
    Supervision.ShellCopyFlags =
        Task.ShellCopy ? static_cast<uint8_t>(endMode == EndNotVisible ? cfShellCopy | cfShellSilent : cfShellCopy) : 0;
    Supervision.CreationTime = Task.CreationTime;
    Supervision.ResetCancel();
    run.RunDate = std::floor(run.Start);
    run.Sync =
        Task.SyncMode != SyncOff && (Task.DestMode == DestDrivesSeparated || Task.DestMode == DestCloneOfSource ||
                                     (Task.DestMode == DestOneDirectory && Task.Sources.size() == 1));
    run.Tag = RunTag(run.Slot, run.Sync, !run.Password.empty());
    if (Task.DestMode == DestZipFile && ZipName.empty()) {
        ZipName = MakeZipName(Task.ZipName);
    }
}

void TBackupRun::AnnounceStart(TRun& run)
{
    const std::string startLine =
        LogStatusPrefix + TrDefault("Start") + ": " + DateTimeText(run.Start) + run.Title + run.Tag;
    if (Mail) {
        Mail->StartMailReport(startLine, run.Start);
    }
    Log.WriteLog(startLine);
}

void TBackupRun::StartProgressView(TRun& run)
{
    IProgressView& view = Supervision.View();
    view.Start(&Supervision, ProductText + run.Title + run.Tag, {}, run.CloseValue);
    ProcessMessages();
    for (const TExtensionList& entry : Task.Sources) {
        run.Expected += entry.FileCount > 0 ? static_cast<uint32_t>(entry.FileCount) : 0;
    }
}

void TBackupRun::ReportMissingDestination(TRun& run)
{
    if (Task.FtpBackup) {
        Line(run, LogErrorPrefix + FormatText(TrDefault("FTP-Server: %s"), run.DestText));
        run.EndText = FtpConnectionFailedText();
    } else {
        Line(run, LogErrorPrefix + NotFoundText(run.Root));
        run.EndText = NotFoundText(run.Root);
    }
}

void TBackupRun::BackupToDestination(TRun& run, int endMode)
{
    ApplyRotation(run);
    Log.WriteLog(std::string("  Mode:   ") + DestinationModeText(Task.DestMode));
    MakeWalkAndClear(run, endMode);
    if (!Task.FtpBackup) {
        // Before a clearing or synchronisation could take the record for a file of the backup.
        run.Walk->TidyAfterInterruptedRun(run.UserRoot);
        run.Stamp = ReadTimeStamp(run.Root);
    }
    for (TExtensionList& entry : Task.Sources) {
        if (Supervision.Cancelled()) {
            break;
        }
        BackupSource(run, entry);
    }
    FinishTimeStamp(run);
    if (Task.DestMode == DestZipFile) {
        FinishArchive(run);
    }
    if (run.EndText.empty()) {
        run.EndText = run.Walk->VolumeFullText; // the run stopped for it: not cancelled by the user
    }
}

void TBackupRun::MakeWalkAndClear(TRun& run, int endMode)
{
    run.Walk = std::make_unique<TBackupWalk>(Task, Log, Supervision);
    TBackupWalk& walk = *run.Walk;
    walk.CompSize = Settings.CompSize;
    walk.FilenameCase = Settings.FilenameCase;
    walk.ReplaceChars = Settings.ReplaceChars;
    walk.BufferSize = Settings.BufferSize;
    walk.Priority = Priority;
    walk.Encryption = run.Encryption.get();
    walk.ZipPassword = Task.IsZipDestination() ? run.Password : std::string();
    walk.RunDate = run.RunDate;
    walk.MakeZipName = [this] { return MakeZipName(Task.ZipName); };
    walk.MoveToTrash = MoveToTrash;
    walk.AskForMedia = endMode != EndNotVisible;
    run.Clear = std::make_unique<TDestClear>(Task, Log, Supervision);
    run.Clear->FilenameCase = Settings.FilenameCase;
    run.Clear->ReplaceChars = Settings.ReplaceChars;
    run.Clear->LockedFolder = Task.FtpBackup ? std::string() : run.UserRoot;
}

void TBackupRun::EndRun(TRun& run)
{
    if (run.Ftp && run.Ftp->Connected()) {
        run.Ftp->Disconnect();
    }
    run.End = Now();
    ShowEndStatus(run);
    WriteEndLines(run);
}

void TBackupRun::RecordLastRun(TRun& run)
{
    Task.LastBackup = DateTimeText(run.Start);
    if (run.Result && run.Slot) {
        if (run.Slot->StepMode > StepNone) {
            run.Slot->LastCycle = run.Slot->ActCycle;
        }
        run.Slot->LastRun = run.Start;
    }
}

void TBackupRun::AbortRun(TRun& run)
{
    run.DropTempArchive();
    run.Walk.reset();
    const std::string text = TrDefault("Unknown") + TrDefault(" Error on backup");
    Supervision.View().Finish(FinishWarnings, TrDefault("Backup completed"), text, ColorRed, run.CloseValue);
    Log.WriteLog(LogErrorPrefix + TrDefault("Unknown error") + run.Title + run.Tag);
    run.Result = false;
    run.EndText = text;
    LastTotals.EndText = text;
    if (!Mail) {
        Log.CloseRunLog();
    }
}

// ---- destination ----------------------------------------------------------------------------

bool TBackupRun::ConnectFtp(TRun& run)
{
    TExtFtp& ftp = *run.Ftp;
    ftp.Username = Task.Ftp.Username.empty() ? "anonymous" : Task.Ftp.Username;
    if (!ftp.Connect()) {
        return false;
    }
    return ftp.ChangeToDir(ExpandPlaceholders(false, Task.Ftp.SubDir));
}

bool TBackupRun::PrepareFtpDestination(TRun& run)
{
    run.Ftp = std::make_unique<TExtFtp>();
    TExtFtp& ftp = *run.Ftp;
    ftp.Host = Task.Ftp.Host;
    ftp.Port = static_cast<uint16_t>(Task.Ftp.Port);
    ftp.Username = Task.Ftp.Username;
    ftp.Passive = Task.Ftp.Passive;
    ftp.NameCase = Task.Ftp.NameCase;
    ftp.TransferTimeout = 30000;
    ftp.Password = Task.Ftp.Password;
    IRunDialogs* prompts = Prompts(run.EndMode);
    if (!Task.Ftp.Username.empty() && ftp.Password.empty() &&
        (!prompts ||
         !prompts->AskPassword(FtpConnectionCaption(), FtpPasswordNeededText(ftp.Host, ftp.Port, Task.Ftp.Username),
                               ftp.Password))) {
        return false;
    }
    if (Task.Ftp.Proxy.ProxyType != 0) {
        ftp.Proxy.Type = static_cast<TFtpProxyType>(Task.Ftp.Proxy.ProxyType);
        ftp.Proxy.Host = Task.Ftp.Proxy.Server;
        ftp.Proxy.Port = static_cast<uint16_t>(Task.Ftp.Proxy.Port);
        ftp.Proxy.Username = Task.Ftp.Proxy.Username;
        std::string proxyPassword = Task.Ftp.Proxy.Password;
        if (!Task.Ftp.Proxy.Username.empty() && proxyPassword.empty() &&
            (!prompts || !prompts->AskPassword(
                             FtpConnectionCaption(),
                             FtpProxyPasswordNeededText(Task.Ftp.Proxy.Server, ftp.Proxy.Port, Task.Ftp.Proxy.Username),
                             proxyPassword))) {
            return false;
        }
        // An asked password stays with this run's client: the task must not carry it into a saved file.
        ftp.Proxy.Password = proxyPassword;
    }
    Supervision.View().SetDestination(ExpandPlaceholders(false, run.DestText));
    Supervision.View().SetStatusText(FtpTryingToConnectText());
    ProcessMessages();
    if (!ConnectFtp(run)) {
        Supervision.View().SetStatusText(FtpConnectionFailedText());
        Line(run, LogErrorPrefix + FtpConnectionFailedText());
        return false;
    }
    run.Root = ExpandPlaceholders(false, Task.Ftp.SubDir);
    if (WalkFtpFactory) {
        run.WalkFtp = WalkFtpFactory(ftp);
    } else {
        auto walkFtp = std::make_unique<TBackupWalkFtp>(Task, ftp, Log, Supervision);
        walkFtp->Encryption = run.Encryption.get();
        walkFtp->BufferSize = Settings.BufferSize;
        walkFtp->Priority = Priority;
        run.WalkFtp = std::move(walkFtp);
    }
    return true;
}

std::string TBackupRun::FindVolume(const TRun& run, const std::string& dest) const
{
    std::string rest = dest;
    const std::string label = ReadNextQuotedItem(rest, PathDelim, ':');
    for (;;) {
        std::string root;
        if (FindVolumeDrive(label, root)) {
            return AddPathDelimiter(root) + rest;
        }
        if (!run.Interactive || MessageDialog({}, InsertMediaText("Volume \"%s\" not found!", label),
                                              TMsgDlgType::Confirmation, MbOkCancel) != MrOk) {
            return dest;
        }
    }
}

bool TBackupRun::DriveReady(const std::string& path, int endMode) const
{
    std::string label;
    for (;;) {
        const int kind = GetPathKind(path);
        if (kind != PathKindInvalid && (kind != PathKindRemovable || GetVolumeName(path, label))) {
            return true;
        }
        if (!ShowsErrors(endMode) ||
            MessageDialog({}, InsertMediaText("Drive \"%s\" not ready!", Platform::ExtractFileDrive(path)),
                          TMsgDlgType::Confirmation, MbOkCancel) != MrOk) {
            return false;
        }
    }
}

bool TBackupRun::ConnectShare(TRun& run, const std::string& dest)
{
    std::string password = Task.NetPassword;
    IRunDialogs* prompts = Prompts(run.EndMode);
    if (!Task.NetUser.empty() && password.empty() && run.Interactive && prompts) {
        prompts->NewPassword(TrDefault("Net connection"), 0, false, password);
    }
    SetNetCredentials(Task.NetUser, password);
    return ConnectNetShare(dest, NetUserName, run.Interactive);
}

bool TBackupRun::PrepareLocalDestination(TRun& run, int endMode)
{
    std::string dest = ExpandPlaceholders(false, Task.Destination);
    if (!dest.empty() && dest.front() == ':') {
        dest = FindVolume(run, dest);
    }
    run.Root = RemovePathDelimiter(dest);
    if (dest.empty() || dest.front() == ':') {
        return false; // the volume was not found
    }
    bool ok = true;
    switch (GetPathKind(dest)) {
    case PathKindNetwork:
        ok = ConnectShare(run, dest);
        break;
    case PathKindNoDrive:
        dest = Platform::ExpandFileName(dest);
        break;
    case PathKindInvalid:
    case PathKindRemovable:
        ok = DriveReady(dest, endMode);
        break;
    default:
        break;
    }
    run.Root = RemovePathDelimiter(dest);
    run.UserRoot = run.Root;
    if (!ok) {
        return false;
    }
    return Platform::DirectoryExists(run.Root) || Platform::ForceDirectories(run.Root) == 0;
}

void TBackupRun::ApplyRotation(TRun& run)
{
    if (!run.Slot || run.Slot->StepMode <= StepNone) {
        return;
    }
    const TAutoTask& slot = *run.Slot;
    const std::string folder = RotationFolderName(slot);
    run.Rotation = true;
    if (run.Ftp) {
        run.Ftp->ChangeToDir(folder);
        run.Root = IncludeTrailingSlash(run.Root) + folder;
    } else {
        run.Root = AddPathDelimiter(run.Root) + folder;
        std::string link;
        if (!EnterDestBase(run.UserRoot, run.Root, true, link) &&
            Platform::LastError() == Platform::ErrorStoppedOnSymlink) {
            Line(run, LogErrorPrefix + TrDefault("Symbolic link in the backup, left alone: ") + link);
        }
    }
    run.RotationNote = RotationText(slot);
    if (slot.SchedMode != 0) {
        const bool incremental = slot.SchedMode == 2 || slot.SchedMode == 4;
        Task.ClearDest = true;
        Task.ArchBit = IsFullBackup(slot) || incremental;
        Task.UseArch = !IsFullBackup(slot);
    }
}

// ---- one source folder ------------------------------------------------------------------------

bool TBackupRun::SourcePresent(TRun& run, const std::string& source, int endMode)
{
    if (Platform::DirectoryExists(source)) {
        return true;
    }
    if (run.Interactive && GetPathKind(source) == PathKindRemovable && DriveReady(source, endMode) &&
        Platform::DirectoryExists(source)) {
        return true;
    }
    if (ShowsErrors(endMode)) {
        ErrorDialog({}, NotFoundText(source));
    }
    Line(run, LogErrorPrefix + NotFoundText(source));
    ++run.Counters.Errors;
    return false;
}

void TBackupRun::BackupSource(TRun& run, TExtensionList& entry)
{
    const std::string source = RemovePathDelimiter(entry.ExpandedDir);
    if (!SourcePresent(run, source, run.EndMode)) {
        return;
    }
    const std::string drive = Platform::ExtractFileDrive(source);
    const std::string relative = RelativeToDrive(source, drive);
    const std::string sourceLine = "  Source: " + AddPathDelimiter(drive) + relative;
    IProgressView& view = Supervision.View();
    std::string base;
    std::string remembered; // the remote folder to return to
    if (run.Ftp) {
        Line(run, sourceLine);
        if (Task.DestMode == DestZipFile) {
            if (!run.Zip) {
                run.TempZip = TTempArchive::Create();
                if (!run.TempZip) {
                    throw EZipError(TrDefault("Error writing to Zip file"), ecCreateFile);
                }
                run.ZipPath = run.TempZip->Path();
                run.Zip = std::make_unique<TZipWrite>(run.ZipPath, AddPathDelimiter(drive), run.Password, 0,
                                                      Settings.BufferSize);
                run.Zip->SetOnProgress(Supervision.CopyProgressEvent());
                view.SetDestination(run.DestText + "/" + ZipName + run.RotationNote);
                Line(run, "  Dest.:  " + run.DestText + "/" + ZipName);
                run.Ftp->Disconnect();
            }
        } else {
            if (!run.StampRead) {
                run.Stamp = ReadFtpTimeStamp(*run.Ftp);
                run.StampRead = true;
            }
            base = FtpDestinationBase(source, Task.DestMode);
            run.Ftp->PrintWorkingDir(remembered);
            if (!run.Ftp->ChangeToDir(base)) {
                Line(run, LogErrorPrefix + TrDefault("Error changing directory on FTP server: ") +
                              IncludeTrailingSlash(remembered) + base);
                ++run.Counters.Errors;
                run.Ftp->ChangeDir(remembered);
                return;
            }
        }
    } else {
        if (!Platform::DirectoryExists(run.Root) && Platform::ForceDirectories(run.Root) != 0) {
            const std::string text = TrDefault("Could not create directory:") + "\r\n" + FormatText("%s!", run.Root);
            if (ShowsErrors(run.EndMode)) {
                ErrorDialog({}, text);
            }
            Line(run, LogErrorPrefix + text);
            ++run.Counters.Errors;
            return;
        }
        Line(run, sourceLine);
        if (Task.DestMode == DestZipFile) {
            if (!run.Zip) {
                run.ZipPath = AddPathDelimiter(run.Root) + ZipName;
                // Written under a temporary name: the previous archive stays until this one is done.
                std::string link;
                run.ZipFolder = EnterDestBase(run.UserRoot, run.Root, true, link);
                if (!run.ZipFolder) {
                    throw EZipError(TrDefault("Error writing to Zip file"), ecCreateFile);
                }
                RemoveZipLeftovers(run);
                run.Zip =
                    std::make_unique<TZipWrite>(CreateBackupTemporary(*run.ZipFolder, run.ZipTempName), run.ZipPath,
                                                AddPathDelimiter(drive), run.Password, 0, Settings.BufferSize);
                run.Zip->SetOnProgress(Supervision.CopyProgressEvent());
                run.Zip->OnVerifyProgress = Supervision.ZipProgressEvent();
                view.SetDestination(run.ZipPath + run.RotationNote);
                Line(run, "  Dest.:  " + run.ZipPath);
            }
        } else {
            base = DestinationBase(run.Root, source, Task.DestMode);
            view.SetDestination(run.Root + (run.Slot ? run.RotationNote : run.Tag));
        }
    }
    if (Task.DestMode != DestZipFile && !run.Ftp && !BaseFreeOfLinks(run, base)) {
        return;
    }
    if (Task.DestMode != DestZipFile) {
        ClearOrSynchronise(run, entry, source, base);
    }
    // The walk's FTP side comes from the FTP module; without it nothing can be uploaded.
    const bool canUpload = !run.Ftp || Task.DestMode == DestZipFile || run.WalkFtp;
    if (!canUpload) {
        Line(run, LogErrorPrefix + TrDefault("Error writing to FTP server: ") + run.DestText);
        ++run.Counters.Errors;
    } else if (!Supervision.Cancelled()) {
        WalkSource(run, entry, source, base);
    }
    if (!remembered.empty()) {
        run.Ftp->ChangeDir(remembered);
    }
}

bool TBackupRun::ShouldClear(const TRun& run, const std::string& base) const
{
    if (Task.BackupMethod() == MethodCopy || (Task.UseArch && std::floor(run.Stamp) >= run.RunDate)) {
        return false;
    }
    // Never empty what this run has written already (in mode 2 every source shares one
    // folder, and nested sources share parts of their bases).
    for (const std::string& written : run.WrittenBases) {
        if (PathInside(base, written) || PathInside(written, base)) {
            return false;
        }
    }
    return true;
}

void TBackupRun::ClearOrSynchronise(TRun& run, TExtensionList& entry, const std::string& source,
                                    const std::string& base)
{
    IProgressView& view = Supervision.View();
    const std::string shownBase = run.Ftp ? JoinFtpPath(run.Root, base) : base;
    const std::string comparedBase = run.Ftp ? SlashToBackslash(shownBase) : base;
    if (ShouldClear(run, comparedBase)) {
        Line(run, "  " + TrDefault("Delete: ") + shownBase);
        Line(run, "  Dest.:  " + shownBase + " - " + MethodName(Task.BackupMethod()));
        if (run.EndMode != EndNotVisible) {
            ShowStatusWindow(TrDefault("Deleting"), {}, 0, false);
        }
        view.ShowFile(ItemDirectory, TrDefault("is being deleted"),
                      RelativeToDrive(source, Platform::ExtractFileDrive(source)));
        int counter = 0;
        if (run.Ftp) {
            run.Ftp->DeleteTree("", counter);
        } else {
            run.Clear->ClearDestDir(base, "", counter);
        }
        HideStatusWindow();
        return;
    }
    if (run.Sync && Task.BackupMethod() == MethodCopy) {
        Line(run, "  Dest.:  " + shownBase);
        Line(run, LogStepPrefix + TrDefault("Synchronize"));
        view.ShowFile(ItemDirectory, TrDefault("is being synchronized"), shownBase);
        view.SetFileProgress(0);
        view.SetPauseEnabled(false);
        int deleted = 0;
        int considered = 0;
        if (run.Ftp) {
            run.Clear->SyncFtpDir(*run.Ftp, source, "", false, deleted, considered, entry);
        } else {
            if (entry.SyncCount == 0) {
                run.Clear->CountDestFiles(source, base, entry, "");
            }
            run.Clear->SyncDestDir(source, base, "", false, deleted, considered, entry);
        }
        entry.SyncCount = considered - deleted;
        run.Deleted += static_cast<uint32_t>(deleted);
        Line(run, std::string("    ") + "  Status: " + ": " + DeletedText(static_cast<uint32_t>(deleted)));
        Line(run, LogStepPrefix + TrDefault("Data backup"));
        view.SetFileProgress(0);
        view.SetPauseEnabled(true);
        return;
    }
    Line(run, "  Dest.:  " + shownBase);
}

void TBackupRun::WalkSource(TRun& run, TExtensionList& entry, const std::string& source, const std::string& base)
{
    TBackupWalk& walk = *run.Walk;
    walk.ZipWriter = run.Zip.get();
    walk.Ftp = run.Ftp ? run.WalkFtp.get() : nullptr;
    const bool driveRoot = RelativeToDrive(source, Platform::ExtractFileDrive(source)).empty();
    TFileTimes times;
    uint32_t attr = faDirectory;
    if (!driveRoot) {
        times = GetDirFileTimes(source);
        const uint32_t found = Platform::GetFileAttributes(source);
        attr = found == InvalidFileAttributes ? faDirectory : found;
    }
    const TWalkCounters before = run.Counters;
    TWalkContext ctx(entry, run.Counters);
    ctx.SourceBase = source;
    ctx.DestBase = base;
    ctx.DestRoot = run.Ftp ? std::string() : run.UserRoot;
    ctx.ExpectedTotal = run.Expected;
    walk.BackupDir(ctx, "", times, attr);
    entry.FileCount = static_cast<int32_t>(run.Counters.Processed - before.Processed);
    entry.ByteCount = run.Counters.Bytes - before.Bytes;
    run.WrittenBases.push_back(run.Ftp ? SlashToBackslash(JoinFtpPath(run.Root, base)) : base);
    if (!run.Ftp) {
        TidyAfterWalk(run, source, base);
    }
}

bool TBackupRun::BaseFreeOfLinks(TRun& run, const std::string& base)
{
    // Clearing, synchronising and tidying work by path: never through a link on the way.
    std::string link;
    if (EnterDestBase(run.UserRoot, base, false, link) || Platform::LastError() != Platform::ErrorStoppedOnSymlink) {
        return true;
    }
    Line(run, LogErrorPrefix + TrDefault("Symbolic link in the backup, left alone: ") + link);
    ++run.Counters.Errors;
    return false;
}

void TBackupRun::TidyAfterWalk(TRun& run, const std::string& source, const std::string& base)
{
    std::string link;
    if (Task.DestMode != DestZipFile && EnterDestBase(run.UserRoot, base, false, link)) {
        Platform::SetFileAttributes(base, Platform::GetFileAttributes(source) & ~faReadOnly);
        const TFileTimes times = GetDirFileTimes(source);
        if (times.Valid != 0) {
            SetFileTimes(base, times, true, Task.CreationTime);
        }
        if (Task.EmptyDirs) {
            const std::string root = RemovePathDelimiter(run.Root);
            std::string folder = RemovePathDelimiter(base);
            while (Platform::RemoveDir(folder) == 0) {
                const std::string parent = ExtractParentDir(folder);
                if (parent == folder || SameTextIgnoringCase(parent, root) || !PathInside(parent, root)) {
                    break;
                }
                folder = parent;
            }
        }
    }
    if (Task.DeleteFile) {
        Platform::RemoveDir(source);
    }
}

// The unfinished archive of a zip run that died (killed, power cut) is still there under its
// temporary name; the previous archive was never touched. Nothing else in the folder is.
void TBackupRun::RemoveZipLeftovers(TRun& run)
{
    for (const std::string& path : RemoveBackupTemporaries(*run.ZipFolder)) {
        Log.WriteLog(LogNotePrefix + TrDefault("Removed what an interrupted run left: ") + path);
    }
}

// ---- the end -----------------------------------------------------------------------------------

void TBackupRun::FinishTimeStamp(TRun& run)
{
    const bool stamped = Task.BackupMethod() != MethodCopy;
    if (run.Ftp) {
        if (stamped && Task.DestMode != DestZipFile) {
            WriteFtpTimeStamp(*run.Ftp, run.Start);
        }
        return;
    }
    if (OnlyTimeStampLeft(run.Root)) {
        Platform::DeleteFile(AddPathDelimiter(run.Root) + TimeStampName);
        if (run.Rotation) {
            Platform::RemoveDir(run.Root);
        }
    } else if (stamped) {
        WriteTimeStamp(run.Root, run.Start);
    }
}

void TBackupRun::FinishArchive(TRun& run)
{
    if (!run.Zip) {
        run.TempZip.reset();
        return;
    }
    if (run.Walk && run.Walk->ZipFailed) {
        run.EndText = TrDefault("Error writing to Zip file");
    } else {
        try {
            run.Zip->Close();
            if (Task.Verify) {
                run.Zip->Verify();
                Log.WriteLog(LogNotePrefix + FormatText(TrDefault("Zip file: \"%s\" verified"), ZipName));
            }
        } catch (const EZipError& error) {
            Line(run, LogErrorPrefix + StatusCodeText(error.Code));
            run.EndText = ErrorNumber(error.Code) == errVerify ? TrDefault("Error verifying Zip file")
                                                               : TrDefault("Error writing to Zip file");
        }
    }
    if (run.Walk) {
        run.Walk->ZipWriter = nullptr;
    }
    run.Zip.reset();
    if (run.ZipFolder && !run.ZipTempName.empty()) {
        // Only a finished archive of a run that went on replaces the previous one.
        if (run.EndText.empty() && !Supervision.Cancelled()) {
            PutArchiveInPlace(run);
        }
        run.DropTempArchive();
    }
    if (run.Ftp && run.EndText.empty() && !UploadArchive(run) && run.EndText.empty()) {
        run.EndText = TrDefault("Error writing to FTP server: ") + run.DestText;
    }
    run.TempZip.reset();
}

void TBackupRun::PutArchiveInPlace(TRun& run)
{
    const Platform::TEntryKind kind = run.ZipFolder->Kind(ZipName);
    if (kind == Platform::TEntryKind::Link) {
        Line(run, LogErrorPrefix + TrDefault("Symbolic link in the backup, left alone: ") + run.ZipPath);
    } else if ((kind == Platform::TEntryKind::Missing || kind == Platform::TEntryKind::File) &&
               run.ZipFolder->ReplaceFile(run.ZipTempName, ZipName) == 0) {
        run.ZipTempName.clear();
        return;
    } else {
        Line(run, LogErrorPrefix + StatusCodeText(ecCreateFile) + ": " + run.ZipPath);
    }
    run.EndText = TrDefault("Error writing to Zip file");
}

bool TBackupRun::UploadArchive(TRun& run)
{
    if (!ConnectFtp(run)) {
        Line(run, FtpConnectionFailedText());
        run.EndText = FtpConnectionFailedText();
        return false;
    }
    if (run.Rotation) {
        run.Ftp->ChangeToDir(RotationFolderName(*run.Slot));
    }
    Supervision.View().ShowFile(ItemTempZip, "", {});
    Supervision.CurrentFileSize = static_cast<int64_t>(FileSize64(run.ZipPath));
    const TStatusCode status = Supervision.WaitForCopy(std::make_unique<TWriteFtpThread>(
        run.Ftp.get(), run.ZipPath, ZipName, nullptr, false, Settings.BufferSize, Priority));
    if (status == 0 && Task.BackupMethod() != MethodCopy) {
        WriteFtpTimeStamp(*run.Ftp, run.Start);
    }
    return status == 0;
}

void TBackupRun::ShowEndStatus(TRun& run)
{
    IProgressView& view = Supervision.View();
    const std::string action = TrDefault("Backup completed");
    const TWalkCounters& c = run.Counters;
    const std::string copied = CopiedText(c.Copied, c.Processed);
    if (!run.EndText.empty()) {
        view.Finish(FinishWarnings, action, run.EndText, ColorRed, run.CloseValue);
        run.Result = false;
    } else if (Supervision.Cancelled()) {
        view.Finish(FinishCancelled, action, TrDefault("Cancelled by user"), ColorRed, -1);
        run.EndText = TrDefault("Cancelled by user");
        run.Result = false;
    } else if (c.Errors + c.Warnings > 0) {
        run.EndText = c.Errors > 0 ? std::to_string(c.Errors) + TrDefault(" Error on backup")
                                   : std::to_string(c.Warnings) + TrDefault(" Warnings on backup!");
        view.Finish(FinishWarnings, action, run.EndText + " - " + copied, ColorRed, run.CloseValue);
        run.Result = true;
    } else {
        std::string text = copied;
        if (run.Sync && run.Deleted > 0) {
            text += " (" + DeletedText(run.Deleted) + ")";
        }
        view.Finish(FinishOk, action, text + "!", ColorBlue, run.CloseValue);
        run.EndText = "OK";
        run.Result = true;
    }
    LastTotals = {c.Processed, c.Copied, c.Errors, c.Warnings, run.Deleted, run.EndText};
}

void TBackupRun::WriteEndLines(TRun& run)
{
    const std::string end = LogStatusPrefix + TrDefault("End") + ": " + DateTimeText(run.End) + run.Title + run.Tag;
    Log.WriteEndLine(end);
    if (Mail) {
        Mail->AddMailLine(end);
    }
    const std::string status =
        "  Status: " + run.EndText + " (" + CopiedText(run.Counters.Copied, run.Counters.Processed) + ")";
    Log.WriteEndLine(status);
    if (Mail) {
        Mail->SendMailReport(status, run.CloseValue >= 0);
    } else {
        Log.CloseRunLog();
    }
}
