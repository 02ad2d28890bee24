#include "platform/ProgramData.h"

#include "platform/HostInfo.h"

#include <sys/stat.h>

namespace Platform {

namespace {

bool IsFolder(const std::string& path)
{
    struct stat info
    {
    };
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsFile(const std::string& path)
{
    struct stat info
    {
    };
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string BuildTreeDir(const std::string& sub)
{
    if (sub == "locale") {
        return TESSARO_LOCALE_BUILD_DIR;
    }
    return std::string(TESSARO_SOURCE_DIR) + "/resources/" + sub;
}

std::string DataRootOf(const std::string& programPath)
{
    const std::size_t slash = programPath.rfind('/');
    if (slash == std::string::npos) {
        return {};
    }
    return programPath.substr(0, slash + 1) + TESSARO_DATA_FROM_BIN;
}

} // namespace

std::string InstalledDataDir(const std::string& programPath, const std::string& sub)
{
    const std::string root = DataRootOf(programPath);
    if (root.empty()) {
        return {};
    }
    const std::string dir = root + "/" + sub;
    return IsFolder(dir) ? dir : std::string();
}

std::string ProgramDataDir(const std::string& sub)
{
    const std::string installed = InstalledDataDir(HostProgramPath(), sub);
    return installed.empty() ? BuildTreeDir(sub) : installed;
}

bool ProgramInstalled()
{
    return !InstalledDataDir(HostProgramPath(), "locale").empty();
}

std::string ProgramIconName()
{
    std::string drawing = BuildTreeDir("icons") + "/app/" + TESSARO_APP_ID + ".svg";
    if (!ProgramInstalled() && IsFile(drawing)) {
        return drawing;
    }
    return TESSARO_APP_ID;
}

} // namespace Platform
