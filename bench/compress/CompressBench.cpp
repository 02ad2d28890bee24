// Our side of the compression benchmark, run by bench/compress/run.sh.
//   compress_bench gzip SRC DST          one .gz per file of SRC, mirrored under DST
//   compress_bench zip SRC ARCHIVE [PW]  one archive of SRC (AES-256 with a password)
//   compress_bench encrypt SRC DST PW    one AES-256 stream per file of SRC, mirrored under DST
// Prints the elapsed seconds.

#include "engine/Encryption.h"
#include "engine/GZipThread.h"
#include "engine/WinCopyThread.h"
#include "engine/ZipWrite.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr int32_t BufferSize = 0x40000;

std::string Win(const fs::path& host)
{
    std::string text = "C:" + host.string();
    for (char& c : text)
        if (c == '/')
            c = '\\';
    return text;
}

// Runs one worker per file of source, its output mirrored under target with the suffix.
template <typename TMakeWorker>
int EachFile(const fs::path& source, const fs::path& target, const std::string& suffix, TMakeWorker make)
{
    int failed = 0;
    for (const auto& entry : fs::recursive_directory_iterator(source)) {
        const fs::path out = target / entry.path().lexically_relative(source);
        if (entry.is_directory()) {
            fs::create_directories(out);
            continue;
        }
        auto worker = make(Win(entry.path()), Win(out.string() + suffix));
        worker->Start();
        WaitForWorkerEnd(*worker);
        failed += worker->StatusCode != 0;
    }
    return failed;
}

int GZipTree(const fs::path& source, const fs::path& target)
{
    return EachFile(source, target, ".gz", [](const std::string& from, const std::string& to) {
        return std::make_unique<TGZipThread>(from, to, nullptr, BufferSize);
    });
}

int EncryptTree(const fs::path& source, const fs::path& target, const std::string& password)
{
    TEncryption encryption(password, BufferSize, 3);
    return EachFile(source, target, ".enc", [&encryption](const std::string& from, const std::string& to) {
        return std::make_unique<TWinCopyThread>(from, to, &encryption, false, false, BufferSize);
    });
}

int ZipTree(const fs::path& source, const fs::path& archive, const std::string& password)
{
    TZipWrite zip(Win(archive), Win(source), password, 3, BufferSize);
    for (const auto& entry : fs::recursive_directory_iterator(source)) {
        if (entry.is_directory())
            zip.AddDirectory(Win(entry.path()));
        else
            zip.AddFile(Win(entry.path()));
    }
    zip.Close();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s gzip SRC DST | zip SRC ARCHIVE [PASSWORD] | encrypt SRC DST PASSWORD\n",
                     argv[0]);
        return 2;
    }
    const std::string mode = argv[1];
    const auto start = std::chrono::steady_clock::now();
    int failed = 0;
    try {
        const std::string password = argc > 4 ? argv[4] : "";
        if (mode == "gzip")
            failed = GZipTree(argv[2], argv[3]);
        else if (mode == "encrypt")
            failed = EncryptTree(argv[2], argv[3], password);
        else
            failed = ZipTree(argv[2], argv[3], password);
    } catch (const EZipError& e) {
        std::fprintf(stderr, "%s (%x)\n", e.what(), e.Code);
        return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.3f\n", seconds);
    return failed == 0 ? 0 : 1;
}
