// What a run started by cron or a script says, and what it does with what a Linux user
// writes: the program itself with HOME and PATH alone, no display, no session folder.

#include "ProgramRun.h"
#include "foundation/DateUtils.h"
#include "tasks/Settings.h"
#include "tasks/TaskModel.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// As RunFromCron, without waiting: the process to wait for.
pid_t StartFromCron(const TTempFolder& folder, const std::string& args)
{
    const std::string command = "cd '" + folder.Host() + "' && exec env -i HOME='" + folder.Host("home") +
                                "' PATH=/usr/bin:/bin '" + ProgramFile() + "' " + args + " >/dev/null 2>&1";
    const pid_t pid = fork();
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

int ExitStatusOf(pid_t pid)
{
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Waits (two minutes at most) for a file that another process makes.
bool WaitForFile(const std::string& path)
{
    for (int i = 0; i < 12000 && !std::filesystem::exists(path); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::filesystem::exists(path);
}

} // namespace

// Commands as a Linux user writes them, on a fresh install whose task folder does not exist
// yet: a quoted host path and a program on PATH run (in the home folder); one that fails
// leaves the run with a warning, and exit status 1 tells the script.
TEST_F(Program, CommandsAsALinuxUserWritesThemRunFromCron)
{
    folder.WriteHostFile("source/report.txt", "r");
    std::filesystem::create_directories(folder.Host("my tools"));
    folder.WriteHostFile("my tools/before.sh", "#!/bin/sh\npwd > '" + folder.Host("before-ran") + "'\n");
    std::filesystem::permissions(folder.Host("my tools/before.sh"), std::filesystem::perms::owner_all);
    WriteExampleTask(folder, false, "", "", [&](TBackupTask& task) {
        task.PreCommand = "\"" + folder.Host("my tools/before.sh") + "\"";
        task.PostCommand = "false";
        task.PreWait = task.PostWait = CommandEnabledBit;
    });
    std::string errors;
    EXPECT_EQ(RunFromCron(folder, "-force -log:2 task.buj", errors), 1) << errors << CronLog(folder);
    EXPECT_EQ(folder.ReadHostFile("before-ran"), folder.Host("home") + "\n");
    EXPECT_TRUE(std::filesystem::exists(folder.Host("dest/report.txt")));
    EXPECT_NE(CronLog(folder).find("  ## Error executing: false -> Returned errorlevel = 1\n"), std::string::npos)
        << CronLog(folder);
}

// A batch run from cron names its problems on the error output at the default log mode
// (logging off), so that cron mails them; a run that went well says only how it ended.
TEST_F(Program, ABatchRunFromCronNamesItsProblems)
{
    folder.WriteHostFile("source/report.txt", "r");
    WriteExampleTask(folder);
    std::string errors;
    EXPECT_EQ(RunFromCron(folder, "-force task.buj", errors), 0) << errors;
    EXPECT_TRUE(OnlyEndLines(errors)) << errors;
    EXPECT_NE(errors.find(" - Backup task: task.buj\n  Status: OK (1 of 1 files copied)\n"), std::string::npos)
        << errors;
    std::filesystem::remove_all(folder.Host("source"));
    EXPECT_EQ(RunFromCron(folder, "-force task.buj", errors), 2);
    EXPECT_NE(errors.find("    *** Path \"" + folder.Host("source") + "\" not found!\n"), std::string::npos) << errors;
    EXPECT_NE(errors.find(" - Backup task: task.buj\n  Status: 1 Error on backup (0 of 0 files copied)\n"),
              std::string::npos)
        << errors;
    EXPECT_FALSE(std::filesystem::exists(folder.Host("home/.config/Tessaro/tessaro.log"))) << "the log stays off";
}

// A start that needs a display ends at once where there is none, with a message and exit
// status 2, also where an automatic task at a set time would keep it waiting in the tray.
TEST_F(Program, AStartFromCronThatNeedsADisplayEndsAtOnce)
{
    WriteExampleTask(folder);
    const TTimeStampPair today = DateTimeToTimeStamp(Now());
    std::filesystem::create_directories(folder.Host("home/.config/Tessaro"));
    folder.WriteHostFile("home/.config/Tessaro/tessaro.ini",
                         "[Config]\nStartup=0\nTaskCount=1\n[AutoTask0]\nName=" + folder.Win("task.buj") +
                             "\nMode=3\nLastDate=" + std::to_string(today.Date) +
                             "\nLastTime=0\nBackupDate=" + std::to_string(today.Date + 1) + "\nBackupTime=0\n");
    std::string errors;
    EXPECT_EQ(RunFromCron(folder, "-frce task.buj", errors), 2);
    EXPECT_EQ(errors, "Unknown option ignored: -frce\nTessaro: The task editor needs a display.\n");
    EXPECT_EQ(RunFromCron(folder, "task.buj", errors), 2);
    EXPECT_EQ(errors, "Tessaro: The task editor needs a display.\n");
    EXPECT_EQ(RunFromCron(folder, "-protocol", errors), 2);
    EXPECT_EQ(errors, "Tessaro: The log viewer needs a display.\n");
    EXPECT_FALSE(std::filesystem::exists(folder.Host("dest/report.txt"))) << "nothing ran";
}

// Run A (from the desktop, say) writes the log while run B of the same user, from cron,
// fails: B's lines reach the log a person reads, whole, after A's.
TEST_F(Program, TwoRunsAtOnceBothReachTheLog)
{
    folder.WriteHostFile("source/report.txt", "r");
    ASSERT_EQ(mkfifo(folder.Host("go").c_str(), 0600), 0);
    // A waits in its command before the run, with the log open, until the test lets it go.
    WriteExampleTask(folder, false, "", "", [&](TBackupTask& task) {
        task.PreCommand = "sh -c \"touch started; read line < go\"";
        task.PreWait = CommandEnabledBit;
    });
    WriteExampleTask(folder, false, "2"); // its source is missing
    const pid_t first = StartFromCron(folder, "-force -log:2 -taskdir:'" + folder.Host() + "' task.buj");
    ASSERT_TRUE(WaitForFile(folder.Host("started")));
    std::string errors;
    EXPECT_EQ(RunFromCron(folder, "-force -log:2 task2.buj", errors), 2) << errors;
    std::ofstream(folder.Host("go")) << "go\n";
    EXPECT_EQ(ExitStatusOf(first), 0);

    const std::string log = CronLog(folder);
    const std::size_t endOfA = log.find("Backup task: task.buj\n  Status: OK (1 of 1 files copied)\n\n");
    const std::size_t startOfB = log.find("Tessaro (Vers. ", log.find("Tessaro (Vers. ") + 1);
    ASSERT_NE(endOfA, std::string::npos) << log;
    ASSERT_NE(startOfB, std::string::npos) << log;
    EXPECT_LT(endOfA, startOfB) << log;
    const std::string b = log.substr(startOfB);
    EXPECT_NE(b.find("  ==> Start: "), std::string::npos) << log;
    EXPECT_NE(b.find(" - Backup task: task2.buj\n"), std::string::npos) << log;
    EXPECT_NE(b.find("    *** Path \"" + folder.Host("source2") + "\" not found!\n"), std::string::npos) << log;
    EXPECT_NE(b.find("  Status: 1 Error on backup (0 of 0 files copied)\n\n"), std::string::npos) << log;
    EXPECT_EQ(CountOf(log, "Tessaro (Vers. "), 2u) << log;
}
