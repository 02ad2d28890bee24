#include "engine/GzipFormat.h"

TBytes GzHeader(const std::string& storedName, uint32_t mtime, bool encrypted)
{
    uint8_t flags = storedName.empty() ? 0 : GzFlagName;
    if (encrypted)
        flags |= GzFlagEncrypted;
    TBytes out = {0x1F, 0x8B, 8, flags};
    PutLE32(out, mtime);
    out.push_back(0); // XFL
    out.push_back(0); // OS
    if (!storedName.empty()) {
        out.insert(out.end(), storedName.begin(), storedName.end());
        out.push_back(0);
    }
    return out;
}

TBytes GzTrailer(uint32_t crc, uint64_t size)
{
    TBytes out;
    PutLE32(out, crc);
    PutLE32(out, size & 0xFFFFFFFF);
    return out;
}

namespace {

// Reads a zero-terminated field; keeps at most `keep` bytes of it.
bool ReadZeroTerminated(const TReadExact& read, std::string* text, size_t keep, uint64_t& consumed)
{
    for (;;) {
        uint8_t c = 0;
        if (!read(&c, 1))
            return false;
        ++consumed;
        if (c == 0)
            return true;
        if (text && text->size() < keep)
            text->push_back(static_cast<char>(c));
    }
}

bool Skip(const TReadExact& read, size_t count, uint64_t& consumed)
{
    uint8_t chunk[256];
    while (count > 0) {
        const size_t n = count < sizeof chunk ? count : sizeof chunk;
        if (!read(chunk, n))
            return false;
        count -= n;
        consumed += n;
    }
    return true;
}

} // namespace

TGzHeaderResult ParseGzHeader(const TReadExact& read, TGzFileInfo& info, uint64_t& headerSize)
{
    info.Name.clear();
    info.MTime = 0;
    info.Encrypted = false;
    info.OwnLayout = false;
    headerSize = 0;
    uint8_t fixed[GzFixedHeaderSize];
    if (!read(fixed, sizeof fixed))
        return TGzHeaderResult::ReadError;
    if (fixed[0] != 0x1F || fixed[1] != 0x8B)
        return TGzHeaderResult::BadMagic;
    uint64_t consumed = sizeof fixed;
    const uint8_t flags = fixed[3];
    info.MTime = GetLE32(fixed + 4);
    if (flags & GzFlagExtra) {
        uint8_t length[2];
        if (!read(length, 2) || !Skip(read, GetLE16(length), consumed))
            return TGzHeaderResult::ReadError;
        consumed += 2;
    }
    // One byte more than allowed, so an over-long name stays recognisable.
    if ((flags & GzFlagName) && !ReadZeroTerminated(read, &info.Name, GzMaxNameLength + 1, consumed))
        return TGzHeaderResult::ReadError;
    if ((flags & GzFlagComment) && !ReadZeroTerminated(read, nullptr, 0, consumed))
        return TGzHeaderResult::ReadError;
    if ((flags & GzFlagHeaderCrc) && !Skip(read, 2, consumed))
        return TGzHeaderResult::ReadError;
    info.Encrypted = (flags & GzFlagEncrypted) != 0;
    info.OwnLayout = fixed[2] == 8 && fixed[8] == 0 && fixed[9] == 0 && (flags & ~(GzFlagName | GzFlagEncrypted)) == 0;
    headerSize = consumed;
    return TGzHeaderResult::Ok;
}

namespace {

std::string LastComponent(const std::string& path)
{
    const size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string WithoutLastExtension(const std::string& name)
{
    const size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

bool UsableName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.size() <= GzMaxNameLength &&
           name.find('\0') == std::string::npos;
}

} // namespace

std::string GunzipOutputName(const std::string& storedName, const std::string& archiveFileName)
{
    std::string stored = storedName.size() > GzMaxNameLength ? std::string() : LastComponent(storedName);
    if (UsableName(stored))
        return stored;
    const std::string own = WithoutLastExtension(LastComponent(archiveFileName));
    return UsableName(own) ? own : std::string("gunzip.out");
}
