#include "foundation/StringUtils.h"

#include <charconv>
#include <cwctype>
#include <locale.h>

namespace {

// Case mapping uses the C.UTF-8 tables whatever the process locale is, so that it
// behaves the same in tests, under "C" and under any user locale.
locale_t Utf8Locale()
{
    static locale_t loc = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
        return l ? l : newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(nullptr));
    }();
    return loc;
}

// Decodes one code point at s[i]; an invalid sequence yields its first byte as is (length 1).
char32_t DecodeAt(std::string_view s, std::size_t i, std::size_t& len)
{
    const auto b0 = static_cast<unsigned char>(s[i]);
    len = 1;
    if (b0 < 0x80) {
        return b0;
    }
    std::size_t need = 0;
    char32_t cp = 0;
    if ((b0 & 0xE0) == 0xC0) {
        need = 1;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        need = 2;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        need = 3;
        cp = b0 & 0x07;
    } else {
        return b0 | 0x80000000u; // marks a stray byte
    }
    for (std::size_t k = 1; k <= need; ++k) {
        if (i + k >= s.size()) {
            return b0 | 0x80000000u;
        }
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            return b0 | 0x80000000u;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    len = need + 1;
    return cp;
}

void Encode(char32_t cp, std::string& out)
{
    if (cp & 0x80000000u) {
        out += static_cast<char>(cp & 0xFF);
    } else if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

template <typename Map> std::string MapCodePoints(std::string_view s, Map map)
{
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        std::size_t len = 1;
        char32_t cp = DecodeAt(s, i, len);
        if (!(cp & 0x80000000u)) {
            cp = static_cast<char32_t>(map(static_cast<wint_t>(cp), Utf8Locale()));
        }
        Encode(cp, out);
        i += len;
    }
    return out;
}

} // namespace

std::string AnsiLowerCase(std::string_view s)
{
    return MapCodePoints(s, [](wint_t c, locale_t l) { return towlower_l(c, l); });
}

std::string AnsiUpperCase(std::string_view s)
{
    return MapCodePoints(s, [](wint_t c, locale_t l) { return towupper_l(c, l); });
}

bool SameTextIgnoringCase(std::string_view a, std::string_view b)
{
    return AnsiLowerCase(a) == AnsiLowerCase(b);
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
        std::size_t len = 1;
        DecodeAt(s, i, len);
        if (StartsWithIgnoringCase(s.substr(i), lsub)) {
            return i + 1;
        }
        i += len;
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
        std::size_t len = 1;
        DecodeAt(s, i, len);
        i += len;
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
