#pragma once

// The editor's scan of a source entry: walks the folder tree with the run's selection
// test, sorts every file by its type into the include or exclude list and counts files
// and bytes (FileCount/ByteCount for types backed up, SelCount/SelBytes for the others).
// The status window shows the folder and the running totals and offers Cancel.
//
//   ScanSourceEntry(entry, useArch)   the scan with the status window
//   ScanFolder(folder, entry, ...)    the recursive walk
//   TaskSummaryTexts(task, selected)  the sum line and the two sums under the grids
//
// Links to folders are never followed, so a link loop cannot make the scan endless.

#include "foundation/DateUtils.h"
#include "tasks/TaskModel.h"

#include <cstdint>
#include <string>

// What the walk keeps for one scan.
struct TScanContext
{
    bool UseArch = false;  // the archive attribute takes part in the selection
    TDateTime RunDate = 0; // the day of the scan, for the date modes 4 and 5
};

// Scans one entry with the status window; false when the user cancelled (the counters
// are then partial and the lists unsorted).
bool ScanSourceEntry(TExtensionList& entry, bool useArch);
// The recursive walk of one folder; false when cancelled.
bool ScanFolder(const std::string& folder, TExtensionList& entry, const TScanContext& context);

// "none" (or the given text) for 0 files, "1 file with %s", "%u files with %s".
std::string FilesWithSizeText(int64_t count, int64_t bytes, const std::string& noneText);

struct TTaskSummary
{
    std::string Sum;        // all entries; empty for no files
    std::string IncludeSum; // the selected entry's files backed up
    std::string ExcludeSum; // the selected entry's files left out by type
};
// An entry that was never counted (-1) adds nothing.
TTaskSummary TaskSummaryTexts(const TBackupTask& task, int selected);
