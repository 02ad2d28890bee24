// libFuzzer target for the encrypted files a restore reads: an ".enc" file (salt, verifier,
// stream, code) through the decrypt worker, and the same bytes as a ".gz" file, plain or
// with an encrypted body, through the header reader and the gunzip worker. Whatever the
// bytes, the workers end with a status and write nothing but the file they were given.

#include "FuzzFolder.h"
#include "engine/CopyThread.h"
#include "engine/Encryption.h"
#include "engine/GZipThread.h"
#include "platform/FileSystem.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

constexpr int32_t BufferSize = 64 * 1024;

struct TFuzzFiles : TFuzzFolder
{
    TFuzzFiles() { Platform::CreateDir(File("out")); }
    // The folder holds only what the last input wrote: nothing is left for the next one.
    void Clean() const
    {
        Platform::DeleteFile(File("plain"));
        Platform::DeleteFile(File("out\\plain"));
    }
};

std::uint64_t SizeOf(const std::string& file)
{
    Platform::TFindData data;
    return Platform::GetFindData(file, data) ? data.Size : 0;
}

TStatusCode RunToEnd(TCopyThread& worker)
{
    worker.Start();
    worker.WaitFor();
    return worker.StatusCode;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const TFuzzFiles files;
    static TEncryption encryption("fuzz", BufferSize, 1);
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    if (Platform::WriteFileAtomic(files.File("in.enc"), bytes) != 0 ||
        Platform::WriteFileAtomic(files.File("in.gz"), bytes) != 0) {
        return 0;
    }
    TDecryptThread decrypt(files.File("in.enc"), files.File("plain"), &encryption, BufferSize);
    if (RunToEnd(decrypt) == 0 && SizeOf(files.File("plain")) > size) {
        std::abort(); // the plaintext is never longer than the stream that carried it
    }

    TGzFileInfo info;
    if (GetGzFileInfo(files.File("in.gz"), info)) {
        TGUnZipThread gunzip(files.File("in.gz"), files.File("out"), info.Encrypted ? &encryption : nullptr,
                             BufferSize);
        gunzip.OutputFileName = "plain";
        RunToEnd(gunzip);
        if (!gunzip.OutputName.empty() && gunzip.OutputName != files.File("out\\plain")) {
            std::abort(); // the restore's name for the file, never one from the header
        }
    }
    files.Clean();
    return 0;
}
