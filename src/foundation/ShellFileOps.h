#pragma once

#include <functional>
#include <string>

// Copying and deleting as the desktop shell does it: wildcard sources, several files at
// once, deleting into the recycle bin (the freedesktop trash). Paths are Windows text;
// a source or destination text may hold several names separated by '\0'.

inline constexpr unsigned FO_COPY = 2;
inline constexpr unsigned FO_DELETE = 3;

inline constexpr unsigned FOF_MULTIDESTFILES = 0x0001;        // one destination per source
inline constexpr unsigned FOF_SILENT = 0x0004;                // no progress reports
inline constexpr unsigned FOF_NOCONFIRMATION = 0x0010;        // no question before replacing or deleting
inline constexpr unsigned FOF_ALLOWUNDO = 0x0040;             // delete into the recycle bin
inline constexpr unsigned FOF_FILESONLY = 0x0080;             // wildcards match files only
inline constexpr unsigned FOF_NOCONFIRMMKDIR = 0x0200;        // create missing destination folders unasked
inline constexpr unsigned FOF_NOERRORUI = 0x0400;             // no message box on a failure
inline constexpr unsigned FOF_NO_CONNECTED_ELEMENTS = 0x2000; // not the "name_files" folder of a page

// Progress of a non-silent operation: the title and the item being worked on. Returns
// false to stop the operation.
using TShellProgressHook = std::function<bool(const std::string& title, const std::string& item)>;
TShellProgressHook SetShellProgressHook(TShellProgressHook hook);

// True when every item was handled.
bool ShellFileOperation(unsigned operation, const std::string& sources, const std::string& destinations, unsigned flags,
                        const std::string& title);

unsigned ShellCopyFlags(bool silent);            // 0x2695 / 0x2291
unsigned ShellDeleteFilesFlags(bool recycleBin); // 0x20D1 / 0x2091
unsigned ShellDeleteTreeFlags(bool recycleBin);  // 0x2051 / 0x2011

bool ShellCopyFiles(const std::string& sources, const std::string& destinations, bool silent, const std::string& title);
bool ShellDeleteFiles(const std::string& files, bool recycleBin, const std::string& title);
bool ShellDeleteTree(const std::string& filesOrFolders, bool recycleBin, const std::string& title);
