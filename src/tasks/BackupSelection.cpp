#include "tasks/BackupSelection.h"

#include "foundation/NumberText.h"
#include "foundation/PathUtils.h"
#include "foundation/StringUtils.h"
#include "platform/Drives.h"

#include <algorithm>
#include <cctype>
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

// Every occurrence of an ASCII token, found ignoring case.
std::string ReplaceToken(const std::string& text, const std::string& token, const std::string& value)
{
    std::string out;
    std::size_t from = 0;
    for (;;) {
        const std::size_t pos = TextPos(token, std::string_view(text).substr(from));
        if (pos == 0) {
            break;
        }
        out += text.substr(from, pos - 1) + value;
        from += pos - 1 + token.size();
    }
    return out + text.substr(from);
}

std::string TwoDigits(int value)
{
    return ZeroPaddedInt(2, value);
}

// The placeholders of a kept version's suffix text and the shape of what each becomes:
// "y", "m", "d", "h", "n" and "s" are the digits of year, month, day, hour, minute, second.
struct TSuffixPlaceholder
{
    const char* Token;
    const char* Shape;
    bool FileDate; // the existing copy's write time, else the time of the run
};
constexpr TSuffixPlaceholder SuffixPlaceholders[] = {
    {"%fdate%", "yyyy-mm-dd-hh-nn", true}, {"%bdate%", "yyyy-mm-dd", false}, {"%btime%", "hh-nn-ss", false}};

// Stands for any digit in the shape of a suffix; no file name holds a control character.
constexpr char DigitSlot = '\x01';

std::string FillShape(const char* shape, TDateTime time)
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, ms = 0;
    DecodeDateTime(time, year, month, day, hour, minute, second, ms);
    std::string text = ReplaceText(shape, "yyyy", std::to_string(year));
    text = ReplaceText(text, "mm", TwoDigits(month));
    text = ReplaceText(text, "dd", TwoDigits(day));
    text = ReplaceText(text, "hh", TwoDigits(hour));
    text = ReplaceText(text, "nn", TwoDigits(minute));
    return ReplaceText(text, "ss", TwoDigits(second));
}

std::string DigitSlots(const char* shape)
{
    std::string slots(shape);
    for (char& c : slots) {
        c = c == '-' ? c : DigitSlot;
    }
    return slots;
}

// "." + the suffix text ("bak" when empty), each placeholder replaced by value(placeholder).
template <class F> std::string ExpandSuffix(const std::string& text, F&& value)
{
    std::string suffix = text.empty() ? std::string("bak") : text;
    for (const TSuffixPlaceholder& placeholder : SuffixPlaceholders) {
        if (TextPos(placeholder.Token, suffix) != 0) {
            suffix = ReplaceToken(suffix, placeholder.Token, value(placeholder));
        }
    }
    return "." + suffix;
}

// Whether the name is what the shape describes: a digit for each slot, other characters
// ignoring case.
bool FitsShape(std::string_view name, std::string_view shape)
{
    if (name.size() != shape.size()) {
        return false;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        const bool fits = shape[i] == DigitSlot ? std::isdigit(c) != 0
                                                : std::tolower(c) == std::tolower(static_cast<unsigned char>(shape[i]));
        if (!fits) {
            return false;
        }
    }
    return true;
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

std::string ConvertFileName(const std::string& name, int32_t filenameCase, bool replaceChars)
{
    std::string out = ConvertCase(name, filenameCase);
    if (replaceChars) {
        // Characters Windows forbids travel as stand-ins in found names: replace the
        // characters themselves.
        out = ReplaceInvalidChars(Platform::WinNameToHost(out), '-');
    }
    return out;
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

std::string DestinationSuffix(bool compressed, bool encrypted)
{
    if (compressed) {
        return ".gz";
    }
    return encrypted ? ".enc" : "";
}

std::string MakeBackupSuffix(const std::string& text, TFileTime destWrite, TDateTime now)
{
    return ExpandSuffix(text, [&](const TSuffixPlaceholder& placeholder) {
        return FillShape(placeholder.Shape, placeholder.FileDate ? FileTimeToDateTime(destWrite) : now);
    });
}

std::string KeptVersionName(const std::string& plainName, const std::string& suffix, const std::string& destSuffix)
{
    return InsertBeforeExt(plainName, suffix) + destSuffix;
}

std::vector<std::string> KeptVersionNames(const std::string& keptName)
{
    for (std::size_t pos = keptName.find('#'); pos != std::string::npos; pos = keptName.find('#', pos + 1)) {
        const char digit = pos + 1 < keptName.size() ? keptName[pos + 1] : '\0';
        if (digit < '1' || digit > '9') {
            continue;
        }
        const std::string before = ReplaceText(keptName.substr(0, pos), "#", "");
        const std::string after = ReplaceText(keptName.substr(pos + 2), "#", "");
        std::vector<std::string> names;
        for (int k = 1; k <= digit - '0'; ++k) {
            names.push_back(std::string(before).append(std::to_string(k)).append(after));
        }
        return names;
    }
    return {ReplaceText(keptName, "#", "")};
}

std::vector<std::string> KeptVersionPlainNames(const std::string& name, const std::string& suffixText)
{
    const std::string shape =
        ExpandSuffix(suffixText, [](const TSuffixPlaceholder& placeholder) { return DigitSlots(placeholder.Shape); });
    // The suffix alone, as each rotated version bears it: all of one length.
    const std::vector<std::string> suffixes = KeptVersionNames(shape);
    const std::size_t length = suffixes.front().size();
    std::vector<std::string> plains;
    if (length >= name.size()) {
        return plains; // nothing left of a plain name
    }
    for (std::size_t at = 0; at + length <= name.size(); ++at) {
        const std::string_view part = std::string_view(name).substr(at, length);
        if (std::none_of(suffixes.begin(), suffixes.end(), [&](const std::string& s) { return FitsShape(part, s); })) {
            continue;
        }
        // Made again the way the backup names a kept version, so only its own names fit.
        std::string plain = name.substr(0, at) + name.substr(at + length);
        const std::vector<std::string> kept = KeptVersionNames(KeptVersionName(plain, shape, ""));
        if (std::any_of(kept.begin(), kept.end(), [&](const std::string& k) { return FitsShape(name, k); })) {
            plains.push_back(std::move(plain));
        }
    }
    return plains;
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
