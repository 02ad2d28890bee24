#include "tasks/BackupNames.h"

#include "foundation/Encodings.h"
#include "foundation/NumberText.h"
#include "foundation/PathUtils.h"
#include "foundation/StringUtils.h"
#include "platform/Drives.h"

#include <algorithm>
#include <unordered_map>

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

std::vector<std::string> KeptVersionOrigins(const std::string& name)
{
    std::vector<std::string> plains;
    const std::size_t ext = name.rfind('.');
    if (ext == std::string::npos) {
        return plains;
    }
    // "." + text taken out right before the extension, every way the name allows...
    for (std::size_t dot = name.find('.'); dot < ext; dot = name.find('.', dot + 1)) {
        if (dot + 1 < ext) {
            plains.push_back(name.substr(0, dot) + name.substr(ext));
        }
    }
    // ... or at the end of a plain name without an extension.
    const std::size_t first = name.find('.');
    if (first > 0 && first + 1 < name.size()) {
        plains.push_back(name.substr(0, first));
    }
    return plains;
}

std::string KeptVersionSuffix(const std::string& fileName)
{
    return GetExtension(RemoveExtension(RestoreNameOf(ExtractFileName(fileName), true).Restored));
}

bool BearsKeptVersionSuffix(const std::string& restoredName, const std::string& suffix)
{
    return !suffix.empty() && SameTextIgnoringCase(GetExtension(RemoveExtension(restoredName)), suffix);
}

bool ValidKeptVersionSuffix(const std::string& suffix)
{
    return !suffix.empty() && IsValidFileName(suffix);
}

void TOriginNames::Add(const std::string& originName)
{
    // A copy was named by the conversions the program's settings asked for when it was
    // made: any of them may have been.
    for (const int32_t nameCase : {0, 1, 2}) {
        for (const bool replaceChars : {false, true}) {
            names.insert(ConvertFileName(originName, nameCase, replaceChars));
        }
    }
}

bool TOriginNames::Holds(const std::string& name) const
{
    if (CopiedAs(name)) {
        return true;
    }
    // The history a task keeps of a file goes with that file, not before it.
    const std::vector<std::string> keptFor = KeptVersionOrigins(name);
    return std::any_of(keptFor.begin(), keptFor.end(),
                       [this](const std::string& plain) { return names.contains(plain); });
}

bool TOriginNames::HasOriginOf(const std::string& backupName) const
{
    if (Holds(backupName)) {
        return true;
    }
    const std::string withoutForm = RestoreNameOf(backupName, true).Restored;
    return withoutForm != backupName && Holds(withoutForm);
}

bool TSourceNames::NamedForAnother(const std::string& own, const std::string& name, bool keptApart) const
{
    for (const char* suffix : FormSuffixes) {
        const std::string_view form = suffix;
        if (name.ends_with(form)) {
            const std::string source = name.substr(0, name.size() - form.size());
            const bool plainKeptApart = form.empty() && keptApart && MustCompress(source);
            if (source != own && names.contains(source) && !plainKeptApart) {
                return true;
            }
        }
    }
    return false;
}

bool TSourceNames::Holds(const std::string& backupName) const
{
    return std::any_of(std::begin(FormSuffixes), std::end(FormSuffixes), [&](std::string_view form) {
        return backupName.ends_with(form) && names.contains(backupName.substr(0, backupName.size() - form.size()));
    });
}

bool TSourceNames::MustCompress(const std::string& converted) const
{
    return LikeACompressedCopy(converted) && names.contains(RemoveExtension(converted));
}

bool IsCompressedCopyOf(const TGzFileInfo& header, const std::string& plainName)
{
    if (!header.OwnLayout) {
        return false;
    }
    TOriginNames stored;
    stored.Add(WindowsTextToUtf8(header.Name));
    return stored.CopiedAs(plainName);
}

TRestoreName RestoreNameOf(const std::string& name, bool unpack)
{
    TRestoreName file;
    file.Name = file.Restored = name;
    file.Unpacked = unpack && HasSuffix(name, ".gz");
    file.Decrypted = !file.Unpacked && HasSuffix(name, ".enc");
    if (file.Unpacked || file.Decrypted) {
        file.Restored = RemoveExtension(name);
    }
    return file;
}

void KeepRestoredNamesApart(std::vector<TRestoreName>& files)
{
    std::unordered_map<std::string, std::vector<TRestoreName*>> byName;
    for (TRestoreName& file : files) {
        byName[file.Restored].push_back(&file);
    }
    for (auto& named : byName) {
        const std::string& restored = named.first;
        const std::vector<TRestoreName*>& group = named.second;
        if (group.size() < 2) {
            continue;
        }
        const auto isForm = [&restored](const TRestoreName* file) {
            return !file->Unpacked || IsCompressedCopyOf(file->Header, restored);
        };
        const bool encrypting = std::any_of(group.begin(), group.end(), [&](const TRestoreName* file) {
            return file->Unpacked && file->Header.Encrypted && isForm(file);
        });
        for (TRestoreName* file : group) {
            if ((file->Unpacked && !isForm(file)) || (file->Decrypted && !encrypting)) {
                file->Restored = file->Name;
                file->Unpacked = file->Decrypted = false;
            }
        }
    }
}
