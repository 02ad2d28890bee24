// libFuzzer target for the gzip reader: header, output name and raw inflate of the body.

#include "engine/Deflate.h"
#include "engine/GzipFormat.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    size_t pos = 0;
    const TReadExact read = [&](uint8_t* out, size_t count) {
        if (size - pos < count)
            return false;
        std::memcpy(out, data + pos, count);
        pos += count;
        return true;
    };
    TGzFileInfo info;
    uint64_t headerSize = 0;
    if (ParseGzHeader(read, info, headerSize) != TGzHeaderResult::Ok)
        return 0;
    if (headerSize > size || info.Name.size() > GzMaxNameLength + 1)
        std::abort();
    // Whatever the header says, the output stays a plain name inside the folder.
    const std::string name = GunzipOutputName(info.Name, "archive.gz");
    if (name.empty() || name == "." || name == ".." || name.find_first_of("/\\") != std::string::npos)
        std::abort();

    TRawInflater inflater(4096);
    size_t at = headerSize;
    for (int rounds = 0; rounds < 100000; ++rounds) {
        const TRawInflater::TResult result = inflater.Inflate(data + at, size - at);
        const size_t rest = inflater.Pending();
        if (rest > size - at)
            std::abort();
        at = size - rest;
        if (result != TRawInflater::TResult::Ok || (inflater.OutputSize() == 0 && rest == 0))
            break;
    }
    return 0;
}
