#pragma once

// The program itself, started as a user would start it from a shell script or cron: the
// built executable in a temporary home of its own, and the task files it is given.

#include "TempFolder.h"
#include "restore/RestoreTask.h"
#include "tasks/TaskFile.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/wait.h>

inline std::string ProgramFile()
{
    std::string dir = TESSARO_LOCALE_BUILD_DIR;
    return dir.substr(0, dir.rfind('/')) + "/tessaro";
}

inline void MakeFolders(const TTempFolder& folder)
{
    for (const char* dir : {"home", "config/Tessaro", "run", "source", "dest"}) {
        std::filesystem::create_directories(folder.Host(dir));
    }
    std::filesystem::permissions(folder.Host("run"), std::filesystem::perms::owner_all);
}

// Each test runs the built program in a temporary home of its own.
class Program : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!std::filesystem::exists(ProgramFile())) {
            GTEST_SKIP() << "the program is not built";
        }
        MakeFolders(folder);
    }

    TTempFolder folder;
};

// Runs the program in a clean environment of the folder (C locale, no LANGUAGE unless
// the extra variables name it), in the working folder when one is given.
inline int RunProgram(const TTempFolder& folder, const std::string& args, std::string& output,
                      const std::string& extraEnv = "", const std::string& workDir = "")
{
    const std::string command = (workDir.empty() ? "" : "cd '" + workDir + "' && ") + "env -i " + extraEnv +
                                " PATH=/usr/bin:/bin LC_ALL=C QT_QPA_PLATFORM=offscreen HOME='" + folder.Host("home") +
                                "' XDG_CONFIG_HOME='" + folder.Host("config") + "' XDG_RUNTIME_DIR='" +
                                folder.Host("run") + "' '" + ProgramFile() + "' " + args + " 2>&1";
    output.clear();
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        return -1;
    }
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) {
        output += buffer;
    }
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The example task; verifying gives a longer window to be killed in. A suffix names another
// task of the same kind: task<suffix>.buj from source<suffix> to dest<suffix>.
// With a zip name the task backs up into that archive.
inline void WriteExampleTask(const TTempFolder& folder, bool plainVerified = false, const std::string& suffix = "",
                             const std::string& zipName = "", const std::function<void(TBackupTask&)>& adjust = {})
{
    TTaskFileEnv env;
    env.ProgramText = "Tessaro";
    env.FileVersion = "0.1.0";
    TBackupTask task;
    ResetTaskOptions(task, env);
    task.Destination = folder.Win("dest" + suffix);
    task.DestMode = zipName.empty() ? DestOneDirectory : DestZipFile;
    task.ZipName = zipName;
    task.Compress = !plainVerified;
    task.Verify = plainVerified;
    TExtensionList entry;
    entry.SourceDir = folder.Win("source" + suffix);
    entry.ExpandedDir = entry.SourceDir;
    task.Sources.push_back(entry);
    if (adjust) {
        adjust(task);
    }
    ASSERT_TRUE(WriteTaskFile(task, folder.Win("task" + suffix + ".buj"), -1, -1, env));
}

inline size_t CountOf(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// True when the output holds a run's end lines and nothing else: what a batch run that
// went well prints on its error output.
inline bool OnlyEndLines(const std::string& output)
{
    std::istringstream lines(output);
    bool status = false;
    for (std::string line; std::getline(lines, line);) {
        status = status || line.rfind("  Status: ", 0) == 0;
        if (line.rfind("  Status: ", 0) != 0 && line.rfind("  ==> End: ", 0) != 0 &&
            line.rfind("    => End: ", 0) != 0) {
            return false;
        }
    }
    return status;
}

// A restore task from the backup folder to the restore folder (both below the test folder).
inline void WriteRestoreTask(const TTempFolder& folder, const std::string& name, const std::string& backup,
                             const std::string& restored)
{
    TRestoreOptions options;
    options.SourceDir = folder.Win(backup);
    options.DestDir = folder.Win(restored);
    options.Overwrite = OverwriteAll;
    ASSERT_EQ(SaveRestoreTask(folder.Win(name), options, TFtpParams{}, "Tessaro", "0.1.0"), 0);
}

// As cron starts the program: HOME and PATH alone (no display, no session folder, no log
// unless the settings ask for one), in the test folder. Its error output goes to errors.
// A program that has not ended after two minutes is stopped (status 124).
inline int RunFromCron(const TTempFolder& folder, const std::string& args, std::string& errors)
{
    const std::string command = "cd '" + folder.Host() + "' && timeout -k 5 120 env -i HOME='" + folder.Host("home") +
                                "' PATH=/usr/bin:/bin '" + ProgramFile() + "' " + args + " >/dev/null 2>'" +
                                folder.Host("errors.txt") + "'";
    const int status = std::system(command.c_str());
    errors = folder.ReadHostFile("errors.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The log of a start from cron, in the settings folder of its home.
inline std::string CronLog(const TTempFolder& folder)
{
    return folder.ReadHostFile("home/.config/Tessaro/tessaro.log");
}
