#pragma once

// The report mail of a backup run: one plain-text mail that sums the run up, with
// the run's own log (TBackupLog's per-run log) attached as text or zipped.
//
// The run calls, in this order (all from the GUI thread):
//   report.SendMail = task.SendMail;  report.Mail = task.Mail;      // before the run
//   report.StartMailReport(startLine, startTimeText);   // the "  ==> Start: ..." line
//   report.AddMailLine(line);                           // each line mailed besides logging it
//   report.SendMailReport(statusLine, progressShown);   // the "  Status: ..." line
// and only then log.CloseLog(). SendMailReport always closes the per-run log (so the mail
// can attach it and CloseLog may delete it); everything else does nothing while SendMail
// is off. The outcome is written to the log ("  ==> Mail notifications were sent to ..."
// or "    *** Error sending mail to server:port -> cause"); it never changes the run's result.

#include "tasks/Mailer.h"
#include "tasks/Settings.h"
#include "tasks/TaskModel.h"

#include <cstdint>
#include <string>

class TBackupLog;

class TMailReport
{
public:
    // The log gives the per-run log, the product text and the version, and takes the
    // outcome lines.
    explicit TMailReport(TBackupLog& log);

    TMailer Mailer;
    bool SendMail = false; // the task's report-mail option
    TMailData Mail;        // the task's mail settings
    std::string ProgramTitle = "Tessaro";
    // Caption of the status window and of the error box.
    std::string Caption;
    int32_t BufferSize = DefaultBufferSize;

    // Subject "Tessaro: Backup at " + startTimeText; the body starts with the product
    // line and the start line.
    void StartMailReport(const std::string& startLine, const std::string& startTimeText);
    void AddMailLine(const std::string& line);
    // Closes the per-run log, then (mail option on) adds the status line and sends.
    // showStatusWindow: the run's progress window was shown, so the user sees
    // "Sending E-Mail" and an error box on failure. True when the mail was sent.
    bool SendMailReport(const std::string& statusLine, bool showStatusWindow);

private:
    bool SetSender();
    void AttachRunLog(std::string& zipPath);
    bool ZipRunLog(const std::string& zipPath);
    void LogFailure(const std::string& cause, bool showError);

    TBackupLog& Log;
};
