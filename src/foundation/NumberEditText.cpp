#include "foundation/NumberEditText.h"

#include "foundation/NumberText.h"
#include "foundation/StringUtils.h"
#include "foundation/Translate.h"

#include <algorithm>
#include <array>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// Digits per byte group: decimal, hexadecimal, octal, binary.
constexpr std::array<int, 4> ByteGroupDigits{3, 2, 3, 8};

int ModeIndex(TNumMode mode)
{
    return static_cast<int>(mode);
}

// Half-to-even rounding of numerator / (2 * half): exact for the bases that are powers of two.
int RoundHalfEven(long long numerator, long long denominator)
{
    long long whole = numerator / denominator;
    const long long rest = numerator % denominator;
    if (2 * rest > denominator || (2 * rest == denominator && whole % 2 != 0)) {
        ++whole;
    }
    return static_cast<int>(whole);
}

std::string DigitsInBase(std::uint64_t value, int base, int minDigits)
{
    std::string out;
    do {
        const int digit = static_cast<int>(value % static_cast<unsigned>(base));
        out.insert(out.begin(), static_cast<char>(digit < 10 ? '0' + digit : 'A' + digit - 10));
        value /= static_cast<unsigned>(base);
    } while (value != 0);
    return PadLeftChar(out, '0', minDigits);
}

int DigitValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return 99;
}

[[noreturn]] void NotANumber(std::string_view text)
{
    throw EConvertError(ReplaceText(TrUnits("'%s' is not a valid integer value"), "%s", text));
}

// Digits of one "_" group; false when one is not a digit of the base.
// value * factor + add, false on overflow of 64 bits.
bool MultiplyAdd(std::uint64_t& value, std::uint64_t factor, std::uint64_t add)
{
    return !__builtin_mul_overflow(value, factor, &value) && !__builtin_add_overflow(value, add, &value);
}

bool ReadGroup(std::string_view group, int base, std::uint64_t& value)
{
    value = 0;
    for (char c : group) {
        const int digit = DigitValue(c);
        if (digit >= base || !MultiplyAdd(value, static_cast<std::uint64_t>(base), static_cast<std::uint64_t>(digit))) {
            return false;
        }
    }
    return true;
}

std::string FormatDouble(const char* format, int precision, double value)
{
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, precision, value);
    return buffer;
}

std::string WithSeparator(const std::string& text, char separator)
{
    return ReplaceChar(text, '.', separator);
}

// Blanks between thousands of the integer part of a plain "-1234.56" text.
std::string GroupThousands(const std::string& text)
{
    const size_t start = !text.empty() && text[0] == '-' ? 1 : 0;
    size_t end = text.find('.');
    if (end == std::string::npos) {
        end = text.size();
    }
    std::string out = text;
    for (long long pos = static_cast<long long>(end) - 3; pos > static_cast<long long>(start); pos -= 3) {
        out.insert(static_cast<size_t>(pos), 1, ' ');
    }
    return out;
}

std::string CurrencySymbol()
{
    const std::lconv* conv = std::localeconv();
    return conv && conv->currency_symbol ? conv->currency_symbol : "";
}

// ffExponent: "1.2345E+003" with precision significant digits and at least minExp exponent digits.
std::string ExponentText(double value, int precision, int minExp)
{
    std::string raw = FormatDouble("%.*E", std::clamp(precision, 1, 18) - 1, value);
    const size_t e = raw.find('E');
    if (e == std::string::npos) {
        return raw;
    }
    const char sign = raw[e + 1];
    std::string digits = raw.substr(e + 2);
    while (digits.size() > 1 && digits[0] == '0') {
        digits.erase(0, 1);
    }
    return raw.substr(0, e + 1) + sign + PadLeftChar(digits, '0', std::clamp(minExp, 0, 4));
}

// The power-of-thousand step of the engineering text: 6 means no scaling.
int EngineeringStep(double magnitude)
{
    if (!(magnitude > 1e-15 && magnitude < 1e15)) {
        return 6;
    }
    static constexpr std::array<double, 9> thresholds{9.99e-14, 9.99e-11, 9.99e-8, 9.99e-5, 0.0999,
                                                      999,      999000,   9.99e8,  9.99e11};
    int step = 1;
    for (double threshold : thresholds) {
        if (magnitude > threshold) {
            ++step;
        }
    }
    return step;
}

int IntegerDigits(double magnitude)
{
    if (magnitude <= 0.99999) {
        return 0;
    }
    if (magnitude <= 9.9999) {
        return 1;
    }
    return magnitude <= 99.999 ? 2 : 3;
}

} // namespace

int NumModeBase(TNumMode mode)
{
    static constexpr std::array<int, 4> bases{10, 16, 8, 2};
    return bases[static_cast<size_t>(ModeIndex(mode))];
}

std::string NumModePrefix(TNumMode mode)
{
    static constexpr std::array<const char*, 4> prefixes{"", "$", "%", "!"};
    return prefixes[static_cast<size_t>(ModeIndex(mode))];
}

int NumberDigits(const TNumberFormat& format)
{
    if (format.Digits > 0) {
        return format.Digits;
    }
    const int bits = std::clamp(format.Bits, 0, 63);
    switch (format.NumMode) {
    case TNumMode::nmHex:
        return RoundHalfEven(2LL * bits + 4, 8); // bits / 4 + 0.5
    case TNumMode::nmOctal:
        return RoundHalfEven(2LL * bits + 3, 6);
    case TNumMode::nmBin:
        return RoundHalfEven(2LL * bits + 1, 2);
    case TNumMode::nmDecimal:
        break;
    }
    return static_cast<int>(std::nearbyint(bits * std::log10(2.0) + 0.5));
}

std::string NumberToEditText(std::int64_t value, const TNumberFormat& format)
{
    const int base = NumModeBase(format.NumMode);
    std::string text;
    if (format.Bytes) {
        const int groups = (std::clamp(format.Bits, 1, 64) - 1) / 8 + 1;
        const auto pattern = static_cast<std::uint64_t>(value);
        for (int i = groups - 1; i >= 0; --i) {
            const std::uint64_t byte = (pattern >> (8 * i)) & 0xFF;
            text += DigitsInBase(byte, base, ByteGroupDigits[static_cast<size_t>(ModeIndex(format.NumMode))]);
            if (i > 0) {
                text += '_';
            }
        }
    } else if (format.NumMode == TNumMode::nmDecimal) {
        const std::uint64_t magnitude =
            value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
        text = (value < 0 ? "-" : "") + DigitsInBase(magnitude, 10, NumberDigits(format));
    } else {
        text = DigitsInBase(static_cast<std::uint64_t>(value), base, NumberDigits(format));
    }
    return format.Prefix ? NumModePrefix(format.NumMode) + text : text;
}

std::int64_t NumberFromEditText(std::string_view text, TNumMode mode)
{
    std::string_view rest = text;
    bool negative = false;
    if (!rest.empty() && (rest[0] == '-' || rest[0] == '+')) {
        negative = rest[0] == '-';
        rest.remove_prefix(1);
    }
    if (!rest.empty() && (rest[0] == '$' || rest[0] == '%' || rest[0] == '!')) {
        mode = rest[0] == '$' ? TNumMode::nmHex : rest[0] == '%' ? TNumMode::nmOctal : TNumMode::nmBin;
        rest.remove_prefix(1);
    }
    if (rest.empty()) {
        return 0;
    }
    const int base = NumModeBase(mode);
    std::uint64_t value = 0;
    while (true) {
        const size_t cut = rest.find('_');
        std::uint64_t group = 0;
        if (!ReadGroup(rest.substr(0, cut), base, group) || !MultiplyAdd(value, 256, group)) {
            NotANumber(text);
        }
        if (cut == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(cut + 1);
    }
    return negative ? static_cast<std::int64_t>(0 - value) : static_cast<std::int64_t>(value);
}

bool NumberEditAccepts(char c)
{
    return static_cast<unsigned char>(c) < 32 || std::string_view("!$%+-").find(c) != std::string_view::npos ||
           DigitValue(c) < 16;
}

std::int64_t ClampToRange(std::int64_t value, std::int64_t minValue, std::int64_t maxValue)
{
    if (minValue == maxValue) {
        return value;
    }
    return value < minValue ? minValue : value > maxValue ? maxValue : value;
}

std::string RangeText(std::int64_t minValue, std::int64_t maxValue, TNumMode mode)
{
    if (mode == TNumMode::nmDecimal) {
        return std::to_string(minValue) + " .. " + std::to_string(maxValue);
    }
    const std::string prefix = NumModePrefix(mode);
    const int base = NumModeBase(mode);
    return prefix + DigitsInBase(static_cast<std::uint64_t>(minValue), base, 1) + " , " + prefix +
           DigitsInBase(static_cast<std::uint64_t>(maxValue), base, 1);
}

std::string RangeErrorText(std::int64_t minValue, std::int64_t maxValue, TNumMode mode)
{
    return "Fehler:\rzulässiger Bereich: (" + RangeText(minValue, maxValue, mode) + ")";
}

std::string UpDownText(int position, bool hex, int digits)
{
    if (!hex) {
        return std::to_string(position);
    }
    return "$" + DigitsInBase(static_cast<std::uint32_t>(position), 16, digits);
}

bool UpDownValue(std::string_view text, bool hex, int& value)
{
    const std::string trimmed = TrimText(text);
    try {
        const std::int64_t read = NumberFromEditText(trimmed, hex ? TNumMode::nmHex : TNumMode::nmDecimal);
        if (trimmed.empty() || trimmed.find('_') != std::string::npos || read < INT32_MIN || read > INT32_MAX) {
            return false;
        }
        value = static_cast<int>(read);
        return true;
    } catch (const EConvertError&) {
        return false;
    }
}

std::string FloatToEditText(double value, TNumFloatFormat format, int precision, int decimals, char separator)
{
    const int places = std::clamp(decimals, 0, 18);
    switch (format) {
    case TNumFloatFormat::ffGeneral:
        return WithSeparator(FormatDouble("%.*G", std::clamp(precision, 1, 18), value), separator);
    case TNumFloatFormat::ffExponent:
        return WithSeparator(ExponentText(value, precision, decimals), separator);
    case TNumFloatFormat::ffFixed:
        return WithSeparator(FormatDouble("%.*f", places, value), separator);
    case TNumFloatFormat::ffNumber:
        return WithSeparator(GroupThousands(FormatDouble("%.*f", places, value)), separator);
    case TNumFloatFormat::ffCurrency: {
        const std::string symbol = CurrencySymbol();
        const std::string number = WithSeparator(GroupThousands(FormatDouble("%.*f", places, value)), separator);
        return symbol.empty() ? number : number + " " + symbol;
    }
    case TNumFloatFormat::ffNormalized:
        break;
    }
    return FloatToEngText(value, precision, separator);
}

bool FloatFromEditText(std::string_view text, char separator, double& value)
{
    std::string plain = ReplaceChar(TrimText(text), separator, '.');
    if (plain.empty()) {
        return false;
    }
    char* end = nullptr;
    const double read = std::strtod(plain.c_str(), &end);
    if (end == plain.c_str() || *end != '\0' || !std::isfinite(read)) {
        return false;
    }
    value = read;
    return true;
}

bool FloatEditAccepts(char c, char separator)
{
    return static_cast<unsigned char>(c) < 32 || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == 'E' ||
           c == 'e' || c == separator;
}

std::string FloatToEngText(double value, int digits, char separator)
{
    const double magnitudeIn = std::fabs(value);
    const int step = EngineeringStep(magnitudeIn);
    const double mantissa = magnitudeIn * std::pow(10.0, 3 * (6 - step));
    const int significant = std::min(digits < 1 ? 2 : digits, 8);
    const int whole = IntegerDigits(mantissa);
    double rounded = std::nearbyint(mantissa * std::pow(10.0, significant - whole));
    if (whole > significant) {
        rounded *= std::pow(10.0, whole - significant);
    }
    const int decimals = std::max(significant - whole, 0);
    std::string text = PadLeftChar(FormatDouble("%.*f", 0, rounded), '0', decimals + 1);
    if (decimals > 0) {
        text.insert(text.size() - static_cast<size_t>(decimals), 1, separator);
    }
    if (value < 0) {
        text.insert(text.begin(), '-');
    }
    if (step != 6) {
        text += "E" + std::to_string(3 * (step - 6));
    }
    return text;
}
