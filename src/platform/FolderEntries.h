#pragma once

// What a directory search leaves out (symbolic links, FIFOs, sockets and devices), for the one walk that must remove
// them too: deleting a tree.

#include <string>
#include <vector>

namespace Platform {

// Names in the folder (Windows text) that FindFirst/FindNext do not report.
std::vector<std::string> ListUnsearchedEntries(const std::string& folder);

// Removes such an entry itself (never what a link points to); 0 or a Windows error code.
int RemoveUnsearchedEntry(const std::string& path);

} // namespace Platform
