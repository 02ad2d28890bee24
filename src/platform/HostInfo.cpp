#include "platform/HostInfo.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace Platform {

namespace {

std::string WithoutTrailingSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

bool IsFolder(const std::string& path)
{
    struct stat st
    {
    };
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

std::string HostEnv(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string HostUserName()
{
    if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_name) {
        return pw->pw_name;
    }
    return HostEnv("USER");
}

std::string HostComputerName()
{
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0) {
        return {};
    }
    return name;
}

std::string HostHomeDir()
{
    std::string home = HostEnv("HOME");
    if (home.empty()) {
        if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_dir) {
            home = pw->pw_dir;
        }
    }
    return WithoutTrailingSlash(home);
}

std::string HostTempDir()
{
    const std::string tmp = WithoutTrailingSlash(HostEnv("TMPDIR"));
    return IsFolder(tmp) ? tmp : std::string("/tmp");
}

std::string HostKernelRelease()
{
    utsname info{};
    return ::uname(&info) == 0 ? std::string(info.release) : std::string();
}

std::string HostProgramPath()
{
    char path[PATH_MAX + 1] = {};
    const ssize_t n = ::readlink("/proc/self/exe", path, PATH_MAX);
    return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string();
}

std::string HostCurrentDir()
{
    char buffer[PATH_MAX + 1];
    return ::getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string("/");
}

int CurrentThreadNice()
{
    errno = 0;
    // Who 0 is the calling thread itself: no call for its id first.
    const int nice = ::getpriority(PRIO_PROCESS, 0);
    return errno == 0 ? nice : 0;
}

bool SetCurrentThreadNice(int nice)
{
    return ::setpriority(PRIO_PROCESS, 0, nice) == 0;
}

} // namespace Platform
