// Backs up generated trees with the walk (clone of the source, plain copy) and compares
// the times with cp -a and rsync -a on the same trees in the same run:
//   1. the first full backup, against cp -a and rsync -a;
//   2. a re-run with nothing changed, against rsync -a;
//   3. a re-run after touching 1% of the files, against rsync -a;
// for 20,000 files in nested folders, 100,000 files in nested folders and 100,000
// files in one folder. Every contender runs as a process of its own: its time is the
// median of Rounds runs, its peak memory what /usr/bin/time says (a child of this
// process would inherit this process's own peak). What a run on an empty tree
// costs (process start, log, the empty walk) is its fixed start cost: it is shown on
// its own line and taken off before the ratios are formed.
//
// usage: backup_bench FOLDER [FILES] [LARGE-MiB] [BIG-FILES]
//        backup_bench --one SOURCE DESTINATION   (one backup, as the driver runs it)

#include "../BenchTools.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

using namespace Bench;
using Clock = std::chrono::steady_clock;

int Rounds()
{
    const char* text = std::getenv("BENCH_ROUNDS");
    return text ? std::max(1, std::atoi(text)) : 3;
}

struct TRun
{
    double Seconds = 0;
    double PeakMiB = 0;
};

// Runs the program under /usr/bin/time and waits for it: wall time and peak resident memory.
TRun Spawn(const std::string& work, const std::vector<std::string>& command)
{
    const std::string memory = work + "/peak.txt";
    std::vector<std::string> args = {"/usr/bin/time", "-f", "%M", "-o", memory};
    args.insert(args.end(), command.begin(), command.end());
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const auto start = Clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[0]);
        std::exit(1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    TRun run;
    run.Seconds = std::chrono::duration<double>(Clock::now() - start).count();
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "failed: %s\n", command[0].c_str());
        std::exit(1);
    }
    std::ifstream in(memory);
    double kib = 0;
    in >> kib;
    run.PeakMiB = kib / 1024.0;
    return run;
}

struct TShape
{
    int Files = 0;
    bool OneFolder = false;
    size_t LargeBytes = 0; // of one file in every thousand (nested only)
};

// 100,000 small files, some empty, in one folder.
std::vector<std::string> MakeFlatTree(const std::string& root, int files)
{
    fs::create_directories(root);
    std::vector<std::string> names;
    const std::string text(4000, 'x');
    for (int i = 0; i < files; ++i) {
        names.push_back(root + "/f" + std::to_string(i) + (i % 5 == 0 ? ".txt" : ".dat"));
        std::ofstream(names.back(), std::ios::binary)
            .write(text.data(), static_cast<std::streamsize>((static_cast<size_t>(i) * 7919) % text.size()));
    }
    return names;
}

int BackupOnce(const std::string& source, const std::string& destRoot)
{
    TBackupLog log;
    log.LogPath = Win(destRoot + ".log");
    log.OpenLog(LogShort, false, false);
    const TWalkCounters counters = BackupClone(source, destRoot, false, log);
    log.CloseLog();
    std::printf("%u copied\n", counters.Copied);
    return 0;
}

// The three contenders, each as one process from source to destination.
struct TContender
{
    const char* Name;
    std::function<std::vector<std::string>(const std::string& source, const std::string& dest)> Command;
};

std::vector<TContender> Contenders(const std::string& self)
{
    return {
        {"ours",
         [self](const std::string& s, const std::string& d) {
             return std::vector<std::string>{self, "--one", s, d};
         }},
        {"cp -a",
         [](const std::string& s, const std::string& d) {
             return std::vector<std::string>{"cp", "-a", s, d};
         }},
        {"rsync -a",
         [](const std::string& s, const std::string& d) {
             return std::vector<std::string>{"rsync", "-a", s + "/", d + "/"};
         }},
    };
}

TRun Median(std::vector<TRun> runs)
{
    std::sort(runs.begin(), runs.end(), [](const TRun& a, const TRun& b) { return a.Seconds < b.Seconds; });
    TRun median = runs[runs.size() / 2];
    for (const TRun& run : runs) {
        median.PeakMiB = std::max(median.PeakMiB, run.PeakMiB);
    }
    return median;
}

// Dirty pages of the step before would slow the next one down: flushed untimed.
TRun Timed(const std::string& work, const std::vector<std::string>& command)
{
    Shell("sync");
    return Spawn(work, command);
}

class TBench
{
public:
    TBench(std::string work, std::string self) : Work(std::move(work)), People(Contenders(self)) {}

    void MeasureFixedCost()
    {
        const std::string empty = Work + "/empty";
        fs::create_directories(empty);
        for (std::size_t c = 0; c < People.size(); ++c) {
            std::vector<TRun> runs;
            for (int r = 0; r < 5; ++r) {
                const std::string dest = Work + "/empty-dest";
                fs::remove_all(dest);
                runs.push_back(Timed(Work, People[c].Command(empty, dest)));
            }
            Fixed[c] = Median(runs);
            fs::remove_all(Work + "/empty-dest");
        }
        std::printf("fixed start cost (an empty tree): ours %.3f s, cp -a %.3f s, rsync -a %.3f s; "
                    "peak memory ours %.1f MiB, rsync -a %.1f MiB\n",
                    Fixed[0].Seconds, Fixed[1].Seconds, Fixed[2].Seconds, Fixed[0].PeakMiB, Fixed[2].PeakMiB);
        std::printf("%-34s %9s %9s %9s %7s %14s\n", "case (net of the fixed cost)", "ours", "peer", "", "ratio",
                    "peak MiB +base");
    }

    void RunShape(const char* label, const TShape& shape)
    {
        const std::string source = Work + "/src";
        const std::vector<std::string> names =
            shape.OneFolder ? MakeFlatTree(source, shape.Files) : MakeTree(source, shape.Files, shape.LargeBytes, 26);
        Shell("sync");
        const auto dest = [this](std::size_t c) { return Work + "/dest" + std::to_string(c); };

        // Each first backup into a folder of its own, the last round's kept for the re-runs
        // and the others removed only afterwards: ext4 makes the files that follow a removal
        // of thousands of files several times slower (it passes over the inodes just freed).
        std::vector<std::vector<TRun>> first(People.size());
        for (int r = 0; r < Rounds(); ++r) {
            const bool last = r + 1 == Rounds();
            for (std::size_t c = 0; c < People.size(); ++c) {
                const std::string to = last ? dest(c) : dest(c) + "-" + std::to_string(r);
                if (c == 0) {
                    fs::create_directories(to);
                }
                first[c].push_back(Timed(Work, People[c].Command(source, to)));
            }
        }
        for (int r = 0; r + 1 < Rounds(); ++r) {
            for (std::size_t c = 0; c < People.size(); ++c) {
                fs::remove_all(dest(c) + "-" + std::to_string(r));
                fs::remove(dest(c) + "-" + std::to_string(r) + ".log");
            }
        }
        Row(label, "first backup", Median(first[0]), Median(first[1]), 1);
        Row(label, "first backup", Median(first[0]), Median(first[2]), 2);

        std::vector<TRun> againOurs;
        std::vector<TRun> againRsync;
        for (int r = 0; r < Rounds(); ++r) {
            againOurs.push_back(Timed(Work, People[0].Command(source, dest(0))));
            againRsync.push_back(Timed(Work, People[2].Command(source, dest(2))));
        }
        Row(label, "re-run, unchanged", Median(againOurs), Median(againRsync), 2);

        std::vector<TRun> touchedOurs;
        std::vector<TRun> touchedRsync;
        for (int r = 0; r < Rounds(); ++r) {
            const auto later = fs::file_time_type::clock::now() + std::chrono::seconds(10 + r);
            for (size_t i = static_cast<size_t>(r); i < names.size(); i += 100) {
                fs::last_write_time(names[i], later);
            }
            touchedOurs.push_back(Timed(Work, People[0].Command(source, dest(0))));
            touchedRsync.push_back(Timed(Work, People[2].Command(source, dest(2))));
        }
        Row(label, "re-run, 1% touched", Median(touchedOurs), Median(touchedRsync), 2);
        for (std::size_t c = 0; c < People.size(); ++c) {
            fs::remove_all(dest(c));
        }
        fs::remove_all(source);
    }

private:
    void Row(const char* label, const char* what, const TRun& ours, const TRun& peer, std::size_t peerIndex)
    {
        const double oursNet = ours.Seconds - Fixed[0].Seconds;
        const double peerNet = peer.Seconds - Fixed[peerIndex].Seconds;
        std::printf("%-34s %7.3f s %7.3f s %-9s %7.2f %6.1f / %5.1f\n", (std::string(label) + " " + what).c_str(),
                    oursNet, peerNet, People[peerIndex].Name, oursNet / peerNet, ours.PeakMiB - Fixed[0].PeakMiB,
                    peer.PeakMiB - Fixed[peerIndex].PeakMiB);
        std::fflush(stdout);
    }

    std::string Work;
    std::vector<TContender> People;
    TRun Fixed[3];
};

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "--one") {
        return BackupOnce(argv[2], argv[3]);
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: backup_bench FOLDER [FILES] [LARGE-MiB] [BIG-FILES]\n");
        return 2;
    }
    const std::string work = argv[1];
    const int files = argc > 2 ? std::atoi(argv[2]) : 20000;
    const int largeMiB = argc > 3 ? std::atoi(argv[3]) : 16;
    const int bigFiles = argc > 4 ? std::atoi(argv[4]) : 100000;
    TBench bench(work, fs::canonical("/proc/self/exe").string());
    bench.MeasureFixedCost();
    bench.RunShape((std::to_string(files / 1000) + "k").c_str(), {files, false, static_cast<size_t>(largeMiB) << 20});
    if (bigFiles > 0) {
        const std::string big = std::to_string(bigFiles / 1000) + "k";
        bench.RunShape(big.c_str(), {bigFiles, false, 0});
        bench.RunShape((big + " 1 folder").c_str(), {bigFiles, true, 0});
    }
    return 0;
}
