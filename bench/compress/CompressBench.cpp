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
#include <deque>
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
// make(from, to, brief) makes the worker. With ahead > 0, up to that many of the files
// that come next are made early, a row at a time, and the brief ones started on the work
// pool in rows of rowLength (or of rowLength brief files' bytes), as the walk starts a
// folder's small files side by side; each is taken in its turn. Files up to briefLimit
// are brief.
template <typename TMakeWorker>
int EachFile(const fs::path& source, const fs::path& target, const std::string& suffix, TMakeWorker make,
             std::size_t ahead = 0, std::size_t rowLength = 1, std::uint64_t briefLimit = TCopyThread::BriefBytes)
{
    std::vector<fs::path> files;
    fs::create_directories(target);
    for (const auto& entry : fs::recursive_directory_iterator(source)) {
        if (entry.is_directory())
            fs::create_directories(target / entry.path().lexically_relative(source));
        else
            files.push_back(entry.path());
    }
    TBackupSupervision supervision;
    std::deque<std::unique_ptr<TCopyThread>> made;
    std::size_t next = 0;
    const auto makeNext = [&]() -> TCopyThread& {
        const fs::path& file = files[next++];
        const std::string from = Win(file);
        Platform::TFindData listing;
        const bool listed = Platform::GetFindData(from, listing);
        const bool brief = listed && listing.Size <= briefLimit;
        const fs::path out = target / file.lexically_relative(source);
        made.push_back(make(from, Win(out.string() + suffix), brief && ahead > 0));
        if (listed)
            made.back()->SourceListing = listing;
        return *made.back();
    };
    int failed = 0;
    for (std::size_t done = 0; done < files.size(); ++done) {
        if (next == done || next + rowLength <= done + ahead + 1) {
            std::vector<TCopyThread*> row;
            std::uint64_t rowBytes = 0;
            while (next < files.size() && next <= done + ahead) {
                TCopyThread& worker = makeNext();
                if (ahead > 0 && worker.IsBrief()) {
                    row.push_back(&worker);
                    rowBytes += worker.SourceListing->Size;
                }
                if (row.size() == rowLength || rowBytes >= rowLength * TCopyThread::BriefBytes) {
                    supervision.StartAhead(row);
                    row.clear();
                    rowBytes = 0;
                }
            }
            supervision.StartAhead(row);
        }
        std::unique_ptr<TCopyThread> worker = std::move(made.front());
        made.pop_front();
        failed += supervision.WaitForCopy(std::move(worker)) != 0;
    }
    return failed;
}

int GZipTree(const fs::path& source, const fs::path& target)
{
    return EachFile(source, target, ".gz", [](const std::string& from, const std::string& to, bool) {
        return std::make_unique<TGZipThread>(from, to, nullptr, BufferSize);
    });
}

int EncryptTree(const fs::path& source, const fs::path& target, const std::string& password)
{
    TEncryption encryption(password, BufferSize, 3);
    const auto make = [&encryption](const std::string& from, const std::string& to, bool brief) {
        // Brief files run side by side, each with an encryption object of its own.
        std::shared_ptr<TEncryption> lent = brief ? encryption.Lend() : nullptr;
        auto worker =
            std::make_unique<TWinCopyThread>(from, to, lent ? lent.get() : &encryption, false, false, BufferSize);
        if (lent)
            worker->OwnEncryption(std::move(lent));
        return worker;
    };
    // As the walk: up to 32 files ahead, in rows of up to 8.
    return EachFile(source, target, ".enc", make, 32, 8, TCopyThread::BriefLimit(true));
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
