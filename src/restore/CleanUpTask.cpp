#include "restore/CleanUpTask.h"

#include "foundation/DateUtils.h"
#include "foundation/History.h"
#include "foundation/IniFile.h"
#include "platform/FileSystem.h"
#include "restore/JobFile.h"
#include "tasks/IniValues.h"

namespace {

int TypesOf(int value)
{
    return value == CleanUpTypesOnly || value == CleanUpTypesExcept ? value : CleanUpTypesAll;
}

// The keys the task file and the settings section share, in the task file's order.
void WriteSelection(TIniFile& ini, const char* section, const TCleanUpSettings& s, bool withSync)
{
    ini.WriteInteger(section, "Mode", s.AgeMode);
    WriteJobDate(ini, section, s.Date);
    ini.WriteInteger(section, "Types", TypesOf(s.Types));
    if (withSync) {
        ini.WriteInteger(section, "Sync", s.Sync);
    }
    ini.WriteBool(section, "AgeMode", s.FilesMode);
    ini.WriteBool(section, "UseRecycler", s.UseRecycler);
    ini.WriteBool(section, "Compressed", s.Compressed);
    WriteText(ini, section, "TypeList", s.TypeList);
    WriteJobFilterKeys(ini, section, s.Regular, s.FilterMode, s.Filter);
}

void ReadSelection(const TIniFile& ini, const char* section, TCleanUpSettings& s)
{
    s.AgeMode = ini.ReadInteger(section, "Mode", CleanUpAgeFourWeeks);
    if (s.AgeMode < CleanUpAgeAll || s.AgeMode > CleanUpAgeSince) {
        s.AgeMode = CleanUpAgeFourWeeks;
    }
    s.Date = ReadJobDate(ini, section);
    s.Types = TypesOf(ini.ReadInteger(section, "Types", CleanUpTypesAll));
    s.FilesMode = ini.ReadBool(section, "AgeMode", true);
    s.UseRecycler = ini.ReadBool(section, "UseRecycler", false);
    s.Compressed = ini.ReadBool(section, "Compressed", true);
    s.TypeList = ini.ReadString(section, "TypeList", "");
    ReadJobFilterKeys(ini, section, s.Regular, s.FilterMode, s.Filter);
}

} // namespace

bool SaveCleanUpTask(const std::string& fileName, const TCleanUpSettings& s, const std::string& productText,
                     const std::string& fileVersion)
{
    TIniFile ini(fileName);
    WriteJobGlobal(ini, productText, fileVersion);
    WriteText(ini, CleanUpSection, "Directory", s.Directory);
    WriteSelection(ini, CleanUpSection, s, true);
    ini.WriteBool(CleanUpSection, "FtpBackup", s.FtpBackup);
    WriteJobFtp(ini, s.Ftp, false);
    WriteJobProxy(ini, s.Ftp.Proxy);
    return ini.UpdateFile() == 0;
}

bool LoadCleanUpTask(const std::string& fileName, TCleanUpSettings& s)
{
    if (!Platform::FileExists(fileName)) {
        return false;
    }
    TIniFile ini(fileName);
    // Any other file (a backup task, a text) would leave the window's own folder to clean up.
    if (ini.LoadError() != 0 || !ini.SectionExists(CleanUpSection)) {
        return false;
    }
    s.FtpBackup = false;
    const std::string folder = ini.ReadString(CleanUpSection, "Directory", "");
    if (!folder.empty()) {
        s.Directory = folder;
    }
    ReadSelection(ini, CleanUpSection, s);
    const int sync = ini.ReadInteger(CleanUpSection, "Sync", CleanUpSyncOff);
    s.Sync = sync == CleanUpSyncOrigin || sync == CleanUpSyncFolder ? sync : CleanUpSyncOff;
    s.FtpBackup = ini.ReadBool(CleanUpSection, "FtpBackup", false);
    ReadJobFtp(ini, s.Ftp, false);
    ReadJobProxy(ini, s.Ftp.Proxy);
    return true;
}

void ReadCleanUpSettings(const TIniFile& ini, TCleanUpSettings& settings)
{
    ReadSelection(ini, CleanUpSection, settings);
    settings.Sync = CleanUpSyncOff;
}

void WriteCleanUpSettings(TIniFile& ini, const TCleanUpSettings& settings)
{
    WriteSelection(ini, CleanUpSection, settings, false);
}

void ReadCleanUpHistories(const TIniFile& ini, TCleanUpHistories& histories)
{
    ReadHistory(ini, CleanUpSection, "", histories.Folders);
    ReadHistory(ini, CleanUpSyncSection, "", histories.SyncDirs);
}

void WriteCleanUpHistories(TIniFile& ini, const TCleanUpHistories& histories)
{
    // The folder history shares its section with the settings: never erase it.
    WriteHistory(ini, CleanUpSection, "", histories.Folders, false);
    WriteHistory(ini, CleanUpSyncSection, "", histories.SyncDirs, true);
}
