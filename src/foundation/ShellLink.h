#pragma once

#include <string>
#include <vector>

// Shortcut files as freedesktop .desktop entries (a ".lnk" name is stored as ".desktop",
// so that a shortcut in the Startup folder starts the program at logon). Paths are
// Windows text; the arguments are one command-line text, words quoted with '"'.

// How a launcher shows the shortcut: its name (the link's file name when empty) and its
// icon (a theme icon name or a picture file; none when empty).
struct TShellLinkLooks
{
    std::string Name;
    std::string Icon;
};

// False when the file cannot be written.
bool CreateShellLink(const std::string& linkFile, const std::string& target, const std::string& arguments,
                     const std::string& workingDir, const std::string& description, const TShellLinkLooks& looks = {});
// Values that cannot be read stay empty; false when the file holds no desktop entry.
bool ReadShellLink(const std::string& linkFile, std::string& target, std::string& arguments, std::string& workingDir,
                   std::string& description);

// The file a link name is stored in.
std::string ShellLinkFileName(const std::string& linkFile);

// Exec values: words quoted as the desktop-entry format wants them, and back.
std::string DesktopExecLine(const std::vector<std::string>& words);
std::vector<std::string> SplitDesktopExec(const std::string& exec);
// Command-line text <-> words ('"' quotes, '""' inside quotes is one '"').
std::vector<std::string> SplitCommandLine(const std::string& text);
std::string JoinCommandLine(const std::vector<std::string>& words);
