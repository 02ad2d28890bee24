#pragma once

// The program's help: HTML pages per language in a help folder, shown by the window that
// the window layer registers (HelpWindow.h). LoadHtmlHelp finds the folder once;
// without a folder or a viewer help calls do nothing but tell the user.
//
//   HtmlHelp("tasks")   shows resources/help/<lang>/tasks.html (English when missing)
//   CloseAllHelp()      closes the help window (the main window does at its end)

#include <functional>
#include <string>
#include <vector>

// Where the installed pages are, as the loader's configured value: the token
// %SYSTEMROOT% stands for the system's own folder (/usr).
inline constexpr const char* InstalledHelpFolder = "%SystemRoot%\\share\\tessaro\\help";

// A value beginning with %SYSTEMROOT% (any case) gets the Windows folder (without its
// trailing "\") in place of the token; other values stay as they are.
std::string ExpandSystemRoot(const std::string& value, const std::string& windowsDir);

// The first candidate folder that exists: the expanded configured value, then the
// fallbacks in order; empty when none exists.
std::string FindHelpFolder(const std::string& configured, const std::string& windowsDir,
                           const std::vector<std::string>& fallbacks);

// The page file (Windows text) of a topic: <folder>\<lang>\<topic>.html, else the
// English page, else empty.
std::string HelpPageFile(const std::string& folder, const std::string& lang, const std::string& topic);

// Finds the help folder once (the installed one, next to the program, the source tree).
// Does nothing when it is already loaded. True when a folder was found.
bool LoadHtmlHelp();
void UnloadHtmlHelp();
bool HtmlHelpLoaded();
std::string HtmlHelpFolder();

// The viewer of a page (Windows text); registered by the window layer.
using THelpViewer = std::function<void(const std::string& pageFile)>;
void SetHelpViewer(THelpViewer viewer, std::function<void()> closeAll);

// Shows a topic; "Help is not available on this system!" when no page is found.
// False when nothing was shown.
bool HtmlHelp(const std::string& topic);
void CloseAllHelp();

// The language of the pages: the translation language, "en" when none is set.
void SetHelpLanguage(const std::string& lang);
