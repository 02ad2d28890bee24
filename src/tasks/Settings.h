#pragma once

// The program settings file: the editor's settings (section "Config"), the named
// file-type lists ("Filter" + n) and the eight automatic-task slots ("AutoTask" + n).
//
// Other parts of the program keep their own sections in the same file (histories,
// window states, restore and clean-up); reading and writing here leaves them as
// they are. The recent-task list ("BackupList") is the editor's THistoryList,
// which loads and saves itself after ReadSettings / WriteSettings.

#include "tasks/TaskFile.h"
#include "tasks/TaskModel.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

inline constexpr int32_t DefaultBufferSize = 0x40000;
inline constexpr int MaxTypeLists = 100;
inline constexpr uint32_t ProtocolFromCommandLine = 0x80; // log setting given on the command line

// Log setting bits (Protocol).
inline constexpr uint32_t ProtocolModeMask = 0x0F; // 0 off, 1 short, 2 long, 3 extended
inline constexpr uint32_t ProtocolRestores = 16;
inline constexpr uint32_t ProtocolCleanups = 32;
inline constexpr uint32_t ProtocolPrint = 64;

struct TProgramSettings
{
    // The file that WriteSettings writes: the name given to ReadSettings.
    std::string FileName;

    // Config
    std::string DownloadDir;
    std::string LastCheckedVersion;
    std::string LastDir;  // folder field of the source page
    std::string JobDir;   // task folder, with a trailing "\"
    std::string LastFile; // current task file, full path
    int32_t BufferSize = DefaultBufferSize;
    int32_t CompSize = 512;
    int32_t MinPwdLength = 6;
    int32_t WaitTime = 5; // close delay of the progress window, seconds
    int32_t Startup = 10; // start delay of automatic runs, seconds (the main window's)
    std::vector<std::string> NoCompress{"zip", "arj", "jpg", "gif", "pdf", "png"};
    std::string ProtDir; // folder of the backup log; empty: beside the settings file
    uint32_t Protocol = 0;
    std::string Printer;
    int32_t FilenameCase = 0; // 0 unchanged, 1 lower case, 2 upper case
    bool ReplaceChars = false;
    int32_t Shutdown = 2;
    std::string BackupSuffix = "bak";
    bool NoSplash = false;
    bool ScanDir = true;
    bool Narrow = false;
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    bool InstantShow = false;

    TNamedTypeLists TypeLists;
    // Destinations used so far, most recent first ("BDestination", at most 50).
    std::vector<std::string> DestinationHistory;
    TAutoTaskSlots AutoTasks;
    TAutoFlags AutoFlags; // computed by ReadSettings from the slots

    // The backup log, computed by ReadSettings.
    std::string LogName;
};

// What reading the settings needs from the program around it.
struct TSettingsEnv
{
    // Read instead when the given file does not exist (the file beside the program).
    std::string FallbackFile;
    // The user's documents folder; the default task folder is inside it.
    std::string DocumentsDir;
    // The editor's default date record; named type lists are made from it.
    TDateFilter DefaultDate;
    // Tests the task file of a slot; by default the file system's.
    std::function<bool(const std::string& file)> TaskExists;
    // Current local date and time; by default the clock.
    std::function<double()> Now;
};

// What the task file takes from the settings: the suffix of kept versions, the
// never-compressed types and the destination history (kept pointing into
// `settings`). Program texts, command-line user and date record stay the caller's.
TTaskFileEnv TaskFileEnvFrom(TProgramSettings& settings);

// Reads the settings file into `settings`. Keys that are missing keep the
// defaults of the table; WaitTime, Startup, Narrow, Width, Height and JobDir keep
// the values `settings` holds. False when neither file exists (all defaults).
bool ReadSettings(const std::string& fileName, TProgramSettings& settings, const TSettingsEnv& env);

// Writes the settings to settings.FileName. False when the file cannot be written.
bool WriteSettings(const TProgramSettings& settings);

// The sections of the folder chooser and of the text viewer (its print settings).
inline constexpr const char* DirDialogSection = "Directories";
inline constexpr const char* TextViewerSection = "Printer";

// Earlier versions kept those two under "DirDialog" and "LogViewer": an old section is
// renamed once, unless the new one is there already, so that nothing set is lost.
void RenameOldDialogSections(const std::string& settingsFile);

// After an automatic run: the slot's cycle, last cycle, the current time as its
// last run and its next due time, into the "AutoTask" section that names the
// slot's task file. False when there is none or the file cannot be written.
bool WriteRunDates(const std::string& settingsFile, const TAutoTask& slot, double now);

// The backup log: the settings file name with the extension "log", in protDir
// when that is set. One name for every run, also while another run writes it: the
// runs share the file (tasks/BackupLog.h), so every line reaches the log a person reads.
std::string BackupLogName(const std::string& settingsFile, const std::string& protDir);

// A date-time as the settings file stores it: day number counted from 0001-01-01
// as day 1, and milliseconds since midnight.
struct TTimeStampPair
{
    int32_t Date = 0;
    int32_t Time = 0;
};
TTimeStampPair DateTimeToTimeStamp(double dateTime);
double TimeStampToDateTime(const TTimeStampPair& stamp);
