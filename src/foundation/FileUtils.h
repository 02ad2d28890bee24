#pragma once

#include <cstdint>
#include <string>

// Response files and folder walks on Windows path text. The walks never follow links to
// folders and skip what they cannot read.

// Lines of the file cut at their first ";", trimmed, empty ones skipped, joined by "|";
// empty for a missing file.
std::string ReadResponseFile(const std::string& fileName);

// Adds the sizes and the number of the files of root + subfolder (subfolders too when
// recursive).
void GetFolderStatistics(const std::string& root, const std::string& subfolder, bool recursive, std::int64_t& bytes,
                         int& files);
int CountFiles(const std::string& folder, bool recursive);

// Deletes root + subfolder with everything in it, read-only files too; counts removed
// folders and files and the failures. A link is removed itself, never what it points to.
void DeleteFolderTree(const std::string& root, const std::string& subfolder, int& folders, int& errors, int& files);
// True when nothing failed.
bool DeleteFolderTree(const std::string& folder);
