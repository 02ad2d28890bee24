#include "restore/JobFile.h"

#include "foundation/TextFilter.h"
#include "tasks/IniValues.h"

#include <cmath>

namespace {

constexpr const char* FtpSection = "Ftp";
constexpr const char* ProxySection = "Proxy";

} // namespace

void WriteJobGlobal(TIniFile& ini, const std::string& product, const std::string& version)
{
    ini.WriteString("Global", "Program", product);
    ini.WriteString("Global", "Version", version);
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

void WriteJobFilter(TIniFile& ini, const std::string& section, const TTextFilter& filter)
{
    ini.WriteBool(section, "Regular", filter.IsRegEx);
    ini.WriteInteger(section, "FilterMode", filter.Mode);
    ini.WriteString(section, "Filter", filter.GetMask());
}

void ReadJobFilter(const TIniFile& ini, const std::string& section, TTextFilter& filter)
{
    filter.IsRegEx = ini.ReadBool(section, "Regular", false);
    const int mode = ini.ReadInteger(section, "FilterMode", 0);
    filter.Mode = static_cast<std::uint8_t>(mode >= 0 && mode <= 2 ? mode : 0);
    const std::string text = ini.ReadString(section, "Filter", filter.GetMask());
    try {
        filter.SetMask(text.empty() ? filter.DefaultMask() : text);
    } catch (const EFilterError&) {
        // A rejected text leaves the filter as it was, switched off.
        filter.Mode = TTextFilter::ModeOff;
    }
}

void WriteJobFtp(TIniFile& ini, const TFtpParams& ftp, bool withNames)
{
    ini.WriteString(FtpSection, "Host", ftp.Host);
    ini.WriteInteger(FtpSection, "Port", ftp.Port);
    ini.WriteString(FtpSection, "Username", ftp.Username);
    ini.WriteString(FtpSection, "Password", EncodeTaskPassword(ftp.Password));
    ini.WriteString(FtpSection, "SubDir", ftp.SubDir);
    if (withNames) {
        ini.WriteInteger(FtpSection, "ChangeNames", ftp.NameCase);
    }
}

void ReadJobFtp(const TIniFile& ini, TFtpParams& ftp, bool withNames)
{
    ftp.Host = ini.ReadString(FtpSection, "Host");
    ftp.Port = ini.ReadInteger(FtpSection, "Port", 21);
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
    ini.WriteString(ProxySection, "Server", proxy.Server);
    ini.WriteInteger(ProxySection, "Port", proxy.Port);
    ini.WriteString(ProxySection, "Username", proxy.Username);
    ini.WriteString(ProxySection, "Password", EncodeTaskPassword(proxy.Password));
    ini.WriteInteger(ProxySection, "ProxyType", proxy.ProxyType);
}

void ReadJobProxy(const TIniFile& ini, TFtpProxyParams& proxy)
{
    proxy.Server = ini.ReadString(ProxySection, "Server");
    proxy.Port = ini.ReadInteger(ProxySection, "Port", 2121);
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
