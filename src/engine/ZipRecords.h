#pragma once

#include "engine/LittleEndian.h"

#include <cstdint>
#include <string>
#include <vector>

// Byte layout of the zip records the archive writer produces: local and central
// headers with their Zip64 and AES extra fields, and the end records.

inline constexpr uint32_t ZipLocalSignature = 0x04034B50;
inline constexpr uint32_t ZipCentralSignature = 0x02014B50;
inline constexpr uint32_t ZipEndSignature = 0x06054B50;
inline constexpr uint32_t Zip64EndSignature = 0x06064B50;
inline constexpr uint32_t Zip64LocatorSignature = 0x07064B50;

inline constexpr uint16_t ZipMethodStored = 0;
inline constexpr uint16_t ZipMethodDeflate = 8;
inline constexpr uint16_t ZipMethodAes = 99;

inline constexpr uint16_t ZipFlagEncrypted = 0x0001;
inline constexpr uint16_t ZipFlagMaxCompression = 0x0002;
inline constexpr uint16_t ZipFlagUtf8Name = 0x0800;

inline constexpr uint16_t ZipVersionDefault = 20;
inline constexpr uint16_t ZipVersionZip64 = 45;

inline constexpr size_t ZipLocalHeaderSize = 30;
inline constexpr size_t ZipCentralHeaderSize = 46;
inline constexpr size_t ZipEndRecordSize = 22;
inline constexpr size_t ZipLocalZip64ExtraSize = 20;
inline constexpr size_t ZipAesExtraSize = 11;

// Files above this size get Zip64 local headers: their size, read before the
// copy, may still grow, and deflate may expand incompressible data a little.
inline constexpr uint64_t Zip64FileSizeLimit = 0xFF000000;

// 1980-01-01 00:00, the earliest time the DOS date field holds.
inline constexpr uint32_t ZipEarliestDosTime = 0x00210000;

// A 32-bit field holding this value means "see the Zip64 record", so the value
// itself must move into the Zip64 extra as well.
inline bool NeedsZip64(uint64_t value)
{
    return value >= 0xFFFFFFFF;
}

// One entry of the archive's directory, kept until Close writes the central directory.
struct TPkHeader
{
    uint32_t DosTime = 0;
    uint32_t Crc = 0;
    uint16_t Flags = 0;
    uint16_t Attributes = 0;
    uint16_t Method = 0;
    uint64_t Offset = 0;
    uint64_t CompressedSize = 0;
    uint64_t UncompressedSize = 0;
    bool Zip64 = false;

    TPkHeader() = default;
    TPkHeader(uint32_t dosTime, uint32_t crc, uint16_t attributes, uint16_t flags, uint16_t method, uint64_t offset,
              uint64_t compressedSize, uint64_t uncompressedSize);
};

// Extra field 0x9901: vendor version AE-2, vendor "AE", AES strength 1..3, actual method deflate.
TBytes AesExtraField(uint8_t strength);

// Local header + name + (Zip64 extra) + (AES extra). CRC and sizes are written as 0
// and patched after the data by LocalHeaderPatch.
struct TLocalHeaderSpec
{
    std::string Name; // bytes as stored
    uint32_t DosTime = ZipEarliestDosTime;
    uint16_t Flags = 0;
    uint16_t Method = ZipMethodStored;
    bool Zip64 = false;
    const TBytes* AesExtra = nullptr;
};
TBytes LocalHeader(const TLocalHeaderSpec& spec);

// The byte runs that replace the zero CRC and sizes of a local header once the data
// is written, and where they go relative to the header's start.
struct TLocalPatch
{
    uint64_t RelativeOffset = 0;
    TBytes Bytes;
};
std::vector<TLocalPatch> LocalHeaderPatches(const TPkHeader& header, size_t nameLength, bool localZip64,
                                            bool keepCrcZero);

// Central header + name + (Zip64 extra with the values that need it) + (AES extra).
TBytes CentralHeader(const std::string& name, const TPkHeader& header, const TBytes* aesExtra);

// End of central directory; preceded by the Zip64 end record and locator when
// the directory ends beyond 4 GiB or the entry count does not fit 16 bits.
TBytes EndRecords(uint64_t entries, uint64_t directoryOffset, uint64_t directoryEnd);
