#pragma once

// What a backup run reports to its mail; its own header, so that the run and the
// mail report (tasks/MailReport.h) need not include each other.

#include "foundation/DateUtils.h"

#include <string>

// The report mail of a run. The default mails nothing and only closes the per-run log.
class IMailReport
{
public:
    virtual ~IMailReport() = default;
    virtual void StartMailReport(const std::string& startLine, TDateTime startTime) = 0;
    virtual void AddMailLine(const std::string& line) = 0;
    // Closes the per-run log, adds the status line and sends.
    virtual void SendMailReport(const std::string& statusLine, bool showStatus) = 0;
};
