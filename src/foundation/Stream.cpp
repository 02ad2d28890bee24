#include "foundation/Stream.h"

#include <algorithm>
#include <cstring>

bool TStream::ReadExact(void* buffer, int64_t count)
{
    auto* at = static_cast<uint8_t*>(buffer);
    while (count > 0) {
        const int64_t got = Read(at, count);
        if (got <= 0) {
            return false;
        }
        at += got;
        count -= got;
    }
    return true;
}

bool TStream::WriteExact(const void* buffer, int64_t count)
{
    return count <= 0 || Write(buffer, count) == count;
}

int64_t TMemoryStream::Read(void* buffer, int64_t count)
{
    if (count < 0) {
        return -1;
    }
    const int64_t available = std::max<int64_t>(0, Size() - Pos);
    const int64_t n = std::min(count, available);
    if (n > 0) {
        std::memcpy(buffer, Data.data() + Pos, static_cast<size_t>(n));
        Pos += n;
    }
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count)
{
    if (count < 0) {
        return -1;
    }
    if (count == 0) {
        return 0;
    }
    const auto end = static_cast<size_t>(Pos + count);
    if (end > Data.size()) {
        Data.resize(end);
    }
    std::memcpy(Data.data() + Pos, buffer, static_cast<size_t>(count));
    Pos += count;
    return count;
}

bool TMemoryStream::Seek(int64_t position)
{
    if (position < 0) {
        return false;
    }
    Pos = position;
    return true;
}
