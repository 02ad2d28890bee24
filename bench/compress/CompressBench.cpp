// Our side of the compression benchmark, run by bench/compress/run.sh.
//   compress_bench gzip SRC DST          one .gz per file of SRC, mirrored under DST
//   compress_bench zip SRC ARCHIVE [PW]  one archive of SRC (AES-256 with a password)
//   compress_bench encrypt SRC DST PW    one AES-256 stream per file of SRC, mirrored under DST
// Prints the elapsed seconds.

#include "engine/Encryption.h"
#include "engine/GZipThread.h"
#include "engine/WinCopyThread.h"
#include "engine/ZipWrite.h"
#include "platform/FileSystem.h"
#include "tasks/BackupSupervision.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

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

// Runs one worker per file of source, its output mirrored under target with the suffix,
// through the run's supervision as the backup walk does (with the listing of the file).
template <typename TMakeWorker>
int EachFile(const fs::path& source, const fs::path& target, const std::string& suffix, TMakeWorker make)
{
    TBackupSupervision supervision;
    int failed = 0;
    for (const auto& entry : fs::recursive_directory_iterator(source)) {
        const fs::path out = target / entry.path().lexically_relative(source);
        if (entry.is_directory()) {
            fs::create_directories(out);
            continue;
        }
        std::unique_ptr<TCopyThread> worker = make(Win(entry.path()), Win(out.string() + suffix));
        Platform::TFindData listing;
        if (Platform::GetFindData(worker->Source, listing))
            worker->SourceListing = listing;
        failed += supervision.WaitForCopy(std::move(worker)) != 0;
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
    std::vector<fs::directory_entry> entries(fs::recursive_directory_iterator(source), {});
    std::size_t offered = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].is_directory()) {
            zip.AddDirectory(Win(entries[i].path()));
            continue;
        }
        // The files that come next are offered as the backup walk offers them.
        for (offered = std::max(offered, i); offered < entries.size() && zip.AheadHasRoom(); ++offered) {
            Platform::TFindData listing;
            const std::string name = Win(entries[offered].path());
            if (!entries[offered].is_directory() && Platform::GetFindData(name, listing))
                zip.CompressAhead(name, listing);
        }
        zip.AddFile(Win(entries[i].path()));
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
