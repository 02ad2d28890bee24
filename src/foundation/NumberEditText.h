#pragma once

// The text of the number edits: integers in four bases with byte groups, the range
// texts, floating-point formats and the engineering number text. Rounding is half to
// even throughout.

#include <cstdint>
#include <string>
#include <string_view>

enum class TNumMode
{
    nmDecimal,
    nmHex,
    nmOctal,
    nmBin
};

int NumModeBase(TNumMode mode);
// "", "$", "%" or "!".
std::string NumModePrefix(TNumMode mode);

struct TNumberFormat
{
    TNumMode NumMode = TNumMode::nmDecimal;
    int Bits = 32;       // width the digit count is taken from (limited to 0..63)
    int Digits = 0;      // 0: from Bits (ten decimal digits for 32 bits); fields that want plain numbers set 1
    bool Prefix = false; // "$", "%" or "!" in front
    bool Bytes = false;  // one group of digits per byte, highest first, joined by "_"
};

// Digits written for the format: Digits, or round(ln(2^Bits) / ln(base) + 0.5).
int NumberDigits(const TNumberFormat& format);
std::string NumberToEditText(std::int64_t value, const TNumberFormat& format);
// An empty text is 0; "$", "%" or "!" in front select the base, else mode does; groups
// split at "_" are taken as bytes. Raises EConvertError for other characters and values
// beyond 64 bits.
std::int64_t NumberFromEditText(std::string_view text, TNumMode mode);

// The characters typing may enter into a number edit.
bool NumberEditAccepts(char c);

// A range applies when min differs from max.
std::int64_t ClampToRange(std::int64_t value, std::int64_t minValue, std::int64_t maxValue);
// "1 .. 65535", "$1 , $FFFF", "%1 , %177777", "!1 , !11".
std::string RangeText(std::int64_t minValue, std::int64_t maxValue, TNumMode mode);
// The fixed error text of a value outside the range (not translated).
std::string RangeErrorText(std::int64_t minValue, std::int64_t maxValue, TNumMode mode);

// The up-down's text of a position: decimal, or "$" + hexadecimal with digits digits.
std::string UpDownText(int position, bool hex, int digits);
// Reads what UpDownText writes (and plain numbers); false for anything else.
bool UpDownValue(std::string_view text, bool hex, int& value);

enum class TNumFloatFormat
{
    ffGeneral,
    ffExponent,
    ffFixed,
    ffNumber,
    ffCurrency,
    ffNormalized
};

// ffGeneral: shortest text with precision significant digits; ffExponent: d.ddd
// mantissa with precision digits and an exponent of at least decimals digits ("E+003");
// ffFixed: decimals decimals; ffNumber: as ffFixed with blanks between thousands;
// ffCurrency: ffNumber with the locale's currency symbol; ffNormalized: FloatToEngText.
std::string FloatToEditText(double value, TNumFloatFormat format, int precision, int decimals, char separator);
// The text as a float with the given decimal separator ("." also accepted); false when
// it is not a number.
bool FloatFromEditText(std::string_view text, char separator, double& value);
bool FloatEditAccepts(char c, char separator);

// Engineering text: a mantissa and an exponent in steps of three ("1.5E3", "0.12E-3");
// significant digits limited to 2..8.
std::string FloatToEngText(double value, int digits, char separator);
