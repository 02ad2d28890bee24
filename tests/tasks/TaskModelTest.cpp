#include "tasks/TaskModel.h"

#include <gtest/gtest.h>

namespace {

TExtensionList ListWithTypes(uint8_t mode)
{
    TExtensionList list;
    list.Mode = mode;
    list.IncludeList.SetTypes({"DOC", "TXT"});
    list.ExcludeList.SetTypes({"TMP"});
    return list;
}

} // namespace

TEST(TaskModel, NewEntryHasItsOwnDefaultsNotTheEditorRecord)
{
    const TDateFilter editor = DefaultDateFilter(40000);
    const TExtensionList entry(editor);
    EXPECT_EQ(entry.MaxSize, 17179869184);
    EXPECT_EQ(entry.DateFilter.Days, 1);
    EXPECT_EQ(entry.DateFilter.TimeMode, TimeModeAny);
    EXPECT_DOUBLE_EQ(entry.DateFilter.DayTime, 0.25);
    EXPECT_DOUBLE_EQ(entry.DateFilter.DateFrom, 40000 - 1461);
    EXPECT_DOUBLE_EQ(entry.DateFilter.DateTo, 40000);
    EXPECT_EQ(entry.Mode, TypeModeExclude);
    EXPECT_EQ(editor.Days, 0);
}

TEST(TaskModel, AssignCopiesOnlyTheListTheModeUsesAndSwitchesTheNameFilterOff)
{
    struct Case
    {
        uint8_t mode;
        std::vector<std::string> include;
        std::vector<std::string> exclude;
    };
    for (const Case& c : {Case{TypeModeInclude, {"DOC", "TXT"}, {}}, Case{TypeModeExclude, {}, {"TMP"}}}) {
        TExtensionList target;
        target.IncludeList.SetTypes({"OLD"});
        target.ExcludeList.SetTypes({"OLDER"});
        target.NameFilter.Mode = 1;
        target.Assign(ListWithTypes(c.mode));
        EXPECT_EQ(target.Mode, c.mode);
        EXPECT_EQ(target.IncludeList.Types(), c.include);
        EXPECT_EQ(target.ExcludeList.Types(), c.exclude);
        EXPECT_EQ(target.NameFilter.Mode, 0);
    }
}

TEST(TaskModel, ResetCountersKeepsSyncCountAndTypes)
{
    TExtensionList list = ListWithTypes(TypeModeInclude);
    list.IncludeList[0].Counter = {3, 300};
    list.FileCount = 3;
    list.ByteCount = 300;
    list.SelCount = 2;
    list.SelBytes = 20;
    list.SyncCount = 17;
    list.ResetCounters();
    EXPECT_EQ(list.IncludeList[0].Counter, TSizeCount{});
    EXPECT_EQ(list.FileCount, 0);
    EXPECT_EQ(list.ByteCount, 0);
    EXPECT_EQ(list.SelCount, 0);
    EXPECT_EQ(list.SelBytes, 0);
    EXPECT_EQ(list.SyncCount, 17);
    EXPECT_EQ(list.IncludeList.Count(), 2);
}

TEST(TaskModel, TypeListIgnoresDuplicatesAndCaseAndKeepsOrder)
{
    TTypeList list;
    list.SetTypes({"TXT", "doc", "txt", "", "<ohne>", "DOC"});
    EXPECT_EQ(list.Types(), (std::vector<std::string>{"TXT", "doc", "<ohne>"}));
    EXPECT_EQ(list.IndexOf("Doc"), 1);
    EXPECT_FALSE(list.Contains("pdf"));
}

TEST(TaskModel, SubDirsAreSortedAndUniqueIgnoringCase)
{
    TSubDirList dirs;
    dirs.Add("C:\\data\\b\\");
    dirs.Add("C:\\Data\\A\\", true);
    dirs.Add("c:\\DATA\\b\\");
    ASSERT_EQ(dirs.Count(), 2);
    EXPECT_EQ(dirs[0].Path, "C:\\Data\\A\\");
    EXPECT_TRUE(dirs[0].FromMask);
    EXPECT_EQ(dirs[1].Path, "C:\\data\\b\\");
    dirs.RemoveMaskItems();
    ASSERT_EQ(dirs.Count(), 1);
    EXPECT_TRUE(dirs.Contains("C:\\DATA\\B\\"));
}

TEST(TaskModel, CopiedEntryKeepsItsFilters)
{
    TExtensionList list;
    list.NameFilter.IsRegEx = true;
    list.NameFilter.Mode = 2;
    list.NameFilter.SetMask("^tmp");
    list.ExtFilter.Mode = 1;
    list.ExtFilter.SetMask("*.doc|*.txt");
    const TExtensionList copy = list;
    EXPECT_TRUE(copy == list);
    EXPECT_EQ(copy.NameFilter.GetMask(), "^tmp");
    EXPECT_EQ(copy.ExtFilter.GetMask(), "*.doc|*.txt");
    TExtensionList other = list;
    other.NameFilter.Mode = 1;
    EXPECT_FALSE(other == list);
}

TEST(TaskModel, BackupMethodFollowsTheThreeKeys)
{
    struct Case
    {
        bool clear, arch, use;
        int method;
    };
    for (const Case& c : {Case{false, true, true, MethodCopy}, Case{true, false, false, MethodCopy},
                          Case{true, true, false, MethodFull}, Case{true, false, true, MethodDifferential},
                          Case{true, true, true, MethodIncremental}}) {
        TBackupTask task;
        task.ClearDest = c.clear;
        task.ArchBit = c.arch;
        task.UseArch = c.use;
        EXPECT_EQ(task.BackupMethod(), c.method);
    }
    TBackupTask task;
    for (int method : {MethodFull, MethodDifferential, MethodIncremental, MethodCopy}) {
        task.SetBackupMethod(method);
        EXPECT_EQ(task.BackupMethod(), method);
    }
}

TEST(TaskModel, AutoTaskResetKeepsNameAndDisplayName)
{
    TAutoTask task("C:\\Users\\anna\\Tasks\\Daily.Docs.buj");
    EXPECT_EQ(task.DisplayName, "Daily.Docs");
    task.Mode = AutoDailyAt;
    task.Priority = 1;
    task.LastCycle = 3;
    task.NextBackup = 44000;
    task.PreCommand = "x";
    task.Reset();
    TAutoTask expected("C:\\Users\\anna\\Tasks\\Daily.Docs.buj");
    EXPECT_EQ(task, expected);
    EXPECT_EQ(task.LastCycle, NoCycleYet);
    EXPECT_DOUBLE_EQ(task.NextBackup, 0.5);
}

TEST(TaskModel, AutoFlagsCountOnlyUsedSlots)
{
    TAutoTaskSlots slots;
    slots[0].Mode = AutoOnLogoff; // free slot: ignored
    EXPECT_EQ(ComputeAutoFlags(slots), TAutoFlags{});
    slots[1] = TAutoTask("C:\\t\\a.buj");
    slots[1].Mode = AutoDailyAt;
    EXPECT_EQ(ComputeAutoFlags(slots), (TAutoFlags{true, true, false}));
    slots[2] = TAutoTask("C:\\t\\b.buj");
    slots[2].Mode = AutoOnLogoff;
    EXPECT_EQ(ComputeAutoFlags(slots), (TAutoFlags{true, true, true}));
}

TEST(TaskModel, TypeNamesCompareIgnoringCaseBeyondAscii)
{
    TTypeList list;
    list.SetTypes({"ÄBC", "äbc"});
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(TaskDisplayName("C:\\Aufträge\\Täglich.buj"), "Täglich");
}
