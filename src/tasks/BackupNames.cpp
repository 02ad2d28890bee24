#include "tasks/BackupNames.h"

#include "foundation/NumberText.h"
#include "foundation/PathUtils.h"
#include "foundation/StringUtils.h"
#include "platform/Drives.h"

#include <algorithm>
#include <cctype>

namespace {

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

bool HasSuffix(const std::string& name, const char* suffix)
{
    const std::string s = suffix;
    return name.size() > s.size() && SameTextIgnoringCase(name.substr(name.size() - s.size()), s);
}

} // namespace

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

std::string KeptVersionSuffix(const std::string& fileName)
{
    std::string name = ExtractFileName(fileName);
    if (HasSuffix(name, ".gz") || HasSuffix(name, ".enc")) {
        name = RemoveExtension(name);
    }
    return GetExtension(RemoveExtension(name));
}

bool ValidKeptVersionSuffix(const std::string& suffix)
{
    return !suffix.empty() && IsValidFileName(suffix);
}

std::vector<std::string> OriginNamesOf(const std::string& backupName, const std::string& versionSuffix)
{
    std::vector<std::string> names{backupName};
    const std::string ext = AnsiLowerCase(GetExtension(backupName));
    const std::string plain = ext == "gz" || ext == "enc" ? RemoveExtension(backupName) : backupName;
    if (plain != backupName) {
        names.push_back(plain);
    }
    // The history a task keeps of a file goes with that file, not before it.
    const std::vector<std::string> keptFor = KeptVersionPlainNames(plain, versionSuffix);
    names.insert(names.end(), keptFor.begin(), keptFor.end());
    return names;
}

bool TSourceNames::NamedForAnother(const std::string& own, const std::string& name) const
{
    for (const char* suffix : FormSuffixes) {
        const std::string_view form = suffix;
        if (name.ends_with(form)) {
            const std::string source = name.substr(0, name.size() - form.size());
            if (source != own && names.contains(source)) {
                return true;
            }
        }
    }
    return false;
}
