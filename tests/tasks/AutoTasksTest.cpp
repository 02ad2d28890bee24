#include "tasks/AutoTasks.h"

#include "TaskTestFiles.h"
#include "foundation/IniFile.h"
#include "foundation/ScriptedMessageDialogs.h"
#include "tasks/BackupLog.h"
#include "tasks/BackupRun.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

struct TRecordedRun
{
    int Index = 0;
    std::string File;
    int EndMode = 0;
    int Priority = 0;
    int32_t ActCycle = 0;
};

void SetLocalNow(TDateTime now)
{
    SetClockForTests([now] { return LocalDateTimeToFileTime(now); });
}

// 2026-12-09 is a Wednesday.
const TDateTime Wednesday = EncodeDate(2026, 12, 9);

class AutoTasksTest : public ::testing::Test
{
protected:
    AutoTasksTest() : tasks(settings, task, log, env)
    {
        env.ProgramText = "Tessaro";
        env.FileVersion = "0.1.0";
        env.DefaultDate = DefaultDateFilter(40000);
        settings.JobDir = dir.Win() + "\\";
        settings.FileName = dir.Win("tessaro.ini");
        log.LogPath = dir.Win("tessaro.log");
        for (const char* name : {"a", "b", "c"}) {
            TBackupTask t;
            t.Destination = dir.Win("dest");
            EXPECT_TRUE(WriteTaskFile(t, dir.Win(std::string(name) + ".buj"), -1, -1, env));
        }
        tasks.Host.RunBackup = [this](int index, const std::string& file, int endMode, int priority) {
            TAutoTask* slot = index > 0 ? &settings.AutoTasks[static_cast<size_t>(index - 1)] : nullptr;
            runs.push_back({index, file, endMode, priority, slot ? slot->ActCycle : 0});
            if (backupOk && slot) {
                if (slot->StepMode > 0) {
                    slot->LastCycle = slot->ActCycle;
                }
                slot->LastRun = Now();
            }
            if (duringRun) {
                duringRun();
            }
            return backupOk;
        };
        tasks.Host.StartAnimation = [this](char) { ++animations; };
        tasks.Host.StopAnimation = [this] { --animations; };
        SetLocalNow(Wednesday + 0.5);
    }
    ~AutoTasksTest() override { ResetClock(); }

    TAutoTask& UseSlot(int slot, const char* name, int32_t mode)
    {
        TAutoTask& t = settings.AutoTasks[static_cast<size_t>(slot)];
        t = TAutoTask(dir.Win(std::string(name) + ".buj"));
        t.Mode = mode;
        t.AutoEnd = EndNotVisible;
        tasks.UpdateAutoFlags();
        return t;
    }
    std::vector<int> RunIndexes() const
    {
        std::vector<int> indexes;
        for (const auto& run : runs) {
            indexes.push_back(run.Index);
        }
        return indexes;
    }

    TTaskTestDir dir;
    TProgramSettings settings;
    TBackupTask task;
    TBackupLog log;
    TTaskFileEnv env;
    TAutoTasks tasks;
    std::vector<TRecordedRun> runs;
    bool backupOk = true;
    int animations = 0;
    std::function<void()> duringRun;
    TScriptedMessageDialogs dialogs;
};

} // namespace

TEST_F(AutoTasksTest, DailyRotationInWeeksFollowsTheWeekday)
{
    TAutoTask& t = UseSlot(0, "a", AutoDailyLogon);
    t.StepMode = StepDaily;
    t.Cycles = 14;
    t.WeekOffset = 1;
    t.ActCycle = 9; // Tuesday of the second week
    t.LastRun = Wednesday - 1;
    EXPECT_EQ(tasks.RotationCounter(0, Wednesday), 0x100A);
    t.ActCycle = 10;
    EXPECT_EQ(tasks.RotationCounter(0, Wednesday + 5), 0x1001) << "next Monday starts a new week";
    EXPECT_EQ(t.WeekOffset, 0);
}

TEST_F(AutoTasksTest, RotationValuesOfEveryStepMode)
{
    struct TCase
    {
        int32_t StepMode, Mode, Cycles, ActCycle, LastCycle;
        TDateTime LastRun, Day;
        int Expected;
        int32_t ActCycleAfter;
    };
    const TDateTime monday = Wednesday - 2;
    const TCase cases[] = {
        {StepNone, AutoDailyLogon, 5, 3, 3, Wednesday - 1, Wednesday, 0, 3},
        {StepDaily, AutoDailyLogon, 5, 5, 5, Wednesday - 1, Wednesday, 1, 5},
        {StepDaily, AutoDailyLogon, 5, 2, 2, Wednesday + 0.3, Wednesday, RotationSkip, 2},
        {StepDaily, AutoEveryLogon, 5, 2, 2, Wednesday + 0.3, Wednesday, 3, 2},
        {StepDaily, AutoOnLogoff, 5, 2, 2, Wednesday + 0.3, Wednesday, 3, 2},
        {StepDaily, AutoDailyLogon, 0, 4, 4, Wednesday - 1, Wednesday, 1, 4}, // 0 cycles read as 1
        {StepDaily, AutoDailyLogon, 7, 3, 3, EncodeDate(2026, 12, 31), EncodeDate(2027, 1, 1), 0x1005, 3},
        {StepWeekly, AutoEveryLogon, 4, 3, 2, monday, Wednesday, 3, 2},          // same week: last cycle again
        {StepWeekly, AutoEveryLogon, 4, 2, 2, Wednesday - 3, Wednesday, 3, 2},   // Sunday before: new week
        {StepWeekly, AutoEveryLogon, 4, 4, NoCycleYet, monday, Wednesday, 1, 4}, // first run
        {StepOncePerWeek, AutoWeeklyLogon, 4, 2, 2, monday, Wednesday, RotationSkip, 2},
        {StepOncePerWeek, AutoWeeklyLogon, 4, 4, 4, Wednesday - 3, Wednesday, 1, 4},
    };
    for (const TCase& c : cases) {
        TAutoTask& t = UseSlot(0, "a", c.Mode);
        t.StepMode = c.StepMode;
        t.Cycles = c.Cycles;
        t.ActCycle = c.ActCycle;
        t.LastCycle = c.LastCycle;
        t.LastRun = c.LastRun;
        EXPECT_EQ(tasks.RotationCounter(0, c.Day), c.Expected) << "step " << c.StepMode << " act " << c.ActCycle;
        EXPECT_EQ(t.ActCycle, c.ActCycleAfter) << "step " << c.StepMode;
    }
    EXPECT_EQ(WeekNumber(Wednesday - 2), WeekNumber(Wednesday + 4));
    EXPECT_EQ(WeekNumber(Wednesday - 3) + 1, WeekNumber(Wednesday - 2));
    EXPECT_EQ(StartOfWeek(Wednesday + 0.7), Wednesday - 2);
}

TEST_F(AutoTasksTest, LogonRunsFollowTheDueRuleOfEachMode)
{
    UseSlot(0, "a", AutoEveryLogon).LastRun = Wednesday + 0.2;
    UseSlot(1, "b", AutoDailyLogon).LastRun = Wednesday + 0.2; // ran today
    UseSlot(2, "c", AutoDailyLogon).LastRun = Wednesday - 0.5; // yesterday
    UseSlot(3, "a", AutoWeeklyLogon).LastRun = Wednesday - 2;  // Monday of this week
    UseSlot(4, "b", AutoWeeklyLogon).LastRun = Wednesday - 3;  // Sunday before
    UseSlot(5, "c", AutoNever);
    EXPECT_TRUE(tasks.RunAutoTasks("", ReasonAutoStart, 3, false));
    EXPECT_EQ(RunIndexes(), (std::vector<int>{1, 3, 5}));
    EXPECT_EQ(settings.AutoTasks[4].NextBackup, Wednesday + 5) << "start of next week";
    EXPECT_EQ(animations, 0);
    EXPECT_FALSE(tasks.TimerEnabled());

    // The year changes between two logons of a daily slot.
    runs.clear();
    settings.AutoTasks = {};
    UseSlot(0, "a", AutoDailyLogon).LastRun = EncodeDateTime(2026, 12, 31, 23, 0, 0);
    SetLocalNow(EncodeDateTime(2027, 1, 1, 0, 5, 0));
    tasks.RunAutoTasks("", ReasonAutoStart, 3, false);
    tasks.RunAutoTasks("", ReasonAutoStart, 3, false);
    EXPECT_EQ(RunIndexes(), (std::vector<int>{1}));
}

TEST_F(AutoTasksTest, TimedAndLogoffSlotsKeepTheProgramInTheTray)
{
    UseSlot(0, "a", AutoOnLogoff);
    std::vector<bool> timer;
    tasks.Host.TimerChanged = [&timer](bool on) { timer.push_back(on); };
    EXPECT_FALSE(tasks.RunAutoTasks("", ReasonAutoStart, 3, false));
    EXPECT_TRUE(runs.empty());
    EXPECT_EQ(timer, std::vector<bool>{true});

    // Daily at 10:00: at noon of a day it has not run yet, it runs and moves to tomorrow.
    TAutoTask& t = UseSlot(1, "b", AutoDailyAt);
    t.NextBackup = Wednesday - 3 + 10.0 / 24;
    t.LastRun = Wednesday - 1;
    EXPECT_FALSE(tasks.RunAutoTasks("", ReasonAutoStart, 3, false));
    EXPECT_EQ(RunIndexes(), std::vector<int>{2});
    EXPECT_DOUBLE_EQ(t.NextBackup, Wednesday + 1 + 10.0 / 24);

    // Logoff runs only the logoff slot.
    runs.clear();
    EXPECT_TRUE(tasks.RunAutoTasks("", ReasonEndOfSession, 3, false));
    EXPECT_EQ(RunIndexes(), std::vector<int>{1});
    EXPECT_FALSE(tasks.TimerEnabled());
}

TEST_F(AutoTasksTest, RunNowListsPickSlotsOrTaskFiles)
{
    UseSlot(0, "a", AutoEveryLogon);
    UseSlot(2, "b", AutoDailyLogon);
    TAutoTask& weekly = UseSlot(3, "c", AutoWeeklyLogon);
    weekly.StepMode = StepOncePerWeek;
    weekly.Cycles = 4;
    weekly.LastRun = Wednesday - 1; // already ran this week: not skipped by hand
    EXPECT_TRUE(tasks.RunAutoTasks("#3", ReasonRunNow, 3, true));
    EXPECT_EQ(RunIndexes(), std::vector<int>{3});
    runs.clear();
    EXPECT_TRUE(tasks.RunAutoTasks("#", ReasonRunNow, 3, true));
    EXPECT_EQ(RunIndexes(), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(runs[0].EndMode, EndNotVisible);
    EXPECT_EQ(weekly.ActCycle, 1) << "rotation -1 is not stored";

    runs.clear();
    EXPECT_TRUE(tasks.RunAutoTasks("a,missing,b", ReasonRunNow, 2, false));
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].File, dir.Win("a.buj"));
    EXPECT_EQ(runs[1].File, dir.Win("b.buj"));
    EXPECT_EQ(runs[0].Index, 0);
    EXPECT_EQ(runs[0].Priority, 2);
    EXPECT_EQ(runs[0].EndMode, EndCloseAfterDelay);
    EXPECT_EQ(dialogs.LastText(), "File\r\n\"" + dir.Win("missing.buj") + "\"\r\nnot found!");
    EXPECT_EQ(tasks.CurrentTask, dir.Win("a.buj"));
    EXPECT_FALSE(tasks.RunAutoTasks("", ReasonRunNow, 3, false));
}

TEST_F(AutoTasksTest, RunNowRestoresTheTimerForTimedSlots)
{
    UseSlot(0, "a", AutoDailyAt).NextBackup = Wednesday + 0.9;
    tasks.SetTimer(true);
    EXPECT_TRUE(tasks.RunAutoTasks("#1", ReasonRunNow, 3, true));
    EXPECT_EQ(runs.size(), 1u);
    EXPECT_TRUE(tasks.TimerEnabled());
}

TEST_F(AutoTasksTest, CatchUpRunsDifferBetweenLogonAndTimer)
{
    TAutoTask& t = UseSlot(0, "a", AutoEveryLogon);
    t.StepMode = StepDaily;
    t.Cycles = 5;
    t.SchedMode = 1;
    t.ActCycle = 3;
    t.LastCycle = 3;
    t.LastRun = Wednesday - 1;
    tasks.RunAutoTasks("", ReasonAutoStart, 3, false);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].ActCycle, 1) << "catch-up run";
    EXPECT_EQ(runs[1].ActCycle, 3) << "normal run with the cycle of the previous run";
    EXPECT_EQ(t.ActCycle, 4);

    runs.clear();
    t.Mode = AutoDailyAt;
    t.ActCycle = 3;
    t.LastCycle = 3;
    t.LastRun = Wednesday - 1;
    t.NextBackup = Wednesday + 0.25;
    tasks.UpdateAutoFlags();
    tasks.TimerTimer();
    ASSERT_EQ(runs.size(), 1u) << "no catch-up: ActCycle is not below LastCycle";
    t.ActCycle = 2;
    t.LastCycle = 3;
    t.LastRun = Wednesday - 1; // put back after the catch-up: the normal run is not skipped
    const TDateTime lastRun = t.LastRun;
    t.NextBackup = Wednesday + 0.25;
    runs.clear();
    tasks.TimerTimer();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].ActCycle, 1);
    EXPECT_EQ(runs[1].ActCycle, 2);
    EXPECT_NE(lastRun, t.LastRun);
    EXPECT_TRUE(tasks.TimerEnabled());
}

TEST_F(AutoTasksTest, TimerOnlyMovesADueTimeThatIsStillAheadToday)
{
    TAutoTask& t = UseSlot(0, "a", AutoDailyAt);
    t.NextBackup = Wednesday - 2 + 0.75; // Monday 18:00, now is Wednesday noon
    int reloads = 0;
    tasks.Host.ReloadCurrentTask = [&reloads] { ++reloads; };
    tasks.TimerTimer();
    EXPECT_TRUE(runs.empty());
    EXPECT_DOUBLE_EQ(t.NextBackup, Wednesday + 0.75);
    SetLocalNow(Wednesday + 0.8);
    tasks.TimerTimer();
    EXPECT_EQ(runs.size(), 1u);
    EXPECT_DOUBLE_EQ(t.NextBackup, Wednesday + 1.75);
    EXPECT_EQ(reloads, 1);
}

TEST_F(AutoTasksTest, ARefusedPreCommandStopsTheAnimationAndSkipsTheRun)
{
    TAutoTask& t = UseSlot(0, "a", AutoEveryLogon);
    t.PreCommand = "no-such-program";
    t.PreWait = CommandEnabledBit;
    settings.Protocol = LogLong;
    int starts = 0;
    tasks.Host.StartAnimation = [&starts](char letter) {
        EXPECT_EQ(letter, 'B');
        ++starts;
    };
    tasks.Host.StopAnimation = [&starts] { --starts; };
    tasks.RunAutoTasks("", ReasonAutoStart, 3, false);
    EXPECT_TRUE(runs.empty());
    EXPECT_EQ(starts, 0);
    EXPECT_EQ(dialogs.ShownCount(), 0u) << "quiet runs show no dialog";
    EXPECT_NE(dir.ReadHostFile("tessaro.log").find("External program not found: no-such-program"), std::string::npos);
}

TEST_F(AutoTasksTest, RequestsDuringARunWaitForItsEnd)
{
    UseSlot(0, "a", AutoEveryLogon);
    std::vector<std::string> events;
    tasks.Host.AskSaveChangedTask = [&events] {
        events.push_back("ask");
        return true;
    };
    tasks.Host.OpenTask = [&events](const std::string& file) { events.push_back("open " + file); };
    duringRun = [&] {
        events.push_back("run");
        task.Modified = true;
        EXPECT_FALSE(tasks.RunAutoTasks("b", ReasonHandOver, 3, false));
        tasks.TimerTimer();
    };
    tasks.RunAutoTasks("#1", ReasonRunNow, 3, true);
    EXPECT_EQ(events, (std::vector<std::string>{"run", "ask", "open " + dir.Win("b.buj")}));
    EXPECT_EQ(runs.size(), 1u);
}

TEST_F(AutoTasksTest, TaskNamesAndInfoText)
{
    EXPECT_EQ(tasks.ExpandTaskName("daily"), dir.Win("daily.buj"));
    EXPECT_EQ(tasks.ExpandTaskName("john.doe\\daily"), dir.Win("john.doe\\daily.buj"));
    EXPECT_EQ(tasks.ExpandTaskName("C:\\t\\x.old"), "C:\\t\\x.old");
    EXPECT_EQ(tasks.ExpandTaskName("\\t\\x"), "\\t\\x.buj");

    UseSlot(0, "a", AutoDailyLogon);
    UseSlot(2, "b", AutoWeeklyLogon).NextBackup = Wednesday + 5;
    UseSlot(3, "c", AutoOnLogoff);
    EXPECT_EQ(tasks.AutoTaskInfoText(), "1: Backup task: a\r   - Next backup: Once per day on logon\r"
                                        "3: Backup task: b\r   - Next backup: At first logon in week 51\r"
                                        "4: Backup task: c\r   - Next backup: At logoff or shutdown");

    EXPECT_DOUBLE_EQ(NextBackupFor(AutoDailyAt, "18:30", Wednesday + 0.5), Wednesday + 18.5 / 24);
    EXPECT_DOUBLE_EQ(NextBackupFor(AutoDailyAt, "08:00", Wednesday + 0.5), Wednesday + 1 + 8.0 / 24);
    EXPECT_DOUBLE_EQ(NextBackupFor(AutoDailyAt, "8 o'clock", Wednesday + 0.5), Wednesday + 1.5);
    EXPECT_DOUBLE_EQ(NextBackupFor(AutoWeeklyLogon, "", Wednesday + 0.5), Wednesday + 5);
}

TEST_F(AutoTasksTest, WeeklyRotationKeepsOneFolderPerWeek)
{
    TAutoTask& t = UseSlot(0, "a", AutoEveryLogon);
    t.StepMode = StepWeekly;
    t.Cycles = 4;
    t.ActCycle = 2;
    t.LastCycle = 1;
    t.LastRun = Wednesday - 7;
    tasks.RunAutoTasks("", ReasonAutoStart, 3, false);
    SetLocalNow(Wednesday + 0.7);
    tasks.RunAutoTasks("", ReasonAutoStart, 3, false);
    SetLocalNow(Wednesday + 5.3); // Monday
    tasks.RunAutoTasks("", ReasonAutoStart, 3, false);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].ActCycle, 2);
    EXPECT_EQ(runs[1].ActCycle, 2) << "same week, same folder";
    EXPECT_EQ(runs[2].ActCycle, 3);
}

TEST(AutoTaskRun, RunsTheSlotThroughTheBackupRunWithItsRotationAndCommands)
{
    TTaskTestDir dir;
    MakeDir(dir, "src");
    dir.WriteHostFile("src/f.txt", "data");
    dir.WriteHostFile("slot.sh", "#!/bin/sh\necho \"$1\" >> order\n");
    ::chmod(dir.Host("slot.sh").c_str(), 0755);
    TTaskFileEnv env;
    env.FileVersion = "1.0";
    {
        TBackupTask written;
        written.Destination = dir.Win("dest");
        written.DestMode = DestCloneOfSource;
        written.Compress = false;
        TExtensionList entry;
        entry.SourceDir = entry.ExpandedDir = dir.Win("src");
        written.Sources.push_back(entry);
        ASSERT_TRUE(WriteTaskFile(written, dir.Win("daily.buj"), -1, -1, env));
    }
    TProgramSettings settings;
    settings.JobDir = dir.Win() + "\\";
    settings.FileName = dir.Win("tessaro.ini");
    settings.Protocol = LogLong;
    TAutoTask& slot = settings.AutoTasks[0] = TAutoTask(dir.Win("daily.buj"));
    slot.Mode = AutoDailyLogon;
    slot.StepMode = StepDaily;
    slot.Cycles = 3;
    slot.PreCommand = "slot.sh pre";
    slot.PostCommand = "slot.sh post";
    slot.PreWait = slot.PostWait = CommandEnabledBit | 30;
    ASSERT_TRUE(WriteSettings(settings));
    TBackupTask task;
    TBackupLog log;
    log.LogPath = dir.Win("tessaro.log");
    TBackupSupervision supervision;
    TBackupRun run(task, settings, log, supervision);
    run.TaskFileEnv = env;
    TAutoTasks tasks(settings, task, log, env);
    ConnectBackupRun(tasks, run);
    TScriptedMessageDialogs dialogs;

    EXPECT_TRUE(tasks.RunAutoTasks("#1", ReasonRunNow, 3, true));
    EXPECT_EQ(dir.ReadHostFile("order"), "pre\npost\n");
    bool copied = false;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.Host("dest/BD01"))) {
        copied = copied || entry.path().filename() == "f.txt";
    }
    EXPECT_TRUE(copied) << "rotation folder of the cycle before the run";
    EXPECT_EQ(slot.LastCycle, 1);
    EXPECT_EQ(slot.ActCycle, 2);
    EXPECT_GT(slot.LastRun, 0);
    EXPECT_EQ(dialogs.ShownCount(), 0u);
    TIniFile ini(settings.FileName);
    EXPECT_EQ(ini.ReadInteger("AutoTask0", "ActCycle", 0), 2) << "run dates written";
    EXPECT_EQ(ini.ReadInteger("AutoTask0", "LastCycle", 0), 1);
}
