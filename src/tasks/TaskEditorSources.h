#pragma once

// The source page of the task editor without its widgets: the text of a source
// line and of the filter labels, adding a folder with its checks, and the subfolder
// tree whose marks exclude subfolders from an entry.

#include "tasks/TaskModel.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// "folder [-3] (filters)": the folder as entered, the number of excluded subfolders
// and the description of the entry's filters.
std::string SourceLineText(const TExtensionList& entry);
// The line text fitted to a width (in the units of width()): the folder part is
// shortened with "..." in the middle, two characters less each round, until the line fits
// or the folder cannot get shorter. Host paths ("/home/ann") and Windows text both work.
std::string FittedSourceLine(TExtensionList entry, const std::function<int(const std::string&)>& width, int maxWidth);

// The size gauge of a type's bytes in the type grids: a red box above 1 MiB, else green,
// with a level of 0 to 10 pixels.
struct TSizeGauge
{
    bool Red = false;
    int Level = 0;
};
TSizeGauge SizeGaugeOf(int64_t bytes);

// "RE: " for a regular expression, "only %s" / "except of %s", or "all".
std::string FilterText(const TExtensionList& entry);
// The date part ("all" for any date) and " (" attributes and size ")".
std::string TimeText(const TExtensionList& entry);

// Why AddSourceDir refused or asks.
enum class TAddCheck
{
    Ok,
    SeveralDrives, // the layout needs every source on one drive
    Overlaps,      // the folder overlaps an entry (OverlapIndex)
};
struct TAddDecision
{
    TAddCheck Check = TAddCheck::Ok;
    int OverlapIndex = -1;
    std::string Expanded; // the folder with its path placeholders expanded
};
TAddDecision CheckNewSource(const TBackupTask& task, const std::string& folder, bool sourceSelected);
// "Overlapping directories:\r\n%s\r\nwith existing item %u:\r\n%s\r\nAdd directory anyway?"
std::string OverlapQuestion(const TBackupTask& task, const std::string& folder, int index);

// A folder mask line: an optional "!" (exclude mode), then an optional "#" (regular
// expression), then the mask; an empty mask is off (false).
bool ParseDirMask(const std::string& line, TTextFilter& filter);
// Excludes, for each of the entry's masks, the subfolders whose names the mask selects
// (they are not entered); the items carry FromMask, so they are never saved as the user's.
void ApplyDirMasks(TExtensionList& entry);
// Takes back what the masks excluded.
void UnapplyDirMasks(TExtensionList& entry);

// Marks of the subfolder tree.
enum : int
{
    DirIncluded = 0,
    DirExcluded = 1,
    DirPartly = 2, // some folder below is excluded
};

struct TDirNode
{
    std::string Name; // the root: the entry's folder
    int State = DirIncluded;
    bool Expanded = false;
    TDirNode* Parent = nullptr;
    std::vector<std::unique_ptr<TDirNode>> Children;
};

// The tree of an entry's folder with its marks; clicks change the entry's SubDirs.
class TSubDirTree
{
public:
    // A new tree: only the root, partly excluded when the entry has excluded subfolders.
    void Build(const TExtensionList& entry);
    // Lists the subfolders of a node once, with their marks.
    void Expand(TDirNode& node, const TExtensionList& entry);
    // A click on a node's mark.
    void Click(TDirNode& node, TExtensionList& entry);
    // The node's folder with a trailing "\".
    static std::string PathOf(const TDirNode& node);

    TDirNode Root;

private:
    static int StateFor(const std::string& path, const TExtensionList& entry, int parentState);
    static void SetStateBelow(TDirNode& node, int state);
    void UpdateAncestors(TDirNode& node, TExtensionList& entry, int newState);
};
