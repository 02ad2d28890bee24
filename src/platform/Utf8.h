#pragma once

// UTF-8 text helpers shared by every layer (our strings are UTF-8 throughout).
//   NextCodePoint, AppendUtf8, IsValidUtf8, Utf16Length,
//   FoldCodePoint, UpperCodePoint, LowerUtf8, UpperUtf8, SameTextUtf8, CompareTextUtf8

#include <cstddef>
#include <string>
#include <string_view>

namespace Platform {

inline constexpr char32_t ReplacementChar = 0xFFFD;

// Decodes the code point at pos and advances pos; an invalid sequence gives U+FFFD and skips one byte.
char32_t NextCodePoint(std::string_view text, std::size_t& pos);

void AppendUtf8(std::string& out, char32_t cp);

bool IsValidUtf8(std::string_view text);

// Length in UTF-16 units, the unit Windows counts path lengths in.
std::size_t Utf16Length(std::string_view text);

// Simple (one to one) case mappings over all of Unicode.
char32_t FoldCodePoint(char32_t cp);
char32_t UpperCodePoint(char32_t cp);
std::string LowerUtf8(std::string_view text);
std::string UpperUtf8(std::string_view text);

// Case-insensitive comparison per code point (Windows compares names this way).
bool SameTextUtf8(std::string_view a, std::string_view b);
int CompareTextUtf8(std::string_view a, std::string_view b);

} // namespace Platform
