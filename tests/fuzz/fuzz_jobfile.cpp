// libFuzzer target for the restore (".rsj") and clean-up (".cuj") task-file readers.
// Whatever the input, reading must not crash, and a task that was read and written must
// be written the same again after reading it back.

#include "FuzzFolder.h"
#include "platform/FileSystem.h"
#include "restore/CleanUpTask.h"
#include "restore/RestoreTask.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>

namespace {

std::string Written(const std::string& file, const std::function<bool(const std::string&)>& save)
{
    Platform::DeleteFile(file);
    std::string text;
    if (!save(file) || Platform::ReadWholeFile(file, text) != 0) {
        std::abort();
    }
    return text;
}

void RestoreRoundTrip(const TFuzzFolder& files)
{
    TRestoreOptions options;
    TFtpParams ftp;
    if (!LoadRestoreTask(files.File("in"), options, ftp)) {
        return;
    }
    const auto save = [&](const std::string& file) {
        return SaveRestoreTask(file, options, ftp, "Tessaro", "fuzz") == 0;
    };
    const std::string first = Written(files.File("one"), save);
    options = {};
    ftp = {};
    if (!LoadRestoreTask(files.File("one"), options, ftp) || Written(files.File("two"), save) != first) {
        std::abort();
    }
}

void CleanUpRoundTrip(const TFuzzFolder& files)
{
    TCleanUpSettings settings;
    if (!LoadCleanUpTask(files.File("in"), settings)) {
        return;
    }
    const auto save = [&](const std::string& file) { return SaveCleanUpTask(file, settings, "Tessaro", "fuzz"); };
    const std::string first = Written(files.File("one"), save);
    settings = {};
    if (!LoadCleanUpTask(files.File("one"), settings) || Written(files.File("two"), save) != first) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const TFuzzFolder files;
    if (Platform::WriteFileAtomic(files.File("in"), std::string(reinterpret_cast<const char*>(data), size)) != 0) {
        return 0;
    }
    RestoreRoundTrip(files);
    CleanUpRoundTrip(files);
    return 0;
}
