#pragma once

// The scratch folder of one fuzz target: made in /tmp at the first input, removed with
// everything in it when the target ends. Paths are the Windows text the readers take.

#include "platform/Drives.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

class TFuzzFolder
{
public:
    TFuzzFolder()
    {
        char pattern[] = "/tmp/tessaro-fuzz-XXXXXX";
        if (mkdtemp(pattern) == nullptr) {
            std::abort();
        }
        hostPath = pattern;
        folder = Platform::HostToWin(hostPath).value_or("");
    }
    ~TFuzzFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(hostPath, ignored);
    }
    TFuzzFolder(const TFuzzFolder&) = delete;
    TFuzzFolder& operator=(const TFuzzFolder&) = delete;

    std::string File(const char* name) const { return folder + "\\" + name; }

private:
    std::string hostPath;
    std::string folder;
};
