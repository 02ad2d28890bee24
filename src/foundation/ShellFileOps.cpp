#include "foundation/ShellFileOps.h"

#include "foundation/FileUtils.h"
#include "foundation/MessageDialogs.h"
#include "foundation/MessageLoop.h"
#include "foundation/PathUtils.h"
#include "foundation/StringUtils.h"
#include "foundation/Translate.h"
#include "platform/FileSystem.h"
#include "platform/Trash.h"

#include <mutex>
#include <vector>

namespace {

std::mutex hookMutex;
TShellProgressHook progressHook;

struct TMatch
{
    std::string Path;
    bool Folder = false;
};

class TShellJob
{
public:
    TShellJob(unsigned jobFlags, std::string jobTitle) : flags(jobFlags), title(std::move(jobTitle)) {}

    bool Has(unsigned flag) const { return (flags & flag) != 0; }
    bool Ok() const { return ok && !stopped; }
    bool Stopped() const { return stopped; }

    void Progress(const std::string& item)
    {
        if (Has(FOF_SILENT) || stopped) {
            return;
        }
        TShellProgressHook hook;
        {
            std::lock_guard lock(hookMutex);
            hook = progressHook;
        }
        if (hook && !hook(title, item)) {
            stopped = true;
        }
        ProcessMessages();
    }

    void Fail(const char* msgid, const std::string& path)
    {
        ok = false;
        if (!Has(FOF_NOERRORUI)) {
            ErrorDialog(title, ReplaceText(TrUnits(msgid), "%s", path));
        }
    }

    bool Confirm(unsigned unless, const char* msgid, const std::string& path)
    {
        return Has(unless) || ConfirmDialog(title, ReplaceText(TrUnits(msgid), "%s", path));
    }

private:
    unsigned flags;
    std::string title;
    bool ok = true;
    bool stopped = false;
};

std::vector<std::string> SplitNames(const std::string& text)
{
    std::vector<std::string> names;
    std::string rest = text;
    while (!rest.empty()) {
        std::string name = ReadNextItem(rest, '\0');
        if (!name.empty()) {
            names.push_back(std::move(name));
        }
    }
    return names;
}

bool HasWildcard(const std::string& path)
{
    return ExtractFileName(path).find_first_of("*?") != std::string::npos;
}

// The folder a web page keeps its pictures in, moved along with the page.
void AddConnectedElement(const TShellJob& job, const TMatch& match, std::vector<TMatch>& matches)
{
    if (job.Has(FOF_NO_CONNECTED_ELEMENTS) || match.Folder) {
        return;
    }
    const std::string ext = AnsiLowerCase(GetExtension(match.Path));
    if (ext != "htm" && ext != "html" && ext != "mht" && ext != "mhtml") {
        return;
    }
    for (const char* suffix : {"_files", ".files"}) {
        const std::string folder = RemoveExtension(match.Path) + suffix;
        if (Platform::DirectoryExists(folder)) {
            matches.push_back({folder, true});
        }
    }
}

// The entries a source stands for; false for a plain name that does not exist.
bool ExpandSource(const TShellJob& job, const std::string& source, std::vector<TMatch>& matches)
{
    if (!HasWildcard(source)) {
        if (!Platform::AnyExists(source)) {
            return false;
        }
        matches.push_back({source, Platform::DirectoryExists(source)});
        const TMatch page = matches.back(); // a copy: matches grows below
        AddConnectedElement(job, page, matches);
        return true;
    }
    const std::string folder = ExtractFilePath(source);
    Platform::TSearchRec rec;
    if (Platform::FindFirst(source, faAnyFile, rec) == 0) {
        do {
            const bool isFolder = (rec.Attr & faDirectory) != 0;
            if (!(isFolder && job.Has(FOF_FILESONLY))) {
                matches.push_back({folder + rec.Name, isFolder});
            }
        } while (Platform::FindNext(rec) == 0);
        Platform::FindClose(rec);
    }
    return true;
}

bool DeleteOne(const TShellJob& job, const TMatch& match)
{
    if (job.Has(FOF_ALLOWUNDO)) {
        return Platform::MoveToTrash(match.Path) == 0;
    }
    if (match.Folder) {
        return DeleteFolderTree(match.Path);
    }
    const std::uint32_t attr = Platform::GetFileAttributes(match.Path);
    if (attr != InvalidFileAttributes && (attr & faReadOnly)) {
        Platform::SetFileAttributes(match.Path, attr & ~faReadOnly);
    }
    return Platform::DeleteFile(match.Path) == 0;
}

bool RunDelete(TShellJob& job, const std::vector<std::string>& sources)
{
    std::vector<TMatch> matches;
    for (const std::string& source : sources) {
        if (!ExpandSource(job, source, matches)) {
            job.Fail(TrNoopUnits("Cannot find %s"), source);
        }
    }
    if (!matches.empty() && !job.Confirm(FOF_NOCONFIRMATION, TrNoopUnits("Do you really want to delete %s?"),
                                         matches.size() == 1 ? matches.front().Path : std::to_string(matches.size()))) {
        return false;
    }
    for (const TMatch& match : matches) {
        job.Progress(match.Path);
        if (job.Stopped()) {
            break;
        }
        if (!DeleteOne(job, match)) {
            job.Fail(TrNoopUnits("Cannot delete %s"), match.Path);
        }
    }
    return job.Ok();
}

bool EnsureFolder(TShellJob& job, const std::string& folder)
{
    if (folder.empty() || Platform::DirectoryExists(folder)) {
        return true;
    }
    if (!job.Confirm(FOF_NOCONFIRMMKDIR, TrNoopUnits("The folder %s does not exist. Do you want to create it?"),
                     folder)) {
        return false;
    }
    if (Platform::ForceDirectories(RemovePathDelimiter(folder)) != 0) {
        job.Fail(TrNoopUnits("Cannot create the folder %s"), folder);
        return false;
    }
    return true;
}

void CopyEntry(TShellJob& job, const TMatch& match, const std::string& target);

void CopyFolder(TShellJob& job, const std::string& folder, const std::string& target)
{
    if (!EnsureFolder(job, AddPathDelimiter(target))) {
        return;
    }
    Platform::TSearchRec rec;
    if (Platform::FindFirst(AddPathDelimiter(folder) + "*", faAnyFile, rec) != 0) {
        return;
    }
    do {
        CopyEntry(job, {AddPathDelimiter(folder) + rec.Name, (rec.Attr & faDirectory) != 0},
                  AddPathDelimiter(target) + rec.Name);
    } while (!job.Stopped() && Platform::FindNext(rec) == 0);
    Platform::FindClose(rec);
}

void CopyEntry(TShellJob& job, const TMatch& match, const std::string& target)
{
    job.Progress(match.Path);
    if (job.Stopped()) {
        return;
    }
    if (match.Folder) {
        CopyFolder(job, match.Path, target);
        return;
    }
    if (!EnsureFolder(job, ExtractFilePath(target))) {
        return;
    }
    const std::uint32_t attr = Platform::GetFileAttributes(target);
    if (attr != InvalidFileAttributes) {
        if (!job.Confirm(FOF_NOCONFIRMATION, TrNoopUnits("Do you want to replace %s?"), target)) {
            return;
        }
        if (attr & faReadOnly) {
            Platform::SetFileAttributes(target, attr & ~faReadOnly);
        }
    }
    if (Platform::CopyFileRaw(match.Path, target, false) != 0) {
        job.Fail(TrNoopUnits("Cannot copy %s"), match.Path);
    }
}

bool RunCopy(TShellJob& job, const std::vector<std::string>& sources, const std::vector<std::string>& dests)
{
    if (dests.empty()) {
        job.Fail(TrNoopUnits("Cannot copy %s"), sources.empty() ? std::string() : sources.front());
        return false;
    }
    const bool paired = job.Has(FOF_MULTIDESTFILES) && dests.size() == sources.size();
    for (std::size_t i = 0; i < sources.size() && !job.Stopped(); ++i) {
        std::vector<TMatch> matches;
        if (!ExpandSource(job, sources[i], matches)) {
            job.Fail(TrNoopUnits("Cannot find %s"), sources[i]);
            continue;
        }
        const std::string& dest = paired ? dests[i] : dests.front();
        // A destination names the copy itself for one plain source paired with it or going
        // nowhere else, unless a file is to go into an existing folder.
        const bool single = paired || (sources.size() == 1 && matches.size() == 1);
        const bool intoFolder = Platform::DirectoryExists(dest) && !(paired && !matches.empty() && matches[0].Folder);
        const bool destIsName = !HasWildcard(sources[i]) && single && !intoFolder;
        for (std::size_t m = 0; m < matches.size() && !job.Stopped(); ++m) {
            const std::string target =
                destIsName && m == 0
                    ? dest
                    : AddPathDelimiter(destIsName ? ExtractFilePath(dest) : dest) + ExtractFileName(matches[m].Path);
            CopyEntry(job, matches[m], target);
        }
    }
    return job.Ok();
}

} // namespace

TShellProgressHook SetShellProgressHook(TShellProgressHook hook)
{
    std::lock_guard lock(hookMutex);
    std::swap(progressHook, hook);
    return hook;
}

bool ShellFileOperation(unsigned operation, const std::string& sources, const std::string& destinations, unsigned flags,
                        const std::string& title)
{
    TShellJob job(flags, title);
    const std::vector<std::string> from = SplitNames(sources);
    switch (operation) {
    case FO_COPY:
        return RunCopy(job, from, SplitNames(destinations));
    case FO_DELETE:
        return RunDelete(job, from);
    default:
        return false;
    }
}

unsigned ShellCopyFlags(bool silent)
{
    return silent ? 0x2695u : 0x2291u;
}

unsigned ShellDeleteFilesFlags(bool recycleBin)
{
    return recycleBin ? 0x20D1u : 0x2091u;
}

unsigned ShellDeleteTreeFlags(bool recycleBin)
{
    return recycleBin ? 0x2051u : 0x2011u;
}

bool ShellCopyFiles(const std::string& sources, const std::string& destinations, bool silent, const std::string& title)
{
    return ShellFileOperation(FO_COPY, sources, destinations, ShellCopyFlags(silent), title);
}

bool ShellDeleteFiles(const std::string& files, bool recycleBin, const std::string& title)
{
    return ShellFileOperation(FO_DELETE, files, {}, ShellDeleteFilesFlags(recycleBin), title);
}

bool ShellDeleteTree(const std::string& filesOrFolders, bool recycleBin, const std::string& title)
{
    return ShellFileOperation(FO_DELETE, filesOrFolders, {}, ShellDeleteTreeFlags(recycleBin), title);
}
