#include "tasks/ui/BackupFormFolder.h"

#include "foundation/ui/QtText.h"
#include "platform/Drives.h"

#include <QFileDialog>

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

bool SelectFolder(QWidget* parent, const std::string& caption, std::string& folder)
{
    const QString chosen =
        QFileDialog::getExistingDirectory(parent, QStr(caption), QStr(ShownPath(folder)), QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty()) {
        return false;
    }
    folder = StoredPath(chosen.toStdString());
    return true;
}
