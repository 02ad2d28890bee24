// libFuzzer target for the text of stored passwords and the encrypted stream reader.
// Input: the stored text, or (first byte odd) a stream with its announced length
// taken from the first byte.

#include "engine/Encryption.h"
#include "engine/StoredPassword.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (size > 0 && (data[0] & 1) != 0) {
        TEncryption encryption("fuzz", 64, 1);
        TMemoryStream source(std::vector<std::uint8_t>(data + 1, data + size));
        TMemoryStream target;
        const auto total = static_cast<std::int64_t>(size) - 1 + static_cast<std::int8_t>(data[0]) / 2;
        encryption.Decrypt(source, &target, total);
        if (target.Size() > static_cast<std::int64_t>(size)) {
            std::abort();
        }
        return 0;
    }
    // Without a key only the Ascii85 and block checks run, so every path is reached.
    const std::string plain = DecryptPassword("", text);
    if (plain.size() > 4 * size) {
        std::abort();
    }
    static const std::string key = DecodeHexKey(TaskFileKeyHex);
    DecryptPassword(key, text);
    return 0;
}
