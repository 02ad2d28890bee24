// What a run started by cron or a script says, and what it does with what a Linux user
// writes: the program itself with HOME and PATH alone, no display, no session folder.

#include "ProgramRun.h"
#include "tasks/TaskModel.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

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
