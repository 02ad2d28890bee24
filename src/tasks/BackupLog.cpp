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

#include <algorithm>
#include <cstdio>
#include <vector>

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

bool WriteAll(Platform::TFile& file, const std::string& text)
{
    return file.Write(text.data(), text.size()) == static_cast<std::int64_t>(text.size());
}

// ---- runs of several processes share the log
//
// The run that opens the log holds it (an exclusive lock) and writes its lines as they
// come. A run that finds it held keeps its lines and at its end leaves them beside the log
// as one block (".tessaro.log.<time>-<n>.waiting"); whoever holds the log next appends the
// waiting blocks, oldest first and each whole: on opening it and after letting it go.

std::string WaitingBlockBase(const std::string& logPath)
{
    return ExtractFilePath(logPath) + "." + ExtractFileName(logPath) + ".";
}

// Appends the waiting blocks to the held log and removes them; false when none was appended.
bool AppendWaitingBlocks(Platform::TFile& log, const std::string& logPath)
{
    std::vector<std::string> names;
    Platform::TSearchRec rec;
    if (Platform::FindFirst(WaitingBlockBase(logPath) + "*.waiting", faHidden, rec) == 0) {
        do {
            names.push_back(rec.Name);
        } while (Platform::FindNext(rec) == 0);
    }
    Platform::FindClose(rec);
    std::sort(names.begin(), names.end());
    bool appended = false;
    for (const std::string& name : names) {
        const std::string path = ExtractFilePath(logPath) + name;
        std::string block;
        if (Platform::ReadWholeFile(path, block) == 0 && WriteAll(log, block)) {
            Platform::DeleteFile(path);
            appended = true;
        }
    }
    return appended;
}

// After letting the log go: a block left while this run held it is appended by whoever
// takes the log next, or here when nobody has it.
void AppendBlocksLeftBehind(const std::string& logPath)
{
    for (;;) {
        const std::unique_ptr<Platform::TFile> log = Platform::OpenAppend(logPath);
        if (!log || !AppendWaitingBlocks(*log, logPath)) {
            return;
        }
    }
}

// The block of a run that found the log held, under a name no other run takes and complete
// before it can be found. False when it cannot be left there.
bool LeaveBlock(const std::string& logPath, const std::string& block)
{
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%016llx", static_cast<unsigned long long>(NowUtc()));
    for (int n = 0; n < 1000; ++n) {
        const std::string name = WaitingBlockBase(logPath) + stamp + "-" + std::to_string(n);
        const std::unique_ptr<Platform::TFile> part = Platform::CreateNewFile(name + ".part");
        if (!part && Platform::LastError() == Platform::ErrorFileExists) {
            continue;
        }
        const bool placed = part && WriteAll(*part, block) && part->Close() == 0 &&
                            Platform::RenameFile(name + ".part", name + ".waiting") == 0;
        if (part && !placed) {
            Platform::DeleteFile(name + ".part");
        }
        return placed;
    }
    return false;
}

// Where no block can be left, the lines still reach the log, in one piece.
void AppendUnheld(const std::string& logPath, const std::string& block)
{
    if (const std::unique_ptr<Platform::TFile> log = Platform::OpenAppend(logPath, Platform::TShare::ReadWrite)) {
        WriteAll(*log, block);
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
    Held = false;
    HeldLines.clear();
    if (LogMode > LogOff) {
        LogFile = Platform::OpenAppend(LogPath);
        if (LogFile) {
            AppendWaitingBlocks(*LogFile, LogPath);
        } else if (const int error = Platform::LastError(); error == Platform::ErrorSharingViolation) {
            Held = true; // another run writes: this run's lines follow as one block
        } else {
            LogMode = LogOff;
            result = error;
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

void TBackupLog::WriteEndLine(const std::string& line, bool logged)
{
    Write(line, logged, true);
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
        WriteToBackupLog(line);
    }
    if (RunLogOpen) {
        WriteLine(RunLogFile.get(), line);
    }
}

void TBackupLog::WriteToBackupLog(const std::string& line)
{
    if (Held) {
        HeldLines.append(line).append("\n");
    } else {
        WriteLine(LogFile.get(), line);
    }
    EntryEnded = line.empty();
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
            WriteToBackupLog("");
        }
        LogFile.reset();
        if (Held && !LeaveBlock(LogPath, HeldLines)) {
            AppendUnheld(LogPath, HeldLines);
        }
        Held = false;
        HeldLines.clear();
        AppendBlocksLeftBehind(LogPath);
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
