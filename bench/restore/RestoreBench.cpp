// Restores generated backups with the restore run and compares the times with peers on
// the same backup in the same run:
//   1. a plain clone backup restored to a folder, against cp -a of the backup folder;
//   2. a gzip backup restored to a folder, against gzip -dc of every file.
// Both trees are made by our own backup walk first.
//
// usage: restore_bench FOLDER [FILES]
#include "platform/Drives.h"
#include "restore/Restore.h"
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

// Nested folders of small files (a few KiB, text-like so that gzip has work) and a few large ones.
void MakeTree(const std::string& root, int files)
{
    uint64_t x = 0x9E3779B97F4A7C15ull;
    std::vector<char> data;
    for (int i = 0; i < files; ++i) {
        const std::string folder =
            root + "/d" + std::to_string(i % 40) + "/s" + std::to_string(i % 23) + "/t" + std::to_string(i % 3);
        fs::create_directories(folder);
        data.resize(i % 1000 == 999 ? 8u << 20 : static_cast<size_t>(x % 12000));
        for (char& c : data) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            c = static_cast<char>('a' + x % 16);
        }
        std::ofstream(folder + "/f" + std::to_string(i) + ".txt", std::ios::binary)
            .write(data.data(), static_cast<std::streamsize>(data.size()));
    }
}

std::string Win(const std::string& host)
{
    return Platform::HostToWin(host).value();
}

void Backup(const std::string& source, const std::string& destRoot, bool compress, TBackupLog& log)
{
    TBackupTask task;
    task.Compress = compress;
    task.DestMode = DestCloneOfSource;
    TExtensionList entry;
    TBackupSupervision supervision;
    TBackupWalk walk(task, log, supervision);
    walk.CompSize = 0;
    walk.RunDate = Date();
    TWalkCounters counters;
    TWalkContext ctx(entry, counters);
    ctx.SourceBase = Win(source);
    ctx.DestBase = DestinationBase(Win(destRoot), ctx.SourceBase, task.DestMode);
    Platform::ForceDirectories(ctx.DestBase);
    walk.BackupDir(ctx, "", GetDirFileTimes(ctx.SourceBase), faDirectory);
}

void Restore(const std::string& backup, const std::string& dest, TBackupLog& log)
{
    NullProgressView progress;
    NullStatusView status;
    TRestoreRun run(log, progress, status, nullptr);
    run.Options.Overwrite = OverwriteAll;
    if (run.RunRestore(Win(backup), Win(dest), false, false, true, 0) != RestoreOk) {
        std::fprintf(stderr, "restore failed\n");
        std::exit(1);
    }
}

void Report(const char* what, double ours, double peer, const char* peerName)
{
    std::printf("%-30s ours %7.3f s   %-12s %7.3f s   ratio %.2f\n", what, ours, peerName, peer, ours / peer);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: restore_bench FOLDER [FILES]\n");
        return 2;
    }
    const std::string work = argv[1];
    const int files = argc > 2 ? std::atoi(argv[2]) : 20000;
    const std::string source = work + "/src";
    MakeTree(source, files);
    TBackupLog log;
    Backup(source, work + "/plain", false, log);
    Backup(source, work + "/gz", true, log);
    const std::string plainBackup =
        Platform::WinToHost(DestinationBase(Win(work + "/plain"), Win(source), DestCloneOfSource)).value();
    const std::string gzBackup =
        Platform::WinToHost(DestinationBase(Win(work + "/gz"), Win(source), DestCloneOfSource)).value();
    Shell("sync");
    std::printf("tree: %d files\n", files);

    const double ours = Seconds([&] { Restore(plainBackup, work + "/r1", log); });
    const double cp = Seconds([&] { Shell("cp -a '" + plainBackup + "' '" + work + "/cp'"); });
    Report("1. plain clone restore", ours, cp, "cp -a");

    const double oursGz = Seconds([&] { Restore(gzBackup, work + "/r2", log); });
    const std::string peer = "cd '" + gzBackup + "' && find . -type d -exec mkdir -p '" + work +
                             "/gzpeer/{}' \\; && find . -name '*.gz' -print0 | xargs -0 -n 64 sh -c "
                             "'for f; do gzip -dc \"$f\" > \"" +
                             work + "/gzpeer/${f%.gz}\"; done' sh";
    const double gz = Seconds([&] { Shell(peer); });
    Report("2. gzip restore", oursGz, gz, "gzip -dc");
    return 0;
}
