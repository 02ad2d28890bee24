// Task lists run as a batch ("-force", "-auto"): what is refused, what is logged, and
// the outcome that becomes the program's exit status.

#include "TaskTestFiles.h"
#include "foundation/ScriptedMessageDialogs.h"
#include "tasks/AutoTasks.h"
#include "tasks/BackupLog.h"
#include "tasks/BackupRun.h"
#include "tasks/BatchOutcome.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

size_t FilesBelow(const std::string& hostDir)
{
    size_t count = 0;
    std::error_code ignored;
    for (auto it = std::filesystem::recursive_directory_iterator(hostDir, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        count += it->is_regular_file() ? 1 : 0;
    }
    return count;
}

class BatchRunTest : public ::testing::Test
{
protected:
    BatchRunTest()
    {
        env.ProgramText = "Tessaro";
        env.FileVersion = "1.0";
        settings.JobDir = dir.Win() + "\\";
        settings.FileName = dir.Win("tessaro.ini");
        settings.Protocol = LogLong;
        log.LogPath = dir.Win("tessaro.log");
        run.TaskFileEnv = env;
        ConnectBackupRun(tasks, run);
        tasks.Outcome = &outcome;
        MakeDir(dir, "src");
        for (int i = 0; i < 5; ++i) {
            dir.WriteHostFile("src/f" + std::to_string(i) + ".txt", "data " + std::to_string(i));
        }
    }

    // A task of one source folder "src" into dest (Windows text).
    TBackupTask Task(const std::string& dest, int32_t destMode = DestCloneOfSource) const
    {
        TBackupTask made;
        ResetTaskOptions(made, env);
        made.Destination = dest;
        made.DestMode = destMode;
        made.Compress = false;
        TExtensionList entry;
        entry.SourceDir = entry.ExpandedDir = dir.Win("src");
        made.Sources.push_back(entry);
        return made;
    }
    void Write(TBackupTask written, const std::string& name) const
    {
        ASSERT_TRUE(WriteTaskFile(written, dir.Win(name), -1, -1, env));
    }
    bool RunList(const std::string& list) { return tasks.RunAutoTasks(list, ReasonRunNow, 3, true); }
    std::string Log() const { return dir.ReadHostFile("tessaro.log"); }

    TTaskTestDir dir;
    TTaskFileEnv env;
    TProgramSettings settings;
    TBackupTask task;
    TBackupLog log;
    TBackupSupervision supervision;
    TBackupRun run{task, settings, log, supervision};
    TAutoTasks tasks{settings, task, log, env};
    TBatchOutcome outcome;
    TScriptedMessageDialogs dialogs;
};

} // namespace

TEST(BatchOutcome, TheWorstRunDecidesTheExitStatus)
{
    EXPECT_EQ(RunOutcomeOf(true, 0, 0), TRunOutcome::Ok);
    EXPECT_EQ(RunOutcomeOf(true, 0, 3), TRunOutcome::Warnings);
    EXPECT_EQ(RunOutcomeOf(true, 1, 3), TRunOutcome::Failed);
    EXPECT_EQ(RunOutcomeOf(false, 0, 0), TRunOutcome::Failed) << "refused or cancelled";

    TBatchOutcome batch;
    EXPECT_EQ(batch.ExitStatus(), 0) << "nothing ran";
    batch.AddRun(true, 0, 0);
    EXPECT_EQ(batch.ExitStatus(), 0);
    batch.AddRun(true, 0, 2);
    EXPECT_EQ(batch.ExitStatus(), 1);
    batch.AddRun(false, 0, 0);
    batch.AddRun(true, 0, 0);
    EXPECT_EQ(batch.ExitStatus(), 2) << "a later good run does not hide a failure";
    EXPECT_EQ(batch.Runs(), 4);
    batch.Reset();
    EXPECT_EQ(batch.ExitStatus(), 0);
}

TEST_F(BatchRunTest, AGoodRunAndARunWithErrorsGiveTheirOutcomes)
{
    Write(Task(dir.Win("dest")), "good.buj");
    EXPECT_TRUE(RunList("good"));
    EXPECT_EQ(FilesBelow(dir.Host("dest")), 5u);
    EXPECT_EQ(outcome.ExitStatus(), 0);

    TBackupTask missingSource = Task(dir.Win("dest2"));
    missingSource.Sources.front().SourceDir = missingSource.Sources.front().ExpandedDir = dir.Win("gone");
    Write(missingSource, "gone.buj");
    RunList("gone");
    EXPECT_EQ(outcome.ExitStatus(), 2) << Log();
}

TEST_F(BatchRunTest, ADestinationInsideTheSourceIsRefusedEveryTime)
{
    Write(Task(dir.Win("src\\backup")), "inside.buj");
    for (int i = 0; i < 3; ++i) {
        RunList("inside");
    }
    EXPECT_EQ(FilesBelow(dir.Host("src")), 5u) << "the previous backup was backed up again";
    EXPECT_NE(Log().find("    *** Overlapping of source and destination directories is not allowed! - Backup task: "
                         "inside.buj"),
              std::string::npos)
        << Log();
    EXPECT_EQ(outcome.ExitStatus(), 2);
    EXPECT_EQ(dialogs.ShownCount(), 0u) << "a quiet run shows nothing";
}

TEST_F(BatchRunTest, ASourceInsideASynchronisedDestinationIsRefused)
{
    MakeDir(dir, "src/keep");
    dir.WriteHostFile("src/keep/k.txt", "k");
    TBackupTask synced = Task(dir.Win("src"), DestOneDirectory);
    synced.Sources.front().SourceDir = synced.Sources.front().ExpandedDir = dir.Win("src\\keep");
    synced.SyncMode = 1;
    Write(synced, "sync.buj");
    RunList("sync");
    EXPECT_EQ(FilesBelow(dir.Host("src")), 6u) << "nothing deleted or added";
    EXPECT_NE(Log().find("lies in a destination folder that this task empties or synchronises!"), std::string::npos)
        << Log();
    EXPECT_EQ(outcome.ExitStatus(), 2);
}

TEST_F(BatchRunTest, AnUnknownLayoutIsAnInvalidTask)
{
    Write(Task(dir.Win("dest"), 9), "layout.buj");
    RunList("layout");
    EXPECT_FALSE(std::filesystem::exists(dir.Host("dest")));
    EXPECT_NE(Log().find("    *** Unvalid task configuration - Backup task: layout.buj"), std::string::npos) << Log();
    EXPECT_EQ(outcome.ExitStatus(), 2);
}

TEST_F(BatchRunTest, MissingFilesAndTextsThatAreNoTaskAreLoggedAndFail)
{
    dir.WriteHostFile("note.txt", "Shopping\nmilk\nbread\n");
    RunList("absent," + dir.Win("note.txt"));
    EXPECT_NE(Log().find("    *** Task file not found: " + dir.Host("absent.buj")), std::string::npos) << Log();
    EXPECT_NE(Log().find("    *** Not a backup task file: " + dir.Host("note.txt")), std::string::npos) << Log();
    EXPECT_EQ(dir.ReadHostFile("note.txt"), "Shopping\nmilk\nbread\n");
    EXPECT_EQ(outcome.ExitStatus(), 2);
    EXPECT_EQ(outcome.Runs(), 2);

    // Shown as well when the run is not quiet.
    tasks.RunAutoTasks("absent", ReasonRunNow, 3, false);
    EXPECT_EQ(dialogs.LastText(), "File\r\n\"" + dir.Win("absent.buj") + "\"\r\nnot found!");
}

TEST_F(BatchRunTest, OnlyTaskFilesTakeTheStatisticsOfARun)
{
    // A note that happens to look like the old plain-text form: line 3 starts with "D ".
    const std::string note = dir.Win("dest") + "\n1\nD " + dir.Win("src") + "\n1 0\n\n\n";
    dir.WriteHostFile("note.txt", note);
    dir.WriteHostFile("old.buj", note);
    RunList(dir.Win("note.txt") + "," + dir.Win("old.buj"));
    EXPECT_EQ(dir.ReadHostFile("note.txt"), note) << "a text file given by mistake is left alone";
    EXPECT_NE(dir.ReadHostFile("old.buj").find("[Global]"), std::string::npos) << "an old task file is converted";
}
