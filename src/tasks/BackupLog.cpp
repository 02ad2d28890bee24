#include "tasks/BackupLog.h"

#include "foundation/MessageDialogs.h"
#include "foundation/NumberText.h"
#include "foundation/PathUtils.h"
#include "foundation/ShownPaths.h"
#include "foundation/StringUtils.h"
#include "foundation/SysErrors.h"
#include "foundation/Translate.h"
#include "platform/FileSystem.h"
#include "platform/WinError.h"

namespace {

// A line break inside a line would make one entry look like two.
std::string OneLine(const std::string& line)
{
    if (line.find_first_of("\r\n") == std::string::npos) {
        return line;
    }
    return ReplaceText(ReplaceText(ReplaceText(line, "\r\n", " "), "\n", " "), "\r", " ");
}

void WriteLine(Platform::TFile* file, const std::string& line)
{
    if (file) {
        const std::string text = line + "\n";
        file->Write(text.data(), text.size()); // a failed line is lost, the run goes on
    }
}

} // namespace

TBackupLog::TBackupLog() : Now([] { return ::Now(); })
{}

TBackupLog::~TBackupLog()
{
    CloseRunLog();
    RemoveRunLog();
}

std::string RunLogName(TDateTime start)
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, ms = 0;
    DecodeDateTime(start, year, month, day, hour, minute, second, ms);
    return "TS " + ZeroPaddedInt(2, year % 100) + "-" + ZeroPaddedInt(2, month) + "-" + ZeroPaddedInt(2, day) + " " +
           ZeroPaddedInt(2, hour) + "-" + ZeroPaddedInt(2, minute) + ".log";
}

int TBackupLog::OpenLog(uint32_t setting, bool perRun, bool mailReport)
{
    int result = 0;
    LogMode = static_cast<int>(setting & 15);
    if (LogMode == LogOff && mailReport) {
        LogMode = LogLong; // the report needs the long log
    }
    LogFile.reset();
    EntryEnded = true;
    if (LogMode > LogOff) {
        LogFile = Platform::OpenAppend(LogPath);
        if (!LogFile) {
            LogMode = LogOff;
            result = Platform::LastError();
        }
    }
    // A second open without CloseLog starts the per-run log afresh.
    CloseRunLog();
    RemoveRunLog();
    if (perRun && ((LogSetting & 64) != 0 || mailReport)) {
        RunLogFolder = Platform::CreatePrivateTempFolder("tessaro-log");
        if (!RunLogFolder.empty()) {
            RunLogPath = RunLogFolder + RunLogName(Now());
            RunLogFile = Platform::CreateNewFile(RunLogPath);
            RunLogOpen = RunLogFile != nullptr;
        }
        if (!RunLogOpen && result == 0) {
            result = Platform::LastError();
        }
    }
    return result;
}

void TBackupLog::WriteLogHeader(const std::string& text)
{
    WriteLog(ProductText + " (Vers. " + FileVersion + ")" + text);
}

void TBackupLog::WriteLog(const std::string& line, bool logged)
{
    Write(line, logged, false);
}

void TBackupLog::WriteProblem(const std::string& line, bool logged)
{
    Write(line, logged, true);
}

void TBackupLog::WriteEndLine(const std::string& line, bool endedOk, bool logged)
{
    Write(line, logged, !endedOk);
}

void TBackupLog::Write(const std::string& line, bool logged, bool problem)
{
    const std::string text = OneLine(HostPathsInLogLine(line));
    if (Console && (problem || text.rfind(LogErrorPrefix, 0) == 0)) {
        Console(text);
    }
    if (logged) {
        WriteLogVerbatim(text);
    }
}

void TBackupLog::WriteLogVerbatim(const std::string& line)
{
    if (LogMode > LogOff) {
        WriteLine(LogFile.get(), line);
        EntryEnded = line.empty();
    }
    if (RunLogOpen) {
        WriteLine(RunLogFile.get(), line);
    }
}

void TBackupLog::CloseRunLog()
{
    RunLogFile.reset();
    RunLogOpen = false;
}

bool TBackupLog::CloseLog()
{
    if (LogMode > LogOff) {
        if (!EntryEnded) {
            WriteLine(LogFile.get(), "");
        }
        LogFile.reset();
    }
    LogMode = LogOff;
    CloseRunLog();
    if ((LogSetting & 64) != 0 && PrintRunLog && !RunLogPath.empty() && Platform::FileExists(RunLogPath)) {
        PrintRunLog(RunLogPath);
    }
    const bool deleted = !RunLogPath.empty() && Platform::DeleteFile(RunLogPath) == 0;
    RemoveRunLog();
    return deleted;
}

void TBackupLog::RemoveRunLog()
{
    if (!RunLogFolder.empty()) {
        Platform::DeleteFile(RunLogPath);
        Platform::RemoveDir(RemovePathDelimiter(RunLogFolder));
    }
    RunLogFolder.clear();
    RunLogPath.clear();
}

void ShowLogOpenError(int error)
{
    ErrorDialog({}, TrDefault("Error opening log file!") + "\r" + SysErrorMessage(error));
}
