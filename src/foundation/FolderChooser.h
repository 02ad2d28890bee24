#pragma once

// What the folder chooser decides without its window: the start folder and tree root of
// a call, the recent-folder list kept in the settings file, the folders under each tree
// root, and creating and deleting folders. Paths are Windows text.

#include <string>
#include <vector>

class TIniFile;

// The four roots of the folder tree.
enum class TShellRoot
{
    Desktop,
    Documents,
    Computer,
    Network
};

struct TFolderStart
{
    std::string Folder;
    TShellRoot Root = TShellRoot::Computer;
};

// The given folder, else the default; an existing one starts under the computer (the
// network for "\\server\share"); else the documents folder as its own root, else the
// current folder under the computer.
TFolderStart ChooseStartFolder(const std::string& folder, const std::string& defaultFolder,
                               const std::string& documents, const std::string& current);

// The top folders of a root: the desktop or documents folder itself, the letter drives
// of the computer, the mounted network shares.
std::vector<std::string> RootFolders(TShellRoot root);

// Sub-folders (sorted, ignoring case) and files of a folder; links to folders are not
// followed. Hidden entries only when asked for.
std::vector<std::string> ListSubfolders(const std::string& folder, bool showHidden);
std::vector<std::string> ListFiles(const std::string& folder, bool showHidden);

// The target of a folder shortcut (a folder holding "target.lnk"); empty for others.
std::string FolderShortcutTarget(const std::string& folder);

// The parent folder, empty at the top of a drive or share.
std::string ParentFolder(const std::string& folder);

// Recently chosen folders, newest first; at most FolderHistoryMax are kept and read.
inline constexpr int FolderHistoryMax = 15;

class TFolderHistory
{
public:
    const std::vector<std::string>& Items() const { return items; }
    // Moves the folder to the top, dropping the oldest one beyond the limit.
    void Add(const std::string& folder);
    void Remove(const std::string& folder);
    void Clear() { items.clear(); }
    // Keys "History0" to "History14"; empty values are skipped.
    void Read(const TIniFile& ini, const std::string& section);
    // Writes every entry as "History" + index (the caller erases the section first).
    void Write(TIniFile& ini, const std::string& section) const;

private:
    std::vector<std::string> items;
};

// What the home button does with the default folder.
enum class THomeAction
{
    RootAtFolder,   // a network root, or a drive root such as "C:\": the folder becomes the root
    SelectFolder,   // select the folder under the computer
    FolderNotFound, // tell the user and drop it from the history
};
THomeAction HomeButtonAction(const std::string& defaultFolder, bool exists, TShellRoot root);

enum class TNewFolderResult
{
    Created,
    Refused, // no usable name: nothing was tried
    Failed,
};

// A name the new-folder prompt accepts: not empty, not "." or "..", no character that
// folder names cannot hold.
bool UsableFolderName(const std::string& name);

// Creates parent + "\" + name with every missing parent; path gets the new folder.
TNewFolderResult CreateSubfolder(const std::string& parent, const std::string& name, std::string& path);

// Deletes the folder with everything in it; links inside are removed, never followed.
bool DeleteFolderWithContents(const std::string& folder);
