#include "tasks/BackupWalkFtp.h"

#include "engine/ExtFtp.h"
#include "engine/FileTimes.h"
#include "engine/WriteFtpThread.h"
#include "foundation/MessageLoop.h"
#include "foundation/StringUtils.h"
#include "foundation/Translate.h"
#include "tasks/BackupSelection.h"

#include <chrono>
#include <memory>
#include <thread>

namespace {

// The run climbs back out of its base folder by the client's Depth; the walk's own
// folder changes must not disturb that count.
bool ChangeToDirKeepingDepth(TExtFtp& ftp, const std::string& path)
{
    const int32_t depth = ftp.Depth;
    const bool changed = ftp.ChangeToDir(path);
    ftp.Depth = depth;
    return changed;
}

bool SameEntry(const TFtpListItem& a, const TFtpListItem& b)
{
    return a.Size == b.Size && a.HasTime == b.HasTime && a.ModifiedUnix == b.ModifiedUnix;
}

} // namespace

TBackupWalkFtp::TBackupWalkFtp(const TBackupTask& task, TExtFtp& ftp, TBackupLog& log, TBackupSupervision& supervision)
    : Task(task), Ftp(ftp), Log(log), Supervision(supervision)
{
    Wait = [this](int milliseconds) {
        constexpr int step = 100;
        for (int waited = 0; waited < milliseconds && !Supervision.Cancelled(); waited += step) {
            std::this_thread::sleep_for(std::chrono::milliseconds(step));
            ProcessMessages();
        }
    };
}

void TBackupWalkFtp::LogChangeDirError(const std::string& folder)
{
    Log.WriteLog(LogErrorPrefix + TrDefault("Error changing directory on FTP server: ") + folder);
}

bool TBackupWalkFtp::EnterFolder(const std::string& name, std::string& remembered)
{
    remembered.clear();
    if (!Ftp.Connected() && !EnsureConnected()) {
        return false;
    }
    if (!Ftp.PrintWorkingDir(remembered)) {
        remembered.clear();
        return false;
    }
    const std::string remoteName = Ftp.EncodeName(name);
    const std::string folder = IncludeTrailingSlash(remembered) + remoteName;
    if (!ChangeToDirKeepingDepth(Ftp, remoteName)) {
        LogChangeDirError(folder);
        return false;
    }
    CurrentDir = folder;
    return true;
}

void TBackupWalkFtp::LeaveFolder(const std::string& remembered)
{
    if (!Ftp.Connected()) {
        CurrentDir = remembered; // the next reconnect lands there
        return;
    }
    const bool back = remembered.empty() ? Ftp.ChangeDirUp() : Ftp.ChangeDir(remembered);
    if (!back) {
        std::string current;
        Ftp.PrintWorkingDir(current);
        LogChangeDirError(current);
        CurrentDir.clear();
        return;
    }
    CurrentDir = remembered;
}

void TBackupWalkFtp::FillFileList()
{
    if (!Ftp.Connected()) {
        EnsureConnected();
    }
    // Read where the walk stands: between source folders the run moves the client itself.
    std::string folder;
    if (Ftp.PrintWorkingDir(folder)) {
        CurrentDir = folder;
    }
    Ftp.FillFileList();
}

bool TBackupWalkFtp::Reconnect()
{
    Ftp.Disconnect();
    if (!Ftp.Connect()) {
        return false;
    }
    if (!CurrentDir.empty() && !ChangeToDirKeepingDepth(Ftp, CurrentDir)) {
        Ftp.Disconnect(); // files must never land in the wrong folder
        return false;
    }
    return true;
}

bool TBackupWalkFtp::EnsureConnected()
{
    for (int attempt = 1; !Ftp.Connected(); ++attempt) {
        if (Supervision.Cancelled()) {
            return false;
        }
        if (Reconnect()) {
            break;
        }
        if (attempt == ConnectAttempts) {
            return false;
        }
        Wait(ConnectPause);
    }
    RemovePartial();
    return true;
}

bool TBackupWalkFtp::ExactRemoteTime(const std::string& name, int64_t& unixTime)
{
    return Ftp.SupportsExtension("MDTM") && Ftp.SendCmd("MDTM " + name) && Ftp.LastReplyCode() == 213 &&
           ParseFtpTimeValue(TrimText(Ftp.LastReplyText()), unixTime);
}

bool TBackupWalkFtp::NeedsUpdate(const TFtpFileJob& job)
{
    // Both sides in UTC seconds, so no time zone or daylight saving moves the decision.
    const TFileTime written = GetFileWriteTime(job.SourcePath);
    if (written == 0) {
        return true;
    }
    const int64_t sourceTime = FileTimeToUnixTime(written);
    // A LIST line gives minutes at best (days for older files) in the server's own zone:
    // a copy listed that way is judged by its exact time.
    const bool machineListing = Ftp.UseMLIS && Ftp.SupportsExtension("MLST");
    const TFtpListItem* listed = machineListing ? nullptr : Ftp.FindListed(Ftp.EncodeName(job.RemoteName));
    int64_t remoteTime = 0;
    if (listed && ExactRemoteTime(listed->Name, remoteTime)) {
        return remoteTime + Task.Timespan < sourceTime;
    }
    return Ftp.NeedsUpdate(job.RemoteName, Task.Timespan, sourceTime);
}

TStatusCode TBackupWalkFtp::Upload(const TFtpFileJob& job)
{
    TStatusCode status = Send(job.SourcePath, job.RemoteName, job.Compress, Encryption);
    // A source written while it was read is sent once more; when it changed again, the
    // copy stays with a time that the next run does not take for current.
    if (ErrorNumber(status) == errChangedWhileCopied) {
        status = Send(job.SourcePath, job.RemoteName, job.Compress, Encryption);
    }
    if (ErrorNumber(status) == errChangedWhileCopied) {
        const TFileTime outdated = OutdatedCopyTime({false, Task.Timespan, Task.IgnoreDst}, job.SourceWrite);
        Ftp.SetRemoteTime(FileTimeToUnixTime(outdated), job.RemoteName);
        return status;
    }
    if (status != 0) {
        return status;
    }
    return Ftp.SetRemoteTime(job.SourcePath, job.RemoteName) ? 0 : opCopy | wcSetTimestamp;
}

TStatusCode TBackupWalkFtp::UploadArchive(const std::string& archive, const std::string& zipName)
{
    return Send(archive, zipName, false, nullptr);
}

TStatusCode TBackupWalkFtp::Send(const std::string& source, const std::string& remoteName, bool gzip,
                                 TEncryption* encryption)
{
    RemovedPartial.clear();
    TStatusCode status = RunWorker(source, remoteName, gzip, encryption);
    for (int reconnects = 0;
         ErrorNumber(status) == errFtpClosed && reconnects < UploadReconnects && !Supervision.Cancelled();
         ++reconnects) {
        Wait(ReconnectPause);
        if (Supervision.Cancelled() || !Reconnect()) {
            continue;
        }
        RemovePartial();
        status = RunWorker(source, remoteName, gzip, encryption);
    }
    if (CopyStands(status)) {
        Partial.reset();
    } else {
        RemovePartial();
    }
    return status;
}

TStatusCode TBackupWalkFtp::RunWorker(const std::string& source, const std::string& remoteName, bool gzip,
                                      TEncryption* encryption)
{
    TPartial partial;
    partial.Folder = CurrentDir;
    partial.Name = Ftp.EncodeName(remoteName);
    if (const TFtpListItem* listed = Ftp.FindListed(partial.Name)) {
        partial.Before = *listed;
    }
    Partial = partial;
    auto worker = std::make_unique<TWriteFtpThread>(&Ftp, source, remoteName, encryption, gzip, BufferSize, Priority);
    worker->WriteTimeWhenChanged = TFileTime{0}; // watched; the remote time is set here
    return Supervision.WaitForCopy(std::move(worker));
}

void TBackupWalkFtp::RemovePartial()
{
    if (!Partial || !Ftp.Connected()) {
        return; // tried again once the connection is back
    }
    const TPartial partial = *Partial;
    Partial.reset();
    RemovedPartial = partial.Name;
    if (!partial.Folder.empty() && partial.Folder != CurrentDir) {
        // Lost in another folder: the transfer broke off there, so its file is a torso.
        Ftp.DeleteFile(IncludeTrailingSlash(partial.Folder) + partial.Name);
        return;
    }
    if (!Ftp.FillFileList()) {
        Ftp.DeleteFile(partial.Name);
        return;
    }
    // A previous copy that the attempt never reached (refused, cancelled before the
    // transfer, unreadable source) is still whole and stays.
    const TFtpListItem* now = Ftp.FindListed(partial.Name);
    if (now && !(partial.Before && SameEntry(*partial.Before, *now))) {
        Ftp.DeleteFile(now->Name);
    }
}

bool TBackupWalkFtp::Listed(const std::string& remoteName) const
{
    return Ftp.FindListed(Ftp.EncodeName(remoteName)) != nullptr;
}

void TBackupWalkFtp::DeleteRemoteFile(const std::string& remoteName)
{
    const std::string name = Ftp.EncodeName(remoteName);
    if (name == RemovedPartial) {
        return; // dealt with when its upload failed
    }
    if (Partial && Partial->Name == name) {
        RemovePartial();
        return;
    }
    Ftp.DeleteFile(name);
}
