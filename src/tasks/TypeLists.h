#pragma once

// Type-list files (".but"): one named file-type list, to exchange with other users.
//
//   [Global] Program, Version   written, never read
//   [Filter] Name, Mode         0 include list, 1 exclude list
//            Include / Exclude  comma text; only the list the mode uses is written

#include "tasks/TaskModel.h"

#include <string>

inline constexpr const char* TypeListExtension = "but";

// Writes the list under its name. False when the file cannot be written.
bool WriteTypeListFile(const std::string& fileName, const std::string& name, const TExtensionList& list,
                       const std::string& programText, const std::string& fileVersion);

// The list name stored in the file, else the file's base name; empty when there is no file.
std::string ReadTypeListName(const std::string& fileName);

// Reads the file's mode (a missing Mode keeps the list's own, any other than 0 is 1) and the type list
// that mode uses into `list`; the other type list is emptied, counters are zero.
bool ReadTypeListFile(const std::string& fileName, TExtensionList& list);
