#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Little-endian integers in byte buffers, as the gzip and zip formats store them.

using TBytes = std::vector<uint8_t>;

inline void PutLE(TBytes& out, uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline void PutLE16(TBytes& out, uint32_t value)
{
    PutLE(out, value, 2);
}

inline void PutLE32(TBytes& out, uint64_t value)
{
    PutLE(out, value, 4);
}

inline void PutLE64(TBytes& out, uint64_t value)
{
    PutLE(out, value, 8);
}

inline uint64_t GetLE(const uint8_t* p, int bytes)
{
    uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | p[i];
    return value;
}

inline uint16_t GetLE16(const uint8_t* p)
{
    return static_cast<uint16_t>(GetLE(p, 2));
}

inline uint32_t GetLE32(const uint8_t* p)
{
    return static_cast<uint32_t>(GetLE(p, 4));
}

inline uint64_t GetLE64(const uint8_t* p)
{
    return GetLE(p, 8);
}
