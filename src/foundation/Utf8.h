#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Per-code-point view of UTF-8 text, as the name filter and the regular expressions need it.
// A byte that does not start a valid sequence stands for itself as U+DC80 + byte, so every
// byte string survives decoding and an invalid byte matches only itself.

// Decodes the code point at text[pos] and advances pos past it. pos must be below text.size().
char32_t NextCodePoint(std::string_view text, std::size_t& pos);

// The whole text as code points.
std::u32string ToCodePoints(std::string_view text);

// Appends the UTF-8 form of a code point (the stand-ins of invalid bytes become the byte again).
void AppendUtf8(std::string& out, char32_t cp);

// Simple one-to-one case mappings for Latin-1, Latin Extended-A, Greek and Cyrillic;
// other code points are returned unchanged.
char32_t LowerCodePoint(char32_t cp);
char32_t UpperCodePoint(char32_t cp);

// True when both code points are the same letter regardless of case.
bool SameIgnoringCase(char32_t a, char32_t b);
