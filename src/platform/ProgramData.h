#pragma once

// Where the program's own data lie: translation catalogues, help pages, icons.
// Installed, they are beside the program (<prefix>/bin/tessaro ->
// <prefix>/share/tessaro/<sub>); run from the build tree, the build's catalogues
// and the source tree's resources are used.

#include <string>

namespace Platform {

// The installed data folder <sub> that belongs to the program file; empty when the
// program was not installed with it.
std::string InstalledDataDir(const std::string& programPath, const std::string& sub);

// The folder of <sub> ("locale", "help", "icons") for the running program: the installed
// one, else the build tree's. No trailing slash.
std::string ProgramDataDir(const std::string& sub);

// True when the running program was installed (its catalogues lie beside it).
bool ProgramInstalled();

// The application icon for launchers and autostart entries: the theme name when the
// program was installed with its icons, else the drawing's file in the source tree.
std::string ProgramIconName();

} // namespace Platform
