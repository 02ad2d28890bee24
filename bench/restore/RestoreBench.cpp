// Restores generated backups with the restore run and compares the times with peers on
// the same backup in the same run:
//   1. a plain clone backup restored to a folder, against cp -a of the backup folder;
//   2. a gzip backup restored to a folder, against gzip -dc of every file.
// Both trees are made by our own backup walk first. Each contender runs three times,
// alternating with its peer on a fresh destination, and its best time counts: the
// machine is noisy, and a single pair of runs was seen to differ twofold.
//
// usage: restore_bench FOLDER [FILES]
//        restore_bench --one BACKUP DESTINATION   (one restore, to profile it)
#include "../BenchTools.h"
#include "restore/Restore.h"

#include <algorithm>
#include <string>

using namespace Bench;

namespace {

constexpr int Rounds = 3;

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

// The scan of a restore alone, to tell its share of the time.
double ScanSeconds(const std::string& backup, const std::string& dest, TBackupLog& log)
{
    NullProgressView progress;
    NullStatusView status;
    TRestoreRun run(log, progress, status, nullptr);
    run.Options.Overwrite = OverwriteAll;
    TTransferList list;
    int counter = 0;
    return Seconds([&] { run.ScanRestoreDir(Win(backup), Win(dest), counter, list, AgeLimit(AgeAll, 0), {}); });
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "--one") {
        TBackupLog log;
        Restore(argv[2], argv[3], log);
        return 0;
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: restore_bench FOLDER [FILES]\n");
        return 2;
    }
    const std::string work = argv[1];
    const int files = argc > 2 ? std::atoi(argv[2]) : 20000;
    const std::string source = work + "/src";
    MakeTree(source, files, 8u << 20, 16);
    TBackupLog log;
    BackupClone(source, work + "/plain", false, log);
    BackupClone(source, work + "/gz", true, log);
    const std::string plainBackup =
        Platform::WinToHost(DestinationBase(Win(work + "/plain"), Win(source), DestCloneOfSource)).value();
    const std::string gzBackup =
        Platform::WinToHost(DestinationBase(Win(work + "/gz"), Win(source), DestCloneOfSource)).value();
    Shell("sync");
    std::printf("tree: %d files\n", files);

    double ours = 1e9;
    double cp = 1e9;
    // Each round into folders of its own, removed only at the end: ext4 makes the files
    // that follow a removal of thousands of files several times slower (it passes over the
    // inodes just freed), and would time the removal rather than the contender.
    for (int round = 0; round < Rounds; ++round) {
        const std::string n = std::to_string(round);
        Shell("sync");
        ours = std::min(ours, Seconds([&] { Restore(plainBackup, work + "/r" + n, log); }));
        Shell("sync");
        cp = std::min(cp, Seconds([&] { Shell("cp -a '" + plainBackup + "' '" + work + "/cp" + n + "'"); }));
    }
    Report("1. plain clone restore", ours, cp, "cp -a");
    const double scan = ScanSeconds(plainBackup, work + "/r0", log);
    std::printf("   (of which the scan %.3f s, %.0f %%)\n", scan, 100.0 * scan / ours);

    const double oursGz = Seconds([&] { Restore(gzBackup, work + "/r2", log); });
    const std::string peer = "cd '" + gzBackup + "' && find . -type d -exec mkdir -p '" + work +
                             "/gzpeer/{}' \\; && find . -name '*.gz' -print0 | xargs -0 -n 64 sh -c "
                             "'for f; do gzip -dc \"$f\" > \"" +
                             work + "/gzpeer/${f%.gz}\"; done' sh";
    const double gz = Seconds([&] { Shell(peer); });
    Report("2. gzip restore", oursGz, gz, "gzip -dc");
    return 0;
}
