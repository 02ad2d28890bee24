#include "tasks/MailReport.h"

#include "engine/StatusCodes.h"
#include "engine/ZipWrite.h"
#include "foundation/MessageDialogs.h"
#include "foundation/PathUtils.h"
#include "foundation/ShownPaths.h"
#include "foundation/StatusView.h"
#include "foundation/StringUtils.h"
#include "foundation/Translate.h"
#include "platform/FileSystem.h"
#include "tasks/BackupLog.h"
#include "tasks/BackupSelection.h"
#include "tasks/IniValues.h"

#include <stdexcept>

namespace {

// "name.log" -> "name.zip", beside it.
std::string ZipNameOf(const std::string& logPath)
{
    const size_t dot = logPath.rfind('.');
    const size_t slash = logPath.rfind('\\');
    const bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExt ? logPath.substr(0, dot) : logPath) + ".zip";
}

} // namespace

TMailReport::TMailReport(TBackupLog& log, const TBackupTask& task) : Log(log), Task(task)
{}

void TMailReport::StartMailReport(const std::string& startLine, TDateTime startTime)
{
    if (!Task.SendMail) {
        return;
    }
    Mailer.Subject = "Tessaro: " + TrDefault("Backup at ") + DateTimeText(startTime);
    Mailer.Body.clear();
    Mailer.Body.push_back(Log.ProductText + " (Vers. " + Log.FileVersion + ")");
    Mailer.Body.push_back(startLine);
}

void TMailReport::AddMailLine(const std::string& line)
{
    if (Task.SendMail) {
        Mailer.Body.push_back(line);
    }
}

bool TMailReport::SetSender()
{
    if (Task.Mail.Sender.find('@') == std::string::npos) {
        // A plain name: the reply-to address carries the mail.
        Mailer.From = {Task.Mail.Sender, TrimText(Task.Mail.ReplyTo)};
    } else {
        Mailer.From = {"Tessaro", TrimText(Task.Mail.Sender)};
    }
    return ValidMailAddress(Mailer.From.Address);
}

bool TMailReport::ZipRunLog(const std::string& zipPath)
{
    try {
        TZipWrite zip(zipPath, ExtractFilePath(Log.RunLogPath), "", 0, BufferSize);
        zip.AddFile(Log.RunLogPath);
        zip.Close();
        return true;
    } catch (const std::exception&) {
        Platform::DeleteFile(zipPath);
        return false;
    }
}

void TMailReport::AttachRunLog(std::string& zipPath)
{
    Mailer.Attachments.AttachedFiles.clear();
    zipPath.clear();
    if (!Task.Mail.AttachLog || Log.RunLogPath.empty() || !Platform::FileExists(Log.RunLogPath)) {
        return;
    }
    if (Task.Mail.ZipLog && ZipRunLog(ZipNameOf(Log.RunLogPath))) {
        zipPath = ZipNameOf(Log.RunLogPath);
        Mailer.Attachments.AttachedFiles.push_back(zipPath + "|zip");
        return;
    }
    // Not zipped, or zipping failed: the plain log still tells the story.
    Mailer.Attachments.AttachedFiles.push_back(Log.RunLogPath + "|text/plain");
}

void TMailReport::LogFailure(const std::string& cause, bool showError)
{
    const std::string text = ReplaceText(FormatText(TrDefault("Error sending mail to %s:%u"), Task.Mail.Server), "%u",
                                         std::to_string(Task.Mail.Port));
    Log.WriteLog(LogErrorPrefix + text + " -> " + cause);
    if (showError) {
        HideStatusWindow();
        ErrorDialog(Caption, text);
    }
}

void TMailReport::SendMailReport(const std::string& statusLine, bool showStatusWindow)
{
    if (Log.RunLogOpen) {
        Log.CloseRunLog();
    }
    LastSent = Task.SendMail && Send(statusLine, showStatusWindow);
}

bool TMailReport::Send(const std::string& statusLine, bool showStatusWindow)
{
    if (showStatusWindow) {
        ShowStatusWindow(Caption, TrDefault("Sending E-Mail"), 1, false);
    }
    Mailer.Body.push_back(statusLine);
    Mailer.SetRecipientsText(Task.Mail.Recipients);
    Mailer.Host = Task.Mail.Server;
    Mailer.Port = Task.Mail.Port;
    Mailer.UserId = Task.Mail.Username;
    Mailer.Password = Task.Mail.Password;
    if (!SetSender()) {
        LogFailure(TrDefault("No sender address"), showStatusWindow);
        return false;
    }
    std::string zipPath;
    AttachRunLog(zipPath);
    Mailer.ClearHeaders();
    Mailer.SetHeader("User-Agent", ProgramTitle);
    Mailer.SetHeader("Sender", Mailer.From.Address);
    Mailer.SetHeader("Reply-To", Task.Mail.ReplyTo);
    // The report shows host paths, as the log does.
    for (std::string& line : Mailer.Body) {
        line = HostPathsInLogLine(line);
    }

    const bool sent = Mailer.Send();
    if (sent) {
        if (showStatusWindow) {
            HideStatusWindow();
        }
        Log.WriteLog(LogStatusPrefix +
                     FormatText(TrDefault("Mail notifications were sent to %s"), Task.Mail.Recipients));
    } else {
        LogFailure(Mailer.LastError, showStatusWindow);
    }
    if (!zipPath.empty()) {
        Platform::DeleteFile(zipPath);
    }
    return sent;
}
