#include "tasks/Settings.h"

#include "foundation/CommaText.h"
#include "foundation/DateUtils.h"
#include "foundation/History.h"
#include "foundation/IniFile.h"
#include "foundation/PathUtils.h"
#include "foundation/StringUtils.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "tasks/IniValues.h"

#include <algorithm>
#include <cmath>

namespace {

const char* const SecConfig = "Config";
const char* const SecOldTasks = "Tasks";
const char* const SecDestinations = "BDestination";
constexpr int MaxDestinations = 50;
const char* const DefaultNoCompress = "zip,arj,jpg,gif,pdf,png";

// Day number of 1899-12-30 in the time-stamp pair, and of the last day meaning "never".
constexpr int32_t DateDelta = 693594;
constexpr int32_t NeverDay = 693595;
constexpr int32_t DefaultBackupTime = 28800000; // 08:00
constexpr int MaxAutoTaskSections = 1000;

std::string FilterSection(int n)
{
    return "Filter" + std::to_string(n);
}

std::string AutoTaskSection(int n)
{
    return "AutoTask" + std::to_string(n);
}

int32_t InRange(int32_t value, int32_t low, int32_t high, int32_t fallback)
{
    return (value < low || value > high) ? fallback : value;
}

// ---- one slot --------------------------------------------------------------------

void ReadSlot(TIniFile& ini, const std::string& section, TAutoTask& task, double now)
{
    task.Mode = InRange(ini.ReadInteger(section, "Mode", AutoNever), AutoNever, AutoWeeklyLogon, AutoNever);
    task.AutoEnd = static_cast<uint8_t>(InRange(ini.ReadInteger(section, "AutoEnd", EndCloseAfterDelay), EndWaitForUser,
                                                EndWaitOnError, EndCloseAfterDelay));
    task.Priority = static_cast<uint8_t>(InRange(ini.ReadInteger(section, "Priority", 3), 1, 4, 3));
    ReadCommandKeys(ini, section, task.PreCommand, task.PostCommand, task.PreWait, task.PostWait);
    task.StepMode = ini.ReadInteger(section, "StepMode", StepNone);

    const int32_t cycles = ini.ReadInteger(section, "Cycles", 1);
    task.Cycles = cycles > 1000 ? cycles % 1000 : cycles;
    task.StartDay = cycles > 1000 ? cycles / 1000 : 0;
    task.Cycles = std::max(task.Cycles, 1);
    const int32_t actCycle = ini.ReadInteger(section, "ActCycle", 1);
    task.ActCycle = actCycle > 1000 ? actCycle % 1000 : actCycle;
    if (actCycle > 1000) {
        task.WeekOffset = actCycle / 1000;
    }
    task.SchedMode = static_cast<uint8_t>(ini.ReadInteger(section, "SchedMode", 0));
    task.LastCycle = ini.ReadInteger(section, "LastCycle", NoCycleYet);

    const TTimeStampPair last{ini.ReadInteger(section, "LastDate", 0), ini.ReadInteger(section, "LastTime", 0)};
    task.LastRun = last.Date <= NeverDay ? 0 : TimeStampToDateTime(last);
    const TTimeStampPair next{ini.ReadInteger(section, "BackupDate", 0),
                              ini.ReadInteger(section, "BackupTime", DefaultBackupTime)};
    task.NextBackup = next.Date <= NeverDay ? now : TimeStampToDateTime(next);
}

int32_t Packed(int32_t high, int32_t low)
{
    return high > 0 ? high * 1000 + low : low;
}

void WriteCycleAndDates(TIniFile& ini, const std::string& section, const TAutoTask& task, double lastRun)
{
    ini.WriteInteger(section, "ActCycle", Packed(task.WeekOffset, task.ActCycle));
    ini.WriteInteger(section, "LastCycle", task.LastCycle);
    TTimeStampPair last = DateTimeToTimeStamp(lastRun);
    if (last.Date <= NeverDay) {
        last = {};
    }
    ini.WriteInteger(section, "LastDate", last.Date);
    ini.WriteInteger(section, "LastTime", last.Time);
    const TTimeStampPair next = DateTimeToTimeStamp(task.NextBackup);
    ini.WriteInteger(section, "BackupDate", next.Date);
    ini.WriteInteger(section, "BackupTime", next.Time);
}

void WriteSlot(TIniFile& ini, const std::string& section, const TAutoTask& task)
{
    ini.EraseSection(section);
    WriteText(ini, section, "Name", task.Name);
    ini.WriteInteger(section, "Mode", task.Mode);
    ini.WriteInteger(section, "AutoEnd", task.AutoEnd);
    ini.WriteInteger(section, "Priority", task.Priority);
    WriteCommandKeys(ini, section, task.PreCommand, task.PostCommand, task.PreWait, task.PostWait);
    ini.WriteInteger(section, "StepMode", task.StepMode);
    ini.WriteInteger(section, "Cycles", Packed(task.StartDay, task.Cycles));
    // ActCycle, LastCycle and the dates follow in the file's key order.
    ini.WriteInteger(section, "ActCycle", Packed(task.WeekOffset, task.ActCycle));
    ini.WriteInteger(section, "SchedMode", task.SchedMode);
    WriteCycleAndDates(ini, section, task, task.LastRun);
}

// ---- the parts of ReadSettings ---------------------------------------------------------

void ReadTaskFolder(TIniFile& ini, TProgramSettings& s, const TSettingsEnv& env)
{
    std::string jobDir = ini.ReadString(SecConfig, "JobDir", s.JobDir);
    if (jobDir.empty() || Platform::ForceDirectories(jobDir) != 0) {
        jobDir = AddPathDelimiter(env.DocumentsDir) + "Tessaro\\";
    }
    s.JobDir = AddPathDelimiter(jobDir);
    s.LastFile = ini.ReadString(SecConfig, "LastFile", "");
    if (!s.LastFile.empty() && Platform::ExtractFileDrive(s.LastFile).empty() && s.LastFile.front() != '\\') {
        s.LastFile = s.JobDir + s.LastFile;
    }
}

void ReadConfig(TIniFile& ini, TProgramSettings& s, const TSettingsEnv& env)
{
    s.DownloadDir = ini.ReadString(SecConfig, "DownloadDir", "");
    s.LastCheckedVersion = ini.ReadString(SecConfig, "LastCheckedVersion", "");
    s.LastDir = ini.ReadString(SecConfig, "LastDir", "");
    ReadTaskFolder(ini, s, env);
    s.BufferSize = ini.ReadInteger(SecConfig, "BufferSize", DefaultBufferSize);
    if (s.BufferSize <= 0) {
        s.BufferSize = DefaultBufferSize;
    }
    s.CompSize = ini.ReadInteger(SecConfig, "CompSize", 512);
    s.MinPwdLength = ini.ReadInteger(SecConfig, "MinPwdLength", 6);
    s.WaitTime = std::clamp(ini.ReadInteger(SecConfig, "WaitTime", s.WaitTime), 0, 0xFFF);
    s.Startup = ini.ReadInteger(SecConfig, "Startup", s.Startup);
    s.NoCompress = SplitCommaText(ini.ReadString(SecConfig, "NoCompress", DefaultNoCompress));
    s.ProtDir = ini.ReadString(SecConfig, "ProtDir", "");
    s.Protocol = static_cast<uint32_t>(ini.ReadInteger(SecConfig, "Protocol", 0));
    s.Printer = ini.ReadString(SecConfig, "Printer", "");
    s.FilenameCase = ini.ReadInteger(SecConfig, "FilenameCase", 0);
    s.ReplaceChars = ini.ReadBool(SecConfig, "ReplaceChars", false);
    s.Shutdown = ini.ReadInteger(SecConfig, "Shutdown", 2);
    s.BackupSuffix = ini.ReadString(SecConfig, "BackupSuffix", "bak");
    s.NoSplash = ini.ReadBool(SecConfig, "NoSplash", false);
    s.ScanDir = ini.ReadBool(SecConfig, "ScanDir", true);
    s.Narrow = ini.ReadBool(SecConfig, "Narrow", s.Narrow);
    s.Left = ini.ReadInteger(SecConfig, "Left", 0);
    s.Top = ini.ReadInteger(SecConfig, "Top", 0);
    s.Width = ini.ReadInteger(SecConfig, "Width", s.Width);
    s.Height = ini.ReadInteger(SecConfig, "Height", s.Height);
}

void ReadTypeLists(TIniFile& ini, TProgramSettings& s, const TSettingsEnv& env)
{
    s.TypeLists.Clear();
    const int count = std::min(ini.ReadInteger(SecConfig, "FilterCount", 0), MaxTypeLists);
    for (int n = 0; n < count; ++n) {
        const std::string section = FilterSection(n);
        const std::string name = ini.ReadString(section, "Name", "");
        if (name.empty()) {
            continue;
        }
        TExtensionList list(env.DefaultDate);
        list.Mode = static_cast<uint8_t>(ini.ReadInteger(section, "Mode", TypeModeExclude));
        list.IncludeList.SetTypes(SplitCommaText(ini.ReadString(section, "Include", "")));
        list.ExcludeList.SetTypes(SplitCommaText(ini.ReadString(section, "Exclude", "")));
        s.TypeLists.Add(name, list);
    }
}

void ReadAutoTasks(TIniFile& ini, TProgramSettings& s, const TSettingsEnv& env, double now)
{
    std::vector<TAutoTask> taken;
    s.AutoFlags = {};
    const int taskCount = std::min(ini.ReadInteger(SecConfig, "TaskCount", 0), MaxAutoTaskSections);
    if (taskCount > 0) {
        for (int n = 0; n < taskCount && taken.size() < AutoTaskSlots; ++n) {
            const std::string section = AutoTaskSection(n);
            const std::string name = ini.ReadString(section, "Name", "");
            if (name.empty() || !env.TaskExists(name)) {
                continue;
            }
            TAutoTask task(name);
            ReadSlot(ini, section, task, now);
            AccumulateAutoFlags(task, s.AutoFlags);
            taken.push_back(task);
        }
    } else {
        // Older form: every slot shares the keys of the one section.
        const int count = std::min(ini.ReadInteger(SecOldTasks, "Count", 0), AutoTaskSlots);
        for (int n = 0; n < count; ++n) {
            const std::string name = ini.ReadString(SecOldTasks, "Task" + std::to_string(n), "");
            if (name.empty() || !env.TaskExists(name)) {
                continue;
            }
            TAutoTask task(name);
            ReadSlot(ini, SecOldTasks, task, now);
            if (taken.empty()) {
                AccumulateAutoFlags(task, s.AutoFlags);
            }
            taken.push_back(task);
        }
    }
    for (size_t i = 0; i < s.AutoTasks.size(); ++i) {
        s.AutoTasks[i] = i < taken.size() ? taken[i] : TAutoTask{};
    }
}

TSettingsEnv WithDefaults(const TSettingsEnv& env)
{
    TSettingsEnv full = env;
    if (!full.TaskExists) {
        full.TaskExists = [](const std::string& file) { return Platform::FileExists(file); };
    }
    if (!full.Now) {
        full.Now = [] { return Now(); };
    }
    return full;
}

} // namespace

// ---- public --------------------------------------------------------------------------

TTimeStampPair DateTimeToTimeStamp(double dateTime)
{
    const int64_t ms = std::llround(dateTime * static_cast<double>(MsPerDay));
    const int64_t day = ms >= 0 ? ms / MsPerDay : -((-ms + MsPerDay - 1) / MsPerDay);
    return {static_cast<int32_t>(DateDelta + day), static_cast<int32_t>(ms - day * MsPerDay)};
}

double TimeStampToDateTime(const TTimeStampPair& stamp)
{
    return static_cast<double>(stamp.Date - DateDelta) + static_cast<double>(stamp.Time) / MsPerDay;
}

TTaskFileEnv TaskFileEnvFrom(TProgramSettings& settings)
{
    TTaskFileEnv env;
    env.BackupSuffix = settings.BackupSuffix;
    env.NoCompress = settings.NoCompress;
    env.DestinationHistory = &settings.DestinationHistory;
    return env;
}

bool ReadSettings(const std::string& fileName, TProgramSettings& settings, const TSettingsEnv& givenEnv)
{
    const TSettingsEnv env = WithDefaults(givenEnv);
    settings.FileName = fileName;
    std::string readName = fileName;
    if (!Platform::FileExists(fileName) && !env.FallbackFile.empty()) {
        readName = env.FallbackFile;
    }
    const bool found = Platform::FileExists(readName);
    TIniFile ini(readName);
    ReadConfig(ini, settings, env);
    ReadTypeLists(ini, settings, env);
    settings.InstantShow = ini.ReadBool(SecConfig, "InstantShow", false);
    ReadAutoTasks(ini, settings, env, env.Now());
    ReadHistory(ini, SecDestinations, "", settings.DestinationHistory, MaxDestinations);
    settings.LogName = BackupLogName(fileName, settings.ProtDir);
    return found;
}

void RenameOldDialogSections(const std::string& settingsFile)
{
    if (!Platform::FileExists(settingsFile)) {
        return;
    }
    TIniFile ini(settingsFile);
    for (const auto& [old, now] :
         {std::pair{"DirDialog", DirDialogSection}, std::pair{"LogViewer", TextViewerSection}}) {
        if (!ini.SectionExists(old) || ini.SectionExists(now)) {
            continue;
        }
        for (const std::string& key : ini.ReadSection(old)) {
            WriteText(ini, now, key, ini.ReadString(old, key));
        }
        ini.EraseSection(old);
    }
    ini.UpdateFile();
}

bool WriteSettings(const TProgramSettings& s)
{
    TIniFile ini(s.FileName);
    WriteText(ini, SecConfig, "DownloadDir", s.DownloadDir);
    WriteText(ini, SecConfig, "LastCheckedVersion", s.LastCheckedVersion);
    if (!s.LastDir.empty() && Platform::DirectoryExists(s.LastDir)) {
        WriteText(ini, SecConfig, "LastDir", s.LastDir);
    }
    const std::string jobDir = AddPathDelimiter(s.JobDir);
    WriteText(ini, SecConfig, "JobDir", jobDir);
    std::string lastFile = s.LastFile;
    if (StartsWithIgnoringCase(lastFile, jobDir)) {
        lastFile.erase(0, jobDir.size());
    }
    WriteText(ini, SecConfig, "LastFile", lastFile);
    ini.WriteInteger(SecConfig, "BufferSize", s.BufferSize);
    ini.WriteInteger(SecConfig, "CompSize", s.CompSize);
    ini.WriteInteger(SecConfig, "MinPwdLength", s.MinPwdLength);
    ini.WriteInteger(SecConfig, "WaitTime", s.WaitTime);
    ini.WriteInteger(SecConfig, "Startup", s.Startup);
    WriteText(ini, SecConfig, "NoCompress", CommaTextOf(s.NoCompress));
    WriteText(ini, SecConfig, "ProtDir", s.ProtDir);
    if ((s.Protocol & ProtocolFromCommandLine) == 0) {
        ini.WriteInteger(SecConfig, "Protocol", static_cast<int32_t>(s.Protocol));
    }
    WriteText(ini, SecConfig, "Printer", s.Printer);
    ini.WriteInteger(SecConfig, "FilenameCase", s.FilenameCase);
    ini.WriteBool(SecConfig, "ReplaceChars", s.ReplaceChars);
    ini.WriteInteger(SecConfig, "Shutdown", s.Shutdown);
    WriteText(ini, SecConfig, "BackupSuffix", s.BackupSuffix);
    ini.WriteBool(SecConfig, "NoSplash", s.NoSplash);
    ini.WriteBool(SecConfig, "ScanDir", s.ScanDir);
    ini.WriteBool(SecConfig, "Narrow", s.Narrow);
    ini.WriteInteger(SecConfig, "Left", s.Left);
    ini.WriteInteger(SecConfig, "Top", s.Top);
    ini.WriteInteger(SecConfig, "Width", s.Width);
    ini.WriteInteger(SecConfig, "Height", s.Height);
    ini.WriteInteger(SecConfig, "FilterCount", s.TypeLists.Count());

    for (int n = 0; n < std::max(MaxTypeLists, s.TypeLists.Count()); ++n) {
        const std::string section = FilterSection(n);
        ini.EraseSection(section);
        if (n >= s.TypeLists.Count()) {
            continue;
        }
        const TNamedTypeList& named = s.TypeLists[n];
        WriteText(ini, section, "Name", named.Name);
        ini.WriteInteger(section, "Mode", named.List.Mode);
        if (named.List.Mode == TypeModeInclude) {
            WriteText(ini, section, "Include", CommaTextOf(named.List.IncludeList.Types()));
        } else {
            WriteText(ini, section, "Exclude", CommaTextOf(named.List.ExcludeList.Types()));
        }
    }
    ini.WriteBool(SecConfig, "InstantShow", s.InstantShow);
    ini.WriteInteger(SecConfig, "TaskCount", AutoTaskSlots);
    for (int n = 0; n < AutoTaskSlots; ++n) {
        WriteSlot(ini, AutoTaskSection(n), s.AutoTasks[static_cast<size_t>(n)]);
    }
    WriteHistory(ini, SecDestinations, "", s.DestinationHistory, true, MaxDestinations);
    return ini.UpdateFile() == 0;
}

bool WriteRunDates(const std::string& settingsFile, const TAutoTask& slot, double now)
{
    if (slot.Name.empty() || !Platform::FileExists(settingsFile)) {
        return false;
    }
    TIniFile ini(settingsFile);
    const int sections = std::clamp(ini.ReadInteger(SecConfig, "TaskCount", 0), AutoTaskSlots, MaxAutoTaskSections);
    for (int n = 0; n < sections; ++n) {
        const std::string section = AutoTaskSection(n);
        if (SameTextIgnoringCase(ini.ReadString(section, "Name", ""), slot.Name)) {
            WriteCycleAndDates(ini, section, slot, now);
            return ini.UpdateFile() == 0;
        }
    }
    return false;
}

std::string BackupLogName(const std::string& settingsFile, const std::string& protDir)
{
    std::string name = ReplaceExtension(settingsFile, "log");
    if (!protDir.empty()) {
        name = AddPathDelimiter(protDir) + ExtractFileName(name);
    }
    return name;
}
