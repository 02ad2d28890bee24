#pragma once

#include <string>
#include <vector>

class TIniFile;

// Most-recently-used lists in plain string vectors, kept in an INI section as the keys
// prefix + 0, prefix + 1, ... (most recent first; an empty prefix means "History").

inline constexpr int DefaultHistoryMax = 50;

// Moves text to the top (inserting it when new, dropping the last entry when full).
void AddToHistory(std::vector<std::string>& list, const std::string& text, int maxItems = DefaultHistoryMax);

// When the section exists, the list is replaced by its non-empty values.
void ReadHistory(const TIniFile& ini, const std::string& section, const std::string& prefix,
                 std::vector<std::string>& list, int maxItems = DefaultHistoryMax);
// Writes the first maxItems entries; keys of older, longer lists are removed so that
// dropped entries do not come back.
void WriteHistory(TIniFile& ini, const std::string& section, const std::string& prefix,
                  const std::vector<std::string>& list, bool erase, int maxItems = DefaultHistoryMax);

// One value of a settings file, which is opened and closed again.
std::string ReadIniString(const std::string& fileName, const std::string& section, const std::string& key,
                          const std::string& def = {});

// Shared by the plain lists and THistoryList: blankMark replaces a value of a single blank in
// the file (and is turned back on reading) when it is not 0.
std::vector<std::string> ReadHistoryKeys(const TIniFile& ini, const std::string& section, const std::string& prefix,
                                         int maxItems, char blankMark);
void WriteHistoryKeys(TIniFile& ini, const std::string& section, const std::string& prefix,
                      const std::vector<std::string>& list, bool erase, int maxItems, char blankMark);
