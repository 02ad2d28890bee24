#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// String helpers shared by every module. Texts are UTF-8; case operations and character
// counts work per code point. Positions are 1-based, 0 meaning "not found".

std::string AnsiLowerCase(std::string_view s);
std::string AnsiUpperCase(std::string_view s);
bool SameTextIgnoringCase(std::string_view a, std::string_view b);
bool StartsWithIgnoringCase(std::string_view s, std::string_view prefix);

// Position of sub in s ignoring case (1-based byte position), 0 when absent.
std::size_t TextPos(std::string_view sub, std::string_view s);

// Mode 1 lower case, mode 2 upper case, anything else unchanged.
std::string ConvertCase(std::string_view s, int mode);

// Blanks (or ch) put in front until s has width code points; longer texts stay unchanged.
std::string PadLeft(std::string_view s, int width);
std::string PadLeftChar(std::string_view s, char ch, int width);

// Removes leading blanks and tabs, nothing else.
std::string TrimLeadingBlanks(std::string_view s);
// Removes leading and trailing white space (blanks, tabs, control characters).
std::string TrimText(std::string_view s);
std::string TrimRight(std::string_view s);
// Removes every blank " " (tabs stay).
std::string RemoveBlanks(std::string_view s);
// n copies of ch, n limited to 0..255.
std::string RepeatChar(char ch, int n);
std::string ReplaceChar(std::string_view s, char oldCh, char newCh);
std::string ReplaceText(std::string_view s, std::string_view oldText, std::string_view newText);
// Every occurrence of an ASCII oldText, ignoring case; the new text is not searched again.
std::string ReplaceTextIgnoringCase(std::string_view s, std::string_view oldText, std::string_view newText);

// Occurrences of sub in s from the second character on; overlapping occurrences count.
// CountSubStr("/", "/a/b") == 1: count + 1 is the number of levels of an FTP path.
int CountSubStr(std::string_view sub, std::string_view s);

// A blank inserted every n characters from the right end ("1234567", 3 -> "1 234 567").
// A leading "-" is never followed by a blank.
std::string GroupText(std::string_view s, int n);

// Number of code points of a UTF-8 text.
std::size_t Utf8Length(std::string_view s);

// ---- item readers: each removes what it returns (and its delimiter) from the front of list

std::string ReadNextItem(std::string& list, char delim);
std::string ReadNextQuotedItem(std::string& list, char delim, char quote = '"');
// Reads a signed decimal 64-bit number; on a bad number returns def and sets error (which is
// otherwise left as it was).
std::int64_t ReadNextInt64(std::string& list, char delim, bool& error, std::int64_t def);
std::int64_t ReadNextInt64Def(std::string& list, char delim, std::int64_t def);
// Items read with "," and '"' joined by CR LF.
std::string CommaTextToLines(std::string_view text);

// ---- command-line options

// True when the lower-cased param is a prefix of keyword (keywords are lower case);
// an empty param matches every keyword.
bool MatchesKeyword(std::string_view param, std::string_view keyword);
// "key:value" whose key matches keyword: param becomes value and the result is true.
bool ReadOptionValue(std::string& param, std::string_view keyword);
