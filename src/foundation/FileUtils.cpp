#include "foundation/FileUtils.h"

#include "foundation/PathUtils.h"
#include "foundation/StringUtils.h"
#include "platform/FileSystem.h"
#include "platform/FolderEntries.h"

#include <vector>

namespace {

struct TFolderEntries
{
    std::vector<std::string> Folders;
    std::vector<Platform::TSearchRec> Files;
};

TFolderEntries ListFolder(const std::string& folder)
{
    TFolderEntries entries;
    Platform::TSearchRec rec;
    if (Platform::FindFirst(AddPathDelimiter(folder) + "*", faAnyFile, rec) != 0) {
        return entries;
    }
    do {
        if (rec.Attr & faDirectory) {
            entries.Folders.push_back(rec.Name);
        } else {
            entries.Files.push_back(rec);
        }
    } while (Platform::FindNext(rec) == 0);
    Platform::FindClose(rec);
    return entries;
}

std::string JoinFolder(const std::string& subfolder, const std::string& name)
{
    return subfolder.empty() ? name : AddPathDelimiter(subfolder) + name;
}

} // namespace

std::string ReadResponseFile(const std::string& fileName)
{
    std::string contents;
    if (Platform::ReadWholeFile(fileName, contents) != 0) {
        return {};
    }
    std::string result;
    std::size_t start = 0;
    while (start < contents.size()) {
        std::size_t end = contents.find('\n', start);
        if (end == std::string::npos) {
            end = contents.size();
        }
        std::string line = contents.substr(start, end - start);
        start = end + 1;
        line = TrimText(line.substr(0, line.find(';')));
        if (!line.empty()) {
            result += result.empty() ? line : "|" + line;
        }
    }
    return result;
}

void GetFolderStatistics(const std::string& root, const std::string& subfolder, bool recursive, std::int64_t& bytes,
                         int& files)
{
    const TFolderEntries entries = ListFolder(AddPathDelimiter(root) + subfolder);
    if (recursive) {
        for (const std::string& folder : entries.Folders) {
            GetFolderStatistics(root, JoinFolder(subfolder, folder), true, bytes, files);
        }
    }
    for (const Platform::TSearchRec& file : entries.Files) {
        bytes += static_cast<std::int64_t>(file.Size);
        ++files;
    }
}

int CountFiles(const std::string& folder, bool recursive)
{
    std::int64_t bytes = 0;
    int files = 0;
    GetFolderStatistics(folder, {}, recursive, bytes, files);
    return files;
}

void DeleteFolderTree(const std::string& root, const std::string& subfolder, int& folders, int& errors, int& files)
{
    const std::string folder = RemovePathDelimiter(AddPathDelimiter(root) + subfolder);
    if (!Platform::DirectoryExists(folder)) {
        return;
    }
    const TFolderEntries entries = ListFolder(folder);
    for (const std::string& name : entries.Folders) {
        DeleteFolderTree(root, JoinFolder(subfolder, name), folders, errors, files);
    }
    bool allDeleted = true;
    auto count = [&](bool deleted) {
        deleted ? ++files : ++errors;
        allDeleted = allDeleted && deleted;
    };
    for (const Platform::TSearchRec& file : entries.Files) {
        const std::string path = AddPathDelimiter(folder) + file.Name;
        Platform::SetFileAttributes(path, faArchive);
        count(Platform::DeleteFile(path) == 0);
    }
    for (const std::string& name : Platform::ListUnsearchedEntries(folder)) {
        count(Platform::RemoveUnsearchedEntry(AddPathDelimiter(folder) + name) == 0);
    }
    if (!allDeleted) {
        return;
    }
    Platform::SetFileAttributes(folder, faNormal);
    Platform::RemoveDir(folder) == 0 ? ++folders : ++errors;
}

bool DeleteFolderTree(const std::string& folder)
{
    int folders = 0;
    int errors = 0;
    int files = 0;
    DeleteFolderTree(folder, {}, folders, errors, files);
    return errors == 0;
}
