#include "platform/Utf8.h"

#include <clocale>
#include <cwctype>
#include <locale.h>

namespace Platform {

namespace {

// Case mapping through a fixed C.UTF-8 locale, so the process locale cannot change it.
locale_t UnicodeLocale()
{
    static locale_t loc = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
        return l ? l : newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(nullptr));
    }();
    return loc;
}

bool IsContinuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

} // namespace

char32_t NextCodePoint(std::string_view text, std::size_t& pos)
{
    const auto c0 = static_cast<unsigned char>(text[pos]);
    if (c0 < 0x80) {
        ++pos;
        return c0;
    }
    std::size_t len = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if ((c0 & 0xE0) == 0xC0) {
        len = 2, cp = c0 & 0x1F, minimum = 0x80;
    } else if ((c0 & 0xF0) == 0xE0) {
        len = 3, cp = c0 & 0x0F, minimum = 0x800;
    } else if ((c0 & 0xF8) == 0xF0) {
        len = 4, cp = c0 & 0x07, minimum = 0x10000;
    } else {
        ++pos;
        return ReplacementChar;
    }
    if (pos + len > text.size()) {
        ++pos;
        return ReplacementChar;
    }
    for (std::size_t i = 1; i < len; ++i) {
        const auto c = static_cast<unsigned char>(text[pos + i]);
        if (!IsContinuation(c)) {
            ++pos;
            return ReplacementChar;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return ReplacementChar;
    }
    pos += len;
    return cp;
}

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
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

bool IsValidUtf8(std::string_view text)
{
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t start = pos;
        if (NextCodePoint(text, pos) == ReplacementChar && pos == start + 1) {
            return false; // a real U+FFFD is three bytes long
        }
    }
    return true;
}

std::size_t Utf16Length(std::string_view text)
{
    std::size_t pos = 0;
    std::size_t units = 0;
    while (pos < text.size()) {
        units += NextCodePoint(text, pos) >= 0x10000 ? 2 : 1;
    }
    return units;
}

char32_t FoldCodePoint(char32_t cp)
{
    if (cp < 0x80) {
        return (cp >= 'A' && cp <= 'Z') ? cp + 32 : cp;
    }
    return static_cast<char32_t>(towlower_l(static_cast<wint_t>(cp), UnicodeLocale()));
}

char32_t UpperCodePoint(char32_t cp)
{
    if (cp < 0x80) {
        return (cp >= 'a' && cp <= 'z') ? cp - 32 : cp;
    }
    return static_cast<char32_t>(towupper_l(static_cast<wint_t>(cp), UnicodeLocale()));
}

namespace {

template <typename Map> std::string MapUtf8(std::string_view text, Map map)
{
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t start = pos;
        const char32_t cp = NextCodePoint(text, pos);
        if (cp == ReplacementChar && pos == start + 1) {
            out += text[start]; // keep bytes that are not UTF-8 as they are
        } else {
            AppendUtf8(out, map(cp));
        }
    }
    return out;
}

} // namespace

std::string LowerUtf8(std::string_view text)
{
    return MapUtf8(text, FoldCodePoint);
}

std::string UpperUtf8(std::string_view text)
{
    return MapUtf8(text, UpperCodePoint);
}

int CompareTextUtf8(std::string_view a, std::string_view b)
{
    std::size_t pa = 0;
    std::size_t pb = 0;
    while (pa < a.size() && pb < b.size()) {
        const auto ba = static_cast<unsigned char>(a[pa]);
        const auto bb = static_cast<unsigned char>(b[pb]);
        // Names are mostly ASCII: two plain bytes need no decoding (a folder's listing is
        // sorted with this, a hundred thousand names in one).
        if ((ba | bb) < 0x80) {
            const int ua = ba >= 'a' && ba <= 'z' ? ba - 32 : ba;
            const int ub = bb >= 'a' && bb <= 'z' ? bb - 32 : bb;
            if (ua != ub) {
                return ua < ub ? -1 : 1;
            }
            ++pa;
            ++pb;
            continue;
        }
        const char32_t ca = UpperCodePoint(NextCodePoint(a, pa));
        const char32_t cb = UpperCodePoint(NextCodePoint(b, pb));
        if (ca != cb) {
            return ca < cb ? -1 : 1;
        }
    }
    if (pa < a.size()) {
        return 1;
    }
    return pb < b.size() ? -1 : 0;
}

bool SameTextUtf8(std::string_view a, std::string_view b)
{
    return CompareTextUtf8(a, b) == 0;
}

} // namespace Platform
