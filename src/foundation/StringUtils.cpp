#include "foundation/StringUtils.h"

#include "platform/Utf8.h"

#include <charconv>

std::string AnsiLowerCase(std::string_view s)
{
    return Platform::LowerUtf8(s);
}

std::string AnsiUpperCase(std::string_view s)
{
    return Platform::UpperUtf8(s);
}

bool SameTextIgnoringCase(std::string_view a, std::string_view b)
{
    return Platform::SameTextUtf8(a, b);
}

bool StartsWithIgnoringCase(std::string_view s, std::string_view prefix)
{
    const std::string ls = AnsiLowerCase(s);
    const std::string lp = AnsiLowerCase(prefix);
    return ls.compare(0, lp.size(), lp) == 0;
}

std::size_t TextPos(std::string_view sub, std::string_view s)
{
    if (sub.empty()) {
        return 0;
    }
    // Lower-casing can change the byte length of a few letters; map the position back by
    // searching code point by code point in the original.
    const std::string lsub = AnsiLowerCase(sub);
    for (std::size_t i = 0; i < s.size();) {
        if (StartsWithIgnoringCase(s.substr(i), lsub)) {
            return i + 1;
        }
        Platform::NextCodePoint(s, i);
    }
    return 0;
}

std::string ConvertCase(std::string_view s, int mode)
{
    switch (mode) {
    case 1:
        return AnsiLowerCase(s);
    case 2:
        return AnsiUpperCase(s);
    default:
        return std::string(s);
    }
}

std::size_t Utf8Length(std::string_view s)
{
    std::size_t n = 0;
    for (std::size_t i = 0; i < s.size();) {
        Platform::NextCodePoint(s, i);
        ++n;
    }
    return n;
}

std::string PadLeftChar(std::string_view s, char ch, int width)
{
    const auto length = static_cast<int>(Utf8Length(s));
    if (length >= width) {
        return std::string(s);
    }
    return std::string(static_cast<std::size_t>(width - length), ch) + std::string(s);
}

std::string PadLeft(std::string_view s, int width)
{
    return PadLeftChar(s, ' ', width);
}

std::string TrimLeadingBlanks(std::string_view s)
{
    const std::size_t first = s.find_first_not_of(" \t");
    return first == std::string_view::npos ? std::string() : std::string(s.substr(first));
}

std::string TrimRight(std::string_view s)
{
    std::size_t end = s.size();
    while (end > 0 && static_cast<unsigned char>(s[end - 1]) <= ' ') {
        --end;
    }
    return std::string(s.substr(0, end));
}

std::string TrimText(std::string_view s)
{
    std::size_t start = 0;
    while (start < s.size() && static_cast<unsigned char>(s[start]) <= ' ') {
        ++start;
    }
    return TrimRight(s.substr(start));
}

std::string RemoveBlanks(std::string_view s)
{
    std::string out;
    for (char c : s) {
        if (c != ' ') {
            out += c;
        }
    }
    return out;
}

std::string RepeatChar(char ch, int n)
{
    if (n <= 0) {
        return {};
    }
    return std::string(static_cast<std::size_t>(n > 255 ? 255 : n), ch);
}

std::string ReplaceChar(std::string_view s, char oldCh, char newCh)
{
    std::string out(s);
    for (char& c : out) {
        if (c == oldCh) {
            c = newCh;
        }
    }
    return out;
}

std::string ReplaceText(std::string_view s, std::string_view oldText, std::string_view newText)
{
    if (oldText.empty()) {
        return std::string(s);
    }
    std::string out;
    std::size_t pos = 0;
    while (true) {
        const std::size_t hit = s.find(oldText, pos);
        if (hit == std::string_view::npos) {
            break;
        }
        out.append(s.substr(pos, hit - pos));
        out.append(newText);
        pos = hit + oldText.size();
    }
    out.append(s.substr(pos));
    return out;
}

std::string ReplaceTextIgnoringCase(std::string_view s, std::string_view oldText, std::string_view newText)
{
    std::string out;
    std::size_t pos = 0;
    std::size_t hit = 0;
    while (!oldText.empty() && (hit = TextPos(oldText, s.substr(pos))) != 0) {
        out.append(s.substr(pos, hit - 1));
        out.append(newText);
        pos += hit - 1 + oldText.size();
    }
    out.append(s.substr(pos));
    return out;
}

int CountSubStr(std::string_view sub, std::string_view s)
{
    if (sub.empty()) {
        return 0;
    }
    int count = 0;
    std::size_t pos = s.find(sub, 1);
    while (pos != std::string_view::npos) {
        ++count;
        pos = s.find(sub, pos + 1);
    }
    return count;
}

std::string GroupText(std::string_view s, int n)
{
    if (n <= 0) {
        return std::string(s);
    }
    std::string sign;
    if (!s.empty() && s.front() == '-') {
        sign = "-";
        s.remove_prefix(1);
    }
    std::string out;
    const auto size = static_cast<int>(s.size());
    for (int i = 0; i < size; ++i) {
        if (i > 0 && (size - i) % n == 0) {
            out += ' ';
        }
        out += s[static_cast<std::size_t>(i)];
    }
    return sign + out;
}

std::string ReadNextItem(std::string& list, char delim)
{
    const std::size_t pos = list.find(delim);
    std::string item = list.substr(0, pos);
    list.erase(0, pos == std::string::npos ? std::string::npos : pos + 1);
    return item;
}

namespace {

// Content of a quoted text: from after the opening quote to the closing one, doubled
// quotes becoming one quote character.
std::string Dequote(std::string_view quoted, char quote)
{
    std::string out;
    for (std::size_t i = 1; i < quoted.size(); ++i) {
        if (quoted[i] == quote) {
            if (i + 1 < quoted.size() && quoted[i + 1] == quote) {
                out += quote;
                ++i;
                continue;
            }
            break;
        }
        out += quoted[i];
    }
    return out;
}

} // namespace

std::string ReadNextQuotedItem(std::string& list, char delim, char quote)
{
    const std::size_t first = list.find_first_not_of(' ');
    list.erase(0, first);
    if (list.empty()) {
        return {};
    }
    if (list.front() != quote) {
        return ReadNextItem(list, delim);
    }
    bool inside = false;
    std::size_t end = 0;
    for (; end < list.size(); ++end) {
        if (list[end] == quote) {
            inside = !inside; // a doubled quote toggles twice
        } else if (list[end] == delim && !inside) {
            break;
        }
    }
    const std::string part = TrimRight(std::string_view(list).substr(0, end));
    list.erase(0, end == list.size() ? end : end + 1);
    if (part.size() < 3) {
        return {};
    }
    return Dequote(part, quote);
}

namespace {

bool ParseInt64(std::string_view text, std::int64_t& value)
{
    if (text.empty()) {
        return false;
    }
    std::string_view digits = text;
    if (digits.front() == '+') {
        digits.remove_prefix(1);
        if (!digits.empty() && digits.front() == '-') {
            return false;
        }
    }
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return result.ec == std::errc() && result.ptr == digits.data() + digits.size();
}

} // namespace

std::int64_t ReadNextInt64(std::string& list, char delim, bool& error, std::int64_t def)
{
    list = TrimLeadingBlanks(list);
    const std::string item = ReadNextItem(list, delim);
    std::int64_t value = 0;
    if (!ParseInt64(item, value)) {
        error = true;
        return def;
    }
    return value;
}

std::int64_t ReadNextInt64Def(std::string& list, char delim, std::int64_t def)
{
    bool error = false;
    return ReadNextInt64(list, delim, error, def);
}

std::string CommaTextToLines(std::string_view text)
{
    std::string rest(text);
    std::string out;
    bool first = true;
    while (!rest.empty()) {
        const std::string item = ReadNextQuotedItem(rest, ',', '"');
        if (!first) {
            out += "\r\n";
        }
        out += item;
        first = false;
    }
    return out;
}

bool MatchesKeyword(std::string_view param, std::string_view keyword)
{
    const std::string lower = AnsiLowerCase(param);
    return lower.size() <= keyword.size() && keyword.compare(0, lower.size(), lower) == 0;
}

bool ReadOptionValue(std::string& param, std::string_view keyword)
{
    const std::size_t colon = param.find(':');
    if (colon == std::string::npos || !MatchesKeyword(std::string_view(param).substr(0, colon), keyword)) {
        return false;
    }
    param.erase(0, colon + 1);
    return true;
}
