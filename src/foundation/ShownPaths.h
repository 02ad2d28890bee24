#pragma once

// Paths as people see them. The program keeps the stand-in's Windows path text
// ("C:\home\ann\Documents", see platform/Drives.h); texts shown in windows, message
// boxes and the log carry host paths ("/home/ann/Documents") instead. The conversion
// finds the paths inside a finished text, so that callers compose their texts as before:
// a path begins with a drive ("E:\") and runs to the end of the text or to a character
// that Windows forbids in names. Network shares ("\\server\share\dir") and volume labels
// (":BACKUP:\dir") stay as written, and so does a drive the table does not know.

#include <string>

// Drive paths inside a text shown in a window or a message box, as host paths.
std::string HostPathsInText(const std::string& text);

// The same for a line of the log, where the relative names of files and folders
// ("Copy: sub\file.txt") become host names too ("sub/file.txt").
std::string HostPathsInLogLine(const std::string& line);

// A row of a restore or clean-up list: a file name, a folder of the backup relative to
// the chosen backup folder ("..\sub\dir" becomes "sub/dir/"), or a whole path.
std::string ShownListEntry(const std::string& text);

// A folder of a window's input field as shown: its host path ("/home/ann"); a text that is
// no path of a known drive (a volume label, a share) and an empty one stay as they are.
std::string ShownFolderText(const std::string& win);

// The Windows text of what a person typed in such a field: a host path ("/...") converted,
// anything else (a volume label, a share, a Windows path) as typed, trimmed.
std::string FolderOfShownText(const std::string& shown);

// A command of a task as shown in its field: its program (the first item) as a host path,
// in double quotes when it holds a blank; the arguments stay as written.
std::string ShownCommandText(const std::string& command);

// The command of such a field as the task file keeps it: a program given as a host path
// becomes Windows text; anything else stays as typed, trimmed.
std::string CommandOfShownText(const std::string& shown);
