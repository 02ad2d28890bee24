#pragma once

// The report mail of a backup run: one plain-text mail that sums the run up, with
// the run's own log (TBackupLog's per-run log) attached as text or zipped.
//
//   TMailReport report(log, task);   run.Mail = &report;
//
// The run then calls, from the GUI thread:
//   StartMailReport(startLine, start)     the "  ==> Start: ..." line and the start time
//   AddMailLine(line)                     each line mailed besides logging it
//   SendMailReport(statusLine, shown)     the "  Status: ..." line; shown: the progress
//                                         window was shown, so the user sees
//                                         "Sending E-Mail" and an error box on failure
// and only then log.CloseLog(). SendMailReport always closes the per-run log (so the mail
// can attach it and CloseLog may delete it); everything else does nothing while the
// task's SendMail is off. The outcome goes to the log ("  ==> Mail notifications were
// sent to ..." or "    *** Error sending mail to server:port -> cause"); it never
// changes the run's result.

#include "tasks/IMailReport.h"
#include "tasks/Mailer.h"
#include "tasks/Settings.h"
#include "tasks/TaskModel.h"

#include <cstdint>
#include <string>

class TBackupLog;

class TMailReport : public IMailReport
{
public:
    // The log gives the per-run log, the product text and the version, and takes the
    // outcome lines; the task gives SendMail and the mail settings.
    TMailReport(TBackupLog& log, const TBackupTask& task);

    TMailer Mailer;
    std::string ProgramTitle = "Tessaro";
    // Caption of the status window and of the error box.
    std::string Caption;
    int32_t BufferSize = DefaultBufferSize;
    // Whether the last SendMailReport got the mail to the server.
    bool LastSent = false;

    // Subject "Tessaro: Backup at " + the start time; the body starts with the product
    // line and the start line.
    void StartMailReport(const std::string& startLine, TDateTime startTime) override;
    void AddMailLine(const std::string& line) override;
    void SendMailReport(const std::string& statusLine, bool showStatusWindow) override;

private:
    bool Send(const std::string& statusLine, bool showStatusWindow);
    bool SetSender();
    void AttachRunLog(std::string& zipPath);
    bool ZipRunLog(const std::string& zipPath);
    void LogFailure(const std::string& cause, bool showError);

    TBackupLog& Log;
    const TBackupTask& Task;
};
