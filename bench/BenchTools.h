#pragma once

// Pieces the benchmarks share: a stopwatch, a shell step that must succeed, a generated
// tree, a clone backup made by our own walk and the report line. Header only, because
// bench/common.sh builds each benchmark from its one source file.

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

namespace Bench {

inline double Seconds(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline void Shell(const std::string& command)
{
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
}

inline std::string Win(const std::string& host)
{
    return Platform::HostToWin(host).value();
}

// Nested folders of small files (a few KiB, some empty, text-like so that gzip has work)
// and one large file in every thousand. letters: how many different letters the text uses.
inline std::vector<std::string> MakeTree(const std::string& root, int files, size_t largeBytes, int letters)
{
    std::vector<std::string> names;
    uint64_t x = 0x9E3779B97F4A7C15ull;
    std::vector<char> data;
    for (int i = 0; i < files; ++i) {
        const std::string folder =
            root + "/d" + std::to_string(i % 40) + "/s" + std::to_string(i % 23) + "/t" + std::to_string(i % 3);
        std::filesystem::create_directories(folder);
        data.resize(i % 1000 == 999 ? largeBytes : static_cast<size_t>(x % 12000));
        for (char& c : data) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            c = static_cast<char>('a' + x % static_cast<uint64_t>(letters));
        }
        const std::string name = folder + "/f" + std::to_string(i) + (i % 5 == 0 ? ".txt" : ".dat");
        std::ofstream(name, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
        names.push_back(name);
    }
    return names;
}

// A clone-of-source backup of source below destRoot (host paths) by the backup walk,
// compressing every file when asked; exits on any error.
inline TWalkCounters BackupClone(const std::string& source, const std::string& destRoot, bool compress, TBackupLog& log)
{
    TBackupTask task;
    task.Compress = compress;
    task.DestMode = DestCloneOfSource;
    TExtensionList entry;
    TBackupSupervision supervision;
    TBackupWalk walk(task, log, supervision);
    if (compress) {
        walk.CompSize = 0;
    }
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

inline void Report(const char* what, double ours, double peer, const char* peerName)
{
    std::printf("%-34s ours %7.3f s   %-12s %7.3f s   ratio %.2f\n", what, ours, peerName, peer, ours / peer);
}

} // namespace Bench
