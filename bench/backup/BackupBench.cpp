// Backs up a generated tree with the walk (clone of the source, plain copy) and
// compares the times with cp -a and rsync -a on the same tree in the same run:
//   1. the first full backup, against cp -a and rsync -a;
//   2. a re-run with nothing changed, against rsync -a;
//   3. a re-run after touching 1% of the files, against rsync -a.
//
// usage: backup_bench FOLDER [FILES] [LARGE-MiB]

#include "../BenchTools.h"

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace Bench;

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
    const std::vector<std::string> names = MakeTree(source, files, static_cast<size_t>(largeMiB) << 20, 26);
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
    const double firstOurs = Seconds([&] { BackupClone(source, ours, false, log); });
    const double firstCp = Seconds([&] { Shell("cp -a '" + source + "' '" + work + "/cp'"); });
    const double firstRsync = Seconds([&] { Shell("rsync -a '" + source + "/' '" + work + "/rsync/'"); });
    Report("1. first backup", firstOurs, firstCp, "cp -a");
    Report("1. first backup", firstOurs, firstRsync, "rsync -a");

    double againOurs = 0;
    const double againWalk = Seconds([&] {
        const TWalkCounters counters = BackupClone(source, ours, false, log);
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
    const double touchedOurs = Seconds([&] { touched = BackupClone(source, ours, false, log); });
    const double touchedRsync = Seconds([&] { Shell("rsync -a '" + source + "/' '" + work + "/rsync/'"); });
    Report("3. re-run, 1% touched", touchedOurs, touchedRsync, "rsync -a");
    std::printf("   (%u files copied by the re-run)\n", touched.Copied);
    log.CloseLog();
    return 0;
}
