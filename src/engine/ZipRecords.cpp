#include "engine/ZipRecords.h"

TPkHeader::TPkHeader(uint32_t dosTime, uint32_t crc, uint16_t attributes, uint16_t flags, uint16_t method,
                     uint64_t offset, uint64_t compressedSize, uint64_t uncompressedSize)
    : DosTime(dosTime), Crc(crc), Flags(flags), Attributes(attributes), Method(method), Offset(offset),
      CompressedSize(compressedSize), UncompressedSize(uncompressedSize),
      Zip64(NeedsZip64(offset) || NeedsZip64(compressedSize) || NeedsZip64(uncompressedSize))
{}

TBytes AesExtraField(uint8_t strength)
{
    TBytes out;
    PutLE16(out, 0x9901);
    PutLE16(out, 7);
    PutLE16(out, 2);
    out.push_back('A');
    out.push_back('E');
    out.push_back(strength);
    PutLE16(out, ZipMethodDeflate);
    return out;
}

TBytes LocalHeader(const TLocalHeaderSpec& spec)
{
    const size_t extraLength = (spec.Zip64 ? ZipLocalZip64ExtraSize : 0) + (spec.AesExtra ? spec.AesExtra->size() : 0);
    const uint32_t sizeField = spec.Zip64 ? 0xFFFFFFFF : 0;
    TBytes out;
    PutLE32(out, ZipLocalSignature);
    PutLE16(out, spec.Zip64 ? ZipVersionZip64 : ZipVersionDefault);
    PutLE16(out, spec.Flags);
    PutLE16(out, spec.Method);
    PutLE32(out, spec.DosTime);
    PutLE32(out, 0);
    PutLE32(out, sizeField);
    PutLE32(out, sizeField);
    PutLE16(out, static_cast<uint32_t>(spec.Name.size()));
    PutLE16(out, static_cast<uint32_t>(extraLength));
    out.insert(out.end(), spec.Name.begin(), spec.Name.end());
    if (spec.Zip64) {
        PutLE16(out, 0x0001);
        PutLE16(out, 16);
        PutLE64(out, 0);
        PutLE64(out, 0);
    }
    if (spec.AesExtra)
        out.insert(out.end(), spec.AesExtra->begin(), spec.AesExtra->end());
    return out;
}

std::vector<TLocalPatch> LocalHeaderPatches(const TPkHeader& header, size_t nameLength, bool localZip64,
                                            bool keepCrcZero)
{
    std::vector<TLocalPatch> patches;
    if (!keepCrcZero) {
        patches.push_back({14, {}});
        PutLE32(patches.back().Bytes, header.Crc);
    }
    if (localZip64) {
        // The 32-bit size fields stay 0xFFFFFFFF; the real sizes go into the Zip64 extra.
        patches.push_back({ZipLocalHeaderSize + nameLength + 4, {}});
        PutLE64(patches.back().Bytes, header.UncompressedSize);
        PutLE64(patches.back().Bytes, header.CompressedSize);
    } else {
        patches.push_back({18, {}});
        PutLE32(patches.back().Bytes, header.CompressedSize);
        PutLE32(patches.back().Bytes, header.UncompressedSize);
    }
    return patches;
}

namespace {

TBytes CentralZip64Extra(const TPkHeader& header)
{
    TBytes values;
    for (uint64_t value : {header.UncompressedSize, header.CompressedSize, header.Offset})
        if (NeedsZip64(value))
            PutLE64(values, value);
    TBytes out;
    PutLE16(out, 0x0001);
    PutLE16(out, static_cast<uint32_t>(values.size()));
    out.insert(out.end(), values.begin(), values.end());
    return out;
}

uint32_t Field32(uint64_t value)
{
    return NeedsZip64(value) ? 0xFFFFFFFF : static_cast<uint32_t>(value);
}

} // namespace

TBytes CentralHeader(const std::string& name, const TPkHeader& header, const TBytes* aesExtra)
{
    const TBytes zip64 = header.Zip64 ? CentralZip64Extra(header) : TBytes{};
    const uint16_t version = header.Zip64 ? ZipVersionZip64 : ZipVersionDefault;
    TBytes out;
    PutLE32(out, ZipCentralSignature);
    PutLE16(out, version);
    PutLE16(out, version);
    PutLE16(out, header.Flags);
    PutLE16(out, header.Method);
    PutLE32(out, header.DosTime);
    PutLE32(out, aesExtra ? 0 : header.Crc);
    PutLE32(out, Field32(header.CompressedSize));
    PutLE32(out, Field32(header.UncompressedSize));
    PutLE16(out, static_cast<uint32_t>(name.size()));
    PutLE16(out, static_cast<uint32_t>(zip64.size() + (aesExtra ? aesExtra->size() : 0)));
    PutLE16(out, 0);
    PutLE16(out, 0);
    PutLE16(out, 0);
    PutLE32(out, header.Attributes);
    PutLE32(out, Field32(header.Offset));
    out.insert(out.end(), name.begin(), name.end());
    out.insert(out.end(), zip64.begin(), zip64.end());
    if (aesExtra)
        out.insert(out.end(), aesExtra->begin(), aesExtra->end());
    return out;
}

TBytes EndRecords(uint64_t entries, uint64_t directoryOffset, uint64_t directoryEnd)
{
    const uint64_t directorySize = directoryEnd - directoryOffset;
    const bool zip64 = entries >= 0xFFFF || NeedsZip64(directoryEnd);
    TBytes out;
    if (zip64) {
        PutLE32(out, Zip64EndSignature);
        PutLE64(out, 44);
        PutLE16(out, ZipVersionZip64);
        PutLE16(out, ZipVersionZip64);
        PutLE32(out, 0);
        PutLE32(out, 0);
        PutLE64(out, entries);
        PutLE64(out, entries);
        PutLE64(out, directorySize);
        PutLE64(out, directoryOffset);
        PutLE32(out, Zip64LocatorSignature);
        PutLE32(out, 0);
        PutLE64(out, directoryEnd);
        PutLE32(out, 1);
    }
    const uint32_t count = zip64 ? 0xFFFF : static_cast<uint32_t>(entries);
    PutLE32(out, ZipEndSignature);
    PutLE16(out, 0);
    PutLE16(out, 0);
    PutLE16(out, count);
    PutLE16(out, count);
    PutLE32(out, zip64 ? Field32(directorySize) : directorySize);
    PutLE32(out, zip64 ? 0xFFFFFFFF : directoryOffset);
    PutLE16(out, 0);
    return out;
}
