#pragma once

// Per-code-point work on UTF-8 text for the name filter and the regular expressions, built on
// the UTF-8 helpers of the platform layer.

#include <string>
#include <string_view>

// The text as code points; a byte that is not UTF-8 becomes U+FFFD.
std::u32string ToCodePoints(std::string_view text);

// True when both code points are the same letter regardless of case.
bool SameIgnoringCase(char32_t a, char32_t b);
