#include "restore/JobFile.h"

#include "engine/ExtFtp.h"
#include "foundation/PathUtils.h"
#include "foundation/ShownPaths.h"
#include "foundation/TextFilter.h"
#include "foundation/Translate.h"
#include "platform/FileSystem.h"
#include "tasks/IniValues.h"
#include "tasks/Placeholders.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr const char* FtpSection = "Ftp";
constexpr const char* ProxySection = "Proxy";

// A port no server can have gives the default.
int ReadPort(const TIniFile& ini, const char* section, int def)
{
    const int port = ini.ReadInteger(section, "Port", def);
    return port > 0 && port <= 65535 ? port : def;
}

} // namespace

void WriteJobGlobal(TIniFile& ini, const std::string& product, const std::string& version)
{
    WriteText(ini, "Global", "Program", product);
    WriteText(ini, "Global", "Version", version);
}

void WriteJobDate(TIniFile& ini, const std::string& section, TDateTime date)
{
    ini.WriteString(section, "Date", TaskDateText(std::floor(date)));
}

TDateTime ReadJobDate(const TIniFile& ini, const std::string& section)
{
    double date = 0;
    if (!ParseTaskDate(ini.ReadString(section, "Date"), date) || date == 0) {
        return std::floor(Date());
    }
    return std::floor(date);
}

void WriteJobFilterKeys(TIniFile& ini, const std::string& section, bool regular, int mode, const std::string& text)
{
    ini.WriteBool(section, "Regular", regular);
    ini.WriteInteger(section, "FilterMode", mode);
    WriteText(ini, section, "Filter", text);
}

void ReadJobFilterKeys(const TIniFile& ini, const std::string& section, bool& regular, int& mode, std::string& text)
{
    regular = ini.ReadBool(section, "Regular", false);
    mode = ini.ReadInteger(section, "FilterMode", 0);
    if (mode < 0 || mode > 2) {
        mode = 0;
    }
    text = ini.ReadString(section, "Filter", text);
}

void WriteJobFilter(TIniFile& ini, const std::string& section, const TTextFilter& filter)
{
    WriteJobFilterKeys(ini, section, filter.IsRegEx, filter.Mode, filter.GetMask());
}

void ReadJobFilter(const TIniFile& ini, const std::string& section, TTextFilter& filter)
{
    int mode = 0;
    std::string text = filter.GetMask();
    ReadJobFilterKeys(ini, section, filter.IsRegEx, mode, text);
    filter.Mode = static_cast<std::uint8_t>(mode);
    try {
        filter.SetMask(text.empty() ? filter.DefaultMask() : text);
    } catch (const EFilterError&) {
        // A rejected text leaves the filter as it was, switched off.
        filter.Mode = TTextFilter::ModeOff;
    }
}

void WriteJobFtp(TIniFile& ini, const TFtpParams& ftp, bool withNames)
{
    WriteText(ini, FtpSection, "Host", ftp.Host);
    ini.WriteInteger(FtpSection, "Port", ftp.Port);
    WriteText(ini, FtpSection, "Username", ftp.Username);
    ini.WriteString(FtpSection, "Password", EncodeTaskPassword(ftp.Password));
    WriteText(ini, FtpSection, "SubDir", ftp.SubDir);
    if (withNames) {
        ini.WriteInteger(FtpSection, "ChangeNames", ftp.NameCase);
    }
}

void ReadJobFtp(const TIniFile& ini, TFtpParams& ftp, bool withNames)
{
    ftp.Host = ini.ReadString(FtpSection, "Host");
    ftp.Port = ReadPort(ini, FtpSection, 21);
    ftp.Username = ini.ReadString(FtpSection, "Username");
    ftp.Password = DecodeTaskPassword(ini.ReadString(FtpSection, "Password"));
    ftp.SubDir = ini.ReadString(FtpSection, "SubDir");
    if (withNames) {
        const int names = ini.ReadInteger(FtpSection, "ChangeNames", 0);
        ftp.NameCase = static_cast<std::uint8_t>(names >= 0 && names <= 2 ? names : 0);
    }
}

void WriteJobProxy(TIniFile& ini, const TFtpProxyParams& proxy)
{
    WriteText(ini, ProxySection, "Server", proxy.Server);
    ini.WriteInteger(ProxySection, "Port", proxy.Port);
    WriteText(ini, ProxySection, "Username", proxy.Username);
    ini.WriteString(ProxySection, "Password", EncodeTaskPassword(proxy.Password));
    ini.WriteInteger(ProxySection, "ProxyType", proxy.ProxyType);
}

void ReadJobProxy(const TIniFile& ini, TFtpProxyParams& proxy)
{
    proxy.Server = ini.ReadString(ProxySection, "Server");
    proxy.Port = ReadPort(ini, ProxySection, 2121);
    proxy.Username = ini.ReadString(ProxySection, "Username");
    proxy.Password = DecodeTaskPassword(ini.ReadString(ProxySection, "Password"));
    const int type = ini.ReadInteger(ProxySection, "ProxyType", 0);
    proxy.ProxyType = static_cast<std::uint8_t>(type >= 0 && type <= 6 ? type : 0);
}

std::string JobFtpText(const TFtpParams& ftp)
{
    if (ftp.Host.empty()) {
        return {};
    }
    return "ftp://" + ftp.Host + ":" + std::to_string(ftp.Port) + "/" + ftp.SubDir;
}

std::string StripFtpPlaceholderDirs(const std::string& folder)
{
    return BackslashToSlash(StripPlaceholderDirs(SlashToBackslash(folder)));
}

std::string JobSettingsSource(const std::string& settingsFile, const std::string& fallbackFile)
{
    for (const std::string& file : {settingsFile, fallbackFile}) {
        if (!file.empty() && Platform::FileExists(file)) {
            return file;
        }
    }
    return {};
}

void ReportRefusedJob(TBackupLog& log, int logMode, const std::string& header, const std::string& reason)
{
    if (logMode > 0) {
        log.WriteLogHeader(header);
        log.WriteLog(LogErrorPrefix + reason);
        log.WriteLog("");
    }
    std::fprintf(stderr, "%s\n", HostPathsInText(reason).c_str());
}

std::string UnvalidJobText(const std::string& label, const std::string& file)
{
    return TrDefault("Unvalid task configuration") + " - " + label + ExtractFileName(file);
}
