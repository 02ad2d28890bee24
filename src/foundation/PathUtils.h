#pragma once

#include <string>
#include <string_view>

// File-name and path helpers on Windows path text ("C:\dir\name.ext", "\\server\share").

// Text after the last "." of the name part, without the "."; empty when there is none.
std::string GetExtension(std::string_view name);
std::string RemoveExtension(std::string_view name);
// An empty ext removes the extension; a leading "." of ext is dropped.
std::string ReplaceExtension(std::string_view name, std::string_view ext);
std::string ReplaceExtWithSuffix(std::string_view name, std::string_view suffix, std::string_view ext);
// "a.txt", "_1" -> "a_1.txt".
std::string InsertBeforeExt(std::string_view name, std::string_view suffix);
// Adds ext when the name has no "." and puts folder in front of a relative name.
std::string ExpandFileNameDefaults(std::string_view name, std::string_view folder, std::string_view ext);
// Replaces middle folders by "..." so that the result has at most max characters.
std::string ShortenPath(std::string_view path, int max);
// Parent folder (no trailing delimiter); the path itself when there is none.
std::string ExtractParentDir(std::string_view path);
std::string AddPathDelimiter(std::string_view path);
std::string RemovePathDelimiter(std::string_view path);
// Text after the last "\" (or ":"), the name part.
std::string ExtractFileName(std::string_view path);
// Text up to and including the last "\" (or ":").
std::string ExtractFilePath(std::string_view path);
bool NotSpecialDir(std::string_view name);
bool IsAbsolutePath(std::string_view path);
// The path relative to base's folder when it begins with base (ignoring case), else unchanged.
std::string MakeRelativePath(std::string_view base, std::string_view path);
// No control character and none of " * / : < > ? \ |; an empty name is valid.
bool IsValidFileName(std::string_view name);
std::string ReplaceInvalidChars(std::string_view name, char ch);
// 1-based index of the first "text|pattern" pair of a file-dialog filter whose pattern holds
// ext; the last pair when none does.
int GetFilterIndex(std::string_view filter, std::string_view ext);
