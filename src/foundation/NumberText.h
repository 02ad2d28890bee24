#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

// Numbers and sizes as text for people: a blank is the thousands separator whatever the
// locale, the decimal separator is the locale's (taken once, settable for tests).

// Raised by the text-to-number conversions; the message is translated.
class EConvertError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Decimal separator used for numbers with decimals (default: the user's locale, else ".").
char DecimalSeparator();
void SetDecimalSeparator(char separator);
// The separator of the session's locale (LC_NUMERIC), whatever was set since.
char SessionDecimalSeparator();

// width > length: blanks on the left up to width; width < 0: groups of three digits
// separated by blanks; otherwise plain.
std::string Int64ToText(int width, std::int64_t value);
// "0" on the left up to width; a "-" counts in the width (5, -42 -> "-0042").
std::string ZeroPaddedInt(int width, std::int64_t value);
// Fixed-point text with the given decimals and the module's decimal separator, padded with
// blanks on the left to width.
std::string FloatToText(double value, int width, int decimals);

std::string ByteToHex(std::uint8_t b);
// Upper-case digits, at least digits of them, then grouped by group characters. Negative
// values within 32 bits are shown as their 32-bit pattern.
std::string HexText(std::int64_t value, int digits, int group);
std::string DecimalTextGrouped(std::int64_t value, int width, int group);
std::string OctalText(std::int64_t value, int digits, int group);
std::string BinaryText(std::int64_t value, int digits, int group);

// Text to 32-bit numbers: a leading "-" negates, a prefix ("$", "%", "!") is optional,
// blanks are ignored, an empty text is 0. Bad digits and values beyond 32 bits raise
// EConvertError.
std::int32_t HexToInt(std::string_view text);
std::int32_t OctToInt(std::string_view text);
std::int32_t BinToInt(std::string_view text);

// "1023 B", "1.00 kB", "150.0 kB", "12.50 MB", "3.00 GB".
std::string SizeToText(std::int64_t bytes);
// Reads "2048", "2048 B", "12.5 MB", "1 k" ... (units k, M, G, T exactly, a blank before the
// unit required). False and 0 for anything else, including values beyond 64 bits.
bool TextToSize(std::string_view text, std::int64_t& bytes);
