#include "tasks/Settings.h"

#include "TaskTestFiles.h"
#include "foundation/IniFile.h"
#include "platform/FileSystem.h"
#include "tasks/TypeLists.h"

#include <gtest/gtest.h>

namespace {

constexpr double ReadingTime = 40000.5;

TSettingsEnv TestEnv(const TTaskTestDir& dir)
{
    TSettingsEnv env;
    env.DocumentsDir = dir.Win("docs");
    env.TaskExists = [](const std::string& file) { return file.find("missing") == std::string::npos; };
    env.Now = [] { return ReadingTime; };
    return env;
}

TProgramSettings Read(const TTaskTestDir& dir, const std::string& name = "tessaro.ini")
{
    TProgramSettings settings;
    ReadSettings(dir.Win(name), settings, TestEnv(dir));
    return settings;
}

TAutoTask Slot(const std::string& name)
{
    TAutoTask task(name);
    task.Mode = AutoDailyAt;
    task.Priority = 2;
    task.AutoEnd = EndWaitOnError;
    task.PreCommand = "\"C:\\Prog Files\\x.exe\" arg";
    task.PostCommand = "post";
    task.PreWait = CommandEnabledBit | 5;
    task.PostWait = 3;
    task.StepMode = StepDaily;
    task.Cycles = 14;
    task.StartDay = 3;
    task.ActCycle = 9;
    task.WeekOffset = 1;
    task.SchedMode = 2;
    task.LastCycle = 8;
    task.LastRun = 39999.25;
    task.NextBackup = 40001.75;
    return task;
}

} // namespace

TEST(Settings, WrittenSettingsReadBackEqual)
{
    TTaskTestDir dir;
    MakeDir(dir, "tasks");
    MakeDir(dir, "last");
    TProgramSettings settings;
    settings.FileName = dir.Win("tessaro.ini");
    settings.DownloadDir = "C:\\dl";
    settings.LastCheckedVersion = "1.2";
    settings.LastDir = dir.Win("last");
    settings.JobDir = dir.Win("tasks") + "\\";
    settings.LastFile = dir.Win("tasks") + "\\daily.buj";
    settings.BufferSize = 65536;
    settings.CompSize = 100;
    settings.MinPwdLength = 8;
    settings.WaitTime = 9;
    settings.Startup = 30;
    settings.NoCompress = {"zip", "mp3"};
    settings.ProtDir = dir.Win("logs");
    settings.Protocol = 2 | ProtocolRestores;
    settings.Printer = "Laser";
    settings.FilenameCase = 2;
    settings.ReplaceChars = true;
    settings.Shutdown = 4;
    settings.BackupSuffix = "old";
    settings.NoSplash = true;
    settings.ScanDir = false;
    settings.Narrow = true;
    settings.Left = 10;
    settings.Top = 20;
    settings.Width = 800;
    settings.Height = 600;
    settings.InstantShow = true;
    TExtensionList images;
    images.Mode = TypeModeInclude;
    images.IncludeList.SetTypes({"JPG", "PNG"});
    settings.TypeLists.Add("Images", images);
    TExtensionList noTemp;
    noTemp.ExcludeList.SetTypes({"TMP", "BAK"});
    settings.TypeLists.Add("No temp", noTemp);
    settings.AutoTasks[0] = Slot("C:\\t\\a.buj");
    settings.AutoTasks[1] = TAutoTask("C:\\t\\b.buj");
    settings.AutoTasks[1].NextBackup = 40002.5;
    settings.DestinationHistory = {"E:\\Backup", "F:\\%date%"};
    ASSERT_TRUE(WriteSettings(settings));

    // Read back and written again, the file comes out the same.
    const std::string text = dir.ReadHostFile("tessaro.ini");
    TProgramSettings back = Read(dir);
    back.FileName = dir.Win("again.ini");
    ASSERT_TRUE(WriteSettings(back));
    EXPECT_EQ(dir.ReadHostFile("again.ini"), text);
    EXPECT_EQ(back.AutoTasks[0], settings.AutoTasks[0]);
    EXPECT_EQ(back.AutoFlags, (TAutoFlags{true, true, false}));
    EXPECT_EQ(back.LastFile, settings.LastFile);
    EXPECT_EQ(back.LogName, dir.Win("logs") + "\\tessaro.log");
    const TTaskFileEnv env = TaskFileEnvFrom(back);
    EXPECT_EQ(env.BackupSuffix, "old");
    EXPECT_EQ(env.NoCompress, settings.NoCompress);
    EXPECT_EQ(env.DestinationHistory, &back.DestinationHistory);
    EXPECT_NE(text.find("LastFile=daily.buj"), std::string::npos);
    EXPECT_NE(text.find("Cycles=3014"), std::string::npos);
    EXPECT_NE(text.find("ActCycle=1009"), std::string::npos);
    EXPECT_NE(text.find("PreCommand=#C:\\Prog Files\\x.exe# arg"), std::string::npos);
}

TEST(Settings, SlotValuesAsStored)
{
    TTaskTestDir dir;
    dir.WriteHostFile("tessaro.ini", "[Config]\nTaskCount=4\n"
                                     "[AutoTask0]\nName=C:\\t\\a.buj\nCycles=3007\nActCycle=2005\nLastDate=693595\n"
                                     "PreCommand=#C:\\Prog Files\\x.exe# arg\nMode=9\nPriority=7\nAutoEnd=5\n"
                                     "[AutoTask1]\nName=C:\\t\\missing.buj\nMode=1\n"
                                     "[AutoTask2]\nName=C:\\t\\c.buj\nCycles=7\nActCycle=1000\nMode=4\nCycles=0\n"
                                     "LastDate=731553\nLastTime=36000000\nBackupDate=731554\nBackupTime=0\n"
                                     "[AutoTask3]\nName=\nMode=3\n");
    const TProgramSettings s = Read(dir);
    const TAutoTask& a = s.AutoTasks[0];
    EXPECT_EQ(a.Cycles, 7);
    EXPECT_EQ(a.StartDay, 3);
    EXPECT_EQ(a.ActCycle, 5);
    EXPECT_EQ(a.WeekOffset, 2);
    EXPECT_EQ(a.LastRun, 0);
    EXPECT_DOUBLE_EQ(a.NextBackup, ReadingTime);
    EXPECT_EQ(a.PreCommand, "\"C:\\Prog Files\\x.exe\" arg");
    EXPECT_EQ(a.Mode, AutoNever);
    EXPECT_EQ(a.Priority, 3);
    EXPECT_EQ(a.AutoEnd, EndCloseAfterDelay);
    // The missing task is dropped and the next slot moves up.
    const TAutoTask& c = s.AutoTasks[1];
    EXPECT_EQ(c.Name, "C:\\t\\c.buj");
    EXPECT_EQ(c.Cycles, 7); // the first of two keys wins
    EXPECT_EQ(c.ActCycle, 1000);
    EXPECT_EQ(c.WeekOffset, 0);
    EXPECT_DOUBLE_EQ(c.LastRun, 731553 - 693594 + 10.0 / 24);
    EXPECT_DOUBLE_EQ(c.NextBackup, 731554 - 693594);
    for (int i = 2; i < AutoTaskSlots; ++i) {
        EXPECT_TRUE(s.AutoTasks[static_cast<size_t>(i)].Free());
    }
    EXPECT_EQ(s.AutoFlags, (TAutoFlags{true, true, true}));
}

TEST(Settings, NumbersAreClampedToUsableValues)
{
    TTaskTestDir dir;
    dir.WriteHostFile("tessaro.ini", "[Config]\nBufferSize=-5\nWaitTime=99999\nTaskCount=1\n"
                                     "[AutoTask0]\nName=C:\\t\\a.buj\nCycles=0\nPriority=0\nAutoEnd=-1\n");
    const TProgramSettings s = Read(dir);
    EXPECT_EQ(s.BufferSize, DefaultBufferSize);
    EXPECT_EQ(s.WaitTime, 0xFFF);
    EXPECT_EQ(s.AutoTasks[0].Cycles, 1);
    EXPECT_EQ(s.AutoTasks[0].Priority, 3);
    EXPECT_EQ(s.AutoTasks[0].AutoEnd, EndCloseAfterDelay);
}

TEST(Settings, DefaultsWithoutAFile)
{
    TTaskTestDir dir;
    TProgramSettings s;
    s.WaitTime = 7;
    s.Width = 640;
    EXPECT_FALSE(ReadSettings(dir.Win("none.ini"), s, TestEnv(dir)));
    EXPECT_EQ(s.FileName, dir.Win("none.ini"));
    EXPECT_EQ(s.BufferSize, 262144);
    EXPECT_EQ(s.NoCompress, (std::vector<std::string>{"zip", "arj", "jpg", "gif", "pdf", "png"}));
    EXPECT_EQ(s.WaitTime, 7);
    EXPECT_EQ(s.Width, 640);
    EXPECT_EQ(s.Shutdown, 2);
    EXPECT_TRUE(s.ScanDir);
    EXPECT_EQ(s.JobDir, dir.Win("docs") + "\\Tessaro\\");
    EXPECT_EQ(s.LogName, dir.Win("none.log"));
}

TEST(Settings, FallbackFileIsReadButTheGivenNameIsWritten)
{
    TTaskTestDir dir;
    dir.WriteHostFile("beside.ini", "[Config]\nCompSize=77\n");
    TSettingsEnv env = TestEnv(dir);
    env.FallbackFile = dir.Win("beside.ini");
    TProgramSettings s;
    ASSERT_TRUE(ReadSettings(dir.Win("user.ini"), s, env));
    EXPECT_EQ(s.CompSize, 77);
    ASSERT_TRUE(WriteSettings(s));
    EXPECT_NE(dir.ReadHostFile("user.ini").find("CompSize=77"), std::string::npos);
}

TEST(Settings, TypeListLimitsAndWrittenSections)
{
    TTaskTestDir dir;
    std::string text = "[Config]\nFilterCount=150\n";
    for (int n = 0; n < 150; ++n) {
        text += "[Filter" + std::to_string(n) + "]\nName=" + (n == 5 ? "" : "L" + std::to_string(n)) + "\n";
    }
    text += "[Other]\nKeep=1\n";
    dir.WriteHostFile("tessaro.ini", text);
    TProgramSettings s = Read(dir);
    EXPECT_EQ(s.TypeLists.Count(), 99); // sections 0..99, one without a name
    while (s.TypeLists.Count() > 2) {
        s.TypeLists.Delete(2);
    }
    ASSERT_TRUE(WriteSettings(s));
    const TIniLayout layout = ParseIniLayout(dir.ReadHostFile("tessaro.ini"));
    int filters = 0;
    int autoTasks = 0;
    bool other = false;
    for (const auto& [section, keys] : layout) {
        filters += section.rfind("Filter", 0) == 0 ? 1 : 0;
        autoTasks += section.rfind("AutoTask", 0) == 0 ? 1 : 0;
        other = other || section == "Other";
    }
    EXPECT_EQ(filters, 2 + 50); // sections from 100 on were never ours
    EXPECT_EQ(autoTasks, 8);
    EXPECT_TRUE(other);
}

TEST(Settings, ProtocolFromTheCommandLineIsNotWritten)
{
    TTaskTestDir dir;
    dir.WriteHostFile("tessaro.ini", "[Config]\nProtocol=2\n");
    TProgramSettings s = Read(dir);
    s.Protocol = 3 | ProtocolFromCommandLine;
    ASSERT_TRUE(WriteSettings(s));
    EXPECT_EQ(Read(dir).Protocol, 2u);
}

TEST(Settings, OlderTaskListSharesOneSection)
{
    TTaskTestDir dir;
    dir.WriteHostFile(
        "tessaro.ini",
        "[Tasks]\nCount=12\nTask0=C:\\t\\a.buj\nTask1=C:\\t\\missing.buj\nTask2=C:\\t\\c.buj\nMode=4\nCycles=5\n");
    const TProgramSettings s = Read(dir);
    EXPECT_EQ(s.AutoTasks[0].Name, "C:\\t\\a.buj");
    EXPECT_EQ(s.AutoTasks[1].Name, "C:\\t\\c.buj");
    EXPECT_EQ(s.AutoTasks[1].Cycles, 5);
    EXPECT_EQ(s.AutoTasks[1].Mode, AutoOnLogoff);
    EXPECT_TRUE(s.AutoTasks[2].Free());
    EXPECT_TRUE(s.AutoFlags.EndOfSessionRun);
}

TEST(Settings, OldDialogSectionsAreRenamedOnce)
{
    TTaskTestDir dir;
    dir.WriteHostFile("tessaro.ini", "[DirDialog]\nLeft=40\nItem0='C:\\a'\n[LogViewer]\nCopies=2\n"
                                     "[Directories]\nLeft=7\n");
    RenameOldDialogSections(dir.Win("tessaro.ini"));
    const TIniFile ini(dir.Win("tessaro.ini"));
    EXPECT_EQ(ini.ReadString("Printer", "Copies"), "2");
    EXPECT_FALSE(ini.SectionExists("LogViewer"));
    // A section under the new name is what the user set last: the old one stays unread.
    EXPECT_EQ(ini.ReadInteger("Directories", "Left", 0), 7);
    EXPECT_TRUE(ini.SectionExists("DirDialog"));
    dir.WriteHostFile("other.ini", "[DirDialog]\nItem0='C:\\a'\n");
    RenameOldDialogSections(dir.Win("other.ini"));
    EXPECT_EQ(TIniFile(dir.Win("other.ini")).ReadString("Directories", "Item0"), "C:\\a");
}

TEST(Settings, RunDatesGoIntoTheSectionOfTheirTask)
{
    TTaskTestDir dir;
    TProgramSettings s;
    s.FileName = dir.Win("tessaro.ini");
    s.AutoTasks[0] = Slot("C:\\t\\a.buj");
    s.AutoTasks[1] = Slot("C:\\t\\b.buj");
    ASSERT_TRUE(WriteSettings(s));

    // The slots moved in memory: b is now first.
    TAutoTask b = s.AutoTasks[1];
    b.ActCycle = 4;
    b.WeekOffset = 0;
    b.LastCycle = 3;
    b.NextBackup = 40010.5;
    ASSERT_TRUE(WriteRunDates(s.FileName, b, 40005.25));
    EXPECT_FALSE(WriteRunDates(s.FileName, TAutoTask("C:\\t\\x.buj"), 40005.25));

    const TProgramSettings back = Read(dir);
    EXPECT_EQ(back.AutoTasks[0], s.AutoTasks[0]);
    EXPECT_EQ(back.AutoTasks[1].ActCycle, 4);
    EXPECT_EQ(back.AutoTasks[1].LastCycle, 3);
    EXPECT_DOUBLE_EQ(back.AutoTasks[1].LastRun, 40005.25);
    EXPECT_DOUBLE_EQ(back.AutoTasks[1].NextBackup, 40010.5);
}

TEST(Settings, TimeStampPairs)
{
    EXPECT_EQ(DateTimeToTimeStamp(0).Date, 693594);
    EXPECT_EQ(DateTimeToTimeStamp(1.25).Date, 693595);
    EXPECT_EQ(DateTimeToTimeStamp(1.25).Time, 21600000);
    EXPECT_DOUBLE_EQ(TimeStampToDateTime({693596, 43200000}), 2.5);
}

// The log a person reads keeps its name while another instance writes it: the runs share
// the file instead of writing where nobody looks.
TEST(Settings, LogNameStaysWhileAnotherInstanceWrites)
{
    TTaskTestDir dir;
    EXPECT_EQ(BackupLogName(dir.Win("tessaro.ini"), ""), dir.Win("tessaro.log"));
    dir.WriteHostFile("tessaro.log", "x");
    const auto held = Platform::OpenAppend(dir.Win("tessaro.log"));
    ASSERT_TRUE(held);
    EXPECT_EQ(BackupLogName(dir.Win("tessaro.ini"), ""), dir.Win("tessaro.log"));
    EXPECT_EQ(BackupLogName(dir.Win("tessaro.ini"), dir.Win("logs")), dir.Win("logs") + "\\tessaro.log");
}

TEST(TypeLists, FileRoundTripAndModeRules)
{
    TTaskTestDir dir;
    TExtensionList images;
    images.Mode = TypeModeInclude;
    images.IncludeList.SetTypes({"JPG", "PNG"});
    images.ExcludeList.SetTypes({"TMP"});
    const std::string file = dir.Win("images.but");
    ASSERT_TRUE(WriteTypeListFile(file, "Images", images, "Tessaro", "0.1.0"));
    const TIniLayout expected = {{"Global", {{"Program", "Tessaro"}, {"Version", "0.1.0"}}},
                                 {"Filter", {{"Name", "Images"}, {"Mode", "0"}, {"Include", "JPG,PNG"}}}};
    EXPECT_EQ(ParseIniLayout(dir.ReadHostFile("images.but")), expected);
    EXPECT_EQ(ReadTypeListName(file), "Images");
    TExtensionList back;
    ASSERT_TRUE(ReadTypeListFile(file, back));
    EXPECT_EQ(back.Mode, TypeModeInclude);
    EXPECT_EQ(back.IncludeList.Types(), (std::vector<std::string>{"JPG", "PNG"}));
    EXPECT_TRUE(back.ExcludeList.Empty());

    // Without a Mode key the list keeps its own mode and reads Exclude.
    dir.WriteHostFile("nomode.but", "[Filter]\nName=x\nInclude=A\nExclude=B,C\n");
    TExtensionList fresh;
    ASSERT_TRUE(ReadTypeListFile(dir.Win("nomode.but"), fresh));
    EXPECT_EQ(fresh.Mode, TypeModeExclude);
    EXPECT_EQ(fresh.ExcludeList.Types(), (std::vector<std::string>{"B", "C"}));
    EXPECT_TRUE(fresh.IncludeList.Empty());
}
