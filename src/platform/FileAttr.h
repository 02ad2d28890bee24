#pragma once

// Windows file attribute bits, drive type numbers and path limits, as logic sees them.

#include <cstdint>

inline constexpr std::uint32_t faReadOnly = 0x01;
inline constexpr std::uint32_t faHidden = 0x02;
inline constexpr std::uint32_t faSysFile = 0x04;
inline constexpr std::uint32_t faVolumeID = 0x08;
inline constexpr std::uint32_t faDirectory = 0x10;
inline constexpr std::uint32_t faArchive = 0x20;
inline constexpr std::uint32_t faNormal = 0x80; // accepted when setting; never reported
inline constexpr std::uint32_t faAnyFile = 0x3F;

// Returned by GetFileAttributes for a name that does not exist.
inline constexpr std::uint32_t InvalidFileAttributes = 0xFFFFFFFF;

// Drive types, numbered as Windows numbers them.
inline constexpr int DriveUnknown = 0;
inline constexpr int DriveNoRootDir = 1;
inline constexpr int DriveRemovable = 2;
inline constexpr int DriveFixed = 3;
inline constexpr int DriveRemote = 4;
inline constexpr int DriveCdrom = 5;
inline constexpr int DriveRamdisk = 6;

// Paths of more than this many UTF-16 units fail with ErrorFilenameExcedRange.
inline constexpr std::size_t MaxPathLength = 259;

inline constexpr char PathDelim = '\\';
