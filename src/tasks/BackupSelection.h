#pragma once

// What the backup walk decides without touching a file: which files belong to the
// backup (the selection test, also used by the preview and the folder scan), whether
// a destination copy is out of date and where each source folder lands in the
// destination (also read back by the restore). How the files are named there is
// tasks/BackupNames.h.
//
//   TypeKey, ExtensionSelected, FileSelected, NeedsCopy, ShouldCompress,
//   DriveFolder, DestinationBase, FtpDestinationBase, DateTimeText, InCurrentDateForm

#include "engine/FileTimes.h"
#include "foundation/DateUtils.h"
#include "tasks/TaskModel.h"

#include <cstdint>
#include <string>
#include <vector>

// Extension without its dot, upper-cased; "<ohne>" for a name without one.
std::string TypeKey(const std::string& name);

// The type test of a source folder's record; typeKey receives the name's type key.
bool ExtensionSelected(const std::string& name, const TExtensionList& filter, std::string& typeKey);

// Archive attribute (with useArch), name, attribute, size and date tests, in this
// order. runDate is the day the run started (time 00:00).
// A regular expression that fails on the name (its step limit) counts as not matching;
// its message goes into filterError when given.
bool FileSelected(const TFileInfo& info, TExtensionList& filter, bool useArch, TDateTime runDate,
                  std::string* filterError = nullptr);

struct TCopyRule
{
    bool UseArch = false;   // the archive attribute selected the file: always copy
    int32_t Timespan = 2;   // tolerance in seconds
    bool IgnoreDst = false; // also tolerate one more hour (daylight-saving shifts)
};

// True when the source must be copied over the destination: it is missing, or older
// than the source by more than the tolerance (whole seconds). A destination newer
// than its source is never replaced.
bool NeedsCopy(const TCopyRule& rule, bool destExists, TFileTime sourceWrite, TFileTime destWrite);

// A last write time for the copy of a source that last wrote at sourceWrite, which
// NeedsCopy finds out of date under the rule even when the source's own time stays.
TFileTime OutdatedCopyTime(const TCopyRule& rule, TFileTime sourceWrite);

// gzip is used when the task compresses, the file has at least compSize bytes and
// its type is not among the never-compressed types.
bool ShouldCompress(const TBackupTask& task, int32_t compSize, std::uint64_t size, const std::string& typeKey);

// "LwC" for "C:" (letter upper-cased), "server\share" for "\\server\share".
std::string DriveFolder(const std::string& drive);

// Folder of a source folder in a local destination root, by DestMode (no trailing
// delimiter): 0 and 5 root\drive folder\path, 1 root\path, 2 the root itself.
// Empty for mode 4, which writes one archive.
std::string DestinationBase(const std::string& destRoot, const std::string& sourceFolder, int32_t destMode);
// The same below the remote destination folder, "/" between folders.
std::string FtpDestinationBase(const std::string& sourceFolder, int32_t destMode);

// Short date and long time of the user's locale ("c").
std::string DateTimeText(TDateTime time);
// A text DateTimeText wrote, perhaps in the other language's form, in the current form
// (a task keeps the date of its last run as it was written); any other text as it is.
std::string InCurrentDateForm(const std::string& written);
