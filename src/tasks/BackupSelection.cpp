#include "tasks/BackupSelection.h"

#include "foundation/PathUtils.h"
#include "foundation/StringUtils.h"
#include "platform/Drives.h"

#include <algorithm>
#include <cmath>

namespace {

bool AttributeStatePasses(uint8_t state, uint32_t attr, uint32_t bit)
{
    switch (state) {
    case AttrRequired:
        return (attr & bit) != 0;
    case AttrExcluded:
        return (attr & bit) == 0;
    default:
        return true;
    }
}

bool AttributesPass(const TExtensionList& filter, uint32_t attr)
{
    return AttributeStatePasses(filter.AttrArchive, attr, faArchive) &&
           AttributeStatePasses(filter.AttrReadOnly, attr, faReadOnly) &&
           AttributeStatePasses(filter.AttrHidden, attr, faHidden) &&
           AttributeStatePasses(filter.AttrSystem, attr, faSysFile);
}

bool SizePasses(const TExtensionList& filter, int64_t size)
{
    switch (filter.SizeMode) {
    case SizeModeAny:
        return true;
    case SizeModeSmaller:
        return size < filter.MaxSize;
    case SizeModeLarger:
        return size > filter.MinSize;
    case SizeModeBetween:
        return filter.MinSize <= size && size <= filter.MaxSize;
    default:
        return false;
    }
}

bool DatePasses(const TDateFilter& date, TDateTime time, TDateTime runDate)
{
    switch (date.TimeMode) {
    case TimeModeAny:
        return true;
    case TimeModeFrom:
        return time >= date.DateFrom;
    case TimeModeUntil:
        return time <= date.DateTo;
    case TimeModeBetween:
        return date.DateFrom <= time && time < date.DateTo + 1.0;
    case TimeModeSinceTime:
        return time >= runDate + date.DayTime;
    case TimeModeLastDays:
        return std::floor(time) >= runDate - date.Days;
    default:
        return false;
    }
}

} // namespace

std::string TypeKey(const std::string& name)
{
    const std::string ext = GetExtension(name);
    return ext.empty() ? std::string(NoExtensionType) : AnsiUpperCase(ext);
}

bool ExtensionSelected(const std::string& name, const TExtensionList& filter, std::string& typeKey)
{
    typeKey = TypeKey(name);
    switch (filter.Mode) {
    case TypeModeInclude:
        return filter.IncludeList.Contains(typeKey);
    case TypeModeExclude:
        return !filter.ExcludeList.Contains(typeKey);
    default:
        return false;
    }
}

namespace {

bool NamePasses(TTextFilter& filter, const std::string& name, std::string* filterError)
{
    try {
        return filter.Match(name);
    } catch (const ERegExpr& error) {
        if (filterError) {
            *filterError = error.what();
        }
        return filter.Mode == TTextFilter::ModeExclude;
    }
}

} // namespace

bool FileSelected(const TFileInfo& info, TExtensionList& filter, bool useArch, TDateTime runDate,
                  std::string* filterError)
{
    if (useArch && (info.Attr & faArchive) == 0) {
        return false;
    }
    const bool nameFiltered = filter.NameFilter.Mode != TTextFilter::ModeOff;
    return (!nameFiltered || NamePasses(filter.NameFilter, RemoveExtension(info.Name), filterError)) &&
           AttributesPass(filter, info.Attr) && SizePasses(filter, static_cast<int64_t>(info.Size)) &&
           DatePasses(filter.DateFilter, info.Time, runDate);
}

bool NeedsCopy(const TCopyRule& rule, bool destExists, TFileTime sourceWrite, TFileTime destWrite)
{
    if (rule.UseArch || !destExists) {
        return true;
    }
    const int64_t diff = FileTimeToUnixTime(sourceWrite) - FileTimeToUnixTime(destWrite);
    if (diff <= rule.Timespan) {
        return false;
    }
    return !rule.IgnoreDst || diff - 3600 > rule.Timespan;
}

TFileTime OutdatedCopyTime(const TCopyRule& rule, TFileTime sourceWrite)
{
    // Past the tolerance and the daylight-saving hour, one second more for the rounding.
    constexpr TFileTime second = 10000000;
    const TFileTime back = (static_cast<TFileTime>(std::max(rule.Timespan, 0)) + 3600 + 1) * second;
    return sourceWrite > back ? sourceWrite - back : 0;
}

bool ShouldCompress(const TBackupTask& task, int32_t compSize, std::uint64_t size, const std::string& typeKey)
{
    if (!task.Compress || size < static_cast<std::uint64_t>(std::max(compSize, 0))) {
        return false;
    }
    for (const std::string& type : task.NoCompTypes) {
        if (SameTextIgnoringCase(type, typeKey)) {
            return false;
        }
    }
    return true;
}

std::string DriveFolder(const std::string& drive)
{
    if (drive.size() >= 2 && drive[0] == '\\' && drive[1] == '\\') {
        return drive.substr(2);
    }
    return drive.empty() ? std::string() : "Lw" + AnsiUpperCase(drive.substr(0, 1));
}

namespace {

// Source folder below its drive root, without delimiters at either end.
std::string PathBelowDrive(const std::string& sourceFolder, std::string& drive)
{
    drive = Platform::ExtractFileDrive(sourceFolder);
    std::string rest = sourceFolder.substr(drive.size());
    while (!rest.empty() && rest.front() == PathDelim) {
        rest.erase(0, 1);
    }
    return RemovePathDelimiter(rest);
}

std::string JoinFolder(const std::string& base, const std::string& sub)
{
    return sub.empty() ? base : AddPathDelimiter(base) + sub;
}

} // namespace

std::string DestinationBase(const std::string& destRoot, const std::string& sourceFolder, int32_t destMode)
{
    std::string drive;
    const std::string below = PathBelowDrive(sourceFolder, drive);
    std::string root = RemovePathDelimiter(destRoot);
    switch (destMode) {
    case DestDrivesSeparated:
    case DestZipPerDirectory:
        return JoinFolder(JoinFolder(root, DriveFolder(drive)), below);
    case DestCloneOfSource:
        return JoinFolder(root, below);
    case DestOneDirectory:
        return root;
    default:
        return {};
    }
}

std::string FtpDestinationBase(const std::string& sourceFolder, int32_t destMode)
{
    std::string drive;
    const std::string below = PathBelowDrive(sourceFolder, drive);
    std::string base;
    switch (destMode) {
    case DestDrivesSeparated:
    case DestZipPerDirectory:
        base = JoinFolder(DriveFolder(drive), below);
        break;
    case DestCloneOfSource:
        base = below;
        break;
    default:
        break;
    }
    return ReplaceChar(base, PathDelim, '/');
}

std::string DateTimeText(TDateTime time)
{
    return FormatDateTime(time, "%x %X");
}

std::string InCurrentDateForm(const std::string& written)
{
    TDateTime time = 0;
    return PeopleDateTimeToDateTime(written, time) ? DateTimeText(time) : written;
}
