#pragma once

// The recycle bin: the freedesktop trash of the user ($XDG_DATA_HOME/Trash), or the trash
// folder at the top of the file's own volume (.Trash/$uid or .Trash-$uid).

#include <string>

namespace Platform {

// Moves a file or folder (Windows path text) into the trash with its .trashinfo record.
// 0 or a Windows error code.
int MoveToTrash(const std::string& winPath);

// Percent-encoding of a host path for the Path key of a .trashinfo file.
std::string TrashInfoPathText(const std::string& path);

} // namespace Platform
