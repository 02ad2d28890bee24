// libFuzzer target for what an FTP server says about data connections and files: the port of
// EPSV and PASV replies and the facts of MLSD lines (type, size, modify). Input: one selector
// byte, then the server's text.

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
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    switch (data[0] % 3) {
    case 0: {
        // a port is never 0: that would let the system pick one
        uint16_t port = 0;
        if ((ParseEpsvPort(text, port) && port == 0) || (ParsePasvPort(text, port) && port == 0)) {
            std::abort();
        }
        break;
    }
    case 1: {
        TFtpListItem item;
        if (ParseMlsdLine(text, item) &&
            (item.Name.empty() || item.Name == "." || item.Name == ".." || item.Size < -1 ||
             item.Name.find_first_of(std::string("/\r\n\0", 4)) != std::string::npos)) {
            std::abort();
        }
        break;
    }
    default: {
        // a time that was read is written so that it reads back the same
        int64_t unixTime = 0;
        int64_t again = 0;
        if (ParseFtpTimeValue(text, unixTime) &&
            (!ParseFtpTimeValue(FormatFtpTimeValue(unixTime), again) || again != unixTime)) {
            std::abort();
        }
        break;
    }
    }
    return 0;
}
