#include "foundation/NumberText.h"

#include "foundation/StringUtils.h"
#include "foundation/Translate.h"

#include <array>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <langinfo.h>
#include <locale.h>

namespace {

char LocaleDecimalSeparator()
{
    locale_t loc = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
    if (!loc) {
        return '.';
    }
    const char* radix = nl_langinfo_l(RADIXCHAR, loc);
    const char sep = (radix && radix[0] && !radix[1]) ? radix[0] : '.';
    freelocale(loc);
    return sep;
}

std::atomic<char>& DecimalSeparatorValue()
{
    static std::atomic<char> value{LocaleDecimalSeparator()};
    return value;
}

constexpr const char* HexDigits = "0123456789ABCDEF";
constexpr const char* SizeUnits = "kMGT";

// Digits of the value in base 2^bits, padded with "0" to digits.
std::string PowerOfTwoDigits(std::int64_t value, int bits, int digits)
{
    std::uint64_t v =
        value < 0 && value >= INT32_MIN ? static_cast<std::uint32_t>(value) : static_cast<std::uint64_t>(value);
    const std::uint64_t mask = (1u << bits) - 1;
    std::string out;
    do {
        out.insert(out.begin(), HexDigits[v & mask]);
        v >>= bits;
    } while (v != 0);
    return PadLeftChar(out, '0', digits);
}

std::string ConvertMessage(const char* msgid, const std::string& value)
{
    std::string text = TrUnits(msgid);
    const std::size_t pos = text.find("%s");
    if (pos != std::string::npos) {
        text.replace(pos, 2, value);
    }
    return text;
}

// Reads the digits of a text in base 2^bits into 32 bits; false for a bad digit or a value
// that needs more than 32 bits.
bool ReadDigits(std::string_view digits, int bits, std::uint32_t& value)
{
    std::uint64_t acc = 0;
    const unsigned base = 1u << bits;
    for (char c : digits) {
        unsigned d = 0;
        if (c >= '0' && c <= '9') {
            d = static_cast<unsigned>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            d = static_cast<unsigned>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            d = static_cast<unsigned>(c - 'A' + 10);
        } else {
            return false;
        }
        if (d >= base) {
            return false;
        }
        acc = (acc << bits) | d;
        if (acc > 0xFFFFFFFFull) {
            return false;
        }
    }
    value = static_cast<std::uint32_t>(acc);
    return true;
}

std::int32_t Signed(std::uint32_t value, bool negative)
{
    const auto v = static_cast<std::int32_t>(value);
    return negative ? static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(v)) : v;
}

bool TakeSign(std::string_view& text)
{
    if (!text.empty() && text.front() == '-') {
        text.remove_prefix(1);
        return true;
    }
    return false;
}

std::string WithoutPrefix(std::string_view text, char prefix)
{
    if (!text.empty() && text.front() == prefix) {
        text.remove_prefix(1);
    }
    return RemoveBlanks(text);
}

// Octal and binary texts: sign, optional prefix, digits of 2^bits, blanks ignored.
std::int32_t PrefixedToInt(std::string_view text, char prefix, int bits, const char* errorMsgid)
{
    const bool negative = TakeSign(text);
    const std::string digits = WithoutPrefix(text, prefix);
    std::uint32_t value = 0;
    if (!ReadDigits(digits, bits, value)) {
        throw EConvertError(ConvertMessage(errorMsgid, digits));
    }
    return Signed(value, negative);
}

// Reads a number that uses the module's decimal separator ("12,5" or "12.5").
bool ParseDecimal(std::string_view text, double& value)
{
    std::string plain;
    bool digit = false;
    bool separator = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digit = true;
            plain += c;
        } else if (c == DecimalSeparator() && !separator) {
            separator = true;
            plain += '.';
        } else if ((c == '-' || c == '+') && i == 0) {
            plain += c == '-' ? "-" : "";
        } else {
            return false;
        }
    }
    if (!digit) {
        return false;
    }
    const auto result = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    return result.ec == std::errc() && result.ptr == plain.data() + plain.size();
}

} // namespace

char DecimalSeparator()
{
    return DecimalSeparatorValue().load();
}

void SetDecimalSeparator(char separator)
{
    DecimalSeparatorValue().store(separator);
}

char SessionDecimalSeparator()
{
    static const char session = LocaleDecimalSeparator();
    return session;
}

std::string Int64ToText(int width, std::int64_t value)
{
    const std::string plain = std::to_string(value);
    if (width < 0) {
        return GroupText(plain, 3);
    }
    return PadLeft(plain, width);
}

std::string ZeroPaddedInt(int width, std::int64_t value)
{
    if (value >= 0) {
        return PadLeftChar(std::to_string(value), '0', width);
    }
    const std::string digits = std::to_string(value).substr(1);
    return "-" + PadLeftChar(digits, '0', width - 1);
}

std::string FloatToText(double value, int width, int decimals)
{
    if (decimals < 0) {
        decimals = 0;
    }
    std::array<char, 400> buffer{};
    const auto result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, decimals);
    std::string text(buffer.data(), result.ptr);
    if (DecimalSeparator() != '.') {
        text = ReplaceChar(text, '.', DecimalSeparator());
    }
    return PadLeft(text, width);
}

std::string ByteToHex(std::uint8_t b)
{
    return {HexDigits[b >> 4], HexDigits[b & 0x0F]};
}

std::string HexText(std::int64_t value, int digits, int group)
{
    return GroupText(PowerOfTwoDigits(value, 4, digits), group);
}

std::string DecimalTextGrouped(std::int64_t value, int width, int group)
{
    return GroupText(ZeroPaddedInt(width, value), group);
}

std::string OctalText(std::int64_t value, int digits, int group)
{
    // Octal digits are three bits each; 3 does not divide 64, so go through division.
    std::uint64_t v =
        value < 0 && value >= INT32_MIN ? static_cast<std::uint32_t>(value) : static_cast<std::uint64_t>(value);
    std::string out;
    do {
        out.insert(out.begin(), static_cast<char>('0' + (v & 7)));
        v >>= 3;
    } while (v != 0);
    return GroupText(PadLeftChar(out, '0', digits), group);
}

std::string BinaryText(std::int64_t value, int digits, int group)
{
    return GroupText(PowerOfTwoDigits(value, 1, digits), group);
}

std::int32_t HexToInt(std::string_view text)
{
    const bool negative = TakeSign(text);
    if (negative && text.empty()) {
        throw EConvertError(ConvertMessage("%s is no valid hex value", ""));
    }
    std::string shown = text.empty() || text.front() == '$' ? std::string(text) : "$" + std::string(text);
    shown = RemoveBlanks(shown);
    if (shown.empty()) {
        return 0;
    }
    std::uint32_t value = 0;
    if (shown.size() < 2 || !ReadDigits(std::string_view(shown).substr(1), 4, value)) {
        throw EConvertError(ConvertMessage("%s is no valid hex value", shown));
    }
    return Signed(value, negative);
}

std::int32_t OctToInt(std::string_view text)
{
    return PrefixedToInt(text, '%', 3, "%s is no valid octal value");
}

std::int32_t BinToInt(std::string_view text)
{
    return PrefixedToInt(text, '!', 1, "%s is no valid binary value");
}

std::string SizeToText(std::int64_t bytes)
{
    if (bytes < 1024) {
        return Int64ToText(0, bytes) + " B";
    }
    const double kb = static_cast<double>(bytes) / 1024.0;
    if (kb < 1024.0) {
        return FloatToText(kb, 0, kb >= 100.0 ? 1 : 2) + " kB";
    }
    const double mb = kb / 1024.0;
    if (mb < 1024.0) {
        return FloatToText(mb, 0, mb >= 100.0 ? 1 : 2) + " MB";
    }
    return FloatToText(mb / 1024.0, 0, 2) + " GB";
}

bool TextToSize(std::string_view text, std::int64_t& bytes)
{
    bytes = 0;
    std::string t = TrimText(text);
    if (!t.empty() && (t.back() == 'B' || t.back() == 'b')) {
        t.pop_back();
        t = TrimText(t);
    }
    if (t.empty()) {
        return false;
    }
    int power = 0;
    std::string number = t;
    const char last = t.back();
    if (last < '0' || last > '9') {
        const char* unit = std::char_traits<char>::find(SizeUnits, 4, last);
        const std::size_t blank = t.find(' ');
        if (!unit || blank == std::string::npos) {
            return false;
        }
        power = static_cast<int>(unit - SizeUnits) + 1;
        number = t.substr(0, blank);
    }
    double value = 0;
    if (!ParseDecimal(number, value)) {
        return false;
    }
    const double scaled = std::round(value * std::pow(1024.0, power));
    // 2^63 is the first double beyond the 64-bit range.
    if (!(scaled < 9223372036854775808.0 && scaled >= -9223372036854775808.0)) {
        return false;
    }
    bytes = static_cast<std::int64_t>(scaled);
    return true;
}
