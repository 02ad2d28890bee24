#pragma once

// Program-wide folders and texts, filled once at start-up and read by every part of
// the program, and the settings file with its move from the profile folder into the
// settings folder. Folders are Windows text ending with a delimiter.

#include "foundation/WinServices.h"

#include <string>

inline constexpr const char* ProductName = "Tessaro";

struct TProgramInfo
{
    std::string ProgramFile;  // the program file itself
    std::string ProgramDir;   // its folder
    std::string BaseName;     // its name without extension
    std::string DocumentsDir; // the user's documents
    std::string ProfileDir;   // the home folder; the program folder when unknown
    std::string AppDataDir;   // the application-data folder, as the system gives it
    std::string SettingsDir;  // AppDataDir + "Tessaro\"; the program folder when unknown
    std::string SettingsFile; // chosen by ChooseSettingsFile
    TVersionStrings Version;  // the version record
    std::string VersionText;  // "Vers. 4.2.6"
    std::string ProductText;  // the record's InternalName
    std::string WindowTitle;  // "Tessaro (Vers. 4.2.6)"
    std::string ProgramDate;  // last write of the program file
};

// Folders of a program file (Windows text) in the current session.
TProgramInfo ProgramFolders(const std::string& programFile);
// The folders with documents, profile and application-data folder given (empty = unknown).
TProgramInfo ProgramFolders(const std::string& programFile, const std::string& documents, const std::string& profile,
                            const std::string& appData);

// "4.2.6.0" -> "Vers. 4.2.6"; a version without a dot stays whole.
std::string VersionTextOf(const std::string& fileVersion);
// Version record, version text, product text, window title and program date.
void FillVersionTexts(TProgramInfo& info);

// The language file: settings folder + base name + ".cfg".
std::string LanguageFileName(const TProgramInfo& info);

// The settings file of this start. An "ini" option names it (path placeholders expanded,
// completed with the settings folder and ".ini"). Otherwise it is settings folder + base
// name + ".ini"; a file of that name in the profile folder is moved there once, with its
// log. When the settings folder cannot be made, or moving fails, the old file stays in use.
std::string ChooseSettingsFile(const TProgramInfo& info, const std::string& iniOption);

// The program's own record (set once by the main window).
const TProgramInfo& TheProgramInfo();
void SetTheProgramInfo(const TProgramInfo& info);
