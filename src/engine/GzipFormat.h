#pragma once

#include "engine/LittleEndian.h"

#include <cstdint>
#include <functional>
#include <string>

// The single-member gzip layout the program writes and reads. Bit 0x20 of FLG
// (reserved in the published format) marks a body held in the encrypted stream.

inline constexpr uint8_t GzFlagHeaderCrc = 0x02;
inline constexpr uint8_t GzFlagExtra = 0x04;
inline constexpr uint8_t GzFlagName = 0x08;
inline constexpr uint8_t GzFlagComment = 0x10;
inline constexpr uint8_t GzFlagEncrypted = 0x20;

inline constexpr size_t GzFixedHeaderSize = 10;
inline constexpr size_t GzTrailerSize = 8;
// Stored names longer than this are not used as output names.
inline constexpr size_t GzMaxNameLength = 1024;

struct TGzFileInfo
{
    std::string Name; // FNAME as stored (ANSI bytes), empty when absent
    uint32_t MTime = 0;
    uint32_t ISize = 0;
    bool Encrypted = false;
    // Laid out as GzHeader writes it: deflate, XFL 0, OS 0, no extra field, comment or
    // header CRC.
    bool OwnLayout = false;
};

// Header with FNAME when the name is not empty; OS 0 and XFL 0.
TBytes GzHeader(const std::string& storedName, uint32_t mtime, bool encrypted);
// CRC-32 (0 for encrypted bodies) and the size modulo 2^32.
TBytes GzTrailer(uint32_t crc, uint64_t size);

// Reads exactly size bytes; false when the source ends early or fails.
using TReadExact = std::function<bool(uint8_t* data, size_t size)>;

enum class TGzHeaderResult
{
    Ok,
    BadMagic,
    ReadError
};

// Reads the header; on Ok `headerSize` is the offset of the first body byte.
// FEXTRA, FCOMMENT and FHCRC are skipped; the header CRC is not checked.
TGzHeaderResult ParseGzHeader(const TReadExact& read, TGzFileInfo& info, uint64_t& headerSize);

// The file name a gunzip writes: the stored name's last path component, or the
// archive's own name without its last extension when that is empty, ".", "..",
// or too long. Never leaves the destination folder.
std::string GunzipOutputName(const std::string& storedName, const std::string& archiveFileName);
