#include "tasks/TaskFile.h"

#include "engine/StoredPassword.h"
#include "foundation/CommaText.h"
#include "foundation/Encodings.h"
#include "foundation/History.h"
#include "foundation/IniFile.h"
#include "foundation/MessageDialogs.h"
#include "foundation/PathUtils.h"
#include "foundation/StringUtils.h"
#include "foundation/Translate.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "tasks/IniValues.h"
#include "tasks/Placeholders.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace {

const char* const SecGlobal = "Global";
const char* const SecFtp = "Ftp";
const char* const SecProxy = "Proxy";
const char* const SecMail = "Mail";
const char* const SecUser = "User";
const char* const SecDirFilter = "DirFilter";

std::string DirSection(int index)
{
    return NumberedName("Dir", index);
}

// Largest number of numbered keys read from one section: a damaged count must
// not cost millions of look-ups.
constexpr int MaxNumberedKeys = 10000;

int ClampedCount(int count)
{
    return std::clamp(count, 0, MaxNumberedKeys);
}

// Indexes below `count` of the sections prefix + three digits that exist, in order.
std::vector<int> ExistingNumberedSections(const TIniFile& ini, const std::string& prefix, int count)
{
    std::vector<int> indexes;
    for (const std::string& section : ini.ReadSections()) {
        if (section.size() < prefix.size() + 3 || !StartsWithIgnoringCase(section, prefix)) {
            continue;
        }
        int index = -1;
        const char* digits = section.c_str() + prefix.size();
        const auto result = std::from_chars(digits, section.c_str() + section.size(), index);
        if (result.ec == std::errc() && index >= 0 && index < count &&
            SameTextIgnoringCase(section, NumberedName(prefix, index))) {
            indexes.push_back(index);
        }
    }
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    return indexes;
}

// ---- passwords -----------------------------------------------------------------

// How a stored password was read.
struct TStoredPassword
{
    std::string Password;
    bool Unreadable = false; // stored text present, but it decodes to nothing
};

TStoredPassword ReadPassword(TIniFile& ini, const char* section)
{
    const std::string stored = ini.ReadString(section, "Password", "");
    TStoredPassword result;
    result.Password = DecodeTaskPassword(stored);
    result.Unreadable = !stored.empty() && result.Password.empty();
    return result;
}

void WritePassword(TIniFile& ini, const char* section, const std::string& password)
{
    WriteText(ini, section, "Password", EncodeTaskPassword(password));
}

// The server, port, user name and password every remote section begins with.
struct TLoginKeys
{
    const char* Section;
    const char* ServerKey;
    int DefaultPort;
};

const TLoginKeys FtpLogin{SecFtp, "Host", 21};
const TLoginKeys ProxyLogin{SecProxy, "Server", 2121};
const TLoginKeys MailLogin{SecMail, "SMTP", 25};

void ReadLogin(TIniFile& ini, const TLoginKeys& keys, std::string& server, int32_t& port, std::string& username,
               std::string& password)
{
    server = ini.ReadString(keys.Section, keys.ServerKey, "");
    port = ini.ReadInteger(keys.Section, "Port", keys.DefaultPort);
    username = ini.ReadString(keys.Section, "Username", "");
    password = ReadPassword(ini, keys.Section).Password;
}

void WriteLogin(TIniFile& ini, const TLoginKeys& keys, const std::string& server, int32_t port,
                const std::string& username, const std::string& password)
{
    WriteText(ini, keys.Section, keys.ServerKey, server);
    ini.WriteInteger(keys.Section, "Port", port);
    WriteText(ini, keys.Section, "Username", username);
    WritePassword(ini, keys.Section, password);
}

// ---- reading -------------------------------------------------------------------

TTaskFileEnv WithDefaults(const TTaskFileEnv& env)
{
    TTaskFileEnv full = env;
    if (!full.DirExists) {
        full.DirExists = [](const std::string& dir) { return Platform::DirectoryExists(dir); };
    }
    if (!full.ExpandSourceDir) {
        full.ExpandSourceDir = [](const std::string& dir) { return ExpandPlaceholders(true, dir); };
    }
    return full;
}

// A folder as the task keeps it: a host path written by hand ("/home/ann") becomes its
// stand-in form, as every reader must give it, or a task would change on its first save.
// A path ends at a NUL byte, as the system would read it.
std::string StandInFolder(const std::string& text)
{
    const size_t nul = text.find('\0');
    std::string value = nul == std::string::npos ? text : TrimText(text.substr(0, nul));
    if (value.empty() || value.front() != '/') {
        return value;
    }
    return TrimText(Platform::HostToWin(value).value_or(value));
}

// A folder as Windows text; a host path written by hand is read as well.
std::string ReadFolder(TIniFile& ini, const std::string& section, const std::string& key)
{
    return StandInFolder(ini.ReadString(section, key, ""));
}

void RememberDestination(const TBackupTask& task, const TTaskFileEnv& env)
{
    if (env.DestinationHistory != nullptr) {
        AddToHistory(*env.DestinationHistory, task.Destination);
    }
}

void ReadGlobalOptions(TIniFile& ini, TBackupTask& task, const TTaskFileEnv& env)
{
    task.FtpBackup = ini.ReadBool(SecGlobal, "FtpBackup", false);
    task.Destination = ReadFolder(ini, SecGlobal, "Destination");
    task.Note = HashesToQuotes(ini.ReadString(SecGlobal, "Note", ""));
    task.SendMail = ini.ReadBool(SecGlobal, "SendMail", false);
    task.DeleteFile = ini.ReadBool(SecGlobal, "DeleteFile", false);
    task.Verify = ini.ReadBool(SecGlobal, "Verify", false);
    task.Compress = ini.ReadBool(SecGlobal, "Compress", true);
    task.NoCompTypes = SplitCommaText(ini.ReadString(SecGlobal, "NoCompTypes", ""));
    if (task.NoCompTypes.empty()) {
        task.NoCompTypes = env.NoCompress;
    }
    task.Encrypt = ini.ReadBool(SecGlobal, "Encrypt", false);
    task.FixPassword = ini.ReadBool(SecGlobal, "FixPassword", false);
    const TStoredPassword password = ReadPassword(ini, SecGlobal);
    task.Password = password.Password;
    if (task.Password.empty() && task.FixPassword) {
        // A password that was stored but cannot be decoded (another key, damage)
        // must not turn encryption off: the run asks for the password instead.
        if (!password.Unreadable) {
            task.Encrypt = false;
        }
        task.FixPassword = false;
    }
    task.Timespan = ini.ReadInteger(SecGlobal, "Timespan", 2);
    task.IgnoreDst = ini.ReadBool(SecGlobal, "IgnoreDst", false);
    task.DestMode = ini.ReadInteger(SecGlobal, "DestMode", DestDrivesSeparated);
    task.ZipName = ini.ReadString(SecGlobal, "ZipName", "");
    task.SyncMode = ini.ReadInteger(SecGlobal, "SyncMode", SyncOff);
    if (task.SyncMode == SyncOff && ini.ReadBool(SecGlobal, "SyncDirs", false)) {
        task.SyncMode = SyncSelections;
    }
    task.EmptyDirs = ini.ReadBool(SecGlobal, "EmptyDirs", true);
    task.NoBaks = ini.ReadBool(SecGlobal, "NoBaks", false);
    task.BakFiles = ini.ReadBool(SecGlobal, "BakFiles", false);
    task.BakSuffix = ini.ReadString(SecGlobal, "BakSuffix", env.BackupSuffix);
    task.ShellCopy = ini.ReadBool(SecGlobal, "ShellCopy", false);
    task.CreationTime = ini.ReadBool(SecGlobal, "CreationTime", false);
    ReadCommandKeys(ini, SecGlobal, task.PreCommand, task.PostCommand, task.PreWait, task.PostWait);
    task.ClearDest = ini.ReadBool(SecGlobal, "ClearDest", false);
    task.ArchBit = ini.ReadBool(SecGlobal, "ArchBit", false);
    task.UseArch = ini.ReadBool(SecGlobal, "UseArch", false);
    task.LastBackup = ini.ReadString(SecGlobal, "LastBackup", "");
}

void ReadFtp(TIniFile& ini, TFtpParams& ftp)
{
    ReadLogin(ini, FtpLogin, ftp.Host, ftp.Port, ftp.Username, ftp.Password);
    ftp.SubDir = ini.ReadString(SecFtp, "SubDir", "");
    ftp.Passive = ini.ReadBool(SecFtp, "Passive", false);
    ftp.NameCase = static_cast<uint8_t>(ini.ReadInteger(SecFtp, "ChangeNames", NameCaseUnchanged));

    ReadLogin(ini, ProxyLogin, ftp.Proxy.Server, ftp.Proxy.Port, ftp.Proxy.Username, ftp.Proxy.Password);
    ftp.Proxy.ProxyType = static_cast<uint8_t>(ini.ReadInteger(SecProxy, "ProxyType", 0));
}

void ReadMail(TIniFile& ini, TMailData& mail)
{
    ReadLogin(ini, MailLogin, mail.Server, mail.Port, mail.Username, mail.Password);
    mail.Sender = ini.ReadString(SecMail, "Sender", "");
    mail.ReplyTo = ini.ReadString(SecMail, "ReplyTo", "");
    mail.Recipients = ini.ReadString(SecMail, "Recipients", "");
    mail.AttachLog = ini.ReadBool(SecMail, "SendLog", false);
    mail.ZipLog = ini.ReadBool(SecMail, "AsZip", true);
}

void ReadUser(TIniFile& ini, TBackupTask& task)
{
    const std::string user = ini.ReadString(SecUser, "Username", "");
    if (!user.empty()) {
        task.NetUser = user;
        task.NetPassword = ReadPassword(ini, SecUser).Password;
    }
}

void ReadDirMasks(TIniFile& ini, TBackupTask& task)
{
    task.DirMasks.clear();
    const int count = ClampedCount(ini.ReadInteger(SecDirFilter, "Count", 0));
    for (int i = 0; i < count; ++i) {
        std::string mask = ini.ReadString(SecDirFilter, NumberedName("Mask", i), "");
        const size_t bar = mask.find('|');
        if (bar != std::string::npos) {
            // What follows the "|" is trimmed like every INI value, so the mask reads back the same.
            mask = TrimText(mask.substr(bar + 1));
        }
        task.DirMasks.push_back(mask);
    }
}

// A plain "*" name mask selects every name: it is stored as "no name filter" in both task forms.
void SwitchOffMatchAll(TTextFilter& filter)
{
    if (!filter.IsRegEx && filter.GetMask() == "*") {
        filter.Mode = 0;
    }
}

// Older tasks store "*.*" for "every name"; both task forms read it as the filter's own
// match-all mask, so a task reads the same after its first save.
std::string StoredMask(const TTextFilter& filter, const std::string& text)
{
    return text == "*.*" ? filter.DefaultMask() : text;
}

// Sets a filter from its three keys. A text the filter rejects leaves it usable;
// in exclude mode the fallback would exclude every name, so the filter goes off.
void ReadFilter(TIniFile& ini, const std::string& section, TTextFilter& filter, const char* regularKey,
                const char* modeKey, int defaultMode, const char* textKey)
{
    filter.IsRegEx = ini.ReadBool(section, regularKey, false);
    int mode = ini.ReadInteger(section, modeKey, defaultMode);
    if (mode < 0 || mode > 2) {
        mode = 1;
    }
    filter.Mode = static_cast<uint8_t>(mode);
    const std::string text = StoredMask(filter, ini.ReadString(section, textKey, filter.DefaultMask()));
    try {
        filter.SetMask(text);
    } catch (const EFilterError&) {
        if (filter.Mode == 2) {
            filter.Mode = 0;
        }
    }
}

void ReadDateFilter(TIniFile& ini, const std::string& section, TDateFilter& date)
{
    const int timeMode = ini.ReadInteger(section, "TimeMode", TimeModeAny);
    int days = ini.ReadInteger(section, "Days", 0);
    if (timeMode >= TimeModeLastDays) {
        if (timeMode > TimeModeLastDays) {
            days = 28;
        } else if (days == 0) {
            days = 7;
        }
        date.TimeMode = TimeModeLastDays;
    } else {
        date.TimeMode = static_cast<uint8_t>(std::max(timeMode, 0));
        days = 7;
    }
    date.Days = days;

    // Each value stands alone: one that cannot be read switches the test off
    // only when the mode needs it.
    const TDateFilter read = date;
    double value = 0;
    if (ParseTaskTime(ini.ReadString(section, "DayTime", "06:00"), value)) {
        date.DayTime = value;
    } else if (read.UsesDayTime()) {
        date.TimeMode = TimeModeAny;
    }
    if (ParseTaskDate(ini.ReadString(section, "DateFrom", ""), value)) {
        date.DateFrom = value;
    } else if (read.UsesDateFrom()) {
        date.TimeMode = TimeModeAny;
    }
    if (ParseTaskDate(ini.ReadString(section, "DateTo", ""), value)) {
        date.DateTo = value;
    } else if (read.UsesDateTo()) {
        date.TimeMode = TimeModeAny;
    }
}

void ReadSubDirs(TIniFile& ini, const std::string& section, TExtensionList& entry, const TTaskFileEnv& env)
{
    const int count = ClampedCount(ini.ReadInteger(section, "SubCount", 0));
    for (int i = 0; i < count; ++i) {
        std::string dir = ReadFolder(ini, section, NumberedName("SubDir", i));
        if (dir.empty()) {
            continue;
        }
        dir = ReplaceText(dir, ":\\\\", ":\\");
        if (dir.front() != '\\' && dir.find(':') == std::string::npos) {
            dir.insert(0, AddPathDelimiter(entry.ExpandedDir));
        }
        dir = AddPathDelimiter(dir);
        if (env.DirExists(dir)) {
            entry.SubDirs.Add(dir);
        }
    }
}

TExtensionList ReadEntry(TIniFile& ini, int index, bool& rescan, const TTaskFileEnv& env)
{
    const std::string section = DirSection(index);
    TExtensionList entry(env.DefaultDate);
    entry.SectionIndex = index;
    entry.SourceDir = ReadFolder(ini, section, "Source");
    entry.ExpandedDir = env.ExpandSourceDir(entry.SourceDir);

    ReadFilter(ini, section, entry.NameFilter, "Regular", "FilterMode", -1, "Filter");
    SwitchOffMatchAll(entry.NameFilter);
    ReadFilter(ini, section, entry.ExtFilter, "ExtRegular", "ExtFilterMode", 0, "ExtFilter");
    ReadDateFilter(ini, section, entry.DateFilter);

    entry.SizeMode = static_cast<uint8_t>(ini.ReadInteger(section, "SizeMode", SizeModeAny));
    ParseSizeValue(ini.ReadString(section, "MinSize", ""), entry.MinSize);
    ParseSizeValue(ini.ReadString(section, "MaxSize", ""), entry.MaxSize);
    entry.SetPackedAttributes(ini.ReadInteger(section, "Attributes", 0));
    entry.Mode = static_cast<uint8_t>(ini.ReadInteger(section, "BackupMode", 0) & 1);

    entry.FileCount = ini.ReadInteger(section, "FileCount", -1);
    entry.ByteCount =
        JoinByteCount(ini.ReadInteger(section, "ByteCountH", -1), ini.ReadInteger(section, "ByteCountL", -1));
    entry.SyncCount = ini.ReadInteger(section, "SyncCount", 0);
    rescan = rescan || entry.FileCount < 0 || entry.ByteCount < 0;

    entry.IncludeList.SetTypes(SplitCommaText(ini.ReadString(section, "Include", "")));
    entry.ExcludeList.SetTypes(SplitCommaText(ini.ReadString(section, "Exclude", "")));
    entry.DirFilters = SplitCommaText(ini.ReadString(section, "DirFilter", ""));
    ReadSubDirs(ini, section, entry, env);
    if (!entry.DirFilters.empty() && env.ApplyDirMasks) {
        env.ApplyDirMasks(entry);
    }
    entry.NeedsScan = rescan;
    return entry;
}

void ReadEntries(TIniFile& ini, TBackupTask& task, bool rescan, const TTaskFileEnv& env)
{
    const int dirCount = ini.ReadInteger(SecGlobal, "DirCount", 0);
    // Walk only the Dir sections that exist: a damaged count must not cost a
    // billion look-ups.
    for (int index : ExistingNumberedSections(ini, "Dir", dirCount)) {
        task.Sources.push_back(ReadEntry(ini, index, rescan, env));
    }
}

// Common end of both readers.
void FinishRead(TBackupTask& task, const std::string& fileName, bool readAll)
{
    if (task.DestMode == DestZipOldSingle) {
        task.DestMode = DestZipFile;
    }
    if (readAll) {
        task.FileName = fileName;
        task.Modified = false;
    }
}

// ---- writing ---------------------------------------------------------------------

void WriteEntry(TIniFile& ini, int index, const TExtensionList& entry)
{
    const std::string section = DirSection(index);
    ini.EraseSection(section);
    WriteText(ini, section, "Source", entry.SourceDir);
    ini.WriteBool(section, "Regular", entry.NameFilter.IsRegEx);
    ini.WriteInteger(section, "FilterMode", entry.NameFilter.Mode);
    WriteText(ini, section, "Filter", entry.NameFilter.GetMask());
    ini.WriteBool(section, "ExtRegular", entry.ExtFilter.IsRegEx);
    ini.WriteInteger(section, "ExtFilterMode", entry.ExtFilter.Mode);
    WriteText(ini, section, "ExtFilter", entry.ExtFilter.GetMask());
    ini.WriteInteger(section, "TimeMode", entry.DateFilter.TimeMode);
    ini.WriteInteger(section, "Days", entry.DateFilter.Days);
    WriteText(ini, section, "DayTime", TaskTimeText(entry.DateFilter.DayTime));
    WriteText(ini, section, "DateFrom", TaskDateText(entry.DateFilter.DateFrom));
    WriteText(ini, section, "DateTo", TaskDateText(entry.DateFilter.DateTo));
    ini.WriteInteger(section, "SizeMode", entry.SizeMode);
    WriteText(ini, section, "MinSize", std::to_string(entry.MinSize));
    WriteText(ini, section, "MaxSize", std::to_string(entry.MaxSize));
    ini.WriteInteger(section, "Attributes", entry.PackedAttributes());
    ini.WriteInteger(section, "BackupMode", entry.Mode & 1);
    ini.WriteInteger(section, "FileCount", entry.FileCount);
    ini.WriteInteger(section, "ByteCountH", ByteCountHigh(entry.ByteCount));
    ini.WriteInteger(section, "ByteCountL", ByteCountLow(entry.ByteCount));
    ini.WriteInteger(section, "SyncCount", entry.SyncCount);
    WriteText(ini, section, "Include", CommaTextOf(entry.IncludeList.Types()));
    WriteText(ini, section, "Exclude", CommaTextOf(entry.ExcludeList.Types()));
    WriteText(ini, section, "DirFilter", CommaTextOf(entry.DirFilters));
    const std::string base = AddPathDelimiter(entry.ExpandedDir);
    int written = 0;
    for (const TSubDirList::Item& item : entry.SubDirs) {
        if (item.FromMask) {
            continue;
        }
        std::string dir = item.Path;
        if (!entry.ExpandedDir.empty() && StartsWithIgnoringCase(dir, base)) {
            dir.erase(0, base.size());
        }
        WriteText(ini, section, NumberedName("SubDir", written++), dir);
    }
    ini.WriteInteger(section, "SubCount", written);
}

void WriteFullTask(TIniFile& ini, const TBackupTask& task, int first, int last, const TTaskFileEnv& env)
{
    WriteText(ini, SecGlobal, "Program", env.ProgramText);
    WriteText(ini, SecGlobal, "Version", env.FileVersion);
    ini.WriteBool(SecGlobal, "FtpBackup", task.FtpBackup);
    WriteText(ini, SecGlobal, "Destination", task.Destination);
    WriteText(ini, SecGlobal, "Note", QuotesToHashes(task.Note));

    const TFtpParams& ftp = task.Ftp;
    WriteLogin(ini, FtpLogin, ftp.Host, ftp.Port, ftp.Username, ftp.Password);
    WriteText(ini, SecFtp, "SubDir", ftp.SubDir);
    ini.WriteBool(SecFtp, "Passive", ftp.Passive);
    ini.WriteInteger(SecFtp, "ChangeNames", ftp.NameCase);

    WriteLogin(ini, ProxyLogin, ftp.Proxy.Server, ftp.Proxy.Port, ftp.Proxy.Username, ftp.Proxy.Password);
    ini.WriteInteger(SecProxy, "ProxyType", ftp.Proxy.ProxyType);

    ini.WriteBool(SecGlobal, "SendMail", task.SendMail);
    const TMailData& mail = task.Mail;
    WriteLogin(ini, MailLogin, mail.Server, mail.Port, mail.Username, mail.Password);
    WriteText(ini, SecMail, "Sender", mail.Sender);
    WriteText(ini, SecMail, "ReplyTo", mail.ReplyTo);
    WriteText(ini, SecMail, "Recipients", mail.Recipients);
    ini.WriteBool(SecMail, "SendLog", mail.AttachLog);
    ini.WriteBool(SecMail, "AsZip", mail.ZipLog);

    ini.WriteBool(SecGlobal, "DeleteFile", task.DeleteFile);
    ini.WriteBool(SecGlobal, "Verify", task.Verify);
    ini.WriteBool(SecGlobal, "Compress", task.Compress);
    WriteText(ini, SecGlobal, "NoCompTypes", CommaTextOf(task.NoCompTypes));
    ini.WriteBool(SecGlobal, "Encrypt", task.Encrypt);
    ini.WriteBool(SecGlobal, "FixPassword", task.FixPassword);
    WritePassword(ini, SecGlobal, task.Password);
    ini.WriteInteger(SecGlobal, "Timespan", task.Timespan);
    ini.WriteBool(SecGlobal, "IgnoreDst", task.IgnoreDst);

    if (task.NetUser == env.CmdLineUser) {
        WriteText(ini, SecUser, "Username", "");
        WriteText(ini, SecUser, "Password", "");
    } else {
        WriteText(ini, SecUser, "Username", task.NetUser);
        WritePassword(ini, SecUser, task.NetPassword);
    }

    ini.WriteInteger(SecGlobal, "DestMode", task.DestMode);
    WriteText(ini, SecGlobal, "ZipName", task.ZipName);
    ini.WriteInteger(SecGlobal, "SyncMode", task.SyncMode);
    ini.WriteBool(SecGlobal, "EmptyDirs", task.EmptyDirs);
    ini.WriteBool(SecGlobal, "NoBaks", task.NoBaks);
    ini.WriteBool(SecGlobal, "BakFiles", task.BakFiles);
    WriteText(ini, SecGlobal, "BakSuffix", task.BakSuffix);
    ini.WriteBool(SecGlobal, "ShellCopy", task.ShellCopy);
    ini.WriteBool(SecGlobal, "CreationTime", task.CreationTime);
    WriteCommandKeys(ini, SecGlobal, task.PreCommand, task.PostCommand, task.PreWait, task.PostWait);
    ini.WriteBool(SecGlobal, "ClearDest", task.ClearDest);
    ini.WriteBool(SecGlobal, "ArchBit", task.ArchBit);
    ini.WriteBool(SecGlobal, "UseArch", task.UseArch);
    WriteText(ini, SecGlobal, "LastBackup", task.LastBackup);

    ini.WriteInteger(SecDirFilter, "Count", static_cast<int>(task.DirMasks.size()));
    for (size_t i = 0; i < task.DirMasks.size(); ++i) {
        const std::string& mask = task.DirMasks[i];
        if (!mask.empty()) {
            // Reading keeps only what follows the first "|", so a mask holding
            // one gets a "|" in front to survive the trip.
            const std::string stored = mask.find('|') == std::string::npos ? mask : "|" + mask;
            WriteText(ini, SecDirFilter, NumberedName("Mask", static_cast<int>(i)), stored);
        }
    }
    ini.WriteInteger(SecGlobal, "DirCount", last - first + 1);
    for (int i = first; i <= last; ++i) {
        WriteEntry(ini, i - first, task.Sources[static_cast<size_t>(i)]);
    }
}

void WriteShortTask(TIniFile& ini, const TBackupTask& task, const TTaskFileEnv& env)
{
    WriteText(ini, SecGlobal, "Program", env.ProgramText);
    WriteText(ini, SecGlobal, "Version", env.FileVersion);
    WriteText(ini, SecGlobal, "Destination", task.Destination);
    ini.WriteBool(SecGlobal, "Compress", task.Compress);
    WriteText(ini, SecGlobal, "NoCompTypes", CommaTextOf(task.NoCompTypes));
    ini.WriteInteger(SecGlobal, "DestMode", task.DestMode);
    WriteText(ini, SecGlobal, "ZipName", task.ZipName);
    WriteText(ini, SecGlobal, "LastBackup", task.LastBackup);
    ini.WriteInteger(SecGlobal, "DirCount", 0);
}

} // namespace

// ---- public ---------------------------------------------------------------------

void ResetTaskOptions(TBackupTask& task, const TTaskFileEnv& env)
{
    TBackupTask fresh;
    fresh.BakSuffix = env.BackupSuffix;
    fresh.NoCompTypes = env.NoCompress;
    fresh.NetUser = env.CmdLineUser;
    fresh.NetPassword = env.CmdLinePassword;
    fresh.DirMasks = std::move(task.DirMasks);
    fresh.Sources = std::move(task.Sources);
    fresh.FileName = std::move(task.FileName);
    fresh.Modified = task.Modified;
    task = std::move(fresh);
}

bool ReadTaskFile(TBackupTask& task, const std::string& fileName, bool readAll, bool rescan,
                  const TTaskFileEnv& givenEnv)
{
    if (!Platform::AnyExists(fileName)) {
        return false;
    }
    const TTaskFileEnv env = WithDefaults(givenEnv);
    if (readAll) {
        ResetTaskOptions(task, env);
    }
    TIniFile ini(fileName);
    if (ini.ReadString(SecGlobal, "Version", "").empty()) {
        return ReadPlainTaskFile(task, fileName, readAll, rescan, env);
    }
    if (readAll) {
        ReadGlobalOptions(ini, task, env);
        RememberDestination(task, env);
        ReadFtp(ini, task.Ftp);
        ReadMail(ini, task.Mail);
        task.SendMail = task.SendMail && !task.Mail.Server.empty() && !task.Mail.Recipients.empty();
        ReadUser(ini, task);
        ReadDirMasks(ini, task);
    }
    ReadEntries(ini, task, rescan, env);
    FinishRead(task, fileName, readAll);
    return true;
}

bool WriteTaskFile(TBackupTask& task, const std::string& fileName, int firstEntry, int lastEntry,
                   const TTaskFileEnv& env, std::string* error)
{
    RememberDestination(task, env);
    const int count = static_cast<int>(task.Sources.size());
    int first = 0;
    int last = count - 1;
    if (firstEntry >= 0) {
        first = std::min(firstEntry, count);
        last = std::max(std::min(lastEntry, count - 1), first - 1);
    }
    TIniFile ini; // built in memory, then saved in one piece
    if (task.Sources.empty()) {
        WriteShortTask(ini, task, env);
    } else {
        WriteFullTask(ini, task, first, last, env);
    }
    // A read-only task stays protected, as it was when the old file had to be deleted first.
    const uint32_t attr = Platform::GetFileAttributes(fileName);
    const bool readOnly = attr != InvalidFileAttributes && (attr & faReadOnly) != 0;
    if (readOnly || Platform::WriteFileAtomic(fileName, ini.GetText()) != 0) {
        const std::string message = FormatText(TrDefault("Error saving task: %s"), fileName);
        ErrorDialog("", message);
        if (error != nullptr) {
            *error = message;
        }
        return false;
    }
    for (int i = 0; i < count; ++i) {
        task.Sources[static_cast<size_t>(i)].SectionIndex = (i >= first && i <= last) ? i - first : -1;
    }
    task.FileName = fileName;
    task.Modified = false;
    return true;
}

bool HasTaskExtension(const std::string& fileName)
{
    const std::string name = ExtractFileName(fileName);
    return name.size() > 4 && SameTextIgnoringCase(std::string_view(name).substr(name.size() - 4), ".buj");
}

bool UpdateTaskStatistics(TBackupTask& task, const std::string& fileName, const TTaskFileEnv& env)
{
    if (!Platform::FileExists(fileName)) {
        return false;
    }
    const uint32_t attr = Platform::GetFileAttributes(fileName);
    Platform::SetFileAttributes(fileName, faNormal);
    bool ok = false;
    {
        TIniFile ini(fileName);
        if (!ini.ReadString(SecGlobal, "Version", "").empty()) {
            WriteText(ini, SecGlobal, "LastBackup", task.LastBackup);
            for (const TExtensionList& entry : task.Sources) {
                if (entry.SectionIndex < 0) {
                    continue;
                }
                const std::string section = DirSection(entry.SectionIndex);
                ini.WriteInteger(section, "FileCount", entry.FileCount);
                ini.WriteInteger(section, "ByteCountH", ByteCountHigh(entry.ByteCount));
                ini.WriteInteger(section, "ByteCountL", ByteCountLow(entry.ByteCount));
                ini.WriteInteger(section, "SyncCount", entry.SyncCount);
            }
            ok = ini.UpdateFile() == 0;
        } else if (HasTaskExtension(fileName)) {
            // Only a task file by its name is converted: a text file given by mistake stays as it is.
            ok = WriteTaskFile(task, fileName, -1, -1, env);
        }
    }
    if (attr != InvalidFileAttributes) {
        Platform::SetFileAttributes(fileName, attr);
    }
    return ok;
}

std::string DestinationModeText(int destMode)
{
    const bool zip = destMode == DestZipOldSingle || destMode == DestZipFile || destMode == DestZipPerDirectory;
    std::string text = zip ? TrDefault("Zip file(s)") : TrDefault("Single files");
    text += " - ";
    switch (destMode) {
    case DestDrivesSeparated:
        return text + TrDefault("Drives separated ");
    case DestCloneOfSource:
        return text + TrDefault("Clone of source");
    case DestOneDirectory:
        return text + TrDefault("In one directory");
    case DestZipOldSingle:
    case DestZipFile:
        return text + TrDefault("Into one Zip file");
    case DestZipPerDirectory:
        return text + TrDefault("Separated by directories");
    default:
        return text;
    }
}

// ---- the older plain-text form ------------------------------------------------------

namespace {

// Lines of a text file, without their line ends (CR LF, LF or CR).
class TLineReader
{
public:
    explicit TLineReader(const std::string& contents) : text(contents) {}

    bool Next(std::string& line)
    {
        if (pos >= text.size()) {
            return false;
        }
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) {
            end = text.size();
        }
        line = text.substr(pos, end - pos);
        pos = end + 1;
        if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') {
            ++pos;
        }
        return true;
    }

    // The next line, or an empty one at the end of the file.
    std::string NextOrEmpty()
    {
        std::string line;
        Next(line);
        return line;
    }

private:
    const std::string& text;
    size_t pos = 0;
};

// Cuts the text at its first blank: the part before it; `rest` gets the part after.
std::string FirstWord(const std::string& line, std::string& rest)
{
    const size_t blank = line.find(' ');
    if (blank == std::string::npos) {
        rest.clear();
        return line;
    }
    rest = line.substr(blank + 1);
    return line.substr(0, blank);
}

bool ParseInt(const std::string& text, int& value)
{
    std::string rest = text;
    bool error = false;
    const int64_t number = ReadNextInt64(rest, ' ', error, 0);
    if (error || number < INT32_MIN || number > INT32_MAX) {
        return false;
    }
    value = static_cast<int>(number);
    return true;
}

void ReadPlainCompression(const std::string& line, TBackupTask& task, const TTaskFileEnv& env)
{
    std::string rest;
    int number = 1;
    if (!ParseInt(FirstWord(line, rest), number)) {
        number = 1;
    }
    task.Compress = number == 1;
    task.NoCompTypes = SplitCommaText(TrimLeadingBlanks(rest));
    if (task.NoCompTypes.empty()) {
        task.NoCompTypes = env.NoCompress;
    }
}

void ReadPlainLayout(const std::string& rest, TBackupTask& task)
{
    std::string lastRun;
    int layout = DestDrivesSeparated;
    if (!ParseInt(FirstWord(rest, lastRun), layout)) {
        layout = DestDrivesSeparated;
    }
    task.DestMode = layout;
    task.LastBackup = TrimText(lastRun.substr(0, lastRun.find('|')));
    task.ZipName.clear();
}

bool HasSource(const TBackupTask& task, const std::string& dir)
{
    return std::any_of(task.Sources.begin(), task.Sources.end(),
                       [&](const TExtensionList& entry) { return SameTextIgnoringCase(entry.SourceDir, dir); });
}

// Line (i) of a "D" record: type-list mode, then date mode, first and last day and
// the file count, separated by blanks.
void ReadPlainModes(const std::string& line, TExtensionList& entry, bool& rescan)
{
    std::string rest = line;
    int value = 0;
    entry.Mode = static_cast<uint8_t>((ParseInt(ReadNextItem(rest, ' '), value) ? value : 1) & 1);
    int timeMode = TimeModeAny;
    if (!ParseInt(ReadNextItem(rest, ' '), timeMode) || timeMode < 0 || timeMode > TimeModeLastDays) {
        timeMode = TimeModeAny;
    }
    entry.DateFilter.TimeMode = static_cast<uint8_t>(timeMode);
    const TDateFilter read = entry.DateFilter;
    double date = 0;
    if (ParseTaskDate(ReadNextItem(rest, ' '), date)) {
        entry.DateFilter.DateFrom = date;
    } else if (read.UsesDateFrom()) {
        entry.DateFilter.TimeMode = TimeModeAny;
    }
    if (ParseTaskDate(ReadNextItem(rest, ' '), date)) {
        entry.DateFilter.DateTo = date;
    } else if (read.UsesDateTo()) {
        entry.DateFilter.TimeMode = TimeModeAny;
    }
    if (!rescan) {
        int count = 0;
        if (ParseInt(ReadNextItem(rest, ' '), count)) {
            entry.FileCount = count;
        } else {
            rescan = true;
        }
    }
}

std::vector<std::string> PlainTypeList(const std::string& line)
{
    std::string rest;
    FirstWord(line, rest);
    return SplitCommaText(rest);
}

void ReadPlainSource(const std::string& text, TLineReader& lines, TBackupTask& task, bool& rescan,
                     const TTaskFileEnv& env)
{
    const size_t bar = text.find('|');
    const std::string dir = StandInFolder(TrimText(text.substr(0, bar)));
    const std::string filter = bar == std::string::npos ? std::string() : TrimText(text.substr(bar + 1));

    TExtensionList entry(env.DefaultDate);
    entry.SourceDir = dir;
    entry.ExpandedDir = dir;
    ReadPlainModes(lines.NextOrEmpty(), entry, rescan);
    entry.IncludeList.SetTypes(PlainTypeList(lines.NextOrEmpty()));
    entry.ExcludeList.SetTypes(PlainTypeList(lines.NextOrEmpty()));
    if (!filter.empty()) {
        entry.NameFilter.IsRegEx = false;
        entry.NameFilter.Mode = 1;
        try {
            entry.NameFilter.SetMask(StoredMask(entry.NameFilter, filter));
        } catch (const EFilterError&) {
            entry.NameFilter.Mode = 0;
        }
        SwitchOffMatchAll(entry.NameFilter);
    }
    entry.NeedsScan = rescan;
    task.Sources.push_back(entry);
}

// A destination on the first line and at least one "D" record after the compression line.
bool LooksLikePlainTask(const std::string& text)
{
    TLineReader lines(text);
    std::string line;
    if (!lines.Next(line) || TrimText(line).empty() || !lines.Next(line)) {
        return false;
    }
    while (lines.Next(line)) {
        std::string rest;
        if (FirstWord(line, rest) == "D" && !TrimText(rest.substr(0, rest.find('|'))).empty()) {
            return true;
        }
    }
    return false;
}

} // namespace

bool ReadPlainTaskFile(TBackupTask& task, const std::string& fileName, bool readAll, bool rescan,
                       const TTaskFileEnv& givenEnv)
{
    std::string contents;
    if (Platform::ReadWholeFile(fileName, contents) != 0) {
        return false;
    }
    const TTaskFileEnv env = WithDefaults(givenEnv);
    const std::string text = WindowsTextToUtf8(contents);
    if (!LooksLikePlainTask(text)) {
        return false;
    }
    TLineReader lines(text);
    std::string line;
    if (readAll) {
        task.DirMasks.clear(); // the old form has none; keep no masks of another task
    }
    if (lines.Next(line) && readAll) {
        task.Destination = StandInFolder(TrimText(line));
        RememberDestination(task, env);
    }
    bool haveLine = lines.Next(line);
    if (haveLine && readAll) {
        ReadPlainCompression(line, task, env);
        haveLine = lines.Next(line);
    }
    for (; haveLine; haveLine = lines.Next(line)) {
        std::string rest;
        const std::string keyword = FirstWord(line, rest);
        if (keyword == "M" && readAll) {
            ReadPlainLayout(rest, task);
        } else if (keyword == "D" && !HasSource(task, TrimText(rest.substr(0, rest.find('|'))))) {
            ReadPlainSource(rest, lines, task, rescan, env);
        }
    }
    FinishRead(task, fileName, readAll);
    return true;
}
