#include "tasks/DirScan.h"

#include "engine/FileTimes.h"
#include "foundation/MessageLoop.h"
#include "foundation/NumberText.h"
#include "foundation/PathUtils.h"
#include "foundation/StatusView.h"
#include "foundation/StringUtils.h"
#include "foundation/Translate.h"
#include "tasks/BackupSelection.h"
#include "tasks/BackupWalk.h"

#include <exception>
#include <vector>

namespace {

// Adds a file to the counter of its type, creating the type when missing.
void CountType(TTypeList& list, const std::string& type, bool selected, int64_t size)
{
    int index = list.IndexOf(type);
    if (index < 0) {
        index = list.Add(type);
    }
    if (selected && index >= 0) {
        ++list[index].Counter.Count;
        list[index].Counter.Size += size;
    }
}

void CountIncluded(TExtensionList& entry, int64_t size)
{
    ++entry.FileCount;
    entry.ByteCount += size;
}

void CountLeftOut(TExtensionList& entry, int64_t size)
{
    ++entry.SelCount;
    entry.SelBytes += size;
}

// Sorts one file into the entry's lists by the first rule that fits.
void SortFileByType(TExtensionList& entry, const std::string& type, bool selected, int64_t size)
{
    if (entry.ExtFilter.Mode != TTextFilter::ModeOff) {
        bool included = false;
        try {
            included = entry.ExtFilter.Match(type);
        } catch (const std::exception&) {
            // An expression that fails at run time lets nothing pass.
        }
        CountType(included ? entry.IncludeList : entry.ExcludeList, type, selected, size);
        if (selected) {
            included ? CountIncluded(entry, size) : CountLeftOut(entry, size);
        }
        return;
    }
    // Mode 0 backs up the listed types, mode 1 all types but the listed ones.
    const bool listedOnly = entry.Mode == TypeModeInclude;
    TTypeList& listed = listedOnly ? entry.IncludeList : entry.ExcludeList;
    TTypeList& others = listedOnly ? entry.ExcludeList : entry.IncludeList;
    if (listed.Contains(type)) {
        if (selected) {
            CountType(listed, type, true, size);
            listedOnly ? CountIncluded(entry, size) : CountLeftOut(entry, size);
        }
        return;
    }
    CountType(others, type, selected, size);
    if (selected) {
        listedOnly ? CountLeftOut(entry, size) : CountIncluded(entry, size);
    }
}

bool ScanCancelled()
{
    return TheStatusView().Cancelled();
}

int64_t Counted(int64_t value)
{
    return value < 0 ? 0 : value;
}

} // namespace

bool ScanFolder(const std::string& givenFolder, TExtensionList& entry, const TScanContext& context)
{
    const std::string folder = AddPathDelimiter(givenFolder);
    IStatusView& status = TheStatusView();
    status.ShowStatus(folder);
    if (!entry.SubDirs.Empty() && entry.SubDirs.Contains(folder)) {
        return true;
    }
    std::vector<Platform::TSearchRec> folders;
    std::vector<Platform::TSearchRec> files;
    ListFolder(folder, folders, files);
    for (const Platform::TSearchRec& sub : folders) {
        if (!ScanFolder(folder + sub.Name, entry, context)) {
            return false;
        }
    }
    if (ScanCancelled()) {
        return false;
    }
    for (const Platform::TSearchRec& rec : files) {
        const TFileInfo info = SearchRecToFileInfo(rec);
        const bool selected = FileSelected(info, entry, context.UseArch, context.RunDate);
        ProcessMessages();
        SortFileByType(entry, TypeKey(rec.Name), selected, static_cast<int64_t>(rec.Size));
        if (ScanCancelled()) {
            break;
        }
    }
    status.ShowProgress(TrDefault("Found: ") + FilesWithSizeText(entry.FileCount, entry.ByteCount, {}));
    return !ScanCancelled();
}

bool ScanSourceEntry(TExtensionList& entry, bool useArch)
{
    ProcessMessages();
    const TScanContext context{useArch, Date()};
    ShowStatusWindow(TrDefault("Scanning directories"), "", 5, true);
    if (entry.ExtFilter.Mode != TTextFilter::ModeOff) {
        entry.Clear(); // the filter rebuilds both lists
    }
    entry.ResetCounters();
    const bool done = ScanFolder(entry.ExpandedDir, entry, context);
    if (done) {
        entry.IncludeList.Sort();
        entry.ExcludeList.Sort();
    }
    HideStatusWindow();
    return done;
}

std::string FilesWithSizeText(int64_t count, int64_t bytes, const std::string& noneText)
{
    if (count <= 0) {
        return noneText;
    }
    const std::string size = SizeToText(Counted(bytes));
    if (count == 1) {
        return ReplaceText(TrDefault("1 file with %s"), "%s", size);
    }
    return ReplaceText(ReplaceText(TrDefault("%u files with %s"), "%u", std::to_string(count)), "%s", size);
}

TTaskSummary TaskSummaryTexts(const TBackupTask& task, int selected)
{
    TTaskSummary summary;
    if (selected < 0 || selected >= static_cast<int>(task.Sources.size())) {
        return summary;
    }
    int64_t files = 0;
    int64_t bytes = 0;
    for (const TExtensionList& entry : task.Sources) {
        files += Counted(entry.FileCount);
        bytes += Counted(entry.ByteCount);
    }
    summary.Sum = FilesWithSizeText(files, bytes, {});
    const TExtensionList& entry = task.Sources[static_cast<size_t>(selected)];
    const std::string none = TrDefault("none");
    summary.IncludeSum = FilesWithSizeText(entry.FileCount, entry.ByteCount, none);
    summary.ExcludeSum = FilesWithSizeText(entry.SelCount, entry.SelBytes, none);
    return summary;
}
