#include "tasks/TaskEditorSources.h"

#include "foundation/DateUtils.h"
#include "foundation/NumberText.h"
#include "foundation/PathUtils.h"
#include "foundation/StringUtils.h"
#include "foundation/Translate.h"
#include "platform/FileSystem.h"
#include "tasks/BackupWalk.h"
#include "tasks/Placeholders.h"
#include "tasks/TaskChecks.h"

#include <algorithm>
#include <cmath>
#include <exception>

namespace {

std::string ShortDate(double date)
{
    return FormatDateTime(date, "%x");
}

std::string ShortTime(double time)
{
    return FormatDateTime(time, "%H:%M");
}

std::string Format1(const char* msgid, const std::string& a)
{
    return ReplaceText(TrDefault(msgid), "%s", a);
}

// The date part of an entry's description; empty for any date.
std::string DatePart(const TDateFilter& date)
{
    switch (date.TimeMode) {
    case TimeModeFrom:
        return Format1("from %s", ShortDate(date.DateFrom));
    case TimeModeUntil:
        return Format1("to %s", ShortDate(date.DateTo));
    case TimeModeBetween: {
        std::string text = TrDefault("from %s to %s");
        const size_t first = text.find("%s");
        if (first == std::string::npos) {
            return text;
        }
        const std::string head = text.substr(0, first) + ShortDate(date.DateFrom);
        return head + ReplaceText(text.substr(first + 2), "%s", ShortDate(date.DateTo));
    }
    case TimeModeSinceTime:
        return Format1("today from %s", ShortTime(date.DayTime));
    case TimeModeLastDays:
        return ReplaceText(TrDefault("last %u days"), "%u", std::to_string(date.Days));
    default:
        return {};
    }
}

// "+a-r" and so on for the attribute tests that are not ignored.
std::string AttributeFlags(const TExtensionList& entry)
{
    std::string flags;
    const auto add = [&flags](uint8_t state, char letter) {
        if (state == AttrRequired) {
            flags += std::string("+") + letter;
        } else if (state == AttrExcluded) {
            flags += std::string("-") + letter;
        }
    };
    add(entry.AttrArchive, 'a');
    add(entry.AttrReadOnly, 'r');
    add(entry.AttrHidden, 'h');
    add(entry.AttrSystem, 's');
    return flags;
}

std::string SizePart(const TExtensionList& entry)
{
    switch (entry.SizeMode) {
    case SizeModeSmaller:
        return "<" + SizeToText(entry.MaxSize);
    case SizeModeLarger:
        return ">" + SizeToText(entry.MinSize);
    case SizeModeBetween:
        return SizeToText(entry.MinSize) + ".." + SizeToText(entry.MaxSize);
    default:
        return {};
    }
}

std::string NameFilterPart(const TTextFilter& filter)
{
    return Format1(filter.Mode == TTextFilter::ModeExclude ? "except of %s" : TrNoopDefault("only %s"),
                   filter.GetMask());
}

std::string TrimRight(std::string text)
{
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

bool NameFilterOn(const TExtensionList& entry)
{
    return entry.NameFilter.Mode != TTextFilter::ModeOff;
}

} // namespace

std::string SourceLineText(const TExtensionList& entry)
{
    std::string line = entry.SourceDir;
    if (!entry.SubDirs.Empty()) {
        line += " [-" + std::to_string(entry.SubDirs.Count()) + "]";
    }
    std::string description = " (" + DatePart(entry.DateFilter);
    if (entry.DateFilter.TimeMode == TimeModeAny && !NameFilterOn(entry)) {
        description += TrDefault("all");
    }
    if (NameFilterOn(entry)) {
        if (description.size() > 2) {
            description += " ";
        }
        description += NameFilterPart(entry.NameFilter);
    }
    std::string extras;
    const std::string flags = AttributeFlags(entry);
    if (!flags.empty()) {
        extras += "[" + flags + "] ";
    }
    extras += SizePart(entry);
    extras = TrimRight(extras);
    if (!extras.empty()) {
        description += " " + extras;
    }
    return line + description + ")";
}

std::string FittedSourceLine(TExtensionList entry, const std::function<int(const std::string&)>& width, int maxWidth)
{
    std::string line = SourceLineText(entry);
    // ShortenPath cuts at "\"; a host path is cut at its "/" the same way.
    const bool hostPath = !entry.SourceDir.empty() && entry.SourceDir.front() == '/';
    std::string folder = entry.SourceDir;
    if (hostPath) {
        std::replace(folder.begin(), folder.end(), '/', '\\');
    }
    for (int max = static_cast<int>(folder.size()) - 2; max > 3 && width(line) > maxWidth; max -= 2) {
        std::string cut = ShortenPath(folder, max);
        if (hostPath) {
            std::replace(cut.begin(), cut.end(), '\\', '/');
        }
        entry.SourceDir = cut;
        line = SourceLineText(entry);
    }
    return line;
}

TSizeGauge SizeGaugeOf(int64_t bytes)
{
    const auto level = [bytes](double unit, int offset) {
        return std::min(10, static_cast<int>(std::lround(static_cast<double>(bytes) / unit)) + offset);
    };
    TSizeGauge gauge;
    gauge.Red = bytes > 1048576;
    if (gauge.Red) {
        gauge.Level = bytes > 10485760 ? level(20971520.0, 5) : level(2097152.0, 0);
    } else if (bytes > 102400) {
        gauge.Level = level(204800.0, 5);
    } else if (bytes > 1024) {
        gauge.Level = level(20480.0, 0);
    }
    return gauge;
}

std::string FilterText(const TExtensionList& entry)
{
    if (!NameFilterOn(entry)) {
        return TrDefault("all");
    }
    return (entry.NameFilter.IsRegEx ? "RE: " : "") + NameFilterPart(entry.NameFilter);
}

std::string TimeText(const TExtensionList& entry)
{
    std::string text = DatePart(entry.DateFilter);
    if (text.empty()) {
        text = TrDefault("all");
    }
    std::string extras = AttributeFlags(entry);
    const std::string size = SizePart(entry);
    if (!size.empty()) {
        extras += extras.empty() ? size : ", " + size;
    }
    if (!extras.empty()) {
        text += " (" + extras + ")";
    }
    return text;
}

TAddDecision CheckNewSource(const TBackupTask& task, const std::string& folder, bool sourceSelected)
{
    TAddDecision decision;
    decision.Expanded = ExpandPlaceholders(true, folder);
    if (!SourcesOnOneDrive(task, decision.Expanded, sourceSelected)) {
        decision.Check = TAddCheck::SeveralDrives;
        return decision;
    }
    decision.OverlapIndex = FindSourceEntry(task, decision.Expanded);
    if (decision.OverlapIndex >= 0) {
        decision.Check = TAddCheck::Overlaps;
    }
    return decision;
}

std::string OverlapQuestion(const TBackupTask& task, const std::string& folder, int index)
{
    std::string text =
        TrDefault("Overlapping directories:\r\n%s\r\nwith existing item %u:\r\n%s\r\nAdd directory anyway?");
    const size_t first = text.find("%s");
    if (first != std::string::npos) {
        text.replace(first, 2, folder);
    }
    text = ReplaceText(text, "%u", std::to_string(index + 1));
    return ReplaceText(text, "%s", task.Sources[static_cast<size_t>(index)].ExpandedDir);
}

// ---- folder masks ------------------------------------------------------------------------

bool ParseDirMask(const std::string& line, TTextFilter& filter)
{
    std::string mask = line;
    filter.Mode = TTextFilter::ModeInclude;
    if (!mask.empty() && mask.front() == '!') {
        filter.Mode = TTextFilter::ModeExclude;
        mask.erase(0, 1);
    }
    filter.IsRegEx = !mask.empty() && mask.front() == '#';
    if (filter.IsRegEx) {
        mask.erase(0, 1);
    }
    if (mask.empty()) {
        filter.Mode = TTextFilter::ModeOff;
        return false;
    }
    try {
        filter.SetMask(mask);
    } catch (const std::exception&) {
        filter.Mode = TTextFilter::ModeOff;
        return false;
    }
    return true;
}

namespace {

bool MaskSelects(TTextFilter& filter, const std::string& name)
{
    try {
        return filter.Match(name);
    } catch (const std::exception&) {
        return false;
    }
}

void ExcludeMatching(const std::string& folder, TTextFilter& filter, TExtensionList& entry)
{
    std::vector<Platform::TSearchRec> folders;
    std::vector<Platform::TSearchRec> files;
    ListFolder(folder, folders, files);
    for (const Platform::TSearchRec& rec : folders) {
        const std::string path = folder + rec.Name + "\\";
        if (MaskSelects(filter, rec.Name)) {
            entry.SubDirs.Add(path, true);
        } else {
            ExcludeMatching(path, filter, entry);
        }
    }
}

} // namespace

void ApplyDirMasks(TExtensionList& entry)
{
    for (const std::string& line : entry.DirFilters) {
        TTextFilter filter;
        if (ParseDirMask(line, filter)) {
            ExcludeMatching(AddPathDelimiter(entry.ExpandedDir), filter, entry);
        }
    }
}

void UnapplyDirMasks(TExtensionList& entry)
{
    entry.SubDirs.RemoveMaskItems();
}

// ---- subfolder tree ----------------------------------------------------------------------

std::string TSubDirTree::PathOf(const TDirNode& node)
{
    if (!node.Parent) {
        return AddPathDelimiter(node.Name);
    }
    return PathOf(*node.Parent) + node.Name + "\\";
}

int TSubDirTree::StateFor(const std::string& path, const TExtensionList& entry, int parentState)
{
    if (parentState == DirExcluded || entry.SubDirs.Contains(path)) {
        return DirExcluded;
    }
    for (const TSubDirList::Item& item : entry.SubDirs) {
        if (StartsWithIgnoringCase(item.Path, path)) {
            return DirPartly;
        }
    }
    return DirIncluded;
}

void TSubDirTree::Build(const TExtensionList& entry)
{
    Root = TDirNode{};
    Root.Name = RemovePathDelimiter(entry.ExpandedDir);
    Root.State = entry.SubDirs.Empty() ? DirIncluded : DirPartly;
}

void TSubDirTree::Expand(TDirNode& node, const TExtensionList& entry)
{
    if (node.Expanded) {
        return;
    }
    node.Expanded = true;
    std::vector<Platform::TSearchRec> folders;
    std::vector<Platform::TSearchRec> files;
    const std::string path = PathOf(node);
    ListFolder(path, folders, files);
    for (const Platform::TSearchRec& rec : folders) {
        auto child = std::make_unique<TDirNode>();
        child->Name = rec.Name;
        child->Parent = &node;
        child->State = StateFor(path + rec.Name + "\\", entry, node.State);
        node.Children.push_back(std::move(child));
    }
}

void TSubDirTree::SetStateBelow(TDirNode& node, int state)
{
    node.State = state;
    for (auto& child : node.Children) {
        SetStateBelow(*child, state);
    }
}

namespace {

void RemovePath(TSubDirList& list, const std::string& path)
{
    const int index = list.IndexOf(path);
    if (index >= 0) {
        list.Delete(index);
    }
}

void RemovePathsBelow(TSubDirList& list, const std::string& path)
{
    for (int i = list.Count() - 1; i >= 0; --i) {
        if (StartsWithIgnoringCase(list[i].Path, path)) {
            list.Delete(i);
        }
    }
}

} // namespace

void TSubDirTree::Click(TDirNode& node, TExtensionList& entry)
{
    TSubDirList& list = entry.SubDirs;
    const std::string path = PathOf(node);
    int newState = DirIncluded;
    if (!node.Parent && node.State == DirIncluded) {
        // The root: every first-level subfolder is excluded.
        Expand(node, entry);
        for (auto& child : node.Children) {
            list.Add(PathOf(*child));
            SetStateBelow(*child, DirExcluded);
        }
        node.State = node.Children.empty() ? DirIncluded : DirPartly;
        return;
    }
    if (node.State == DirIncluded) {
        list.Add(path);
        newState = DirExcluded;
    } else if (node.State == DirExcluded) {
        TDirNode& parent = *node.Parent;
        if (parent.Parent && list.Contains(PathOf(parent))) {
            RemovePath(list, PathOf(parent));
            for (auto& sibling : parent.Children) {
                list.Add(PathOf(*sibling));
            }
        }
        RemovePath(list, path);
    } else {
        RemovePathsBelow(list, path);
    }
    Expand(node, entry);
    SetStateBelow(node, newState);
    UpdateAncestors(node, entry, newState);
}

void TSubDirTree::UpdateAncestors(TDirNode& node, TExtensionList& entry, int newState)
{
    for (TDirNode* parent = node.Parent; parent; parent = parent->Parent) {
        if (parent->Parent) {
            RemovePath(entry.SubDirs, PathOf(*parent));
        }
        bool marked = false;
        for (auto& child : parent->Children) {
            if (child->State == DirExcluded && !entry.SubDirs.Contains(PathOf(*child))) {
                entry.SubDirs.Add(PathOf(*child));
            }
            marked = marked || child->State != DirIncluded;
        }
        parent->State = marked ? DirPartly : newState;
    }
}
