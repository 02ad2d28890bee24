#include "tasks/ExecuteCommand.h"

#include "EnvGuard.h"
#include "TaskTestFiles.h"
#include "foundation/DateUtils.h"
#include "foundation/ScriptedMessageDialogs.h"
#include "platform/Drives.h"
#include "tasks/BackupLog.h"
#include "tasks/TaskModel.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

class ExecuteCommandTest : public ::testing::Test
{
protected:
    ExecuteCommandTest()
    {
        MakeDir(dir, "tasks");
        MakeDir(dir, "stick");
        WriteScript("tasks/record.sh",
                    "printf '%s\\n' \"$@\" > \"$(dirname \"$0\")/args\"; echo said; exit ${CODE:-0}");
        context.TaskDir = dir.Win("tasks") + "\\";
        context.Destination = dir.Win("dest");
        context.Log = &log;
        log.LogPath = dir.Win("tessaro.log");
        EXPECT_EQ(log.OpenLog(LogLong, false, false), 0);
    }
    ~ExecuteCommandTest() override
    {
        log.CloseLog();
        ResetClock();
    }

    void WriteScript(const std::string& name, const std::string& body)
    {
        dir.WriteHostFile(name, "#!/bin/sh\n" + body + "\n");
        ::chmod(dir.Host(name).c_str(), 0755);
    }
    std::string LogText()
    {
        log.CloseLog();
        std::string text = dir.ReadHostFile("tessaro.log");
        log.OpenLog(LogLong, false, false);
        return text;
    }

    TTaskTestDir dir;
    TBackupLog log;
    TCommandContext context;
    TScriptedMessageDialogs dialogs;
};

} // namespace

TEST_F(ExecuteCommandTest, DisabledOrEmptyCommandsDoNothing)
{
    EXPECT_EQ(ExecuteCommand("record.sh", 0, EndWaitForUser, context), TCommandOutcome::Done);
    EXPECT_EQ(ExecuteCommand("", CommandEnabledBit, EndWaitForUser, context), TCommandOutcome::Done);
    EXPECT_FALSE(std::filesystem::exists(dir.Host("tasks/args")));
    EXPECT_EQ(dialogs.ShownCount(), 0u);
}

TEST_F(ExecuteCommandTest, RelativeProgramRunsInTheTaskFolderWithTheDestination)
{
    SetClockForTests([] { return LocalDateTimeToFileTime(EncodeDateTime(2026, 12, 9, 12, 0, 0)); });
    context.Destination = dir.Win("dest\\%year%");
    ASSERT_EQ(ExecuteCommand("record.sh %DEST% \"%sysdir%\"", CommandEnabledBit | 20, EndWaitForUser, context),
              TCommandOutcome::Done);
    EXPECT_EQ(dir.ReadHostFile("tasks/args"), dir.Host("dest/2026") + "\n/usr/bin\n");
    const std::string text = LogText();
    EXPECT_NE(text.find("      said\n"), std::string::npos) << "captured output goes to the log";
    EXPECT_NE(text.find("  ## External program succeeded: record.sh " + dir.Host("dest/2026")), std::string::npos);
    EXPECT_EQ(dialogs.ShownCount(), 0u);
}

TEST_F(ExecuteCommandTest, VolumeLabelsInTheDestinationNameTheirDrive)
{
    // The drive table follows the environment; reloaded again when the test ends.
    struct TDrives
    {
        TEnvGuard env;
        ~TDrives() { Platform::ReloadDriveTable(); }
    } drives;
    drives.env.Set("TESSARO_DRIVES", "E=" + dir.Host("stick") + ",removable,BACKUP");
    Platform::ReloadDriveTable();
    context.Destination = ":BACKUP:\\daily";
    EXPECT_EQ(ExecuteCommand("record.sh %dest%", CommandEnabledBit, EndWaitForUser, context), TCommandOutcome::Done);
    EXPECT_EQ(dir.ReadHostFile("tasks/args"), dir.Host("stick") + "/daily\n");

    context.Destination = ":NOSUCHLABEL:\\daily";
    std::filesystem::remove(dir.Host("tasks/args"));
    EXPECT_EQ(ExecuteCommand("record.sh %dest%", CommandEnabledBit, EndWaitOnError, context),
              TCommandOutcome::NotFound);
    EXPECT_FALSE(std::filesystem::exists(dir.Host("tasks/args"))) << "an unknown label must not run the command";
    EXPECT_EQ(dialogs.LastText().rfind("External program not found: record.sh", 0), 0u);
}

TEST_F(ExecuteCommandTest, FailuresAreLoggedAndShownOnlyWhenTheRunShowsDialogs)
{
    TEnvGuard env;
    env.Set("CODE", "3");
    for (const int endMode : {EndWaitForUser, EndCloseAfterDelay, EndNotVisible, EndWaitOnError}) {
        const std::size_t before = dialogs.ShownCount();
        EXPECT_EQ(ExecuteCommand("record.sh", CommandEnabledBit, endMode, context), TCommandOutcome::Failed);
        const bool shown = endMode == EndWaitForUser || endMode == EndWaitOnError;
        EXPECT_EQ(dialogs.ShownCount(), before + (shown ? 1 : 0)) << endMode;
    }
    EXPECT_EQ(dialogs.LastText(), "Error executing: record.sh\r\nReturned errorlevel = 3");
    EXPECT_NE(LogText().find("  ## Error executing: record.sh -> Returned errorlevel = 3"), std::string::npos);

    EXPECT_EQ(ExecuteCommand("missing.sh arg", CommandEnabledBit, EndNotVisible, context), TCommandOutcome::NotFound);
    EXPECT_EQ(dialogs.ShownCount(), 2u);
    EXPECT_NE(LogText().find("  ## External program not found: missing.sh arg"), std::string::npos);
}

// The program as a Linux user gives it: a host path (quoted where it holds a blank), a
// path inside the task folder or a name found in PATH; placeholders inside an argument
// give host paths too. Without its task folder a command runs in the home folder.
TEST_F(ExecuteCommandTest, ProgramsAsALinuxUserWritesThem)
{
    MakeDir(dir, "tools dir");
    MakeDir(dir, "tasks/bin");
    MakeDir(dir, "home");
    const std::string where = "pwd > \"$1\"; shift; printf '%s\\n' \"$@\" >> \"$(dirname \"$0\")/../where.args\"";
    WriteScript("tools dir/where.sh", where);
    WriteScript("tasks/bin/where.sh", where);
    const std::string quoted = "\"" + dir.Host("tools dir/where.sh") + "\" ";
    TEnvGuard env;
    env.Set("HOME", dir.Host("home"));
    for (const std::string& command : {quoted + dir.Host("run1") + " --to=%dest%", "bin/where.sh " + dir.Host("run2"),
                                       "touch " + dir.Host("run3")}) {
        EXPECT_EQ(ExecuteCommand(command, CommandEnabledBit, EndWaitForUser, context), TCommandOutcome::Done)
            << command;
    }
    EXPECT_EQ(dir.ReadHostFile("run1"), dir.Host("tasks") + "\n");
    EXPECT_EQ(dir.ReadHostFile("where.args"), "--to=" + dir.Host("dest") + "\n");
    EXPECT_EQ(dir.ReadHostFile("run2"), dir.Host("tasks") + "\n");
    EXPECT_TRUE(std::filesystem::exists(dir.Host("run3")));

    context.TaskDir = dir.Win("no tasks yet") + "\\";
    EXPECT_EQ(ExecuteCommand(quoted + dir.Host("run4"), CommandEnabledBit, EndWaitForUser, context),
              TCommandOutcome::Done);
    EXPECT_EQ(dir.ReadHostFile("run4"), dir.Host("home") + "\n");
    EXPECT_EQ(ExecuteCommand("bin/where.sh x", CommandEnabledBit, EndNotVisible, context), TCommandOutcome::NotFound);
    EXPECT_EQ(dialogs.ShownCount(), 0u);
}

TEST_F(ExecuteCommandTest, CmdCommandsCheckOnlyWhatFollowsTheSwitch)
{
    EXPECT_FALSE(CommandProgramExists("cmd /c copy a b", context.TaskDir));
    EXPECT_TRUE(CommandProgramExists("CMD /C \"" + dir.Win("tasks\\record.sh") + "\" x", context.TaskDir));
    EXPECT_TRUE(CommandProgramExists("cmd.exe /k anything", context.TaskDir));
    EXPECT_TRUE(CommandProgramExists("record.sh", context.TaskDir));
    EXPECT_TRUE(CommandProgramExists("\"" + dir.Win("tasks\\record.sh") + "\" x", ""));
    EXPECT_FALSE(CommandProgramExists("copy", context.TaskDir));
}
