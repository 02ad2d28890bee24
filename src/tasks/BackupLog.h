#pragma once

// The backup log: every backup, restore and clean-up run appends its lines to one
// text file (LogPath, see BackupLogName in tasks/Settings.h). When the run mails a
// report, or the log setting asks for every run's log to be printed, a second log of
// this run alone ("TS yy-mm-dd hh-nn.log") is written at the same time in a private
// temporary folder; the report mail attaches it.
//
// Usage, one pair per run:  OpenLog -> WriteLogHeader -> WriteLog ... -> CloseLog.
// Runs of several processes share the log, each run's lines whole and in their order: the
// run that opens it first writes as it goes; one that finds it held keeps its lines and
// they follow, as one block, when the log is free (BackupLog.cpp says how).
// The report step closes the per-run log with CloseRunLog before it mails it.
// Lines are UTF-8, ended by "\n"; write errors are ignored, the run never stops for
// the log.

#include "foundation/DateUtils.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace Platform {
class TFile;
} // namespace Platform

// Log modes (bits 0..3 of the log setting).
inline constexpr int LogOff = 0;
inline constexpr int LogShort = 1;
inline constexpr int LogLong = 2;
inline constexpr int LogExtended = 3;

// Flags of the log setting that ask for restore and clean-up runs to be logged.
inline constexpr uint32_t LogRestores = 16;
inline constexpr uint32_t LogCleanUps = 32;

// The log mode of a restore or clean-up run: the setting's mode when its flag is set, else 0.
inline int SubsystemLogMode(uint32_t setting, uint32_t flag)
{
    return (setting & flag) != 0 ? static_cast<int>(setting & 0x0F) : LogOff;
}

// Line openers shared by every writer of the log.
inline constexpr const char* LogStatusPrefix = "  ==> ";
inline constexpr const char* LogErrorPrefix = "    *** ";
inline constexpr const char* LogNotePrefix = "    => ";
inline constexpr const char* LogFilePrefix = "      ";
inline constexpr const char* LogStepPrefix = "   -> ";

class TBackupLog
{
public:
    TBackupLog();
    ~TBackupLog();
    TBackupLog(const TBackupLog&) = delete;
    TBackupLog& operator=(const TBackupLog&) = delete;

    // The program's log setting ("Protocol"): bit 64 prints every run's log.
    uint32_t LogSetting = 0;
    // Mode of the open log: LogOff while closed.
    int LogMode = LogOff;
    // The backup log's file name (Windows path text).
    std::string LogPath;
    // The per-run log's name; empty when none was made.
    std::string RunLogPath;
    bool RunLogOpen = false;

    // Written by WriteLogHeader.
    std::string ProductText;
    std::string FileVersion;
    // Loads the per-run log into the text viewer and prints it (log setting 64).
    std::function<void(const std::string& path)> PrintRunLog;
    // Start time of a run, for the per-run log's name; by default the clock.
    std::function<TDateTime()> Now;
    // Where a batch run's problems also go, whatever the log mode (its error output): its
    // error and warning lines (those that begin with LogErrorPrefix), WriteProblem's lines
    // and the end lines of every run. Unset: nowhere.
    std::function<void(const std::string& line)> Console;

    // Opens the backup log for appending (creating it) when the mode of the setting
    // is above 0, or when the run mails a report (then in long mode). With perRun and
    // (LogSetting has 64, or mailReport) the per-run log is created too.
    // 0 on success, else the error code of the first failed open.
    int OpenLog(uint32_t setting, bool perRun, bool mailReport);
    // Product text + " (Vers. " + file version + ")" + text.
    void WriteLogHeader(const std::string& text);
    // To the backup log when it is open and to the per-run log when that is open.
    // Paths in the line are written as host paths (foundation/ShownPaths.h). logged false:
    // a line the log mode leaves out, of which only an error or warning line goes on, to
    // the console.
    void WriteLog(const std::string& line, bool logged = true);
    // A line that tells of a problem without the error prefix (a failed command, the end of
    // a run that did not end OK): as WriteLog, and to the console at every log mode.
    void WriteProblem(const std::string& line, bool logged = true);
    // An end line of a run ("End: ...", "Status: ..."): as WriteProblem, so that the
    // console tells how each run of a batch ended.
    void WriteEndLine(const std::string& line, bool logged = true);
    // A line as it stands, for text the program did not compose (output of commands).
    void WriteLogVerbatim(const std::string& line);
    // Closes the per-run log and keeps its file (for the mail).
    void CloseRunLog();
    // Ends the run's entry with an empty line (unless nothing was written or the entry
    // ended with one already) and closes both logs; prints the per-run
    // log when the setting asks for it, then deletes it. True when a file was deleted.
    bool CloseLog();

private:
    void Write(const std::string& line, bool logged, bool problem);
    void WriteToBackupLog(const std::string& line);
    void RemoveRunLog();

    std::unique_ptr<Platform::TFile> LogFile;
    // Another run holds the log: this run's lines wait here and follow its entry whole.
    bool Held = false;
    std::string HeldLines;
    bool EntryEnded = true;   // nothing written since the open, or an empty line last
    std::string RunLogFolder; // private temporary folder of the per-run log
    std::unique_ptr<Platform::TFile> RunLogFile;
};

// "TS yy-mm-dd hh-nn.log" for a run started at the given time.
std::string RunLogName(TDateTime start);

// Tells the user that the log could not be opened (error: a system error code); the
// work goes on without it.
void ShowLogOpenError(int error);
