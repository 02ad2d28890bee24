#include "foundation/PathUtils.h"

#include "foundation/StringUtils.h"

#include <vector>

namespace {

constexpr char Delim = '\\';

// Position of the last "\" or ":" (the end of the folder part), npos when none.
std::size_t LastDelimiter(std::string_view path)
{
    return path.find_last_of("\\:");
}

std::size_t ExtensionDot(std::string_view name)
{
    const std::size_t dot = name.rfind('.');
    const std::size_t delim = LastDelimiter(name);
    if (dot == std::string_view::npos || (delim != std::string_view::npos && dot < delim)) {
        return std::string_view::npos;
    }
    return dot;
}

std::string_view WithoutLeadingDot(std::string_view ext)
{
    if (!ext.empty() && ext.front() == '.') {
        ext.remove_prefix(1);
    }
    return ext;
}

bool IsInvalidFileNameChar(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u < 32 || std::string_view("\"*/:<>?\\|").find(c) != std::string_view::npos;
}

// Moves a byte position forward to the start of a UTF-8 character.
std::size_t CharBoundary(std::string_view s, std::size_t pos)
{
    while (pos < s.size() && (static_cast<unsigned char>(s[pos]) & 0xC0) == 0x80) {
        ++pos;
    }
    return pos;
}

} // namespace

std::string GetExtension(std::string_view name)
{
    const std::size_t dot = ExtensionDot(name);
    return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot + 1));
}

std::string RemoveExtension(std::string_view name)
{
    return std::string(name.substr(0, ExtensionDot(name)));
}

std::string ReplaceExtension(std::string_view name, std::string_view ext)
{
    ext = WithoutLeadingDot(ext);
    std::string out = RemoveExtension(name);
    if (!ext.empty()) {
        out += '.';
        out += ext;
    }
    return out;
}

std::string ReplaceExtWithSuffix(std::string_view name, std::string_view suffix, std::string_view ext)
{
    std::string out = RemoveExtension(name) + std::string(suffix);
    if (!ext.empty() && ext.front() != '.') {
        out += '.';
    }
    return out + std::string(ext);
}

std::string InsertBeforeExt(std::string_view name, std::string_view suffix)
{
    const std::size_t dot = ExtensionDot(name);
    if (dot == std::string_view::npos) {
        return std::string(name) + std::string(suffix);
    }
    return std::string(name.substr(0, dot)) + std::string(suffix) + std::string(name.substr(dot));
}

std::string ExpandFileNameDefaults(std::string_view name, std::string_view folder, std::string_view ext)
{
    ext = WithoutLeadingDot(ext);
    std::string out(name);
    if (out.find('.') == std::string::npos && !ext.empty()) {
        out += '.';
        out += ext;
    }
    const bool absolute = out.find(':') != std::string::npos || (!out.empty() && out.front() == Delim);
    if (!absolute && !folder.empty()) {
        out = AddPathDelimiter(folder) + out;
    }
    return out;
}

std::string ShortenPath(std::string_view path, int max)
{
    if (static_cast<int>(path.size()) < max) {
        return std::string(path);
    }
    std::string_view trimmed = path;
    if (!trimmed.empty() && trimmed.back() == Delim) {
        trimmed.remove_suffix(1);
    }
    const std::size_t lastDelim = trimmed.rfind(Delim);
    if (lastDelim != std::string_view::npos) {
        const std::string_view lastPart = path.substr(lastDelim + 1);
        std::size_t head = lastDelim;
        while (head != std::string_view::npos && head > 0) {
            head = trimmed.rfind(Delim, head - 1);
            if (head == std::string_view::npos) {
                break;
            }
            std::string candidate = std::string(path.substr(0, head + 1)) + "..." + Delim + std::string(lastPart);
            if (static_cast<int>(candidate.size()) <= max) {
                return candidate;
            }
        }
    }
    const std::size_t keep = max > 3 ? static_cast<std::size_t>(max - 3) : 0;
    const std::size_t start = keep >= path.size() ? 0 : CharBoundary(path, path.size() - keep);
    return "..." + std::string(path.substr(start));
}

std::string ExtractParentDir(std::string_view path)
{
    std::string_view trimmed = path;
    if (!trimmed.empty() && trimmed.back() == Delim) {
        trimmed.remove_suffix(1);
    }
    const std::size_t delim = trimmed.rfind(Delim);
    if (delim == std::string_view::npos || delim < 1) {
        return std::string(path);
    }
    return std::string(trimmed.substr(0, delim));
}

std::string AddPathDelimiter(std::string_view path)
{
    if (path.empty() || path.back() == Delim) {
        return std::string(path);
    }
    return std::string(path) + Delim;
}

std::string RemovePathDelimiter(std::string_view path)
{
    if (!path.empty() && path.back() == Delim) {
        path.remove_suffix(1);
    }
    return std::string(path);
}

std::string ExtractFileName(std::string_view path)
{
    const std::size_t delim = LastDelimiter(path);
    return std::string(delim == std::string_view::npos ? path : path.substr(delim + 1));
}

std::string ExtractFilePath(std::string_view path)
{
    const std::size_t delim = LastDelimiter(path);
    return delim == std::string_view::npos ? std::string() : std::string(path.substr(0, delim + 1));
}

bool NotSpecialDir(std::string_view name)
{
    return name != "." && name != "..";
}

bool IsAbsolutePath(std::string_view path)
{
    return (!path.empty() && path.front() == Delim) || path.find(':') != std::string_view::npos;
}

std::string MakeRelativePath(std::string_view base, std::string_view path)
{
    if (!StartsWithIgnoringCase(path, base)) {
        return std::string(path);
    }
    // The path begins with base, so it lies below base's folder: the rest after that folder.
    const std::size_t folderEnd = base.rfind(Delim);
    const std::size_t cut = folderEnd == std::string_view::npos ? 0 : folderEnd + 1;
    return std::string(path.substr(cut));
}

bool IsValidFileName(std::string_view name)
{
    for (char c : name) {
        if (IsInvalidFileNameChar(c)) {
            return false;
        }
    }
    return true;
}

std::string ReplaceInvalidChars(std::string_view name, char ch)
{
    std::string out(name);
    for (char& c : out) {
        if (IsInvalidFileNameChar(c)) {
            c = ch;
        }
    }
    return out;
}

int GetFilterIndex(std::string_view filter, std::string_view ext)
{
    std::string rest(filter);
    int index = 0;
    while (!rest.empty()) {
        ReadNextItem(rest, '|');
        const std::string pattern = ReadNextItem(rest, '|');
        ++index;
        if (TextPos(ext, pattern) > 0) {
            return index;
        }
    }
    return index;
}
