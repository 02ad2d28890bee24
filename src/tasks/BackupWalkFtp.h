#pragma once

// The walk's FTP side for a run with an FTP destination: folder changes, the remote
// listing and copy decision, uploads through TWriteFtpThread with reconnects, and the
// remote file times.
//
// The run creates one per run on its connected client:
//   TBackupWalkFtp walkFtp(task, ftp, log, supervision);  Encryption, BufferSize, Priority
//   walk.Ftp = &walkFtp;
//
// A lost connection is taken up again in the folder the walk stands in (its absolute
// path, read with PWD). A failed upload never leaves a file behind that a later run
// could take for current: what the transfer wrote is deleted, at once or, when the
// server is gone, as soon as the connection is back. A previous copy that the failed
// attempt never touched stays.

#include "engine/CopyThread.h"
#include "platform/FtpListing.h"
#include "tasks/BackupLog.h"
#include "tasks/BackupSupervision.h"
#include "tasks/BackupWalk.h"
#include "tasks/TaskModel.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class TEncryption;
class TExtFtp;

class TBackupWalkFtp : public IWalkFtp
{
public:
    // Attempts to reach the server again before a file, the pause after each failed one.
    static constexpr int ConnectAttempts = 5;
    static constexpr int ConnectPause = 1000; // ms
    // Reconnects after the server closed the connection during an upload, and the pause.
    static constexpr int UploadReconnects = 3;
    static constexpr int ReconnectPause = 2000; // ms

    TBackupWalkFtp(const TBackupTask& task, TExtFtp& ftp, TBackupLog& log, TBackupSupervision& supervision);

    TEncryption* Encryption = nullptr; // an encrypting run's object
    int32_t BufferSize = 0x40000;
    TThreadPriority Priority = TThreadPriority::tpNormal;
    // Waits between attempts to reach the server; by default sleeps with the windows alive
    // and returns early when the run is cancelled.
    std::function<void(int milliseconds)> Wait;

    bool EnterFolder(const std::string& name, std::string& remembered) override;
    void LeaveFolder(const std::string& remembered) override;
    void FillFileList() override;
    bool EnsureConnected() override;
    bool NeedsUpdate(const TFtpFileJob& job) override;
    TStatusCode Upload(const TFtpFileJob& job) override;
    void DeleteRemoteFile(const std::string& remoteName) override;
    bool Listed(const std::string& remoteName) const override;
    TStatusCode UploadArchive(const std::string& archive, const std::string& zipName) override;

private:
    // What a failed upload may have left on the server.
    struct TPartial
    {
        std::string Folder; // absolute remote folder
        std::string Name;   // as sent (encoded)
        std::optional<TFtpListItem> Before;
    };

    bool Reconnect();
    // The file's modification time by MDTM (UTC, whole seconds); false when not offered.
    bool ExactRemoteTime(const std::string& name, int64_t& unixTime);
    TStatusCode Send(const std::string& source, const std::string& remoteName, bool gzip, TEncryption* encryption);
    TStatusCode RunWorker(const std::string& source, const std::string& remoteName, bool gzip, TEncryption* encryption);
    void RemovePartial();
    void LogChangeDirError(const std::string& folder);

    const TBackupTask& Task;
    TExtFtp& Ftp;
    TBackupLog& Log;
    TBackupSupervision& Supervision;
    std::string CurrentDir; // absolute; empty while not known
    std::optional<TPartial> Partial;
    std::string RemovedPartial; // the name of the last failed upload, already dealt with
};
