#include "ProgramRun.h"
#include "EnvGuard.h"
#include "PeerTools.h"
#include "TempFolder.h"
#include "foundation/DateUtils.h"
#include "foundation/History.h"
#include "peers/FtpPeer.h"
#include "platform/Drives.h"
#include "platform/FolderLock.h"
#include "restore/RestoreTask.h"
#include "shell/InstanceGuard.h"
#include "tasks/RunLock.h"
#include "tasks/Settings.h"
#include "tasks/TaskFile.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

bool WaitForText(const TTempFolder& folder, const std::string& file, const std::string& text)
{
    for (int i = 0; i < 3000; ++i) {
        if (folder.ReadHostFile(file).find(text) != std::string::npos) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// As RunProgram, started in the folder work: where a relative path of a task would land.
int RunProgramIn(const TTempFolder& folder, const std::string& work, const std::string& args, std::string& output)
{
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::create_directories(folder.Host(work));
    std::filesystem::current_path(folder.Host(work));
    const int status = RunProgram(folder, args, output);
    std::filesystem::current_path(before);
    return status;
}

// Starts the program as RunProgram does, without waiting: its process id. Its error output
// goes to the file errors (a host path) when one is given.
pid_t StartProgram(const TTempFolder& folder, const std::vector<std::string>& args, const std::string& runtime = "run",
                   const std::string& errors = "")
{
    std::vector<std::string> words = {"/usr/bin/env",
                                      "-i",
                                      "PATH=/usr/bin:/bin",
                                      "LC_ALL=C",
                                      "QT_QPA_PLATFORM=offscreen",
                                      "HOME=" + folder.Host("home"),
                                      "XDG_CONFIG_HOME=" + folder.Host("config"),
                                      "XDG_RUNTIME_DIR=" + folder.Host(runtime),
                                      ProgramFile()};
    words.insert(words.end(), args.begin(), args.end());
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (std::string& word : words) {
            argv.push_back(word.data());
        }
        argv.push_back(nullptr);
        if (!errors.empty()) {
            const int fd = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(fd, STDERR_FILENO);
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

bool TemporaryIn(const std::string& folder)
{
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().filename().string().rfind(".tessaro-", 0) == 0) {
            return true;
        }
    }
    return false;
}

void WriteBigFile(const std::string& path, char fill)
{
    std::ofstream out(path, std::ios::binary);
    const std::string block(1 << 20, fill);
    for (int i = 0; i < 200; ++i) {
        out << block;
    }
}

bool SameFile(const std::string& a, const std::string& b)
{
    return std::system(("cmp -s '" + a + "' '" + b + "'").c_str()) == 0;
}

// The example task as a batch run of the command line.
int RunExampleTask(const TTempFolder& folder, std::string& output)
{
    return RunProgram(folder, "-force -quiet -log:2 '" + folder.Host("task.buj") + "'", output);
}

// New content for source, dated after than so that the next run copies it again.
void WriteNewerBigFile(const std::string& source, char fill, const std::string& than)
{
    WriteBigFile(source, fill);
    std::filesystem::last_write_time(source, std::filesystem::last_write_time(than) + std::chrono::seconds(60 * fill));
}

// Starts the program and sends it signal delay ms after a temporary has appeared in dest,
// while the first copy is under way; status is how the process ended.
void InterruptRun(const TTempFolder& folder, const std::vector<std::string>& args, int signal, int delay, int& status)
{
    const pid_t pid = StartProgram(folder, args);
    ASSERT_GT(pid, 0);
    for (int i = 0; i < 20000 && !TemporaryIn(folder.Host("dest")); ++i) {
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    kill(pid, signal);
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
}

// The program's exit status; -1 when it has not ended within a minute (it is then killed).
int ExitStatusOf(pid_t pid)
{
    int status = 0;
    for (int i = 0; i < 120000; ++i) {
        if (waitpid(pid, &status, WNOHANG) == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

// Starts the program, sends the signal once ready() says so and returns the exit status
// (-1 when it did not exit).
template <typename Ready>
int StopProgramWhen(const TTempFolder& folder, const std::vector<std::string>& args, int signal, Ready ready)
{
    const pid_t pid = StartProgram(folder, args);
    if (pid <= 0) {
        return -1;
    }
    for (int i = 0; i < 20000 && !ready(); ++i) {
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    kill(pid, signal);
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) {
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A clean-up task that deletes the ".tmp" files of the folder.
void WriteCleanUpTask(const TTempFolder& folder, const std::string& name, const std::string& junk)
{
    folder.WriteHostFile(name, "[Cleanup]\nDirectory=" + folder.Win(junk) + "\nMode=0\nTypes=1\nTypeList=tmp\n");
}

} // namespace

TEST_F(Program, ATaskInTheWorkingFolderRunsWithNothingButTheProgramsLines)
{
    folder.WriteHostFile("source/a.txt", "a");
    WriteExampleTask(folder);
    std::filesystem::rename(folder.Host("task.buj"), folder.Host("home/Docs backup.buj"));
    std::string output;
    EXPECT_EQ(RunProgram(folder, "-force -quiet -log:2 'Docs backup.buj'", output, "", folder.Host("home")), 0)
        << output;
    EXPECT_TRUE(OnlyEndLines(output)) << "a quiet run that went well says how it ended, and nothing else";
    EXPECT_FALSE(std::filesystem::is_empty(folder.Host("dest")));

    // A bare name that is not in the working folder is looked for in the task folder.
    for (const char* dir : {"source2", "dest2", "tasks"}) {
        std::filesystem::create_directories(folder.Host(dir));
    }
    folder.WriteHostFile("source2/b.txt", "b");
    WriteExampleTask(folder, false, "2");
    std::filesystem::rename(folder.Host("task2.buj"), folder.Host("tasks/Other.buj"));
    EXPECT_EQ(RunProgram(folder, "-force -quiet -taskdir:'" + folder.Host("tasks") + "' Other", output, "",
                         folder.Host("home")),
              0)
        << output;
    EXPECT_TRUE(OnlyEndLines(output)) << output;
    EXPECT_FALSE(std::filesystem::is_empty(folder.Host("dest2")));
}

// A run killed in the middle of a copy leaves the previous or the new complete file, and
// the next run an identical copy; a stop signal ends the run cleanly.
TEST_F(Program, AKilledRunLeavesNoPartialFileThatCountsAsCurrent)
{
    WriteExampleTask(folder, true);
    const std::string source = folder.Host("source/big.bin");
    const std::string dest = folder.Host("dest/big.bin");
    WriteBigFile(source, 'a');
    const std::vector<std::string> args = {"-force", "-quiet", "-log:2", folder.Host("task.buj")};
    std::string output;
    ASSERT_EQ(RunExampleTask(folder, output), 0) << output;
    ASSERT_TRUE(SameFile(source, dest));
    std::filesystem::copy_file(source, folder.Host("old.bin"));

    std::mt19937 random{std::random_device{}()};
    char fill = 'b';
    for (const int signal : {SIGKILL, SIGTERM}) {
        WriteNewerBigFile(source, fill++, dest);
        const int delay = std::uniform_int_distribution<int>(0, 150)(random);
        int status = 0;
        ASSERT_NO_FATAL_FAILURE(InterruptRun(folder, args, signal, delay, status));
        SCOPED_TRACE("signal " + std::to_string(signal) + " after " + std::to_string(delay) + " ms");
        const bool killed = signal == SIGKILL;
        EXPECT_EQ(WIFEXITED(status), !killed);
        EXPECT_TRUE(SameFile(dest, folder.Host("old.bin")) || SameFile(dest, source));
        if (!killed) {
            // Cancelled as by the Cancel button: no temporary left, the log has its end lines.
            EXPECT_FALSE(TemporaryIn(folder.Host("dest")));
            const std::string log = folder.ReadHostFile("config/Tessaro/tessaro.log");
            EXPECT_NE(log.rfind("  Status: "), std::string::npos) << log;
        }
        ASSERT_EQ(RunExampleTask(folder, output), 0) << output;
        EXPECT_TRUE(SameFile(source, dest));
        EXPECT_FALSE(TemporaryIn(folder.Host("dest")));
        std::filesystem::copy_file(source, folder.Host("old.bin"), std::filesystem::copy_options::overwrite_existing);
    }
}

// The same for a zip destination: the archive is written under a temporary name, so a
// killed run leaves the previous archive whole (or the new one complete).
TEST_F(Program, AKilledZipRunLeavesThePreviousArchiveIntact)
{
    if (!RequirePeer("unzip") || !RequirePeer("7zz")) {
        return;
    }
    WriteExampleTask(folder, true, "", "Set");
    const std::string source = folder.Host("source/big.bin");
    const std::string archive = folder.Host("dest/Set.zip");
    WriteBigFile(source, 'a');
    const std::vector<std::string> args = {"-force", "-quiet", "-log:2", folder.Host("task.buj")};
    std::string output;
    ASSERT_EQ(RunExampleTask(folder, output), 0) << output;
    ASSERT_EQ(RunQuiet("unzip -t " + Quote(archive)), 0);

    std::mt19937 random{std::random_device{}()};
    char fill = 'b';
    for (const int signal : {SIGKILL, SIGTERM}) {
        std::filesystem::copy_file(archive, folder.Host("old.zip"), std::filesystem::copy_options::overwrite_existing);
        WriteNewerBigFile(source, fill++, archive);
        const int delay = std::uniform_int_distribution<int>(0, 150)(random);
        int status = 0;
        ASSERT_NO_FATAL_FAILURE(InterruptRun(folder, args, signal, delay, status));
        SCOPED_TRACE("signal " + std::to_string(signal) + " after " + std::to_string(delay) + " ms");
        EXPECT_EQ(RunQuiet("unzip -t " + Quote(archive)), 0);
        EXPECT_EQ(RunQuiet("7zz t " + Quote(archive)), 0);
        const bool previous = SameFile(archive, folder.Host("old.zip"));
        EXPECT_TRUE(previous ||
                    RunQuiet("unzip -p " + Quote(archive) + " '*/big.bin' | cmp -s - " + Quote(source)) == 0);
        if (signal != SIGKILL) {
            EXPECT_FALSE(TemporaryIn(folder.Host("dest")));
        }
        ASSERT_EQ(RunExampleTask(folder, output), 0) << output;
        EXPECT_EQ(RunQuiet("unzip -p " + Quote(archive) + " '*/big.bin' | cmp -s - " + Quote(source)), 0)
            << folder.ReadHostFile("config/Tessaro/tessaro.log");
        EXPECT_FALSE(TemporaryIn(folder.Host("dest")));
    }
}

// A stop signal during a batch of tasks ends the whole batch: the tasks after the cancelled
// one are not started (no log header, nothing written), and the status says it failed.
TEST_F(Program, AStopSignalEndsTheWholeBatch)
{
    std::vector<std::string> args = {"-force", "-quiet", "-log:2"};
    for (const std::string suffix : {"", "2", "3"}) {
        std::filesystem::create_directories(folder.Host("source" + suffix));
        std::filesystem::create_directories(folder.Host("dest" + suffix));
        WriteExampleTask(folder, true, suffix);
        args.push_back(folder.Host("task" + suffix + ".buj"));
    }
    WriteBigFile(folder.Host("source/big.bin"), 'a');
    folder.WriteHostFile("source2/small.txt", "two");
    folder.WriteHostFile("source3/small.txt", "three");
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE("signal " + std::to_string(signal));
        std::filesystem::remove(folder.Host("config/Tessaro/tessaro.log"));
        std::filesystem::remove(folder.Host("dest/big.bin"));
        std::filesystem::create_directories(folder.Host("dest")); // an empty one goes at the end
        int status = 0;
        ASSERT_NO_FATAL_FAILURE(InterruptRun(folder, args, signal, 0, status));
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_NE(WEXITSTATUS(status), 0);
        const std::string log = folder.ReadHostFile("config/Tessaro/tessaro.log");
        size_t headers = 0;
        for (size_t at = log.find(" - Data backup\n"); at != std::string::npos;
             at = log.find(" - Data backup\n", at + 1)) {
            ++headers;
        }
        EXPECT_EQ(headers, 1u) << log;
        EXPECT_TRUE(std::filesystem::is_empty(folder.Host("dest2")));
        EXPECT_TRUE(std::filesystem::is_empty(folder.Host("dest3")));
    }
}

// The same for a batch of restore tasks and one of clean-up tasks: the cancelled run's
// worker leaves no temporary, its log has the end lines, the tasks after it do not run.
TEST_F(Program, AStopSignalEndsARestoreOrCleanUpBatch)
{
    WriteExampleTask(folder); // compressing: a large gzip file that takes a while to unpack
    WriteBigFile(folder.Host("source/big.bin"), 'a');
    std::string output;
    ASSERT_EQ(RunProgram(folder, "-force -quiet '" + folder.Host("task.buj") + "'", output), 0) << output;
    std::filesystem::create_directories(folder.Host("backup"));
    for (const char* copy : {"backup/big1.bin.gz", "backup/big2.bin.gz"}) {
        std::filesystem::copy_file(folder.Host("dest/big.bin.gz"), folder.Host(copy));
    }
    std::vector<std::string> restoreArgs = {"-restore", "-quiet", "-log:18"};
    for (const std::string suffix : {"", "2", "3"}) {
        if (!suffix.empty()) {
            folder.WriteHostFile("backup" + suffix + "/small.txt", "small");
        }
        WriteRestoreTask(folder, "task" + suffix + ".rsj", "backup" + suffix, "restored" + suffix);
        restoreArgs.push_back(folder.Host("task" + suffix + ".rsj"));
    }
    const std::string restored = folder.Host("restored");
    const int restoreStatus = StopProgramWhen(
        folder, restoreArgs, SIGTERM, [&] { return std::filesystem::exists(restored) && TemporaryIn(restored); });
    EXPECT_EQ(restoreStatus, 2);
    std::string log = folder.ReadHostFile("config/Tessaro/tessaro.log");
    EXPECT_EQ(CountOf(log, " - Restoring\n"), 1u) << log;
    EXPECT_EQ(CountOf(log, "  Status: Cancelled by user"), 1u) << log;
    // The folder made for the run goes again when the cancel left it empty.
    EXPECT_FALSE(std::filesystem::exists(restored) && TemporaryIn(restored));
    EXPECT_FALSE(std::filesystem::exists(folder.Host("restored2")));
    EXPECT_FALSE(std::filesystem::exists(folder.Host("restored3")));

    std::filesystem::remove(folder.Host("config/Tessaro/tessaro.log"));
    constexpr int junkFiles = 10000;
    std::vector<std::string> cleanArgs = {"-clean", "-quiet", "-log:34"};
    for (const std::string suffix : {"", "2", "3"}) {
        std::filesystem::create_directories(folder.Host("junk" + suffix));
        for (int i = 0; i < (suffix.empty() ? junkFiles : 1); ++i) {
            std::ofstream(folder.Host("junk" + suffix + "/f" + std::to_string(i) + ".tmp"));
        }
        WriteCleanUpTask(folder, "tidy" + suffix + ".cuj", "junk" + suffix);
        cleanArgs.push_back(folder.Host("tidy" + suffix + ".cuj"));
    }
    const auto left = [&](const std::string& junk) {
        const std::filesystem::directory_iterator files(folder.Host(junk));
        return std::distance(begin(files), end(files));
    };
    const int cleanStatus = StopProgramWhen(folder, cleanArgs, SIGHUP, [&] { return left("junk") < junkFiles; });
    EXPECT_EQ(cleanStatus, 2);
    log = folder.ReadHostFile("config/Tessaro/tessaro.log");
    EXPECT_EQ(CountOf(log, " - Clean up\n"), 1u) << log;
    EXPECT_EQ(CountOf(log, "  Status: Cancelled by user"), 1u) << log;
    EXPECT_GT(left("junk"), 0);
    EXPECT_EQ(left("junk2"), 1);
    EXPECT_EQ(left("junk3"), 1);
}

// True once the process catches SIGTERM: its stop-signal handler is in place.
bool CatchesStopSignal(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("SigCgt:", 0) == 0) {
            return (std::stoull(line.substr(7), nullptr, 16) & (1ULL << (SIGTERM - 1))) != 0;
        }
    }
    return false;
}

// A batch stopped while it waits to begin (the start's first half second) runs nothing,
// ends as a cancelled run does and says why where cron reads it: nothing else would.
TEST_F(Program, ABatchStoppedBeforeItBeginsSaysSo)
{
    WriteExampleTask(folder);
    folder.WriteHostFile("source/a.txt", "a");
    const pid_t pid = StartProgram(folder, {"-force", "-quiet", folder.Host("task.buj")}, "run", folder.Host("errors"));
    ASSERT_GT(pid, 0);
    for (int i = 0; i < 20000 && !CatchesStopSignal(pid); ++i) {
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    kill(pid, SIGTERM);
    EXPECT_EQ(ExitStatusOf(pid), 2);
    EXPECT_EQ(folder.ReadHostFile("errors"), "The run was stopped before it began.\n");
    EXPECT_FALSE(std::filesystem::exists(folder.Host("dest/a.txt.gz")));
}

// Links in the restore folder where the backup has a folder and a file: nothing outside
// the restore folder is written, each link is named once and its files count as errors.
TEST_F(Program, ARestoreNeverWritesThroughALink)
{
    for (const std::string kind : {"plain", "gzip"}) {
        SCOPED_TRACE(kind);
        const std::string backup = "backup-" + kind;
        const std::string outside = "outside-" + kind;
        const std::string restored = "restored-" + kind;
        for (const std::string& dir : {backup + "/sub/deep", outside + "/deep", restored}) {
            std::filesystem::create_directories(folder.Host(dir));
        }
        for (const std::string file : {"/a.txt", "/b.txt", "/sub/b.txt", "/sub/deep/c.txt"}) {
            folder.WriteHostFile(backup + file, "backup bytes");
        }
        if (kind == "gzip") {
            ASSERT_EQ(std::system(("gzip -N -r '" + folder.Host(backup) + "'").c_str()), 0);
        }
        for (const std::string file : {"/b.txt", "/deep/c.txt", "/file.txt"}) {
            folder.WriteHostFile(outside + file, "mine");
        }
        std::filesystem::create_directory_symlink(folder.Host(outside), folder.Host(restored + "/sub"));
        std::filesystem::create_symlink(folder.Host(outside + "/file.txt"), folder.Host(restored + "/a.txt"));
        WriteRestoreTask(folder, kind + ".rsj", backup, restored);
        std::filesystem::remove(folder.Host("config/Tessaro/tessaro.log"));

        std::string output;
        EXPECT_EQ(RunProgram(folder, "-restore -quiet -log:18 '" + folder.Host(kind + ".rsj") + "'", output), 2)
            << output;
        for (const std::string file : {"/b.txt", "/deep/c.txt", "/file.txt"}) {
            EXPECT_EQ(folder.ReadHostFile(outside + file), "mine") << file;
        }
        EXPECT_TRUE(std::filesystem::is_symlink(folder.Host(restored + "/sub")));
        EXPECT_TRUE(std::filesystem::is_symlink(folder.Host(restored + "/a.txt")));
        EXPECT_EQ(folder.ReadHostFile(restored + "/b.txt"), "backup bytes");
        const std::string log = folder.ReadHostFile("config/Tessaro/tessaro.log");
        EXPECT_EQ(CountOf(log, "Symbolic link left alone"), 2u) << log;
        EXPECT_NE(log.find("  Status: 3 error(s) on restore (1 files copied)"), std::string::npos) << log;
    }
}

// What a killed restore was writing is gone after the next restore into that folder, and
// the log names it; a file that only looks similar is the user's and stays.
TEST_F(Program, ARestoreTidiesWhatAKilledRestoreLeft)
{
    std::filesystem::create_directories(folder.Host("backup/sub"));
    std::filesystem::create_directories(folder.Host("restored/sub"));
    folder.WriteHostFile("backup/a.txt", "a");
    folder.WriteHostFile("backup/sub/b.txt", "b");
    const std::string left = "/.tessaro-00ff00ff00ff00ff.part";
    folder.WriteHostFile("restored" + left, "half of a");
    folder.WriteHostFile("restored/sub" + left, "half of b");
    folder.WriteHostFile("restored/.tessaro-notes.part", "the user's");
    WriteRestoreTask(folder, "again.rsj", "backup", "restored");

    std::string output;
    EXPECT_EQ(RunProgram(folder, "-restore -quiet -log:18 '" + folder.Host("again.rsj") + "'", output), 0) << output;
    EXPECT_FALSE(std::filesystem::exists(folder.Host("restored" + left)));
    EXPECT_FALSE(std::filesystem::exists(folder.Host("restored/sub" + left)));
    EXPECT_EQ(folder.ReadHostFile("restored/.tessaro-notes.part"), "the user's");
    EXPECT_EQ(folder.ReadHostFile("restored/sub/b.txt"), "b");
    const std::string log = folder.ReadHostFile("config/Tessaro/tessaro.log");
    EXPECT_EQ(CountOf(log, "    => Removed what an interrupted run left: "), 2u) << log;
}

// A clean-up by missing origin while the stick the backup came from is away, its folder
// renamed or left as an empty mount folder: nothing is deleted and the batch fails.
TEST_F(Program, ACleanUpNeverEmptiesTheBackupOfAnAbsentSource)
{
    const std::string drives = "TESSARO_DRIVES='S=" + folder.Host("stick") + ",removable,STICK'";
    std::filesystem::create_directories(folder.Host("stick/data"));
    for (const std::string name : {"a", "b", "c", "d", "e", "f"}) {
        folder.WriteHostFile("stick/data/" + name + ".txt", name);
    }
    TTaskFileEnv env;
    env.ProgramText = "Tessaro";
    env.FileVersion = "0.1.0";
    TBackupTask task;
    ResetTaskOptions(task, env);
    task.Destination = folder.Win("dest");
    task.DestMode = DestDrivesSeparated;
    task.Compress = false;
    TExtensionList entry;
    entry.SourceDir = entry.ExpandedDir = "S:\\data";
    task.Sources.push_back(entry);
    ASSERT_TRUE(WriteTaskFile(task, folder.Win("stick.buj"), -1, -1, env));
    std::string output;
    ASSERT_EQ(RunProgram(folder, "-force -quiet '" + folder.Host("stick.buj") + "'", output, drives), 0) << output;
    ASSERT_TRUE(std::filesystem::exists(folder.Host("dest/LwS/data/a.txt")));
    for (const auto& [name, cleaned] : {std::pair{"root", "dest"}, std::pair{"data", "dest/LwS/data"}}) {
        folder.WriteHostFile(std::string(name) + ".cuj",
                             "[Cleanup]\nDirectory=" + folder.Win(cleaned) + "\nMode=0\nSync=1\n");
    }
    const auto clean = [&](const std::string& name) {
        std::filesystem::remove(folder.Host("config/Tessaro/tessaro.log"));
        return RunProgram(folder, "-clean -quiet -log:34 '" + folder.Host(name + ".cuj") + "'", output, drives);
    };
    const auto backedUp = [&] {
        const std::filesystem::directory_iterator files(folder.Host("dest/LwS/data"));
        return std::distance(begin(files), end(files));
    };
    const auto log = [&] { return folder.ReadHostFile("config/Tessaro/tessaro.log"); };

    std::filesystem::rename(folder.Host("stick/data"), folder.Host("stick/away"));
    EXPECT_EQ(clean("data"), 2) << output;
    EXPECT_NE(log().find("*** Could not find directory: \"" + folder.Host("stick/data") + "\""), std::string::npos)
        << log();
    // The stick's root holds something, but not the source folder the backup holds.
    EXPECT_EQ(clean("root"), 2) << output;
    EXPECT_NE(log().find("*** Could not find directory: \"" + folder.Host("stick/data") + "\""), std::string::npos)
        << log();
    EXPECT_EQ(backedUp(), 6);

    std::filesystem::rename(folder.Host("stick"), folder.Host("unplugged"));
    std::filesystem::create_directories(folder.Host("stick"));
    for (const std::string name : {"root", "data"}) {
        EXPECT_EQ(clean(name), 2) << name << output;
        EXPECT_NE(log().find("*** Could not find directory: \"" + folder.Host("stick")), std::string::npos) << log();
    }
    EXPECT_EQ(backedUp(), 6);

    // Back in place with one file really deleted: that one goes.
    std::filesystem::remove(folder.Host("stick"));
    std::filesystem::rename(folder.Host("unplugged"), folder.Host("stick"));
    std::filesystem::rename(folder.Host("stick/away"), folder.Host("stick/data"));
    std::filesystem::remove(folder.Host("stick/data/a.txt"));
    EXPECT_EQ(clean("root"), 0) << output << log();
    EXPECT_EQ(backedUp(), 5);
    EXPECT_FALSE(std::filesystem::exists(folder.Host("dest/LwS/data/a.txt")));
}

TEST_F(Program, BatchRunFromTheCommandLineInTheChosenLanguage)
{
    folder.WriteHostFile("source/report.txt", std::string(4000, 'r'));
    folder.WriteHostFile("config/Tessaro/tessaro.cfg", "[Language]\nLangID=de\n");
    WriteExampleTask(folder);

    std::string output;
    EXPECT_EQ(RunExampleTask(folder, output), 0) << output;
    const std::string log = folder.ReadHostFile("config/Tessaro/tessaro.log");
    EXPECT_NE(log.find("Tessaro (Vers. "), std::string::npos) << log;
    EXPECT_NE(log.find(" - Datensicherung\n"), std::string::npos) << log;
    ASSERT_TRUE(std::filesystem::exists(folder.Host("dest/report.txt.gz"))) << log;
    EXPECT_EQ(std::system(("gzip -t '" + folder.Host("dest/report.txt.gz") + "'").c_str()), 0);

    // The option wins over the language file.
    EXPECT_EQ(RunProgram(folder, "/lang:en -f -q -lo:2 '" + folder.Host("task.buj") + "'", output), 0) << output;
    EXPECT_NE(folder.ReadHostFile("config/Tessaro/tessaro.log").find(" - Data backup\n"), std::string::npos);
}

TEST_F(Program, SecondStartActivatesTheInstanceInTheTray)
{
    WriteExampleTask(folder);
    // One task at a set time that ran today: the program waits in the tray for it.
    const TTimeStampPair today = DateTimeToTimeStamp(Now());
    folder.WriteHostFile("config/Tessaro/tessaro.ini",
                         "[Config]\nStartup=0\nTaskCount=1\n[AutoTask0]\nName=" + folder.Win("task.buj") +
                             "\nMode=3\nLastDate=" + std::to_string(today.Date) +
                             "\nLastTime=0\nBackupDate=" + std::to_string(today.Date + 1) + "\nBackupTime=0\n");
    std::string firstOutput;
    int firstResult = -1;
    std::thread first(
        [&] { firstResult = RunProgram(folder, "-auto -hide > '" + folder.Host("first.txt") + "'", firstOutput); });
    for (int i = 0; i < 3000 && !std::filesystem::exists(folder.Host("run/Tessaro.socket")); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(std::filesystem::exists(folder.Host("run/Tessaro.socket")));

    std::string output;
    // A second automatic start (from cron, say) leaves the tasks to the running instance and says so.
    EXPECT_EQ(RunProgram(folder, "-auto", output), 0) << output;
    EXPECT_EQ(output, "Tessaro: Tessaro is running already: its automatic tasks run there.\n");
    EXPECT_EQ(RunProgram(folder, "", output), 0) << output;
    // Activation opens the task editor in the running instance, which then goes back to the tray.
    EXPECT_TRUE(WaitForText(folder, "first.txt", "The task editor needs a display."));
    EXPECT_TRUE(SendInstanceRequest(folder.Host("run"), {TInstanceRequestKind::Close, {}}));
    first.join();
    EXPECT_EQ(firstResult, 0) << firstOutput;
    EXPECT_TRUE(std::filesystem::exists(folder.Host("config/autostart/tessaro.desktop")));
}

TEST_F(Program, ABatchRunTellsTheScriptWhetherItWorked)
{
    folder.WriteHostFile("source/report.txt", "r");
    WriteExampleTask(folder);
    std::string output;
    EXPECT_EQ(RunExampleTask(folder, output), 0) << output;
    EXPECT_EQ(RunProgram(folder, "-force -quiet -log:2 '" + folder.Host("missing.buj") + "'", output), 2) << output;
    EXPECT_NE(folder.ReadHostFile("config/Tessaro/tessaro.log").find("Task file not found: "), std::string::npos);
    std::filesystem::remove_all(folder.Host("source"));
    EXPECT_EQ(RunExampleTask(folder, output), 2) << output;
}

TEST_F(Program, CleanUpTasksFromTheCommandLine)
{
    folder.WriteHostFile("dest/old.tmp", "x");
    folder.WriteHostFile("dest/keep.txt", "y");
    folder.WriteHostFile("tmp.cuj", "[Cleanup]\nDirectory=" + folder.Win("dest") + "\nMode=0\nTypes=1\nTypeList=tmp\n");
    folder.WriteHostFile("config/Tessaro/tessaro.ini", "[Cleanup]\nMode=3\n");

    std::string output;
    EXPECT_EQ(RunProgram(folder, "-clean -quiet -log:34 '" + folder.Host("tmp.cuj") + "'", output), 0) << output;
    EXPECT_FALSE(std::filesystem::exists(folder.Host("dest/old.tmp")));
    EXPECT_TRUE(std::filesystem::exists(folder.Host("dest/keep.txt")));
    const std::string log = folder.ReadHostFile("config/Tessaro/tessaro.log");
    EXPECT_NE(log.find(" - Clean up\n"), std::string::npos) << log;
    EXPECT_NE(log.find("      Delete: old.tmp"), std::string::npos) << log;
    // The task's age mode never becomes the user's own.
    EXPECT_EQ(ReadIniString(folder.Win("config/Tessaro/tessaro.ini"), "Cleanup", "Mode", "?"), "3");
}

// "--help" prints the options and ends at once, with no window and without the guard.
TEST_F(Program, HelpListsTheOptionsAndEndsWithStatusZero)
{
    std::string output;
    EXPECT_EQ(RunProgram(folder, "--help", output), 0) << output;
    for (const char* text : {"Usage: tessaro", "-auto", "-force", "-end:poweroff|shutdown|logoff|restart", "-hide, -h",
                             "@FILE", "Exit status:", "  2  errors"}) {
        EXPECT_NE(output.find(text), std::string::npos) << text << "\n" << output;
    }
    EXPECT_FALSE(std::filesystem::exists(folder.Host("run/Tessaro.lock"))) << "the guard ran";
    EXPECT_EQ(RunProgram(folder, "-lang:de --help", output), 0);
    EXPECT_NE(output.find("Aufruf: tessaro"), std::string::npos) << output;
    EXPECT_NE(output.find("Rückgabewert:"), std::string::npos) << output;
    // The system language is the desktop's language list.
    EXPECT_EQ(RunProgram(folder, "--help", output, "LANGUAGE=de:en"), 0);
    EXPECT_NE(output.find("Aufruf: tessaro"), std::string::npos) << output;
}

// A mistyped option and an unknown language are named on the error output; the run goes on.
TEST_F(Program, IgnoredOptionsAreNamed)
{
    std::string output;
    RunProgram(folder, "-frce -lang:fr -protocol -quiet", output);
    EXPECT_NE(output.find("Unknown option ignored: -frce\n"), std::string::npos) << output;
    EXPECT_NE(output.find("Unknown language ignored: fr\n"), std::string::npos) << output;
    EXPECT_EQ(output.find("-quiet"), std::string::npos) << output;
}

// A notes file taken for a plain-text task, and restore and clean-up tasks with relative
// folders: refused before anything is made in the folder the program was started in.
TEST_F(Program, TasksWithRelativeFoldersAreRefusedBeforeAnythingIsMade)
{
    folder.WriteHostFile("source/a.txt", "a");
    folder.WriteHostFile("dest/a.txt", "a");
    folder.WriteHostFile("notes.txt", "Meeting notes\n\nD " + folder.Win("source") + "\nto do\n");
    folder.WriteHostFile("rel.rsj", "[Restore]\nSourceDir=" + folder.Win("dest") + "\nDestDir=restored\nOverwrite=0\n");
    folder.WriteHostFile("rel.cuj", "[Cleanup]\nDirectory=dest\nMode=0\n");
    std::string output;
    EXPECT_EQ(RunProgramIn(folder, "work", "-force -quiet -log:2 '" + folder.Host("notes.txt") + "'", output), 2)
        << output;
    EXPECT_EQ(RunProgramIn(folder, "work", "-restore -quiet -log:18 '" + folder.Host("rel.rsj") + "'", output), 2)
        << output;
    EXPECT_EQ(RunProgramIn(folder, "work", "-clean -quiet -log:34 '" + folder.Host("rel.cuj") + "'", output), 2)
        << output;
    EXPECT_TRUE(std::filesystem::is_empty(folder.Host("work")));
    EXPECT_TRUE(std::filesystem::exists(folder.Host("dest/a.txt")));
    const std::string log = folder.ReadHostFile("config/Tessaro/tessaro.log");
    for (const char* task : {"Backup task: notes.txt", "Restore task: rel.rsj", "Clean up task: rel.cuj"}) {
        EXPECT_NE(log.find(std::string("    *** Unvalid task configuration - ") + task + "\n"), std::string::npos)
            << task << "\n"
            << log;
    }
}

// Files that are no restore or clean-up task are named, on the error output and in the log;
// nothing runs and the batch fails.
TEST_F(Program, FilesThatAreNoRestoreOrCleanUpTaskAreNamed)
{
    WriteExampleTask(folder);
    folder.WriteHostFile("source/a.txt", "a");
    folder.WriteHostFile("empty.dat", "");
    std::string noise(4096, ' ');
    std::mt19937 random(30);
    for (char& c : noise) {
        c = static_cast<char>(random());
    }
    folder.WriteHostFile("noise.dat", noise);
    const struct
    {
        const char* option;
        const char* notFound;
        const char* notATask;
    } kinds[] = {{"-restore", "Restore task file not found: ", "Not a restore task file: "},
                 {"-clean", "Clean-up task file not found: ", "Not a clean-up task file: "}};
    for (const auto& kind : kinds) {
        for (const char* file : {"empty.dat", "noise.dat", "task.buj", "missing.dat"}) {
            SCOPED_TRACE(std::string(kind.option) + " " + file);
            std::filesystem::remove(folder.Host("config/Tessaro/tessaro.log"));
            std::string output;
            EXPECT_EQ(
                RunProgram(folder, std::string(kind.option) + " -quiet -log:50 '" + folder.Host(file) + "'", output),
                2);
            const std::string line =
                (std::string(file) == "missing.dat" ? kind.notFound : kind.notATask) + folder.Host(file);
            EXPECT_NE(output.find(line + "\n"), std::string::npos) << output;
            const std::string log = folder.ReadHostFile("config/Tessaro/tessaro.log");
            EXPECT_NE(log.find("    *** " + line + "\n"), std::string::npos) << log;
            EXPECT_EQ(log.find("\n\n\n"), std::string::npos) << log;
            EXPECT_NE(log.substr(0, 1), "\n") << log;
        }
    }
    EXPECT_TRUE(std::filesystem::is_empty(folder.Host("dest")));
    EXPECT_TRUE(std::filesystem::exists(folder.Host("source/a.txt")));
}

namespace {

// True once the program (not the test's forked child before it starts the program) has
// the file open: a run that found its folder locked keeps it open while it waits.
bool HasOpen(pid_t pid, const std::string& file)
{
    const std::string process = "/proc/" + std::to_string(pid);
    std::error_code error;
    if (std::filesystem::read_symlink(process + "/exe", error) != std::filesystem::canonical(ProgramFile())) {
        return false;
    }
    for (const auto& entry : std::filesystem::directory_iterator(process + "/fd", error)) {
        if (std::filesystem::read_symlink(entry.path(), error) == file) {
            return true;
        }
    }
    return false;
}

// Whether the program's main thread sleeps (clock_nanosleep or nanosleep): once it holds
// the locked folder open, that is the pause between two tries of the lock.
bool SleepsBetweenTries(pid_t pid)
{
    std::ifstream syscall("/proc/" + std::to_string(pid) + "/syscall");
    std::string number;
    syscall >> number;
    return number == std::to_string(SYS_clock_nanosleep) || number == std::to_string(SYS_nanosleep);
}

// Starts the program while lock is held as by another run of another session (its own
// XDG_RUNTIME_DIR, as from cron or ssh), sees it wait, lets go; the program's exit status.
int RunWhileLocked(const TTempFolder& folder, std::unique_ptr<Platform::TFolderLock> lock,
                   const std::vector<std::string>& args, const std::function<void()>& whileWaiting)
{
    if (!lock->TryLock()) {
        return -1;
    }
    std::filesystem::create_directories(folder.Host("other-run"));
    const pid_t pid = StartProgram(folder, args, "other-run");
    for (int i = 0; i < 20000 && !HasOpen(pid, lock->LockedPath()); ++i) {
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    EXPECT_TRUE(HasOpen(pid, lock->LockedPath()));
    // An open folder is not yet a try of its lock: let go only once it sleeps between tries.
    for (int i = 0; i < 2000 && !SleepsBetweenTries(pid); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    whileWaiting();
    lock.reset();
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) {
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The same with the folder locked.
int RunWhileLocked(const TTempFolder& folder, const std::string& locked, const std::vector<std::string>& args,
                   const std::function<void()>& whileWaiting)
{
    return RunWhileLocked(folder, std::make_unique<Platform::TFolderLock>(folder.Win(locked), true), args,
                          whileWaiting);
}

} // namespace

// A run waits while another one works on its folder, says so once, then does its work.
TEST_F(Program, ASecondRunOnOneFolderWaitsForTheFirst)
{
    folder.WriteHostFile("source/report.txt", "r");
    WriteExampleTask(folder);
    const std::string log = "config/Tessaro/tessaro.log";
    EXPECT_EQ(RunWhileLocked(folder, "dest", {"-force", "-quiet", "-log:2", folder.Host("task.buj")},
                             [&] { EXPECT_FALSE(std::filesystem::exists(folder.Host("dest/report.txt"))); }),
              0);
    EXPECT_TRUE(std::filesystem::exists(folder.Host("dest/report.txt")));

    WriteRestoreTask(folder, "back.rsj", "dest", "restored");
    EXPECT_EQ(RunWhileLocked(folder, "restored", {"-restore", "-quiet", "-log:18", folder.Host("back.rsj")},
                             [&] { EXPECT_FALSE(std::filesystem::exists(folder.Host("restored/report.txt"))); }),
              0);
    EXPECT_EQ(folder.ReadHostFile("restored/report.txt"), "r");

    folder.WriteHostFile("dest/old.tmp", "x");
    WriteCleanUpTask(folder, "tidy.cuj", "dest");
    EXPECT_EQ(RunWhileLocked(folder, "dest", {"-clean", "-quiet", "-log:34", folder.Host("tidy.cuj")},
                             [&] { EXPECT_TRUE(std::filesystem::exists(folder.Host("dest/old.tmp"))); }),
              0);
    EXPECT_FALSE(std::filesystem::exists(folder.Host("dest/old.tmp")));

    const std::string text = folder.ReadHostFile(log);
    EXPECT_EQ(CountOf(text, "Waiting for another run on " + folder.Host("dest") + "\n"), 2u) << text;
    EXPECT_EQ(CountOf(text, "Waiting for another run on " + folder.Host("restored") + "\n"), 1u) << text;
}

// A run to an FTP server locks the server folder in the user's home, the same from cron as
// from the desktop; where that lock cannot be made the run ends with status 2, unlocked never.
TEST_F(Program, AnFtpRunIsLockedTheSameFromCronAsFromTheDesktop)
{
    TFtpPeer peer;
    ASSERT_TRUE(peer.Start());
    folder.WriteHostFile("source/a.txt", "a");
    WriteExampleTask(folder, false, "", "", [&](TBackupTask& task) {
        task.FtpBackup = true;
        peer.FillLogin(task.Ftp);
        task.Ftp.Passive = true;
    });
    const std::string lockDir = folder.Host("home/.local/state/tessaro");
    std::filesystem::create_directories(folder.Host("home/.local/state"));
    std::filesystem::create_directory_symlink(folder.Host("run"), lockDir);
    const std::vector<std::string> args = {"-force", "-quiet", "-log:2", folder.Host("task.buj")};
    EXPECT_EQ(ExitStatusOf(StartProgram(folder, args)), 2);
    EXPECT_TRUE(std::filesystem::is_empty(peer.Root()));
    const std::string log = folder.ReadHostFile("config/Tessaro/tessaro.log");
    EXPECT_NE(log.find("    *** The run cannot be locked: " + lockDir + " is a symbolic link\n"), std::string::npos)
        << log;

    std::filesystem::remove(lockDir);
    TEnvGuard env;
    env.Set("HOME", folder.Host("home"));
    EXPECT_EQ(RunWhileLocked(folder, FtpFolderLock("127.0.0.1", peer.Port(), ""), args,
                             [&] { EXPECT_TRUE(std::filesystem::is_empty(peer.Root())); }),
              0);
    EXPECT_EQ(peer.ReadFile("a.txt"), "a");
}

// Neither command of a task runs under its destination's lock: the command after the run
// may back up into the same destination, and a stop signal ends a run that waits for its
// command before it.
TEST_F(Program, TheCommandsAroundARunAreNotKeptByItsLock)
{
    std::filesystem::create_directories(folder.Host("source2"));
    folder.WriteHostFile("source/a.txt", "a");
    folder.WriteHostFile("source2/b.txt", "b");
    const std::string program = "\"" + Platform::HostToWin(ProgramFile()).value_or("") + "\"";
    WriteExampleTask(folder, false, "", "", [&](TBackupTask& task) {
        task.PostCommand = program + " -force -quiet \"" + folder.Win("task2.buj") + "\"";
        task.PostWait = CommandEnabledBit;
    });
    WriteExampleTask(folder, false, "2", "", [&](TBackupTask& task) { task.Destination = folder.Win("dest"); });
    // The commands run in the task folder.
    const std::vector<std::string> args = {"-force", "-quiet", "-log:2", "-taskdir:" + folder.Host(),
                                           folder.Host("task.buj")};
    EXPECT_EQ(ExitStatusOf(StartProgram(folder, args)), 0);
    EXPECT_TRUE(std::filesystem::exists(folder.Host("dest/a.txt")));
    EXPECT_TRUE(std::filesystem::exists(folder.Host("dest/b.txt")));

    WriteExampleTask(folder, false, "", "", [&](TBackupTask& task) {
        task.PreCommand = "C:\\bin\\sh -c \"echo $$ >started; exec sleep 600\"";
        task.PreWait = CommandEnabledBit;
    });
    const pid_t pid = StartProgram(folder, args);
    ASSERT_TRUE(WaitForText(folder, "started", "\n")) << folder.ReadHostFile("config/Tessaro/tessaro.log");
    kill(pid, SIGTERM);
    EXPECT_GT(ExitStatusOf(pid), 0);
    kill(std::stoi(folder.ReadHostFile("started")), SIGKILL);
    // The log says that the run was stopped, not that the program took too long.
    const std::string log = folder.ReadHostFile("config/Tessaro/tessaro.log");
    EXPECT_NE(log.find("  ## The run was stopped while waiting for: /bin/sh -c \"echo $$ >started; exec sleep 600\"\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("timed out"), std::string::npos) << log;
}
