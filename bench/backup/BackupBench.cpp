// Backs up a generated tree with the walk (clone of the source, plain copy) and
// compares the times with cp -a and rsync -a on the same tree in the same run:
//   1. the first full backup, against cp -a and rsync -a;
//   2. a re-run with nothing changed, against rsync -a;
//   3. a re-run after touching 1% of the files, against rsync -a.
//
// usage: backup_bench FOLDER [FILES] [LARGE-MiB]

#include "platform/Drives.h"
#include "tasks/BackupSelection.h"
#include "tasks/BackupWalk.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(const std::function<void()>& work)
{
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void Shell(const std::string& command)
{
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
}

void Fill(std::vector<char>& data, uint64_t& x)
{
    for (char& c : data) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        c = static_cast<char>('a' + x % 26);
    }
}

// Nested folders of small files (a few KiB, some empty) and a few large ones.
std::vector<std::string> MakeTree(const std::string& root, int files, int largeMiB)
{
    std::vector<std::string> names;
    uint64_t x = 0x9E3779B97F4A7C15ull;
    std::vector<char> data;
    for (int i = 0; i < files; ++i) {
        const std::string folder =
            root + "/d" + std::to_string(i % 40) + "/s" + std::to_string(i % 23) + "/t" + std::to_string(i % 3);
        fs::create_directories(folder);
        const bool large = i % 1000 == 999;
        data.resize(large ? static_cast<size_t>(largeMiB) << 20 : static_cast<size_t>(x % 12000));
        Fill(data, x);
        const std::string name = folder + "/f" + std::to_string(i) + (i % 5 == 0 ? ".txt" : ".dat");
        std::ofstream(name, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
        names.push_back(name);
    }
    return names;
}

std::string Win(const std::string& host)
{
    return Platform::HostToWin(host).value();
}

TWalkCounters Backup(const std::string& source, const std::string& destRoot, TBackupLog& log)
{
    TBackupTask task;
    task.Compress = false;
    task.DestMode = DestCloneOfSource;
    TExtensionList entry;
    TBackupSupervision supervision;
    TBackupWalk walk(task, log, supervision);
    walk.RunDate = Date();
    TWalkCounters counters;
    TWalkContext ctx(entry, counters);
    ctx.SourceBase = Win(source);
    ctx.DestBase = DestinationBase(Win(destRoot), ctx.SourceBase, task.DestMode);
    Platform::ForceDirectories(ctx.DestBase);
    walk.BackupDir(ctx, "", GetDirFileTimes(ctx.SourceBase), faDirectory);
    if (counters.Errors != 0) {
        std::fprintf(stderr, "backup: %u errors\n", counters.Errors);
        std::exit(1);
    }
    return counters;
}

void Report(const char* what, double ours, double peer, const char* peerName)
{
    std::printf("%-34s ours %7.3f s   %-8s %7.3f s   ratio %.2f\n", what, ours, peerName, peer, ours / peer);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: backup_bench FOLDER [FILES] [LARGE-MiB]\n");
        return 2;
    }
    const std::string work = argv[1];
    const int files = argc > 2 ? std::atoi(argv[2]) : 20000;
    const int largeMiB = argc > 3 ? std::atoi(argv[3]) : 16;
    const std::string source = work + "/src";
    const std::vector<std::string> names = MakeTree(source, files, largeMiB);
    Shell("sync");
    std::printf("tree: %d files, %s\n", files,
                [&] {
                    uintmax_t bytes = 0;
                    for (const auto& n : names) {
                        bytes += fs::file_size(n);
                    }
                    return std::to_string(bytes >> 20) + " MiB";
                }()
                    .c_str());

    TBackupLog log;
    log.LogPath = Win(work + "/bench.log");
    log.OpenLog(LogShort, false, false);

    const std::string ours = work + "/ours";
    fs::create_directories(ours);
    const double firstOurs = Seconds([&] { Backup(source, ours, log); });
    const double firstCp = Seconds([&] { Shell("cp -a '" + source + "' '" + work + "/cp'"); });
    const double firstRsync = Seconds([&] { Shell("rsync -a '" + source + "/' '" + work + "/rsync/'"); });
    Report("1. first backup", firstOurs, firstCp, "cp -a");
    Report("1. first backup", firstOurs, firstRsync, "rsync -a");

    double againOurs = 0;
    const double againWalk = Seconds([&] {
        const TWalkCounters counters = Backup(source, ours, log);
        if (counters.Copied != 0) {
            std::fprintf(stderr, "re-run copied %u files\n", counters.Copied);
        }
    });
    againOurs = againWalk;
    const double againRsync = Seconds([&] { Shell("rsync -a '" + source + "/' '" + work + "/rsync/'"); });
    Report("2. re-run, nothing changed", againOurs, againRsync, "rsync -a");

    const auto later = fs::file_time_type::clock::now() + std::chrono::seconds(10);
    for (size_t i = 0; i < names.size(); i += 100) {
        fs::last_write_time(names[i], later);
    }
    TWalkCounters touched;
    const double touchedOurs = Seconds([&] { touched = Backup(source, ours, log); });
    const double touchedRsync = Seconds([&] { Shell("rsync -a '" + source + "/' '" + work + "/rsync/'"); });
    Report("3. re-run, 1% touched", touchedOurs, touchedRsync, "rsync -a");
    std::printf("   (%u files copied by the re-run)\n", touched.Copied);
    log.CloseLog();
    return 0;
}
