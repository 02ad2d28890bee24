#pragma once

#include "platform/FileSystem.h"

#include <cstdint>
#include <string>

// Folders, names and versions of the session, as Windows text. Each returns an empty
// text when it fails.

std::string GetWindowsDir(); // the folder of the system's own files (/usr)
std::string GetSystemDir();  // the folder of the system's programs (/usr/bin)
std::string GetTempDir();    // ends with "\"
std::string GetCurrentUserName();
std::string GetLocalComputerName();
std::string GetProfileDir(); // the home folder

// Shell special folders by their CSIDL number.
inline constexpr int CSIDL_DESKTOP = 0x0000;
inline constexpr int CSIDL_PERSONAL = 0x0005; // documents
inline constexpr int CSIDL_FAVORITES = 0x0006;
inline constexpr int CSIDL_STARTUP = 0x0007;
inline constexpr int CSIDL_MYMUSIC = 0x000D;
inline constexpr int CSIDL_MYVIDEO = 0x000E;
inline constexpr int CSIDL_DESKTOPDIRECTORY = 0x0010;
inline constexpr int CSIDL_TEMPLATES = 0x0015;
inline constexpr int CSIDL_COMMON_STARTUP = 0x0018;
inline constexpr int CSIDL_APPDATA = 0x001A;
inline constexpr int CSIDL_LOCAL_APPDATA = 0x001C;
inline constexpr int CSIDL_INTERNET_CACHE = 0x0020;
inline constexpr int CSIDL_COMMON_APPDATA = 0x0023;
inline constexpr int CSIDL_WINDOWS = 0x0024;
inline constexpr int CSIDL_SYSTEM = 0x0025;
inline constexpr int CSIDL_PROGRAM_FILES = 0x0026;
inline constexpr int CSIDL_MYPICTURES = 0x0027;
inline constexpr int CSIDL_PROFILE = 0x0028;

// XDG folders: desktop and documents from user-dirs.dirs (the home folder when the
// configured folder does not exist), favourites under the data folder, Startup =
// ~/.config/autostart, application data = the config folder, program files = /opt.
// Empty for numbers without a counterpart. No trailing delimiter.
std::string GetSpecialFolder(int csidl);

inline constexpr std::uint8_t VerPlatformWin32s = 0;
inline constexpr std::uint8_t VerPlatformWindows = 1;
inline constexpr std::uint8_t VerPlatformNT = 2;

struct TOsVersionInfo
{
    std::uint8_t Platform = VerPlatformNT;
    std::uint32_t MajorVersion = 0;
    std::uint32_t MinorVersion = 0;
    std::uint32_t BuildNumber = 0;
    std::string CSDVersion; // at most 127 characters
};

// An NT-family record of version 10.0 (every feature callers test for is present); the
// build number and text tell the kernel release.
TOsVersionInfo GetOsVersion();

struct TVersionStrings
{
    std::string CompanyName;
    std::string FileDescription;
    std::string FileVersion;
    std::string InternalName;
    std::string LegalCopyright;
    std::string Comments;
};

// Only the program's own executable carries version strings; false and an empty record
// for every other file.
bool GetFileVersionStrings(const std::string& fileName, TVersionStrings& record);

// Last-write time of a file; 0 for a folder or a missing file.
Platform::TFileTime FindFileWriteTime(const std::string& fileName);
