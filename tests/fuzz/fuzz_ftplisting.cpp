// libFuzzer target for the parsers of what an FTP server sends: listings (MLSD and both LIST
// forms) and quoted paths of 257 replies. Input: one flag byte, then the server's text.

#include "platform/FtpClient.h"
#include "platform/FtpListing.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const bool machine = (data[0] & 1) != 0;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    for (const TFtpListItem& item : ParseListing(text, machine, 1700000000)) {
        // a listed name never leads out of the folder and never is empty
        if (item.Name.empty() || item.Name == "." || item.Name == ".." ||
            item.Name.find_first_of(std::string("/\r\n\0", 4)) != std::string::npos) {
            std::abort();
        }
    }
    std::string path;
    if (ExtractQuotedPath(text, path) && path.size() >= text.size()) {
        std::abort();
    }
    return 0;
}
