#include "foundation/WinServices.h"

#include "Version.h"
#include "foundation/PathUtils.h"
#include "foundation/StringUtils.h"
#include "platform/Drives.h"
#include "platform/HostInfo.h"

namespace {

std::string ToWin(const std::string& hostPath)
{
    if (hostPath.empty()) {
        return {};
    }
    return RemovePathDelimiter(Platform::HostToWin(hostPath).value_or(std::string()));
}

std::string XdgBase(const char* variable, const char* homeRelative)
{
    std::string value = Platform::HostEnv(variable);
    if (!value.empty() && value.front() == '/') {
        return value;
    }
    return Platform::HostHomeDir() + homeRelative;
}

// The value of XDG_<name>_DIR in user-dirs.dirs, with "$HOME" expanded; empty when unset.
std::string ReadUserDir(const std::string& name)
{
    const std::string file = ToWin(XdgBase("XDG_CONFIG_HOME", "/.config") + "/user-dirs.dirs");
    std::string contents;
    if (file.empty() || Platform::ReadWholeFile(file, contents) != 0) {
        return {};
    }
    const std::string key = "XDG_" + name + "_DIR=";
    std::string rest = contents;
    while (!rest.empty()) {
        const std::string line = TrimText(ReadNextItem(rest, '\n'));
        if (line.compare(0, key.size(), key) != 0) {
            continue;
        }
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
        }
        if (value.compare(0, 5, "$HOME") == 0) {
            value = Platform::HostHomeDir() + value.substr(5);
        }
        return value.empty() || value.front() != '/' ? std::string() : value;
    }
    return {};
}

// A user folder as xdg-user-dirs resolves it: the configured one, else the usual name, and
// the home folder when that folder does not exist.
std::string UserDir(const std::string& name, const std::string& defaultName)
{
    std::string dir = ReadUserDir(name);
    if (dir.empty()) {
        dir = Platform::HostHomeDir() + "/" + defaultName;
    }
    const std::string win = ToWin(dir);
    return !win.empty() && Platform::DirectoryExists(win) ? win : ToWin(Platform::HostHomeDir());
}

} // namespace

std::string GetWindowsDir()
{
    return ToWin("/usr");
}

std::string GetSystemDir()
{
    return ToWin("/usr/bin");
}

std::string GetTempDir()
{
    return AddPathDelimiter(ToWin(Platform::HostTempDir()));
}

std::string GetCurrentUserName()
{
    return Platform::HostUserName();
}

std::string GetLocalComputerName()
{
    return Platform::HostComputerName();
}

std::string GetProfileDir()
{
    const std::string profile = ToWin(Platform::HostHomeDir());
    return profile.empty() ? GetWindowsDir() : profile;
}

std::string GetSpecialFolder(int csidl)
{
    switch (csidl) {
    case CSIDL_DESKTOP:
    case CSIDL_DESKTOPDIRECTORY:
        return UserDir("DESKTOP", "Desktop");
    case CSIDL_PERSONAL:
        return UserDir("DOCUMENTS", "Documents");
    case CSIDL_MYMUSIC:
        return UserDir("MUSIC", "Music");
    case CSIDL_MYVIDEO:
        return UserDir("VIDEOS", "Videos");
    case CSIDL_MYPICTURES:
        return UserDir("PICTURES", "Pictures");
    case CSIDL_TEMPLATES:
        return UserDir("TEMPLATES", "Templates");
    case CSIDL_FAVORITES:
        return ToWin(XdgBase("XDG_DATA_HOME", "/.local/share") + "/favorites");
    case CSIDL_STARTUP:
        return ToWin(XdgBase("XDG_CONFIG_HOME", "/.config") + "/autostart");
    case CSIDL_COMMON_STARTUP:
        return ToWin("/etc/xdg/autostart");
    case CSIDL_APPDATA:
        return ToWin(XdgBase("XDG_CONFIG_HOME", "/.config"));
    case CSIDL_LOCAL_APPDATA:
        return ToWin(XdgBase("XDG_DATA_HOME", "/.local/share"));
    case CSIDL_INTERNET_CACHE:
        return ToWin(XdgBase("XDG_CACHE_HOME", "/.cache"));
    case CSIDL_COMMON_APPDATA:
        return ToWin("/etc/xdg");
    case CSIDL_WINDOWS:
        return GetWindowsDir();
    case CSIDL_SYSTEM:
        return GetSystemDir();
    case CSIDL_PROGRAM_FILES:
        return ToWin("/opt");
    case CSIDL_PROFILE:
        return GetProfileDir();
    default:
        return {};
    }
}

TOsVersionInfo GetOsVersion()
{
    TOsVersionInfo info;
    info.Platform = VerPlatformNT;
    info.MajorVersion = 10;
    info.MinorVersion = 0;
    const std::string release = Platform::HostKernelRelease();
    // "6.1.0-13-amd64" -> 60100, so that the build number grows with the kernel.
    std::string rest = release;
    std::uint32_t build = 0;
    for (int part = 0; part < 3; ++part) {
        build = build * 100 + static_cast<std::uint32_t>(ReadNextInt64Def(rest, '.', 0) % 100);
    }
    info.BuildNumber = build;
    info.CSDVersion = ("Linux " + release).substr(0, 127);
    return info;
}

bool GetFileVersionStrings(const std::string& fileName, TVersionStrings& record)
{
    record = {};
    if (GetOsVersion().MajorVersion <= 4) {
        return false;
    }
    const std::string program = ToWin(Platform::HostProgramPath());
    if (program.empty() || Platform::ExpandFileName(fileName) != program) {
        return false;
    }
    record.CompanyName = TESSARO_PRODUCT;
    record.FileDescription = TESSARO_PRODUCT;
    // A version record has four parts, the last one the build; the version text drops it.
    record.FileVersion = TESSARO_VERSION ".0";
    record.InternalName = TESSARO_PRODUCT;
    record.LegalCopyright = {};
    record.Comments = {};
    return true;
}

Platform::TFileTime FindFileWriteTime(const std::string& fileName)
{
    Platform::TFindData data;
    if (!Platform::GetFindData(fileName, data) || (data.Attr & faDirectory)) {
        return 0;
    }
    return data.LastWriteTime;
}
