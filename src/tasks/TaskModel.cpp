#include "tasks/TaskModel.h"

#include "foundation/PathUtils.h"
#include "foundation/StringUtils.h"
#include "platform/Utf8.h"

#include <algorithm>

namespace {

// Type names and paths compare per code point without regard to case, as on Windows.
int CompareNoCase(const std::string& a, const std::string& b)
{
    return Platform::CompareTextUtf8(a, b);
}

bool SameNoCase(const std::string& a, const std::string& b)
{
    return SameTextIgnoringCase(a, b);
}

} // namespace

TDateFilter DefaultDateFilter(double today)
{
    TDateFilter filter;
    filter.DayTime = 0.25;
    filter.DateFrom = today - 1461;
    filter.DateTo = today;
    return filter;
}

// ---- TTypeList -------------------------------------------------------------

int TTypeList::Add(const std::string& type)
{
    if (type.empty()) {
        return -1;
    }
    const int found = IndexOf(type);
    if (found >= 0) {
        return found;
    }
    m_items.push_back({type, {}});
    return Count() - 1;
}

int TTypeList::IndexOf(const std::string& type) const
{
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (SameNoCase(m_items[i].Type, type)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void TTypeList::Delete(int index)
{
    m_items.erase(m_items.begin() + index);
}

std::vector<std::string> TTypeList::Types() const
{
    std::vector<std::string> types;
    types.reserve(m_items.size());
    for (const Item& item : m_items) {
        types.push_back(item.Type);
    }
    return types;
}

void TTypeList::SetTypes(const std::vector<std::string>& types)
{
    m_items.clear();
    for (const std::string& type : types) {
        Add(type);
    }
}

void TTypeList::Sort()
{
    std::stable_sort(m_items.begin(), m_items.end(),
                     [](const Item& a, const Item& b) { return AnsiUpperCase(a.Type) < AnsiUpperCase(b.Type); });
}

void TTypeList::ResetCounters()
{
    for (Item& item : m_items) {
        item.Counter.Reset();
    }
}

void FillList(const TTypeList& from, TTypeList& to)
{
    for (const TTypeList::Item& item : from) {
        to.Add(item.Type);
    }
}

// ---- TSubDirList -----------------------------------------------------------

int TSubDirList::Add(const std::string& path, bool fromMask)
{
    const auto pos = std::lower_bound(m_items.begin(), m_items.end(), path, [](const Item& item, const std::string& p) {
        return CompareNoCase(item.Path, p) < 0;
    });
    if (pos != m_items.end() && CompareNoCase(pos->Path, path) == 0) {
        return static_cast<int>(pos - m_items.begin());
    }
    return static_cast<int>(m_items.insert(pos, Item{path, fromMask}) - m_items.begin());
}

int TSubDirList::IndexOf(const std::string& path) const
{
    const auto pos = std::lower_bound(m_items.begin(), m_items.end(), path, [](const Item& item, const std::string& p) {
        return CompareNoCase(item.Path, p) < 0;
    });
    if (pos != m_items.end() && CompareNoCase(pos->Path, path) == 0) {
        return static_cast<int>(pos - m_items.begin());
    }
    return -1;
}

void TSubDirList::Delete(int index)
{
    m_items.erase(m_items.begin() + index);
}

void TSubDirList::RemoveMaskItems()
{
    std::erase_if(m_items, [](const Item& item) { return item.FromMask; });
}

// ---- filters ------------------------------------------------------------------

void CopyTextFilter(const TTextFilter& from, TTextFilter& to)
{
    to.IsRegEx = from.IsRegEx;
    to.Mode = from.Mode;
    try {
        to.SetMask(from.GetMask());
    } catch (const EFilterError&) {
        // The source accepted the text, so this cannot happen; the target stays usable anyway.
    }
}

bool SameTextFilter(const TTextFilter& a, const TTextFilter& b)
{
    return a.IsRegEx == b.IsRegEx && a.Mode == b.Mode && a.GetMask() == b.GetMask();
}

// ---- TExtensionList -----------------------------------------------------------

TExtensionList::TExtensionList(const TDateFilter& defaults)
{
    DateFilter.TimeMode = TimeModeAny;
    DateFilter.Days = 1;
    DateFilter.DayTime = defaults.DayTime;
    DateFilter.DateFrom = defaults.DateFrom;
    DateFilter.DateTo = defaults.DateTo;
}

TExtensionList::TExtensionList(const TExtensionList& other)
{
    *this = other;
}

TExtensionList& TExtensionList::operator=(const TExtensionList& other)
{
    if (this == &other) {
        return *this;
    }
    IncludeList = other.IncludeList;
    ExcludeList = other.ExcludeList;
    Mode = other.Mode;
    FileCount = other.FileCount;
    SelCount = other.SelCount;
    ByteCount = other.ByteCount;
    SelBytes = other.SelBytes;
    SyncCount = other.SyncCount;
    NeedsScan = other.NeedsScan;
    SourceDir = other.SourceDir;
    ExpandedDir = other.ExpandedDir;
    CopyTextFilter(other.ExtFilter, ExtFilter);
    CopyTextFilter(other.NameFilter, NameFilter);
    DateFilter = other.DateFilter;
    SizeMode = other.SizeMode;
    MinSize = other.MinSize;
    MaxSize = other.MaxSize;
    AttrArchive = other.AttrArchive;
    AttrReadOnly = other.AttrReadOnly;
    AttrHidden = other.AttrHidden;
    AttrSystem = other.AttrSystem;
    DirFilters = other.DirFilters;
    SubDirs = other.SubDirs;
    SectionIndex = other.SectionIndex;
    return *this;
}

void TExtensionList::Clear()
{
    IncludeList.Clear();
    ExcludeList.Clear();
}

void TExtensionList::ResetCounters()
{
    IncludeList.ResetCounters();
    ExcludeList.ResetCounters();
    FileCount = 0;
    SelCount = 0;
    ByteCount = 0;
    SelBytes = 0;
}

void TExtensionList::Assign(const TExtensionList& other)
{
    Clear();
    Mode = other.Mode;
    if (Mode == TypeModeInclude) {
        FillList(other.IncludeList, IncludeList);
    } else {
        FillList(other.ExcludeList, ExcludeList);
    }
    NameFilter.Mode = 0;
}

int TExtensionList::PackedAttributes() const
{
    return (AttrArchive & 3) | ((AttrReadOnly & 3) << 2) | ((AttrHidden & 3) << 4) | ((AttrSystem & 3) << 6);
}

void TExtensionList::SetPackedAttributes(int value)
{
    AttrArchive = static_cast<uint8_t>(value & 3);
    AttrReadOnly = static_cast<uint8_t>((value >> 2) & 3);
    AttrHidden = static_cast<uint8_t>((value >> 4) & 3);
    AttrSystem = static_cast<uint8_t>((value >> 6) & 3);
}

bool TExtensionList::operator==(const TExtensionList& other) const
{
    return IncludeList == other.IncludeList && ExcludeList == other.ExcludeList && Mode == other.Mode &&
           FileCount == other.FileCount && SelCount == other.SelCount && ByteCount == other.ByteCount &&
           SelBytes == other.SelBytes && SyncCount == other.SyncCount && SourceDir == other.SourceDir &&
           ExpandedDir == other.ExpandedDir && SameTextFilter(ExtFilter, other.ExtFilter) &&
           SameTextFilter(NameFilter, other.NameFilter) && DateFilter == other.DateFilter &&
           SizeMode == other.SizeMode && MinSize == other.MinSize && MaxSize == other.MaxSize &&
           PackedAttributes() == other.PackedAttributes() && DirFilters == other.DirFilters && SubDirs == other.SubDirs;
}

// ---- TNamedTypeLists ---------------------------------------------------------

int TNamedTypeLists::IndexOf(const std::string& name) const
{
    for (size_t i = 0; i < m_lists.size(); ++i) {
        if (SameNoCase(m_lists[i].Name, name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int TNamedTypeLists::Add(const std::string& name, const TExtensionList& list)
{
    m_lists.push_back({name, list});
    return Count() - 1;
}

void TNamedTypeLists::Delete(int index)
{
    m_lists.erase(m_lists.begin() + index);
}

// ---- FTP and mail -------------------------------------------------------------

void InitFtpParams(TFtpParams& params)
{
    params = TFtpParams{};
}

std::string FtpDestinationText(const TFtpParams& params)
{
    if (params.Host.empty()) {
        return {};
    }
    return "ftp://" + params.Host + ":" + std::to_string(params.Port) + "/" + params.SubDir;
}

void InitMailData(TMailData& data)
{
    data = TMailData{};
}

// ---- TBackupTask -------------------------------------------------------------

int TBackupTask::BackupMethod() const
{
    if (!ClearDest) {
        return MethodCopy;
    }
    return (ArchBit ? 1 : 0) + (UseArch ? 2 : 0);
}

void TBackupTask::SetBackupMethod(int method)
{
    ClearDest = method > MethodCopy;
    ArchBit = method == MethodFull || method == MethodIncremental;
    UseArch = method == MethodDifferential || method == MethodIncremental;
}

// ---- TAutoTask ---------------------------------------------------------------

std::string TaskDisplayName(const std::string& taskFile)
{
    return RemoveExtension(ExtractFileName(taskFile));
}

TAutoTask::TAutoTask(const std::string& name) : Name(name), DisplayName(TaskDisplayName(name))
{}

void TAutoTask::Reset()
{
    TAutoTask fresh;
    fresh.Name = std::move(Name);
    fresh.DisplayName = std::move(DisplayName);
    *this = std::move(fresh);
}

void AccumulateAutoFlags(const TAutoTask& task, TAutoFlags& flags)
{
    if (task.Free()) {
        return;
    }
    flags.AutoStartNeeded = flags.AutoStartNeeded || task.Mode > AutoNever;
    flags.StayInTray = flags.StayInTray || task.Mode == AutoDailyAt || task.Mode == AutoOnLogoff;
    flags.EndOfSessionRun = flags.EndOfSessionRun || task.Mode == AutoOnLogoff;
}

TAutoFlags ComputeAutoFlags(const TAutoTaskSlots& slots)
{
    TAutoFlags flags;
    for (const TAutoTask& task : slots) {
        AccumulateAutoFlags(task, flags);
    }
    return flags;
}
