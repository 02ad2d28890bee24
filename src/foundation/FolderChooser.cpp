#include "foundation/FolderChooser.h"

#include "foundation/FileUtils.h"
#include "foundation/IniFile.h"
#include "foundation/PathUtils.h"
#include "foundation/ShellLink.h"
#include "foundation/StringUtils.h"
#include "foundation/WinServices.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"

#include <algorithm>

namespace {

bool IsNetworkPath(const std::string& path)
{
    return path.size() >= 2 && path[0] == '\\' && path[1] == '\\';
}

bool IsDriveRoot(const std::string& path)
{
    return path.size() == 3 && path[1] == ':' && path[2] == '\\';
}

bool LessIgnoringCase(const std::string& a, const std::string& b)
{
    const std::string ua = AnsiUpperCase(a);
    const std::string ub = AnsiUpperCase(b);
    return ua != ub ? ua < ub : a < b;
}

std::vector<std::string> ListEntries(const std::string& folder, bool showHidden, bool folders)
{
    std::vector<std::string> names;
    Platform::TSearchRec rec;
    const uint32_t attr = (folders ? faDirectory : 0u) | (showHidden ? faHidden : 0u);
    if (Platform::FindFirst(AddPathDelimiter(folder) + "*", attr, rec) == 0) {
        do {
            const bool isFolder = (rec.Attr & faDirectory) != 0;
            if (isFolder == folders && (showHidden || (rec.Attr & faHidden) == 0)) {
                names.push_back(rec.Name);
            }
        } while (Platform::FindNext(rec) == 0);
        Platform::FindClose(rec);
    }
    std::sort(names.begin(), names.end(), LessIgnoringCase);
    return names;
}

} // namespace

TFolderStart ChooseStartFolder(const std::string& folder, const std::string& defaultFolder,
                               const std::string& documents, const std::string& current)
{
    const std::string start = folder.empty() ? defaultFolder : folder;
    if (!start.empty() && Platform::DirectoryExists(start)) {
        return {start, IsNetworkPath(start) ? TShellRoot::Network : TShellRoot::Computer};
    }
    if (!documents.empty()) {
        return {documents, TShellRoot::Documents};
    }
    return {current, TShellRoot::Computer};
}

std::vector<std::string> RootFolders(TShellRoot root)
{
    switch (root) {
    case TShellRoot::Desktop:
        return {GetSpecialFolder(CSIDL_DESKTOPDIRECTORY)};
    case TShellRoot::Documents:
        return {GetSpecialFolder(CSIDL_PERSONAL)};
    case TShellRoot::Computer:
        return Platform::LogicalDrives();
    case TShellRoot::Network:
        break;
    }
    std::vector<std::string> shares;
    for (const Platform::TDriveEntry& entry : Platform::DriveTable()) {
        if (IsNetworkPath(entry.Name)) {
            shares.push_back(entry.Name);
        }
    }
    std::sort(shares.begin(), shares.end(), LessIgnoringCase);
    return shares;
}

std::vector<std::string> ListSubfolders(const std::string& folder, bool showHidden)
{
    return ListEntries(folder, showHidden, true);
}

std::vector<std::string> ListFiles(const std::string& folder, bool showHidden)
{
    return ListEntries(folder, showHidden, false);
}

std::string FolderShortcutTarget(const std::string& folder)
{
    const std::string link = AddPathDelimiter(folder) + "target.lnk";
    std::string target;
    std::string arguments;
    std::string workingDir;
    std::string description;
    if (Platform::FileExists(link) && ReadShellLink(link, target, arguments, workingDir, description)) {
        return target;
    }
    return {};
}

std::string ParentFolder(const std::string& folder)
{
    const std::string path = RemovePathDelimiter(folder);
    if (IsDriveRoot(AddPathDelimiter(path)) || path == Platform::ExtractFileDrive(path)) {
        return {};
    }
    const std::string parent = ExtractFilePath(path);
    if (parent.empty()) {
        return {};
    }
    return IsDriveRoot(parent) ? parent : RemovePathDelimiter(parent);
}

void TFolderHistory::Add(const std::string& folder)
{
    if (folder.empty()) {
        return;
    }
    Remove(folder);
    items.insert(items.begin(), folder);
    if (items.size() > static_cast<size_t>(FolderHistoryMax)) {
        items.resize(FolderHistoryMax);
    }
}

void TFolderHistory::Remove(const std::string& folder)
{
    std::erase_if(items, [&folder](const std::string& item) { return SameTextIgnoringCase(item, folder); });
}

void TFolderHistory::Read(const TIniFile& ini, const std::string& section)
{
    items.clear();
    for (int i = 0; i < FolderHistoryMax; ++i) {
        const std::string value = ini.ReadString(section, "History" + std::to_string(i));
        if (!value.empty()) {
            items.push_back(value);
        }
    }
}

void TFolderHistory::Write(TIniFile& ini, const std::string& section) const
{
    for (size_t i = 0; i < items.size(); ++i) {
        ini.WriteString(section, "History" + std::to_string(i), items[i]);
    }
}

THomeAction HomeButtonAction(const std::string& defaultFolder, bool exists, TShellRoot root)
{
    if (!exists) {
        return THomeAction::FolderNotFound;
    }
    if (root == TShellRoot::Network || IsDriveRoot(defaultFolder)) {
        return THomeAction::RootAtFolder;
    }
    return THomeAction::SelectFolder;
}

bool UsableFolderName(const std::string& name)
{
    const std::string trimmed = TrimText(name);
    return !trimmed.empty() && trimmed != "." && trimmed != ".." && IsValidFileName(trimmed);
}

TNewFolderResult CreateSubfolder(const std::string& parent, const std::string& name, std::string& path)
{
    if (parent.empty() || !UsableFolderName(name)) {
        return TNewFolderResult::Refused;
    }
    path = AddPathDelimiter(parent) + TrimText(name);
    return Platform::ForceDirectories(path) == 0 ? TNewFolderResult::Created : TNewFolderResult::Failed;
}

bool DeleteFolderWithContents(const std::string& folder)
{
    return DeleteFolderTree(RemovePathDelimiter(folder)) && !Platform::AnyExists(folder);
}
