#include "ui/tasks/BackupFormFolder.h"

#include "platform/Drives.h"

std::string ShownPath(const std::string& winPath)
{
    if (winPath.empty() || winPath.find('%') == 0) {
        return winPath;
    }
    return Platform::WinToHost(winPath).value_or(winPath);
}

std::string StoredPath(const std::string& shownPath)
{
    if (shownPath.empty() || shownPath.front() != '/') {
        return shownPath;
    }
    return Platform::HostToWin(shownPath).value_or(shownPath);
}
