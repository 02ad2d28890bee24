#include "restore/CleanUpTask.h"

#include "foundation/DateUtils.h"
#include "foundation/History.h"
#include "foundation/IniFile.h"
#include "platform/FileSystem.h"
#include "tasks/IniValues.h"

namespace {

constexpr const char* SecGlobal = "Global";
constexpr const char* SecFtp = "Ftp";
constexpr const char* SecProxy = "Proxy";

int TypesOf(int value)
{
    return value == CleanUpTypesOnly || value == CleanUpTypesExcept ? value : CleanUpTypesAll;
}

TDateTime ReadDate(const TIniFile& ini, const char* section)
{
    double date = 0;
    return ParseTaskDate(ini.ReadString(section, "Date", ""), date) ? date : Date();
}

// The keys the task file and the settings section share, in the task file's order.
void WriteSelection(TIniFile& ini, const char* section, const TCleanUpSettings& s, bool withSync)
{
    ini.WriteInteger(section, "Mode", s.AgeMode);
    WriteText(ini, section, "Date", TaskDateText(s.Date));
    ini.WriteInteger(section, "Types", TypesOf(s.Types));
    if (withSync) {
        ini.WriteInteger(section, "Sync", s.Sync);
    }
    ini.WriteBool(section, "AgeMode", s.FilesMode);
    ini.WriteBool(section, "UseRecycler", s.UseRecycler);
    ini.WriteBool(section, "Compressed", s.Compressed);
    WriteText(ini, section, "TypeList", s.TypeList);
    ini.WriteBool(section, "Regular", s.Regular);
    ini.WriteInteger(section, "FilterMode", s.FilterMode);
    WriteText(ini, section, "Filter", s.Filter);
}

void ReadSelection(const TIniFile& ini, const char* section, TCleanUpSettings& s)
{
    s.AgeMode = ini.ReadInteger(section, "Mode", CleanUpAgeFourWeeks);
    if (s.AgeMode < CleanUpAgeAll || s.AgeMode > CleanUpAgeSince) {
        s.AgeMode = CleanUpAgeFourWeeks;
    }
    s.Date = ReadDate(ini, section);
    s.Types = TypesOf(ini.ReadInteger(section, "Types", CleanUpTypesAll));
    s.FilesMode = ini.ReadBool(section, "AgeMode", true);
    s.UseRecycler = ini.ReadBool(section, "UseRecycler", false);
    s.Compressed = ini.ReadBool(section, "Compressed", true);
    s.TypeList = ini.ReadString(section, "TypeList", "");
    s.Regular = ini.ReadBool(section, "Regular", false);
    s.FilterMode = ini.ReadInteger(section, "FilterMode", 0);
    if (s.FilterMode < 0 || s.FilterMode > 2) {
        s.FilterMode = 0;
    }
    s.Filter = ini.ReadString(section, "Filter", s.Filter);
}

void WriteLogin(TIniFile& ini, const char* section, const char* serverKey, const std::string& server, int port,
                const std::string& user, const std::string& password)
{
    WriteText(ini, section, serverKey, server);
    ini.WriteInteger(section, "Port", port);
    WriteText(ini, section, "Username", user);
    WriteText(ini, section, "Password", EncodeTaskPassword(password));
}

void ReadLogin(const TIniFile& ini, const char* section, const char* serverKey, int defaultPort, std::string& server,
               int32_t& port, std::string& user, std::string& password)
{
    server = ini.ReadString(section, serverKey, "");
    port = ini.ReadInteger(section, "Port", defaultPort);
    if (port <= 0 || port > 65535) {
        port = defaultPort;
    }
    user = ini.ReadString(section, "Username", "");
    password = DecodeTaskPassword(ini.ReadString(section, "Password", ""));
}

} // namespace

bool SaveCleanUpTask(const std::string& fileName, const TCleanUpSettings& s, const std::string& productText,
                     const std::string& fileVersion)
{
    TIniFile ini(fileName);
    WriteText(ini, SecGlobal, "Program", productText);
    WriteText(ini, SecGlobal, "Version", fileVersion);
    WriteText(ini, CleanUpSection, "Directory", s.Directory);
    WriteSelection(ini, CleanUpSection, s, true);
    ini.WriteBool(CleanUpSection, "FtpBackup", s.FtpBackup);
    WriteLogin(ini, SecFtp, "Host", s.Ftp.Host, s.Ftp.Port, s.Ftp.Username, s.Ftp.Password);
    WriteText(ini, SecFtp, "SubDir", s.Ftp.SubDir);
    const TFtpProxyParams& proxy = s.Ftp.Proxy;
    WriteLogin(ini, SecProxy, "Server", proxy.Server, proxy.Port, proxy.Username, proxy.Password);
    ini.WriteInteger(SecProxy, "ProxyType", proxy.ProxyType);
    return ini.UpdateFile() == 0;
}

bool LoadCleanUpTask(const std::string& fileName, TCleanUpSettings& s)
{
    if (!Platform::FileExists(fileName)) {
        return false;
    }
    TIniFile ini(fileName);
    if (ini.LoadError() != 0) {
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
    ReadLogin(ini, SecFtp, "Host", 21, s.Ftp.Host, s.Ftp.Port, s.Ftp.Username, s.Ftp.Password);
    s.Ftp.SubDir = ini.ReadString(SecFtp, "SubDir", "");
    TFtpProxyParams& proxy = s.Ftp.Proxy;
    ReadLogin(ini, SecProxy, "Server", 2121, proxy.Server, proxy.Port, proxy.Username, proxy.Password);
    const int type = ini.ReadInteger(SecProxy, "ProxyType", 0);
    proxy.ProxyType = static_cast<uint8_t>(type >= 0 && type <= 6 ? type : 0);
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
