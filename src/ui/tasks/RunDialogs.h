#pragma once

// The windows behind the prompts of a run and the repairs of the task checks:
//   TQtRunDialogs        new password, asked password, text input
//   TQtTaskCheckDialogs  the folder chooser for a destination, the FTP settings dialog
// InstallRunDialogs registers both for every run that brings no dialogs of its own.

#include "tasks/BackupRun.h"
#include "tasks/TaskChecks.h"

#include <functional>

class TBackupLog;
class TNewPwdDialog;
class TShowtextDialog;
class TShellDirDialog;

class TQtRunDialogs : public IRunDialogs
{
public:
    explicit TQtRunDialogs(TNewPwdDialog& newPassword) : newPwd(newPassword) {}
    bool NewPassword(const std::string& caption, int minLength, bool repeat, std::string& password) override;
    bool AskPassword(const std::string& caption, const std::string& text, std::string& password) override;
    bool InputText(const std::string& caption, const std::string& prompt, std::string& value) override;

private:
    TNewPwdDialog& newPwd;
};

class TQtTaskCheckDialogs : public ITaskCheckDialogs
{
public:
    explicit TQtTaskCheckDialogs(TShellDirDialog& folderChooser) : chooser(folderChooser) {}
    bool EditFtpSettings(TFtpParams& params) override;
    bool ChooseDestination(std::string& folder) override;

    // The FTP settings dialog, given by the task editor's dialogs; without it the FTP
    // settings cannot be repaired.
    std::function<bool(TFtpParams& params)> FtpSettingsDialog;

private:
    TShellDirDialog& chooser;
};

// Registers the dialogs (not owned) for the runs; nullptrs unregister.
void InstallRunDialogs(TQtRunDialogs* runDialogs, TQtTaskCheckDialogs* checkDialogs);

// The log display: the backup log in the text viewer, with print, erase, search and the
// walk over its sections (product text + " (") and errors; "No log file found" without
// a log. Erasing is refused while a run writes the log.
void ShowBackupLog(TShowtextDialog& viewer, const TBackupLog& log, const std::string& productText);
