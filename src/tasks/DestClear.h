#pragma once

// Emptying and synchronising a destination before the walk of a source folder:
//   ClearDestDir   deletes a destination folder with everything in it;
//   CountDestFiles counts what a synchronisation will look at (for its progress);
//   SyncDestDir    deletes destination files and folders whose source has gone;
//   SyncFtpDir     the same on an FTP server, below the client's current folder.
//
// Destination names are compared with the source names as the walk converts them
// (FilenameCase, ReplaceChars, the FTP name case), never as raw text: host names are
// case-sensitive, and a raw comparison would take every converted copy for an orphan.
// A file that may be a kept version of a source file (tasks/BackupNames) goes only with it.
// Undeletable entries are logged and skipped; the cancel flag ends a pass at once.

#include "tasks/BackupLog.h"
#include "tasks/BackupSupervision.h"
#include "tasks/TaskModel.h"

#include <set>
#include <string>

class IStatusView;
class TExtFtp;

class TDestClear
{
public:
    TDestClear(const TBackupTask& task, TBackupLog& log, TBackupSupervision& supervision);

    // Program settings of the name conversion (as the walk uses them).
    int32_t FilenameCase = 0;
    bool ReplaceChars = false;
    // Where the current folder is shown; by default the program's status window.
    IStatusView* Status = nullptr;
    // The folder the run holds its lock on: emptied, never removed, so that a run waiting
    // for it never finds a new folder of that name beside the held one.
    std::string LockedFolder;

    // Deletes folder\subfolder (folder itself for an empty subfolder) with its content;
    // every file tried adds 1 to counter.
    void ClearDestDir(const std::string& folder, const std::string& subfolder, int& counter);
    // Adds to filter.SyncCount the number of destination files a synchronisation considers.
    void CountDestFiles(const std::string& source, const std::string& dest, TExtensionList& filter,
                        const std::string& subfolder);
    // Synchronises dest\subfolder with source\subfolder. deleteAll deletes every file.
    void SyncDestDir(const std::string& source, const std::string& dest, const std::string& subfolder, bool deleteAll,
                     int& deleted, int& considered, TExtensionList& filter);
    // The FTP twin: the client stands in the destination folder of source; subfolder is
    // relative to it.
    void SyncFtpDir(TExtFtp& ftp, const std::string& source, const std::string& subfolder, bool deleteAll, int& deleted,
                    int& considered, TExtensionList& filter);

private:
    struct TSourceNames;
    struct TFtpSync;
    // What a synchronisation does with a destination subfolder.
    enum class TSubfolderStep
    {
        Keep,    // a subfolder the selection leaves out: nothing in it was ever the selection's
        Descend, // synchronised entry by entry
        Delete,  // its source has gone
    };

    bool Cancelled() const { return Supervision.Cancelled(); }
    IStatusView& StatusView() const;
    std::string ConvertName(const std::string& name) const;
    TSourceNames ListSource(const std::string& folder, TExtFtp* ftp) const;
    // The source name a destination file stands for; false when it cannot be told.
    bool CandidateName(const std::string& destFile, const std::string& name, bool remote, std::string& candidate) const;
    bool SelectionPasses(const std::string& candidate, TExtensionList& filter) const;
    bool SourceGone(const TSourceNames& names, const std::string& candidate, bool gzFile) const;
    void ShowSyncProgress(const TExtensionList& filter, int considered);
    TSubfolderStep SubfolderStep(const TSourceNames& names, const std::string& sourceDir, const std::string& name,
                                 const TExtensionList& filter) const;
    void LogFolderDeletion(const std::string& subfolder);

    void SyncFtpFolder(TFtpSync& sync, const std::string& subfolder);
    // False (logged) when the client cannot change into the folder; remembered is where it stood.
    bool EnterFtpFolder(TExtFtp& ftp, const std::string& name, std::string& remembered);
    void SyncFtpSubfolders(TFtpSync& sync, const std::string& subfolder, const std::string& sourceDir,
                           const TSourceNames& names);
    // True when every file of the client's current folder was deleted.
    bool SyncFtpFiles(TFtpSync& sync, const std::string& subfolder, const TSourceNames& names);
    // Whether a file on the server is one to delete: the selection takes it and its source has gone.
    bool RemoteFileOrphaned(TFtpSync& sync, const TSourceNames& names, const std::string& name);
    // Back to where the client stood; the folder is removed when emptied.
    void LeaveFtpFolder(TExtFtp& ftp, const std::string& name, const std::string& remembered, bool emptied);

    const TBackupTask& Task;
    TBackupLog& Log;
    TBackupSupervision& Supervision;
};
