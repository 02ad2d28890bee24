#pragma once

// Clean-up task files (".cuj") and the clean-up window's section "Cleanup" of the program
// settings file with its two histories ("Cleanup" and "CSyncDir").
//
// A task file is updated key by key: keys this writer does not know stay in an existing
// file. Dates are written "yyyy-mm-dd" and read in that form, as ISO and in the locale's
// form; an unreadable date gives today.

#include "restore/CleanUp.h"

#include <string>
#include <vector>

class TIniFile;

inline constexpr const char* CleanUpSection = "Cleanup";
inline constexpr const char* CleanUpSyncSection = "CSyncDir";

// Writes every key of the task; false when the file could not be written.
bool SaveCleanUpTask(const std::string& fileName, const TCleanUpSettings& settings, const std::string& productText,
                     const std::string& fileVersion);
// Reads a task over the given settings (keys that are missing give their defaults; an empty
// folder and a missing filter keep the current ones). False when the file cannot be read
// or holds no "Cleanup" section.
bool LoadCleanUpTask(const std::string& fileName, TCleanUpSettings& settings);

// The section of the program settings: no folder, no synchronisation, no FTP record.
void ReadCleanUpSettings(const TIniFile& ini, TCleanUpSettings& settings);
void WriteCleanUpSettings(TIniFile& ini, const TCleanUpSettings& settings);

struct TCleanUpHistories
{
    std::vector<std::string> Folders;  // "Cleanup"
    std::vector<std::string> SyncDirs; // "CSyncDir"
};
void ReadCleanUpHistories(const TIniFile& ini, TCleanUpHistories& histories);
void WriteCleanUpHistories(TIniFile& ini, const TCleanUpHistories& histories);
